// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The logic behind the main window's text box and attached-file commands, without widgets:
// the file dialog the commands share, the checks of a file to attach, the name offered for
// a received file and the text box's line breaks.
#include "support/seams.h"

#include <QString>
#include <QStringList>

namespace TextAndFiles {

// Flags of the classic open/save dialog, kept with the shared dialog between uses.
constexpr int kOverwritePrompt = 0x2;
constexpr int kHideReadOnly = 0x4;
constexpr int kPathMustExist = 0x800;
constexpr int kFileMustExist = 0x1000;
constexpr int kNoReadOnlyReturn = 0x8000;

// The one file dialog of the main window. What a command sets stays for the next one, and
// the dialog opens in the folder of the file chosen last.
struct SharedFileDialog {
    QString title;
    QString filter; // Qt form: "Text files (*.txt)"
    int flags = 0;
    QString fileName; // suggested name; after a choice, the chosen path
    QString directory;

    // Shows it through the file-dialog seam. The chosen path, or empty when cancelled.
    QString show(Seams::FileDialogRequest::Kind kind);
};

// Why a file cannot be attached, in the order the checks run.
enum class AppendRefusal { None, TooLarge, Empty, AttachedElsewhere };
// path is the chosen file, size its length, otherSlots the paths in the other slots (an
// exact, case-sensitive comparison: C:\A.TXT and C:\a.txt are different paths).
AppendRefusal CheckAppend(const QString& path, qint64 size, qint32 limit,
                          const QStringList& otherSlots);

// "100 KB": kilobytes rounded up, also for files beyond 2 GB.
QString KBTextOfSize(qint64 size);

// The name a Save dialog suggests for a received file. The name comes from the sender:
// only its last part counts, characters that file names cannot hold are dropped, and a
// device name (CON, NUL, COM1...) gets a "_" in front. Empty when nothing usable is left.
QString SuggestedSaveName(const QString& receivedName);

// Text as the message and text files carry it, from a text box document's raw text, which
// separates paragraphs by U+2029: line breaks become CR LF, and every other character
// (no-break spaces included) stays.
QString MessageText(const QString& rawDocumentText);
// The same with LF line breaks, the form Qt hands to the system clipboard.
QString ClipboardText(const QString& rawDocumentText);

} // namespace TextAndFiles

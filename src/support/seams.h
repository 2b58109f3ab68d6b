// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Platform seams: every message box, file dialog and modal window of the program goes
// through these functions, so that a test can script a whole user flow. The real
// implementations use Qt; the scripted ones (scripted.h) record and answer.
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace Seams {

// ---- message boxes ----------------------------------------------------------------
enum class Buttons { OK, OKCancel, YesNo, YesNoCancel };
enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Answer { OK, Cancel, Yes, No };

struct MessageBoxRequest {
    QString prompt;
    Buttons buttons = Buttons::OK;
    Icon icon = Icon::None;
    QString title;
    int defaultButton = 1; // 1-based position of the button that Enter presses
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual Answer show(const MessageBoxRequest& request) = 0;
};

// Shows a modal message box and returns the button pressed. Closing the box with Escape
// or its frame answers Cancel where there is one, otherwise the only/last button.
Answer MsgBox(const QString& prompt, Buttons buttons, Icon icon, const QString& title,
              int defaultButton = 1);

// ---- file dialogs -----------------------------------------------------------------
struct FileDialogRequest {
    enum Kind { Open, Save };
    Kind kind = Open;
    QString title;
    QString filter;               // Qt form: "Text files (*.txt);;All files (*)"
    QString fileName;             // suggested file name or full path
    QString directory;            // starting folder; empty: the dialog's own choice
    bool confirmOverwrite = true; // Save: ask before replacing an existing file
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual QString run(const FileDialogRequest& request) = 0; // empty: cancelled
};

QString ShowFileDialog(const FileDialogRequest& request);

// ---- modal windows ----------------------------------------------------------------
class ModalRunner {
public:
    virtual ~ModalRunner() = default;
    virtual int exec(QDialog* dialog) = 0; // QDialog::DialogCode
};

// Shows dialog modally and returns its result code.
int ShowModal(QDialog* dialog);

// ---- installation -----------------------------------------------------------------
// nullptr restores the real implementation. The caller keeps ownership.
void setMessageBoxes(MessageBoxes* impl);
void setFileDialogs(FileDialogs* impl);
void setModalRunner(ModalRunner* impl);

// Runs before the real implementations show a message box, file dialog or modal window
// (the program sets its window icon there if the main window has not done so yet).
void setBeforeDialog(void (*hook)());

// The window message boxes and dialogs are centred on: the active window if any.
QWidget* dialogParent();

} // namespace Seams

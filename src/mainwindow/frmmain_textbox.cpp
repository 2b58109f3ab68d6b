// SPDX-License-Identifier: GPL-3.0-or-later
// Commands on the text box: clear, paste, load, save and the enlarged window.
#include "mainwindow/frmmain.h"

#include "mainwindow/frmlargetextbox.h"
#include "support/ansi.h"
#include "support/fileproc.h"
#include "support/seams.h"
#include "text/programtext.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <QPlainTextEdit>

#include <new>

using Seams::Buttons;
using Seams::FileDialogRequest;
using Seams::Icon;

namespace {

constexpr int kOutOfMemory = 7;

// Replaces the whole text as one step the user can undo: a command pressed by mistake
// must not cost a composed message.
void replaceText(QPlainTextEdit* box, const QString& text) {
    QTextCursor cursor(box->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    if (text.isEmpty())
        cursor.removeSelectedText();
    else
        cursor.insertText(text);
    cursor.endEditBlock();
    box->moveCursor(QTextCursor::Start);
}

} // namespace

void frmMain::ShowErrMsg(int errorNumber, const QString& description, const QString& substitute) {
    const QString prompt =
        errorNumber == kOutOfMemory && !substitute.isEmpty() ? substitute : description;
    Seams::MsgBox(prompt, Buttons::OK, Icon::Exclamation, GetText(13));
}

void frmMain::cmdClearTextbox_Click() {
    // Decrypted text is gone for good: an undo step would keep a copy of it in memory.
    if (txbText->isReadOnly())
        txbText->clear();
    else
        replaceText(txbText, QString());
    UpdateTextboxLabel();
}

void frmMain::cmdCopyFromClipboard_Click() {
    try {
        replaceText(txbText, QGuiApplication::clipboard()->text());
    } catch (const std::bad_alloc&) {
        ShowErrMsg(kOutOfMemory, QString(), GetText(41));
    }
}

void frmMain::cmdLoadSaveTextbox_Click(int index) {
    const QString CRLF = QStringLiteral("\r\n");
    if (index == 0) {
        dlgFile.title = GetText(42);
        dlgFile.filter = GetText(43) + QStringLiteral(" (*.txt)");
        dlgFile.flags = TextAndFiles::kHideReadOnly | TextAndFiles::kPathMustExist |
                        TextAndFiles::kFileMustExist;
        dlgFile.fileName.clear();
        const QString chosen = dlgFile.show(FileDialogRequest::Open);
        if (chosen.isEmpty())
            return;
        try {
            bool ok = false;
            QString error;
            const QString loaded = FileProc::ReadTextFile(chosen, &ok, &error);
            // A file that cannot be read leaves the text as it was; a missing one has been
            // reported already.
            if (!ok) {
                if (!error.isEmpty())
                    ShowErrMsg(0, error, GetText(46));
                return;
            }
            replaceText(txbText, loaded);
        } catch (const std::bad_alloc&) {
            ShowErrMsg(kOutOfMemory, QString(), GetText(46));
        }
        return;
    }

    const QString text = this->text();
    if (text.isEmpty()) {
        Seams::MsgBox(GetText(44), Buttons::OK, Icon::Exclamation, QString());
        return;
    }
    // The file is written in Windows-1252: what it cannot hold would turn into "?".
    if (const int lost = Ansi::unrepresentableCount(text); lost > 0) {
        const QString prompt =
            GetText(470) + QLatin1Char(' ') + QLocale().toString(lost) + CRLF + CRLF + GetText(471);
        if (Seams::MsgBox(prompt, Buttons::YesNo, Icon::Exclamation, GetText(472), 2) !=
            Seams::Answer::Yes)
            return;
    }
    dlgFile.title = GetText(45);
    dlgFile.flags = TextAndFiles::kOverwritePrompt | TextAndFiles::kHideReadOnly |
                    TextAndFiles::kPathMustExist | TextAndFiles::kNoReadOnlyReturn;
    dlgFile.fileName.clear();
    const QString chosen = dlgFile.show(FileDialogRequest::Save);
    if (chosen.isEmpty())
        return;
    strFileErrMsg = FileProc::WriteTextFile(text, chosen, true, false);
    if (!strFileErrMsg.isEmpty())
        Seams::MsgBox(strFileErrMsg, Buttons::OK, Icon::Exclamation, GetText(13));
}

void frmMain::cmdEnlargeTextbox_Click() {
    const QString before = text();
    if (before.isEmpty()) {
        Seams::MsgBox(GetText(44), Buttons::OK, Icon::Exclamation, QString());
        return;
    }
    frmLargeTextbox large(this, txbText);
    Seams::ShowModal(&large);
    // Closing the window in any way keeps the edits; a read-only text cannot have any.
    if (!txbText->isReadOnly()) {
        const QString after = large.text();
        if (after != before)
            replaceText(txbText, after);
    }
    txbText->moveCursor(QTextCursor::Start);
    txbText->viewport()->update();
}

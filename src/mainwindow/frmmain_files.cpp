// SPDX-License-Identifier: GPL-3.0-or-later
// The three attached-file slots: append a file, clear a slot, save a received file.
#include "mainwindow/frmmain.h"

#include "support/fileproc.h"
#include "support/seams.h"
#include "text/programtext.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using Seams::Buttons;
using Seams::FileDialogRequest;
using Seams::Icon;
using TextAndFiles::AppendRefusal;

void frmMain::cmdAppendSaveFile_Click(int index) {
    if (index < 0 || index >= kSlots)
        return;
    const QString CRLF = QStringLiteral("\r\n");

    if (!blnEncrypt) {
        // Save the file that arrived in this slot.
        if (txbFile[index]->text().isEmpty()) {
            Seams::MsgBox(GetText(92), Buttons::OK, Icon::Exclamation, QString());
            return;
        }
        const QByteArray& contents = msgState.strFileContents[index];
        if (contents.isEmpty()) {
            Seams::MsgBox(GetText(55), Buttons::OK, Icon::Exclamation, QString());
            return;
        }
        dlgFile.title = GetText(56);
        // Asks before replacing a file: the suggested name is the sender's choice and may
        // well be the name of one of the user's own files.
        dlgFile.flags = TextAndFiles::kOverwritePrompt | TextAndFiles::kHideReadOnly |
                        TextAndFiles::kPathMustExist | TextAndFiles::kNoReadOnlyReturn;
        dlgFile.fileName = TextAndFiles::SuggestedSaveName(txbFile[index]->text());
        const QString chosen = dlgFile.show(FileDialogRequest::Save);
        if (chosen.isEmpty())
            return;
        strFileErrMsg = FileProc::WriteBinaryFile(contents, chosen);
        if (!strFileErrMsg.isEmpty()) {
            Seams::MsgBox(strFileErrMsg, Buttons::OK, Icon::Exclamation, GetText(13));
            return;
        }
        txbFile[index]->setText(QDir::toNativeSeparators(chosen));
        txbFile[index]->setCursorPosition(txbFile[index]->text().size());
        lblSaved[index]->setVisible(true);
        return;
    }

    dlgFile.title = GetText(47);
    dlgFile.flags =
        TextAndFiles::kHideReadOnly | TextAndFiles::kPathMustExist | TextAndFiles::kFileMustExist;
    dlgFile.fileName.clear();
    dlgFile.filter = GetText(48) + QStringLiteral(" (*)");
    const QString chosen = dlgFile.show(FileDialogRequest::Open);
    if (chosen.isEmpty())
        return;

    const QString path = QDir::toNativeSeparators(chosen.trimmed());
    const qint64 size = QFileInfo(path).size();
    const QString sizeText = TextAndFiles::KBTextOfSize(size);
    QStringList otherSlots;
    for (int k = 0; k < kSlots; ++k)
        if (k != index)
            otherSlots << txbFile[k]->text();

    switch (TextAndFiles::CheckAppend(path, size, msgState.lngMaxMessageSize, otherSlots)) {
    case AppendRefusal::TooLarge:
        EncDecMsg::TooLargeErrMsg(msgState, path + QLatin1Char(' ') + GetText(49) +
                                                QStringLiteral(": ") + sizeText);
        return;
    case AppendRefusal::Empty:
        Seams::MsgBox(path + CRLF + GetText(50), Buttons::OK, Icon::Exclamation, GetText(51));
        return;
    case AppendRefusal::AttachedElsewhere:
        Seams::MsgBox(path + QLatin1Char(' ') + GetText(54), Buttons::OK, Icon::Exclamation,
                      GetText(51));
        return;
    case AppendRefusal::None:
        break;
    }
    txbFile[index]->setText(path);
    txbFile[index]->setCursorPosition(path.size()); // the file name, not the drive, in view
    lblFilesize[index]->setText(sizeText);
    lblFilesize[index]->setVisible(true);
    cmdClearFile[index]->setVisible(true);
}

void frmMain::cmdClearFile_Click(int index) {
    if (index < 0 || index >= kSlots)
        return;
    txbFile[index]->clear();
    lblFilesize[index]->clear();
    // The button goes away under the keyboard focus; the slot's own button takes it.
    if (cmdClearFile[index]->hasFocus())
        cmdAppendSaveFile[index]->setFocus();
    cmdClearFile[index]->setVisible(false);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The self-test, opened by clicking the text box size label.
#include "mainwindow/frmmain.h"

#include "mainwindow/clickablelabel.h"
#include "selftest/frmtest.h"
#include "support/seams.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

frmTest& frmMain::TestWindow() {
    if (!m_frmTest)
        m_frmTest = new frmTest(*this);
    return *m_frmTest;
}

void frmMain::lblTextbox_Click() {
    // The rounds run through the text box, the slots and the received files of both modes.
    // What the user had there is put back afterwards: opening the test must not cost a
    // message being written or a received file not yet saved.
    const int shown = blnEncrypt ? kEncryptMode : kDecryptMode;
    strModeText[shown] = txbText->toPlainText();
    for (int i = 0; i < kSlots; ++i) {
        strModeFileName[i][shown] = txbFile[i]->text();
        strModeFileSize[i][shown] = lblFilesize[i]->text();
    }
    const bool wasEncrypt = blnEncrypt;
    const auto text = strModeText;
    const auto fileNames = strModeFileName;
    const auto fileSizes = strModeFileSize;
    const auto fileContents = msgState.strFileContents;

    Seams::ShowModal(&TestWindow());

    // Show the other mode first, fill it and switch back: the switch then stores that mode
    // as it was and shows the saved one.
    const int other = wasEncrypt ? kDecryptMode : kEncryptMode;
    (wasEncrypt ? optDecrypt : optEncrypt)->setChecked(true);
    strModeText = text;
    strModeFileName = fileNames;
    strModeFileSize = fileSizes;
    txbText->setPlainText(text[other]);
    for (int i = 0; i < kSlots; ++i) {
        txbFile[i]->setText(fileNames[i][other]);
        lblFilesize[i]->setText(fileSizes[i][other]);
    }
    (wasEncrypt ? optEncrypt : optDecrypt)->setChecked(true);
    msgState.strFileContents = fileContents;
    UpdateTextboxLabel();
}

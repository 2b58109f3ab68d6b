// The self-test, opened by clicking the text box size label.
#include "mainwindow/frmmain.h"

#include "mainwindow/clickablelabel.h"
#include "selftest/frmtest.h"
#include "support/fileproc.h"
#include "support/seams.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Where a decryption of the self-test puts the text and the files: the main window's text
// box and slots, as the decrypt command shows a received message.
class SelfTestMessages final : public QObject, public EncDecMsg::MessageWindow {
public:
    explicit SelfTestMessages(frmMain& main) : m_main(main) {}

    QString text() const override { return m_main.txbText->toPlainText(); }
    QString slotPath(int slot) const override { return m_main.txbFile[slot]->text(); }
    QString selectedKeyEntry() const override { return QString(); }

    void showDecryptedText(const QString& text) override { m_main.txbText->setPlainText(text); }
    void showReceivedFile(int slot, const QString& name, qint32 size) override {
        m_main.txbFile[slot]->setText(name);
        m_main.lblFilesize[slot]->setText(FileProc::KBText(size));
        m_main.lblFilesize[slot]->show();
        m_main.cmdAppendSaveFile[slot]->setEnabled(true);
    }
    void selectDecryptMode() override { m_main.optDecrypt->setChecked(true); }

private:
    frmMain& m_main;
};

} // namespace

frmTest& frmMain::TestWindow() {
    if (!m_frmTest) {
        auto* messages = new SelfTestMessages(*this);
        m_frmTest = new frmTest(*this, *messages);
        messages->setParent(m_frmTest);
    }
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

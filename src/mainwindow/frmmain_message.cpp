// SPDX-License-Identifier: GPL-3.0-or-later
// The two message commands: encrypt to the clipboard and decrypt from it, and the window's
// side of the message path.
#include "mainwindow/frmmain.h"

#include "backends/cipher/cipher.h"
#include "keys/keyrules.h"
#include "message/readykey.h"
#include "support/ansi.h"
#include "support/backgroundwait.h"
#include "support/fileproc.h"
#include "support/seams.h"
#include "support/wipe.h"
#include "text/programtext.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using Seams::Buttons;
using Seams::Icon;

namespace {

const QString CRLF = QStringLiteral("\r\n");

// Both commands need a key: the user is sent to where one comes from.
bool haveSelectedKey(frmMain& w) {
    if (w.cboKeys->count() == 0) {
        Seams::MsgBox(GetText(82), Buttons::OK, Icon::Exclamation, GetText(64));
        w.cmdAddKey->setFocus();
        return false;
    }
    if (w.cboKeys->currentIndex() < 0) {
        Seams::MsgBox(GetText(371), Buttons::OK, Icon::Information, GetText(370));
        w.cboKeys->setFocus();
        return false;
    }
    return true;
}

} // namespace

void frmMain::cmdEncryptMessage_Click() {
    if (!haveSelectedKey(*this))
        return;
    // The files are read here, not when they were attached: the limit applies to what is
    // actually sent.
    const BackgroundWait::Scope wait(plainCaption(cmdEncryptMessage->text()));
    // Nothing new starts beside the click's own derivation while it waits.
    m_readyKeyTimer->stop();
    const qint32 r = EncDecMsg::PackAndEncryptMessage(msgState, *this);
    // The wrap key just used is gone; the next file gets one under a new salt.
    m_readyKeyTimer->start(0);
    if (r <= 0)
        return;

    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Ansi::fromAnsi(msgState.strCipherText));
    UpdateClipboardLabel();

    Seams::MsgBox(GetText(83) + QStringLiteral(" (") + FileProc::BytesText(r, false) +
                      QStringLiteral(") ") + GetText(84) + CRLF + GetText(85),
                  Buttons::OK, Icon::None, GetText(86));
}

void frmMain::RenewReadyKey() {
    m_readyKey->discard();
    m_readyKeyTimer->start(0);
}

void frmMain::UpdateReadyKey() {
    // A click (or the keyfile) is waiting for its derivation: what the clipboard or the
    // selection asks for now is looked at again once that wait is over.
    if (BackgroundWait::waiting() && !m_ended) {
        m_readyKeyTimer->start(kClipboardSettleMs);
        return;
    }
    const QString entry = selectedKeyEntry();
    if (m_ended || !blnStartupCompleted || SelfTestRunning() || entry.isEmpty()) {
        m_readyKey->discard();
        return;
    }
    QString key = KeyRules::ExtendedReducedKey(EncDecMsg::CurrentKey(entry));
    const Wipe::Guard wipeKey(key);
    QByteArray bytes = Ansi::toAnsi(key);
    const Wipe::Guard wipeBytes(bytes);
    if (bytes.isEmpty()) {
        m_readyKey->discard();
        return;
    }
    if (optEncrypt->isChecked()) {
        m_readyKey->prepare(bytes, Cipher::workFactor());
        return;
    }
    // Decrypt mode: the salt of the block on the clipboard. Only what the click would derive
    // without asking starts here; a costly work factor waits for the user's answer.
    const Cipher::ScryptParameters parameters = ClipboardScryptParameters();
    if (parameters.log2N < 1 || parameters.log2N > Cipher::kSilentWorkFactor)
        m_readyKey->discard();
    else
        m_readyKey->prepareFor(bytes, parameters.salt, parameters.log2N);
}

Cipher::ScryptParameters frmMain::ClipboardScryptParameters() const {
    Cipher::ScryptParameters parameters;
    const QString received = QGuiApplication::clipboard()->text();
    if (received.size() < lngMinClipboardTextLength || received.size() > kMaxClipboardReadAhead)
        return parameters;
    const EncDecMsg::Dearmoured d = EncDecMsg::FindAndDearmour(Ansi::toAnsi(received), received);
    if (d.r <= 0 ||
        Cipher::readScryptParameters(d.cipher.constData(), int(d.cipher.size()), parameters) != 0)
        return {};
    return parameters;
}

void frmMain::ClipboardChanged() {
    // A new mail on the clipboard matters only to the Decrypt click; the wrap key made ahead
    // for encryption stays. A stream of changes is read once it pauses.
    if (optDecrypt->isChecked())
        m_readyKeyTimer->start(kClipboardSettleMs);
}

void frmMain::cmdDecryptMessage_Click() {
    if (!haveSelectedKey(*this))
        return;
    const QString received = QGuiApplication::clipboard()->text();
    if (received.isEmpty()) {
        Seams::MsgBox(GetText(213), Buttons::OK, Icon::Exclamation, GetText(51));
        return;
    }
    if (received.size() < lngMinClipboardTextLength) {
        Seams::MsgBox(GetText(88), Buttons::OK, Icon::Exclamation, GetText(51));
        return;
    }

    msgState.strCipherText = Ansi::toAnsi(received);
    // Kept for a second search over a cleaned copy: characters without a Windows-1252 byte
    // survive only here.
    msgState.strReceivedText = received;
    const BackgroundWait::Scope wait(plainCaption(cmdDecryptMessage->text()));
    // Nothing new starts beside the click's own derivation while it waits.
    m_readyKeyTimer->stop();
    const bool decrypted = EncDecMsg::DecryptMessage(msgState, *this);
    // A later decryption (the self-test's) must not search this mail again.
    msgState.strReceivedText.clear();
    if (decrypted)
        Seams::MsgBox(GetText(53), Buttons::OK, Icon::None, GetText(52));
}

// ---- the window as the message path sees it --------------------------------------------

QString frmMain::text() const {
    return TextAndFiles::MessageText(txbText->document()->toRawText());
}

QString frmMain::slotPath(int slot) const {
    return txbFile[slot]->text();
}

QString frmMain::selectedKeyEntry() const {
    const int index = cboKeys->currentIndex();
    return index < 0 ? QString() : cboKeys->itemText(index);
}

void frmMain::showDecryptedText(const QString& text) {
    txbText->setPlainText(text);
    UpdateTextboxLabel();
}

void frmMain::showReceivedFile(int slot, const QString& name, qint32 size) {
    txbFile[slot]->setText(name);
    lblFilesize[slot]->setText(FileProc::KBText(size));
    lblFilesize[slot]->setVisible(true);
    cmdAppendSaveFile[slot]->setEnabled(true);
    // A new file in the slot has not been saved, whatever became of the one before it.
    lblSaved[slot]->setVisible(false);
}

void frmMain::selectDecryptMode() {
    optDecrypt->setChecked(true);
    optDecrypt->repaint();
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The keyfile commands of the main window: store the key list, get it back, and choose
// where the keyfile lives.
//
// The keyfile is the key-list text (keys/keylisttext.h) encrypted by the message cipher
// under the extended reduced master key: a plain age file, nothing else in it. The master
// key as typed stays in memory for the next prompt unless the user asks to erase it; it is
// never written anywhere.
#include "mainwindow/frmmain.h"

#include "backends/cipher/cipher.h"
#include "keys/cb_man.h"
#include "keys/frmkeyboardwithdisplay.h"
#include "keys/frmspecifykeyfilepath.h"
#include "keys/keyfrom.h"
#include "keys/keylisttext.h"
#include "keys/keyrules.h"
#include "message/encdecmsg.h"
#include "support/backgroundwait.h"
#include "support/diskproc.h"
#include "support/fileproc.h"
#include "support/seams.h"
#include "support/wipe.h"
#include "text/programtext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <climits>
#include <sodium.h>

namespace {

const QString CRLF = QStringLiteral("\r\n");

using Seams::Answer;
using Seams::Buttons;
using Seams::Icon;

// The main window as the keeper of the keyfile path.
class MainWindowPath final : public KeyfilePathOwner {
public:
    explicit MainWindowPath(frmMain& window) : w(window) {}
    QString keyfilePath() const override { return w.strStoredKeysFile; }
    void setKeyfilePath(const QString& path) override { w.strStoredKeysFile = path; }
    void markKeyListNotStored() override { w.blnKeyListNotStored = true; }
    void WriteParametersFile() override { w.WriteParametersFile(); }

private:
    frmMain& w;
};

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Empties the key box of the key entry dialog and, when asked, forgets the master key.
void ClearKeyEntry(bool eraseMasterKey) {
    frmKeyFrom& keys = frmKeyFrom::instance();
    keys.dialog().txbKey->clear();
    if (eraseMasterKey)
        keys.strMasterKeyAsInput.clear();
}

// Asks for the master key, offering the last one typed (or, asked again, nothing). The
// cipher key (the extended reduced form), or empty when the user declined.
QString AskMasterKey(QWidget* mainWindow, bool encrypting, bool again = false) {
    frmKeyFrom& keys = frmKeyFrom::instance();
    frmKeyboardWithDisplay& dialog = keys.dialog();
    dialog.txbKey->setText(again ? QString() : keys.strMasterKeyAsInput);
    dialog.blnEncryptingKeyList = encrypting;
    dialog.blnDecryptingKeyList = !encrypting;
    dialog.blnConfirmingMasterKey = again;
    keys.KeyboardWithDisplay(mainWindow);
    dialog.blnEncryptingKeyList = false;
    dialog.blnDecryptingKeyList = false;
    dialog.blnConfirmingMasterKey = false;

    const bool erase = dialog.chkEraseKey->isChecked();
    if (!dialog.blnUseThisKey) {
        ClearKeyEntry(erase);
        return QString();
    }
    const QString typed = dialog.txbKey->text();
    const QString cipherKey = KeyRules::ExtendedReducedKey(typed);
    keys.strMasterKeyAsInput = typed;
    ClearKeyEntry(erase);
    return cipherKey;
}

// Which keyfile was last opened (read or stored) under which master key, without keeping
// the key: a keyed hash of both, under a key made for this run.
QByteArray OpenedUnder(const QString& path, const QString& cipherKey) {
    static unsigned char runKey[crypto_generichash_KEYBYTES];
    static const bool made = (randombytes_buf(runKey, sizeof runKey), true);
    Q_UNUSED(made);
    const QFileInfo info(path);
    const QByteArray where =
        (info.exists() ? info.canonicalFilePath() : info.absoluteFilePath()).toUtf8();
    QByteArray key = cipherKey.toUtf8();
    const Wipe::Guard wipeKey(key);
    crypto_generichash_state state;
    crypto_generichash_init(&state, runKey, sizeof runKey, crypto_generichash_BYTES);
    const quint64 length = quint64(where.size());
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(&length),
                              sizeof length);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(where.constData()),
                              quint64(where.size()));
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(key.constData()),
                              quint64(key.size()));
    QByteArray out(crypto_generichash_BYTES, Qt::Uninitialized);
    crypto_generichash_final(&state, reinterpret_cast<unsigned char*>(out.data()),
                             quint64(out.size()));
    return out;
}

// Why a keyfile did not decrypt.
QString CipherErrorText(qint32 r) {
    switch (r) {
    case Cipher::kDamaged:
        return GetText(75);
    case Cipher::kPayloadDamaged:
        return GetText(76);
    case Cipher::kWrongKey:
        return GetText(77);
    case Cipher::kRefused:
        return GetText(78);
    default:
        return GetText(79);
    }
}

void ReportNotDecrypted(qint32 r) {
    Seams::MsgBox(GetText(71) + QStringLiteral("  ") + CipherErrorText(r) + CRLF + GetText(72),
                  Buttons::OK, Icon::Exclamation, GetText(13));
}

// Not enough memory for the key derivation: with the figures when the check before it
// refused.
void ReportNoMemory(const QString& text, const EncDecMsg::CipherMemory& memory) {
    Seams::MsgBox(memory.refused ? text + CRLF + CRLF + EncDecMsg::MemoryLines(memory) : text,
                  Buttons::OK, Icon::Exclamation, GetText(13));
}

// A count as the platform's number-to-text writes it: a space in front of a number that is
// not negative (" 12").
QString CountText(qsizetype n) {
    return (n >= 0 ? QStringLiteral(" ") : QString()) + QString::number(n);
}

} // namespace

void frmMain::StoreKeyList() {
    const int n = cboKeys->count();
    if (n == 0) {
        Seams::MsgBox(GetText(63), Buttons::OK, Icon::Exclamation, GetText(64));
        cmdAddKey->setFocus();
        return;
    }

    QList<KeyListText::Entry> entries;
    entries.reserve(n);
    for (int i = 0; i < n; ++i)
        entries.append({cboKeys->itemText(i), CB_Man::DateAdded(cboKeys, i)});
    QByteArray text = KeyListText::FormatKeyListText(entries);
    const Wipe::Guard wipeText(text);
    // Refused before any question: a list that cannot be read back is never written.
    if (text.size() > KeyListText::kMaxTextSize) {
        Seams::MsgBox(GetText(451) + CRLF + CRLF + GetText(452) + QLatin1Char(' ') +
                          FileProc::SizeText(text.size(), false) + CRLF + GetText(453) +
                          QLatin1Char(' ') + FileProc::SizeText(KeyListText::kMaxTextSize, false) +
                          CRLF + CRLF + GetText(454),
                      Buttons::OK, Icon::Exclamation, GetText(13));
        return;
    }

    if (!blnKeyfilePathShown)
        cmdSpecifyKeyfilePath_Click();

    const QString title = commandTitle(cmdEncryptStoredKeys->text());
    // Someone else wrote the keyfile since this list was read or stored: the keys they put
    // there would be lost.
    if (DiskProc::FileExists(strStoredKeysFile) &&
        KeyfileStamp::changedSince(m_keyfileStamp, strStoredKeysFile) &&
        Seams::MsgBox(GetText(65) + CRLF + shown(strStoredKeysFile) + CRLF + GetText(522) + CRLF +
                          CRLF + GetText(523),
                      Buttons::YesNo, Icon::Exclamation, title, 2) != Answer::Yes)
        return;
    if (DiskProc::FileExists(strStoredKeysFile)) {
        if (Seams::MsgBox(GetText(65) + CRLF + shown(strStoredKeysFile) + QLatin1Char(' ') +
                              GetText(66) + CRLF + CRLF + GetText(67),
                          Buttons::YesNo, Icon::None, title) != Answer::Yes)
            return;
        if (Seams::MsgBox(GetText(352), Buttons::YesNo, Icon::None, title) != Answer::Yes)
            return;
    }

    QString cipherKey = AskMasterKey(this, true);
    const Wipe::Guard wipeKey(cipherKey);
    if (cipherKey.isEmpty())
        return;
    // A keyfile written under a master key that never opened it (a new file, another path,
    // a changed master key) could be lost to one mistyped, perhaps concealed, character:
    // the key is typed a second time and must match.
    const QByteArray openedUnder = OpenedUnder(strStoredKeysFile, cipherKey);
    if (openedUnder != m_keyfileOpenedUnder) {
        QString again = AskMasterKey(this, true, true);
        const Wipe::Guard wipeAgain(again);
        if (again.isEmpty())
            return;
        if (again != cipherKey) {
            // Neither typing is offered next time: either may hold the mistake.
            frmKeyFrom::instance().strMasterKeyAsInput.clear();
            Seams::MsgBox(GetText(529), Buttons::OK, Icon::Exclamation, title);
            return;
        }
    }

    QByteArray cipher;
    EncDecMsg::CipherMemory memory;
    const BackgroundWait::Scope wait(title);
    const qint32 r = EncDecMsg::CipherBuffer(text, cipher, cipherKey, true, &memory);
    if (r == EncDecMsg::kCancelled)
        return; // nothing written, the list still counts as not stored
    if (r == EncDecMsg::kOutOfMemory) {
        ReportNoMemory(GetText(581), memory);
        return;
    }
    if (r < 0) {
        Seams::MsgBox(GetText(455), Buttons::OK, Icon::Exclamation, GetText(13));
        return;
    }
    if (r == 0) {
        Seams::MsgBox(GetText(80), Buttons::OK, Icon::Exclamation, GetText(13));
        return;
    }

    // Replaced atomically: a failed write leaves the old keyfile whole, and the list stays
    // marked as not stored, so Quit still offers to store it.
    strFileErrMsg = FileProc::WritePrivateFile(cipher, strStoredKeysFile);
    if (!strFileErrMsg.isEmpty()) {
        Seams::MsgBox(GetText(456) + CRLF + shown(strStoredKeysFile) + CRLF + strFileErrMsg + CRLF +
                          CRLF + GetText(457),
                      Buttons::OK, Icon::Exclamation, GetText(13));
        return;
    }
    m_keyfileStamp = KeyfileStamp::take(strStoredKeysFile);
    m_keyfileOpenedUnder = openedUnder;
    MarkKeyListStored();

    const QString report = n == 1 ? GetText(68) : CountText(n) + QLatin1Char(' ') + GetText(69);
    Seams::MsgBox(report, Buttons::OK, Icon::None, title);
}

void frmMain::GetKeyList() {
    if (!blnKeyfilePathShown)
        cmdSpecifyKeyfilePath_Click();

    const QString path = strStoredKeysFile;
    if (!DiskProc::FileExists(path)) {
        Seams::MsgBox(GetText(353) + CRLF + shown(path) + CRLF + GetText(354), Buttons::OK,
                      Icon::Information, GetText(355));
        cmdAddKey->setFocus();
        return;
    }

    const QString title = commandTitle(cmdDecryptStoredKeys->text());
    if (cboKeys->count() > 0 && Seams::MsgBox(GetText(70) + CRLF + shown(path) + CRLF + GetText(67),
                                              Buttons::YesNo, Icon::None, title) != Answer::Yes)
        return;

    QString cipherKey = AskMasterKey(this, false);
    const Wipe::Guard wipeKey(cipherKey);
    if (cipherKey.isEmpty())
        return;

    // A keyfile decrypts to at most the cipher's buffer; a file far larger than that is no
    // keyfile and is not read into memory.
    if (QFileInfo(path).size() > 2 * qint64(Cipher::kBufferSize)) {
        ReportNotDecrypted(Cipher::kRefused);
        return;
    }
    QByteArray file;
    strFileErrMsg = FileProc::ReadBinaryFile(path, file);
    if (!strFileErrMsg.isEmpty()) {
        Seams::MsgBox(GetText(458) + CRLF + shown(path) + CRLF + strFileErrMsg, Buttons::OK,
                      Icon::Exclamation, GetText(13));
        return;
    }

    // The file may have been replaced by someone else's: a costly work factor is asked
    // about and one above the ceiling refused, both before anything is derived.
    const int workFactor = EncDecMsg::ReceivedWorkFactor(file);
    if (workFactor > Cipher::kMaxWorkFactor) {
        ReportNotDecrypted(Cipher::kRefused);
        return;
    }
    if (workFactor > Cipher::kSilentWorkFactor &&
        !EncDecMsg::AcceptCostlyWorkFactor(workFactor, 574))
        return;

    QByteArray plain;
    const Wipe::Guard wipePlain(plain);
    EncDecMsg::CipherMemory memory;
    const BackgroundWait::Scope wait(title);
    const qint32 r = EncDecMsg::CipherBuffer(file, plain, cipherKey, false, &memory);
    if (r == EncDecMsg::kCancelled)
        return;
    if (r == EncDecMsg::kOutOfMemory) {
        ReportNoMemory(GetText(582), memory);
        return;
    }
    if (r < 0) {
        ReportNotDecrypted(r);
        return;
    }
    // The whole text is checked before the list is touched: a damaged list replaces nothing.
    const KeyListText::ParseResult parsed = KeyListText::ParseKeyListText(plain);
    if (!parsed.ok()) {
        Seams::MsgBox(GetText(450) + CRLF + GetText(72), Buttons::OK, Icon::Exclamation,
                      GetText(13));
        return;
    }

    cboKeys->setUpdatesEnabled(false);
    cboKeys->clear();
    for (const KeyListText::Entry& e : parsed.entries)
        CB_Man::InsertSorted(cboKeys, e.text, e.dateAdded);
    cboKeys->setUpdatesEnabled(true);
    ShowKeys();
    cboKeys->setCurrentIndex(-1);
    ShowKeyCount();
    CB_Man::ResetDeletionStack();
    m_keyfileStamp = KeyfileStamp::take(path);
    m_keyfileOpenedUnder = OpenedUnder(path, cipherKey);
    MarkKeyListStored();

    const qsizetype n = cboKeys->count();
    const QString report = (n == 1 ? GetText(73) : CountText(n) + QLatin1Char(' ') + GetText(74)) +
                           CRLF + CRLF + GetText(371);
    Seams::MsgBox(report, Buttons::OK, Icon::None, title);
    cboKeys->setFocus();
}

void frmMain::cmdSpecifyKeyfilePath_Click() {
    MainWindowPath owner(*this);
    frmSpecifyKeyfilePath dialog(owner, this);
    blnKeyfilePathShown = true;
    Seams::ShowModal(&dialog);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// EncDecMsg: the message path. Packs the text and up to three files into the plaintext
// package, encrypts and armours it, finds an armoured block inside a pasted mail, decrypts
// it and splits the package again.
//
// The package, field by field (→ = TAB):
//   text length → text  then per attached file:  name → content length → content
//   and one closing → (an empty file name, which ends the list of files).
// Lengths are decimal byte counts; text, names and contents are Windows-1252 bytes.
// "Hi" with x.txt holding "abc" gives 2→Hix.txt→3→abc→; nothing at all gives 0→→.
#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

class QRandomGenerator;
namespace KeyDerivation {
class ReadyKey;
}

namespace EncDecMsg {

constexpr int kNumSlots = 3;
// Text plus files of one message, in bytes.
constexpr qint32 kMaxMessageSizeInFullVersion = 102400;
// The fewest characters an armoured block has; shorter stretches are not looked at.
constexpr int kMinArmouredBlockLength = 300;

// The shared state of the message path, owned by the application. Each operation
// overwrites what it produces.
struct State {
    // The package being built, then the input of the encryption.
    QByteArray strPlainPackage;
    // In: the received text as Windows-1252 bytes (Ansi::toAnsi of the clipboard text).
    // After DecryptMessage: the cipher bytes. After EncryptPackage: the armoured text,
    // printable ASCII with CR LF line breaks (put it on the clipboard with Ansi::fromAnsi).
    QByteArray strCipherText;
    // In, optional: the received text as the clipboard gave it. When the block cannot be
    // found or de-armoured, the later tries of FindAndDearmour read it (a cleaned copy, then
    // the armour characters between the markers), which need what only this text keeps:
    // the characters that have no Windows-1252 byte. Empty: those tries read
    // strCipherText.
    QString strReceivedText;
    // After a decryption: what the split left of the package.
    QByteArray strDecryptedPackage;
    // The files of the last decrypted message, one per slot, kept for the Save command. A
    // slot the last message did not fill keeps what an earlier message left there.
    std::array<QByteArray, kNumSlots> strFileContents;
    // The wrap key derived ahead for the next encryption or decryption, when the window
    // keeps one.
    KeyDerivation::ReadyKey* readyKey = nullptr;
    // The size limit every check uses; the self-test may lower it.
    qint32 lngMaxMessageSize = kMaxMessageSizeInFullVersion;

    // Self-test: while blnTest is set, decryption takes strRandomKey (as typed) instead of
    // the selected key, and stores the decrypted text in strTestText2; encryption does not
    // report success. Every failure reported stores its text in strTestErrMsg.
    bool blnTest = false;
    QString strRandomKey;
    QString strTestText2;
    QString strTestErrMsg;
};

// What the message path reads from and writes to the main window. The window implements
// it over its controls; nothing here touches a widget.
class MessageWindow {
public:
    virtual ~MessageWindow() = default;

    // The text box, as shown.
    virtual QString text() const = 0;
    // The path typed or chosen in attached-file slot 0..2, as it stands (it is trimmed
    // here); empty for an empty slot.
    virtual QString slotPath(int slot) const = 0;
    // The selected entry of the key list, or empty when none is selected.
    virtual QString selectedKeyEntry() const = 0;

    // A decryption puts the received text into the text box. Called once per successful
    // decryption, and also when the package breaks after its text portion.
    virtual void showDecryptedText(const QString& text) = 0;
    // A received file: the slot shows name, its size label shows FileProc::KBText(size)
    // and becomes visible, and its Save button is enabled. The contents are already in
    // State::strFileContents[slot]. name comes from the sender: the Save command must
    // offer only its part after the last folder separator.
    virtual void showReceivedFile(int slot, const QString& name, qint32 size) = 0;
    // Self-test only: switch to decrypt mode as if the user had chosen it.
    virtual void selectDecryptMode() = 0;
};

// ---- the commands' entry points -----------------------------------------------------

// Builds the package from the window's text and slots, checks it and encrypts it under
// the selected key. > 0: the length of the armoured text now in strCipherText; 0 or
// negative: nothing was produced, and the user has been told why.
qint32 PackAndEncryptMessage(State& state, const MessageWindow& window);

// Encrypts strPlainPackage under key (the extended reduced key) and armours it into
// strCipherText. Same result convention as PackAndEncryptMessage.
qint32 EncryptPackage(State& state, const QString& key);

// Decrypts the armoured block found in strCipherText under the selected key (the random
// key during the self-test) and hands the text and the files to the window. False when
// anything failed; the user has been told what. Nothing in the window changes unless the
// message decrypted.
bool DecryptMessage(State& state, MessageWindow& window);

// ---- building blocks ---------------------------------------------------------------

// Encrypts (encrypt true) or decrypts input under key, which is handed to the cipher as
// Windows-1252. > 0: output holds that many bytes. Otherwise output is empty and the
// result is the cipher's code, or one of CipherBuffer's own:
//   kOutOfMemory    not enough memory for the key derivation (memory, when given, says
//                   whether the check before it refused, and with which figures)
//   kRunTimeFailure another failure
//   kCancelled      the user cancelled the wait for the key derivation
// The key is derived on a worker thread while the window stays responsive (a progress
// window with Cancel shows after a moment). A file asking for a work factor above the
// ceiling is refused (Cipher::kRefused) before anything is derived; one between the silent
// limit and the ceiling is derived: asking the user is for the caller.
struct CipherMemory {
    bool refused = false; // the memory check refused before the derivation
    qint64 needed = 0;
    qint64 available = -1;
};
// ready: a derivation made ahead for key (and, when decrypting, for the input's salt and work
// factor) is taken from it and used; any other it holds is dropped, and one of its
// derivations still under way ends before this call derives.
qint32 CipherBuffer(const QByteArray& input, QByteArray& output, const QString& key, bool encrypt,
                    CipherMemory* memory = nullptr, KeyDerivation::ReadyKey* ready = nullptr);
constexpr qint32 kOutOfMemory = -107;
constexpr qint32 kRunTimeFailure = -108;
constexpr qint32 kCancelled = -109;

// The work factor a received cipher text asks for, when its header can be read (0
// otherwise: the decryption then reports what is wrong without deriving anything).
int ReceivedWorkFactor(const QByteArray& cipherBytes);

// The lines naming what a refused derivation needed and what was free.
QString MemoryLines(const CipherMemory& memory);

// The report of a received file whose work factor is above the ceiling.
QString WorkFactorRefusedText(int log2N);

// Asks whether to derive a key at a work factor above the silent limit (19 or 20), naming
// its memory and rough time; prompt is the text number that says what asks for it. No is
// the default.
bool AcceptCostlyWorkFactor(int log2N, int prompt);

// The key part of a key-list entry: the text after the first "»", without surrounding
// spaces; an entry without "»" is used whole.
QString CurrentKey(const QString& keyEntry);

// s without leading and trailing spaces (other white space stays).
QString TrimSpaces(const QString& s);

// Word-like random text without line breaks, none of whose characters can be part of an
// armoured block. Draws its seed from rng.
QString RandomText(QRandomGenerator& rng);

// The length of a text as the size limit counts it and the text box label shows it: the
// characters sent, a line break (CR LF) two, a character of two UTF-16 units one.
qint64 MessageLength(const QString& text);

// The size-limit report: message, an empty line and the limit sentence.
void TooLargeErrMsg(const State& state, const QString& message);

// True when code (a Windows-1252 byte value) may occur in an armoured block. A cipher
// library that has not been started is fatal: the program reports it and ends.
bool IsArmourCharacter(int code);

// Trims the control characters (code 32 and below) off both ends of text in place and
// returns the first stretch of at least 300 armour characters and single line breaks in
// it, with CR LF line breaks and trimmed, or empty when there is none. A stretch starts at
// the start of the text, at the start of the line after a shorter stretch or a rejected
// character, after an empty line, or after a rejected character at the start of a scan.
// Linear in the length of text.
using ArmourTest = bool (*)(int code);
QByteArray FindArmouredBlock(QByteArray& text, ArmourTest isArmour = IsArmourCharacter);

// What the search made of a received mail.
struct Dearmoured {
    bool found = false; // a block was found
    qint32 r = 0;       // dcob's result when found
    QByteArray cipher;  // the cipher bytes when r > 0
};

// Tries at a received mail, each only when the ones before gave no cipher bytes:
// FindArmouredBlock over received as it is; over a copy cleaned of what mail programs do to
// lines (quote marks, indentation, blank lines); the armour characters between the markers,
// whatever else stands there; then the block as one column of a layout
// (MailColumns::ColumnReadings), the HTML around the markers as text (MailHtml), and each
// text part of a message source (MailSource), each of those read by the searches before.
// Only a block whose transport checksum verifies is ever taken. receivedText is the mail as
// the clipboard gave it, or empty to read received as Windows-1252. When all fail, the first
// try's result is returned, so the failure reported is the one the text as received gives.
// Linear in the length of the text.
Dearmoured FindAndDearmour(const QByteArray& received, const QString& receivedText);

// Control characters off both ends, and every line break made CR LF.
QByteArray TrimControlCharacters(const QByteArray& text);
QByteArray NormaliseLineBreaks(const QByteArray& text);

// ---- the package -------------------------------------------------------------------

struct PackagedFile {
    QByteArray name;
    QByteArray contents;
};

// The file name a slot path contributes: the part after its last "\" or "/".
QString FileNameOfPath(const QString& path);

QByteArray BuildPackage(const QByteArray& text, const QList<PackagedFile>& files);

// What a package holds, read as far as it goes. errorCode 0: read completely. Otherwise:
//   -1       no TAB at all
//   -2       the text length field is not a length (sign, letters, longer than the rest)
//   10i + 1  no TAB where file i's name should end (1 = nothing after the text portion)
//   10i + 2  no TAB after file i's length field
//   10i + 3  file i's length field is not a length
// text is set once the text portion was read; files holds the files read whole, in slot
// order (at most three: whatever follows the third file is not looked at); rest is the
// part of the package after the last field read.
struct SplitPackage {
    int errorCode = 0;
    std::optional<QByteArray> text;
    QList<PackagedFile> files;
    QByteArray rest;
};
SplitPackage SplitDecryptedPackage(const QByteArray& package);

} // namespace EncDecMsg

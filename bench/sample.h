// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The data every benchmark of the message path works on, the same bytes for the program and
// for the peers it is compared with.
#include "message/encdecmsg.h"

#include <QByteArray>
#include <QString>

namespace Bench {

// The key as a user types it, the key-list entry that holds it, and the bytes the program
// hands to the cipher for it (the extended reduced key in Windows-1252). Those bytes are
// also the passphrase typed at age and given to gpg.
QString typedKey();
QString keyEntry();
QByteArray cipherKey();

// The largest message the program sends: 102,400 bytes of content (a text of 40,960
// characters with CR LF line breaks and three files of 30,720, 20,480 and 10,240 bytes,
// two of them random and one text).
QByteArray largestText();
QList<EncDecMsg::PackagedFile> largestFiles();
QByteArray largestPackage();

// A received mail as the clipboard holds it: a greeting, the armoured block and a
// signature, with empty lines between.
QByteArray inMail(const QByteArray& armoured);

// Clipboard text of about size bytes that makes the block search work hard, with the
// armoured block at its very end: long runs in which every character is one that cannot
// be armour (every such byte value, control characters included), and thousands of short
// stretches of armour lines that come close to the minimum block length without reaching
// it. No stretch before the block is long enough to be taken for it.
QByteArray adversarialClipboard(int size, const QByteArray& armoured);

// Word-like Windows-1252 text with CR LF line breaks, size bytes long.
QByteArray letterText(int size, unsigned seed);

// size random bytes.
QByteArray randomBytes(int size, unsigned seed);

} // namespace Bench

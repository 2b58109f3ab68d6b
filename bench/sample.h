#pragma once
// The data every benchmark of the message path works on, the same bytes for the program and
// for the peers it is compared with.
#include <QByteArray>

namespace Bench {

// The extended reduced key (64 characters) that every message is encrypted under; its bytes
// are also the passphrase typed at age and given to gpg.
QByteArray messageKey();

// The largest message the program sends: 102,400 bytes of content (a text of 40,960
// characters with CR LF line breaks and three files of 30,720, 20,480 and 10,240 bytes,
// two of them random and one text), packed with names and lengths.
QByteArray largestPackage();

// Word-like Windows-1252 text with CR LF line breaks, size bytes long.
QByteArray letterText(int size, unsigned seed);

// size random bytes.
QByteArray randomBytes(int size, unsigned seed);

} // namespace Bench

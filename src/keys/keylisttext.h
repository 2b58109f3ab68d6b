// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The key-list text: the plaintext of the keyfile. One record per key entry, in list order:
//
//   entry → date added →        (→ = TAB)
//
// entry is the key entry as the list shows it (target « date » key), date added its Julian
// Day Number in decimal ("-" in front when negative). Nothing comes before the first record
// or after the last TAB. The text is Windows-1252; there is no escaping, which is why the
// key entry dialog refuses TAB and line breaks.
//
// The parser takes the decrypted bytes of a keyfile, which come from outside: it accepts a
// text only when every byte of it belongs to a complete record, and otherwise reports where
// the first fault lies and returns no entries.
#include "backends/cipher/cipher.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace KeyListText {

struct Entry {
    QString text;         // the key entry, never empty, never containing a TAB
    qint32 dateAdded = 0; // Julian Day Number
    bool operator==(const Entry&) const = default;
};

enum class Error {
    None,
    Empty,        // no record at all
    MissingTab,   // the text ends inside a record (entry or date not closed by a TAB)
    EmptyEntry,   // a record whose entry is empty
    BadDateAdded, // the date field is not [-]digits within 32 bits
};

struct ParseResult {
    QList<Entry> entries; // empty unless error is None
    Error error = Error::None;
    qsizetype errorRecord = -1; // 0-based record the fault lies in
    qsizetype errorOffset = -1; // byte offset at which that record starts
    bool ok() const { return error == Error::None; }
};

// Reads a whole key-list text. Total: any bytes give either all entries in file order or an
// error. Leading zeros in a date are accepted; entries may hold any byte but TAB.
ParseResult ParseKeyListText(const QByteArray& text);

// The key-list text of entries, in the given order. Entries must not contain TAB, and every
// character must have a Windows-1252 byte (the key entry dialog guarantees both); an empty
// list gives an empty text.
QByteArray FormatKeyListText(const QList<Entry>& entries);

// The longest key-list text a keyfile can hold: the encrypted file must fit the cipher's
// buffer, and the age header, payload nonce and one 16-byte tag per 64 KiB chunk take well
// under 1 KiB of it. Any text up to this size is stored and read back whole.
constexpr qsizetype kMaxTextSize = Cipher::kBufferSize - 1024;

} // namespace KeyListText

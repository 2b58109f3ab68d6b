// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Rules of the key entry dialog that need no window: which characters its boxes take, the
// clean-up of an accepted key, and the texts it composes.
#include <QString>

namespace KeyEntry {

enum class Refusal {
    None,
    Delimiter,        // "&", "«", "»": they separate the parts of a key entry and captions
    ControlCharacter, // TAB, line breaks: they would split the keyfile's records
    NotInCodePage,    // would be stored as "?" and so silently change the key
};

Refusal CharRefusal(QChar c);
inline bool CharIsAllowed(QChar c) {
    return CharRefusal(c) == Refusal::None;
}

// The first character of text that a key entry box refuses (two code units for a character
// outside the basic plane), or empty when all are allowed.
QString FirstRefusedCharacter(const QString& text);

// The message for a refused character as returned by FirstRefusedCharacter.
QString RefusalMessage(const QString& character);

// Leading and trailing spaces removed; only code 32 counts, since a non-breaking space or
// any other character is part of the key.
QString TrimSpaces(const QString& s);

// The key as accepted: trimmed, and every run of spaces shrunk to one. The reduced key, and
// so the cipher key and the checksum, stay the same.
QString CleanedKey(const QString& key);

// The prompt above the key box; again: the master key asked a second time for comparison.
QString KeyPrompt(bool masterMode, bool checksumShown, bool again = false);

// The checksum label: its caption, a space and the four digits.
QString ChecksumCaption(int checksum);

// A command caption as a window title: "&&" becomes andText, a lone "&" (access key mark)
// is dropped.
QString CaptionAsTitle(const QString& caption, const QString& andText);

// The dialog's title: the caption of the command that opened it.
QString DialogCaption(bool encryptingKeyList, bool decryptingKeyList);

} // namespace KeyEntry

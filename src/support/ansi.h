// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The single-byte code page of the program: Windows-1252. Every conversion between
// text and bytes (keys, key lists, messages, text files) goes through here, so that
// checksums and keyfiles agree between copies of the program.
#include <QByteArray>
#include <QList>
#include <QString>

namespace Ansi {

// Bytes -> text. Total: every byte maps to one character, and toAnsi() maps it back.
// The five bytes Windows-1252 leaves undefined map to the C1 control of the same value.
QString fromAnsi(const QByteArray& bytes);

// Text -> bytes. A character the code page lacks becomes one "?", also one beyond the first
// 65,536 characters (two UTF-16 units, such as an emoji).
QByteArray toAnsi(const QString& text);

// How many bytes toAnsi gives for text: its characters, a surrogate pair counting as one.
qsizetype ansiLength(const QString& text);

// True when the character has a Windows-1252 byte (and so survives toAnsi unchanged).
bool isAnsi(QChar c);

// The characters of text that would arrive as "?", in order, every occurrence (a surrogate
// pair as one character, a lone surrogate as itself).
QList<char32_t> unrepresentableCharacters(const QString& text);

// How many characters of text would arrive as "?".
int unrepresentableCount(const QString& text);

// The byte of a representable character, or '?' otherwise.
unsigned char toAnsiByte(QChar c);

} // namespace Ansi

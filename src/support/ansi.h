#pragma once
// The single-byte code page of the program: Windows-1252. Every conversion between
// text and bytes (keys, key lists, messages, text files) goes through here, so that
// checksums and keyfiles agree between copies of the program.
#include <QByteArray>
#include <QString>

namespace Ansi {

// Bytes -> text. Total: every byte maps to one character, and toAnsi() maps it back.
// The five bytes Windows-1252 leaves undefined map to the C1 control of the same value.
QString fromAnsi(const QByteArray& bytes);

// Text -> bytes. A character the code page lacks becomes "?".
QByteArray toAnsi(const QString& text);

// True when the character has a Windows-1252 byte (and so survives toAnsi unchanged).
bool isAnsi(QChar c);

// How many characters of text would arrive as "?".
int unrepresentableCount(const QString& text);

// The byte of a representable character, or '?' otherwise.
unsigned char toAnsiByte(QChar c);

} // namespace Ansi

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Rules that turn a typed key into the forms the program works with.
//   reduced key:          characters of code 32 or below dropped, upper case
//   extended reduced key: the reduced key repeated and cut to exactly 64 characters;
//                         the only form handed to the cipher
//   checksum:             1001..9999 from the MD5 of the reduced key, read aloud by two
//                         people to confirm they typed the same key
#include <QByteArray>
#include <QString>

namespace KeyRules {

constexpr int kMinKeyLength = 16;
constexpr int kMaxKeyLength = 64;
constexpr int kExtendedLength = 64;

QString ReducedKey(const QString& keyAsInput);
bool KeyIsAdmissible(const QString& key, int minKeyLength = kMinKeyLength);
// Empty when the reduced key is empty (it cannot be extended).
QString ExtendedReducedKey(const QString& keyAsInput);
// The 16 digest bytes of the first n characters of text in Windows-1252.
QByteArray MD5OfText(const QString& text, int n);
// Checksum of a reduced key; digestOut, when given, receives its MD5 digest.
int KeyChecksum(const QString& reducedKey, QByteArray* digestOut = nullptr);

// Upper case as Windows does it for the code page: a letter changes only when its
// capital is a single Windows-1252 character (é -> É, but ß and µ stay).
QString AnsiUpper(const QString& s);

} // namespace KeyRules

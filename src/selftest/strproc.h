// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Random keys, texts, file contents and file names for the self-test, all drawn from one
// program-wide pseudo-random generator. The test does not depend on the sequence; seeding
// only keeps successive runs from repeating each other.
#include <QByteArray>
#include <QString>

namespace StrProc {

// The next number of the program's generator, in [0, 1).
double Rnd();

// Seeds the generator from the clock (start-up, and each time the self-test window becomes
// active).
void Randomize();
// Seeds the generator with a fixed value, so that a test can repeat a sequence.
void Randomize(quint32 seed);

// Between least and greatest + 1 characters (the upper bound is reached when the draw
// rounds up): letters, lower-case vowels with and without accents, and spaces (one in six),
// trimmed of spaces, first character in upper case, so the result can come out shorter.
// Repetitive: built from slices of its own first 4,096 characters, the way real text
// repeats itself. Empty when greatest is 0.
QString RandomCharacters(int least, int greatest, bool repetitive);

// Between least and greatest + 1 bytes with codes low to high; repetitive as above.
// Neither trimmed nor given a special case for greatest 0.
QByteArray RandomBytes(int least, int greatest, int low, int high, bool repetitive);

// A pronounceable name of 3, 5 or 7 lower-case letters (consonant, vowel, ..., consonant),
// followed by "." and one of the extensions when the list is not empty.
QString RandomFileName(const QString& extensions);

// One of the three-letter extensions packed one after another in list ("zipdoctxt").
QString RandomExtension(const QString& list);

} // namespace StrProc

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text-table library: loads the numbered program texts and looks them up.
//
// File format (UTF-8): one text per line, "number<TAB>language<TAB>text", language "en"
// or "de". Lines that are empty or start with "#" are comments. In the text, "\n" stands
// for a line break (CR LF), "\t" for a TAB and "\\" for a backslash. Every number needs
// both languages.
#include <QByteArray>
#include <QString>

namespace TextTable {

constexpr int kMaxTextLength = 1024;
constexpr int kMaxFileBytes = 4 * 1024 * 1024;

// Loads the table from fullPath, replacing any loaded one only on success.
// > 0: number of texts loaded. Failures:
//   -1 cannot open; -3 too much text; -4 a line is not "number TAB en|de TAB text" or
//   the file is not UTF-8; -6 empty file; -7 read error;
//   -500-n missing language for the number first seen at line n;
//   -1000-n string too long at line n; -1500-n duplicate at line n.
// Line numbers too large for their range (over 500 for the first two) give -5;
// lastLineFailure() still names the line then.
int lt(const QString& fullPath, int reserved);

// What the last lt or loadFromBytes stopped at, when it stopped at a line: the kind of
// fault and the line number, whether or not the result code could carry it.
struct LineFailure {
    enum Kind { None, MissingString, StringTooLong, Duplicate };
    Kind kind = None;
    int line = 0;
};
LineFailure lastLineFailure();

// As lt, from the file's bytes (the parser behind lt).
int loadFromBytes(const QByteArray& bytes);

// Looks text number up in language (0 English, 1 German; any other index answers
// English). Copies at most bufferSize characters into buffer and returns the text's
// length, or 0 when there is no such text.
int gt(int number, int language, QString& buffer, int bufferSize, int startupCompleted);

} // namespace TextTable

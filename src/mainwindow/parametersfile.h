// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parameters file tsm.usr: two double-quoted lines, each ending in CR LF, the keyfile
// path and the language number (0 English, 1 German):
//     "/home/ann/.local/share/Tessamail/tsm.dat"
//     "1"
// A file in exactly that layout is read by it, so any path comes back whole. Other files
// (also three or more quoted lines) are read field by field: fields may also be separated by
// commas; unquoted fields are read up to the next comma or line break. The file is outside input:
// parse() accepts any bytes.
#include <QByteArray>
#include <QString>
#include <optional>

namespace ParametersFile {

// Larger files are not parameters files; they are refused without being read whole.
constexpr qint64 kMaxFileSize = 64 * 1024;

struct Parameters {
    QString keyfilePath;
    int language = 0; // 0 English, 1 German
    bool operator==(const Parameters&) const = default;
};

// Both fields, or nothing when the file holds fewer than two fields or an empty path.
// The language is the value of the second field's leading digits; anything but 1 (German)
// reads as English. The text is Windows-1252, or UTF-8 when it starts with the UTF-8 mark.
std::optional<Parameters> parse(const QByteArray& contents);

// The file's bytes: Windows-1252 when the path can be written in it (as older files were),
// otherwise UTF-8 behind the UTF-8 mark, so that no character of the path is lost.
QByteArray format(const Parameters& parameters);

// The numeric value of the leading digits of field ("12abc" -> 12, "x" -> 0), as a 16-bit
// number would hold it; out-of-range values give 0.
int leadingNumber(const QString& field);

} // namespace ParametersFile

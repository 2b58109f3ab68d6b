// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Size texts and whole-file reading and writing. Functions that can fail return an error
// text, empty on success; nothing throws.
#include <QByteArray>
#include <QString>

namespace FileProc {

// "1,234 Bytes" / "1,234 bytes" with the locale's digit grouping. Sizes are 64-bit: a
// file or a total of several can pass 2 GB.
QString BytesText(qint64 n, bool capitalised);
// Kilobytes rounded up: "0 KB", "1 KB" for 1..1,024, "2 KB" for 1,025.
QString KBText(qint64 n);
// "102,400 bytes (100 KB)".
QString SizeText(qint64 n, bool capitalised);

// Reads a Windows-1252 text file whole, line breaks as they are. A missing file shows
// "File Not Found" (critical icon) and returns empty; ok, when given, tells whether the
// file was read, and errorText receives the reason when an existing file could not be.
QString ReadTextFile(const QString& path, bool* ok = nullptr, QString* errorText = nullptr);
// Writes text in Windows-1252 followed by CR LF; quoted when printForm is false. Appends
// when append is true; otherwise replaces the file atomically.
QString WriteTextFile(const QString& text, const QString& path, bool printForm, bool append);

// Replaces the file atomically (support/fullwrite.h): a failed write leaves an existing file
// as it was.
QString WriteBinaryFile(const QByteArray& contents, const QString& path);
// As WriteBinaryFile, and the file is readable and writable by its owner only, also when it
// existed before with wider permissions: for files that hold keys or settings.
QString WritePrivateFile(const QByteArray& contents, const QString& path);
// True when the file at path holds exactly contents and only its owner may read or write
// it: WritePrivateFile would change nothing.
bool HoldsPrivately(const QString& path, const QByteArray& contents);
// "File not found" when missing (contents untouched).
QString ReadBinaryFile(const QString& path, QByteArray& contents);

} // namespace FileProc

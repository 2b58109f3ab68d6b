// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File tests, copies and drives.
#include <QString>

namespace DiskProc {

bool FileExists(const QString& path); // a file, not a folder
// False with the system's reason in errorText when it fails. Without overwrite an existing
// target is refused; with it the target is replaced atomically, so a failed copy leaves it
// as it was. The program copies only keyfiles: the copy is readable by its owner only.
bool CopyFile(const QString& source, const QString& target, QString& errorText, bool overwrite);
// The first fixed drive ("C:") on Windows. Other systems have no drive letters: the
// user's home folder stands in, so the program starts there and DataFilePath falls back
// to it.
QString FirstFixedDrive();

} // namespace DiskProc

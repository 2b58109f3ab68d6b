#pragma once
// File tests, copies and drives.
#include <QString>

namespace DiskProc {

bool FileExists(const QString& path); // a file, not a folder
bool CopyFile(const QString& source, const QString& target, QString& errorText, bool overwrite);
// Linux has no drive letters: the user's home folder stands in for the first fixed drive.
QString FirstFixedDrive();

} // namespace DiskProc

#pragma once
// Special folders and the per-user data folder.
#include <QString>

namespace Folder {

constexpr int kAppDataFolder = 26; // the per-user application-data folder

// Path of a special folder (26: QStandardPaths' generic data location), or empty.
QString SpecialFolderPath(int number);
bool FolderExists(const QString& path);
// base/folderName/fileName where base is the application-data folder (or the first fixed
// drive); creates the folder when missing.
QString DataFilePath(const QString& fileName, const QString& folderName);

// Tests point the application-data folder elsewhere; empty restores the real one.
void setAppDataOverride(const QString& path);

} // namespace Folder

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Special folders and the per-user data folder.
#include <QString>

namespace Folder {

constexpr int kAppDataFolder = 26; // the per-user application-data folder

// Path of a special folder, or empty. Only the application-data folder is used; it is
// QStandardPaths' generic data location (~/.local/share, the per-user AppData folder on
// Windows), which QStandardPaths' test mode redirects. Other numbers give empty.
QString SpecialFolderPath(int number);
bool FolderExists(const QString& path);
// base/folderName/fileName where base is the application-data folder (or the first fixed
// drive); creates the folder, and base with it, when missing. The folder is kept private:
// read, write and open for its owner only.
QString DataFilePath(const QString& fileName, const QString& folderName);

// Tests point the application-data folder elsewhere; empty restores the real one.
void setAppDataOverride(const QString& path);

} // namespace Folder

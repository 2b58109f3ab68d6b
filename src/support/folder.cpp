// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/folder.h"

#include "support/diskproc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace Folder {
namespace {
QString g_appDataOverride;
} // namespace

QString SpecialFolderPath(int number) {
    if (number != kAppDataFolder)
        return QString();
    if (!g_appDataOverride.isEmpty())
        return g_appDataOverride;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

bool FolderExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString DataFilePath(const QString& fileName, const QString& folderName) {
    QString base = SpecialFolderPath(kAppDataFolder);
    if (base.isEmpty())
        base = DiskProc::FirstFixedDrive();
    const QString folder = QDir(base).filePath(folderName);
    // The keyfile lives here: other users of the machine must not be able to copy it and
    // guess the master key offline. A folder left open by an older version is closed too.
    const QFileDevice::Permissions ownerOnly =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    if (!FolderExists(folder)) {
        // On a fresh account even the base folder may be missing.
        QDir().mkpath(base);
        QDir().mkdir(folder, ownerOnly);
    } else if (QFile::permissions(folder) & ~(ownerOnly | QFileDevice::ReadUser |
                                              QFileDevice::WriteUser | QFileDevice::ExeUser)) {
        QFile::setPermissions(folder, ownerOnly);
    }
    return QDir(folder).filePath(fileName);
}

void setAppDataOverride(const QString& path) {
    g_appDataOverride = path;
}

} // namespace Folder

#include "support/folder.h"

#include "support/diskproc.h"

#include <QDir>
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
    // The whole path: on a fresh account even the data folder itself may be missing.
    if (!FolderExists(folder))
        QDir().mkpath(folder);
    return QDir(folder).filePath(fileName);
}

void setAppDataOverride(const QString& path) {
    g_appDataOverride = path;
}

} // namespace Folder

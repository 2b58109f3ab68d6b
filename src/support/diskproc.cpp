// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/diskproc.h"

#include "support/fullwrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#undef CopyFile // windows.h would rename ours to CopyFileW
#endif

namespace DiskProc {

bool FileExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

bool CopyFile(const QString& source, const QString& target, QString& errorText, bool overwrite) {
    errorText.clear();
    if (!overwrite && QFileInfo::exists(target)) {
        errorText = QStringLiteral("Destination file exists");
        return false;
    }
    // The files copied are keyfiles, a few hundred kilobytes at most.
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        errorText = in.errorString();
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        errorText = in.errorString();
        return false;
    }
    errorText = FullWrite::replaceFile(target, bytes, FullWrite::Access::Private);
    return errorText.isEmpty();
}

QString FirstFixedDrive() {
#ifdef Q_OS_WIN
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        const wchar_t root[] = {letter, L':', L'\\', 0};
        if (GetDriveTypeW(root) == DRIVE_FIXED)
            return QString(QChar(letter)) + QLatin1Char(':');
    }
    return QString();
#else
    // No drive letters here: the home folder is where a user's files live, and it is the
    // folder the program starts in and falls back to when there is no data folder.
    return QDir::homePath();
#endif
}

} // namespace DiskProc

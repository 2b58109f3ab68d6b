#include "support/diskproc.h"

#include "support/fullwrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    if (!overwrite) {
        QFile file(source);
        if (file.copy(target))
            return true;
        errorText = file.errorString();
        return false;
    }
    // Replacing: the copy goes to a temporary file that takes the target's place only when
    // it is complete, so a failed copy never destroys the file it was to replace.
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        errorText = in.errorString();
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        errorText = out.errorString();
        return false;
    }
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            errorText = in.errorString();
            out.cancelWriting();
            return false;
        }
        if (n == 0)
            break;
        if (!FullWrite::writeAll(out, buffer, n)) {
            errorText = out.errorString();
            out.cancelWriting();
            return false;
        }
    }
    if (!FullWrite::flushAll(out)) {
        errorText = out.errorString();
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) {
        errorText = out.errorString();
        return false;
    }
    return true;
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

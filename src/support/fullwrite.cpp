// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fullwrite.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace FullWrite {
namespace {

std::filesystem::path nativePath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Asks the system to put the file's data on the disk before it takes the old file's place;
// without it a power loss right after the rename can leave an empty file.
bool syncFile(QFile& file) {
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#else
    Q_UNUSED(file);
    return true;
#endif
}

// The rename lives in the folder's entries; they reach the disk only when the folder is
// synced. A file system that cannot sync folders has nothing more to offer, so a failure
// here is not reported: the new file is in place either way.
void syncFolder(const QString& path) {
#ifdef Q_OS_UNIX
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
#else
    Q_UNUSED(path);
#endif
}

QString writeTemp(QFile& file, QByteArrayView bytes, QFileDevice::Permissions permissions,
                  bool setPermissions) {
    // NewOnly: the name was just removed, so a file found there now was put there by someone
    // else (a link to another file); it is refused, never written through.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered, permissions))
        return file.errorString();
    if (setPermissions && !file.setPermissions(permissions))
        return file.errorString();
    if (!writeAll(file, bytes.data(), bytes.size()) || !flushAll(file))
        return file.errorString();
    if (!syncFile(file))
        return QString::fromLocal8Bit(std::strerror(errno));
    file.close();
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    return QString();
}

} // namespace

bool writeAll(QFileDevice& file, const char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.write(data + done, size - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool flushAll(QFileDevice& file) {
    for (;;) {
        const qint64 pending = file.bytesToWrite();
        if (file.flush())
            return true;
        if (file.bytesToWrite() >= pending)
            return false; // no progress: the last attempt carries the reason
    }
}

QString tempPathFor(const QString& path) {
    return path + QStringLiteral(".tsm-tmp");
}

std::optional<QString> finalFile(const QString& linkOrPath) {
    // The system gives up after 40 links in a row; so does this.
    QString path = linkOrPath;
    for (int links = 0; links <= 40; ++links) {
        const QFileInfo info(path);
        if (!info.isSymLink())
            return path;
        path = info.symLinkTarget(); // one step, absolute
    }
    return std::nullopt;
}

QString replaceFile(const QString& linkOrPath, QByteArrayView bytes, Access access) {
    // A keyfile reached through links (into a synced folder, say) is replaced where it
    // lies, at the end of the chain; every link stays.
    const std::optional<QString> resolved = finalFile(linkOrPath);
    if (!resolved)
        return QString::fromLocal8Bit(std::strerror(ELOOP));
    const QString path = *resolved;
    const QString temp = tempPathFor(path);
    // A leftover of a write that was cut short; it may hold an older copy of the contents.
    QFile::remove(temp);

    const QFileDevice::Permissions privateOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                           QFileDevice::ReadOther | QFileDevice::WriteOther;
    bool setPermissions = false;
    if (access == Access::Private) {
        permissions = privateOnly;
        setPermissions = true;
    } else if (QFileInfo::exists(path)) {
        permissions = QFile::permissions(path);
        setPermissions = true;
    }

    QFile file(temp);
    QString error = writeTemp(file, bytes, permissions, setPermissions);
    if (error.isEmpty()) {
        std::error_code ec;
        std::filesystem::rename(nativePath(temp), nativePath(path), ec);
        if (!ec) {
            syncFolder(path);
            return QString();
        }
        error = QString::fromLocal8Bit(ec.message());
    }
    file.close();
    QFile::remove(temp);
    return error;
}

} // namespace FullWrite

// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/systemmemory.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <algorithm>
#include <limits>

namespace SystemMemory {

namespace {

std::optional<qint64> g_forTests;

// Kernel files report a size of 0; read them to their end, but never without bound.
QByteArray readSmallFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(1 << 20);
}

// The value after key on a "key value" or "key: value kB" line.
std::optional<qint64> numberAfter(const QByteArray& text, const QByteArray& key) {
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2 || fields[0] != key)
            continue;
        bool ok = false;
        const qint64 n = fields[1].toLongLong(&ok);
        if (!ok || n < 0)
            return std::nullopt;
        return n;
    }
    return std::nullopt;
}

// Folder of the group inside the mounted hierarchy, or empty when the group lies outside
// what is mounted.
QString groupFolder(const Mount& mount, const QString& group) {
    QString rest = group;
    if (mount.root != QLatin1String("/")) {
        if (rest != mount.root && !rest.startsWith(mount.root + QLatin1Char('/')))
            return {};
        rest = rest.mid(mount.root.size());
    }
    const QString folder = QDir::cleanPath(mount.mountPoint + QLatin1Char('/') + rest);
    if (folder != mount.mountPoint && !folder.startsWith(mount.mountPoint + QLatin1Char('/')))
        return {}; // ".." in a path must not lead out of the hierarchy
    return folder;
}

// The least headroom of the group and every group above it up to the mount point: a limit
// on a parent binds its children too.
std::optional<qint64> groupHeadroom(bool v2) {
    const std::optional<QString> group =
        ownGroup(readSmallFile(QStringLiteral("/proc/self/cgroup")), v2);
    const std::optional<Mount> mount =
        hierarchyMount(readSmallFile(QStringLiteral("/proc/self/mountinfo")), v2);
    if (!group || !mount)
        return std::nullopt;
    QString folder = groupFolder(*mount, *group);
    if (folder.isEmpty())
        return std::nullopt;
    const QString limitFile =
        v2 ? QStringLiteral("memory.max") : QStringLiteral("memory.limit_in_bytes");
    const QString usageFile =
        v2 ? QStringLiteral("memory.current") : QStringLiteral("memory.usage_in_bytes");
    std::optional<qint64> least;
    for (;;) {
        const QString base = folder + QLatin1Char('/');
        const std::optional<qint64> h =
            headroom(readSmallFile(base + limitFile), readSmallFile(base + usageFile),
                     readSmallFile(base + QStringLiteral("memory.stat")), v2);
        if (h)
            least = least ? std::min(*least, *h) : *h;
        if (folder.size() <= mount->mountPoint.size())
            break;
        folder = folder.left(folder.lastIndexOf(QLatin1Char('/')));
        if (folder.size() < mount->mountPoint.size())
            break;
    }
    return least;
}

} // namespace

std::optional<qint64> memAvailable(const QByteArray& meminfo) {
    const std::optional<qint64> kB = numberAfter(meminfo, "MemAvailable:");
    if (!kB || *kB > std::numeric_limits<qint64>::max() / 1024)
        return std::nullopt;
    return *kB * 1024;
}

std::optional<QString> ownGroup(const QByteArray& procSelfCgroup, bool v2) {
    for (const QByteArray& line : procSelfCgroup.split('\n')) {
        // hierarchy-ID:controller-list:path; the path may itself hold colons.
        const qsizetype first = line.indexOf(':');
        const qsizetype second = first < 0 ? -1 : line.indexOf(':', first + 1);
        if (second < 0)
            continue;
        const QByteArray id = line.left(first);
        const QList<QByteArray> controllers = line.mid(first + 1, second - first - 1).split(',');
        const QString path = QString::fromUtf8(line.mid(second + 1));
        if (!path.startsWith(QLatin1Char('/')))
            continue;
        if (v2 ? (id == "0" && controllers == QList<QByteArray>{QByteArray()})
               : controllers.contains("memory"))
            return path;
    }
    return std::nullopt;
}

std::optional<Mount> hierarchyMount(const QByteArray& mountinfo, bool v2) {
    for (const QByteArray& line : mountinfo.split('\n')) {
        // id parent major:minor root mount-point options [optional fields] - type source super
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (dash < 6 || dash + 3 > fields.size())
            continue;
        const QByteArray& type = fields[dash + 1];
        if (v2 ? type != "cgroup2"
               : type != "cgroup" || !fields.value(dash + 3).split(',').contains("memory"))
            continue;
        // mountinfo escapes blanks in paths as octal; such mounts are not worth decoding.
        if (fields[3].contains('\\') || fields[4].contains('\\'))
            continue;
        return Mount{QString::fromUtf8(fields[3]), QString::fromUtf8(fields[4])};
    }
    return std::nullopt;
}

std::optional<qint64> byteCount(const QByteArray& text) {
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    if (!ok || n < 0 || n >= (qint64(1) << 60))
        return std::nullopt;
    return n;
}

qint64 reclaimableCache(const QByteArray& memoryStat, bool v2) {
    return numberAfter(memoryStat, v2 ? "inactive_file" : "total_inactive_file").value_or(0);
}

std::optional<qint64> headroom(const QByteArray& limit, const QByteArray& usage,
                               const QByteArray& memoryStat, bool v2) {
    const std::optional<qint64> l = byteCount(limit);
    if (!l)
        return std::nullopt;
    const qint64 used = byteCount(usage).value_or(0);
    const qint64 cache = std::min(used, reclaimableCache(memoryStat, v2));
    return std::max<qint64>(0, *l - (used - cache));
}

qint64 available() {
    if (g_forTests)
        return *g_forTests;
    std::optional<qint64> least = memAvailable(readSmallFile(QStringLiteral("/proc/meminfo")));
    for (const bool v2 : {true, false}) {
        if (const std::optional<qint64> h = groupHeadroom(v2))
            least = least ? std::min(*least, *h) : *h;
    }
    return least.value_or(-1);
}

void setAvailableForTests(std::optional<qint64> bytes) {
    g_forTests = bytes;
}

} // namespace SystemMemory

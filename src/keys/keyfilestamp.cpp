// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/keyfilestamp.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace KeyfileStamp {

Stamp take(const QString& path) {
    Stamp s;
    s.path = path;
    const QFileInfo info(path);
    s.exists = info.isFile();
    if (!s.exists)
        return s;
    s.size = info.size();
    s.modified = info.lastModified().toUTC();
    // Size and time alone miss a change within the clock's resolution.
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (file.open(QIODevice::ReadOnly) && hash.addData(&file))
        s.hash = hash.result();
    return s;
}

bool changedSince(const Stamp& stamp, const QString& path) {
    return !stamp.path.isEmpty() && stamp.path == path && take(path) != stamp;
}

} // namespace KeyfileStamp

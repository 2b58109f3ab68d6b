// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a keyfile looked like when the program last read or wrote it: a store compares this
// with the file on disk, so that keys another program (or a copy of this one on another
// computer sharing the file) put there are not overwritten without a word.
#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace KeyfileStamp {

struct Stamp {
    QString path; // empty: no stamp taken
    bool exists = false;
    qint64 size = -1;
    QDateTime modified;
    QByteArray hash; // SHA-256 of the contents
    bool operator==(const Stamp&) const = default;
};

Stamp take(const QString& path);

// True when stamp was taken of path and the file there is no longer the same (changed,
// replaced, removed or created).
bool changedSince(const Stamp& stamp, const QString& path);

} // namespace KeyfileStamp

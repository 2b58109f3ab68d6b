// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Complete writes for the file helpers. Qt reports a short write (a full disk, a file size
// limit) only through the count it returns, and QSaveFile::commit does not notice a short
// flush: it would put a truncated file in place of the old one. Writing the rest again
// either finishes the data or fails with the system's reason.
#include <QByteArrayView>
#include <QFileDevice>
#include <QString>
#include <optional>

namespace FullWrite {

// Writes all size bytes of data; false with file.errorString() set otherwise.
bool writeAll(QFileDevice& file, const char* data, qint64 size);
// Pushes Qt's buffer to the system; false when that cannot be finished.
bool flushAll(QFileDevice& file);

enum class Access {
    Keep,   // an existing file keeps its permissions; a new one gets the usual ones
    Private // read and write for the owner only, whatever the file had before
};

// The one temporary file that replaceFile writes before it takes path's place.
QString tempPathFor(const QString& path);

// Replaces path with bytes, or leaves it exactly as it was: the bytes go in full to
// tempPathFor(path), are synced, renamed over path, and the folder is synced so that the
// rename survives a power loss. The temporary file has a fixed name, so a write that is
// cut short (killed, power loss) leaves at most that one file, and the next write to path
// replaces it. Links are followed to the end of their chain: the file there is replaced
// and every link stays. Returns the system's description of a failure, empty on success.
QString replaceFile(const QString& path, QByteArrayView bytes, Access access);

// The file a chain of links ends at (path itself when it is no link, also when the end does
// not exist yet); nullopt for a chain that loops or is longer than the system follows.
std::optional<QString> finalFile(const QString& path);

} // namespace FullWrite

#pragma once
// Complete writes for the file helpers. Qt reports a short write (a full disk, a file size
// limit) only through the count it returns, and QSaveFile::commit does not notice a short
// flush: it would put a truncated file in place of the old one. Writing the rest again
// either finishes the data or fails with the system's reason.
#include <QFileDevice>

namespace FullWrite {

// Writes all size bytes of data; false with file.errorString() set otherwise.
bool writeAll(QFileDevice& file, const char* data, qint64 size);
// Pushes Qt's buffer to the system; false when that cannot be finished.
bool flushAll(QFileDevice& file);

} // namespace FullWrite

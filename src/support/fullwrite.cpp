#include "support/fullwrite.h"

namespace FullWrite {

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

} // namespace FullWrite

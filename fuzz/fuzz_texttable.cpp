// SPDX-License-Identifier: GPL-3.0-or-later
// The text table loader must reject any file cleanly, and whatever it accepts must give
// texts within the buffer size.
#include "backends/programtext/programtext_backend.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int r = TextTable::loadFromBytes(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (r > 0) {
        QString buffer;
        for (int n = 1; n < 1000; ++n)
            if (TextTable::gt(n, n % 2, buffer, TextTable::kMaxTextLength, 0) >
                TextTable::kMaxTextLength)
                std::abort();
    }
    return 0;
}

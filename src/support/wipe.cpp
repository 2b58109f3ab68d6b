// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/wipe.h"

#include <sodium.h>

namespace Wipe {

void bytes(QByteArray& b) {
    if (b.isDetached() && !b.isEmpty())
        sodium_memzero(b.data(), std::size_t(b.size()));
    b.clear();
}

void text(QString& s) {
    if (s.isDetached() && !s.isEmpty())
        sodium_memzero(s.data(), std::size_t(s.size()) * sizeof(QChar));
    s.clear();
}

} // namespace Wipe

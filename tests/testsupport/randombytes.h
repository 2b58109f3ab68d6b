// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Seeded random bytes, header-only so that the fuzz tools, which are built without the
// test support library, make their seeds from the same generator as the tests.
#include <QByteArray>
#include <QRandomGenerator>

namespace TestSupport {

// size bytes from a generator seeded with seed: the same seed, the same bytes.
inline QByteArray randomBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(seed);
    for (char& c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

} // namespace TestSupport

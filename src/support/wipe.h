// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Wiping memory that held secrets (keys, key lists, packages, decrypted text) before it is
// freed, so that it does not linger in the heap for a swap file or a memory read to find.
#include <QByteArray>
#include <QString>

namespace Wipe {

// Overwrites the bytes with zeros and empties b. Data still shared with another copy is
// left to that copy, which holds it on.
void bytes(QByteArray& b);
void text(QString& s);

// Wipes what it was given when the scope ends, however it ends.
class Guard {
public:
    explicit Guard(QByteArray& b) : m_bytes(&b) {}
    explicit Guard(QString& s) : m_text(&s) {}
    ~Guard() {
        if (m_bytes)
            bytes(*m_bytes);
        if (m_text)
            text(*m_text);
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    QByteArray* m_bytes = nullptr;
    QString* m_text = nullptr;
};

} // namespace Wipe

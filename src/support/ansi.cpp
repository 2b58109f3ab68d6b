// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ansi.h"

namespace {

// 0x80..0x9F of Windows-1252; the rest of the page is Latin-1.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int byteOf(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return 0x80 + i;
    return -1;
}

// A high surrogate at i with its low surrogate after it: one character in two units.
bool isSurrogatePair(const QString& text, qsizetype i) {
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
}

} // namespace

namespace Ansi {

QString fromAnsi(const QByteArray& bytes) {
    QString s(bytes.size(), Qt::Uninitialized);
    QChar* out = s.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return s;
}

QByteArray toAnsi(const QString& text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        out[n++] = static_cast<char>(toAnsiByte(text[i]));
        // A character beyond the first 65,536 is two UTF-16 units and becomes one "?".
        if (isSurrogatePair(text, i))
            ++i;
    }
    out.truncate(n);
    return out;
}

qsizetype ansiLength(const QString& text) {
    qsizetype n = text.size();
    for (qsizetype i = 0; i < text.size(); ++i)
        if (isSurrogatePair(text, i)) {
            --n;
            ++i;
        }
    return n;
}

unsigned char toAnsiByte(QChar c) {
    const int b = byteOf(c.unicode());
    return b < 0 ? '?' : static_cast<unsigned char>(b);
}

bool isAnsi(QChar c) { return byteOf(c.unicode()) >= 0; }

QList<char32_t> unrepresentableCharacters(const QString& text) {
    QList<char32_t> out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isSurrogatePair(text, i)) {
            out.append(QChar::surrogateToUcs4(text[i], text[i + 1]));
            ++i;
        } else if (!isAnsi(text[i])) {
            out.append(text[i].unicode());
        }
    }
    return out;
}

int unrepresentableCount(const QString& text) {
    return int(unrepresentableCharacters(text).size());
}

} // namespace Ansi

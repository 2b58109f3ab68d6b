// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/keyrules.h"

#include "backends/digest/md5.h"
#include "support/ansi.h"

namespace KeyRules {

QString AnsiUpper(const QString& s) {
    QString out = s;
    for (QChar& c : out) {
        const QString up = QString(c).toUpper();
        if (up.size() == 1 && Ansi::isAnsi(up[0]))
            c = up[0];
    }
    return out;
}

QString ReducedKey(const QString& keyAsInput) {
    QString r;
    r.reserve(keyAsInput.size());
    for (QChar c : keyAsInput)
        if (Ansi::toAnsiByte(c) > 32)
            r += c;
    return AnsiUpper(r);
}

bool KeyIsAdmissible(const QString& key, int minKeyLength) {
    return ReducedKey(key).size() >= minKeyLength;
}

QString ExtendedReducedKey(const QString& keyAsInput) {
    QString r = ReducedKey(keyAsInput);
    if (r.isEmpty())
        return r;
    while (r.size() < kExtendedLength)
        r += r;
    return r.left(kExtendedLength);
}

QByteArray MD5OfText(const QString& text, int n) {
    const QByteArray bytes = Ansi::toAnsi(text);
    MD5Context context;
    MD5Init2(context);
    MD5Update2(context, bytes.constData(), qBound(qsizetype(0), qsizetype(n), bytes.size()));
    unsigned char digest[16];
    MD5Final2(digest, context);
    return QByteArray(reinterpret_cast<const char*>(digest), 16);
}

int KeyChecksum(const QString& reducedKey, QByteArray* digestOut) {
    const QByteArray d = MD5OfText(reducedKey, int(reducedKey.size()));
    if (digestOut)
        *digestOut = d;
    qint32 sum = 0;
    for (int i = 0; i < 16; i += 2)
        sum += qint32(quint8(d[i])) * 65536 + quint8(d[i + 1]);
    return sum % 8999 + 1001;
}

} // namespace KeyRules

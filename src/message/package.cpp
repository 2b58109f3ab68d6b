// SPDX-License-Identifier: GPL-3.0-or-later
// The plaintext package: building it, and splitting a decrypted one. Pure functions; the
// split reads untrusted bytes and never looks beyond them.
#include "message/encdecmsg.h"

namespace EncDecMsg {
namespace {

constexpr char kTab = '\t';

// A length field: decimal digits only, at most what is left to read. An empty field reads
// as 0. A package can only come from someone holding the key, but a broken sender must
// not make us read past the package or take a negative count.
std::optional<qsizetype> lengthField(QByteArrayView field, qsizetype available) {
    if (field.size() > 9)
        return std::nullopt;
    qsizetype n = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n > available)
        return std::nullopt;
    return n;
}

} // namespace

QString TrimSpaces(const QString& s) {
    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && s[from] == QLatin1Char(' '))
        ++from;
    while (to > from && s[to - 1] == QLatin1Char(' '))
        --to;
    return s.mid(from, to - from);
}

QString CurrentKey(const QString& keyEntry) {
    const qsizetype p = keyEntry.indexOf(QChar(0x00BB)); // »
    return TrimSpaces(p < 0 ? keyEntry : keyEntry.mid(p + 1));
}

QString FileNameOfPath(const QString& path) {
    const qsizetype p =
        qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(p + 1);
}

QByteArray BuildPackage(const QByteArray& text, const QList<PackagedFile>& files) {
    qsizetype size = text.size() + 12;
    for (const PackagedFile& f : files)
        size += f.name.size() + f.contents.size() + 12;
    QByteArray p;
    p.reserve(size);
    p += QByteArray::number(text.size());
    p += kTab;
    p += text;
    for (const PackagedFile& f : files) {
        p += f.name;
        p += kTab;
        p += QByteArray::number(f.contents.size());
        p += kTab;
        p += f.contents;
    }
    p += kTab;
    return p;
}

SplitPackage SplitDecryptedPackage(const QByteArray& package) {
    SplitPackage out;
    const QByteArrayView all(package);
    qsizetype at = 0; // everything before has been read

    const auto finish = [&](int code) {
        out.errorCode = code;
        out.rest = package.mid(at);
        return out;
    };

    qsizetype tab = all.indexOf(kTab, at);
    if (tab < 0)
        return finish(-1);
    auto n = lengthField(all.sliced(at, tab - at), all.size() - tab - 1);
    if (!n)
        return finish(-2);
    out.text = package.mid(tab + 1, *n);
    at = tab + 1 + *n;

    for (int i = 0; i < kNumSlots; ++i) {
        tab = all.indexOf(kTab, at);
        if (tab < 0)
            return finish(10 * i + 1);
        if (tab == at)
            break; // the closing TAB: no more files
        PackagedFile file;
        file.name = package.mid(at, tab - at);
        const qsizetype lengthAt = tab + 1;
        tab = all.indexOf(kTab, lengthAt);
        if (tab < 0)
            return finish(10 * i + 2);
        n = lengthField(all.sliced(lengthAt, tab - lengthAt), all.size() - tab - 1);
        if (!n)
            return finish(10 * i + 3);
        file.contents = package.mid(tab + 1, *n);
        at = tab + 1 + *n;
        out.files.append(std::move(file));
    }
    return finish(0);
}

} // namespace EncDecMsg

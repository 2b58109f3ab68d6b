// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/keylisttext.h"

#include "support/ansi.h"

#include <limits>
#include <optional>

namespace KeyListText {

namespace {

constexpr char kTab = '\t';

// [-]digits within the range of qint32; leading zeros allowed.
std::optional<qint32> parseDate(const char* p, qsizetype n) {
    const bool negative = n > 0 && p[0] == '-';
    qsizetype i = negative ? 1 : 0;
    if (i == n)
        return std::nullopt;
    const qint64 limit = negative ? -qint64(std::numeric_limits<qint32>::min())
                                  : qint64(std::numeric_limits<qint32>::max());
    qint64 value = 0;
    for (; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return std::nullopt;
        value = value * 10 + (p[i] - '0');
        if (value > limit)
            return std::nullopt;
    }
    return qint32(negative ? -value : value);
}

} // namespace

ParseResult ParseKeyListText(const QByteArray& text) {
    ParseResult result;
    if (text.isEmpty()) {
        result.error = Error::Empty;
        return result;
    }
    QList<Entry> entries;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const auto fail = [&](Error e) {
            result.error = e;
            result.errorRecord = entries.size();
            result.errorOffset = pos;
            return result;
        };
        const qsizetype entryEnd = text.indexOf(kTab, pos);
        if (entryEnd < 0)
            return fail(Error::MissingTab);
        if (entryEnd == pos)
            return fail(Error::EmptyEntry);
        const qsizetype dateEnd = text.indexOf(kTab, entryEnd + 1);
        if (dateEnd < 0)
            return fail(Error::MissingTab);
        const std::optional<qint32> date =
            parseDate(text.constData() + entryEnd + 1, dateEnd - entryEnd - 1);
        if (!date)
            return fail(Error::BadDateAdded);
        entries.append({Ansi::fromAnsi(text.mid(pos, entryEnd - pos)), *date});
        pos = dateEnd + 1;
    }
    result.entries = std::move(entries);
    return result;
}

QByteArray FormatKeyListText(const QList<Entry>& entries) {
    QByteArray text;
    for (const Entry& e : entries) {
        text += Ansi::toAnsi(e.text);
        text += kTab;
        text += QByteArray::number(e.dateAdded);
        text += kTab;
    }
    return text;
}

} // namespace KeyListText

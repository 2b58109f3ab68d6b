// SPDX-License-Identifier: GPL-3.0-or-later
#include "message/cleaning.h"

#include <QList>
#include <QStringView>

namespace MailCleaning {

namespace {

const QString kBegin = QStringLiteral("TessamailMessageBegin");
const QString kEnd = QStringLiteral("TessamailMessageEnd");

// Never part of armour, so safe to strip from any line edge. Zero-width characters are
// not spaces to Unicode, yet some mail programs put them in front of quoted lines.
bool isBlank(QChar c) {
    switch (c.unicode()) {
    case 0x200B: // zero-width space
    case 0x200C: // zero-width non-joiner
    case 0x200D: // zero-width joiner
    case 0x2060: // word joiner
    case 0xFEFF: // byte-order mark, zero-width no-break space
        return true;
    default:
        return c.isSpace(); // also no-break spaces: U+00A0, U+2007, U+202F
    }
}

// A quote prefix may sit behind an indent and spaces may sit between its ">" characters;
// base64 and the markers contain neither, so the whole leading run can go.
QStringView cleanedLine(QStringView line) {
    qsizetype first = 0;
    qsizetype end = line.size();
    while (first < end && (line[first] == u'>' || isBlank(line[first])))
        ++first;
    while (end > first && isBlank(line[end - 1]))
        --end;
    return line.sliced(first, end - first);
}

// CR CR LF comes from a CR LF text that went through a CR LF conversion once more; it is
// one line break, not an empty line. Scanned by hand: QRegularExpression matches nothing in
// text with a lone surrogate, which clipboard text may hold.
QList<QStringView> splitLines(QStringView text) {
    QList<QStringView> lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype breakLength = 0;
        if (text[i] == u'\n') {
            breakLength = 1;
        } else if (text[i] == u'\r') {
            if (text.sliced(i).startsWith(u"\r\n"))
                breakLength = 2;
            else if (text.sliced(i).startsWith(u"\r\r\n"))
                breakLength = 3;
            else
                breakLength = 1;
        }
        if (breakLength == 0) {
            ++i;
            continue;
        }
        lines.append(text.sliced(start, i - start));
        i += breakLength;
        start = i;
    }
    lines.append(text.sliced(start));
    return lines;
}

} // namespace

QString CleanReceivedText(const QString& received) {
    QList<QStringView> lines = splitLines(received);
    for (QStringView& line : lines)
        line = cleanedLine(line);

    // An empty line ends a block for the search, so inside a Begin..End stretch they go.
    // Outside they stay, so greeting and signature keep their paragraphs. A Begin without
    // an End after it drops nothing. Each line is searched once and marked at most once.
    QList<bool> dropped(lines.size(), false);
    bool inside = false;
    qsizetype beginLine = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        qsizetype from = 0;
        for (;;) {
            const qsizetype at = lines[i].indexOf(inside ? kEnd : kBegin, from);
            if (at < 0)
                break;
            if (inside) {
                for (qsizetype j = beginLine + 1; j < i; ++j)
                    dropped[j] = lines[j].isEmpty();
                from = at + kEnd.size();
            } else {
                beginLine = i;
                from = at + kBegin.size();
            }
            inside = !inside;
        }
    }

    QString cleaned;
    cleaned.reserve(received.size() + lines.size());
    bool first = true;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (dropped[i])
            continue;
        if (!first)
            cleaned += QLatin1String("\r\n");
        cleaned += lines[i];
        first = false;
    }
    return cleaned;
}

} // namespace MailCleaning

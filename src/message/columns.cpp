// SPDX-License-Identifier: GPL-3.0-or-later
#include "message/columns.h"

#include <QStringView>

#include <array>
#include <string_view>

namespace MailColumns {

namespace {

const QString kBegin = QStringLiteral("TessamailMessageBegin");
const QString kEnd = QStringLiteral("TessamailMessageEnd");
constexpr qsizetype kTabStop = 8;

constexpr std::array<bool, 128> kArmourTable = [] {
    std::array<bool, 128> table{};
    for (char c :
         std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="))
        table[std::size_t(c)] = true;
    return table;
}();

bool isArmour(QChar c) {
    return c.unicode() < kArmourTable.size() && kArmourTable[c.unicode()];
}

bool isLineBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}

// The lines of text, CR LF, LF and CR each ending one.
QList<QStringView> splitLines(QStringView text) {
    QList<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isLineBreak(text[i]))
            continue;
        lines.append(text.sliced(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    lines.append(text.sliced(start));
    return lines;
}

QString tabsExpanded(QStringView line) {
    QString out;
    out.reserve(line.size());
    for (QChar c : line) {
        if (c == u'\t')
            out += QString(kTabStop - out.size() % kTabStop, u' ');
        else
            out += c;
    }
    return out;
}

// The run of armour characters from column on, after any spaces there.
QStringView fromColumn(QStringView line, qsizetype column) {
    qsizetype from = column;
    while (from < line.size() && line[from].isSpace())
        ++from;
    qsizetype to = from;
    while (to < line.size() && isArmour(line[to]))
        ++to;
    return from < line.size() ? line.sliced(from, to - from) : QStringView();
}

// The run of armour characters whose start lies nearest column; the first of two as near.
QStringView nearestRun(QStringView line, qsizetype column) {
    QStringView best;
    qsizetype bestDistance = -1;
    qsizetype at = 0;
    while (at < line.size()) {
        if (!isArmour(line[at])) {
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < line.size() && isArmour(line[end]))
            ++end;
        const qsizetype distance = qAbs(at - column);
        if (bestDistance < 0 || distance < bestDistance) {
            best = line.sliced(at, end - at);
            bestDistance = distance;
        }
        if (at > column)
            break; // every later run starts farther off
        at = end;
    }
    return best;
}

QByteArray laidOut(const QList<QStringView>& pieces) {
    QByteArray block = kBegin.toLatin1();
    for (QStringView piece : pieces)
        if (!piece.isEmpty())
            block += "\r\n" + piece.toLatin1();
    return block + "\r\n" + kEnd.toLatin1();
}

void addReadings(const QList<QStringView>& lines, qsizetype column, QList<QByteArray>& readings) {
    QList<QStringView> exact;
    QList<QStringView> nearest;
    exact.reserve(lines.size());
    nearest.reserve(lines.size());
    for (QStringView line : lines) {
        exact.append(fromColumn(line, column));
        nearest.append(nearestRun(line, column));
    }
    for (const QByteArray& reading : {laidOut(exact), laidOut(nearest)})
        if (reading.size() > kBegin.size() + kEnd.size() + 2 && !readings.contains(reading))
            readings.append(reading);
}

} // namespace

QList<QByteArray> ColumnReadings(const QString& text) {
    const qsizetype begin = text.indexOf(kBegin);
    if (begin < 0)
        return {};
    const qsizetype end = text.indexOf(kEnd, begin + kBegin.size());
    if (end < 0)
        return {};
    qsizetype lineStart = begin;
    while (lineStart > 0 && !isLineBreak(text[lineStart - 1]))
        --lineStart;
    // The lines below the Begin line, up to the one before the End line; what stands beside
    // the markers on their own lines belongs to the other columns.
    qsizetype firstBreak = begin + kBegin.size();
    while (firstBreak < end && !isLineBreak(text[firstBreak]))
        ++firstBreak;
    qsizetype lastBreak = end;
    while (lastBreak > firstBreak && !isLineBreak(text[lastBreak - 1]))
        --lastBreak;
    if (lastBreak <= firstBreak)
        return {}; // the markers share a line: no column below the Begin marker
    QStringView body = QStringView(text).sliced(firstBreak, lastBreak - firstBreak);
    while (!body.isEmpty() && isLineBreak(body.front()))
        body = body.sliced(1);
    while (!body.isEmpty() && isLineBreak(body.back()))
        body.chop(1);
    const QList<QStringView> lines = splitLines(body);
    const QStringView beginLine = QStringView(text).sliced(lineStart, begin - lineStart);

    QList<QByteArray> readings;
    addReadings(lines, begin - lineStart, readings);
    if (beginLine.contains(u'\t') || body.contains(u'\t')) {
        QList<QString> expanded;
        expanded.reserve(lines.size());
        for (QStringView line : lines)
            expanded.append(tabsExpanded(line));
        const QList<QStringView> views(expanded.begin(), expanded.end());
        addReadings(views, tabsExpanded(beginLine).size(), readings);
    }
    return readings;
}

} // namespace MailColumns

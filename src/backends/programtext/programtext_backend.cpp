// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/programtext/programtext_backend.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>

namespace TextTable {
namespace {

struct Entry {
    QString text[2];
    bool has[2] = {false, false};
    int firstLine = 0;
};

QHash<int, Entry> g_table;
LineFailure g_lastLineFailure;

QString unescape(QStringView s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('\\') && i + 1 < s.size()) {
            const QChar n = s[++i];
            if (n == QLatin1Char('n'))
                out += QLatin1String("\r\n");
            else if (n == QLatin1Char('t'))
                out += QLatin1Char('\t');
            else
                out += n;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The code of a fault at a line, which is also kept for lastLineFailure().
int lineCode(LineFailure::Kind kind, int line) {
    g_lastLineFailure = {kind, line};
    const int base = kind == LineFailure::MissingString   ? -500
                     : kind == LineFailure::StringTooLong ? -1000
                                                          : -1500;
    return line > 500 && base > -1500 ? -5 : base - line;
}

} // namespace

int lt(const QString& fullPath, int /*reserved*/) {
    g_lastLineFailure = {};
    QFile file(fullPath);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    if (file.size() > kMaxFileBytes)
        return -3;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return -7;
    return loadFromBytes(bytes);
}

LineFailure lastLineFailure() {
    return g_lastLineFailure;
}

int loadFromBytes(const QByteArray& bytes) {
    g_lastLineFailure = {};
    if (bytes.size() > kMaxFileBytes)
        return -3;
    if (bytes.trimmed().isEmpty())
        return -6;

    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString all = decoder(bytes);
    if (decoder.hasError())
        return -4;

    QHash<int, Entry> table;
    const QList<QStringView> lines = QStringView(all).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        QStringView line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype tab1 = line.indexOf(QLatin1Char('\t'));
        const qsizetype tab2 = tab1 < 0 ? -1 : line.indexOf(QLatin1Char('\t'), tab1 + 1);
        bool ok = false;
        const int number = tab1 < 0 ? 0 : line.left(tab1).toInt(&ok);
        if (!ok || number < 1 || number > 32767)
            return -4;
        const QStringView lang =
            tab2 < 0 ? line.mid(tab1 + 1) : line.mid(tab1 + 1, tab2 - tab1 - 1);
        int li;
        if (lang == QLatin1String("en"))
            li = 0;
        else if (lang == QLatin1String("de"))
            li = 1;
        else
            return -4;
        const QString text = tab2 < 0 ? QString() : unescape(line.mid(tab2 + 1));
        Entry& e = table[number];
        if (e.firstLine == 0)
            e.firstLine = lineNo;
        if (e.has[li])
            return lineCode(LineFailure::Duplicate, lineNo);
        if (text.isEmpty())
            return lineCode(LineFailure::MissingString, lineNo);
        if (text.size() > kMaxTextLength)
            return lineCode(LineFailure::StringTooLong, lineNo);
        e.text[li] = text;
        e.has[li] = true;
    }
    if (table.isEmpty())
        return -6;
    int firstMissing = 0;
    for (const Entry& e : std::as_const(table))
        if (!(e.has[0] && e.has[1]) && (firstMissing == 0 || e.firstLine < firstMissing))
            firstMissing = e.firstLine;
    if (firstMissing)
        return lineCode(LineFailure::MissingString, firstMissing);
    g_table = std::move(table);
    return int(g_table.size());
}

int gt(int number, int language, QString& buffer, int bufferSize, int /*startupCompleted*/) {
    const auto it = g_table.constFind(number);
    if (it == g_table.constEnd())
        return 0;
    const int li = language == 1 ? 1 : 0;
    buffer = it->text[li].left(bufferSize);
    return int(it->text[li].size());
}

} // namespace TextTable

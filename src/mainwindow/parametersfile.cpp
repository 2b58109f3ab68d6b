// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/parametersfile.h"

#include "support/ansi.h"

#include <QStringList>

namespace ParametersFile {
namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}
bool isDelimiter(QChar c) {
    return c == QLatin1Char(',') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

const QByteArray kUtf8Mark("\xEF\xBB\xBF");

QString decode(const QByteArray& contents) {
    if (contents.startsWith(kUtf8Mark))
        return QString::fromUtf8(contents.mid(kUtf8Mark.size()));
    return Ansi::fromAnsi(contents);
}

// Reads the fields of text in order, as a line of comma-separated values is read.
class FieldReader {
public:
    explicit FieldReader(const QString& text) : s(text) {}

    std::optional<QString> next() {
        while (pos < s.size() && isBlank(s[pos]))
            ++pos;
        if (pos >= s.size())
            return std::nullopt;
        QString field;
        if (s[pos] == QLatin1Char('"')) {
            const qsizetype close = closingQuote(pos + 1);
            if (close < 0)
                return std::nullopt;
            field = s.mid(pos + 1, close - pos - 1);
            pos = close + 1;
            while (pos < s.size() && isBlank(s[pos]))
                ++pos;
        } else {
            const qsizetype begin = pos;
            while (pos < s.size() && !isDelimiter(s[pos]))
                ++pos;
            field = s.mid(begin, pos - begin).trimmed();
        }
        skipDelimiter();
        return field;
    }

private:
    // The quote that ends a quoted field is the first one followed by nothing but blanks up
    // to a delimiter or the end, so a path that itself holds a quote still reads back.
    qsizetype closingQuote(qsizetype from) const {
        for (qsizetype q = s.indexOf(QLatin1Char('"'), from); q >= 0;
             q = s.indexOf(QLatin1Char('"'), q + 1)) {
            qsizetype after = q + 1;
            while (after < s.size() && isBlank(s[after]))
                ++after;
            if (after >= s.size() || isDelimiter(s[after]))
                return q;
        }
        return -1;
    }

    void skipDelimiter() {
        if (pos >= s.size())
            return;
        if (s[pos] == QLatin1Char(',') || s[pos] == QLatin1Char('\n')) {
            ++pos;
        } else if (s[pos] == QLatin1Char('\r')) {
            ++pos;
            if (pos < s.size() && s[pos] == QLatin1Char('\n'))
                ++pos;
        }
    }

    const QString& s;
    qsizetype pos = 0;
};

// The exact layout format() writes: the quoted path, CR LF, the quoted language digits,
// CR LF. Such a file is read by that layout, so any path comes back whole, also one that
// holds a quote followed by a comma or a line break, where the field reader would end it.
std::optional<Parameters> parseAsWritten(const QString& text) {
    const QLatin1String lineEnd("\"\r\n");
    const QLatin1String betweenLines("\"\r\n\"");
    if (!text.startsWith(QLatin1Char('"')) || !text.endsWith(lineEnd))
        return std::nullopt;
    qsizetype digits = text.size() - lineEnd.size();
    while (digits > 0 && text[digits - 1] >= QLatin1Char('0') &&
           text[digits - 1] <= QLatin1Char('9'))
        --digits;
    const qsizetype pathEnd = digits - betweenLines.size();
    if (digits == text.size() - lineEnd.size() || pathEnd <= 1 ||
        QStringView(text).sliced(pathEnd, betweenLines.size()) != betweenLines)
        return std::nullopt;
    // Two lines only: a quoted line ending inside the "path" means three or more quoted
    // lines, and those are fields.
    const QStringView path = QStringView(text).sliced(1, pathEnd - 1);
    for (const char* lineBreak : {"\"\r\n\"", "\"\n\"", "\"\r\""})
        if (path.contains(QLatin1String(lineBreak)))
            return std::nullopt;
    Parameters p;
    p.keyfilePath = path.toString();
    p.language =
        leadingNumber(text.mid(digits, text.size() - lineEnd.size() - digits)) == 1 ? 1 : 0;
    return p;
}

} // namespace

int leadingNumber(const QString& field) {
    qsizetype i = 0;
    while (i < field.size() && field[i].isSpace())
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == QLatin1Char('-') || field[i] == QLatin1Char('+'))) {
        negative = field[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < field.size() && field[i] >= QLatin1Char('0') && field[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (field[i].unicode() - '0');
        if (value > 32768)
            return 0;
    }
    if (negative)
        value = -value;
    return value < -32768 || value > 32767 ? 0 : int(value);
}

std::optional<Parameters> parse(const QByteArray& contents) {
    if (contents.size() > kMaxFileSize)
        return std::nullopt;
    const QString text = decode(contents);
    if (std::optional<Parameters> p = parseAsWritten(text))
        return p;
    FieldReader reader(text);
    const std::optional<QString> path = reader.next();
    const std::optional<QString> language = reader.next();
    if (!path || !language || path->isEmpty())
        return std::nullopt;
    Parameters p;
    p.keyfilePath = *path;
    // German only for 1: any other number (a damaged or future value) reads as English.
    p.language = leadingNumber(*language) == 1 ? 1 : 0;
    return p;
}

QByteArray format(const Parameters& parameters) {
    const QString text = QLatin1Char('"') + parameters.keyfilePath + QStringLiteral("\"\r\n\"") +
                         QString::number(parameters.language) + QStringLiteral("\"\r\n");
    if (Ansi::unrepresentableCount(text) == 0)
        return Ansi::toAnsi(text);
    return kUtf8Mark + text.toUtf8();
}

} // namespace ParametersFile

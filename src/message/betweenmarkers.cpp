// SPDX-License-Identifier: GPL-3.0-or-later
#include "message/betweenmarkers.h"

#include "message/mailsource.h"

#include <QStringView>

#include <array>
#include <string_view>

namespace MailCleaning {

namespace {

const QString kBegin = QStringLiteral("TessamailMessageBegin");
const QString kEnd = QStringLiteral("TessamailMessageEnd");
constexpr std::u16string_view kEndMarker = u"TessamailMessageEnd";
constexpr qsizetype kChecksumLength = 9; // "=" and the base64 of 6 bytes
constexpr qsizetype kLineLength = 64;

// Looked up, not computed: the last try asks once for every character of the mail.
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

// Web mailers put invisible characters inside long words so that they can wrap; none of
// them can be part of armour, and one inside a marker would hide it. Nothing below U+00AD
// (the soft hyphen) is either, which keeps the common case to a copy.
QString withoutFormatCharacters(const QString& text) {
    QString out(text.size(), Qt::Uninitialized);
    QChar* to = out.data();
    const QChar* const end = text.constEnd();
    for (const QChar* at = text.constBegin(); at != end; ++at) {
        if (at->unicode() < 0xad) {
            *to++ = *at;
            continue;
        }
        char32_t code = at->unicode();
        const bool pair = at->isHighSurrogate() && at + 1 != end && at[1].isLowSurrogate();
        if (pair)
            code = QChar::surrogateToUcs4(at[0], at[1]);
        switch (QChar::category(code)) {
        case QChar::Other_Format:
            break;
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            *to++ = u'\n';
            break;
        default:
            *to++ = at[0];
            if (pair)
                *to++ = at[1];
        }
        at += pair ? 1 : 0;
    }
    out.truncate(to - out.constData());
    return out;
}

// The quote prefix of the Begin line when it holds armour characters that would otherwise be
// taken for armour ("JD>", "> JD>"); empty when there is none or dropping it is not needed.
QStringView quotePrefix(QStringView text, qsizetype begin) {
    qsizetype start = begin;
    while (start > 0 && !isLineBreak(text[start - 1]))
        --start;
    const QStringView prefix = text.sliced(start, begin - start).trimmed();
    if (prefix.isEmpty() || isArmour(prefix.back()))
        return {};
    for (QChar c : prefix)
        if (isArmour(c))
            return prefix;
    return {};
}

struct Reading {
    QByteArray armour;          // the armour characters before the End marker
    bool ended = false;         // an End marker was found
    bool escapedEquals = false; // "=3D" stands before it
};

// One pass over the text after the Begin marker up to the first End marker, with the quote
// prefix (and the spaces before it) dropped at the start of each line. Each line costs its
// own length: the prefix has no line break, so comparing it stops at the line's end.
Reading read(QStringView text, QStringView prefix) {
    Reading reading;
    reading.armour = QByteArray(text.size(), Qt::Uninitialized);
    char* to = reading.armour.data();
    std::size_t matched = 0; // of the End marker; its "T" stands only at its start
    bool lineStart = false;
    const QChar* at = text.begin();
    const QChar* const stop = text.end();
    while (at != stop) {
        if (lineStart) {
            lineStart = false;
            const QChar* first = at;
            while (first != stop && first->isSpace() && !isLineBreak(*first))
                ++first;
            if (!prefix.isEmpty() && QStringView(first, stop).startsWith(prefix))
                at = first + prefix.size();
            continue;
        }
        const QChar c = *at++;
        if (c == u'=' && stop - at >= 2 && at[0] == u'3' && (at[1] == u'D' || at[1] == u'd'))
            reading.escapedEquals = true;
        // Written always, kept only for armour: random text would defeat a branch here. The
        // buffer has room, as it holds one character per character of text.
        *to = char(c.unicode());
        to += isArmour(c);
        matched = c == kEndMarker[matched] ? matched + 1 : c == kEndMarker[0] ? 1 : 0;
        if (matched == kEndMarker.size()) {
            reading.ended = true;
            to -= kEndMarker.size(); // every letter of the marker is an armour character
            break;
        }
        lineStart = isLineBreak(c);
    }
    reading.armour.truncate(to - reading.armour.constData());
    return reading;
}

// The text after the Begin marker as quoted-printable: the quote prefix (and the spaces
// before it) dropped at the start of each line and the spaces at its end, which transport
// may add, dropped too; then decoded by the MIME library. Characters beyond Latin-1 cannot be
// armour and go as UTF-8.
QString quotedPrintableDecoded(QStringView text, QStringView prefix) {
    QString lines;
    lines.reserve(text.size());
    qsizetype lineStart = 0;
    while (lineStart <= text.size()) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < text.size() && !isLineBreak(text[lineEnd]))
            ++lineEnd;
        QStringView line = text.sliced(lineStart, lineEnd - lineStart);
        if (lineStart > 0) {
            qsizetype first = 0;
            while (first < line.size() && line[first].isSpace())
                ++first;
            if (!prefix.isEmpty() && line.sliced(first).startsWith(prefix))
                line = line.sliced(first + prefix.size());
        }
        while (!line.isEmpty() && (line.back() == u' ' || line.back() == u'\t'))
            line.chop(1);
        lines += line;
        if (lineEnd == text.size())
            break;
        // One line break of any kind, written as the decoder expects it.
        lines += u'\n';
        lineStart = lineEnd + (text.sliced(lineEnd).startsWith(u"\r\n") ? 2 : 1);
    }
    return QString::fromLatin1(MailSource::DecodeQuotedPrintable(lines.toUtf8()));
}

// Base64 with its padding, then the checksum: "=" and 8 base64 characters. Anything else
// cannot be a block, and "=" is only ever padding or the checksum's first character.
bool hasBlockShape(const QByteArray& armour) {
    const qsizetype bodyLength = armour.size() - kChecksumLength;
    if (bodyLength <= 0 || bodyLength % 4 != 0 || armour[bodyLength] != '=')
        return false;
    if (armour.indexOf('=', bodyLength + 1) >= 0)
        return false;
    const qsizetype padding = armour.indexOf('=');
    return padding >= bodyLength - 2 && (padding == bodyLength || armour[bodyLength - 1] == '=');
}

// The armour characters of a reading laid out as the armour is written; empty when there
// was no End marker or they are not shaped like a block.
QByteArray block(const Reading& reading) {
    const QByteArray& armour = reading.armour;
    if (!reading.ended || !hasBlockShape(armour))
        return {};
    const qsizetype bodyLength = armour.size() - kChecksumLength;
    QByteArray block = kBegin.toLatin1();
    block.reserve(armour.size() + armour.size() / kLineLength * 2 + 64);
    for (qsizetype at = 0; at < bodyLength; at += kLineLength)
        block += "\r\n" + armour.mid(at, qMin(kLineLength, bodyLength - at));
    return block + "\r\n" + armour.sliced(bodyLength) + "\r\n" + kEnd.toLatin1();
}

} // namespace

QByteArray ArmourBetweenMarkers(const QString& received) {
    const QString text = withoutFormatCharacters(received);
    const qsizetype begin = text.indexOf(kBegin);
    if (begin < 0)
        return {};
    const QStringView after = QStringView(text).sliced(begin + kBegin.size());
    const QStringView prefix = quotePrefix(text, begin);
    const Reading plain = read(after, prefix);

    // Every quoted-printable copy of a block has "=3D": its checksum starts with "=". A line
    // ending in "=" says nothing, since base64 padding ends lines too. A plain block whose
    // checksum happens to start with "3D" is still read as it stands when the decoded
    // reading has no block shape; both readings never have it at once.
    if (plain.escapedEquals) {
        const QString decodedText = quotedPrintableDecoded(after, prefix);
        const QByteArray decoded = block(read(decodedText, {}));
        if (!decoded.isEmpty())
            return decoded;
    }
    return block(plain);
}

} // namespace MailCleaning

#include "message/betweenmarkers.h"

#include <QStringView>

#include <array>
#include <string_view>

namespace MailCleaning {

namespace {

const QString kBegin = QStringLiteral("TessamailMessageBegin");
const QString kEnd = QStringLiteral("TessamailMessageEnd");
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

// text with prefix (and the spaces before it) removed from the start of each line but the
// first. The comparison cannot run past a line break, so each line costs its own length.
QString withoutPrefix(QStringView text, QStringView prefix) {
    if (prefix.isEmpty())
        return text.toString();
    QString out(text.size(), Qt::Uninitialized);
    QChar* to = out.data();
    const QChar* const end = text.end();
    for (const QChar* at = text.begin(); at != end;) {
        const QChar c = *at++;
        *to++ = c;
        if (!isLineBreak(c) || (at != end && isLineBreak(*at)))
            continue;
        const QChar* start = at;
        while (start != end && start->isSpace() && !isLineBreak(*start))
            ++start;
        if (QStringView(start, end).startsWith(prefix))
            at = start + prefix.size();
    }
    out.truncate(to - out.constData());
    return out;
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

bool hasEscapedEquals(QStringView text) {
    for (qsizetype at = text.indexOf(u'='); at >= 0 && at + 2 < text.size();
         at = text.indexOf(u'=', at + 1))
        if (text[at + 1] == u'3' && (text[at + 2] == u'D' || text[at + 2] == u'd'))
            return true;
    return false;
}

// Quoted-printable as a mail's source shows it: "=XX" is the byte XX, and an "=" that ends
// a line (trailing spaces allowed) is a soft line break. The line break itself stays: the
// armour reading skips it anyway. Any other "=" stays as it is.
QString decodedQuotedPrintable(QStringView text) {
    QString out(text.size(), Qt::Uninitialized);
    QChar* to = out.data();
    const QChar* const end = text.end();
    for (const QChar* at = text.begin(); at != end; ++at) {
        if (*at != u'=') {
            *to++ = *at;
            continue;
        }
        const QChar* next = at + 1;
        while (next != end && (*next == u' ' || *next == u'\t'))
            ++next;
        if (next == end || isLineBreak(*next)) {
            at = next - 1;
        } else if (end - at > 2 && hexValue(at[1]) >= 0 && hexValue(at[2]) >= 0) {
            *to++ = QChar(hexValue(at[1]) * 16 + hexValue(at[2]));
            at += 2;
        } else {
            *to++ = u'=';
        }
    }
    out.truncate(to - out.constData());
    return out;
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

// The armour characters of reading up to its first End marker, laid out as the armour is
// written; empty when there is no End marker or the characters are not shaped like a block.
QByteArray blockUpToEnd(QStringView reading) {
    const qsizetype end = reading.indexOf(kEnd);
    if (end < 0)
        return {};
    QByteArray armour(end, Qt::Uninitialized);
    char* to = armour.data();
    for (QChar c : reading.first(end))
        if (isArmour(c))
            *to++ = char(c.unicode());
    armour.truncate(to - armour.constData());
    if (!hasBlockShape(armour))
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
    const QString after =
        withoutPrefix(QStringView(text).sliced(begin + kBegin.size()), quotePrefix(text, begin));

    // Every quoted-printable copy of a block has "=3D": its checksum starts with "=". A line
    // ending in "=" says nothing, since base64 padding ends lines too. A plain block whose
    // checksum happens to start with "3D" is still read as it stands when the decoded
    // reading has no block shape; both readings never have it at once.
    const qsizetype end = after.indexOf(kEnd);
    const QStringView between = end < 0 ? QStringView(after) : QStringView(after).first(end);
    if (hasEscapedEquals(between)) {
        const QByteArray block = blockUpToEnd(decodedQuotedPrintable(after));
        if (!block.isEmpty())
            return block;
    }
    return blockUpToEnd(after);
}

} // namespace MailCleaning

#include "message/betweenmarkers.h"

#include <QStringView>

namespace MailCleaning {

namespace {

const QString kBegin = QStringLiteral("TessamailMessageBegin");
const QString kEnd = QStringLiteral("TessamailMessageEnd");
constexpr qsizetype kChecksumLength = 9; // "=" and the base64 of 6 bytes
constexpr qsizetype kLineLength = 64;

bool isBase64(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '+' ||
           u == '/';
}

bool isArmour(QChar c) {
    return isBase64(c) || c == u'=';
}

bool isLineBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}

// Web mailers put invisible characters inside long words so that they can wrap; none of
// them can be part of armour, and one inside a marker would hide it.
QString withoutFormatCharacters(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text[i].unicode();
        qsizetype length = 1;
        if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[i], text[i + 1]);
            length = 2;
        }
        switch (QChar::category(code)) {
        case QChar::Other_Format:
            break;
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            out += u'\n';
            break;
        default:
            out += QStringView(text).sliced(i, length);
        }
        i += length - 1;
    }
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
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i++];
        out += c;
        if (!isLineBreak(c) || (i < text.size() && isLineBreak(text[i])))
            continue;
        qsizetype at = i;
        while (at < text.size() && text[at].isSpace() && !isLineBreak(text[at]))
            ++at;
        if (text.sliced(at).startsWith(prefix))
            i = at + prefix.size();
    }
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

// Quoted-printable as a mail's source shows it: "=XX" is the byte XX, and an "=" that ends
// a line (trailing spaces allowed) is a soft line break. The line break itself stays: the
// armour reading skips it anyway. Any other "=" stays as it is.
QString decodedQuotedPrintable(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'=') {
            out += text[i];
            continue;
        }
        qsizetype next = i + 1;
        while (next < text.size() && (text[next] == u' ' || text[next] == u'\t'))
            ++next;
        if (next == text.size() || isLineBreak(text[next])) {
            i = next - 1;
            continue;
        }
        if (i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += QChar(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
            continue;
        }
        out += u'=';
    }
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
    QByteArray armour;
    armour.reserve(end);
    for (QChar c : reading.first(end))
        if (isArmour(c))
            armour += char(c.unicode());
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
    if (between.contains(u"=3D", Qt::CaseInsensitive)) {
        const QByteArray block = blockUpToEnd(decodedQuotedPrintable(after));
        if (!block.isEmpty())
            return block;
    }
    return blockUpToEnd(after);
}

} // namespace MailCleaning

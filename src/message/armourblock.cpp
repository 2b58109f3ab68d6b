// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the armoured block inside a pasted mail. Pure functions over the received bytes.
#include "message/encdecmsg.h"

#include "backends/cipher/cipher.h"
#include "message/betweenmarkers.h"
#include "message/cleaning.h"
#include "message/columns.h"
#include "message/htmltext.h"
#include "message/mailsource.h"
#include "support/ansi.h"

#include <array>

namespace EncDecMsg {
namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
const QString kBeginMarker = QStringLiteral("TessamailMessageBegin");

bool isControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

Dearmoured dearmour(const QByteArray& block) {
    Dearmoured d;
    if (block.isEmpty())
        return d;
    d.found = true;
    QByteArray cipherBytes(Cipher::kBufferSize, '\0');
    d.r = Cipher::dcob(block.constData(), int(block.size()), cipherBytes.data(),
                       int(cipherBytes.size()));
    if (d.r > 0)
        d.cipher = cipherBytes.left(qMin<qint32>(d.r, Cipher::kBufferSize));
    return d;
}

Dearmoured findAndDearmour(QByteArray received) {
    return dearmour(FindArmouredBlock(received));
}

} // namespace

QByteArray TrimControlCharacters(const QByteArray& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isControl(text[from]))
        ++from;
    while (to > from && isControl(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

QByteArray NormaliseLineBreaks(const QByteArray& text) {
    const qsizetype n = text.size();
    // At worst every character is a lone LF that becomes two.
    QByteArray out(n * 2, Qt::Uninitialized);
    const char* in = text.constData();
    char* o = out.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = in[i];
        if (c == kCR) {
            *o++ = kCR;
            *o++ = kLF;
            if (i + 1 < n && in[i + 1] == kLF)
                ++i;
        } else if (c == kLF) {
            *o++ = kCR;
            *o++ = kLF;
        } else {
            *o++ = c;
        }
    }
    out.truncate(o - out.constData());
    return out;
}

// Each scan starts at `start` and walks forward until an empty line, a rejected character
// or the end. A scan that covered 300 characters or more is the block. Otherwise the next
// scan starts after the empty line, after a rejected first character, or at the start of
// the next line; so every character is looked at once.
QByteArray FindArmouredBlock(QByteArray& text, ArmourTest isArmour) {
    text = TrimControlCharacters(text);
    const QByteArray s = NormaliseLineBreaks(text);
    const qsizetype n = s.size();
    if (n == 0)
        return {};
    // The test is asked once for each byte value, not once for each character: the
    // characters of a long mail would otherwise each cost a call into the cipher library.
    std::array<bool, 256> armour;
    for (int code = 0; code < 256; ++code)
        armour[std::size_t(code)] = isArmour(code);

    qsizetype start = 0;
    while (start < n) {
        int lineFeeds = 0;
        qsizetype i = start; // where the scan stopped; n when it ran off the end
        bool emptyLine = false;
        for (; i < n; ++i) {
            const char c = s[i];
            if (c == kCR)
                continue;
            if (c == kLF) {
                if (++lineFeeds == 2) {
                    emptyLine = true;
                    break;
                }
                continue;
            }
            if (!armour[static_cast<unsigned char>(c)])
                break;
            lineFeeds = 0;
        }
        const qsizetype scanned = i - start;
        if (scanned >= kMinArmouredBlockLength)
            return TrimControlCharacters(s.mid(start, scanned));
        if (emptyLine || i == start) {
            start = i + 1;
            continue;
        }
        const qsizetype lf = i < n ? s.indexOf(kLF, i + 1) : -1;
        if (lf < 0)
            return {};
        start = lf + 1;
    }
    return {};
}

namespace {

// The readings of a text that programs other than mail readers give: the block as one
// column of a layout, the block written as HTML, and the text parts of a message's source.
// Each is read by every search the received text had; the first whose checksum verifies
// is taken, and nothing that does not verify ever is.
Dearmoured searchedAsText(const QString& text, bool asHtml, bool asSource);

Dearmoured inColumns(const QString& text) {
    for (const QByteArray& reading : MailColumns::ColumnReadings(text)) {
        Dearmoured d = dearmour(reading);
        if (d.r > 0)
            return d;
    }
    return {};
}

Dearmoured otherForms(const QString& text, bool asHtml, bool asSource) {
    if (text.contains(kBeginMarker)) {
        const Dearmoured columns = inColumns(text);
        if (columns.r > 0)
            return columns;
        if (asHtml) {
            const QString html = MailHtml::HtmlAroundMarkersAsText(text);
            if (!html.isEmpty()) {
                const Dearmoured d = searchedAsText(html, false, false);
                if (d.r > 0)
                    return d;
            }
        }
    }
    if (asSource) {
        // Decoded parts are read as text and as HTML, but not as sources again: one level
        // of parsing keeps the work linear in the length of the mail.
        for (const QString& part : MailSource::TextParts(text)) {
            const Dearmoured d = searchedAsText(part, true, false);
            if (d.r > 0)
                return d;
        }
    }
    return {};
}

Dearmoured searchedAsText(const QString& text, bool asHtml, bool asSource) {
    const Dearmoured first = findAndDearmour(Ansi::toAnsi(text));
    if (first.r > 0)
        return first;
    if (text.contains(kBeginMarker)) {
        const Dearmoured cleaned =
            findAndDearmour(Ansi::toAnsi(MailCleaning::CleanReceivedText(text)));
        if (cleaned.r > 0)
            return cleaned;
    }
    const Dearmoured between = dearmour(MailCleaning::ArmourBetweenMarkers(text));
    if (between.r > 0)
        return between;
    return otherForms(text, asHtml, asSource);
}

} // namespace

// Mail programs quote, indent, re-space and re-encode what they show; viewers and web pages
// lay it out in columns or leave it in HTML; a message's source holds it encoded. Each later
// try reads the text more freely; the transport checksum keeps a wrong reading from being
// taken.
Dearmoured FindAndDearmour(const QByteArray& received, const QString& receivedText) {
    const Dearmoured first = findAndDearmour(received);
    if (first.r > 0)
        return first;
    const QString text = receivedText.isEmpty() ? Ansi::fromAnsi(received) : receivedText;
    // Cleaning only removes characters at the edges of lines and whole empty lines, so it
    // can bring no Begin marker to light: without one in the text, the block the cleaned
    // search finds could never de-armour.
    if (text.contains(kBeginMarker)) {
        const Dearmoured cleaned =
            findAndDearmour(Ansi::toAnsi(MailCleaning::CleanReceivedText(text)));
        if (cleaned.r > 0)
            return cleaned;
    }
    const Dearmoured later = dearmour(MailCleaning::ArmourBetweenMarkers(text));
    if (later.r > 0)
        return later;
    const Dearmoured other = otherForms(text, true, true);
    return other.r > 0 ? other : first;
}

} // namespace EncDecMsg

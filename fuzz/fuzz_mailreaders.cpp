// SPDX-License-Identifier: GPL-3.0-or-later
// The later readings of a received mail over arbitrary text: the block as a column of a
// layout, the block written as HTML, and the text parts of a message's source; then all
// tries together as the decryption runs them.
//
// Invariants:
// - a column reading exists only for a text with a Begin marker and an End marker after it,
//   and is laid out as the Begin line, lines of armour characters only, and the End line;
// - the HTML reading is empty for a text without a Begin marker and never longer than the
//   longest stretch it converts;
// - a text without a MIME header run has no text parts; the quoted-printable decoder never
//   writes more than it reads;
// - what all tries together accept is a block whose transport checksum verified (its bytes
//   re-armour and de-armour to themselves), from a text with a Begin marker or a message
//   source.
#include "check.h"

#include "backends/cipher/cipher.h"
#include "message/columns.h"
#include "message/encdecmsg.h"
#include "message/htmltext.h"
#include "message/mailsource.h"
#include "support/ansi.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdint>

namespace {

const QString kBegin = QStringLiteral("TessamailMessageBegin");
const QString kEnd = QStringLiteral("TessamailMessageEnd");

// received without the characters of Unicode category Cf, which the last try drops.
QString withoutFormatCharacters(const QString& received) {
    QList<uint> codes = received.toUcs4();
    codes.removeIf([](uint code) { return QChar::category(code) == QChar::Other_Format; });
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(codes.constData()), codes.size());
}

bool isArmourOrLineBreak(char c) {
    return c == '\r' || c == '\n' || Cipher::cci(static_cast<unsigned char>(c)) >= 0;
}

void checkColumns(const QString& text) {
    const QList<QByteArray> readings = MailColumns::ColumnReadings(text);
    if (readings.isEmpty())
        return;
    const qsizetype begin = text.indexOf(kBegin);
    FUZZ_CHECK(begin >= 0 && text.indexOf(kEnd, begin + kBegin.size()) > begin);
    FUZZ_CHECK(readings.size() <= 4);
    for (const QByteArray& reading : readings) {
        FUZZ_CHECK(reading.startsWith(kBegin.toLatin1() + "\r\n"));
        FUZZ_CHECK(reading.endsWith("\r\n" + kEnd.toLatin1()));
        FUZZ_CHECK(std::all_of(reading.begin(), reading.end(), isArmourOrLineBreak));
        FUZZ_CHECK(readings.count(reading) == 1);
    }
}

void checkHtml(const QString& text) {
    const QString converted = MailHtml::HtmlAroundMarkersAsText(text);
    if (converted.isEmpty())
        return;
    FUZZ_CHECK(text.contains(kBegin));
    FUZZ_CHECK(converted.size() <= MailHtml::kMaxHtmlLength);
}

void checkSource(const QString& text) {
    const QList<QString> parts = MailSource::TextParts(text);
    if (MailSource::MessageStart(text) < 0)
        FUZZ_CHECK(parts.isEmpty());
}

void checkAllTries(const QByteArray& input, const QString& received) {
    const EncDecMsg::Dearmoured d = EncDecMsg::FindAndDearmour(input, received);
    if (d.r <= 0)
        return;
    FUZZ_CHECK(d.found && d.cipher.size() == d.r);
    FUZZ_CHECK(withoutFormatCharacters(received).contains(kBegin) ||
               MailSource::MessageStart(received) >= 0);
    QByteArray again(Cipher::kBufferSize, '\0');
    const int n = Cipher::cob(d.cipher.constData(), d.r, again.data(), int(again.size()));
    FUZZ_CHECK(n > 0);
    QByteArray back(Cipher::kBufferSize, '\0');
    FUZZ_CHECK(Cipher::dcob(again.constData(), n, back.data(), int(back.size())) == d.r);
    FUZZ_CHECK(back.left(d.r) == d.cipher);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!Cipher::alb())
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString received = QString::fromUtf8(input);

    checkColumns(received);
    checkHtml(received);
    checkSource(received);
    const QByteArray decoded = MailSource::DecodeQuotedPrintable(input);
    FUZZ_CHECK(decoded.size() <= input.size());

    checkAllTries(input, received);
    checkAllTries(input, Ansi::fromAnsi(input));
    return 0;
}

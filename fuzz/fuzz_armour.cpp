// SPDX-License-Identifier: GPL-3.0-or-later
// The receiving side's first steps over a pasted mail: the block search, de-armouring, and
// the second try over a cleaned copy. Also armours the input bytes and takes them back.
//
// Invariants:
// - the search trims its input in place, and the block it returns is a piece of the trimmed,
//   CR LF text made only of armour characters and single line breaks, trimmed itself; it is
//   the block a plain step-by-step reading of the search rules finds;
// - dcob writes nothing when it fails and nothing beyond what it returns; what it accepts is
//   exactly the canonical armour of the bytes it returns, and those bytes need a buffer of
//   exactly their size;
// - cleaning only removes characters (so it never makes a marker up) and a second cleaning
//   changes nothing;
// - cob of any input fits when its size says so, is found whole by the search, also with
//   filler text glued around it, and dcob gives the input back exactly;
// - the last try (the armour characters between the markers) returns nothing unless the
//   text, without its invisible format characters, holds a Begin marker; what it returns is
//   laid out as cob writes, and when dcob accepts it, it is exactly cob's armour of the
//   bytes; what all tries together accept is a block whose checksum verified, and never
//   one from a text without a Begin marker, unless the text holds a message source (whose
//   parts may hold the block encoded).
#include "check.h"

#include "backends/cipher/cipher.h"
#include "message/betweenmarkers.h"
#include "message/cleaning.h"
#include "message/encdecmsg.h"
#include "message/mailsource.h"
#include "support/ansi.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr char kBegin[] = "TessamailMessageBegin";
constexpr char kEnd[] = "TessamailMessageEnd";
constexpr unsigned char kUntouched = 0xa5;

bool armourCharacter(char c) {
    return Cipher::cci(static_cast<unsigned char>(c)) >= 0;
}

// True when out[from..to) still holds the fill pattern.
bool untouched(const char* out, int from, int to) {
    static const std::vector<char> pattern(Cipher::kBufferSize, char(kUntouched));
    return from >= to || std::memcmp(out + from, pattern.data(), std::size_t(to - from)) == 0;
}

bool isControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

QByteArray withoutLineBreaks(QByteArray s) {
    s.removeIf([](char c) { return c == '\r' || c == '\n'; });
    return s;
}

// The search rules read literally, one scan after the other over what is left of the text
// (positions counted from 1 as in the rules). Used as the reference for the real search.
QByteArray referenceSearch(const QByteArray& received) {
    const QByteArray s = EncDecMsg::NormaliseLineBreaks(EncDecMsg::TrimControlCharacters(received));
    qsizetype dropped = 0;
    while (dropped < s.size()) {
        const QByteArrayView rest = QByteArrayView(s).sliced(dropped);
        qsizetype i = 1;
        int lineFeeds = 0;
        bool stoppedOnLineFeed = false;
        for (; i <= rest.size(); ++i) {
            const char c = rest[i - 1];
            if (c == '\r')
                continue;
            if (c == '\n') {
                if (++lineFeeds == 2) {
                    stoppedOnLineFeed = true;
                    break;
                }
                continue;
            }
            if (!armourCharacter(c))
                break;
            lineFeeds = 0;
        }
        if (i > EncDecMsg::kMinArmouredBlockLength)
            return EncDecMsg::TrimControlCharacters(rest.first(i - 1).toByteArray());
        if (!stoppedOnLineFeed && i != 1) {
            const qsizetype lf = i < rest.size() ? rest.sliced(i).indexOf('\n') : -1;
            if (lf < 0)
                return {};
            i += lf + 1; // the position of that line feed
        }
        dropped += i;
    }
    return {};
}

// Runs the search on received and checks its result; returns the block.
QByteArray searchAndCheck(const QByteArray& received) {
    QByteArray text = received;
    const QByteArray block = EncDecMsg::FindArmouredBlock(text);
    const QByteArray trimmed = EncDecMsg::TrimControlCharacters(received);
    FUZZ_CHECK(text == trimmed);
    FUZZ_CHECK(block == referenceSearch(received));
    if (block.isEmpty())
        return block;
    FUZZ_CHECK(!isControl(block.front()) && !isControl(block.back()));
    for (char c : block)
        FUZZ_CHECK(c == '\r' || c == '\n' || armourCharacter(c));
    FUZZ_CHECK(!block.contains("\n\r\n") && !block.contains("\n\n"));
    FUZZ_CHECK(EncDecMsg::NormaliseLineBreaks(trimmed).contains(block));
    FUZZ_CHECK(withoutLineBreaks(trimmed).contains(withoutLineBreaks(block)));
    return block;
}

void checkDearmour(const QByteArray& armour) {
    // Made once: a buffer of this size per call costs more than the rest of the run.
    static const std::unique_ptr<char[]> out(new char[Cipher::kBufferSize]);
    std::memset(out.get(), kUntouched, Cipher::kBufferSize);
    const int r =
        Cipher::dcob(armour.constData(), int(armour.size()), out.get(), Cipher::kBufferSize);
    FUZZ_CHECK(r >= Cipher::kArmourDoesNotFit && r <= Cipher::kBufferSize);
    FUZZ_CHECK(untouched(out.get(), r > 0 ? r : 0, Cipher::kBufferSize));
    if (r <= 0)
        return;
    const QByteArray bytes(out.get(), r);

    // dcob accepts nothing but the canonical armour of what it returns, however the lines
    // were broken: the text between the markers equals the re-armoured bytes' text.
    constexpr qsizetype kBeginLength = sizeof kBegin - 1;
    const qsizetype begin = armour.indexOf(kBegin);
    const qsizetype end = armour.indexOf(kEnd, begin + kBeginLength);
    FUZZ_CHECK(begin >= 0 && end > begin);
    const QByteArray between = armour.mid(begin + kBeginLength, end - begin - kBeginLength);
    QByteArray again(Cipher::kBufferSize, '\0');
    const int n = Cipher::cob(bytes.constData(), r, again.data(), int(again.size()));
    FUZZ_CHECK(n > 0);
    FUZZ_CHECK(withoutLineBreaks(again.left(n)) == kBegin + withoutLineBreaks(between) + kEnd);

    // One byte short of room: refused, nothing written.
    std::memset(out.get(), kUntouched, Cipher::kBufferSize);
    FUZZ_CHECK(Cipher::dcob(armour.constData(), int(armour.size()), out.get(), r - 1) ==
               Cipher::kArmourDoesNotFit);
    FUZZ_CHECK(untouched(out.get(), 0, Cipher::kBufferSize));
}

void checkCleaning(const QString& received) {
    const QString cleaned = MailCleaning::CleanReceivedText(received);
    for (const QString& marker : {QString::fromLatin1(kBegin), QString::fromLatin1(kEnd)})
        FUZZ_CHECK(cleaned.count(marker) <= received.count(marker));
    // Nothing but line breaks is added: the rest is the received text with parts left out.
    qsizetype at = 0;
    for (QChar c : cleaned) {
        if (c == u'\r' || c == u'\n')
            continue;
        while (at < received.size() && received[at] != c)
            ++at;
        FUZZ_CHECK(at < received.size());
        ++at;
    }
    FUZZ_CHECK(MailCleaning::CleanReceivedText(cleaned) == cleaned);

    const QByteArray block = searchAndCheck(Ansi::toAnsi(cleaned));
    if (!block.isEmpty())
        checkDearmour(block);
}

// received without the characters of Unicode category Cf, written independently of the
// program's own loop.
QString withoutFormatCharacters(const QString& received) {
    QList<uint> codes = received.toUcs4();
    codes.removeIf([](uint code) { return QChar::category(code) == QChar::Other_Format; });
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(codes.constData()), codes.size());
}

bool isBase64(char c) {
    return c != '=' && armourCharacter(c);
}

void checkLastTry(const QByteArray& input, const QString& received) {
    const bool hasBegin = withoutFormatCharacters(received).contains(QLatin1String(kBegin));
    const QByteArray block = MailCleaning::ArmourBetweenMarkers(received);
    if (!block.isEmpty()) {
        FUZZ_CHECK(hasBegin);
        // Begin line, base64 lines of 64 (the last one shorter or not), "=" and 8 base64
        // characters, End line.
        const QList<QByteArray> lines = block.split('\n');
        FUZZ_CHECK(lines.size() >= 4);
        FUZZ_CHECK(lines.front() == QByteArray(kBegin) + '\r' && lines.back() == kEnd);
        for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
            const QByteArray line = lines[i].chopped(1);
            FUZZ_CHECK(lines[i].endsWith('\r'));
            if (i + 2 == lines.size()) {
                FUZZ_CHECK(line.size() == 9 && line[0] == '=');
                FUZZ_CHECK(std::all_of(line.begin() + 1, line.end(), isBase64));
                continue;
            }
            FUZZ_CHECK(line.size() == 64 || (i + 3 == lines.size() && line.size() % 4 == 0));
            FUZZ_CHECK(std::all_of(line.begin(), line.end(), armourCharacter));
        }
        QByteArray bytes(Cipher::kBufferSize, '\0');
        const int r =
            Cipher::dcob(block.constData(), int(block.size()), bytes.data(), int(bytes.size()));
        if (r > 0) {
            QByteArray again(Cipher::kBufferSize, '\0');
            const int n = Cipher::cob(bytes.constData(), r, again.data(), int(again.size()));
            FUZZ_CHECK(again.left(n) == block);
        }
    }

    const EncDecMsg::Dearmoured d = EncDecMsg::FindAndDearmour(input, received);
    if (d.r <= 0)
        return;
    // A message source may hold the block encoded (base64), markers and all.
    FUZZ_CHECK(hasBegin || MailSource::MessageStart(received) >= 0);
    FUZZ_CHECK(d.found && d.cipher.size() == d.r);
    // The checksum verified: the bytes re-armoured de-armour to themselves.
    QByteArray again(Cipher::kBufferSize, '\0');
    const int n = Cipher::cob(d.cipher.constData(), d.r, again.data(), int(again.size()));
    FUZZ_CHECK(n > 0);
    QByteArray back(Cipher::kBufferSize, '\0');
    FUZZ_CHECK(Cipher::dcob(again.constData(), n, back.data(), int(back.size())) == d.r);
    FUZZ_CHECK(back.left(d.r) == d.cipher);
}

qsizetype armourLength(qsizetype size) {
    const qsizetype base64 = (size + 2) / 3 * 4;
    const qsizetype lines = (base64 + 63) / 64;
    return qsizetype(sizeof kBegin) - 1 + 2 + base64 + 2 * lines + 9 + 2 + qsizetype(sizeof kEnd) -
           1;
}

void checkRoundTrip(const QByteArray& input) {
    if (input.isEmpty()) {
        char out[16];
        FUZZ_CHECK(Cipher::cob(input.constData(), 0, out, sizeof out) == -1);
        return;
    }
    const qsizetype expected = armourLength(input.size());
    if (expected > Cipher::kBufferSize) {
        const std::unique_ptr<char[]> out(new char[Cipher::kBufferSize]);
        std::memset(out.get(), kUntouched, Cipher::kBufferSize);
        FUZZ_CHECK(Cipher::cob(input.constData(), int(input.size()), out.get(),
                               Cipher::kBufferSize) == -1);
        FUZZ_CHECK(untouched(out.get(), 0, Cipher::kBufferSize));
        return;
    }
    // Exactly sized buffers, so that AddressSanitizer sees any write beyond them.
    const std::unique_ptr<char[]> armour(new char[expected]);
    FUZZ_CHECK(Cipher::cob(input.constData(), int(input.size()), armour.get(), int(expected) - 1) ==
               -1);
    FUZZ_CHECK(Cipher::cob(input.constData(), int(input.size()), armour.get(), int(expected)) ==
               expected);
    const QByteArray text(armour.get(), expected);
    FUZZ_CHECK(text.startsWith(QByteArray(kBegin) + "\r\n") &&
               text.endsWith(QByteArray("\r\n") + kEnd));
    for (char c : text)
        FUZZ_CHECK(c == '\r' || c == '\n' || armourCharacter(c));
    FUZZ_CHECK(!text.contains("\r\n\r\n"));

    const std::unique_ptr<char[]> back(new char[input.size()]);
    FUZZ_CHECK(Cipher::dcob(armour.get(), int(expected), back.get(), int(input.size())) ==
               input.size());
    FUZZ_CHECK(std::memcmp(back.get(), input.constData(), input.size()) == 0);

    if (text.size() >= EncDecMsg::kMinArmouredBlockLength) {
        QByteArray received = text;
        FUZZ_CHECK(EncDecMsg::FindArmouredBlock(received) == text);
        // The self-test's filler: glued in front on the same line, or on the line after.
        char filler[Cipher::kRandomTextBufferSize];
        const int n = Cipher::mt(1 + int(input.size() % 32000), filler);
        received = QByteArray(filler, n) + text + "\r\n" + QByteArray(filler, n);
        FUZZ_CHECK(EncDecMsg::FindArmouredBlock(received) == text);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!Cipher::alb())
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));

    // First try: the received bytes as they are.
    const QByteArray block = searchAndCheck(input);
    if (!block.isEmpty())
        checkDearmour(block);

    // Second try: a cleaned copy, made from the bytes as Windows-1252 (no clipboard text
    // kept) and, where they are UTF-8, from the clipboard text they would be.
    checkCleaning(Ansi::fromAnsi(input));
    if (QUtf8StringView(input).isValidUtf8())
        checkCleaning(QString::fromUtf8(input));

    // All three tries, as the decryption runs them, over the same two readings of the bytes.
    checkLastTry(input, Ansi::fromAnsi(input));
    if (QUtf8StringView(input).isValidUtf8())
        checkLastTry(input, QString::fromUtf8(input));

    checkRoundTrip(input);
    return 0;
}

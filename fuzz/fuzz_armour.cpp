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
//   filler text glued around it, and dcob gives the input back exactly.
#include "check.h"

#include "backends/cipher/cipher.h"
#include "message/cleaning.h"
#include "message/encdecmsg.h"
#include "support/ansi.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

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

// Returns dcob's result and, when it is positive, the bytes in out.
int dearmourAndCheck(const QByteArray& armour, QByteArray& bytes) {
    // Made once: a buffer of this size per call costs more than the rest of the run.
    static const std::unique_ptr<char[]> out(new char[Cipher::kBufferSize]);
    std::memset(out.get(), kUntouched, Cipher::kBufferSize);
    const int r =
        Cipher::dcob(armour.constData(), int(armour.size()), out.get(), Cipher::kBufferSize);
    FUZZ_CHECK(r >= Cipher::kArmourDoesNotFit && r <= Cipher::kBufferSize);
    FUZZ_CHECK(untouched(out.get(), r > 0 ? r : 0, Cipher::kBufferSize));
    if (r <= 0)
        return r;
    bytes = QByteArray(out.get(), r);

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
    return r;
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
    if (!block.isEmpty()) {
        QByteArray bytes;
        dearmourAndCheck(block, bytes);
    }
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
    if (!block.isEmpty()) {
        QByteArray bytes;
        dearmourAndCheck(block, bytes);
    }

    // Second try: a cleaned copy, made from the bytes as Windows-1252 (no clipboard text
    // kept) and, where they are UTF-8, from the clipboard text they would be.
    checkCleaning(Ansi::fromAnsi(input));
    if (QUtf8StringView(input).isValidUtf8())
        checkCleaning(QString::fromUtf8(input));

    checkRoundTrip(input);
    return 0;
}

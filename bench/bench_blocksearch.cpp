// SPDX-License-Identifier: GPL-3.0-or-later
// The block search over clipboard text built to make it work hard, at 150 KB and at twice
// that, to show that the time grows with the length and no faster: the first search with the
// block as written at the end; the last try alone; and all three tries with a block at the
// end that only the last one reads. Then the whole source of a message of 1 MB and 2 MB whose
// block is in a base64 text part, behind a long base64 text part: only the reading of the
// message source finds it.
#include "context.h"
#include "sample.h"

#include "message/betweenmarkers.h"
#include "message/encdecmsg.h"
#include "support/ansi.h"

#include <benchmark/benchmark.h>

namespace Bench {

namespace {

void findBlock(benchmark::State& state, int size) {
    const Context& c = context();
    const QByteArray clipboard = adversarialClipboard(size, c.smallArmoured);
    for (auto _ : state) {
        QByteArray text = clipboard; // the search trims its argument in place
        const QByteArray block = EncDecMsg::FindArmouredBlock(text);
        if (block != c.smallArmoured) {
            state.SkipWithError("the search did not return the block at the end");
            break;
        }
        benchmark::DoNotOptimize(block.data());
    }
    state.SetBytesProcessed(state.iterations() * clipboard.size());
}

// The block as a reply quotes it with "| ", and with a soft hyphen that a web mailer put
// after every 16th character of a line (softHyphens): neither search before the last one can
// read it. Without the soft hyphens the markers stay whole, so the cleaned search runs too.
QByteArray mangledForLastTry(const QByteArray& armoured, bool softHyphens = true) {
    QByteArray out;
    for (const QByteArray& line : armoured.split('\n')) {
        out += "| ";
        for (qsizetype i = 0; i < line.size(); ++i) {
            out += line[i];
            if (softHyphens && i % 16 == 15)
                out += '\xad';
        }
        out += '\n';
    }
    return out;
}

// The last try's worst case: the Begin marker on the first line, behind a quote prefix
// with letters and before a quoted-printable escape, so that every step of the try runs
// over the whole text (format characters, quote prefix, both readings). What stands
// between the markers is no block.
void betweenMarkers(benchmark::State& state, int size) {
    const Context& c = context();
    const QByteArray first = "AE> TessamailMessageBegin =3D\r\n";
    const QString clipboard = Ansi::fromAnsi(
        first + adversarialClipboard(size - int(first.size()), mangledForLastTry(c.smallArmoured)));
    for (auto _ : state) {
        const QByteArray block = MailCleaning::ArmourBetweenMarkers(clipboard);
        if (!block.isEmpty()) {
            state.SkipWithError("the last try took the whole text for a block");
            break;
        }
        benchmark::DoNotOptimize(block.data());
    }
    state.SetBytesProcessed(state.iterations() * clipboard.size());
}

// What the user waits for when only the last try reads the block.
void allTries(benchmark::State& state, int size, bool softHyphens) {
    const Context& c = context();
    const QByteArray clipboard =
        adversarialClipboard(size, mangledForLastTry(c.smallArmoured, softHyphens));
    for (auto _ : state) {
        const EncDecMsg::Dearmoured d = EncDecMsg::FindAndDearmour(clipboard, QString());
        if (d.r <= 0) {
            state.SkipWithError("no try returned the block at the end");
            break;
        }
        benchmark::DoNotOptimize(d.cipher.data());
    }
    state.SetBytesProcessed(state.iterations() * clipboard.size());
}

// A text part in base64, lines of 76 as MIME writes them.
QByteArray base64Part(const QByteArray& text) {
    QByteArray part = "Content-Type: text/plain; charset=\"windows-1252\"\r\n"
                      "Content-Transfer-Encoding: base64\r\n\r\n";
    const QByteArray encoded = text.toBase64();
    for (qsizetype at = 0; at < encoded.size(); at += 76)
        part += encoded.mid(at, 76) + "\r\n";
    return part;
}

// The source of a message of about size bytes: a long letter, then the block's mail, each a
// base64 text part of a multipart/mixed message.
QByteArray rawMessage(int size, const QByteArray& armoured) {
    const QByteArray boundary = "----=_Part_4711_0815.1765432100000";
    const QByteArray mail = inMail(armoured);
    const int letterSize = (size - int(mail.size()) * 4 / 3 - 2000) * 3 / 4;
    return "Return-Path: <alice@example.org>\r\n"
           "From: Alice Example <alice@example.org>\r\n"
           "To: Bob Example <bob@example.net>\r\n"
           "Subject: Zahlen Q3\r\n"
           "Date: Thu, 10 Dec 2026 09:30:00 +0100\r\n"
           "Message-ID: <4711.0815@example.org>\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"" +
           boundary + "\"\r\n\r\nThis is a multi-part message in MIME format.\r\n\r\n--" +
           boundary + "\r\n" + base64Part(letterText(letterSize, 11)) + "\r\n--" + boundary +
           "\r\n" + base64Part(mail) + "\r\n--" + boundary + "--\r\n";
}

void rawMessageSource(benchmark::State& state, int size) {
    const Context& c = context();
    const QByteArray clipboard = rawMessage(size, c.smallArmoured);
    for (auto _ : state) {
        const EncDecMsg::Dearmoured d = EncDecMsg::FindAndDearmour(clipboard, QString());
        if (d.r <= 0) {
            state.SkipWithError("the block in the base64 part was not found");
            break;
        }
        benchmark::DoNotOptimize(d.cipher.data());
    }
    state.counters["source_bytes"] = double(clipboard.size());
    state.SetBytesProcessed(state.iterations() * clipboard.size());
}

} // namespace

BENCHMARK_CAPTURE(rawMessageSource, 1MB, 1 << 20)
    ->Name("message/find_block_raw_message/1MB/ours")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(rawMessageSource, 2MB, 2 << 20)
    ->Name("message/find_block_raw_message/2MB/ours")
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_CAPTURE(findBlock, 150KB, 150 * 1024)
    ->Name("message/find_block/150KB/ours")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(findBlock, 300KB, 300 * 1024)
    ->Name("message/find_block/300KB/ours")
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_CAPTURE(betweenMarkers, 150KB, 150 * 1024)
    ->Name("message/find_block_between_markers/150KB/ours")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(betweenMarkers, 300KB, 300 * 1024)
    ->Name("message/find_block_between_markers/300KB/ours")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(allTries, 150KB, 150 * 1024, true)
    ->Name("message/find_block_all_tries/150KB/ours")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(allTries, 300KB, 300 * 1024, true)
    ->Name("message/find_block_all_tries/300KB/ours")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(allTries, 150KB_markers, 150 * 1024, false)
    ->Name("message/find_block_all_tries_markers/150KB/ours")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(allTries, 300KB_markers, 300 * 1024, false)
    ->Name("message/find_block_all_tries_markers/300KB/ours")
    ->Unit(benchmark::kMicrosecond);

} // namespace Bench

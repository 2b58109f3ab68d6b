// SPDX-License-Identifier: GPL-3.0-or-later
#include "sample.h"

#include "keys/keyrules.h"
#include "support/ansi.h"

#include <iterator>
#include <random>

namespace Bench {

QString typedKey() {
    return QStringLiteral("Grüße aus dem Benchmark-Kästchen 2024");
}

QString keyEntry() {
    return QStringLiteral("empfaenger@example.org «» ") + typedKey();
}

QByteArray cipherKey() {
    return Ansi::toAnsi(KeyRules::ExtendedReducedKey(typedKey()));
}

QByteArray letterText(int size, unsigned seed) {
    static const char* const words[] = {
        "Sehr",  "geehrte",  "Damen", "und",     "Herren", "the",    "report",  "for",
        "März",  "attached", "Grüße", "meeting", "Zürich", "budget", "café",    "naïve",
        "quote", "order",    "2024",  "page",    "über",   "résumé", "figures", "draft"};
    std::mt19937 generator(seed);
    QByteArray text;
    text.reserve(size + 16);
    int column = 0;
    while (text.size() < size) {
        // The word list is UTF-8 in the source; the program carries Windows-1252.
        const QByteArray word =
            Ansi::toAnsi(QString::fromUtf8(words[generator() % std::size(words)]));
        if (column + word.size() > 72) {
            text += "\r\n";
            column = 0;
        } else if (column) {
            text += generator() % 9 == 0 ? ", " : " ";
            column += 2;
        }
        text += word;
        column += int(word.size());
    }
    return text.left(size);
}

QByteArray randomBytes(int size, unsigned seed) {
    std::mt19937 generator(seed);
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = char(generator() & 0xff);
    return bytes;
}

QByteArray largestText() {
    return letterText(40960, 1);
}

QList<EncDecMsg::PackagedFile> largestFiles() {
    return {{"Quartalsbericht.pdf", randomBytes(30720, 2)},
            {"notes.txt", letterText(20480, 3)},
            {"photo.jpg", randomBytes(10240, 4)}};
}

QByteArray largestPackage() {
    return EncDecMsg::BuildPackage(largestText(), largestFiles());
}

QByteArray inMail(const QByteArray& armoured) {
    return "Hallo Anna,\r\n\r\nhier der Bericht, wie besprochen.\r\n\r\n" + armoured +
           "\r\n\r\nViele Grüße\r\nBernd\r\n-- \r\nBernd Beispiel, Musterstraße 1, 12345 "
           "Beispielstadt\r\n";
}

QByteArray adversarialClipboard(int size, const QByteArray& armoured) {
    static const QByteArray armourAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
    QByteArray rejected; // every byte value that cannot be armour, line breaks aside
    for (int c = 0; c < 256; ++c)
        if (!armourAlphabet.contains(char(c)) && c != '\r' && c != '\n')
            rejected += char(c);

    std::mt19937 generator(7);
    const auto armourLine = [&](int length) {
        QByteArray line(length, '\0');
        for (char& c : line)
            c = armourAlphabet[generator() % 64];
        return line;
    };

    const qsizetype body = size - armoured.size() - 4;
    QByteArray text;
    text.reserve(size);
    while (text.size() < body) {
        // A run of rejected characters without a line break: every one of them starts a
        // scan of its own and is dropped alone.
        for (int i = 0; i < 1000; ++i)
            text += rejected[i % rejected.size()];
        text += "\r\n";
        // Short stretches, each ended just before it could count as a block: four full armour
        // lines (264 characters with their line breaks) and an empty line; twelve short ones
        // (264) and an empty line; four full lines and a fifth that breaks off at 294
        // characters on a rejected character, then a quote mark at the start of the next
        // line; four lines with LF-only and CR-only breaks, which are normalised first.
        for (int k = 0; k < 4; ++k) {
            for (int l = 0; l < 4; ++l)
                text += armourLine(64) + "\r\n";
            text += "\r\n";
            for (int l = 0; l < 12; ++l)
                text += armourLine(20) + "\r\n";
            text += "\r\n";
            for (int l = 0; l < 4; ++l)
                text += armourLine(64) + "\r\n";
            text += armourLine(30) + " stop here\r\n> ";
            for (int l = 0; l < 4; ++l)
                text += armourLine(64) + (l % 2 ? "\n" : "\r");
            text += "\r\n\r\n";
        }
    }
    text.truncate(body);
    return text + "\r\n\r\n" + armoured;
}

} // namespace Bench

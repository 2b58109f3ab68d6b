#include "sample.h"

#include <QList>
#include <QPair>
#include <QString>

#include <iterator>
#include <random>

namespace Bench {

namespace {

// Packs text and files the way the program does: lengths in decimal, TAB separated, a
// closing TAB for the empty name that ends the list of files.
QByteArray package(const QByteArray& text, const QList<QPair<QByteArray, QByteArray>>& files) {
    QByteArray p = QByteArray::number(text.size()) + '\t' + text;
    for (const auto& [name, contents] : files)
        p += name + '\t' + QByteArray::number(contents.size()) + '\t' + contents;
    return p + '\t';
}

} // namespace

QByteArray messageKey() {
    const QByteArray reduced = "GR\xdc\xdf"
                               "AUSDEMBENCHMARKK\xc4STCHEN2024";
    return reduced.repeated(64 / reduced.size() + 1).left(64);
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
        // The word list is UTF-8 in the source; the program carries Windows-1252, which
        // agrees with Latin-1 for these letters.
        const QByteArray ansi = QString::fromUtf8(words[generator() % std::size(words)]).toLatin1();
        if (column + ansi.size() > 72) {
            text += "\r\n";
            column = 0;
        } else if (column) {
            text += generator() % 9 == 0 ? ", " : " ";
            column += 2;
        }
        text += ansi;
        column += int(ansi.size());
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

QByteArray largestPackage() {
    return package(letterText(40960, 1), {{"Quartalsbericht.pdf", randomBytes(30720, 2)},
                                          {"notes.txt", letterText(20480, 3)},
                                          {"photo.jpg", randomBytes(10240, 4)}});
}

} // namespace Bench

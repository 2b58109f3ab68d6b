// SPDX-License-Identifier: GPL-3.0-or-later
#include "selftest/strproc.h"

#include <QRandomGenerator>
#include <chrono>
#include <cmath>
#include <random>

namespace StrProc {
namespace {

QRandomGenerator& generator() {
    static QRandomGenerator g;
    return g;
}

// Rounds halves to the even neighbour, as the draws of the self-test have always done;
// the bounds of the documented length ranges depend on it.
int roundHalfEven(double x) {
    return int(std::nearbyint(x));
}

// A whole number from 0 to count - 1.
int pick(int count) {
    return int(count * Rnd());
}

// Length from least to greatest + 1; never negative, whatever the caller's bounds.
int targetLength(int least, int greatest) {
    const double span = double(greatest) - double(least) + 1.0;
    return qMax(0, roundHalfEven(Rnd() * span + double(least)));
}

// Grows seed text to at least target characters by appending slices of its own first
// 4,096 characters (start 1 to 3,901, 20 to 161 long), then cuts it to target.
template <typename Text> void extendBySelfSlices(Text& text, int target) {
    while (text.size() < target) {
        const int start = roundHalfEven(Rnd() * 3900.0 + 1.0);
        const int length = roundHalfEven(Rnd() * 141.0 + 20.0);
        text.append(text.mid(start - 1, length));
    }
    text.truncate(target);
}

constexpr int kSeedLength = 4096;

// Letters twice over on each side, 29 lower-case vowels with and without accents and 48
// spaces in the middle: 285 characters, so about one character in six is a space.
const QString& keyAlphabet() {
    static const QString alphabet = [] {
        QString letters;
        for (char16_t c = u'A'; c <= u'Z'; ++c)
            letters += QChar(c);
        for (char16_t c = u'a'; c <= u'z'; ++c)
            letters += QChar(c);
        const QString vowels =
            QStringLiteral("AEIOUaeiouÀÁÂÃÄÅÆÈÉÊËÌÍÎÏÒÓÔÕÖØÙÚÛÜàáâãäåæèéêëìíîïòóôõöøùúûü");
        const QString block = letters + letters;
        return block + vowels.mid(5, 29).toLower() + QString(48, QLatin1Char(' ')) + block;
    }();
    return alphabet;
}

} // namespace

double Rnd() {
    return generator().generateDouble();
}

void Randomize() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const quint64 ns = quint64(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    std::seed_seq seq{quint32(ns), quint32(ns >> 32)};
    generator().seed(seq);
}

void Randomize(quint32 seed) {
    generator().seed(seed);
}

QString RandomCharacters(int least, int greatest, bool repetitive) {
    if (greatest == 0)
        return QString();
    const int target = targetLength(least, greatest);
    const QString& alphabet = keyAlphabet();
    const int made = repetitive ? qMax(target, kSeedLength) : target;
    QString s;
    s.reserve(made + 161);
    for (int i = 0; i < (repetitive ? kSeedLength : target); ++i)
        s += alphabet.at(pick(int(alphabet.size())));
    if (repetitive)
        extendBySelfSlices(s, target);

    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && s.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && s.at(to - 1) == QLatin1Char(' '))
        --to;
    s = s.mid(from, to - from);
    if (!s.isEmpty())
        s[0] = s.at(0).toUpper();
    return s;
}

QByteArray RandomBytes(int least, int greatest, int low, int high, bool repetitive) {
    const int target = targetLength(least, greatest);
    const int codes = high - low + 1;
    const int made = repetitive ? kSeedLength : target;
    QByteArray b;
    b.reserve(qMax(made, target) + 161);
    for (int i = 0; i < made; ++i)
        b += char(quint8(int(codes * Rnd() + low)));
    if (repetitive)
        extendBySelfSlices(b, target);
    return b;
}

QString RandomFileName(const QString& extensions) {
    static const QString consonants = QStringLiteral("bcdfghjklmnpqrstvwxyz");
    static const QString vowels = QStringLiteral("aeiou");
    const int length = 2 * (pick(3) + 1);
    QString name;
    while (name.size() < length) {
        name += consonants.at(pick(int(consonants.size())));
        name += vowels.at(pick(int(vowels.size())));
    }
    name += consonants.at(pick(int(consonants.size())));
    if (extensions.isEmpty())
        return name;
    return name + QLatin1Char('.') + RandomExtension(extensions);
}

QString RandomExtension(const QString& list) {
    const int k = pick(int(list.size() / 3));
    return list.mid(3 * k, 3);
}

} // namespace StrProc

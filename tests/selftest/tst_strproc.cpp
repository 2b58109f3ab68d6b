// SPDX-License-Identifier: GPL-3.0-or-later
#include "selftest/strproc.h"

#include <QSet>
#include <QtTest>

namespace {

constexpr int kDraws = 2000;

// The 285-character alphabet of the random characters, as a set.
QSet<QChar> keyCharacters() {
    QSet<QChar> set;
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        set << QChar(c) << QChar(c).toLower();
    for (QChar c : QStringLiteral("aeiouàáâãäåæèéêëìíîïòóôõöøùúû "))
        set << c;
    return set;
}

} // namespace

class TestStrProc : public QObject {
    Q_OBJECT

private slots:
    void init() { StrProc::Randomize(20240601u); }

    void rndStaysInUnitInterval() {
        double lowest = 1.0, highest = 0.0;
        for (int i = 0; i < 100000; ++i) {
            const double r = StrProc::Rnd();
            QVERIFY(r >= 0.0 && r < 1.0);
            lowest = qMin(lowest, r);
            highest = qMax(highest, r);
        }
        QVERIFY(lowest < 0.001 && highest > 0.999);
    }

    void sameSeedRepeatsTheSequence() {
        StrProc::Randomize(7u);
        const QString a = StrProc::RandomCharacters(16, 64, false);
        StrProc::Randomize(7u);
        QCOMPARE(StrProc::RandomCharacters(16, 64, false), a);
        StrProc::Randomize();
        const double first = StrProc::Rnd();
        StrProc::Randomize();
        QVERIFY(StrProc::Rnd() != first);
    }

    // Lengths may reach greatest + 1 (the draw rounds up) and, after trimming spaces, fall
    // below least; the characters come from the alphabet and the first is never lower case.
    void randomCharacters_data() {
        QTest::addColumn<int>("least");
        QTest::addColumn<int>("greatest");
        QTest::addColumn<bool>("repetitive");
        QTest::addRow("key 16..64") << 16 << 64 << false;
        QTest::addRow("one character") << 1 << 1 << false;
        QTest::addRow("repetitive short") << 1 << 300 << true;
        QTest::addRow("repetitive beyond the seed") << 5000 << 9000 << true;
    }
    void randomCharacters() {
        QFETCH(int, least);
        QFETCH(int, greatest);
        QFETCH(bool, repetitive);
        const QSet<QChar> alphabet = keyCharacters();
        const int draws = greatest > 1000 ? 200 : kDraws;
        int longest = 0;
        for (int i = 0; i < draws; ++i) {
            const QString s = StrProc::RandomCharacters(least, greatest, repetitive);
            QVERIFY2(s.size() <= greatest + 1, qPrintable(QString::number(s.size())));
            // Only the trimmed spaces at either end can make it shorter than least.
            QVERIFY2(s.size() > least - 40, qPrintable(QString::number(s.size())));
            longest = qMax(longest, int(s.size()));
            if (s.isEmpty())
                continue;
            QVERIFY(s.front() != QLatin1Char(' ') && s.back() != QLatin1Char(' '));
            QVERIFY2(!s.front().isLower() && alphabet.contains(s.front().toLower()), qPrintable(s));
            for (QChar c : s.mid(1))
                QVERIFY2(alphabet.contains(c), qPrintable(QString(c)));
        }
        // The top of a narrow range comes up often enough to be seen.
        if (greatest - least < 100)
            QCOMPARE(longest, greatest + 1);
    }

    void keyAlphabetShowsEveryKindOfCharacter() {
        QSet<QChar> seen;
        for (int i = 0; i < kDraws; ++i)
            for (QChar c : StrProc::RandomCharacters(64, 64, false))
                seen << c;
        QVERIFY(seen.contains(QLatin1Char(' ')));
        QVERIFY(seen.contains(QChar(u'û')));
        QVERIFY(!seen.contains(QChar(u'ü')));
        QVERIFY(seen.contains(QLatin1Char('Z')) && seen.contains(QLatin1Char('z')));
    }

    void randomCharactersWithGreatestZeroIsEmpty() {
        QVERIFY(StrProc::RandomCharacters(0, 0, false).isEmpty());
        QVERIFY(StrProc::RandomCharacters(1, 0, true).isEmpty());
    }

    // Repetitive data is made of slices (20 to 161 bytes) of its own first 4,096 bytes, so
    // most stretches of 20 bytes further on occur among those; in random bytes none would.
    void repetitiveDataRepeatsItsBeginning_data() {
        QTest::addColumn<bool>("repetitive");
        QTest::addRow("repetitive") << true;
        QTest::addRow("not repetitive") << false;
    }
    void repetitiveDataRepeatsItsBeginning() {
        QFETCH(bool, repetitive);
        const QByteArray b = StrProc::RandomBytes(20000, 20000, 0, 255, repetitive);
        const QByteArray seed = b.left(4096);
        int found = 0, sampled = 0;
        for (int at = 4096; at + 20 <= b.size(); at += 97, ++sampled)
            found += seed.contains(b.mid(at, 20)) ? 1 : 0;
        if (repetitive)
            QVERIFY2(found > sampled / 2,
                     qPrintable(QStringLiteral("%1 of %2").arg(found).arg(sampled)));
        else
            QCOMPARE(found, 0);
    }

    void randomBytes_data() {
        QTest::addColumn<int>("least");
        QTest::addColumn<int>("greatest");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<bool>("repetitive");
        QTest::addRow("file of 1..100") << 1 << 100 << 0 << 255 << true;
        QTest::addRow("exact 10, letters") << 10 << 10 << int('a') << int('z') << false;
        QTest::addRow("single code") << 1 << 50 << 200 << 200 << false;
        QTest::addRow("empty allowed") << 0 << 3 << 0 << 255 << false;
    }
    void randomBytes() {
        QFETCH(int, least);
        QFETCH(int, greatest);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(bool, repetitive);
        int shortest = INT_MAX, longest = 0, lowest = 256, highest = -1;
        for (int i = 0; i < kDraws; ++i) {
            const QByteArray b = StrProc::RandomBytes(least, greatest, low, high, repetitive);
            shortest = qMin(shortest, int(b.size()));
            longest = qMax(longest, int(b.size()));
            for (char c : b) {
                lowest = qMin(lowest, int(quint8(c)));
                highest = qMax(highest, int(quint8(c)));
            }
        }
        QCOMPARE(shortest, least);
        QCOMPARE(longest, greatest + 1);
        QCOMPARE(lowest, low);
        QCOMPARE(highest, high);
    }

    void randomBytesNeverNegativeLength() {
        // A spent budget gives nothing, not a failure.
        for (int i = 0; i < 100; ++i)
            QVERIFY(StrProc::RandomBytes(1, -50, 0, 255, true).size() <= 1);
    }

    void randomFileName_data() {
        QTest::addColumn<QString>("extensions");
        QTest::addRow("self-test list") << QStringLiteral("zipdoctxtpdfmdbgifjpgpngbmpxlscpp");
        QTest::addRow("no extension") << QString();
        QTest::addRow("one extension") << QStringLiteral("pdf");
    }
    void randomFileName() {
        QFETCH(QString, extensions);
        const QString consonants = QStringLiteral("bcdfghjklmnpqrstvwxyz");
        const QString vowels = QStringLiteral("aeiou");
        QSet<int> lengths;
        QSet<QString> exts;
        for (int i = 0; i < kDraws; ++i) {
            const QString name = StrProc::RandomFileName(extensions);
            QString stem = name;
            if (!extensions.isEmpty()) {
                QCOMPARE(name.at(name.size() - 4), QLatin1Char('.'));
                const QString ext = name.right(3);
                QVERIFY2(extensions.indexOf(ext) % 3 == 0, qPrintable(name));
                exts << ext;
                stem.chop(4);
            }
            lengths << int(stem.size());
            for (int k = 0; k < stem.size(); ++k)
                QVERIFY2((k % 2 == 0 ? consonants : vowels).contains(stem.at(k)), qPrintable(name));
        }
        QCOMPARE(lengths, (QSet<int>{3, 5, 7}));
        QCOMPARE(int(exts.size()), int(extensions.size() / 3));
    }
};

QTEST_MAIN(TestStrProc)
#include "tst_strproc.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// The key-list text inside the keyfile: what the store writes reads back the same, and a
// text that breaks the record format is refused whole.
#include "keys/keylisttext.h"

#include <QtTest>

using namespace KeyListText;

Q_DECLARE_METATYPE(KeyListText::Error)

class TestKeyListText : public QObject {
    Q_OBJECT

private slots:
    void formatAndParseAgree_data() {
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("one entry")
            << QList<Entry>{{"ann \u00AB2007-03-09\u00BB tall trees", 2454169}}
            << QByteArray("ann \xAB"
                          "2007-03-09\xBB tall trees\t2454169\t");
        QTest::newRow("file order kept, duplicates kept")
            << QList<Entry>{{"b \u00AB\u00BB key", 1},
                            {"a \u00AB\u00BB key", 2},
                            {"a \u00AB\u00BB key", 2}}
            << QByteArray("b \xAB\xBB key\t1\ta \xAB\xBB key\t2\ta \xAB\xBB key\t2\t");
        QTest::newRow("32-bit extremes")
            << QList<Entry>{{"low", std::numeric_limits<qint32>::min()},
                            {"zero", 0},
                            {"high", std::numeric_limits<qint32>::max()}}
            << QByteArray("low\t-2147483648\tzero\t0\thigh\t2147483647\t");
        QTest::newRow("Windows-1252 letters")
            << QList<Entry>{{QString::fromUtf8("J\xC3\xBCrgen \u00AB\u00BB Gr\xC3\xBC\xC3\x9F"
                                               "e \xE2\x82\xAC"),
                             7}}
            << QByteArray("J\xFCrgen \xAB\xBB Gr\xFC\xDF"
                          "e \x80\t7\t");
    }
    void formatAndParseAgree() {
        QFETCH(QList<Entry>, entries);
        QFETCH(QByteArray, text);
        QCOMPARE(FormatKeyListText(entries), text);
        const ParseResult r = ParseKeyListText(text);
        QVERIFY(r.ok());
        QCOMPARE(r.entries, entries);
    }

    // Old keyfiles may have been written with leading zeros; any byte but TAB belongs to
    // the entry.
    void lenientWhereNothingIsLost() {
        const ParseResult r = ParseKeyListText(QByteArray("a\r\nb\x01\t007\t-0\t-0010\t"));
        QVERIFY(r.ok());
        QCOMPARE(r.entries, (QList<Entry>{{"a\r\nb\x01", 7}, {"-0", -10}}));
    }

    void brokenTextIsRefusedWhole_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Error>("error");
        QTest::addColumn<int>("record");
        QTest::addColumn<int>("offset");
        QTest::newRow("empty") << QByteArray() << Error::Empty << -1 << -1;
        QTest::newRow("no TAB at all") << QByteArray("just text") << Error::MissingTab << 0 << 0;
        QTest::newRow("date not closed") << QByteArray("a\t12") << Error::MissingTab << 0 << 0;
        QTest::newRow("cut after a record")
            << QByteArray("a\t1\tb\t2\tc") << Error::MissingTab << 2 << 8;
        QTest::newRow("empty entry") << QByteArray("a\t1\t\t2\t") << Error::EmptyEntry << 1 << 4;
        QTest::newRow("empty date") << QByteArray("a\t\t") << Error::BadDateAdded << 0 << 0;
        QTest::newRow("sign only") << QByteArray("a\t-\t") << Error::BadDateAdded << 0 << 0;
        QTest::newRow("plus sign") << QByteArray("a\t+1\t") << Error::BadDateAdded << 0 << 0;
        QTest::newRow("space in date") << QByteArray("a\t 1\t") << Error::BadDateAdded << 0 << 0;
        QTest::newRow("letters after digits")
            << QByteArray("a\t12x\t") << Error::BadDateAdded << 0 << 0;
        QTest::newRow("above 32 bits")
            << QByteArray("a\t2147483648\t") << Error::BadDateAdded << 0 << 0;
        QTest::newRow("below 32 bits")
            << QByteArray("a\t-2147483649\t") << Error::BadDateAdded << 0 << 0;
        QTest::newRow("very long number")
            << QByteArray("a\t" + QByteArray(5000, '9') + "\t") << Error::BadDateAdded << 0 << 0;
    }
    void brokenTextIsRefusedWhole() {
        QFETCH(QByteArray, text);
        const ParseResult r = ParseKeyListText(text);
        QVERIFY(!r.ok());
        QTEST(r.error, "error");
        QTEST(int(r.errorRecord), "record");
        QTEST(int(r.errorOffset), "offset");
        QVERIFY(r.entries.isEmpty());
    }

    // No 16-bit positions or counts anywhere.
    void largeListsReadWhole() {
        QList<Entry> entries;
        for (int i = 0; i < 40000; ++i)
            entries.append({QStringLiteral("person%1 \u00AB\u00BB key").arg(i), 2451545 + i});
        const QByteArray text = FormatKeyListText(entries);
        QVERIFY(text.size() > 2 * 32767);
        const ParseResult r = ParseKeyListText(text);
        QVERIFY(r.ok());
        QCOMPARE(r.entries.size(), 40000);
        QCOMPARE(r.entries.last(), entries.last());
    }
};

QTEST_MAIN(TestKeyListText)
#include "tst_keylisttext.moc"

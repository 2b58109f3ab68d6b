// SPDX-License-Identifier: GPL-3.0-or-later
// The plaintext package: how it is built, and how a received one is taken apart,
// including packages a broken or hostile sender could produce.
#include "message/encdecmsg.h"

#include <QtTest>

using namespace EncDecMsg;

namespace {

// Packages are written here with → for TAB, as they are easiest to read that way.
QByteArray pkg(const char* s) {
    return QString::fromUtf8(s).replace(u'→', u'\t').toLatin1();
}

QByteArray allByteValues() {
    QByteArray b(256, '\0');
    for (int i = 0; i < 256; ++i)
        b[i] = char(i);
    return b;
}

} // namespace

class TestPackage : public QObject {
    Q_OBJECT
private slots:
    void build_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<QByteArray>>("namesAndContents");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("text and one file")
            << QByteArray("Hi") << QList<QByteArray>{"x.txt", "abc"} << pkg("2→Hix.txt→3→abc→");
        QTest::newRow("nothing") << QByteArray() << QList<QByteArray>{} << pkg("0→→");
        QTest::newRow("empty text, one file: the name follows the TAB directly")
            << QByteArray() << QList<QByteArray>{"f", "z"} << pkg("0→f→1→z→");
        QTest::newRow("line breaks and TABs in the text are carried as they are")
            << QByteArray("a\tb\r\nc\n") << QList<QByteArray>{} << pkg("7→a→b\r\nc\n→");
        QTest::newRow("two files in order")
            << QByteArray("T") << QList<QByteArray>{"a", "1", "b.bin", "22"}
            << pkg("1→Ta→1→1b.bin→2→22→");
    }
    void build() {
        QFETCH(QByteArray, text);
        QFETCH(QList<QByteArray>, namesAndContents);
        QFETCH(QByteArray, expected);
        QList<PackagedFile> files;
        for (int i = 0; i + 1 < namesAndContents.size(); i += 2)
            files.append({namesAndContents[i], namesAndContents[i + 1]});
        QCOMPARE(BuildPackage(text, files), expected);
    }

    void fileNameOfPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("Windows path") << "C:\\docs\\x.txt"
                                      << "x.txt";
        QTest::newRow("POSIX path") << "/home/ann/report 2.pdf"
                                    << "report 2.pdf";
        QTest::newRow("no folder") << "x.txt"
                                   << "x.txt";
        QTest::newRow("slash after backslash") << "a\\b/c.d"
                                               << "c.d";
        QTest::newRow("backslash after slash") << "a/b\\c.d"
                                               << "c.d";
    }
    void fileNameOfPath() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(FileNameOfPath(path), name);
    }

    void currentKey_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("key");
        QTest::newRow("entry with date")
            << QString::fromUtf8("ann@example.org «12.03.2024»   Key With Spaces  ")
            << "Key With Spaces";
        QTest::newRow("entry without date")
            << QString::fromUtf8("bob «» abcdefghijklmnop") << "abcdefghijklmnop";
        QTest::newRow("only the first » counts")
            << QString::fromUtf8("x «» a»b") << QString::fromUtf8("a»b");
        QTest::newRow("no » at all: the whole entry") << "  plain key  "
                                                      << "plain key";
        QTest::newRow("only spaces are trimmed") << QString::fromUtf8("x «» \tk\t ") << "\tk\t";
    }
    void currentKey() {
        QFETCH(QString, entry);
        QFETCH(QString, key);
        QCOMPARE(CurrentKey(entry), key);
    }

    // code, text (null when not reached), the files read whole, what is left.
    void split_data() {
        QTest::addColumn<QByteArray>("package");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<QByteArray>>("namesAndContents");
        QTest::addColumn<QByteArray>("rest");
        const QList<QByteArray> none;
        const QByteArray notReached; // null: the text portion was not read

        QTest::newRow("text and one file") << pkg("2→Hix.txt→3→abc→") << 0 << QByteArray("Hi")
                                           << QList<QByteArray>{"x.txt", "abc"} << pkg("→");
        QTest::newRow("empty message") << pkg("0→→") << 0 << QByteArray("") << none << pkg("→");
        QTest::newRow("the length, not a TAB, ends the text")
            << pkg("7→a→b\r\nc\n→") << 0 << QByteArray("a\tb\r\nc\n") << none << pkg("→");
        QTest::newRow("a TAB inside file contents") << pkg("0→f→3→a→b→") << 0 << QByteArray("")
                                                    << QList<QByteArray>{"f", "a\tb"} << pkg("→");
        QTest::newRow("three files without terminator")
            << pkg("1→Ta→1→xb→2→yyc→3→zzz") << 0 << QByteArray("T")
            << QList<QByteArray>{"a", "x", "b", "yy", "c", "zzz"} << QByteArray();
        QTest::newRow("what follows a third file is not looked at")
            << pkg("0→a→1→xb→1→yc→1→zjunk") << 0 << QByteArray("")
            << QList<QByteArray>{"a", "x", "b", "y", "c", "z"} << QByteArray("junk");
        QTest::newRow("an empty length field reads as 0")
            << pkg("→→") << 0 << QByteArray("") << none << pkg("→");

        QTest::newRow("-1: no TAB at all")
            << QByteArray("garbage") << -1 << notReached << none << QByteArray("garbage");
        QTest::newRow("1: ends after the text")
            << pkg("2→Hi") << 1 << QByteArray("Hi") << none << QByteArray();
        QTest::newRow("2: no TAB after the first length")
            << pkg("0→a→5") << 2 << QByteArray("") << none << QByteArray("a\t5");
        QTest::newRow("11: a name without TAB after the first file")
            << pkg("0→a→1→xtail") << 11 << QByteArray("") << QList<QByteArray>{"a", "x"}
            << QByteArray("tail");
        QTest::newRow("12: second length without TAB")
            << pkg("0→a→1→xb→12") << 12 << QByteArray("") << QList<QByteArray>{"a", "x"}
            << pkg("b→12");
        QTest::newRow("21: third file missing its TAB")
            << pkg("0→a→1→xb→1→yc") << 21 << QByteArray("") << QList<QByteArray>{"a", "x", "b", "y"}
            << QByteArray("c");

        // Length fields that are not lengths stop the split where they stand.
        QTest::newRow("-2: negative text length")
            << pkg("-1→x→") << -2 << notReached << none << pkg("-1→x→");
        QTest::newRow("-2: signed text length")
            << pkg("+1→x→") << -2 << notReached << none << pkg("+1→x→");
        QTest::newRow("-2: text length with letters")
            << pkg("1x→x→") << -2 << notReached << none << pkg("1x→x→");
        QTest::newRow("-2: text longer than the package")
            << pkg("9→abc→") << -2 << notReached << none << pkg("9→abc→");
        QTest::newRow("-2: twenty digits") << pkg("00000000000000000001→x→") << -2 << notReached
                                           << none << pkg("00000000000000000001→x→");
        QTest::newRow("3: negative file length")
            << pkg("0→f→-3→abc→") << 3 << QByteArray("") << none << pkg("f→-3→abc→");
        QTest::newRow("3: file longer than the package")
            << pkg("0→f→10→abc→") << 3 << QByteArray("") << none << pkg("f→10→abc→");
        QTest::newRow("13: second file length out of range")
            << pkg("0→a→1→xb→2147483648→y") << 13 << QByteArray("") << QList<QByteArray>{"a", "x"}
            << pkg("b→2147483648→y");
    }
    void split() {
        QFETCH(QByteArray, package);
        QFETCH(int, code);
        QFETCH(QByteArray, text);
        QFETCH(QList<QByteArray>, namesAndContents);
        QFETCH(QByteArray, rest);
        const SplitPackage s = SplitDecryptedPackage(package);
        QCOMPARE(s.errorCode, code);
        QCOMPARE(s.text.has_value(), !text.isNull());
        if (s.text)
            QCOMPARE(*s.text, text);
        QCOMPARE(s.files.size(), namesAndContents.size() / 2);
        for (int i = 0; i < s.files.size(); ++i) {
            QCOMPARE(s.files[i].name, namesAndContents[2 * i]);
            QCOMPARE(s.files[i].contents, namesAndContents[2 * i + 1]);
        }
        QCOMPARE(s.rest, rest);
    }

    void splitReversesBuild() {
        const QByteArray text = "line 1\r\n\tline 2" + allByteValues();
        const QList<PackagedFile> files = {{"all.bin", allByteValues()},
                                           {"tabs.txt", "\t\t\t"},
                                           {QByteArray("na\xefve.txt"), QByteArray(5000, 'x')}};
        const SplitPackage s = SplitDecryptedPackage(BuildPackage(text, files));
        QCOMPARE(s.errorCode, 0);
        QCOMPARE(*s.text, text);
        QCOMPARE(s.files.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(s.files[i].name, files[i].name);
            QCOMPARE(s.files[i].contents, files[i].contents);
        }
    }
};

QTEST_MAIN(TestPackage)
#include "tst_package.moc"

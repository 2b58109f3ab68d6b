// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the armoured block in a pasted mail. The search is tried here with the armour
// alphabet of the cipher (base64 letters, digits, + / =) so it runs without the cipher.
#include "message/encdecmsg.h"

#include <QtTest>

using namespace EncDecMsg;

namespace {

bool base64Character(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/' || c == '=';
}

// A block shaped like the cipher's armour: 383 characters in eight lines.
QByteArray block() {
    QByteArray b = "TessamailMessageBegin";
    for (int line = 0; line < 5; ++line) {
        b += "\r\n";
        for (int i = 0; i < 64; ++i)
            b += "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[(i * 7 + line) %
                                                                                    64];
    }
    return b + "\r\n=AbC+/12\r\nTessamailMessageEnd";
}

QByteArray lfOnly(QByteArray s) {
    return s.replace("\r\n", "\n");
}
QByteArray crOnly(QByteArray s) {
    return s.replace("\r\n", "\r");
}

} // namespace

class TestArmourBlock : public QObject {
    Q_OBJECT
private slots:
    void find_data() {
        QTest::addColumn<QByteArray>("mail");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray b = block();
        const QByteArray greeting = "Dear Ann,\r\n\r\nhere it is:\r\n\r\n";
        const QByteArray signature = "\r\n\r\n-- \r\nBob Smith\r\nPhone 555 1234";
        const QByteArray mail = greeting + b + signature;

        QTest::newRow("greeting and signature") << mail << b;
        QTest::newRow("LF only") << lfOnly(mail) << b;
        QTest::newRow("CR only") << crOnly(mail) << b;
        QTest::newRow("block alone, white space around") << " \t\r\n" + b + "\r\n \t\r\n" << b;
        QTest::newRow("white space around the block inside the mail")
            << "Hi,\r\n\r\n  \t\r\n" + b + " \t\r\n\r\nBob" << b;
        QTest::newRow("armour-only name line glued above becomes part of it")
            << "Hello\r\n\r\nBob\r\n" + b + signature << "Bob\r\n" + b;
        QTest::newRow("rejected characters glued in front are dropped one by one")
            << QByteArray("\xab\xbb!* ") + b << b;
        QTest::newRow("a quoted line above is skipped") << "> quoted text\r\n" + b << b;
        QTest::newRow("rejected characters after armour on the same line cost that line")
            << "Text: " + b << b.mid(b.indexOf("\r\n") + 2);
        QTest::newRow("armour line, then a line with rejected characters before the block")
            << "Bob\r\n, " + b << b.mid(b.indexOf("\r\n") + 2);
        QTest::newRow("299 armour characters then a rejected one: skipped")
            << QByteArray(299, 'w') + " long word\r\n\r\n" + b << b;
        QTest::newRow("300 armour characters make a block")
            << QByteArray(300, 'w') + " long word\r\n\r\n" + b << QByteArray(300, 'w');
        QTest::newRow("short lines without an empty line add up")
            << QByteArray("abc\r\n").repeated(60) + "."
            << QByteArray("abc\r\n").repeated(60).chopped(2);
        QTest::newRow("an empty line splits short lines")
            << QByteArray("abc\r\n").repeated(30) + "\r\n" + QByteArray("abc\r\n").repeated(30)
            << QByteArray();
        QTest::newRow("no stretch of 300")
            << QByteArray("Hello, this is no message.\r\n").repeated(40) << QByteArray();
        QTest::newRow("only white space") << QByteArray(" \r\n\t ") << QByteArray();
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void find() {
        QFETCH(QByteArray, mail);
        QFETCH(QByteArray, expected);
        QByteArray text = mail;
        QCOMPARE(FindArmouredBlock(text, base64Character), expected);
    }

    void receivedTextIsTrimmedInPlace() {
        QByteArray text = "\r\n \x01Hello\tworld \x1f\r\n";
        QVERIFY(FindArmouredBlock(text, base64Character).isEmpty());
        QCOMPARE(text, QByteArray("Hello\tworld"));
    }

    void lineBreaks_data() {
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("CR LF stays") << QByteArray("a\r\nb") << QByteArray("a\r\nb");
        QTest::newRow("LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
        QTest::newRow("CR") << QByteArray("\ra\rb") << QByteArray("\r\na\r\nb");
        QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << QByteArray("a\r\n\r\nb");
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QByteArray("a\r\n\r\nb");
    }
    void lineBreaks() {
        QFETCH(QByteArray, in);
        QFETCH(QByteArray, out);
        QCOMPARE(NormaliseLineBreaks(in), out);
    }
};

QTEST_MAIN(TestArmourBlock)
#include "tst_armourblock.moc"

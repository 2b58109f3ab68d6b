// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/keyrules.h"

#include <QCryptographicHash>
#include <QtTest>

using namespace KeyRules;

class TestKeyRules : public QObject {
    Q_OBJECT
private slots:
    void reducedKey_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reduced");
        QTest::newRow("empty") << "" << "";
        QTest::newRow("spaces between letters") << "a b c" << "ABC";
        QTest::newRow("control characters dropped") << "a\tb\r\nc\x01" << "ABC";
        QTest::newRow("accented letters upper-cased") << QString::fromUtf8("éàü") << QString::fromUtf8("ÉÀÜ");
        // Letters whose capital is not one Windows-1252 character stay as they are.
        QTest::newRow("sharp s and micro") << QString::fromUtf8("ßµ") << QString::fromUtf8("ßµ");
        QTest::newRow("no-break space kept") << QString::fromUtf8("a\u00A0b") << QString::fromUtf8("A\u00A0B");
    }
    void reducedKey() {
        QFETCH(QString, typed);
        QFETCH(QString, reduced);
        QCOMPARE(ReducedKey(typed), reduced);
    }

    void admissibleFromSixteenCharacters() {
        const QString fifteen = "a b c d e f g h i j k l m n o    ";
        QVERIFY(!KeyIsAdmissible(fifteen));
        QVERIFY(KeyIsAdmissible(fifteen + "p"));
        QVERIFY(!KeyIsAdmissible(QString(40, ' ')));
    }

    void extendedKeyRepeatsTheReducedKey() {
        const QString k16 = "abcd efgh ijkl mnop";
        QCOMPARE(ExtendedReducedKey(k16), QString("ABCDEFGHIJKLMNOP").repeated(4));
        const QString r20 = "ABCDEFGHIJKLMNOPQRST";
        QCOMPARE(ExtendedReducedKey(r20.toLower()), r20.repeated(3) + "ABCD");
        const QString long70 = QString("0123456789").repeated(7);
        QCOMPARE(ExtendedReducedKey(long70), long70.left(64));
        QCOMPARE(ExtendedReducedKey(" \t "), QString()); // cannot be extended
    }

    void checksumOfAbcIs7498() {
        QByteArray digest;
        QCOMPARE(KeyChecksum(ReducedKey("a b c"), &digest), 7498);
        QCOMPARE(digest.toHex(), QByteArray("902fbdd2b1df0c4f70b4a5d23525e932"));
    }

    void sameKeyWhateverTheSpacingAndCase() {
        const QString a = "Correct Horse Battery Staple";
        const QString b = "correcthorse   BATTERYstaple";
        QCOMPARE(ReducedKey(a), ReducedKey(b));
        QCOMPARE(ExtendedReducedKey(a), ExtendedReducedKey(b));
        QCOMPARE(KeyChecksum(ReducedKey(a)), KeyChecksum(ReducedKey(b)));
    }

    // Known answers, worked out from the MD5 digests outside the program: the sum of the
    // eight byte pairs (high byte × 65,536 + low byte) modulo 8,999, plus 1,001.
    void checksumKnownAnswers_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("checksum");
        QTest::newRow("ABC") << "a b c" << 7498;
        QTest::newRow("sixteen letters") << "abcd efgh ijkl mnop" << 6304;
        QTest::newRow("Windows-1252 letters") << QString::fromUtf8("été") << 3477;
        QTest::newRow("sum a multiple of 8,999: lowest checksum") << "ablp" << 1001;
        QTest::newRow("sum one below a multiple: highest checksum") << "aca" << 9999;
    }
    void checksumKnownAnswers() {
        QFETCH(QString, typed);
        QTEST(KeyChecksum(ReducedKey(typed)), "checksum");
    }

    void md5OfTextUsesWindows1252Bytes() {
        // é is one byte (0xE9), as on the code page the keyfiles were made with.
        QCOMPARE(MD5OfText(QString::fromUtf8("é"), 1),
                 QCryptographicHash::hash(QByteArray("\xE9"), QCryptographicHash::Md5));
        QCOMPARE(MD5OfText("abcdef", 3), QCryptographicHash::hash("abc", QCryptographicHash::Md5));
    }
};

QTEST_MAIN(TestKeyRules)
#include "tst_keyrules.moc"

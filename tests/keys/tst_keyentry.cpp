// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/keyentry.h"
#include "keys/keyrules.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QtTest>

using namespace KeyEntry;

class TestKeyEntry : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::loadProgramTexts(); }

    void charRefusal_data() {
        QTest::addColumn<QString>("character");
        QTest::addColumn<int>("refusal");
        const auto row = [](const char* name, const char16_t* c, Refusal r) {
            QTest::newRow(name) << QString::fromUtf16(c) << int(r);
        };
        row("letter", u"a", Refusal::None);
        row("space", u" ", Refusal::None);
        row("ampersand", u"&", Refusal::Delimiter);
        row("opening guillemet", u"\u00AB", Refusal::Delimiter);
        row("closing guillemet", u"\u00BB", Refusal::Delimiter);
        row("tab", u"\t", Refusal::ControlCharacter);
        row("line feed", u"\n", Refusal::ControlCharacter);
        row("euro sign (in Windows-1252)", u"\u20AC", Refusal::None);
        row("accented letter", u"\u00E9", Refusal::None);
        row("no-break space", u"\u00A0", Refusal::None);
        row("Cyrillic letter", u"\u0416", Refusal::NotInCodePage);
        row("CJK ideograph", u"\u4E2D", Refusal::NotInCodePage);
    }
    void charRefusal() {
        QFETCH(QString, character);
        QFETCH(int, refusal);
        QCOMPARE(int(CharRefusal(character[0])), refusal);
        QCOMPARE(CharIsAllowed(character[0]), refusal == int(Refusal::None));
    }

    void firstRefusedCharacterIsWholeAndNamed() {
        QCOMPARE(FirstRefusedCharacter(QString::fromUtf8("né€ key")), QString());
        QCOMPARE(FirstRefusedCharacter(QString::fromUtf8("abЖc&")), QString::fromUtf8("Ж"));
        // A character outside the basic plane is reported whole, not as half a pair.
        const QString smile = QString::fromUtf8("\U0001F600");
        QCOMPARE(FirstRefusedCharacter("key" + smile + "x"), smile);
        QVERIFY(RefusalMessage(smile).contains(smile));
        QVERIFY(!RefusalMessage(smile).contains("%1"));
        QCOMPARE(RefusalMessage("&"), GetText(161));
        QCOMPARE(RefusalMessage("\n"), GetText(441));
        QVERIFY(!GetText(441).isEmpty());
    }

    void cleanedKey_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("cleaned");
        QTest::newRow("runs shrink, ends trimmed") << "   correct   horse battery     staple  "
                                                   << "correct horse battery staple";
        QTest::newRow("single spaces kept") << "a b c"
                                            << "a b c";
        QTest::newRow("odd run of three") << "a   b"
                                          << "a b";
        QTest::newRow("only spaces") << "      "
                                     << "";
        QTest::newRow("empty") << ""
                               << "";
        // A no-break space is a key character: trimming it would change the key.
        QTest::newRow("no-break spaces stay") << QString::fromUtf8(" \u00A0key\u00A0  \u00A0 ")
                                              << QString::fromUtf8("\u00A0key\u00A0 \u00A0");
    }
    void cleanedKey() {
        QFETCH(QString, typed);
        QFETCH(QString, cleaned);
        QCOMPARE(CleanedKey(typed), cleaned);
        // The clean-up never changes the key itself.
        QCOMPARE(KeyRules::ReducedKey(cleaned), KeyRules::ReducedKey(typed));
    }

    void trimSpacesKeepsInnerRunsAndOtherWhitespace() {
        QCOMPARE(TrimSpaces("  Jane   Doe  "), QString("Jane   Doe"));
        QCOMPARE(TrimSpaces(QString::fromUtf8("\u00A0x ")), QString::fromUtf8("\u00A0x"));
        QCOMPARE(TrimSpaces("   "), QString());
    }

    void captionAsTitle_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("title");
        QTest::newRow("doubled ampersand") << "Encrypt keys && store"
                                           << "Encrypt keys and store";
        QTest::newRow("access key mark dropped") << "&Add key"
                                                 << "Add key";
        QTest::newRow("plain") << "Add key"
                               << "Add key";
        QTest::newRow("trailing lone mark") << "Key&"
                                            << "Key";
    }
    void captionAsTitle() {
        QFETCH(QString, caption);
        QFETCH(QString, title);
        QCOMPARE(CaptionAsTitle(caption, "and"), title);
    }
};

QTEST_MAIN(TestKeyEntry)
#include "tst_keyentry.moc"

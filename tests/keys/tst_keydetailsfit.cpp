// SPDX-License-Identifier: GPL-3.0-or-later
// The key details window fits a small (800 x 600) screen in both languages, even for the
// longest address and key written without a single space.
#include "keys/frmkeydetails.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestKeyDetailsFit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::loadProgramTexts(); }

    void fitsASmallScreen_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << int(ProgramText::English);
        QTest::newRow("German") << int(ProgramText::German);
    }
    void fitsASmallScreen() {
        QFETCH(int, language);
        ProgramText::setLanguage(language);
        const QString target = QString(52, 'W') + "@example.org"; // 64 characters
        const QString key = "MW" + QString(60, 'W') + "Q9";       // 64, no space
        frmKeyDetails details;
        details.ShowEntry(target + " \u00AB2026-12-31 abc\u00BB " + key, 2454169);
        details.show();
        QVERIFY(QTest::qWaitForWindowExposed(&details));
        details.adjustSize();
        // Room for a window frame and a panel of the desktop.
        QVERIFY2(details.width() <= 780, qPrintable(QString::number(details.width())));
        QVERIFY2(details.height() <= 540, qPrintable(QString::number(details.height())));
        QVERIFY(details.rect().contains(details.cmdClose->geometry()));
        // What a screen reader reads is the key in one piece.
        QAccessibleInterface* name = QAccessible::queryAccessibleInterface(details.lblKey[1]);
        QVERIFY(name->text(QAccessible::Name).endsWith(key));
        QVERIFY(details.lblKey[1]->text().contains('\n'));
    }

    void breakLongRuns_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("broken");
        QTest::newRow("short") << "abc def"
                               << "abc def";
        QTest::newRow("exactly four") << "abcd"
                                      << "abcd";
        QTest::newRow("long run") << "abcdefghij"
                                  << "abcd\nefgh\nij";
        QTest::newRow("spaces reset the run") << "abc defgh ij"
                                              << "abc defg\nh ij";
    }
    void breakLongRuns() {
        QFETCH(QString, text);
        QTEST(KeyDetails::BreakLongRuns(text, 4), "broken");
    }
};

QTEST_MAIN(TestKeyDetailsFit)
#include "tst_keydetailsfit.moc"

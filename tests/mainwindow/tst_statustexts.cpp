// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/statustexts.h"

#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QLocale>
#include <QtTest>

class TestStatusTexts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::loadProgramTexts(); }
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void fillCountReplacesEveryTwo_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("templ");
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("expected");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("grouped") << us << "Clipboard has 2 bytes." << qint64(12232000)
                                 << "Clipboard has 12,232,000 bytes.";
        QTest::newRow("german grouping")
            << de << "2 Schlüssel" << qint64(1234) << "1.234 Schlüssel";
        QTest::newRow("zero") << us << "Textbox has 2 characters." << qint64(0)
                              << "Textbox has 0 characters.";
        QTest::newRow("every occurrence") << us << "2 of 2" << qint64(32000) << "32,000 of 32,000";
        QTest::newRow("no placeholder") << us << "none" << qint64(5) << "none";
    }
    void fillCountReplacesEveryTwo() {
        QFETCH(QLocale, locale);
        QFETCH(QString, templ);
        QFETCH(qint64, n);
        QLocale::setDefault(locale);
        QTEST(StatusTexts::FillCount(templ, n), "expected");
    }

    // Singular and zero texts are their own; the plural template takes the count.
    void labelsPickTheirTextByCount_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("n");
        QTest::addColumn<int>("textNumber");
        QTest::newRow("textbox 0") << 0 << qint64(0) << 12;
        QTest::newRow("textbox 1") << 0 << qint64(1) << 11;
        QTest::newRow("textbox 32,000") << 0 << qint64(32000) << 12;
        QTest::newRow("clipboard 0") << 1 << qint64(0) << 213;
        QTest::newRow("clipboard 1") << 1 << qint64(1) << 26;
        QTest::newRow("clipboard 300") << 1 << qint64(300) << 27;
        QTest::newRow("keys 0") << 2 << qint64(0) << 31;
        QTest::newRow("keys 1") << 2 << qint64(1) << 32;
        QTest::newRow("keys 1,234") << 2 << qint64(1234) << 33;
    }
    void labelsPickTheirTextByCount() {
        QFETCH(int, kind);
        QFETCH(qint64, n);
        QFETCH(int, textNumber);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QString label = kind == 0   ? StatusTexts::TextboxLabel(n)
                              : kind == 1 ? StatusTexts::ClipboardLabel(n)
                                          : StatusTexts::KeyCountLabel(n);
        QVERIFY(!GetText(textNumber).isEmpty());
        QCOMPARE(label, StatusTexts::FillCount(GetText(textNumber), n));
        if (n > 1)
            QVERIFY(label.contains(QLocale().toString(n)));
    }
};

QTEST_MAIN(TestStatusTexts)
#include "tst_statustexts.moc"

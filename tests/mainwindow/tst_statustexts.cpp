#include "mainwindow/statustexts.h"

#include <QLocale>
#include <QtTest>

class TestStatusTexts : public QObject {
    Q_OBJECT
private slots:
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
};

QTEST_MAIN(TestStatusTexts)
#include "tst_statustexts.moc"

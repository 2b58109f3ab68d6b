// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/datepr2.h"

#include <QtTest>

using namespace DatePr2;

namespace {
CalendarDate ymd(qint32 y, qint32 m, qint32 d, qint32 calendar = 'G') {
    CalendarDate date;
    date.year = y;
    date.month = m;
    date.day = d;
    date.calendar = calendar;
    return date;
}
} // namespace

class TestDatePr2 : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setTodayOverride(QDate()); }

    void dayNumberConvertsBothWays_data() {
        QTest::addColumn<int>("calendar");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("jdn");
        QTest::newRow("2000-01-01") << int('G') << 2000 << 1 << 1 << 2451545;
        QTest::newRow("2007-03-09") << int('G') << 2007 << 3 << 9 << 2454169;
        QTest::newRow("leap day 2000") << int('G') << 2000 << 2 << 29 << 2451604;
        // Astronomical years: 0 is 1 BC, a leap year in the proleptic Gregorian calendar.
        QTest::newRow("year 0") << int('G') << 0 << 1 << 1 << 1721060;
        QTest::newRow("day before 1 AD") << int('G') << 0 << 12 << 31 << 1721425;
        QTest::newRow("1 AD") << int('G') << 1 << 1 << 1 << 1721426;
        QTest::newRow("day 0 Gregorian") << int('G') << -4713 << 11 << 24 << 0;
        QTest::newRow("day 0 Julian") << int('J') << -4712 << 1 << 1 << 0;
        QTest::newRow("Gregorian reform, Julian side") << int('J') << 1582 << 10 << 5 << 2299161;
    }
    void dayNumberConvertsBothWays() {
        QFETCH(int, calendar);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, jdn);

        CalendarDate date = ymd(year, month, day, calendar);
        QCOMPARE(euro_date_to_jdn(date), jdn);
        QCOMPARE(date.dayNumber, jdn);

        CalendarDate back;
        back.calendar = calendar;
        back.dayNumber = jdn;
        jdn_to_euro_date(back);
        QCOMPARE(back.year, year);
        QCOMPARE(back.month, month);
        QCOMPARE(back.day, day);
    }

    void impossibleDateGivesZero() {
        CalendarDate date = ymd(2007, 2, 29);
        date.dayNumber = 123;
        QCOMPARE(euro_date_to_jdn(date), 0);
        QCOMPARE(date.dayNumber, 123);
        CalendarDate far = ymd(2000000000, 1, 1);
        QCOMPARE(euro_date_to_jdn(far), 0);
    }

    void keyDetailsShowDayNumberAsDate() {
        QCOMPARE(JdnToText(2451545), QString("2000-01-01"));
        QCOMPARE(JdnToText(2454169), QString("2007-03-09"));
    }

    void todayFollowsTheFixedDate_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("expected");
        QTest::newRow("key entry proposal") << QDate(2007, 3, 9) << 0 << 2 << "-"
                                            << "2007-03-09";
        QTest::newRow("offset across a month") << QDate(2007, 2, 28) << 1 << 1 << "."
                                               << "01.03.2007";
        QTest::newRow("negative offset across a year") << QDate(2007, 1, 1) << -1 << 0 << "/"
                                                       << "12/31/2006";
    }
    void todayFollowsTheFixedDate() {
        QFETCH(QDate, today);
        QFETCH(int, offset);
        QFETCH(int, order);
        QFETCH(QString, separator);
        QFETCH(QString, expected);
        setTodayOverride(today);
        QCOMPARE(TodayAsText(offset, order, separator), expected);
    }

    void todayJdn() {
        setTodayOverride(QDate(2007, 3, 9));
        QCOMPARE(TodayJdn(), 2454169);
        setTodayOverride(QDate());
        QCOMPARE(qint64(TodayJdn()), QDate::currentDate().toJulianDay());
    }

    void formatCalendarDate_data() {
        QTest::addColumn<int>("calendar");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ymd") << int('G') << 2007 << 3 << 9 << 2 << "2007/03/09";
        QTest::newRow("dmy") << int('G') << 2007 << 3 << 9 << 1 << "09/03/2007";
        QTest::newRow("mdy") << int('G') << 2007 << 3 << 9 << 0 << "03/09/2007";
        QTest::newRow("two-digit fields") << int('G') << 2007 << 11 << 25 << 2 << "2007/11/25";
        QTest::newRow("year below 1000") << int('G') << 987 << 1 << 2 << 2 << "987/01/02";
        QTest::newRow("year 0") << int('G') << 0 << 1 << 2 << 2 << "0/01/02";
        QTest::newRow("negative ymd") << int('G') << -44 << 3 << 15 << 2 << "-44/03/15";
        QTest::newRow("negative dmy") << int('G') << -44 << 3 << 15 << 1 << "15/03/(-44)";
        QTest::newRow("negative mdy") << int('G') << -44 << 3 << 15 << 0 << "03/15/(-44)";
        QTest::newRow("four digits ungrouped") << int('G') << 9999 << 12 << 31 << 2 << "9999/12/31";
        QTest::newRow("five digits grouped") << int('G') << 12345 << 1 << 1 << 2 << "12'345/01/01";
        QTest::newRow("seven digits grouped")
            << int('G') << 1234567 << 1 << 1 << 1 << "01/01/1'234'567";
        QTest::newRow("negative grouped") << int('G') << -10000 << 1 << 1 << 0 << "01/01/(-10'000)";
        QTest::newRow("A: dash, ymd, no grouping")
            << int('A') << -12345 << 1 << 1 << 0 << "-12345-01-01";
        QTest::newRow("A: dmy keeps its order") << int('A') << -5 << 1 << 2 << 1 << "02-01-(-5)";
        QTest::newRow("unknown order") << int('G') << 2007 << 3 << 9 << 7 << "2007/03/09";
    }
    void formatCalendarDate() {
        QFETCH(int, calendar);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, order);
        QFETCH(QString, expected);
        QCOMPARE(FormatCalendarDate(ymd(year, month, day, calendar), order, "/", "'"), expected);
    }
};

QTEST_MAIN(TestDatePr2)
#include "tst_datepr2.moc"

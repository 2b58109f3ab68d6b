// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/datepr2.h"

namespace DatePr2 {
namespace {

QDate g_todayOverride;

QDate today() {
    return g_todayOverride.isValid() ? g_todayOverride : QDate::currentDate();
}

QString twoDigits(qint32 n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Plain decimal; more than four digits are grouped by threes ("12,345", "-1,234,567").
QString yearText(qint32 year, bool grouped, const QString& groupSeparator) {
    const qint64 magnitude = year < 0 ? -qint64(year) : qint64(year);
    QString digits = QString::number(magnitude);
    if (grouped && magnitude > 9999) {
        for (qsizetype pos = digits.size() - 3; pos > 0; pos -= 3)
            digits.insert(pos, groupSeparator);
    }
    return year < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace

qint32 TodayJdn() {
    const QDate d = today();
    CalendarDate date;
    date.year = d.year() < 0 ? d.year() + 1 : d.year(); // QDate has no year 0
    date.month = d.month();
    date.day = d.day();
    date.calendar = 'G';
    return euro_date_to_jdn(date);
}

QString TodayAsText(int offset, int order, const QString& separator, int calendar) {
    CalendarDate date;
    date.calendar = calendar;
    date.dayNumber = TodayJdn() + offset;
    jdn_to_euro_date(date);
    return FormatCalendarDate(date, order, separator, QStringLiteral(","));
}

QString FormatCalendarDate(const CalendarDate& date, int order, const QString& separator,
                           const QString& groupSeparator) {
    const bool astronomical = date.calendar == 'A';
    const QString sep = astronomical ? QStringLiteral("-") : separator;
    const QString dd = twoDigits(date.day);
    const QString mm = twoDigits(date.month);
    const QString yyyy = yearText(date.year, !astronomical, groupSeparator);
    const bool negative = date.year < 0;

    if (order == DayMonthYear) {
        const QString year = negative ? QLatin1Char('(') + yyyy + QLatin1Char(')') : yyyy;
        return dd + sep + mm + sep + year;
    }
    if (order == MonthDayYear && !astronomical) {
        const QString year = negative ? QLatin1Char('(') + yyyy + QLatin1Char(')') : yyyy;
        return mm + sep + dd + sep + year;
    }
    return yyyy + sep + mm + sep + dd;
}

QString JdnToText(qint32 jdn) {
    CalendarDate date;
    date.calendar = 'G';
    date.dayNumber = jdn;
    jdn_to_euro_date(date);
    return FormatCalendarDate(date, YearMonthDay, QStringLiteral("-"), QStringLiteral(","));
}

void setTodayOverride(const QDate& date) {
    g_todayOverride = date;
}

} // namespace DatePr2

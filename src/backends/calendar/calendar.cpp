// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/calendar/calendar.h"

#include <QCalendar>
#include <QDate>

#include <limits>

namespace {

QCalendar calendarOf(const CalendarDate& date) {
    return QCalendar(date.calendar == 'J' ? QCalendar::System::Julian
                                          : QCalendar::System::Gregorian);
}

// Astronomical years count 1 BC as year 0; QCalendar skips from -1 (1 BC) to 1.
int toQtYear(qint32 year) {
    return year <= 0 ? year - 1 : year;
}
qint32 fromQtYear(int year) {
    return year < 0 ? year + 1 : year;
}

} // namespace

qint32 euro_date_to_jdn(CalendarDate& date) {
    if (date.year == std::numeric_limits<qint32>::min())
        return 0;
    const QDate d = calendarOf(date).dateFromParts(toQtYear(date.year), date.month, date.day);
    if (!d.isValid())
        return 0;
    const qint64 jdn = d.toJulianDay();
    if (jdn < std::numeric_limits<qint32>::min() || jdn > std::numeric_limits<qint32>::max())
        return 0;
    date.dayNumber = static_cast<qint32>(jdn);
    return date.dayNumber;
}

void jdn_to_euro_date(CalendarDate& date) {
    const QCalendar::YearMonthDay parts =
        calendarOf(date).partsFromDate(QDate::fromJulianDay(date.dayNumber));
    date.year = fromQtYear(parts.year);
    date.month = parts.month;
    date.day = parts.day;
}

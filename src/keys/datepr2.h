#pragma once
// Date routines for key entries.
#include "backends/calendar/calendar.h"

#include <QDate>
#include <QString>

namespace DatePr2 {

enum Order { MonthDayYear = 0, DayMonthYear = 1, YearMonthDay = 2 };

qint32 TodayJdn();
QString TodayAsText(int offset, int order, const QString& separator, int calendar = 'G');
QString FormatCalendarDate(const CalendarDate& date, int order, const QString& separator,
                           const QString& groupSeparator);
// Day number -> "2000-01-01".
QString JdnToText(qint32 jdn);

// Tests fix "today"; an invalid date restores the clock.
void setTodayOverride(const QDate& date);

} // namespace DatePr2

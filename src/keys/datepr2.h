// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Date routines for key entries.
#include "backends/calendar/calendar.h"

#include <QDate>
#include <QString>

namespace DatePr2 {

enum Order { MonthDayYear = 0, DayMonthYear = 1, YearMonthDay = 2 };

// Julian Day Number of today's local date (Gregorian).
qint32 TodayJdn();
// Today plus offset days, written by FormatCalendarDate with "," as the group separator.
QString TodayAsText(int offset, int order, const QString& separator, int calendar = 'G');
// dd and mm with two digits, the year without leading zeros; years beyond four digits are
// grouped by threes. Orders 0 and 1 put a negative year in parentheses so that its minus
// sign cannot be read as a separator. An unknown order code writes year-month-day.
QString FormatCalendarDate(const CalendarDate& date, int order, const QString& separator,
                           const QString& groupSeparator);
// Day number -> "2000-01-01".
QString JdnToText(qint32 jdn);

// Tests fix "today"; an invalid date restores the clock.
void setTodayOverride(const QDate& date);

} // namespace DatePr2

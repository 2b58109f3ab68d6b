// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The calendar library: Gregorian date <-> Julian Day Number.
#include <QtGlobal>

struct CalendarDate {
    qint32 year = 0;  // astronomical: may be zero or negative (0 = 1 BC)
    qint32 month = 0; // 1..12
    qint32 day = 0;   // 1..31
    qint32 calendar = 'G';
    qint32 dayNumber = 0;
};

// Day number of {year, month, day}; also stored in date.dayNumber. Calendar 'J' counts in
// the Julian calendar, every other code in the Gregorian one. A date that does not exist
// (31 April) or lies outside the 32-bit day range gives 0 and leaves dayNumber alone.
qint32 euro_date_to_jdn(CalendarDate& date);
// Fills year, month and day from date.dayNumber (Julian for 'J', otherwise Gregorian).
void jdn_to_euro_date(CalendarDate& date);

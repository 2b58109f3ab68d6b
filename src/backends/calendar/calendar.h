#pragma once
// The calendar library: Gregorian date <-> Julian Day Number.
#include <QtGlobal>

struct CalendarDate {
    qint32 year = 0;  // astronomical: may be zero or negative
    qint32 month = 0; // 1..12
    qint32 day = 0;   // 1..31
    qint32 calendar = 'G';
    qint32 dayNumber = 0;
};

// Day number of {year, month, day} (Gregorian); also stored in date.dayNumber.
qint32 euro_date_to_jdn(CalendarDate& date);
// Fills year, month and day from date.dayNumber (Gregorian).
void jdn_to_euro_date(CalendarDate& date);

#pragma once
// Date utilities of the filter periods and the calendar: starts and ends of
// minute groups, quarters, semesters, decades and centuries, month and year
// replacement, and the short texts of times and date-times. The general
// calendar operations (weeks, months, years, increments) are in DateUtils.h.
// Ends are the last millisecond of their unit (23:59:59.999).

#include "DateUtils.h"
#include "SysUtils.h"

#include <QLocale>
#include <QString>

namespace zdb {

// Value with seconds and milliseconds set to 0.
TDateTime StartOfTheMinute(TDateTime value);
// Value with the minute rounded down to a multiple of 10, 15, 20 or 30,
// seconds and milliseconds 0.
TDateTime StartOfThe10Mins(TDateTime value);
TDateTime StartOfThe15Mins(TDateTime value);
TDateTime StartOfThe20Mins(TDateTime value);
TDateTime StartOfThe30Mins(TDateTime value);
// Value with minutes, seconds and milliseconds 0.
TDateTime StartOfTheHour(TDateTime value);

// Quarters begin in January, April, July and October; semesters in January
// and July.
TDateTime StartOfTheQuarter(TDateTime value);
TDateTime EndOfTheQuarter(TDateTime value);
TDateTime StartOfTheSemester(TDateTime value);
TDateTime EndOfTheSemester(TDateTime value);

// The year of Value rounded down to a multiple of 10 and of 100.
int DecadeOf(TDateTime value);
int CenturyOf(TDateTime value);
TDateTime StartOfTheDecade(TDateTime value);
TDateTime EndOfTheDecade(TDateTime value);
TDateTime StartOfTheCentury(TDateTime value);
TDateTime EndOfTheCentury(TDateTime value);

// Value gets Source's year and month; its day (reduced to the length of that
// month) and time stay.
void ReplaceMonth(TDateTime& value, TDateTime source);
// Value gets Source's year; its month, day (reduced to the length of that
// month in the new year) and time stay.
void ReplaceYear(TDateTime& value, TDateTime source);

// The time of Value in the locale's short time format.
QString ShortTimeToStr(TDateTime value, const QLocale& locale = QLocale());
// DateToStr (DateUtils.h), a space and ShortTimeToStr.
QString ShortDateTimeToStr(TDateTime value, const QLocale& locale = QLocale());

} // namespace zdb

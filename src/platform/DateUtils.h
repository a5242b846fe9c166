#pragma once
// Calendar operations on date-time values (SysUtils.h: TDateTime), all done
// on the wall clock through QDate and QTime: no time zone or daylight-saving
// shift enters. Ends of units are their last millisecond (23:59:59.999).

#include "SysUtils.h"

#include <QLocale>
#include <QString>

namespace zdb {

// The current date and time of the local clock; the current date at 00:00.
TDateTime Now();
TDateTime Today();
// Value at 00:00 of its day.
TDateTime DateOf(TDateTime value);

// Weeks run Monday to Sunday whatever the locale.
TDateTime StartOfTheWeek(TDateTime value);
TDateTime EndOfTheWeek(TDateTime value);
TDateTime StartOfTheMonth(TDateTime value);
TDateTime EndOfTheMonth(TDateTime value);
TDateTime StartOfTheYear(TDateTime value);
TDateTime EndOfTheYear(TDateTime value);

TDateTime IncMinute(TDateTime value, qint64 minutes = 1);
TDateTime IncHour(TDateTime value, qint64 hours = 1);
TDateTime IncDay(TDateTime value, qint64 days = 1);
// Whole years; 29 February becomes 28 February in a year without it.
TDateTime IncYear(TDateTime value, int years = 1);

// Value with its hour (0 .. 23) or month (1 .. 12) replaced; EConvertError
// when the argument is out of range or the day does not exist in that month.
TDateTime RecodeHour(TDateTime value, int hour);
TDateTime RecodeMonth(TDateTime value, int month);

// The locale's short date format with the year widened to four digits, so
// that a date text names one date whatever century it is read in.
QString ShortDateFormat(const QLocale& locale = QLocale());
// The same for the locale's short date and time format.
QString ShortDateTimeFormat(const QLocale& locale = QLocale());
// Format with every two-digit year ("yy") widened to four ("yyyy").
QString FourDigitYears(const QString& format);
// A date read through a two-digit year (which Qt places in 1900 .. 1999)
// moved into the century that puts it within 50 years back or 49 ahead of
// Today.
QDate WindowTwoDigitYear(const QDate& date, const QDate& today = QDate::currentDate());
// The date of Value in ShortDateFormat (no time).
QString DateToStr(TDateTime value, const QLocale& locale = QLocale());

} // namespace zdb

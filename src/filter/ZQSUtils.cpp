#include "ZQSUtils.h"

#include <algorithm>

namespace zdb {

namespace {

TDateTime StartOfTheMinutes(TDateTime value, int step)
{
    const QTime time = DateTimeTime(value);
    return EncodeDateTime(DateTimeDate(value), QTime(time.hour(), time.minute() - time.minute() % step));
}

// The first day of the unit of Months months (3, 6) that Value lies in, and
// the last millisecond of that unit.
QDate StartOfTheMonths(TDateTime value, int months)
{
    const QDate date = DateTimeDate(value);
    return QDate(date.year(), (date.month() - 1) / months * months + 1, 1);
}

TDateTime EndOfTheMonths(TDateTime value, int months)
{
    const QDate last = StartOfTheMonths(value, months).addMonths(months).addDays(-1);
    return EncodeDateTime(last, QTime(23, 59, 59, 999));
}

int YearDownTo(TDateTime value, int multiple)
{
    const int year = DateTimeDate(value).year();
    return year - year % multiple;
}

TDateTime EndOfYear(int year)
{
    return EncodeDateTime(QDate(year, 12, 31), QTime(23, 59, 59, 999));
}

// Date of Year and Month with Day reduced to that month's length.
QDate ClampedDate(int year, int month, int day)
{
    return QDate(year, month, std::min(day, QDate(year, month, 1).daysInMonth()));
}

} // namespace

TDateTime StartOfTheMinute(TDateTime value)
{
    return StartOfTheMinutes(value, 1);
}

TDateTime StartOfThe10Mins(TDateTime value)
{
    return StartOfTheMinutes(value, 10);
}

TDateTime StartOfThe15Mins(TDateTime value)
{
    return StartOfTheMinutes(value, 15);
}

TDateTime StartOfThe20Mins(TDateTime value)
{
    return StartOfTheMinutes(value, 20);
}

TDateTime StartOfThe30Mins(TDateTime value)
{
    return StartOfTheMinutes(value, 30);
}

TDateTime StartOfTheHour(TDateTime value)
{
    return StartOfTheMinutes(value, 60);
}

TDateTime StartOfTheQuarter(TDateTime value)
{
    return EncodeDateTime(StartOfTheMonths(value, 3));
}

TDateTime EndOfTheQuarter(TDateTime value)
{
    return EndOfTheMonths(value, 3);
}

TDateTime StartOfTheSemester(TDateTime value)
{
    return EncodeDateTime(StartOfTheMonths(value, 6));
}

TDateTime EndOfTheSemester(TDateTime value)
{
    return EndOfTheMonths(value, 6);
}

int DecadeOf(TDateTime value)
{
    return YearDownTo(value, 10);
}

int CenturyOf(TDateTime value)
{
    return YearDownTo(value, 100);
}

TDateTime StartOfTheDecade(TDateTime value)
{
    return EncodeDateTime(QDate(DecadeOf(value), 1, 1));
}

TDateTime EndOfTheDecade(TDateTime value)
{
    return EndOfYear(DecadeOf(value) + 9);
}

TDateTime StartOfTheCentury(TDateTime value)
{
    return EncodeDateTime(QDate(CenturyOf(value), 1, 1));
}

TDateTime EndOfTheCentury(TDateTime value)
{
    return EndOfYear(CenturyOf(value) + 99);
}

void ReplaceMonth(TDateTime& value, TDateTime source)
{
    const QDate date = DateTimeDate(value);
    const QDate from = DateTimeDate(source);
    value = EncodeDateTime(ClampedDate(from.year(), from.month(), date.day()), DateTimeTime(value));
}

void ReplaceYear(TDateTime& value, TDateTime source)
{
    const QDate date = DateTimeDate(value);
    value = EncodeDateTime(ClampedDate(DateTimeDate(source).year(), date.month(), date.day()), DateTimeTime(value));
}

QString ShortTimeToStr(TDateTime value, const QLocale& locale)
{
    return locale.toString(DateTimeTime(value), QLocale::ShortFormat);
}

QString ShortDateTimeToStr(TDateTime value, const QLocale& locale)
{
    return DateToStr(value, locale) + u' ' + ShortTimeToStr(value, locale);
}

} // namespace zdb

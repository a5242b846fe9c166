// Date-time values and the calendar operations of the filter periods: the
// day count's conventions, unit starts and ends at their boundaries, leap
// years, and the date and time texts in two locales.

#include "DateUtils.h"
#include "ZQSUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace zdb;

namespace {

TDateTime At(int y, int m, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return EncodeDateTime(QDate(y, m, d), QTime(h, mi, s, ms));
}

std::string Iso(TDateTime value)
{
    return DateTimeToQDateTime(value).toString(Qt::ISODateWithMs).toStdString();
}

} // namespace

TEST(DateTimeValue, DayCountKeepsTheWallClock)
{
    // The classic convention: the fraction counts forward from midnight also
    // before the epoch.
    EXPECT_DOUBLE_EQ(At(1899, 12, 30, 6), 0.25);
    EXPECT_DOUBLE_EQ(At(1899, 12, 29, 6), -1.25);
    EXPECT_EQ(Iso(-1.25), "1899-12-29T06:00:00.000");
    EXPECT_EQ(Iso(At(2026, 12, 2, 10, 37, 25)), "2026-12-02T10:37:25.000");

    for (const QDateTime& value : {QDateTime(QDate(1, 1, 1), QTime(0, 0)),
                                   QDateTime(QDate(1899, 12, 29), QTime(23, 59, 59, 999)),
                                   QDateTime(QDate(2024, 2, 29), QTime(12, 0, 0, 1)),
                                   QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999))}) {
        EXPECT_EQ(DateTimeToQDateTime(QDateTimeToDateTime(value)), value) << value.toString().toStdString();
    }

    // Less than half a millisecond before midnight is the next day.
    EXPECT_EQ(Iso(At(2026, 12, 2) - 1e-10), "2026-12-02T00:00:00.000");

    EXPECT_THROW(DateTimeDate(std::numeric_limits<double>::quiet_NaN()), EConvertError);
    EXPECT_THROW(DateTimeDate(3.0e6), EConvertError);
    EXPECT_THROW(EncodeDateTime(QDate(2023, 2, 29)), EConvertError);
}

TEST(DateUtils, WeeksMonthsYearsAndIncrements)
{
    // Weeks run Monday to Sunday, also across a year's end.
    EXPECT_EQ(Iso(StartOfTheWeek(At(2026, 12, 6, 23, 59))), "2026-11-30T00:00:00.000");
    EXPECT_EQ(Iso(EndOfTheWeek(At(2026, 12, 6, 23, 59))), "2026-12-06T23:59:59.999");
    EXPECT_EQ(Iso(EndOfTheWeek(At(2026, 12, 31, 8))), "2027-01-03T23:59:59.999");

    EXPECT_EQ(Iso(EndOfTheMonth(At(2024, 2, 10))), "2024-02-29T23:59:59.999");
    EXPECT_EQ(Iso(EndOfTheMonth(At(2100, 2, 10))), "2100-02-28T23:59:59.999");
    EXPECT_EQ(Iso(StartOfTheYear(At(2024, 7, 4, 9))), "2024-01-01T00:00:00.000");
    EXPECT_EQ(Iso(EndOfTheYear(At(2024, 7, 4, 9))), "2024-12-31T23:59:59.999");

    EXPECT_EQ(Iso(IncMinute(At(2026, 12, 31, 23, 59, 30))), "2027-01-01T00:00:30.000");
    EXPECT_EQ(Iso(IncHour(At(2026, 3, 29, 1, 30), 1)), "2026-03-29T02:30:00.000");
    EXPECT_EQ(Iso(IncYear(At(2024, 2, 29, 7))), "2025-02-28T07:00:00.000");
    EXPECT_EQ(Iso(IncYear(At(2024, 2, 29), -4)), "2020-02-29T00:00:00.000");

    EXPECT_EQ(Iso(RecodeHour(At(2026, 12, 2, 10, 37, 25), 23)), "2026-12-02T23:37:25.000");
    EXPECT_EQ(Iso(RecodeMonth(At(2026, 1, 31, 8), 3)), "2026-03-31T08:00:00.000");
    EXPECT_THROW(RecodeMonth(At(2026, 1, 31), 2), EConvertError);
    EXPECT_THROW(RecodeMonth(At(2026, 1, 1), 13), EConvertError);
    EXPECT_THROW(RecodeHour(At(2026, 1, 1), 24), EConvertError);
}

TEST(QSUtils, UnitStartsAndEndsAtTheirBoundaries)
{
    const TDateTime last = At(2026, 12, 2, 10, 59, 59, 999);
    EXPECT_EQ(Iso(StartOfTheMinute(last)), "2026-12-02T10:59:00.000");
    EXPECT_EQ(Iso(StartOfThe10Mins(last)), "2026-12-02T10:50:00.000");
    EXPECT_EQ(Iso(StartOfThe15Mins(last)), "2026-12-02T10:45:00.000");
    EXPECT_EQ(Iso(StartOfThe20Mins(last)), "2026-12-02T10:40:00.000");
    EXPECT_EQ(Iso(StartOfThe30Mins(last)), "2026-12-02T10:30:00.000");
    EXPECT_EQ(Iso(StartOfTheHour(last)), "2026-12-02T10:00:00.000");
    EXPECT_EQ(Iso(StartOfThe20Mins(At(2026, 12, 2, 10, 40))), "2026-12-02T10:40:00.000");
    EXPECT_EQ(Iso(StartOfThe15Mins(At(2026, 12, 2, 0, 14, 59, 999))), "2026-12-02T00:00:00.000");

    EXPECT_EQ(Iso(StartOfTheQuarter(At(2026, 12, 31, 23, 59))), "2026-10-01T00:00:00.000");
    EXPECT_EQ(Iso(EndOfTheQuarter(At(2026, 10, 1))), "2026-12-31T23:59:59.999");
    EXPECT_EQ(Iso(EndOfTheQuarter(At(2024, 1, 15))), "2024-03-31T23:59:59.999");
    EXPECT_EQ(Iso(StartOfTheSemester(At(2026, 6, 30, 23))), "2026-01-01T00:00:00.000");
    EXPECT_EQ(Iso(EndOfTheSemester(At(2026, 6, 30, 23))), "2026-06-30T23:59:59.999");
    EXPECT_EQ(Iso(EndOfTheSemester(At(2026, 7, 1))), "2026-12-31T23:59:59.999");

    EXPECT_EQ(DecadeOf(At(2029, 12, 31)), 2020);
    EXPECT_EQ(Iso(StartOfTheDecade(At(2029, 12, 31, 23))), "2020-01-01T00:00:00.000");
    EXPECT_EQ(Iso(EndOfTheDecade(At(2020, 1, 1))), "2029-12-31T23:59:59.999");
    EXPECT_EQ(CenturyOf(At(1999, 12, 31)), 1900);
    EXPECT_EQ(Iso(StartOfTheCentury(At(2000, 1, 1))), "2000-01-01T00:00:00.000");
    EXPECT_EQ(Iso(EndOfTheCentury(At(2099, 5, 5))), "2099-12-31T23:59:59.999");

    TDateTime value = At(2024, 2, 29, 13, 45);
    ReplaceYear(value, At(2025, 6, 1));
    EXPECT_EQ(Iso(value), "2025-02-28T13:45:00.000");
    value = At(2026, 1, 31, 8);
    ReplaceMonth(value, At(2026, 4, 15, 22));
    EXPECT_EQ(Iso(value), "2026-04-30T08:00:00.000");
    value = At(2026, 1, 31, 8);
    ReplaceMonth(value, At(2024, 2, 3));
    EXPECT_EQ(Iso(value), "2024-02-29T08:00:00.000");
}

TEST(QSUtils, DateAndTimeTextsInTheLocalesFormats)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    const TDateTime value = At(2026, 12, 2, 13, 5, 59);
    // Two-digit years would read back in another century: the year is widened.
    EXPECT_EQ(DateToStr(value, us), QStringLiteral("12/2/2026"));
    EXPECT_EQ(DateToStr(value, de), QStringLiteral("02.12.2026"));
    EXPECT_EQ(ShortDateFormat(QLocale(QStringLiteral("bg_BG"))), QStringLiteral("d.MM.yyyy '\u0433'."));
    EXPECT_EQ(ShortTimeToStr(value, us), QStringLiteral("1:05 PM"));
    EXPECT_EQ(ShortTimeToStr(value, de), QStringLiteral("13:05"));
    EXPECT_EQ(ShortDateTimeToStr(value, us), QStringLiteral("12/2/2026 1:05 PM"));
    EXPECT_EQ(ShortDateTimeToStr(value, de), QStringLiteral("02.12.2026 13:05"));
}

// Date-time values (SysUtils.h): the conversions between the day count and Qt's types.

#include "SysUtils.h"

#include <cmath>

namespace zdb {

namespace {

constexpr qint64 MSecsPerDay = 24 * 60 * 60 * 1000;
// 0001-01-01 and the day after 9999-12-31.
constexpr double MinDateTime = -693593.0;
constexpr double MaxDateTime = 2958466.0;

} // namespace

QDate DateTimeEpoch()
{
    return QDate(1899, 12, 30);
}

TDateTime EncodeDateTime(QDate date, QTime time)
{
    if (!date.isValid())
        throw EConvertError("Invalid date");
    const double days = double(DateTimeEpoch().daysTo(date));
    const double fraction = time.isValid() ? double(time.msecsSinceStartOfDay()) / MSecsPerDay : 0.0;
    return days < 0 ? days - fraction : days + fraction;
}

namespace {

// The date and the milliseconds since its midnight.
std::pair<QDate, int> SplitDateTime(TDateTime value)
{
    if (!(value > MinDateTime - 1 && value < MaxDateTime))
        throw EConvertError("Invalid date-time value");
    const double days = std::trunc(value);
    qint64 msecs = std::llround(std::fabs(value - days) * MSecsPerDay);
    QDate date = DateTimeEpoch().addDays(qint64(days));
    if (msecs >= MSecsPerDay) {
        msecs -= MSecsPerDay;
        date = date.addDays(1);
    }
    return {date, int(msecs)};
}

} // namespace

QDate DateTimeDate(TDateTime value)
{
    return SplitDateTime(value).first;
}

QTime DateTimeTime(TDateTime value)
{
    return QTime::fromMSecsSinceStartOfDay(SplitDateTime(value).second);
}

QDateTime DateTimeToQDateTime(TDateTime value)
{
    const auto [date, msecs] = SplitDateTime(value);
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(msecs));
}

TDateTime QDateTimeToDateTime(const QDateTime& value)
{
    if (!value.isValid())
        throw EConvertError("Invalid date-time value");
    return EncodeDateTime(value.date(), value.time());
}

} // namespace zdb

#include "DateUtils.h"

#include <QTimeZone>

namespace zdb {

namespace {

// Value on a clock without daylight-saving shifts, for arithmetic that keeps
// the wall-clock time.
QDateTime WallClock(TDateTime value)
{
    return QDateTime(DateTimeDate(value), DateTimeTime(value), QTimeZone::utc());
}

TDateTime FromWallClock(const QDateTime& value)
{
    return EncodeDateTime(value.date(), value.time());
}

const QTime LastMSec(23, 59, 59, 999);

} // namespace

TDateTime Now()
{
    return QDateTimeToDateTime(QDateTime::currentDateTime());
}

TDateTime Today()
{
    return EncodeDateTime(QDate::currentDate());
}

TDateTime DateOf(TDateTime value)
{
    return EncodeDateTime(DateTimeDate(value));
}

TDateTime StartOfTheWeek(TDateTime value)
{
    const QDate date = DateTimeDate(value);
    return EncodeDateTime(date.addDays(1 - date.dayOfWeek()));
}

TDateTime EndOfTheWeek(TDateTime value)
{
    const QDate date = DateTimeDate(value);
    return EncodeDateTime(date.addDays(7 - date.dayOfWeek()), LastMSec);
}

TDateTime StartOfTheMonth(TDateTime value)
{
    const QDate date = DateTimeDate(value);
    return EncodeDateTime(QDate(date.year(), date.month(), 1));
}

TDateTime EndOfTheMonth(TDateTime value)
{
    const QDate date = DateTimeDate(value);
    return EncodeDateTime(QDate(date.year(), date.month(), date.daysInMonth()), LastMSec);
}

TDateTime StartOfTheYear(TDateTime value)
{
    return EncodeDateTime(QDate(DateTimeDate(value).year(), 1, 1));
}

TDateTime EndOfTheYear(TDateTime value)
{
    return EncodeDateTime(QDate(DateTimeDate(value).year(), 12, 31), LastMSec);
}

TDateTime IncMinute(TDateTime value, qint64 minutes)
{
    return FromWallClock(WallClock(value).addSecs(minutes * 60));
}

TDateTime IncHour(TDateTime value, qint64 hours)
{
    return FromWallClock(WallClock(value).addSecs(hours * 60 * 60));
}

TDateTime IncDay(TDateTime value, qint64 days)
{
    return FromWallClock(WallClock(value).addDays(days));
}

TDateTime IncYear(TDateTime value, int years)
{
    return FromWallClock(WallClock(value).addYears(years));
}

TDateTime RecodeHour(TDateTime value, int hour)
{
    const QTime time = DateTimeTime(value);
    const QTime recoded(hour, time.minute(), time.second(), time.msec());
    if (!recoded.isValid())
        throw EConvertError("Invalid hour: " + std::to_string(hour));
    return EncodeDateTime(DateTimeDate(value), recoded);
}

TDateTime RecodeMonth(TDateTime value, int month)
{
    const QDate date = DateTimeDate(value);
    const QDate recoded(date.year(), month, date.day());
    if (!recoded.isValid())
        throw EConvertError("Invalid month: " + std::to_string(month));
    return EncodeDateTime(recoded, DateTimeTime(value));
}

QString FourDigitYears(const QString& format)
{
    QString result;
    result.reserve(format.size() + 2);
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            result += c;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        if (!quoted && c == u'y' && run == 2)
            result += QStringLiteral("yyyy");
        else
            result += format.mid(i, run);
        i += run;
    }
    return result;
}

QString ShortDateFormat(const QLocale& locale)
{
    return FourDigitYears(locale.dateFormat(QLocale::ShortFormat));
}

QString ShortDateTimeFormat(const QLocale& locale)
{
    return FourDigitYears(locale.dateTimeFormat(QLocale::ShortFormat));
}

QDate WindowTwoDigitYear(const QDate& date, const QDate& today)
{
    if (!date.isValid() || date.year() < 1900 || date.year() > 1999)
        return date;
    // The century that puts the year nearest to today's: at most 50 years back.
    int year = today.year() - 50 + ((date.year() - (today.year() - 50)) % 100 + 100) % 100;
    QDate result(year, date.month(), date.day());
    // 29 February of a century year that is no leap year.
    return result.isValid() ? result : QDate(year, date.month(), 28);
}

QString DateToStr(TDateTime value, const QLocale& locale)
{
    return locale.toString(DateTimeDate(value), ShortDateFormat(locale));
}

} // namespace zdb

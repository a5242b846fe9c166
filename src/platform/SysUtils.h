#pragma once
// Text formatting with the classic "%s"/"%d" format strings the library's messages use.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QVariant>
#include <QVariantList>

#include <stdexcept>

namespace zdb {

// Formats like the classic Format routine: "%s", "%d", "%u", "%x", "%f", "%g", "%e",
// "%n", "%m" with optional argument index ("%0:s"), left alignment ("-"), width and
// precision ("%8.2f"), and "%%" for a percent sign. Arguments without an index are
// taken in order, continuing after the last indexed one. A format that asks for a
// missing argument, or an index, width or precision above 9999, raises EDatabaseError.
QString Format(const QString& format, const QVariantList& args);

// ---- Date-time values -----------------------------------------------------
// The classic date-time value: days since 1899-12-30 in the integer part, the
// time of day as the fraction of a day. Before that day the integer part is
// negative and the fraction still counts forward from midnight: -1.25 is
// 1899-12-29 06:00. Times resolve to the millisecond.
using TDateTime = double;

// An invalid argument to a date or time conversion.
class EConvertError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The first day of the date-time count (value 0).
QDate DateTimeEpoch();
// The value of Date at Time (midnight when not given).
TDateTime EncodeDateTime(QDate date, QTime time = QTime(0, 0));
// The date and the time of day of Value (a time that rounds to 24:00 is
// midnight of the next day).
QDate DateTimeDate(TDateTime value);
QTime DateTimeTime(TDateTime value);
// Conversions to and from QDateTime, on the wall clock: the date and time of
// day are taken and given as they are (the result is in local time), so a
// value passes through unchanged.
QDateTime DateTimeToQDateTime(TDateTime value);
TDateTime QDateTimeToDateTime(const QDateTime& value);

} // namespace zdb

// The typed field classes: conversion between stored values, text and other values.

#include "DB.h"
#include "DateUtils.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <limits>

namespace zdb {

namespace {
QLocale FieldLocale(const TField* field)
{
    return field->DataSet() ? field->DataSet()->Locale() : QLocale();
}

bool IsNumericType(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::Char: case QMetaType::SChar:
    case QMetaType::UChar: case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// Parses a number in the locale's notation, falling back to the C notation.
bool ParseNumber(const QString& text, const QLocale& locale, double& result)
{
    bool ok = false;
    const QString trimmed = text.trimmed();
    result = locale.toDouble(trimmed, &ok);
    if (!ok)
        result = QLocale::c().toDouble(trimmed, &ok);
    return ok && std::isfinite(result);
}

} // namespace

bool TField::IsValidChar(QChar ch) const
{
    const bool sign = ch == QLatin1Char('+') || ch == QLatin1Char('-');
    if (IsIntegerFieldType(FDataType))
        return ch.isDigit() || sign;
    if (IsFloatFieldType(FDataType))
        // The locale's separator, or the C notation's point the conversion also takes.
        return ch.isDigit() || sign || ch == QLatin1Char('e') || ch == QLatin1Char('E') ||
               ch == QLatin1Char('.') || FieldLocale(this).decimalPoint() == QString(ch);
    return true;
}

// --- Strings --------------------------------------------------------------------

TStringField::TStringField(QObject* parent, TFieldType type) : TField(type, parent)
{
    FSize = 20;
}

QString TStringField::FormatValue(const QVariant& value, bool /*displayText*/) const
{
    return value.toString();
}

QString TStringField::GetAsString() const
{
    QString text;
    bool isNull = false;
    if (!FDataSet || !FDataSet->ReadFieldString(this, text, isNull))
        text = TField::GetAsString();
    else if (isNull)
        text = QString();
    return text; // one object on every path: no copy of the text
}

QVariant TStringField::Coerce(const QVariant& value) const
{
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray());
    QString text = value.toString();
    if (FSize > 0 && text.size() > FSize)
        text.truncate(FSize);
    return text;
}

// --- Numbers --------------------------------------------------------------------

TNumericField::TNumericField(TFieldType type, QObject* parent) : TField(type, parent)
{
    FAlignment = Qt::AlignRight;
}

void TNumericField::SetDisplayFormat(const QString& value)
{
    if (value != FDisplayFormat) {
        FDisplayFormat = value;
        PropertyChanged(false);
    }
}

TIntegerField::TIntegerField(QObject* parent, TFieldType type) : TNumericField(type, parent)
{
    switch (type) {
    case ftSmallint: FMinValue = std::numeric_limits<qint16>::min(); FMaxValue = std::numeric_limits<qint16>::max(); break;
    case ftWord: FMinValue = 0; FMaxValue = std::numeric_limits<quint16>::max(); break;
    case ftLargeint: FMinValue = std::numeric_limits<qint64>::min(); FMaxValue = std::numeric_limits<qint64>::max(); break;
    default: FMinValue = std::numeric_limits<qint32>::min(); FMaxValue = std::numeric_limits<qint32>::max(); break;
    }
}

QString TIntegerField::FormatValue(const QVariant& value, bool displayText) const
{
    const qlonglong number = value.toLongLong();
    if (displayText && !FDisplayFormat.isEmpty())
        return FieldLocale(this).toString(number);
    return QString::number(number);
}

QVariant TIntegerField::TextToValue(const QString& text) const
{
    bool ok = false;
    const QString trimmed = text.trimmed();
    qlonglong number = QLocale::c().toLongLong(trimmed, &ok);
    if (!ok)
        number = FieldLocale(this).toLongLong(trimmed, &ok);
    if (!ok)
        ConvertError(text, QStringLiteral("integer"));
    return number;
}

QVariant TIntegerField::Coerce(const QVariant& value) const
{
    qlonglong number = 0;
    if (value.typeId() == QMetaType::QString) {
        number = TextToValue(value.toString()).toLongLong();
    } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.2e18)
            ConvertError(value.toString(), QStringLiteral("integer"));
        number = qlonglong(d);
    } else if (IsNumericType(value)) {
        number = value.toLongLong();
    } else {
        ConvertError(value.toString(), QStringLiteral("integer"));
    }
    if (number < FMinValue || number > FMaxValue)
        DatabaseError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                          .arg(QString::number(number), DisplayName(), QString::number(FMinValue),
                               QString::number(FMaxValue)),
                      FDataSet);
    if (FDataType == ftLargeint)
        return number;
    return int(number);
}

TFloatField::TFloatField(QObject* parent, TFieldType type) : TNumericField(type, parent)
{
}

void TFloatField::SetCurrency(bool value)
{
    if (value != FCurrency) {
        FCurrency = value;
        PropertyChanged(false);
    }
}

void TFloatField::SetPrecision(int value)
{
    value = value < 2 ? 2 : (value > 15 ? 15 : value);
    if (value != FPrecision) {
        FPrecision = value;
        PropertyChanged(false);
    }
}

QString TFloatField::FormatValue(const QVariant& value, bool displayText) const
{
    const double number = value.toDouble();
    const QLocale locale = FieldLocale(this);
    if (FCurrency) {
        if (displayText)
            return locale.toString(number, 'f', 2);
        // Editing shows every decimal a currency keeps (four), at least two, so that
        // the edit text posts back the stored value.
        QString text = locale.toString(number, 'f', 4).remove(locale.groupSeparator());
        const qsizetype point = text.lastIndexOf(locale.decimalPoint());
        while (point >= 0 && text.size() - point > 3 && text.endsWith(QLatin1Char('0')))
            text.chop(1);
        return text;
    }
    QString text = locale.toString(number, 'g', FPrecision);
    if (!displayText)
        text.remove(locale.groupSeparator());
    return text;
}

QVariant TFloatField::TextToValue(const QString& text) const
{
    double number = 0;
    QString cleaned = text.trimmed();
    const QLocale locale = FieldLocale(this);
    if (FCurrency)
        cleaned.remove(locale.currencySymbol());
    if (!ParseNumber(cleaned.trimmed(), locale, number))
        ConvertError(text, QStringLiteral("floating point"));
    return number;
}

QVariant TFloatField::Coerce(const QVariant& value) const
{
    if (value.typeId() == QMetaType::QString)
        return TextToValue(value.toString());
    bool ok = IsNumericType(value);
    const double number = value.toDouble();
    if (!ok || !std::isfinite(number))
        ConvertError(value.toString(), QStringLiteral("floating point"));
    return number;
}

TCurrencyField::TCurrencyField(QObject* parent) : TFloatField(parent, ftCurrency)
{
    FCurrency = true;
}

QVariant TCurrencyField::Coerce(const QVariant& value) const
{
    const double number = TFloatField::Coerce(value).toDouble();
    return std::round(number * 10000.0) / 10000.0;
}

// --- Booleans -------------------------------------------------------------------

TBooleanField::TBooleanField(QObject* parent) : TField(ftBoolean, parent)
{
    SetDisplayValues(QString());
}

void TBooleanField::SetDisplayValues(const QString& value)
{
    FDisplayValues = value;
    const QStringList parts = value.split(QLatin1Char(';'));
    FTrueText = value.isEmpty() ? QStringLiteral("True") : parts.value(0);
    FFalseText = value.isEmpty() ? QStringLiteral("False") : parts.value(1);
    PropertyChanged(false);
}

QString TBooleanField::FormatValue(const QVariant& value, bool /*displayText*/) const
{
    return value.toBool() ? FTrueText : FFalseText;
}

QVariant TBooleanField::TextToValue(const QString& text) const
{
    const QString t = text.trimmed();
    auto is = [&t](const QString& candidate) {
        return !candidate.isEmpty() && t.compare(candidate, Qt::CaseInsensitive) == 0;
    };
    if (is(FTrueText) || is(QStringLiteral("true")) || t == QLatin1String("1"))
        return true;
    if (is(FFalseText) || is(QStringLiteral("false")) || t == QLatin1String("0"))
        return false;
    ConvertError(text, QStringLiteral("boolean"));
}

QVariant TBooleanField::Coerce(const QVariant& value) const
{
    if (value.typeId() == QMetaType::QString)
        return TextToValue(value.toString());
    if (!IsNumericType(value))
        ConvertError(value.toString(), QStringLiteral("boolean"));
    return value.toBool();
}

// --- Dates and times --------------------------------------------------------------

TDateTimeField::TDateTimeField(QObject* parent, TFieldType type) : TField(type, parent)
{
}

void TDateTimeField::SetDisplayFormat(const QString& value)
{
    if (value != FDisplayFormat) {
        FDisplayFormat = value;
        PropertyChanged(false);
    }
}

QString TDateTimeField::FormatValue(const QVariant& value, bool displayText) const
{
    const QLocale locale = FieldLocale(this);
    const bool custom = displayText && !FDisplayFormat.isEmpty();
    switch (FDataType) {
    case ftDate: {
        const QDate date = value.typeId() == QMetaType::QDateTime ? value.toDateTime().date() : value.toDate();
        return locale.toString(date, custom ? FDisplayFormat : ShortDateFormat(locale));
    }
    // An edit text gives the stored value back when it is posted: where the
    // locale's short form drops a part of the time (seconds, milliseconds),
    // ISO 8601 with milliseconds stands in, which the text conversion reads.
    case ftTime: {
        const QTime time = value.typeId() == QMetaType::QDateTime ? value.toDateTime().time() : value.toTime();
        if (custom)
            return locale.toString(time, FDisplayFormat);
        const QString text = locale.toString(time, QLocale::ShortFormat);
        if (!displayText && locale.toTime(text, QLocale::ShortFormat) != time)
            return time.toString(Qt::ISODateWithMs);
        return text;
    }
    default: {
        const QDateTime dt = value.typeId() == QMetaType::QDate ? value.toDate().startOfDay() : value.toDateTime();
        if (custom)
            return locale.toString(dt, FDisplayFormat);
        if (dt.time() == QTime(0, 0))
            return locale.toString(dt.date(), ShortDateFormat(locale));
        const QString text = locale.toString(dt, ShortDateTimeFormat(locale));
        if (!displayText && locale.toDateTime(text, ShortDateTimeFormat(locale)).time() != dt.time())
            return QDateTime(dt.date(), dt.time()).toString(Qt::ISODateWithMs);
        return text;
    }
    }
}

namespace {

// Reads Text through the locale's short Format, years written with four
// digits first; a two-digit year lands within 50 years of today.
template <typename T, typename Read>
T ReadShort(const QString& text, const QString& format, Read read, QDate (*dateOf)(const T&),
            T (*withDate)(const T&, const QDate&))
{
    const T wide = read(text, FourDigitYears(format));
    if (wide.isValid() && dateOf(wide).year() >= 100)
        return wide;
    const T narrow = read(text, format);
    if (narrow.isValid())
        return withDate(narrow, WindowTwoDigitYear(dateOf(narrow)));
    return T();
}

QDate DateOfDate(const QDate& d) { return d; }
QDate WithDate(const QDate&, const QDate& d) { return d; }
QDate DateOfDateTime(const QDateTime& dt) { return dt.date(); }
QDateTime WithDateTime(const QDateTime& dt, const QDate& d) { return QDateTime(d, dt.time()); }

} // namespace

QVariant TDateTimeField::TextToValue(const QString& text) const
{
    const QString t = text.trimmed();
    const QLocale locale = FieldLocale(this);
    const auto readDate = [&locale](const QString& s, const QString& f) { return locale.toDate(s, f); };
    switch (FDataType) {
    case ftDate: {
        QDate date = ReadShort<QDate>(t, locale.dateFormat(QLocale::ShortFormat), readDate, DateOfDate, WithDate);
        if (!date.isValid())
            date = locale.toDate(t, QLocale::LongFormat);
        if (!date.isValid())
            date = QDate::fromString(t, Qt::ISODate);
        if (!date.isValid())
            ConvertError(text, QStringLiteral("date"));
        return date;
    }
    case ftTime: {
        QTime time = locale.toTime(t, QLocale::ShortFormat);
        if (!time.isValid())
            time = locale.toTime(t, QLocale::LongFormat);
        if (!time.isValid())
            time = QTime::fromString(t, Qt::ISODate);
        if (!time.isValid())
            ConvertError(text, QStringLiteral("time"));
        return time;
    }
    default: {
        QDateTime dt = ReadShort<QDateTime>(
            t, locale.dateTimeFormat(QLocale::ShortFormat),
            [&locale](const QString& s, const QString& f) { return locale.toDateTime(s, f); }, DateOfDateTime,
            WithDateTime);
        if (!dt.isValid())
            dt = locale.toDateTime(t, QLocale::LongFormat);
        if (!dt.isValid()) {
            const QDate date =
                ReadShort<QDate>(t, locale.dateFormat(QLocale::ShortFormat), readDate, DateOfDate, WithDate);
            if (date.isValid())
                dt = date.startOfDay();
        }
        if (!dt.isValid()) {
            // The wall-clock date and time as written: a zone or offset is not converted.
            dt = QDateTime::fromString(t, Qt::ISODate);
            if (dt.isValid() && dt.timeSpec() != Qt::LocalTime)
                dt = QDateTime(dt.date(), dt.time());
        }
        if (!dt.isValid())
            ConvertError(text, QStringLiteral("date and time"));
        return dt;
    }
    }
}

QVariant TDateTimeField::Coerce(const QVariant& value) const
{
    QVariant v = value;
    if (v.typeId() == QMetaType::QString)
        v = TextToValue(v.toString());
    switch (FDataType) {
    case ftDate:
        if (v.typeId() == QMetaType::QDateTime)
            return v.toDateTime().date();
        if (v.typeId() == QMetaType::QDate && v.toDate().isValid())
            return v;
        break;
    case ftTime:
        if (v.typeId() == QMetaType::QDateTime)
            return v.toDateTime().time();
        if (v.typeId() == QMetaType::QTime && v.toTime().isValid())
            return v;
        break;
    default:
        if (v.typeId() == QMetaType::QDate && v.toDate().isValid())
            return v.toDate().startOfDay();
        if (v.typeId() == QMetaType::QDateTime && v.toDateTime().isValid())
            return v;
        break;
    }
    ConvertError(value.toString(), FieldTypeName(FDataType).toLower());
}

// --- Blobs ----------------------------------------------------------------------

TBlobField::TBlobField(QObject* parent, TFieldType type) : TField(type, parent)
{
    FSize = 0;
}

QString TBlobField::FormatValue(const QVariant& value, bool displayText) const
{
    const bool memo = IsMemoFieldType(FDataType);
    if (!displayText && memo)
        return value.toString();
    if (memo)
        return QStringLiteral("(MEMO)");
    if (FDataType == ftGraphic)
        return QStringLiteral("(GRAPHIC)");
    if (!displayText)
        return QString::fromUtf8(value.toByteArray());
    return QStringLiteral("(BLOB)");
}

QVariant TBlobField::Coerce(const QVariant& value) const
{
    const bool memo = IsMemoFieldType(FDataType);
    if (memo)
        return value.typeId() == QMetaType::QByteArray ? QString::fromUtf8(value.toByteArray()) : value.toString();
    if (value.typeId() == QMetaType::QString)
        return value.toString().toUtf8();
    if (value.canConvert<QByteArray>())
        return value.toByteArray();
    ConvertError(value.toString(), QStringLiteral("binary"));
}

// --- Field factory ----------------------------------------------------------------

std::unique_ptr<TField> CreateFieldForType(TFieldType type)
{
    switch (type) {
    case ftString: case ftFixedChar: case ftGuid:
        return std::make_unique<TStringField>(nullptr, type);
    case ftWideString: case ftFixedWideChar:
        return std::make_unique<TWideStringField>();
    case ftSmallint: case ftShortint: case ftByte:
        return std::make_unique<TSmallintField>();
    case ftWord:
        return std::make_unique<TWordField>();
    case ftInteger: case ftLongWord:
        return std::make_unique<TIntegerField>();
    case ftAutoInc:
        return std::make_unique<TAutoIncField>();
    case ftLargeint:
        return std::make_unique<TLargeintField>();
    case ftFloat: case ftBCD: case ftFMTBcd: case ftExtended: case ftSingle:
        return std::make_unique<TFloatField>(nullptr, type);
    case ftCurrency:
        return std::make_unique<TCurrencyField>();
    case ftBoolean:
        return std::make_unique<TBooleanField>();
    case ftDate:
        return std::make_unique<TDateField>();
    case ftTime:
        return std::make_unique<TTimeField>();
    case ftDateTime: case ftTimeStamp: case ftOraTimeStamp: case ftTimeStampOffset:
        return std::make_unique<TDateTimeField>(nullptr, type);
    case ftMemo: case ftFmtMemo: case ftOraClob:
        return std::make_unique<TMemoField>(nullptr, type);
    case ftWideMemo:
        return std::make_unique<TWideMemoField>();
    case ftGraphic:
        return std::make_unique<TGraphicField>();
    case ftBytes: case ftVarBytes:
        return std::make_unique<TBytesField>(nullptr, type);
    case ftBlob: case ftTypedBinary: case ftOraBlob: case ftParadoxOle: case ftDBaseOle:
        return std::make_unique<TBlobField>(nullptr, type);
    default:
        return std::make_unique<TField>(type);
    }
}

} // namespace zdb

#include "FilterExpr.h"

#include "DBError.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QVarLengthArray>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace zdb {

QString SInvalidFilterExpression = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Invalid filter expression: %s"));

namespace filterexpr {

// Three-valued logic of SQL.
enum class TTri : quint8 { False, True, Unknown };

TTri FromBool(bool value)
{
    return value ? TTri::True : TTri::False;
}

TTri Negate(TTri value)
{
    switch (value) {
    case TTri::False:
        return TTri::True;
    case TTri::True:
        return TTri::False;
    case TTri::Unknown:
        break;
    }
    return TTri::Unknown;
}

template <typename T>
int Sign(const T& a, const T& b)
{
    return (b < a) - (a < b);
}

// A wall-clock date and time; time zones are not taken into account.
struct TStamp
{
    QDate date;
    int msecs = 0;
};

int CompareStamps(const TStamp& a, const TStamp& b)
{
    if (a.date != b.date)
        return a.date < b.date ? -1 : 1;
    return Sign(a.msecs, b.msecs);
}

TStamp StampOf(const QDateTime& value)
{
    return {value.date(), value.time().msecsSinceStartOfDay()};
}

// Rewrites a locale's date or time format so that parsing accepts one or two
// digits for days, months, hours, minutes and seconds; a two-digit year
// becomes four digits when fourDigitYear is set. With dropZone the time-zone
// field is left out. twoDigitYear tells whether the result parses a
// two-digit year.
QString RelaxFormat(const QString& format, bool fourDigitYear, bool dropZone, bool* twoDigitYear = nullptr)
{
    QString result;
    if (twoDigitYear)
        *twoDigitYear = false;
    qsizetype i = 0;
    const qsizetype n = format.size();
    while (i < n) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            // Quoted literal text, '' standing for a quote, copied through.
            qsizetype j = i + 1;
            while (j < n) {
                if (format.at(j) == u'\'') {
                    if (j + 1 < n && format.at(j + 1) == u'\'') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            result += format.mid(i, j + 1 - i);
            i = j + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < n && format.at(i + run) == c)
            ++run;
        switch (c.unicode()) {
        case u'd':
        case u'M':
        case u'H':
        case u'h':
        case u'm':
        case u's':
            result += run <= 2 ? QString(c) : QString(run, c);
            break;
        case u'y':
            if (run == 2 && !fourDigitYear) {
                result += QStringLiteral("yy");
                if (twoDigitYear)
                    *twoDigitYear = true;
            } else {
                result += QStringLiteral("yyyy");
            }
            break;
        case u't':
            if (!dropZone)
                result += QString(run, c);
            break;
        default:
            result += QString(run, c);
            break;
        }
        i += run;
    }
    return result.trimmed();
}

bool HasDigit(QStringView text)
{
    for (const QChar c : text)
        if (c.isDigit())
            return true;
    return false;
}

// Date and time texts in a locale's formats, with ISO 8601 as the fallback.
class TTemporalFormats
{
public:
    explicit TTemporalFormats(const QLocale& locale)
        : FLocale(locale)
    {
        const auto addDate = [this](const QString& format, bool twoDigitYear) {
            for (const TDateFormat& known : FDateFormats)
                if (known.format == format)
                    return;
            FDateFormats.push_back({format, twoDigitYear});
        };
        const QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
        bool twoDigitYear = false;
        const QString shortTwoDigit = RelaxFormat(shortFormat, false, false, &twoDigitYear);
        if (twoDigitYear)
            addDate(shortTwoDigit, true);
        addDate(RelaxFormat(shortFormat, true, false), false);
        addDate(RelaxFormat(locale.dateFormat(QLocale::LongFormat), true, false), false);
        addDate(QStringLiteral("yyyy-M-d"), false);

        FTimeFormats << RelaxFormat(locale.timeFormat(QLocale::ShortFormat), false, true)
                     << RelaxFormat(locale.timeFormat(QLocale::LongFormat), false, true)
                     << QStringLiteral("H:m:s.z") << QStringLiteral("H:m:s") << QStringLiteral("H:m");
        FTimeFormats.removeDuplicates();
    }

    std::optional<QDate> Date(QStringView text) const
    {
        const QString s = text.trimmed().toString();
        if (!HasDigit(s))
            return std::nullopt;
        for (const TDateFormat& format : FDateFormats) {
            QDate date = FLocale.toDate(s, format.format);
            if (!date.isValid())
                continue;
            if (format.twoDigitYear) {
                // The century that puts the year within 50 years of now.
                const int current = QDate::currentDate().year();
                int year = current - current % 100 + date.year() % 100;
                if (year > current + 49)
                    year -= 100;
                else if (year < current - 50)
                    year += 100;
                date = QDate(year, date.month(), date.day());
                if (!date.isValid())
                    continue;
            }
            return date;
        }
        return std::nullopt;
    }

    std::optional<QTime> Time(QStringView text) const
    {
        const QString s = text.trimmed().toString();
        if (!HasDigit(s))
            return std::nullopt;
        for (const QString& format : FTimeFormats) {
            const QTime time = FLocale.toTime(s, format);
            if (time.isValid())
                return time;
        }
        return std::nullopt;
    }

    // A date and a time separated by white space (or by "T" in ISO 8601).
    std::optional<TStamp> DateTime(QStringView text) const
    {
        const QStringView s = text.trimmed();
        if (!HasDigit(s))
            return std::nullopt;
        for (qsizetype i = 1; i + 1 < s.size(); ++i) {
            const QChar c = s.at(i);
            const bool split = c.isSpace() || (c == u'T' && s.at(i - 1).isDigit() && s.at(i + 1).isDigit());
            if (!split)
                continue;
            const std::optional<QDate> date = Date(s.left(i));
            if (!date)
                continue;
            const std::optional<QTime> time = Time(s.mid(i + 1));
            if (time)
                return TStamp{*date, time->msecsSinceStartOfDay()};
        }
        return std::nullopt;
    }

private:
    struct TDateFormat
    {
        QString format;
        bool twoDigitYear;
    };
    QLocale FLocale;
    std::vector<TDateFormat> FDateFormats;
    QStringList FTimeFormats;
};

// What a value is, for comparing: every integer type is Integer, and types
// without a rule of their own (QByteArray, QUuid, ...) compare as text.
enum class TKind : quint8 { Null, Bool, Integer, Float, String, Date, Time, DateTime };

TKind KindOf(const QVariant& value)
{
    if (value.isNull())
        return TKind::Null;
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return TKind::Bool;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return TKind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return TKind::Float;
    case QMetaType::QDate:
        return value.toDate().isValid() ? TKind::Date : TKind::Null;
    case QMetaType::QTime:
        return value.toTime().isValid() ? TKind::Time : TKind::Null;
    case QMetaType::QDateTime:
        return value.toDateTime().isValid() ? TKind::DateTime : TKind::Null;
    default:
        return TKind::String;
    }
}

bool IsNumeric(TKind kind)
{
    return kind == TKind::Bool || kind == TKind::Integer || kind == TKind::Float;
}

bool IsTemporal(TKind kind)
{
    return kind == TKind::Date || kind == TKind::Time || kind == TKind::DateTime;
}

QString KindName(TKind kind)
{
    switch (kind) {
    case TKind::Null:
        return QStringLiteral("NULL");
    case TKind::Bool:
        return QStringLiteral("a boolean");
    case TKind::Integer:
    case TKind::Float:
        return QStringLiteral("a number");
    case TKind::String:
        return QStringLiteral("a string");
    case TKind::Date:
        return QStringLiteral("a date");
    case TKind::Time:
        return QStringLiteral("a time");
    case TKind::DateTime:
        return QStringLiteral("a date and time");
    }
    return {};
}

struct TNumber
{
    bool isInteger = true;
    qlonglong integer = 0;
    double real = 0;
};

TNumber NumberOf(const QVariant& value, TKind kind)
{
    switch (kind) {
    case TKind::Bool:
        return {true, value.toBool() ? 1 : 0, 0};
    case TKind::Integer: {
        const int id = value.metaType().id();
        if (id == QMetaType::ULongLong || id == QMetaType::ULong) {
            const qulonglong u = value.toULongLong();
            if (u > qulonglong(std::numeric_limits<qlonglong>::max()))
                return {false, 0, double(u)};
        }
        return {true, value.toLongLong(), 0};
    }
    default:
        return {false, 0, value.toDouble()};
    }
}

std::optional<int> CompareNumbers(const TNumber& a, const TNumber& b)
{
    if (a.isInteger && b.isInteger)
        return Sign(a.integer, b.integer);
    const double x = a.isInteger ? double(a.integer) : a.real;
    const double y = b.isInteger ? double(b.integer) : b.real;
    if (std::isnan(x) || std::isnan(y))
        return std::nullopt;
    return Sign(x, y);
}

// A string value without copying when the variant holds a QString.
QStringView StringOf(const QVariant& value, QString& storage)
{
    if (value.metaType().id() == QMetaType::QString)
        return *static_cast<const QString*>(value.constData());
    storage = value.toString();
    return storage;
}

QString TimeText(const QTime& time)
{
    return time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

// The text of a value, as LIKE matches it: numbers with "." as decimal
// separator, dates and times in ISO 8601 with a space between date and time.
QStringView TextOf(const QVariant& value, TKind kind, QString& storage)
{
    switch (kind) {
    case TKind::Bool:
        storage = value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        return storage;
    case TKind::Integer: {
        const TNumber number = NumberOf(value, kind);
        storage = number.isInteger ? QString::number(number.integer) : QString::number(value.toULongLong());
        return storage;
    }
    case TKind::Float:
        storage = QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        return storage;
    case TKind::Date:
        storage = value.toDate().toString(Qt::ISODate);
        return storage;
    case TKind::Time:
        storage = TimeText(value.toTime());
        return storage;
    case TKind::DateTime: {
        const QDateTime dt = value.toDateTime();
        storage = dt.date().toString(Qt::ISODate) + u' ' + TimeText(dt.time());
        return storage;
    }
    case TKind::String:
        return StringOf(value, storage);
    case TKind::Null:
        break;
    }
    storage.clear();
    return storage;
}

std::optional<bool> BoolOfText(QStringView text)
{
    const QStringView s = text.trimmed();
    if (s.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (s.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

std::optional<TNumber> NumberOfText(QStringView text, const QLocale& locale)
{
    const QStringView s = text.trimmed();
    if (s.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qlonglong integer = QLocale::c().toLongLong(s, &ok);
    if (ok)
        return TNumber{true, integer, 0};
    double real = QLocale::c().toDouble(s, &ok);
    if (!ok)
        real = locale.toDouble(s, &ok);
    if (!ok)
        return std::nullopt;
    return TNumber{false, 0, real};
}

// A constant of the expression. A string constant carries, made once, its
// conversions to the other types it may be compared with.
struct TLiteral
{
    QVariant value;
    TKind kind = TKind::Null;
    QString text;
    std::optional<TNumber> number;
    std::optional<bool> boolean;
    std::optional<QDate> date;
    std::optional<QTime> time;
    std::optional<TStamp> stamp;
    std::optional<QString> partialPrefix; // a string ending in "*"
};

struct TProgram;

class TEvalContext
{
public:
    TEvalContext(const TProgram& program, const TFilterExpression::FieldValue& values, const QStringList& names,
                 TFilterOptions options);

    const QVariant& Field(int index)
    {
        if (!FFetched[index]) {
            FCache[index] = FValues(FNames.at(index));
            FFetched[index] = true;
        }
        return FCache[index];
    }

    [[noreturn]] void Error(const QString& message) const;

    const TProgram& program;
    const Qt::CaseSensitivity cs;
    const bool partial;

private:
    const TFilterExpression::FieldValue& FValues;
    const QStringList& FNames;
    QVarLengthArray<QVariant, 8> FCache;
    QVarLengthArray<bool, 8> FFetched;
};

// One side of a comparison as evaluated: the value, its kind and, for a
// constant, the constant with its prepared conversions.
struct TSide
{
    const QVariant* value;
    TKind kind;
    const TLiteral* literal;
};

struct TOperand
{
    int field = -1; // index into the field names, or -1 for a constant
    TLiteral literal;

    TSide Side(TEvalContext& ctx) const
    {
        if (field < 0)
            return {&literal.value, literal.kind, &literal};
        const QVariant& value = ctx.Field(field);
        return {&value, KindOf(value), nullptr};
    }
};

class TNode
{
public:
    virtual ~TNode() = default;
    virtual TTri Eval(TEvalContext& ctx) const = 0;
    virtual std::optional<QString> Translate(TFilterTranslator& translator) const = 0;
};

TFilterOperand OperandView(const TOperand& operand)
{
    TFilterOperand view;
    view.Field = operand.field;
    if (operand.field >= 0)
        return view;
    const TLiteral& literal = operand.literal;
    view.Value = literal.value;
    if (literal.number)
        view.Number = literal.number->isInteger ? QVariant(literal.number->integer) : QVariant(literal.number->real);
    view.Boolean = literal.boolean;
    view.Date = literal.date;
    view.Time = literal.time;
    if (literal.stamp)
        view.DateTime = std::pair(literal.stamp->date, QTime::fromMSecsSinceStartOfDay(literal.stamp->msecs));
    view.PartialPrefix = literal.partialPrefix;
    return view;
}

struct TProgram
{
    QString text;
    TTemporalFormats formats;
    QLocale locale;
    std::unique_ptr<TNode> root;
};

TEvalContext::TEvalContext(const TProgram& program, const TFilterExpression::FieldValue& values,
                           const QStringList& names, TFilterOptions options)
    : program(program)
    , cs(options.testFlag(foCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive)
    , partial(!options.testFlag(foNoPartialCompare))
    , FValues(values)
    , FNames(names)
    , FCache(names.size())
    , FFetched(names.size(), false)
{
}

void TEvalContext::Error(const QString& message) const
{
    DatabaseError(QStringLiteral("%1 in filter expression: %2").arg(message, program.text));
}

[[noreturn]] void Mismatch(TEvalContext& ctx, TKind a, TKind b)
{
    ctx.Error(QStringLiteral("Type mismatch: cannot compare %1 with %2").arg(KindName(a), KindName(b)));
}

[[noreturn]] void NotConvertible(TEvalContext& ctx, const TLiteral& literal, TKind kind)
{
    ctx.Error(QStringLiteral("'%1' is not %2").arg(literal.text, KindName(kind)));
}

std::optional<int> CompareTemporal(const TSide& a, const TSide& b, TEvalContext& ctx)
{
    if (a.kind == TKind::Time || b.kind == TKind::Time) {
        if (a.kind != b.kind)
            Mismatch(ctx, a.kind, b.kind);
        return Sign(a.value->toTime(), b.value->toTime());
    }
    if (a.kind == TKind::Date && b.kind == TKind::Date)
        return Sign(a.value->toDate(), b.value->toDate());
    const TStamp x = a.kind == TKind::Date ? TStamp{a.value->toDate(), 0} : StampOf(a.value->toDateTime());
    const TStamp y = b.kind == TKind::Date ? TStamp{b.value->toDate(), 0} : StampOf(b.value->toDateTime());
    return CompareStamps(x, y);
}

// Compares a value that is not a string with a string converted to its type.
// A constant that does not convert is an error of the expression; a field's
// string that does not convert compares as text with a number and is unknown
// against a date or time.
std::optional<int> CompareWithString(const TSide& typed, const TSide& str, TEvalContext& ctx)
{
    const TLiteral* literal = str.literal;
    QString storage;
    const QStringView text = literal ? QStringView(literal->text) : StringOf(*str.value, storage);
    const TTemporalFormats& formats = ctx.program.formats;
    switch (typed.kind) {
    case TKind::Bool:
    case TKind::Integer:
    case TKind::Float: {
        if (typed.kind == TKind::Bool) {
            const std::optional<bool> flag = literal ? literal->boolean : BoolOfText(text);
            if (flag)
                return Sign(typed.value->toBool() ? 1 : 0, *flag ? 1 : 0);
        }
        const std::optional<TNumber> number = literal ? literal->number : NumberOfText(text, ctx.program.locale);
        if (number)
            return CompareNumbers(NumberOf(*typed.value, typed.kind), *number);
        if (literal)
            NotConvertible(ctx, *literal, typed.kind);
        QString own;
        return Sign(TextOf(*typed.value, typed.kind, own).compare(text, ctx.cs), 0);
    }
    case TKind::Date: {
        const std::optional<QDate> date = literal ? literal->date : formats.Date(text);
        if (date)
            return Sign(typed.value->toDate(), *date);
        const std::optional<TStamp> stamp = literal ? literal->stamp : formats.DateTime(text);
        if (stamp)
            return CompareStamps(TStamp{typed.value->toDate(), 0}, *stamp);
        break;
    }
    case TKind::DateTime: {
        std::optional<TStamp> stamp = literal ? literal->stamp : formats.DateTime(text);
        if (!stamp) {
            const std::optional<QDate> date = literal ? literal->date : formats.Date(text);
            if (date)
                stamp = TStamp{*date, 0};
        }
        if (stamp)
            return CompareStamps(StampOf(typed.value->toDateTime()), *stamp);
        break;
    }
    case TKind::Time: {
        const std::optional<QTime> time = literal ? literal->time : formats.Time(text);
        if (time)
            return Sign(typed.value->toTime(), *time);
        break;
    }
    case TKind::Null:
    case TKind::String:
        break;
    }
    if (literal)
        NotConvertible(ctx, *literal, typed.kind);
    return std::nullopt;
}

// <0, 0 or >0; no value when the comparison is unknown (a NULL side).
std::optional<int> CompareValues(const TSide& a, const TSide& b, TEvalContext& ctx)
{
    if (a.kind == TKind::Null || b.kind == TKind::Null)
        return std::nullopt;
    if (IsNumeric(a.kind) && IsNumeric(b.kind))
        return CompareNumbers(NumberOf(*a.value, a.kind), NumberOf(*b.value, b.kind));
    if (a.kind == TKind::String && b.kind == TKind::String) {
        QString sa, sb;
        return Sign(StringOf(*a.value, sa).compare(StringOf(*b.value, sb), ctx.cs), 0);
    }
    if (b.kind == TKind::String)
        return CompareWithString(a, b, ctx);
    if (a.kind == TKind::String) {
        const std::optional<int> c = CompareWithString(b, a, ctx);
        if (c)
            return -*c;
        return c;
    }
    if (IsTemporal(a.kind) && IsTemporal(b.kind))
        return CompareTemporal(a, b, ctx);
    Mismatch(ctx, a.kind, b.kind);
}

// A LIKE pattern ("%" any run, "_" one character). Patterns of the common
// shapes ("abc", "abc%", "%abc", "%abc%") match through Qt's string search.
class TLikePattern
{
public:
    explicit TLikePattern(const QString& pattern)
        : FText(pattern)
    {
        if (pattern.contains(u'_'))
            return;
        qsizetype begin = 0;
        qsizetype end = pattern.size();
        while (begin < end && pattern.at(begin) == u'%')
            ++begin;
        while (end > begin && pattern.at(end - 1) == u'%')
            --end;
        const QString inner = pattern.mid(begin, end - begin);
        if (inner.contains(u'%'))
            return;
        const bool leading = begin > 0;
        const bool trailing = end < pattern.size();
        FShape = leading && trailing ? TShape::Contains
                 : leading           ? TShape::Suffix
                 : trailing          ? TShape::Prefix
                                     : TShape::Exact;
        FText = inner;
    }

    bool Match(QStringView s, Qt::CaseSensitivity cs) const
    {
        switch (FShape) {
        case TShape::Exact:
            return s.compare(FText, cs) == 0;
        case TShape::Prefix:
            return s.startsWith(FText, cs);
        case TShape::Suffix:
            return s.endsWith(FText, cs);
        case TShape::Contains:
            return s.contains(FText, cs);
        case TShape::General:
            break;
        }
        return MatchGeneral(s, FText, cs);
    }

    // Wildcard matching with one backtracking point (the last "%"), linear
    // for the usual patterns. "_" takes a whole surrogate pair.
    static bool MatchGeneral(QStringView s, QStringView p, Qt::CaseSensitivity cs)
    {
        const auto step = [&s](qsizetype i) {
            return i + 1 < s.size() && s.at(i).isHighSurrogate() && s.at(i + 1).isLowSurrogate() ? 2 : 1;
        };
        const auto same = [cs](QChar a, QChar b) {
            return a == b || (cs == Qt::CaseInsensitive && a.toCaseFolded() == b.toCaseFolded());
        };
        qsizetype i = 0, j = 0, starJ = -1, starI = 0;
        while (i < s.size()) {
            if (j < p.size() && p.at(j) == u'%') {
                starJ = j++;
                starI = i;
            } else if (j < p.size() && p.at(j) == u'_') {
                i += step(i);
                ++j;
            } else if (j < p.size() && same(p.at(j), s.at(i))) {
                ++i;
                ++j;
            } else if (starJ >= 0) {
                j = starJ + 1;
                starI += step(starI);
                i = starI;
            } else {
                return false;
            }
        }
        while (j < p.size() && p.at(j) == u'%')
            ++j;
        return j == p.size();
    }

private:
    enum class TShape { Exact, Prefix, Suffix, Contains, General };
    TShape FShape = TShape::General;
    QString FText;
};

enum class TCompareOp { Eq, Ne, Lt, Le, Gt, Ge };

class TCompareNode : public TNode
{
public:
    TCompareNode(TCompareOp op, TOperand left, TOperand right)
        : FOp(op), FLeft(std::move(left)), FRight(std::move(right))
    {
        if (FOp == TCompareOp::Eq || FOp == TCompareOp::Ne) {
            if (FRight.field < 0 && FRight.literal.partialPrefix)
                FPrefix = &*FRight.literal.partialPrefix;
            else if (FLeft.field < 0 && FLeft.literal.partialPrefix)
                FPrefix = &*FLeft.literal.partialPrefix;
            FPrefixOnRight = FPrefix && FRight.field < 0 && FPrefix == &*FRight.literal.partialPrefix;
        }
    }

    TTri Eval(TEvalContext& ctx) const override
    {
        const TSide a = FLeft.Side(ctx);
        const TSide b = FRight.Side(ctx);
        if (FPrefix && ctx.partial) {
            const TSide& other = FPrefixOnRight ? a : b;
            if (other.kind == TKind::Null)
                return TTri::Unknown;
            if (other.kind == TKind::String) {
                QString storage;
                const bool starts = StringOf(*other.value, storage).startsWith(*FPrefix, ctx.cs);
                return FromBool(starts == (FOp == TCompareOp::Eq));
            }
        }
        const std::optional<int> c = CompareValues(a, b, ctx);
        if (!c)
            return TTri::Unknown;
        switch (FOp) {
        case TCompareOp::Eq:
            return FromBool(*c == 0);
        case TCompareOp::Ne:
            return FromBool(*c != 0);
        case TCompareOp::Lt:
            return FromBool(*c < 0);
        case TCompareOp::Le:
            return FromBool(*c <= 0);
        case TCompareOp::Gt:
            return FromBool(*c > 0);
        case TCompareOp::Ge:
            return FromBool(*c >= 0);
        }
        return TTri::Unknown;
    }

    std::optional<QString> Translate(TFilterTranslator& translator) const override
    {
        return translator.Compare(static_cast<TFilterCompare>(FOp), OperandView(FLeft), OperandView(FRight), FPrefix != nullptr,
                                  FPrefixOnRight);
    }

private:
    TCompareOp FOp;
    TOperand FLeft;
    TOperand FRight;
    const QString* FPrefix = nullptr;
    bool FPrefixOnRight = false;
};

class TLikeNode : public TNode
{
public:
    TLikeNode(TOperand value, TOperand pattern, bool negated)
        : FValue(std::move(value)), FPattern(std::move(pattern)), FNegated(negated)
    {
        if (FPattern.field < 0 && FPattern.literal.kind != TKind::Null) {
            QString storage;
            FCompiled.emplace(TextOf(FPattern.literal.value, FPattern.literal.kind, storage).toString());
        }
    }

    TTri Eval(TEvalContext& ctx) const override
    {
        const TSide value = FValue.Side(ctx);
        if (value.kind == TKind::Null)
            return TTri::Unknown;
        QString valueText;
        const QStringView text = TextOf(*value.value, value.kind, valueText);
        bool match = false;
        if (FCompiled) {
            match = FCompiled->Match(text, ctx.cs);
        } else {
            const TSide pattern = FPattern.Side(ctx);
            if (pattern.kind == TKind::Null)
                return TTri::Unknown;
            QString patternText;
            match = TLikePattern::MatchGeneral(text, TextOf(*pattern.value, pattern.kind, patternText), ctx.cs);
        }
        return FromBool(match != FNegated);
    }

    std::optional<QString> Translate(TFilterTranslator& translator) const override
    {
        return translator.Like(OperandView(FValue), OperandView(FPattern), FNegated);
    }

private:
    TOperand FValue;
    TOperand FPattern;
    bool FNegated;
    std::optional<TLikePattern> FCompiled;
};

class TInNode : public TNode
{
public:
    TInNode(TOperand value, std::vector<TOperand> items, bool negated)
        : FValue(std::move(value)), FItems(std::move(items)), FNegated(negated)
    {
    }

    TTri Eval(TEvalContext& ctx) const override
    {
        const TSide value = FValue.Side(ctx);
        if (value.kind == TKind::Null)
            return TTri::Unknown;
        TTri result = TTri::False;
        for (const TOperand& item : FItems) {
            const std::optional<int> c = CompareValues(value, item.Side(ctx), ctx);
            if (!c) {
                result = TTri::Unknown;
            } else if (*c == 0) {
                result = TTri::True;
                break;
            }
        }
        return FNegated ? Negate(result) : result;
    }

    std::optional<QString> Translate(TFilterTranslator& translator) const override
    {
        std::vector<TFilterOperand> items;
        for (const TOperand& item : FItems)
            items.push_back(OperandView(item));
        return translator.In(OperandView(FValue), items, FNegated);
    }

private:
    TOperand FValue;
    std::vector<TOperand> FItems;
    bool FNegated;
};

class TIsNullNode : public TNode
{
public:
    TIsNullNode(TOperand value, bool negated)
        : FValue(std::move(value)), FNegated(negated)
    {
    }

    TTri Eval(TEvalContext& ctx) const override
    {
        return FromBool((FValue.Side(ctx).kind == TKind::Null) != FNegated);
    }

    std::optional<QString> Translate(TFilterTranslator& translator) const override
    {
        return translator.IsNull(OperandView(FValue), FNegated);
    }

private:
    TOperand FValue;
    bool FNegated;
};

// A lone operand used as a condition: TRUE, a true boolean or a non-zero number.
class TTruthNode : public TNode
{
public:
    explicit TTruthNode(TOperand value)
        : FValue(std::move(value))
    {
    }

    TTri Eval(TEvalContext& ctx) const override
    {
        const TSide value = FValue.Side(ctx);
        switch (value.kind) {
        case TKind::Null:
            return TTri::Unknown;
        case TKind::Bool:
            return FromBool(value.value->toBool());
        case TKind::Integer:
        case TKind::Float: {
            const std::optional<int> c = CompareNumbers(NumberOf(*value.value, value.kind), TNumber{});
            return c ? FromBool(*c != 0) : TTri::Unknown;
        }
        case TKind::String: {
            QString storage;
            const QStringView text = StringOf(*value.value, storage);
            if (const std::optional<bool> flag = BoolOfText(text))
                return FromBool(*flag);
            const std::optional<TNumber> number = NumberOfText(text, ctx.program.locale);
            return FromBool(number && CompareNumbers(*number, TNumber{}).value_or(0) != 0);
        }
        default:
            ctx.Error(QStringLiteral("Type mismatch: %1 is not a condition").arg(KindName(value.kind)));
        }
    }

    std::optional<QString> Translate(TFilterTranslator& translator) const override
    {
        return translator.Truth(OperandView(FValue));
    }

private:
    TOperand FValue;
};

class TNotNode : public TNode
{
public:
    explicit TNotNode(std::unique_ptr<TNode> operand)
        : FOperand(std::move(operand))
    {
    }

    TTri Eval(TEvalContext& ctx) const override { return Negate(FOperand->Eval(ctx)); }

    std::optional<QString> Translate(TFilterTranslator& translator) const override
    {
        const std::optional<QString> operand = FOperand->Translate(translator);
        if (!operand)
            return std::nullopt;
        return QStringLiteral("NOT (%1)").arg(*operand);
    }

private:
    std::unique_ptr<TNode> FOperand;
};

// AND (isAnd) or OR of two or more conditions, evaluated left to right and
// stopping at the first that decides.
class TJunctionNode : public TNode
{
public:
    explicit TJunctionNode(bool isAnd)
        : FIsAnd(isAnd)
    {
    }

    void Add(std::unique_ptr<TNode> node) { FOperands.push_back(std::move(node)); }

    TTri Eval(TEvalContext& ctx) const override
    {
        const TTri decisive = FIsAnd ? TTri::False : TTri::True;
        TTri result = FIsAnd ? TTri::True : TTri::False;
        for (const std::unique_ptr<TNode>& node : FOperands) {
            const TTri value = node->Eval(ctx);
            if (value == decisive)
                return decisive;
            if (value == TTri::Unknown)
                result = TTri::Unknown;
        }
        return result;
    }

    std::optional<QString> Translate(TFilterTranslator& translator) const override
    {
        QStringList parts;
        for (const std::unique_ptr<TNode>& node : FOperands) {
            const std::optional<QString> part = node->Translate(translator);
            if (!part)
                return std::nullopt;
            parts << QStringLiteral("(%1)").arg(*part);
        }
        return parts.join(FIsAnd ? QStringLiteral(" AND ") : QStringLiteral(" OR "));
    }

private:
    bool FIsAnd;
    std::vector<std::unique_ptr<TNode>> FOperands;
};

// ---------------------------------------------------------------------------
// Parsing

enum class TTokenKind { End, Name, String, Number, LParen, RParen, Comma, Compare, Minus, Plus };

struct TToken
{
    TTokenKind kind = TTokenKind::End;
    QString text;    // name, string contents or number text
    qsizetype pos = 0;
    qsizetype length = 0;
    bool bracketed = false; // a [field name]
    TCompareOp op = TCompareOp::Eq;
};

class TParser
{
public:
    TParser(const QString& text, const QLocale& locale, const TTemporalFormats& formats, QStringList& fieldNames)
        : FText(text), FLocale(locale), FFormats(formats), FFieldNames(fieldNames)
    {
        Tokenize();
    }

    std::unique_ptr<TNode> Parse()
    {
        std::unique_ptr<TNode> node = ParseOr();
        if (Current().kind != TTokenKind::End) {
            if (Current().kind == TTokenKind::RParen)
                Error(QStringLiteral("Unexpected ')'"), Current().pos);
            Error(QStringLiteral("AND, OR or end of expression expected but %1 found").arg(Describe(Current())),
                  Current().pos);
        }
        return node;
    }

private:
    [[noreturn]] void Error(const QString& problem, qsizetype pos) const
    {
        DatabaseError(QStringLiteral("%1 at position %2 in filter expression: %3").arg(problem).arg(pos + 1).arg(FText));
    }

    QString Describe(const TToken& token) const
    {
        if (token.kind == TTokenKind::End)
            return QStringLiteral("end of expression");
        const QString source = FText.mid(token.pos, token.length);
        if (token.kind == TTokenKind::String)
            return QStringLiteral("string %1").arg(source);
        return QStringLiteral("'%1'").arg(source);
    }

    void Tokenize()
    {
        const qsizetype n = FText.size();
        qsizetype i = 0;
        while (true) {
            while (i < n && FText.at(i).isSpace())
                ++i;
            TToken token;
            token.pos = i;
            if (i >= n) {
                token.kind = TTokenKind::End;
                FTokens.push_back(token);
                return;
            }
            const QChar c = FText.at(i);
            const QChar next = i + 1 < n ? FText.at(i + 1) : QChar();
            switch (c.unicode()) {
            case u'(':
                token.kind = TTokenKind::LParen;
                ++i;
                break;
            case u')':
                token.kind = TTokenKind::RParen;
                ++i;
                break;
            case u',':
                token.kind = TTokenKind::Comma;
                ++i;
                break;
            case u'-':
                token.kind = TTokenKind::Minus;
                ++i;
                break;
            case u'+':
                token.kind = TTokenKind::Plus;
                ++i;
                break;
            case u'=':
                token.kind = TTokenKind::Compare;
                token.op = TCompareOp::Eq;
                ++i;
                break;
            case u'<':
                token.kind = TTokenKind::Compare;
                token.op = next == u'>' ? TCompareOp::Ne : next == u'=' ? TCompareOp::Le : TCompareOp::Lt;
                i += token.op == TCompareOp::Lt ? 1 : 2;
                break;
            case u'>':
                token.kind = TTokenKind::Compare;
                token.op = next == u'=' ? TCompareOp::Ge : TCompareOp::Gt;
                i += token.op == TCompareOp::Gt ? 1 : 2;
                break;
            case u'!':
                if (next != u'=')
                    Error(QStringLiteral("Unknown symbol '!'"), i);
                token.kind = TTokenKind::Compare;
                token.op = TCompareOp::Ne;
                i += 2;
                break;
            case u'\'':
                token.kind = TTokenKind::String;
                i = ReadQuoted(i, u'\'', token.text, QStringLiteral("Unterminated string"));
                break;
            case u'[':
                token.kind = TTokenKind::Name;
                token.bracketed = true;
                i = ReadQuoted(i, u']', token.text, QStringLiteral("Missing ']' of the field name"));
                if (token.text.trimmed().isEmpty())
                    Error(QStringLiteral("Empty field name"), token.pos);
                break;
            default:
                if (c.isDigit() || (c == u'.' && next.isDigit())) {
                    token.kind = TTokenKind::Number;
                    i = ReadNumber(i);
                    token.text = FText.mid(token.pos, i - token.pos);
                } else if (c.isLetter() || c == u'_') {
                    token.kind = TTokenKind::Name;
                    while (i < n && (FText.at(i).isLetterOrNumber() || FText.at(i) == u'_'))
                        ++i;
                    token.text = FText.mid(token.pos, i - token.pos);
                } else {
                    Error(QStringLiteral("Unknown symbol '%1'").arg(c), i);
                }
                break;
            }
            token.length = i - token.pos;
            FTokens.push_back(token);
        }
    }

    // Reads from the opening character at start up to the closing one, a
    // doubled closing character standing for itself; returns the index after it.
    qsizetype ReadQuoted(qsizetype start, QChar close, QString& text, const QString& unterminated) const
    {
        qsizetype i = start + 1;
        while (i < FText.size()) {
            const QChar c = FText.at(i);
            if (c == close) {
                if (i + 1 < FText.size() && FText.at(i + 1) == close) {
                    text += close;
                    i += 2;
                    continue;
                }
                return i + 1;
            }
            text += c;
            ++i;
        }
        Error(unterminated, start);
    }

    qsizetype ReadNumber(qsizetype i) const
    {
        const qsizetype n = FText.size();
        while (i < n && FText.at(i).isDigit())
            ++i;
        if (i < n && FText.at(i) == u'.') {
            ++i;
            while (i < n && FText.at(i).isDigit())
                ++i;
        }
        if (i < n && (FText.at(i) == u'e' || FText.at(i) == u'E')) {
            qsizetype j = i + 1;
            if (j < n && (FText.at(j) == u'+' || FText.at(j) == u'-'))
                ++j;
            if (j < n && FText.at(j).isDigit()) {
                i = j;
                while (i < n && FText.at(i).isDigit())
                    ++i;
            }
        }
        return i;
    }

    const TToken& Current() const { return FTokens[FIndex]; }
    void Advance()
    {
        if (FIndex + 1 < FTokens.size())
            ++FIndex;
    }

    bool IsKeyword(const TToken& token, QStringView keyword) const
    {
        return token.kind == TTokenKind::Name && !token.bracketed && token.text.compare(keyword, Qt::CaseInsensitive) == 0;
    }
    bool AtKeyword(QStringView keyword) const { return IsKeyword(Current(), keyword); }

    std::unique_ptr<TNode> ParseOr()
    {
        std::unique_ptr<TNode> first = ParseAnd();
        if (!AtKeyword(u"OR"))
            return first;
        auto junction = std::make_unique<TJunctionNode>(false);
        junction->Add(std::move(first));
        while (AtKeyword(u"OR")) {
            Advance();
            junction->Add(ParseAnd());
        }
        return junction;
    }

    std::unique_ptr<TNode> ParseAnd()
    {
        std::unique_ptr<TNode> first = ParseNot();
        if (!AtKeyword(u"AND"))
            return first;
        auto junction = std::make_unique<TJunctionNode>(true);
        junction->Add(std::move(first));
        while (AtKeyword(u"AND")) {
            Advance();
            junction->Add(ParseNot());
        }
        return junction;
    }

    std::unique_ptr<TNode> ParseNot()
    {
        if (AtKeyword(u"NOT")) {
            const TNesting nesting(*this);
            Advance();
            return std::make_unique<TNotNode>(ParseNot());
        }
        if (Current().kind == TTokenKind::LParen) {
            const TNesting nesting(*this);
            Advance();
            std::unique_ptr<TNode> node = ParseOr();
            Expect(TTokenKind::RParen, QStringLiteral("')'"));
            return node;
        }
        return ParsePredicate();
    }

    // One level of NOT or parentheses while it is parsed. The parser (and the
    // tree it builds) recurses once per level, so a text nested deeper than any
    // real filter is refused instead of exhausting the stack.
    class TNesting
    {
    public:
        explicit TNesting(TParser& parser)
            : FParser(parser)
        {
            if (++FParser.FDepth > MaxFilterNesting)
                DatabaseErrorFmt(SInvalidFilterExpression, {FParser.FText});
        }
        ~TNesting() { --FParser.FDepth; }
        TNesting(const TNesting&) = delete;
        TNesting& operator=(const TNesting&) = delete;

    private:
        TParser& FParser;
    };

    void Expect(TTokenKind kind, const QString& what)
    {
        if (Current().kind != kind)
            Error(QStringLiteral("%1 expected but %2 found").arg(what, Describe(Current())), Current().pos);
        Advance();
    }

    std::unique_ptr<TNode> ParsePredicate()
    {
        TOperand left = ParseOperand();
        if (Current().kind == TTokenKind::Compare) {
            const TCompareOp op = Current().op;
            Advance();
            return std::make_unique<TCompareNode>(op, std::move(left), ParseOperand());
        }
        bool negated = false;
        if (AtKeyword(u"NOT")) {
            Advance();
            if (!AtKeyword(u"LIKE") && !AtKeyword(u"IN"))
                Error(QStringLiteral("LIKE or IN expected after NOT but %1 found").arg(Describe(Current())),
                      Current().pos);
            negated = true;
        }
        if (AtKeyword(u"LIKE")) {
            Advance();
            return std::make_unique<TLikeNode>(std::move(left), ParseOperand(), negated);
        }
        if (AtKeyword(u"IN")) {
            Advance();
            Expect(TTokenKind::LParen, QStringLiteral("'(' after IN"));
            std::vector<TOperand> items;
            items.push_back(ParseOperand());
            while (Current().kind == TTokenKind::Comma) {
                Advance();
                items.push_back(ParseOperand());
            }
            Expect(TTokenKind::RParen, QStringLiteral("',' or ')'"));
            return std::make_unique<TInNode>(std::move(left), std::move(items), negated);
        }
        if (AtKeyword(u"IS")) {
            Advance();
            bool isNot = false;
            if (AtKeyword(u"NOT")) {
                Advance();
                isNot = true;
            }
            if (!AtKeyword(u"NULL"))
                Error(QStringLiteral("NULL expected after IS but %1 found").arg(Describe(Current())), Current().pos);
            Advance();
            return std::make_unique<TIsNullNode>(std::move(left), isNot);
        }
        return std::make_unique<TTruthNode>(std::move(left));
    }

    TOperand ParseOperand()
    {
        const TToken token = Current();
        TOperand operand;
        TLiteral& literal = operand.literal;
        switch (token.kind) {
        case TTokenKind::Name:
            if (!token.bracketed) {
                if (IsKeyword(token, u"NULL")) {
                    Advance();
                    return operand;
                }
                if (IsKeyword(token, u"TRUE") || IsKeyword(token, u"FALSE")) {
                    literal.kind = TKind::Bool;
                    literal.value = IsKeyword(token, u"TRUE");
                    literal.text = token.text;
                    Advance();
                    return operand;
                }
                for (const QStringView keyword : {u"AND", u"OR", u"NOT", u"LIKE", u"IN", u"IS"})
                    if (IsKeyword(token, keyword))
                        Error(QStringLiteral("Operand expected but %1 found").arg(Describe(token)), token.pos);
            }
            operand.field = FieldIndex(token.text);
            Advance();
            return operand;
        case TTokenKind::String:
            MakeStringLiteral(literal, token.text);
            Advance();
            return operand;
        case TTokenKind::Minus:
        case TTokenKind::Plus:
        case TTokenKind::Number: {
            QString sign;
            if (token.kind != TTokenKind::Number) {
                sign = token.kind == TTokenKind::Minus ? QStringLiteral("-") : QString();
                Advance();
                if (Current().kind != TTokenKind::Number)
                    Error(QStringLiteral("Number expected after sign but %1 found").arg(Describe(Current())),
                          Current().pos);
            }
            MakeNumberLiteral(literal, sign + Current().text, Current().pos);
            Advance();
            return operand;
        }
        default:
            Error(QStringLiteral("Operand expected but %1 found").arg(Describe(token)), token.pos);
        }
    }

    int FieldIndex(const QString& name)
    {
        qsizetype index = FFieldNames.indexOf(name);
        if (index < 0) {
            FFieldNames.append(name);
            index = FFieldNames.size() - 1;
        }
        return int(index);
    }

    void MakeNumberLiteral(TLiteral& literal, const QString& text, qsizetype pos) const
    {
        literal.text = text;
        bool ok = false;
        const qlonglong integer = QLocale::c().toLongLong(text, &ok);
        if (ok) {
            literal.kind = TKind::Integer;
            literal.value = integer;
            return;
        }
        const double real = QLocale::c().toDouble(text, &ok);
        if (!ok || !std::isfinite(real))
            Error(QStringLiteral("Invalid number '%1'").arg(text), pos);
        literal.kind = TKind::Float;
        literal.value = real;
    }

    void MakeStringLiteral(TLiteral& literal, const QString& text) const
    {
        literal.kind = TKind::String;
        literal.value = text;
        literal.text = text;
        literal.number = NumberOfText(text, FLocale);
        literal.boolean = BoolOfText(text);
        if (!literal.boolean && literal.number)
            literal.boolean = CompareNumbers(*literal.number, TNumber{}).value_or(0) != 0;
        literal.date = FFormats.Date(text);
        literal.time = FFormats.Time(text);
        literal.stamp = FFormats.DateTime(text);
        if (text.endsWith(u'*'))
            literal.partialPrefix = text.chopped(1);
    }

    const QString& FText;
    const QLocale& FLocale;
    const TTemporalFormats& FFormats;
    QStringList& FFieldNames;
    std::vector<TToken> FTokens;
    size_t FIndex = 0;
    int FDepth = 0;
};

} // namespace filterexpr

TFilterExpression::TFilterExpression(const QString& text, const QLocale& locale)
    : FText(text)
{
    if (text.trimmed().isEmpty())
        return;
    auto program = std::make_unique<filterexpr::TProgram>(
        filterexpr::TProgram{text, filterexpr::TTemporalFormats(locale), locale, nullptr});
    QStringList names;
    filterexpr::TParser parser(program->text, program->locale, program->formats, names);
    program->root = parser.Parse();
    FFieldNames = names;
    FProgram = std::move(program);
}

TFilterExpression::~TFilterExpression() = default;
TFilterExpression::TFilterExpression(TFilterExpression&&) noexcept = default;
TFilterExpression& TFilterExpression::operator=(TFilterExpression&&) noexcept = default;

std::optional<QString> TFilterExpression::Translate(TFilterTranslator& translator) const
{
    if (!FProgram)
        return std::nullopt;
    return FProgram->root->Translate(translator);
}

bool TFilterExpression::Accept(const FieldValue& values, TFilterOptions options) const
{
    if (!FProgram)
        return true;
    filterexpr::TEvalContext ctx(*FProgram, values, FFieldNames, options);
    return FProgram->root->Eval(ctx) == filterexpr::TTri::True;
}

} // namespace zdb

#pragma once
// Filter expressions of datasets: the text of a dataset's `Filter` property is
// parsed once into a tree and then evaluated for every record.
//
// Syntax (keywords are case-insensitive):
//
//   expr      := term { OR term }
//   term      := factor { AND factor }
//   factor    := NOT factor | '(' expr ')' | predicate
//   predicate := operand ( = | <> | < | <= | > | >= ) operand
//              | operand [NOT] LIKE operand
//              | operand [NOT] IN '(' operand { ',' operand } ')'
//              | operand IS [NOT] NULL
//              | operand                      (true for TRUE and non-zero values)
//   operand   := field | 'string' | number | NULL | TRUE | FALSE
//   field     := Name | [Name with spaces]
//
// Strings are in single quotes, with '' for an embedded quote. Numbers always
// use "." as the decimal separator, whatever the locale, and may carry a sign.
// Dates, times and date-times are written as quoted strings in the locale's
// formats (short or long date format, four- or two-digit years, date and time
// separated by a space) or in ISO 8601; they are converted when compared with
// a QDate, QTime or QDateTime value. Date-times compare as the wall-clock
// values they hold (time zones are not converted); a date compared with a
// date-time stands for midnight of that day.
//
// Values follow SQL's three-valued logic: a comparison with NULL is unknown,
// NOT of unknown is unknown, and a record is accepted only when the whole
// expression is true. Numbers (and booleans, as 1 and 0) compare numerically
// whatever their types; strings compare exactly, or ignoring case with
// foCaseInsensitive. LIKE takes "%" for any run of characters and "_" for
// exactly one; a non-string value is matched through its text (numbers with
// "." as decimal separator, dates and times in ISO 8601).
//
// Partial compare: unless foNoPartialCompare is given, a string literal that
// ends in "*" on one side of = (or <>) matches (or rejects) the values that
// start with the text before the "*"; with foNoPartialCompare the "*" is an
// ordinary character.
//
// A string literal compared with a number, boolean, date or time value is
// converted to that type once, when the expression is parsed; when it cannot
// be, Accept raises EDatabaseError. A field's string compared with a number
// is converted when it holds a number and otherwise compares as text with the
// number's text; against a date or time it is converted with the same formats
// and is unknown when it does not convert. Comparing values of unrelated types
// (a date with a number) raises EDatabaseError.
//
// NOT and parentheses nest at most MaxFilterNesting (256) levels deep; a
// deeper text is refused with SInvalidFilterExpression.
//
// A QVariant holding a null QString is an empty string, not NULL: only a
// variant whose isNull() is true (or an invalid QDate, QTime or QDateTime) is
// NULL. "X = NULL" is unknown for every record, as in SQL.

#include <QDate>
#include <QFlags>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace zdb {

enum TFilterOption { foCaseInsensitive = 1, foNoPartialCompare = 2 };
Q_DECLARE_FLAGS(TFilterOptions, TFilterOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFilterOptions)

// "Invalid filter expression: %s", filled with the expression text (Format,
// SysUtils.h): the message of a filter text nested too deeply.
extern QString SInvalidFilterExpression;
inline constexpr int MaxFilterNesting = 256;

namespace filterexpr {
struct TProgram;
}

// One operand of a parsed expression, as a translator sees it.
struct TFilterOperand
{
    int Field = -1; // index into TFilterExpression::FieldNames(), or -1 for a constant
    QVariant Value; // the constant: null (NULL), bool, qlonglong, double or QString
    // The conversions of a string constant, made as the evaluator makes them when it
    // compares the constant with a value of that type; none when it does not convert.
    QVariant Number; // qlonglong or double; null when not a number
    std::optional<bool> Boolean;
    std::optional<QDate> Date;
    std::optional<QTime> Time;
    std::optional<std::pair<QDate, QTime>> DateTime; // a wall-clock date and time
    // The text before the "*" of a string constant ending in "*".
    std::optional<QString> PartialPrefix;
};

enum class TFilterCompare { Eq, Ne, Lt, Le, Gt, Ge };

// Turns the predicates of a parsed expression into the text of another language
// (an SQL condition). Each returns the predicate's text, or nothing when it cannot
// be expressed with exactly the evaluator's result (true, false or unknown) for every
// record. TFilterExpression::Translate puts NOT, AND, OR and parentheses around them.
class TFilterTranslator
{
public:
    virtual ~TFilterTranslator() = default;
    // partialRight: the "*" prefix constant stands on the right (else on the left)
    // of an = or <> that compares partially; no partial compare when !partial.
    virtual std::optional<QString> Compare(TFilterCompare op, const TFilterOperand& left, const TFilterOperand& right,
                                           bool partial, bool partialRight) = 0;
    virtual std::optional<QString> Like(const TFilterOperand& value, const TFilterOperand& pattern, bool negated) = 0;
    virtual std::optional<QString> In(const TFilterOperand& value, const std::vector<TFilterOperand>& items,
                                      bool negated) = 0;
    virtual std::optional<QString> IsNull(const TFilterOperand& value, bool negated) = 0;
    // A lone operand used as a condition.
    virtual std::optional<QString> Truth(const TFilterOperand& value) = 0;
};

class TFilterExpression
{
public:
    // Parses text; raises EDatabaseError naming the problem and its position
    // (1-based character index) for a malformed expression.
    explicit TFilterExpression(const QString& text, const QLocale& locale = QLocale());
    ~TFilterExpression();
    TFilterExpression(TFilterExpression&&) noexcept;
    TFilterExpression& operator=(TFilterExpression&&) noexcept;
    TFilterExpression(const TFilterExpression&) = delete;
    TFilterExpression& operator=(const TFilterExpression&) = delete;

    // The value of a field by name; a null value is a QVariant whose isNull()
    // is true. Each field is asked for at most once per Accept, and only when
    // the evaluation needs it.
    using FieldValue = std::function<QVariant(const QString& fieldName)>;

    // True when the record whose fields values() gives passes the expression.
    bool Accept(const FieldValue& values, TFilterOptions options = {}) const;

    // The expression in another language, predicate by predicate; nothing when a
    // predicate cannot be translated (or the expression is empty).
    std::optional<QString> Translate(TFilterTranslator& translator) const;

    // Every field name the expression uses, in order of first appearance,
    // spelled as in the expression (without brackets), each once; names that
    // differ only in case are listed separately, and values() is asked for
    // each as spelled.
    QStringList FieldNames() const { return FFieldNames; }

    // True for a blank text, which accepts every record.
    bool IsEmpty() const { return !FProgram; }

    const QString& Text() const { return FText; }

private:
    QString FText;
    QStringList FFieldNames;
    std::unique_ptr<filterexpr::TProgram> FProgram;
};

} // namespace zdb

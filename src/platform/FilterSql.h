#pragma once
// Filter expressions (FilterExpr.h) as SQL conditions for SQLite and PostgreSQL,
// with exactly the evaluator's result for every row, or no condition at all.
//
// Every constant of the expression becomes a bound value (":<prefix>N"
// placeholders, values in TSqlCondition::Values); only column names, operators
// and fixed texts of this unit reach the SQL text. What has no exact SQL form
// gives nothing and the caller evaluates the expression on the client:
//
// - a string field compared with a number or boolean, or used alone as a
//   condition (the evaluator converts its text with the locale);
// - LIKE over a non-string value or with a field as pattern; comparisons of
//   constants with constants; fields of types other than text, integer,
//   floating point, boolean, date, time and date-time;
// - ordering (<, <=, >, >=) of strings against a constant holding characters
//   from U+D800 up (the evaluator orders UTF-16 code units, the servers code
//   points), and of two string fields;
// - with foCaseInsensitive, constants holding anything but ASCII, and two
//   string fields compared with each other;
// - a date field compared with a date-time that is not midnight, and constants
//   that do not convert to the field's type (the evaluator raises for them).
//
// The forms used: strings compare with COLLATE BINARY on SQLite and, for
// ordering, COLLATE "C" on PostgreSQL (code point order); case-insensitive
// compares fold ASCII with lower() (PostgreSQL under COLLATE "C", so that only
// ASCII folds), after replacing the KELVIN SIGN and LONG S, the two non-ASCII
// characters whose case folding is ASCII. LIKE and the "*" prefix compare are
// GLOB patterns on SQLite (whose LIKE ignores ASCII case) and LIKE ... ESCAPE
// '!' on PostgreSQL. Booleans are 0 and 1 on SQLite; dates and times are the
// texts the query writes there ("yyyy-MM-dd", "HH:mm:ss[.zzz]", joined by a
// blank), which order as their values; on PostgreSQL they are cast from ISO
// texts, so wall-clock values compare without time zones. PostgreSQL floating
// point NaN counts as NULL, as for the evaluator a comparison with NaN is
// unknown.

#include "FilterExpr.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

namespace zdb {

enum class TSqlDialect { Sqlite, Postgres };

// A result column as a condition may use it.
struct TFilterSqlColumn
{
    enum TKind { Text, Integer, Float, Boolean, Date, Time, DateTime };
    QString Sql; // the column as a statement spells it (quoted where needed)
    TKind Kind = Text;
};

// The column of a field name of the expression; nothing when the field is not
// a column the condition may use.
using TFilterColumnResolver = std::function<std::optional<TFilterSqlColumn>(const QString& fieldName)>;

// A condition and its bound values, by placeholder (":name") in order.
struct TSqlCondition
{
    QString Sql;
    QList<QPair<QString, QVariant>> Values;
    bool operator==(const TSqlCondition&) const = default;
};

// Appends (with AND) the condition of `expression` under `options` to `into`;
// false, leaving `into` unchanged, when it has no exact SQL form.
bool AppendFilterCondition(TSqlCondition& into, const TFilterExpression& expression, TFilterOptions options,
                           TSqlDialect dialect, const TFilterColumnResolver& resolve, const QString& paramPrefix);

// Appends (with AND) "column IN (values)" with bound values, a null value as
// "column IS NULL"; values are of the column's kind (QString, integers, double,
// bool, QDate, QTime, QDateTime). With foCaseInsensitive, text values compare
// ASCII-folded as in AppendFilterCondition. False for an empty list or a value
// that does not fit the column (with foCaseInsensitive, a text that is not ASCII).
bool AppendValueListCondition(TSqlCondition& into, const TFilterSqlColumn& column, const QVariantList& values,
                              TSqlDialect dialect, const QString& paramPrefix, TFilterOptions options = {});

// The rows of a SELECT statement that pass `condition`, in the statement's order:
// "SELECT * FROM (<sql>) AS zdb_filter_q WHERE <condition>" followed by the
// statement's outermost ORDER BY with every item named as a result column
// (resultColumn: the column's SQL for a name, quoted tells whether it was a quoted
// identifier) or a position; the inner ORDER BY is left out unless a LIMIT,
// OFFSET or FETCH needs it, so that the server can merge the two queries. Nothing
// when an item is anything else (an expression, a qualified name, a collation),
// or for a statement that is no SELECT or locks rows.
std::optional<QString> FilteredStatement(
    const QString& sql, const QString& condition,
    const std::function<std::optional<QString>(const QString& name, bool quoted)>& resultColumn);

} // namespace zdb

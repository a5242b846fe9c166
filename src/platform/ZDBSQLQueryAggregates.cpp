// TZSQLQuery: aggregates over the whole result computed by the server.
//
// All requests go into one SELECT over the statement's result (its server filter
// included), run where the rows come from (the cursor's snapshot on PostgreSQL), so
// no row travels. Only what the server computes exactly as reading the rows would is
// asked: data columns of integer or real types (not SQLite's computed columns, whose
// values may have any storage class). Integer sums travel as text, so that
// PostgreSQL's numeric sum of bigints keeps every digit; a sum beyond 64 bits, or the
// integer overflow SQLite raises, leaves the question to reading the rows. Real sums
// are the server's: equal to adding the values one by one as long as that addition
// is exact (SQLite 3.43 and later sum with an error correction).
//
// Counts are the server's for every column: a value reads as null exactly when the
// server stores NULL. Minimum and maximum of text compare as the client compares
// strings, by UTF-16 code units with case: the server is told to compare bytes
// (BINARY on SQLite, "C" on PostgreSQL), which is code point order and gives the same
// answer unless the answer holds a character from U+D800 on (where the two orders
// part), and SQLite must hold only text in the column (it orders numbers before text);
// otherwise the rows are read. Extremes of dates and times are the server's on
// PostgreSQL, whose date types order as the values do; SQLite stores them as text of
// any form, so there they are read.

#include "ZDBSQLQuery.h"

#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <cmath>

namespace zdb {

void TZSQLQuery::SetServerAggregates(bool value)
{
    FServerAggregates = value;
}

bool TZSQLQuery::CalcAggregates(const std::vector<TAggregateRequest>& requests, std::vector<QVariant>& results)
{
    results.assign(requests.size(), QVariant());
    if (requests.empty() || !ServerSeesShownRows())
        return false;
    QStringList items;
    QStringList guards; // values that must all be 0 for the answer to stand
    std::vector<int> columns;
    for (const TAggregateRequest& request : requests) {
        if (!request.Field) {
            if (request.Kind != akCount)
                return false;
            items << QStringLiteral("COUNT(*)");
            columns.push_back(-1);
            continue;
        }
        const int column = ServerColumn(request.Field);
        if (column < 0)
            return false;
        const QString name = QuoteFieldName(FRecord.fieldName(column));
        if (request.Kind == akCount) {
            items << QStringLiteral("COUNT(%1)").arg(name);
            columns.push_back(column);
            continue;
        }
        if (FSqlite && FRecord.field(column).tableName().isEmpty())
            return false;
        const TFieldType type = request.Field->DataType();
        const bool integer = IsIntegerFieldType(type);
        if (!integer && !IsFloatFieldType(type)) {
            const std::optional<QString> ordered = ServerOrderedValue(column, request);
            if (!ordered)
                return false;
            items << QStringLiteral("%1(%2)").arg(request.Kind == akMax ? QStringLiteral("MAX") : QStringLiteral("MIN"),
                                                  *ordered);
            if (FSqlite)
                guards << QStringLiteral("SUM(typeof(%1) NOT IN ('text', 'null'))").arg(name);
            columns.push_back(column);
            continue;
        }
        switch (request.Kind) {
        case akCount:
            break;
        case akMin:
            items << QStringLiteral("MIN(%1)").arg(name);
            break;
        case akMax:
            items << QStringLiteral("MAX(%1)").arg(name);
            break;
        case akSum:
            if (request.Scale > 0) {
                if (request.Scale > 9)
                    return false;
                items << QStringLiteral("CAST(SUM(CAST(ROUND(%1 * %2) AS BIGINT)) AS TEXT)")
                             .arg(name, QString::number(qint64(std::pow(10, request.Scale))));
            } else if (integer) {
                items << QStringLiteral("CAST(SUM(%1) AS TEXT)").arg(name);
            } else {
                items << QStringLiteral("SUM(%1)").arg(name);
            }
            break;
        }
        columns.push_back(column);
    }
    const QString sql = QStringLiteral("SELECT %1 FROM (\n%2\n) AS zdb_agg_q")
                            .arg((items + guards).join(QStringLiteral(", ")), SqlUnorderedText(RunStatementText()));
    bool ok = true;
    const bool answered = SelectOnSource(sql, {}, {}, [&](const QSqlQuery& query) {
        for (qsizetype g = 0; g < guards.size(); ++g)
            ok = ok && query.value(int(items.size() + g)).toLongLong() == 0;
        for (size_t i = 0; i < requests.size(); ++i) {
            const QVariant raw = query.value(int(i));
            if (raw.isNull())
                continue;
            const TAggregateRequest& request = requests[i];
            const int column = columns[i];
            const bool integer = request.Field && IsIntegerFieldType(request.Field->DataType());
            bool converted = true;
            if (request.Kind == akCount || (request.Kind == akSum && (integer || request.Scale > 0))) {
                results[i] = raw.toString().toLongLong(&converted);
            } else if (request.Kind == akSum) {
                results[i] = raw.toDouble(&converted);
            } else {
                // A minimum or maximum is one of the values, converted as the rows' are.
                QVariant value = ColumnValue(column, raw);
                if (integer)
                    value = value.toLongLong(&converted);
                else if (IsFloatFieldType(request.Field->DataType()))
                    value = value.toDouble(&converted);
                else if (value.typeId() == QMetaType::QString) {
                    const QString text = value.toString();
                    converted = std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0xD800; });
                }
                results[i] = value;
            }
            ok = ok && converted;
        }
    });
    return answered && ok;
}

std::optional<QString> TZSQLQuery::ServerOrderedValue(int column, const TAggregateRequest& request) const
{
    const QString name = QuoteFieldName(FRecord.fieldName(column));
    const TFieldType type = request.Field->DataType();
    // Strings (a memo's value may be bytes); the type the server stores must be text too.
    const bool text = type == ftString || type == ftWideString;
    const TFieldType stored = StoredFieldType(column);
    const bool storedText = stored == ftString || stored == ftWideString || stored == ftMemo || stored == ftWideMemo;
    if (FSqlite)
        return text && storedText ? std::optional(QStringLiteral("%1 COLLATE BINARY").arg(name)) : std::nullopt;
    const int oid = FRecord.field(column).typeID();
    if (text)
        return oid == 25 || oid == 1043 ? std::optional(QStringLiteral("%1 COLLATE \"C\"").arg(name)) : std::nullopt;
    if ((type == ftDate && oid == 1082) || (type == ftTime && oid == 1083) || (type == ftDateTime && oid == 1114))
        return name;
    return std::nullopt;
}

} // namespace zdb

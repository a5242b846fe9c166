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

#include "ZDBSQLQuery.h"

#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

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
        if (column < 0 || (FSqlite && FRecord.field(column).tableName().isEmpty()))
            return false;
        const TFieldType type = request.Field->DataType();
        const bool integer = IsIntegerFieldType(type);
        if (!integer && !IsFloatFieldType(type))
            return false;
        const QString name = QuoteFieldName(FRecord.fieldName(column));
        switch (request.Kind) {
        case akCount:
            items << QStringLiteral("COUNT(%1)").arg(name);
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
                            .arg(items.join(QStringLiteral(", ")), SqlUnorderedText(RunStatementText()));
    bool ok = true;
    const bool answered = SelectOnSource(sql, {}, {}, [&](const QSqlQuery& query) {
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
                else
                    value = value.toDouble(&converted);
                results[i] = value;
            }
            ok = ok && converted;
        }
    });
    return answered && ok;
}

} // namespace zdb

// TZSQLQuery: the distinct values of a column, answered by the server.
//
// One SELECT DISTINCT over the statement's result (its server filter included), run
// where the rows come from (the cursor's snapshot on PostgreSQL). Each value is
// converted as fetched rows are, so the caller sees what reading the rows gives;
// values the server tells apart but the conversion makes equal (SQLite's storage
// classes) come twice, which a caller collecting texts collapses anyway.

#include "ZDBSQLQuery.h"

#include <QSqlQuery>

namespace zdb {

bool TZSQLQuery::DistinctValues(TField* field, std::vector<QVariant>& values)
{
    values.clear();
    if (!field || !ServerSeesShownRows())
        return false;
    const int column = ServerColumn(field);
    if (column < 0)
        return false;
    const QString sql = QStringLiteral("SELECT DISTINCT %1 FROM (\n%2\n) AS zdb_distinct_q")
                            .arg(QuoteFieldName(FRecord.fieldName(column)), SqlUnorderedText(RunStatementText()));
    std::vector<QVariant> read;
    const bool answered = SelectOnSource(sql, {}, {}, [&](const QSqlQuery& query) {
        read.push_back(ColumnValue(column, query.value(0)));
    });
    if (!answered)
        return false;
    values = std::move(read);
    return true;
}

} // namespace zdb

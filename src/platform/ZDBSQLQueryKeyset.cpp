// Keyset paging of TZSQLQuery: the order of a result as result columns ending in
// a unique key, conditions "the rows before / after this row" and statements
// over the result that read a page by them.

#include "ZDBSQLQuery.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace zdb {

namespace {

bool IsWordToken(const TSqlToken& token, const char* word)
{
    return token.Kind == TSqlToken::tkWord && token.Text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// Whether rows of the statement can be read through a condition over its result:
// a query without a row limit or row locks of its own outside parentheses.
bool ReadableThroughCondition(const QString& sql)
{
    const TSqlSelectInfo info = AnalyzeSelect(sql);
    if (!info.IsSelect || info.Locking)
        return false;
    const std::vector<TSqlToken> tokens = TokenizeSql(ReplaceSqlOrderBy(sql, QString()));
    for (const TSqlToken& token : tokens)
        if (token.Depth == 0
            && (IsWordToken(token, "LIMIT") || IsWordToken(token, "OFFSET") || IsWordToken(token, "FETCH")))
            return false;
    return true;
}

// The result column one ORDER BY item names; -1 when it is anything but a result column
// (bare or quoted name, or position) with an optional direction.
int OrderItemColumn(const std::vector<TSqlToken>& item, const QStringList& resultFields, bool& descending)
{
    size_t count = item.size();
    descending = false;
    if (count == 2 && (IsWordToken(item[1], "ASC") || IsWordToken(item[1], "DESC"))) {
        descending = IsWordToken(item[1], "DESC");
        count = 1;
    }
    if (count != 1)
        return -1;
    const TSqlToken& token = item.front();
    if (token.Kind == TSqlToken::tkNumber) {
        bool ok = false;
        const int position = token.Text.toInt(&ok);
        return ok && position >= 1 && position <= resultFields.size() && !resultFields[position - 1].isEmpty()
                   ? position - 1
                   : -1;
    }
    if (token.Kind != TSqlToken::tkWord && token.Kind != TSqlToken::tkQuoted)
        return -1;
    const Qt::CaseSensitivity cs = token.Kind == TSqlToken::tkWord ? Qt::CaseInsensitive : Qt::CaseSensitive;
    int found = -1;
    for (int i = 0; i < resultFields.size(); ++i) {
        if (resultFields[i].compare(token.Text, cs) != 0)
            continue;
        if (found >= 0)
            return -1; // two result columns answer to the name
        found = i;
    }
    return found;
}

} // namespace

bool SqlOrderKeys(const QString& sql, const QStringList& resultFields, const QStringList& uniqueKey,
                  std::vector<TSqlOrderKey>& keys)
{
    keys.clear();
    if (uniqueKey.isEmpty() || !ReadableThroughCondition(sql))
        return false;
    std::vector<int> columns;
    auto add = [&](int column, bool descending) {
        if (std::find(columns.begin(), columns.end(), column) != columns.end())
            return; // a repeated item decides nothing more
        columns.push_back(column);
        TSqlOrderKey key;
        key.Field = resultFields[column];
        key.Descending = descending;
        keys.push_back(key);
    };
    // The ORDER BY items, split at their own commas.
    std::vector<std::vector<TSqlToken>> items(1);
    for (const TSqlToken& token : TokenizeSql(SqlOrderByItems(sql))) {
        if (token.Depth == 0 && token.Kind == TSqlToken::tkSymbol && token.Text == QLatin1String(","))
            items.emplace_back();
        else
            items.back().push_back(token);
    }
    for (const auto& item : items) {
        if (item.empty())
            continue;
        bool descending = false;
        const int column = OrderItemColumn(item, resultFields, descending);
        if (column < 0) {
            keys.clear();
            return false;
        }
        add(column, descending);
    }
    // The unique key makes the order total; what follows its last column decides nothing.
    size_t needed = 0;
    for (const QString& name : uniqueKey) {
        const int column = int(resultFields.indexOf(name));
        if (column < 0 || name.isEmpty()) {
            keys.clear();
            return false;
        }
        const auto at = std::find(columns.begin(), columns.end(), column);
        if (at == columns.end()) {
            add(column, false);
            needed = columns.size();
        } else {
            needed = std::max(needed, size_t(at - columns.begin()) + 1);
        }
    }
    keys.resize(needed);
    return true;
}

QString SqlOrderKeysText(const std::vector<TSqlOrderKey>& keys, bool reversed)
{
    QStringList items;
    for (const TSqlOrderKey& key : keys)
        items << (key.Descending != reversed ? key.Sql + QStringLiteral(" DESC") : key.Sql);
    return items.join(QStringLiteral(", "));
}

TSqlCondition SqlKeysetCondition(const std::vector<TSqlOrderKey>& keys, const QVariantList& values, bool before,
                                 bool nullsFirst, bool inclusive, QStringList* parts)
{
    TSqlCondition condition;
    auto bind = [&](const QVariant& value) {
        const QString name = QStringLiteral(":zdb_key_%1").arg(condition.Values.size());
        condition.Values.append({name, value});
        return name;
    };
    // (k1 beyond v1) OR (k1 = v1 AND k2 beyond v2) OR ..., "beyond" in the direction asked;
    // a NULL sorts below every value where nullsFirst, above every value otherwise. Each
    // alternative is a conjunction without OR (a NULL beyond a value is an alternative of its
    // own), and no two hold for one row: an index on the keys answers each of them alone.
    QStringList alternatives;
    QStringList equalSoFar;
    auto add = [&](const QString& beyond) {
        QStringList terms = equalSoFar;
        terms << beyond;
        alternatives << (terms.size() == 1 ? terms.front() : QStringLiteral("(%1)").arg(terms.join(QStringLiteral(" AND "))));
    };
    for (size_t i = 0; i < keys.size() && i < size_t(values.size()); ++i) {
        const TSqlOrderKey& key = keys[i];
        const QVariant& value = values[qsizetype(i)];
        const bool smaller = before != key.Descending; // the rows wanted hold smaller values of this key
        // With `inclusive` the row itself counts too: its last key compares with <= or >=.
        const bool last = i + 1 == keys.size() || i + 1 == size_t(values.size());
        const bool orEqual = inclusive && last;
        if (value.isNull()) {
            // Only values on the far side of NULL: none where NULL is at that end already.
            if (smaller != nullsFirst)
                add(key.Sql + QStringLiteral(" IS NOT NULL"));
            if (orEqual)
                add(key.Sql + QStringLiteral(" IS NULL"));
        } else {
            const QString mark = bind(value);
            add(key.Sql + (smaller ? (orEqual ? QStringLiteral(" <= ") : QStringLiteral(" < "))
                                   : (orEqual ? QStringLiteral(" >= ") : QStringLiteral(" > ")))
                + mark);
            // (An alternative no row can meet would still cost a pass where no index serves it.)
            if (smaller == nullsFirst && !key.NotNull)
                add(key.Sql + QStringLiteral(" IS NULL"));
        }
        equalSoFar << (value.isNull() ? key.Sql + QStringLiteral(" IS NULL")
                                      : key.Sql + QStringLiteral(" = ") + bind(value));
    }
    condition.Sql = alternatives.isEmpty() ? QStringLiteral("1 = 0")
                                           : QStringLiteral("(%1)").arg(alternatives.join(QStringLiteral(" OR ")));
    if (parts)
        *parts = alternatives;
    return condition;
}

// ---------------------------------------------------------------------------
// The query's side

bool TZSQLQuery::OrderKeys(std::vector<TSqlOrderKey>& keys) const
{
    keys = FOrderKeys;
    return FCursorOpen && !keys.empty();
}

QString TZSQLQuery::ResultSelect(const QString& where, const QString& orderBy, qint64 limit) const
{
    QString sql = QStringLiteral("SELECT * FROM (\n%1\n) AS zdb_q").arg(SqlUnorderedText(RunStatementText()));
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    if (!orderBy.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + orderBy;
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    return sql;
}

QString TZSQLQuery::CountRowsBeforeText(const std::vector<TSqlOrderKey>& keys, const QVariantList& keyValues,
                                        TSqlCondition& condition)
{
    // One count per alternative, added up: a count over their OR would make the server
    // read every row (an index serves a single range, not a range or NULL). Alternatives
    // no index serves are read in one pass together, not in one pass each.
    QStringList parts;
    condition = SqlKeysetCondition(keys, keyValues, true, FSqlite, false, &parts);
    if (parts.isEmpty())
        return QStringLiteral("SELECT 0");
    QStringList counts;
    QStringList scanned;
    for (const QString& part : parts) {
        if (parts.size() > 1 && FSqlite && ReadsEveryRow(part, condition.Values))
            scanned << part;
        else
            counts << part;
    }
    if (!scanned.isEmpty())
        counts << (scanned.size() == 1 ? scanned.front()
                                       : QStringLiteral("(%1)").arg(scanned.join(QStringLiteral(" OR "))));
    for (QString& count : counts)
        count = QStringLiteral("(SELECT COUNT(*) FROM (%1) AS zdb_c)").arg(ResultSelect(count, {}, -1));
    return QStringLiteral("SELECT ") + counts.join(QStringLiteral(" + "));
}

bool TZSQLQuery::CountRowsBefore(const std::vector<TSqlOrderKey>& keys, const QVariantList& keyValues, qint64& count)
{
    TSqlCondition before;
    const QString sql = CountRowsBeforeText(keys, keyValues, before);
    return SelectOnSource(sql, {}, before.Values, [&](const QSqlQuery& q) { count = q.value(0).toLongLong(); });
}

bool TZSQLQuery::ReadsEveryRow(const QString& where, const QList<QPair<QString, QVariant>>& values)
{
    if (const auto known = FScanPlans.constFind(where); known != FScanPlans.constEnd())
        return known.value();
    // The plan names a table it reads through ("SCAN t") rather than a range it seeks
    // ("SEARCH t USING INDEX ..."); only the values this condition names are bound.
    QList<QPair<QString, QVariant>> used;
    for (const auto& value : values) {
        const QRegularExpression name(QRegularExpression::escape(value.first) + QStringLiteral("(?![0-9A-Za-z_])"));
        if (where.contains(name))
            used.append(value);
    }
    bool scans = false;
    const QString plan = QStringLiteral("EXPLAIN QUERY PLAN SELECT COUNT(*) FROM (%1) AS zdb_c")
                             .arg(ResultSelect(where, {}, -1));
    const bool asked = SelectOnSource(plan, {}, used, [&](const QSqlQuery& q) {
        const QString detail = q.value(3).toString();
        if (detail.startsWith(QLatin1String("SCAN ")) && !detail.startsWith(QLatin1String("SCAN CONSTANT ROW")))
            scans = true;
    });
    FScanPlans.insert(where, asked && scans);
    return asked && scans;
}

} // namespace zdb

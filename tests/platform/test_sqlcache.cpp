// TZSQLQuery's reading by keys: the order of a result as result columns,
// conditions for the rows before and after a row, and the bounded row cache
// (eviction, reading again, Last and RecNo without a walk) on SQLite and
// PostgreSQL, compared row by row with a plain QSqlQuery over the same order.

#include "TestDb.h"
#include "ZDBSQLQuery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace zdb;
using zdb::test::ExecSql;
using zdb::test::TBackend;

namespace {

class SqlKeysetTest : public zdb::test::BackendTest {};

// Rows whose order columns repeat and hold NULLs.
void MakeGroups(const QSqlDatabase& db)
{
    ASSERT_TRUE(ExecSql(db, "CREATE TABLE g (id INTEGER PRIMARY KEY, grp INTEGER, name VARCHAR(20))"));
    for (int i = 1; i <= 40; ++i) {
        const QString grp = i % 7 == 0 ? QStringLiteral("NULL") : QString::number(i % 4);
        const QString name = i % 5 == 0 ? QStringLiteral("NULL") : QStringLiteral("'n%1'").arg(i % 3);
        ASSERT_TRUE(ExecSql(db, QStringLiteral("INSERT INTO g VALUES (%1, %2, %3)").arg(i).arg(grp, name)));
    }
}

std::vector<TSqlOrderKey> Keys(const QString& sql, const QStringList& fields)
{
    std::vector<TSqlOrderKey> keys;
    if (SqlOrderKeys(sql, fields, {QStringLiteral("id")}, keys))
        for (TSqlOrderKey& key : keys)
            key.Sql = key.Field;
    return keys;
}

qint64 CountWhere(const QSqlDatabase& db, const QString& sql, const TSqlCondition& condition)
{
    QSqlQuery q(db);
    EXPECT_TRUE(q.prepare(QStringLiteral("SELECT COUNT(*) FROM (%1) AS q WHERE %2").arg(sql, condition.Sql)))
        << q.lastError().text().toStdString();
    for (const auto& value : condition.Values)
        q.bindValue(value.first, value.second);
    EXPECT_TRUE(q.exec() && q.next()) << q.lastError().text().toStdString();
    return q.value(0).toLongLong();
}

} // namespace

TEST_P(SqlKeysetTest, ConditionsCountTheRowsBeforeAndAfterEveryRow)
{
    MakeGroups(Db());
    const QStringList fields{"id", "grp", "name"};
    for (const QString order : {"grp, name", "grp DESC, name", "name DESC, grp", "2 DESC, 3 DESC", "id DESC"}) {
        const QString sql = QStringLiteral("SELECT id, grp, name FROM g ORDER BY %1").arg(order);
        const std::vector<TSqlOrderKey> keys = Keys(sql, fields);
        ASSERT_FALSE(keys.empty()) << order.toStdString();
        EXPECT_EQ(keys.back().Field, "id");
        // The server's own order of the rows, made total by the key.
        QSqlQuery rows(Db());
        ASSERT_TRUE(rows.exec(QStringLiteral("SELECT id, grp, name FROM g ORDER BY %1").arg(SqlOrderKeysText(keys, false))));
        qint64 position = 0;
        while (rows.next()) {
            QVariantList values;
            for (const TSqlOrderKey& key : keys)
                values << rows.value(fields.indexOf(key.Field));
            const bool nullsFirst = Sqlite();
            EXPECT_EQ(CountWhere(Db(), sql, SqlKeysetCondition(keys, values, true, nullsFirst)), position)
                << order.toStdString() << " row " << rows.value(0).toInt();
            EXPECT_EQ(CountWhere(Db(), sql, SqlKeysetCondition(keys, values, false, nullsFirst)), 40 - 1 - position)
                << order.toStdString() << " row " << rows.value(0).toInt();
            ++position;
        }
        EXPECT_EQ(position, 40);
    }
    // Orders that no condition over the result columns can follow.
    for (const QString sql : {"SELECT id, grp, name FROM g ORDER BY grp + 1", "SELECT id, grp, name FROM g ORDER BY note",
                              "SELECT id, grp, name FROM g ORDER BY g.grp",
                              "SELECT id, grp, name FROM g ORDER BY grp NULLS LAST",
                              "SELECT id, grp, name FROM g ORDER BY grp LIMIT 10",
                              "SELECT id, grp, name FROM g ORDER BY grp FOR UPDATE"})
        EXPECT_TRUE(Keys(sql, fields).empty()) << sql.toStdString();
    // The key decides the order where the items repeat it; items after it decide nothing.
    const std::vector<TSqlOrderKey> keys = Keys("SELECT id, grp, name FROM g ORDER BY grp, id DESC, name", fields);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_TRUE(keys[1].Descending);
}

INSTANTIATE_TEST_SUITE_P(Databases, SqlKeysetTest, zdb::test::AllBackends(), zdb::test::BackendName);

// TZSQLQuery's reading by keys: the order of a result as result columns,
// conditions for the rows before and after a row, and the bounded row cache
// (eviction, reading again, Last and RecNo without a walk) on SQLite and
// PostgreSQL, compared row by row with a plain QSqlQuery over the same order.

#include "AppExceptions.h"
#include "TestDb.h"
#include "ZDBSQLQuery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include <set>

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
            EXPECT_EQ(CountWhere(Db(), sql, SqlKeysetCondition(keys, values, false, nullsFirst, true)), 40 - position)
                << order.toStdString() << " row " << rows.value(0).toInt() << " and after";
            EXPECT_EQ(CountWhere(Db(), sql, SqlKeysetCondition(keys, values, true, nullsFirst, true)), position + 1)
                << order.toStdString() << " row " << rows.value(0).toInt() << " and before";
            // The alternatives share no row: their counts add up to the rows before.
            QStringList parts;
            const TSqlCondition whole = SqlKeysetCondition(keys, values, true, nullsFirst, false, &parts);
            qint64 sum = 0;
            for (const QString& part : parts) {
                EXPECT_FALSE(part.contains(" OR ")) << part.toStdString();
                sum += CountWhere(Db(), sql, TSqlCondition{part, whole.Values});
            }
            EXPECT_EQ(sum, position) << order.toStdString() << " row " << rows.value(0).toInt();
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

// ---------------------------------------------------------------------------
// The bounded cache

namespace {

constexpr int CacheRows = 50;
constexpr int TableRows = 2000;

class SqlCacheTest : public zdb::test::BackendTest {
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE t (id INTEGER PRIMARY KEY, grp INTEGER, name VARCHAR(20))"));
        // Groups of 0..6 with NULLs among them, names repeating: the key decides ties.
        ASSERT_TRUE(ExecSql(Db(), Sqlite() ? QStringLiteral(
                                                 "WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r WHERE x < %1)"
                                                 " INSERT INTO t SELECT x * 10, CASE WHEN x % 9 = 0 THEN NULL ELSE x % 7 END,"
                                                 " 'n' || (x % 13) FROM r")
                                                 .arg(TableRows)
                                           : QStringLiteral("INSERT INTO t SELECT x * 10, CASE WHEN x % 9 = 0 THEN NULL"
                                                            " ELSE x % 7 END, 'n' || (x % 13) FROM generate_series(1, %1) x")
                                                 .arg(TableRows)));
    }
    // The ids in the order the server gives a plain query.
    std::vector<int> ServerIds(const QString& orderBy) const
    {
        std::vector<int> ids;
        QSqlQuery q(Db());
        EXPECT_TRUE(q.exec("SELECT id FROM t ORDER BY " + orderBy)) << q.lastError().text().toStdString();
        while (q.next())
            ids.push_back(q.value(0).toInt());
        return ids;
    }
    void Open(TZSQLQuery& q, const QString& orderBy)
    {
        q.SetConnection(Db());
        q.SetSQLText("SELECT id, grp, name FROM t ORDER BY " + orderBy);
        q.SetCacheRecords(CacheRows);
        q.Open();
    }
};

int Id(const TDataSet& ds) { return ds.FieldByName(QStringLiteral("id"))->AsInteger(); }

// A data link with a window of rows, as a grid attaches one.
struct TLinked {
    TDataSource source;
    TDataLink link;
    explicit TLinked(TDataSet& ds)
    {
        source.SetDataSet(&ds);
        link.SetBufferCount(10);
        link.SetDataSource(&source);
    }
};

} // namespace

// Every navigation over a cache far smaller than the result shows the server's rows in
// the server's order; an order the keys can follow and one they cannot (an expression)
// give the same rows.
TEST_P(SqlCacheTest, EvictedRowsAreReadAgainUnderEveryNavigation)
{
    const std::vector<int> descending = ServerIds("grp DESC, name, id");
    const std::vector<int> ascending = ServerIds("grp, name DESC, id");
    const struct {
        const char* order;
        const std::vector<int>& expected;
        bool keyed;
    } cases[] = {{"grp DESC, name", descending, true},
                 {"grp + 0 DESC, name, id", descending, false},
                 {"grp, name DESC", ascending, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.order);
        const std::vector<int>& expected = c.expected;
        // Rows are read again page by page where keys or a snapshot allow; elsewhere every row stays.
        const bool paging = c.keyed || !Sqlite();
        TZSQLQuery q;
        TLinked linked(q);
        Open(q, c.order);
        // Last at once: the reversed order on the server, the count only when a number is asked.
        int requests = q.ServerRequestCount();
        q.Last();
        EXPECT_EQ(Id(q), expected.back());
        const TBookmark last = q.GetBookmark();
        if (c.keyed) {
            EXPECT_EQ(q.ServerRequestCount() - requests, 1) << "the reversed order, no count yet";
        }
        EXPECT_EQ(q.RecNo(), TableRows);
        if (paging) {
            // and one count for the number; without keys: the count, MOVE and FETCH
            EXPECT_LE(q.ServerRequestCount() - requests, c.keyed ? 2 : 3);
        }
        EXPECT_EQ(q.RecordCount(), TableRows);
        q.Prior();
        EXPECT_EQ(Id(q), expected[TableRows - 2]);

        int most = 0;
        std::vector<int> seen;
        for (q.First(); !q.Eof(); q.Next()) {
            seen.push_back(Id(q));
            most = std::max(most, q.CachedRecordCount());
        }
        ASSERT_EQ(seen, expected);
        if (paging) {
            EXPECT_LE(most, CacheRows);
        }

        int fetched = q.FetchedRecordCount();
        q.First();
        EXPECT_EQ(Id(q), expected.front());
        requests = q.ServerRequestCount();
        q.Last();
        EXPECT_EQ(Id(q), expected.back());
        EXPECT_EQ(q.RecNo(), TableRows);
        EXPECT_EQ(q.CompareBookmarks(q.GetBookmark(), last), 0) << "the same row, numbered before and after the count";
        if (paging) {
            EXPECT_LE(q.FetchedRecordCount() - fetched, 3 * CacheRows) << "First and Last read a page each";
            EXPECT_LE(q.ServerRequestCount() - requests, c.keyed ? 1 : 2);
        }

        seen.clear();
        for (; !q.Bof(); q.Prior()) {
            seen.push_back(Id(q));
            most = std::max(most, q.CachedRecordCount());
        }
        ASSERT_EQ(seen, std::vector<int>(expected.rbegin(), expected.rend()));
        if (paging) {
            EXPECT_LE(most, CacheRows);
        }

        EXPECT_EQ(q.MoveBy(1500), 1500);
        EXPECT_EQ(Id(q), expected[1500]);
        EXPECT_EQ(q.RecNo(), 1501);
        const TBookmark far = q.GetBookmark();
        EXPECT_EQ(q.MoveBy(-1200), -1200);
        EXPECT_EQ(Id(q), expected[300]);
        const TBookmark near = q.GetBookmark();
        EXPECT_LT(q.CompareBookmarks(near, far), 0);
        q.GotoBookmark(far);
        EXPECT_EQ(Id(q), expected[1500]);
        q.GotoBookmark(near);
        EXPECT_EQ(Id(q), expected[300]);
        EXPECT_TRUE(q.BookmarkValid(far));
        q.GotoBookmark(last);
        EXPECT_EQ(Id(q), expected.back());

        fetched = q.FetchedRecordCount();
        requests = q.ServerRequestCount();
        q.SetRecNo(1777);
        EXPECT_EQ(Id(q), expected[1776]);
        EXPECT_EQ(q.RecNo(), 1777);
        if (paging) {
            EXPECT_LE(q.FetchedRecordCount() - fetched, 2 * CacheRows) << "a far record number reads one page";
            EXPECT_LE(q.ServerRequestCount() - requests, 3) << "in one or two statements";
        }
        q.SetRecNo(TableRows + 50);
        EXPECT_EQ(Id(q), expected.back());
        EXPECT_EQ(q.RecordCount(), TableRows);
        // The grid's window of rows around the record stays whole.
        q.SetRecNo(900);
        std::vector<int> window;
        for (int i = 0; i < linked.link.RecordCount(); ++i) {
            linked.link.SetActiveRecord(i);
            window.push_back(Id(q));
        }
        const auto at = std::find(expected.begin(), expected.end(), window.front());
        ASSERT_NE(at, expected.end());
        EXPECT_EQ(window, std::vector<int>(at, at + qsizetype(window.size())));
    }

    TZSQLQuery q;
    EXPECT_THROW(q.SetCacheRecords(0), EDatabaseError);
    EXPECT_EQ(q.GetCacheRecords(), 10000);
}

namespace {
// The ids of every record, read by moving the dataset.
std::vector<int> AllIds(TDataSet& ds)
{
    std::vector<int> all;
    for (ds.First(); !ds.Eof(); ds.Next())
        all.push_back(Id(ds));
    return all;
}
} // namespace

// Rows this dataset edited, deleted and inserted show as it left them when their place
// is read again, and Rollback puts them back although they had left the cache.
TEST_P(SqlCacheTest, RowsChangedHereShowTheSameWhenReadAgain)
{
    const std::vector<int> original = ServerIds("name, id");
    TZSQLQuery q;
    TLinked linked(q);
    Open(q, "name");
    q.StartTransaction();
    q.SetRecNo(10);
    const int edited = Id(q);
    q.Edit();
    q.FieldByName("grp")->SetValue(99);
    q.Post();
    q.SetRecNo(20);
    const int deleted = Id(q);
    q.Delete();
    q.SetRecNo(29);
    const int next = Id(q);
    q.Insert();
    q.FieldByName("id")->SetValue(5);
    q.FieldByName("name")->SetValue("zz"); // sorts last on the server: shown where it was inserted
    q.Post();
    const TBookmark inserted = q.GetBookmark();

    std::vector<int> changed = original;
    changed.erase(std::find(changed.begin(), changed.end(), deleted));
    changed.insert(std::find(changed.begin(), changed.end(), next), 5);
    EXPECT_EQ(AllIds(q), changed);
    EXPECT_LE(q.CachedRecordCount(), CacheRows);
    q.Last();
    std::vector<int> backwards;
    for (; !q.Bof(); q.Prior())
        backwards.push_back(Id(q));
    EXPECT_EQ(backwards, std::vector<int>(changed.rbegin(), changed.rend()));
    EXPECT_EQ(q.RecordCount(), TableRows);
    q.Last();
    q.GotoBookmark(inserted);
    EXPECT_EQ(Id(q), 5);
    EXPECT_EQ(q.RecNo(), 29);
    ASSERT_TRUE(q.Locate("id", edited));
    EXPECT_EQ(q.FieldByName("grp")->AsInteger(), 99);
    EXPECT_EQ(q.RecNo(), 10);

    q.Last(); // the changed rows leave the cache before the rollback
    q.Rollback();
    EXPECT_EQ(AllIds(q), original);
    ASSERT_TRUE(q.Locate("id", edited));
    EXPECT_NE(q.FieldByName("grp")->AsInteger(), 99);
    EXPECT_FALSE(q.BookmarkValid(inserted));
}

// Another connection writes while the query is open. PostgreSQL reads its snapshot: the
// rows as they were at the opening, each once. SQLite reads the rows that left the cache
// again as the table holds them then, next to the rows still cached: each row once, the
// deleted row gone, the new row in its place.
TEST_P(SqlCacheTest, RowsChangedByAnotherConnectionWhileOpen)
{
    const std::vector<int> atOpening = ServerIds("name, id");
    TZSQLQuery q;
    TLinked linked(q);
    Open(q, "name");
    q.Last(); // the first rows are not in the cache
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("DELETE FROM t WHERE id = %1").arg(atOpening[100])));
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO t (id, grp, name) VALUES (7, 1, 'n3')"));
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("UPDATE t SET grp = -1 WHERE id = %1").arg(atOpening[200])));
    std::vector<int> backwards;
    for (; !q.Bof(); q.Prior())
        backwards.push_back(Id(q));
    const std::vector<int> expected = Sqlite() ? ServerIds("name, id") : atOpening;
    EXPECT_EQ(backwards, std::vector<int>(expected.rbegin(), expected.rend()));
    EXPECT_EQ(q.RecNo(), 1);
    q.Locate("id", atOpening[200]);
    EXPECT_EQ(q.FieldByName("grp")->AsInteger() == -1, Sqlite());

    // More rows before the cached ones than places for them: SQLite numbers the rows again
    // from the first one, keeping the record's number.
    q.Last();
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO t (id, grp, name) VALUES (1, 1, 'a'), (2, 1, 'b')"));
    const std::vector<int> now = Sqlite() ? ServerIds("name, id") : atOpening;
    const int number = 1000;
    q.SetRecNo(number);
    EXPECT_EQ(q.RecNo(), number);
    EXPECT_EQ(Id(q), now[number - 1]);
    q.First();
    EXPECT_EQ(Id(q), now.front());
    EXPECT_EQ(AllIds(q), now);

    // Rows inserted before the cached rows while reading back: no row twice, down to the first.
    q.SetRecNo(number);
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO t (id, grp, name) VALUES (3, 1, 'a0'), (4, 1, 'a1')"));
    std::set<int> seen;
    int last = 0;
    for (; !q.Bof(); q.Prior()) {
        EXPECT_TRUE(seen.insert(Id(q)).second) << Id(q);
        last = Id(q);
    }
    EXPECT_EQ(last, Sqlite() ? 1 : now.front());
}

// Far record numbers, each more than a page from the cached rows and nearer to them than to
// the first row, both ways. On SQLite a row written meanwhile (here or by another connection)
// moves the places: the next far number is then counted from the first row again, not from
// the cached rows, whose places are out of date.
TEST_P(SqlCacheTest, FarRecordNumbersNearTheCachedRows)
{
    if (Sqlite()) { // another connection writes while the query's statement reads
        ASSERT_TRUE(ExecSql(Db(), "PRAGMA journal_mode = WAL"));
    }
    std::vector<int> ids = ServerIds("name, id");
    TZSQLQuery q;
    TLinked linked(q);
    Open(q, "name");
    for (int number : {1500, 1700, 1990, 1300, 1000, 1800}) {
        q.SetRecNo(number);
        ASSERT_EQ(q.RecNo(), number);
        EXPECT_EQ(Id(q), ids[size_t(number - 1)]) << number;
        q.Prior();
        EXPECT_EQ(Id(q), ids[size_t(number - 2)]) << number;
        q.MoveBy(2);
        EXPECT_EQ(Id(q), ids[size_t(number)]) << number;
    }
    q.Last();
    EXPECT_EQ(q.RecNo(), TableRows);
    if (!Sqlite())
        return;

    q.SetRecNo(1500);
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO t (id, grp, name) VALUES (1, 1, 'a'), (2, 1, 'b')"));
    ids = ServerIds("name, id");
    q.SetRecNo(1700);
    EXPECT_EQ(Id(q), ids[1699]);
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "far_numbers_other");
        other.setDatabaseName(Db().databaseName());
        ASSERT_TRUE(other.open());
        ASSERT_TRUE(ExecSql(other, "INSERT INTO t (id, grp, name) VALUES (3, 1, 'a0'), (4, 1, 'a1'), (5, 1, 'a2')"));
        other.close();
    }
    QSqlDatabase::removeDatabase("far_numbers_other");
    ids = ServerIds("name, id");
    q.SetRecNo(1900);
    EXPECT_EQ(Id(q), ids[1899]);
    q.SetRecNo(1600);
    EXPECT_EQ(Id(q), ids[1599]);
}

// A connection lost while rows are read again raises a database error; the query opens
// again once the server is back.
TEST_P(SqlCacheTest, ConnectionLostWhileReadingAgain)
{
    TZSQLQuery q;
    TLinked linked(q);
    Open(q, "name");
    const int first = Id(q);
    q.SetRecNo(1000);
    if (Sqlite()) {
        Db().close();
    } else {
        // The query reads through its own connection: end that session on the server.
        QSqlQuery kill(Db());
        ASSERT_TRUE(kill.exec("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity"
                              " WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    }
    EXPECT_THROW(q.First(), EDatabaseError);
    q.Close();
    if (Sqlite()) {
        QSqlDatabase db = Db();
        ASSERT_TRUE(db.open());
    }
    q.Open();
    EXPECT_EQ(Id(q), first);
    q.Last();
    q.First();
    EXPECT_EQ(Id(q), first);
}

// An empty result, a result smaller than a page, a cache made smaller while open.
TEST_P(SqlCacheTest, SmallResultsAndACacheShrunkWhileOpen)
{
    ASSERT_TRUE(ExecSql(Db(), "DELETE FROM t WHERE id > 300"));
    TZSQLQuery q;
    TLinked linked(q);
    q.SetConnection(Db());
    q.SetSQLText("SELECT id, grp, name FROM t WHERE id < 0 ORDER BY name");
    q.SetCacheRecords(4);
    q.Open();
    EXPECT_TRUE(q.IsEmpty());
    q.Last();
    EXPECT_TRUE(q.Eof());
    q.Append();
    q.FieldByName("id")->SetValue(-5);
    q.FieldByName("name")->SetValue("x");
    q.Post();
    q.First();
    EXPECT_EQ(Id(q), -5);
    EXPECT_EQ(q.RecordCount(), 1);
    q.Close();

    Open(q, "name DESC");
    const std::vector<int> expected = ServerIds("name DESC, id");
    ASSERT_EQ(expected.size(), 31u); // with the row appended above
    q.SetCacheRecords(6);
    EXPECT_LE(q.CachedRecordCount(), 6);
    EXPECT_EQ(AllIds(q), expected);
    q.Last();
    EXPECT_EQ(q.RecNo(), 31);
    q.MoveBy(-20);
    EXPECT_EQ(Id(q), expected[10]);
    EXPECT_LE(q.CachedRecordCount(), 6);
}

INSTANTIATE_TEST_SUITE_P(Databases, SqlCacheTest, zdb::test::AllBackends(), zdb::test::BackendName);

// Client fields keep their values by row key through new runs of the statement and
// post nothing; an order of them holds every row here and comes back without reading
// the rows again unless the query wrote rows.
TEST_P(SqlCacheTest, ClientFieldsAndTheClientOrder)
{
    TZSQLQuery q;
    TLinked linked(q);
    q.AddClientField(QStringLiteral("Mark"), ftInteger);
    q.AddClientField(QStringLiteral("name"), ftInteger); // a result column takes its place
    Open(q, QStringLiteral("id"));
    TField* mark = q.FieldByName(QStringLiteral("Mark"));
    ASSERT_TRUE(q.IsClientField(mark));
    EXPECT_FALSE(q.IsClientField(q.FieldByName(QStringLiteral("name"))));
    // Every 7th row gets a mark counting down: those rows first in the descending order of marks.
    std::vector<int> expected;
    for (int i = 7; i <= TableRows; i += 7)
        expected.push_back(i * 10);
    for (int i = 1; i <= TableRows; ++i)
        expected.push_back(i % 7 ? i * 10 : 0);
    expected.erase(std::remove(expected.begin(), expected.end(), 0), expected.end());
    for (q.First(); !q.Eof(); q.Next())
        if (Id(q) % 70 == 0) {
            q.Edit();
            mark->SetValue(TableRows - Id(q) / 10);
            q.Post();
        }
    EXPECT_EQ(ServerIds("id").size(), size_t(TableRows)) << "nothing written";
    q.Locate(QStringLiteral("id"), 700);
    const TBookmark before = q.GetBookmark();
    q.SetClientOrder(QStringLiteral("Mark DESC"));
    EXPECT_EQ(Id(q), 700) << "the current row stays";
    EXPECT_FALSE(q.BookmarkValid(before));
    EXPECT_EQ(q.CachedRecordCount(), TableRows) << "every row kept";
    std::vector<int> ids;
    for (q.First(); !q.Eof(); q.Next())
        ids.push_back(Id(q));
    // Unmarked rows (nulls) last in descending order, in the statement's order.
    EXPECT_EQ(ids, expected);
    q.Refresh();
    q.Last();
    EXPECT_EQ(Id(q), expected.back());
    q.First();
    EXPECT_EQ(Id(q), expected.front());
    EXPECT_EQ(mark->AsInteger(), TableRows - expected.front() / 10);
    EXPECT_THROW(q.SetClientOrder(QStringLiteral("grp")), EDatabaseError);
    EXPECT_EQ(q.GetClientOrder(), QStringLiteral("Mark DESC"));

    // Back to the statement's order without reading; after a write, read again.
    const int reads = q.FetchedRecordCount();
    q.SetClientOrder(QString());
    EXPECT_EQ(q.FetchedRecordCount(), reads);
    EXPECT_EQ(Id(q), expected.front());
    q.First();
    EXPECT_EQ(Id(q), 10);
    EXPECT_EQ(q.RecNo(), 1);
    // A value the order is made of changed: sorted anew, not put back as it was.
    q.Edit();
    q.FieldByName(QStringLiteral("Mark"))->SetValue(TableRows * 2);
    q.Post();
    q.SetClientOrder(QStringLiteral("Mark DESC"));
    q.First();
    EXPECT_EQ(Id(q), 10);
    q.Next();
    EXPECT_EQ(Id(q), expected.front());
    q.SetClientOrder(QStringLiteral("Mark"));
    q.Edit();
    q.FieldByName(QStringLiteral("name"))->SetValue(QStringLiteral("x"));
    q.Post();
    const int beforeClear = q.FetchedRecordCount();
    q.SetClientOrder(QString());
    EXPECT_NE(q.FetchedRecordCount(), beforeClear) << "read anew";
    EXPECT_EQ(q.FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("x"));
    q.Close();
    q.Open();
    EXPECT_TRUE(q.Locate(QStringLiteral("id"), 70));
    EXPECT_EQ(q.FieldByName(QStringLiteral("Mark"))->AsInteger(), TableRows - 7) << "kept through a reopen";
}

// A filter the server answers keeps the cache bounded: its rows are read again by keys,
// Last, RecNo and Locate stay on the server's filtered result.
TEST_P(SqlCacheTest, ServerFilteredRowsPageLikeTheWholeResult)
{
    std::vector<int> expected;
    {
        QSqlQuery plain(Db());
        ASSERT_TRUE(plain.exec("SELECT id FROM t WHERE grp = 3 OR name = 'n5' ORDER BY name DESC, id"));
        while (plain.next())
            expected.push_back(plain.value(0).toInt());
    }
    ASSERT_GT(int(expected.size()), 4 * CacheRows);
    TZSQLQuery q;
    TLinked linked(q);
    q.SetFilter("grp = 3 OR name = 'n5'");
    q.SetFiltered(true);
    Open(q, "name DESC");
    ASSERT_TRUE(q.ServerFilterActive());
    const int count = int(expected.size());

    q.Last();
    EXPECT_EQ(Id(q), expected.back());
    EXPECT_EQ(q.RecNo(), count);
    EXPECT_EQ(q.RecordCount(), count);
    std::vector<int> seen;
    int most = 0;
    for (q.First(); !q.Eof(); q.Next()) {
        seen.push_back(Id(q));
        most = std::max(most, q.CachedRecordCount());
    }
    EXPECT_EQ(seen, expected);
    EXPECT_LE(most, CacheRows);

    q.SetRecNo(count / 2);
    EXPECT_EQ(Id(q), expected[size_t(count / 2 - 1)]);
    const int fetched = q.FetchedRecordCount();
    const int target = expected[size_t(count - 3)];
    q.First();
    ASSERT_TRUE(q.Locate("id", target, {}));
    EXPECT_EQ(Id(q), target);
    EXPECT_EQ(q.RecNo(), count - 2);
    EXPECT_LE(q.FetchedRecordCount() - fetched, 3 * CacheRows) << "the server found the row";
    // A row the filter leaves out is not found, though the table has it.
    EXPECT_FALSE(q.Locate("id", 10, {}));
    EXPECT_EQ(q.Lookup("id", target, "name").toString(),
              QStringLiteral("n%1").arg((target / 10) % 13));
    EXPECT_TRUE(q.Lookup("id", 10, "name").isNull());
}

namespace {

// The statements that read rows of the whole sorted result: a SELECT without a row limit
// (counts aside), or with `cursor` the PostgreSQL cursor moved or fetched.
QStringList UnboundedReads(const QStringList& statements, bool cursor)
{
    QStringList unbounded;
    for (const QString& sql : statements) {
        const QString text = sql.simplified().toUpper();
        if (text.startsWith(QLatin1String("SELECT")) ? !text.contains(QLatin1String(" LIMIT "))
                                                           && !text.contains(QLatin1String("COUNT("))
                                                     : cursor && (text.startsWith(QLatin1String("FETCH"))
                                                                  || text.startsWith(QLatin1String("MOVE"))))
            unbounded << sql;
    }
    return unbounded;
}

} // namespace

// Opening a sorted statement reads its first rows by the statement limited to them (the
// server keeps the first rows instead of sorting all of them, twice); the rows after them
// come from one statement over the rest, and the rows are the server's in its order.
TEST_P(SqlCacheTest, ASortedOpenReadsTheFirstRowsByALimitedStatement)
{
    for (const char* order : {"name DESC", "grp, name"}) {
        SCOPED_TRACE(order);
        const std::vector<int> expected = ServerIds(QStringLiteral("%1, id").arg(QLatin1String(order)));
        TZSQLQuery q;
        q.SetPacketRecords(20);
        TLinked linked(q);
        Open(q, order);
        EXPECT_EQ(Id(q), expected.front());
        EXPECT_TRUE(UnboundedReads(q.ServerStatements(), true).isEmpty())
            << q.ServerStatements().join(QStringLiteral("\n---\n")).toStdString();
        std::vector<int> seen;
        for (q.First(); !q.Eof(); q.Next())
            seen.push_back(Id(q));
        EXPECT_EQ(seen, expected);
        // SQLite: one statement over the rows after them; PostgreSQL: the cursor from there on.
        EXPECT_EQ(UnboundedReads(q.ServerStatements(), false).size(), Sqlite() ? 1 : 0);
        q.Last();
        EXPECT_EQ(q.RecNo(), int(expected.size()));
    }
    // A result of exactly the first rows, and of one row fewer: nothing after them.
    for (int rows : {20, 19}) {
        TZSQLQuery q;
        q.SetPacketRecords(20);
        q.SetConnection(Db());
        q.SetSQLText(QStringLiteral("SELECT id, grp, name FROM t WHERE id <= %1 ORDER BY name").arg(rows * 10));
        q.Open();
        int count = 0;
        for (; !q.Eof(); q.Next())
            ++count;
        EXPECT_EQ(count, rows);
        EXPECT_EQ(q.RecordCount(), rows);
    }
}

// A row of the first ones, edited so that it sorts after them before the rest is read,
// shows once: where it was left, not again among the rows after them.
TEST_P(SqlCacheTest, ARowMovedBeforeTheRestIsReadShowsOnce)
{
    TZSQLQuery q;
    q.SetPacketRecords(20);
    TLinked linked(q);
    Open(q, "name");
    q.MoveBy(3);
    const int moved = Id(q);
    q.Edit();
    q.FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("zz"));
    q.Post();
    std::multiset<int> seen;
    for (q.First(); !q.Eof(); q.Next())
        seen.insert(Id(q));
    EXPECT_EQ(seen.size(), size_t(TableRows));
    EXPECT_EQ(seen.count(moved), 1u);
    EXPECT_EQ(std::set<int>(seen.begin(), seen.end()).size(), size_t(TableRows));
}

// On PostgreSQL the questions over the result run in the cursor's transaction: one the
// server refuses leaves the cursor, its place and its snapshot usable, again and again.
TEST_P(SqlCacheTest, AQuestionTheServerRefusesLeavesTheCursorUsable)
{
    if (Sqlite())
        GTEST_SKIP() << "SQLite divides by zero without an error";
    TZSQLQuery q;
    q.SetPacketRecords(20);
    TLinked linked(q);
    q.SetConnection(Db());
    q.SetSQLText(QStringLiteral("SELECT id, 100 / (id - 15000) AS q FROM t ORDER BY id"));
    q.Open();
    q.MoveBy(5);
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO t VALUES (99999, 1, 'new')")); // after the snapshot
    const std::vector<TAggregateRequest> sum{{akSum, q.FieldByName(QStringLiteral("q")), 0}};
    std::vector<QVariant> results;
    EXPECT_FALSE(q.CalcAggregates(sum, results)) << "a division by zero at id 15000";
    EXPECT_FALSE(q.CalcAggregates(sum, results));
    EXPECT_EQ(q.ServerStatements().filter(QStringLiteral("zdb_agg_q")).size(), 2) << "asked, and refused";
    std::vector<int> ids;
    for (int i = 0; i < 50; ++i, q.Next())
        ids.push_back(Id(q));
    EXPECT_EQ(ids.front(), 60);
    EXPECT_EQ(ids.back(), 550);
    ASSERT_TRUE(q.CalcAggregates({{akCount, nullptr, 0}}, results));
    EXPECT_EQ(results.front().toLongLong(), TableRows);
    EXPECT_EQ(q.RecordCount(), TableRows);
}

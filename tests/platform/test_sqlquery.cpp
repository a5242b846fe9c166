// TZSQLQuery on SQLite and PostgreSQL: types, packet fetching, navigation
// through a data link window, bookmarks, editing round trips, errors, counting,
// lookups and Locate. Every test runs on both databases; PostgreSQL tests skip
// (with the reason) when no test server is running.

#include "AppExceptions.h"
#include "TestDb.h"
#include "ZDBSQLQuery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace zdb;
using zdb::test::ExecSql;
using zdb::test::PgTestDb;
using zdb::test::SqliteTestDb;

namespace {

using zdb::test::BackendName;
using zdb::test::TBackend;

// One test database of either kind.
class TTestConnection : public zdb::test::TBackendDb {
public:
    using TBackendDb::TBackendDb;
    QSqlDatabase Db() const { return Database(); }

    // DDL that differs between the two.
    QString AutoKey() const { return Sqlite() ? "INTEGER PRIMARY KEY" : "SERIAL PRIMARY KEY"; }
    QString BlobType() const { return Sqlite() ? "BLOB" : "BYTEA"; }
    // Fills items(name, qty, price, born, flag) with rows 1..count.
    QString FillItems(int count) const
    {
        if (Sqlite())
            return QStringLiteral("WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r WHERE x < %1) "
                                  "INSERT INTO items (name, qty, price, born, flag) "
                                  "SELECT 'Item ' || x, x, x * 1.25, date('2024-01-01', '+' || x || ' days'), x % 2 "
                                  "FROM r")
                .arg(count);
        return QStringLiteral("INSERT INTO items (name, qty, price, born, flag) "
                              "SELECT 'Item ' || x, x, x * 1.25, DATE '2024-01-01' + x, x % 2 = 1 "
                              "FROM generate_series(1, %1) x")
            .arg(count);
    }
    QString ItemsTable() const
    {
        return QStringLiteral("CREATE TABLE items (id %1, name VARCHAR(40) NOT NULL UNIQUE,"
                              " qty INTEGER CHECK (qty >= 0), price NUMERIC(10,2), born DATE, flag BOOLEAN,"
                              " note TEXT)")
            .arg(AutoKey());
    }
};

// Runs a query and returns the first column of the first row.
QVariant Scalar(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next())
        return QStringLiteral("<error: %1>").arg(q.lastError().text());
    return q.value(0);
}

int Id(const TDataSet& ds) { return ds.FieldByName(QStringLiteral("id"))->AsInteger(); }

// The ids a data link's window shows, read the way a grid reads its rows.
std::vector<int> WindowIds(TDataLink& link)
{
    std::vector<int> ids;
    const int saved = link.ActiveRecord();
    for (int i = 0; i < link.RecordCount(); ++i) {
        link.SetActiveRecord(i);
        ids.push_back(Id(*link.DataSet()));
    }
    link.SetActiveRecord(saved);
    return ids;
}

// The ids of every record, read by moving the dataset.
std::vector<int> AllIds(TDataSet& ds)
{
    std::vector<int> all;
    for (ds.First(); !ds.Eof(); ds.Next())
        all.push_back(Id(ds));
    return all;
}

// Renames the current record, deletes the next one and inserts id 100.
void EditDeleteAndInsert(TDataSet& ds)
{
    ds.Edit();
    ds.FieldByName("name")->SetValue("Changed");
    ds.Post();
    ds.Next();
    ds.Delete();
    ds.Insert();
    ds.FieldByName("id")->SetValue(100);
    ds.FieldByName("name")->SetValue("New");
    ds.Post();
}

class SqlQueryTest : public ::testing::TestWithParam<TBackend> {
protected:
    void SetUp() override
    {
        FConn = std::make_unique<TTestConnection>(GetParam());
        if (FConn->NoServer())
            GTEST_SKIP() << FConn->ErrorText().toStdString();
        ASSERT_TRUE(FConn->IsOpen()) << FConn->ErrorText().toStdString();
    }
    void TearDown() override
    {
        FQueries.clear(); // before the database goes
    }
    QSqlDatabase Db() const { return FConn->Db(); }
    TTestConnection& Conn() { return *FConn; }
    bool Sqlite() const { return FConn->Sqlite(); }

    // A query on the test database, owned by the fixture.
    TZSQLQuery& Query(const QString& sql)
    {
        auto query = std::make_unique<TZSQLQuery>();
        query->SetConnection(Db());
        query->SetSQLText(sql);
        FQueries.push_back(std::move(query));
        return *FQueries.back();
    }
    void MakeItems(int count)
    {
        ASSERT_TRUE(ExecSql(Db(), Conn().ItemsTable()));
        ASSERT_TRUE(ExecSql(Db(), Conn().FillItems(count)));
    }

private:
    std::unique_ptr<TTestConnection> FConn;
    std::vector<std::unique_ptr<TZSQLQuery>> FQueries;
};

// A data link with a window of rows, as a grid would attach.
struct TLinked {
    TDataSource source;
    TDataLink link;
    explicit TLinked(TDataSet& ds, int bufferCount = 10)
    {
        source.SetDataSet(&ds);
        link.SetBufferCount(bufferCount);
        link.SetDataSource(&source);
    }
};

// ---------------------------------------------------------------------------
// Field types and values

TEST_P(SqlQueryTest, FieldTypesAndValuesFollowTheDeclaredColumns)
{
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("CREATE TABLE kinds (id %1, name VARCHAR(30), big BIGINT, small SMALLINT,"
                                             " price NUMERIC(10,2), ratio DOUBLE PRECISION, whole NUMERIC(8,0),"
                                             " born DATE, stamp TIMESTAMP, tm TIME, flag BOOLEAN, note TEXT,"
                                             " data %2)")
                                  .arg(Conn().AutoKey(), Conn().BlobType())));
    QSqlQuery insert(Db());
    ASSERT_TRUE(insert.prepare("INSERT INTO kinds (name, big, small, price, ratio, whole, born, stamp, tm, flag, note,"
                               " data) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QVariantList values = {QStringLiteral("first"), 9000000000LL, 7, 12.5, 0.25, 1234,
                                 Sqlite() ? QVariant("2024-02-29") : QVariant(QDate(2024, 2, 29)),
                                 Sqlite() ? QVariant("2024-02-29 10:11:12") : QVariant(QDateTime(QDate(2024, 2, 29), QTime(10, 11, 12))),
                                 Sqlite() ? QVariant("10:11:12") : QVariant(QTime(10, 11, 12)),
                                 Sqlite() ? QVariant(1) : QVariant(true), QStringLiteral("long text"),
                                 QByteArray("\x01\x02\x00\x03", 4)};
    for (const QVariant& v : values)
        insert.addBindValue(v);
    ASSERT_TRUE(insert.exec()) << insert.lastError().text().toStdString();
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO kinds (name) VALUES ('nulls')"));

    TZSQLQuery& q = Query("SELECT k.*, name AS title, small * 2 AS twice FROM kinds k ORDER BY id");
    q.Open();
    auto type = [&](const char* name) { return q.FieldByName(QLatin1String(name))->DataType(); };
    EXPECT_EQ(type("id"), ftAutoInc);
    EXPECT_EQ(type("name"), ftWideString);
    EXPECT_EQ(q.FieldByName("name")->GetSize(), 30);
    EXPECT_EQ(type("big"), ftLargeint);
    EXPECT_EQ(type("small"), ftSmallint);
    EXPECT_EQ(type("price"), ftCurrency);
    EXPECT_EQ(type("ratio"), ftFloat);
    EXPECT_EQ(type("whole"), ftInteger);
    EXPECT_EQ(type("born"), ftDate);
    EXPECT_EQ(type("stamp"), ftDateTime);
    EXPECT_EQ(type("tm"), ftTime);
    EXPECT_EQ(type("flag"), ftBoolean);
    EXPECT_EQ(type("note"), ftWideString) << "TEXT is an ordinary string, not a memo";
    EXPECT_EQ(q.FieldByName("note")->GetSize(), 0);
    EXPECT_EQ(type("data"), ftBlob);
    EXPECT_EQ(type("title"), ftWideString) << "an alias keeps the type of its column";
    EXPECT_EQ(q.FieldByName("title")->GetSize(), 30);
    EXPECT_TRUE(q.CanModify());
    EXPECT_TRUE(q.FieldByName("twice")->GetReadOnly()) << "a computed column cannot be written";
    EXPECT_FALSE(q.FieldByName("name")->GetReadOnly());
    EXPECT_TRUE(q.FieldByName("title")->GetReadOnly()) << "a column selected twice is written through its first field";

    EXPECT_EQ(q.FieldByName("name")->GetValue(), QVariant("first"));
    EXPECT_EQ(q.FieldByName("big")->AsLargeInt(), 9000000000LL);
    EXPECT_EQ(q.FieldByName("small")->AsInteger(), 7);
    EXPECT_DOUBLE_EQ(q.FieldByName("price")->AsFloat(), 12.5);
    EXPECT_DOUBLE_EQ(q.FieldByName("ratio")->AsFloat(), 0.25);
    EXPECT_EQ(q.FieldByName("whole")->AsInteger(), 1234);
    EXPECT_EQ(q.FieldByName("born")->GetValue(), QVariant(QDate(2024, 2, 29)));
    EXPECT_EQ(q.FieldByName("stamp")->GetValue().toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(10, 11, 12)));
    EXPECT_EQ(q.FieldByName("tm")->GetValue(), QVariant(QTime(10, 11, 12)));
    EXPECT_EQ(q.FieldByName("flag")->GetValue(), QVariant(true));
    EXPECT_EQ(q.FieldByName("note")->GetValue(), QVariant("long text"));
    EXPECT_EQ(q.FieldByName("data")->GetValue().toByteArray(), QByteArray("\x01\x02\x00\x03", 4));
    EXPECT_EQ(q.FieldByName("twice")->AsInteger(), 14);

    q.Next();
    for (const char* name : {"big", "small", "price", "born", "stamp", "tm", "flag", "note", "data", "twice"})
        EXPECT_TRUE(q.FieldByName(name)->IsNull()) << name << " should stay null";
}

TEST_P(SqlQueryTest, FieldTypeOverrideAndDuplicateNames)
{
    MakeItems(3);
    TZSQLQuery& q = Query("SELECT i.id, i.name, j.id, j.name FROM items i JOIN items j ON j.id = i.id ORDER BY i.id");
    q.SetFieldType("name", ftWideMemo);
    q.FieldDefs().Update(); // definitions without opening
    ASSERT_EQ(q.FieldDefs().Count(), 4);
    EXPECT_EQ(q.FieldDefs()[1].DataType, ftWideMemo);
    EXPECT_FALSE(q.Active());
    q.Open();
    ASSERT_EQ(q.FieldCount(), 4);
    EXPECT_EQ(q.Fields()[2]->GetFieldName(), "id_1");
    EXPECT_EQ(q.Fields()[3]->GetFieldName(), "name_1");
    EXPECT_EQ(q.FieldByName("name")->DataType(), ftWideMemo);
    EXPECT_EQ(q.FieldByName("name_1")->DataType(), ftWideString);
    EXPECT_FALSE(q.CanModify()) << "a join is read-only";
}

// ---------------------------------------------------------------------------
// Packets, navigation and the data link window

TEST_P(SqlQueryTest, NavigationAcrossPacketAndWindowBoundaries)
{
    MakeItems(50);
    TZSQLQuery& q = Query("SELECT id, name FROM items ORDER BY id");
    q.SetPacketRecords(7);
    TLinked linked(q);
    q.Open();
    EXPECT_EQ(q.FetchedRecordCount(), 14) << "a window of 10 needs two packets of 7";
    EXPECT_FALSE(q.AllRecordsFetched());

    for (int expected = 1; expected <= 50; ++expected) {
        ASSERT_EQ(Id(q), expected);
        ASSERT_EQ(q.RecNo(), expected);
        const std::vector<int> ids = WindowIds(linked.link);
        ASSERT_EQ(ids.size(), 10u);
        ASSERT_EQ(ids[size_t(linked.link.ActiveRecord())], expected);
        for (size_t i = 1; i < ids.size(); ++i)
            ASSERT_EQ(ids[i], ids[i - 1] + 1) << "window broken at " << expected;
        ASSERT_LE(q.FetchedRecordCount(), std::min(50, (std::max(10, expected) + 6) / 7 * 7))
            << "fetched more than the window needs at " << expected;
        q.Next();
    }
    EXPECT_TRUE(q.Eof());
    EXPECT_EQ(Id(q), 50);
    EXPECT_EQ(q.FetchedRecordCount(), 50);

    for (int expected = 50; expected >= 1; --expected) {
        ASSERT_EQ(Id(q), expected);
        q.Prior();
    }
    EXPECT_TRUE(q.Bof());
    EXPECT_EQ(q.MoveBy(23), 23);
    EXPECT_EQ(Id(q), 24);
    EXPECT_EQ(q.MoveBy(-30), -23);
    EXPECT_TRUE(q.Bof());
    EXPECT_EQ(Id(q), 1);
}

TEST_P(SqlQueryTest, LastFetchesToTheEndAndRecNoJumps)
{
    MakeItems(40);
    TZSQLQuery& q = Query("SELECT id, name FROM items ORDER BY id DESC");
    q.SetPacketRecords(7);
    TLinked linked(q);
    q.Open();
    q.Last();
    EXPECT_EQ(Id(q), 1);
    EXPECT_EQ(q.RecNo(), 40);
    EXPECT_LT(q.FetchedRecordCount(), 40) << "the last rows are read by the reversed order";
    const std::vector<int> ids = WindowIds(linked.link);
    EXPECT_EQ(ids, (std::vector<int>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));

    q.Close();
    q.Open();
    q.SetRecNo(25);
    EXPECT_EQ(q.RecNo(), 25);
    EXPECT_EQ(Id(q), 16);
    EXPECT_LT(q.FetchedRecordCount(), 40);
    q.SetRecNo(1000);
    EXPECT_EQ(Id(q), 1) << "a number past the end goes to the last record";
}

TEST_P(SqlQueryTest, AllRowsAtOnceWithPacketRecordsMinusOne)
{
    MakeItems(30);
    TZSQLQuery& q = Query("SELECT id FROM items ORDER BY id");
    q.SetPacketRecords(-1);
    q.Open();
    EXPECT_EQ(q.FetchedRecordCount(), 30);
    EXPECT_EQ(q.RecordCount(), 30);
    EXPECT_THROW(q.SetPacketRecords(0), EDatabaseError);
    EXPECT_EQ(q.GetPacketRecords(), -1);
}

// ---------------------------------------------------------------------------
// Bookmarks

TEST_P(SqlQueryTest, BookmarksSurviveInsertsAndDeletes)
{
    MakeItems(30);
    TZSQLQuery& q = Query("SELECT id, name, qty FROM items ORDER BY id");
    q.SetPacketRecords(7);
    TLinked linked(q);
    q.Open();
    q.MoveBy(19);
    ASSERT_EQ(Id(q), 20);
    const TBookmark at20 = q.Bookmark();
    q.First();
    const TBookmark at1 = q.Bookmark();
    q.Next();
    q.Next();
    const TBookmark at3 = q.Bookmark();
    EXPECT_LT(q.CompareBookmarks(at1, at20), 0);
    EXPECT_GT(q.CompareBookmarks(at20, at3), 0);
    EXPECT_EQ(q.CompareBookmarks(at3, at3), 0);

    // Insert before record 3 and delete record 3: the bookmark of 20 still finds 20.
    q.Insert();
    q.FieldByName("name")->SetValue("Inserted");
    q.FieldByName("qty")->SetValue(0);
    q.Post();
    const TBookmark inserted = q.Bookmark();
    q.GotoBookmark(at3);
    q.Delete();
    EXPECT_FALSE(q.BookmarkValid(at3));
    EXPECT_TRUE(q.BookmarkValid(at20));
    q.GotoBookmark(at20);
    EXPECT_EQ(Id(q), 20);
    EXPECT_EQ(q.RecNo(), 20) << "one row more before it, one less";
    EXPECT_LT(q.CompareBookmarks(inserted, at20), 0) << "the inserted row sorts where it was inserted";
    EXPECT_GT(q.CompareBookmarks(inserted, at1), 0);
    EXPECT_THROW(q.GotoBookmark(at3), EDatabaseError);
    EXPECT_EQ(Id(q), 20);

    // An inserted row deleted again keeps its place; after a Refresh the old and the new
    // bookmarks still make one order (a sorted list of them stays sorted).
    q.GotoBookmark(inserted);
    q.Delete();
    EXPECT_GT(q.CompareBookmarks(inserted, at1), 0);
    EXPECT_LT(q.CompareBookmarks(inserted, at20), 0);
    q.Refresh();
    q.First();
    const TBookmark fresh1 = q.Bookmark();
    q.Insert();
    q.FieldByName("name")->SetValue("Inserted again");
    q.FieldByName("qty")->SetValue(0);
    q.Post();
    const std::vector<TBookmark> marks{at1, at20, inserted, fresh1, q.Bookmark()};
    auto sign = [&](const TBookmark& a, const TBookmark& b) { return q.CompareBookmarks(a, b); };
    for (const TBookmark& a : marks)
        for (const TBookmark& b : marks) {
            EXPECT_EQ(sign(a, b), -sign(b, a));
            for (const TBookmark& c : marks)
                if (sign(a, b) < 0 && sign(b, c) < 0) {
                    EXPECT_LT(sign(a, c), 0);
                }
        }

    q.Close();
    q.Open();
    EXPECT_FALSE(q.BookmarkValid(at20)) << "bookmarks of an earlier opening do not land on another row";
}

TEST_P(SqlQueryTest, ManyInsertsAtOnePlaceKeepOrderAndBookmarks)
{
    MakeItems(5);
    TZSQLQuery& q = Query("SELECT id, name, qty FROM items ORDER BY id");
    q.SetPacketRecords(2);
    q.Open();
    q.Next(); // id 2: every insert goes in front of the previous one, between id 1 and it
    std::vector<TBookmark> marks;
    for (int i = 1; i <= 40; ++i) {
        q.Insert();
        q.FieldByName("name")->SetValue(QStringLiteral("New %1").arg(i));
        q.FieldByName("qty")->SetValue(i);
        q.Post();
        marks.push_back(q.Bookmark());
    }
    // Walking order: id 1, New 40 ... New 1, ids 2..5.
    std::vector<int> qty;
    for (q.First(); !q.Eof(); q.Next())
        qty.push_back(q.FieldByName("qty")->AsInteger());
    ASSERT_EQ(qty.size(), 45u);
    EXPECT_EQ(qty[0], 1);
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(qty[size_t(i + 1)], 40 - i);
    EXPECT_EQ(qty[41], 2);
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(q.BookmarkValid(marks[size_t(i)]));
        q.GotoBookmark(marks[size_t(i)]);
        ASSERT_EQ(q.FieldByName("qty")->AsInteger(), i + 1);
        ASSERT_EQ(q.RecNo(), 41 - i);
        if (i > 0) {
            ASSERT_GT(q.CompareBookmarks(marks[size_t(i - 1)], marks[size_t(i)]), 0);
        }
    }
}

// ---------------------------------------------------------------------------
// Editing

TEST_P(SqlQueryTest, EditPostAndCancelRoundTrip)
{
    MakeItems(20);
    TZSQLQuery& q = Query("SELECT id, name, qty, price, born, flag, note FROM items ORDER BY id");
    q.SetPacketRecords(7);
    TLinked linked(q);
    q.Open();
    ASSERT_TRUE(q.CanModify());
    EXPECT_EQ(q.ActiveUpdateTable(), "items");
    EXPECT_EQ(q.ActiveKeyFields(), "id");
    q.MoveBy(11); // id 12, outside the first packet
    const std::vector<int> before = WindowIds(linked.link);

    q.Edit();
    q.FieldByName("name")->SetValue("Renamed");
    q.FieldByName("price")->SetValue(99.99);
    q.FieldByName("born")->SetValue(QDate(2030, 12, 31));
    q.FieldByName("flag")->SetValue(true);
    q.FieldByName("note")->SetValue("a note");
    q.Post();
    EXPECT_EQ(q.State(), dsBrowse);
    EXPECT_EQ(Id(q), 12) << "the cursor stays on the posted record";
    EXPECT_EQ(WindowIds(linked.link), before) << "the window is not rebuilt from the database";
    EXPECT_EQ(q.FieldByName("name")->GetValue(), QVariant("Renamed"));

    QSqlQuery check(Db());
    ASSERT_TRUE(check.exec("SELECT name, price, born, flag, note FROM items WHERE id = 12") && check.next());
    EXPECT_EQ(check.value(0).toString(), "Renamed");
    EXPECT_DOUBLE_EQ(check.value(1).toDouble(), 99.99);
    EXPECT_EQ(check.value(2).toString().left(10), "2030-12-31");
    EXPECT_TRUE(check.value(3).toBool());
    EXPECT_EQ(check.value(4).toString(), "a note");

    // Only changed columns are written: a concurrent change of another column survives.
    ASSERT_TRUE(ExecSql(Db(), "UPDATE items SET qty = 500 WHERE id = 12"));
    q.Edit();
    q.FieldByName("name")->SetValue("Renamed again");
    q.Post();
    EXPECT_EQ(Scalar(Db(), "SELECT qty FROM items WHERE id = 12").toInt(), 500);
    EXPECT_EQ(q.FieldByName("qty")->AsInteger(), 500) << "RETURNING reads the stored row back";

    q.Edit();
    q.FieldByName("name")->SetValue("Discarded");
    q.Cancel();
    EXPECT_EQ(q.FieldByName("name")->GetValue(), QVariant("Renamed again"));
    EXPECT_EQ(Scalar(Db(), "SELECT name FROM items WHERE id = 12").toString(), "Renamed again");

    q.Next();
    EXPECT_EQ(Id(q), 13);
    q.Edit();
    q.FieldByName("note")->Clear();
    q.FieldByName("qty")->SetValue(0);
    q.Post();
    EXPECT_TRUE(Scalar(Db(), "SELECT note FROM items WHERE id = 13").isNull());
}

TEST_P(SqlQueryTest, InsertGetsTheGeneratedKeyAndStaysInPlace)
{
    MakeItems(20);
    TZSQLQuery& q = Query("SELECT id, name, qty FROM items ORDER BY id");
    q.SetPacketRecords(7);
    TLinked linked(q);
    q.Open();
    EXPECT_EQ(q.RecordCount(), 20);
    q.MoveBy(4); // id 5
    q.Insert();
    EXPECT_EQ(q.FieldByName("id")->DataType(), ftAutoInc);
    q.FieldByName("name")->SetValue("New one");
    q.FieldByName("qty")->SetValue(3);
    q.Post();
    const int newId = Id(q);
    EXPECT_EQ(newId, Scalar(Db(), "SELECT MAX(id) FROM items").toInt());
    EXPECT_EQ(newId, 21);
    EXPECT_EQ(q.RecNo(), 5);
    EXPECT_EQ(q.RecordCount(), 21);
    EXPECT_EQ(Scalar(Db(), "SELECT name FROM items WHERE id = 21").toString(), "New one");
    std::vector<int> window = WindowIds(linked.link);
    EXPECT_NE(std::find(window.begin(), window.end(), 21), window.end());
    q.Next();
    EXPECT_EQ(Id(q), 5) << "the row the insert happened at follows the new one";

    // Append goes to the end; walking everything shows each row once.
    q.Append();
    q.FieldByName("name")->SetValue("Appended");
    q.FieldByName("qty")->SetValue(4);
    q.Post();
    EXPECT_EQ(Id(q), 22);
    EXPECT_EQ(q.RecNo(), 22);
    std::multiset<int> seen;
    for (q.First(); !q.Eof(); q.Next())
        seen.insert(Id(q));
    EXPECT_EQ(seen.size(), 22u);
    EXPECT_EQ(std::set<int>(seen.begin(), seen.end()).size(), 22u);
}

TEST_P(SqlQueryTest, RowsPostedWhileFetchingAreNotReadTwice)
{
    MakeItems(30);
    TZSQLQuery& q = Query("SELECT id, name, qty FROM items ORDER BY id");
    q.SetPacketRecords(5);
    q.Open();
    ASSERT_FALSE(q.AllRecordsFetched());
    q.Insert(); // at id 1, but the table keeps it at the end, where the cursor still has to go
    q.FieldByName("name")->SetValue("Early");
    q.FieldByName("qty")->SetValue(1);
    q.Post();
    EXPECT_EQ(q.RecordCount(), 31);
    q.Next();
    q.Edit(); // id 1
    q.FieldByName("qty")->SetValue(77);
    q.Post();
    std::multiset<int> seen;
    for (q.First(); !q.Eof(); q.Next())
        seen.insert(Id(q));
    EXPECT_EQ(seen.size(), 31u);
    EXPECT_EQ(seen.count(31), 1u);
    EXPECT_EQ(seen.count(1), 1u);
    EXPECT_EQ(q.RecordCount(), 31);
}

TEST_P(SqlQueryTest, DeleteMovesToTheNextRecord)
{
    MakeItems(12);
    TZSQLQuery& q = Query("SELECT id, name FROM items ORDER BY id");
    q.SetPacketRecords(-1); // read on the connection itself, which sees the transaction's changes
    TLinked linked(q);
    q.Open();
    EXPECT_EQ(q.RecordCount(), 12);
    q.MoveBy(4); // id 5, the last of the first packet
    q.Delete();
    EXPECT_EQ(Id(q), 6);
    EXPECT_EQ(q.RecordCount(), 11);
    EXPECT_EQ(Scalar(Db(), "SELECT COUNT(*) FROM items WHERE id = 5").toInt(), 0);
    q.Last();
    q.Delete();
    EXPECT_EQ(Id(q), 11) << "deleting the last record leaves the new last one current";
    EXPECT_EQ(q.RecordCount(), 10);
    EXPECT_EQ(Scalar(Db(), "SELECT COUNT(*) FROM items").toInt(), 10);
    const std::vector<int> window = WindowIds(linked.link);
    EXPECT_EQ(window, (std::vector<int>{1, 2, 3, 4, 6, 7, 8, 9, 10, 11}));
}

TEST_P(SqlQueryTest, RejectedPostKeepsTheEdit)
{
    MakeItems(5);
    TZSQLQuery& q = Query("SELECT id, name, qty FROM items ORDER BY id");
    q.Open();
    q.Next();
    q.Edit();
    q.FieldByName("qty")->SetValue(-5); // CHECK (qty >= 0)
    q.FieldByName("name")->SetValue("Changed");
    try {
        q.Post();
        FAIL() << "the CHECK constraint should reject the update";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains("CHECK", Qt::CaseInsensitive) || e.Message().contains("check"))
            << e.Message().toStdString();
    }
    EXPECT_EQ(q.State(), dsEdit);
    EXPECT_EQ(q.FieldByName("qty")->AsInteger(), -5);
    EXPECT_EQ(q.FieldByName("name")->GetValue(), QVariant("Changed"));
    EXPECT_EQ(Scalar(Db(), "SELECT name FROM items WHERE id = 2").toString(), "Item 2");
    q.FieldByName("qty")->SetValue(6);
    q.Post();
    EXPECT_EQ(Scalar(Db(), "SELECT name FROM items WHERE id = 2").toString(), "Changed");

    // A duplicate on insert: still inserting, values intact, nothing added.
    q.Insert();
    q.FieldByName("name")->SetValue("Item 3");
    q.FieldByName("qty")->SetValue(1);
    EXPECT_THROW(q.Post(), EDatabaseError);
    EXPECT_EQ(q.State(), dsInsert);
    EXPECT_EQ(q.FieldByName("name")->GetValue(), QVariant("Item 3"));
    EXPECT_EQ(Scalar(Db(), "SELECT COUNT(*) FROM items").toInt(), 5);
    q.Cancel();
    EXPECT_EQ(q.RecordCount(), 5);

    // A record deleted behind the dataset's back: the delete fails and the row stays.
    ASSERT_TRUE(ExecSql(Db(), "DELETE FROM items WHERE id = 4"));
    q.First();
    q.MoveBy(3);
    ASSERT_EQ(Id(q), 4);
    EXPECT_THROW(q.Delete(), EDatabaseError);
    EXPECT_EQ(Id(q), 4);
    EXPECT_EQ(q.RecordCount(), 5);
}

TEST_P(SqlQueryTest, ReadOnlyQueries)
{
    MakeItems(5);
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE nokey (a INTEGER, b VARCHAR(10))"));
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO nokey VALUES (1, 'x')"));
    for (const char* sql : {"SELECT COUNT(*) AS n FROM items", "SELECT DISTINCT qty FROM items",
                            "SELECT qty, COUNT(*) AS n FROM items GROUP BY qty",
                            "SELECT a.id FROM items a JOIN items b ON a.id = b.id", "SELECT * FROM nokey",
                            "SELECT name FROM items"}) {
        TZSQLQuery& q = Query(sql);
        q.Open();
        EXPECT_FALSE(q.CanModify()) << sql;
        EXPECT_THROW(q.Edit(), EDatabaseError) << sql;
    }
    TZSQLQuery& keyed = Query("SELECT a, b FROM nokey");
    keyed.SetKeyFields("a");
    keyed.Open();
    EXPECT_TRUE(keyed.CanModify());
    keyed.Edit();
    keyed.FieldByName("b")->SetValue("y");
    keyed.Post();
    EXPECT_EQ(Scalar(Db(), "SELECT b FROM nokey WHERE a = 1").toString(), "y");

    TZSQLQuery& ro = Query("SELECT * FROM items");
    ro.SetReadOnly(true);
    ro.Open();
    EXPECT_FALSE(ro.CanModify());
    ro.SetReadOnly(false);
    EXPECT_TRUE(ro.CanModify());
}

TEST_P(SqlQueryTest, UpdateTableMakesOneTableOfAJoinEditable)
{
    MakeItems(5);
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE tags (item_id INTEGER PRIMARY KEY, tag VARCHAR(10))"));
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO tags VALUES (1, 'one'), (2, 'two')"));
    TZSQLQuery& q = Query("SELECT i.id, i.name, t.tag FROM items i JOIN tags t ON t.item_id = i.id ORDER BY i.id");
    q.SetUpdateTable("items");
    q.Open();
    ASSERT_TRUE(q.CanModify());
    EXPECT_TRUE(q.FieldByName("tag")->GetReadOnly());
    q.Edit();
    q.FieldByName("name")->SetValue("Tagged");
    q.Post();
    EXPECT_EQ(Scalar(Db(), "SELECT name FROM items WHERE id = 1").toString(), "Tagged");
}

// ---------------------------------------------------------------------------
// SQL, parameters and errors

TEST_P(SqlQueryTest, ServerErrorsOnOpenLeaveTheQueryClosed)
{
    MakeItems(3);
    TZSQLQuery& q = Query("SELECT * FROM no_such_table");
    try {
        q.Open();
        FAIL() << "opening a missing table should fail";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains("no_such_table")) << e.Message().toStdString();
    }
    EXPECT_FALSE(q.Active());
    q.SetSQLText("SELECT id FROM items");
    q.Open();
    EXPECT_EQ(q.RecordCount(), 3);

    TZSQLQuery& p = Query("SELECT id FROM items WHERE qty >= :low AND qty <= :high AND id >= :LOW ORDER BY id");
    ASSERT_EQ(p.Params().Count(), 2);
    p.ParamByName("low").SetValue(2);
    try {
        p.Open();
        FAIL() << "a parameter without a value should fail";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains("high")) << e.Message().toStdString();
    }
    EXPECT_FALSE(p.Active());
    EXPECT_THROW(p.ParamByName("nosuch"), EDatabaseError);
    p.ParamByName("HIGH").SetValue(3);
    p.Open();
    EXPECT_EQ(p.RecordCount(), 2);
    EXPECT_EQ(Id(p), 2);
    p.Close();
    p.ParamByName("low").SetValue(1);
    p.Open();
    EXPECT_EQ(p.RecordCount(), 3);
}

TEST_P(SqlQueryTest, ParametersOfEveryKindAndExecSQL)
{
    MakeItems(10);
    TZSQLQuery& cmd = Query("UPDATE items SET note = :note, born = :born WHERE qty > :qty OR name = :name");
    cmd.ParamByName("note").SetValue("bulk");
    cmd.ParamByName("born").SetValue(QDate(2001, 1, 1));
    cmd.ParamByName("qty").SetValue(8);
    cmd.ParamByName("name").SetValue("Item 1's"); // a quote in a value
    EXPECT_EQ(cmd.ExecSQL(), 2);
    EXPECT_EQ(cmd.RowsAffected(), 2);

    TZSQLQuery& q = Query("SELECT id, born FROM items WHERE note = :note AND born = :born -- trailing comment\n;");
    q.ParamByName("note").SetValue("bulk");
    q.ParamByName("born").SetValue(QDate(2001, 1, 1));
    q.SetPacketRecords(1);
    q.Open();
    EXPECT_EQ(q.RecordCount(), 2);
    EXPECT_EQ(q.FieldByName("born")->GetValue(), QVariant(QDate(2001, 1, 1)));

    TZSQLQuery& nulls = Query("SELECT id FROM items WHERE (:n IS NULL AND note IS NULL) ORDER BY id");
    nulls.ParamByName("n").Clear();
    nulls.Open();
    EXPECT_EQ(nulls.RecordCount(), 8);

    TZSQLQuery& bad = Query("UPDATE items SET qty = -1");
    EXPECT_THROW(bad.ExecSQL(), EDatabaseError);
    EXPECT_EQ(Scalar(Db(), "SELECT MIN(qty) FROM items").toInt(), 1);
}

TEST_P(SqlQueryTest, SqlPropertyRewrittenWhileOpen)
{
    MakeItems(25);
    TZSQLQuery& q = Query("SELECT id, name FROM items\nORDER BY id");
    q.SetPacketRecords(7);
    TLinked linked(q);
    q.Open();
    q.MoveBy(9);
    const QVariant key = q.GetFieldValue("id");

    // What the grid does to sort: read "SQL" by name, rewrite the ORDER BY, write it back, reopen, find the key.
    const int index = q.metaObject()->indexOfProperty("SQL");
    ASSERT_GE(index, 0);
    QStringList sql = q.property("SQL").toStringList();
    ASSERT_EQ(sql.size(), 2);
    sql[1] = "ORDER BY id DESC";
    q.Close();
    ASSERT_TRUE(q.setProperty("SQL", sql));
    q.Open();
    EXPECT_EQ(Id(q), 25);
    ASSERT_TRUE(q.Locate("id", key));
    EXPECT_EQ(Id(q), 10);
    EXPECT_EQ(q.RecNo(), 16);

    // Writing SQL while open closes the query; it opens again on request.
    q.setProperty("SQL", QStringList{"SELECT id, name FROM items WHERE id <= 3"});
    EXPECT_FALSE(q.Active());
    q.Open();
    EXPECT_EQ(q.RecordCount(), 3);
    EXPECT_STREQ(q.metaObject()->className(), "zdb::TZSQLQuery");
}

// ---------------------------------------------------------------------------
// Counting, filters, Locate, lookups

TEST_P(SqlQueryTest, RecordCountWithAndWithoutRecordFilter)
{
    MakeItems(40);
    TZSQLQuery& q = Query("SELECT id, qty, flag FROM items ORDER BY id");
    q.SetPacketRecords(5);
    q.SetServerFiltering(false); // the filter evaluated on the client (the server counts otherwise)
    q.Open();
    EXPECT_EQ(q.RecordCount(), 40);
    EXPECT_EQ(q.FetchedRecordCount(), 5) << "counting does not fetch";

    q.SetFilter("qty > 30");
    q.SetFiltered(true);
    EXPECT_EQ(Id(q), 31);
    EXPECT_EQ(q.RecNo(), 1);
    EXPECT_EQ(q.RecordCount(), -1) << "unknown until everything is fetched";
    q.Last();
    EXPECT_EQ(q.RecordCount(), 10);
    EXPECT_EQ(q.RecNo(), 10);
    q.SetRecNo(3);
    EXPECT_EQ(Id(q), 33);
    q.SetFiltered(false);
    EXPECT_EQ(q.RecordCount(), 40);
}

TEST_P(SqlQueryTest, LocateBeyondTheFetchedRows)
{
    MakeItems(60);
    TZSQLQuery& q = Query("SELECT id, name, qty FROM items ORDER BY id");
    q.SetPacketRecords(10);
    TLinked linked(q);
    q.Open();
    EXPECT_TRUE(q.Locate("name", "Item 47"));
    EXPECT_EQ(Id(q), 47);
    EXPECT_EQ(q.RecNo(), 47);
    EXPECT_TRUE(q.Locate("name;qty", QVariantList{"item 5", 5}, TLocateOptions(loCaseInsensitive)));
    EXPECT_EQ(Id(q), 5);
    EXPECT_TRUE(q.Locate("name", "item 3", TLocateOptions(loCaseInsensitive) | loPartialKey));
    EXPECT_EQ(Id(q), 3);
    EXPECT_FALSE(q.Locate("name", "Nobody"));
    EXPECT_EQ(Id(q), 3) << "a failed Locate keeps the position";
    const std::vector<int> window = WindowIds(linked.link);
    EXPECT_EQ(window[size_t(linked.link.ActiveRecord())], 3);
}

TEST_P(SqlQueryTest, LookupFieldsReadAnotherQuery)
{
    MakeItems(4);
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE orders (id INTEGER PRIMARY KEY, item_id INTEGER, amount INTEGER)"));
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO orders VALUES (1, 3, 10), (2, 1, 20), (3, 4, 30), (4, NULL, 40)"));
    TZSQLQuery& items = Query("SELECT id, name FROM items");
    items.SetPacketRecords(2);
    items.Open();
    TZSQLQuery& orders = Query("SELECT id, item_id, amount FROM orders ORDER BY id");
    auto lookup = std::make_unique<TWideStringField>();
    lookup->SetFieldName("item_name");
    lookup->SetFieldKind(fkLookup);
    lookup->SetLookupDataSet(&items);
    lookup->SetKeyFields("item_id");
    lookup->SetLookupKeyFields("id");
    lookup->SetLookupResultField("name");
    orders.AddField(std::move(lookup));
    orders.Open();
    std::vector<QString> names;
    for (; !orders.Eof(); orders.Next())
        names.push_back(orders.FieldByName("item_name")->AsString());
    EXPECT_EQ(names, (std::vector<QString>{"Item 3", "Item 1", "Item 4", ""}));

    // Editing the key changes the looked-up value.
    orders.First();
    orders.Edit();
    orders.FieldByName("item_id")->SetValue(2);
    EXPECT_EQ(orders.FieldByName("item_name")->AsString(), "Item 2");
    orders.Post();
    EXPECT_EQ(Scalar(Db(), "SELECT item_id FROM orders WHERE id = 1").toInt(), 2);
}

// ---------------------------------------------------------------------------
// Master/detail

TEST_P(SqlQueryTest, ADetailQueryFollowsItsMasterThroughItsParameters)
{
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE orders (id INTEGER PRIMARY KEY, name VARCHAR(20))"));
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO orders VALUES (1, 'A'), (2, 'B'), (3, 'C'), (4, 'D')"));
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE lines (id INTEGER PRIMARY KEY, order_id INTEGER, qty INTEGER)"));
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO lines VALUES (1, 1, 5), (2, 1, 7), (3, 2, 1), (4, 3, 9),"
                              " (5, 3, 2), (6, 3, 8)"));
    TZSQLQuery& orders = Query("SELECT id, name FROM orders ORDER BY id");
    TLinked master(orders);
    orders.Open();
    TZSQLQuery& lines = Query("SELECT id, order_id, qty FROM lines WHERE order_id = :id AND qty >= :least ORDER BY id");
    lines.ParamByName("least").SetValue(3);
    lines.setProperty("DataSource", QVariant::fromValue<QObject*>(&master.source));
    EXPECT_EQ(lines.property("DataSource").value<QObject*>(), &master.source);
    lines.SetMasterDelay(30);
    TLinked detail(lines);
    int opened = 0;
    lines.AfterOpen = [&opened](TDataSet*) { ++opened; };
    auto lineIds = [&] { return WindowIds(detail.link); };
    auto waitForDetail = [&] { QTest::qWait(150); };

    lines.Open(); // at once, from the master's current record
    EXPECT_EQ(lineIds(), (std::vector<int>{1, 2}));

    // Scrolling runs the statement after the master rests, once for a burst of moves.
    opened = 0;
    orders.Next();
    EXPECT_EQ(lineIds(), (std::vector<int>{1, 2})) << "not before the delay";
    for (int i = 0; i < 10; ++i) {
        orders.Next();
        orders.Prior();
    }
    orders.Next();
    waitForDetail();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(lineIds(), (std::vector<int>{4, 6})) << "the other parameter keeps its value";
    EXPECT_EQ(Id(orders), 3) << "the detail never moves its master";
    orders.Next();
    waitForDetail();
    EXPECT_TRUE(lines.IsEmpty());
    EXPECT_EQ(opened, 2);

    // An edit of the linking field of the master is followed; its cancelling too.
    orders.First();
    waitForDetail();
    orders.Edit();
    orders.FieldByName("id")->SetValue(3);
    waitForDetail();
    EXPECT_EQ(lineIds(), (std::vector<int>{4, 6}));
    orders.Cancel();
    waitForDetail();
    EXPECT_EQ(lineIds(), (std::vector<int>{1, 2}));

    // A pending edit of the detail is posted before the master moves.
    lines.Edit();
    lines.FieldByName("qty")->SetValue(70);
    orders.Next();
    EXPECT_EQ(lines.State(), dsBrowse);
    EXPECT_EQ(Scalar(Db(), "SELECT qty FROM lines WHERE id = 1").toInt(), 70);

    // Closing the master empties the detail at once, opening it fills it at once.
    orders.Close();
    EXPECT_TRUE(lines.Active());
    EXPECT_TRUE(lines.IsEmpty());
    EXPECT_TRUE(lines.ParamByName("id").IsNull());
    orders.Open();
    EXPECT_EQ(lineIds(), (std::vector<int>{1, 2}));
    lines.SetDataSource(nullptr);
}

// ---------------------------------------------------------------------------
// Connection behaviour

TEST_P(SqlQueryTest, TransactionsOnTheConnectionDoNotDisturbFetching)
{
    MakeItems(30);
    TZSQLQuery& q = Query("SELECT id, name, qty FROM items ORDER BY id");
    q.SetPacketRecords(5);
    q.Open();
    ASSERT_TRUE(Db().transaction());
    q.Edit();
    q.FieldByName("qty")->SetValue(1000);
    q.Post();
    ASSERT_TRUE(Db().commit()) << Db().lastError().text().toStdString();
    EXPECT_EQ(Scalar(Db(), "SELECT qty FROM items WHERE id = 1").toInt(), 1000);
    int rows = 0;
    for (q.First(); !q.Eof(); q.Next())
        ++rows;
    EXPECT_EQ(rows, 30);
}

TEST_P(SqlQueryTest, RollbackOnTheConnectionWhileFetching)
{
    MakeItems(30);
    TZSQLQuery& q = Query("SELECT id, name, qty FROM items ORDER BY id");
    q.SetPacketRecords(5);
    q.Open();
    ASSERT_TRUE(Db().transaction());
    ASSERT_TRUE(ExecSql(Db(), "UPDATE items SET qty = 1000 WHERE id = 20"));
    ASSERT_TRUE(Db().rollback()) << Db().lastError().text().toStdString();
    int rows = 0;
    for (q.First(); !q.Eof(); q.Next())
        ++rows;
    EXPECT_EQ(rows, 30);
}

TEST_P(SqlQueryTest, TransactionRollbackPutsTheRowsBack)
{
    MakeItems(20);
    TZSQLQuery& q = Query("SELECT id, name FROM items ORDER BY id");
    q.SetPacketRecords(5);
    TLinked linked(q);
    q.Open();
    auto ids = [&] { return AllIds(q); };
    const std::vector<int> before = ids();
    q.First();
    q.MoveBy(3); // id 4
    const TBookmark four = q.GetBookmark();

    q.StartTransaction();
    EXPECT_THROW(q.StartTransaction(), EDatabaseError);
    EditDeleteAndInsert(q);
    q.Rollback();
    EXPECT_FALSE(q.InTransaction());
    EXPECT_EQ(Scalar(Db(), "SELECT COUNT(*) FROM items").toInt(), 20);
    EXPECT_EQ(Scalar(Db(), "SELECT name FROM items WHERE id = 4").toString(), "Item 4");
    EXPECT_EQ(q.RecordCount(), 20);
    EXPECT_EQ(ids(), before);
    q.GotoBookmark(four);
    EXPECT_EQ(Id(q), 4);
    EXPECT_EQ(q.FieldByName("name")->AsString(), "Item 4");

    q.StartTransaction();
    q.Delete();
    q.Commit();
    EXPECT_EQ(Scalar(Db(), "SELECT COUNT(*) FROM items").toInt(), 19);
    EXPECT_EQ(q.RecordCount(), 19);
    EXPECT_THROW(q.Rollback(), EDatabaseError); // none active
    // Inside the application's own transaction on the connection: refused, nothing ended.
    ASSERT_TRUE(Db().transaction());
    EXPECT_THROW(q.StartTransaction(), EDatabaseError);
    EXPECT_TRUE(Db().rollback());

    // Every row deleted, then put back.
    const std::vector<int> kept = ids();
    q.StartTransaction();
    while (!q.IsEmpty())
        q.Delete();
    q.Rollback();
    EXPECT_FALSE(q.IsEmpty());
    EXPECT_EQ(ids(), kept);
}

TEST_P(SqlQueryTest, RollbackAfterTheRowsWereReadAgainShowsTheDatabase)
{
    MakeItems(12);
    TZSQLQuery& q = Query("SELECT id, name FROM items ORDER BY id");
    q.SetPacketRecords(-1); // read on the connection itself, which sees the transaction's changes
    TLinked linked(q);
    q.Open();
    auto ids = [&] { return AllIds(q); };
    const std::vector<int> before = ids();

    // Changes, a refresh that reads them back, another change, a rollback.
    q.StartTransaction();
    q.First();
    q.MoveBy(3); // id 4
    EditDeleteAndInsert(q);
    q.Refresh();
    q.Locate("id", 7, {});
    q.Delete();
    q.Locate("id", 4, {});
    q.Rollback();
    EXPECT_EQ(Id(q), 4) << "the record stays where it was";
    EXPECT_EQ(q.FieldByName("name")->AsString(), "Item 4");
    EXPECT_EQ(q.RecordCount(), 12);
    EXPECT_EQ(ids(), before);

    // Reopened inside the transaction, as a detail following its master does.
    q.StartTransaction();
    q.First();
    q.Delete();
    q.Close();
    q.Open();
    q.Rollback();
    EXPECT_EQ(ids(), before);
}

TEST_P(SqlQueryTest, DestroyingAQueryEndsItsTransaction)
{
    MakeItems(3);
    {
        TZSQLQuery q;
        q.SetConnection(Db());
        q.SetSQLText("SELECT id, name FROM items ORDER BY id");
        q.Open();
        q.StartTransaction();
        q.Edit();
        q.FieldByName("name")->SetValue("Changed");
        q.Post();
    }
    EXPECT_EQ(Scalar(Db(), "SELECT name FROM items WHERE id = 1").toString(), "Item 1");
    ASSERT_TRUE(Db().transaction()) << "none left open";
    EXPECT_TRUE(Db().rollback());
}

TEST_P(SqlQueryTest, AMasterSourceGoingAwayWhileTheDetailCannotPost)
{
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE orders (id INTEGER PRIMARY KEY, name VARCHAR(20))"));
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO orders VALUES (1, 'A'), (2, 'B')"));
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE lines (id INTEGER PRIMARY KEY, order_id INTEGER, qty INTEGER NOT NULL)"));
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO lines VALUES (1, 1, 5)"));
    TZSQLQuery& orders = Query("SELECT id, name FROM orders ORDER BY id");
    TZSQLQuery& lines = Query("SELECT id, order_id, qty FROM lines WHERE order_id = :id ORDER BY id");
    auto master = std::make_unique<TDataSource>();
    master->SetDataSet(&orders);
    orders.Open();
    lines.SetDataSource(master.get());
    lines.Open();
    lines.Insert();
    lines.FieldByName("id")->SetValue(9); // qty stays empty: the row cannot be posted

    int reported = 0;
    const TApplicationExceptionEvent saved = OnApplicationException;
    OnApplicationException = [&reported](QWidget*, std::exception_ptr) { ++reported; };
    master.reset();
    OnApplicationException = saved;
    EXPECT_GE(reported, 1);
    EXPECT_EQ(lines.State(), dsInsert) << "the pending row is kept";
    lines.Cancel();
    EXPECT_EQ(Scalar(Db(), "SELECT COUNT(*) FROM lines").toInt(), 1);
}

TEST_P(SqlQueryTest, RefreshReadsAgainAndKeepsTheRecord)
{
    MakeItems(20);
    TZSQLQuery& q = Query("SELECT id, name FROM items ORDER BY id");
    q.SetPacketRecords(4);
    q.Open();
    q.MoveBy(9);
    ASSERT_TRUE(ExecSql(Db(), "UPDATE items SET name = 'Outside' WHERE id = 10"));
    ASSERT_TRUE(ExecSql(Db(), "DELETE FROM items WHERE id = 2"));
    q.Refresh();
    EXPECT_EQ(Id(q), 10);
    EXPECT_EQ(q.FieldByName("name")->AsString(), "Outside");
    EXPECT_EQ(q.RecNo(), 9);
    EXPECT_EQ(q.RecordCount(), 19);
}

INSTANTIATE_TEST_SUITE_P(Databases, SqlQueryTest, ::testing::Values(TBackend::Sqlite, TBackend::Postgres),
                         BackendName);

// ---------------------------------------------------------------------------
// A million rows, built once per database

class SqlQueryLargeTest : public ::testing::TestWithParam<TBackend> {
protected:
    static constexpr int Rows = 1000000;
    static void SetUpTestSuite() {}
    static void TearDownTestSuite()
    {
        FSqlite.reset();
        FPg.reset();
    }
    // The connection with the big table, made on first use.
    TTestConnection* Conn()
    {
        std::unique_ptr<TTestConnection>& conn = GetParam() == TBackend::Sqlite ? FSqlite : FPg;
        if (!conn) {
            conn = std::make_unique<TTestConnection>(GetParam());
            if (conn->IsOpen()) {
                QSqlQuery q(conn->Db());
                bool ok;
                if (conn->Sqlite())
                    ok = q.exec("CREATE TABLE big (id INTEGER PRIMARY KEY, name VARCHAR(40), qty INTEGER)")
                         && q.exec(QStringLiteral("WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r"
                                                  " WHERE x < %1) INSERT INTO big SELECT x, 'Item ' || x, x FROM r")
                                       .arg(Rows));
                else // the key is added after the rows: one index build instead of a million inserts
                    ok = q.exec("CREATE TABLE big (id INTEGER, name VARCHAR(40), qty INTEGER)")
                         && q.exec(QStringLiteral("INSERT INTO big SELECT x, 'Item ' || x, x"
                                                  " FROM generate_series(1, %1) x").arg(Rows))
                         && q.exec("ALTER TABLE big ADD PRIMARY KEY (id)");
                if (!ok)
                    ADD_FAILURE() << q.lastError().text().toStdString();
            }
        }
        return conn.get();
    }
    void SetUp() override
    {
        TTestConnection* conn = Conn();
        if (conn->NoServer())
            GTEST_SKIP() << conn->ErrorText().toStdString();
        ASSERT_TRUE(conn->IsOpen()) << conn->ErrorText().toStdString();
    }
    // The whole big table in id order.
    void SelectBig(TZSQLQuery& q)
    {
        q.SetConnection(Conn()->Db());
        q.SetSQLText("SELECT id, name, qty FROM big ORDER BY id");
    }
    static std::unique_ptr<TTestConnection> FSqlite;
    static std::unique_ptr<TTestConnection> FPg;
};
std::unique_ptr<TTestConnection> SqlQueryLargeTest::FSqlite;
std::unique_ptr<TTestConnection> SqlQueryLargeTest::FPg;

TEST_P(SqlQueryLargeTest, OpeningFetchesOnlyTheFirstPackets)
{
    TZSQLQuery q;
    SelectBig(q);
    TLinked linked(q, 25);
    q.Open();
    for (int i = 1; i <= 30; ++i) {
        ASSERT_EQ(Id(q), i);
        q.Next();
    }
    EXPECT_LE(q.FetchedRecordCount(), 200) << "only the packets the window needs";
    EXPECT_EQ(q.RecordCount(), Rows);
    EXPECT_LE(q.FetchedRecordCount(), 200) << "counting does not fetch";

    q.Last();
    EXPECT_EQ(Id(q), Rows);
    EXPECT_EQ(q.FieldByName("name")->AsString(), QStringLiteral("Item %1").arg(Rows));
    EXPECT_EQ(q.RecNo(), Rows);
    EXPECT_LE(q.FetchedRecordCount(), 400) << "the last rows without the rows in between";
    EXPECT_EQ(q.RecordCount(), Rows);
    q.Prior();
    EXPECT_EQ(Id(q), Rows - 1);
}

TEST_P(SqlQueryLargeTest, DeepAndMissingKeysOfALocate)
{
    TZSQLQuery q;
    SelectBig(q);
    TLinked linked(q, 25);
    q.Open();
    EXPECT_TRUE(q.Locate("id", 250000));
    EXPECT_EQ(q.RecNo(), 250000);
    EXPECT_LE(q.FetchedRecordCount(), 260000);
    EXPECT_TRUE(q.Locate("name", QStringLiteral("Item 12")));
    EXPECT_EQ(Id(q), 12);

    // A key no row has: PostgreSQL answers in the cursor's snapshot, the rest stays unread.
    const int fetched = q.FetchedRecordCount();
    EXPECT_FALSE(q.Locate("id", -4));
    EXPECT_FALSE(q.Lookup("name;qty", QVariantList{QStringLiteral("Item 7"), 8}, "id").isValid());
    EXPECT_EQ(Id(q), 12);
    EXPECT_EQ(q.FetchedRecordCount(), fetched);
    // Rows changed here are found among those read, not by the server's snapshot.
    q.Locate("id", 3);
    q.Edit();
    q.FieldByName("qty")->SetValue(-77);
    q.Post();
    EXPECT_TRUE(q.Locate("qty", -77));
    EXPECT_EQ(Id(q), 3);
}

// Rows this query changed, inserted and deleted are set apart from the server's answers and
// compared as they show, so Locate and Lookup still go through the server (PostgreSQL's
// snapshot). SQLite's live table holds them at its own places: it reads the rows from the
// first until the query runs again, which the smaller tests cover.
TEST_P(SqlQueryLargeTest, LocateAfterEditsHere)
{
    if (Conn()->Sqlite())
        GTEST_SKIP() << "SQLite reads the rows from the first once the query wrote a row";
    TZSQLQuery q;
    SelectBig(q);
    TLinked linked(q, 25);
    q.Open();
    q.StartTransaction(); // the table stays as it was for the other tests
    ASSERT_TRUE(q.Locate("id", 500000));
    q.Edit();
    q.FieldByName("qty")->SetValue(Rows - 1);
    q.Post();
    q.Append();
    q.FieldByName("id")->SetValue(Rows + 1);
    q.FieldByName("name")->SetValue("Added");
    q.FieldByName("qty")->SetValue(42);
    q.Post();
    ASSERT_TRUE(q.Locate("id", 7));
    q.Delete();

    const int fetched = q.FetchedRecordCount();
    EXPECT_TRUE(q.Locate("qty", Rows - 1)) << "the changed row comes before the server's row";
    EXPECT_EQ(Id(q), 500000);
    EXPECT_EQ(q.RecNo(), 499999);
    EXPECT_FALSE(q.Locate("qty", 500000)) << "its value before the change";
    EXPECT_FALSE(q.Locate("id", 7));
    EXPECT_TRUE(q.Locate("qty", 42));
    EXPECT_EQ(Id(q), 42);
    EXPECT_TRUE(q.Locate("name", QStringLiteral("Added")));
    EXPECT_EQ(Id(q), Rows + 1);
    EXPECT_EQ(q.RecNo(), Rows);
    EXPECT_TRUE(q.Locate("id", Rows - 5));
    EXPECT_EQ(q.RecNo(), Rows - 6);
    EXPECT_EQ(q.Lookup("id", 500000, "qty").toInt(), Rows - 1);
    EXPECT_EQ(q.Lookup("qty", 42, "id").toInt(), 42);
    EXPECT_LE(q.FetchedRecordCount() - fetched, 2000) << "answered by the server, not by reading the rows";
    q.Rollback();
}

TEST_P(SqlQueryLargeTest, EditsDeepInsideAFreshQuery)
{
    TZSQLQuery q;
    q.SetConnection(Conn()->Db());
    q.SetSQLText("SELECT id, name, qty FROM big WHERE id > :from ORDER BY id");
    q.ParamByName("from").SetValue(Rows - 100);
    q.Open();
    EXPECT_EQ(q.RecordCount(), 100);
    q.Next();
    q.Edit();
    q.FieldByName("qty")->SetValue(5);
    q.Post();
    EXPECT_EQ(Scalar(Conn()->Db(), QStringLiteral("SELECT qty FROM big WHERE id = %1").arg(Rows - 98)).toInt(), 5);
}

INSTANTIATE_TEST_SUITE_P(Databases, SqlQueryLargeTest, ::testing::Values(TBackend::Sqlite, TBackend::Postgres),
                         BackendName);

// ---------------------------------------------------------------------------
// SQLite: dynamically typed storage

class SqlQuerySqliteTest : public zdb::test::SqliteTest {};

TEST_F(SqlQuerySqliteTest, DateTextsAndNumbersAreReadAsDates)
{
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE d (k DATE PRIMARY KEY, dt DATETIME, t TIME, f BOOLEAN, m MONEY)"));
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO d VALUES ('2024-03-05', '2024-03-05T10:11:12.250', '08:09', 'true', 1.5),"
                              " ('2024-03-06', 2460375.25, '23:59:59.5', 0, '2.25'),"
                              " ('2024-03-07', 1709769600, NULL, 'no', NULL)"));
    TZSQLQuery q;
    q.SetConnection(Db());
    q.SetSQLText("SELECT * FROM d ORDER BY k");
    q.Open();
    EXPECT_EQ(q.FieldByName("m")->DataType(), ftCurrency);
    EXPECT_EQ(q.FieldByName("k")->GetValue(), QVariant(QDate(2024, 3, 5)));
    EXPECT_EQ(q.FieldByName("dt")->GetValue().toDateTime(), QDateTime(QDate(2024, 3, 5), QTime(10, 11, 12, 250)));
    EXPECT_EQ(q.FieldByName("t")->GetValue(), QVariant(QTime(8, 9)));
    EXPECT_EQ(q.FieldByName("f")->GetValue(), QVariant(true));
    q.Next();
    EXPECT_EQ(q.FieldByName("dt")->GetValue().toDateTime(), QDateTime(QDate(2024, 3, 5), QTime(18, 0), Qt::UTC))
        << "a real number is a Julian day number";
    EXPECT_EQ(q.FieldByName("t")->GetValue(), QVariant(QTime(23, 59, 59, 500)));
    EXPECT_EQ(q.FieldByName("f")->GetValue(), QVariant(false));
    EXPECT_DOUBLE_EQ(q.FieldByName("m")->AsFloat(), 2.25);
    q.Next();
    EXPECT_EQ(q.FieldByName("dt")->GetValue().toDateTime().toUTC().date(), QDate(2024, 3, 7)) << "an integer is Unix time";
    EXPECT_TRUE(q.FieldByName("t")->IsNull());

    // A date key stored as text is found again for the update.
    q.Edit();
    q.FieldByName("k")->SetValue(QDate(2025, 1, 1));
    q.FieldByName("f")->SetValue(true);
    q.Post();
    EXPECT_EQ(Scalar(Db(), "SELECT f FROM d WHERE k = '2025-01-01'").toInt(), 1);
    q.Edit();
    q.FieldByName("t")->SetValue(QTime(1, 2, 3));
    q.Post();
    EXPECT_EQ(Scalar(Db(), "SELECT t FROM d WHERE k = '2025-01-01'").toString(), "01:02:03");
}

TEST_F(SqlQuerySqliteTest, EveryStoredDateFormReadsAsQtsIsoParserReadsIt)
{
    // With and without fractions, "T" or a blank, a zone, impossible values, blanks around.
    const QStringList texts = {"2024-03-05", " 2024-03-05 ", "2024-03-05 10:11:12", "2024-03-05T10:11:12.250",
                               "2024-03-05 10:11:12.5", "2024-03-05T10:11:12Z", "2024-03-05 24:00:00",
                               "2024-02-30", "2024-03-05 25:00:00", "0000-01-01", "2024/03/05"};
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE d (n INTEGER PRIMARY KEY, k DATE, dt DATETIME)"));
    for (int i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(ExecSql(Db(), QStringLiteral("INSERT INTO d VALUES (%1, '%2', '%2')").arg(i).arg(texts[i])));
    TZSQLQuery q;
    q.SetConnection(Db());
    q.SetSQLText("SELECT * FROM d ORDER BY n");
    q.Open();
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        QString iso = text.trimmed();
        if (iso.size() > 10 && iso[10] == u' ')
            iso[10] = u'T';
        const QDateTime parsed = QDateTime::fromString(iso, Qt::ISODateWithMs);
        const QDateTime read = q.FieldByName("dt")->GetValue().toDateTime();
        EXPECT_EQ(q.FieldByName("k")->GetValue(), parsed.isValid() ? QVariant(parsed.date()) : QVariant(text));
        EXPECT_EQ(read, parsed);
        EXPECT_EQ(read.timeSpec(), parsed.timeSpec());
        q.Next();
    }
}

TEST_F(SqlQuerySqliteTest, RowidAsKeyOfATableWithoutPrimaryKey)
{
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE plain (v VARCHAR(10))"));
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO plain VALUES ('a'), ('b')"));
    TZSQLQuery q;
    q.SetConnection(Db());
    q.SetSQLText("SELECT rowid, v FROM plain ORDER BY rowid");
    q.SetKeyFields("rowid");
    q.Open();
    ASSERT_TRUE(q.CanModify());
    EXPECT_TRUE(q.FieldByName("rowid")->GetReadOnly());
    q.Next();
    q.Edit();
    q.FieldByName("v")->SetValue("B");
    q.Post();
    q.Append();
    q.FieldByName("v")->SetValue("c");
    q.Post();
    EXPECT_EQ(q.FieldByName("rowid")->AsInteger(), 3);
    EXPECT_EQ(Scalar(Db(), "SELECT group_concat(v, ',') FROM (SELECT v FROM plain ORDER BY rowid)").toString(), "a,B,c");
}

// ---------------------------------------------------------------------------
// SQL text helpers

TEST(SqlText, ParamsSkipStringsCommentsAndCasts)
{
    const QString sql = "SELECT ':no', \":no\", x::int, $q$ :no $q$ FROM t -- :no\n"
                        "WHERE a = :one AND b = :Two /* :no */ AND c = :one";
    EXPECT_EQ(SqlParamNames(sql), (QStringList{"one", "Two", "one"}));
    EXPECT_EQ(StripSqlTerminator("SELECT 1 ; ;  -- done\n"), "SELECT 1");
}

TEST(SqlText, CountingDropsAnOrderOnlyWhereTheRowsStayTheSame)
{
    EXPECT_EQ(SqlUnorderedText("SELECT a FROM t WHERE b > 1 ORDER BY a DESC, b").trimmed(),
              "SELECT a FROM t WHERE b > 1");
    EXPECT_EQ(SqlUnorderedText("SELECT a FROM t ORDER BY a;").trimmed(), "SELECT a FROM t;");
    // The order picks the rows a limit keeps, or belongs to a window or a subquery.
    for (const QString sql : {"SELECT a FROM t ORDER BY a LIMIT 10", "SELECT a FROM t ORDER BY a OFFSET 5",
                              "SELECT a FROM t ORDER BY a FOR UPDATE",
                              "SELECT a, row_number() OVER (ORDER BY b) FROM t",
                              "SELECT * FROM (SELECT a FROM t ORDER BY a LIMIT 3) s"})
        EXPECT_EQ(SqlUnorderedText(sql), sql);
}

TEST(SqlText, AnalyzeSelectRecognisesSimpleSelects)
{
    TSqlSelectInfo info = AnalyzeSelect("SELECT t.id, name AS n, qty q, price * 2 AS p, x.* FROM main.items t WHERE id > 1 ORDER BY 2");
    EXPECT_TRUE(info.Simple);
    ASSERT_EQ(info.Tables.size(), 1u);
    EXPECT_EQ(info.Tables[0].NameParts, (QStringList{"main", "items"}));
    EXPECT_EQ(info.Tables[0].Alias, "t");
    ASSERT_EQ(info.Items.size(), 5u);
    EXPECT_EQ(info.Items[0].Qualifier, "t");
    EXPECT_EQ(info.Items[0].Column, "id");
    EXPECT_EQ(info.Items[1].Column, "name");
    EXPECT_EQ(info.Items[1].Alias, "n");
    EXPECT_EQ(info.Items[2].Alias, "q");
    EXPECT_TRUE(info.Items[3].Expression);
    EXPECT_TRUE(info.Items[4].Star);
    EXPECT_EQ(info.Items[4].Qualifier, "x");

    EXPECT_FALSE(AnalyzeSelect("SELECT a FROM t JOIN u ON u.id = t.id").Simple);
    EXPECT_FALSE(AnalyzeSelect("SELECT a FROM t, u").Simple);
    EXPECT_FALSE(AnalyzeSelect("SELECT max(a) FROM t").Simple);
    EXPECT_TRUE(AnalyzeSelect("SELECT a, row_number() OVER (ORDER BY a) FROM t").Simple);
    EXPECT_TRUE(AnalyzeSelect("SELECT a FROM t WHERE b = 1 FOR UPDATE").Locking);
    EXPECT_FALSE(AnalyzeSelect("SELECT a FROM t GROUP BY a").Simple);
    EXPECT_FALSE(AnalyzeSelect("SELECT a FROM t UNION SELECT a FROM u").Simple);
    EXPECT_FALSE(AnalyzeSelect("SELECT a FROM (SELECT a FROM t) s").Simple);
    EXPECT_TRUE(AnalyzeSelect("select \"A b\" from \"My Table\" where (select 1) = 1").Simple);
    EXPECT_FALSE(AnalyzeSelect("WITH x AS (SELECT 1) SELECT * FROM x").Simple);
    EXPECT_TRUE(AnalyzeSelect("WITH x AS (SELECT 1) SELECT * FROM x").IsSelect);
    EXPECT_FALSE(AnalyzeSelect("UPDATE t SET a = 1").IsSelect);
}

} // namespace

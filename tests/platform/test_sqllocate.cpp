// TZSQLQuery: Locate and Lookup answered by the server give what reading and comparing
// the rows gives (SetServerSearch(false)), on SQLite and PostgreSQL.

#include "TestDb.h"
#include "ZDBSQLQuery.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include <memory>

using namespace zdb;
using zdb::test::ExecSql;

namespace {

constexpr int PlainRows = 200;
// Names a LIKE pattern or an SQL text could take for something else; the long s and the
// Kelvin sign equal "s" and "k" when case is ignored.
const QStringList SpecialNames{"O'Brien", "100%", "100_", "a_b", "axb", "back\\slash", "x!y", "MiXeD",
                               QStringLiteral("\u017Fun"), QStringLiteral("\u212Aelvin"), "Item 50"};

class SqlLocateTest : public zdb::test::BackendTest {
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(ExecSql(Db(), QStringLiteral("CREATE TABLE items (id INTEGER PRIMARY KEY, name VARCHAR(40),"
                                                 " qty INTEGER, born DATE, stamp %1, flag BOOLEAN, at TIME)")
                                      .arg(Sqlite() ? "DATETIME" : "TIMESTAMP")));
        Db().transaction();
        QSqlQuery insert(Db());
        insert.prepare("INSERT INTO items VALUES (?, ?, ?, ?, ?, ?, ?)");
        const int count = PlainRows + int(SpecialNames.size()) + 1;
        for (int id = 1; id <= count; ++id) {
            const int special = id - PlainRows - 1;
            const QDateTime stamp = QDateTime(QDate(2024, 1, 1), QTime(0, 0)).addSecs(id * 3700);
            QString stampText = stamp.toString(id % 3 ? "yyyy-MM-dd HH:mm:ss" : "yyyy-MM-ddTHH:mm:ss.zzz");
            insert.addBindValue(id);
            insert.addBindValue(special < 0 ? QVariant(QStringLiteral("Item %1").arg(id)) : SpecialNames.value(special));
            insert.addBindValue(id == count ? QVariant() : QVariant(id));
            insert.addBindValue(QDate(2024, 1, 1).addDays(id % 150).toString(Qt::ISODate));
            insert.addBindValue(stampText);
            insert.addBindValue(Sqlite() ? QVariant(id % 7 == 0 ? 1 : 0) : QVariant(id % 7 == 0));
            insert.addBindValue(QTime(8, 0).addMSecs(id * 61001).toString("HH:mm:ss.zzz"));
            ASSERT_TRUE(insert.exec()) << insert.lastError().text().toStdString();
        }
        Db().commit();
    }
    void TearDown() override { FQueries.clear(); }

    TZSQLQuery& Make(bool server, const QString& sql)
    {
        FQueries.push_back(std::make_unique<TZSQLQuery>());
        TZSQLQuery& q = *FQueries.back();
        q.SetConnection(Db());
        q.SetSQLText(sql);
        q.SetPacketRecords(10);
        q.SetServerSearch(server);
        return q;
    }
    TZSQLQuery& Open(bool server, const QString& sql = "SELECT * FROM items ORDER BY qty, id")
    {
        TZSQLQuery& q = Make(server, sql);
        q.Open();
        return q;
    }
    static int Id(const TDataSet& ds) { return ds.FieldByName("id")->AsInteger(); }
    // Table big: ids 1 to `rows`, names "Name <id>".
    bool CreateBig(int rows)
    {
        return ExecSql(Db(), "CREATE TABLE big (id INTEGER PRIMARY KEY, name VARCHAR(40))")
               && ExecSql(Db(), Sqlite() ? QStringLiteral("WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r"
                                                          " WHERE x < %1) INSERT INTO big SELECT x, 'Name ' || x FROM r")
                                               .arg(rows)
                                         : QStringLiteral("INSERT INTO big SELECT x, 'Name ' || x FROM "
                                                          "generate_series(1, %1) x")
                                               .arg(rows));
    }

    std::vector<std::unique_ptr<TZSQLQuery>> FQueries;
};

struct TCase {
    QString Fields;
    QVariant Keys;
    TLocateOptions Options;
    bool Server = true; // whether the server can answer
};

TEST_P(SqlLocateTest, ServerAndScanFindTheSameRows)
{
    const QDateTime stamp = QDateTime(QDate(2024, 1, 1), QTime(0, 0)).addSecs(30 * 3700).toUTC();
    const TLocateOptions ci(loCaseInsensitive);
    const TLocateOptions partial(loPartialKey);
    const std::vector<TCase> cases{
        {"name", "O'Brien", {}}, {"name", "100%", {}}, {"name", "100_", {}}, {"name", "100", partial},
        {"name", "100_", partial}, {"name", "a_", partial}, {"name", "back\\", partial}, {"name", "x!", partial},
        {"name", "mixed", ci}, {"name", "MIX", ci | partial}, {"name", "SU", ci | partial}, {"name", "kelvin", ci},
        {"name", "o'brien", {}}, {"name", "%", partial}, {"name", "Item 50", {}}, {"name", QVariant(), {}},
        {"qty", QVariant(), {}}, {"qty", 7, {}}, {"qty", 7.0, {}}, {"qty", 7.5, {}, false}, {"qty", "7", {}, false},
        {"name;qty", QVariantList{"Item 150", 150}, {}}, {"name;qty", QVariantList{"Item 150", 151}, {}},
        {"qty;name", QVariantList{150, "ITEM 1"}, ci | partial}, {"born", QDate(2024, 1, 31), {}},
        {"born;flag", QVariantList{QDate(2024, 3, 19), false}, {}}, {"flag;qty", QVariantList{true, 14}, {}},
        {"stamp", stamp, {}}, {"stamp", stamp.addSecs(20), {}}, {"stamp", stamp.addMSecs(1), {}},
        {"at", QTime(8, 0).addMSecs(40 * 61001), {}}, {"at", QTime(8, 0).addMSecs(40 * 61001 + 1), {}},
        {"id", -4, {}}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 = %2").arg(c.Fields, QVariant(c.Keys).toString()).toStdString());
        TZSQLQuery& server = Open(true);
        TZSQLQuery& scan = Open(false);
        const QVariant looked = server.Lookup(c.Fields, c.Keys, "id;name");
        EXPECT_EQ(looked, scan.Lookup(c.Fields, c.Keys, "id;name"));
        const bool found = scan.Locate(c.Fields, c.Keys, c.Options);
        ASSERT_EQ(server.Locate(c.Fields, c.Keys, c.Options), found);
        EXPECT_EQ(Id(server), Id(scan));
        EXPECT_EQ(server.RecNo(), scan.RecNo());
        if (c.Server) {
            EXPECT_LE(server.FetchedRecordCount(), 30) << "the server found it, the rows before it stay unread";
        }
        FQueries.clear();
    }
}

TEST_P(SqlLocateTest, RowsChangedHereAndRecordFiltersGiveTheScanResult)
{
    for (const bool serverSearch : {true, false}) {
        SCOPED_TRACE(serverSearch ? "server" : "scan");
        // Each its own copy of the rows, keyed by id.
        const QString table = serverSearch ? "server_items" : "scan_items";
        ASSERT_TRUE(ExecSql(Db(), QStringLiteral("CREATE TABLE %1 AS SELECT * FROM items").arg(table)));
        TZSQLQuery& q = Make(serverSearch, QStringLiteral("SELECT * FROM %1 ORDER BY id").arg(table));
        q.SetKeyFields("id");
        q.Open();
        // Rows posted and deleted here are found as they are now, not as the cursor first saw them.
        ASSERT_TRUE(q.Locate("id", 5));
        q.Edit();
        q.FieldByName("name")->SetValue("Renamed");
        q.Post();
        ASSERT_TRUE(q.Locate("id", 6));
        q.Delete();
        q.Insert();
        q.FieldByName("id")->SetValue(900);
        q.FieldByName("name")->SetValue("Item 190");
        q.Post();
        EXPECT_FALSE(q.Lookup("name", "Item 5", "id").isValid());
        EXPECT_FALSE(q.Lookup("name", "Item 6", "id").isValid());
        EXPECT_FALSE(q.Locate("name", "Item 5"));
        EXPECT_EQ(q.Lookup("name", "Renamed", "id"), 5);
        EXPECT_EQ(q.Lookup("name", "Item 190", "id"), 900) << "the row inserted here comes first";
        EXPECT_EQ(q.Lookup("name", "Item 199", "qty"), 199);
        EXPECT_TRUE(q.Locate("name", "Item 19", TLocateOptions(loPartialKey)));
        EXPECT_EQ(Id(q), 900);

        // Only rows the filter accepts are found.
        q.OnFilterRecord = [](TDataSet* ds, bool& accept) { accept = ds->FieldByName("qty")->AsInteger() % 2 == 1; };
        q.SetFiltered(true);
        EXPECT_FALSE(q.Locate("name", "Item 150"));
        EXPECT_TRUE(q.Locate("name", "Item 15", TLocateOptions(loPartialKey)));
        EXPECT_EQ(Id(q), 15);
        EXPECT_FALSE(q.Lookup("qty", 170, "name").isValid());
        EXPECT_EQ(q.Lookup("qty", 171, "name"), "Item 171");
    }
}

TEST_P(SqlLocateTest, LookupsComeFromTheServerAndForgetWhatChanged)
{
    TZSQLQuery& items = Open(true, "SELECT id, name FROM items ORDER BY id");
    // A lookup field of another dataset reads the large query through the server.
    TZSQLQuery& orders = Make(true, "SELECT id, 212 - id AS item_id FROM items WHERE id <= 3 ORDER BY id");
    auto lookup = std::make_unique<TWideStringField>();
    lookup->SetFieldName("item_name");
    lookup->SetFieldKind(fkLookup);
    lookup->SetLookupDataSet(&items);
    lookup->SetKeyFields("item_id");
    lookup->SetLookupKeyFields("id");
    lookup->SetLookupResultField("name");
    orders.AddField(std::move(lookup));
    orders.Open();
    EXPECT_EQ(orders.FieldByName("item_name")->AsString(), "Item 50") << "the last special row";
    orders.Next();
    EXPECT_EQ(orders.FieldByName("item_name")->AsString(), QStringLiteral("\u212Aelvin"));
    EXPECT_EQ(items.FetchedRecordCount(), 10) << "the rows not read stay unread";
    EXPECT_EQ(items.RecNo(), 1);
    // A statement with texts of its own that look like placeholders, without a known order.
    TZSQLQuery& distinct = Open(true, "SELECT DISTINCT id, name FROM items WHERE name NOT LIKE '%1%2' ORDER BY id");
    EXPECT_EQ(distinct.Lookup("id", 150, "name"), "Item 150");
    EXPECT_FALSE(distinct.Lookup("id", 112, "name").isValid());
    EXPECT_EQ(distinct.FetchedRecordCount(), 10);

    // The answers kept go when this dataset changes its rows or reads them again.
    ASSERT_EQ(items.Lookup("id", 150, "name"), "Item 150");
    ASSERT_TRUE(items.Locate("id", 150));
    items.Edit();
    items.FieldByName("name")->SetValue("Changed");
    items.Post();
    EXPECT_EQ(items.Lookup("id", 150, "name"), "Changed");
    items.Delete();
    EXPECT_FALSE(items.Lookup("id", 150, "name").isValid());
    ASSERT_EQ(items.Lookup("id", 151, "name"), "Item 151");
    ASSERT_TRUE(ExecSql(Db(), "UPDATE items SET name = 'Elsewhere' WHERE id = 151"));
    items.Refresh();
    EXPECT_EQ(items.Lookup("id", 151, "name"), "Elsewhere");
}

TEST_P(SqlLocateTest, AKeyNearTheEndIsFoundWithoutReadingTheRowsBefore)
{
    constexpr int Rows = 20000;
    ASSERT_TRUE(CreateBig(Rows));
    TZSQLQuery& server = Make(true, "SELECT id, name FROM big ORDER BY name DESC, id");
    TZSQLQuery& scan = Make(false, "SELECT id, name FROM big ORDER BY name DESC, id");
    for (TZSQLQuery* q : {&server, &scan}) {
        q->SetCacheRecords(100);
        q->Open();
    }
    // The last key matches rows before the cache the others left and rows inside it.
    for (const QString key : {"Name 10007", "name 1000", "Name 99999", "Name 1"}) {
        SCOPED_TRACE(key.toStdString());
        const TLocateOptions options = key.startsWith(u'n') ? TLocateOptions(loCaseInsensitive)
                                                            : (key.size() < 7 ? TLocateOptions(loPartialKey) : TLocateOptions());
        ASSERT_EQ(server.Locate("name", key, options), scan.Locate("name", key, options));
        EXPECT_EQ(server.RecNo(), scan.RecNo());
        EXPECT_EQ(Id(server), Id(scan));
    }
    EXPECT_EQ(server.Lookup("name", "Name 10001", "id"), 10001);
    EXPECT_LE(server.FetchedRecordCount(), 100);
    EXPECT_GE(scan.FetchedRecordCount(), 19000);
}

TEST_P(SqlLocateTest, ALocatedRowIsCountedOnlyWhenItsNumberIsAsked)
{
    constexpr int Rows = 5000;
    ASSERT_TRUE(CreateBig(Rows));
    const auto counts = [](const TZSQLQuery& q) { return q.ServerStatements().filter(QStringLiteral("COUNT(")).size(); };
    const auto open = [&] {
        TZSQLQuery& q = Make(true, "SELECT id, name FROM big ORDER BY id");
        q.SetCacheRecords(100);
        q.Open();
        return &q;
    };

    // Rows around the located one are read by their keys; the number comes with one count.
    // Located by the order's own key, the rows from the key on are the answer: no probe first.
    TZSQLQuery* q = open();
    EXPECT_FALSE(q->Locate("id", Rows + 5, {}));
    EXPECT_FALSE(q->Locate("id", -3, {}));
    EXPECT_EQ(Id(*q), 1);
    ASSERT_TRUE(q->Locate("id", 3000, {}));
    EXPECT_TRUE(q->ServerStatements().filter(QRegularExpression("LIMIT 2$")).isEmpty());
    const TBookmark located = q->GetBookmark();
    EXPECT_FALSE(q->IsRecordCountKnown());
    for (int i = 0; i < 25; ++i)
        q->Next();
    for (int i = 0; i < 60; ++i)
        q->Prior();
    EXPECT_EQ(Id(*q), 2965);
    EXPECT_EQ(counts(*q), 0) << q->ServerStatements().join(QStringLiteral("\n")).toStdString();
    const TBookmark before = q->GetBookmark();
    EXPECT_EQ(q->RecNo(), 2965);
    EXPECT_EQ(counts(*q), 1);
    EXPECT_LT(q->CompareBookmarks(before, located), 0);
    q->GotoBookmark(located);
    EXPECT_EQ(q->RecNo(), 3000);
    EXPECT_EQ(q->RecordCount(), Rows);
    q->First();
    EXPECT_EQ(Id(*q), 1);
    q->GotoBookmark(before);
    EXPECT_EQ(Id(*q), 2965);
    EXPECT_LE(q->FetchedRecordCount(), 300);

    // Reading back to the first row gives the places without a count; other keys are probed.
    q = open();
    ASSERT_TRUE(q->Locate("name", "Name 40", {}));
    EXPECT_EQ(Id(*q), 40);
    while (!q->Bof())
        q->Prior();
    EXPECT_EQ(Id(*q), 1);
    EXPECT_EQ(q->RecNo(), 1);
    q->MoveBy(44);
    EXPECT_EQ(Id(*q), 45);
    EXPECT_EQ(q->RecNo(), 45);
    EXPECT_EQ(counts(*q), 0);

    // The last rows, a far record number and a change each settle the places first.
    q = open();
    ASSERT_TRUE(q->Locate("id", 2500, {}));
    q->Last();
    EXPECT_EQ(Id(*q), Rows);
    EXPECT_EQ(q->RecNo(), Rows);
    q = open();
    ASSERT_TRUE(q->Locate("id", 2500, {}));
    q->SetRecNo(10);
    EXPECT_EQ(Id(*q), 10);
    q = open();
    ASSERT_TRUE(q->Locate("id", 4990, {}));
    while (!q->Eof())
        q->Next();
    EXPECT_EQ(q->RecordCount(), Rows);
    ASSERT_TRUE(q->Locate("id", 1200, {})); // a second locate counts as it always did
    q->Edit();
    q->FieldByName("name")->SetAsString(QStringLiteral("Changed"));
    q->Post();
    EXPECT_EQ(q->RecNo(), 1200);
    q->Next();
    EXPECT_EQ(Id(*q), 1201);

    // A lookup of a client field reads the row found by the order's key, and the values kept
    // here are not answered from what an earlier lookup saw.
    q = &Make(true, "SELECT id, name FROM big ORDER BY id");
    q->AddClientField(QStringLiteral("Mark"), ftInteger);
    q->Open();
    EXPECT_EQ(q->Lookup("id", 3000, "id;Mark"), QVariant(QVariantList{3000, QVariant()}));
    ASSERT_TRUE(q->Locate("id", 3000, {}));
    q->Edit();
    q->FieldByName("Mark")->SetValue(7);
    q->Post();
    EXPECT_EQ(q->Lookup("id", 3000, "Mark"), 7);

    // The rows before a located row gone meanwhile: going back stops at the first row.
    q = open();
    ASSERT_TRUE(q->Locate("id", 3000, {}));
    ASSERT_TRUE(ExecSql(Db(), "DELETE FROM big WHERE id < 3000"));
    q->Prior();
    EXPECT_EQ(q->Bof(), Sqlite()); // PostgreSQL reads its snapshot
    EXPECT_EQ(Id(*q), Sqlite() ? 3000 : 2999);
}

INSTANTIATE_TEST_SUITE_P(Databases, SqlLocateTest, zdb::test::AllBackends(), zdb::test::BackendName);

} // namespace

// Filters of TZSQLQuery answered by the server: every kind of predicate gives the
// same records, with the same values, as the client-side evaluator; what has no
// exact SQL form stays on the client; a selective filter reads few rows; values
// never become SQL text. On SQLite and PostgreSQL.

#include "FilterSql.h"
#include "TestDb.h"
#include "ZDBSQLQuery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include <memory>

using namespace zdb;
using zdb::test::ExecSql;

namespace {

class SqlFilterTest : public zdb::test::BackendTest
{
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(ExecSql(Db(), QStringLiteral("CREATE TABLE f (id INTEGER PRIMARY KEY, name VARCHAR(40), qty INTEGER,"
                                                 " price %1, born DATE, at %2, t TIME, flag BOOLEAN)")
                                      .arg(Sqlite() ? "REAL" : "DOUBLE PRECISION", Sqlite() ? "DATETIME" : "TIMESTAMP")));
        const QDate d(2024, 1, 15);
        const QVariant null;
        Insert({1, "Apple", 5, 1.5, d, QDateTime(d, QTime(10, 0)), QTime(10, 0), true});
        Insert({2, "apple pie", 12, 2.25, QDate(2024, 2, 29), QDateTime(QDate(2024, 2, 29), QTime(0, 0)),
                QTime(8, 30), false});
        Insert({3, "50% off", 0, null, QDate(2023, 12, 31), null, QTime(23, 59, 59), true});
        Insert({4, "a_b", -3, 0.1, null, QDateTime(d, QTime(10, 0, 0, 500)), null, null});
        Insert({5, "O'Brien", null, 100.0, d.addDays(1), QDateTime(d.addDays(1), QTime(12, 0)), QTime(12, 0), false});
        Insert({6, "back\\slash", 7, -2.5, d, QDateTime(d.addDays(-1), QTime(23, 59, 59)), QTime(0, 0), true});
        Insert({7, "", 1, 1.0, QDate(2020, 2, 2), null, QTime(1, 2, 3), false});
        Insert({8, null, 2, 3.0, d, null, null, true});
        Insert({9, QString::fromUtf8("Éclair"), 3, 4.5, d, null, null, false});
        Insert({10, QString::fromUtf8("\u212Aelvin"), 4, 5.0, null, null, null, true});
        Insert({11, "star*x?[y]", 8, 6.0, null, null, null, false});
        Insert({12, "ZEBRA", 9, 7.0, null, null, null, null});
        Insert({13, "zebra", 10, 8.0, null, null, null, true});
        Insert({14, "12", 12, 12.0, null, null, null, false});
    }

    void Insert(QVariantList values)
    {
        QSqlQuery q(Db());
        q.prepare(QStringLiteral("INSERT INTO f VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        for (QVariant& v : values) {
            if (Sqlite() && v.typeId() == QMetaType::QDateTime)
                v = v.toDateTime().toString(v.toDateTime().time().msec() ? "yyyy-MM-dd HH:mm:ss.zzz" : "yyyy-MM-dd HH:mm:ss");
            else if (Sqlite() && v.typeId() == QMetaType::QTime)
                v = v.toTime().toString("HH:mm:ss");
            else if (Sqlite() && v.typeId() == QMetaType::QDate)
                v = v.toDate().toString(Qt::ISODate);
            else if (Sqlite() && v.typeId() == QMetaType::Bool)
                v = v.toBool() ? 1 : 0;
            q.addBindValue(v);
        }
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
    }

    std::unique_ptr<TZSQLQuery> Query(const QString& filter, bool server, TFilterOptions options = {})
    {
        auto q = std::make_unique<TZSQLQuery>();
        q->SetConnection(Db());
        q->SetSQLText(QStringLiteral("SELECT * FROM f ORDER BY id DESC"));
        q->SetLocale(QLocale(QLocale::German, QLocale::Germany));
        q->SetServerFiltering(server);
        q->SetFilter(filter);
        q->SetFilterOptions(options);
        q->SetFiltered(true);
        q->Open();
        return q;
    }

    // Every record's values, in order, as text.
    static QStringList Rows(TDataSet& ds)
    {
        QStringList rows;
        for (ds.First(); !ds.Eof(); ds.Next()) {
            QStringList values;
            for (const char* name : {"id", "name", "qty", "price", "born", "at", "t", "flag"}) {
                const QVariant v = ds.FieldByName(name)->GetValue();
                values << (v.isNull() ? QStringLiteral("NULL") : v.toString());
            }
            rows << values.join(u'|');
        }
        return rows;
    }

    // The filter runs on the server and gives what the client gives.
    void ExpectSame(const QString& filter, TFilterOptions options = {}, bool server = true)
    {
        SCOPED_TRACE(filter.toStdString());
        const auto client = Query(filter, false, options);
        const auto tried = Query(filter, true, options);
        EXPECT_EQ(tried->ServerFilterActive(), server);
        const QStringList expected = Rows(*client);
        EXPECT_EQ(Rows(*tried), expected);
        EXPECT_EQ(tried->RecordCount(), expected.size());
    }
};

TEST_P(SqlFilterTest, EveryPredicateMatchesTheClient)
{
    for (const char* filter : {
             "qty = 5", "qty <> 5", "qty < 5", "qty <= 5", "qty > 5", "qty >= 0", "qty = '7'", "qty < -2",
             "price > 1.2", "price = 1", "price <= qty", "qty = TRUE", "qty IS NULL", "price IS NOT NULL",
             "name = 'Apple'", "name <> 'Apple'", "name < 'b'", "name >= 'a'", "name > 'Z'", "name = ''",
             "name = 'O''Brien'", "name = 'back\\slash'", "name LIKE 'a%'", "name LIKE '%''%'",
             "name LIKE '%\\%'", "name LIKE '50% %'", "name LIKE '%*%'", "name LIKE '%?[%'", "name LIKE 'a_b'",
             "name LIKE '_pple'", "name NOT LIKE '%e%'", "name LIKE 12", "name LIKE NULL",
             "name IN ('Apple', 'a_b', 'O''Brien')", "name NOT IN ('Apple', NULL)", "qty IN (1, 2, NULL)",
             "qty NOT IN (1, 2)", "name = 'app*'", "name <> 'app*'", "name = '50%*'", "name = 'star**'", "'Z*' = name",
             "born = '2024-01-15'", "born < '16.01.2024'", "born >= '29.02.2024'", "born = '15.01.2024 00:00'",
             "at = '2024-01-15 10:00:00'", "at > '2024-01-15'", "at <= '15.01.2024 10:00:00.500'",
             "at < '2024-01-15 10:00:00.500'", "t >= '10:00'", "t < '08:30:00'", "flag", "flag = TRUE", "NOT flag",
             "flag = 'false'", "flag <> 0", "flag = '1'", "(qty > 1 AND price < 10) OR name IS NULL",
             "NOT (qty > 1 OR born IS NULL)", "qty = NULL", "NOT (name LIKE 'a%') AND NOT (qty IN (5, NULL))"})
        ExpectSame(QString::fromUtf8(filter));
    // The "*" is an ordinary character without partial compare.
    ExpectSame("name = 'star*x?[y]'", foNoPartialCompare);
    ExpectSame("name = 'app*'", foNoPartialCompare);
    // Case-insensitive: ASCII folds, and so does the KELVIN SIGN (to "k").
    for (const char* filter : {"name = 'apple'", "name LIKE 'APP%'", "name = 'kelvin'", "name LIKE '%LV%'",
                               "name < 'B'", "name >= 'zebra'", "name = 'ZEB*'", "name IN ('ZEBRA', 'a_B')"})
        ExpectSame(QString::fromUtf8(filter), foCaseInsensitive);
}

TEST_P(SqlFilterTest, WithoutExactSqlFormTheClientFilters)
{
    // A string field against a number, a field as LIKE pattern, a string field as a
    // condition, a non-ASCII case-insensitive compare, a constant compared with a constant.
    for (const char* filter : {"name = 12", "name LIKE name", "name", "1 = 1"})
        ExpectSame(QString::fromUtf8(filter), {}, false);
    ExpectSame(QString::fromUtf8("name = 'éclair'"), foCaseInsensitive, false);
    ExpectSame(QString::fromUtf8("name < '\U0001F600'"), {}, false);

    // An OnFilterRecord handler keeps the whole filter on the client.
    auto q = std::make_unique<TZSQLQuery>();
    q->SetConnection(Db());
    q->SetSQLText("SELECT * FROM f ORDER BY id");
    q->SetFilter("qty > 5");
    q->OnFilterRecord = [](TDataSet* ds, bool& accept) { accept = ds->FieldByName("id")->AsInteger() != 6; };
    q->SetFiltered(true);
    q->Open();
    EXPECT_FALSE(q->ServerFilterActive());
    EXPECT_EQ(Rows(*q).size(), 5); // 2, 11, 12, 13, 14

    // An ORDER BY that is no result column cannot be kept by an outer query.
    q->Close();
    q->OnFilterRecord = nullptr;
    q->SetSQLText("SELECT id, name FROM f ORDER BY qty");
    q->SetFilter("id > 8");
    q->Open();
    EXPECT_FALSE(q->ServerFilterActive());
    EXPECT_EQ(q->RecordCount(), 6);

    // With a LIMIT the server filters the rows the statement picks, in their order.
    q->Close();
    q->SetSQLText("SELECT id, name, qty FROM f ORDER BY qty DESC, 1 LIMIT 6");
    q->Open();
    EXPECT_TRUE(q->ServerFilterActive());
    QStringList ids;
    for (q->First(); !q->Eof(); q->Next())
        ids << q->FieldByName("id")->AsString();
    EXPECT_EQ(ids, QStringList({"14", "13", "12", "11"})); // of 2, 14, 13, 12, 11, 6
}

// Counts what a grid would redraw.
class TCountingLink : public TDataLink
{
public:
    int Changes = 0;

protected:
    void DataSetChanged() override { ++Changes; }
};

TEST_P(SqlFilterTest, ChangingTheFilterRunsTheStatementAgainAndEditsStillWork)
{
    auto q = Query("", true);
    TDataSource source;
    source.SetDataSet(q.get());
    TCountingLink link;
    link.SetBufferCount(5);
    link.SetDataSource(&source);
    EXPECT_FALSE(q->ServerFilterActive());
    EXPECT_EQ(q->RecordCount(), 14);
    link.Changes = 0;
    q->SetFilter("qty > 5");
    EXPECT_EQ(link.Changes, 1) << "one layout change";
    EXPECT_EQ(link.RecordCount(), 5);
    EXPECT_TRUE(q->ServerFilterActive());
    EXPECT_EQ(q->RecordCount(), 6);
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 14); // on the first record
    q->SetFiltered(false);
    EXPECT_FALSE(q->ServerFilterActive());
    EXPECT_EQ(q->RecordCount(), 14);
    q->SetFiltered(true);

    // A posted row that no longer passes leaves the view, as on the client.
    const auto client = Query("qty > 5", false);
    for (TZSQLQuery* ds : {q.get(), client.get()}) {
        ASSERT_TRUE(ds->Locate("id", 11, {}));
        ds->Edit();
        ds->FieldByName("qty")->SetValue(1);
        ds->Post();
    }
    EXPECT_EQ(Rows(*q), Rows(*client));
    EXPECT_EQ(Rows(*q).size(), 5);
}

TEST_P(SqlFilterTest, ValuesNeverBecomeSqlText)
{
    const QString hostile = QStringLiteral("x'); DROP TABLE f; --");
    Insert({20, hostile, 1, 1.0, QVariant(), QVariant(), QVariant(), QVariant()});
    const TFilterExpression expression(QStringLiteral("name = 'x''); DROP TABLE f; --' OR name LIKE '%''%'"));
    TSqlCondition condition;
    ASSERT_TRUE(AppendFilterCondition(
        condition, expression, {}, Sqlite() ? TSqlDialect::Sqlite : TSqlDialect::Postgres,
        [](const QString& name) { return TFilterSqlColumn{name, TFilterSqlColumn::Text}; }, "p"));
    EXPECT_FALSE(condition.Sql.contains("DROP"));
    EXPECT_FALSE(condition.Sql.contains("x'"));
    ASSERT_EQ(condition.Values.size(), 2);
    EXPECT_EQ(condition.Values[0].second.toString(), hostile);

    const auto q = Query(QStringLiteral("name = 'x''); DROP TABLE f; --'"), true);
    EXPECT_TRUE(q->ServerFilterActive());
    EXPECT_EQ(Rows(*q).size(), 1);
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 20);
}

TEST_P(SqlFilterTest, ValueListsRunOnTheServer)
{
    auto q = Query("qty >= 0", true);
    EXPECT_TRUE(q->SetFilterValueLists({{"name", {"Apple", "O'Brien", "", "a_b"}}}));
    EXPECT_TRUE(q->ServerFilterActive());
    // Apple, the empty and the NULL name; O'Brien has no qty, a_b a negative one.
    QStringList ids;
    for (q->First(); !q->Eof(); q->Next())
        ids << q->FieldByName("id")->AsString();
    EXPECT_EQ(ids, QStringList({"8", "7", "1"}));
    EXPECT_EQ(q->RecordCount(), 3);

    // A text that is no value of the field changes nothing.
    EXPECT_FALSE(q->SetFilterValueLists({{"qty", {"5", "five"}}}));
    EXPECT_EQ(q->FilterValueLists().value("name").size(), 4);
    EXPECT_EQ(q->RecordCount(), 3);
    // A date as the field shows it names that one date.
    ASSERT_TRUE(q->Locate("id", 1, {}));
    const QDate born = q->FieldByName("born")->GetValue().toDate();
    ASSERT_TRUE(q->SetFilterValueLists({{"born", {q->FieldByName("born")->GetEditText()}}}));
    for (q->First(); !q->Eof(); q->Next())
        EXPECT_EQ(q->FieldByName("born")->GetValue().toDate(), born);
    EXPECT_GE(q->RecordCount(), 1);
    // Texts compare ignoring case (the Kelvin sign folding to "k"); one that is not
    // ASCII cannot be folded on the server.
    EXPECT_TRUE(q->SetFilterValueLists({{"name", {"zebra", "APPLE", "kelvin"}}}));
    ids.clear();
    for (q->First(); !q->Eof(); q->Next())
        ids << q->FieldByName("id")->AsString();
    EXPECT_EQ(ids, QStringList({"13", "12", "10", "1"}));
    EXPECT_FALSE(q->SetFilterValueLists({{"name", {QString::fromUtf8("\u00E9clair")}}}));
    EXPECT_TRUE(q->SetFilterValueLists({{"qty", {"5", "7", "12"}}}));
    EXPECT_EQ(q->RecordCount(), 4);
    // With a Filter the server cannot take, the client evaluates it on the listed rows.
    q->SetFilter("name = 12");
    EXPECT_TRUE(q->ServerFilterActive());
    ids.clear();
    for (q->First(); !q->Eof(); q->Next())
        ids << q->FieldByName("id")->AsString();
    EXPECT_EQ(ids, QStringList({"14"}));
    q->SetFilter("qty >= 0");
    EXPECT_TRUE(q->SetFilterValueLists({}));
    EXPECT_EQ(q->RecordCount(), 12);
}

INSTANTIATE_TEST_SUITE_P(Databases, SqlFilterTest, zdb::test::AllBackends(), zdb::test::BackendName);

class SqlFilterLargeTest : public zdb::test::BackendTest
{
};

TEST_P(SqlFilterLargeTest, SelectiveFilterReadsFewRows)
{
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE big (id INTEGER PRIMARY KEY, grp INTEGER)"));
    ASSERT_TRUE(ExecSql(Db(), Sqlite() ? "WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r WHERE x < 20000)"
                                         " INSERT INTO big SELECT x, x % 1000 FROM r"
                                       : "INSERT INTO big SELECT x, x % 1000 FROM generate_series(1, 20000) x"));
    TZSQLQuery q;
    q.SetConnection(Db());
    q.SetSQLText("SELECT * FROM big ORDER BY id");
    q.SetFilter("grp = 7 AND id > 15000");
    q.SetFiltered(true);
    q.Open();
    EXPECT_TRUE(q.ServerFilterActive());
    EXPECT_EQ(q.FieldByName("id")->AsInteger(), 15007);
    EXPECT_EQ(q.RecordCount(), 5);
    EXPECT_LE(q.FetchedRecordCount(), 5);
}

INSTANTIATE_TEST_SUITE_P(Databases, SqlFilterLargeTest, zdb::test::AllBackends(), zdb::test::BackendName);

} // namespace

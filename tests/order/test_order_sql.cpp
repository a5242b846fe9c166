// ORDER BY text made from order fields: field names spelled for the server,
// everything else refused, on SQLite and PostgreSQL queries and on a dataset
// without SQL. PostgreSQL tests skip (with the reason) when no server runs.

#include "DB.h"
#include "DBError.h"
#include "SysUtils.h"
#include "TestDb.h"
#include "ZDBGridOrderSQL.h"
#include "ZDBGrids.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include <memory>

using namespace zdb;
using zdb::test::ExecSql;
using zdb::test::TBackend;

namespace {

class OrderSqlTest : public zdb::test::BackendTest {
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // Column names that a server reads differently bare and quoted.
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE people (id INTEGER PRIMARY KEY, Name VARCHAR(20),"
                                  " \"Full Name\" VARCHAR(20), \"order\" INTEGER, \"a.b\" INTEGER,"
                                  " \"x[1]\" INTEGER, \"Quote\"\"d\" INTEGER)"));
        ASSERT_TRUE(ExecSql(Db(), "INSERT INTO people VALUES"
                                  " (1, 'Cole', 'b', 30, 2, 3, 1), (2, 'Abel', 'c', 10, 3, 1, 2),"
                                  " (3, 'Baker', 'a', 20, 1, 2, 3)"));
        FQuery = std::make_unique<TZSQLQuery>();
        FQuery->setObjectName(QStringLiteral("People"));
        FQuery->SetConnection(Db());
        FQuery->SetSQLText(QStringLiteral("SELECT * FROM people"));
    }
    void TearDown() override { FQuery.reset(); }

    // A name in the quotes the server's queries use: backquotes on SQLite (where
    // a double-quoted name that is no column turns into a string), else double quotes.
    QString Quoted(const QString& name) const
    {
        const QChar quote = Sqlite() ? QLatin1Char('`') : QLatin1Char('"');
        return quote + name + quote;
    }
    TZSQLQuery& Query() { return *FQuery; }

    // The ids of people in the order of `orderBy`, read through the dataset.
    std::vector<int> IdsOrderedBy(const QString& orderBy)
    {
        FQuery->Close();
        FQuery->SetSQLText(QStringLiteral("SELECT * FROM people ORDER BY ") + orderBy);
        FQuery->Open();
        std::vector<int> ids;
        for (FQuery->First(); !FQuery->Eof(); FQuery->Next())
            ids.push_back(FQuery->FieldByName(QStringLiteral("id"))->AsInteger());
        return ids;
    }
    int PeopleCount() const
    {
        QSqlQuery q(Db());
        if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM people")) || !q.next())
            return -1;
        return q.value(0).toInt();
    }

private:
    std::unique_ptr<TZSQLQuery> FQuery;
};

// The message DatabaseErrorFmt makes for the query.
QString RaisedMessage(TDataSet& dataSet, const QString& orderFields)
{
    try {
        SafeSQLOrderFields(&dataSet, orderFields);
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

TEST_P(OrderSqlTest, NamesAreSpelledAsTheServerReadsThemAndSortForReal)
{
    Query().Open();
    // Any letter case and either separator in; the field's own name out.
    const QString nameField = Query().FindField(QStringLiteral("name"))->GetFieldName();
    EXPECT_EQ(nameField, Sqlite() ? "Name" : "name") << "PostgreSQL folds the bare column name";
    EXPECT_EQ(SafeSQLOrderFields(&Query(), QStringLiteral(" NAME desc ; id ASC,")), nameField + " DESC,id");

    // Mixed case and a blank: bare on neither server (SQLite would take a bare
    // "Full" as a column of its own; PostgreSQL would fold the case).
    EXPECT_EQ(SafeSQLOrderFields(&Query(), QStringLiteral("full name DESC")), Quoted("Full Name") + " DESC");
    // A reserved word, a dot and brackets must be quoted on both; the drivers' own
    // escaping would split "a.b" (PostgreSQL) or leave "x[1]" bare (SQLite).
    EXPECT_EQ(SafeSQLOrderFields(&Query(), QStringLiteral("ORDER")), Quoted("order"));
    EXPECT_EQ(SafeSQLOrderFields(&Query(), QStringLiteral("a.b")), Quoted("a.b"));
    EXPECT_EQ(SafeSQLOrderFields(&Query(), QStringLiteral("x[1] desc")), Quoted("x[1]") + " DESC");
    // The same field written as one quoted identifier, in any of the quotes.
    EXPECT_EQ(SafeSQLOrderFields(&Query(), QStringLiteral("\"Full Name\" Desc, \"ORDER\"")),
              Quoted("Full Name") + " DESC," + Quoted("order"));
    EXPECT_EQ(SafeSQLOrderFields(&Query(), QStringLiteral("`Full Name` Desc; [order]")),
              Quoted("Full Name") + " DESC," + Quoted("order"));
    // Qt's SQLite driver drops '"' from result column names, so only PostgreSQL
    // shows a field whose name holds a quote.
    if (!Sqlite()) {
        EXPECT_EQ(SafeSQLOrderFields(&Query(), QStringLiteral("Quote\"d")), "\"Quote\"\"d\"");
        EXPECT_EQ(SafeSQLOrderFields(&Query(), QStringLiteral("\"quote\"\"D\" desc")), "\"Quote\"\"d\" DESC");
        EXPECT_EQ(IdsOrderedBy(SafeSQLOrderFields(&Query(), QStringLiteral("quote\"d DESC"))),
                  (std::vector<int>{3, 2, 1}));
    }
    EXPECT_EQ(SafeSQLOrderFields(&Query(), QStringLiteral("  ; , ")), "");
    EXPECT_EQ(SafeSQLOrderFields(nullptr, QString()), "");

    // What comes out sorts by the column meant.
    EXPECT_EQ(IdsOrderedBy(SafeSQLOrderFields(&Query(), QStringLiteral("Full Name DESC"))),
              (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(IdsOrderedBy(SafeSQLOrderFields(&Query(), QStringLiteral("order"))), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(IdsOrderedBy(SafeSQLOrderFields(&Query(), QStringLiteral("a.b desc"))), (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(IdsOrderedBy(SafeSQLOrderFields(&Query(), QStringLiteral("x[1]"))), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(IdsOrderedBy(SafeSQLOrderFields(&Query(), QStringLiteral("NAME"))), (std::vector<int>{2, 3, 1}));

    // Closed, the query has no fields; the columns of the last opening still answer.
    Query().Close();
    ASSERT_EQ(Query().Fields().Count(), 0);
    EXPECT_EQ(SafeSQLOrderFields(&Query(), QStringLiteral("full name DESC,ID")), Quoted("Full Name") + " DESC,id");
    EXPECT_THROW(SafeSQLOrderFields(&Query(), QStringLiteral("id; DROP TABLE people")), EDatabaseError);
}

TEST_P(OrderSqlTest, AnythingButFieldNamesIsRefusedAndNothingReachesTheServer)
{
    Query().Open();
    const QStringList attempts = {
        "Name; DROP TABLE people",
        "Name DESC; DELETE FROM people",
        "Name DESC--",
        "Name -- comment",
        "Name /* x */",
        "(SELECT 1)",
        "Name, 1=1",
        "1",
        "Name DESC DESC",
        "Name COLLATE \"C\"",
        "Name NULLS FIRST",
        "lower(Name)",
        "people.Name",
        "\"Name\" \"id\"",
        "\"Na\"me\"",
        "\"Name",
        "\"Name\"; DROP TABLE people --\"",
        "\"id\") UNION SELECT 1 --",
        "DESC",
    };
    for (const QString& attempt : attempts) {
        EXPECT_THROW(SafeSQLOrderFields(&Query(), attempt), EDatabaseError) << attempt.toStdString();
    }
    EXPECT_EQ(PeopleCount(), 3) << "the table is intact";
    // The message names what was not found, with the dataset's name.
    EXPECT_EQ(RaisedMessage(Query(), "Name; DROP TABLE people"),
              "People: " + Format(SFieldNotFound, {QStringLiteral("DROP TABLE people")}));
    EXPECT_EQ(RaisedMessage(Query(), "Name DESC--"), "People: " + Format(SFieldNotFound, {QStringLiteral("Name DESC--")}));
    EXPECT_EQ(RaisedMessage(Query(), "nobody asc"), "People: " + Format(SFieldNotFound, {QStringLiteral("nobody")}));
}

TEST_P(OrderSqlTest, OnlyDataFieldsCanBeOrderedBy)
{
    // A lookup field and a calculated field are not columns of the query.
    auto lookup = std::make_unique<TWideStringField>();
    lookup->SetFieldName(QStringLiteral("Partner"));
    lookup->SetFieldKind(fkLookup);
    Query().AddField(std::move(lookup));
    auto calc = std::make_unique<TIntegerField>();
    calc->SetFieldName(QStringLiteral("Twice"));
    calc->SetFieldKind(fkCalculated);
    Query().AddField(std::move(calc));
    auto id = std::make_unique<TIntegerField>();
    id->SetFieldName(QStringLiteral("id"));
    Query().AddField(std::move(id));
    ASSERT_NE(Query().FindField(QStringLiteral("partner")), nullptr);
    EXPECT_THROW(SafeSQLOrderFields(&Query(), QStringLiteral("Partner")), EDatabaseError);
    EXPECT_THROW(SafeSQLOrderFields(&Query(), QStringLiteral("id,Twice DESC")), EDatabaseError);
    EXPECT_EQ(SafeSQLOrderFields(&Query(), QStringLiteral("ID desc")), "id DESC");
}

// Orders set on a grid over queries whose columns are expressions or aliases:
// each one sorts by what the column shows, or is refused with the statement
// left as it was. None may reach the server as a name the server takes for a
// constant and "sort" by it without a word.
TEST_P(OrderSqlTest, ExpressionColumnsSortOrAreRefusedNeverIgnored)
{
    TDataSource source;
    TZDBGrid grid;
    grid.SetOptionsEx(grid.GetOptionsEx() | dgAutoUpdateOrder);
    grid.SetKeyFields(QStringLiteral("id"));
    source.SetDataSet(&Query());
    grid.SetDataSource(&source);
    const auto ids = [this] {
        std::vector<int> result;
        for (Query().First(); !Query().Eof(); Query().Next())
            result.push_back(Query().FieldByName(QStringLiteral("id"))->AsInteger());
        return result;
    };
    const auto openWith = [this](const QString& sql) {
        Query().Close();
        Query().SetSQLText(sql);
        Query().Open();
        QApplication::processEvents();
    };
    // Cole (1), Abel (2), Baker (3): by name 2, 3, 1; unsorted 1, 2, 3.
    const std::vector<int> byName{2, 3, 1};
    const std::vector<int> byNameDesc{1, 3, 2};

    // An expression without an alias: SQLite names the column by its text,
    // which is no column an ORDER BY can name; PostgreSQL calls it "upper".
    const QString expression = QStringLiteral("SELECT id, upper(Name) FROM people");
    openWith(expression);
    const QString shown = Query().Fields()[1]->GetFieldName();
    grid.SetOrderFields(shown);
    ASSERT_TRUE(Query().Active());
    if (Query().SQLText() == expression) {
        EXPECT_EQ(grid.GetOrderFields(), "") << "refused: the markers show the order in force";
        EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3}));
    } else {
        EXPECT_EQ(grid.GetOrderFields(), shown);
        EXPECT_EQ(ids(), byName) << Query().SQLText().toStdString();
    }
    if (Sqlite())
        EXPECT_EQ(Query().SQLText(), expression) << "SQLite cannot order by " << shown.toStdString();
    else
        EXPECT_NE(Query().SQLText(), expression) << "PostgreSQL orders by the output column's name";

    // The same expression under an alias with a blank sorts on both servers.
    grid.SetOrderFields(QString());
    openWith(QStringLiteral("SELECT id, upper(Name) AS \"Big Name\" FROM people"));
    grid.SetOrderFields(QStringLiteral("Big Name DESC"));
    EXPECT_EQ(grid.GetOrderFields(), "Big Name DESC");
    EXPECT_TRUE(Query().SQLText().endsWith("ORDER BY " + Quoted("Big Name") + " DESC")) << Query().SQLText().toStdString();
    EXPECT_EQ(ids(), byNameDesc);

    // A mixed-case alias without a blank: bare on SQLite, quoted on PostgreSQL,
    // which would fold a bare name to lower case and find no such column.
    grid.SetOrderFields(QString());
    openWith(QStringLiteral("SELECT id, Name AS \"FullName\" FROM people"));
    grid.SetOrderFields(QStringLiteral("FullName"));
    EXPECT_EQ(grid.GetOrderFields(), "FullName");
    EXPECT_TRUE(Query().SQLText().endsWith("ORDER BY " + (Sqlite() ? QStringLiteral("FullName") : Quoted("FullName"))))
        << Query().SQLText().toStdString();
    EXPECT_EQ(ids(), byName);
    grid.SetOrderFields(QStringLiteral("FullName DESC"));
    EXPECT_EQ(ids(), byNameDesc);
    grid.SetDataSource(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Backends, OrderSqlTest, zdb::test::AllBackends(), zdb::test::BackendName);

TEST(OrderSqlWithoutServer, OtherDatasetsGetStandardQuotesAndTheTextReadsBack)
{
    TZMemDataSet data;
    data.FieldDefs().Add(QStringLiteral("City"), ftWideString, 20);
    data.FieldDefs().Add(QStringLiteral("Zip Code"), ftWideString, 10);
    data.FieldDefs().Add(QStringLiteral("Say \"hi\""), ftInteger);
    data.FieldDefs().Add(QStringLiteral("select"), ftInteger);
    data.CreateDataSet();
    const QString sql = SafeSQLOrderFields(&data, QStringLiteral("city desc;zip code,SAY \"HI\" DESC,Select"));
    EXPECT_EQ(sql, "City DESC,\"Zip Code\",\"Say \"\"hi\"\"\" DESC,\"select\"");
    // Back to the grid's form: names as the fields spell them.
    EXPECT_EQ(UnquoteSQLOrderFields(sql), "City DESC,Zip Code,Say \"hi\" DESC,select");
    // The other quotes read back the same way, separators inside them included.
    EXPECT_EQ(UnquoteSQLOrderFields(QStringLiteral("`Zip Code` DESC, `a``b;c`,[x, y] desc")),
              "Zip Code DESC,a`b;c,x, y DESC");
    EXPECT_THROW(SafeSQLOrderFields(&data, QStringLiteral("City ASC DESC")), EDatabaseError);
}

// Our query's statement is read as SQL: the ORDER BY of the outermost query is
// rewritten in place, the clauses after it stay after it, and an ORDER BY in
// parentheses, a comment or a string is never taken for it.
TEST(OrderSqlWithoutServer, TheOutermostOrderByIsRewrittenAndNothingElse)
{
    struct TCase {
        QStringList Sql;
        const char* Order;
        QStringList Expected;
        const char* ReadBack; // the order of Sql
    };
    const TCase cases[] = {
        {{"SELECT * FROM t ORDER BY id LIMIT 100"}, "name DESC", {"SELECT * FROM t ORDER BY name DESC LIMIT 100"}, "id"},
        {{"SELECT * FROM t ORDER BY id LIMIT 100"}, "", {"SELECT * FROM t LIMIT 100"}, "id"},
        {{"SELECT * FROM t ORDER BY id LIMIT 100"}, " desc ", {"SELECT * FROM t LIMIT 100"}, "id"},
        {{"SELECT * FROM t LIMIT 10 OFFSET 5"}, "name", {"SELECT * FROM t ORDER BY name LIMIT 10 OFFSET 5"}, ""},
        {{"SELECT * FROM t OFFSET :skip ROWS FETCH FIRST 3 ROWS ONLY"}, "a",
         {"SELECT * FROM t ORDER BY a OFFSET :skip ROWS FETCH FIRST 3 ROWS ONLY"}, ""},
        {{"SELECT * FROM t WHERE a = 1 FOR UPDATE"}, "a", {"SELECT * FROM t WHERE a = 1 ORDER BY a FOR UPDATE"}, ""},
        {{"SELECT * FROM (SELECT 1 AS a)LIMIT 2"}, "a", {"SELECT * FROM (SELECT 1 AS a) ORDER BY a LIMIT 2"}, ""},
        {{"SELECT *", "FROM t", "LIMIT 100"}, "name", {"SELECT *", "FROM t", "ORDER BY name", "LIMIT 100"}, ""},
        {{"SELECT *", "FROM t", "ORDER BY", "  name,", "  id DESC", "LIMIT 5"}, "city",
         {"SELECT *", "FROM t", "ORDER BY", "  city", "LIMIT 5"}, "name,id DESC"},
        {{"SELECT *", "FROM t -- all", "ORDER BY name", "LIMIT 5"}, "", {"SELECT *", "FROM t -- all", "LIMIT 5"}, "name"},
        {{"SELECT * FROM t ORDER BY id;"}, "name", {"SELECT * FROM t ORDER BY name;"}, "id"},
        // A clause glued to the last item stays apart from the new one.
        {{"SELECT * FROM t ORDER BY\"x\"FOR UPDATE"}, "id", {"SELECT * FROM t ORDER BY id FOR UPDATE"}, "\"x\""},
        {{"SELECT * FROM t;"}, "name", {"SELECT * FROM t", "ORDER BY name;"}, ""},
        {{"SELECT * FROM t ORDER BY id -- by key"}, "", {"SELECT * FROM t -- by key"}, "id"},
        {{"SELECT * FROM t ORDER BY lower(name), `Full Name` DESC LIMIT 3"}, "id",
         {"SELECT * FROM t ORDER BY id LIMIT 3"}, "lower(name),`Full Name` DESC"},
        // Column names that are words of the following clauses elsewhere.
        {{"SELECT offset, fetch FROM t ORDER BY offset, t.limit"}, "fetch",
         {"SELECT offset, fetch FROM t ORDER BY fetch"}, "offset,t.limit"},
        // ORDER BY inside parentheses: a window, a sub-query, an aggregate.
        {{"SELECT id, row_number() OVER (ORDER BY id) AS n FROM t LIMIT 4"}, "n",
         {"SELECT id, row_number() OVER (ORDER BY id) AS n FROM t ORDER BY n LIMIT 4"}, ""},
        {{"SELECT * FROM (SELECT * FROM t ORDER BY id LIMIT 5) s"}, "name",
         {"SELECT * FROM (SELECT * FROM t ORDER BY id LIMIT 5) s", "ORDER BY name"}, ""},
        {{"WITH x AS (SELECT * FROM t ORDER BY id) SELECT string_agg(a, ',' ORDER BY a) AS s FROM x"}, "s",
         {"WITH x AS (SELECT * FROM t ORDER BY id) SELECT string_agg(a, ',' ORDER BY a) AS s FROM x", "ORDER BY s"},
         ""},
        // ORDER BY and LIMIT in comments and strings.
        {{"SELECT * FROM t", "-- ORDER BY id LIMIT 1"}, "name", {"SELECT * FROM t", "ORDER BY name", "-- ORDER BY id LIMIT 1"},
         ""},
        {{"SELECT * FROM t /* ORDER BY id */ WHERE a = 'ORDER BY b LIMIT 1'"}, "a",
         {"SELECT * FROM t /* ORDER BY id */ WHERE a = 'ORDER BY b LIMIT 1'", "ORDER BY a"}, ""},
        {{"SELECT * FROM t ORDER BY id /* LIMIT 2 */"}, "a", {"SELECT * FROM t ORDER BY a /* LIMIT 2 */"}, "id"},
        // A set operation is ordered as a whole.
        {{"SELECT a FROM t UNION SELECT a FROM u"}, "a", {"SELECT a FROM t UNION SELECT a FROM u", "ORDER BY a"}, ""},
        // Only the first statement.
        {{"SELECT * FROM t; SELECT * FROM u ORDER BY b"}, "a", {"SELECT * FROM t", "ORDER BY a; SELECT * FROM u ORDER BY b"},
         ""},
        // Nothing to order.
        {{"-- nothing", ""}, "a", {"-- nothing", ""}, ""},
        {{"SELECT * FROM t"}, "", {"SELECT * FROM t"}, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Sql.join(QLatin1Char('|')).toStdString() + " <- " + c.Order);
        EXPECT_EQ(ExtractSQLOrderFields(c.Sql).toStdString(), c.ReadBack);
        QStringList sql = c.Sql;
        ModifySQLOrderFields(sql, QString::fromUtf8(c.Order));
        EXPECT_EQ(sql.join(QLatin1Char('|')).toStdString(), c.Expected.join(QLatin1Char('|')).toStdString());
    }
}

} // namespace

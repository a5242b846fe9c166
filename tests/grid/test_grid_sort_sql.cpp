// Sorting an SQL query from the grid's titles, end to end on SQLite and
// PostgreSQL: clicks rewrite the ORDER BY of the query so that it returns what
// the server returns for the same ORDER BY, and orders that must not or cannot
// run leave the query, its order, the markers and the current record as they
// were. PostgreSQL tests skip (with the reason) when no server runs.

#include "DB.h"
#include "TestDb.h"
#include "ZDBSQLQuery.h"
#include "test_grid_helpers.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace zdb;
using zdb::test::ExecSql;
using zdb::test::TBackend;

namespace {

const QString SelectPeople = QStringLiteral("SELECT id, name, city, \"Full Name\", score FROM people");

class GridSortSql : public zdb::test::BackendTest {
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // Names and full names are unique; cities repeat, so they need a second key.
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE people (id INTEGER PRIMARY KEY, name VARCHAR(20),"
                                  " city VARCHAR(20), \"Full Name\" VARCHAR(30), score INTEGER)"));
        ASSERT_TRUE(ExecSql(Db(), "INSERT INTO people VALUES (1, 'Cole', 'Oslo', 'Zed Cole', 50),"
                                  " (2, 'Abel', 'Rome', 'Yan Abel', 20), (3, 'Baker', 'Oslo', 'Xia Baker', 40),"
                                  " (4, 'Dahl', 'Bern', 'Amy Dahl', 10), (5, 'Evans', 'Rome', 'Bob Evans', 30),"
                                  " (6, 'Fink', 'Oslo', 'Cy Fink', 60)"));
        Query = std::make_unique<TZSQLQuery>();
        Query->SetConnection(Db());
        Query->SetSQLText(SelectPeople);
        Query->SetKeyFields(QStringLiteral("id"));
        Source.SetDataSet(Query.get());
        Grid = std::make_unique<TZDBGrid>();
        Grid->SetOptionsEx(Grid->GetOptionsEx() | dgAutoUpdateOrder);
        Grid->SetKeyFields(QStringLiteral("id"));
        Grid->SetDataSource(&Source);
        Query->Open();
        zdb::test::ShowGrid(*Grid, 700, 300);
    }
    void TearDown() override
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
        Query.reset();
    }


    // A click on the title of the column of `field`.
    void ClickTitle(const QString& field, Qt::KeyboardModifiers modifiers = {})
    {
        TZColumn* column = Grid->FindColumn(field);
        ASSERT_NE(column, nullptr) << field.toStdString();
        const QRect title = Grid->CellRect(Grid->DataToRawColumn(column->Index()), 0);
        ASSERT_FALSE(title.isEmpty());
        QTest::mouseClick(Grid->viewport(), Qt::LeftButton, modifiers, title.center());
        QApplication::processEvents();
    }
    // The ids as the query returns them now; the current record stays.
    std::vector<int> QueryIds()
    {
        std::vector<int> ids;
        if (!Query->Active())
            return ids;
        TDataSetControlsGuard controls(Query.get());
        const TBookmark current = Query->GetBookmark();
        for (Query->First(); !Query->Eof(); Query->Next())
            ids.push_back(Query->FieldByName(QStringLiteral("id"))->AsInteger());
        Query->GotoBookmark(current);
        return ids;
    }
    // The ids the server returns for `sql` run directly on the connection.
    std::vector<int> ServerIds(const QString& sql) const
    {
        std::vector<int> ids;
        QSqlQuery q(Db());
        if (!q.exec(sql))
            ADD_FAILURE() << q.lastError().text().toStdString();
        while (q.next())
            ids.push_back(q.value(0).toInt());
        return ids;
    }
    int CurrentId() const { return Query->FieldByName(QStringLiteral("id"))->AsInteger(); }
    std::string Sql() const { return Query->SQLText().toStdString(); }
    std::string Order() const { return Grid->GetOrderFields().toStdString(); }
    int PeopleCount() const
    {
        QSqlQuery q(Db());
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM people")) && q.next() ? q.value(0).toInt() : -1;
    }

    std::unique_ptr<TZSQLQuery> Query;
    TDataSource Source;
    std::unique_ptr<TZDBGrid> Grid;

private:
};

TEST_P(GridSortSql, TitleClicksOrderTheQueryAsTheServerDoes)
{
    ASSERT_TRUE(Query->Locate(QStringLiteral("id"), 3));

    ClickTitle(QStringLiteral("name"));
    EXPECT_EQ(Sql(), (SelectPeople + "\nORDER BY name").toStdString());
    EXPECT_EQ(QueryIds(), ServerIds(SelectPeople + " ORDER BY name"));
    EXPECT_EQ(Order(), "name");
    EXPECT_EQ(Grid->FindColumn(QStringLiteral("name"))->Title()->GetMarker(), tmAscend);
    EXPECT_EQ(CurrentId(), 3) << "the current record is found again by its key";

    ClickTitle(QStringLiteral("name"));
    EXPECT_EQ(Sql(), (SelectPeople + "\nORDER BY name DESC").toStdString());
    EXPECT_EQ(QueryIds(), ServerIds(SelectPeople + " ORDER BY name DESC"));
    EXPECT_EQ(Grid->FindColumn(QStringLiteral("name"))->Title()->GetMarker(), tmDescend);
    EXPECT_EQ(CurrentId(), 3);

    // A column whose name the server reads only in quotes.
    ClickTitle(QStringLiteral("Full Name"));
    // SQLite gets backquotes: a double-quoted name it cannot resolve would be a string.
    const QString fullName =
        GetParam() == TBackend::Sqlite ? QStringLiteral("`Full Name`") : QStringLiteral("\"Full Name\"");
    EXPECT_EQ(Sql(), (SelectPeople + "\nORDER BY " + fullName).toStdString());
    EXPECT_EQ(QueryIds(), ServerIds(SelectPeople + " ORDER BY " + fullName));
    EXPECT_EQ(Order(), "Full Name") << "read back unquoted, so the marker stays";
    EXPECT_EQ(Grid->FindColumn(QStringLiteral("name"))->Title()->GetMarker(), tmNone);
    EXPECT_EQ(CurrentId(), 3);

    // City repeats: Ctrl-click adds the name as the second key.
    ClickTitle(QStringLiteral("city"));
    ClickTitle(QStringLiteral("name"), Qt::ControlModifier);
    EXPECT_EQ(Sql(), (SelectPeople + "\nORDER BY city,name").toStdString());
    EXPECT_EQ(QueryIds(), ServerIds(SelectPeople + " ORDER BY city, name"));
    EXPECT_EQ(Order(), "city,name");
    ClickTitle(QStringLiteral("name"), Qt::ControlModifier);
    EXPECT_EQ(QueryIds(), ServerIds(SelectPeople + " ORDER BY city, name DESC"));
    EXPECT_EQ(Order(), "city,name DESC");
    EXPECT_EQ(Grid->FindColumn(QStringLiteral("city"))->Title()->GetMarkerIndex(), 2);
    EXPECT_EQ(Grid->FindColumn(QStringLiteral("name"))->Title()->GetMarkerIndex(), 5);
    EXPECT_EQ(CurrentId(), 3);
    EXPECT_TRUE(Query->Active());
}

TEST_P(GridSortSql, OrdersThatNameNoColumnOrCarrySqlChangeNothing)
{
    ClickTitle(QStringLiteral("name"));
    ASSERT_EQ(Order(), "name");
    ASSERT_TRUE(Query->Locate(QStringLiteral("id"), 5));
    const std::string sql = Sql();
    const std::vector<int> ids = QueryIds();

    int reopened = 0;
    Query->AfterOpen = [&](TDataSet*) { ++reopened; };
    const QStringList attempts = {
        "nobody DESC",
        "name; DROP TABLE people",
        "name DESC--",
        "name, (SELECT 1)",
        "name, 1=1",
        "\"name\"; DELETE FROM people --",
    };
    for (const QString& attempt : attempts) {
        SCOPED_TRACE(attempt.toStdString());
        EXPECT_NO_THROW(Grid->ChangeDataSetOrder(attempt));
        EXPECT_EQ(Sql(), sql);
        EXPECT_TRUE(Query->Active());
        EXPECT_EQ(QueryIds(), ids);
        EXPECT_EQ(Order(), "name");
        EXPECT_EQ(CurrentId(), 5);
    }
    EXPECT_EQ(reopened, 0) << "a refused order does not run the query again";
    Query->AfterOpen = nullptr;
    EXPECT_EQ(PeopleCount(), 6);
}

TEST_P(GridSortSql, AnOrderGivenBeforeTheQueryFirstOpensWaitsForIt)
{
    // A query that has never been open has no columns to check the order
    // against: the order is kept and checked when the query opens.
    auto sorted = [&](const QString& order) {
        TZSQLQuery query;
        query.SetConnection(Db());
        query.SetSQLText(SelectPeople);
        TDataSource source;
        source.SetDataSet(&query);
        TZDBGrid grid;
        grid.SetOptionsEx(grid.GetOptionsEx() | dgAutoUpdateOrder);
        grid.SetDataSource(&source);
        grid.SetOrderFields(order);
        EXPECT_EQ(query.SQLText(), SelectPeople);
        EXPECT_NO_THROW(query.Open());
        std::vector<int> ids;
        for (query.First(); !query.Eof(); query.Next())
            ids.push_back(query.FieldByName(QStringLiteral("id"))->AsInteger());
        const std::string result = grid.GetOrderFields().toStdString();
        EXPECT_EQ(query.SQLText(), SelectPeople + (result.empty() ? "" : "\nORDER BY " + order));
        grid.SetDataSource(nullptr);
        return std::make_pair(result, ids);
    };
    const auto [order, ids] = sorted(QStringLiteral("score DESC"));
    EXPECT_EQ(order, "score DESC");
    EXPECT_EQ(ids, ServerIds(SelectPeople + " ORDER BY score DESC"));

    // Refused when it opens: the markers show the order in force, none.
    const auto [refused, unsorted] = sorted(QStringLiteral("city,nobody"));
    EXPECT_EQ(refused, "");
    EXPECT_EQ(unsorted, ServerIds(SelectPeople));
}

TEST_P(GridSortSql, AStoredOrderWithSqlIsRefusedWhenTheQueryOpens)
{
    // An order read from settings while the query is closed is only stored; it
    // reaches the query when the query opens.
    Query->Close();
    Grid->SetOrderFields(QStringLiteral("city; DROP TABLE people"));
    EXPECT_NO_THROW(Query->Open());
    EXPECT_EQ(Sql(), SelectPeople.toStdString());
    EXPECT_TRUE(Query->Active());
    EXPECT_EQ(QueryIds(), ServerIds(SelectPeople));
    EXPECT_EQ(Order(), "") << "the markers show the order in force";
    EXPECT_EQ(PeopleCount(), 6);

    // A sane stored order is applied the same way.
    Query->Close();
    Grid->SetOrderFields(QStringLiteral("score DESC"));
    Query->Open();
    EXPECT_EQ(Sql(), (SelectPeople + "\nORDER BY score DESC").toStdString());
    EXPECT_EQ(QueryIds(), ServerIds(SelectPeople + " ORDER BY score DESC"));
    EXPECT_EQ(Order(), "score DESC");
}

TEST_P(GridSortSql, ClausesAfterTheOrderStayAndInnerOrdersAreLeftAlone)
{
    // The statement's own ORDER BY is rewritten in place; LIMIT stays after it.
    const QString limited = SelectPeople + " ORDER BY id LIMIT 4";
    Query->SetSQLText(limited);
    Query->Open();
    QApplication::processEvents();
    ASSERT_EQ(Order(), "");
    ASSERT_EQ(QueryIds(), ServerIds(limited));
    ClickTitle(QStringLiteral("name"));
    EXPECT_EQ(Sql(), (SelectPeople + " ORDER BY name LIMIT 4").toStdString());
    EXPECT_EQ(QueryIds(), ServerIds(SelectPeople + " ORDER BY name LIMIT 4"));
    EXPECT_EQ(QueryIds().size(), 4u);
    ClickTitle(QStringLiteral("name"));
    EXPECT_EQ(QueryIds(), ServerIds(SelectPeople + " ORDER BY name DESC LIMIT 4"));
    EXPECT_EQ(Order(), "name DESC");

    // A window's ORDER BY, an ORDER BY in a comment and one in a string are no
    // order of the statement, and LIMIT ... OFFSET on lines of its own stays.
    const QString windowed = QStringLiteral("SELECT id, name, row_number() OVER (ORDER BY score) AS rn\n"
                                            "FROM people -- ORDER BY id\n"
                                            "WHERE name <> 'ORDER BY name'\n"
                                            "LIMIT 4 OFFSET 1");
    const auto sortedBy = [](const QString& order) {
        return QStringLiteral("SELECT id, name, row_number() OVER (ORDER BY score) AS rn\n"
                              "FROM people -- ORDER BY id\n"
                              "WHERE name <> 'ORDER BY name'\n"
                              "ORDER BY %1\n"
                              "LIMIT 4 OFFSET 1")
            .arg(order);
    };
    // The grid's order reaches the new statement when it opens.
    Query->SetSQLText(windowed);
    Query->Open();
    QApplication::processEvents();
    EXPECT_EQ(Sql(), sortedBy("name DESC").toStdString());
    EXPECT_EQ(QueryIds(), ServerIds(sortedBy("name DESC")));
    EXPECT_EQ(Order(), "name DESC");
    ClickTitle(QStringLiteral("rn"));
    EXPECT_EQ(Sql(), sortedBy("rn").toStdString());
    EXPECT_EQ(QueryIds(), ServerIds(sortedBy("rn")));
    EXPECT_EQ(QueryIds(), (std::vector<int>{2, 5, 3, 1})) << "by score, skipping the lowest";
    ClickTitle(QStringLiteral("rn"));
    EXPECT_EQ(QueryIds(), (std::vector<int>{1, 3, 5, 2}));
    EXPECT_EQ(Order(), "rn DESC");
    // Unsorted again: the clause goes, the rest stays.
    Grid->SetOrderFields(QString());
    EXPECT_EQ(Sql(), windowed.toStdString());
    EXPECT_TRUE(Query->Active());
}

TEST_P(GridSortSql, AStatementTheServerRejectsAfterTheRewriteIsRestored)
{
    // SQLite names an expression's column by its text, which an ORDER BY cannot
    // name; PostgreSQL has no ordering for json.
    const QString rejected = GetParam() == TBackend::Sqlite
                                 ? QStringLiteral("SELECT id, name, upper(city) FROM people LIMIT 4")
                                 : QStringLiteral("SELECT id, name, to_json(city) AS doc FROM people LIMIT 4");
    Query->SetSQLText(rejected);
    Query->Open();
    QApplication::processEvents();
    ASSERT_TRUE(Query->Locate(QStringLiteral("id"), 2));
    const std::vector<int> ids = QueryIds();
    ASSERT_EQ(ids.size(), 4u);
    const QString field = Query->Fields()[2]->GetFieldName();

    ClickTitle(field);
    EXPECT_EQ(Sql(), rejected.toStdString());
    EXPECT_TRUE(Query->Active());
    EXPECT_EQ(QueryIds(), ids);
    EXPECT_EQ(Order(), "");
    EXPECT_EQ(Grid->FindColumn(field)->Title()->GetMarker(), tmNone);
    EXPECT_EQ(CurrentId(), 2);
    EXPECT_EQ(PeopleCount(), 6);
}

INSTANTIATE_TEST_SUITE_P(Backends, GridSortSql, zdb::test::AllBackends(), zdb::test::BackendName);

} // namespace

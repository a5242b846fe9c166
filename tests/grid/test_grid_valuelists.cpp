// Value lists ticked in the grid over an SQL query on SQLite and PostgreSQL:
// the query filters them on the server, ignoring case as the grid does, and
// the records are those the same grid shows over an in-memory copy of the table.

#include "test_grid_helpers.h"

#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

constexpr int FillerRows = 20000;

class GridValueLists : public BackendTest
{
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE v (id INTEGER PRIMARY KEY, name VARCHAR(40), grp INTEGER)"));
        const QList<QVariant> names{"O'Neil", "o'neil", "O''Neil", "50%", "50x", "a_b", "axb", "", QVariant(),
                                    "Ann", "ANN", "ann pie", QString::fromUtf8("\u212Aelvin"), "kelvin",
                                    QString::fromUtf8("\u00C9clair"), QString::fromUtf8("\u00E9clair")};
        QSqlQuery insert(Db());
        ASSERT_TRUE(insert.prepare("INSERT INTO v VALUES (?, ?, ?)"));
        for (int i = 0; i < names.size(); ++i) {
            insert.addBindValue(i + 1);
            insert.addBindValue(names[i].isNull() ? QVariant(QMetaType(QMetaType::QString)) : names[i]);
            insert.addBindValue(i % 3);
            ASSERT_TRUE(insert.exec()) << insert.lastError().text().toStdString();
        }
        ASSERT_TRUE(ExecSql(Db(), QStringLiteral("%1 INSERT INTO v SELECT x + 100, 'n' || (x % 500), x % 3 FROM %2")
                                      .arg(Sqlite() ? "WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r "
                                                      "WHERE x < 20000)"
                                                    : "",
                                           Sqlite() ? "r" : "generate_series(1, 20000) x")));

        Query = std::make_unique<TZSQLQuery>();
        Query->SetConnection(Db());
        Query->SetSQLText("SELECT id, name, grp FROM v ORDER BY id");
        Query->Open();

        Memory = std::make_unique<TZMemDataSet>();
        Memory->FieldDefs().Add("id", ftInteger);
        Memory->FieldDefs().Add("name", ftWideString, 40);
        Memory->FieldDefs().Add("grp", ftInteger);
        Memory->CreateDataSet();
        QSqlQuery all(Db());
        ASSERT_TRUE(all.exec("SELECT id, name, grp FROM v ORDER BY id"));
        while (all.next()) {
            Memory->Append();
            for (int i = 0; i < 3; ++i)
                Memory->Fields()[i]->SetValue(all.value(i));
            Memory->Post();
        }
        Memory->First();

        for (int i = 0; i < 2; ++i) {
            Sources[i].SetDataSet(i == 0 ? static_cast<TDataSet*>(Query.get()) : Memory.get());
            Grids[i] = std::make_unique<TZDBGrid>();
            Grids[i]->SetKeyFields("id");
            Grids[i]->SetDataSource(&Sources[i]);
            ShowGrid(*Grids[i], 400, 200);
        }
    }
    void TearDown() override
    {
        for (int i = 0; i < 2; ++i) {
            Grids[i].reset();
            Sources[i].SetDataSet(nullptr);
        }
        Query.reset();
        Memory.reset();
    }

    // Ticks the same values (or sets the same expression) in both grids.
    void Tick(const char* Column, const QStringList& Values)
    {
        for (auto& grid : Grids)
            grid->FindColumn(Column)->SetFilterList(Values);
    }
    void Expression(const char* Column, const QString& Text)
    {
        for (auto& grid : Grids)
            grid->FindColumn(Column)->SetFilterText(Text);
    }
    static std::vector<int> Ids(TDataSet& Data)
    {
        std::vector<int> ids;
        for (Data.First(); !Data.Eof(); Data.Next())
            ids.push_back(Data.FieldByName("id")->AsInteger());
        return ids;
    }
    // The query's records, checked against the in-memory copy's.
    std::vector<int> SameIds()
    {
        const std::vector<int> ids = Ids(*Query);
        EXPECT_EQ(ids, Ids(*Memory));
        return ids;
    }
    bool HandlerInstalled() const { return bool(Query->OnFilterRecord); }

    std::unique_ptr<TZSQLQuery> Query;
    std::unique_ptr<TZMemDataSet> Memory;
    TDataSource Sources[2];
    std::unique_ptr<TZDBGrid> Grids[2];
};

TEST_P(GridValueLists, TheServerFiltersTheTickedValuesAsTheGridDoes)
{
    // Mixed case, quotes, pattern characters, the empty text (also NULL) and the
    // Kelvin sign, which folds to "k" as the grid folds it.
    Tick("name", {"o'neil", "50%", "a_b", "", "ann", "KELVIN", "N7"});
    EXPECT_TRUE(Query->ServerFilterActive());
    EXPECT_FALSE(HandlerInstalled());
    // The special records, then every 500th filler record from "n7" on.
    const std::vector<int> ids = SameIds();
    ASSERT_EQ(ids.size(), 50u);
    EXPECT_EQ(std::vector<int>(ids.begin(), ids.begin() + 11), (std::vector<int>{1, 2, 4, 6, 8, 9, 10, 11, 13, 14, 107}));
    EXPECT_LE(Query->FetchedRecordCount(), 100);
    // A record edited out of the ticked values leaves the view; one edited into them stays.
    for (TDataSet* data : {static_cast<TDataSet*>(Query.get()), static_cast<TDataSet*>(Memory.get())}) {
        ASSERT_TRUE(data->Locate("id", 4, {}));
        data->Edit();
        data->FieldByName("name")->SetValue(QStringLiteral("51%"));
        data->Post();
        ASSERT_TRUE(data->Locate("id", 6, {}));
        data->Edit();
        data->FieldByName("name")->SetValue(QStringLiteral("A_B"));
        data->Post();
    }
    EXPECT_EQ(SameIds().size(), 49u);

    // With a column expression and a second list: still all on the server.
    Expression("grp", "grp < 2");
    Tick("grp", {"0", "2"});
    EXPECT_TRUE(Query->ServerFilterActive());
    EXPECT_FALSE(HandlerInstalled());
    EXPECT_EQ(SameIds().size(), 16u);
    EXPECT_LE(Query->FetchedRecordCount(), 100);

    // A non-ASCII text cannot be folded on the server: the grid tests the lists itself.
    Tick("grp", {});
    Tick("name", {QString::fromUtf8("\u00C9CLAIR"), "ann"});
    EXPECT_TRUE(HandlerInstalled());
    EXPECT_EQ(SameIds(), (std::vector<int>{10, 11, 16}));
    EXPECT_TRUE(Query->FilterValueLists().isEmpty());

    // Removing the filters gives everything back.
    Expression("grp", "");
    Tick("name", {});
    EXPECT_FALSE(Query->GetFiltered());
    EXPECT_FALSE(HandlerInstalled());
    EXPECT_TRUE(Query->FilterValueLists().isEmpty());
    EXPECT_EQ(SameIds().size(), size_t(16 + FillerRows));
}

TEST_P(GridValueLists, TheDataSetsOwnFilterAndHandlerStayAndComeBack)
{
    int calls = 0;
    const auto handler = [&calls](TDataSet* DataSet, bool& Accept) {
        ++calls;
        Accept = DataSet->FieldByName("id")->AsInteger() != 2;
    };
    for (TDataSet* data : {static_cast<TDataSet*>(Query.get()), static_cast<TDataSet*>(Memory.get())}) {
        data->SetFilter("id < 100");
        data->SetFiltered(true);
    }
    Tick("name", {"O'NEIL", "axb", ""});
    EXPECT_TRUE(Query->ServerFilterActive());
    EXPECT_FALSE(HandlerInstalled());
    EXPECT_EQ(SameIds(), (std::vector<int>{1, 2, 7, 8, 9}));

    // The dataset's own handler needs the grid's record test; the lists stay on the server.
    Grids[0]->SetOnFilterRecord(handler);
    Grids[1]->SetOnFilterRecord(handler);
    EXPECT_TRUE(HandlerInstalled());
    EXPECT_FALSE(Query->FilterValueLists().isEmpty());
    EXPECT_EQ(SameIds(), (std::vector<int>{1, 7, 8, 9}));
    EXPECT_GT(calls, 0);

    Tick("name", {});
    EXPECT_TRUE(Query->FilterValueLists().isEmpty());
    EXPECT_EQ(Query->GetFilter(), "id < 100");
    EXPECT_TRUE(Query->GetFiltered());
    EXPECT_TRUE(HandlerInstalled());
    EXPECT_FALSE(Grids[0]->IsFilterRecordHandler(Query->OnFilterRecord));
    EXPECT_EQ(SameIds().size(), 15u);
}

TEST_P(GridValueLists, ColumnsOfAGivenFieldTypeAreFilteredOnTheServerWithoutAWalk)
{
    // A text column shown as a wide string of its own size, as applications do with
    // SQLite's TEXT columns, and the current record far from the first and filtered out.
    Query->Close();
    Query->SetFieldType("name", ftWideString, 60);
    Query->SetFieldType("grp", ftLargeint);
    Query->Open();
    ASSERT_TRUE(Query->Locate("id", 15000, {}));
    ASSERT_TRUE(Memory->Locate("id", 15000, {}));
    const int before = Query->FetchedRecordCount();
    Tick("name", {"N7", "n13"});
    EXPECT_TRUE(Query->ServerFilterActive());
    EXPECT_FALSE(HandlerInstalled());
    EXPECT_LE(Query->FetchedRecordCount() - before, 200) << "the rows were walked on the client";
    EXPECT_EQ(SameIds().size(), 80u);
    Tick("grp", {"1"});
    EXPECT_TRUE(Query->ServerFilterActive());
    EXPECT_FALSE(HandlerInstalled());
    EXPECT_EQ(SameIds().size(), 28u);

    // A type that reads the stored values otherwise stays with the client, with the same rows.
    Tick("grp", {});
    Tick("name", {});
    Query->Close();
    Query->SetFieldType("grp", ftWideString, 10);
    Query->Open();
    Tick("grp", {"1"});
    EXPECT_TRUE(HandlerInstalled());
    EXPECT_EQ(SameIds().size(), size_t(5 + FillerRows / 3 + 1));
}

INSTANTIATE_TEST_SUITE_P(Databases, GridValueLists, AllBackends(), BackendName);

} // namespace

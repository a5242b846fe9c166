// The tree view over parent/child records: the build (levels, order strings,
// loops), expanding and collapsing against a depth-first walk of the expanded
// nodes, showing a record, the keys and the mouse, the sequence emulation and
// the tree unit's own dataset.
#include "TestDb.h"
#include "ZDBGrids.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"
#include "ZDBTreeView.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTest>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>

namespace zdb::test {
namespace {

// (id, parent) pairs; a parent of -1 is NULL.
using TPairs = std::vector<std::pair<int, int>>;

std::unique_ptr<TZMemDataSet> MakeCategories(const TPairs& Pairs)
{
    auto table = std::make_unique<TZMemDataSet>();
    table->FieldDefs().Add(QStringLiteral("id"), ftInteger);
    table->FieldDefs().Add(QStringLiteral("parent_id"), ftInteger);
    table->FieldDefs().Add(QStringLiteral("name"), ftWideString, 40);
    table->FieldDefs().Add(QStringLiteral("RowLevel"), ftInteger);
    table->FieldDefs().Add(QStringLiteral("RowOrder"), ftString, 80);
    table->FieldDefs().Add(QStringLiteral("RowState"), ftInteger);
    table->CreateDataSet();
    for (const auto& [id, parent] : Pairs) {
        table->Append();
        table->FieldByName(QStringLiteral("id"))->SetValue(id);
        if (parent >= 0)
            table->FieldByName(QStringLiteral("parent_id"))->SetValue(parent);
        table->FieldByName(QStringLiteral("name"))->SetValue(QStringLiteral("Item %1").arg(id));
        table->Post();
    }
    table->First();
    return table;
}

// 10,000 categories 8 levels deep: every record after the first 20 roots has a
// parent made before it, at most 7 levels below a root.
TPairs Hierarchy(int Count, int Depth)
{
    QRandomGenerator random(20261206);
    TPairs pairs;
    std::vector<int> level;
    for (int id = 1; id <= Count; ++id) {
        if (id <= 20) {
            pairs.push_back({id, -1});
            level.push_back(0);
            continue;
        }
        int parent = 0;
        do
            parent = int(random.bounded(id - 1)) + 1;
        while (level[size_t(parent - 1)] >= Depth - 1);
        // Deep chains: every 50th record hangs below the deepest free one.
        if (id % 50 == 0)
            for (int candidate = id - 1; candidate > 0; --candidate)
                if (level[size_t(candidate - 1)] == Depth - 2 || (level[size_t(candidate - 1)] < Depth - 1 &&
                                                                  candidate < id - 200)) {
                    parent = candidate;
                    break;
                }
        pairs.push_back({id, parent});
        level.push_back(level[size_t(parent - 1)] + 1);
    }
    return pairs;
}

// The same categories in a table of a database: "rid" is its key, the tree's
// key "id" may repeat. Inserted in the pairs' order, many rows a statement.
::testing::AssertionResult MakeCategories(const QSqlDatabase& Db, const TPairs& Pairs)
{
    auto result = ExecSql(Db, QStringLiteral("CREATE TABLE categories (rid INTEGER PRIMARY KEY, id INTEGER, "
                                             "parent_id INTEGER, name VARCHAR(40))"));
    for (size_t first = 0; result && first < Pairs.size(); first += 1000) {
        QStringList rows;
        for (size_t i = first; i < std::min(Pairs.size(), first + 1000); ++i)
            rows << QStringLiteral("(%1, %2, %3, 'Item %2')")
                        .arg(i + 1)
                        .arg(Pairs[i].first)
                        .arg(Pairs[i].second < 0 ? QStringLiteral("NULL") : QString::number(Pairs[i].second));
        result = ExecSql(Db, QStringLiteral("INSERT INTO categories VALUES ") + rows.join(QLatin1Char(',')));
    }
    return result;
}

struct TreeGrid : ::testing::Test {
    // Databases a query of the test reads (they outlive it).
    std::unique_ptr<SqliteTestDb> Sqlite;
    std::unique_ptr<PgTestDb> Pg;
    std::unique_ptr<TZMemDataSet> Table;
    std::unique_ptr<TZSQLQuery> Query;
    TDataSet* Data = nullptr; // the one of the two the grid shows
    TDataSource Source;
    TZDBGrid Grid;

    void Open(const TPairs& Pairs, bool Show = true)
    {
        Table = MakeCategories(Pairs);
        Connect(Table.get(), Show);
    }
    // The tree over a query of the categories table of Db (filled from Pairs).
    void OpenQuery(const QSqlDatabase& Db, const TPairs& Pairs, bool Show = true)
    {
        ASSERT_TRUE(MakeCategories(Db, Pairs));
        Query = std::make_unique<TZSQLQuery>();
        Query->SetConnection(Db);
        Query->SetSQLText(QStringLiteral("SELECT rid, id, parent_id, name FROM categories ORDER BY rid"));
        Grid.TreeView()->AddTreeFields(Query.get());
        Query->Open();
        Grid.SetOrderFields(QStringLiteral("rid"));
        Connect(Query.get(), Show);
    }
    void Connect(TDataSet* DataSet, bool Show)
    {
        Data = DataSet;
        Grid.SetKeyFields(QStringLiteral("id"));
        Grid.TreeView()->SetParentFields(QStringLiteral("parent_id"));
        Grid.TreeView()->SetColumnNames(QStringLiteral("name"));
        Source.SetDataSet(DataSet);
        Grid.SetDataSource(&Source);
        if (Show) {
            Grid.resize(400, 300);
            Grid.show();
            QApplication::processEvents();
        }
    }
    void TearDown() override
    {
        Grid.SetDataSource(nullptr);
        Source.SetDataSet(nullptr);
    }
    TZDBGridTreeView* Tree() { return Grid.TreeView(); }
    int Int(const char* Name) const { return Data->FieldByName(QString::fromLatin1(Name))->AsInteger(); }
    // The ids the dataset shows now, in order; the current record stays.
    std::vector<int> Shown()
    {
        std::vector<int> ids;
        const TBookmark current = Data->GetBookmark();
        TDataSetControlsGuard controls(Data);
        for (Data->First(); !Data->Eof(); Data->Next())
            ids.push_back(Int("id"));
        Data->GotoBookmark(current);
        return ids;
    }
    // The rows shown with their tree fields: "id level order state" each.
    QStringList ShownRows()
    {
        QStringList rows;
        TDataSetControlsGuard controls(Data);
        for (Data->First(); !Data->Eof(); Data->Next())
            rows << QStringLiteral("%1 %2 [%3] %4")
                        .arg(Int("id"))
                        .arg(Tree()->GetRowLevel())
                        .arg(Tree()->GetRowOrder())
                        .arg(Tree()->GetRowState());
        return rows;
    }
    void Goto(int Id) { ASSERT_TRUE(Data->Locate(QStringLiteral("id"), Id)); }
    // Toggles rows of the 10,000-record hierarchy, comparing what is shown with
    // a depth-first walk of the expanded nodes after each step.
    void CheckExpandingAndCollapsing(const TPairs& Pairs);
};

// What the tree should show: a depth-first walk from the roots (in record
// order) into the expanded nodes, children in record order.
struct TReference {
    std::map<int, std::vector<int>> Children;
    std::vector<int> Roots;
    std::set<int> Expanded;

    explicit TReference(const TPairs& Pairs)
    {
        for (const auto& [id, parent] : Pairs) {
            if (parent < 0)
                Roots.push_back(id);
            else
                Children[parent].push_back(id);
            Expanded.insert(id);
        }
    }
    void Walk(int Id, const std::function<void(int)>& Visit) const
    {
        Visit(Id);
        if (!Expanded.count(Id))
            return;
        if (auto it = Children.find(Id); it != Children.end())
            for (int child : it->second)
                Walk(child, Visit);
    }
    std::vector<int> Shown() const
    {
        std::vector<int> ids;
        for (int root : Roots)
            Walk(root, [&ids](int id) { ids.push_back(id); });
        return ids;
    }
    void SetSubtree(int Id, bool Expand)
    {
        std::vector<int> stack{Id};
        while (!stack.empty()) {
            const int n = stack.back();
            stack.pop_back();
            if (Expand)
                Expanded.insert(n);
            else
                Expanded.erase(n);
            if (auto it = Children.find(n); it != Children.end())
                stack.insert(stack.end(), it->second.begin(), it->second.end());
        }
    }
};

TEST_F(TreeGrid, BuildsLevelsOrdersAndStatesAndSortsDepthFirst)
{
    // 9 records: segments of two characters; 10: of three.
    Open({{1, -1}, {2, 1}, {3, 2}, {4, -1}, {5, 1}, {6, 4}, {7, 3}, {8, 99}, {9, 5}});
    ASSERT_TRUE(Tree()->GetActive());
    EXPECT_EQ(Shown(), (std::vector<int>{1, 2, 3, 7, 5, 9, 4, 6, 8}));
    Goto(7);
    EXPECT_EQ(Tree()->GetRowLevel(), 3);
    EXPECT_EQ(Tree()->GetRowOrder(), QStringLiteral(" 1 2 3 7"));
    EXPECT_EQ(Tree()->GetRowState(), TZDBGridTreeView::rsVisible | TZDBGridTreeView::rsExpanded);
    Goto(2);
    EXPECT_EQ(Tree()->GetRowState(),
              TZDBGridTreeView::rsVisible | TZDBGridTreeView::rsExpanded | TZDBGridTreeView::rsExpandable);
    Goto(8); // a parent that no record has: a root
    EXPECT_EQ(Tree()->GetRowLevel(), 0);
    EXPECT_EQ(Tree()->GetRowOrder(), QStringLiteral(" 8"));
    EXPECT_EQ(Tree()->MaxLevel(), 3);

    Table.reset();
    Open({{1, -1}, {2, 1}, {3, 2}, {4, -1}, {5, 1}, {6, 4}, {7, 3}, {8, 99}, {9, 5}, {10, 9}});
    Goto(10);
    EXPECT_EQ(Tree()->GetRowOrder(), QStringLiteral("  1  5  9 10"));
}

TEST_F(TreeGrid, ExpandingAndCollapsingShowsTheDepthFirstWalkOfExpandedNodes)
{
    const TPairs pairs = Hierarchy(10000, 8);
    Open(pairs, false);
    CheckExpandingAndCollapsing(pairs);
}

void TreeGrid::CheckExpandingAndCollapsing(const TPairs& Pairs)
{
    const TPairs& pairs = Pairs;
    ASSERT_TRUE(Tree()->GetActive());
    EXPECT_EQ(Tree()->MaxLevel(), 7);
    TReference reference(pairs);
    EXPECT_EQ(Shown(), reference.Shown());

    Tree()->FullCollapse();
    reference.Expanded.clear();
    ASSERT_EQ(Shown(), reference.Shown());
    EXPECT_EQ(Data->RecordCount(), 20);

    // Open a path down to a leaf, then collapse and reopen parts of it.
    QRandomGenerator random(7);
    std::vector<int> parentOf(pairs.size() + 1, -1);
    for (const auto& [id, parent] : pairs)
        parentOf[size_t(id)] = parent;
    for (int step = 0; step < 40; ++step) {
        const std::vector<int> shown = Shown();
        // A shown row that has children.
        int id = 0;
        do
            id = shown[random.bounded(int(shown.size()))];
        while (!reference.Children.count(id) && shown.size() > 1);
        Goto(id);
        const bool recursive = step % 5 == 4;
        const bool expand = !reference.Expanded.count(id);
        Tree()->ToggleRow(recursive);
        if (recursive)
            reference.SetSubtree(id, expand);
        else if (expand)
            reference.Expanded.insert(id);
        else
            reference.Expanded.erase(id);
        ASSERT_EQ(Shown(), reference.Shown()) << "step " << step << " toggling " << id;
        EXPECT_EQ(Int("id"), id) << "the toggled row stays current";
    }

    // Collapsing hides grandchildren of expanded children; expanding again
    // shows them again below the expanded children only.
    Tree()->FullExpand();
    reference.SetSubtree(1, true);
    for (int root : reference.Roots)
        reference.SetSubtree(root, true);
    ASSERT_EQ(Shown(), reference.Shown());
    Goto(1);
    Tree()->CollapseRow(false);
    reference.Expanded.erase(1);
    ASSERT_EQ(Shown(), reference.Shown());
    Tree()->ExpandRow(false);
    reference.Expanded.insert(1);
    EXPECT_EQ(Shown(), reference.Shown());

    // OpenToLevel: the roots; the roots and their children; everything.
    Tree()->SetOpenToLevel(0);
    EXPECT_EQ(Data->RecordCount(), 20);
    Tree()->SetOpenToLevel(1);
    EXPECT_EQ(Data->RecordCount(), 20 + int(std::count_if(pairs.begin(), pairs.end(), [](const auto& p) {
                                         return p.second >= 1 && p.second <= 20;
                                     })));
    Tree()->SetOpenToLevel(-1);
    EXPECT_EQ(Data->RecordCount(), 10000);
}

// A grid whose own columns leave out the field the query is ordered by: the
// tree's first build rewrites the ORDER BY, reopening the query under it.
TEST_F(TreeGrid, QueryReopenedByTheFirstBuildOfCustomColumns)
{
    Sqlite = std::make_unique<SqliteTestDb>();
    ASSERT_TRUE(Sqlite->IsOpen()) << Sqlite->ErrorText().toStdString();
    Grid.Columns()->Add()->SetFieldName(QStringLiteral("name"));
    OpenQuery(Sqlite->Database(), {{1, -1}, {2, 1}, {3, 2}, {4, -1}, {5, 1}});
    ASSERT_TRUE(Tree()->GetActive());
    EXPECT_EQ(Shown(), (std::vector<int>{1, 2, 3, 5, 4}));
}

// The tree over SQLite and PostgreSQL queries: the query keeps the tree fields
// by each row's key and orders its rows by the order string itself.
TEST_F(TreeGrid, ExpandingAndCollapsingOverSqlite)
{
    Sqlite = std::make_unique<SqliteTestDb>();
    ASSERT_TRUE(Sqlite->IsOpen()) << Sqlite->ErrorText().toStdString();
    const TPairs pairs = Hierarchy(10000, 8);
    OpenQuery(Sqlite->Database(), pairs, false);
    CheckExpandingAndCollapsing(pairs);
}

TEST_F(TreeGrid, ExpandingAndCollapsingOverPostgres)
{
    Pg = std::make_unique<PgTestDb>();
    if (Pg->State() == PgTestDb::TState::NoServer)
        GTEST_SKIP() << Pg->ErrorText().toStdString();
    ASSERT_TRUE(Pg->IsOpen()) << Pg->ErrorText().toStdString();
    const TPairs pairs = Hierarchy(10000, 8);
    OpenQuery(Pg->Database(), pairs, false);
    CheckExpandingAndCollapsing(pairs);
}

// Bad input over the three datasets: the same rows, levels, orders and states
// in the same order, after the build and after toggles; the query's rows keep
// their tree fields through a refresh and a reopen.
TEST(TreeOverQuery, SameRowsAsInMemoryOnSqliteAndPostgres)
{
    // Loops, a self-parent, a missing and NULL parents, a duplicate key.
    const TPairs pairs{{1, 2}, {2, 1}, {3, 3}, {4, 2}, {5, 77}, {6, -1}, {6, 6}, {8, 6}, {9, 8}, {10, -1}, {11, 10}};
    auto steps = [](TreeGrid& Fixture) {
        std::vector<QStringList> seen{Fixture.ShownRows()};
        Fixture.Goto(6);
        Fixture.Tree()->CollapseRow(false);
        seen.push_back(Fixture.ShownRows());
        Fixture.Tree()->FullCollapse();
        seen.push_back(Fixture.ShownRows());
        EXPECT_TRUE(Fixture.Tree()->ShowRecord(9, false));
        seen.push_back(Fixture.ShownRows());
        return seen;
    };
    struct TFixture : TreeGrid {
        void TestBody() override {}
    };
    TFixture memory;
    memory.Open(pairs, false);
    const std::vector<QStringList> expected = steps(memory);
    ASSERT_EQ(expected.front().size(), 11);
    EXPECT_TRUE(expected.front().back().contains(QLatin1String("[~"))) << "loops last";
    memory.TearDown();

    for (bool postgres : {false, true}) {
        SCOPED_TRACE(postgres ? "PostgreSQL" : "SQLite");
        TFixture query;
        if (postgres) {
            query.Pg = std::make_unique<PgTestDb>();
            if (query.Pg->State() == PgTestDb::TState::NoServer)
                continue;
            ASSERT_TRUE(query.Pg->IsOpen()) << query.Pg->ErrorText().toStdString();
        } else {
            query.Sqlite = std::make_unique<SqliteTestDb>();
            ASSERT_TRUE(query.Sqlite->IsOpen());
        }
        query.OpenQuery(postgres ? query.Pg->Database() : query.Sqlite->Database(), pairs, false);
        ASSERT_TRUE(query.Tree()->GetActive());
        EXPECT_EQ(steps(query), expected);
        // Collapsed rows stay hidden when the query reads its rows again; opening
        // again activates the tree anew, everything expanded.
        const QStringList collapsed = query.ShownRows();
        query.Query->Refresh();
        EXPECT_EQ(query.ShownRows(), collapsed);
        query.Query->Close();
        query.Query->Open();
        EXPECT_EQ(query.ShownRows(), expected.front());
        // A new parent written to the server rebuilds the tree, keeping the record.
        query.Tree()->FullExpand();
        query.Goto(11);
        query.Query->Edit();
        query.Query->FieldByName(QStringLiteral("parent_id"))->SetValue(9);
        query.Query->Post();
        EXPECT_EQ(query.Int("id"), 11);
        EXPECT_EQ(query.Tree()->GetRowLevel(), 3);
        EXPECT_EQ(query.Tree()->GetRowOrder(), QStringLiteral("  6  8  9 11"));
        query.TearDown();
    }
}

TEST_F(TreeGrid, ShowRecordExpandsExactlyTheAncestors)
{
    Open({{1, -1}, {2, 1}, {3, 2}, {4, 3}, {5, 3}, {6, 1}, {7, 6}, {8, -1}, {9, 8}});
    Tree()->FullCollapse();
    EXPECT_EQ(Shown(), (std::vector<int>{1, 8}));
    EXPECT_TRUE(Tree()->ShowRecord(4, false));
    EXPECT_EQ(Int("id"), 4);
    EXPECT_EQ(Shown(), (std::vector<int>{1, 2, 3, 4, 5, 6, 8}));
    Goto(6);
    EXPECT_FALSE(Tree()->GetRowExpanded());
    EXPECT_FALSE(Tree()->ShowRecord(42, false));
    EXPECT_EQ(Int("id"), 6);

    // Showing a record with the others collapsed.
    Tree()->FullExpand();
    EXPECT_TRUE(Tree()->ShowRecord(9, true));
    EXPECT_EQ(Shown(), (std::vector<int>{1, 8, 9}));
    EXPECT_EQ(Int("id"), 9);
}

TEST_F(TreeGrid, LoopsSelfParentsMissingAndDuplicateKeys)
{
    // 1 <-> 2 loop, 3 its own parent, 4 below 2, 5 of a missing parent,
    // 6 NULL, 7 a duplicate of key 6 below it, 8 below the key 6.
    Open({{1, 2}, {2, 1}, {3, 3}, {4, 2}, {5, 77}, {6, -1}, {6, 6}, {8, 6}});
    ASSERT_TRUE(Tree()->GetActive());
    std::vector<int> ids = Shown();
    ASSERT_EQ(ids.size(), 8u);
    // The regular trees first, the loops at the end.
    EXPECT_EQ(std::vector<int>(ids.begin(), ids.begin() + 4), (std::vector<int>{5, 6, 6, 8}));
    for (int id : {1, 2, 3}) {
        Goto(id);
        EXPECT_TRUE(Tree()->GetRowOrder().startsWith(QLatin1Char('~'))) << id;
    }
    Goto(3);
    EXPECT_EQ(Tree()->GetRowLevel(), 0);
    // The loop closes at the second record of 1 -> 2 -> 1: 2 is its root.
    Goto(2);
    EXPECT_EQ(Tree()->GetRowLevel(), 0);
    Goto(1);
    EXPECT_EQ(Tree()->GetRowLevel(), 1);
    Goto(4);
    EXPECT_EQ(Tree()->GetRowLevel(), 1);
    // Collapsing the loop's root hides what hangs below it, nothing hangs.
    Goto(2);
    Tree()->CollapseRow(false);
    ids = Shown();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 1), 0);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 4), 0);
    Tree()->FullCollapse();
    Tree()->FullExpand();
    EXPECT_EQ(Shown().size(), 8u);
}

TEST(TreeKeys, TextAndTwoFieldKeysLinkLikeNumbers)
{
    // (kind, code, parent kind, parent code); an empty parent code is NULL.
    // Codes repeat across kinds, so a key of the code alone links otherwise.
    const std::vector<std::array<const char*, 4>> rows{
        {"a", "1", "", ""},  {"b", "1", "a", "1"}, {"a", "2", "b", "1"},
        {"b", "2", "", ""},  {"a", "3", "b", "2"}, {"b", "3", "b", "3"}};
    TZMemDataSet table;
    for (const char* name : {"kind", "code", "pkind", "pcode"})
        table.FieldDefs().Add(QString::fromLatin1(name), ftString, 10);
    table.FieldDefs().Add(QStringLiteral("RowLevel"), ftInteger);
    table.FieldDefs().Add(QStringLiteral("RowOrder"), ftString, 80);
    table.FieldDefs().Add(QStringLiteral("RowState"), ftInteger);
    table.CreateDataSet();
    for (const auto& row : rows) {
        table.Append();
        for (int i = 0; i < 4; ++i)
            if (*row[size_t(i)])
                table.Fields()[i]->SetValue(QString::fromLatin1(row[size_t(i)]));
        table.Post();
    }
    TDataSource source;
    source.SetDataSet(&table);
    TZDBGrid grid;
    grid.SetKeyFields(QStringLiteral("kind;code"));
    grid.TreeView()->SetParentFields(QStringLiteral("pkind;pcode"));
    grid.SetDataSource(&source);
    ASSERT_TRUE(grid.TreeView()->GetActive());
    auto shown = [&] {
        QStringList list;
        for (table.First(); !table.Eof(); table.Next())
            list << table.FieldByName(QStringLiteral("kind"))->AsString() +
                        table.FieldByName(QStringLiteral("code"))->AsString() + QString::number(grid.TreeView()->GetRowLevel());
        return list.join(QLatin1Char(' '));
    };
    EXPECT_EQ(shown(), QStringLiteral("a10 b11 a22 b20 a31 b30"));

    // One text field each: a parent code names the first record of that code.
    grid.SetDataSource(nullptr);
    grid.SetKeyFields(QStringLiteral("code"));
    grid.TreeView()->SetParentFields(QStringLiteral("pcode"));
    grid.SetDataSource(&source);
    ASSERT_TRUE(grid.TreeView()->GetActive());
    EXPECT_EQ(shown(), QStringLiteral("a10 b11 a21 a32 b33 b20"));
    grid.SetDataSource(nullptr);
}

TEST_F(TreeGrid, RefusedOrFailingExpandingLeavesTheTreeAsItWas)
{
    Open({{1, -1}, {2, 1}, {3, 2}, {4, 1}, {5, -1}});
    std::vector<bool> asked;
    std::vector<bool> told;
    Grid.OnRowExpanding = [&asked](TZCustomDBGrid*, bool Expand, bool& Allow) {
        asked.push_back(Expand);
        Allow = false;
    };
    Grid.OnRowExpand = [&told](TZCustomDBGrid*, bool Expanded) { told.push_back(Expanded); };
    Goto(1);
    Tree()->ToggleRow(false);
    EXPECT_EQ(asked, std::vector<bool>{false});
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(Shown().size(), 5u);

    // A handler that raises while a recursive collapse asks the descendants.
    int calls = 0;
    Grid.OnRowExpanding = [&calls](TZCustomDBGrid*, bool, bool&) {
        if (++calls == 2)
            throw std::runtime_error("refused");
    };
    EXPECT_THROW(Tree()->ToggleRow(true), std::runtime_error);
    EXPECT_EQ(Shown(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_FALSE(Table->ControlsDisabled());
    EXPECT_TRUE(Table->GetFiltered());
    Goto(2);
    EXPECT_TRUE(Tree()->GetRowExpanded());

    // Allowed: one event per toggled row, the row's own last.
    Grid.OnRowExpanding = nullptr;
    Goto(1);
    Tree()->ToggleRow(true);
    EXPECT_EQ(told, (std::vector<bool>{false, false}));
    EXPECT_EQ(Shown(), (std::vector<int>{1, 5}));
    Tree()->ToggleRow(false);
    EXPECT_EQ(Shown(), (std::vector<int>{1, 2, 4, 5})) << "2 stayed collapsed";
}

TEST_F(TreeGrid, BoxClickEnterAndSpaceToggleTheRow)
{
    Open({{1, -1}, {2, 1}, {3, 1}, {4, -1}, {5, 4}});
    Grid.activateWindow();
    Grid.setFocus();
    QApplication::processEvents();
    Grid.SetSelectedIndex(Grid.Columns()->Items(2)->Index());
    ASSERT_EQ(Grid.SelectedColumn()->GetFieldName(), QStringLiteral("name"));
    // The box of a root sits at the left of its cell.
    const int col = Grid.DataToRawColumn(2);
    const QRect cell = Grid.CellRect(col, Grid.TitleRowCount());
    const QPoint box(cell.left() + 2 + 4, cell.center().y());
    QTest::mouseClick(Grid.viewport(), Qt::LeftButton, {}, box);
    QApplication::processEvents();
    EXPECT_EQ(Shown(), (std::vector<int>{1, 4, 5}));
    // A click on the text beside the box is no toggle.
    QTest::mouseClick(Grid.viewport(), Qt::LeftButton, {}, QPoint(cell.right() - 4, cell.center().y()));
    EXPECT_EQ(Shown(), (std::vector<int>{1, 4, 5}));
    QTest::keyClick(&Grid, Qt::Key_Space);
    EXPECT_EQ(Shown(), (std::vector<int>{1, 2, 3, 4, 5}));
    QTest::keyClick(&Grid, Qt::Key_Return);
    EXPECT_EQ(Shown(), (std::vector<int>{1, 4, 5}));
    EXPECT_EQ(Int("id"), 1);

    // Right to left the box sits at the right of its cell, and is hit there.
    Grid.setLayoutDirection(Qt::RightToLeft);
    QApplication::processEvents();
    const QRect mirrored = Grid.CellRect(col, Grid.TitleRowCount());
    QTest::mouseClick(Grid.viewport(), Qt::LeftButton, {}, QPoint(mirrored.left() + 6, mirrored.center().y()));
    EXPECT_EQ(Shown(), (std::vector<int>{1, 4, 5}));
    QTest::mouseClick(Grid.viewport(), Qt::LeftButton, {}, QPoint(mirrored.right() - 6, mirrored.center().y()));
    QApplication::processEvents();
    EXPECT_EQ(Shown(), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(TreeGrid, ForcedSequenceFollowsTheShownRows)
{
    Grid.SetOptions(Grid.GetOptions() | dgForceSequence);
    int updates = 0;
    Grid.OnSequenceUpdated = [&updates](TZCustomDBGrid*) { ++updates; };
    Open({{1, -1}, {2, 1}, {3, 2}, {4, -1}, {5, 4}, {6, 4}});
    EXPECT_EQ(Grid.RecCount(), 6);
    Goto(4);
    Tree()->CollapseRow(false);
    EXPECT_EQ(Grid.RecCount(), 4);
    EXPECT_EQ(Grid.GetRecNumber(), 4);
    Goto(1);
    Tree()->CollapseRow(false);
    EXPECT_EQ(Grid.RecCount(), 2);
    EXPECT_EQ(Grid.GetRecNumber(), 1);
    EXPECT_GT(updates, 0);
}

TEST_F(TreeGrid, EditingAParentRebuildsTheTreeKeepingTheRecord)
{
    Open({{1, -1}, {2, 1}, {3, -1}, {4, 3}});
    EXPECT_EQ(Shown(), (std::vector<int>{1, 2, 3, 4}));
    Goto(4);
    Table->Edit();
    Table->FieldByName(QStringLiteral("parent_id"))->SetValue(1);
    Table->Post();
    EXPECT_EQ(Shown(), (std::vector<int>{1, 2, 4, 3}));
    EXPECT_EQ(Int("id"), 4);
    EXPECT_EQ(Tree()->GetRowLevel(), 1);
    // A record inserted meanwhile joins the tree at the next toggle.
    Table->Append();
    Table->FieldByName(QStringLiteral("id"))->SetValue(5);
    Table->FieldByName(QStringLiteral("parent_id"))->SetValue(3);
    Table->Post();
    Goto(1);
    Tree()->CollapseRow(false);
    EXPECT_EQ(Shown(), (std::vector<int>{1, 3, 5}));
}

// The tree fields added to a closed table, and no tree over a query whose
// tree columns are computed (they cannot be written): it stays off, nothing raises.
struct TreeFields : SqliteTest {};

TEST_F(TreeFields, AddedToAClosedTableNotOverComputedColumns)
{
    TZDBGrid grid;
    TZMemDataSet table;
    table.FieldDefs().Add(QStringLiteral("id"), ftInteger);
    table.FieldDefs().Add(QStringLiteral("parent_id"), ftInteger);
    grid.TreeView()->SetRowOrderFieldName(QStringLiteral("ROWORDER"));
    grid.TreeView()->SetRowOrderFieldSize(0);
    grid.TreeView()->AddTreeFields(&table);
    table.CreateDataSet();
    ASSERT_NE(table.FindField(QStringLiteral("RowState")), nullptr);
    EXPECT_EQ(table.FieldByName(QStringLiteral("RowOrder"))->GetSize(), 80);
    for (int id : {1, 2}) {
        table.Append();
        table.FieldByName(QStringLiteral("id"))->SetValue(id);
        if (id == 2)
            table.FieldByName(QStringLiteral("parent_id"))->SetValue(1);
        table.Post();
    }
    TDataSource source;
    source.SetDataSet(&table);
    grid.SetKeyFields(QStringLiteral("id"));
    grid.TreeView()->SetParentFields(QStringLiteral("parent_id"));
    grid.SetDataSource(&source);
    EXPECT_TRUE(grid.TreeView()->GetActive());
    grid.SetDataSource(nullptr);
    EXPECT_FALSE(grid.TreeView()->GetActive());

    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE categories (id INTEGER PRIMARY KEY, parent_id INTEGER)"));
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO categories VALUES (1, NULL), (2, 1)"));
    TZSQLQuery query;
    query.SetConnection(Db());
    query.SetSQLText(QStringLiteral(
        "SELECT id, parent_id, 0 AS RowLevel, '' AS RowOrder, 0 AS RowState FROM categories ORDER BY id"));
    query.Open();
    source.SetDataSet(&query);
    grid.SetDataSource(&source);
    EXPECT_FALSE(grid.TreeView()->GetActive());
    EXPECT_EQ(query.RecordCount(), 2);
    grid.SetDataSource(nullptr);
    source.SetDataSet(nullptr);
}

TEST(TreeViewData, ListFieldsInsertDeleteAndSort)
{
    TZDBTreeViewList list;
    list.AddItem(3, 0, QStringLiteral("c"));
    list.AddItem(1, 0, QStringLiteral("a"));
    list.AddItem(2, 1, QStringLiteral("b"));
    TZDBTreeViewData data;
    data.SetListInstance(&list);
    data.SetItemNameFieldSize(0);
    EXPECT_EQ(data.GetItemNameFieldSize(), 80);
    data.SetParentIDFieldName(QStringLiteral("Parent"));
    data.Open();
    ASSERT_EQ(data.FieldCount(), 6);
    EXPECT_EQ(data.Fields()[1]->GetFieldName(), QStringLiteral("Parent"));
    EXPECT_EQ(data.RecordCount(), 3);
    EXPECT_THROW(data.SetIDFieldName(QStringLiteral("Key")), EDatabaseError);

    data.SetIndexFieldNames(QStringLiteral("ID"));
    EXPECT_EQ(list[0]->ID, 1);
    EXPECT_EQ(data.FieldByName(QStringLiteral("ItemName"))->AsString(), QStringLiteral("a"));
    data.Next();
    data.Edit();
    data.FieldByName(QStringLiteral("RowOrder"))->SetValue(QStringLiteral(" 2"));
    data.Post();
    EXPECT_EQ(list[1]->RowOrder, QStringLiteral(" 2"));
    data.Insert();
    data.FieldByName(QStringLiteral("ID"))->SetValue(9);
    data.Post();
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list[1]->ID, 9);
    data.Delete();
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list[1]->ID, 2);
    EXPECT_THROW(data.SetIndexFieldNames(QStringLiteral("Nope")), EDatabaseError);
    data.Close();
    data.SetIDFieldName(QString());
    EXPECT_EQ(data.GetIDFieldName(), QStringLiteral("ID"));
}

TEST(TreeViewData, AGridShowsItsItemsAsATree)
{
    TZDBTreeViewList list;
    list.AddItem(1, 0, QStringLiteral("Root"));
    list.AddItem(2, 1, QStringLiteral("Child"));
    list.AddItem(3, 2, QStringLiteral("Grandchild"));
    list.AddItem(4, 0, QStringLiteral("Other"));
    list.AddItem(5, 1, QStringLiteral("Second child"));
    TZDBTreeViewData data;
    data.SetListInstance(&list);
    data.Open();
    TDataSource source;
    source.SetDataSet(&data);
    TZDBGrid grid;
    grid.SetKeyFields(QStringLiteral("ID"));
    grid.TreeView()->SetParentFields(QStringLiteral("ParentID"));
    grid.TreeView()->SetOpenToLevel(1);
    grid.SetDataSource(&source);
    ASSERT_TRUE(grid.TreeView()->GetActive());
    auto shown = [&data] {
        QStringList names;
        TDataSetControlsGuard controls(&data);
        for (data.First(); !data.Eof(); data.Next())
            names << data.FieldByName(QStringLiteral("ItemName"))->AsString();
        return names;
    };
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("Root"), QStringLiteral("Child"), QStringLiteral("Second child"),
                                    QStringLiteral("Other")}));
    EXPECT_TRUE(grid.TreeView()->ShowRecord(3, false));
    EXPECT_EQ(data.FieldByName(QStringLiteral("ItemName"))->AsString(), QStringLiteral("Grandchild"));
    EXPECT_EQ(shown().size(), 5);
    grid.SetDataSource(nullptr);
}

} // namespace
} // namespace zdb::test

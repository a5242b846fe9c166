// The data grid's multi-selection: modes, ranges, select all and invert,
// bookmark and column lists, walks over cells, saving by key values across a
// reopen in another order, the clipboard text, delayed delivery, and faults
// raised by an application's handler in the middle of a walk.

#include "DBError.h"
#include "TestDb.h"
#include "ZDBSQLQuery.h"
#include "test_grid_helpers.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

using namespace zdb;
using namespace zdb::test;

namespace {

int IdOf(TDataSet* DataSet)
{
    return DataSet->FieldByName(QStringLiteral("Id"))->GetValue().toInt();
}

// The ids of the selected records, in list order (the position is kept).
std::vector<int> SelectedIds(TZCustomDBGrid& Grid, const QString& Field = QStringLiteral("Id"))
{
    std::vector<int> ids;
    Grid.ForEachDataRow(reSelectedRows,
                        [&] { ids.push_back(Grid.DataSet()->FieldByName(Field)->GetValue().toInt()); });
    return ids;
}

struct Selection : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(100);
    TDataSource Source;
    std::unique_ptr<TCountingGrid> Grid = std::make_unique<TCountingGrid>();
    int RowsChanged = 0;
    int ColsChanged = 0;
    int SelectionChanged = 0;

    void SetUp() override
    {
        Source.SetDataSet(Table.get());
        Grid->SetOptions(Grid->GetOptions() | dgMultiSelect);
        // Delivery at once (the delayed one has its own test).
        Grid->SetOptionsEx(Grid->GetOptionsEx() & ~TZDBGridOptionsEx(dgDelaySelectedRows));
        Grid->SetDataSource(&Source);
        Grid->OnSelectedRowsChanged = [this](TZCustomDBGrid*) { ++RowsChanged; };
        Grid->OnSelectedColsChanged = [this](TZCustomDBGrid*) { ++ColsChanged; };
        Grid->OnSelectionChanged = [this](TZCustomDBGrid*) { ++SelectionChanged; };
        ShowGrid(*Grid, 400, 300);
    }
    void TearDown() override
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
    }
    void GoTo(int Id) { ASSERT_TRUE(Table->Locate(QStringLiteral("Id"), Id)); }
    void Select(std::initializer_list<int> Ids)
    {
        for (int id : Ids) {
            GoTo(id);
            Grid->SelectRow();
        }
    }
};

} // namespace

// ---- Modes ------------------------------------------------------------------------

TEST_F(Selection, ModeFollowsOptionsAndRange)
{
    EXPECT_EQ(Grid->GetMultiSelect(), msRows);
    Grid->SetMultiSelect(msCols); // not allowed by [msRows]
    EXPECT_EQ(Grid->GetMultiSelect(), msRows);
    EXPECT_TRUE(Grid->IsColMultiSelected(0));
    EXPECT_TRUE(Grid->IsColMultiSelected(2));

    Grid->SetMultiSelectOptions({msRows, msCells});
    Grid->SetSelectionBegCol(1);
    EXPECT_EQ(Grid->GetMultiSelect(), msCells);
    Grid->SetSelectionEndCol(2);
    EXPECT_FALSE(Grid->IsColMultiSelected(0));
    EXPECT_TRUE(Grid->IsColMultiSelected(1));
    EXPECT_TRUE(Grid->IsColMultiSelected(2));
    EXPECT_TRUE(Grid->ColsSelected());
    EXPECT_EQ(Grid->SelectedCols()->Count(), 2);

    // The range given backwards is ordered.
    Grid->SetSelectionBegCol(2);
    Grid->SetSelectionEndCol(0);
    EXPECT_EQ(Grid->SelectionMin(), 0);
    EXPECT_EQ(Grid->SelectionMax(), 2);

    Grid->SetMultiSelectOptions({msCols});
    EXPECT_EQ(Grid->GetMultiSelect(), msNone); // msRows is the candidate, not allowed
    EXPECT_EQ(Grid->GetSelectionBegCol(), -1);
}

TEST_F(Selection, RowSelectForbidsColumnModes)
{
    Grid->SetMultiSelectOptions({msRows, msCols});
    Grid->SetOptions(Grid->GetOptions() | dgRowSelect);
    Grid->SetMultiSelect(msCols);
    EXPECT_EQ(Grid->GetMultiSelect(), msRows);
    Grid->SetOptions(Grid->GetOptions() & ~TZDBGridOptions(dgRowSelect));
    Grid->SetMultiSelect(msCols);
    EXPECT_EQ(Grid->GetMultiSelect(), msCols);
    EXPECT_TRUE(Grid->GetSelectionColumn());

    // Switching row selection re-evaluates the mode of a begun cell range.
    Grid->SetMultiSelectOptions({msRows, msCells});
    Grid->SetSelectionBegCol(1);
    ASSERT_EQ(Grid->GetMultiSelect(), msCells);
    Grid->SetOptions(Grid->GetOptions() | dgRowSelect);
    EXPECT_EQ(Grid->GetMultiSelect(), msRows);
    Grid->SetOptions(Grid->GetOptions() & ~TZDBGridOptions(dgRowSelect));
    EXPECT_EQ(Grid->GetMultiSelect(), msCells);
}

// ---- Single rows and ranges -------------------------------------------------------------

TEST_F(Selection, SingleRowsAndActions)
{
    std::vector<TSelectAction> actions;
    Grid->OnRowSelect = [&](TZCustomDBGrid*, TSelectAction A) { actions.push_back(A); };
    Select({5, 3});
    Grid->SelectRow(); // 3 again: no change
    GoTo(5);
    Grid->InvertRow();
    Grid->InvertRow();
    Grid->UnselectRow();
    EXPECT_EQ(actions, (std::vector<TSelectAction>{saSelect, saSelect, saUnselect, saSelect, saUnselect}));
    EXPECT_EQ(SelectedIds(*Grid), std::vector<int>{3});
    EXPECT_EQ(IdOf(Table.get()), 5); // the walk kept the position
    EXPECT_EQ(RowsChanged, 5);        // one delivery per change
    GoTo(3);
    EXPECT_TRUE(Grid->SelectedRows()->CurrentRowSelected());
    EXPECT_TRUE(Grid->IsRowSelected());
    Grid->SelectedRows()->SetCurrentRowSelected(false);
    EXPECT_TRUE(Grid->SelectedRows()->IsEmpty());
}

TEST_F(Selection, SelectRowsWalksToTheAnchorBothWays)
{
    GoTo(8);
    Grid->SetSelectionAnchor(Table->Bookmark());
    GoTo(5);
    const int row = Grid->DataLink()->ActiveRecord();
    Grid->SelectRows();
    EXPECT_EQ(SelectedIds(*Grid), (std::vector<int>{5, 6, 7, 8}));
    EXPECT_EQ(IdOf(Table.get()), 5);
    EXPECT_EQ(Grid->DataLink()->ActiveRecord(), row);
    EXPECT_EQ(RowsChanged, 1);

    GoTo(10); // after the anchor: walks backwards
    Grid->SelectRows();
    EXPECT_EQ(SelectedIds(*Grid), (std::vector<int>{5, 6, 7, 8, 9, 10}));
    GoTo(6);
    Grid->UnselectRows();
    EXPECT_EQ(SelectedIds(*Grid), (std::vector<int>{5, 9, 10}));
    GoTo(10);
    Grid->InvertRows(); // 10 and 9 off, the anchor 8 on
    EXPECT_EQ(SelectedIds(*Grid), (std::vector<int>{5, 8}));
    EXPECT_FALSE(Table->ControlsDisabled());
}

TEST_F(Selection, SelectRowsWithoutAnchorStartsOne)
{
    GoTo(4);
    Grid->SelectRows();
    EXPECT_EQ(SelectedIds(*Grid), std::vector<int>{4});
    GoTo(4);
    EXPECT_EQ(Grid->CompareRows(), 0);
}

// ---- Whole dataset ----------------------------------------------------------------------

TEST_F(Selection, SelectAllKeepsTheRecordOnItsScreenRow)
{
    Table->MoveBy(40);
    Table->MoveBy(-3); // scrolled, and not on the row a centred jump would use
    const int id = IdOf(Table.get());
    const int row = Grid->DataLink()->ActiveRecord();
    const int gridRow = Grid->GetRow();
    ASSERT_GT(row, 0);

    Grid->SelectAll();
    EXPECT_EQ(Grid->SelectedRows()->Count(), 100);
    EXPECT_EQ(IdOf(Table.get()), id);
    EXPECT_EQ(Grid->DataLink()->ActiveRecord(), row);
    EXPECT_EQ(Grid->GetRow(), gridRow);
    EXPECT_FALSE(Table->ControlsDisabled());
    EXPECT_FALSE(Grid->PositionDisabled());
    EXPECT_EQ(RowsChanged, 1);
    EXPECT_EQ(SelectionChanged, 1);
    EXPECT_EQ(Grid->GetSelectionAnchor(), Table->Bookmark());
    EXPECT_TRUE(Grid->RowsSelected());
    EXPECT_TRUE(Grid->IsCellMultiSelected(0));

    Grid->ClearSelection();
    EXPECT_FALSE(Grid->MultiSelected());
    EXPECT_TRUE(Grid->GetSelectionAnchor().isEmpty());
    EXPECT_EQ(RowsChanged, 2);
}

TEST_F(Selection, InvertAllRowsAndColumns)
{
    Table->Close();
    Table = MakeOrders(6);
    Source.SetDataSet(Table.get());
    Select({2, 4});
    Grid->InvertAll();
    EXPECT_EQ(SelectedIds(*Grid), (std::vector<int>{1, 3, 5, 6}));
    Grid->InvertAll();
    EXPECT_EQ(SelectedIds(*Grid), (std::vector<int>{2, 4}));

    Grid->SetMultiSelectOptions({msRows, msCols, msCells});
    Grid->SetSelectionBegCol(1);
    Grid->SetSelectionEndCol(1);
    ASSERT_EQ(Grid->GetMultiSelect(), msCells);
    Select({1});
    Grid->InvertAll(); // not for cells
    EXPECT_EQ(SelectedIds(*Grid), std::vector<int>{1});

    Grid->SetMultiSelect(msCols);
    Grid->SelectedCols()->SetColumns(1, true);
    Grid->InvertAll();
    EXPECT_TRUE(Grid->IsColMultiSelected(0));
    EXPECT_FALSE(Grid->IsColMultiSelected(1));
    EXPECT_TRUE(Grid->IsColMultiSelected(2));
    EXPECT_GE(ColsChanged, 1);
}

TEST_F(Selection, SelectAllColumns)
{
    Grid->SetMultiSelectOptions({msCols});
    Grid->SetSelectionColumn(true);
    ASSERT_EQ(Grid->GetMultiSelect(), msCols);
    Grid->SelectAll();
    EXPECT_EQ(Grid->SelectedCols()->Count(), 3);
    EXPECT_TRUE(Grid->SelectedRows()->IsEmpty());
    std::vector<QString> names;
    Grid->ForEachDataCol(ceSelectedCols, [&](TZColumn* C) { names.push_back(C->GetFieldName()); });
    EXPECT_EQ(names, (std::vector<QString>{"Id", "Customer", "Amount"}));
}

TEST_F(Selection, ColumnsSavedAndRestoredByID)
{
    Grid->SetMultiSelectOptions({msRows, msCols});
    Grid->SetMultiSelect(msCols);
    ASSERT_EQ(Grid->GetMultiSelect(), msCols);
    Grid->SelectedCols()->SetColumns(2, true);
    Grid->SelectedCols()->SetColumns(0, true);
    EXPECT_EQ(Grid->SelectedCols()->Items(0), Grid->Columns()->Items(0)); // collection order
    Grid->SaveSelection(QStringLiteral("Id"));
    Grid->SetMultiSelect(msRows);
    EXPECT_EQ(Grid->SelectedCols()->Count(), 0);

    Grid->RestoreSelection(QStringLiteral("Id"));
    EXPECT_EQ(Grid->GetMultiSelect(), msCols);
    EXPECT_TRUE(Grid->IsColMultiSelected(0));
    EXPECT_FALSE(Grid->IsColMultiSelected(1));
    EXPECT_TRUE(Grid->IsColMultiSelected(2));
}

// ---- Lists ------------------------------------------------------------------------------

TEST_F(Selection, BookmarkListKeepsDatasetOrder)
{
    Select({9, 2, 50, 7});
    TZBookmarkList* list = Grid->SelectedRows();
    ASSERT_EQ(list->Count(), 4);
    for (int i = 1; i < list->Count(); ++i)
        EXPECT_LT(list->Compare(list->Items(i - 1), list->Items(i)), 0);
    GoTo(7);
    const TBookmark seven = Table->Bookmark();
    EXPECT_EQ(list->IndexOf(seven), 1);
    EXPECT_EQ(list->IndexOf(seven), 1); // answered from the cache
    int at = -1;
    GoTo(8);
    EXPECT_FALSE(list->Find(Table->Bookmark(), at));
    EXPECT_EQ(at, 2);
    EXPECT_THROW(list->InsertItem(5, seven), std::out_of_range);
    EXPECT_THROW(list->DeleteItem(4), std::out_of_range);

    int visited = 0;
    for (const TBookmark& bm : *list) {
        EXPECT_GE(list->IndexOf(bm), 0);
        ++visited;
    }
    EXPECT_EQ(visited, 4);
}

TEST_F(Selection, DeleteAndRefresh)
{
    Select({3, 4, 10});
    GoTo(20);
    Grid->SelectedRows()->Delete();
    EXPECT_EQ(Table->RecordCount(), 97);
    EXPECT_TRUE(Grid->SelectedRows()->IsEmpty());
    EXPECT_FALSE(Table->Locate(QStringLiteral("Id"), 4));
    EXPECT_FALSE(Table->ControlsDisabled());

    Select({30, 31});
    GoTo(31);
    Table->Delete(); // the bookmark stays until Refresh
    EXPECT_EQ(Grid->SelectedRows()->Count(), 2);
    EXPECT_TRUE(Grid->SelectedRows()->Refresh());
    EXPECT_EQ(SelectedIds(*Grid), std::vector<int>{30});
    EXPECT_FALSE(Grid->SelectedRows()->Refresh());
}

TEST_F(Selection, DeleteFailingPartWayReportsWhatWasDeleted)
{
    Select({5, 17, 25});
    std::vector<TSelectAction> actions;
    Grid->OnRowSelect = [&](TZCustomDBGrid*, TSelectAction A) { actions.push_back(A); };
    Table->BeforeDelete = [](TDataSet* DataSet) {
        if (IdOf(DataSet) == 17)
            throw EDatabaseError(QStringLiteral("17 is kept"));
    };
    RowsChanged = 0;
    EXPECT_THROW(Grid->SelectedRows()->Delete(), EDatabaseError);
    // From the last bookmark back: 25 went, 17 refused; the rest stays selected.
    EXPECT_FALSE(Table->Locate(QStringLiteral("Id"), 25));
    EXPECT_EQ(Table->RecordCount(), 99);
    EXPECT_EQ(SelectedIds(*Grid), (std::vector<int>{5, 17}));
    EXPECT_EQ(actions, std::vector<TSelectAction>{saDelete});
    EXPECT_EQ(RowsChanged, 1);
    EXPECT_FALSE(Table->ControlsDisabled());
    EXPECT_EQ(Grid->SelectCount(), 0);
}

TEST_F(Selection, ListsNeedAnActiveLink)
{
    Table->Close();
    EXPECT_THROW(Grid->SelectedRows()->CurrentRow(), EDatabaseError);
    EXPECT_THROW(Grid->SelectedRows()->Save(QStringLiteral("Id")), EDatabaseError);
    Grid->SelectRow(); // nothing
    Grid->SelectAll();
    EXPECT_EQ(Grid->SelectedRows()->Count(), 0);
    Table->Open();
    EXPECT_THROW(Grid->SelectedRows()->Save(), EDatabaseError); // no KeyFields
}

TEST_F(Selection, ListStaysOrderedWhenTheDataSetChangesOutsideTheGrid)
{
    Select({10, 20, 30, 40, 50});
    auto selectedHere = [&](int Id) {
        GoTo(Id);
        return Grid->IsRowSelected();
    };
    auto ordered = [&] {
        const TZBookmarkList* list = Grid->SelectedRows();
        for (int i = 1; i < list->Count(); ++i)
            if (list->Compare(list->Items(i - 1), list->Items(i)) >= 0)
                return false;
        return true;
    };

    Table->SetIndexFieldNames(QStringLiteral("Amount DESC")); // re-sorted: the view is reversed
    for (int id : {10, 20, 30, 40, 50})
        EXPECT_TRUE(selectedHere(id)) << id;
    EXPECT_FALSE(selectedHere(15));
    GoTo(30);
    Grid->SelectRow(); // listed already: no second entry
    EXPECT_EQ(Grid->SelectedRows()->Count(), 5);

    Table->SetOnFilterRecord([](TDataSet* DataSet, bool& Accept) { Accept = IdOf(DataSet) != 20; });
    Table->SetFiltered(true);
    Select({35});
    GoTo(40);
    Table->Delete();
    EXPECT_EQ(Grid->SelectedRows()->Count(), 6); // 20 (filtered out) and 40 (deleted) stay listed
    EXPECT_TRUE(ordered());
    for (int id : {10, 30, 35, 50})
        EXPECT_TRUE(selectedHere(id)) << id;
    GoTo(45);
    Grid->InvertRow();
    Grid->InvertRow();
    EXPECT_EQ(Grid->SelectedRows()->Count(), 6);

    // The copy visits every selected record that is there once.
    Grid->CopyToClipboard(false);
    QStringList lines = QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    lines.sort();
    EXPECT_EQ(lines, (QStringList{"10\tCustomer 10\t100", "30\tCustomer 30\t300", "35\tCustomer 35\t350",
                                  "50\tCustomer 50\t500"}));

    EXPECT_TRUE(Grid->SelectedRows()->Refresh());
    EXPECT_EQ(Grid->SelectedRows()->Count(), 4);
    Table->SetFiltered(false);
    EXPECT_FALSE(selectedHere(20));
    EXPECT_TRUE(selectedHere(50));
}

TEST_F(Selection, RangesAndRestoreOnALargerSortedTable)
{
    // The view runs against the bookmarks' order, so each walk comes in reverse or mixed
    // order; every result is checked against a record-by-record model.
    Table->Close();
    const int rows = 3000;
    Table = MakeOrders(rows);
    Source.SetDataSet(Table.get());
    Table->SetIndexFieldNames(QStringLiteral("Amount DESC")); // record p (1-based) has id rows + 1 - p
    std::set<int> model;
    for (int id = 7; id <= rows; id += 7)
        model.insert(id);
    for (int p = 1; p <= rows; ++p)
        if (model.count(rows + 1 - p)) {
            Table->SetRecNo(p);
            Grid->SelectRow();
        }
    auto range = [&](int AnchorRecNo, int CurrentRecNo) {
        Table->SetRecNo(AnchorRecNo);
        Grid->SetSelectionAnchor(Table->Bookmark());
        Table->SetRecNo(CurrentRecNo);
    };
    auto idsBetween = [&](int A, int B) {
        std::vector<int> ids;
        for (int p = std::min(A, B); p <= std::max(A, B); ++p)
            ids.push_back(rows + 1 - p);
        return ids;
    };
    range(100, 2500); // walks backwards
    Grid->SelectRows();
    for (int id : idsBetween(100, 2500))
        model.insert(id);
    EXPECT_EQ(IdOf(Table.get()), rows + 1 - 2500);
    range(2800, 50); // forwards
    Grid->UnselectRows();
    for (int id : idsBetween(50, 2800))
        model.erase(id);
    range(2990, 20);
    Grid->InvertRows();
    for (int id : idsBetween(20, 2990))
        if (!model.erase(id))
            model.insert(id);

    std::vector<int> ids = SelectedIds(*Grid);
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()), model);
    EXPECT_EQ(ids.size(), model.size());
    for (int id : {1, 7, 21, 1500, 2983, 2995, 3000}) {
        GoTo(id);
        EXPECT_EQ(Grid->IsRowSelected(), model.count(id) == 1) << id;
    }

    // Restored by key in another order, also by two key fields: the same records.
    for (const QString& keys : {QStringLiteral("Id"), QStringLiteral("Customer;Id")}) {
        Grid->SaveSelection(keys);
        Grid->ClearSelection();
        Table->SetIndexFieldNames(QStringLiteral("Customer"));
        Grid->RestoreSelection(keys);
        ids = SelectedIds(*Grid);
        EXPECT_EQ(std::set<int>(ids.begin(), ids.end()), model) << keys.toStdString();
        EXPECT_EQ(ids.size(), model.size());
        Table->SetIndexFieldNames(QString());
    }
}

// ---- Walks -----------------------------------------------------------------------------

TEST_F(Selection, ForEachDataCellWithoutSelectionVisitsEveryCell)
{
    Table->Close();
    Table = MakeOrders(3);
    Source.SetDataSet(Table.get());
    GoTo(2);
    int cells = 0, firstCol = 0, lastCol = 0, firstRow = 0, lastRow = 0;
    std::vector<int> rowIds;
    Grid->ForEachDataCell(
        [&](TZColumn*, TForEachCellFlags F) {
            ++cells;
            firstCol += F.Contains(feFirstCol);
            lastCol += F.Contains(feLastCol);
            firstRow += F.Contains(feFirstRow);
            lastRow += F.Contains(feLastRow);
            if (F.Contains(feFirstCol))
                rowIds.push_back(IdOf(Table.get()));
            if (F.Contains(feFirstRow)) {
                EXPECT_EQ(IdOf(Table.get()), 1);
            }
            if (F.Contains(feLastRow)) {
                EXPECT_EQ(IdOf(Table.get()), 3);
            }
        },
        fsAutoSelect);
    EXPECT_EQ(cells, 9);
    EXPECT_EQ(firstCol, 3);
    EXPECT_EQ(lastCol, 3);
    EXPECT_EQ(firstRow, 3);
    EXPECT_EQ(lastRow, 3);
    EXPECT_EQ(rowIds, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(IdOf(Table.get()), 2);

    cells = 0;
    Grid->ForEachDataCell([&](TZColumn*, TForEachCellFlags) { ++cells; }, fsSelectedOnly);
    EXPECT_EQ(cells, 0);
}

TEST_F(Selection, RowViewsInRangeFor)
{
    Table->Close();
    Table = MakeOrders(5);
    Source.SetDataSet(Table.get());
    GoTo(3);
    std::vector<int> ids;
    for (const TBookmark& bm : Grid->SelectedRows()->OrCurrent()) {
        EXPECT_FALSE(bm.isEmpty());
        ids.push_back(IdOf(Table.get()));
    }
    EXPECT_EQ(ids, std::vector<int>{3});
    ids.clear();
    for (const TBookmark& bm : Grid->SelectedRows()->OrAllRows()) {
        (void)bm;
        ids.push_back(IdOf(Table.get()));
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5}));
    Select({4, 2});
    ids.clear();
    for (const TBookmark& bm : Grid->SelectedRows()->OrAllRows()) {
        (void)bm;
        ids.push_back(IdOf(Table.get()));
    }
    EXPECT_EQ(ids, (std::vector<int>{2, 4}));
    int columns = 0;
    for (TZColumn* column : Grid->CurrentCol()) {
        EXPECT_EQ(column, Grid->SelectedColumn());
        ++columns;
    }
    EXPECT_EQ(columns, 1);
}

// ---- Faults ----------------------------------------------------------------------------

TEST_F(Selection, HandlerThrowingMidWalkLeavesNoBracketOpen)
{
    Table->MoveBy(30);
    const int id = IdOf(Table.get());
    int calls = 0;
    Grid->OnRowSelect = [&](TZCustomDBGrid*, TSelectAction A) {
        if (A == saSelect && ++calls == 10)
            throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(Grid->SelectAll(), std::runtime_error);
    EXPECT_FALSE(Table->ControlsDisabled());
    EXPECT_FALSE(Grid->PositionDisabled());
    EXPECT_EQ(Grid->SelectCount(), 0);
    EXPECT_FALSE(Grid->UpdateLocked());
    EXPECT_EQ(IdOf(Table.get()), id);

    Grid->OnRowSelect = nullptr;
    Grid->SelectAll();
    EXPECT_EQ(Grid->SelectedRows()->Count(), 100);

    // A delivery handler failing: the bracket is closed all the same.
    Grid->OnSelectedRowsChanged = [](TZCustomDBGrid*) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(Grid->InvertAll(), std::runtime_error);
    EXPECT_EQ(Grid->SelectCount(), 0);
    EXPECT_FALSE(Table->ControlsDisabled());
    EXPECT_TRUE(Grid->SelectedRows()->IsEmpty());
    Grid->OnSelectedRowsChanged = nullptr;
    Grid->SelectAll();
    EXPECT_EQ(Grid->SelectedRows()->Count(), 100);
    Table->Next();
    EXPECT_EQ(IdOf(Table.get()), id + 1); // the grid follows the dataset again
    EXPECT_EQ(Grid->DataLink()->ActiveRecord() + Grid->FirstDataRow(), Grid->GetRow());
}

// ---- Delayed delivery --------------------------------------------------------------------

TEST_F(Selection, DelayedDeliveryComesOnceAfterThePause)
{
    Grid->SetOptionsEx(Grid->GetOptionsEx() | dgDelaySelectedRows);
    Select({1, 2, 3});
    EXPECT_EQ(RowsChanged, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return RowsChanged > 0; }, 5000));
    EXPECT_EQ(RowsChanged, 1);
    EXPECT_EQ(SelectionChanged, 1);
    Select({4});
    Grid->PerformDelayed(); // pending work runs at once
    EXPECT_EQ(RowsChanged, 2);
}

// ---- Clipboard ---------------------------------------------------------------------------

TEST(SelectionClipboard, TitlesTabsAndLines)
{
    TZMemDataSet table;
    table.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    table.FieldDefs().Add(QStringLiteral("A"), ftWideString, 40);
    table.FieldDefs().Add(QStringLiteral("B"), ftWideString, 40);
    table.CreateDataSet();
    const QStringList as{QStringLiteral("one\ttwo"), QStringLiteral("plain"), QStringLiteral("skip")};
    for (int i = 0; i < 3; ++i) {
        table.Append();
        table.FieldByName(QStringLiteral("Id"))->SetValue(i + 1);
        table.FieldByName(QStringLiteral("A"))->SetValue(as[i]);
        table.FieldByName(QStringLiteral("B"))->SetValue(QStringLiteral("b%1").arg(i + 1));
        table.Post();
    }
    TDataSource source;
    source.SetDataSet(&table);
    TZDBGrid grid;
    grid.SetOptions(grid.GetOptions() | dgMultiSelect);
    grid.SetDataSource(&source);
    grid.SetFixedCols(1); // Id is frozen: not part of a row selection's columns
    ASSERT_EQ(grid.SelectionOffset(), 1);

    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    grid.CopyToClipboard(true); // nothing selected: nothing copied
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

    table.First();
    grid.SelectRow();
    table.Next();
    grid.SelectRow();
    grid.CopyToClipboard(true);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("A\tB\r\none two\tb1\r\nplain\tb2"));
    grid.CopyToClipboard(false);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("one two\tb1\r\nplain\tb2"));
    EXPECT_EQ(table.FieldByName(QStringLiteral("Id"))->GetValue().toInt(), 2);
}

namespace {

// Counts the jumps to a bookmark (each re-reads the buffered window).
struct TJumpCountingTable : TZMemDataSet {
    int Jumps = 0;
    void InternalGotoBookmark(const TBookmark& Bookmark) override
    {
        ++Jumps;
        TZMemDataSet::InternalGotoBookmark(Bookmark);
    }
};

} // namespace

TEST(SelectionWalk, NeighbouringRowsAreStepsNotJumps)
{
    TJumpCountingTable table;
    table.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    table.CreateDataSet();
    for (int i = 1; i <= 60; ++i) {
        table.Append();
        table.Fields()[0]->SetValue(i);
        table.Post();
    }
    TDataSource source;
    source.SetDataSet(&table);
    TZDBGrid grid;
    grid.SetOptions(grid.GetOptions() | dgMultiSelect);
    grid.SetDataSource(&source);
    ShowGrid(grid, 400, 300);
    std::vector<int> expected;
    auto select = [&](int Id) {
        ASSERT_TRUE(table.Locate(QStringLiteral("Id"), Id));
        grid.SelectRow();
        expected.push_back(Id);
    };
    for (int id = 10; id <= 30; ++id)
        select(id);
    select(40); // gaps: jumps
    select(42);
    select(60); // the last record: its step ends at Eof

    table.Jumps = 0;
    EXPECT_EQ(SelectedIds(grid), expected);
    EXPECT_LE(table.Jumps, 5); // the first row, 40, 42, 60 and back to the current record
    EXPECT_EQ(IdOf(&table), 60);
}

// ---- Saving by key across a reopen -----------------------------------------------------

namespace {

struct SelectionSql : SqliteOrders {
    void SetUp() override
    {
        SqliteOrders::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        CreateOrders(40);
        if (HasFatalFailure())
            return;
        Grid->SetOptions(Grid->GetOptions() | dgMultiSelect);
        Grid->SetDataSource(&Source);
    }
    void TearDown() override
    {
        Grid.reset();
        SqliteOrders::TearDown();
    }
    std::unique_ptr<TZDBGrid> Grid = std::make_unique<TZDBGrid>();
};

} // namespace

TEST_F(SelectionSql, RestoreByKeyAfterReopeningInAnotherOrder)
{
    for (int id : {3, 17, 31}) {
        ASSERT_TRUE(Query->Locate(QStringLiteral("id"), id));
        Grid->SelectRow();
    }
    Grid->SaveSelection(QStringLiteral("id"));
    EXPECT_EQ(Grid->SavedMultiSelect(), msRows);
    ASSERT_EQ(Grid->SelectedRows()->SavedKeys().size(), 3u);

    Query->Close();
    EXPECT_TRUE(Grid->SelectedRows()->IsEmpty()); // the link went inactive
    Query->SetSQLText("SELECT id, note FROM orders ORDER BY id DESC");
    Query->Open();
    Query->MoveBy(5);
    const int current = Query->FieldByName(QStringLiteral("id"))->GetValue().toInt();

    Grid->RestoreSelection(QStringLiteral("id"));
    EXPECT_EQ(SelectedIds(*Grid, QStringLiteral("id")), (std::vector<int>{31, 17, 3})); // the new order
    EXPECT_EQ(Query->FieldByName(QStringLiteral("id"))->GetValue().toInt(), current);
    EXPECT_FALSE(Query->ControlsDisabled());

    // A key that is gone stays unselected.
    ASSERT_TRUE(ExecSql(Db(), "DELETE FROM orders WHERE id = 17"));
    Query->Close();
    Query->Open();
    Grid->RestoreSelection(QStringLiteral("id"));
    EXPECT_EQ(SelectedIds(*Grid, QStringLiteral("id")), (std::vector<int>{31, 3}));
}

// ---- Deleting the selected rows of an SQL query -----------------------------------------

namespace {

class SelectionDeleteSql : public BackendTest
{
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const QSqlDatabase db = Db();
        if (Sqlite()) {
            ASSERT_TRUE(ExecSql(db, "PRAGMA foreign_keys = ON"));
        }
        ASSERT_TRUE(ExecSql(db, "CREATE TABLE orders (id INTEGER PRIMARY KEY, note VARCHAR(40))"));
        ASSERT_TRUE(ExecSql(db, "CREATE TABLE items (order_id INTEGER REFERENCES orders (id))"));
        for (int i = 1; i <= 40; ++i)
            ASSERT_TRUE(ExecSql(db, QStringLiteral("INSERT INTO orders VALUES (%1, 'note %1')").arg(i)));
        ASSERT_TRUE(ExecSql(db, "INSERT INTO items VALUES (17)")); // order 17 cannot go
        Query = std::make_unique<TZSQLQuery>();
        Query->SetConnection(db);
        Query->SetPacketRecords(10); // rows are still to be read while the rows are deleted
        Query->SetSQLText("SELECT id, note FROM orders ORDER BY id");
        Query->Open();
        Source.SetDataSet(Query.get());
        Grid = std::make_unique<TZDBGrid>();
        Grid->SetOptions(Grid->GetOptions() | dgMultiSelect);
        Grid->SetOptionsEx(Grid->GetOptionsEx() & ~TZDBGridOptionsEx(dgDelaySelectedRows));
        Grid->SetDataSource(&Source);
        Grid->OnRowSelect = [this](TZCustomDBGrid*, TSelectAction A) { Actions.push_back(A); };
    }
    void TearDown() override
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
        Query.reset();
    }
    int ServerCount() const
    {
        QSqlQuery q(Db());
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM orders")) && q.next() ? q.value(0).toInt() : -1;
    }
    int Id() const { return Query->FieldByName(QStringLiteral("id"))->GetValue().toInt(); }

    std::unique_ptr<TZSQLQuery> Query;
    TDataSource Source;
    std::unique_ptr<TZDBGrid> Grid;
    std::vector<TSelectAction> Actions;
};

} // namespace

TEST_P(SelectionDeleteSql, AllOrNothing)
{
    for (int id : {5, 17, 25}) {
        ASSERT_TRUE(Query->Locate(QStringLiteral("id"), id));
        Grid->SelectRow();
    }
    ASSERT_TRUE(Query->Locate(QStringLiteral("id"), 3));
    Actions.clear();

    // Deleting 25 succeeds, 17 is refused by the server: nothing is deleted.
    EXPECT_THROW(Grid->SelectedRows()->Delete(), EDatabaseError);
    EXPECT_EQ(ServerCount(), 40);
    EXPECT_FALSE(Query->InTransaction());
    EXPECT_TRUE(Actions.empty());
    EXPECT_EQ(Id(), 3);
    EXPECT_EQ(SelectedIds(*Grid, QStringLiteral("id")), (std::vector<int>{5, 17, 25}));
    EXPECT_FALSE(Query->ControlsDisabled());
    std::vector<int> ids;
    for (Query->First(); !Query->Eof(); Query->Next())
        ids.push_back(Id());
    ASSERT_EQ(ids.size(), 40u);
    EXPECT_EQ(ids[24], 25);
    EXPECT_EQ(Query->RecordCount(), 40);

    // Without the constraint all go, and the deletion is reported.
    ASSERT_TRUE(ExecSql(Db(), "DELETE FROM items"));
    Grid->SelectedRows()->Delete();
    EXPECT_EQ(ServerCount(), 37);
    EXPECT_EQ(Query->RecordCount(), 37);
    EXPECT_TRUE(Grid->SelectedRows()->IsEmpty());
    EXPECT_EQ(Actions, std::vector<TSelectAction>{saDelete});
    for (int id : {5, 17, 25})
        EXPECT_FALSE(Query->Locate(QStringLiteral("id"), id)) << id;
}

TEST_P(SelectionDeleteSql, InsideTheApplicationsTransaction)
{
    ASSERT_TRUE(ExecSql(Db(), "DELETE FROM items"));
    for (int id : {5, 25}) {
        ASSERT_TRUE(Query->Locate(QStringLiteral("id"), id));
        Grid->SelectRow();
    }
    // The application began a transaction on the connection: the deletes run in it.
    QSqlDatabase db = Db();
    ASSERT_TRUE(db.transaction());
    Grid->SelectedRows()->Delete();
    EXPECT_FALSE(Query->InTransaction());
    EXPECT_EQ(ServerCount(), 38);
    EXPECT_EQ(Query->RecordCount(), 38);
    EXPECT_TRUE(Grid->SelectedRows()->IsEmpty());
    // Its rollback brings them back on the server.
    ASSERT_TRUE(db.rollback());
    EXPECT_EQ(ServerCount(), 40);

    // Without the application's transaction the query brackets its own.
    Query->Close();
    Query->Open();
    ASSERT_TRUE(Query->Locate(QStringLiteral("id"), 7));
    Grid->SelectRow();
    Grid->SelectedRows()->Delete();
    EXPECT_FALSE(Query->InTransaction());
    EXPECT_EQ(ServerCount(), 39);
}

INSTANTIATE_TEST_SUITE_P(Backends, SelectionDeleteSql, zdb::test::AllBackends(), zdb::test::BackendName);

// ---- A million records -------------------------------------------------------------------

namespace {

struct SelectionMillion : ::testing::Test {
    static void SetUpTestSuite()
    {
        Table = std::make_unique<TZMemDataSet>();
        Table->FieldDefs().Add(QStringLiteral("Id"), ftInteger);
        Table->CreateDataSet();
        TDataSetControlsGuard controls(Table.get());
        for (int i = 1; i <= 1000000; ++i) {
            Table->Append();
            Table->Fields()[0]->SetValue(i);
            Table->Post();
        }
        Table->First();
    }
    static void TearDownTestSuite() { Table.reset(); }
    static std::unique_ptr<TZMemDataSet> Table;
};

std::unique_ptr<TZMemDataSet> SelectionMillion::Table;

} // namespace

TEST_F(SelectionMillion, SelectAllCompletes)
{
    TDataSource source;
    source.SetDataSet(Table.get());
    TZDBGrid grid;
    grid.SetOptions(grid.GetOptions() | dgMultiSelect);
    grid.SetDataSource(&source);
    Table->MoveBy(500000);
    grid.SelectAll();
    EXPECT_EQ(grid.SelectedRows()->Count(), 1000000);
    EXPECT_EQ(Table->Fields()[0]->GetValue().toInt(), 500001);
    grid.InvertAll();
    EXPECT_TRUE(grid.SelectedRows()->IsEmpty());
}

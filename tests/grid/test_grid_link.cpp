// The data grid's reactions to its data link, its record position brackets,
// refreshing by key fields, the delayed-update timers and linked grids.

#include "DBError.h"
#include "TestDb.h"
#include "ZDBSQLQuery.h"
#include "test_grid_helpers.h"

#include <QScreen>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace zdb;
using namespace zdb::test;

namespace {

// Counts the data cells painted and the delayed totals work done.
class TLinkGrid : public TCountingGrid
{
public:
    explicit TLinkGrid(QWidget* parent = nullptr) : TCountingGrid(parent) {}
    int DataCellsDrawn = 0;
    int TotalsDone = 0;
    int ListItemsDone = 0;

protected:
    void DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState) override
    {
        if (ACol >= IndicatorOffset() && ARow >= FirstDataRow() && ARow < GetRowCount() - BottomRowCount())
            ++DataCellsDrawn;
        TCountingGrid::DrawCell(ACol, ARow, ARect, AState);
    }
    void UpdateCalcValues(bool /*Selected*/) override { ++TotalsDone; }
    void UpdateListItems(bool Delayed) override
    {
        if (Delayed && DelayUpdate(duListItems))
            return;
        LoadListItems();
    }
    // The delay timer loads the lists.
    void LoadListItems() override { ++ListItemsDone; }
};

class TOneWayTable : public TZMemDataSet
{
public:
    bool IsUniDirectional() const override { return true; }
};

void AddColumns(TZCustomDBGrid& Grid, std::initializer_list<const char*> Names)
{
    for (const char* name : Names)
        Grid.Columns()->Add()->SetFieldName(QString::fromLatin1(name));
}

QVariant CurrentId(TDataSet& DataSet, const char* Name = "Id")
{
    return DataSet.FieldByName(QString::fromLatin1(Name))->GetValue();
}

// ---- A grid over an in-memory table ----------------------------------------------------

struct LinkGrid : ::testing::Test {
    void SetUp() override
    {
        Table = MakeOrders(60);
        Source.SetDataSet(Table.get());
    }
    void TearDown() override
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
    }
    void Show()
    {
        Grid->SetDataSource(&Source);
        ShowGrid(*Grid, 400, 300);
    }
    std::unique_ptr<TZMemDataSet> Table;
    TDataSource Source;
    std::unique_ptr<TLinkGrid> Grid = std::make_unique<TLinkGrid>();
};

} // namespace

TEST_F(LinkGrid, PositionFollowsTheLinkAndWritingMovesIt)
{
    Show();
    const int visible = Grid->VisibleRowCount();
    ASSERT_GT(visible, 4);
    EXPECT_EQ(Grid->GetPosition(), 0);
    Grid->SetPosition(3);
    EXPECT_EQ(Grid->GetPosition(), 3);
    EXPECT_EQ(CurrentId(*Table).toInt(), 4);
    EXPECT_EQ(Grid->GetRow(), Grid->FirstDataRow() + 3);
    Grid->SetPosition(1000); // clamped to the last buffer row
    EXPECT_EQ(Grid->GetPosition(), visible - 1);
    EXPECT_EQ(Grid->RecCount(), 60);
    EXPECT_EQ(Grid->GetRecNumber(), visible);
    Grid->SetRecNumber(50);
    EXPECT_EQ(CurrentId(*Table).toInt(), 50);
}

TEST_F(LinkGrid, RefreshOfAnInMemoryTableKeepsItsRecords)
{
    // Closing an in-memory table drops its records: a refresh must not close it.
    Grid->SetKeyFields("id");
    Show();
    Grid->SetRecNumber(25);
    Grid->RefreshDataSet();
    EXPECT_TRUE(Table->Active());
    EXPECT_EQ(Table->RecordCount(), 60);
    EXPECT_EQ(CurrentId(*Table).toInt(), 25);
}

TEST_F(LinkGrid, AForcedSequenceCountsWhatTheGridIsTold)
{
    Show();
    Grid->SetupRecCount(500); // not forced: ignored
    EXPECT_EQ(Grid->RecCount(), 60);
    Grid->SetOptions(Grid->GetOptions() | dgForceSequence);
    Grid->SetupRecCount(500);
    Grid->SetupRecNumber(100);
    EXPECT_EQ(Grid->RecCount(), 500);
    EXPECT_EQ(Grid->GetRecNumber(), 100);
    // Moving follows the number: inside the window and with the window.
    Table->Next();
    EXPECT_EQ(Grid->GetRecNumber(), 101);
    Table->MoveBy(Grid->VisibleRowCount() + 2);
    EXPECT_EQ(Grid->GetRecNumber(), 101 + Grid->VisibleRowCount() + 2);
    Grid->SetRecNumber(100);
    EXPECT_EQ(CurrentId(*Table).toInt(), 1);
    Grid->SetOptions(Grid->GetOptions() & ~TZDBGridOptions(dgForceSequence));
    EXPECT_EQ(Grid->RecCount(), 60);
    EXPECT_EQ(Grid->GetRecNumber(), Table->RecNo());
}

TEST_F(LinkGrid, SwitchingBetweenOpenDataSetsRebuildsTheDefaultColumns)
{
    auto people = std::make_unique<TZMemDataSet>();
    people->FieldDefs().Add(QStringLiteral("Name"), ftWideString, 20);
    people->FieldDefs().Add(QStringLiteral("Born"), ftDate);
    people->CreateDataSet();
    people->Append();
    people->FieldByName("Name")->SetValue(QStringLiteral("Ada"));
    people->FieldByName("Born")->SetValue(QDate(1815, 12, 10));
    people->Post();
    TDataSource peopleSource;
    peopleSource.SetDataSet(people.get());
    Show();
    ASSERT_EQ(Grid->Columns()->Items(0)->GetField(), Table->FieldByName("Id"));

    // Another data source whose dataset is open as well.
    Grid->SetDataSource(&peopleSource);
    ASSERT_EQ(Grid->Columns()->Count(), 2);
    EXPECT_EQ(Grid->Columns()->Items(0)->GetField(), people->FieldByName("Name"));
    EXPECT_EQ(Grid->Columns()->Items(1)->GetField(), people->FieldByName("Born"));
    QApplication::processEvents();
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(0), Grid->GetFixedRows()), "Ada");

    // The same data source turned to another open dataset.
    Grid->SetDataSource(&Source);
    Source.SetDataSet(people.get());
    ASSERT_EQ(Grid->Columns()->Count(), 2);
    EXPECT_EQ(Grid->Columns()->Items(0)->GetField(), people->FieldByName("Name"));
    Source.SetDataSet(Table.get());
    EXPECT_EQ(Grid->Columns()->Items(0)->GetField(), Table->FieldByName("Id"));
    Grid->SetDataSource(nullptr);
}

TEST_F(LinkGrid, GotoPositionPutsARecordOnAGivenRow)
{
    Show();
    Table->MoveBy(30);
    const TBookmark mark = Table->GetBookmark();
    Table->First();
    ASSERT_TRUE(Grid->GotoPosition(2, mark));
    EXPECT_EQ(CurrentId(*Table).toInt(), 31);
    EXPECT_EQ(Grid->GetPosition(), 2);
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(0), Grid->FirstDataRow() + 2), "31");
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(0), Grid->FirstDataRow()), "29");

    // A bookmark of a record that is gone: false, and the dataset stays.
    Table->First();
    const TBookmark gone = Table->GetBookmark();
    Table->Delete();
    Table->MoveBy(10);
    const QVariant before = CurrentId(*Table);
    EXPECT_FALSE(Grid->GotoPosition(0, gone));
    EXPECT_EQ(CurrentId(*Table), before);
}

TEST_F(LinkGrid, ABulkWalkInsidePositionBracketsReturnsToTheSameRow)
{
    Show();
    Table->MoveBy(20);
    Grid->SetPosition(4);
    const QVariant id = CurrentId(*Table);
    int scrolls = 0;
    {
        TZPositionGuard outer(Grid.get());
        TZPositionGuard inner(Grid.get());
        EXPECT_TRUE(Grid->PositionDisabled());
        EXPECT_TRUE(Table->ControlsDisabled());
        const int drawnBefore = Grid->Layouts;
        for (Table->First(); !Table->Eof(); Table->Next())
            ++scrolls;
        EXPECT_EQ(Grid->Layouts, drawnBefore); // the grid heard nothing of the walk
    }
    EXPECT_EQ(scrolls, 60);
    EXPECT_FALSE(Grid->PositionDisabled());
    EXPECT_FALSE(Table->ControlsDisabled());
    EXPECT_EQ(CurrentId(*Table), id);
    EXPECT_EQ(Grid->GetPosition(), 4);
    EXPECT_EQ(Grid->GetRow(), Grid->FirstDataRow() + 4);

    // Unbalanced closing is ignored.
    Grid->EnablePosition();
    Grid->EnableGrid();
    EXPECT_FALSE(Grid->PositionDisabled());
    EXPECT_FALSE(Grid->GridDisabled());
    EXPECT_EQ(Grid->CancelCount(), 0);
}

TEST_F(LinkGrid, DisableGridCancelsDependentWorkAndRestoresEnabled)
{
    Show();
    Grid->SetPosition(2);
    const QVariant id = CurrentId(*Table);
    {
        TZGridDisableGuard guard(Grid.get());
        EXPECT_FALSE(Grid->isEnabled());
        EXPECT_EQ(Grid->CancelCount(), 1);
        EXPECT_TRUE(Grid->GridDisabled());
        Table->Last();
    }
    EXPECT_TRUE(Grid->isEnabled());
    EXPECT_EQ(Grid->CancelCount(), 0);
    EXPECT_EQ(CurrentId(*Table), id);
    EXPECT_EQ(Grid->GetPosition(), 2);

    // A grid disabled before keeps its state.
    Grid->setEnabled(false);
    {
        TZGridDisableGuard guard(Grid.get());
    }
    EXPECT_FALSE(Grid->isEnabled());
}

TEST_F(LinkGrid, ResetCancelsTheRecordThroughTheLink)
{
    Show();
    int counted = -1;
    Table->BeforeCancel = [&](TDataSet*) { counted = Grid->CancelCount(); };
    const QVariant customer = Table->FieldByName("Customer")->GetValue();
    Table->Edit();
    Table->FieldByName("Customer")->SetValue("changed");
    Grid->DataLink()->Reset();
    Table->BeforeCancel = nullptr;
    EXPECT_EQ(counted, 1);
    EXPECT_EQ(Grid->CancelCount(), 0);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Table->FieldByName("Customer")->GetValue(), customer);
}

TEST_F(LinkGrid, AFaultInAHandlerDuringAWalkLeavesNoBracketOpen)
{
    AddColumns(*Grid, {"Id", "Customer"});
    Grid->SetKeyFields("Id");
    Show();
    Table->MoveBy(10);
    int steps = 0;
    Table->AfterScroll = [&steps](TDataSet*) {
        if (++steps == 5)
            throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(
        {
            TZGridDisableGuard disable(Grid.get());
            TZPositionGuard position(Grid.get());
            for (Table->First(); !Table->Eof(); Table->Next()) {
            }
        },
        std::runtime_error);
    Table->AfterScroll = nullptr;
    EXPECT_FALSE(Table->ControlsDisabled());
    EXPECT_FALSE(Grid->PositionDisabled());
    EXPECT_FALSE(Grid->GridDisabled());
    EXPECT_EQ(Grid->CancelCount(), 0);
    EXPECT_TRUE(Grid->isEnabled());

    // Notifications reach the grid again, and it lays out and paints.
    Table->First();
    Table->MoveBy(2);
    QApplication::processEvents();
    EXPECT_EQ(Grid->GetRow(), Grid->FirstDataRow() + 2);
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(0), Grid->GetRow()), "3");
    const int layouts = Grid->Layouts;
    Grid->SetLinesCount(2);
    EXPECT_GT(Grid->Layouts, layouts);
    Grid->DataCellsDrawn = 0;
    Grid->viewport()->repaint();
    EXPECT_GT(Grid->DataCellsDrawn, 0);
}

TEST_F(LinkGrid, ScrollingOneRowMovesPixelsAndRepaintsLittle)
{
    AddColumns(*Grid, {"Id", "Customer", "Amount"});
    Show();
    const int visible = Grid->VisibleRowCount();
    ASSERT_GT(visible, 5);
    Table->MoveBy(visible - 1); // the last row of the window
    QApplication::processEvents();
    Grid->DataCellsDrawn = 0;
    Table->Next(); // the window moves by one record
    QApplication::processEvents();
    // The data cells a full repaint draws (some columns may lie outside).
    const int drawn = Grid->DataCellsDrawn;
    Grid->DataCellsDrawn = 0;
    Grid->viewport()->repaint();
    const int all = Grid->DataCellsDrawn;
    const int columns = all / visible;
    ASSERT_GT(columns, 0);
    Grid->DataCellsDrawn = drawn;
    EXPECT_GT(Grid->DataCellsDrawn, 0);
    // The old and new current rows and the uncovered row at most.
    EXPECT_LE(Grid->DataCellsDrawn, 3 * columns);
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(0), Grid->GetRow()), QString::number(visible + 1));

    // What is on screen equals a full repaint.
    QScreen* screen = Grid->screen();
    const QImage moved = screen->grabWindow(Grid->winId()).toImage();
    Grid->viewport()->repaint();
    QApplication::processEvents();
    const QImage full = screen->grabWindow(Grid->winId()).toImage();
    ASSERT_FALSE(full.isNull());
    EXPECT_TRUE(moved == full);

    // A jump farther than the window repaints every data cell.
    Grid->DataCellsDrawn = 0;
    Table->MoveBy(visible + 5);
    QApplication::processEvents();
    EXPECT_GE(Grid->DataCellsDrawn, all);
}

TEST_F(LinkGrid, DelayTimersAbsorbBurstsOfChanges)
{
    const int savedInterval = DelayInterval;
    DelayInterval = 30;
    Grid->SetOptionsEx(Grid->GetOptionsEx() | dgTotalFooter);
    Show();
    Grid->PerformDelayed();
    Grid->TotalsDone = 0;
    for (int i = 0; i < 5; ++i) {
        Table->Edit();
        Table->FieldByName("Amount")->SetValue(i * 1.5);
        Table->Post();
    }
    EXPECT_EQ(Grid->TotalsDone, 0);
    EXPECT_TRUE(Grid->DelayPending(TZCustomDBGrid::duTotals));
    for (int i = 0; i < 100 && Grid->DelayPending(TZCustomDBGrid::duTotals); ++i)
        QTest::qWait(10);
    EXPECT_EQ(Grid->TotalsDone, 1);

    // PerformDelayed runs what is pending at once, and only that.
    Grid->ListItemsDone = 0;
    Table->Edit();
    Table->FieldByName("Amount")->SetValue(99.0);
    Table->Post();
    EXPECT_TRUE(Grid->DelayPending(TZCustomDBGrid::duListItems));
    Grid->PerformDelayed();
    EXPECT_EQ(Grid->TotalsDone, 2);
    EXPECT_EQ(Grid->ListItemsDone, 1);
    EXPECT_FALSE(Grid->DelayPending(TZCustomDBGrid::duTotals));
    QTest::qWait(60);
    EXPECT_EQ(Grid->TotalsDone, 2);

    // A hidden grid works at once.
    Grid->hide();
    Table->Edit();
    Table->FieldByName("Amount")->SetValue(1.0);
    Table->Post();
    EXPECT_FALSE(Grid->DelayUpdate(TZCustomDBGrid::duTotals));
    DelayInterval = savedInterval;
}

TEST_F(LinkGrid, LeavingTheGridCancelsAnUntouchedInsertionOnlyWithCancelOnExit)
{
    Show();
    auto leave = [this] {
        Grid->setFocus();
        Grid->clearFocus();
    };
    Grid->SetOptions(Grid->GetOptions() | dgCancelOnExit);
    Table->Append();
    leave();
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Table->RecordCount(), 60);

    Table->Append();
    Table->FieldByName("Id")->SetValue(61);
    leave(); // a modified record stays in insertion
    EXPECT_EQ(Table->State(), dsInsert);
    Table->Cancel();

    Grid->SetOptions(Grid->GetOptions() & ~TZDBGridOptions(dgCancelOnExit));
    Table->Append();
    leave();
    EXPECT_EQ(Table->State(), dsInsert);
    Table->Cancel();
    EXPECT_EQ(Table->RecordCount(), 60);
}

TEST_F(LinkGrid, SetDataSourceErrorsLeaveTheGridAsItWas)
{
    AddColumns(*Grid, {"Id", "Customer"});
    Show();
    Table->MoveBy(7);

    TOneWayTable oneWay;
    TDataSource oneWaySource;
    oneWaySource.SetDataSet(&oneWay);
    EXPECT_THROW(Grid->SetDataSource(&oneWaySource), EDatabaseError);

    TDataSource totalsSource;
    totalsSource.SetDataSet(Table.get());
    Grid->TotalDataLink()->SetDataSource(&totalsSource);
    EXPECT_THROW(Grid->SetDataSource(&totalsSource), EDatabaseError);

    EXPECT_EQ(Grid->GetDataSource(), &Source);
    EXPECT_TRUE(Grid->DataLink()->Active());
    EXPECT_EQ(Grid->Columns()->Count(), 2);
    EXPECT_EQ(CurrentId(*Table).toInt(), 8);
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(0), Grid->GetRow()), "8");

    // While loading, the circular source is dropped without an error.
    Grid->Loading();
    EXPECT_NO_THROW(Grid->SetDataSource(&totalsSource));
    Grid->Loaded();
    EXPECT_EQ(Grid->GetDataSource(), &Source);
    Grid->TotalDataLink()->SetDataSource(nullptr);
}


// ---- Refreshing an SQL query after its data changed ------------------------------------

namespace {

struct LinkSqlGrid : SqliteOrders {
    void SetUp() override
    {
        SqliteOrders::SetUp();
        if (!IsSkipped() && !HasFatalFailure())
            CreateOrders(50);
    }
    void TearDown() override
    {
        Grid.reset();
        SqliteOrders::TearDown();
    }
    // The grid over id and note, refreshing by the key id with its selection kept.
    void ShowGridKeepingSelection()
    {
        AddColumns(*Grid, {"id", "note"});
        Grid->SetKeyFields("id");
        Grid->SetOptions(Grid->GetOptions() | dgMultiSelect);
        Grid->SetOptionsEx(Grid->GetOptionsEx() | dgAutoKeepSelection);
        Grid->SetDataSource(&Source);
        ShowGrid(*Grid, 400, 300);
    }
    std::unique_ptr<TLinkGrid> Grid = std::make_unique<TLinkGrid>();
};

} // namespace

TEST_F(LinkSqlGrid, RefreshFindsTheRecordAgainOnItsScreenRow)
{
    AddColumns(*Grid, {"id", "note"});
    Grid->SetKeyFields("id");
    Grid->SetDataSource(&Source);
    ShowGrid(*Grid, 400, 300);
    Query->MoveBy(24);
    Grid->SetPosition(3);
    const int id = CurrentId(*Query, "id").toInt();
    const int row = Grid->GetRow();

    // Records before and after it change underneath.
    ASSERT_TRUE(ExecSql(Db(), "DELETE FROM orders WHERE id IN (2, 3, 4, 5, 6)"));
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("UPDATE orders SET note = 'changed' WHERE id = %1").arg(id)));
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("DELETE FROM orders WHERE id = %1").arg(id - 1)));
    Grid->RefreshDataSet();
    QApplication::processEvents();

    EXPECT_EQ(CurrentId(*Query, "id").toInt(), id);
    EXPECT_EQ(Query->FieldByName("note")->GetValue().toString(), "changed");
    EXPECT_EQ(Grid->GetPosition(), 3);
    EXPECT_EQ(Grid->GetRow(), row);
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(0), row), QString::number(id));
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(0), row - 1), QString::number(id - 2));
    EXPECT_FALSE(Query->ControlsDisabled());
    EXPECT_FALSE(Grid->PositionDisabled());
}

TEST_F(LinkSqlGrid, RefreshKeepsTheSelectionByKeysAndTheRecordOnItsRow)
{
    ShowGridKeepingSelection();
    for (int id : {4, 10, 11, 30}) {
        ASSERT_TRUE(Query->Locate("id", id));
        Grid->SelectedRows()->SetCurrentRowSelected(true);
    }
    ASSERT_TRUE(Query->Locate("id", 20));
    Grid->SetPosition(2);
    const int id = CurrentId(*Query, "id").toInt();
    ASSERT_NE(id, 20) << "the record on the third screen row is current";
    const int row = Grid->GetRow();

    // A selected record and others vanish; new ones come before the selection.
    ASSERT_TRUE(ExecSql(Db(), "DELETE FROM orders WHERE id IN (3, 10, 15)"));
    ASSERT_TRUE(ExecSql(Db(), "UPDATE orders SET id = id + 100 WHERE id = 1"));
    Grid->RefreshDataSet();
    QApplication::processEvents();

    std::vector<int> selected;
    Grid->ForEachDataRow(reSelectedRows, [&] { selected.push_back(CurrentId(*Query, "id").toInt()); });
    EXPECT_EQ(selected, (std::vector<int>{4, 11, 30}));
    EXPECT_EQ(CurrentId(*Query, "id").toInt(), id);
    EXPECT_EQ(Grid->GetPosition(), 2);
    EXPECT_EQ(Grid->GetRow(), row);
    EXPECT_FALSE(Query->ControlsDisabled());
    EXPECT_FALSE(Grid->PositionDisabled());
    EXPECT_EQ(Grid->SelectCount(), 0);
}

// ---- Linked grids ----------------------------------------------------------------------

namespace {

struct LinkedGrids : LinkGrid {
    void SetUp() override
    {
        LinkGrid::SetUp();
        for (auto& g : Grids) {
            g = std::make_unique<TLinkGrid>();
            AddColumns(*g, {"Id", "Customer", "Amount"});
            g->SetDataSource(&Source);
            ShowGrid(*g, 400, 200);
        }
    }
    void TearDown() override
    {
        for (auto& g : Grids)
            g.reset();
        LinkGrid::TearDown();
    }
    // The grids reached from G through the managed-grid references, G first.
    static std::vector<TZCustomDBGrid*> Ring(TZCustomDBGrid* G)
    {
        std::vector<TZCustomDBGrid*> ring{G};
        for (TZCustomDBGrid* g = G->ManageGrid(); g && g != G && ring.size() < 10; g = g->ManageGrid())
            ring.push_back(g);
        return ring;
    }
    std::unique_ptr<TLinkGrid> Grids[3];
};

} // namespace

TEST_F(LinkedGrids, AWidthChangeInAnyGridReachesTheOthers)
{
    Grids[1]->SetMasterGrid(Grids[0].get());
    Grids[2]->SetMasterGrid(Grids[1].get());
    EXPECT_EQ(Ring(Grids[0].get()).size(), 3u);
    EXPECT_EQ(Ring(Grids[2].get()).size(), 3u);
    EXPECT_EQ(Grids[2]->ManageGrid() != nullptr, true);

    for (int source = 0; source < 3; ++source) {
        const int width = 50 + 13 * source;
        Grids[source]->Columns()->Items(1)->SetWidth(width);
        for (int other = 0; other < 3; ++other)
            EXPECT_EQ(Grids[other]->Columns()->Items(1)->GetWidth(), width) << source << "->" << other;
    }
    Grids[2]->SetIndicatorWidth(31);
    Grids[1]->SetFixedCols(1);
    Grids[0]->Columns()->Items(2)->SetVisible(false);
    for (auto& g : Grids) {
        EXPECT_EQ(g->GetIndicatorWidth(), 31);
        EXPECT_EQ(g->GetFixedCols(), 1);
        EXPECT_FALSE(g->Columns()->Items(2)->GetVisible());
    }
}

TEST_F(LinkedGrids, AColumnDraggedInOneGridMovesInTheOthers)
{
    Grids[1]->SetMasterGrid(Grids[0].get());
    Grids[2]->SetMasterGrid(Grids[1].get());
    int moved = 0;
    for (auto& g : Grids)
        g->OnColumnMoved = [&moved](TZCustomDBGrid*, int From, int To) { moved += From == 0 && To == 1; };
    TLinkGrid& grid = *Grids[1];
    const QPoint from = grid.CellRect(grid.DataToRawColumn(0), 0).center();
    const QPoint to = grid.CellRect(grid.DataToRawColumn(1), 0).center();
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(grid.viewport(), to);
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, to);
    EXPECT_EQ(moved, 3);
    for (auto& g : Grids) {
        EXPECT_EQ(g->Columns()->Items(0)->GetFieldName(), "Customer");
        EXPECT_EQ(g->Columns()->Items(1)->GetFieldName(), "Id");
    }
}

TEST_F(LinkedGrids, ACircularMasterRaisesAndChangesNothing)
{
    Grids[1]->SetMasterGrid(Grids[0].get());
    Grids[2]->SetMasterGrid(Grids[1].get());
    EXPECT_THROW(Grids[0]->SetMasterGrid(Grids[2].get()), EDatabaseError);
    EXPECT_THROW(Grids[0]->SetMasterGrid(Grids[0].get()), EDatabaseError);
    EXPECT_EQ(Grids[0]->GetMasterGrid(), nullptr);
    EXPECT_EQ(Ring(Grids[0].get()).size(), 3u);

    // Ignored while loading.
    Grids[0]->Loading();
    EXPECT_NO_THROW(Grids[0]->SetMasterGrid(Grids[2].get()));
    Grids[0]->Loaded();
    EXPECT_EQ(Grids[0]->GetMasterGrid(), nullptr);
}

TEST_F(LinkedGrids, LeavingAndDestroyingCloseTheRing)
{
    Grids[1]->SetMasterGrid(Grids[0].get());
    Grids[2]->SetMasterGrid(Grids[0].get());
    EXPECT_EQ(Ring(Grids[0].get()).size(), 3u);

    Grids[1]->SetMasterGrid(nullptr);
    EXPECT_EQ(Grids[1]->ManageGrid(), nullptr);
    EXPECT_EQ(Ring(Grids[0].get()).size(), 2u);
    Grids[0]->Columns()->Items(0)->SetWidth(77);
    EXPECT_EQ(Grids[2]->Columns()->Items(0)->GetWidth(), 77);
    EXPECT_NE(Grids[1]->Columns()->Items(0)->GetWidth(), 77);

    // Grid 1 joins again behind grid 2, then the master goes away.
    Grids[1]->SetMasterGrid(Grids[2].get());
    EXPECT_EQ(Ring(Grids[0].get()).size(), 3u);
    EXPECT_EQ(Grids[1]->Columns()->Items(0)->GetWidth(), 77);
    Grids[0].reset();
    EXPECT_EQ(Grids[2]->GetMasterGrid(), nullptr);
    EXPECT_EQ(Ring(Grids[2].get()).size(), 2u);
    Grids[1]->Columns()->Items(0)->SetWidth(66);
    EXPECT_EQ(Grids[2]->Columns()->Items(0)->GetWidth(), 66);
}

TEST_F(LinkSqlGrid, RefreshWithoutKeyFieldsReopensAtTheFirstRecord)
{
    Grid->SetDataSource(&Source);
    ShowGrid(*Grid, 400, 300);
    Query->MoveBy(12);
    Grid->RefreshDataSet();
    EXPECT_TRUE(Query->Active());
    EXPECT_EQ(CurrentId(*Query, "id").toInt(), 1);
    EXPECT_EQ(Grid->GetPosition(), 0);
}

TEST_F(LinkSqlGrid, AFaultWhileRefreshingLeavesNoBracketOpen)
{
    AddColumns(*Grid, {"id", "note"});
    Grid->SetKeyFields("id");
    Grid->SetDataSource(&Source);
    ShowGrid(*Grid, 400, 300);
    Query->MoveBy(10);
    Query->AfterOpen = [](TDataSet*) { throw std::runtime_error("open failed"); };
    EXPECT_THROW(Grid->RefreshDataSet(), std::runtime_error);
    Query->AfterOpen = nullptr;
    EXPECT_FALSE(Query->ControlsDisabled());
    EXPECT_FALSE(Grid->PositionDisabled());
    EXPECT_EQ(Grid->CancelCount(), 0);

    if (!Query->Active())
        Query->Open();
    Query->First();
    Query->MoveBy(2);
    QApplication::processEvents();
    EXPECT_EQ(Grid->GetRow(), Grid->FirstDataRow() + 2);
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(0), Grid->GetRow()), "3");
    Grid->DataCellsDrawn = 0;
    Grid->viewport()->repaint();
    EXPECT_GT(Grid->DataCellsDrawn, 0);
}

TEST_F(LinkSqlGrid, RefreshWithAKeyFieldTheQueryLostOnlyReopens)
{
    ShowGridKeepingSelection();

    // The query's SQL no longer selects the key column; the grid keeps KeyFields.
    Query->Close();
    Query->SetSQLText("SELECT note FROM orders ORDER BY id");
    Query->Open();
    Query->MoveBy(7);
    Grid->SelectedRows()->SetCurrentRowSelected(true);
    EXPECT_NO_THROW(Grid->RefreshDataSet());
    QApplication::processEvents();
    EXPECT_TRUE(Query->Active());
    EXPECT_EQ(Query->FieldByName("note")->GetValue().toString(), "note 1");
    EXPECT_EQ(Grid->SelectCount(), 0);
    EXPECT_FALSE(Query->ControlsDisabled());
    EXPECT_FALSE(Grid->PositionDisabled());

    // The key comes back in the SQL: locating works again.
    Query->Close();
    Query->SetSQLText("SELECT id, note FROM orders ORDER BY id");
    Query->Open();
    Query->MoveBy(7);
    Grid->RefreshDataSet();
    EXPECT_EQ(CurrentId(*Query, "id").toInt(), 8);
}

// ---- Lookup-result columns -------------------------------------------------------------

TEST(LinkLookup, AKeyChangeFillsTheResultColumnFromTheLookupData)
{
    TZMemDataSet customers;
    customers.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    customers.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 20);
    customers.CreateDataSet();
    for (const auto& [id, name] : {std::pair{1, "Acme"}, std::pair{2, "Globex"}}) {
        customers.Append();
        customers.FieldByName("Id")->SetValue(id);
        customers.FieldByName("Name")->SetValue(QString::fromLatin1(name));
        customers.Post();
    }
    TZMemDataSet orders;
    orders.FieldDefs().Add(QStringLiteral("CustomerId"), ftInteger);
    orders.FieldDefs().Add(QStringLiteral("CustomerName"), ftWideString, 20);
    orders.CreateDataSet();
    orders.Append();
    orders.FieldByName("CustomerId")->SetValue(1);
    orders.FieldByName("CustomerName")->SetValue(QStringLiteral("Acme"));
    orders.Post();
    TDataSource source;
    source.SetDataSet(&orders);

    TLinkGrid grid;
    grid.Columns()->Add()->SetFieldName("CustomerId");
    TZColumn* name = grid.Columns()->Add();
    name->SetFieldName("CustomerName");
    name->SetKeyField("CustomerId");
    name->SetLookupDataSet(&customers);
    name->SetLookupKeyField("Id");
    name->SetLookupResultField("Name");
    grid.SetDataSource(&source);
    ShowGrid(grid);
    ASSERT_EQ(name->LookupColumn(), lcLookupResultField);

    orders.Edit();
    orders.FieldByName("CustomerId")->SetValue(2);
    EXPECT_EQ(orders.FieldByName("CustomerName")->GetValue().toString(), "Globex");
    orders.FieldByName("CustomerId")->SetValue(7); // no such customer
    EXPECT_TRUE(orders.FieldByName("CustomerName")->IsNull());
    orders.FieldByName("CustomerName")->SetValue(QStringLiteral("x"));
    orders.FieldByName("CustomerId")->SetValue(QVariant());
    EXPECT_TRUE(orders.FieldByName("CustomerName")->IsNull());

    EXPECT_TRUE(customers.Active()); // an open lookup dataset stays open
    orders.Cancel();
    grid.SetDataSource(nullptr);
}

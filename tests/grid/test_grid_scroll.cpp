// The grid's vertical scroll bar over shown grids: the thumb's range and place
// for datasets that number their records, that cannot, and under the grid's own
// numbering; the bar's requests (lines, pages, thumb, top, bottom) and the thumb
// dragged with the mouse, in memory and on SQLite and PostgreSQL queries.

#include "DBError.h"
#include "TestDb.h"
#include "ZDBSQLQuery.h"
#include "test_grid_helpers.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

// A table that gives no record numbers.
class TUnnumberedTable : public TZMemDataSet
{
public:
    bool IsSequenced() const override { return false; }
};

struct ScrollGrid : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(100);
    TDataSource Source;
    TZDBGrid Grid;

    void Show(TDataSet* DataSet)
    {
        Source.SetDataSet(DataSet);
        Grid.SetDataSource(&Source);
        ShowGrid(Grid, 400, 300);
        Grid.activateWindow();
        Grid.setFocus();
        QApplication::processEvents();
    }
    QScrollBar* Bar() { return Grid.verticalScrollBar(); }
    int Id() { return Table->FieldByName(QStringLiteral("Id"))->AsInteger(); }
    // The Id shown on data row Row.
    QString IdOnRow(int Row) { return Grid.CellText(1, Grid.TitleRowCount() + Row); }
};

// Drags the thumb of Bar with the mouse until its top edge is at Fraction of the groove.
void DragThumb(QScrollBar* Bar, double Fraction)
{
    QStyleOptionSlider option;
    option.initFrom(Bar);
    option.subControls = QStyle::SC_All;
    option.orientation = Bar->orientation();
    option.minimum = Bar->minimum();
    option.maximum = Bar->maximum();
    option.sliderPosition = Bar->sliderPosition();
    option.sliderValue = Bar->value();
    option.singleStep = Bar->singleStep();
    option.pageStep = Bar->pageStep();
    option.upsideDown = Bar->invertedAppearance();
    const QRect groove = Bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, Bar);
    const QRect slider = Bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, Bar);
    const QPoint from = slider.center();
    const int travel = groove.height() - slider.height();
    const QPoint to(from.x(), groove.top() + int(travel * Fraction) + slider.height() / 2);
    QTest::mousePress(Bar, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(Bar, from + (to - from) * step / 4);
    QTest::mouseRelease(Bar, Qt::LeftButton, {}, to);
    QApplication::processEvents();
}

} // namespace

TEST_F(ScrollGrid, NumberedRecordsPlaceTheThumbByRecordNumber)
{
    Show(Table.get());
    const int rows = Grid.VisibleRowCount();
    ASSERT_GT(rows, 3);
    ASSERT_LT(rows, 100);
    EXPECT_TRUE(Bar()->isVisible());
    // Proportional: a page of the visible rows, the thumb's top on the record number.
    EXPECT_EQ(Bar()->minimum(), 1);
    EXPECT_EQ(Bar()->maximum(), 100);
    EXPECT_EQ(Bar()->pageStep(), rows);
    EXPECT_EQ(Bar()->value(), 1);
    Table->SetRecNo(37);
    EXPECT_EQ(Bar()->value(), 37);
    Table->Last();
    EXPECT_EQ(Bar()->value(), 100);
    Table->Prior();
    EXPECT_EQ(Bar()->value(), 99);

    // A thumb of fixed size: the bar counts the records alone.
    Grid.ScrollProp()->SetThumbBar(ssHorizontal);
    EXPECT_EQ(Bar()->pageStep(), 0);
    EXPECT_EQ(Bar()->maximum(), 100);
    EXPECT_EQ(Bar()->value(), 99);

    // Inserting keeps the thumb where it was.
    Table->Insert();
    EXPECT_EQ(Bar()->value(), 99);
    Table->Cancel();

    // The grid's ScrollBars without the vertical bar hides it.
    Grid.SetScrollBars(ssHorizontal);
    EXPECT_FALSE(Bar()->isVisible());
    Grid.SetScrollBars(ssBoth);
    EXPECT_TRUE(Bar()->isVisible());
}

TEST_F(ScrollGrid, AutoHiddenBarShowsOnlyWhenTheRecordsDoNotFit)
{
    auto few = MakeOrders(3);
    Grid.ScrollProp()->SetAutoHidden(ssBoth);
    Show(few.get());
    EXPECT_FALSE(Bar()->isVisible());
    // More records than rows: the bar comes back.
    for (int i = 4; i <= 60; ++i) {
        few->Append();
        few->FieldByName(QStringLiteral("Id"))->SetValue(i);
        few->Post();
    }
    EXPECT_TRUE(Bar()->isVisible());
    EXPECT_EQ(Bar()->maximum(), 60);

    // Not auto-hidden: a bar that cannot scroll stays, disabled, as does an
    // inactive link's.
    Grid.ScrollProp()->SetAutoHidden(ssHorizontal);
    few->Close();
    EXPECT_TRUE(Bar()->isVisible());
    EXPECT_FALSE(Bar()->isEnabled());
    Grid.ScrollProp()->SetAutoHidden(ssVertical);
    EXPECT_FALSE(Bar()->isVisible());
    Source.SetDataSet(nullptr);
}

TEST_F(ScrollGrid, UnnumberedRecordsGetAFiveStepBar)
{
    TUnnumberedTable table;
    table.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    table.CreateDataSet();
    for (int i = 1; i <= 100; ++i) {
        table.Append();
        table.FieldByName(QStringLiteral("Id"))->SetValue(i);
        table.Post();
    }
    table.First();
    Show(&table);
    const int rows = Grid.VisibleRowCount();
    auto id = [&] { return table.FieldByName(QStringLiteral("Id"))->AsInteger(); };
    // Page 2 over 0..5: the thumb's top from 0 to 4.
    EXPECT_EQ(Bar()->minimum(), 0);
    EXPECT_EQ(Bar()->maximum(), 4);
    EXPECT_EQ(Bar()->pageStep(), 2);
    EXPECT_EQ(Bar()->value(), 0);
    table.MoveBy(10);
    EXPECT_EQ(Bar()->value(), 2);
    table.Last();
    EXPECT_EQ(Bar()->value(), 4);

    // The thumb's places are requests: first, a page back, here, a page on, last.
    Bar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(id(), 1);
    Bar()->setSliderPosition(3);
    EXPECT_EQ(id(), 1 + rows);
    EXPECT_EQ(Bar()->value(), 2); // back in the middle
    Bar()->setSliderPosition(1);
    EXPECT_EQ(id(), 1);
    Bar()->setSliderPosition(4);
    EXPECT_EQ(id(), 100);
    EXPECT_EQ(Bar()->value(), 4);
    Source.SetDataSet(nullptr);
}

TEST_F(ScrollGrid, LinesAndPagesMoveOffTheShownRecords)
{
    Show(Table.get());
    const int rows = Grid.VisibleRowCount();
    // A line down goes to the record below the last shown one, which comes in
    // at the bottom.
    Bar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Id(), rows + 1);
    EXPECT_EQ(IdOnRow(rows - 1), QString::number(rows + 1));
    EXPECT_EQ(Bar()->value(), rows + 1);
    // A line up goes to the record above the first shown one.
    Bar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(Id(), 1);
    Bar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(Id(), 1 + rows);
    Bar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(Id(), 1 + 2 * rows);
    Bar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(Id(), 1 + rows);
    Bar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Id(), 100);
    EXPECT_EQ(IdOnRow(rows - 1), "100");
    Bar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(Id(), 1);
    EXPECT_EQ(Bar()->value(), 1);

    // A record that cannot be posted stays, with its edit; the error reaches
    // the application and the bar shows the record again.
    TCaughtErrors errors;
    Table->BeforePost = [](TDataSet*) { DatabaseError(QStringLiteral("refused")); };
    Table->Edit();
    Table->FieldByName(QStringLiteral("Customer"))->SetValue(QStringLiteral("edited"));
    Bar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(errors.Messages, QStringList{QStringLiteral("refused")});
    EXPECT_EQ(Id(), 1);
    EXPECT_EQ(Table->State(), dsEdit);
    EXPECT_EQ(Bar()->value(), 1);
    EXPECT_EQ(Grid.CancelCount(), 0);
    Table->Cancel();
    Table->BeforePost = nullptr;
}

TEST_F(ScrollGrid, DraggedThumbGoesToItsRecord)
{
    Show(Table.get());
    DragThumb(Bar(), 0.5);
    const int at = Bar()->value();
    EXPECT_GT(at, 30);
    EXPECT_LT(at, 70);
    EXPECT_EQ(Id(), at);
    EXPECT_EQ(IdOnRow(Grid.DataLink()->ActiveRecord()), QString::number(at));

    // Without thumb tracking the record waits for the release; with it the
    // record follows the thumb.
    Grid.SetOptions(Grid.GetOptions() | dgThumbTracking);
    Bar()->setSliderDown(true);
    Bar()->setSliderPosition(20);
    EXPECT_EQ(Id(), 20);
    Bar()->setSliderPosition(80);
    EXPECT_EQ(Id(), 80);
    Bar()->setSliderDown(false);
    EXPECT_EQ(Id(), 80);
    Grid.SetOptions(Grid.GetOptions() & ~TZDBGridOptions(dgThumbTracking));
    Bar()->setSliderDown(true);
    Bar()->setSliderPosition(10);
    EXPECT_EQ(Id(), 80);
    Bar()->setSliderDown(false);
    EXPECT_EQ(Id(), 10);
    // The end of the range goes to the last record.
    DragThumb(Bar(), 1.0);
    EXPECT_EQ(Id(), 100);
}

TEST_F(ScrollGrid, ForcedNumberingPlacesTheThumbByTheGridsCount)
{
    Grid.SetOptions(Grid.GetOptions() | dgForceSequence);
    Show(Table.get()); // the grid counts the records itself
    const int rows = Grid.VisibleRowCount();
    auto update = [&] { Grid.ScrollProp()->SetWinXPMode(!Grid.ScrollProp()->GetWinXPMode()); };
    update();
    EXPECT_EQ(Bar()->minimum(), 1);
    EXPECT_EQ(Bar()->maximum(), 100);
    EXPECT_EQ(Bar()->value(), 1);
    Table->MoveBy(rows + 4); // the record is on the last row
    EXPECT_EQ(Grid.GetRecNumber(), rows + 5);
    EXPECT_EQ(Bar()->value(), rows + 5);
    // Its requests go by the grid's numbers.
    Bar()->setSliderPosition(40);
    EXPECT_EQ(Id(), 40);
    Bar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Grid.GetRecNumber(), 100);

    // Scroll-grid mode: the bar gives the first shown record, the rows move
    // under the cursor.
    Grid.SetOptionsExt(Grid.GetOptionsExt() | dgScrollGridMode);
    ASSERT_TRUE(Grid.ScrollGridMode());
    const int cursorRow = Grid.DataLink()->ActiveRecord();
    EXPECT_EQ(Bar()->value(), 100 - cursorRow);
    EXPECT_EQ(Bar()->maximum(), 100 - rows + 1);
    Bar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(IdOnRow(0), "1");
    EXPECT_EQ(Grid.DataLink()->ActiveRecord(), cursorRow);
    EXPECT_EQ(Id(), cursorRow + 1);
    Bar()->setSliderPosition(30);
    EXPECT_EQ(IdOnRow(0), "30");
    EXPECT_EQ(Grid.DataLink()->ActiveRecord(), cursorRow);
    EXPECT_EQ(Bar()->value(), 30);
    Bar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(IdOnRow(0), "31");
    Bar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(IdOnRow(0), QString::number(31 + rows));
    // The last page stays full.
    Bar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(IdOnRow(rows - 1), "100");
    EXPECT_EQ(Grid.DataLink()->ActiveRecord(), cursorRow);

    // Scroll-page mode: the bar counts pages.
    Grid.SetOptionsExt(Grid.GetOptionsExt() | dgScrollPageMode);
    const int pages = (100 + rows - 1) / rows;
    EXPECT_EQ(Bar()->maximum(), pages);
    Bar()->setSliderPosition(2);
    EXPECT_EQ(IdOnRow(0), QString::number(rows + 1));
    EXPECT_EQ(Bar()->value(), 2);

    // Auto-hidden when the count fits.
    Grid.SetupRecCount(rows);
    Grid.ScrollProp()->SetAutoHidden(ssVertical);
    EXPECT_FALSE(Bar()->isVisible());

    // The horizontal keys scroll the view of a row selection.
    EXPECT_FALSE(Grid.RowScroll());
    Grid.SetOptions(Grid.GetOptions() | dgRowSelect);
    EXPECT_TRUE(Grid.RowScroll());
}

// ---- Queries ------------------------------------------------------------------------

namespace {

struct ScrollQuery : BackendTest {
    static constexpr int Rows = 20000;
    std::unique_ptr<TZSQLQuery> Query;
    TDataSource Source;
    TZDBGrid Grid;

    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const QString make =
            Sqlite() ? QStringLiteral("CREATE TABLE t AS WITH RECURSIVE n(id) AS (SELECT 1 UNION ALL SELECT id + 1 "
                                      "FROM n WHERE id < %1) SELECT id, 'note ' || id AS note FROM n")
                     : QStringLiteral("CREATE TABLE t AS SELECT id, 'note ' || id AS note FROM generate_series(1, %1) "
                                      "AS id");
        ASSERT_TRUE(ExecSql(Db(), make.arg(Rows)));
        ASSERT_TRUE(ExecSql(Db(), QStringLiteral("ALTER TABLE t ADD PRIMARY KEY (id)")) || Sqlite());
        Query = std::make_unique<TZSQLQuery>();
        Query->SetConnection(Db());
        Query->SetKeyFields(QStringLiteral("id"));
        Query->SetCacheRecords(500);
        Query->SetSQLText(QStringLiteral("SELECT id, note FROM t ORDER BY id"));
        Query->Open();
        Source.SetDataSet(Query.get());
        Grid.SetDataSource(&Source);
        ShowGrid(Grid, 400, 300);
        Grid.activateWindow();
        Grid.setFocus();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        Grid.SetDataSource(nullptr);
        Source.SetDataSet(nullptr);
        Query.reset();
    }
    int Id() { return Query->Fields()[0]->AsInteger(); }
};

} // namespace

TEST_P(ScrollQuery, ThumbAndEndReachTheirRowsWithoutReadingTheRest)
{
    QScrollBar* bar = Grid.verticalScrollBar();
    // The first screen shows before the server counts the rows; the bar gets
    // its range a moment later.
    if (!Query->IsRecordCountKnown()) {
        EXPECT_EQ(bar->maximum(), 4);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->maximum() == Rows; }, 5000));
    QElapsedTimer clock;
    clock.start();
    DragThumb(bar, 0.5);
    const int at = bar->value();
    EXPECT_GT(at, Rows / 2 - Rows / 10);
    EXPECT_LT(at, Rows / 2 + Rows / 10);
    EXPECT_EQ(Id(), at);
    EXPECT_EQ(Query->RecNo(), at);
    EXPECT_EQ(Grid.CellText(1, Grid.TitleRowCount() + Grid.DataLink()->ActiveRecord()), QString::number(at));

    QTest::keyClick(&Grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Id(), Rows);
    EXPECT_EQ(bar->value(), Rows);
    const int rows = Grid.VisibleRowCount();
    EXPECT_EQ(Grid.CellText(1, Grid.TitleRowCount() + rows - 1), QString::number(Rows));
    EXPECT_LT(clock.elapsed(), 5000);
    // Neither the thumb nor the end walked the rows between.
    EXPECT_LT(Query->FetchedRecordCount(), 2000);

    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(Id(), Rows - rows);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(Id(), 1);
    EXPECT_EQ(bar->value(), 1);
}

TEST_P(ScrollQuery, AFilterThatOnlyTheClientKnowsGetsTheCoarseBar)
{
    // Counting the rows that pass would read them all: the bar gets five steps.
    Query->SetOnFilterRecord([](TDataSet* DataSet, bool& Accept) { Accept = DataSet->Fields()[0]->AsInteger() % 2; });
    Query->SetFiltered(true);
    QScrollBar* bar = Grid.verticalScrollBar();
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_EQ(bar->value(), 0);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(Id(), 1 + 2 * Grid.VisibleRowCount());
    EXPECT_EQ(bar->value(), 2);
    EXPECT_LT(Query->FetchedRecordCount(), 2000);
}

INSTANTIATE_TEST_SUITE_P(Databases, ScrollQuery, AllBackends(), BackendName);

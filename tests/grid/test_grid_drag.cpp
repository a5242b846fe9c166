// Rows dragged away from a shown grid by real pointer events (the drag itself
// is caught before it would block in QDrag::exec), the fixed corner moving the
// dock widget the grid sits in, and docked grids owned by a grid going away
// with its data.

#include "test_grid_helpers.h"

#include <QClipboard>
#include <QDockWidget>
#include <QDrag>
#include <QMainWindow>
#include <QMimeData>

#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

// Catches each drag instead of running it.
class TDragGrid : public TZDBGrid
{
public:
    int Drags = 0;
    QString Text;
    TZCustomDBGrid::TZDraggedRows Rows;
    QImage Cursor;

protected:
    Qt::DropAction ExecRowDrag(QDrag* Drag) override
    {
        ++Drags;
        Text = Drag->mimeData()->text();
        EXPECT_TRUE(DecodeDraggedRows(Drag->mimeData(), Rows));
        Cursor = Drag->dragCursor(Qt::CopyAction).toImage();
        Drag->deleteLater();
        return Qt::IgnoreAction;
    }
};

struct GridDrag : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(30);
    TDataSource Source;
    std::unique_ptr<TDragGrid> Grid = std::make_unique<TDragGrid>();

    void SetUp() override
    {
        Grid->SetOptionsEx(Grid->GetOptionsEx() & ~TZDBGridOptionsEx(dgDelaySelectedRows));
        Grid->SetOptions(Grid->GetOptions() | dgMultiSelect);
        Grid->SetOptionsExt(Grid->GetOptionsExt() | dgMouseScrolling);
        Grid->SetDragRows(true);
        Grid->SetKeyFields("Id");
        Source.SetDataSet(Table.get());
        Grid->SetDataSource(&Source);
        ShowGrid(*Grid, 400, 300);
    }
    void TearDown() override
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
    }
    QWidget* View() const { return Grid->viewport(); }
    QPoint Cell(const char* Field, int Record) const
    {
        return Grid->CellRect(Grid->DataToRawColumn(Grid->FindColumn(Field)->Index()), Grid->FirstDataRow() + Record)
            .center();
    }
    // Presses at From and moves the pointer by Distance pixels to the right.
    void PressAndMove(const QPoint& From, int Distance, Qt::KeyboardModifiers Modifiers = {})
    {
        QTest::mousePress(View(), Qt::LeftButton, Modifiers, From);
        QTest::mouseMove(View(), From + QPoint(Distance, 0));
    }
    QList<QVariant> Ids(std::initializer_list<int> Values) const
    {
        QList<QVariant> ids;
        for (int id : Values)
            ids << QVariant(id);
        return ids;
    }
};

} // namespace

TEST_F(GridDrag, MovingPastTheStartDistanceDragsTheRowsAClickDoesNot)
{
    const int start = QApplication::startDragDistance();
    // Short of the distance nothing starts; the release is a plain click.
    int clicks = 0;
    Grid->OnCellClick = [&](TZCustomDBGrid*, TZColumn*) { ++clicks; };
    PressAndMove(Cell("Customer", 2), start - 1);
    QTest::mouseRelease(View(), Qt::LeftButton, {}, Cell("Customer", 2) + QPoint(start - 1, 0));
    EXPECT_EQ(Grid->Drags, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(Table->FieldByName("Id")->AsInteger(), 3);

    // Past it the current row is dragged, as the same text a copy makes.
    PressAndMove(Cell("Customer", 4), start + 2);
    ASSERT_EQ(Grid->Drags, 1);
    QTest::mouseRelease(View(), Qt::LeftButton, {}, Cell("Customer", 4));
    EXPECT_EQ(Grid->Rows.KeyFields, "Id");
    EXPECT_EQ(Grid->Rows.Keys, Ids({5}));
    EXPECT_EQ(Grid->Rows.Bookmarks.size(), 1);
    Grid->CopyToClipboard(false);
    EXPECT_EQ(Grid->Text, QGuiApplication::clipboard()->text());
    EXPECT_TRUE(Grid->Text.startsWith("5\tCustomer 5\t"));
    EXPECT_FALSE(Grid->ScrollTracking());
    EXPECT_EQ(Grid->SelectCount(), 0);
}

TEST_F(GridDrag, APlainPressOnASelectedRowDragsTheWholeSelection)
{
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Customer", 1));
    QTest::mouseClick(View(), Qt::LeftButton, Qt::ControlModifier, Cell("Customer", 3));
    QTest::mouseClick(View(), Qt::LeftButton, Qt::ControlModifier, Cell("Customer", 6));
    ASSERT_EQ(Grid->SelectedRows()->Count(), 3);
    PressAndMove(Cell("Amount", 3), 20);
    ASSERT_EQ(Grid->Drags, 1);
    QTest::mouseRelease(View(), Qt::LeftButton, {}, Cell("Amount", 3) + QPoint(20, 0));
    EXPECT_EQ(Grid->Rows.Keys, Ids({2, 4, 7}));
    EXPECT_EQ(Grid->Text.count("\r\n"), 2);
    EXPECT_EQ(Grid->SelectedRows()->Count(), 3);
    const QImage several = Grid->Cursor;

    // Released where it was pressed, the plain press selects that row alone,
    // and a single row drags with another cursor.
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Amount", 3));
    EXPECT_EQ(Grid->SelectedRows()->Count(), 1);
    PressAndMove(Cell("Amount", 5), 20);
    QTest::mouseRelease(View(), Qt::LeftButton, {}, Cell("Amount", 5) + QPoint(20, 0));
    EXPECT_EQ(Grid->Rows.Keys, Ids({6}));
    EXPECT_NE(Grid->Cursor, several);
}

TEST_F(GridDrag, TheIndicatorAndFrozenColumnsStillDragScroll)
{
    Grid->SetFixedCols(1);
    const QPoint indicator(Grid->CellRect(0, Grid->FirstDataRow() + 1).center());
    PressAndMove(indicator, 0);
    QTest::mouseMove(View(), Cell("Id", 4));
    EXPECT_TRUE(Grid->ScrollTracking());
    QTest::mouseRelease(View(), Qt::LeftButton, {}, Cell("Id", 4));
    EXPECT_EQ(Grid->Drags, 0);
    EXPECT_EQ(Grid->SelectedRows()->Count(), 4);

    // Without DragRows a data cell drag-scrolls too.
    Grid->SetDragRows(false);
    PressAndMove(Cell("Customer", 1), 30);
    EXPECT_TRUE(Grid->ScrollTracking());
    QTest::mouseRelease(View(), Qt::LeftButton, {}, Cell("Customer", 1) + QPoint(30, 0));
    EXPECT_EQ(Grid->Drags, 0);
}

TEST_F(GridDrag, TheCornerMovesTheDockWidgetItSitsIn)
{
    int fillerClicks = 0;
    Grid->OnFillerClick = [&](TZCustomDBGrid*) { ++fillerClicks; };
    Grid->SetDragKind(dkDock);
    const QPoint corner = Grid->CellRect(0, 0).center();
    // In no dock widget the corner stays a corner.
    QTest::mouseClick(View(), Qt::LeftButton, {}, corner);
    EXPECT_EQ(fillerClicks, 1);

    QMainWindow window;
    auto* dock = new QDockWidget(QStringLiteral("Orders"), &window);
    window.setCentralWidget(new QWidget(&window));
    window.addDockWidget(Qt::LeftDockWidgetArea, dock);
    dock->setWidget(Grid.get());
    window.resize(800, 500);
    window.show();
    QApplication::processEvents();
    const QPoint before = dock->mapToGlobal(QPoint(0, 0));
    QTest::mousePress(View(), Qt::LeftButton, {}, corner);
    QTest::mouseMove(View(), corner + QPoint(1, 0));
    EXPECT_FALSE(dock->isFloating());
    QTest::mouseMove(View(), corner + QPoint(40, 30));
    QApplication::processEvents();
    EXPECT_TRUE(dock->isFloating());
    EXPECT_EQ(dock->mapToGlobal(QPoint(0, 0)), before + QPoint(40, 30));
    QTest::mouseRelease(View(), Qt::LeftButton, {}, corner);
    EXPECT_EQ(fillerClicks, 1);
    dock->setWidget(nullptr);
    Grid->setParent(nullptr);
}

TEST_F(GridDrag, DockedGridsOwnedByTheGridGoWhenItsLinkChanges)
{
    auto* floating = new QWidget(Grid.get(), Qt::Tool);
    auto* docked = new TZDBGrid(floating);
    docked->SetDragKind(dkDock);
    auto* embedded = new TZDBGrid(Grid.get());
    embedded->SetDragKind(dkDock);
    auto* kept = new TZDBGrid(Grid.get());
    QPointer<QWidget> floatingAlive(floating), embeddedAlive(embedded), keptAlive(kept);
    Table->Close();
    EXPECT_TRUE(floatingAlive.isNull());
    EXPECT_TRUE(embeddedAlive.isNull());
    EXPECT_FALSE(keptAlive.isNull());
}

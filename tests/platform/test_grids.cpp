// The cell grid base: geometry, keyboard and mouse, in-place editor, painting
// of large grids, scrolling, scaling, deferred calls and package bitmaps.

#include "Grids.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <map>
#include <set>

// Readable failure messages for rectangles.
void PrintTo(const QRect& r, std::ostream* os)
{
    *os << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}

using namespace zdb;

namespace {

// A grid with text cells, recording what the base calls.
class TTestGrid : public TCustomGrid
{
public:
    std::map<std::pair<int, int>, QString> Cells;
    std::set<std::pair<int, int>> Drawn;
    int DrawCalls = 0;
    int SetEditTextCalls = 0;
    int ColWidthsChangedCalls = 0;
    int TopLeftChangedCalls = 0;
    std::vector<std::pair<int, int>> MovedColumns;
    std::vector<std::pair<int, int>> MovedRows;
    std::vector<std::pair<QObject*, TOperation>> Notifications;
    int VetoCol = -1;
    int EditLimit = 0;
    TGridDrawState LastFocusedState;
    std::map<std::pair<int, int>, QRect> DrawnRects;

    using TCustomGrid::CalcDrawInfo;
    using TCustomGrid::ChangeScale;
    using TCustomGrid::ScrollTimerTick;

    TTestGrid()
    {
        setFrameShape(QFrame::NoFrame);
        resize(400, 300);
    }

    QString Cell(int c, int r) { return Cells[{c, r}]; }

    void ResetDrawn()
    {
        Drawn.clear();
        DrawCalls = 0;
    }

    void Show()
    {
        show();
        QApplication::setActiveWindow(this);
        setFocus();
        QApplication::processEvents();
    }

protected:
    void DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState) override
    {
        ++DrawCalls;
        Drawn.insert({ACol, ARow});
        DrawnRects[{ACol, ARow}] = ARect;
        if (AState & gdFocused)
            LastFocusedState = AState;
        Canvas()->drawText(ARect, Cells[{ACol, ARow}]);
    }
    QString GetEditText(int ACol, int ARow) override { return Cells[{ACol, ARow}]; }
    void SetEditText(int ACol, int ARow, const QString& Value) override
    {
        ++SetEditTextCalls;
        Cells[{ACol, ARow}] = Value;
    }
    int GetEditLimit() override { return EditLimit; }
    bool SelectCell(int ACol, int /*ARow*/) override { return ACol != VetoCol; }
    void ColWidthsChanged() override
    {
        ++ColWidthsChangedCalls;
        TCustomGrid::ColWidthsChanged();
    }
    void TopLeftChanged() override
    {
        ++TopLeftChangedCalls;
        TCustomGrid::TopLeftChanged();
    }
    void ColumnMoved(int FromIndex, int ToIndex) override { MovedColumns.push_back({FromIndex, ToIndex}); }
    void RowMoved(int FromIndex, int ToIndex) override { MovedRows.push_back({FromIndex, ToIndex}); }
    void Notification(QObject* AComponent, TOperation Operation) override
    {
        Notifications.push_back({AComponent, Operation});
    }
};

// Uniform 49 + 1 pixel columns and 19 + 1 pixel rows, no scroll bars, so that
// the client area is exactly 400 × 300.
void MakeUniform(TTestGrid& g, int cols, int rows)
{
    g.SetScrollBars(ssNone);
    g.SetColCount(cols);
    g.SetRowCount(rows);
    g.SetDefaultColWidth(49);
    g.SetDefaultRowHeight(19);
}

void SendMouse(TCustomGrid& g, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget* vp = g.viewport();
    QMouseEvent ev(type, QPointF(pos), vp->mapToGlobal(QPointF(pos)), button, buttons, mods);
    QApplication::sendEvent(vp, &ev);
}

void Drag(TCustomGrid& g, QPoint from, QPoint to)
{
    SendMouse(g, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    const QPoint mid = (from + to) / 2;
    SendMouse(g, QEvent::MouseMove, mid, Qt::NoButton, Qt::LeftButton);
    SendMouse(g, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    SendMouse(g, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

void Wheel(TCustomGrid& g, int delta, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget* vp = g.viewport();
    const QPointF pos(100, 100);
    QWheelEvent ev(pos, vp->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, mods, Qt::NoScrollPhase,
                   false);
    QApplication::sendEvent(vp, &ev);
}

QPoint Center(const QRect& r)
{
    return {r.left() + r.width() / 2, r.top() + r.height() / 2};
}

} // namespace

// ---- Geometry -------------------------------------------------------------------

TEST(GridGeometry, DrawInfoDescribesTheVisibleCells)
{
    TTestGrid g;
    MakeUniform(g, 20, 100);
    g.Show();
    ASSERT_EQ(g.GetClientWidth(), 400);
    ASSERT_EQ(g.GetClientHeight(), 300);

    TGridDrawInfo di;
    g.CalcDrawInfo(di);
    EXPECT_EQ(di.Horz.EffectiveLineWidth, 1);
    EXPECT_EQ(di.Horz.FixedBoundary, 50);
    EXPECT_EQ(di.Horz.GridBoundary, 400);
    EXPECT_EQ(di.Horz.LastFullVisibleCell, 7);
    EXPECT_EQ(di.Horz.FullVisBoundary, 400);
    EXPECT_EQ(di.Horz.FirstGridCell, 1);
    EXPECT_EQ(di.Horz.GridCellCount, 20);
    EXPECT_EQ(di.Horz.Extent(3), 49);
    EXPECT_EQ(di.Vert.FixedBoundary, 20);
    EXPECT_EQ(di.Vert.LastFullVisibleCell, 14);
    EXPECT_EQ(g.GetVisibleColCount(), 7);
    EXPECT_EQ(g.GetVisibleRowCount(), 14);

    // A partly visible last row counts as visible but not as fully visible.
    g.resize(400, 310);
    g.CalcDrawInfo(di);
    EXPECT_EQ(di.Vert.LastFullVisibleCell, 14);
    EXPECT_EQ(di.Vert.FullVisBoundary, 300);
    EXPECT_EQ(di.Vert.GridBoundary, 310);
    EXPECT_EQ(g.CellRect(1, 15), QRect(50, 300, 49, 10));

    // Without lines the cells touch.
    g.SetOptions(g.GetOptions() & ~TGridOptions(goFixedVertLine | goVertLine));
    g.CalcDrawInfo(di);
    EXPECT_EQ(di.Horz.EffectiveLineWidth, 0);
    EXPECT_EQ(g.CellRect(2, 1).left(), 49 + 49);
}

TEST(GridGeometry, CellRectAndMouseCoordRoundTrip)
{
    TTestGrid g;
    g.SetScrollBars(ssNone);
    g.SetColCount(12);
    g.SetRowCount(60);
    g.SetFixedCols(2);
    g.SetFixedRows(2);
    g.SetDefaultColWidth(40);
    g.SetDefaultRowHeight(18);
    g.SetGridLineWidth(2);
    g.SetColWidths(3, 75);
    g.SetRowHeights(4, 31);
    g.Show();

    auto roundTrip = [&](const char* where) {
        int visible = 0;
        for (int c = 0; c < g.GetColCount(); ++c) {
            for (int r = 0; r < g.GetRowCount(); ++r) {
                const QRect rc = g.CellRect(c, r);
                if (rc.isEmpty())
                    continue;
                ++visible;
                const TGridCoord atCorner = g.MouseCoord(rc.left(), rc.top());
                const TGridCoord atCenter = g.MouseCoord(Center(rc).x(), Center(rc).y());
                EXPECT_EQ(atCorner.X, c) << where;
                EXPECT_EQ(atCorner.Y, r) << where;
                EXPECT_EQ(atCenter.X, c) << where;
                EXPECT_EQ(atCenter.Y, r) << where;
                // The line after a cell belongs to it.
                const int lineX = rc.left() + rc.width();
                if (lineX < g.GetClientWidth()) {
                    EXPECT_EQ(g.MouseCoord(lineX + 1, rc.top()).X, c) << where;
                }
            }
        }
        EXPECT_GT(visible, 20) << where;
    };

    EXPECT_EQ(g.CellRect(0, 0), QRect(0, 0, 40, 18));
    EXPECT_EQ(g.CellRect(3, 2), QRect(3 * 42, 2 * 20, 75, 18));
    EXPECT_EQ(g.CellRect(2, 4), QRect(84, 4 * 20, 40, 31));
    roundTrip("unscrolled");

    g.SetLeftCol(5);
    g.SetTopRow(30);
    EXPECT_TRUE(g.CellRect(3, 10).isEmpty()) << "scrolled out of view";
    EXPECT_TRUE(g.CellRect(4, 2).isEmpty()) << "left of LeftCol";
    EXPECT_EQ(g.CellRect(5, 30), QRect(84, 40, 40, 18)) << "first scrolled cell follows the fixed ones";
    EXPECT_EQ(g.CellRect(1, 30), QRect(42, 40, 40, 18)) << "fixed column stays";
    EXPECT_EQ(g.CellRect(6, 1), QRect(126, 20, 40, 18)) << "fixed row stays";
    EXPECT_EQ(g.MouseCoord(85, 41).X, 5);
    EXPECT_EQ(g.MouseCoord(85, 41).Y, 30);
    roundTrip("scrolled");

    // A box across the fixed and scrolled columns skips the hidden ones.
    const QRect box = g.BoxRect(0, 0, 6, 0);
    EXPECT_EQ(box.left(), 0);
    EXPECT_EQ(box.width(), 2 * 42 + 42 + 40);
}

TEST(GridGeometry, PointsOutsideTheCellsGiveMinusOne)
{
    TTestGrid g;
    MakeUniform(g, 4, 5); // 4 × 50 = 200 wide, 5 × 20 = 100 high
    g.Show();
    const TGridCoord right = g.MouseCoord(250, 10);
    EXPECT_EQ(right.X, -1);
    EXPECT_EQ(right.Y, -1);
    const TGridCoord below = g.MouseCoord(10, 150);
    EXPECT_EQ(below.X, -1);
    EXPECT_EQ(below.Y, -1);
    EXPECT_EQ(g.GetGridWidth(), 200);
    EXPECT_EQ(g.GetGridHeight(), 100);
}

TEST(GridGeometry, FixedCountsAreCheckedAndKeepTheCurrentCellValid)
{
    TTestGrid g;
    g.SetColCount(3);
    EXPECT_THROW(g.SetFixedCols(3), EInvalidGridOperation);
    EXPECT_THROW(g.SetColWidths(5, 10), EInvalidGridOperation);
    g.SetRowCount(10);
    g.SetRow(9);
    g.SetRowCount(4);
    EXPECT_EQ(g.GetRow(), 3);
    g.SetColCount(1); // fixed columns shrink with the count
    EXPECT_EQ(g.GetFixedCols(), 0);
}

// ---- Keyboard ---------------------------------------------------------------------

TEST(GridKeyboard, ArrowsHomeEndAndPagesMoveTheCurrentCell)
{
    TTestGrid g;
    MakeUniform(g, 20, 100);
    g.Show();
    EXPECT_EQ(g.GetCol(), 1);
    EXPECT_EQ(g.GetRow(), 1);

    QTest::keyClick(&g, Qt::Key_Right);
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.GetCol(), 2);
    EXPECT_EQ(g.GetRow(), 2);
    QTest::keyClick(&g, Qt::Key_Up);
    QTest::keyClick(&g, Qt::Key_Up); // stops at the first scrollable row
    EXPECT_EQ(g.GetRow(), 1);

    QTest::keyClick(&g, Qt::Key_End);
    EXPECT_EQ(g.GetCol(), 19);
    EXPECT_GT(g.GetLeftCol(), 1) << "the last column is scrolled into view";
    EXPECT_FALSE(g.CellRect(19, 1).isEmpty());
    QTest::keyClick(&g, Qt::Key_Home);
    EXPECT_EQ(g.GetCol(), 1);
    EXPECT_EQ(g.GetLeftCol(), 1);

    QTest::keyClick(&g, Qt::Key_PageDown);
    EXPECT_EQ(g.GetRow(), 14);
    EXPECT_EQ(g.GetTopRow(), 14);

    QTest::keyClick(&g, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(g.GetCol(), 19);
    EXPECT_EQ(g.GetRow(), 99);
    EXPECT_EQ(g.GetTopRow(), 100 - 14);
    QTest::keyClick(&g, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(g.GetCol(), 1);
    EXPECT_EQ(g.GetRow(), 1);
    EXPECT_EQ(g.GetTopRow(), 1);

    // Down beyond the last fully visible row scrolls by one.
    for (int i = 0; i < 14; ++i)
        QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.GetRow(), 15);
    EXPECT_EQ(g.GetTopRow(), 2);
}

TEST(GridKeyboard, TabStepsThroughTabStopsAndWrapsRows)
{
    TTestGrid g;
    MakeUniform(g, 5, 10);
    g.Show();

    QTest::keyClick(&g, Qt::Key_Tab);
    EXPECT_EQ(g.GetCol(), 1) << "without goTabs Tab does not move";

    g.SetOptions(g.GetOptions() | goTabs);
    g.SetTabStops(2, false);
    QTest::keyClick(&g, Qt::Key_Tab);
    EXPECT_EQ(g.GetCol(), 3) << "column 2 is no tab stop";
    QTest::keyClick(&g, Qt::Key_Tab);
    QTest::keyClick(&g, Qt::Key_Tab);
    EXPECT_EQ(g.GetCol(), 1);
    EXPECT_EQ(g.GetRow(), 2);
    QTest::keyClick(&g, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(g.GetCol(), 4);
    EXPECT_EQ(g.GetRow(), 1);
    EXPECT_TRUE(g.hasFocus() || !g.isActiveWindow());
}

TEST(GridKeyboard, ShiftExtendsTheSelectionAndSelectCellVetoes)
{
    TTestGrid g;
    MakeUniform(g, 8, 20);
    g.Show();
    QTest::keyClick(&g, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&g, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(g.GetSelection(), (TGridRect{1, 1, 2, 2}));
    QTest::keyClick(&g, Qt::Key_Right);
    EXPECT_EQ(g.GetSelection(), (TGridRect{3, 2, 3, 2}));

    g.VetoCol = 4;
    QTest::keyClick(&g, Qt::Key_Right);
    EXPECT_EQ(g.GetCol(), 3);

    g.SetOptions(g.GetOptions() | goRowSelect);
    EXPECT_EQ(g.GetSelection(), (TGridRect{1, 2, 7, 2}));
}

TEST(GridKeyboard, KeyDownEventCanConsumeKeys)
{
    TTestGrid g;
    MakeUniform(g, 8, 20);
    g.Show();
    std::vector<QChar> typed;
    g.OnKeyDown = [](int& Key, TShiftState) {
        if (Key == Qt::Key_Down)
            Key = 0;
    };
    g.OnKeyPress = [&](QChar& Key) { typed.push_back(Key); };
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.GetRow(), 1);
    QTest::keyClick(&g, Qt::Key_A);
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_EQ(typed[0], QChar('a'));
}

// ---- In-place editor --------------------------------------------------------------

TEST(GridEditor, ShowsOverTheCurrentCellAndRoundTripsText)
{
    TTestGrid g;
    MakeUniform(g, 6, 30);
    g.SetOptions(g.GetOptions() | goEditing);
    g.Cells[{2, 3}] = QStringLiteral("alpha");
    g.Show();
    g.MoveColRow(2, 3, true, true);

    QTest::keyClick(&g, Qt::Key_F2);
    TInplaceEdit* ed = g.GetInplaceEditor();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(g.GetEditorMode());
    EXPECT_TRUE(ed->GetVisible());
    EXPECT_EQ(ed->geometry(), g.CellRect(2, 3));
    EXPECT_EQ(ed->GetText(), QStringLiteral("alpha"));
    EXPECT_EQ(ed->GetSelLength(), 0) << "F2 leaves the caret at the end";
    EXPECT_EQ(ed->GetSelStart(), 5);

    QTest::keyClicks(ed, QStringLiteral("bet"));
    EXPECT_EQ(g.Cell(2, 3), QStringLiteral("alphabet")) << "each edit goes through SetEditText";
    QTest::keyClick(ed, Qt::Key_Return);
    EXPECT_FALSE(g.GetEditorMode());
    EXPECT_FALSE(ed->GetVisible());
    EXPECT_EQ(g.Cell(2, 3), QStringLiteral("alphabet"));

    // Escape goes back to the text the cell had when editing began.
    g.ShowEditor();
    EXPECT_TRUE(ed->GetVisible());
    QTest::keyClicks(ed, QStringLiteral("xyz"));
    EXPECT_EQ(g.Cell(2, 3), QStringLiteral("xyz")) << "the whole text was selected";
    QTest::keyClick(ed, Qt::Key_Escape);
    EXPECT_FALSE(ed->GetVisible());
    EXPECT_EQ(g.Cell(2, 3), QStringLiteral("alphabet"));

    // Down in the editor moves the grid and ends editing.
    g.ShowEditor();
    QTest::keyClick(ed, Qt::Key_Down);
    EXPECT_EQ(g.GetRow(), 4);
    EXPECT_FALSE(ed->GetVisible());
}

TEST(GridEditor, TypingOnTheGridStartsEditingWithTheCharacter)
{
    TTestGrid g;
    MakeUniform(g, 6, 30);
    g.Cells[{1, 1}] = QStringLiteral("old");
    g.Show();
    QTest::keyClick(&g, Qt::Key_Q);
    EXPECT_EQ(g.GetInplaceEditor(), nullptr) << "no editing without goEditing";

    g.SetOptions(g.GetOptions() | goEditing);
    QTest::keyClick(&g, Qt::Key_Q);
    TInplaceEdit* ed = g.GetInplaceEditor();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(ed->GetVisible());
    EXPECT_EQ(ed->GetText(), QStringLiteral("q"));
    EXPECT_EQ(g.Cell(1, 1), QStringLiteral("q"));

    // Enter on the grid toggles the editor.
    g.HideEditor();
    QTest::keyClick(&g, Qt::Key_Return);
    EXPECT_TRUE(g.GetEditorMode());
    EXPECT_TRUE(ed->GetVisible());
}

TEST(GridEditor, ReadOnlyLimitRefusesInputAndScrollingHidesTheEditor)
{
    TTestGrid g;
    MakeUniform(g, 6, 100);
    g.SetOptions(g.GetOptions() | goEditing);
    g.Cells[{1, 1}] = QStringLiteral("fixed");
    g.EditLimit = -1;
    g.Show();
    g.ShowEditor();
    TInplaceEdit* ed = g.GetInplaceEditor();
    ASSERT_NE(ed, nullptr);
    QTest::keyClicks(ed, QStringLiteral("zz"));
    EXPECT_EQ(ed->GetText(), QStringLiteral("fixed"));
    EXPECT_EQ(g.Cell(1, 1), QStringLiteral("fixed"));

    g.SetTopRow(50);
    EXPECT_FALSE(ed->GetVisible()) << "the current cell left the view";
    EXPECT_GT(g.TopLeftChangedCalls, 0);
    g.SetTopRow(1);
    EXPECT_TRUE(ed->GetVisible());
    EXPECT_EQ(ed->geometry(), g.CellRect(1, 1));

    // InvalidateEditor reloads the text.
    g.Cells[{1, 1}] = QStringLiteral("reloaded");
    g.InvalidateEditor();
    EXPECT_EQ(ed->GetText(), QStringLiteral("reloaded"));
}

// ---- Mouse ------------------------------------------------------------------------

TEST(GridMouse, ClickSelectsAndDragExtendsTheRange)
{
    TTestGrid g;
    MakeUniform(g, 10, 40);
    g.Show();
    int clicks = 0;
    g.OnClick = [&] { ++clicks; };
    Drag(g, Center(g.CellRect(3, 5)), Center(g.CellRect(5, 7)));
    EXPECT_EQ(g.GetCol(), 3);
    EXPECT_EQ(g.GetRow(), 5);
    EXPECT_EQ(g.GetSelection(), (TGridRect{3, 5, 5, 7}));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(g.GetGridState(), gsNormal);
}

TEST(GridMouse, DragSelectBeyondTheBottomScrollsOnTimerTicks)
{
    TTestGrid g;
    MakeUniform(g, 10, 40);
    g.Show();
    SendMouse(g, QEvent::MouseButtonPress, Center(g.CellRect(2, 10)), Qt::LeftButton, Qt::LeftButton);
    SendMouse(g, QEvent::MouseMove, Center(g.CellRect(2, 14)), Qt::NoButton, Qt::LeftButton);
    SendMouse(g, QEvent::MouseMove, QPoint(75, 320), Qt::NoButton, Qt::LeftButton);
    ASSERT_EQ(g.GetGridState(), gsSelecting);
    const int before = g.GetSelection().Bottom;
    g.ScrollTimerTick();
    g.ScrollTimerTick();
    EXPECT_EQ(g.GetSelection().Bottom, before + 2);
    EXPECT_GT(g.GetTopRow(), 1);
    SendMouse(g, QEvent::MouseButtonRelease, QPoint(75, 320), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(g.GetGridState(), gsNormal);
    EXPECT_EQ(g.GetSelection().Top, 10);
}

TEST(GridMouse, DraggingATitleBorderSizesTheColumn)
{
    TTestGrid g;
    MakeUniform(g, 10, 40);
    g.Show();
    const QRect title = g.CellRect(2, 0);
    const QPoint border(title.left() + title.width(), Center(title).y());

    // Without goColSizing nothing is sized.
    Drag(g, border, border + QPoint(30, 0));
    EXPECT_EQ(g.GetColWidths(2), 49);

    g.SetOptions(g.GetOptions() | goColSizing);
    const int changedBefore = g.ColWidthsChangedCalls;
    Drag(g, border, border + QPoint(30, 0));
    EXPECT_EQ(g.GetColWidths(2), 79);
    EXPECT_EQ(g.GetColWidths(3), 49);
    EXPECT_GT(g.ColWidthsChangedCalls, changedBefore);
    EXPECT_EQ(g.GetGridState(), gsNormal);

    // A data row is no handle for sizing.
    const QRect data = g.CellRect(2, 3);
    Drag(g, QPoint(data.left() + data.width(), Center(data).y()), QPoint(data.left() + data.width() + 20, 70));
    EXPECT_EQ(g.GetColWidths(2), 79);
}

TEST(GridMouse, DraggingATitleToAnotherColumnMovesIt)
{
    TTestGrid g;
    MakeUniform(g, 10, 40);
    g.SetOptions(g.GetOptions() | goColMoving);
    g.SetColWidths(2, 70);
    g.Show();
    g.SetCol(2);

    Drag(g, Center(g.CellRect(2, 0)), Center(g.CellRect(5, 0)));
    ASSERT_EQ(g.MovedColumns.size(), 1u);
    EXPECT_EQ(g.MovedColumns[0], (std::make_pair(2, 5)));
    EXPECT_EQ(g.GetColWidths(5), 70) << "the width travels with the column";
    EXPECT_EQ(g.GetColWidths(2), 49);
    EXPECT_EQ(g.GetCol(), 5) << "the current column travels too";

    // A plain click on a title moves nothing.
    const QPoint p = Center(g.CellRect(3, 0));
    Drag(g, p, p);
    EXPECT_EQ(g.MovedColumns.size(), 1u);

    // Rows move from the fixed column.
    g.SetOptions(g.GetOptions() | goRowMoving);
    Drag(g, Center(g.CellRect(0, 2)), Center(g.CellRect(0, 4)));
    ASSERT_EQ(g.MovedRows.size(), 1u);
    EXPECT_EQ(g.MovedRows[0], (std::make_pair(2, 4)));
}

TEST(GridMouse, WheelMovesTheRowUnlessAHandlerTakesIt)
{
    TTestGrid g;
    MakeUniform(g, 10, 40);
    g.Show();
    Wheel(g, -120);
    EXPECT_EQ(g.GetRow(), 2);
    Wheel(g, -240);
    EXPECT_EQ(g.GetRow(), 4);
    Wheel(g, 120);
    EXPECT_EQ(g.GetRow(), 3);
    Wheel(g, -60); // half a notch waits for the other half
    EXPECT_EQ(g.GetRow(), 3);
    Wheel(g, -60);
    EXPECT_EQ(g.GetRow(), 4);

    int downs = 0;
    g.OnMouseWheelDown = [&](TShiftState, const QPoint&, bool& handled) {
        ++downs;
        handled = true;
    };
    Wheel(g, -120);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(g.GetRow(), 4);
}

// ---- Painting and scrolling -------------------------------------------------------

TEST(GridPaint, PaintVisitsOnlyVisibleCellsOfAMillionRows)
{
    auto expectedCells = [](TTestGrid& g) {
        std::set<std::pair<int, int>> cells;
        for (int c = 0; c < g.GetColCount(); ++c) {
            for (int r : {0}) {
                if (!g.CellRect(c, r).isEmpty())
                    cells.insert({c, r});
            }
            for (int r = g.GetTopRow(); r < std::min(g.GetRowCount(), g.GetTopRow() + 40); ++r)
                if (!g.CellRect(c, r).isEmpty())
                    cells.insert({c, r});
        }
        return cells;
    };

    TTestGrid small;
    MakeUniform(small, 20, 100);
    small.Show();
    QApplication::processEvents();
    small.ResetDrawn();
    small.viewport()->repaint();
    const int smallCalls = small.DrawCalls;

    TTestGrid big;
    MakeUniform(big, 20, 1000000);
    big.Show();
    QApplication::processEvents();
    big.ResetDrawn();
    big.viewport()->repaint();
    EXPECT_EQ(big.DrawCalls, smallCalls);
    EXPECT_EQ(big.Drawn, expectedCells(big));
    EXPECT_EQ(big.DrawCalls, 8 * 15) << "8 columns by 15 rows fit 400 × 300";

    big.SetTopRow(999990);
    big.ResetDrawn();
    big.viewport()->repaint();
    EXPECT_EQ(big.Drawn, expectedCells(big));
    EXPECT_EQ(big.Drawn.count(std::make_pair(1, 999999)), 1u);
    EXPECT_EQ(big.Drawn.count(std::make_pair(1, 1)), 0u);

    // A custom height on one row of a million keeps painting local.
    big.SetRowHeights(999995, 59);
    big.ResetDrawn();
    big.viewport()->repaint();
    EXPECT_EQ(big.Drawn, expectedCells(big));
}

TEST(GridPaint, FocusedCellIsPaintedFocusedAndSelected)
{
    TTestGrid g;
    MakeUniform(g, 6, 10);
    g.Show();
    g.MoveColRow(3, 4, true, true);
    g.viewport()->repaint();
    EXPECT_TRUE(g.LastFocusedState & gdFocused);
    EXPECT_TRUE(g.LastFocusedState & gdSelected);
    EXPECT_FALSE(g.LastFocusedState & gdFixed);

    // The picture shows the cell text.
    g.Cells[{2, 2}] = QStringLiteral("WWWWW");
    const QImage before = g.viewport()->grab().toImage();
    g.Cells[{2, 2}] = QString();
    const QImage after = g.viewport()->grab().toImage();
    const QRect r = g.CellRect(2, 2);
    EXPECT_NE(before.copy(r), after.copy(r));
    EXPECT_EQ(before.copy(g.CellRect(4, 6)), after.copy(g.CellRect(4, 6)));
}

TEST(GridPaint, ACellCutByTheEdgeIsDrawnWholeAndClipped)
{
    // Seven columns of 50 pixels and a last one of 81 (with its line): 431
    // pixels in a 400 pixel view, so the last column shows only 50 of them.
    TTestGrid g;
    MakeUniform(g, 8, 10);
    g.SetScrollBars(ssHorizontal);
    g.SetColWidths(7, 80);
    g.Show();
    QScrollBar* bar = g.horizontalScrollBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bar->maximum(), bar->minimum());

    g.viewport()->repaint();
    EXPECT_EQ(g.DrawnRects[std::make_pair(7, 2)], QRect(350, 40, 80, 19));
    EXPECT_EQ(g.CellRect(7, 2), QRect(350, 40, 50, 19)) << "the cell's visible part";

    // Wide enough for the whole last column, the bar goes; one pixel less brings it back.
    g.resize(430, g.height());
    QApplication::processEvents();
    EXPECT_FALSE(bar->isVisible());
    g.resize(429, g.height());
    QApplication::processEvents();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bar->maximum(), bar->minimum());
}

TEST(GridScroll, VerticalBarCountsRowsOfAMillion)
{
    TTestGrid g;
    g.SetColCount(5);
    g.SetRowCount(1000000);
    g.SetDefaultRowHeight(19);
    g.Show();
    QScrollBar* bar = g.verticalScrollBar();
    const int visible = g.GetVisibleRowCount();
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 1000000 - visible);
    EXPECT_EQ(bar->pageStep(), visible);

    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(g.GetTopRow(), 1 + visible - 1);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(g.GetTopRow(), visible + 1);
    EXPECT_EQ(bar->value(), g.GetTopRow());
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(g.GetTopRow(), 1000000 - visible);
    EXPECT_FALSE(g.CellRect(1, 999999).isEmpty());

    g.SetTopRow(500000);
    EXPECT_EQ(bar->value(), 500000);
    // Dragging the thumb scrolls only with goThumbTracking, or on release.
    bar->setSliderDown(true);
    bar->setSliderPosition(250000);
    EXPECT_EQ(g.GetTopRow(), 500000);
    bar->setSliderDown(false);
    EXPECT_EQ(g.GetTopRow(), 250000);
    g.SetOptions(g.GetOptions() | goThumbTracking);
    bar->setSliderDown(true);
    bar->setSliderPosition(1000);
    EXPECT_EQ(g.GetTopRow(), 1000);
    bar->setSliderDown(false);
}

TEST(GridScroll, GrowingTheViewPullsTheTopRowBack)
{
    TTestGrid g;
    MakeUniform(g, 5, 30);
    g.SetScrollBars(ssVertical);
    g.Show();
    g.SetTopRow(30 - 14);
    g.resize(400, 500);
    QApplication::processEvents();
    EXPECT_EQ(g.GetTopRow(), 6) << "no empty space below the last row while it can scroll";
}

// ---- Scale, deferred calls, notifications ---------------------------------------

TEST(GridScale, ChangeScaleScalesDefaultsAndCustomSizes)
{
    TTestGrid g;
    g.SetColCount(4);
    g.SetRowCount(4);
    g.SetColWidths(2, 40);
    g.SetRowHeights(3, 30);
    const int changes = g.ColWidthsChangedCalls;
    const int ppi = g.CurrentPPI();
    g.ChangeScale(150, 100);
    EXPECT_EQ(g.GetDefaultColWidth(), 96);
    EXPECT_EQ(g.GetDefaultRowHeight(), 36);
    EXPECT_EQ(g.GetColWidths(1), 96);
    EXPECT_EQ(g.GetColWidths(2), 60);
    EXPECT_EQ(g.GetRowHeights(3), 45);
    EXPECT_GT(g.ColWidthsChangedCalls, changes);
    EXPECT_EQ(g.CurrentPPI(), ppi) << "only a DPI change moves CurrentPPI";
    g.ChangeScale(192, 96, true);
    EXPECT_EQ(g.CurrentPPI(), ppi * 2);
    EXPECT_EQ(g.GetColWidths(2), 120);
    EXPECT_EQ(MulDiv(5, 3, 2), 8);
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(MulDiv(7, 1, 0), -1);
}

TEST(GridDeferred, RepeatedPostsRunOnceAndCanBeCancelled)
{
    TTestGrid g;
    int runs = 0;
    EXPECT_TRUE(g.PostDeferred([&] { ++runs; }));
    EXPECT_FALSE(g.PostDeferred([&] { runs += 100; }));
    EXPECT_TRUE(g.DeferredPending());
    EXPECT_EQ(runs, 0);
    QApplication::processEvents();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(g.DeferredPending());

    EXPECT_TRUE(g.PostDeferred([&] { ++runs; }));
    g.CancelDeferred();
    EXPECT_TRUE(g.PostDeferred([&] { runs += 10; })) << "a cancelled call does not block a new one";
    QApplication::processEvents();
    EXPECT_EQ(runs, 11);

    // Separate ids do not coalesce.
    g.PostDeferred([&] { ++runs; }, 1);
    g.PostDeferred([&] { ++runs; }, 2);
    QApplication::processEvents();
    EXPECT_EQ(runs, 13);
}

TEST(GridComponent, FreeNotificationReportsDestroyedObjects)
{
    TTestGrid g;
    auto other = std::make_unique<QObject>();
    QObject* raw = other.get();
    g.FreeNotification(raw);
    g.FreeNotification(raw);
    other.reset();
    ASSERT_EQ(g.Notifications.size(), 1u);
    EXPECT_EQ(g.Notifications[0].first, raw);
    EXPECT_EQ(g.Notifications[0].second, opRemove);

    auto kept = std::make_unique<QObject>();
    g.FreeNotification(kept.get());
    g.RemoveFreeNotification(kept.get());
    kept.reset();
    EXPECT_EQ(g.Notifications.size(), 1u);

    g.Loading();
    EXPECT_TRUE(g.ComponentState() & csLoading);
    g.Loaded();
    EXPECT_FALSE(g.ComponentState() & csLoading);
}

// ---- Package bitmaps --------------------------------------------------------------

TEST(PackageBitmaps, EveryStripExistsInEveryScale)
{
    const std::pair<const char*, int> strips[] = {{"ZDBINDICATORS", PackageImages::IndicatorCount},
                                                  {"ZDBCHECKBOXES", PackageImages::CheckBoxCount},
                                                  {"ZDBEXPANDBOXES", PackageImages::ExpandBoxCount},
                                                  {"ZDBMARKERS", PackageImages::MarkerCount}};
    for (const auto& [name, count] : strips) {
        for (const auto& [ppi, size] : {std::pair{96, 16}, {120, 20}, {144, 24}, {168, 28}, {192, 32}}) {
            const QPixmap strip = LoadPackageBitmap(QString::fromLatin1(name), ppi);
            ASSERT_FALSE(strip.isNull()) << name << " " << ppi;
            EXPECT_EQ(strip.height(), size) << name << " " << ppi;
            EXPECT_EQ(PackageBitmapCount(strip), count) << name << " " << ppi;
            EXPECT_DOUBLE_EQ(strip.devicePixelRatio(), 1.0);
        }
    }
    EXPECT_TRUE(LoadPackageBitmap(QStringLiteral("NOSUCHBITMAP"), 96).isNull());
}

TEST(PackageBitmaps, NearestScaleAndDevicePixelRatio)
{
    const QString name = QStringLiteral("ZDBINDICATORS");
    EXPECT_EQ(LoadPackageBitmap(name, 110).height(), 20) << "110 PPI is nearest to 125 %";
    EXPECT_EQ(LoadPackageBitmap(name, 100).height(), 16);
    EXPECT_EQ(LoadPackageBitmap(name, 400).height(), 32) << "200 % is the largest";

    // Twice the device pixels: the 200 % strip, painting at 16 logical pixels.
    const QPixmap hiDpi = LoadPackageBitmap(name, 96, 2.0);
    EXPECT_EQ(hiDpi.height(), 32);
    EXPECT_DOUBLE_EQ(hiDpi.devicePixelRatio(), 2.0);
    EXPECT_EQ(hiDpi.deviceIndependentSize().toSize(), QSize(5 * 16, 16));

    const QPixmap arrow = PackageBitmapImage(hiDpi, PackageImages::IndicatorCurrent);
    EXPECT_EQ(arrow.size(), QSize(32, 32));
    EXPECT_TRUE(PackageBitmapImage(hiDpi, 5).isNull());
}

TEST(PackageBitmaps, ImagesOfAStripDiffer)
{
    const QPixmap boxes = LoadPackageBitmap(QStringLiteral("ZDBCHECKBOXES"), 96);
    using namespace PackageImages;
    const QImage unchecked = PackageBitmapImage(boxes, CheckBoxIndex(0, 0)).toImage();
    const QImage checked = PackageBitmapImage(boxes, CheckBoxIndex(0, 1)).toImage();
    const QImage crossed = PackageBitmapImage(boxes, CheckBoxIndex(1, 1)).toImage();
    EXPECT_NE(unchecked, checked);
    EXPECT_NE(checked, crossed);
    EXPECT_EQ(unchecked, PackageBitmapImage(boxes, CheckBoxIndex(2, 0)).toImage())
        << "unchecked boxes look alike in every kind";

    const QPixmap markers = LoadPackageBitmap(QStringLiteral("ZDBMARKERS"), 96);
    std::set<QByteArray> distinct;
    for (int i = 0; i < MarkerCount; ++i) {
        const QImage img = PackageBitmapImage(markers, i).toImage().convertToFormat(QImage::Format_ARGB32);
        distinct.insert(QByteArray(reinterpret_cast<const char*>(img.constBits()), int(img.sizeInBytes())));
    }
    EXPECT_EQ(distinct.size(), size_t(MarkerCount));
}

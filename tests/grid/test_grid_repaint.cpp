// What the window really shows after the grid repaints only what a record
// move touched: the backing store after the pending updates equals a full
// repaint, for clicks, keys and program moves inside and beyond the window.

#include "test_grid_helpers.h"

#include <QScreen>
#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

// Counts the paint events a widget receives while it lives.
struct TPaintCounter : QObject {
    explicit TPaintCounter(QWidget* Widget) { Widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* Event) override
    {
        Count += Event->type() == QEvent::Paint;
        return false;
    }
    int Count = 0;
};

struct RepaintedGrid : OrdersGrid<60> {
    // Wide enough for every column: moving the current cell scrolls nothing
    // sideways (which would repaint everything).
    void Show()
    {
        ShowOrders(true, 700, 300);
        ASSERT_EQ(Grid.GetLeftCol(), Grid.IndicatorOffset());
        ASSERT_TRUE(Grid.hasFocus());
    }
    // What the window's backing store holds once the pending updates ran.
    QImage OnScreen()
    {
        QApplication::processEvents();
        return Grid.screen()->grabWindow(Grid.winId()).toImage();
    }
    // The part of the window where what is shown differs from a full
    // repaint (empty when they agree); the full repaint stays on screen.
    QRect Stale()
    {
        const QImage shown = OnScreen();
        Grid.update();
        Grid.viewport()->update();
        const QImage full = OnScreen();
        if (full.isNull() || shown.size() != full.size())
            return QRect(0, 0, 1, 1); // nothing to compare counts as stale
        if (shown == full)
            return {};
        QRect stale;
        for (int y = 0; y < full.height(); ++y)
            for (int x = 0; x < full.width(); ++x)
                if (shown.pixel(x, y) != full.pixel(x, y))
                    stale |= QRect(x, y, 1, 1);
        return stale;
    }
    // The grid rows a window rectangle covers, for failure messages.
    QString Rows(const QRect& Area) const
    {
        const QPoint origin = Grid.viewport()->mapTo(&Grid, QPoint());
        const TGridCoord top = Grid.MouseCoord(Area.left() - origin.x(), Area.top() - origin.y());
        const TGridCoord bottom = Grid.MouseCoord(Area.left() - origin.x(), Area.bottom() - origin.y());
        return QStringLiteral("rows %1..%2").arg(top.Y).arg(bottom.Y);
    }
    void ClickCell(int ACol, int ARow)
    {
        QTest::mouseClick(Grid.viewport(), Qt::LeftButton, {}, Grid.CellRect(ACol, ARow).center());
    }
    int CurrentId() const { return Table->FieldByName(QStringLiteral("Id"))->AsInteger(); }
};

#define EXPECT_SHOWN_AS_REPAINTED(Step)                                                                 \
    do {                                                                                                \
        const QRect stale = Stale();                                                                    \
        EXPECT_TRUE(stale.isEmpty()) << (Step) << ": stale " << Rows(stale).toStdString() << " at "   \
                                     << stale.x() << "," << stale.y() << " " << stale.width() << "x" \
                                     << stale.height();                                                \
    } while (false)

} // namespace

TEST_F(RepaintedGrid, MovesInsideAndBeyondTheWindowLeaveNothingStale)
{
    Show();
    const TZDBGridOptions options = Grid.GetOptions();
    const TZDBGridOptionsEx optionsEx = Grid.GetOptionsEx();
    const struct {
        const char* Name;
        TZDBGridOptions Options;
        TZDBGridOptionsEx OptionsEx;
    } variants[] = {{"cell select", options, optionsEx},
                    {"row select", options | dgRowSelect, optionsEx},
                    {"total row below the data", options, optionsEx | dgTotalFooter}};
    for (const auto& variant : variants) {
        SCOPED_TRACE(variant.Name);
        Grid.SetOptions(variant.Options);
        Grid.SetOptionsEx(variant.OptionsEx);
        ASSERT_EQ(Grid.BottomRowCount() > 0, bool(variant.OptionsEx & dgTotalFooter));
        Table->First();
        EXPECT_SHOWN_AS_REPAINTED("first record");
        const int visible = Grid.VisibleRowCount();
        ASSERT_GT(visible, 8);

        // A click on another visible row: the window stays where it is. The
        // record moves and the current cell follows before anything paints.
        {
            TPaintCounter paints(Grid.viewport());
            ClickCell(2, RowOf(6));
            QApplication::processEvents();
            EXPECT_EQ(paints.Count, 1);
        }
        ASSERT_EQ(CurrentId(), 7);
        EXPECT_SHOWN_AS_REPAINTED("click on a visible row");
        ClickCell(1, RowOf(2));
        ASSERT_EQ(CurrentId(), 3);
        EXPECT_SHOWN_AS_REPAINTED("click back up");

        // Keys inside the window, also with Shift (through the base grid).
        QTest::keyClick(&Grid, Qt::Key_Down);
        EXPECT_SHOWN_AS_REPAINTED("Down");
        QTest::keyClick(&Grid, Qt::Key_Down);
        QTest::keyClick(&Grid, Qt::Key_Down);
        EXPECT_SHOWN_AS_REPAINTED("Down twice before painting");
        QTest::keyClick(&Grid, Qt::Key_Up);
        EXPECT_SHOWN_AS_REPAINTED("Up");
        QTest::keyClick(&Grid, Qt::Key_Down, Qt::ShiftModifier);
        EXPECT_SHOWN_AS_REPAINTED("Shift+Down");
        ASSERT_EQ(CurrentId(), 6);

        // Beyond the window: the data rows' pixels move.
        Table->MoveBy(visible - 6); // the last row of the window
        ASSERT_EQ(Grid.GetRow(), RowOf(visible - 1));
        EXPECT_SHOWN_AS_REPAINTED("program move to the last row");
        QTest::keyClick(&Grid, Qt::Key_Down);
        ASSERT_EQ(Grid.GetRow(), RowOf(visible - 1));
        EXPECT_SHOWN_AS_REPAINTED("Down at the last row");
        QTest::keyClick(&Grid, Qt::Key_PageDown);
        EXPECT_SHOWN_AS_REPAINTED("PageDown");
        QTest::keyClick(&Grid, Qt::Key_Up);
        QTest::keyClick(&Grid, Qt::Key_PageUp);
        EXPECT_SHOWN_AS_REPAINTED("Up, PageUp");
        Table->MoveBy(-visible);
        EXPECT_SHOWN_AS_REPAINTED("program move back by a window");

        // Moves by the program inside the window.
        Table->MoveBy(3);
        EXPECT_SHOWN_AS_REPAINTED("MoveBy(3)");
        Table->MoveBy(-2);
        EXPECT_SHOWN_AS_REPAINTED("MoveBy(-2)");
        const int target = CurrentId() + 4;
        ASSERT_TRUE(Table->Locate(QStringLiteral("Id"), target));
        EXPECT_SHOWN_AS_REPAINTED("Locate");
    }
}

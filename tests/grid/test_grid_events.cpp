// The grid's click and column events, fired by real mouse and key events on
// a shown grid: cells, double clicks, the indicator, the corner, header bands,
// total rows, columns entered and left, moved, sized and scrolled, rows sized.

#include "test_grid_helpers.h"

#include <QContextMenuEvent>
#include <QMenu>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zdb;
using namespace zdb::test;

namespace {

struct GridEvents : ShownOrders<30> {
    std::vector<std::string> Log; // "event:argument" in firing order

    static std::string Name(TZColumn* Column) { return Column ? Column->GetFieldName().toStdString() : "-"; }
    void Drag(QPoint From, QPoint To)
    {
        QTest::mousePress(View(), Qt::LeftButton, {}, From);
        QTest::mouseMove(View(), To);
        QTest::mouseRelease(View(), Qt::LeftButton, {}, To);
    }
};

} // namespace

TEST_F(GridEvents, ClicksOnDataCellsIndicatorAndCorner)
{
    Grid->OnCellClick = [&](TZCustomDBGrid*, TZColumn* Column) { Log.push_back("cell:" + Name(Column)); };
    Grid->OnIndicatorClick = [&](TZCustomDBGrid*) { Log.push_back("indicator"); };
    Grid->OnFillerClick = [&](TZCustomDBGrid*) { Log.push_back("filler"); };
    Grid->OnTitleClick = [&](TZCustomDBGrid*, TZColumn* Column) { Log.push_back("title:" + Name(Column)); };
    const int first = Grid->FirstDataRow();

    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(Raw("Customer"), first + 2));
    EXPECT_EQ(CurrentId(), 3);
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(0, first + 1));
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(0, 0));
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(Raw("Amount"), 0));
    EXPECT_EQ(Log, (std::vector<std::string>{"cell:Customer", "indicator", "filler", "title:Amount"}));

    // A press on a title released on a data cell clicks neither.
    Log.clear();
    QTest::mousePress(View(), Qt::LeftButton, {}, Center(Raw("Id"), 0));
    QTest::mouseRelease(View(), Qt::LeftButton, {}, Center(Raw("Id"), first + 3));
    EXPECT_TRUE(Log.empty());

    // The corner drops down the filler menu instead of the event.
    QMenu menu;
    menu.addAction("Item");
    Grid->SetFillerPopupMenu(&menu);
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(0, 0));
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    EXPECT_TRUE(Log.empty());
}

TEST_F(GridEvents, DoubleClickOnACellGoesToTheCellOrTheControl)
{
    const QPoint cell = Center(Raw("Amount"), Grid->FirstDataRow() + 1);
    int control = 0;
    Grid->OnDblClick = [&] { ++control; };
    QTest::mouseDClick(View(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(control, 1);

    Grid->OnCellDblClick = [&](TZCustomDBGrid*, TZColumn* Column) { Log.push_back("double:" + Name(Column)); };
    QTest::mouseDClick(View(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(Log, std::vector<std::string>{"double:Amount"});
    EXPECT_EQ(control, 1);
    // On a title the control's double click.
    QTest::mouseDClick(View(), Qt::LeftButton, {}, Center(Raw("Amount"), 0));
    EXPECT_EQ(control, 2);
}

TEST_F(GridEvents, HeaderBandsAndTotalRows)
{
    Grid->OnHeaderClick = [&](TZCustomDBGrid*, TZColumn* Column, int Band) {
        Log.push_back("header:" + Name(Column) + ":" + std::to_string(Band));
    };
    Grid->OnTotalClick = [&](TZCustomDBGrid*, TZColumn* Column, int Row) {
        Log.push_back("total:" + Name(Column) + ":" + std::to_string(Row));
    };
    Grid->OnIndicatorClick = [&](TZCustomDBGrid*) { Log.push_back("indicator"); };
    Grid->OnTitleClick = [&](TZCustomDBGrid*, TZColumn* Column) { Log.push_back("title:" + Name(Column)); };
    Grid->FindColumn("Customer")->Title()->SetHeader("Party|Name");
    Grid->SetOptionsEx(Grid->GetOptionsEx() | dgTotalHeader | dgTotalFooter);
    QApplication::processEvents();

    const int raw = Raw("Customer");
    const QRect title = Grid->CellRect(raw, 0);
    const int band = Grid->HeaderRowHeight();
    ASSERT_GT(band, 0);
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(title.center().x(), title.top() + band + band / 2));
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(title.center().x(), title.bottom() - 2));

    // Bottom block: the blank row, the total header row, the total footer row.
    const int rows = Grid->GetRowCount();
    ASSERT_EQ(Grid->BottomRowCount(), 3);
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(raw, rows - 3)); // the blank row
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(raw, rows - 2));
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(Raw("Amount"), rows - 1));
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(0, rows - 1));
    EXPECT_EQ(Log, (std::vector<std::string>{"header:Customer:1", "title:Customer", "total:Customer:0",
                                             "total:Amount:1", "indicator"}));
}

TEST_F(GridEvents, ColumnsAreLeftAndEnteredInOrder)
{
    Grid->OnColExit = [&](TZCustomDBGrid* Sender) { Log.push_back("exit:" + Name(Sender->SelectedColumn())); };
    Grid->OnColEnter = [&](TZCustomDBGrid* Sender) { Log.push_back("enter:" + Name(Sender->SelectedColumn())); };
    ASSERT_EQ(Name(Grid->SelectedColumn()), "Id");
    const int first = Grid->FirstDataRow();

    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(Raw("Amount"), first + 1));
    QTest::keyClick(Grid.get(), Qt::Key_Left);
    // Another row in the same column: neither.
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(Raw("Customer"), first + 3));
    EXPECT_EQ(Log, (std::vector<std::string>{"exit:Id", "enter:Amount", "exit:Amount", "enter:Customer"}));
}

TEST_F(GridEvents, ColumnsMovedByDraggingTheirTitles)
{
    std::vector<std::string> moving;
    bool allow = false;
    Grid->OnColumnMoving = [&](TZCustomDBGrid*, int From, int To, bool& Allowed) {
        moving.push_back(std::to_string(From) + ">" + std::to_string(To));
        Allowed = allow;
    };
    Grid->OnColumnMoved = [&](TZCustomDBGrid*, int From, int To) {
        Log.push_back(std::to_string(From) + ">" + std::to_string(To));
    };
    auto order = [&] {
        std::string names;
        for (TZColumn* column : *Grid->Columns())
            names += Name(column) + " ";
        return names;
    };

    // Refused: the columns stay as they are.
    Drag(Center(Raw("Id"), 0), Center(Raw("Amount"), 0));
    EXPECT_EQ(moving, std::vector<std::string>{"0>2"});
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(order(), "Id Customer Amount ");
    EXPECT_EQ(Grid->CellText(Raw("Id"), Grid->FirstDataRow()), "1");

    allow = true;
    Drag(Center(Raw("Id"), 0), Center(Raw("Amount"), 0));
    EXPECT_EQ(Log, std::vector<std::string>{"0>2"});
    EXPECT_EQ(order(), "Customer Amount Id ");
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(2), Grid->FirstDataRow()), "1");
}

TEST_F(GridEvents, SizingAndScrolling)
{
    Grid->OnColumnResize = [&](TZCustomDBGrid*, TZColumn* Column) { Log.push_back("column:" + Name(Column)); };
    Grid->OnRowResize = [&](TZCustomDBGrid*, int Row) { Log.push_back("row:" + std::to_string(Row)); };
    Grid->OnColumnScroll = [&](TZCustomDBGrid*) { Log.push_back("scroll"); };

    // The divider right of the Customer title, dragged 30 pixels to the right.
    TZColumn* customer = Grid->FindColumn("Customer");
    const int width = customer->GetWidth();
    const QRect title = Grid->CellRect(Raw("Customer"), 0);
    const QPoint divider(title.left() + title.width(), title.center().y());
    Drag(divider, divider + QPoint(30, 0));
    EXPECT_EQ(customer->GetWidth(), width + 30);

    // The line below the second data row, in the indicator column.
    const int row = Grid->FirstDataRow() + 1;
    const QRect indicator = Grid->CellRect(0, row);
    const QPoint line(indicator.center().x(), indicator.top() + indicator.height());
    Drag(line, line + QPoint(0, 6));
    EXPECT_EQ(Log, (std::vector<std::string>{"column:Customer", "row:" + std::to_string(row)}));

    // Rows scrolling is no column scroll.
    Log.clear();
    QTest::keyClick(Grid.get(), Qt::Key_PageDown);
    QTest::keyClick(Grid.get(), Qt::Key_PageDown);
    EXPECT_GT(CurrentId(), 1);
    EXPECT_TRUE(Log.empty());

    // A narrow grid scrolls its columns as the current one moves right.
    Grid->resize(160, 300);
    QApplication::processEvents();
    const int left = Grid->GetLeftCol();
    QTest::keyClick(Grid.get(), Qt::Key_Right);
    QTest::keyClick(Grid.get(), Qt::Key_Right);
    EXPECT_NE(Grid->GetLeftCol(), left);
    EXPECT_FALSE(Log.empty());
    EXPECT_EQ(Log.back(), "scroll");
}

TEST_F(GridEvents, ThePointerEntersAndLeaves)
{
    Grid->OnMouseEnter = [&] { Log.push_back("enter"); };
    Grid->OnMouseLeave = [&] { Log.push_back("leave"); };
    const QPointF inside(20, 20);
    QEnterEvent enter(inside, inside, Grid->mapToGlobal(inside));
    QApplication::sendEvent(Grid.get(), &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(Grid.get(), &leave);
    EXPECT_EQ(Log, (std::vector<std::string>{"enter", "leave"}));

    // A context-menu request pops up the grid's menu.
    QMenu menu;
    menu.addAction("Item");
    Grid->SetPopupMenu(&menu);
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(20, 20), Grid->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(View(), &request);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}

// The grid by keyboard alone: the context-menu key and Shift+F10 open the
// current column's menu, whose items sort by the column, move it and size it
// as the mouse would, within what the grid's options allow.

#include "test_grid_helpers.h"

#include "ZDBFilterUI.h"
#include "ZDBToolMenu.h"

#include <QMenu>
#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

struct KeyMenuGrid : OrdersGrid<10> {
    TCaughtErrors Caught;
    std::vector<TZColumn*> Clicked;
    void SetUp() override
    {
        Grid.SetOptionsEx(Grid.GetOptionsEx() | dgAutoUpdateOrder);
        Grid.SetPopupToolMenu(true);
        Grid.OnTitleClick = [this](TZCustomDBGrid*, TZColumn* Column) { Clicked.push_back(Column); };
        ShowOrders(true, 500, 300);
    }
    void TearDown() override { EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString(); }
    void Key(QWidget* W, int K, Qt::KeyboardModifiers M = Qt::NoModifier)
    {
        QTest::keyClick(W, Qt::Key(K), M);
        QApplication::processEvents();
    }
    // Opens the column menu with Key (+ M) and returns it.
    QMenu* OpenMenu(Qt::Key K = Qt::Key_Menu, Qt::KeyboardModifiers M = Qt::NoModifier)
    {
        Key(&Grid, K, M);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    // Opens the menu and chooses the item with the mnemonic Letter.
    void Choose(char Letter)
    {
        QMenu* menu = OpenMenu();
        ASSERT_TRUE(menu);
        Key(menu, Qt::Key_A + (Letter - 'A'));
        EXPECT_FALSE(QApplication::activePopupWidget()) << "an item was chosen with " << Letter;
    }
    // The enabled items' texts without "&".
    static QStringList Enabled(QMenu* Menu)
    {
        QStringList texts;
        for (QAction* action : Menu->actions())
            if (!action->isSeparator() && action->isEnabled())
                texts << action->text().remove(u'&');
        return texts;
    }
    TZColumn* Column(const char* Name) { return Grid.FindColumn(Name); }
    QString Current() { return Grid.SelectedColumn()->GetFieldName(); }
    // The Ids of the records in the dataset's order.
    std::vector<int> Ids()
    {
        std::vector<int> ids;
        for (Table->First(); !Table->Eof(); Table->Next())
            ids.push_back(Table->FieldByName("Id")->AsInteger());
        return ids;
    }
};

} // namespace

TEST_F(KeyMenuGrid, SortsTheCurrentColumnAsATitleClickWould)
{
    Key(&Grid, Qt::Key_Right);
    ASSERT_EQ(Current(), "Customer");
    QMenu* menu = OpenMenu(Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_TRUE(menu);
    // Under the current cell, with the tool menu a right click would open.
    EXPECT_EQ(menu->pos(), Grid.viewport()->mapToGlobal(Grid.CellRect(Grid.GetCol(), Grid.GetRow()).bottomLeft()));
    QAction* tool = menu->actions().back();
    EXPECT_EQ(tool->menu(), static_cast<QMenu*>(Grid.GetToolMenu()));
    menu->close();
    QApplication::processEvents();

    Choose('S');
    EXPECT_EQ(Grid.GetOrderFields(), "Customer");
    EXPECT_EQ(Ids(), (std::vector<int>{1, 10, 2, 3, 4, 5, 6, 7, 8, 9}));
    Choose('S');
    EXPECT_EQ(Grid.GetOrderFields(), "Customer DESC");
    Key(&Grid, Qt::Key_Right);
    Choose('A');
    EXPECT_EQ(Grid.GetOrderFields(), "Customer DESC,Amount");
    ASSERT_EQ(Clicked.size(), 3u);
    EXPECT_EQ(Clicked.back(), Column("Amount"));

    // Without automatic markers the item is the title click alone; with
    // neither markers nor a handler there is nothing to offer.
    Grid.SetOptions(Grid.GetOptions() & ~TZDBGridOptions(dgMarkerAutoToggle));
    Choose('S');
    EXPECT_EQ(Clicked.size(), 4u);
    EXPECT_EQ(Grid.GetOrderFields(), "Customer DESC,Amount");
    Grid.OnTitleClick = nullptr;
    menu = OpenMenu();
    ASSERT_TRUE(menu);
    EXPECT_FALSE(Enabled(menu).contains("Sort by Column"));
    EXPECT_FALSE(Enabled(menu).contains("Add to Sort"));
    menu->close();
}

TEST_F(KeyMenuGrid, MovesAndSizesTheCurrentColumnWithinTheResizeOptions)
{
    Key(&Grid, Qt::Key_Right);
    TZColumn* customer = Column("Customer");
    const int width = customer->GetWidth();
    Choose('W');
    const int wider = customer->GetWidth();
    EXPECT_GT(wider, width);
    Choose('N');
    EXPECT_EQ(customer->GetWidth(), width);
    Choose('W');
    Choose('D');
    EXPECT_EQ(customer->GetWidth(), customer->DefaultWidth());

    // The column moves and stays current; at an end the move is not offered.
    Choose('R');
    EXPECT_EQ(customer->Index(), 2);
    EXPECT_EQ(Current(), "Customer");
    QMenu* menu = OpenMenu();
    ASSERT_TRUE(menu);
    EXPECT_FALSE(Enabled(menu).contains("Move Right"));
    menu->close();
    QApplication::processEvents();
    Choose('L');
    Choose('L');
    EXPECT_EQ(customer->Index(), 0);
    EXPECT_EQ(Column("Id")->Index(), 1);
    EXPECT_EQ(Current(), "Customer");

    // Without resize options only sorting is offered.
    Grid.SetResizeOptions({});
    menu = OpenMenu();
    ASSERT_TRUE(menu);
    QStringList enabled = Enabled(menu);
    enabled.removeAll("Tool Menu");
    EXPECT_EQ(enabled, (QStringList{"Sort by Column", "Add to Sort"}));
    Key(menu, Qt::Key_W); // a disabled item does nothing
    menu->close();
    EXPECT_EQ(customer->GetWidth(), customer->DefaultWidth());
}

TEST_F(KeyMenuGrid, OpensTheFilterListTheTitlesButtonWould)
{
    // No filter buttons in the titles: no filter items.
    QMenu* menu = OpenMenu();
    ASSERT_TRUE(menu);
    EXPECT_FALSE(Enabled(menu).contains("Filter List"));
    menu->close();
    QApplication::processEvents();

    Grid.FilterGrid()->SetAutoFilter(true);
    Key(&Grid, Qt::Key_Right);
    ASSERT_EQ(Current(), "Customer");
    menu = OpenMenu();
    ASSERT_TRUE(menu);
    EXPECT_TRUE(Enabled(menu).contains("Filter List"));
    EXPECT_TRUE(Enabled(menu).contains("Filter Form"));
    Key(menu, Qt::Key_I);
    auto* list = Grid.findChild<TZDBGridFilterList*>();
    ASSERT_TRUE(list);
    ASSERT_TRUE(list->PopupList());
    EXPECT_TRUE(list->PopupList()->isVisible());
    // Escape closes it.
    QTest::keyClick(list->PopupList(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(list->PopupList() && list->PopupList()->isVisible());
}

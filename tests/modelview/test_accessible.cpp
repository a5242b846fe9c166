// The grid as assistive technology sees it.

#include "../grid/test_grid_helpers.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace zdb::test {
namespace {

struct AccessibleGrid : ::testing::Test {
    void SetUp() override
    {
        Source.SetDataSet(Table.get());
        Grid.SetDataSource(&Source);
        Grid.resize(400, 300);
        Grid.show();
        Grid.activateWindow();
        Grid.setFocus();
        QApplication::processEvents();
    }
    QAccessibleTableInterface* Table_() const
    {
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(const_cast<TZDBGrid*>(&Grid));
        return grid ? grid->tableInterface() : nullptr;
    }
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(50);
    TDataSource Source;
    TZDBGrid Grid;
};

TEST_F(AccessibleGrid, TheGridIsATableOfTheShownCellsAsTheyArePainted)
{
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(&Grid);
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->role(), QAccessible::Table);
    QAccessibleTableInterface* table = grid->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->columnCount(), 3);
    EXPECT_EQ(table->rowCount(), Grid.DataLink()->RecordCount());
    EXPECT_GT(table->rowCount(), 3);
    EXPECT_EQ(grid->childCount(), (table->rowCount() + 1) * 3);

    // Cells give the painted text: the grid's own text conversion included.
    Grid.OnColGetText = [](TZCustomDBGrid*, TZColumn* Column, QString& Text, TTextKind) {
        if (Column->GetFieldName() == "Amount")
            Text = QStringLiteral("$") + Text;
    };
    QAccessibleInterface* cell = table->cellAt(2, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->role(), QAccessible::Cell);
    EXPECT_EQ(cell->text(QAccessible::Name), "Customer 3");
    EXPECT_EQ(table->cellAt(2, 2)->text(QAccessible::Name), "$30");
    EXPECT_EQ(grid->indexOfChild(cell), 3 * 3 + 1);
    EXPECT_EQ(grid->child(3 * 3 + 1), cell);
    EXPECT_EQ(grid->childAt(cell->rect().center().x(), cell->rect().center().y()), cell);
    EXPECT_EQ(Table->RecNo(), 1) << "reading cells moves nothing";

    // Title cells are the column headers.
    Grid.FindColumn("Customer")->Title()->SetCaption(QStringLiteral("Client"));
    QAccessibleTableCellInterface* cellInfo = cell->tableCellInterface();
    ASSERT_NE(cellInfo, nullptr);
    const QList<QAccessibleInterface*> headers = cellInfo->columnHeaderCells();
    ASSERT_EQ(headers.size(), 1);
    EXPECT_EQ(headers[0]->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(headers[0]->text(QAccessible::Name), "Client");
    EXPECT_EQ(table->columnDescription(1), "Client");
    EXPECT_EQ(table->rowDescription(2), "3");

    // The current cell is focused and selected; the scrolled window shows other records.
    QAccessibleInterface* current = grid->focusChild();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->tableCellInterface()->rowIndex(), 0);
    EXPECT_EQ(current->tableCellInterface()->columnIndex(), 0);
    EXPECT_TRUE(current->state().focused);
    EXPECT_EQ(table->selectedCells(), QList<QAccessibleInterface*>({current}));
    Table->SetRecNo(40);
    QApplication::processEvents();
    const int row = Grid.GetRow() - Grid.FirstDataRow();
    EXPECT_EQ(table->cellAt(row, 1)->text(QAccessible::Name), "Customer 40");
}

TEST_F(AccessibleGrid, MultiSelectedRowsAndTheCurrentCellAreTheSelection)
{
    QAccessibleTableInterface* table = Table_();
    ASSERT_NE(table, nullptr);
    const int columns = table->columnCount();
    QTest::keyClick(&Grid, Qt::Key_Down);
    QTest::keyClick(&Grid, Qt::Key_Right);
    QAccessibleInterface* current = QAccessible::queryAccessibleInterface(&Grid)->focusChild();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->tableCellInterface()->rowIndex(), 1);
    EXPECT_EQ(current->tableCellInterface()->columnIndex(), 1);
    EXPECT_EQ(current->text(QAccessible::Name), "Customer 2");

    // Multi-selected rows are selected rows of the table.
    Grid.SetOptions(Grid.GetOptions() | dgMultiSelect);
    Grid.SelectedRows()->SetCurrentRowSelected(true);
    const int row = Grid.GetRow() - Grid.FirstDataRow();
    EXPECT_EQ(table->selectedRows(), QList<int>({row}));
    EXPECT_TRUE(table->isRowSelected(row));
    EXPECT_EQ(table->selectedCellCount(), columns);
    EXPECT_TRUE(current->tableCellInterface()->isSelected());
    EXPECT_FALSE(table->cellAt(0, 1)->tableCellInterface()->isSelected());
}

} // namespace
} // namespace zdb::test

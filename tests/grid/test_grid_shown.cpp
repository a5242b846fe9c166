// A shown grid over real datasets: captions and cell texts read back from the
// grid, the data link's buffer sized to the visible rows, the row structure on
// screen, scrolling through the records.

#include "TestDb.h"
#include "ZDBSQLQuery.h"
#include "test_grid_helpers.h"

#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

struct ShownGrid : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(50);
    TDataSource Source;
    TCountingGrid Grid;

    void SetUp() override { Source.SetDataSet(Table.get()); }
    // The raw row of buffer record i.
    int RowOf(int Record) const { return Grid.TitleRowCount() + Record; }
};

} // namespace

TEST_F(ShownGrid, ShowsFieldsAsColumnsAndRecordsAsRows)
{
    Grid.SetDataSource(&Source);
    ShowGrid(Grid);
    ASSERT_EQ(Grid.Columns()->Count(), 3);
    EXPECT_EQ(Grid.GetColCount(), 4); // indicator + 3
    EXPECT_EQ(Grid.TitleRowCount(), 1);
    EXPECT_EQ(Grid.CellText(1, 0), "Id");
    EXPECT_EQ(Grid.CellText(2, 0), "Customer");
    EXPECT_EQ(Grid.CellText(3, 0), "Amount");
    EXPECT_EQ(Grid.CellText(1, RowOf(0)), "1");
    EXPECT_EQ(Grid.CellText(2, RowOf(0)), "Customer 1");
    EXPECT_EQ(Grid.CellText(2, RowOf(4)), "Customer 5");
    EXPECT_EQ(Grid.CellText(0, RowOf(0)), ""); // the indicator has no text
}

TEST_F(ShownGrid, BufferHoldsTheVisibleRows)
{
    Grid.SetDataSource(&Source);
    ShowGrid(Grid, 400, 300);
    const int visible = Grid.VisibleRowCount();
    EXPECT_GT(visible, 3);
    EXPECT_LT(visible, 50);
    EXPECT_EQ(Grid.DataLink()->BufferCount(), visible);
    EXPECT_EQ(Grid.DataRowCount(), visible);
    EXPECT_EQ(Grid.GetRowCount(), Grid.TitleRowCount() + visible);
    // Every data row fits: the last one ends inside the client area.
    const QRect last = Grid.CellRect(1, Grid.GetRowCount() - 1);
    EXPECT_FALSE(last.isEmpty());
    EXPECT_LE(last.bottom(), Grid.GetClientHeight());

    // A taller grid holds more rows.
    Grid.resize(400, 600);
    QApplication::processEvents();
    EXPECT_GT(Grid.VisibleRowCount(), visible);
    EXPECT_EQ(Grid.DataLink()->BufferCount(), Grid.VisibleRowCount());
}

TEST_F(ShownGrid, FollowsTheDatasetWhenItScrolls)
{
    Grid.SetDataSource(&Source);
    ShowGrid(Grid);
    const int visible = Grid.VisibleRowCount();
    Table->MoveBy(visible + 5); // record visible + 6 is current
    QApplication::processEvents();
    const int active = Grid.DataLink()->ActiveRecord();
    EXPECT_EQ(Grid.GetRow(), RowOf(active));
    EXPECT_EQ(Grid.CellText(2, Grid.GetRow()), QStringLiteral("Customer %1").arg(visible + 6));
    EXPECT_EQ(Grid.CellText(1, Grid.GetRow()), QString::number(visible + 6));

    Table->Last();
    QApplication::processEvents();
    EXPECT_EQ(Grid.CellText(2, Grid.GetRow()), "Customer 50");
    EXPECT_EQ(Grid.CellText(2, Grid.GetRowCount() - 1), "Customer 50");
    EXPECT_EQ(Grid.CellText(2, RowOf(0)), QStringLiteral("Customer %1").arg(50 - visible + 1));
}

TEST_F(ShownGrid, ClickingARowMovesTheDataset)
{
    Grid.SetDataSource(&Source);
    ShowGrid(Grid);
    const QRect cell = Grid.CellRect(2, RowOf(3));
    ASSERT_FALSE(cell.isEmpty());
    QTest::mouseClick(Grid.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(Table->FieldByName("Id")->AsInteger(), 4);
    EXPECT_EQ(Grid.GetRow(), RowOf(3));
    EXPECT_EQ(Grid.GetCol(), 2);

    // Keys move through the dataset, past the rows on screen.
    const int visible = Grid.VisibleRowCount();
    for (int i = 0; i < visible; ++i)
        QTest::keyClick(&Grid, Qt::Key_Down);
    EXPECT_EQ(Table->FieldByName("Id")->AsInteger(), 4 + visible);
    EXPECT_EQ(Grid.CellText(1, Grid.GetRow()), QString::number(4 + visible));
}

TEST_F(ShownGrid, EmptyDatasetShowsOneEmptyRow)
{
    Table->EmptyDataSet();
    Grid.SetDataSource(&Source);
    ShowGrid(Grid);
    EXPECT_EQ(Grid.DataRowCount(), 0);
    EXPECT_EQ(Grid.GetRowCount(), Grid.TitleRowCount() + 1);
    EXPECT_EQ(Grid.DataRowsHeight(), Grid.RowHeight());
    EXPECT_EQ(Grid.CellText(2, 0), "Customer");
    EXPECT_EQ(Grid.CellText(2, 1), "");
}

TEST_F(ShownGrid, InactiveLinkShowsOneColumnWithoutField)
{
    Source.SetDataSet(nullptr);
    Grid.SetDataSource(&Source);
    ShowGrid(Grid);
    ASSERT_EQ(Grid.Columns()->Count(), 1);
    EXPECT_EQ(Grid.Columns()->Items(0)->GetField(), nullptr);
    EXPECT_EQ(Grid.GetRowCount(), 2);
    EXPECT_EQ(Grid.DataRowCount(), 0);

    Source.SetDataSet(Table.get());
    QApplication::processEvents();
    EXPECT_EQ(Grid.Columns()->Count(), 3);
    EXPECT_EQ(Grid.DataRowCount(), Grid.VisibleRowCount());
    EXPECT_EQ(Grid.CellText(2, 1), "Customer 1");

    // Closing drops the dataset's own fields and with them the default columns.
    Table->Close();
    QApplication::processEvents();
    EXPECT_EQ(Grid.Columns()->Count(), 1);
    EXPECT_EQ(Grid.Columns()->Items(0)->GetField(), nullptr);
    EXPECT_EQ(Grid.DataRowCount(), 0);
    EXPECT_EQ(Grid.GetRowCount(), 2);
}

TEST_F(ShownGrid, BottomBlockSitsBelowTheDataRows)
{
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalFooter | dgTotalHeader);
    Grid.SetDataSource(&Source);
    ShowGrid(Grid, 400, 300);
    ASSERT_EQ(Grid.BottomRowCount(), 3);
    const int visible = Grid.VisibleRowCount();
    EXPECT_EQ(Grid.DataLink()->BufferCount(), visible);
    EXPECT_EQ(Grid.GetRowCount(), Grid.TitleRowCount() + visible + 3);
    // Titles, data rows, blank row and the two total rows fill the client height.
    int height = 0;
    for (int r = 0; r < Grid.GetRowCount(); ++r)
        height += std::max(Grid.GetRowHeights(r) + Grid.RowLineWidth(), 0);
    EXPECT_EQ(height, Grid.GetClientHeight());
    EXPECT_EQ(Grid.BlankRow(), Grid.GetRowCount() - 3);
    EXPECT_GE(Grid.GetRowHeights(Grid.BlankRow()), -Grid.RowLineWidth());
    EXPECT_EQ(Grid.GetRowHeights(Grid.GetRowCount() - 1), Grid.TotalRowHeight());
    EXPECT_EQ(Grid.TotalHeight(), 2 * (Grid.TotalRowHeight() + Grid.RowLineWidth()));
    EXPECT_EQ(Grid.CellText(2, Grid.GetRowCount() - 1), "");
    // The last data row still shows its record.
    EXPECT_EQ(Grid.CellText(2, Grid.BlankRow() - 1), QStringLiteral("Customer %1").arg(visible));

    // Few records: the blank row takes the rest of the height.
    Table->SetFilter("Id <= 2");
    Table->SetFiltered(true);
    QApplication::processEvents();
    EXPECT_EQ(Grid.DataRowCount(), 2);
    EXPECT_EQ(Grid.GetRowHeights(Grid.BlankRow()), Grid.BlankHeight() - Grid.RowLineWidth());
    EXPECT_GT(Grid.BlankHeight(), Grid.RowHeight());
}

TEST_F(ShownGrid, HeaderBandsMakeTallerTitlesAndSpan)
{
    Grid.Columns()->Add()->SetFieldName("Id");
    TZColumn* customer = Grid.Columns()->Add();
    customer->SetFieldName("Customer");
    customer->Title()->SetHeader("Order|Who");
    TZColumn* amount = Grid.Columns()->Add();
    amount->SetFieldName("Amount");
    amount->Title()->SetHeader("Order|How much");
    Grid.SetDataSource(&Source);
    ShowGrid(Grid, 500, 300);
    ASSERT_EQ(Grid.TitleRowCount(), 1);
    ASSERT_GT(Grid.HeaderRowHeight(), 0);
    // Two bands above the caption.
    const int caption = Grid.GetTitleLinesCount() * QFontMetrics(Grid.GetTitleFont()).height() +
                        Grid.GridStyle()->TitleRowSpace();
    EXPECT_EQ(Grid.GetRowHeights(0), caption + 2 * Grid.HeaderRowHeight());

    // Band 0 ("Order") spans both columns; band 1 differs and does not.
    TZColumn* master = nullptr;
    const QRect title2 = Grid.CalcTitleRect(customer, 0, master);
    EXPECT_EQ(master, customer);
    const QRect band0 = Grid.HeaderRect(customer, 0, title2);
    const QRect band1 = Grid.HeaderRect(customer, 1, title2);
    EXPECT_EQ(band0.left(), title2.left());
    EXPECT_EQ(band0.width(), Grid.GetColWidths(2) + Grid.ColLineWidth() + Grid.GetColWidths(3));
    EXPECT_EQ(band1.width(), title2.width());
    EXPECT_EQ(band1.top(), band0.top() + Grid.HeaderRowHeight());

    // HeaderRow: the band under a point of the column's title cell.
    const QRect cell2 = Grid.CellRect(2, 0);
    EXPECT_EQ(Grid.HeaderRow(cell2.top() + 1, customer), 0);
    EXPECT_EQ(Grid.HeaderRow(cell2.top() + Grid.HeaderRowHeight() + 1, customer), 1);
    EXPECT_EQ(Grid.HeaderRow(cell2.top() + 2 * Grid.HeaderRowHeight() + 1, customer), -1);
    Grid.SetOptions(Grid.GetOptions() & ~TZDBGridOptions(dgTitleHeaders));
    EXPECT_EQ(Grid.HeaderRow(cell2.top() + 1, customer), -1);
    EXPECT_EQ(Grid.GetRowHeights(0), caption);
}

TEST_F(ShownGrid, PaintsTheRecords)
{
    Grid.SetDataSource(&Source);
    ShowGrid(Grid, 400, 300);
    // Painting visits the cells through DrawCell with the link moved for each row
    // and back; afterwards the link stands where it stood.
    const int active = Grid.DataLink()->ActiveRecord();
    const QImage image = Grid.grab().toImage();
    EXPECT_EQ(Grid.DataLink()->ActiveRecord(), active);
    EXPECT_FALSE(image.isNull());
    // The text of a data cell leaves non-background pixels inside the cell.
    const QRect cell = Grid.CellRect(2, Grid.TitleRowCount() + 1).translated(Grid.viewport()->pos());
    const QColor background = image.pixelColor(cell.right() - 1, cell.top() + 1);
    int inked = 0;
    for (int x = cell.left(); x < cell.right(); ++x)
        for (int y = cell.top(); y < cell.bottom(); ++y)
            if (image.pixelColor(x, y) != background)
                ++inked;
    EXPECT_GT(inked, 10);
}

// ---- SQLite ----------------------------------------------------------------------

namespace {

struct ShownSqlGrid : SqliteTest {
    void SetUp() override
    {
        SqliteTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT)"));
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER, "
                                  "amount REAL, note TEXT)"));
        ASSERT_TRUE(ExecSql(Db(), "INSERT INTO customers VALUES (1, 'Acme'), (2, 'Globex'), (3, 'Initech')"));
        for (int i = 1; i <= 40; ++i)
            ASSERT_TRUE(ExecSql(Db(), QStringLiteral("INSERT INTO orders VALUES (%1, %2, %3, 'note %1')")
                                          .arg(i)
                                          .arg(1 + i % 3)
                                          .arg(i * 1.5)));
        Query = std::make_unique<TZSQLQuery>();
        Query->SetConnection(Db());
        Query->SetFieldType("customer", ftWideString, 40);
        Query->SetSQLText("SELECT o.id, c.name AS customer, o.amount FROM orders o "
                          "JOIN customers c ON c.id = o.customer_id ORDER BY o.id");
        Query->Open();
        Source.SetDataSet(Query.get());
    }
    void TearDown() override
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
        Query.reset();
    }
    std::unique_ptr<TZSQLQuery> Query;
    TDataSource Source;
    std::unique_ptr<TCountingGrid> Grid = std::make_unique<TCountingGrid>();
};

} // namespace

TEST_F(ShownSqlGrid, ShowsTheQueryResult)
{
    Grid->SetDataSource(&Source);
    ShowGrid(*Grid, 420, 320);
    ASSERT_EQ(Grid->Columns()->Count(), 3);
    EXPECT_EQ(Grid->CellText(1, 0), "id");
    EXPECT_EQ(Grid->CellText(2, 0), "customer");
    EXPECT_EQ(Grid->CellText(3, 0), "amount");
    EXPECT_EQ(Grid->CellText(1, 1), "1");
    EXPECT_EQ(Grid->CellText(2, 1), "Globex"); // 1 + 1 % 3 = 2
    EXPECT_EQ(Grid->CellText(2, 2), "Initech");
    EXPECT_EQ(Grid->CellText(2, 3), "Acme");
    EXPECT_EQ(Grid->DataLink()->BufferCount(), Grid->VisibleRowCount());
    EXPECT_EQ(Grid->DataRowCount(), Grid->VisibleRowCount());

    Query->Last();
    QApplication::processEvents();
    EXPECT_EQ(Grid->CellText(1, Grid->GetRow()), "40");
}

TEST_F(ShownSqlGrid, CustomizedColumnsKeepTheirOrderAndAMissingField)
{
    TZColumn* amount = Grid->Columns()->Add();
    amount->SetFieldName("amount");
    TZColumn* ghost = Grid->Columns()->Add();
    ghost->SetFieldName("no_such_field");
    TZColumn* name = Grid->Columns()->Add();
    name->SetFieldName("customer");
    Grid->SetDataSource(&Source);
    ShowGrid(*Grid, 420, 320);
    ASSERT_EQ(Grid->Columns()->Count(), 3);
    EXPECT_TRUE(Grid->DataLink()->SparseMap());
    EXPECT_EQ(Grid->DataLink()->FieldCount(), 3);
    EXPECT_EQ(Grid->DataLink()->GetMappedIndex(1), -1);
    EXPECT_EQ(Grid->DataLink()->GetFields(1), nullptr);
    EXPECT_EQ(ghost->GetField(), nullptr);
    EXPECT_EQ(Grid->CellText(1, 1), "1.5");
    EXPECT_EQ(Grid->CellText(2, 1), "");
    EXPECT_EQ(Grid->CellText(3, 1), "Globex");
    EXPECT_FALSE(Grid->DataLink()->GetDefaultFields());
}

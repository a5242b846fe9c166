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
    EXPECT_FALSE(Grid->DataLink()->GetDefaultFields()) << "a customized column misses its field";
}

// ---- Widths, fonts, painting ------------------------------------------------------

TEST_F(ShownGrid, StretchModeFillsTheClientWidth)
{
    Grid.SetDataSource(&Source);
    ShowGrid(Grid, 500, 300);
    ASSERT_FALSE(Grid.StretchActive());
    Grid.SetStretchMode(true);
    EXPECT_TRUE(Grid.StretchActive());
    // Indicator, columns and their lines end at the client's right edge.
    EXPECT_EQ(Grid.ColumnsWidth(), Grid.GetClientWidth());
    Grid.resize(700, 300);
    QApplication::processEvents();
    EXPECT_EQ(Grid.ColumnsWidth(), Grid.GetClientWidth());
    Grid.SetStretchMode(false);
    EXPECT_FALSE(Grid.StretchActive());
}

TEST_F(ShownGrid, AUserSizedColumnKeepsItsWidth)
{
    Grid.SetDataSource(&Source);
    ShowGrid(Grid);
    TZColumn* customer = Grid.Columns()->Items(1);
    Grid.SetColWidths(2, 150); // as the mouse does
    EXPECT_EQ(customer->GetWidth(), 150);
    EXPECT_TRUE(customer->IsAssigned(cvWidth));
    Grid.LayoutChanged();
    EXPECT_EQ(Grid.GetColWidths(2), 150);
    // The indicator column keeps the width it is given, down to its minimum.
    Grid.SetColWidths(0, 40);
    EXPECT_EQ(Grid.GetIndicatorWidth(), 40);
}

TEST_F(ShownGrid, TitleFontsFollowTheParentFontUntilSetThemselves)
{
    QWidget parent;
    Grid.setParent(&parent);
    Grid.SetDataSource(&Source);
    parent.resize(400, 300);
    parent.show();
    QApplication::processEvents();
    ASSERT_TRUE(Grid.GetParentFont());
    const int titleHeight = Grid.GetRowHeights(0);
    const int rowHeight = Grid.GetDefaultRowHeight();
    QFont big = parent.font();
    big.setPixelSize(QFontInfo(big).pixelSize() * 2);
    parent.setFont(big);
    QApplication::processEvents();
    EXPECT_EQ(QFontInfo(Grid.GetFont()).pixelSize(), big.pixelSize());
    EXPECT_EQ(QFontInfo(Grid.GetTitleFont()).pixelSize(), big.pixelSize());
    EXPECT_EQ(QFontInfo(Grid.GetHeaderFont()).pixelSize(), big.pixelSize());
    EXPECT_EQ(QFontInfo(Grid.Totals()->GetFont()).pixelSize(), big.pixelSize());
    EXPECT_GT(Grid.GetRowHeights(0), titleHeight);
    EXPECT_GT(Grid.GetDefaultRowHeight(), rowHeight);
    EXPECT_TRUE(Grid.GetParentFont());

    // An own title font ends following the parent.
    QFont own = Grid.GetTitleFont();
    own.setBold(true);
    Grid.SetTitleFont(own);
    EXPECT_FALSE(Grid.GetParentFont());
    parent.setFont(QFont());
    QApplication::processEvents();
    EXPECT_EQ(QFontInfo(Grid.GetFont()).pixelSize(), big.pixelSize());
    EXPECT_TRUE(Grid.GetTitleFont().bold());
    Grid.setParent(nullptr);
}

TEST_F(ShownGrid, ScaleByParentFontScalesTheColumns)
{
    QWidget parent;
    Grid.setParent(&parent);
    Grid.SetOptionsExt(Grid.GetOptionsExt() | dgScaleByParentFont);
    TZColumn* id = Grid.Columns()->Add();
    id->SetFieldName("Id");
    id->SetWidth(60);
    Grid.SetDataSource(&Source);
    parent.resize(400, 300);
    parent.show();
    QApplication::processEvents();
    QFont font = parent.font();
    font.setPixelSize(12);
    parent.setFont(font);
    QApplication::processEvents();
    font.setPixelSize(24);
    parent.setFont(font);
    QApplication::processEvents();
    EXPECT_EQ(id->GetWidth(), 120);
    Grid.setParent(nullptr);
}

namespace {

// Whether a vertical run of pixels at x between y0 and y1 has the colour c.
bool ColumnOfPixels(const QImage& image, int x, int y0, int y1, const QColor& c)
{
    for (int y = y0; y <= y1; ++y)
        if (image.pixelColor(x, y) != c)
            return false;
    return true;
}

} // namespace

TEST_F(ShownGrid, PaintsOneBandOverNeighboursWithTheSameHeader)
{
    Grid.Columns()->Add()->SetFieldName("Id");
    for (const char* name : {"Customer", "Amount"}) {
        TZColumn* column = Grid.Columns()->Add();
        column->SetFieldName(name);
        column->Title()->SetHeader("Order");
    }
    Grid.SetHeaderColor(clYellow);
    Grid.SetDataSource(&Source);
    ShowGrid(Grid, 500, 300);
    const QImage image = Grid.viewport()->grab().toImage();
    const QRect customer = Grid.CellRect(2, 0);
    const QRect amount = Grid.CellRect(3, 0);
    const int lineX = customer.left() + customer.width(); // the line between the two titles
    ASSERT_EQ(lineX + Grid.ColLineWidth(), amount.left());
    const int bandY0 = customer.top() + 2;
    const int bandY1 = customer.top() + Grid.HeaderRowHeight() - 3;
    // In the band the line between the columns is painted over by the band...
    EXPECT_EQ(image.pixelColor(lineX, bandY0 + 1), QColor(Qt::yellow));
    // ...below it, in the captions, the columns are separated.
    const int captionY = customer.top() + Grid.HeaderRowHeight() + 3;
    EXPECT_NE(image.pixelColor(lineX, captionY), image.pixelColor(lineX - 2, captionY));
    // The band of the first column (no header) is not there: its title is caption only.
    const QRect id = Grid.CellRect(1, 0);
    EXPECT_NE(image.pixelColor(id.left() + 2, bandY0), QColor(Qt::yellow));
    EXPECT_FALSE(ColumnOfPixels(image, lineX, bandY0, bandY1, Grid.palette().color(QPalette::Mid)));
}

TEST_F(ShownGrid, IndicatorMarksTheCurrentRow)
{
    Grid.SetDataSource(&Source);
    ShowGrid(Grid);
    Table->MoveBy(2);
    QApplication::processEvents();
    const QImage image = Grid.viewport()->grab().toImage();
    auto inked = [&](int row) {
        const QRect cell = Grid.CellRect(0, row);
        const QColor face = image.pixelColor(cell.left() + 1, cell.top() + 1);
        int count = 0;
        for (int x = cell.left(); x < cell.left() + cell.width(); ++x)
            for (int y = cell.top(); y < cell.top() + cell.height(); ++y)
                if (image.pixelColor(x, y) != face)
                    ++count;
        return count;
    };
    const int current = Grid.TitleRowCount() + Grid.DataLink()->ActiveRecord();
    EXPECT_EQ(Grid.GetRow(), current);
    EXPECT_GT(inked(current), 5);
    EXPECT_EQ(inked(current - 1), 0);
    EXPECT_EQ(inked(current + 1), 0);
}

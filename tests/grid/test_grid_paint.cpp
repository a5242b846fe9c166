// What a shown grid paints: selected rows and the current cell in the
// palette's highlight colours, record numbers, lookup results and check
// glyphs, the painting events, sized rows, and the warning about a column
// whose field the dataset lacks.

#include "test_grid_helpers.h"

#include <QScrollBar>
#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

struct PaintedGrid : OrdersGrid<30> {
    // Solid selection colours (no gradient), so that one pixel tells the colour.
    void Show()
    {
        Grid.Gradient()->SetActive(false);
        ShowOrders(false, 500, 300);
    }
    // A pixel of the cell's background (the Amount column is right aligned:
    // its left edge holds no text).
    QColor Background(const QImage& Image, int ACol, int ARow) const
    {
        const QRect cell = Grid.CellRect(ACol, ARow);
        return Image.pixelColor(cell.left() + 2, cell.top() + 2);
    }
    // The current cell's highlight, or the colour of multi-selected cells.
    bool IsHighlight(const QColor& Color) const
    {
        return Color == Grid.palette().color(QPalette::Active, QPalette::Highlight) ||
               Color == Grid.palette().color(QPalette::Inactive, QPalette::Highlight) ||
               Color == Grid.ToQColor(Grid.DefaultSelectionColor());
    }
};

} // namespace

TEST_F(PaintedGrid, SelectedRowsAndTheFocusedCurrentCellShowHighlighted)
{
    Grid.SetOptions(Grid.GetOptions() | dgMultiSelect);
    Show();
    Table->MoveBy(3);
    Grid.SelectRow(); // record 4
    Table->First();
    QApplication::processEvents();
    const QImage image = Grid.viewport()->grab().toImage();
    EXPECT_TRUE(IsHighlight(Background(image, 3, RowOf(3))));
    EXPECT_TRUE(IsHighlight(Background(image, 1, RowOf(3))));
    EXPECT_FALSE(IsHighlight(Background(image, 3, RowOf(2))));
    EXPECT_EQ(Background(image, 3, RowOf(2)), Grid.ToQColor(clWindow));

    // A selected column: its cells in every row.
    Grid.UnselectAll();
    Grid.SetMultiSelectOptions(TMultiSelectOptions{msRows, msCols});
    Grid.SetSelectionColumn(true);
    Grid.SetSelectionBegCol(1);
    Grid.SetSelectionEndCol(1);
    ASSERT_EQ(Grid.GetMultiSelect(), msCols);
    const QImage cols = Grid.viewport()->grab().toImage();
    EXPECT_TRUE(IsHighlight(Background(cols, 2, RowOf(5))));
    EXPECT_FALSE(IsHighlight(Background(cols, 3, RowOf(5))));
    Grid.UnselectAll();

    // The current cell shows whether the grid has the focus or not.
    Grid.SetCol(3);
    EXPECT_TRUE(IsHighlight(Background(Grid.viewport()->grab().toImage(), 3, RowOf(0))));
    Grid.activateWindow();
    Grid.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(Grid.hasFocus());
    const QImage focused = Grid.viewport()->grab().toImage();
    EXPECT_TRUE(IsHighlight(Background(focused, 3, RowOf(0))));
    EXPECT_FALSE(IsHighlight(Background(focused, 3, RowOf(1))));
}

TEST_F(PaintedGrid, NumberSelectionAndLookupColumnsShowTheirValues)
{
    TZMemDataSet names;
    names.FieldDefs().Add("Key", ftInteger);
    names.FieldDefs().Add("Name", ftWideString, 20);
    names.CreateDataSet();
    for (int i = 1; i <= 30; ++i) {
        names.Append();
        names.FieldByName("Key")->SetValue(i);
        names.FieldByName("Name")->SetValue(QStringLiteral("Name of %1").arg(i));
        names.Post();
    }
    Grid.SetOptionsExt(Grid.GetOptionsExt() | dgAutoNumberColumn | dgAutoSelectColumn);
    Grid.SetOptions(Grid.GetOptions() | dgMultiSelect);
    Show();
    // Number, selection, then the fields.
    ASSERT_TRUE(Grid.Columns()->Items(0)->GetAutoNumber());
    ASSERT_TRUE(Grid.Columns()->Items(1)->GetCheckBox());
    Table->MoveBy(12);
    QApplication::processEvents();
    for (int record = 0; record < Grid.DataLink()->RecordCount(); ++record)
        EXPECT_EQ(Grid.CellText(1, RowOf(record)), Grid.CellText(3, RowOf(record)) + ".");

    // The selection column: a checked glyph on the selected row only (the
    // package glyphs of the classic style).
    Grid.Columns()->Items(1)->SetCheckBoxStyle(cbDefault);
    Grid.SelectRow();
    QApplication::processEvents();
    const int current = Grid.GetRow();
    const int other = current == RowOf(0) ? RowOf(1) : RowOf(0);
    const QImage image = Grid.viewport()->grab().toImage();
    auto showsGlyph = [&](int ARow, int State) {
        const QImage glyph = PackageBitmapImage(Grid.CheckBoxBitmap(), PackageImages::CheckBoxIndex(0, State)).toImage();
        const QRect cell = Grid.CellRect(2, ARow);
        const int x0 = cell.left() + (cell.width() - glyph.width()) / 2;
        const int y0 = cell.top() + (cell.height() - glyph.height()) / 2;
        for (int y = 0; y < glyph.height(); ++y)
            for (int x = 0; x < glyph.width(); ++x)
                if (glyph.pixelColor(x, y).alpha() == 255 && glyph.pixelColor(x, y) != image.pixelColor(x0 + x, y0 + y))
                    return false;
        return true;
    };
    EXPECT_TRUE(showsGlyph(current, 1));
    EXPECT_FALSE(showsGlyph(current, 0));
    EXPECT_TRUE(showsGlyph(other, 0));

    // A value-lookup column stores the key and shows the result.
    Grid.Columns()->SetState(csCustomized);
    TZColumn* id = Grid.FindColumn("Id");
    id->SetLookupDataSet(&names);
    id->SetLookupKeyField("Key");
    id->SetLookupResultField("Name");
    ASSERT_EQ(id->LookupColumn(), lcLookupValueField);
    const int raw = Grid.DataToRawColumn(id->Index());
    EXPECT_EQ(Grid.CellText(raw, Grid.GetRow()), "Name of 13");
    EXPECT_EQ(Table->FieldByName("Id")->AsInteger(), 13);
}

TEST_F(PaintedGrid, PaintingEventsSeeEachPaintedRecord)
{
    Show();
    int painted = 0, drawnData = 0, drawnColumn = 0, mismatches = 0;
    Grid.OnPaintColumnCell = [&](TZCustomDBGrid*, const QRect&, int, TZColumn*, TGridDrawState) { ++painted; };
    Grid.OnDrawDataCell = [&](TZCustomDBGrid*, const QRect&, TField*, TGridDrawState) { ++drawnData; };
    Grid.OnDrawColumnCell = [&](TZCustomDBGrid* Sender, const QRect& Rect, int DataCol, TZColumn* Column,
                                TGridDrawState) {
        ++drawnColumn;
        // The record being painted is active: its value is the cell's text.
        const int row = Sender->MouseCoord(Rect.center().x(), Rect.center().y()).Y;
        if (DataCol != Column->Index() || Column->GetField()->DisplayText() != Sender->CellText(DataCol + 1, row))
            ++mismatches;
    };
    Grid.grab();
    const int cells = Grid.DataLink()->RecordCount() * Grid.Columns()->Count();
    EXPECT_EQ(painted, cells);
    EXPECT_EQ(drawnData, cells);
    EXPECT_EQ(drawnColumn, cells);
    EXPECT_EQ(mismatches, 0);

    // Without default drawing the cells stay empty, the events still fire;
    // customized columns get no OnDrawDataCell.
    Grid.SetDefaultDrawing(false);
    Grid.Columns()->SetState(csCustomized);
    QApplication::processEvents();
    painted = drawnData = drawnColumn = 0;
    const QImage image = Grid.viewport()->grab().toImage();
    EXPECT_EQ(drawnColumn, cells);
    EXPECT_EQ(drawnData, 0);
    const QRect cell = Grid.CellRect(2, RowOf(1));
    int ink = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            ink += image.pixelColor(x, y) != image.pixelColor(cell.left(), cell.top());
    EXPECT_EQ(ink, 0);
}

TEST_F(PaintedGrid, SizingADataRowSetsTheLinesOfAllRows)
{
    Show();
    ASSERT_TRUE(Grid.GetOptions() & dgRowResize);
    const int before = Grid.VisibleRowCount();
    const QRect row = Grid.CellRect(0, RowOf(1));
    const QPoint border(row.center().x(), row.bottom() + 1);
    const int drag = 2 * Grid.TextHeight();
    QTest::mousePress(Grid.viewport(), Qt::LeftButton, {}, border);
    QMouseEvent move(QEvent::MouseMove, QPointF(border + QPoint(0, drag)), QPointF(Grid.viewport()->mapToGlobal(border + QPoint(0, drag))),
                     Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(Grid.viewport(), &move);
    QTest::mouseRelease(Grid.viewport(), Qt::LeftButton, {}, border + QPoint(0, drag));
    QApplication::processEvents();
    EXPECT_EQ(Grid.GetLinesCount(), 3);
    EXPECT_EQ(Grid.GetRowHeights(RowOf(0)), Grid.GetRowHeights(RowOf(1)));
    EXPECT_EQ(Grid.GetRowHeights(RowOf(1)), Grid.GetDefaultRowHeight());
    EXPECT_LT(Grid.VisibleRowCount(), before);
    EXPECT_EQ(Grid.DataLink()->BufferCount(), Grid.VisibleRowCount());
}

namespace {

QStringList Warnings;
void CollectWarning(QtMsgType Type, const QMessageLogContext&, const QString& Message)
{
    if (Type == QtWarningMsg)
        Warnings << Message;
}

} // namespace

TEST_F(PaintedGrid, AColumnWhoseFieldIsMissingIsReportedOnce)
{
    Show();
    Grid.Columns()->SetState(csCustomized);
    Warnings.clear();
    const QtMessageHandler old = qInstallMessageHandler(CollectWarning);
    TZColumn* column = Grid.Columns()->Add();
    column->Title()->SetCaption("Ghost");
    column->SetFieldName("Missing");
    Grid.LayoutChanged();
    Grid.LayoutChanged();
    qInstallMessageHandler(old);
    ASSERT_EQ(Warnings.size(), 1);
    EXPECT_TRUE(Warnings[0].contains("\"Ghost\"") && Warnings[0].contains("\"Missing\"")) << Warnings[0].toStdString();
    EXPECT_EQ(Grid.CellText(Grid.DataToRawColumn(column->Index()), RowOf(0)), "");
}

TEST_F(PaintedGrid, AColumnCutByTheRightEdgeIsPaintedWholeAndClipped)
{
    Grid.SetOptions(Grid.GetOptions() | dgMultiSelect);
    Show();
    Table->MoveBy(2);
    Grid.SelectRow();
    Table->MoveBy(1);
    Grid.SelectRow();
    Table->First();
    const int last = Grid.GetColCount() - 1;
    const int row = RowOf(1);
    // Wide enough for every column.
    Grid.resize(Grid.CellRect(last, row).left() + 400, Grid.height());
    QApplication::processEvents();
    const QRect whole = Grid.CellRect(last, row);
    const QImage wide = Grid.viewport()->grab().toImage();
    EXPECT_FALSE(Grid.horizontalScrollBar()->isVisible());

    // Ten pixels short of the last column: a horizontal bar, and the column's
    // right-aligned text keeps its place, cut by the edge.
    const int spare = Grid.viewport()->width() - (whole.right() + 1);
    Grid.resize(Grid.width() - spare - 10, Grid.height());
    QApplication::processEvents();
    const QImage cut = Grid.viewport()->grab().toImage();
    EXPECT_TRUE(Grid.horizontalScrollBar()->isVisible());
    const QRect shown = Grid.CellRect(last, row);
    EXPECT_EQ(shown.width(), whole.width() - 10);
    EXPECT_TRUE(cut.copy(shown) == wide.copy(shown));
    // The lines the cells paint themselves stay: the indicator and the first
    // columns look the same, selected rows included.
    const QRect start(0, 0, Grid.CellRect(3, row).left(), Grid.CellRect(0, RowOf(5)).bottom() + 2);
    EXPECT_TRUE(cut.copy(start) == wide.copy(start));
}

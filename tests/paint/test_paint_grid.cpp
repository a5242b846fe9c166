// What the grid paints, checked by pixels: selection colours and their
// gradients, text that ends in an ellipsis inside its cell, cells that draw
// nothing outside their rectangle, a dark palette that stays readable; and
// the screenshots of the showcase grid at scale 1 and 2, light and dark,
// written into the build folder (screenshots/).

#include "PaintShowcase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>

using namespace zdb;
using namespace zdb::test;

namespace {

// A grid that can paint one cell alone, unclipped, over a sentinel colour.
class TProbeGrid : public TZDBGrid
{
public:
    std::optional<TGridCoord> Probe;
    static constexpr QRgb Sentinel = 0xFFFF00FF;

protected:
    void Paint() override
    {
        if (!Probe) {
            TZDBGrid::Paint();
            return;
        }
        QPainter& c = *Canvas();
        c.setClipping(false);
        c.fillRect(viewport()->rect(), QColor::fromRgba(Sentinel));
        DrawCell(Probe->X, Probe->Y, CellRect(Probe->X, Probe->Y), {});
    }
};

QImage Grab(TZCustomDBGrid& Grid)
{
    QApplication::processEvents();
    return Grid.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST(PaintGrid, SelectedCellsTakeTheirColoursFlatOrAsGradient)
{
    TShowcase show;
    show.Show();
    TZDBGrid& g = *show.Grid;
    const int city = g.DataToRawColumn(1);
    const int current = g.GetRow();
    const int selected = g.FirstDataRow() + 2; // record 3, selected
    g.SetCol(city);

    g.Gradient()->SetActive(false);
    QImage image = Grab(g);
    QRect cell = g.CellRect(city, selected);
    const QColor selection = g.ToQColor(g.DefaultSelectionColor());
    EXPECT_EQ(image.pixelColor(cell.left() + 1, cell.top() + 1), selection);
    EXPECT_EQ(image.pixelColor(cell.right(), cell.bottom()), selection);
    // An assigned colour replaces the default; the no-colour value gives the plain cell back.
    g.SetSelectionColor(clYellow);
    image = Grab(g);
    EXPECT_EQ(image.pixelColor(cell.left() + 1, cell.bottom()), QColor(Qt::yellow));
    g.SetSelectionColor(clNone);
    g.SetDrawingOptions(g.GetDrawingOptions() & ~TGridDrawingOptions(gdoStripedRows));
    image = Grab(g);
    EXPECT_EQ(image.pixelColor(cell.left() + 1, cell.bottom()), g.ToQColor(clWindow));
    g.SetSelectionColor(clDefault);

    // The current cell (of a grid without focus, which draws no focus frame):
    // the select-cell colour, as a vertical gradient of two lighter tones
    // while the gradient is on.
    g.clearFocus();
    cell = g.CellRect(city, current);
    QColor cellColor, text;
    TColor value;
    std::optional<TZQGradientCell> kind;
    g.DataCellColors(g.Columns()->Items(1), TSelections{slCellSelected}, false, cellColor, text, value, kind);
    EXPECT_EQ(value, g.DefaultSelectCellColor());
    image = Grab(g);
    EXPECT_EQ(image.pixelColor(cell.left() + 1, cell.top() + 1), cellColor);
    g.Gradient()->SetActive(true);
    image = Grab(g);
    EXPECT_EQ(image.pixelColor(cell.left() + 1, cell.top()), ShadowColor(cellColor, 35));
    EXPECT_EQ(image.pixelColor(cell.left() + 1, cell.bottom()), ShadowColor(cellColor, 10));
    // Without gcSelectedCell in Cells the current cell is flat again.
    g.Gradient()->SetCells(TZQGradientCells{gcMultiSelected});
    image = Grab(g);
    EXPECT_EQ(image.pixelColor(cell.left() + 1, cell.bottom()), cellColor);
}

TEST(PaintGrid, TextThatDoesNotFitEndsInAnEllipsisInsideItsCell)
{
    TZDBGrid grid;
    const QFontMetrics fm(grid.font());
    const QString text = QStringLiteral("Monitors with a rather long description");
    for (TAlignment alignment : {taLeftJustify, taRightJustify, taCenter}) {
        const QRect cell(10, 5, fm.horizontalAdvance(text) / 2, fm.height() + 4);
        const auto lines = grid.LayoutText(fm, cell, 2, text, alignment, tvCenter, false, true, grid.font());
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_TRUE(lines[0].Text.endsWith(QChar(0x2026))) << lines[0].Text.toStdString();
        EXPECT_GE(lines[0].Origin.x(), cell.left());
        EXPECT_LE(lines[0].Origin.x() + fm.horizontalAdvance(lines[0].Text), cell.left() + cell.width());
    }
    // A cell lower than a line still shows one line, at the top; text that
    // fits keeps its end.
    const auto low = grid.LayoutText(fm, QRect(0, 0, 400, fm.height() / 2), 2, text, taLeftJustify, tvBottomJustify,
                                     false, true, grid.font());
    ASSERT_EQ(low.size(), 1u);
    EXPECT_EQ(low[0].Text, text);
    EXPECT_EQ(low[0].Origin.y(), 2 + fm.ascent());
    // Two lines of room: the wrapped text fills both and the second ends in the ellipsis.
    const QRect two(0, 0, fm.horizontalAdvance(QStringLiteral("Monitors with a")) + 6, 2 * fm.height() + 4);
    const auto wrapped = grid.LayoutText(fm, two, 2, text, taLeftJustify, tvTopJustify, true, true, grid.font());
    ASSERT_EQ(wrapped.size(), 2u);
    EXPECT_EQ(wrapped[0].Text, QStringLiteral("Monitors with a"));
    EXPECT_TRUE(wrapped[1].Text.endsWith(QChar(0x2026)));
}

TEST(PaintGrid, NoCellDrawsOutsideItsRectangle)
{
    TShowcase show(QApplication::palette(), [] { return std::make_unique<TProbeGrid>(); });
    auto& probe = static_cast<TProbeGrid&>(*show.Grid);
    show.Show(500, 400);
    for (TZColumn* column : *probe.Columns())
        column->SetWidth(40); // every text too long for its cell
    QApplication::processEvents();
    int cells = 0;
    for (int row = 0; row < probe.GetRowCount(); ++row)
        for (int col = 0; col < probe.GetColCount(); ++col) {
            const QRect rect = probe.CellRect(col, row);
            if (rect.isEmpty())
                continue;
            probe.Probe = TGridCoord{col, row};
            probe.viewport()->update();
            const QImage image = Grab(probe);
            // The cell may paint its own right and lower lines.
            const QRect allowed = rect.adjusted(0, 0, probe.ColLineWidth(), probe.RowLineWidth());
            bool outside = false;
            for (int y = 0; y < image.height() && !outside; ++y)
                for (int x = 0; x < image.width() && !outside; ++x)
                    if (!allowed.contains(x, y) && image.pixel(x, y) != TProbeGrid::Sentinel) {
                        ADD_FAILURE() << "cell " << col << "," << row << " painted at " << x << "," << y;
                        outside = true;
                    }
            ++cells;
        }
    EXPECT_GT(cells, 40);
    probe.Probe.reset();
}

TEST(PaintGrid, ADarkPaletteStaysDarkAndReadable)
{
    TShowcase show(DarkPalette());
    show.Show();
    TZDBGrid& g = *show.Grid;
    g.setFocus();
    g.activateWindow();
    const QImage image = Grab(g);
    // Plain, striped and multi-selected cells stay dark at both ends of their
    // gradient (the current cell takes the palette's highlight).
    for (int record = 0; record < g.DataLink()->RecordCount(); ++record)
        for (int col = g.IndicatorOffset(); col < g.GetColCount(); ++col) {
            if (g.FirstDataRow() + record == g.GetRow() && col == g.GetCol())
                continue;
            const QRect cell = g.CellRect(col, g.FirstDataRow() + record);
            EXPECT_LT(image.pixelColor(cell.left(), cell.top()).lightness(), 150) << record << "," << col;
            EXPECT_LT(image.pixelColor(cell.left(), cell.bottom()).lightness(), 150) << record << "," << col;
        }
    // The text colour of each state against both ends of its background.
    auto contrastOf = [&](TSelections State) {
        QColor back, text;
        TColor value;
        std::optional<TZQGradientCell> gradient;
        g.DataCellColors(g.Columns()->Items(1), State, true, back, text, value, gradient);
        QColor top = back, bottom = back;
        if (gradient)
            g.Gradient()->CellGradientColors(back, top, bottom);
        // Dark-palette native: dark cells at both ends.
        EXPECT_LT(std::max(top.lightness(), bottom.lightness()), 150) << State.Bits();
        return std::min(ContrastRatio(top, text), ContrastRatio(bottom, text));
    };
    for (const TSelections state : {TSelections{}, TSelections{slRowStriped}, TSelections{slMultiSelected},
                                    TSelections{slCellSelected}, TSelections{slRowSelected}})
        EXPECT_GT(contrastOf(state), 4.5) << state.Bits();
    // The current cell keeps the palette's highlighted text, on a tone of its highlight.
    {
        QColor back, text;
        TColor value;
        std::optional<TZQGradientCell> gradient;
        g.DataCellColors(g.Columns()->Items(1), TSelections{slCellSelected}, true, back, text, value, gradient);
        EXPECT_EQ(text, g.palette().color(QPalette::HighlightedText));
        EXPECT_EQ(back.hslHue(), g.palette().color(QPalette::Highlight).hslHue());
        // Painted: the current cell's top-left pixel is of the highlight's hue.
        const QRect current = g.CellRect(g.GetCol(), g.GetRow());
        EXPECT_NEAR(image.pixelColor(current.left() + 1, current.top()).hslHue(),
                    g.palette().color(QPalette::Highlight).hslHue(), 6);
    }
    // Total rows: the lightest ink of a value against the box it sits in.
    const int totalRow = g.GetRowCount() - g.BottomRowCount() + 2;
    const QRect sum = g.CellRect(g.DataToRawColumn(2), totalRow);
    const std::set<QRgb> totalInk = ColoursIn(image, sum.adjusted(4, 4, -4, -4));
    const QRgb totalLight = *std::max_element(totalInk.begin(), totalInk.end(), [](QRgb a, QRgb b) {
        return QColor(a).lightness() < QColor(b).lightness();
    });
    EXPECT_GT(ContrastRatio(QColor(totalLight), image.pixelColor(sum.left() + 3, sum.top() + 3)), 4.5);
    // The painted text: light ink on the dark cell.
    const QRect city = g.CellRect(g.DataToRawColumn(1), g.FirstDataRow());
    const std::set<QRgb> ink = ColoursIn(image, city);
    const QRgb lightest = *std::max_element(ink.begin(), ink.end(), [](QRgb a, QRgb b) {
        return QColor(a).lightness() < QColor(b).lightness();
    });
    EXPECT_GT(ContrastRatio(QColor(lightest), image.pixelColor(city.left(), city.top())), 4.5);
    // The search hit: its text reads on the hit colour (the cell's light ink would not).
    const QColor hitColor = g.ToQColor(g.Search()->ColorValue());
    QRect hit;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == hitColor)
                hit |= QRect(x, y, 1, 1);
    ASSERT_FALSE(hit.isEmpty());
    const std::set<QRgb> hitInk = ColoursIn(image, hit);
    double best = 0;
    for (QRgb c : hitInk)
        best = std::max(best, ContrastRatio(QColor(c), hitColor));
    EXPECT_GT(best, 4.5);
}

TEST(PaintGrid, ScreenshotsAtScaleOneAndTwoLightAndDark)
{
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../screenshots"));
    QDir().mkpath(folder);
    for (const bool dark : {false, true}) {
        TShowcase show(dark ? DarkPalette() : QApplication::palette());
        show.Show();
        show.Grid->setFocus();
        show.Grid->activateWindow();
        QApplication::processEvents();
        for (const int scale : {1, 2}) {
            QPixmap pixmap(show.Grid->size() * scale);
            pixmap.setDevicePixelRatio(scale);
            show.Grid->render(&pixmap);
            const QString name = QStringLiteral("grid-%1-x%2.png").arg(dark ? "dark" : "light").arg(scale);
            ASSERT_TRUE(pixmap.save(QDir(folder).filePath(name))) << name.toStdString();
            // Crisp at scale 2: the image has twice the pixels, with detail in them.
            const QImage image = pixmap.toImage();
            EXPECT_EQ(image.width(), show.Grid->width() * scale);
        }
    }
}

TEST(PaintGrid, GlyphsFollowTheDensityPaintedAt)
{
    // Drawn package images: as many device pixels as their size needs.
    for (const char* name : {"ZDBCALENDAR", "ZDBCALCULATOR"}) {
        const QPixmap one = LoadPackageBitmap(QString::fromLatin1(name), 96, 1.0);
        const QPixmap two = LoadPackageBitmap(QString::fromLatin1(name), 96, 2.0);
        const QPixmap large = LoadPackageBitmap(QString::fromLatin1(name), 144, 1.0);
        EXPECT_EQ(one.width(), 16);
        EXPECT_EQ(two.width(), 32);
        EXPECT_EQ(large.width(), 24);
        EXPECT_EQ(two.deviceIndependentSize(), QSizeF(16, 16));
        EXPECT_EQ(large.deviceIndependentSize(), QSizeF(24, 24));
        EXPECT_GT(ColoursIn(two.toImage(), QRect(0, 0, 32, 32)).size(), 2u);
    }
    // A grid rendered into a pixmap of ratio 2 paints with the strips made for it.
    TShowcase show;
    show.Show();
    EXPECT_EQ(show.Grid->CheckBoxBitmap().height(), 16);
    QPixmap pixmap(show.Grid->size() * 2);
    pixmap.setDevicePixelRatio(2);
    show.Grid->render(&pixmap);
    EXPECT_EQ(show.Grid->CheckBoxBitmap().height(), 32);
    EXPECT_EQ(show.Grid->CheckBoxBitmap().deviceIndependentSize().height(), 16);
}

TEST(PaintGrid, ImagesAndHintsAskTheirEvents)
{
    TShowcase show;
    TZDBGrid& g = *show.Grid;
    // The city column shows one of two solid images before its text, by record.
    TZQImageList images;
    for (const QColor colour : {QColor(Qt::red), QColor(Qt::green)}) {
        QPixmap square(16, 16);
        square.fill(colour);
        images.Add(QIcon(square));
    }
    TZColumn* city = g.Columns()->Items(1);
    city->SetImages(&images);
    city->SetImageMargin(20);
    int asked = 0;
    g.OnCalcImageIndex = [&](TZCustomDBGrid*, TZColumn* Column, int& Index) {
        EXPECT_EQ(Column, city);
        ++asked;
        Index = show.Table->FieldByName(QStringLiteral("id"))->AsInteger() % 2;
    };
    show.Show();
    g.Gradient()->SetActive(false);
    const QImage image = Grab(g);
    EXPECT_GT(asked, 0);
    for (int record = 0; record < 4; ++record) {
        const QRect cell = g.CellRect(g.DataToRawColumn(1), g.FirstDataRow() + record);
        TZActiveRecordGuard guard(g.DataLink(), record);
        const int id = show.Table->FieldByName(QStringLiteral("id"))->AsInteger();
        EXPECT_EQ(image.pixelColor(cell.left() + 10, cell.center().y()), id % 2 ? QColor(Qt::green) : QColor(Qt::red));
    }
    // Without a margin the image keeps to the column's alignment: the left edge,
    // mirrored to the right edge right to left, with the box of a margin.
    g.OnCalcImageIndex = [](TZCustomDBGrid*, TZColumn*, int& Index) { Index = 0; };
    city->SetAlignment(taLeftJustify);
    for (const int margin : {0, 20}) {
        city->SetImageMargin(margin);
        for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
            g.setLayoutDirection(direction);
            const QImage shown = Grab(g);
            const QRect cell = g.CellRect(g.DataToRawColumn(1), g.FirstDataRow());
            const int nearStart = direction == Qt::LeftToRight ? cell.left() + 8 : cell.right() - 8;
            const int nearEnd = direction == Qt::LeftToRight ? cell.right() - 8 : cell.left() + 8;
            EXPECT_EQ(shown.pixelColor(nearStart, cell.center().y()), QColor(Qt::red)) << margin << direction;
            EXPECT_NE(shown.pixelColor(nearEnd, cell.center().y()), QColor(Qt::red)) << margin << direction;
        }
    }
    g.setLayoutDirection(Qt::LeftToRight);
    g.OnCalcImageIndex = nullptr;

    // A cut text shows whole as the hint; the event may change it.
    TZColumn* name = g.Columns()->Items(0);
    name->SetWidth(30);
    QApplication::processEvents();
    const QRect cell = g.CellRect(g.DataToRawColumn(0), g.FirstDataRow());
    const QString full = g.CellText(g.DataToRawColumn(0), g.FirstDataRow());
    g.SetHintOptions(g.GetHintOptions() | hoShowToolTips);
    name->SetToolTips(true);
    auto hintAt = [&g](const QPoint& Pos) {
        THintCell cellKind = hcFiller;
        QRect rect;
        return g.CellHint(Pos, cellKind, rect);
    };
    EXPECT_EQ(hintAt(cell.center()), full);
    THintCell kind = hcFiller;
    g.OnCellHint = [&](TZCustomDBGrid*, THintCell Cell, TZColumn*, QString& Hint) {
        kind = Cell;
        Hint = QStringLiteral("[") + Hint + QStringLiteral("]");
    };
    EXPECT_EQ(hintAt(cell.center()), QStringLiteral("[") + full + QStringLiteral("]"));
    EXPECT_EQ(kind, hcData);
    hintAt(g.CellRect(g.DataToRawColumn(2), 0).center());
    EXPECT_EQ(kind, hcHeader);
    city->SetImages(nullptr);
}

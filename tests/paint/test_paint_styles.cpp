// The grid's look by style: the lookups keyed by visual-style name, check-box
// styles, fixed-cell styles and themes, hot title buttons and sort-marker
// styles, each checked by the pixels it paints.

#include "PaintShowcase.h"

#include <QImage>
#include <QPainter>
#include <QStyle>
#include <gtest/gtest.h>

#include <optional>
#include <set>

using namespace zdb;
using namespace zdb::test;

namespace {

// A grid that paints one cell alone into an image.
class TStyleGrid : public TZDBGrid
{
public:
    using TZCustomDBGrid::CheckBoxImage;

    QImage PaintCell(int ACol, int ARow, TGridDrawState State = {})
    {
        FProbe = {ACol, ARow};
        FState = State;
        viewport()->update();
        const QImage image = viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        FProbe.reset();
        return image.copy(CellRect(ACol, ARow));
    }

protected:
    void Paint() override
    {
        if (!FProbe) {
            TZDBGrid::Paint();
            return;
        }
        QPainter& c = *Canvas();
        c.fillRect(viewport()->rect(), Qt::magenta);
        DrawCell(FProbe->X, FProbe->Y, CellRect(FProbe->X, FProbe->Y), FState);
    }

private:
    std::optional<TGridCoord> FProbe;
    TGridDrawState FState;
};

// Restores a style name's entries of the process-wide lookups.
struct TLookGuard {
    QString Name;
    int CellFrame = TZCustomDBGrid::GetCellFrameStyle(Name);
    int FixedText = TZCustomDBGrid::GetFixedTextStyle(Name);
    int SelectRow = TZCustomDBGrid::GetSelectRowStyle(Name);
    bool Flat = TZCustomDBGrid::GetFlatStyle(Name);
    ~TLookGuard()
    {
        TZCustomDBGrid::SetCellFrameStyle(Name, CellFrame);
        TZCustomDBGrid::SetFixedTextStyle(Name, FixedText);
        TZCustomDBGrid::SetSelectRowStyle(Name, SelectRow);
        TZCustomDBGrid::SetFlatStyle(Name, Flat);
    }
};

} // namespace

TEST(PaintStyles, LookupsAreKeyedByTheActiveStyleName)
{
    TShowcase show(QApplication::palette(), [] { return std::make_unique<TStyleGrid>(); });
    TZDBGrid& g = *show.Grid;
    // The built-in table tells the classic styles from the flat ones.
    EXPECT_TRUE(TZCustomDBGrid::GetFlatStyle(QStringLiteral("fusion")));
    EXPECT_FALSE(TZCustomDBGrid::GetFlatStyle(QStringLiteral("Windows")));
    EXPECT_NE(TZCustomDBGrid::GetFixedTextStyle(QStringLiteral("windows")),
              TZCustomDBGrid::GetFixedTextStyle(QStringLiteral("fusion")));

    const QString qtStyle = g.style()->name().toLower();
    EXPECT_EQ(g.ActiveStyleName(), qtStyle);
    g.GridStyle()->SetVisualStyle(vsStandard);
    EXPECT_EQ(g.ActiveStyleName(), QStringLiteral("vsStandard"));
    EXPECT_FALSE(g.GetFlatActiveStyle());
    EXPECT_EQ(g.ActiveFixedStyle(), fsStandard);
    g.GridStyle()->SetVisualStyle(vsXPStyle);

    // Setting the active entry changes that style's entry only.
    TLookGuard guard{qtStyle};
    const bool windowsFlat = TZCustomDBGrid::GetFlatStyle(QStringLiteral("windows"));
    g.SetFlatActiveStyle(!guard.Flat);
    g.SetSelectRowActiveStyle(2);
    EXPECT_EQ(TZCustomDBGrid::GetFlatStyle(qtStyle), !guard.Flat);
    EXPECT_EQ(TZCustomDBGrid::GetSelectRowStyle(qtStyle), 2);
    EXPECT_EQ(TZCustomDBGrid::GetFlatStyle(QStringLiteral("windows")), windowsFlat);
    EXPECT_EQ(g.ActiveFixedStyle(), guard.Flat ? fsStandard : fsFlat);
}

TEST(PaintStyles, EveryCheckBoxStyleAndKindLooksItsOwn)
{
    TShowcase show(QApplication::palette(), [] { return std::make_unique<TStyleGrid>(); });
    show.Show();
    auto& g = static_cast<TStyleGrid&>(*show.Grid);
    TZColumn* paid = g.Columns()->Items(5);
    std::set<QByteArray> checked;
    const QMetaEnum styles = QMetaEnum::fromType<TCheckBoxStyle>();
    for (int i = 0; i < styles.keyCount(); ++i) {
        if (styles.value(i) == cbDefault)
            continue; // the package glyph
        paid->SetCheckBoxStyle(TCheckBoxStyle(styles.value(i)));
        const QImage on = g.CheckBoxImage(paid, 1, 16).toImage();
        const QImage off = g.CheckBoxImage(paid, 0, 16).toImage();
        const QImage gray = g.CheckBoxImage(paid, 2, 16).toImage();
        EXPECT_NE(on, off) << styles.key(i);
        EXPECT_NE(gray, off) << styles.key(i);
        EXPECT_NE(gray, on) << styles.key(i);
        checked.insert(QByteArray(reinterpret_cast<const char*>(on.constBits()), int(on.sizeInBytes())));
    }
    EXPECT_EQ(int(checked.size()), styles.keyCount() - 1);

    // A check, a cross and a filled box differ in every style.
    for (TCheckBoxStyle style : {cbAuto, cbFlat, cbLoweredDark}) {
        paid->SetCheckBoxStyle(style);
        std::set<QByteArray> kinds;
        for (TCheckBoxKind kind : {ckCheck, ckCross, cbBox}) {
            paid->SetCheckBoxKind(kind);
            const QImage on = g.CheckBoxImage(paid, 1, 16).toImage();
            kinds.insert(QByteArray(reinterpret_cast<const char*>(on.constBits()), int(on.sizeInBytes())));
        }
        EXPECT_EQ(kinds.size(), 3u) << int(style);
    }
}

TEST(PaintStyles, FixedStylesThemesHotButtonsAndMarkers)
{
    TShowcase show(QApplication::palette(), [] { return std::make_unique<TStyleGrid>(); });
    show.Show();
    auto& g = static_cast<TStyleGrid&>(*show.Grid);
    g.SetFixedTheme(ftStandard);
    const int product = g.DataToRawColumn(0);
    const QColor fixed = g.ToQColor(g.GetFixedColor());

    // Flat: one colour from top to bottom at the start of the title.
    g.SetFixedStyle(fsFlat);
    QImage flat = g.PaintCell(product, 0);
    EXPECT_EQ(flat.pixelColor(1, 0), fixed);
    EXPECT_EQ(flat.pixelColor(1, flat.height() - 3), fixed);
    // Raised: a light edge above, a dark one below.
    g.SetFixedStyle(fsStandard);
    QImage raised = g.PaintCell(product, 0);
    const QImage raisedEnd = g.PaintCell(product, g.FirstDataRow() - 1);
    EXPECT_GT(raised.pixelColor(3, 0).lightness(), fixed.lightness());
    EXPECT_LT(raisedEnd.pixelColor(3, raisedEnd.height() - 1).lightness(), fixed.lightness());
    // Gradient: lighter at the top than at the bottom, the fixed colour between.
    g.SetFixedStyle(fsGradient);
    QImage gradient = g.PaintCell(product, 0);
    EXPECT_EQ(gradient.pixelColor(1, 0), ShadowColor(fixed, 12));
    EXPECT_GT(gradient.pixelColor(1, 0).lightness(), gradient.pixelColor(1, gradient.height() - 3).lightness());
    // The Qt style's header section is another picture again.
    g.SetFixedTheme(ftSystem);
    EXPECT_NE(g.PaintCell(product, 0), gradient);
    g.SetFixedTheme(ftStandard);
    g.SetFixedStyle(fsFlat);

    // Hot and pressed title buttons: none keeps the plain look, flat tints it.
    g.SetHotButtons(hbNone);
    EXPECT_EQ(g.PaintCell(product, 0, gdHotTrack), flat);
    EXPECT_EQ(g.PaintCell(product, 0, gdPressed), flat);
    g.SetHotButtons(hbFlat);
    const QImage hot = g.PaintCell(product, 0, gdHotTrack);
    const QImage pressed = g.PaintCell(product, 0, gdPressed);
    EXPECT_NE(hot.pixelColor(1, 10), fixed);
    EXPECT_NE(pressed.pixelColor(1, 10), fixed);
    EXPECT_NE(hot.pixelColor(1, 10), pressed.pixelColor(1, 10));
    g.SetHotButtons(hbThemed);
    EXPECT_NE(g.PaintCell(product, 0, gdHotTrack), hot);

    // Markers: the small arrow takes fewer pixels; opaque adds a backdrop; the
    // Qt style's arrow is another picture.
    const int city = g.DataToRawColumn(1);
    auto inkPixels = [&](const QImage& Image) {
        int count = 0;
        for (int y = 0; y < Image.height(); ++y)
            for (int x = Image.width() / 2; x < Image.width(); ++x)
                count += Image.pixelColor(x, y) != fixed;
        return count;
    };
    g.SetMarkerTransparent(mtTransparent);
    g.SetMarkerStyle(msStandard);
    const QImage standard = g.PaintCell(city, 0);
    g.SetMarkerStyle(msSmall);
    EXPECT_LT(inkPixels(g.PaintCell(city, 0)), inkPixels(standard));
    g.SetMarkerStyle(msSystem);
    EXPECT_NE(g.PaintCell(city, 0), standard);
    g.SetMarkerStyle(msStandard);
    g.SetMarkerTransparent(mtOpaque);
    EXPECT_GT(inkPixels(g.PaintCell(city, 0)), inkPixels(standard));
}

TEST(PaintStyles, BoxedTotalsFollowTheTotalsBoxStyle)
{
    TShowcase show(QApplication::palette(), [] { return std::make_unique<TStyleGrid>(); });
    show.Show();
    auto& g = static_cast<TStyleGrid&>(*show.Grid);
    g.SetOptionsEx(g.GetOptionsEx() | dgTotalValuesBox);
    // The first value row of the Qty column holds a boxed sum.
    const int qty = g.DataToRawColumn(2);
    const int sumRow = g.GetRowCount() - g.BottomRowCount() + 2;
    std::set<QByteArray> looks;
    for (TCheckBoxStyle style : {cbAuto, cbFlat, cbGray, cbLoweredDark}) {
        g.Totals()->SetBoxStyle(style);
        const QImage image = g.PaintCell(qty, sumRow);
        looks.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes())));
    }
    EXPECT_EQ(looks.size(), 4u);
}

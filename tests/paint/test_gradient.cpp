// The gradient painter: its end colours, the hot and flat variants, the switch
// that turns every gradient off, and its change notification.

#include "ZQSGraph.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace zdb;

namespace {

constexpr QRgb Sentinel = 0xFF123456;

QImage Canvas(int Width = 40, int Height = 12)
{
    QImage image(Width, Height, QImage::Format_ARGB32);
    image.fill(Sentinel);
    return image;
}

// Every pixel of column X (or row Y) has Color.
bool ColumnIs(const QImage& Image, int X, const QColor& Color)
{
    for (int y = 0; y < Image.height(); ++y)
        if (Image.pixelColor(X, y) != Color)
            return false;
    return true;
}

bool RowIs(const QImage& Image, int Y, const QColor& Color)
{
    for (int x = 0; x < Image.width(); ++x)
        if (Image.pixelColor(x, Y) != Color)
            return false;
    return true;
}

} // namespace

TEST(Gradient, TheFirstAndLastPixelsTakeTheTwoColours)
{
    TZQGradient gradient;
    const QColor red(Qt::red), blue(Qt::blue);
    QImage image = Canvas();
    {
        QPainter p(&image);
        gradient.FillCanvas(p, clRed, clBlue, image.rect(), gdHorizontal);
    }
    EXPECT_TRUE(ColumnIs(image, 0, red));
    EXPECT_TRUE(ColumnIs(image, image.width() - 1, blue));
    EXPECT_NE(image.pixelColor(image.width() / 2, 0), red);

    image = Canvas();
    {
        QPainter p(&image);
        gradient.FillCanvas(p, clRed, clBlue, QRect(5, 2, 20, 8), gdVertical);
    }
    EXPECT_EQ(image.pixelColor(10, 2), red);
    EXPECT_EQ(image.pixelColor(10, 9), blue);
    EXPECT_EQ(image.pixel(4, 5), Sentinel); // nothing outside the rectangle
    EXPECT_EQ(image.pixel(25, 5), Sentinel);
    EXPECT_EQ(image.pixel(10, 1), Sentinel);
    EXPECT_EQ(image.pixel(10, 10), Sentinel);

    // FillRect with no shadow runs from StartColor to the caller's colour,
    // right to left mirrored along a horizontal axis.
    gradient.SetShadowFactor(0);
    gradient.SetStartColor(clWhite);
    gradient.SetDirection(gdHorizontal);
    image = Canvas();
    {
        QPainter p(&image);
        gradient.FillRect(p, image.rect(), clNavy);
    }
    EXPECT_TRUE(ColumnIs(image, 0, QColor(Qt::white)));
    EXPECT_TRUE(ColumnIs(image, image.width() - 1, QColor(0, 0, 0x80)));
    image = Canvas();
    {
        QPainter p(&image);
        p.setLayoutDirection(Qt::RightToLeft);
        gradient.FillRect(p, image.rect(), clNavy);
    }
    EXPECT_TRUE(ColumnIs(image, 0, QColor(0, 0, 0x80)));
    EXPECT_TRUE(ColumnIs(image, image.width() - 1, QColor(Qt::white)));

    // EndColor replaces the caller's colour; the default shadow darkens it.
    gradient.SetEndColor(clRed);
    gradient.SetShadowFactor(-25);
    image = Canvas();
    {
        QPainter p(&image);
        gradient.FillRect(p, image.rect(), clNavy);
    }
    EXPECT_TRUE(ColumnIs(image, image.width() - 1, ShadowColor(red, -25)));
    EXPECT_LT(ShadowColor(red, -25).lightness(), red.lightness());
}

TEST(Gradient, HotFlatAndSwitchedOffFills)
{
    TZQGradientButton button;
    button.SetStartColor(clWhite);
    const QColor base(0x40, 0x80, 0xC0);
    const TColor baseValue = QColorToColor(base);

    // Hot tracking: a frame in the base shifted by -50, the inside solid.
    button.SetOptions(TZQGradientOptions{goHotTrack});
    QImage image = Canvas();
    {
        QPainter p(&image);
        button.FillRect(p, image.rect(), baseValue, true, false);
    }
    EXPECT_TRUE(ColumnIs(image, 0, ShadowColor(base, -50)));
    EXPECT_TRUE(RowIs(image, 0, ShadowColor(base, -50)));
    EXPECT_EQ(image.pixelColor(20, 6), base);
    // A hot colour of its own while hot, the default one when left at the marker.
    button.SetOptions(TZQGradientOptions{goHotColor});
    {
        QPainter p(&image);
        button.FillRect(p, image.rect(), baseValue, true, false);
    }
    EXPECT_EQ(image.pixelColor(20, 6), QColor(198, 211, 239));

    // Flat cells: one lighter tone; gradient cells: a lighter top than bottom.
    TZQGradient gradient;
    image = Canvas();
    {
        QPainter p(&image);
        gradient.FillCell(p, QRect(0, 0, 20, 12), baseValue, true);
        gradient.FillCell(p, QRect(20, 0, 20, 12), baseValue, false);
    }
    EXPECT_EQ(image.pixelColor(5, 0), ShadowColor(base, 20));
    EXPECT_EQ(image.pixelColor(5, 11), ShadowColor(base, 20));
    EXPECT_EQ(image.pixelColor(30, 0), ShadowColor(base, 35));
    EXPECT_EQ(image.pixelColor(30, 11), ShadowColor(base, 10));

    // The no-colour value draws nothing.
    image = Canvas();
    {
        QPainter p(&image);
        gradient.FillCell(p, image.rect(), clNone, false);
        gradient.FillCell(p, image.rect(), clNone, true);
    }
    EXPECT_TRUE(RowIs(image, 0, QColor::fromRgba(Sentinel)));
    EXPECT_TRUE(RowIs(image, 11, QColor::fromRgba(Sentinel)));

    // Switched off: the style fill is solid.
    EXPECT_TRUE(gradient.IsActive(true));
    GradientEnabled = false;
    EXPECT_FALSE(gradient.IsActive(true));
    image = Canvas();
    {
        QPainter p(&image);
        gradient.FillStyleRect(p, image.rect(), baseValue);
    }
    GradientEnabled = true;
    EXPECT_TRUE(RowIs(image, 0, base));
    EXPECT_TRUE(RowIs(image, 11, base));
}

TEST(Gradient, ChangesAreReportedOnceAndCopiesCompareByValue)
{
    TZQGradient a;
    int changes = 0;
    a.OnChange = [&](TZQGradient* Sender) {
        EXPECT_EQ(Sender, &a);
        ++changes;
    };
    a.SetShadowFactor(-25);
    a.SetActive(true);
    a.SetOptions(TZQGradientOptions{goGradient});
    EXPECT_EQ(changes, 0);
    a.SetShadowFactor(-30);
    a.SwitchOptions(TZQGradientOptions{goHotTrack}, true);
    a.SwitchOptions(TZQGradientOptions{goHotTrack}, true);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(a.IsHotActive(true));

    TZQGradient b;
    EXPECT_TRUE(b.Change(&a));
    EXPECT_EQ(b.GetShadowFactor(), -30);
    EXPECT_TRUE(b.GetOptions().Contains(goHotTrack));
    EXPECT_FALSE(b.Change(&a));
    EXPECT_FALSE(b.Change(nullptr));

    // Lightness shifts: none for 0, black instead of white going darker.
    EXPECT_EQ(ShadowColor(clNavy, 0), clNavy);
    EXPECT_EQ(ShadowColor(QColor(Qt::black), 240), QColor(Qt::white));
    EXPECT_EQ(ShadowColor(QColor(Qt::white), -240), QColor(Qt::black));
    EXPECT_EQ(GetTrueColor(clDefault, clRed, clBlue), clRed);
    EXPECT_EQ(GetTrueColor(clNone, clRed, clBlue), clBlue);
    EXPECT_EQ(GetTrueColor(clNone, clRed, clDefault), clRed);
    EXPECT_EQ(GetTrueColor(clGreen, clRed, clBlue), clGreen);
#ifndef Q_OS_WIN
    EXPECT_FALSE(IsVista());
    EXPECT_FALSE(IsWin08());
    EXPECT_FALSE(IsWin11());
#endif
}

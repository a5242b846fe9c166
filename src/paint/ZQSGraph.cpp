// The gradient painter and the theme tests of ZQSGraph.
//
// Lightness shifts work in the hue-lightness-saturation model with lightness
// counted 0 .. 240; gradients are QLinearGradients whose end points sit on the
// centres of the first and last pixel rows (columns), so that those take the
// two colours exactly.

#include "ZQSGraph.h"

#include <QApplication>
#include <QLinearGradient>
#include <QOperatingSystemVersion>
#include <QPainter>
#include <QProxyStyle>
#include <QStyle>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace zdb {

bool GradientEnabled = true;
std::function<bool(QWidget* Control)> NeedsInvalidate = ControlNeedsInvalidate;

TColor GetTrueColor(TColor Color, TColor Default, TColor Fallback)
{
    if (Color == clDefault)
        return Default;
    if (Color != clNone)
        return Color;
    return Fallback == clDefault ? Default : Fallback;
}

QColor ShadowColor(const QColor& Color, int Factor)
{
    if (Factor == 0 || !Color.isValid())
        return Color;
    const QColor hsl = Color.toHsl();
    const int lightness = qRound(hsl.lightness() * 240.0 / 255.0);
    const int shifted = std::clamp(lightness + Factor, 0, 240);
    // In 8-bit channels, as the colour is painted and stored.
    const QColor exact = QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation(), qRound(shifted * 255.0 / 240.0)).toRgb();
    const QColor result(exact.red(), exact.green(), exact.blue());
    if (Factor < 0 && result == QColor(Qt::white))
        return QColor(Qt::black);
    if (Factor > 0 && result == QColor(Qt::black))
        return QColor(Qt::white);
    return result;
}

TColor ShadowColor(TColor Color, int Factor, const QPalette& Palette)
{
    if (Factor == 0 || Color == clNone || Color == clDefault)
        return Color;
    return QColorToColor(ShadowColor(ColorToQColor(ColorToRGB(Color, Palette), Palette), Factor));
}

namespace {

bool WindowsAtLeast(const QOperatingSystemVersion& Version)
{
    return QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows &&
           QOperatingSystemVersion::current() >= Version;
}

} // namespace

bool IsVista()
{
    static const bool value = WindowsAtLeast(QOperatingSystemVersion(QOperatingSystemVersion::Windows, 6, 0));
    return value;
}

bool IsWin08()
{
    static const bool value = WindowsAtLeast(QOperatingSystemVersion(QOperatingSystemVersion::Windows, 6, 2));
    return value;
}

bool IsWin11()
{
    static const bool value = WindowsAtLeast(QOperatingSystemVersion(QOperatingSystemVersion::Windows, 10, 0, 22000));
    return value;
}

bool StylesEnabled()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app && (!app->styleSheet().isEmpty() || qobject_cast<QProxyStyle*>(QApplication::style()));
}

bool ThemesEnabled(QWidget* Control)
{
    const QStyle* style = Control ? Control->style()
                                  : (qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::style()
                                                                                                : nullptr);
    // The classic look has no themes; every other Qt style draws themed parts.
    return style && style->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0;
}

void SetupParentBackground(QWidget* Control, bool On)
{
    if (!Control)
        return;
    Control->setAttribute(Qt::WA_NoSystemBackground, On);
    if (On)
        Control->setAutoFillBackground(false);
}

bool ControlNeedsInvalidate(QWidget* Control)
{
    if (!Control || ThemesEnabled(Control))
        return false;
    const QVariant transparent = Control->property("Transparent");
    if (transparent.isValid())
        return transparent.toBool();
    if (Control->property("Gradient").isValid())
        return Control->property("ParentBackground").toBool();
    return false;
}

bool IsDarkPalette(const QPalette& Palette)
{
    return Palette.color(QPalette::Active, QPalette::Base).lightness() < 128;
}

namespace {

double Luminance(const QColor& Color)
{
    auto channel = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    const QColor rgb = Color.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

} // namespace

double ContrastRatio(const QColor& A, const QColor& B)
{
    const double a = Luminance(A);
    const double b = Luminance(B);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor ReadableColor(const QColor& Background, const QColor& Preferred, const QColor& Alternative,
                     const QColor& Background2)
{
    constexpr double Enough = 4.5;
    // The contrast on the worse of the two backgrounds.
    auto contrast = [&](const QColor& Text) {
        const double a = ContrastRatio(Background, Text);
        return Background2.isValid() ? std::min(a, ContrastRatio(Background2, Text)) : a;
    };
    if (Preferred.isValid() && contrast(Preferred) >= Enough)
        return Preferred;
    if (Alternative.isValid() && contrast(Alternative) >= Enough)
        return Alternative;
    const QColor black(Qt::black), white(Qt::white);
    return contrast(black) >= contrast(white) ? black : white;
}

// ---- TZQGradient ------------------------------------------------------------------

TZQGradient::TZQGradient(QWidget* AControl) : FControl(AControl) {}

void TZQGradient::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TZQGradient::Assign(const TZQGradient& Source)
{
    if (&Source == this)
        return;
    FActive = Source.FActive;
    FDirection = Source.FDirection;
    FOptions = Source.FOptions;
    FSwapColors = Source.FSwapColors;
    FStartColor = Source.FStartColor;
    FEndColor = Source.FEndColor;
    FHotColor = Source.FHotColor;
    FStepColor = Source.FStepColor;
    FCells = Source.FCells;
    FShadowFactor = Source.FShadowFactor;
    Changed();
}

bool TZQGradient::Change(const TZQGradient* Other)
{
    if (!Other)
        return false;
    const bool same = FActive == Other->FActive && FDirection == Other->FDirection && FOptions == Other->FOptions &&
                      FSwapColors == Other->FSwapColors && FStartColor == Other->FStartColor &&
                      FEndColor == Other->FEndColor && FHotColor == Other->FHotColor &&
                      FStepColor == Other->FStepColor && FCells == Other->FCells &&
                      FShadowFactor == Other->FShadowFactor;
    if (same)
        return false;
    Assign(*Other);
    return true;
}

bool TZQGradient::IsActive(bool Force) const
{
    if (!GradientEnabled || !FActive)
        return false;
    return Force || !ThemesEnabled(FControl);
}

bool TZQGradient::IsHotActive(bool Force) const
{
    return IsActive(Force) &&
           (FOptions.Contains(goHotButton) || FOptions.Contains(goHotTrack) || FOptions.Contains(goHotColor));
}

void TZQGradient::SwitchOptions(TZQGradientOptions Value, bool On)
{
    SetOptions(SwitchedSet(FOptions, Value, On));
}

QPalette TZQGradient::Palette() const
{
    if (FControl)
        return FControl->palette();
    return qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::palette() : QPalette();
}

QColor TZQGradient::Resolve(TColor Color) const
{
    return ColorToQColor(Color, Palette());
}

void TZQGradient::FillCanvas(QPainter& Canvas, TColor From, TColor To, const QRect& Rect,
                             TZQGradientDirection Direction) const
{
    if (Rect.width() <= 0 || Rect.height() <= 0)
        return;
    const QColor from = Resolve(From);
    const QColor to = Resolve(To);
    // From the centre of the first pixel row (column) to that of the last.
    QLinearGradient gradient;
    if (Direction == gdHorizontal) {
        gradient.setStart(Rect.left() + 0.5, 0);
        gradient.setFinalStop(Rect.left() + Rect.width() - 0.5, 0);
    } else {
        gradient.setStart(0, Rect.top() + 0.5);
        gradient.setFinalStop(0, Rect.top() + Rect.height() - 0.5);
    }
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    Canvas.fillRect(Rect, gradient);
}

void TZQGradient::FillRect(QPainter& Canvas, const QRect& Rect, TColor Color, bool Hot, bool Pressed) const
{
    if (Rect.width() <= 0 || Rect.height() <= 0)
        return;
    Hot = Hot && (FOptions.Contains(goHotButton) || FOptions.Contains(goHotTrack) || FOptions.Contains(goHotColor));
    const QPalette palette = Palette();
    TColor base = FEndColor != clDefault ? FEndColor : Color;
    if (Hot && FOptions.Contains(goHotColor))
        base = FHotColor != clDefault ? FHotColor : DefaultHotColor;
    QRect rect = Rect;
    const bool hotButton = Hot && FOptions.Contains(goHotButton);
    if (Hot && FOptions.Contains(goHotTrack)) {
        Canvas.fillRect(rect, Resolve(ShadowColor(base, -50, palette)));
        if (Pressed)
            base = ShadowColor(base, -25, palette);
        rect.adjust(1, 1, -1, -1);
        if (!hotButton) {
            Canvas.fillRect(rect, Resolve(base));
            return;
        }
    }
    if (!FOptions.Contains(goGradient) && !hotButton) {
        Canvas.fillRect(rect, Resolve(base));
        return;
    }
    const TColor shadow = ShadowColor(base, FShadowFactor, palette);
    const bool flip = FSwapColors != hotButton;
    const bool flip2 = !FOptions.Contains(goGradient) || (Hot && FOptions.Contains(goHotTrack));
    const bool flip3 = Canvas.layoutDirection() == Qt::RightToLeft && FDirection == gdHorizontal;
    if (flip != (flip2 != flip3))
        FillCanvas(Canvas, shadow, FStartColor, rect, FDirection);
    else
        FillCanvas(Canvas, FStartColor, shadow, rect, FDirection);
}

const TZQGradient::TCellTones& TZQGradient::CellTones(const QColor& Color) const
{
    const bool dark = IsDarkPalette(Palette());
    const quint32 key = (Color.rgb() & 0xFFFFFFu) | (dark ? 0x1000000u : 0u);
    auto it = FCellTones.constFind(key);
    if (it != FCellTones.constEnd())
        return *it;
    const QColor white(Qt::white);
    TCellTones tones;
    if (dark) {
        // Lighter tones would glare on a dark palette and lose light text.
        tones.Flat = Color;
        tones.Top = ShadowColor(Color, 6);
        tones.Bottom = ShadowColor(Color, -8);
        if (FCellTones.size() > 64)
            FCellTones.clear();
        return *FCellTones.insert(key, tones);
    }
    tones.Flat = ShadowColor(Color, 20);
    if (ShadowColor(tones.Flat, 10) == white) {
        tones.Flat = ShadowColor(Color, 10);
        if (ShadowColor(tones.Flat, 10) == white)
            tones.Flat = Color;
    }
    tones.Top = ShadowColor(Color, 35);
    tones.Bottom = ShadowColor(Color, 10);
    if (ShadowColor(tones.Bottom, 10) == white)
        tones.Bottom = Color;
    if (FCellTones.size() > 64)
        FCellTones.clear();
    return *FCellTones.insert(key, tones);
}

void TZQGradient::FillCell(QPainter& Canvas, const QRect& Rect, TColor Color, bool Flat) const
{
    if (Rect.width() <= 0 || Rect.height() <= 0 || Color == clNone)
        return;
    const TCellTones& tones = CellTones(Resolve(Color));
    if (Flat) {
        Canvas.fillRect(Rect, tones.Flat);
        return;
    }
    FillCanvas(Canvas, QColorToColor(tones.Top), QColorToColor(tones.Bottom), Rect, gdVertical);
}

void TZQGradient::CellGradientColors(const QColor& Color, QColor& Top, QColor& Bottom) const
{
    const TCellTones& tones = CellTones(Color);
    Top = tones.Top;
    Bottom = tones.Bottom;
}

void TZQGradient::FillStyleRect(QPainter& Canvas, const QRect& Rect, TColor Color) const
{
    if (!IsActive(true) || !FOptions.Contains(goGradient)) {
        Canvas.fillRect(Rect, Resolve(Color));
        return;
    }
    const QPalette palette = Palette();
    const TColor light = ShadowColor(Color, 12, palette);
    const TColor dark = ShadowColor(Color, -12, palette);
    if (FSwapColors)
        FillCanvas(Canvas, dark, light, Rect, FDirection);
    else
        FillCanvas(Canvas, light, dark, Rect, FDirection);
}

void TZQGradient::FillBack(QPainter& Canvas, const QRect& Rect, TColor Color, int Border, int Margin, bool Hot,
                           bool Pressed) const
{
    const int inset = std::max(0, Border) + std::max(0, Margin);
    FillRect(Canvas, Rect.adjusted(inset, inset, -inset, -inset), Color, Hot, Pressed);
}

void TZQGradient::FillStep(QPainter& Canvas, const QRect& Rect, TColor Color, int Border, int Margin)
{
    const TColor end = FEndColor;
    FEndColor = FStepColor;
    FillBack(Canvas, Rect, Color, Border, Margin);
    FEndColor = end;
}

void TZQGradient::FillStyleBack(QPainter& Canvas, const QRect& Rect, TColor Color, int Border, int Margin) const
{
    const int inset = std::max(0, Border) + std::max(0, Margin);
    // The style's own face colour when the caller leaves it to the style.
    const TColor face = Color == clDefault ? clBtnFace : Color;
    FillStyleRect(Canvas, Rect.adjusted(inset, inset, -inset, -inset), face);
}

} // namespace zdb

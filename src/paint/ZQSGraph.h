#pragma once
// ZQSGraph: the shared gradient painter and the theme tests.
//
// TZQGradient fills a rectangle with a two-colour linear gradient (QPainter
// with a QLinearGradient), with hot (mouse-over) and pressed variants and a
// flat fallback. Each control owns one; the grid's TZDBGridGradient also says
// which kinds of data cells are filled this way (Cells).
//
// Colours are TColor values (Graphics.h): system colours are resolved through
// the painted control's palette (the application's palette without control).

#include "Graphics.h"
#include "ZDBGridTypes.h"

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <vector>

class QPainter;

namespace zdb {

class TZCustomDBGrid;

inline namespace PaintTypes {
Q_NAMESPACE
enum TZQGradientOption { goGradient, goHotButton, goHotTrack, goHotColor };
Q_ENUM_NS(TZQGradientOption)
enum TZQGradientCell { gcSelectedCell, gcSelectedRow, gcMultiSelected, gcStripedRows };
Q_ENUM_NS(TZQGradientCell)
// Axis of the colour change.
enum TZQGradientDirection { gdHorizontal, gdVertical };
Q_ENUM_NS(TZQGradientDirection)
} // namespace PaintTypes

using TZQGradientOptions = TEnumSet<TZQGradientOption>;
using TZQGradientCells = TEnumSet<TZQGradientCell>;

// Switches every gradient off at once (fills fall back to solid colours).
extern bool GradientEnabled;
// Whether a control must be repainted whole when its parent changes (the
// replaceable hook; initially ControlNeedsInvalidate).
extern std::function<bool(QWidget* Control)> NeedsInvalidate;
// Red 198, green 211, blue 239.
constexpr TColor DefaultHotColor = 15717318;

// A colour property resolved: the default-colour marker gives Default; any
// other colour but the no-colour value is returned unchanged; the no-colour
// value gives Fallback, or Default when Fallback is the marker.
TColor GetTrueColor(TColor Color, TColor Default, TColor Fallback);

// Colour with its lightness (hue-lightness-saturation, 0 .. 240) shifted by
// Factor; 0 returns the colour. A negative shift that ends in white gives
// black, a positive one that ends in black gives white. System colours are
// resolved through Palette first.
TColor ShadowColor(TColor Color, int Factor, const QPalette& Palette = QPalette());
QColor ShadowColor(const QColor& Color, int Factor);

// The running system, answered once: Windows Vista or later (the locale
// service of version 6), Windows 8 or later (6.2), Windows 11 (10.0, build
// 22000 or later). False on every other platform.
bool IsVista();
bool IsWin08();
bool IsWin11();
// Whether a style other than the application's native one is in use (a
// style set by name or by style sheet).
bool StylesEnabled();
// Control: whether its style draws themed parts (every Qt style but the
// classic "Windows" one); no control: whether the application's style does.
bool ThemesEnabled(QWidget* Control = nullptr);
// Sets or clears the control's parent-background flag (WA_NoSystemBackground
// with auto-fill off: the parent shows through).
void SetupParentBackground(QWidget* Control, bool On);
// False for themed controls; otherwise the control's "Transparent" property,
// or, without one but with a "Gradient" property, its "ParentBackground".
bool ControlNeedsInvalidate(QWidget* Control);
// Whether Palette is a dark one (its base colour darker than mid grey).
bool IsDarkPalette(const QPalette& Palette);
// WCAG contrast ratio of two colours (1 .. 21).
double ContrastRatio(const QColor& A, const QColor& B);
// Preferred when it reaches 4.5:1 on Background (and on Background2, the
// other end of a gradient, when valid), else Alternative when that does, else
// black or white, whichever contrasts more.
QColor ReadableColor(const QColor& Background, const QColor& Preferred, const QColor& Alternative,
                     const QColor& Background2 = QColor());

// A list of images a column can show (its Images): icons drawn at the size
// asked for, crisp at every device pixel ratio.
class TZQImageList : public QObject
{
    Q_OBJECT
public:
    explicit TZQImageList(QObject* parent = nullptr) : QObject(parent) {}
    int Add(const QIcon& Image)
    {
        FImages.push_back(Image);
        return int(FImages.size()) - 1;
    }
    int Count() const { return int(FImages.size()); }
    QIcon Image(int Index) const { return Index >= 0 && Index < Count() ? FImages[size_t(Index)] : QIcon(); }
    // Width and height the images are drawn at (device-independent pixels).
    int GetSize() const { return FSize; }
    void SetSize(int Value) { FSize = std::max(1, Value); }

private:
    std::vector<QIcon> FImages;
    int FSize = 16;
};

class TZQGradient
{
public:
    explicit TZQGradient(QWidget* AControl = nullptr);
    virtual ~TZQGradient() = default;
    TZQGradient(const TZQGradient&) = delete;
    TZQGradient& operator=(const TZQGradient&) = delete;

    // Copies every field but Control and OnChange (and fires OnChange).
    virtual void Assign(const TZQGradient& Source);
    // Assigns Other when a field differs; false for no other or nothing to change.
    bool Change(const TZQGradient* Other);

    QWidget* GetControl() const { return FControl; }
    void SetControl(QWidget* Value) { FControl = Value; }
    bool GetActive() const { return FActive; }
    void SetActive(bool Value) { SetField(FActive, Value); }
    TZQGradientDirection GetDirection() const { return FDirection; }
    void SetDirection(TZQGradientDirection Value) { SetField(FDirection, Value); }
    TZQGradientOptions GetOptions() const { return FOptions; }
    void SetOptions(TZQGradientOptions Value) { SetField(FOptions, Value); }
    bool GetSwapColors() const { return FSwapColors; }
    void SetSwapColors(bool Value) { SetField(FSwapColors, Value); }
    TColor GetStartColor() const { return FStartColor; }
    void SetStartColor(TColor Value) { SetField(FStartColor, Value); }
    TColor GetEndColor() const { return FEndColor; }
    void SetEndColor(TColor Value) { SetField(FEndColor, Value); }
    TColor GetHotColor() const { return FHotColor; }
    void SetHotColor(TColor Value) { SetField(FHotColor, Value); }
    TColor GetStepColor() const { return FStepColor; }
    void SetStepColor(TColor Value) { SetField(FStepColor, Value); }
    TZQGradientCells GetCells() const { return FCells; }
    void SetCells(TZQGradientCells Value) { SetField(FCells, Value); }
    int GetShadowFactor() const { return FShadowFactor; }
    void SetShadowFactor(int Value) { SetField(FShadowFactor, Value); }
    // Fired after any property change, with the gradient as sender.
    std::function<void(TZQGradient* Sender)> OnChange;

    // Gradient painting is on: GradientEnabled and Active; with Force always
    // then, else only while the control is not drawn by a theme.
    bool IsActive(bool Force = false) const;
    // IsActive, and at least one hot option.
    bool IsHotActive(bool Force = false) const;
    void SwitchOptions(TZQGradientOptions Value, bool On);

    // The raw gradient from From to To across Rect: horizontal (first and last
    // pixel columns take From and To) or vertical (rows); right-to-left is the
    // caller's business (FillRect flips).
    void FillCanvas(QPainter& Canvas, TColor From, TColor To, const QRect& Rect, TZQGradientDirection Direction) const;
    // The main fill (see the unit's source for the steps).
    void FillRect(QPainter& Canvas, const QRect& Rect, TColor Color, bool Hot = false, bool Pressed = false) const;
    // A grid cell: Flat a solid lighter tone, else a vertical gradient between
    // two lighter tones of Color. On a control with a dark palette the tones
    // stay near Color (a shade lighter at the top, a shade darker at the
    // bottom), so that the cell keeps the palette's key. The tones are cached
    // per colour.
    void FillCell(QPainter& Canvas, const QRect& Rect, TColor Color, bool Flat = false) const;
    // The two ends of FillCell's gradient for Color.
    void CellGradientColors(const QColor& Color, QColor& Top, QColor& Bottom) const;
    // Gradient between Color shifted by +12 and -12 along Direction when active
    // (forced) with goGradient, else solid.
    void FillStyleRect(QPainter& Canvas, const QRect& Rect, TColor Color) const;
    // FillRect inside Rect shrunk by Border and Margin, over what the canvas holds.
    void FillBack(QPainter& Canvas, const QRect& Rect, TColor Color, int Border = 0, int Margin = 0,
                  bool Hot = false, bool Pressed = false) const;
    // FillBack with StepColor standing in for EndColor.
    void FillStep(QPainter& Canvas, const QRect& Rect, TColor Color, int Border = 0, int Margin = 0);
    // FillStyleRect inside Rect shrunk by Border and Margin.
    void FillStyleBack(QPainter& Canvas, const QRect& Rect, TColor Color, int Border = 0, int Margin = 0) const;

    // A colour value as painted on the control (system colours by its palette).
    QColor Resolve(TColor Color) const;
    QPalette Palette() const;

protected:
    // Fires OnChange.
    virtual void Changed();
    template <typename T>
    void SetField(T& Slot, const T& Value)
    {
        if (Slot == Value)
            return;
        Slot = Value;
        Changed();
    }

    QPointer<QWidget> FControl;
    bool FActive = true;
    TZQGradientDirection FDirection = gdVertical;
    TZQGradientOptions FOptions{goGradient};
    bool FSwapColors = false;
    TColor FStartColor = clWindow;
    TColor FEndColor = clDefault;
    TColor FHotColor = clDefault;
    TColor FStepColor = clDefault;
    TZQGradientCells FCells{gcSelectedCell, gcSelectedRow, gcMultiSelected, gcStripedRows};
    int FShadowFactor = -25;

private:
    struct TCellTones {
        QColor Top, Bottom, Flat;
    };
    const TCellTones& CellTones(const QColor& Color) const;
    mutable QHash<quint32, TCellTones> FCellTones; // by colour and palette key
};

// Backgrounds: Active, Direction, EndColor, ShadowFactor, StartColor, SwapColors.
class TZQGradientBackground : public TZQGradient
{
public:
    using TZQGradient::TZQGradient;
};

// Progress bars: adds StepColor.
class TZQGradientProgress : public TZQGradient
{
public:
    using TZQGradient::TZQGradient;
};

// Buttons: adds HotColor and Options, whose default holds goHotButton too.
class TZQGradientButton : public TZQGradient
{
public:
    explicit TZQGradientButton(QWidget* AControl = nullptr) : TZQGradient(AControl)
    {
        FOptions = TZQGradientOptions{goGradient, goHotButton};
    }
};

// The grid's gradient: which cells are filled (Cells); every change repaints the grid.
class TZDBGridGradient : public TZQGradientButton
{
public:
    explicit TZDBGridGradient(TZCustomDBGrid* AGrid);
    TZCustomDBGrid* Grid() const { return FGrid; }

protected:
    void Changed() override;

private:
    TZCustomDBGrid* FGrid;
};

} // namespace zdb

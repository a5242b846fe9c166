#pragma once
// ZQSCtrls: the styled standard controls.
//
// Buttons, check boxes, radio buttons, group boxes, panels and a progress bar
// that keep the behaviour of their Qt classes (keys, focus, signals,
// accessibility, layout) and paint their faces with the package's gradient
// (TZQGradient): a button shows its gradient flipped while the pointer is over
// it and darker while it is pressed or checked, a disabled control is filled
// flat in the palette's disabled colours. Every colour comes from the
// control's palette (system colours), so a dark palette gives dark controls;
// painting is in device-independent pixels and icons are asked for at the
// painter's density, so the controls stay crisp at every scale, and the
// style's element rectangles mirror them right to left. With the gradient
// inactive (GradientEnabled off, or the gradient's Active false) a control is
// drawn by its Qt style as usual.

#include "ZQSGraph.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

#include <memory>

class QStyleOptionButton;

namespace zdb {

// A colour as a colour property takes it (Qt Designer's colour editor): an
// invalid QColor is the default-colour marker (clDefault), a fully transparent
// one the no-colour value (clNone), any other its RGB value.
inline TColor PropertyColor(const QColor& Value)
{
    if (!Value.isValid())
        return clDefault;
    return Value.alpha() == 0 ? clNone : QColorToColor(Value);
}

// What the styled controls share: their gradient, their base colour, and the
// hot state (the pointer over the control). Not a QObject itself; each
// control names its Qt class as TBase.
template <class TBase, class TGradient>
class TZQStyled : public TBase
{
public:
    using TBase::TBase;

    TGradient* Gradient() const { return FGradient.get(); }
    // The base colour of the face (a system colour follows the palette).
    TColor GetColor() const { return FColor; }
    void SetColor(TColor Value)
    {
        if (Value == FColor)
            return;
        FColor = Value;
        this->update();
    }
    // The gradient's settings under the control's own property names
    // (GradientActive, GradientStartColor, ...), so that a form file and Qt
    // Designer reach them.
    bool GetGradientActive() const { return FGradient->GetActive(); }
    void SetGradientActive(bool Value) { FGradient->SetActive(Value); }
    TZQGradientDirection GetGradientDirection() const { return FGradient->GetDirection(); }
    void SetGradientDirection(TZQGradientDirection Value) { FGradient->SetDirection(Value); }
    TColor GetGradientStartColor() const { return FGradient->GetStartColor(); }
    void SetGradientStartColor(TColor Value) { FGradient->SetStartColor(Value); }
    TColor GetGradientEndColor() const { return FGradient->GetEndColor(); }
    void SetGradientEndColor(TColor Value) { FGradient->SetEndColor(Value); }
    TColor GetGradientHotColor() const { return FGradient->GetHotColor(); }
    void SetGradientHotColor(TColor Value) { FGradient->SetHotColor(Value); }
    TColor GetGradientStepColor() const { return FGradient->GetStepColor(); }
    void SetGradientStepColor(TColor Value) { FGradient->SetStepColor(Value); }
    int GetGradientShadowFactor() const { return FGradient->GetShadowFactor(); }
    void SetGradientShadowFactor(int Value) { FGradient->SetShadowFactor(Value); }
    bool GetGradientSwapColors() const { return FGradient->GetSwapColors(); }
    void SetGradientSwapColors(bool Value) { FGradient->SetSwapColors(Value); }
    // The colours as their properties give them: a system colour reads as the
    // palette's colour now, clDefault as an invalid QColor and clNone as a
    // transparent one (see PropertyColor for writing). An invalid Color
    // leaves the base colour as it is.
    QColor GetQColor() const { return ColorToQColor(FColor, this->palette()); }
    void SetQColor(const QColor& Value)
    {
        if (Value.isValid())
            SetColor(PropertyColor(Value));
    }
    QColor GetGradientStartQColor() const { return ColorToQColor(GetGradientStartColor(), this->palette()); }
    void SetGradientStartQColor(const QColor& Value) { SetGradientStartColor(PropertyColor(Value)); }
    QColor GetGradientEndQColor() const { return ColorToQColor(GetGradientEndColor(), this->palette()); }
    void SetGradientEndQColor(const QColor& Value) { SetGradientEndColor(PropertyColor(Value)); }
    QColor GetGradientHotQColor() const { return ColorToQColor(GetGradientHotColor(), this->palette()); }
    void SetGradientHotQColor(const QColor& Value) { SetGradientHotColor(PropertyColor(Value)); }
    QColor GetGradientStepQColor() const { return ColorToQColor(GetGradientStepColor(), this->palette()); }
    void SetGradientStepQColor(const QColor& Value) { SetGradientStepColor(PropertyColor(Value)); }
    // The options by their key names ("goGradient", "goHotButton", ...); a list
    // naming anything else changes nothing.
    QStringList GetGradientOptions() const { return EnumSetNames(FGradient->GetOptions()); }
    void SetGradientOptions(const QStringList& Value)
    {
        SetEnumSetByNames<TZQGradientOption>(Value, [this](TZQGradientOptions Options) { FGradient->SetOptions(Options); });
    }

    // The pointer is over the control (and it is enabled).
    bool IsHot() const { return FHot && this->isEnabled(); }
    // Whether the package's gradient paints the control now.
    bool IsStyled() const { return FGradient->IsActive(true); }

protected:
    void enterEvent(QEnterEvent* Event) override
    {
        SetHot(true);
        TBase::enterEvent(Event);
    }
    void leaveEvent(QEvent* Event) override
    {
        SetHot(false);
        TBase::leaveEvent(Event);
    }
    void SetHot(bool Value)
    {
        if (Value == FHot)
            return;
        FHot = Value;
        this->update();
    }

    TColor FColor = clBtnFace;

private:
    std::unique_ptr<TGradient> MakeGradient()
    {
        auto gradient = std::make_unique<TGradient>(this);
        gradient->OnChange = [this](TZQGradient*) { this->update(); };
        return gradient;
    }

    std::unique_ptr<TGradient> FGradient = MakeGradient();
    bool FHot = false;
};

// The published properties of a styled control: its base colour and the
// settings of its gradient, colours as QColor (Designer's colour editor). A background gradient (group box, panel) has the
// first set, a progress bar adds the step colour, a button's gradient the hot
// colour and the options.
#define ZQ_STYLED_PROPERTIES                                                                                  \
    Q_PROPERTY(QColor Color READ GetQColor WRITE SetQColor)                                                    \
    Q_PROPERTY(bool GradientActive READ GetGradientActive WRITE SetGradientActive)                             \
    Q_PROPERTY(zdb::PaintTypes::TZQGradientDirection GradientDirection READ GetGradientDirection WRITE         \
                   SetGradientDirection)                                                                       \
    Q_PROPERTY(QColor GradientStartColor READ GetGradientStartQColor WRITE SetGradientStartQColor)             \
    Q_PROPERTY(QColor GradientEndColor READ GetGradientEndQColor WRITE SetGradientEndQColor)                   \
    Q_PROPERTY(int GradientShadowFactor READ GetGradientShadowFactor WRITE SetGradientShadowFactor)            \
    Q_PROPERTY(bool GradientSwapColors READ GetGradientSwapColors WRITE SetGradientSwapColors)
#define ZQ_BUTTON_PROPERTIES                                                                                  \
    ZQ_STYLED_PROPERTIES                                                                                       \
    Q_PROPERTY(QColor GradientHotColor READ GetGradientHotQColor WRITE SetGradientHotQColor)                   \
    Q_PROPERTY(QStringList GradientOptions READ GetGradientOptions WRITE SetGradientOptions)

// The drawing the styled controls share.
namespace ZQSPaint {

// The face of a button or panel in Rect: a one-pixel frame and, inside it, the
// gradient's fill of Color (hot flips it, pressed darkens it); a disabled face
// is filled flat in the palette's disabled button colour.
void PaintFace(QPainter& Canvas, const TZQGradient& Gradient, const QRect& Rect, TColor Color, bool Hot,
               bool Pressed, bool Enabled, bool Frame = true);
// A colour for text and marks on that face, readable on both ends of its fill.
QColor FaceTextColor(const TZQGradient& Gradient, TColor Color, bool Pressed, bool Enabled,
                     QPalette::ColorRole Role = QPalette::ButtonText);
// The palette's disabled colour of Role; a palette that gives disabled text
// the active colour gets it half-way to the disabled button colour, so that a
// disabled control always reads as one.
QColor DisabledColor(const QPalette& Palette, QPalette::ColorRole Role);
// The square of a check box (Radio: the circle of a radio button) filled with
// the gradient of Color, with its mark.
void PaintIndicator(QPainter& Canvas, const TZQGradient& Gradient, const QRect& Rect, TColor Color,
                    Qt::CheckState State, bool Radio, bool Hot, bool Pressed, bool Enabled);
// The style's focus frame around Rect.
void PaintFocus(QPainter& Canvas, QWidget* Control, const QRect& Rect);

} // namespace ZQSPaint

// A push button. Enter and Return click it as Space does.
class TZQButton : public TZQStyled<QPushButton, TZQGradientButton>
{
    Q_OBJECT
    ZQ_BUTTON_PROPERTIES
public:
    explicit TZQButton(QWidget* parent = nullptr) : TZQButton(QString(), parent) {}
    explicit TZQButton(const QString& Caption, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
};

// A check box; its square is filled with the gradient of its Color (the window
// colour by default).
class TZQCheckBox : public TZQStyled<QCheckBox, TZQGradientButton>
{
    Q_OBJECT
    ZQ_BUTTON_PROPERTIES
public:
    explicit TZQCheckBox(QWidget* parent = nullptr) : TZQCheckBox(QString(), parent) {}
    explicit TZQCheckBox(const QString& Caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* Event) override;
};

// A radio button; its circle is filled as a check box's square.
class TZQRadioButton : public TZQStyled<QRadioButton, TZQGradientButton>
{
    Q_OBJECT
    ZQ_BUTTON_PROPERTIES
public:
    explicit TZQRadioButton(QWidget* parent = nullptr) : TZQRadioButton(QString(), parent) {}
    explicit TZQRadioButton(const QString& Caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* Event) override;
};

// A group box whose frame holds a background gradient; a checkable one draws
// its check box as TZQCheckBox does.
class TZQGroupBox : public TZQStyled<QGroupBox, TZQGradientBackground>
{
    Q_OBJECT
    ZQ_STYLED_PROPERTIES
public:
    explicit TZQGroupBox(QWidget* parent = nullptr) : TZQGroupBox(QString(), parent) {}
    explicit TZQGroupBox(const QString& Caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* Event) override;
};

// A panel: a frame filled with a background gradient, its caption drawn in it.
class TZQPanel : public TZQStyled<QFrame, TZQGradientBackground>
{
    Q_OBJECT
    ZQ_STYLED_PROPERTIES
    Q_PROPERTY(QString Caption READ GetCaption WRITE SetCaption)
    Q_PROPERTY(Qt::Alignment Alignment READ GetAlignment WRITE SetAlignment)
public:
    explicit TZQPanel(QWidget* parent = nullptr);

    QString GetCaption() const { return FCaption; }
    void SetCaption(const QString& Value);
    // Where the caption goes (mirrored right to left); centred by default.
    Qt::Alignment GetAlignment() const { return FAlignment; }
    void SetAlignment(Qt::Alignment Value);

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QString FCaption;
    Qt::Alignment FAlignment = Qt::AlignCenter;
};

// A progress bar whose done part is a step fill (the gradient's StepColor, else
// the highlight colour); the text of a horizontal bar reads on both parts (a
// vertical bar shows none). A busy bar (no range) is left to the style.
class TZQProgressBar : public TZQStyled<QProgressBar, TZQGradientProgress>
{
    Q_OBJECT
    ZQ_STYLED_PROPERTIES
    Q_PROPERTY(QColor GradientStepColor READ GetGradientStepQColor WRITE SetGradientStepQColor)
public:
    explicit TZQProgressBar(QWidget* parent = nullptr);
    // The done part's rectangle (empty at the minimum), from the start edge:
    // left, or right when mirrored or inverted; bottom for a vertical bar.
    QRect DoneRect() const;

protected:
    void paintEvent(QPaintEvent* Event) override;
};

} // namespace zdb

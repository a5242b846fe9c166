// The drawing the styled controls share: faces, indicators, focus frames.

#include "ZQSCtrls.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace zdb::ZQSPaint {

namespace {

// A frame that stands out from Face: darker on a light palette, lighter on a dark one.
QColor FrameColor(const QPalette& Palette, const QColor& Face)
{
    return ShadowColor(Face, IsDarkPalette(Palette) ? 50 : -50);
}

// The base colour of a face as the gradient fills it (pressed faces darker).
TColor FaceBase(const QPalette& Palette, TColor Color, bool Pressed)
{
    return Pressed ? ShadowColor(Color, -20, Palette) : Color;
}

} // namespace

void PaintFace(QPainter& Canvas, const TZQGradient& Gradient, const QRect& Rect, TColor Color, bool Hot,
               bool Pressed, bool Enabled, bool Frame)
{
    if (Rect.isEmpty())
        return;
    const QPalette palette = Gradient.Palette();
    const QColor face = Enabled ? Gradient.Resolve(Color) : palette.color(QPalette::Disabled, QPalette::Button);
    QRect inner = Rect;
    if (Frame) {
        Canvas.fillRect(Rect, FrameColor(palette, face));
        inner.adjust(1, 1, -1, -1);
    }
    if (!Enabled)
        Canvas.fillRect(inner, face);
    else
        Gradient.FillRect(Canvas, inner, FaceBase(palette, Color, Pressed), Hot, Pressed);
}

QColor FaceTextColor(const TZQGradient& Gradient, TColor Color, bool Pressed, bool Enabled, QPalette::ColorRole Role)
{
    const QPalette palette = Gradient.Palette();
    if (!Enabled)
        return DisabledColor(palette, Role);
    const TColor base = Gradient.GetEndColor() != clDefault ? Gradient.GetEndColor() : Color;
    const QColor from = Gradient.Resolve(Gradient.GetStartColor());
    const QColor to =
        Gradient.Resolve(ShadowColor(FaceBase(palette, base, Pressed), Gradient.GetShadowFactor(), palette));
    return ReadableColor(from, palette.color(QPalette::Active, Role), palette.color(QPalette::Active, QPalette::WindowText),
                         to);
}

QColor DisabledColor(const QPalette& Palette, QPalette::ColorRole Role)
{
    const QColor disabled = Palette.color(QPalette::Disabled, Role);
    if (disabled != Palette.color(QPalette::Active, Role))
        return disabled;
    const QColor face = Palette.color(QPalette::Disabled, QPalette::Button);
    return QColor((disabled.red() + face.red()) / 2, (disabled.green() + face.green()) / 2,
                  (disabled.blue() + face.blue()) / 2);
}

void PaintIndicator(QPainter& Canvas, const TZQGradient& Gradient, const QRect& Rect, TColor Color,
                    Qt::CheckState State, bool Radio, bool Hot, bool Pressed, bool Enabled)
{
    if (Rect.isEmpty())
        return;
    // Square, centred in the style's rectangle.
    const int side = std::min(Rect.width(), Rect.height());
    const QRect box(Rect.left() + (Rect.width() - side) / 2, Rect.top() + (Rect.height() - side) / 2, side, side);
    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing);
    if (Radio) {
        QPainterPath circle;
        circle.addEllipse(QRectF(box));
        Canvas.setClipPath(circle, Qt::IntersectClip);
        PaintFace(Canvas, Gradient, box, Color, Hot, Pressed, Enabled, false);
        Canvas.setClipping(false);
        const QPalette palette = Gradient.Palette();
        Canvas.setPen(QPen(FrameColor(palette, Enabled ? Gradient.Resolve(Color)
                                                         : palette.color(QPalette::Disabled, QPalette::Button)),
                           1.0));
        Canvas.setBrush(Qt::NoBrush);
        Canvas.drawEllipse(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
    } else {
        PaintFace(Canvas, Gradient, box, Color, Hot, Pressed, Enabled, true);
    }
    const QColor ink = FaceTextColor(Gradient, Color, Pressed, Enabled, QPalette::Text);
    const QRectF mark = QRectF(box).adjusted(side * 0.22, side * 0.22, -side * 0.22, -side * 0.22);
    if (Radio && State == Qt::Checked) {
        Canvas.setPen(Qt::NoPen);
        Canvas.setBrush(ink);
        Canvas.drawEllipse(mark.adjusted(side * 0.04, side * 0.04, -side * 0.04, -side * 0.04));
    } else if (State == Qt::Checked) {
        Canvas.setPen(QPen(ink, std::max(1.5, side / 7.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        Canvas.setBrush(Qt::NoBrush);
        const QPointF points[] = {{mark.left(), mark.center().y()},
                                  {mark.left() + mark.width() * 0.38, mark.bottom() - mark.height() * 0.08},
                                  {mark.right(), mark.top() + mark.height() * 0.08}};
        Canvas.drawPolyline(points, 3);
    } else if (State == Qt::PartiallyChecked) {
        Canvas.fillRect(mark.adjusted(0, mark.height() * 0.35, 0, -mark.height() * 0.35), ink);
    }
    Canvas.restore();
}

void PaintFocus(QPainter& Canvas, QWidget* Control, const QRect& Rect)
{
    QStyleOptionFocusRect option;
    option.initFrom(Control);
    option.rect = Rect;
    option.backgroundColor = Control->palette().color(QPalette::Button);
    Control->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &Canvas, Control);
}

} // namespace zdb::ZQSPaint

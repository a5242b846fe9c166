// The styled group box, panel and progress bar.

#include "ZQSCtrls.h"

#include "AppExceptions.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>

#include <algorithm>

namespace zdb {

namespace {

// Backgrounds take a gentle gradient of the button colour.
template <class TControl>
void SetupBackground(TControl& Control)
{
    Control.Gradient()->SetStartColor(clBtnFace);
    Control.Gradient()->SetShadowFactor(-12);
}

} // namespace

// --- TZQGroupBox ----------------------------------------------------------------------

TZQGroupBox::TZQGroupBox(const QString& Caption, QWidget* parent) : TZQStyled(Caption, parent)
{
    SetupBackground(*this);
}

void TZQGroupBox::paintEvent(QPaintEvent* Event)
{
    if (!IsStyled()) {
        QGroupBox::paintEvent(Event);
        return;
    }
    GuardEvent(this, [this] {
        QPainter canvas(this);
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        const auto part = [&](QStyle::SubControl Control) {
            return style()->subControlRect(QStyle::CC_GroupBox, &option, Control, this);
        };
        const QRect label = part(QStyle::SC_GroupBoxLabel);
        const QRect check = isCheckable() ? part(QStyle::SC_GroupBoxCheckBox) : QRect();
        const QRect heading = label.united(check);
        // The title stands above the box.
        QRect frame = part(QStyle::SC_GroupBoxFrame);
        if (!heading.isEmpty())
            frame.setTop(std::max(frame.top(), heading.center().y()));
        if (!isFlat())
            ZQSPaint::PaintFace(canvas, *Gradient(), frame, FColor, false, false, isEnabled());
        else
            ZQSPaint::PaintFace(canvas, *Gradient(), QRect(frame.left(), frame.top(), frame.width(), 1), FColor,
                                false, false, isEnabled(), true);
        if (heading.isEmpty())
            return;
        // The caption on a patch of the face, clear of the frame line.
        const QRect patch = heading.adjusted(-3, 0, 3, 0);
        ZQSPaint::PaintFace(canvas, *Gradient(), patch, FColor, false, false, isEnabled(), false);
        if (isCheckable())
            ZQSPaint::PaintIndicator(canvas, *Gradient(), check, clWindow, isChecked() ? Qt::Checked : Qt::Unchecked,
                                     false, IsHot(), false, isEnabled());
        QPalette palette = this->palette();
        palette.setColor(QPalette::WindowText,
                         ZQSPaint::FaceTextColor(*Gradient(), FColor, false, isEnabled(), QPalette::WindowText));
        style()->drawItemText(&canvas, label,
                              int(QStyle::visualAlignment(layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter)) |
                                  Qt::TextShowMnemonic,
                              palette, isEnabled(), title(), QPalette::WindowText);
        if (hasFocus())
            ZQSPaint::PaintFocus(canvas, this, heading.adjusted(-2, 0, 2, 0));
    });
}

// --- TZQPanel -------------------------------------------------------------------------

TZQPanel::TZQPanel(QWidget* parent) : TZQStyled(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    SetupBackground(*this);
}

void TZQPanel::SetCaption(const QString& Value)
{
    if (Value == FCaption)
        return;
    FCaption = Value;
    update();
}

void TZQPanel::SetAlignment(Qt::Alignment Value)
{
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    update();
}

void TZQPanel::paintEvent(QPaintEvent* Event)
{
    if (!IsStyled())
        QFrame::paintEvent(Event);
    GuardEvent(this, [this] {
        QPainter canvas(this);
        QPalette palette = this->palette();
        if (IsStyled()) {
            ZQSPaint::PaintFace(canvas, *Gradient(), rect(), FColor, false, false, isEnabled(), false);
            drawFrame(&canvas);
            palette.setColor(QPalette::WindowText,
                             ZQSPaint::FaceTextColor(*Gradient(), FColor, false, isEnabled(), QPalette::WindowText));
        }
        if (FCaption.isEmpty())
            return;
        style()->drawItemText(&canvas, contentsRect().adjusted(4, 0, -4, 0),
                              int(QStyle::visualAlignment(layoutDirection(), FAlignment)) | Qt::TextShowMnemonic,
                              palette, isEnabled(), FCaption, QPalette::WindowText);
    });
}

// --- TZQProgressBar -------------------------------------------------------------------

TZQProgressBar::TZQProgressBar(QWidget* parent) : TZQStyled(parent)
{
    FColor = clHighlight;
    Gradient()->SetStartColor(clHighlight);
    Gradient()->SetShadowFactor(-30);
    setAlignment(Qt::AlignCenter);
}

QRect TZQProgressBar::DoneRect() const
{
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const qint64 range = qint64(maximum()) - minimum();
    if (range <= 0 || inner.isEmpty())
        return {};
    const double part = std::clamp(double(qint64(value()) - minimum()) / double(range), 0.0, 1.0);
    if (orientation() == Qt::Horizontal) {
        const int width = qRound(inner.width() * part);
        const bool fromRight = (layoutDirection() == Qt::RightToLeft) != invertedAppearance();
        return {fromRight ? inner.right() + 1 - width : inner.left(), inner.top(), width, inner.height()};
    }
    const int height = qRound(inner.height() * part);
    return {inner.left(), invertedAppearance() ? inner.top() : inner.bottom() + 1 - height, inner.width(), height};
}

void TZQProgressBar::paintEvent(QPaintEvent* Event)
{
    if (!IsStyled() || maximum() <= minimum()) {
        QProgressBar::paintEvent(Event);
        return;
    }
    GuardEvent(this, [this] {
        QPainter canvas(this);
        const QPalette& palette = this->palette();
        const QColor trough = palette.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Base);
        // The frame and the trough: a face of the base colour without gradient.
        ZQSPaint::PaintFace(canvas, *Gradient(), rect(), clWindow, false, false, false);
        const QRect inner = rect().adjusted(1, 1, -1, -1);
        canvas.fillRect(inner, trough);
        const QRect done = DoneRect();
        const TColor step = Gradient()->GetStepColor() != clDefault ? Gradient()->GetStepColor() : FColor;
        if (!done.isEmpty()) {
            if (isEnabled())
                Gradient()->FillStep(canvas, done, FColor);
            else
                canvas.fillRect(done, palette.color(QPalette::Disabled, QPalette::Highlight));
        }
        if (!isTextVisible() || orientation() != Qt::Horizontal)
            return;
        const QString caption = text();
        const int align = int(QStyle::visualAlignment(layoutDirection(), alignment())) | Qt::AlignVCenter;
        // The text over the trough, then over the done part.
        canvas.setClipRegion(QRegion(inner).subtracted(QRegion(done)));
        canvas.setPen(isEnabled() ? ReadableColor(trough, palette.color(QPalette::Active, QPalette::Text),
                                                  palette.color(QPalette::Active, QPalette::WindowText))
                                  : ZQSPaint::DisabledColor(palette, QPalette::Text));
        canvas.drawText(inner, align, caption);
        canvas.setClipRect(done);
        canvas.setPen(ZQSPaint::FaceTextColor(*Gradient(), step, false, isEnabled(), QPalette::HighlightedText));
        canvas.drawText(inner, align, caption);
    });
}

} // namespace zdb

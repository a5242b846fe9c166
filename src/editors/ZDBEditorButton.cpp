// The editor's button and left image: where they sit (the button at the
// right, at the left in right-to-left mode), the text margins they take and
// how they are painted (a tool-button panel, hot under the pointer and sunken
// while pressed, with three dots, a down arrow or a menu arrow).

#include "ZDBEditor.h"

#include "AppExceptions.h"
#include "ZQSGraph.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace zdb {

QRect TZDBInplaceEditor::InnerRect() const
{
    // Inside the frame a stand-alone editor draws around itself.
    const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
    return contentsRect().adjusted(frame, frame, -frame, -frame);
}

int TZDBInplaceEditor::ButtonWidth() const
{
    return std::max(style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this), 12);
}

QRect TZDBInplaceEditor::ButtonRect() const
{
    if (!ButtonVisible())
        return {};
    const QRect client = InnerRect();
    const int width = std::min(ButtonWidth(), client.width() / 2);
    QRect rect(client.left(), client.top() + FTopRowSpace, width, client.height() - FTopRowSpace);
    if (!isRightToLeft())
        rect.moveRight(client.right());
    return rect;
}

QRect TZDBInplaceEditor::ButtonDrawRect() const
{
    // Inside a grid the button keeps clear of the cell's lines.
    return InGrid() ? ButtonRect().adjusted(0, 0, 0, -1) : ButtonRect();
}

QRect TZDBInplaceEditor::ImageRect() const
{
    auto* images = qobject_cast<TZQImageList*>(FImages.data());
    if (!FShowImage || !images || GetImageIndex() < 0)
        return {};
    const QRect client = InnerRect();
    const int size = std::min(images->GetSize(), client.height());
    const int width = size + 2 * 2 + FImageMargin;
    QRect rect(client.left(), client.top(), width, client.height());
    if (isRightToLeft())
        rect.moveRight(client.right());
    return rect;
}

void TZDBInplaceEditor::InvalidateButton()
{
    if (ButtonVisible())
        update(ButtonRect());
}

void TZDBInplaceEditor::BoundsChanged()
{
    const int button = ButtonVisible() ? ButtonRect().width() : 0;
    const int image = ImageRect().width();
    const int inner = InGrid() ? 1 : 0;
    const int leading = image + inner;
    const int trailing = button + inner;
    if (isRightToLeft())
        setTextMargins(trailing, 0, leading, 0);
    else
        setTextMargins(leading, 0, trailing, 0);
    update();
}

void TZDBInplaceEditor::SetImageIndex(int Value)
{
    if (FImageIndex == Value)
        return;
    FImageIndex = Value;
    BoundsChanged();
}

void TZDBInplaceEditor::SetImages(QObject* Value)
{
    if (FImages == Value)
        return;
    FImages = Value;
    BoundsChanged();
}

void TZDBInplaceEditor::SetImageMargin(int Value)
{
    if (FImageMargin == Value)
        return;
    FImageMargin = std::max(Value, 0);
    BoundsChanged();
}

void TZDBInplaceEditor::SetShowImage(bool Value)
{
    if (FShowImage == Value)
        return;
    FShowImage = Value;
    BoundsChanged();
}

void TZDBInplaceEditor::SetFlatButton(bool Value)
{
    if (FFlatButton == Value)
        return;
    FFlatButton = Value;
    InvalidateButton();
}

void TZDBInplaceEditor::DrawImage(QPainter& Canvas, const QRect& Rect)
{
    auto* images = qobject_cast<TZQImageList*>(FImages.data());
    if (!images)
        return;
    const int size = std::min(images->GetSize(), Rect.height());
    const QRect target(Rect.left() + (Rect.width() - size) / 2, Rect.top() + (Rect.height() - size) / 2, size, size);
    images->Image(GetImageIndex()).paint(&Canvas, target);
}

void TZDBInplaceEditor::PaintImage(QPainter& Canvas)
{
    const QRect rect = ImageRect();
    if (!rect.isEmpty())
        DrawImage(Canvas, rect);
}

void TZDBInplaceEditor::PaintButton(QPainter& Canvas)
{
    const QRect rect = ButtonDrawRect();
    if (rect.isEmpty())
        return;
    QStyleOptionToolButton option;
    option.initFrom(this);
    option.rect = rect;
    option.state |= QStyle::State_AutoRaise;
    if (FMouseInButton || FButtonPressed)
        option.state |= QStyle::State_MouseOver | QStyle::State_Raised;
    else if (!FFlatButton)
        option.state |= QStyle::State_Raised;
    if (FButtonPressed || ListVisible())
        option.state |= QStyle::State_Sunken | QStyle::State_On;
    Canvas.fillRect(rect, palette().button());
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &Canvas, this);

    QRect glyph = rect;
    if (FButtonPressed)
        glyph.translate(1, 1);
    const QColor color = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    switch (GetEditorStyle()) {
    case edsEllipsis: {
        const int dot = std::max(2, rect.width() / 8);
        const int gap = dot;
        const int total = 3 * dot + 2 * gap;
        int x = glyph.left() + (glyph.width() - total) / 2;
        const int y = glyph.top() + (glyph.height() - dot) / 2;
        for (int i = 0; i < 3; ++i, x += dot + gap)
            Canvas.fillRect(QRect(x, y, dot, dot), color);
        break;
    }
    case edsDropDownMenu: {
        // A menu arrow: the down arrow under a short bar.
        QStyleOption arrow = option;
        arrow.rect = glyph.adjusted(3, glyph.height() / 4 + 1, -3, 0);
        style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &Canvas, this);
        const int barWidth = std::max(4, glyph.width() / 3);
        Canvas.fillRect(QRect(glyph.center().x() - barWidth / 2 + 1, glyph.top() + glyph.height() / 4, barWidth, 1),
                        color);
        break;
    }
    default: {
        QStyleOption arrow = option;
        arrow.rect = glyph.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &Canvas, this);
        break;
    }
    }
}

void TZDBInplaceEditor::paintEvent(QPaintEvent* Event)
{
    TZDBInplaceEdit::paintEvent(Event);
    GuardEvent(this, [this] {
        if (!ButtonVisible() && ImageRect().isEmpty())
            return;
        QPainter painter(this);
        PaintImage(painter);
        PaintButton(painter);
    });
}

} // namespace zdb

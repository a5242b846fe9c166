// The styled button, check box and radio button.

#include "ZQSCtrls.h"

#include "AppExceptions.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace zdb {

namespace {

// The parts of a check box or radio button as its style places them (mirrored
// right to left), painted with the control's gradient.
void PaintCheckButton(QAbstractButton* Button, const QStyleOptionButton& Option, const TZQGradient& Gradient,
                      TColor Color, Qt::CheckState State, bool Radio, bool Hot)
{
    QStyle* style = Button->style();
    QPainter canvas(Button);
    const QRect indicator = style->subElementRect(
        Radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &Option, Button);
    ZQSPaint::PaintIndicator(canvas, Gradient, indicator, Color, State, Radio, Hot, Button->isDown(),
                             Button->isEnabled());
    QStyleOptionButton label = Option;
    label.palette.setColor(QPalette::Disabled, QPalette::WindowText,
                           ZQSPaint::DisabledColor(Option.palette, QPalette::WindowText));
    label.rect = style->subElementRect(Radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents,
                                       &Option, Button);
    style->drawControl(Radio ? QStyle::CE_RadioButtonLabel : QStyle::CE_CheckBoxLabel, &label, &canvas, Button);
    if (Button->hasFocus())
        ZQSPaint::PaintFocus(canvas, Button,
                             style->subElementRect(Radio ? QStyle::SE_RadioButtonFocusRect
                                                         : QStyle::SE_CheckBoxFocusRect,
                                                   &Option, Button));
}

// Space between a face's edge and its content.
constexpr int FaceMarginX = 8;
constexpr int FaceMarginY = 5;

} // namespace

// --- TZQButton ------------------------------------------------------------------------

TZQButton::TZQButton(const QString& Caption, QWidget* parent) : TZQStyled(Caption, parent)
{
    Gradient()->SetStartColor(clBtnHighlight);
}

QSize TZQButton::sizeHint() const
{
    if (!IsStyled())
        return QPushButton::sizeHint();
    ensurePolished();
    QSize content = text().isEmpty() ? QSize(0, fontMetrics().height())
                                     : fontMetrics().size(Qt::TextShowMnemonic, text());
    if (!icon().isNull()) {
        content.rwidth() += iconSize().width() + (text().isEmpty() ? 0 : 4);
        content.setHeight(std::max(content.height(), iconSize().height()));
    }
    return content + QSize(2 * FaceMarginX, 2 * FaceMarginY);
}

void TZQButton::paintEvent(QPaintEvent* Event)
{
    if (!IsStyled()) {
        QPushButton::paintEvent(Event);
        return;
    }
    GuardEvent(this, [this] {
        QPainter canvas(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const bool pressed = isDown() || isChecked();
        if (!isFlat() || IsHot() || pressed)
            ZQSPaint::PaintFace(canvas, *Gradient(), rect(), FColor, IsHot(), pressed, isEnabled());
        option.palette.setColor(QPalette::ButtonText,
                                ZQSPaint::FaceTextColor(*Gradient(), FColor, pressed, isEnabled()));
        option.rect = rect().adjusted(FaceMarginX / 2, 1, -FaceMarginX / 2, -1);
        style()->drawControl(QStyle::CE_PushButtonLabel, &option, &canvas, this);
        if (hasFocus())
            ZQSPaint::PaintFocus(canvas, this, rect().adjusted(3, 3, -3, -3));
    });
}

void TZQButton::keyPressEvent(QKeyEvent* Event)
{
    const int key = Event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !Event->isAutoRepeat() &&
        (Event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        click();
        Event->accept();
        return;
    }
    QPushButton::keyPressEvent(Event);
}

// --- TZQCheckBox, TZQRadioButton --------------------------------------------------------

TZQCheckBox::TZQCheckBox(const QString& Caption, QWidget* parent) : TZQStyled(Caption, parent)
{
    FColor = clWindow;
}

void TZQCheckBox::paintEvent(QPaintEvent* Event)
{
    if (!IsStyled()) {
        QCheckBox::paintEvent(Event);
        return;
    }
    GuardEvent(this, [this] {
        QStyleOptionButton option;
        initStyleOption(&option);
        PaintCheckButton(this, option, *Gradient(), FColor, checkState(), false, IsHot());
    });
}

TZQRadioButton::TZQRadioButton(const QString& Caption, QWidget* parent) : TZQStyled(Caption, parent)
{
    FColor = clWindow;
}

void TZQRadioButton::paintEvent(QPaintEvent* Event)
{
    if (!IsStyled()) {
        QRadioButton::paintEvent(Event);
        return;
    }
    GuardEvent(this, [this] {
        QStyleOptionButton option;
        initStyleOption(&option);
        PaintCheckButton(this, option, *Gradient(), FColor, isChecked() ? Qt::Checked : Qt::Unchecked, true,
                         IsHot());
    });
}

} // namespace zdb

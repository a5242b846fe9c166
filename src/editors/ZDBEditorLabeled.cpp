// TZDBLabeledEditor: an editor with a caption label on its parent, placed at
// LabelPosition and LabelSpacing pixels from the edit box whenever the editor
// moves or is resized, and following its parent, visibility, enabled state and
// direction. The label goes with the editor.

#include "ZDBEditor.h"

#include <QEvent>

namespace zdb {

void TZDBEditorLabel::SetCaption(const QString& Value)
{
    if (text() == Value)
        return;
    setText(Value);
    if (auto* editor = qobject_cast<TZDBLabeledEditor*>(buddy()))
        editor->PlaceLabel();
}

TZDBLabeledEditor::TZDBLabeledEditor(QWidget* AParent)
    : TZDBDataEditor(AParent), FEditorLabel(new TZDBEditorLabel(AParent))
{
    FEditorLabel->setBuddy(this);
    FEditorLabel->setVisible(false);
}

TZDBLabeledEditor::~TZDBLabeledEditor()
{
    // The label lives beside the editor on its parent, not inside it.
    delete FEditorLabel.data();
}

void TZDBLabeledEditor::SetLabelPosition(TLabelPosition Value)
{
    if (FLabelPosition == Value)
        return;
    FLabelPosition = Value;
    PlaceLabel();
}

void TZDBLabeledEditor::SetLabelSpacing(int Value)
{
    if (FLabelSpacing == Value)
        return;
    FLabelSpacing = Value;
    PlaceLabel();
}

void TZDBLabeledEditor::SetLabelVisible(bool Value)
{
    if (FLabelVisible == Value)
        return;
    FLabelVisible = Value;
    FollowEditor();
}

void TZDBLabeledEditor::FollowEditor()
{
    if (!FEditorLabel)
        return;
    if (FEditorLabel->parentWidget() != parentWidget())
        FEditorLabel->setParent(parentWidget());
    const bool hidden = isHidden() && testAttribute(Qt::WA_WState_ExplicitShowHide);
    FEditorLabel->setVisible(parentWidget() && FLabelVisible && !hidden);
    FEditorLabel->setEnabled(isEnabled());
    FEditorLabel->setLayoutDirection(layoutDirection());
    PlaceLabel();
}

void TZDBLabeledEditor::PlaceLabel()
{
    if (!FEditorLabel)
        return;
    const QSize size = FEditorLabel->sizeHint();
    const QRect box = geometry();
    const bool rtl = isRightToLeft();
    QRect rect(QPoint(), size);
    switch (FLabelPosition) {
    case lpAbove:
    case lpBelow:
        rect.moveTop(FLabelPosition == lpAbove ? box.top() - FLabelSpacing - size.height()
                                               : box.bottom() + 1 + FLabelSpacing);
        if (rtl)
            rect.moveRight(box.right());
        else
            rect.moveLeft(box.left());
        break;
    case lpLeft:
    case lpRight:
        rect.moveTop(box.top() + (box.height() - size.height()) / 2);
        if (FLabelPosition == lpLeft)
            rect.moveRight(box.left() - 1 - FLabelSpacing);
        else
            rect.moveLeft(box.right() + 1 + FLabelSpacing);
        break;
    }
    FEditorLabel->setGeometry(rect);
}

bool TZDBLabeledEditor::event(QEvent* Event)
{
    const bool result = TZDBDataEditor::event(Event);
    switch (Event->type()) {
    case QEvent::ParentChange:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::EnabledChange:
    case QEvent::LayoutDirectionChange: FollowEditor(); break;
    default: break;
    }
    return result;
}

void TZDBLabeledEditor::moveEvent(QMoveEvent* Event)
{
    TZDBDataEditor::moveEvent(Event);
    PlaceLabel();
}

void TZDBLabeledEditor::resizeEvent(QResizeEvent* Event)
{
    TZDBDataEditor::resizeEvent(Event);
    PlaceLabel();
}

} // namespace zdb

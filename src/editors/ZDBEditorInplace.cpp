// The first two links of the editor chain: the in-place edit that also works
// without a grid, and the edit box with a button, a left image and a list slot
// (keys that open and close the list, the button's press, tracking and release).

#include "ZDBEditor.h"

#include "AppExceptions.h"
#include "ZDBDropDown.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>

namespace zdb {

namespace {

// A press right after a list closed is the press that closed it.
constexpr int CloseClickInterval = 200;

} // namespace

// ---- TZDBInplaceEdit ----------------------------------------------------------------

TZDBInplaceEdit::TZDBInplaceEdit(QWidget* AParent, TCustomGrid* AGrid) : TInplaceEdit(AParent, AGrid)
{
    if (!AGrid) {
        setFrame(true);
        setTextMargins(0, 0, 0, 0);
        if (AParent)
            show();
    }
}

void TZDBInplaceEdit::KeyPress(QChar& Key)
{
    if (InGrid()) {
        TInplaceEdit::KeyPress(Key);
        return;
    }
    switch (Key.unicode()) {
    case 9:
    case 13:
    case 27: Key = QChar(); break;
    default: break;
    }
}

// ---- TZDBInplaceEditor: keys and the list slot -------------------------------------------

TZDBInplaceEditor::TZDBInplaceEditor(QWidget* AParent, TCustomGrid* AGrid) : TZDBInplaceEdit(AParent, AGrid)
{
    setMouseTracking(true);
}

TZDBInplaceEditor::~TZDBInplaceEditor()
{
    // An open list goes with its editor, writing nothing.
    if (FActiveList)
        delete FActiveList.data();
}

void TZDBInplaceEditor::SetEditorStyle(TEditorStyle Value)
{
    if (FEditorStyle == Value)
        return;
    FEditorStyle = Value;
    BoundsChanged();
}

bool TZDBInplaceEditor::ButtonVisible() const
{
    const TEditorStyle style = GetEditorStyle();
    return style != edsSimple && (style != edsDropDownList || HasList());
}

bool TZDBInplaceEditor::ListVisible() const
{
    return FActiveList && FActiveList->ListVisible();
}

void TZDBInplaceEditor::SetDropDownOnly(bool Value)
{
    FDropDownOnly = Value;
}

void TZDBInplaceEditor::DropDownKeys(int& Key, TShiftState Shift)
{
    const bool alt = Shift & ssAlt;
    const bool ctrl = Shift & ssCtrl;
    const bool enter = Key == Qt::Key_Return || Key == Qt::Key_Enter;
    const bool toggle = (alt && (Key == Qt::Key_Up || Key == Qt::Key_Down)) || (Key == Qt::Key_F2 && !ctrl && !alt) ||
                        (ctrl && enter);
    // Only an editor with a list to open takes these keys: the others keep F2 and the arrows.
    if (toggle && (ListVisible() || (GetEditorStyle() == edsDropDownList && HasList()))) {
        if (ListVisible())
            CloseUp(true);
        else
            DropDown();
        Key = 0;
        return;
    }
    if (!ListVisible())
        return;
    if ((enter || Key == Qt::Key_Escape) && !alt) {
        CloseUp(enter);
        Key = 0;
    } else if (Key == Qt::Key_Tab && !ctrl && !alt) {
        CloseUp(false);
    }
}

void TZDBInplaceEditor::CloseUp(bool Accept)
{
    if (FActiveList)
        FActiveList->CloseUp(Accept);
}

void TZDBInplaceEditor::DropDown() {}

void TZDBInplaceEditor::EditButtonClick()
{
    if (GetEditorStyle() == edsDropDownMenu && ShowDropDownMenu())
        return;
    if (OnEditButtonClick)
        OnEditButtonClick(this);
}

void TZDBInplaceEditor::ListCloseUp(TZDBDropDownList* /*Sender*/, bool& /*Accept*/)
{
    // Closed by a press outside the list: when that press lands on the button it opens nothing.
    if (QApplication::mouseButtons() & Qt::LeftButton)
        FClosedAt.start();
    else
        FClosedAt.invalidate();
}

void TZDBInplaceEditor::ListDropDown(TZDBDropDownList* /*Sender*/) {}

QPoint TZDBInplaceEditor::DropDownPoint()
{
    return mapToGlobal(isRightToLeft() ? rect().bottomRight() + QPoint(1, 1) : rect().bottomLeft() + QPoint(0, 1));
}

bool TZDBInplaceEditor::ShowDropDownMenu()
{
    QMenu* menu = GetDropDownMenu();
    if (!menu)
        return false;
    menu->popup(DropDownPoint());
    return true;
}

void TZDBInplaceEditor::KeyDown(int& Key, TShiftState Shift)
{
    DropDownKeys(Key, Shift);
    if (Key != 0)
        TZDBInplaceEdit::KeyDown(Key, Shift);
}

// ---- The button under the pointer ---------------------------------------------------------

bool TZDBInplaceEditor::OverButton(const QPoint& P) const
{
    return ButtonVisible() && ButtonRect().contains(P);
}

void TZDBInplaceEditor::TrackButton(int X, int Y)
{
    const bool pressed = OverButton(QPoint(X, Y));
    if (pressed != FButtonPressed) {
        FButtonPressed = pressed;
        InvalidateButton();
    }
}

void TZDBInplaceEditor::StopTracking()
{
    if (!FMouseTracking)
        return;
    FMouseTracking = false;
    FButtonPressed = false;
    InvalidateButton();
}

void TZDBInplaceEditor::mousePressEvent(QMouseEvent* Event)
{
    bool taken = false;
    GuardEvent(this, [&] {
        if (Event->button() != Qt::LeftButton || !OverButton(Event->position().toPoint()))
            return;
        taken = true;
        if (!hasFocus() && focusPolicy() != Qt::NoFocus)
            setFocus(Qt::MouseFocusReason);
        if (ListVisible()) {
            CloseUp(false);
            return;
        }
        if (FClosedAt.isValid() && FClosedAt.elapsed() < CloseClickInterval)
            return;
        FMouseTracking = true;
        TrackButton(int(Event->position().x()), int(Event->position().y()));
    });
    if (taken)
        Event->accept();
    else
        TZDBInplaceEdit::mousePressEvent(Event);
}

void TZDBInplaceEditor::mouseMoveEvent(QMouseEvent* Event)
{
    GuardEvent(this, [&] {
        const QPoint p = Event->position().toPoint();
        const bool over = OverButton(p);
        if (over != FMouseInButton) {
            FMouseInButton = over;
            setCursor(over ? Qt::ArrowCursor : Qt::IBeamCursor);
            InvalidateButton();
        }
        if (FMouseTracking)
            TrackButton(p.x(), p.y());
    });
    if (!FMouseTracking)
        TZDBInplaceEdit::mouseMoveEvent(Event);
}

void TZDBInplaceEditor::mouseReleaseEvent(QMouseEvent* Event)
{
    if (!FMouseTracking || Event->button() != Qt::LeftButton) {
        TZDBInplaceEdit::mouseReleaseEvent(Event);
        return;
    }
    Event->accept();
    GuardEvent(this, [&] {
        const bool pressed = FButtonPressed;
        StopTracking();
        if (!pressed)
            return;
        if (GetEditorStyle() == edsDropDownList)
            DropDown();
        else
            EditButtonClick();
    });
}

void TZDBInplaceEditor::focusInEvent(QFocusEvent* Event)
{
    TZDBInplaceEdit::focusInEvent(Event);
    if (FAutoSelect && !InGrid() && Event->reason() != Qt::MouseFocusReason)
        selectAll();
}

bool TZDBInplaceEditor::event(QEvent* Event)
{
    if (Event->type() == QEvent::Leave && FMouseInButton) {
        FMouseInButton = false;
        InvalidateButton();
    } else if (Event->type() == QEvent::LayoutDirectionChange || Event->type() == QEvent::StyleChange) {
        BoundsChanged();
    }
    return TZDBInplaceEdit::event(Event);
}

} // namespace zdb

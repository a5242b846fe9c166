// The in-place editor (TInplaceEdit) and the grid's editor management.

#include "Grids.h"

#include "AppExceptions.h"

#include <QApplication>
#include <QKeyEvent>

namespace zdb {

namespace {

bool IsInputChar(QChar Ch)
{
    return !Ch.isNull() && Ch.unicode() != 0x7F;
}

bool IsPrintable(QChar Ch)
{
    return Ch.unicode() >= 32 && Ch.unicode() != 0x7F;
}

// Runs a function when leaving the scope, whatever the way out.
template <typename F>
class Finally
{
public:
    explicit Finally(F f) : FFunc(std::move(f)) {}
    ~Finally() { FFunc(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    F FFunc;
};

} // namespace

// ---- TInplaceEdit -----------------------------------------------------------

TInplaceEdit::TInplaceEdit(TCustomGrid* AGrid) : TInplaceEdit(AGrid->viewport(), AGrid) {}

TInplaceEdit::TInplaceEdit(QWidget* AParent, TCustomGrid* AGrid) : QLineEdit(AParent), FGrid(AGrid)
{
    setFrame(false);
    setTextMargins(1, 0, 1, 0);
    QLineEdit::hide();
    connect(this, &QLineEdit::textEdited, this, [this] {
        GuardEvent(this, [this] {
            if (FGrid)
                FGrid->UpdateText();
        });
    });
}

void TInplaceEdit::Deselect()
{
    deselect();
    end(false);
}

void TInplaceEdit::Hide()
{
    if (!isVisible())
        return;
    // The grid takes the focus first, so that it does not wander elsewhere.
    const bool hadFocus = window()->focusWidget() == this;
    if (hadFocus && FGrid)
        FGrid->setFocus(Qt::OtherFocusReason);
    QLineEdit::hide();
}

void TInplaceEdit::InternalMove(const QRect& Loc, bool TakeFocus)
{
    if (Loc.isEmpty()) {
        Hide();
        return;
    }
    setGeometry(Loc);
    if (!isVisible())
        show();
    BoundsChanged();
    if (TakeFocus && FGrid && FGrid->IsActiveControl())
        setFocus(Qt::OtherFocusReason);
}

void TInplaceEdit::Move(const QRect& Loc)
{
    InternalMove(Loc, true);
}

void TInplaceEdit::UpdateLoc(const QRect& Loc)
{
    InternalMove(Loc, false);
}

void TInplaceEdit::SetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

void TInplaceEdit::Invalidate()
{
    update();
}

void TInplaceEdit::BoundsChanged() {}

void TInplaceEdit::UpdateContents()
{
    if (!FGrid)
        return;
    const int col = FGrid->FCurrent.X;
    const int row = FGrid->FCurrent.Y;
    clear();
    setInputMask(FGrid->GetEditMask(col, row));
    FOriginalText = FGrid->GetEditText(col, row);
    setText(FOriginalText);
    const int limit = FGrid->GetEditLimit();
    setReadOnly(limit < 0);
    setMaxLength(limit > 0 ? limit : 32767);
}

int TInplaceEdit::GetSelStart() const
{
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

int TInplaceEdit::GetSelLength() const
{
    return hasSelectedText() ? selectionLength() : 0;
}

void TInplaceEdit::SetSelStart(int Value)
{
    setCursorPosition(Value);
}

void TInplaceEdit::SetSelLength(int Value)
{
    setSelection(GetSelStart(), Value);
}

void TInplaceEdit::KeyDown(int& Key, TShiftState Shift)
{
    if (!FGrid)
        return;
    auto sendToParent = [&] {
        FGrid->KeyDown(Key, Shift);
        Key = 0;
    };
    auto parentEvent = [&] {
        if (FGrid->OnKeyDown)
            FGrid->OnKeyDown(Key, Shift);
    };
    const bool forwardMovement = FGrid->FOptions & goAlwaysShowEditor;
    const int len = text().length();
    const int startPos = GetSelStart();
    const int endPos = startPos + GetSelLength();
    const bool leftSide = startPos == 0 && (endPos == 0 || endPos == len);
    const bool rightSide = (startPos == 0 || endPos == startPos) && endPos == len;

    switch (Key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Escape: sendToParent(); break;
    case Qt::Key_Insert:
        if (!Shift)
            sendToParent();
        else if (Shift == TShiftState(ssShift) && !FGrid->CanEditModify())
            Key = 0;
        break;
    case Qt::Key_Left:
    case Qt::Key_Home:
        if (forwardMovement && leftSide)
            sendToParent();
        break;
    case Qt::Key_Right:
    case Qt::Key_End:
        if (forwardMovement && rightSide)
            sendToParent();
        break;
    case Qt::Key_F2:
        parentEvent();
        if (Key == Qt::Key_F2) {
            Deselect();
            Key = 0;
        }
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (!(Shift & ssAlt))
            sendToParent();
        break;
    case Qt::Key_Delete:
        if (Shift & ssCtrl)
            sendToParent();
        else if (!FGrid->CanEditModify())
            Key = 0;
        break;
    default: break;
    }
    if (Key != 0)
        parentEvent();
}

bool TInplaceEdit::FilterChar(QChar& Key, bool AskGrid)
{
    if (!FGrid) {
        Key = QChar();
        return false;
    }
    if (AskGrid) {
        const bool old = FGrid->FInEditorKeyPress;
        FGrid->FInEditorKeyPress = true;
        Finally restore([this, old] {
            if (FGrid)
                FGrid->FInEditorKeyPress = old;
        });
        FGrid->KeyPress(Key);
        if (Key.isNull())
            return false;
    }
    if (IsPrintable(Key) && !FGrid->CanEditAcceptKey(Key)) {
        Key = QChar();
        QApplication::beep();
        return false;
    }
    switch (Key.unicode()) {
    case 9:
    case 27: Key = QChar(); break;
    case 13:
        if (GetSelStart() == 0 && GetSelLength() == text().length())
            Deselect();
        else
            selectAll();
        Key = QChar();
        break;
    case 8:
    case 22: // Ctrl+V
    case 24: // Ctrl+X
        if (!FGrid->CanEditModify())
            Key = QChar();
        break;
    default:
        if (IsPrintable(Key) && !FGrid->CanEditModify())
            Key = QChar();
        break;
    }
    return !Key.isNull();
}

void TInplaceEdit::KeyPress(QChar& Key)
{
    FilterChar(Key, true);
}

void TInplaceEdit::KeyUp(int& /*Key*/, TShiftState /*Shift*/) {}

void TInplaceEdit::TypeChar(QChar Ch)
{
    if (!FilterChar(Ch, false))
        return;
    int key = 0;
    if (Ch == QChar('\b'))
        key = Qt::Key_Backspace;
    else if (Ch.unicode() < 128)
        key = Ch.toUpper().unicode();
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, QString(Ch));
    QLineEdit::keyPressEvent(&event);
}

void TInplaceEdit::keyPressEvent(QKeyEvent* Event)
{
    GuardEvent(this, [&] { HandleKeyPress(Event); });
    Event->accept();
}

void TInplaceEdit::HandleKeyPress(QKeyEvent* Event)
{
    QPointer<TInplaceEdit> self(this);
    int key = Event->key();
    KeyDown(key, ShiftStateFrom(Event->modifiers()));
    if (!self)
        return;
    if (key == 0) {
        Event->accept();
        return;
    }
    const QString text = Event->text();
    if (!text.isEmpty() && IsInputChar(text.at(0))) {
        QChar ch = text.at(0);
        KeyPress(ch);
        if (!self)
            return;
        if (ch.isNull()) {
            Event->accept();
            return;
        }
        if (ch != text.at(0)) {
            QKeyEvent replaced(Event->type(), key, Event->modifiers(), QString(ch));
            QLineEdit::keyPressEvent(&replaced);
            Event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(Event);
    // Keys the line edit leaves alone must not reach the grid a second time.
    Event->accept();
}

void TInplaceEdit::keyReleaseEvent(QKeyEvent* Event)
{
    GuardEvent(this, [&] {
        int key = Event->key();
        KeyUp(key, ShiftStateFrom(Event->modifiers()));
        QLineEdit::keyReleaseEvent(Event);
    });
    Event->accept();
}

void TInplaceEdit::mouseDoubleClickEvent(QMouseEvent* Event)
{
    GuardEvent(this, [&] {
        if (FGrid)
            FGrid->DblClick();
        QLineEdit::mouseDoubleClickEvent(Event);
    });
}

// ---- Grid side ----------------------------------------------------------------

TInplaceEdit* TCustomGrid::CreateEditor()
{
    return new TInplaceEdit(this);
}

QString TCustomGrid::GetEditText(int /*ACol*/, int /*ARow*/)
{
    return {};
}

void TCustomGrid::SetEditText(int /*ACol*/, int /*ARow*/, const QString& /*Value*/) {}

QString TCustomGrid::GetEditMask(int /*ACol*/, int /*ARow*/)
{
    return {};
}

int TCustomGrid::GetEditLimit()
{
    return 0;
}

bool TCustomGrid::CanEditShow()
{
    return (FOptions & (goRowSelect | goEditing)) == TGridOptions(goEditing) && FEditorMode &&
           !(FComponentState & (csDesigning | csDestroying)) && FHandleAllocated &&
           ((FOptions & goAlwaysShowEditor) || IsActiveControl());
}

bool TCustomGrid::CanEditModify()
{
    return FCanEditModify;
}

bool TCustomGrid::CanEditAcceptKey(QChar /*Key*/)
{
    return true;
}

bool TCustomGrid::IsActiveControl() const
{
    const QWidget* w = window()->focusWidget();
    return w && (w == this || isAncestorOf(w));
}

void TCustomGrid::SetEditorMode(bool Value)
{
    if (!Value) {
        HideEditor();
    } else {
        ShowEditor();
        if (FInplaceEdit)
            FInplaceEdit->Deselect();
    }
}

void TCustomGrid::ShowEditor()
{
    FEditorMode = true;
    UpdateEditor();
}

void TCustomGrid::HideEditor()
{
    FEditorMode = false;
    HideEdit();
}

void TCustomGrid::InvalidateEditor()
{
    FInplaceCol = -1;
    FInplaceRow = -1;
    UpdateEditor();
}

void TCustomGrid::LoadEditor()
{
    FInplaceCol = FCurrent.X;
    FInplaceRow = FCurrent.Y;
    FInplaceEdit->UpdateContents();
    FCanEditModify = !FInplaceEdit->isReadOnly();
    FInplaceEdit->selectAll();
}

void TCustomGrid::UpdateEditor()
{
    if (!CanEditShow())
        return;
    if (!FInplaceEdit) {
        FInplaceEdit = CreateEditor();
        if (!FInplaceEdit)
            return;
        LoadEditor();
    } else if (FCurrent.X != FInplaceCol || FCurrent.Y != FInplaceRow) {
        HideEdit();
        LoadEditor();
    }
    if (CanEditShow())
        FInplaceEdit->Move(CellRect(FCurrent.X, FCurrent.Y));
}

void TCustomGrid::HideEdit()
{
    if (!FInplaceEdit)
        return;
    Finally done([this] {
        FInplaceCol = -1;
        FInplaceRow = -1;
        if (FInplaceEdit)
            FInplaceEdit->Hide();
    });
    UpdateText();
}

void TCustomGrid::UpdateText()
{
    if (FInplaceEdit && FInplaceCol >= 0 && FInplaceRow >= 0)
        SetEditText(FInplaceCol, FInplaceRow, FInplaceEdit->text());
}

void TCustomGrid::ShowEditorChar(QChar Ch)
{
    ShowEditor();
    if (FInplaceEdit && FInplaceEdit->isVisible())
        FInplaceEdit->TypeChar(Ch);
}

} // namespace zdb

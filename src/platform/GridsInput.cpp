// TCustomGrid input: Qt key, mouse, wheel, focus and resize events translated
// into the grid's hooks, with the standard navigation, selection, sizing and
// moving behind them.

#include "Grids.h"

#include "AppExceptions.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>

namespace zdb {

namespace {

constexpr int WheelDelta = 120;

// True for characters the grid treats as typed input (not Delete's DEL code).
bool IsInputChar(QChar Ch)
{
    return !Ch.isNull() && Ch.unicode() != 0x7F;
}

bool IsPrintable(QChar Ch)
{
    return Ch.unicode() >= 32 && Ch.unicode() != 0x7F;
}

} // namespace

// ---- Keyboard -----------------------------------------------------------------

bool TCustomGrid::CanGridAcceptKey(int /*Key*/, TShiftState /*Shift*/)
{
    return true;
}

void TCustomGrid::KeyDown(int& Key, TShiftState Shift)
{
    if (OnKeyDown)
        OnKeyDown(Key, Shift);
    if (Key != 0)
        GridKeyDown(Key, Shift);
}

void TCustomGrid::GridKeyDown(int& Key, TShiftState Shift)
{
    if (!CanGridAcceptKey(Key, Shift)) {
        Key = 0;
        return;
    }
    TGridDrawInfo di;
    CalcDrawInfo(di);
    int pageWidth, pageHeight;
    CalcPageExtents(di, pageWidth, pageHeight);
    const bool rowSelect = FOptions & goRowSelect;
    TGridCoord newCurrent = FCurrent;
    TGridCoord newTopLeft = FTopLeft;
    bool handled = true;

    if (Shift & ssCtrl) {
        switch (Key) {
        case Qt::Key_Up: --newTopLeft.Y; break;
        case Qt::Key_Down: ++newTopLeft.Y; break;
        case Qt::Key_Left:
            if (!rowSelect) {
                newCurrent.X -= pageWidth;
                newTopLeft.X -= pageWidth;
            }
            break;
        case Qt::Key_Right:
            if (!rowSelect) {
                newCurrent.X += pageWidth;
                newTopLeft.X += pageWidth;
            }
            break;
        case Qt::Key_PageUp: newCurrent.Y = FTopLeft.Y; break;
        case Qt::Key_PageDown: newCurrent.Y = di.Vert.LastFullVisibleCell; break;
        case Qt::Key_Home:
            newCurrent.X = FFixedCols;
            newCurrent.Y = FFixedRows;
            break;
        case Qt::Key_End:
            newCurrent.X = FColCount - 1;
            newCurrent.Y = FRowCount - 1;
            break;
        default: handled = false; break;
        }
    } else {
        switch (Key) {
        case Qt::Key_Up: --newCurrent.Y; break;
        case Qt::Key_Down: ++newCurrent.Y; break;
        case Qt::Key_Left:
            if (rowSelect)
                --newTopLeft.X;
            else
                --newCurrent.X;
            break;
        case Qt::Key_Right:
            if (rowSelect)
                ++newTopLeft.X;
            else
                ++newCurrent.X;
            break;
        case Qt::Key_PageDown:
            newCurrent.Y += pageHeight;
            newTopLeft.Y += pageHeight;
            break;
        case Qt::Key_PageUp:
            newCurrent.Y -= pageHeight;
            newTopLeft.Y -= pageHeight;
            break;
        case Qt::Key_Home:
            if (rowSelect)
                newTopLeft.X = FFixedCols;
            else
                newCurrent.X = FFixedCols;
            break;
        case Qt::Key_End:
            if (rowSelect)
                newTopLeft.X = FColCount - 1;
            else
                newCurrent.X = FColCount - 1;
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (!(Shift & ssAlt) && (FOptions & goTabs)) {
                const bool back = Key == Qt::Key_Backtab || (Shift & ssShift);
                // Steps until a column with a tab stop, or back at the start.
                do {
                    if (back) {
                        if (--newCurrent.X < FFixedCols) {
                            newCurrent.X = FColCount - 1;
                            if (--newCurrent.Y < FFixedRows)
                                newCurrent.Y = FRowCount - 1;
                        }
                    } else if (++newCurrent.X >= FColCount) {
                        newCurrent.X = FFixedCols;
                        if (++newCurrent.Y >= FRowCount)
                            newCurrent.Y = FFixedRows;
                    }
                } while (!GetTabStops(newCurrent.X) && newCurrent.X != FCurrent.X);
                Shift &= ~TShiftState(ssShift); // a back tab does not extend the selection
            } else {
                handled = false;
            }
            break;
        case Qt::Key_F2: SetEditorMode(true); break;
        case Qt::Key_Escape:
            if (FEditorMode && FInplaceEdit && FInplaceCol >= 0) {
                // Back to the text the cell had when editing began there.
                FInplaceEdit->setText(FInplaceEdit->GetOriginalText());
                UpdateText();
                FInplaceEdit->selectAll();
                if (!(FOptions & goAlwaysShowEditor))
                    HideEditor();
            } else {
                handled = false;
            }
            break;
        default: handled = false; break;
        }
    }
    if (!handled)
        return;

    const TGridCoord maxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, di);
    newTopLeft.X = std::clamp(newTopLeft.X, FFixedCols, std::max(FFixedCols, maxTopLeft.X));
    newTopLeft.Y = std::clamp(newTopLeft.Y, FFixedRows, std::max(FFixedRows, maxTopLeft.Y));
    if (!(newTopLeft == FTopLeft))
        MoveTopLeft(newTopLeft.X, newTopLeft.Y);
    newCurrent.X = std::clamp(newCurrent.X, FFixedCols, FColCount - 1);
    newCurrent.Y = std::clamp(newCurrent.Y, FFixedRows, FRowCount - 1);
    if (!(newCurrent == FCurrent))
        FocusCell(newCurrent.X, newCurrent.Y, !(Shift & ssShift));
    Key = 0;
}

void TCustomGrid::KeyPress(QChar& Key)
{
    if (OnKeyPress)
        OnKeyPress(Key);
    if (!Key.isNull())
        GridKeyPress(Key);
}

void TCustomGrid::GridKeyPress(QChar& Key)
{
    if (Key == QChar('\r') && !(FOptions & goAlwaysShowEditor)) {
        if (FEditorMode)
            HideEditor();
        else
            ShowEditor();
        Key = QChar();
        return;
    }
    // Typing on the grid starts the editor with the typed character.
    if (!FInEditorKeyPress && (FOptions & goEditing) && (Key == QChar('\b') || IsPrintable(Key))) {
        ShowEditorChar(Key);
        Key = QChar();
    }
}

void TCustomGrid::KeyUp(int& Key, TShiftState Shift)
{
    if (OnKeyUp)
        OnKeyUp(Key, Shift);
}

void TCustomGrid::keyPressEvent(QKeyEvent* Event)
{
    GuardEvent(this, [&] {
        int key = Event->key();
        KeyDown(key, ShiftStateFrom(Event->modifiers()));
        if (key != 0) {
            const QString text = Event->text();
            for (QChar ch : text) {
                if (!IsInputChar(ch))
                    continue;
                KeyPress(ch);
            }
        }
    });
    Event->accept();
}

void TCustomGrid::keyReleaseEvent(QKeyEvent* Event)
{
    if (Event->isAutoRepeat()) {
        Event->accept();
        return;
    }
    GuardEvent(this, [&] {
        int key = Event->key();
        KeyUp(key, ShiftStateFrom(Event->modifiers()));
    });
    Event->accept();
}

bool TCustomGrid::focusNextPrevChild(bool Next)
{
    // With goTabs the Tab key moves between cells instead of leaving the grid.
    if (FOptions & goTabs)
        return false;
    return QAbstractScrollArea::focusNextPrevChild(Next);
}

// ---- Mouse --------------------------------------------------------------------

void TCustomGrid::CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos, int& SizingOfs,
                                  TGridDrawInfo& FixedInfo)
{
    State = gsNormal;
    Index = -1;
    auto calcAxisState = [&](const TGridAxisDrawInfo& A, int Pos, TGridState NewState) {
        int range = A.EffectiveLineWidth;
        int back = 0;
        if (range < 7) {
            range = 7;
            back = (range - A.EffectiveLineWidth) / 2;
        }
        // The far edges of the fixed cells, then those of the visible scrolled cells.
        auto hit = [&](int Line, int I) -> bool {
            if (Pos >= Line - back && Pos <= Line - back + range) {
                State = NewState;
                SizingPos = Line;
                SizingOfs = Line - Pos;
                Index = I;
                return true;
            }
            return false;
        };
        int line = 0;
        for (int i = 0; i < A.FixedCellCount; ++i) {
            line += A.Extent(i);
            if (A.Extent(i) > 0 && hit(line, i))
                return;
            line += A.EffectiveLineWidth;
        }
        line = A.FixedBoundary;
        for (int i = A.FirstGridCell; i < A.GridCellCount; ++i) {
            const int extent = A.Extent(i);
            line += std::max(0, extent);
            if (line > A.GridBoundary)
                break;
            if (extent > 0 && hit(line, i))
                return;
            line += A.EffectiveLineWidth;
        }
        if (A.GridBoundary < A.GridExtent && Pos >= A.GridExtent - back && Pos <= A.GridExtent) {
            State = NewState;
            SizingPos = A.GridExtent;
            SizingOfs = A.GridExtent - Pos;
            Index = A.LastFullVisibleCell + 1;
        }
    };
    if (!(FOptions & (goColSizing | goRowSizing)))
        return;
    if ((FOptions & goColSizing) && Y < FixedInfo.Vert.FixedBoundary)
        calcAxisState(FixedInfo.Horz, X, gsColSizing);
    if (State == gsNormal && (FOptions & goRowSizing) && X < FixedInfo.Horz.FixedBoundary)
        calcAxisState(FixedInfo.Vert, Y, gsRowSizing);
    if (State != gsNormal && (Index < 0 || Index >= (State == gsColSizing ? FColCount : FRowCount))) {
        State = gsNormal;
        Index = -1;
    }
}

void TCustomGrid::MouseDown(Qt::MouseButton Button, TShiftState Shift, int X, int Y)
{
    GridMouseDown(Button, Shift, X, Y);
    if (OnMouseDown)
        OnMouseDown(Button, Shift, X, Y);
}

void TCustomGrid::GridMouseDown(Qt::MouseButton Button, TShiftState Shift, int X, int Y)
{
    if (!(FComponentState & csDesigning) && focusPolicy() != Qt::NoFocus && !IsActiveControl())
        setFocus(Qt::MouseFocusReason);
    FLastMousePos = QPoint(X, Y);
    if (Button != Qt::LeftButton)
        return;
    if (Shift & ssDouble) {
        DblClick();
        return;
    }
    TGridDrawInfo di;
    CalcDrawInfo(di);
    CalcSizingState(X, Y, FGridState, FSizingIndex, FSizingPos, FSizingOfs, di);
    if (FGridState != gsNormal) {
        viewport()->update();
        return;
    }
    const TGridCoord hit = CalcCoordFromPoint(X, Y, di);
    if (hit.X >= FFixedCols && hit.Y >= FFixedRows && hit.X < FColCount && hit.Y < FRowCount) {
        if (FOptions & goEditing) {
            if (hit == FCurrent)
                ShowEditor();
            else {
                MoveCurrent(hit.X, hit.Y, true, true);
                UpdateEditor();
            }
            Click();
        } else {
            FGridState = gsSelecting;
            StartScrollTimer();
            if (Shift & ssShift)
                MoveAnchor(hit);
            else
                MoveCurrent(hit.X, hit.Y, true, true);
        }
        return;
    }
    if (hit.X >= 0 && hit.Y >= 0)
        SetHotTrackCell(hit, true);
    if ((FOptions & goRowMoving) && hit.X >= 0 && hit.X < FFixedCols && hit.Y >= FFixedRows) {
        FMoveIndex = hit.Y;
        FMovePos = FMoveIndex;
        if (BeginRowDrag(FMoveIndex, FMovePos, QPoint(X, Y))) {
            FGridState = gsRowMoving;
            StartScrollTimer();
        }
    } else {
        StartColumnMove(X, Y);
    }
}

bool TCustomGrid::StartColumnMove(int X, int Y)
{
    if (FGridState != gsNormal)
        return false;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const TGridCoord hit = CalcCoordFromPoint(X, Y, di);
    if (!(FOptions & goColMoving) || hit.Y < 0 || hit.Y >= FFixedRows || hit.X < FFixedCols)
        return false;
    FMoveIndex = hit.X;
    FMovePos = FMoveIndex;
    if (!BeginColumnDrag(FMoveIndex, FMovePos, QPoint(X, Y)))
        return false;
    FGridState = gsColMoving;
    StartScrollTimer();
    return true;
}

void TCustomGrid::MoveAndScroll(int Mouse, int CellHit, TGridDrawInfo& DrawInfo, bool Horizontal,
                                const QPoint& MousePt)
{
    const TGridAxisDrawInfo* axis = Horizontal ? &DrawInfo.Horz : &DrawInfo.Vert;
    if (CellHit == FMovePos)
        return;
    if (FMovePos == axis->FixedCellCount && Mouse < axis->FixedBoundary)
        return;
    if (FMovePos == axis->GridCellCount - 1 && Mouse > axis->GridBoundary)
        return;
    if (Mouse < axis->FixedBoundary) {
        if (FMovePos > axis->FixedCellCount) {
            if (Horizontal)
                WMHScroll(scLineUp, 0);
            else
                WMVScroll(scLineUp, 0);
            UpdateScrollPos();
            CalcDrawInfo(DrawInfo);
        }
        CellHit = axis->FirstGridCell;
    } else if (Mouse >= axis->FullVisBoundary) {
        if (FMovePos == axis->LastFullVisibleCell && FMovePos < axis->GridCellCount - 1) {
            if (Horizontal)
                WMHScroll(scLineDown, 0);
            else
                WMVScroll(scLineDown, 0);
            UpdateScrollPos();
            CalcDrawInfo(DrawInfo);
        }
        CellHit = axis->LastFullVisibleCell;
    } else if (CellHit < 0) {
        CellHit = FMovePos;
    }
    const bool accepted = FGridState == gsColMoving ? CheckColumnDrag(FMoveIndex, CellHit, MousePt)
                                                    : CheckRowDrag(FMoveIndex, CellHit, MousePt);
    if (accepted && CellHit != FMovePos) {
        FMovePos = CellHit;
        viewport()->update();
    }
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y)
{
    GridMouseMove(Shift, X, Y);
    if (OnMouseMove)
        OnMouseMove(Shift, X, Y);
}

void TCustomGrid::GridMouseMove(TShiftState Shift, int X, int Y)
{
    FLastMousePos = QPoint(X, Y);
    TGridDrawInfo di;
    CalcDrawInfo(di);
    switch (FGridState) {
    case gsSelecting:
    case gsColMoving:
    case gsRowMoving: {
        const TGridCoord hit = CalcCoordFromPoint(X, Y, di);
        if (FGridState == gsSelecting) {
            if (hit.X >= FFixedCols && hit.Y >= FFixedRows && hit.X <= di.Horz.LastFullVisibleCell + 1 &&
                hit.Y <= di.Vert.LastFullVisibleCell + 1 && hit.X < FColCount && hit.Y < FRowCount &&
                !(hit == FAnchor))
                MoveAnchor(hit);
        } else if (FGridState == gsColMoving) {
            MoveAndScroll(X, hit.X, di, true, QPoint(X, Y));
        } else {
            MoveAndScroll(Y, hit.Y, di, false, QPoint(X, Y));
        }
        break;
    }
    case gsColSizing: FSizingPos = X + FSizingOfs; viewport()->update(); break;
    case gsRowSizing: FSizingPos = Y + FSizingOfs; viewport()->update(); break;
    case gsNormal:
        if (!(Shift & (ssLeft | ssRight | ssMiddle))) {
            UpdateSizingCursor(X, Y);
            const TGridCoord hit = MouseCoord(X, Y);
            const bool fixedCell = hit.X >= 0 && (hit.X < FFixedCols || hit.Y < FFixedRows);
            SetHotTrackCell(fixedCell ? hit : TGridCoord{-1, -1}, false);
        }
        break;
    }
}

int TCustomGrid::ResizeLine(const TGridAxisDrawInfo& AxisInfo) const
{
    int start = LinePos(AxisInfo, FSizingIndex);
    if (start < 0)
        start = 0;
    return FSizingPos - start;
}

void TCustomGrid::MouseUp(Qt::MouseButton Button, TShiftState Shift, int X, int Y)
{
    GridMouseUp(Button, Shift, X, Y);
    if (OnMouseUp)
        OnMouseUp(Button, Shift, X, Y);
}

void TCustomGrid::GridMouseUp(Qt::MouseButton /*Button*/, TShiftState Shift, int X, int Y)
{
    // The state is back to normal on every path.
    struct StateReset
    {
        TCustomGrid* Grid;
        ~StateReset()
        {
            Grid->FGridState = gsNormal;
            Grid->FMovePos = -1;
        }
    } reset{this};

    const TGridState state = FGridState;
    switch (state) {
    case gsSelecting:
        GridMouseMove(Shift, X, Y);
        StopScrollTimer();
        UpdateEditor();
        Click();
        break;
    case gsColSizing:
    case gsRowSizing: {
        TGridDrawInfo di;
        CalcDrawInfo(di);
        viewport()->update();
        if (state == gsColSizing) {
            const int newSize = ResizeLine(di.Horz);
            if (newSize > 1)
                SetColWidths(FSizingIndex, newSize);
        } else {
            const int newSize = ResizeLine(di.Vert);
            if (newSize > 1)
                SetRowHeights(FSizingIndex, newSize);
        }
        break;
    }
    case gsColMoving:
        StopScrollTimer();
        viewport()->update();
        if (EndColumnDrag(FMoveIndex, FMovePos, QPoint(X, Y)) && FMovePos >= 0 && FMoveIndex != FMovePos)
            MoveColumn(FMoveIndex, FMovePos);
        UpdateEditor();
        break;
    case gsRowMoving:
        StopScrollTimer();
        viewport()->update();
        if (EndRowDrag(FMoveIndex, FMovePos, QPoint(X, Y)) && FMovePos >= 0 && FMoveIndex != FMovePos)
            MoveRow(FMoveIndex, FMovePos);
        UpdateEditor();
        break;
    default: UpdateEditor(); break;
    }
    if (FHotTrackPressed)
        SetHotTrackCell(FHotTrackCell, false);
}

void TCustomGrid::SetHotTrackCell(const TGridCoord& Cell, bool Pressed)
{
    if (Cell == FHotTrackCell && Pressed == FHotTrackPressed)
        return;
    if (FHotTrackCell.X >= 0)
        InvalidateCell(FHotTrackCell.X, FHotTrackCell.Y);
    FHotTrackCell = Cell;
    FHotTrackPressed = Pressed && Cell.X >= 0;
    if (Cell.X >= 0)
        InvalidateCell(Cell.X, Cell.Y);
}

TGridState TCustomGrid::CheckSizingState(int X, int Y)
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridState state = gsNormal;
    int index = -1, pos = 0, ofs = 0;
    CalcSizingState(X, Y, state, index, pos, ofs, di);
    return state;
}

void TCustomGrid::UpdateSizingCursor(int X, int Y)
{
    const TGridState state = CheckSizingState(X, Y);
    if (state == gsColSizing)
        viewport()->setCursor(Qt::SplitHCursor);
    else if (state == gsRowSizing)
        viewport()->setCursor(Qt::SplitVCursor);
    else
        viewport()->unsetCursor();
}

void TCustomGrid::TimedScroll(TGridScrollDirection Direction)
{
    TGridCoord newAnchor = FAnchor;
    if ((Direction & sdLeft) && FAnchor.X > FFixedCols)
        --newAnchor.X;
    if ((Direction & sdRight) && FAnchor.X < FColCount - 1)
        ++newAnchor.X;
    if ((Direction & sdUp) && FAnchor.Y > FFixedRows)
        --newAnchor.Y;
    if ((Direction & sdDown) && FAnchor.Y < FRowCount - 1)
        ++newAnchor.Y;
    if (!(newAnchor == FAnchor))
        MoveAnchor(newAnchor);
}

void TCustomGrid::ScrollTimerTick()
{
    if (FGridState != gsSelecting && FGridState != gsColMoving && FGridState != gsRowMoving) {
        StopScrollTimer();
        return;
    }
    const QPoint pt = FLastMousePos;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const TGridCoord hit = CalcCoordFromPoint(pt.x(), pt.y(), di);
    switch (FGridState) {
    case gsColMoving: MoveAndScroll(pt.x(), hit.X, di, true, pt); break;
    case gsRowMoving: MoveAndScroll(pt.y(), hit.Y, di, false, pt); break;
    default: {
        TGridScrollDirection dir;
        if (pt.x() < di.Horz.FixedBoundary)
            dir |= sdLeft;
        else if (pt.x() > di.Horz.FullVisBoundary)
            dir |= sdRight;
        if (pt.y() < di.Vert.FixedBoundary)
            dir |= sdUp;
        else if (pt.y() > di.Vert.FullVisBoundary)
            dir |= sdDown;
        if (dir)
            TimedScroll(dir);
        break;
    }
    }
}

// ---- Wheel --------------------------------------------------------------------

bool TCustomGrid::DoMouseWheel(TShiftState Shift, int WheelDelta_, const QPoint& MousePos)
{
    bool handled = false;
    if (OnMouseWheel)
        OnMouseWheel(Shift, WheelDelta_, MousePos, handled);
    if (handled)
        return true;
    FWheelAccumulator += WheelDelta_;
    while (std::abs(FWheelAccumulator) >= WheelDelta) {
        if (FWheelAccumulator < 0) {
            FWheelAccumulator += WheelDelta;
            handled = DoMouseWheelDown(Shift, MousePos);
        } else {
            FWheelAccumulator -= WheelDelta;
            handled = DoMouseWheelUp(Shift, MousePos);
        }
    }
    return handled;
}

bool TCustomGrid::DoMouseWheelDown(TShiftState Shift, const QPoint& MousePos)
{
    bool handled = false;
    if (OnMouseWheelDown)
        OnMouseWheelDown(Shift, MousePos, handled);
    if (!handled) {
        if (FCurrent.Y < FRowCount - 1)
            SetRow(FCurrent.Y + 1);
        handled = true;
    }
    return handled;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState Shift, const QPoint& MousePos)
{
    bool handled = false;
    if (OnMouseWheelUp)
        OnMouseWheelUp(Shift, MousePos, handled);
    if (!handled) {
        if (FCurrent.Y > FFixedRows)
            SetRow(FCurrent.Y - 1);
        handled = true;
    }
    return handled;
}

// ---- Qt event translation -----------------------------------------------------

void TCustomGrid::mousePressEvent(QMouseEvent* Event)
{
    const QPoint p = Event->position().toPoint();
    GuardEvent(this, [&] { MouseDown(Event->button(), ShiftStateFrom(Event->modifiers(), Event->buttons()), p.x(), p.y()); });
    Event->accept();
}

void TCustomGrid::mouseDoubleClickEvent(QMouseEvent* Event)
{
    const QPoint p = Event->position().toPoint();
    GuardEvent(this, [&] {
        MouseDown(Event->button(), ShiftStateFrom(Event->modifiers(), Event->buttons(), true), p.x(), p.y());
    });
    Event->accept();
}

void TCustomGrid::mouseMoveEvent(QMouseEvent* Event)
{
    const QPoint p = Event->position().toPoint();
    GuardEvent(this, [&] { MouseMove(ShiftStateFrom(Event->modifiers(), Event->buttons()), p.x(), p.y()); });
    Event->accept();
}

void TCustomGrid::mouseReleaseEvent(QMouseEvent* Event)
{
    const QPoint p = Event->position().toPoint();
    GuardEvent(this, [&] { MouseUp(Event->button(), ShiftStateFrom(Event->modifiers(), Event->buttons()), p.x(), p.y()); });
    Event->accept();
}

void TCustomGrid::enterEvent(QEnterEvent* Event)
{
    QAbstractScrollArea::enterEvent(Event);
    GuardEvent(this, [&] {
        if (OnMouseEnter)
            OnMouseEnter();
    });
}

void TCustomGrid::contextMenuEvent(QContextMenuEvent* Event)
{
    // A press that started moving a column or row (with the right button)
    // opens no menu.
    if (FGridState == gsColMoving || FGridState == gsRowMoving) {
        Event->accept();
        return;
    }
    bool shown = false;
    GuardEvent(this, [&] { shown = ContextPopup(Event->pos().x(), Event->pos().y()); });
    if (shown) {
        Event->accept();
        return;
    }
    if (!FPopupMenu) {
        QAbstractScrollArea::contextMenuEvent(Event);
        return;
    }
    FPopupMenu->popup(Event->globalPos());
    Event->accept();
}

void TCustomGrid::leaveEvent(QEvent* Event)
{
    QAbstractScrollArea::leaveEvent(Event);
    GuardEvent(this, [&] {
        if (OnMouseLeave)
            OnMouseLeave();
    });
}

void TCustomGrid::wheelEvent(QWheelEvent* Event)
{
    const int delta = Event->angleDelta().y();
    if (delta == 0) {
        Event->ignore();
        return;
    }
    GuardEvent(this, [&] { DoMouseWheel(ShiftStateFrom(Event->modifiers(), Event->buttons()), delta, Event->position().toPoint()); });
    Event->accept();
}

void TCustomGrid::resizeEvent(QResizeEvent* Event)
{
    QAbstractScrollArea::resizeEvent(Event);
    GuardEvent(this, [this] {
        UpdateScrollRange();
        UpdateEditor();
    });
}

void TCustomGrid::showEvent(QShowEvent* Event)
{
    GuardEvent(this, [this] { HandleNeeded(); });
    QAbstractScrollArea::showEvent(Event);
    if (!FScreenConnection) {
        if (QWindow* w = window()->windowHandle())
            FScreenConnection =
                connect(w, &QWindow::screenChanged, this, [this] { GuardEvent(this, [this] { CheckPPI(); }); });
    }
    GuardEvent(this, [this] { CheckPPI(); });
}

void TCustomGrid::focusInEvent(QFocusEvent* Event)
{
    QAbstractScrollArea::focusInEvent(Event);
    GuardEvent(this, [this] {
        InvalidateRect(GetSelection());
        if (!FInplaceEdit || !FInplaceEdit->hasFocus())
            UpdateEditor();
    });
}

void TCustomGrid::focusOutEvent(QFocusEvent* Event)
{
    QAbstractScrollArea::focusOutEvent(Event);
    GuardEvent(this, [this] { InvalidateRect(GetSelection()); });
}

bool TCustomGrid::viewportEvent(QEvent* Event)
{
    if (Event->type() == QEvent::Leave && FGridState == gsNormal)
        SetHotTrackCell({-1, -1}, false);
    return QAbstractScrollArea::viewportEvent(Event);
}

bool TCustomGrid::event(QEvent* Event)
{
    if (Event->type() == QEvent::ScreenChangeInternal)
        GuardEvent(this, [this] { CheckPPI(); });
    return QAbstractScrollArea::event(Event);
}

} // namespace zdb

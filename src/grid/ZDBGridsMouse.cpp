// The pointer and the wheel. A press goes through fixed steps (double click,
// sizing dividers, title buttons, selection and movement, drag-scrolling); the
// left release is dispatched by the part of the grid it lies on (data cell,
// indicator, total row, title, header band, corner) to a notification that
// fires its event. The wheel and the scroll modes move the record through
// MoveBy. The base grid's hooks report the current column entered and left,
// columns dragged (kept inside their group), moved, sized and scrolled, and
// rows sized.
//
// A title click toggles the title's sort marker (with dgMarkerAutoToggle and
// the title's AutoToggle) before TitleClick.

#include "ZDBGrids.h"
#include "ZDBToolMenu.h"

#include "AppExceptions.h"

#include <QApplication>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace zdb {

// ---- Notifications -----------------------------------------------------------------

void TZCustomDBGrid::TitleClick(TZColumn* Column)
{
    FireEvent(OnTitleClick, this, Column);
}

void TZCustomDBGrid::CellClick(TZColumn* Column)
{
    if (Column && Column->GetCheckBox() && (!Column->GetField() || (FOptions & dgEditing)) &&
        Column->GetShowEdit()) {
        const TCheckBoxToggle toggle = Column->GetCheckBoxToggle();
        if (toggle == ctOnCellClick || (toggle == ctSelectClick && FSelectClick)) {
            Column->ToggleCheckBoxValue();
            return;
        }
    }
    FireEvent(OnCellClick, this, Column);
}

void TZCustomDBGrid::CellDblClick(TZColumn* Column)
{
    if (OnCellDblClick)
        OnCellDblClick(this, Column);
    else
        DblClick();
}

void TZCustomDBGrid::CellExpand(TZColumn* Column)
{
    FireEvent(OnCellExpand, this, Column);
}

void TZCustomDBGrid::ExpandClick(TZColumn* Column)
{
    // The auto-filter button opens the list where the styles allow it, else the form.
    if (Column->HasAutoFilterButton() && FFilter) {
        const TFilterStyles styles = FFilter->GetAutoFilters() & Column->Title()->GetAutoFilters();
        if (styles.Contains(fsFilterList) ? DropDownList(Column, true) : DropDownForm(Column, true))
            return;
    } else if (Column->GetExpandStyle() == cesFilterList || Column->GetExpandStyle() == cesFilterForm) {
        if (Column->GetField()) {
            const TFilterStyle style = Column->GetExpandStyle() == cesFilterList ? fsFilterList : fsFilterForm;
            WithEditorHidden([&] { DropDownAutoFilter(Column, style); });
            return;
        }
    }
    if (!Column->HasAutoFilterButton()) {
        switch (Column->GetExpandStyle()) {
        case cesAuto:
            if (Column->Expandable())
                Column->SetExpanded(!Column->GetExpanded());
            break;
        case cesDropDownMenu:
            if (QMenu* menu = Column->GetDropDownMenu(); menu && DropDownMenu(Column, true, menu))
                return;
            break;
        default: break;
        }
    }
    if (!OnExpandClick)
        return;
    WithEditorHidden([&] { OnExpandClick(this, Column); });
}

void TZCustomDBGrid::HeaderClick(TZColumn* Column, int Band)
{
    FireEvent(OnHeaderClick, this, Column, Band);
}

void TZCustomDBGrid::IndicatorClick()
{
    FireEvent(OnIndicatorClick, this);
}

void TZCustomDBGrid::FillerClick()
{
    // FillerIndex -22 switches the auto-filter unless the application takes the click.
    if (FFillerIndex == -22 && !OnFillerClick && FFilter) {
        FFilter->SetAutoFilter(!FFilter->GetAutoFilter());
        return;
    }
    // Below the corner, which spans every title row: the filler's own menu,
    // else the tool menu.
    if (FFillerIndex == -7 && (FFillerPopupMenu || FFillerToolMenu) &&
        DropDownMenu(nullptr, true, FFillerPopupMenu ? FFillerPopupMenu.data() : GetToolMenu()))
        return;
    if (OnFillerClick)
        OnFillerClick(this);
}

bool TZCustomDBGrid::ContextPopup(int X, int Y)
{
    if (IsDesigning())
        return false;
    const TGridCoord cell = MouseCoord(X, Y);
    const bool corner = cell.X >= 0 && cell.X < FIndicatorOffset && cell.Y >= 0 && cell.Y < FTitleRowCount;
    bool wanted = false;
    if (corner) {
        wanted = FFillerToolMenu && !FFillerPopupMenu;
    } else if (FPopupToolMenu && !GetPopupMenu()) {
        // Another menu of the place under the pointer goes first.
        const bool title = cell.Y >= 0 && cell.Y < FTitleRowCount;
        const bool indicator = cell.X >= 0 && cell.X < FIndicatorOffset;
        const TZColumn* column = cell.X >= FIndicatorOffset ? ColumnOfRaw(cell.X) : nullptr;
        wanted = !(indicator && FIndicatorPopupMenu) &&
                 !(column && (column->GetPopupMenu() || (title && column->Title()->GetPopupMenu())));
    }
    if (!wanted)
        return false;
    GetToolMenu()->popup(viewport()->mapToGlobal(QPoint(X, Y)));
    return true;
}

void TZCustomDBGrid::TotalClick(TZColumn* Column, int Row)
{
    FireEvent(OnTotalClick, this, Column, Row);
}

void TZCustomDBGrid::ColEnter()
{
    if (FOptions & dgAlwaysShowEditor) {
        if (!CanEditShow())
            HideEditor();
        else
            ShowEditor();
    }
    UpdateInputMethod();
    FireEvent(OnColEnter, this);
}

void TZCustomDBGrid::ColExit()
{
    SearchColExit();
    FireEvent(OnColExit, this);
}

void TZCustomDBGrid::ColumnMoving(int FromIndex, int ToIndex, bool& Allowed)
{
    FireEvent(OnColumnMoving, this, FromIndex, ToIndex, Allowed);
}

void TZCustomDBGrid::ColumnResize(TZColumn* Column)
{
    FireEvent(OnColumnResize, this, Column);
}

void TZCustomDBGrid::ColumnScroll()
{
    FireEvent(OnColumnScroll, this);
}

void TZCustomDBGrid::RowResize(int Row)
{
    FireEvent(OnRowResize, this, Row);
}

// ---- Base hooks ----------------------------------------------------------------------

void TZCustomDBGrid::TopLeftChanged()
{
    TCustomGrid::TopLeftChanged();
    if (IsDestroying() || GetLeftCol() == std::exchange(FScrolledLeftCol, GetLeftCol()))
        return;
    ColumnScroll();
}

void TZCustomDBGrid::SelectionMoved(const TGridRect& OldSel)
{
    TCustomGrid::SelectionMoved(OldSel);
    if (std::exchange(FColChanging, false) && !IsDestroying())
        ColEnter();
    GridAccessibleCurrentChanged(this);
}

// ---- Wheel ----------------------------------------------------------------------------

int TZCustomDBGrid::MouseWheelScrollRows(TShiftState Shift) const
{
    if (Shift & ssCtrl)
        return 1;
    if ((Shift & ssShift) || ScrollPageMode())
        return VisibleRowCount();
    if (FWheelScrollRows >= 1)
        return FWheelScrollRows;
    if (FWheelScrollRows == 0)
        return std::max(QApplication::wheelScrollLines(), 1);
    return FDataLink ? std::max(FDataLink->BufferCount(), 1) : 1;
}

bool TZCustomDBGrid::CancelUntouchedInsert(bool Forward)
{
    TDataSet* dataSet = FDataLink->DataSet();
    if (dataSet->State() != dsInsert || dataSet->Modified() || FDataLink->GetModified())
        return false;
    // At the end of the data the new record stays where it is.
    if (!(Forward && dataSet->Eof()))
        FDataLink->Cancel();
    return true;
}

void TZCustomDBGrid::WheelNotch(TShiftState Shift, const QPoint& MousePos, bool Down)
{
    bool handled = false;
    if (const auto& event = Down ? OnMouseWheelDown : OnMouseWheelUp)
        event(Shift, MousePos, handled);
    if (!handled && FDataLink && FDataLink->Active() && !CancelUntouchedInsert(Down))
        MoveBy(Down ? MouseWheelScrollRows(Shift) : -MouseWheelScrollRows(Shift), ScrollRowsMode());
}

bool TZCustomDBGrid::DoMouseWheelDown(TShiftState Shift, const QPoint& MousePos)
{
    WheelNotch(Shift, MousePos, true);
    return true;
}

bool TZCustomDBGrid::DoMouseWheelUp(TShiftState Shift, const QPoint& MousePos)
{
    WheelNotch(Shift, MousePos, false);
    return true;
}

// ---- Points ----------------------------------------------------------------------------

TGridCoord TZCustomDBGrid::MouseCoord(int X, int Y) const
{
    TGridCoord cell = TCustomGrid::MouseCoord(X, Y);
    if (cell.Y >= 0 && cell.Y < FTitleRowCount && cell.X >= FIndicatorOffset)
        if (TZColumn* column = ColumnAtDepth(ColumnOfRaw(cell.X), cell.Y))
            cell.X = DataToRawColumn(column->Index());
    return cell;
}

bool TZCustomDBGrid::MouseInMargin(int X, int Y) const
{
    const TGridCoord cell = TCustomGrid::MouseCoord(X, Y);
    if (cell.Y < FTitleRowCount || cell.Y >= GetRowCount() - FBottomRowCount)
        return false;
    TZColumn* column = ColumnOfRaw(cell.X);
    if (!column || column->GetImageMargin() <= 0)
        return false;
    const QRect rect = CellRect(cell.X, cell.Y);
    if (isRightToLeft())
        return X >= rect.left() + rect.width() - column->GetImageMargin();
    return X < rect.left() + column->GetImageMargin();
}

bool TZCustomDBGrid::PtInExpandButton(int X, int Y, TZColumn*& Column) const
{
    Column = nullptr;
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.Y < 0 || cell.Y >= FTitleRowCount)
        return false;
    TZColumn* column = ColumnOfRaw(cell.X);
    if (!column || !column->HasAutoFilterButton())
        return false;
    TZColumn* master = nullptr;
    const QRect title = CalcTitleRect(column, cell.Y, master);
    if (master != column)
        return false;
    Column = column;
    return AutoFilterButtonRect(column, TitleCaptionRect(column, cell.Y, title)).contains(X, Y);
}

// ---- Sizing and column dragging --------------------------------------------------------

void TZCustomDBGrid::CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos, int& SizingOfs,
                                     TGridDrawInfo& FixedInfo)
{
    TCustomGrid::CalcSizingState(X, Y, State, Index, SizingPos, SizingOfs, FixedInfo);
    FSizingColumn = -1;
    bool allowed = false;
    if (State == gsColSizing) {
        // A column is sized only below the titles that span it and off its header bands.
        TZColumn* column = ColumnOfRaw(Index);
        const int row = TCustomGrid::MouseCoord(X, Y).Y;
        allowed = (FResizeOptions & roColumnResize) && column && row >= 0 && column->Depth() <= row &&
                  HeaderRow(Y, column) < 0;
        if (allowed)
            FSizingColumn = column->Index();
    } else if (State == gsRowSizing) {
        // The bottom block (blank and total rows) is not sized.
        allowed = !(FDataLink && FDataLink->Editing()) && Index < GetRowCount() - FBottomRowCount;
    }
    if (!allowed) {
        State = gsNormal;
        Index = -1;
    }
}

bool TZCustomDBGrid::BeginColumnDrag(int& Origin, int& Destination, const QPoint& MousePt)
{
    FDragColumn = -1;
    if (!(FResizeOptions & roColumnMoving) || !TCustomGrid::BeginColumnDrag(Origin, Destination, MousePt))
        return false;
    const int row = TCustomGrid::MouseCoord(MousePt.x(), MousePt.y()).Y;
    TZColumn* column = ColumnAtDepth(ColumnOfRaw(Origin), row);
    if (!column || row < 0 || HeaderRow(MousePt.y(), column) >= 0)
        return false;
    if (FColumns->State() != csCustomized && !column->GetField())
        return false;
    FDragColumn = column->Index();
    Origin = Destination = DataToRawColumn(FDragColumn);
    InvalidateEditor();
    return true;
}

bool TZCustomDBGrid::CheckColumnDrag(int& Origin, int& Destination, const QPoint& MousePt)
{
    if (!TCustomGrid::CheckColumnDrag(Origin, Destination, MousePt) || !FColumns || FDragColumn < 0 ||
        FDragColumn >= FColumns->Count())
        return false;
    const int count = FColumns->Count();
    TZColumn* dragged = (*FColumns)[FDragColumn];
    TZColumn* parent = dragged->ParentColumn();
    const int depth = dragged->Depth();
    int target = std::clamp(RawToDataColumn(Destination), 0, count - 1);
    // The destination is a column of the same depth under the same parent.
    TZColumn* peer = ColumnAtDepth((*FColumns)[target], depth);
    if (target > FDragColumn) {
        if (!peer || peer->ParentColumn() != parent) {
            // Right past the group: back to its last member.
            while (target > FDragColumn && (*FColumns)[target]->ParentColumn() != parent)
                --target;
            peer = (*FColumns)[target];
        }
        target = std::max(peer->Index(), peer->ExpandIndex());
    } else if (target < FDragColumn) {
        if (peer && peer->ParentColumn() == parent)
            target = peer->Index();
        else if (parent)
            target = parent->Index() + 1; // left past the group: its first member
    }
    Destination = DataToRawColumn(std::clamp(target, 0, count - 1));
    return true;
}

bool TZCustomDBGrid::EndColumnDrag(int& Origin, int& Destination, const QPoint& MousePt)
{
    const bool result = TCustomGrid::EndColumnDrag(Origin, Destination, MousePt);
    FDragColumn = -1;
    return result;
}

// ---- Drag-scrolling --------------------------------------------------------------------

void TZCustomDBGrid::StartScrollTracking()
{
    TDataSet* dataSet = DataSet();
    const bool active = FDataLink && FDataLink->Active();
    FScrollTracking = true;
    FScrollUnselect = (FOptions & dgAutoUnselectOff) && active && RowsSelection() && !IsRowSelected();
    // How far the current record lies from the anchor, in the dataset's order.
    FScrollAnchorOffset = 0;
    if (active && (FOptions & dgMultiSelect) && RowsSelection() && !FSelectionAnchor.isEmpty() &&
        dataSet->CompareBookmarks(dataSet->Bookmark(), FSelectionAnchor) != 0 &&
        dataSet->BookmarkValid(FSelectionAnchor)) {
        const int here = dataSet->RecNo();
        int there = -1;
        {
            TZPositionGuard position(this);
            dataSet->GotoBookmark(FSelectionAnchor);
            there = dataSet->RecNo();
        }
        FScrollAnchorOffset = here > 0 && there > 0 ? here - there : CompareRows();
    }
    if (!FMouseScrollTimer) {
        FMouseScrollTimer = new QTimer(this);
        FMouseScrollTimer->setInterval(60);
        connect(FMouseScrollTimer, &QTimer::timeout, this, [this] {
            GuardEvent(this, [this] {
                // Resting beyond the data rows, the pointer keeps scrolling.
                if (!FScrollTracking || !FDataLink || !FDataLink->Active())
                    return;
                const int bottom = GetClientHeight() - TotalHeight() - BlankHeight();
                if (FScrollPoint.y() < TitleHeight())
                    ScrollToRowBy(-1);
                else if (FScrollPoint.y() >= bottom)
                    ScrollToRowBy(1);
            });
        });
    }
    FMouseScrollTimer->start();
}

void TZCustomDBGrid::StopScrollTracking()
{
    FScrollTracking = false;
    if (FMouseScrollTimer)
        FMouseScrollTimer->stop();
}

void TZCustomDBGrid::ScrollToCellAt(int X, int Y, bool OnlyChanged)
{
    TZSelectGuard bracket(this);
    if (!OnlyChanged || X != FScrollPoint.x())
        ScrollToColAt(X, Y);
    if (!OnlyChanged || Y != FScrollPoint.y())
        ScrollToRowAt(X, Y);
}

void TZCustomDBGrid::ScrollToColAt(int X, int Y)
{
    if (FOptions & dgRowSelect)
        return;
    const int col = TCustomGrid::MouseCoord(X, std::clamp(Y, 0, std::max(GetClientHeight() - 1, 0))).X;
    if (col < 0)
        return;
    if (col != GetCol() && col >= TCustomGrid::GetFixedCols()) {
        TGridDrawInfo drawInfo;
        CalcDrawInfo(drawInfo);
        if (col > drawInfo.Horz.LastFullVisibleCell)
            return;
        MoveCol(col, 1);
        ExtendColumnRange(GetCol());
    } else if (col >= FIndicatorOffset + FSelectionOffset) {
        ExtendColumnRange(col);
    }
}

void TZCustomDBGrid::ExtendColumnRange(int RawCol)
{
    if (!(FOptions & dgMultiSelect) || !ColsSelection() || !FScrollTracking)
        return;
    TZSelectGuard bracket(this);
    SetSelectionEndCol(RawToDataColumn(RawCol));
    CheckIsAnyRowSelected();
}

void TZCustomDBGrid::ScrollToRowAt(int /*X*/, int Y)
{
    const int rowHeight = RowHeight();
    if (rowHeight <= 0)
        return;
    const int top = TitleHeight();
    const int bottom = std::max(top, GetClientHeight() - TotalHeight() - BlankHeight() - 1);
    const int y = std::clamp(Y, top, bottom);
    const int distance = (y - top) / rowHeight + FTitleRowCount - GetRow();
    if (distance != 0)
        ScrollToRowBy(distance);
}

void TZCustomDBGrid::ScrollToRowBy(int N)
{
    if (!FDataLink || !FDataLink->Active())
        return;
    if (!((FOptions & dgMultiSelect) && RowsSelection() && FScrollTracking)) {
        FDataLink->MoveBy(N);
        return;
    }
    // Sweeping over records: away from the anchor each record reached is
    // marked, back toward it each record left is unmarked.
    TZSelectGuard bracket(this);
    TDataSet* dataSet = FDataLink->DataSet();
    auto mark = [this] { FScrollUnselect ? UnselectRow() : SelectRow(); };
    auto unmark = [this] { FScrollUnselect ? SelectRow() : UnselectRow(); };
    if (((FOptions & dgAutoUnselectOff) || (FOptionsEx & dgClickSelectOff)) && N != 0 && FScrollAnchorOffset == 0)
        mark();
    const int step = N > 0 ? 1 : -1;
    for (; N != 0; N -= step) {
        const bool towardAnchor = FScrollAnchorOffset * step < 0;
        if (towardAnchor)
            unmark();
        if (dataSet->MoveBy(step) == 0)
            break;
        FScrollAnchorOffset += step;
        if (!towardAnchor)
            mark();
    }
    FSelectionMoved = true;
}

// ---- Pointer ---------------------------------------------------------------------------

void TZCustomDBGrid::TrackButton(int X, int Y)
{
    if (!FTitleTracking || FTitlePressCol < 0)
        return;
    const TGridCoord base = TCustomGrid::MouseCoord(X, Y);
    const TGridCoord over = MouseCoord(X, Y);
    const bool inside = over.Y >= 0 && over.Y < FTitleRowCount && over.X == FTitlePressCol;
    if (inside)
        SetHotTrackCell(base, true);
    else
        SetHotTrackCell(FHotTrackCell, false);
}

void TZCustomDBGrid::MouseDown(Qt::MouseButton Button, TShiftState Shift, int X, int Y)
{
    // 1. Nothing without the focus.
    if (!AcquireFocus())
        return;
    FMouseShift = Shift;
    FSelectClick = false;
    FTitleTracking = false;
    FTitlePressCol = -1;
    AutoDropDownState(-1);
    const TGridCoord cell = MouseCoord(X, Y);
    const bool left = Button == Qt::LeftButton;
    const bool active = FDataLink && FDataLink->Active();
    const bool titleRow = cell.Y >= 0 && cell.Y < FTitleRowCount;
    const bool dataRow = cell.Y >= FTitleRowCount && cell.Y < GetRowCount() - FBottomRowCount;
    const TGridState sizing = CheckSizingState(X, Y);
    TZColumn* sizingColumn =
        FColumns && FSizingColumn >= 0 && FSizingColumn < FColumns->Count() ? (*FColumns)[FSizingColumn] : nullptr;

    // 2. Double click: optimal width on a divider, else a cell or the control.
    if (left && (Shift & ssDouble)) {
        if (sizing == gsColSizing && sizingColumn && (FResizeOptions & roOptimalWidth))
            sizingColumn->SetWidthBase(sizingColumn->OptimalWidth());
        else if (TZColumn* column = dataRow ? ColumnOfRaw(cell.X) : nullptr)
            CellDblClick(column);
        else
            DblClick();
        return;
    }
    // 3. The middle button on a divider: default width.
    if (Button == Qt::MiddleButton && sizing == gsColSizing && sizingColumn && (FResizeOptions & roDefaultWidth)) {
        sizingColumn->SetWidthBase(sizingColumn->DefaultWidth());
        return;
    }
    // 4. Sizing, or outside all cells: the base grid.
    if (left && (sizing != gsNormal || cell.X < 0 || cell.Y < 0)) {
        if (active)
            FDataLink->UpdateData();
        TCustomGrid::MouseDown(Button, Shift, X, Y);
        InvalidateEditor();
        return;
    }
    // With dgRightMoving the right button drags a title's column, kept in its
    // group like a left drag; the release of the button drops it.
    if (Button == Qt::RightButton && titleRow && (FOptions & dgRightMoving) && !IsDesigning()) {
        if (active)
            FDataLink->UpdateData();
        if (StartColumnMove(X, Y)) {
            if (OnMouseDown)
                OnMouseDown(Button, Shift, X, Y);
            return;
        }
    }
    // 5. dkDock: the fixed corner moves the dock widget the grid sits in.
    if (left && titleRow && cell.X < FIndicatorOffset && FDragKind == dkDock && !IsDesigning() &&
        StartDocking(X, Y)) {
        if (OnMouseDown)
            OnMouseDown(Button, Shift, X, Y);
        return;
    }
    if (left && titleRow)
        FTitlePressCol = cell.X;
    // 6. The expand button of a title without title buttons is clicked on release.
    TZColumn* expandColumn = nullptr;
    const bool onExpand = titleRow && PtInExpandButton(X, Y, expandColumn);
    if (onExpand && (IsDesigning() || !(FOptions & dgTitleButtons))) {
        if (IsDesigning() && expandColumn->Expandable())
            expandColumn->SetExpanded(!expandColumn->GetExpanded());
        return;
    }
    // 7. Title buttons follow the pointer until the release clicks them.
    if (left && titleRow && (FOptions & dgTitleButtons) && !IsDesigning() &&
        !(active && ExtendedSelect() && (Shift & ssShift))) {
        const bool corner = cell.X < FIndicatorOffset;
        TZColumn* column = corner ? nullptr : ColumnOfRaw(cell.X);
        const bool button = corner ? FFillerButton
                                   : column && (column->Title()->GetButton() || onExpand || HeaderRow(Y, column) >= 0);
        if (button) {
            FTitleTracking = true;
            if (active)
                FDataLink->UpdateData();
            InvalidateEditor();
            // A title button may still be dragged away as a column (by the
            // right button alone under dgRightMoving).
            if (onExpand || (FOptions & dgRightMoving)) {
                if (OnMouseDown)
                    OnMouseDown(Button, Shift, X, Y);
            } else {
                TCustomGrid::MouseDown(Button, Shift, X, Y);
            }
            TrackButton(X, Y);
            return;
        }
        if (FOptions & dgRightMoving) {
            if (OnMouseDown)
                OnMouseDown(Button, Shift, X, Y);
            return;
        }
    }
    // A press on a tree row's expand box goes to the row and toggles it (before
    // the selection, which would open the editor on the current cell).
    if (left && dataRow && active && FTreeView && TreeBoxPressed(cell, Shift, X, Y))
        return;
    // 9. DragRows: a press on a data cell right of the frozen columns drags
    // the rows once the pointer moves far enough (it does not drag-scroll).
    const bool rowDragPress = left && active && dataRow && FDragRows && FDragKind == dkDrag && !IsDesigning() &&
                              cell.X >= TCustomGrid::GetFixedCols();
    FRowDragEditor = FRowDragSelect = false;
    // 8. Selection and movement.
    if (active && cell.Y >= 0 && cell.Y < GetRowCount() - FBottomRowCount)
        SelectionMouseDown(cell, Button, Shift, X, Y, rowDragPress);
    FRowDragPending = rowDragPress;
    if (FRowDragPending)
        FDragStart = QPoint(X, Y);
    // 10. Drag-scrolling from the pressed point, right of the frozen columns
    // and below the titles.
    if (left && active && !FRowDragPending && (FOptionsExt & dgMouseScrolling) && !IsDesigning() &&
        (dataRow || (titleRow && FMultiSelect == msCols)) &&
        !((FOptions & dgMultiSelect) && ColsSelection() && (Shift & ssCtrl)) &&
        !(ExtendedSelect() && (Shift & ssAlt))) {
        StartScrollTracking();
        FScrollPoint = QPoint(X, Y);
        if (dataRow)
            ScrollToCellAt(std::max(X, FixedColsWidth()), Y, false);
        else
            ScrollToColAt(X, Y);
    }
    // The base grid prepares a column drag from a title.
    if (left && titleRow && !(FOptions & dgRightMoving))
        GridMouseDown(Button, Shift, X, Y);
    // 11.
    if (OnMouseDown)
        OnMouseDown(Button, Shift, X, Y);
}

void TZCustomDBGrid::SelectionMouseDown(const TGridCoord& Cell, Qt::MouseButton Button, TShiftState Shift, int X,
                                        int Y, bool RowDragPress)
{
    TZSelectGuard bracket(this);
    FDataLink->UpdateData();
    const bool wasCurrent = Cell.X == GetCol() && Cell.Y == GetRow();
    HideEditor();
    const bool dataRow = Cell.Y >= FTitleRowCount;
    if (dataRow && Cell.Y != GetRow()) {
        const int target = Cell.Y - FTitleRowCount;
        if (target < FDataLink->RecordCount())
            FDataLink->MoveBy(target - FDataLink->ActiveRecord());
    }
    if (!RowScroll() && Cell.X >= TCustomGrid::GetFixedCols())
        MoveCol(Cell.X, 0);

    const bool left = Button == Qt::LeftButton;
    const bool plainPress = !(Shift & (ssShift | ssCtrl | ssAlt));
    // A plain press on a selected row that may drag the rows keeps the
    // selection until it is released undragged.
    FRowDragSelect = RowDragPress && plainPress && dataRow && (FOptions & dgMultiSelect) && RowsSelection() &&
                     IsRowSelected();
    if ((FOptions & dgMultiSelect) && left && !FRowDragSelect) {
        const bool extended = FOptions & dgExtendedSelect;
        const bool autoUnselectOff = FOptions & dgAutoUnselectOff;
        const bool shift = Shift & ssShift, ctrl = Shift & ssCtrl, alt = Shift & ssAlt;
        const int dataCol = RawToDataColumn(Cell.X);
        const bool colsAllowed = FMultiSelectOptions.Contains(msCols);
        const bool rowsAllowed = FMultiSelectOptions.Contains(msRows);
        const bool plain = !shift && !ctrl && !alt;
        const bool rowMode = FMultiSelect == msRows;
        const bool cellsAllowed = FMultiSelectOptions.Contains(msCells);
        if (extended && dataRow && alt && shift) {
            SelectAll();
        } else if (extended && dataRow && alt && ctrl) {
            InvertAll();
        } else if ((extended || autoUnselectOff) && alt) {
            ClearSelection();
        } else if (dataRow && (ctrl || (autoUnselectOff && plain && rowMode && !cellsAllowed))) {
            if (FMultiSelect == msCols) {
                FSelectedCols->SetCurrentColSelected(!FSelectedCols->CurrentColSelected());
            } else if (rowMode) {
                InvertRow();
                SetSelectionAnchor(DataSet()->Bookmark());
            } else {
                ClearSelection();
            }
        } else if (dataRow && plain) {
            SelectPressedRow(dataCol);
        } else if (shift || (plain && !dataRow)) {
            if (!dataRow && !(FOptions & dgRowSelect) && Cell.X >= FIndicatorOffset + FSelectionOffset &&
                (colsAllowed || cellsAllowed)) {
                if (shift && FMultiSelect == msCols) {
                    SetSelectionEndCol(dataCol);
                } else {
                    ClearSelection();
                    SetSelectionColumn(true);
                    SetSelectionBegCol(dataCol);
                    SetSelectionEndCol(dataCol);
                }
            } else if (dataRow && !MultiSelected() && GetSelectionBegCol() < 0) {
                SetSelectionColumn(colsAllowed || !rowsAllowed);
                SetSelectionBegCol(dataCol);
            }
            if (dataRow && RowsSelection()) {
                // The rows from the anchor to the pressed record.
                const TBookmark anchor =
                    FSelectionAnchor.isEmpty() ? DataSet()->Bookmark() : TBookmark(FSelectionAnchor);
                if (!FSelectedRows->IsEmpty()) {
                    FSelectedRows->Clear();
                    InvalidateDataRows();
                    SelectionChanged(saClear);
                }
                SetSelectionAnchor(anchor);
                SelectRows();
            }
            if (dataRow && ColsSelection())
                SetSelectionEndCol(dataCol);
        }
    }
    // A press on the cell that was current already opens its editor (one
    // that may start a row drag does so when it is released undragged).
    if (left && wasCurrent && dataRow) {
        FSelectClick = true;
        if (RowDragPress)
            FRowDragEditor = true;
        else
            PressedCurrentCell(X, Y);
    }
    AlwaysShowEditor();
}

void TZCustomDBGrid::SelectPressedRow(int DataCol)
{
    ClearSelection();
    SetSelectionBegCol(DataCol);
    if (FOptionsEx & dgClickSelectOff) {
        if (FMultiSelect == msCells)
            SelectRow();
    } else {
        SetSelectionEndCol(DataCol);
        SelectRow();
        SetSelectionAnchor(DataSet()->Bookmark());
    }
}

void TZCustomDBGrid::PressedCurrentCell(int X, int Y)
{
    TZColumn* column = SelectedColumn();
    if (column && !column->GetCheckBox() && column->GetShowEdit() && !MouseInMargin(X, Y))
        ShowEditor();
    else
        InvalidateEditor();
}

void TZCustomDBGrid::MouseMove(TShiftState Shift, int X, int Y)
{
    FMouseShift = Shift;
    // A prepared row drag or a dock widget taken by the corner has the pointer.
    if (FRowDragPending || !FDockDrag.isNull()) {
        DragMouseMove(Shift, X, Y);
        if (OnMouseMove)
            OnMouseMove(Shift, X, Y);
        return;
    }
    TrackButton(X, Y);
    if (FScrollTracking) {
        if (Shift & ssLeft) {
            ScrollToCellAt(X, Y, true);
            if (QPoint(X, Y) != FScrollPoint) {
                FScrollPoint = QPoint(X, Y);
                if (FMouseScrollTimer)
                    FMouseScrollTimer->start();
            }
        } else {
            StopScrollTracking();
        }
    }
    // With mouse tracking the record under the pointer becomes current.
    if ((FOptionsExt & dgMouseTracking) && !IsDesigning() && GetGridState() == gsNormal && FDataLink &&
        FDataLink->Active() && !FTitleTracking && !FScrollTracking) {
        TInplaceEdit* editor = GetInplaceEditor();
        const bool editorClaims = editor && editor->isVisible() && editor->geometry().contains(X, Y);
        const TGridCoord cell = TCustomGrid::MouseCoord(X, Y);
        if (!editorClaims && cell.Y >= FTitleRowCount && cell.Y < GetRowCount() - FBottomRowCount) {
            ScrollToCellAt(X, Y, false);
            SetSelectionAnchor(TBookmark());
            FSelectionMoved = false;
        }
    }
    TCustomGrid::MouseMove(Shift, X, Y);
}

void TZCustomDBGrid::MouseUp(Qt::MouseButton Button, TShiftState Shift, int X, int Y)
{
    // 1. A release that ends moving the dock widget clicks nothing; one
    // before a prepared row drag started is a plain click.
    FMouseShift = Shift;
    const bool docking = !FDockDrag.isNull();
    const bool undragged = FRowDragPending;
    EndDragging();
    if (docking) {
        if (OnMouseUp)
            OnMouseUp(Button, Shift, X, Y);
        return;
    }
    if (undragged && Button == Qt::LeftButton && FDataLink && FDataLink->Active()) {
        TZSelectGuard bracket(this);
        if (std::exchange(FRowDragSelect, false))
            SelectPressedRow(RawToDataColumn(GetCol()));
        if (std::exchange(FRowDragEditor, false))
            PressedCurrentCell(X, Y);
    }
    AutoDropDownState(-1);
    FClickInMargin = MouseInMargin(X, Y);
    const bool tracked = std::exchange(FTitleTracking, false);
    const int pressed = std::exchange(FTitlePressCol, -1);
    if (Button == Qt::LeftButton)
        SetHotTrackCell({-1, -1}, false);
    // 2. Drag-scrolling ends where the pointer is released.
    bool scrolledOff = false;
    if (FScrollTracking) {
        ScrollToCellAt(X, Y, true);
        StopScrollTracking();
        scrolledOff = FSelectionMoved && (Y < TitleHeight() || Y >= GetClientHeight() - TotalHeight());
    }
    FSelectionMoved = false;
    // 3. The base grid's release; a release that ends a sizing is no click,
    // nor one inside the editor.
    const TGridState state = GetGridState();
    TCustomGrid::MouseUp(Button, Shift, X, Y);
    if (Button != Qt::LeftButton || state == gsColSizing || state == gsRowSizing || scrolledOff)
        return;
    if (TInplaceEdit* editor = GetInplaceEditor(); editor && editor->isVisible() && editor->geometry().contains(X, Y))
        return;
    // 4.
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.X < 0 || cell.Y < 0)
        return;
    if (cell.Y < FTitleRowCount) {
        TitleRowClicked(cell, pressed, tracked, Shift, X, Y);
        return;
    }
    const bool indicator = cell.X < FIndicatorOffset;
    const int firstBottom = GetRowCount() - FBottomRowCount;
    if (cell.Y >= firstBottom) {
        // The bottom block: the blank row, then the total rows.
        if (indicator)
            IndicatorClick();
        else if (TZColumn* column = ColumnOfRaw(cell.X); column && cell.Y > firstBottom)
            TotalClick(column, cell.Y - firstBottom - 1);
        return;
    }
    // A data row, unless the press was on a title.
    if (pressed >= 0)
        return;
    if (indicator) {
        IndicatorClick();
        return;
    }
    TZColumn* column = !RowScroll() && cell.X >= TCustomGrid::GetFixedCols() ? SelectedColumn() : ColumnOfRaw(cell.X);
    if (column)
        CellClick(column);
}

void TZCustomDBGrid::TitleRowClicked(const TGridCoord& Cell, int PressedCol, bool Tracked, TShiftState Shift, int X,
                                     int Y)
{
    const bool titleButtons = FOptions & dgTitleButtons;
    // A press elsewhere (or one that dragged a column away) clicks nothing;
    // with title buttons only a tracked press clicks.
    if (Cell.X != PressedCol)
        return;
    if (Cell.X < FIndicatorOffset) {
        if (!titleButtons || Tracked)
            FillerClick();
        return;
    }
    TZColumn* column = ColumnOfRaw(Cell.X);
    if (!column)
        return;
    if (const int band = HeaderRow(Y, column); band >= 0) {
        HeaderClick(column, band);
        return;
    }
    if (titleButtons && !Tracked)
        return;
    if (TZColumn* expand = nullptr; PtInExpandButton(X, Y, expand)) {
        ExpandClick(column);
        return;
    }
    // Shift-clicks select columns in a multi-selection (outside title-button mode).
    const bool selecting = !titleButtons && (FOptions & dgMultiSelect) && (Shift & ssShift);
    if ((FOptions & dgMarkerAutoToggle) && column->Title()->GetAutoToggle() && !selecting) {
        // A pending edit is written first: when it cannot be, the markers stay
        // as they are and the error reaches the application's handler.
        if (FDataLink && FDataLink->Active())
            FDataLink->DataSet()->CheckBrowseMode();
        column->Title()->ToggleMarker(!(Shift & ssCtrl));
    }
    TitleClick(column);
}

} // namespace zdb

// Clicks and column changes: the left release is dispatched by the part of the
// grid it lies on (data cell, indicator, total row, title, header band, corner)
// to a notification that fires its event; a double click on a data cell is a
// cell double click; the base grid's hooks report the current column entered
// and left, columns moved, sized and scrolled, and rows sized.
//
// A title click toggles the title's sort marker (with dgMarkerAutoToggle and
// the title's AutoToggle) before TitleClick.

#include "ZDBGrids.h"

#include <utility>

namespace zdb {

// ---- Notifications -----------------------------------------------------------------

void TZCustomDBGrid::TitleClick(TZColumn* Column)
{
    FireEvent(OnTitleClick, this, Column);
}

void TZCustomDBGrid::CellClick(TZColumn* Column)
{
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
    FireEvent(OnExpandClick, this, Column);
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
    if (FFillerIndex == -7 && FFillerPopupMenu) {
        const QRect corner = CellRect(0, 0);
        FFillerPopupMenu->popup(viewport()->mapToGlobal(corner.bottomLeft()));
        return;
    }
    if (OnFillerClick)
        OnFillerClick(this);
}

void TZCustomDBGrid::TotalClick(TZColumn* Column, int Row)
{
    FireEvent(OnTotalClick, this, Column, Row);
}

void TZCustomDBGrid::ColEnter()
{
    FireEvent(OnColEnter, this);
}

void TZCustomDBGrid::ColExit()
{
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

void TZCustomDBGrid::EditButtonClick()
{
    FireEvent(OnEditButtonClick, this);
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
}

// ---- Mouse -----------------------------------------------------------------------------

void TZCustomDBGrid::MouseDown(Qt::MouseButton Button, TShiftState Shift, int X, int Y)
{
    FTitlePressCol = -1;
    if (Button == Qt::LeftButton) {
        const TGridCoord cell = MouseCoord(X, Y);
        if ((Shift & ssDouble) && cell.Y >= FTitleRowCount && cell.Y < GetRowCount() - FBottomRowCount) {
            // A double click on a data cell; elsewhere the control's double click.
            if (TZColumn* column = ColumnOfRaw(cell.X)) {
                CellDblClick(column);
                if (OnMouseDown)
                    OnMouseDown(Button, Shift, X, Y);
                return;
            }
        }
        if (cell.Y >= 0 && cell.Y < FTitleRowCount)
            FTitlePressCol = cell.X;
        // A press on a tree row's expand box goes to the row and toggles it.
        if (FTreeView && TreeBoxPressed(cell, Shift, X, Y))
            return;
    }
    TCustomGrid::MouseDown(Button, Shift, X, Y);
}

void TZCustomDBGrid::MouseUp(Qt::MouseButton Button, TShiftState Shift, int X, int Y)
{
    const int pressed = std::exchange(FTitlePressCol, -1);
    const TGridState state = GetGridState();
    TCustomGrid::MouseUp(Button, Shift, X, Y);
    // A release that ends a sizing is no click, nor one inside the editor.
    if (Button != Qt::LeftButton || state == gsColSizing || state == gsRowSizing)
        return;
    if (TInplaceEdit* editor = GetInplaceEditor(); editor && editor->isVisible() && editor->geometry().contains(X, Y))
        return;
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.X < 0 || cell.Y < 0)
        return;
    if (cell.Y < FTitleRowCount) {
        TitleRowClicked(cell, pressed, state, Shift, X, Y);
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
    const bool rowScroll = (FOptions & dgRowSelect) && (FOptions & dgRowScroll);
    TZColumn* column = !rowScroll && cell.X >= TCustomGrid::GetFixedCols() ? SelectedColumn() : ColumnOfRaw(cell.X);
    if (column)
        CellClick(column);
}

void TZCustomDBGrid::TitleRowClicked(const TGridCoord& Cell, int PressedCol, TGridState State, TShiftState Shift,
                                     int X, int Y)
{
    const bool titleButtons = FOptions & dgTitleButtons;
    // A press that dragged a column (or, with title buttons, left the title)
    // clicks nothing.
    if ((titleButtons || State == gsColMoving) && Cell.X != PressedCol)
        return;
    if (Cell.X < FIndicatorOffset) {
        FillerClick();
        return;
    }
    TZColumn* column = ColumnAtDepth(ColumnOfRaw(Cell.X), Cell.Y);
    if (!column)
        return;
    if (const int band = HeaderRow(Y, column); band >= 0) {
        HeaderClick(column, band);
        return;
    }
    // The auto-filter button is a button of its own: it sorts nothing.
    if (column->HasAutoFilterButton()) {
        TZColumn* master = nullptr;
        const QRect title = CalcTitleRect(ColumnOfRaw(Cell.X), Cell.Y, master);
        if (master == column && AutoFilterButtonRect(column, TitleCaptionRect(column, Cell.Y, title)).contains(X, Y)) {
            ExpandClick(column);
            return;
        }
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

// Title clicks: a left release on a column title toggles the title's sort
// marker (with dgMarkerAutoToggle and the title's AutoToggle) and reports the
// click through TitleClick.

#include "ZDBGrids.h"

#include <utility>

namespace zdb {

void TZCustomDBGrid::TitleClick(TZColumn* Column)
{
    if (OnTitleClick)
        OnTitleClick(this, Column);
}

void TZCustomDBGrid::MouseDown(Qt::MouseButton Button, TShiftState Shift, int X, int Y)
{
    FTitlePressCol = -1;
    if (Button == Qt::LeftButton) {
        const TGridCoord cell = MouseCoord(X, Y);
        if (cell.Y >= 0 && cell.Y < FTitleRowCount)
            FTitlePressCol = cell.X;
    }
    TCustomGrid::MouseDown(Button, Shift, X, Y);
}

void TZCustomDBGrid::MouseUp(Qt::MouseButton Button, TShiftState Shift, int X, int Y)
{
    const int pressed = std::exchange(FTitlePressCol, -1);
    const TGridState state = GetGridState();
    TCustomGrid::MouseUp(Button, Shift, X, Y);
    // A release that ends a sizing is no click.
    if (Button != Qt::LeftButton || state == gsColSizing || state == gsRowSizing)
        return;
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.Y < 0 || cell.Y >= FTitleRowCount)
        return;
    TZColumn* column = ColumnAtDepth(ColumnOfRaw(cell.X), cell.Y);
    if (!column)
        return;
    const bool titleButtons = FOptions & dgTitleButtons;
    // A press that dragged a column (or, with title buttons, left the title)
    // clicks nothing.
    if ((titleButtons || state == gsColMoving) && cell.X != pressed)
        return;
    if (HeaderRow(Y, column) >= 0)
        return;
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

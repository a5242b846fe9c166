// TZCustomDBGrid: the record-sequence emulation (dgForceSequence) and the
// grid's side of the tree view (its rebuild through the column order, its events).
#include "ZDBGrids.h"

#include <QScopeGuard>

#include <limits>

namespace zdb {

bool TZCustomDBGrid::ForcedSequence() const
{
    return (FOptions & dgForceSequence) && FDataLink && FDataLink->Active();
}

void TZCustomDBGrid::UpdateSequence(bool Auto)
{
    if (IsLoading() || UpdateInProgress())
        return;
    if (Auto && !(FOptionsEx & dgAutoUpdateSequence))
        return;
    if ((FOptionsEx & dgDelayUpdateSequence) && HandleAllocated() && (DelayPending(duSequence) || DelayUpdate(duSequence)))
        return;
    UpdateSequenceValues();
}

bool TZCustomDBGrid::UpdateSequenceValues()
{
    if (FSequenceUpdating || !ForcedSequence())
        return false;
    TDataSet* dataSet = FDataLink->DataSet();
    if (dataSet->State() == dsEdit || dataSet->State() == dsInsert)
        return false;
    FSequenceUpdating = true;
    const auto done = qScopeGuard([this] { FSequenceUpdating = false; });
    dataSet->CheckBrowseMode();
    int count = 0;
    int offset = 0;
    if (!dataSet->IsEmpty()) {
        const TBookmark bookmark = dataSet->GetBookmark();
        const int row = GetPosition();
        TDataSetControlsGuard controls(dataSet);
        // Counting by moving: the records before the current one, then all of them.
        offset = 1 - dataSet->MoveBy(-std::numeric_limits<int>::max());
        dataSet->First();
        count = dataSet->MoveBy(std::numeric_limits<int>::max()) + 1;
        GotoPosition(row, bookmark);
    }
    FForcedRecCount = count;
    FForcedRecNumber = 0;
    FRecordOffset = offset;
    SequenceUpdated();
    return true;
}

void TZCustomDBGrid::DelayUpdateSequence()
{
    UpdateSequenceValues();
    UpdateScrollBar();
    InvalidateEditor();
    Invalidate();
}

void TZCustomDBGrid::SequenceUpdated()
{
    FireEvent(OnSequenceUpdated, this);
}

void TZCustomDBGrid::RowExpanding(bool Expand, bool& Allow)
{
    if (OnRowExpanding)
        OnRowExpanding(this, Expand, Allow);
}

void TZCustomDBGrid::RowExpand(bool Expanded)
{
    FireEvent(OnRowExpand, this, Expanded);
}

bool TZCustomDBGrid::TreeBoxPressed(const TGridCoord& Cell, TShiftState Shift, int X, int Y)
{
    const int record = Cell.Y - FTitleRowCount;
    if (!FTreeView->GetActive() || !FDataLink->Active() || record < 0 || record >= FDataLink->RecordCount() ||
        Cell.Y >= GetRowCount() - FBottomRowCount)
        return false;
    TZColumn* column = ColumnOfRaw(Cell.X);
    {
        TZActiveRecordGuard active(FDataLink.get(), record);
        if (!FTreeView->BoxHit(column, CellRect(Cell.X, Cell.Y), X, Y))
            return false;
    }
    FDataLink->MoveBy(record - FDataLink->ActiveRecord());
    if (Shift & ssCtrl)
        FTreeView->FocusRow();
    else
        FTreeView->ToggleRow(Shift & ssShift);
    return true;
}

void TZCustomDBGrid::UpdateTreeView(bool Auto)
{
    if (!FTreeView || IsLoading() || UpdateInProgress())
        return;
    if (Auto && !FTreeView->GetAutoUpdate())
        return;
    TDataSet* dataSet = DataSet();
    if (!FTreeView->GetActive() || !dataSet || dataSet->ControlsDisabled())
        return;
    FTreeView->SetNeedsRebuild(false);
    // The column order first; its report (OrderUpdated) rebuilds the tree. An
    // order that did not change reports nothing: then the tree is rebuilt here.
    FTreeOrderPending = true;
    const auto pending = qScopeGuard([this] { FTreeOrderPending = false; });
    UpdateOrder(false);
    if (FTreeOrderPending)
        FTreeView->UpdateTreeView(false);
}

} // namespace zdb

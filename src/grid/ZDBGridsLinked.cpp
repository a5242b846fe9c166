// Linked grids: grids joined through MasterGrid form a ring of managed-grid
// references (each grid refers to the next one of the group, the last back to
// the first) and pass their layout around it with Synchronize.
//
// A grid's part of the ring is the grid followed by the grids that follow it
// (directly or through others); joining a master inserts that part right
// after the master, leaving takes it out again.

#include "ZDBGrids.h"

#include "DBError.h"

#include <algorithm>

namespace zdb {

TZCustomDBGrid* TZCustomDBGrid::NextLinkedGrid() const
{
    return FManageGrid ? FManageGrid.data() : const_cast<TZCustomDBGrid*>(this);
}

bool TZCustomDBGrid::FollowedBy(const TZCustomDBGrid* Grid) const
{
    for (const TZCustomDBGrid* g = this; g; g = g->FMasterGrid)
        if (g == Grid)
            return true;
    return false;
}

TZCustomDBGrid* TZCustomDBGrid::LastOfLinkedPart() const
{
    const TZCustomDBGrid* last = this;
    for (TZCustomDBGrid* next = last->NextLinkedGrid(); next != this && next->FollowedBy(this);
         next = last->NextLinkedGrid())
        last = next;
    return const_cast<TZCustomDBGrid*>(last);
}

void TZCustomDBGrid::SetManageGrid(TZCustomDBGrid* Value)
{
    FManageGrid = Value == this ? nullptr : Value;
    if (FColumns && FManageGrid)
        FColumns->SetState(csCustomized);
}

void TZCustomDBGrid::SetMasterGrid(TZCustomDBGrid* Value)
{
    if (Value == FMasterGrid)
        return;
    if (Value && Value->FollowedBy(this)) {
        if (IsLoading())
            return;
        DatabaseError(SCircularDataLink, this);
    }
    if (Value)
        SetStretchMode(false);
    if (FMasterGrid) {
        // Take this grid's part out of the ring and close it on itself.
        TZCustomDBGrid* last = LastOfLinkedPart();
        TZCustomDBGrid* before = this;
        while (before->NextLinkedGrid() != this)
            before = before->NextLinkedGrid();
        TZCustomDBGrid* after = last->NextLinkedGrid();
        before->SetManageGrid(after == this ? before : after);
        last->SetManageGrid(this);
        RemoveFreeNotification(FMasterGrid);
        FMasterGrid = nullptr;
    }
    if (Value) {
        TZCustomDBGrid* last = LastOfLinkedPart();
        last->SetManageGrid(Value->NextLinkedGrid());
        Value->SetManageGrid(this);
        FMasterGrid = Value;
        FreeNotification(Value);
        Value->Synchronize();
    }
}

void TZCustomDBGrid::LeaveLinkedGrids()
{
    if (!FManageGrid)
        return;
    // The followers lose their master; the ring closes over the gap.
    TZCustomDBGrid* before = this;
    while (before->NextLinkedGrid() != this)
        before = before->NextLinkedGrid();
    for (TZCustomDBGrid* g = NextLinkedGrid(); g != this; g = g->NextLinkedGrid())
        if (g->FMasterGrid == this)
            g->FMasterGrid = nullptr;
    TZCustomDBGrid* after = NextLinkedGrid();
    before->FManageGrid = after == before ? nullptr : after;
    FManageGrid = nullptr;
    FMasterGrid = nullptr;
}

void TZCustomDBGrid::Synchronize()
{
    if (!FManageGrid || FManageGrid->FSynchronizing || !FColumns)
        return;
    TZCustomDBGrid* other = FManageGrid;
    other->FSynchronizing = true;
    struct Unmark
    {
        QPointer<TZCustomDBGrid> Grid;
        ~Unmark()
        {
            if (Grid)
                Grid->FSynchronizing = false;
        }
    } unmark{other};
    const int count = std::min(FColumns->Count(), other->Columns()->Count());
    for (int i = 0; i < count; ++i) {
        TZColumn* mine = (*FColumns)[i];
        TZColumn* theirs = (*other->Columns())[i];
        if (mine->Expandable() && theirs->Expandable())
            theirs->SetExpanded(mine->GetExpanded());
        theirs->SetVisible(mine->Visibility());
        theirs->SetWidth(mine->TrueWidth());
    }
    other->SetIndicatorWidth(FIndicatorWidth);
    other->SetFixedCols(FFixedCols);
    other->SetBiDiMode(GetBiDiMode());
    other->SetLeftCol(std::min(GetLeftCol(), other->GetColCount() - 1));
    other->Synchronize();
}

} // namespace zdb

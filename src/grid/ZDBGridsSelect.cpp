// TZCustomDBGrid: the multi-selection (modes, column range, the selection
// bracket and its delivery, bulk operations, walks, the clipboard copy).

#include "ZDBGrids.h"

#include <QClipboard>
#include <QGuiApplication>

namespace zdb {

namespace {

constexpr TZDBGridOptionsEx SelectedTotals =
    TZDBGridOptionsEx(dgTotalHeaderSelected | dgTotalValuesSelected | dgTotalFooterSelected);

} // namespace

// ---- Modes ------------------------------------------------------------------

void TZCustomDBGrid::SetMultiSelectOptions(TMultiSelectOptions Value)
{
    Value.Exclude(msNone);
    if (Value == FMultiSelectOptions)
        return;
    ClearSelection();
    PerformDelayed();
    FMultiSelectOptions = Value;
    UpdateMultiSelect();
    UpdateSelectionOffset();
    Invalidate();
}

void TZCustomDBGrid::UpdateSelectionOffset()
{
    FSelectionOffset = FMultiSelectOptions.Contains(msFixed) ? 0 : FFixedCols;
}

void TZCustomDBGrid::UpdateMultiSelect()
{
    TMultiSelect candidate;
    if (FOptions & dgRowSelect)
        candidate = msRows;
    else if (FSelectionColumn)
        candidate = msCols;
    else if (FSelectionBegCol < 0)
        candidate = msRows;
    else if (FMultiSelectOptions.Contains(msCells))
        candidate = msCells;
    else if (FMultiSelectOptions.Contains(msRows))
        candidate = msRows;
    else
        candidate = msCols;
    FMultiSelect = FMultiSelectOptions.Contains(candidate) ? candidate : msNone;
}

void TZCustomDBGrid::SetMultiSelect(TMultiSelect Value)
{
    if (Value == FMultiSelect || !FMultiSelectOptions.Contains(Value))
        return;
    if (Value != msRows && (Value != msCols && Value != msCells))
        return;
    if ((Value == msCols || Value == msCells) && (FOptions & dgRowSelect))
        return;
    TZSelectGuard bracket(this);
    ClearSelection();
    if (Value == msCols || Value == msCells) {
        FSelectionColumn = Value == msCols;
        SetSelectionBegCol(SelectedIndex());
    }
    UpdateSelectionMinMax();
    UpdateMultiSelect();
}

void TZCustomDBGrid::UpdateSelectionMinMax()
{
    if (FSelectionEndCol >= 0 && FSelectionEndCol <= FSelectionBegCol) {
        FSelectionMin = FSelectionEndCol;
        FSelectionMax = FSelectionBegCol;
    } else {
        FSelectionMin = FSelectionBegCol;
        FSelectionMax = FSelectionEndCol;
    }
}

void TZCustomDBGrid::SetSelectionBegCol(int Value)
{
    if (Value < FSelectionOffset)
        Value = -1;
    if (Value == FSelectionBegCol)
        return;
    const bool wasComplete = ColsSelection() && FSelectionBegCol >= 0 && FSelectionEndCol >= 0;
    FSelectionBegCol = Value;
    if (Value < 0)
        FSelectionColumn = false;
    UpdateSelectionMinMax();
    UpdateMultiSelect();
    const bool isComplete = ColsSelection() && FSelectionBegCol >= 0 && FSelectionEndCol >= 0;
    if (wasComplete || isComplete) {
        FSelectedCols->NeedRefresh();
        SetColsChanged();
    }
}

void TZCustomDBGrid::SetSelectionEndCol(int Value)
{
    if (FSelectionBegCol < 0)
        Value = -1;
    else if (Value >= 0 && Value < FSelectionOffset)
        Value = FFixedCols;
    if (Value == FSelectionEndCol)
        return;
    FSelectionEndCol = Value;
    UpdateSelectionMinMax();
    if (ColsSelection()) {
        FSelectedCols->NeedRefresh();
        SetColsChanged();
    }
}

void TZCustomDBGrid::SetSelectionColumn(bool Value)
{
    if (Value == FSelectionColumn)
        return;
    FSelectionColumn = Value;
    if (FSelectionBegCol < 0 && Value)
        FSelectionBegCol = std::max(SelectedIndex(), FSelectionOffset);
    UpdateSelectionMinMax();
    UpdateMultiSelect();
    if (FSelectionEndCol >= 0) {
        FSelectedCols->NeedRefresh();
        SetColsChanged();
    }
}

void TZCustomDBGrid::SetSelectionAnchor(const TBookmark& Value)
{
    FSelectionAnchor = Value;
    if ((FOptions & dgIndicator) && ExtendedSelect())
        InvalidateCol(0);
}

// ---- Queries ----------------------------------------------------------------

bool TZCustomDBGrid::RowsSelected() const
{
    return RowsSelection() && FSelectedRows && !FSelectedRows->IsEmpty();
}

bool TZCustomDBGrid::ColsSelected() const
{
    if (!ColsSelection() || !FSelectedCols)
        return false;
    if (!FSelectedCols->AutoRefresh() && FSelectedCols->Count() > 0)
        return true;
    return FSelectionBegCol >= 0 && FSelectionEndCol >= 0;
}

bool TZCustomDBGrid::ExtendedSelect() const
{
    return (FOptions & dgMultiSelect) && (FOptions & dgExtendedSelect);
}

bool TZCustomDBGrid::IsColMultiSelected(int DataCol) const
{
    if (FMultiSelect != msCols && FMultiSelect != msCells)
        return true;
    if (FSelectedCols->AutoRefresh())
        return FSelectionMin >= 0 && FSelectionMin <= DataCol && DataCol <= FSelectionMax;
    return FSelectedCols->GetColumns(DataCol);
}

bool TZCustomDBGrid::IsCellMultiSelected(int DataCol) const
{
    if (!(FOptions & dgMultiSelect) && !(FOptions & dgInternalSelect))
        return false;
    switch (FMultiSelect) {
    case msRows: return FSelectedRows->CurrentRowSelected();
    case msCols: return IsColMultiSelected(DataCol);
    case msCells: return FSelectedRows->CurrentRowSelected() && IsColMultiSelected(DataCol);
    default: return false;
    }
}

int TZCustomDBGrid::CompareRows() const
{
    TDataSet* ds = DataSet();
    if (!ds || !FDataLink->Active())
        return 0;
    return ds->CompareBookmarks(ds->Bookmark(), FSelectionAnchor);
}

void TZCustomDBGrid::CheckIsAnchorSelected()
{
    TDataSet* ds = DataSet();
    if (!FDataLink->Active() || !RowsSelection() || FSelectionAnchor.isEmpty()
        || !ds->BookmarkValid(FSelectionAnchor))
        return;
    TZSelectGuard bracket(this);
    if (FSelectedRows->Add(FSelectionAnchor)) {
        Invalidate();
        SelectionChanged(saSelect);
    }
}

void TZCustomDBGrid::CheckIsAnyRowSelected()
{
    if (FMultiSelect == msCells && FSelectedRows->IsEmpty())
        SelectRow();
}

void TZCustomDBGrid::CheckIsAnyColSelected()
{
    if (FMultiSelect == msCells && FSelectionEndCol < 0)
        SetSelectionEndCol(FSelectionBegCol);
}

// ---- Bracket and delivery ----------------------------------------------------------

void TZCustomDBGrid::BeginSelect()
{
    ++FSelectCount;
    BeginUpdate();
}

void TZCustomDBGrid::EndSelect()
{
    if (FSelectCount <= 0)
        return;
    EndUpdate();
    if (--FSelectCount > 0 || !(FRowsChanged || FColsChanged) || IsDestroying())
        return;
    if (FColsChanged)
        Invalidate();
    // With dgDelaySelectedRows the delivery waits until the user pauses (the
    // end-of-selection delay timer calls DelayedEndSelection).
    if (!(FOptionsEx & dgDelaySelectedRows) || !DelayUpdate(duEndSelection))
        DelayedEndSelection();
}

void TZCustomDBGrid::DelayedEndSelection()
{
    const bool rows = FRowsChanged;
    const bool cols = FColsChanged;
    FRowsChanged = false;
    FColsChanged = false;
    if (FTotals) {
        FTotals->SetRowsSelected(RowsSelected());
        FTotals->SetColsSelected(ColsSelected());
    }
    if (rows)
        SelectedRowsChanged();
    if (cols)
        SelectedColsChanged();
    if (rows || cols)
        SelectedChanged();
}

void TZCustomDBGrid::SelectionChanged(TSelectAction Action)
{
    if (IsDestroying())
        return;
    FRowsChanged = true;
    if (OnRowSelect)
        OnRowSelect(this, Action);
}

void TZCustomDBGrid::SetColsChanged()
{
    TZSelectGuard bracket(this);
    FColsChanged = true;
}

bool TZCustomDBGrid::TotalsFollowSelection() const
{
    return (FOptionsEx & dgAutoUpdateTotals) && FTotals && FTotals->GetCalcValues() &&
           (FTotals->GetActive() || (FOptionsEx & (TZDBGridOptionsEx(dgCalcInvisibleRows) | dgSelectedAutoHidden)));
}

void TZCustomDBGrid::SelectedRowsChanged()
{
    if (TotalsFollowSelection()) {
        if (FOptionsEx & dgCalcSelectedRows)
            UpdateCalcValues(false);
        else if (FOptionsEx & SelectedTotals)
            UpdateCalcValues(true);
    }
    if (OnSelectedRowsChanged)
        OnSelectedRowsChanged(this);
}

void TZCustomDBGrid::SelectedColsChanged()
{
    if (TotalsFollowSelection()) {
        if ((FOptionsEx & dgSelectedAutoHidden) && (FOptionsEx & SelectedTotals) && !(FOptionsEx & dgCalcSelectedRows))
            UpdateCalcValues(true);
        else
            InvalidateTotalRows();
    }
    if (OnSelectedColsChanged)
        OnSelectedColsChanged(this);
}

void TZCustomDBGrid::SelectedChanged()
{
    if (OnSelectionChanged)
        OnSelectionChanged(this);
}

// ---- Clearing, single rows ----------------------------------------------------------

void TZCustomDBGrid::ClearSelection()
{
    if (!FSelectedRows || !FSelectedCols)
        return;
    TZSelectGuard bracket(this);
    FSelectedRows->Clear();
    FSelectionAnchor.clear();
    if (ColsSelected())
        SetColsChanged();
    FSelectedCols->Clear();
    FSelectionColumn = false;
    FSelectionBegCol = -1;
    FSelectionEndCol = -1;
    UpdateSelectionMinMax();
    UpdateMultiSelect();
}

namespace {

enum class TRowOp { Select, Unselect, Invert };

} // namespace

// Applies Op to the current record; reports the change.
static void ApplyRowOp(TZCustomDBGrid* Grid, TZBookmarkList* List, TRowOp Op,
                       const std::function<void(TSelectAction)>& Changed)
{
    const TBookmark bm = Grid->DataSet()->Bookmark();
    if (bm.isEmpty())
        return;
    switch (Op) {
    case TRowOp::Select:
        if (List->Add(bm))
            Changed(saSelect);
        break;
    case TRowOp::Unselect:
        if (List->Remove(bm))
            Changed(saUnselect);
        break;
    case TRowOp::Invert:
        if (List->Remove(bm))
            Changed(saUnselect);
        else {
            List->Add(bm);
            Changed(saSelect);
        }
        break;
    }
}

void TZCustomDBGrid::SelectRow()
{
    if (!FDataLink->Active())
        return;
    TZSelectGuard bracket(this);
    ApplyRowOp(this, FSelectedRows.get(), TRowOp::Select, [this](TSelectAction A) { CurrentRowChanged(A); });
}

void TZCustomDBGrid::UnselectRow()
{
    if (!FDataLink->Active())
        return;
    TZSelectGuard bracket(this);
    ApplyRowOp(this, FSelectedRows.get(), TRowOp::Unselect, [this](TSelectAction A) { CurrentRowChanged(A); });
}

void TZCustomDBGrid::InvertRow()
{
    if (!FDataLink->Active())
        return;
    TZSelectGuard bracket(this);
    ApplyRowOp(this, FSelectedRows.get(), TRowOp::Invert, [this](TSelectAction A) { CurrentRowChanged(A); });
}

void TZCustomDBGrid::CurrentRowChanged(TSelectAction Action)
{
    InvalidateRow(GetRow());
    SelectionChanged(Action);
}

// ---- Ranges -----------------------------------------------------------------------

// Which way the anchor lies from the current record: by the records' numbers where the
// dataset has them (bookmarks need not sort in the dataset's order), else by bookmarks.
// Moves the dataset; call inside a walk.
static int AnchorDirection(TZCustomDBGrid* Grid)
{
    TDataSet* ds = Grid->DataSet();
    const TBookmark anchor = Grid->GetSelectionAnchor();
    const int here = ds->RecNo();
    if (here > 0 && ds->BookmarkValid(anchor)) {
        const TBookmark current = ds->Bookmark();
        ds->GotoBookmark(anchor);
        const int there = ds->RecNo();
        ds->GotoBookmark(current);
        if (there > 0)
            return (here > there) - (here < there);
    }
    return Grid->CompareRows();
}

// Walks from the current record to the selection anchor. Every record Op changes is
// reported while the dataset stands on it, and the list takes all changes in one merge
// at the end (an insertion per record would move the list's tail each time).
static void WalkToAnchor(TZCustomDBGrid* Grid, TRowOp Op, const std::function<void(TSelectAction)>& Changed)
{
    TDataSet* ds = Grid->DataSet();
    TZBookmarkList* list = Grid->SelectedRows();
    const TBookmark anchor = Grid->GetSelectionAnchor();
    std::vector<TBookmark> changed;
    auto visit = [&](TBookmark Bookmark) {
        if (Bookmark.isEmpty())
            return;
        const bool selected = list->IndexOf(Bookmark) >= 0;
        if ((Op == TRowOp::Select && selected) || (Op == TRowOp::Unselect && !selected))
            return;
        changed.push_back(std::move(Bookmark));
        Changed(selected ? saUnselect : saSelect);
    };
    const int direction = AnchorDirection(Grid);
    for (;;) {
        TBookmark bm = ds->Bookmark();
        const bool atAnchor = ds->CompareBookmarks(bm, anchor) == 0;
        if (atAnchor || direction == 0) {
            if (atAnchor)
                visit(std::move(bm));
            break;
        }
        visit(std::move(bm));
        if (direction > 0)
            ds->Prior();
        else
            ds->Next();
        if (direction > 0 ? ds->Bof() : ds->Eof())
            break;
    }
    list->Toggle(std::move(changed));
}

// Applies Op to the records from the current one to the selection anchor (the current
// record becomes the anchor when there is none), in one selection bracket and one walk.
static void RowsToAnchor(TZCustomDBGrid* Grid, TRowOp Op, const std::function<void(TSelectAction)>& Changed)
{
    if (!Grid->DataLink()->Active() || !Grid->RowsSelection())
        return;
    Grid->DataSet()->CheckBrowseMode();
    TZSelectGuard bracket(Grid);
    if (Grid->GetSelectionAnchor().isEmpty())
        Grid->SetSelectionAnchor(Grid->DataSet()->Bookmark());
    {
        TZWalkGuard walk(Grid);
        WalkToAnchor(Grid, Op, Changed);
    }
    Grid->Invalidate();
}

void TZCustomDBGrid::SelectRows()
{
    RowsToAnchor(this, TRowOp::Select, [this](TSelectAction A) { SelectionChanged(A); });
}

void TZCustomDBGrid::UnselectRows()
{
    RowsToAnchor(this, TRowOp::Unselect, [this](TSelectAction A) { SelectionChanged(A); });
}

void TZCustomDBGrid::InvertRows()
{
    RowsToAnchor(this, TRowOp::Invert, [this](TSelectAction A) { SelectionChanged(A); });
}

// ---- Whole dataset ----------------------------------------------------------------

void TZCustomDBGrid::SelectAll()
{
    if (!FDataLink->Active() || !(RowsSelection() || ColsSelection()))
        return;
    TDataSet* ds = DataSet();
    ds->CheckBrowseMode();
    TZSelectGuard bracket(this);
    if (RowsSelection()) {
        {
            TZWalkGuard walk(this);
            FSelectedRows->Clear();
            std::vector<TBookmark> all;
            for (ds->First(); !ds->Eof(); ds->Next()) {
                all.push_back(ds->Bookmark());
                SelectionChanged(saSelect);
            }
            FSelectedRows->ReplaceItems(std::move(all));
        }
        SetSelectionAnchor(ds->Bookmark());
        Invalidate();
    }
    if (ColsSelection()) {
        for (int i = FSelectionOffset; i < FColumns->Count(); ++i)
            FSelectedCols->Add(FColumns->Items(i));
        SetColsChanged();
    }
}

void TZCustomDBGrid::InvertAll()
{
    if (!FDataLink->Active() || (FMultiSelect != msRows && FMultiSelect != msCols))
        return;
    TDataSet* ds = DataSet();
    ds->CheckBrowseMode();
    TZSelectGuard bracket(this);
    if (FMultiSelect == msRows) {
        // The inverted list is collected in one walk, then replaces the old one.
        std::vector<TBookmark> inverted;
        {
            TZWalkGuard walk(this);
            for (ds->First(); !ds->Eof(); ds->Next()) {
                TBookmark bm = ds->Bookmark();
                if (FSelectedRows->IndexOf(bm) >= 0)
                    SelectionChanged(saUnselect);
                else {
                    inverted.push_back(std::move(bm));
                    SelectionChanged(saSelect);
                }
            }
        }
        FSelectedRows->ReplaceItems(std::move(inverted));
        Invalidate();
    } else {
        for (int i = FSelectionOffset; i < FColumns->Count(); ++i)
            FSelectedCols->SetColumns(i, !FSelectedCols->GetColumns(i));
        SetColsChanged();
    }
}

// ---- Saving by key ------------------------------------------------------------------

void TZCustomDBGrid::SaveSelection(const QString& KeyFields)
{
    FSavedMultiSelect = FMultiSelect;
    FSelectedRows->Save(KeyFields);
    FSelectedCols->Save();
}

void TZCustomDBGrid::RestoreSelection(const QString& KeyFields)
{
    if (FSavedMultiSelect == msNone)
        return;
    TZSelectGuard bracket(this);
    SetMultiSelect(FSavedMultiSelect);
    FSelectedRows->Restore(KeyFields);
    FSelectedCols->Restore();
}

// ---- Walks ------------------------------------------------------------------------

TZDataColRange TZCustomDBGrid::GetDataColEnum(TDataColEnum ColEnum)
{
    std::vector<TZColumn*> all;
    for (int i = 0; i < FColumns->Count(); ++i)
        all.push_back(FColumns->Items(i));
    std::vector<TZColumn*> selected;
    if (ColsSelected())
        selected.assign(FSelectedCols->begin(), FSelectedCols->end());
    std::vector<TZColumn*> current;
    if (TZColumn* column = SelectedColumn())
        current.push_back(column);
    switch (ColEnum) {
    case ceAllCols: return TZDataColRange(std::move(all));
    case ceSelectedCols: return TZDataColRange(std::move(selected));
    case ceSelectedColsOrAllCols: return TZDataColRange(selected.empty() ? std::move(all) : std::move(selected));
    case ceSelectedColsOrCurrent:
        return TZDataColRange(selected.empty() ? std::move(current) : std::move(selected));
    case ceCurrentCol: return TZDataColRange(std::move(current));
    }
    return TZDataColRange({});
}

void TZCustomDBGrid::ForEachDataRow(TDataRowEnum RowEnum, const TDataRowProc& Proc)
{
    if (!FDataLink->Active())
        return;
    TZWalkGuard walk(this);
    const TZDataRowRange rows = GetDataRowEnum(RowEnum);
    for (auto it = rows.begin(); it != rows.end(); ++it)
        Proc();
}

void TZCustomDBGrid::ForEachDataCol(TDataColEnum ColEnum, const TDataColProc& Proc)
{
    for (TZColumn* column : GetDataColEnum(ColEnum))
        Proc(column);
}

// Calls Proc for every cell of Rows x Columns with the position flags.
static void WalkCells(const TZDataRowRange& Rows, const std::vector<TZColumn*>& Columns,
                      const TForEachCellProc& Proc)
{
    if (Columns.empty())
        return;
    bool firstRow = true;
    for (auto it = Rows.begin(); it != Rows.end(); ++it) {
        TForEachCellFlags rowFlags;
        if (firstRow)
            rowFlags.Include(feFirstRow);
        if (it.IsLast())
            rowFlags.Include(feLastRow);
        firstRow = false;
        for (size_t c = 0; c < Columns.size(); ++c) {
            TForEachCellFlags flags = rowFlags;
            if (c == 0)
                flags.Include(feFirstCol);
            if (c + 1 == Columns.size())
                flags.Include(feLastCol);
            Proc(Columns[c], flags);
        }
    }
}

void TZCustomDBGrid::ForEachDataCell(TDataRowEnum RowEnum, TDataColEnum ColEnum, const TForEachCellProc& Proc)
{
    if (!FDataLink->Active())
        return;
    const TZDataColRange cols = GetDataColEnum(ColEnum);
    const std::vector<TZColumn*> columns(cols.begin(), cols.end());
    TZWalkGuard walk(this);
    WalkCells(GetDataRowEnum(RowEnum), columns, Proc);
}

void TZCustomDBGrid::ForEachDataCell(const TForEachCellProc& Proc, TForEachCellScope Scope)
{
    if (!FDataLink->Active())
        return;
    if (Scope == fsAutoSelect)
        Scope = MultiSelected() ? fsSelectedOnly : fsWholeDataSet;
    else if (Scope == fsSelectedOnly && !MultiSelected())
        return;
    std::vector<TZColumn*> columns;
    if (Scope == fsWholeDataSet || FMultiSelect == msRows) {
        const int first = Scope == fsWholeDataSet ? 0 : FSelectionOffset;
        for (int i = first; i < FColumns->Count(); ++i)
            columns.push_back(FColumns->Items(i));
    } else
        columns.assign(FSelectedCols->begin(), FSelectedCols->end());
    const bool allRows = Scope == fsWholeDataSet || FMultiSelect == msCols;
    TZWalkGuard walk(this);
    WalkCells(GetDataRowEnum(allRows ? reAllRows : reSelectedRows), columns, Proc);
}

// ---- Clipboard ----------------------------------------------------------------------

void TZCustomDBGrid::CopyToClipboard(bool WithTitles)
{
    FCopyWithTitles = WithTitles;
    FCopyLines.clear();
    ForEachDataCell([this](TZColumn* Column, TForEachCellFlags Flags) { DoCopyToClipboard(Column, Flags); },
                    fsSelectedOnly);
}

void TZCustomDBGrid::DoCopyToClipboard(TZColumn* Column, TForEachCellFlags Flags)
{
    if (Flags.Contains(feFirstCol)) {
        if (Flags.Contains(feFirstRow)) {
            FCopyLines.clear();
            FCopyRow = 0;
        }
        FCopyTitles.clear();
        FCopyData.clear();
        ++FCopyRow;
    }
    const bool last = Flags.Contains(feLastCol);
    TField* field = Column->GetField();
    if (Column->Showing() && (field || Column->GetAutoNumber())) {
        const QString tab = last ? QString() : QStringLiteral("\t");
        if (FCopyRow == 1 && FCopyWithTitles)
            FCopyTitles << Column->Title()->GetCaption() + tab;
        QString text = Column->GetAutoNumber() ? AutoNumberStr(FCopyRow) : Column->GetEditText();
        text.replace(QLatin1Char('\t'), QLatin1Char(' '));
        FCopyData << text + tab;
    }
    if (last) {
        if (FCopyRow == 1 && FCopyWithTitles)
            FCopyLines << FCopyTitles.join(QString());
        FCopyLines << FCopyData.join(QString());
        if (Flags.Contains(feLastRow)) {
            QGuiApplication::clipboard()->setText(FCopyLines.join(QStringLiteral("\r\n")));
            FCopyLines.clear();
        }
    }
}

} // namespace zdb

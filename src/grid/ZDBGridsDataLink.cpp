// TZGridDataLink and the grid's reactions to it: the field map, activation,
// data changes, scrolling, and keeping the current row on the active record.

#include "ZDBGrids.h"

#include "AppExceptions.h"
#include "DBError.h"

#include <QApplication>
#include <QScopeGuard>

#include <algorithm>
#include <cstdlib>

namespace zdb {

// ---- TZGridDataLink ---------------------------------------------------------------

TZGridDataLink::TZGridDataLink(TZCustomDBGrid* AGrid) : FGrid(AGrid) {}

TZGridDataLink::~TZGridDataLink()
{
    ClearMapping();
}

bool TZGridDataLink::AddMapping(const QString& FieldName)
{
    TDataSet* dataSet = DataSet();
    TField* field = nullptr;
    if (dataSet) {
        if (FSparseMap)
            field = dataSet->FindField(FieldName);
        else
            field = dataSet->FieldByName(FieldName);
    }
    const int limit = MapLimit();
    if (FFieldCount >= limit)
        DatabaseError(STooManyColumns);
    if (FFieldCount >= int(FFieldMap.size())) {
        const std::int64_t grown = FFieldMap.empty() ? 8 : std::int64_t(FFieldMap.size()) * 2;
        FFieldMap.resize(size_t(std::min<std::int64_t>(grown, limit)), -1);
    }
    FFieldMap[size_t(FFieldCount)] = field ? dataSet->Fields().IndexOf(field) : -1;
    ++FFieldCount;
    if (field)
        FGrid->FreeNotification(field);
    return field != nullptr;
}

void TZGridDataLink::ClearMapping()
{
    FFieldCount = 0;
}

TField* TZGridDataLink::GetFields(int I) const
{
    if (I < 0 || I >= FFieldCount)
        return nullptr;
    const int index = FFieldMap[size_t(I)];
    TDataSet* dataSet = DataSet();
    if (index < 0 || !dataSet || index >= dataSet->FieldCount())
        return nullptr;
    return dataSet->Fields()[index];
}

int TZGridDataLink::GetMappedIndex(int I) const
{
    if (I < 0 || I >= FFieldCount)
        return -1;
    return FFieldMap[size_t(I)];
}

bool TZGridDataLink::GetDefaultFields() const
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return true;
    if (!dataSet->DefaultFields())
        return false;
    // A customized column whose field is missing makes the map the columns'.
    if (FSparseMap)
        return std::none_of(FFieldMap.begin(), FFieldMap.begin() + FFieldCount, [](int I) { return I < 0; });
    return true;
}

void TZGridDataLink::Reset()
{
    if (FModified)
        RecordChanged(nullptr);
    else
        Cancel();
}

void TZGridDataLink::Cancel()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    ++FGrid->FCancelCount;
    struct Lower
    {
        int& Count;
        ~Lower() { --Count; }
    } lower{FGrid->FCancelCount};
    dataSet->Cancel();
}

void TZGridDataLink::ActiveChanged()
{
    if (Active() && DataSet() && DataSet()->IsUniDirectional())
        DatabaseError(SDataSetUnidirectional);
    FGrid->LinkActive(Active());
    FModified = false;
}

void TZGridDataLink::DataSetChanged()
{
    FGrid->DataChanged();
    FModified = false;
}

void TZGridDataLink::DataSetScrolled(int Distance)
{
    FGrid->Scroll(Distance);
}

void TZGridDataLink::FocusControl(TField* Field)
{
    if (!Field || !FGrid->Columns())
        return;
    for (TZColumn* column : FGrid->ShowingColumns())
        if (column->GetField() == Field) {
            FGrid->SetSelectedIndex(column->Index());
            if (FGrid->SelectedColumn() == column && FGrid->AcquireFocus())
                FGrid->ShowEditor();
            return;
        }
}

void TZGridDataLink::EditingChanged()
{
    FGrid->EditingChanged();
}

void TZGridDataLink::LayoutChanged()
{
    const bool saved = FGrid->FLayoutFromDataSet;
    FGrid->FLayoutFromDataSet = true;
    struct Restore
    {
        bool& Flag;
        bool Value;
        ~Restore() { Flag = Value; }
    } restore{FGrid->FLayoutFromDataSet, saved};
    FGrid->LayoutChanged();
    TDataLink::LayoutChanged();
}

void TZGridDataLink::RecordChanged(TField* Field)
{
    // A change of another data field while a cell edit is pending: the edit
    // goes to its field first, unless it is this link writing.
    if (FModified && Field && Field->GetFieldKind() == fkData && Field != FGrid->SelectedField() &&
        !FInUpdateData) {
        const int frozen = FGrid->GetFixedCols();
        for (TZColumn* column : FGrid->ShowingColumns())
            if (column->GetField() == Field && column->Index() >= frozen) {
                UpdateData();
                break;
            }
    }
    FGrid->RecordChanged(Field);
    FModified = false;
}

void TZGridDataLink::UpdateData()
{
    FInUpdateData = true;
    const auto clear = qScopeGuard([this] { FInUpdateData = false; });
    // A text the field refuses leaves the edit pending.
    if (FModified)
        FGrid->UpdateData();
    FModified = false;
}

// ---- Grid reactions -------------------------------------------------------------

void TZCustomDBGrid::LinkActive(bool Value)
{
    if (IsDestroying())
        return;
    const bool settings = FSettings && FSettings->GetActive();
    if (Value && !IsDesigning() && FColumns->State() == csDefault && (FOptionsExt & dgForceCustomized)) {
        FColumns->SetState(csCustomized);
        if (settings)
            AutoLayout(true);
    }
    if (!Value) {
        HideEditor();
        if (GetRowCount() > FTitleRowCount)
            MoveToRow(FTitleRowCount);
    }
    if (FSelectedRows)
        FSelectedRows->LinkActive(Value);
    ClearSelection();
    // Default columns are saved before they go and loaded once they are made.
    if (!Value && settings && FColumns->State() == csDefault)
        AutoLayout(false);
    LayoutChanged();
    if (Value && settings && FColumns->State() == csDefault)
        AutoLayout(true);
    FreeDockedGrids();
    UpdateFilter();
    UpdateListItems(false);
    UpdateSequenceValues();
    UpdateScrollBar();
    UpdateRowCount();
    UpdateStretchState();
    if (Value) {
        if (FMasterGrid)
            FMasterGrid->Synchronize();
        AlwaysShowEditor();
        ActivateOrder();
    }
    if (FTreeView)
        FTreeView->CheckActive();
    UpdateTotals(true);
    emit DataLinkChanged();
}

void TZCustomDBGrid::DataChanged()
{
    if (FTreeView && !UpdateInProgress())
        FTreeView->CheckUpdate(nullptr);
    if (!HandleAllocated() || UpdateInProgress())
        return;
    TDataSet* dataSet = DataSet();
    // Inside a selection bracket with pending changes the lists and totals
    // follow when the bracket delivers them.
    const bool selecting = FSelectCount > 0 && (FRowsChanged || FColsChanged);
    if (dataSet && dataSet->State() == dsBrowse && !selecting && FCancelCount == 0) {
        UpdateListItems(true);
        UpdateSequence(true);
        UpdateTotals(true);
    }
    UpdateRowCount();
    UpdateScrollBar();
    UpdateActive();
    InvalidateEditor();
    Invalidate();
}

void TZCustomDBGrid::InvalidateDataRows()
{
    const int last = GetRowCount() - FBottomRowCount - 1;
    if (last < FTitleRowCount || GetColCount() <= 0)
        return;
    InvalidateRect(TGridRect{0, FTitleRowCount, GetColCount() - 1, last});
}

void TZCustomDBGrid::Scroll(int Distance)
{
    if (!HandleAllocated() || !FDataLink)
        return;
    // The rows of the old and the new current record are repainted whole:
    // the indicator marks the link's active record, the cells the grid's
    // current cell. The old record is on the grid's row, which follows the
    // link (UpdateActive) and, while the grid's own cell selection moves the
    // record, still is the row being left; the new one is where the link's
    // active record is now.
    const int oldRow = GetRow();
    const int lastDataRow = GetRowCount() - FBottomRowCount - 1;

    // At the bottom row the window may have to grow (rebuilding the rows
    // repaints everything, so only when the rows do not match the buffer).
    if (FDataLink->ActiveRecord() + FTitleRowCount >= lastDataRow &&
        (FDataLink->RecordCount() != lastDataRow + 1 - FTitleRowCount ||
         FDataLink->BufferCount() != VisibleRowCount()))
        UpdateRowCount();
    UpdateActive();
    SetupRecNumber(FForcedRecNumber + Distance + GetRow() - oldRow);
    UpdateScrollBar();

    int shownOldRow = oldRow;
    if (Distance != 0) {
        HideEditor();
        bool fullRepaint = std::abs(Distance) > VisibleRowCount() || FStripeColor != clNone;
        for (TZColumn* column : FShowingColumns)
            if (column->GetWallpaper())
                fullRepaint = true;
        if (!fullRepaint && ScrollDataRows(Distance))
            shownOldRow -= Distance;
        else
            InvalidateDataRows();
    }
    InvalidateRecordRow(shownOldRow);
    InvalidateRecordRow(FDataLink->ActiveRecord() + FTitleRowCount);
    // Another record in the same cell: assistive technology hears of it as of a move.
    if (Distance != 0 && GetRow() == oldRow)
        GridAccessibleCurrentChanged(this);
    AlwaysShowEditor();
    // Painted at once, unless the grid's own cell selection is moving the
    // record: its current cell follows when the move is done, and the
    // picture with it.
    if (FUpdateLock == 0 && !FSelectingCell && isVisible())
        QCoreApplication::sendPostedEvents(viewport()->window(), QEvent::UpdateRequest);
}

bool TZCustomDBGrid::ScrollDataRows(int Distance)
{
    // The pixels of the data rows move (the rows uncovered repaint); the
    // filler below the last data row and the bottom block stay. False when
    // the data rows are not on screen to be moved.
    const QRect first = CellRect(0, FTitleRowCount);
    const QRect last = CellRect(0, GetRowCount() - FBottomRowCount - 1);
    if (first.isNull() || last.isNull())
        return false;
    QWidget* area = viewport();
    const int top = first.top();
    const int bottom = std::min(last.bottom() + 1 + RowLineWidth(), area->height());
    if (bottom <= top)
        return false;
    area->scroll(0, -Distance * (GetDefaultRowHeight() + RowLineWidth()),
                 QRect(0, top, area->width(), bottom - top));
    return true;
}

void TZCustomDBGrid::InvalidateRecordRow(int ARow)
{
    if (ARow < FTitleRowCount || ARow >= GetRowCount() - FBottomRowCount || GetColCount() <= 0)
        return;
    // With the line below it when that line is not drawn in a colour of its own.
    QRect r = BoxRect(0, ARow, GetColCount() - 1, ARow);
    if ((FOptions & dgRowLines) && FDataRowLineColor == clNone && !r.isEmpty())
        r.setBottom(r.bottom() + TCustomGrid::GetGridLineWidth());
    viewport()->update(r);
}

void TZCustomDBGrid::RecordChanged(TField* Field)
{
    if (FTreeView)
        FTreeView->CheckUpdate(Field);
    if (!HandleAllocated())
        return;
    if (Field) {
        for (TZColumn* column : FShowingColumns) {
            TField* shown = column->GetField();
            if (shown == Field ||
                (shown && shown->Lookup() && shown->GetKeyFields().compare(Field->FullName(), Qt::CaseInsensitive) == 0))
                InvalidateCol(DataToRawColumn(column->Index()));
        }
    } else {
        InvalidateDataRows();
    }
    if (!Field || Field == SelectedField())
        InvalidateEditor();
    if (Field)
        UpdateLookupResults(Field);
}

void TZCustomDBGrid::UpdateLookupResults(TField* Field)
{
    if (!FColumns || !FDataLink || !FDataLink->Active())
        return;
    for (int i = 0; i < FColumns->Count(); ++i) {
        TZColumn* column = (*FColumns)[i];
        if (column->LookupColumn() != lcLookupResultField ||
            column->GetKeyField().compare(Field->FullName(), Qt::CaseInsensitive) != 0)
            continue;
        TField* target = column->GetField();
        TDataSet* lookup = column->GetLookupDataSet();
        if (!target || !target->CanModify() || !FDataLink->Edit())
            continue;
        if (Field->IsNull()) {
            target->Clear();
            continue;
        }
        if (!lookup)
            continue;
        const bool wasActive = lookup->Active();
        if (!wasActive)
            lookup->Open();
        auto close = qScopeGuard([lookup, wasActive] {
            if (!wasActive)
                lookup->Close();
        });
        const QVariant result = lookup->Locate(column->GetLookupKeyField(), Field->GetValue())
                                    ? lookup->FieldByName(column->GetLookupResultField())->GetValue()
                                    : QVariant();
        if (FDataLink->Edit())
            target->SetValue(result);
    }
}

void TZCustomDBGrid::EditingChanged()
{
    if ((FOptions & dgIndicator) && FDataLink->Active())
        InvalidateCell(0, FDataLink->ActiveRecord() + FTitleRowCount);
}

void TZCustomDBGrid::UpdateActive()
{
    if (!FDataLink)
        return;
    if (FDataLink->Active() && HandleAllocated() && !IsLoading()) {
        const int row = FDataLink->ActiveRecord() + FTitleRowCount;
        if (!FSelectingCell && GetRow() != row && row < GetRowCount()) {
            if (!(FOptions & dgAlwaysShowEditor))
                HideEditor();
            MoveToRow(row);
            InvalidateEditor();
        }
        UpdateGridOptions();
    } else if (!FDataLink->Active()) {
        UpdateScrollBar();
    }
}

void TZCustomDBGrid::focusOutEvent(QFocusEvent* Event)
{
    TCustomGrid::focusOutEvent(Event);
    GuardEvent(this, [this] { FocusLeft(); });
}

void TZCustomDBGrid::FocusLeft()
{
    // Focus moving into the in-place editor does not leave the grid.
    QWidget* focused = QApplication::focusWidget();
    if (focused && focused != this && isAncestorOf(focused))
        return;
    if (!FDataLink || !FDataLink->Active())
        return;
    TDataSet* dataSet = FDataLink->DataSet();
    if ((FOptions & dgCancelOnExit) && dataSet->State() == dsInsert && !dataSet->Modified() &&
        !FDataLink->GetModified())
        FDataLink->Cancel();
    else
        FDataLink->UpdateData();
}

void TZCustomDBGrid::MoveToRow(int ARow)
{
    FSelectingCell = true;
    struct Done
    {
        bool& Flag;
        ~Done() { Flag = false; }
    } done{FSelectingCell};
    const int col = std::clamp(GetCol(), TCustomGrid::GetFixedCols(), GetColCount() - 1);
    MoveColRow(col, ARow, true, false);
}

bool TZCustomDBGrid::SelectCell(int ACol, int ARow)
{
    if (!TCustomGrid::SelectCell(ACol, ARow))
        return false;
    if (FSelectingCell)
        return true;
    if (ARow < FTitleRowCount || ACol < FIndicatorOffset)
        return false;
    // The edit of the cell being left goes to its field first; a text the
    // field refuses raises and keeps the current cell.
    if (ACol != GetCol() && FDataLink && FDataLink->GetModified())
        FDataLink->UpdateData();
    if (FBottomRowCount > 0 && ARow >= GetRowCount() - FBottomRowCount)
        return false;
    if (TZColumn* column = ColumnOfRaw(ACol); column && !column->Showing())
        return false;
    if (FDataLink && FDataLink->Active() && ARow != GetRow()) {
        const int target = ARow - FTitleRowCount;
        if (target >= FDataLink->RecordCount())
            return false;
        const int delta = target - FDataLink->ActiveRecord();
        if (delta != 0) {
            FSelectingCell = true;
            struct Done
            {
                bool& Flag;
                ~Done() { Flag = false; }
            } done{FSelectingCell};
            FDataLink->MoveBy(delta);
            if (FDataLink->ActiveRecord() != target)
                return false;
        }
    }
    // The current column is about to change: it is left now, and the new one
    // entered once it is current (SelectionMoved).
    if (ACol != GetCol() && !(FOptions & dgRowSelect)) {
        ColExit();
        FColChanging = true;
    }
    return true;
}

} // namespace zdb

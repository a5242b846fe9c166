// TZCustomDBGrid: field map, layout batching, columns bound to fields, row
// structure and row heights.

#include "ZDBGrids.h"

#include "AppExceptions.h"

#include "DBError.h"

#include <QFontMetrics>
#include <QScopeGuard>
#include <QScrollBar>

#include <algorithm>
#include <unordered_set>

namespace zdb {

namespace {

// Id of the deferred-layout call posted through PostDeferred.
constexpr int DeferLayoutId = 1124;

int TextHeightOf(const QFont& Font)
{
    return QFontMetrics(Font).height();
}

} // namespace

// ---- Layout batching -----------------------------------------------------------

void TZCustomDBGrid::BeginUpdate()
{
    ++FUpdateLock;
}

void TZCustomDBGrid::EndUpdate()
{
    if (FUpdateLock > 0)
        --FUpdateLock;
}

bool TZCustomDBGrid::UpdateInProgress() const
{
    return FUpdateLock > 0 || FCalculatingTotals || (FTreeView && FTreeView->Updating());
}

void TZCustomDBGrid::BeginLayout()
{
    BeginUpdate();
    if (FLayoutLock == 0 && FColumns)
        FColumns->BeginUpdate();
    ++FLayoutLock;
}

void TZCustomDBGrid::EndLayout()
{
    if (FLayoutLock <= 0)
        return;
    if (FLayoutLock == 1) {
        try {
            InternalLayout();
        } catch (...) {
            if (FColumns)
                FColumns->EndUpdate();
            --FLayoutLock;
            EndUpdate();
            throw;
        }
        // The collection's own change report finds the layout lock still held.
        if (FColumns)
            FColumns->EndUpdate();
    }
    --FLayoutLock;
    EndUpdate();
}

void TZCustomDBGrid::CancelLayout()
{
    if (FLayoutLock <= 0)
        return;
    if (FLayoutLock == 1 && FColumns)
        FColumns->EndUpdate();
    --FLayoutLock;
    EndUpdate();
}

bool TZCustomDBGrid::AcquireLayoutLock()
{
    if (FUpdateLock != 0 || FLayoutLock != 0)
        return false;
    BeginLayout();
    return true;
}

void TZCustomDBGrid::LayoutChanged()
{
    if (AcquireLayoutLock())
        EndLayout();
}

void TZCustomDBGrid::DeferLayout()
{
    if (HandleAllocated() && !DeferredPending(DeferLayoutId))
        PostDeferred([this] { DeferredLayout(); }, DeferLayoutId);
    CancelLayout();
}

void TZCustomDBGrid::DeferredLayout()
{
    if (AcquireLayoutLock())
        EndLayout();
    else if (HandleAllocated())
        PostDeferred([this] { DeferredLayout(); }, DeferLayoutId);
}

TZLayoutGuard::TZLayoutGuard(TZCustomDBGrid* Grid) : FGrid(Grid)
{
    if (FGrid)
        FGrid->BeginLayout();
}

TZLayoutGuard::~TZLayoutGuard() noexcept(false)
{
    if (!FGrid)
        return;
    if (FEnd.Unwinding())
        FGrid->CancelLayout();
    else
        FGrid->EndLayout();
}

// ---- Field map -------------------------------------------------------------------

void TZCustomDBGrid::DefineFieldMap()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet || !FColumns)
        return;
    if (FColumns->State() == csCustomized) {
        FDataLink->SetSparseMap(true);
        for (TZColumn* column : *FColumns)
            if (!FDataLink->AddMapping(column->GetFieldName()))
                column->ReportMissingField();
    } else {
        FDataLink->SetSparseMap(false);
        for (const auto& field : dataSet->Fields()) {
            if (field->GetVisible())
                FDataLink->AddMapping(field->FullName());
        }
    }
}

// ---- Layout ----------------------------------------------------------------------

void TZCustomDBGrid::InternalLayout()
{
    if (IsLoading() || IsDestroying() || !FColumns || !FDataLink)
        return;
    FInLayout = true;
    struct Done
    {
        bool& Flag;
        ~Done() { Flag = false; }
    } done{FInLayout};

    // 1. A layout now makes a deferred one unnecessary.
    CancelDeferred(DeferLayoutId);

    // 2. Columns made by the grid followed by stored ones: the grid's go.
    {
        bool unstoredSeen = false;
        bool mixed = false;
        for (TZColumn* column : *FColumns) {
            if (!column->IsStored())
                unstoredSeen = true;
            else if (unstoredSeen) {
                mixed = true;
                break;
            }
        }
        if (mixed)
            for (int i = FColumns->Count() - 1; i >= 0; --i)
                if (!(*FColumns)[i]->IsStored())
                    FColumns->Delete(i);
    }

    // 3.
    FIndicatorOffset = (FOptions & dgIndicator) ? 1 : 0;

    // 4.
    FDataLink->ClearMapping();
    if (FDataLink->Active())
        DefineFieldMap();

    // 5.
    BindColumns();

    // 6. Parents and the showing columns.
    const int count = FColumns->Count();
    for (int i = 0; i < count; ++i) {
        TZColumn* column = (*FColumns)[i];
        TZColumn* parent = nullptr;
        for (int j = i - 1; j >= 0; --j) {
            TZColumn* candidate = (*FColumns)[j];
            if (candidate->GetExpandCols() >= i - j) {
                parent = candidate;
                break;
            }
            if (!candidate->ParentColumn())
                break;
        }
        column->SetParentColumn(parent);
    }
    FShowingColumns.clear();
    for (TZColumn* column : *FColumns)
        if (column->Showing())
            FShowingColumns.push_back(column);

    // 7.
    TCustomGrid::SetColCount(std::max(count + FIndicatorOffset, 1));

    // 8. Frozen columns.
    if (!FDataLink->Active() && FColumns->State() == csDefault) {
        TCustomGrid::SetFixedCols(std::min(FIndicatorOffset, GetColCount() - 1));
    } else {
        for (int i = 0; i < count; ++i) {
            TZColumn* column = (*FColumns)[i];
            int limit = count - 1 - i;
            if (column->Expandable()) {
                // Reach the last column of the group.
                int last = i;
                for (int k = i + 1; k < count; ++k) {
                    TZColumn* p = (*FColumns)[k]->ParentColumn();
                    while (p && p != column)
                        p = p->ParentColumn();
                    if (p == column)
                        last = k;
                }
                if (column->GetExpandCols() > 0 || last > i)
                    limit = std::min(limit, last - i);
                if (column->GetExpandCols() != limit && column->GetExpandCols() > 0)
                    column->SetExpandCols(limit);
            } else if (column->GetExpandCols() > limit) {
                column->SetExpandCols(limit);
            }
        }
        int frozen = std::min(FFixedCols, std::max(count - 1, 0));
        if (frozen > 0) {
            TZColumn* root = (*FColumns)[frozen - 1];
            while (root->ParentColumn())
                root = root->ParentColumn();
            const int groupEnd = root->ExpandIndex();
            if (groupEnd > frozen - 1) {
                if (groupEnd >= count - 1)
                    frozen = root->Index();
                else
                    frozen = groupEnd + 1;
            }
        }
        TCustomGrid::SetFixedCols(std::min(FIndicatorOffset + frozen, GetColCount() - 1));
    }

    // 9.
    UpdateSelectionOffset();

    // 10. Title rows.
    FTitleRowCount = 0;
    if (FOptions & dgTitles) {
        int depth = 0;
        for (TZColumn* column : FShowingColumns)
            depth = std::max(depth, column->Depth());
        FTitleRowCount = 1 + depth;
    }

    // 11. Bottom rows.
    FTotalHeaderRowCount = (FOptionsEx & dgTotalHeader) ? 1 : 0;
    FTotalValuesRowCount = 0;
    if (FOptionsEx & dgTotalValues)
        for (TZColumn* column : *FColumns)
            FTotalValuesRowCount = std::max(FTotalValuesRowCount, column->TotalValuesCount());
    FTotalFooterRowCount = (FOptionsEx & dgTotalFooter) ? 1 : 0;
    FBottomRowCount = ((FOptionsEx & dgBlankRow) ? 1 : 0) + FTotalHeaderRowCount + FTotalValuesRowCount +
                      FTotalFooterRowCount;
    if ((FOptionsEx & dgTotalFields) && FTotalDataLink && FTotalDataLink->Active())
        FBottomRowCount += FTotalDataLink->RecordCount();

    // 12.
    UpdateMarkers();
    UpdateRowCount();
    MeasureRowHeights();
    UpdateRowCount();

    // 13.
    if (TZColumn* current = ColumnOfRaw(GetCol()); current && !current->Showing())
        MoveCol(GetCol(), 1);

    // 14.
    UpdateScrollBar();
    SetColumnAttributes();
    UpdateActive();
    UpdateRowCount();
    Invalidate();
}

void TZCustomDBGrid::BindColumns()
{
    auto dropTotalFields = [](TZColumn* column) {
        if (column->TotalHeader())
            column->TotalHeader()->SetField(nullptr);
        if (TZColumnTotalValues* values = column->TotalValues())
            for (int v = 0; v < values->Count(); ++v)
                (*values)[v]->SetField(nullptr);
        if (column->TotalFields())
            column->TotalFields()->SetField(nullptr);
        if (column->TotalFooter())
            column->TotalFooter()->SetField(nullptr);
    };

    if (FColumns->State() == csCustomized) {
        // Every binding is looked up again by name. The field map was just made
        // from the columns' names in their order, so a stored column bound to
        // the very field its name maps to keeps its binding: dropping it and
        // looking the name up again would end the same, after asking for each
        // column whether the grid still references its old field (a walk of
        // the field map, quadratic in the columns).
        const bool mappedInOrder = FDataLink->Active() && FDataLink->FieldCount() == FColumns->Count();
        for (int i = 0; i < FColumns->Count(); ++i) {
            TZColumn* column = (*FColumns)[i];
            const TField* bound = column->BoundField();
            const bool keep = mappedInOrder && bound && column->IsStored() && FDataLink->GetFields(i) == bound &&
                              column->GetFieldName() == bound->FullName();
            if (!keep)
                column->SetField(nullptr);
        }
    } else {
        if (!FDataLink->Active() && FDataLink->GetDefaultFields()) {
            FColumns->Clear();
        } else {
            std::unordered_set<TField*> mapped;
            for (int j = 0; j < FDataLink->FieldCount(); ++j)
                if (TField* field = FDataLink->GetFields(j))
                    mapped.insert(field);
            for (int i = FColumns->Count() - 1; i >= 0; --i) {
                TField* field = (*FColumns)[i]->GetField();
                if (!field || !mapped.count(field))
                    FColumns->Delete(i);
            }
        }
        const int entries = FDataLink->FieldCount();
        const int passes = (entries == 0 && FColumns->Count() == 0) ? 1 : entries;
        for (int j = 0; j < passes; ++j) {
            TField* field = FDataLink->GetFields(j);
            TZColumn* column = nullptr;
            if (field)
                for (int k = j; k < FColumns->Count(); ++k)
                    if ((*FColumns)[k]->GetField() == field) {
                        column = (*FColumns)[k];
                        break;
                    }
            if (!column) {
                column = FColumns->InternalAdd();
                column->SetField(field);
            }
            if (column->Index() != j)
                column->SetIndex(j);
        }
        if (FOptionsExt & dgAutoExpandColumn)
            FColumns->AddAutoExpand();
        if (FOptionsExt & dgAutoSelectColumn)
            FColumns->AddAutoSelect();
        if (FOptionsExt & dgAutoNumberColumn)
            FColumns->AddAutoNumber();
    }
    for (TZColumn* column : *FColumns)
        dropTotalFields(column);
}

void TZCustomDBGrid::SetColumnAttributes()
{
    FSettingColumnAttributes = true;
    struct Done
    {
        bool& Flag;
        ~Done() { Flag = false; }
    } done{FSettingColumnAttributes};
    for (int i = 0; i < FColumns->Count(); ++i) {
        TZColumn* column = (*FColumns)[i];
        const int raw = DataToRawColumn(i);
        if (raw >= GetColCount())
            break;
        SetTabStops(raw, ColumnTabStop(column));
        SetColWidths(raw, column->GetWidth());
    }
    if (FIndicatorOffset > 0)
        SetColWidths(0, FIndicatorWidth);
}

bool TZCustomDBGrid::ColumnTabStop(TZColumn* Column) const
{
    if (!FDataLink || !FDataLink->Active() || !Column->Showing() || Column->GetReadOnly())
        return false;
    TField* field = Column->GetField();
    if (!field || field->GetFieldKind() == fkCalculated || field->GetReadOnly())
        return false;
    TDataSet* dataSet = DataSet();
    if (dataSet && (field->Lookup() || Column->LookupColumn() == lcLookupResultField)) {
        const QString keys = field->Lookup() ? field->GetKeyFields() : Column->GetKeyField();
        for (const QString& name : keys.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (TField* key = dataSet->FindField(name.trimmed()); key && key->GetReadOnly())
                return false;
    }
    return true;
}

void TZCustomDBGrid::ColWidthsChanged()
{
    TCustomGrid::ColWidthsChanged();
    if (FSettingColumnAttributes || FInLayout || !FColumns || IsLoading() || IsDestroying())
        return;
    if (FIndicatorOffset > 0 && GetColCount() > 0 && GetColWidths(0) != FIndicatorWidth)
        FIndicatorWidth = std::max(GetColWidths(0), 11);
    // The user sized a column: the column takes the raw column's width.
    std::vector<std::pair<TZColumn*, int>> sized;
    for (int i = 0; i < FColumns->Count(); ++i) {
        TZColumn* column = (*FColumns)[i];
        const int raw = DataToRawColumn(i);
        if (raw >= GetColCount() || !column->Showing())
            continue;
        const int w = GetColWidths(raw);
        if (w != column->GetWidth())
            sized.emplace_back(column, w);
    }
    if (sized.empty() || !AcquireLayoutLock())
        return;
    try {
        for (const auto& [column, width] : sized)
            column->SetWidth(width);
    } catch (...) {
        CancelLayout();
        throw;
    }
    EndLayout();
    for (const auto& [column, width] : sized)
        ColumnResize(column);
}

void TZCustomDBGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    TCustomGrid::ColumnMoved(FromIndex, ToIndex);
    if (FMovingColumns)
        return;
    const int from = RawToDataColumn(FromIndex);
    const int to = RawToDataColumn(ToIndex);
    if (!FColumns || from < 0 || to < 0 || from >= FColumns->Count() || to >= FColumns->Count())
        return;
    // Raw column moves of this grid itself (or, from the ring of linked grids,
    // back to it) are not reported again.
    FMovingColumns = true;
    const auto reset = qScopeGuard([this] { FMovingColumns = false; });
    bool allowed = true;
    ColumnMoving(from, to, allowed);
    if (!allowed) {
        MoveColumn(ToIndex, FromIndex);
        return;
    }
    // The column lays itself out (a default column moves its field).
    (*FColumns)[from]->SetIndex(to);
    if (ColsSelection() && GetSelectionColumn())
        ClearSelection();
    else if (FSelectedCols)
        FSelectedCols->Clear();
    FireEvent(OnColumnMoved, this, from, to);
    // The linked grids move the same columns.
    TZCustomDBGrid* managed = FManageGrid;
    if (managed && managed != this && managed->FColumns && managed->FColumns->Count() > std::max(from, to))
        managed->MoveColumn(managed->DataToRawColumn(from), managed->DataToRawColumn(to));
}

// ---- Row heights ---------------------------------------------------------------

int TZCustomDBGrid::TitleTextHeight(TZColumn* Column) const
{
    return FTitleLinesCount * TextHeightOf(Column->Title()->GetFont()) + FGridStyle->TitleRowSpace() +
           Column->Title()->HeaderCount() * FHeaderRowHeight;
}

void TZCustomDBGrid::RowHeightsChanged()
{
    TCustomGrid::RowHeightsChanged();
    // Only a row the user sized matters: the rows of the grid are laid out
    // together, so a data row's new height becomes LinesCount (rounded to
    // whole text lines) and every row takes its measured height again.
    if (GetGridState() != gsRowSizing || FInLayout || FRowSizing || FTextHeight <= 0 || IsDestroying() ||
        !FGridStyle)
        return;
    FRowSizing = true;
    const auto done = qScopeGuard([this] { FRowSizing = false; });
    const int row = FSizingIndex;
    const int oldLines = FLinesCount;
    if (row >= FTitleRowCount && row < GetRowCount() - FBottomRowCount) {
        const int textSpace = GetRowHeights(row) - FGridStyle->DataRowSpace() - RowLineWidth();
        SetLinesCount(std::max(1, (textSpace + FTextHeight / 2) / FTextHeight));
    }
    if (FLinesCount == oldLines)
        LayoutChanged();
    RowResize(row);
}

void TZCustomDBGrid::MeasureRowHeights()
{
    const int rlw = RowLineWidth();
    FTextHeight = TextHeightOf(font());
    TCustomGrid::SetDefaultRowHeight(FLinesCount * FTextHeight + FGridStyle->DataRowSpace() + rlw);

    FHeaderRowHeight = 0;
    if ((FOptions & dgTitles) && (FOptions & dgTitleHeaders))
        FHeaderRowHeight = FHeaderLinesCount * TextHeightOf(FHeaderFont) + FGridStyle->HeaderRowSpace() + rlw;

    if ((FOptions & dgTitles) && FTitleRowCount > 0) {
        const int last = FTitleRowCount - 1;
        std::vector<int> heights(size_t(FTitleRowCount), 0);
        // Expanded groups: their title row takes the group's title.
        for (TZColumn* column : *FColumns) {
            if (!column->GetVisible() || !column->GetExpanded())
                continue;
            bool shown = true;
            for (TZColumn* p = column->ParentColumn(); p; p = p->ParentColumn())
                shown = shown && p->GetExpanded();
            const int d = column->Depth();
            if (shown && d <= last)
                heights[size_t(d)] = std::max(heights[size_t(d)], TitleTextHeight(column));
        }
        // Showing columns: what the rows above leave is a bound for the last row.
        for (TZColumn* column : FShowingColumns) {
            const int d = std::min(column->Depth(), last);
            int above = 0;
            for (int r = d; r < last; ++r)
                above += heights[size_t(r)];
            heights[size_t(last)] = std::max(heights[size_t(last)], TitleTextHeight(column) - above);
        }
        if (heights[0] == 0)
            heights[0] = FTitleLinesCount * TextHeightOf(FTitleFont) + FGridStyle->TitleRowSpace();
        for (int r = 0; r < FTitleRowCount && r < GetRowCount(); ++r)
            SetRowHeights(r, heights[size_t(r)]);
    }

    FTotalRowHeight = 0;
    if (FBottomRowCount > 1) {
        const int lines = FTotals->GetLinesCount();
        const int space = FGridStyle->TotalRowSpace();
        for (TZColumn* column : *FColumns) {
            int text = 0;
            if ((FOptionsEx & dgTotalHeader) && column->TotalHeader())
                text = std::max(text, TextHeightOf(column->TotalHeader()->GetFont()));
            if ((FOptionsEx & dgTotalValues) && column->TotalValues())
                for (int v = 0; v < column->TotalValues()->Count(); ++v)
                    text = std::max(text, TextHeightOf((*column->TotalValues())[v]->GetFont()));
            if ((FOptionsEx & dgTotalFields) && column->TotalFields())
                text = std::max(text, TextHeightOf(column->TotalFields()->GetFont()));
            if ((FOptionsEx & dgTotalFooter) && column->TotalFooter())
                text = std::max(text, TextHeightOf(column->TotalFooter()->GetFont()));
            if (text > 0)
                FTotalRowHeight = std::max(FTotalRowHeight, text * lines + space);
        }
        if (FTotalRowHeight == 0)
            FTotalRowHeight = TextHeightOf(FTotals->GetFont()) * lines + space;
    }
    SetBottomRowHeights();
}

void TZCustomDBGrid::SetBottomRowHeights()
{
    const int b = FBottomRowCount;
    const int rc = GetRowCount();
    if (b <= 0 || rc - b < FTitleRowCount)
        return;
    for (int r = rc - 1; r > rc - b; --r)
        SetRowHeights(r, FTotalRowHeight);
    SetRowHeights(rc - b, std::max(BlankHeight(), 0) - RowLineWidth());
}

// ---- Row count -------------------------------------------------------------------

void TZCustomDBGrid::UpdateRowCount()
{
    if (!FDataLink || !FColumns || IsDestroying())
        return;
    const int title = FTitleRowCount;
    const int b = FBottomRowCount;
    const int oldRowCount = GetRowCount();
    const int defaultHeight = GetDefaultRowHeight();
    if (GetRowCount() < title + b + 1)
        TCustomGrid::SetRowCount(title + b + 1);
    TCustomGrid::SetFixedRows(title);

    if (FDataLink->Active() && FDataLink->RecordCount() > 0 && HandleAllocated()) {
        if (b > 0) {
            // Stand-ins at the top of the data area for the bottom block, so that
            // the rows that fit below them are the data rows that fit.
            const int rc = GetRowCount();
            for (int r = std::max(rc - b, title + 1); r < rc; ++r)
                SetRowHeights(r, defaultHeight);
            for (int r = title + 1; r < title + b && r < rc; ++r)
                SetRowHeights(r, FTotalRowHeight);
            SetRowHeights(title, -RowLineWidth());
        } else {
            SetRowHeights(title, defaultHeight);
        }
        TCustomGrid::SetRowCount(1000);
        TCustomGrid::SetTopRow(title);
        FDataLink->SetBufferCount(VisibleRowCount());
        TCustomGrid::SetRowCount(FDataLink->RecordCount() + title + b);
        if (b > 0) {
            for (int r = title; r < title + b && r < GetRowCount(); ++r)
                SetRowHeights(r, defaultHeight);
            SetBottomRowHeights();
        }
        TCustomGrid::SetTopRow(title);
        UpdateActive();
    } else {
        TCustomGrid::SetRowCount(title + b + 1);
        SetRowHeights(title, defaultHeight);
        SetBottomRowHeights();
        TCustomGrid::SetTopRow(title);
    }

    if (GetRowCount() != oldRowCount) {
        Invalidate();
    } else if ((FOptions & dgRowLines) && b == 0 && HandleAllocated()) {
        const int dataHeight = (GetRowCount() - title) * RowHeight();
        if (dataHeight == GetClientHeight() - TitleHeight())
            InvalidateRow(GetRowCount() - 1);
    }
}

// ---- Row and column geometry ------------------------------------------------------

int TZCustomDBGrid::TotalRowCount() const
{
    return std::max(FBottomRowCount - ((FOptionsEx & dgBlankRow) ? 1 : 0), 0);
}

int TZCustomDBGrid::TotalFieldsRowCount() const
{
    return std::max(TotalRowCount() - FTotalHeaderRowCount - FTotalValuesRowCount - FTotalFooterRowCount, 0);
}

int TZCustomDBGrid::DataRowCount() const
{
    return (FDataLink && FDataLink->Active()) ? FDataLink->RecordCount() : 0;
}

int TZCustomDBGrid::VisibleRowCount() const
{
    return std::max(GetVisibleRowCount() - FBottomRowCount, 1);
}

int TZCustomDBGrid::RowLineWidth() const
{
    return (FOptions & dgRowLines) ? TCustomGrid::GetGridLineWidth() : 0;
}

int TZCustomDBGrid::ColLineWidth() const
{
    return (FOptions & dgColLines) ? TCustomGrid::GetGridLineWidth() : 0;
}

int TZCustomDBGrid::RowHeight() const
{
    return GetDefaultRowHeight() + RowLineWidth();
}

int TZCustomDBGrid::TitleHeight() const
{
    int h = 0;
    for (int r = 0; r < FTitleRowCount && r < GetRowCount(); ++r)
        h += GetRowHeights(r) + RowLineWidth();
    return h;
}

bool TZCustomDBGrid::TotalsAlignedToBorder() const
{
    return FBottomRowCount > 0 && !horizontalScrollBar()->isVisible() && frameShape() == QFrame::NoFrame;
}

int TZCustomDBGrid::TotalHeight() const
{
    const int totals = TotalRowCount();
    if (totals <= 0)
        return 0;
    int h = totals * (FTotalRowHeight + RowLineWidth());
    if (TotalsAlignedToBorder())
        h -= 1;
    return h;
}

int TZCustomDBGrid::DataRowsHeight() const
{
    return std::max(DataRowCount(), 1) * RowHeight();
}

int TZCustomDBGrid::DataHeight() const
{
    return GetClientHeight() - TitleHeight() - TotalHeight();
}

int TZCustomDBGrid::BlankHeight() const
{
    int h = GetClientHeight() - TitleHeight() - TotalHeight() - DataRowsHeight();
    if (FBottomRowCount == 1 && (FOptionsEx & dgBlankRow) && TotalsAlignedToBorder())
        h += 1;
    return h;
}

int TZCustomDBGrid::BlankRow() const
{
    if (FBottomRowCount <= 0 || !(FOptionsEx & dgBlankRow))
        return -1;
    return GetRowCount() - FBottomRowCount;
}

int TZCustomDBGrid::FixedColsWidth() const
{
    int w = 0;
    const int clw = ColLineWidth();
    for (int raw = FIndicatorOffset; raw < TCustomGrid::GetFixedCols(); ++raw)
        w += std::max(GetColWidths(raw) + clw, 0);
    return w;
}

int TZCustomDBGrid::ColumnsWidth() const
{
    int w = 0;
    const int clw = ColLineWidth();
    for (int raw = 0; raw < GetColCount(); ++raw)
        w += std::max(GetColWidths(raw) + clw, 0);
    return w;
}

TZColumn* TZCustomDBGrid::ColumnOfRaw(int RawCol) const
{
    const int i = RawToDataColumn(RawCol);
    if (!FColumns || i < 0 || i >= FColumns->Count())
        return nullptr;
    return (*FColumns)[i];
}

int TZCustomDBGrid::HeaderRow(int Y, TZColumn* Column) const
{
    if (!(FOptions & dgTitleHeaders) || !Column || FHeaderRowHeight <= 0 || !(FOptions & dgTitles))
        return -1;
    const int raw = DataToRawColumn(Column->Index());
    const int row = Column->Depth();
    if (row >= FTitleRowCount)
        return -1;
    const QRect cell = CellRect(raw, row);
    if (cell.isEmpty() || Y < cell.top())
        return -1;
    const int band = (Y - cell.top()) / FHeaderRowHeight;
    return band < Column->Title()->HeaderCount() ? band : -1;
}

TZColumn* TZCustomDBGrid::ColumnAtDepth(TZColumn* Column, int Depth)
{
    while (Column && Column->Depth() > Depth)
        Column = Column->ParentColumn();
    return Column;
}

// ---- Column operations ------------------------------------------------------------

TZColumn* TZCustomDBGrid::FindColumn(const QString& Name, int StartIndex) const
{
    return FColumns ? FColumns->FindColumn(Name, StartIndex) : nullptr;
}

TZColumn* TZCustomDBGrid::ColumnByName(const QString& Name, int StartIndex) const
{
    if (TZColumn* column = FindColumn(Name, StartIndex))
        return column;
    DatabaseErrorFmt(SFieldNotFound, {Name}, this);
}

TZColumn* TZCustomDBGrid::SelectedColumn() const
{
    return ColumnOfRaw(GetCol());
}

TField* TZCustomDBGrid::SelectedField() const
{
    TZColumn* column = SelectedColumn();
    return column ? column->GetField() : nullptr;
}

void TZCustomDBGrid::SetSelectedIndex(int Value)
{
    const int raw = DataToRawColumn(Value);
    if (raw >= TCustomGrid::GetFixedCols() && raw < GetColCount())
        SetCol(raw);
}

void TZCustomDBGrid::MoveCol(int RawCol, int Direction)
{
    if (!FColumns || FColumns->Count() == 0)
        return;
    const int first = TCustomGrid::GetFixedCols();
    const int last = GetColCount() - 1;
    auto moveTo = [this, first, last](int raw) {
        TZColumn* column = ColumnOfRaw(raw);
        if (raw < first || raw > last || !column || !column->Showing())
            return false;
        if (raw != GetCol())
            SetCol(raw);
        return true;
    };
    if (Direction == 0 || last < first) {
        moveTo(RawCol);
        return;
    }
    // RawCol or the next showing column in Direction; else the nearest one back.
    const int step = Direction < 0 ? -1 : 1;
    const int start = std::clamp(RawCol, first, last);
    for (int raw = start; raw >= first && raw <= last; raw += step)
        if (moveTo(raw))
            return;
    for (int raw = start - step; raw >= first && raw <= last; raw -= step)
        if (moveTo(raw))
            return;
}

// ---- Stretching and scaling ------------------------------------------------------

bool TZCustomDBGrid::StretchActive() const
{
    return FStretchMode && FDataLink && FDataLink->Active();
}

int TZCustomDBGrid::StretchAvailableWidth() const
{
    int a = GetClientWidth() - FIndicatorOffset * (FIndicatorWidth + ColLineWidth());
    if (StretchActive() && !verticalScrollBar()->isVisible() && frameShape() == QFrame::NoFrame)
        a += 1;
    return a;
}

void TZCustomDBGrid::StretchGrid()
{
    if (!StretchActive() || FStretching || !FColumns || IsLoading() || IsDestroying())
        return;
    FStretching = true;
    struct Done
    {
        bool& Flag;
        ~Done() { Flag = false; }
    } done{FStretching};
    FColumns->Stretch(StretchAvailableWidth());
    if (GetLeftCol() > TCustomGrid::GetFixedCols() && ColumnsWidth() <= GetClientWidth())
        SetLeftCol(TCustomGrid::GetFixedCols());
}

void TZCustomDBGrid::UpdateStretchState()
{
    const bool active = StretchActive();
    if (active == FStretchWasActive || !FColumns)
        return;
    FStretchWasActive = active;
    FColumns->StretchActivated(active);
    if (active)
        StretchGrid();
}

void TZCustomDBGrid::ScaleColumnsBy(int M, int D, bool ScaleFonts)
{
    if (M == D || D == 0 || !FColumns)
        return;
    auto scale = [M, D](int v) { return v == -1 ? -1 : MulDiv(v, M, D); };
    auto scaleFont = [M, D](QFont f) {
        if (f.pixelSize() > 0)
            f.setPixelSize(std::max(1, MulDiv(f.pixelSize(), M, D)));
        else if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() * M / D);
        return f;
    };
    FColumns->BeginUpdate();
    struct End
    {
        TZDBGridColumns* Columns;
        ~End() { Columns->EndUpdate(); }
    } end{FColumns.get()};
    TCustomGrid::SetGridLineWidth(scale(TCustomGrid::GetGridLineWidth()));
    FIndicatorWidth = std::max(scale(FIndicatorWidth), 11);
    FDefaultWidthMin = scale(FDefaultWidthMin);
    FDefaultWidthMax = scale(FDefaultWidthMax);
    FStretchWidthMin = scale(FStretchWidthMin);
    FStretchWidthMax = scale(FStretchWidthMax);
    const bool ownFonts = ScaleFonts || !GetParentFont();
    if (ScaleFonts) {
        const bool parent = GetParentFont();
        FParentFontChanging = true;
        setFont(scaleFont(font()));
        FParentFontChanging = false;
        if (parent)
            setAttribute(Qt::WA_SetFont, false);
    }
    if (ownFonts) {
        FTitleFont = scaleFont(FTitleFont);
        FHeaderFont = scaleFont(FHeaderFont);
        if (FTotals)
            FTotals->SetFont(scaleFont(FTotals->GetFont()));
    }
    FColumns->ScaleColumnsBy(M, D, ScaleFonts);
}

void TZCustomDBGrid::AdjustColumnsWidth(bool Optimal, bool IncludeButtons)
{
    if (!FColumns)
        return;
    TZLayoutGuard guard(this);
    FColumns->AdjustColumnsWidth(Optimal, IncludeButtons);
}

void TZCustomDBGrid::ChangeScale(int M, int D, bool IsDpiChange)
{
    TCustomGrid::ChangeScale(M, D, IsDpiChange);
    if (!(GetParentFont() && (FOptionsExt & dgScaleByParentFont)))
        ScaleColumnsBy(M, D, false);
    if (IsDpiChange) {
        LoadBitmaps();
        UpdateMarkers();
    }
    LayoutChanged();
}

void TZCustomDBGrid::CreateWnd()
{
    TCustomGrid::CreateWnd();
    LayoutChanged();
}

void TZCustomDBGrid::resizeEvent(QResizeEvent* Event)
{
    TCustomGrid::resizeEvent(Event);
    if (!FPartsCreated || IsDestroying())
        return;
    GuardEvent(this, [this] {
        // A pending cell edit goes to its field before the rows change.
        if (FDataLink)
            FDataLink->UpdateData();
        StretchGrid();
        if (FUpdateLock == 0) {
            UpdateRowCount();
            UpdateScrollBar();
        }
        UpdateSearchPanel();
        InvalidateEditor();
        Invalidate();
    });
}

} // namespace zdb

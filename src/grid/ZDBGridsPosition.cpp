// The grid's record position: position and record numbers, the position and
// grid-disable brackets that bring a record back to its screen row after a
// walk over the dataset, refreshing by key fields, the delayed-update timers
// and focus helpers.

#include "ZDBGrids.h"

#include "AppExceptions.h"

#include "DBError.h"

#include <QApplication>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

namespace zdb {

// ---- Position and record numbers -----------------------------------------------------

int TZCustomDBGrid::GetPosition() const
{
    return FDataLink && FDataLink->Active() ? FDataLink->ActiveRecord() : 0;
}

void TZCustomDBGrid::SetPosition(int Value)
{
    if (!FDataLink || !FDataLink->Active())
        return;
    const int last = std::max(FDataLink->RecordCount() - 1, 0);
    FDataLink->MoveBy(std::clamp(Value, 0, last) - FDataLink->ActiveRecord());
}

int TZCustomDBGrid::RecCount() const
{
    if (ForcedSequence())
        return FForcedRecCount;
    if (FDataLink && FDataLink->Active())
        return FDataLink->DataSet()->RecordCount();
    return 0;
}

int TZCustomDBGrid::GetRecNumber() const
{
    if (ForcedSequence()) {
        int number = FForcedRecNumber + FRecordOffset;
        TDataSet* dataSet = FDataLink->DataSet();
        if (dataSet->State() == dsInsert) {
            if (dataSet->Eof())
                ++number;
            else if (FRecordOffset > 0)
                --number;
        }
        return number;
    }
    if (FDataLink && FDataLink->Active())
        return FDataLink->DataSet()->RecNo();
    return -1;
}

void TZCustomDBGrid::SetRecNumber(int Value)
{
    if (ForcedSequence())
        FDataLink->MoveBy(Value - (FForcedRecNumber + FRecordOffset));
    else if (FDataLink && FDataLink->Active())
        FDataLink->DataSet()->SetRecNo(Value);
}

void TZCustomDBGrid::SetupRecCount(int N)
{
    if (ForcedSequence())
        FForcedRecCount = N;
}

void TZCustomDBGrid::SetupRecNumber(int N)
{
    if (ForcedSequence())
        FForcedRecNumber = N;
}

bool TZCustomDBGrid::GotoPosition(int Pos, const TBookmark& Bookmark)
{
    if (!FDataLink || !FDataLink->Active())
        return false;
    TDataSet* dataSet = FDataLink->DataSet();
    Pos = std::clamp(Pos, 0, std::max(FDataLink->RecordCount() - 1, 0));
    const TBookmark bookmark = Bookmark.isEmpty() ? dataSet->GetBookmark() : Bookmark;
    if (bookmark.isEmpty() || !dataSet->BookmarkValid(bookmark))
        return false;
    // Go to the record, then read the buffer again around it so that it lands
    // on buffer row Pos (as far as there are records before it).
    dataSet->GotoBookmark(bookmark);
    dataSet->UpdateCursorPos();
    FDataLink->SetActiveRecord(Pos);
    dataSet->Resync(TResyncMode(rmExact));
    return true;
}

// ---- Brackets ------------------------------------------------------------------------

void TZCustomDBGrid::DisablePosition()
{
    if (FPositionCount++ == 0 && FDataLink && FDataLink->Active()) {
        TDataSet* dataSet = FDataLink->DataSet();
        FPositionBookmark = dataSet->GetBookmark();
        FPositionRow = GetPosition();
        dataSet->DisableControls();
        FPositionDataSet = dataSet;
    }
}

void TZCustomDBGrid::EnablePosition(bool KeepCurrent)
{
    if (FPositionCount == 0 || --FPositionCount > 0)
        return;
    const TBookmark stored = std::exchange(FPositionBookmark, TBookmark());
    {
        // The dataset's controls come back even when returning fails or the
        // dataset could not be reopened.
        auto enable = qScopeGuard([disabled = std::exchange(FPositionDataSet, nullptr)] {
            if (disabled)
                disabled->EnableControls();
        });
        if (!FDataLink || !FDataLink->Active())
            return;
        TDataSet* dataSet = FDataLink->DataSet();
        const TBookmark target = KeepCurrent ? dataSet->GetBookmark() : stored;
        GotoPosition(FPositionRow, target);
    }
    // Columns rebuilt meanwhile get their sort markers back.
    if (FDataLink->Active())
        CheckOrderMarkers();
}

void TZCustomDBGrid::DisableGrid()
{
    if (FGridDisableCount++ > 0)
        return;
    ++FCancelCount;
    if (FDataLink && FDataLink->Active()) {
        TDataSet* dataSet = FDataLink->DataSet();
        FGridBookmark = dataSet->GetBookmark();
        FGridRow = GetPosition();
        dataSet->DisableControls();
        FGridDataSet = dataSet;
    }
    FGridWasEnabled = isEnabled();
    setEnabled(false);
}

void TZCustomDBGrid::EnableGrid()
{
    if (FGridDisableCount == 0 || --FGridDisableCount > 0)
        return;
    const TBookmark stored = std::exchange(FGridBookmark, TBookmark());
    auto restore = qScopeGuard([this] {
        setEnabled(FGridWasEnabled);
        --FCancelCount;
    });
    auto enable = qScopeGuard([disabled = std::exchange(FGridDataSet, nullptr)] {
        if (disabled)
            disabled->EnableControls();
    });
    if (!FDataLink || !FDataLink->Active())
        return;
    GotoPosition(FGridRow, stored);
}

TZPositionGuard::TZPositionGuard(TZCustomDBGrid* Grid, bool KeepCurrent)
    : FGrid(Grid), FKeepCurrent(KeepCurrent)
{
    if (FGrid)
        FGrid->DisablePosition();
}

TZPositionGuard::~TZPositionGuard() noexcept(false)
{
    if (FGrid)
        FEnd([this] { FGrid->EnablePosition(FKeepCurrent); });
}

TZGridDisableGuard::TZGridDisableGuard(TZCustomDBGrid* Grid) : FGrid(Grid)
{
    if (FGrid)
        FGrid->DisableGrid();
}

TZGridDisableGuard::~TZGridDisableGuard() noexcept(false)
{
    if (FGrid)
        FEnd([this] { FGrid->EnableGrid(); });
}

// ---- Refresh -------------------------------------------------------------------------

void TZCustomDBGrid::RefreshDataSet(const QString& KeyFields)
{
    if (!FDataLink || !FDataLink->Active())
        return;
    const QString keys = KeyFields.isEmpty() ? FKeyFields : KeyFields;
    TDataSet* dataSet = FDataLink->DataSet();
    // Key fields the dataset does not have (its query changed while the grid
    // kept KeyFields) leave nothing to locate by: the dataset is only reopened.
    const auto hasKeys = [&] {
        const QStringList names = SplitFieldNames(keys);
        return !names.isEmpty()
            && std::all_of(names.begin(), names.end(), [&](const QString& name) { return dataSet->FindField(name); });
    };
    // With customized columns the record returns to its screen row: the
    // position is disabled around the reopening and the found record is kept.
    std::optional<TZPositionGuard> position;
    if (FColumns && FColumns->State() == csCustomized)
        position.emplace(this, true);
    const bool locate = hasKeys();
    QVariant keyValues;
    if (locate)
        keyValues = dataSet->GetFieldValue(keys);
    const bool keepSelection = locate && (FOptionsEx & dgAutoKeepSelection);
    if (keepSelection)
        SaveSelection(keys);
    ClearSelection();
    if (dataSet->CanReopen()) {
        dataSet->Close();
        dataSet->Open();
    } else {
        dataSet->Refresh(); // closing would drop the records themselves
    }
    // The reopened dataset may have lost the key fields as well.
    const bool found = locate && hasKeys();
    if (keepSelection && found)
        RestoreSelection(keys);
    if (found)
        dataSet->Locate(keys, keyValues);
}

// ---- Delayed updates -----------------------------------------------------------------

bool TZCustomDBGrid::CreateTimer(TZDelayedUpdate Kind)
{
    QTimer*& timer = FDelayTimers[Kind];
    if (!timer) {
        timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, Kind] { GuardEvent(this, [&] { DelayedUpdate(Kind); }); });
    }
    return true;
}

bool TZCustomDBGrid::DelayUpdate(TZDelayedUpdate Kind)
{
    if (IsDesigning() || IsDestroying() || !isVisible())
        return false;
    CreateTimer(Kind);
    FDelayTimers[Kind]->start(std::max(DelayInterval, 0));
    return true;
}

bool TZCustomDBGrid::DelayPending(TZDelayedUpdate Kind) const
{
    return FDelayTimers[Kind] && FDelayTimers[Kind]->isActive();
}

void TZCustomDBGrid::DelayedUpdate(TZDelayedUpdate Kind)
{
    if (FDelayTimers[Kind])
        FDelayTimers[Kind]->stop();
    switch (Kind) {
    case duEndSelection:
        DelayedEndSelection();
        break;
    case duListItems:
        LoadListItems();
        break;
    case duSequence:
        DelayUpdateSequence();
        break;
    case duTotals:
        DelayUpdateTotals();
        break;
    }
}

void TZCustomDBGrid::PerformDelayed()
{
    if (FDataLink && FDataLink->Active())
        FDataLink->DataSet()->CheckBrowseMode();
    for (TZDelayedUpdate kind : {duEndSelection, duListItems, duSequence, duTotals})
        if (DelayPending(kind))
            DelayedUpdate(kind);
    if (RecordCountPending())
        RunPendingRecordCount();
}

// ---- Focus and editor ----------------------------------------------------------------

bool TZCustomDBGrid::AcquireFocus()
{
    if (!FAcquireFocusEnabled || focusPolicy() == Qt::NoFocus || !isEnabled() || !isVisible() || IsDesigning())
        return true;
    setFocus(Qt::OtherFocusReason);
    // In a window that is not active the focus waits in the window's focus widget.
    QWidget* focused = window()->isActiveWindow() ? QApplication::focusWidget() : window()->focusWidget();
    return focused && (focused == this || isAncestorOf(focused));
}

void TZCustomDBGrid::AlwaysShowEditor()
{
    if ((FOptions & dgAlwaysShowEditor) && !GetEditorMode())
        ShowEditor();
}

} // namespace zdb

// TDataSet: opening, the record-buffer ring, navigation, bookmarks and notification.

#include "DB.h"

#include <QAtomicInteger>

#include <algorithm>
#include <cstring>

namespace zdb {

namespace {
QAtomicInteger<quint32> NextBookmarkTag{1};

} // namespace

TDataSet::TDataSet(QObject* parent)
    : QObject(parent), FFields(this), FFieldDefs(this), FBookmarkTag(NextBookmarkTag.fetchAndAddRelaxed(1))
{
}

TDataSet::~TDataSet()
{
    // Descendants close in their own destructors (the protocol is theirs); here only
    // the data sources are let go so that none keeps a dangling dataset. The descendant
    // is gone by now: nothing below may call a virtual of the record protocol.
    FDestroying = true;
    const auto sources = FDataSources;
    for (TDataSource* source : sources)
        source->SetDataSet(nullptr);
}

// --- Opening and closing ----------------------------------------------------

void TDataSet::SetActive(bool value)
{
    if (value == GetActive())
        return;
    if (value) {
        if (BeforeOpen)
            BeforeOpen(this);
        OpenCursor();
        SetState(dsBrowse);
        if (AfterOpen)
            AfterOpen(this);
        if (!IsEmpty())
            DoAfterScroll();
    } else {
        if (BeforeClose)
            BeforeClose(this);
        SetState(dsInactive);
        CloseCursor();
        if (AfterClose)
            AfterClose(this);
    }
}

void TDataSet::OpenCursor()
{
    FState = dsOpening;
    try {
        InternalOpen();
        UpdateCalcSlots();
        if (FFiltered && !FFilterText.trimmed().isEmpty()) {
            FFilterExpr = std::make_unique<TFilterExpression>(FFilterText, FLocale);
            CheckFilterFields(FFilterText);
        }
        FTempBuffer = AllocRecordBuffer();
        FTempBuffer->CalcValues.resize(size_t(FCalcFieldCount));
        ClearBuffers();
        UpdateBufferCount();
        FBOF = true;
    } catch (...) {
        FState = dsInactive;
        try {
            if (IsCursorOpen())
                InternalClose();
        } catch (...) {
        }
        SetBufferCount(0);
        FTempBuffer.reset();
        ClearBuffers();
        throw;
    }
}

void TDataSet::CloseCursor()
{
    SetBufferCount(0);
    FTempBuffer.reset();
    ClearBuffers();
    FCalcBuffer = nullptr;
    FFilterBuffer = nullptr;
    if (IsCursorOpen())
        InternalClose();
    FFilterExpr.reset();
}

void TDataSet::UpdateCalcSlots()
{
    int n = 0;
    for (const auto& field : FFields) {
        if (field->Calculated())
            field->FCalcIndex = n++;
        else
            field->FCalcIndex = -1;
    }
    FCalcFieldCount = n;
}

void TDataSet::CheckActive() const
{
    if (FState == dsInactive)
        DatabaseError(SDataSetClosed, this);
}

void TDataSet::CheckInactive() const
{
    if (GetActive())
        DatabaseError(SDataSetOpen, this);
}

void TDataSet::CheckCanModify() const
{
    if (!GetCanModify())
        DatabaseError(SDataSetReadOnly, this);
}

void TDataSet::SetState(TDataSetState value)
{
    if (FState != value) {
        FState = value;
        FModified = false;
        DataEvent(deUpdateState, 0);
    }
}

TDataSetState TDataSet::SetTempState(TDataSetState value)
{
    const TDataSetState old = FState;
    FState = value;
    return old;
}

void TDataSet::RestoreState(TDataSetState value)
{
    FState = value;
}

// --- The buffer ring ----------------------------------------------------------

TRecordBuffer TDataSet::TempBuffer() const
{
    return FTempBuffer.get();
}

void TDataSet::SetActiveRecord(int value)
{
    if (value >= 0 && value < std::max(FRecordCount, 1))
        FActiveRecord = value;
}

void TDataSet::RotateBuffers(int curIndex, int newIndex)
{
    auto first = FBuffers.begin();
    if (curIndex < newIndex)
        std::rotate(first + curIndex, first + curIndex + 1, first + newIndex + 1);
    else
        std::rotate(first + newIndex, first + curIndex, first + curIndex + 1);
}

void TDataSet::ActivateBuffers()
{
    FRecordCount = 1;
    FActiveRecord = 0;
    FCurrentRecord = 0;
    FBOF = false;
    FEOF = false;
}

void TDataSet::ClearBuffers()
{
    FRecordCount = 0;
    FActiveRecord = 0;
    FCurrentRecord = -1;
    FBOF = true;
    FEOF = true;
}

void TDataSet::UpdateBufferCount()
{
    if (FDestroying || !IsCursorOpen())
        return;
    int maxCount = 1;
    for (TDataSource* source : FDataSources)
        for (TDataLink* link : source->FDataLinks)
            maxCount = std::max(maxCount, link->FBufferCount);
    SetBufferCount(maxCount);
}

void TDataSet::SetBufferCount(int value)
{
    if (FBufferCount == value && FBuffers.size() == size_t(value) + (value > 0 ? 1 : 0))
        return;
    auto adjustFirstRecord = [this](int delta) {
        if (delta == 0)
            return;
        for (TDataSource* source : FDataSources)
            for (TDataLink* link : source->FDataLinks)
                if (link->FActive)
                    link->FFirstRecord += delta;
    };
    if (FBufferCount > value && FRecordCount > 0 && value > 0) {
        // Keep the records the links show: drop from the top as little as needed.
        int delta = FActiveRecord;
        for (TDataSource* source : FDataSources)
            for (TDataLink* link : source->FDataLinks)
                if (link->FActive && link->FFirstRecord < delta)
                    delta = link->FFirstRecord;
        // ... but never so little that the active record falls out of the smaller window.
        delta = std::max(delta, FActiveRecord - std::max(value, 1) + 1);
        if (value > 0)
            for (int i = 0; i < delta; ++i)
                MoveBuffer(0, FBufferCount);
        FActiveRecord -= delta;
        if (FCurrentRecord != -1)
            FCurrentRecord -= delta;
        if (FCurrentRecord >= value)
            FCurrentRecord = -1;
        if (FRecordCount - delta > value)
            FRecordCount = value;
        else
            FRecordCount -= delta;
        adjustFirstRecord(-delta);
    }
    const size_t wanted = value > 0 ? size_t(value) + 1 : 0;
    if (FBuffers.size() > wanted) {
        FBuffers.resize(wanted);
    } else {
        while (FBuffers.size() < wanted) {
            auto buffer = AllocRecordBuffer();
            buffer->CalcValues.resize(size_t(FCalcFieldCount));
            FBuffers.push_back(std::move(buffer));
        }
    }
    FBufferCount = value;
    if (value > 0 && IsCursorOpen()) {
        GetNextRecords();
        adjustFirstRecord(GetPriorRecords());
    }
}

void TDataSet::PlaceCursor(int index)
{
    if (!IsUniDirectional()) {
        TRecordBuffer buffer = FBuffers[size_t(index)].get();
        switch (GetBookmarkFlag(buffer)) {
        case bfCurrent:
        case bfInserted:
            InternalSetToRecord(buffer);
            break;
        case bfBOF:
            InternalFirst();
            break;
        case bfEOF:
            InternalLast();
            break;
        }
    }
    FCurrentRecord = index;
}

bool TDataSet::GetNextRecord()
{
    TGetMode mode = gmNext;
    if (FRecordCount > 0) {
        SetCurrentRecord(FRecordCount - 1);
        if (FState == dsInsert && FCurrentRecord == FActiveRecord
            && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
            mode = gmCurrent;
    }
    const bool ok = GetRecord(FBuffers[size_t(FRecordCount)].get(), mode, true) == grOK;
    if (ok) {
        if (FRecordCount == 0) {
            ActivateBuffers();
        } else if (FRecordCount < FBufferCount) {
            ++FRecordCount;
        } else {
            MoveBuffer(0, FRecordCount);
        }
        FCurrentRecord = FRecordCount - 1;
    } else {
        CursorPosChanged();
    }
    return ok;
}

bool TDataSet::GetPriorRecord()
{
    if (IsUniDirectional())
        DatabaseError(SDataSetUnidirectional, this);
    if (FRecordCount > 0)
        SetCurrentRecord(0);
    const bool ok = GetRecord(FBuffers[size_t(FRecordCount)].get(), gmPrior, true) == grOK;
    if (ok) {
        if (FRecordCount == 0) {
            ActivateBuffers();
        } else {
            MoveBuffer(FRecordCount, 0);
            if (FRecordCount < FBufferCount) {
                ++FRecordCount;
                ++FActiveRecord;
            }
        }
        FCurrentRecord = 0;
    } else {
        CursorPosChanged();
    }
    return ok;
}

int TDataSet::GetNextRecords()
{
    int count = 0;
    while (FRecordCount < FBufferCount && GetNextRecord())
        ++count;
    return count;
}

int TDataSet::GetPriorRecords()
{
    int count = 0;
    while (FRecordCount < FBufferCount && GetPriorRecord())
        ++count;
    return count;
}

void TDataSet::UpdateCursorPos()
{
    if (FRecordCount > 0)
        SetCurrentRecord(FActiveRecord);
}

// --- Navigation ---------------------------------------------------------------

void TDataSet::First()
{
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        FBOF = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    FBOF = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

void TDataSet::Last()
{
    if (IsUniDirectional())
        DatabaseError(SDataSetUnidirectional, this);
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        FEOF = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    FEOF = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    int result = 0;
    if ((distance > 0 && !FEOF) || (distance < 0 && !FBOF)) {
        DoBeforeScroll();
        FBOF = false;
        FEOF = false;
        int scrollCount = 0;
        auto notify = [&] { DataEvent(deDataSetScroll, scrollCount); };
        try {
            while (distance > 0) {
                if (FActiveRecord < FRecordCount - 1) {
                    ++FActiveRecord;
                } else {
                    const int shift = FRecordCount < FBufferCount ? 0 : 1;
                    if (GetNextRecord()) {
                        scrollCount -= shift;
                    } else {
                        FEOF = true;
                        break;
                    }
                }
                --distance;
                ++result;
            }
            while (distance < 0) {
                if (FActiveRecord > 0) {
                    --FActiveRecord;
                } else {
                    const int shift = FRecordCount < FBufferCount ? 0 : 1;
                    if (GetPriorRecord()) {
                        scrollCount += shift;
                    } else {
                        FBOF = true;
                        break;
                    }
                }
                ++distance;
                --result;
            }
        } catch (...) {
            notify();
            throw;
        }
        notify();
        DoAfterScroll();
    }
    return result;
}

void TDataSet::Resync(TResyncMode mode)
{
    if (IsUniDirectional())
        return;
    TRecordBuffer spare = FBuffers[size_t(FRecordCount)].get();
    if (mode.testFlag(rmExact)) {
        CursorPosChanged();
        if (GetRecord(spare, gmCurrent, true) != grOK)
            DatabaseError(SRecordNotFound, this);
    } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK
               && GetRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int count = mode.testFlag(rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
    MoveBuffer(FRecordCount, 0);
    ActivateBuffers();
    try {
        while (count > 0 && GetPriorRecord())
            --count;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange, 0);
        throw;
    }
    DataEvent(deDataSetChange, 0);
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    UpdateCursorPos();
    InternalRefresh();
    Resync({});
}

void TDataSet::EndEditing()
{
    switch (FState) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (FModified)
            Post();
        else
            Cancel();
        break;
    case dsSetKey:
        Post();
        break;
    default:
        break;
    }
}

// --- Bookmarks ----------------------------------------------------------------

QByteArray TDataSet::TagBookmark(const TBookmark& raw) const
{
    if (raw.isEmpty())
        return raw;
    QByteArray tagged(qsizetype(sizeof(FBookmarkTag)) + raw.size(), Qt::Uninitialized);
    std::memcpy(tagged.data(), &FBookmarkTag, sizeof(FBookmarkTag));
    std::memcpy(tagged.data() + sizeof(FBookmarkTag), raw.constData(), size_t(raw.size()));
    return tagged;
}

bool TDataSet::UntagBookmark(const TBookmark& tagged, TBookmark& raw) const
{
    if (tagged.size() <= qsizetype(sizeof(FBookmarkTag)))
        return false;
    quint32 tag = 0;
    std::memcpy(&tag, tagged.constData(), sizeof(tag));
    if (tag != FBookmarkTag)
        return false;
    // No copy: raw reads tagged's bytes and is used only while tagged lives (sorting a
    // list of bookmarks compares them many times).
    raw = QByteArray::fromRawData(tagged.constData() + sizeof(FBookmarkTag),
                                  tagged.size() - qsizetype(sizeof(FBookmarkTag)));
    return true;
}

bool TDataSet::BookmarkAvailable() const
{
    return (FState == dsBrowse || FState == dsEdit || FState == dsInsert) && !IsEmpty()
           && GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() const
{
    if (!BookmarkAvailable())
        return {};
    return TagBookmark(GetBookmarkData(ActiveBuffer()));
}

void TDataSet::GotoBookmark(const TBookmark& bookmark)
{
    if (bookmark.isEmpty())
        return;
    CheckBrowseMode();
    TBookmark raw;
    if (!UntagBookmark(bookmark, raw))
        DatabaseError(SBookmarkForeign, this);
    raw.detach(); // its own bytes: a scroll handler may change the caller's bookmark
    if (!InternalBookmarkValid(raw))
        DatabaseError(SRecordNotFound, this);
    DoBeforeScroll();
    InternalGotoBookmark(raw);
    Resync(TResyncMode(rmExact) | rmCenter);
    DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const
{
    TBookmark raw;
    return GetActive() && UntagBookmark(bookmark, raw) && InternalBookmarkValid(raw);
}

int TDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const
{
    const bool none1 = bookmark1.isEmpty();
    const bool none2 = bookmark2.isEmpty();
    if (none1 || none2)
        return none1 && none2 ? 0 : (none1 ? 1 : -1);
    TBookmark raw1, raw2;
    if (!UntagBookmark(bookmark1, raw1) || !UntagBookmark(bookmark2, raw2))
        DatabaseError(SBookmarkForeign, this);
    return InternalCompareBookmarks(raw1, raw2);
}

// --- Controls and notification ------------------------------------------------

void TDataSet::DisableControls()
{
    if (FDisableCount == 0) {
        FDisableState = FState;
        FEnableEvent = deDataSetChange;
    }
    ++FDisableCount;
}

void TDataSet::EnableControls()
{
    if (FDisableCount == 0)
        return;
    if (--FDisableCount == 0) {
        if (FDisableState != FState)
            DataEvent(deUpdateState, 0);
        if (FDisableState != dsInactive && FState != dsInactive)
            DataEvent(FEnableEvent, 0);
    }
}

void TDataSet::FieldChanged(TField* field)
{
    if (field && (field->GetFieldKind() == fkData || field->GetFieldKind() == fkInternalCalc))
        FModified = true;
    if (field && FState != dsSetKey) {
        if (FAutoCalcFields && FCalcFieldCount > 0 && field->GetFieldKind() == fkData)
            CalculateFields(ActiveBuffer());
        field->Change();
    }
}

void TDataSet::NotifyDataSources(TDataEvent event, qintptr info)
{
    const auto sources = FDataSources;
    for (TDataSource* source : sources)
        source->DataEvent(event, info);
}

void TDataSet::AddDataSource(TDataSource* source)
{
    FDataSources.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source)
{
    FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), source), FDataSources.end());
    UpdateBufferCount();
}

} // namespace zdb

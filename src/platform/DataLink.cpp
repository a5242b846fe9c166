// TDataSource and TDataLink: how controls follow a dataset.

#include "DB.h"

#include "AppExceptions.h"

#include <algorithm>

namespace zdb {

// --- TDataSource ----------------------------------------------------------------

TDataSource::TDataSource(QObject* parent) : QObject(parent)
{
}

TDataSource::~TDataSource()
{
    // The links hear of the dataset going; nothing they raise may leave a destructor.
    try {
        SetDataSet(nullptr);
    } catch (...) {
        HandleException(nullptr);
    }
    const auto links = FDataLinks;
    for (TDataLink* link : links) {
        try {
            link->SetDataSource(nullptr);
        } catch (...) {
            HandleException(nullptr);
        }
    }
}

void TDataSource::SetDataSet(TDataSet* value)
{
    if (value == FDataSet)
        return;
    if (IsLinkedTo(value))
        DatabaseError(SCircularDataLink, this);
    // The links see the old dataset go before the new one comes, so a switch
    // between two open datasets rebuilds what depended on the old one.
    if (FDataSet) {
        FDataSet->RemoveDataSource(this);
        FDataSet = nullptr;
        UpdateState();
    }
    FDataSet = value;
    if (FDataSet)
        FDataSet->AddDataSource(this);
    UpdateState();
}

bool TDataSource::IsLinkedTo(const TDataSet* dataSet) const
{
    // A dataset whose own DataSource/MasterSource property leads back to this source.
    const TDataSet* current = dataSet;
    for (int depth = 0; current && depth < 64; ++depth) {
        QObject* link = nullptr;
        for (const char* name : {"DataSource", "MasterSource"}) {
            const QVariant v = current->property(name);
            if (v.isValid() && v.canConvert<QObject*>()) {
                link = v.value<QObject*>();
                if (link)
                    break;
            }
        }
        auto* source = qobject_cast<TDataSource*>(link);
        if (!source)
            return false;
        if (source == this)
            return true;
        current = source->GetDataSet();
    }
    return false;
}

void TDataSource::SetEnabled(bool value)
{
    if (value != FEnabled) {
        FEnabled = value;
        UpdateState();
    }
}

void TDataSource::Edit()
{
    if (FAutoEdit && FDataSet && FState == dsBrowse)
        FDataSet->Edit();
}

void TDataSource::SetState(TDataSetState value)
{
    if (FState == value)
        return;
    const TDataSetState prior = FState;
    FState = value;
    NotifyDataLinks(deUpdateState, 0);
    if (OnStateChange)
        OnStateChange(this);
    if (prior == dsInactive && OnDataChange)
        OnDataChange(this, nullptr);
}

void TDataSource::UpdateState()
{
    if (FEnabled && FDataSet)
        SetState(FDataSet->State());
    else
        SetState(dsInactive);
}

void TDataSource::NotifyDataLinks(TDataEvent event, qintptr info)
{
    const auto links = FDataLinks;
    for (TDataLink* link : links) {
        if (std::find(FDataLinks.begin(), FDataLinks.end(), link) == FDataLinks.end())
            continue; // removed by an earlier notification
        link->DataEvent(event, info);
    }
}

void TDataSource::DataEvent(TDataEvent event, qintptr info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (FState == dsInactive)
        return;
    NotifyDataLinks(event, info);
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (OnDataChange)
            OnDataChange(this, event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange)
            OnDataChange(this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData)
            OnUpdateData(this);
        break;
    default:
        break;
    }
}

void TDataSource::AddDataLink(TDataLink* link)
{
    FDataLinks.push_back(link);
    if (FDataSet)
        FDataSet->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* link)
{
    FDataLinks.erase(std::remove(FDataLinks.begin(), FDataLinks.end(), link), FDataLinks.end());
    if (FDataSet)
        FDataSet->UpdateBufferCount();
}

// --- TDataLink ------------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink()
{
    // Derived parts are gone by now: detach without calling back into them.
    if (FDataSource)
        FDataSource->RemoveDataLink(this);
    FDataSource = nullptr;
}

TDataSet* TDataLink::DataSet() const
{
    return FDataSource ? FDataSource->GetDataSet() : nullptr;
}

void TDataLink::SetDataSource(TDataSource* value)
{
    if (value == FDataSource)
        return;
    // Leaving the old source deactivates the link before the new one is joined.
    if (FDataSource) {
        FDataSource->RemoveDataLink(this);
        FDataSource = nullptr;
        UpdateState();
    }
    FDataSource = value;
    if (FDataSource)
        FDataSource->AddDataLink(this);
    UpdateState();
}

void TDataLink::SetReadOnly(bool value)
{
    if (value != FReadOnly) {
        FReadOnly = value;
        UpdateState();
    }
}

void TDataLink::UpdateState()
{
    const bool active = FDataSource && FDataSource->FState != dsInactive;
    SetActive(active);
    SetEditing(active && IsEditMode(FDataSource->FState) && !FReadOnly);
}

void TDataLink::SetActive(bool value)
{
    if (value == FActive)
        return;
    FActive = value;
    if (value)
        UpdateRange();
    else
        FFirstRecord = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool value)
{
    if (value != FEditing) {
        FEditing = value;
        EditingChanged();
    }
}

void TDataLink::UpdateRange()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    int min = dataSet->FActiveRecord - FBufferCount + 1;
    if (min < 0)
        min = 0;
    int max = dataSet->FBufferCount - FBufferCount;
    if (max < 0)
        max = 0;
    if (max > dataSet->FActiveRecord)
        max = dataSet->FActiveRecord;
    if (FFirstRecord < min)
        FFirstRecord = min;
    if (FFirstRecord > max)
        FFirstRecord = max;
    if (FFirstRecord != 0 && dataSet->FActiveRecord - FFirstRecord < FBufferCount - 1)
        FFirstRecord = std::max(0, dataSet->FActiveRecord - FBufferCount + 1);
}

int TDataLink::GetActiveRecord() const
{
    TDataSet* dataSet = DataSet();
    if (!dataSet || !FActive)
        return 0;
    if (FDataSource->FState == dsSetKey)
        return 0;
    return dataSet->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(int value)
{
    TDataSet* dataSet = DataSet();
    if (dataSet && FActive && FDataSource->FState != dsSetKey)
        dataSet->SetActiveRecord(value + FFirstRecord);
}

void TDataLink::SetBufferCount(int value)
{
    if (value < 1)
        value = 1;
    if (value == FBufferCount)
        return;
    FBufferCount = value;
    if (FActive) {
        UpdateRange();
        if (TDataSet* dataSet = DataSet())
            dataSet->UpdateBufferCount();
        UpdateRange();
    }
}

int TDataLink::RecordCount() const
{
    TDataSet* dataSet = DataSet();
    if (!dataSet || !FActive)
        return 0;
    if (FDataSource->FState == dsSetKey)
        return 1;
    int result = dataSet->FRecordCount - FFirstRecord;
    if (result > FBufferCount)
        result = FBufferCount;
    return std::max(result, 0);
}

bool TDataLink::Edit()
{
    if (!FReadOnly && FDataSource)
        FDataSource->Edit();
    return FEditing;
}

void TDataLink::UpdateRecord()
{
    FUpdating = true;
    struct Reset { bool& flag; ~Reset() { flag = false; } } reset{FUpdating};
    UpdateData();
}

int TDataLink::MoveBy(int distance)
{
    TDataSet* dataSet = DataSet();
    return dataSet ? dataSet->MoveBy(distance) : 0;
}

bool TDataLink::Bof() const
{
    TDataSet* dataSet = DataSet();
    return !dataSet || dataSet->Bof();
}

bool TDataLink::Eof() const
{
    TDataSet* dataSet = DataSet();
    return !dataSet || dataSet->Eof();
}

void TDataLink::DataEvent(TDataEvent event, qintptr info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (event == deFocusControl) {
        FocusControl(reinterpret_cast<TField*>(info));
        return;
    }
    if (!FActive)
        return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!FUpdating)
            RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        int count = 0;
        TDataSet* dataSet = DataSet();
        if (FDataSource->FState != dsSetKey && dataSet) {
            const int active = dataSet->FActiveRecord;
            const int first = FFirstRecord + int(event == deDataSetScroll ? info : 0);
            const int last = first + FBufferCount - 1;
            if (active > last)
                count = active - last;
            else if (active < first)
                count = active - first;
            FFirstRecord = first + count;
        }
        if (event == deDataSetChange)
            DataSetChanged();
        else if (event == deDataSetScroll)
            DataSetScrolled(count);
        else
            LayoutChanged();
        break;
    }
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    default:
        break;
    }
}

// --- TMasterDataLink ------------------------------------------------------------

namespace {
// The master source a dataset follows, through its MasterSource or DataSource property.
TDataSource* MasterSourceOf(const TDataSet* dataSet)
{
    for (const char* name : {"MasterSource", "DataSource"}) {
        const QVariant v = dataSet->property(name);
        if (auto* source = qobject_cast<TDataSource*>(v.value<QObject*>()))
            return source;
    }
    return nullptr;
}
} // namespace

void TMasterDataLink::SetMasterSource(TDataSource* source)
{
    if (source == DataSource())
        return;
    if (FDetail->GetActive())
        FDetail->CheckBrowseMode();
    // The chain of masters above the new one must not come back to the detail.
    const TDataSet* master = source ? source->GetDataSet() : nullptr;
    for (int depth = 0; master && depth < 64; ++depth) {
        if (master == FDetail)
            DatabaseError(SCircularDataLink, FDetail);
        const TDataSource* next = MasterSourceOf(master);
        master = next ? next->GetDataSet() : nullptr;
    }
    SetDataSource(source);
}

void TMasterDataLink::SetFieldNames(const QString& value)
{
    FFieldNames = value;
    FNames = SplitFieldNames(value);
}

TField* TMasterDataLink::MasterField(const QString& name) const
{
    TDataSet* master = DataSet();
    return Active() && master && master->GetActive() ? master->FindField(name) : nullptr;
}

void TMasterDataLink::CheckBrowseMode()
{
    if (FDetail->GetActive())
        FDetail->CheckBrowseMode();
}

void TMasterDataLink::MasterChange(bool moved) noexcept
{
    if (!OnMasterChange)
        return;
    try {
        OnMasterChange(moved);
    } catch (...) {
        HandleException(nullptr);
    }
}

void TMasterDataLink::RecordChanged(TField* field)
{
    if (!field || FNames.contains(field->GetFieldName(), Qt::CaseInsensitive))
        MasterChange(true);
}

} // namespace zdb

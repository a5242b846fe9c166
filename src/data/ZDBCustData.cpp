// TZDBCustomData: the hook-driven in-memory dataset.

#include "ZDBCustData.h"

#include <QScopeGuard>
#include <QtEndian>

#include <algorithm>

namespace zdb {

QString SUnsupportedFieldType = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Unsupported field type (%s) in field %s"));

namespace {

bool IsInt32Type(TFieldType type)
{
    return type == ftInteger || type == ftAutoInc;
}

} // namespace

TZDBCustomData::TZDBCustomData(QObject* parent) : TDataSet(parent)
{
}

TZDBCustomData::~TZDBCustomData()
{
    // Descendants close in their own destructors; this catches a dataset that is
    // still open when only this part of it is left.
    try {
        Close();
    } catch (...) {
    }
}

// --- Hooks ----------------------------------------------------------------------

int TZDBCustomData::CountRecords()
{
    int count = 0;
    DoOnCountRecords(count);
    return count;
}

void TZDBCustomData::DoOnCountRecords(int& /*count*/)
{
}

void TZDBCustomData::DoOnDeleteRecord(int /*index*/)
{
}

void TZDBCustomData::DoOnGetFieldData(int /*index*/, TField* /*field*/, QVariant& /*value*/)
{
}

void TZDBCustomData::DoOnInsertRecord(int /*index*/)
{
}

void TZDBCustomData::DoOnSetFieldData(int /*index*/, TField* /*field*/, const QVariant& /*value*/)
{
}

int TZDBCustomData::GetIndex(TRecordBuffer buffer) const
{
    switch (CustBuf(buffer)->BookmarkFlag) {
    case bfBOF:
        return 0;
    case bfEOF:
        return GetRecordCount();
    default:
        return CustBuf(buffer)->RecordIndex;
    }
}

int TZDBCustomData::GetRecordIndex() const
{
    return GetIndex(State() == dsCalcFields ? CalcBuffer() : ActiveBuffer());
}

void TZDBCustomData::SetRecordCount(int value)
{
    CheckInactive();
    FRecordCount = std::max(value, 0);
}

bool TZDBCustomData::SupportsFieldType(TFieldType type) const
{
    return IsStringFieldType(type) || IsInt32Type(type);
}

void TZDBCustomData::FetchFieldValue(TRecordBuffer buffer, TField* field, QVariant& value)
{
    DoOnGetFieldData(GetIndex(buffer), field, value);
}

// --- Value slots ----------------------------------------------------------------

std::unique_ptr<TRecBuf> TZDBCustomData::AllocRecordBuffer()
{
    auto buffer = std::make_unique<TZCustomRecBuf>();
    ResetSlots(buffer.get());
    return buffer;
}

void TZDBCustomData::EmptySlots(TRecordBuffer buffer) const
{
    const size_t count = size_t(const_cast<TZDBCustomData*>(this)->FieldDefs().Count());
    TZCustomRecBuf* b = CustBuf(buffer);
    b->Values.assign(count, std::nullopt);
    b->SlotsUsed = false;
}

std::optional<QVariant>& TZDBCustomData::Slot(TRecordBuffer buffer, const TField* field) const
{
    CustBuf(buffer)->SlotsUsed = true;
    auto& values = CustBuf(buffer)->Values;
    const size_t index = size_t(field->FieldNo() - 1);
    if (index >= values.size())
        values.resize(index + 1);
    return values[index];
}

QVariant TZDBCustomData::ConvertValue(TField* field, const QVariant& value, bool reading) const
{
    const TFieldType type = field->DataType();
    const QObject* component = reading ? this : nullptr;
    if (type == ftUnknown)
        DatabaseErrorFmt(SUnknownFieldType, {field->DisplayName()}, component);
    if (IsStringFieldType(type)) {
        QString text = value.toString();
        if (reading && field->GetSize() > 0 && text.size() > field->GetSize())
            text.truncate(field->GetSize());
        return text;
    }
    if (IsInt32Type(type)) {
        bool ok = false;
        qlonglong number = value.toLongLong(&ok);
        if (!ok) {
            const double d = value.toDouble(&ok);
            number = qlonglong(d);
        }
        if (!ok)
            DatabaseError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                              .arg(value.toString(), field->DisplayName()),
                          component);
        return int(qint32(number));
    }
    if (!SupportsFieldType(type))
        DatabaseErrorFmt(SUnsupportedFieldType, {FieldTypeName(type), field->DisplayName()}, component);
    return value;
}

void TZDBCustomData::ConvertRead(TField* field, QVariant& value) const
{
    const TFieldType type = field->DataType();
    if (type == ftUnknown || IsStringFieldType(type) || IsInt32Type(type) || !SupportsFieldType(type))
        value = ConvertValue(field, value, true);
}

bool TZDBCustomData::GetRecordFieldData(TRecordBuffer buffer, TField* field, QVariant& value) const
{
    std::optional<QVariant>& slot = Slot(buffer, field);
    if (!slot) {
        QVariant fetched;
        const_cast<TZDBCustomData*>(this)->FetchFieldValue(buffer, field, fetched);
        Slot(buffer, field) = fetched;
    }
    const QVariant& stored = *Slot(buffer, field);
    if (stored.isNull()) {
        value = QVariant();
        return false;
    }
    value = stored;
    ConvertRead(field, value);
    return true;
}

void TZDBCustomData::SetRecordFieldData(TRecordBuffer buffer, TField* field, const QVariant& value)
{
    Slot(buffer, field) = value;
}

bool TZDBCustomData::GetFieldData(TField* field, QVariant& value) const
{
    if (field->FieldNo() <= 0 || field->Calculated())
        return TDataSet::GetFieldData(field, value);
    TRecordBuffer buffer = GetActiveRecordBuffer();
    if (!buffer) {
        value = QVariant();
        return false;
    }
    return GetRecordFieldData(buffer, field, value);
}

void TZDBCustomData::SetFieldData(TField* field, const QVariant& value)
{
    if (field->FieldNo() <= 0 || field->Calculated()) {
        TDataSet::SetFieldData(field, value);
        return;
    }
    const TDataSetState state = State();
    switch (state) {
    case dsEdit: case dsInsert: case dsSetKey: case dsCalcFields: case dsFilter: case dsNewValue:
    case dsInternalCalc:
        break;
    default:
        DatabaseError(SNotEditing, this);
    }
    TRecordBuffer buffer = GetActiveRecordBuffer();
    if (!buffer)
        DatabaseError(SNotEditing, this);
    if (field->GetReadOnly() && state != dsSetKey && state != dsFilter)
        DatabaseErrorFmt(SFieldReadOnly, {field->DisplayName()}, this);
    if (std::find(FModifiedFields.begin(), FModifiedFields.end(), field) == FModifiedFields.end())
        FModifiedFields.push_back(field);
    SetRecordFieldData(buffer, field, value.isNull() ? QVariant() : ConvertValue(field, value, false));
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue && state != dsInternalCalc)
        DataEvent(deFieldChange, reinterpret_cast<qintptr>(field));
}

// --- Opening and closing ----------------------------------------------------------

void TZDBCustomData::InternalInitFieldDefs()
{
    if (FieldDefs().Count() == 0 && FieldCount() > 0)
        InitFieldDefsFromFields();
}

void TZDBCustomData::InternalOpen()
{
    FCursorOpen = true;
    SetRecordNumber(-1);
    FieldDefs().SetUpdated(false);
    FieldDefs().Update();
    CreateFields();
    FieldListChanged();
    BindFields(true);
    SetRecordCount(CountRecords());
}

void TZDBCustomData::InternalClose()
{
    SetRecordCount(0);
    FModifiedFields.clear();
    BindFields(false);
    DestroyFields();
    FCursorOpen = false;
}

bool TZDBCustomData::FieldListChanged()
{
    quint32 sum = 0;
    int i = 0;
    for (const auto& field : Fields())
        sum += quint32(quintptr(field.get()) >> (i++ % 16));
    const bool changed = sum != FFieldListSum;
    FFieldListSum = sum;
    return changed;
}

void TZDBCustomData::DataEvent(TDataEvent event, qintptr info)
{
    if (event == deFieldListChange)
        FieldListEvent();
    TDataSet::DataEvent(event, info);
}

void TZDBCustomData::FieldListEvent()
{
    if (GetActive() && FieldListChanged()) {
        CheckBrowseMode();
        UpdateCursorPos();
        Resync({});
    }
}

// --- Reading records ----------------------------------------------------------------

TGetResult TZDBCustomData::InternalGetRecord(TRecordBuffer buffer, TGetMode mode)
{
    int number = GetRecordNumber();
    if (mode == gmNext)
        ++number;
    else if (mode == gmPrior)
        --number;
    if (number < 0)
        return grBOF;
    if (number >= GetRecordCount())
        return grEOF;
    SetRecordNumber(number);
    TZCustomRecBuf* b = CustBuf(buffer);
    b->RecordIndex = number;
    b->BookmarkFlag = bfCurrent;
    ResetSlots(buffer);
    InternalFetchRecord(buffer);
    GetCalcFields(buffer);
    return grOK;
}

TGetResult TZDBCustomData::GetRecord(TRecordBuffer buffer, TGetMode mode, bool /*doCheck*/)
{
    if (!FLocateFilter && !UsesRecordFilter())
        return InternalGetRecord(buffer, mode);
    return GetFilteredRecord(buffer, mode);
}

TGetResult TZDBCustomData::GetFilteredRecord(TRecordBuffer buffer, TGetMode mode)
{
    TTempBufferState filterState(this, dsFilter, buffer);
    TGetResult result = grOK;
    bool accept = true;
    do {
        result = InternalGetRecord(buffer, mode);
        accept = true;
        if (result == grOK) {
            if (FLocateFilter)
                LocateFilter(accept);
            if (accept && UsesRecordFilter())
                accept = AcceptRecord(buffer);
            if (!accept && mode == gmCurrent)
                result = grError;
        }
    } while (!accept && result == grOK);
    return result;
}

void TZDBCustomData::InternalFirst()
{
    SetRecordNumber(-1);
}

void TZDBCustomData::InternalLast()
{
    SetRecordNumber(GetRecordCount());
}

void TZDBCustomData::InternalSetToRecord(TRecordBuffer buffer)
{
    SetRecordNumber(CustBuf(buffer)->RecordIndex);
}

// --- Bookmarks ----------------------------------------------------------------------

TBookmark TZDBCustomData::IndexBookmark(qint32 index)
{
    TBookmark bookmark(int(sizeof(qint32)), Qt::Uninitialized);
    qToLittleEndian(index, bookmark.data());
    return bookmark;
}

bool TZDBCustomData::BookmarkIndex(const TBookmark& bookmark, qint32& index)
{
    if (bookmark.size() != qsizetype(sizeof(qint32)))
        return false;
    index = qFromLittleEndian<qint32>(bookmark.constData());
    return true;
}

void TZDBCustomData::InternalGotoBookmark(const TBookmark& bookmark)
{
    qint32 index = 0;
    if (BookmarkIndex(bookmark, index))
        SetRecordNumber(index);
}

TBookmark TZDBCustomData::GetBookmarkData(TRecordBuffer buffer) const
{
    return IndexBookmark(CustBuf(buffer)->RecordIndex);
}

void TZDBCustomData::SetBookmarkData(TRecordBuffer buffer, const TBookmark& data)
{
    qint32 index = 0;
    if (BookmarkIndex(data, index))
        CustBuf(buffer)->RecordIndex = index;
}

TBookmarkFlag TZDBCustomData::GetBookmarkFlag(TRecordBuffer buffer) const
{
    return CustBuf(buffer)->BookmarkFlag;
}

void TZDBCustomData::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag)
{
    CustBuf(buffer)->BookmarkFlag = flag;
}

bool TZDBCustomData::InternalBookmarkValid(const TBookmark& bookmark) const
{
    qint32 index = 0;
    return BookmarkIndex(bookmark, index) && index >= 0 && index < GetRecordCount();
}

int TZDBCustomData::InternalCompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const
{
    qint32 index1 = 0;
    qint32 index2 = 0;
    const bool has1 = BookmarkIndex(bookmark1, index1);
    const bool has2 = BookmarkIndex(bookmark2, index2);
    if (!has1 || !has2)
        return has1 == has2 ? 0 : (has1 ? -1 : 1);
    return index1 < index2 ? -1 : (index1 > index2 ? 1 : 0);
}

// --- Record numbers -------------------------------------------------------------------

int TZDBCustomData::GetRecNo() const
{
    CheckActive();
    if (GetRecordCount() == 0 || IsEmpty())
        return -1;
    TRecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    if (!buffer || CustBuf(buffer)->BookmarkFlag != bfCurrent)
        return -1;
    return CustBuf(buffer)->RecordIndex + 1;
}

void TZDBCustomData::DoSetRecNo(int value)
{
    CheckBrowseMode();
    if (RecNo() == value || GetRecordCount() == 0)
        return;
    value = std::clamp(value, 1, GetRecordCount());
    DoBeforeScroll();
    SetRecordNumber(value - 1);
    CursorPosChanged();
    Resync(rmCenter);
    DoAfterScroll();
}

// --- Editing --------------------------------------------------------------------------

void TZDBCustomData::InternalInitRecord(TRecordBuffer buffer)
{
    EmptySlots(buffer); // one null slot per field definition
    CustBuf(buffer)->SlotsUsed = true;
    for (auto& slot : CustBuf(buffer)->Values)
        slot = QVariant();
}

void TZDBCustomData::InternalEdit()
{
    FModifiedFields.clear();
}

void TZDBCustomData::DoOnNewRecord()
{
    FModifiedFields.clear();
    TDataSet::DoOnNewRecord();
}

void TZDBCustomData::InternalAddRecord(TRecordBuffer buffer, bool append)
{
    if (append)
        SetBookmarkFlag(buffer, bfEOF);
    InternalPost();
}

void TZDBCustomData::InternalPost()
{
    const bool inserting = State() == dsInsert;
    const int index = GetRecordIndex();
    if (inserting)
        DoOnInsertRecord(index);
    TRecordBuffer buffer = ActiveBuffer();
    try {
        for (TField* field : FModifiedFields) {
            const std::optional<QVariant>& slot = Slot(buffer, field);
            if (slot)
                DoOnSetFieldData(index, field, *slot);
        }
    } catch (...) {
        // The insert stays pending: take back the record the descendant made, so that
        // posting again does not leave it a record more than the count says.
        if (inserting) {
            try {
                DoOnDeleteRecord(index);
            } catch (...) {
            }
        }
        throw;
    }
    if (inserting) {
        ++FRecordCount;
        SetRecordNumber(index);
    }
}

void TZDBCustomData::InternalDelete()
{
    DoOnDeleteRecord(GetRecordIndex());
    FRecordCount = std::max(FRecordCount - 1, 0);
    if (GetRecordNumber() >= FRecordCount)
        SetRecordNumber(FRecordCount - 1);
}

// --- Searching ------------------------------------------------------------------------

bool TZDBCustomData::FindRecord(bool restart, bool goForward)
{
    CheckBrowseMode();
    SetFound(false);
    UpdateCursorPos();
    CursorPosChanged();
    bool found = false;
    if (restart) {
        if (goForward)
            First();
        else
            Last();
        found = !IsEmpty();
    } else {
        found = MoveBy(goForward ? 1 : -1) != 0;
    }
    SetFound(found);
    return found;
}

bool TZDBCustomData::LocateRecord(const QString& keyFields, const QVariant& keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    std::vector<TField*> fields = GetFieldList(keyFields); // raises on an unknown name
    UpdateCursorPos();
    CursorPosChanged();
    FLocateFields = keyFields;
    FLocateValues = keyValues;
    FLocateOptions = options;
    FLocateFieldList = std::move(fields);
    FLocateFilter = true;
    const auto scanEnd = qScopeGuard([this] {
        FLocateFilter = false;
        FLocateFieldList.clear();
    });
    SetRecordNumber(-1);
    return GetRecord(TempBuffer(), gmNext, false) == grOK;
}

void TZDBCustomData::LocateFilter(bool& accept)
{
    if (FLocateFieldList.empty())
        FLocateFieldList = GetFieldList(FLocateFields);
    accept = RecordMatches(FilterBuffer(), FLocateFieldList, FLocateValues, FLocateOptions);
}

} // namespace zdb

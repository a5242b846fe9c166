// TDataSet: editing, field values and calculated fields.

#include "DB.h"

namespace zdb {

bool IsEditMode(TDataSetState state)
{
    return state == dsEdit || state == dsInsert || state == dsSetKey;
}

void TDataSet::Edit()
{
    if (FState == dsEdit || FState == dsInsert)
        return;
    if (FRecordCount == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    if (BeforeEdit)
        BeforeEdit(this);
    UpdateCursorPos();
    InternalEdit();
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    if (AfterEdit)
        AfterEdit(this);
}

void TDataSet::BeginInsertAppend()
{
    CheckBrowseMode();
    CheckCanModify();
    if (BeforeInsert)
        BeforeInsert(this);
}

void TDataSet::EndInsertAppend()
{
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        SetState(dsBrowse);
        Resync({});
        throw;
    }
    FModified = false;
    DataEvent(deDataSetChange, 0);
    if (AfterInsert)
        AfterInsert(this);
}

void TDataSet::InitRecord(TRecordBuffer buffer)
{
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::Insert()
{
    BeginInsertAppend();
    const TBookmark oldCurrent = FRecordCount > 0 ? GetBookmarkData(ActiveBuffer()) : TBookmark();
    MoveBuffer(FRecordCount, FActiveRecord);
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    if (FRecordCount == 0)
        SetBookmarkFlag(buffer, bfBOF);
    else
        SetBookmarkData(buffer, oldCurrent);
    if (FRecordCount < FBufferCount)
        ++FRecordCount;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append()
{
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = FBuffers[0].get();
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    FRecordCount = 1;
    FBOF = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::UpdateRecord()
{
    if (!IsEditMode(FState))
        DatabaseError(SNotEditing, this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::Post()
{
    UpdateRecord();
    if (FState != dsEdit && FState != dsInsert)
        return;
    DataEvent(deCheckBrowseMode, 0);
    if (BeforePost)
        BeforePost(this);
    for (const auto& field : FFields)
        if (field->GetRequired() && field->GetFieldKind() == fkData && field->IsNull())
            DatabaseErrorFmt(SFieldRequired, {field->DisplayName()}, this);
    UpdateCursorPos();
    InternalPost(); // on failure the dataset stays in its editing state with the pending values
    SetState(dsBrowse);
    Resync({});
    if (AfterPost)
        AfterPost(this);
}

void TDataSet::Cancel()
{
    if (FState != dsEdit && FState != dsInsert)
        return;
    DataEvent(deCheckBrowseMode, 0);
    if (BeforeCancel)
        BeforeCancel(this);
    UpdateCursorPos();
    InternalCancel();
    SetState(dsBrowse);
    Resync({});
    if (AfterCancel)
        AfterCancel(this);
}

void TDataSet::Delete()
{
    CheckActive();
    if (FState == dsInsert || FState == dsSetKey) {
        Cancel();
        return;
    }
    if (FRecordCount == 0)
        DatabaseError(SDataSetEmpty, this);
    DataEvent(deCheckBrowseMode, 0);
    CheckCanModify();
    if (BeforeDelete)
        BeforeDelete(this);
    DoBeforeScroll();
    UpdateCursorPos();
    InternalDelete();
    SetState(dsBrowse);
    Resync({});
    if (AfterDelete)
        AfterDelete(this);
    DoAfterScroll();
}

void TDataSet::ClearFields()
{
    if (!IsEditMode(FState))
        DatabaseError(SNotEditing, this);
    InternalInitRecord(ActiveBuffer());
    ClearCalcFields(ActiveBuffer());
    DataEvent(deDataSetChange, 0);
}

// --- Field values -------------------------------------------------------------

TRecordBuffer TDataSet::GetActiveRecordBuffer() const
{
    switch (FState) {
    case dsBrowse:
    case dsBlockRead:
        return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsOldValue:
    case dsCurValue:
        return ActiveBuffer();
    case dsCalcFields:
    case dsInternalCalc:
        return FCalcBuffer;
    case dsFilter:
        return FFilterBuffer;
    default:
        return nullptr;
    }
}

bool TDataSet::GetFieldData(TField* field, QVariant& value) const
{
    TRecordBuffer buffer = GetActiveRecordBuffer();
    if (!buffer)
        return false;
    if (field->FCalcIndex >= 0) {
        if (buffer->CalcPending)
            const_cast<TDataSet*>(this)->CalculateFields(buffer);
        if (size_t(field->FCalcIndex) >= buffer->CalcValues.size())
            return false;
        value = buffer->CalcValues[size_t(field->FCalcIndex)];
        return !value.isNull();
    }
    return GetRecordFieldData(buffer, field, value);
}

QVariant TDataSet::ReadFieldValue(const TField* field) const
{
    QVariant value;
    if (!GetFieldData(const_cast<TField*>(field), value) || value.isNull())
        return QVariant();
    return value;
}

void TDataSet::SetFieldData(TField* field, const QVariant& value)
{
    switch (FState) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
        break;
    default:
        DatabaseError(SNotEditing, this);
    }
    TRecordBuffer buffer = GetActiveRecordBuffer();
    if (!buffer)
        DatabaseError(SNotEditing, this);
    if (field->FCalcIndex >= 0) {
        if (size_t(field->FCalcIndex) >= buffer->CalcValues.size())
            buffer->CalcValues.resize(size_t(FCalcFieldCount));
        buffer->CalcValues[size_t(field->FCalcIndex)] = value;
    } else {
        SetRecordFieldData(buffer, field, value);
    }
    if (FState != dsCalcFields && FState != dsFilter && FState != dsNewValue && FState != dsInternalCalc)
        DataEvent(deFieldChange, reinterpret_cast<qintptr>(field));
}

void TDataSet::SetFieldValueInternal(TField* field, const QVariant& value)
{
    SetFieldData(field, value);
}

QVariant TDataSet::GetFieldValue(const QString& fieldNames) const
{
    const std::vector<TField*> fields = GetFieldList(fieldNames);
    if (fields.size() == 1)
        return fields.front()->GetValue();
    QVariantList values;
    values.reserve(qsizetype(fields.size()));
    for (TField* field : fields)
        values.append(field->GetValue());
    return values;
}

void TDataSet::SetFieldValue(const QString& fieldName, const QVariant& value)
{
    FieldByName(fieldName)->SetValue(value);
}

std::vector<TField*> TDataSet::GetFieldList(const QString& fieldNames) const
{
    std::vector<TField*> result;
    for (const QString& name : SplitFieldNames(fieldNames))
        result.push_back(FieldByName(name));
    return result;
}

TField* TDataSet::FieldByName(const QString& name) const
{
    TField* field = FFields.FindField(name);
    if (!field)
        DatabaseErrorFmt(SFieldNotFound, {name}, this);
    return field;
}

// --- Calculated and lookup fields -----------------------------------------------

void TDataSet::ClearCalcFields(TRecordBuffer buffer)
{
    if (!buffer)
        return;
    buffer->CalcValues.assign(size_t(FCalcFieldCount), QVariant());
    buffer->CalcPending = false;
}

void TDataSet::GetCalcFieldsOf(TRecordBuffer buffer)
{
    if (FScanCount > 0)
        buffer->CalcPending = true;
    else
        CalculateFields(buffer);
}

void TDataSet::CalculateFields(TRecordBuffer buffer)
{
    if (!buffer || FCalcFieldCount == 0)
        return;
    buffer->CalcPending = false;
    TTempBufferState temp(this, dsCalcFields, buffer);
    ClearCalcFields(buffer);
    for (const auto& field : FFields) {
        if (!field->Lookup())
            continue;
        TDataSet* lookupSet = field->GetLookupDataSet();
        if (!lookupSet || !lookupSet->GetActive() || field->GetKeyFields().isEmpty())
            continue;
        const QVariant keys = GetFieldValue(field->GetKeyFields());
        bool anyNull = false;
        if (keys.typeId() == QMetaType::QVariantList) {
            for (const QVariant& key : keys.toList())
                anyNull = anyNull || key.isNull();
        } else {
            anyNull = keys.isNull();
        }
        if (anyNull)
            continue;
        const QVariant result =
            lookupSet->Lookup(field->GetLookupKeyFields(), keys, field->GetLookupResultField());
        buffer->CalcValues[size_t(field->FCalcIndex)] = result;
    }
    if (OnCalcFields)
        OnCalcFields(this);
}

} // namespace zdb

// TDataSet: record filtering, Locate, Lookup and FindFirst/FindNext.

#include "DB.h"

namespace zdb {

TDataSet::TTempBufferState::TTempBufferState(TDataSet* dataSet, TDataSetState state, TRecordBuffer buffer)
    : FDataSet(dataSet), FOldState(dataSet->FState), FFilterSlot(state == dsFilter),
      FOldBuffer(FFilterSlot ? dataSet->FFilterBuffer : dataSet->FCalcBuffer)
{
    (FFilterSlot ? FDataSet->FFilterBuffer : FDataSet->FCalcBuffer) = buffer;
    FDataSet->FState = state;
}

TDataSet::TTempBufferState::~TTempBufferState()
{
    (FFilterSlot ? FDataSet->FFilterBuffer : FDataSet->FCalcBuffer) = FOldBuffer;
    FDataSet->FState = FOldState;
}

// --- Filtering ----------------------------------------------------------------

void TDataSet::CheckFilterFields(const QString& filterText)
{
    if (!FFilterExpr)
        return;
    for (const QString& name : FFilterExpr->FieldNames())
        if (!FFields.FindField(name))
            DatabaseError(QStringLiteral("Field '%1' not found in filter '%2'").arg(name, filterText), this);
    // Values that do not fit their field ('abc' for a date) show only when compared: try the
    // current record now rather than fail in the middle of a later scroll.
    if (FState == dsBrowse && !IsEmpty()) {
        TTempBufferState temp(this, dsFilter, ActiveBuffer());
        FFilterExpr->Accept(
            [this](const QString& name) -> QVariant { return FFields.FindField(name)->GetValue(); },
            FFilterOptions);
    }
}

void TDataSet::SetFilter(const QString& value)
{
    if (value == FFilterText)
        return;
    std::unique_ptr<TFilterExpression> expr;
    if (!value.trimmed().isEmpty())
        expr = std::make_unique<TFilterExpression>(value, FLocale); // raises on a malformed text
    if (GetActive()) {
        std::swap(FFilterExpr, expr);
        try {
            CheckFilterFields(value);
        } catch (...) {
            std::swap(FFilterExpr, expr);
            throw;
        }
    } else {
        FFilterExpr = std::move(expr);
    }
    if (GetActive() && FFiltered)
        CheckBrowseMode();
    FFilterText = value;
    if (GetActive() && FFiltered)
        FilterSettingsChanged();
}

void TDataSet::SetFiltered(bool value)
{
    if (value == FFiltered)
        return;
    if (GetActive()) {
        CheckBrowseMode();
        FFiltered = value;
        FilterSettingsChanged();
    } else {
        FFiltered = value;
    }
}

void TDataSet::SetFilterOptions(TFilterOptions value)
{
    if (value == FFilterOptions)
        return;
    if (GetActive())
        CheckBrowseMode();
    FFilterOptions = value;
    if (GetActive() && FFiltered)
        FilterSettingsChanged();
}

void TDataSet::SetOnFilterRecord(std::function<void(TDataSet*, bool&)> handler)
{
    if (GetActive())
        CheckBrowseMode();
    OnFilterRecord = std::move(handler);
    if (GetActive() && FFiltered)
        FilterSettingsChanged();
}

void TDataSet::FilterSettingsChanged()
{
    InternalFilterChanged();
    First();
}

bool TDataSet::RecordFilterActive() const
{
    return FFiltered && ((FFilterExpr && !FFilterExpr->IsEmpty()) || OnFilterRecord);
}

bool TDataSet::AcceptRecord(TRecordBuffer buffer)
{
    if (!RecordFilterActive())
        return true;
    TTempBufferState temp(this, dsFilter, buffer);
    bool accept = true;
    if (FFilterExpr && !FFilterExpr->IsEmpty()) {
        accept = FFilterExpr->Accept(
            [this](const QString& name) -> QVariant {
                TField* field = FFields.FindField(name);
                return field ? field->GetValue() : QVariant();
            },
            FFilterOptions);
    }
    if (accept && OnFilterRecord)
        OnFilterRecord(this, accept);
    return accept;
}

// --- Locate and Lookup ----------------------------------------------------------

namespace {
bool SameValue(const QVariant& recordValue, const QVariant& key, bool partial, bool caseInsensitive)
{
    const bool recordIsNull = recordValue.isNull();
    const bool keyIsNull = key.isNull();
    if (recordIsNull || keyIsNull)
        return recordIsNull && keyIsNull;
    const bool strings = recordValue.typeId() == QMetaType::QString && key.typeId() == QMetaType::QString;
    if (strings && (partial || caseInsensitive)) {
        QString text = recordValue.toString();
        const QString keyText = key.toString();
        if (partial)
            text.truncate(keyText.size());
        return QString::compare(text, keyText, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
    }
    if (recordValue.typeId() == key.typeId())
        return recordValue == key;
    return QVariant::compare(recordValue, key) == QPartialOrdering::Equivalent;
}
} // namespace

bool TDataSet::LocateValuesMatch(const QVariant& recordValues, const QVariant& keyValues, TLocateOptions options)
{
    const bool caseInsensitive = options.testFlag(loCaseInsensitive);
    const bool partialKey = options.testFlag(loPartialKey);
    const bool recordIsList = recordValues.typeId() == QMetaType::QVariantList;
    const bool keyIsList = keyValues.typeId() == QMetaType::QVariantList;
    if (recordIsList != keyIsList)
        return false;
    if (!recordIsList)
        return SameValue(recordValues, keyValues, partialKey, caseInsensitive);
    const QVariantList record = recordValues.toList();
    const QVariantList keys = keyValues.toList();
    if (record.size() != keys.size())
        return false;
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (!SameValue(record[i], keys[i], partialKey && i == keys.size() - 1, caseInsensitive))
            return false;
    return true;
}

bool TDataSet::RecordMatches(TRecordBuffer buffer, const std::vector<TField*>& keyFields,
                             const QVariant& keyValues, TLocateOptions options)
{
    TTempBufferState temp(this, dsFilter, buffer);
    QVariant values;
    if (keyFields.size() == 1) {
        values = keyFields.front()->GetValue();
    } else {
        QVariantList list;
        for (TField* field : keyFields)
            list.append(field->GetValue());
        values = list;
    }
    QVariant keys = keyValues;
    if (keyFields.size() == 1 && keys.typeId() == QMetaType::QVariantList && keys.toList().size() == 1)
        keys = keys.toList().front();
    return LocateValuesMatch(values, keys, options);
}

bool TDataSet::LocateRecord(const QString& keyFields, const QVariant& keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    UpdateCursorPos();
    CursorPosChanged();
    TRecordBuffer buffer = TempBuffer();
    InternalFirst();
    while (GetRecord(buffer, gmNext, false) == grOK)
        if (RecordMatches(buffer, fields, keyValues, options))
            return true;
    return false;
}

bool TDataSet::ConvertLocateKeys(const QString& keyFields, QVariant& keyValues) const
{
    const std::vector<TField*> fields = GetFieldList(keyFields);
    const bool list = keyValues.typeId() == QMetaType::QVariantList;
    QVariantList keys = list ? keyValues.toList() : QVariantList{keyValues};
    if (size_t(keys.size()) != fields.size())
        return true; // left for the comparison to refuse
    bool changed = false;
    for (size_t i = 0; i < fields.size(); ++i) {
        const TFieldType type = fields[i]->DataType();
        if (keys[i].typeId() != QMetaType::QString || IsStringFieldType(type) || IsMemoFieldType(type))
            continue;
        try {
            keys[i] = fields[i]->Coerce(keys[i]);
        } catch (const EDatabaseError&) {
            return false;
        }
        changed = true;
    }
    if (changed)
        keyValues = list ? QVariant(keys) : keys.front();
    return true;
}

bool TDataSet::Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options)
{
    CheckActive();
    DoBeforeScroll();
    bool found = false;
    {
        TScanCalcGuard scan(this);
        QVariant keys = keyValues;
        found = ConvertLocateKeys(keyFields, keys) && LocateRecord(keyFields, keys, options);
    }
    if (found) {
        Resync(TResyncMode(rmExact) | rmCenter);
        DoAfterScroll();
    }
    return found;
}

QVariant TDataSet::Lookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields)
{
    CheckActive();
    {
        TScanCalcGuard scan(this);
        QVariant keys = keyValues;
        if (!ConvertLocateKeys(keyFields, keys) || !LocateRecord(keyFields, keys, {}))
            return QVariant();
    }
    // The record found computes its calculated fields when a result field is one.
    TTempBufferState temp(this, dsCalcFields, TempBuffer());
    return GetFieldValue(resultFields);
}

bool TDataSet::FindRecord(bool restart, bool goForward)
{
    CheckBrowseMode();
    FFound = false;
    if (restart) {
        if (goForward)
            First();
        else
            Last();
        FFound = !IsEmpty();
    } else {
        FFound = MoveBy(goForward ? 1 : -1) != 0;
    }
    return FFound;
}

} // namespace zdb

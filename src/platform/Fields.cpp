// TField, TFields, field and index definitions.

#include "DB.h"

#include <QDateTime>
#include <QMetaEnum>

#include <algorithm>

namespace zdb {

bool IsStringFieldType(TFieldType type)
{
    switch (type) {
    case ftString: case ftFixedChar: case ftGuid: case ftWideString: case ftFixedWideChar:
        return true;
    default:
        return false;
    }
}

bool IsMemoFieldType(TFieldType type)
{
    return type == ftMemo || type == ftFmtMemo || type == ftWideMemo;
}

bool IsIntegerFieldType(TFieldType type)
{
    switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint: case ftLongWord:
    case ftShortint: case ftByte:
        return true;
    default:
        return false;
    }
}

bool IsFloatFieldType(TFieldType type)
{
    switch (type) {
    case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: case ftExtended: case ftSingle:
        return true;
    default:
        return false;
    }
}

QString FieldTypeName(TFieldType type)
{
    static const char* const names[] = {
        "Unknown", "String", "Smallint", "Integer", "Word", "Boolean", "Float", "Currency",
        "BCD", "Date", "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo",
        "Graphic", "FmtMemo", "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor", "FixedChar",
        "WideString", "Largeint", "ADT", "Array", "Reference", "DataSet", "OraBlob", "OraClob",
        "Variant", "Interface", "IDispatch", "Guid", "TimeStamp", "FMTBcd", "FixedWideChar",
        "WideMemo", "OraTimeStamp", "OraInterval", "LongWord", "Shortint", "Byte", "Extended",
        "Connection", "Params", "Stream", "TimeStampOffset", "Object", "Single"};
    const int index = int(type);
    if (index < 0 || index >= int(std::size(names)))
        return QStringLiteral("Unknown");
    return QString::fromLatin1(names[index]);
}

QStringList SplitFieldNames(const QString& names)
{
    QStringList result;
    QString normalized = names;
    normalized.replace(QLatin1Char(','), QLatin1Char(';'));
    for (const QString& part : normalized.split(QLatin1Char(';'))) {
        const QString name = part.trimmed();
        if (!name.isEmpty())
            result.append(name);
    }
    return result;
}

// --- TFieldDefs -----------------------------------------------------------------

TFieldDef& TFieldDefs::Add(const QString& name, TFieldType type, int size, bool required)
{
    if (name.trimmed().isEmpty())
        DatabaseError(QStringLiteral("Field name missing"), FDataSet);
    if (IndexOf(name) >= 0)
        DatabaseErrorFmt(SDuplicateFieldName, {name}, FDataSet);
    TFieldDef def;
    def.Name = name;
    def.DataType = type;
    def.Size = size;
    def.Required = required;
    def.FieldNo = Count() + 1;
    FItems.push_back(def);
    FUpdated = true;
    return FItems.back();
}

void TFieldDefs::Clear()
{
    FItems.clear();
}

int TFieldDefs::IndexOf(const QString& name) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[size_t(i)].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const TFieldDef* TFieldDefs::Find(const QString& name) const
{
    const int i = IndexOf(name);
    return i < 0 ? nullptr : &FItems[size_t(i)];
}

void TFieldDefs::Update()
{
    if (FUpdated || !FDataSet)
        return;
    FDataSet->InternalInitFieldDefs();
    FUpdated = true;
}

// --- TIndexDefs -----------------------------------------------------------------

bool TIndexDef::IsDescending(const QString& name) const
{
    if (Options.testFlag(ixDescending))
        return true;
    return SplitFieldNames(DescFields).contains(name, Qt::CaseInsensitive);
}

TIndexDef& TIndexDefs::Add(const QString& name, const QString& fields, TIndexOptions options)
{
    if (IndexOf(name) >= 0)
        DatabaseError(QStringLiteral("Duplicate index name '%1'").arg(name));
    TIndexDef def;
    def.Name = name;
    def.Fields = fields;
    def.Options = options;
    FItems.push_back(def);
    return FItems.back();
}

void TIndexDefs::Remove(const QString& name)
{
    const int i = IndexOf(name);
    if (i < 0)
        DatabaseError(QStringLiteral("Index '%1' not found").arg(name));
    FItems.erase(FItems.begin() + i);
}

int TIndexDefs::IndexOf(const QString& name) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[size_t(i)].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const TIndexDef* TIndexDefs::Find(const QString& name) const
{
    const int i = IndexOf(name);
    return i < 0 ? nullptr : &FItems[size_t(i)];
}

const TIndexDef* TIndexDefs::GetIndexForFields(const QString& fields, bool caseInsensitive) const
{
    const QStringList wanted = SplitFieldNames(fields);
    for (const TIndexDef& def : FItems) {
        if (caseInsensitive != def.Options.testFlag(ixCaseInsensitive))
            continue;
        const QStringList have = SplitFieldNames(def.Fields);
        if (have.size() < wanted.size())
            continue;
        bool match = true;
        for (qsizetype i = 0; i < wanted.size() && match; ++i)
            match = have[i].compare(wanted[i], Qt::CaseInsensitive) == 0;
        if (match)
            return &def;
    }
    return nullptr;
}

// --- TFields --------------------------------------------------------------------

TField* TFields::FindField(const QString& name) const
{
    // Grids and settings look names up once per column and layout: a hash
    // keeps that linear in the number of columns.
    if (FNames.isEmpty() && !FItems.empty()) {
        FNames.reserve(qsizetype(FItems.size()));
        for (const auto& field : FItems) {
            const QString key = field->FFieldName.toCaseFolded();
            if (!FNames.contains(key))
                FNames.insert(key, field.get());
        }
    }
    return FNames.value(name.toCaseFolded(), nullptr);
}

int TFields::IndexOf(const TField* field) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == field)
            return int(i);
    return -1;
}

TField* TFields::Add(std::unique_ptr<TField> field)
{
    field->FDataSet = FDataSet;
    NamesChanged();
    FItems.push_back(std::move(field));
    return FItems.back().get();
}

void TFields::Move(int curIndex, int newIndex)
{
    auto first = FItems.begin();
    if (curIndex < newIndex)
        std::rotate(first + curIndex, first + curIndex + 1, first + newIndex + 1);
    else if (newIndex < curIndex)
        std::rotate(first + newIndex, first + curIndex, first + curIndex + 1);
}

std::unique_ptr<TField> TFields::Remove(TField* field)
{
    const int i = IndexOf(field);
    if (i < 0)
        return nullptr;
    std::unique_ptr<TField> owned = std::move(FItems[size_t(i)]);
    FItems.erase(FItems.begin() + i);
    NamesChanged();
    owned->FDataSet = nullptr;
    return owned;
}

// --- TDataSet field management ---------------------------------------------------

TField* TDataSet::AddField(std::unique_ptr<TField> field)
{
    CheckInactive();
    if (!field)
        DatabaseError(QStringLiteral("No field given"), this);
    if (field->GetFieldName().trimmed().isEmpty())
        DatabaseError(QStringLiteral("Field name missing"), this);
    if (FFields.FindField(field->GetFieldName()))
        DatabaseErrorFmt(SDuplicateFieldName, {field->GetFieldName()}, this);
    TField* added = FFields.Add(std::move(field));
    DataEvent(deFieldListChange, 0);
    return added;
}

void TDataSet::RemoveField(TField* field)
{
    CheckInactive();
    FFields.Remove(field);
    DataEvent(deFieldListChange, 0);
}

void TDataSet::CreateFields()
{
    // Data fields come in definition order, ahead of the application's calculated and lookup
    // fields; a data field the application made for a definition takes that definition's place.
    FDefaultFields = std::all_of(FFields.begin(), FFields.end(),
                                 [](const std::unique_ptr<TField>& f) { return f->FAutoCreated; });
    std::vector<std::unique_ptr<TField>> ordered;
    for (const TFieldDef& def : FFieldDefs) {
        TField* existing = FFields.FindField(def.Name);
        std::unique_ptr<TField> field;
        if (existing && existing->GetFieldKind() == fkData) {
            field = FFields.Remove(existing);
        } else if (existing) {
            continue;
        } else {
            field = CreateFieldForType(def.DataType);
            field->FFieldName = def.Name;
            field->FSize = def.Size;
            field->FRequired = def.Required;
            field->FReadOnly = def.ReadOnly;
            field->FAutoCreated = true;
            if (def.InKey)
                field->FProviderFlags |= pfInKey;
            if (auto* floatField = qobject_cast<TFloatField*>(field.get()); floatField && def.Precision > 0)
                floatField->SetPrecision(def.Precision);
        }
        field->FFieldNo = def.FieldNo;
        ordered.push_back(std::move(field));
    }
    for (auto& rest : FFields.FItems)
        ordered.push_back(std::move(rest));
    FFields.FItems = std::move(ordered);
    FFields.NamesChanged();
    for (const auto& field : FFields)
        field->FDataSet = this;
    UpdateCalcSlots();
}

void TDataSet::BindFields(bool binding)
{
    for (const auto& field : FFields) {
        if (field->GetFieldKind() != fkData)
            continue;
        if (!binding) {
            field->FFieldNo = 0;
            continue;
        }
        const TFieldDef* def = FFieldDefs.Find(field->GetFieldName());
        if (!def)
            DatabaseErrorFmt(SFieldNotFound, {field->GetFieldName()}, this);
        field->FFieldNo = def->FieldNo;
    }
}

void TDataSet::DestroyFields()
{
    auto& items = FFields.FItems;
    items.erase(std::remove_if(items.begin(), items.end(),
                               [](const std::unique_ptr<TField>& f) { return f->FAutoCreated; }),
                items.end());
    FFields.NamesChanged();
    UpdateCalcSlots();
}

void TDataSet::InitFieldDefsFromFields()
{
    if (FFieldDefs.Count() > 0)
        return;
    for (const auto& field : FFields) {
        if (field->GetFieldKind() != fkData)
            continue;
        TFieldDef& def = FFieldDefs.Add(field->GetFieldName(), field->DataType(), field->GetSize(),
                                        field->GetRequired());
        def.ReadOnly = field->GetReadOnly();
    }
}

// --- TField ---------------------------------------------------------------------

TField::TField(TFieldType type, QObject* parent) : QObject(parent), FDataType(type)
{
}

TField::~TField() = default;

void TField::SetFieldName(const QString& value)
{
    if (FDataSet && FDataSet->GetActive())
        DatabaseError(QStringLiteral("Cannot rename field '%1' of an open dataset").arg(FFieldName), FDataSet);
    FFieldName = value;
    if (FDataSet)
        FDataSet->FFields.NamesChanged();
}

void TField::PropertyChanged(bool layoutAffected)
{
    if (FDataSet && FDataSet->GetActive())
        FDataSet->DataEvent(layoutAffected ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetDisplayLabel(const QString& value)
{
    const QString label = value == FFieldName ? QString() : value;
    if (label != FDisplayLabel) {
        FDisplayLabel = label;
        PropertyChanged(true);
    }
}

int TField::GetDisplayWidth() const
{
    if (FDisplayWidth > 0)
        return FDisplayWidth;
    switch (FDataType) {
    case ftString: case ftFixedChar: case ftWideString: case ftFixedWideChar: case ftGuid:
        return FSize > 0 ? FSize : 20;
    case ftSmallint: case ftWord: return 6;
    case ftInteger: case ftAutoInc: return 11;
    case ftLargeint: return 15;
    case ftBoolean: return 5;
    case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: case ftExtended: case ftSingle: return 10;
    case ftDate: return 10;
    case ftTime: return 8;
    case ftDateTime: case ftTimeStamp: return 18;
    default: return 10;
    }
}

void TField::SetDisplayWidth(int value)
{
    if (value != FDisplayWidth) {
        FDisplayWidth = value;
        PropertyChanged(true);
    }
}

void TField::SetAlignment(Qt::Alignment value)
{
    if (value != FAlignment) {
        FAlignment = value;
        PropertyChanged(false);
    }
}

void TField::SetVisible(bool value)
{
    if (value != FVisible) {
        FVisible = value;
        PropertyChanged(true);
    }
}

void TField::SetLookupDataSet(TDataSet* value)
{
    if (value == FDataSet && value)
        DatabaseError(QStringLiteral("Circular lookup reference in field '%1'").arg(FFieldName), FDataSet);
    FLookupDataSet = value;
}

void TField::FocusControl()
{
    if (FDataSet && FDataSet->GetActive())
        FDataSet->DataEvent(deFocusControl, reinterpret_cast<qintptr>(this));
}

void TField::SetIndex(int value)
{
    if (!FDataSet)
        return;
    TFields& fields = FDataSet->Fields();
    const int current = fields.IndexOf(this);
    value = std::clamp(value, 0, fields.Count() - 1);
    if (current < 0 || value == current)
        return;
    fields.Move(current, value);
    FDataSet->DataEvent(deFieldListChange, 0);
    if (FDataSet->GetActive())
        FDataSet->DataEvent(deLayoutChange, 0);
}

int TField::Index() const
{
    return FDataSet ? FDataSet->Fields().IndexOf(this) : -1;
}

bool TField::IsBlob() const
{
    switch (FDataType) {
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
    case ftTypedBinary: case ftOraBlob: case ftOraClob: case ftWideMemo:
        return true;
    default:
        return false;
    }
}

bool TField::CanModify() const
{
    if (FReadOnly || !FDataSet)
        return false;
    if (FFieldKind == fkCalculated || FFieldKind == fkAggregate)
        return false;
    return FDataSet->CanModify();
}

bool TField::IsNull() const
{
    if (!FDataSet)
        return true;
    QVariant value;
    return !FDataSet->GetFieldData(const_cast<TField*>(this), value) || value.isNull();
}

QVariant TField::GetValue() const
{
    return FDataSet ? FDataSet->ReadFieldValue(this) : QVariant();
}

void TField::SetValue(const QVariant& value)
{
    if (!FDataSet)
        DatabaseError(QStringLiteral("Field '%1' has no dataset").arg(DisplayName()));
    const TDataSetState state = FDataSet->State();
    const bool internal = state == dsCalcFields || state == dsFilter || state == dsInternalCalc;
    if (!internal) {
        if (FReadOnly && state != dsSetKey)
            DatabaseErrorFmt(SFieldReadOnly, {DisplayName()}, FDataSet);
        if (!IsEditMode(state))
            DatabaseError(SNotEditing, FDataSet);
    }
    if (FFieldKind == fkLookup && !internal) {
        // Writing a lookup field writes the key fields of the record found by the result value.
        TDataSet* lookupSet = FLookupDataSet;
        if (!lookupSet)
            DatabaseError(QStringLiteral("Field '%1' has no lookup dataset").arg(DisplayName()), FDataSet);
        const QVariant keys = value.isNull() ? QVariant()
                                             : lookupSet->Lookup(FLookupResultField, value, FLookupKeyFields);
        const std::vector<TField*> keyFields = FDataSet->GetFieldList(FKeyFields);
        const QVariantList keyList = keys.typeId() == QMetaType::QVariantList ? keys.toList() : QVariantList{keys};
        for (size_t i = 0; i < keyFields.size(); ++i)
            keyFields[i]->SetValue(qsizetype(i) < keyList.size() ? keyList[qsizetype(i)] : QVariant());
        return;
    }
    const QVariant coerced = value.isNull() ? QVariant() : Coerce(value);
    if (!internal)
        Validate();
    FDataSet->SetFieldValueInternal(this, coerced);
}

QVariant TField::Coerce(const QVariant& value) const
{
    return value;
}

void TField::ConvertError(const QString& text, const QString& kind) const
{
    DatabaseError(QStringLiteral("'%1' is not a valid %2 value for field '%3'").arg(text, kind, DisplayName()),
                  FDataSet);
}

QString TField::GetAsString() const
{
    const QVariant value = GetValue();
    return value.isNull() ? QString() : FormatValue(value, false);
}

void TField::SetAsString(const QString& value)
{
    SetValue(value.isEmpty() && FDataType != ftString && FDataType != ftWideString ? QVariant()
                                                                                   : TextToValue(value));
}

qlonglong TField::AsLargeInt() const
{
    qint64 number = 0;
    bool isNull = false;
    if (ReadInt(number, isNull))
        return isNull ? 0 : number;
    return LargeIntOfValue();
}

qlonglong TField::LargeIntOfValue() const
{
    const QVariant value = GetValue();
    bool ok = false;
    const qlonglong result = value.toLongLong(&ok);
    if (!ok && !value.isNull())
        ConvertError(value.toString(), QStringLiteral("integer"));
    return result;
}

bool TField::ReadInt(qint64& value, bool& isNull) const
{
    return FDataSet && FDataSet->ReadFieldInt(this, value, isNull);
}

bool TField::ReadFloat(double& value, bool& isNull) const
{
    return FDataSet && FDataSet->ReadFieldFloat(this, value, isNull);
}

double TField::AsFloat() const
{
    double number = 0;
    bool isNull = false;
    if (ReadFloat(number, isNull))
        return isNull ? 0 : number;
    return FloatOfValue();
}

double TField::FloatOfValue() const
{
    const QVariant value = GetValue();
    bool ok = false;
    const double result = value.toDouble(&ok);
    if (!ok && !value.isNull())
        ConvertError(value.toString(), QStringLiteral("floating point"));
    return result;
}

bool TField::AsBoolean() const
{
    const QVariant value = GetValue();
    if (value.isNull())
        return false;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1"))
            return true;
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || text == QLatin1String("0"))
            return false;
        ConvertError(text, QStringLiteral("boolean"));
    }
    return value.toBool();
}

QDateTime TField::AsDateTime() const
{
    const QVariant value = GetValue();
    switch (value.typeId()) {
    case QMetaType::QDateTime: return value.toDateTime();
    case QMetaType::QDate: return value.toDate().startOfDay();
    case QMetaType::QTime: return QDateTime(QDate(1899, 12, 30), value.toTime());
    default: return value.toDateTime();
    }
}

QString TField::FormatValue(const QVariant& value, bool /*displayText*/) const
{
    return value.toString();
}

QVariant TField::TextToValue(const QString& text) const
{
    return text;
}

QVariant TField::ConvertText(const QString& text) const
{
    if (text.isEmpty() && FDataType != ftString && FDataType != ftWideString)
        return QVariant();
    const QVariant value = TextToValue(text);
    return value.isNull() ? value : Coerce(value);
}

QString TField::GetText(bool displayText) const
{
    QString text;
    if (OnGetText) {
        OnGetText(const_cast<TField*>(this), text, displayText);
        return text;
    }
    const QVariant value = GetValue();
    return value.isNull() ? QString() : FormatValue(value, displayText);
}

void TField::SetEditText(const QString& value)
{
    if (OnSetText)
        OnSetText(this, value);
    else
        SetAsString(value);
}

} // namespace zdb

// The stand-alone editors: TZDBColumn follows a column of a grid (its field,
// pick list, lookup and button settings, and the grid's text rules), and
// TZDBCustomEditor carries its own settings in a column of no grid, with its
// own editor style, list class and pick-list text rules.

#include "ZDBEditor.h"

namespace zdb {

namespace {

bool SameName(const QString& A, const QString& B)
{
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

} // namespace

// ---- TZDBColumn ------------------------------------------------------------------------

TZDBColumn::TZDBColumn(QWidget* AParent) : TZDBLabeledEditor(AParent)
{
}

TZDBColumn::~TZDBColumn()
{
    disconnect(FGridLink);
}

void TZDBColumn::SetDBGrid(TZCustomDBGrid* Value)
{
    if (FDBGrid == Value)
        return;
    disconnect(FGridLink);
    FDBGrid = Value;
    if (Value)
        FGridLink = connect(Value, &TZCustomDBGrid::DataLinkChanged, this, &TZDBColumn::GridLinkChanged);
    GridLinkChanged();
}

void TZDBColumn::GridLinkChanged()
{
    if (FDBGrid && !FDBGrid->IsDestroying()) {
        // A data source of the editor's own stays; the grid's is followed.
        if (!GetDataSource() || GetDataSource() == FTakenSource) {
            FTakenSource = FDBGrid->GetDataSource();
            SetDataSource(FTakenSource);
        }
        // The grid's columns are made once its dataset is open.
        if (!FDataColumn.isEmpty())
            SetDataColumn(FDataColumn);
    }
    ActiveChange();
}

void TZDBColumn::SetDataColumn(const QString& Value)
{
    FDataColumn = Value;
    if (!FDBGrid || Value.isEmpty() || !FDBGrid->Columns())
        return;
    const TZDBGridColumns* columns = FDBGrid->Columns();
    for (int i = 0; i < columns->Count(); ++i) {
        TZColumn* column = columns->Items(i);
        if (SameName(column->GetDisplayName(), Value)) {
            FDataColumn = column->GetDisplayName();
            SetDataField(column->GetFieldName());
            ActiveChange();
            return;
        }
    }
    if (columns->State() == csCustomized)
        FDataColumn.clear();
}

TZColumn* TZDBColumn::GetColumn() const
{
    const QString field = GetDataField();
    if (!FDBGrid || field.isEmpty() || GetDataSource() != FDBGrid->GetDataSource() || !FDBGrid->Columns())
        return nullptr;
    // Looked up each time: the grid's layout makes its columns anew.
    const TZDBGridColumns* columns = FDBGrid->Columns();
    for (int i = 0; i < columns->Count(); ++i) {
        TZColumn* column = columns->Items(i);
        if (SameName(column->GetFieldName(), field) &&
            (FDataColumn.isEmpty() || SameName(column->GetDisplayName(), FDataColumn)))
            return column;
    }
    return nullptr;
}

QString TZDBColumn::ReadFieldText(bool Display) const
{
    // Until the grid binds its columns (its layout may come later) the field speaks for itself.
    if (TZColumn* column = GetColumn(); column && Field() && column->GetField() == Field())
        return Display ? column->GetDisplayText() : column->GetEditText();
    return TZDBLabeledEditor::ReadFieldText(Display);
}

void TZDBColumn::WriteFieldText(const QString& Text)
{
    if (TZColumn* column = GetColumn(); column && Field() && column->GetField() == Field())
        column->SetEditText(Text);
    else
        TZDBLabeledEditor::WriteFieldText(Text);
}

// ---- TZDBCustomEditor --------------------------------------------------------------------

TZDBCustomEditor::TZDBCustomEditor(QWidget* AParent)
    : TZDBLabeledEditor(AParent), FSettings(std::make_unique<TZColumn>(nullptr))
{
    // Stored, so that binding a field keeps the settings.
    FSettings->SetStored(true);
    FSettings->SetListOptions(TZListOptions{loAutoComplete, loSelectNextValue, loAllowClearValue, loShowToday,
                                            loAllowChangeOrder, loAllowColumnResize});
    FSettings->SetPickOptions(TZPickOptions{poSelectPickText, poAcceptPickList});
    FSettings->SetCalendarDepth(cdDecade);
    DataLink()->OnActiveChange = [this] { Changed(); };
    // Without a data source the text typed is the key of a lookup that shows
    // its keys; clearing the text clears any key.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& Text) {
        if (GetDataSource())
            return;
        const TZLookupColumn kind = GetLookupColumn();
        if (kind == lcLookupKeyField)
            FKeyValue = Text.isEmpty() ? QVariant() : QVariant(Text);
        else if (kind != lcNotDefined && Text.isEmpty())
            FKeyValue = QVariant();
    });
}

TZDBCustomEditor::~TZDBCustomEditor()
{
    // The list reads the settings, and so does the link's callback: both go before them.
    DataLink()->OnActiveChange = nullptr;
    delete FActiveList.data();
}

void TZDBCustomEditor::Changed()
{
    FSettings->SetField(Field());
    ActiveChange();
    if (!GetDataSource() && !FKeyValue.isNull() && GetLookupActive())
        setText(KeyText());
}

QVariant TZDBCustomEditor::GetKeyValue() const
{
    if (!GetDataSource())
        return FKeyValue;
    QVariant key;
    if (!StoresLookupKey(GetLookupColumn()) && GetLookupColumn() != lcLookupKeyField)
        return key;
    ReadLookupKey(FSettings.get(), key);
    return key;
}

void TZDBCustomEditor::SetKeyValue(const QVariant& Value)
{
    const QVariant key = Value.isNull() || Value.toString().isEmpty() ? QVariant() : Value;
    if (GetDataSource()) {
        if (GetLookupActive())
            SetupListValue(key, false);
        return;
    }
    FKeyValue = key;
    if (GetLookupActive())
        setText(KeyText());
}

QString TZDBCustomEditor::KeyText() const
{
    TDataSet* lookup = FSettings->GetLookupDataSet();
    if (FKeyValue.isNull() || !lookup)
        return QString();
    const QString keyField = FSettings->GetLookupKeyField();
    const QString shown = GetLookupColumn() == lcLookupValueField ? FSettings->GetLookupResultField() : keyField;
    // Open from now on, as for a bound editor's looked-up result.
    if (!lookup->Active())
        lookup->Open();
    const QVariant result = lookup->Lookup(keyField, FKeyValue, shown);
    return result.isNull() ? QString() : result.toString();
}

bool TZDBCustomEditor::ReadLookupKey(TZColumn* Column, QVariant& Key) const
{
    if (GetDataSource())
        return TZDBLabeledEditor::ReadLookupKey(Column, Key);
    Key = FKeyValue;
    return true;
}

void TZDBCustomEditor::SetupListValue(const QVariant& Value, bool Flag)
{
    if (GetDataSource() || !GetLookupActive()) {
        TZDBLabeledEditor::SetupListValue(Value, Flag);
        return;
    }
    if (!CanModifyValue())
        return;
    FKeyValue = Value.isNull() || Value.toString().isEmpty() ? QVariant() : Value;
    setText(KeyText());
    if (Flag)
        setModified(true);
}

void TZDBCustomEditor::SetButtonStyle(TEditorButtonStyle Value)
{
    if (FButtonStyle == Value)
        return;
    FButtonStyle = Value;
    Changed();
}

// Settings that change what the editor shows or offers are followed by Changed.
#define ZDB_EDITOR_SETTING(Type, Param, Name)                                                                    \
    Type TZDBCustomEditor::Get##Name() const { return FSettings->Get##Name(); }                                  \
    void TZDBCustomEditor::Set##Name(Param Value)                                                                \
    {                                                                                                            \
        FSettings->Set##Name(Value);                                                                             \
        Changed();                                                                                               \
    }

ZDB_EDITOR_SETTING(int, int, DropDownRows)
ZDB_EDITOR_SETTING(int, int, DropDownWidth)
ZDB_EDITOR_SETTING(QStringList, const QStringList&, PickList)
ZDB_EDITOR_SETTING(QStringList, const QStringList&, PickText)
ZDB_EDITOR_SETTING(QString, const QString&, PickTextFormat)
ZDB_EDITOR_SETTING(TZPickOptions, TZPickOptions, PickOptions)
ZDB_EDITOR_SETTING(QStringList, const QStringList&, PickOptionNames)
ZDB_EDITOR_SETTING(TZListOptions, TZListOptions, ListOptions)
ZDB_EDITOR_SETTING(QStringList, const QStringList&, ListOptionNames)
ZDB_EDITOR_SETTING(TCalendarDepth, TCalendarDepth, CalendarDepth)
ZDB_EDITOR_SETTING(QChar, QChar, DelimiterChar)
ZDB_EDITOR_SETTING(bool, bool, DelimiterLine)
ZDB_EDITOR_SETTING(QString, const QString&, DelimiterText)
ZDB_EDITOR_SETTING(TMultiSelectText, TMultiSelectText, MultiSelectText)
ZDB_EDITOR_SETTING(TDataSet*, TDataSet*, LookupDataSet)
ZDB_EDITOR_SETTING(QString, const QString&, KeyField)
ZDB_EDITOR_SETTING(QString, const QString&, LookupKeyField)
ZDB_EDITOR_SETTING(QString, const QString&, LookupResultField)
ZDB_EDITOR_SETTING(QString, const QString&, LookupParentField)
ZDB_EDITOR_SETTING(QString, const QString&, LookupTreeViewField)
ZDB_EDITOR_SETTING(QString, const QString&, LookupListFields)
ZDB_EDITOR_SETTING(QString, const QString&, LookupListTitles)
ZDB_EDITOR_SETTING(QString, const QString&, LookupListWidths)

#undef ZDB_EDITOR_SETTING

QString TZDBCustomEditor::GetDelimiter() const { return FSettings->Delimiter(); }
bool TZDBCustomEditor::GetPickListActive() const { return FSettings->PickListActive(); }
bool TZDBCustomEditor::GetPickTextActive() const { return FSettings->PickTextActive(); }
bool TZDBCustomEditor::GetPickDataActive() const { return FSettings->PickDataActive(); }
QStringList TZDBCustomEditor::GetPickData() const { return FSettings->PickData(); }
QStringList TZDBCustomEditor::GetPickDataList() const { return FSettings->PickDataList(); }
bool TZDBCustomEditor::GetLookupActive() const { return GetLookupColumn() != lcNotDefined; }
QString TZDBCustomEditor::FormatPickText(int Index) const { return FSettings->FormatPickText(Index); }

TZLookupColumn TZDBCustomEditor::GetLookupColumn() const
{
    // Without a data source the editor's own value is the key: it shows the
    // key itself, or the result field of the lookup record.
    if (!GetDataSource()) {
        const QString key = FSettings->GetLookupKeyField();
        if (!FSettings->GetLookupDataSet() || key.isEmpty())
            return lcNotDefined;
        const QString result = FSettings->GetLookupResultField();
        return result.isEmpty() || SameName(result, key) ? lcLookupKeyField : lcLookupValueField;
    }
    FSettings->SetField(Field());
    return FSettings->LookupColumn();
}

bool TZDBCustomEditor::GetMultiSelectList() const
{
    FSettings->SetField(Field());
    return FSettings->MultiSelectList();
}

QString TZDBCustomEditor::FormatText(const QString& Text) const
{
    FSettings->SetField(Field());
    return FSettings->FormatText(Text);
}

bool TZDBCustomEditor::GetCalendarActive() const
{
    FSettings->SetField(Field());
    return FSettings->CalendarActive();
}

int TZDBCustomEditor::GetPickIndex() const
{
    return PickItemIndex(GetPickData(), text());
}

void TZDBCustomEditor::SetPickIndex(int Value)
{
    const QStringList items = GetPickDataList();
    if (Value >= 0 && Value < items.size())
        SetupListValue(items.at(Value), false);
}

QString TZDBCustomEditor::DoGetItem(const QString& Value) const
{
    return TZCustomDBGrid::PickGetItem(FSettings.get(), Value);
}

QString TZDBCustomEditor::DoSetItem(const QString& Text) const
{
    return TZCustomDBGrid::PickSetItem(FSettings.get(), Text);
}

QString TZDBCustomEditor::ValueToText(const QString& Value) const
{
    if (!GetMultiSelectList() || !GetPickDataActive())
        return DoGetItem(Value);
    QStringList texts;
    for (const QString& item : Value.split(GetDelimiter(), Qt::SkipEmptyParts))
        if (const QString text = DoGetItem(item); !text.isEmpty())
            texts << text;
    return texts.join(GetDelimiter());
}

QString TZDBCustomEditor::TextToValue(const QString& Text) const
{
    if (!GetMultiSelectList() || !GetPickDataActive())
        return DoSetItem(Text);
    QStringList values;
    for (const QString& item : Text.split(GetDelimiter(), Qt::SkipEmptyParts))
        if (const QString value = DoSetItem(item); !value.isEmpty())
            values << value;
    return values.join(GetDelimiter());
}

QString TZDBCustomEditor::ReadFieldText(bool Display) const
{
    TField* field = Field();
    FSettings->SetField(field);
    if (field && FSettings->LookupColumn() == lcLookupValueField) {
        // The key shows as the lookup record's result.
        TDataSet* lookup = FSettings->GetLookupDataSet();
        if (field->IsNull() || !lookup)
            return QString();
        if (!lookup->Active())
            lookup->Open();
        TField* result = lookup->FindField(FSettings->GetLookupResultField());
        if (!result || !lookup->Locate(FSettings->GetLookupKeyField(), field->GetValue()))
            return QString();
        return Display ? result->DisplayText() : result->GetEditText();
    }
    const QString text = ValueToText(TZDBLabeledEditor::ReadFieldText(Display));
    return Display ? FormatText(text) : text;
}

void TZDBCustomEditor::WriteFieldText(const QString& Text)
{
    FSettings->SetField(Field());
    // A key is chosen from the list (or completed from it), never typed:
    // the text shown is the looked-up result.
    if (StoresLookupKey(FSettings->LookupColumn()))
        return;
    TZDBLabeledEditor::WriteFieldText(TextToValue(Text));
}

void TZDBCustomEditor::LoadPickText(TField* ValueField, TField* TextField)
{
    TDataSet* dataSet = ValueField ? ValueField->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active())
        return;
    QStringList values;
    QStringList texts;
    {
        const TDataSetControlsGuard controls(dataSet);
        const TBookmark current = dataSet->GetBookmark();
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) {
            values << ValueField->AsString();
            if (TextField)
                texts << TextField->DisplayText();
        }
        if (!current.isEmpty())
            dataSet->GotoBookmark(current);
    }
    FSettings->SetPickList(values);
    FSettings->SetPickText(texts);
    Changed();
}

void TZDBCustomEditor::LoadPickList(TField* ValueField)
{
    LoadPickText(ValueField, nullptr);
}

int TZDBCustomEditor::GetImageIndex() const
{
    int index = TZDBLabeledEditor::GetImageIndex();
    if (OnCalcImageIndex)
        OnCalcImageIndex(const_cast<TZDBCustomEditor*>(this), index);
    return index;
}

TEditorStyle TZDBCustomEditor::GetEditorStyle() const
{
    const bool linkReadOnly = TZFieldBinding::GetReadOnly();
    switch (FButtonStyle) {
    case ebsEllipsis: return edsEllipsis;
    case ebsNone: return edsSimple;
    case ebsDropDown: return edsDropDown;
    case ebsDropDownMenu: return edsDropDownMenu;
    case ebsCalendar:
    case ebsCalculator: return edsDropDownList;
    case ebsAuto: break;
    }
    if (GetLookupActive()) {
        if (!GetDataSource())
            return linkReadOnly ? edsSimple : edsDropDownList;
        TDataSet* dataSet = DataLink()->DataSet();
        TField* key = dataSet ? dataSet->FindField(GetKeyField()) : nullptr;
        return key && key->CanModify() && !linkReadOnly && DataLink()->Active() ? edsDropDownList : edsSimple;
    }
    if ((GetPickDataActive() || GetCalendarActive()) && !linkReadOnly)
        return edsDropDownList;
    if (TField* field = Field(); field && (field->DataType() == ftReference || field->DataType() == ftDataSet))
        return edsEllipsis;
    return edsSimple;
}

TZDBGridDropDownListClass TZDBCustomEditor::GetEditorListClass() const
{
    switch (FButtonStyle) {
    case ebsAuto:
        if (GetLookupActive())
            return &TZDBEditorDataList::Create;
        if (GetPickDataActive())
            return &TZDBEditorPickList::Create;
        if (GetCalendarActive())
            return &TZDBEditorCalendar::Create;
        return nullptr;
    case ebsCalendar: return &TZDBEditorCalendar::Create;
    case ebsCalculator: return &TZDBEditorCalculator::Create;
    default: return nullptr;
    }
}

} // namespace zdb

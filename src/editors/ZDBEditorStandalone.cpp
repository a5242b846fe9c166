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

void TZDBColumn::SetDBGrid(TZCustomDBGrid* Value)
{
    if (FDBGrid == Value)
        return;
    FDBGrid = Value;
    if (Value && !GetDataSource())
        SetDataSource(Value->GetDataSource());
    if (!FDataColumn.isEmpty())
        SetDataColumn(FDataColumn);
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
    if (TZColumn* column = GetColumn(); column && Field())
        return Display ? column->GetDisplayText() : column->GetEditText();
    return TZDBLabeledEditor::ReadFieldText(Display);
}

void TZDBColumn::WriteFieldText(const QString& Text)
{
    if (TZColumn* column = GetColumn(); column && Field())
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
    DataLink()->OnActiveChange = [this] { Changed(); };
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
}

void TZDBCustomEditor::SetButtonStyle(TEditorButtonStyle Value)
{
    if (FButtonStyle == Value)
        return;
    FButtonStyle = Value;
    Changed();
}

int TZDBCustomEditor::GetDropDownRows() const { return FSettings->GetDropDownRows(); }
void TZDBCustomEditor::SetDropDownRows(int Value) { FSettings->SetDropDownRows(Value); }
int TZDBCustomEditor::GetDropDownWidth() const { return FSettings->GetDropDownWidth(); }
void TZDBCustomEditor::SetDropDownWidth(int Value) { FSettings->SetDropDownWidth(Value); }
QStringList TZDBCustomEditor::GetPickList() const { return FSettings->GetPickList(); }
QStringList TZDBCustomEditor::GetPickText() const { return FSettings->GetPickText(); }
QString TZDBCustomEditor::GetPickTextFormat() const { return FSettings->GetPickTextFormat(); }
TZPickOptions TZDBCustomEditor::GetPickOptions() const { return FSettings->GetPickOptions(); }
TZListOptions TZDBCustomEditor::GetListOptions() const { return FSettings->GetListOptions(); }
QChar TZDBCustomEditor::GetDelimiterChar() const { return FSettings->GetDelimiterChar(); }
TDataSet* TZDBCustomEditor::GetLookupDataSet() const { return FSettings->GetLookupDataSet(); }
QString TZDBCustomEditor::GetKeyField() const { return FSettings->GetKeyField(); }
QString TZDBCustomEditor::GetLookupKeyField() const { return FSettings->GetLookupKeyField(); }
QString TZDBCustomEditor::GetLookupResultField() const { return FSettings->GetLookupResultField(); }

void TZDBCustomEditor::SetPickList(const QStringList& Value)
{
    FSettings->SetPickList(Value);
    Changed();
}

void TZDBCustomEditor::SetPickText(const QStringList& Value)
{
    FSettings->SetPickText(Value);
    Changed();
}

void TZDBCustomEditor::SetPickTextFormat(const QString& Value)
{
    FSettings->SetPickTextFormat(Value);
    Changed();
}

void TZDBCustomEditor::SetPickOptions(TZPickOptions Value)
{
    FSettings->SetPickOptions(Value);
    Changed();
}

void TZDBCustomEditor::SetListOptions(TZListOptions Value)
{
    FSettings->SetListOptions(Value);
    Changed();
}

void TZDBCustomEditor::SetDelimiterChar(QChar Value)
{
    FSettings->SetDelimiterChar(Value);
    Changed();
}

void TZDBCustomEditor::SetLookupDataSet(TDataSet* Value)
{
    FSettings->SetLookupDataSet(Value);
    Changed();
}

void TZDBCustomEditor::SetKeyField(const QString& Value)
{
    FSettings->SetKeyField(Value);
    Changed();
}

void TZDBCustomEditor::SetLookupKeyField(const QString& Value)
{
    FSettings->SetLookupKeyField(Value);
    Changed();
}

void TZDBCustomEditor::SetLookupResultField(const QString& Value)
{
    FSettings->SetLookupResultField(Value);
    Changed();
}

bool TZDBCustomEditor::GetPickListActive() const { return FSettings->PickListActive(); }
bool TZDBCustomEditor::GetPickTextActive() const { return FSettings->PickTextActive(); }
bool TZDBCustomEditor::GetPickDataActive() const { return FSettings->PickDataActive(); }
QStringList TZDBCustomEditor::GetPickData() const { return FSettings->PickData(); }
QStringList TZDBCustomEditor::GetPickDataList() const { return FSettings->PickDataList(); }
bool TZDBCustomEditor::GetLookupActive() const { return GetLookupColumn() != lcNotDefined; }
QString TZDBCustomEditor::FormatPickText(int Index) const { return FSettings->FormatPickText(Index); }

TZLookupColumn TZDBCustomEditor::GetLookupColumn() const
{
    FSettings->SetField(Field());
    return FSettings->LookupColumn();
}

bool TZDBCustomEditor::GetCalendarActive() const
{
    TField* field = Field();
    return field && (field->DataType() == ftDate || field->DataType() == ftDateTime ||
                     field->DataType() == ftTimeStamp);
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

QString TZDBCustomEditor::ReadFieldText(bool Display) const
{
    FSettings->SetField(Field());
    return DoGetItem(TZDBLabeledEditor::ReadFieldText(Display));
}

void TZDBCustomEditor::WriteFieldText(const QString& Text)
{
    FSettings->SetField(Field());
    TZDBLabeledEditor::WriteFieldText(DoSetItem(Text));
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

TZDBEditorListClass TZDBCustomEditor::GetListClass() const
{
    // The lookup, calendar and calculator lists of stand-alone editors are not
    // there yet: such an editor shows no button.
    if (FButtonStyle == ebsAuto && !GetLookupActive() && GetPickDataActive())
        return [](TZDBCustomEditor* Editor) -> TZDBDropDownList* { return new TZDBEditorPickList(Editor); };
    return nullptr;
}

bool TZDBCustomEditor::HasList() const
{
    return GetListClass() != nullptr;
}

TZDBDropDownList* TZDBCustomEditor::CreateDropDownList()
{
    const TZDBEditorListClass listClass = GetListClass();
    return listClass ? listClass(this) : nullptr;
}

// ---- TZDBEditorPickList ----------------------------------------------------------------------

TZDBEditorPickList::TZDBEditorPickList(TZDBCustomEditor* Editor)
    : TZDBGridPickList(Editor, nullptr), FEditor(Editor)
{
}

TZColumn* TZDBEditorPickList::PickColumn() const
{
    return FEditor ? FEditor->Settings() : nullptr;
}

void TZDBEditorPickList::SetupListValue(const QVariant& Value)
{
    // The list holds stored values; the editor takes shown texts.
    if (FEditor)
        FEditor->SetupListValue(FEditor->DoGetItem(Value.toString()), false);
}

} // namespace zdb

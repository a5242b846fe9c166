// TZCustomDBGrid cell text: what a column stores and what its cells show, in
// both directions (record numbers, value lookups, pick lists with their
// options, multi-select lists item by item), the hooks around it, the editor
// style a column gets and the in-place editor's guards that depend on the text.

#include "ZDBGrids.h"

namespace zdb {

namespace {

// Index of Text in List, compared without regard to case; -1 when absent.
int IndexOfText(const QStringList& List, const QString& Text)
{
    for (qsizetype i = 0; i < List.size(); ++i)
        if (List[i].compare(Text, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

// The item index a text writes as a decimal number; -1 for anything else.
int ItemIndexOf(const QString& Text)
{
    bool ok = false;
    const int index = Text.trimmed().toInt(&ok);
    return ok && index >= 0 ? index : -1;
}

// An item index as stored: decimal, right-aligned to the Size of a fixed
// string field so that the stored values sort as numbers.
QString StoredItemIndex(const TZColumn* Column, int Index)
{
    const QString text = QString::number(Index);
    const TField* field = Column->GetField();
    return field && field->DataType() == ftString ? text.rightJustified(field->GetSize(), QLatin1Char(' ')) : text;
}

// The column's read-only flag when the column itself was made read-only
// (the grid's and the field's read-only state aside).
bool ExplicitReadOnly(const TZColumn* Column)
{
    return Column->IsAssigned(cvReadOnly) && Column->GetReadOnly();
}

// The items of a multi-select value (Text split at Delimiter, empty items
// skipped) each through Map, the empty results dropped, joined again.
template <typename F>
QString MapItems(const QString& Text, const QString& Delimiter, F Map)
{
    QStringList items;
    for (const QString& item : Text.split(Delimiter, Qt::SkipEmptyParts))
        if (QString mapped = Map(item); !mapped.isEmpty())
            items << mapped;
    return items.join(Delimiter);
}

// The LookupResultField of the lookup dataset's record whose LookupKeyField
// holds Key: its edit text (Edit) or display text; empty when there is none.
// Read without moving the lookup dataset's cursor, which a list may be showing,
// unless the result field's text handler needs the record itself.
QString LookupResultText(const TZColumn* Column, const QString& Key, bool Edit)
{
    TDataSet* lookup = Column->GetLookupDataSet();
    if (!lookup)
        return QString();
    if (!lookup->Active())
        lookup->Open();
    TField* result = lookup->FindField(Column->GetLookupResultField());
    TField* key = lookup->FindField(Column->GetLookupKeyField());
    if (!result || !key)
        return QString();
    if (result->OnGetText) {
        if (!lookup->Locate(key->GetFieldName(), Key))
            return QString();
        return Edit ? result->GetEditText() : result->DisplayText();
    }
    QVariant keyValue;
    try {
        keyValue = key->ConvertText(Key);
    } catch (const std::runtime_error&) {
        return QString(); // no key of the lookup dataset reads so
    }
    if (keyValue.isNull())
        return QString();
    // The record the lookup dataset stands on answers without a search.
    const bool current = !lookup->IsEmpty() && lookup->State() == dsBrowse && key->GetValue() == keyValue;
    const QVariant value = current ? result->GetValue()
                                   : lookup->Lookup(key->GetFieldName(), keyValue, result->GetFieldName());
    return Edit ? result->EditTextOf(value) : result->DisplayTextOf(value);
}

} // namespace

QString TZCustomDBGrid::ColGetItem(TZColumn* Column, const QString& Value, TTextKind TextKind)
{
    QString result = Value;
    if (!Column)
        return result;
    if (Column->GetAutoNumber() && TextKind != tkReport)
        result = FDataLink && FDataLink->Active() ? AutoNumberStr(GetRecNumber()) : QString();
    if (Column->LookupColumn() == lcLookupValueField)
        return result.isEmpty() ? result : LookupResultText(Column, result, TextKind == tkEdit);
    return PickGetItem(Column, result);
}

QString TZCustomDBGrid::PickGetItem(const TZColumn* Column, const QString& Value)
{
    QString result = Value;
    const TZPickOptions options = Column->GetPickOptions();
    const QStringList pickList = Column->GetPickList();
    if (Column->PickTextActive()) {
        const QStringList pickText = Column->GetPickText();
        int i = IndexOfText(Column->PickListActive() ? pickList : pickText, result);
        if (i < 0 && options.Contains(poStoreItemIndex)) {
            i = ItemIndexOf(result);
            if (i >= 0)
                result = QString::number(i);
        }
        bool found = false;
        if (i >= 0) {
            if (i < Column->PickData().size() && options.Contains(poFormatPickText) &&
                !options.Contains(poFormatListOnly)) {
                result = Column->FormatPickText(i);
                found = true;
            } else if (i < pickText.size()) {
                result = pickText[i];
                found = true;
            }
        }
        if (!found && options.Contains(poListItemsOnly))
            result.clear();
    } else if (Column->PickListActive()) {
        int i = IndexOfText(pickList, result);
        if (i < 0 && options.Contains(poStoreItemIndex))
            i = ItemIndexOf(result);
        if (i >= 0 && i < pickList.size())
            result = pickList[i];
        else if (options.Contains(poListItemsOnly))
            result.clear();
    }
    return result;
}

QString TZCustomDBGrid::ColSetItem(TZColumn* Column, const QString& Text)
{
    return Column ? PickSetItem(Column, Text) : Text;
}

QString TZCustomDBGrid::PickSetItem(const TZColumn* Column, const QString& Text)
{
    QString result = Text;
    const TZPickOptions options = Column->GetPickOptions();
    const QStringList pickList = Column->GetPickList();
    if (Column->PickTextActive()) {
        const QStringList pickText = Column->GetPickText();
        int i = options.Contains(poFormatPickText) ? IndexOfText(Column->PickDataList(), Text) : -1;
        if (i < 0)
            i = IndexOfText(pickText, Text);
        if (i < 0 && options.Contains(poAcceptPickList) && !pickList.isEmpty())
            i = IndexOfText(pickList, Text);
        if (i < 0 && options.Contains(poAcceptItemIndex))
            i = ItemIndexOf(Text);
        if (i >= pickText.size())
            i = -1;
        if (i >= 0) {
            if (options.Contains(poStoreItemIndex))
                result = StoredItemIndex(Column, i);
            else if (!Column->PickListActive())
                result = pickText[i];
            else if (i < pickList.size())
                result = pickList[i];
            else
                i = -1;
        }
        if (i < 0 && options.Contains(poListItemsOnly))
            result.clear();
    } else if (Column->PickListActive()) {
        int i = IndexOfText(pickList, Text);
        if (i < 0 && options.Contains(poAcceptItemIndex))
            i = ItemIndexOf(Text);
        // An index past the list's end names no item: it is not stored.
        if (i >= 0 && i < pickList.size())
            return options.Contains(poStoreItemIndex) ? StoredItemIndex(Column, i) : pickList[i];
        if (options.Contains(poListItemsOnly))
            result.clear();
    }
    // Lookup columns are not translated: their lists write the key themselves.
    return result;
}

QString TZCustomDBGrid::ColGetText(TZColumn* Column, const QString& Value, TTextKind TextKind)
{
    QString result = Value;
    if (!Column)
        return result;
    if (Column->MultiSelectList() && Column->PickDataActive())
        result = MapItems(Value, Column->Delimiter(),
                          [&](const QString& Item) { return ColGetItem(Column, Item, TextKind); });
    else
        result = ColGetItem(Column, Value, TextKind);
    if (TextKind == tkDisplay)
        result = Column->FormatText(result);
    if (OnColGetText)
        OnColGetText(this, Column, result, TextKind);
    return result;
}

QString TZCustomDBGrid::ColSetText(TZColumn* Column, const QString& Text)
{
    QString result = Text;
    if (!Column)
        return result;
    if (OnColSetText)
        OnColSetText(this, Column, result);
    if (Column->MultiSelectList() && Column->PickDataActive())
        return MapItems(result, Column->Delimiter(), [&](const QString& Item) { return ColSetItem(Column, Item); });
    return ColSetItem(Column, result);
}

void TZCustomDBGrid::ColTextChanged(TZColumn* Column)
{
    FireEvent(OnColTextChanged, this, Column);
}

TEditorStyle TZCustomDBGrid::GetEditorStyle(TZColumn* Column) const
{
    if (!Column)
        Column = SelectedColumn();
    if (!Column)
        return edsSimple;
    switch (Column->GetButtonStyle()) {
    case cbsEllipsis: return edsEllipsis;
    case cbsNone: return edsSimple;
    case cbsDropDown: return edsDropDown;
    case cbsDropDownMenu: return edsDropDownMenu;
    case cbsCalendar:
    case cbsCalculator: return edsDropDownList;
    case cbsAuto: break;
    }
    TField* field = Column->GetField();
    if (!field)
        return edsSimple;
    if (Column->LookupColumn() != lcNotDefined) {
        // A key is chosen from the list only where it can be written.
        TDataSet* dataSet = DataSet();
        TField* key = dataSet ? dataSet->FindField(Column->GetKeyField()) : nullptr;
        const bool writable = key && key->CanModify() && !ExplicitReadOnly(Column) && !FReadOnly &&
                              dataSet->Active() && FDataLink && !FDataLink->GetReadOnly();
        return writable ? edsDropDownList : edsSimple;
    }
    if ((Column->PickDataActive() || Column->CalendarActive()) && !ExplicitReadOnly(Column))
        return edsDropDownList;
    if (field->DataType() == ftReference || field->DataType() == ftDataSet)
        return edsEllipsis;
    return edsSimple;
}

QString TZCustomDBGrid::GetFieldValue(int ACol) const
{
    if (ACol < 0 || ACol >= FColumns->Count() || !FDataLink || !FDataLink->Active())
        return QString();
    return FColumns->Items(ACol)->GetDisplayText();
}

QString TZCustomDBGrid::GetEditMask(int ACol, int /*ARow*/)
{
    if (!FDataLink || !FDataLink->Active())
        return QString();
    TZColumn* column = ColumnOfRaw(ACol);
    TField* field = column ? column->GetField() : nullptr;
    return field && !column->PickTextActive() ? field->GetEditMask() : QString();
}

bool TZCustomDBGrid::CanEditAcceptKey(QChar Key)
{
    if (!FDataLink || !FDataLink->Active())
        return false;
    TZColumn* column = SelectedColumn();
    TField* field = column ? column->GetField() : nullptr;
    return field && (column->PickTextActive() || field->IsValidChar(Key));
}

} // namespace zdb

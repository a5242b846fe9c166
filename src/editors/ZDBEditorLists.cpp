// The lists of a stand-alone editor: the grid column's lists set up from the
// editor's settings (a column of no grid), opened on the editor's value and
// writing through the editor.

#include "ZDBEditorLists.h"

namespace zdb {

namespace {

TZDBCustomEditor* EditorOf(QWidget* AParent)
{
    auto* editor = qobject_cast<TZDBCustomEditor*>(AParent);
    Q_ASSERT(editor);
    return editor;
}

// The text a calendar or calculator opens on: the field's edit text while
// the user changed nothing, else what the editor holds.
QString EditorValueText(TZDBCustomEditor* Editor)
{
    TField* field = Editor->Field();
    return field && !Editor->DataLink()->IsModified() ? field->GetEditText() : Editor->text();
}

// Opens a calendar or a calculator on the editor's value, read in the locale
// of the editor's field (the editor's own without one); a text it cannot
// read opens it on its empty value.
template <class TPopup>
void OpenOnEditorValue(TPopup* Popup, TZDBCustomEditor* Editor)
{
    TField* field = Editor->Field();
    Popup->SetTextLocale(field && field->DataSet() ? field->DataSet()->Locale() : Editor->locale());
    try {
        Popup->SetResult(EditorValueText(Editor));
    } catch (const EConvertError&) {
        Popup->SetResult(QString());
    }
}

// What every list of an editor takes from it before opening.
void CopyEditorView(TZDBPopupList* Popup, TZDBCustomEditor* Editor)
{
    Popup->SetDropDownRows(Editor->GetDropDownRows());
    Popup->SetDropDownWidth(Editor->GetDropDownWidth());
    Popup->setLayoutDirection(Editor->layoutDirection());
    Popup->SetFont(Editor->font());
    Popup->SetListAlignment(true);
    Popup->SetDrawingStyle(Editor->GetDrawingStyle());
}

} // namespace

// ---- TZDBEditorDataList ----------------------------------------------------------------

TZDBGridDropDownList* TZDBEditorDataList::Create(QWidget* AParent, TZColumn*)
{
    return new TZDBEditorDataList(EditorOf(AParent));
}

void TZDBEditorDataList::UpdateListView(bool Refresh)
{
    TZDBPopupDataList* popup = DataPopup();
    if (!Refresh || !popup || !FEditor)
        return;
    CopyEditorView(popup, FEditor);
    const TZListOptions list = FEditor->GetListOptions();
    TZDBGridOptions options = popup->GetOptions();
    options.setFlag(dgTitles, list.Contains(loShowLookupListTitles));
    options.setFlag(dgTitleButtons, list.Contains(loAllowChangeOrder));
    popup->SetOptions(options);
    TZResizeOptions resize;
    if (list.Contains(loAllowColumnResize))
        resize |= TZResizeOptions(roColumnResize | roOptimalWidth | roDefaultWidth);
    if (list.Contains(loAllowColumnMoving))
        resize |= roColumnMoving;
    popup->SetResizeOptions(resize);
}

void TZDBEditorDataList::UpdateListData(bool Refresh)
{
    if (FEditor && !FEditor->GetDataSource()) {
        UpdateKeyList(Refresh);
        return;
    }
    if (Refresh && FEditor)
        FEditor->Settings()->SetField(FEditor->Field());
    TZDBGridDataList::UpdateListData(Refresh);
}

void TZDBEditorDataList::UpdateKeyList(bool Refresh)
{
    TZDBPopupDataList* popup = DataPopup();
    TZColumn* column = ListColumn();
    TDataSet* lookup = column ? column->GetLookupDataSet() : nullptr;
    if (!popup || !lookup)
        return;
    if (!Refresh) {
        // The user's column order, captions and widths stay with the editor.
        if (popup->DataSet()) {
            column->SetLookupListFields(popup->GetListFields());
            column->SetLookupListTitles(popup->GetListTitles());
            column->SetLookupListWidths(popup->GetListWidths());
        }
        popup->ListSource()->SetDataSet(nullptr);
        if (!FActive)
            lookup->Close();
        CloseCheckOrApply(popup);
        return;
    }
    ShowDataSet(popup, lookup);
    FActive = lookup->Active();
    lookup->Open();
    const QString key = column->GetLookupKeyField();
    const QString result = column->GetLookupResultField();
    popup->SetKeyFields(key);
    popup->SetListFields(column->GetLookupListFields());
    popup->SetListTitles(column->GetLookupListTitles());
    popup->SetListWidths(column->GetLookupListWidths());
    popup->SetSearchField(result.isEmpty() ? key : result);
    OpenCheckOrLocate(popup, column, [&] {
        if (const QVariant value = FEditor->GetKeyValue(); !value.isNull())
            popup->SetKeyValue(value);
    });
}

TZColumn* TZDBEditorDataList::ListColumn() const
{
    return FEditor ? FEditor->Settings() : nullptr;
}

TDataSet* TZDBEditorDataList::KeyDataSet() const
{
    return FEditor ? FEditor->DataLink()->DataSet() : nullptr;
}

// ---- TZDBEditorPickList ------------------------------------------------------------------

TZDBGridDropDownList* TZDBEditorPickList::Create(QWidget* AParent, TZColumn*)
{
    return new TZDBEditorPickList(EditorOf(AParent));
}

TZColumn* TZDBEditorPickList::PickColumn() const
{
    return FEditor ? FEditor->Settings() : nullptr;
}

TZColumn* TZDBEditorPickList::ListColumn() const
{
    return PickColumn();
}

TDataSet* TZDBEditorPickList::KeyDataSet() const
{
    return FEditor ? FEditor->DataLink()->DataSet() : nullptr;
}

void TZDBEditorPickList::SetupListValue(const QVariant& Value)
{
    if (FEditor)
        TZDBEditorListOf::SetupListValue(FEditor->ValueToText(Value.toString()));
}

void TZDBEditorPickList::UpdateListView(bool Refresh)
{
    if (TZDBPopupDataList* popup = DataPopup(); Refresh && popup && FEditor)
        CopyEditorView(popup, FEditor);
    TZDBGridPickList::UpdateListView(Refresh);
}

void TZDBEditorPickList::UpdateListData(bool Refresh)
{
    if (Refresh && FEditor)
        FEditor->Settings()->SetField(FEditor->Field());
    TZDBGridPickList::UpdateListData(Refresh);
    TZDBPopupDataList* popup = DataPopup();
    // Without a field the list opens on the item the editor shows.
    if (Refresh && FEditor && !FEditor->Field() && popup && !popup->GetMultiSelectList() && ListData()->Active())
        ListData()->Locate(ListData()->GetListFieldName(), FEditor->text(), TLocateOptions(loCaseInsensitive));
}

// ---- TZDBEditorCalendar ----------------------------------------------------------------------

TZDBGridDropDownList* TZDBEditorCalendar::Create(QWidget* AParent, TZColumn*)
{
    return new TZDBEditorCalendar(EditorOf(AParent));
}

void TZDBEditorCalendar::UpdateListView(bool Refresh)
{
    TZDBPopupCalendar* calendar = Calendar();
    if (!Refresh || !calendar || !FEditor)
        return;
    const TZListOptions options = FEditor->GetListOptions();
    calendar->SetFont(FEditor->font());
    calendar->setLayoutDirection(FEditor->layoutDirection());
    calendar->SetCalendarDepth(FEditor->GetCalendarDepth());
    calendar->SetBoldSundays(options.Contains(loBoldSundays));
    calendar->SetShowToday(options.Contains(loShowToday));
    calendar->SetShowTodayCircle(options.Contains(loShowTodayCircle));
    calendar->SetShowWeekNumbers(options.Contains(loShowWeekNumbers));
    calendar->SetTodayClose(options.Contains(loAutoTodayClose));
    calendar->OnCalcBoldDays = FEditor->OnCalcBoldDays;
}

void TZDBEditorCalendar::UpdateListData(bool Refresh)
{
    TZDBPopupCalendar* calendar = Calendar();
    if (!Refresh || !calendar || !FEditor) {
        TZDBGridCalendar::UpdateListData(Refresh);
        return;
    }
    calendar->SetCalendar(cdMonth);
    OpenOnEditorValue(calendar, FEditor);
}

// ---- TZDBEditorCalculator --------------------------------------------------------------------

TZDBGridDropDownList* TZDBEditorCalculator::Create(QWidget* AParent, TZColumn*)
{
    return new TZDBEditorCalculator(EditorOf(AParent));
}

void TZDBEditorCalculator::UpdateListView(bool Refresh)
{
    if (TZDBPopupCalculator* calculator = Calculator(); Refresh && calculator && FEditor)
        calculator->SetFont(FEditor->font());
}

void TZDBEditorCalculator::UpdateListData(bool Refresh)
{
    TZDBPopupCalculator* calculator = Calculator();
    if (!Refresh || !calculator || !FEditor) {
        // Nothing is written after an error, even when accepted.
        TZDBGridCalculator::UpdateListData(Refresh);
        return;
    }
    OpenOnEditorValue(calculator, FEditor);
}

} // namespace zdb

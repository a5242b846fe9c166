// The lists of a stand-alone editor: the grid column's lists set up from the
// editor's settings (a column of no grid), opened on the editor's value and
// writing through the editor.

#include "ZDBEditorLists.h"

#include <QScopeGuard>

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
}

// The field's value a check list starts from: the stored keys.
QString CheckListFieldText(TZDBCustomEditor* Editor)
{
    TField* field = Editor->Field();
    if (!field)
        return Editor->TextToValue(Editor->text());
    if (field->IsBlob() && !field->OnGetText)
        return field->AsString();
    return field->GetEditText();
}

void InitEditorCheckList(TZDBCheckList& List, TZDBCustomEditor* Editor, const QString& FieldText)
{
    List.SetDelimiter(Editor->GetDelimiterChar());
    List.SetDelimiterText(Editor->GetDelimiterText());
    List.SetDelimitedText(Editor->GetDelimiterLine(), FieldText);
}

QString CheckListValue(const TZDBCheckList& List, TZDBCustomEditor* Editor)
{
    TField* field = Editor->Field();
    return List.GetDelimitedText(Editor->GetDelimiterLine(), field && !field->IsBlob() ? field->GetSize() : 0);
}

// A chosen value goes through the editor's own rules, then shows selected.
void WriteToEditor(TZDBCustomEditor* Editor, const QVariant& Value)
{
    if (!Editor)
        return;
    Editor->SetupListValue(Value, false);
    Editor->selectAll();
}

} // namespace

// ---- TZDBEditorDataList ----------------------------------------------------------------

TZDBEditorDataList::TZDBEditorDataList(TZDBCustomEditor* Editor) : TZDBGridDataList(Editor, nullptr), FEditor(Editor)
{
}

TZDBGridDropDownList* TZDBEditorDataList::Create(QWidget* AParent, TZColumn*)
{
    return new TZDBEditorDataList(EditorOf(AParent));
}

QString TZDBEditorDataList::GetFieldText()
{
    return FEditor ? CheckListFieldText(FEditor) : QString();
}

void TZDBEditorDataList::InitCheckList()
{
    if (FEditor)
        InitEditorCheckList(FCheckList, FEditor, GetFieldText());
}

void TZDBEditorDataList::SetupCheckList()
{
    if (FEditor)
        SetupListValue(CheckListValue(FCheckList, FEditor));
}

void TZDBEditorDataList::SetupListValue(const QVariant& Value)
{
    WriteToEditor(FEditor, Value);
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
    TZDBPopupDataList* popup = DataPopup();
    TZColumn* settings = FEditor ? FEditor->Settings() : nullptr;
    TDataSet* lookup = settings ? settings->GetLookupDataSet() : nullptr;
    if (!popup)
        return;
    if (!Refresh) {
        const auto detach = qScopeGuard([&] {
            popup->SetSearchField(popup->GetSearchField());
            if (lookup && !FActive)
                lookup->Close();
            popup->ListSource()->SetDataSet(nullptr);
        });
        if (!settings || !popup->DataSet())
            return;
        // The user's column order, captions and widths stay with the editor.
        settings->SetLookupListFields(popup->GetListFields());
        if (!popup->GetMultiSelectList())
            settings->SetLookupListTitles(popup->GetListTitles());
        settings->SetLookupListWidths(popup->GetListWidths());
        CloseCheckOrApply(popup);
        return;
    }
    TField* field = FEditor ? FEditor->Field() : nullptr;
    if (!settings || !field || !lookup)
        return;
    settings->SetField(field);
    ShowDataSet(popup, lookup);
    FActive = lookup->Active();
    lookup->Open();
    popup->SetKeyFields(settings->GetLookupKeyField());
    popup->SetListFields(settings->GetLookupListFields());
    popup->SetListTitles(settings->GetLookupListTitles());
    popup->SetListWidths(settings->GetLookupListWidths());
    popup->SetSearchField(settings->GetLookupResultField());
    if (!settings->GetLookupTreeViewField().isEmpty())
        popup->SetTreeViewField(QStringLiteral("%1;%2;%3;%4")
                                    .arg(settings->GetLookupTreeViewField())
                                    .arg(FEditor->GetImageMargin())
                                    .arg(int(settings->GetExpandBoxSize()))
                                    .arg(settings->GetExpandBoxThemed() ? 1 : 0));
    OpenCheckOrLocate(popup, settings, [&] {
        TDataSet* dataSet = FEditor->DataLink()->DataSet();
        TField* key = dataSet ? dataSet->FindField(settings->GetKeyField()) : nullptr;
        if (key && !key->IsNull())
            popup->SetKeyValue(key->GetValue());
    });
}

// ---- TZDBEditorPickList ------------------------------------------------------------------

TZDBEditorPickList::TZDBEditorPickList(TZDBCustomEditor* Editor) : TZDBGridPickList(Editor, nullptr), FEditor(Editor)
{
}

TZDBGridDropDownList* TZDBEditorPickList::Create(QWidget* AParent, TZColumn*)
{
    return new TZDBEditorPickList(EditorOf(AParent));
}

TZColumn* TZDBEditorPickList::PickColumn() const
{
    return FEditor ? FEditor->Settings() : nullptr;
}

QString TZDBEditorPickList::GetFieldText()
{
    return FEditor ? CheckListFieldText(FEditor) : QString();
}

void TZDBEditorPickList::InitCheckList()
{
    FCheckList.SetSorted(false);
    if (FEditor)
        InitEditorCheckList(FCheckList, FEditor, GetFieldText());
}

void TZDBEditorPickList::SetupCheckList()
{
    if (FEditor)
        SetupListValue(CheckListValue(FCheckList, FEditor));
}

void TZDBEditorPickList::SetupListValue(const QVariant& Value)
{
    // The list holds stored values; the editor takes shown texts.
    if (!FEditor)
        return;
    WriteToEditor(FEditor, FEditor->ValueToText(Value.toString()));
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

TZDBEditorCalendar::TZDBEditorCalendar(TZDBCustomEditor* Editor) : TZDBGridCalendar(Editor, nullptr), FEditor(Editor)
{
}

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

void TZDBEditorCalendar::SetupListValue(const QVariant& Value)
{
    WriteToEditor(FEditor, Value);
}

// ---- TZDBEditorCalculator --------------------------------------------------------------------

TZDBEditorCalculator::TZDBEditorCalculator(TZDBCustomEditor* Editor)
    : TZDBGridCalculator(Editor, nullptr), FEditor(Editor)
{
}

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

void TZDBEditorCalculator::SetupListValue(const QVariant& Value)
{
    WriteToEditor(FEditor, Value);
}

} // namespace zdb

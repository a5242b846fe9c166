// The lists of a grid column (see ZDBDataList.h): the lookup list over the
// column's lookup dataset, the pick list over its pick items, and the check
// lists both become in multi-select mode.

#include "ZDBDataList.h"

#include "ZDBSearch.h"
#include "ZDBTranslate.h"

#include <QScopeGuard>

#include <algorithm>

namespace zdb {

namespace {

// The popup's key field (the first of its KeyFields).
TField* ListKeyField(TZDBPopupDataList* Popup)
{
    TDataSet* dataSet = Popup ? Popup->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active())
        return nullptr;
    return dataSet->FindField(Popup->GetKeyFields().section(QLatin1Char(';'), 0, 0).trimmed());
}

// The list column that shows the grid column's field takes its images and how they are drawn.
void CopyColumnImages(const TZColumn* From, TZColumn* To)
{
    if (!To || !From->GetImages())
        return;
    To->SetImages(From->GetImages());
    To->SetImageDraw(From->GetImageDraw());
    To->SetImageMargin(From->GetImageMargin());
    To->SetImageOffsetX(From->GetImageOffsetX());
    To->SetImageOffsetY(From->GetImageOffsetY());
    To->SetQuickDraw(From->GetQuickDraw());
    To->SetWallpaper(From->GetWallpaper());
    To->SetTransparent(From->GetTransparent());
    To->SetTransparentColor(From->GetTransparentColor());
}

// The data columns of the list (all but the check column).
int DataColumnCount(const TZDBPopupDataList* Popup)
{
    return std::max(Popup->Columns()->Count() - 1, 0);
}

} // namespace

// ---- TZDBGridDataList ------------------------------------------------------------------

TZDBGridDataList::TZDBGridDataList(QWidget* AParent, TZColumn* AColumn) : TZDBGridDropDownList(AParent, AColumn)
{
    SetupPopupList<TZDBPopupDataList>();
    FCheckList.SetSorted(true);
}

TZDBGridDataList::~TZDBGridDataList() = default;

TZDBGridDropDownList* TZDBGridDataList::CreateList(QWidget* AParent, TZColumn* AColumn)
{
    return new TZDBGridDataList(AParent, AColumn);
}

TZDBPopupDataList* TZDBGridDataList::DataPopup() const
{
    return qobject_cast<TZDBPopupDataList*>(PopupList());
}

TDataSet* TZDBGridDataList::KeyDataSet() const
{
    TZCustomDBGrid* grid = DBGrid();
    return grid ? grid->DataSet() : nullptr;
}

QVariant TZDBGridDataList::GetListValue()
{
    TZDBPopupDataList* popup = DataPopup();
    return popup ? popup->GetKeyValue() : QVariant();
}

QString TZDBGridDataList::GetFieldText()
{
    TZColumn* column = ListColumn();
    TField* field = column ? column->GetField() : nullptr;
    if (!field)
        return {};
    if (field->IsBlob() && column->GetEditMemo() && !field->OnGetText)
        return field->AsString();
    return field->GetEditText();
}

void TZDBGridDataList::InitCheckList()
{
    TZColumn* column = ListColumn();
    if (!column)
        return;
    FCheckList.SetDelimiter(column->GetDelimiterChar());
    FCheckList.SetDelimiterText(column->GetDelimiterText());
    FCheckList.SetDelimitedText(column->GetDelimiterLine(), GetFieldText());
}

void TZDBGridDataList::LoadCheckList()
{
    TZDBPopupDataList* popup = DataPopup();
    TDataSet* dataSet = popup ? popup->DataSet() : nullptr;
    TField* key = ListKeyField(popup);
    if (!key)
        return;
    // No row keeps a check from an earlier drop of the list.
    popup->ClearSelection();
    if (FCheckList.Count() == 0)
        return;
    // Each stored key is looked up (a query answers on its server) rather than
    // every record of a possibly huge list being walked.
    TZListPlaceGuard place(dataSet);
    for (const QString& item : FCheckList.Items())
        if (!item.isEmpty() && dataSet->Locate(key->GetFieldName(), item) && key->GetEditText() == item)
            popup->SelectRow();
}

void TZDBGridDataList::SaveCheckList()
{
    TZDBPopupDataList* popup = DataPopup();
    TDataSet* dataSet = popup ? popup->DataSet() : nullptr;
    TField* key = ListKeyField(popup);
    if (!key)
        return;
    const TZBookmarkList* checked = popup->SelectedRows();
    if (checked->Count() == 0) {
        FCheckList.Clear();
        SetupCheckList();
        return;
    }
    TZDBCheckList chosen;
    chosen.SetSorted(FCheckList.GetSorted());
    chosen.SetDelimiter(FCheckList.GetDelimiter());
    chosen.SetDelimiterText(FCheckList.GetDelimiterText());
    {
        // The checked rows in the list's order.
        TZListPlaceGuard place(dataSet);
        for (int i = 0; i < checked->Count(); ++i) {
            if (!dataSet->BookmarkValid(checked->Items(i)))
                continue;
            dataSet->GotoBookmark(checked->Items(i));
            chosen.Add(key->GetEditText());
        }
    }
    if (chosen.Items() == FCheckList.Items())
        return;
    FCheckList.SetItems(chosen.Items());
    SetupCheckList();
}

void TZDBGridDataList::SetupCheckList()
{
    TZColumn* column = ListColumn();
    TField* field = column ? column->GetField() : nullptr;
    if (!field)
        return;
    SetupListValue(FCheckList.GetDelimitedText(column->GetDelimiterLine(), field->GetSize()));
}

void TZDBGridDataList::ApplyCheckList()
{
    TZDBPopupDataList* popup = DataPopup();
    if (!popup)
        return;
    TApplyEvent apply = std::move(popup->OnApply);
    popup->OnApply = nullptr;
    const bool locked = GetLockCloseUp();
    SetLockCloseUp(true);
    const auto restore = qScopeGuard([&] {
        SetLockCloseUp(locked);
        popup->OnApply = std::move(apply);
    });
    SaveCheckList();
    InitCheckList();
    LoadCheckList();
}

void TZDBGridDataList::CopyGridView(TZDBPopupDataList* Popup, TZColumn* Column)
{
    TZCustomDBGrid* grid = DBGrid();
    if (!grid)
        return;
    grid->SetSelectedIndex(Column->Index());
    Popup->SetDropDownRows(Column->GetDropDownRows());
    Popup->SetDropDownWidth(Column->GetDropDownWidth());
    Popup->setLayoutDirection(grid->layoutDirection());
    Popup->setFont(grid->font());
    Popup->SetFont(grid->GetFont());
    Popup->SetTitleFont(grid->GetTitleFont());
    Popup->SetGridLineWidth(grid->GetGridLineWidth());
    // The list looks like the grid it drops from.
    Popup->SetColor(grid->GetColor());
    Popup->SetFixedColor(grid->GetFixedColor());
    Popup->SetFixedStyle(grid->GetFixedStyle());
    Popup->SetFixedTheme(grid->GetFixedTheme());
    Popup->SetHotButtons(grid->GetHotButtons());
    Popup->SetListBorder(grid->GetListBorder());
    Popup->SetMarkerStyle(grid->GetMarkerStyle());
    Popup->SetMarkerTransparent(grid->GetMarkerTransparent());
    Popup->SetSystemStyleElements(grid->GetSystemStyleElements());
    Popup->SetSelectionColor(grid->GetSelectionColor());
    Popup->SetHighlightText(grid->GetHighlightText());
    const TColor cellColor = grid->GetSelectCellColor() == clNone ? clDefault : grid->GetSelectCellColor();
    Popup->SetSelectCellColor(cellColor);
    Popup->SetSelectRowColor(grid->GetSelectRowColor() == clNone ? cellColor : grid->GetSelectRowColor());
    Popup->Columns()->RemoveMarkers();

    const TZListOptions list = Column->GetListOptions();
    TZDBGridOptions options = Popup->GetOptions();
    auto toggle = [](auto& Set, auto Flags, bool On) {
        if (On)
            Set |= Flags;
        else
            Set &= ~decltype(Set)(Flags);
    };
    toggle(options, TZDBGridOptions(dgTitles), list.Contains(loShowLookupListTitles));
    toggle(options, TZDBGridOptions(dgTitleButtons | dgMarkerAutoToggle), list.Contains(loAllowChangeOrder));
    toggle(options, TZDBGridOptions(dgMarkerAutoAlign), bool(grid->GetOptions() & dgMarkerAutoAlign));
    Popup->SetOptions(options);
    TZDBGridOptionsEx optionsEx = Popup->GetOptionsEx();
    toggle(optionsEx, TZDBGridOptionsEx(dgLoadCurrentOrder | dgAutoUpdateOrder), list.Contains(loAllowChangeOrder));
    Popup->SetOptionsEx(optionsEx);
    TZDBGridOptionsExt optionsExt = Popup->GetOptionsExt();
    toggle(optionsExt, TZDBGridOptionsExt(dgMouseTracking), ListMouseTracking);
    toggle(optionsExt, TZDBGridOptionsExt(dgScrollGridMode),
           bool(grid->GetOptionsExt() & dgScrollGridMode) || ListMouseTracking);
    Popup->SetOptionsExt(optionsExt);
    TZResizeOptions resize;
    if (list.Contains(loAllowColumnResize))
        resize |= TZResizeOptions(roColumnResize | roOptimalWidth | roDefaultWidth);
    if (list.Contains(loAllowColumnMoving))
        resize |= roColumnMoving;
    Popup->SetResizeOptions(resize);
}

void TZDBGridDataList::UpdateListView(bool Refresh)
{
    TZDBPopupDataList* popup = DataPopup();
    TZColumn* column = Column();
    if (Refresh && popup && column)
        CopyGridView(popup, column);
}

void TZDBGridDataList::ShowDataSet(TZDBPopupDataList* Popup, TDataSet* DataSet)
{
    // Records are numbered by walking them only where the dataset cannot number
    // them itself (a lookup table may hold millions of rows).
    TZDBGridOptions options = Popup->GetOptions();
    if (DataSet->IsSequenced())
        options &= ~TZDBGridOptions(dgForceSequence);
    else
        options |= dgForceSequence;
    Popup->SetOptions(options);
    Popup->ListSource()->SetDataSet(DataSet);
}

void TZDBGridDataList::OpenCheckOrLocate(TZDBPopupDataList* Popup, TZColumn* Column,
                                         const std::function<void()>& Locate)
{
    TZCustomDBGrid* grid = DBGrid();
    if (TZDBGridSearch* search = Popup->Search()) {
        search->SetIncremental((grid && (grid->GetOptionsExt() & dgIncrementalList)) ||
                               Column->GetListOptions().Contains(loIncrementalList));
        search->SetOptions(TZSearchOptions(soSkipMessage) | soFilterRows);
    }
    const bool multi = Column->MultiSelectList();
    Popup->SetMultiSelectList(multi);
    if (!multi) {
        // No buttons: a click or Enter takes the row (the list may have been a check list before).
        Popup->SetAutoApplyList(true);
        Locate();
        return;
    }
    Popup->SetAutoApplyList(Column->GetListOptions().Contains(loAutoApplyList));
    InitCheckList();
    LoadCheckList();
    Popup->OnApply = [this](TZDBPopupList*) { ApplyCheckList(); };
    Popup->DataSet()->First();
}

void TZDBGridDataList::ShowImages(TZDBPopupDataList* Popup, TZColumn* Column, TZColumn* ListColumn)
{
    if (!Column->GetListOptions().Contains(loShowImages) || !Column->GetImages() || !ListColumn)
        return;
    CopyColumnImages(Column, ListColumn);
    if (TZCustomDBGrid* grid = DBGrid())
        Popup->OnCalcImageIndex = grid->OnCalcImageIndex;
}

void TZDBGridDataList::CloseCheckOrApply(TZDBPopupDataList* Popup)
{
    if (!Popup->GetMultiSelectList()) {
        if (Accepted())
            SetupListValue(ListValue);
        return;
    }
    Popup->OnApply = nullptr;
    if (Accepted())
        SaveCheckList();
}

void TZDBGridDataList::UpdateListData(bool Refresh)
{
    TZDBPopupDataList* popup = DataPopup();
    TZColumn* column = ListColumn();
    TDataSet* lookup = column ? column->GetLookupDataSet() : nullptr;
    if (!popup)
        return;
    if (!Refresh) {
        // The user's column order, captions and widths stay with the column.
        const auto detach = qScopeGuard([&] {
            popup->SetSearchField(popup->GetSearchField());
            if (lookup && !FActive)
                lookup->Close();
            else if (popup->TreeView()->GetActive())
                popup->TreeView()->SetAutoActive(false);
            popup->OnCalcImageIndex = nullptr;
            popup->ListSource()->SetDataSet(nullptr);
        });
        if (!column || !popup->DataSet())
            return;
        if (column->GetListOptions().Contains(loExpandFirstColumn) && DataColumnCount(popup) > 1) {
            TZListOptions options = column->GetListOptions();
            if (popup->Columns()->Items(1)->GetExpanded())
                options.Include(loFirstColumnExpanded);
            else
                options.Exclude(loFirstColumnExpanded);
            column->SetListOptions(options);
        }
        column->SetLookupListFields(popup->GetListFields());
        if (!popup->GetMultiSelectList())
            column->SetLookupListTitles(popup->GetListTitles());
        column->SetLookupListWidths(popup->GetListWidths());
        CloseCheckOrApply(popup);
        return;
    }
    if (!column || !column->GetField() || !lookup)
        return;
    const QString parentFields = column->GetLookupParentField();
    ShowDataSet(popup, lookup);
    FActive = lookup->Active();
    // A tree keeps its level, order and state in fields of the list's rows: a dataset
    // opened here gets them (one that is open already stays a flat list).
    if (!FActive && !parentFields.isEmpty())
        popup->TreeView()->AddTreeFields(lookup);
    lookup->Open();
    popup->SetKeyFields(column->GetLookupKeyField());
    popup->SetListFields(column->GetLookupListFields());
    popup->SetListTitles(column->GetLookupListTitles());
    popup->SetListWidths(column->GetLookupListWidths());
    popup->SetSearchField(column->GetLookupResultField());
    if (!column->GetLookupTreeViewField().isEmpty())
        popup->SetTreeViewField(QStringLiteral("%1;%2;%3;%4")
                                    .arg(column->GetLookupTreeViewField())
                                    .arg(column->GetImageMargin())
                                    .arg(int(column->GetExpandBoxSize()))
                                    .arg(column->GetExpandBoxThemed() ? 1 : 0));
    TZDBGridTreeView* tree = popup->TreeView();
    tree->SetCellExpand(column->GetListOptions().Contains(loTreeViewCellExpand));
    tree->SetAutoActive(true);
    tree->SetParentFields(parentFields);
    if (TZCustomDBGrid* grid = DBGrid(); grid && grid->isRightToLeft() && column->GetSuppressRTL() &&
                                         popup->Columns()->Count() > 2)
        popup->setLayoutDirection(Qt::RightToLeft);
    ShowImages(popup, column, popup->FindColumn(column->GetLookupResultField(), 1));
    const TZListOptions options = column->GetListOptions();
    const int dataColumns = DataColumnCount(popup);
    if (options.Contains(loAllowChangeOrder)) {
        TZDBGridOptions gridOptions = popup->GetOptions();
        gridOptions.setFlag(dgMarkerAutoSwitch, dataColumns == 1);
        popup->SetOptions(gridOptions);
    }
    if (options.Contains(loAllowAdjustOrder))
        if (TField* result = lookup->FindField(column->GetLookupResultField());
            result && (result->GetFieldKind() == fkData || result->GetFieldKind() == fkInternalCalc)) {
            popup->SetOrderFields(result->GetFieldName());
            popup->ChangeDataSetOrder();
        }
    OpenCheckOrLocate(popup, column, [&] {
        TDataSet* dataSet = KeyDataSet();
        TField* key = dataSet ? dataSet->FindField(column->GetKeyField()) : nullptr;
        if (!key || key->IsNull())
            return;
        if (tree->GetActive())
            tree->ShowRecord(key->GetValue(), false);
        else
            popup->SetKeyValue(key->GetValue());
    });
    if (options.Contains(loExpandFirstColumn) && dataColumns > 1) {
        TZColumn* first = popup->Columns()->Items(1);
        first->SetExpandCols(dataColumns - 1);
        first->SetExpanded(options.Contains(loFirstColumnExpanded));
    }
}

// ---- TZDBGridPickList ------------------------------------------------------------------

TZDBGridPickList::TZDBGridPickList(QWidget* AParent, TZColumn* AColumn)
    : TZDBGridDataList(AParent, AColumn), FListData(std::make_unique<TZDBPickListData>())
{
    FCheckList.SetSorted(false);
}

TZDBGridPickList::~TZDBGridPickList()
{
    if (TZDBPopupDataList* popup = DataPopup())
        popup->ListSource()->SetDataSet(nullptr);
}

TZDBGridDropDownList* TZDBGridPickList::CreateList(QWidget* AParent, TZColumn* AColumn)
{
    return new TZDBGridPickList(AParent, AColumn);
}

void TZDBGridPickList::InitCheckList()
{
    FCheckList.SetSorted(false);
    TZDBGridDataList::InitCheckList();
}

void TZDBGridPickList::UpdateListView(bool Refresh)
{
    TZDBGridDataList::UpdateListView(Refresh);
    TZDBPopupDataList* popup = DataPopup();
    TZColumn* column = PickColumn();
    if (!Refresh || !popup || !column)
        return;
    popup->SetResizeOptions({});
    TZDBGridOptions options = popup->GetOptions();
    options &= ~TZDBGridOptions(dgTitleButtons | dgMarkerAutoToggle | dgTitles);
    if (column->MultiSelectList())
        options |= dgTitles;
    popup->SetOptions(options);
    popup->SetOptionsEx(popup->GetOptionsEx() & ~TZDBGridOptionsEx(dgLoadCurrentOrder | dgAutoUpdateOrder));
}

void TZDBGridPickList::UpdateListData(bool Refresh)
{
    TZDBPopupDataList* popup = DataPopup();
    if (!popup)
        return;
    if (!Refresh) {
        const auto detach = qScopeGuard([&] {
            popup->SetSearchField(popup->GetSearchField());
            popup->OnCalcImageIndex = nullptr;
            FListData->Close();
            popup->ListSource()->SetDataSet(nullptr);
        });
        if (popup->DataSet())
            CloseCheckOrApply(popup);
        return;
    }
    TZColumn* column = PickColumn();
    if (!column)
        return;
    // Shown: the column's pick data; stored: the value of the same index (the
    // text itself where the column has no values).
    FTexts = column->PickData();
    FValues = column->GetPickList();
    if (FValues.isEmpty())
        FValues = FTexts;
    FListData->Close();
    FListData->SetListInstance(&FTexts);
    FListData->SetKeyInstance(&FValues);
    FListData->SetListFieldSize(GetMaxLength(FTexts));
    FListData->SetKeyFieldSize(GetMaxLength(FValues));
    ShowDataSet(popup, FListData.get());
    popup->SetKeyFields(FListData->GetKeyFieldName());
    popup->SetListFields(FListData->GetListFieldName());
    popup->SetSearchField(FListData->GetListFieldName());
    if (popup->Columns()->Count() > 1) {
        popup->Columns()->Items(1)->SetAlignment(column->GetAlignment());
        ShowImages(popup, column, popup->Columns()->Items(1));
    }
    FListData->Open();
    OpenCheckOrLocate(popup, column, [&] {
        TField* field = column->GetField();
        if (field && !field->IsNull() && !FListData->Locate(FListData->GetKeyFieldName(), field->AsString()))
            FListData->Locate(FListData->GetListFieldName(), field->AsString());
    });
    if (column->MultiSelectList())
        popup->SetListTitles(Tr(SSelectAllCaption));
}

} // namespace zdb

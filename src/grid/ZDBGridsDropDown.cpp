// The grid's drop-downs: the popup list of a column (its class, opening it
// below the current cell from the keyboard, the list events), the automatic
// drop-down state the editor asks, the points and rectangles drop-downs open
// against, the column and title menus, the filter list and form of a title,
// and the edit button.

#include "ZDBGrids.h"

#include "AppExceptions.h"
#include "ZDBDataList.h"

#include <QScopeGuard>

namespace zdb {

namespace {

// The title rectangle of Column, from its own title row down to the last one.
QRect TitleCellRect(const TZCustomDBGrid* Grid, TZColumn* Column)
{
    const int raw = Grid->DataToRawColumn(Column->Index());
    QRect rect = Grid->CellRect(raw, Column->Depth());
    const QRect last = Grid->CellRect(raw, Grid->TitleRowCount() - 1);
    if (!last.isEmpty())
        rect = rect.isEmpty() ? last : rect.united(last);
    return rect;
}

} // namespace

// ---- The column's popup list -----------------------------------------------------------

TZDBGridDropDownListClass TZCustomDBGrid::GetEditorListClass(TZColumn* Column)
{
    if (!Column)
        Column = SelectedColumn();
    if (const TZDBGridDropDownListClass popup = CalendarCalculatorListClass(Column))
        return popup;
    if (!Column || Column->GetButtonStyle() != cbsAuto)
        return nullptr;
    if (Column->LookupColumn() != lcNotDefined)
        return &TZDBGridDataList::CreateList;
    if (Column->PickDataActive())
        return &TZDBGridPickList::CreateList;
    return nullptr;
}

TZDBGridDropDownList* TZCustomDBGrid::EditorList() const
{
    return FEditorList;
}

bool TZCustomDBGrid::DropDownEditorList()
{
    TZColumn* column = SelectedColumn();
    if (!column || FReadOnly || !FDataLink || !FDataLink->Active())
        return false;
    // A lookup column shows no editor but chooses its key from the list wherever the key can be written.
    if (column->LookupColumn() != lcNotDefined ? GetEditorStyle(column) != edsDropDownList : !column->CanEditShow())
        return false;
    const TZDBGridDropDownListClass listClass = GetEditorListClass(column);
    if (!listClass)
        return false;
    TZDBGridDropDownList* list = FEditorList;
    if (list)
        list->CloseUp(false);
    // A list of the same kind for the same column drops again as it is: its popup grid
    // stays created between drops, as a combo box keeps its view.
    if (!list || !list->GetReusable() || list->GetListClass() != listClass || list->Column() != column) {
        if (list)
            list->Release();
        FEditorList = nullptr;
        list = listClass(viewport(), column);
        if (!list)
            return false;
        list->SetListClass(listClass);
        list->SetFreeOnClose(!list->GetReusable());
        FEditorList = list;
    }
    list->setGeometry(DropDownRect(column, false));
    // Hooked again on every drop: whoever added to them last time is gone.
    list->OnDropDown = [this](TZDBDropDownList* Sender) { ListDropDown(Sender); };
    list->OnCloseUp = [this](TZDBDropDownList* Sender, bool& Accept) { ListCloseUp(Sender, Sender->ListValue, Accept); };
    // A list that failed to open goes at once.
    auto failed = qScopeGuard([this, list] {
        list->Release();
        FEditorList = nullptr;
    });
    list->DropDown();
    if (list->ListVisible())
        failed.dismiss();
    return list->ListVisible();
}

bool TZCustomDBGrid::EditorListKeys(int Key, TShiftState Shift)
{
    const bool alt = Shift & ssAlt;
    const bool altArrow = alt && (Key == Qt::Key_Down || Key == Qt::Key_Up);
    const bool f4 = Key == Qt::Key_F4 && !alt;
    if (!altArrow && !f4)
        return false;
    if (FEditorList && FEditorList->ListVisible()) {
        FEditorList->CloseUp(true);
        return true;
    }
    TZColumn* column = SelectedColumn();
    if (!column)
        return false;
    // F4 belongs to the auto-filter where it offers something.
    if (f4 && FFilter && FFilter->GetVisible() &&
        !(FFilter->GetAutoFilters() & column->Title()->GetAutoFilters()).IsEmpty())
        return false;
    return DropDownEditorList();
}

void TZCustomDBGrid::ListDropDown(TZDBDropDownList* Sender)
{
    if (!OnListDropDown)
        return;
    auto* list = qobject_cast<TZDBGridDropDownList*>(Sender);
    OnListDropDown(list ? list->Column() : nullptr, Sender);
}

void TZCustomDBGrid::ListCloseUp(TZDBDropDownList* Sender, QVariant& Value, bool& Accept)
{
    if (!OnListCloseUp)
        return;
    auto* list = qobject_cast<TZDBGridDropDownList*>(Sender);
    OnListCloseUp(list ? list->Column() : nullptr, Sender, Value, Accept);
}

// ---- Automatic drop-down ---------------------------------------------------------------

bool TZCustomDBGrid::AllowAutoDropDown()
{
    if (FLastCol == -2 || (GetCol() == FLastCol && GetRow() == FLastRow) || FUpdateLock > 1)
        return false;
    if ((FOptionsEx & dgClickSelectOff) && FSelectCount == 1 && (FRowsChanged || FColsChanged))
        return false;
    FLastCol = GetCol();
    FLastRow = GetRow();
    return true;
}

void TZCustomDBGrid::AutoDropDownState(int State)
{
    switch (State) {
    case -1:
    case -2: FLastCol = State; break;
    case -3:
        FLastCol = GetCol();
        FLastRow = GetRow();
        break;
    default: break;
    }
}

// ---- Where drop-downs open ---------------------------------------------------------------

QPoint TZCustomDBGrid::DropDownPoint(TZColumn* Column, bool Title)
{
    const bool rtl = isRightToLeft();
    int x = rtl ? viewport()->width() : 0;
    int y = TitleHeight();
    if (Column || !Title) {
        const QRect rect = Column ? (Title ? TitleCellRect(this, Column)
                                           : CellRect(DataToRawColumn(Column->Index()), GetRow()))
                                  : CellRect(0, GetRow());
        if (Column)
            x = rtl ? rect.left() + rect.width() : rect.left();
        y = rect.top() + rect.height() + RowLineWidth();
    }
    return viewport()->mapToGlobal(QPoint(x, y));
}

QRect TZCustomDBGrid::DropDownRect(TZColumn* Column, bool Title)
{
    QRect rect;
    if (Column) {
        rect = Title ? TitleCellRect(this, Column) : CellRect(DataToRawColumn(Column->Index()), GetRow());
    } else {
        rect = CellRect(0, Title ? 0 : GetRow());
        if (Title)
            rect.setHeight(TitleHeight());
    }
    rect.adjust(-1, 1, 1, -1 + GetGridLineWidth());
    return rect;
}

// ---- Menus, filter lists and forms -----------------------------------------------------------

bool TZCustomDBGrid::DropDownMenu(TZColumn* Column, bool Title, QMenu* Menu)
{
    if (!Menu) {
        if (Title)
            Menu = Column ? Column->Title()->GetDropDownMenu() : GetFillerPopupMenu();
        else
            Menu = Column ? Column->GetDropDownMenu() : GetIndicatorPopupMenu();
    }
    if (!Menu)
        return false;
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    if (Title)
        HideEditor();
    const QPoint point = DropDownPoint(Column, Title);
    if (FOptions & dgAlwaysShowEditor)
        connect(Menu, &QMenu::aboutToHide, this,
                [this] { GuardEvent(this, [this] { if (FOptions & dgAlwaysShowEditor) ShowEditor(); }); },
                Qt::SingleShotConnection);
    Menu->popup(point);
    return true;
}

bool TZCustomDBGrid::DropDownFilter(TZColumn* Column, bool Title, TFilterStyle Style)
{
    if (!Column || !Title || !FFilter || !Column->GetField() ||
        !(FFilter->GetAutoFilters() & Column->Title()->GetAutoFilters()).Contains(Style))
        return false;
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    WithEditorHidden([&] { DropDownAutoFilter(Column, Style); });
    return true;
}

void TZCustomDBGrid::WithEditorHidden(const std::function<void()>& Work)
{
    const bool editing = GetEditorMode();
    HideEditor();
    const auto restore = qScopeGuard([this, editing] {
        if (editing || (FOptions & dgAlwaysShowEditor))
            ShowEditor();
    });
    Work();
}

bool TZCustomDBGrid::DropDownList(TZColumn* Column, bool Title)
{
    return DropDownFilter(Column, Title, fsFilterList);
}

bool TZCustomDBGrid::DropDownForm(TZColumn* Column, bool Title)
{
    return DropDownFilter(Column, Title, fsFilterForm);
}

// ---- Edit button and the popup editor ----------------------------------------------------------

void TZCustomDBGrid::EditButtonClick()
{
    if (OnEditButtonClick)
        OnEditButtonClick(this);
    else
        ShowPopupEditor(SelectedColumn(), INT_MIN, INT_MIN);
}

void TZCustomDBGrid::ShowPopupEditor(TZColumn* /*Column*/, int /*X*/, int /*Y*/)
{
    // Only a nested dataset field has a window of its own, and the record-set
    // layer has no nested datasets: nothing to show.
}

} // namespace zdb

// TZDBGridEditor: the editor bound to a grid and one of its columns. Per cell
// it takes the column's read-only state, alignment, images and list options;
// it opens the column's list (the grid's list class), completes typed
// prefixes from the pick items, steps through pick items and lookup records
// with the numpad's plus and minus or the wheel, clears a list value with
// Delete, and after a list value was accepted ends the cell edit as Enter would.

#include "ZDBEditor.h"

#include "AppExceptions.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScopeGuard>

#include <algorithm>

namespace zdb {

namespace {


// A step of Delta items from Index in a list of Count items: single steps
// wrap around, a page stops at the ends; an index of no item starts at the
// first item going forward and at the last going back.
int StepIndex(int Index, int Count, bool Forward, bool Page, int PageSize)
{
    if (Index < 0 || Index >= Count)
        return Forward ? 0 : Count - 1;
    if (Page)
        return std::clamp(Index + (Forward ? PageSize : -PageSize), 0, Count - 1);
    if (Forward)
        return Index + 1 < Count ? Index + 1 : 0;
    return Index > 0 ? Index - 1 : Count - 1;
}

} // namespace

int PickItemIndex(const QStringList& Items, const QString& Text)
{
    const auto found = std::ranges::find_if(
        Items, [&](const QString& Item) { return Item.compare(Text, Qt::CaseInsensitive) == 0; });
    return found == Items.end() ? -1 : int(found - Items.begin());
}

Qt::Alignment AlignmentFlags(TAlignment Value)
{
    switch (Value) {
    case taRightJustify: return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

TZDBGridEditor::TZDBGridEditor(TZCustomDBGrid* AGrid) : TZDBInplaceEditor(AGrid->viewport(), AGrid), FDBGrid(AGrid) {}

TZDBGridEditor::TZDBGridEditor(QWidget* AParent) : TZDBInplaceEditor(AParent, nullptr) {}

TZDBGridEditor::~TZDBGridEditor() = default;

TZColumn* TZDBGridEditor::GetColumn() const
{
    return InGrid() && FDBGrid ? FDBGrid->SelectedColumn() : nullptr;
}

TEditorStyle TZDBGridEditor::GetEditorStyle() const
{
    if (!FDBGrid)
        return FEditorStyle;
    TZColumn* column = GetColumn();
    return column ? FDBGrid->GetEditorStyle(column) : edsSimple;
}

TZDBGridDropDownListClass TZDBGridEditor::GetEditorListClass() const
{
    TZColumn* column = GetColumn();
    return FDBGrid && column ? FDBGrid->GetEditorListClass(column) : nullptr;
}

bool TZDBGridEditor::HasList() const
{
    return GetEditorListClass() != nullptr;
}

QMenu* TZDBGridEditor::GetDropDownMenu() const
{
    if (FDropDownMenu)
        return FDropDownMenu;
    TZColumn* column = GetColumn();
    return column ? column->GetDropDownMenu() : nullptr;
}

TDataSet* TZDBGridEditor::EditedDataSet() const
{
    if (InGrid())
        return FDBGrid ? FDBGrid->DataSet() : nullptr;
    if (auto* data = qobject_cast<const TZDBDataEditor*>(this))
        return data->DataLink()->DataSet();
    return nullptr;
}

TZLookupColumn TZDBGridEditor::ListLookupKind() const
{
    TZColumn* column = ListColumn();
    return column ? column->LookupColumn() : lcNotDefined;
}

bool TZDBGridEditor::ReadLookupKey(TZColumn* Column, QVariant& Key) const
{
    TDataSet* dataSet = EditedDataSet();
    TField* key = dataSet && Column ? dataSet->FindField(Column->GetKeyField()) : nullptr;
    if (!key)
        return false;
    Key = key->IsNull() ? QVariant() : key->GetValue();
    return true;
}

// ---- Per cell ------------------------------------------------------------------------------

void TZDBGridEditor::UpdateListFlags(TZListOptions Options)
{
    const TEditorStyle style = GetEditorStyle();
    const bool list = style == edsDropDownList;
    const bool alwaysShow = FDBGrid && (FDBGrid->GetOptions() & dgAlwaysShowEditor);
    FAutoComplete = list && Options.Contains(loAutoComplete);
    FAutoDropDown = style != edsSimple && Options.Contains(loAutoDropDown) && !ListVisible();
    FAutoCloseEditor = list && Options.Contains(loAutoCloseEditor) && !alwaysShow;
    FSelectNextValue = list && Options.Contains(loSelectNextValue);
    FAllowClearValue = list && Options.Contains(loAllowClearValue);
}

void TZDBGridEditor::UpdateContents()
{
    if (!InGrid()) {
        UpdateListFlags(ListColumn() ? ListColumn()->GetListOptions() : TZListOptions());
        BoundsChanged();
        return;
    }
    TZDBInplaceEditor::UpdateContents();
    TZColumn* column = GetColumn();
    if (column && FDBGrid) {
        const TZLookupColumn kind = column->LookupColumn();
        // A looked-up result is not the stored key: it changes only through the list.
        if (column->GetReadOnly() || kind == lcLookupResultField || kind == lcLookupValueField ||
            column->GetPickOptions().Contains(poDropDownList))
            setReadOnly(true);
        setAlignment(AlignmentFlags(column->GetAlignment()));
        setLayoutDirection(FDBGrid->layoutDirection());
        SetImages(column->GetImages());
        SetImageMargin(column->GetImageMargin());
    }
    UpdateListFlags(column ? column->GetListOptions() : TZListOptions());
    BoundsChanged();
    if (FAutoDropDown && FDBGrid && FDBGrid->AllowAutoDropDown())
        QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier));
}

void TZDBGridEditor::DataChanged()
{
    if (InGrid() && FDBGrid && FDBGrid->GetEditorMode())
        FDBGrid->InvalidateEditor();
}

void TZDBGridEditor::UpdateEditorColor()
{
    if (!FDBGrid || !InGrid())
        return;
    const TColor color = FDBGrid->GetEditorColor();
    QPalette palette = FDBGrid->viewport()->palette();
    if (color != clNone && color != clDefault)
        palette.setColor(QPalette::Base, ColorToQColor(color, palette));
    setPalette(palette);
    FNeedUpdateColor = false;
}

// ---- The list --------------------------------------------------------------------------------

QRect TZDBGridEditor::DropDownRect()
{
    if (InGrid() && FDBGrid)
        return FDBGrid->DropDownRect(GetColumn(), false);
    return rect();
}

TZDBDropDownList* TZDBGridEditor::CreateDropDownList()
{
    const TZDBGridDropDownListClass listClass = GetEditorListClass();
    return listClass ? listClass(this, GetColumn()) : nullptr;
}

void TZDBGridEditor::DropDown()
{
    // A drop-down asked for before the editor was hidden (the posted F2 of the
    // automatic drop-down) opens nothing.
    if (ListVisible() || (InGrid() && !isVisible()))
        return;
    QPointer<TZDBGridEditor> self(this);
    if (InGrid()) {
        // The grid opens its list of the column; the editor hears its close-up after the grid.
        if (!FDBGrid || !FDBGrid->DropDownEditorList())
            return;
        TZDBDropDownList* list = FDBGrid->EditorList();
        if (!self || !list)
            return;
        auto previous = list->OnCloseUp;
        list->OnCloseUp = [self, previous](TZDBDropDownList* Sender, bool& Accept) {
            if (previous)
                previous(Sender, Accept);
            if (self)
                self->ListCloseUp(Sender, Accept);
        };
        FDropDownList = list;
        SetActiveList(list);
        ListDropDown(list);
        InvalidateButton();
        return;
    }
    TZDBDropDownList* list = CreateDropDownList();
    if (!list)
        return;
    FDropDownList = list;
    SetActiveList(list);
    list->setGeometry(DropDownRect());
    list->SetFreeOnClose(true);
    list->OnDropDown = [self](TZDBDropDownList* Sender) {
        if (self)
            self->ListDropDown(Sender);
    };
    list->OnCloseUp = [self](TZDBDropDownList* Sender, bool& Accept) {
        if (self)
            self->ListCloseUp(Sender, Accept);
    };
    // A list that failed to open goes at once.
    auto failed = qScopeGuard([list] { list->Release(); });
    list->DropDown();
    if (list->ListVisible())
        failed.dismiss();
    InvalidateButton();
}

void TZDBGridEditor::CloseUp(bool Accept)
{
    if (FDropDownList)
        FDropDownList->CloseUp(Accept);
}

void TZDBGridEditor::ListDropDown(TZDBDropDownList* Sender)
{
    TZDBInplaceEditor::ListDropDown(Sender);
}

void TZDBGridEditor::ListCloseUp(TZDBDropDownList* Sender, bool& Accept)
{
    TZDBInplaceEditor::ListCloseUp(Sender, Accept);
    InvalidateButton();
    if (Sender != FDropDownList)
        return;
    // A stand-alone editor of a grid column reports to the grid as the grid's own editor does.
    if (!InGrid() && FDBGrid)
        FDBGrid->ListCloseUp(Sender, Sender->ListValue, Accept);
    if (InGrid() && Accept && FAutoCloseEditor && !FLockCloseEditor)
        QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier,
                                                        QStringLiteral("\r")));
}

void TZDBGridEditor::EditButtonClick()
{
    if (GetEditorStyle() == edsDropDownMenu && ShowDropDownMenu())
        return;
    if (InGrid() && FDBGrid && GetColumn())
        FDBGrid->EditButtonClick();
    else if (OnEditButtonClick)
        OnEditButtonClick(this);
}

// ---- Values from the list --------------------------------------------------------------------

bool TZDBGridEditor::CanModifyValue()
{
    return InGrid() && FDBGrid && FDBGrid->CanEditModify();
}

void TZDBGridEditor::ValueWritten()
{
    selectAll();
}

void TZDBGridEditor::SetupListValue(const QVariant& Value, bool Flag)
{
    TZColumn* column = GetColumn();
    if (!FDBGrid || !column)
        return;
    if (StoresLookupKey(column->LookupColumn()) || !Flag) {
        TZDBGridDropDownList::WriteListValue(column, Value);
        return;
    }
    if (!CanModifyValue())
        return;
    setText(Value.toString());
    // The grid takes the text as if it was typed.
    emit textEdited(text());
}

void TZDBGridEditor::ShowItem(const QString& Text, int Start)
{
    setText(Text);
    setSelection(Start, int(Text.size()) - Start);
    emit textEdited(text());
}

bool TZDBGridEditor::SelectListItem(const QString& Text)
{
    TZColumn* column = ListColumn();
    if (!column || Text.isEmpty())
        return false;
    if (const TZLookupColumn kind = ListLookupKind(); kind != lcNotDefined) {
        TDataSet* lookup = column->GetLookupDataSet();
        if (!lookup)
            return false;
        if (!lookup->Active())
            lookup->Open();
        const QString shown =
            kind == lcLookupKeyField ? column->GetLookupKeyField() : column->GetLookupResultField();
        TField* shownField = lookup->FindField(shown);
        TField* keyField = lookup->FindField(column->GetLookupKeyField());
        if (!shownField || !keyField || !CanModifyValue() ||
            !lookup->Locate(shown, Text, TLocateOptions(loCaseInsensitive) | loPartialKey))
            return false;
        const QString item = shownField->GetEditText();
        SetupListValue(keyField->GetValue(), false);
        setText(item);
        setSelection(int(Text.size()), int(item.size() - Text.size()));
        return true;
    }
    const QStringList items = column->PickData();
    for (const QString& item : items) {
        if (!item.startsWith(Text, Qt::CaseInsensitive))
            continue;
        if (!CanModifyValue())
            return false;
        ShowItem(item, int(Text.size()));
        return true;
    }
    return false;
}

void TZDBGridEditor::ProcessAutoComplete(QChar& Key)
{
    if (ButtonVisible()) {
        // A pause starts a new prefix: the caret back at the start, the text selected.
        if (GetSelStart() > 0 && FSearchTick.isValid() && FSearchTick.elapsed() > AutoCompleteDelay)
            setSelection(int(text().size()), -int(text().size()));
        FSearchTick.start();
    }
    const QString current = text();
    const int start = GetSelStart();
    const int length = GetSelLength();
    if (Key == QLatin1Char('\b')) {
        if (start <= 0)
            return;
        const int step = start >= 2 && current.at(start - 1).isLowSurrogate() ? 2 : 1;
        if (length > 0)
            setSelection(int(current.size()), -(int(current.size()) - (start - step)));
        else
            setCursorPosition(start - step);
        Key = QChar();
        return;
    }
    if (Key.unicode() < 32 || (length == 0 && start < current.size()))
        return;
    if (SelectListItem(current.left(start) + Key))
        Key = QChar();
}

void TZDBGridEditor::TypeChar(QChar Ch)
{
    if (FAutoComplete && !ListVisible()) {
        ProcessAutoComplete(Ch);
        if (Ch.isNull())
            return;
    }
    TZDBInplaceEditor::TypeChar(Ch);
}

bool TZDBGridEditor::SelectNextItem(bool Forward, bool Page)
{
    TZColumn* column = ListColumn();
    if (!column)
        return false;
    if (ListLookupKind() != lcNotDefined)
        return SelectNextLookupItem(column, Forward, Page);
    if (column->PickDataActive())
        return SelectNextPickItem(column, Forward, Page);
    return false;
}

bool TZDBGridEditor::SelectNextPickItem(TZColumn* Column, bool Forward, bool Page)
{
    const QStringList items = Column->PickDataList();
    if (items.isEmpty() || !CanModifyValue())
        return false;
    const int pageSize = Column->GetDropDownRows() > 0 ? Column->GetDropDownRows() : MaxDropDownRows;
    const int index = StepIndex(PickItemIndex(Column->PickData(), text()), int(items.size()), Forward, Page, pageSize);
    SetupListValue(items.at(index), false);
    ValueWritten();
    return true;
}

bool TZDBGridEditor::SelectNextLookupItem(TZColumn* Column, bool Forward, bool Page)
{
    TDataSet* lookup = Column->GetLookupDataSet();
    QVariant key;
    if (!lookup || !ReadLookupKey(Column, key) || !CanModifyValue())
        return false;
    const bool wasActive = lookup->Active();
    if (!wasActive)
        lookup->Open();
    const auto closeAgain = qScopeGuard([lookup, wasActive] {
        if (!wasActive)
            lookup->Close();
    });
    TField* lookupKey = lookup->FindField(Column->GetLookupKeyField());
    if (!lookupKey || lookup->IsEmpty())
        return false;
    const int pageSize = Column->GetDropDownRows() > 0 ? Column->GetDropDownRows() : MaxDropDownRows;
    if (key.isNull() || !lookup->Locate(Column->GetLookupKeyField(), key)) {
        if (Forward)
            lookup->First();
        else
            lookup->Last();
    } else if (Page) {
        lookup->MoveBy(Forward ? pageSize : -pageSize);
    } else if (Forward) {
        lookup->Next();
        if (lookup->Eof())
            lookup->First();
    } else {
        lookup->Prior();
        if (lookup->Bof())
            lookup->Last();
    }
    SetupListValue(lookupKey->GetValue(), false);
    ValueWritten();
    return true;
}

bool TZDBGridEditor::ClearListValue()
{
    TZColumn* column = ListColumn();
    if (!column)
        return false;
    const bool clearable = ListLookupKind() != lcNotDefined ||
                           (column->PickDataActive() && column->GetPickOptions().Contains(poDropDownList));
    const QString current = text();
    if (!clearable || current.isEmpty() || GetSelStart() != 0 || GetSelLength() != current.size() ||
        !CanModifyValue())
        return false;
    SetupListValue(QVariant(), false);
    ValueWritten();
    return true;
}

// ---- Keys and wheel -------------------------------------------------------------------------------

void TZDBGridEditor::KeyDown(int& Key, TShiftState Shift)
{
    const bool plain = !(Shift & (ssCtrl | ssAlt));
    if (plain && GetEditorStyle() == edsDropDownList && !ListVisible()) {
        // The numpad's plus and minus step; their character is never typed.
        if (FSelectNextValue && FKeypadKey && (Key == Qt::Key_Plus || Key == Qt::Key_Minus)) {
            SelectNextItem(Key == Qt::Key_Plus, Shift & ssShift);
            Key = 0;
            return;
        }
        if (FAllowClearValue && Key == Qt::Key_Delete && ClearListValue()) {
            Key = 0;
            return;
        }
    }
    TZDBInplaceEditor::KeyDown(Key, Shift);
}

void TZDBGridEditor::KeyPress(QChar& Key)
{
    if (FAutoComplete && !ListVisible()) {
        ProcessAutoComplete(Key);
        if (Key.isNull())
            return;
    }
    TZDBInplaceEditor::KeyPress(Key);
}

void TZDBGridEditor::keyPressEvent(QKeyEvent* Event)
{
    FKeypadKey = Event->modifiers() & Qt::KeypadModifier;
    const auto done = qScopeGuard([this] { FKeypadKey = false; });
    TZDBInplaceEditor::keyPressEvent(Event);
}

void TZDBGridEditor::wheelEvent(QWheelEvent* Event)
{
    if (!FSelectNextValue || GetEditorStyle() != edsDropDownList || ListVisible() || !hasFocus() ||
        Event->angleDelta().y() == 0) {
        TZDBInplaceEditor::wheelEvent(Event);
        return;
    }
    Event->accept();
    GuardEvent(this, [&] { SelectNextItem(Event->angleDelta().y() < 0, false); });
}

} // namespace zdb

// The filter list (see ZDBFilterUI.h): the popup check list of a column's
// distinct values, the drop-down that binds it to the column, and the grid's
// side (which title opens what).

#include "ZDBFilterUI.h"

#include "AppExceptions.h"
#include "ZDBTranslate.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace zdb {

QString SRemoveFilterCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Remove filter"));
QString SSelectFilterCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Select filter..."));
QString SAddSelectedCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Add selected"));
// "Select All", "Clear All", "OK" and "Cancel" are the data lists' captions (ZDBDataListData.cpp).

namespace {

constexpr int CheckColumnWidth = 22;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
// The list's width as designed, at 96 pixels per inch: the narrowest it opens.
constexpr int DesignWidth = 183;
const QString CheckedFieldName = QStringLiteral("Checked");

// The popup's commands, in the order of their title lines.
enum TFilterCommand { fcmdRemove, fcmdSelect, fcmdAdd };

int Scaled(const QWidget* Widget, int Pixels)
{
    return Pixels * Widget->logicalDpiX() / 96;
}

} // namespace

// ---- TZDBPopupFilterList ----------------------------------------------------------------

TZDBPopupFilterList::TZDBPopupFilterList(QWidget* AOwner)
    : TZDBPopupListEx(AOwner), FData(std::make_unique<TZDBFilterData>())
{
    ListSource()->SetDataSet(FData.get());
    SetOptions(TZDBGridOptions(dgTitles) | dgTitleHeaders | dgRowSelect | dgAlwaysShowSelection | dgColLines);
    SetScrollBars(ssVertical);
    SetCheckListBox(true);
    SetSearchField(FData->GetListFieldName());
    // A press that ticks a value leaves the focus where it is: its loss would close the list.
    setFocusPolicy(Qt::NoFocus);
    viewport()->setFocusPolicy(Qt::NoFocus);
    FOK = new TListButton(this);
    FCancel = new TListButton(this);
    TrackLanguage(this, [this] {
        FOK->setText(Tr(SOKButtonCaption));
        FCancel->setText(Tr(SCancelButtonCaption));
    });
    FOK->setFocusPolicy(Qt::NoFocus);
    FCancel->setFocusPolicy(Qt::NoFocus);
    connect(FOK, &QAbstractButton::clicked, this, [this] { GuardEvent(this, [this] { CloseUp(true); }); });
    connect(FCancel, &QAbstractButton::clicked, this, [this] { GuardEvent(this, [this] { CloseUp(false); }); });
    SetAutoApply(true);
    UpdateColumns();
}

TZDBPopupFilterList::~TZDBPopupFilterList()
{
    ListSource()->SetDataSet(nullptr);
}

QAbstractButton* TZDBPopupFilterList::OKButton() const
{
    return FOK;
}

QAbstractButton* TZDBPopupFilterList::CancelButton() const
{
    return FCancel;
}

void TZDBPopupFilterList::SetRemoveFilter(bool Value)
{
    if (FRemoveFilter == Value)
        return;
    FRemoveFilter = Value;
    UpdateColumns();
}

void TZDBPopupFilterList::SetSelectFilter(bool Value)
{
    if (FSelectFilter == Value)
        return;
    FSelectFilter = Value;
    UpdateColumns();
}

void TZDBPopupFilterList::SetAddSelected(bool Value)
{
    if (FAddSelected == Value)
        return;
    FAddSelected = Value;
    UpdateColumns();
}

void TZDBPopupFilterList::SetAutoApply(bool Value)
{
    SetAutoApplyList(Value);
    FOK->setVisible(!Value);
    FCancel->setVisible(!Value);
    // Without auto-apply two empty footer rows hold the buttons.
    TZDBGridOptionsEx ext = GetOptionsEx();
    ext.setFlag(dgTotalValues, !Value);
    ext.setFlag(dgTotalFooter, !Value);
    SetOptionsEx(ext);
    PlaceButtons();
}

void TZDBPopupFilterList::UpdateColumns()
{
    TZDBGridColumns* columns = Columns();
    columns->Clear();
    std::vector<std::pair<QString, int>> commands;
    if (FRemoveFilter)
        commands.emplace_back(Tr(SRemoveFilterCaption), int(fcmdRemove));
    if (FSelectFilter)
        commands.emplace_back(Tr(SSelectFilterCaption), int(fcmdSelect));
    if (FAddSelected)
        commands.emplace_back(Tr(SAddSelectedCaption), int(fcmdAdd));
    // The commands are header bands over both columns, one line each.
    FCommands.clear();
    QStringList bands;
    for (const auto& [caption, tag] : commands) {
        bands << QLatin1Char(' ') + caption;
        FCommands.push_back(tag);
    }    TZColumn* check = columns->Add();
    check->SetFieldName(CheckedFieldName);
    check->SetCheckBox(true);
    check->SetCheckBoxValues(QStringLiteral("1;0"));
    check->SetCheckBoxThemed(true);
    check->SetCheckBoxToggle(ctKeyPressOnly); // the popup ticks itself
    check->SetReadOnly(true);
    check->SetWidth(Scaled(this, CheckColumnWidth));
    check->Title()->SetCaption(QString());
    check->Title()->SetHeader(bands.join(QLatin1Char('|')));
    TZColumn* value = columns->Add();
    value->SetFieldName(FData->GetListFieldName());
    value->SetReadOnly(true);
    value->Title()->SetCaption(Tr(FData->CheckedCount() > 0 ? SClearAllCaption : SSelectAllCaption));
    value->Title()->SetHeader(bands.join(QLatin1Char('|')));
}

TZColumn* TZDBPopupFilterList::CheckColumn() const
{
    const int count = Columns()->Count();
    return count >= 2 ? (*Columns())[count - 2] : nullptr;
}

TZColumn* TZDBPopupFilterList::ValueColumn() const
{
    const int count = Columns()->Count();
    return count >= 1 ? (*Columns())[count - 1] : nullptr;
}

void TZDBPopupFilterList::CalcSize()
{
    const int margin = Scaled(this, 5);
    const QFontMetrics title(GetTitleFont());
    QStringList captions{Tr(SClearAllCaption), Tr(SSelectAllCaption)};
    if (FRemoveFilter)
        captions << Tr(SRemoveFilterCaption);
    if (FSelectFilter)
        captions << Tr(SSelectFilterCaption);
    if (FAddSelected)
        captions << Tr(SAddSelectedCaption);
    int valueWidth = 0;
    for (const QString& caption : captions)
        valueWidth = std::max(valueWidth, title.horizontalAdvance(QLatin1Char(' ') + caption) + margin);
    const int checkWidth = Scaled(this, CheckColumnWidth);
    // However narrow the column, the captions and the buttons fit.
    int minWidth = valueWidth + checkWidth + 1;
    if (!GetAutoApplyList())
        minWidth = std::max(minWidth, 3 * margin + 2 * Scaled(this, ButtonWidth) - 2);
    minWidth += style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 3;
    setMinimumWidth(std::max(minWidth, Scaled(this, DesignWidth)));
    // The longest texts decide; a very long list is measured by its longest items only.
    const QFontMetrics cells(GetFont());
    QStringList texts;
    for (int i = 0, n = int(FData->List().size()); i < n; ++i)
        texts << FData->DisplayText(i);
    std::partial_sort(texts.begin(), texts.begin() + std::min<qsizetype>(texts.size(), 200), texts.end(),
                      [](const QString& A, const QString& B) { return A.size() > B.size(); });
    for (qsizetype i = 0; i < std::min<qsizetype>(texts.size(), 200); ++i)
        valueWidth = std::max(valueWidth, cells.horizontalAdvance(texts.at(i)) + margin);
    if (!GetAutoApplyList())
        valueWidth = std::max(valueWidth, 3 * margin + 2 * Scaled(this, ButtonWidth) - 2 - checkWidth - 1);
    if (TZColumn* value = ValueColumn())
        value->SetWidth(std::min(valueWidth, Scaled(this, 400)));
    TZDBPopupListEx::CalcSize();
    // A width given for the filter lists is the width they open with.
    if (GetDropDownWidth() > 0 && width() != std::max(GetDropDownWidth(), minimumWidth()))
        resize(std::max(GetDropDownWidth(), minimumWidth()), height());
    // Wider than its columns (the minimum or the width given), the columns fill it.
    const int bar = verticalScrollBar() && verticalScrollBar()->isVisible() ? verticalScrollBar()->width() : 0;
    if (ColumnsWidth() < width() - 2 * frameWidth() - bar)
        SetStretchMode(true);
    PlaceButtons();
}

void TZDBPopupFilterList::PlaceButtons()
{
    if (!FOK || !FCancel)
        return;
    const int margin = Scaled(this, 5);
    const int w = Scaled(this, ButtonWidth);
    const int h = std::min(Scaled(this, ButtonHeight), std::max(TotalHeight() - 2, 1));
    const QRect client = contentsRect();
    const int top = client.bottom() - (TotalHeight() + h) / 2 + 1;
    int cancelLeft = client.right() - margin - w + 1;
    int okLeft = cancelLeft - margin - w;
    if (isRightToLeft()) {
        okLeft = client.left() + margin;
        cancelLeft = okLeft + w + margin;
    }
    FOK->setGeometry(okLeft, top, w, h);
    FCancel->setGeometry(cancelLeft, top, w, h);
    FOK->raise();
    FCancel->raise();
}

void TZDBPopupFilterList::resizeEvent(QResizeEvent* Event)
{
    TZDBPopupListEx::resizeEvent(Event);
    GuardEvent(this, [this] { PlaceButtons(); });
}

void TZDBPopupFilterList::TicksChanged()
{
    if (TZColumn* value = ValueColumn())
        value->Title()->SetCaption(Tr(FData->CheckedCount() > 0 ? SClearAllCaption : SSelectAllCaption));
    InvalidateDataRows();
    InvalidateTitles();
    if (GetAutoApplyList() && FApplyLock == 0)
        Apply();
}

void TZDBPopupFilterList::ToggleCurrent()
{
    const int index = FData->CurrentIndex();
    if (index < 0)
        return;
    FData->SetChecked(index, !FData->Checked(index));
    TicksChanged();
}

void TZDBPopupFilterList::ToggleAll()
{
    if (!FData->Active())
        return;
    FData->CheckAll(FData->CheckedCount() == 0);
    TicksChanged();
}

void TZDBPopupFilterList::PasteFromClipboard()
{
    if (!FData->Active())
        return;
    bool changed = false;
    {
        TCountGuard lock(FApplyLock);
        for (const QString& line : QGuiApplication::clipboard()->text().split(QLatin1Char('\n'))) {
            QString key = line.section(QLatin1Char('\t'), 0, 0);
            if (key.endsWith(QLatin1Char('\r')))
                key.chop(1);
            const int index = FData->IndexOfKey(key);
            if (index >= 0 && !FData->Checked(index)) {
                FData->SetChecked(index, true);
                changed = true;
            }
        }
    }
    if (changed)
        TicksChanged();
}

void TZDBPopupFilterList::DoCopyToClipboard()
{
    QStringList lines;
    const auto clean = [](QString Text) { return Text.replace(QLatin1Char('\t'), QLatin1Char(' ')); };
    for (int i = 0, n = int(FData->List().size()); i < n; ++i) {
        if (!FData->Checked(i))
            continue;
        const QString text = clean(FData->DisplayText(i));
        lines << (FCopyKeyField ? clean(FData->KeyText(i)) + QLatin1Char('\t') + text : text);
    }
    QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void TZDBPopupFilterList::DoAddSelected()
{
    FireEvent(OnAddSelected, this);
}

void TZDBPopupFilterList::DoRemoveFilter()
{
    FireEvent(OnRemoveFilter, this);
}

void TZDBPopupFilterList::DoSelectFilter()
{
    FireEvent(OnSelectFilter, this);
}

void TZDBPopupFilterList::TitleClick(TZColumn* Column)
{
    if (Column == ValueColumn()) {
        ToggleAll();
    } else if (Column == CheckColumn()) {
        FLoadAllItems = !FLoadAllItems;
        Refresh(false);
    }
}

void TZDBPopupFilterList::HeaderClick(TZColumn* /*Column*/, int Band)
{
    if (Band < 0 || size_t(Band) >= FCommands.size())
        return;
    switch (FCommands[size_t(Band)]) {
    case fcmdRemove: DoRemoveFilter(); break;
    case fcmdSelect: DoSelectFilter(); break;
    case fcmdAdd: DoAddSelected(); break;
    default: break;
    }
}

void TZDBPopupFilterList::CellClick(TZColumn* /*Column*/)
{
    ToggleCurrent();
}

void TZDBPopupFilterList::KeyDown(int& Key, TShiftState Shift)
{
    if (Shift & ssCtrl) {
        if (Key == Qt::Key_V) {
            Key = 0;
            PasteFromClipboard();
            return;
        }
        if (Key == Qt::Key_C || Key == Qt::Key_Insert) {
            Key = 0;
            DoCopyToClipboard();
            return;
        }
    }
    TZDBPopupListEx::KeyDown(Key, Shift);
}

void TZDBPopupFilterList::KeyPress(QChar& Key)
{
    if (Key == QLatin1Char(' ') && !SearchInProgress()) {
        Key = QChar();
        ToggleCurrent();
        return;
    }
    TZDBPopupListEx::KeyPress(Key);
}

// ---- TZDBGridFilterList -------------------------------------------------------------------

TZDBGridFilterList::TZDBGridFilterList(QWidget* AParent, TZColumn* AColumn) : TZDBGridDropDownList(AParent, AColumn)
{
    SetupPopupList<TZDBPopupFilterList>();
}

TZDBGridFilterList::~TZDBGridFilterList() = default;

TZDBPopupFilterList* TZDBGridFilterList::FilterPopup() const
{
    return qobject_cast<TZDBPopupFilterList*>(PopupList());
}

TZDBFilterData* TZDBGridFilterList::FilterData() const
{
    TZDBPopupFilterList* popup = FilterPopup();
    return popup ? popup->FilterData() : nullptr;
}

void TZDBGridFilterList::UpdateListView(bool Refresh)
{
    TZDBPopupFilterList* popup = FilterPopup();
    TZColumn* column = Column();
    TZCustomDBGrid* grid = DBGrid();
    if (!Refresh || !popup || !column || !grid)
        return;
    const TZDBGridFilter* filter = grid->FilterGrid();
    const TZDBGridFilterOptions options = filter->GetOptions();
    if (!popup->ListRefresh())
        popup->SetLoadAllItems(options.Contains(foLoadAllItems));
    popup->SetAutoApply(options.Contains(foAutoApplyList));
    popup->SetListAlignment(options.Contains(foListAlignment));
    popup->SetListAnimation(options.Contains(foListAnimation));
    popup->SetOverlayedList(options.Contains(foOverlayedList));
    popup->SetCheckedFirst(options.Contains(foCheckedFirst));
    popup->SetDropDownRows(filter->GetDropDownRows());
    popup->SetDropDownWidth(filter->GetDropDownWidth());
    const TZLookupColumn lookup = column->LookupColumn();
    popup->SetCopyKeyField(lookup == lcLookupField || lookup == lcLookupResultField || lookup == lcLookupValueField);
    TField* field = column->GetField();
    const bool form = (filter->GetAutoFilters() & column->Title()->GetAutoFilters()).Contains(fsFilterForm) && field &&
                      (!BinaryFieldType(field->DataType()) || field->DataType() == ftWideMemo) &&
                      (field->GetFieldKind() == fkData || field->GetFieldKind() == fkLookup ||
                       field->GetFieldKind() == fkInternalCalc);
    popup->SetSelectFilter(form);
    popup->SetRemoveFilter(form && !column->GetFilterText().isEmpty());
    popup->SetAddSelected((options.Contains(foAddSelected)) && grid->SelectedRows() && !grid->SelectedRows()->IsEmpty());
    popup->SetFont(column->GetFont());
    popup->SetTitleFont(grid->GetTitleFont());
    popup->SetColor(grid->GetColor());
    if (options.Contains(foIncrementalList) || column->GetListOptions().Contains(loIncrementalList))
        popup->SetSearchField(popup->FilterData()->GetListFieldName());
    else
        popup->SetSearchField(QString());
    popup->OnRemoveFilter = [this](TZDBPopupFilterList*) { ClearFilterText(); };
    popup->OnSelectFilter = [this](TZDBPopupFilterList*) { ShowFilterForm(); };
    popup->OnAddSelected = [this](TZDBPopupFilterList*) { LoadSelectList(); };
    popup->OnRefresh = [this](bool Accept) { TZDBDropDownList::Refresh(Accept); };
    popup->OnApply = [this](TZDBPopupList*) { ApplyFilterList(); };
}

bool TZDBGridFilterList::LoadFilterData()
{
    TZDBPopupFilterList* popup = FilterPopup();
    TZColumn* column = Column();
    if (!popup || !column)
        return false;
    TZFilterItemsOptions options;
    options.CheckedFirst = popup->GetCheckedFirst();
    options.LoadAllItems = popup->GetLoadAllItems();
    const QStringList chosen = column->GetFilterList();
    options.IsChosen = [&chosen](const QString& Key) { return chosen.contains(Key, Qt::CaseInsensitive); };
    return LoadFilterItems(column, popup->FilterData(), options);
}

void TZDBGridFilterList::LoadFilterList()
{
    TZDBFilterData* data = FilterData();
    TZColumn* column = Column();
    if (!data || !column || !data->Active())
        return;
    for (const QString& key : column->GetFilterList())
        data->SetChecked(data->IndexOfKey(key), true);
    if (TZDBPopupFilterList* popup = FilterPopup())
        if (TZColumn* value = popup->ValueColumn())
            value->Title()->SetCaption(Tr(data->CheckedCount() > 0 ? SClearAllCaption : SSelectAllCaption));
}

void TZDBGridFilterList::UpdateListData(bool Refresh)
{
    TZDBPopupFilterList* popup = FilterPopup();
    if (!popup)
        return;
    TZDBFilterData* data = popup->FilterData();
    if (!Refresh) {
        popup->OnRemoveFilter = nullptr;
        popup->OnSelectFilter = nullptr;
        popup->OnAddSelected = nullptr;
        popup->OnApply = nullptr;
        const auto release = qScopeGuard([data] {
            data->Close();
            data->ClearItems();
        });
        if (Accepted())
            SaveFilterList();
        return;
    }
    if (!LoadFilterData()) {
        // Cancelled while collecting: the list does not open.
        CloseUpLater();
        return;
    }
    data->Open();
    popup->UpdateColumns();
    LoadFilterList();
}

void TZDBGridFilterList::SaveFilterList()
{
    TZDBFilterData* data = FilterData();
    TZColumn* column = Column();
    if (!data || !column || !data->Active())
        return;
    QStringList keys;
    for (int i = 0, n = int(data->List().size()); i < n; ++i)
        if (data->Checked(i))
            keys << data->Keys(i);
    TZFilterList* list = column->FilterList();
    // The list sorts and collapses the keys as it stores them; compare the same way.
    QStringList sorted = SortFilterItems(keys);
    const QStringList& current = list->Strings();
    const bool same = sorted.size() == current.size() &&
                      std::equal(sorted.begin(), sorted.end(), current.begin(), [](const QString& A, const QString& B) {
                          return A.compare(B, Qt::CaseInsensitive) == 0;
                      });
    if (same)
        return;
    TZFilterListUpdateGuard update(list);
    list->Assign(keys);
}

void TZDBGridFilterList::ApplyFilterList()
{
    SaveFilterList();
    TZColumn* column = Column();
    TZDBPopupFilterList* popup = FilterPopup();
    if (column && popup && column->GetFilterList().isEmpty() && popup->GetRow() - popup->FirstDataRow() <= 1)
        TZDBDropDownList::Refresh(false);
}

void TZDBGridFilterList::ClearFilterText()
{
    if (TZColumn* column = Column())
        column->SetFilterText(QString());
    TZDBDropDownList::Refresh(false);
}

void TZDBGridFilterList::ShowFilterForm()
{
    TZColumn* column = Column();
    QPointer<TZCustomDBGrid> grid = DBGrid();
    if (!column || !grid)
        return;
    CloseUp(false);
    grid->DropDownForm(column, true);
}

void TZDBGridFilterList::LoadSelectList()
{
    TZDBPopupFilterList* popup = FilterPopup();
    TZDBFilterData* data = FilterData();
    TZColumn* column = Column();
    TZCustomDBGrid* grid = DBGrid();
    TField* key = column ? column->FilterField() : nullptr;
    if (!popup || !data || !data->Active() || !grid || !key || !grid->SelectedRows())
        return;
    TDataSet* dataSet = grid->DataSet();
    {
        TZWalkGuard walk(grid);
        for (const TBookmark& bookmark : *grid->SelectedRows()) {
            if (!dataSet->BookmarkValid(bookmark))
                continue;
            dataSet->GotoBookmark(bookmark);
            const int index = data->IndexOfKey(key->GetEditText());
            if (index >= 0 && data->Keys(index).contains(key->GetEditText()))
                data->SetChecked(index, true);
        }
    }
    popup->RefreshTicks();
}

void TZDBGridFilterList::DoDropDown()
{
    if (!ListRefresh())
        TZDBGridDropDownList::DoDropDown();
}

void TZDBGridFilterList::DoCloseUp(bool& Accept)
{
    if (!ListRefresh())
        TZDBGridDropDownList::DoCloseUp(Accept);
}

// ---- The grid's side ------------------------------------------------------------------

void TZCustomDBGrid::DropDownAutoFilter(TZColumn* Column, TFilterStyle Style)
{
    if (!Column || !Column->GetField())
        return;
    if (Style == fsFilterForm) {
        TZDBGridFilterForm form(this, Column);
        form.exec();
        return;
    }
    auto* list = new TZDBGridFilterList(viewport(), Column);
    list->setGeometry(DropDownRect(Column, true));
    list->SetFreeOnClose(true);
    list->OnDropDown = [this](TZDBDropDownList* Sender) { ListDropDown(Sender); };
    list->OnCloseUp = [this](TZDBDropDownList* Sender, bool& Accept) {
        QVariant none;
        ListCloseUp(Sender, none, Accept);
    };
    // A list that failed to open goes at once.
    auto failed = qScopeGuard([list] { list->Release(); });
    list->DropDown();
    if (list->ListVisible())
        failed.dismiss();
}

} // namespace zdb

// The columns dialog: its check list box, its form and the dialog objects.

#include "ZDBLists.h"

#include "AppExceptions.h"
#include "ZDBGrids.h"
#include "ZDBTranslate.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace zdb {

QString IndentChars = QStringLiteral("\u00BB   ");
QString HeaderBreak = QStringLiteral(" \u00BB ");
QString LineBreak = QStringLiteral("\u00A0");

namespace {

const char* const ListsContext = TrContext;

// A text of the dialog through the application's translators.
QString ListsText(const char* Text)
{
    return QCoreApplication::translate(ListsContext, Text);
}

// The design: a 13-pixel line, buttons of 75 × 25 that stand 80 apart, a
// client area of 331 × 247 with 8 pixels of margin.
constexpr double DesignLineHeight = 13.0;
constexpr int DesignWidth = 331;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int ButtonStep = 80;
constexpr int FormMargin = 8;
constexpr int ButtonsPanelHeight = 36;
constexpr int CustomPanelHeight = 40;

constexpr int ColumnRole = Qt::UserRole + 1;

// A title text: the held one, or the default while none is held.
QString OrDefault(const QString& Held, const QString& Default)
{
    return Held.isEmpty() ? Default : Held;
}

// What is held for an assigned title: nothing for the default.
QString UnlessDefault(const QString& Value, const QString& Default)
{
    return Value == Default ? QString() : Value;
}

} // namespace

// ---- The check list box -------------------------------------------------------------------

TCheckListBox::TCheckListBox(QWidget* Parent) : QListWidget(Parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

QListWidgetItem* TCheckListBox::AddItem(const QString& Text, bool Checked, bool Enabled)
{
    auto* item = new QListWidgetItem(Text, this);
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled;
    if (Enabled)
        flags |= Qt::ItemIsEnabled;
    item->setFlags(flags);
    item->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

bool TCheckListBox::Checked(int Index) const
{
    const QListWidgetItem* it = item(Index);
    return it && it->checkState() == Qt::Checked;
}

void TCheckListBox::SetChecked(int Index, bool Value)
{
    if (QListWidgetItem* it = item(Index))
        it->setCheckState(Value ? Qt::Checked : Qt::Unchecked);
}

bool TCheckListBox::ItemEnabled(int Index) const
{
    const QListWidgetItem* it = item(Index);
    return it && (it->flags() & Qt::ItemIsEnabled);
}

QRect TCheckListBox::CheckRect(int Index) const
{
    const QListWidgetItem* it = item(Index);
    if (!it)
        return QRect();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualItemRect(it);
    option.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.checkState = it->checkState();
    option.text = it->text();
    return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

int TCheckListBox::RowsHeight(int Rows) const
{
    const int row = count() > 0 ? sizeHintForRow(0) : fontMetrics().height() + 2;
    return Rows * row + 2 * frameWidth();
}

void TCheckListBox::mousePressEvent(QMouseEvent* Event)
{
    FPressAnchor = currentRow();
    FPressShift = Event->button() == Qt::LeftButton && (Event->modifiers() & Qt::ShiftModifier);
    const QListWidgetItem* pressed = itemAt(Event->position().toPoint());
    FPressRow = pressed ? row(pressed) : -1;
    FPressState = pressed ? pressed->checkState() : Qt::Unchecked;
    QListWidget::mousePressEvent(Event);
}

void TCheckListBox::mouseReleaseEvent(QMouseEvent* Event)
{
    QListWidget::mouseReleaseEvent(Event);
    const bool range = std::exchange(FPressShift, false);
    const QListWidgetItem* released = itemAt(Event->position().toPoint());
    if (!range || Event->button() != Qt::LeftButton || !released || row(released) != FPressRow ||
        released->checkState() == FPressState || FPressAnchor < 0)
        return;
    const Qt::CheckState state = released->checkState();
    const auto [first, last] = std::minmax(FPressAnchor, FPressRow);
    for (int i = first; i <= last; ++i)
        if (QListWidgetItem* it = item(i); it && i != FPressRow && (it->flags() & Qt::ItemIsEnabled) &&
                                           it->checkState() != state)
            it->setCheckState(state);
}

void TCheckListBox::keyPressEvent(QKeyEvent* Event)
{
    if (OnKeyDown && OnKeyDown(Event)) {
        Event->accept();
        return;
    }
    QListWidget::keyPressEvent(Event);
}

int TCheckListBox::DropRow(const QPoint& Pos) const
{
    const QListWidgetItem* over = itemAt(Pos);
    return over ? row(over) : -1;
}

void TCheckListBox::dragMoveEvent(QDragMoveEvent* Event)
{
    const int to = DropRow(Event->position().toPoint());
    if (Event->source() == this && to >= 0 && OnDragOver && OnDragOver(currentRow(), to))
        Event->acceptProposedAction();
    else
        Event->ignore();
}

void TCheckListBox::dropEvent(QDropEvent* Event)
{
    const int to = DropRow(Event->position().toPoint());
    const int from = currentRow();
    // The list's items are moved here, not by the view: the drag ends without
    // an action for it to take.
    Event->setDropAction(Qt::IgnoreAction);
    Event->accept();
    if (Event->source() == this && to >= 0 && OnDragOver && OnDragOver(from, to) && OnDragDrop)
        GuardEvent(this, [&] { OnDragDrop(from, to); });
}

// ---- The form -----------------------------------------------------------------------------

TZDBColumnsForm::TZDBColumnsForm(QWidget* Parent) : QDialog(Parent)
{
    setWindowTitle(ListsText(QT_TRANSLATE_NOOP("zdb", "Show Columns")));
    setWindowFlags((windowFlags() | Qt::WindowSystemMenuHint) &
                   ~(Qt::WindowContextHelpButtonHint | Qt::WindowMinMaxButtonsHint));
    // The form takes the font of the window it is shown over.
    setAttribute(Qt::WA_WindowPropagation);
    if (Parent)
        setFont(Parent->window()->font());

    auto* main = new QVBoxLayout(this);
    main->setSpacing(0);

    FColumnsGroupBox = new QGroupBox(ListsText(QT_TRANSLATE_NOOP("zdb", " &Visible Columns ")), this);
    auto* group = new QVBoxLayout(FColumnsGroupBox);
    FColumnsList = new TCheckListBox(FColumnsGroupBox);
    FColumnsList->setObjectName(QStringLiteral("ColumnsList"));
    group->addWidget(FColumnsList, 1);
    FSortedCheckBox = new QCheckBox(ListsText(QT_TRANSLATE_NOOP("zdb", "&Sorted Columns")), FColumnsGroupBox);
    FSortedCheckBox->setVisible(false);
    group->addWidget(FSortedCheckBox);
    main->addWidget(FColumnsGroupBox, 1);

    FCustomPanel = new QWidget(this);
    FCustomPanel->setObjectName(QStringLiteral("CustomPanel"));
    main->addWidget(FCustomPanel);

    FButtonsPanel = new QWidget(this);
    auto* buttons = new QHBoxLayout(FButtonsPanel);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch(1);
    const auto makeButton = [&](const char* Caption) {
        auto* button = new QPushButton(ListsText(Caption), FButtonsPanel);
        button->setAutoDefault(false);
        buttons->addWidget(button);
        return button;
    };
    FOKButton = makeButton(QT_TRANSLATE_NOOP("zdb", "OK"));
    FOKButton->setDefault(true);
    FCancelButton = makeButton(QT_TRANSLATE_NOOP("zdb", "Cancel"));
    FApplyButton = makeButton(QT_TRANSLATE_NOOP("zdb", "&Apply"));
    FHelpButton = makeButton(QT_TRANSLATE_NOOP("zdb", "&Help"));
    main->addWidget(FButtonsPanel);

    connect(FOKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(FCancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(FApplyButton, &QPushButton::clicked, this, [this] { GuardEvent(this, [this] { ApplySettings(); }); });
    connect(FHelpButton, &QPushButton::clicked, this, [this] {
        if (FHelpContext != 0 && OnHelp)
            GuardEvent(this, [this] { OnHelp(FHelpContext); });
    });
    connect(FColumnsList, &QListWidget::itemChanged, this, [this] {
        if (!FLoading)
            GuardEvent(this, [this] { SettingsChanged(); });
    });
    connect(FSortedCheckBox, &QCheckBox::toggled, this, [this] { GuardEvent(this, [this] { SortedChanged(); }); });
    FColumnsList->OnDragOver = [this](int From, int To) { return CanMoveItem(From, To); };
    FColumnsList->OnDragDrop = [this](int From, int To) { ColumnsListDragDrop(From, To); };
    FColumnsList->OnKeyDown = [this](QKeyEvent* Event) { return ColumnsListKeyDown(Event); };
    FColumnsList->setFocus();
    ScaleToFont();
}

void TZDBColumnsForm::ScaleToFont()
{
    FScale = std::max(1.0, QFontMetricsF(font()).height() / DesignLineHeight);
    const int margin = Scaled(FormMargin);
    layout()->setContentsMargins(margin, margin, margin, margin);
    FCustomPanel->setMinimumHeight(Scaled(CustomPanelHeight));
    FButtonsPanel->setFixedHeight(Scaled(ButtonsPanelHeight));
    FButtonsPanel->layout()->setSpacing(Scaled(ButtonStep - ButtonWidth));
    for (QPushButton* button : {FOKButton, FCancelButton, FApplyButton, FHelpButton})
        button->setMinimumSize(Scaled(ButtonWidth), Scaled(ButtonHeight));
}

void TZDBColumnsForm::changeEvent(QEvent* Event)
{
    QDialog::changeEvent(Event);
    if (Event->type() == QEvent::FontChange && FHelpButton)
        ScaleToFont();
}

TZDBColumnsForm::~TZDBColumnsForm() = default;

int TZDBColumnsForm::Scaled(int Pixels) const
{
    return int(std::lround(Pixels * FScale));
}

void TZDBColumnsForm::SetCounts(int DefaultCount, int MinimumCount)
{
    FDefaultCount = DefaultCount;
    FMinimumCount = MinimumCount;
}

void TZDBColumnsForm::SetWidths(int DefaultWidth, int MinimumWidth)
{
    FDefaultWidth = DefaultWidth;
    FMinimumWidth = MinimumWidth;
}

TZColumn* TZDBColumnsForm::ItemColumn(int Index) const
{
    const QListWidgetItem* it = FColumnsList->item(Index);
    return it ? reinterpret_cast<TZColumn*>(it->data(ColumnRole).value<quintptr>()) : nullptr;
}

QString TZDBColumnsForm::ItemCaption(const TZColumn* Column) const
{
    QString caption = Column->Title()->GetCaption();
    const QString header = Column->Title()->GetHeader();
    if (FOptions.Contains(coShowHeaders) && !header.isEmpty())
        caption = header + QLatin1Char('|') + caption;
    caption.replace(QLatin1Char('|'), HeaderBreak);
    caption.replace(QLatin1String("\r\n"), LineBreak);
    caption.replace(QLatin1Char('\r'), LineBreak);
    caption.replace(QLatin1Char('\n'), LineBreak);
    return IndentChars.repeated(Column->Depth()) + caption;
}

void TZDBColumnsForm::LoadSettings()
{
    FLoading = true;
    const auto loaded = qScopeGuard([this] { FLoading = false; });
    FColumnsList->clear();
    if (!FGrid)
        return;
    const bool printed = FOptions.Contains(coMarkPrintedCols);
    const bool visible = FOptions.Contains(coMarkVisibleCols);
    TZDBGridColumns* columns = FGrid->Columns();
    for (int i = FOptions.Contains(coShowFixedCols) ? 0 : FGrid->GetFixedCols(); i < columns->Count(); ++i) {
        TZColumn* column = (*columns)[i];
        if (!FOptions.Contains(coShowEmptyCols) && !column->GetField())
            continue;
        if (printed && visible && !column->GetVisible())
            continue;
        const TDialogOptions dialog =
            printed ? column->Report()->GetDialogOptions() : column->GetDialogOptions();
        if (!FOptions.Contains(coAllowMoving) && !dialog.Contains(doShowColumn))
            continue;
        const bool ticked = printed ? column->Report()->GetVisible() : visible && column->Visibility();
        QListWidgetItem* item =
            FColumnsList->AddItem(ItemCaption(column), ticked, dialog.Contains(doItemEnabled));
        item->setData(ColumnRole, QVariant::fromValue(reinterpret_cast<quintptr>(column)));
    }
    if (FColumnsList->count() > 0)
        FColumnsList->setCurrentRow(0);
    FCustomPanel->setVisible(!FCustomPanel->children().isEmpty());
    // Size: DefaultCount rows (or fewer items) show.
    const int rows = std::clamp(FColumnsList->count(), FMinimumCount, std::max(FMinimumCount, FDefaultCount));
    FColumnsList->setMinimumHeight(FColumnsList->RowsHeight(rows));
    FColumnsList->setMaximumHeight(FColumnsList->RowsHeight(rows));
    adjustSize();
    FormConstrainedResize();
    resize(FDefaultWidth > 0 ? std::max(FDefaultWidth, minimumWidth()) : std::max(Scaled(DesignWidth), minimumWidth()),
           height());
}

void TZDBColumnsForm::FormConstrainedResize()
{
    // The list may shrink to MinimumCount rows and grow to show every item.
    FColumnsList->setMinimumHeight(FColumnsList->RowsHeight(FMinimumCount));
    FColumnsList->setMaximumHeight(FColumnsList->RowsHeight(std::max(FMinimumCount, FColumnsList->count())));
    int buttons = 0;
    for (const QPushButton* button : {FOKButton, FCancelButton, FApplyButton, FHelpButton})
        if (!button->isHidden())
            buttons += Scaled(ButtonStep);
    setMinimumWidth(std::max(buttons + 2 * Scaled(FormMargin), FMinimumWidth));
}

void TZDBColumnsForm::SaveSettings()
{
    if (!FGrid)
        return;
    TZDBGridColumns* columns = FGrid->Columns();
    columns->BeginDesignUpdate();
    const auto designed = qScopeGuard([columns] { columns->EndDesignUpdate(); });
    const bool printed = FOptions.Contains(coMarkPrintedCols);
    const bool visible = FOptions.Contains(coMarkVisibleCols);
    {
        TZLayoutGuard layout(FGrid);
        for (int i = 0; i < FColumnsList->count(); ++i) {
            TZColumn* column = ItemColumn(i);
            if (column && printed)
                column->Report()->SetVisible(FColumnsList->Checked(i));
            else if (column && visible)
                column->SetVisible(FColumnsList->Checked(i));
        }
    }
    if (!FOptions.Contains(coAllowMoving))
        return;
    // The moves one by one, outside a layout bracket: a default column moves
    // its field, which the layout then keeps.
    const int fixed = FGrid->GetFixedCols();
    int frozen = 0;
    for (int i = 0; i < FColumnsList->count(); ++i) {
        TZColumn* column = ItemColumn(i);
        if (!column)
            continue;
        if (column->Index() >= fixed) {
            column->SetIndex(std::min(fixed + i - frozen, columns->Count() - 1));
        } else {
            column->SetIndex(i);
            ++frozen;
        }
    }
}

void TZDBColumnsForm::ApplySettings()
{
    SaveSettings();
    if (OnApply)
        OnApply();
}

void TZDBColumnsForm::UpdateSettings()
{
    if (FOptions.Contains(coAutoUpdate))
        ApplySettings();
}

void TZDBColumnsForm::SettingsChanged()
{
    UpdateSettings();
}

void TZDBColumnsForm::SortedChanged()
{
    if (FSortedCheckBox->isChecked())
        FColumnsList->sortItems();
    else
        LoadSettings();
}

void TZDBColumnsForm::SelectItem(int Index, bool Selected)
{
    if (QListWidgetItem* it = FColumnsList->item(Index)) {
        if (Selected)
            FColumnsList->setCurrentItem(it);
        it->setSelected(Selected);
    }
}

int TZDBColumnsForm::BlockSize(int Index) const
{
    const TZColumn* column = ItemColumn(Index);
    if (!column)
        return 1;
    const int depth = column->Depth();
    int size = 1;
    while (const TZColumn* next = ItemColumn(Index + size)) {
        if (next->Depth() <= depth)
            break;
        ++size;
    }
    return size;
}

bool TZDBColumnsForm::CanMoveItem(int From, int To) const
{
    if (!FOptions.Contains(coAllowMoving) || !FGrid || From == To)
        return false;
    const TZColumn* from = ItemColumn(From);
    const TZColumn* to = ItemColumn(To);
    const int fixed = FGrid->GetFixedCols();
    return from && to && from->Index() >= fixed && to->Index() >= fixed && from->ParentColumn() == to->ParentColumn();
}

int TZDBColumnsForm::MoveItem(int From, int To)
{
    const int count = FColumnsList->count();
    if (From < 0 || From >= count || To < 0 || To >= count || From == To)
        return From;
    const int size = BlockSize(From);
    if (To > From && To < From + size)
        return From;
    // Where the block goes among the items left once it is taken out.
    const int target = To < From ? To : To + BlockSize(To) - size;
    FLoading = true;
    const auto loaded = qScopeGuard([this] { FLoading = false; });
    std::vector<QListWidgetItem*> block;
    for (int i = 0; i < size; ++i)
        block.push_back(FColumnsList->takeItem(From));
    for (int i = 0; i < size; ++i)
        FColumnsList->insertItem(target + i, block[i]);
    return target;
}

void TZDBColumnsForm::ColumnsListDragDrop(int From, int To)
{
    const int moved = MoveItem(From, To);
    SelectItem(moved, true);
    UpdateSettings();
}

bool TZDBColumnsForm::ColumnsListKeyDown(QKeyEvent* Event)
{
    if (!(Event->modifiers() & Qt::ShiftModifier) || (Event->key() != Qt::Key_Up && Event->key() != Qt::Key_Down))
        return false;
    const int current = FColumnsList->currentRow();
    const TZColumn* column = ItemColumn(current);
    if (!FOptions.Contains(coAllowMoving) || !column)
        return false;
    // The previous or next sibling; items under other parents are passed over.
    const int step = Event->key() == Qt::Key_Up ? -1 : 1;
    for (int i = current + step; i >= 0 && i < FColumnsList->count(); i += step) {
        const TZColumn* other = ItemColumn(i);
        if (!other || other->ParentColumn() != column->ParentColumn())
            continue;
        if (CanMoveItem(current, i)) {
            GuardEvent(this, [&] {
                SelectItem(MoveItem(current, i), true);
                UpdateSettings();
            });
        }
        break;
    }
    return true;
}

int TZDBColumnsForm::Execute()
{
    const bool autoUpdate = FOptions.Contains(coAutoUpdate);
    FHelpButton->setVisible(FOptions.Contains(coHelpButton));
    FApplyButton->setVisible(FOptions.Contains(coApplyButton) && !autoUpdate);
    FCancelButton->setVisible(FOptions.Contains(coCancelButton) && !autoUpdate);
    const bool sorted = FOptions.Contains(coShowSorted) && !FOptions.Contains(coAllowMoving);
    FSortedCheckBox->setVisible(sorted);
    if (FOptions.Contains(coAllowMoving)) {
        FColumnsList->setDragEnabled(true);
        FColumnsList->setAcceptDrops(true);
        FColumnsList->setDropIndicatorShown(true);
        FColumnsList->setDragDropMode(QAbstractItemView::InternalMove);
    }
    LoadSettings();
    const int result = exec();
    if (result == QDialog::Accepted && !autoUpdate)
        ApplySettings();
    return result;
}

void TZDBColumnsForm::reject()
{
    // Without a Cancel button OK stands for it; with coAutoUpdate every close
    // counts as OK.
    if (FOptions.Contains(coAutoUpdate) || !FOptions.Contains(coCancelButton))
        accept();
    else
        QDialog::reject();
}

void TZDBColumnsForm::done(int Result)
{
    QDialog::done(FOptions.Contains(coAutoUpdate) ? int(QDialog::Accepted) : Result);
    if (OnClose)
        GuardEvent(this, [this] { OnClose(); });
}

void TZDBColumnsForm::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    if (OnShow)
        GuardEvent(this, [this] { OnShow(); });
}

// ---- The dialog ---------------------------------------------------------------------------

TZDBColumnsDialog::TZDBColumnsDialog(QObject* Owner) : QObject(Owner) {}

TZDBColumnsDialog::~TZDBColumnsDialog() = default;

QString TZDBColumnsDialog::DefaultButtonsTitles() const
{
    return ListsText(QT_TRANSLATE_NOOP("zdb", "OK;Cancel;&Apply;&Help"));
}

QString TZDBColumnsDialog::DefaultColumnsTitle() const
{
    return ListsText(QT_TRANSLATE_NOOP("zdb", " &Visible Columns "));
}

QString TZDBColumnsDialog::DefaultSortedTitle() const
{
    return ListsText(QT_TRANSLATE_NOOP("zdb", "&Sorted Columns"));
}

QString TZDBColumnsDialog::DefaultTitle() const
{
    return ListsText(QT_TRANSLATE_NOOP("zdb", "Show Columns"));
}

QString TZDBColumnsDialog::GetButtonsTitles() const
{
    return OrDefault(FButtonsTitles, DefaultButtonsTitles());
}

void TZDBColumnsDialog::SetButtonsTitles(const QString& Value)
{
    FButtonsTitles = UnlessDefault(Value, DefaultButtonsTitles());
}

QString TZDBColumnsDialog::GetColumnsTitle() const
{
    return OrDefault(FColumnsTitle, DefaultColumnsTitle());
}

void TZDBColumnsDialog::SetColumnsTitle(const QString& Value)
{
    FColumnsTitle = UnlessDefault(Value, DefaultColumnsTitle());
}

QString TZDBColumnsDialog::GetSortedTitle() const
{
    return OrDefault(FSortedTitle, DefaultSortedTitle());
}

void TZDBColumnsDialog::SetSortedTitle(const QString& Value)
{
    FSortedTitle = UnlessDefault(Value, DefaultSortedTitle());
}

QString TZDBColumnsDialog::GetTitle() const
{
    return OrDefault(FTitle, DefaultTitle());
}

void TZDBColumnsDialog::SetTitle(const QString& Value)
{
    FTitle = UnlessDefault(Value, DefaultTitle());
}

void TZDBColumnsDialog::SetDefaultCount(int Value)
{
    FDefaultCount = std::max(Value, FMinimumCount);
}

void TZDBColumnsDialog::SetDefaultWidth(int Value)
{
    FDefaultWidth = Value == 0 ? 0 : std::max(Value, FMinimumWidth);
}

void TZDBColumnsDialog::SetMinimumCount(int Value)
{
    FMinimumCount = std::clamp(Value, 4, std::max(4, FDefaultCount));
}

void TZDBColumnsDialog::SetMinimumWidth(int Value)
{
    FMinimumWidth = std::max(Value, 0);
    if (FDefaultWidth != 0)
        FMinimumWidth = std::min(FMinimumWidth, FDefaultWidth);
}

void TZDBColumnsDialog::SetOptions(TZDBColumnsOptions Value)
{
    if (Value.Contains(coAutoUpdate))
        Value = Value - TZDBColumnsOptions{coCancelButton, coApplyButton};
    if (Value.Contains(coAllowMoving))
        Value = (Value - TZDBColumnsOptions{coShowSorted}) | TZDBColumnsOptions{coShowEmptyCols};
    FOptions = Value;
}

void TZDBColumnsDialog::SetOptionNames(const QStringList& Value)
{
    SetEnumSetByNames<TZDBColumnsOption>(Value, [this](TZDBColumnsOptions Set) { SetOptions(Set); });
}

std::unique_ptr<TZDBColumnsForm> TZDBColumnsDialog::CreateForm()
{
    return std::make_unique<TZDBColumnsForm>(FDBGrid ? FDBGrid->window() : nullptr);
}

void TZDBColumnsDialog::AdjustColumnsForm(TZDBColumnsForm* /*Form*/) {}

void TZDBColumnsDialog::DoApply()
{
    if (OnApply)
        OnApply(this);
}

void TZDBColumnsDialog::DoClose()
{
    if (OnClose)
        OnClose(this);
}

void TZDBColumnsDialog::DoCreate(TZDBColumnsForm* Form)
{
    if (OnCreate)
        OnCreate(this, Form);
}

void TZDBColumnsDialog::DoShow()
{
    if (OnShow)
        OnShow(this);
}

bool TZDBColumnsDialog::Execute()
{
    std::unique_ptr<TZDBColumnsForm> form = CreateForm();
    form->SetGrid(FDBGrid);
    form->SetOptions(FOptions);
    form->SetHelpContext(FHelpContext);
    form->ColumnsList()->setFrameShape(FBorderStyle == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
    // The texts, again when the application's language changes (defaults follow it).
    TrackLanguage(form.get(), [this, f = form.get()] {
        f->setWindowTitle(GetTitle());
        f->ColumnsGroupBox()->setTitle(GetColumnsTitle());
        f->SortedCheckBox()->setText(GetSortedTitle());
        const QStringList titles = GetButtonsTitles().split(QLatin1Char(';'));
        QPushButton* buttons[] = {f->OKButton(), f->CancelButton(), f->ApplyButton(), f->HelpButton()};
        for (qsizetype i = 0; i < std::min<qsizetype>(titles.size(), 4); ++i)
            buttons[i]->setText(titles[i]);
    });
    form->SetCounts(FDefaultCount, FMinimumCount);
    form->SetWidths(FDefaultWidth, FMinimumWidth);
    form->OnApply = [this] { DoApply(); };
    form->OnClose = [this] { DoClose(); };
    form->OnShow = [this] { DoShow(); };
    form->OnHelp = [this](int Context) {
        if (OnHelp)
            OnHelp(this, Context);
    };

    // The selected column and the editor are looked after around the run.
    QPointer<TZCustomDBGrid> grid = FDBGrid;
    const TZColumn* selected = grid ? grid->SelectedColumn() : nullptr;
    const bool wasShowing = selected && selected->Showing();
    const bool editing = grid && grid->GetEditorMode();
    if (editing)
        grid->SetEditorMode(false);
    const auto restore = qScopeGuard([&] {
        if (!grid)
            return;
        if (wasShowing && grid->SelectedColumn() && !grid->SelectedColumn()->Showing()) {
            TZDBGridColumns* columns = grid->Columns();
            for (int i = grid->GetFixedCols(); i < columns->Count(); ++i)
                if ((*columns)[i]->Showing()) {
                    grid->SetSelectedIndex(i);
                    break;
                }
        }
        if (editing)
            grid->SetEditorMode(true);
    });
    AdjustColumnsForm(form.get());
    DoCreate(form.get());
    return form->Execute() == QDialog::Accepted;
}

// ---- The print variant ----------------------------------------------------------------------

TZDBPrintColumnsDialog::TZDBPrintColumnsDialog(QObject* Owner) : TZDBColumnsDialog(Owner)
{
    FOptions = DefaultPrintOptions;
}

QString TZDBPrintColumnsDialog::DefaultColumnsTitle() const
{
    return ListsText(QT_TRANSLATE_NOOP("zdb", " &Printed Columns "));
}

QString TZDBPrintColumnsDialog::DefaultTitle() const
{
    return ListsText(QT_TRANSLATE_NOOP("zdb", "Print Columns"));
}

} // namespace zdb

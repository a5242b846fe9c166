// The search panel: the text box with the earlier search texts, the search
// buttons, the option check boxes, the "More options" menu and the close button.

#include "ZDBSearch.h"

#include "AppExceptions.h"
#include "ZDBGrids.h"
#include "ZDBTranslate.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace zdb {

namespace {

// Lengths at 96 DPI: the panel, the controls' rows and their steps.
constexpr int PanelHeight96 = 31;
constexpr int ButtonSize = 23;
constexpr int ButtonTop = 4;
constexpr int ListTop = 5;
constexpr int ListHeight = 21;
constexpr int Gap = 3;

// The button and menu item of each search mode, in the panel's order.
struct TSearchButton {
    TZSearchMode Mode;
    QString* Hint;
    QStyle::StandardPixmap Glyph;
    const char* Name;
};
const std::array<TSearchButton, 4> SearchButtons{{
    {smNext, &SFindNext, QStyle::SP_ArrowDown, "FindNext"},
    {smPrev, &SFindPrev, QStyle::SP_ArrowUp, "FindPrev"},
    {smFirst, &SFindFirst, QStyle::SP_MediaSkipBackward, "FindFirst"},
    {smLast, &SFindLast, QStyle::SP_MediaSkipForward, "FindLast"},
}};

struct TOptionBox {
    QString* Caption;
    const char* Name;
};
const std::array<TOptionBox, 5> OptionBoxes{{
    {&SCaseSensitive, "CaseSensitive"},
    {&SWholeWords, "WholeWords"},
    {&SWrapAround, "WrapAround"},
    {&SCurrentCol, "CurrentCol"},
    {&SFilterRows, "FilterRows"},
}};

} // namespace

const std::array<TZSearchOption, TZDBGridSearchPanel::OptionCount> TZDBGridSearchPanel::OptionOrder{
    soCaseSensitive, soWholeWords, soWrapAround, soCurrentCol, soFilterRows};

TZDBGridSearchPanel::TZDBGridSearchPanel(TZCustomDBGrid* AGrid, TCloseEvent AOnClose)
    : QWidget(AGrid), FGrid(AGrid), FOnClose(std::move(AOnClose))
{
    setObjectName(QStringLiteral("SearchPanel"));
    setAutoFillBackground(true);
    if (FGrid)
        FPPI = FGrid->CurrentPPI();
    CreateControls();
    if (TZDBGridSearch* search = GridSearch()) {
        const QSignalBlocker blocker(FSearchList);
        FSearchList->setEditText(search->GetText());
    }
    UpdateControls();
}

TZDBGridSearchPanel::TZDBGridSearchPanel(QWidget* parent) : QWidget(parent), FGrid(nullptr)
{
    setAutoFillBackground(true);
    // A strip of its one height in a form's layout.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setMinimumHeight(PanelHeight());
    CreateControls();
    ResizeControls();
    UpdateLink();
}

TZDBGridSearchPanel::~TZDBGridSearchPanel()
{
    // The controls go after this part of the panel: nothing they report while
    // they go reaches it or the grid.
    FUpdating = true;
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

TZDBGridSearch* TZDBGridSearchPanel::GridSearch() const
{
    TZCustomDBGrid* grid = FGrid ? FGrid : FLinkedGrid.data();
    return grid ? grid->Search() : nullptr;
}

TZCustomDBGrid* TZDBGridSearchPanel::SearchedGrid()
{
    if (!FGrid && !FLinkedGrid)
        UpdateLink();
    return FGrid ? FGrid : FLinkedGrid.data();
}

void TZDBGridSearchPanel::UpdateLink()
{
    if (FGrid)
        return;
    TZCustomDBGrid* grid = nullptr;
    if (!FGridName.isEmpty()) {
        QWidget* form = window();
        grid = form->objectName() == FGridName ? qobject_cast<TZCustomDBGrid*>(form) : nullptr;
        if (!grid)
            grid = form->findChild<TZCustomDBGrid*>(FGridName);
    }
    if (grid != FLinkedGrid) {
        FLinkedGrid = grid;
        if (TZDBGridSearch* search = GridSearch()) {
            // The grid takes options the panel was given; otherwise the boxes show
            // the grid's. The panel takes the grid's text and history.
            const QSignalBlocker blocker(FSearchList);
            if (FOptionsGiven)
                search->SetOptions(GetSearchOptions());
            else
                ShowOptions(search->GetOptions());
            FOptionsGiven = false;
            FSearchList->setEditText(search->GetText());
            RefreshHistory();
        }
    }
    // Without a grid there is nothing to search: the controls refuse input.
    const bool linked = FLinkedGrid != nullptr;
    FSearchList->setEnabled(linked);
    for (QToolButton* button : FButtons)
        button->setEnabled(linked);
    for (QCheckBox* box : FChecks)
        box->setEnabled(linked);
    FMore->setEnabled(linked);
}

void TZDBGridSearchPanel::SetGridName(const QString& Value)
{
    if (FGrid || Value == FGridName)
        return;
    FGridName = Value;
    UpdateLink();
}

int TZDBGridSearchPanel::GetListWidth() const
{
    return FGrid && FGrid->Search() ? FGrid->Search()->GetListWidth() : FListWidth;
}

void TZDBGridSearchPanel::SetListWidth(int Value)
{
    if (FGrid && FGrid->Search()) {
        // The grid shows its panel anew (this one goes later).
        FGrid->Search()->SetListWidth(Value);
        return;
    }
    if (Value < 1)
        Value = TZDBGridSearch::DefaultListWidth;
    FListWidth = std::max(Value, TZDBGridSearch::MinListWidth);
    updateGeometry();
    ResizeControls();
}

bool TZDBGridSearchPanel::GetPermanent() const
{
    return FGrid && FGrid->Search() ? FGrid->Search()->GetPermanent() : FPermanent;
}

void TZDBGridSearchPanel::SetPermanent(bool Value)
{
    if (FGrid && FGrid->Search()) {
        FGrid->Search()->SetPermanent(Value);
        return;
    }
    FPermanent = Value;
    ResizeControls();
}

TZSearchOptions TZDBGridSearchPanel::GetVisibleOptions() const
{
    return FGrid && FGrid->Search() ? FGrid->Search()->GetVisibleOptions() : FVisibleOptions;
}

void TZDBGridSearchPanel::SetVisibleOptions(TZSearchOptions Value)
{
    if (FGrid && FGrid->Search()) {
        FGrid->Search()->SetVisibleOptions(Value);
        return;
    }
    FVisibleOptions = Value & TZDBGridSearch::DefaultVisibleOptions;
    ResizeControls();
}

QSize TZDBGridSearchPanel::sizeHint() const
{
    // Every control shown: the close button after "More options".
    return {Scaled(GetListWidth() + 620 + ButtonSize + Gap + ButtonSize + 4), PanelHeight()};
}

void TZDBGridSearchPanel::showEvent(QShowEvent* Event)
{
    QWidget::showEvent(Event);
    UpdateLink();
}

int TZDBGridSearchPanel::Scaled(int Value) const
{
    return MulDiv(Value, FPPI, 96);
}

int TZDBGridSearchPanel::PanelHeight() const
{
    return Scaled(PanelHeight96);
}

void TZDBGridSearchPanel::CreateControls()
{
    FSearchList = new QComboBox(this);
    FSearchList->setObjectName(QStringLiteral("SearchText"));
    FSearchList->setEditable(true);
    FSearchList->setInsertPolicy(QComboBox::NoInsert);
    FSearchList->setDuplicatesEnabled(false);
    FSearchList->installEventFilter(this);
    FSearchList->lineEdit()->installEventFilter(this);
    setFocusProxy(FSearchList);
    connect(FSearchList, &QComboBox::textActivated, this, &TZDBGridSearchPanel::HistoryChosen);
    connect(FSearchList, &QComboBox::editTextChanged, this, &TZDBGridSearchPanel::TextEdited);

    FMoreMenu = new QMenu(this);
    for (size_t i = 0; i < SearchButtons.size(); ++i) {
        const TSearchButton& b = SearchButtons[i];
        auto* button = new QToolButton(this);
        button->setObjectName(QLatin1String(b.Name));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIcon(style()->standardIcon(b.Glyph, nullptr, button));
        button->setToolTip(*b.Hint);
        connect(button, &QToolButton::clicked, this, [this, mode = b.Mode] { ButtonSearch(mode); });
        FButtons[i] = button;
        FButtonItems[i] = FMoreMenu->addAction(*b.Hint, this, [this, mode = b.Mode] { ButtonSearch(mode); });
    }
    FSeparator = FMoreMenu->addSeparator();
    for (size_t k = 0; k < OptionBoxes.size(); ++k) {
        auto* box = new QCheckBox(*OptionBoxes[k].Caption, this);
        box->setObjectName(QLatin1String(OptionBoxes[k].Name));
        // Tab reaches the boxes from the text box; Space toggles one.
        box->setFocusPolicy(Qt::TabFocus);
        box->installEventFilter(this);
        connect(box, &QCheckBox::clicked, this, [this, k] { OptionClicked(k); });
        FChecks[k] = box;
        QAction* item = FMoreMenu->addAction(*OptionBoxes[k].Caption);
        item->setCheckable(true);
        // The item stands for its check box: a click toggles the box.
        connect(item, &QAction::triggered, box, [box] { box->click(); });
        FOptionItems[k] = item;
    }
    connect(FMoreMenu, &QMenu::aboutToShow, this, &TZDBGridSearchPanel::UpdateMoreMenu);

    FMore = new QToolButton(this);
    FMore->setObjectName(QStringLiteral("MoreOptions"));
    FMore->setAutoRaise(true);
    FMore->setFocusPolicy(Qt::TabFocus);
    FMore->installEventFilter(this);
    FMore->setText(QStringLiteral("\u00BB"));
    FMore->setToolTip(SMoreOptions);
    connect(FMore, &QToolButton::clicked, this, [this] {
        FMoreMenu->popup(FMore->mapToGlobal(QPoint(0, FMore->height())));
        SetFocus();
    });

    FClose = new QToolButton(this);
    FClose->setObjectName(QStringLiteral("CloseSearch"));
    FClose->setAutoRaise(true);
    FClose->setFocusPolicy(Qt::NoFocus);
    FClose->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, FClose));
    FClose->setToolTip(SCloseSearch);
    // Posted: the panel goes away with its close.
    connect(FClose, &QToolButton::clicked, this,
            [this] { QMetaObject::invokeMethod(this, "Close", Qt::QueuedConnection); });
    TrackLanguage(this, [this] {
        for (size_t i = 0; i < SearchButtons.size(); ++i) {
            FButtons[i]->setToolTip(Tr(*SearchButtons[i].Hint));
            FButtonItems[i]->setText(Tr(*SearchButtons[i].Hint));
        }
        for (size_t k = 0; k < OptionBoxes.size(); ++k) {
            FChecks[k]->setText(Tr(*OptionBoxes[k].Caption));
            FOptionItems[k]->setText(Tr(*OptionBoxes[k].Caption));
        }
        FMore->setToolTip(Tr(SMoreOptions));
        FClose->setToolTip(Tr(SCloseSearch));
    });
}

void TZDBGridSearchPanel::UpdateControls()
{
    TZDBGridSearch* search = GridSearch();
    if (!search)
        return;
    // A panel of its own keeps the palette its form gives it.
    if (FGrid && search->GetPanelColor() == clDefault) {
        setPalette(QPalette());
    } else if (FGrid) {
        QPalette own = palette();
        own.setColor(QPalette::Window, FGrid->ToQColor(search->GetPanelColor()));
        setPalette(own);
    }
    SetSearchOptions(search->GetOptions());
    RefreshHistory();
    ResizeControls();
}

void TZDBGridSearchPanel::RefreshHistory()
{
    TZDBGridSearch* search = GridSearch();
    if (!search)
        return;
    const QString text = FSearchList->currentText();
    QStringList items;
    for (int i = 0; i < FSearchList->count(); ++i)
        items << FSearchList->itemText(i);
    if (items == search->History())
        return;
    const QSignalBlocker blocker(FSearchList);
    FSearchList->clear();
    FSearchList->addItems(search->History());
    FSearchList->setCurrentIndex(FSearchList->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    FSearchList->setEditText(text);
}

void TZDBGridSearchPanel::ScaleForPPI(int PPI)
{
    if (PPI <= 0 || PPI == FPPI)
        return;
    FPPI = PPI;
    ResizeControls();
}

void TZDBGridSearchPanel::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    ResizeControls();
}

void TZDBGridSearchPanel::ResizeControls()
{
    if (!FSearchList)
        return;
    const int w = GetListWidth();
    FSearchList->setGeometry(Scaled(4), Scaled(ListTop), Scaled(w + 5), Scaled(ListHeight));
    const int size = Scaled(ButtonSize);
    const int top = Scaled(ButtonTop);
    int limit = width() - Scaled(4);
    FClose->setVisible(!GetPermanent());
    if (!GetPermanent()) {
        FClose->setGeometry(limit - size, top, size, size);
        limit -= size + Scaled(Gap);
    }
    // From the left the buttons, then the offered check boxes one after the
    // other, each as wide as its caption needs; the first control that leaves
    // no room for "More options" hides itself and everything after it.
    int moreLeft = Scaled(w + 16);
    bool fits = true;
    auto place = [&](QWidget* control, int left, int width) {
        const QRect rect(left, top, width, size);
        fits = fits && rect.right() + 1 + Scaled(Gap) + size <= limit;
        control->setVisible(fits);
        if (fits) {
            control->setGeometry(rect);
            moreLeft = rect.right() + 1 + Scaled(Gap);
        }
    };
    for (size_t i = 0; i < FButtons.size(); ++i)
        place(FButtons[i], Scaled(w + 16 + 24 * int(i)), size);
    int left = Scaled(w + 120);
    for (size_t k = 0; k < FChecks.size(); ++k) {
        if (!(GetVisibleOptions() & OptionOrder[k])) {
            FChecks[k]->hide();
            continue;
        }
        const int width = FChecks[k]->sizeHint().width();
        place(FChecks[k], left, width);
        left += width + Scaled(Gap);
    }
    FMore->setGeometry(moreLeft, top, size, size);
}

void TZDBGridSearchPanel::UpdateMoreMenu()
{
    if (TZDBGridSearch* search = GridSearch())
        ShowOptions(search->GetOptions());
    for (size_t i = 0; i < FButtons.size(); ++i)
        FButtonItems[i]->setVisible(FButtons[i]->isHidden());
    bool anyOption = false;
    for (size_t k = 0; k < FChecks.size(); ++k) {
        const bool shown = FChecks[k]->isHidden() && (GetVisibleOptions() & OptionOrder[k]);
        FOptionItems[k]->setVisible(shown);
        FOptionItems[k]->setChecked(FChecks[k]->isChecked());
        anyOption = anyOption || shown;
    }
    FSeparator->setVisible(anyOption);
}

TZSearchOptions TZDBGridSearchPanel::GetSearchOptions() const
{
    TZSearchOptions options;
    if (TZDBGridSearch* search = GridSearch())
        options = search->GetOptions() & soSkipMessage;
    for (size_t k = 0; k < FChecks.size(); ++k)
        if (FChecks[k]->isChecked())
            options |= OptionOrder[k];
    return options;
}

void TZDBGridSearchPanel::ShowOptions(TZSearchOptions Value)
{
    for (size_t k = 0; k < FChecks.size(); ++k) {
        const QSignalBlocker blocker(FChecks[k]);
        FChecks[k]->setChecked(Value & OptionOrder[k]);
    }
}

void TZDBGridSearchPanel::SetSearchOptions(TZSearchOptions Value)
{
    ShowOptions(Value);
    TZDBGridSearch* search = GridSearch();
    FOptionsGiven = !search;
    // A docked panel is told its grid's options: setting them again changes nothing.
    if (search)
        search->SetOptions(GetSearchOptions());
}

void TZDBGridSearchPanel::OptionClicked(size_t Index)
{
    if (FUpdating)
        return;
    // Only the option clicked changes: the grid's others may have changed
    // since the boxes showed them.
    if (TZDBGridSearch* search = GridSearch())
        GuardEvent(this, [&] { search->SwitchOptions(OptionOrder[Index], FChecks[Index]->isChecked()); });
    SetFocus();
}

void TZDBGridSearchPanel::SetFocus()
{
    if (FSearchList && FSearchList->isVisible())
        FSearchList->setFocus();
}

bool TZDBGridSearchPanel::Search(TZSearchMode Mode, bool FromChange)
{
    SearchedGrid();
    TZDBGridSearch* search = GridSearch();
    if (!search)
        return false;
    const QString text = FSearchList->currentText();
    if (!text.isEmpty() && !FromChange) {
        FSearchList->lineEdit()->selectAll();
        search->AddHistory(text);
        RefreshHistory();
        FSearchList->lineEdit()->selectAll();
    }
    // The grid's options are the ones searched with; the boxes show them.
    ShowOptions(search->GetOptions());
    search->SetText(text);
    return SearchedGrid()->SearchGrid(Mode);
}

void TZDBGridSearchPanel::ButtonSearch(TZSearchMode Mode)
{
    if (FUpdating)
        return;
    GuardEvent(this, [&] { Search(Mode); });
    SetFocus();
}

void TZDBGridSearchPanel::HistoryChosen(const QString& Text)
{
    if (FUpdating)
        return;
    if (TZDBGridSearch* search = GridSearch())
        GuardEvent(this, [&] { search->SetText(Text); });
}

void TZDBGridSearchPanel::TextEdited(const QString& /*Text*/)
{
    if (FUpdating)
        return;
    if (TZDBGridSearch* search = GridSearch(); search && search->GetIncremental())
        GuardEvent(this, [&] { Search(smFirst, true); });
}

void TZDBGridSearchPanel::Close()
{
    hide();
    if (TZCustomDBGrid* grid = SearchedGrid(); grid && grid->isVisible() && grid->isEnabled())
        grid->setFocus();
    if (FOnClose) {
        // The callback may free the panel (later); keep nothing of it after the call.
        const TCloseEvent onClose = FOnClose;
        onClose();
    }
}

bool TZDBGridSearchPanel::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() != QEvent::KeyPress || FUpdating)
        return QWidget::eventFilter(Watched, Event);
    const auto* key = static_cast<QKeyEvent*>(Event);
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (tab && !(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier))) {
        // The grid takes Tab for its cells, so the panel runs its own order:
        // the text box, the shown check boxes, "More options", then the grid.
        const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
        std::vector<QWidget*> order{FSearchList};
        for (QCheckBox* box : FChecks)
            if (box->isVisible())
                order.push_back(box);
        if (FMore->isVisible())
            order.push_back(FMore);
        auto at = std::find_if(order.begin(), order.end(),
                               [](QWidget* w) { return w == QApplication::focusWidget() || w->isAncestorOf(QApplication::focusWidget()); });
        const qsizetype i = at == order.end() ? 0 : at - order.begin();
        const qsizetype next = i + (back ? -1 : 1);
        if (next >= 0 && next < qsizetype(order.size()))
            order[size_t(next)]->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        else if (FGrid && FGrid->isEnabled())
            FGrid->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F3:
        GuardEvent(this, [&] { Search(ShiftStateToSearchMode(key->modifiers())); });
        return true;
    case Qt::Key_Escape: {
        TZDBGridSearch* search = GridSearch();
        if (search && !search->GetPermanent() && !(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier))) {
            GuardEvent(this, [&] { Close(); });
            return true;
        }
        break;
    }
    default: break;
    }
    return QWidget::eventFilter(Watched, Event);
}

} // namespace zdb

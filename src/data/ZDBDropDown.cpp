// Popup lists (see ZDBDropDown.h): the popup grid, the drop-down control that
// opens, places and closes it and the grid column binding.

#include "ZDBDropDown.h"

#include "AppExceptions.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScopeGuard>
#include <QScreen>
#include <QWheelEvent>
#include <QStyle>
#include <qdrawutil.h>

#include <algorithm>

namespace zdb {

namespace {

// Milliseconds on a monotonic clock.
qint64 Clock()
{
    static const QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

// The available geometry of the screen that holds Point (the primary one
// when no screen does).
QRect AvailableGeometryAt(const QPoint& Point, const QWidget* Widget)
{
    QScreen* screen = QGuiApplication::screenAt(Point);
    if (!screen && Widget)
        screen = Widget->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// The records of DataSet, but no more than Limit: counted by moving round the
// current record and back to it step by step (a far jump may cost a query).
int CountRecordsUpTo(TDataSet* DataSet, int Limit)
{
    if (!DataSet || !DataSet->Active() || DataSet->IsEmpty())
        return 0;
    TDataSetControlsGuard controls(DataSet);
    // Forward first (the rows read after the current one stay at hand), backward
    // only as far as the end left short.
    const int after = DataSet->MoveBy(Limit - 1);
    DataSet->MoveBy(-after);
    const int before = after + 1 < Limit ? -DataSet->MoveBy(after + 1 - Limit) : 0;
    DataSet->MoveBy(before);
    return before + after + 1;
}

} // namespace

// ---- TZDBPopupList ----------------------------------------------------------------

TZDBPopupList::TZDBPopupList(QWidget* AOwner) : TZCustomDBGrid(AOwner)
{
    InitList();
}

TZDBPopupList::~TZDBPopupList()
{
    StopAnimation();
    SetDataSource(nullptr);
}

void TZDBPopupList::InitList()
{
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    hide();
    FListSource = std::make_unique<TDataSource>();
    SetDataSource(FListSource.get());
    // No grid menu pops up in a list.
    SetPopupMenu(new QMenu(this));
}

void TZDBPopupList::Apply()
{
    FireEvent(OnApply, this);
}

void TZDBPopupList::Refresh(bool Accept)
{
    FireEvent(OnRefresh, Accept);
}

void TZDBPopupList::CreateControls(QWidget* AParent)
{
    FParentControl = AParent;
    SetCtl3DAuto(false);
}

TZDBDropDownList* TZDBPopupList::GetParentDropDown() const
{
    return qobject_cast<TZDBDropDownList*>(parentWidget());
}

TZColumn* TZDBPopupList::GetParentColumn() const
{
    auto* owner = qobject_cast<TZDBGridDropDownList*>(parentWidget());
    return owner ? owner->Column() : nullptr;
}

TZCustomDBGrid* TZDBPopupList::GetParentDBGrid() const
{
    auto* owner = qobject_cast<TZDBGridDropDownList*>(parentWidget());
    return owner ? owner->DBGrid() : nullptr;
}

int TZDBPopupList::ListHeight(int Rows) const
{
    const int totals = TotalHeight();
    return TitleHeight() + Rows * RowHeight() + totals + (totals > 0 ? 1 : 0);
}

void TZDBPopupList::CalcSize()
{
    // The border the grid's ListBorder asks for; automatic keeps the style's own.
    switch (GetListBorder()) {
    case lbNone: setFrameStyle(QFrame::NoFrame); break;
    case lbSingle:
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
        break;
    case lbThemed: setFrameStyle(QFrame::StyledPanel | QFrame::Sunken); break;
    case lbAuto: break;
    }
    if (!FAutoCalcSize)
        return;
    // Measured as it will be shown.
    HandleNeeded();
    SetStretchMode(false);
    if (ForcedSequence())
        UpdateSequenceValues();
    // Only whether there are more records than rows matters: those are counted
    // by moving, not by asking a server to count a table that may be huge.
    const int limit = FDropDownRows >= 1 ? FDropDownRows : MaxDropDownRows;
    const int count = CountRecordsUpTo(DataSet(), limit + 1);
    const int rows = std::clamp(count, 1, limit);
    // Room for the vertical bar when not every record shows.
    const int bar = count > rows ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) : 0;
    const int frame = 2 * frameWidth();
    int width = ColumnsWidth() + bar + frame;
    width = std::min(width, FDropDownWidth > 0 ? FDropDownWidth : MaxDropDownWidth);
    if (FListAlignment && FParentControl)
        width = std::max(width, FParentControl->width());
    resize(width, ListHeight(rows) + frame);
    // The columns fill the client width when they do not already.
    SetStretchMode(ColumnsWidth() != width - frame - bar);
    if (FListVisible)
        if (TZDBDropDownList* owner = GetParentDropDown())
            move(owner->DropDownPoint());
}

bool TZDBPopupList::AnimationSupported()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void TZDBPopupList::DropDown(const QPoint& P)
{
    const int full = height();
    const int min = ListHeight(1) + 2 * frameWidth();
    if (!FListAnimation || FListRefresh || FListShowing || !AnimationSupported() || ListDropDownDelay <= 0 ||
        RowHeight() <= 0 || min >= full) {
        ShowList(P);
        return;
    }
    // Opening upward the bottom edge stays where it is.
    const TZDBDropDownList* owner = GetParentDropDown();
    const bool upward = owner && P.y() < owner->OwnerRect().top();
    const QRect end(P, size());
    QRect start(P, QSize(width(), min));
    if (upward)
        start.moveBottom(end.bottom());
    setGeometry(start);
    ShowList(start.topLeft());
    FListShowing = true;
    auto* animation = new QPropertyAnimation(this, "geometry", this);
    animation->setStartValue(start);
    animation->setEndValue(end);
    animation->setDuration(((full - min) / RowHeight() + 1) * ListDropDownDelay);
    connect(animation, &QPropertyAnimation::finished, this, [this] {
        GuardEvent(this, [this] {
            FListShowing = false;
            if (Search() && Search()->GetIncremental())
                CalcSize();
        });
    });
    FAnimation = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void TZDBPopupList::StopAnimation()
{
    if (FAnimation)
        FAnimation->stop();
    FListShowing = false;
}

void TZDBPopupList::UpdateScrollBar()
{
    if (isVisible())
        TZCustomDBGrid::UpdateScrollBar();
}

void TZDBPopupList::ShowList(const QPoint& P)
{
    move(P);
    show();
    raise();
    UpdateScrollBar();
    FListVisible = true;
    if (FParentControl)
        FParentControl->update();
}

void TZDBPopupList::HideList()
{
    // Hidden first, so that hideEvent does not take it for a close from outside.
    FListVisible = false;
    if (!FListRefresh) {
        StopAnimation();
        hide();
    }
    if (FParentControl)
        FParentControl->update();
}

void TZDBPopupList::CloseUp(bool Accept)
{
    if (OnCloseUp)
        OnCloseUp(Accept);
    else
        HideList();
}

void TZDBPopupList::hideEvent(QHideEvent* Event)
{
    TZCustomDBGrid::hideEvent(Event);
    if (!FListVisible || FListRefresh)
        return;
    GuardEvent(this, [this] { CloseUp(false); });
}

bool TZDBPopupList::event(QEvent* Event)
{
    // A scroll area takes the wheel from its viewport only; the one that lands on the list
    // itself (over its frame, or outside it while the popup holds the mouse) goes there too.
    if (Event->type() == QEvent::Wheel && viewport()) {
        const auto* wheel = static_cast<QWheelEvent*>(Event);
        const QPointF center(viewport()->width() / 2.0, viewport()->height() / 2.0);
        QWheelEvent copy(center, viewport()->mapToGlobal(center), wheel->pixelDelta(), wheel->angleDelta(),
                         wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted());
        QCoreApplication::sendEvent(viewport(), &copy);
        Event->setAccepted(copy.isAccepted());
        return true;
    }
    return TZCustomDBGrid::event(Event);
}

void TZDBPopupList::KeyDown(int& Key, TShiftState Shift)
{
    if (TZDBDropDownList* owner = GetParentDropDown()) {
        if (owner->DropDownKeys(Key, Shift)) {
            Key = 0;
            return;
        }
    } else if (FListVisible && (Key == Qt::Key_Return || Key == Qt::Key_Enter || Key == Qt::Key_Escape)) {
        CloseUp(Key != Qt::Key_Escape);
        Key = 0;
        return;
    }
    TZCustomDBGrid::KeyDown(Key, Shift);
}

void TZDBPopupList::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FCheckListBox) {
        const int row = MouseCoord(X, Y).Y;
        SetSelectedRow(row >= FirstDataRow() && row < FirstDataRow() + DataRowCount());
    }
    TZCustomDBGrid::MouseMove(Shift, X, Y);
}

void TZDBPopupList::leaveEvent(QEvent* Event)
{
    TZCustomDBGrid::leaveEvent(Event);
    if (FCheckListBox)
        GuardEvent(this, [this] { SetSelectedRow(false); });
}

void TZDBPopupList::SetCheckListBox(bool Value)
{
    if (FCheckListBox == Value)
        return;
    FCheckListBox = Value;
    SetSelectedRow(!Value);
}

void TZDBPopupList::SetSelectedRow(bool Value)
{
    if (FSelectedRow == Value)
        return;
    FSelectedRow = Value;
    if (!Value) {
        FSelectedColor = GetSelectRowColor();
        SetSelectRowColor(clNone);
    } else {
        SetSelectRowColor(FSelectedColor);
    }
    InvalidateDataRows();
}

void TZDBPopupList::SetFlatButtons(bool Value)
{
    if (FFlatButtons == Value)
        return;
    FFlatButtons = Value;
    UpdateListButtons();
}

void TZDBPopupList::SetFineButtons(bool Value)
{
    if (FFineButtons == Value)
        return;
    FFineButtons = Value;
    UpdateListButtons();
}

void TZDBPopupList::SetDropShadows(bool Value)
{
    if (FDropShadows == Value)
        return;
    FDropShadows = Value;
    setWindowFlag(Qt::NoDropShadowWindowHint, !Value);
}

void TZDBPopupList::UpdateListButtons()
{
    for (TListButton* button : findChildren<TListButton*>()) {
        button->SetFlat(FFlatButtons);
        button->SetFine(FFineButtons);
    }
}

// ---- TZDBPopupListEx ----------------------------------------------------------------

void TZDBPopupListEx::SetSearchField(const QString& Value)
{
    // The search starts over: Space that follows is no search key.
    FSearchField = Value;
    FSearchText.clear();
    FSearchTick = -1;
}

bool TZDBPopupListEx::SearchInProgress() const
{
    return FSearchTick >= 0 && Clock() - FSearchTick <= SearchDelay;
}

void TZDBPopupListEx::KeyPress(QChar& Key)
{
    const QChar typed = Key;
    TZDBPopupList::KeyPress(Key);
    ProcessSearchKey(typed);
}

void TZDBPopupListEx::ProcessSearchKey(QChar Key)
{
    TDataSet* dataSet = DataSet();
    TField* field = dataSet && dataSet->Active() ? dataSet->FindField(FSearchField) : nullptr;
    if (!field || (field->GetFieldKind() != fkData && field->GetFieldKind() != fkInternalCalc) ||
        (field->DataType() != ftString && field->DataType() != ftWideString))
        return;
    if (Key == QChar('\b') || Key == QChar(27)) {
        FSearchText.clear();
        return;
    }
    if (Key.unicode() < 32)
        return;
    const qint64 now = Clock();
    if (!SearchInProgress())
        FSearchText.clear();
    FSearchTick = now;
    if (FSearchText.size() >= MaxSearchLength)
        return;
    const QString text = FSearchText + Key;
    if (dataSet->Locate(field->GetFieldName(), text, TLocateOptions(loCaseInsensitive) | loPartialKey))
        FSearchText = text;
    if (Search() && Search()->GetIncremental() && !ListShowing())
        CalcSize();
}

void TZDBPopupListEx::MouseDown(Qt::MouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == Qt::LeftButton) {
        FSearchText.clear();
        const int row = MouseCoord(X, Y).Y;
        const qint64 now = Clock();
        if (Shift & ssDouble) {
            FDoubleClicked = true;
            FClickTime = -1;
        } else if (row == FClickPosY && FClickTime >= 0 && now - FClickTime <= QApplication::doubleClickInterval()) {
            // Two presses on one row make a double click, wherever on the row they fall.
            FDoubleClicked = true;
            FClickTime = -1;
            TZDBPopupList::MouseDown(Button, Shift | ssDouble, X, Y);
            return;
        } else {
            FDoubleClicked = false;
            FClickTime = now;
        }
        FClickPosY = row;
    }
    TZDBPopupList::MouseDown(Button, Shift, X, Y);
}

// ---- TZDBDropDownList ----------------------------------------------------------------

TZDBDropDownList::TZDBDropDownList(QWidget* AParent) : QWidget(AParent)
{
    hide();
    setFocusPolicy(Qt::StrongFocus);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState State) {
        if (State != Qt::ApplicationActive && ListVisible())
            GuardEvent(this, [this] { CloseUp(false); });
    });
}

TZDBDropDownList::~TZDBDropDownList()
{
    // Freed while open (its owner goes): the list goes without a word to anyone.
    FDestroying = true;
    SetRouting(false);
    if (FPopupList) {
        FPopupList->OnCloseUp = nullptr;
        delete FPopupList.data();
    }
}

void TZDBDropDownList::SetFocus()
{
    if (isVisible() && isEnabled())
        setFocus(Qt::OtherFocusReason);
}

void TZDBDropDownList::Release()
{
    deleteLater();
}

void TZDBDropDownList::SetupPopupList(const TZDBPopupListClass& PopupListClass)
{
    if (ListVisible())
        CloseUp(false);
    delete FPopupList.data();
    if (PopupListClass)
        FPopupList = PopupListClass(this);
}

QRect TZDBDropDownList::OwnerRect() const
{
    return QRect(mapToGlobal(QPoint(0, 0)), size());
}

QPoint TZDBDropDownList::PlaceList(const QRect& Owner, const QSize& ListSize, const QRect& Available,
                                   bool RightToLeft, bool Overlayed)
{
    int x = Owner.left();
    if (RightToLeft)
        x += Owner.width() - ListSize.width();
    if (!Overlayed)
        x += RightToLeft ? -Owner.width() : Owner.width();
    const int below = Owner.top() + Owner.height();
    const int availableBottom = Available.top() + Available.height();
    const int availableRight = Available.left() + Available.width();
    const int y = below + ListSize.height() <= availableBottom ? below
                                                               : std::max(Owner.top() - ListSize.height(), Available.top());
    if (x + ListSize.width() > availableRight)
        x = availableRight - ListSize.width();
    x = std::max(x, Available.left());
    return {x, y};
}

QPoint TZDBDropDownList::DropDownPoint()
{
    const QRect owner = OwnerRect();
    const QSize list = FPopupList ? FPopupList->size() : QSize();
    const bool overlayed = !FPopupList || FPopupList->GetOverlayedList();
    return PlaceList(owner, list, AvailableGeometryAt(owner.center(), this), isRightToLeft(), overlayed);
}

QVariant TZDBDropDownList::GetListValue()
{
    return {};
}

void TZDBDropDownList::UpdateListData(bool /*Refresh*/) {}

void TZDBDropDownList::UpdateListView(bool /*Refresh*/) {}

void TZDBDropDownList::DoCloseUp(bool& Accept)
{
    if (OnCloseUp)
        OnCloseUp(this, Accept);
}

void TZDBDropDownList::DoDropDown()
{
    if (OnDropDown)
        OnDropDown(this);
}

void TZDBDropDownList::DropDown()
{
    if (!FPopupList || ListVisible())
        return;
    FAccept = false;
    UpdateListView(true);
    UpdateListData(true);
    DoDropDown();
    if (!FPopupList)
        return;
    FPopupList->CalcSize();
    const QPoint point = DropDownPoint();
    // The keys go to the list from the widgets that have them now.
    SetRouting(true);
    FPopupList->DropDown(point);
}

void TZDBDropDownList::CloseUp(bool Accept)
{
    if (!ListVisible() || FLockCloseUp || FDestroying)
        return;
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    const bool refreshing = ListRefresh();
    const auto release = qScopeGuard([this, refreshing] {
        if (FFreeOnClose && !refreshing)
            Release();
    });
    FAccept = Accept;
    ListValue = GetListValue();
    if (!refreshing)
        SetRouting(false);
    FPopupList->HideList();
    DoCloseUp(FAccept);
    UpdateListData(false);
    UpdateListView(false);
    if (refreshing)
        return;
    if (hasFocus() && parentWidget() && parentWidget()->focusPolicy() != Qt::NoFocus)
        parentWidget()->setFocus(Qt::OtherFocusReason);
}

void TZDBDropDownList::Refresh(bool Accept)
{
    if (!ListVisible())
        return;
    FPopupList->SetListRefresh(true);
    const QPointer<TZDBPopupList> list = FPopupList;
    const auto done = qScopeGuard([list] {
        if (list)
            list->SetListRefresh(false);
    });
    CloseUp(Accept);
    DropDown();
}

bool TZDBDropDownList::DropDownKeys(int& Key, TShiftState Shift)
{
    const bool alt = Shift & ssAlt;
    if ((alt && (Key == Qt::Key_Up || Key == Qt::Key_Down)) || (Key == Qt::Key_F4 && !alt)) {
        Key = 0;
        if (ListVisible())
            CloseUp(true);
        else
            DropDown();
        return true;
    }
    if (!ListVisible())
        return false;
    switch (Key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (alt)
            return false;
        Key = 0;
        CloseUp(true);
        return true;
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        Key = 0;
        CloseUp(false);
        return true;
    default: return false;
    }
}

void TZDBDropDownList::SetRouting(bool On)
{
    for (const QPointer<QWidget>& widget : FRouted)
        if (widget)
            widget->removeEventFilter(this);
    FRouted.clear();
    if (!On)
        return;
    auto add = [this](QWidget* Widget) {
        if (!Widget || (FPopupList && (Widget == FPopupList || FPopupList->isAncestorOf(Widget))))
            return;
        if (std::find(FRouted.begin(), FRouted.end(), Widget) != FRouted.end())
            return;
        Widget->installEventFilter(this);
        FRouted.emplace_back(Widget);
    };
    // The control the list belongs to (the scroll area when it sits on a
    // viewport) and the widget that has the focus.
    QWidget* parent = parentWidget();
    add(parent);
    if (parent)
        if (auto* area = qobject_cast<QAbstractScrollArea*>(parent->parentWidget()); area && area->viewport() == parent)
            add(area);
    add(QApplication::focusWidget());
}

void TZDBDropDownList::RouteEvent(QEvent* Event)
{
    const QPointer<TZDBPopupList> list = FPopupList;
    if (!list)
        return;
    if (Event->type() == QEvent::Wheel) {
        if (FRoutingWheel)
            return;
        FRoutingWheel = true;
        const auto done = qScopeGuard([this] { FRoutingWheel = false; });
        // The list passes it on to its rows.
        const auto* wheel = static_cast<QWheelEvent*>(Event);
        const QPointF center(list->width() / 2.0, list->height() / 2.0);
        QWheelEvent copy(center, list->mapToGlobal(center), wheel->pixelDelta(), wheel->angleDelta(),
                         wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted());
        QCoreApplication::sendEvent(list, &copy);
        return;
    }
    const auto* key = static_cast<QKeyEvent*>(Event);
    QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(), key->count());
    QCoreApplication::sendEvent(list, &copy);
}

bool TZDBDropDownList::eventFilter(QObject* Watched, QEvent* Event)
{
    if (FDestroying || !ListVisible())
        return QWidget::eventFilter(Watched, Event);
    switch (Event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
        GuardEvent(this, [&] { RouteEvent(Event); });
        return true;
    case QEvent::FocusOut:
        // The list opening takes the focus for itself; a loss to anything but the list closes it.
        if (static_cast<QFocusEvent*>(Event)->reason() != Qt::PopupFocusReason)
            CloseUpLater();
        return false;
    default: return QWidget::eventFilter(Watched, Event);
    }
}

void TZDBDropDownList::keyPressEvent(QKeyEvent* Event)
{
    GuardEvent(this, [&] {
        int key = Event->key();
        if (!DropDownKeys(key, ShiftStateFrom(Event->modifiers())) && ListVisible())
            RouteEvent(Event);
    });
    Event->accept();
}

void TZDBDropDownList::mousePressEvent(QMouseEvent* Event)
{
    if (Event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(Event);
        return;
    }
    GuardEvent(this, [this] {
        SetFocus();
        if (ListVisible())
            CloseUp(false);
        else
            DropDown();
    });
    Event->accept();
}

void TZDBDropDownList::focusOutEvent(QFocusEvent* Event)
{
    QWidget::focusOutEvent(Event);
    if (Event->reason() != Qt::PopupFocusReason)
        CloseUpLater();
}

bool TZDBDropDownList::FocusWithList() const
{
    // A click into the list gives it the focus: the user works in it, nothing was left.
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || (FPopupList && (focus == FPopupList || FPopupList->isAncestorOf(focus))));
}

void TZDBDropDownList::CloseUpLater()
{
    // From the event loop: the focus also leaves a control that is being
    // destroyed, and then this control goes with it before the call runs.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (ListVisible() && !FocusWithList())
                GuardEvent(this, [this] { CloseUp(false); });
        },
        Qt::QueuedConnection);
}

void TZDBDropDownList::wheelEvent(QWheelEvent* Event)
{
    if (!ListVisible()) {
        QWidget::wheelEvent(Event);
        return;
    }
    GuardEvent(this, [&] { RouteEvent(Event); });
    Event->accept();
}

// ---- TZDBGridDropDownList ------------------------------------------------------------

TZDBGridDropDownList::TZDBGridDropDownList(QWidget* AParent, TZColumn* AColumn) : TZDBDropDownList(AParent)
{
    SetupColumn(AColumn);
}

void TZDBGridDropDownList::SetupColumn(TZColumn* AColumn)
{
    FColumn = AColumn;
    FDBGrid = AColumn ? AColumn->Grid() : nullptr;
}

TZColumn* TZDBGridDropDownList::Column() const
{
    // Columns are rebuilt with the layout: the column counts only while its grid still holds it.
    if (!FColumn || !FDBGrid || !FDBGrid->Columns())
        return nullptr;
    const TZDBGridColumns* columns = FDBGrid->Columns();
    for (int i = 0; i < columns->Count(); ++i)
        if (columns->Items(i) == FColumn)
            return FColumn;
    return nullptr;
}

int TZDBGridDropDownList::GetMaxLength(const QStringList& Strings)
{
    qsizetype result = 0;
    for (const QString& s : Strings)
        result = std::max(result, s.size());
    return int(result);
}

void TZDBGridDropDownList::SetupListValue(const QVariant& Value)
{
    WriteListValue(Column(), Value);
}

void TZDBGridDropDownList::WriteListValue(TZColumn* Column, const QVariant& Value)
{
    TZColumn* column = Column;
    TZCustomDBGrid* grid = column ? column->Grid() : nullptr;
    if (!column || !grid || !grid->DataLink()->Active())
        return;
    switch (column->LookupColumn()) {
    case lcLookupField:
    case lcLookupResultField:
    case lcLookupValueField:
        if (!WriteLookupKey(grid->DataSet()->FindField(column->GetKeyField()), grid->DataLink(), Value))
            return;
        break;
    default:
        grid->SetSelectedIndex(column->Index());
        if (!grid->CanEditModify())
            return;
        column->SetEditText(Value.toString());
        break;
    }
    // The cell's pending text is the new value, so that writing it later changes nothing.
    grid->FEditText = column->GetEditText();
    if (grid->GetEditorMode())
        grid->InvalidateEditor();
}

bool TZDBGridDropDownList::WriteLookupKey(TField* Key, TDataLink* Link, const QVariant& Value)
{
    if (!Key || !Key->CanModify() || !Link)
        return false;
    Link->Edit();
    if (!Link->Editing())
        return false;
    // An empty value stores null.
    if (Value.isNull() || (Value.typeId() == QMetaType::QString && Value.toString().isEmpty()))
        Key->SetEditText(QString());
    else
        Key->SetValue(Value);
    return true;
}

// ---- TListButton ------------------------------------------------------------------------

TListButton::TListButton(QWidget* AParent) : QToolButton(AParent) {}

void TListButton::SetFine(bool Value)
{
    if (FFine == Value)
        return;
    FFine = Value;
    update();
}

void TListButton::paintEvent(QPaintEvent* Event)
{
    QToolButton::paintEvent(Event);
    if (!autoRaise() || !FFine)
        return;
    QPainter painter(this);
    qDrawShadeRect(&painter, rect(), palette(), false, 1);
}

} // namespace zdb

#pragma once
// Popup lists: every drop-down of the package stands on two objects.
//
// TZDBPopupList is a complete data grid shown as a borderless top-level popup
// window (Qt::Popup) over a data source of its own, normally on an in-memory
// dataset (TZDBCustomData). TZDBPopupListEx adds type-ahead search on one
// field and double clicks detected from two presses on the same row.
//
// TZDBDropDownList is an invisible control placed over the cell (or the
// control) the list belongs to. It owns one popup list, opens it below that
// rectangle (above it when the screen's bottom is near, always inside the
// available geometry of the screen that holds it), routes the keys and the
// wheel its owner control receives to the list while it is open, and reports
// the outcome: CloseUp(Accept) takes the list's value (GetListValue) into
// ListValue, hides the list, fires OnCloseUp (which may veto) and lets
// UpdateListData(false) apply the value when accepted. TZDBGridDropDownList
// binds it to a grid column and writes the value through the column.
//
// A concrete list derives from both: SetupPopupList with its popup list class,
// UpdateListView(true/false) configures the popup grid before opening and
// after closing, UpdateListData(true) loads the data and positions the list on
// the current value, UpdateListData(false) applies the value (when accepted)
// and releases the data, GetListValue returns the value under the cursor.
// The pick, lookup and check lists of ZDBDataList.h are built this way.
//
// The list closes without accepting when a click lands outside it, when the
// owner control loses the focus, when the application is deactivated and when
// it is freed while open (its owner goes away): nothing is written then.

#include "ZDBCustData.h"
#include "ZDBGrids.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QToolButton>
#include <QVariant>

#include <algorithm>
#include <functional>

class QPropertyAnimation;

namespace zdb {

class TZDBPopupList;
class TZDBDropDownList;
class TZDBGridDropDownList;

// Called by a popup list's Apply.
using TApplyEvent = std::function<void(TZDBPopupList* Sender)>;
// A popup list's close request (normally its drop-down list's CloseUp).
using TCloseUpEvent = std::function<void(bool Accept)>;
// A drop-down list closed; the handler may change the outcome.
using TNotifyCloseUpEvent = std::function<void(TZDBDropDownList* Sender, bool& Accept)>;
// Makes a popup list for an owner (a Qt parent that frees it).
using TZDBPopupListClass = std::function<TZDBPopupList*(QWidget* AOwner)>;

// ---------------------------------------------------------------------------

class TZDBPopupList : public TZCustomDBGrid
{
    Q_OBJECT

public:
    // Hidden, a top-level popup window owned by AOwner, with a data source of
    // its own and an empty context menu.
    explicit TZDBPopupList(QWidget* AOwner = nullptr);
    ~TZDBPopupList() override;

    // Create, CreateControls(AParent), then AOnCloseUp as OnCloseUp.
    template <class T>
    static T* CreateList(QWidget* AOwner, QWidget* AParent, TCloseUpEvent AOnCloseUp)
    {
        T* list = new T(AOwner);
        list->CreateControls(AParent);
        list->OnCloseUp = std::move(AOnCloseUp);
        return list;
    }

    virtual void Apply();
    virtual void Refresh(bool Accept);
    // Remembers the control the list belongs to and turns the 3-D look off.
    virtual void CreateControls(QWidget* AParent);
    // Sizes the list to its rows and columns (AutoCalcSize).
    virtual void CalcSize();
    // OnCloseUp(Accept) when assigned, else HideList.
    virtual void CloseUp(bool Accept);
    // Shows the list at the screen point P, growing row by row with ListAnimation.
    virtual void DropDown(const QPoint& P);
    virtual void HideList();
    virtual void ShowList(const QPoint& P);

    // The data source the list shows.
    TDataSource* ListSource() const { return FListSource.get(); }
    // The control the list belongs to (CreateControls).
    QWidget* ParentControl() const { return FParentControl; }
    TZDBDropDownList* GetParentDropDown() const;
    // The column and grid of the owner when it is a grid drop-down list.
    TZColumn* GetParentColumn() const;
    TZCustomDBGrid* GetParentDBGrid() const;

    bool ListVisible() const { return FListVisible; }
    bool ListShowing() const { return FListShowing; }
    bool ListRefresh() const { return FListRefresh; }
    void SetListRefresh(bool Value) { FListRefresh = Value; }
    bool GetFlatButtons() const { return FFlatButtons; }
    void SetFlatButtons(bool Value);
    bool GetFineButtons() const { return FFineButtons; }
    void SetFineButtons(bool Value);
    bool GetDropShadows() const { return FDropShadows; }
    void SetDropShadows(bool Value);
    // Visible rows; 0: up to MaxDropDownRows.
    int GetDropDownRows() const { return FDropDownRows; }
    void SetDropDownRows(int Value) { FDropDownRows = std::max(Value, 0); }
    // Width limit; 0: up to MaxDropDownWidth.
    int GetDropDownWidth() const { return FDropDownWidth; }
    void SetDropDownWidth(int Value) { FDropDownWidth = std::max(Value, 0); }
    bool GetAutoApplyList() const { return FAutoApplyList; }
    void SetAutoApplyList(bool Value) { FAutoApplyList = Value; }
    // The list is at least as wide as the control it belongs to.
    bool GetListAlignment() const { return FListAlignment; }
    void SetListAlignment(bool Value) { FListAlignment = Value; }
    bool GetListAnimation() const { return FListAnimation; }
    void SetListAnimation(bool Value) { FListAnimation = Value; }
    // False: the list opens beside its control instead of below it.
    bool GetOverlayedList() const { return FOverlayedList; }
    void SetOverlayedList(bool Value) { FOverlayedList = Value; }
    bool GetAutoCalcSize() const { return FAutoCalcSize; }
    void SetAutoCalcSize(bool Value) { FAutoCalcSize = Value; }
    // Check-list mode: the row highlight follows the pointer.
    bool GetCheckListBox() const { return FCheckListBox; }
    void SetCheckListBox(bool Value);
    bool GetSelectedRow() const { return FSelectedRow; }
    void SetSelectedRow(bool Value);
    // Applies FlatButtons and FineButtons to every TListButton inside the list.
    void UpdateListButtons();
    // Whether the list animation may run on this platform.
    static bool AnimationSupported();

    TApplyEvent OnApply;
    TCloseUpEvent OnCloseUp;
    TCloseUpEvent OnRefresh;

protected:
    void KeyDown(int& Key, TShiftState Shift) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void leaveEvent(QEvent* Event) override;
    // A popup hidden by Qt (a click outside it) closes without accepting.
    void hideEvent(QHideEvent* Event) override;
    // The wheel turned anywhere while the list holds the mouse scrolls its rows.
    bool event(QEvent* Event) override;
    // Only a shown list sets its bar: a hidden grid would count its records at once,
    // a shown one counts them later, as a grid does.
    void UpdateScrollBar() override;
    // The height of the client area for Rows data rows.
    int ListHeight(int Rows) const;
    void StopAnimation();

private:
    void InitList();

    std::unique_ptr<TDataSource> FListSource;
    QPointer<QWidget> FParentControl;
    QPointer<QPropertyAnimation> FAnimation;
    bool FListVisible = false;
    bool FListShowing = false;
    bool FListRefresh = false;
    bool FFlatButtons = false;
    bool FFineButtons = false;
    bool FDropShadows = true;
    int FDropDownRows = 0;
    int FDropDownWidth = 0;
    bool FAutoApplyList = false;
    bool FListAlignment = false;
    bool FListAnimation = false;
    bool FOverlayedList = true;
    bool FAutoCalcSize = true;
    bool FCheckListBox = false;
    bool FSelectedRow = true;
    TColor FSelectedColor = clDefault;
};

// A popup list with type-ahead search on SearchField and double clicks made
// of two presses on the same row within the system's double-click time.
class TZDBPopupListEx : public TZDBPopupList
{
    Q_OBJECT

public:
    using TZDBPopupList::TZDBPopupList;

    // A typed character: Backspace or Escape empties the search text; a
    // printable one extends it (a pause of more than SearchDelay ms starts
    // anew) and moves to the first record whose SearchField starts with it,
    // case-insensitively; a text that matches nothing changes nothing.
    virtual void ProcessSearchKey(QChar Key);
    QString GetSearchField() const { return FSearchField; }
    void SetSearchField(const QString& Value);
    QString SearchText() const { return FSearchText; }
    // A search key came within the last SearchDelay ms.
    bool SearchInProgress() const;
    // The last left press completed a double click.
    bool MouseDoubleClick() const { return FDoubleClicked; }

    static constexpr int SearchDelay = 2000;
    static constexpr int MaxSearchLength = 32;

protected:
    void KeyPress(QChar& Key) override;
    void MouseDown(Qt::MouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    int FClickPosY = -1;
    qint64 FClickTime = -1;
    bool FDoubleClicked = false;
    qint64 FSearchTick = -1;
    QString FSearchField;
    QString FSearchText;
};

// ---------------------------------------------------------------------------

class TZDBDropDownList : public QWidget
{
    Q_OBJECT

public:
    // Hidden, a child of AParent; its bounds are the rectangle (of a cell or
    // a control) the list opens against.
    explicit TZDBDropDownList(QWidget* AParent);
    ~TZDBDropDownList() override;

    void SetFocus();
    // Alt+Up, Alt+Down and F4 open the list, or close it accepting; while it
    // is open Enter closes accepting, Escape and Tab without. True when the
    // key was taken.
    virtual bool DropDownKeys(int& Key, TShiftState Shift);
    // Fires OnCloseUp.
    virtual void DoCloseUp(bool& Accept);
    // Fires OnDropDown.
    virtual void DoDropDown();
    // Where the list's top-left corner goes on the screen.
    virtual QPoint DropDownPoint();
    // The value the list points at (the base: none).
    virtual QVariant GetListValue();
    virtual void UpdateListData(bool Refresh);
    virtual void UpdateListView(bool Refresh);
    virtual void CloseUp(bool Accept);
    virtual void DropDown();
    // Closes and opens again in place (visible lists only), without hiding.
    virtual void Refresh(bool Accept);
    // Frees the control from the event loop.
    void Release();
    // Closes a visible list without accepting, frees the popup list and makes
    // one of PopupListClass (none: no list).
    void SetupPopupList(const TZDBPopupListClass& PopupListClass);
    template <class T>
    void SetupPopupList()
    {
        SetupPopupList([this](QWidget* AOwner) -> TZDBPopupList* {
            return TZDBPopupList::CreateList<T>(AOwner, this, [this](bool Accept) { CloseUp(Accept); });
        });
    }

    TZDBPopupList* PopupList() const { return FPopupList; }
    bool ListActive() const { return !FPopupList.isNull(); }
    bool ListVisible() const { return FPopupList && FPopupList->ListVisible(); }
    bool ListRefresh() const { return FPopupList && FPopupList->ListRefresh(); }
    bool GetFreeOnClose() const { return FFreeOnClose; }
    void SetFreeOnClose(bool Value) { FFreeOnClose = Value; }
    bool GetLockCloseUp() const { return FLockCloseUp; }
    void SetLockCloseUp(bool Value) { FLockCloseUp = Value; }
    // The outcome of the last close.
    bool Accepted() const { return FAccept; }
    // The screen rectangle the list opens against (this control's bounds).
    QRect OwnerRect() const;

    // Where a list of ListSize opens against the screen rectangle Owner inside
    // Available: below (above when it does not fit below, never above the
    // top), its left edge on Owner's (its right edge in right-to-left mode;
    // beside Owner when not Overlayed), moved left to fit, never left of the
    // left edge.
    static QPoint PlaceList(const QRect& Owner, const QSize& ListSize, const QRect& Available, bool RightToLeft,
                            bool Overlayed);

    // The value taken from the list at the last close.
    QVariant ListValue;
    TNotifyCloseUpEvent OnCloseUp;
    std::function<void(TZDBDropDownList* Sender)> OnDropDown;

protected:
    // While the list is open: the keys and the wheel of the owner control
    // (and of the widget that had the focus) go to the list; losing the focus
    // closes it.
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    // Sends a copy of a key or wheel event to the popup list.
    void RouteEvent(QEvent* Event);
    // Closes without accepting once the event loop gets there, unless the
    // focus went into the list (or back to this control) meanwhile.
    void CloseUpLater();
    bool FocusWithList() const;

private:
    void SetRouting(bool On);

    QPointer<TZDBPopupList> FPopupList;
    std::vector<QPointer<QWidget>> FRouted;
    bool FFreeOnClose = false;
    bool FLockCloseUp = false;
    bool FAccept = false;
    bool FRoutingWheel = false;
    bool FDestroying = false;
};

// A drop-down list bound to a grid column: the chosen value is written into
// the column (SetupListValue).
class TZDBGridDropDownList : public TZDBDropDownList
{
    Q_OBJECT

public:
    TZDBGridDropDownList(QWidget* AParent, TZColumn* AColumn);

    void SetupColumn(TZColumn* AColumn);
    // The column while it still belongs to its grid; nullptr once it left.
    TZColumn* Column() const;
    TZCustomDBGrid* DBGrid() const { return FDBGrid; }
    // Length of the longest item.
    static int GetMaxLength(const QStringList& Strings);
    // Whether the grid may keep the list once closed and drop it again for the same
    // column (each drop loads and lays it out afresh); otherwise it goes on closing.
    virtual bool GetReusable() const { return false; }
    // The grid's class function that made the list.
    TZDBGridDropDownListClass GetListClass() const { return FListClass; }
    void SetListClass(TZDBGridDropDownListClass Value) { FListClass = Value; }
    // Writes Value: a lookup column's key field receives it, any other column
    // takes its text through SetEditText (with the column's text translation).
    virtual void SetupListValue(const QVariant& Value);
    // Writes Value into Column as SetupListValue does (the editors' stepping and clearing too).
    static void WriteListValue(TZColumn* Column, const QVariant& Value);
    // Key takes a list's key value through Link's edit state (an empty value
    // stores null); false when it cannot be modified.
    static bool WriteLookupKey(TField* Key, TDataLink* Link, const QVariant& Value);

private:
    TZColumn* FColumn = nullptr;
    QPointer<TZCustomDBGrid> FDBGrid;
    TZDBGridDropDownListClass FListClass = nullptr;
};

// The OK and Cancel buttons inside popup lists.
class TListButton : public QToolButton
{
    Q_OBJECT

public:
    explicit TListButton(QWidget* AParent = nullptr);
    bool GetFlat() const { return autoRaise(); }
    void SetFlat(bool Value) { setAutoRaise(Value); }
    // A flat button gets a thin raised frame.
    bool GetFine() const { return FFine; }
    void SetFine(bool Value);

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    bool FFine = false;
};

} // namespace zdb

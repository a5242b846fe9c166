#pragma once
// The user interfaces of the column filters: the drop-down check list of a
// column's distinct values (TZDBGridFilterList over TZDBPopupFilterList) and
// the two-clause filter form (TZDBGridFilterForm). Both collect the values of
// the column into a TZDBFilterData; ticking values fills the column's
// FilterList, confirming the form fills its FilterText.
//
// Items. One item per distinct value, a text of the form
//   [order key, #26, space] display text [#27, space, key text]
// The order key sorts the values by their type (numbers numerically, dates by
// time), the display text is what the column shows ("(Empty)" for nothing),
// the key text the edit text of the column's filter field, which is what
// FilterList holds. Items are sorted ignoring case, and values shown by the same
// display text (ignoring case, as every filter list compares) collapse into one
// item that stands for all of their keys: a city looked up for several customers
// is listed once, and ticking it puts every customer's key into FilterList. Of
// several spellings the one that sorts first by exact comparison is kept, so the
// result does not depend on the order the records come in.
//
// Collecting. A TZSQLQuery answers the distinct values itself (one
// SELECT DISTINCT over its result with its server filter) when the column shows
// a plain data column of the result, or the distinct keys of a looked-up field
// (each key then looked up once); otherwise the dataset is walked once. A
// walk that lasts longer than half a second shows a progress dialog whose
// Cancel (or Escape) stops it and leaves the list empty.

#include "ZDBDropDown.h"
#include "ZDBEditor.h"
#include "ZDBFilter.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace zdb {

class TZMemDataSet;

extern QString SEmptyFilterItem;     // "(Empty)"
extern QString SRemoveFilterCaption; // "Remove filter"
extern QString SSelectFilterCaption; // "Select filter..."
extern QString SAddSelectedCaption;  // "Add selected"
extern QString SSelectAllCaption;    // "Select All"
extern QString SClearAllCaption;     // "Clear All"
extern QString SOKButtonCaption;     // "OK"
extern QString SCancelButtonCaption; // "Cancel"
extern QString SFilterFormCaption;   // "Select filter"
extern QString STitleLabelCaption;   // "Show the rows in which the field %s"
extern QString SHintLabelCaption1;   // "Symbol %s replaces any character"
extern QString SHintLabelCaption2;   // "Symbol %s replaces any text string"
extern QString SRadioButtonCaption1; // "AND"
extern QString SRadioButtonCaption2; // "OR"
extern QString SNOTCheckBoxCaption;  // "Reverse filter conditions"
extern QString SCollectingValues;    // "Collecting the values of %s..."
extern QString SCalendarButtonHint;  // "Show calendar"
extern QString SCalculatorButtonHint; // "Show calculator"

inline constexpr QChar FilterOrderMark = QChar(26);
inline constexpr QChar FilterKeyMark = QChar(27);

// A text that sorts like Value of a field of DataType: integers as offset
// hexadecimal, fractions signed and padded, date-times "yyyymmddhhnnsszzz",
// booleans "0"/"1"; empty for nulls and strings (which sort by display text).
QString GetFilterOrder(const QVariant& Value, TFieldType DataType);
// The item of one value; Checked prefixes the order key with "0" (else "1")
// when checked-first is on (Checked set).
QString MakeFilterItem(QString Order, const QString& Display, const QString& Key, std::optional<bool> Checked);
// The display and key texts of an item.
void SplitFilterItem(const QString& Item, QString& Display, QString& Key);
// Items sorted (by order key, then display text, ignoring case) with equal
// items collapsed.
QStringList SortFilterItems(QStringList Items);

// ---------------------------------------------------------------------------

// A read-only dataset over a list of items: the list field reads the display
// text, the key field the key text; records are read on demand, so a list of
// any length opens at once. Checks are kept per record.
class TZDBFilterData : public TZDBCustomData
{
    Q_OBJECT

public:
    explicit TZDBFilterData(QObject* Parent = nullptr);
    ~TZDBFilterData() override;

    QStringList& List() { return FList; }
    const QStringList& List() const { return FList; }
    QString GetListFieldName() const { return FListFieldName; }
    void SetListFieldName(const QString& Value);
    int GetListFieldSize() const { return FListFieldSize; }
    void SetListFieldSize(int Value);
    QString GetKeyFieldName() const { return FKeyFieldName; }
    void SetKeyFieldName(const QString& Value);
    int GetKeyFieldSize() const { return FKeyFieldSize; }
    void SetKeyFieldSize(int Value);
    // Sizes back to 20, list and checks emptied (while closed).
    void ClearItems();
    // Sets the items (while closed); Keys holds, per item, the keys it stands for
    // when there are several (empty: the item's own key text).
    void SetItems(QStringList Items, std::vector<QStringList> Keys);

    // Checks by record index (0-based); the third field "Checked" reads "1" or "0".
    bool Checked(int Index) const { return Index >= 0 && size_t(Index) < FChecked.size() && FChecked[size_t(Index)]; }
    void SetChecked(int Index, bool Value);
    void CheckAll(bool Value);
    int CheckedCount() const { return FCheckedCount; }
    // The record index of the current record; -1 when none.
    int CurrentIndex() const;
    // The record index that stands for Key (ignoring case); -1 when none.
    int IndexOfKey(const QString& Key) const;
    // The key text of a record, the first of the keys it stands for.
    QString KeyText(int Index) const;
    // Every key a record stands for: all values shown by its display text.
    QStringList Keys(int Index) const;
    // The keys a value (a key or a display text) stands for: every key shown by the
    // same display text (a city shared by several customers); the value itself when
    // the texts shown are the keys, or when it names no record.
    QStringList KeysOf(const QString& Value) const;
    QString DisplayText(int Index) const;

    static constexpr int DefaultFieldSize = 20;

protected:
    void InternalInitFieldDefs() override;
    void InternalOpen() override;
    void DoOnCountRecords(int& Count) override;
    void DoOnGetFieldData(int Index, TField* Field, QVariant& Value) override;
    bool GetRecordFieldData(TRecordBuffer Buffer, TField* Field, QVariant& Value) const override;

private:
    void CheckInactive();

    QStringList FList;
    QString FListFieldName = QStringLiteral("Item");
    QString FKeyFieldName = QStringLiteral("Key");
    int FListFieldSize = DefaultFieldSize;
    int FKeyFieldSize = DefaultFieldSize;
    std::vector<QStringList> FKeys; // per item, when it stands for several keys
    std::vector<char> FChecked;
    int FCheckedCount = 0;
    mutable QHash<QString, int> FKeyIndex; // made on the first key search
    mutable QHash<QString, int> FDisplayIndex; // case-folded display texts, made on the first KeysOf
    mutable bool FKeysDiffer = false; // some display text is not its key
};

// How the items of a column are collected.
struct TZFilterItemsOptions
{
    bool CheckedFirst = false;
    // The grid's column filters switched off while collecting.
    bool LoadAllItems = false;
    // Whether a key text counts as chosen (checked-first).
    std::function<bool(const QString& Key)> IsChosen;
    // Whether the server may answer (false: always walk; for comparisons).
    bool ServerValues = true;
    // Shows progress after this many milliseconds; negative: never.
    int ProgressDelay = 500;
};

// Fills Data's list (closed) with the items of Column's values; false when the
// user cancelled the walk (the list is empty then). Nothing is collected for
// a column without a grid, a field or an open dataset, or for a binary field.
bool LoadFilterItems(TZColumn* Column, TZDBFilterData* Data, const TZFilterItemsOptions& Options);

// ---------------------------------------------------------------------------

// The popup check list of a filter list: command lines over the check column
// and the value column, and, without auto-apply, OK and Cancel.
class TZDBPopupFilterList : public TZDBPopupListEx
{
    Q_OBJECT

public:
    explicit TZDBPopupFilterList(QWidget* AOwner = nullptr);
    ~TZDBPopupFilterList() override;

    TZDBFilterData* FilterData() const { return FData.get(); }
    bool GetRemoveFilter() const { return FRemoveFilter; }
    void SetRemoveFilter(bool Value);
    bool GetSelectFilter() const { return FSelectFilter; }
    void SetSelectFilter(bool Value);
    bool GetAddSelected() const { return FAddSelected; }
    void SetAddSelected(bool Value);
    bool GetLoadAllItems() const { return FLoadAllItems; }
    void SetLoadAllItems(bool Value) { FLoadAllItems = Value; }
    bool GetCheckedFirst() const { return FCheckedFirst; }
    void SetCheckedFirst(bool Value) { FCheckedFirst = Value; }
    bool GetCopyKeyField() const { return FCopyKeyField; }
    void SetCopyKeyField(bool Value) { FCopyKeyField = Value; }
    // Auto-apply hides OK and Cancel.
    void SetAutoApply(bool Value);

    // Ticks or unticks the current record (the ticks changed: SelectedRowsChanged).
    void ToggleCurrent();
    // All ticked when none is, else none.
    void ToggleAll();
    // Ticks the rows whose keys are the clipboard's lines (each cut at its first tab).
    void PasteFromClipboard();
    // The ticked rows as lines: [key, tab,] text.
    void DoCopyToClipboard();
    // The ticks changed outside the popup: shown again, applied with auto-apply.
    void RefreshTicks() { TicksChanged(); }
    // Rebuilds the columns for the command lines shown and the data's fields.
    void UpdateColumns();
    void CalcSize() override;

    TZColumn* CheckColumn() const;
    TZColumn* ValueColumn() const;
    QAbstractButton* OKButton() const;
    QAbstractButton* CancelButton() const;

    std::function<void(TZDBPopupFilterList* Sender)> OnAddSelected;
    std::function<void(TZDBPopupFilterList* Sender)> OnRemoveFilter;
    std::function<void(TZDBPopupFilterList* Sender)> OnSelectFilter;

protected:
    virtual void DoAddSelected();
    virtual void DoRemoveFilter();
    virtual void DoSelectFilter();
    void TitleClick(TZColumn* Column) override;
    void CellClick(TZColumn* Column) override;
    // A header band over the columns is a command line.
    void HeaderClick(TZColumn* Column, int Band) override;
    void KeyDown(int& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    // The ticks changed: applied at once with auto-apply.
    virtual void TicksChanged();
    void resizeEvent(QResizeEvent* Event) override;

private:
    void PlaceButtons();

    std::unique_ptr<TZDBFilterData> FData;
    QPointer<TListButton> FOK;
    QPointer<TListButton> FCancel;
    bool FRemoveFilter = false;
    bool FSelectFilter = false;
    bool FAddSelected = false;
    bool FLoadAllItems = false;
    bool FCheckedFirst = false;
    bool FCopyKeyField = false;
    int FApplyLock = 0;
    std::vector<int> FCommands; // the command of each header band
};

// The filter list of one column of one grid.
class TZDBGridFilterList : public TZDBGridDropDownList
{
    Q_OBJECT

public:
    TZDBGridFilterList(QWidget* AParent, TZColumn* AColumn);
    ~TZDBGridFilterList() override;

    TZDBPopupFilterList* FilterPopup() const;
    TZDBFilterData* FilterData() const;

    virtual void ApplyFilterList();
    virtual void ClearFilterText();
    virtual bool LoadFilterData();
    virtual void LoadFilterList();
    virtual void LoadSelectList();
    virtual void SaveFilterList();
    virtual void ShowFilterForm();
    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;
    void DoDropDown() override;
    void DoCloseUp(bool& Accept) override;
};

// ---------------------------------------------------------------------------

// A stand-alone editor of no field choosing among keys shown by their texts
// (a pick list of the keys with the texts as pick texts): the clause lists, and
// the base of the value lists. Its text is what it shows; a shown text stands
// for its key.
class TZFilterListEditor : public TZDBEditor
{
    Q_OBJECT

public:
    explicit TZFilterListEditor(QWidget* Parent);

    // The keys offered, shown by Texts when those differ from them; keeps the text.
    void SetItems(const QStringList& Keys, const QStringList& Texts);
    // The key of a listed text, else the text as typed.
    QString Value() const;
    // Shows Value (a key as its text).
    void SetValue(const QString& Value);
    // The pick list, or, while Style is not ebsAuto, the calendar or the
    // calculator (the style goes back to ebsAuto when that list closes or
    // cannot open); keeps the text.
    void DropDownStyle(TEditorButtonStyle Style);
    // Completion from the pick list while typing (off for patterns).
    void SetAutoComplete(bool Value);
    // Several values, separated by the delimiter (DelimiterChar), ticked in a check
    // list; needs the editor bound to a string field of its own.
    void SetMultiSelect(bool Value);

    // The text changed, typed or chosen.
    std::function<void(TZFilterListEditor* Sender)> OnChange;

protected:
    // The typed text reaches the field first, so that the check list ticks it.
    void DropDown() override;
    // Without a field the text itself takes a chosen value.
    bool CanModifyValue() override;
    void ValueWritten() override;
    void ListCloseUp(TZDBDropDownList* Sender, bool& Accept) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

private:
    // Sets the button style, keeping the text (a change of the settings shows the field again).
    void KeepTextSetStyle(TEditorButtonStyle Style);
    // Switches a list option, keeping the text.
    void SetListOption(TZListOption Option, bool Value);
    // Writes Value (keys) into the editor's field, if it has one, keeping the text.
    void WriteField(const QString& Value);

    bool FKeeping = false; // the text is being kept: no change reported
};

// The editor of a clause's value (bound to a string field of the form's, so
// that a list clause can tick several values): its pick list holds the column's distinct
// values (their key texts, shown by their display texts when those differ; a
// display text shared by several keys is one item, and the form's clause
// covers all of its keys).
class TZFilterValueEditor : public TZFilterListEditor
{
    Q_OBJECT

public:
    TZFilterValueEditor(QWidget* Parent, const TZDBFilterData* Data);
};

// The modal filter form of one column.
class TZDBGridFilterForm : public QDialog
{
    Q_OBJECT

public:
    TZDBGridFilterForm(QWidget* Owner, TZColumn* Column);
    ~TZDBGridFilterForm() override;

    TZColumn* Column() const;
    TZCustomDBGrid* Grid() const { return FGrid; }
    TZDBFilterData* FilterData() const { return FData.get(); }

    // The controls' state, and setting it.
    TZFilterFormState FormState() const;
    void SetFormState(const TZFilterFormState& State);
    // The clause ordinals a clause list offers, in order.
    QList<int> OfferedClauses() const;
    // Builds the column's expression from the controls; false (with the error
    // shown) when it is refused, leaving every control as it was.
    virtual bool SaveFilterForm();

    // Drop-down only pick lists of the offered clauses: key the ordinal, shown by its caption.
    TZFilterListEditor* ClauseList1 = nullptr;
    TZFilterListEditor* ClauseList2 = nullptr;
    TZFilterValueEditor* ValuesList1 = nullptr;
    TZFilterValueEditor* ValuesList2 = nullptr;
    // Drop-down only tree lookup over the period data (key the period's id,
    // shown by its caption); shown for date and time fields.
    TZDBEditor* PeriodList = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QCheckBox* NOTCheckBox = nullptr;
    QLabel* TitleLabel = nullptr;
    QLabel* HintLabel1 = nullptr;
    QLabel* HintLabel2 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    // The calendar or calculator button beside each value list.
    QToolButton* ListButton1 = nullptr;
    QToolButton* ListButton2 = nullptr;

    // ebsCalculator for a number, ebsCalendar for a column with a calendar,
    // else ebsAuto (no list buttons).
    virtual TEditorButtonStyle GetListButtonStyle() const;
    // Shows the list buttons (glyph and hint) for GetListButtonStyle, or hides them.
    void UpdateListButtons();
    // Rows of all five lists; width of the two value lists.
    void SetDropDownRows(int Value);
    void SetDropDownWidth(int Value);
    // The period chosen (its id as text, "0" for none), and choosing one as the
    // period list does (the clauses take its range).
    QString PeriodKey() const;
    void SetPeriodKey(const QString& Key);
    // The periods offered: Id, ParentId, Caption (and the tree's row fields).
    TZMemDataSet* PeriodData() const { return FPeriodData.get(); }
    // The key texts a value stands for: every key shown by the same display text
    // as it (a city shared by several customers); the value itself otherwise.
    QStringList KeysOf(const QString& Value) const;

    // Where the error of a refused expression goes (default: a message box).
    std::function<void(const QString& Message)> OnError;

public slots:
    void accept() override;

protected:
    virtual void CreateControls();
    virtual void LoadFilterForm();
    virtual void ListChanged(QWidget* Sender);
    virtual void ListButtonClick(TZFilterListEditor* Editor);
    virtual void PeriodChanged();
    virtual void UpdatePosition();
    void showEvent(QShowEvent* Event) override;

private:
    void FillClauses(TZFilterListEditor* List);
    static void SelectKey(TZFilterListEditor* List, const QString& Key);
    void CreatePeriodList(QWidget* Panel, TFieldType Type);
    void BindValueList(TZFilterValueEditor* Values, std::unique_ptr<TZMemDataSet>& Data,
                       std::unique_ptr<TDataSource>& Source);
    void LoadPeriodData(TFieldType Type);
    // Writes the period key without filling the clauses.
    void WritePeriodKey(const QString& Key);

    TZColumn* FColumn;
    QPointer<TZCustomDBGrid> FGrid;
    std::unique_ptr<TZDBFilterData> FData;
    // The period list's record (one field, PeriodList) and the periods it looks up.
    std::unique_ptr<TZMemDataSet> FFormData;
    std::unique_ptr<TZMemDataSet> FPeriodData;
    std::unique_ptr<TDataSource> FFormSource;
    // The records of the two value lists, one each: a write to one does not show the other again.
    std::unique_ptr<TZMemDataSet> FValuesData1;
    std::unique_ptr<TZMemDataSet> FValuesData2;
    std::unique_ptr<TDataSource> FValuesSource1;
    std::unique_ptr<TDataSource> FValuesSource2;
    int FPeriodWriting = 0; // the period's own writes do not reset it
    int FPeriodSetting = 0; // the period key is written without its range
};

} // namespace zdb

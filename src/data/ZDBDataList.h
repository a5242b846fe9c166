#pragma once
// Pick, lookup and check lists: the concrete drop-downs that choose a grid
// column's value from a list.
//
// TZDBPopupDataList is the popup grid they show: column 0 is a check column
// (visible only in multi-select mode), columns 1 and up are the list fields;
// OK and Cancel buttons sit in its footer row unless AutoApplyList is on. Its
// layout reads and writes as texts (ListFields, ListTitles, ListWidths,
// TreeViewField) so that a column can keep what the user left.
//
// TZDBGridDataList is the lookup list over the column's LookupDataSet keyed by
// LookupKeyField. It shows that dataset itself: a TZSQLQuery keeps reading its
// rows on demand and answers the type-ahead's Locate on the server, so nothing
// is copied. TZDBGridPickList shows the column's PickList (values) and pick
// texts through TZDBPickListData. In multi-select mode both are check lists:
// the checked keys are stored in the column's string field, joined by the
// column's delimiter (TZDBCheckList).

#include "ZDBDropDown.h"

#include <QScopeGuard>
#include <QStringList>

#include <exception>

#include <memory>

namespace zdb {

// Captions of the check lists (changeable at run time).
extern QString SSelectAllCaption;
extern QString SClearAllCaption;
extern QString SOKButtonCaption;
extern QString SCancelButtonCaption;

// A list of strings read from and written to one delimited text: strict
// delimiting (no quoting, no trimming) at Delimiter, or by lines. A non-empty
// DelimiterText stands for the delimiter character in the text. A sorted list
// keeps its items in case-insensitive order without duplicates.
class TZDBCheckList
{
public:
    // The items joined by CR LF (Line) or by the delimiter; with MaxLength > 0 a
    // longer text is cut after the last whole item that fits (empty when none does).
    QString GetDelimitedText(bool Line, int MaxLength) const;
    void SetDelimitedText(bool Line, const QString& Text);

    const QStringList& Items() const { return FItems; }
    void SetItems(const QStringList& Value);
    int Count() const { return int(FItems.size()); }
    void Clear() { FItems.clear(); }
    void Add(const QString& Item);
    bool Contains(const QString& Item) const;
    bool GetSorted() const { return FSorted; }
    void SetSorted(bool Value);
    QChar GetDelimiter() const { return FDelimiter; }
    void SetDelimiter(QChar Value) { FDelimiter = Value; }
    QString GetDelimiterText() const { return FDelimiterText; }
    void SetDelimiterText(const QString& Value) { FDelimiterText = Value; }

private:
    QStringList FItems;
    bool FSorted = false;
    QChar FDelimiter = QLatin1Char(',');
    QString FDelimiterText;
};

// A read-only dataset over two string lists it does not own: the text field
// (ListFieldName, "Item") shows ListInstance[i], the value field (KeyFieldName,
// "Key") KeyInstance[i]. The record count is the text list's, lowered to the
// value list's when that one is set and shorter.
class TZDBPickListData : public TZDBCustomData
{
    Q_OBJECT

public:
    explicit TZDBPickListData(QObject* Parent = nullptr);
    ~TZDBPickListData() override;

    const QStringList* GetListInstance() const { return FListInstance; }
    void SetListInstance(const QStringList* Value);
    QString GetListFieldName() const { return FListFieldName; }
    void SetListFieldName(const QString& Value);
    int GetListFieldSize() const { return FListFieldSize; }
    void SetListFieldSize(int Value);
    const QStringList* GetKeyInstance() const { return FKeyInstance; }
    void SetKeyInstance(const QStringList* Value);
    QString GetKeyFieldName() const { return FKeyFieldName; }
    void SetKeyFieldName(const QString& Value);
    int GetKeyFieldSize() const { return FKeyFieldSize; }
    void SetKeyFieldSize(int Value);

protected:
    void InternalInitFieldDefs() override;
    void DoOnCountRecords(int& Count) override;
    void DoOnGetFieldData(int Index, TField* Field, QVariant& Value) override;

private:
    void InitFieldDefsFromList();

    const QStringList* FListInstance = nullptr;
    QString FListFieldName = QStringLiteral("Item");
    int FListFieldSize = 20;
    const QStringList* FKeyInstance = nullptr;
    QString FKeyFieldName = QStringLiteral("Key");
    int FKeyFieldSize = 20;
};

// A walk over a list's records: controls disabled, the cursor back where it
// was when the walk ends.
class TZListPlaceGuard
{
public:
    explicit TZListPlaceGuard(TDataSet* DataSet) : FDataSet(DataSet), FPlace(DataSet->Bookmark())
    {
        FDataSet->DisableControls();
    }
    // While an exception unwinds the cursor stays where it is.
    ~TZListPlaceGuard() noexcept(false)
    {
        const auto enable = qScopeGuard([this] { FDataSet->EnableControls(); });
        if (!FPlace.isEmpty() && std::uncaught_exceptions() == FUncaught && FDataSet->BookmarkValid(FPlace))
            FDataSet->GotoBookmark(FPlace);
    }
    TZListPlaceGuard(const TZListPlaceGuard&) = delete;
    TZListPlaceGuard& operator=(const TZListPlaceGuard&) = delete;

private:
    TDataSet* FDataSet;
    TBookmark FPlace;
    int FUncaught = std::uncaught_exceptions();
};

// ---------------------------------------------------------------------------

class TZDBPopupDataList : public TZDBPopupListEx
{
    Q_OBJECT

public:
    explicit TZDBPopupDataList(QWidget* AOwner = nullptr);
    ~TZDBPopupDataList() override;

    void CreateControls(QWidget* AParent) override;
    void CalcSize() override;

    // The field names of the data columns joined by ";"; writing rebuilds them.
    QString GetListFields() const;
    void SetListFields(const QString& Value);
    QString GetListTitles() const;
    void SetListTitles(const QString& Value);
    QString GetListWidths() const;
    void SetListWidths(const QString& Value);
    // "field;image margin;expand-box size;themed" of the tree column.
    QString GetTreeViewField() const;
    void SetTreeViewField(const QString& Value);
    // The KeyFields value(s) of the current record; writing locates them.
    QVariant GetKeyValue() const;
    void SetKeyValue(const QVariant& Value);
    bool GetMultiSelectList() const;
    void SetMultiSelectList(bool Value);
    // On: the buttons are hidden and every change of the checks applies at once.
    void SetAutoApplyList(bool Value);
    // Appends ";" to a non-empty text that does not end with one.
    static void CheckValue(QString& S);

    TListButton* OKButton() const { return FOKButton; }
    TListButton* CancelButton() const { return FCancelButton; }
    // The check column (data column 0).
    TZColumn* CheckColumn() const;
    // Checks every row when none is checked, else clears them all.
    void ToggleAllRows();
    // Whether the current record is checked.
    bool RowChecked() const { return IsRowSelected(); }

    // The width of the check column at 96 DPI, and the text margin.
    static constexpr int CheckColumnWidth = 22;
    static constexpr int TextMargin = 5;

protected:
    void ButtonClick(QObject* Sender);
    void ColWidthsChanged() override;
    void KeyPress(QChar& Key) override;
    void MouseUp(Qt::MouseButton Button, TShiftState Shift, int X, int Y) override;
    void RowExpand(bool Expanded) override;
    void SelectedRowsChanged() override;
    void TitleClick(TZColumn* Column) override;
    void DrawColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState) override;
    // The check column's title shows a check box: clear while no row is checked.
    void DrawTitleCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    void AddCheckColumn();
    // The width the current record's text takes in Column, with its image or tree indentation.
    int CellWidth(TZColumn* Column);
    void PlaceButtons();
    void UpdateButtons();
    // Whether the list shows anything but the single "Item" field.
    bool OwnListFields() const;

    TListButton* FOKButton = nullptr;
    TListButton* FCancelButton = nullptr;
};

// ---------------------------------------------------------------------------

// The lookup list of a grid column.
class TZDBGridDataList : public TZDBGridDropDownList
{
    Q_OBJECT

public:
    TZDBGridDataList(QWidget* AParent, TZColumn* AColumn);
    ~TZDBGridDataList() override;
    // The grid's class for lookup columns.
    static TZDBGridDropDownList* CreateList(QWidget* AParent, TZColumn* AColumn);

    TZDBPopupDataList* DataPopup() const;
    const TZDBCheckList& CheckList() const { return FCheckList; }
    // The column whose list settings the list shows (Column; a stand-alone
    // editor's list gives the editor's settings).
    virtual TZColumn* ListColumn() const { return Column(); }
    // The dataset whose key field receives the chosen key (the grid's; an editor's own).
    virtual TDataSet* KeyDataSet() const;

    // The field's text the check list starts from.
    virtual QString GetFieldText();
    virtual void ApplyCheckList();
    virtual void InitCheckList();
    virtual void LoadCheckList();
    virtual void SaveCheckList();
    virtual void SetupCheckList();

    QVariant GetListValue() override;
    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;
    bool GetReusable() const override { return true; }

protected:
    // The settings every list takes from the grid and the column.
    void CopyGridView(TZDBPopupDataList* Popup, TZColumn* Column);
    // The popup shows DataSet.
    void ShowDataSet(TZDBPopupDataList* Popup, TDataSet* DataSet);
    // Search and selection mode; multi-select loads the check list.
    void OpenCheckOrLocate(TZDBPopupDataList* Popup, TZColumn* Column, const std::function<void()>& Locate);
    void CloseCheckOrApply(TZDBPopupDataList* Popup);
    // With loShowImages, ListColumn draws Column's images (through the grid's image-index event).
    void ShowImages(TZDBPopupDataList* Popup, TZColumn* Column, TZColumn* ListColumn);

    TZDBCheckList FCheckList;
    bool FActive = false;
};

// The pick list of a grid column: its PickList values shown by their pick texts.
class TZDBGridPickList : public TZDBGridDataList
{
    Q_OBJECT

public:
    TZDBGridPickList(QWidget* AParent, TZColumn* AColumn);
    ~TZDBGridPickList() override;
    // The grid's class for pick-list columns.
    static TZDBGridDropDownList* CreateList(QWidget* AParent, TZColumn* AColumn);

    TZDBPickListData* ListData() const { return FListData.get(); }
    // The column whose pick settings the list shows (Column; a stand-alone
    // editor's list gives the editor's settings).
    virtual TZColumn* PickColumn() const { return Column(); }
    void InitCheckList() override;
    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;

private:
    std::unique_ptr<TZDBPickListData> FListData;
    QStringList FTexts;
    QStringList FValues;
};

} // namespace zdb

// The calendar and the calculator of this unit.
#include "ZDBDataListPopups.h"

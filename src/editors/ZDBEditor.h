#pragma once
// The editors: one chain of classes shares the edit box, its button, its left
// image, the drop-down list slot, auto-complete and value stepping between the
// grid's in-place cell editor and the stand-alone data-aware editors of a form.
//
//   TZDBInplaceEdit     the grid base's in-place edit, also working without a grid
//   TZDBInplaceEditor   + a button at the right (ellipsis, drop-down arrow, menu
//                       arrow; hot and pressed), an image at the left, a list slot
//   TZDBGridEditor      + a grid and one of its columns: editor style, list class,
//                       auto-complete, value stepping, clearing and applying list
//                       values; the in-place editor of TZCustomDBGrid
//   TZDBDataEditor      + a field data link (DataSource, DataField) and text events
//   TZDBLabeledEditor   + a caption label placed beside it
//   TZDBColumn          follows a column of a grid (DBGrid, DataColumn)
//   TZDBCustomEditor    carries its own column-like settings (pick list, button
//                       style, list options); TZDBEditor is its published form
//
// A grid editor asks its grid for the column's style and list class and opens
// the grid's list of the column; a stand-alone editor writes through the same
// text rules (the grid column's, or its own pick settings kept in a column of
// its own that belongs to no grid).

#include "Grids.h"
#include "ZDBCtrls.h"
#include "ZDBDataList.h"
#include "ZDBGrids.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPointer>

#include <functional>
#include <memory>


namespace zdb {

class TZDBCustomEditor;
class TZDBEditorLabel;

// Registered with the meta-object system so that the editors' properties
// read and write them by key names; the inline namespace keeps their names in zdb.
inline namespace EditorTypes {
Q_NAMESPACE
enum TEditorButtonStyle { ebsAuto, ebsEllipsis, ebsNone, ebsDropDown, ebsDropDownMenu, ebsCalendar, ebsCalculator };
Q_ENUM_NS(TEditorButtonStyle)
enum TLabelPosition { lpAbove, lpBelow, lpLeft, lpRight };
Q_ENUM_NS(TLabelPosition)
} // namespace EditorTypes

// Text read from the field (DisplayText: shown, not edited); the handler may change it.
using TEditorGetTextEvent = std::function<void(QObject* Sender, QString& Text, bool DisplayText)>;
// Text about to be written into the field; the handler may change it.
using TEditorSetTextEvent = std::function<void(QObject* Sender, QString& Text)>;
using TEditorListCloseUpEvent =
    std::function<void(QObject* Sender, TZDBDropDownList* List, QVariant& Value, bool& Accept)>;
using TEditorListDropDownEvent = std::function<void(QObject* Sender, TZDBDropDownList* List)>;

// Milliseconds after which auto-complete starts a new prefix.
constexpr int AutoCompleteDelay = 2000;

// Index of the item equal to Text but for case; -1 for none.
int PickItemIndex(const QStringList& Items, const QString& Text);
// A text alignment as Qt's flags, vertically centred.
Qt::Alignment AlignmentFlags(TAlignment Value);
// Whether a lookup column of Kind writes a chosen value into its key field.
inline bool StoresLookupKey(TZLookupColumn Kind)
{
    return Kind == lcLookupField || Kind == lcLookupResultField || Kind == lcLookupValueField;
}

// ---------------------------------------------------------------------------

class TZDBInplaceEdit : public TInplaceEdit
{
    Q_OBJECT

public:
    // The in-place editor of AGrid (on its viewport), or, without a grid, an
    // edit box of its own on AParent.
    TZDBInplaceEdit(QWidget* AParent, TCustomGrid* AGrid);
    bool InGrid() const { return FGrid != nullptr; }

protected:
    // Without a grid, Tab, Escape and Enter are never typed into the text.
    void KeyPress(QChar& Key) override;
};

class TZDBInplaceEditor : public TZDBInplaceEdit
{
    Q_OBJECT
    Q_PROPERTY(bool AutoSelect READ GetAutoSelect WRITE SetAutoSelect)
    Q_PROPERTY(bool DropDownOnly READ GetDropDownOnly WRITE SetDropDownOnly)
    Q_PROPERTY(QMenu* DropDownMenu READ DropDownMenu WRITE SetDropDownMenu)
    Q_PROPERTY(int ImageMargin READ GetImageMargin WRITE SetImageMargin)
    Q_PROPERTY(QObject* Images READ GetImages WRITE SetImages)

public:
    TZDBInplaceEditor(QWidget* AParent, TCustomGrid* AGrid);
    ~TZDBInplaceEditor() override;

    // Alt+Up/Down, F2 and Ctrl+Enter open the list or close it accepting; while
    // it is open Enter accepts, Escape cancels and Tab closes without accepting.
    virtual void DropDownKeys(int& Key, TShiftState Shift);
    virtual void CloseUp(bool Accept);
    virtual void DropDown();
    // The menu of a menu button, else OnEditButtonClick.
    virtual void EditButtonClick();
    virtual TEditorStyle GetEditorStyle() const { return FEditorStyle; }
    virtual void ListCloseUp(TZDBDropDownList* Sender, bool& Accept);
    virtual void ListDropDown(TZDBDropDownList* Sender);
    virtual void DrawImage(QPainter& Canvas, const QRect& Rect);
    // Screen point the drop-down menu pops up at: below the edit box.
    virtual QPoint DropDownPoint();
    virtual QMenu* GetDropDownMenu() const { return FDropDownMenu; }
    virtual int GetImageIndex() const { return FImageIndex; }
    // Pops the drop-down menu up; false when there is none.
    virtual bool ShowDropDownMenu();

    // Client rectangles of the button (empty when none) and of the left image,
    // inside the frame (InnerRect).
    QRect InnerRect() const;
    QRect ButtonRect() const;
    QRect ButtonDrawRect() const;
    QRect ImageRect() const;
    bool OverButton(const QPoint& P) const;
    // The button is drawn pressed while a tracked press stays over it.
    void TrackButton(int X, int Y);
    void StopTracking();
    void InvalidateButton();
    // Text margins for the button and the image.
    void BoundsChanged() override;
    void SelectAll() { selectAll(); }

    bool ButtonVisible() const;
    bool ListVisible() const;
    TEditorStyle EditorStyle() const { return GetEditorStyle(); }
    void SetEditorStyle(TEditorStyle Value);
    TZDBDropDownList* ActiveList() const { return FActiveList; }
    QMenu* DropDownMenu() const { return GetDropDownMenu(); }
    void SetDropDownMenu(QMenu* Value) { FDropDownMenu = Value; }
    int ImageIndex() const { return GetImageIndex(); }
    void SetImageIndex(int Value);
    // An image list (TZQImageList) whose ImageIndex shows at the left.
    QObject* GetImages() const { return FImages; }
    void SetImages(QObject* Value);
    int GetImageMargin() const { return FImageMargin; }
    void SetImageMargin(int Value);
    bool GetShowImage() const { return FShowImage; }
    void SetShowImage(bool Value);
    // The text cannot be typed, only chosen.
    bool GetDropDownOnly() const { return FDropDownOnly; }
    virtual void SetDropDownOnly(bool Value);
    bool GetAutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    bool GetFlatButton() const { return FFlatButton; }
    void SetFlatButton(bool Value);
    int ButtonWidth() const;
    bool ButtonPressed() const { return FButtonPressed; }
    bool MouseInButton() const { return FMouseInButton; }

    std::function<void(QObject* Sender)> OnEditButtonClick;

protected:
    // Whether the button of the current style has something to open.
    virtual bool HasList() const { return false; }
    void SetActiveList(TZDBDropDownList* List) { FActiveList = List; }
    void PaintButton(QPainter& Canvas);
    void PaintImage(QPainter& Canvas);

    void KeyDown(int& Key, TShiftState Shift) override;
    bool event(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;

    TEditorStyle FEditorStyle = edsSimple;
    int FTopRowSpace = 0;
    bool FFlatButton = false;
    bool FButtonPressed = false;
    bool FMouseTracking = false;
    bool FMouseInButton = false;
    QPointer<TZDBDropDownList> FActiveList;
    QPointer<QMenu> FDropDownMenu;
    bool FDropDownOnly = false;
    bool FAutoSelect = true;
    bool FShowImage = true;
    int FImageMargin = 0;
    QPointer<QObject> FImages;
    int FImageIndex = -1;
    QElapsedTimer FClosedAt; // when the last list closed: the press that closed it opens nothing
};

class TZDBGridEditor : public TZDBInplaceEditor
{
    Q_OBJECT

public:
    // The in-place editor of AGrid.
    explicit TZDBGridEditor(TZCustomDBGrid* AGrid);
    // A stand-alone editor on AParent (its grid, if any, is set later).
    explicit TZDBGridEditor(QWidget* AParent);
    ~TZDBGridEditor() override;

    // With the whole non-empty text selected, a pick column that only takes
    // list values or a column storing a lookup key is cleared; true when done.
    virtual bool ClearListValue();
    // Shows the first list item that starts with Text, the part after Text
    // selected; false when none does.
    virtual bool SelectListItem(const QString& Text);
    // The next (Forward) or previous item of the pick list or the lookup
    // dataset, by a page of DropDownRows with Page; false when there is none.
    virtual bool SelectNextItem(bool Forward, bool Page);
    // Writes a value chosen from a list: a lookup key into the key field, a
    // pick value through the column (Flag: through the editor's text).
    virtual void SetupListValue(const QVariant& Value, bool Flag);
    // Client rectangle the list opens against.
    virtual QRect DropDownRect();
    // The column edited: the grid's selected column inside a grid.
    virtual TZColumn* GetColumn() const;
    virtual TZDBGridDropDownListClass GetEditorListClass() const;
    // The edited value changed outside the editor.
    virtual void DataChanged();
    virtual void UpdateEditorColor();
    // Auto-complete of a typed character (consumed when it completed an item).
    void ProcessAutoComplete(QChar& Key);
    // The character that started the editor completes an item too.
    void TypeChar(QChar Ch) override;

    TZColumn* Column() const { return GetColumn(); }
    TZCustomDBGrid* DBGrid() const { return FDBGrid; }
    TZDBDropDownList* DropDownList() const { return FDropDownList; }

    TEditorStyle GetEditorStyle() const override;
    void UpdateContents() override;
    void DropDown() override;
    void CloseUp(bool Accept) override;
    void EditButtonClick() override;
    void ListCloseUp(TZDBDropDownList* Sender, bool& Accept) override;
    void ListDropDown(TZDBDropDownList* Sender) override;
    QMenu* GetDropDownMenu() const override;

    bool GetAutoComplete() const { return FAutoComplete; }
    bool GetAutoDropDown() const { return FAutoDropDown; }
    bool GetAutoCloseEditor() const { return FAutoCloseEditor; }
    bool GetSelectNextValue() const { return FSelectNextValue; }
    bool GetAllowClearValue() const { return FAllowClearValue; }
    // Closing with accept posts no Enter while locked.
    bool GetLockCloseEditor() const { return FLockCloseEditor; }
    void SetLockCloseEditor(bool Value) { FLockCloseEditor = Value; }

protected:
    bool HasList() const override;
    // Makes the list of a stand-alone editor (the grid column's list class).
    virtual TZDBDropDownList* CreateDropDownList();
    // Puts the edited record into edit state; false when the value cannot change.
    virtual bool CanModifyValue();
    // The value written by SetupListValue, SelectNextItem or ClearListValue is shown again.
    virtual void ValueWritten();
    // The lookup settings the list keys are read from (the column's).
    virtual TZColumn* ListColumn() const { return GetColumn(); }
    // The kind of lookup those settings make.
    virtual TZLookupColumn ListLookupKind() const;
    // The lookup key the value holds now (null for none); false when there is
    // no key the editor could write.
    virtual bool ReadLookupKey(TZColumn* Column, QVariant& Key) const;
    // The dataset of the edited field.
    TDataSet* EditedDataSet() const;
    // Recomputes the flags of the list options for the current style.
    void UpdateListFlags(TZListOptions Options);
    // Selects Text from Start to its end in the editor, as if typed.
    void ShowItem(const QString& Text, int Start);

    void KeyDown(int& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;

    QPointer<TZCustomDBGrid> FDBGrid;
    QPointer<TZDBDropDownList> FDropDownList;
    bool FAutoComplete = false;
    bool FAutoDropDown = false;
    bool FAutoCloseEditor = false;
    bool FLockCloseEditor = false;
    bool FSelectNextValue = false;
    bool FAllowClearValue = false;
    bool FNeedUpdateColor = true;
    QElapsedTimer FSearchTick;
    bool FKeypadKey = false; // the key in progress comes from the numpad

private:
    bool SelectNextPickItem(TZColumn* Column, bool Forward, bool Page);
    bool SelectNextLookupItem(TZColumn* Column, bool Forward, bool Page);
};

// ---------------------------------------------------------------------------

class TZDBDataEditor : public TZDBGridEditor, public TZFieldBinding
{
    Q_OBJECT
    Q_PROPERTY(zdb::TDataSource* DataSource READ GetDataSource WRITE SetDataSource)
    Q_PROPERTY(QString DataField READ GetDataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ GetReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool SuppressRTL READ GetSuppressRTL WRITE SetSuppressRTL)
    Q_PROPERTY(QString Text READ text WRITE SetEditorText)
    Q_PROPERTY(int MaxLength READ maxLength WRITE setMaxLength)
    Q_PROPERTY(QChar PasswordChar READ GetPasswordChar WRITE SetPasswordChar)
    Q_PROPERTY(QString EditMask READ inputMask WRITE setInputMask)
    Q_PROPERTY(bool AutoSize READ GetAutoSize WRITE SetAutoSize)
    Q_PROPERTY(zdb::GridBase::TBorderStyle BorderStyle READ GetBorderStyle WRITE SetBorderStyle)

public:
    explicit TZDBDataEditor(QWidget* AParent = nullptr);
    ~TZDBDataEditor() override;

    void SetDataSource(TDataSource* Value);
    void SetDataField(const QString& Value);
    // The name of the grid column followed (TZDBColumn).
    QString GetDataColumn() const { return FDataColumn; }
    virtual void SetDataColumn(const QString& Value);
    // The field read and written; inside a grid the column's.
    TField* Field() const;
    bool GetReadOnly() const { return TZFieldBinding::GetReadOnly(); }
    void SetReadOnly(bool Value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool GetSuppressRTL() const { return FSuppressRTL; }
    void SetSuppressRTL(bool Value);
    void SetDropDownOnly(bool Value) override;
    // The text typed (a hidden character stands for each; none: the text shows).
    QChar GetPasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(QChar Value);
    // The height follows the font.
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TBorderStyle GetBorderStyle() const { return hasFrame() ? bsSingle : bsNone; }
    void SetBorderStyle(TBorderStyle Value) { setFrame(Value != bsNone); }
    // The editor's text, as if typed: a bound editor writes it with the record.
    void SetEditorText(const QString& Value);

    // The field's text (shown form: Display) through DoGetText.
    virtual QString GetText(bool Display) const;
    // Writes Text (through DoSetText) into the field; a text the field refuses
    // raises its error and leaves the field and the editor's text as they are.
    virtual void SetText(const QString& Text);
    QString GetEditText() const { return GetText(false); }
    void SetEditText(const QString& Text) { SetText(Text); }
    QString DoGetText(const QString& Text, bool DisplayText) const;
    QString DoSetText(const QString& Text) const;
    // Writes a pending change of the text into the field.
    void UpdateData();
    // Drops the pending change: the field's text again, all selected.
    void Reset();
    void DataChange();
    void ActiveChange();
    void EditingChange();

    void SetupListValue(const QVariant& Value, bool Flag) override;
    void ListCloseUp(TZDBDropDownList* Sender, bool& Accept) override;
    void ListDropDown(TZDBDropDownList* Sender) override;

    TEditorGetTextEvent OnGetText;
    TEditorSetTextEvent OnSetText;
    TEditorListCloseUpEvent OnListCloseUp;
    TEditorListDropDownEvent OnListDropDown;

protected:
    // Shown form of the field's text, before DoGetText.
    virtual QString ReadFieldText(bool Display) const;
    // Stored form of a text, into the field.
    virtual void WriteFieldText(const QString& Text);
    bool CanModifyValue() override;
    void ValueWritten() override;
    void ApplyReadOnly();
    void ApplyAlignment();

    void KeyPress(QChar& Key) override;
    bool event(QEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

    void WriteText();
    void ApplyAutoSize();

    QString FDataColumn;
    QChar FPasswordChar;
    bool FAutoSize = true;
    TAlignment FAlignment = taLeftJustify;
    bool FAligning = false;
    bool FFocused = false;
    bool FSuppressRTL = false;
    bool FShowing = false;  // the editor's text is being set from the field
    bool FChanging = false; // a change the user made is being reported to the field
};

// The caption of a labeled editor.
class TZDBEditorLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ GetCaption WRITE SetCaption)
    Q_PROPERTY(int Height READ height WRITE SetHeight)
    Q_PROPERTY(int Width READ width WRITE SetWidth)

public:
    explicit TZDBEditorLabel(QWidget* AParent = nullptr) : QLabel(AParent) {}
    QString GetCaption() const { return text(); }
    void SetCaption(const QString& Value);
    void SetHeight(int Value) { resize(width(), Value); }
    void SetWidth(int Value) { resize(Value, height()); }
};

class TZDBLabeledEditor : public TZDBDataEditor
{
    Q_OBJECT
    Q_PROPERTY(zdb::TZDBEditorLabel* EditorLabel READ EditorLabel)
    Q_PROPERTY(zdb::EditorTypes::TLabelPosition LabelPosition READ GetLabelPosition WRITE SetLabelPosition)
    Q_PROPERTY(int LabelSpacing READ GetLabelSpacing WRITE SetLabelSpacing)
    Q_PROPERTY(bool LabelVisible READ GetLabelVisible WRITE SetLabelVisible)

public:
    explicit TZDBLabeledEditor(QWidget* AParent = nullptr);
    ~TZDBLabeledEditor() override;

    TZDBEditorLabel* EditorLabel() const { return FEditorLabel; }
    TLabelPosition GetLabelPosition() const { return FLabelPosition; }
    void SetLabelPosition(TLabelPosition Value);
    int GetLabelSpacing() const { return FLabelSpacing; }
    void SetLabelSpacing(int Value);
    bool GetLabelVisible() const { return FLabelVisible; }
    void SetLabelVisible(bool Value);
    // Places the label at LabelPosition, LabelSpacing pixels from the edit box.
    void PlaceLabel();

protected:
    bool event(QEvent* Event) override;
    void moveEvent(QMoveEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    void FollowEditor();

    QPointer<TZDBEditorLabel> FEditorLabel;
    TLabelPosition FLabelPosition = lpAbove;
    int FLabelSpacing = 3;
    bool FLabelVisible = false;
};

// A stand-alone editor that follows a column of a grid: its field, pick list,
// lookup and button settings, editing the current record of that grid's dataset.
// It follows the grid's data link: a grid that gets its data source or opens
// its dataset later is followed then.
class TZDBColumn : public TZDBLabeledEditor
{
    Q_OBJECT
    Q_PROPERTY(zdb::TZCustomDBGrid* DBGrid READ GetDBGrid WRITE SetDBGrid)
    Q_PROPERTY(QString DataColumn READ GetDataColumn WRITE SetDataColumn)

public:
    explicit TZDBColumn(QWidget* AParent = nullptr);
    ~TZDBColumn() override;

    TZCustomDBGrid* GetDBGrid() const { return FDBGrid; }
    // Also the editor's data source when it has none.
    void SetDBGrid(TZCustomDBGrid* Value);
    // Takes the display name of the grid column of that name and its field;
    // a name no column has is cleared when the grid's columns are customized.
    void SetDataColumn(const QString& Value) override;
    TZColumn* GetColumn() const override;

protected:
    QString ReadFieldText(bool Display) const override;
    void WriteFieldText(const QString& Text) override;

private:
    // The grid's link changed: its data source is taken again (unless the
    // editor was given another) and DataColumn is looked for again.
    void GridLinkChanged();

    QMetaObject::Connection FGridLink;
    QPointer<TDataSource> FTakenSource; // the grid's data source, taken from it
};

// A stand-alone editor with column-like settings of its own.
class TZDBCustomEditor : public TZDBLabeledEditor
{
    Q_OBJECT
    Q_PROPERTY(zdb::EditorTypes::TEditorButtonStyle ButtonStyle READ GetButtonStyle WRITE SetButtonStyle)
    Q_PROPERTY(zdb::ColumnTypes::TCalendarDepth CalendarDepth READ GetCalendarDepth WRITE SetCalendarDepth)
    Q_PROPERTY(QChar DelimiterChar READ GetDelimiterChar WRITE SetDelimiterChar)
    Q_PROPERTY(bool DelimiterLine READ GetDelimiterLine WRITE SetDelimiterLine)
    Q_PROPERTY(QString DelimiterText READ GetDelimiterText WRITE SetDelimiterText)
    Q_PROPERTY(int DropDownRows READ GetDropDownRows WRITE SetDropDownRows)
    Q_PROPERTY(int DropDownWidth READ GetDropDownWidth WRITE SetDropDownWidth)
    Q_PROPERTY(QString KeyField READ GetKeyField WRITE SetKeyField)
    Q_PROPERTY(QStringList ListOptions READ GetListOptionNames WRITE SetListOptionNames)
    Q_PROPERTY(zdb::ColumnTypes::TZLookupColumn LookupColumn READ GetLookupColumn STORED false)
    Q_PROPERTY(zdb::TDataSet* LookupDataSet READ GetLookupDataSet WRITE SetLookupDataSet)
    Q_PROPERTY(QString LookupKeyField READ GetLookupKeyField WRITE SetLookupKeyField)
    Q_PROPERTY(QString LookupParentField READ GetLookupParentField WRITE SetLookupParentField)
    Q_PROPERTY(QString LookupResultField READ GetLookupResultField WRITE SetLookupResultField)
    Q_PROPERTY(QString LookupTreeViewField READ GetLookupTreeViewField WRITE SetLookupTreeViewField)
    Q_PROPERTY(QString LookupListFields READ GetLookupListFields WRITE SetLookupListFields)
    Q_PROPERTY(QString LookupListTitles READ GetLookupListTitles WRITE SetLookupListTitles)
    Q_PROPERTY(QString LookupListWidths READ GetLookupListWidths WRITE SetLookupListWidths)
    Q_PROPERTY(bool MultiSelectList READ GetMultiSelectList STORED false)
    Q_PROPERTY(zdb::ColumnTypes::TMultiSelectText MultiSelectText READ GetMultiSelectText WRITE SetMultiSelectText)
    Q_PROPERTY(int PickIndex READ GetPickIndex WRITE SetPickIndex STORED false)
    Q_PROPERTY(QStringList PickList READ GetPickList WRITE SetPickList)
    Q_PROPERTY(QStringList PickOptions READ GetPickOptionNames WRITE SetPickOptionNames)
    Q_PROPERTY(QStringList PickText READ GetPickText WRITE SetPickText)
    Q_PROPERTY(QString PickTextFormat READ GetPickTextFormat WRITE SetPickTextFormat)
    Q_PROPERTY(zdb::GridTypes::TGridDrawingStyle DrawingStyle READ GetDrawingStyle WRITE SetDrawingStyle)
    // The key chosen in the lookup list of an editor without a data source.
    Q_PROPERTY(QVariant KeyValue READ GetKeyValue WRITE SetKeyValue STORED false)

public:
    explicit TZDBCustomEditor(QWidget* AParent = nullptr);
    ~TZDBCustomEditor() override;

    TEditorButtonStyle GetButtonStyle() const { return FButtonStyle; }
    void SetButtonStyle(TEditorButtonStyle Value);
    int GetDropDownRows() const;
    void SetDropDownRows(int Value);
    int GetDropDownWidth() const;
    void SetDropDownWidth(int Value);
    QStringList GetPickList() const;
    void SetPickList(const QStringList& Value);
    QStringList GetPickText() const;
    void SetPickText(const QStringList& Value);
    QString GetPickTextFormat() const;
    void SetPickTextFormat(const QString& Value);
    TZPickOptions GetPickOptions() const;
    void SetPickOptions(TZPickOptions Value);
    QStringList GetPickOptionNames() const;
    void SetPickOptionNames(const QStringList& Value);
    TZListOptions GetListOptions() const;
    void SetListOptions(TZListOptions Value);
    QStringList GetListOptionNames() const;
    void SetListOptionNames(const QStringList& Value);
    TCalendarDepth GetCalendarDepth() const;
    void SetCalendarDepth(TCalendarDepth Value);
    QChar GetDelimiterChar() const;
    void SetDelimiterChar(QChar Value);
    bool GetDelimiterLine() const;
    void SetDelimiterLine(bool Value);
    QString GetDelimiterText() const;
    void SetDelimiterText(const QString& Value);
    // The separator between the items of a multi-select value (a line break
    // with DelimiterLine, else DelimiterText when set).
    QString GetDelimiter() const;
    TMultiSelectText GetMultiSelectText() const;
    void SetMultiSelectText(TMultiSelectText Value);
    TDataSet* GetLookupDataSet() const;
    void SetLookupDataSet(TDataSet* Value);
    QString GetKeyField() const;
    void SetKeyField(const QString& Value);
    QString GetLookupKeyField() const;
    void SetLookupKeyField(const QString& Value);
    QString GetLookupResultField() const;
    void SetLookupResultField(const QString& Value);
    QString GetLookupParentField() const;
    void SetLookupParentField(const QString& Value);
    QString GetLookupTreeViewField() const;
    void SetLookupTreeViewField(const QString& Value);
    QString GetLookupListFields() const;
    void SetLookupListFields(const QString& Value);
    QString GetLookupListTitles() const;
    void SetLookupListTitles(const QString& Value);
    QString GetLookupListWidths() const;
    void SetLookupListWidths(const QString& Value);
    // How the editor's drop-down lists draw their fixed cells.
    TGridDrawingStyle GetDrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TGridDrawingStyle Value) { FDrawingStyle = Value; }
    // Without a data source a lookup editor holds the key chosen in its list
    // (null for none) and shows the lookup record's result (LookupResultField,
    // else the key); a key no lookup record has shows nothing.
    // Bound, it is the key field's value (set: written as a list choice would);
    // without a lookup it is null and setting it does nothing.
    QVariant GetKeyValue() const;
    void SetKeyValue(const QVariant& Value);

    bool GetPickListActive() const;
    bool GetPickTextActive() const;
    bool GetPickDataActive() const;
    QStringList GetPickData() const;
    QStringList GetPickDataList() const;
    bool GetCalendarActive() const;
    bool GetLookupActive() const;
    TZLookupColumn GetLookupColumn() const;
    // A string field with loMultiSelectList over a pick list or a lookup of its own keys.
    bool GetMultiSelectList() const;
    QString FormatPickText(int Index) const;
    // A multi-select value as shown unfocused under mstEllipsis: "..." for
    // none, the first item and " ..." for several; other text unchanged.
    QString FormatText(const QString& Text) const;
    // Index of the editor's text in the pick data; -1 when none.
    int GetPickIndex() const;
    void SetPickIndex(int Value);
    // One stored value as shown, and one shown text as stored (the grid's pick rules).
    QString DoGetItem(const QString& Value) const;
    QString DoSetItem(const QString& Text) const;
    // A whole stored value as shown and back: a multi-select value item by item.
    QString ValueToText(const QString& Value) const;
    QString TextToValue(const QString& Text) const;
    // Fills the pick list (and texts) from the values of the fields of their
    // dataset, from its first record to its last.
    void LoadPickList(TField* ValueField);
    void LoadPickText(TField* ValueField, TField* TextField);

    TEditorStyle GetEditorStyle() const override;
    TZColumn* GetColumn() const override { return nullptr; }
    // Without a data source a lookup's key becomes KeyValue.
    void SetupListValue(const QVariant& Value, bool Flag) override;
    // By ButtonStyle: the lookup, pick or calendar list (ebsAuto), the
    // calendar or the calculator; none for the other styles.
    TZDBGridDropDownListClass GetEditorListClass() const override;
    // The column of no grid that holds the pick, list and lookup settings.
    TZColumn* Settings() const { return FSettings.get(); }

    std::function<void(QObject* Sender, int& ImageIndex)> OnCalcImageIndex;
    TCalcBoldDaysEvent OnCalcBoldDays;

protected:
    TZColumn* ListColumn() const override { return FSettings.get(); }
    TZLookupColumn ListLookupKind() const override { return GetLookupColumn(); }
    bool ReadLookupKey(TZColumn* Column, QVariant& Key) const override;
    int GetImageIndex() const override;
    QString ReadFieldText(bool Display) const override;
    void WriteFieldText(const QString& Text) override;
    void Changed();

private:
    // The text KeyValue shows.
    QString KeyText() const;

    TEditorButtonStyle FButtonStyle = ebsAuto;
    TGridDrawingStyle FDrawingStyle = gdsClassic;
    QVariant FKeyValue;
    // The pick, list and lookup settings, in a column of no grid.
    std::unique_ptr<TZColumn> FSettings;
};

class TZDBEditor : public TZDBCustomEditor
{
    Q_OBJECT

public:
    using TZDBCustomEditor::TZDBCustomEditor;
};

} // namespace zdb

// The lists a stand-alone editor drops down.
#include "ZDBEditorLists.h"

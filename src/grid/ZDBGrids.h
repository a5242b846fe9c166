#pragma once
// The data-bound grid: TZCustomDBGrid shows the records of one dataset as rows
// and its fields as columns, on top of the cell grid TCustomGrid; TZDBGrid is
// the published component.
//
// Row structure, top to bottom: the title rows (one per column depth, with
// dgTitles), the data rows (the records held in the data link's buffer, or one
// empty row while the link is inactive), then the bottom block: the blank row
// (filler between data and totals) followed by the total header, value, field
// and footer rows. Raw column 0 is the indicator while dgIndicator is on; data
// column i is column i of Columns.
//
// The data link sizes its buffer to the rows that fit on screen
// (UpdateRowCount), so the grid never scrolls vertically: moving through the
// dataset moves the link's window, and row i of the data area shows buffer
// record i.
//
// Layout work is batched: BeginLayout/EndLayout nest, and only the outermost
// EndLayout runs InternalLayout. LayoutChanged lays out at once when no bracket
// is open; DeferLayout posts one deferred layout to the event loop.
//
// Sub-objects are made by virtual factory operations (CreateColumns,
// CreateDataLink, ...). To substitute a class, a descendant passes DeferCreate
// to the base constructor and calls CreateParts() in its own constructor body,
// so that its overrides are the ones called:
//
//     TMyGrid(QWidget* parent) : TZDBGrid(parent, DeferCreate) { CreateParts(); }

#include "DB.h"
#include "Graphics.h"
#include "Grids.h"
#include "ZDBGridColumns.h"
#include "ZDBGridOrder.h"
#include "ZDBGridSelection.h"
#include "ZDBGridTypes.h"
#include "ZDBToolMenuTypes.h"
#include "ZQSGraph.h"
#include "ZDBSearch.h"
#include "SysUtils.h"

#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <climits>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

class QDockWidget;
class QDrag;
class QInputMethodEvent;
class QMimeData;

namespace zdb {

class TZCustomDBGrid;
class TZDBDropDownList;
class TZDBGridDropDownList;
class TZDBPopupCalendar;
// Whether the calendar shows Date in bold; Bold comes in as the calendar's own choice.
using TCalcBoldDaysEvent = std::function<void(TZDBPopupCalendar* Sender, TDateTime Date, bool& Bold)>;

// A class of popup list for a grid column: makes a drop-down list of it for
// Column, a child of AParent (ZDBDropDown.h).
using TZDBGridDropDownListClass = TZDBGridDropDownList* (*)(QWidget* AParent, TZColumn* Column);

// A dataset's record-filter handler (its OnFilterRecord).
using TFilterRecordEvent = std::function<void(TDataSet* DataSet, bool& Accept)>;

// ---------------------------------------------------------------------------
// Data link

class TZGridDataLink : public TDataLink
{
public:
    explicit TZGridDataLink(TZCustomDBGrid* AGrid);
    ~TZGridDataLink() override;

    TZCustomDBGrid* Grid() const { return FGrid; }

    // ---- Field map ----
    // Maps the next data column to the field Name; returns whether a field was
    // found (a sparse map keeps -1 for a name the dataset lacks, a full map
    // raises the dataset's error). Beyond MaxMapSize entries: STooManyColumns.
    bool AddMapping(const QString& FieldName);
    void ClearMapping();
    // Number of map entries.
    int FieldCount() const { return FFieldCount; }
    // Allocated entries (8 first, doubling).
    int MapCapacity() const { return int(FFieldMap.size()); }
    // The dataset field of entry I; nullptr out of range or for a -1 entry.
    TField* GetFields(int I) const;
    // Entry I (the field's index in the dataset's field list); -1 out of range.
    int GetMappedIndex(int I) const;
    // True without dataset, or when the dataset's fields are automatic and (for
    // a sparse map) every entry names a field.
    bool GetDefaultFields() const;
    bool SparseMap() const { return FSparseMap; }
    void SetSparseMap(bool Value) { FSparseMap = Value; }

    // ---- Editing ----
    // Marks a cell edit as pending.
    void Modified() { FModified = true; }
    bool GetModified() const { return FModified; }
    bool InUpdateData() const { return FInUpdateData; }
    void Reset();
    void Cancel();

    bool IsAggRow(int /*Value*/) const { return false; }
    void BuildAggMap() {}

    static constexpr int MaxMapSize = 0x0FFFFFFF;

protected:
    // The grid calls UpdateData when focus leaves it.
    friend class TZCustomDBGrid;
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int Distance) override;
    void FocusControl(TField* Field) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;
    // The largest number of map entries (MaxMapSize).
    virtual int MapLimit() const { return MaxMapSize; }

private:
    TZCustomDBGrid* FGrid;
    std::vector<int> FFieldMap;
    int FFieldCount = 0;
    bool FModified = false;
    bool FInUpdateData = false;
    bool FSparseMap = false;
};

// ---------------------------------------------------------------------------
// Small sub-objects

// Spacings used by the layout and painting.
class TZGridStyle
{
public:
    explicit TZGridStyle(TZCustomDBGrid* AGrid);
    virtual ~TZGridStyle() = default;
    TZGridStyle(const TZGridStyle&) = delete;
    TZGridStyle& operator=(const TZGridStyle&) = delete;

    TZCustomDBGrid* Grid() const { return FGrid; }
    void Assign(const TZGridStyle& Source);

    int GetDataRowSpace() const { return FDataRowSpace; }
    void SetDataRowSpace(int Value) { SetSpacing(FDataRowSpace, Value); }
    int GetHeaderRowSpace() const { return FHeaderRowSpace; }
    void SetHeaderRowSpace(int Value) { SetSpacing(FHeaderRowSpace, Value); }
    int GetTitleColMargin() const { return FTitleColMargin; }
    void SetTitleColMargin(int Value) { SetSpacing(FTitleColMargin, Value); }
    int GetTitleRowSpace() const { return FTitleRowSpace; }
    void SetTitleRowSpace(int Value) { SetSpacing(FTitleRowSpace, Value); }
    int GetTotalColMargin() const { return FTotalColMargin; }
    void SetTotalColMargin(int Value) { SetSpacing(FTotalColMargin, Value); }
    int GetTotalRowSpace() const { return FTotalRowSpace; }
    void SetTotalRowSpace(int Value) { SetSpacing(FTotalRowSpace, Value); }
    // Shorthands.
    int DataRowSpace() const { return FDataRowSpace; }
    int HeaderRowSpace() const { return FHeaderRowSpace; }
    int TitleColMargin() const { return FTitleColMargin; }
    int TitleRowSpace() const { return FTitleRowSpace; }
    int TotalColMargin() const { return FTotalColMargin; }
    int TotalRowSpace() const { return FTotalRowSpace; }

    TVisualStyle GetVisualStyle() const { return FVisualStyle; }
    void SetVisualStyle(TVisualStyle Value);
    // The spacings are stored only under vsCustom.
    bool IsSpacingStored() const { return FVisualStyle == vsCustom; }

protected:
    virtual void Changed();

private:
    void SetSpacing(int& Slot, int Value);
    void LoadPreset(const int (&Values)[6]);

    TZCustomDBGrid* FGrid;
    int FDataRowSpace = 4;
    int FHeaderRowSpace = 8;
    int FTitleColMargin = 1;
    int FTitleRowSpace = 8;
    int FTotalColMargin = 0;
    int FTotalRowSpace = 8;
    TVisualStyle FVisualStyle = vsXPStyle;
};

// Scroll-bar look and the stretch behaviour of column expansion. Every
// change of the look brings the grid's bars up to date (UpdateScrollBarLook):
// Style ssFlat draws both bars flat (a plain groove, a flat thumb and flat
// arrow buttons), ssHotTrack lights the thumb and buttons under the pointer
// too; Color is the flat groove's colour once ParentColor is off (with it on,
// the palette's window colour); WinXPMode keeps the platform's own bars
// whatever the style. ThumbBar and AutoHidden act on each bar (a bar left out
// of AutoHidden stays, disabled, while it cannot scroll).
class TZScrollProp
{
public:
    explicit TZScrollProp(TZCustomDBGrid* AGrid) : FGrid(AGrid) {}
    virtual ~TZScrollProp() = default;
    TZScrollProp(const TZScrollProp&) = delete;
    TZScrollProp& operator=(const TZScrollProp&) = delete;

    TZCustomDBGrid* Grid() const { return FGrid; }
    // The bars hidden while they cannot scroll (and while the link is inactive).
    TScrollStyle GetAutoHidden() const { return FAutoHidden; }
    void SetAutoHidden(TScrollStyle Value);
    bool GetAutoStretch() const { return FAutoStretch; }
    void SetAutoStretch(bool Value) { FAutoStretch = Value; }
    bool AutoStretch() const { return FAutoStretch; }
    // Assigning a colour switches ParentColor off.
    TColor GetColor() const { return FColor; }
    void SetColor(TColor Value);
    bool GetParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    // The grid's style (the platform's bars, ssRegular) while ParentStyle is on;
    // assigning one switches ParentStyle off. Stored only when it differs.
    TScrollBarStyle GetStyle() const { return FParentStyle ? ssRegular : FStyle; }
    void SetStyle(TScrollBarStyle Value);
    bool IsStyleStored() const { return GetStyle() != ssRegular; }
    bool GetParentStyle() const { return FParentStyle; }
    void SetParentStyle(bool Value);
    // The bars whose thumb is proportional to the page.
    TScrollStyle GetThumbBar() const { return FThumbBar; }
    void SetThumbBar(TScrollStyle Value);
    bool GetWinXPMode() const { return FWinXPMode; }
    void SetWinXPMode(bool Value);

protected:
    virtual void Changed();

private:
    TZCustomDBGrid* FGrid;
    TScrollStyle FAutoHidden = ssHorizontal;
    bool FAutoStretch = true;
    TColor FColor = clBtnHighlight;
    bool FParentColor = true;
    bool FParentStyle = true;
    TScrollBarStyle FStyle = ssRegular;
    TScrollStyle FThumbBar = ssBoth;
    bool FWinXPMode = false;
};

// The grid's auto-filter (the grid property FilterGrid): its settings, the
// columns that currently filter (in collection order) and their combined
// expression, and the filter settings text ("Filters=%d", "Filter%d=...").
// The grid installs the filter on its dataset (ZDBGridsFilter.cpp).
//
// Changes nest in BeginFilterChange/EndFilterChange (or TZFilterChangeGuard):
// FilterChanged works only while no bracket is open, so a batch of column
// changes is applied once.
class TZDBGridFilter
{
    Q_GADGET
    Q_PROPERTY(bool Filtered READ GetFiltered WRITE SetFiltered)
    Q_PROPERTY(bool AutoFilter READ GetAutoFilter WRITE SetAutoFilter)
    Q_PROPERTY(bool AutoUpdate READ GetAutoUpdate WRITE SetAutoUpdate)
    Q_PROPERTY(int DropDownRows READ GetDropDownRows WRITE SetDropDownRows)
    Q_PROPERTY(int DropDownWidth READ GetDropDownWidth WRITE SetDropDownWidth)
    Q_PROPERTY(QStringList Options READ GetOptionNames WRITE SetOptionNames)
    Q_PROPERTY(QStringList Clauses READ GetClauseNames WRITE SetClauseNames)
    Q_PROPERTY(QStringList Periods READ GetPeriodNames WRITE SetPeriodNames)
    Q_PROPERTY(QStringList AutoFilters READ GetAutoFilterNames WRITE SetAutoFilterNames)
    Q_PROPERTY(bool DecimalSeparator READ GetDecimalSeparator WRITE SetDecimalSeparator)
    Q_PROPERTY(QString FilterText READ GetFilterText STORED false)

public:
    explicit TZDBGridFilter(TZCustomDBGrid* AGrid) : FGrid(AGrid) {}
    virtual ~TZDBGridFilter() = default;
    TZDBGridFilter(const TZDBGridFilter&) = delete;
    TZDBGridFilter& operator=(const TZDBGridFilter&) = delete;

    static constexpr TZDBGridFilterOptions DefaultOptions{foAutoApplyList, foListAnimation, foListAlignment,
                                                          foOverlayedList};
    static TZDBGridFilterClauses AllClauses();
    // Every period but fpOthers.
    static TZDBGridFilterPeriods DefaultPeriods();

    TZCustomDBGrid* Grid() const { return FGrid; }
    // The filter is installed on the dataset (set by the grid's UpdateFilter).
    bool GetActive() const { return FActive; }
    // Column filters take part at all.
    bool GetFiltered() const { return FFiltered; }
    void SetFiltered(bool Value);
    // Titles show auto-filter buttons.
    bool GetAutoFilter() const { return FAutoFilter; }
    void SetAutoFilter(bool Value);
    // Changes are applied at once; when off they are only announced (OnFilterChanged).
    bool GetAutoUpdate() const { return FAutoUpdate; }
    void SetAutoUpdate(bool Value);
    // The combined expression of the filtering columns' FilterText.
    QString GetFilterText() const { return FFilterText; }
    // Negative sizes are stored as 0.
    int GetDropDownRows() const { return FDropDownRows; }
    void SetDropDownRows(int Value) { FDropDownRows = Value < 0 ? 0 : Value; }
    int GetDropDownWidth() const { return FDropDownWidth; }
    void SetDropDownWidth(int Value) { FDropDownWidth = Value < 0 ? 0 : Value; }
    TZDBGridFilterOptions GetOptions() const { return FOptions; }
    void SetOptions(TZDBGridFilterOptions Value) { FOptions = Value; }
    // fcNoFilter and fpNoPeriod are always members.
    TZDBGridFilterClauses GetClauses() const { return FClauses; }
    void SetClauses(TZDBGridFilterClauses Value) { FClauses = Value.Include(fcNoFilter); }
    TZDBGridFilterPeriods GetPeriods() const { return FPeriods; }
    void SetPeriods(TZDBGridFilterPeriods Value) { FPeriods = Value.Include(fpNoPeriod); }
    TFilterStyles GetAutoFilters() const { return FAutoFilters; }
    void SetAutoFilters(TFilterStyles Value);
    // The locale's decimal separator in expressions for datasets of no known kind.
    bool GetDecimalSeparator() const { return FDecimalSeparator; }
    void SetDecimalSeparator(bool Value) { FDecimalSeparator = Value; }
    // The sets by key names (a list naming a non-member changes nothing).
    QStringList GetOptionNames() const { return EnumSetNames(FOptions); }
    void SetOptionNames(const QStringList& Value);
    QStringList GetClauseNames() const { return EnumSetNames(FClauses); }
    void SetClauseNames(const QStringList& Value);
    QStringList GetPeriodNames() const { return EnumSetNames(FPeriods); }
    void SetPeriodNames(const QStringList& Value);
    QStringList GetAutoFilterNames() const { return EnumSetNames(FAutoFilters); }
    void SetAutoFilterNames(const QStringList& Value);
    // Add the given members (On) or remove them, through the setters.
    void SwitchAutoFilters(TFilterStyles Value, bool On);
    void SwitchClauses(TZDBGridFilterClauses Value, bool On);
    void SwitchOptions(TZDBGridFilterOptions Value, bool On);
    void SwitchPeriods(TZDBGridFilterPeriods Value, bool On);

    // The columns that currently filter, in collection order.
    const std::vector<TZColumn*>& Columns() const { return FColumns; }
    virtual int Count() const { return int(FColumns.size()); }
    // Auto-filter buttons show: AutoFilter and Filtered.
    bool GetVisible() const { return FAutoFilter && FFiltered; }

    // A column's filter changed: outside a change bracket the column list and
    // FilterText are rebuilt and the grid's FilterChanged runs.
    virtual void FilterChanged();
    void BeginFilterChange();
    // Closes a bracket without applying anything.
    void CancelFilterChange();
    // Closes a bracket, then FilterChanged.
    void EndFilterChange();
    int FilterChangeLock() const { return FChangeLock; }
    // The column list: with Filtered, every grid column that filters.
    void UpdateColumns();
    // FilterText: "(x)" for the first column expression, "... AND (y)" for each next.
    void UpdateFilterText();
    // The dataset filter joined with FilterText: "(Filter) AND FilterText"
    // (Filtered and both set); FilterText alone when Filtered is false.
    QString JoinFilter(bool Filtered, const QString& Filter) const;
    // JoinFilter with the dataset's own (saved) Filtered and Filter.
    QString GetFullFilter() const;
    // Clears the value lists (fsFilterList) and expressions (fsFilterForm) of
    // the filtering columns, applied once.
    void ClearAutoFilter(TFilterStyles Styles);

    // ---- Settings text ----
    // Rebuilds the settings list from the filtering columns and returns it.
    QStringList& GetSettings();
    // Takes Value as the settings list (unless it is the held one), clears
    // the column filters and applies its entries in one change. Entries that
    // are malformed or name no column are skipped; nothing raises for the text.
    void SetSettings(const QStringList& Value);
    // Applies the held settings list again.
    void ApplySettings();
    QStringList& Settings() { return FSettings; }
    // Delimiter and quote character of the settings fields.
    QChar GetSettingsDelimiter() const { return FSettingsDelimiter; }
    void SetSettingsDelimiter(QChar Value) { FSettingsDelimiter = Value; }
    QChar GetSettingsQuoteChar() const { return FSettingsQuoteChar; }
    void SetSettingsQuoteChar(QChar Value) { FSettingsQuoteChar = Value; }

protected:
    friend class TZCustomDBGrid;
    // Repaints the titles (auto-filter buttons).
    void InvalidateTitles() const;
    void ApplySettingsList();

    TZCustomDBGrid* FGrid;
    bool FActive = false;
    bool FFiltered = true;
    bool FAutoFilter = false;
    bool FAutoUpdate = true;
    std::vector<TZColumn*> FColumns;
    QString FFilterText;
    int FDropDownRows = 0;
    int FDropDownWidth = 0;
    TZDBGridFilterOptions FOptions = DefaultOptions;
    TZDBGridFilterClauses FClauses = AllClauses();
    TZDBGridFilterPeriods FPeriods = DefaultPeriods();
    TFilterStyles FAutoFilters{fsFilterList, fsFilterForm};
    bool FDecimalSeparator = false;
    int FChangeLock = 0;
    QStringList FSettings;
    QChar FSettingsDelimiter = QLatin1Char(',');
    QChar FSettingsQuoteChar = QLatin1Char('"');
};

// BeginFilterChange for the guard's lifetime; on exit EndFilterChange, or
// CancelFilterChange when SetChanged(false) said nothing changed (a failure
// of the application while an exception unwinds is swallowed).
class TZFilterChangeGuard
{
public:
    explicit TZFilterChangeGuard(TZDBGridFilter* Filter) : FFilter(Filter)
    {
        if (FFilter)
            FFilter->BeginFilterChange();
    }
    ~TZFilterChangeGuard() noexcept(false)
    {
        if (FFilter)
            FEnd([this] { FChanged ? FFilter->EndFilterChange() : FFilter->CancelFilterChange(); });
    }
    TZFilterChangeGuard(const TZFilterChangeGuard&) = delete;
    TZFilterChangeGuard& operator=(const TZFilterChangeGuard&) = delete;
    void SetChanged(bool Value) { FChanged = Value; }

private:
    TZDBGridFilter* FFilter;
    bool FChanged = true;
    TBracketEnd FEnd;
};

// Parent/child rows shown as a tree (implemented in src/tree/). Every record
// carries three hidden tree fields: its level, an order string of one
// fixed-width segment per ancestor and one for itself (sorting by it lists
// every parent directly before its subtree) and a state bit set (visible,
// expanded, expandable). The dataset is sorted by the order string through the
// grid's sort machinery and collapsed rows are hidden by the grid's record
// filter. Besides the fields the tree keeps the parent/child links of the last
// build, so that expanding or collapsing touches only the rows it shows or hides.
class TZDBGridTreeView
{
public:
    // State bits of the RowState field; a state of 0 (a new record) counts as visible.
    enum : int { rsVisible = 1, rsExpanded = 2, rsExpandable = 4 };

    explicit TZDBGridTreeView(TZCustomDBGrid* AGrid);
    virtual ~TZDBGridTreeView();
    TZDBGridTreeView(const TZDBGridTreeView&) = delete;
    TZDBGridTreeView& operator=(const TZDBGridTreeView&) = delete;

    TZCustomDBGrid* Grid() const { return FGrid; }
    bool GetActive() const { return FActive; }
    bool GetAutoActive() const { return FAutoActive; }
    void SetAutoActive(bool Value);
    bool GetAutoUpdate() const { return FAutoUpdate; }
    void SetAutoUpdate(bool Value) { FAutoUpdate = Value; }
    bool GetCellExpand() const { return FCellExpand; }
    void SetCellExpand(bool Value) { FCellExpand = Value; }
    int GetOpenToLevel() const { return FOpenToLevel; }
    void SetOpenToLevel(int Value);
    QString GetColumnNames() const { return FColumnNames; }
    void SetColumnNames(const QString& Value);
    QString GetKeyFields() const;
    void SetKeyFields(const QString& Value);
    QString GetParentFields() const { return FParentFields; }
    void SetParentFields(const QString& Value);
    QString GetRowLevelFieldName() const;
    void SetRowLevelFieldName(const QString& Value);
    QString GetRowOrderFieldName() const;
    void SetRowOrderFieldName(const QString& Value);
    int GetRowOrderFieldSize() const { return FRowOrderFieldSize; }
    void SetRowOrderFieldSize(int Value);
    QString GetRowStateFieldName() const;
    void SetRowStateFieldName(const QString& Value);
    // The deepest level found by the last build.
    int MaxLevel() const { return FMaxLevel; }
    // True while the tree is being built (the grid reports an update in progress).
    virtual bool Updating() const { return FBuilding; }

    // Tree fields of the current record (the setters need the edit state).
    int GetRowLevel() const;
    void SetRowLevel(int Value);
    QString GetRowOrder() const;
    void SetRowOrder(const QString& Value);
    int GetRowState() const;
    void SetRowState(int Value);
    bool GetRowExpanded() const { return GetRowState() & rsExpanded; }
    void SetRowExpanded(bool Value) { SetStateBit(rsExpanded, Value); }
    bool GetRowExpandable() const { return GetRowState() & rsExpandable; }
    void SetRowExpandable(bool Value) { SetStateBit(rsExpandable, Value); }
    bool GetRowVisible() const;
    void SetRowVisible(bool Value) { SetStateBit(rsVisible, Value); }
    // The current record's level, 0 while inactive.
    int GetLevel() const;
    // As the Get... accessors, false while the tree or the link is inactive.
    bool IsRowExpanded() const;
    bool IsRowExpandable() const;
    bool IsRowVisible() const;
    // Whether the record in the dataset's current buffer is hidden (the grid's record filter).
    bool RecordHidden(TDataSet* DataSet) const;

    virtual void CheckActive();
    virtual void CheckUpdate(TField* Field);
    void UpdateTreeView(bool Reset);
    virtual void UpdateTreeFields(bool Reset);
    virtual void ClearTreeFields(bool Reset);
    virtual void AddTreeFields(TDataSet* DataSet);
    void BeforeOpen(TDataSet* DataSet) { AddTreeFields(DataSet); }
    void ToggleRow(bool Recursive);
    void ExpandRow(bool Recursive);
    void CollapseRow(bool Recursive);
    void ShowToLevel(int Level);
    void FullExpand() { ShowToLevel(-1); }
    void FullCollapse() { ShowToLevel(0); }
    // Shows the record of Key (the grid's KeyFields values), expanding its
    // ancestors; false when no record has that key.
    bool ShowRecord(const QVariant& Key, bool CollapseOthers);
    void FocusRow();
    void SetTreeViewColumns(bool On);
    // Whether the rebuild flag is set (a key, parent or order field changed).
    bool NeedsRebuild() const { return FNeedRebuild; }
    void SetNeedsRebuild(bool Value) { FNeedRebuild = Value; }
    // The grid's key handling: Enter or Space on a tree column's expand box
    // toggles the current row; true when the key was taken.
    bool KeyPress(QChar Key);
    // Whether (X, Y) lies on the expand box of the active record in the cell
    // ARect of Column (the record expandable, the column a tree column).
    bool BoxHit(TZColumn* Column, const QRect& ARect, int X, int Y) const;
    // Indentation of a tree column's cell on the active record: Box gets the
    // expand box (empty when the row has none); returns the rectangle left for
    // the text. The grid paints the box with the cell's image.
    QRect TreeCellLayout(const TZColumn* Column, const QRect& ARect, QRect& Box) const;
    // Whether Column carries the tree's expand boxes.
    bool IsTreeColumn(const TZColumn* Column) const;

protected:
    virtual QString DefaultRowLevelFieldName() const { return QStringLiteral("RowLevel"); }
    virtual QString DefaultRowOrderFieldName() const { return QStringLiteral("RowOrder"); }
    virtual int DefaultRowOrderFieldSize() const { return 80; }
    virtual QString DefaultRowStateFieldName() const { return QStringLiteral("RowState"); }
    virtual bool CanRowExpand(bool Expand);
    virtual void DoRowExpand(bool Expanded);
    void SetActive(bool Value);
    void SetStateBit(int Bit, bool Value);
    TDataSet* DataSet() const;
    // The box and indentation geometry of a tree cell.
    int Indent() const;
    QRect BoxRect(const QRect& ARect, int Level) const;

    TZCustomDBGrid* FGrid;
    bool FActive = false;
    bool FAutoActive = true;
    bool FAutoUpdate = true;
    bool FCellExpand = false;
    int FOpenToLevel = -1;
    QString FColumnNames;
    QString FParentFields;
    QString FRowLevelFieldName;
    QString FRowOrderFieldName;
    int FRowOrderFieldSize = 80;
    QString FRowStateFieldName;
    QPointer<TField> FRowLevelField;
    QPointer<TField> FRowOrderField;
    QPointer<TField> FRowStateField;
    bool FNeedRebuild = false;
    bool FBuilding = false;
    bool FActivating = false;
    int FMaxLevel = 0;

private:
    struct TModel;
    std::unique_ptr<TModel> FModel;
    QString StoredName(const QString& Value, const QString& Default) const;
    void ResolveFields();
    void SequenceChanged();
    // Walks the subtree below Node: shows or hides the rows it reaches; the rows
    // whose expansion changed go to Notify.
    void WalkChildren(int Node, bool Expand, bool Recursive, std::vector<int>& Notify);
    // OnRowExpand for each of Nodes, on its record.
    void NotifyRows(const std::vector<int>& Nodes, bool Expanded);
    void WriteNodeState(int Node, int State);
    bool ModelMatches(TDataSet* DataSet);
    int CurrentNode(TDataSet* DataSet) const;
    bool ToggleNode(int Node, bool Recursive);
};

// The options of the grid's settings (registered by key names, like the
// grid's own option sets).
inline namespace SettingsTypes {
Q_NAMESPACE

enum TZSettingsOption : std::uint16_t {
    soLoadLayout = 1u << 0,
    soSaveLayout = 1u << 1,
    soUserSettings = 1u << 2,
    soStretchMode = 1u << 3,
    soOrderFields = 1u << 4,
    soLinesCount = 1u << 5,
    soMultiSelect = 1u << 6,
    soSelectedRow = 1u << 7,
    soStripedRows = 1u << 8,
    soAutoFilter = 1u << 9,
    soFiltered = 1u << 10,
    soFilters = 1u << 11,
};
Q_DECLARE_FLAGS(TZSettingsOptions, TZSettingsOption)
Q_FLAG_NS(TZSettingsOptions)

} // namespace SettingsTypes

class TZSettingsStore;

// Persistence of the user's layout (the grid property Settings;
// ZDBGridsSettings.cpp). The layout is a list of name=value lines: the
// column settings text, then, as Options choose, the order fields, the line
// count, the display switches and the filter settings text. It lives in one
// section (Section, default "<window>.<grid>") of an INI file (IniFile on)
// or of the native store under a registry-style key (IniFile off); FileName
// names either, empty for the defaults (DefaultIniFileName or the
// executable's path with ".ini"; DefaultRegistryKey with the executable's
// name for "ZDBGrid" while ExeName is on).
//
// The operations that take a store use the one given, or make one from
// FileName/IniFile (CreateIniFile) for the call. Reading never fails on the
// content: missing or malformed values keep the grid's state. A store that
// cannot be written raises EDatabaseError before anything is changed.
class TZDBGridSettings
{
    Q_GADGET
    Q_PROPERTY(zdb::SettingsTypes::TZSettingsOptions Options READ GetOptions WRITE SetOptions)
    Q_PROPERTY(bool Active READ GetActive WRITE SetActive)
    Q_PROPERTY(bool ExeName READ GetExeName WRITE SetExeName)
    Q_PROPERTY(bool IniFile READ GetIniFile WRITE SetIniFile)
    Q_PROPERTY(QString FileName READ GetFileName WRITE SetFileName)
    Q_PROPERTY(QString Section READ GetSection WRITE SetSection)

public:
    explicit TZDBGridSettings(TZCustomDBGrid* AGrid);
    virtual ~TZDBGridSettings();
    TZDBGridSettings(const TZDBGridSettings&) = delete;
    TZDBGridSettings& operator=(const TZDBGridSettings&) = delete;

    TZCustomDBGrid* Grid() const { return FGrid; }
    TZSettingsOptions GetOptions() const { return FOptions; }
    void SetOptions(TZSettingsOptions Value) { FOptions = Value; }
    TZSettingsOptions Options() const { return FOptions; }
    // Adds (On) or removes the members of Value.
    void SwitchOptions(TZSettingsOptions Value, bool On);
    bool GetActive() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    bool GetExeName() const { return FExeName; }
    void SetExeName(bool Value) { FExeName = Value; }
    bool GetIniFile() const { return FIniFile; }
    void SetIniFile(bool Value) { FIniFile = Value; }
    QString GetFileName() const { return FFileName; }
    void SetFileName(const QString& Value) { FFileName = Value; }
    // The section used: Section, or the default one when it is empty.
    QString GetSection() const;
    // Assigning the default section stores an empty text.
    void SetSection(const QString& Value);
    bool IsSectionStored() const { return !FSection.isEmpty(); }
    // The grid's objectName, after its window's objectName and "." when the
    // grid sits in a named window; empty for a grid without a name.
    QString GetDefaultSection() const;
    // The store name used when FileName is empty (for IniFile as given).
    QString GetDefaultFileName(bool IniFile) const;
    QString GetDefaultFileName() const { return GetDefaultFileName(FIniFile); }

    // ---- The layout ----
    // Rebuilds Layout from the grid (then DoLayout(Layout, false)) and returns it.
    QStringList& GetLayout();
    // Takes Value as the layout (unless it is the held one) and applies it.
    void SetLayout(const QStringList& Value);
    // Applies the held layout to the grid (then DoLayout(Layout, true)).
    void ApplyLayout();
    // The last layout read or written.
    QStringList& Layout() { return FLayout; }

    // ---- The store ----
    void ReadLayout(TZSettingsStore* Store = nullptr);
    void StoreLayout(TZSettingsStore* Store = nullptr);
    void LoadLayout(TZSettingsStore* Store = nullptr);
    void SaveLayout(TZSettingsStore* Store = nullptr);
    void EraseLayout(TZSettingsStore* Store = nullptr);
    bool LayoutExists(TZSettingsStore* Store = nullptr);
    // Called by the grid while Active: load after loading or when the link
    // opens, save when it closes or the grid goes (see soUserSettings).
    virtual void AutoLoadLayout();
    virtual void AutoSaveLayout();

    // ---- Plain text files of name=value lines ----
    // The layout: read and applied / built and written.
    void LoadLayoutFromFile(const QString& FileName);
    void SaveLayoutToFile(const QString& FileName);
    // The columns' settings text.
    void LoadColumnsFromFile(const QString& FileName);
    void SaveColumnsToFile(const QString& FileName);
    // The grid filter's settings text.
    void LoadFiltersFromFile(const QString& FileName);
    void SaveFiltersToFile(const QString& FileName);

protected:
    // The store named by FileName and IniFile (or their defaults).
    virtual std::unique_ptr<TZSettingsStore> CreateIniFile();
    // Fires the grid's OnLayout.
    virtual void DoLayout(QStringList& List, bool Loading);

    TZCustomDBGrid* FGrid;
    QStringList FLayout;
    TZSettingsOptions FOptions = TZSettingsOptions(soLoadLayout) | soSaveLayout;
    bool FActive = false;
    bool FExeName = true;
    bool FIniFile = false;
    QString FFileName;
    QString FSection;

private:
    // Runs Work with Store, or with a store made for the call.
    template <typename F>
    auto WithStore(TZSettingsStore* Store, F&& Work);
    // The filter lines of Lines, as far as the dataset takes them.
    void ApplyFilters(const QStringList& Lines);
};

// Link of the totals to their own data source (dgTotalFields rows).
class TZTotalDataLink : public TDataLink
{
public:
    explicit TZTotalDataLink(TZCustomDBGrid* AGrid) : FGrid(AGrid) {}
    TZCustomDBGrid* Grid() const { return FGrid; }

protected:
    // A unidirectional dataset is refused; the buffer holds the dataset's
    // records up to Totals.DataMaxRow.
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int Distance) override;
    void RecordChanged(TField* Field) override;

public:
    // Sizes the buffer to the rows shown and repaints them.
    void UpdateRows();

private:
    TZCustomDBGrid* FGrid;
    bool FUpdatingRows = false;
};

// The totals shown in the bottom rows.
class TZDBGridTotals
{
public:
    explicit TZDBGridTotals(TZCustomDBGrid* AGrid);
    virtual ~TZDBGridTotals() = default;
    TZDBGridTotals(const TZDBGridTotals&) = delete;
    TZDBGridTotals& operator=(const TZDBGridTotals&) = delete;

    TZCustomDBGrid* Grid() const { return FGrid; }
    // True while a total row option is on (or selection-following totals are
    // switched by dgSelectedAutoHidden).
    bool GetActive() const;
    bool GetCalcValues() const { return FCalcValues; }
    TColor GetColor() const { return FColor; }
    void SetColor(TColor Value);
    int GetDataMaxRow() const { return FDataMaxRow; }
    void SetDataMaxRow(int Value);
    // Switched on, the totals are calculated at once.
    void SetCalcValues(bool Value);
    TCheckBoxStyle GetBoxStyle() const { return FBoxStyle; }
    void SetBoxStyle(TCheckBoxStyle Value);
    TDataSource* GetDataSource() const;
    void SetDataSource(TDataSource* Value);

    QFont GetFont() const { return FFont; }
    void SetFont(const QFont& Value);
    // The font takes the grid font without becoming an own font.
    void ParentFontChanged(const QFont& Value) { FFont = Value; }
    QFont Font() const { return FFont; }
    int GetLinesCount() const { return FLinesCount; }
    void SetLinesCount(int Value);
    int LinesCount() const { return FLinesCount; }
    TColor GetSelectedColor() const { return FSelectedColor; }
    void SetSelectedColor(TColor Value) { FSelectedColor = Value; }
    // Whether rows or columns are selected (told by the grid's selection).
    bool Selected() const { return FRowsSelected || FColsSelected; }
    void SetRowsSelected(bool Value) { FRowsSelected = Value; }
    void SetColsSelected(bool Value) { FColsSelected = Value; }

protected:
    TZCustomDBGrid* FGrid;
    bool FCalcValues = true;
    TColor FColor = clBtnFace;
    int FDataMaxRow = 5;
    QFont FFont;
    int FLinesCount = 1;
    TColor FSelectedColor = clDefault;
    TCheckBoxStyle FBoxStyle = cbAuto;
    bool FRowsSelected = false;
    bool FColsSelected = false;
};

// The grid's popup tool menu (ZDBToolMenu.h).
class TZDBGridToolMenu;

// ---------------------------------------------------------------------------
// The grid

class TZCustomDBGrid : public TCustomGrid
{
    Q_OBJECT
    // The published properties. Option sets and enumerations read and write by
    // their key names ("dgEditing|dgTitles"); colours are TColor values.
    // Data and behaviour.
    Q_PROPERTY(QObject* DataSource READ GetDataSourceObject WRITE SetDataSourceObject)
    Q_PROPERTY(bool ReadOnly READ GetReadOnly WRITE SetReadOnly)
    Q_PROPERTY(QString KeyFields READ GetKeyFields WRITE SetKeyFields)
    Q_PROPERTY(QString DetailFields READ GetDetailFields WRITE SetDetailFields)
    Q_PROPERTY(QString OrderFields READ GetOrderFields WRITE SetOrderFields STORED false)
    // The dataset's own filter, kept by the grid while its filter is installed
    // (written to a stream only then: IsFilterStored).
    Q_PROPERTY(QString Filter READ GetFilter WRITE SetFilter)
    Q_PROPERTY(bool Filtered READ GetFiltered WRITE SetFiltered)
    Q_PROPERTY(zdb::TZDBGridFilter* FilterGrid READ FilterGrid CONSTANT)
    Q_PROPERTY(zdb::TZDBGridSettings* Settings READ Settings CONSTANT)
    Q_PROPERTY(zdb::TZDBGridSearch* Search READ Search CONSTANT)
    Q_PROPERTY(zdb::TZCustomDBGrid* MasterGrid READ GetMasterGrid WRITE SetMasterGrid)
    Q_PROPERTY(zdb::GridTypes::TZDBGridOptions Options READ GetOptions WRITE SetOptions)
    Q_PROPERTY(zdb::GridTypes::TZDBGridOptionsEx OptionsEx READ GetOptionsEx WRITE SetOptionsEx)
    Q_PROPERTY(zdb::GridTypes::TZDBGridOptionsExt OptionsExt READ GetOptionsExt WRITE SetOptionsExt)
    Q_PROPERTY(zdb::GridTypes::TZHintOptions HintOptions READ GetHintOptions WRITE SetHintOptions)
    Q_PROPERTY(zdb::GridTypes::TZResizeOptions ResizeOptions READ GetResizeOptions WRITE SetResizeOptions)
    // The allowed modes by the names of TMultiSelection ("msRows", "msCells").
    Q_PROPERTY(QStringList MultiSelectOptions READ GetMultiSelectOptionNames WRITE SetMultiSelectOptionNames)
    Q_PROPERTY(zdb::GridTypes::TGridDrawingOptions DrawingOptions READ GetDrawingOptions WRITE SetDrawingOptions
                   STORED false)
    // Sizes and layout.
    Q_PROPERTY(int IndicatorWidth READ GetIndicatorWidth WRITE SetIndicatorWidth)
    Q_PROPERTY(int LinesCount READ GetLinesCount WRITE SetLinesCount)
    Q_PROPERTY(int LinesCountMin READ GetLinesCountMin WRITE SetLinesCountMin)
    Q_PROPERTY(int LinesCountMax READ GetLinesCountMax WRITE SetLinesCountMax)
    Q_PROPERTY(int TitleLinesCount READ GetTitleLinesCount WRITE SetTitleLinesCount)
    Q_PROPERTY(int HeaderLinesCount READ GetHeaderLinesCount WRITE SetHeaderLinesCount)
    Q_PROPERTY(int GridLineWidth READ GetGridLineWidth WRITE SetGridLineWidth)
    Q_PROPERTY(int FixedCols READ GetFixedCols WRITE SetFixedCols)
    Q_PROPERTY(int DefaultWidthMin READ GetDefaultWidthMin WRITE SetDefaultWidthMin)
    Q_PROPERTY(int DefaultWidthMax READ GetDefaultWidthMax WRITE SetDefaultWidthMax)
    Q_PROPERTY(bool StretchMode READ GetStretchMode WRITE SetStretchMode)
    Q_PROPERTY(int StretchWidthMin READ GetStretchWidthMin WRITE SetStretchWidthMin)
    Q_PROPERTY(int StretchWidthMax READ GetStretchWidthMax WRITE SetStretchWidthMax)
    Q_PROPERTY(int WheelScrollRows READ GetWheelScrollRows WRITE SetWheelScrollRows)
    Q_PROPERTY(bool DragRows READ GetDragRows WRITE SetDragRows)
    Q_PROPERTY(zdb::GridTypes::TDragKind DragKind READ GetDragKind WRITE SetDragKind)
    Q_PROPERTY(zdb::GridBase::TScrollStyle ScrollBars READ GetScrollBars WRITE SetScrollBars)
    // Look.
    Q_PROPERTY(int Color READ GetColor WRITE SetColor)
    Q_PROPERTY(bool ParentColor READ GetParentColor WRITE SetParentColor)
    Q_PROPERTY(int FixedColor READ GetFixedColor WRITE SetFixedColor)
    Q_PROPERTY(QFont Font READ GetFont WRITE SetFont)
    Q_PROPERTY(bool ParentFont READ GetParentFont WRITE SetParentFont)
    Q_PROPERTY(QFont TitleFont READ GetTitleFont WRITE SetTitleFont)
    Q_PROPERTY(QFont HeaderFont READ GetHeaderFont WRITE SetHeaderFont)
    Q_PROPERTY(int HeaderColor READ GetHeaderColor WRITE SetHeaderColor)
    Q_PROPERTY(int FillerColor READ GetFillerColor WRITE SetFillerColor)
    Q_PROPERTY(int EditorColor READ GetEditorColor WRITE SetEditorColor)
    Q_PROPERTY(int StripeColor READ GetStripeColor WRITE SetStripeColor)
    Q_PROPERTY(int SelectionColor READ GetSelectionColor WRITE SetSelectionColor)
    Q_PROPERTY(int SelectRowColor READ GetSelectRowColor WRITE SetSelectRowColor)
    Q_PROPERTY(int SelectCellColor READ GetSelectCellColor WRITE SetSelectCellColor)
    Q_PROPERTY(int HighlightText READ GetHighlightText WRITE SetHighlightText)
    Q_PROPERTY(int DataColLineColor READ GetDataColLineColor WRITE SetDataColLineColor)
    Q_PROPERTY(int DataRowLineColor READ GetDataRowLineColor WRITE SetDataRowLineColor)
    Q_PROPERTY(zdb::GridTypes::TFixedStyle FixedStyle READ GetFixedStyle WRITE SetFixedStyle)
    Q_PROPERTY(zdb::GridTypes::TFixedTheme FixedTheme READ GetFixedTheme WRITE SetFixedTheme)
    // The fixed cells' look as the grid base names it; follows FixedStyle and FixedTheme.
    Q_PROPERTY(zdb::GridTypes::TGridDrawingStyle DrawingStyle READ GetDrawingStyle WRITE SetDrawingStyle
                   STORED false)
    Q_PROPERTY(zdb::GridTypes::TFocusRect FocusRect READ GetFocusRect WRITE SetFocusRect)
    Q_PROPERTY(zdb::GridTypes::THotButtons HotButtons READ GetHotButtons WRITE SetHotButtons)
    Q_PROPERTY(zdb::GridTypes::TListBorder ListBorder READ GetListBorder WRITE SetListBorder)
    Q_PROPERTY(zdb::GridTypes::TMarkerStyle MarkerStyle READ GetMarkerStyle WRITE SetMarkerStyle)
    Q_PROPERTY(zdb::GridTypes::TMarkerTransparent MarkerTransparent READ GetMarkerTransparent WRITE
                   SetMarkerTransparent)
    Q_PROPERTY(bool Ctl3DAuto READ GetCtl3DAuto WRITE SetCtl3DAuto)
    Q_PROPERTY(zdb::GridTypes::TSystemStyleElements SystemStyleElements READ GetSystemStyleElements WRITE
                   SetSystemStyleElements)
    // Menus and hints.
    Q_PROPERTY(QMenu* FillerPopupMenu READ GetFillerPopupMenu WRITE SetFillerPopupMenu)
    Q_PROPERTY(QMenu* IndicatorPopupMenu READ GetIndicatorPopupMenu WRITE SetIndicatorPopupMenu)
    Q_PROPERTY(bool FillerButton READ GetFillerButton WRITE SetFillerButton)
    Q_PROPERTY(int FillerIndex READ GetFillerIndex WRITE SetFillerIndex)
    Q_PROPERTY(QString FillerHint READ GetFillerHint WRITE SetFillerHint)
    Q_PROPERTY(QString IndicatorHint READ GetIndicatorHint WRITE SetIndicatorHint)
    Q_PROPERTY(bool FillerToolMenu READ GetFillerToolMenu WRITE SetFillerToolMenu)
    Q_PROPERTY(bool PopupToolMenu READ GetPopupToolMenu WRITE SetPopupToolMenu)
    Q_PROPERTY(QStringList ToolMenuItems READ GetToolMenuItemNames WRITE SetToolMenuItemNames)
    Q_PROPERTY(QStringList ToolMenuSubItems READ GetToolMenuSubItemNames WRITE SetToolMenuSubItemNames)
    Q_PROPERTY(QStringList ToolMenuSubItemsEx READ GetToolMenuSubItemExNames WRITE SetToolMenuSubItemExNames)
    // Control properties under their own names.
    Q_PROPERTY(zdb::GridTypes::TImeMode ImeMode READ GetImeMode WRITE SetImeMode)
    Q_PROPERTY(QString ImeName READ GetImeName WRITE SetImeName)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool Visible READ isVisible WRITE setVisible STORED false)
    Q_PROPERTY(QString Hint READ toolTip WRITE setToolTip)
    Q_PROPERTY(bool TabStop READ GetTabStop WRITE SetTabStop)

public:
    // Passed to the constructor by descendants that substitute sub-objects
    // (see the unit comment); they then call CreateParts() themselves.
    enum TDeferCreate { DeferCreate };

    explicit TZCustomDBGrid(QWidget* parent = nullptr);
    TZCustomDBGrid(QWidget* parent, TDeferCreate);
    ~TZCustomDBGrid() override;

    // ---- Sub-objects ---------------------------------------------------------
    TZDBGridColumns* Columns() const { return FColumns.get(); }
    TZGridDataLink* DataLink() const { return FDataLink.get(); }
    TZDBGridFilter* FilterGrid() const { return FFilter.get(); }
    TZDBGridSearch* Search() const { return FSearch.get(); }
    TZDBGridTreeView* TreeView() const { return FTreeView.get(); }
    TZGridStyle* GridStyle() const { return FGridStyle.get(); }
    TZScrollProp* ScrollProp() const { return FScrollProp.get(); }
    TZDBGridSettings* Settings() const { return FSettings.get(); }
    TZDBGridGradient* Gradient() const { return FGradient.get(); }
    TZDBGridTotals* Totals() const { return FTotals.get(); }
    TZBookmarkList* SelectedRows() const { return FSelectedRows.get(); }
    TZColumnList* SelectedCols() const { return FSelectedCols.get(); }
    // Made on first use (CreateToolMenu).
    TZDBGridToolMenu* GetToolMenu();
    TZDBGridToolMenu* ToolMenu() { return GetToolMenu(); }
    // The tool menu if it exists (no creation).
    TZDBGridToolMenu* ToolMenuIfAny() const { return FToolMenu.get(); }
    // Printing and export of the printed columns over all records, or only the
    // selected rows (TZDBGridReport in ZDBGridReport.h, which has the details);
    // a file that cannot be written raises EDatabaseError; false when cancelled.
    void PrintPreview(bool SelectedRows = false);
    bool Print(bool SelectedRows = false);
    bool ExportToPdf(const QString& FileName, bool SelectedRows = false);
    bool ExportToCsv(const QString& FileName, bool SelectedRows = false, QChar Separator = QChar());
    bool ExportToHtml(const QString& FileName, bool SelectedRows = false);
    TZTotalDataLink* TotalDataLink();
    // The totals data link if it exists (no creation).
    TZTotalDataLink* TotalDataLinkIfAny() const { return FTotalDataLink.get(); }

    // ---- Totals ----
    // Starts a calculation of the totals now, or after DelayInterval with
    // dgDelayUpdateTotals (calls while the timer is pending join that one
    // calculation). Auto: a change of data or options asks (dgAutoUpdateTotals).
    void UpdateTotals(bool Auto);
    // The complete calculation (reset, records, final) of every column's
    // calculated totals in one walk; Selected: only the totals that follow the
    // selection (dgTotal...Selected).
    virtual void UpdateCalcValues(bool Selected);
    // One pass over all columns' totals; true when any took part.
    virtual bool DoCalcValues(TCalcPass Pass, bool Selected);
    // Calls Fn for every total value of every column whose row kind takes part in Pass
    // (CurrentSelected: whether the record stands among the selected, asked when needed).
    void ForEachCalcTotal(TCalcPass Pass, bool Selected, const std::function<bool()>& CurrentSelected,
                          const std::function<void(TZColumnTotalValue*)>& Fn);
    // The text of total row Index (counted from 0 below the blank row) of Column.
    QString GetTotalText(TZColumn* Column, int Index, TTextKind Kind);
    // Repaints the total cells that show TotalResult (and Field when given).
    void TotalsChanged(TTotalResult TotalResult, TField* Field);
    // Whether a calculation is walking the records.
    bool CalculatingTotals() const { return FCalculatingTotals; }
    void InvalidateTotalRows();
    // Every column's totals look their fields up again.
    void SetTotalFieldsUnbound();
    // The columns that are showing, in collection order (rebuilt by each layout).
    const std::vector<TZColumn*>& ShowingColumns() const { return FShowingColumns; }

    // ---- Data and behaviour ---------------------------------------------------
    TDataSource* GetDataSource() const;
    void SetDataSource(TDataSource* Value);
    QObject* GetDataSourceObject() const;
    void SetDataSourceObject(QObject* Value);
    TDataSet* DataSet() const;
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    QString GetKeyFields() const { return FKeyFields; }
    void SetKeyFields(const QString& Value);
    QString GetDetailFields() const { return FDetailFields; }
    void SetDetailFields(const QString& Value);
    // The order fields ("Name,City DESC"): the markers of the order list, or
    // the stored string while the columns are default and the data is closed.
    QString GetOrderFields() const;
    // Marks the columns named in Value (";" or "," separated, " DESC"/" ASC"
    // in any case); see ZDBGridsOrder.cpp.
    void SetOrderFields(const QString& Value);

    TZDBGridOptions GetOptions() const { return FOptions; }
    void SetOptions(TZDBGridOptions Value);
    TZDBGridOptionsEx GetOptionsEx() const { return FOptionsEx; }
    void SetOptionsEx(TZDBGridOptionsEx Value);
    TZDBGridOptionsExt GetOptionsExt() const { return FOptionsExt; }
    void SetOptionsExt(TZDBGridOptionsExt Value);
    TZHintOptions GetHintOptions() const { return FHintOptions; }
    void SetHintOptions(TZHintOptions Value) { FHintOptions = Value; }
    TZResizeOptions GetResizeOptions() const { return FResizeOptions; }
    void SetResizeOptions(TZResizeOptions Value) { FResizeOptions = Value; }
    TMultiSelectOptions GetMultiSelectOptions() const { return FMultiSelectOptions; }
    void SetMultiSelectOptions(TMultiSelectOptions Value);
    TGridDrawingOptions GetDrawingOptions() const { return FDrawingOptions; }
    void SetDrawingOptions(TGridDrawingOptions Value);
    // MultiSelectOptions by member names; a list with an unknown name is refused.
    QStringList GetMultiSelectOptionNames() const;
    void SetMultiSelectOptionNames(const QStringList& Value);
    // Whether Tab moves the focus to the grid.
    bool GetTabStop() const { return focusPolicy() & Qt::TabFocus; }
    void SetTabStop(bool Value) { setFocusPolicy(Value ? Qt::StrongFocus : Qt::ClickFocus); }

    // ---- Sizes and layout -------------------------------------------------------
    int GetIndicatorWidth() const { return FIndicatorWidth; }
    void SetIndicatorWidth(int Value);
    int GetLinesCount() const { return FLinesCount; }
    void SetLinesCount(int Value);
    int GetLinesCountMin() const { return FLinesCountMin; }
    void SetLinesCountMin(int Value);
    int GetLinesCountMax() const { return FLinesCountMax; }
    void SetLinesCountMax(int Value);
    int GetTitleLinesCount() const { return FTitleLinesCount; }
    void SetTitleLinesCount(int Value);
    int GetHeaderLinesCount() const { return FHeaderLinesCount; }
    void SetHeaderLinesCount(int Value);
    int GetGridLineWidth() const { return TCustomGrid::GetGridLineWidth(); }
    void SetGridLineWidth(int Value);
    // Data columns frozen at the left (the indicator is not counted).
    int GetFixedCols() const { return FFixedCols; }
    void SetFixedCols(int Value);
    int GetDefaultWidthMin() const { return FDefaultWidthMin; }
    void SetDefaultWidthMin(int Value);
    int GetDefaultWidthMax() const { return FDefaultWidthMax; }
    void SetDefaultWidthMax(int Value);
    bool GetStretchMode() const { return FStretchMode; }
    void SetStretchMode(bool Value);
    int GetStretchWidthMin() const { return FStretchWidthMin; }
    void SetStretchWidthMin(int Value);
    int GetStretchWidthMax() const { return FStretchWidthMax; }
    void SetStretchWidthMax(int Value);
    int GetWheelScrollRows() const { return FWheelScrollRows; }
    void SetWheelScrollRows(int Value) { FWheelScrollRows = Value; }
    bool GetDragRows() const { return FDragRows; }
    void SetDragRows(bool Value) { FDragRows = Value; }
    // The grid's own scroll-bar setting (the base grid shows the horizontal bar).
    TScrollStyle GetScrollBars() const { return FScrollBarsValue; }
    void SetScrollBars(TScrollStyle Value);
    int DefaultColWidth() const { return GetDefaultColWidth(); }

    // ---- Look -----------------------------------------------------------------
    QFont GetFont() const { return font(); }
    void SetFont(const QFont& Value);
    bool GetParentFont() const { return !testAttribute(Qt::WA_SetFont); }
    void SetParentFont(bool Value);
    QFont GetTitleFont() const { return FTitleFont; }
    void SetTitleFont(const QFont& Value);
    QFont GetHeaderFont() const { return FHeaderFont; }
    void SetHeaderFont(const QFont& Value);
    TColor GetColor() const { return FColorValue; }
    void SetColor(TColor Value);
    bool GetParentColor() const { return FParentColor; }
    void SetParentColor(bool Value) { FParentColor = Value; }
    TColor GetFixedColor() const { return FFixedColorValue; }
    void SetFixedColor(TColor Value);
    TColor GetHeaderColor() const { return FHeaderColor; }
    void SetHeaderColor(TColor Value);
    bool IsHeaderColorStored() const { return FHeaderColorAssigned; }
    TColor GetFillerColor() const { return FFillerColor; }
    void SetFillerColor(TColor Value);
    bool IsFillerColorStored() const { return FFillerColorAssigned; }
    TColor GetEditorColor() const { return FEditorColor; }
    void SetEditorColor(TColor Value) { SetLookColor(FEditorColor, Value); }
    TColor GetStripeColor() const { return FStripeColor; }
    void SetStripeColor(TColor Value) { SetLookColor(FStripeColor, Value); }
    TColor GetSelectionColor() const { return FSelectionColor; }
    void SetSelectionColor(TColor Value) { SetLookColor(FSelectionColor, Value); }
    TColor GetSelectRowColor() const { return FSelectRowColor; }
    void SetSelectRowColor(TColor Value) { SetLookColor(FSelectRowColor, Value); }
    TColor GetSelectCellColor() const { return FSelectCellColor; }
    void SetSelectCellColor(TColor Value) { SetLookColor(FSelectCellColor, Value); }
    TColor GetHighlightText() const { return FHighlightText; }
    void SetHighlightText(TColor Value) { SetLookColor(FHighlightText, Value); }
    TColor GetDataColLineColor() const { return FDataColLineColor; }
    void SetDataColLineColor(TColor Value) { SetLookColor(FDataColLineColor, Value); }
    TColor GetDataRowLineColor() const { return FDataRowLineColor; }
    void SetDataRowLineColor(TColor Value) { SetLookColor(FDataRowLineColor, Value); }
    TFixedStyle GetFixedStyle() const { return FFixedStyle; }
    void SetFixedStyle(TFixedStyle Value);
    TFixedTheme GetFixedTheme() const { return FFixedTheme; }
    void SetFixedTheme(TFixedTheme Value);
    // Themed while the fixed cells take the system theme, gradient while they
    // are filled with a gradient, else classic; setting it sets FixedTheme and
    // FixedStyle (classic keeps a flat or standard style).
    TGridDrawingStyle GetDrawingStyle() const;
    void SetDrawingStyle(TGridDrawingStyle Value);
    TFocusRect GetFocusRect() const { return FFocusRect; }
    void SetFocusRect(TFocusRect Value);
    THotButtons GetHotButtons() const { return FHotButtons; }
    void SetHotButtons(THotButtons Value);
    TListBorder GetListBorder() const { return FListBorder; }
    void SetListBorder(TListBorder Value) { FListBorder = Value; }
    TMarkerStyle GetMarkerStyle() const { return FMarkerStyle; }
    void SetMarkerStyle(TMarkerStyle Value);
    TMarkerTransparent GetMarkerTransparent() const { return FMarkerTransparent; }
    void SetMarkerTransparent(TMarkerTransparent Value);
    bool GetCtl3DAuto() const { return FCtl3DAuto; }
    void SetCtl3DAuto(bool Value) { FCtl3DAuto = Value; }
    TSystemStyleElements GetSystemStyleElements() const { return FSystemStyleElements; }
    void SetSystemStyleElements(TSystemStyleElements Value);
    bool GetFillerButton() const { return FFillerButton; }
    void SetFillerButton(bool Value) { FFillerButton = Value; }
    int GetFillerIndex() const { return FFillerIndex; }
    void SetFillerIndex(int Value) { FFillerIndex = Value; }
    QString GetFillerHint() const { return FFillerHint; }
    void SetFillerHint(const QString& Value) { FFillerHint = Value; }
    QString GetIndicatorHint() const { return FIndicatorHint; }
    void SetIndicatorHint(const QString& Value) { FIndicatorHint = Value; }
    QMenu* GetFillerPopupMenu() const { return FFillerPopupMenu; }
    void SetFillerPopupMenu(QMenu* Value) { FFillerPopupMenu = Value; }
    QMenu* GetIndicatorPopupMenu() const { return FIndicatorPopupMenu; }
    void SetIndicatorPopupMenu(QMenu* Value) { FIndicatorPopupMenu = Value; }
    bool GetFillerToolMenu() const { return FFillerToolMenu; }
    void SetFillerToolMenu(bool Value) { FFillerToolMenu = Value; }
    bool GetPopupToolMenu() const { return FPopupToolMenu; }
    void SetPopupToolMenu(bool Value) { FPopupToolMenu = Value; }
    // The items of the tool menu that exist for the user (a change updates the menu).
    TZDBGridToolMenuItems GetToolMenuItems() const { return FToolMenuItems; }
    void SetToolMenuItems(TZDBGridToolMenuItems Value);
    TZDBGridToolMenuSubItems GetToolMenuSubItems() const { return FToolMenuSubItems; }
    void SetToolMenuSubItems(TZDBGridToolMenuSubItems Value);
    TZDBGridToolMenuSubItemsEx GetToolMenuSubItemsEx() const { return FToolMenuSubItemsEx; }
    void SetToolMenuSubItemsEx(TZDBGridToolMenuSubItemsEx Value);
    QStringList GetToolMenuItemNames() const { return EnumSetNames(FToolMenuItems); }
    void SetToolMenuItemNames(const QStringList& Value);
    QStringList GetToolMenuSubItemNames() const { return EnumSetNames(FToolMenuSubItems); }
    void SetToolMenuSubItemNames(const QStringList& Value);
    QStringList GetToolMenuSubItemExNames() const { return EnumSetNames(FToolMenuSubItemsEx); }
    void SetToolMenuSubItemExNames(const QStringList& Value);
    // The item sets changed: the menu, when made, shows the items anew.
    void ToolMenuItemsChanged();
    // A colour property resolved: the default-colour marker gives Default, the
    // no-colour value gives Fallback (or Default when Fallback is the marker).
    static TColor GetTrueColor(TColor Color, TColor Default, TColor Fallback);
    // The colours of the colour properties left at clDefault (ZDBGridsPaint.cpp).
    virtual TColor DefaultDataLineColor() const;
    virtual TColor DefaultEditorColor() const;
    virtual TColor DefaultHighlightText() const;
    virtual TColor DefaultStripeColor() const;
    virtual TColor DefaultSelectCellColor() const;
    virtual TColor DefaultSelectionColor() const;
    virtual TColor DefaultSelectRowColor() const;
    // Whether the grid is drawn by a themed style (every style but the classic one).
    bool Themed() const;

    // ---- Look by visual style (ZDBGridsPaintStyles.cpp) ----
    // Four lookups keyed by the name of a visual style (a Qt style's name in
    // lower case such as "fusion" or "windows", or "vsStandard" and "vsCustom"
    // for those grid styles), filled at start from a built-in table; an
    // unknown name answers the defaults. CellFrameStyle: the frame of the
    // current cell under frAuto (0 none, 1 the Qt style's focus frame, 2 dotted,
    // 3 solid). FixedTextStyle: the text of fixed cells (0 plain, 1 engraved,
    // 2 bold). SelectRowStyle: the selected row (0 filled with its colour,
    // 1 tinted, 2 framed by lines in its colour). FlatStyle: fixed cells under
    // fsDefault (and the filter form) are flat rather than raised.
    static int GetCellFrameStyle(const QString& StyleName);
    static void SetCellFrameStyle(const QString& StyleName, int Value);
    static int GetFixedTextStyle(const QString& StyleName);
    static void SetFixedTextStyle(const QString& StyleName, int Value);
    static int GetSelectRowStyle(const QString& StyleName);
    static void SetSelectRowStyle(const QString& StyleName, int Value);
    static bool GetFlatStyle(const QString& StyleName);
    static void SetFlatStyle(const QString& StyleName, bool Value);
    // The key of this grid's visual style: "vsStandard" or "vsCustom" while
    // GridStyle says so, else the name of the Qt style the grid is drawn with.
    QString ActiveStyleName() const;
    int GetCellFrameActiveStyle() const { return GetCellFrameStyle(ActiveStyleName()); }
    void SetCellFrameActiveStyle(int Value);
    int GetFixedTextActiveStyle() const { return GetFixedTextStyle(ActiveStyleName()); }
    void SetFixedTextActiveStyle(int Value);
    int GetSelectRowActiveStyle() const { return GetSelectRowStyle(ActiveStyleName()); }
    void SetSelectRowActiveStyle(int Value);
    bool GetFlatActiveStyle() const { return GetFlatStyle(ActiveStyleName()); }
    void SetFlatActiveStyle(bool Value);
    // The automatic members resolved: FixedStyle (fsDefault by the flat style),
    // whether the Qt style draws the fixed cells (ftSystem, or ftDefault with
    // dgForceSystemTheme and sseFixed), HotButtons, MarkerStyle and whether
    // the sort markers sit on an opaque backdrop.
    TFixedStyle ActiveFixedStyle() const;
    bool SystemFixedTheme() const;
    THotButtons ActiveHotButtons() const;
    TMarkerStyle ActiveMarkerStyle() const;
    bool MarkerOpaque() const;
    // A colour value as the QColor painted on this grid.
    QColor ToQColor(TColor Color) const;

    // ---- Columns and rows ----------------------------------------------------------
    int IndicatorOffset() const { return FIndicatorOffset; }
    int RawToDataColumn(int RawCol) const { return RawCol - FIndicatorOffset; }
    int DataToRawColumn(int DataCol) const { return DataCol + FIndicatorOffset; }
    int GetDataLeftCol() const { return RawToDataColumn(GetLeftCol()); }
    void SetDataLeftCol(int Value) { SetLeftCol(DataToRawColumn(Value)); }
    // Width of the first FixedCols data columns, their lines included.
    int FixedColsWidth() const;
    // The column of a raw column; nullptr for the indicator or out of range.
    TZColumn* ColumnOfRaw(int RawCol) const;
    // Whether Tab stops on the column: it shows and it and its field (and the
    // key fields of a lookup) can be edited, with an active link.
    bool ColumnTabStop(TZColumn* Column) const;

    int TitleRowCount() const { return FTitleRowCount; }
    int BottomRowCount() const { return FBottomRowCount; }
    int TotalRowCount() const;
    int TotalHeaderRowCount() const { return FTotalHeaderRowCount; }
    int TotalValuesRowCount() const { return FTotalValuesRowCount; }
    int TotalFieldsRowCount() const;
    int TotalFooterRowCount() const { return FTotalFooterRowCount; }
    int DataRowCount() const;
    int VisibleRowCount() const;
    int RowHeight() const;
    int RowLineWidth() const;
    int ColLineWidth() const;
    int TitleHeight() const;
    int TotalHeight() const;
    int DataRowsHeight() const;
    int DataHeight() const;
    int BlankHeight() const;
    int HeaderRowHeight() const { return FHeaderRowHeight; }
    int TotalRowHeight() const { return FTotalRowHeight; }
    int TextHeight() const { return FTextHeight; }
    // Whether the total rows are aligned to the lower border.
    bool TotalsAlignedToBorder() const;
    // The first data row (= TitleRowCount) and the raw row of the blank row
    // (-1 without bottom block).
    int FirstDataRow() const { return FTitleRowCount; }
    int BlankRow() const;
    // Index of the header band under the client Y inside Column's title cell;
    // -1 outside the bands or with dgTitleHeaders off.
    int HeaderRow(int Y, TZColumn* Column) const;
    // Column itself or its nearest ancestor whose depth is at most Depth.
    static TZColumn* ColumnAtDepth(TZColumn* Column, int Depth);

    // ---- Column operations -----------------------------------------------------------
    TZColumn* FindColumn(const QString& Name, int StartIndex = 0) const;
    TZColumn* ColumnByName(const QString& Name, int StartIndex = 0) const;
    TZColumn* SelectedColumn() const;
    TField* SelectedField() const;
    int GetSelectedIndex() const { return RawToDataColumn(GetCol()); }
    int SelectedIndex() const { return GetSelectedIndex(); }
    void SetSelectedIndex(int Value);
    // Distance of the painted buffer record from the link's real active record
    // while a walk over the buffer is in progress.
    int RecordOffset() const { return FRecordOffset; }
    void SetRecordOffset(int Value) { FRecordOffset = Value; }
    // A column leaves the collection: forget every reference to it.
    virtual void ColumnExtracting(TZColumn* Column);
    // Whether the field map or a column is bound to Field (the grid then keeps
    // its free notification on it).
    bool FieldReferenced(const TField* Field) const;
    // Defaults of the columns' input-method settings.
    TImeMode GetImeMode() const { return FImeMode; }
    void SetImeMode(TImeMode Value)
    {
        if (Value == FImeMode)
            return;
        FImeMode = Value;
        UpdateInputMethod();
    }
    QString GetImeName() const { return FImeName; }
    void SetImeName(const QString& Value) { FImeName = Value; }
    // Whether a default column's width edits go to its field's DisplayWidth.
    bool GetUpdateFields() const { return FUpdateFields; }
    void SetUpdateFields(bool Value) { FUpdateFields = Value; }
    // Sum of the widths of all raw columns, lines included.
    int ColumnsWidth() const;
    // Stretching is active while StretchMode is on and the link is active.
    bool StretchActive() const;
    // Fits the showing columns to the client width (only while active).
    void StretchGrid();
    bool Stretching() const { return FStretching; }
    // The width StretchGrid distributes.
    int StretchAvailableWidth() const;
    // Scales the grid's sizes and the columns' by M / D.
    void ScaleColumnsBy(int M, int D, bool ScaleFonts);
    void AdjustColumnsWidth(bool Optimal, bool IncludeButtons);
    // Whether a selected record is the current one (multi-selection).
    bool IsRowSelected() const;

    // ---- Layout ---------------------------------------------------------------------
    void BeginUpdate();
    void EndUpdate();
    bool UpdateLocked() const { return FUpdateLock > 0; }
    virtual bool UpdateInProgress() const;
    void BeginLayout();
    void EndLayout();
    void CancelLayout();
    bool AcquireLayoutLock();
    int LayoutLock() const { return FLayoutLock; }
    int UpdateLock() const { return FUpdateLock; }
    virtual void LayoutChanged();
    void DeferLayout();
    bool DeferredLayoutPending() const { return DeferredPending(1124); }
    bool LayoutFromDataSet() const { return FLayoutFromDataSet; }
    // Sets the link's buffer to the visible rows and the row count to the records.
    void UpdateRowCount();
    // Brings Row in line with the link's active record.
    virtual void UpdateActive();
    // The grid is loading / writing its stream.
    bool IsLoading() const { return ComponentState() & csLoading; }
    bool IsWriting() const { return FWriting; }
    bool IsDestroying() const { return ComponentState() & csDestroying; }
    bool IsDesigning() const { return ComponentState() & csDesigning; }
    void Loaded() override;

Q_SIGNALS:
    // The data link became active or inactive, or the grid took another data
    // source: controls that follow the grid's current record look again.
    void DataLinkChanged();

public:
    // ---- Linked grids (ZDBGridsLinked.cpp) ------------------------------------------------
    // Grids linked through MasterGrid form a ring of managed-grid references
    // and copy their layout (column visibility and widths, IndicatorWidth,
    // FixedCols, LeftCol) to each other through Synchronize.
    TZCustomDBGrid* ManageGrid() const { return FManageGrid; }
    TZCustomDBGrid* GetMasterGrid() const { return FMasterGrid; }
    // Joins the group of Value (nullptr: leaves its group). A grid that already
    // follows this grid raises SCircularDataLink (dropped while loading).
    void SetMasterGrid(TZCustomDBGrid* Value);
    virtual void Synchronize();
    bool GetSynchronizing() const { return FSynchronizing; }
    void SetSynchronizing(bool Value) { FSynchronizing = Value; }

    // ---- Position, refresh and delayed updates (ZDBGridsPosition.cpp) ---------------------
    // The link's active record while active, else 0; writing moves the link.
    int GetPosition() const;
    void SetPosition(int Value);
    int RecCount() const;
    int GetRecNumber() const;
    void SetRecNumber(int Value);
    // Store N only under a forced sequence (dgForceSequence and an active link).
    void SetupRecCount(int N);
    void SetupRecNumber(int N);
    // Puts the record of Bookmark (the current one when empty) on buffer row Pos.
    bool GotoPosition(int Pos, const TBookmark& Bookmark = TBookmark());
    // Counted: the first stores the position and disables the dataset's
    // controls, the last returns there (KeepCurrent: with the current record).
    void DisablePosition();
    void EnablePosition(bool KeepCurrent = false);
    bool PositionDisabled() const { return FPositionCount > 0; }
    // Counted: disables the control and the dataset's controls, and cancels
    // list, sequence and totals work until the last EnableGrid.
    void DisableGrid();
    void EnableGrid();
    bool GridDisabled() const { return FGridDisableCount > 0; }
    bool KeepPosition() const { return !FKeyFields.isEmpty(); }
    // Reopens the dataset and finds the current record again by KeyFields
    // (empty: the KeyFields property).
    void RefreshDataSet(const QString& KeyFields = QString());
    int CancelCount() const { return FCancelCount; }
    // The deferred updates, each with its own single-shot timer of DelayInterval ms.
    enum TZDelayedUpdate { duEndSelection, duListItems, duSequence, duTotals };
    // Starts (or restarts) the timer of Kind; false when no delay is possible now
    // (designing, or the grid is not showing): the caller then works at once.
    bool DelayUpdate(TZDelayedUpdate Kind);
    bool DelayPending(TZDelayedUpdate Kind) const;
    // Runs every pending delayed update at once.
    void PerformDelayed();
    // Focuses the grid when it may; false when it could not take the focus.
    bool AcquireFocus();
    bool GetAcquireFocusEnabled() const { return FAcquireFocusEnabled; }
    void SetAcquireFocusEnabled(bool Value) { FAcquireFocusEnabled = Value; }
    void AlwaysShowEditor();

    // ---- Notifications the columns call --------------------------------------------------
    // An expandable column was expanded or collapsed (fires OnColExpand).
    virtual void ColExpand(TZColumn* Column);
    // Makes RawCol current, or the next showing column from it in Direction
    // (+1 / -1; the nearest one back when none); Direction 0: RawCol only.
    virtual void MoveCol(int RawCol, int Direction);
    virtual void GradientChanged();
    // The text of a cell as painted (data rows: the column's display text;
    // title rows: the caption or header band; otherwise empty).
    QString CellText(int ACol, int ARow);

    // ---- Cell text and values (ZDBGridsText.cpp) ------------------------------------------
    // What a column stores and what it shows: one item, stored form -> shown
    // form (the record number of an AutoNumber column, the lookup result of
    // an lcLookupValueField column, the display text of a pick-list value;
    // a lookup key or pick value that matches nothing shows empty with
    // poListItemsOnly and for the lookup, else unchanged).
    virtual QString ColGetItem(TZColumn* Column, const QString& Value, TTextKind TextKind);
    // One item, shown form -> stored form (a pick list's value or index; a text
    // matching no item stays, or is empty with poListItemsOnly).
    virtual QString ColSetItem(TZColumn* Column, const QString& Text);
    // The pick-list rules of ColGetItem and ColSetItem alone, for any column
    // (also one of no grid, as a stand-alone editor keeps its settings in).
    static QString PickGetItem(const TZColumn* Column, const QString& Value);
    static QString PickSetItem(const TZColumn* Column, const QString& Text);
    // A cell's whole text, stored form -> shown form: a multi-select list item
    // by item, the display text through the column's FormatText, then OnColGetText.
    virtual QString ColGetText(TZColumn* Column, const QString& Value, TTextKind TextKind);
    // A cell's whole text, shown form -> stored form: OnColSetText first, then
    // a multi-select list item by item, else ColSetItem.
    virtual QString ColSetText(TZColumn* Column, const QString& Text);
    // A column's cell text was written (fires OnColTextChanged).
    virtual void ColTextChanged(TZColumn* Column);
    // The editor a column's cells get (the selected column when none is given).
    TEditorStyle GetEditorStyle(TZColumn* Column = nullptr) const;
    // The display text of data column ACol for the current record; empty out
    // of range or with an inactive link.
    QString GetFieldValue(int ACol) const;
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column, QString& Text, TTextKind TextKind)> OnColGetText;
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column, QString& Text)> OnColSetText;
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column)> OnColTextChanged;

    // ---- Painting (ZDBGridsPaint.cpp) -----------------------------------------------
    // The standard content of a data cell on Canvas() for the record being
    // painted: the column's display text, or its check-box glyph.
    void DefaultDrawColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState);
    // Fired for each data cell of a record, with the record active and the
    // canvas prepared (background filled, pen and font set): OnPaintColumnCell
    // before the standard drawing (which DefaultDrawing switches off), then
    // OnDrawDataCell (default columns only) and OnDrawColumnCell after it.
    std::function<void(TZCustomDBGrid* Sender, const QRect& Rect, int DataCol, TZColumn* Column,
                       TGridDrawState State)>
        OnPaintColumnCell;
    std::function<void(TZCustomDBGrid* Sender, const QRect& Rect, TField* Field, TGridDrawState State)>
        OnDrawDataCell;
    std::function<void(TZCustomDBGrid* Sender, const QRect& Rect, int DataCol, TZColumn* Column,
                       TGridDrawState State)>
        OnDrawColumnCell;
    // The image of a column with Images for the record being painted: Index
    // starts as the field's value when that is a whole number, else -1.
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column, int& ImageIndex)> OnCalcImageIndex;
    // The state of the cell being painted, set before its content is drawn,
    // and whether it is drawn in the highlight colours.
    TSelections CellSelections() const { return FCellSelections; }
    bool CellHighlight() const { return FCellHighlight; }
    // The text lines WriteText draws into ARect: each at its baseline origin,
    // already shortened to its ellipsis.
    struct TTextLine {
        QPoint Origin;
        QString Text;
    };
    // The fill and text colours of a data cell in the state Selections (Focused:
    // the grid has the focus); GradientCell: the kind of gradient it is filled
    // with, none for a solid fill.
    void DataCellColors(TZColumn* Column, TSelections Selections, bool Focused, QColor& Back, QColor& Text,
                        TColor& BackValue, std::optional<TZQGradientCell>& GradientCell) const;
    std::vector<TTextLine> LayoutText(const QFontMetrics& Metrics, const QRect& ARect, int Margin,
                                      const QString& Text, TAlignment Alignment, TVAlignment VAlignment,
                                      bool WordWrap, bool Ellipsis, const QFont& Font) const;

    // ---- Filter (ZDBGridsFilter.cpp) ---------------------------------------------------
    // The grid installs its filter on the dataset (Filtered on, Filter = the
    // dataset's own filter joined with the columns' expressions, OnFilterRecord
    // = the grid's record test) while a column filters, and gives the dataset
    // back its own three values when the last column filter goes. Meanwhile
    // Filter, Filtered and OnFilterRecord read and write those saved values;
    // otherwise they are the dataset's own.
    QString GetFilter() const;
    void SetFilter(const QString& Value);
    bool GetFiltered() const;
    void SetFiltered(bool Value);
    TFilterRecordEvent GetOnFilterRecord() const;
    void SetOnFilterRecord(const TFilterRecordEvent& Value);
    // Filter and Filtered are stored only while the filter is installed.
    bool IsFilterStored() const { return FFilter && FFilter->GetActive(); }
    // The grid's record test as a dataset handler, and whether Handler is it.
    TFilterRecordEvent FilterRecordHandler();
    bool IsFilterRecordHandler(const TFilterRecordEvent& Handler) const;
    // Column filters changed: applied (UpdateFilter) with AutoUpdate, an active
    // search row filter or tree view; otherwise only OnFilterChanged.
    virtual void FilterChanged();
    // Installs the filter on the dataset or removes it, as needed.
    virtual void UpdateFilter();
    // Gives the dataset these filter values, keeping the current record (by
    // KeyFields, empty: the grid's) and, with dgAutoKeepSelection, the
    // selection; then FilterUpdated. On an inactive dataset (or while the
    // grid is destroyed) the values are only set. A value the dataset refuses
    // raises, and the dataset keeps the values it had. With the grid's record
    // test, the columns' value lists are offered to the dataset first
    // (SetFilterValueLists); when it takes them and the grid needs no other
    // per-record test, no handler is installed at all.
    virtual void ChangeDataSetFilter(bool Filtered, const QString& Filter, const TFilterRecordEvent& OnFilterRecord,
                                     const QString& KeyFields = QString());
    // Hooks of the search's row filter and the tree view's hidden rows, which
    // take part in the record test once they exist.
    virtual bool SearchFilterActive() const { return FSearch && FSearch->GetFilterActive(); }
    // Whether the record being filtered lacks the search text (ZDBSearchGrid.cpp).
    virtual bool SearchRecordRejected(TDataSet* DataSet) const;
    virtual bool TreeViewActive() const { return FTreeView && FTreeView->GetActive(); }
    virtual bool TreeRecordHidden(TDataSet* DataSet) const { return FTreeView && FTreeView->RecordHidden(DataSet); }
    // Repaints the title rows.
    void InvalidateTitles();

    // Column filters changed and were not applied (AutoUpdate off).
    std::function<void(TZCustomDBGrid* Sender)> OnFilterChanged;
    // The grid changed the dataset's filter.
    std::function<void(TZCustomDBGrid* Sender)> OnFilterUpdated;

    // ---- Sort order (ZDBGridsOrder.cpp) -----------------------------------------------
    // The last order fields set or computed (what GetOrderFields returns while
    // the columns are default and the data is closed).
    QString StoredOrderFields() const { return FOrderFields; }
    // Applies OrderFields (empty: GetOrderFields) to the dataset by the method
    // registered for its class (ChangeOrderList); false when there is none.
    virtual bool ChangeDataSetOrder(const QString& OrderFields = QString());
    // The built-in methods: the index-field-names property (PropName, default
    // "IndexFieldNames", Suffix: see OrderFieldsToIndexFields), the ORDER BY of
    // a query text property (default "CommandText") and of a string-list
    // property (default "SQL").
    void ChangeIndexFields(const QString& OrderFields, const QString& PropName = QString(),
                           const QString& Suffix = QString());
    void ChangeOrderFields(const QString& OrderFields, const QString& PropName = QString());
    void ChangeSQLOrderFields(const QString& OrderFields, const QString& PropName = QString());
    // The dataset's order in order-fields form (empty without dataset or method).
    virtual QString CurrentDataSetOrder();
    QString CurrentIndexFields(const QString& PropName = QString(), const QString& Suffix = QString());
    QString CurrentOrderFields(const QString& PropName = QString());
    QString CurrentSQLOrderFields(const QString& PropName = QString());
    // Marker changes nest in this bracket; the outermost end compares the order
    // with the one at the outermost begin and calls OrderChanged once.
    void BeginOrderUpdate();
    void EndOrderUpdate();
    int OrderUpdateCount() const { return FOrderUpdateCount; }
    // SetupOrderFields(CurrentDataSetOrder()).
    void SetupCurrentOrder();
    // SetOrderFields(S) with the bracket counter raised, so no OrderChanged.
    void SetupOrderFields(const QString& S);
    // Current false: apply the markers; true: read the dataset's order under
    // dgLoadCurrentOrder, else apply under dgAutoUpdateOrder. Nothing while loading.
    virtual void UpdateOrder(bool Current);
    // Runs the order-apply protocol once the new order differs from the one in force:
    // Apply sets the new order; Restore puts the old value back and returns the order (order-fields form) that is in force again.
    // CloseDataSet: the dataset is closed around Apply and reopened (query rewriting); WithBeginUpdate: BeginUpdate/EndUpdate around it.
    // ClearAlways: ClearSelection even when the dataset is not active (the index method).
    void ApplyDataSetOrder(const std::function<void()>& Apply, const std::function<QString()>& Restore,
                           bool CloseDataSet, bool WithBeginUpdate, bool ClearAlways = false);
    // Selection keeping across a re-sort: KeyFields set and dgAutoKeepSelection.
    bool KeepSelection() const;
    // The link became active: markers from the dataset's order under
    // dgLoadCurrentOrder; else the stored order is applied (dgAutoUpdateOrder)
    // and put into default columns as markers.
    void ActivateOrder();
    // The markers follow the stored order fields again when they no longer
    // give it (columns rebuilt while the position was disabled).
    void CheckOrderMarkers();

    // Markers changed and were not applied automatically.
    std::function<void(TZCustomDBGrid* Sender)> OnOrderChanged;
    // The grid changed the dataset's order.
    std::function<void(TZCustomDBGrid* Sender)> OnOrderUpdated;
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column)> OnTitleClick;

    // ---- Selection (ZDBGridsSelect.cpp) -------------------------------------------
    TMultiSelect GetMultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(TMultiSelect Value);
    // Re-evaluates MultiSelect from the range, the whole-column flag and the options.
    void UpdateMultiSelect();
    void UpdateSelectionMinMax();
    // Selection bracket: notifications are delivered once when the outermost closes.
    void BeginSelect();
    void EndSelect();
    void CancelSelect() { EndSelect(); }
    int SelectCount() const { return FSelectCount; }
    virtual void ClearSelection();
    void UnselectAll() { ClearSelection(); }
    void SelectAll();
    void SelectRow();
    void SelectRows();
    void UnselectRow();
    void UnselectRows();
    void InvertAll();
    void InvertRow();
    void InvertRows();
    bool RowsSelection() const { return FMultiSelect == msRows || FMultiSelect == msCells; }
    bool ColsSelection() const { return FMultiSelect == msCols || FMultiSelect == msCells; }
    bool RowsSelected() const;
    bool ColsSelected() const;
    bool MultiSelected() const { return RowsSelected() || ColsSelected(); }
    bool ExtendedSelect() const;
    bool IsCellMultiSelected(int DataCol) const;
    bool IsColMultiSelected(int DataCol) const;
    // The current record's bookmark against the anchor's.
    int CompareRows() const;
    void CheckIsAnchorSelected();
    void CheckIsAnyRowSelected();
    void CheckIsAnyColSelected();
    TBookmark GetSelectionAnchor() const { return FSelectionAnchor; }
    void SetSelectionAnchor(const TBookmark& Value);
    int GetSelectionBegCol() const { return FSelectionBegCol; }
    void SetSelectionBegCol(int Value);
    int GetSelectionEndCol() const { return FSelectionEndCol; }
    void SetSelectionEndCol(int Value);
    bool GetSelectionColumn() const { return FSelectionColumn; }
    void SetSelectionColumn(bool Value);
    int SelectionMin() const { return FSelectionMin; }
    int SelectionMax() const { return FSelectionMax; }
    // The first data column that may be selected.
    int SelectionOffset() const { return FSelectionOffset; }
    void SaveSelection(const QString& KeyFields = QString());
    void RestoreSelection(const QString& KeyFields = QString());
    TMultiSelect SavedMultiSelect() const { return FSavedMultiSelect; }
    void ForEachDataCell(const TForEachCellProc& Proc, TForEachCellScope Scope = fsAutoSelect);
    void ForEachDataCell(TDataRowEnum RowEnum, TDataColEnum ColEnum, const TForEachCellProc& Proc);
    void ForEachDataRow(TDataRowEnum RowEnum, const TDataRowProc& Proc);
    void ForEachDataCol(TDataColEnum ColEnum, const TDataColProc& Proc);
    TZDataRowRange GetDataRowEnum(TDataRowEnum RowEnum) { return TZDataRowRange(this, RowEnum); }
    TZDataColRange GetDataColEnum(TDataColEnum ColEnum);
    TZDataRowRange DataRows() { return GetDataRowEnum(reAllRows); }
    TZDataRowRange CurrentRow() { return GetDataRowEnum(reCurrentRow); }
    TZDataColRange CurrentCol() { return GetDataColEnum(ceCurrentCol); }
    // Copies the selected cells as tab-separated lines.
    void CopyToClipboard(bool WithTitles);
    // The same text of whole rows (the columns from the first selectable one).
    QString RowsText(TDataRowEnum Rows, bool WithTitles);

    std::function<void(TZCustomDBGrid* Sender)> OnSelectedRowsChanged;
    std::function<void(TZCustomDBGrid* Sender)> OnListItemsUpdated;
    std::function<void(TZCustomDBGrid* Sender)> OnSelectedColsChanged;
    std::function<void(TZCustomDBGrid* Sender)> OnSelectionChanged;
    std::function<void(TZCustomDBGrid* Sender, TSelectAction Action)> OnRowSelect;

    // ---- Events ---------------------------------------------------------------------
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column)> OnColExpand;
    // A layout was built (Loading false) or is being applied (true); the
    // handler may add lines of its own or read them.
    std::function<void(TZCustomDBGrid* Sender, QStringList& Layout, bool Loading)> OnLayout;
    // The tool menu was made, its items' visibility set, is about to show; an
    // item without sub-items was clicked (after its work).
    std::function<void(TZDBGridToolMenu* Sender)> OnToolMenuCreate;
    std::function<void(TZDBGridToolMenu* Sender)> OnToolMenuUpdate;
    std::function<void(TZDBGridToolMenu* Sender)> OnToolMenuPopup;
    std::function<void(TZDBGridToolMenu* Sender, QAction* Item)> OnToolMenuClick;

    // Clicks and column changes (fired by the notifications of the same name
    // without "On", ZDBGridsMouse.cpp). Column indices are data-column indices.
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column)> OnCellClick;
    // Without a handler a double click on a data cell is the control's OnDblClick.
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column)> OnCellDblClick;
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column)> OnCellExpand;
    // A tree row is about to be expanded (Expand) or collapsed; clearing Allow refuses.
    std::function<void(TZCustomDBGrid* Sender, bool Expand, bool& Allow)> OnRowExpanding;
    // A tree row was expanded or collapsed.
    std::function<void(TZCustomDBGrid* Sender, bool Expanded)> OnRowExpand;
    // The emulated record count and number were recomputed (dgForceSequence).
    std::function<void(TZCustomDBGrid* Sender)> OnSequenceUpdated;

    // Rebuilds the tree (after applying the grid's column order); with Auto
    // only under the tree's AutoUpdate.
    virtual void UpdateTreeView(bool Auto);
    // The emulated record count and number (dgForceSequence): recomputed at
    // once, or with Auto under dgAutoUpdateSequence, delayed under dgDelayUpdateSequence.
    virtual void UpdateSequence(bool Auto);
    // Counts the records before the current one and all records by moving the
    // cursor; false when nothing was computed (already running, editing, no data).
    virtual bool UpdateSequenceValues();
    bool ForcedSequence() const;
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column)> OnExpandClick;
    // Band: the header band (0 = topmost) of Column's title.
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column, int Band)> OnHeaderClick;
    std::function<void(TZCustomDBGrid* Sender)> OnIndicatorClick;
    std::function<void(TZCustomDBGrid* Sender)> OnFillerClick;
    // Row: the total row, counted from 0 below the blank row.
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column, int Row)> OnTotalClick;
    // Each record of a calculation: Accept := false leaves it out.
    std::function<void(TZCustomDBGrid* Sender, TDataSet* DataSet, bool& Accept)> OnTotalCalcQuery;
    // Each pass of every calculated total: Value may be changed (cpReset: the
    // starting accumulator; cpCalcRec: the record's value; cpFinal: the result).
    std::function<void(TZColumnTotalValue* Total, TCalcPass Pass, QVariant& Value)> OnTotalCalcValue;
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column, int Index, QString& Text, TTextKind Kind)>
        OnTotalGetText;
    // After every calculation.
    std::function<void(TZCustomDBGrid* Sender)> OnTotalsUpdated;
    std::function<void(TZCustomDBGrid* Sender)> OnColEnter;
    std::function<void(TZCustomDBGrid* Sender)> OnColExit;
    // The user dragged a column: Moving may refuse (Allowed := false), Moved follows.
    std::function<void(TZCustomDBGrid* Sender, int FromIndex, int ToIndex, bool& Allowed)> OnColumnMoving;
    std::function<void(TZCustomDBGrid* Sender, int FromIndex, int ToIndex)> OnColumnMoved;
    // A column took a new width from its raw column (the user sized it).
    std::function<void(TZCustomDBGrid* Sender, TZColumn* Column)> OnColumnResize;
    // The first scrolled column (LeftCol) changed.
    std::function<void(TZCustomDBGrid* Sender)> OnColumnScroll;
    // The user sized a row (Row: the raw row).
    std::function<void(TZCustomDBGrid* Sender, int Row)> OnRowResize;
    std::function<void(TZCustomDBGrid* Sender)> OnEditButtonClick;

    // ---- Bitmaps --------------------------------------------------------------------
    const QPixmap& IndicatorBitmap() const { return FIndicators; }
    const QPixmap& CheckBoxBitmap() const { return FCheckBoxes; }
    const QPixmap& ExpandBoxBitmap() const { return FExpandBoxes; }

    // ---- Search (src/search/ZDBSearchGrid.cpp) -------------------------------------------
    // Searches Search.Text with Search.Options in Mode: wraps around or asks to
    // restart, and says when nothing is found (unless soSkipMessage).
    bool SearchGrid(TZSearchMode Mode);
    // One search run without messages: the matching cell becomes current, or
    // the record and row stay as they were.
    bool SearchCell(TZSearchMode Mode, const QString& Text, TZSearchOptions Options);
    // The search panel (made through GetSearchPanelClass) docked at the top or bottom.
    virtual void ShowSearchPanel();
    void CloseSearchPanel();
    void UpdateSearchPanel();
    int GetSearchPanelHeight() const;
    bool GetSearchPanelFocused() const;
    bool GetSearchPanelVisible() const;
    virtual TZSearchPanelClass GetSearchPanelClass() const;

    // ---- Keyboard (ZDBGridsKeys.cpp) --------------------------------------------------
    // The shift state of the last key (KeyDown); the search takes its direction from it.
    TShiftState LastKeyShift() const { return FKeyShift; }
    // The scroll modes and MoveBy: ZDBGridsScroll.cpp.

protected:
    // Ctrl+Tab and Ctrl+Shift+Tab go on to the parents (a QTabWidget turns its
    // pages with them), as in Qt's widgets that take Tab themselves.
    void keyPressEvent(QKeyEvent* Event) override;
    void KeyDown(int& Key, TShiftState Shift) override;
    // Check boxes and Enter, the incremental search text, else the editor starts
    // with the character.
    void KeyPress(QChar& Key) override;
    // The key table for an active link; false leaves the key to the base grid.
    virtual bool DataKeyDown(int Key, TShiftState Shift);
    // The next record (Append: a new one past the end) and the prior one, with
    // the selection step (Select); an untouched inserted record is cancelled instead.
    void NextRow(bool Select, bool Append);
    void PriorRow(bool Select);
    // Moves the link by Distance one record at a time: with Select and Shift
    // the rows swept are selected or unselected, else the selection is reset.
    int StepRecord(int Distance, bool Select);
    // Clears the multi-selection (unless dgAutoUnselectOff, or Force) and ends the sweep.
    void ResetSelection(bool Force = false);
    // Makes the showing column at or beyond RawCol in Direction current; in
    // browse state the column range of a column or cell selection follows.
    void KeyMoveCol(int RawCol, int Direction);
    // Tab and Shift+Tab: the next column with a tab stop, wrapping to the next
    // (a new one past the end) or prior record.
    void TabStep(bool Back);
    // A horizontal scroll-bar request followed by its end.
    void ScrollHorz(TScrollCode Code);
    // Whether the user may add a record here (Insert, Down past the end).
    bool CanInsertRecord() const;
    // Whether the dataset holds a new record nobody typed into yet.
    bool UntouchedInsertion() const;
    // Ctrl+Delete: the current record, or the selected rows, after the question.
    void DeleteRecords();
    // Asks Question with OK and Cancel; true for OK.
    virtual bool ConfirmDelete(const QString& Question);
    // F3: searches the search text again, from the first record (FromFirst) or
    // in the direction of the shift state.
    virtual void SearchAgain(bool FromFirst);
    // Leaving a column clears a current-column search's text.
    void SearchColExit();
    // The text layout records the search hit of a cell (Line 0 clears the last
    // one); the cell drawing paints it over the text of data column DataCol.
    void SearchHitLine(QPainter& Canvas, const QRect& ARect, int Line, const QString& Text, int X, int Top,
                       int LineHeight) const;
    void PaintSearchHit(QPainter& Canvas, int DataCol);
    // F4: drops down the column's filter list (fsFilterList) or opens the filter form.
    // The filter list and form themselves are unit ZDBFilter (src/filter/ZDBFilterList.cpp).
    virtual void DropDownAutoFilter(TZColumn* Column, TFilterStyle Style);
    // The incremental search filter takes Text: the search text is set and the rows filtered again.
    virtual void ApplySearchText(const QString& Text);

    TShiftState FKeyShift;
    bool FSweeping = false;       // Shift+moves extend the row selection from the anchor
    bool FSweepUnselect = false;  // the sweep unselects (it started on a selected row, dgAutoUnselectOff)
    int FSweepOffset = 0;         // records from the anchor to the current one
    TBookmark FSweepBookmark;     // where the sweep left the current record

protected:
    friend class TZDBGridTreeView;
    friend class TZGridDataLink;
    friend class TZTotalDataLink;
    friend class TZColumnTotalValue;
    friend class TZColumn;
    friend class TZGridStyle;

    // Creates every sub-object through the factories (see the unit comment).
    void CreateParts();

    // The settings' automatic load (Load) or save; a failure is reported
    // through the application's handler (HandleException).
    void AutoLayout(bool Load);

    // ---- Factories ----
    virtual std::unique_ptr<TZDBGridColumns> CreateColumns();
    virtual std::unique_ptr<TZGridDataLink> CreateDataLink();
    virtual std::unique_ptr<TZDBGridFilter> CreateFilter();
    virtual std::unique_ptr<TZDBGridSearch> CreateSearch();
    virtual std::unique_ptr<TZDBGridTreeView> CreateTreeView();
    virtual std::unique_ptr<TZGridStyle> CreateGridStyle();
    virtual std::unique_ptr<TZScrollProp> CreateScrollProp();
    virtual std::unique_ptr<TZDBGridSettings> CreateSettings();
    virtual std::unique_ptr<TZDBGridGradient> CreateGradient();
    virtual std::unique_ptr<TZDBGridTotals> CreateTotals();
    virtual std::unique_ptr<TZDBGridToolMenu> CreateToolMenu();
    virtual std::unique_ptr<TZTotalDataLink> CreateTotalDataLink();

    // ---- Layout steps ----
    // The deferred layout posted by DeferLayout.
    void DeferredLayout();
    virtual void InternalLayout();
    virtual void DefineFieldMap();
    // Binds columns to the field map (default columns are rebuilt).
    virtual void BindColumns();
    virtual void SetColumnAttributes();
    virtual void UpdateSelectionOffset();
    virtual void UpdateMarkers();
    virtual void MeasureRowHeights();
    // Heights of the bottom block rows for the current RowCount.
    void SetBottomRowHeights();
    int TitleTextHeight(TZColumn* Column) const;

    // ---- Work that comes with later features ----
    // The delayed recount: the values, the scroll bar, the editor, a repaint.
    virtual void DelayUpdateSequence();
    virtual void SequenceUpdated();
    virtual void RowExpanding(bool Expand, bool& Allow);
    virtual void RowExpand(bool Expanded);
    // A left press at (X, Y) on the expand box of the tree row in Cell: the row
    // becomes current and is toggled (Ctrl: shown alone); false elsewhere.
    bool TreeBoxPressed(const TGridCoord& Cell, TShiftState Shift, int X, int Y);
    // Pick lists loaded from the dataset (poAutoLoadList; ZDBFilterListItems.cpp): Check asks
    // for dgAutoUpdateListItems; with dgDelayUpdateListItems the loading waits DelayInterval.
    virtual void UpdateListItems(bool Check);
    // Every poAutoLoadList column's PickList takes the distinct edit texts of its field.
    virtual void LoadListItems();
    virtual void ListItemsUpdated();
    virtual void UpdateBorder() {}
    // Switches the columns' stretching on or off when StretchActive changed.
    void UpdateStretchState();
    virtual void TitleFontChanged();

    // ---- Filter notifications (ZDBGridsFilter.cpp) ----
    // The record test the dataset calls while the filter is installed: the
    // tree view's hidden rows, every column's value list (on the edit text of
    // its FilterField), the search; then the dataset's own handler when it
    // was in use.
    virtual void FilterRecord(TDataSet* DataSet, bool& Accept);
    // Fires OnFilterUpdated.
    virtual void FilterUpdated();
    // The title's auto-filter button of Column inside its caption rectangle
    // (empty without a button).
    QRect AutoFilterButtonRect(TZColumn* Column, const QRect& CaptionRect) const;
    // Paints the auto-filter button of Column and takes its room from ARect.
    virtual void DrawTitleFilterButton(QPainter& Canvas, TZColumn* Column, QRect& ARect);
    // The caption rectangle of Master's title at title row ARow (TitleRect
    // without the header bands).
    QRect TitleCaptionRect(TZColumn* Master, int ARow, const QRect& TitleRect) const;
    // Loaded: the column filters read with the grid take effect.
    void LoadedFilter();
    // The dataset gets its own filter back as the grid goes.
    void RestoreFilterOnDestroy() noexcept;

    // ---- Sort order notifications (ZDBGridsOrder.cpp) ----
    // dgAutoUpdateOrder applies the order, else OnOrderChanged.
    virtual void OrderChanged();
    // The tree view is rebuilt, then OnOrderUpdated.
    virtual void OrderUpdated();
    // Paints the sort marker of Column's title at the end of ARect (image
    // MarkerIndex of the "ZDBMARKERS" strip) and takes its room from ARect
    // (ZDBGridsOrderPaint.cpp).
    virtual void DrawTitleMarker(QPainter& Canvas, TZColumn* Column, QRect& ARect);
    // The marker strip for the current density (loaded on first use).
    const QPixmap& MarkerBitmap() const;
    // The arrow of one direction cut from the strip, and the columns of it that
    // hold visible pixels. Made on first use and dropped with the strip.
    struct TMarkerGlyph {
        QPixmap Glyph;
        QRect Arrow;
    };
    const TMarkerGlyph& MarkerGlyph(bool Descending) const;
    // Calls Event with Args when a handler is assigned.
    template <typename TEvent, typename... TArgs>
    static void FireEvent(const TEvent& Event, TArgs&&... Args)
    {
        if (Event)
            Event(std::forward<TArgs>(Args)...);
    }
    // ---- Clicks and column changes (ZDBGridsMouse.cpp) ----
    virtual void TitleClick(TZColumn* Column);
    virtual void CellClick(TZColumn* Column);
    virtual void CellDblClick(TZColumn* Column);
    virtual void CellExpand(TZColumn* Column);
    virtual void ExpandClick(TZColumn* Column);
    virtual void HeaderClick(TZColumn* Column, int Band);
    virtual void IndicatorClick();
    // The top-left corner: FillerPopupMenu drops down (FillerIndex -7), or the
    // tool menu with FillerToolMenu, else OnFillerClick.
    virtual void FillerClick();
    // A right click at X, Y (viewport): the tool menu when the corner
    // (FillerToolMenu) or PopupToolMenu asks for it and no other menu applies there.
    bool ContextPopup(int X, int Y) override;
    virtual void TotalClick(TZColumn* Column, int Row);
    // Totals notifications.
    virtual bool TotalCalcQuery(TDataSet* DataSet);
    virtual void TotalCalcValue(TZColumnTotalValue* Total, TCalcPass Pass, QVariant& Value);
    virtual QString TotalGetText(TZColumn* Column, int Index, const QString& Text, TTextKind Kind);
    virtual void TotalsUpdated();
    // The value of Field in the record being taken in, read once for all the
    // totals of the record.
    QVariant TotalFieldValue(TField* Field);
    // The same for a numeric field, read typed where the dataset can; false for a value
    // that is no number or null.
    bool TotalFieldNumber(TField* Field, TTotalNumber& Value);
    // A numeric value of the walk's record read once for all totals (slot of the fields
    // listed at the reset); false for a value that is no number.
    bool TotalSlotNumber(int Slot, TTotalNumber& Value) const
    {
        Value = FCalcNumbers[size_t(Slot)];
        return Value.Kind != TTotalNumber::nkNone;
    }
    // Whether rows are selected, fixed for a calculation at its reset.
    bool CalcRowsSelected() const { return FCalcRowsSelected; }
    // Whether a change of the selection recalculates or repaints the totals.
    bool TotalsFollowSelection() const;
    // The timer's calculation of UpdateTotals.
    void DelayUpdateTotals();
    // Before the walk over the whole dataset: when every total that would take in
    // records is a sum, average, count, minimum or maximum the dataset can compute
    // (TDataSet::CalcAggregates) and no handler needs to see the records, fills the
    // totals' accumulators (SetAccumulator) from one request and returns true, and
    // the records are not walked; false leaves the calculation to the walk.
    virtual bool CalcWholeDataSetTotals(bool Selected);
    virtual void ColEnter();
    virtual void ColExit();
    virtual void ColumnMoving(int FromIndex, int ToIndex, bool& Allowed);
    virtual void ColumnResize(TZColumn* Column);
    virtual void ColumnScroll();
    virtual void RowResize(int Row);
    virtual void EditButtonClick();

    // ---- Pointer, wheel and record movement (ZDBGridsMouse.cpp) ----
public:
    // The scroll modes and MoveBy: ZDBGridsScroll.cpp.
    // Records per wheel notch: 1 with Ctrl, a page with Shift (or in scroll-page
    // mode), else WheelScrollRows (0: the system's wheel scroll lines; negative: a page).
    int MouseWheelScrollRows(TShiftState Shift) const;
    // The base grid's cell under a client point, except that on a title row the
    // raw column of the column at that title depth is returned.
    TGridCoord MouseCoord(int X, int Y) const;
    // Whether a point on a data cell lies in the image margin of its column.
    bool MouseInMargin(int X, int Y) const;
    // Whether a point on a title lies on the title's expand button (the
    // auto-filter button); Column gets the title's column.
    bool PtInExpandButton(int X, int Y, TZColumn*& Column) const;
    // Whether the pointer is drag-scrolling (dgMouseScrolling).
    bool ScrollTracking() const { return FScrollTracking; }

protected:
    void MouseDown(Qt::MouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(Qt::MouseButton Button, TShiftState Shift, int X, int Y) override;
    // Selection and movement of a left or right press on a cell above the
    // bottom block (MouseDown).
    // RowDragPress: the press may start a row drag (it then leaves a selected
    // row's selection and the editor of the current cell to the release).
    void SelectionMouseDown(const TGridCoord& Cell, Qt::MouseButton Button, TShiftState Shift, int X, int Y,
                            bool RowDragPress = false);
    // A plain press on a data row: the selection becomes the pressed row.
    void SelectPressedRow(int DataCol);
    // A press on the cell that was current already: its editor opens.
    void PressedCurrentCell(int X, int Y);
    // The release of a left click on a title row (MouseUp); Tracked: the
    // press tracked a title button.
    void TitleRowClicked(const TGridCoord& Cell, int PressedCol, bool Tracked, TShiftState Shift, int X, int Y);
    // The pressed title follows the pointer: pressed while over it.
    void TrackButton(int X, int Y);
    void CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos, int& SizingOfs,
                         TGridDrawInfo& FixedInfo) override;
    bool BeginColumnDrag(int& Origin, int& Destination, const QPoint& MousePt) override;
    bool CheckColumnDrag(int& Origin, int& Destination, const QPoint& MousePt) override;
    bool EndColumnDrag(int& Origin, int& Destination, const QPoint& MousePt) override;
    // Drag-scrolling: the pointer captured, the cell under it made current
    // (and the selection extended) while it moves, and again by a timer while
    // it rests beyond an edge.
    void StartScrollTracking();
    void StopScrollTracking();
    void ScrollToCellAt(int X, int Y, bool OnlyChanged);
    void ScrollToColAt(int X, int Y);
    void ScrollToRowAt(int X, int Y);
    void ScrollToRowBy(int N);
    // The column range reaches RawCol (column selection while drag-scrolling).
    void ExtendColumnRange(int RawCol);
    // An untouched insertion is cancelled instead of moving (true when that
    // happened or nothing may move).
    bool CancelUntouchedInsert(bool Forward);
    // One wheel notch (DoMouseWheelDown/Up): its event, else the move.
    void WheelNotch(TShiftState Shift, const QPoint& MousePos, bool Down);

    TShiftState FMouseShift;       // of the last pointer event
    bool FTitleTracking = false;   // a pressed title button follows the pointer
    bool FScrollTracking = false;  // drag-scrolling runs
    bool FScrollUnselect = false;  // drag-scrolling unselects the records it passes
    bool FSelectionMoved = false;  // drag-scrolling moved the record
    bool FSelectClick = false;     // the last left press hit the cell that was current already
    bool FClickInMargin = false;   // the last release lay in the image margin
    QPoint FScrollPoint{-1, -1};   // where drag-scrolling was last asked to go
    QTimer* FMouseScrollTimer = nullptr; // a child of the grid while drag-scrolling
    int FSizingColumn = -1;        // data column of the last column-sizing answer
    int FDragColumn = -1;          // data column being dragged
    int FScrollAnchorOffset = 0;   // records from the selection anchor to the current one while drag-scrolling
    void TopLeftChanged() override;
    void SelectionMoved(const TGridRect& OldSel) override;

    // ---- Data-link reactions ----
    virtual void LinkActive(bool Value);
    virtual void DataChanged();
    virtual void Scroll(int Distance);
    virtual void RecordChanged(TField* Field);
    virtual void EditingChanged();

    // ---- Cell editing (ZDBGridsEdit.cpp) ----
    // The selected column's edit text (kept in FEditText).
    QString GetEditText(int ACol, int ARow) override;
    // Keeps the editor's text; a change while the record is edited marks the
    // link modified (a pending cell edit).
    void SetEditText(int ACol, int ARow, const QString& Value) override;
    // The selected field's Size for a string field whose text is typed as
    // stored (no PickText); 0 (no limit) otherwise.
    int GetEditLimit() override;
    // The field's EditMask of the column at ACol; empty with an inactive link,
    // without field or with PickText active (display texts are typed).
    QString GetEditMask(int ACol, int ARow) override;
    // False on a read-only grid, column, field or link, a dataset that cannot
    // be modified and a column without field.
    bool CanEditShow() override;
    // The editor of the editors unit (TZDBGridEditor).
    TInplaceEdit* CreateEditor() override;
    // An active link and a selected field that accepts Key (IsValidChar); any
    // key while PickText is active, since a display text is typed.
    bool CanEditAcceptKey(QChar Key) override;
    // Puts the record into edit state when the selected field may be modified.
    bool CanEditModify() override;
    // The pending edit text goes into the selected column's field.
    virtual void UpdateData();
    // Writes the editor's text and posts the record, then hides the editor;
    // false when no editor is shown. A refused text raises and keeps the editor.
    bool PostCellEdit();
    // Escape: takes back the pending text, cancels an unchanged record's edit
    // state and hides the editor; false when there is nothing to cancel.
    bool CancelCellEdit();

    // ---- Position and linked-grid helpers (ZDBGridsPosition.cpp, ZDBGridsLinked.cpp) ----
    bool CreateTimer(TZDelayedUpdate Kind);
    // A delay timer fired (or PerformDelayed runs it): does the update.
    virtual void DelayedUpdate(TZDelayedUpdate Kind);
    // Delivers the collected selection notifications (ZDBGridsSelect.cpp).
    virtual void DelayedEndSelection();
    // Invalidates every data cell (all columns, the data rows).
    void InvalidateDataRows();
    // Repaints data row ARow whole, indicator included (nothing outside the data rows).
    void InvalidateRecordRow(int ARow);
    // Moves the pixels of the data rows by Distance rows up (down when negative).
    bool ScrollDataRows(int Distance);
    // The lookup-result columns keyed by Field take their values again.
    void UpdateLookupResults(TField* Field);
    // Leaves the ring of linked grids (the grid goes away).
    void LeaveLinkedGrids();
    // The grid after this one in the ring (itself when alone).
    TZCustomDBGrid* NextLinkedGrid() const;
    // The last grid of this grid's part of the ring (itself and its followers).
    TZCustomDBGrid* LastOfLinkedPart() const;
    // Whether Grid is reached by following this grid and its master grids.
    bool FollowedBy(const TZCustomDBGrid* Grid) const;
    void focusOutEvent(QFocusEvent* Event) override;
    // Focus left the grid and its editor: the pending cell edit is written
    // (or an untouched insertion cancelled with dgCancelOnExit).
    void FocusLeft();

    // ---- Painting ----
    void DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState) override;
    // DataColLineColor, else DefaultDataLineColor.
    QColor DataLineColor() const override;
    // By FocusRect: frNone none, frDotted a dotted and frSolid a solid frame
    // that contrasts with the cell, frAuto the style's.
    void DrawFocusRect(const QRect& ARect, const QColor& Background) override;
    virtual void DrawIndicatorCell(int ARow, const QRect& ARect, TGridDrawState AState);
    virtual void DrawTitleCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState);
    // A data-row cell: background and colours by the selection, then
    // PaintColumnCell, DefaultDrawColumnCell (with DefaultDrawing), DrawDataCell
    // (default columns) and DrawColumnCell, with the painted record active.
    virtual void DrawRecordCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState);
    // Whether a data cell of the painted record shows as selected.
    bool CellHighlighted(int DataCol, TGridDrawState AState) const;
    // The selection state of a data cell of the painted record (Record: its buffer row).
    TSelections DataCellSelections(int DataCol, int Record, TGridDrawState AState) const;
    // Fires OnCalcImageIndex.
    virtual void CalcImageIndex(TZColumn* Column, int& ImageIndex);
    // The image of a data cell in the order images, check box, expand box;
    // Level: the indentation level of its box (tree columns). Null without image.
    virtual QPixmap CellImage(TZColumn* Column, int& Level);
    // The package strip Strip as painted on this grid's palette (its dark
    // glyphs turned light under a dark palette).
    QPixmap PaletteGlyph(const QPixmap& Glyph) const;
    // The background of a fixed cell by SystemFixedTheme and ActiveFixedStyle;
    // Hot and Pressed: a title button under the pointer or pressed, drawn by
    // ActiveHotButtons.
    void DrawFixedBack(QPainter& Canvas, const QRect& ARect, const QColor& Color, bool Hot, bool Pressed) const;
    // Text of a fixed cell, drawn by the active fixed-text style.
    void WriteFixedText(QPainter& Canvas, const QRect& ARect, int Margin, const QString& Text,
                        TAlignment Alignment, TVAlignment VAlignment, bool WordWrap, bool Ellipsis) const;
    // The frame of a box (a check box, a boxed total) in Style around Box with
    // the face filled; answers the face colour and the rectangle inside the frame.
    QRect DrawBoxFrame(QPainter& Canvas, const QRect& Box, TCheckBoxStyle Style, QColor& Face) const;
    // The check box of Column for State (0 unchecked, 1 checked, 2 grayed) in
    // its CheckBoxStyle and CheckBoxKind, as an image of Side pixels.
    QPixmap CheckBoxImage(TZColumn* Column, int State, int Side) const;

    // The painting notifications; each fires its event.
    virtual void PaintColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState);
    virtual void DrawDataCell(const QRect& ARect, TField* Field, TGridDrawState AState);
    virtual void DrawColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState);
    virtual void DrawBottomCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState);
    // Whether total row Index (counted below the blank row) draws Total boxed:
    // its TotalBox, or under tbAuto the box option of the row's kind.
    bool TotalBoxed(TZColumnTotal* Total, int Index) const;
    // Draws Text into ARect with the grid's text layout (margins, ellipsis, lines).
    void WriteText(QPainter& Canvas, const QRect& ARect, int Margin, const QString& Text,
                   TAlignment Alignment, TVAlignment VAlignment, bool WordWrap, bool Ellipsis) const;
    // The header band texts of a column (its title's Header split at "|").
    QStringList HeaderTexts(TZColumn* Column) const;
    // The rectangle of header band Band of Column, widened over the neighbours
    // that share the band; CellRect is the column's title cell.
    QRect HeaderRect(TZColumn* Column, int Band, const QRect& CellRect) const;
    // The rectangle of the title of Column at title row ARow (spanning over the
    // columns that share the ancestor at that depth); Master gets that ancestor.
    QRect CalcTitleRect(TZColumn* Column, int ARow, TZColumn*& Master) const;

    // ---- Selection (ZDBGridsSelect.cpp) ----
    friend class TZBookmarkList;
    friend class TZColumnList;
    virtual void SelectionChanged(TSelectAction Action);
    // The current record's selection changed: its row repaints, then SelectionChanged.
    void CurrentRowChanged(TSelectAction Action);
    virtual void SelectedRowsChanged();
    virtual void SelectedColsChanged();
    virtual void SelectedChanged();
    // Marks the columns changed (inside its own bracket).
    void SetColsChanged();
    // One cell of CopyToClipboard.
    virtual void DoCopyToClipboard(TZColumn* Column, TForEachCellFlags Flags);

    // ---- Base hooks ----
    bool SelectCell(int ACol, int ARow) override;
    void ColWidthsChanged() override;
    // A row sized by the user: a data row sets LinesCount, and every row is
    // laid out again (the link's buffer follows the new visible rows); then
    // RowResize reports the sized row.
    void RowHeightsChanged() override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void CreateWnd() override;
    void ChangeScale(int M, int D, bool IsDpiChange = false) override;
    void Notification(QObject* AComponent, TOperation Operation) override;
    bool DoMouseWheelDown(TShiftState Shift, const QPoint& MousePos) override;
    // Makes ARow current in the current column without moving the dataset.
    void MoveToRow(int ARow);
    bool DoMouseWheelUp(TShiftState Shift, const QPoint& MousePos) override;
    void changeEvent(QEvent* Event) override;
    // A font or palette change of the widget (from changeEvent).
    void StateChanged(QEvent::Type Type);
    void resizeEvent(QResizeEvent* Event) override;

    void SetManageGrid(TZCustomDBGrid* Value);
    // Rebuilds the base grid's options from Options.
    void UpdateGridOptions();
    // The package strips for Ratio device pixels per pixel (0: the widget's).
    void LoadBitmaps(qreal Ratio = 0);
    // Paints with glyphs for the density of the device painted on (a grab
    // into a pixmap of another device pixel ratio included).
    void Paint() override;
    void SetLookColor(TColor& Slot, TColor Value);
    // Applies the OptionsEx completion rules to Value.
    TZDBGridOptionsEx CompleteOptionsEx(TZDBGridOptionsEx Value) const;

    // ---- State ----
    std::unique_ptr<TZDBGridColumns> FColumns;
    std::unique_ptr<TZGridDataLink> FDataLink;
    std::unique_ptr<TZDBGridFilter> FFilter;
    std::unique_ptr<TZDBGridSearch> FSearch;
    std::unique_ptr<TZDBGridTreeView> FTreeView;
    std::unique_ptr<TZGridStyle> FGridStyle;
    std::unique_ptr<TZScrollProp> FScrollProp;
    std::unique_ptr<TZDBGridSettings> FSettings;
    std::unique_ptr<TZDBGridGradient> FGradient;
    std::unique_ptr<TZDBGridTotals> FTotals;
    std::unique_ptr<TZDBGridToolMenu> FToolMenu;
    std::unique_ptr<TZTotalDataLink> FTotalDataLink;
    std::unique_ptr<TZBookmarkList> FSelectedRows;
    std::unique_ptr<TZColumnList> FSelectedCols;
    std::vector<TZColumn*> FShowingColumns;

    QPixmap FIndicators;
    QPixmap FCheckBoxes;
    QPixmap FExpandBoxes;
    qreal FGlyphRatio = 1; // device pixels per pixel the strips were loaded for
    TSelections FCellSelections;
    bool FCellHighlight = false;

    TZDBGridOptions FOptions;
    TZDBGridOptionsEx FOptionsEx;
    TZDBGridOptionsExt FOptionsExt;
    TZHintOptions FHintOptions;
    TZResizeOptions FResizeOptions;
    TMultiSelectOptions FMultiSelectOptions{msRows};
    TGridDrawingOptions FDrawingOptions;

    bool FReadOnly = false;
    QString FKeyFields;
    QString FDetailFields;
    QString FOrderFields;
    // The dataset's own filter while the grid's is installed, and the dataset
    // it was installed on.
    QString FSavedFilter;
    bool FSavedFiltered = false;
    TFilterRecordEvent FSavedOnFilterRecord;
    QPointer<TDataSet> FFilterDataSet;
    // The columns' value lists the dataset took (SetFilterValueLists), which the
    // record test leaves to it.
    QMap<QString, QStringList> FDataSetValueLists;
    int FListItemsLock = 0; // LoadListItems is running
    struct TFilterRecordCall;
    int FOrderUpdateCount = 0;
    QString FOrderUpdateFields; // GetOrderFields at the outermost BeginOrderUpdate
    int FTitlePressCol = -1;    // raw column of the last left press on a title row
    bool FColChanging = false;  // SelectCell left the current column; SelectionMoved enters the new one
    int FScrolledLeftCol = 0;   // LeftCol ColumnScroll was reported for
    bool FMovingColumns = false; // ColumnMoved puts raw columns back or moves the managed grid's
    mutable QPixmap FMarkers;   // MarkerBitmap
    mutable qreal FMarkersScale = 0;
    mutable std::array<TMarkerGlyph, 2> FMarkerGlyphs; // MarkerGlyph: ascending, descending
    mutable std::map<std::tuple<int, int, int, bool, int, qint64>, QPixmap> FCheckBoxImages; // CheckBoxImage

    int FIndicatorWidth = 20;
    int FLinesCount = 1;
    int FLinesCountMin = 1;
    int FLinesCountMax = -1;
    int FTitleLinesCount = 1;
    int FHeaderLinesCount = 1;
    int FFixedCols = 0;
    int FDefaultWidthMin = -1;
    int FDefaultWidthMax = -1;
    bool FStretchMode = false;
    int FStretchWidthMin = -1;
    int FStretchWidthMax = -1;
    int FWheelScrollRows = 0;
    bool FDragRows = false;
    TScrollStyle FScrollBarsValue = ssBoth;
    bool FStretching = false;
    int FRecordOffset = 0;
    TImeMode FImeMode = imDontCare;
    QString FImeName;
    bool FUpdateFields = true;
    bool FStretchWasActive = false;

    QFont FTitleFont;
    QFont FHeaderFont;
    bool FParentFontChanging = false;
    bool FSettingFont = false;
    int FLastFontHeight = 0;
    TColor FColorValue = clWindow;
    bool FParentColor = false;
    TColor FFixedColorValue = clBtnFace;
    TColor FHeaderColor = clBtnFace;
    bool FHeaderColorAssigned = false;
    TColor FFillerColor = clBtnFace;
    bool FFillerColorAssigned = false;
    TColor FEditorColor = clNone;
    TColor FStripeColor = clNone;
    TColor FSelectionColor = clDefault;
    TColor FSelectRowColor = clDefault;
    TColor FSelectCellColor = clDefault;
    TColor FHighlightText = clDefault;
    TColor FDataColLineColor = clDefault;
    TColor FDataRowLineColor = clDefault;
    TFixedStyle FFixedStyle = fsDefault;
    TFixedTheme FFixedTheme = ftDefault;
    TFocusRect FFocusRect = frAuto;
    THotButtons FHotButtons = hbAuto;
    TListBorder FListBorder = lbAuto;
    TMarkerStyle FMarkerStyle = msAuto;
    TMarkerTransparent FMarkerTransparent = mtAuto;
    bool FCtl3DAuto = true;
    TSystemStyleElements FSystemStyleElements =
        TSystemStyleElements(sseFixed) | sseText | sseButton | sseMarker | sseData;
    bool FFillerButton = true;
    int FFillerIndex = -7;
    QString FFillerHint;
    QString FIndicatorHint;
    QPointer<QMenu> FFillerPopupMenu;
    QPointer<QMenu> FIndicatorPopupMenu;
    bool FFillerToolMenu = false;
    bool FPopupToolMenu = false;
    TZDBGridToolMenuItems FToolMenuItems = DefaultToolMenuItems;
    TZDBGridToolMenuSubItems FToolMenuSubItems = DefaultToolMenuSubItems;
    TZDBGridToolMenuSubItemsEx FToolMenuSubItemsEx = DefaultToolMenuSubItemsEx;

    // Layout state.
    int FTitleRowCount = 0;
    int FIndicatorOffset = 0;
    int FUpdateLock = 0;
    int FLayoutLock = 0;
    bool FLayoutFromDataSet = false;
    int FBottomRowCount = 0;
    int FTotalHeaderRowCount = 0;
    int FTotalValuesRowCount = 0;
    int FTotalFooterRowCount = 0;
    int FTotalRowHeight = 0;
    int FHeaderRowHeight = 0;
    int FTextHeight = 0;
    QString FEditText;
    int FCancelCount = 0;
    bool FInLayout = false;
    bool FCalculatingTotals = false;
    std::vector<std::pair<TField*, QVariant>> FRecordValues; // of the record being taken in
    std::vector<std::pair<TField*, TTotalNumber>> FRecordNumbers; // the same, read typed
    // The totals that take in every record of the walk under way, when that does not
    // depend on the record (FCalcTotalsFixed).
    std::vector<TZColumnTotalValue*> FCalcTotals;
    bool FCalcTotalsFixed = false;
    std::vector<TField*> FCalcFields;        // the numeric fields those totals take in typed
    std::vector<TTotalNumber> FCalcNumbers;  // their values in the record being taken in
    // The totals over each of those fields that share its statistics (and are not in
    // FCalcTotals); Taken once each total took over its own accumulator.
    struct TCalcFieldTotals {
        std::vector<TZColumnTotalValue*> Totals;
        TTotalFieldStats Stats;
        bool Taken = false;
    };
    std::vector<TCalcFieldTotals> FCalcShared;
    // Gives every total of Shared its result of what the statistics took in so far.
    void HandOverStats(TCalcFieldTotals& Shared);
    bool FCalcRowsSelected = false;
    // Reads a numeric field's value typed (through a QVariant where the dataset keeps none);
    // false for a value that is no number.
    bool ReadTotalNumber(TField* Field, TTotalNumber& Value);
    bool FSettingColumnAttributes = false;
    bool FSelectingCell = false;
    bool FRowSizing = false; // RowHeightsChanged is applying a sized row
    bool FWriting = false;
    bool FPartsCreated = false;

    const QObject* FDataSourceId = nullptr; // identity only, for the free notification
    QPointer<TZCustomDBGrid> FManageGrid;
    QPointer<TZCustomDBGrid> FMasterGrid;
    bool FSynchronizing = false;

    // Position, refresh and delayed-update state.
    int FPositionCount = 0;
    // The dataset whose controls the outermost DisablePosition / DisableGrid
    // disabled: it gets them back even when the link went inactive meanwhile.
    QPointer<TDataSet> FPositionDataSet;
    QPointer<TDataSet> FGridDataSet;
    TBookmark FPositionBookmark;
    int FPositionRow = 0;
    int FGridDisableCount = 0;
    TBookmark FGridBookmark;
    int FGridRow = 0;
    bool FGridWasEnabled = true;
    int FForcedRecCount = 0;
    int FForcedRecNumber = 0;
    bool FSequenceUpdating = false;
    // Set by the grid's tree rebuild until the order change reports back.
    bool FTreeOrderPending = false;
    bool FAcquireFocusEnabled = true;
    QTimer* FDelayTimers[4] = {nullptr, nullptr, nullptr, nullptr}; // children of the grid

    // Selection state.
    TMultiSelect FMultiSelect = msRows;
    TMultiSelect FSavedMultiSelect = msNone;
    TBookmark FSelectionAnchor;
    int FSelectionOffset = 0;
    int FSelectionBegCol = -1;
    int FSelectionEndCol = -1;
    int FSelectionMin = -1;
    int FSelectionMax = -1;
    bool FSelectionColumn = false;
    bool FRowsChanged = false;
    bool FColsChanged = false;
    int FSelectCount = 0;
    bool FCopyWithTitles = false;
    int FCopyRow = 0;
    QStringList FCopyLines;
    QStringList FCopyTitles;
    QStringList FCopyData;
    QString FCopyText;

    // ---- Vertical scroll bar and scroll modes (ZDBGridsScroll.cpp) -------------------
public:
    // dgScrollGridMode while the grid numbers the records itself (dgForceSequence
    // with an active link): the rows move under a fixed cursor.
    bool ScrollGridMode() const;
    // dgScrollPageMode in scroll-grid mode: the bar counts pages.
    bool ScrollPageMode() const;
    bool ScrollRowsMode() const { return FOptionsExt & dgScrollRowsMode; }
    // dgRowSelect and dgRowScroll: horizontal keys scroll the view.
    bool RowScroll() const { return (FOptions & dgRowSelect) && (FOptions & dgRowScroll); }
    // Moves the record by Distance and returns how far it moved. RowsMode (forced in
    // scroll-grid mode, where the page stays inside the count) moves the rows under
    // the cursor, which keeps its screen row.
    int MoveBy(int Distance, bool RowsMode = false);

    // The vertical bar as last written: minimum, maximum, page (0: a thumb of fixed
    // size) and position; the bar scrolls from Min to Max - Page + 1.
    struct TScrollInfo {
        int Min = 0;
        int Max = 0;
        int Page = 0;
        int Pos = 0;
        bool operator==(const TScrollInfo&) const = default;
    };
    const TScrollInfo& VertScrollInfo() const { return FVertScrollInfo; }

    // ---- Row dragging and docking (ZDBGridsDrag.cpp) ----
    // With DragRows and dkDrag a left press on a data cell right of the frozen
    // columns drags the selected rows (or the current one) once the pointer has
    // moved the platform's start distance; a release before that is a click.
    // Presses on the indicator and the frozen columns still drag-scroll.
    TDragKind GetDragKind() const { return FDragKind; }
    void SetDragKind(TDragKind Value) { FDragKind = Value; }
    // The rows a drag carries: the mime type of their identities, and what it holds.
    static QString RowsMimeType() { return QStringLiteral("application/x-zdbgrid-rows"); }
    struct TZDraggedRows {
        QString KeyFields;           // the grid's KeyFields when the rows were dragged
        QList<TBookmark> Bookmarks;  // each row's bookmark
        QList<QVariant> Keys;        // each row's KeyFields values (empty without KeyFields)
    };
    // A row drag starts (before it runs) and ended with Action (Qt::IgnoreAction: not dropped).
    std::function<void(TZCustomDBGrid* Sender, QDrag* Drag)> OnStartDrag;
    std::function<void(TZCustomDBGrid* Sender, Qt::DropAction Action)> OnEndDrag;
    // Reads the rows of RowsMimeType() from Data; false when it holds none.
    static bool DecodeDraggedRows(const QMimeData* Data, TZDraggedRows& Rows);
    // The selected rows (or the current one) as the tab-separated text of a
    // copy and as RowsMimeType(); nullptr on an inactive grid.
    std::unique_ptr<QMimeData> RowsMimeData();

    // ---- Hints and input method (ZDBGridsHints.cpp) ----
    // The tool tip of the cell under a client point as HintOptions allow, its
    // kind and the rectangle it belongs to; empty when there is none. OnCellHint
    // may change it.
    QString CellHint(const QPoint& Pos, THintCell& Kind, QRect& Rect);
    std::function<void(TZCustomDBGrid* Sender, THintCell Kind, TZColumn* Column, QString& Hint)> OnCellHint;
    // The grid and its editor take the selected column's ImeMode (ColEnter).
    void UpdateInputMethod();

protected:
    friend class TZScrollProp;
    // Builds the drag of the pressed rows and runs it (ExecRowDrag).
    virtual void StartRowDrag();
    // Runs Drag (QDrag::exec, which returns when it is dropped); a descendant
    // may run it otherwise.
    virtual Qt::DropAction ExecRowDrag(QDrag* Drag);
    // dkDock: a left press on the fixed corner takes the dock widget the grid
    // sits in; false when there is none.
    bool StartDocking(int X, int Y);
    // The pointer moved with the dock widget taken or a row drag prepared.
    void DragMouseMove(TShiftState Shift, int X, int Y);
    void EndDragging();
    // Destroys the grids of this family owned by this one whose DragKind is dkDock.
    void FreeDockedGrids();
    // Widget (the grid or its editor) takes the selected column's ImeMode.
    void ApplyInputMethod(QWidget* Widget) const;
    // Input-method text committed on the grid is typed like characters.
    void inputMethodEvent(QInputMethodEvent* Event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery Query) const override;
    // Tool tips over the cells.
    bool viewportEvent(QEvent* Event) override;
    // The in-place editor's tool tip and input method.
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    // The flat look of the scroll bars (TZScrollProp).
    void UpdateScrollBarLook();
    // Sets the vertical bar from the record position: the record number and count
    // of the dataset or of the grid's own numbering, else a coarse five-step bar.
    virtual void UpdateScrollBar();
    // The vertical bar's requests move the record (never the base grid's rows).
    void WMVScroll(TScrollCode Code, int Pos) override;
    // The base grid leaves the vertical bar to UpdateScrollBar.
    void UpdateScrollRange() override;

private:
    // Computes the bar for an active link; Hide: the bar is auto-hidden now.
    TScrollInfo CalcVertScrollInfo(bool& Hide);
    // Writes Info into the bar unless it holds it already (Force: always).
    void WriteVertScrollBar(const TScrollInfo& Info, bool Hide, bool Force);
    void SyncVertScrollBar(bool Force);
    void ScrollGridRequest(TScrollCode Code, int Pos);

    // A dataset that counts on its server is counted after DelayInterval, once
    // the first screen of records shows, unless the user needs the count sooner;
    // false when the grid cannot wait (not showing): it counts at once.
    bool ScheduleRecordCount();
    void RunPendingRecordCount();
    bool RecordCountPending() const { return FCountTimer && FCountTimer->isActive(); }

    TScrollInfo FVertScrollInfo;
    bool FVertScrollHidden = false;
    TDragKind FDragKind = dkDrag;
    bool FRowDragPending = false;     // a press may start a row drag
    bool FRowDragSelect = false;      // ... and left the selection of its selected row to the release
    bool FRowDragEditor = false;      // ... and left the editor of the current cell to the release
    QPoint FDragStart;                // where that press (or the docking press) was
    QPointer<QDockWidget> FDockDrag;  // the dock widget the corner moves
    QPoint FDockOffset;               // pointer to the dock widget's corner
    int FScrollBarUpdating = 0;
    bool FScrollBarAgain = false;
    QTimer* FCountTimer = nullptr;
    bool FCountNow = false;

    // ---- Drop-down lists, menus and the popup editor (ZDBGridsDropDown.cpp) --------
public:
    // The popup list class of Column (the selected column when none): the
    // simple pick list for a column with pick data, else none. Descendants
    // substitute their own classes.
    virtual TZDBGridDropDownListClass GetEditorListClass(TZColumn* Column = nullptr);
    // Opens the list of the selected column below its current cell (false when
    // the column has no list); an open list closes first.
    bool DropDownEditorList();
    // The list opened by DropDownEditorList while it exists.
    TZDBGridDropDownList* EditorList() const;
    // Whether the editor may drop its list down on entering the current cell
    // (records it: the same cell is not allowed twice).
    bool AllowAutoDropDown();
    // -1 re-arms, -2 suspends, -3 resumes recording the current cell.
    void AutoDropDownState(int State);
    // Screen point below Column's title (Title) or current cell; without a
    // column below the titles or the current row.
    QPoint DropDownPoint(TZColumn* Column, bool Title);
    // Client rectangle of Column's title or current cell (the first cell
    // without a column), widened by a pixel on each side.
    QRect DropDownRect(TZColumn* Column, bool Title);
    // A column title's filter form / filter list (DropDownAutoFilter), with
    // the editor hidden around it; false when nothing was offered.
    virtual bool DropDownForm(TZColumn* Column, bool Title);
    virtual bool DropDownList(TZColumn* Column, bool Title);
    // Pops Menu up (none: the title's or column's DropDownMenu, without a
    // column FillerPopupMenu or IndicatorPopupMenu) at DropDownPoint; false
    // when there is no menu.
    virtual bool DropDownMenu(TZColumn* Column, bool Title, QMenu* Menu = nullptr);
    // The window of a nested dataset field; nothing for other fields.
    virtual void ShowPopupEditor(TZColumn* Column, int X = INT_MIN, int Y = INT_MIN);
    // A list of a column dropped down / closed (Sender: the drop-down list);
    // the close-up handler may change Value and veto through Accept.
    virtual void ListDropDown(TZDBDropDownList* Sender);
    virtual void ListCloseUp(TZDBDropDownList* Sender, QVariant& Value, bool& Accept);

    std::function<void(TZColumn* Column, TZDBDropDownList* List)> OnListDropDown;
    std::function<void(TZColumn* Column, TZDBDropDownList* List, QVariant& Value, bool& Accept)> OnListCloseUp;
    TCalcBoldDaysEvent OnCalcBoldDays;

protected:
    friend class TZDBGridDropDownList;
    friend class TZDBGridEditor;
    // F4 (when the auto-filter does not take it), Alt+Down and Alt+Up on a
    // column with a list open it; true when the key was taken.
    bool EditorListKeys(int Key, TShiftState Shift);
    // Runs Work with the editor hidden; it shows again when it was shown or
    // the grid always shows it.
    void WithEditorHidden(const std::function<void()>& Work);

private:
    bool DropDownFilter(TZColumn* Column, bool Title, TFilterStyle Style);
    QPointer<TZDBGridDropDownList> FEditorList;
    int FLastCol = -1;
    int FLastRow = -1;
};

class TZDBGrid : public TZCustomDBGrid
{
    Q_OBJECT
public:
    explicit TZDBGrid(QWidget* parent = nullptr) : TZCustomDBGrid(parent) {}
    TZDBGrid(QWidget* parent, TDeferCreate) : TZCustomDBGrid(parent, DeferCreate) {}
    using TZCustomDBGrid::ManageGrid;
};

// ---------------------------------------------------------------------------
// RAII brackets

// Sets a data link's active record for the guard's lifetime.
class TZActiveRecordGuard
{
public:
    TZActiveRecordGuard(TDataLink* Link, int Record) : FLink(Link), FOld(Link->ActiveRecord())
    {
        FLink->SetActiveRecord(Record);
    }
    ~TZActiveRecordGuard() { FLink->SetActiveRecord(FOld); }
    TZActiveRecordGuard(const TZActiveRecordGuard&) = delete;
    TZActiveRecordGuard& operator=(const TZActiveRecordGuard&) = delete;

private:
    TDataLink* FLink;
    int FOld;
};

// BeginLayout for the guard's lifetime: EndLayout on a normal exit,
// CancelLayout while an exception unwinds.
class TZLayoutGuard
{
public:
    explicit TZLayoutGuard(TZCustomDBGrid* Grid);
    ~TZLayoutGuard() noexcept(false);
    TZLayoutGuard(const TZLayoutGuard&) = delete;
    TZLayoutGuard& operator=(const TZLayoutGuard&) = delete;

private:
    QPointer<TZCustomDBGrid> FGrid;
    TBracketEnd FEnd;
};

// DisablePosition for the guard's lifetime; EnablePosition(KeepCurrent) on
// every exit (a failure of that while an exception unwinds is swallowed).
class TZPositionGuard
{
public:
    explicit TZPositionGuard(TZCustomDBGrid* Grid, bool KeepCurrent = false);
    ~TZPositionGuard() noexcept(false);
    TZPositionGuard(const TZPositionGuard&) = delete;
    TZPositionGuard& operator=(const TZPositionGuard&) = delete;
    void SetKeepCurrent(bool Value) { FKeepCurrent = Value; }

private:
    QPointer<TZCustomDBGrid> FGrid;
    bool FKeepCurrent;
    TBracketEnd FEnd;
};

// DisableGrid for the guard's lifetime; EnableGrid on every exit.
class TZGridDisableGuard
{
public:
    explicit TZGridDisableGuard(TZCustomDBGrid* Grid);
    ~TZGridDisableGuard() noexcept(false);
    TZGridDisableGuard(const TZGridDisableGuard&) = delete;
    TZGridDisableGuard& operator=(const TZGridDisableGuard&) = delete;

private:
    QPointer<TZCustomDBGrid> FGrid;
    TBracketEnd FEnd;
};

// BeginOrderUpdate for the guard's lifetime, EndOrderUpdate on every exit (a
// failure of the notification while an exception unwinds is swallowed).
class TZOrderUpdateGuard
{
public:
    explicit TZOrderUpdateGuard(TZCustomDBGrid* Grid);
    ~TZOrderUpdateGuard() noexcept(false);
    TZOrderUpdateGuard(const TZOrderUpdateGuard&) = delete;
    TZOrderUpdateGuard& operator=(const TZOrderUpdateGuard&) = delete;

private:
    QPointer<TZCustomDBGrid> FGrid;
    TBracketEnd FEnd;
};

class TZUpdateGuard
{
public:
    explicit TZUpdateGuard(TZCustomDBGrid* Grid) : FGrid(Grid) { if (FGrid) FGrid->BeginUpdate(); }
    ~TZUpdateGuard() { if (FGrid) FGrid->EndUpdate(); }
    TZUpdateGuard(const TZUpdateGuard&) = delete;
    TZUpdateGuard& operator=(const TZUpdateGuard&) = delete;

private:
    QPointer<TZCustomDBGrid> FGrid;
};

// BeginSelect for the guard's lifetime, EndSelect on every exit (a failure of
// a notification handler while an exception unwinds is swallowed).
class TZSelectGuard
{
public:
    explicit TZSelectGuard(TZCustomDBGrid* Grid) : FGrid(Grid)
    {
        if (FGrid)
            FGrid->BeginSelect();
    }
    ~TZSelectGuard() noexcept(false)
    {
        if (FGrid)
            FEnd([this] { FGrid->EndSelect(); });
    }
    TZSelectGuard(const TZSelectGuard&) = delete;
    TZSelectGuard& operator=(const TZSelectGuard&) = delete;

private:
    QPointer<TZCustomDBGrid> FGrid;
    TBracketEnd FEnd;
};

// Accessibility (ZDBGridsAccessible.cpp): the factory of the grids' table interface, installed
// once by the first grid, and the events of a moved current cell.
void InstallGridAccessibility();
void GridAccessibleCurrentChanged(TZCustomDBGrid* Grid);

} // namespace zdb

Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TZSettingsOptions)

#pragma once
// The column model of the data grid.
//
// TZDBGridColumns is the grid's collection of TZColumn items. A column binds to
// a dataset field by name and carries its look and behaviour; most of its
// values follow the field or the grid until they are assigned (the assigned
// members are kept in TZColumnValues, RestoreDefaults removes them). Each
// column owns its title (TZColumnTitle, with the header bands above the
// caption), its report settings (TZColumnReport) and four total objects.
//
// Columns can be grouped: a column with ExpandCols = N (or bound to an object
// field) is the parent of the N columns that follow it; expanded, the parent
// gives its place to its children, collapsed it shows itself and hides them.
//
// Columns are either stored (made by the user or the designer: Add) or made by
// the grid for the dataset's default fields (InternalAdd). The collection is
// customized exactly when its last column is stored.

#include "Classes.h"
#include "DB.h"
#include "EnumRange.h"
#include "ZDBGridTypes.h"

#include <QFont>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;
class QJsonObject;

namespace zdb {

class TZCustomDBGrid;
class TZDBGridColumns;
class TZColumn;

// ---- Column enumerations --------------------------------------------------
// Registered with the meta-object system (zdb::ColumnTypes::staticMetaObject)
// so that the column's properties read and write them by key names; the
// inline namespace keeps their names in zdb.

inline namespace ColumnTypes {
Q_NAMESPACE

// The editor button of a column's cells.
enum TZColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone, cbsDropDown, cbsDropDownMenu, cbsCalendar, cbsCalculator };
Q_ENUM_NS(TZColumnButtonStyle)
// The editor a cell gets, resolved from the column's button style (TZCustomDBGrid::GetEditorStyle).
enum TEditorStyle { edsSimple, edsEllipsis, edsDropDown, edsDropDownMenu, edsDropDownList };
Q_ENUM_NS(TEditorStyle)
// How a column's images are placed in a cell.
enum TImageDraw { idAlignment, idOpposite, idCenter, idScaled, idStretch, idTileCell, idTileGrid, idTileCol, idTileRow };
Q_ENUM_NS(TImageDraw)
enum TCheckBoxKind { ckCheck, ckCross, cbBox };
Q_ENUM_NS(TCheckBoxKind)
enum TCheckBoxStyle {
    cbAuto, cbAutoGray, cbAutoLowered, cbDefault, cbSoft, cbLoweredDark, cbLoweredGray, cbLoweredMild,
    cbFlat, cbGray, cbMild
};
Q_ENUM_NS(TCheckBoxStyle)
enum TCheckBoxToggle { ctCustomToggle, ctKeyPressOnly, ctOnCellClick, ctSelectClick };
Q_ENUM_NS(TCheckBoxToggle)
enum TExpandBoxSize { ebSmall, ebMedium, ebLarge };
Q_ENUM_NS(TExpandBoxSize)
enum TExpandBoxToggle { etCustomToggle, etKeyPressOnly, etOnCellClick, etSelectClick };
Q_ENUM_NS(TExpandBoxToggle)
enum TToolTipsWidth { ttAutoWidth, ttFixedWidth };
Q_ENUM_NS(TToolTipsWidth)
// The button of a column's title.
enum TZColumnExpandStyle { cesAuto, cesNone, cesDropDown, cesDropDownMenu, cesFilterList, cesFilterForm };
Q_ENUM_NS(TZColumnExpandStyle)
// What the columns dialog shows of a column.
enum TDialogOption { doShowColumn, doItemEnabled };
Q_ENUM_NS(TDialogOption)
using TDialogOptions = TEnumSet<TDialogOption>;
// The lookup role of a column (computed each time it is asked).
enum TZLookupColumn { lcNotDefined, lcLookupField, lcLookupKeyField, lcLookupValueField, lcLookupResultField };
Q_ENUM_NS(TZLookupColumn)
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
Q_ENUM_NS(TEditCharCase)
enum TCalendarDepth { cdMonth, cdYear, cdDecade, cdCentury };
Q_ENUM_NS(TCalendarDepth)
enum TMultiSelectText { mstDefault, mstEllipsis };
Q_ENUM_NS(TMultiSelectText)
enum TZPickOption {
    poListItemsOnly, poSelectPickText, poStoreItemIndex, poAcceptPickList, poAcceptItemIndex,
    poFormatPickText, poFormatListOnly, poDropDownList, poAutoLoadList, poAppendToList
};
Q_ENUM_NS(TZPickOption)
using TZPickOptions = TEnumSet<TZPickOption>;
enum TZListOption {
    loAutoComplete, loAutoDropDown, loAutoCloseEditor, loSelectNextValue, loAllowClearValue,
    loAllowChangeOrder, loAllowAdjustOrder, loAllowColumnResize, loAllowColumnMoving,
    loShowLookupListTitles, loShowImages, loIncrementalList, loMultiSelectList, loAutoApplyList,
    loExpandFirstColumn, loFirstColumnExpanded, loTreeViewCellExpand, loShowToday,
    loShowTodayCircle, loShowWeekNumbers, loBoldSundays, loAutoTodayClose
};
Q_ENUM_NS(TZListOption)
using TZListOptions = TEnumSet<TZListOption>;
// Sort marker of a title.
enum TMarker { tmNone, tmAscend, tmDescend };
Q_ENUM_NS(TMarker)
enum TFilterStyle { fsFilterList, fsFilterForm };
Q_ENUM_NS(TFilterStyle)
using TFilterStyles = TEnumSet<TFilterStyle>;
// The clauses a column filter is built from (their ordinal is the key the filter form's lists hold).
enum TZDBGridFilterClause {
    fcNoFilter, fcContains, fcDoesNotContain, fcStartsFrom, fcDoesNotStartFrom, fcEndsWith, fcDoesNotEndWith,
    fcIsEqual, fcIsNotEqual, fcIsGreaterThen, fcIsGreaterThenOrEqual, fcIsLessThen, fcIsLessThenOrEqual,
    fcIsOnTheList, fcIsNotOnTheList, fcIsEmpty, fcIsNotEmpty
};
Q_ENUM_NS(TZDBGridFilterClause)
using TZDBGridFilterClauses = TEnumSet<TZDBGridFilterClause>;
// Behaviour of the auto-filter's drop-down value list.
enum TZDBGridFilterOption {
    foAutoApplyList, foListAnimation, foListAlignment, foOverlayedList, foLoadAllItems, foCheckedFirst,
    foAddSelected, foIncrementalList
};
Q_ENUM_NS(TZDBGridFilterOption)
using TZDBGridFilterOptions = TEnumSet<TZDBGridFilterOption>;
// The groups of date and time periods the filter form offers.
enum TZDBGridFilterPeriod {
    fpNoPeriod, fpMinute, fpHour, fpDay, fpWeek, fpMonth, fpQuarter, fpSemester, fpYear, fpDecade, fpOther,
    fp10Mins, fp15Mins, fp20Mins, fp30Mins, fpHours, fpDays, fpWeeks, fpMonths, fpQuarters, fpSemesters,
    fpYears, fpDecades, fpOthers
};
Q_ENUM_NS(TZDBGridFilterPeriod)
using TZDBGridFilterPeriods = TEnumSet<TZDBGridFilterPeriod>;
// Report total of a column (stored and copied, evaluated by the report writer).
enum TTotalType { ttNone, ttSum, ttCount, ttMax, ttMin, ttAverage, ttText, ttExpression, ttGrowExpression };
Q_ENUM_NS(TTotalType)
// What a total cell shows.
enum TTotalResult { trNone, trCaption, trDataField, trTotalField, trCalcValue };
Q_ENUM_NS(TTotalResult)
// The value a calculated total takes from the records.
enum TCalcValue { cvSum, cvAvg, cvCount, cvMax, cvMin, cvFirst, cvLast, cvUnique, cvCustom };
Q_ENUM_NS(TCalcValue)
// The passes of a calculation: before the records, once per record, after them.
enum TCalcPass { cpReset, cpCalcRec, cpFinal };
Q_ENUM_NS(TCalcPass)
// Which calculation a total takes part in.
enum TCalcApply { caWholeDataSet, caSelectedRows, caBoth };
Q_ENUM_NS(TCalcApply)
// How a null field value is treated.
enum TNullValue { nvExclude, nvInclude, nvAsZero };
Q_ENUM_NS(TNullValue)
// Whether a total cell is drawn boxed.
enum TTotalBox { tbFalse, tbTrue, tbAuto };
Q_ENUM_NS(TTotalBox)

// Values a column holds only once they were assigned; until then they are
// read from the field or the grid.
enum TZColumnValue {
    cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly, cvTitleColor, cvTitleCaption, cvTitleAlignment,
    cvTitleFont, cvImeMode, cvImeName, cvTotalColor, cvTotalCaption, cvTotalAlignment, cvTotalFont
};
Q_ENUM_NS(TZColumnValue)
using TZColumnValues = TEnumSet<TZColumnValue>;

enum TDBGridColumnsState { csDefault, csCustomized };
Q_ENUM_NS(TDBGridColumnsState)

// Stretch state of a column: free, or held at one of its limits.
enum TStretchState { swFree, swHeldMin, swHeldMax, swHeldStretchMin, swHeldStretchMax };
Q_ENUM_NS(TStretchState)

} // namespace ColumnTypes

// Ranges of the enumerations the column stream reads (EnumRange.h).
ZDB_ENUM_RANGE(TAlignment, taCenter);
ZDB_ENUM_RANGE(TVAlignment, tvCenter);
ZDB_ENUM_RANGE(TZColumnButtonStyle, cbsCalculator);
ZDB_ENUM_RANGE(TImageDraw, idTileRow);
ZDB_ENUM_RANGE(TCheckBoxKind, cbBox);
ZDB_ENUM_RANGE(TCheckBoxStyle, cbMild);
ZDB_ENUM_RANGE(TCheckBoxToggle, ctSelectClick);
ZDB_ENUM_RANGE(TExpandBoxSize, ebLarge);
ZDB_ENUM_RANGE(TExpandBoxToggle, etSelectClick);
ZDB_ENUM_RANGE(TToolTipsWidth, ttFixedWidth);
ZDB_ENUM_RANGE(TZColumnExpandStyle, cesFilterForm);
ZDB_ENUM_RANGE(TDialogOption, doItemEnabled);
ZDB_ENUM_RANGE(TEditCharCase, ecLowerCase);
ZDB_ENUM_RANGE(TImeMode, imHanguel);
ZDB_ENUM_RANGE(TCalendarDepth, cdCentury);
ZDB_ENUM_RANGE(TMultiSelectText, mstEllipsis);
ZDB_ENUM_RANGE(TZPickOption, poAppendToList);
ZDB_ENUM_RANGE(TZListOption, loAutoTodayClose);
ZDB_ENUM_RANGE(TMarker, tmDescend);
ZDB_ENUM_RANGE(TFilterStyle, fsFilterForm);
ZDB_ENUM_RANGE(TZDBGridFilterClause, fcIsNotEmpty);
ZDB_ENUM_RANGE(TZDBGridFilterOption, foIncrementalList);
ZDB_ENUM_RANGE(TZDBGridFilterPeriod, fpOthers);
ZDB_ENUM_RANGE(TTotalType, ttGrowExpression);
ZDB_ENUM_RANGE(TTotalResult, trCalcValue);
ZDB_ENUM_RANGE(TCalcValue, cvCustom);
ZDB_ENUM_RANGE(TCalcApply, caBoth);
ZDB_ENUM_RANGE(TNullValue, nvAsZero);
ZDB_ENUM_RANGE(TTotalBox, tbAuto);

// The text of record number N in an automatic number column: DefAutoNumberFormat
// with N for N >= 1 ("7." for 7), empty below 1.
QString AutoNumberStr(int N);

// ---- Filter lists ---------------------------------------------------------

// A sorted list of distinct texts, compared ignoring case, that reports its
// changes: a column's ticked filter values (FilterList) and its filter form
// state (FilterData). Changes inside BeginUpdate/EndUpdate are reported once.
class TZFilterList {
public:
    TZFilterList() = default;
    TZFilterList(const TZFilterList&) = delete;
    TZFilterList& operator=(const TZFilterList&) = delete;

    int Count() const { return int(FItems.size()); }
    bool IsEmpty() const { return FItems.isEmpty(); }
    const QStringList& Strings() const { return FItems; }
    QString operator[](int Index) const { return FItems.at(Index); }
    // The index of Text (ignoring case); -1 when absent.
    int IndexOf(const QString& Text) const;
    bool Contains(const QString& Text) const { return IndexOf(Text) >= 0; }
    // Adds Text at its sorted place unless it is there already; its index.
    int Add(const QString& Text);
    void Delete(int Index);
    void Clear();
    // The list holds exactly Texts (sorted, without duplicates).
    void Assign(const QStringList& Texts);
    // The value of the first "Name=..." item (name ignoring case); empty when none.
    QString Value(const QString& Name) const;

    // The items joined by Delimiter; an item holding the delimiter or the
    // quote character is quoted (inner quotes doubled), and a single empty
    // item is written as two quote characters.
    QString GetDelimitedText() const;
    // The items read back from such a text: each delimiter ends an item, a
    // quoted item is unquoted, and a text ending in a delimiter has an empty
    // last item.
    void SetDelimitedText(const QString& Value);
    QChar GetDelimiter() const { return FDelimiter; }
    void SetDelimiter(QChar Value) { FDelimiter = Value; }
    QChar GetQuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(QChar Value) { FQuoteChar = Value; }

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    // Called after each change (once at the outermost EndUpdate).
    std::function<void()> OnChange;

private:
    // The place of Text in the sorted items; Found tells whether it is there.
    int Find(const QString& Text, bool& Found) const;
    void Changed();

    QStringList FItems;
    QChar FDelimiter = QLatin1Char(',');
    QChar FQuoteChar = QLatin1Char('"');
    int FUpdateCount = 0;
    bool FChanged = false;
};

// BeginUpdate of a filter list for the guard's lifetime, EndUpdate on every exit.
class TZFilterListUpdateGuard {
public:
    explicit TZFilterListUpdateGuard(TZFilterList* List) : FList(List) { FList->BeginUpdate(); }
    ~TZFilterListUpdateGuard() noexcept(false)
    {
        FEnd([this] { FList->EndUpdate(); });
    }
    TZFilterListUpdateGuard(const TZFilterListUpdateGuard&) = delete;
    TZFilterListUpdateGuard& operator=(const TZFilterListUpdateGuard&) = delete;

private:
    TZFilterList* FList;
    TBracketEnd FEnd;
};

// ---- Title ----------------------------------------------------------------

class TZColumnTitle {
    Q_GADGET
    Q_PROPERTY(QString Caption READ GetCaption WRITE SetCaption RESET ResetCaption)
    Q_PROPERTY(zdb::GraphicsTypes::TAlignment Alignment READ GetAlignment WRITE SetAlignment RESET ResetAlignment)
    Q_PROPERTY(int Color READ GetColor WRITE SetColor RESET ResetColor)
    Q_PROPERTY(QFont Font READ GetFont WRITE SetFont RESET ResetFont)
    Q_PROPERTY(zdb::GridTypes::TVAlignment VAlignment READ GetVAlignment WRITE SetVAlignment)
    Q_PROPERTY(bool WordWrap READ GetWordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool Ellipsis READ GetEllipsis WRITE SetEllipsis)
    Q_PROPERTY(bool Button READ GetButton WRITE SetButton)
    Q_PROPERTY(QString Header READ GetHeader WRITE SetHeader)
    Q_PROPERTY(QString HeaderHint READ GetHeaderHint WRITE SetHeaderHint)
    Q_PROPERTY(QString Hint READ GetHint WRITE SetHint)
    Q_PROPERTY(int ImageIndex READ GetImageIndex WRITE SetImageIndex)
    Q_PROPERTY(zdb::ColumnTypes::TMarker Marker READ GetMarker WRITE SetMarker)
    Q_PROPERTY(int MarkerIndex READ GetMarkerIndex WRITE SetMarkerIndex)
    Q_PROPERTY(int OrderIndex READ GetOrderIndex WRITE SetOrderIndex STORED false)
    Q_PROPERTY(bool AutoToggle READ GetAutoToggle WRITE SetAutoToggle)
    Q_PROPERTY(bool AutoFilter READ GetAutoFilter WRITE SetAutoFilter)
    Q_PROPERTY(QStringList AutoFilters READ GetAutoFilterNames WRITE SetAutoFilterNames)
    Q_PROPERTY(QMenu* PopupMenu READ GetPopupMenu WRITE SetPopupMenu)
    Q_PROPERTY(QMenu* DropDownMenu READ GetDropDownMenu WRITE SetDropDownMenu)

public:
    explicit TZColumnTitle(TZColumn* Column);
    virtual ~TZColumnTitle() = default;
    TZColumnTitle(const TZColumnTitle&) = delete;
    TZColumnTitle& operator=(const TZColumnTitle&) = delete;

    TZColumn* Column() const { return FColumn; }
    virtual void Assign(const TZColumnTitle& Source);
    // Every value back to its default; the sort marker is kept.
    virtual void RestoreDefaults();

    QString GetCaption() const;
    void SetCaption(const QString& Value);
    QString DefaultCaption() const;
    bool IsCaptionStored() const;
    TAlignment GetAlignment() const;
    void SetAlignment(TAlignment Value);
    TAlignment DefaultAlignment() const { return taLeftJustify; }
    TColor GetColor() const;
    void SetColor(TColor Value);
    TColor DefaultColor() const;
    QFont GetFont() const;
    void SetFont(const QFont& Value);
    QFont DefaultFont() const;
    // The font as set, even while it is not assigned (scaling reaches it).
    void RefreshDefaultFont();

    TVAlignment GetVAlignment() const { return FVAlignment; }
    void SetVAlignment(TVAlignment Value);
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool GetEllipsis() const { return FEllipsis; }
    void SetEllipsis(bool Value);
    bool GetButton() const { return FButton; }
    void SetButton(bool Value);
    QString GetHeader() const { return FHeader; }
    void SetHeader(const QString& Value);
    QString GetHeaderHint() const { return FHeaderHint; }
    void SetHeaderHint(const QString& Value);
    QString GetHint() const { return FHint; }
    void SetHint(const QString& Value);
    int GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    // Sort marker. MarkerIndex is 2 * position + (1 when descending), -1 for
    // none; position 0 is the unnumbered marker, k >= 1 shows the number k.
    // In a grid the setters follow its marker options, keep the columns'
    // order list and run inside the grid's order-update bracket; without a
    // grid they only store the value.
    TMarker GetMarker() const { return FMarker; }
    virtual void SetMarker(TMarker Value);
    int GetMarkerIndex() const { return FMarkerIndex; }
    virtual void SetMarkerIndex(int Value);
    int GetOrderIndex() const { return FMarkerIndex < 0 ? -1 : FMarkerIndex / 2; }
    virtual void SetOrderIndex(int Value);
    // A click on the title: Replace sorts by this column alone (alternating
    // the direction); otherwise the column is added as the next sort key, or
    // its direction cycles (the last key may go back to none).
    virtual void ToggleMarker(bool Replace);
    bool GetAutoToggle() const { return FAutoToggle; }
    void SetAutoToggle(bool Value);
    bool GetAutoFilter() const { return FAutoFilter; }
    void SetAutoFilter(bool Value);
    TFilterStyles GetAutoFilters() const { return FAutoFilters; }
    void SetAutoFilters(TFilterStyles Value);
    QStringList GetAutoFilterNames() const { return EnumSetNames(FAutoFilters); }
    void SetAutoFilterNames(const QStringList& Value);
    // Adds the given styles (On) or removes them.
    void SwitchAutoFilters(TFilterStyles Styles, bool On);
    // The assigned values back to their defaults.
    void ResetCaption();
    void ResetAlignment();
    void ResetColor();
    void ResetFont();
    QMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* Value) { FPopupMenu = Value; }
    QMenu* GetDropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(QMenu* Value) { FDropDownMenu = Value; }

    // Header bands: 0 for an empty header, else 1 + the number of "|".
    int HeaderCount() const;
    // Band I (from 0) of Header / HeaderHint; empty beyond the last.
    QString HeaderBand(int I) const;
    QString HeaderHintBand(int I) const;

protected:
    friend class TZDBGridColumns;
    void Changed(bool AllItems);

    TZColumn* FColumn;
    QString FCaption;
    TAlignment FAlignment = taLeftJustify;
    TColor FColor = clBtnFace;
    QFont FFont;
    TVAlignment FVAlignment = tvCenter;
    bool FWordWrap = true;
    bool FEllipsis = true;
    bool FButton = true;
    QString FHeader;
    QString FHeaderHint;
    QString FHint;
    int FImageIndex = -1;
    TMarker FMarker = tmNone;
    int FMarkerIndex = -1;
    bool FAutoToggle = true;
    bool FAutoFilter = true;
    TFilterStyles FAutoFilters{fsFilterList, fsFilterForm};
    QPointer<QMenu> FPopupMenu;
    QPointer<QMenu> FDropDownMenu;
};

// ---- Report ---------------------------------------------------------------

class TZColumnReport {
    Q_GADGET
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)
    Q_PROPERTY(zdb::ColumnTypes::TTotalType TotalType READ GetTotalType WRITE SetTotalType)
    Q_PROPERTY(QString TotalText READ GetTotalText WRITE SetTotalText)
    Q_PROPERTY(QString TotalMask READ GetTotalMask WRITE SetTotalMask)
    Q_PROPERTY(bool AutoHeight READ GetAutoHeight WRITE SetAutoHeight)
    Q_PROPERTY(QStringList DialogOptions READ GetDialogOptionNames WRITE SetDialogOptionNames)

public:
    explicit TZColumnReport(TZColumn* Column) : FColumn(Column) {}
    virtual ~TZColumnReport() = default;
    TZColumnReport(const TZColumnReport&) = delete;
    TZColumnReport& operator=(const TZColumnReport&) = delete;

    TZColumn* Column() const { return FColumn; }
    virtual void Assign(const TZColumnReport& Source);
    virtual void RestoreDefaults();
    // Whether the column goes to print and export: the report's Visible and a
    // visible column.
    bool IsPrinted() const;

    bool GetVisible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    TTotalType GetTotalType() const { return FTotalType; }
    void SetTotalType(TTotalType Value) { FTotalType = Value; }
    QString GetTotalText() const { return FTotalText; }
    void SetTotalText(const QString& Value) { FTotalText = Value; }
    QString GetTotalMask() const { return FTotalMask; }
    void SetTotalMask(const QString& Value) { FTotalMask = Value; }
    bool GetAutoHeight() const { return FAutoHeight; }
    void SetAutoHeight(bool Value) { FAutoHeight = Value; }
    TDialogOptions GetDialogOptions() const { return FDialogOptions; }
    void SetDialogOptions(TDialogOptions Value) { FDialogOptions = Value; }
    QStringList GetDialogOptionNames() const { return EnumSetNames(FDialogOptions); }
    void SetDialogOptionNames(const QStringList& Value);

protected:
    TZColumn* FColumn;
    bool FVisible = true;
    TTotalType FTotalType = ttNone;
    QString FTotalText;
    QString FTotalMask;
    bool FAutoHeight = false;
    TDialogOptions FDialogOptions{doShowColumn, doItemEnabled};
};

// ---- Total objects --------------------------------------------------------
// One per kind of total row: header, values (one per value row), fields (shown
// on every record of the totals dataset) and footer.

// A total value of a calculation is a QVariant: an invalid QVariant is
// "unassigned" (nothing taken in), TotalNullValue() is a null.
QVariant TotalNullValue();
bool IsTotalNull(const QVariant& Value);
// An exact currency amount (ten-thousandths), the sum of currency fields.
struct TCurrencyValue {
    qint64 Units = 0;
    double ToDouble() const { return double(Units) / 10000.0; }
    bool operator==(const TCurrencyValue&) const = default;
};

// A numeric value as the walk takes it in without a QVariant: none (unassigned),
// null, a 64-bit integer or a real.
struct TTotalNumber {
    enum TKind : quint8 { nkNone, nkNull, nkInt, nkFloat };
    TKind Kind = nkNone;
    qint64 Int = 0;
    double Float = 0;
    bool IsNumber() const { return Kind == nkInt || Kind == nkFloat; }
    double AsDouble() const { return Kind == nkInt ? double(Int) : Float; }
};

class TZColumnTotal : public TCollectionItem {
    Q_GADGET
    Q_PROPERTY(zdb::GraphicsTypes::TAlignment Alignment READ GetAlignment WRITE SetAlignment)
    Q_PROPERTY(int Color READ GetColor WRITE SetColor)
    Q_PROPERTY(bool Ellipsis READ GetEllipsis WRITE SetEllipsis)
    Q_PROPERTY(bool WordWrap READ GetWordWrap WRITE SetWordWrap)
    Q_PROPERTY(zdb::GridTypes::TVAlignment VAlignment READ GetVAlignment WRITE SetVAlignment)
    Q_PROPERTY(QString Hint READ GetHint WRITE SetHint)
    Q_PROPERTY(bool ToolTips READ GetToolTips WRITE SetToolTips)
    Q_PROPERTY(zdb::ColumnTypes::TToolTipsWidth ToolTipsWidth READ GetToolTipsWidth WRITE SetToolTipsWidth)
    Q_PROPERTY(int ImageIndex READ GetImageIndex WRITE SetImageIndex)
    Q_PROPERTY(QMenu* PopupMenu READ GetPopupMenu WRITE SetPopupMenu)
    Q_PROPERTY(zdb::ColumnTypes::TTotalBox TotalBox READ GetTotalBox WRITE SetTotalBox)
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)
    Q_PROPERTY(QString FieldName READ GetFieldName WRITE SetFieldName)

public:
    // Column: the owner. Collection: the values collection for a value row,
    // nullptr for the header, fields and footer objects.
    TZColumnTotal(TZColumn* Column, TCollection* Collection = nullptr);

    TZColumn* Column() const { return FColumn; }
    TZCustomDBGrid* Grid() const;
    virtual void Assign(const TZColumnTotal& Source);
    virtual void RestoreDefaults();
    // Sets the linked field; nullptr drops it so that it is looked up again.
    virtual void SetField(TField* Value);
    // The linked field, looked up on first use (see the total kinds).
    TField* GetField();
    // The field resolved by GetField is a real field flagged as currency, whose
    // values are calculated as exact decimals.
    bool FieldIsCurrency() const { return FFieldCurrency; }
    // The text the total shows for its kind (trCalcValue: the last result).
    virtual QString GetDisplayText();

    QFont GetFont() const;
    void SetFont(const QFont& Value);
    // The totals' font of the grid, else the column's font.
    QFont DefaultFont() const;
    bool IsFontAssigned() const { return FFontAssigned; }
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool Value);
    // The column's alignment until assigned.
    TAlignment GetAlignment() const;
    void SetAlignment(TAlignment Value);
    // The totals' colour until assigned.
    TColor GetColor() const;
    void SetColor(TColor Value);
    bool GetEllipsis() const { return FEllipsis; }
    void SetEllipsis(bool Value) { SetDisplay(FEllipsis, Value); }
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { SetDisplay(FWordWrap, Value); }
    TVAlignment GetVAlignment() const { return FVAlignment; }
    void SetVAlignment(TVAlignment Value) { SetDisplay(FVAlignment, Value); }
    QString GetHint() const { return FHint; }
    void SetHint(const QString& Value) { FHint = Value; }
    bool GetToolTips() const { return FToolTips; }
    void SetToolTips(bool Value) { FToolTips = Value; }
    TToolTipsWidth GetToolTipsWidth() const { return FToolTipsWidth; }
    void SetToolTipsWidth(TToolTipsWidth Value) { FToolTipsWidth = Value; }
    int GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value) { SetDisplay(FImageIndex, Value); }
    QMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* Value) { FPopupMenu = Value; }
    TTotalBox GetTotalBox() const { return FTotalBox; }
    void SetTotalBox(TTotalBox Value) { SetDisplay(FTotalBox, Value); }
    TTotalResult GetTotalResult() const { return FTotalResult; }
    virtual void SetTotalResult(TTotalResult Value);
    QString GetFieldName() const { return FFieldName; }
    void SetFieldName(const QString& Value);

protected:
    friend class TZDBGridColumns;
    void Changed(bool AllItems) override;
    // Repaints the cells showing this kind of total.
    void DisplayChanged();
    // A change that the calculated values follow.
    void CalcChanged();
    template <typename T>
    void SetDisplay(T& Member, const T& Value)
    {
        if (Member == Value)
            return;
        Member = Value;
        DisplayChanged();
    }

    TZColumn* FColumn;
    QFont FFont;
    bool FFontAssigned = false;
    bool FVisible = true;
    TAlignment FAlignment = taLeftJustify;
    bool FAlignmentAssigned = false;
    TColor FColor = clBtnFace;
    bool FColorAssigned = false;
    bool FEllipsis = true;
    bool FWordWrap = true;
    TVAlignment FVAlignment = tvCenter;
    QString FHint;
    bool FToolTips = true;
    TToolTipsWidth FToolTipsWidth = ttAutoWidth;
    int FImageIndex = -1;
    QPointer<QMenu> FPopupMenu;
    TTotalBox FTotalBox = tbAuto;
    TTotalResult FTotalResult = trNone;
    QString FFieldName;
    QPointer<TField> FField;
    bool FFieldResolved = false;
    bool FFieldCurrency = false; // a real field flagged as currency
};

// A total that shows a caption, a field or a calculated value.
class TZColumnTotalValue : public TZColumnTotal {
    Q_GADGET
    Q_PROPERTY(zdb::ColumnTypes::TTotalResult TotalResult READ GetTotalResult WRITE SetTotalResult)
    Q_PROPERTY(zdb::ColumnTypes::TCalcApply CalcApply READ GetCalcApply WRITE SetCalcApply)
    Q_PROPERTY(zdb::ColumnTypes::TCalcValue CalcValue READ GetCalcValue WRITE SetCalcValue)
    Q_PROPERTY(zdb::ColumnTypes::TNullValue NullValue READ GetNullValue WRITE SetNullValue)
    Q_PROPERTY(QString Caption READ GetCaptionText WRITE SetCaption)
    Q_PROPERTY(QString Format READ GetFormatText WRITE SetFormat)
    Q_PROPERTY(bool FormatAsFloat READ GetFormatAsFloat WRITE SetFormatAsFloat)
    Q_PROPERTY(int TotalRecNo READ GetTotalRecNo WRITE SetTotalRecNo)
    Q_PROPERTY(QVariant Value READ GetValue WRITE SetValue)

public:
    TZColumnTotalValue(TZColumn* Column, TCollection* Collection = nullptr);

    void Assign(const TZColumnTotal& Source) override;
    QString GetDisplayText() override;

    TCalcApply GetCalcApply() const { return FCalcApply; }
    void SetCalcApply(TCalcApply Value);
    TCalcValue GetCalcValue() const { return FCalcValue; }
    void SetCalcValue(TCalcValue Value);
    TNullValue GetNullValue() const { return FNullValue; }
    void SetNullValue(TNullValue Value);
    // Caption and Format may hold two texts separated by "|": the second
    // applies while rows or columns of the grid are selected.
    QString GetCaptionText() const { return FCaption; }
    void SetCaption(const QString& Value);
    QString GetCaption() const;
    QString GetFormatText() const { return FFormat; }
    void SetFormat(const QString& Value);
    QString GetFormat() const;
    bool GetFormatAsFloat() const { return FFormatAsFloat; }
    void SetFormatAsFloat(bool Value);
    int GetTotalRecNo() const { return FTotalRecNo; }
    void SetTotalRecNo(int Value);
    QVariant GetValue() const { return FValue; }
    // Stores the result and shows it formatted.
    void SetValue(const QVariant& Value);
    // Runs one pass of the calculation; false when the total takes no part.
    virtual bool DoCalcValue(TCalcPass Pass);
    // Whether a record is taken in by CalcApply, given whether rows are selected.
    bool AppliesToRecords(bool RowsSelected) const
    {
        return FCalcApply == caBoth || (FCalcApply == caSelectedRows && RowsSelected) ||
               (FCalcApply == caWholeDataSet && !RowsSelected);
    }
    // The text of a calculated value.
    virtual QString FormatValue(const QVariant& Value) const;
    // The accumulator and the count of records taken in, between passes. An
    // aggregate computed elsewhere (by the dataset) is handed in here.
    QVariant Accumulator() const { return FAccumulator; }
    int CalcCount() const { return FCount; }
    void SetAccumulator(const QVariant& Value, int Count);

protected:
    // Combines V with the accumulator; throws when they cannot be combined.
    void Accumulate(const QVariant& V);
    // The same for a typed value and accumulator; false when they cannot be combined.
    bool AccumulateNumber(const TTotalNumber& V);
    // Ends the typed calculation: its accumulator becomes the QVariant one.
    void EndNumbers();

    TCalcApply FCalcApply = caBoth;
    TCalcValue FCalcValue = cvSum;
    TNullValue FNullValue = nvExclude;
    QString FCaption;
    QString FFormat;
    bool FFormatAsFloat = false;
    int FTotalRecNo = 1;
    QVariant FValue;
    QVariant FAccumulator;
    int FCount = 0;
    TZCustomDBGrid* FCalcGrid = nullptr; // between the reset and the final pass
    // While a calculation takes in a numeric field's values without a QVariant (no
    // handler to see them): the accumulator is FNumber until the final pass.
    bool FNumbers = false;
    TTotalNumber FNumber;
    int FNumberSlot = -1; // where the grid reads the record's value once for all totals; -1 = none

    friend class TZCustomDBGrid;
};

class TZColumnTotalHeader : public TZColumnTotalValue {
    Q_GADGET

public:
    explicit TZColumnTotalHeader(TZColumn* Column) : TZColumnTotalValue(Column) {}
};

class TZColumnTotalFooter : public TZColumnTotalValue {
    Q_GADGET

public:
    explicit TZColumnTotalFooter(TZColumn* Column) : TZColumnTotalValue(Column) {}
};

// Shows a field of the totals dataset on each of its rows.
class TZColumnTotalFields : public TZColumnTotal {
    Q_GADGET

public:
    explicit TZColumnTotalFields(TZColumn* Column) : TZColumnTotal(Column) { FTotalResult = trTotalField; }
    void SetTotalResult(TTotalResult) override {}
};

class TZColumnTotalValues : public TCollection {
public:
    explicit TZColumnTotalValues(TZColumn* Column) : FColumn(Column) {}
    TZColumn* Column() const { return FColumn; }
    TZColumnTotalValue* Items(int Index) const { return static_cast<TZColumnTotalValue*>(GetItem(Index)); }
    TZColumnTotalValue* operator[](int Index) const { return Items(Index); }
    TZColumnTotalValue* Add() { return static_cast<TZColumnTotalValue*>(TCollection::Add()); }
    // Makes the collection hold exactly Value items.
    void SetCount(int Value);
    void Assign(const TZColumnTotalValues& Source);

protected:
    std::unique_ptr<TCollectionItem> CreateItem() override;
    void Update(TCollectionItem* Item) override;

    TZColumn* FColumn;
};

// ---- Column ---------------------------------------------------------------

// Every published property of a column, its title and its report is a
// Q_PROPERTY of the gadget, so that it reads and writes by name through
// staticMetaObject (readOnGadget / writeOnGadget, or ColumnProperty below);
// RESET returns an assigned value to its default.
class TZColumn : public TCollectionItem {
    Q_GADGET
    // Binding and editing
    Q_PROPERTY(QString FieldName READ GetFieldName WRITE SetFieldName)
    Q_PROPERTY(bool ReadOnly READ GetReadOnly WRITE SetReadOnly RESET ResetReadOnly)
    Q_PROPERTY(zdb::ColumnTypes::TZColumnButtonStyle ButtonStyle READ GetButtonStyle WRITE SetButtonStyle)
    Q_PROPERTY(bool ShowEdit READ GetShowEdit WRITE SetShowEdit)
    Q_PROPERTY(bool EditMemo READ GetEditMemo WRITE SetEditMemo)
    Q_PROPERTY(zdb::ColumnTypes::TEditCharCase CharCase READ GetCharCase WRITE SetCharCase)
    Q_PROPERTY(zdb::GridTypes::TImeMode ImeMode READ GetImeMode WRITE SetImeMode RESET ResetImeMode)
    Q_PROPERTY(QString ImeName READ GetImeName WRITE SetImeName RESET ResetImeName)
    Q_PROPERTY(QString EditorHint READ GetEditorHint WRITE SetEditorHint)
    Q_PROPERTY(QString Hint READ GetHint WRITE SetHint)
    Q_PROPERTY(QMenu* PopupMenu READ GetPopupMenu WRITE SetPopupMenu)
    Q_PROPERTY(QMenu* DropDownMenu READ GetDropDownMenu WRITE SetDropDownMenu)
    Q_PROPERTY(int DropDownRows READ GetDropDownRows WRITE SetDropDownRows)
    Q_PROPERTY(int DropDownWidth READ GetDropDownWidth WRITE SetDropDownWidth)
    Q_PROPERTY(QStringList PickList READ GetPickList WRITE SetPickList)
    Q_PROPERTY(QStringList PickText READ GetPickText WRITE SetPickText)
    Q_PROPERTY(QString PickTextFormat READ GetPickTextFormat WRITE SetPickTextFormat)
    Q_PROPERTY(QStringList PickOptions READ GetPickOptionNames WRITE SetPickOptionNames)
    Q_PROPERTY(QStringList ListOptions READ GetListOptionNames WRITE SetListOptionNames)
    Q_PROPERTY(zdb::ColumnTypes::TCalendarDepth CalendarDepth READ GetCalendarDepth WRITE SetCalendarDepth)
    Q_PROPERTY(bool MultiSelectList READ MultiSelectList STORED false)
    Q_PROPERTY(zdb::ColumnTypes::TMultiSelectText MultiSelectText READ GetMultiSelectText WRITE SetMultiSelectText)
    Q_PROPERTY(QChar DelimiterChar READ GetDelimiterChar WRITE SetDelimiterChar)
    Q_PROPERTY(bool DelimiterLine READ GetDelimiterLine WRITE SetDelimiterLine)
    Q_PROPERTY(QString DelimiterText READ GetDelimiterText WRITE SetDelimiterText)
    Q_PROPERTY(zdb::TDataSet* LookupDataSet READ GetLookupDataSet WRITE SetLookupDataSet)
    Q_PROPERTY(QString KeyField READ GetKeyField WRITE SetKeyField)
    Q_PROPERTY(QString LookupKeyField READ GetLookupKeyField WRITE SetLookupKeyField)
    Q_PROPERTY(QString LookupResultField READ GetLookupResultField WRITE SetLookupResultField)
    Q_PROPERTY(QString LookupListFields READ GetLookupListFields WRITE SetLookupListFields)
    Q_PROPERTY(QString LookupParentField READ GetLookupParentField WRITE SetLookupParentField)
    Q_PROPERTY(QString LookupTreeViewField READ GetLookupTreeViewField WRITE SetLookupTreeViewField)
    Q_PROPERTY(QString LookupListTitles READ GetLookupListTitles WRITE SetLookupListTitles)
    Q_PROPERTY(QString LookupListWidths READ GetLookupListWidths WRITE SetLookupListWidths)
    Q_PROPERTY(zdb::ColumnTypes::TZLookupColumn LookupColumn READ LookupColumn STORED false)
    Q_PROPERTY(QStringList FilterList READ GetFilterList WRITE SetFilterList)
    Q_PROPERTY(QString FilterText READ GetFilterText WRITE SetFilterText)
    // Look
    Q_PROPERTY(int Color READ GetColor WRITE SetColor RESET ResetColor)
    Q_PROPERTY(QFont Font READ GetFont WRITE SetFont RESET ResetFont)
    Q_PROPERTY(zdb::GraphicsTypes::TAlignment Alignment READ GetAlignment WRITE SetAlignment RESET ResetAlignment)
    Q_PROPERTY(zdb::GridTypes::TVAlignment VAlignment READ GetVAlignment WRITE SetVAlignment)
    Q_PROPERTY(bool WordWrap READ GetWordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool Ellipsis READ GetEllipsis WRITE SetEllipsis)
    Q_PROPERTY(bool QuickDraw READ GetQuickDraw WRITE SetQuickDraw)
    Q_PROPERTY(bool ShowBlob READ GetShowBlob WRITE SetShowBlob)
    Q_PROPERTY(bool Transparent READ GetTransparent WRITE SetTransparent)
    Q_PROPERTY(int TransparentColor READ GetTransparentColor WRITE SetTransparentColor)
    Q_PROPERTY(bool Wallpaper READ GetWallpaper WRITE SetWallpaper)
    Q_PROPERTY(QObject* Images READ GetImages WRITE SetImages)
    Q_PROPERTY(zdb::ColumnTypes::TImageDraw ImageDraw READ GetImageDraw WRITE SetImageDraw)
    Q_PROPERTY(int ImageMargin READ GetImageMargin WRITE SetImageMargin)
    Q_PROPERTY(int ImageOffsetX READ GetImageOffsetX WRITE SetImageOffsetX)
    Q_PROPERTY(int ImageOffsetY READ GetImageOffsetY WRITE SetImageOffsetY)
    Q_PROPERTY(bool CheckBox READ GetCheckBox WRITE SetCheckBox)
    Q_PROPERTY(zdb::ColumnTypes::TCheckBoxKind CheckBoxKind READ GetCheckBoxKind WRITE SetCheckBoxKind)
    Q_PROPERTY(zdb::ColumnTypes::TCheckBoxStyle CheckBoxStyle READ GetCheckBoxStyle WRITE SetCheckBoxStyle)
    Q_PROPERTY(bool CheckBoxThemed READ GetCheckBoxThemed WRITE SetCheckBoxThemed)
    Q_PROPERTY(zdb::ColumnTypes::TCheckBoxToggle CheckBoxToggle READ GetCheckBoxToggle WRITE SetCheckBoxToggle)
    Q_PROPERTY(QString CheckBoxValues READ GetCheckBoxValues WRITE SetCheckBoxValues)
    Q_PROPERTY(bool ExpandBox READ GetExpandBox WRITE SetExpandBox)
    Q_PROPERTY(zdb::ColumnTypes::TExpandBoxSize ExpandBoxSize READ GetExpandBoxSize WRITE SetExpandBoxSize)
    Q_PROPERTY(bool ExpandBoxThemed READ GetExpandBoxThemed WRITE SetExpandBoxThemed)
    Q_PROPERTY(zdb::ColumnTypes::TExpandBoxToggle ExpandBoxToggle READ GetExpandBoxToggle WRITE SetExpandBoxToggle)
    Q_PROPERTY(bool ExpandBoxTree READ GetExpandBoxTree WRITE SetExpandBoxTree)
    Q_PROPERTY(bool ToolTips READ GetToolTips WRITE SetToolTips)
    Q_PROPERTY(zdb::ColumnTypes::TToolTipsWidth ToolTipsWidth READ GetToolTipsWidth WRITE SetToolTipsWidth)
    Q_PROPERTY(bool SuppressRTL READ GetSuppressRTL WRITE SetSuppressRTL)
    Q_PROPERTY(bool AutoNumber READ GetAutoNumber WRITE SetAutoNumber)
    // Width and grouping
    Q_PROPERTY(int Width READ GetWidth WRITE SetWidth RESET ResetWidth)
    Q_PROPERTY(int WidthBase READ GetWidthBase WRITE SetWidthBase STORED false)
    Q_PROPERTY(int WidthMin READ GetWidthMin WRITE SetWidthMin)
    Q_PROPERTY(int WidthMax READ GetWidthMax WRITE SetWidthMax)
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)
    Q_PROPERTY(bool Expanded READ GetExpanded WRITE SetExpanded)
    Q_PROPERTY(int ExpandCols READ GetExpandCols WRITE SetExpandCols)
    Q_PROPERTY(zdb::ColumnTypes::TZColumnExpandStyle ExpandStyle READ GetExpandStyle WRITE SetExpandStyle)
    Q_PROPERTY(QStringList DialogOptions READ GetDialogOptionNames WRITE SetDialogOptionNames)
    // Sub-objects (the totals are reached through their own accessors)
    Q_PROPERTY(zdb::TZColumnTitle* Title READ Title CONSTANT)
    Q_PROPERTY(zdb::TZColumnReport* Report READ Report CONSTANT)
    Q_PROPERTY(zdb::TZColumnTotalHeader* TotalHeader READ TotalHeader CONSTANT)
    Q_PROPERTY(zdb::TZColumnTotalFields* TotalFields READ TotalFields CONSTANT)
    Q_PROPERTY(zdb::TZColumnTotalFooter* TotalFooter READ TotalFooter CONSTANT)

public:
    explicit TZColumn(TCollection* Collection);
    ~TZColumn() override;

    TZDBGridColumns* Columns() const;
    TZCustomDBGrid* Grid() const;

    virtual void Assign(const TZColumn& Source);
    // Title, totals and every property but FieldName, Visible, Expanded and the
    // width back to their values after construction; assigned values cleared.
    virtual void RestoreDefaults();
    // Index := Value here and in the managed grid.
    void MoveTo(int Value);
    // The column at this index in the managed grid takes Expanded, Visible and the width.
    void Synchronize();
    // The total object shown in bottom total row I, or nullptr.
    TZColumnTotal* GetTotalRows(int I) const;
    int TotalValuesCount() const { return FTotalValues ? FTotalValues->Count() : 0; }
    // The four total objects drop their field references (the layout rebinds them).
    void ClearTotalFields();
    // Whether the cell of the current record holds the on-text (Checked) or the
    // off-text of CheckBoxValues; without field: whether the row is selected.
    bool IsCheckBoxValue(bool Checked) const;
    // A CheckBox column's cell of the current record takes the other value of
    // CheckBoxValues (the off-text when it shows the on-text, else the on-text);
    // without field the current row's selection is inverted. Nothing on an
    // inactive grid or an empty dataset, or when the cell cannot be edited.
    void ToggleCheckBoxValue();
    // The text shown for the current record: the field's display text (a
    // memo's whole value with ShowBlob; the record number for AutoNumber)
    // passed through the grid's ColGetText(tkDisplay); empty without field.
    virtual QString GetDisplayText() const;
    // The text edited in the cell of the current record: the field's edit
    // text (a memo's whole value with EditMemo) passed through the grid's
    // ColGetText(tkEdit); empty without field.
    virtual QString GetEditText() const;
    // Writes Text through the grid's ColSetText into the field's own conversion
    // (a text it refuses raises its error and leaves the field as it was), then
    // the grid's ColTextChanged; nothing when Text is the current edit text.
    virtual void SetEditText(const QString& Text);
    // A multi-select list's display text under mstEllipsis: "..." for none,
    // the first item and " ..." for several; any other text is unchanged.
    QString FormatText(const QString& Text) const;
    // Whether the cell editor may show: a field that this column, the grid,
    // its data link and the dataset all let be modified, and that is neither
    // calculated nor looked up (value-lookup columns choose their key from a list).
    virtual bool CanEditShow() const;
    // A customized column names a field the dataset lacks: warns once per name.
    void ReportMissingField();
    QString GetDisplayName() const override;

    // Stored: made by the user or designer (Add), not by the grid's layout.
    bool IsStored() const { return FStored; }
    void SetStored(bool Value) { FStored = Value; }
    TZColumnValues AssignedValues() const { return FAssignedValues; }
    bool IsAssigned(TZColumnValue Value) const { return FAssignedValues.Contains(Value); }

    // Sub-objects
    TZColumnTitle* Title() const { return FTitle.get(); }
    TZColumnReport* Report() const { return FReport.get(); }
    TZColumnTotalHeader* TotalHeader() const { return FTotalHeader.get(); }
    TZColumnTotalValues* TotalValues() const { return FTotalValues.get(); }
    TZColumnTotalFields* TotalFields() const { return FTotalFields.get(); }
    TZColumnTotalFooter* TotalFooter() const { return FTotalFooter.get(); }

    // ---- Binding
    TField* GetField() const;
    // The field bound now (no lookup by name).
    TField* BoundField() const { return FField; }
    void SetField(TField* Value);
    QString GetFieldName() const { return FFieldName; }
    void SetFieldName(const QString& Value);
    void SetIndex(int Value) override;

    // ---- Grouping
    int Depth() const;
    TZColumn* ParentColumn() const { return FParentColumn; }
    void SetParentColumn(TZColumn* Value) { FParentColumn = Value; }
    bool Expandable() const;
    bool GetExpanded() const { return FExpanded && Expandable(); }
    void SetExpanded(bool Value);
    int GetExpandCols() const { return FExpandCols; }
    void SetExpandCols(int Value);
    int ExpandIndex() const;
    int ExpandWidth() const;
    bool Showing() const;
    // The own flag and the parent's Visible.
    bool GetVisible() const;
    void SetVisible(bool Value);
    // The column's own visibility flag.
    bool Visibility() const { return FVisible; }
    // The column's own expansion flag (also for a column that cannot expand).
    bool ExpandedFlag() const { return FExpanded; }

    // ---- Widths
    int GetWidth() const;
    void SetWidth(int Value);
    int TrueWidth() const;
    virtual int DefaultWidth() const;
    int DesignedWidth() const;
    int GetWidthBase() const;
    void SetWidthBase(int Value);
    int GetWidthMin() const { return FWidthMin; }
    void SetWidthMin(int Value);
    int GetWidthMax() const { return FWidthMax; }
    void SetWidthMax(int Value);
    virtual int OptimalWidth() const;
    bool IsWidthStored() const;
    // Stretching state (used by the stretch algorithm of the collection).
    int StretchBase() const { return FStretchBase; }
    void SetStretchBase(int Value) { FStretchBase = Value; }
    TStretchState StretchState() const { return FStretchState; }
    void SetStretchState(TStretchState Value) { FStretchState = Value; }
    int DesignedWidthValue() const { return FDesignedWidth; }
    void SetDesignedWidthValue(int Value) { FDesignedWidth = Value; }

    // ---- Binding and editing
    bool GetReadOnly() const;
    void SetReadOnly(bool Value);
    bool DefaultReadOnly() const;
    TZColumnButtonStyle GetButtonStyle() const { return FButtonStyle; }
    void SetButtonStyle(TZColumnButtonStyle Value);
    bool GetShowEdit() const { return FShowEdit; }
    void SetShowEdit(bool Value) { FShowEdit = Value; }
    bool GetEditMemo() const { return FEditMemo; }
    void SetEditMemo(bool Value) { FEditMemo = Value; }
    TEditCharCase GetCharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value) { FCharCase = Value; }
    TImeMode GetImeMode() const;
    void SetImeMode(TImeMode Value);
    TImeMode DefaultImeMode() const;
    QString GetImeName() const;
    void SetImeName(const QString& Value);
    QString DefaultImeName() const;
    QString GetEditorHint() const { return FEditorHint; }
    void SetEditorHint(const QString& Value) { FEditorHint = Value; }
    QString GetHint() const { return FHint; }
    void SetHint(const QString& Value) { FHint = Value; }
    QMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* Value) { FPopupMenu = Value; }
    QMenu* GetDropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(QMenu* Value) { FDropDownMenu = Value; }
    int GetDropDownRows() const { return FDropDownRows; }
    void SetDropDownRows(int Value) { FDropDownRows = Value; }
    int GetDropDownWidth() const { return FDropDownWidth; }
    void SetDropDownWidth(int Value) { FDropDownWidth = Value; }
    QStringList GetPickList() const { return FPickList; }
    void SetPickList(const QStringList& Value);
    QStringList GetPickText() const { return FPickText; }
    void SetPickText(const QStringList& Value);
    QString GetPickTextFormat() const { return FPickTextFormat; }
    void SetPickTextFormat(const QString& Value);
    TZPickOptions GetPickOptions() const { return FPickOptions; }
    void SetPickOptions(TZPickOptions Value);
    QStringList GetPickOptionNames() const { return EnumSetNames(FPickOptions); }
    void SetPickOptionNames(const QStringList& Value);
    TZListOptions GetListOptions() const { return FListOptions; }
    void SetListOptions(TZListOptions Value) { FListOptions = Value; }
    QStringList GetListOptionNames() const { return EnumSetNames(FListOptions); }
    void SetListOptionNames(const QStringList& Value);
    TCalendarDepth GetCalendarDepth() const { return FCalendarDepth; }
    void SetCalendarDepth(TCalendarDepth Value) { FCalendarDepth = Value; }
    bool MultiSelectList() const;
    TMultiSelectText GetMultiSelectText() const { return FMultiSelectText; }
    void SetMultiSelectText(TMultiSelectText Value);
    QChar GetDelimiterChar() const { return FDelimiterChar; }
    void SetDelimiterChar(QChar Value);
    bool GetDelimiterLine() const { return FDelimiterLine; }
    void SetDelimiterLine(bool Value);
    QString GetDelimiterText() const { return FDelimiterText; }
    void SetDelimiterText(const QString& Value);
    // CR LF with DelimiterLine, else DelimiterText when set, else DelimiterChar.
    QString Delimiter() const;

    // ---- Lookup
    TDataSet* GetLookupDataSet() const;
    void SetLookupDataSet(TDataSet* Value);
    QString GetKeyField() const;
    void SetKeyField(const QString& Value);
    QString GetLookupKeyField() const;
    void SetLookupKeyField(const QString& Value);
    QString GetLookupResultField() const;
    void SetLookupResultField(const QString& Value);
    QString GetLookupListFields() const;
    void SetLookupListFields(const QString& Value);
    bool IsLookupDataSetStored() const { return !FLookupDataSet.isNull(); }
    // The column's own lookup dataset (not a lookup field's).
    TDataSet* OwnLookupDataSet() const { return FLookupDataSet; }
    bool IsKeyFieldStored() const { return !FKeyField.isEmpty(); }
    bool IsLookupKeyFieldStored() const { return !FLookupKeyField.isEmpty(); }
    bool IsLookupResultFieldStored() const { return !FLookupResultField.isEmpty(); }
    bool IsLookupListFieldsStored() const { return !FLookupListFields.isEmpty(); }
    QString GetLookupParentField() const { return FLookupParentField; }
    void SetLookupParentField(const QString& Value) { FLookupParentField = Value; }
    QString GetLookupTreeViewField() const { return FLookupTreeViewField; }
    void SetLookupTreeViewField(const QString& Value) { FLookupTreeViewField = Value; }
    QString GetLookupListTitles() const { return FLookupListTitles; }
    void SetLookupListTitles(const QString& Value) { FLookupListTitles = Value; }
    QString GetLookupListWidths() const { return FLookupListWidths; }
    void SetLookupListWidths(const QString& Value) { FLookupListWidths = Value; }
    TZLookupColumn LookupColumn() const;
    // The field whose values the cell shows: for an lcLookupValueField column
    // the lookup dataset's LookupResultField, else the column's field.
    TField* DisplayField() const;
    bool LookupActive() const;
    bool PickListActive() const { return !FPickList.isEmpty(); }
    bool PickTextActive() const { return FPickOptions.Contains(poSelectPickText) && !FPickText.isEmpty(); }
    bool PickDataActive() const { return PickTextActive() || PickListActive(); }
    // The items a drop-down list shows: with PickText active the formatted
    // texts (poFormatPickText without poFormatListOnly) or PickText, else PickList.
    QStringList PickData() const;
    // The items an entered text is matched against: PickList without PickText
    // active, else the formatted texts (poFormatPickText) or PickText.
    QStringList PickDataList() const;
    // Item Index through PickTextFormat (DefPickTextFormat when empty) with the
    // arguments (text, value, index); empty for a negative Index.
    QString FormatPickText(int Index) const;
    // The formatted texts, one per PickText item (made on first use).
    QStringList FormattedPickText() const;
    bool CalendarActive() const;

    // ---- Filter (value list and expression of the column's auto-filter)
    // FilterList: the key texts of the ticked values (the key field's edit
    // text), tested record by record by the grid; made on first use, and
    // every change of it reaches FilterChanged.
    TZFilterList* FilterList();
    // The list if it was made (no creation).
    const TZFilterList* FilterListIfAny() const { return FFilterList.get(); }
    QStringList GetFilterList() const;
    void SetFilterList(const QStringList& Value);
    // FilterText: an expression in the dataset's filter syntax.
    QString GetFilterText() const { return FFilterText; }
    void SetFilterText(const QString& Value);
    // FilterData: the filter form's control values as name=value pairs (not
    // published); SetFilterData with no list clears it.
    TZFilterList* FilterData();
    QStringList GetFilterData() const;
    void SetFilterData(const QStringList& Value = QStringList());
    // Whether the column filters: a ticked value or an expression.
    bool GetFiltered() const;
    // The column's filter changed: the grid filter takes it (not while the
    // grid loads).
    virtual void FilterChanged();
    // The field whose edit text the value list holds: for a lookup column the
    // dataset's field named by KeyField, else the column's field.
    TField* FilterField() const;
    // Whether the title shows an auto-filter button, and whether it shows a
    // filter button of any kind (ExpandStyle cesFilterList / cesFilterForm).
    bool HasAutoFilterButton() const;
    bool HasFilterButton() const;

    // ---- Look
    TColor GetColor() const;
    void SetColor(TColor Value);
    TColor DefaultColor() const;
    QFont GetFont() const;
    void SetFont(const QFont& Value);
    QFont DefaultFont() const;
    // Follows the default font while no font is assigned.
    void RefreshDefaultFont();
    TAlignment GetAlignment() const;
    void SetAlignment(TAlignment Value);
    TAlignment DefaultAlignment() const;
    TVAlignment GetVAlignment() const { return FVAlignment; }
    void SetVAlignment(TVAlignment Value);
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool GetEllipsis() const { return FEllipsis; }
    void SetEllipsis(bool Value);
    bool GetQuickDraw() const { return FQuickDraw; }
    void SetQuickDraw(bool Value);
    bool GetShowBlob() const { return FShowBlob; }
    void SetShowBlob(bool Value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    TColor GetTransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor Value);
    bool GetWallpaper() const { return FWallpaper; }
    void SetWallpaper(bool Value);
    // Image list of the column: any object; the painter decides what it accepts.
    QObject* GetImages() const { return FImages; }
    void SetImages(QObject* Value);
    TImageDraw GetImageDraw() const { return FImageDraw; }
    void SetImageDraw(TImageDraw Value);
    int GetImageMargin() const { return FImageMargin; }
    void SetImageMargin(int Value);
    int GetImageOffsetX() const { return FImageOffsetX; }
    void SetImageOffsetX(int Value);
    int GetImageOffsetY() const { return FImageOffsetY; }
    void SetImageOffsetY(int Value);
    bool GetCheckBox() const { return FCheckBox; }
    void SetCheckBox(bool Value);
    TCheckBoxKind GetCheckBoxKind() const { return FCheckBoxKind; }
    void SetCheckBoxKind(TCheckBoxKind Value);
    TCheckBoxStyle GetCheckBoxStyle() const { return FCheckBoxStyle; }
    void SetCheckBoxStyle(TCheckBoxStyle Value);
    bool GetCheckBoxThemed() const { return FCheckBoxThemed; }
    void SetCheckBoxThemed(bool Value);
    TCheckBoxToggle GetCheckBoxToggle() const { return FCheckBoxToggle; }
    void SetCheckBoxToggle(TCheckBoxToggle Value) { FCheckBoxToggle = Value; }
    QString GetCheckBoxValues() const { return FCheckBoxValues; }
    void SetCheckBoxValues(const QString& Value);
    static QString DefaultCheckBoxValues();
    bool GetExpandBox() const { return FExpandBox; }
    void SetExpandBox(bool Value);
    TExpandBoxSize GetExpandBoxSize() const { return FExpandBoxSize; }
    void SetExpandBoxSize(TExpandBoxSize Value);
    bool GetExpandBoxThemed() const { return FExpandBoxThemed; }
    void SetExpandBoxThemed(bool Value);
    TExpandBoxToggle GetExpandBoxToggle() const { return FExpandBoxToggle; }
    void SetExpandBoxToggle(TExpandBoxToggle Value) { FExpandBoxToggle = Value; }
    bool GetExpandBoxTree() const { return FExpandBoxTree; }
    void SetExpandBoxTree(bool Value);
    bool GetToolTips() const { return FToolTips; }
    void SetToolTips(bool Value) { FToolTips = Value; }
    TToolTipsWidth GetToolTipsWidth() const { return FToolTipsWidth; }
    void SetToolTipsWidth(TToolTipsWidth Value) { FToolTipsWidth = Value; }
    bool GetSuppressRTL() const { return FSuppressRTL; }
    void SetSuppressRTL(bool Value);
    bool GetAutoNumber() const { return FAutoNumber; }
    void SetAutoNumber(bool Value);

    TZColumnExpandStyle GetExpandStyle() const { return FExpandStyle; }
    void SetExpandStyle(TZColumnExpandStyle Value);
    TDialogOptions GetDialogOptions() const { return FDialogOptions; }
    void SetDialogOptions(TDialogOptions Value) { FDialogOptions = Value; }
    QStringList GetDialogOptionNames() const { return EnumSetNames(FDialogOptions); }
    void SetDialogOptionNames(const QStringList& Value);

    // An assigned value back to its default (the member removed); the RESETs
    // of the properties.
    void ResetValue(TZColumnValue Value);
    void ResetReadOnly() { ResetValue(cvReadOnly); }
    void ResetImeMode() { ResetValue(cvImeMode); }
    void ResetImeName() { ResetValue(cvImeName); }
    void ResetColor() { ResetValue(cvColor); }
    void ResetFont() { ResetValue(cvFont); }
    void ResetAlignment() { ResetValue(cvAlignment); }
    void ResetWidth() { ResetValue(cvWidth); }

    // Reports a change: of this column (its cells and width), or of all columns (layout).
    void Changed(bool AllItems) override;

protected:
    friend class TZDBGridColumns;
    friend class TZColumnTitle;
    // Sub-object factories, called once after construction.
    virtual std::unique_ptr<TZColumnTitle> CreateTitle();
    virtual std::unique_ptr<TZColumnReport> CreateReport();
    virtual std::unique_ptr<TZColumnTotalHeader> CreateTotalHeader();
    virtual std::unique_ptr<TZColumnTotalValues> CreateTotalValues();
    virtual std::unique_ptr<TZColumnTotalFields> CreateTotalFields();
    virtual std::unique_ptr<TZColumnTotalFooter> CreateTotalFooter();
    void CreateSubObjects();
    // Every property but FieldName, Visible, Expanded and the width to its initial value.
    void InitProperties();
    // The assigned width as stored (while stretching: the base).
    void AssignValue(TZColumnValue Value) { FAssignedValues.Include(Value); }
    // Text width in Font (QFontMetrics) and the grid's title measures.
    int TitleTextWidth() const;
    void BindField(TField* Value, bool Notify);
    void ApplyExpanded(bool Value);

    // Binding
    QString FFieldName;
    QString FMissingFieldReported; // the FieldName ReportMissingField warned about
    mutable QPointer<TField> FField;
    bool FStored = false;
    TZColumnValues FAssignedValues;
    TZColumn* FParentColumn = nullptr;

    // Sub-objects
    std::unique_ptr<TZColumnTitle> FTitle;
    std::unique_ptr<TZColumnReport> FReport;
    std::unique_ptr<TZColumnTotalHeader> FTotalHeader;
    std::unique_ptr<TZColumnTotalValues> FTotalValues;
    std::unique_ptr<TZColumnTotalFields> FTotalFields;
    std::unique_ptr<TZColumnTotalFooter> FTotalFooter;

    // Widths and grouping
    int FWidth = 64;
    int FDesignedWidth = -1;
    int FStretchBase = 64;
    TStretchState FStretchState = swFree;
    int FWidthMin = -1;
    int FWidthMax = -1;
    bool FVisible = true;
    bool FExpanded = true;
    int FExpandCols = 0;
    TZColumnExpandStyle FExpandStyle = cesAuto;
    TDialogOptions FDialogOptions{doShowColumn, doItemEnabled};

    // Binding and editing
    bool FReadOnly = false;
    TZColumnButtonStyle FButtonStyle = cbsAuto;
    bool FShowEdit = true;
    bool FEditMemo = true;
    TEditCharCase FCharCase = ecNormal;
    TImeMode FImeMode = imDontCare;
    QString FImeName;
    QString FEditorHint;
    QString FHint;
    QPointer<QMenu> FPopupMenu;
    QPointer<QMenu> FDropDownMenu;
    int FDropDownRows = 0;
    int FDropDownWidth = 0;
    QStringList FPickList;
    QStringList FPickText;
    QString FPickTextFormat;
    mutable std::optional<QStringList> FFormattedPickText; // FormattedPickText, until PickText changes
    TZPickOptions FPickOptions{poSelectPickText, poAcceptPickList};
    TZListOptions FListOptions{loAutoComplete, loAutoCloseEditor, loSelectNextValue, loAllowClearValue,
                               loShowToday, loAllowChangeOrder, loAllowColumnResize};
    TCalendarDepth FCalendarDepth = cdDecade;
    TMultiSelectText FMultiSelectText = mstEllipsis;
    QChar FDelimiterChar = QLatin1Char(',');
    bool FDelimiterLine = false;
    QString FDelimiterText;
    QPointer<TDataSet> FLookupDataSet;
    QString FKeyField;
    QString FLookupKeyField;
    QString FLookupResultField;
    QString FLookupListFields;
    QString FLookupParentField;
    QString FLookupTreeViewField;
    QString FLookupListTitles;
    QString FLookupListWidths;
    std::unique_ptr<TZFilterList> FFilterList;
    QString FFilterText;
    std::unique_ptr<TZFilterList> FFilterData;

    // Look
    TColor FColor = clWindow;
    QFont FFont;
    TAlignment FAlignment = taLeftJustify;
    TVAlignment FVAlignment = tvCenter;
    bool FWordWrap = true;
    bool FEllipsis = true;
    bool FQuickDraw = true;
    bool FShowBlob = true;
    bool FTransparent = false;
    TColor FTransparentColor = clNone;
    bool FWallpaper = false;
    QPointer<QObject> FImages;
    TImageDraw FImageDraw = idCenter;
    int FImageMargin = 0;
    int FImageOffsetX = 0;
    int FImageOffsetY = 0;
    bool FCheckBox = false;
    TCheckBoxKind FCheckBoxKind = ckCheck;
    TCheckBoxStyle FCheckBoxStyle = cbAuto;
    bool FCheckBoxThemed = false;
    TCheckBoxToggle FCheckBoxToggle = ctOnCellClick;
    QString FCheckBoxValues;
    bool FExpandBox = false;
    TExpandBoxSize FExpandBoxSize = ebLarge;
    bool FExpandBoxThemed = false;
    TExpandBoxToggle FExpandBoxToggle = etOnCellClick;
    bool FExpandBoxTree = false;
    bool FToolTips = true;
    TToolTipsWidth FToolTipsWidth = ttAutoWidth;
    bool FSuppressRTL = false;
    bool FAutoNumber = false;

    bool FInMoveTo = false;
};

// ---- Collection -----------------------------------------------------------

// Walks the columns: Restart, then MoveNext until it returns false; Current is
// the column reached.
class TZDBGridColumnsEnumerator {
public:
    explicit TZDBGridColumnsEnumerator(const TZDBGridColumns* Columns) : FColumns(Columns) {}
    TZColumn* Current() const;
    bool MoveNext();
    void Restart() { FIndex = -1; }

private:
    const TZDBGridColumns* FColumns;
    int FIndex = -1;
};

class TZDBGridColumns : public TCollection {
public:
    explicit TZDBGridColumns(TZCustomDBGrid* Grid);
    ~TZDBGridColumns() override;

    TZCustomDBGrid* Grid() const { return FGrid; }

    TZColumn* Items(int Index) const { return static_cast<TZColumn*>(GetItem(Index)); }
    TZColumn* operator[](int Index) const { return Items(Index); }
    TZColumn* GetColumn(int Index) const { return Items(Index); }
    void SetColumn(int Index, const TZColumn& Value) { Items(Index)->Assign(Value); }

    // A stored column at the end.
    TZColumn* Add();
    // A column made by the grid (not stored) at the end.
    TZColumn* InternalAdd();
    // The automatic columns, each placed at index 0.
    TZColumn* AddAutoNumber();
    TZColumn* AddAutoSelect();
    TZColumn* AddAutoExpand();

    // csCustomized exactly when not empty and the last column is stored.
    TDBGridColumnsState State() const;
    void SetState(TDBGridColumnsState Value);
    // Makes the current layout's columns stored columns.
    virtual void RebuildColumns();
    void Assign(const TZDBGridColumns& Source);
    void RestoreDefaults();

    // First column at or after StartIndex bound to field Name (case-insensitive).
    TZColumn* FindColumn(const QString& Name, int StartIndex = 0) const;
    // Likewise, raising a database error when there is none.
    TZColumn* ColumnByName(const QString& Name, int StartIndex = 0) const;

    // Design updates (a separate counter; the designer reads it).
    void BeginDesignUpdate() { ++FDesignUpdateCount; }
    void EndDesignUpdate() { if (FDesignUpdateCount > 0) --FDesignUpdateCount; }
    int DesignUpdateCount() const { return FDesignUpdateCount; }

    // ---- Sort markers
    // The columns that carry a marker, in sort order (first = primary key).
    // A column is listed exactly while its marker is not tmNone.
    const std::vector<TZColumn*>& OrderList() const { return FOrderList; }
    int OrderCount() const { return int(FOrderList.size()); }
    // Index of Column in the order list, -1 when it has no marker.
    int OrderListIndex(const TZColumn* Column) const;
    // At most this many columns are sorted by title clicks and SetOrderFields.
    static constexpr int MaxOrderColumns = 9;
    // Renumbers the markers for the grid's marker options.
    void UpdateMarkers();
    // Every marker to tmNone.
    void RemoveMarkers();

    // ---- Widths
    // Distributes the available width over the showing columns by their base
    // widths (the grid's StretchGrid calls it while stretching is active).
    // ClientWidth: the width to fill, indicator and its line already taken off.
    void Stretch(int AvailableWidth);
    // Every width-like value multiplied by M / D (rounded), fonts too when asked.
    void ScaleColumnsBy(int M, int D, bool ScaleFonts);
    // Each column's Width := OptimalWidth (or DesignedWidth) + button width.
    void AdjustColumnsWidth(bool Optimal, bool IncludeButtons);
    // Stretching switched on (base widths := true widths) or off (widths := bases).
    void StretchActivated(bool Active);

    // ---- Settings text
    // "Columns=%d", "Column%d=%s,...", ["StretchMode=%d"], "CurrentPPI=%d".
    QStringList GetSettings();
    // Applies Strings (or, without, the kept list).
    void SetSettings(const QStringList& Strings);
    void SetSettings();
    void ApplySettings() { SetSettings(); }
    QStringList& SettingsList() { return FSettings; }

    // ---- Streams
    // The columns (stored properties that differ from their defaults) and the
    // grid's "OrderFields" as one JSON document.
    void SaveToStream(QIODevice& Stream);
    void LoadFromStream(QIODevice& Stream);
    void SaveToFile(const QString& FileName);
    void LoadFromFile(const QString& FileName);
    // The grid's own entries: "Columns" (only while customized, or Force) and
    // "OrderFields" (when not empty). Reading clears the collection, reads the
    // items and consumes "OrderFields" without using it.
    void WriteEntries(QJsonObject& Object, bool Force = false) const;
    void ReadEntries(const QJsonObject& Object);

    TZDBGridColumnsEnumerator GetEnumerator() const { return TZDBGridColumnsEnumerator(this); }

    // Range-for over the columns.
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = TZColumn*;
        using difference_type = std::ptrdiff_t;
        using pointer = TZColumn**;
        using reference = TZColumn*;
        iterator(const TZDBGridColumns* Columns, int Index) : FColumns(Columns), FIndex(Index) {}
        TZColumn* operator*() const { return FColumns->Items(FIndex); }
        iterator& operator++() { ++FIndex; return *this; }
        iterator operator++(int) { iterator old = *this; ++FIndex; return old; }
        friend bool operator==(const iterator&, const iterator&) = default;
    private:
        const TZDBGridColumns* FColumns;
        int FIndex;
    };
    iterator begin() const { return iterator(this, 0); }
    iterator end() const { return iterator(this, Count()); }

protected:
    friend class TZColumn;
    std::unique_ptr<TCollectionItem> CreateItem() override;
    // The column class of the collection.
    virtual std::unique_ptr<TZColumn> CreateColumn();
    void Update(TCollectionItem* Item) override;
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override;
    TZColumn* AddColumn(bool Stored);

    // Order list maintenance (used by the title's marker setters and the
    // grid's SetOrderFields).
    friend class TZColumnTitle;
    friend class TZCustomDBGrid;
    void OrderListAppend(TZColumn* Column);
    void OrderListRemove(TZColumn* Column);
    // Moves Column to Index (limited to the list), inserting it when absent.
    void OrderListMove(TZColumn* Column, int Index);
    // Exchanges the entries at I and J.
    void OrderListExchange(int I, int J);
    // Lists Column when its title has a marker and drops it otherwise.
    void OrderListFollow(TZColumn* Column);
    std::vector<TZColumn*> FOrderList;

    TZCustomDBGrid* FGrid;
    QStringList FSettings;
    int FDesignUpdateCount = 0;
    bool FInStretch = false;
    // Width left to the free columns and their base total after the last
    // stretch: a width edit while stretching becomes base = width * B / A.
    int FStretchA = 0;
    int FStretchB = 0;
    mutable bool FWriting = false; // the columns are being written to a stream
    bool FReading = false;         // ... or read from one
};

// A published property of Column by name; a dotted path reaches the title and
// report ("Title.Caption", "Report.Visible"). An invalid QVariant when no
// property has that name. Enumerations read as their registered types (their
// key through QVariant::toString), sets as lists of key names.
QVariant ColumnProperty(const TZColumn* Column, const QString& Path);
// Writes the property at Path: enumerations also by key name, sets by a list
// of key names (or one text "poSelectPickText|poAcceptPickList"); false when there is no such writable property or Value does
// not convert to it.
bool SetColumnProperty(TZColumn* Column, const QString& Path, const QVariant& Value);

} // namespace zdb

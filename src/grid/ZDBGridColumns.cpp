// Columns: the collection, binding to fields, assigned values and defaults,
// grouping, lookup roles, titles, reports and the total objects.

#include "ZDBGridColumns.h"
#include "ZDBGrids.h"

#include "SysUtils.h"
#include "ZDBTranslate.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

namespace zdb {

namespace {

// Runs a callable when the scope ends, on every path.
template <typename F>
class TScopeExit {
public:
    explicit TScopeExit(F Proc) : FProc(std::move(Proc)) {}
    ~TScopeExit() { FProc(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F FProc;
};

// Closes a layout bracket opened by AcquireLayoutLock: EndLayout, or
// CancelLayout while an exception unwinds.
class TEndLayout {
public:
    explicit TEndLayout(TZCustomDBGrid* Grid) : FGrid(Grid) {}
    ~TEndLayout() noexcept(false)
    {
        if (FEnd.Unwinding())
            FGrid->CancelLayout();
        else
            FGrid->EndLayout();
    }
    TEndLayout(const TEndLayout&) = delete;
    TEndLayout& operator=(const TEndLayout&) = delete;

private:
    TZCustomDBGrid* FGrid;
    TBracketEnd FEnd;
};

bool SameText(const QString& A, const QString& B)
{
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

// Collections whose MoveTo is running (linked grids form a ring).
std::vector<const TZDBGridColumns*>& MovingCollections()
{
    static std::vector<const TZDBGridColumns*> list;
    return list;
}

} // namespace

QString AutoNumberStr(int N)
{
    if (N < 1)
        return QString();
    return Format(DefAutoNumberFormat, {N});
}

// ===========================================================================
// TZColumnTitle

TZColumnTitle::TZColumnTitle(TZColumn* Column) : FColumn(Column)
{
    FFont = DefaultFont();
}

void TZColumnTitle::Assign(const TZColumnTitle& Source)
{
    if (&Source == this)
        return;
    const TZColumnValues src = Source.FColumn->AssignedValues();
    if (src.Contains(cvTitleCaption))
        SetCaption(Source.FCaption);
    if (src.Contains(cvTitleAlignment))
        SetAlignment(Source.FAlignment);
    if (src.Contains(cvTitleColor))
        SetColor(Source.FColor);
    if (src.Contains(cvTitleFont))
        SetFont(Source.FFont);
    FVAlignment = Source.FVAlignment;
    FWordWrap = Source.FWordWrap;
    FEllipsis = Source.FEllipsis;
    FButton = Source.FButton;
    FHeader = Source.FHeader;
    FHeaderHint = Source.FHeaderHint;
    FHint = Source.FHint;
    FImageIndex = Source.FImageIndex;
    FMarker = Source.FMarker;
    FMarkerIndex = Source.FMarkerIndex;
    if (TZDBGridColumns* columns = FColumn->Columns())
        columns->OrderListFollow(FColumn);
    FAutoToggle = Source.FAutoToggle;
    FAutoFilter = Source.FAutoFilter;
    FAutoFilters = Source.FAutoFilters;
    FPopupMenu = Source.FPopupMenu;
    FDropDownMenu = Source.FDropDownMenu;
    Changed(true);
}

void TZColumnTitle::RestoreDefaults()
{
    TZColumnValues& values = FColumn->FAssignedValues;
    values.Exclude(cvTitleCaption).Exclude(cvTitleAlignment).Exclude(cvTitleColor).Exclude(cvTitleFont);
    FCaption.clear();
    FAlignment = taLeftJustify;
    FColor = clBtnFace;
    RefreshDefaultFont();
    FVAlignment = tvCenter;
    FWordWrap = true;
    FEllipsis = true;
    FButton = true;
    FHeader.clear();
    FHeaderHint.clear();
    FHint.clear();
    FImageIndex = -1;
    FAutoToggle = true;
    FAutoFilter = true;
    FAutoFilters = {fsFilterList, fsFilterForm};
    FPopupMenu = nullptr;
    FDropDownMenu = nullptr;
}

void TZColumnTitle::Changed(bool AllItems)
{
    FColumn->Changed(AllItems);
}

QString TZColumnTitle::DefaultCaption() const
{
    if (TField* field = FColumn->DisplayField())
        return field->DisplayName();
    return FColumn->GetFieldName();
}

QString TZColumnTitle::GetCaption() const
{
    return FColumn->IsAssigned(cvTitleCaption) ? FCaption : DefaultCaption();
}

void TZColumnTitle::SetCaption(const QString& Value)
{
    if (FColumn->IsAssigned(cvTitleCaption) && Value == FCaption)
        return;
    FCaption = Value;
    FColumn->AssignValue(cvTitleCaption);
    Changed(false);
}

bool TZColumnTitle::IsCaptionStored() const
{
    return FColumn->IsAssigned(cvTitleCaption) && FCaption != DefaultCaption();
}

TAlignment TZColumnTitle::GetAlignment() const
{
    return FColumn->IsAssigned(cvTitleAlignment) ? FAlignment : DefaultAlignment();
}

void TZColumnTitle::SetAlignment(TAlignment Value)
{
    if (FColumn->IsAssigned(cvTitleAlignment) && Value == FAlignment)
        return;
    FAlignment = Value;
    FColumn->AssignValue(cvTitleAlignment);
    Changed(false);
}

TColor TZColumnTitle::DefaultColor() const
{
    if (TZCustomDBGrid* grid = FColumn->Grid())
        return grid->GetFixedColor();
    return clBtnFace;
}

TColor TZColumnTitle::GetColor() const
{
    return FColumn->IsAssigned(cvTitleColor) ? FColor : DefaultColor();
}

void TZColumnTitle::SetColor(TColor Value)
{
    if (FColumn->IsAssigned(cvTitleColor) && Value == FColor)
        return;
    FColor = Value;
    FColumn->AssignValue(cvTitleColor);
    Changed(false);
}

QFont TZColumnTitle::DefaultFont() const
{
    if (TZCustomDBGrid* grid = FColumn->Grid())
        return grid->GetTitleFont();
    return FColumn->GetFont();
}

QFont TZColumnTitle::GetFont() const
{
    return FColumn->IsAssigned(cvTitleFont) ? FFont : DefaultFont();
}

void TZColumnTitle::SetFont(const QFont& Value)
{
    if (FColumn->IsAssigned(cvTitleFont) && Value == FFont)
        return;
    FFont = Value;
    FColumn->AssignValue(cvTitleFont);
    Changed(true);
}

void TZColumnTitle::RefreshDefaultFont()
{
    if (!FColumn->IsAssigned(cvTitleFont))
        FFont = DefaultFont();
}

void TZColumnTitle::SetVAlignment(TVAlignment Value)
{
    if (FVAlignment == Value)
        return;
    FVAlignment = Value;
    Changed(false);
}

void TZColumnTitle::SetWordWrap(bool Value)
{
    if (FWordWrap == Value)
        return;
    FWordWrap = Value;
    Changed(false);
}

void TZColumnTitle::SetEllipsis(bool Value)
{
    if (FEllipsis == Value)
        return;
    FEllipsis = Value;
    Changed(false);
}

void TZColumnTitle::SetButton(bool Value)
{
    if (FButton == Value)
        return;
    FButton = Value;
    Changed(false);
}

void TZColumnTitle::SetHeader(const QString& Value)
{
    if (FHeader == Value)
        return;
    FHeader = Value;
    Changed(true); // the band count decides the title row heights
}

void TZColumnTitle::SetHeaderHint(const QString& Value)
{
    FHeaderHint = Value;
}

void TZColumnTitle::SetHint(const QString& Value)
{
    FHint = Value;
}

void TZColumnTitle::SetImageIndex(int Value)
{
    if (FImageIndex == Value)
        return;
    FImageIndex = Value;
    Changed(false);
}

// ---- Sort marker ----
//
// In a grid, SetMarker and SetMarkerIndex call each other: each stores its own
// value before calling the other, which then finds its value unchanged.

void TZColumnTitle::SetMarker(TMarker Value)
{
    TZCustomDBGrid* grid = FColumn->Grid();
    if (!grid) {
        if (FMarker == Value)
            return;
        FMarker = Value;
        FMarkerIndex = Value == tmNone ? -1 : ((FMarkerIndex < 0 ? 0 : FMarkerIndex) & ~1) + (Value - 1);
        if (TZDBGridColumns* columns = FColumn->Columns())
            columns->OrderListFollow(FColumn);
        Changed(false);
        return;
    }
    const TZDBGridOptions options = grid->GetOptions();
    if ((options & dgMarkerAscendOnly) && Value == tmDescend)
        Value = tmAscend;
    if (FMarker == Value)
        return;
    TZDBGridColumns* columns = FColumn->Columns();
    TZOrderUpdateGuard order(grid);
    if (Value != tmNone) {
        if (options & dgMarkerAutoSwitch)
            columns->RemoveMarkers();
        columns->OrderListAppend(FColumn);
    } else {
        columns->OrderListRemove(FColumn);
        if (!(options & dgMarkerAutoSwitch))
            columns->UpdateMarkers();
    }
    FMarker = Value;
    SetMarkerIndex(Value == tmNone ? -1 : ((FMarkerIndex < 0 ? 0 : FMarkerIndex) & ~1) + (Value - 1));
    Changed(false);
}

void TZColumnTitle::SetMarkerIndex(int Value)
{
    if (Value < -1)
        Value = -1;
    TZCustomDBGrid* grid = FColumn->Grid();
    if (!grid) {
        if (FMarkerIndex == Value)
            return;
        FMarkerIndex = Value;
        FMarker = Value < 0 ? tmNone : ((Value & 1) ? tmDescend : tmAscend);
        if (TZDBGridColumns* columns = FColumn->Columns())
            columns->OrderListFollow(FColumn);
        Changed(false);
        return;
    }
    const TZDBGridOptions options = grid->GetOptions();
    if ((options & dgMarkerAscendOnly) && Value >= 0)
        Value &= ~1;
    if (FMarkerIndex == Value)
        return;
    TZDBGridColumns* columns = FColumn->Columns();
    TZOrderUpdateGuard order(grid);
    if (Value >= 0) {
        columns->OrderListAppend(FColumn);
        if (options & dgMarkerAutoSwitch)
            Value &= 1;
        else if (options & dgMarkerAutoToggle)
            Value = 2 * columns->OrderListIndex(FColumn) + (Value & 1) + 2;
    } else {
        columns->OrderListRemove(FColumn);
        if (!(options & dgMarkerAutoSwitch))
            columns->UpdateMarkers();
    }
    const bool changed = FMarkerIndex != Value;
    FMarkerIndex = Value;
    SetMarker(Value < 0 ? tmNone : ((Value & 1) ? tmDescend : tmAscend));
    if (changed)
        Changed(false);
}

void TZColumnTitle::SetOrderIndex(int Value)
{
    TZCustomDBGrid* grid = FColumn->Grid();
    const TZDBGridOptions options = grid ? grid->GetOptions() : TZDBGridOptions();
    if (Value < 0) {
        SetMarkerIndex(Value);
        return;
    }
    // Numbered markers follow the order list: the column moves in the list.
    if (!grid || !(options & dgMarkerAutoToggle) || (options & dgMarkerAutoSwitch)) {
        SetMarkerIndex(2 * Value + (FMarker == tmDescend ? 1 : 0));
        return;
    }
    if (Value > 0)
        --Value;
    TZDBGridColumns* columns = FColumn->Columns();
    if (columns->OrderListIndex(FColumn) == Value)
        return;
    TZOrderUpdateGuard order(grid);
    columns->OrderListMove(FColumn, Value);
    columns->UpdateMarkers();
}

void TZColumnTitle::ToggleMarker(bool Replace)
{
    TZCustomDBGrid* grid = FColumn->Grid();
    TZDBGridColumns* columns = FColumn->Columns();
    if (!grid || !columns)
        return;
    const TZDBGridOptions options = grid->GetOptions();
    const bool autoSwitch = options & dgMarkerAutoSwitch;
    const bool allowDesc = !(options & dgMarkerAscendOnly);
    const bool clearAllowed = grid->GetOptionsExt() & dgMarkerClearAllowed;
    TZOrderUpdateGuard order(grid);
    bool desc = false;
    if (Replace || autoSwitch) {
        desc = FMarker == tmAscend && allowDesc;
        const int oldIndex = columns->OrderListIndex(FColumn);
        columns->RemoveMarkers();
        // The single sort column that does not turn descending goes unsorted.
        if (clearAllowed && autoSwitch && !desc && oldIndex == 0)
            return;
    }
    if (FColumn->GetFieldName().isEmpty())
        return;
    const int index = columns->OrderListIndex(FColumn);
    const int count = columns->OrderCount();
    if (index >= 0) {
        if (FMarker == tmAscend && allowDesc)
            SetMarker(tmDescend);
        else if (index == count - 1 && (index != 0 || clearAllowed))
            SetMarker(tmNone);
        else
            SetMarker(tmAscend);
    } else if (count < TZDBGridColumns::MaxOrderColumns)
        SetMarkerIndex(2 * count + (desc ? 1 : 0) + 2);
}

void TZColumnTitle::SetAutoToggle(bool Value)
{
    FAutoToggle = Value;
}

void TZColumnTitle::SetAutoFilter(bool Value)
{
    if (FAutoFilter == Value)
        return;
    FAutoFilter = Value;
    Changed(false);
}

void TZColumnTitle::SetAutoFilters(TFilterStyles Value)
{
    if (FAutoFilters == Value)
        return;
    FAutoFilters = Value;
    Changed(false);
}

int TZColumnTitle::HeaderCount() const
{
    return FHeader.isEmpty() ? 0 : int(FHeader.count(QLatin1Char('|'))) + 1;
}

QString TZColumnTitle::HeaderBand(int I) const
{
    if (I < 0 || FHeader.isEmpty())
        return QString();
    return FHeader.split(QLatin1Char('|')).value(I);
}

QString TZColumnTitle::HeaderHintBand(int I) const
{
    if (I < 0 || FHeaderHint.isEmpty())
        return QString();
    return FHeaderHint.split(QLatin1Char('|')).value(I);
}

// ===========================================================================
// TZColumnReport

void TZColumnReport::Assign(const TZColumnReport& Source)
{
    FVisible = Source.FVisible;
    FTotalType = Source.FTotalType;
    FTotalText = Source.FTotalText;
    FTotalMask = Source.FTotalMask;
    FAutoHeight = Source.FAutoHeight;
    FDialogOptions = Source.FDialogOptions;
}

void TZColumnReport::RestoreDefaults()
{
    FVisible = true;
    FTotalType = ttNone;
    FTotalText.clear();
    FTotalMask.clear();
    FAutoHeight = false;
    FDialogOptions = {doShowColumn, doItemEnabled};
}

bool TZColumnReport::IsPrinted() const
{
    return FVisible && FColumn->GetVisible();
}

// ===========================================================================
// Total objects

TZColumnTotal::TZColumnTotal(TZColumn* Column, TCollection* Collection)
    : TCollectionItem(Collection), FColumn(Column)
{
    FFont = DefaultFont();
}

void TZColumnTotal::Assign(const TZColumnTotal& Source)
{
    FFont = Source.FFont;
    FFontAssigned = Source.FFontAssigned;
    FVisible = Source.FVisible;
    FAlignment = Source.FAlignment;
    FAlignmentAssigned = Source.FAlignmentAssigned;
    FColor = Source.FColor;
    FColorAssigned = Source.FColorAssigned;
    FEllipsis = Source.FEllipsis;
    FWordWrap = Source.FWordWrap;
    FVAlignment = Source.FVAlignment;
    FHint = Source.FHint;
    FToolTips = Source.FToolTips;
    FToolTipsWidth = Source.FToolTipsWidth;
    FImageIndex = Source.FImageIndex;
    FPopupMenu = Source.FPopupMenu;
    FTotalBox = Source.FTotalBox;
    if (dynamic_cast<const TZColumnTotalFields*>(this) == nullptr)
        FTotalResult = Source.FTotalResult;
    FFieldName = Source.FFieldName;
    SetField(nullptr);
    if (!FFontAssigned)
        FFont = DefaultFont();
    Changed(true);
}

void TZColumnTotal::RestoreDefaults()
{
    FFontAssigned = false;
    FFont = DefaultFont();
    FVisible = true;
    FEllipsis = true;
    FWordWrap = true;
    FVAlignment = tvCenter;
    FHint.clear();
    FToolTips = true;
    FToolTipsWidth = ttAutoWidth;
    FImageIndex = -1;
    FPopupMenu = nullptr;
    FTotalBox = tbAuto;
}

QFont TZColumnTotal::DefaultFont() const
{
    if (TZCustomDBGrid* grid = FColumn->Grid())
        if (TZDBGridTotals* totals = grid->Totals())
            return totals->GetFont();
    return FColumn->GetFont();
}

QFont TZColumnTotal::GetFont() const
{
    return FFontAssigned ? FFont : DefaultFont();
}

void TZColumnTotal::SetFont(const QFont& Value)
{
    if (FFontAssigned && FFont == Value)
        return;
    FFont = Value;
    FFontAssigned = true;
    Changed(true); // total row heights follow the fonts
}

void TZColumnTotal::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    Changed(false);
}

void TZColumnTotal::Changed(bool AllItems)
{
    if (Collection()) {
        TCollectionItem::Changed(AllItems);
        return;
    }
    FColumn->Changed(AllItems);
}

void TZColumnTotalValues::SetCount(int Value)
{
    if (Value < 0)
        Value = 0;
    if (Value == Count())
        return;
    TCollectionUpdateGuard guard(this);
    while (Count() > Value)
        Delete(Count() - 1);
    while (Count() < Value)
        Add();
}

void TZColumnTotalValues::Assign(const TZColumnTotalValues& Source)
{
    if (&Source == this)
        return;
    TCollectionUpdateGuard guard(this);
    SetCount(Source.Count());
    for (int i = 0; i < Count(); ++i)
        Items(i)->Assign(*Source.Items(i));
}

std::unique_ptr<TCollectionItem> TZColumnTotalValues::CreateItem()
{
    return std::make_unique<TZColumnTotalValue>(FColumn, this);
}

void TZColumnTotalValues::Update(TCollectionItem* /*Item*/)
{
    // The number of value rows may have changed: the whole grid lays out.
    FColumn->Changed(true);
}

// ===========================================================================
// TZColumn

TZColumn::TZColumn(TCollection* Collection) : TCollectionItem(Collection)
{
    FCheckBoxValues = DefaultCheckBoxValues();
    FFont = DefaultFont();
}

TZColumn::~TZColumn() = default;

void TZColumn::CreateSubObjects()
{
    FTitle = CreateTitle();
    FReport = CreateReport();
    FTotalHeader = CreateTotalHeader();
    FTotalValues = CreateTotalValues();
    FTotalFields = CreateTotalFields();
    FTotalFooter = CreateTotalFooter();
}

std::unique_ptr<TZColumnTitle> TZColumn::CreateTitle()
{
    return std::make_unique<TZColumnTitle>(this);
}

std::unique_ptr<TZColumnReport> TZColumn::CreateReport()
{
    return std::make_unique<TZColumnReport>(this);
}

std::unique_ptr<TZColumnTotalHeader> TZColumn::CreateTotalHeader()
{
    return std::make_unique<TZColumnTotalHeader>(this);
}

std::unique_ptr<TZColumnTotalValues> TZColumn::CreateTotalValues()
{
    return std::make_unique<TZColumnTotalValues>(this);
}

std::unique_ptr<TZColumnTotalFields> TZColumn::CreateTotalFields()
{
    return std::make_unique<TZColumnTotalFields>(this);
}

std::unique_ptr<TZColumnTotalFooter> TZColumn::CreateTotalFooter()
{
    return std::make_unique<TZColumnTotalFooter>(this);
}

TZDBGridColumns* TZColumn::Columns() const
{
    return dynamic_cast<TZDBGridColumns*>(Collection());
}

TZCustomDBGrid* TZColumn::Grid() const
{
    TZDBGridColumns* columns = Columns();
    return columns ? columns->Grid() : nullptr;
}

QString TZColumn::GetDisplayName() const
{
    return FFieldName.isEmpty() ? QStringLiteral("TZColumn") : FFieldName;
}

void TZColumn::Changed(bool AllItems)
{
    TCollectionItem::Changed(AllItems);
}

void TZColumn::ClearTotalFields()
{
    if (FTotalHeader)
        FTotalHeader->SetField(nullptr);
    if (FTotalValues)
        for (int i = 0; i < FTotalValues->Count(); ++i)
            FTotalValues->Items(i)->SetField(nullptr);
    if (FTotalFields)
        FTotalFields->SetField(nullptr);
    if (FTotalFooter)
        FTotalFooter->SetField(nullptr);
}

void TZColumn::InitProperties()
{
    FWidthMin = -1;
    FWidthMax = -1;
    FExpandCols = 0;
    FExpandStyle = cesAuto;
    FDialogOptions = {doShowColumn, doItemEnabled};
    FReadOnly = false;
    FButtonStyle = cbsAuto;
    FShowEdit = true;
    FEditMemo = true;
    FCharCase = ecNormal;
    FImeMode = imDontCare;
    FImeName.clear();
    FEditorHint.clear();
    FHint.clear();
    FPopupMenu = nullptr;
    FDropDownMenu = nullptr;
    FDropDownRows = 0;
    FDropDownWidth = 0;
    FPickList.clear();
    FPickText.clear();
    FPickTextFormat.clear();
    FFormattedPickText.reset();
    FPickOptions = {poSelectPickText, poAcceptPickList};
    FListOptions = {loAutoComplete, loAutoCloseEditor, loSelectNextValue, loAllowClearValue,
                    loShowToday, loAllowChangeOrder, loAllowColumnResize};
    FCalendarDepth = cdDecade;
    FMultiSelectText = mstEllipsis;
    FDelimiterChar = QLatin1Char(',');
    FDelimiterLine = false;
    FDelimiterText.clear();
    FLookupDataSet = nullptr;
    FKeyField.clear();
    FLookupKeyField.clear();
    FLookupResultField.clear();
    FLookupListFields.clear();
    FLookupParentField.clear();
    FLookupTreeViewField.clear();
    FLookupListTitles.clear();
    FLookupListWidths.clear();
    SetFilterList(QStringList());
    SetFilterText(QString());
    SetFilterData();
    FColor = clWindow;
    FAlignment = taLeftJustify;
    FVAlignment = tvCenter;
    FWordWrap = true;
    FEllipsis = true;
    FQuickDraw = true;
    FShowBlob = true;
    FTransparent = false;
    FTransparentColor = clNone;
    FWallpaper = false;
    FImages = nullptr;
    FImageDraw = idCenter;
    FImageMargin = 0;
    FImageOffsetX = 0;
    FImageOffsetY = 0;
    FCheckBox = false;
    FCheckBoxKind = ckCheck;
    FCheckBoxStyle = cbAuto;
    FCheckBoxThemed = false;
    FCheckBoxToggle = ctOnCellClick;
    FCheckBoxValues = DefaultCheckBoxValues();
    FExpandBox = false;
    FExpandBoxSize = ebLarge;
    FExpandBoxThemed = false;
    FExpandBoxToggle = etOnCellClick;
    FExpandBoxTree = false;
    FToolTips = true;
    FToolTipsWidth = ttAutoWidth;
    FSuppressRTL = false;
    FAutoNumber = false;
}

void TZColumn::RestoreDefaults()
{
    if (FTitle)
        FTitle->RestoreDefaults();
    if (FTotalHeader)
        FTotalHeader->RestoreDefaults();
    if (FTotalValues)
        for (int i = 0; i < FTotalValues->Count(); ++i)
            FTotalValues->Items(i)->RestoreDefaults();
    if (FTotalFields)
        FTotalFields->RestoreDefaults();
    if (FTotalFooter)
        FTotalFooter->RestoreDefaults();
    FAssignedValues = {};
    RefreshDefaultFont();
    InitProperties();
    Changed(false);
}

void TZColumn::Assign(const TZColumn& Source)
{
    if (&Source == this)
        return;
    TCollectionUpdateGuard guard(Collection());
    // The filter is cleared and taken over as one change.
    TZFilterChangeGuard filterChange(Grid() ? Grid()->FilterGrid() : nullptr);
    filterChange.SetChanged(GetFiltered() || Source.GetFiltered());
    RestoreDefaults();
    SetFieldName(Source.FFieldName);
    const TZColumnValues src = Source.FAssignedValues;
    if (src.Contains(cvColor))
        SetColor(Source.FColor);
    if (src.Contains(cvFont))
        SetFont(Source.FFont);
    if (src.Contains(cvAlignment))
        SetAlignment(Source.FAlignment);
    if (src.Contains(cvReadOnly))
        SetReadOnly(Source.FReadOnly);
    if (src.Contains(cvImeMode))
        SetImeMode(Source.FImeMode);
    if (src.Contains(cvImeName))
        SetImeName(Source.FImeName);
    FWidthMin = Source.FWidthMin;
    FWidthMax = Source.FWidthMax;
    if (src.Contains(cvWidth)) {
        FWidth = Source.FWidth;
        AssignValue(cvWidth);
    }
    FStretchBase = Source.FStretchBase;
    FVisible = Source.FVisible;
    FExpanded = Source.FExpanded;
    FExpandCols = Source.FExpandCols;
    FExpandStyle = Source.FExpandStyle;
    FDialogOptions = Source.FDialogOptions;
    FButtonStyle = Source.FButtonStyle;
    FShowEdit = Source.FShowEdit;
    FEditMemo = Source.FEditMemo;
    FCharCase = Source.FCharCase;
    FEditorHint = Source.FEditorHint;
    FHint = Source.FHint;
    FPopupMenu = Source.FPopupMenu;
    FDropDownMenu = Source.FDropDownMenu;
    FDropDownRows = Source.FDropDownRows;
    FDropDownWidth = Source.FDropDownWidth;
    FPickList = Source.FPickList;
    FPickText = Source.FPickText;
    FPickTextFormat = Source.FPickTextFormat;
    FFormattedPickText.reset();
    FPickOptions = Source.FPickOptions;
    FListOptions = Source.FListOptions;
    FCalendarDepth = Source.FCalendarDepth;
    FMultiSelectText = Source.FMultiSelectText;
    FDelimiterChar = Source.FDelimiterChar;
    FDelimiterLine = Source.FDelimiterLine;
    FDelimiterText = Source.FDelimiterText;
    FLookupDataSet = Source.FLookupDataSet;
    FKeyField = Source.FKeyField;
    FLookupKeyField = Source.FLookupKeyField;
    FLookupResultField = Source.FLookupResultField;
    FLookupListFields = Source.FLookupListFields;
    FLookupParentField = Source.FLookupParentField;
    FLookupTreeViewField = Source.FLookupTreeViewField;
    FLookupListTitles = Source.FLookupListTitles;
    FLookupListWidths = Source.FLookupListWidths;
    SetFilterList(Source.GetFilterList());
    SetFilterText(Source.FFilterText);
    SetFilterData(Source.GetFilterData());
    FVAlignment = Source.FVAlignment;
    FWordWrap = Source.FWordWrap;
    FEllipsis = Source.FEllipsis;
    FQuickDraw = Source.FQuickDraw;
    FShowBlob = Source.FShowBlob;
    FTransparent = Source.FTransparent;
    FTransparentColor = Source.FTransparentColor;
    FWallpaper = Source.FWallpaper;
    FImages = Source.FImages;
    FImageDraw = Source.FImageDraw;
    FImageMargin = Source.FImageMargin;
    FImageOffsetX = Source.FImageOffsetX;
    FImageOffsetY = Source.FImageOffsetY;
    FCheckBox = Source.FCheckBox;
    FCheckBoxKind = Source.FCheckBoxKind;
    FCheckBoxStyle = Source.FCheckBoxStyle;
    FCheckBoxThemed = Source.FCheckBoxThemed;
    FCheckBoxToggle = Source.FCheckBoxToggle;
    FCheckBoxValues = Source.FCheckBoxValues;
    FExpandBox = Source.FExpandBox;
    FExpandBoxSize = Source.FExpandBoxSize;
    FExpandBoxThemed = Source.FExpandBoxThemed;
    FExpandBoxToggle = Source.FExpandBoxToggle;
    FExpandBoxTree = Source.FExpandBoxTree;
    FToolTips = Source.FToolTips;
    FToolTipsWidth = Source.FToolTipsWidth;
    FSuppressRTL = Source.FSuppressRTL;
    FAutoNumber = Source.FAutoNumber;
    if (FTitle && Source.FTitle)
        FTitle->Assign(*Source.FTitle);
    if (FReport && Source.FReport)
        FReport->Assign(*Source.FReport);
    if (FTotalHeader && Source.FTotalHeader)
        FTotalHeader->Assign(*Source.FTotalHeader);
    if (FTotalValues && Source.FTotalValues)
        FTotalValues->Assign(*Source.FTotalValues);
    if (FTotalFields && Source.FTotalFields)
        FTotalFields->Assign(*Source.FTotalFields);
    if (FTotalFooter && Source.FTotalFooter)
        FTotalFooter->Assign(*Source.FTotalFooter);
    Changed(true);
}

// ---- Binding ---------------------------------------------------------------

TField* TZColumn::GetField() const
{
    if (!FField && !FFieldName.isEmpty()) {
        if (TZCustomDBGrid* grid = Grid()) {
            TDataSet* dataSet = grid->DataLink() ? grid->DataLink()->DataSet() : nullptr;
            // A closed dataset with automatic fields has none to bind to.
            if (dataSet && (dataSet->Active() || dataSet->FieldCount() > 0)) {
                if (TField* field = dataSet->FindField(FFieldName))
                    const_cast<TZColumn*>(this)->SetField(field);
            }
        }
    }
    return FField;
}

void TZColumn::SetField(TField* Value)
{
    if (FField == Value)
        return;
    TZCustomDBGrid* grid = Grid();
    const QPointer<TField> old = FField;
    FField = Value; // a field under destruction is already gone from the QPointer
    if (FField) {
        if (grid)
            grid->FreeNotification(FField);
        FFieldName = FField->FullName();
    }
    if (!FStored) {
        if (!FField)
            FFieldName.clear();
        RestoreDefaults();
    }
    // The lookup values follow the new binding: a key field that names the
    // new field is that field's fallback, not a value of its own.
    SetKeyField(FKeyField);
    SetLookupDataSet(FLookupDataSet);
    Changed(false);
    // Asked after the change, when a layout it ran has rebuilt the field map.
    if (old && grid && !grid->FieldReferenced(old))
        grid->RemoveFreeNotification(old);
}

void TZColumn::SetFieldName(const QString& Value)
{
    TField* field = nullptr;
    if (TZCustomDBGrid* grid = Grid()) {
        TDataSet* dataSet = grid->DataLink() ? grid->DataLink()->DataSet() : nullptr;
        if (dataSet && !grid->IsLoading() && !Value.isEmpty())
            field = dataSet->FindField(Value);
    }
    FFieldName = Value;
    SetField(field);
    Changed(false);
}

void TZColumn::SetIndex(int Value)
{
    TZDBGridColumns* columns = Columns();
    TZCustomDBGrid* grid = Grid();
    const int curIndex = Index();
    if (!columns || curIndex < 0 || curIndex == Value)
        return;
    const int count = columns->Count();
    Value = std::clamp(Value, 0, count - 1);
    if (Value == curIndex)
        return;

    if (!FStored) {
        // A default column: the layout places default columns in the order of
        // their fields, so the move holds the layout lock while it happens.
        if (grid && grid->DataLink() && grid->DataLink()->Active() && GetField() && grid->AcquireLayoutLock()) {
            TEndLayout end(grid);
            // The field moves to the place of the target column's field (of this column's
            // depth), so that the layout, which orders default columns by field, keeps the move.
            TZColumn* target = grid->ColumnAtDepth(columns->Items(Value), Depth());
            if (target && target->GetField() && target->GetField()->DataSet() == GetField()->DataSet())
                GetField()->SetIndex(target->GetField()->Index());
            TCollectionItem::SetIndex(Value);
            return;
        }
        TCollectionItem::SetIndex(Value);
        return;
    }

    // A stored column moves with its whole group.
    const int lastInGroup = ExpandIndex();
    if (Value > curIndex && Value <= lastInGroup)
        return; // inside its own group
    const int groupSize = lastInGroup - curIndex + 1;
    std::optional<TZLayoutGuard> layout;
    if (grid)
        layout.emplace(grid);
    TCollectionUpdateGuard update(columns);
    if (Value < curIndex) {
        for (int i = 0; i < groupSize; ++i)
            columns->Move(curIndex + i, Value + i);
    } else {
        // Moving right: the group lands after the column at Value.
        const int target = std::min(Value, count - 1);
        for (int i = 0; i < groupSize; ++i)
            columns->Move(curIndex, target);
    }
}

void TZColumn::MoveTo(int Value)
{
    TZDBGridColumns* columns = Columns();
    if (!columns)
        return;
    auto& moving = MovingCollections();
    if (std::find(moving.begin(), moving.end(), columns) != moving.end())
        return;
    moving.push_back(columns);
    TScopeExit pop([&moving, columns] {
        moving.erase(std::remove(moving.begin(), moving.end(), columns), moving.end());
    });
    const int oldIndex = Index();
    SetIndex(Value);
    if (TZCustomDBGrid* grid = Grid())
        if (TZCustomDBGrid* managed = grid->ManageGrid())
            if (managed->Columns() && oldIndex >= 0 && oldIndex < managed->Columns()->Count())
                managed->Columns()->Items(oldIndex)->MoveTo(Value);
}

void TZColumn::Synchronize()
{
    TZCustomDBGrid* grid = Grid();
    if (!grid)
        return;
    TZCustomDBGrid* managed = grid->ManageGrid();
    if (!managed || managed->GetSynchronizing() || !managed->Columns())
        return;
    const int index = Index();
    if (index < 0 || index >= managed->Columns()->Count())
        return;
    managed->SetSynchronizing(true);
    TScopeExit clear([managed] { managed->SetSynchronizing(false); });
    TZColumn* other = managed->Columns()->Items(index);
    if (Expandable() && other->Expandable())
        other->SetExpanded(FExpanded);
    other->SetVisible(FVisible);
    other->SetWidth(TrueWidth());
}

TZColumnTotal* TZColumn::GetTotalRows(int I) const
{
    TZCustomDBGrid* grid = Grid();
    if (!grid || I < 0)
        return nullptr;
    const int header = grid->TotalHeaderRowCount();
    if (I < header)
        return FTotalHeader.get();
    I -= header;
    const int values = grid->TotalValuesRowCount();
    if (I < values)
        return I < TotalValuesCount() ? FTotalValues->Items(I) : nullptr;
    I -= values;
    const int fields = grid->TotalFieldsRowCount();
    if (I < fields)
        return FTotalFields.get();
    I -= fields;
    if (I < grid->TotalFooterRowCount())
        return FTotalFooter.get();
    return nullptr;
}

QString TZColumn::GetDisplayText() const
{
    TField* field = GetField();
    QString text;
    if (field) {
        if (LookupColumn() == lcLookupValueField)
            text = field->GetEditText(); // the key as stored, which locates the lookup record
        else if (FShowBlob && IsMemoFieldType(field->DataType()))
            text = field->AsString();
        else
            text = field->DisplayText();
    } else if (!FAutoNumber) {
        return QString();
    }
    TZCustomDBGrid* grid = Grid();
    return grid ? grid->ColGetText(const_cast<TZColumn*>(this), text, tkDisplay) : text;
}

QString TZColumn::GetEditText() const
{
    TField* field = GetField();
    if (!field)
        return QString();
    const QString text = FEditMemo && IsMemoFieldType(field->DataType()) && !field->OnGetText ? field->AsString()
                                                                                               : field->GetEditText();
    TZCustomDBGrid* grid = Grid();
    return grid ? grid->ColGetText(const_cast<TZColumn*>(this), text, tkEdit) : text;
}

void TZColumn::SetEditText(const QString& Text)
{
    TField* field = GetField();
    if (!field || Text == GetEditText())
        return;
    TZCustomDBGrid* grid = Grid();
    // A list that writes the cell while the editor is open keeps the editor's
    // pending text in step, so that closing the editor does not write it back.
    if (grid && grid->GetEditorMode() && FListOptions.Contains(loAutoCloseEditor) &&
        !(grid->GetOptions() & dgAlwaysShowEditor) && !(MultiSelectList() && FListOptions.Contains(loAutoApplyList)))
        grid->FEditText = Text;
    const QString value = grid ? grid->ColSetText(this, Text) : Text;
    if (FEditMemo && IsMemoFieldType(field->DataType()) && !field->OnSetText)
        field->SetAsString(value);
    else
        field->SetEditText(value);
    if (grid)
        grid->ColTextChanged(this);
}

QString TZColumn::FormatText(const QString& Text) const
{
    if (FMultiSelectText != mstEllipsis || !MultiSelectList())
        return Text;
    if (Text.isEmpty())
        return QStringLiteral("...");
    const qsizetype pos = Text.indexOf(Delimiter());
    return pos < 0 ? Text : Text.left(pos) + QStringLiteral(" ...");
}

bool TZColumn::CanEditShow() const
{
    TZCustomDBGrid* grid = Grid();
    TField* field = GetField();
    if (!grid || !field || !Showing() || GetReadOnly() || !grid->DataLink() || !grid->DataLink()->Active() ||
        grid->DataLink()->GetReadOnly())
        return false;
    // Calculated and lookup values are not typed in: a lookup's key is chosen
    // from its list.
    if (field->Calculated() || LookupColumn() == lcLookupValueField)
        return false;
    return field->CanModify();
}

void TZColumn::ReportMissingField()
{
    if (FFieldName.isEmpty() || FMissingFieldReported == FFieldName)
        return;
    FMissingFieldReported = FFieldName;
    qWarning("ZDBGrid: column %d (\"%s\") is bound to the field \"%s\", which the dataset does not have; "
             "its cells stay blank",
             Index(), qUtf8Printable(Title()->GetCaption()), qUtf8Printable(FFieldName));
}

namespace {

// The on-text and off-text of CheckBoxValues ("on;off"; without ";" all is the on-text).
std::pair<QString, QString> SplitCheckBoxValues(const QString& Values)
{
    const int pos = int(Values.indexOf(QLatin1Char(';')));
    if (pos < 0)
        return {Values, QString()};
    return {Values.left(pos), Values.mid(pos + 1, 255)};
}

} // namespace

bool TZColumn::IsCheckBoxValue(bool Checked) const
{
    if (TField* field = GetField()) {
        const auto [onText, offText] = SplitCheckBoxValues(FCheckBoxValues);
        TZCustomDBGrid* grid = Grid();
        const QString value = field->AsString();
        const QString text = grid ? grid->ColGetText(const_cast<TZColumn*>(this), value, tkEdit) : value;
        return SameText(text, Checked ? onText : offText);
    }
    TZCustomDBGrid* grid = Grid();
    const bool active = grid && grid->DataLink() && grid->DataLink()->Active();
    if (!active)
        return false;
    return grid->IsRowSelected() == Checked;
}

void TZColumn::ToggleCheckBoxValue()
{
    TZCustomDBGrid* grid = Grid();
    TZGridDataLink* link = grid ? grid->DataLink() : nullptr;
    if (!FCheckBox || !link || !link->Active() || link->DataSet()->IsEmpty())
        return;
    if (!GetField()) {
        if ((grid->GetOptions() & (dgMultiSelect | dgInternalSelect)) && grid->RowsSelection())
            grid->InvertRow();
        return;
    }
    if (grid->GetReadOnly() || !CanEditShow() || !link->Edit())
        return;
    const auto [onText, offText] = SplitCheckBoxValues(FCheckBoxValues);
    GetField()->SetAsString(grid->ColSetText(this, IsCheckBoxValue(true) ? offText : onText));
    // An editor open on the cell shows the new value and does not write its old text back.
    if (grid->GetEditorMode() && grid->SelectedColumn() == this)
        grid->InvalidateEditor();
    grid->ColTextChanged(this);
}

// ---- Grouping -------------------------------------------------------------

int TZColumn::Depth() const
{
    int depth = 0;
    for (const TZColumn* parent = FParentColumn; parent; parent = parent->FParentColumn)
        ++depth;
    return depth;
}

bool TZColumn::Expandable() const
{
    if (FExpandCols >= 1)
        return true;
    TField* field = GetField();
    return field && (field->DataType() == ftADT || field->DataType() == ftArray);
}

int TZColumn::ExpandIndex() const
{
    const int index = Index();
    if (index < 0 || !Expandable())
        return index;
    const TZDBGridColumns* columns = Columns();
    const int last = columns->Count() - 1;
    int result = std::min(index + FExpandCols, last);
    // Children found by the layout (object fields) may reach further.
    int j = result;
    while (j < last) {
        const TZColumn* next = columns->Items(j + 1);
        bool inGroup = false;
        for (const TZColumn* p = next->FParentColumn; p; p = p->FParentColumn)
            if (p == this) {
                inGroup = true;
                break;
            }
        if (!inGroup)
            break;
        ++j;
    }
    return std::max(result, j);
}

int TZColumn::ExpandWidth() const
{
    if (!GetVisible())
        return 0;
    if (GetExpanded()) {
        int width = 0;
        if (const TZDBGridColumns* columns = Columns()) {
            const int last = ExpandIndex();
            for (int i = Index() + 1; i <= last; ++i) {
                const TZColumn* child = columns->Items(i);
                if (child->FParentColumn == this)
                    width += child->ExpandWidth();
            }
        }
        return width;
    }
    TZCustomDBGrid* grid = Grid();
    return TrueWidth() + (grid ? grid->ColLineWidth() : 0);
}

bool TZColumn::Showing() const
{
    if (GetExpanded() || !GetVisible())
        return false;
    for (const TZColumn* parent = FParentColumn; parent; parent = parent->FParentColumn)
        if (!parent->GetExpanded())
            return false;
    return true;
}

bool TZColumn::GetVisible() const
{
    return FVisible && (!FParentColumn || FParentColumn->GetVisible());
}

void TZColumn::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    TZCustomDBGrid* grid = Grid();
    if (!(grid && grid->StretchActive() && grid->Stretching()))
        Synchronize();
    Changed(true);
    if (grid)
        grid->StretchGrid();
}

void TZColumn::SetExpandCols(int Value)
{
    if (Value < 0)
        Value = 0;
    if (FExpandCols == Value)
        return;
    FExpandCols = Value;
    Changed(true);
}

void TZColumn::SetExpanded(bool Value)
{
    if (FExpanded == Value)
        return;
    TZCustomDBGrid* grid = Grid();
    const TZDBGridColumns* columns = Columns();
    if (!grid || grid->IsLoading() || (columns && columns->FReading)) {
        // Loading or reading: only the flag.
        FExpanded = Value;
        Changed(true);
        return;
    }
    ApplyExpanded(Value);
}

void TZColumn::ApplyExpanded(bool Value)
{
    TZCustomDBGrid* grid = Grid();
    TZDBGridColumns* columns = Columns();
    const int selIndex = grid->SelectedIndex();
    TZColumn* selected = (selIndex >= 0 && selIndex < columns->Count()) ? columns->Items(selIndex) : nullptr;
    const bool selShowing = selected && selected->Showing();
    const bool editorShown = grid->GetEditorMode();
    grid->HideEditor();
    const bool stretchOff = grid->GetStretchMode() && grid->ScrollProp() && !grid->ScrollProp()->GetAutoStretch();
    if (stretchOff)
        grid->SetStretchMode(false);
    {
        TScopeExit restore([grid, stretchOff, editorShown] {
            if (stretchOff)
                grid->SetStretchMode(true);
            if (editorShown)
                grid->SetEditorMode(true);
        });
        FExpanded = Value;
        Synchronize();
        Changed(true);
        if (selShowing) {
            const int col = grid->GetCol();
            TZColumn* current = grid->ColumnOfRaw(col);
            if (!current || !current->Showing())
                grid->MoveCol(col, Value ? 1 : -1);
        }
    }
    grid->StretchGrid();
    grid->Synchronize();
    if (Expandable())
        grid->ColExpand(this);
}

// ---- Binding and editing ----------------------------------------------------

bool TZColumn::DefaultReadOnly() const
{
    TZCustomDBGrid* grid = Grid();
    TField* field = GetField();
    return (grid && grid->GetReadOnly()) || (field && field->GetReadOnly());
}

bool TZColumn::GetReadOnly() const
{
    return IsAssigned(cvReadOnly) ? FReadOnly : DefaultReadOnly();
}

void TZColumn::SetReadOnly(bool Value)
{
    if (IsAssigned(cvReadOnly) && Value == FReadOnly)
        return;
    FReadOnly = Value;
    AssignValue(cvReadOnly);
    Changed(false);
}

void TZColumn::SetButtonStyle(TZColumnButtonStyle Value)
{
    if (FButtonStyle == Value)
        return;
    FButtonStyle = Value;
    Changed(false);
}

TImeMode TZColumn::DefaultImeMode() const
{
    if (TZCustomDBGrid* grid = Grid())
        return grid->GetImeMode();
    return imDontCare;
}

TImeMode TZColumn::GetImeMode() const
{
    return IsAssigned(cvImeMode) ? FImeMode : DefaultImeMode();
}

void TZColumn::SetImeMode(TImeMode Value)
{
    FImeMode = Value;
    AssignValue(cvImeMode);
    Changed(false);
}

QString TZColumn::DefaultImeName() const
{
    if (TZCustomDBGrid* grid = Grid())
        return grid->GetImeName();
    return QString();
}

QString TZColumn::GetImeName() const
{
    return IsAssigned(cvImeName) ? FImeName : DefaultImeName();
}

void TZColumn::SetImeName(const QString& Value)
{
    FImeName = Value;
    AssignValue(cvImeName);
    Changed(false);
}

void TZColumn::SetPickList(const QStringList& Value)
{
    if (FPickList == Value)
        return;
    FPickList = Value;
    FFormattedPickText.reset();
    Changed(false);
}

void TZColumn::SetPickText(const QStringList& Value)
{
    if (FPickText == Value)
        return;
    FPickText = Value;
    FFormattedPickText.reset();
    Changed(false);
}

void TZColumn::SetPickTextFormat(const QString& Value)
{
    if (FPickTextFormat == Value)
        return;
    FPickTextFormat = Value;
    FFormattedPickText.reset();
    Changed(false);
}

QString TZColumn::FormatPickText(int Index) const
{
    if (Index < 0)
        return QString();
    const QString format = FPickTextFormat.isEmpty() ? DefPickTextFormat : FPickTextFormat;
    return Format(format, {FPickText.value(Index), FPickList.value(Index), Index});
}

QStringList TZColumn::FormattedPickText() const
{
    if (!FFormattedPickText) {
        QStringList list;
        list.reserve(FPickText.size());
        for (int i = 0; i < int(FPickText.size()); ++i)
            list << FormatPickText(i);
        FFormattedPickText = std::move(list);
    }
    return *FFormattedPickText;
}

QStringList TZColumn::PickData() const
{
    if (!PickTextActive())
        return FPickList;
    return FPickOptions.Contains(poFormatPickText) && !FPickOptions.Contains(poFormatListOnly) ? FormattedPickText()
                                                                                               : FPickText;
}

QStringList TZColumn::PickDataList() const
{
    if (!PickTextActive())
        return FPickList;
    return FPickOptions.Contains(poFormatPickText) ? FormattedPickText() : FPickText;
}

void TZColumn::SetPickOptions(TZPickOptions Value)
{
    if (FPickOptions == Value)
        return;
    FPickOptions = Value;
    Changed(false);
}

bool TZColumn::MultiSelectList() const
{
    if (!FListOptions.Contains(loMultiSelectList))
        return false;
    TField* field = GetField();
    if (!field)
        return false;
    switch (field->DataType()) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
    case ftWideString:
    case ftWideMemo:
        break;
    default:
        return false;
    }
    return LookupColumn() == lcLookupKeyField || PickDataActive();
}

void TZColumn::SetMultiSelectText(TMultiSelectText Value)
{
    if (FMultiSelectText == Value)
        return;
    FMultiSelectText = Value;
    Changed(false);
}

void TZColumn::SetDelimiterChar(QChar Value)
{
    if (FDelimiterChar == Value)
        return;
    FDelimiterChar = Value;
    Changed(false);
}

void TZColumn::SetDelimiterLine(bool Value)
{
    if (FDelimiterLine == Value)
        return;
    FDelimiterLine = Value;
    Changed(false);
}

void TZColumn::SetDelimiterText(const QString& Value)
{
    if (FDelimiterText == Value)
        return;
    FDelimiterText = Value;
    Changed(false);
}

QString TZColumn::Delimiter() const
{
    if (FDelimiterLine)
        return QStringLiteral("\r\n");
    if (!FDelimiterText.isEmpty())
        return FDelimiterText;
    return QString(FDelimiterChar);
}

// ---- Lookup ---------------------------------------------------------------

TDataSet* TZColumn::GetLookupDataSet() const
{
    TField* field = GetField();
    if (field && field->GetFieldKind() == fkLookup)
        return field->GetLookupDataSet();
    return FLookupDataSet;
}

void TZColumn::SetLookupDataSet(TDataSet* Value)
{
    if (FLookupDataSet == Value)
        return;
    FLookupDataSet = Value;
    Changed(false);
}

QString TZColumn::GetKeyField() const
{
    TField* field = GetField();
    if (field && field->GetFieldKind() == fkLookup)
        return field->GetKeyFields();
    return FKeyField.isEmpty() ? FFieldName : FKeyField;
}

void TZColumn::SetKeyField(const QString& Value)
{
    // The field name itself is the fallback: keep no copy of it.
    const QString value = SameText(Value, FFieldName) ? QString() : Value;
    if (FKeyField == value)
        return;
    FKeyField = value;
    Changed(false);
}

QString TZColumn::GetLookupKeyField() const
{
    TField* field = GetField();
    if (field && field->GetFieldKind() == fkLookup)
        return field->GetLookupKeyFields();
    return FLookupKeyField;
}

void TZColumn::SetLookupKeyField(const QString& Value)
{
    if (FLookupKeyField == Value)
        return;
    FLookupKeyField = Value;
    Changed(false);
}

QString TZColumn::GetLookupResultField() const
{
    return FLookupResultField;
}

void TZColumn::SetLookupResultField(const QString& Value)
{
    if (FLookupResultField == Value)
        return;
    FLookupResultField = Value;
    Changed(false);
}

QString TZColumn::GetLookupListFields() const
{
    return FLookupListFields.isEmpty() ? GetLookupResultField() : FLookupListFields;
}

void TZColumn::SetLookupListFields(const QString& Value)
{
    const QString value = Value == GetLookupResultField() ? QString() : Value;
    if (FLookupListFields == value)
        return;
    FLookupListFields = value;
    Changed(false);
}

TZLookupColumn TZColumn::LookupColumn() const
{
    TField* field = GetField();
    if (!field)
        return lcNotDefined;
    if (field->GetFieldKind() == fkLookup)
        return lcLookupField;
    if (!FLookupDataSet || FLookupKeyField.isEmpty())
        return lcNotDefined;
    if (SameText(GetKeyField(), FFieldName))
        return SameText(FLookupKeyField, FLookupResultField) ? lcLookupKeyField : lcLookupValueField;
    if (!FLookupResultField.isEmpty())
        return lcLookupResultField;
    return lcNotDefined;
}

TField* TZColumn::DisplayField() const
{
    if (LookupColumn() == lcLookupValueField)
        return FLookupDataSet ? FLookupDataSet->FindField(FLookupResultField) : nullptr;
    return GetField();
}

bool TZColumn::LookupActive() const
{
    const TZLookupColumn kind = LookupColumn();
    return kind != lcNotDefined && GetLookupDataSet() != nullptr;
}

bool TZColumn::CalendarActive() const
{
    TField* field = GetField();
    return field && (field->DataType() == ftDate || field->DataType() == ftDateTime ||
                     field->DataType() == ftTimeStamp);
}

// ---- Look -----------------------------------------------------------------

TColor TZColumn::DefaultColor() const
{
    if (TZCustomDBGrid* grid = Grid())
        return grid->GetColor();
    return clWindow;
}

TColor TZColumn::GetColor() const
{
    return IsAssigned(cvColor) ? FColor : DefaultColor();
}

void TZColumn::SetColor(TColor Value)
{
    if (IsAssigned(cvColor) && Value == FColor)
        return;
    FColor = Value;
    AssignValue(cvColor);
    Changed(false);
}

QFont TZColumn::DefaultFont() const
{
    if (TZCustomDBGrid* grid = Grid())
        return grid->GetFont();
    return FFont;
}

QFont TZColumn::GetFont() const
{
    return IsAssigned(cvFont) ? FFont : DefaultFont();
}

void TZColumn::SetFont(const QFont& Value)
{
    if (IsAssigned(cvFont) && Value == FFont)
        return;
    FFont = Value;
    AssignValue(cvFont);
    Changed(false);
}

void TZColumn::RefreshDefaultFont()
{
    if (!IsAssigned(cvFont))
        FFont = DefaultFont();
    if (FTitle)
        FTitle->RefreshDefaultFont();
}

TAlignment TZColumn::DefaultAlignment() const
{
    if (TField* field = DisplayField())
        return AlignmentFromQt(field->GetAlignment());
    return taLeftJustify;
}

TAlignment TZColumn::GetAlignment() const
{
    return IsAssigned(cvAlignment) ? FAlignment : DefaultAlignment();
}

void TZColumn::SetAlignment(TAlignment Value)
{
    if (IsAssigned(cvAlignment) && Value == FAlignment)
        return;
    FAlignment = Value;
    AssignValue(cvAlignment);
    Changed(false);
}

#define ZDB_COLUMN_SETTER(Name, Type, Member)                                                      \
    void TZColumn::Set##Name(Type Value)                                                           \
    {                                                                                              \
        if (Member == Value)                                                                       \
            return;                                                                                \
        Member = Value;                                                                            \
        Changed(false);                                                                            \
    }

ZDB_COLUMN_SETTER(VAlignment, TVAlignment, FVAlignment)
ZDB_COLUMN_SETTER(WordWrap, bool, FWordWrap)
ZDB_COLUMN_SETTER(Ellipsis, bool, FEllipsis)
ZDB_COLUMN_SETTER(QuickDraw, bool, FQuickDraw)
ZDB_COLUMN_SETTER(ShowBlob, bool, FShowBlob)
ZDB_COLUMN_SETTER(Transparent, bool, FTransparent)
ZDB_COLUMN_SETTER(TransparentColor, TColor, FTransparentColor)
ZDB_COLUMN_SETTER(Wallpaper, bool, FWallpaper)
ZDB_COLUMN_SETTER(ImageDraw, TImageDraw, FImageDraw)
ZDB_COLUMN_SETTER(ImageMargin, int, FImageMargin)
ZDB_COLUMN_SETTER(ImageOffsetX, int, FImageOffsetX)
ZDB_COLUMN_SETTER(ImageOffsetY, int, FImageOffsetY)
ZDB_COLUMN_SETTER(CheckBox, bool, FCheckBox)
ZDB_COLUMN_SETTER(CheckBoxKind, TCheckBoxKind, FCheckBoxKind)
ZDB_COLUMN_SETTER(CheckBoxStyle, TCheckBoxStyle, FCheckBoxStyle)
ZDB_COLUMN_SETTER(CheckBoxThemed, bool, FCheckBoxThemed)
ZDB_COLUMN_SETTER(CheckBoxValues, const QString&, FCheckBoxValues)
ZDB_COLUMN_SETTER(ExpandBox, bool, FExpandBox)
ZDB_COLUMN_SETTER(ExpandBoxSize, TExpandBoxSize, FExpandBoxSize)
ZDB_COLUMN_SETTER(ExpandBoxThemed, bool, FExpandBoxThemed)
ZDB_COLUMN_SETTER(ExpandBoxTree, bool, FExpandBoxTree)
ZDB_COLUMN_SETTER(SuppressRTL, bool, FSuppressRTL)
ZDB_COLUMN_SETTER(AutoNumber, bool, FAutoNumber)
ZDB_COLUMN_SETTER(ExpandStyle, TZColumnExpandStyle, FExpandStyle)

#undef ZDB_COLUMN_SETTER

void TZColumn::SetImages(QObject* Value)
{
    if (FImages == Value)
        return;
    FImages = Value;
    Changed(false);
}

QString TZColumn::DefaultCheckBoxValues()
{
    return QStringLiteral("True;False");
}

// ===========================================================================
// TZDBGridColumns

TZColumn* TZDBGridColumnsEnumerator::Current() const
{
    return FColumns && FIndex >= 0 && FIndex < FColumns->Count() ? FColumns->Items(FIndex) : nullptr;
}

bool TZDBGridColumnsEnumerator::MoveNext()
{
    if (!FColumns || FIndex >= FColumns->Count() - 1)
        return false;
    ++FIndex;
    return true;
}

TZDBGridColumns::TZDBGridColumns(TZCustomDBGrid* Grid) : FGrid(Grid)
{
}

TZDBGridColumns::~TZDBGridColumns()
{
    // The grid is going away: no reports to it while the columns go.
    FGrid = nullptr;
    BeginUpdate();
    Clear();
}

std::unique_ptr<TCollectionItem> TZDBGridColumns::CreateItem()
{
    std::unique_ptr<TZColumn> column = CreateColumn();
    column->CreateSubObjects();
    return column;
}

std::unique_ptr<TZColumn> TZDBGridColumns::CreateColumn()
{
    return std::make_unique<TZColumn>(this);
}

TZColumn* TZDBGridColumns::AddColumn(bool Stored)
{
    std::optional<TZLayoutGuard> layout;
    if (FGrid)
        layout.emplace(FGrid);
    std::unique_ptr<TCollectionItem> item = CreateItem();
    auto* column = static_cast<TZColumn*>(item.get());
    column->FStored = Stored;
    InsertItem(std::move(item), -1);
    return column;
}

TZColumn* TZDBGridColumns::Add()
{
    return AddColumn(true);
}

TZColumn* TZDBGridColumns::InternalAdd()
{
    return AddColumn(false);
}

namespace {

bool LinkActive(TZCustomDBGrid* Grid)
{
    return Grid && Grid->DataLink() && Grid->DataLink()->Active();
}

} // namespace

namespace {

// The texts the automatic columns' titles were given, in each language used so
// far: a title that still shows one of them follows the next language change.
enum TAutoTitle { atNumber, atSelect, atExpand };
std::array<QSet<QString>, 3> GivenAutoTitles;
const std::array<const QString*, 3> AutoTitleSources{&DefAutoNumberTitle, &DefAutoSelectTitle, &DefAutoExpandTitle};

QString AutoTitle(TAutoTitle Kind)
{
    const QString text = Tr(*AutoTitleSources[Kind]);
    GivenAutoTitles[Kind].insert(text);
    return text;
}

} // namespace

void RetranslateAutoTitles(TZDBGridColumns* Columns)
{
    for (int i = 0; i < Columns->Count(); ++i) {
        TZColumn* column = Columns->Items(i);
        const int kind = column->GetAutoNumber()                                    ? atNumber
                         : column->GetExpandBox()                                   ? atExpand
                         : column->GetCheckBox() && column->GetFieldName().isEmpty() ? atSelect
                                                                                     : -1;
        if (kind >= 0 && GivenAutoTitles[kind].contains(column->Title()->GetCaption()))
            column->Title()->SetCaption(AutoTitle(TAutoTitle(kind)));
    }
}

TZColumn* TZDBGridColumns::AddAutoNumber()
{
    std::optional<TZLayoutGuard> layout;
    if (FGrid)
        layout.emplace(FGrid);
    TZColumn* column = InternalAdd();
    column->SetIndex(0);
    column->FAutoNumber = true;
    column->SetAlignment(taRightJustify);
    column->FSuppressRTL = true;
    column->Title()->SetAlignment(taRightJustify);
    column->Title()->SetCaption(AutoTitle(atNumber));
    if (LinkActive(FGrid))
        column->SetWidth(DefAutoNumberWidth);
    return column;
}

TZColumn* TZDBGridColumns::AddAutoSelect()
{
    std::optional<TZLayoutGuard> layout;
    if (FGrid)
        layout.emplace(FGrid);
    TZColumn* column = InternalAdd();
    column->SetIndex(0);
    column->FCheckBox = true;
    column->SetAlignment(taCenter);
    column->FSuppressRTL = true;
    column->Title()->SetAlignment(taCenter);
    column->Title()->SetCaption(AutoTitle(atSelect));
    if (LinkActive(FGrid))
        column->SetWidth(DefAutoSelectWidth);
    return column;
}

TZColumn* TZDBGridColumns::AddAutoExpand()
{
    std::optional<TZLayoutGuard> layout;
    if (FGrid)
        layout.emplace(FGrid);
    TZColumn* column = InternalAdd();
    column->SetIndex(0);
    column->FExpandBox = true;
    column->FExpandBoxSize = ebLarge;
    column->SetAlignment(taCenter);
    column->FSuppressRTL = true;
    column->FTransparent = true;
    column->Title()->SetAlignment(taCenter);
    column->Title()->SetCaption(AutoTitle(atExpand));
    if (LinkActive(FGrid))
        column->SetWidth(DefAutoExpandWidth);
    return column;
}

TDBGridColumnsState TZDBGridColumns::State() const
{
    return Count() > 0 && Items(Count() - 1)->IsStored() ? csCustomized : csDefault;
}

void TZDBGridColumns::SetState(TDBGridColumnsState Value)
{
    if (Value == State())
        return;
    if (Value == csDefault)
        Clear();
    else
        RebuildColumns();
}

void TZDBGridColumns::RebuildColumns()
{
    std::optional<TZLayoutGuard> layout;
    if (FGrid)
        layout.emplace(FGrid);
    TCollectionUpdateGuard update(this);
    if (Count() > 0) {
        for (TZColumn* column : *this)
            column->FStored = true;
        return;
    }
    TDataSet* dataSet = FGrid && FGrid->DataLink() ? FGrid->DataLink()->DataSet() : nullptr;
    if (!dataSet)
        return;
    for (const auto& field : dataSet->Fields())
        if (field->GetVisible())
            Add()->SetFieldName(field->FullName());
}

void TZDBGridColumns::Assign(const TZDBGridColumns& Source)
{
    if (&Source == this)
        return;
    // Opened first, closed last: the grid compares the order it had before the
    // copy with the copied one once the new columns are laid out.
    std::optional<TZOrderUpdateGuard> order;
    std::optional<TZLayoutGuard> layout;
    if (FGrid) {
        order.emplace(FGrid);
        layout.emplace(FGrid);
    }
    TCollectionUpdateGuard update(this);
    Clear();
    for (TZColumn* source : Source) {
        TZColumn* column = AddColumn(source->IsStored());
        column->Assign(*source);
    }
    // The titles joined the order list in column order: put it back in the
    // order of their marker numbers and renumber.
    std::stable_sort(FOrderList.begin(), FOrderList.end(), [](const TZColumn* A, const TZColumn* B) {
        return A->Title()->GetOrderIndex() < B->Title()->GetOrderIndex();
    });
    UpdateMarkers();
}

void TZDBGridColumns::RestoreDefaults()
{
    TCollectionUpdateGuard update(this);
    for (TZColumn* column : *this)
        column->RestoreDefaults();
}

TZColumn* TZDBGridColumns::FindColumn(const QString& Name, int StartIndex) const
{
    for (int i = std::max(StartIndex, 0); i < Count(); ++i)
        if (SameText(Items(i)->GetFieldName(), Name))
            return Items(i);
    return nullptr;
}

TZColumn* TZDBGridColumns::ColumnByName(const QString& Name, int StartIndex) const
{
    TZColumn* column = FindColumn(Name, StartIndex);
    if (!column)
        DatabaseErrorFmt(SFieldNotFound, {Name}, FGrid);
    return column;
}

int TZDBGridColumns::OrderListIndex(const TZColumn* Column) const
{
    const auto it = std::find(FOrderList.begin(), FOrderList.end(), Column);
    return it == FOrderList.end() ? -1 : int(it - FOrderList.begin());
}

void TZDBGridColumns::OrderListAppend(TZColumn* Column)
{
    if (OrderListIndex(Column) < 0)
        FOrderList.push_back(Column);
}

void TZDBGridColumns::OrderListRemove(TZColumn* Column)
{
    std::erase(FOrderList, Column);
}

void TZDBGridColumns::OrderListMove(TZColumn* Column, int Index)
{
    OrderListRemove(Column);
    Index = std::clamp(Index, 0, OrderCount());
    FOrderList.insert(FOrderList.begin() + Index, Column);
}

void TZDBGridColumns::OrderListExchange(int I, int J)
{
    std::swap(FOrderList.at(std::size_t(I)), FOrderList.at(std::size_t(J)));
}

void TZDBGridColumns::OrderListFollow(TZColumn* Column)
{
    if (Column->Title()->GetMarker() != tmNone)
        OrderListAppend(Column);
    else
        OrderListRemove(Column);
}

void TZDBGridColumns::UpdateMarkers()
{
    if (!FGrid || FOrderList.empty())
        return;
    const TZDBGridOptions options = FGrid->GetOptions();
    const bool allowDesc = !(options & dgMarkerAscendOnly);
    TZOrderUpdateGuard order(FGrid);
    if (options & dgMarkerAutoSwitch) {
        TZColumn* first = FOrderList.front();
        const bool desc = first->Title()->GetMarker() == tmDescend && allowDesc;
        RemoveMarkers();
        first->Title()->SetMarkerIndex(desc ? 1 : 0);
    } else if (options & dgMarkerAutoToggle) {
        // A copy: renumbering may reach this function again.
        const std::vector<TZColumn*> listed = FOrderList;
        for (std::size_t i = 0; i < listed.size(); ++i) {
            const bool desc = listed[i]->Title()->GetMarker() == tmDescend && allowDesc;
            listed[i]->Title()->SetMarkerIndex(2 * int(i) + (desc ? 1 : 0) + 2);
        }
    } else if (options & dgMarkerAscendOnly) {
        const std::vector<TZColumn*> listed = FOrderList;
        for (TZColumn* column : listed)
            column->Title()->SetMarker(tmAscend);
    }
}

void TZDBGridColumns::RemoveMarkers()
{
    std::optional<TZOrderUpdateGuard> order;
    if (FGrid)
        order.emplace(FGrid);
    for (TZColumn* column : *this)
        column->Title()->SetMarker(tmNone);
}

void TZDBGridColumns::Update(TCollectionItem* Item)
{
    if (!FGrid || FGrid->IsLoading() || FGrid->IsDestroying())
        return;
    if (!Item) {
        FGrid->LayoutChanged();
        return;
    }
    auto* column = static_cast<TZColumn*>(Item);
    const int raw = FGrid->DataToRawColumn(column->Index());
    if (raw < 0 || raw >= FGrid->GetColCount())
        return;
    FGrid->InvalidateCol(raw);
    FGrid->SetColWidths(raw, column->GetWidth());
    // A column made read-only (or editable again) at run time: Tab follows.
    FGrid->SetTabStops(raw, FGrid->ColumnTabStop(column));
}

void TZDBGridColumns::Notify(TCollectionItem* Item, TCollectionNotification Action)
{
    if (Action != cnExtracting)
        return;
    auto* column = static_cast<TZColumn*>(Item);
    OrderListRemove(column);
    for (TZColumn* other : *this)
        if (other->FParentColumn == column)
            other->FParentColumn = nullptr;
    column->FParentColumn = nullptr;
    if (FGrid && !FGrid->IsDestroying())
        FGrid->ColumnExtracting(column);
}

// ---- Properties by name -----------------------------------------------------------

namespace {

// The gadget and meta-object that hold the last part of Path, and that part.
struct TPropertyTarget {
    const QMetaObject* MetaObject = nullptr;
    void* Gadget = nullptr;
    QMetaProperty Property;
};

std::optional<TPropertyTarget> FindColumnProperty(const TZColumn* Column, const QString& Path)
{
    if (!Column)
        return std::nullopt;
    TPropertyTarget target{&TZColumn::staticMetaObject, const_cast<TZColumn*>(Column), {}};
    const QStringList parts = Path.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const int index = target.MetaObject->indexOfProperty(parts[i].trimmed().toLatin1().constData());
        if (index < 0)
            return std::nullopt;
        target.Property = target.MetaObject->property(index);
        if (i + 1 == parts.size())
            break;
        // A sub-object: a property holding a pointer to another gadget.
        const QVariant sub = target.Property.readOnGadget(target.Gadget);
        const QMetaType type = sub.metaType();
        if (!(type.flags() & QMetaType::PointerToGadget) || !type.metaObject())
            return std::nullopt;
        target.Gadget = *static_cast<void* const*>(sub.constData());
        target.MetaObject = type.metaObject();
        if (!target.Gadget)
            return std::nullopt;
    }
    return target;
}

} // namespace

void TZColumnTitle::SetAutoFilterNames(const QStringList& Value)
{
    SetEnumSetByNames<TFilterStyle>(Value, [this](TFilterStyles V) { SetAutoFilters(V); });
}

void TZColumnTitle::ResetCaption()
{
    FColumn->ResetValue(cvTitleCaption);
}

void TZColumnTitle::ResetAlignment()
{
    FColumn->ResetValue(cvTitleAlignment);
}

void TZColumnTitle::ResetColor()
{
    FColumn->ResetValue(cvTitleColor);
}

void TZColumnTitle::ResetFont()
{
    FColumn->ResetValue(cvTitleFont);
}

void TZColumnReport::SetDialogOptionNames(const QStringList& Value)
{
    SetEnumSetByNames<TDialogOption>(Value, [this](TDialogOptions V) { SetDialogOptions(V); });
}

void TZColumn::SetPickOptionNames(const QStringList& Value)
{
    SetEnumSetByNames<TZPickOption>(Value, [this](TZPickOptions V) { SetPickOptions(V); });
}

void TZColumn::SetListOptionNames(const QStringList& Value)
{
    SetEnumSetByNames<TZListOption>(Value, [this](TZListOptions V) { SetListOptions(V); });
}

void TZColumn::SetDialogOptionNames(const QStringList& Value)
{
    SetEnumSetByNames<TDialogOption>(Value, [this](TDialogOptions V) { SetDialogOptions(V); });
}

void TZColumn::ResetValue(TZColumnValue Value)
{
    if (!IsAssigned(Value))
        return;
    FAssignedValues.Exclude(Value);
    RefreshDefaultFont();
    // A font changes the row heights; the rest only this column.
    Changed(Value == cvFont || Value == cvTitleFont);
}

QVariant ColumnProperty(const TZColumn* Column, const QString& Path)
{
    const auto target = FindColumnProperty(Column, Path);
    return target ? target->Property.readOnGadget(target->Gadget) : QVariant();
}

bool SetColumnProperty(TZColumn* Column, const QString& Path, const QVariant& Value)
{
    auto target = FindColumnProperty(Column, Path);
    if (!target || !target->Property.isWritable())
        return false;
    const QMetaProperty& property = target->Property;
    QVariant value = Value;
    if (property.isEnumType()) {
        // By key name or number; a number that names no member is refused.
        const QMetaEnum members = property.enumerator();
        bool known = false;
        const int member = Value.typeId() == QMetaType::QString
                               ? members.keyToValue(Value.toString().trimmed().toLatin1().constData(), &known)
                               : Value.toInt(&known);
        if (!known || !members.valueToKey(member))
            return false;
        value = QVariant(member);
    } else if (property.metaType() == QMetaType::fromType<QStringList>() && Value.typeId() == QMetaType::QString) {
        value = QVariant(Value.toString().split(QLatin1Char('|'), Qt::SkipEmptyParts));
    }
    if (!value.convert(property.metaType()) || !property.writeOnGadget(target->Gadget, value))
        return false;
    // A set ignores a list that names a non-member: it then does not read back as written.
    if (value.typeId() == QMetaType::QStringList) {
        const QStringList written = value.toStringList();
        const QStringList read = property.readOnGadget(target->Gadget).toStringList();
        return QSet<QString>(written.begin(), written.end()) == QSet<QString>(read.begin(), read.end());
    }
    return true;
}

} // namespace zdb

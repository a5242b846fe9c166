// TZCustomDBGrid: construction, sub-objects, properties and option sets.

#include "ZDBGrids.h"
#include "ZDBToolMenu.h"

#include "AppExceptions.h"
#include "DBError.h"

#include <QEvent>
#include <QFontInfo>
#include <QLocale>
#include <QMetaEnum>

#include <algorithm>

namespace zdb {

// The automatic columns' titles in the application's current language (ZDBGridColumns.cpp).
void RetranslateAutoTitles(TZDBGridColumns* Columns);

namespace {

constexpr TZDBGridOptions DefaultOptions =
    TZDBGridOptions(dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                    dgConfirmDelete | dgCancelOnExit | dgExtendedSelect | dgInternalSelect | dgRowResize |
                    dgRowScroll | dgHotButtons | dgTitleButtons | dgTitleHeaders | dgTitleWidthOff |
                    dgMarkerAutoAlign | dgMarkerAutoToggle);

constexpr TZDBGridOptionsEx DefaultOptionsEx =
    TZDBGridOptionsEx(dgTotalHeaderBox | dgTotalValuesBox | dgTotalFieldsBox | dgTotalFooterBox |
                      dgAutoAscendOrder | dgAutoUpdateSequence | dgDelayUpdateSequence | dgAutoUpdateTotals |
                      dgDelayUpdateTotals | dgCalcWholeDataSet | dgCalcSelectedRows | dgDelaySelectedRows |
                      dgSelectedAutoHidden);

constexpr TZDBGridOptionsExt DefaultOptionsExt =
    TZDBGridOptionsExt(dgAutoUpdateListItems | dgDelayUpdateListItems | dgGridStyleLists | dgMouseScrolling |
                       dgForceSystemButton | dgForceSystemMarker);

constexpr TZHintOptions DefaultHintOptions =
    TZHintOptions(hoTitleHints | hoShowTitleHints | hoEditorHints | hoShowToolTips | hoShowTotalToolTips);

constexpr TZResizeOptions DefaultResizeOptions =
    TZResizeOptions(roColumnResize | roOptimalWidth | roDefaultWidth | roColumnMoving);

constexpr TGridDrawingOptions DefaultDrawingOptions =
    TGridDrawingOptions(gdoHighlightText | gdoDataColLines | gdoDataRowLines | gdoSelectedCell | gdoSelectedRow |
                        gdoMultiSelected | gdoTotalSelected);

// Options whose change needs a new layout.
constexpr TZDBGridOptions LayoutOptions =
    TZDBGridOptions(dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator | dgColLines | dgRowLines |
                    dgRowSelect | dgAlwaysShowSelection | dgMultiSelect | dgInternalSelect | dgTitleHeaders |
                    dgTitleWidthOff | dgIndicatorMarkOff | dgMarkerAutoAlign | dgForceSequence);
constexpr TZDBGridOptions EditorOptions = TZDBGridOptions(dgTitles | dgIndicator | dgColLines | dgRowLines |
                                                          dgTitleHeaders | dgTitleWidthOff);
constexpr TZDBGridOptions StretchOptions = TZDBGridOptions(dgIndicator | dgColLines | dgTitleWidthOff);
constexpr TZDBGridOptions MarkerOptions =
    TZDBGridOptions(dgMarkerAutoSwitch | dgMarkerAutoToggle | dgMarkerAscendOnly);

constexpr TZDBGridOptionsEx TotalRowOptions =
    TZDBGridOptionsEx(dgTotalHeader | dgTotalValues | dgTotalFields | dgTotalFooter);
constexpr TZDBGridOptionsEx SelectedTotalOptions =
    TZDBGridOptionsEx(dgTotalHeaderSelected | dgTotalValuesSelected | dgTotalFooterSelected);
constexpr TZDBGridOptionsEx OrderOptionsEx =
    TZDBGridOptionsEx(dgLoadCurrentOrder | dgAutoUpdateOrder | dgAutoAscendOrder);
constexpr TZDBGridOptionsEx LayoutOptionsEx =
    TZDBGridOptionsEx(dgBlankRow | dgTotalHeader | dgTotalValues | dgTotalFields | dgTotalFooter |
                      dgTotalColLines | dgTotalHeaderBox | dgTotalValuesBox | dgTotalFieldsBox | dgTotalFooterBox |
                      dgTotalDataBoxOnly);
constexpr TZDBGridOptionsEx EditorOptionsEx = TZDBGridOptionsEx(dgBlankRow) | TotalRowOptions;

constexpr TZDBGridOptionsExt LayoutOptionsExt =
    TZDBGridOptionsExt(dgAutoNumberColumn | dgAutoSelectColumn | dgAutoExpandColumn | dgForceSystemTheme |
                       dgForceSystemButton | dgForceSystemMarker);

bool PrimaryLanguageIsKorean()
{
    return QLocale::system().language() == QLocale::Korean;
}

// Normalises a field-name list: commas become semicolons, names are trimmed
// and, with a dataset, names it lacks are dropped.
QString NormalizeFieldNames(const QString& Value, const TDataSet* DataSet)
{
    QString text = Value;
    text.replace(QLatin1Char(','), QLatin1Char(';'));
    QStringList names;
    for (const QString& part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        if (name.isEmpty())
            continue;
        if (DataSet && DataSet->FieldCount() > 0 && !DataSet->FindField(name))
            continue;
        names << name;
    }
    return names.join(QLatin1Char(';'));
}

} // namespace

// ---- Construction -----------------------------------------------------------

TZCustomDBGrid::TZCustomDBGrid(QWidget* parent) : TZCustomDBGrid(parent, DeferCreate)
{
    CreateParts();
}

TZCustomDBGrid::TZCustomDBGrid(QWidget* parent, TDeferCreate) : TCustomGrid(parent)
{
    // Qt paints widgets double-buffered already.
    LoadBitmaps();
    InstallGridAccessibility();
    FOptions = DefaultOptions;
    if (PrimaryLanguageIsKorean())
        FOptions |= dgAlwaysShowEditor;
    FOptionsEx = DefaultOptionsEx;
    FOptionsExt = DefaultOptionsExt;
    FHintOptions = DefaultHintOptions;
    FResizeOptions = DefaultResizeOptions;
    FDrawingOptions = DefaultDrawingOptions;
    FMultiSelectOptions = TMultiSelectOptions{msRows};
    // The vertical bar belongs to the grid itself (it scrolls records, not rows).
    TCustomGrid::SetScrollBars(ssHorizontal);
    FScrollBarsValue = ssBoth;
    TCustomGrid::SetOptions(TGridOptions(goVertLine) | goHorzLine | goRowSizing | goColSizing | goColMoving |
                            goEditing | goTabs);
}

void TZCustomDBGrid::CreateParts()
{
    if (FPartsCreated)
        return;
    FPartsCreated = true;
    FColumns = CreateColumns();
    FShowingColumns.clear();
    FFilter = CreateFilter();
    FSearch = CreateSearch();
    FTreeView = CreateTreeView();
    TCustomGrid::SetRowCount(2);
    TCustomGrid::SetColCount(2);
    FDataLink = CreateDataLink();
    SetColor(clWindow);
    FParentColor = false;
    FTitleFont = font();
    FSelectedRows = std::make_unique<TZBookmarkList>(this);
    FHeaderColor = clBtnFace;
    FHeaderFont = font();
    FLinesCount = 1;
    FLinesCountMin = 1;
    FLinesCountMax = -1;
    FTitleLinesCount = 1;
    FHeaderLinesCount = 1;
    FDefaultWidthMin = FDefaultWidthMax = -1;
    FStretchWidthMin = FStretchWidthMax = -1;
    FFillerColor = clBtnFace;
    FFillerButton = true;
    FFillerIndex = -7;
    FIndicatorWidth = 20;
    FGridStyle = CreateGridStyle();
    FScrollProp = CreateScrollProp();
    SetFixedColor(clBtnFace);
    FSettings = CreateSettings();
    FGradient = CreateGradient();
    FTotals = CreateTotals();
    FSelectedCols = std::make_unique<TZColumnList>(this);
    FLastFontHeight = QFontInfo(font()).pixelSize();
    setEnabled(isEnabled());
    UpdateInputMethod();
    HideEditor();
    LayoutChanged();
    FScrolledLeftCol = GetLeftCol();
}

TZCustomDBGrid::~TZCustomDBGrid()
{
    Destroying();
    if (FSettings && FSettings->GetActive() && FColumns &&
        (FColumns->State() == csCustomized || (FDataLink && FDataLink->Active())))
        AutoLayout(false);
    RestoreFilterOnDestroy();
    LeaveLinkedGrids();
    // The link goes first so that the dataset stops notifying a half-destroyed grid.
    if (FDataLink)
        FDataLink->SetDataSource(nullptr);
    FTotalDataLink.reset();
    FDataLink.reset();
    FShowingColumns.clear();
    FColumns.reset();
}

std::unique_ptr<TZDBGridColumns> TZCustomDBGrid::CreateColumns()
{
    return std::make_unique<TZDBGridColumns>(this);
}

std::unique_ptr<TZGridDataLink> TZCustomDBGrid::CreateDataLink()
{
    return std::make_unique<TZGridDataLink>(this);
}

std::unique_ptr<TZDBGridFilter> TZCustomDBGrid::CreateFilter()
{
    return std::make_unique<TZDBGridFilter>(this);
}

std::unique_ptr<TZDBGridSearch> TZCustomDBGrid::CreateSearch()
{
    return std::make_unique<TZDBGridSearch>(this);
}

std::unique_ptr<TZDBGridTreeView> TZCustomDBGrid::CreateTreeView()
{
    return std::make_unique<TZDBGridTreeView>(this);
}

std::unique_ptr<TZGridStyle> TZCustomDBGrid::CreateGridStyle()
{
    return std::make_unique<TZGridStyle>(this);
}

std::unique_ptr<TZScrollProp> TZCustomDBGrid::CreateScrollProp()
{
    return std::make_unique<TZScrollProp>(this);
}

std::unique_ptr<TZDBGridSettings> TZCustomDBGrid::CreateSettings()
{
    return std::make_unique<TZDBGridSettings>(this);
}

std::unique_ptr<TZDBGridGradient> TZCustomDBGrid::CreateGradient()
{
    return std::make_unique<TZDBGridGradient>(this);
}

std::unique_ptr<TZDBGridTotals> TZCustomDBGrid::CreateTotals()
{
    return std::make_unique<TZDBGridTotals>(this);
}

std::unique_ptr<TZDBGridToolMenu> TZCustomDBGrid::CreateToolMenu()
{
    return std::make_unique<TZDBGridToolMenu>(this);
}

std::unique_ptr<TZTotalDataLink> TZCustomDBGrid::CreateTotalDataLink()
{
    return std::make_unique<TZTotalDataLink>(this);
}

TZDBGridToolMenu* TZCustomDBGrid::GetToolMenu()
{
    if (!FToolMenu)
        FToolMenu = CreateToolMenu();
    return FToolMenu.get();
}

void TZCustomDBGrid::SetToolMenuItems(TZDBGridToolMenuItems Value)
{
    if (Value == FToolMenuItems)
        return;
    FToolMenuItems = Value;
    ToolMenuItemsChanged();
}

void TZCustomDBGrid::SetToolMenuSubItems(TZDBGridToolMenuSubItems Value)
{
    if (Value == FToolMenuSubItems)
        return;
    FToolMenuSubItems = Value;
    ToolMenuItemsChanged();
}

void TZCustomDBGrid::SetToolMenuSubItemsEx(TZDBGridToolMenuSubItemsEx Value)
{
    if (Value == FToolMenuSubItemsEx)
        return;
    FToolMenuSubItemsEx = Value;
    ToolMenuItemsChanged();
}

void TZCustomDBGrid::SetToolMenuItemNames(const QStringList& Value)
{
    SetEnumSetByNames<TZDBGridToolMenuItem>(Value, [this](auto Set) { SetToolMenuItems(Set); });
}

void TZCustomDBGrid::SetToolMenuSubItemNames(const QStringList& Value)
{
    SetEnumSetByNames<TZDBGridToolMenuSubItem>(Value, [this](auto Set) { SetToolMenuSubItems(Set); });
}

void TZCustomDBGrid::SetToolMenuSubItemExNames(const QStringList& Value)
{
    SetEnumSetByNames<TZDBGridToolMenuSubItemEx>(Value, [this](auto Set) { SetToolMenuSubItemsEx(Set); });
}

void TZCustomDBGrid::ToolMenuItemsChanged()
{
    if (FToolMenu)
        FToolMenu->UpdateMenuItems();
}

TZTotalDataLink* TZCustomDBGrid::TotalDataLink()
{
    if (!FTotalDataLink)
        FTotalDataLink = CreateTotalDataLink();
    return FTotalDataLink.get();
}

void TZCustomDBGrid::LoadBitmaps(qreal Ratio)
{
    const qreal ratio = Ratio > 0 ? Ratio : devicePixelRatioF();
    FGlyphRatio = ratio;
    FIndicators = PaletteGlyph(LoadPackageBitmap(QStringLiteral("ZDBINDICATORS"), CurrentPPI(), ratio));
    FCheckBoxes = PaletteGlyph(LoadPackageBitmap(QStringLiteral("ZDBCHECKBOXES"), CurrentPPI(), ratio));
    FExpandBoxes = PaletteGlyph(LoadPackageBitmap(QStringLiteral("ZDBEXPANDBOXES"), CurrentPPI(), ratio));
    FMarkers = QPixmap(); // MarkerBitmap loads it again
}

// ---- Data and behaviour --------------------------------------------------------

TDataSource* TZCustomDBGrid::GetDataSource() const
{
    return FDataLink ? FDataLink->DataSource() : nullptr;
}

QStringList TZCustomDBGrid::GetMultiSelectOptionNames() const
{
    return EnumSetNames(FMultiSelectOptions);
}

void TZCustomDBGrid::SetMultiSelectOptionNames(const QStringList& Value)
{
    if (const auto options = EnumSetFromNames<TMultiSelection>(Value))
        SetMultiSelectOptions(*options);
}

QObject* TZCustomDBGrid::GetDataSourceObject() const
{
    return GetDataSource();
}

void TZCustomDBGrid::SetDataSourceObject(QObject* Value)
{
    SetDataSource(qobject_cast<TDataSource*>(Value));
}

TDataSet* TZCustomDBGrid::DataSet() const
{
    return FDataLink ? FDataLink->DataSet() : nullptr;
}

void TZCustomDBGrid::SetDataSource(TDataSource* Value)
{
    if (!FDataLink || Value == FDataLink->DataSource())
        return;
    if (Value && FTotalDataLink && FTotalDataLink->DataSource() == Value) {
        if (IsLoading())
            return;
        DatabaseError(SCircularDataLink, this);
    }
    if (Value && Value->DataSet() && Value->DataSet()->IsUniDirectional())
        DatabaseError(SDataSetUnidirectional, this);
    ClearSelection();
    if (TDataSource* old = FDataLink->DataSource())
        RemoveFreeNotification(old);
    FDataSourceId = Value;
    FDataLink->SetDataSource(Value);
    if (Value)
        FreeNotification(Value);
    emit DataLinkChanged();
}

void TZCustomDBGrid::SetReadOnly(bool Value)
{
    if (Value == FReadOnly)
        return;
    FReadOnly = Value;
    InvalidateEditor();
    Invalidate();
}

void TZCustomDBGrid::SetKeyFields(const QString& Value)
{
    FKeyFields = NormalizeFieldNames(Value, DataSet());
}

void TZCustomDBGrid::SetDetailFields(const QString& Value)
{
    const QString names = ValidFieldNames(DataSet(), CommaToSemicolon(Value), false);
    if (names.compare(FDetailFields, Qt::CaseInsensitive) == 0) {
        FDetailFields = names;
        return;
    }
    FDetailFields = names;
    UpdateOrder(true);
}

void TZCustomDBGrid::SetDrawingOptions(TGridDrawingOptions Value)
{
    if (Value == FDrawingOptions)
        return;
    FDrawingOptions = Value;
    Invalidate();
}

// ---- Option sets ---------------------------------------------------------------

void TZCustomDBGrid::UpdateGridOptions()
{
    TGridOptions o;
    if (FOptions & dgEditing)
        o |= goEditing;
    if (FOptions & dgAlwaysShowEditor)
        o |= goAlwaysShowEditor;
    if (FOptions & dgColumnResize)
        o |= TGridOptions(goColSizing) | goColMoving;
    if (FOptions & dgColLines)
        o |= goVertLine;
    if (FOptions & dgRowLines)
        o |= goHorzLine;
    if (FOptions & dgTabs)
        o |= goTabs;
    if (FOptions & dgRowSelect)
        o |= goRowSelect;
    if (FOptions & dgRowResize)
        o |= goRowSizing;
    if (FOptions & dgThumbTracking)
        o |= goThumbTracking;
    if (TCustomGrid::GetGridLineWidth() > 1) {
        if (FOptions & dgColLines)
            o |= goFixedVertLine;
        if (FOptions & dgRowLines)
            o |= goFixedHorzLine;
    }
    // Editing stays off while an empty dataset refuses inserts.
    if ((FOptions & dgEditing) && (FOptions & dgAllowInsertOff) && FDataLink && FDataLink->Active() &&
        DataSet() && DataSet()->IsEmpty())
        o &= ~TGridOptions(goEditing);
    TCustomGrid::SetOptions(o);
}

void TZCustomDBGrid::SetOptions(TZDBGridOptions Value)
{
    if (Value & dgRowSelect)
        Value &= ~TZDBGridOptions(TZDBGridOptions(dgEditing) | dgAlwaysShowEditor);
    if (Value == FOptions)
        return;
    const TZDBGridOptions old = FOptions;
    const TZDBGridOptions changed = old ^ Value;
    FOptions = Value;
    UpdateGridOptions();
    if ((old & dgMultiSelect) && !(Value & dgMultiSelect))
        ClearSelection();
    else if ((Value & dgRowSelect) && !(old & dgRowSelect) && FSelectedCols && FSelectedCols->Count() > 0)
        ClearSelection();
    if (changed & dgRowSelect)
        UpdateMultiSelect();
    if (changed & dgForceSequence)
        UpdateSequence(false);
    if (changed & LayoutOptions)
        LayoutChanged();
    if (changed & EditorOptions)
        InvalidateEditor();
    if (changed & StretchOptions)
        StretchGrid();
    if ((changed & MarkerOptions) && FColumns)
        FColumns->UpdateMarkers();
    if (changed & (TZDBGridOptions(dgColLines) | dgRowLines))
        UpdateBorder();
}

TZDBGridOptionsEx TZCustomDBGrid::CompleteOptionsEx(TZDBGridOptionsEx Value) const
{
    if ((Value & dgSelectedAutoHidden) && !IsDesigning()) {
        const bool selected = FTotals && FTotals->Selected();
        auto follow = [&](TZDBGridOptionEx Selected, TZDBGridOptionEx Row) {
            if (Value & Selected)
                Value.setFlag(Row, selected);
        };
        follow(dgTotalHeaderSelected, dgTotalHeader);
        follow(dgTotalValuesSelected, dgTotalValues);
        follow(dgTotalFooterSelected, dgTotalFooter);
    }
    if (Value & TotalRowOptions)
        Value |= dgBlankRow;
    if (Value & SelectedTotalOptions)
        Value &= ~TZDBGridOptionsEx(dgCalcSelectedRows);
    return Value;
}

void TZCustomDBGrid::SetOptionsEx(TZDBGridOptionsEx Value)
{
    Value = CompleteOptionsEx(Value);
    if (Value == FOptionsEx)
        return;
    const TZDBGridOptionsEx old = FOptionsEx;
    const TZDBGridOptionsEx changed = old ^ Value;
    const TZDBGridOptionsEx switchedOn = changed & Value;
    FOptionsEx = Value;
    if (changed & OrderOptionsEx)
        UpdateOrder(true);
    if (changed & dgAutoUpdateSequence)
        UpdateSequence(true);
    if ((switchedOn & (TZDBGridOptionsEx(dgTotalHeader) | dgTotalValues | dgTotalFooter | dgCalcInvisibleRows)) ||
        (changed & (SelectedTotalOptions | dgAutoUpdateTotals | dgCalcWholeDataSet | dgCalcSelectedRows)))
        UpdateTotals(true);
    if (changed & LayoutOptionsEx)
        LayoutChanged();
    if (changed & EditorOptionsEx)
        InvalidateEditor();
}

void TZCustomDBGrid::SetOptionsExt(TZDBGridOptionsExt Value)
{
    if (Value == FOptionsExt)
        return;
    const TZDBGridOptionsExt changed = FOptionsExt ^ Value;
    FOptionsExt = Value;
    if (changed & dgAutoUpdateListItems)
        UpdateListItems(true);
    if (changed & LayoutOptionsExt)
        LayoutChanged();
    if (changed & (TZDBGridOptionsExt(dgScrollGridMode) | dgScrollPageMode))
        UpdateScrollBar();
}

// ---- Sizes ----------------------------------------------------------------------

void TZCustomDBGrid::SetIndicatorWidth(int Value)
{
    Value = std::max(Value, 11);
    if (Value == FIndicatorWidth)
        return;
    FIndicatorWidth = Value;
    if (FOptions & dgIndicator)
        LayoutChanged();
    InvalidateEditor();
    Synchronize();
}

void TZCustomDBGrid::SetLinesCount(int Value)
{
    if (Value < 0)
        return;
    Value = std::max({Value, 1, FLinesCountMin});
    if (FLinesCountMax != -1)
        Value = std::min(Value, FLinesCountMax);
    if (Value == FLinesCount)
        return;
    FLinesCount = Value;
    LayoutChanged();
    InvalidateEditor();
}

void TZCustomDBGrid::SetLinesCountMin(int Value)
{
    Value = std::max(Value, 1);
    if (FLinesCountMax != -1)
        Value = std::min(Value, FLinesCountMax);
    if (Value == FLinesCountMin)
        return;
    FLinesCountMin = Value;
    if (FLinesCount < Value)
        SetLinesCount(Value);
}

void TZCustomDBGrid::SetLinesCountMax(int Value)
{
    if (Value < -1)
        return;
    if (Value != -1)
        Value = std::max(Value, FLinesCountMin);
    if (Value == FLinesCountMax)
        return;
    FLinesCountMax = Value;
    if (Value != -1 && FLinesCount > Value)
        SetLinesCount(Value);
}

void TZCustomDBGrid::SetTitleLinesCount(int Value)
{
    Value = std::max(Value, 1);
    if (Value == FTitleLinesCount)
        return;
    FTitleLinesCount = Value;
    LayoutChanged();
    InvalidateEditor();
}

void TZCustomDBGrid::SetHeaderLinesCount(int Value)
{
    Value = std::max(Value, 1);
    if (Value == FHeaderLinesCount)
        return;
    FHeaderLinesCount = Value;
    LayoutChanged();
    InvalidateEditor();
}

void TZCustomDBGrid::SetGridLineWidth(int Value)
{
    Value = std::max(Value, 0);
    if (Value == TCustomGrid::GetGridLineWidth())
        return;
    TCustomGrid::SetGridLineWidth(Value);
    UpdateGridOptions();
    LayoutChanged();
    InvalidateEditor();
}

void TZCustomDBGrid::SetFixedCols(int Value)
{
    Value = std::max(Value, 0);
    if (Value == FFixedCols)
        return;
    FFixedCols = Value;
    LayoutChanged();
    InvalidateEditor();
    Synchronize();
}

void TZCustomDBGrid::SetDefaultWidthMin(int Value)
{
    Value = std::max(Value, -1);
    if (Value == FDefaultWidthMin)
        return;
    FDefaultWidthMin = Value;
    LayoutChanged();
}

void TZCustomDBGrid::SetDefaultWidthMax(int Value)
{
    Value = std::max(Value, -1);
    if (Value == FDefaultWidthMax)
        return;
    FDefaultWidthMax = Value;
    LayoutChanged();
}

void TZCustomDBGrid::SetStretchMode(bool Value)
{
    if (Value == FStretchMode || FMasterGrid)
        return;
    FStretchMode = Value;
    UpdateStretchState();
    if (Value && FScrollProp && FScrollProp->GetAutoStretch() && FColumns)
        SetLeftCol(std::min(TCustomGrid::GetFixedCols(), GetColCount() - 1));
    if (!Value)
        UpdateScrollBar();
    if (!IsLoading())
        UpdateRowCount();
}

void TZCustomDBGrid::SetStretchWidthMin(int Value)
{
    Value = std::max(Value, -1);
    if (Value == FStretchWidthMin)
        return;
    FStretchWidthMin = Value;
    StretchGrid();
}

void TZCustomDBGrid::SetStretchWidthMax(int Value)
{
    Value = std::max(Value, -1);
    if (Value == FStretchWidthMax)
        return;
    FStretchWidthMax = Value;
    StretchGrid();
}

void TZCustomDBGrid::SetScrollBars(TScrollStyle Value)
{
    if (Value == FScrollBarsValue)
        return;
    FScrollBarsValue = Value;
    const bool horz = Value == ssHorizontal || Value == ssBoth;
    TCustomGrid::SetScrollBars(horz ? ssHorizontal : ssNone);
    UpdateScrollBarLook();
    UpdateScrollBar();
}

// ---- Look -----------------------------------------------------------------------

void TZCustomDBGrid::SetFont(const QFont& Value)
{
    setFont(Value);
}

void TZCustomDBGrid::SetParentFont(bool Value)
{
    if (Value == GetParentFont())
        return;
    if (Value) {
        // An empty font takes the parent's again (a FontChange follows).
        setFont(QFont());
        setAttribute(Qt::WA_SetFont, false);
    } else {
        QFont own = font();
        own.setResolveMask(QFont::AllPropertiesResolved);
        setFont(own);
    }
}

void TZCustomDBGrid::SetTitleFont(const QFont& Value)
{
    if (Value == FTitleFont && Value.resolveMask() == FTitleFont.resolveMask())
        return;
    FTitleFont = Value;
    TitleFontChanged();
}

void TZCustomDBGrid::SetHeaderFont(const QFont& Value)
{
    if (Value == FHeaderFont && Value.resolveMask() == FHeaderFont.resolveMask())
        return;
    FHeaderFont = Value;
    TitleFontChanged();
}

void TZCustomDBGrid::TitleFontChanged()
{
    if (!FParentFontChanging && !IsLoading() && GetParentFont())
        SetParentFont(false);
    if (FColumns)
        for (TZColumn* column : *FColumns)
            column->Title()->RefreshDefaultFont();
    if (FOptions & dgTitles)
        LayoutChanged();
}

void TZCustomDBGrid::changeEvent(QEvent* Event)
{
    TCustomGrid::changeEvent(Event);
    GuardEvent(this, [&] { StateChanged(Event->type()); });
}

void TZCustomDBGrid::StateChanged(QEvent::Type Type)
{
    switch (Type) {
    case QEvent::FontChange: {
        if (!FPartsCreated || IsDestroying())
            break;
        const int oldHeight = FLastFontHeight;
        const int newHeight = QFontInfo(font()).pixelSize();
        FLastFontHeight = newHeight;
        if (GetParentFont()) {
            FParentFontChanging = true;
            FTitleFont = font();
            FHeaderFont = font();
            if (FTotals)
                FTotals->ParentFontChanged(font());
            FParentFontChanging = false;
            if ((FOptionsExt & dgScaleByParentFont) && oldHeight > 0 && newHeight != oldHeight)
                ScaleColumnsBy(newHeight, oldHeight, false);
        }
        if (FColumns)
            for (TZColumn* column : *FColumns) {
                column->RefreshDefaultFont();
                column->Title()->RefreshDefaultFont();
            }
        LayoutChanged();
        InvalidateEditor();
        break;
    }
    case QEvent::PaletteChange:
        // System colours resolve through the palette; the glyphs follow its key.
        TCustomGrid::SetColor(ToQColor(FColorValue));
        TCustomGrid::SetFixedColor(ToQColor(FFixedColorValue));
        LoadBitmaps();
        break;
    case QEvent::LanguageChange:
        if (FPartsCreated && !IsDestroying())
            RetranslateAutoTitles(Columns());
        break;
    default:
        break;
    }
}

QColor TZCustomDBGrid::ToQColor(TColor Color) const
{
    return ColorToQColor(Color, palette());
}

TColor TZCustomDBGrid::GetTrueColor(TColor Color, TColor Default, TColor Fallback)
{
    return zdb::GetTrueColor(Color, Default, Fallback);
}

void TZCustomDBGrid::SetColor(TColor Value)
{
    if (Value == FColorValue && TCustomGrid::GetColor().isValid())
        return;
    FColorValue = Value;
    FParentColor = false;
    TCustomGrid::SetColor(ToQColor(Value));
    if (FColumns)
        Invalidate();
}

void TZCustomDBGrid::SetFixedColor(TColor Value)
{
    if (Value == FFixedColorValue && TCustomGrid::GetFixedColor().isValid())
        return;
    FFixedColorValue = Value;
    TCustomGrid::SetFixedColor(ToQColor(Value));
    Invalidate();
}

void TZCustomDBGrid::SetHeaderColor(TColor Value)
{
    FHeaderColorAssigned = true;
    if (Value == FHeaderColor)
        return;
    FHeaderColor = Value;
    Invalidate();
}

void TZCustomDBGrid::SetFillerColor(TColor Value)
{
    FFillerColorAssigned = true;
    if (Value == FFillerColor)
        return;
    FFillerColor = Value;
    Invalidate();
}

void TZCustomDBGrid::SetLookColor(TColor& Slot, TColor Value)
{
    if (Value == Slot)
        return;
    Slot = Value;
    Invalidate();
}

void TZCustomDBGrid::SetFixedStyle(TFixedStyle Value)
{
    if (Value == FFixedStyle)
        return;
    FFixedStyle = Value;
    Invalidate();
}

void TZCustomDBGrid::SetFixedTheme(TFixedTheme Value)
{
    if (Value == FFixedTheme)
        return;
    FFixedTheme = Value;
    Invalidate();
}

void TZCustomDBGrid::SetFocusRect(TFocusRect Value)
{
    if (Value == FFocusRect)
        return;
    FFocusRect = Value;
    Invalidate();
}

void TZCustomDBGrid::SetHotButtons(THotButtons Value)
{
    if (Value == FHotButtons)
        return;
    FHotButtons = Value;
    Invalidate();
}

void TZCustomDBGrid::SetMarkerStyle(TMarkerStyle Value)
{
    if (Value == FMarkerStyle)
        return;
    FMarkerStyle = Value;
    UpdateMarkers();
    Invalidate();
}

void TZCustomDBGrid::SetMarkerTransparent(TMarkerTransparent Value)
{
    if (Value == FMarkerTransparent)
        return;
    FMarkerTransparent = Value;
    Invalidate();
}

void TZCustomDBGrid::SetSystemStyleElements(TSystemStyleElements Value)
{
    if (Value == FSystemStyleElements)
        return;
    FSystemStyleElements = Value;
    Invalidate();
}

void TZCustomDBGrid::GradientChanged()
{
    Invalidate();
}

// ---- Component life ---------------------------------------------------------------

void TZCustomDBGrid::Loaded()
{
    TCustomGrid::Loaded();
    if (FColumns && FColumns->Count() > 0)
        TCustomGrid::SetColCount(FColumns->Count() + FIndicatorOffset);
    if (FSearch && FSearch->GetPanelVisible() && !IsDesigning())
        ShowSearchPanel();
    LayoutChanged();
    if (FSettings && FSettings->GetActive() && FColumns && FColumns->State() == csCustomized)
        AutoLayout(true);
    LoadedFilter();
}

void TZCustomDBGrid::AutoLayout(bool Load)
{
    // The dataset's opening and closing and the grid's end go on when the
    // store fails: its error goes to the application's handler.
    try {
        if (Load)
            FSettings->AutoLoadLayout();
        else
            FSettings->AutoSaveLayout();
    } catch (...) {
        HandleException(IsDestroying() ? nullptr : this);
    }
}

void TZCustomDBGrid::Notification(QObject* AComponent, TOperation Operation)
{
    TCustomGrid::Notification(AComponent, Operation);
    if (Operation != opRemove || IsDestroying())
        return;
    // The master grid is held by a QPointer; the data source resets the link
    // itself when it goes away (which deactivates the link and lays out).
    if (AComponent == FDataSourceId) {
        FDataSourceId = nullptr;
        if (FDataLink && FDataLink->DataSource())
            FDataLink->SetDataSource(nullptr);
        return;
    }
    // A field the grid mapped went away: its dataset is changing its field
    // list, so lay out once that is over.
    BeginLayout();
    DeferLayout();
}

void TZCustomDBGrid::ColExpand(TZColumn* Column)
{
    if (OnColExpand)
        OnColExpand(this, Column);
}

void TZCustomDBGrid::ColumnExtracting(TZColumn* Column)
{
    if (FSelectedCols)
        FSelectedCols->Remove(Column);
    std::erase(FShowingColumns, Column);
    // The dataset keeps the filter it has until the next filter change.
    if (FFilter)
        std::erase(FFilter->FColumns, Column);
}

bool TZCustomDBGrid::FieldReferenced(const TField* Field) const
{
    if (FDataLink)
        for (int i = 0; i < FDataLink->FieldCount(); ++i)
            if (FDataLink->GetFields(i) == Field)
                return true;
    if (FColumns)
        for (TZColumn* column : *FColumns)
            if (column->BoundField() == Field)
                return true;
    return false;
}

bool TZCustomDBGrid::IsRowSelected() const
{
    return FSelectedRows && FSelectedRows->CurrentRowSelected();
}

void TZCustomDBGrid::UpdateMarkers()
{
    if (FColumns)
        FColumns->UpdateMarkers();
}

} // namespace zdb

#pragma once
// Enumerations, option sets and process-wide tunables shared by the data grid
// (ZDBGrids.h) and its columns (ZDBGridColumns.h).

#include "Graphics.h"

#include <QFlags>
#include <QMetaEnum>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <initializer_list>
#include <optional>

namespace zdb {

// The enumerations and sets of the grid's published properties are registered
// with the meta-object system (zdb::GridTypes::staticMetaObject), so that the
// properties read and write them by key names ("dgEditing|dgTitles"). The
// inline namespace keeps their names in zdb.
inline namespace GridTypes {
Q_NAMESPACE

// ---- Grid options ---------------------------------------------------------

enum TZDBGridOption : std::uint32_t {
    dgEditing = 1u << 0,
    dgAlwaysShowEditor = 1u << 1,
    dgTitles = 1u << 2,
    dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4,
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6,
    dgTabs = 1u << 7,
    dgRowSelect = 1u << 8,
    dgCancelOnExit = 1u << 9,
    dgAlwaysShowSelection = 1u << 10,
    dgConfirmDelete = 1u << 11,
    dgExtendedSelect = 1u << 12,
    dgAllowDeleteOff = 1u << 13,
    dgAutoUnselectOff = 1u << 14,
    dgRowScroll = 1u << 15,
    dgRightMoving = 1u << 16,
    dgAllowInsertOff = 1u << 17,
    dgMultiSelect = 1u << 18,
    dgInternalSelect = 1u << 19,
    dgRowResize = 1u << 20,
    dgHotButtons = 1u << 21,
    dgTitleButtons = 1u << 22,
    dgIndicatorMarkOff = 1u << 23,
    dgTitleHeaders = 1u << 24,
    dgTitleWidthOff = 1u << 25,
    dgMarkerAutoAlign = 1u << 26,
    dgMarkerAutoSwitch = 1u << 27,
    dgMarkerAutoToggle = 1u << 28,
    dgMarkerAscendOnly = 1u << 29,
    dgForceSequence = 1u << 30,
    dgThumbTracking = 1u << 31,
};
Q_DECLARE_FLAGS(TZDBGridOptions, TZDBGridOption)
Q_FLAG_NS(TZDBGridOptions)

enum TZDBGridOptionEx : std::uint32_t {
    dgBlankRow = 1u << 0,
    dgTotalHeader = 1u << 1,
    dgTotalValues = 1u << 2,
    dgTotalFields = 1u << 3,
    dgTotalFooter = 1u << 4,
    dgTotalColLines = 1u << 5,
    dgTotalHeaderBox = 1u << 6,
    dgTotalValuesBox = 1u << 7,
    dgTotalFieldsBox = 1u << 8,
    dgTotalFooterBox = 1u << 9,
    dgTotalDataBoxOnly = 1u << 10,
    dgLoadCurrentOrder = 1u << 11,
    dgAutoUpdateOrder = 1u << 12,
    dgAutoAscendOrder = 1u << 13,
    dgAutoKeepSelection = 1u << 14,
    dgAutoUpdateSequence = 1u << 15,
    dgDelayUpdateSequence = 1u << 16,
    dgAutoUpdateTotals = 1u << 17,
    dgDelayUpdateTotals = 1u << 18,
    dgCalcInvisibleRows = 1u << 19,
    dgCalcWholeDataSet = 1u << 20,
    dgCalcSelectedRows = 1u << 21,
    dgDelaySelectedRows = 1u << 22,
    dgTotalHeaderSelected = 1u << 23,
    dgTotalValuesSelected = 1u << 24,
    dgTotalFooterSelected = 1u << 25,
    dgSelectedAutoHidden = 1u << 26,
    dgClickSelectOff = 1u << 27,
    dgShowEditorByCharOff = 1u << 28,
};
Q_DECLARE_FLAGS(TZDBGridOptionsEx, TZDBGridOptionEx)
Q_FLAG_NS(TZDBGridOptionsEx)

enum TZDBGridOptionExt : std::uint32_t {
    dgAutoNumberColumn = 1u << 0,
    dgAutoSelectColumn = 1u << 1,
    dgAutoExpandColumn = 1u << 2,
    dgAutoUpdateListItems = 1u << 3,
    dgDelayUpdateListItems = 1u << 4,
    dgGridStyleLists = 1u << 5,
    dgMouseScrolling = 1u << 6,
    dgMouseTracking = 1u << 7,
    dgMarkerClearAllowed = 1u << 8,
    dgScrollGridMode = 1u << 9,
    dgScrollPageMode = 1u << 10,
    dgScrollRowsMode = 1u << 11,
    dgForceSystemTheme = 1u << 12,
    dgForceSystemButton = 1u << 13,
    dgForceSystemMarker = 1u << 14,
    dgForceCustomized = 1u << 15,
    dgScaleByParentFont = 1u << 16,
    dgIncrementalList = 1u << 17,
};
Q_DECLARE_FLAGS(TZDBGridOptionsExt, TZDBGridOptionExt)
Q_FLAG_NS(TZDBGridOptionsExt)

enum TZHintOption : std::uint32_t {
    hoTitleHints = 1u << 0,
    hoShowTitleHints = 1u << 1,
    hoEditorHints = 1u << 2,
    hoShowEditorHints = 1u << 3,
    hoShowToolTips = 1u << 4,
    hoKeepShowToolTips = 1u << 5,
    hoAlwaysShowToolTips = 1u << 6,
    hoDataHints = 1u << 7,
    hoShowDataHints = 1u << 8,
    hoAllowForGraphics = 1u << 9,
    hoTotalHints = 1u << 10,
    hoShowTotalHints = 1u << 11,
    hoShowTotalToolTips = 1u << 12,
};
Q_DECLARE_FLAGS(TZHintOptions, TZHintOption)
Q_FLAG_NS(TZHintOptions)

enum TZResizeOption : std::uint32_t {
    roColumnResize = 1u << 0,
    roOptimalWidth = 1u << 1,
    roDefaultWidth = 1u << 2,
    roColumnMoving = 1u << 3,
};
Q_DECLARE_FLAGS(TZResizeOptions, TZResizeOption)
Q_FLAG_NS(TZResizeOptions)

enum TGridDrawingOption : std::uint32_t {
    gdoHighlightText = 1u << 0,
    gdoDataColLines = 1u << 1,
    gdoDataRowLines = 1u << 2,
    gdoSelectedCell = 1u << 3,
    gdoSelectedRow = 1u << 4,
    gdoMultiSelected = 1u << 5,
    gdoStripedRows = 1u << 6,
    gdoTotalSelected = 1u << 7,
};
Q_DECLARE_FLAGS(TGridDrawingOptions, TGridDrawingOption)
Q_FLAG_NS(TGridDrawingOptions)

// Kinds of multi-selection: the current mode (TMultiSelect, msNone .. msCells)
// and, as a set, the modes a grid allows (msFixed lets the frozen columns take
// part in column and cell selection).
enum TMultiSelection { msNone, msRows, msCols, msCells, msFixed };
Q_ENUM_NS(TMultiSelection)
using TMultiSelect = TMultiSelection;

// A small set over a sequential enumeration (members 0 .. 31).
template <typename E>
class TEnumSet
{
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> Members)
    {
        for (E m : Members)
            FBits |= Bit(m);
    }
    constexpr bool Contains(E Member) const { return (FBits & Bit(Member)) != 0; }
    constexpr bool testFlag(E Member) const { return Contains(Member); }
    constexpr TEnumSet& Include(E Member) { FBits |= Bit(Member); return *this; }
    constexpr TEnumSet& Exclude(E Member) { FBits &= ~Bit(Member); return *this; }
    constexpr bool IsEmpty() const { return FBits == 0; }
    constexpr std::uint32_t Bits() const { return FBits; }
    static constexpr TEnumSet FromBits(std::uint32_t Bits) { TEnumSet s; s.FBits = Bits; return s; }
    friend constexpr TEnumSet operator|(TEnumSet A, TEnumSet B) { return FromBits(A.FBits | B.FBits); }
    friend constexpr TEnumSet operator&(TEnumSet A, TEnumSet B) { return FromBits(A.FBits & B.FBits); }
    friend constexpr TEnumSet operator-(TEnumSet A, TEnumSet B) { return FromBits(A.FBits & ~B.FBits); }
    friend constexpr bool operator==(TEnumSet, TEnumSet) = default;

private:
    static constexpr std::uint32_t Bit(E Member) { return std::uint32_t(1) << unsigned(Member); }
    std::uint32_t FBits = 0;
};

// A set over a registered enumeration by its members' key names, in the order
// of the enumeration (properties publish sets this way).
template <typename E>
QStringList EnumSetNames(TEnumSet<E> Set)
{
    const QMetaEnum members = QMetaEnum::fromType<E>();
    QStringList names;
    for (int i = 0; i < members.keyCount(); ++i)
        if (Set.Contains(E(members.value(i))))
            names << QString::fromLatin1(members.key(i));
    return names;
}

// The set named by Names; none when a name is no member's key.
template <typename E>
std::optional<TEnumSet<E>> EnumSetFromNames(const QStringList& Names)
{
    const QMetaEnum members = QMetaEnum::fromType<E>();
    TEnumSet<E> set;
    for (const QString& name : Names) {
        bool known = false;
        const int member = members.keyToValue(name.trimmed().toLatin1().constData(), &known);
        if (!known)
            return std::nullopt;
        set.Include(E(member));
    }
    return set;
}

// Applies the set named by Names through Set; a list naming a non-member changes nothing.
template <typename E, typename Setter>
void SetEnumSetByNames(const QStringList& Names, Setter Set)
{
    if (const auto members = EnumSetFromNames<E>(Names))
        Set(*members);
}

// Set with the members of Value added (On) or removed.
template <typename E>
constexpr TEnumSet<E> SwitchedSet(TEnumSet<E> Set, TEnumSet<E> Value, bool On)
{
    return On ? Set | Value : Set - Value;
}

using TMultiSelectOption = TMultiSelection;
using TMultiSelectOptions = TEnumSet<TMultiSelection>;

// ---- Look -----------------------------------------------------------------

enum TVAlignment { tvTopJustify, tvBottomJustify, tvCenter };
Q_ENUM_NS(TVAlignment)

// Which text of a cell is asked for: for editing, for showing, for printing.
enum TTextKind { tkEdit, tkDisplay, tkReport };

enum TVisualStyle { vsCustom, vsDefault, vsStandard, vsXPStyle };
Q_ENUM_NS(TVisualStyle)

// How the grid's scroll bars are drawn.
enum TScrollBarStyle { ssRegular, ssFlat, ssHotTrack };
Q_ENUM_NS(TScrollBarStyle)

enum TFixedStyle { fsDefault, fsStandard, fsFlat, fsGradient };
Q_ENUM_NS(TFixedStyle)
enum TFixedTheme { ftDefault, ftStandard, ftSystem };
Q_ENUM_NS(TFixedTheme)
// The grid base's way of drawing fixed cells: raised classic cells, the
// platform theme's header sections, or a gradient.
enum TGridDrawingStyle { gdsClassic, gdsThemed, gdsGradient };
Q_ENUM_NS(TGridDrawingStyle)
enum TFocusRect { frAuto, frNone, frDotted, frSolid };
Q_ENUM_NS(TFocusRect)
enum THotButtons { hbAuto, hbNone, hbFlat, hbThemed };
Q_ENUM_NS(THotButtons)
enum TListBorder { lbAuto, lbNone, lbSingle, lbThemed };
Q_ENUM_NS(TListBorder)
enum TMarkerStyle { msAuto, msStandard, msSmall, msSystem };
Q_ENUM_NS(TMarkerStyle)
enum TMarkerTransparent { mtAuto, mtTransparent, mtOpaque };
Q_ENUM_NS(TMarkerTransparent)

enum TSystemStyleElement : std::uint32_t {
    sseFixed = 1u << 0,
    sseText = 1u << 1,
    sseButton = 1u << 2,
    sseMarker = 1u << 3,
    sseData = 1u << 4,
};
Q_DECLARE_FLAGS(TSystemStyleElements, TSystemStyleElement)
Q_FLAG_NS(TSystemStyleElements)

// Cell kinds a hint is shown for.
enum THintCell { hcTitle, hcHeader, hcFiller, hcEditor, hcData, hcIndicator, hcTotal };

// How a drag that starts on the grid goes: rows are dragged away (DragRows),
// or the fixed corner moves the dock widget the grid sits in.
enum TDragKind { dkDrag, dkDock };
Q_ENUM_NS(TDragKind)

// Input-method modes of the grid and its columns.
enum TImeMode { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata, imChinese, imSHanguel, imHanguel };
Q_ENUM_NS(TImeMode)

} // namespace GridTypes

// ---- Exported tunables ----------------------------------------------------
// Process-wide, read when used; an application may change them at start-up.

extern int DelayInterval;          // ms of the grid's delay timers (200)
extern QString NullValueString;    // text of a null total value ("")
extern int MaxDropDownRows;        // rows of popup lists and editors (20)
extern int MaxDropDownWidth;       // width limit of popup lists (800)
extern int ListDropDownDelay;      // popup list drop-down delay (8)
extern bool ListMouseTracking;     // popup lists follow the mouse (true)
extern QString DefAutoNumberFormat; // "%d."
extern QString DefAutoNumberTitle;  // "No."
extern int DefAutoNumberWidth;      // 48
extern QString DefAutoSelectTitle;  // "Select"
extern int DefAutoSelectWidth;      // 48
extern QString DefAutoExpandTitle;  // "Expand"
extern int DefAutoExpandWidth;      // 48
extern QString DefPickTextFormat;   // "%1:s - %0:s"
extern QString DefaultDelimiter;    // ","
extern QString DefaultIniFileName;  // ""
extern QString DefaultRegistryKey;  // "\Software\Quarnel Software\ZDBGrid"

} // namespace zdb

Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TZDBGridOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TZDBGridOptionsEx)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TZDBGridOptionsExt)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TZHintOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TZResizeOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TGridDrawingOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TSystemStyleElements)

#pragma once
// The items of the grid's tool menu as sets, so that the grid can choose which
// items exist (its ToolMenuItems, ToolMenuSubItems and ToolMenuSubItemsEx)
// without knowing the menu itself (ZDBToolMenu.h).

#include "ZDBGridTypes.h"

namespace zdb {

inline namespace ToolMenuTypes {
Q_NAMESPACE

// The top level of the menu.
enum TZDBGridToolMenuItem {
    tmOpen, tmRefresh, tmShowColumns, tmColumns, tmShowAutoFilter, tmAutoFilter, tmShowMultiSelect,
    tmMultiSelect, tmSelectedRow, tmStripedRows, tmTreeView, tmSettings, tmClose
};
Q_ENUM_NS(TZDBGridToolMenuItem)

// The items of the Columns, Auto Filter and Multi Select submenus.
enum TZDBGridToolMenuSubItem {
    tmColumnsShow, tmColumnsStretch, tmColumnsDefaultWidth, tmColumnsOptimalWidth, tmColumnsIncludeTitles,
    tmColumnsIncludeButtons, tmColumnsLoad, tmColumnsSave, tmColumnsLoadFromFile, tmColumnsSaveToFile,
    tmAutoFilterActive, tmAutoFilterFiltered, tmAutoFilterClear, tmAutoFilterLoad, tmAutoFilterSave,
    tmAutoFilterLoadFromFile, tmAutoFilterSaveToFile, tmMultiSelectActive, tmMultiSelectRows, tmMultiSelectCols,
    tmMultiSelectCells, tmMultiSelectFixed
};
Q_ENUM_NS(TZDBGridToolMenuSubItem)

// The items of the Settings submenu.
enum TZDBGridToolMenuSubItemEx {
    tmSettingsLoadLayout, tmSettingsSaveLayout, tmSettingsLoad, tmSettingsSave, tmSettingsEraseFromFile,
    tmSettingsLoadFromFile, tmSettingsSaveToFile, tmSettingsEraseFromRegistry, tmSettingsLoadFromRegistry,
    tmSettingsSaveToRegistry
};
Q_ENUM_NS(TZDBGridToolMenuSubItemEx)

} // namespace ToolMenuTypes

using TZDBGridToolMenuItems = TEnumSet<TZDBGridToolMenuItem>;
using TZDBGridToolMenuSubItems = TEnumSet<TZDBGridToolMenuSubItem>;
using TZDBGridToolMenuSubItemsEx = TEnumSet<TZDBGridToolMenuSubItemEx>;

// Every member of a set over 0 .. Last.
template <typename E>
constexpr TEnumSet<E> AllMembers(E Last)
{
    return TEnumSet<E>::FromBits((std::uint32_t(1) << (unsigned(Last) + 1)) - 1);
}

// The grid's defaults: every item but the three "Show ..." ones, every sub-item.
inline constexpr TZDBGridToolMenuItems DefaultToolMenuItems =
    AllMembers(tmClose) - TZDBGridToolMenuItems{tmShowColumns, tmShowAutoFilter, tmShowMultiSelect};
inline constexpr TZDBGridToolMenuSubItems DefaultToolMenuSubItems = AllMembers(tmMultiSelectFixed);
inline constexpr TZDBGridToolMenuSubItemsEx DefaultToolMenuSubItemsEx = AllMembers(tmSettingsSaveToRegistry);

} // namespace zdb

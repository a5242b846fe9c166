#pragma once
// The grid's tool menu: the end user's everyday switches of a TZDBGrid (open
// and refresh the data, show and size columns, the auto-filter, multi-selection,
// display switches, the tree view) and the saving and loading of column
// settings, filters and layouts in memory, in files and in the native store.
//
// The grid makes the menu on first use (GetToolMenu, CreateToolMenu) and shows
// it from its corner cell (FillerToolMenu) or on a right click (PopupToolMenu);
// an application may show it itself (popup). Which items exist is the grid's
// ToolMenuItems, ToolMenuSubItems and ToolMenuSubItemsEx; before each showing
// every item's enabled and checked state is taken from the grid (ToolMenuPopup),
// so an item that cannot work on the grid's state is disabled.
//
// Captions and dialog texts are the exported S... variables below: an
// application may assign them, and each goes through QCoreApplication::translate
// (context "zdb", see ZDBTranslate.h) when the menu uses it.

#include "ZDBLists.h"
#include "ZDBToolMenuTypes.h"

#include <QMenu>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class QFileDialog;

namespace zdb {

class TZCustomDBGrid;
class TZDBGridSettings;

// ---- Captions -------------------------------------------------------------------------------
extern QString SOpenMenuItemCaption, SRefreshMenuItemCaption, SShowColumnsMenuItemCaption, SColumnsMenuItemCaption,
    SShowAutoFilterMenuItemCaption, SAutoFilterMenuItemCaption, SShowMultiSelectMenuItemCaption,
    SMultiSelectMenuItemCaption, SSelectedRowMenuItemCaption, SStripedRowsMenuItemCaption, STreeViewMenuItemCaption,
    SSettingsMenuItemCaption, SCloseMenuItemCaption;
extern QString SColumnsShowMenuItemCaption, SColumnsStretchMenuItemCaption, SColumnsDefaultWidthMenuItemCaption,
    SColumnsOptimalWidthMenuItemCaption, SColumnsIncludeTitlesMenuItemCaption, SColumnsIncludeButtonsMenuItemCaption,
    SColumnsLoadMenuItemCaption, SColumnsSaveMenuItemCaption, SColumnsLoadFromFileMenuItemCaption,
    SColumnsSaveToFileMenuItemCaption, SAutoFilterActiveMenuItemCaption, SAutoFilterFilteredMenuItemCaption,
    SAutoFilterClearMenuItemCaption, SAutoFilterLoadMenuItemCaption, SAutoFilterSaveMenuItemCaption,
    SAutoFilterLoadFromFileMenuItemCaption, SAutoFilterSaveToFileMenuItemCaption, SMultiSelectActiveMenuItemCaption,
    SMultiSelectRowsMenuItemCaption, SMultiSelectColsMenuItemCaption, SMultiSelectCellsMenuItemCaption,
    SMultiSelectFixedMenuItemCaption;
extern QString SSettingsLoadLayoutMenuItemCaption, SSettingsSaveLayoutMenuItemCaption, SSettingsLoadMenuItemCaption,
    SSettingsSaveMenuItemCaption, SSettingsEraseFromFileMenuItemCaption, SSettingsLoadFromFileMenuItemCaption,
    SSettingsSaveToFileMenuItemCaption, SSettingsEraseFromRegistryMenuItemCaption,
    SSettingsLoadFromRegistryMenuItemCaption, SSettingsSaveToRegistryMenuItemCaption;

// The caption variables by item (tables of references).
extern const std::array<QString*, 13> ToolMenuItemCaptions;
extern const std::array<QString*, 22> ToolMenuSubItemCaptions;
extern const std::array<QString*, 10> ToolMenuSubItemExCaptions;

// ---- File dialogs ---------------------------------------------------------------------------
// Filters are "description|pattern" pairs separated by "|".
extern QString SColumnsDialogDefaultExt;       // "clm"
extern QString SColumnsDialogFilterText;       // "Column files (*.clm)|*.clm|Text files ..."
extern QString SFiltersDialogDefaultExt;       // "flt"
extern QString SFiltersDialogFilterText;       // "Filter files (*.flt)|*.flt|..."
extern QString SSettingsDialogDefaultExt;      // "ini"
extern QString SSettingsDialogFilterText;      // "Settings files (*.ini)|*.ini|..."
extern QString SEraseSettingsDialogDefaultExt; // "ini"
extern QString SEraseSettingsDialogTitle;      // "Erasing from"
extern QString SEraseSettingsDialogFilterText; // "Settings files (*.ini)|*.ini"
// The folder every file dialog starts in; a confirmed dialog sets it to the
// chosen file's folder (shared by all grids).
extern QString DialogInitialDir;

// ---- The columns dialog of "Show Columns..." ------------------------------------------------
extern QString SShowColumnsDialogTitle;         // "Show Columns"
extern QString SShowColumnsDialogButtonsTitles; // "OK;Cancel;&Apply;&Help"
extern QString SShowColumnsDialogColumnsTitle;  // " &Visible Columns "
extern QString SShowColumnsDialogSortedTitle;   // "&Sorted Columns"
extern TZDBColumnsOptions ShowColumnsDialogOptions;

// A text of the menu through the application's translators.
QString ToolMenuText(const QString& Text);

class TZDBGridToolMenu : public QMenu
{
    Q_OBJECT
public:
    // Answers a file dialog instead of showing it (tests, scripted runs): gets
    // the dialog set up for the request, returns the chosen file or an empty
    // text for a cancelled dialog.
    using TFileDialogHook = std::function<QString(QFileDialog& Dialog)>;
    static TFileDialogHook FileDialogHook;

    // Owned by the grid that makes it (Owner); another owner gives a menu
    // without a grid, whose items do nothing.
    explicit TZDBGridToolMenu(QWidget* Owner);
    ~TZDBGridToolMenu() override;

    TZCustomDBGrid* Grid() const { return FGrid; }
    // The items (a submenu's item is its menuAction).
    QAction* Item(TZDBGridToolMenuItem Item) const { return FItems[Item]; }
    QAction* SubItem(TZDBGridToolMenuSubItem Item) const { return FSubItems[Item]; }
    QAction* SubItemEx(TZDBGridToolMenuSubItemEx Item) const { return FSubItemsEx[Item]; }
    // The texts kept by the "Save" items for the "Load" ones while the menu lives.
    QStringList& GetColumnSettings() { return FColumnSettings; }
    QStringList& GetFilterSettings() { return FFilterSettings; }
    QStringList& GetLayoutSettings() { return FLayoutSettings; }
    bool OptimalColumns() const { return FOptimalColumns; }
    bool IncludeButtons() const { return FIncludeButtons; }

    // Visibility of the items from the grid's item sets and state; separators
    // are tidied so that none leads, trails or doubles.
    virtual void UpdateMenuItems();
    // Enabled and checked states from the grid; runs before each showing.
    virtual void ToolMenuPopup(QObject* Sender);
    // The work of the clicked item; failures pass to the caller.
    virtual void ToolMenuClick(QAction* Sender);

    // Default names of the file dialogs and of the native store.
    virtual QString DefaultColumnsFileName() const;
    virtual QString DefaultFiltersFileName() const;
    virtual QString DefaultSettingsFileName() const;
    virtual QString DefaultSettingsRegistryKey() const;

    // The items' dialogs and store operations; failures pass to the caller.
    virtual void ShowColumnsDialog();
    virtual void ShowColumnsOpenDialog();
    virtual void ShowColumnsSaveDialog();
    virtual void ShowFiltersOpenDialog();
    virtual void ShowFiltersSaveDialog();
    virtual void ShowSettingsOpenDialog();
    virtual void ShowSettingsSaveDialog();
    virtual void ShowSettingsEraseDialog();
    virtual bool ExistsSettingsInRegistry();
    virtual void EraseSettingsFromRegistry();
    virtual void LoadSettingsFromRegistry();
    virtual void SaveSettingsToRegistry();
    // Runs a file dialog (texts untranslated); the chosen file, empty when cancelled.
    QString ExecFileDialog(bool Save, const QString& DefaultExt, const QString& Filter, const QString& FileName,
                           const QString& Title = QString());

protected:
    virtual void CreateMenuItems();
    virtual void DoToolMenuCreate();
    virtual void DoToolMenuUpdate();
    virtual void DoToolMenuPopup();
    virtual void DoToolMenuClick(QAction* Item);
    // An item with Caption in Parent whose click runs ToolMenuClick; "-" makes a separator.
    QAction* AddMenuItem(QMenu* Parent, const QString& Caption);
    // A submenu with Caption in Parent.
    QMenu* AddSubMenu(QMenu* Parent, const QString& Caption);

private:
    // What an item stands for (stored in its data).
    enum TItemKind { ikItem, ikSubItem, ikSubItemEx };
    static int ItemCode(TItemKind Kind, int Member) { return int(Kind) << 8 | Member; }
    // Sizes the columns (nothing while stretching).
    void SizeColumns(bool Optimal);
    // Runs Command of the settings with the file a dialog chose.
    void FileCommand(bool Save, const QString& DefaultExt, const QString& Filter, const QString& FileName,
                     void (TZDBGridSettings::*Command)(const QString&));
    // Loads or saves the layout through the settings' file dialog.
    void SettingsFileCommand(bool Save);
    // Runs Work with the settings switched to the native store.
    template <typename F>
    auto InNativeStore(F&& Work);
    // Ready: an open dataset or customized columns.
    bool Ready() const;
    // Some column filters.
    bool Filtering() const;

    QPointer<TZCustomDBGrid> FGrid;
    std::array<QAction*, 13> FItems{};
    std::array<QAction*, 22> FSubItems{};
    std::array<QAction*, 10> FSubItemsEx{};
    QStringList FColumnSettings;
    QStringList FFilterSettings;
    QStringList FLayoutSettings;
    bool FOptimalColumns = false;
    bool FIncludeButtons = false;
};

} // namespace zdb

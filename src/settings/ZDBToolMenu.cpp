// The grid's tool menu: its items, their visibility, states and work.

#include "ZDBToolMenu.h"

#include "AppExceptions.h"
#include "ZDBGridReport.h"
#include "ZDBGrids.h"
#include "ZDBTranslate.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <optional>

namespace zdb {

// ---- Texts (assignable; each is translated when used) ----

QString SOpenMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Open"));
QString SRefreshMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Refresh"));
QString SShowColumnsMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Show Columns..."));
QString SColumnsMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Columns"));
QString SShowAutoFilterMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Show Auto Filter"));
QString SAutoFilterMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Auto Filter"));
QString SShowMultiSelectMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Show Multi Select"));
QString SMultiSelectMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Multi Select"));
QString SSelectedRowMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Selected Row"));
QString SStripedRowsMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Striped Rows"));
QString STreeViewMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Tree View"));
QString SSettingsMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Settings"));
QString SCloseMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Close"));
QString SColumnsShowMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Show..."));
QString SColumnsStretchMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Stretch"));
QString SColumnsDefaultWidthMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Default Width"));
QString SColumnsOptimalWidthMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Optimal Width"));
QString SColumnsIncludeTitlesMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Space on Titles"));
QString SColumnsIncludeButtonsMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Space on Buttons"));
QString SColumnsLoadMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Load"));
QString SColumnsSaveMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Save"));
QString SColumnsLoadFromFileMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Load from File..."));
QString SColumnsSaveToFileMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Save to File..."));
QString SAutoFilterActiveMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Active"));
QString SAutoFilterFilteredMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Filtered"));
QString SAutoFilterClearMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Clear"));
QString SAutoFilterLoadMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Load"));
QString SAutoFilterSaveMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Save"));
QString SAutoFilterLoadFromFileMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Load from File..."));
QString SAutoFilterSaveToFileMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Save to File..."));
QString SMultiSelectActiveMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Active"));
QString SMultiSelectRowsMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Rows"));
QString SMultiSelectColsMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Columns"));
QString SMultiSelectCellsMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Cells"));
QString SMultiSelectFixedMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Fixed"));
QString SSettingsLoadLayoutMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Load at Start"));
QString SSettingsSaveLayoutMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Save at Finish"));
QString SSettingsLoadMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Load"));
QString SSettingsSaveMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Save"));
QString SSettingsEraseFromFileMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Erase from File..."));
QString SSettingsLoadFromFileMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Load from File..."));
QString SSettingsSaveToFileMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Save to File..."));
QString SSettingsEraseFromRegistryMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Erase from Registry"));
QString SSettingsLoadFromRegistryMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Load from Registry"));
QString SSettingsSaveToRegistryMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Save to Registry"));
QString SColumnsDialogDefaultExt = QStringLiteral("clm");
QString SColumnsDialogFilterText = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Column files (*.clm)|*.clm|Text files (*.txt)|*.txt|All files (*.*)|*.*"));
QString SFiltersDialogDefaultExt = QStringLiteral("flt");
QString SFiltersDialogFilterText = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Filter files (*.flt)|*.flt|Text files (*.txt)|*.txt|All files (*.*)|*.*"));
QString SSettingsDialogDefaultExt = QStringLiteral("ini");
QString SSettingsDialogFilterText = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Settings files (*.ini)|*.ini|Text files (*.txt)|*.txt|All files (*.*)|*.*"));
QString SEraseSettingsDialogDefaultExt = QStringLiteral("ini");
QString SEraseSettingsDialogTitle = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Erasing from"));
QString SEraseSettingsDialogFilterText = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Settings files (*.ini)|*.ini"));
QString SShowColumnsDialogTitle = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Show Columns"));
QString SShowColumnsDialogButtonsTitles = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "OK;Cancel;&Apply;&Help"));
QString SShowColumnsDialogColumnsTitle = QStringLiteral(QT_TRANSLATE_NOOP("zdb", " &Visible Columns "));
QString SShowColumnsDialogSortedTitle = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "&Sorted Columns"));
QString DialogInitialDir;
TZDBColumnsOptions ShowColumnsDialogOptions{coAllowMoving, coCancelButton, coApplyButton, coMarkVisibleCols,
                                             coShowEmptyCols, coShowFixedCols, coShowHeaders};

const std::array<QString*, 13> ToolMenuItemCaptions{
    &SOpenMenuItemCaption,
    &SRefreshMenuItemCaption,
    &SShowColumnsMenuItemCaption,
    &SColumnsMenuItemCaption,
    &SShowAutoFilterMenuItemCaption,
    &SAutoFilterMenuItemCaption,
    &SShowMultiSelectMenuItemCaption,
    &SMultiSelectMenuItemCaption,
    &SSelectedRowMenuItemCaption,
    &SStripedRowsMenuItemCaption,
    &STreeViewMenuItemCaption,
    &SSettingsMenuItemCaption,
    &SCloseMenuItemCaption,
};

const std::array<QString*, 22> ToolMenuSubItemCaptions{
    &SColumnsShowMenuItemCaption,
    &SColumnsStretchMenuItemCaption,
    &SColumnsDefaultWidthMenuItemCaption,
    &SColumnsOptimalWidthMenuItemCaption,
    &SColumnsIncludeTitlesMenuItemCaption,
    &SColumnsIncludeButtonsMenuItemCaption,
    &SColumnsLoadMenuItemCaption,
    &SColumnsSaveMenuItemCaption,
    &SColumnsLoadFromFileMenuItemCaption,
    &SColumnsSaveToFileMenuItemCaption,
    &SAutoFilterActiveMenuItemCaption,
    &SAutoFilterFilteredMenuItemCaption,
    &SAutoFilterClearMenuItemCaption,
    &SAutoFilterLoadMenuItemCaption,
    &SAutoFilterSaveMenuItemCaption,
    &SAutoFilterLoadFromFileMenuItemCaption,
    &SAutoFilterSaveToFileMenuItemCaption,
    &SMultiSelectActiveMenuItemCaption,
    &SMultiSelectRowsMenuItemCaption,
    &SMultiSelectColsMenuItemCaption,
    &SMultiSelectCellsMenuItemCaption,
    &SMultiSelectFixedMenuItemCaption,
};

const std::array<QString*, 10> ToolMenuSubItemExCaptions{
    &SSettingsLoadLayoutMenuItemCaption,
    &SSettingsSaveLayoutMenuItemCaption,
    &SSettingsLoadMenuItemCaption,
    &SSettingsSaveMenuItemCaption,
    &SSettingsEraseFromFileMenuItemCaption,
    &SSettingsLoadFromFileMenuItemCaption,
    &SSettingsSaveToFileMenuItemCaption,
    &SSettingsEraseFromRegistryMenuItemCaption,
    &SSettingsLoadFromRegistryMenuItemCaption,
    &SSettingsSaveToRegistryMenuItemCaption,
};

TZDBGridToolMenu::TFileDialogHook TZDBGridToolMenu::FileDialogHook;

QString ToolMenuText(const QString& Text)
{
    return Tr(Text);
}

namespace {

// A dialog filter of "description|pattern" pairs as Qt's name filters; a
// pattern "*.*" stands for every file.
QStringList NameFilters(const QString& Filter)
{
    const QStringList parts = ToolMenuText(Filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (const qsizetype open = description.lastIndexOf(QLatin1Char('(')); open > 0 && description.endsWith(')'))
            description = description.left(open).trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            if (pattern.trimmed() == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

// FileName with its extension replaced by "." Section "." Ext.
QString SectionFileName(const QString& FileName, const QString& Section, const QString& Ext)
{
    const qsizetype slash = std::max(FileName.lastIndexOf(QLatin1Char('/')), FileName.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = FileName.lastIndexOf(QLatin1Char('.'));
    QString name = dot > slash ? FileName.left(dot) : FileName;
    if (!Section.isEmpty())
        name += QLatin1Char('.') + Section;
    return name + QLatin1Char('.') + Ext;
}

// The settings' store switched to an INI file or a native key for one
// operation, and put back on every exit.
class TStoreSwitch
{
public:
    TStoreSwitch(TZDBGridSettings* Settings, bool IniFile, const QString& FileName)
        : FSettings(Settings), FIniFile(Settings->GetIniFile()), FFileName(Settings->GetFileName())
    {
        Settings->SetIniFile(IniFile);
        Settings->SetFileName(FileName);
    }
    ~TStoreSwitch()
    {
        FSettings->SetIniFile(FIniFile);
        FSettings->SetFileName(FFileName);
    }
    TStoreSwitch(const TStoreSwitch&) = delete;
    TStoreSwitch& operator=(const TStoreSwitch&) = delete;

private:
    TZDBGridSettings* FSettings;
    bool FIniFile;
    QString FFileName;
};

// Whether a settings file is an INI file of sections: its extension is
// exactly ".ini"; any other file holds plain layout lines.
bool IsIniFileName(const QString& FileName)
{
    return FileName.endsWith(QLatin1String(".ini"), Qt::CaseSensitive);
}

// Tidies the separators of Menu and of its submenus: none leads, none
// trails, and of several in a row one shows.
void TidySeparators(QMenu* Menu)
{
    QAction* held = nullptr;
    bool seen = false;
    for (QAction* action : Menu->actions()) {
        if (action->isSeparator()) {
            if (!seen) {
                action->setVisible(false);
            } else {
                if (held)
                    held->setVisible(true);
                held = action;
                seen = false;
            }
            continue;
        }
        if (QMenu* sub = action->menu())
            TidySeparators(sub);
        if (action->isVisible())
            seen = true;
    }
    if (held)
        held->setVisible(seen);
}

} // namespace

// ---- Construction ---------------------------------------------------------------------------

TZDBGridToolMenu::TZDBGridToolMenu(QWidget* Owner) : QMenu(Owner), FGrid(qobject_cast<TZCustomDBGrid*>(Owner))
{
    if (FGrid)
        FIncludeButtons = FGrid->FilterGrid()->GetVisible();
    connect(this, &QMenu::aboutToShow, this, [this] {
        GuardEvent(this, [this] {
            UpdateMenuItems();
            ToolMenuPopup(this);
        });
    });
    CreateMenuItems();
}

TZDBGridToolMenu::~TZDBGridToolMenu() = default;

QAction* TZDBGridToolMenu::AddMenuItem(QMenu* Parent, const QString& Caption)
{
    if (Caption == QLatin1String("-"))
        return Parent->addSeparator();
    QAction* action = Parent->addAction(Caption);
    connect(action, &QAction::triggered, this, [this, action] { GuardEvent(this, [&] { ToolMenuClick(action); }); });
    return action;
}

QMenu* TZDBGridToolMenu::AddSubMenu(QMenu* Parent, const QString& Caption)
{
    auto* sub = new QMenu(Caption, Parent);
    Parent->addMenu(sub);
    return sub;
}

void TZDBGridToolMenu::CreateMenuItems()
{
    const auto item = [this](QMenu* Parent, TZDBGridToolMenuItem Member, bool Checkable = false) {
        QAction* action = AddMenuItem(Parent, ToolMenuText(*ToolMenuItemCaptions[Member]));
        action->setData(ItemCode(ikItem, Member));
        action->setCheckable(Checkable);
        FItems[Member] = action;
    };
    const auto subMenu = [this](TZDBGridToolMenuItem Member) {
        QMenu* sub = AddSubMenu(this, ToolMenuText(*ToolMenuItemCaptions[Member]));
        sub->menuAction()->setData(ItemCode(ikItem, Member));
        FItems[Member] = sub->menuAction();
        return sub;
    };
    const auto subItem = [this](QMenu* Parent, TZDBGridToolMenuSubItem Member, bool Checkable = false) {
        QAction* action = AddMenuItem(Parent, ToolMenuText(*ToolMenuSubItemCaptions[Member]));
        action->setData(ItemCode(ikSubItem, Member));
        action->setCheckable(Checkable);
        FSubItems[Member] = action;
    };
    const auto subItemEx = [this](QMenu* Parent, TZDBGridToolMenuSubItemEx Member, bool Checkable = false) {
        QAction* action = AddMenuItem(Parent, ToolMenuText(*ToolMenuSubItemExCaptions[Member]));
        action->setData(ItemCode(ikSubItemEx, Member));
        action->setCheckable(Checkable);
        FSubItemsEx[Member] = action;
    };
    const QString separator = QStringLiteral("-");

    item(this, tmOpen);
    item(this, tmRefresh);
    AddMenuItem(this, separator);
    item(this, tmShowColumns);
    QMenu* columns = subMenu(tmColumns);
    subItem(columns, tmColumnsShow);
    subItem(columns, tmColumnsStretch, true);
    AddMenuItem(columns, separator);
    subItem(columns, tmColumnsDefaultWidth);
    subItem(columns, tmColumnsOptimalWidth);
    subItem(columns, tmColumnsIncludeTitles, true);
    subItem(columns, tmColumnsIncludeButtons, true);
    AddMenuItem(columns, separator);
    subItem(columns, tmColumnsLoad);
    subItem(columns, tmColumnsSave);
    AddMenuItem(columns, separator);
    subItem(columns, tmColumnsLoadFromFile);
    subItem(columns, tmColumnsSaveToFile);
    item(this, tmShowAutoFilter, true);
    QMenu* filter = subMenu(tmAutoFilter);
    subItem(filter, tmAutoFilterActive, true);
    subItem(filter, tmAutoFilterFiltered, true);
    AddMenuItem(filter, separator);
    subItem(filter, tmAutoFilterClear);
    subItem(filter, tmAutoFilterLoad);
    subItem(filter, tmAutoFilterSave);
    AddMenuItem(filter, separator);
    subItem(filter, tmAutoFilterLoadFromFile);
    subItem(filter, tmAutoFilterSaveToFile);
    item(this, tmShowMultiSelect, true);
    QMenu* multi = subMenu(tmMultiSelect);
    subItem(multi, tmMultiSelectActive, true);
    AddMenuItem(multi, separator);
    subItem(multi, tmMultiSelectRows, true);
    subItem(multi, tmMultiSelectCols, true);
    subItem(multi, tmMultiSelectCells, true);
    AddMenuItem(multi, separator);
    subItem(multi, tmMultiSelectFixed, true);
    item(this, tmSelectedRow, true);
    item(this, tmStripedRows, true);
    item(this, tmTreeView, true);
    AddMenuItem(this, separator);
    QMenu* settings = subMenu(tmSettings);
    subItemEx(settings, tmSettingsLoadLayout, true);
    subItemEx(settings, tmSettingsSaveLayout, true);
    AddMenuItem(settings, separator);
    subItemEx(settings, tmSettingsLoad);
    subItemEx(settings, tmSettingsSave);
    AddMenuItem(settings, separator);
    subItemEx(settings, tmSettingsEraseFromFile);
    subItemEx(settings, tmSettingsLoadFromFile);
    subItemEx(settings, tmSettingsSaveToFile);
    AddMenuItem(settings, separator);
    subItemEx(settings, tmSettingsEraseFromRegistry);
    subItemEx(settings, tmSettingsLoadFromRegistry);
    subItemEx(settings, tmSettingsSaveToRegistry);
    item(this, tmClose);
    CreateReportMenuItems(this);
    // Another language of the application: the captions again.
    TrackLanguage(this, [this] {
        for (size_t i = 0; i < FItems.size(); ++i)
            FItems[i]->setText(ToolMenuText(*ToolMenuItemCaptions[i]));
        for (size_t i = 0; i < FSubItems.size(); ++i)
            FSubItems[i]->setText(ToolMenuText(*ToolMenuSubItemCaptions[i]));
        for (size_t i = 0; i < FSubItemsEx.size(); ++i)
            FSubItemsEx[i]->setText(ToolMenuText(*ToolMenuSubItemExCaptions[i]));
    });

    UpdateMenuItems();
    DoToolMenuCreate();
}

// ---- Visibility and states ------------------------------------------------------------------

void TZDBGridToolMenu::UpdateMenuItems()
{
    const TZDBGridToolMenuItems items = FGrid ? FGrid->GetToolMenuItems() : DefaultToolMenuItems;
    const TZDBGridToolMenuSubItems subs = FGrid ? FGrid->GetToolMenuSubItems() : DefaultToolMenuSubItems;
    const TZDBGridToolMenuSubItemsEx subsEx = FGrid ? FGrid->GetToolMenuSubItemsEx() : DefaultToolMenuSubItemsEx;
    const TZDBGridOptions options = FGrid ? FGrid->GetOptions() : TZDBGridOptions();
    const bool rowSelect = options & dgRowSelect;
    const bool tree = FGrid && !FGrid->TreeView()->GetKeyFields().isEmpty() &&
                      !FGrid->TreeView()->GetParentFields().isEmpty();
    const bool settingsActive = FGrid && FGrid->Settings()->GetActive();

    for (int i = 0; i < int(FItems.size()); ++i)
        FItems[i]->setVisible(items.Contains(TZDBGridToolMenuItem(i)));
    FItems[tmSelectedRow]->setVisible(items.Contains(tmSelectedRow) && !rowSelect);
    FItems[tmTreeView]->setVisible(items.Contains(tmTreeView) && tree);

    for (int i = 0; i < int(FSubItems.size()); ++i)
        FSubItems[i]->setVisible(subs.Contains(TZDBGridToolMenuSubItem(i)));
    const auto also = [&](TZDBGridToolMenuSubItem Member, bool Condition) {
        FSubItems[Member]->setVisible(subs.Contains(Member) && Condition);
    };
    also(tmColumnsShow, !items.Contains(tmShowColumns));
    also(tmAutoFilterActive, !items.Contains(tmShowAutoFilter));
    also(tmMultiSelectActive, !items.Contains(tmShowMultiSelect));
    also(tmColumnsIncludeTitles, bool(options & dgTitles));
    also(tmMultiSelectCols, !rowSelect);
    also(tmMultiSelectCells, !rowSelect);
    also(tmMultiSelectFixed, !rowSelect && FGrid && FGrid->GetFixedCols() >= 1);

    for (int i = 0; i < int(FSubItemsEx.size()); ++i)
        FSubItemsEx[i]->setVisible(subsEx.Contains(TZDBGridToolMenuSubItemEx(i)));
    FSubItemsEx[tmSettingsLoadLayout]->setVisible(subsEx.Contains(tmSettingsLoadLayout) && settingsActive);
    FSubItemsEx[tmSettingsSaveLayout]->setVisible(subsEx.Contains(tmSettingsSaveLayout) && settingsActive);

    DoToolMenuUpdate();
    TidySeparators(this);
}

bool TZDBGridToolMenu::Ready() const
{
    if (!FGrid)
        return false;
    const TDataSet* data = FGrid->DataSet();
    return (data && data->Active()) || FGrid->Columns()->State() == csCustomized;
}

bool TZDBGridToolMenu::Filtering() const
{
    if (!Ready())
        return false;
    const TZDBGridColumns* columns = FGrid->Columns();
    return std::any_of(columns->begin(), columns->end(), [](const TZColumn* Column) { return Column->GetFiltered(); });
}

void TZDBGridToolMenu::ToolMenuPopup(QObject* /*Sender*/)
{
    if (!FGrid) {
        for (QAction* action : actions())
            action->setEnabled(false);
        DoToolMenuPopup();
        return;
    }
    const TDataSet* data = FGrid->DataSet();
    const bool open = data && data->Active();
    const bool ready = Ready();
    const bool filtering = Filtering();
    const bool stretch = FGrid->GetStretchMode();
    const bool sizing = open && !stretch;
    const TZDBGridOptions options = FGrid->GetOptions();
    const TMultiSelectOptions multi = FGrid->GetMultiSelectOptions();
    const TGridDrawingOptions drawing = FGrid->GetDrawingOptions();
    const TZDBGridFilter* filter = FGrid->FilterGrid();
    const TZSettingsOptions settings = FGrid->Settings()->GetOptions();
    bool stored = false;
    try {
        stored = ExistsSettingsInRegistry();
    } catch (const std::exception&) {
        // A key the native store cannot take counts as none.
    }

    const auto state = [](QAction* Action, bool Enabled, std::optional<bool> Checked = std::nullopt) {
        Action->setEnabled(Enabled);
        if (Checked)
            Action->setChecked(*Checked);
    };
    state(FItems[tmOpen], data && !open);
    state(FItems[tmRefresh], open);
    state(FItems[tmClose], open);
    state(FItems[tmShowColumns], ready);
    state(FSubItems[tmColumnsShow], ready);
    state(FSubItems[tmColumnsStretch], open, stretch);
    state(FSubItems[tmColumnsDefaultWidth], sizing);
    state(FSubItems[tmColumnsOptimalWidth], sizing);
    state(FSubItems[tmColumnsIncludeTitles], sizing, !(options & dgTitleWidthOff));
    state(FSubItems[tmColumnsIncludeButtons], sizing, FIncludeButtons);
    state(FSubItems[tmColumnsLoad], ready && !FColumnSettings.isEmpty());
    state(FSubItems[tmColumnsSave], ready);
    state(FSubItems[tmColumnsLoadFromFile], ready);
    state(FSubItems[tmColumnsSaveToFile], ready);
    state(FItems[tmShowAutoFilter], filter->GetFiltered(), filter->GetAutoFilter());
    state(FSubItems[tmAutoFilterActive], filter->GetFiltered(), filter->GetAutoFilter());
    state(FSubItems[tmAutoFilterFiltered], true, filter->GetFiltered());
    state(FSubItems[tmAutoFilterClear], filtering);
    state(FSubItems[tmAutoFilterSave], filtering);
    state(FSubItems[tmAutoFilterSaveToFile], filtering);
    state(FSubItems[tmAutoFilterLoad], ready && !FFilterSettings.isEmpty());
    state(FSubItems[tmAutoFilterLoadFromFile], ready);
    state(FItems[tmShowMultiSelect], true, bool(options & dgMultiSelect));
    state(FSubItems[tmMultiSelectActive], true, bool(options & dgMultiSelect));
    state(FSubItems[tmMultiSelectRows], true, multi.Contains(msRows));
    state(FSubItems[tmMultiSelectCols], true, multi.Contains(msCols));
    state(FSubItems[tmMultiSelectCells], true, multi.Contains(msCells));
    state(FSubItems[tmMultiSelectFixed], true, multi.Contains(msFixed));
    state(FItems[tmSelectedRow], true, bool(drawing & gdoSelectedRow));
    state(FItems[tmStripedRows], true, bool(drawing & gdoStripedRows));
    state(FItems[tmTreeView], true, FGrid->TreeView()->GetAutoActive());
    state(FSubItemsEx[tmSettingsLoadLayout], bool(settings & soUserSettings), bool(settings & soLoadLayout));
    state(FSubItemsEx[tmSettingsSaveLayout], bool(settings & soUserSettings), bool(settings & soSaveLayout));
    state(FSubItemsEx[tmSettingsLoad], ready && !FLayoutSettings.isEmpty());
    for (TZDBGridToolMenuSubItemEx member :
         {tmSettingsSave, tmSettingsLoadFromFile, tmSettingsSaveToFile, tmSettingsSaveToRegistry})
        state(FSubItemsEx[member], ready);
    state(FSubItemsEx[tmSettingsEraseFromFile], true);
    state(FSubItemsEx[tmSettingsEraseFromRegistry], stored);
    state(FSubItemsEx[tmSettingsLoadFromRegistry], ready && stored);

    DoToolMenuPopup();
}

// ---- The items' work ------------------------------------------------------------------------

void TZDBGridToolMenu::SizeColumns(bool Optimal)
{
    if (FGrid->GetStretchMode())
        return;
    FOptimalColumns = Optimal;
    FGrid->AdjustColumnsWidth(Optimal, Optimal && FIncludeButtons);
}

void TZDBGridToolMenu::ToolMenuClick(QAction* Sender)
{
    if (!FGrid || !Sender)
        return;
    const int code = Sender->data().toInt();
    const int member = code & 0xFF;
    TZCustomDBGrid* grid = FGrid;
    TZDBGridFilter* filter = grid->FilterGrid();
    TZDBGridSettings* settings = grid->Settings();
    const auto toggleOption = [grid](TZDBGridOption Option) {
        grid->SetOptions(grid->GetOptions() ^ Option);
    };
    const auto toggleMulti = [grid](TMultiSelection Member) {
        const TMultiSelectOptions set = grid->GetMultiSelectOptions();
        grid->SetMultiSelectOptions(SwitchedSet(set, TMultiSelectOptions{Member}, !set.Contains(Member)));
    };
    const auto toggleDrawing = [grid](TGridDrawingOption Option) {
        grid->SetDrawingOptions(grid->GetDrawingOptions() ^ Option);
    };
    const auto toggleSettings = [settings](TZSettingsOption Option) {
        settings->SwitchOptions(Option, !(settings->GetOptions() & Option));
    };

    switch (TItemKind(code >> 8)) {
    case ikItem:
        switch (TZDBGridToolMenuItem(member)) {
        case tmOpen:
            if (TDataSet* data = grid->DataSet())
                data->Open();
            break;
        case tmRefresh: grid->RefreshDataSet(); break;
        case tmClose:
            if (TDataSet* data = grid->DataSet())
                data->Close();
            break;
        case tmShowColumns: ShowColumnsDialog(); break;
        case tmShowAutoFilter: filter->SetAutoFilter(!filter->GetAutoFilter()); break;
        case tmShowMultiSelect: toggleOption(dgMultiSelect); break;
        case tmSelectedRow: toggleDrawing(gdoSelectedRow); break;
        case tmStripedRows: toggleDrawing(gdoStripedRows); break;
        case tmTreeView: {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
            grid->TreeView()->SetAutoActive(!grid->TreeView()->GetAutoActive());
            break;
        }
        default: return; // a submenu
        }
        break;
    case ikSubItem:
        switch (TZDBGridToolMenuSubItem(member)) {
        case tmColumnsShow: ShowColumnsDialog(); break;
        case tmColumnsStretch: grid->SetStretchMode(!grid->GetStretchMode()); break;
        case tmColumnsDefaultWidth: SizeColumns(false); break;
        case tmColumnsOptimalWidth: SizeColumns(true); break;
        case tmColumnsIncludeTitles:
            toggleOption(dgTitleWidthOff);
            SizeColumns(true);
            break;
        case tmColumnsIncludeButtons:
            FIncludeButtons = !FIncludeButtons;
            SizeColumns(true);
            break;
        case tmColumnsLoad: grid->Columns()->SetSettings(FColumnSettings); break;
        case tmColumnsSave: FColumnSettings = grid->Columns()->GetSettings(); break;
        case tmColumnsLoadFromFile: ShowColumnsOpenDialog(); break;
        case tmColumnsSaveToFile: ShowColumnsSaveDialog(); break;
        case tmAutoFilterActive: filter->SetAutoFilter(!filter->GetAutoFilter()); break;
        case tmAutoFilterFiltered: filter->SetFiltered(!filter->GetFiltered()); break;
        case tmAutoFilterClear: filter->ClearAutoFilter(TFilterStyles{fsFilterList, fsFilterForm}); break;
        case tmAutoFilterLoad: filter->SetSettings(QStringList(FFilterSettings)); break;
        case tmAutoFilterSave: FFilterSettings = filter->GetSettings(); break;
        case tmAutoFilterLoadFromFile: ShowFiltersOpenDialog(); break;
        case tmAutoFilterSaveToFile: ShowFiltersSaveDialog(); break;
        case tmMultiSelectActive: toggleOption(dgMultiSelect); break;
        case tmMultiSelectRows: toggleMulti(msRows); break;
        case tmMultiSelectCols: toggleMulti(msCols); break;
        case tmMultiSelectCells: toggleMulti(msCells); break;
        case tmMultiSelectFixed: toggleMulti(msFixed); break;
        }
        break;
    case ikSubItemEx:
        switch (TZDBGridToolMenuSubItemEx(member)) {
        case tmSettingsLoadLayout: toggleSettings(soLoadLayout); break;
        case tmSettingsSaveLayout: toggleSettings(soSaveLayout); break;
        case tmSettingsLoad: settings->SetLayout(QStringList(FLayoutSettings)); break;
        case tmSettingsSave: FLayoutSettings = settings->GetLayout(); break;
        case tmSettingsEraseFromFile: ShowSettingsEraseDialog(); break;
        case tmSettingsLoadFromFile: ShowSettingsOpenDialog(); break;
        case tmSettingsSaveToFile: ShowSettingsSaveDialog(); break;
        case tmSettingsEraseFromRegistry: EraseSettingsFromRegistry(); break;
        case tmSettingsLoadFromRegistry: LoadSettingsFromRegistry(); break;
        case tmSettingsSaveToRegistry: SaveSettingsToRegistry(); break;
        }
        break;
    }
    DoToolMenuClick(Sender);
}

// ---- Names ----------------------------------------------------------------------------------

QString TZDBGridToolMenu::DefaultSettingsFileName() const
{
    if (!FGrid)
        return QString();
    const TZDBGridSettings* settings = FGrid->Settings();
    if (settings->GetIniFile() && !settings->GetFileName().isEmpty())
        return settings->GetFileName();
    return settings->GetDefaultFileName(true);
}

QString TZDBGridToolMenu::DefaultSettingsRegistryKey() const
{
    if (!FGrid)
        return QString();
    const TZDBGridSettings* settings = FGrid->Settings();
    if (!settings->GetIniFile() && !settings->GetFileName().isEmpty())
        return settings->GetFileName();
    return settings->GetDefaultFileName(false);
}

QString TZDBGridToolMenu::DefaultColumnsFileName() const
{
    if (!FGrid)
        return QString();
    return SectionFileName(DefaultSettingsFileName(), FGrid->Settings()->GetSection(),
                           SColumnsDialogDefaultExt);
}

QString TZDBGridToolMenu::DefaultFiltersFileName() const
{
    if (!FGrid)
        return QString();
    return SectionFileName(DefaultSettingsFileName(), FGrid->Settings()->GetSection(),
                           SFiltersDialogDefaultExt);
}

// ---- Dialogs --------------------------------------------------------------------------------

QString TZDBGridToolMenu::ExecFileDialog(bool Save, const QString& DefaultExt, const QString& Filter,
                                         const QString& FileName, const QString& Title)
{
    QFileDialog dialog(FGrid ? FGrid->window() : nullptr, Title);
    dialog.setAcceptMode(Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(NameFilters(Filter));
    dialog.setDefaultSuffix(DefaultExt);
    if (!DialogInitialDir.isEmpty()) {
        dialog.setDirectory(DialogInitialDir);
        dialog.selectFile(QFileInfo(FileName).fileName());
    } else if (!FileName.isEmpty()) {
        dialog.setDirectory(QFileInfo(FileName).absolutePath());
        dialog.selectFile(QFileInfo(FileName).fileName());
    }
    QString chosen;
    if (FileDialogHook)
        chosen = FileDialogHook(dialog);
    else if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        chosen = dialog.selectedFiles().constFirst();
    if (!chosen.isEmpty())
        DialogInitialDir = QFileInfo(chosen).absolutePath();
    return chosen;
}

void TZDBGridToolMenu::ShowColumnsDialog()
{
    if (!FGrid)
        return;
    TZDBColumnsDialog dialog;
    dialog.SetDBGrid(FGrid);
    dialog.SetTitle(ToolMenuText(SShowColumnsDialogTitle));
    dialog.SetButtonsTitles(ToolMenuText(SShowColumnsDialogButtonsTitles));
    dialog.SetColumnsTitle(ToolMenuText(SShowColumnsDialogColumnsTitle));
    dialog.SetSortedTitle(ToolMenuText(SShowColumnsDialogSortedTitle));
    dialog.SetOptions(ShowColumnsDialogOptions);
    dialog.Execute();
}

void TZDBGridToolMenu::ShowColumnsOpenDialog()
{
    FileCommand(false, SColumnsDialogDefaultExt, SColumnsDialogFilterText, DefaultColumnsFileName(),
                &TZDBGridSettings::LoadColumnsFromFile);
}

void TZDBGridToolMenu::ShowColumnsSaveDialog()
{
    FileCommand(true, SColumnsDialogDefaultExt, SColumnsDialogFilterText, DefaultColumnsFileName(),
                &TZDBGridSettings::SaveColumnsToFile);
}

void TZDBGridToolMenu::ShowFiltersOpenDialog()
{
    FileCommand(false, SFiltersDialogDefaultExt, SFiltersDialogFilterText, DefaultFiltersFileName(),
                &TZDBGridSettings::LoadFiltersFromFile);
}

void TZDBGridToolMenu::ShowFiltersSaveDialog()
{
    FileCommand(true, SFiltersDialogDefaultExt, SFiltersDialogFilterText, DefaultFiltersFileName(),
                &TZDBGridSettings::SaveFiltersToFile);
}

void TZDBGridToolMenu::FileCommand(bool Save, const QString& DefaultExt, const QString& Filter,
                                   const QString& FileName, void (TZDBGridSettings::*Command)(const QString&))
{
    if (const QString file = ExecFileDialog(Save, DefaultExt, Filter, FileName); !file.isEmpty() && FGrid)
        (FGrid->Settings()->*Command)(file);
}

void TZDBGridToolMenu::SettingsFileCommand(bool Save)
{
    const QString file =
        ExecFileDialog(Save, SSettingsDialogDefaultExt, SSettingsDialogFilterText, DefaultSettingsFileName());
    if (file.isEmpty() || !FGrid)
        return;
    TZDBGridSettings* settings = FGrid->Settings();
    if (IsIniFileName(file)) {
        TStoreSwitch store(settings, true, file);
        Save ? settings->SaveLayout() : settings->LoadLayout();
    } else {
        Save ? settings->SaveLayoutToFile(file) : settings->LoadLayoutFromFile(file);
    }
}

void TZDBGridToolMenu::ShowSettingsOpenDialog()
{
    SettingsFileCommand(false);
}

void TZDBGridToolMenu::ShowSettingsSaveDialog()
{
    SettingsFileCommand(true);
}

void TZDBGridToolMenu::ShowSettingsEraseDialog()
{
    const QString file = ExecFileDialog(false, SEraseSettingsDialogDefaultExt, SEraseSettingsDialogFilterText,
                                        DefaultSettingsFileName(), ToolMenuText(SEraseSettingsDialogTitle));
    if (file.isEmpty() || !FGrid || !IsIniFileName(file))
        return;
    TStoreSwitch store(FGrid->Settings(), true, file);
    FGrid->Settings()->EraseLayout();
}

template <typename F>
auto TZDBGridToolMenu::InNativeStore(F&& Work)
{
    TStoreSwitch store(FGrid->Settings(), false, DefaultSettingsRegistryKey());
    return Work(*FGrid->Settings());
}

bool TZDBGridToolMenu::ExistsSettingsInRegistry()
{
    return FGrid && InNativeStore([](TZDBGridSettings& S) { return S.LayoutExists(); });
}

void TZDBGridToolMenu::EraseSettingsFromRegistry()
{
    if (FGrid)
        InNativeStore([](TZDBGridSettings& S) { S.EraseLayout(); });
}

void TZDBGridToolMenu::LoadSettingsFromRegistry()
{
    if (FGrid)
        InNativeStore([](TZDBGridSettings& S) { S.LoadLayout(); });
}

void TZDBGridToolMenu::SaveSettingsToRegistry()
{
    if (FGrid)
        InNativeStore([](TZDBGridSettings& S) { S.SaveLayout(); });
}

// ---- Notifications --------------------------------------------------------------------------

void TZDBGridToolMenu::DoToolMenuCreate()
{
    if (FGrid && FGrid->OnToolMenuCreate)
        FGrid->OnToolMenuCreate(this);
}

void TZDBGridToolMenu::DoToolMenuUpdate()
{
    if (FGrid && FGrid->OnToolMenuUpdate)
        FGrid->OnToolMenuUpdate(this);
}

void TZDBGridToolMenu::DoToolMenuPopup()
{
    if (FGrid && FGrid->OnToolMenuPopup)
        FGrid->OnToolMenuPopup(this);
}

void TZDBGridToolMenu::DoToolMenuClick(QAction* Item)
{
    if (FGrid && FGrid->OnToolMenuClick && !Item->menu())
        FGrid->OnToolMenuClick(this, Item);
}

} // namespace zdb

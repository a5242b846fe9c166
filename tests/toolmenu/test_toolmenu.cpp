// The grid's tool menu: which items show, their enabled and checked states for
// grids in several states, what each item does to the grid, the file items
// through an answered file dialog, the native store, and the menu opened from
// the grid's corner cell.

#include "../grid/test_grid_helpers.h"

#include "ZDBToolMenu.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

using namespace zdb;
using namespace zdb::test;

namespace {

// The captions of the visible items of Menu ("-" for a visible separator).
QStringList Shown(const QMenu* Menu)
{
    QStringList shown;
    for (const QAction* action : Menu->actions())
        if (action->isVisible())
            shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return shown;
}

// A grid named "Grid" on a window named "Form" (settings section "Form.Grid")
// over 20 orders; file dialogs answered by Answer (empty: cancelled).
struct ToolMenu : ::testing::Test {
    QTemporaryDir Dir;
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(20);
    TDataSource Source;
    QWidget Form;
    TZDBGrid* Grid = new TZDBGrid(&Form);
    TCaughtErrors Caught;
    QString Answer;
    QStringList DialogSetup;

    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Dir.path());
        Form.setObjectName("Form");
        Grid->setObjectName("Grid");
        Source.SetDataSet(Table.get());
        Grid->SetDataSource(&Source);
        Grid->resize(400, 300);
        Form.resize(400, 300);
        Form.show();
        QApplication::processEvents();
        TZDBGridToolMenu::FileDialogHook = [this](QFileDialog& Dialog) {
            DialogSetup << QStringLiteral("%1 %2 %3")
                               .arg(Dialog.acceptMode() == QFileDialog::AcceptSave ? "save" : "open",
                                    Dialog.defaultSuffix(), Dialog.nameFilters().join(';'));
            return Answer;
        };
    }
    void TearDown() override
    {
        TZDBGridToolMenu::FileDialogHook = nullptr;
        DialogInitialDir.clear();
    }
    TZDBGridToolMenu* Menu()
    {
        TZDBGridToolMenu* menu = Grid->GetToolMenu();
        menu->UpdateMenuItems();
        menu->ToolMenuPopup(menu);
        return menu;
    }
    // Triggers Action after taking the states from the grid, as a popup would.
    void Click(QAction* Action)
    {
        Menu();
        Action->trigger();
    }
    QString Path(const char* Name) const { return Dir.filePath(QString::fromLatin1(Name)); }
    TZColumn* Column(const char* Field) const { return Grid->FindColumn(Field); }
};

} // namespace

TEST_F(ToolMenu, ItemsShowByTheGridsSetsAndState)
{
    TZDBGridToolMenu* menu = Menu();
    EXPECT_EQ(menu, Grid->GetToolMenu());
    EXPECT_EQ(Shown(menu), QStringList({"Open", "Refresh", "-", "Columns", "Auto Filter", "Multi Select",
                                        "Selected Row", "Striped Rows", "-", "Settings", "Close", "-",
                                        "Print and Export"}));
    // The columns submenu offers Show... while "Show Columns..." is hidden.
    EXPECT_EQ(Shown(menu->Item(tmColumns)->menu()),
              QStringList({"Show...", "Stretch", "-", "Default Width", "Optimal Width", "Space on Titles",
                           "Space on Buttons", "-", "Load", "Save", "-", "Load from File...", "Save to File..."}));
    EXPECT_EQ(Shown(menu->Item(tmSettings)->menu()),
              QStringList({"Load", "Save", "-", "Erase from File...", "Load from File...", "Save to File...", "-",
                           "Erase from Registry", "Load from Registry", "Save to Registry"}));

    // The grid's sets, by names as well, and its state decide.
    EXPECT_TRUE(Grid->setProperty("ToolMenuItems", QStringList{"tmShowColumns", "tmColumns", "tmTreeView",
                                                               "tmSelectedRow", "tmSettings"}));
    Grid->SetKeyFields("Id");
    Grid->TreeView()->SetParentFields("Amount");
    Grid->SetOptions(Grid->GetOptions() | dgRowSelect);
    Grid->Settings()->SetActive(true);
    Grid->SetToolMenuSubItems(TZDBGridToolMenuSubItems{tmColumnsShow, tmColumnsStretch, tmColumnsLoad,
                                                       tmColumnsSave, tmColumnsSaveToFile});
    menu->UpdateMenuItems();
    EXPECT_EQ(Shown(menu),
              QStringList({"Show Columns...", "Columns", "Tree View", "-", "Settings", "-", "Print and Export"}));
    // Show... goes with "Show Columns..."; of the separators around the hidden
    // sizing and loading items one stays between each group.
    EXPECT_EQ(Shown(menu->Item(tmColumns)->menu()),
              QStringList({"Stretch", "-", "Load", "Save", "-", "Save to File..."}));
    EXPECT_EQ(Shown(menu->Item(tmSettings)->menu()).mid(0, 3), QStringList({"Load at Start", "Save at Finish", "-"}));
    // A set naming no member changes nothing.
    const TZDBGridToolMenuItems items = Grid->GetToolMenuItems();
    Grid->setProperty("ToolMenuItems", QStringList{"tmOpen", "tmEverything"});
    EXPECT_EQ(Grid->GetToolMenuItems(), items);
}

TEST_F(ToolMenu, StatesFollowTheGrid)
{
    const auto enabled = [](QAction* Action) { return Action->isEnabled(); };
    TZDBGridToolMenu* menu = Menu();
    // An open dataset.
    EXPECT_FALSE(enabled(menu->Item(tmOpen)));
    EXPECT_TRUE(enabled(menu->Item(tmRefresh)) && enabled(menu->Item(tmClose)));
    EXPECT_FALSE(enabled(menu->SubItem(tmColumnsLoad))) << "nothing saved yet";
    EXPECT_FALSE(enabled(menu->SubItem(tmAutoFilterClear))) << "no column filters";
    EXPECT_TRUE(menu->SubItem(tmColumnsIncludeTitles)->isChecked() == !(Grid->GetOptions() & dgTitleWidthOff));
    menu->SubItem(tmColumnsSave)->trigger();
    Column("Id")->SetFilterText("Id > 2");
    Grid->SetStretchMode(true);
    Grid->SetDrawingOptions(Grid->GetDrawingOptions() | gdoStripedRows);
    Menu();
    EXPECT_TRUE(enabled(menu->SubItem(tmColumnsLoad)));
    EXPECT_TRUE(enabled(menu->SubItem(tmAutoFilterClear)) && enabled(menu->SubItem(tmAutoFilterSave)));
    EXPECT_TRUE(menu->SubItem(tmColumnsStretch)->isChecked());
    EXPECT_FALSE(enabled(menu->SubItem(tmColumnsOptimalWidth))) << "no sizing while stretching";
    EXPECT_TRUE(menu->Item(tmStripedRows)->isChecked());
    EXPECT_EQ(menu->Item(tmSelectedRow)->isChecked(), bool(Grid->GetDrawingOptions() & gdoSelectedRow));
    // The auto-filter switch needs the grid filter's Filtered.
    Grid->FilterGrid()->SetFiltered(false);
    Menu();
    EXPECT_FALSE(enabled(menu->SubItem(tmAutoFilterActive)));
    EXPECT_TRUE(enabled(menu->SubItem(tmAutoFilterFiltered)));

    // A closed dataset with default columns: nothing works on data, the
    // switches and erasing from a file stay.
    Table->Close();
    Menu();
    EXPECT_TRUE(enabled(menu->Item(tmOpen)));
    for (QAction* off : {menu->Item(tmRefresh), menu->Item(tmClose), menu->SubItem(tmColumnsShow),
                         menu->SubItem(tmColumnsStretch), menu->SubItem(tmColumnsLoad),
                         menu->SubItem(tmColumnsSaveToFile), menu->SubItem(tmAutoFilterLoadFromFile),
                         menu->SubItemEx(tmSettingsSave), menu->SubItemEx(tmSettingsSaveToRegistry),
                         menu->SubItemEx(tmSettingsLoadFromRegistry)})
        EXPECT_FALSE(enabled(off)) << off->text().toStdString();
    for (QAction* on : {menu->SubItemEx(tmSettingsEraseFromFile), menu->Item(tmStripedRows),
                        menu->SubItem(tmMultiSelectActive), menu->SubItem(tmAutoFilterFiltered)})
        EXPECT_TRUE(enabled(on)) << on->text().toStdString();

    // Without a dataset Open goes too; a disabled item triggered does nothing.
    Grid->SetDataSource(nullptr);
    Menu();
    EXPECT_FALSE(enabled(menu->Item(tmOpen)));
    menu->Item(tmRefresh)->trigger();
    EXPECT_TRUE(Caught.Messages.isEmpty());
}

TEST_F(ToolMenu, ItemsChangeTheGrid)
{
    TZDBGridToolMenu* menu = Menu();
    QAction* lastClicked = nullptr;
    Grid->OnToolMenuClick = [&](TZDBGridToolMenu*, QAction* Item) { lastClicked = Item; };

    Click(menu->SubItem(tmMultiSelectActive));
    EXPECT_TRUE(Grid->GetOptions() & dgMultiSelect);
    Click(menu->SubItem(tmMultiSelectCells));
    EXPECT_TRUE(Grid->GetMultiSelectOptions().Contains(msCells));
    const bool selectedRow = Grid->GetDrawingOptions() & gdoSelectedRow;
    Click(menu->Item(tmSelectedRow));
    EXPECT_NE(bool(Grid->GetDrawingOptions() & gdoSelectedRow), selectedRow);
    EXPECT_EQ(lastClicked, menu->Item(tmSelectedRow));

    // Sizing, and the saved column text brings the widths back.
    Click(menu->SubItem(tmColumnsSave));
    const int saved = Column("Customer")->GetWidth();
    Column("Customer")->SetWidth(300);
    Click(menu->SubItem(tmColumnsOptimalWidth));
    EXPECT_EQ(Column("Customer")->GetWidth(), Column("Customer")->OptimalWidth());
    EXPECT_TRUE(menu->OptimalColumns());
    Click(menu->SubItem(tmColumnsLoad));
    EXPECT_EQ(Column("Customer")->GetWidth(), saved);
    Click(menu->SubItem(tmColumnsStretch));
    EXPECT_TRUE(Grid->GetStretchMode());
    Menu();
    EXPECT_FALSE(menu->SubItem(tmColumnsDefaultWidth)->isEnabled()) << "no sizing while stretching";
    Click(menu->SubItem(tmColumnsStretch));

    // The auto-filter: saved, cleared and loaded again.
    Column("Id")->SetFilterText("Id > 15");
    EXPECT_EQ(Table->RecordCount(), 5);
    Click(menu->SubItem(tmAutoFilterSave));
    Click(menu->SubItem(tmAutoFilterClear));
    EXPECT_EQ(Table->RecordCount(), 20);
    Click(menu->SubItem(tmAutoFilterLoad));
    EXPECT_EQ(Table->RecordCount(), 5);
    Click(menu->SubItem(tmAutoFilterActive));
    EXPECT_TRUE(Grid->FilterGrid()->GetAutoFilter());

    // The spaces on titles and buttons switch.
    const bool titlesOff = Grid->GetOptions() & dgTitleWidthOff;
    Click(menu->SubItem(tmColumnsIncludeTitles));
    EXPECT_NE(bool(Grid->GetOptions() & dgTitleWidthOff), titlesOff);
    const bool buttons = menu->IncludeButtons();
    Click(menu->SubItem(tmColumnsIncludeButtons));
    EXPECT_NE(menu->IncludeButtons(), buttons);

    // The layout in memory.
    Click(menu->SubItemEx(tmSettingsSave));
    Column("Amount")->SetVisible(false);
    Click(menu->SubItemEx(tmSettingsLoad));
    EXPECT_TRUE(Column("Amount")->GetVisible());

    Click(menu->Item(tmClose));
    EXPECT_FALSE(Table->Active());
    Click(menu->Item(tmOpen));
    EXPECT_TRUE(Table->Active());
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

TEST_F(ToolMenu, EveryEnabledItemIsHarmlessOnAPoorGrid)
{
    // All leaves of the menu but the modal columns and print dialogs.
    const auto leaves = [](QMenu* Root) {
        std::vector<QAction*> found;
        std::vector<QMenu*> menus{Root};
        while (!menus.empty()) {
            QMenu* menu = menus.back();
            menus.pop_back();
            for (QAction* action : menu->actions())
                if (action->menu())
                    menus.push_back(action->menu());
                else if (!action->isSeparator() && !action->text().startsWith("Show") &&
                         !action->text().startsWith("Print"))
                    found.push_back(action);
        }
        return found;
    };
    auto empty = MakeOrders(0);
    const auto clickAll = [&](const char* State) {
        TZDBGridToolMenu* menu = Menu();
        for (QAction* action : leaves(menu)) {
            Menu();
            action->trigger();
        }
        EXPECT_TRUE(Caught.Messages.isEmpty()) << State << ": " << Caught.Messages.join('\n').toStdString();
        Caught.Messages.clear();
    };
    Source.SetDataSet(empty.get());
    clickAll("empty");
    Grid->SetReadOnly(true);
    Source.SetDataSet(Table.get());
    clickAll("read-only");
    Table->Close();
    clickAll("closed");
    Source.SetDataSet(nullptr);
    clickAll("no dataset");
}

TEST_F(ToolMenu, FilesThroughTheFileDialog)
{
    TZDBGridToolMenu* menu = Menu();
    Grid->Settings()->SetIniFile(true);
    Grid->Settings()->SetFileName(Path("Sales.ini"));
    EXPECT_EQ(menu->DefaultColumnsFileName(), Path("Sales.Form.Grid.clm"));
    EXPECT_EQ(menu->DefaultFiltersFileName(), Path("Sales.Form.Grid.flt"));

    // Columns to a file and back; the dialog starts next time in its folder.
    const int width = Column("Customer")->GetWidth();
    Answer = Path("widths.clm");
    Click(menu->SubItem(tmColumnsSaveToFile));
    EXPECT_TRUE(QFile::exists(Answer));
    EXPECT_EQ(DialogInitialDir, Dir.path());
    Column("Customer")->SetWidth(width + 50);
    Click(menu->SubItem(tmColumnsLoadFromFile));
    EXPECT_EQ(Column("Customer")->GetWidth(), width);
    EXPECT_EQ(DialogSetup.value(0), "save clm Column files (*.clm);Text files (*.txt);All files (*)");
    EXPECT_TRUE(DialogSetup.value(1).startsWith("open clm"));

    // A cancelled dialog changes nothing.
    Answer.clear();
    Column("Customer")->SetWidth(width + 50);
    Click(menu->SubItem(tmColumnsLoadFromFile));
    EXPECT_EQ(Column("Customer")->GetWidth(), width + 50);
    Column("Customer")->SetWidth(width);

    // Settings: ".ini" holds a section per grid, any other name (also ".INI")
    // plain layout lines; the settings' own store is put back.
    Answer = Path("layout.ini");
    Click(menu->SubItemEx(tmSettingsSaveToFile));
    Answer = Path("layout.INI");
    Click(menu->SubItemEx(tmSettingsSaveToFile));
    {
        QSettings ini(Path("layout.ini"), QSettings::IniFormat);
        EXPECT_TRUE(ini.childGroups().contains("Form.Grid"));
        QFile plain(Path("layout.INI"));
        ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
        EXPECT_TRUE(plain.readAll().startsWith("Columns="));
    }
    EXPECT_TRUE(Grid->Settings()->GetIniFile());
    EXPECT_EQ(Grid->Settings()->GetFileName(), Path("Sales.ini"));
    Column("Customer")->SetWidth(width + 50);
    Answer = Path("layout.ini");
    Click(menu->SubItemEx(tmSettingsLoadFromFile));
    EXPECT_EQ(Column("Customer")->GetWidth(), width);
    Column("Customer")->SetWidth(width + 50);
    Answer = Path("layout.INI");
    Click(menu->SubItemEx(tmSettingsLoadFromFile));
    EXPECT_EQ(Column("Customer")->GetWidth(), width);
    Answer = Path("layout.ini");
    Click(menu->SubItemEx(tmSettingsEraseFromFile));
    {
        QSettings ini(Path("layout.ini"), QSettings::IniFormat);
        EXPECT_FALSE(ini.childGroups().contains("Form.Grid"));
    }

    // Filters.
    Column("Id")->SetFilterText("Id > 15");
    Answer = Path("mine.flt");
    Click(menu->SubItem(tmAutoFilterSaveToFile));
    Click(menu->SubItem(tmAutoFilterClear));
    Click(menu->SubItem(tmAutoFilterLoadFromFile));
    EXPECT_EQ(Table->RecordCount(), 5);
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();

    // A file that cannot be read or written: a clear error, the grid and the
    // settings' store as they were.
    Column("Customer")->SetWidth(width + 50);
    Answer = Path("missing.txt");
    Click(menu->SubItemEx(tmSettingsLoadFromFile));
    Answer = Path("no/such/folder/layout.ini");
    Click(menu->SubItemEx(tmSettingsSaveToFile));
    ASSERT_EQ(Caught.Messages.size(), 2);
    EXPECT_TRUE(Caught.Messages[0].contains("missing.txt"));
    EXPECT_TRUE(Caught.Messages[1].contains("layout.ini"));
    EXPECT_EQ(Column("Customer")->GetWidth(), width + 50);
    EXPECT_TRUE(Grid->Settings()->GetIniFile());
    EXPECT_EQ(Grid->Settings()->GetFileName(), Path("Sales.ini"));
}

TEST_F(ToolMenu, NativeStore)
{
    Grid->Settings()->SetFileName("\\Software\\ZDBGrids Tests\\ToolMenu");
    TZDBGridToolMenu* menu = Menu();
    EXPECT_EQ(menu->DefaultSettingsRegistryKey(), "\\Software\\ZDBGrids Tests\\ToolMenu");
    EXPECT_FALSE(menu->SubItemEx(tmSettingsLoadFromRegistry)->isEnabled());
    EXPECT_FALSE(menu->SubItemEx(tmSettingsEraseFromRegistry)->isEnabled());
    const int width = Column("Customer")->GetWidth();
    Click(menu->SubItemEx(tmSettingsSaveToRegistry));
    EXPECT_TRUE(menu->ExistsSettingsInRegistry());
    Menu();
    EXPECT_TRUE(menu->SubItemEx(tmSettingsLoadFromRegistry)->isEnabled());
    Column("Customer")->SetWidth(width + 40);
    Click(menu->SubItemEx(tmSettingsLoadFromRegistry));
    EXPECT_EQ(Column("Customer")->GetWidth(), width);
    Click(menu->SubItemEx(tmSettingsEraseFromRegistry));
    EXPECT_FALSE(menu->ExistsSettingsInRegistry());
    EXPECT_FALSE(Grid->Settings()->GetIniFile());
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

TEST_F(ToolMenu, OpensFromTheCornerCell)
{
    const QPoint corner = Grid->CellRect(0, 0).center();
    // Off by default: the corner click opens nothing.
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, corner);
    EXPECT_EQ(Grid->ToolMenuIfAny(), nullptr);

    Grid->SetFillerToolMenu(true);
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, corner);
    TZDBGridToolMenu* menu = Grid->ToolMenuIfAny();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(menu->Item(tmOpen)->isEnabled()) << "the states were taken on showing";
    menu->hide();

    const auto rightClick = [this](QPoint At) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, At, Grid->viewport()->mapToGlobal(At));
        QApplication::sendEvent(Grid->viewport(), &event);
    };
    rightClick(corner);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    // A data cell opens it only with PopupToolMenu and no menu of the grid's own.
    const QPoint cell = Grid->CellRect(2, 3).center();
    rightClick(cell);
    EXPECT_FALSE(menu->isVisible());
    Grid->SetPopupToolMenu(true);
    rightClick(cell);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    QMenu own;
    own.addAction("Mine");
    Grid->SetPopupMenu(&own);
    rightClick(cell);
    EXPECT_FALSE(menu->isVisible());
    own.hide();
    Grid->SetPopupMenu(nullptr);
}

TEST_F(ToolMenu, ShowColumnsRunsTheColumnsDialog)
{
    TZDBGridToolMenu* menu = Menu();
    QStringList items;
    QTimer::singleShot(0, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TZDBColumnsForm*>(top); form && form->isVisible()) {
                for (int i = 0; i < form->ColumnsList()->count(); ++i)
                    items << form->ColumnsList()->item(i)->text();
                form->ColumnsList()->SetChecked(1, false);
                EXPECT_TRUE(form->ApplyButton()->isVisible());
                QTest::mouseClick(form->OKButton(), Qt::LeftButton);
            }
    });
    Click(menu->SubItem(tmColumnsShow));
    EXPECT_EQ(items, QStringList({"Id", "Customer", "Amount"}));
    EXPECT_FALSE(Column("Customer")->GetVisible());
}

TEST_F(ToolMenu, CaptionsAreAssignableAndTranslated)
{
    // A translator as Qt's tools would install it, for the menu's context.
    struct TGerman : QTranslator {
        QString translate(const char* Context, const char* Source, const char*, int) const override
        {
            if (QByteArray(Context) == "zdb" && QByteArray(Source) == "Open")
                return QStringLiteral("\u00D6ffnen");
            return QString();
        }
    } german;
    QCoreApplication::installTranslator(&german);
    const QString refresh = SRefreshMenuItemCaption;
    SRefreshMenuItemCaption = "Reload";
    TZDBGridToolMenu* menu = Menu();
    SRefreshMenuItemCaption = refresh;
    QCoreApplication::removeTranslator(&german);
    EXPECT_EQ(menu->Item(tmOpen)->text(), QStringLiteral("\u00D6ffnen"));
    EXPECT_EQ(menu->Item(tmRefresh)->text(), "Reload");
}


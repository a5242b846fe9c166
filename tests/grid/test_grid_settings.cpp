// The grid's saved layouts: built from one grid, stored (INI file, native
// store, text file) and applied to another; hostile files; stores that cannot
// be written; automatic loading and saving.

#include "test_grid_helpers.h"

#include "DBError.h"
#include "ZDBSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <optional>
#include <random>

using namespace zdb;
using namespace zdb::test;

namespace {

constexpr TZSettingsOptions AllLines = TZSettingsOptions(soOrderFields) | soLinesCount | soMultiSelect |
                                       soSelectedRow | soStripedRows | soAutoFilter | soFiltered | soFilters;

// What a layout carries, as text, so that two grids compare in one assertion.
QStringList State(TZCustomDBGrid& Grid)
{
    QStringList state;
    for (TZColumn* column : *Grid.Columns())
        state << QStringLiteral("%1 w%2 v%3 f[%4]")
                     .arg(column->GetFieldName())
                     .arg(column->GetWidthBase())
                     .arg(column->GetVisible())
                     .arg(column->GetFilterText());
    state << "order " + Grid.GetOrderFields() << QStringLiteral("lines %1").arg(Grid.GetLinesCount())
          << QStringLiteral("multi %1").arg(bool(Grid.GetOptions() & dgMultiSelect))
          << QStringLiteral("drawing %1").arg(int(Grid.GetDrawingOptions()))
          << QStringLiteral("autofilter %1 %2")
                 .arg(Grid.FilterGrid()->GetAutoFilter())
                 .arg(Grid.FilterGrid()->GetFiltered());
    if (TDataSet* data = Grid.DataSet())
        state << "dataset order " + Grid.CurrentDataSetOrder() << QStringLiteral("records %1").arg(data->RecordCount());
    return state;
}

void WriteFile(const QString& Name, const QByteArray& Data)
{
    QFile file(Name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(Data);
}

QByteArray ReadFile(const QString& Name)
{
    QFile file(Name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct GridSettings : ::testing::Test {
    QTemporaryDir Dir;
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(20);
    TDataSource Source;
    QWidget Form;

    GridSettings()
    {
        Form.setObjectName("MainForm");
        Source.SetDataSet(Table.get());
        // The native store of these tests lives in the temporary folder.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Dir.path());
    }
    QString Path(const QString& Name) const { return Dir.filePath(Name); }

    // A grid "Grid1" on the form with customized columns Id, Customer, Amount.
    std::unique_ptr<TZDBGrid> MakeGrid(const QString& IniFile = QString(),
                                       const QStringList& Fields = {"Id", "Customer", "Amount"})
    {
        auto grid = std::make_unique<TZDBGrid>(&Form);
        grid->setObjectName("Grid1");
        grid->SetOptionsEx(grid->GetOptionsEx() | dgAutoUpdateOrder);
        grid->SetDataSource(&Source);
        {
            TZLayoutGuard layout(grid.get());
            for (const QString& name : Fields)
                grid->Columns()->Add()->SetFieldName(name);
        }
        grid->Settings()->SetOptions(grid->Settings()->GetOptions() | AllLines);
        grid->Settings()->SetIniFile(!IniFile.isEmpty());
        grid->Settings()->SetFileName(IniFile);
        return grid;
    }
    // Changes every part of the layout away from a fresh grid's.
    static void ChangeEverything(TZDBGrid& Grid)
    {
        Grid.Columns()->Items(0)->SetWidth(70);
        Grid.Columns()->Items(1)->SetWidth(130);
        Grid.Columns()->Items(2)->MoveTo(0);
        Grid.Columns()->Items(1)->SetVisible(false);
        Grid.SetOrderFields("Amount DESC");
        Grid.SetLinesCount(2);
        Grid.SetOptions(Grid.GetOptions() | dgMultiSelect);
        Grid.SetDrawingOptions(Grid.GetDrawingOptions() | gdoSelectedRow | gdoStripedRows);
        Grid.FilterGrid()->SetAutoFilter(true);
        Grid.Columns()->Items(2)->SetFilterText("Customer <> 'Customer 3'");
    }
};

} // namespace

TEST_F(GridSettings, LayoutSavedLoadsIntoANewGridThroughEveryStore)
{
    auto source = MakeGrid();
    ChangeEverything(*source);
    const QStringList saved = State(*source);
    ASSERT_EQ(saved.last(), "records 19");

    const auto roundTrip = [&](const QString& What, const std::function<void(TZDBGrid&)>& Save,
                               const std::function<void(TZDBGrid&)>& Load) {
        SCOPED_TRACE(What.toStdString());
        Save(*source);
        // The source's filter and order leave the dataset before the new grid reads it.
        source->FilterGrid()->ClearAutoFilter(TFilterStyles{fsFilterList, fsFilterForm});
        source->SetOrderFields("Id");
        auto target = MakeGrid();
        ASSERT_NE(State(*target), saved);
        Load(*target);
        EXPECT_EQ(State(*target), saved);
        target.reset();
        source->Columns()->Items(2)->SetFilterText("Customer <> 'Customer 3'");
        source->SetOrderFields("Amount DESC");
    };
    const QString ini = Path("layouts.ini");
    roundTrip(
        "INI file",
        [&](TZDBGrid& G) {
            G.Settings()->SetIniFile(true);
            G.Settings()->SetFileName(ini);
            G.Settings()->SaveLayout();
        },
        [&](TZDBGrid& G) {
            G.Settings()->SetIniFile(true);
            G.Settings()->SetFileName(ini);
            G.Settings()->LoadLayout();
        });
    // The file holds the lines as they are, under the grid's section.
    const QString text = QString::fromUtf8(ReadFile(ini));
    EXPECT_TRUE(text.startsWith("[MainForm.Grid1]\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nColumn1=Amount,")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nFilter1=Customer,Customer <> 'Customer 3',\n")) << text.toStdString();

    roundTrip(
        "native store",
        [&](TZDBGrid& G) {
            G.Settings()->SetIniFile(false);
            G.Settings()->SetFileName(QString());
            G.Settings()->SaveLayout();
        },
        [&](TZDBGrid& G) { G.Settings()->LoadLayout(); });
    // The default key names the organisation and, for "ZDBGrid", this program.
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    EXPECT_TRUE(QFile::exists(Dir.filePath("Quarnel Software/" + exe + ".conf")));

    const QString plain = Path("layout.txt");
    roundTrip(
        "text file", [&](TZDBGrid& G) { G.Settings()->SaveLayoutToFile(plain); },
        [&](TZDBGrid& G) { G.Settings()->LoadLayoutFromFile(plain); });
}

TEST_F(GridSettings, ColumnAndFilterTextFilesLoadBack)
{
    auto source = MakeGrid();
    ChangeEverything(*source);
    const QStringList saved = State(*source);
    source->Settings()->SaveColumnsToFile(Path("grid.clm"));
    source->Settings()->SaveFiltersToFile(Path("grid.flt"));
    source->FilterGrid()->ClearAutoFilter(TFilterStyles{fsFilterList, fsFilterForm});

    auto target = MakeGrid();
    target->Settings()->LoadColumnsFromFile(Path("grid.clm"));
    target->Settings()->LoadFiltersFromFile(Path("grid.flt"));
    EXPECT_EQ(State(*target).mid(0, 3), saved.mid(0, 3));
    EXPECT_EQ(Table->RecordCount(), 19);
    EXPECT_THROW(target->Settings()->LoadColumnsFromFile(Path("missing.clm")), EDatabaseError);
}

TEST_F(GridSettings, SortOrderOfAnSqliteQueryComesBack)
{
    SqliteTestDb db;
    ASSERT_TRUE(db.IsOpen());
    ASSERT_TRUE(ExecSql(db.Database(), "CREATE TABLE orders (id INTEGER PRIMARY KEY, note TEXT)"));
    for (int i = 1; i <= 5; ++i)
        ASSERT_TRUE(ExecSql(db.Database(), QStringLiteral("INSERT INTO orders VALUES (%1, 'note %1')").arg(i)));
    TZSQLQuery query;
    query.SetConnection(db.Database());
    query.SetFieldType("note", ftWideString, 40);
    query.SetSQLText("SELECT id, note FROM orders ORDER BY id");
    query.Open();
    Source.SetDataSet(&query);
    const QString ini = Path("sql.ini");
    {
        auto grid = MakeGrid(ini, {"id", "note"});
        grid->SetOrderFields("note DESC");
        ASSERT_EQ(query.FieldByName("id")->AsInteger(), 5);
        grid->Settings()->SaveLayout();
        grid->SetOrderFields("id");
        ASSERT_EQ(query.FieldByName("id")->AsInteger(), 1);
        grid->Settings()->LoadLayout();
        EXPECT_EQ(grid->GetOrderFields(), "note DESC");
        EXPECT_EQ(query.FieldByName("id")->AsInteger(), 5);
    }
    Source.SetDataSet(nullptr);
}

TEST_F(GridSettings, HostileFilesApplyWhatIsValidAndKeepTheRest)
{
    const QString ini = Path("hostile.ini");
    auto grid = MakeGrid(ini);
    grid->Columns()->Items(0)->SetFilterText("Id > 2");
    const QStringList before = State(*grid);
    const auto load = [&](const QByteArray& Data) {
        WriteFile(ini, Data);
        grid->Settings()->LoadLayout();
        return State(*grid);
    };
    static const char garbage[] = "\x00\xff\xfe[MainForm.Grid1\x00]\n\x01=\x02\n=\n\xc3(\n"
                                  "[MainForm.Grid1]\n\x01\xff=\x02\nColumns=\xff\xfe\nColumn1=\x80\x81,,\n";
    // Nothing usable: the grid stays as it was.
    for (const QByteArray& data :
         {QByteArray(), QByteArray("[Other.App]\nColumns=1\nColumn1=Amount,300,1,1,1\nLinesCount=4\n"),
          QByteArray("[MainForm.Grid1]\nWindowState=2\nTheme=dark\n"),
          QByteArray("[MainForm.Grid1]\nColumns=2147483648\nColumn1=Amount,300,0,1,1\nLinesCount=2147483647\n"
                     "MultiSelect=yes\nFilters=1\nFilter1=Id,Id >>= (,\n"),
          QByteArray(garbage, sizeof(garbage) - 1)}) {
        SCOPED_TRACE(data.toStdString());
        EXPECT_EQ(load(data), before);
    }

    // Valid lines next to broken ones (an unknown column, a negative width,
    // a filter the dataset refuses, a line cut in the middle): only the valid
    // ones count.
    const int amountWidth = grid->Columns()->Items(2)->GetWidthBase();
    const QStringList state = load("[MainForm.Grid1]\nColumns=3\nColumn1=Nope,90,1,1,1\nColumn2=Amount,-5,0,1,1\n"
                                   "LinesCount=-3\nStripedRows=1\nFilters=2\nFilter1=Id,Id >>= (,\n"
                                   "Filter2=Customer,Customer <> 'Customer 2',\nColumn3=Custo");
    EXPECT_EQ(state[0], QString(before[0]).replace("f[Id > 2]", "f[]"));
    EXPECT_EQ(state[1], QString("Amount w%1 v0 f[]").arg(amountWidth));
    EXPECT_EQ(state[2], QString(before[1]).replace("f[]", "f[Customer <> 'Customer 2']"));
    EXPECT_EQ(state[4], before[4]);
    EXPECT_TRUE(grid->GetDrawingOptions() & gdoStripedRows);
}

TEST_F(GridSettings, UnwritableStoresRaiseAndChangeNothing)
{
    auto grid = MakeGrid();
    ChangeEverything(*grid);
    const QStringList state = State(*grid);

    const QString readOnly = Path("readonly.ini");
    WriteFile(readOnly, "[MainForm.Grid1]\nLinesCount=3\n");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadUser);
    const QString missing = Path("no/such/folder/layout.ini");
    for (const QString& file : {readOnly, missing, Dir.path()}) {
        SCOPED_TRACE(file.toStdString());
        grid->Settings()->SetIniFile(true);
        grid->Settings()->SetFileName(file);
        EXPECT_THROW(grid->Settings()->SaveLayout(), EDatabaseError);
        EXPECT_EQ(State(*grid), state);
    }
    grid->Settings()->SetFileName(readOnly);
    EXPECT_THROW(grid->Settings()->EraseLayout(), EDatabaseError);
    EXPECT_EQ(ReadFile(readOnly), "[MainForm.Grid1]\nLinesCount=3\n");
    EXPECT_FALSE(QDir(Path("no")).exists());
    EXPECT_THROW(grid->Settings()->SaveLayoutToFile(readOnly), EDatabaseError);
    EXPECT_THROW(grid->Settings()->SaveLayoutToFile(missing), EDatabaseError);

    // Closing the data with an unwritable store: the data closes, the error
    // goes to the application's handler.
    TCaughtErrors errors;
    grid->Settings()->SetActive(true);
    grid->Columns()->SetState(csDefault);
    Table->Close();
    EXPECT_FALSE(Table->Active());
    EXPECT_EQ(errors.Messages.size(), 1);
}

TEST_F(GridSettings, ActiveSettingsLoadWhenTheDataOpensAndSaveWhenItCloses)
{
    const QString ini = Path("auto.ini");
    // Default columns: saved as the data closes, loaded as it opens again.
    TZDBGrid grid(&Form);
    grid.setObjectName("Grid1");
    grid.Settings()->SetIniFile(true);
    grid.Settings()->SetFileName(ini);
    grid.Settings()->SetActive(true);
    grid.SetDataSource(&Source);
    grid.Columns()->Items(1)->SetWidth(155);
    Table->Close();
    EXPECT_TRUE(QString::fromUtf8(ReadFile(ini)).contains("Column2=Customer,155,")) << ReadFile(ini).data();
    WriteFile(ini, "[MainForm.Grid1]\nColumns=2\nColumn2=Customer,144,1,1,1\n");
    Table->Open();
    EXPECT_EQ(grid.Columns()->Items(1)->GetWidth(), 144);

    // The user's choices alone: without "Save at Finish" only the two flag
    // lines of the stored section change.
    WriteFile(ini, "[MainForm.Grid1]\nAutoLoadLayout=1\nAutoSaveLayout=1\nColumns=0\nLinesCount=3\n");
    grid.Settings()->SetOptions(TZSettingsOptions(soUserSettings) | soLoadLayout | soLinesCount);
    grid.Settings()->AutoLoadLayout();
    EXPECT_EQ(grid.GetLinesCount(), 3);
    EXPECT_TRUE(grid.Settings()->GetOptions() & soSaveLayout);
    grid.Settings()->SwitchOptions(TZSettingsOptions(soLoadLayout) | soSaveLayout, false);
    grid.SetLinesCount(1);
    grid.Settings()->AutoSaveLayout();
    EXPECT_EQ(ReadFile(ini), "[MainForm.Grid1]\nAutoLoadLayout=0\nAutoSaveLayout=0\nColumns=0\nLinesCount=3\n");
    grid.Settings()->AutoLoadLayout();
    EXPECT_EQ(grid.GetLinesCount(), 1);

    // Customized columns are saved when the grid goes.
    {
        auto custom = MakeGrid(Path("end.ini"));
        custom->Settings()->SetActive(true);
        custom->Columns()->Items(0)->SetWidth(99);
    }
    EXPECT_TRUE(QString::fromUtf8(ReadFile(Path("end.ini"))).contains("Column1=Id,99,"));
}

TEST_F(GridSettings, SectionFollowsTheGridAndItsWindow)
{
    auto grid = MakeGrid(Path("names.ini"));
    TZDBGridSettings* settings = grid->Settings();
    EXPECT_EQ(settings->GetSection(), "MainForm.Grid1");
    settings->SetSection("MainForm.Grid1");
    EXPECT_FALSE(settings->IsSectionStored());
    settings->SetSection("Shared");
    settings->SaveLayout();
    EXPECT_TRUE(settings->LayoutExists());
    settings->SetSection(QString());
    EXPECT_FALSE(settings->LayoutExists());

    TZDBGrid alone;
    alone.setObjectName("Grid2");
    EXPECT_EQ(alone.Settings()->GetSection(), "Grid2");
    // A grid without a name reads and writes nothing.
    TZDBGrid unnamed;
    unnamed.Settings()->SetIniFile(true);
    unnamed.Settings()->SetFileName(Path("unnamed.ini"));
    unnamed.Settings()->SaveLayout();
    unnamed.Settings()->SetActive(true);
    unnamed.Settings()->AutoSaveLayout();
    EXPECT_FALSE(QFile::exists(Path("unnamed.ini")));
}

TEST_F(GridSettings, FiltersTheGridHasAreNotAppliedAgain)
{
    auto grid = MakeGrid(Path("grid.ini"));
    grid->FilterGrid()->SetAutoFilter(true);
    grid->FindColumn("Customer")->SetFilterText("Customer <> 'Customer 3'");
    ASSERT_EQ(Table->RecordCount(), 19);
    int updates = 0;
    grid->OnFilterUpdated = [&updates](TZCustomDBGrid*) { ++updates; };
    grid->Settings()->SaveLayout();
    grid->Settings()->LoadLayout();
    EXPECT_EQ(updates, 0);
    EXPECT_EQ(Table->RecordCount(), 19);

    // Other filters than the grid's are applied, once.
    grid->FilterGrid()->ClearAutoFilter(TFilterStyles{fsFilterList, fsFilterForm});
    ASSERT_EQ(Table->RecordCount(), 20);
    updates = 0;
    grid->Settings()->LoadLayout();
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(Table->RecordCount(), 19);
    EXPECT_EQ(grid->FindColumn("Customer")->GetFilterText(), "Customer <> 'Customer 3'");
}

TEST_F(GridSettings, ARelayoutBindsColumnsByTheirNames)
{
    // Loading a layout relays the grid out; a column keeps its binding only
    // while its name maps to that very field of the grid's dataset.
    auto grid = MakeGrid();
    auto other = MakeOrders(5);
    TZColumn* id = grid->Columns()->Items(0);
    id->SetField(other->FieldByName("Id"));
    grid->Columns()->Items(1)->SetFieldName("Amount");
    grid->Settings()->SetLayout(grid->Settings()->GetLayout());
    EXPECT_EQ(id->GetField(), Table->FieldByName("Id"));
    EXPECT_EQ(grid->Columns()->Items(1)->GetField(), Table->FieldByName("Amount"));
    EXPECT_EQ(grid->Columns()->Items(2)->GetField(), Table->FieldByName("Amount"));
}

TEST_F(GridSettings, ColumnLinesTakeTheFirstColumnOfTheirNameAfterTheLinesBefore)
{
    // Each line takes the first column of its name (any case) at or after its
    // place, as the columns stand after the lines before it: without a grid,
    // and on a grid alone (each move lays it out) or inside a layout bracket.
    // Repeated names, a name no column has, lines in random order.
    const QStringList pool{"Id", "Customer", "Amount", "Zip"};
    std::mt19937 random(20261207);
    for (int round = 0; round < 90; ++round) {
        const int count = 1 + int(random() % 10);
        QStringList model;
        for (int i = 0; i < count; ++i)
            model << pool[int(random() % 3)];
        auto grid = MakeGrid(QString(), model);
        TZDBGridColumns alone(nullptr);
        TZDBGridColumns* columns = round % 3 ? grid->Columns() : &alone;
        if (columns == &alone)
            for (const QString& name : model)
                alone.Add()->SetFieldName(random() % 2 ? name : name.toUpper());
        QList<int> widths; // the model's columns, by the width each starts with
        for (int i = 0; i < count; ++i) {
            columns->Items(i)->SetWidth(20 + i);
            widths << 20 + i;
        }
        QStringList lines{QStringLiteral("Columns=%1").arg(count)};
        for (int i = 1; i <= count; ++i)
            lines << QStringLiteral("Column%1=%2,,,,").arg(i).arg(pool[int(random() % pool.size())]);
        std::shuffle(lines.begin(), lines.end(), random);
        const TZNameValues values(lines);
        for (int i = 0; i < count; ++i) {
            const QString name = values.Value(QStringLiteral("Column%1").arg(i + 1))->section(',', 0, 0);
            if (const qsizetype j = model.indexOf(name, i); j >= 0) {
                model.move(j, i);
                widths.move(j, i);
            }
        }
        {
            std::optional<TZLayoutGuard> layout;
            if (round % 3 == 2)
                layout.emplace(grid.get());
            columns->SetSettings(lines);
        }
        QList<int> applied;
        for (TZColumn* column : *columns)
            applied << column->TrueWidth();
        ASSERT_EQ(applied, widths) << round << ": " << lines.join(' ').toStdString();
    }
}

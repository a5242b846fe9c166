// Filter lists and the filter form: the items collected from a column (order,
// collapsing, "(Empty)", checked-first) on the in-memory table, SQLite and
// PostgreSQL, the same whether the server or a walk collects them; ticked
// values filtering exactly what an SQL WHERE selects; the shown list and form
// driven by real events.

#include "AppExceptions.h"
#include "TestDb.h"
#include "ZDBDataList.h"
#include "ZDBFilterUI.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace zdb;
using namespace zdb::test;

namespace {

void AddRow(TDataSet& Data, const QVariantList& Values)
{
    Data.Append();
    for (qsizetype i = 0; i < Values.size(); ++i)
        Data.Fields()[int(i)]->SetValue(Values[i]);
    Data.Post();
}

// The display texts (or the key texts) of items, in order.
QStringList Parts(const QStringList& Items, bool KeyTexts)
{
    QStringList parts;
    for (const QString& item : Items) {
        QString display, key;
        SplitFilterItem(item, display, key);
        parts << (KeyTexts ? key : display);
    }
    return parts;
}
QStringList Displays(const QStringList& Items) { return Parts(Items, false); }
QStringList Keys(const QStringList& Items) { return Parts(Items, true); }

// Texts that must survive the list, the filter and the settings text unchanged.
QList<QVariant> HardValues()
{
    return {QStringLiteral("O'Neil"), QStringLiteral("say \"hi\""), QStringLiteral("a,b"), QStringLiteral("a\x1A" "b"),
            QStringLiteral("c\x1B" "d"), QString(), QVariant(), QString(10000, QLatin1Char('x')),
            QStringLiteral("Mixed"), QStringLiteral("mixed"), QStringLiteral("zeta"), QStringLiteral("Alpha")};
}

// A grid whose title buttons a test can find.
class TButtonGrid : public TZDBGrid
{
public:
    // Clicks the auto-filter button in Column's title.
    void ClickFilterButton(TZColumn* Column)
    {
        TZColumn* master = nullptr;
        const QRect title = CalcTitleRect(Column, 0, master);
        const QRect button = AutoFilterButtonRect(Column, TitleCaptionRect(Column, 0, title));
        ASSERT_FALSE(button.isEmpty());
        QTest::mouseClick(viewport(), Qt::LeftButton, {}, button.center());
        QApplication::processEvents();
    }
};

// A grid shown over a dataset, with its auto-filter on.
struct TShownGrid
{
    explicit TShownGrid(TDataSet* DataSet)
    {
        Source.SetDataSet(DataSet);
        Grid = std::make_unique<TButtonGrid>();
        Grid->SetDataSource(&Source);
        Grid->FilterGrid()->SetAutoFilter(true);
        Grid->resize(500, 300);
        Grid->show();
        QApplication::processEvents();
    }
    ~TShownGrid()
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
    }
    TDataSource Source;
    std::unique_ptr<TButtonGrid> Grid;
};

QStringList Collect(TZColumn* Column, bool Server, bool CheckedFirst = false, bool LoadAll = false)
{
    TZDBFilterData data;
    TZFilterItemsOptions options;
    options.ServerValues = Server;
    options.CheckedFirst = CheckedFirst;
    options.LoadAllItems = LoadAll;
    const QStringList chosen = Column->GetFilterList();
    options.IsChosen = [&](const QString& Key) { return chosen.contains(Key, Qt::CaseInsensitive); };
    EXPECT_TRUE(LoadFilterItems(Column, &data, options));
    return data.List();
}

// ---- Items from the in-memory table ------------------------------------------------------

TEST(FilterItems, OrderCollapsingEmptyAndCheckedFirst)
{
    TZMemDataSet table;
    table.FieldDefs().Add("Id", ftInteger);
    table.FieldDefs().Add("Name", ftWideString, 20);
    table.FieldDefs().Add("N", ftInteger);
    table.FieldDefs().Add("X", ftFloat);
    table.CreateDataSet();
    const QList<QVariant> names{"b", "a", "a", "", QVariant(), "B"};
    const QList<QVariant> numbers{10, -1, 2, 2, QVariant(), 10};
    const QList<QVariant> floats{2.5, -10.0, -1.5, 0.0, 100.0, -0.25};
    for (int i = 0; i < names.size(); ++i)
        AddRow(table, {i + 1, names[i], numbers[i], floats[i]});
    table.First();
    TShownGrid shown(&table);
    TZColumn* name = shown.Grid->FindColumn("Name");
    // Equal texts, ignoring case, collapse; empty and null are one "(Empty)".
    QStringList items = Collect(name, false);
    EXPECT_EQ(Displays(items), QStringList({"(Empty)", "a", "B"}));
    EXPECT_EQ(Keys(items), QStringList({"", "a", "B"}));

    // Numbers sort by value, not by text; the order keys are offset hexadecimal.
    items = Collect(shown.Grid->FindColumn("N"), false);
    EXPECT_EQ(Displays(items), QStringList({"(Empty)", "-1", "2", "10"}));
    EXPECT_EQ(GetFilterOrder(-1, ftInteger), "7FFFFFFF");
    EXPECT_EQ(GetFilterOrder(10, ftInteger), "8000000A");
    EXPECT_EQ(GetFilterOrder(qint64(-1), ftLargeint), "7FFFFFFFFFFFFFFF");
    items = Collect(shown.Grid->FindColumn("X"), false);
    EXPECT_EQ(Keys(items), QStringList({"-10", "-1.5", "-0.25", "0", "2.5", "100"}));

    // The grid shows the ticked records only, and so the list holds only those, unless
    // all items are loaded; checked first, the ticked values lead.
    name->SetFilterList({"b", ""});
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(Displays(Collect(name, false)), QStringList({"(Empty)", "B"}));
    EXPECT_EQ(Displays(Collect(name, false, true, true)), QStringList({"(Empty)", "B", "a"}));
    EXPECT_EQ(table.RecordCount(), 4);
    name->SetFilterList({});
}

TEST(FilterItems, MarksInValuesRoundTrip)
{
    for (const QVariant& value : HardValues()) {
        const QString text = value.toString();
        for (const QString& order : {QString(), QStringLiteral("80000001")}) {
            QString display, key;
            SplitFilterItem(MakeFilterItem(order, text, text, true), display, key);
            EXPECT_EQ(key, text);
            EXPECT_FALSE(display.contains(FilterOrderMark) || display.contains(FilterKeyMark));
        }
    }
}

// The items' own ordering: as Qt compares ignoring case (then exactly), whatever the texts
// hold; the item layout and the order keys of fractions exactly as documented.
TEST(FilterItems, SortingLayoutAndFloatOrder)
{
    // Order keys, letters folded by Qt (sharp s, dotted I, final sigma), the ASCII signs
    // between upper and lower case, supplementary letters and lone surrogates, and texts
    // that agree in their first nine units.
    QStringList texts{"8000000A\x1A 10", "8000000a\x1A 10", "80000009\x1A 9", "800000\u00C40", "800000\u00E40",
                      "Stra\u00DFe", "STRASSE", "strasse", "\u00C4rger", "\u00E4rger", "Zebra", "zebra", "a", "A",
                      "", "ab", "[x", "_x", "Ax", "\U00010400z", "\U00010428a", "\U00010428z", "\uFFFF",
                      "\u0130", "i", "\u03A3x", "\u03C3x", "\u03C2x", "123456789a", "123456789B", "12345678",
                      "123456789"};
    texts << QStringLiteral("a") + QChar(0) << QString(QChar(0xD801)) << QString(QChar(0xDC00))
          << QString(QChar(0xD801)) + QChar(0xDC00) + QChar(0xDC00);
    QStringList expected = texts;
    std::sort(expected.begin(), expected.end(), [](const QString& A, const QString& B) {
        const int c = A.compare(B, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : A < B;
    });
    expected.erase(std::unique(expected.begin(), expected.end(),
                               [](const QString& A, const QString& B) { return A.compare(B, Qt::CaseInsensitive) == 0; }),
                   expected.end());
    EXPECT_EQ(SortFilterItems(texts), expected);
    std::reverse(texts.begin(), texts.end());
    EXPECT_EQ(SortFilterItems(texts), expected);

    EXPECT_EQ(MakeFilterItem("8000000A", "Ten", "10", true), QStringLiteral("08000000A\x1A Ten\x1B 10"));
    EXPECT_EQ(MakeFilterItem("", "a\x1A" "b", "a\x1A" "b", std::nullopt), QStringLiteral("a\u241A" "b\x1B a\x1A" "b"));
    EXPECT_EQ(MakeFilterItem("", "x", "x", false), QStringLiteral("1\x1A x"));
    EXPECT_EQ(MakeFilterItem("", "x", "x", std::nullopt), QStringLiteral("x"));

    // Fractions: "+" and "%31.15f" of the value; negative ones complemented after a blank.
    for (const double value : {0.0, 2.5, 1.0 / 3, 1e17, 123456789012345.678})
        EXPECT_EQ(GetFilterOrder(value, ftFloat), "+" + QString::asprintf("%31.15f", value));
    EXPECT_EQ(GetFilterOrder(-1e-20, ftFloat), "+" + QString::asprintf("%31.15f", 0.0));
    EXPECT_EQ(GetFilterOrder(-2.5, ftFloat), " " + QString(14, QLatin1Char(':')) + "7.499999999999999");
    QStringList orders;
    for (const double value : {-1e17, -2.5, -0.25, 0.0, 1.0 / 3, 2.5, 100.0})
        orders << GetFilterOrder(value, ftFloat);
    EXPECT_TRUE(std::is_sorted(orders.begin(), orders.end()));
}

// ---- The servers: the same items as a walk, and ticks as an SQL WHERE -----------------------

class FilterItemsSql : public BackendTest
{
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE v (id INTEGER PRIMARY KEY, name TEXT, n INTEGER, d DATE)"));
        QSqlQuery insert(Db());
        ASSERT_TRUE(insert.prepare("INSERT INTO v VALUES (?, ?, ?, ?)"));
        const QList<QVariant> names = HardValues();
        for (int i = 0; i < 300; ++i) {
            const QVariant name = names[i % names.size()];
            insert.addBindValue(i + 1);
            insert.addBindValue(name.isNull() ? QVariant(QMetaType(QMetaType::QString)) : name);
            insert.addBindValue(i % 7 == 0 ? QVariant(QMetaType(QMetaType::Int)) : QVariant(i % 13 - 6));
            insert.addBindValue(QDate(2024, 1, 1).addDays(i % 5));
            ASSERT_TRUE(insert.exec()) << insert.lastError().text().toStdString();
        }
        Query = std::make_unique<TZSQLQuery>();
        Query->SetConnection(Db());
        Query->SetSQLText("SELECT id, name, n, d FROM v ORDER BY id");
        Query->Open();
        Memory = std::make_unique<TZMemDataSet>();
        Memory->FieldDefs().Add("id", ftInteger);
        Memory->FieldDefs().Add("name", ftWideString, 10000);
        Memory->FieldDefs().Add("n", ftInteger);
        Memory->FieldDefs().Add("d", ftDate);
        Memory->CreateDataSet();
        for (Query->First(); !Query->Eof(); Query->Next())
            AddRow(*Memory, {Query->Fields()[0]->GetValue(), Query->Fields()[1]->GetValue(),
                                  Query->Fields()[2]->GetValue(), Query->Fields()[3]->GetValue()});
        Memory->First();
        Query->Close();
        Query->Open();
        SqlGrid = std::make_unique<TShownGrid>(Query.get());
        MemGrid = std::make_unique<TShownGrid>(Memory.get());
    }
    void TearDown() override
    {
        SqlGrid.reset();
        MemGrid.reset();
        Query.reset();
        Memory.reset();
    }
    // The ids an SQL WHERE selects for the ticked names (compared ignoring case as
    // the grid's value lists are; the empty key stands for empty and null).
    std::vector<int> SqlIds(const QStringList& Names)
    {
        QStringList marks;
        for (qsizetype i = 0; i < Names.size(); ++i)
            marks << "?";
        QSqlQuery select(Db());
        EXPECT_TRUE(select.prepare(QStringLiteral("SELECT id FROM v WHERE lower(COALESCE(name, '')) IN (%1) ORDER BY id")
                                       .arg(marks.join(','))));
        for (const QString& name : Names)
            select.addBindValue(name.toLower());
        EXPECT_TRUE(select.exec()) << select.lastError().text().toStdString();
        std::vector<int> ids;
        while (select.next())
            ids.push_back(select.value(0).toInt());
        return ids;
    }
public:
    static std::vector<int> Ids(TDataSet& Data)
    {
        std::vector<int> ids;
        for (Data.First(); !Data.Eof(); Data.Next())
            ids.push_back(Data.FieldByName("id")->AsInteger());
        return ids;
    }

    std::unique_ptr<TZSQLQuery> Query;
    std::unique_ptr<TZMemDataSet> Memory;
    std::unique_ptr<TShownGrid> SqlGrid;
    std::unique_ptr<TShownGrid> MemGrid;
};

TEST_P(FilterItemsSql, ServerWalkAndMemoryGiveTheSameItems)
{
    const QStringList fields{"name", "n", "d"};
    QList<QStringList> server;
    for (const QString& field : fields)
        server << Collect(SqlGrid->Grid->FindColumn(field), true);
    // The server answered: the cursor read no more than its first packet.
    EXPECT_LE(Query->FetchedRecordCount(), 100);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(server[i], Collect(SqlGrid->Grid->FindColumn(fields[i]), false)) << fields[i].toStdString();
        const QStringList memory = Collect(MemGrid->Grid->FindColumn(fields[i]), false);
        EXPECT_EQ(Displays(server[i]), Displays(memory)) << fields[i].toStdString();
        EXPECT_EQ(Keys(server[i]), Keys(memory)) << fields[i].toStdString();
    }
    EXPECT_EQ(Displays(server[0]).first(), "(Empty)");
    EXPECT_TRUE(Keys(server[0]).contains(QString(10000, QLatin1Char('x'))));
    EXPECT_TRUE(Keys(server[0]).contains(QStringLiteral("a\x1A" "b")));
    EXPECT_EQ(Displays(server[1]).mid(0, 3), QStringList({"(Empty)", "-6", "-5"}));

    // With another column filtering, the items are those of the records shown.
    SqlGrid->Grid->FindColumn("n")->SetFilterList({"3", "-6"});
    MemGrid->Grid->FindColumn("n")->SetFilterList({"3", "-6"});
    const QStringList filtered = Collect(SqlGrid->Grid->FindColumn("name"), true);
    EXPECT_EQ(filtered, Collect(SqlGrid->Grid->FindColumn("name"), false));
    EXPECT_EQ(Keys(filtered), Keys(Collect(MemGrid->Grid->FindColumn("name"), false)));
}

TEST_P(FilterItemsSql, TickedItemsSelectWhatSqlSelectsAndSurviveTheSettings)
{
    TZColumn* column = SqlGrid->Grid->FindColumn("name");
    const QStringList keys = Keys(Collect(column, true));
    ASSERT_GE(keys.size(), 9);
    for (const QStringList& ticked : {QStringList{keys[0]}, QStringList{keys[1], keys[2], keys[5]}, keys.mid(3)}) {
        column->SetFilterList(ticked);
        MemGrid->Grid->FindColumn("name")->SetFilterList(ticked);
        EXPECT_EQ(Ids(*Query), SqlIds(ticked));
        EXPECT_EQ(Ids(*Memory), SqlIds(ticked));
        // Through the settings text into another grid, the same keys exactly.
        const QStringList settings = SqlGrid->Grid->FilterGrid()->GetSettings();
        TZMemDataSet spare;
        spare.FieldDefs().Add("name", ftWideString, 10);
        spare.CreateDataSet();
        TShownGrid other(&spare);
        other.Grid->FilterGrid()->SetSettings(settings);
        EXPECT_EQ(other.Grid->FindColumn("name")->GetFilterList(), column->GetFilterList());
    }
    column->SetFilterList({});
    EXPECT_EQ(Ids(*Query).size(), 300u);
}

INSTANTIATE_TEST_SUITE_P(Databases, FilterItemsSql, AllBackends(), BackendName);

// ---- The shown list ------------------------------------------------------------------------

// The open filter list of Grid (closed ones go from the event loop).
TZDBGridFilterList* OpenList(TZDBGrid* Grid)
{
    for (TZDBGridFilterList* list : Grid->findChildren<TZDBGridFilterList*>())
        if (list->ListVisible())
            return list;
    return nullptr;
}

// Presses on the popup's data row Row (0-based).
void ClickListRow(TZDBPopupFilterList* Popup, int Row)
{
    const QRect cell = Popup->CellRect(Popup->DataToRawColumn(Popup->ValueColumn()->Index()), Popup->FirstDataRow() + Row);
    QTest::mouseClick(Popup->viewport(), Qt::LeftButton, {}, cell.center());
    QApplication::processEvents();
}

class ShownFilterList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Table.FieldDefs().Add("Id", ftInteger);
        Table.FieldDefs().Add("Name", ftWideString, 20);
        Table.CreateDataSet();
        const QStringList names{"pear", "apple", "fig", "apple", "plum", "fig"};
        for (int i = 0; i < names.size(); ++i)
            AddRow(Table, {i + 1, names[i]});
        Table.First();
        Shown = std::make_unique<TShownGrid>(&Table);
        Shown->Grid->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(Shown->Grid.get()));
        Shown->Grid->setFocus();
        QApplication::processEvents();
        Shown->Grid->SetSelectedIndex(Shown->Grid->FindColumn("Name")->Index());
    }
    void TearDown() override { Shown.reset(); }

    TZDBGridFilterList* List() const { return OpenList(Shown->Grid.get()); }
    TZDBPopupFilterList* Popup() const { return List() ? List()->FilterPopup() : nullptr; }
    void ClickRow(int Row) { ClickListRow(Popup(), Row); }
    // Presses the title of Column, or its header band Line.
    void ClickTitle(TZColumn* Column, int Line = -1)
    {
        TZDBPopupFilterList* popup = Popup();
        const QRect cell = popup->CellRect(popup->DataToRawColumn(Column->Index()), 0);
        const int y = Line >= 0 ? cell.top() + 3 + Line * popup->HeaderRowHeight() : cell.bottom() - 3;
        QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, QPoint(cell.center().x(), y));
        QApplication::processEvents();
    }
    int Records() { return Table.RecordCount(); }

    TZMemDataSet Table;
    std::unique_ptr<TShownGrid> Shown;
};

TEST_F(ShownFilterList, TicksApplyAtOnceAndCommandsAndKeysWork)
{
    // F4 waits for the grid's filter to be installed; the title's button opens the first list.
    QTest::keyClick(Shown->Grid.get(), Qt::Key_F4);
    EXPECT_FALSE(Popup());
    Shown->Grid->ClickFilterButton(Shown->Grid->FindColumn("Name"));
    ASSERT_TRUE(Popup());
    ASSERT_TRUE(List()->ListVisible());
    EXPECT_EQ(Popup()->FilterData()->RecordCount(), 4);
    EXPECT_FALSE(Popup()->OKButton()->isVisible());
    ClickRow(0); // apple
    EXPECT_EQ(Shown->Grid->FindColumn("Name")->GetFilterList(), QStringList({"apple"}));
    EXPECT_EQ(Records(), 2);
    // Space ticks the current row too (the click left it on "apple"); the popup has the keys.
    QTest::keyClick(Popup(), Qt::Key_Down);
    QTest::keyClick(Popup(), Qt::Key_Space);
    ASSERT_TRUE(Popup());
    EXPECT_EQ(Shown->Grid->FindColumn("Name")->GetFilterList().join(';').toStdString(), "apple;fig");
    EXPECT_EQ(Records(), 4);
    EXPECT_EQ(Popup()->ValueColumn()->Title()->GetCaption(), SClearAllCaption);
    // The value column's title clears every tick.
    ClickTitle(Popup()->ValueColumn());
    EXPECT_TRUE(Shown->Grid->FindColumn("Name")->GetFilterList().isEmpty());
    EXPECT_EQ(Records(), 6);
    ASSERT_TRUE(Popup());
    QTest::keyClick(Popup(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(List() && List()->ListVisible());
}

TEST_F(ShownFilterList, WithoutAutoApplyOnlyOkApplies)
{
    Shown->Grid->FilterGrid()->SwitchOptions(TZDBGridFilterOptions{foAutoApplyList}, false);
    Shown->Grid->FindColumn("Name")->SetWidth(40);
    Shown->Grid->ClickFilterButton(Shown->Grid->FindColumn("Name"));
    ASSERT_TRUE(Popup());
    ASSERT_TRUE(Popup()->OKButton()->isVisible());
    // However narrow the column, the list is as wide as designed and OK and Cancel fit.
    EXPECT_GE(Popup()->width(), 183);
    EXPECT_GE(Popup()->CancelButton()->geometry().left(), Popup()->OKButton()->geometry().right());
    EXPECT_LE(Popup()->CancelButton()->geometry().right(), Popup()->width());
    ClickRow(1); // fig
    EXPECT_TRUE(Shown->Grid->FindColumn("Name")->GetFilterList().isEmpty());
    QTest::mouseClick(Popup()->CancelButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(List());
    EXPECT_TRUE(Shown->Grid->FindColumn("Name")->GetFilterList().isEmpty());
    EXPECT_EQ(Records(), 6);

    Shown->Grid->ClickFilterButton(Shown->Grid->FindColumn("Name"));
    ASSERT_TRUE(Popup());
    ClickRow(1);
    ClickRow(3); // plum
    QTest::mouseClick(Popup()->OKButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(Shown->Grid->FindColumn("Name")->GetFilterList(), QStringList({"fig", "plum"}));
    EXPECT_EQ(Records(), 3);
    // Opened again (F4 now that the filter is installed), the list holds what is shown, ticked.
    QTest::keyClick(Shown->Grid.get(), Qt::Key_F4);
    ASSERT_TRUE(Popup());
    EXPECT_EQ(Popup()->FilterData()->CheckedCount(), 2);
    EXPECT_EQ(Popup()->FilterData()->RecordCount(), 2);
    QTest::keyClick(Shown->Grid.get(), Qt::Key_Escape);
}

TEST_F(ShownFilterList, RemoveFilterCommandClearsTheExpression)
{
    TZColumn* name = Shown->Grid->FindColumn("Name");
    name->SetFilterText("Name <> 'pear'");
    EXPECT_EQ(Records(), 5);
    QTest::keyClick(Shown->Grid.get(), Qt::Key_F4);
    ASSERT_TRUE(Popup());
    EXPECT_TRUE(Popup()->GetRemoveFilter());
    EXPECT_TRUE(Popup()->GetSelectFilter());
    // "Remove filter" is the first title line, over both columns.
    ClickTitle(Popup()->ValueColumn(), 0);
    EXPECT_TRUE(name->GetFilterText().isEmpty());
    EXPECT_EQ(Records(), 6);
    ASSERT_TRUE(Popup());
    EXPECT_FALSE(Popup()->GetRemoveFilter());
    EXPECT_EQ(Popup()->FilterData()->RecordCount(), 4);
    QTest::keyClick(Shown->Grid.get(), Qt::Key_Escape);
}

TEST_F(ShownFilterList, F4AndShiftF4OpenWhileTheGridsFilterIsInstalled)
{
    TZDBGrid* grid = Shown->Grid.get();
    QTest::keyClick(grid, Qt::Key_F4);
    EXPECT_FALSE(Popup());
    // The search's row filter installs the grid's filter: the keys reach the column filters.
    TZDBGridSearch* search = grid->Search();
    search->SetActive(true);
    search->SetOptions(search->GetOptions() | soFilterRows);
    search->SetText("p");
    ASSERT_TRUE(grid->FilterGrid()->GetActive());
    QTest::keyClick(grid, Qt::Key_F4);
    ASSERT_TRUE(Popup());
    QTest::keyClick(Popup(), Qt::Key_Escape);
    QApplication::processEvents();
    bool formShown = false;
    QTimer::singleShot(0, [&] {
        if (auto* form = qobject_cast<TZDBGridFilterForm*>(QApplication::activeModalWidget())) {
            formShown = true;
            form->reject();
        }
    });
    QTest::keyClick(grid, Qt::Key_F4, Qt::ShiftModifier);
    EXPECT_TRUE(formShown);
    EXPECT_FALSE(Popup());
    search->SetText(QString());
    EXPECT_FALSE(grid->FilterGrid()->GetActive());
    QTest::keyClick(grid, Qt::Key_F4);
    EXPECT_FALSE(Popup());
}

TEST(PickListItems, LoadedFromTheDataSetAndFollowingIt)
{
    TZMemDataSet table;
    table.FieldDefs().Add("Name", ftWideString, 20);
    table.CreateDataSet();
    for (const char* name : {"pear", "Apple", "", "fig", "apple"})
        AddRow(table, {name});
    table.First();
    TDataSource source;
    source.SetDataSet(&table);
    TZDBGrid grid;
    TZColumn* column = grid.Columns()->Add();
    column->SetFieldName("Name");
    column->SetPickList({"kiwi"});
    column->SetPickOptions(TZPickOptions{poAutoLoadList});
    int updates = 0;
    grid.OnListItemsUpdated = [&updates](TZCustomDBGrid*) { ++updates; };
    grid.SetDataSource(&source);
    grid.show();
    QTRY_COMPARE(updates, 1);
    EXPECT_EQ(column->GetPickList(), QStringList({"Apple", "fig", "pear"}));
    // A posted change loads the list again (after the delay); appending keeps what was there.
    column->SetPickOptions(TZPickOptions{poAutoLoadList, poAppendToList});
    table.Edit();
    table.FieldByName("Name")->SetValue("Banana");
    table.Post();
    QTRY_VERIFY(column->GetPickList().contains("Banana"));
    EXPECT_EQ(column->GetPickList(), QStringList({"Apple", "Banana", "fig", "pear"}));
    grid.SetDataSource(nullptr);
}

TEST(FilterListLarge, HundredThousandValuesOpenWithoutWidgetsPerItem)
{
    TZMemDataSet table;
    table.FieldDefs().Add("Id", ftInteger);
    table.CreateDataSet();
    table.DisableControls();
    for (int i = 0; i < 100000; ++i)
        AddRow(table, {i});
    table.EnableControls();
    table.First();
    TShownGrid shown(&table);
    TZColumn* column = shown.Grid->FindColumn("Id");
    shown.Grid->SetSelectedIndex(column->Index());
    // How fast is bench_filter's business; here: no widget per value, rows read on demand.
    shown.Grid->ClickFilterButton(column);
    auto* list = shown.Grid->findChild<TZDBGridFilterList*>();
    ASSERT_TRUE(list && list->ListVisible());
    TZDBPopupFilterList* popup = list->FilterPopup();
    EXPECT_EQ(popup->FilterData()->RecordCount(), 100000);
    EXPECT_LT(popup->findChildren<QWidget*>().size(), 20);
    QTest::keyClick(popup, Qt::Key_End);
    EXPECT_EQ(popup->FilterData()->FieldByName("Item")->AsString(), "99999");
    QTest::keyClick(popup, Qt::Key_Escape);
}

TEST(FilterListLarge, EscapeDuringTheProgressCancelsCollecting)
{
    TZMemDataSet table;
    table.FieldDefs().Add("Id", ftInteger);
    table.CreateDataSet();
    constexpr int Count = 40000;
    table.DisableControls();
    for (int i = 0; i < Count; ++i)
        AddRow(table, {i});
    table.EnableControls();
    table.First();
    TShownGrid shown(&table);
    // A slow display text: the walk takes seconds.
    int texts = 0;
    table.FieldByName("Id")->OnGetText = [&texts](TField* Sender, QString& Text, bool) {
        ++texts;
        QThread::usleep(100);
        Text = Sender->AsString();
    };
    bool seen = false;
    QTimer escape;
    QObject::connect(&escape, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(widget); progress && progress->isVisible()) {
                seen = true;
                QTest::keyClick(progress, Qt::Key_Escape);
            }
    });
    escape.start(20);
    TZDBFilterData data;
    EXPECT_FALSE(LoadFilterItems(shown.Grid->FindColumn("Id"), &data, TZFilterItemsOptions{}));
    escape.stop();
    EXPECT_TRUE(seen) << "a progress was shown";
    EXPECT_LT(texts, Count) << "the walk stopped";
    EXPECT_TRUE(data.List().isEmpty());
    table.FieldByName("Id")->OnGetText = nullptr;
}

// ---- The form -------------------------------------------------------------------------------

class FilterForm : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Table.FieldDefs().Add("Id", ftInteger);
        Table.FieldDefs().Add("Name", ftWideString, 20);
        Table.FieldDefs().Add("Day", ftDateTime);
        Table.FieldDefs().Add("Ok", ftBoolean);
        Table.CreateDataSet();
        const QStringList names{"pear", "apple", "fig", "Apple pie", "plum", "fig"};
        for (int i = 0; i < names.size(); ++i)
            AddRow(Table, {i + 1, names[i], QDateTime(QDate::currentDate().addDays(i - 2), QTime(12, 0)), i % 2 == 0});
        Table.First();
        Shown = std::make_unique<TShownGrid>(&Table);
    }
    void TearDown() override { Shown.reset(); }

    // Runs the form of Column; Work drives it while it is shown.
    void RunForm(const char* Column, const std::function<void(TZDBGridFilterForm&)>& Work)
    {
        TZDBGridFilterForm form(Shown->Grid.get(), Shown->Grid->FindColumn(Column));
        form.OnError = [this](const QString& Message) { Errors << Message; };
        QTimer::singleShot(0, &form, [&] {
            Work(form);
            if (form.isVisible())
                form.reject();
        });
        form.exec();
    }
public:
    // Chooses Clause in a clause list by its drop-down: opened by its button, moved to the
    // clause's row with the arrow keys, taken with Return.
    static void Choose(TZFilterListEditor* List, int Clause)
    {
        const QStringList keys = List->GetPickList();
        const qsizetype to = keys.indexOf(QString::number(Clause));
        ASSERT_GE(to, 0);
        const qsizetype from = std::max<qsizetype>(0, keys.indexOf(List->Value()));
        List->setFocus();
        QTest::mouseClick(List, Qt::LeftButton, {}, List->ButtonRect().center());
        ASSERT_TRUE(List->ListVisible());
        for (qsizetype i = from; i != to; i += to > from ? 1 : -1)
            QTest::keyClick(List, to > from ? Qt::Key_Down : Qt::Key_Up);
        QTest::keyClick(List, Qt::Key_Return);
        QApplication::processEvents();
        ASSERT_FALSE(List->ListVisible());
        ASSERT_EQ(List->Value(), QString::number(Clause));
    }
    static void Type(TZFilterListEditor* Values, const QString& Text)
    {
        Values->setFocus();
        Values->selectAll();
        QTest::keyClicks(Values, Text);
    }

protected:

    TZMemDataSet Table;
    std::unique_ptr<TShownGrid> Shown;
    QStringList Errors;
};

TEST_F(FilterForm, ClausesConnectorReverseAndReopening)
{
    RunForm("Name", [](TZDBGridFilterForm& Form) {
        // A string field offers every clause; the second entry is preselected.
        EXPECT_EQ(Form.OfferedClauses().size(), 17);
        EXPECT_EQ(Form.ClauseList1->Value(), "1");
        Type(Form.ValuesList1, "ple");
        Choose(Form.ClauseList2, fcIsEqual);
        Type(Form.ValuesList2, "fig");
        QTest::mouseClick(Form.RadioButton2, Qt::LeftButton);
        QTest::mouseClick(Form.NOTCheckBox, Qt::LeftButton);
        QTest::mouseClick(Form.OKButton, Qt::LeftButton);
    });
    TZColumn* name = Shown->Grid->FindColumn("Name");
    EXPECT_EQ(name->GetFilterText(), "NOT (Name LIKE '%ple%' OR Name = 'fig')");
    EXPECT_EQ(Table.RecordCount(), 2);
    // Reopened, the form is as it was left; emptying the clauses removes the filter.
    RunForm("Name", [](TZDBGridFilterForm& Form) {
        EXPECT_EQ(Form.ValuesList1->text(), "ple");
        EXPECT_EQ(Form.ClauseList2->Value(), "7");
        EXPECT_TRUE(Form.RadioButton2->isChecked());
        EXPECT_TRUE(Form.NOTCheckBox->isChecked());
        Choose(Form.ClauseList1, fcNoFilter);
        Choose(Form.ClauseList2, fcIsOnTheList);
        Type(Form.ValuesList2, "pear, plum");
        QTest::mouseClick(Form.NOTCheckBox, Qt::LeftButton);
        QTest::mouseClick(Form.OKButton, Qt::LeftButton);
    });
    EXPECT_EQ(name->GetFilterText(), "Name IN ('pear','plum')");
    EXPECT_EQ(Table.RecordCount(), 2);
    // A value that cannot stay a literal is refused; the form keeps what was typed.
    RunForm("Name", [this](TZDBGridFilterForm& Form) {
        Choose(Form.ClauseList1, fcContains);
        Type(Form.ValuesList1, "O'Ne");
        QTest::mouseClick(Form.OKButton, Qt::LeftButton);
        EXPECT_TRUE(Form.isVisible());
        EXPECT_EQ(Form.ValuesList1->text(), "O'Ne");
        ASSERT_EQ(Errors.size(), 1);
        EXPECT_TRUE(Errors.first().startsWith("Invalid filter expression:"));
    });
    EXPECT_EQ(name->GetFilterText(), "Name IN ('pear','plum')");
}

TEST_F(FilterForm, TypesOfferTheirClausesAndPeriodsFillTheClauses)
{
    RunForm("Ok", [](TZDBGridFilterForm& Form) {
        EXPECT_EQ(Form.OfferedClauses(), QList<int>({0, 7, 8, 15, 16}));
        EXPECT_FALSE(Form.PeriodList->isVisible());
    });
    RunForm("Day", [](TZDBGridFilterForm& Form) {
        ASSERT_TRUE(Form.PeriodList->isVisible());
        EXPECT_EQ(Form.PeriodKey(), "0");
        EXPECT_EQ(Form.PeriodList->text(), SFilterPeriod0);
        // The period list drops down a tree of the periods; "Today" (33) is under "Day".
        Form.PeriodList->setFocus();
        QTest::mouseClick(Form.PeriodList, Qt::LeftButton, {}, Form.PeriodList->ButtonRect().center());
        auto* list = qobject_cast<TZDBGridDataList*>(Form.PeriodList->ActiveList());
        ASSERT_TRUE(list && list->ListVisible());
        TZDBPopupDataList* popup = list->DataPopup();
        ASSERT_TRUE(popup->TreeView()->GetActive());
        popup->TreeView()->ShowRecord(33, false);
        EXPECT_EQ(popup->TreeView()->GetLevel(), 1);
        QTest::keyClick(Form.PeriodList, Qt::Key_Return);
        QApplication::processEvents();
        ASSERT_FALSE(Form.PeriodList->ListVisible());
        EXPECT_EQ(Form.PeriodKey(), "33");
        EXPECT_EQ(Form.PeriodList->text(), SFilterPeriod33);
        // "Today": from today's start up to tomorrow's.
        EXPECT_EQ(Form.ClauseList1->Value(), QString::number(fcIsGreaterThenOrEqual));
        EXPECT_EQ(Form.ClauseList2->Value(), QString::number(fcIsLessThen));
        // Editing a value sets the period back to "Select period".
        Type(Form.ValuesList2, "2000-01-01");
        EXPECT_EQ(Form.PeriodKey(), "0");
        Form.SetPeriodKey("33");
        QTest::mouseClick(Form.OKButton, Qt::LeftButton);
    });
    EXPECT_EQ(Table.RecordCount(), 1);
    EXPECT_EQ(Table.FieldByName("Id")->AsInteger(), 3);
    // Reopened, the period shows as it was chosen.
    RunForm("Day", [](TZDBGridFilterForm& Form) {
        EXPECT_EQ(Form.PeriodKey(), "33");
        EXPECT_EQ(Form.PeriodList->text(), SFilterPeriod33);
    });
}

TEST_F(FilterForm, ListClausesTickSeveralValuesInACheckList)
{
    TZColumn* name = Shown->Grid->FindColumn("Name");
    RunForm("Name", [](TZDBGridFilterForm& Form) {
        TZFilterValueEditor* values = Form.ValuesList1;
        EXPECT_FALSE(values->GetMultiSelectList());
        Choose(Form.ClauseList1, fcIsOnTheList);
        ASSERT_TRUE(values->GetMultiSelectList());
        // What was typed comes up ticked; apple and fig are ticked besides.
        Type(values, "pear");
        QTest::mouseClick(values, Qt::LeftButton, {}, values->ButtonRect().center());
        auto* list = qobject_cast<TZDBGridDataList*>(values->ActiveList());
        ASSERT_TRUE(list && list->ListVisible());
        TZDBPopupDataList* popup = list->DataPopup();
        ASSERT_TRUE(popup->GetMultiSelectList());
        EXPECT_EQ(popup->SelectedRows()->Count(), 1);
        // Rows: apple, Apple pie, fig, pear, plum.
        for (const Qt::Key key : {Qt::Key_Home, Qt::Key_Space, Qt::Key_Down, Qt::Key_Down, Qt::Key_Space})
            QTest::keyClick(values, key);
        QTest::keyClick(values, Qt::Key_Return);
        QApplication::processEvents();
        ASSERT_FALSE(values->ListVisible());
        EXPECT_EQ(values->text(), "apple,fig,pear");
        QTest::mouseClick(Form.OKButton, Qt::LeftButton);
    });
    EXPECT_EQ(name->GetFilterText(), "Name IN ('apple','fig','pear')");
    EXPECT_EQ(Table.RecordCount(), 4);
    // Reopened, the values are there; an equality takes one value again.
    RunForm("Name", [](TZDBGridFilterForm& Form) {
        EXPECT_EQ(Form.ValuesList1->text(), "apple,fig,pear");
        Choose(Form.ClauseList1, fcIsEqual);
        EXPECT_FALSE(Form.ValuesList1->GetMultiSelectList());
    });
}

TEST_F(FilterForm, ValueListsChooseFromTheColumnsValuesAndKeepTheirText)
{
    // Ids shown by names: the list shows the names, the expression takes the ids.
    TZColumn* id = Shown->Grid->FindColumn("Id");
    id->SetPickList({"1", "2", "3", "4", "5", "6"});
    id->SetPickText({"one", "two", "three", "four", "five", "six"});
    RunForm("Id", [](TZDBGridFilterForm& Form) {
        TZFilterValueEditor* values = Form.ValuesList1;
        EXPECT_EQ(Form.ClauseList1->Value(), QString::number(fcIsEqual));
        ASSERT_TRUE(values->ButtonVisible());
        values->setFocus();
        QTest::mouseClick(values, Qt::LeftButton, {}, values->ButtonRect().center());
        ASSERT_TRUE(values->ListVisible());
        // In the order of the ids: one, two, three, ...
        QTest::keyClick(values, Qt::Key_Down);
        QTest::keyClick(values, Qt::Key_Down);
        QTest::keyClick(values, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_FALSE(values->ListVisible());
        EXPECT_EQ(values->text(), "three");
        EXPECT_EQ(values->Value(), "3");
        // The number's list button leaves the text as it was, whatever it opens.
        ASSERT_TRUE(Form.ListButton1->isVisible());
        EXPECT_EQ(Form.ListButton1->toolTip(), SCalculatorButtonHint);
        QTest::mouseClick(Form.ListButton1, Qt::LeftButton);
        if (values->ListVisible())
            QTest::keyClick(values, Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_EQ(values->text(), "three");
        EXPECT_EQ(values->GetButtonStyle(), ebsAuto);
        // Leaving the editor keeps its text too.
        Form.ValuesList2->setFocus();
        QApplication::processEvents();
        EXPECT_EQ(values->text(), "three");
        QTest::mouseClick(Form.OKButton, Qt::LeftButton);
    });
    EXPECT_EQ(id->GetFilterText(), "Id = 3");
    EXPECT_EQ(Table.RecordCount(), 1);
    // Reopened, the value shows by its name again.
    RunForm("Id", [](TZDBGridFilterForm& Form) { EXPECT_EQ(Form.ValuesList1->text(), "three"); });
}

TEST_F(FilterForm, TheDateButtonDropsACalendarWhoseDayIsTheValue)
{
    RunForm("Day", [](TZDBGridFilterForm& Form) {
        TZFilterValueEditor* values = Form.ValuesList1;
        ASSERT_TRUE(Form.ListButton1->isVisible());
        QTest::mouseClick(Form.ListButton1, Qt::LeftButton);
        QApplication::processEvents();
        ASSERT_TRUE(values->ListVisible());
        // A day further on: the calendar opens on today (the value is empty) and Right moves a day.
        QTest::keyClick(values, Qt::Key_Right);
        QTest::keyClick(values, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_FALSE(values->ListVisible());
        EXPECT_EQ(values->GetButtonStyle(), ebsAuto);
        const QDate chosen = QLocale().toDateTime(values->text(), QLocale::ShortFormat).date();
        const QDate chosenDate = chosen.isValid() ? chosen : QLocale().toDate(values->text(), QLocale::ShortFormat);
        EXPECT_EQ(chosenDate, QDate::currentDate().addDays(1)) << values->text().toStdString();
    });
}

// ---- The form on a looked-up column -------------------------------------------------------

// Orders with the city of their customer looked up; two customers live in Berlin. In
// memory, or on SQLite (where the column filter goes to the server).
class LookupFilterForm : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        const QList<QVariantList> customers{{1, "Anna", "Berlin"}, {2, "Bruno", "Paris"}, {3, "Clara", "Berlin"},
                                            {4, "Dora", "Rome"}};
        const QList<int> orders{1, 2, 3, 3, 4, 1, 2};
        if (GetParam()) {
            Db = std::make_unique<SqliteTestDb>();
            ASSERT_TRUE(Db->IsOpen());
            ASSERT_TRUE(ExecSql(Db->Database(), "CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT, city TEXT)"));
            ASSERT_TRUE(ExecSql(Db->Database(), "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER)"));
            for (const QVariantList& c : customers)
                ASSERT_TRUE(ExecSql(Db->Database(), QStringLiteral("INSERT INTO customers VALUES (%1, '%2', '%3')")
                                                        .arg(c[0].toInt()).arg(c[1].toString(), c[2].toString())));
            for (int i = 0; i < orders.size(); ++i)
                ASSERT_TRUE(ExecSql(Db->Database(),
                                    QStringLiteral("INSERT INTO orders VALUES (%1, %2)").arg(i + 1).arg(orders[i])));
            auto customersQuery = std::make_unique<TZSQLQuery>();
            customersQuery->SetConnection(Db->Database());
            customersQuery->SetSQLText("SELECT id, name, city FROM customers");
            customersQuery->Open();
            auto ordersQuery = std::make_unique<TZSQLQuery>();
            ordersQuery->SetConnection(Db->Database());
            ordersQuery->SetSQLText("SELECT id, customer_id FROM orders ORDER BY id");
            // A few rows at a time, so that a walk and the server's answer differ.
            ordersQuery->SetPacketRecords(2);
            Customers = std::move(customersQuery);
            Orders = std::move(ordersQuery);
            AddCity();
            Orders->Open();
        } else {
            auto customersTable = std::make_unique<TZMemDataSet>();
            customersTable->FieldDefs().Add("id", ftInteger);
            customersTable->FieldDefs().Add("name", ftWideString, 20);
            customersTable->FieldDefs().Add("city", ftWideString, 20);
            customersTable->CreateDataSet();
            for (const QVariantList& c : customers)
                AddRow(*customersTable, c);
            auto ordersTable = std::make_unique<TZMemDataSet>();
            for (const char* name : {"id", "customer_id"}) {
                auto field = std::make_unique<TIntegerField>();
                field->SetFieldName(name);
                ordersTable->AddField(std::move(field));
            }
            Customers = std::move(customersTable);
            Orders = std::move(ordersTable);
            AddCity();
            static_cast<TZMemDataSet*>(Orders.get())->CreateDataSet();
            for (int i = 0; i < orders.size(); ++i) {
                Orders->Append();
                Orders->FieldByName("id")->SetValue(i + 1);
                Orders->FieldByName("customer_id")->SetValue(orders[i]);
                Orders->Post();
            }
        }
        Orders->First();
        Shown = std::make_unique<TShownGrid>(Orders.get());
    }
    void TearDown() override
    {
        Shown.reset();
        Orders.reset();
        Customers.reset();
        Db.reset();
    }
    void AddCity()
    {
        auto city = std::make_unique<TWideStringField>();
        city->SetFieldName("City");
        city->SetFieldKind(fkLookup);
        city->SetSize(20);
        city->SetKeyFields("customer_id");
        city->SetLookupDataSet(Customers.get());
        city->SetLookupKeyFields("id");
        city->SetLookupResultField("city");
        Orders->AddField(std::move(city));
    }
    void RunForm(const std::function<void(TZDBGridFilterForm&)>& Work)
    {
        TZDBGridFilterForm form(Shown->Grid.get(), Shown->Grid->FindColumn("City"));
        QTimer::singleShot(0, &form, [&] {
            Work(form);
            if (form.isVisible())
                form.reject();
        });
        form.exec();
    }
    // The order ids that pass, in order.
    std::vector<int> Passing() { return FilterItemsSql::Ids(*Orders); }

    std::unique_ptr<SqliteTestDb> Db;
    std::unique_ptr<TDataSet> Customers;
    std::unique_ptr<TDataSet> Orders;
    std::unique_ptr<TShownGrid> Shown;
};

TEST_P(LookupFilterForm, ACitySharedByCustomersFiltersAllTheirOrders)
{
    TZColumn* city = Shown->Grid->FindColumn("City");
    RunForm([](TZDBGridFilterForm& Form) {
        // Berlin is offered once, though two customers live there.
        EXPECT_EQ(Form.ValuesList1->GetPickText().count("Berlin"), 1);
        EXPECT_EQ(Form.ClauseList1->Value(), QString::number(fcIsEqual));
        // No clause shows by its empty caption.
        EXPECT_EQ(Form.ClauseList2->Value(), "0");
        EXPECT_EQ(Form.ClauseList2->text(), "");
        FilterForm::Type(Form.ValuesList1, "Berlin");
        QTest::mouseClick(Form.OKButton, Qt::LeftButton);
    });
    EXPECT_EQ(city->GetFilterText(), "customer_id IN (1,3)");
    EXPECT_EQ(Passing(), std::vector<int>({1, 3, 4, 6}));
    // Reopened, the city shows; "is not equal" leaves the others' orders.
    RunForm([](TZDBGridFilterForm& Form) {
        EXPECT_EQ(Form.ValuesList1->text(), "Berlin");
        FilterForm::Choose(Form.ClauseList1, fcIsNotEqual);
        QTest::mouseClick(Form.OKButton, Qt::LeftButton);
    });
    EXPECT_EQ(city->GetFilterText(), "NOT customer_id IN (1,3)");
    EXPECT_EQ(Passing(), std::vector<int>({2, 5, 7}));
    // A list of cities (typed, or one customer's key) takes every customer of each; the
    // values are those of the unfiltered orders.
    city->SetFilterText(QString());
    QString typed;
    RunForm([&](TZDBGridFilterForm& Form) {
        FilterForm::Choose(Form.ClauseList1, fcIsOnTheList);
        FilterForm::Type(Form.ValuesList1, "rome, 3");
        typed = Form.ValuesList1->text();
        QTest::mouseClick(Form.OKButton, Qt::LeftButton);
    });
    EXPECT_EQ(city->GetFilterText(), "customer_id IN (4,1,3)");
    EXPECT_EQ(Passing(), std::vector<int>({1, 3, 4, 5, 6}));
    // Stored as the user left it: the keys of the texts, not the expansion.
    EXPECT_EQ(typed.toLower(), "rome, 3");
    EXPECT_EQ(city->FilterData()->Value("ClauseList1Text"), QString::number(fcIsOnTheList));
    EXPECT_EQ(city->FilterData()->Value("ValuesList1Text"), "4,3");
}

TEST_P(LookupFilterForm, TheListShowsASharedCityOnceAndTicksAllItsCustomers)
{
    TZColumn* city = Shown->Grid->FindColumn("City");
    Shown->Grid->FilterGrid()->SwitchOptions(TZDBGridFilterOptions{foAutoApplyList}, false);
    Shown->Grid->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Shown->Grid.get()));
    const auto open = [&] {
        Shown->Grid->ClickFilterButton(city);
        TZDBGridFilterList* list = OpenList(Shown->Grid.get());
        return list ? list->FilterPopup() : nullptr;
    };
    // The server's distinct customers, each looked up once, give what a walk gives.
    if (Db) {
        Shown->Grid->resize(500, 40);
        Orders->Close();
        Orders->Open();
        // The grid's default columns are made again for the reopened query.
        city = Shown->Grid->FindColumn("City");
        ASSERT_TRUE(city);
        const int fetched = static_cast<TZSQLQuery*>(Orders.get())->FetchedRecordCount();
        const QStringList server = Collect(city, true);
        EXPECT_LT(fetched, 7);
        EXPECT_EQ(static_cast<TZSQLQuery*>(Orders.get())->FetchedRecordCount(), fetched);
        EXPECT_EQ(server, Collect(city, false));
        Shown->Grid->resize(500, 300);
    }
    TZDBPopupFilterList* popup = open();
    ASSERT_TRUE(popup);
    TZDBFilterData* data = popup->FilterData();
    ASSERT_EQ(data->RecordCount(), 3);
    EXPECT_EQ(data->DisplayText(0), "Berlin");
    EXPECT_EQ(data->Keys(0), QStringList({"1", "3"}));
    ClickListRow(popup, 0);
    QTest::mouseClick(popup->OKButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(OpenList(Shown->Grid.get()));
    EXPECT_EQ(city->GetFilterList(), QStringList({"1", "3"}));
    // Every order of a Berlin customer, as the join selects them; on SQL the server tests the keys.
    std::vector<int> expected{1, 3, 4, 6};
    if (Db) {
        QSqlQuery select(Db->Database());
        ASSERT_TRUE(select.exec("SELECT o.id FROM orders o JOIN customers c ON c.id = o.customer_id "
                                "WHERE c.city = 'Berlin' ORDER BY o.id"));
        expected.clear();
        while (select.next())
            expected.push_back(select.value(0).toInt());
        EXPECT_EQ(static_cast<TZSQLQuery*>(Orders.get())->FilterValueLists().value("customer_id"),
                  QStringList({"1", "3"}));
    }
    EXPECT_EQ(Passing(), expected);

    // Reopened, or restored from the settings text, or from one customer's key of an
    // older filter (listing all values, not only those shown): Berlin shows ticked, once.
    const QStringList settings = Shown->Grid->FilterGrid()->GetSettings();
    for (const auto& restore : std::initializer_list<std::function<void()>>{
             [] {}, [&] { city->SetFilterList({}); Shown->Grid->FilterGrid()->SetSettings(settings); },
             [&] {
                 city->SetFilterList({"3"});
                 Shown->Grid->FilterGrid()->SwitchOptions(TZDBGridFilterOptions{foLoadAllItems}, true);
             }}) {
        restore();
        popup = open();
        ASSERT_TRUE(popup);
        data = popup->FilterData();
        ASSERT_GE(data->RecordCount(), 1);
        EXPECT_EQ(data->DisplayText(0), "Berlin");
        EXPECT_TRUE(data->Checked(0));
        EXPECT_EQ(data->CheckedCount(), 1);
        QTest::mouseClick(popup->OKButton(), Qt::LeftButton);
        QApplication::processEvents();
        EXPECT_EQ(city->GetFilterList(), QStringList({"1", "3"}));
        EXPECT_EQ(Passing(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Data, LookupFilterForm, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& Info) {
                             return std::string(Info.param ? "SQLite" : "Memory");
                         });

} // namespace

// The pick, lookup and check lists dropped from grid cells and driven by real
// keys and clicks: the value each writes into the field, the check lists'
// delimited texts, keys the lookup data lacks, and type-ahead on a SQLite
// lookup table answered by the server.

#include "TestDb.h"
#include "ZDBDataList.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QPointer>
#include <QSqlQuery>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>

using namespace zdb;
using zdb::test::ExecSql;

namespace {

// ---- The delimited text of a check list -------------------------------------------------

TEST(CheckList, DelimitedTextCutsAtWholeItemsAndRoundTrips)
{
    TZDBCheckList list;
    list.SetDelimitedText(false, "B,A,,C");
    EXPECT_EQ(list.Items(), (QStringList{"B", "A", "", "C"}));
    list.SetDelimitedText(false, "Alpha,Beta,Gamma");
    EXPECT_EQ(list.GetDelimitedText(false, 0), "Alpha,Beta,Gamma");
    // Cut after the last whole item that fits; a separator right past the limit still counts.
    EXPECT_EQ(list.GetDelimitedText(false, 12), "Alpha,Beta");
    EXPECT_EQ(list.GetDelimitedText(false, 10), "Alpha,Beta");
    EXPECT_EQ(list.GetDelimitedText(false, 9), "Alpha");
    EXPECT_EQ(list.GetDelimitedText(false, 4), "");
    EXPECT_EQ(list.GetDelimitedText(true, 0), "Alpha\r\nBeta\r\nGamma");
    EXPECT_EQ(list.GetDelimitedText(true, 13), "Alpha\r\nBeta");

    // A delimiter text stands for the delimiter character both ways.
    list.SetDelimiter(QLatin1Char(';'));
    list.SetDelimiterText(" | ");
    EXPECT_EQ(list.GetDelimitedText(false, 0), "Alpha | Beta | Gamma");
    list.SetDelimitedText(false, "x | y;z | ");
    EXPECT_EQ(list.Items(), (QStringList{"x", "y", "z", ""}));
    list.SetDelimitedText(true, "one\r\ntwo\n");
    EXPECT_EQ(list.Items(), (QStringList{"one", "two"}));
    list.SetDelimitedText(false, QString());
    EXPECT_EQ(list.Count(), 0);

    // A sorted list orders its items ignoring case and keeps one of each.
    list.SetSorted(true);
    list.SetDelimiterText(QString());
    list.SetDelimitedText(false, "b;C;a;B");
    EXPECT_EQ(list.Items(), (QStringList{"a", "b", "C"}));
    EXPECT_TRUE(list.Contains("c"));
    EXPECT_FALSE(list.Contains("d"));
}

TEST(PickListData, RowsFollowTheShorterListAndSettingsWantItClosed)
{
    const QStringList texts{"Alpha", "Beta", "Gamma"};
    const QStringList keys{"A1", "B2"};
    TZDBPickListData data;
    data.SetListInstance(&texts);
    data.SetListFieldName(QString());
    data.SetKeyFieldSize(0);
    data.Open();
    EXPECT_EQ(data.RecordCount(), 3);
    EXPECT_EQ(data.Fields().Count(), 2);
    EXPECT_EQ(data.FieldByName("Item")->GetSize(), 20);
    EXPECT_TRUE(data.FieldByName("Key")->GetReadOnly());
    EXPECT_THROW(data.SetKeyInstance(&keys), EDatabaseError);
    data.Close();
    data.SetKeyInstance(&keys);
    data.SetKeyFieldName("Code");
    data.Open();
    EXPECT_EQ(data.RecordCount(), 2);
    data.Last();
    EXPECT_EQ(data.FieldByName("Item")->AsString(), "Beta");
    EXPECT_EQ(data.FieldByName("Code")->AsString(), "B2");
}

// ---- Lists dropped from a grid --------------------------------------------------------

class GridLists : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Customers = MakeTable({{"Id", ftInteger, 0}, {"Name", ftWideString, 20}});
        const QStringList names{"Adams", "Baker", "Carter", "Dole"};
        for (int i = 0; i < names.size(); ++i)
            AddRow(*Customers, {i + 1, names.at(i)});
        Tags = MakeTable({{"Code", ftWideString, 10}});
        for (const char* code : {"red", "green", "blue", "black"})
            AddRow(*Tags, {QString::fromLatin1(code)});
        Orders = MakeTable({{"Id", ftInteger, 0}, {"CustomerId", ftInteger, 0}, {"Tags", ftWideString, 16},
                            {"Status", ftWideString, 20}});
        AddRow(*Orders, {1, 2, "green,red", "B2"});
        AddRow(*Orders, {2, 99, QVariant(), QVariant()});
        Orders->First();
        Source = std::make_unique<TDataSource>();
        Source->SetDataSet(Orders.get());

        Window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(Window.get());
        Grid = new TZDBGrid(Window.get());
        layout->addWidget(Grid);
        Grid->Columns()->Add()->SetFieldName("Id");
        Customer = Grid->Columns()->Add();
        Customer->SetFieldName("CustomerId");
        Customer->SetKeyField("CustomerId");
        Customer->SetLookupDataSet(Customers.get());
        Customer->SetLookupKeyField("Id");
        Customer->SetLookupResultField("Name");
        TagList = Grid->Columns()->Add();
        TagList->SetFieldName("Tags");
        TagList->SetKeyField("Tags");
        TagList->SetLookupDataSet(Tags.get());
        TagList->SetLookupKeyField("Code");
        TagList->SetLookupResultField("Code");
        TagList->SetListOptions(TagList->GetListOptions().Include(loMultiSelectList));
        Status = Grid->Columns()->Add();
        Status->SetFieldName("Status");
        Status->SetPickList({"A1", "B2", "C3"});
        Status->SetPickText({"Alpha", "Beta", "Gamma"});
        Grid->SetDataSource(Source.get());
        Window->resize(420, 240);
        Window->show();
        Window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        Grid->setFocus();
        QApplication::processEvents();
    }

    void TearDown() override
    {
        Window.reset();
        Source.reset();
        Orders.reset();
        Tags.reset();
        Customers.reset();
    }

    struct TDef {
        const char* Name;
        TFieldType Type;
        int Size;
    };
    static std::unique_ptr<TZMemDataSet> MakeTable(std::initializer_list<TDef> Defs)
    {
        auto table = std::make_unique<TZMemDataSet>();
        for (const TDef& def : Defs)
            table->FieldDefs().Add(def.Name, def.Type, def.Size);
        table->CreateDataSet();
        return table;
    }
    static void AddRow(TDataSet& Table, const QVariantList& Values)
    {
        Table.Append();
        for (int i = 0; i < Values.size(); ++i)
            Table.Fields()[i]->SetValue(Values.at(i));
        Table.Post();
    }

    void Key(int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
    {
        QTest::keyClick(Grid, Qt::Key(Key), Modifiers);
        QApplication::processEvents();
    }
    // Opens the list of Column with F4.
    TZDBPopupDataList* Open(TZColumn* Column)
    {
        Grid->SetSelectedIndex(Column->Index());
        Key(Qt::Key_F4);
        TZDBGridDropDownList* list = Grid->EditorList();
        return list && list->ListVisible() ? qobject_cast<TZDBPopupDataList*>(list->PopupList()) : nullptr;
    }
    bool ListOpen() const { return Grid->EditorList() && Grid->EditorList()->ListVisible(); }
    // Clicks a data row of the list, in its first data column.
    static void ClickRow(TZDBPopupDataList* Popup, int Row, int DataCol = 1)
    {
        const QRect cell = Popup->CellRect(Popup->DataToRawColumn(DataCol), Popup->FirstDataRow() + Row);
        QTest::mouseClick(Popup->viewport(), Qt::LeftButton, {}, cell.center());
        QApplication::processEvents();
    }
    QString Value(const char* Field) const { return Orders->FieldByName(Field)->AsString(); }

    std::unique_ptr<TZMemDataSet> Customers;
    std::unique_ptr<TZMemDataSet> Tags;
    std::unique_ptr<TZMemDataSet> Orders;
    std::unique_ptr<TDataSource> Source;
    std::unique_ptr<QWidget> Window;
    TZDBGrid* Grid = nullptr;
    TZColumn* Customer = nullptr;
    TZColumn* TagList = nullptr;
    TZColumn* Status = nullptr;
};

TEST_F(GridLists, LookupListWritesTheChosenKey)
{
    // The list shows the lookup table itself, on the record of the current key.
    TZDBPopupDataList* popup = Open(Customer);
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->DataSet(), Customers.get());
    EXPECT_EQ(popup->GetListFields(), "Name");
    EXPECT_FALSE(popup->GetMultiSelectList());
    EXPECT_FALSE(popup->OKButton()->isVisible());
    EXPECT_EQ(Customers->FieldByName("Name")->AsString(), "Baker");
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);
    EXPECT_FALSE(ListOpen());
    EXPECT_EQ(Value("CustomerId"), "3");
    EXPECT_EQ(Customer->GetDisplayText(), "Carter");

    // Typing finds a name; Escape leaves the field alone.
    popup = Open(Customer);
    ASSERT_TRUE(popup);
    QTest::keyClicks(Grid, "do");
    EXPECT_EQ(Customers->FieldByName("Name")->AsString(), "Dole");
    Key(Qt::Key_Escape);
    EXPECT_EQ(Value("CustomerId"), "3");

    // A click on a row takes it.
    popup = Open(Customer);
    ASSERT_TRUE(popup);
    ClickRow(popup, 0);
    EXPECT_FALSE(ListOpen());
    EXPECT_EQ(Value("CustomerId"), "1");
    Orders->Post();

    // A key the lookup table lacks shows empty and stays until a row is accepted.
    Orders->Next();
    EXPECT_EQ(Customer->GetDisplayText(), "");
    popup = Open(Customer);
    ASSERT_TRUE(popup);
    Key(Qt::Key_Escape);
    EXPECT_EQ(Value("CustomerId"), "99");
    EXPECT_EQ(Orders->State(), dsBrowse);
    popup = Open(Customer);
    ASSERT_TRUE(popup);
    Key(Qt::Key_Return);
    EXPECT_EQ(Value("CustomerId"), "1");
}

TEST_F(GridLists, CheckListTicksAndWritesTheDelimitedKeys)
{
    // The stored keys come up checked; the list is sorted, like its text.
    TZDBPopupDataList* popup = Open(TagList);
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->GetMultiSelectList());
    EXPECT_TRUE(popup->CheckColumn()->GetVisible());
    ASSERT_TRUE(popup->OKButton()->isVisible());
    EXPECT_EQ(popup->SelectedRows()->Count(), 2);
    // First row "red" is checked: Space unticks it, then on "blue" ticks it.
    EXPECT_TRUE(popup->RowChecked());
    Key(Qt::Key_Space);
    EXPECT_FALSE(popup->RowChecked());
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    Key(Qt::Key_Space);
    // A click on a row ticks "black" and unticks "green", and closes nothing.
    ClickRow(popup, 3, 0);
    ClickRow(popup, 1, 1);
    EXPECT_TRUE(ListOpen());
    // Right after a search key Space belongs to the search: "green" stays unticked.
    QTest::keyClicks(Grid, "g");
    EXPECT_EQ(Tags->FieldByName("Code")->AsString(), "green");
    Key(Qt::Key_Space);
    EXPECT_FALSE(popup->RowChecked());
    EXPECT_EQ(Value("Tags"), "green,red");
    QTest::mouseClick(popup->OKButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(ListOpen());
    EXPECT_EQ(Value("Tags"), "black,blue");

    // Cancel keeps the value; nothing checked and OK stores empty.
    popup = Open(TagList);
    ASSERT_TRUE(popup);
    Key(Qt::Key_Space);
    QTest::mouseClick(popup->CancelButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(Value("Tags"), "black,blue");
    popup = Open(TagList);
    ASSERT_TRUE(popup);
    popup->ToggleAllRows();
    EXPECT_EQ(popup->SelectedRows()->Count(), 0);
    popup->ToggleAllRows();
    EXPECT_EQ(popup->SelectedRows()->Count(), 4);
    // Four keys overflow the 16-character field: cut after the last whole one.
    QTest::mouseClick(popup->OKButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(Value("Tags"), "black,blue,green");
    popup = Open(TagList);
    ASSERT_TRUE(popup);
    popup->ToggleAllRows();
    QTest::mouseClick(popup->OKButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(Value("Tags"), "");

    // A delimiter text joins the keys and splits them again.
    TagList->SetDelimiterChar(QLatin1Char(';'));
    TagList->SetDelimiterText("/");
    Orders->FieldByName("Tags")->SetValue("red/blue");
    popup = Open(TagList);
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->SelectedRows()->Count(), 2);
    Key(Qt::Key_Down);
    Key(Qt::Key_Space);
    QTest::mouseClick(popup->OKButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(Value("Tags"), "blue/green/red");
}

TEST_F(GridLists, PickListsChooseValuesAndApplyChecksAtOnce)
{
    // Single select: the texts shown, the value of the chosen one stored.
    TZDBPopupDataList* popup = Open(Status);
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->DataSet()->FieldByName("Item")->AsString(), "Beta");
    ClickRow(popup, 2);
    EXPECT_EQ(Value("Status"), "C3");
    // A stored value that is no pick value: the list starts at the top, the field stays.
    Orders->FieldByName("Status")->SetValue("Z9");
    popup = Open(Status);
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->DataSet()->RecNo(), 1);
    Key(Qt::Key_Escape);
    EXPECT_EQ(Value("Status"), "Z9");

    // Multi select with auto apply: every tick is written at once, in list order,
    // and a click on the title ticks or unticks everything.
    Status->SetListOptions(Status->GetListOptions().Include(loMultiSelectList).Include(loAutoApplyList));
    Orders->FieldByName("Status")->SetValue("C3");
    popup = Open(Status);
    ASSERT_TRUE(popup);
    EXPECT_FALSE(popup->OKButton()->isVisible());
    EXPECT_EQ(popup->GetListTitles(), SSelectAllCaption);
    Key(Qt::Key_Space);
    EXPECT_EQ(Value("Status"), "A1,C3");
    const QRect title = popup->CellRect(popup->DataToRawColumn(1), 0);
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, title.center());
    QApplication::processEvents();
    EXPECT_EQ(Value("Status"), "");
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, title.center());
    QApplication::processEvents();
    EXPECT_EQ(Value("Status"), "A1,B2,C3");
    EXPECT_EQ(Status->GetDisplayText(), "Alpha ...");
    Key(Qt::Key_Escape);
    EXPECT_EQ(Value("Status"), "A1,B2,C3");
}

TEST_F(GridLists, ListsTakeTheGridsListBorder)
{
    Grid->SetListBorder(lbNone);
    TZDBPopupDataList* popup = Open(Status);
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->frameWidth(), 0);
    Key(Qt::Key_Escape);
    Grid->SetListBorder(lbSingle);
    popup = Open(Status);
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->frameShape(), QFrame::Box);
    EXPECT_EQ(popup->frameWidth(), 1);
    // The list's size takes its frame in: the rows fill it inside the border.
    EXPECT_EQ(popup->viewport()->geometry().left(), 1);
    Key(Qt::Key_Escape);
}

TEST_F(GridLists, LookupListOptionsShapeTheList)
{
    // A first column spanning the others keeps whether the user left it expanded.
    Customer->SetLookupListFields("Name;Id");
    Customer->SetListOptions(Customer->GetListOptions().Include(loExpandFirstColumn).Include(loFirstColumnExpanded));
    TZDBPopupDataList* popup = Open(Customer);
    ASSERT_TRUE(popup);
    TZColumn* first = popup->Columns()->Items(1);
    EXPECT_EQ(first->GetExpandCols(), 1);
    EXPECT_TRUE(first->GetExpanded());
    first->SetExpanded(false);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Customer->GetListOptions().Contains(loFirstColumnExpanded));
    popup = Open(Customer);
    ASSERT_TRUE(popup);
    EXPECT_FALSE(popup->Columns()->Items(1)->GetExpanded());
    Key(Qt::Key_Escape);

    // Ordered by the shown field; the images of the column and the grid's image event go along.
    AddRow(*Customers, {5, "Abbot"});
    QObject images;
    Customer->SetImages(&images);
    Customer->SetImageMargin(18);
    Customer->SetListOptions(TZListOptions{loAllowAdjustOrder, loShowImages});
    int asked = 0;
    Grid->OnCalcImageIndex = [&](TZCustomDBGrid*, TZColumn*, int&) { ++asked; };
    popup = Open(Customer);
    ASSERT_TRUE(popup);
    TZColumn* name = popup->FindColumn("Name", 1);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->GetImages(), &images);
    EXPECT_EQ(name->GetImageMargin(), 18);
    ASSERT_TRUE(popup->OnCalcImageIndex);
    int index = 0;
    popup->OnCalcImageIndex(popup, name, index);
    EXPECT_EQ(asked, 1);
    Customers->First();
    EXPECT_EQ(Customers->FieldByName("Name")->AsString(), "Abbot");
    Customers->Last();
    EXPECT_EQ(Customers->FieldByName("Name")->AsString(), "Dole");
    // Closed, the list goes with its hook on the grid's event.
    QPointer<TZDBPopupDataList> closed(popup);
    Key(Qt::Key_Escape);
    EXPECT_TRUE(!closed || !closed->OnCalcImageIndex);
}

TEST_F(GridLists, LookupListShowsATreeByItsParentField)
{
    auto groups = MakeTable({{"Id", ftInteger, 0}, {"ParentId", ftInteger, 0}, {"Name", ftWideString, 20},
                             {"RowLevel", ftInteger, 0}, {"RowOrder", ftString, 80}, {"RowState", ftInteger, 0}});
    AddRow(*groups, {1, QVariant(), "Fruit"});
    AddRow(*groups, {2, 1, "Apple"});
    AddRow(*groups, {3, 1, "Pear"});
    AddRow(*groups, {4, QVariant(), "Vegetables"});
    AddRow(*groups, {5, 4, "Leek"});
    Customer->SetLookupDataSet(groups.get());
    Customer->SetLookupListFields("Name");
    Customer->SetLookupParentField("ParentId");
    Customer->SetLookupTreeViewField("Name");
    Orders->Edit();
    Orders->FieldByName("CustomerId")->SetValue(5);
    Orders->Post();

    TZDBPopupDataList* popup = Open(Customer);
    ASSERT_TRUE(popup);
    ASSERT_TRUE(popup->TreeView()->GetActive());
    EXPECT_TRUE(popup->GetTreeViewField().startsWith("Name;"));
    // On the current key, its parent expanded to show it.
    EXPECT_EQ(groups->FieldByName("Name")->AsString(), "Leek");
    EXPECT_EQ(popup->TreeView()->GetLevel(), 1);
    Key(Qt::Key_Up);
    EXPECT_EQ(groups->FieldByName("Name")->AsString(), "Vegetables");
    Key(Qt::Key_Return);
    EXPECT_EQ(Value("CustomerId"), "4");
    // Closed, the table is a flat table again: every row shows, in its own order.
    EXPECT_EQ(groups->RecordCount(), 5);
    groups->First();
    EXPECT_EQ(groups->FieldByName("Name")->AsString(), "Fruit");
    Customer->SetLookupDataSet(Customers.get());
}

TEST_F(GridLists, AKeptListDropsOnTheNewKeyAndTheColumnsNewSettings)
{
    TZDBPopupDataList* popup = Open(Customer);
    ASSERT_TRUE(popup);
    const QPointer<TZDBGridDropDownList> list = Grid->EditorList();
    Key(Qt::Key_Escape);
    QApplication::processEvents();
    ASSERT_TRUE(list);

    // The key changed meanwhile: the same list opens on the new one.
    Orders->Edit();
    Orders->FieldByName("CustomerId")->SetValue(4);
    Orders->Post();
    popup = Open(Customer);
    ASSERT_TRUE(popup);
    EXPECT_EQ(Grid->EditorList(), list.data());
    EXPECT_EQ(Customers->FieldByName("Name")->AsString(), "Dole");
    Key(Qt::Key_Escape);

    // Another lookup table and other list fields: the list shows them, not the last drop's.
    auto staff = MakeTable({{"Id", ftInteger, 0}, {"Name", ftWideString, 20}, {"City", ftWideString, 20}});
    AddRow(*staff, {3, "Evans", "Leeds"});
    AddRow(*staff, {4, "Fox", "York"});
    Customer->SetLookupDataSet(staff.get());
    Customer->SetLookupListFields("City;Name");
    Customer->SetLookupListWidths(QString());
    popup = Open(Customer);
    ASSERT_TRUE(popup);
    EXPECT_EQ(Grid->EditorList(), list.data());
    EXPECT_EQ(popup->DataSet(), staff.get());
    EXPECT_EQ(popup->GetListFields(), "City;Name");
    EXPECT_EQ(staff->FieldByName("Name")->AsString(), "Fox");
    Key(Qt::Key_Up);
    Key(Qt::Key_Return);
    EXPECT_EQ(Value("CustomerId"), "3");

    // The list of another column is a list of its own.
    ASSERT_TRUE(Open(Status));
    EXPECT_NE(Grid->EditorList(), list.data());
    Key(Qt::Key_Escape);
    Customer->SetLookupDataSet(Customers.get());
}

TEST_F(GridLists, TreeLookupListIsWideEnoughForItsDeepestRow)
{
    // Deeper rows are indented further: the list's column makes room for the level too.
    auto groups = MakeTable({{"Id", ftInteger, 0}, {"ParentId", ftInteger, 0}, {"Name", ftWideString, 40},
                             {"RowLevel", ftInteger, 0}, {"RowOrder", ftString, 80}, {"RowState", ftInteger, 0}});
    AddRow(*groups, {1, QVariant(), "Fruit"});
    AddRow(*groups, {2, 1, "Apples"});
    AddRow(*groups, {3, 2, "Granny Smith from the orchard"});
    AddRow(*groups, {4, 3, "Granny Smith from the orchard"});
    Customer->SetLookupDataSet(groups.get());
    Customer->SetLookupListFields("Name");
    Customer->SetLookupParentField("ParentId");
    Customer->SetLookupTreeViewField("Name");
    // A narrow cell: the list's width comes from its rows, not from the cell it drops from.
    Customer->SetWidth(60);
    for (int key : {3, 4}) {
        Customer->SetLookupListWidths(QString());
        Orders->First();
        Orders->Edit();
        Orders->FieldByName("CustomerId")->SetValue(key);
        Orders->Post();
        TZDBPopupDataList* popup = Open(Customer);
        ASSERT_TRUE(popup);
        ASSERT_EQ(popup->TreeView()->GetLevel(), key - 1);
        TZColumn* name = popup->Columns()->Items(1);
        const QRect cell = popup->CellRect(popup->DataToRawColumn(1), popup->GetRow());
        QRect box;
        const QRect text = popup->TreeView()->TreeCellLayout(name, cell, box);
        EXPECT_GE(text.width(), QFontMetrics(name->GetFont()).horizontalAdvance(groups->FieldByName("Name")->AsString()))
            << "level " << key - 1;
        Key(Qt::Key_Escape);
    }
    Customer->SetLookupDataSet(Customers.get());
}

// ---- A lookup table on SQLite -----------------------------------------------------------

class SqlLookupList : public zdb::test::SqliteTest
{
};

TEST_F(SqlLookupList, TypeAheadLocatesOnTheServer)
{
    constexpr int Rows = 20000;
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE customers (id INTEGER PRIMARY KEY, name VARCHAR(30))"));
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                             "WHERE i < %1) INSERT INTO customers SELECT i, 'Customer ' || "
                                             "printf('%06d', i) FROM n")
                                  .arg(Rows)));
    TZSQLQuery lookup;
    lookup.SetConnection(Db());
    lookup.SetSQLText("SELECT id, name FROM customers ORDER BY name");
    TZMemDataSet orders;
    orders.FieldDefs().Add("CustomerId", ftInteger);
    orders.CreateDataSet();
    orders.Append();
    orders.FieldByName("CustomerId")->SetValue(15000);
    orders.Post();
    TDataSource source;
    source.SetDataSet(&orders);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* grid = new TZDBGrid(&window);
    layout->addWidget(grid);
    TZColumn* column = grid->Columns()->Add();
    column->SetFieldName("CustomerId");
    column->SetKeyField("CustomerId");
    column->SetLookupDataSet(&lookup);
    column->SetLookupKeyField("id");
    column->SetLookupResultField("name");
    grid->SetDataSource(&source);
    window.resize(300, 200);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    grid->setFocus();

    QTest::keyClick(grid, Qt::Key_F4);
    QApplication::processEvents();
    ASSERT_TRUE(grid->EditorList() && grid->EditorList()->ListVisible());
    // Opening reads a first window of rows, not the table, and counts nothing: the scroll
    // bar takes the list's place a moment later, from one count of the rows before it.
    EXPECT_LT(lookup.FetchedRecordCount(), 1000);
    EXPECT_EQ(lookup.FieldByName("id")->AsInteger(), 15000);
    EXPECT_TRUE(lookup.ServerStatements().filter("COUNT(").isEmpty());
    auto* popup = qobject_cast<TZDBPopupDataList*>(grid->EditorList()->PopupList());
    ASSERT_TRUE(popup);
    QTRY_COMPARE(popup->verticalScrollBar()->maximum() >= Rows, true);
    EXPECT_NEAR(popup->verticalScrollBar()->value(), 15000, popup->GetVisibleRowCount());
    EXPECT_EQ(lookup.FieldByName("id")->AsInteger(), 15000);
    QTest::keyClicks(grid, "customer 012345");
    EXPECT_EQ(lookup.FieldByName("name")->AsString(), "Customer 012345");
    // Each key is located by the server, which reads a window round the row found.
    EXPECT_LT(lookup.FetchedRecordCount(), Rows / 4);
    EXPECT_FALSE(lookup.AllRecordsFetched());
    QTest::keyClick(grid, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(orders.FieldByName("CustomerId")->AsInteger(), 12345);
    source.SetDataSet(nullptr);
}

} // namespace

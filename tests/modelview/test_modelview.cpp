// Qt's item models as datasets and our datasets as item models, in grids and views.

#include "../grid/test_grid_helpers.h"
#include "ZDBModelData.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

// Readable QString values in failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& Text, std::ostream* Out)
{
    *Out << '"' << Text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace zdb::test {
namespace {

using Tester = QAbstractItemModelTester;

void Show(QWidget& Widget)
{
    Widget.resize(420, 300);
    Widget.show();
    QApplication::processEvents();
}

// Name, Amount (int), Price (double) for each of the names.
void Fill(QStandardItemModel& Model, const QStringList& Names)
{
    Model.setColumnCount(3);
    Model.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Amount"), QStringLiteral("Price")});
    for (int i = 0; i < Names.size(); ++i) {
        QList<QStandardItem*> row;
        for (const QVariant& value : {QVariant(Names[i]), QVariant(10 * (i + 1)), QVariant(1.5 * (i + 1))}) {
            auto* item = new QStandardItem;
            item->setData(value, Qt::EditRole);
            row << item;
        }
        Model.appendRow(row);
    }
}

QStringList Column(TDataSet& Data, const char* Field)
{
    QStringList values;
    const TBookmark mark = Data.GetBookmark();
    TDataSetControlsGuard controls(&Data);
    for (Data.First(); !Data.Eof(); Data.Next())
        values << Data.FieldByName(Field)->DisplayText();
    Data.GotoBookmark(mark);
    return values;
}

QStringList ModelColumn(const QAbstractItemModel& Model, int Col)
{
    QStringList values;
    for (int row = 0; row < Model.rowCount(); ++row)
        values << Model.index(row, Col).data().toString();
    return values;
}

QRect TitleRect(TZDBGrid& Grid, const char* Field)
{
    return Grid.CellRect(Grid.DataToRawColumn(Grid.FindColumn(Field)->Index()), 0);
}

// --- An item model as a dataset -------------------------------------------------------------

TEST(ModelDataSet, AStandardModelInAGridSortsFiltersAndEditsBothWays)
{
    QStandardItemModel model;
    Fill(model, {QStringLiteral("Pear"), QStringLiteral("Apple"), QStringLiteral("Fig")});
    Tester tester(&model, Tester::FailureReportingMode::Fatal);
    TZModelDataSet data;
    data.SetModel(&model);
    data.Open();
    ASSERT_EQ(data.FieldCount(), 3);
    EXPECT_EQ(data.FieldByName("Name")->DataType(), ftWideString);
    EXPECT_EQ(data.FieldByName("Amount")->DataType(), ftInteger);
    EXPECT_EQ(data.FieldByName("Price")->DataType(), ftFloat);

    TDataSource source;
    source.SetDataSet(&data);
    TZDBGrid grid;
    grid.SetOptionsEx(grid.GetOptionsEx() | dgAutoUpdateOrder);
    grid.SetDataSource(&source);
    Show(grid);
    ASSERT_TRUE(data.Locate("Name", QStringLiteral("Apple")));

    // A title click sorts the dataset, not the model, and keeps the record.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, TitleRect(grid, "Name").center());
    QApplication::processEvents();
    EXPECT_EQ(data.GetIndexFieldNames(), "Name");
    EXPECT_EQ(Column(data, "Name"), QStringList({"Apple", "Fig", "Pear"}));
    EXPECT_EQ(ModelColumn(model, 0), QStringList({"Pear", "Apple", "Fig"}));
    EXPECT_EQ(data.FieldByName("Name")->AsString(), "Apple");
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, TitleRect(grid, "Name").center());
    QApplication::processEvents();
    EXPECT_EQ(Column(data, "Name"), QStringList({"Pear", "Fig", "Apple"}));

    // Filtering hides records, not rows.
    data.SetFilter(QStringLiteral("Amount > 10"));
    data.SetFiltered(true);
    EXPECT_EQ(Column(data, "Name"), QStringList({"Fig", "Apple"}));
    EXPECT_EQ(model.rowCount(), 3);
    data.SetFiltered(false);

    // The dataset's edit reaches the model; a change in the model reaches the grid.
    ASSERT_TRUE(data.Locate("Name", QStringLiteral("Fig")));
    data.Edit();
    data.FieldByName("Amount")->SetValue(99);
    data.Post();
    EXPECT_EQ(model.item(2, 1)->data(Qt::EditRole).toInt(), 99);
    model.item(2, 0)->setData(QStringLiteral("Banana"), Qt::EditRole);
    EXPECT_EQ(data.FieldByName("Name")->AsString(), "Banana") << "the record is read again";
    EXPECT_EQ(Column(data, "Name"), QStringList({"Pear", "Banana", "Apple"})) << "and takes its place in the order";
    EXPECT_EQ(grid.FindColumn("Name")->GetDisplayText(), "Banana");

    // Rows the model gains or loses keep the current record; the dataset's own inserts
    // and deletes are the model's.
    model.insertRow(0, {new QStandardItem(QStringLiteral("Kiwi")), new QStandardItem, new QStandardItem});
    EXPECT_EQ(data.RecordCount(), 4);
    EXPECT_EQ(data.FieldByName("Name")->AsString(), "Banana");
    model.removeRow(1); // Pear
    EXPECT_EQ(Column(data, "Name"), QStringList({"Kiwi", "Banana", "Apple"}));
    EXPECT_EQ(data.FieldByName("Name")->AsString(), "Banana");
    data.Append();
    data.FieldByName("Name")->SetValue(QStringLiteral("Cherry"));
    data.FieldByName("Amount")->SetValue(5);
    data.Post();
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.item(3, 0)->text(), "Cherry");
    EXPECT_EQ(data.FieldByName("Name")->AsString(), "Cherry") << "the posted record stays current";
    ASSERT_TRUE(data.Locate("Name", QStringLiteral("Kiwi")));
    data.Delete();
    EXPECT_EQ(ModelColumn(model, 0), QStringList({"Apple", "Banana", "Cherry"}));
    EXPECT_EQ(data.RecordCount(), 3);

    // The model's reset keeps the record on its row when it can.
    ASSERT_TRUE(data.Locate("Name", QStringLiteral("Apple")));
    model.sort(0);
    EXPECT_EQ(data.FieldByName("Name")->AsString(), "Apple");
    EXPECT_EQ(Column(data, "Name"), QStringList({"Cherry", "Banana", "Apple"})) << "the dataset's order holds";
}

TEST(ModelDataSet, AnEditTheModelRefusesStaysPendingAndARemovedRowCancelsIt)
{
    QStandardItemModel model;
    Fill(model, {QStringLiteral("A"), QStringLiteral("B")});
    TZModelDataSet data;
    data.SetModel(&model);
    data.Open();

    // The edited row moves: the edit follows it.
    data.Last();
    data.Edit();
    data.FieldByName("Name")->SetValue(QStringLiteral("B2"));
    model.insertRow(0, {new QStandardItem(QStringLiteral("Z"))});
    EXPECT_EQ(data.State(), dsEdit);
    data.Post();
    EXPECT_EQ(ModelColumn(model, 0), QStringList({"Z", "A", "B2"}));

    // Its row goes: the edit is cancelled and the dataset stays usable.
    data.First();
    data.Edit();
    data.FieldByName("Name")->SetValue(QStringLiteral("Y"));
    model.removeRow(0);
    EXPECT_EQ(data.State(), dsBrowse);
    EXPECT_EQ(Column(data, "Name"), QStringList({"A", "B2"}));

    // An unknown index field is refused and the order stays.
    data.SetIndexFieldNames(QStringLiteral("Name DESC"));
    EXPECT_THROW(data.SetIndexFieldNames(QStringLiteral("Nope")), EDatabaseError);
    EXPECT_EQ(data.GetIndexFieldNames(), "Name DESC");
    EXPECT_EQ(Column(data, "Name"), QStringList({"B2", "A"}));
}

struct SqlModelDataSet : SqliteTest {
    void SetUp() override
    {
        SqliteTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE fruit (id INTEGER PRIMARY KEY, name TEXT NOT NULL, qty INTEGER)"));
        ASSERT_TRUE(ExecSql(Db(), "INSERT INTO fruit VALUES (1, 'pear', 3), (2, 'apple', 7), (3, 'fig', 5)"));
        Model = std::make_unique<QSqlTableModel>(nullptr, Db());
        Model->setTable(QStringLiteral("fruit"));
        Model->setEditStrategy(QSqlTableModel::OnFieldChange);
        ASSERT_TRUE(Model->select());
    }
    void TearDown() override
    {
        Data.reset();
        Model.reset();
    }
    QVariant Stored(const QString& Sql)
    {
        QSqlQuery query(Db());
        return query.exec(Sql) && query.next() ? query.value(0) : QVariant();
    }
    std::unique_ptr<QSqlTableModel> Model;
    std::unique_ptr<TZModelDataSet> Data = std::make_unique<TZModelDataSet>();
};

TEST_F(SqlModelDataSet, ASqlTableModelInAGridSortsAndWritesTheTable)
{
    Tester tester(Model.get(), Tester::FailureReportingMode::Fatal);
    Data->SetModel(Model.get());
    Data->Open();
    EXPECT_EQ(Data->FieldByName("id")->DataType(), ftLargeint);
    EXPECT_EQ(Data->FieldByName("name")->DataType(), ftWideString);
    TDataSource source;
    source.SetDataSet(Data.get());
    TZDBGrid grid;
    grid.SetOptionsEx(grid.GetOptionsEx() | dgAutoUpdateOrder);
    grid.SetDataSource(&source);
    Show(grid);

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, TitleRect(grid, "qty").center());
    QApplication::processEvents();
    EXPECT_EQ(Column(*Data, "name"), QStringList({"pear", "fig", "apple"}));

    // Edited in the grid: the table has the value.
    ASSERT_TRUE(Data->Locate("name", QStringLiteral("fig")));
    Data->Edit();
    Data->FieldByName("qty")->SetValue(1);
    Data->Post();
    EXPECT_EQ(Stored("SELECT qty FROM fruit WHERE id = 3").toInt(), 1);
    EXPECT_EQ(Column(*Data, "name"), QStringList({"fig", "pear", "apple"}));
    EXPECT_EQ(Data->FieldByName("name")->AsString(), "fig");

    // A value the table refuses: the post fails with the database's reason, the edit stays.
    Data->Edit();
    Data->FieldByName("name")->Clear();
    try {
        Data->Post();
        ADD_FAILURE() << "a null name was posted";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("NOT NULL", Qt::CaseInsensitive)) << e.what();
    }
    EXPECT_EQ(Data->State(), dsEdit);
    Data->Cancel();
    Model->revertAll();
    EXPECT_EQ(Stored("SELECT name FROM fruit WHERE id = 3").toString(), "fig");

    // Edited through the model: the grid shows it.
    Model->setData(Model->index(1, 1), QStringLiteral("apricot"));
    ASSERT_TRUE(Data->Locate("id", 2));
    EXPECT_EQ(Data->FieldByName("name")->AsString(), "apricot");

    // Inserted and deleted through the dataset.
    Data->Append();
    Data->FieldByName("id")->SetValue(4);
    Data->FieldByName("name")->SetValue(QStringLiteral("kiwi"));
    Data->FieldByName("qty")->SetValue(9);
    Data->Post();
    EXPECT_EQ(Stored("SELECT name FROM fruit WHERE id = 4").toString(), "kiwi");
    ASSERT_TRUE(Data->Locate("id", 1));
    Data->Delete();
    EXPECT_EQ(Stored("SELECT count(*) FROM fruit WHERE id = 1").toInt(), 0);
    EXPECT_EQ(Column(*Data, "name"), QStringList({"fig", "apricot", "kiwi"}));
}

// --- A dataset as an item model ------------------------------------------------------------

// An in-memory table of Rows records (Id, Customer, Amount) and its model.
struct MemModel : ::testing::Test {
    void Make(int Rows)
    {
        Orders = MakeOrders(Rows);
        Source.SetDataSet(Orders.get());
        Model.SetDataSource(&Source);
    }
    std::unique_ptr<TZMemDataSet> Orders;
    TDataSource Source;
    TZDataSetModel Model;
};

TEST_F(MemModel, AMemoryTableInATableViewReadsWithoutMovingTheGridAndEditsBothWays)
{
    Make(300);
    Tester tester(&Model, Tester::FailureReportingMode::Fatal);
    Orders->FieldByName("Amount")->SetDisplayLabel(QStringLiteral("Total"));
    EXPECT_EQ(Model.rowCount(), 300);
    EXPECT_EQ(Model.columnCount(), 3);
    EXPECT_EQ(Model.headerData(2, Qt::Horizontal).toString(), "Total");
    EXPECT_EQ(Model.roleNames().value(TZDataSetModel::FieldRole + 1), "Customer");

    // A grid shows the table from record 100 on; the view reads far rows.
    TZDBGrid grid;
    grid.SetDataSource(&Source);
    Show(grid);
    Orders->SetRecNo(100);
    const int gridRow = grid.GetRow();
    QTableView view;
    view.setModel(&Model);
    Show(view);
    EXPECT_EQ(Model.index(250, 1).data().toString(), "Customer 251");
    EXPECT_EQ(Model.index(0, 2).data(Qt::EditRole).toDouble(), 10.0);
    EXPECT_EQ(Model.index(5, 1).data(TZDataSetModel::FieldRole).toInt(), 6);
    view.scrollToBottom();
    QApplication::processEvents();
    EXPECT_EQ(Orders->RecNo(), 100) << "the application's record stays";
    EXPECT_EQ(grid.GetRow(), gridRow) << "on its screen row";

    // A walk of the grid that comes back where it was tells the view nothing, so that
    // the two never keep each other reading.
    QSignalSpy quiet(&Model, &QAbstractItemModel::dataChanged);
    {
        TZPositionGuard position(&grid);
        Orders->Last();
    }
    EXPECT_EQ(quiet.count(), 0);
    EXPECT_EQ(Orders->RecNo(), 100);

    // Typed into the view: the table has it, the application's record stays.
    view.scrollToTop();
    const QModelIndex cell = Model.index(1, 1);
    view.setCurrentIndex(cell);
    view.edit(cell);
    auto* editor = view.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Smith"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(Orders->RecNo(), 100);
    ASSERT_TRUE(Orders->Locate("Id", 2));
    EXPECT_EQ(Orders->FieldByName("Customer")->AsString(), "Smith");

    // A value the field refuses: nothing is written, the error goes to the handler.
    QStringList errors;
    OnApplicationException = [&](QWidget*, std::exception_ptr) { errors << QStringLiteral("error"); };
    EXPECT_FALSE(Model.setData(Model.index(3, 0), QStringLiteral("not a number")));
    OnApplicationException = nullptr;
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(Model.index(3, 0).data().toInt(), 4);
    EXPECT_EQ(Orders->State(), dsBrowse);

    // Changed in the dataset: the view hears of it.
    QSignalSpy changed(&Model, &QAbstractItemModel::dataChanged);
    QSignalSpy inserted(&Model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&Model, &QAbstractItemModel::rowsRemoved);
    ASSERT_TRUE(Orders->Locate("Id", 3));
    Orders->Edit();
    Orders->FieldByName("Customer")->SetValue(QStringLiteral("Jones"));
    Orders->Post();
    EXPECT_GE(changed.count(), 1);
    EXPECT_EQ(Model.index(2, 1).data().toString(), "Jones");
    Orders->Append();
    Orders->FieldByName("Id")->SetValue(301);
    Orders->Post();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(Model.rowCount(), 301);
    EXPECT_EQ(Model.index(300, 0).data().toInt(), 301);
    ASSERT_TRUE(Orders->Locate("Id", 2));
    Orders->Delete();
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 1);
    EXPECT_EQ(Model.index(1, 1).data().toString(), "Jones");

    // Sorted and filtered: the rows follow.
    Orders->SetIndexFieldNames(QStringLiteral("Id DESC"));
    EXPECT_EQ(Model.index(0, 0).data().toInt(), 301);
    Orders->SetFilter(QStringLiteral("Id <= 10"));
    Orders->SetFiltered(true);
    EXPECT_EQ(Model.rowCount(), 9);
    EXPECT_EQ(Model.index(0, 0).data().toInt(), 10);
}

TEST_F(MemModel, AModelOverAnotherModelIsADatasetAgain)
{
    // Both ways at once: the table as a model, that model as a dataset in a grid.
    Make(5);
    Tester tester(&Model, Tester::FailureReportingMode::Fatal);
    TZModelDataSet data;
    data.SetModel(&Model);
    data.Open();
    EXPECT_EQ(Column(data, "Customer").size(), 5);
    EXPECT_EQ(data.FieldByName("Amount")->DataType(), ftFloat);
    data.Last();
    data.Edit();
    data.FieldByName("Customer")->SetValue(QStringLiteral("Last"));
    data.Post();
    ASSERT_TRUE(Orders->Locate("Id", 5));
    EXPECT_EQ(Orders->FieldByName("Customer")->AsString(), "Last");
    Orders->Edit();
    Orders->FieldByName("Customer")->SetValue(QStringLiteral("Changed"));
    Orders->Post();
    EXPECT_EQ(data.FieldByName("Customer")->AsString(), "Changed");
}

// The SQLite orders of 1,000 rows and a model over their query.
struct SqlModel : SqliteOrders {
    void SetUp() override
    {
        SqliteOrders::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        CreateOrders(0);
        ASSERT_TRUE(ExecSql(Db(), "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
                                  "INSERT INTO orders SELECT i, 'note ' || i FROM n"));
        Query->Close();
        Query->Open();
    }
    void TearDown() override
    {
        Model.reset();
        SqliteOrders::TearDown();
    }
    std::unique_ptr<TZDataSetModel> Model = std::make_unique<TZDataSetModel>();
};

TEST_F(SqlModel, AQueryInATableViewFetchesInPagesAndEditsBothWays)
{
    Model->SetPageSize(50);
    Model->SetDataSource(&Source);
    Tester tester(Model.get(), Tester::FailureReportingMode::Fatal);
    QTableView view;
    view.setModel(Model.get());
    Show(view);
    EXPECT_LT(Model->rowCount(), 1000) << "no full fetch";
    EXPECT_TRUE(Model->canFetchMore(QModelIndex()));
    EXPECT_EQ(Model->index(10, 1).data().toString(), "note 11");
    while (Model->canFetchMore(QModelIndex()))
        Model->fetchMore(QModelIndex());
    EXPECT_EQ(Model->rowCount(), 1000);
    EXPECT_EQ(Model->index(999, 0).data().toInt(), 1000);
    EXPECT_EQ(Query->RecNo(), 1) << "the application's record stays";

    // Written through the model: the table and the query have it.
    ASSERT_TRUE(Model->setData(Model->index(500, 1), QStringLiteral("changed")));
    QSqlQuery check(Db());
    ASSERT_TRUE(check.exec("SELECT note FROM orders WHERE id = 501") && check.next());
    EXPECT_EQ(check.value(0).toString(), "changed");
    EXPECT_EQ(Query->RecNo(), 1);
    // Written in the query: the model shows it.
    Query->Edit();
    Query->FieldByName("note")->SetValue(QStringLiteral("first"));
    Query->Post();
    EXPECT_EQ(Model->index(0, 1).data().toString(), "first");
    EXPECT_EQ(Model->index(500, 1).data().toString(), "changed");
}

} // namespace
} // namespace zdb::test

#pragma once
// Helpers of the grid tests: a grid that counts its layouts and exposes a few
// protected members, a small in-memory orders table and an SQLite one.

#include "AppExceptions.h"
#include "TestDb.h"
#include "ZDBGrids.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace zdb::test {

class TCountingGrid : public TZDBGrid
{
public:
    explicit TCountingGrid(QWidget* parent = nullptr) : TZDBGrid(parent) {}
    int Layouts = 0;
    using TZCustomDBGrid::CalcTitleRect;
    using TZCustomDBGrid::HeaderRect;

protected:
    void InternalLayout() override
    {
        ++Layouts;
        TZDBGrid::InternalLayout();
    }
};

// An open in-memory table: Id (integer), Customer (string), Amount (float),
// with Rows records "Customer 1", "Customer 2", ... and amounts 10, 20, ...
inline std::unique_ptr<TZMemDataSet> MakeOrders(int Rows)
{
    auto table = std::make_unique<TZMemDataSet>();
    table->FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    table->FieldDefs().Add(QStringLiteral("Customer"), ftWideString, 40);
    table->FieldDefs().Add(QStringLiteral("Amount"), ftFloat);
    table->CreateDataSet();
    for (int i = 1; i <= Rows; ++i) {
        table->Append();
        table->FieldByName(QStringLiteral("Id"))->SetValue(i);
        table->FieldByName(QStringLiteral("Customer"))->SetValue(QStringLiteral("Customer %1").arg(i));
        table->FieldByName(QStringLiteral("Amount"))->SetValue(i * 10.0);
        table->Post();
    }
    table->First();
    return table;
}

// Collects the messages of the exceptions that reach the application's
// handler (OnApplicationException) while it lives.
struct TCaughtErrors {
    TCaughtErrors()
    {
        OnApplicationException = [this](QWidget*, std::exception_ptr Error) {
            try {
                std::rethrow_exception(Error);
            } catch (const std::exception& e) {
                Messages << QString::fromUtf8(e.what());
            }
        };
    }
    ~TCaughtErrors() { OnApplicationException = nullptr; }
    TCaughtErrors(const TCaughtErrors&) = delete;
    TCaughtErrors& operator=(const TCaughtErrors&) = delete;
    QStringList Messages;
};

// Shows the grid offscreen at a fixed size and lets pending events run.
inline void ShowGrid(QWidget& Grid, int Width = 400, int Height = 300)
{
    Grid.resize(Width, Height);
    Grid.show();
    QApplication::processEvents();
}

// A grid over an in-memory orders table (MakeOrders(Rows)), shown by
// ShowOrders at a fixed size.
template <int Rows>
struct OrdersGrid : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(Rows);
    TDataSource Source;
    TZDBGrid Grid;

    // Binds and shows the grid; Focus also gives it the keyboard focus.
    void ShowOrders(bool Focus = false, int Width = 400, int Height = 300)
    {
        Source.SetDataSet(Table.get());
        Grid.SetDataSource(&Source);
        ShowGrid(Grid, Width, Height);
        if (Focus) {
            Grid.activateWindow();
            Grid.setFocus();
            QApplication::processEvents();
        }
    }
    // The raw row of buffer record Record.
    int RowOf(int Record) const { return Grid.TitleRowCount() + Record; }
};

// A grid over an in-memory orders table (MakeOrders(Rows)) shown at 400 × 300
// with a 120-pixel Customer column, and points on it for pointer events.
template <int Rows>
struct ShownOrders : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(Rows);
    TDataSource Source;
    std::unique_ptr<TZDBGrid> Grid = std::make_unique<TZDBGrid>();

    void SetUp() override
    {
        Source.SetDataSet(Table.get());
        Grid->SetDataSource(&Source);
        ShowGrid(*Grid, 400, 300);
        Grid->FindColumn("Customer")->SetWidth(120);
        QApplication::processEvents();
    }
    void TearDown() override
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
    }
    QWidget* View() const { return Grid->viewport(); }
    int Raw(const char* Field) const { return Grid->DataToRawColumn(Grid->FindColumn(Field)->Index()); }
    QPoint Center(int Col, int Row) const { return Grid->CellRect(Col, Row).center(); }
    int CurrentId() const { return Table->FieldByName("Id")->AsInteger(); }
};

// An SQLite table "orders" (id INTEGER PRIMARY KEY, note TEXT) and an open
// query over it ordered by id, with Source on the query. Fixtures built on it
// reset their grids in their TearDown before calling this one.
struct SqliteOrders : SqliteTest {
    // Creates the table with Rows records "note 1", "note 2", ... and opens Query.
    void CreateOrders(int Rows)
    {
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE orders (id INTEGER PRIMARY KEY, note TEXT)"));
        for (int i = 1; i <= Rows; ++i)
            ASSERT_TRUE(ExecSql(Db(), QStringLiteral("INSERT INTO orders VALUES (%1, 'note %1')").arg(i)));
        Query = std::make_unique<TZSQLQuery>();
        Query->SetConnection(Db());
        Query->SetFieldType("note", ftWideString, 40);
        Query->SetSQLText("SELECT id, note FROM orders ORDER BY id");
        Query->Open();
        Source.SetDataSet(Query.get());
    }
    void TearDown() override
    {
        Source.SetDataSet(nullptr);
        Query.reset();
    }
    std::unique_ptr<TZSQLQuery> Query;
    TDataSource Source;
};

// A shown, focused grid over the SQLite orders with Rows records.
template <int Rows>
struct SqliteOrdersGrid : SqliteOrders {
    std::unique_ptr<TZDBGrid> Grid;
    TCaughtErrors Caught;
    void SetUp() override
    {
        SqliteOrders::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        CreateOrders(Rows);
        Grid = std::make_unique<TZDBGrid>();
        Grid->SetDataSource(&Source);
        ShowGrid(*Grid);
        Grid->activateWindow();
        Grid->setFocus();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        Grid.reset();
        SqliteOrders::TearDown();
    }
};

} // namespace zdb::test

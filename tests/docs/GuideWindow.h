#pragma once
// The window every page of docs/guide/ works on: a small shop in an SQLite
// file (customers, orders, categories), the orders in a TZSQLQuery with the
// customer's name looked up, shown by a TZDBGrid in the columns the Columns
// page chooses. The pages' code blocks are
// compiled into the tests beside this file and run on it; each test saves a
// screenshot of what the page shows into the build folder
// (screenshots/guide/<page>.png), from which docs/guide/images/ is taken.

#include "DB.h"
#include "TestDb.h"
#include "ZDBGrids.h"
#include "ZDBSQLQuery.h"

#include <QVBoxLayout>
#include <QWidget>

#include <memory>
#include <ostream>

// QString in test messages as text.
inline void PrintTo(const QString& Text, std::ostream* Stream)
{
    *Stream << '"' << Text.toStdString() << '"';
}

// The code of the Columns page, compiled in GuideWindow.cpp.
namespace guide_columns {
void ChooseOrderColumns(zdb::TZDBGrid& grid);
void FormatAmounts(zdb::TDataSet& orders);
void SetOrderInputs(zdb::TZDBGrid& grid);
void StripeRows(zdb::TZDBGrid& grid);
} // namespace guide_columns

namespace zdb::test {

// Creates and fills the shop's tables in db: 6 customers, 24 orders, 13 categories.
void CreateShop(const QSqlDatabase& db);

class TGuideWindow : public QWidget
{
public:
    explicit TGuideWindow(const QSqlDatabase& db);
    ~TGuideWindow() override;

    // Opens the orders (after a page added its fields) and shows them in Grid.
    void Open();
    // The window painted into build/screenshots/guide/Name.png (and the path).
    QString Shot(const QString& Name, QWidget* widget = nullptr);

    TZSQLQuery Customers;
    TZSQLQuery Orders;
    TDataSource Source;
    TZDBGrid Grid;
};

// The path of the guide's screenshot Name (the folder made when missing).
QString GuideShotPath(const QString& Name);

// The text of a field of the current record.
QString Text(TDataSet& dataSet, const char* field);

class GuideTest : public SqliteTest
{
protected:
    void SetUp() override;
    void TearDown() override;
    TGuideWindow& Window() { return *FWindow; }
    TZDBGrid& Grid() { return FWindow->Grid; }
    TZSQLQuery& Orders() { return FWindow->Orders; }
    // Clicks the caption cell of the grid's data column Column.
    void ClickTitle(int Column, Qt::KeyboardModifiers Modifiers = {});

private:
    std::unique_ptr<TGuideWindow> FWindow;
};

} // namespace zdb::test

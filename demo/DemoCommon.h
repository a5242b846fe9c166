#pragma once
// What the demo's tabs share: the sample database, the small tables the orders
// refer to, the orders themselves (one dataset behind the orders, editing and
// form tabs, so that each follows the same current order), and helpers that set
// up fields and columns.

#include "ZDBGrids.h"
#include "ZDBSQLQuery.h"

#include <QLocale>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <memory>

class QWidget;

namespace zdb::demo {

// The sample data the tabs show. The datasets close in reverse order when it goes.
struct TDemoData
{
    explicit TDemoData(const QSqlDatabase& db);
    ~TDemoData();
    TDemoData(const TDemoData&) = delete;
    TDemoData& operator=(const TDemoData&) = delete;

    QSqlDatabase Db;
    std::unique_ptr<TZSQLQuery> Customers;
    std::unique_ptr<TZSQLQuery> Products;
    std::unique_ptr<TZSQLQuery> States;
    // The orders, with lookup fields Customer, City, Product, Picture (the product's)
    // and a client field Tags (kept in memory).
    std::unique_ptr<TZSQLQuery> Orders;
    std::unique_ptr<TDataSource> OrdersSource;
    // The order states' ids and names, as the pick lists take them.
    QStringList StateIds;
    QStringList StateNames;
};

// The locale numbers and amounts are shown in (the "C" locale of a bare
// environment has no currency symbol: then US English).
QLocale DisplayLocale();

// A read-only query over one of the small tables the orders refer to, all rows read at once.
std::unique_ptr<TZSQLQuery> OpenTable(const QSqlDatabase& db, const QString& sql);

// A lookup field: Result of LookupSet where its key "id" equals KeyField (a string field
// unless one is given).
void AddLookup(TDataSet& dataSet, const QString& name, const QString& keyField, TDataSet* lookupSet,
               const QString& result, int size, std::unique_ptr<TField> field = nullptr);

// How a column looks: its field, title caption, header band, alignment and width.
struct TColumnLook
{
    const char* Field;
    const char* Caption;
    const char* Header;
    TAlignment Alignment;
    int Width;
};
void AddColumns(TZDBGrid* grid, TDataSet& dataSet, std::initializer_list<TColumnLook> looks);

// The footer of the grid's column on Field calculates Calc, shown in Format.
void SetFooter(TZDBGrid* grid, const QString& field, TCalcValue calc, const QString& format);

// A tab's page: a line of text saying what to try there, above the content.
QWidget* TabPage(const QString& hint, QWidget* content);

} // namespace zdb::demo

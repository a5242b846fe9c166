#include "GuideWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTest>

// The columns page's choice of columns is the window's.
namespace guide_columns {
using namespace zdb;
#include "Guide_columns.inc"
} // namespace guide_columns

namespace zdb::test {

void CreateShop(const QSqlDatabase& db)
{
    const char* statements[] = {
        "CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT, city TEXT)",
        "CREATE TABLE orders (id INTEGER PRIMARY KEY, order_no TEXT, order_date TEXT, customer_id INTEGER,"
        " state TEXT, amount REAL, paid TEXT)",
        "CREATE TABLE categories (id INTEGER PRIMARY KEY, parent_id INTEGER, name TEXT)",
        "INSERT INTO customers VALUES (1, 'Adler GmbH', 'Berlin'), (2, 'Bistro Lumière', 'Paris'),"
        " (3, 'Casa Verde', 'Madrid'), (4, 'Dunmore Ltd', 'Dublin'), (5, 'Elbe Kontor', 'Hamburg'),"
        " (6, 'Fjord AS', 'Oslo')",
        "INSERT INTO categories VALUES (1, NULL, 'Food'), (2, 1, 'Bakery'), (3, 2, 'Bread'), (4, 2, 'Cakes'),"
        " (5, 1, 'Dairy'), (6, 5, 'Cheese'), (7, NULL, 'Drinks'), (8, 7, 'Coffee'), (9, 7, 'Tea'),"
        " (10, 9, 'Green tea'), (11, NULL, 'Household'), (12, 11, 'Cleaning'), (13, 11, 'Kitchen')",
    };
    for (const char* sql : statements)
        if (!ExecSql(db, QString::fromUtf8(sql)))
            ADD_FAILURE() << sql;
    // 24 orders over January to March 2026, their fields cycling through the customers and states.
    static const char* states[] = {"New", "Paid", "Shipped", "Shipped", "Cancelled"};
    for (int i = 1; i <= 24; ++i) {
        const QString sql = QStringLiteral("INSERT INTO orders VALUES (%1, 'A-%2', '2026-%3-%4', %5, '%6', %7, '%8')")
                                .arg(i)
                                .arg(1000 + i)
                                .arg(1 + (i - 1) / 8, 2, 10, QLatin1Char('0'))
                                .arg(1 + (i * 3) % 28, 2, 10, QLatin1Char('0'))
                                .arg(1 + (i * 5) % 6)
                                .arg(QLatin1String(states[i % 5]))
                                .arg(QString::number(40 + (i * 37) % 260 + (i % 4) * 0.25, 'f', 2))
                                .arg(i % 3 == 0 ? QLatin1String("N") : QLatin1String("Y"));
        if (!ExecSql(db, sql))
            ADD_FAILURE() << qPrintable(sql);
    }
}

TGuideWindow::TGuideWindow(const QSqlDatabase& db)
{
    Customers.SetConnection(db);
    Customers.SetSQLText(QStringLiteral("SELECT id, name, city FROM customers"));
    Customers.SetReadOnly(true);
    Customers.Open();
    Orders.SetConnection(db);
    Orders.SetSQLText(QStringLiteral(
        "SELECT id, order_no, order_date, customer_id, state, amount, paid FROM orders ORDER BY order_no"));
    Orders.SetFieldType(QStringLiteral("order_date"), ftDate);
    Orders.SetFieldType(QStringLiteral("amount"), ftCurrency);
    Orders.SetFieldType(QStringLiteral("state"), ftWideString, 20);
    Orders.SetFieldType(QStringLiteral("paid"), ftString, 1);
    auto customer = std::make_unique<TStringField>(nullptr, ftWideString);
    customer->SetFieldName(QStringLiteral("Customer"));
    customer->SetFieldKind(fkLookup);
    customer->SetSize(40);
    customer->SetKeyFields(QStringLiteral("customer_id"));
    customer->SetLookupDataSet(&Customers);
    customer->SetLookupKeyFields(QStringLiteral("id"));
    customer->SetLookupResultField(QStringLiteral("name"));
    Orders.AddField(std::move(customer));
    Source.SetDataSet(&Orders);
    Grid.SetKeyFields(QStringLiteral("id"));
    guide_columns::ChooseOrderColumns(Grid);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&Grid);
    resize(640, 360);
}

TGuideWindow::~TGuideWindow()
{
    Grid.SetDataSource(nullptr);
    Source.SetDataSet(nullptr);
    Orders.Close();
    Customers.Close();
}

void TGuideWindow::Open()
{
    if (!Orders.Active())
        Orders.Open();
    Grid.SetDataSource(&Source);
    show();
    QApplication::processEvents();
}

QString TGuideWindow::Shot(const QString& Name, QWidget* widget)
{
    QApplication::processEvents();
    const QString path = GuideShotPath(Name);
    EXPECT_TRUE((widget ? widget : this)->grab().save(path)) << qPrintable(path);
    return path;
}

QString GuideShotPath(const QString& Name)
{
    const QString folder =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../screenshots/guide"));
    QDir().mkpath(folder);
    return QDir(folder).filePath(Name + QStringLiteral(".png"));
}

QString Text(TDataSet& dataSet, const char* field)
{
    return dataSet.FieldByName(QString::fromLatin1(field))->AsString();
}

void GuideTest::SetUp()
{
    SqliteTest::SetUp();
    if (HasFatalFailure())
        return;
    CreateShop(Db());
    FWindow = std::make_unique<TGuideWindow>(Db());
}

void GuideTest::TearDown()
{
    FWindow.reset();
    SqliteTest::TearDown();
}

void GuideTest::ClickTitle(int Column, Qt::KeyboardModifiers Modifiers)
{
    TZDBGrid& grid = Grid();
    QApplication::processEvents();
    const QRect title = grid.CellRect(grid.DataToRawColumn(Column), grid.TitleRowCount() - 1);
    ASSERT_FALSE(title.isEmpty());
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Modifiers, title.center());
    QApplication::processEvents();
}

} // namespace zdb::test

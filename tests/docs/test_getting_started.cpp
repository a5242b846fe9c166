// The code of docs/getting-started.md (pulled out of the page at build time by
// cmake/ExtractCppBlocks.cmake), run over a temporary SQLite file.

#include "GuideWindow.h"
#include "TestDb.h"

#include "GettingStarted.inc"

#include <QApplication>
#include <QTest>

using zdb::test::ExecSql;

namespace {

class GettingStarted : public zdb::test::SqliteTest {
protected:
    void SetUp() override
    {
        SqliteTest::SetUp();
        if (HasFatalFailure())
            return;
        for (const char* sql :
             {"CREATE TABLE cities (id INTEGER PRIMARY KEY, name TEXT)",
              "CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT, city_id INTEGER)",
              "INSERT INTO cities VALUES (1, 'Berlin'), (2, 'Paris')",
              "INSERT INTO customers VALUES (1, 'Zoe', 2), (2, 'Adam', 1), (3, 'Mia', 1)"})
            ASSERT_TRUE(ExecSql(Db(), QString::fromLatin1(sql)));
    }
};

QString Current(TDataSet& dataSet, const char* field)
{
    return dataSet.FieldByName(QString::fromLatin1(field))->AsString();
}

} // namespace

TEST_F(GettingStarted, TheWindowShowsSortsSelectsCopiesAndKeepsItsLayout)
{
    TCustomersWindow window(Db());
    window.resize(500, 300);
    window.show();
    QApplication::processEvents();
    TZDBGrid& grid = window.Grid;
    TZSQLQuery& customers = window.Customers;

    // A first grid, ordered by the statement, with the city looked up.
    ASSERT_TRUE(grid.DataLink()->Active());
    EXPECT_EQ(Current(customers, "name"), QStringLiteral("Adam"));
    EXPECT_EQ(Current(customers, "City"), QStringLiteral("Berlin"));
    EXPECT_EQ(grid.GetOrderFields(), QStringLiteral("name"));
    ChooseColumns(grid);
    NoSortOnLookups(grid);
    ASSERT_EQ(grid.Columns()->Count(), 2);
    EXPECT_FALSE(grid.Columns()->Items(1)->Title()->GetAutoToggle());

    // Clicks on the name title sort through the ORDER BY.
    const auto clickTitle = [&grid](int column) {
        QApplication::processEvents();
        // The captions are the last title row, under the header bands.
        const QRect title = grid.CellRect(grid.DataToRawColumn(column), grid.TitleRowCount() - 1);
        ASSERT_FALSE(title.isEmpty());
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, title.center());
        QApplication::processEvents();
    };
    clickTitle(0); // the new columns start without markers: ascending first
    EXPECT_EQ(grid.GetOrderFields(), QStringLiteral("name"));
    clickTitle(0);
    EXPECT_EQ(grid.GetOrderFields(), QStringLiteral("name DESC"));
    customers.First();
    EXPECT_EQ(Current(customers, "name"), QStringLiteral("Zoe"));
    EXPECT_EQ(Current(customers, "City"), QStringLiteral("Paris"));
    clickTitle(1); // the lookup column does not sort
    EXPECT_EQ(grid.GetOrderFields(), QStringLiteral("name DESC"));

    // Two selected rows copied with their titles.
    EnableRowSelection(grid);
    customers.First();
    grid.SelectRow();
    customers.Next();
    grid.SelectRow();
    EXPECT_EQ(grid.SelectedRows()->Count(), 2);
    EXPECT_EQ(CopySelection(grid), QStringLiteral("Customer\tCity\r\nZoe\tParis\r\nMia\tBerlin"));

    // A saved layout puts back what the user changed.
    const QStringList layout = SaveLayout(grid);
    grid.Columns()->Items(0)->SetWidth(90);
    grid.Columns()->Items(1)->MoveTo(0);
    RestoreLayout(grid, layout);
    EXPECT_EQ(grid.Columns()->Items(0)->GetFieldName(), QStringLiteral("name"));
    EXPECT_EQ(grid.Columns()->Items(0)->GetWidth(), 200);
    ASSERT_TRUE(window.grab().save(zdb::test::GuideShotPath(QStringLiteral("getting-started"))));
}

TEST_F(GettingStarted, ShowCustomersOpensAWindowOverTheFile)
{
    ShowCustomers(TestDb().FilePath());
    TCustomersWindow* window = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* customersWindow = dynamic_cast<TCustomersWindow*>(widget))
            window = customersWindow;
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->Customers.RecordCount(), 3);
    window->close(); // deletes itself
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QSqlDatabase::removeDatabase(QStringLiteral("customers"));
}

// docs/guide/sorting.md run on the guide's orders window.

#include "GuideWindow.h"
#include "ZDBMemData.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <utility>

namespace guide_sorting {
using namespace zdb;
#include "Guide_sorting.inc"
} // namespace guide_sorting

namespace zdb::test {
namespace {

using GuideSorting = GuideTest;

// The amounts of the orders in the dataset's order.
QList<double> Amounts(TDataSet& orders)
{
    QList<double> result;
    for (orders.First(); !orders.Eof(); orders.Next())
        result << orders.FieldByName(QStringLiteral("amount"))->AsFloat();
    orders.First();
    return result;
}

TEST_F(GuideSorting, ClicksAndCodeSortThroughTheQuery)
{
    guide_sorting::EnableClickToSort(Grid());
    Window().Open();
    // The statement's ORDER BY shows as the marker.
    EXPECT_EQ(Grid().GetOrderFields(), QStringLiteral("order_no"));

    // A click on Amount sorts ascending, a second one descending.
    const int amount = Grid().ColumnByName(QStringLiteral("amount"))->Index();
    ClickTitle(amount);
    EXPECT_EQ(Grid().GetOrderFields(), QStringLiteral("amount"));
    QList<double> amounts = Amounts(Orders());
    EXPECT_TRUE(std::is_sorted(amounts.begin(), amounts.end()));
    ClickTitle(amount);
    EXPECT_EQ(Grid().GetOrderFields(), QStringLiteral("amount DESC"));
    amounts = Amounts(Orders());
    EXPECT_TRUE(std::is_sorted(amounts.rbegin(), amounts.rend()));

    // Two keys from code: the states in order, within a state the amounts descending.
    guide_sorting::SortByStateThenAmount(Grid());
    EXPECT_EQ(Grid().GetOrderFields(), QStringLiteral("state,amount DESC"));
    QString lastState;
    double lastAmount = 0;
    for (Orders().First(); !Orders().Eof(); Orders().Next()) {
        const QString state = Text(Orders(), "state");
        const double value = Orders().FieldByName(QStringLiteral("amount"))->AsFloat();
        ASSERT_GE(state, lastState);
        if (state == lastState) {
            EXPECT_LE(value, lastAmount);
        }
        lastState = state;
        lastAmount = value;
    }
    Orders().First();
    Window().Shot(QStringLiteral("sorting"));
}

TEST_F(GuideSorting, WithoutAutoUpdateTheApplicationApplies)
{
    guide_sorting::EnableClickToSort(Grid());
    QStringList log;
    guide_sorting::SortOnRequest(Grid(), log);
    Window().Open();
    ClickTitle(Grid().ColumnByName(QStringLiteral("amount"))->Index());
    EXPECT_EQ(log, QStringList{QStringLiteral("amount")});
    const QList<double> amounts = Amounts(Orders());
    EXPECT_TRUE(std::is_sorted(amounts.begin(), amounts.end()));
}

} // namespace
} // namespace zdb::test

namespace zdb::test {
namespace {

TEST(GuideSortingInMemory, TitleClicksSetTheIndexFieldNames)
{
    TZMemDataSet table;
    guide_sorting::FillPrices(table);
    TDataSource source;
    source.SetDataSet(&table);
    TZDBGrid grid;
    guide_sorting::EnableClickToSort(grid);
    grid.SetKeyFields(QString());
    grid.SetDataSource(&source);
    grid.resize(500, 150);
    grid.show();
    QApplication::processEvents();
    const QRect title = grid.CellRect(grid.DataToRawColumn(1), grid.TitleRowCount() - 1);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, title.center());
    EXPECT_EQ(table.GetIndexFieldNames(), QStringLiteral("price"));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, title.center());
    EXPECT_EQ(table.GetIndexFieldNames(), QStringLiteral("price DESC"));
    table.First();
    EXPECT_EQ(table.FieldByName(QStringLiteral("product"))->AsString(), QStringLiteral("Espresso beans"));
    QApplication::processEvents();
    EXPECT_TRUE(grid.grab().save(GuideShotPath(QStringLiteral("datasets"))));
    grid.SetDataSource(nullptr);
}

} // namespace
} // namespace zdb::test

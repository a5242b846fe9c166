// docs/guide/filtering.md run on the guide's orders window.

#include "GuideWindow.h"

#include <QApplication>
#include <QSqlQuery>

namespace guide_filtering {
using namespace zdb;
#include "Guide_filtering.inc"
} // namespace guide_filtering

namespace zdb::test {
namespace {

using GuideFiltering = GuideTest;

// The order numbers the grid's dataset shows, in its order.
QStringList Shown(TDataSet& orders)
{
    QStringList result;
    for (orders.First(); !orders.Eof(); orders.Next())
        result << Text(orders, "order_no");
    orders.First();
    return result;
}

QStringList Selected(const QSqlDatabase& db, const QString& where)
{
    QSqlQuery query(db);
    EXPECT_TRUE(query.exec(QStringLiteral("SELECT order_no FROM orders WHERE %1 ORDER BY order_no").arg(where)));
    QStringList result;
    while (query.next())
        result << query.value(0).toString();
    return result;
}

TEST_F(GuideFiltering, ColumnFiltersGiveWhatTheirWhereGivesAndClearAgain)
{
    guide_filtering::EnableFilterLists(Grid());
    Window().Open();
    EXPECT_TRUE(Grid().Columns()->FindColumn(QStringLiteral("state"))->HasAutoFilterButton());

    guide_filtering::ShowOpenOrders(Grid());
    QApplication::processEvents();
    const QStringList expected = Selected(Db(), QStringLiteral("state IN ('New', 'Shipped') AND amount >= 100"));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(Shown(Orders()), expected);
    Grid().Search()->SetPanelVisible(true);
    Window().Shot(QStringLiteral("filtering"));
    Grid().Search()->SetPanelVisible(false);

    guide_filtering::ShowAllOrders(Grid());
    QApplication::processEvents();
    EXPECT_EQ(Shown(Orders()), Selected(Db(), QStringLiteral("1 = 1")));
}

TEST_F(GuideFiltering, SearchFindsTheCustomer)
{
    Window().Open();
    ASSERT_TRUE(guide_filtering::FindCustomer(Grid(), QStringLiteral("fjord")));
    EXPECT_EQ(Text(Orders(), "Customer"), QStringLiteral("Fjord AS"));
    EXPECT_FALSE(guide_filtering::FindCustomer(Grid(), QStringLiteral("nobody here")));
    EXPECT_EQ(Text(Orders(), "Customer"), QStringLiteral("Fjord AS")); // the record stays
}

} // namespace
} // namespace zdb::test

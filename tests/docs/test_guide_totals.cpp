// docs/guide/totals.md run on the guide's orders window.

#include "GuideWindow.h"

#include <QApplication>
#include <QSqlQuery>
#include <QTest>

namespace guide_totals {
using namespace zdb;
#include "Guide_totals.inc"
} // namespace guide_totals

namespace zdb::test {
namespace {

using GuideTotals = GuideTest;

TEST_F(GuideTotals, FooterCountsAndSumsAllThenTheSelection)
{
    Grid().SetOptions(Grid().GetOptions() | dgMultiSelect);
    Window().Open();
    guide_totals::ShowOrderTotals(Grid());
    QApplication::processEvents();
    TZColumnTotalValue* count = Grid().Columns()->FindColumn(QStringLiteral("order_no"))->TotalFooter();
    TZColumnTotalValue* sum = Grid().Columns()->FindColumn(QStringLiteral("amount"))->TotalFooter();
    Grid().UpdateCalcValues(false);
    QSqlQuery expected(Db());
    ASSERT_TRUE(expected.exec(QStringLiteral("SELECT COUNT(*), SUM(amount) FROM orders")) && expected.next());
    EXPECT_EQ(count->GetDisplayText(), QStringLiteral("%1 orders").arg(expected.value(0).toInt()));
    EXPECT_DOUBLE_EQ(sum->GetValue().toDouble(), expected.value(1).toDouble());
    EXPECT_EQ(sum->GetDisplayText(), QLocale().toString(expected.value(1).toDouble(), 'f', 2));
    Window().Shot(QStringLiteral("totals"));

    // Two selected orders: once the grid has taken in the selection, the second format, over them only.
    Orders().First();
    Grid().SelectedRows()->SetCurrentRowSelected(true);
    const double first = Orders().FieldByName(QStringLiteral("amount"))->AsFloat();
    Orders().Next();
    Grid().SelectedRows()->SetCurrentRowSelected(true);
    const double second = Orders().FieldByName(QStringLiteral("amount"))->AsFloat();
    EXPECT_TRUE(QTest::qWaitFor([&] { return count->GetDisplayText() == QStringLiteral("2 selected"); }))
        << count->GetDisplayText().toStdString();
    EXPECT_NEAR(sum->GetValue().toDouble(), first + second, 1e-9);
}

} // namespace
} // namespace zdb::test

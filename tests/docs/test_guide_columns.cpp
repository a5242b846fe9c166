// docs/guide/columns.md (compiled with the guide's window) run on that window.

#include "GuideWindow.h"

#include <QApplication>
#include <QTest>

namespace zdb::test {
namespace {

using GuideColumns = GuideTest;

TEST_F(GuideColumns, ChosenColumnsBandsFormatsCheckBoxesAndPickLists)
{
    guide_columns::ChooseOrderColumns(Grid()); // the window chose them too: the same six again
    guide_columns::SetOrderInputs(Grid());
    guide_columns::StripeRows(Grid());
    Grid().SetOptions(Grid().GetOptions() | dgEditing);
    Window().Open();
    guide_columns::FormatAmounts(Orders());

    // Six columns in the order added, the first four under one "Order" band.
    ASSERT_EQ(Grid().Columns()->Count(), 6);
    EXPECT_EQ(Grid().Columns()->Items(4)->GetFieldName(), QStringLiteral("Customer"));
    EXPECT_EQ(Grid().Columns()->Items(2)->Title()->GetHeader(), QStringLiteral("Order"));

    // The field's format is what the cell shows.
    Orders().First();
    const double amount = Orders().FieldByName(QStringLiteral("amount"))->AsFloat();
    EXPECT_EQ(Orders().FieldByName(QStringLiteral("amount"))->DisplayText(),
              QLocale().toString(amount, 'f', 2));

    // Space on the check-box column toggles the stored Y/N value.
    Grid().setFocus();
    Grid().SetSelectedIndex(3);
    const QString paid = Text(Orders(), "paid");
    QTest::keyClick(&Grid(), Qt::Key_Space);
    Orders().Post();
    EXPECT_EQ(Text(Orders(), "paid"), paid == QStringLiteral("Y") ? QStringLiteral("N") : QStringLiteral("Y"));

    // The pick list refuses a state it does not hold and takes one it does.
    Grid().SetSelectedIndex(2);
    TZColumn* state = Grid().Columns()->Items(2);
    EXPECT_TRUE(state->GetPickOptions().testFlag(poListItemsOnly));
    Window().Shot(QStringLiteral("columns"));
}

} // namespace
} // namespace zdb::test

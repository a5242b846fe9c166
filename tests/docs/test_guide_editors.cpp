// docs/guide/editors.md run on the guide's orders window.

#include "GuideWindow.h"
#include "ZDBEditor.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QTest>

namespace guide_editors {
using namespace zdb;
#include "Guide_editors.inc"
} // namespace guide_editors

namespace zdb::test {
namespace {

using GuideEditors = GuideTest;

TEST_F(GuideEditors, CellsAndFormEditTheSameRecord)
{
    guide_editors::EditOrders(Grid());
    guide_editors::ChooseCustomerByName(Grid(), Window().Customers);
    Window().Open();
    QWidget* form = guide_editors::CreateOrderForm(&Window(), Grid(), Window().Source);
    form->setFixedWidth(180);
    static_cast<QVBoxLayout*>(Window().layout())->setDirection(QBoxLayout::LeftToRight);
    Window().layout()->addWidget(form);
    Window().resize(900, 360);
    QApplication::processEvents();
    Orders().First();

    // Typing in the amount cell starts its editor with that character; Enter writes it.
    Grid().setFocus();
    Grid().SetSelectedIndex(Grid().ColumnByName(QStringLiteral("amount"))->Index());
    QTest::keyClicks(&Grid(), QStringLiteral("77"));
    QTest::keyClick(Grid().GetInplaceEditor(), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Orders().FieldByName(QStringLiteral("amount"))->AsFloat(), 77.0);

    // The customer column shows the looked-up name of the stored key.
    TZColumn* customer = Grid().ColumnByName(QStringLiteral("customer_id"));
    ASSERT_NE(customer, nullptr);
    EXPECT_EQ(customer->GetDisplayText(), Text(Orders(), "Customer"));

    // The form's state editor follows the grid's column, its amount editor shows the record and writes what is typed into it.
    auto editors = form->findChildren<TZDBEditor*>();
    ASSERT_EQ(editors.size(), 1);
    TZDBEditor* amount = editors.first();
    auto columns = form->findChildren<TZDBColumn*>();
    ASSERT_EQ(columns.size(), 1);
    EXPECT_EQ(columns.first()->text(), Text(Orders(), "state"));
    EXPECT_EQ(amount->text(), Orders().FieldByName(QStringLiteral("amount"))->GetEditText());
    amount->setFocus();
    amount->selectAll();
    QTest::keyClicks(amount, QStringLiteral("12.5"));
    QTest::keyClick(amount, Qt::Key_Return);
    Orders().Post();
    EXPECT_DOUBLE_EQ(Orders().FieldByName(QStringLiteral("amount"))->AsFloat(), 12.5);
    Window().Shot(QStringLiteral("editors"));
}

} // namespace
} // namespace zdb::test

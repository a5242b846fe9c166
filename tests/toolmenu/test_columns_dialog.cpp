// The columns dialog over a shown grid: what it lists and ticks, OK applying
// visibility and order, Cancel leaving the columns alone, automatic updates,
// reordering by the keyboard and Shift-click range ticking with real clicks.

#include "../grid/test_grid_helpers.h"

#include "ZDBLists.h"

#include <QGroupBox>
#include <QPushButton>
#include <QTimer>

using namespace zdb;
using namespace zdb::test;

namespace {

struct ColumnsDialog : ShownOrders<10> {
    TCaughtErrors Caught;

    // Runs Dialog; Work gets the shown form and ends it.
    bool Run(TZDBColumnsDialog& Dialog, const std::function<void(TZDBColumnsForm*)>& Work)
    {
        Dialog.SetDBGrid(Grid.get());
        TZDBColumnsForm* shown = nullptr;
        Dialog.OnCreate = [&](TZDBColumnsDialog*, TZDBColumnsForm* Form) { shown = Form; };
        Dialog.OnShow = [&](TZDBColumnsDialog*) {
            QTimer::singleShot(0, [&] {
                Work(shown);
                if (shown->isVisible())
                    shown->reject();
            });
        };
        return Dialog.Execute();
    }
    static QStringList Texts(const TZDBColumnsForm* Form)
    {
        QStringList texts;
        for (int i = 0; i < Form->ColumnsList()->count(); ++i)
            texts << Form->ColumnsList()->item(i)->text() + (Form->ColumnsList()->Checked(i) ? "+" : "-");
        return texts;
    }
    QStringList Order() const
    {
        QStringList order;
        for (const TZColumn* column : *Grid->Columns())
            order << column->GetFieldName();
        return order;
    }
};

} // namespace

TEST_F(ColumnsDialog, OkAppliesTheTicksAndCancelLeavesThem)
{
    TZDBColumnsDialog dialog;
    Grid->FindColumn("Amount")->SetVisible(false);
    Grid->FindColumn("Customer")->Title()->SetHeader("Buyer");
    QStringList listed;
    bool buttons = false;
    EXPECT_FALSE(Run(dialog, [&](TZDBColumnsForm* Form) {
        listed = Texts(Form);
        buttons = Form->OKButton()->isVisible() && Form->CancelButton()->isVisible() &&
                  Form->HelpButton()->isVisible() && !Form->ApplyButton()->isVisible();
        Form->ColumnsList()->SetChecked(0, false);
        QTest::mouseClick(Form->CancelButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(listed, QStringList({"Id+", "Customer+", "Amount-"}));
    EXPECT_TRUE(buttons);
    EXPECT_TRUE(Grid->FindColumn("Id")->GetVisible()) << "Cancel changes nothing";

    dialog.SetOptions(dialog.GetOptions() | TZDBColumnsOptions{coShowHeaders});
    EXPECT_TRUE(Run(dialog, [&](TZDBColumnsForm* Form) {
        listed = Texts(Form);
        Form->ColumnsList()->SetChecked(0, false);
        Form->ColumnsList()->SetChecked(2, true);
        QTest::mouseClick(Form->OKButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(listed[1], QStringLiteral("Buyer \u00BB Customer+"));
    EXPECT_FALSE(Grid->FindColumn("Id")->GetVisible());
    EXPECT_TRUE(Grid->FindColumn("Amount")->GetVisible());
    // The selected column was hidden: the grid selects the next showing one.
    EXPECT_EQ(Grid->SelectedColumn(), Grid->FindColumn("Customer"));

    // Apply writes at once; a Cancel afterwards takes nothing back.
    dialog.SetOptions(dialog.GetOptions() | TZDBColumnsOptions{coApplyButton});
    EXPECT_FALSE(Run(dialog, [&](TZDBColumnsForm* Form) {
        Form->ColumnsList()->SetChecked(2, false);
        QTest::mouseClick(Form->ApplyButton(), Qt::LeftButton);
        QTest::mouseClick(Form->CancelButton(), Qt::LeftButton);
    }));
    EXPECT_FALSE(Grid->FindColumn("Amount")->GetVisible());
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

TEST_F(ColumnsDialog, AutoUpdateAppliesEachTickAtOnce)
{
    TZDBColumnsDialog dialog;
    dialog.SetOptions(TZDBColumnsOptions{coAutoUpdate, coCancelButton, coApplyButton, coMarkVisibleCols});
    EXPECT_EQ(dialog.GetOptions(), (TZDBColumnsOptions{coAutoUpdate, coMarkVisibleCols}));
    int applied = 0;
    dialog.OnApply = [&](TZDBColumnsDialog*) { ++applied; };
    bool hiddenAtOnce = false, buttons = true;
    // Closing counts as OK.
    EXPECT_TRUE(Run(dialog, [&](TZDBColumnsForm* Form) {
        buttons = Form->CancelButton()->isVisible() || Form->ApplyButton()->isVisible();
        Form->ColumnsList()->SetChecked(1, false);
        hiddenAtOnce = !Grid->FindColumn("Customer")->GetVisible();
        Form->close();
    }));
    EXPECT_FALSE(buttons);
    EXPECT_TRUE(hiddenAtOnce);
    EXPECT_EQ(applied, 1);
}

TEST_F(ColumnsDialog, KeyboardMovesReorderTheColumns)
{
    TZDBColumnsDialog dialog;
    dialog.SetOptions(TZDBColumnsOptions{coAllowMoving, coCancelButton, coMarkVisibleCols});
    QStringList listed;
    EXPECT_TRUE(Run(dialog, [&](TZDBColumnsForm* Form) {
        TCheckListBox* list = Form->ColumnsList();
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
        EXPECT_EQ(list->currentRow(), 2);
        // Up without Shift only moves the focus.
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Up, Qt::ShiftModifier);
        listed = Texts(Form);
        EXPECT_EQ(Order(), QStringList({"Id", "Customer", "Amount"})) << "nothing applied before OK";
        QTest::mouseClick(Form->OKButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(listed, QStringList({"Amount+", "Customer+", "Id+"}));
    EXPECT_EQ(Order(), QStringList({"Amount", "Customer", "Id"}));

    // Frozen columns stay where they are: a move onto one is refused.
    Grid->SetFixedCols(1);
    dialog.SetOptions(dialog.GetOptions() | TZDBColumnsOptions{coShowFixedCols});
    EXPECT_FALSE(Run(dialog, [&](TZDBColumnsForm* Form) {
        EXPECT_FALSE(Form->CanMoveItem(1, 0));
        EXPECT_TRUE(Form->CanMoveItem(1, 2));
        Form->ColumnsList()->setCurrentRow(1);
        QTest::keyClick(Form->ColumnsList(), Qt::Key_Up, Qt::ShiftModifier);
        listed = Texts(Form);
        QTest::mouseClick(Form->CancelButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(listed, QStringList({"Amount+", "Customer+", "Id+"}));
}

TEST_F(ColumnsDialog, ShiftClickTicksTheRange)
{
    Grid->Columns()->Clear();
    for (int i = 0; i < 5; ++i)
        Grid->Columns()->Add()->SetFieldName(i % 2 ? "Customer" : "Id");
    Grid->Columns()->Items(3)->SetDialogOptions(TDialogOptions{doShowColumn});
    TZDBColumnsDialog dialog;
    QStringList listed;
    Run(dialog, [&](TZDBColumnsForm* Form) {
        TCheckListBox* list = Form->ColumnsList();
        const auto click = [list](int Row, Qt::KeyboardModifiers Keys) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Keys, list->CheckRect(Row).center());
        };
        click(0, {});
        EXPECT_FALSE(list->Checked(0)) << "a plain click on the box toggles it";
        list->setCurrentRow(1);
        click(4, Qt::ShiftModifier);
        listed = Texts(Form);
        QTest::mouseClick(Form->CancelButton(), Qt::LeftButton);
    });
    // Rows 1 to 4 take the clicked row's new tick, except the disabled row 3.
    EXPECT_EQ(listed, QStringList({"Id-", "Customer-", "Id-", "Customer+", "Id-"}));
}

TEST_F(ColumnsDialog, PrintVariantMarksPrintedColumns)
{
    TZDBPrintColumnsDialog dialog;
    EXPECT_EQ(dialog.GetTitle(), "Print Columns");
    dialog.SetTitle(QString());
    EXPECT_EQ(dialog.GetTitle(), "Print Columns");
    Grid->FindColumn("Amount")->Report()->SetVisible(false);
    Grid->FindColumn("Customer")->SetVisible(false);
    QStringList listed;
    QString caption;
    EXPECT_TRUE(Run(dialog, [&](TZDBColumnsForm* Form) {
        listed = Texts(Form);
        caption = Form->ColumnsGroupBox()->title();
        Form->ColumnsList()->SetChecked(0, false);
        QTest::mouseClick(Form->OKButton(), Qt::LeftButton);
    }));
    // Hidden columns are not offered for printing.
    EXPECT_EQ(listed, QStringList({"Id+", "Amount-"}));
    EXPECT_EQ(caption, " &Printed Columns ");
    EXPECT_FALSE(Grid->FindColumn("Id")->Report()->GetVisible());
    EXPECT_TRUE(Grid->FindColumn("Id")->GetVisible());
}

TEST(ColumnsForm, GrowsWithTheFont)
{
    QWidget small, large;
    QFont font = small.font();
    font.setPixelSize(11);
    small.setFont(font);
    font.setPixelSize(33);
    large.setFont(font);
    TZDBColumnsForm smallForm(&small), largeForm(&large);
    EXPECT_GE(largeForm.OKButton()->minimumWidth(), 2 * smallForm.OKButton()->minimumWidth());
    EXPECT_GE(largeForm.OKButton()->minimumHeight(), 2 * smallForm.OKButton()->minimumHeight());
    // A font given later rescales it.
    smallForm.setFont(font);
    EXPECT_EQ(smallForm.OKButton()->minimumWidth(), largeForm.OKButton()->minimumWidth());
}


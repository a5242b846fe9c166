// Tool tips over a shown grid's cells (tool-tip requests sent to the viewport),
// the input method following the current column, text an input method commits
// on the grid, and the look of the scroll bars.

#include "test_grid_helpers.h"

#include <QInputMethodEvent>
#include <QScrollBar>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

struct GridHints : ShownOrders<30> {
    void SetUp() override
    {
        ShownOrders<30>::SetUp();
        Grid->Columns()->SetState(csCustomized);
        QApplication::processEvents();
    }
    QPoint Cell(const char* Field, int Record) const { return Center(Raw(Field), Grid->FirstDataRow() + Record); }
    // The tool tip a request at Pos shows.
    QString TipAt(const QPoint& Pos)
    {
        QHelpEvent help(QEvent::ToolTip, Pos, View()->mapToGlobal(Pos));
        QApplication::sendEvent(View(), &help);
        return QToolTip::text();
    }
    QString HintAt(const QPoint& Pos)
    {
        THintCell kind = hcData;
        QRect rect;
        return Grid->CellHint(Pos, kind, rect);
    }
};

} // namespace

TEST_F(GridHints, DataCellsShowCutTextAndColumnHints)
{
    Grid->FindColumn("Customer")->SetWidth(40);
    QApplication::processEvents();
    EXPECT_EQ(TipAt(Cell("Customer", 2)), "Customer 3");
    EXPECT_EQ(HintAt(Cell("Id", 2)), ""); // "3" fits
    // The column's hint with hoDataHints; the cut text goes first.
    Grid->FindColumn("Id")->SetHint("Order number");
    Grid->FindColumn("Customer")->SetHint("Who ordered");
    EXPECT_EQ(HintAt(Cell("Id", 2)), "");
    Grid->SetHintOptions(Grid->GetHintOptions() | hoDataHints);
    EXPECT_EQ(TipAt(Cell("Id", 2)), "Order number");
    EXPECT_EQ(HintAt(Cell("Customer", 2)), "Customer 3");
    Grid->SetHintOptions(Grid->GetHintOptions() & ~TZHintOptions(hoShowToolTips));
    EXPECT_EQ(HintAt(Cell("Customer", 2)), "Who ordered");
    // OnCellHint has the last word.
    Grid->OnCellHint = [](TZCustomDBGrid*, THintCell Kind, TZColumn* Column, QString& Hint) {
        if (Kind == hcData && Column->GetFieldName() == "Id")
            Hint += "!";
    };
    EXPECT_EQ(TipAt(Cell("Id", 4)), "Order number!");
    // Where no cell has a hint the grid's own shows.
    Grid->OnCellHint = nullptr;
    Grid->SetHintOptions(Grid->GetHintOptions() & ~TZHintOptions(hoDataHints));
    Grid->setToolTip("Orders");
    EXPECT_EQ(TipAt(Cell("Amount", 1)), "Orders");
}

TEST_F(GridHints, TitlesCornerIndicatorAndTotalsShowTheirHints)
{
    Grid->SetOptionsEx(Grid->GetOptionsEx() | dgTotalFooter);
    Grid->FindColumn("Amount")->TotalFooter()->SetHint("Sum of the amounts");
    Grid->FindColumn("Amount")->Title()->SetHint("Amount in EUR");
    Grid->FindColumn("Customer")->SetWidth(30);
    Grid->SetFillerHint("Tools");
    Grid->SetIndicatorHint("Current row");
    QApplication::processEvents();
    EXPECT_EQ(TipAt(Center(Raw("Amount"), 0)), "Amount in EUR");
    EXPECT_EQ(TipAt(Center(Raw("Customer"), 0)), "Customer"); // the cut caption
    EXPECT_EQ(HintAt(Center(Raw("Id"), 0)), "");
    EXPECT_EQ(TipAt(Center(0, 0)), "Tools");
    EXPECT_EQ(TipAt(Center(0, Grid->FirstDataRow() + 2)), "Current row");
    EXPECT_EQ(HintAt(Center(Raw("Amount"), Grid->GetRowCount() - 1)), "");
    Grid->SetHintOptions(Grid->GetHintOptions() | hoTotalHints);
    EXPECT_EQ(TipAt(Center(Raw("Amount"), Grid->GetRowCount() - 1)), "Sum of the amounts");
    Grid->SetHintOptions(Grid->GetHintOptions() & ~TZHintOptions(hoTitleHints));
    EXPECT_EQ(HintAt(Center(Raw("Amount"), 0)), "");
}

TEST_F(GridHints, TheInputMethodFollowsTheColumnAndCommittedTextStartsTheEditor)
{
    Grid->FindColumn("Id")->SetImeMode(imDisable);
    Grid->FindColumn("Customer")->SetImeMode(imClose);
    Grid->activateWindow();
    Grid->setFocus();
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Customer", 1));
    EXPECT_TRUE(Grid->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_EQ(Grid->inputMethodHints(), Qt::ImhPreferLatin);
    QTest::keyClick(Grid.get(), Qt::Key_Left);
    ASSERT_EQ(Grid->SelectedColumn(), Grid->FindColumn("Id"));
    EXPECT_FALSE(Grid->testAttribute(Qt::WA_InputMethodEnabled));
    QTest::keyClick(Grid.get(), Qt::Key_F2);
    ASSERT_TRUE(Grid->GetInplaceEditor() && Grid->GetInplaceEditor()->isVisible());
    EXPECT_FALSE(Grid->GetInplaceEditor()->testAttribute(Qt::WA_InputMethodEnabled));
    QTest::keyClick(Grid->GetInplaceEditor(), Qt::Key_Escape);

    QTest::keyClick(Grid.get(), Qt::Key_Right);
    ASSERT_EQ(Grid->SelectedColumn(), Grid->FindColumn("Customer"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("Zoë"));
    QApplication::sendEvent(Grid.get(), &commit);
    TInplaceEdit* editor = Grid->GetInplaceEditor();
    ASSERT_TRUE(editor && editor->isVisible());
    EXPECT_EQ(editor->text(), "Zoë");
    EXPECT_TRUE(editor->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_EQ(editor->inputMethodHints(), Qt::ImhPreferLatin);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(Table->FieldByName("Customer")->AsString(), "Zoë");
}

TEST_F(GridHints, FlatScrollBarsTakeTheirColourAndXPModeKeepsThePlatformBars)
{
    TZScrollProp* prop = Grid->ScrollProp();
    QScrollBar* bar = Grid->verticalScrollBar();
    // The groove just above the lower arrow button.
    const auto groove = [bar] {
        const QImage image = bar->grab().toImage();
        return image.pixelColor(image.width() / 2, image.height() - bar->width() - 3);
    };
    prop->SetStyle(ssFlat);
    prop->SetColor(clRed);
    QApplication::processEvents();
    EXPECT_EQ(groove(), QColor(Qt::red));
    prop->SetWinXPMode(true);
    QApplication::processEvents();
    EXPECT_NE(groove(), QColor(Qt::red));

    // A horizontal bar left out of AutoHidden stays while the columns fit, and
    // one left out of ThumbBar gets a thumb of fixed size.
    EXPECT_FALSE(Grid->horizontalScrollBar()->isVisible());
    prop->SetAutoHidden(ssNone);
    QApplication::processEvents();
    EXPECT_TRUE(Grid->horizontalScrollBar()->isVisible());
    prop->SetThumbBar(ssVertical);
    Grid->FindColumn("Customer")->SetWidth(500);
    QApplication::processEvents();
    EXPECT_EQ(Grid->horizontalScrollBar()->pageStep(), 0);
    EXPECT_GT(bar->pageStep(), 0);
}

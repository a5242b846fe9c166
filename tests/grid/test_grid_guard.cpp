// Exceptions that reach the grid's and its editor's Qt event handlers are
// caught there and handed to the application's handler.

#include "DBError.h"
#include "test_grid_helpers.h"

#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

struct GridGuard : OrdersGrid<5> {
    void SetUp() override { ShowOrders(); }
};

} // namespace

TEST_F(GridGuard, AFieldThatFailsWhilePaintedReachesTheApplicationHandler)
{
    TCaughtErrors caught;
    bool fail = true;
    Table->FieldByName("Customer")->OnGetText = [&](TField*, QString& text, bool) {
        if (fail)
            DatabaseError(QStringLiteral("Customer cannot be read"));
        text = QStringLiteral("ok");
    };
    const QImage image = Grid.grab().toImage();
    EXPECT_FALSE(image.isNull());
    // Once per paint, although every row's cell failed; the other columns painted.
    ASSERT_EQ(caught.Messages.size(), 1);
    EXPECT_TRUE(caught.Messages[0].contains("Customer cannot be read"));
    EXPECT_EQ(Grid.CellText(1, 1), "1");

    // While the paints keep failing the error is not reported again (a
    // message box over the grid would otherwise open on every repaint).
    Grid.grab();
    EXPECT_EQ(caught.Messages.size(), 1);

    // The painter's state survived the failure: the next paint is complete,
    // and a later failure is reported again.
    fail = false;
    const QImage good = Grid.grab().toImage();
    EXPECT_EQ(caught.Messages.size(), 1);
    EXPECT_NE(good, image);
    fail = true;
    Grid.grab();
    EXPECT_EQ(caught.Messages.size(), 2);
}

TEST_F(GridGuard, ResizeKeyAndDeferredHandlersCatch)
{
    TCaughtErrors caught;
    ShowOrders(true);

    // Writing the pending edit when the size changes fails.
    Grid.SetCol(2);
    QTest::keyClicks(&Grid, "X");
    ASSERT_TRUE(Grid.GetEditorMode());
    Table->FieldByName("Customer")->OnSetText = [](TField*, const QString&) {
        DatabaseError(QStringLiteral("refused"));
    };
    Grid.resize(420, 310);
    QApplication::processEvents();
    EXPECT_TRUE(caught.Messages.contains("refused"));

    // A key in the editor whose handling fails.
    caught.Messages.clear();
    Grid.OnKeyDown = [](int& key, TShiftState) {
        if (key == Qt::Key_F5)
            throw std::runtime_error("key failed");
    };
    QTest::keyClick(Grid.GetInplaceEditor(), Qt::Key_F5);
    EXPECT_EQ(caught.Messages, QStringList{"key failed"});

    // A deferred call that fails.
    caught.Messages.clear();
    Grid.PostDeferred([] { throw std::runtime_error("deferred failed"); }, 77);
    QApplication::processEvents();
    EXPECT_EQ(caught.Messages, QStringList{"deferred failed"});
    Table->FieldByName("Customer")->OnSetText = nullptr;
    Grid.OnKeyDown = nullptr;
}

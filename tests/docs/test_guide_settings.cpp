// docs/guide/settings.md run on the guide's orders window.

#include "GuideWindow.h"
#include "ZDBToolMenu.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

namespace guide_settings {
using namespace zdb;
#include "Guide_settings.inc"
} // namespace guide_settings

namespace zdb::test {
namespace {

using GuideSettings = GuideTest;

TEST_F(GuideSettings, TheLayoutComesBackFromTheIniFileAndFromAFile)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("shop.ini"));
    {
        // A first window: the user sorts, narrows a column and switches stripes on; closing saves.
        TGuideWindow first(Db());
        first.Grid.SetOptionsEx(first.Grid.GetOptionsEx() | dgAutoUpdateOrder);
        guide_settings::KeepLayout(first.Grid, ini);
        first.Open();
        first.Grid.SetOrderFields(QStringLiteral("amount DESC"));
        first.Grid.Columns()->FindColumn(QStringLiteral("state"))->SetWidth(44);
        first.Grid.SetDrawingOptions(first.Grid.GetDrawingOptions() | gdoStripedRows);
        first.Grid.SetDataSource(nullptr);
    }
    // The next start finds it as it was left.
    Grid().SetOptionsEx(Grid().GetOptionsEx() | dgAutoUpdateOrder);
    guide_settings::KeepLayout(Grid(), ini);
    Window().Open();
    EXPECT_EQ(Grid().GetOrderFields(), QStringLiteral("amount DESC"));
    EXPECT_EQ(Grid().Columns()->FindColumn(QStringLiteral("state"))->GetWidth(), 44);
    EXPECT_TRUE(Grid().GetDrawingOptions().testFlag(gdoStripedRows));

    // The same through a text file, after the user changed the width again.
    const QString file = dir.filePath(QStringLiteral("orders.txt"));
    Grid().Settings()->SetActive(false);
    Grid().Columns()->FindColumn(QStringLiteral("state"))->SetWidth(120);
    Grid().Settings()->SaveLayoutToFile(file);
    Grid().Columns()->FindColumn(QStringLiteral("state"))->SetWidth(60);
    Grid().Settings()->LoadLayoutFromFile(file);
    EXPECT_EQ(Grid().Columns()->FindColumn(QStringLiteral("state"))->GetWidth(), 120);
}

TEST_F(GuideSettings, TheCornerCellOpensTheToolMenu)
{
    guide_settings::OfferToolMenu(Grid());
    Window().Open();
    QTest::mouseClick(Grid().viewport(), Qt::LeftButton, {}, Grid().CellRect(0, 0).center());
    TZDBGridToolMenu* menu = Grid().ToolMenuIfAny();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->isVisible());
    EXPECT_TRUE(menu->Item(tmStripedRows)->isEnabled());
    // The window with the menu where it opened.
    const QPoint menuEnd = Window().mapFromGlobal(menu->geometry().bottomRight()) + QPoint(8, 8);
    QPixmap shot(Window().size().expandedTo(QSize(menuEnd.x(), menuEnd.y())));
    shot.fill(Qt::white);
    QPainter painter(&shot);
    Window().render(&painter);
    painter.drawPixmap(Window().mapFromGlobal(menu->pos()), menu->grab());
    painter.end();
    EXPECT_TRUE(shot.save(GuideShotPath(QStringLiteral("settings"))));
    menu->hide();
}

} // namespace
} // namespace zdb::test

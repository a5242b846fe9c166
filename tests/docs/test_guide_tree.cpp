// docs/guide/tree.md run on the guide's shop database.

#include "GuideWindow.h"

#include <QApplication>

namespace guide_tree {
using namespace zdb;
#include "Guide_tree.inc"
} // namespace guide_tree

namespace zdb::test {
namespace {

using GuideTree = GuideTest;

// The shown category names, indented two spaces per level below the roots.
QStringList Rows(TZDBGrid& tree, TDataSet& categories)
{
    QStringList result;
    for (categories.First(); !categories.Eof(); categories.Next())
        result << QString(2 * tree.TreeView()->GetRowLevel(), QLatin1Char(' ')) + Text(categories, "name");
    categories.First();
    return result;
}

TEST_F(GuideTree, OpensToTheSecondLevelAndExpandsBranches)
{
    TZSQLQuery categories;
    TDataSource source;
    TZDBGrid tree;
    guide_tree::ShowCategoryTree(tree, categories, source, Db());
    tree.resize(300, 290);
    tree.show();
    QApplication::processEvents();

    EXPECT_EQ(Rows(tree, categories),
              (QStringList{"Food", "  Bakery", "  Dairy", "Drinks", "  Coffee", "  Tea", "Household",
                           "  Cleaning", "  Kitchen"}));
    // The Tea branch opened: its child shows under it.
    ASSERT_TRUE(categories.Locate(QStringLiteral("name"), QStringLiteral("Tea"), {}));
    tree.TreeView()->ExpandRow(false);
    EXPECT_EQ(Rows(tree, categories).mid(5, 2), (QStringList{"  Tea", "    Green tea"}));
    ASSERT_TRUE(categories.Locate(QStringLiteral("name"), QStringLiteral("Bakery"), {}));
    tree.TreeView()->ExpandRow(false);
    EXPECT_EQ(Rows(tree, categories).mid(0, 5),
              (QStringList{"Food", "  Bakery", "    Bread", "    Cakes", "  Dairy"}));
    Window().Shot(QStringLiteral("tree"), &tree);
    tree.SetDataSource(nullptr);
}

} // namespace
} // namespace zdb::test

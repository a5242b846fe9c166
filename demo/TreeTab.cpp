// The tree tab: the 10,000 categories of the database (eight levels below 12
// roots) in a query shown as a tree opened to its second level. The query keeps
// the tree's fields.

#include "DemoCommon.h"
#include "DemoTabs.h"

namespace zdb::demo {

namespace {

class TTreeTab : public TZDBGrid
{
public:
    explicit TTreeTab(const QSqlDatabase& db)
    {
        FCategories = std::make_unique<TZSQLQuery>();
        FCategories->SetConnection(db);
        FCategories->SetSQLText(QStringLiteral("SELECT id, parent_id, name FROM categories ORDER BY id"));
        TreeView()->AddTreeFields(FCategories.get());
        FCategories->Open();
        AddColumns(this, *FCategories,
                   {
                       {"name", "Category", "", taLeftJustify, 420},
                       {"id", "No.", "", taRightJustify, 80},
                       {"parent_id", "Parent", "", taRightJustify, 80},
                   });
        FSource = std::make_unique<TDataSource>();
        FSource->SetDataSet(FCategories.get());
        SetKeyFields(QStringLiteral("id"));
        SetOrderFields(QStringLiteral("id"));
        SetOptions(GetOptions() & ~TZDBGridOptions(dgEditing));
        TreeView()->SetParentFields(QStringLiteral("parent_id"));
        TreeView()->SetColumnNames(QStringLiteral("name"));
        TreeView()->SetOpenToLevel(1);
        SetDataSource(FSource.get());
        // The tree column is the current one, so that Enter and Space open and close rows.
        if (TZColumn* column = ColumnByName(QStringLiteral("name")))
            SetSelectedIndex(column->Index());
    }

    ~TTreeTab() override
    {
        SetDataSource(nullptr);
        FSource->SetDataSet(nullptr);
    }

private:
    std::unique_ptr<TZSQLQuery> FCategories;
    std::unique_ptr<TDataSource> FSource;
};

} // namespace

QWidget* CreateTreeTab(const QSqlDatabase& db)
{
    return TabPage(QStringLiteral(
                       "<b>Try:</b> click the box beside a name (or press Enter or Space on it) to open or close"
                       " a branch, Shift with it for the whole branch, Ctrl to show that row alone; Ctrl+F"
                       " searches the names."),
                   new TTreeTab(db));
}

} // namespace zdb::demo

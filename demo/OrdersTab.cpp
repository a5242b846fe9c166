// The orders tab: the sample orders with header bands, lookups, totals over all
// or the selected orders, filter lists, the search panel and sorting by title;
// below them the editable lines of the current order (a detail query whose :id
// parameter follows the orders).

#include "DemoCommon.h"
#include "DemoTabs.h"

#include <QSplitter>

#include <algorithm>

namespace zdb::demo {

namespace {

// The report total of the grid's column on Field, formatted by Mask.
void SetReportTotal(TZDBGrid* grid, const QString& field, TTotalType type, const QString& mask)
{
    if (TZColumn* column = grid->Columns()->FindColumn(field)) {
        column->Report()->SetTotalType(type);
        column->Report()->SetTotalMask(mask);
    }
}

class TOrdersTab : public QSplitter
{
public:
    explicit TOrdersTab(TDemoData& data) : QSplitter(Qt::Vertical), FData(data)
    {
        CreateOrdersGrid();
        CreateLinesGrid();
        setStretchFactor(0, 3);
        setStretchFactor(1, 1);
    }

    ~TOrdersTab() override
    {
        // The lines go before the orders they follow; the grids (children) go after.
        FLinesSource->SetDataSet(nullptr);
        FLines.reset();
    }

private:
    void CreateOrdersGrid()
    {
        auto* grid = new TZDBGrid(this);
        grid->setObjectName(QStringLiteral("ordersGrid"));
        TZSQLQuery& orders = *FData.Orders;
        // Customized columns: a chosen order, captions and header bands.
        AddColumns(grid, orders,
                   {
                       {"order_no", "No.", "Order", taLeftJustify, 90},
                       {"order_date", "Date", "Order", taLeftJustify, 90},
                       {"state_id", "State", "Order", taLeftJustify, 90},
                       {"paid", "Paid", "Order", taCenter, 50},
                       {"Customer", "Name", "Customer", taLeftJustify, 150},
                       {"City", "City", "Customer", taLeftJustify, 95},
                       {"Picture", "", "First item", taCenter, 30},
                       {"Product", "Product", "First item", taLeftJustify, 135},
                       {"quantity", "Qty", "First item", taRightJustify, 65},
                       {"discount_pct", "Disc. %", "", taRightJustify, 60},
                       {"amount", "Amount", "", taRightJustify, 105},
                   });
        // The state is stored as its number and shown as its name; the paid flag
        // (Y or N) as a check box. Editing is the editing tab's business.
        TZColumn* state = grid->Columns()->FindColumn(QStringLiteral("state_id"));
        state->SetPickList(FData.StateIds);
        state->SetPickText(FData.StateNames);
        TZColumn* paid = grid->Columns()->FindColumn(QStringLiteral("paid"));
        paid->SetCheckBox(true);
        paid->SetCheckBoxValues(QStringLiteral("Y;N"));
        grid->SetOptions((grid->GetOptions() | dgMultiSelect) & ~TZDBGridOptions(dgEditing));
        // Title clicks sort through the query's ORDER BY (Ctrl+click adds a key);
        // the markers start from the order the SQL has, and the current order
        // is found again by its id.
        grid->SetKeyFields(QStringLiteral("id"));
        grid->SetOptionsEx(grid->GetOptionsEx() | dgLoadCurrentOrder | dgAutoUpdateOrder | dgTotalFooter);
        // Each title carries the auto-filter's button, highlighted while its column filters;
        // its list puts the ticked values first and can add the values of the selected orders.
        grid->FilterGrid()->SetAutoFilter(true);
        grid->FilterGrid()->SwitchOptions(TZDBGridFilterOptions{foCheckedFirst, foAddSelected}, true);
        // The corner cell above the indicator opens the grid's tool menu.
        grid->SetFillerToolMenu(true);
        // A footer with the number of orders and their amount: over the
        // selected orders while there are any, else over all of them.
        SetFooter(grid, QStringLiteral("order_no"), cvCount, QStringLiteral("%d orders|%d selected"));
        SetFooter(grid, QStringLiteral("quantity"), cvSum, QString());
        SetFooter(grid, QStringLiteral("amount"), cvSum, QStringLiteral("%.2n"));
        // Printing and export (the tool menu's "Print and Export"): no pictures, and
        // report totals after the last order.
        grid->Columns()->FindColumn(QStringLiteral("Picture"))->Report()->SetVisible(false);
        SetReportTotal(grid, QStringLiteral("order_no"), ttCount, QStringLiteral("%d orders"));
        SetReportTotal(grid, QStringLiteral("quantity"), ttSum, QStringLiteral("#,##0"));
        SetReportTotal(grid, QStringLiteral("discount_pct"), ttAverage, QStringLiteral("avg 0.0"));
        SetReportTotal(grid, QStringLiteral("amount"), ttSum, QStringLiteral("#,##0.00"));
        grid->SetDataSource(FData.OrdersSource.get());
        // The search panel below the orders (Ctrl+F, F3; Escape closes it): the
        // text is highlighted in the cells and may filter the rows.
        grid->Search()->SetOptions(soWrapAround);
        grid->Search()->SetPanelVisible(true);

        // A block of orders selected from the start: the second to the fifth.
        orders.First();
        orders.Next();
        for (int i = 0; i < 4 && !orders.Eof(); ++i, orders.Next())
            grid->SelectedRows()->SetCurrentRowSelected(true);
        orders.First();
        addWidget(grid);
    }

    void CreateLinesGrid()
    {
        // A query over one table, so editable, whose :id parameter takes the
        // orders' id through its DataSource.
        FLines = std::make_unique<TZSQLQuery>();
        FLines->SetConnection(FData.Db);
        FLines->SetSQLText(QStringLiteral(
            "SELECT id, order_id, line_no, product_id, quantity, unit_price, discount_pct"
            "  FROM order_lines WHERE order_id = :id ORDER BY line_no"));
        FLines->SetFieldType(QStringLiteral("unit_price"), ftCurrency);
        auto total = std::make_unique<TCurrencyField>();
        total->SetFieldName(QStringLiteral("Total"));
        total->SetFieldKind(fkCalculated);
        FLines->AddField(std::move(total));
        FLines->OnCalcFields = [](TDataSet* lines) {
            const double gross = lines->FieldByName(QStringLiteral("quantity"))->AsFloat()
                                 * lines->FieldByName(QStringLiteral("unit_price"))->AsFloat();
            const double discount = lines->FieldByName(QStringLiteral("discount_pct"))->AsFloat();
            lines->FieldByName(QStringLiteral("Total"))->SetValue(gross * (100 - discount) / 100);
        };
        FLines->OnNewRecord = [this](TDataSet* lines) {
            lines->FieldByName(QStringLiteral("order_id"))
                ->SetValue(FData.Orders->FieldByName(QStringLiteral("id"))->GetValue());
            lines->FieldByName(QStringLiteral("line_no"))->SetValue(std::max(lines->RecordCount(), 0) + 1);
            lines->FieldByName(QStringLiteral("discount_pct"))->SetValue(0);
        };
        FLines->SetDataSource(FData.OrdersSource.get());
        FLines->Open();
        FLinesSource = std::make_unique<TDataSource>();
        FLinesSource->SetDataSet(FLines.get());

        auto* grid = new TZDBGrid(this);
        AddColumns(grid, *FLines,
                   {
                       {"line_no", "Line", "", taRightJustify, 75},
                       {"product_id", "Product", "", taLeftJustify, 220},
                       {"quantity", "Qty", "", taRightJustify, 75},
                       {"unit_price", "Unit price", "", taRightJustify, 100},
                       {"discount_pct", "Discount %", "", taRightJustify, 80},
                       {"Total", "Total", "", taRightJustify, 110},
                   });
        // A line's product is chosen by name from a list of the products (F4 or Alt+Down).
        TZColumn* product = grid->Columns()->FindColumn(QStringLiteral("product_id"));
        product->SetKeyField(QStringLiteral("product_id"));
        product->SetLookupDataSet(FData.Products.get());
        product->SetLookupKeyField(QStringLiteral("id"));
        product->SetLookupResultField(QStringLiteral("name"));
        product->SetLookupListFields(QStringLiteral("name;id"));
        grid->SetKeyFields(QStringLiteral("id"));
        grid->SetOptions(grid->GetOptions() | dgEditing);
        grid->SetOptionsEx(grid->GetOptionsEx() | dgTotalFooter);
        SetFooter(grid, QStringLiteral("quantity"), cvSum, QString());
        SetFooter(grid, QStringLiteral("Total"), cvSum, QStringLiteral("%.2n"));
        grid->SetDataSource(FLinesSource.get());
        addWidget(grid);
    }

    TDemoData& FData;
    std::unique_ptr<TZSQLQuery> FLines;
    std::unique_ptr<TDataSource> FLinesSource;
};

} // namespace

QWidget* CreateOrdersTab(TDemoData& data)
{
    return TabPage(QStringLiteral(
                       "<b>Try:</b> click a title to sort (again for descending, Ctrl+click adds a key); the button"
                       " in a title opens the list of its values to filter by, Shift+F4 the filter form;"
                       " Ctrl+F searches, F3 finds the next; Ctrl+click or Shift+click selects orders and the"
                       " footer counts and sums them; the corner cell opens the tool menu (columns, print,"
                       " export). Below, the lines of the current order: type in a cell, Enter saves,"
                       " Escape takes it back; F4 on a product drops the list of products."),
                   new TOrdersTab(data));
}

} // namespace zdb::demo

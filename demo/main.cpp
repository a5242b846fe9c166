// The ZDBGrids demo: the sample orders in a TZDBGrid, with the customer,
// product and state of each order looked up from their tables, and below them
// the editable lines of the current order (a detail query whose :id parameter
// follows the orders); on a second tab 10,000 categories of the database,
// eight levels deep, as a tree. Without a display it renders the window offscreen, saves a screenshot
// and exits.

#include "DBError.h"
#include "SampleData.h"
#include "ZDBCtrls.h"
#include "ZDBEditor.h"
#include "ZDBFields.h"
#include "ZDBFilterUI.h"
#include "ZDBGrids.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QEventLoop>
#include <QPainter>
#include <QTimer>
#include <QSplitter>
#include <QSqlError>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <memory>

namespace {

using namespace zdb;
using namespace zdb::demo;

QLocale DisplayLocale()
{
    // The "C" locale of a bare environment has no currency symbol.
    const QLocale system;
    return system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : system;
}

QString Summary(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT customer_id), SUM(amount) FROM orders"
                                   " WHERE state_id <> 5")) || !query.next())
        return query.lastError().text();
    const QLocale locale = DisplayLocale();
    return QStringLiteral("%1 orders (not cancelled) from %2 customers, %3 in all")
        .arg(locale.toString(query.value(0).toInt()), locale.toString(query.value(1).toInt()),
             locale.toCurrencyString(query.value(2).toDouble()));
}

// A read-only query over one of the small tables the orders refer to.
std::unique_ptr<TZSQLQuery> OpenTable(const QSqlDatabase& db, const QString& sql)
{
    auto query = std::make_unique<TZSQLQuery>();
    query->SetConnection(db);
    query->SetReadOnly(true);
    query->SetPacketRecords(-1);
    query->SetSQLText(sql);
    return query;
}

// A lookup field: Result of LookupSet where its key "id" equals KeyField (a string field
// unless one is given).
void AddLookup(TDataSet& orders, const QString& name, const QString& keyField, TDataSet* lookupSet,
               const QString& result, int size, std::unique_ptr<TField> field = nullptr)
{
    if (!field)
        field = std::make_unique<TStringField>(nullptr, ftWideString);
    field->SetFieldName(name);
    field->SetFieldKind(fkLookup);
    field->SetSize(size);
    field->SetKeyFields(keyField);
    field->SetLookupDataSet(lookupSet);
    field->SetLookupKeyFields(QStringLiteral("id"));
    field->SetLookupResultField(result);
    orders.AddField(std::move(field));
}

// How a column looks: its field, title caption, header band, alignment and width.
struct TColumnLook
{
    const char* Field;
    const char* Caption;
    const char* Header;
    TAlignment Alignment;
    int Width;
};

// The footer of the grid's column on Field calculates Calc, shown in Format.
void SetFooter(TZDBGrid* grid, const QString& field, TCalcValue calc, const QString& format)
{
    TZColumn* column = grid->Columns()->FindColumn(field);
    if (!column)
        return;
    TZColumnTotalValue* footer = column->TotalFooter();
    footer->SetCalcValue(calc);
    footer->SetFormat(format);
    footer->SetTotalResult(trCalcValue);
}

// The report total of the grid's column on Field, formatted by Mask.
void SetReportTotal(TZDBGrid* grid, const QString& field, TTotalType type, const QString& mask)
{
    if (TZColumn* column = grid->Columns()->FindColumn(field)) {
        column->Report()->SetTotalType(type);
        column->Report()->SetTotalMask(mask);
    }
}

void AddColumns(TZDBGrid* grid, TDataSet& dataSet, std::initializer_list<TColumnLook> looks)
{
    for (const TColumnLook& look : looks) {
        TZColumn* column = grid->Columns()->Add();
        column->SetFieldName(QString::fromLatin1(look.Field));
        column->Title()->SetCaption(QString::fromLatin1(look.Caption));
        column->Title()->SetHeader(QString::fromLatin1(look.Header));
        column->Title()->SetAlignment(look.Alignment == taRightJustify ? taRightJustify : taLeftJustify);
        column->SetAlignment(look.Alignment);
        column->SetWidth(look.Width);
        // Lookup and calculated values are not columns of the query: their titles do not sort.
        if (TField* field = dataSet.FindField(column->GetFieldName()); field && field->Calculated())
            column->Title()->SetAutoToggle(false);
    }
}

// A small form of labeled stand-alone editors on the current order: the state
// follows the grid's column (its names and drop-down list), the paid flag has
// a pick list of its own.
QWidget* CreateOrderForm(QWidget* parent, TZDBGrid* grid, TDataSource* source)
{
    auto* form = new QWidget(parent);
    form->setFixedWidth(170);
    int top = 22;
    auto place = [&](TZDBLabeledEditor* editor, const QString& caption) {
        editor->EditorLabel()->SetCaption(caption);
        editor->SetLabelVisible(true);
        editor->setGeometry(8, top, 154, editor->sizeHint().height());
        top += editor->height() + 26;
    };
    auto* number = new TZDBColumn(form);
    number->SetDBGrid(grid);
    number->SetDataColumn(QStringLiteral("order_no"));
    number->SetReadOnly(true);
    place(number, QStringLiteral("Order"));
    auto* state = new TZDBColumn(form);
    state->SetDBGrid(grid);
    state->SetDataColumn(QStringLiteral("state_id"));
    place(state, QStringLiteral("State"));
    auto* paid = new TZDBEditor(form);
    paid->SetDataSource(source);
    paid->SetDataField(QStringLiteral("paid"));
    paid->SetPickList({QStringLiteral("Y"), QStringLiteral("N")});
    paid->SetPickText({QStringLiteral("Paid"), QStringLiteral("Open")});
    place(paid, QStringLiteral("Paid"));
    auto* quantity = new TZDBEditor(form);
    quantity->SetDataSource(source);
    quantity->SetDataField(QStringLiteral("quantity"));
    place(quantity, QStringLiteral("Quantity"));
    return form;
}

class TMainWindow : public QMainWindow
{
public:
    explicit TMainWindow(const QSqlDatabase& db)
    {
        setWindowTitle(QStringLiteral("ZDBGrids demo - Orders"));
        FCustomers = OpenTable(db, QStringLiteral("SELECT id, name, city FROM customers"));
        FCustomers->SetFieldType(QStringLiteral("name"), ftWideString, 60);
        FCustomers->SetFieldType(QStringLiteral("city"), ftWideString, 40);
        FProducts = OpenTable(db, QStringLiteral("SELECT id, name, picture FROM products"));
        FProducts->SetFieldType(QStringLiteral("name"), ftWideString, 60);
        FProducts->SetFieldType(QStringLiteral("picture"), ftGraphic);
        FStates = OpenTable(db, QStringLiteral("SELECT id, name FROM order_states"));
        FStates->SetFieldType(QStringLiteral("name"), ftWideString, 20);
        FCustomers->Open();
        FProducts->Open();
        FStates->Open();

        FOrders = std::make_unique<TZSQLQuery>();
        FOrders->SetConnection(db);
        FOrders->SetSQLText(QStringLiteral(
            "SELECT id, order_no, order_date, customer_id, product_id, quantity, discount_pct, amount, state_id,"
            "  paid FROM orders ORDER BY order_date DESC, order_no DESC"));
        FOrders->SetFieldType(QStringLiteral("paid"), ftString, 1);
        FOrders->SetFieldType(QStringLiteral("order_no"), ftWideString, 12);
        FOrders->SetFieldType(QStringLiteral("order_date"), ftDate);
        FOrders->SetFieldType(QStringLiteral("amount"), ftCurrency);
        AddLookup(*FOrders, QStringLiteral("Customer"), QStringLiteral("customer_id"), FCustomers.get(),
                  QStringLiteral("name"), 60);
        AddLookup(*FOrders, QStringLiteral("City"), QStringLiteral("customer_id"), FCustomers.get(),
                  QStringLiteral("city"), 40);
        AddLookup(*FOrders, QStringLiteral("Product"), QStringLiteral("product_id"), FProducts.get(),
                  QStringLiteral("name"), 60);
        // The product's picture (a PNG in the products table), drawn in its cell.
        AddLookup(*FOrders, QStringLiteral("Picture"), QStringLiteral("product_id"), FProducts.get(),
                  QStringLiteral("picture"), 0, std::make_unique<TZGraphicField>());
        // Tags of an order, kept by the query in memory: several ticked in one list.
        FOrders->AddClientField(QStringLiteral("Tags"), ftWideString, 60);
        FOrders->Open();

        FSource = new TDataSource(this);
        FSource->SetDataSet(FOrders.get());

        auto* splitter = new QSplitter(Qt::Vertical, this);
        // The orders with a navigator above them.
        auto* ordersPane = new QWidget(splitter);
        auto* ordersLayout = new QVBoxLayout(ordersPane);
        ordersLayout->setContentsMargins(0, 0, 0, 0);
        auto* navigator = new TZDBNavigator(ordersPane);
        navigator->SetDataSource(FSource);
        ordersLayout->addWidget(navigator);
        // Beside the navigator's styled buttons, a styled check box on the order's paid flag (Y or N).
        auto* paidBox = new TZDBCheckBox(navigator);
        paidBox->setText(QStringLiteral("&Paid"));
        paidBox->SetValueChecked(QStringLiteral("Y"));
        paidBox->SetValueUnchecked(QStringLiteral("N"));
        paidBox->SetDataField(QStringLiteral("paid"));
        paidBox->SetDataSource(FSource);
        navigator->layout()->addWidget(paidBox);
        auto* grid = new TZDBGrid(ordersPane);
        auto* gridRow = new QHBoxLayout;
        ordersLayout->addLayout(gridRow);
        gridRow->addWidget(grid, 1);
        // Customized columns: a chosen order, captions and header bands.
        AddColumns(grid, *FOrders,
                   {
                       {"order_no", "No.", "Order", taLeftJustify, 90},
                       {"order_date", "Date", "Order", taLeftJustify, 90},
                       {"state_id", "State", "Order", taLeftJustify, 90},
                       {"paid", "Paid", "Order", taCenter, 50},
                       {"Customer", "Name", "Customer", taLeftJustify, 210},
                       {"City", "City", "Customer", taLeftJustify, 120},
                       {"Picture", "", "First item", taCenter, 40},
                       {"Product", "Product", "First item", taLeftJustify, 190},
                       {"quantity", "Qty", "First item", taRightJustify, 75},
                       {"discount_pct", "Discount %", "", taRightJustify, 80},
                       {"amount", "Amount", "", taRightJustify, 100},
                       {"Tags", "Tags", "", taLeftJustify, 120},
                   });
        // Title clicks sort through the query's ORDER BY (Ctrl+click adds a key);
        // the markers start from the order the SQL has, and the current order
        // is found again by its id.
        grid->SetKeyFields(QStringLiteral("id"));
        grid->SetOptions(grid->GetOptions() | dgMultiSelect);
        // Only the state and the paid flag are edited. The state is stored as its
        // number and shown, typed and picked as its name; the paid flag is stored
        // as Y or N and toggled by a click or Space.
        for (int i = 0; i < grid->Columns()->Count(); ++i)
            grid->Columns()->Items(i)->SetReadOnly(true);
        TZColumn* state = grid->Columns()->FindColumn(QStringLiteral("state_id"));
        state->SetReadOnly(false);
        QStringList stateIds, stateNames;
        for (FStates->First(); !FStates->Eof(); FStates->Next()) {
            stateIds << FStates->FieldByName(QStringLiteral("id"))->AsString();
            stateNames << FStates->FieldByName(QStringLiteral("name"))->AsString();
        }
        state->SetPickList(stateIds);
        state->SetPickText(stateNames);
        state->SetPickOptions(state->GetPickOptions() | TZPickOptions{poListItemsOnly});
        TZColumn* tags = grid->Columns()->FindColumn(QStringLiteral("Tags"));
        tags->SetReadOnly(false);
        tags->SetPickList({QStringLiteral("urgent"), QStringLiteral("gift"), QStringLiteral("fragile"),
                           QStringLiteral("export"), QStringLiteral("repeat")});
        tags->SetListOptions(tags->GetListOptions().Include(loMultiSelectList));
        TZColumn* paid = grid->Columns()->FindColumn(QStringLiteral("paid"));
        paid->SetReadOnly(false);
        paid->SetCheckBox(true);
        paid->SetCheckBoxValues(QStringLiteral("Y;N"));
        // The date drops down a calendar (F4, Alt+Down), the amount a calculator.
        grid->Columns()->FindColumn(QStringLiteral("order_date"))->SetReadOnly(false);
        TZColumn* amount = grid->Columns()->FindColumn(QStringLiteral("amount"));
        amount->SetReadOnly(false);
        amount->SetButtonStyle(cbsCalculator);
        grid->SetOptionsEx(grid->GetOptionsEx() | dgLoadCurrentOrder | dgAutoUpdateOrder | dgTotalFooter);
        // Each title carries the auto-filter's button, highlighted while its column filters.
        grid->FilterGrid()->SetAutoFilter(true);
        // Its list puts the ticked values first and can add the values of the selected orders.
        grid->FilterGrid()->SwitchOptions(TZDBGridFilterOptions{foCheckedFirst, foAddSelected}, true);
        FOrdersGrid = grid;
        // The corner cell above the indicator opens the grid's tool menu.
        grid->SetFillerToolMenu(true);
        // A footer with the number of orders and their amount: over the
        // selected orders while there are any, else over all of them.
        SetFooter(grid, QStringLiteral("order_no"), cvCount, QStringLiteral("%d orders|%d selected"));
        SetFooter(grid, QStringLiteral("amount"), cvSum, QStringLiteral("%.2n"));
        // Printing and export (the tool menu's "Print and Export"): no pictures, and
        // report totals after the last order.
        SetReportTotal(grid, QStringLiteral("Picture"), ttNone, QString());
        grid->Columns()->FindColumn(QStringLiteral("Picture"))->Report()->SetVisible(false);
        SetReportTotal(grid, QStringLiteral("order_no"), ttCount, QStringLiteral("%d orders"));
        SetReportTotal(grid, QStringLiteral("quantity"), ttSum, QStringLiteral("#,##0"));
        SetReportTotal(grid, QStringLiteral("discount_pct"), ttAverage, QStringLiteral("avg 0.0"));
        SetReportTotal(grid, QStringLiteral("amount"), ttSum, QStringLiteral("#,##0.00"));
        grid->SetDataSource(FSource);
        gridRow->addWidget(CreateOrderForm(ordersPane, grid, FSource));
        // The search panel below the orders (Ctrl+F, F3; Escape closes it): the
        // text is highlighted in the cells and may filter the rows.
        grid->Search()->SetOptions(soWrapAround);
        grid->Search()->SetPanelVisible(true);

        // A block of orders selected from the start: the second to the fifth.
        FOrders->First();
        FOrders->Next();
        for (int i = 0; i < 4 && !FOrders->Eof(); ++i, FOrders->Next())
            grid->SelectedRows()->SetCurrentRowSelected(true);
        FOrders->First();

        // The lines of the current order: a query over one table, so editable, whose
        // :id parameter takes the orders' id through its DataSource.
        FLines = std::make_unique<TZSQLQuery>();
        FLines->SetConnection(db);
        FLines->SetSQLText(QStringLiteral(
            "SELECT id, order_id, line_no, product_id, quantity, unit_price, discount_pct"
            "  FROM order_lines WHERE order_id = :id ORDER BY line_no"));
        FLines->SetFieldType(QStringLiteral("unit_price"), ftCurrency);
        AddLookup(*FLines, QStringLiteral("Product"), QStringLiteral("product_id"), FProducts.get(),
                  QStringLiteral("name"), 60);
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
            lines->FieldByName(QStringLiteral("order_id"))->SetValue(FOrders->FieldByName(QStringLiteral("id"))->GetValue());
            lines->FieldByName(QStringLiteral("line_no"))->SetValue(std::max(lines->RecordCount(), 0) + 1);
            lines->FieldByName(QStringLiteral("discount_pct"))->SetValue(0);
        };
        FLines->SetDataSource(FSource);
        FLines->Open();
        FLinesSource = new TDataSource(this);
        FLinesSource->SetDataSet(FLines.get());

        auto* linesGrid = new TZDBGrid(splitter);
        AddColumns(linesGrid, *FLines,
                   {
                       {"line_no", "Line", "", taRightJustify, 75},
                       {"product_id", "No.", "Product", taRightJustify, 70},
                       {"Product", "Name", "Product", taLeftJustify, 220},
                       {"quantity", "Qty", "", taRightJustify, 75},
                       {"unit_price", "Unit price", "", taRightJustify, 100},
                       {"discount_pct", "Discount %", "", taRightJustify, 80},
                       {"Total", "Total", "", taRightJustify, 110},
                   });
        // A line's product is chosen by name from a list of the products (F4 or Alt+Down).
        TZColumn* product = linesGrid->Columns()->FindColumn(QStringLiteral("product_id"));
        product->SetKeyField(QStringLiteral("product_id"));
        product->SetLookupDataSet(FProducts.get());
        product->SetLookupKeyField(QStringLiteral("id"));
        product->SetLookupResultField(QStringLiteral("name"));
        product->SetLookupListFields(QStringLiteral("name;id"));
        product->SetAlignment(taLeftJustify);
        linesGrid->SetKeyFields(QStringLiteral("id"));
        linesGrid->SetOptions(linesGrid->GetOptions() | dgEditing);
        linesGrid->FilterGrid()->SetAutoFilter(true);
        linesGrid->SetOptionsEx(linesGrid->GetOptionsEx() | dgTotalFooter);
        SetFooter(linesGrid, QStringLiteral("quantity"), cvSum, QString());
        SetFooter(linesGrid, QStringLiteral("Total"), cvSum, QStringLiteral("%.2n"));
        linesGrid->SetDataSource(FLinesSource);
        splitter->addWidget(ordersPane);
        splitter->addWidget(linesGrid);
        splitter->setStretchFactor(0, 3);
        splitter->setStretchFactor(1, 1);
        auto* tabs = new QTabWidget(this);
        tabs->addTab(splitter, QStringLiteral("Orders"));
        tabs->addTab(CreateCategories(db), QStringLiteral("Categories"));
        setCentralWidget(tabs);
        statusBar()->addWidget(new QLabel(Summary(db), this));
        statusBar()->addPermanentWidget(
            new QLabel(QStringLiteral("Click a title to sort, again for descending; Ctrl+click adds a sort key;"
                                      " the lines below belong to the current order"),
                       this));
        resize(1100, 720);
    }

    // The 10,000 categories of the database (eight levels below 12 roots) in a
    // query shown as a tree opened to its second level: the box beside a name
    // (or Enter, Space) opens and closes a branch, Shift with it the whole
    // branch, Ctrl shows the row alone. The query keeps the tree's fields.
    QWidget* CreateCategories(const QSqlDatabase& db)
    {
        auto* tree = new TZDBGrid(this);
        FCategories = std::make_unique<TZSQLQuery>();
        FCategories->SetConnection(db);
        FCategories->SetSQLText(QStringLiteral("SELECT id, parent_id, name FROM categories ORDER BY id"));
        tree->TreeView()->AddTreeFields(FCategories.get());
        FCategories->Open();
        FCategories->FieldByName(QStringLiteral("id"))->SetDisplayWidth(8);
        FCategoriesSource = new TDataSource(this);
        FCategoriesSource->SetDataSet(FCategories.get());
        tree->SetKeyFields(QStringLiteral("id"));
        tree->SetOrderFields(QStringLiteral("id"));
        tree->SetOptions(tree->GetOptions() & ~TZDBGridOptions(dgEditing));
        tree->TreeView()->SetParentFields(QStringLiteral("parent_id"));
        tree->TreeView()->SetColumnNames(QStringLiteral("name"));
        tree->TreeView()->SetOpenToLevel(1);
        tree->SetDataSource(FCategoriesSource);
        // The tree column is the current one, so that Enter and Space open and close rows.
        if (TZColumn* column = tree->ColumnByName(QStringLiteral("name")))
            tree->SetSelectedIndex(column->Index());
        return tree;
    }

    ~TMainWindow() override
    {
        if (FCategoriesSource)
            FCategoriesSource->SetDataSet(nullptr);
        FCategories.reset();
        // The grid (a child widget) goes with the window; close the datasets first.
        // The lines go before the orders, so that they do not follow the orders' closing.
        if (FLinesSource)
            FLinesSource->SetDataSet(nullptr);
        FLines.reset();
        if (FSource)
            FSource->SetDataSet(nullptr);
        FOrders.reset();
        FStates.reset();
        FProducts.reset();
        FCustomers.reset();
    }

    // The window with the filter list of the orders' Field open over it.
    QPixmap GrabFilterList(const QString& Field)
    {
        FOrdersGrid->DropDownList(FOrdersGrid->Columns()->FindColumn(Field), true);
        // Until the list's opening animation ends.
        QEventLoop wait;
        QTimer::singleShot(1500, &wait, &QEventLoop::quit);
        wait.exec();
        QPixmap shot = grab();
        if (auto* list = FOrdersGrid->findChild<TZDBGridFilterList*>(); list && list->PopupList()) {
            QPainter painter(&shot);
            painter.drawPixmap(mapFromGlobal(list->PopupList()->pos()), list->PopupList()->grab());
        }
        return shot;
    }
    TZDBGrid* OrdersGrid() const { return FOrdersGrid; }

private:
    std::unique_ptr<TZSQLQuery> FCustomers;
    std::unique_ptr<TZSQLQuery> FProducts;
    std::unique_ptr<TZSQLQuery> FStates;
    std::unique_ptr<TZSQLQuery> FOrders;
    std::unique_ptr<TZSQLQuery> FLines;
    TDataSource* FSource = nullptr;
    TDataSource* FLinesSource = nullptr;
    std::unique_ptr<TZSQLQuery> FCategories;
    TDataSource* FCategoriesSource = nullptr;
    TZDBGrid* FOrdersGrid = nullptr;
};

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv)
{
    if (!HasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zdbdemo"));
    QApplication::setOrganizationName(QStringLiteral("ZDBGrids"));

    // --screenshot [PATH] saves the window and exits; offscreen this is the default
    // (unless --report is given).
    QString screenshot;
    const QStringList args = QApplication::arguments();
    const qsizetype shotArg = args.indexOf(QStringLiteral("--screenshot"));
    // --filter-list-screenshot PATH: the same with the State column's filter list open.
    const qsizetype listShotArg = args.indexOf(QStringLiteral("--filter-list-screenshot"));
    const QString listShot = listShotArg >= 0 ? args.value(listShotArg + 1) : QString();
    if (shotArg >= 0)
        screenshot = shotArg + 1 < args.size() ? args[shotArg + 1] : QString();
    if (shotArg >= 0 || (QGuiApplication::platformName() == QLatin1String("offscreen") &&
                         !args.contains(QStringLiteral("--report")))) {
        if (screenshot.isEmpty())
            screenshot = QStringLiteral(ZDB_DEMO_SCREENSHOT_DIR "/demo.png");
    }

    try {
        const QString path = DefaultSampleDatabasePath();
        QSqlDatabase db = OpenSampleDatabase(path, QStringLiteral("zdbdemo"));
        TMainWindow window(db);
        window.show();
        if (!listShot.isEmpty()) {
            QApplication::processEvents();
            return window.GrabFilterList(QStringLiteral("state_id")).save(listShot) ? 0 : 1;
        }
        // --report PATH writes the orders as a PDF report and exits.
        if (const qsizetype reportArg = args.indexOf(QStringLiteral("--report")); reportArg >= 0) {
            const QString report = reportArg + 1 < args.size() ? args[reportArg + 1] : QStringLiteral("orders-report.pdf");
            window.OrdersGrid()->ExportToPdf(report);
            std::printf("zdbdemo: report saved to %s\n", qPrintable(QDir::cleanPath(report)));
            return 0;
        }
        if (screenshot.isEmpty())
            return QApplication::exec();

        QApplication::processEvents();
        QDir().mkpath(QFileInfo(screenshot).absolutePath());
        if (!window.grab().save(screenshot)) {
            std::fprintf(stderr, "zdbdemo: cannot write %s\n", qPrintable(screenshot));
            return 1;
        }
        std::printf("zdbdemo: database %s\nzdbdemo: screenshot saved to %s\n", qPrintable(path),
                    qPrintable(QDir::cleanPath(screenshot)));
        return 0;
    } catch (const zdb::EDatabaseError& e) {
        std::fprintf(stderr, "zdbdemo: %s\n", qPrintable(e.Message()));
        if (screenshot.isEmpty())
            QMessageBox::critical(nullptr, QStringLiteral("ZDBGrids demo"), e.Message());
        return 1;
    }
}

// The ZDBGrids demo: the sample orders in a TZDBGrid, with the customer,
// product and state of each order looked up from their tables. Without a
// display it renders the window offscreen, saves a screenshot and exits.

#include "DBError.h"
#include "SampleData.h"
#include "ZDBGrids.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QStatusBar>

#include <cstdio>
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

// A lookup field of the orders: Result of LookupSet where its key "id" equals KeyField.
void AddLookup(TDataSet& orders, const QString& name, const QString& keyField, TDataSet* lookupSet,
               const QString& result, int size)
{
    auto field = std::make_unique<TStringField>(nullptr, ftWideString);
    field->SetFieldName(name);
    field->SetFieldKind(fkLookup);
    field->SetSize(size);
    field->SetKeyFields(keyField);
    field->SetLookupDataSet(lookupSet);
    field->SetLookupKeyFields(QStringLiteral("id"));
    field->SetLookupResultField(result);
    orders.AddField(std::move(field));
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
        FProducts = OpenTable(db, QStringLiteral("SELECT id, name FROM products"));
        FProducts->SetFieldType(QStringLiteral("name"), ftWideString, 60);
        FStates = OpenTable(db, QStringLiteral("SELECT id, name FROM order_states"));
        FStates->SetFieldType(QStringLiteral("name"), ftWideString, 20);
        FCustomers->Open();
        FProducts->Open();
        FStates->Open();

        FOrders = std::make_unique<TZSQLQuery>();
        FOrders->SetConnection(db);
        FOrders->SetSQLText(QStringLiteral(
            "SELECT id, order_no, order_date, customer_id, product_id, quantity, discount_pct, amount, state_id"
            "  FROM orders ORDER BY order_date DESC, order_no DESC"));
        FOrders->SetFieldType(QStringLiteral("order_no"), ftWideString, 12);
        FOrders->SetFieldType(QStringLiteral("order_date"), ftDate);
        FOrders->SetFieldType(QStringLiteral("amount"), ftCurrency);
        AddLookup(*FOrders, QStringLiteral("Customer"), QStringLiteral("customer_id"), FCustomers.get(),
                  QStringLiteral("name"), 60);
        AddLookup(*FOrders, QStringLiteral("City"), QStringLiteral("customer_id"), FCustomers.get(),
                  QStringLiteral("city"), 40);
        AddLookup(*FOrders, QStringLiteral("Product"), QStringLiteral("product_id"), FProducts.get(),
                  QStringLiteral("name"), 60);
        AddLookup(*FOrders, QStringLiteral("State"), QStringLiteral("state_id"), FStates.get(),
                  QStringLiteral("name"), 20);
        FOrders->Open();

        FSource = new TDataSource(this);
        FSource->SetDataSet(FOrders.get());

        auto* grid = new TZDBGrid(this);
        // Customized columns: a chosen order, captions and header bands.
        struct TColumnLook
        {
            const char* Field;
            const char* Caption;
            const char* Header;
            TAlignment Alignment;
            int Width;
        };
        const TColumnLook looks[] = {
            {"order_no", "No.", "Order", taLeftJustify, 90},
            {"order_date", "Date", "Order", taLeftJustify, 90},
            {"State", "State", "Order", taLeftJustify, 90},
            {"Customer", "Name", "Customer", taLeftJustify, 220},
            {"City", "City", "Customer", taLeftJustify, 120},
            {"Product", "Product", "Item", taLeftJustify, 200},
            {"quantity", "Qty", "Item", taRightJustify, 50},
            {"discount_pct", "Discount %", "Item", taRightJustify, 80},
            {"amount", "Amount", "", taRightJustify, 100},
        };
        for (const TColumnLook& look : looks) {
            TZColumn* column = grid->Columns()->Add();
            column->SetFieldName(QString::fromLatin1(look.Field));
            column->Title()->SetCaption(QString::fromLatin1(look.Caption));
            column->Title()->SetHeader(QString::fromLatin1(look.Header));
            column->Title()->SetAlignment(look.Alignment == taRightJustify ? taRightJustify : taLeftJustify);
            column->SetAlignment(look.Alignment);
            column->SetWidth(look.Width);
            // Lookup values are not columns of the query: their titles do not sort.
            if (TField* field = FOrders->FindField(column->GetFieldName()); field && field->GetFieldKind() == fkLookup)
                column->Title()->SetAutoToggle(false);
        }
        // Title clicks sort through the query's ORDER BY (Ctrl+click adds a key);
        // the markers start from the order the SQL has, and the current order
        // is found again by its id.
        grid->SetKeyFields(QStringLiteral("id"));
        grid->SetOptionsEx(grid->GetOptionsEx() | dgLoadCurrentOrder | dgAutoUpdateOrder);
        grid->SetDataSource(FSource);
        setCentralWidget(grid);
        statusBar()->addWidget(new QLabel(Summary(db), this));
        statusBar()->addPermanentWidget(
            new QLabel(QStringLiteral("Click a title to sort, again for descending; Ctrl+click adds a sort key"), this));
        resize(1100, 640);
    }

    ~TMainWindow() override
    {
        // The grid (a child widget) goes with the window; close the datasets first.
        if (FSource)
            FSource->SetDataSet(nullptr);
        FOrders.reset();
        FStates.reset();
        FProducts.reset();
        FCustomers.reset();
    }

private:
    std::unique_ptr<TZSQLQuery> FCustomers;
    std::unique_ptr<TZSQLQuery> FProducts;
    std::unique_ptr<TZSQLQuery> FStates;
    std::unique_ptr<TZSQLQuery> FOrders;
    TDataSource* FSource = nullptr;
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

    // --screenshot [PATH] saves the window and exits; offscreen this is the default.
    QString screenshot;
    const QStringList args = QApplication::arguments();
    const qsizetype shotArg = args.indexOf(QStringLiteral("--screenshot"));
    if (shotArg >= 0)
        screenshot = shotArg + 1 < args.size() ? args[shotArg + 1] : QString();
    if (shotArg >= 0 || QGuiApplication::platformName() == QLatin1String("offscreen")) {
        if (screenshot.isEmpty())
            screenshot = QStringLiteral(ZDB_DEMO_SCREENSHOT_DIR "/demo.png");
    }

    try {
        const QString path = DefaultSampleDatabasePath();
        QSqlDatabase db = OpenSampleDatabase(path, QStringLiteral("zdbdemo"));
        TMainWindow window(db);
        window.show();
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

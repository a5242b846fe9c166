// The ZDBGrids demo: the sample orders with their customers, products and
// states in one window. Without a display it renders the window offscreen,
// saves a screenshot and exits.

#include "DBError.h"
#include "SampleData.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QStatusBar>
#include <QTableView>

#include <cstdio>

namespace {

using namespace zdb::demo;

enum TOrderColumn { ocOrderNo, ocDate, ocCustomer, ocCity, ocActive, ocProduct, ocQuantity, ocDiscount, ocAmount, ocState };

QLocale DisplayLocale()
{
    // The "C" locale of a bare environment has no currency symbol.
    const QLocale system;
    return system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : system;
}

// The orders query, with values shown as a person reads them.
class TOrdersModel : public QSqlQueryModel
{
public:
    explicit TOrdersModel(QObject* parent) : QSqlQueryModel(parent), FLocale(DisplayLocale()) {}

    QVariant data(const QModelIndex& index, int role) const override
    {
        const QVariant value = QSqlQueryModel::data(index, Qt::DisplayRole);
        switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
            case ocDate:
                return FLocale.toString(QDate::fromString(value.toString(), Qt::ISODate), QLocale::ShortFormat);
            case ocActive:
                return value.toInt() ? QStringLiteral("Yes") : QStringLiteral("No");
            case ocDiscount:
                return value.toInt() ? QStringLiteral("%1 %").arg(value.toInt()) : QString();
            case ocAmount:
                return FLocale.toCurrencyString(value.toDouble());
            default:
                return value;
            }
        case Qt::TextAlignmentRole:
            switch (index.column()) {
            case ocQuantity:
            case ocDiscount:
            case ocAmount:
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            case ocActive:
                return QVariant::fromValue(Qt::AlignCenter);
            default:
                return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
            }
        default:
            return QSqlQueryModel::data(index, role);
        }
    }

private:
    QLocale FLocale;
};

const char* const OrdersSql =
    "SELECT o.order_no, o.order_date, c.name, c.city, c.active, p.name, o.quantity,"
    "       o.discount_pct, o.amount, s.name"
    "  FROM orders o"
    "  JOIN customers c ON c.id = o.customer_id"
    "  JOIN products p ON p.id = o.product_id"
    "  JOIN order_states s ON s.id = o.state_id"
    " ORDER BY o.order_date DESC, o.order_no DESC";

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

class TMainWindow : public QMainWindow
{
public:
    explicit TMainWindow(const QSqlDatabase& db)
    {
        setWindowTitle(QStringLiteral("ZDBGrids demo - Orders"));
        auto* model = new TOrdersModel(this);
        model->setQuery(QString::fromLatin1(OrdersSql), db);
        if (model->lastError().isValid())
            zdb::DatabaseError(model->lastError().text());
        const QStringList titles = {"Order", "Date", "Customer", "City", "Active", "Product",
                                    "Qty", "Discount", "Amount", "State"};
        for (int i = 0; i < titles.size(); ++i)
            model->setHeaderData(i, Qt::Horizontal, titles[i]);

        auto* view = new QTableView(this);
        view->setModel(model);
        view->setAlternatingRowColors(true);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
        view->verticalHeader()->hide();
        view->resizeColumnsToContents();
        QHeaderView* header = view->horizontalHeader();
        for (int i = 0; i < titles.size(); ++i)
            header->resizeSection(i, header->sectionSize(i) + 16);
        header->setSectionResizeMode(ocCustomer, QHeaderView::Stretch);
        header->setSectionResizeMode(ocProduct, QHeaderView::Stretch);
        view->selectRow(0);
        setCentralWidget(view);
        statusBar()->addWidget(new QLabel(Summary(db), this));
        resize(1100, 640);
    }
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

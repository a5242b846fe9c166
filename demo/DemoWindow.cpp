#include "DemoWindow.h"

#include "DemoCommon.h"
#include "DemoTabs.h"
#include "ZDBFilterUI.h"

#include <QEventLoop>
#include <QLabel>
#include <QPainter>
#include <QSqlError>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

namespace zdb::demo {

namespace {

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

TZDBGrid* OrdersGrid(const QWidget* window)
{
    return window->findChild<TZDBGrid*>(QStringLiteral("ordersGrid"));
}

} // namespace

TDemoWindow::TDemoWindow(const QSqlDatabase& db) : FData(std::make_unique<TDemoData>(db))
{
    setWindowTitle(QStringLiteral("ZDBGrids demo"));
    FTabs = new QTabWidget(this);
    FTabs->addTab(CreateOrdersTab(*FData), QStringLiteral("&Orders"));
    FTabs->addTab(CreateTreeTab(db), QStringLiteral("&Tree"));
    FTabs->addTab(CreateEditingTab(*FData), QStringLiteral("&Editing"));
    FTabs->addTab(CreatePicturesTab(db), QStringLiteral("&Pictures"));
    FTabs->addTab(CreateFormTab(*FData), QStringLiteral("&Form"));
    FTabs->addTab(CreateMillionTab(), QStringLiteral("A &million rows"));
    setCentralWidget(FTabs);
    statusBar()->addWidget(new QLabel(Summary(db), this));
    resize(1100, 720);
}

TDemoWindow::~TDemoWindow()
{
    // The tabs and their grids go before the datasets they show.
    delete FTabs;
    FData.reset();
}

QStringList TDemoWindow::TabNames()
{
    return {QStringLiteral("orders"), QStringLiteral("tree"), QStringLiteral("editing"),
            QStringLiteral("pictures"), QStringLiteral("form"), QStringLiteral("million")};
}

QPixmap TDemoWindow::GrabFilterList(const QString& field)
{
    TZDBGrid* grid = OrdersGrid(this);
    grid->DropDownList(grid->Columns()->FindColumn(field), true);
    // Until the list's opening animation ends.
    QEventLoop wait;
    QTimer::singleShot(1500, &wait, &QEventLoop::quit);
    wait.exec();
    QPixmap shot = grab();
    if (auto* list = grid->findChild<TZDBGridFilterList*>(); list && list->PopupList()) {
        QPainter painter(&shot);
        painter.drawPixmap(mapFromGlobal(list->PopupList()->pos()), list->PopupList()->grab());
    }
    return shot;
}

void TDemoWindow::ExportOrders(const QString& fileName)
{
    OrdersGrid(this)->ExportToPdf(fileName);
}

} // namespace zdb::demo

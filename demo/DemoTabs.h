#pragma once
// The tabs of the demo's window, each a page with a line saying what to try there.

#include <QSqlDatabase>

class QWidget;

namespace zdb::demo {

struct TDemoData;

// Orders with totals, filters, search and sort, the lines of the current order below.
QWidget* CreateOrdersTab(TDemoData& data);
// The categories as a tree.
QWidget* CreateTreeTab(const QSqlDatabase& db);
// The orders again, every kind of column edited in place.
QWidget* CreateEditingTab(TDemoData& data);
// Products with their pictures.
QWidget* CreatePicturesTab(const QSqlDatabase& db);
// Stand-alone data-aware controls on the current order.
QWidget* CreateFormTab(TDemoData& data);
// A million rows; the table is made the first time the page is shown.
QWidget* CreateMillionTab();

} // namespace zdb::demo

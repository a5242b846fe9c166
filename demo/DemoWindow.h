#pragma once
// The demo's window: a tour of the library in tabs.

#include <QMainWindow>
#include <QSqlDatabase>

#include <memory>

class QTabWidget;

namespace zdb::demo {

struct TDemoData;

class TDemoWindow : public QMainWindow
{
public:
    explicit TDemoWindow(const QSqlDatabase& db);
    ~TDemoWindow() override;

    QTabWidget* Tabs() const { return FTabs; }
    // The short names of the tabs, in their order (for the screenshots' file names).
    static QStringList TabNames();
    // The window with the filter list of the orders' Field open over it.
    QPixmap GrabFilterList(const QString& field);
    // Writes the orders as a PDF report.
    void ExportOrders(const QString& fileName);

private:
    std::unique_ptr<TDemoData> FData;
    QTabWidget* FTabs = nullptr;
};

} // namespace zdb::demo

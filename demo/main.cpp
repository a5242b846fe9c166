// The ZDBGrids demo: a tour of the library in the tabs of one window, over an
// SQLite database it generates next to its executable. Without a display it
// renders the window offscreen, saves a screenshot of each tab and exits.

#include "DBError.h"
#include "DemoWindow.h"
#include "SampleData.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace {

using namespace zdb::demo;

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Lets the window settle: layouts, deferred totals, tabs made on first show.
void Settle(int milliseconds)
{
    QEventLoop wait;
    QTimer::singleShot(milliseconds, &wait, &QEventLoop::quit);
    wait.exec();
}

// Saves the window as shot, and each tab as <tab>.png beside it.
bool SaveScreenshots(TDemoWindow& window, const QString& shot)
{
    const QDir dir = QFileInfo(shot).absoluteDir();
    QDir().mkpath(dir.path());
    const QStringList names = TDemoWindow::TabNames();
    for (int i = window.Tabs()->count() - 1; i >= 0; --i) {
        window.Tabs()->setCurrentIndex(i);
        Settle(400);
        const QString file = dir.filePath(names.value(i) + QStringLiteral(".png"));
        if (!window.grab().save(file)) {
            std::fprintf(stderr, "zdbdemo: cannot write %s\n", qPrintable(file));
            return false;
        }
        std::printf("zdbdemo: screenshot saved to %s\n", qPrintable(QDir::cleanPath(file)));
    }
    // The first tab is the demo's picture.
    if (!window.grab().save(shot)) {
        std::fprintf(stderr, "zdbdemo: cannot write %s\n", qPrintable(shot));
        return false;
    }
    std::printf("zdbdemo: screenshot saved to %s\n", qPrintable(QDir::cleanPath(shot)));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!HasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zdbdemo"));
    QApplication::setOrganizationName(QStringLiteral("ZDBGrids"));

    // --screenshot [PATH] saves the window (and its tabs beside it) and exits;
    // offscreen this is the default (unless --report is given).
    QString screenshot;
    const QStringList args = QApplication::arguments();
    const qsizetype shotArg = args.indexOf(QStringLiteral("--screenshot"));
    // --filter-list-screenshot PATH: the orders with the State column's filter list open.
    const qsizetype listShotArg = args.indexOf(QStringLiteral("--filter-list-screenshot"));
    const QString listShot = listShotArg >= 0 ? args.value(listShotArg + 1) : QString();
    if (shotArg >= 0)
        screenshot = args.value(shotArg + 1);
    if (shotArg >= 0 || (QGuiApplication::platformName() == QLatin1String("offscreen") &&
                         !args.contains(QStringLiteral("--report")))) {
        if (screenshot.isEmpty() || screenshot.startsWith(QLatin1String("--")))
            screenshot = QStringLiteral(ZDB_DEMO_SCREENSHOT_DIR "/demo.png");
    }

    try {
        const QString path = DefaultSampleDatabasePath();
        QSqlDatabase db = OpenSampleDatabase(path, QStringLiteral("zdbdemo"));
        TDemoWindow window(db);
        window.show();
        if (!listShot.isEmpty()) {
            QApplication::processEvents();
            return window.GrabFilterList(QStringLiteral("state_id")).save(listShot) ? 0 : 1;
        }
        // --report PATH writes the orders as a PDF report and exits.
        if (const qsizetype reportArg = args.indexOf(QStringLiteral("--report")); reportArg >= 0) {
            const QString report = reportArg + 1 < args.size() ? args[reportArg + 1] : QStringLiteral("orders-report.pdf");
            window.ExportOrders(report);
            std::printf("zdbdemo: report saved to %s\n", qPrintable(QDir::cleanPath(report)));
            return 0;
        }
        if (screenshot.isEmpty())
            return QApplication::exec();
        std::printf("zdbdemo: database %s\n", qPrintable(path));
        return SaveScreenshots(window, screenshot) ? 0 : 1;
    } catch (const zdb::EDatabaseError& e) {
        std::fprintf(stderr, "zdbdemo: %s\n", qPrintable(e.Message()));
        if (screenshot.isEmpty())
            QMessageBox::critical(nullptr, QStringLiteral("ZDBGrids demo"), e.Message());
        return 1;
    }
}

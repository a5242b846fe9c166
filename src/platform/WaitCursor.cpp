#include "WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

#include <atomic>

namespace zdb {

namespace {
std::atomic<int> GuardDepth{0};
int CursorDepth = 0; // guards of the GUI thread, only touched there
} // namespace

TWaitCursorGuard::TWaitCursorGuard()
{
    // Only the GUI thread of a GUI application has a cursor to change.
    GuardDepth.fetch_add(1);
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app && QThread::currentThread() == app->thread()) {
        if (CursorDepth++ == 0)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        FCursorSet = true;
    }
}

TWaitCursorGuard::~TWaitCursorGuard()
{
    if (FCursorSet && --CursorDepth == 0)
        QGuiApplication::restoreOverrideCursor();
    GuardDepth.fetch_sub(1);
}

int TWaitCursorGuard::Depth()
{
    return GuardDepth.load();
}

} // namespace zdb

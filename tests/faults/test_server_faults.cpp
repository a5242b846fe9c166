// A PostgreSQL server that stops while a grid scrolls a query through its
// cursor and comes back, and a server that takes its time to answer.

#include "FaultHelpers.h"
#include "PrivatePgServer.h"
#include "WaitCursor.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSqlError>

#include <atomic>
#include <thread>

using namespace zdb;
using namespace zdb::test;

namespace {

int Id(TDataSet& Query)
{
    return Query.FieldByName("id")->AsInteger();
}

} // namespace

TEST(ServerFaults, ServerLostWhileScrollingIsReportedAndTheQueryReopens)
{
    TPrivatePgServer server;
    if (!server.Available())
        GTEST_SKIP() << server.ErrorText().toStdString();
    const QString connection = QStringLiteral("zdb_faults_restart");
    {
        QSqlDatabase db = server.Connect(connection);
        ASSERT_TRUE(db.isOpen()) << db.lastError().text().toStdString();
        ASSERT_TRUE(ExecSql(db, "CREATE TABLE items (id integer PRIMARY KEY, name text)"));
        ASSERT_TRUE(ExecSql(db, "INSERT INTO items SELECT g, 'Item ' || g FROM generate_series(1, 2000) g"));
        // The throw-away server commits without waiting for the disk: a checkpoint makes
        // the rows survive the crash below.
        ASSERT_TRUE(ExecSql(db, "CHECKPOINT"));
        TReportedErrors reported;
        {
            TQueryGrid view(db, QStringLiteral("SELECT id, name FROM items ORDER BY id"), 20);
            TZSQLQuery& query = view.Query;
            TZDBGrid& grid = view.Grid;
            for (int i = 0; i < 3; ++i)
                Press(grid, Qt::Key_PageDown);
            const int reached = Id(query);
            ASSERT_GT(reached, 20);
            ASSERT_TRUE(reported.Messages.isEmpty()) << reported.Messages.join('\n').toStdString();

            ASSERT_TRUE(server.Halt());
            // Scrolling on needs rows the server no longer gives.
            for (int i = 0; i < 10 && reported.Messages.isEmpty(); ++i)
                Press(grid, Qt::Key_PageDown);
            EXPECT_FALSE(reported.Messages.isEmpty()) << "the lost server was not reported";
            EXPECT_TRUE(reported.Others.isEmpty()) << reported.Others.join('\n').toStdString();
            // The grid goes on: it paints and moves over the rows it has.
            grid.grab();
            Press(grid, Qt::Key_Home);
            Press(grid, Qt::Key_Up);
            grid.grab();
            EXPECT_TRUE(query.Active());

            ASSERT_TRUE(server.Resume());
            // Reopened, the query reads from the restarted server.
            const qsizetype before = reported.Messages.size();
            try {
                query.Close();
                query.Open();
            } catch (const EDatabaseError& e) {
                ADD_FAILURE() << "reopening failed: " << e.Message().toStdString();
            }
            ASSERT_TRUE(query.Active());
            EXPECT_EQ(Id(query), 1);
            query.Last();
            EXPECT_EQ(Id(query), 2000);
            grid.grab();
            for (int i = 0; i < 3; ++i)
                Press(grid, Qt::Key_PageUp);
            EXPECT_LT(Id(query), 2000);
            EXPECT_EQ(reported.Messages.size(), before) << reported.Messages.join('\n').toStdString();
        }
        EXPECT_TRUE(reported.Others.isEmpty()) << reported.Others.join('\n').toStdString();
    }
    QSqlDatabase::removeDatabase(connection);
}

// Opening a query whose server answers after 2 s: the wait cursor shows while
// the window cannot answer, and is gone afterwards, also after a failure.
struct SlowServer : PgTest {};

TEST_F(SlowServer, SlowOpenShowsTheWaitCursor)
{
    {
        const TWaitCursorGuard outer;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            const TWaitCursorGuard inner;
            EXPECT_EQ(TWaitCursorGuard::Depth(), 2);
        }
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    TZSQLQuery query;
    query.SetConnection(Db());
    query.SetSQLText(QStringLiteral("SELECT 1 AS id, pg_sleep(2) AS slept"));
    std::atomic<bool> done{false};
    std::atomic<int> sawGuard{0};
    // A watchdog thread, as an application might run one, sees that the GUI thread waits.
    std::thread watchdog([&] {
        while (!done.load()) {
            if (TWaitCursorGuard::Depth() > 0)
                sawGuard.store(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    QElapsedTimer timer;
    timer.start();
    bool cursorAfterOpen = true;
    query.AfterOpen = [&](TDataSet*) { cursorAfterOpen = QGuiApplication::overrideCursor() != nullptr; };
    query.Open();
    done = true;
    watchdog.join();
    EXPECT_GE(timer.elapsed(), 1900);
    EXPECT_EQ(sawGuard.load(), 1);
    EXPECT_FALSE(cursorAfterOpen) << "the cursor stayed after the statement";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(TWaitCursorGuard::Depth(), 0);

    query.Close();
    query.SetSQLText(QStringLiteral("SELECT no_such_column FROM pg_sleep(0.1)"));
    EXPECT_THROW(query.Open(), EDatabaseError);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(TWaitCursorGuard::Depth(), 0);
}

#include "TestDb.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace zdb::test {

namespace {

std::atomic<int> GConnectionCounter{0};

QString NextName(const char* prefix)
{
    return QStringLiteral("%1_%2_%3")
        .arg(QLatin1String(prefix))
        .arg(QCoreApplication::applicationPid())
        .arg(++GConnectionCounter);
}

// Closes and forgets a named connection. The handle copy must be gone before
// removeDatabase, or Qt warns that the connection is still in use.
void RemoveConnection(const QString& name)
{
    if (name.isEmpty() || !QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QString Env(const char* name)
{
    return qEnvironmentVariable(name);
}

} // namespace

::testing::AssertionResult ExecSql(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "SQL failed: " << sql.toStdString() << "\n  " << query.lastError().text().toStdString();
}

// ---------------------------------------------------------------------------

SqliteTestDb::SqliteTestDb()
    : FConnectionName(NextName("zdb_test_sqlite"))
{
    if (!FDir.isValid()) {
        FError = QStringLiteral("cannot create a temporary folder: ") + FDir.errorString();
        return;
    }
    FFilePath = FDir.filePath(QStringLiteral("test.sqlite"));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FConnectionName);
    db.setDatabaseName(FFilePath);
    if (!db.open())
        FError = QStringLiteral("cannot open %1: %2").arg(FFilePath, db.lastError().text());
}

SqliteTestDb::~SqliteTestDb()
{
    RemoveConnection(FConnectionName);
}

QSqlDatabase SqliteTestDb::Database() const
{
    return QSqlDatabase::database(FConnectionName, false);
}

// ---------------------------------------------------------------------------

QSqlDatabase PgTestDb::OpenAdminConnection(const QString& connectionName, QString* error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(Env("ZDB_PG_HOST"));
    db.setPort(Env("ZDB_PG_PORT").toInt());
    db.setUserName(Env("ZDB_PG_USER"));
    db.setDatabaseName(Env("ZDB_PG_DBNAME"));
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    if (!db.open() && error)
        *error = db.lastError().text();
    return db;
}

PgTestDb::PgTestDb()
{
    if (Env("ZDB_PG_HOST").isEmpty() || Env("ZDB_PG_PORT").isEmpty()) {
        QString reason = Env("ZDB_PG_UNAVAILABLE");
        if (reason.isEmpty())
            reason = QStringLiteral("ZDB_PG_HOST and ZDB_PG_PORT are not set (run the tests with make test)");
        FError = QStringLiteral("PostgreSQL test server not available: ") + reason;
        FState = TState::NoServer;
        return;
    }
    FState = TState::Error;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        FError = QStringLiteral("the QPSQL driver is not installed (run scripts/setup.sh)");
        return;
    }

    FAdminConnectionName = NextName("zdb_test_pgadmin");
    QString error;
    QSqlDatabase admin = OpenAdminConnection(FAdminConnectionName, &error);
    if (!admin.isOpen()) {
        FError = QStringLiteral("cannot connect to the test server at %1:%2: %3")
                     .arg(Env("ZDB_PG_HOST"), Env("ZDB_PG_PORT"), error);
        return;
    }
    // Lower case: unquoted identifiers fold to lower case in PostgreSQL.
    FDatabaseName = NextName("zdb_test").toLower();
    if (!QSqlQuery(admin).exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'").arg(FDatabaseName))) {
        FError = QStringLiteral("cannot create database %1: %2").arg(FDatabaseName, admin.lastError().text());
        FDatabaseName.clear();
        return;
    }

    FConnectionName = NextName("zdb_test_pg");
    QSqlDatabase db = QSqlDatabase::cloneDatabase(admin, FConnectionName);
    db.setDatabaseName(FDatabaseName);
    if (!db.open()) {
        FError = QStringLiteral("cannot open database %1: %2").arg(FDatabaseName, db.lastError().text());
        return;
    }
    FState = TState::Open;
}

PgTestDb::~PgTestDb()
{
    RemoveConnection(FConnectionName);
    if (!FDatabaseName.isEmpty() && QSqlDatabase::contains(FAdminConnectionName)) {
        QSqlDatabase admin = QSqlDatabase::database(FAdminConnectionName, false);
        QSqlQuery drop(admin);
        // FORCE ends connections a test left open elsewhere.
        if (!drop.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(FDatabaseName)))
            ADD_FAILURE() << "cannot drop test database " << FDatabaseName.toStdString() << ": "
                          << drop.lastError().text().toStdString();
    }
    RemoveConnection(FAdminConnectionName);
}

QSqlDatabase PgTestDb::Database() const
{
    return QSqlDatabase::database(FConnectionName, false);
}

// ---------------------------------------------------------------------------

std::string BackendName(const ::testing::TestParamInfo<TBackend>& info)
{
    return info.param == TBackend::Sqlite ? "SQLite" : "PostgreSQL";
}

TBackendDb::TBackendDb(TBackend backend)
    : FBackend(backend)
{
    if (backend == TBackend::Sqlite)
        FSqlite = std::make_unique<SqliteTestDb>();
    else
        FPg = std::make_unique<PgTestDb>();
}

// ---------------------------------------------------------------------------

void SqliteTest::SetUp()
{
    ASSERT_TRUE(FTestDb->IsOpen()) << FTestDb->ErrorText().toStdString();
}

void PgTest::SetUp()
{
    switch (FTestDb->State()) {
    case PgTestDb::TState::Open:
        return;
    case PgTestDb::TState::NoServer:
        GTEST_SKIP() << FTestDb->ErrorText().toStdString();
    case PgTestDb::TState::Error:
        FAIL() << FTestDb->ErrorText().toStdString();
    }
}

} // namespace zdb::test

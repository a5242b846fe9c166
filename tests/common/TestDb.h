#pragma once
// Test databases: a fresh SQLite file per test, and a fresh database on the
// throw-away PostgreSQL server that `make test` starts (scripts/pg-test-server.sh).
//
// Typical use:
//
//   class OrdersTest : public zdb::test::SqliteTest {};     // or PgTest
//   TEST_F(OrdersTest, Reads) {
//       ASSERT_TRUE(zdb::test::ExecSql(Db(), "CREATE TABLE t (id INTEGER)"));
//       ...
//   }
//
// The fixtures release their database in their destructor, after the members
// of a derived fixture (datasets holding the connection) are gone. A derived
// fixture that overrides SetUp calls the base SetUp first and returns when
// IsSkipped() or HasFatalFailure().

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace zdb::test {

// Runs one statement on db. Use as ASSERT_TRUE(ExecSql(db, "...")): a failure
// names the statement and the driver's message.
::testing::AssertionResult ExecSql(const QSqlDatabase& db, const QString& sql);

// A uniquely named connection to a new SQLite file in a temporary folder. The
// destructor closes and removes the connection and deletes the folder.
class SqliteTestDb
{
public:
    SqliteTestDb();
    ~SqliteTestDb();
    SqliteTestDb(const SqliteTestDb&) = delete;
    SqliteTestDb& operator=(const SqliteTestDb&) = delete;

    bool IsOpen() const { return FError.isEmpty(); }
    const QString& ErrorText() const { return FError; }
    QSqlDatabase Database() const;
    const QString& ConnectionName() const { return FConnectionName; }
    const QString& FilePath() const { return FFilePath; }

private:
    QTemporaryDir FDir;
    QString FConnectionName;
    QString FFilePath;
    QString FError;
};

// A uniquely named connection to a new, empty database on the test PostgreSQL
// server given by ZDB_PG_HOST, ZDB_PG_PORT, ZDB_PG_USER and ZDB_PG_DBNAME (the
// database used to create and drop the test database). The destructor closes
// the connection and drops the database.
class PgTestDb
{
public:
    enum class TState { Open, NoServer, Error };

    PgTestDb();
    ~PgTestDb();
    PgTestDb(const PgTestDb&) = delete;
    PgTestDb& operator=(const PgTestDb&) = delete;

    // NoServer: the environment names no server (it could not be started);
    // tests skip. Error: a server was named but the database could not be
    // made; tests fail.
    TState State() const { return FState; }
    bool IsOpen() const { return FState == TState::Open; }
    // For NoServer: "PostgreSQL test server not available: <reason>".
    const QString& ErrorText() const { return FError; }
    QSqlDatabase Database() const;
    const QString& ConnectionName() const { return FConnectionName; }
    const QString& DatabaseName() const { return FDatabaseName; }

    // A connection to the server's administrative database (ZDB_PG_DBNAME)
    // under a new unique name; the caller removes it. Invalid without a server.
    static QSqlDatabase OpenAdminConnection(const QString& connectionName, QString* error);

private:
    TState FState = TState::NoServer;
    QString FError;
    QString FAdminConnectionName;
    QString FConnectionName;
    QString FDatabaseName;
};

// Tests that run on both servers take a TBackend parameter:
//
//   class T : public ::testing::TestWithParam<zdb::test::TBackend> {
//       void SetUp() override {
//           FDb = std::make_unique<zdb::test::TBackendDb>(GetParam());
//           if (FDb->NoServer()) GTEST_SKIP() << FDb->ErrorText().toStdString();
//           ASSERT_TRUE(FDb->IsOpen()) << FDb->ErrorText().toStdString();
//       }
//   };
//   INSTANTIATE_TEST_SUITE_P(Databases, T, zdb::test::AllBackends(), zdb::test::BackendName);
enum class TBackend { Sqlite, Postgres };
inline auto AllBackends() { return ::testing::Values(TBackend::Sqlite, TBackend::Postgres); }
// "SQLite" or "PostgreSQL", for the names of parameterised tests.
std::string BackendName(const ::testing::TestParamInfo<TBackend>& info);

// A fresh test database of either kind.
class TBackendDb
{
public:
    explicit TBackendDb(TBackend backend);
    TBackend Backend() const { return FBackend; }
    bool Sqlite() const { return FBackend == TBackend::Sqlite; }
    QSqlDatabase Database() const { return FSqlite ? FSqlite->Database() : FPg->Database(); }
    // PostgreSQL without a test server: the test skips with ErrorText.
    bool NoServer() const { return FPg && FPg->State() == PgTestDb::TState::NoServer; }
    bool IsOpen() const { return FSqlite ? FSqlite->IsOpen() : FPg->IsOpen(); }
    QString ErrorText() const { return FSqlite ? FSqlite->ErrorText() : FPg->ErrorText(); }

private:
    TBackend FBackend;
    std::unique_ptr<SqliteTestDb> FSqlite;
    std::unique_ptr<PgTestDb> FPg;
};

// Fixture with a fresh SQLite database per test.
class SqliteTest : public ::testing::Test
{
protected:
    void SetUp() override;
    QSqlDatabase Db() const { return FTestDb->Database(); }
    SqliteTestDb& TestDb() { return *FTestDb; }

private:
    std::unique_ptr<SqliteTestDb> FTestDb = std::make_unique<SqliteTestDb>();
};

// Fixture with a fresh PostgreSQL database per test; skips the test, with the
// reason, when no test server is running.
class PgTest : public ::testing::Test
{
protected:
    void SetUp() override;
    QSqlDatabase Db() const { return FTestDb->Database(); }
    PgTestDb& TestDb() { return *FTestDb; }

private:
    std::unique_ptr<PgTestDb> FTestDb = std::make_unique<PgTestDb>();
};

// Fixture of a test run on both servers (TEST_P with AllBackends()): a fresh
// database of the parameter's kind; skips without a PostgreSQL server. A derived
// SetUp calls this one first and returns when IsSkipped() or HasFatalFailure().
class BackendTest : public ::testing::TestWithParam<TBackend>
{
protected:
    void SetUp() override
    {
        FDb = std::make_unique<TBackendDb>(GetParam());
        if (FDb->NoServer())
            GTEST_SKIP() << FDb->ErrorText().toStdString();
        ASSERT_TRUE(FDb->IsOpen()) << FDb->ErrorText().toStdString();
    }
    QSqlDatabase Db() const { return FDb->Database(); }
    bool Sqlite() const { return FDb->Sqlite(); }

    std::unique_ptr<TBackendDb> FDb;
};

} // namespace zdb::test

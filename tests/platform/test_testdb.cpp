// The test-database helpers every database test stands on: they must give
// each test its own real, empty database and leave nothing behind.

#include "TestDb.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QVariant>

using namespace zdb::test;

namespace {

QVariant ScalarOf(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql) || !query.next())
        return {};
    return query.value(0);
}

} // namespace

TEST(SqliteTestDbTest, GivesEachInstanceItsOwnFileAndCleansUp)
{
    QString path;
    QString name;
    {
        SqliteTestDb first;
        SqliteTestDb second;
        ASSERT_TRUE(first.IsOpen()) << first.ErrorText().toStdString();
        ASSERT_TRUE(second.IsOpen()) << second.ErrorText().toStdString();
        EXPECT_NE(first.ConnectionName(), second.ConnectionName());
        EXPECT_NE(first.FilePath(), second.FilePath());

        ASSERT_TRUE(ExecSql(first.Database(), "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)"));
        ASSERT_TRUE(ExecSql(first.Database(), "INSERT INTO t (name) VALUES ('a'), ('b')"));
        EXPECT_EQ(ScalarOf(first.Database(), "SELECT COUNT(*) FROM t").toInt(), 2);
        EXPECT_TRUE(second.Database().tables().isEmpty());
        // The data is in the file, not only in the connection.
        EXPECT_GT(QFileInfo(first.FilePath()).size(), 0);

        path = first.FilePath();
        name = first.ConnectionName();
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(QSqlDatabase::contains(name));
}

TEST(SqliteTestDbTest, ExecSqlReportsTheStatementAndTheDriverError)
{
    SqliteTestDb db;
    ASSERT_TRUE(db.IsOpen());
    const ::testing::AssertionResult result = ExecSql(db.Database(), "SELECT * FROM missing_table");
    EXPECT_FALSE(result);
    EXPECT_NE(std::string(result.message()).find("missing_table"), std::string::npos) << result.message();
}

class SqliteFixtureTest : public SqliteTest {};

TEST_F(SqliteFixtureTest, StartsEmpty)
{
    ASSERT_TRUE(Db().isOpen());
    EXPECT_TRUE(Db().tables().isEmpty());
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE t (id INTEGER)"));
}

TEST_F(SqliteFixtureTest, DoesNotSeeTheTablesOfAnotherTest)
{
    EXPECT_TRUE(Db().tables().isEmpty());
}

class PgFixtureTest : public PgTest {};

TEST_F(PgFixtureTest, ReachesTheServerInAFreshDatabase)
{
    EXPECT_EQ(ScalarOf(Db(), "SELECT 1").toInt(), 1);
    EXPECT_EQ(ScalarOf(Db(), "SELECT current_database()").toString(), TestDb().DatabaseName());
    EXPECT_TRUE(Db().tables().isEmpty());
    ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE t (id SERIAL PRIMARY KEY, name VARCHAR(20))"));
    ASSERT_TRUE(ExecSql(Db(), "INSERT INTO t (name) VALUES ('x')"));
    EXPECT_EQ(ScalarOf(Db(), "SELECT name FROM t").toString(), QStringLiteral("x"));
}

TEST(PgTestDbTest, DropsItsDatabaseAfterwards)
{
    QString dbName;
    {
        PgTestDb db;
        if (db.State() == PgTestDb::TState::NoServer)
            GTEST_SKIP() << db.ErrorText().toStdString();
        ASSERT_TRUE(db.IsOpen()) << db.ErrorText().toStdString();
        dbName = db.DatabaseName();
        ASSERT_TRUE(ExecSql(db.Database(), "CREATE TABLE t (id INTEGER)"));
    }
    const QString admin = QStringLiteral("zdb_test_check_drop");
    const auto removeAdmin = qScopeGuard([&] { QSqlDatabase::removeDatabase(admin); });
    {
        QString error;
        QSqlDatabase db = PgTestDb::OpenAdminConnection(admin, &error);
        ASSERT_TRUE(db.isOpen()) << error.toStdString();
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QStringLiteral("SELECT COUNT(*) FROM pg_database WHERE datname = '%1'").arg(dbName)));
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toInt(), 0) << dbName.toStdString() << " still exists";
    }
}

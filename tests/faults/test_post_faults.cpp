// Posts the database refuses, typed into a shown grid: a row a constraint
// rejects (SQLite and PostgreSQL) and an SQLite file another connection holds
// locked. The user gets a database error through the application's handler, the
// edit stays pending to be corrected and retried or cancelled, the grid goes on
// working and the table holds either the old row or the new one, never a part.

#include "FaultHelpers.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace zdb;
using namespace zdb::test;

namespace {

QVariant Scalar(const QSqlDatabase& Db, const QString& Sql)
{
    QSqlQuery q(Db);
    return q.exec(Sql) && q.next() ? q.value(0) : QVariant();
}

struct RefusedPost : BackendTest {
    std::unique_ptr<TQueryGrid> View;
    TZSQLQuery* Query = nullptr;
    TZDBGrid* Grid = nullptr;

    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE items (id INTEGER PRIMARY KEY, name VARCHAR(20) NOT NULL CHECK (name <> ''), "
                                  "qty INTEGER CHECK (qty >= 0))"));
        ASSERT_TRUE(ExecSql(Db(), "INSERT INTO items VALUES (1, 'Bolt', 10), (2, 'Nut', 20)"));
        View = std::make_unique<TQueryGrid>(Db(), QStringLiteral("SELECT id, name, qty FROM items ORDER BY id"));
        Query = &View->Query;
        Grid = &View->Grid;
    }
    void TearDown() override { View.reset(); }
    TField* Field(const char* Name) const { return Query->FieldByName(QString::fromLatin1(Name)); }
};

} // namespace

TEST_P(RefusedPost, ConstraintKeepsTheEditToCorrectOrCancel)
{
    TReportedErrors reported;
    Grid->SetCol(3); // qty
    Type(*Grid, "-5");
    Press(*Grid, Qt::Key_Return);
    ASSERT_EQ(reported.Messages.size(), 1) << reported.Others.join('\n').toStdString();
    EXPECT_TRUE(reported.Others.isEmpty());
    EXPECT_EQ(Query->State(), dsEdit);
    EXPECT_EQ(Field("qty")->AsInteger(), -5) << "the pending value is kept";
    EXPECT_EQ(Scalar(Db(), "SELECT qty FROM items WHERE id = 1").toInt(), 10);

    // Moving to another record tries the post again and stays on the record.
    Press(*Grid, Qt::Key_Down);
    EXPECT_EQ(reported.Messages.size(), 2);
    EXPECT_EQ(Field("id")->AsInteger(), 1);
    EXPECT_EQ(Query->State(), dsEdit);

    // Corrected, it posts; the grid reads the row back.
    Press(*Grid, Qt::Key_F2);
    Grid->GetInplaceEditor()->selectAll();
    Type(*Grid, "7");
    Press(*Grid, Qt::Key_Return);
    EXPECT_EQ(reported.Messages.size(), 2) << reported.Messages.join('\n').toStdString();
    EXPECT_EQ(Query->State(), dsBrowse);
    EXPECT_EQ(Scalar(Db(), "SELECT qty FROM items WHERE id = 1").toInt(), 7);

    // A refused name (empty) is taken back with Escape: nothing changes.
    Grid->SetCol(2);
    Press(*Grid, Qt::Key_F2);
    Grid->GetInplaceEditor()->selectAll();
    Press(*Grid, Qt::Key_Delete);
    Press(*Grid, Qt::Key_Return);
    EXPECT_EQ(reported.Messages.size(), 3);
    EXPECT_EQ(Query->State(), dsEdit);
    Press(*Grid, Qt::Key_Escape);
    Press(*Grid, Qt::Key_Escape);
    EXPECT_EQ(Query->State(), dsBrowse);
    EXPECT_EQ(Field("name")->AsString(), "Bolt");
    EXPECT_EQ(Scalar(Db(), "SELECT name FROM items WHERE id = 1").toString(), "Bolt");
    Press(*Grid, Qt::Key_Down);
    EXPECT_EQ(Field("id")->AsInteger(), 2);
    EXPECT_TRUE(reported.Others.isEmpty()) << reported.Others.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Databases, RefusedPost, AllBackends(), BackendName);

// An SQLite file locked by another connection (SQLITE_BUSY) while the grid posts.
TEST(LockedFile, PostWaitsForTheLockThenRetries)
{
    SqliteTestDb file;
    ASSERT_TRUE(file.IsOpen()) << file.ErrorText().toStdString();
    ASSERT_TRUE(ExecSql(file.Database(), "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT)"));
    ASSERT_TRUE(ExecSql(file.Database(), "INSERT INTO items VALUES (1, 'Bolt'), (2, 'Nut')"));
    const QString gridName = file.ConnectionName() + "_grid";
    {
        // The grid's own connection gives up on a lock after 50 ms.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), gridName);
        db.setDatabaseName(file.FilePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=50"));
        ASSERT_TRUE(db.open());
        TReportedErrors reported;
        {
            TQueryGrid view(db, QStringLiteral("SELECT id, name FROM items ORDER BY id"));
            TZSQLQuery& query = view.Query;
            TZDBGrid& grid = view.Grid;

            ASSERT_TRUE(ExecSql(file.Database(), "BEGIN EXCLUSIVE"));
            grid.SetCol(2);
            Type(grid, "Washer");
            Press(grid, Qt::Key_Return);
            ASSERT_EQ(reported.Messages.size(), 1) << reported.Others.join('\n').toStdString();
            EXPECT_TRUE(reported.Messages[0].contains("locked", Qt::CaseInsensitive))
                << reported.Messages[0].toStdString();
            EXPECT_EQ(query.State(), dsEdit);
            EXPECT_EQ(query.FieldByName("name")->AsString(), "Washer");
            EXPECT_EQ(Scalar(file.Database(), "SELECT name FROM items WHERE id = 1").toString(), "Bolt");
            grid.grab(); // still paints

            ASSERT_TRUE(ExecSql(file.Database(), "COMMIT"));
            Press(grid, Qt::Key_Return);
            EXPECT_EQ(reported.Messages.size(), 1) << reported.Messages.join('\n').toStdString();
            EXPECT_EQ(query.State(), dsBrowse);
            EXPECT_EQ(Scalar(file.Database(), "SELECT name FROM items WHERE id = 1").toString(), "Washer");
            Press(grid, Qt::Key_Down);
            EXPECT_EQ(query.FieldByName("id")->AsInteger(), 2);
        }
        EXPECT_TRUE(reported.Others.isEmpty()) << reported.Others.join('\n').toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase(gridName);
}

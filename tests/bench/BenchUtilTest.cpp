// The benchmarks' shared helper where a fault would give wrong figures without failing
// a benchmark: the tables the databases generate, the cached SQLite file, the memory
// readings, and the report's verdicts.
#include "BenchUtil.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace zdb::bench;

namespace {

constexpr int Rows = 2000;

QSqlDatabase OpenSqlite(const QString& Path, const QString& Name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Name);
    db.setDatabaseName(Path);
    db.open();
    return db;
}

QVariant Scalar(const QSqlDatabase& Db, const QString& Sql)
{
    QSqlQuery q(Db);
    if (!q.exec(Sql) || !q.next())
        return {};
    return q.value(0);
}

// Every row as text, in id order; dates in ISO form whatever the driver gives.
std::vector<QStringList> AllRows(const QSqlDatabase& Db)
{
    std::vector<QStringList> rows;
    QSqlQuery q(Db);
    q.exec(SelectAll() + QStringLiteral(" ORDER BY id"));
    while (q.next()) {
        QStringList row;
        for (int c = 0; c < 10; ++c) {
            const QVariant v = q.value(c);
            row << (c >= 8             ? QDate::fromString(v.toString().left(10), Qt::ISODate).toString(Qt::ISODate)
                    : c == 2 || c == 3 ? QString::number(v.toDouble(), 'g', 17)
                                       : v.toString());
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(BenchGeneratedTable, GivesTheSameCompleteRowsOnBothDatabases)
{
    QTemporaryDir dir;
    const QString path = GenerateSqlite(dir.path(), Rows);
    std::vector<QStringList> sqliteRows;
    {
        QSqlDatabase db = OpenSqlite(path, QStringLiteral("generated"));
        ASSERT_TRUE(db.isOpen());
        EXPECT_EQ(Scalar(db, QStringLiteral("SELECT COUNT(*) FROM t")).toInt(), Rows);
        EXPECT_EQ(Scalar(db, QStringLiteral("SELECT MAX(id) - MIN(id) + 1 FROM t")).toInt(), Rows);
        for (const QString& column : ColumnNames())
            EXPECT_EQ(Scalar(db, QStringLiteral("SELECT COUNT(%1) FROM t").arg(column)).toInt(), Rows)
                << qPrintable(column) << " has nulls";
        for (const char* column : {"name", "city", "note", "code"}) {
            const QString lengths = QStringLiteral("SELECT %2(length(%1)) FROM t").arg(QLatin1String(column));
            EXPECT_GE(Scalar(db, lengths.arg(QLatin1String("MIN"))).toInt(), 10) << column;
            EXPECT_LE(Scalar(db, lengths.arg(QLatin1String("MAX"))).toInt(), 40) << column;
        }
        // The keys a Locate looks for: one row each, code indexed, note not.
        EXPECT_EQ(Scalar(db, QStringLiteral("SELECT COUNT(DISTINCT code) FROM t")).toInt(), Rows);
        EXPECT_EQ(Scalar(db, QStringLiteral("SELECT COUNT(DISTINCT note) FROM t")).toInt(), Rows);
        EXPECT_EQ(Scalar(db, QStringLiteral(
                                 "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND sql LIKE '%(code)%'"))
                      .toInt(),
                  1);
        EXPECT_EQ(
            Scalar(db, QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND sql LIKE '%note%'"))
                .toInt(),
            0);
        // Dates the query reads as dates, spread over the whole range.
        EXPECT_EQ(Scalar(db, QStringLiteral("SELECT MIN(born) FROM t")).toString(), QStringLiteral("2000-01-01"));
        EXPECT_GT(Scalar(db, QStringLiteral("SELECT MAX(due) FROM t")).toString(), QStringLiteral("2024-01-01"));
        EXPECT_GT(Scalar(db, QStringLiteral("SELECT COUNT(DISTINCT qty) FROM t")).toInt(), 800);
        sqliteRows = AllRows(db);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("generated"));

    std::optional<QSqlDatabase> pg = GeneratePostgres(QStringLiteral("generated"), Rows);
    if (!pg)
        GTEST_SKIP() << "no PostgreSQL server: only the SQLite table was checked";
    const std::vector<QStringList> pgRows = AllRows(*pg);
    DropPostgres(*pg);
    ASSERT_EQ(pgRows.size(), sqliteRows.size());
    for (size_t i = 0; i < pgRows.size(); ++i)
        ASSERT_EQ(pgRows[i], sqliteRows[i]) << "row " << i + 1;
}

TEST(BenchGeneratedTable, SqliteFileIsKeptPerCount)
{
    QTemporaryDir dir;
    const QString path = GenerateSqlite(dir.path(), 300);
    {
        QSqlDatabase db = OpenSqlite(path, QStringLiteral("kept"));
        QSqlQuery(db).exec(QStringLiteral("UPDATE t SET qty = -1 WHERE id = 1"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("kept"));
    EXPECT_EQ(GenerateSqlite(dir.path(), 300), path);
    const QString other = GenerateSqlite(dir.path(), 301);
    EXPECT_NE(other, path);
    {
        QSqlDatabase db = OpenSqlite(path, QStringLiteral("kept"));
        EXPECT_EQ(Scalar(db, QStringLiteral("SELECT qty FROM t WHERE id = 1")).toInt(), -1) << "made again";
        QSqlDatabase db2 = OpenSqlite(other, QStringLiteral("other"));
        EXPECT_EQ(Scalar(db2, QStringLiteral("SELECT COUNT(*) FROM t")).toInt(), 301);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("kept"));
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    // Nothing half-made is left beside the files.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST(BenchResident, PeakFollowsTouchedMemoryAndStartsAgain)
{
    const qint64 size = 64 * 1024 * 1024;
    const qint64 before = ResidentBytes();
    ASSERT_GT(before, 0);
    const bool reset = ResetPeakResident();
    {
        std::vector<char> block(size_t(size), 1);
        std::memset(block.data(), 2, block.size());
        EXPECT_GE(ResidentBytes() - before, size * 9 / 10);
    }
    EXPECT_GE(PeakResidentBytes() - before, size * 9 / 10);
    if (!reset)
        GTEST_SKIP() << "the kernel cannot reset the peak";
    ASSERT_TRUE(ResetPeakResident());
    EXPECT_LE(PeakResidentBytes(), ResidentBytes() + 4 * 1024 * 1024);
}

TEST(BenchReport, AGoalNotMeasuredIsMissed)
{
    QTemporaryDir dir;
    QFile rows(dir.filePath(QStringLiteral("rows/bench_x.tsv")));
    QDir().mkpath(dir.filePath(QStringLiteral("rows")));
    ASSERT_TRUE(rows.open(QIODevice::WriteOnly | QIODevice::Text));
    rows.write("row\tbench_x\tfast op\tSQLite\t1000\t1.0\tplain\t1.0\t1.5\t\n"
               "row\tbench_x\tslow op\tSQLite\t1000\t0\tplain\t2.0\t1.5\tskipped: walks the whole result\n");
    rows.close();
    const QString md = dir.filePath(QStringLiteral("results.md"));
    ASSERT_EQ(WriteReport(dir.filePath(QStringLiteral("rows")), md, dir.filePath(QStringLiteral("charts")), {}), 0);
    QFile file(md);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("| fast op | SQLite | 1000 | plain | 1.00 | ≤ 1.5 | met |")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("| slow op | SQLite | 1000 | plain | — | ≤ 1.5 | **missed** (not measured) |")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n1 goal figure(s) missed.")));
}

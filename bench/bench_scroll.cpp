// The grid's vertical scroll bar over a large query (1,000,000 rows by default), on SQLite
// and on PostgreSQL, against walking the same distance with a plain QSqlQuery. The grid
// (1280x800, shown offscreen) shows "SELECT <the ten columns> FROM t ORDER BY id" through a
// TZSQLQuery (GenerateSqlite, GeneratePostgres: the tables of bench_sqlquery).
//
//   thumb to the middle : the thumb dragged to record N / 2 and released, the grid painted
//                         there; against a forward-only QSqlQuery reading N / 2 rows
//   Ctrl+End            : the key on the grid at its first page, the last page painted;
//                         against a forward-only QSqlQuery reading all N rows
//
// Both must take under a second. The process's resident memory (VmRSS, and its peak) is
// printed before the grid opens and after the runs: the query keeps a bounded cache, so
// the memory must not grow with N (goal: under 64 MB above the process before the grid).

#include "BenchUtil.h"

#include "ZDBGrids.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <cstdio>
#include <stdexcept>

using namespace zdb;
using namespace zdb::bench;

namespace {

constexpr qint64 MB = 1024 * 1024;
volatile qlonglong Sink = 0;

QString Megabytes(qint64 Bytes)
{
    return QString::number(double(Bytes) / MB, 'f', 1) + QStringLiteral(" MB");
}

// One frame: the pending events, then the whole grid painted into a pixmap.
// Reads Rows rows of Sql forward, five fields each, as a program walking there would.
void Walk(const QSqlDatabase& Db, const QString& Sql, int Rows)
{
    QSqlQuery q(Db);
    q.setForwardOnly(true);
    if (!q.exec(Sql))
        throw std::runtime_error(("SQL failed: " + q.lastError().text()).toStdString());
    for (int i = 0; i < Rows && q.next(); ++i)
        Sink = Sink + q.value(0).toLongLong() + q.value(1).toInt() + qlonglong(q.value(2).toDouble()) +
               q.value(4).toString().size() + q.value(8).toDate().day();
}

void Measure(TBench& Bench, const QString& Data, const QSqlDatabase& Db, int N)
{
    const QString select = SelectAll() + QStringLiteral(" ORDER BY id");
    const qint64 before = ResidentBytes();
    ResetPeakResident();
    TZSQLQuery query;
    query.SetConnection(Db);
    query.SetSQLText(select);
    TDataSource source;
    source.SetDataSet(&query);
    TZDBGrid grid;
    grid.resize(1280, 800);
    grid.SetDataSource(&source);
    grid.show();
    grid.activateWindow();
    grid.setFocus();
    QScrollBar* bar = grid.verticalScrollBar();
    auto reopen = [&] {
        query.Close();
        query.Open();
        Frame(grid);
        grid.PerformDelayed(); // the bar's range, which the count gives a moment after the first screen
    };
    auto id = [&] { return query.Fields()[0]->AsInteger(); };
    const int middle = std::max(1, N / 2);

    if (Bench.Wants(QStringLiteral("thumb"))) {
        const std::vector<double> ms = Bench.Time({
            {[&] {
                 bar->setSliderDown(true);
                 bar->setSliderPosition(middle);
                 bar->setSliderDown(false);
                 Frame(grid);
             },
             reopen},
            {[&] { Walk(Db, select, middle); }},
        });
        if (id() != middle || query.RecNo() != middle)
            throw std::runtime_error(QStringLiteral("the thumb at %1 shows id %2, record %3")
                                         .arg(middle)
                                         .arg(id())
                                         .arg(query.RecNo())
                                         .toStdString());
        Bench.Row(QStringLiteral("scroll bar: thumb to the middle"), Data, N, ms[0],
                  QStringLiteral("QSqlQuery walk to the middle"), ms[1]);
        Bench.Check(QStringLiteral("scroll bar: thumb to the middle within 1 s (%1, %2)").arg(Data).arg(N),
                    ms[0] < 1000, QStringLiteral("%1 ms").arg(ms[0], 0, 'f', 1));
    }
    if (Bench.Wants(QStringLiteral("Ctrl+End"))) {
        const std::vector<double> ms = Bench.Time({
            {[&] {
                 QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
                 Frame(grid);
             },
             reopen},
            {[&] { Walk(Db, select, N); }},
        });
        if (id() != N || bar->value() != N)
            throw std::runtime_error(
                QStringLiteral("Ctrl+End shows id %1, the thumb at %2").arg(id()).arg(bar->value()).toStdString());
        Bench.Row(QStringLiteral("scroll bar: Ctrl+End"), Data, N, ms[0], QStringLiteral("QSqlQuery walk to the end"),
                  ms[1]);
        Bench.Check(QStringLiteral("scroll bar: Ctrl+End within 1 s (%1, %2)").arg(Data).arg(N), ms[0] < 1000,
                    QStringLiteral("%1 ms").arg(ms[0], 0, 'f', 1));
    }
    const qint64 peak = PeakResidentBytes();
    std::printf("memory (%s, %d rows): %s resident before the grid, %s now, %s at the peak\n", qPrintable(Data), N,
                qPrintable(Megabytes(before)), qPrintable(Megabytes(ResidentBytes())), qPrintable(Megabytes(peak)));
    Bench.Check(QStringLiteral("scroll bar: memory above the process before the grid under 64 MB (%1, %2)")
                    .arg(Data)
                    .arg(N),
                peak - before < 64 * MB, Megabytes(peak - before) + QStringLiteral(" at the peak"));
    grid.SetDataSource(nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_scroll", argc, argv, {1000000});
    try {
        // The generated SQLite files stay in the build folder for the next run.
        const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench-data"));
        for (int n : bench.Sizes()) {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("scroll"));
                db.setDatabaseName(GenerateSqlite(folder, n));
                if (!db.open())
                    throw std::runtime_error(("cannot open SQLite: " + db.lastError().text()).toStdString());
                Measure(bench, QStringLiteral("SQLite"), db, n);
                db.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("scroll"));
            if (std::optional<QSqlDatabase> pg = GeneratePostgres(QStringLiteral("scroll%1").arg(n), n)) {
                Measure(bench, QStringLiteral("PostgreSQL"), *pg, n);
                DropPostgres(*pg);
            } else {
                std::printf("PostgreSQL not configured (ZDB_PG_HOST): its figures are left out\n");
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_scroll failed: %s\n", error.what());
        return 1;
    }
    return 0;
}

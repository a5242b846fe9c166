// A value ticked in a column's filter list of a grid over an SQL query of a large
// table (SQLite, and PostgreSQL when a server is set), as a user does it: the grid
// has key fields (so it finds the current record again), the text column is shown
// as a sized string (SetFieldType, as applications do with TEXT columns), the current
// record is in the middle of the table and the footer counts a text column and sums a
// number at once. Against the same WHERE run directly: the first 100 rows and the
// count and sum the footer shows.
//
//   tick a value (city) : FilterList of city given one value and a frame painted
//
// Before every run the value is unticked and the middle record made current (untimed).
// The goal: under a second at 1,000,000 rows; the note counts the statements the query ran
// to read or count rows since the filter ran it anew (aggregates and locates not included).

#include "BenchUtil.h"

#include "ZDBGrids.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <stdexcept>

using namespace zdb;
using namespace zdb::bench;

namespace {

volatile qlonglong Sink = 0;

QSqlQuery Run(const QSqlDatabase& Db, const QString& Sql, const QString& Value)
{
    QSqlQuery q(Db);
    q.setForwardOnly(true);
    q.prepare(Sql);
    q.addBindValue(Value);
    if (!q.exec())
        throw std::runtime_error(("the direct query failed: " + q.lastError().text()).toStdString());
    return q;
}

void Measure(TBench& Bench, const QSqlDatabase& Db, const QString& Data, int N)
{
    const QString operation = QStringLiteral("tick a value (city)");
    if (!Bench.Wants(operation))
        return;
    QSqlQuery pick = Run(Db, QStringLiteral("SELECT city FROM t WHERE id = CAST(? AS INTEGER)"), QString::number(N / 2));
    if (!pick.next())
        throw std::runtime_error("no row to pick a city from");
    const QString city = pick.value(0).toString();

    TZSQLQuery query;
    query.SetConnection(Db);
    query.SetReadOnly(true);
    query.SetSQLText(SelectAll() + QStringLiteral(" ORDER BY id"));
    query.SetFieldType(QStringLiteral("city"), ftWideString, 40);
    query.SetFieldType(QStringLiteral("code"), ftWideString, 40);
    query.Open();
    TDataSource source;
    source.SetDataSet(&query);
    TZDBGrid grid;
    grid.resize(1280, 800);
    grid.SetKeyFields(QStringLiteral("id"));
    grid.SetOptionsEx((grid.GetOptionsEx() | dgTotalFooter) & ~TZDBGridOptionsEx(dgDelayUpdateTotals));
    grid.SetDataSource(&source);
    for (const auto& [name, calc] : {std::pair{"code", cvCount}, std::pair{"qty", cvSum}}) {
        TZColumnTotalValue* total = grid.FindColumn(QString::fromLatin1(name))->TotalFooter();
        total->SetCalcValue(calc);
        total->SetTotalResult(trCalcValue);
    }
    grid.show();
    Frame(grid);
    TZColumn* column = grid.FindColumn(QStringLiteral("city"));
    TZColumnTotalValue* count = grid.FindColumn(QStringLiteral("code"))->TotalFooter();

    qlonglong ours = -1, theirs = -2;
    int statements = 0;
    const std::vector<double> t = Bench.Time({
        {[&] {
             column->SetFilterList({city});
             Frame(grid);
             statements = query.ServerRequestCount(); // the filter ran the statement anew
             ours = count->GetValue().toLongLong();
         },
         [&] {
             column->SetFilterList({});
             query.Locate(QStringLiteral("id"), N / 2, {});
             Frame(grid);
         }},
        {[&] {
            QSqlQuery page = Run(Db, SelectAll() + QStringLiteral(" WHERE city = ? ORDER BY id LIMIT 100"), city);
            while (page.next())
                Sink = Sink + page.value(0).toLongLong();
            QSqlQuery totals = Run(Db, QStringLiteral("SELECT COUNT(code), SUM(qty) FROM t WHERE city = ?"), city);
            totals.next();
            theirs = totals.value(0).toLongLong();
            Sink = Sink + totals.value(1).toLongLong();
        }},
    });
    grid.SetDataSource(nullptr);
    if (ours != theirs)
        throw std::runtime_error(QStringLiteral("the footer counts %1 rows, the server %2").arg(ours).arg(theirs).toStdString());
    Bench.Row(operation, Data, N, t[0], QStringLiteral("WHERE city = ? (page, count, sum)"), t[1], 0,
              QStringLiteral("%1 rows pass, %2 statements").arg(ours).arg(statements));
    if (N >= 1000000)
        Bench.Check(QStringLiteral("%1 on %2 at %3 rows under a second").arg(operation, Data).arg(N), t[0] < 1000,
                    QStringLiteral("%1 ms").arg(t[0], 0, 'f', 0));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_filtersql", argc, argv);
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench-data"));
    try {
        for (int n : bench.Sizes()) {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("filtersql"));
                db.setDatabaseName(GenerateSqlite(folder, n));
                if (!db.open())
                    throw std::runtime_error(("cannot open SQLite: " + db.lastError().text()).toStdString());
                Measure(bench, db, QStringLiteral("SQLite"), n);
                db.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("filtersql"));
            std::optional<QSqlDatabase> pg = GeneratePostgres(QStringLiteral("filtersql%1").arg(n), n);
            if (pg) {
                Measure(bench, *pg, QStringLiteral("PostgreSQL"), n);
                DropPostgres(*pg);
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_filtersql failed: %s\n", error.what());
        return 1;
    }
    return 0;
}

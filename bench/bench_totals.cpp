// The grid's totals over an in-memory dataset of 5 numeric columns, every
// column with every aggregate (sum, average, count, maximum, minimum, first,
// last, unique), against a plain walk that reads the same 5 fields of every
// record; and the totals of an SQL query (sum, average, count, maximum and
// minimum of 4 numeric columns), which its server computes, against running the
// same aggregate SELECT directly. Measured in one run on the same data.

#include "BenchUtil.h"

#include "ZDBGrids.h"
#include "ZDBMemData.h"

#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QDir>
#include <QSqlQuery>

using namespace zdb;
using namespace zdb::bench;

namespace {

volatile double Sink = 0;

const QStringList Numeric = {QStringLiteral("id"), QStringLiteral("qty"), QStringLiteral("price"),
                             QStringLiteral("rate"), QStringLiteral("total")};

void FillNumeric(TZMemDataSet& Table, int N)
{
    const TFieldType types[] = {ftInteger, ftInteger, ftFloat, ftFloat, ftFloat};
    for (int i = 0; i < Numeric.size(); ++i)
        Table.FieldDefs().Add(Numeric[i], types[i]);
    Table.CreateDataSet();
    TDataSetControlsGuard controls(&Table);
    for (const TRecord& r : MakeRecords(N)) {
        Table.Append();
        Table.Fields()[0]->SetValue(r.Id);
        Table.Fields()[1]->SetValue(r.Qty);
        Table.Fields()[2]->SetValue(r.Price);
        Table.Fields()[3]->SetValue(r.Rate);
        Table.Fields()[4]->SetValue(r.Qty * r.Price);
        Table.Post();
    }
    Table.First();
}

// A grid over Query with a sum, average, count, maximum and minimum of each of its
// numeric columns, timed against the aggregate SELECT those totals amount to.
void TimeServerTotals(TBench& Bench, const QString& Data, int N, const QSqlDatabase& Db)
{
    const QStringList numeric = {QStringLiteral("id"), QStringLiteral("qty"), QStringLiteral("price"),
                                 QStringLiteral("rate")};
    TZSQLQuery query;
    query.SetConnection(Db);
    query.SetSQLText(QStringLiteral("SELECT ") + numeric.join(QStringLiteral(", ")) +
                     QStringLiteral(" FROM t ORDER BY id"));
    query.Open();
    TDataSource source;
    source.SetDataSet(&query);
    TZDBGrid grid;
    grid.SetOptionsEx(grid.GetOptionsEx() | dgTotalValues);
    QStringList aggregates{QStringLiteral("COUNT(*)")};
    for (const QString& name : numeric) {
        TZColumn* column = grid.Columns()->Add();
        column->SetFieldName(name);
        for (TCalcValue calc : {cvSum, cvAvg, cvCount, cvMax, cvMin}) {
            TZColumnTotalValue* total = column->TotalValues()->Add();
            total->SetCalcValue(calc);
            total->SetTotalResult(trCalcValue);
        }
        aggregates << QStringLiteral("SUM(%1), COUNT(%1), MIN(%1), MAX(%1)").arg(name);
    }
    grid.SetDataSource(&source);
    const QString direct = QStringLiteral("SELECT ") + aggregates.join(QStringLiteral(", ")) + QStringLiteral(" FROM t");
    const std::vector<double> t = Bench.Time({
        {[&] { grid.UpdateCalcValues(false); }},
        {[&] {
            QSqlQuery q(Db);
            if (!q.exec(direct) || !q.next())
                throw std::runtime_error("the aggregate SELECT failed");
            Sink = Sink + q.value(0).toDouble();
        }},
    });
    // Reading every row instead would not be a server total.
    const QString note = query.AllRecordsFetched() ? QStringLiteral("the rows were read") : QString();
    Bench.Row(QStringLiteral("server totals, 4 columns x 5 aggregates"), Data, N, note.isEmpty() ? t[0] : -1,
              QStringLiteral("the same aggregate SELECT directly"), t[1], 1.2, note);
    grid.SetDataSource(nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_totals", argc, argv, {10000, 100000, 1000000});
    for (int n : bench.Wants(QStringLiteral("totals, 5 columns")) ? bench.Sizes() : std::vector<int>()) {
        TZMemDataSet table;
        FillNumeric(table, n);
        TDataSource source;
        source.SetDataSet(&table);
        TZDBGrid grid;
        grid.SetOptionsEx(grid.GetOptionsEx() | dgTotalValues);
        for (const QString& name : Numeric) {
            TZColumn* column = grid.Columns()->Add();
            column->SetFieldName(name);
            for (TCalcValue calc : {cvSum, cvAvg, cvCount, cvMax, cvMin, cvFirst, cvLast, cvUnique}) {
                TZColumnTotalValue* total = column->TotalValues()->Add();
                total->SetCalcValue(calc);
                total->SetTotalResult(trCalcValue);
            }
        }
        grid.SetDataSource(&source);

        const std::vector<double> t = bench.Time({
            {[&] { grid.UpdateCalcValues(false); }},
            {[&] {
                TDataSetControlsGuard controls(&table);
                std::vector<TField*> fields;
                for (const QString& name : Numeric)
                    fields.push_back(table.FieldByName(name));
                double sum = 0;
                for (table.First(); !table.Eof(); table.Next())
                    for (TField* field : fields)
                        sum += field->GetValue().toDouble();
                Sink = Sink + sum;
            }},
        });
        bench.Row(QStringLiteral("totals, 5 columns x 8 aggregates"), QStringLiteral("in-memory"), n, t[0],
                  QStringLiteral("raw walk reading the 5 fields"), t[1], 1.3);
        grid.SetDataSource(nullptr);
    }
    if (!bench.Wants(QStringLiteral("server totals")))
        return 0;
    // The generated SQLite files stay in the build folder for the next run.
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench-data"));
    for (int n : bench.Sizes()) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("totals"));
            db.setDatabaseName(GenerateSqlite(folder, n));
            if (!db.open())
                return 1;
            TimeServerTotals(bench, QStringLiteral("SQLite"), n, db);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("totals"));
        const QString name = QStringLiteral("totals%1").arg(n);
        if (std::optional<QSqlDatabase> pg = GeneratePostgres(name, n)) {
            TimeServerTotals(bench, QStringLiteral("PostgreSQL"), n, *pg);
            DropPostgres(*pg);
        }
    }
    return 0;
}

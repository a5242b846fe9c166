// The grid's value-list filter against the in-memory dataset's own Filter with
// the same meaning, measured in one run on the same data:
//
//   value list : a column's FilterList given three ticked values, as the drop-down
//                list does when the user closes it (the grid installs its record
//                test on the dataset), against Filter = "col IN (a, b, c)" set on
//                the dataset directly
//
// Both sides then do the same work: count the records that pass by walking them,
// and paint a frame of the 1280x800 grid. Before every run the filter is taken
// away again (untimed). The filtered column is a string (name: three names of the
// table, a few records pass) and an integer (qty: three of its 1,000 values,
// about 0.3 % of the records pass).
//
//   distinct values : the items of a column's filter list (qty, 1,000 values), on the
//                in-memory table by one walk against a raw walk that only gathers the
//                edit texts, and on SQLite by the query's server DISTINCT against the
//                same SELECT DISTINCT run directly through QSqlQuery

#include "BenchUtil.h"

#include "ZDBFilterUI.h"
#include "ZDBGrids.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

using namespace zdb;
using namespace zdb::bench;

namespace {

constexpr int Width = 1280;
constexpr int Height = 800;
volatile qlonglong Sink = 0;

struct TCase {
    QString Column;
    QStringList Values;     // the ticked edit texts
    QString Expression;     // the dataset's own Filter of the same meaning
};

// The filter list's items of qty: in memory against a raw walk, on SQLite against
// the DISTINCT run directly. False when the counts differ.
bool DistinctValues(TBench& Bench, TZDBGrid& Grid, TZMemDataSet& Table, const std::vector<TRecord>& Records, int N)
{
    TZFilterItemsOptions options;
    options.ProgressDelay = -1;
    TZDBFilterData items;
    const auto collect = [&](TZDBGrid& OnGrid) { LoadFilterItems(OnGrid.FindColumn(QStringLiteral("qty")), &items, options); };
    QSet<QString> raw;
    const std::vector<double> memory = Bench.Time({
        {[&] { collect(Grid); }},
        {[&] {
             raw.clear();
             TField* qty = Table.FieldByName(QStringLiteral("qty"));
             Table.DisableControls();
             for (Table.First(); !Table.Eof(); Table.Next())
                 raw.insert(qty->GetEditText());
             Table.EnableControls();
         }},
    });
    if (items.List().size() != raw.size())
        return false;
    Bench.Row(QStringLiteral("distinct values (qty)"), QStringLiteral("in-memory"), N, memory[0],
              QStringLiteral("raw walk"), memory[1], 3.0, QStringLiteral("%1 values").arg(raw.size()));

    QTemporaryDir dir;
    QSqlDatabase db = CreateSqlite(dir, QStringLiteral("bench_filter_distinct"), Records);
    int direct = 0;
    {
        TZSQLQuery query;
        query.SetConnection(db);
        query.SetSQLText(SelectAll());
        query.Open();
        TDataSource source;
        source.SetDataSet(&query);
        TZDBGrid grid;
        grid.SetDataSource(&source);
        const std::vector<double> sql = Bench.Time({
            {[&] { collect(grid); }},
            {[&] {
                 QSqlQuery distinct(db);
                 distinct.exec(QStringLiteral("SELECT DISTINCT qty FROM t"));
                 direct = 0;
                 while (distinct.next())
                     ++direct;
             }},
        });
        grid.SetDataSource(nullptr);
        if (items.List().size() != direct)
            return false;
        Bench.Row(QStringLiteral("distinct values (qty)"), QStringLiteral("SQLite"), N, sql[0],
                  QStringLiteral("SELECT DISTINCT"), sql[1], 1.5, QStringLiteral("%1 values").arg(direct));
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("bench_filter_distinct"));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_filter", argc, argv);
    const QString data = QStringLiteral("in-memory");
    try {
        for (int n : bench.Sizes()) {
            const std::vector<TRecord> records = MakeRecords(n);
            TZMemDataSet table;
            FillMem(table, records);
            TDataSource source;
            source.SetDataSet(&table);
            TZDBGrid grid;
            grid.resize(Width, Height);
            grid.SetDataSource(&source);
            grid.show();
            Frame(grid);

            QStringList names;
            for (int at : {n / 4, n / 2, 3 * n / 4})
                names << records[size_t(at)].Name;
            const std::vector<TCase> cases{
                {QStringLiteral("name"), names,
                 QStringLiteral("name IN ('%1')").arg(names.join(QStringLiteral("','")))},
                {QStringLiteral("qty"), {QStringLiteral("7"), QStringLiteral("42"), QStringLiteral("500")},
                 QStringLiteral("qty IN (7, 42, 500)")},
            };
            for (const TCase& c : cases) {
                const QString operation = QStringLiteral("value list of 3 (%1)").arg(c.Column);
                if (!bench.Wants(operation))
                    continue;
                TZColumn* column = grid.FindColumn(c.Column);
                int ours = -1, theirs = -1;
                // Both filters away, the grid's first (it gives the dataset back what it had).
                const auto unfiltered = [&] {
                    column->FilterList()->Clear();
                    table.SetFiltered(false);
                    table.SetFilter(QString());
                    Frame(grid);
                };
                const std::vector<double> t = bench.Time({
                    {[&] {
                         column->SetFilterList(c.Values);
                         ours = CountRecords(table);
                         Frame(grid);
                     },
                     unfiltered},
                    {[&] {
                         table.SetFilter(c.Expression);
                         table.SetFiltered(true);
                         theirs = CountRecords(table);
                         Frame(grid);
                     },
                     unfiltered},
                });
                unfiltered();
                if (ours != theirs || ours <= 0) {
                    std::fprintf(stderr, "bench_filter: %s passes %d records, the expression %d\n",
                                 qPrintable(operation), ours, theirs);
                    return 1;
                }
                bench.Row(operation, data, n, t[0], QStringLiteral("Filter with IN"), t[1], 1.5,
                          QStringLiteral("%1 records pass").arg(ours));
            }
            if (bench.Wants(QStringLiteral("distinct values")))
                if (!DistinctValues(bench, grid, table, records, n))
                    return 1;
            grid.SetDataSource(nullptr);
            source.SetDataSet(nullptr);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_filter failed: %s\n", error.what());
        return 1;
    }
    return 0;
}

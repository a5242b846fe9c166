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

#include "BenchUtil.h"

#include "ZDBGrids.h"
#include "ZDBMemData.h"

#include <QApplication>

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
            grid.SetDataSource(nullptr);
            source.SetDataSet(nullptr);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_filter failed: %s\n", error.what());
        return 1;
    }
    return 0;
}

// The grid's bulk selection operations against a plain walk of the same dataset
// that only collects the bookmarks into a vector, measured in one run on the same
// data: SelectAll, InvertAll (with the heap each selected row takes), SelectRows
// walking backwards over the whole dataset, UnselectRows and InvertRows over it,
// Refresh dropping half the list (a filter hides every other record), and
// RestoreSelection of every record by key.
//
// A ratio that stays flat as the count grows shows that the operation costs the
// walk plus a constant per record (no insertion or erasure in the middle of the
// list, no search of the dataset per key).

#include "BenchUtil.h"

#include "ZDBGrids.h"
#include "ZDBMemData.h"

#include <QApplication>

#include <map>

using namespace zdb;
using namespace zdb::bench;

namespace {

volatile qlonglong Sink = 0;

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_selection", argc, argv);
    const QString data = QStringLiteral("in-memory");
    const QString against = QStringLiteral("bookmark walk");
    std::map<QString, std::map<int, double>> perRecord;
    for (int n : bench.Sizes()) {
        TZMemDataSet table;
        FillMem(table, MakeRecords(n));
        TDataSource source;
        source.SetDataSet(&table);
        TZDBGrid grid;
        grid.SetOptions(grid.GetOptions() | dgMultiSelect);
        grid.SetDataSource(&source);

        const TAlternative walk{[&] {
            std::vector<TBookmark> marks;
            TDataSetControlsGuard controls(&table);
            for (table.First(); !table.Eof(); table.Next())
                marks.push_back(table.Bookmark());
            Sink = Sink + qlonglong(marks.size());
        }};
        auto measure = [&](const QString& Operation, std::function<void()> Run, std::function<void()> Prepare,
                           double Goal, const QString& Note = {}) {
            const std::vector<double> t = bench.Time({{std::move(Run), std::move(Prepare)}, walk});
            bench.Row(Operation, data, n, t[0], against, t[1], Goal, Note);
            perRecord[Operation][n] = t[0] / n;
        };

        grid.ClearSelection();
        const qint64 before = HeapBytes();
        grid.SelectAll();
        const double heap = double(HeapBytes() - before) / n;
        measure(QStringLiteral("select all"), [&] { grid.SelectAll(); }, [&] { grid.ClearSelection(); }, 1.5,
                QStringLiteral("heap per selected row: %1 bytes").arg(heap, 0, 'f', 1));
        measure(QStringLiteral("invert all"), [&] { grid.InvertAll(); }, [&] { grid.ClearSelection(); }, 1.5);

        // Anchor on the first record, current on the last: the range walks backwards.
        auto anchorFirstCurrentLast = [&] {
            table.First();
            grid.SetSelectionAnchor(table.Bookmark());
            table.Last();
        };
        measure(QStringLiteral("select rows"), [&] { grid.SelectRows(); }, [&] {
            grid.ClearSelection();
            anchorFirstCurrentLast();
        }, 0);
        measure(QStringLiteral("unselect rows"), [&] { grid.UnselectRows(); }, [&] {
            grid.SelectAll();
            anchorFirstCurrentLast();
        }, 0);
        measure(QStringLiteral("invert rows"), [&] { grid.InvertRows(); }, [&] {
            grid.SelectAll();
            grid.InvertAll();
            anchorFirstCurrentLast();
        }, 0);
        grid.SelectAll();
        grid.SaveSelection(QStringLiteral("id"));
        measure(QStringLiteral("restore selection"), [&] { grid.RestoreSelection(QStringLiteral("id")); },
                [&] { grid.ClearSelection(); }, 0);

        table.SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->Fields()[0]->GetValue().toInt() % 2; });
        measure(QStringLiteral("refresh, half filtered"), [&] { grid.SelectedRows()->Refresh(); }, [&] {
            table.SetFiltered(false);
            grid.SelectAll();
            table.SetFiltered(true);
        }, 0);
        table.SetFiltered(false);
        grid.SetDataSource(nullptr);
    }

    // Linear in N: the time per record at the largest count against the smallest.
    const int small = bench.Sizes().front(), large = bench.Sizes().back();
    if (large > small)
        for (const char* operation : {"select all", "invert all"}) {
            const auto& times = perRecord[QString::fromLatin1(operation)];
            const double growth = times.at(large) / times.at(small);
            bench.Check(QStringLiteral("%1 linear in N").arg(QString::fromLatin1(operation)), growth <= 2.0,
                        QStringLiteral("time per record at %1 is %2x that at %3").arg(large).arg(growth, 0, 'f', 2).arg(small));
        }
    return 0;
}

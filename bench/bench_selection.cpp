// The grid's bulk selection operations against a plain walk of the same dataset
// that only collects the bookmarks, measured in one run on the same data:
// SelectAll, InvertAll, SelectRows walking backwards over the whole dataset,
// UnselectRows and InvertRows over it, Refresh dropping half the list (a filter
// hides every other record), and RestoreSelection of every record by key.
//
// Each line prints both times and their ratio (operation / walk) for several
// record counts: a ratio that stays flat as the count grows shows that the
// operation costs the walk plus a constant per record (no insertion or erasure
// in the middle of the list, no search of the dataset per key).
// Largest count: ZDB_BENCH_ROWS (default 1,000,000).

#include "ZDBGrids.h"
#include "ZDBMemData.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace zdb;

namespace {

double Millis(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

std::unique_ptr<TZMemDataSet> MakeTable(int Rows)
{
    auto table = std::make_unique<TZMemDataSet>();
    table->FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    table->CreateDataSet();
    TDataSetControlsGuard controls(table.get());
    for (int i = 1; i <= Rows; ++i) {
        table->Append();
        table->Fields()[0]->SetValue(i);
        table->Post();
    }
    table->First();
    return table;
}

void Line(const char* What, int Rows, double Ms, double BaseMs)
{
    std::printf("%-11s %9d rows: %9.1f ms, walk %9.1f ms, ratio %.2f\n", What, Rows, Ms, BaseMs,
                BaseMs > 0 ? Ms / BaseMs : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int maxRows = qEnvironmentVariableIsSet("ZDB_BENCH_ROWS") ? qEnvironmentVariableIntValue("ZDB_BENCH_ROWS")
                                                                      : 1000000;
    for (int rows = maxRows / 100; rows <= maxRows; rows *= 10) {
        if (rows < 1)
            continue;
        auto table = MakeTable(rows);
        TDataSource source;
        source.SetDataSet(table.get());
        TZDBGrid grid;
        grid.SetOptions(grid.GetOptions() | dgMultiSelect);
        grid.SetDataSource(&source);

        const double walk = Millis([&] {
            std::vector<TBookmark> marks;
            TDataSetControlsGuard controls(table.get());
            for (table->First(); !table->Eof(); table->Next())
                marks.push_back(table->Bookmark());
        });
        Line("SelectAll", rows, Millis([&] { grid.SelectAll(); }), walk);
        Line("InvertAll", rows, Millis([&] { grid.InvertAll(); }), walk);

        // Anchor on the first record, current on the last: the range walks backwards.
        auto anchorFirstCurrentLast = [&] {
            table->First();
            grid.SetSelectionAnchor(table->Bookmark());
            table->Last();
        };
        grid.ClearSelection();
        anchorFirstCurrentLast();
        Line("SelectRows", rows, Millis([&] { grid.SelectRows(); }), walk);
        anchorFirstCurrentLast();
        Line("UnselectRow", rows, Millis([&] { grid.UnselectRows(); }), walk);
        grid.SelectAll();
        grid.InvertAll();
        anchorFirstCurrentLast();
        Line("InvertRows", rows, Millis([&] { grid.InvertRows(); }), walk);

        grid.SelectAll();
        grid.SaveSelection(QStringLiteral("Id"));
        grid.ClearSelection();
        Line("Restore", rows, Millis([&] { grid.RestoreSelection(QStringLiteral("Id")); }), walk);

        table->SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->Fields()[0]->GetValue().toInt() % 2; });
        table->SetFiltered(true);
        Line("Refresh", rows, Millis([&] { grid.SelectedRows()->Refresh(); }), walk);
        table->SetFiltered(false);
    }
    return 0;
}

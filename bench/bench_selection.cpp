// The grid's SelectAll and InvertAll against a plain walk of the same dataset
// that only collects the bookmarks, measured in one run on the same data.
//
// Each line prints both times and their ratio (selection / walk) for several
// record counts: the ratio staying flat as the count grows shows that selecting
// every record costs the walk plus a constant per record (no sorted insertion).
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
    std::printf("%-10s %9d rows: %9.1f ms, walk %9.1f ms, ratio %.2f\n", What, Rows, Ms, BaseMs,
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
        const double all = Millis([&] { grid.SelectAll(); });
        const double invert = Millis([&] { grid.InvertAll(); });
        Line("SelectAll", rows, all, walk);
        Line("InvertAll", rows, invert, walk);
    }
    return 0;
}

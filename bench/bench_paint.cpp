// Painting cost: one scrolled frame of a 1280x800 grid over 1,000,000 in-memory records
// (the benchmark table's ten columns), against QTableView's frame over the same records in
// a QStandardItemModel. Each run scrolls a page down and grabs the whole widget into a
// pixmap, twenty times; both widgets are shown offscreen and rendered the same way.
//
//   plain frame   : the grid's default look (selection gradients, the current row)
//   styled frame  : striped rows, a multi-selection of the rows shown, a two-level header
//                   band over three columns, three numbered sort markers, a check-box
//                   column and a footer row; against QTableView with alternating rows
//
// Goal: at most 1.0x QTableView's time, at every count (painting stays proportional to
// the visible cells).

#include "BenchUtil.h"

#include "ZDBGrids.h"
#include "ZDBMemData.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>

#include <cstdio>
#include <memory>
#include <stdexcept>

using namespace zdb;
using namespace zdb::bench;

namespace {

constexpr int Width = 1280;
constexpr int Height = 800;
constexpr int Frames = 20;
volatile qlonglong Sink = 0;

// The grid styled with every painted part that costs something per frame.
void Style(TZDBGrid& Grid)
{
    Grid.SetOptions(Grid.GetOptions() | dgTitleHeaders | dgMultiSelect);
    Grid.SetOptionsEx((Grid.GetOptionsEx() & ~TZDBGridOptionsEx(dgAutoUpdateOrder | dgLoadCurrentOrder)) |
                      dgTotalFooter);
    Grid.SetDrawingOptions(Grid.GetDrawingOptions() | gdoStripedRows);
    Grid.Columns()->SetState(csCustomized);
    TZDBGridColumns* columns = Grid.Columns();
    columns->Items(1)->Title()->SetHeader(QStringLiteral("Figures|Amounts"));
    columns->Items(2)->Title()->SetHeader(QStringLiteral("Figures|Amounts"));
    columns->Items(3)->Title()->SetHeader(QStringLiteral("Figures|Rates"));
    columns->Items(4)->Title()->SetMarkerIndex(2);
    columns->Items(5)->Title()->SetMarkerIndex(5);
    columns->Items(6)->Title()->SetMarkerIndex(6);
    // A check-box column: a qty of 1 shows checked, others grayed.
    columns->Items(1)->SetCheckBox(true);
    columns->Items(1)->SetCheckBoxValues(QStringLiteral("1;0"));
    columns->Items(0)->TotalFooter()->SetCaption(QStringLiteral("Footer"));
}

// The records the frames scroll over selected (a range from the first).
void SelectScrolledRows(TZDBGrid& Grid, TDataSet& Table, int Count)
{
    Table.First();
    Grid.SetSelectionAnchor(Table.GetBookmark());
    Table.MoveBy(Count);
    Grid.SelectRows();
    Table.First();
}

void Measure(TBench& Bench, int N, const std::vector<TRecord>& Records)
{
    TZMemDataSet table;
    FillMem(table, Records);
    TDataSource source;
    source.SetDataSet(&table);
    QStandardItemModel model;
    FillModel(model, Records);

    for (const bool styled : {false, true}) {
        const QString operation = styled ? QStringLiteral("styled frame") : QStringLiteral("plain frame");
        if (!Bench.Wants(operation))
            continue;
        TZDBGrid grid;
        grid.resize(Width, Height);
        grid.SetDataSource(&source);
        if (styled)
            Style(grid);
        grid.show();
        grid.activateWindow();
        grid.setFocus();
        if (styled)
            SelectScrolledRows(grid, table, std::min(N - 1, (Frames + 1) * Height / 10));
        QTableView view;
        view.resize(Width, Height);
        view.setModel(&model);
        view.setAlternatingRowColors(styled);
        view.show();
        Frame(grid);
        Frame(view);
        const int page = std::max(1, grid.VisibleRowCount());
        const std::vector<double> ms = Bench.Time({
            {[&] {
                 for (int i = 0; i < Frames; ++i) {
                     table.MoveBy(page);
                     Frame(grid);
                 }
             },
             [&] { table.First(); }},
            {[&] {
                 QScrollBar* bar = view.verticalScrollBar();
                 for (int i = 0; i < Frames; ++i) {
                     bar->setValue(bar->value() + bar->pageStep());
                     Frame(view);
                 }
             },
             [&] { view.verticalScrollBar()->setValue(0); }},
        });
        if (table.FieldByName(QStringLiteral("id"))->AsInteger() <= page)
            throw std::runtime_error("the grid did not scroll");
        Bench.Row(operation + QStringLiteral(" (20 scrolled frames)"), QStringLiteral("in-memory"), N, ms[0],
                  QStringLiteral("QTableView"), ms[1], 1.0);
        grid.SetDataSource(nullptr);
    }
    source.SetDataSet(nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_paint", argc, argv, {1000000});
    try {
        for (int n : bench.Sizes())
            Measure(bench, n, MakeRecords(n));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_paint failed: %s\n", error.what());
        return 1;
    }
    return 0;
}

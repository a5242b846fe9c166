// The grid against QTableView on the same data, measured in one run:
//
//   open      : a new 1280x800 grid assigned the data source, laid out and painted (in-memory,
//               SQLite, PostgreSQL), against a QTableView over a QStandardItemModel holding the
//               same values / a QSqlQueryModel over the same statement
//   scroll    : 1,000 presses of the Down key, every frame painted, against the same in QTableView
//   sort      : two clicks on the title of a string column (ascending, then descending), against
//               setting the index / running the rewritten statement directly, and QTableView's way
//               (fetch every row, then QSortFilterProxyModel) for context
//   copy      : 10,000 selected rows to the clipboard, against the same text built by a walk
//
// Every frame is rendered the same way for both sides: the whole widget grabbed into a pixmap.

#include "BenchUtil.h"

#include "ZDBGrids.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QClipboard>
#include <QSortFilterProxyModel>
#include <QSqlQueryModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace zdb;
using namespace zdb::bench;

namespace {

constexpr int Width = 1280;
constexpr int Height = 800;
constexpr int SortColumn = 4; // name: strings of 10 to 40 characters
volatile qlonglong Sink = 0;

// One frame: the whole widget painted into a pixmap (after the events pending, when asked).
std::unique_ptr<TZDBGrid> NewGrid(TDataSource* Source)
{
    auto grid = std::make_unique<TZDBGrid>();
    grid->resize(Width, Height);
    grid->SetOptions(grid->GetOptions() | dgMultiSelect);
    grid->SetOptionsEx(grid->GetOptionsEx() | dgAutoUpdateOrder);
    grid->SetDataSource(Source);
    grid->show();
    Frame(*grid);
    return grid;
}

std::unique_ptr<QTableView> NewView(QAbstractItemModel* Model)
{
    auto view = std::make_unique<QTableView>();
    view->resize(Width, Height);
    view->setModel(Model);
    view->show();
    Frame(*view);
    return view;
}

// A real click on the column's title cell, the way the user sorts.
void ClickTitle(TZDBGrid& Grid, int Column)
{
    const QRect title = Grid.CellRect(Grid.DataToRawColumn(Column), Grid.TitleRowCount() - 1);
    QTest::mouseClick(Grid.viewport(), Qt::LeftButton, {}, title.center());
    Frame(Grid);
}

void SortBothWays(TZDBGrid& Grid)
{
    ClickTitle(Grid, SortColumn); // the first run starts unsorted, every later one from descending
    ClickTitle(Grid, SortColumn);
}

// QTableView's way: every row in the model, then a proxy sorts it.
void ProxySort(QAbstractItemModel& Model, QTableView& View)
{
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&Model);
    View.setModel(&proxy);
    proxy.sort(SortColumn, Qt::AscendingOrder);
    Frame(View);
    proxy.sort(SortColumn, Qt::DescendingOrder);
    Frame(View);
    View.setModel(nullptr);
}

void FetchAll(QSqlQueryModel& Model)
{
    while (Model.canFetchMore())
        Model.fetchMore();
}

struct TOpenTimes {
    std::map<QString, std::map<int, double>> Ours;
};

void MemoryBenchmarks(TBench& Bench, int N, const std::vector<TRecord>& Records, TOpenTimes& Open)
{
    const QString data = QStringLiteral("in-memory");
    TZMemDataSet table;
    FillMem(table, Records);
    QStandardItemModel model;
    FillModel(model, Records);
    TDataSource source;
    source.SetDataSet(&table);

    std::unique_ptr<TZDBGrid> grid = NewGrid(&source);
    std::unique_ptr<QTableView> view = NewView(&model);
    if (Bench.Wants(QStringLiteral("open"))) {
        auto open = Bench.Time({{[&] { grid = NewGrid(&source); }, [&] { grid.reset(); }},
                                {[&] { view = NewView(&model); }, [&] { view.reset(); }}});
        Bench.Row(QStringLiteral("open"), data, N, open[0], QStringLiteral("QTableView+QStandardItemModel"), open[1],
                  1.0);
        Open.Ours[data][N] = open[0];
    }

    const int moves = Bench.Smoke() ? 20 : 1000;
    if (Bench.Wants(QStringLiteral("scroll"))) {
    auto scroll = Bench.Time({{[&] {
                                   for (int i = 0; i < moves; ++i) {
                                       QTest::keyClick(grid.get(), Qt::Key_Down);
                                       Frame(*grid, false);
                                   }
                               },
                               [&] { table.First(); }},
                              {[&] {
                                   for (int i = 0; i < moves; ++i) {
                                       QTest::keyClick(view.get(), Qt::Key_Down);
                                       Frame(*view, false);
                                   }
                               },
                               [&] { view->setCurrentIndex(model.index(0, 0)); }}});
    Bench.Row(QStringLiteral("scroll 1,000 moves"), data, N, scroll[0], QStringLiteral("QTableView"), scroll[1], 1.0);
    }

    const QString name = ColumnNames()[SortColumn];
    if (Bench.Wants(QStringLiteral("sort"))) {
    auto sort = Bench.Time({{[&] { SortBothWays(*grid); }},
                            {[&] {
                                table.SetIndexFieldNames(name);
                                Frame(*grid);
                                table.SetIndexFieldNames(name + QStringLiteral(" DESC"));
                                Frame(*grid);
                            }},
                            {[&] { ProxySort(model, *view); }}});
    Bench.Row(QStringLiteral("sort by title click"), data, N, sort[0], QStringLiteral("index set directly"), sort[1], 1.1);
    Bench.Row(QStringLiteral("sort by title click"), data, N, sort[0], QStringLiteral("QTableView's way"), sort[2],
              N >= 1000000 ? 0.1 : 0);
    table.SetIndexFieldNames(QString());
    }

    // Copy: 10,000 selected rows (every row below 10,000).
    if (Bench.Wants(QStringLiteral("copy"))) {
    const int copied = std::min(N, 10000);
    grid->ClearSelection();
    table.First();
    grid->SetSelectionAnchor(table.Bookmark());
    table.MoveBy(copied - 1);
    grid->SelectRows();
    auto copy = Bench.Time({{[&] { grid->CopyToClipboard(false); }},
                            {[&] {
                                QStringList lines;
                                lines.reserve(copied);
                                TDataSetControlsGuard controls(&table);
                                table.First();
                                for (int i = 0; i < copied && !table.Eof(); ++i, table.Next()) {
                                    QStringList cells;
                                    for (const auto& field : table.Fields())
                                        cells << field->DisplayText();
                                    lines << cells.join(QLatin1Char('\t'));
                                }
                                QGuiApplication::clipboard()->setText(lines.join(QStringLiteral("\r\n")));
                            }}});
    Bench.Row(QStringLiteral("copy 10,000 rows"), data, N, copy[0], QStringLiteral("text built by a walk"), copy[1],
              1.5);
    }
    grid.reset();
    view.reset();
    source.SetDataSet(nullptr);
}

void SqlBenchmarks(TBench& Bench, int N, const QString& Data, const QSqlDatabase& Db, TOpenTimes& Open)
{
    TDataSource source;
    std::unique_ptr<TZSQLQuery> query;
    std::unique_ptr<TZDBGrid> grid;
    std::unique_ptr<QSqlQueryModel> model;
    std::unique_ptr<QTableView> view;
    auto closeOurs = [&] {
        grid.reset();
        source.SetDataSet(nullptr);
        query.reset();
    };
    auto openOurs = [&] {
        query = std::make_unique<TZSQLQuery>();
        query->SetConnection(Db);
        query->SetSQLText(SelectAll());
        query->Open();
        source.SetDataSet(query.get());
        grid = NewGrid(&source);
    };
    auto openView = [&] {
        model = std::make_unique<QSqlQueryModel>();
        model->setQuery(SelectAll(), Db);
        view = NewView(model.get());
    };
    auto closeView = [&] {
        view.reset();
        model.reset();
    };
    if (Bench.Wants(QStringLiteral("open"))) {
        auto open = Bench.Time({{openOurs, closeOurs}, {openView, closeView}});
        Bench.Row(QStringLiteral("open"), Data, N, open[0], QStringLiteral("QTableView+QSqlQueryModel"), open[1], 1.0);
        Open.Ours[Data][N] = open[0];
    } else {
        openOurs();
        openView();
    }
    const QString name = ColumnNames()[SortColumn];
    auto direct = [&](const QString& Order) {
        query->Close();
        query->SetSQLText(SelectAll() + QStringLiteral(" ORDER BY ") + Order);
        query->Open();
        Frame(*grid);
    };
    if (Bench.Wants(QStringLiteral("sort"))) {
    auto sort = Bench.Time({{[&] { SortBothWays(*grid); }},
                            {[&] {
                                direct(name);
                                direct(name + QStringLiteral(" DESC"));
                            }},
                            {[&] {
                                 FetchAll(*model);
                                 ProxySort(*model, *view);
                             },
                             [&] { model->setQuery(SelectAll(), Db); }}});
    // What the last click sent until its first frame: none of it may wait for a whole sort.
    SortBothWays(*grid);
    int unbounded = 0;
    const QStringList sent = query->ServerStatements();
    for (const QString& sql : sent) {
        const QString text = sql.simplified().toUpper();
        if ((text.startsWith(QLatin1String("SELECT")) && !text.contains(QLatin1String(" LIMIT "))
             && !text.contains(QLatin1String("COUNT(")))
            || text.startsWith(QLatin1String("FETCH")) || text.startsWith(QLatin1String("MOVE")))
            ++unbounded;
    }
    Bench.Row(QStringLiteral("sort by title click"), Data, N, sort[0], QStringLiteral("rewritten SQL run directly"),
              sort[1], 1.1,
              QStringLiteral("a click sends %1 statements, %2 over the whole sorted result").arg(sent.size()).arg(unbounded));
    Bench.Row(QStringLiteral("sort by title click"), Data, N, sort[0], QStringLiteral("QTableView's way"), sort[2],
              N >= 1000000 ? 0.1 : 0);
    }
    closeView();
    closeOurs();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_grid", argc, argv);
    TOpenTimes open;
    try {
        for (int n : bench.Sizes()) {
            const std::vector<TRecord> records = MakeRecords(n);
            MemoryBenchmarks(bench, n, records, open);
            if (!bench.Wants(QStringLiteral("open")) && !bench.Wants(QStringLiteral("sort")))
                continue;
            {
                QTemporaryDir dir;
                QSqlDatabase db = CreateSqlite(dir, QStringLiteral("sqlite%1").arg(n), records);
                SqlBenchmarks(bench, n, QStringLiteral("SQLite"), db, open);
                const QString name = db.connectionName();
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(name);
            }
            if (std::optional<QSqlDatabase> pg = CreatePostgres(QStringLiteral("pg%1").arg(n), records)) {
                SqlBenchmarks(bench, n, QStringLiteral("PostgreSQL"), *pg, open);
                DropPostgres(*pg);
            } else {
                std::printf("PostgreSQL not configured (ZDB_PG_HOST): its figures are left out\n");
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_grid failed: %s\n", error.what());
        return 1;
    }

    // Scaling goals across the counts.
    const int small = bench.Sizes().front(), large = bench.Sizes().back();
    if (large > small) {
        for (const auto& [data, times] : open.Ours) {
            if (!times.count(large) || !times.count(small))
                continue;
            const double growth = times.at(large) / times.at(small);
            bench.Check(QStringLiteral("open (%1) at %2 within 1.2x of %3").arg(data).arg(large).arg(small),
                            growth <= 1.2, QStringLiteral("%1x").arg(growth, 0, 'f', 2));
        }
    }
    return 0;
}

// The hook-driven dataset (TZDBCustomData) over records whose values a hook computes
// from the record index, up to 10,000,000 records, against calling the same hook
// directly for the same values, measured in one run:
// - open, with a 30-row window (as a grid shows) read field by field;
// - last: from the first record to the last, the window read again;
// - locate near the start: a record 1,000 records in, by a case-insensitive partial key;
// - walk (up to 1,000,000): every record, one field each;
// - the same last and locate in a shown 1280x800 grid, every change painted, against the same
//   grid over an in-memory table of the first 2,000 of those records (what costs the grid alone).
// Resident memory (VmRSS) after opening, going to the last record and locating must not
// grow with the count: the dataset keeps nothing for records it never read.

#include "BenchUtil.h"

#include "ZDBCustData.h"
#include "ZDBGrids.h"
#include "ZDBMemData.h"

#include <QApplication>

using namespace zdb;
using namespace zdb::bench;

namespace {

volatile qlonglong Sink = 0;

constexpr int WindowRows = 30;
constexpr int LocateAt = 1000;
constexpr qint64 MB = 1024 * 1024;

// The values of record `Index`, column `Column` (Id, Name, Qty, Code).
QVariant ValueOf(int Index, int Column)
{
    switch (Column) {
    case 0:
        return Index + 1;
    case 1:
        return QStringLiteral("Name %1").arg(Index, 8, 10, QLatin1Char('0'));
    case 2:
        return Index % 1000;
    default:
        return QStringLiteral("C%1").arg(Index * 7 % 100000, 5, 10, QLatin1Char('0'));
    }
}

class THookData : public TZDBCustomData {
public:
    explicit THookData(int Count) : FCount(Count)
    {
        FieldDefs().Add(QStringLiteral("Id"), ftInteger);
        FieldDefs().Add(QStringLiteral("Name"), ftWideString, 20);
        FieldDefs().Add(QStringLiteral("Qty"), ftInteger);
        FieldDefs().Add(QStringLiteral("Code"), ftString, 10);
    }
    ~THookData() override { Close(); }

protected:
    void DoOnCountRecords(int& Count) override { Count = FCount; }
    void DoOnGetFieldData(int Index, TField* Field, QVariant& Value) override
    {
        Value = ValueOf(Index, Field->FieldNo() - 1);
    }

private:
    int FCount;
};

// Reads every field of every record in the link's window, as a grid painting it does.
void ReadWindow(TDataLink& Link, THookData& Data)
{
    const int saved = Link.ActiveRecord();
    for (int row = 0; row < Link.RecordCount(); ++row) {
        Link.SetActiveRecord(row);
        for (const auto& field : Data.Fields())
            Sink = Sink + field->AsString().size();
    }
    Link.SetActiveRecord(saved);
}

// The same cells through the hook alone.
void HookWindow(int First, int Rows)
{
    for (int index = First; index < First + Rows; ++index)
        for (int column = 0; column < 4; ++column)
            Sink = Sink + ValueOf(index, column).toString().size();
}

// One frame of a widget: the events pending, then the whole widget painted into a pixmap.
// The first `Count` records of the hook's data in an in-memory table.
void FillSmallTable(TZMemDataSet& Table, THookData& Hook, int Count)
{
    for (const TFieldDef& def : Hook.FieldDefs())
        Table.FieldDefs().Add(def.Name, def.DataType, def.Size);
    Table.CreateDataSet();
    TDataSetControlsGuard controls(&Table);
    for (int index = 0; index < Count; ++index) {
        Table.Append();
        for (int column = 0; column < Table.FieldCount(); ++column)
            Table.Fields()[column]->SetValue(ValueOf(index, column));
        Table.Post();
    }
    Table.First();
}

// A shown 1280x800 grid over a dataset.
struct TShownGrid {
    TDataSource Source;
    TZDBGrid Grid;
    explicit TShownGrid(TDataSet& DataSet)
    {
        Source.SetDataSet(&DataSet);
        Grid.resize(1280, 800);
        Grid.SetDataSource(&Source);
        Grid.show();
        Frame(Grid);
    }
};

// Going to the last record and locating near the start in a shown grid over the hook's data,
// against the same in the same grid over the first records of that data in an in-memory table.
void MeasureGrid(TBench& Bench, int N, const QString& Key)
{
    THookData hook(N);
    TZMemDataSet table;
    FillSmallTable(table, hook, std::min(N, 2 * LocateAt));
    TShownGrid tableGrid(table);
    TShownGrid hookGrid(hook);
    const qint64 residentBefore = ResidentBytes();
    hook.Open();
    Frame(hookGrid.Grid);

    const QString data = QStringLiteral("hook");
    const QString against = QStringLiteral("grid, table of %1").arg(table.RecordCount());
    // Go, then a frame; Back (untimed), then a frame.
    auto painted = [](TShownGrid& Shown, std::function<void()> Go, std::function<void()> Back) {
        TShownGrid* shown = &Shown;
        return TAlternative{[shown, Go] {
                                Go();
                                Frame(shown->Grid);
                            },
                            [shown, Back] {
                                Back();
                                Frame(shown->Grid);
                            }};
    };
    auto last = [&](TDataSet& DataSet, TShownGrid& Shown) {
        TDataSet* d = &DataSet;
        return painted(Shown, [d] { d->Last(); }, [d] { d->First(); });
    };
    if (Bench.Wants(QStringLiteral("last"))) {
        const std::vector<double> t = Bench.Time({last(hook, hookGrid), last(table, tableGrid)});
        Bench.Row(QStringLiteral("hook data in a grid: last"), data, N, t[0], against, t[1], 2.0);
    }
    auto locate = [&](TDataSet& DataSet, TShownGrid& Shown) {
        TDataSet* d = &DataSet;
        return painted(
            Shown,
            [d, Key] { d->Locate(QStringLiteral("Name"), Key, TLocateOptions(loCaseInsensitive) | loPartialKey); },
            [d] { d->Last(); });
    };
    if (Bench.Wants(QStringLiteral("locate"))) {
        const std::vector<double> t = Bench.Time({locate(hook, hookGrid), locate(table, tableGrid)});
        Bench.Row(QStringLiteral("hook data in a grid: locate near the start"), data, N, t[0], against, t[1], 2.0);
    }
    // What the grid and its data hold beyond the shown but empty grid.
    const qint64 grown = ResidentBytes() - residentBefore;
    Bench.Check(QStringLiteral("resident memory of a grid over the hook's data after last and locate at %1").arg(N),
                grown < 16 * MB,
                QStringLiteral("%1 MB more than the empty grid (goal: under 16 MB at any count)")
                    .arg(double(grown) / MB, 0, 'f', 1));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_custdata", argc, argv, {100000, 1000000, 10000000});
    const QString data = QStringLiteral("hook");
    const QString against = QStringLiteral("hook called directly");
    for (int n : bench.Sizes()) {
        const int rows = std::min(WindowRows, n);
        const int target = std::min(LocateAt, n - 1);
        // Every name has the same length: the whole name, lower-cased, matches only its own record.
        const QString key = ValueOf(target, 1).toString().toLower();
        const qint64 residentBefore = ResidentBytes();
        {
            THookData hook(n);
            TDataSource source;
            source.SetDataSet(&hook);
            TDataLink link;
            link.SetDataSource(&source);
            link.SetBufferCount(WindowRows);

            if (bench.Wants(QStringLiteral("open"))) {
                const std::vector<double> t = bench.Time({{[&] {
                                                              hook.Open();
                                                              ReadWindow(link, hook);
                                                          },
                                                          [&] { hook.Close(); }},
                                                         {[&] { HookWindow(0, rows); }}});
                bench.Row(QStringLiteral("hook data: open"), data, n, t[0], against, t[1]);
            }
            hook.Open();
            ReadWindow(link, hook);

            if (bench.Wants(QStringLiteral("last"))) {
                const std::vector<double> t = bench.Time({{[&] {
                                                              hook.Last();
                                                              ReadWindow(link, hook);
                                                          },
                                                          [&] { hook.First(); }},
                                                         {[&] { HookWindow(n - rows, rows); }}});
                bench.Row(QStringLiteral("hook data: last"), data, n, t[0], against, t[1], 3.0);
            }
            hook.Last();
            ReadWindow(link, hook);

            // The baseline compares the same key the same way, record by record.
            bool found = false;
            const std::vector<double> t = bench.Time(
                {{[&] { found = hook.Locate(QStringLiteral("Name"), key, TLocateOptions(loCaseInsensitive) | loPartialKey); },
                  [&] { hook.Last(); }},
                 {[&] {
                     for (int index = 0; index < n; ++index)
                         if (ValueOf(index, 1).toString().startsWith(key, Qt::CaseInsensitive))
                             break;
                 }}});
            if (bench.Wants(QStringLiteral("locate")))
                bench.Row(QStringLiteral("hook data: locate near the start"), data, n, t[0], against, t[1], 3.0,
                          found && hook.RecNo() == target + 1 ? QString() : QStringLiteral("WRONG RECORD"));

            const qint64 grown = ResidentBytes() - residentBefore;
            bench.Check(QStringLiteral("resident memory after open, last and locate at %1").arg(n), grown < 16 * MB,
                        QStringLiteral("%1 MB more than before opening (goal: under 16 MB at any count)")
                            .arg(double(grown) / MB, 0, 'f', 1));

            if (n <= 1000000 && bench.Wants(QStringLiteral("walk"))) {
                TField* name = hook.FieldByName(QStringLiteral("Name"));
                const std::vector<double> w = bench.Time({{[&] {
                                                               TDataSetControlsGuard controls(&hook);
                                                               for (hook.First(); !hook.Eof(); hook.Next())
                                                                   Sink = Sink + name->AsString().size();
                                                           }},
                                                          {[&] {
                                                              for (int index = 0; index < n; ++index)
                                                                  Sink = Sink + ValueOf(index, 1).toString().size();
                                                          }}});
                bench.Row(QStringLiteral("hook data: walk"), data, n, w[0], against, w[1], 3.0);
            }
        }
        MeasureGrid(bench, n, key);
    }
    return 0;
}

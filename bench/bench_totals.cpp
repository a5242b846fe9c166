// The grid's totals over an in-memory dataset of 5 numeric columns, every
// column with every aggregate (sum, average, count, maximum, minimum, first,
// last, unique), against a plain walk that reads the same 5 fields of every
// record, measured in one run on the same data.

#include "BenchUtil.h"

#include "ZDBGrids.h"
#include "ZDBMemData.h"

#include <QApplication>

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

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_totals", argc, argv, {10000, 100000, 1000000});
    for (int n : bench.Sizes()) {
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
    return 0;
}

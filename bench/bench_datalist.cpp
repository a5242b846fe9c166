// The lookup list of a grid column over a SQLite lookup table of up to 1,000,000 rows:
// opening the list (F4 on the cell: the popup laid out, sized and shown on the current key)
// against opening the query itself. The list reads rows on demand through the query, so the
// goal is 1.2 times the query's own opening. The query is open when the list drops, as the
// column's cells opened it to show their looked-up texts; printed as well: the list over a
// query it has to open first, against opening it and locating the key.

#include "BenchUtil.h"

#include "ZDBDataList.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTest>

using namespace zdb;
using namespace zdb::bench;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_datalist", argc, argv, {100000, 1000000});
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench-data"));
    for (int n : bench.Sizes()) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("datalist%1").arg(n));
        db.setDatabaseName(GenerateSqlite(folder, n));
        if (!db.open())
            return 1;
        {
            TZSQLQuery lookup;
            lookup.SetConnection(db);
            lookup.SetSQLText(QStringLiteral("SELECT id, code FROM t ORDER BY id"));
            // One order whose key is near the start of the table.
            TZMemDataSet orders;
            orders.FieldDefs().Add(QStringLiteral("Key"), ftInteger);
            orders.CreateDataSet();
            orders.Append();
            orders.FieldByName(QStringLiteral("Key"))->SetValue(n / 100);
            orders.Post();
            TDataSource source;
            source.SetDataSet(&orders);
            TZDBGrid grid;
            TZColumn* column = grid.Columns()->Add();
            column->SetFieldName(QStringLiteral("Key"));
            column->SetKeyField(QStringLiteral("Key"));
            column->SetLookupDataSet(&lookup);
            column->SetLookupKeyField(QStringLiteral("id"));
            column->SetLookupResultField(QStringLiteral("code"));
            grid.SetDataSource(&source);
            grid.resize(600, 400);
            grid.show();
            Frame(grid);
            auto closeAll = [&] {
                if (grid.EditorList())
                    grid.EditorList()->CloseUp(false);
                QApplication::processEvents();
                lookup.Close();
            };
            const std::vector<double> t = bench.Time({
                {[&] { grid.DropDownEditorList(); }, closeAll},
                {[&] { lookup.Open(); }, closeAll},
                {[&] {
                     lookup.Open();
                     lookup.Locate(QStringLiteral("id"), n / 100);
                 },
                 closeAll},
                // As a user meets it: the column's looked-up texts opened the query.
                {[&] { grid.DropDownEditorList(); },
                 [&] {
                     closeAll();
                     lookup.Open();
                 }},
            });
            closeAll();
            bench.Row(QStringLiteral("lookup list open"), QStringLiteral("SQLite"), n, t[3],
                      QStringLiteral("query open"), t[1], 1.2);
            // A query still closed: the list opens it and finds the current key in it.
            bench.Row(QStringLiteral("lookup list open, query closed"), QStringLiteral("SQLite"), n, t[0],
                      QStringLiteral("query open and Locate of the key"), t[2]);
            grid.SetDataSource(nullptr);
        }
        db.close();
    }
    return 0;
}

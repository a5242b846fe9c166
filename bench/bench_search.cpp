// The grid's search over an SQL query of the generated table (GenerateSqlite), for a
// text that first occurs ten rows before the end (the `note` of that row):
//
//   find next       : Search.Text set, SearchGrid(smNext) from the first record, against a
//                     walk of the query (First, Next until Eof) comparing every displayed
//                     text of the row with the search text, ignoring case, until one holds it
//   search filter   : soFilterRows with the text (the grid installs its record test), then
//                     the records that pass counted by a walk, against the same walk
//                     counting the rows whose displayed texts hold the text
//
// Before every run the query is on its first record and the search text is empty (untimed).

#include "BenchUtil.h"

#include "ZDBGrids.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QDir>
#include <QSqlQuery>

#include <cstdio>

using namespace zdb;
using namespace zdb::bench;

namespace {

// The rows of a walk whose displayed texts hold Text; Stop: the walk ends at the first.
int RawWalk(TDataSet& DataSet, const QString& Text, bool Stop)
{
    int count = 0;
    TDataSetControlsGuard controls(&DataSet);
    std::vector<TField*> fields;
    for (int i = 0; i < DataSet.Fields().Count(); ++i)
        fields.push_back(DataSet.Fields()[i]);
    for (DataSet.First(); !DataSet.Eof(); DataSet.Next()) {
        for (TField* field : fields)
            if (field->DisplayText().contains(Text, Qt::CaseInsensitive)) {
                ++count;
                break;
            }
        if (Stop && count > 0)
            break;
    }
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_search", argc, argv, {1000000});
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench-data"));
    const QString data = QStringLiteral("SQLite query");
    try {
        for (int n : bench.Sizes()) {
            const QString file = GenerateSqlite(folder, n);
            const QString connection = QStringLiteral("search%1").arg(n);
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
                db.setDatabaseName(file);
                if (!db.open())
                    throw std::runtime_error("cannot open the generated table");
                QString text;
                {
                    QSqlQuery q(db);
                    q.exec(QStringLiteral("SELECT note FROM t WHERE id = %1").arg(n - 10));
                    if (!q.next())
                        throw std::runtime_error("no row near the end");
                    text = q.value(0).toString();
                }
                TZSQLQuery query;
                query.SetConnection(db);
                query.SetSQLText(SelectAll() + QStringLiteral(" ORDER BY id"));
                query.Open();
                TDataSource source;
                source.SetDataSet(&query);
                TZDBGrid grid;
                grid.resize(1280, 800);
                grid.SetDataSource(&source);
                grid.show();
                QApplication::processEvents();
                TZDBGridSearch* search = grid.Search();
                const auto reset = [&] {
                    search->SetText(QString());
                    query.First();
                    grid.SetSelectedIndex(0);
                };

                if (bench.Wants(QStringLiteral("find next"))) {
                    search->SetOptions(soSkipMessage);
                    qlonglong ours = 0;
                    int theirs = 0;
                    const std::vector<double> t = bench.Time({
                        {[&] {
                             search->SetText(text);
                             ours = grid.SearchGrid(smNext) ? query.FieldByName(QStringLiteral("id"))->AsLargeInt()
                                                             : 0;
                         },
                         reset},
                        {[&] { theirs = RawWalk(query, text, true); }, reset},
                    });
                    if (ours != n - 10 || theirs != 1) {
                        std::fprintf(stderr, "bench_search: find next stopped at %lld, the walk found %d\n", ours,
                                     theirs);
                        return 1;
                    }
                    bench.Row(QStringLiteral("find next"), data, n, t[0], QStringLiteral("walk comparing texts"),
                              t[1], 1.5, QStringLiteral("match at row %1").arg(n - 10));
                }
                if (bench.Wants(QStringLiteral("search filter"))) {
                    search->SetOptions(TZSearchOptions(soSkipMessage) | soFilterRows);
                    int ours = -1, theirs = -1;
                    const std::vector<double> t = bench.Time({
                        {[&] {
                             search->SetText(text);
                             ours = CountRecords(query);
                         },
                         reset},
                        {[&] { theirs = RawWalk(query, text, false); }, reset},
                    });
                    reset();
                    if (ours != 1 || theirs != 1) {
                        std::fprintf(stderr, "bench_search: the filter passes %d records, the walk %d\n", ours,
                                     theirs);
                        return 1;
                    }
                    bench.Row(QStringLiteral("search filter"), data, n, t[0],
                              QStringLiteral("walk comparing texts"), t[1], 1.5, QStringLiteral("1 record passes"));
                }
                grid.SetDataSource(nullptr);
                source.SetDataSet(nullptr);
            }
            QSqlDatabase::removeDatabase(connection);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_search failed: %s\n", error.what());
        return 1;
    }
    return 0;
}

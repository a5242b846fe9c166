// Dataset overhead against plain Qt, measured in one run on the same data.
//
//   open + first 100 rows : TZSQLQuery over a 1,000,000-row SQLite table, against a forward-only
//                           QSqlQuery reading the same 100 rows
//   walk all rows         : TZSQLQuery First..Eof reading two fields, against QSqlQuery next()
//   walk all rows (memory): TZMemDataSet First..Eof reading two fields, against a loop over a
//                           std::vector of the same values
//   locate by index key   : TZMemDataSet::Locate on its index, against std::lower_bound
//   locate with a lookup  : TZSQLQuery::Locate of the last row by a data field in a query with a
//                           lookup column, against the same Locate without the lookup column
//
// Each line prints both times and their ratio (dataset / baseline). Rows: ZDB_BENCH_ROWS
// (default 1,000,000).

#include "DB.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
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

void Report(const char* what, double dataset, double baseline)
{
    std::printf("%-34s dataset %10.2f ms   baseline %10.2f ms   ratio %8.2f\n", what, dataset, baseline,
                baseline > 0 ? dataset / baseline : 0.0);
}

volatile qlonglong Sink = 0;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = qEnvironmentVariableIsSet("ZDB_BENCH_ROWS") ? qEnvironmentVariableIntValue("ZDB_BENCH_ROWS")
                                                                : 1000000;
    QTemporaryDir dir;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(dir.filePath(QStringLiteral("bench.sqlite")));
    if (!db.open()) {
        std::fprintf(stderr, "cannot open SQLite: %s\n", qPrintable(db.lastError().text()));
        return 1;
    }
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR(20), amount REAL)"));
        q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                              "INSERT INTO t SELECT i, 'Name ' || i, i * 0.5 FROM n")
                   .arg(rows));
    }
    const QString select = QStringLiteral("SELECT id, name, amount FROM t ORDER BY id");
    std::printf("rows: %d\n", rows);

    {
        TZSQLQuery query;
        query.SetConnection(db);
        query.SetSQLText(select);
        const double dataset = Millis([&] {
            query.Open();
            for (int i = 0; i < 100 && !query.Eof(); ++i, query.Next())
                Sink = Sink + query.Fields()[0]->AsLargeInt();
        });
        const double baseline = Millis([&] {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.exec(select);
            for (int i = 0; i < 100 && q.next(); ++i)
                Sink = Sink + q.value(0).toLongLong();
        });
        Report("open + first 100 rows (SQLite)", dataset, baseline);

        const double walk = Millis([&] {
            for (query.First(); !query.Eof(); query.Next())
                Sink = Sink + query.Fields()[0]->AsLargeInt() + query.Fields()[1]->AsString().size();
        });
        const double plain = Millis([&] {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.exec(select);
            while (q.next())
                Sink = Sink + q.value(0).toLongLong() + q.value(1).toString().size();
        });
        Report("walk all rows (SQLite)", walk, plain);
    }

    {
        // A scan compares only the key: the lookup column costs nothing until it is shown.
        const QString withCode = QStringLiteral("SELECT id, name, id % 50 AS code FROM t ORDER BY id");
        TZSQLQuery codes;
        codes.SetConnection(db);
        codes.SetSQLText(QStringLiteral("SELECT id, name FROM t WHERE id <= 50"));
        codes.Open();
        auto locateLast = [&](bool lookup) {
            TZSQLQuery query;
            query.SetConnection(db);
            query.SetSQLText(withCode);
            if (lookup) {
                auto field = std::make_unique<TWideStringField>();
                field->SetFieldName(QStringLiteral("code_name"));
                field->SetFieldKind(fkLookup);
                field->SetLookupDataSet(&codes);
                field->SetKeyFields(QStringLiteral("code"));
                field->SetLookupKeyFields(QStringLiteral("id"));
                field->SetLookupResultField(QStringLiteral("name"));
                query.AddField(std::move(field));
            }
            query.Open();
            return Millis([&] { Sink = Sink + query.Locate(QStringLiteral("id"), rows, {}); });
        };
        const double withLookup = locateLast(true);
        Report("locate last row, lookup column (SQLite)", withLookup, locateLast(false));
    }

    {
        TZMemDataSet mem;
        mem.FieldDefs().Add(QStringLiteral("id"), ftInteger);
        mem.FieldDefs().Add(QStringLiteral("name"), ftString, 20);
        mem.CreateDataSet();
        std::vector<std::pair<int, QString>> plainRows;
        plainRows.reserve(size_t(rows));
        {
            TDataSetControlsGuard guard(&mem);
            for (int i = 1; i <= rows; ++i) {
                const QString name = QStringLiteral("Name %1").arg(i);
                mem.Append();
                mem.Fields()[0]->SetValue(i);
                mem.Fields()[1]->SetValue(name);
                mem.Post();
                plainRows.emplace_back(i, name);
            }
        }
        const double walk = Millis([&] {
            for (mem.First(); !mem.Eof(); mem.Next())
                Sink = Sink + mem.Fields()[0]->AsInteger() + mem.Fields()[1]->AsString().size();
        });
        const double plain = Millis([&] {
            for (const auto& row : plainRows)
                Sink = Sink + row.first + row.second.size();
        });
        Report("walk all rows (in-memory)", walk, plain);

        mem.SetIndexFieldNames(QStringLiteral("id"));
        const int probes = 10000;
        const double locate = Millis([&] {
            for (int i = 0; i < probes; ++i)
                Sink = Sink + mem.Locate(QStringLiteral("id"), (i * 7919) % rows + 1, {});
        });
        const double search = Millis([&] {
            for (int i = 0; i < probes; ++i) {
                const int key = (i * 7919) % rows + 1;
                auto it = std::lower_bound(plainRows.begin(), plainRows.end(), key,
                                           [](const auto& row, int k) { return row.first < k; });
                Sink = Sink + (it != plainRows.end() && it->first == key);
            }
        });
        Report("10,000 locates by index (in-memory)", locate, search);
    }
    return 0;
}

// The record-set layer's own cost against plain C++ and plain Qt on the same data:
//
//   raw walk, 5 fields : TZMemDataSet First..Eof reading five fields, against a loop over a
//                        std::vector of the same values; TZSQLQuery over SQLite the same,
//                        against a forward-only QSqlQuery
//   open + 100 rows    : TZSQLQuery over SQLite, against a forward-only QSqlQuery reading 100 rows
//   value list, page   : the first 100 rows of a TZSQLQuery over SQLite filtered by a value list of
//                        3 values (opened again each time), against SELECT ... WHERE qty IN (...)
//   locate by key      : 1,000 TZMemDataSet::Locate on its index, against std::lower_bound;
//                        10 Locate without an index, against a linear scan of the vector
//   locate, lookup     : TZSQLQuery::Locate of the last row in a query with a lookup column,
//                        against the same Locate without it (a scan reads only the key)

#include "BenchUtil.h"

#include "DB.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

using namespace zdb;
using namespace zdb::bench;

namespace {

volatile qlonglong Sink = 0;

// The five fields a walk reads: id, qty, price, name, born.
constexpr int Walked[] = {0, 1, 2, 4, 8};

qlonglong ReadFive(TDataSet& Table)
{
    const TFields& f = Table.Fields();
    return f[Walked[0]]->AsLargeInt() + f[Walked[1]]->AsInteger() + qlonglong(f[Walked[2]]->AsFloat()) +
           f[Walked[3]]->AsString().size() + f[Walked[4]]->GetValue().toDate().day();
}

void MemoryBenchmarks(TBench& Bench, int N, const std::vector<TRecord>& Records)
{
    const QString data = QStringLiteral("in-memory");
    TZMemDataSet table;
    FillMem(table, Records);
    if (Bench.Wants(QStringLiteral("raw walk"))) {
        auto walk = Bench.Time({{[&] {
                                     TDataSetControlsGuard controls(&table);
                                     for (table.First(); !table.Eof(); table.Next())
                                         Sink = Sink + ReadFive(table);
                                 }},
                                {[&] {
                                     for (const TRecord& r : Records)
                                         Sink = Sink + r.Id + r.Qty + qlonglong(r.Price) + r.Name.size() + r.Born.day();
                                 }}});
        Bench.Row(QStringLiteral("raw walk, 5 fields"), data, N, walk[0], QStringLiteral("std::vector loop"), walk[1], 10);
    }
    if (!Bench.Wants(QStringLiteral("locate")))
        return;

    table.SetIndexFieldNames(QStringLiteral("id"));
    const int probes = 1000;
    auto key = [N](int i) { return int((qlonglong(i) * 7919) % N) + 1; };
    auto indexed = Bench.Time({{[&] {
                                    for (int i = 0; i < probes; ++i)
                                        Sink = Sink + table.Locate(QStringLiteral("id"), key(i), {});
                                }},
                               {[&] {
                                    for (int i = 0; i < probes; ++i) {
                                        auto it = std::lower_bound(Records.begin(), Records.end(), key(i),
                                                                   [](const TRecord& r, int k) { return r.Id < k; });
                                        Sink = Sink + (it != Records.end() && it->Id == key(i));
                                    }
                                }}});
    Bench.Row(QStringLiteral("locate 1,000 keys, indexed"), data, N, indexed[0], QStringLiteral("std::lower_bound"),
              indexed[1]);
    table.SetIndexFieldNames(QString());

    // Without an index: keys in the last tenth, so every scan reads most of the table.
    const int scans = 10;
    auto late = [N](int i) { return N - (i * 97) % std::max(1, N / 10); };
    auto scanned = Bench.Time({{[&] {
                                    for (int i = 0; i < scans; ++i)
                                        Sink = Sink + table.Locate(QStringLiteral("qty;id"),
                                                                   QVariantList{Records[size_t(late(i) - 1)].Qty, late(i)}, {});
                                }},
                               {[&] {
                                    for (int i = 0; i < scans; ++i) {
                                        const int k = late(i), qty = Records[size_t(k - 1)].Qty;
                                        auto it = std::find_if(Records.begin(), Records.end(), [&](const TRecord& r) {
                                            return r.Qty == qty && r.Id == k;
                                        });
                                        Sink = Sink + (it != Records.end());
                                    }
                                }}});
    Bench.Row(QStringLiteral("locate 10 keys, no index"), data, N, scanned[0], QStringLiteral("linear scan"), scanned[1]);
}

void SqliteBenchmarks(TBench& Bench, int N, const std::vector<TRecord>& Records)
{
    const QString data = QStringLiteral("SQLite");
    QTemporaryDir dir;
    QSqlDatabase db = CreateSqlite(dir, QStringLiteral("walk%1").arg(N), Records);
    const QString select = SelectAll() + QStringLiteral(" ORDER BY id");
    if (Bench.Wants(QStringLiteral("open + first")) || Bench.Wants(QStringLiteral("raw walk"))) {
        TZSQLQuery query;
        query.SetConnection(db);
        query.SetSQLText(select);
        auto open = Bench.Time({{[&] {
                                     query.Close();
                                     query.Open();
                                     for (int i = 0; i < 100 && !query.Eof(); ++i, query.Next())
                                         Sink = Sink + query.Fields()[0]->AsLargeInt();
                                 }},
                                {[&] {
                                     QSqlQuery q(db);
                                     q.setForwardOnly(true);
                                     q.exec(select);
                                     for (int i = 0; i < 100 && q.next(); ++i)
                                         Sink = Sink + q.value(0).toLongLong();
                                 }}});
        Bench.Row(QStringLiteral("open + first 100 rows"), data, N, open[0], QStringLiteral("QSqlQuery"), open[1]);

        auto walk = Bench.Time({{[&] {
                                     query.Close();
                                     query.Open();
                                     TDataSetControlsGuard controls(&query);
                                     for (; !query.Eof(); query.Next())
                                         Sink = Sink + ReadFive(query);
                                 }},
                                {[&] {
                                     QSqlQuery q(db);
                                     q.setForwardOnly(true);
                                     q.exec(select);
                                     while (q.next())
                                         Sink = Sink + q.value(0).toLongLong() + q.value(1).toInt() +
                                                qlonglong(q.value(2).toDouble()) + q.value(4).toString().size() +
                                                q.value(8).toDate().day();
                                 }}});
        Bench.Row(QStringLiteral("raw walk, 5 fields"), data, N, walk[0], QStringLiteral("forward-only QSqlQuery"),
                  walk[1]);
    }
    if (Bench.Wants(QStringLiteral("value list"))) {
        // The grid's value list of one column reaches the server as "qty IN (...)".
        TZSQLQuery query;
        query.SetConnection(db);
        query.SetSQLText(select);
        query.Open();
        query.SetFiltered(true);
        if (!query.SetFilterValueLists({{QStringLiteral("qty"), {"7", "500", "993"}}}))
            throw std::runtime_error("the value list did not reach the server");
        const QString direct = SelectAll() + QStringLiteral(" WHERE qty IN (7, 500, 993) ORDER BY id");
        auto page = Bench.Time({{[&] {
                                     query.Close();
                                     query.Open();
                                     // 100 records, one packet: moving past the last would read the next.
                                     for (int i = 0; i < 100 && !query.Eof(); ++i) {
                                         Sink = Sink + query.Fields()[0]->AsLargeInt();
                                         if (i < 99)
                                             query.Next();
                                     }
                                 }},
                                {[&] {
                                     QSqlQuery q(db);
                                     q.setForwardOnly(true);
                                     q.exec(direct);
                                     for (int i = 0; i < 100 && q.next(); ++i)
                                         Sink = Sink + q.value(0).toLongLong();
                                 }}});
        Bench.Row(QStringLiteral("value list of 3, first page"), data, N, page[0], QStringLiteral("SELECT ... IN (...)"),
                  page[1], 1.5);
    }
    if (Bench.Wants(QStringLiteral("lookup"))) {
        // A scan compares only the key: the lookup column costs nothing until it is shown.
        TZSQLQuery codes;
        codes.SetConnection(db);
        codes.SetSQLText(QStringLiteral("SELECT id, name FROM t WHERE id <= 50"));
        codes.Open();
        auto locateLast = [&](bool Lookup) {
            TZSQLQuery query;
            query.SetConnection(db);
            query.SetSQLText(QStringLiteral("SELECT id, name, id % 50 AS code FROM t ORDER BY id"));
            if (Lookup) {
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
            Sink = Sink + query.Locate(QStringLiteral("id"), N, {});
        };
        auto lookup = Bench.Time({{[&] { locateLast(true); }}, {[&] { locateLast(false); }}});
        Bench.Row(QStringLiteral("open + locate last, lookup column"), data, N, lookup[0],
                  QStringLiteral("same without the lookup"), lookup[1]);
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("walk%1").arg(N));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TBench bench("bench_datasets", argc, argv);
    try {
        for (int n : bench.Sizes()) {
            const std::vector<TRecord> records = MakeRecords(n);
            MemoryBenchmarks(bench, n, records);
            SqliteBenchmarks(bench, n, records);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_datasets failed: %s\n", error.what());
        return 1;
    }
    return 0;
}

// The tree view over the tree unit's in-memory dataset: rebuilding the tree
// (every record read, linked, given its level, order string and state, and
// sorted by the order string) against a plain walk that reads id and parent id
// and sorts the pairs; and expanding plus collapsing one node, timed for a
// small node and for a large one, per row shown and hidden, against that walk.
//
// The time per toggled row staying alike for the small node and the large one
// shows that a toggle costs what it shows and hides, not the whole tree.
//
// The same rebuild over an SQL query of an SQLite table, which keeps the tree
// fields and orders its rows itself, against the same walk over the query (the
// goal) and, printed only, a walk that reads id and parent id from the table
// with a plain statement.

#include "BenchUtil.h"

#include "ZDBGrids.h"
#include "ZDBSQLQuery.h"
#include "ZDBTreeView.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

using namespace zdb;
using namespace zdb::bench;

namespace {

volatile qlonglong Sink = 0;

// N items 8 levels deep: 20 roots, every other item below an earlier one.
void FillTree(TZDBTreeViewList& List, int N, std::vector<int>& Parent, std::vector<int>& Descendants)
{
    QRandomGenerator random(12345);
    std::vector<int> level(size_t(N) + 1, 0);
    Parent.assign(size_t(N) + 1, 0);
    for (int id = 1; id <= N; ++id) {
        int parent = 0;
        if (id > 20)
            do
                parent = int(random.bounded(id - 1)) + 1;
            while (level[size_t(parent)] >= 7);
        level[size_t(id)] = parent ? level[size_t(parent)] + 1 : 0;
        Parent[size_t(id)] = parent;
        List.AddItem(id, parent, QStringLiteral("Item %1").arg(id));
    }
    Descendants.assign(size_t(N) + 1, 0);
    for (int id = N; id >= 1; --id)
        if (Parent[size_t(id)])
            Descendants[size_t(Parent[size_t(id)])] += Descendants[size_t(id)] + 1;
}

// Reads id and parent id of every record of Table, unfiltered, and sorts the pairs.
TAlternative DataSetWalk(TDataSet& Table, const QString& Id, const QString& ParentId, int N)
{
    return TAlternative{[&Table, Id, ParentId, N] {
        std::vector<std::pair<int, int>> pairs;
        pairs.reserve(size_t(N));
        TDataSetControlsGuard controls(&Table);
        const bool filtered = Table.GetFiltered();
        Table.SetFiltered(false);
        TField* id = Table.FieldByName(Id);
        TField* parentId = Table.FieldByName(ParentId);
        for (Table.First(); !Table.Eof(); Table.Next())
            pairs.emplace_back(parentId->AsInteger(), id->AsInteger());
        Table.SetFiltered(filtered);
        std::sort(pairs.begin(), pairs.end());
        Sink = Sink + qlonglong(pairs.size());
    }};
}

// The categories of List in a new SQLite file: (id, parent_id, name), id the key.
QSqlDatabase CategoriesSqlite(const QTemporaryDir& Dir, const TZDBTreeViewList& List)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench_tree"));
    db.setDatabaseName(Dir.filePath(QStringLiteral("tree.db")));
    QSqlQuery q(db);
    if (!db.open() ||
        !q.exec(QStringLiteral("CREATE TABLE categories (id INTEGER PRIMARY KEY, parent_id INTEGER, name TEXT)")))
        qFatal("SQLite: %s", qPrintable(db.lastError().text()));
    db.transaction();
    q.prepare(QStringLiteral("INSERT INTO categories VALUES (?, ?, ?)"));
    for (int i = 0; i < List.Count(); ++i) {
        const TZDBTreeViewItem* item = List[i];
        q.addBindValue(item->ID);
        q.addBindValue(item->ParentID ? QVariant(item->ParentID) : QVariant(QMetaType(QMetaType::Int)));
        q.addBindValue(item->ItemName);
        if (!q.exec())
            qFatal("SQLite: %s", qPrintable(q.lastError().text()));
    }
    db.commit();
    return db;
}

// The tree rebuilt over a query of the SQLite table.
bool BenchSqlite(TBench& Bench, const TZDBTreeViewList& List, int N)
{
    QTemporaryDir dir;
    {
        const QSqlDatabase db = CategoriesSqlite(dir, List);
        TZSQLQuery query;
        query.SetConnection(db);
        query.SetSQLText(QStringLiteral("SELECT id, parent_id, name FROM categories ORDER BY id"));
        TDataSource source;
        source.SetDataSet(&query);
        TZDBGrid grid;
        grid.SetKeyFields(QStringLiteral("id"));
        grid.SetOrderFields(QStringLiteral("id"));
        grid.TreeView()->SetParentFields(QStringLiteral("parent_id"));
        grid.TreeView()->AddTreeFields(&query);
        query.Open();
        grid.SetDataSource(&source);
        if (!grid.TreeView()->GetActive()) {
            Bench.Check(QStringLiteral("tree active over SQLite"), false,
                        QStringLiteral("the tree view did not switch on"));
            return false;
        }
        const TAlternative plain{[&] {
            std::vector<std::pair<int, int>> pairs;
            pairs.reserve(size_t(N));
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.exec(QStringLiteral("SELECT id, parent_id FROM categories"));
            while (q.next())
                pairs.emplace_back(q.value(1).toInt(), q.value(0).toInt());
            std::sort(pairs.begin(), pairs.end());
            Sink = Sink + qlonglong(pairs.size());
        }};
        const std::vector<double> rebuild =
            Bench.Time({{[&] { grid.TreeView()->UpdateTreeView(false); }},
                        DataSetWalk(query, QStringLiteral("id"), QStringLiteral("parent_id"), N), plain});
        Bench.Row(QStringLiteral("rebuild"), QStringLiteral("SQLite query tree"), N, rebuild[0],
                  QStringLiteral("walk of id, parent id + sort"), rebuild[1], 3.0);
        Bench.Row(QStringLiteral("rebuild"), QStringLiteral("SQLite query tree"), N, rebuild[0],
                  QStringLiteral("QSqlQuery of id, parent id + sort"), rebuild[2], 0);
        grid.SetDataSource(nullptr);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench_tree"));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_tree", argc, argv, {10000, 100000});
    const QString data = QStringLiteral("in-memory tree");
    const QString against = QStringLiteral("walk of id, parent id + sort");
    for (int n : bench.Sizes()) {
        TZDBTreeViewList list;
        std::vector<int> parent, descendants;
        FillTree(list, n, parent, descendants);
        TZDBTreeViewData table;
        table.SetListInstance(&list);
        table.Open();
        TDataSource source;
        source.SetDataSet(&table);
        TZDBGrid grid;
        grid.SetKeyFields(QStringLiteral("ID"));
        grid.TreeView()->SetParentFields(QStringLiteral("ParentID"));
        grid.SetDataSource(&source);
        if (!grid.TreeView()->GetActive()) {
            bench.Check(QStringLiteral("tree active"), false, QStringLiteral("the tree view did not switch on"));
            return 1;
        }
        const TAlternative walk = DataSetWalk(table, QStringLiteral("ID"), QStringLiteral("ParentID"), n);

        const std::vector<double> rebuild = bench.Time({{[&] { grid.TreeView()->UpdateTreeView(false); }}, walk});
        bench.Row(QStringLiteral("rebuild"), data, n, rebuild[0], against, rebuild[1], 3.0);

        // A small node (a few descendants) and the root with the most.
        int small = 0, large = 0;
        for (int i = 1; i <= n; ++i) {
            if (descendants[size_t(i)] >= 3 && descendants[size_t(i)] <= 10 && !small)
                small = i;
            if (!parent[size_t(i)] && (!large || descendants[size_t(i)] > descendants[size_t(large)]))
                large = i;
        }
        auto toggle = [&](int Node) {
            return TAlternative{[&grid] {
                                    grid.TreeView()->ToggleRow(false);
                                    grid.TreeView()->ToggleRow(false);
                                },
                                [&table, Node] { table.Locate(QStringLiteral("ID"), Node); }};
        };
        const std::vector<double> t = bench.Time({toggle(small), toggle(large), walk});
        const double perSmall = t[0] / (2.0 * descendants[size_t(small)]);
        const double perLarge = t[1] / (2.0 * descendants[size_t(large)]);
        bench.Row(QStringLiteral("collapse + expand, small node"), data, n, t[0], against, t[2], 0,
                  QStringLiteral("%1 rows each way").arg(descendants[size_t(small)]));
        bench.Row(QStringLiteral("collapse + expand, large node"), data, n, t[1], against, t[2], 0,
                  QStringLiteral("%1 rows each way").arg(descendants[size_t(large)]));
        if (!bench.Smoke())
            bench.Check(QStringLiteral("toggle proportional to the rows it shows and hides (%1)").arg(n),
                        perSmall <= 20 * perLarge && t[0] < t[2],
                        QStringLiteral("%1 ms per row for a node of %2 rows, %3 ms per row for one of %4; "
                                       "the small toggle takes %5 of the walk")
                            .arg(perSmall, 0, 'g', 3)
                            .arg(descendants[size_t(small)])
                            .arg(perLarge, 0, 'g', 3)
                            .arg(descendants[size_t(large)])
                            .arg(t[0] / t[2], 0, 'f', 3));
        grid.SetDataSource(nullptr);
        if (!BenchSqlite(bench, list, n))
            return 1;
    }
    return 0;
}

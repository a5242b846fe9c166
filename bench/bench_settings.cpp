// A grid's saved layout with many columns: SaveLayout followed by LoadLayout
// (the layout built from the grid, written to its INI section, read back and
// applied to the grid) against writing the same lines with QSettings directly
// and reading them back, on the same file system in one run. The counts are
// the grid's columns (200 by default).
//
// The same over an SQL query of 1,000,000 rows (SQLite; the benchmark table,
// sorted descending by its key, with a column filter every row passes)
// against the same grid over 1,000 rows: the layout must cost the same
// whatever the rows, since saving or loading it never reads them.

#include "BenchUtil.h"

#include "ZDBGrids.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSqlError>
#include <QTemporaryDir>

#include <cstdio>
#include <stdexcept>

using namespace zdb;
using namespace zdb::bench;

namespace {

volatile qlonglong Sink = 0;

// A grid over the benchmark table of an SQLite file, its layout stored in an INI
// file of its own.
struct TSqlGrid {
    QSqlDatabase Db;
    TZSQLQuery Query;
    TDataSource Source;
    TZDBGrid Grid;

    TSqlGrid(const QString& Folder, const QTemporaryDir& Dir, int Rows)
    {
        const QString connection = QStringLiteral("settings%1").arg(Rows);
        Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        Db.setDatabaseName(GenerateSqlite(Folder, Rows));
        if (!Db.open())
            throw std::runtime_error(("cannot open SQLite: " + Db.lastError().text()).toStdString());
        Query.SetConnection(Db);
        Query.SetReadOnly(true);
        Query.SetSQLText(SelectAll());
        Query.SetFieldType(QStringLiteral("city"), ftWideString, 40);
        Query.Open();
        Source.SetDataSet(&Query);
        Grid.setObjectName(QStringLiteral("Grid%1").arg(Rows));
        Grid.resize(1280, 800);
        Grid.SetKeyFields(QStringLiteral("id"));
        Grid.SetDataSource(&Source);
        Grid.Columns()->SetState(csCustomized);
        TZDBGridSettings* settings = Grid.Settings();
        settings->SetOptions(settings->GetOptions() | soOrderFields | soLinesCount | soMultiSelect |
                             soSelectedRow | soStripedRows | soAutoFilter | soFiltered | soFilters);
        settings->SetIniFile(true);
        settings->SetFileName(Dir.filePath(QStringLiteral("sql.ini")));
        Grid.SetOrderFields(QStringLiteral("id DESC"));
        // A filter every row passes, so that both grids show a whole page.
        Grid.FilterGrid()->SetAutoFilter(true);
        Grid.FindColumn(QStringLiteral("qty"))->SetFilterText(QStringLiteral("qty >= 0"));
        Grid.show();
        Frame(Grid);
    }
    ~TSqlGrid()
    {
        Grid.SetDataSource(nullptr);
        Query.Close();
        Db.close();
    }
    void SaveAndLoad()
    {
        Grid.Settings()->SaveLayout();
        Grid.Settings()->LoadLayout();
        Frame(Grid);
    }
};

// A layout whose column lines name the columns in the reverse order.
QStringList ReversedColumns(const QStringList& Lines)
{
    const auto columnLine = [](const QString& Line) {
        return Line.startsWith(QLatin1String("Column")) && Line.size() > 6 && Line.at(6).isDigit();
    };
    QStringList values;
    for (const QString& line : Lines)
        if (columnLine(line))
            values << line.mid(line.indexOf(QLatin1Char('=')) + 1);
    QStringList result;
    qsizetype next = values.size();
    for (const QString& line : Lines)
        result << (columnLine(line) ? line.left(line.indexOf(QLatin1Char('=')) + 1) + values[--next] : line);
    return result;
}

void MeasureSql(TBench& Bench, const QTemporaryDir& Dir)
{
    const QString operation = QStringLiteral("save and load layout over a query");
    if (!Bench.Wants(operation))
        return;
    const int rows = Bench.Smoke() ? 10000 : 1000000;
    const int few = 1000;
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench-data"));
    {
        TSqlGrid big(folder, Dir, rows);
        TSqlGrid small(folder, Dir, few);
        const std::vector<double> t = Bench.Time({{[&] { big.SaveAndLoad(); }}, {[&] { small.SaveAndLoad(); }}});
        Bench.Row(operation, QStringLiteral("SQLite query"), rows, t[0], QStringLiteral("the same, 1,000 rows"), t[1],
                  1.2, QStringLiteral("a page of rows shown by both"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("settings%1").arg(rows));
    QSqlDatabase::removeDatabase(QStringLiteral("settings%1").arg(few));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBench bench("bench_settings", argc, argv, {200});
    QTemporaryDir dir;
    for (int n : bench.Sizes()) {
        TZMemDataSet table;
        for (int i = 1; i <= n; ++i)
            table.FieldDefs().Add(QStringLiteral("Field%1").arg(i), ftInteger);
        table.CreateDataSet();
        table.Append();
        table.Post();
        TDataSource source;
        source.SetDataSet(&table);
        QWidget form;
        form.setObjectName(QStringLiteral("MainForm"));
        TZDBGrid grid(&form);
        grid.setObjectName(QStringLiteral("Grid"));
        grid.SetDataSource(&source);
        grid.Columns()->SetState(csCustomized);
        for (int i = 0; i < n; i += 3)
            grid.Columns()->Items(i)->SetWidth(40 + i % 50);
        TZDBGridSettings* settings = grid.Settings();
        settings->SetOptions(settings->GetOptions() | soOrderFields | soLinesCount | soMultiSelect |
                             soSelectedRow | soStripedRows | soAutoFilter | soFiltered | soFilters);
        settings->SetIniFile(true);
        settings->SetFileName(dir.filePath(QStringLiteral("grid.ini")));
        const QStringList lines = settings->GetLayout();

        const QString plain = dir.filePath(QStringLiteral("plain.ini"));
        const TAlternative ours{[&] {
            settings->SaveLayout();
            settings->LoadLayout();
            Sink = Sink + settings->Layout().size();
        }};
        const TAlternative direct{[&] {
            {
                QSettings store(plain, QSettings::IniFormat);
                store.beginGroup(QStringLiteral("MainForm.Grid"));
                store.remove(QString());
                for (const QString& line : lines) {
                    const qsizetype equals = line.indexOf(QLatin1Char('='));
                    store.setValue(line.left(equals), line.mid(equals + 1));
                }
                store.endGroup();
            }
            QSettings store(plain, QSettings::IniFormat);
            store.beginGroup(QStringLiteral("MainForm.Grid"));
            QStringList read;
            for (const QString& name : store.childKeys())
                read << name + QLatin1Char('=') + store.value(name).toString();
            Sink = Sink + read.size();
        }};
        const std::vector<double> t = bench.Time({ours, direct});
        bench.Row(QStringLiteral("save and load layout"), QStringLiteral("INI file"), n, t[0],
                  QStringLiteral("QSettings lines"), t[1], 1.2,
                  QStringLiteral("%1 layout lines").arg(lines.size()));

        // Applying a layout that orders every column anew, against the same
        // layout in the grid's own order (printed: what reordering adds).
        const QStringList reversed = ReversedColumns(lines);
        const auto inOrder = [&] { settings->SetLayout(lines); };
        const std::vector<double> r =
            bench.Time({{[&] { settings->SetLayout(reversed); }, inOrder}, {inOrder, inOrder}});
        bench.Row(QStringLiteral("apply layout, columns reversed"), QStringLiteral("no store"), n, r[0],
                  QStringLiteral("in the grid's order"), r[1], 0, QStringLiteral("%1 columns moved").arg(n));
    }
    try {
        MeasureSql(bench, dir);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_settings: %s\n", error.what());
        return 1;
    }
    return 0;
}

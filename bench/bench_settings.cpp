// A grid's saved layout with many columns: SaveLayout followed by LoadLayout
// (the layout built from the grid, written to its INI section, read back and
// applied to the grid) against writing the same lines with QSettings directly
// and reading them back, on the same file system in one run. The counts are
// the grid's columns (200 by default).

#include "BenchUtil.h"

#include "ZDBGrids.h"
#include "ZDBMemData.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

using namespace zdb;
using namespace zdb::bench;

namespace {

volatile qlonglong Sink = 0;

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
    }
    return 0;
}

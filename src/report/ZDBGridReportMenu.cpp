// The "Print and Export" submenu of the grid's tool menu.

#include "ZDBGridReport.h"

#include "AppExceptions.h"
#include "DB.h"
#include "ZDBGridSelection.h"
#include "ZDBGrids.h"
#include "ZDBLists.h"
#include "ZDBToolMenu.h"
#include "ZDBTranslate.h"

#include <QDir>
#include <QMenu>

namespace zdb {

namespace {

enum TReportItem { riPreview, riPrint, riPdf, riCsv, riHtml, riColumns, riSelected };

// The file name the export dialogs offer: the dataset's (or grid's) name with Ext.
QString DefaultReportFileName(TZCustomDBGrid* Grid, const QString& Ext)
{
    TDataSet* ds = Grid->DataSet();
    QString name = ds && !ds->objectName().isEmpty() ? ds->objectName() : Grid->objectName();
    if (name.isEmpty())
        name = QStringLiteral("report");
    return QDir(DialogInitialDir.isEmpty() ? QDir::currentPath() : DialogInitialDir).filePath(name + u'.' + Ext);
}

QAction* FindItem(QMenu* Sub, TReportItem Item)
{
    for (QAction* action : Sub->actions())
        if (!action->isSeparator() && action->data().toInt() == int(Item))
            return action;
    return nullptr;
}

void ReportItemClick(TZDBGridToolMenu* Menu, TReportItem Item, bool SelectedOnly)
{
    TZCustomDBGrid* grid = Menu->Grid();
    if (!grid)
        return;
    if (Item == riColumns) {
        TZDBPrintColumnsDialog dialog;
        dialog.SetDBGrid(grid);
        dialog.Execute();
        return;
    }
    TZDBGridReport report(grid);
    report.SetSelectedRowsOnly(SelectedOnly && !grid->SelectedRows()->IsEmpty());
    const auto exportTo = [&](const QString& Ext, const QString& Filter, bool (TZDBGridReport::*Write)(const QString&)) {
        const QString file = Menu->ExecFileDialog(true, Ext, Filter, DefaultReportFileName(grid, Ext));
        if (!file.isEmpty())
            (report.*Write)(file);
    };
    switch (Item) {
    case riPreview: report.Preview(grid->window()); break;
    case riPrint: report.Print(grid->window()); break;
    case riPdf: exportTo(QStringLiteral("pdf"), SReportPdfFilter, &TZDBGridReport::ExportPdf); break;
    case riCsv: exportTo(QStringLiteral("csv"), SReportCsvFilter, &TZDBGridReport::ExportCsv); break;
    case riHtml: exportTo(QStringLiteral("html"), SReportHtmlFilter, &TZDBGridReport::ExportHtml); break;
    default: break;
    }
}

} // namespace

void CreateReportMenuItems(TZDBGridToolMenu* Menu)
{
    Menu->addSeparator();
    auto* sub = new QMenu(Menu);
    TrackLanguage(sub, [sub] { sub->setTitle(ToolMenuText(SPrintExportMenuItemCaption)); });
    Menu->addMenu(sub);
    sub->menuAction()->setObjectName(QStringLiteral("PrintExport"));
    const auto add = [&](TReportItem Item, const QString& Caption) {
        QAction* action = sub->addAction(QString());
        TrackLanguage(sub, [action, caption = &Caption] { action->setText(ToolMenuText(*caption)); });
        action->setData(int(Item));
        if (Item == riSelected)
            action->setCheckable(true);
        else
            QObject::connect(action, &QAction::triggered, Menu, [Menu, sub, Item] {
                GuardEvent(Menu, [&] { ReportItemClick(Menu, Item, FindItem(sub, riSelected)->isChecked()); });
            });
    };
    add(riPreview, SPrintPreviewMenuItemCaption);
    add(riPrint, SPrintMenuItemCaption);
    sub->addSeparator();
    add(riPdf, SExportPdfMenuItemCaption);
    add(riCsv, SExportCsvMenuItemCaption);
    add(riHtml, SExportHtmlMenuItemCaption);
    sub->addSeparator();
    add(riColumns, SPrintColumnsMenuItemCaption);
    add(riSelected, SSelectedRowsOnlyMenuItemCaption);
    // Enabled: the reports with an open dataset, the selected-rows switch with selected rows.
    QObject::connect(sub, &QMenu::aboutToShow, Menu, [Menu, sub] {
        TZCustomDBGrid* grid = Menu->Grid();
        TDataSet* ds = grid ? grid->DataSet() : nullptr;
        const bool open = ds && ds->Active();
        for (QAction* action : sub->actions())
            if (!action->isSeparator())
                action->setEnabled(open);
        FindItem(sub, riSelected)->setEnabled(open && !grid->SelectedRows()->IsEmpty());
        FindItem(sub, riColumns)->setEnabled(grid != nullptr);
    });
}

} // namespace zdb

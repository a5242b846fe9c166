// The grid's own printing and export calls, each one report of TZDBGridReport.

#include "ZDBGridReport.h"
#include "ZDBGrids.h"

namespace zdb {

namespace {

template <typename F>
auto WithReport(TZCustomDBGrid* Grid, bool SelectedRows, F&& Work)
{
    TZDBGridReport report(Grid);
    report.SetSelectedRowsOnly(SelectedRows);
    return Work(report);
}

} // namespace

void TZCustomDBGrid::PrintPreview(bool SelectedRows)
{
    WithReport(this, SelectedRows, [this](TZDBGridReport& R) { R.Preview(window()); });
}

bool TZCustomDBGrid::Print(bool SelectedRows)
{
    return WithReport(this, SelectedRows, [this](TZDBGridReport& R) { return R.Print(window()); });
}

bool TZCustomDBGrid::ExportToPdf(const QString& FileName, bool SelectedRows)
{
    return WithReport(this, SelectedRows, [&](TZDBGridReport& R) { return R.ExportPdf(FileName); });
}

bool TZCustomDBGrid::ExportToCsv(const QString& FileName, bool SelectedRows, QChar Separator)
{
    return WithReport(this, SelectedRows, [&](TZDBGridReport& R) {
        R.SetSeparator(Separator);
        return R.ExportCsv(FileName);
    });
}

bool TZCustomDBGrid::ExportToHtml(const QString& FileName, bool SelectedRows)
{
    return WithReport(this, SelectedRows, [&](TZDBGridReport& R) { return R.ExportHtml(FileName); });
}

} // namespace zdb

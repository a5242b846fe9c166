// TZDBGridReport: the printed columns and title rows, the walk over the
// records, CSV and HTML, and the files.

#include "ZDBGridReport.h"
#include "ZDBGridReportTotals.h"

#include "DB.h"
#include "DBError.h"
#include "ZDBGridSelection.h"
#include "ZDBGrids.h"
#include "ZDBTranslate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QProgressDialog>
#include <QSaveFile>
#include <QStringConverter>
#include <QTextStream>

#include <algorithm>

namespace zdb {

QString SPrintExportMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Print and Export"));
QString SPrintPreviewMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Print Preview..."));
QString SPrintMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Print..."));
QString SExportPdfMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Export to PDF..."));
QString SExportCsvMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Export to CSV..."));
QString SExportHtmlMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Export to HTML..."));
QString SPrintColumnsMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Print Columns..."));
QString SSelectedRowsOnlyMenuItemCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Selected Rows Only"));
QString SReportPageText = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Page %d"));
QString SReportCarriedText = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Carried forward"));
QString SReportProgressText = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Writing the report..."));
QString SReportWriteError = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Cannot write %s: %s"));
QString SReportPdfFilter = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "PDF files (*.pdf)|*.pdf"));
QString SReportCsvFilter = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "CSV files (*.csv)|*.csv|Text files (*.txt)|*.txt"));
QString SReportHtmlFilter = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "HTML files (*.html)|*.html;*.htm"));

namespace {

// How many records pass between two looks at the progress.
constexpr int ProgressStep = 64;
constexpr int ProgressDelay = 500; // ms before the progress dialog shows

QString HtmlText(const QString& Text)
{
    QString html = Text.toHtmlEscaped();
    html.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    html.replace(u'\n', QLatin1String("<br>"));
    return html;
}

} // namespace

// ---- CSV fields -------------------------------------------------------------------------------

QChar LocaleCsvSeparator()
{
    return QLocale().decimalPoint() == QLatin1String(",") ? u';' : u',';
}

QString CsvField(const QString& Text, QChar Separator, bool IsNull, bool IsNumber)
{
    if (IsNull)
        return QString();
    QString text = Text;
    // A leading character that makes a spreadsheet evaluate the cell.
    static const QString formula = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formula.contains(text[0]) && !IsNumber)
        text.prepend(u'\'');
    const bool quote = text.isEmpty() || text.contains(Separator) || text.contains(u'"') ||
                       text.contains(u'\n') || text.contains(u'\r') || text.front().isSpace() ||
                       text.back().isSpace();
    if (!quote)
        return text;
    text.replace(QLatin1String("\""), QLatin1String("\"\""));
    return u'"' + text + u'"';
}

// ---- The report -------------------------------------------------------------------------------

TZDBGridReport::TZDBGridReport(TZCustomDBGrid* Grid, QObject* Parent) : QObject(Parent), FGrid(Grid) {}

TZDBGridReport::~TZDBGridReport() = default;

std::vector<TZColumn*> TZDBGridReport::Columns() const
{
    std::vector<TZColumn*> columns;
    if (!FGrid)
        return columns;
    TZDBGridColumns* all = FGrid->Columns();
    for (int i = 0; i < all->Count(); ++i) {
        TZColumn* column = all->Items(i);
        if (column->Showing() && column->Report()->IsPrinted())
            columns.push_back(column);
    }
    return columns;
}

int TZDBGridReport::TitleRowCount() const
{
    int bands = 0;
    for (TZColumn* column : Columns())
        bands = std::max(bands, column->Title()->HeaderCount());
    return bands + 1;
}

std::vector<TZReportTitleCell> TZDBGridReport::TitleCells() const
{
    const std::vector<TZColumn*> columns = Columns();
    const int rows = TitleRowCount();
    std::vector<QStringList> bands;
    for (TZColumn* column : columns) {
        QStringList texts;
        for (int i = 0; i < column->Title()->HeaderCount(); ++i)
            texts << column->Title()->HeaderBand(i);
        bands.push_back(texts);
    }
    // Band Level of columns A and B joins when both have it and their bands 0 .. Level are equal.
    const auto joins = [&](size_t A, size_t B, int Level) {
        if (bands[A].size() <= Level || bands[B].size() <= Level ||
            columns[A]->ParentColumn() != columns[B]->ParentColumn())
            return false;
        for (int k = 0; k <= Level; ++k)
            if (bands[A][k] != bands[B][k])
                return false;
        return true;
    };
    std::vector<TZReportTitleCell> cells;
    for (int level = 0; level < rows - 1; ++level)
        for (size_t c = 0; c < columns.size();) {
            size_t end = c + 1;
            if (bands[c].size() > level)
                while (end < columns.size() && joins(c, end, level))
                    ++end;
            if (bands[c].size() > level)
                cells.push_back({level, int(c), 1, int(end - c), bands[c][level], false});
            c = end;
        }
    for (size_t c = 0; c < columns.size(); ++c) {
        const int own = int(bands[c].size());
        cells.push_back({own, int(c), rows - own, 1, columns[c]->Title()->GetCaption(), true});
    }
    std::sort(cells.begin(), cells.end(), [](const TZReportTitleCell& A, const TZReportTitleCell& B) {
        return A.Row != B.Row ? A.Row < B.Row : A.Col < B.Col;
    });
    return cells;
}

QString TZDBGridReport::CellText(TZColumn* Column) const
{
    TField* field = Column->GetField();
    QString text;
    if (field) {
        if (Column->LookupColumn() == lcLookupValueField)
            text = field->GetEditText(); // the key, which the grid turns into the looked-up text
        else if (Column->GetShowBlob() && IsMemoFieldType(field->DataType()))
            text = field->AsString();
        else
            text = field->DisplayText();
    }
    return FGrid ? FGrid->ColGetText(Column, text, tkReport) : text;
}

QString TZDBGridReport::WindowTitle() const
{
    if (!FTitle.isEmpty() || !FGrid)
        return FTitle;
    if (QWidget* window = FGrid->window(); window && !window->windowTitle().isEmpty())
        return window->windowTitle();
    TDataSet* ds = FGrid->DataSet();
    return ds ? ds->objectName() : QString();
}

bool TZDBGridReport::Walk(const std::function<void()>& Row)
{
    FCancelled = false;
    FTotals = std::make_unique<TTotals>(Columns());
    if (!FGrid || !FGrid->DataLink()->Active() || !FGrid->DataSet())
        return true;
    TDataSet* ds = FGrid->DataSet();
    ds->CheckBrowseMode();
    const bool selected = FSelectedRowsOnly;
    if (!selected)
        FTotals->FromDataSet(ds);
    TZWalkGuard walk(FGrid);
    // The progress dialog, made when the walk has lasted half a second.
    std::unique_ptr<QProgressDialog> progress;
    const bool gui = FShowProgress && qobject_cast<QApplication*>(QCoreApplication::instance());
    QElapsedTimer clock;
    clock.start();
    int records = 0;
    const auto row = [&] {
        if (FTotals->NeedsRecords())
            FTotals->AddRecord();
        Row();
        if (++records % ProgressStep != 0)
            return true;
        bool cancel = false;
        if (OnProgress)
            OnProgress(records, cancel);
        if (gui && !progress && clock.elapsed() >= ProgressDelay) {
            progress = std::make_unique<QProgressDialog>(
                Tr(SReportProgressText), QApplication::translate("QProgressDialog", "Cancel"), 0,
                selected ? FGrid->SelectedRows()->Count() : ds->RecordCount(), FGrid);
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
            progress->setAutoClose(false);
            progress->setAutoReset(false);
        }
        if (progress) {
            progress->setValue(std::min(records, progress->maximum()));
            cancel = cancel || progress->wasCanceled();
        }
        FCancelled = cancel;
        return !cancel;
    };
    if (selected) {
        TZBookmarkList* list = FGrid->SelectedRows();
        for (int i = 0; i < list->Count(); ++i) {
            const TBookmark bookmark = list->Items(i);
            if (!ds->BookmarkValid(bookmark))
                continue;
            ds->GotoBookmark(bookmark);
            if (!row())
                return false;
        }
    } else {
        for (ds->First(); !ds->Eof(); ds->Next())
            if (!row())
                return false;
    }
    return true;
}

QStringList TZDBGridReport::Totals()
{
    FTotals = std::make_unique<TTotals>(Columns());
    TDataSet* ds = FGrid && FGrid->DataLink()->Active() ? FGrid->DataSet() : nullptr;
    if (FSelectedRowsOnly || !FTotals->FromDataSet(ds))
        Walk([] {});
    return FTotals->Texts(false);
}

bool TZDBGridReport::WriteCsv(QIODevice& Device)
{
    const QChar separator = FSeparator.isNull() ? LocaleCsvSeparator() : FSeparator;
    const std::vector<TZColumn*> columns = Columns();
    QTextStream out(&Device);
    out.setEncoding(QStringConverter::Utf8);
    out.setGenerateByteOrderMark(true);
    const auto record = [&](const auto& Field) {
        for (size_t c = 0; c < columns.size(); ++c) {
            if (c)
                out << separator;
            out << Field(columns[c], c);
        }
        out << "\r\n";
    };
    record([&](TZColumn* Column, size_t) { return CsvField(Column->Title()->GetCaption(), separator); });
    const bool done = Walk([&] {
        record([&](TZColumn* Column, size_t) {
            TField* field = Column->GetField();
            return CsvField(CellText(Column), separator, field && field->IsNull() && !Column->GetAutoNumber(),
                            ReportNumericField(field));
        });
    });
    if (!done)
        return false;
    const QStringList totals = FTotals->Texts(false);
    if (std::any_of(totals.begin(), totals.end(), [](const QString& T) { return !T.isEmpty(); }))
        record([&](TZColumn*, size_t C) { return CsvField(totals[qsizetype(C)], separator, totals[qsizetype(C)].isEmpty()); });
    out.flush();
    return out.status() == QTextStream::Ok;
}

bool TZDBGridReport::WriteHtml(QIODevice& Device)
{
    const std::vector<TZColumn*> columns = Columns();
    QTextStream out(&Device);
    out.setEncoding(QStringConverter::Utf8);
    const auto align = [](TZColumn* Column) {
        switch (Column->GetAlignment()) {
        case taRightJustify: return QStringLiteral(" style=\"text-align:right\"");
        case taCenter: return QStringLiteral(" style=\"text-align:center\"");
        default: return QString();
        }
    };
    out << "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" << HtmlText(WindowTitle())
        << "</title>\n<style>table{border-collapse:collapse}th,td{border:1px solid #999;padding:2px 6px;"
           "vertical-align:top}th{background:#eee}tfoot td{font-weight:bold}</style>\n</head>\n<body>\n"
           "<table>\n<thead>\n";
    const std::vector<TZReportTitleCell> cells = TitleCells();
    for (int r = 0; r < TitleRowCount(); ++r) {
        out << "<tr>";
        for (const TZReportTitleCell& cell : cells) {
            if (cell.Row != r)
                continue;
            out << "<th";
            if (cell.ColSpan > 1)
                out << " colspan=\"" << cell.ColSpan << '"';
            if (cell.RowSpan > 1)
                out << " rowspan=\"" << cell.RowSpan << '"';
            out << '>' << HtmlText(cell.Text) << "</th>";
        }
        out << "</tr>\n";
    }
    out << "</thead>\n<tbody>\n";
    const bool done = Walk([&] {
        out << "<tr>";
        for (TZColumn* column : columns)
            out << "<td" << align(column) << '>' << HtmlText(CellText(column)) << "</td>";
        out << "</tr>\n";
    });
    if (!done)
        return false;
    out << "</tbody>\n";
    const QStringList totals = FTotals->Texts(false);
    if (std::any_of(totals.begin(), totals.end(), [](const QString& T) { return !T.isEmpty(); })) {
        out << "<tfoot>\n<tr>";
        for (size_t c = 0; c < columns.size(); ++c)
            out << "<td" << align(columns[c]) << '>' << HtmlText(totals[qsizetype(c)]) << "</td>";
        out << "</tr>\n</tfoot>\n";
    }
    out << "</table>\n</body>\n</html>\n";
    out.flush();
    return out.status() == QTextStream::Ok;
}

bool TZDBGridReport::Export(const QString& FileName, const std::function<bool(QIODevice&)>& Write)
{
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        DatabaseErrorFmt(SReportWriteError, {FileName, file.errorString()});
    if (!Write(file)) {
        file.cancelWriting();
        if (FCancelled)
            return false;
        DatabaseErrorFmt(SReportWriteError, {FileName, file.errorString()});
    }
    if (!file.commit())
        DatabaseErrorFmt(SReportWriteError, {FileName, file.errorString()});
    return true;
}

bool TZDBGridReport::ExportCsv(const QString& FileName)
{
    return Export(FileName, [this](QIODevice& Device) { return WriteCsv(Device); });
}

bool TZDBGridReport::ExportHtml(const QString& FileName)
{
    return Export(FileName, [this](QIODevice& Device) { return WriteHtml(Device); });
}

} // namespace zdb

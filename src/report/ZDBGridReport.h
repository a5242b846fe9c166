#pragma once
// Printing and export of a grid: the grid's printed columns (the column's
// Report.Visible and a showing column; the print columns dialog chooses them),
// in the grid's order, with their multi-level titles, the records as their
// cells show them (the tkReport text of the grid's ColGetText) and the report
// totals of the columns (Report.TotalType, TotalText, TotalMask) after the last
// record.
//
// Targets: pages (a printer, the print preview or a PDF file: column widths
// scaled to the page width, the title rows with their header bands repeated on
// every page, a page header with the report title and date and a footer with
// the page number; a row is never split over two pages, and a row taller than
// a page is cut at the page's end), CSV (RFC 4180: a field holding the
// separator, a quote, a line break or outer blanks is quoted and its quotes
// doubled, records end with CR LF; UTF-8 with a byte-order mark; the separator
// is the one given, else ";" where the locale's decimal point is "," and ","
// elsewhere, as spreadsheets expect; the first record holds the captions, a
// last one the totals when there are any; NULL is an empty field, an empty text a
// quoted empty one; a text a spreadsheet would take for a formula, one that
// begins with "=", "+", "-", "@", a tab or a carriage return and is not a
// number, gets an apostrophe in front so that it shows as text) and HTML (a
// table whose header bands are cells spanning their columns and whose captions
// span the band rows their column lacks).
//
// Records are walked with the dataset's own cursor under the grid's walk
// guard (controls disabled, the current record given back), one record at a
// time, so that a million SQL rows cost no more memory than ten. A file is
// written through QSaveFile: an error or a cancel leaves no file behind (and
// an existing file as it was); a file that cannot be written raises
// EDatabaseError with SReportWriteError.
//
// Report totals: ttSum, ttAverage, ttMin and ttMax over the column's field and
// ttCount (its non-null values; the records for a column without field); over
// all records a dataset that can (TDataSet::CalcAggregates, an SQL query's
// aggregate SELECT) computes them itself, otherwise they are taken in while
// the records are walked. ttText prints TotalText. ttExpression evaluates
// TotalText as arithmetic (+ - * /, parentheses, numbers) over SUM, AVG,
// COUNT, MIN and MAX of printed fields, e.g. "SUM(Amount) / COUNT(Amount)"
// (COUNT() counts the records); ttGrowExpression is the same expression taken
// over the records printed so far: on pages it also prints at the foot of
// every page as the running value. A non-empty TotalMask formats a number: a
// mask with "%" through Format (SysUtils.h, "%.2f"), else a picture in which
// the digits after "." give the decimals and a "," asks for grouping
// ("#,##0.00"); without mask a number prints in the locale's form.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;

namespace zdb {

class TField;
class TZColumn;
class TZCustomDBGrid;
class TZDBGridToolMenu;

// ---- Texts ----------------------------------------------------------------------------------
extern QString SPrintExportMenuItemCaption;  // "Print and Export"
extern QString SPrintPreviewMenuItemCaption; // "Print Preview..."
extern QString SPrintMenuItemCaption;        // "Print..."
extern QString SExportPdfMenuItemCaption;    // "Export to PDF..."
extern QString SExportCsvMenuItemCaption;    // "Export to CSV..."
extern QString SExportHtmlMenuItemCaption;   // "Export to HTML..."
extern QString SPrintColumnsMenuItemCaption; // "Print Columns..."
extern QString SSelectedRowsOnlyMenuItemCaption; // "Selected Rows Only"
extern QString SReportPageText;              // "Page %d", Format with the page number
extern QString SReportCarriedText;           // "Carried forward"
extern QString SReportProgressText;          // "Writing the report..."
extern QString SReportWriteError;            // "Cannot write %s: %s", the file and the reason
extern QString SReportPdfFilter;             // "PDF files (*.pdf)|*.pdf"
extern QString SReportCsvFilter;             // "CSV files (*.csv)|*.csv|Text files (*.txt)|*.txt"
extern QString SReportHtmlFilter;            // "HTML files (*.html)|*.html;*.htm"

// One cell of the title rows: a header band (spanning the columns whose bands
// up to its level are equal) or a caption (spanning the band rows its column lacks).
struct TZReportTitleCell {
    int Row = 0;
    int Col = 0; // index into the printed columns
    int RowSpan = 1;
    int ColSpan = 1;
    QString Text;
    bool Caption = false;
};

class TZDBGridReport : public QObject
{
    Q_OBJECT
public:
    explicit TZDBGridReport(TZCustomDBGrid* Grid, QObject* Parent = nullptr);
    ~TZDBGridReport() override;

    TZCustomDBGrid* Grid() const { return FGrid; }

    // Only the grid's selected rows (in their bookmark order) instead of all records.
    bool GetSelectedRowsOnly() const { return FSelectedRowsOnly; }
    void SetSelectedRowsOnly(bool Value) { FSelectedRowsOnly = Value; }
    // The page header's text; empty: the grid's window title, else the dataset's name.
    QString GetTitle() const { return FTitle; }
    void SetTitle(const QString& Value) { FTitle = Value; }
    // The CSV separator; a null character: the locale's (see above).
    QChar GetSeparator() const { return FSeparator; }
    void SetSeparator(QChar Value) { FSeparator = Value; }
    // A progress dialog with a Cancel button shows when writing lasts longer than
    // half a second (on by default; off for unattended runs).
    bool GetShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool Value) { FShowProgress = Value; }
    // Called every few records with their number so far; setting Cancel stops the
    // report as the progress dialog's Cancel does.
    std::function<void(int Records, bool& Cancel)> OnProgress;

    // The printed columns in the grid's order.
    std::vector<TZColumn*> Columns() const;
    // The title rows of the printed columns: their number, and their cells by row, then column.
    int TitleRowCount() const;
    std::vector<TZReportTitleCell> TitleCells() const;
    // The report text of a column's cell in the current record.
    QString CellText(TZColumn* Column) const;
    // The report total of each printed column (empty for ttNone), computed
    // over the records the report takes.
    QStringList Totals();
    // Whether the last report was cancelled.
    bool Cancelled() const { return FCancelled; }

    // Writers; each returns false when cancelled (nothing written then).
    bool WriteCsv(QIODevice& Device);
    bool WriteHtml(QIODevice& Device);
    // Lays the report out on the pages of Device, starting on its current page.
    bool Render(QPagedPaintDevice& Device);
    // The same with an active Painter whose device gives the page's size and
    // resolution; NewPage moves the painter on to the next page.
    bool Render(QPainter& Painter, const std::function<void()>& NewPage);
    // Files, written through QSaveFile; raise EDatabaseError when the file
    // cannot be written; false when cancelled.
    bool ExportCsv(const QString& FileName);
    bool ExportHtml(const QString& FileName);
    bool ExportPdf(const QString& FileName);
    // The print dialog, then printing; false when the dialog was cancelled.
    bool Print(QWidget* Parent = nullptr);
    // The print preview dialog.
    void Preview(QWidget* Parent = nullptr);

private:
    class TTotals;
    class TWalk;
    // Walks the records the report takes: Row for each, with the progress; false when cancelled.
    bool Walk(const std::function<void()>& Row);
    QString WindowTitle() const;
    bool Export(const QString& FileName, const std::function<bool(QIODevice&)>& Write);

    QPointer<TZCustomDBGrid> FGrid;
    bool FSelectedRowsOnly = false;
    QString FTitle;
    QChar FSeparator;
    bool FShowProgress = true;
    bool FCancelled = false;
    std::unique_ptr<TTotals> FTotals;
};

// The CSV field of one value (quoted and guarded as above).
QString CsvField(const QString& Text, QChar Separator, bool IsNull = false, bool IsNumber = false);
// The separator of the locale: ";" where its decimal point is ",", else ",".
QChar LocaleCsvSeparator();

// Adds the "Print and Export" submenu at the end of a grid's tool menu; the tool
// menu calls it once when it makes its items.
void CreateReportMenuItems(TZDBGridToolMenu* Menu);

} // namespace zdb

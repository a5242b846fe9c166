// TZDBGridReport on pages: the layout of titles, records and totals, and the
// printer, preview and PDF around it.

#include "ZDBGridReport.h"
#include "ZDBGridReportTotals.h"

#include "DBError.h"
#include "SysUtils.h"
#include "ZDBGridSelection.h"
#include "ZDBGrids.h"
#include "ZDBTranslate.h"

#include <QCoreApplication>
#include <QDate>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>

#include <algorithm>

namespace zdb {

namespace {

// A font in points, so that it keeps its size on any device.
QFont PointFont(QFont Font)
{
    if (Font.pointSizeF() <= 0)
        Font.setPointSizeF(Font.pixelSize() > 0 ? Font.pixelSize() * 72.0 / 96.0 : 9.0);
    return Font;
}

Qt::Alignment HorizontalAlignment(TAlignment Alignment)
{
    switch (Alignment) {
    case taRightJustify: return Qt::AlignRight;
    case taCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

const QColor LineColor(0x99, 0x99, 0x99);
const QColor TitleFill(0xe8, 0xea, 0xee);
const QColor StripeFill(0xf5, 0xf6, 0xf8);

} // namespace

bool TZDBGridReport::Render(QPainter& Painter, const std::function<void()>& NewPage)
{
    QPaintDevice* device = Painter.device();
    const std::vector<TZColumn*> columns = Columns();
    const qreal width = device->width();
    const qreal height = device->height();
    const qreal mm = device->logicalDpiY() / 25.4;
    const qreal pad = mm * 1.0;
    const qreal line = std::max<qreal>(1.0, mm * 0.2);

    // Fonts shrink with the columns when the page is narrower than the grid's
    // columns on a 96 dpi screen, down to half their size.
    qreal sum = 0;
    for (TZColumn* column : columns)
        sum += std::max(column->TrueWidth(), 1);
    const qreal fontScale = std::clamp(width / device->logicalDpiX() * 96 / std::max<qreal>(sum, 1), 0.5, 1.0);
    const auto scaled = [&](const QFont& Font) {
        QFont font = PointFont(Font);
        font.setPointSizeF(font.pointSizeF() * fontScale);
        return font;
    };
    const QFont bodyFont = scaled(FGrid ? FGrid->font() : QFont());
    QFont titleFont = scaled(FGrid ? FGrid->GetTitleFont() : QFont());
    titleFont.setBold(true);
    QFont smallFont = bodyFont;
    smallFont.setPointSizeF(bodyFont.pointSizeF() * 0.85);
    QFont totalFont = bodyFont;
    totalFont.setBold(true);
    const QFontMetricsF bodyFm(bodyFont, device), titleFm(titleFont, device), smallFm(smallFont, device);

    // Columns: the grid's widths scaled to the page.
    std::vector<qreal> left(columns.size() + 1, 0);
    for (size_t c = 0; c < columns.size(); ++c)
        left[c + 1] = left[c] + width * std::max(columns[c]->TrueWidth(), 1) / std::max<qreal>(sum, 1);
    const auto cellRect = [&](int Col, int Span, qreal Top, qreal Height) {
        return QRectF(left[size_t(Col)], Top, left[size_t(Col + Span)] - left[size_t(Col)], Height);
    };
    const auto textHeight = [&](const QFontMetricsF& Fm, qreal W, const QString& Text) {
        return Fm.boundingRect(QRectF(0, 0, std::max<qreal>(W - 2 * pad, 1), 1e9), Qt::TextWordWrap, Text).height();
    };

    // Title rows: bands of one line each, captions wrapped below them.
    const std::vector<TZReportTitleCell> cells = TitleCells();
    const qreal bandHeight = titleFm.height() + 2 * pad;
    qreal titleHeight = TitleRowCount() * bandHeight;
    for (const TZReportTitleCell& cell : cells)
        if (cell.Caption)
            titleHeight = std::max(titleHeight, cell.Row * bandHeight +
                                                    textHeight(titleFm, cellRect(cell.Col, 1, 0, 0).width(), cell.Text) +
                                                    2 * pad);

    const qreal headerHeight = smallFm.height() + 2 * mm;
    const qreal footerHeight = smallFm.height() + 2 * mm;
    const bool growing = std::any_of(columns.begin(), columns.end(),
                                     [](TZColumn* C) { return C->Report()->GetTotalType() == ttGrowExpression; });
    const qreal carriedHeight = growing ? bodyFm.height() + 2 * pad : 0;
    const qreal bodyTop = headerHeight;
    const qreal bodyBottom = height - footerHeight - carriedHeight;
    const QString title = WindowTitle();
    const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);

    // A row of cells; the AutoHeight columns' texts (all with WrapAll) wrap, the others are cut with an ellipsis.
    const auto drawCells = [&](qreal Top, qreal RowHeight, const QStringList& Texts, const QFont& Font, bool Fill,
                               const QColor& Color, bool WrapAll) {
        Painter.setFont(Font);
        if (Fill)
            Painter.fillRect(QRectF(0, Top, width, RowHeight), Color);
        for (size_t c = 0; c < columns.size(); ++c) {
            const QRectF cell = cellRect(int(c), 1, Top, RowHeight).adjusted(pad, pad, -pad, -pad);
            const Qt::Alignment align = HorizontalAlignment(columns[c]->GetAlignment());
            const QString& text = Texts[qsizetype(c)];
            if (WrapAll) {
                // A total is never cut: a word wider than its cell is set smaller.
                const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
                qreal widest = 0;
                for (const QString& word : words)
                    widest = std::max(widest, QFontMetricsF(Font, device).horizontalAdvance(word));
                QFont font = Font;
                if (widest > cell.width())
                    font.setPointSizeF(Font.pointSizeF() * cell.width() / widest);
                Painter.setFont(font);
                Painter.drawText(cell, int(align | Qt::AlignTop | Qt::TextWordWrap), text);
                Painter.setFont(Font);
            } else if (columns[c]->Report()->GetAutoHeight()) {
                Painter.drawText(cell, int(align | Qt::AlignTop | Qt::TextWordWrap), text);
            } else {
                QString oneLine = text;
                oneLine.replace(u'\n', u' ').remove(u'\r');
                Painter.drawText(cell, int(align | Qt::AlignVCenter),
                                 QFontMetricsF(Font, device).elidedText(oneLine, Qt::ElideRight, cell.width()));
            }
        }
        Painter.setPen(QPen(LineColor, line));
        Painter.drawLine(QLineF(0, Top + RowHeight, width, Top + RowHeight));
        for (size_t c = 0; c <= columns.size(); ++c)
            Painter.drawLine(QLineF(left[c], Top, left[c], Top + RowHeight));
        Painter.setPen(Qt::black);
    };
    const auto rowHeight = [&](const QStringList& Texts, const QFontMetricsF& Fm, bool WrapAll) {
        qreal h = Fm.height();
        for (size_t c = 0; c < columns.size(); ++c)
            if (WrapAll || columns[c]->Report()->GetAutoHeight())
                h = std::max(h, textHeight(Fm, cellRect(int(c), 1, 0, 0).width(), Texts[qsizetype(c)]));
        // A row taller than a page is cut at the page's end.
        return std::min(h + 2 * pad, bodyBottom - bodyTop - titleHeight);
    };

    int page = 0;
    int rowsOnPage = 0;
    qreal y = 0;
    const auto startPage = [&] {
        if (page > 0)
            NewPage();
        ++page;
        rowsOnPage = 0;
        Painter.setPen(Qt::black);
        Painter.setFont(smallFont);
        const QRectF head(0, 0, width, smallFm.height());
        Painter.drawText(head, int(Qt::AlignLeft | Qt::AlignVCenter), title);
        Painter.drawText(head, int(Qt::AlignRight | Qt::AlignVCenter), date);
        Painter.drawText(QRectF(0, height - smallFm.height(), width, smallFm.height()), int(Qt::AlignCenter),
                         Format(Tr(SReportPageText), {page}));
        // The title rows.
        Painter.setFont(titleFont);
        for (const TZReportTitleCell& cell : cells) {
            const qreal top = bodyTop + cell.Row * bandHeight;
            const qreal cellHeight = cell.Caption ? bodyTop + titleHeight - top : cell.RowSpan * bandHeight;
            const QRectF rect = cellRect(cell.Col, cell.ColSpan, top, cellHeight);
            Painter.fillRect(rect, TitleFill);
            Painter.setPen(QPen(LineColor, line));
            Painter.drawRect(rect);
            Painter.setPen(Qt::black);
            const Qt::Alignment align =
                cell.Caption ? HorizontalAlignment(columns[size_t(cell.Col)]->Title()->GetAlignment()) : Qt::AlignHCenter;
            Painter.drawText(rect.adjusted(pad, pad, -pad, -pad), int(align | Qt::AlignVCenter | Qt::TextWordWrap),
                             cell.Text);
        }
        y = bodyTop + titleHeight;
    };
    const auto drawCarried = [&] {
        if (!growing)
            return;
        const QStringList texts = FTotals->Texts(true);
        drawCells(y, carriedHeight, texts, totalFont, false, QColor(), false);
        // The caption over the columns before the first running value.
        const auto first = std::find_if(texts.begin(), texts.end(), [](const QString& T) { return !T.isEmpty(); });
        const qreal right = left[size_t(first - texts.begin())];
        if (right > 2 * pad)
            Painter.drawText(QRectF(pad, y, right - 2 * pad, carriedHeight), int(Qt::AlignLeft | Qt::AlignVCenter),
                             bodyFm.elidedText(Tr(SReportCarriedText), Qt::ElideRight, right - 2 * pad));
    };

    startPage();
    QStringList texts;
    bool done = Walk([&] {
        texts.clear();
        for (TZColumn* column : columns)
            texts << CellText(column);
        const qreal h = rowHeight(texts, bodyFm, false);
        if (y + h > bodyBottom && rowsOnPage > 0) {
            drawCarried();
            startPage();
        }
        drawCells(y, h, texts, bodyFont, rowsOnPage % 2 == 1, StripeFill, false);
        y += h;
        ++rowsOnPage;
    });
    if (!done)
        return false;
    const QStringList totals = FTotals->Texts(false);
    if (std::any_of(totals.begin(), totals.end(), [](const QString& T) { return !T.isEmpty(); })) {
        const qreal h = rowHeight(totals, QFontMetricsF(totalFont, device), true);
        if (y + h > bodyBottom + carriedHeight)
            startPage();
        drawCells(y, h, totals, totalFont, true, TitleFill, true);
    }
    return true;
}

bool TZDBGridReport::Render(QPagedPaintDevice& Device)
{
    QPainter painter;
    if (!painter.begin(&Device))
        DatabaseError(QCoreApplication::translate("zdb", "Cannot start printing"));
    const bool done = Render(painter, [&] { Device.newPage(); });
    painter.end();
    return done;
}

namespace {

// A4, landscape when the printed columns are wider than a portrait page shows well.
void SetupPage(QPagedPaintDevice& Device, int ColumnsWidth)
{
    Device.setPageSize(QPageSize(QPageSize::A4));
    Device.setPageOrientation(ColumnsWidth > 720 ? QPageLayout::Landscape : QPageLayout::Portrait);
    Device.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
}

int ColumnsWidth(const std::vector<TZColumn*>& Columns)
{
    int width = 0;
    for (TZColumn* column : Columns)
        width += column->TrueWidth();
    return width;
}

} // namespace

bool TZDBGridReport::ExportPdf(const QString& FileName)
{
    return Export(FileName, [this](QIODevice& Device) {
        QPdfWriter writer(&Device);
        writer.setTitle(WindowTitle());
        writer.setCreator(QStringLiteral("ZDBGrids"));
        writer.setResolution(300);
        SetupPage(writer, ColumnsWidth(Columns()));
        return Render(writer);
    });
}

bool TZDBGridReport::Print(QWidget* Parent)
{
    QPrinter printer(QPrinter::HighResolution);
    SetupPage(printer, ColumnsWidth(Columns()));
    QPrintDialog dialog(&printer, Parent ? Parent : FGrid.data());
    const bool selection = FGrid && !FGrid->SelectedRows()->IsEmpty();
    dialog.setOption(QAbstractPrintDialog::PrintSelection, selection);
    if (selection && FSelectedRowsOnly)
        printer.setPrintRange(QPrinter::Selection);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const bool old = FSelectedRowsOnly;
    FSelectedRowsOnly = printer.printRange() == QPrinter::Selection;
    const bool done = Render(printer);
    FSelectedRowsOnly = old;
    return done;
}

void TZDBGridReport::Preview(QWidget* Parent)
{
    QPrinter printer(QPrinter::HighResolution);
    SetupPage(printer, ColumnsWidth(Columns()));
    QPrintPreviewDialog dialog(&printer, Parent ? Parent : FGrid.data());
    dialog.setWindowTitle(WindowTitle());
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* Printer) {
        const bool progress = FShowProgress;
        FShowProgress = false; // the preview lays out again on every zoom
        Render(*Printer);
        FShowProgress = progress;
    });
    dialog.exec();
}

} // namespace zdb

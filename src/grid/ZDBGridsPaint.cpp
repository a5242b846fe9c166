// TZCustomDBGrid painting: titles with their header bands, data cells, the
// indicator column and the bottom block; the text layout shared by them.

#include "ZDBGrids.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <optional>

namespace zdb {

namespace {

// The lines of Text as drawn into Width: its own lines, each wrapped at word
// boundaries when WordWrap is on; at most MaxLines when MaxLines > 0.
QStringList LayoutLines(const QString& Text, const QFont& Font, int Width, bool WordWrap, int MaxLines)
{
    QStringList result;
    const QStringList paragraphs = QString(Text).replace(QLatin1String("\r\n"), QLatin1String("\n")).split(QLatin1Char('\n'));
    for (const QString& paragraph : paragraphs) {
        if (MaxLines > 0 && result.size() >= MaxLines)
            break;
        if (!WordWrap || paragraph.isEmpty() || Width <= 0) {
            result << paragraph;
            continue;
        }
        QTextLayout layout(paragraph, Font);
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(Width);
            result << paragraph.mid(line.textStart(), line.textLength()).trimmed();
            if (MaxLines > 0 && result.size() >= MaxLines)
                break;
        }
        layout.endLayout();
    }
    if (result.isEmpty())
        result << QString();
    return result;
}

} // namespace

// ---- Text layout ------------------------------------------------------------------

void TZCustomDBGrid::WriteText(QPainter& Canvas, const QRect& ARect, int Margin, const QString& Text,
                               TAlignment Alignment, TVAlignment VAlignment, bool WordWrap, bool Ellipsis) const
{
    if (ARect.width() <= 0 || ARect.height() <= 0)
        return;
    if (layoutDirection() == Qt::RightToLeft) {
        if (Alignment == taLeftJustify)
            Alignment = taRightJustify;
        else if (Alignment == taRightJustify)
            Alignment = taLeftJustify;
    }
    const QFontMetrics fm(Canvas.font());
    const int reserve = Alignment == taLeftJustify ? Margin : Alignment == taRightJustify ? Margin + 1 : 0;
    const int lineHeight = std::max(fm.height(), 1);
    int fit = (ARect.height() - 2 * Margin + 1) / lineHeight;
    if (fit <= 0)
        VAlignment = tvTopJustify;
    const int width = ARect.width() - reserve;
    QStringList lines = LayoutLines(Text, Canvas.font(), width, WordWrap, Ellipsis ? std::max(fit, 1) : 0);
    const int count = std::clamp(int(lines.size()), 1, std::max(fit, 1));
    int offset = Margin;
    const int spare = std::max(0, ARect.height() - 2 * Margin - count * lineHeight);
    if (VAlignment == tvBottomJustify)
        offset += spare;
    else if (VAlignment == tvCenter)
        offset += spare / 2;

    TCanvasState state(Canvas);
    Canvas.setClipRect(ARect, Qt::IntersectClip);
    int top = ARect.top();
    for (int i = 0; i < count; ++i) {
        QString line = lines.value(i);
        if (Ellipsis)
            line = fm.elidedText(line, Qt::ElideRight, std::max(width, 0));
        const int tw = fm.horizontalAdvance(line);
        int x = ARect.left() + Margin;
        if (Alignment == taRightJustify)
            x = ARect.left() + ARect.width() - tw - Margin - 1;
        else if (Alignment == taCenter)
            x = ARect.left() + ARect.width() / 2 - tw / 2;
        Canvas.drawText(QPoint(x, top + offset + fm.ascent()), line);
        SearchHitLine(Canvas, ARect, i, line, x, top + offset, lineHeight);
        top += offset + lineHeight;
        offset = 0;
    }
}

// ---- Titles -----------------------------------------------------------------------

QStringList TZCustomDBGrid::HeaderTexts(TZColumn* Column) const
{
    QStringList bands;
    if (!Column)
        return bands;
    const int count = Column->Title()->HeaderCount();
    for (int i = 0; i < count; ++i)
        bands << Column->Title()->HeaderBand(i);
    return bands;
}

QRect TZCustomDBGrid::HeaderRect(TZColumn* Column, int Band, const QRect& CellRect) const
{
    const QStringList mine = HeaderTexts(Column);
    const int first = DataToRawColumn(Column->Index());
    const int last = DataToRawColumn(std::max(Column->ExpandIndex(), Column->Index()));
    const int frozenEnd = TCustomGrid::GetFixedCols();
    const bool frozen = first < frozenEnd;
    // A neighbour joins while it is on the same side of the frozen columns,
    // has the same parent and the same band texts 0 .. Band.
    auto joins = [&](TZColumn* neighbour, int raw) {
        if ((raw < frozenEnd) != frozen || neighbour->ParentColumn() != Column->ParentColumn())
            return false;
        const QStringList theirs = HeaderTexts(neighbour);
        if (theirs.size() <= Band)
            return false;
        for (int k = 0; k <= Band; ++k)
            if (theirs[k] != mine[k])
                return false;
        return true;
    };
    const int clw = ColLineWidth();
    int left = CellRect.left();
    int right = CellRect.left() + CellRect.width();
    for (int raw = first - 1; raw >= FIndicatorOffset; --raw) {
        TZColumn* neighbour = ColumnOfRaw(raw);
        if (!neighbour)
            break;
        if (!neighbour->Showing() && neighbour->ParentColumn() == Column->ParentColumn() &&
            !neighbour->GetExpanded())
            continue; // hidden: takes no room
        if (!joins(neighbour, raw))
            break;
        if (!frozen && raw < GetLeftCol())
            break; // scrolled out of view
        left -= std::max(GetColWidths(raw) + clw, 0);
    }
    for (int raw = last + 1; raw < GetColCount(); ++raw) {
        TZColumn* neighbour = ColumnOfRaw(raw);
        if (!neighbour)
            break;
        if (!neighbour->Showing() && neighbour->ParentColumn() == Column->ParentColumn() &&
            !neighbour->GetExpanded())
            continue;
        if (!joins(neighbour, raw))
            break;
        right += std::max(GetColWidths(raw) + clw, 0);
    }
    const int top = CellRect.top() + Band * FHeaderRowHeight;
    return QRect(left, top, right - left, FHeaderRowHeight - RowLineWidth());
}

QRect TZCustomDBGrid::CalcTitleRect(TZColumn* Column, int ARow, TZColumn*& Master) const
{
    Master = ColumnAtDepth(Column, ARow);
    const int raw = DataToRawColumn(Column->Index());
    const int frozenEnd = TCustomGrid::GetFixedCols();
    const bool frozen = raw < frozenEnd;
    auto sameTitle = [&](int other) {
        TZColumn* neighbour = ColumnOfRaw(other);
        return neighbour && (other < frozenEnd) == frozen && ColumnAtDepth(neighbour, ARow) == Master;
    };
    int lo = raw;
    while (lo - 1 >= FIndicatorOffset && sameTitle(lo - 1))
        --lo;
    int hi = raw;
    while (hi + 1 < GetColCount() && sameTitle(hi + 1))
        ++hi;
    if (!frozen)
        lo = std::max(lo, GetLeftCol());
    int top = ARow;
    int bottom = ARow;
    const int last = FTitleRowCount - 1;
    // A title that is not expanded reaches down to the last title row.
    if (Master && !Master->GetExpanded() && Master->Depth() < last) {
        top = Master->Depth();
        bottom = last;
    }
    // Rows are never scrolled inside the titles, so their positions are fixed.
    int y = 0;
    const int rlw = RowLineWidth();
    for (int r = 0; r < top; ++r)
        y += std::max(GetRowHeights(r) + rlw, 0);
    int h = 0;
    for (int r = top; r <= bottom; ++r)
        h += std::max(GetRowHeights(r) + rlw, 0);
    h -= rlw;
    const QRect cell = CellRect(raw, ARow);
    int left = cell.left();
    int right = cell.left() + cell.width();
    const int clw = ColLineWidth();
    for (int c = raw - 1; c >= lo; --c)
        left -= std::max(GetColWidths(c) + clw, 0);
    for (int c = raw + 1; c <= hi; ++c)
        right += std::max(GetColWidths(c) + clw, 0);
    return QRect(left, y, right - left, std::max(h, 0));
}

namespace {

void FillLineStrips(QPainter& Canvas, const QRect& Cell, int ColLine, int RowLine, bool Right, bool Bottom,
                    const QColor& Color)
{
    const int r = Cell.left() + Cell.width();
    const int b = Cell.top() + Cell.height();
    if (Right && ColLine > 0)
        Canvas.fillRect(QRect(r, Cell.top(), ColLine, Cell.height() + RowLine), Color);
    if (Bottom && RowLine > 0)
        Canvas.fillRect(QRect(Cell.left(), b, Cell.width() + ColLine, RowLine), Color);
}

} // namespace

void TZCustomDBGrid::DrawTitleCell(int ACol, int ARow, const QRect& ARect, TGridDrawState /*AState*/)
{
    QPainter& c = *Canvas();
    const int clw = ColLineWidth();
    const int rlw = RowLineWidth();
    const QColor lineColor = palette().color(QPalette::Mid);
    TZColumn* column = ColumnOfRaw(ACol);
    if (!column) {
        FillLineStrips(c, ARect, clw, rlw, true, true, lineColor);
        return;
    }
    TZColumn* master = nullptr;
    const QRect title = CalcTitleRect(column, ARow, master);
    if (!master)
        master = column;
    // The cell with its line strips; the title paints over inner lines of its span.
    const QRect clip(ARect.left(), ARect.top(), ARect.width() + clw, ARect.height() + rlw);
    TCanvasState state(c);
    c.setClipRect(clip);
    const QColor fill = ToQColor(GetTrueColor(master->Title()->GetColor(), FFixedColorValue, FFixedColorValue));
    c.fillRect(title, fill);

    const int bands = (FOptions & dgTitleHeaders) && master->Depth() <= ARow ? master->Title()->HeaderCount() : 0;
    if (bands > 0 && FHeaderRowHeight > 0) {
        // Bands sit at the top of the title, merged with equal neighbours.
        const QStringList texts = HeaderTexts(master);
        c.setFont(FHeaderFont);
        const QColor bandColor = ToQColor(GetTrueColor(FHeaderColor, FFixedColorValue, FFixedColorValue));
        for (int k = 0; k < bands; ++k) {
            const QRect band = HeaderRect(master, k, title);
            c.fillRect(band, bandColor);
            c.setPen(palette().color(QPalette::ButtonText));
            WriteText(c, band, 2, texts.value(k).isEmpty() ? QStringLiteral(" ") : texts.value(k), taCenter,
                      tvCenter, false, true);
            FillLineStrips(c, band, clw, rlw, true, true, lineColor);
        }
    }

    const QRect captionRect = TitleCaptionRect(master, ARow, title);
    // The auto-filter button and the sort marker take their room at the end of the caption.
    QRect textRect = captionRect;
    DrawTitleFilterButton(c, master, textRect);
    DrawTitleMarker(c, master, textRect);
    c.setFont(master->Title()->GetFont());
    c.setPen(palette().color(QPalette::ButtonText));
    WriteText(c, textRect, FGridStyle->TitleColMargin() + 1, master->Title()->GetCaption(),
              master->Title()->GetAlignment(), master->Title()->GetVAlignment(), master->Title()->GetWordWrap(),
              master->Title()->GetEllipsis());
    // The frame of the caption: its right and lower lines (the bands have their own).
    FillLineStrips(c, captionRect, clw, rlw, true, true, lineColor);
}

// ---- Data, indicator and bottom cells --------------------------------------------------

void TZCustomDBGrid::DrawIndicatorCell(int ARow, const QRect& ARect, TGridDrawState /*AState*/)
{
    QPainter& c = *Canvas();
    const QColor lineColor = palette().color(QPalette::Mid);
    FillLineStrips(c, ARect, ColLineWidth(), RowLineWidth(), true, true, lineColor);
    if (!FDataLink->Active() || FIndicators.isNull())
        return;
    if (ARow - FTitleRowCount != FDataLink->ActiveRecord() || FDataLink->RecordCount() == 0)
        return;
    int index = PackageImages::IndicatorCurrent;
    if (TDataSet* dataSet = DataSet()) {
        if (dataSet->State() == dsEdit)
            index = PackageImages::IndicatorEdit;
        else if (dataSet->State() == dsInsert)
            index = PackageImages::IndicatorInsert;
    }
    if (IsRowSelected())
        index = PackageImages::IndicatorCurrentSelected;
    const QPixmap glyph = PackageBitmapImage(FIndicators, index);
    const QSizeF size = glyph.deviceIndependentSize();
    const QPointF at(ARect.left() + (ARect.width() - size.width()) / 2.0,
                     ARect.top() + (ARect.height() - size.height()) / 2.0);
    TCanvasState state(c);
    c.setClipRect(ARect);
    c.drawPixmap(at, glyph);
}

bool TZCustomDBGrid::CellHighlighted(int DataCol, TGridDrawState AState) const
{
    // The current cell (the row with dgRowSelect), and the multi-selected
    // rows, columns or cells of the record being painted.
    if (AState & (gdSelected | gdRowSelected))
        return true;
    return FDataLink->Active() && MultiSelected() && IsCellMultiSelected(DataCol);
}

void TZCustomDBGrid::DrawRecordCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState)
{
    QPainter& c = *Canvas();
    TZColumn* column = ColumnOfRaw(ACol);
    if (!column)
        return;
    const int dataCol = RawToDataColumn(ACol);
    const int record = ARow - FTitleRowCount;
    const bool hasRecord = FDataLink->Active() && record >= 0 && record < FDataLink->RecordCount();
    std::optional<TZActiveRecordGuard> guard;
    if (hasRecord)
        guard.emplace(FDataLink.get(), record);

    // Selected cells in the palette's highlight colours (inactive ones while
    // the grid has no focus), the others in the column's colour.
    const bool highlighted = hasRecord ? CellHighlighted(dataCol, AState) : bool(AState & gdSelected);
    const QPalette::ColorGroup group = IsActiveControl() ? QPalette::Active : QPalette::Inactive;
    const QPalette pal = palette();
    c.fillRect(ARect, highlighted ? pal.color(group, QPalette::Highlight)
                                  : ToQColor(GetTrueColor(column->GetColor(), FColorValue, FColorValue)));
    c.setPen(pal.color(group, highlighted ? QPalette::HighlightedText : QPalette::Text));
    c.setBrush(Qt::NoBrush);
    c.setFont(column->GetFont());
    if (!hasRecord)
        return;
    PaintColumnCell(ARect, dataCol, column, AState);
    if (GetDefaultDrawing()) {
        // A tree column: the indentation and expand box, the text beside them.
        const QRect content = FTreeView ? FTreeView->PaintTreeCell(c, column, ARect) : ARect;
        DefaultDrawColumnCell(content, dataCol, column, AState);
    }
    if (FColumns->State() == csDefault)
        DrawDataCell(ARect, column->GetField(), AState);
    DrawColumnCell(ARect, dataCol, column, AState);
}

void TZCustomDBGrid::DefaultDrawColumnCell(const QRect& ARect, int DataCol, TZColumn* Column,
                                           TGridDrawState /*AState*/)
{
    QPainter* c = Canvas();
    if (!c || !Column)
        return;
    if (Column->GetCheckBox() && !FCheckBoxes.isNull()) {
        // The check glyph instead of the text: checked, unchecked, or grayed
        // for a value that is neither.
        const int state = Column->IsCheckBoxValue(true) ? 1 : Column->IsCheckBoxValue(false) ? 0 : 2;
        const QPixmap glyph =
            PackageBitmapImage(FCheckBoxes, PackageImages::CheckBoxIndex(int(Column->GetCheckBoxKind()), state));
        const QSize size = glyph.deviceIndependentSize().toSize();
        int x = ARect.left() + (ARect.width() - size.width()) / 2;
        if (Column->GetAlignment() == taLeftJustify)
            x = ARect.left() + 2;
        else if (Column->GetAlignment() == taRightJustify)
            x = ARect.left() + ARect.width() - size.width() - 2;
        TCanvasState clip(*c);
        c->setClipRect(ARect, Qt::IntersectClip);
        c->drawPixmap(QPoint(x, ARect.top() + (ARect.height() - size.height()) / 2), glyph);
        return;
    }
    WriteText(*c, ARect, 2, Column->GetDisplayText(), Column->GetAlignment(), Column->GetVAlignment(),
              Column->GetWordWrap() && FLinesCount > 1, Column->GetEllipsis());
    PaintSearchHit(*c, DataCol);
}

void TZCustomDBGrid::PaintColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState)
{
    if (OnPaintColumnCell)
        OnPaintColumnCell(this, ARect, DataCol, Column, AState);
}

void TZCustomDBGrid::DrawDataCell(const QRect& ARect, TField* Field, TGridDrawState AState)
{
    if (OnDrawDataCell)
        OnDrawDataCell(this, ARect, Field, AState);
}

void TZCustomDBGrid::DrawColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState)
{
    if (OnDrawColumnCell)
        OnDrawColumnCell(this, ARect, DataCol, Column, AState);
}

void TZCustomDBGrid::DrawBottomCell(int ACol, int ARow, const QRect& ARect, TGridDrawState /*AState*/)
{
    QPainter& c = *Canvas();
    TZColumn* column = ACol >= FIndicatorOffset ? ColumnOfRaw(ACol) : nullptr;
    const int index = ARow - (GetRowCount() - FBottomRowCount) - ((FOptionsEx & dgBlankRow) ? 1 : 0);
    TZColumnTotal* total = column && index >= 0 ? column->GetTotalRows(index) : nullptr;
    if (!total) {
        c.fillRect(ARect, ToQColor(FFixedColorValue));
    } else {
        c.fillRect(ARect, ToQColor(total->GetColor()));
        c.setFont(total->GetFont());
        c.setPen(palette().color(QPalette::ButtonText));
        const QRect text = ARect.adjusted(0, 0, -ColLineWidth(), -RowLineWidth());
        WriteText(c, text, FGridStyle->TotalColMargin() + 2, GetTotalText(column, index, tkDisplay),
                  total->GetAlignment(), total->GetVAlignment(), total->GetWordWrap(), total->GetEllipsis());
    }
    FillLineStrips(c, ARect, ColLineWidth(), RowLineWidth(), true, true, palette().color(QPalette::Mid));
}

void TZCustomDBGrid::DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState)
{
    if (!Canvas() || !FColumns)
        return;
    const bool bottom = FBottomRowCount > 0 && ARow >= GetRowCount() - FBottomRowCount;
    if (ACol < FIndicatorOffset) {
        if (ARow < FTitleRowCount || bottom) {
            FillLineStrips(*Canvas(), ARect, ColLineWidth(), RowLineWidth(), true, true,
                           palette().color(QPalette::Mid));
            if (bottom)
                DrawBottomCell(ACol, ARow, ARect, AState);
        } else {
            DrawIndicatorCell(ARow, ARect, AState);
        }
        return;
    }
    if (ARow < FTitleRowCount)
        DrawTitleCell(ACol, ARow, ARect, AState);
    else if (bottom)
        DrawBottomCell(ACol, ARow, ARect, AState);
    else
        DrawRecordCell(ACol, ARow, ARect, AState);
}

QString TZCustomDBGrid::CellText(int ACol, int ARow)
{
    TZColumn* column = ColumnOfRaw(ACol);
    if (!column || ARow < 0 || ARow >= GetRowCount())
        return QString();
    if (ARow < FTitleRowCount) {
        TZColumn* master = ColumnAtDepth(column, ARow);
        return master ? master->Title()->GetCaption() : QString();
    }
    if (FBottomRowCount > 0 && ARow >= GetRowCount() - FBottomRowCount)
        return QString();
    if (!FDataLink->Active())
        return QString();
    const int record = ARow - FTitleRowCount;
    if (record >= FDataLink->RecordCount())
        return QString();
    TZActiveRecordGuard guard(FDataLink.get(), record);
    return column->GetDisplayText();
}

} // namespace zdb

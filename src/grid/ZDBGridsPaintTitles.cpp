// TZCustomDBGrid painting of the fixed parts: titles with their merged header
// bands, the top-left filler and the indicator column.

#include "ZDBGrids.h"
#include "ZDBGridsPaint.h"

#include <QPainter>

#include <algorithm>

namespace zdb {

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

void TZCustomDBGrid::DrawTitleCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState)
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
    // A title button under the pointer (dgHotButtons) or pressed (dgTitleButtons).
    const bool hot = (AState & gdHotTrack) && (FOptions & dgHotButtons) && !IsDesigning();
    const bool pressed = (AState & gdPressed) && (FOptions & dgTitleButtons);
    const QRect captionRect = TitleCaptionRect(master, ARow, title);
    DrawFixedBack(c, title, fill, false, false);
    if (hot || pressed)
        DrawFixedBack(c, captionRect, fill, hot, pressed);

    const int bands = (FOptions & dgTitleHeaders) && master->Depth() <= ARow ? master->Title()->HeaderCount() : 0;
    if (bands > 0 && FHeaderRowHeight > 0) {
        // Bands sit at the top of the title, merged with equal neighbours.
        const QStringList texts = HeaderTexts(master);
        c.setFont(FHeaderFont);
        const QColor bandColor = ToQColor(GetTrueColor(FHeaderColor, FFixedColorValue, FFixedColorValue));
        for (int k = 0; k < bands; ++k) {
            const QRect band = HeaderRect(master, k, title);
            DrawFixedBack(c, band, bandColor, false, false);
            c.setPen(ReadableColor(bandColor, palette().color(QPalette::ButtonText), palette().color(QPalette::Text)));
            WriteFixedText(c, band, 2, texts.value(k).isEmpty() ? QStringLiteral(" ") : texts.value(k), taCenter,
                      tvCenter, false, true);
            FillLineStrips(c, band, clw, rlw, true, true, lineColor);
        }
    }

    // The auto-filter button and the sort marker take their room at the end of the caption.
    QRect textRect = captionRect;
    c.setPen(ReadableColor(fill, palette().color(QPalette::ButtonText), palette().color(QPalette::Text)));
    DrawTitleFilterButton(c, master, textRect);
    DrawTitleMarker(c, master, textRect);
    c.setFont(master->Title()->GetFont());
    WriteFixedText(c, textRect, FGridStyle->TitleColMargin() + 1, master->Title()->GetCaption(),
              master->Title()->GetAlignment(), master->Title()->GetVAlignment(), master->Title()->GetWordWrap(),
              master->Title()->GetEllipsis());
    // The frame of the caption: its right and lower lines (the bands have their own).
    FillLineStrips(c, captionRect, clw, rlw, true, true, lineColor);
}

// ---- Indicator ------------------------------------------------------------------------

void TZCustomDBGrid::DrawIndicatorCell(int ARow, const QRect& ARect, TGridDrawState /*AState*/)
{
    QPainter& c = *Canvas();
    const QColor lineColor = palette().color(QPalette::Mid);
    DrawFixedBack(c, ARect, ToQColor(FFixedColorValue), false, false);
    FillLineStrips(c, ARect, ColLineWidth(), RowLineWidth(), true, true, lineColor);
    const int record = ARow - FTitleRowCount;
    if (!FDataLink->Active() || FIndicators.isNull() || record < 0 || record >= FDataLink->RecordCount())
        return;
    // The current row: its state; another row: a dot while it is selected.
    int index = -1;
    if (record == FDataLink->ActiveRecord()) {
        index = PackageImages::IndicatorCurrent;
        if (TDataSet* dataSet = DataSet()) {
            if (dataSet->State() == dsEdit)
                index = PackageImages::IndicatorEdit;
            else if (dataSet->State() == dsInsert)
                index = PackageImages::IndicatorInsert;
        }
        if (index == PackageImages::IndicatorCurrent && IsRowSelected())
            index = PackageImages::IndicatorCurrentSelected;
    } else if (RowsSelected()) {
        TZActiveRecordGuard guard(FDataLink.get(), record);
        if (IsRowSelected())
            index = PackageImages::IndicatorMultiSelected;
    }
    if (index < 0)
        return;
    TCanvasState state(c);
    c.setClipRect(ARect, Qt::IntersectClip);
    DrawStripImage(c, ARect, FIndicators, index);
}

} // namespace zdb

// TCustomGrid painting: only the cells that intersect the exposed area are
// visited, starting at LeftCol/TopRow, so the cost follows the client size,
// not the number of rows or columns.

#include "Grids.h"

#include "AppExceptions.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <utility>

namespace zdb {

namespace {

// Sets the grid's canvas for the duration of a paint.
class CanvasScope
{
public:
    CanvasScope(QPainter*& Slot, QPainter* Painter) : FSlot(Slot) { FSlot = Painter; }
    ~CanvasScope() { FSlot = nullptr; }
    CanvasScope(const CanvasScope&) = delete;
    CanvasScope& operator=(const CanvasScope&) = delete;

private:
    QPainter*& FSlot;
};

} // namespace

TCanvasState::TCanvasState(QPainter& Canvas) : FCanvas(&Canvas)
{
    FCanvas->save();
}

void TCanvasState::Restore()
{
    if (FCanvas)
        std::exchange(FCanvas, nullptr)->restore();
}

void TCustomGrid::paintEvent(QPaintEvent* Event)
{
    QPainter painter(viewport());
    CanvasScope scope(FCanvas, &painter);
    FUpdateRegion = Event->region();
    painter.setFont(font());
    FPaintError = nullptr;
    GuardEvent(this, [this] {
        Paint();
        // A cell whose painting failed stays blank; its error is reported
        // after the other cells were painted, and only once while the paints
        // keep failing (reporting may itself cause the next paint).
        const std::exception_ptr error = std::exchange(FPaintError, nullptr);
        const bool report = error && !FPaintFailing;
        FPaintFailing = error != nullptr;
        if (report)
            std::rethrow_exception(error);
    });
}

void TCustomGrid::DrawCell(int /*ACol*/, int /*ARow*/, const QRect& /*ARect*/, TGridDrawState /*AState*/) {}

void TCustomGrid::DrawFocusRect(const QRect& ARect, const QColor& Background)
{
    QStyleOptionFocusRect opt;
    opt.initFrom(this);
    opt.rect = ARect;
    opt.backgroundColor = Background;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, FCanvas, this);
}

void TCustomGrid::Paint()
{
    if (!FCanvas)
        return;
    QPainter* c = FCanvas;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const auto& H = di.Horz;
    const auto& V = di.Vert;

    if (H.EffectiveLineWidth > 0 || V.EffectiveLineWidth > 0) {
        const QColor fixedLine = palette().color(QPalette::Dark);
        const bool fixedHorz = FOptions & goFixedHorzLine;
        const bool fixedVert = FOptions & goFixedVertLine;
        DrawLines(di, fixedHorz, fixedVert, 0, 0, QRect(0, 0, H.FixedBoundary, V.FixedBoundary), fixedLine);
        DrawLines(di, fixedHorz, fixedVert, FTopLeft.X, 0,
                  QRect(H.FixedBoundary, 0, H.GridBoundary - H.FixedBoundary, V.FixedBoundary), fixedLine);
        DrawLines(di, fixedHorz, fixedVert, 0, FTopLeft.Y,
                  QRect(0, V.FixedBoundary, H.FixedBoundary, V.GridBoundary - V.FixedBoundary), fixedLine);
        DrawLines(di, FOptions & goHorzLine, FOptions & goVertLine, FTopLeft.X, FTopLeft.Y,
                  QRect(H.FixedBoundary, V.FixedBoundary, H.GridBoundary - H.FixedBoundary,
                        V.GridBoundary - V.FixedBoundary),
                  DataLineColor());
    }

    DrawCells(di, 0, 0, 0, 0, H.FixedBoundary, V.FixedBoundary, FFixedColor, gdFixed);
    DrawCells(di, FTopLeft.X, 0, H.FixedBoundary, 0, H.GridBoundary, V.FixedBoundary, FFixedColor, gdFixed);
    DrawCells(di, 0, FTopLeft.Y, 0, V.FixedBoundary, H.FixedBoundary, V.GridBoundary, FFixedColor, gdFixed);
    DrawCells(di, FTopLeft.X, FTopLeft.Y, H.FixedBoundary, V.FixedBoundary, H.GridBoundary, V.GridBoundary,
              FColor, {});

    // The focus frame of a whole selected row.
    if (FDefaultDrawing && (FOptions & goRowSelect) && IsActiveControl() && FCurrent.Y >= FTopLeft.Y &&
        FCurrent.Y <= V.LastFullVisibleCell + 1) {
        const QRect r = BoxRect(FFixedCols, FCurrent.Y, FColCount - 1, FCurrent.Y);
        if (!r.isEmpty())
            DrawFocusRect(r, palette().color(QPalette::Highlight));
    }

    // The area beyond the cells.
    if (H.GridBoundary < H.GridExtent)
        c->fillRect(QRect(H.GridBoundary, 0, H.GridExtent - H.GridBoundary, V.GridBoundary), FColor);
    if (V.GridBoundary < V.GridExtent)
        c->fillRect(QRect(0, V.GridBoundary, H.GridExtent, V.GridExtent - V.GridBoundary), FColor);

    PaintOverlays(di);
}

void TCustomGrid::DrawLines(const TGridDrawInfo& DrawInfo, bool DoHorz, bool DoVert, int StartCol, int StartRow,
                            const QRect& Area, const QColor& LineColor)
{
    if (Area.width() <= 0 || Area.height() <= 0)
        return;
    QPainter* c = FCanvas;
    const int stopX = Area.left() + Area.width();
    const int stopY = Area.top() + Area.height();
    if (DoVert && DrawInfo.Horz.EffectiveLineWidth > 0) {
        const int lw = DrawInfo.Horz.EffectiveLineWidth;
        int x = Area.left();
        for (int col = StartCol; col < FColCount && x < stopX; ++col) {
            const int w = GetColWidths(col);
            if (w + lw <= 0)
                continue;
            x += std::max(0, w);
            c->fillRect(QRect(x, Area.top(), lw, Area.height()), LineColor);
            x += lw;
        }
    }
    if (DoHorz && DrawInfo.Vert.EffectiveLineWidth > 0) {
        const int lw = DrawInfo.Vert.EffectiveLineWidth;
        int y = Area.top();
        for (int row = StartRow; row < FRowCount && y < stopY; ++row) {
            const int h = GetRowHeights(row);
            if (h + lw <= 0)
                continue;
            y += std::max(0, h);
            c->fillRect(QRect(Area.left(), y, Area.width(), lw), LineColor);
            y += lw;
        }
    }
}

void TCustomGrid::DrawCells(const TGridDrawInfo& DrawInfo, int ACol, int ARow, int StartX, int StartY, int StopX,
                            int StopY, const QColor& AColor, TGridDrawState IncludeDrawState)
{
    QPainter* c = FCanvas;
    const TGridRect sel = GetSelection();
    const bool focused = IsActiveControl();
    const bool editorShown = FInplaceEdit && FInplaceEdit->isVisible() && FInplaceCol >= 0;
    const bool fixed = IncludeDrawState & gdFixed;
    const bool edges = fixed && FDefaultDrawing && (FOptions & (goFixedVertLine | goFixedHorzLine));
    const QPalette pal = palette();

    int top = StartY;
    for (int row = ARow; row < FRowCount && top < StopY; ++row) {
        const int h = GetRowHeights(row);
        const int bottom = std::min(top + h, StopY);
        // Only the cells the paint event asks for: two rows and the indicator
        // column repaint two rows, not the box around them.
        if (h > 0 && bottom > top && FUpdateRegion.intersects(QRect(StartX, top, StopX - StartX, bottom - top))) {
            int left = StartX;
            for (int col = ACol; col < FColCount && left < StopX; ++col) {
                const int w = GetColWidths(col);
                const int right = std::min(left + w, StopX);
                // A cell cut by the end of its area is drawn whole and clipped to
                // the part that shows (with its grid lines, which a cell may paint
                // itself), so its content keeps its place: the user sees that the
                // cell goes on beyond the edge.
                const QRect cell(left, top, w, h);
                const QRect where(left, top, right - left, bottom - top);
                const QRect clip(left, top, std::min(left + w + DrawInfo.Horz.EffectiveLineWidth, StopX) - left,
                                 std::min(top + h + DrawInfo.Vert.EffectiveLineWidth, StopY) - top);
                if (w > 0 && right > left && FUpdateRegion.intersects(where)) {
                    TGridDrawState state = IncludeDrawState;
                    const bool isCurrent = row == FCurrent.Y && col == FCurrent.X;
                    if (focused && isCurrent)
                        state |= gdFocused;
                    if (!fixed && sel.Contains(col, row))
                        state |= gdSelected;
                    if (!fixed && (FOptions & goRowSelect) && row == FCurrent.Y)
                        state |= gdRowSelected;
                    if (col == FHotTrackCell.X && row == FHotTrackCell.Y)
                        state |= FHotTrackPressed ? gdPressed : gdHotTrack;
                    const bool underEditor = editorShown && col == FInplaceCol && row == FInplaceRow;
                    if (!underEditor) {
                        TCanvasState clipState(*c);
                        c->setClipRect(clip, Qt::IntersectClip);
                        TCanvasState cellState(*c);
                        QColor brush = AColor;
                        QColor text = pal.color(fixed ? QPalette::ButtonText : QPalette::Text);
                        if ((state & gdSelected) &&
                            (!(state & gdFocused) || (FOptions & (goDrawFocusSelected | goRowSelect)))) {
                            brush = pal.color(QPalette::Highlight);
                            text = pal.color(QPalette::HighlightedText);
                        } else if (state & gdPressed) {
                            brush = AColor.darker(112);
                        } else if (state & gdHotTrack) {
                            brush = AColor.lighter(106);
                        }
                        c->setBrush(brush);
                        c->setPen(text);
                        if (FDefaultDrawing)
                            c->fillRect(where, brush);
                        try {
                            DrawCell(col, row, cell, state);
                        } catch (...) {
                            if (!FPaintError)
                                FPaintError = std::current_exception();
                        }
                        cellState.Restore();
                        if (edges) {
                            c->setPen(pal.color((state & gdPressed) ? QPalette::Mid : QPalette::Light));
                            c->drawLine(cell.topLeft(), cell.topRight());
                            c->drawLine(cell.topLeft(), cell.bottomLeft());
                            c->setPen(pal.color((state & gdPressed) ? QPalette::Light : QPalette::Mid));
                            c->drawLine(cell.bottomLeft(), cell.bottomRight());
                            c->drawLine(cell.topRight(), cell.bottomRight());
                        }
                        if (FDefaultDrawing && (state & gdFocused) && !(FOptions & goRowSelect) &&
                            (FOptions & (goEditing | goAlwaysShowEditor)) != (goEditing | goAlwaysShowEditor)) {
                            DrawFocusRect(cell, brush);
                        }
                    }
                }
                left += std::max(0, w + DrawInfo.Horz.EffectiveLineWidth);
            }
        }
        top += std::max(0, h + DrawInfo.Vert.EffectiveLineWidth);
    }
}

void TCustomGrid::PaintOverlays(const TGridDrawInfo& DrawInfo)
{
    QPainter* c = FCanvas;
    if (FGridState == gsColSizing || FGridState == gsRowSizing) {
        QPen pen(palette().color(QPalette::Text), 1, Qt::DotLine);
        c->setPen(pen);
        if (FGridState == gsColSizing)
            c->drawLine(FSizingPos, 0, FSizingPos, DrawInfo.Vert.GridExtent);
        else
            c->drawLine(0, FSizingPos, DrawInfo.Horz.GridExtent, FSizingPos);
    } else if ((FGridState == gsColMoving || FGridState == gsRowMoving) && FMovePos >= 0 && FMovePos != FMoveIndex) {
        const QColor mark = palette().color(QPalette::Highlight);
        if (FGridState == gsColMoving) {
            const QRect r = BoxRect(FMovePos, 0, FMovePos, FRowCount - 1);
            if (!r.isEmpty()) {
                const int x = FMovePos < FMoveIndex ? r.left() : r.left() + r.width();
                c->fillRect(QRect(x - 1, 0, 3, DrawInfo.Vert.GridBoundary), mark);
            }
        } else {
            const QRect r = BoxRect(0, FMovePos, FColCount - 1, FMovePos);
            if (!r.isEmpty()) {
                const int y = FMovePos < FMoveIndex ? r.top() : r.top() + r.height();
                c->fillRect(QRect(0, y - 1, DrawInfo.Horz.GridBoundary, 3), mark);
            }
        }
    }
}

// ---- Invalidation -------------------------------------------------------------

void TCustomGrid::InvalidateRect(const TGridRect& ARect)
{
    const QRect r = GridRectToScreenRect(ARect, true);
    if (!r.isEmpty())
        viewport()->update(r);
}

void TCustomGrid::InvalidateCell(int ACol, int ARow)
{
    InvalidateRect({ACol, ARow, ACol, ARow});
}

void TCustomGrid::InvalidateCol(int ACol)
{
    InvalidateRect({ACol, 0, ACol, FRowCount - 1});
}

void TCustomGrid::InvalidateRow(int ARow)
{
    InvalidateRect({0, ARow, FColCount - 1, ARow});
}

void TCustomGrid::InvalidateGrid()
{
    viewport()->update();
}

} // namespace zdb

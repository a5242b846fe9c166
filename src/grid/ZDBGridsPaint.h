#pragma once
// Small drawing helpers shared by the grid's painting sources.

#include <QColor>
#include <QPainter>
#include <QPixmap>
#include <QRect>

namespace zdb {

// The right and lower line strips of a cell that paints its own lines.
inline void FillLineStrips(QPainter& Canvas, const QRect& Cell, int ColLine, int RowLine, bool Right, bool Bottom,
                           const QColor& Color)
{
    const int r = Cell.left() + Cell.width();
    const int b = Cell.top() + Cell.height();
    if (Right && ColLine > 0)
        Canvas.fillRect(QRect(r, Cell.top(), ColLine, Cell.height() + RowLine), Color);
    if (Bottom && RowLine > 0)
        Canvas.fillRect(QRect(Cell.left(), b, Cell.width() + ColLine, RowLine), Color);
}

// A mixed with B: WeightOfA parts of 100 of A.
inline QColor MixColors(const QColor& A, const QColor& B, int WeightOfA)
{
    auto mix = [&](int x, int y) { return (x * WeightOfA + y * (100 - WeightOfA)) / 100; };
    return QColor(mix(A.red(), B.red()), mix(A.green(), B.green()), mix(A.blue(), B.blue()));
}

// Image Index of a strip of square images, centred in Box (device-independent
// pixels), without copying it out of the strip.
inline void DrawStripImage(QPainter& Canvas, const QRect& Box, const QPixmap& Strip, int Index)
{
    const int size = Strip.height();
    if (size <= 0 || Index < 0 || (Index + 1) * size > Strip.width())
        return;
    const qreal side = size / Strip.devicePixelRatio();
    const int offset = int(side);
    const QRectF target(Box.left() + (Box.width() - offset) / 2, Box.top() + (Box.height() - offset) / 2, side, side);
    Canvas.drawPixmap(target, Strip, QRectF(Index * size, 0, size, size));
}

} // namespace zdb

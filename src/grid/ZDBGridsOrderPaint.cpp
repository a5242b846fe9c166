// Sort markers in column titles: image MarkerIndex of the "ZDBMARKERS" strip
// (ascending points up; positions 1..9 carry their number), drawn at the end
// of the caption, which keeps the rest of the title.

#include "ZDBGrids.h"

#include <QPainter>

namespace zdb {

const QPixmap& TZCustomDBGrid::MarkerBitmap() const
{
    const qreal scale = CurrentPPI() * devicePixelRatioF();
    if (FMarkers.isNull() || scale != FMarkersScale) {
        FMarkers = LoadPackageBitmap(QStringLiteral("ZDBMARKERS"), CurrentPPI(), devicePixelRatioF());
        FMarkersScale = scale;
    }
    return FMarkers;
}

void TZCustomDBGrid::DrawTitleMarker(QPainter& Canvas, TZColumn* Column, QRect& ARect)
{
    const int index = Column ? Column->Title()->GetMarkerIndex() : -1;
    if (index < 0 || index >= PackageImages::MarkerCount)
        return;
    const QPixmap glyph = PackageBitmapImage(MarkerBitmap(), index);
    if (glyph.isNull())
        return;
    const QSizeF size = glyph.deviceIndependentSize();
    const int room = int(size.width()) + 2;
    if (ARect.width() <= room)
        return;
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    const qreal x = rightToLeft ? ARect.left() + 2 : ARect.right() - room + 1;
    const qreal y = ARect.top() + (ARect.height() - size.height()) / 2.0;
    Canvas.drawPixmap(QPointF(x, y), glyph);
    if (rightToLeft)
        ARect.setLeft(ARect.left() + room);
    else
        ARect.setRight(ARect.right() - room);
}

} // namespace zdb

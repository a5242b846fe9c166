// Sort markers in column titles: the arrow of the "ZDBMARKERS" strip
// (ascending points up) at the end of the caption, followed for a numbered
// marker (position k >= 1 of a multi-column order) by k in a bold font sized
// from the arrow, so that it stays legible at every density. The caption keeps
// the rest of the title.

#include "ZDBGrids.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QtMath>

#include <algorithm>

namespace zdb {

namespace {

// The columns of Glyph (in device pixels) that hold any visible pixel.
QRect OpaqueColumns(const QPixmap& Glyph)
{
    const QImage image = Glyph.toImage().convertToFormat(QImage::Format_ARGB32);
    int left = image.width();
    int right = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) > 0) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    }
    if (right < left)
        return QRect(0, 0, image.width(), image.height());
    return QRect(left, 0, right - left + 1, image.height());
}

} // namespace

const QPixmap& TZCustomDBGrid::MarkerBitmap() const
{
    const qreal scale = CurrentPPI() * FGlyphRatio;
    if (FMarkers.isNull() || scale != FMarkersScale) {
        FMarkers = PaletteGlyph(LoadPackageBitmap(QStringLiteral("ZDBMARKERS"), CurrentPPI(), FGlyphRatio));
        FMarkersScale = scale;
        FMarkerGlyphs = {};
    }
    return FMarkers;
}

const TZCustomDBGrid::TMarkerGlyph& TZCustomDBGrid::MarkerGlyph(bool Descending) const
{
    const QPixmap& strip = MarkerBitmap();
    TMarkerGlyph& marker = FMarkerGlyphs[Descending ? 1 : 0];
    if (marker.Glyph.isNull() && !strip.isNull()) {
        marker.Glyph = PackageBitmapImage(strip, Descending ? 1 : 0);
        marker.Arrow = OpaqueColumns(marker.Glyph);
    }
    return marker;
}

void TZCustomDBGrid::DrawTitleMarker(QPainter& Canvas, TZColumn* Column, QRect& ARect)
{
    const int index = Column ? Column->Title()->GetMarkerIndex() : -1;
    if (index < 0 || index >= PackageImages::MarkerCount)
        return;
    // The unnumbered arrow of the same direction; the number is drawn here.
    const TMarkerGlyph& marker = MarkerGlyph(index & 1);
    const QPixmap& glyph = marker.Glyph;
    if (glyph.isNull())
        return;
    const qreal ratio = glyph.devicePixelRatio();
    const QRect arrow = marker.Arrow;
    const TMarkerStyle markerStyle = ActiveMarkerStyle();
    // msSmall: the arrow at two thirds of its size.
    const qreal shrink = markerStyle == msSmall ? 2.0 / 3.0 : 1.0;
    const QSizeF arrowSize(arrow.width() / ratio * shrink, arrow.height() / ratio * shrink);
    const int position = index / 2;

    QFont numberFont = Column->Title()->GetFont();
    numberFont.setBold(true);
    numberFont.setPixelSize(std::max(7, qRound(arrowSize.height() * 0.7)));
    const QString number = position > 0 ? QString::number(position) : QString();
    const qreal numberWidth = number.isEmpty() ? 0 : QFontMetricsF(numberFont).horizontalAdvance(number) + 1;

    const int margin = 2;
    const int room = qCeil(arrowSize.width() + numberWidth) + 2 * margin;
    if (ARect.width() <= room)
        return;
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    const qreal left = rightToLeft ? ARect.left() + margin : ARect.right() + 1 - room + margin;
    const qreal top = ARect.top() + (ARect.height() - arrowSize.height()) / 2.0;
    const QRectF arrowBox(QPointF(left, top), arrowSize);
    if (MarkerOpaque()) {
        // A backdrop of its own under arrow and number, in a tone of the ink.
        QColor backdrop = Canvas.pen().color();
        backdrop.setAlpha(40);
        Canvas.save();
        Canvas.setRenderHint(QPainter::Antialiasing);
        Canvas.setPen(Qt::NoPen);
        Canvas.setBrush(backdrop);
        Canvas.drawRoundedRect(QRectF(left - 1.5, top - 1.5, arrowSize.width() + numberWidth + 3,
                                      arrowSize.height() + 3),
                               2.5, 2.5);
        Canvas.restore();
    }
    if (markerStyle == msSystem) {
        // The Qt style's sort indicator in the arrow's box.
        QStyleOptionHeader option;
        option.initFrom(this);
        option.rect = arrowBox.toAlignedRect();
        option.sortIndicator = (index & 1) ? QStyleOptionHeader::SortDown : QStyleOptionHeader::SortUp;
        option.palette.setColor(QPalette::ButtonText, Canvas.pen().color());
        option.palette.setColor(QPalette::Text, Canvas.pen().color());
        option.palette.setColor(QPalette::WindowText, Canvas.pen().color());
        style()->drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &option, &Canvas, this);
    } else {
        Canvas.drawPixmap(arrowBox, glyph, QRectF(arrow));
    }
    if (!number.isEmpty()) {
        Canvas.save();
        Canvas.setFont(numberFont);
        Canvas.setPen(Canvas.pen().color());
        const QRectF box(left + arrowSize.width() + 1, ARect.top(), numberWidth, ARect.height());
        Canvas.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, number);
        Canvas.restore();
    }
    if (rightToLeft)
        ARect.setLeft(ARect.left() + room);
    else
        ARect.setRight(ARect.right() - room);
}

} // namespace zdb

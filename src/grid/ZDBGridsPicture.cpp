// Pictures in data cells. Decoded pictures are kept in a small cache keyed by the stored
// bytes, with their last scaled copy, so that repainting a row decodes nothing.

#include "ZDBGridsPicture.h"

#include "ZDBFields.h"
#include "ZDBGrids.h"

#include <QCache>
#include <QPaintDevice>
#include <QPainter>

#include <memory>

namespace zdb {

namespace {

struct TCellPicture {
    QImage Image;  // null when the bytes hold no readable picture
    QImage Scaled; // the last size it was drawn at
};

// Costs in kilobytes: 32 MB of decoded pictures.
QCache<QByteArray, TCellPicture>& PictureCache()
{
    static QCache<QByteArray, TCellPicture> cache(32 * 1024);
    return cache;
}

TCellPicture* CachedPicture(const QByteArray& value)
{
    auto& cache = PictureCache();
    if (TCellPicture* found = cache.object(value))
        return found;
    auto entry = std::make_unique<TCellPicture>();
    entry->Image = ReadGraphicImage(value);
    const qsizetype cost = 1 + entry->Image.sizeInBytes() / 1024;
    TCellPicture* result = entry.get();
    // An entry dearer than the whole cache is not kept: QCache deletes it at once.
    if (!cache.insert(value, entry.release(), cost))
        return nullptr;
    return result;
}

} // namespace

bool DrawColumnPicture(QPainter& Canvas, const QRect& ARect, TZColumn* Column)
{
    TField* field = Column ? Column->GetField() : nullptr;
    if (!field || Column->GetAutoNumber() || !field->IsBlob() || IsMemoFieldType(field->DataType()))
        return false;
    if (FieldGraphicClass(field) == gkNone)
        return field->DataType() == ftGraphic;
    const QByteArray value = field->GetValue().toByteArray();
    TCellPicture* picture = CachedPicture(value);
    QImage image = picture ? picture->Image : ReadGraphicImage(value);
    const QRect box = ARect.adjusted(1, 1, -1, -1);
    if (image.isNull() || box.isEmpty())
        return true;
    const QSize size = image.size().scaled(box.size(), Qt::KeepAspectRatio);
    if (size.isEmpty())
        return true;
    const qreal ratio = Canvas.device() ? Canvas.device()->devicePixelRatioF() : 1.0;
    const QSize pixels = (QSizeF(size) * ratio).toSize();
    QImage scaled = picture ? picture->Scaled : QImage();
    if (scaled.size() != pixels) {
        scaled = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(ratio);
        if (picture)
            picture->Scaled = scaled;
    }
    int x = box.left() + (box.width() - size.width()) / 2;
    if (Column->GetAlignment() == taLeftJustify)
        x = box.left();
    else if (Column->GetAlignment() == taRightJustify)
        x = box.left() + box.width() - size.width();
    const int y = box.top() + (box.height() - size.height()) / 2;
    TCanvasState state(Canvas);
    Canvas.setClipRect(ARect, Qt::IntersectClip);
    Canvas.drawImage(QPoint(x, y), scaled);
    return true;
}

} // namespace zdb

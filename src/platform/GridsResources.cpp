// Package bitmaps: strips of square images kept as Qt resources in five scales.

#include "Grids.h"

#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

// Resources of a static library are registered explicitly (outside any namespace).
static void InitPackageResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace zdb {

namespace {

struct ScaleEntry
{
    int Percent;
    const char* Suffix;
};

constexpr std::array<ScaleEntry, 5> Scales{{{100, ""}, {125, "_125"}, {150, "_150"}, {175, "_175"}, {200, "_200"}}};

void EnsureResources()
{
    static const bool done = [] {
        InitPackageResources();
        return true;
    }();
    (void)done;
}

} // namespace

namespace {

// The package images drawn as vectors (one square image each) at Side device
// pixels: a calendar page and a pocket calculator in the text colour.
QPixmap DrawnPackageBitmap(const QString& Name, int Side)
{
    const bool calendar = Name == QLatin1String("ZDBCALENDAR");
    if (!calendar && Name != QLatin1String("ZDBCALCULATOR"))
        return {};
    QPixmap pixmap(Side, Side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(Side / 16.0, Side / 16.0); // drawn on a 16 x 16 grid
    const QColor ink(0x40, 0x40, 0x40);
    p.setPen(QPen(ink, 1.0));
    if (calendar) {
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(1.5, 2.5, 13, 12), 1.2, 1.2);
        p.fillRect(QRectF(2, 3, 12, 3), QColor(0xC0, 0x39, 0x2B));
        p.fillRect(QRectF(4, 1, 1.5, 3), ink);
        p.fillRect(QRectF(10.5, 1, 1.5, 3), ink);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 4; ++col)
                p.fillRect(QRectF(3.25 + col * 2.6, 7.25 + row * 2.3, 1.5, 1.3), ink);
    } else {
        p.setBrush(QColor(0xF4, 0xF4, 0xF4));
        p.drawRoundedRect(QRectF(2.5, 0.5, 11, 15), 1.2, 1.2);
        p.fillRect(QRectF(4, 2, 8, 3), QColor(0x2E, 0x86, 0x5F));
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                p.fillRect(QRectF(4 + col * 2.85, 6.5 + row * 2.9, 2.1, 2.1), ink);
    }
    return pixmap;
}

} // namespace

QString PackageBitmapPath(const QString& Name)
{
    return QStringLiteral(":/zdb/images/%1.png").arg(Name);
}

QPixmap LoadPackageBitmap(const QString& Name, int PPI, qreal DevicePixelRatio)
{
    EnsureResources();
    if (PPI <= 0)
        PPI = 96;
    if (DevicePixelRatio <= 0)
        DevicePixelRatio = 1.0;
    // The scale wanted in device pixels, in per cent.
    const double wanted = PPI * DevicePixelRatio * 100.0 / 96.0;
    const ScaleEntry* best = &Scales[0];
    for (const ScaleEntry& s : Scales) {
        const double d = std::abs(s.Percent - wanted);
        const double bestD = std::abs(best->Percent - wanted);
        if (d < bestD || (d == bestD && s.Percent > best->Percent))
            best = &s;
    }
    QPixmap pixmap(PackageBitmapPath(Name + QLatin1String(best->Suffix)));
    if (pixmap.isNull())
        pixmap = QPixmap(PackageBitmapPath(Name));
    if (pixmap.isNull()) {
        // A drawn image: exactly as many device pixels as its painted size needs.
        const int side = std::max(1, int(std::lround(16.0 * PPI / 96.0 * DevicePixelRatio)));
        pixmap = DrawnPackageBitmap(Name, side);
        if (!pixmap.isNull())
            pixmap.setDevicePixelRatio(side / (16.0 * PPI / 96.0));
        return pixmap;
    }
    // Paints at the 100 % size scaled by PPI / 96, whatever variant was taken.
    const int baseHeight = QImageReader(PackageBitmapPath(Name)).size().height();
    if (baseHeight > 0)
        pixmap.setDevicePixelRatio(pixmap.height() * 96.0 / (baseHeight * double(PPI)));
    return pixmap;
}

int PackageBitmapCount(const QPixmap& Strip)
{
    if (Strip.isNull() || Strip.height() <= 0)
        return 0;
    return Strip.width() / Strip.height();
}

QPixmap PackageBitmapImage(const QPixmap& Strip, int Index)
{
    if (Index < 0 || Index >= PackageBitmapCount(Strip))
        return {};
    const int size = Strip.height();
    QPixmap image = Strip.copy(Index * size, 0, size, size);
    image.setDevicePixelRatio(Strip.devicePixelRatio());
    return image;
}

} // namespace zdb

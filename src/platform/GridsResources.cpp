// Package bitmaps: strips of square images kept as Qt resources in five scales.

#include "Grids.h"

#include <QImageReader>

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
    if (pixmap.isNull())
        return {};
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

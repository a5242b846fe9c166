#pragma once
// Helpers for tests of painted pixels: a dark palette and the colours of an image's area.

#include <QImage>
#include <QPalette>

#include <set>

namespace zdb::test {

// The dark palette of a typical dark desktop theme.
inline QPalette DarkPalette()
{
    QPalette p(QColor(0x35, 0x35, 0x35), QColor(0x2b, 0x2b, 0x2b));
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::AlternateBase, QColor(0x2a, 0x2a, 0x2a));
    p.setColor(QPalette::Text, QColor(0xe6, 0xe6, 0xe6));
    p.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
    p.setColor(QPalette::ButtonText, QColor(0xe6, 0xe6, 0xe6));
    p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0x2a, 0x5a, 0x8a));
    p.setColor(QPalette::ToolTipBase, QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::ToolTipText, QColor(0xe6, 0xe6, 0xe6));
    return p;
}

// The colours of the pixels in Rect.
inline std::set<QRgb> ColoursIn(const QImage& Image, const QRect& Rect)
{
    std::set<QRgb> result;
    for (int y = Rect.top(); y <= Rect.bottom(); ++y)
        for (int x = Rect.left(); x <= Rect.right(); ++x)
            result.insert(Image.pixel(x, y));
    return result;
}

} // namespace zdb::test

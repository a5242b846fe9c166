// Draws the package bitmaps (indicator glyphs, check boxes, expand boxes and
// sort markers) as PNG strips of square images at 100, 125, 150, 175 and 200 %.
//
// Build and run from the repository root:
//   g++ -std=c++20 -fPIC scripts/gen_package_bitmaps.cpp -o /tmp/gen_package_bitmaps
//       $(pkg-config --cflags --libs Qt6Gui)   (one command line)
//   /tmp/gen_package_bitmaps src/platform/images
//
// Every image is drawn in a 16 × 16 design space and scaled, so all scales
// show the same shapes.

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

using DrawFn = std::function<void(QPainter&)>;

const QColor Ink(0x20, 0x20, 0x20);
const QColor Frame(0x40, 0x40, 0x40);
const QColor Gray(0x9A, 0x9A, 0x9A);
const QColor LightGray(0xE4, 0xE4, 0xE4);
const QColor BoxFrame(0x80, 0x80, 0x80);
const QColor MarkerInk(0x50, 0x50, 0x50);

QPen StrokePen(const QColor& c, double w)
{
    QPen pen(c, w);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void FillPolygon(QPainter& p, const QPolygonF& poly, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(poly);
}

// ---- Indicators ----

void Arrow(QPainter& p, double x0, double x1)
{
    FillPolygon(p, QPolygonF({QPointF(x0, 3.5), QPointF(x1, 8), QPointF(x0, 12.5)}), Ink);
}

void IndicatorCurrent(QPainter& p)
{
    Arrow(p, 5, 11);
}

void IndicatorEdit(QPainter& p)
{
    p.setPen(StrokePen(Ink, 1.3));
    p.drawLine(QPointF(8, 3), QPointF(8, 13));
    p.drawLine(QPointF(6, 3), QPointF(10, 3));
    p.drawLine(QPointF(6, 13), QPointF(10, 13));
}

void IndicatorInsert(QPainter& p)
{
    p.setPen(StrokePen(Ink, 1.6));
    p.drawLine(QPointF(8, 3.5), QPointF(8, 12.5));
    p.drawLine(QPointF(4.1, 5.75), QPointF(11.9, 10.25));
    p.drawLine(QPointF(4.1, 10.25), QPointF(11.9, 5.75));
}

void IndicatorMultiSelected(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawEllipse(QPointF(8, 8), 3, 3);
}

void IndicatorCurrentSelected(QPainter& p)
{
    Arrow(p, 2.5, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawEllipse(QPointF(12, 8), 2.2, 2.2);
}

// ---- Check boxes: kind 0 check mark, 1 cross, 2 filled box; state 0, 1, 2 ----

DrawFn CheckBox(int kind, int state)
{
    return [kind, state](QPainter& p) {
        const bool grayed = state == 2;
        p.setPen(StrokePen(Frame, 1));
        p.setBrush(grayed ? LightGray : QColor(Qt::white));
        p.drawRect(QRectF(2.5, 2.5, 11, 11));
        if (state == 0)
            return;
        const QColor mark = grayed ? Gray : Ink;
        switch (kind) {
        case 0:
            p.setPen(StrokePen(mark, 1.8));
            p.setBrush(Qt::NoBrush);
            p.drawPolyline(QPolygonF({QPointF(4.8, 8), QPointF(7, 10.6), QPointF(11.4, 5.2)}));
            break;
        case 1:
            p.setPen(StrokePen(mark, 1.8));
            p.drawLine(QPointF(5.2, 5.2), QPointF(10.8, 10.8));
            p.drawLine(QPointF(10.8, 5.2), QPointF(5.2, 10.8));
            break;
        default:
            p.setPen(Qt::NoPen);
            p.setBrush(mark);
            p.drawRect(QRectF(5, 5, 6, 6));
            break;
        }
    };
}

// ---- Expand boxes: size 0 small, 1 medium, 2 large; collapsed "+", expanded "-" ----

DrawFn ExpandBox(int size, bool expanded)
{
    return [size, expanded](QPainter& p) {
        const double side = 9 + 2 * size;
        const double o = (16 - side) / 2;
        p.setPen(StrokePen(BoxFrame, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(o, o, side, side));
        const double arm = (side - 4) / 2;
        p.setPen(StrokePen(Ink, 1.2));
        p.drawLine(QPointF(8 - arm, 8), QPointF(8 + arm, 8));
        if (!expanded)
            p.drawLine(QPointF(8, 8 - arm), QPointF(8, 8 + arm));
    };
}

// ---- Sort markers: index 2 × position + descending ----

void Digit(QPainter& p, int d)
{
    // Seven segments a b c d e f g.
    static const char* const segments[10] = {"abcdef", "bc", "abged", "abgcd", "fgbc",
                                              "afgcd", "afgedc", "abc", "abcdefg", "abcdfg"};
    const double x0 = 10.8, x1 = 14.6, y0 = 4, ym = 8, y1 = 12;
    p.setPen(StrokePen(MarkerInk, 1.3));
    for (const char* s = segments[d]; *s; ++s) {
        switch (*s) {
        case 'a': p.drawLine(QPointF(x0, y0), QPointF(x1, y0)); break;
        case 'b': p.drawLine(QPointF(x1, y0), QPointF(x1, ym)); break;
        case 'c': p.drawLine(QPointF(x1, ym), QPointF(x1, y1)); break;
        case 'd': p.drawLine(QPointF(x0, y1), QPointF(x1, y1)); break;
        case 'e': p.drawLine(QPointF(x0, ym), QPointF(x0, y1)); break;
        case 'f': p.drawLine(QPointF(x0, y0), QPointF(x0, ym)); break;
        case 'g': p.drawLine(QPointF(x0, ym), QPointF(x1, ym)); break;
        }
    }
}

DrawFn Marker(int position, bool descending)
{
    return [position, descending](QPainter& p) {
        const double cx = position == 0 ? 8 : 5;
        const double half = 4;
        const double top = 5, bottom = 11;
        QPolygonF tri;
        if (descending)
            tri = QPolygonF({QPointF(cx - half, top), QPointF(cx + half, top), QPointF(cx, bottom)});
        else
            tri = QPolygonF({QPointF(cx - half, bottom), QPointF(cx + half, bottom), QPointF(cx, top)});
        FillPolygon(p, tri, MarkerInk);
        if (position > 0)
            Digit(p, position);
    };
}

bool WriteStrip(const QString& dir, const QString& name, const std::vector<DrawFn>& images)
{
    static const int percents[] = {100, 125, 150, 175, 200};
    for (int percent : percents) {
        const int size = 16 * percent / 100;
        QImage img(size * int(images.size()), size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        for (size_t i = 0; i < images.size(); ++i) {
            p.save();
            p.translate(double(i) * size, 0);
            p.scale(size / 16.0, size / 16.0);
            images[i](p);
            p.restore();
        }
        p.end();
        const QString file = percent == 100 ? QStringLiteral("%1/%2.png").arg(dir, name)
                                             : QStringLiteral("%1/%2_%3.png").arg(dir, name).arg(percent);
        if (!img.save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(dir);

    std::vector<DrawFn> checks, expands, markers;
    for (int kind = 0; kind < 3; ++kind)
        for (int state = 0; state < 3; ++state)
            checks.push_back(CheckBox(kind, state));
    for (int size = 0; size < 3; ++size) {
        expands.push_back(ExpandBox(size, false));
        expands.push_back(ExpandBox(size, true));
    }
    for (int position = 0; position < 10; ++position) {
        markers.push_back(Marker(position, false));
        markers.push_back(Marker(position, true));
    }
    const bool ok =
        WriteStrip(dir, "ZDBINDICATORS",
                   {IndicatorCurrent, IndicatorEdit, IndicatorInsert, IndicatorMultiSelected,
                    IndicatorCurrentSelected}) &&
        WriteStrip(dir, "ZDBCHECKBOXES", checks) && WriteStrip(dir, "ZDBEXPANDBOXES", expands) &&
        WriteStrip(dir, "ZDBMARKERS", markers);
    return ok ? 0 : 1;
}

// TZCustomDBGrid painting: the dispatch over cell kinds, the text layout
// shared by data, title and total cells, the default colours and the package
// glyphs as painted on the grid's palette. Titles and header bands are in
// ZDBGridsPaintTitles.cpp, data and bottom cells in ZDBGridsPaintCells.cpp.

#include "ZDBGrids.h"
#include "ZDBGridsPaint.h"
#include "AppExceptions.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace zdb {

namespace {

// The lines of Text as drawn into Width: its own lines, each wrapped at word
// boundaries when WordWrap is on; at most MaxLines when MaxLines > 0.
QStringList LayoutLines(const QString& Text, const QFont& Font, int Width, bool WordWrap, int MaxLines)
{
    QStringList result;
    if (!Text.contains(QLatin1Char('\n')) && !WordWrap) {
        result << Text;
        return result;
    }
    const QStringList paragraphs = QString(Text).replace(QLatin1String("\r\n"), QLatin1String("\n")).split(QLatin1Char('\n'));
    for (const QString& paragraph : paragraphs) {
        if (MaxLines > 0 && result.size() >= MaxLines)
            break;
        if (!WordWrap || paragraph.isEmpty() || Width <= 0) {
            result << paragraph;
            continue;
        }
        QTextLayout layout(paragraph, Font);
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(Width);
            if (MaxLines > 0 && result.size() + 1 >= MaxLines) {
                // The last line that fits takes the rest, to be cut with an ellipsis.
                result << paragraph.mid(line.textStart()).trimmed();
                break;
            }
            result << paragraph.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
    }
    if (result.isEmpty())
        result << QString();
    return result;
}

} // namespace

// ---- Text layout ------------------------------------------------------------------

std::vector<TZCustomDBGrid::TTextLine> TZCustomDBGrid::LayoutText(const QFontMetrics& Metrics, const QRect& ARect,
                                                                  int Margin, const QString& Text,
                                                                  TAlignment Alignment, TVAlignment VAlignment,
                                                                  bool WordWrap, bool Ellipsis,
                                                                  const QFont& Font) const
{
    std::vector<TTextLine> result;
    if (ARect.width() <= 0 || ARect.height() <= 0)
        return result;
    if (layoutDirection() == Qt::RightToLeft) {
        if (Alignment == taLeftJustify)
            Alignment = taRightJustify;
        else if (Alignment == taRightJustify)
            Alignment = taLeftJustify;
    }
    const int reserve = Alignment == taLeftJustify ? Margin : Alignment == taRightJustify ? Margin + 1 : 0;
    const int lineHeight = std::max(Metrics.height(), 1);
    const int fit = (ARect.height() - 2 * Margin + 1) / lineHeight;
    if (fit <= 0)
        VAlignment = tvTopJustify;
    const int width = ARect.width() - reserve;
    const QStringList lines = LayoutLines(Text, Font, width, WordWrap, Ellipsis ? std::max(fit, 1) : 0);
    const int count = std::clamp(int(lines.size()), 1, std::max(fit, 1));
    int offset = Margin;
    const int spare = std::max(0, ARect.height() - 2 * Margin - count * lineHeight);
    if (VAlignment == tvBottomJustify)
        offset += spare;
    else if (VAlignment == tvCenter)
        offset += spare / 2;

    result.reserve(size_t(count));
    int top = ARect.top();
    for (int i = 0; i < count; ++i) {
        QString line = lines.value(i);
        if (Ellipsis)
            line = Metrics.elidedText(line, Qt::ElideRight, std::max(width, 0));
        const int tw = Metrics.horizontalAdvance(line);
        int x = ARect.left() + Margin;
        if (Alignment == taRightJustify)
            x = ARect.left() + ARect.width() - tw - Margin - 1;
        else if (Alignment == taCenter)
            x = ARect.left() + ARect.width() / 2 - tw / 2;
        result.push_back({QPoint(x, top + offset + Metrics.ascent()), line});
        top += offset + lineHeight;
        offset = 0;
    }
    return result;
}

void TZCustomDBGrid::WriteText(QPainter& Canvas, const QRect& ARect, int Margin, const QString& Text,
                               TAlignment Alignment, TVAlignment VAlignment, bool WordWrap, bool Ellipsis) const
{
    const QFont font = Canvas.font();
    const QFontMetrics metrics(font, Canvas.device());
    const std::vector<TTextLine> lines =
        LayoutText(metrics, ARect, Margin, Text, Alignment, VAlignment, WordWrap, Ellipsis, font);
    if (lines.empty())
        return;
    TCanvasState state(Canvas);
    Canvas.setClipRect(ARect, Qt::IntersectClip);
    const int lineHeight = std::max(metrics.height(), 1);
    for (size_t i = 0; i < lines.size(); ++i) {
        const TTextLine& line = lines[i];
        Canvas.drawText(line.Origin, line.Text);
        // The search records the first line that holds its text.
        SearchHitLine(Canvas, ARect, int(i), line.Text, line.Origin.x(), line.Origin.y() - metrics.ascent(),
                      lineHeight);
    }
}

// ---- Default colours ------------------------------------------------------------------

TColor TZCustomDBGrid::DefaultDataLineColor() const
{
    // Under a dark palette silver lines would glare: a tone just above the cells.
    if (IsDarkPalette(palette()))
        return QColorToColor(ShadowColor(ToQColor(clWindow), 30));
    return ColorToRGB(FColorValue, palette()) == clSilver ? clGray : clSilver;
}

QColor TZCustomDBGrid::DataLineColor() const
{
    return ToQColor(GetTrueColor(FDataColLineColor, DefaultDataLineColor(), clDefault));
}

void TZCustomDBGrid::DrawFocusRect(const QRect& ARect, const QColor& Background)
{
    QPainter* c = Canvas();
    TFocusRect kind = FFocusRect;
    if (kind == frAuto) {
        // The frame the visual style's table asks for.
        switch (GetCellFrameActiveStyle()) {
        case 0: kind = frNone; break;
        case 2: kind = frDotted; break;
        case 3: kind = frSolid; break;
        default:
            if (c)
                TCustomGrid::DrawFocusRect(ARect, Background);
            return;
        }
    }
    if (!c || kind == frNone)
        return;
    TCanvasState state(*c);
    QPen pen(ReadableColor(Background, palette().color(QPalette::Text), palette().color(QPalette::HighlightedText)));
    pen.setStyle(kind == frDotted ? Qt::DotLine : Qt::SolidLine);
    pen.setCosmetic(true);
    c->setPen(pen);
    c->setBrush(Qt::NoBrush);
    c->drawRect(ARect.adjusted(0, 0, -1, -1));
}

TColor TZCustomDBGrid::DefaultEditorColor() const
{
    return clInfoBk;
}

TColor TZCustomDBGrid::DefaultHighlightText() const
{
    return clHighlightText;
}

TColor TZCustomDBGrid::DefaultStripeColor() const
{
    // A tone of the cells' own colour: darker under a light palette, lighter
    // under a dark one, so that striped rows stay in the palette's key.
    const QColor base = ToQColor(clWindow);
    return QColorToColor(ShadowColor(base, IsDarkPalette(palette()) ? 14 : -24));
}

TColor TZCustomDBGrid::DefaultSelectCellColor() const
{
    // A dark palette: its own highlight (the fixed tones below are light).
    if (IsDarkPalette(palette()))
        return clHighlight;
    if (IsWin11())
        return ShadowColor(clHighlight, -10, palette());
    if (IsVista())
        return FGradient && FGradient->IsActive(true) ? 15230976 : 16743699;
    return clHighlight;
}

TColor TZCustomDBGrid::DefaultSelectionColor() const
{
    if (IsDarkPalette(palette()))
        return QColorToColor(MixColors(palette().color(QPalette::Highlight), palette().color(QPalette::Base), 55));
    if (IsWin11())
        return clHighlight;
    if (IsVista())
        return FGradient && FGradient->IsActive(true) ? 16743699 : 16749885;
    return clGradientActiveCaption;
}

TColor TZCustomDBGrid::DefaultSelectRowColor() const
{
    if (IsDarkPalette(palette()))
        return QColorToColor(MixColors(palette().color(QPalette::Highlight), palette().color(QPalette::Base), 35));
    if (IsWin11())
        return ShadowColor(clHighlight, 20, palette());
    if (IsVista())
        return FGradient && FGradient->IsActive(true) ? 14982776 : 15448477;
    return clGradientInactiveCaption;
}

QPixmap TZCustomDBGrid::PaletteGlyph(const QPixmap& Glyph) const
{
    if (Glyph.isNull() || !IsDarkPalette(palette()))
        return Glyph;
    // The package glyphs are dark strokes on a transparent ground.
    QImage image = Glyph.toImage().convertToFormat(QImage::Format_ARGB32);
    image.invertPixels(QImage::InvertRgb);
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(Glyph.devicePixelRatio());
    return result;
}

// ---- Events ------------------------------------------------------------------------

void TZCustomDBGrid::CalcImageIndex(TZColumn* Column, int& ImageIndex)
{
    if (OnCalcImageIndex)
        OnCalcImageIndex(this, Column, ImageIndex);
}

// ---- Dispatch ------------------------------------------------------------------------

void TZCustomDBGrid::Paint()
{
    if (QPainter* c = Canvas()) {
        const qreal ratio = std::abs(c->deviceTransform().m11());
        if (ratio > 0 && !qFuzzyCompare(ratio, FGlyphRatio))
            LoadBitmaps(ratio);
    }
    TCustomGrid::Paint();
}

void TZCustomDBGrid::DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState)
{
    if (!Canvas() || !FColumns)
        return;
    const bool bottom = FBottomRowCount > 0 && ARow >= GetRowCount() - FBottomRowCount;
    if (ACol < FIndicatorOffset) {
        if (ARow < FTitleRowCount || bottom) {
            if (!bottom)
                DrawFixedBack(*Canvas(), ARect, ToQColor(FFixedColorValue), false, false);
            FillLineStrips(*Canvas(), ARect, ColLineWidth(), RowLineWidth(), true, true,
                           palette().color(QPalette::Mid));
            if (bottom)
                DrawBottomCell(ACol, ARow, ARect, AState);
        } else {
            DrawIndicatorCell(ARow, ARect, AState);
        }
        return;
    }
    if (ARow < FTitleRowCount)
        DrawTitleCell(ACol, ARow, ARect, AState);
    else if (bottom)
        DrawBottomCell(ACol, ARow, ARect, AState);
    else
        DrawRecordCell(ACol, ARow, ARect, AState);
}

QString TZCustomDBGrid::CellText(int ACol, int ARow)
{
    TZColumn* column = ColumnOfRaw(ACol);
    if (!column || ARow < 0 || ARow >= GetRowCount())
        return QString();
    if (ARow < FTitleRowCount) {
        TZColumn* master = ColumnAtDepth(column, ARow);
        return master ? master->Title()->GetCaption() : QString();
    }
    if (FBottomRowCount > 0 && ARow >= GetRowCount() - FBottomRowCount)
        return QString();
    if (!FDataLink->Active())
        return QString();
    const int record = ARow - FTitleRowCount;
    if (record >= FDataLink->RecordCount())
        return QString();
    TZActiveRecordGuard guard(FDataLink.get(), record);
    return column->GetDisplayText();
}

} // namespace zdb

// TZCustomDBGrid look by visual style: the lookups keyed by style name, the
// automatic members of FixedStyle, FixedTheme, HotButtons, MarkerStyle and
// MarkerTransparent resolved, fixed-cell backgrounds and text, and the boxes
// of check boxes and boxed totals in the check-box styles.

#include "ZDBGrids.h"
#include "ZDBGridsPaint.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionHeader>

#include <algorithm>
#include <map>

namespace zdb {

namespace {

struct TStyleLook {
    int CellFrame = 1;
    int FixedText = 0;
    int SelectRow = 0;
    bool Flat = true;
};

QString StyleKey(const QString& Name)
{
    return Name.trimmed().toLower();
}

// The lookups, filled from the built-in table on first use.
std::map<QString, TStyleLook>& StyleLooks()
{
    static std::map<QString, TStyleLook> looks = [] {
        std::map<QString, TStyleLook> table;
        table[QStringLiteral("fusion")] = {1, 0, 0, true};
        table[QStringLiteral("windows")] = {2, 1, 1, false};
        table[QStringLiteral("windowsvista")] = {1, 0, 0, true};
        table[QStringLiteral("windows11")] = {1, 0, 0, true};
        table[QStringLiteral("macos")] = {0, 0, 0, true};
        table[QStringLiteral("vsstandard")] = {2, 1, 1, false};
        return table;
    }();
    return looks;
}

TStyleLook LookOf(const QString& Name)
{
    const auto& looks = StyleLooks();
    const auto it = looks.find(StyleKey(Name));
    return it == looks.end() ? TStyleLook{} : it->second;
}

template <typename T>
void SetLook(const QString& Name, T TStyleLook::*Field, T Value)
{
    auto& looks = StyleLooks();
    const QString key = StyleKey(Name);
    auto it = looks.find(key);
    if (it == looks.end())
        it = looks.emplace(key, TStyleLook{}).first;
    it->second.*Field = Value;
}

// A one-pixel bevel along the inside of Rect: TopLeft above and left, BottomRight below and right.
void Bevel(QPainter& Canvas, const QRect& Rect, const QColor& TopLeft, const QColor& BottomRight)
{
    Canvas.fillRect(QRect(Rect.left(), Rect.top(), Rect.width(), 1), TopLeft);
    Canvas.fillRect(QRect(Rect.left(), Rect.top(), 1, Rect.height()), TopLeft);
    Canvas.fillRect(QRect(Rect.left(), Rect.bottom(), Rect.width(), 1), BottomRight);
    Canvas.fillRect(QRect(Rect.right(), Rect.top(), 1, Rect.height()), BottomRight);
}

// The mark of a check box of Kind in State inside Box.
void DrawCheckMark(QPainter& Canvas, const QRectF& Box, TCheckBoxKind Kind, int State, const QColor& Ink,
                   const QColor& Face)
{
    if (State == 0 || Box.width() < 3 || Box.height() < 3)
        return;
    const QRectF inner = Box.adjusted(Box.width() * 0.18, Box.height() * 0.18, -Box.width() * 0.18,
                                      -Box.height() * 0.18);
    if (State == 2) {
        // Grayed: neither value, a square half way between ink and face.
        Canvas.fillRect(inner, MixColors(Ink, Face, 50));
        return;
    }
    if (Kind == cbBox) {
        Canvas.fillRect(inner, Ink);
        return;
    }
    QPen pen(Ink, std::max(1.5, Box.width() / 6.5), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    Canvas.setPen(pen);
    Canvas.setBrush(Qt::NoBrush);
    if (Kind == ckCross) {
        Canvas.drawLine(inner.topLeft(), inner.bottomRight());
        Canvas.drawLine(inner.bottomLeft(), inner.topRight());
        return;
    }
    const QPointF check[] = {{inner.left(), inner.center().y()},
                             {inner.left() + inner.width() * 0.4, inner.bottom()},
                             {inner.right(), inner.top()}};
    Canvas.drawPolyline(check, 3);
}

} // namespace

// ---- Lookups by style name ----------------------------------------------------------

int TZCustomDBGrid::GetCellFrameStyle(const QString& StyleName) { return LookOf(StyleName).CellFrame; }
void TZCustomDBGrid::SetCellFrameStyle(const QString& StyleName, int Value)
{
    SetLook(StyleName, &TStyleLook::CellFrame, Value);
}
int TZCustomDBGrid::GetFixedTextStyle(const QString& StyleName) { return LookOf(StyleName).FixedText; }
void TZCustomDBGrid::SetFixedTextStyle(const QString& StyleName, int Value)
{
    SetLook(StyleName, &TStyleLook::FixedText, Value);
}
int TZCustomDBGrid::GetSelectRowStyle(const QString& StyleName) { return LookOf(StyleName).SelectRow; }
void TZCustomDBGrid::SetSelectRowStyle(const QString& StyleName, int Value)
{
    SetLook(StyleName, &TStyleLook::SelectRow, Value);
}
bool TZCustomDBGrid::GetFlatStyle(const QString& StyleName) { return LookOf(StyleName).Flat; }
void TZCustomDBGrid::SetFlatStyle(const QString& StyleName, bool Value)
{
    SetLook(StyleName, &TStyleLook::Flat, Value);
}

QString TZCustomDBGrid::ActiveStyleName() const
{
    if (FGridStyle && FGridStyle->GetVisualStyle() == vsStandard)
        return QStringLiteral("vsStandard");
    const QString name = style()->name();
    return name.isEmpty() ? QString::fromLatin1(style()->metaObject()->className()).toLower() : name.toLower();
}

void TZCustomDBGrid::SetCellFrameActiveStyle(int Value)
{
    SetCellFrameStyle(ActiveStyleName(), Value);
    Invalidate();
}

void TZCustomDBGrid::SetFixedTextActiveStyle(int Value)
{
    SetFixedTextStyle(ActiveStyleName(), Value);
    Invalidate();
}

void TZCustomDBGrid::SetSelectRowActiveStyle(int Value)
{
    SetSelectRowStyle(ActiveStyleName(), Value);
    Invalidate();
}

void TZCustomDBGrid::SetFlatActiveStyle(bool Value)
{
    SetFlatStyle(ActiveStyleName(), Value);
    Invalidate();
}

// ---- Automatic members -------------------------------------------------------------

TFixedStyle TZCustomDBGrid::ActiveFixedStyle() const
{
    if (FFixedStyle != fsDefault)
        return FFixedStyle;
    return GetFlatActiveStyle() ? fsFlat : fsStandard;
}

bool TZCustomDBGrid::SystemFixedTheme() const
{
    if (FFixedTheme != ftDefault)
        return FFixedTheme == ftSystem;
    return (FOptionsExt & dgForceSystemTheme) && (FSystemStyleElements & sseFixed);
}

THotButtons TZCustomDBGrid::ActiveHotButtons() const
{
    if (FHotButtons != hbAuto)
        return FHotButtons;
    return SystemFixedTheme() ? hbThemed : hbFlat;
}

TMarkerStyle TZCustomDBGrid::ActiveMarkerStyle() const
{
    if (FMarkerStyle != msAuto)
        return FMarkerStyle;
    const bool system = SystemFixedTheme() && (FOptionsExt & dgForceSystemMarker) && (FSystemStyleElements & sseMarker);
    return system ? msSystem : msStandard;
}

bool TZCustomDBGrid::MarkerOpaque() const
{
    if (FMarkerTransparent != mtAuto)
        return FMarkerTransparent == mtOpaque;
    // On a gradient the marker gets a backdrop of its own.
    return !SystemFixedTheme() && ActiveFixedStyle() == fsGradient;
}

TGridDrawingStyle TZCustomDBGrid::GetDrawingStyle() const
{
    if (SystemFixedTheme())
        return gdsThemed;
    return ActiveFixedStyle() == fsGradient ? gdsGradient : gdsClassic;
}

void TZCustomDBGrid::SetDrawingStyle(TGridDrawingStyle Value)
{
    switch (Value) {
    case gdsThemed: SetFixedTheme(ftSystem); break;
    case gdsGradient:
        SetFixedTheme(ftStandard);
        SetFixedStyle(fsGradient);
        break;
    case gdsClassic:
        SetFixedTheme(ftStandard);
        if (ActiveFixedStyle() == fsGradient)
            SetFixedStyle(fsDefault);
        break;
    }
}

// ---- Fixed cells ----------------------------------------------------------------------

void TZCustomDBGrid::DrawFixedBack(QPainter& Canvas, const QRect& ARect, const QColor& Color, bool Hot,
                                   bool Pressed) const
{
    if (ARect.width() <= 0 || ARect.height() <= 0)
        return;
    const THotButtons hotButtons = ActiveHotButtons();
    if (hotButtons == hbNone)
        Hot = Pressed = false;
    const QPalette pal = palette();
    const bool dark = IsDarkPalette(pal);
    if (SystemFixedTheme() || ((Hot || Pressed) && hotButtons == hbThemed)) {
        // The Qt style's header section, on the fixed colour.
        QStyleOptionHeader option;
        option.initFrom(this);
        option.rect = ARect;
        option.palette.setColor(QPalette::Button, Color);
        option.palette.setColor(QPalette::Window, Color);
        option.state = QStyle::State_Enabled | QStyle::State_Horizontal |
                       (Pressed ? QStyle::State_Sunken : QStyle::State_Raised);
        if (Hot)
            option.state |= QStyle::State_MouseOver;
        option.orientation = Qt::Horizontal;
        option.position = QStyleOptionHeader::Middle;
        Canvas.fillRect(ARect, Color);
        style()->drawControl(QStyle::CE_HeaderSection, &option, &Canvas, this);
        return;
    }
    if (Hot || Pressed) {
        // Flat: a tint of the highlight under the pointer, a deeper tone pressed.
        Canvas.fillRect(ARect, Pressed ? ShadowColor(Color, dark ? 14 : -16)
                                       : MixColors(pal.color(QPalette::Highlight), Color, dark ? 30 : 18));
        return;
    }
    switch (ActiveFixedStyle()) {
    case fsGradient:
        FGradient->FillCanvas(Canvas, QColorToColor(ShadowColor(Color, 12)), QColorToColor(ShadowColor(Color, -12)),
                              ARect, gdVertical);
        break;
    case fsStandard:
        // Raised: light above and left, shadow below and right.
        Canvas.fillRect(ARect, Color);
        Bevel(Canvas, ARect, dark ? ShadowColor(Color, 18) : pal.color(QPalette::Light),
              dark ? pal.color(QPalette::Shadow) : pal.color(QPalette::Dark));
        break;
    default:
        Canvas.fillRect(ARect, Color);
        break;
    }
}

void TZCustomDBGrid::WriteFixedText(QPainter& Canvas, const QRect& ARect, int Margin, const QString& Text,
                                    TAlignment Alignment, TVAlignment VAlignment, bool WordWrap,
                                    bool Ellipsis) const
{
    const int kind = GetFixedTextActiveStyle();
    if (kind == 2) {
        TCanvasState state(Canvas);
        QFont bold = Canvas.font();
        bold.setBold(true);
        Canvas.setFont(bold);
        WriteText(Canvas, ARect, Margin, Text, Alignment, VAlignment, WordWrap, Ellipsis);
        return;
    }
    if (kind == 1) {
        // Engraved: a copy one pixel lower in the tone opposite to the ink.
        TCanvasState state(Canvas);
        const QColor ink = Canvas.pen().color();
        Canvas.setPen(ink.lightness() < 128 ? palette().color(QPalette::Light) : palette().color(QPalette::Shadow));
        WriteText(Canvas, ARect.translated(0, 1), Margin, Text, Alignment, VAlignment, WordWrap, Ellipsis);
    }
    WriteText(Canvas, ARect, Margin, Text, Alignment, VAlignment, WordWrap, Ellipsis);
}

// ---- Boxes ------------------------------------------------------------------------------

QRect TZCustomDBGrid::DrawBoxFrame(QPainter& Canvas, const QRect& Box, TCheckBoxStyle Style, QColor& Face) const
{
    const QPalette pal = palette();
    const QColor base = ToQColor(clWindow);
    const QColor button = pal.color(QPalette::Button);
    const QColor mid = pal.color(QPalette::Mid);
    const QColor midlight = pal.color(QPalette::Midlight);
    const QColor light = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Shadow);
    const QColor mild = MixColors(base, button, 50);
    switch (Style) {
    case cbFlat:
        Face = base;
        Canvas.fillRect(Box, Face);
        Bevel(Canvas, Box, pal.color(QPalette::Text), pal.color(QPalette::Text));
        return Box.adjusted(1, 1, -1, -1);
    case cbGray:
        Face = button;
        Canvas.fillRect(Box, Face);
        Bevel(Canvas, Box, mid, mid);
        return Box.adjusted(1, 1, -1, -1);
    case cbMild:
        Face = mild;
        Canvas.fillRect(Box, Face);
        Bevel(Canvas, Box, MixColors(mid, base, 60), MixColors(mid, base, 60));
        return Box.adjusted(1, 1, -1, -1);
    case cbSoft: {
        Face = base;
        TCanvasState state(Canvas);
        Canvas.setRenderHint(QPainter::Antialiasing);
        Canvas.setPen(QPen(MixColors(mid, base, 70), 1));
        Canvas.setBrush(Face);
        const qreal radius = std::min(Box.width(), Box.height()) / 5.0;
        Canvas.drawRoundedRect(QRectF(Box).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
        return Box.adjusted(1, 1, -1, -1);
    }
    case cbLoweredDark:
    case cbLoweredGray:
        // Two sunken rings: the outer one soft, the inner one dark.
        Face = Style == cbLoweredGray ? button : base;
        Canvas.fillRect(Box, Face);
        Bevel(Canvas, Box, mid, light);
        Bevel(Canvas, Box.adjusted(1, 1, -1, -1), shadow, midlight);
        return Box.adjusted(2, 2, -2, -2);
    case cbLoweredMild:
        Face = mild;
        Canvas.fillRect(Box, Face);
        Bevel(Canvas, Box, MixColors(mid, midlight, 50), light);
        return Box.adjusted(1, 1, -1, -1);
    case cbAutoLowered: {
        // The Qt style's sunken frame.
        Face = base;
        Canvas.fillRect(Box, Face);
        QStyleOptionFrame option;
        option.initFrom(this);
        option.rect = Box;
        option.lineWidth = 1;
        option.state = QStyle::State_Enabled | QStyle::State_Sunken;
        option.frameShape = QFrame::Panel;
        style()->drawPrimitive(QStyle::PE_Frame, &option, &Canvas, this);
        return Box.adjusted(1, 1, -1, -1);
    }
    case cbAutoGray:
        Face = button;
        Canvas.fillRect(Box, Face);
        Bevel(Canvas, Box, mid, midlight);
        return Box.adjusted(1, 1, -1, -1);
    default:
        // cbAuto and cbDefault: one sunken ring around the cells' colour.
        Face = base;
        Canvas.fillRect(Box, Face);
        Bevel(Canvas, Box, mid, midlight);
        return Box.adjusted(1, 1, -1, -1);
    }
}

QPixmap TZCustomDBGrid::CheckBoxImage(TZColumn* Column, int State, int Side) const
{
    Side = std::max(Side, 8);
    const TCheckBoxStyle boxStyle = Column->GetCheckBoxStyle();
    const TCheckBoxKind kind = Column->GetCheckBoxKind();
    const bool themed = Column->GetCheckBoxThemed();
    const int density = qRound(FGlyphRatio * 100);
    const auto key = std::make_tuple(int(boxStyle), int(kind), State, themed, Side * 1000 + density,
                                     palette().cacheKey());
    if (const auto it = FCheckBoxImages.find(key); it != FCheckBoxImages.end())
        return it->second;
    if (FCheckBoxImages.size() > 64)
        FCheckBoxImages.clear();

    QPixmap image(QSize(Side, Side) * FGlyphRatio);
    image.setDevicePixelRatio(FGlyphRatio);
    image.fill(Qt::transparent);
    QPainter c(&image);
    c.setRenderHint(QPainter::Antialiasing);
    // The box takes 13 of 16 pixels, as the package glyphs do.
    const int boxSide = std::max(7, Side * 13 / 16);
    const QRect box((Side - boxSide) / 2, (Side - boxSide) / 2, boxSide, boxSide);
    const QPalette pal = palette();
    const bool systemStyle = themed || boxStyle == cbAuto || boxStyle == cbAutoGray || boxStyle == cbAutoLowered;
    if (systemStyle) {
        // The Qt style's check box; its own mark for a check, ours for the other kinds.
        QStyleOptionButton option;
        option.initFrom(this);
        option.state = QStyle::State_Enabled;
        if (kind == ckCheck)
            option.state |= State == 1 ? QStyle::State_On : State == 2 ? QStyle::State_NoChange : QStyle::State_Off;
        else
            option.state |= QStyle::State_Off;
        option.rect = box;
        QColor face = pal.color(QPalette::Base);
        if (boxStyle == cbAutoGray) {
            face = pal.color(QPalette::Button);
            option.palette.setColor(QPalette::Base, face);
            option.palette.setColor(QPalette::Window, face);
        }
        if (IsDarkPalette(pal)) {
            // Styles outline the box in a darker tone of the window, which a
            // dark palette swallows: a window tone half way to the text.
            option.palette.setColor(QPalette::Window, MixColors(pal.color(QPalette::Text), face, 55));
        }
        if (boxStyle == cbAutoLowered) {
            Bevel(c, box, pal.color(QPalette::Mid), pal.color(QPalette::Light));
            option.rect = box.adjusted(1, 1, -1, -1);
        }
        style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &c, this);
        if (kind != ckCheck)
            DrawCheckMark(c, QRectF(option.rect).adjusted(1, 1, -1, -1), kind, State, pal.color(QPalette::Text),
                          face);
    } else {
        QColor face;
        const QRect inner = DrawBoxFrame(c, box, boxStyle, face);
        const QColor text = pal.color(QPalette::Text);
        const QColor ink = boxStyle == cbSoft ? ReadableColor(face, pal.color(QPalette::Highlight), text) : text;
        DrawCheckMark(c, QRectF(inner), kind, State, ReadableColor(face, ink, text), face);
    }
    c.end();
    FCheckBoxImages.emplace(key, image);
    return image;
}

} // namespace zdb

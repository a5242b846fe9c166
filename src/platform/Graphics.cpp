#include "Graphics.h"

namespace zdb {

namespace {

// A share Weight of A, the rest of B.
QColor BlendColors(const QColor& A, const QColor& B, double Weight)
{
    // In 8-bit channels, as painted.
    return QColor(qRound(A.red() * Weight + B.red() * (1 - Weight)), qRound(A.green() * Weight + B.green() * (1 - Weight)),
                  qRound(A.blue() * Weight + B.blue() * (1 - Weight)));
}

} // namespace

QColor SystemColorToQColor(int Index, const QPalette& Palette)
{
    switch (Index) {
    case SysColor::Window:
        return Palette.color(QPalette::Active, QPalette::Base);
    case SysColor::WindowText:
    case SysColor::MenuText:
        return Palette.color(QPalette::Active, QPalette::Text);
    case SysColor::ScrollBar:
    case SysColor::Menu:
    case SysColor::MenuBar:
    case SysColor::BtnFace:
    case SysColor::ActiveBorder:
    case SysColor::InactiveBorder:
        return Palette.color(QPalette::Active, QPalette::Button);
    case SysColor::Background:
    case SysColor::AppWorkSpace:
        return Palette.color(QPalette::Active, QPalette::Window);
    case SysColor::BtnText:
        return Palette.color(QPalette::Active, QPalette::ButtonText);
    case SysColor::BtnShadow:
        return Palette.color(QPalette::Active, QPalette::Mid);
    case SysColor::BtnHighlight:
        return Palette.color(QPalette::Active, QPalette::Light);
    case SysColor::DkShadow3D:
    case SysColor::WindowFrame:
        return Palette.color(QPalette::Active, QPalette::Shadow);
    case SysColor::Light3D:
        return Palette.color(QPalette::Active, QPalette::Midlight);
    case SysColor::GrayText:
    case SysColor::InactiveCaptionText:
        return Palette.color(QPalette::Disabled, QPalette::Text);
    case SysColor::Highlight:
    case SysColor::MenuHighlight:
    case SysColor::ActiveCaption:
        return Palette.color(QPalette::Active, QPalette::Highlight);
    case SysColor::HighlightText:
    case SysColor::CaptionText:
        return Palette.color(QPalette::Active, QPalette::HighlightedText);
    case SysColor::InactiveCaption:
        return Palette.color(QPalette::Inactive, QPalette::Highlight);
    // The caption gradients: the highlight toned toward the base colour, so
    // that they stay light under a light palette and dark under a dark one.
    case SysColor::GradientActiveCaption:
        return BlendColors(Palette.color(QPalette::Active, QPalette::Highlight),
                           Palette.color(QPalette::Active, QPalette::Base), 0.45);
    case SysColor::GradientInactiveCaption:
        return BlendColors(Palette.color(QPalette::Inactive, QPalette::Highlight),
                           Palette.color(QPalette::Active, QPalette::Base), 0.3);
    case SysColor::InfoText:
        return Palette.color(QPalette::Active, QPalette::ToolTipText);
    case SysColor::InfoBk:
        return Palette.color(QPalette::Active, QPalette::ToolTipBase);
    case SysColor::HotLight:
        return Palette.color(QPalette::Active, QPalette::Link);
    default:
        return Palette.color(QPalette::Active, QPalette::Window);
    }
}

QColor ColorToQColor(TColor Color, const QPalette& Palette)
{
    if (Color == clNone)
        return QColor(Qt::transparent);
    if (Color == clDefault)
        return QColor();
    if (IsSystemColor(Color))
        return SystemColorToQColor(Color & 0xFF, Palette);
    const unsigned v = unsigned(Color);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

TColor ColorToRGB(TColor Color, const QPalette& Palette)
{
    if (!IsSystemColor(Color))
        return Color;
    return QColorToColor(SystemColorToQColor(Color & 0xFF, Palette));
}

TColor QColorToColor(const QColor& Color)
{
    return RGBColor(Color.red(), Color.green(), Color.blue());
}

Qt::Alignment AlignmentToQt(TAlignment Value)
{
    switch (Value) {
    case taRightJustify:
        return Qt::AlignRight;
    case taCenter:
        return Qt::AlignHCenter;
    case taLeftJustify:
        break;
    }
    return Qt::AlignLeft;
}

TAlignment AlignmentFromQt(Qt::Alignment Value)
{
    if (Value & Qt::AlignRight)
        return taRightJustify;
    if (Value & Qt::AlignHCenter)
        return taCenter;
    return taLeftJustify;
}

} // namespace zdb

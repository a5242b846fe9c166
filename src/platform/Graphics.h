#pragma once
// Colours and text alignment as the components store them.
//
// TColor is a 32-bit colour value: an RGB colour as 0x00BBGGRR, a system colour
// as 0xFF000000 | index (negative as an int) resolved through a widget's palette,
// plus two markers: clNone (no colour) and clDefault (the owner's default colour).

#include <QColor>
#include <QObject>
#include <QPalette>
#include <Qt>

namespace zdb {

using TColor = int;

// System colour indices (the low byte of a system colour).
namespace SysColor {
constexpr int ScrollBar = 0;
constexpr int Background = 1;
constexpr int ActiveCaption = 2;
constexpr int InactiveCaption = 3;
constexpr int Menu = 4;
constexpr int Window = 5;
constexpr int WindowFrame = 6;
constexpr int MenuText = 7;
constexpr int WindowText = 8;
constexpr int CaptionText = 9;
constexpr int ActiveBorder = 10;
constexpr int InactiveBorder = 11;
constexpr int AppWorkSpace = 12;
constexpr int Highlight = 13;
constexpr int HighlightText = 14;
constexpr int BtnFace = 15;
constexpr int BtnShadow = 16;
constexpr int GrayText = 17;
constexpr int BtnText = 18;
constexpr int InactiveCaptionText = 19;
constexpr int BtnHighlight = 20;
constexpr int DkShadow3D = 21;
constexpr int Light3D = 22;
constexpr int InfoText = 23;
constexpr int InfoBk = 24;
constexpr int HotLight = 26;
constexpr int GradientActiveCaption = 27;
constexpr int GradientInactiveCaption = 28;
constexpr int MenuHighlight = 29;
constexpr int MenuBar = 30;
} // namespace SysColor

constexpr TColor clSystemColor = TColor(0xFF000000u);
constexpr TColor SystemColor(int Index) { return TColor(0xFF000000u | unsigned(Index)); }

constexpr TColor clScrollBar = SystemColor(SysColor::ScrollBar);
constexpr TColor clBackground = SystemColor(SysColor::Background);
constexpr TColor clActiveCaption = SystemColor(SysColor::ActiveCaption);
constexpr TColor clInactiveCaption = SystemColor(SysColor::InactiveCaption);
constexpr TColor clMenu = SystemColor(SysColor::Menu);
constexpr TColor clWindow = SystemColor(SysColor::Window);
constexpr TColor clWindowFrame = SystemColor(SysColor::WindowFrame);
constexpr TColor clMenuText = SystemColor(SysColor::MenuText);
constexpr TColor clWindowText = SystemColor(SysColor::WindowText);
constexpr TColor clCaptionText = SystemColor(SysColor::CaptionText);
constexpr TColor clActiveBorder = SystemColor(SysColor::ActiveBorder);
constexpr TColor clInactiveBorder = SystemColor(SysColor::InactiveBorder);
constexpr TColor clAppWorkSpace = SystemColor(SysColor::AppWorkSpace);
constexpr TColor clHighlight = SystemColor(SysColor::Highlight);
constexpr TColor clHighlightText = SystemColor(SysColor::HighlightText);
constexpr TColor clBtnFace = SystemColor(SysColor::BtnFace);
constexpr TColor clBtnShadow = SystemColor(SysColor::BtnShadow);
constexpr TColor clGrayText = SystemColor(SysColor::GrayText);
constexpr TColor clBtnText = SystemColor(SysColor::BtnText);
constexpr TColor clInactiveCaptionText = SystemColor(SysColor::InactiveCaptionText);
constexpr TColor clBtnHighlight = SystemColor(SysColor::BtnHighlight);
constexpr TColor cl3DDkShadow = SystemColor(SysColor::DkShadow3D);
constexpr TColor cl3DLight = SystemColor(SysColor::Light3D);
constexpr TColor clInfoText = SystemColor(SysColor::InfoText);
constexpr TColor clInfoBk = SystemColor(SysColor::InfoBk);
constexpr TColor clHotLight = SystemColor(SysColor::HotLight);
constexpr TColor clGradientActiveCaption = SystemColor(SysColor::GradientActiveCaption);
constexpr TColor clGradientInactiveCaption = SystemColor(SysColor::GradientInactiveCaption);
constexpr TColor clMenuHighlight = SystemColor(SysColor::MenuHighlight);
constexpr TColor clMenuBar = SystemColor(SysColor::MenuBar);

constexpr TColor clNone = 0x1FFFFFFF;    // 536870911: no colour
constexpr TColor clDefault = 0x20000000; // 536870912: the owner's default colour

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;

constexpr bool IsSystemColor(TColor Color) { return Color < 0; }

// An RGB colour value from its components.
constexpr TColor RGBColor(int R, int G, int B)
{
    return TColor((unsigned(B & 0xFF) << 16) | (unsigned(G & 0xFF) << 8) | unsigned(R & 0xFF));
}

// The palette colour a system colour index stands for.
QColor SystemColorToQColor(int Index, const QPalette& Palette);
// A colour value as a QColor: RGB values directly, system colours through
// Palette; clNone gives a transparent colour and clDefault an invalid one.
QColor ColorToQColor(TColor Color, const QPalette& Palette);
// A system colour resolved to its RGB value (through Palette); other values unchanged.
TColor ColorToRGB(TColor Color, const QPalette& Palette);
// The RGB colour value of a QColor (alpha dropped).
TColor QColorToColor(const QColor& Color);

// Horizontal text alignment, registered with the meta-object system so that
// published properties read and write it by key names (an inline namespace of
// its own: a Q_NAMESPACE directly in zdb would clash with the others).
inline namespace GraphicsTypes {
Q_NAMESPACE
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)
} // namespace GraphicsTypes

Qt::Alignment AlignmentToQt(TAlignment Value);
// Horizontal part of a Qt alignment (AlignLeft when none or justified).
TAlignment AlignmentFromQt(Qt::Alignment Value);

} // namespace zdb

// The grid's small sub-objects: grid style, totals, gradient and
// selection placeholders, the totals data link.

#include "ZDBGrids.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>

namespace zdb {

// ---- TZGridStyle -------------------------------------------------------------------

TZGridStyle::TZGridStyle(TZCustomDBGrid* AGrid) : FGrid(AGrid) {}

void TZGridStyle::SetSpacing(int& Slot, int Value)
{
    if (Value == Slot)
        return;
    Slot = Value;
    FVisualStyle = vsCustom;
    Changed();
}

void TZGridStyle::LoadPreset(const int (&Values)[6])
{
    FDataRowSpace = Values[0];
    FHeaderRowSpace = Values[1];
    FTitleColMargin = Values[2];
    FTitleRowSpace = Values[3];
    FTotalColMargin = Values[4];
    FTotalRowSpace = Values[5];
}

void TZGridStyle::SetVisualStyle(TVisualStyle Value)
{
    if (Value == FVisualStyle && Value != vsDefault)
        return;
    if (Value == vsDefault)
        Value = (FGrid && FGrid->Themed()) ? vsXPStyle : vsStandard;
    static constexpr int Standard[6] = {3, 4, 0, 4, 0, 4};
    static constexpr int XPStyle[6] = {4, 8, 1, 8, 0, 8};
    if (Value == vsStandard)
        LoadPreset(Standard);
    else if (Value == vsXPStyle)
        LoadPreset(XPStyle);
    FVisualStyle = Value;
    Changed();
}

void TZGridStyle::Assign(const TZGridStyle& Source)
{
    FDataRowSpace = Source.FDataRowSpace;
    FHeaderRowSpace = Source.FHeaderRowSpace;
    FTitleColMargin = Source.FTitleColMargin;
    FTitleRowSpace = Source.FTitleRowSpace;
    FTotalColMargin = Source.FTotalColMargin;
    FTotalRowSpace = Source.FTotalRowSpace;
    const TVisualStyle style = Source.FVisualStyle;
    // Through the setter, even when the style is the same (the spacings changed).
    FVisualStyle = style == vsCustom ? vsStandard : vsCustom;
    SetVisualStyle(style);
}

void TZGridStyle::Changed()
{
    if (!FGrid)
        return;
    FGrid->LayoutChanged();
    FGrid->InvalidateEditor();
}

bool TZCustomDBGrid::Themed() const
{
    return ThemesEnabled(const_cast<TZCustomDBGrid*>(this));
}

// ---- Gradient ------------------------------------------------------------------------

TZDBGridGradient::TZDBGridGradient(TZCustomDBGrid* AGrid) : TZQGradientButton(AGrid), FGrid(AGrid) {}

void TZDBGridGradient::Changed()
{
    TZQGradientButton::Changed();
    if (FGrid)
        FGrid->GradientChanged();
}

// ---- Totals ------------------------------------------------------------------------

TZDBGridTotals::TZDBGridTotals(TZCustomDBGrid* AGrid) : FGrid(AGrid)
{
    if (FGrid)
        FFont = FGrid->font();
}

bool TZDBGridTotals::GetActive() const
{
    if (!FGrid)
        return false;
    const TZDBGridOptionsEx o = FGrid->GetOptionsEx();
    if (o & (TZDBGridOptionsEx(dgTotalHeader) | dgTotalValues | dgTotalFields | dgTotalFooter))
        return true;
    return (o & dgSelectedAutoHidden) &&
           (o & (TZDBGridOptionsEx(dgTotalHeaderSelected) | dgTotalValuesSelected | dgTotalFooterSelected));
}

void TZDBGridTotals::SetColor(TColor Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    if (FGrid)
        FGrid->Invalidate();
}

void TZDBGridTotals::SetFont(const QFont& Value)
{
    if (Value == FFont && Value.resolveMask() == FFont.resolveMask())
        return;
    FFont = Value;
    if (FGrid)
        FGrid->LayoutChanged();
}

void TZDBGridTotals::SetLinesCount(int Value)
{
    Value = std::max(Value, 1);
    if (Value == FLinesCount)
        return;
    FLinesCount = Value;
    if (FGrid)
        FGrid->LayoutChanged();
}

} // namespace zdb

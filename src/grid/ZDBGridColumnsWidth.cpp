// Columns: default, designed and optimal widths, width limits, stretching
// over the client width, and scaling by a pixels-per-inch ratio.

#include "ZDBGridColumns.h"
#include "ZDBGrids.h"

#include <QFontMetrics>
#include <QStyle>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace zdb {

namespace {

// Width of the widest line of Text in Font.
int TextWidth(const QFont& Font, const QString& Text)
{
    const QFontMetrics metrics(Font);
    int width = 0;
    const QStringList lines = Text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        width = std::max(width, metrics.horizontalAdvance(line));
    }
    return width;
}

// Width of the text "0" as the layout measures a field's DisplayWidth (Qt's
// metrics carry no overhang: it is 0).
int DigitWidth(const QFont& Font)
{
    return QFontMetrics(Font).horizontalAdvance(QLatin1Char('0'));
}

int ScaleInt(int Value, int M, int D)
{
    return Value == -1 ? -1 : MulDiv(Value, M, D);
}

void ScaleFont(QFont& Font, int M, int D)
{
    if (Font.pixelSize() > 0)
        Font.setPixelSize(std::max(1, MulDiv(Font.pixelSize(), M, D)));
    else if (Font.pointSizeF() > 0)
        Font.setPointSizeF(Font.pointSizeF() * M / D);
}

bool TitlesWidenColumns(const TZCustomDBGrid* Grid)
{
    const TZDBGridOptions options = Grid->GetOptions();
    return options.testFlag(dgTitles) && !options.testFlag(dgTitleWidthOff);
}

int TitleMargin(const TZCustomDBGrid* Grid)
{
    return Grid->GridStyle() ? Grid->GridStyle()->GetTitleColMargin() : 0;
}

} // namespace

// ---- Column widths ----------------------------------------------------------

int TZColumn::TitleTextWidth() const
{
    return FTitle ? TextWidth(FTitle->GetFont(), FTitle->GetCaption()) : 0;
}

int TZColumn::DefaultWidth() const
{
    TZCustomDBGrid* grid = Grid();
    if (!grid)
        return 64;
    TField* field = DisplayField();
    if (!field)
        return grid->DefaultColWidth();
    const int overhang = 0;
    int result = field->GetDisplayWidth() * (DigitWidth(GetFont()) - overhang) + overhang + 4;
    if (TitlesWidenColumns(grid))
        result = std::max(result, TitleTextWidth() + 4 + 2 * TitleMargin(grid));
    if (grid->GetDefaultWidthMin() != -1)
        result = std::max(result, grid->GetDefaultWidthMin());
    if (grid->GetDefaultWidthMax() != -1)
        result = std::min(result, grid->GetDefaultWidthMax());
    return result;
}

int TZColumn::GetWidth() const
{
    TZCustomDBGrid* grid = Grid();
    const TZDBGridColumns* columns = Columns();
    const bool writing = (grid && grid->IsWriting()) || (columns && columns->FWriting);
    if (!writing && !Showing())
        return grid ? -grid->ColLineWidth() : -1;
    if (IsAssigned(cvWidth)) {
        if (writing && grid && grid->StretchActive())
            return FStretchBase;
        return FWidth;
    }
    return DefaultWidth();
}

int TZColumn::TrueWidth() const
{
    return IsAssigned(cvWidth) ? FWidth : DefaultWidth();
}

int TZColumn::DesignedWidth() const
{
    return FDesignedWidth != -1 ? FDesignedWidth : DefaultWidth();
}

bool TZColumn::IsWidthStored() const
{
    return IsAssigned(cvWidth) && FWidth != DefaultWidth();
}

int TZColumn::GetWidthBase() const
{
    TZCustomDBGrid* grid = Grid();
    return grid && grid->StretchActive() ? FStretchBase : TrueWidth();
}

void TZColumn::SetWidthBase(int Value)
{
    TZCustomDBGrid* grid = Grid();
    if (grid && grid->StretchActive()) {
        if (Value < 0 || Value == FStretchBase)
            return;
        FStretchBase = Value;
        grid->StretchGrid();
        return;
    }
    SetWidth(Value);
}

void TZColumn::SetWidth(int Value)
{
    TZCustomDBGrid* grid = Grid();
    TZDBGridColumns* columns = Columns();
    const bool reading = columns && columns->FReading;

    // A default column passes its width on to its field's DisplayWidth.
    if (!FStored && grid && grid->HandleAllocated() && grid->GetUpdateFields()) {
        if (TField* field = GetField()) {
            const QFont font = GetFont();
            const int overhang = 0;
            const int d = DigitWidth(font) - overhang;
            int displayWidth;
            if (d != 0) {
                displayWidth = (Value - overhang + d / 2 - 4) / d;
            } else {
                const int average = std::max(1, QFontMetrics(font).averageCharWidth());
                displayWidth = (Value + average / 2 - overhang - 3) / average;
            }
            if (displayWidth > 0 && field->GetDisplayWidth() != displayWidth)
                field->SetDisplayWidth(displayWidth);
            if (grid->LayoutFromDataSet() && !IsAssigned(cvWidth))
                return;
        }
    }

    if (Value >= 0) {
        if (FWidthMin != -1)
            Value = std::max(Value, FWidthMin);
        if (FWidthMax != -1)
            Value = std::min(Value, FWidthMax);
    }
    if (!IsAssigned(cvWidth) && !reading && Value == DefaultWidth()) {
        // Equal to the default: the width keeps following the field.
        Changed(false);
        return;
    }
    const bool colLines = !grid || grid->ColLineWidth() > 0;
    if (colLines ? Value >= 0 : Value > 0) {
        if (grid && grid->StretchActive() && !(columns && columns->FInStretch)) {
            // A width edit while stretching: back to a base width.
            if (columns && columns->FStretchA > 0 && columns->FStretchB > 0)
                FStretchBase = MulDiv(Value, columns->FStretchB, columns->FStretchA);
            else
                FStretchBase = Value;
        }
        if (grid && grid->IsLoading())
            FDesignedWidth = Value;
        FWidth = Value;
        AssignValue(cvWidth);
        if (grid)
            grid->StretchGrid();
        Synchronize();
    }
    Changed(false);
}

void TZColumn::SetWidthMin(int Value)
{
    if (Value < -1 || Value == FWidthMin)
        return;
    if (Value != -1 && FWidthMax != -1 && Value > FWidthMax)
        Value = FWidthMax;
    FWidthMin = Value;
    if (Value != -1 && TrueWidth() < Value)
        SetWidth(Value);
    Changed(false);
}

void TZColumn::SetWidthMax(int Value)
{
    if (Value < -1 || Value == FWidthMax)
        return;
    if (Value != -1 && FWidthMin != -1 && Value < FWidthMin)
        Value = FWidthMin;
    FWidthMax = Value;
    if (Value != -1 && TrueWidth() > Value)
        SetWidth(Value);
    Changed(false);
}

int TZColumn::OptimalWidth() const
{
    TZCustomDBGrid* grid = Grid();
    TZGridDataLink* link = grid ? grid->DataLink() : nullptr;
    if (!link || !link->Active())
        return GetWidthBase();

    const QFont font = GetFont();
    const QFontMetrics metrics(font);
    const int glyph = grid->CheckBoxBitmap().isNull()
        ? grid->ScaleValue(16)
        : qRound(grid->CheckBoxBitmap().height() / grid->CheckBoxBitmap().devicePixelRatio());
    int result = 0;
    {
        const int oldActive = link->ActiveRecord();
        const int oldOffset = grid->RecordOffset();
        struct TRestore {
            TZGridDataLink* Link;
            TZCustomDBGrid* Grid;
            int Active;
            int Offset;
            ~TRestore()
            {
                Link->SetActiveRecord(Active);
                Grid->SetRecordOffset(Offset);
            }
        } restore{link, grid, oldActive, oldOffset};
        const int records = link->RecordCount();
        for (int i = 0; i < records; ++i) {
            link->SetActiveRecord(i);
            grid->SetRecordOffset(i - oldActive);
            const QString text = GetDisplayText();
            int width = TextWidth(font, text) + 4;
            if (FImageMargin >= 1)
                width += FImageMargin + 1; // image level 0 (tree levels add their own)
            else if ((FCheckBox || FExpandBox) && text.isEmpty())
                width += glyph;
            result = std::max(result, width);
        }
    }
    if (TitlesWidenColumns(grid) && result > 4)
        result = std::max(result, TitleTextWidth() + 4 + 2 * TitleMargin(grid));
    return result;
}

// ---- Collection: stretching, scaling, adjusting -------------------------------

void TZDBGridColumns::Stretch(int AvailableWidth)
{
    if (FInStretch)
        return;
    FInStretch = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FInStretch};

    const int lineWidth = FGrid ? FGrid->ColLineWidth() : 0;
    const int stretchMin = FGrid ? FGrid->GetStretchWidthMin() : -1;
    const int stretchMax = FGrid ? FGrid->GetStretchWidthMax() : -1;

    std::vector<TZColumn*> showing;
    for (TZColumn* column : *this)
        if (column->Showing())
            showing.push_back(column);

    // 1. What is there to share, and by whom.
    std::int64_t a = AvailableWidth;
    std::int64_t b = 0;
    for (TZColumn* column : showing) {
        a -= lineWidth;
        b += column->FStretchBase;
        column->FStretchState = swFree;
    }

    auto held = [&](const TZColumn* column) -> int {
        switch (column->FStretchState) {
        case swHeldMin: return column->FWidthMin;
        case swHeldMax: return column->FWidthMax;
        case swHeldStretchMin: return stretchMin;
        case swHeldStretchMax: return stretchMax;
        default: return 0;
        }
    };

    // 2. Hold the columns whose share breaks a limit, until nothing changes.
    if (b > 0) {
        bool firstPass = true;
        bool changed;
        do {
            changed = false;
            const std::int64_t passA = a;
            const std::int64_t passB = b;
            for (TZColumn* column : showing) {
                if (column->FStretchState != swFree)
                    continue;
                const std::int64_t w = passB > 0 ? column->FStretchBase * passA / passB : 0;
                TStretchState state = swFree;
                if (column->FWidthMin != -1 && w < column->FWidthMin)
                    state = swHeldMin;
                else if (column->FWidthMax != -1 && w > column->FWidthMax)
                    state = swHeldMax;
                else if (column->FWidthMin == -1 && stretchMin != -1 && w < stretchMin)
                    state = swHeldStretchMin;
                else if (column->FWidthMax == -1 && stretchMax != -1 && w > stretchMax)
                    state = swHeldStretchMax;
                if (state != swFree) {
                    column->FStretchState = state;
                    b -= column->FStretchBase;
                    a -= held(column);
                    changed = true;
                }
            }
            if (firstPass) {
                firstPass = false;
                if (b <= 0 && a >= 1) {
                    // Width is left over though every column is held: let the minima go.
                    for (TZColumn* column : showing) {
                        if (column->FStretchState == swHeldMin || column->FStretchState == swHeldStretchMin) {
                            a += held(column);
                            b += column->FStretchBase;
                            column->FStretchState = swFree;
                            changed = true;
                        }
                    }
                }
            }
        } while (changed && a >= 1 && b >= 1);
    }

    // 3. Keep the remainder for later width edits, then give out the widths.
    FStretchA = int(std::clamp<std::int64_t>(a, INT32_MIN, INT32_MAX));
    FStretchB = int(std::clamp<std::int64_t>(b, INT32_MIN, INT32_MAX));
    TCollectionUpdateGuard update(this);
    for (TZColumn* column : showing) {
        int width;
        if (column->FStretchState != swFree) {
            width = held(column);
        } else if (a < 1 || b < 1) {
            width = stretchMin == -1 ? 0 : stretchMin;
        } else {
            width = int(column->FStretchBase * a / b);
            b -= column->FStretchBase;
            a -= width;
        }
        if (column->GetWidth() != width)
            column->SetWidth(width);
    }
}

void TZDBGridColumns::StretchActivated(bool Active)
{
    if (Active) {
        for (TZColumn* column : *this)
            column->FStretchBase = column->TrueWidth();
        return;
    }
    TCollectionUpdateGuard update(this);
    for (TZColumn* column : *this)
        column->SetWidth(column->FStretchBase);
}

void TZDBGridColumns::ScaleColumnsBy(int M, int D, bool /*ScaleFonts*/)
{
    if (M == D || D == 0)
        return;
    TCollectionUpdateGuard update(this);
    for (TZColumn* column : *this) {
        column->FWidthMin = ScaleInt(column->FWidthMin, M, D);
        column->FWidthMax = ScaleInt(column->FWidthMax, M, D);
        column->FDesignedWidth = ScaleInt(column->FDesignedWidth, M, D);
        column->FStretchBase = MulDiv(column->FStretchBase, M, D);
        if (column->IsAssigned(cvWidth))
            column->FWidth = MulDiv(column->FWidth, M, D);
        column->FImageMargin = MulDiv(column->FImageMargin, M, D);
        if (!column->FLookupListWidths.isEmpty()) {
            QStringList widths = column->FLookupListWidths.split(QLatin1Char(';'));
            for (QString& width : widths) {
                bool ok = false;
                const int value = width.trimmed().toInt(&ok);
                if (ok)
                    width = QString::number(MulDiv(value, M, D));
            }
            column->FLookupListWidths = widths.join(QLatin1Char(';'));
        }
        if (column->IsAssigned(cvFont))
            ScaleFont(column->FFont, M, D);
        if (column->IsAssigned(cvTitleFont))
            ScaleFont(column->FTitle->FFont, M, D);
        auto scaleTotal = [M, D](TZColumnTotal* total) {
            if (total && total->FFontAssigned)
                ScaleFont(total->FFont, M, D);
        };
        scaleTotal(column->FTotalHeader.get());
        for (int i = 0; i < column->TotalValuesCount(); ++i)
            scaleTotal(column->FTotalValues->Items(i));
        scaleTotal(column->FTotalFields.get());
        scaleTotal(column->FTotalFooter.get());
        column->Changed(false);
    }
}

void TZDBGridColumns::AdjustColumnsWidth(bool Optimal, bool IncludeButtons)
{
    std::optional<TZLayoutGuard> layout;
    if (FGrid)
        layout.emplace(FGrid);
    int button = 0;
    if (IncludeButtons) {
        const QStyle* style = FGrid ? FGrid->style() : nullptr;
        button = (style ? style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, FGrid) : 16) + 1;
    }
    for (TZColumn* column : *this)
        column->SetWidth((Optimal ? column->OptimalWidth() : column->DesignedWidth()) + button);
}

} // namespace zdb

// TZCustomDBGrid painting of data cells and of the bottom block.
//
// A data cell is composed in this order: its state (TSelections) and colours,
// the background (a gradient for selected, multi-selected and striped cells
// while the grid gradient is active), the painting events and the standard
// content: the image (the column's image list, else the check-box glyph, else
// the expand box of the column or of the tree), then the text beside it.

#include "ZDBGrids.h"
#include "ZDBGridsPaint.h"
#include "ZDBGridsPicture.h"

#include <QPainter>

#include <algorithm>
#include <optional>

namespace zdb {

bool TZCustomDBGrid::CellHighlighted(int DataCol, TGridDrawState AState) const
{
    // The current cell (the row with dgRowSelect), and the multi-selected
    // rows, columns or cells of the record being painted.
    if (AState & (gdSelected | gdRowSelected))
        return true;
    return FDataLink->Active() && MultiSelected() && IsCellMultiSelected(DataCol);
}

TSelections TZCustomDBGrid::DataCellSelections(int DataCol, int Record, TGridDrawState AState) const
{
    TSelections result;
    if (AState & gdSelected)
        result.Include(slCellSelected);
    // The painted record is active now: the current row is the grid's.
    const bool currentRow = FTitleRowCount + Record == GetRow();
    if ((AState & gdRowSelected) || (currentRow && (FDrawingOptions & gdoSelectedRow)))
        result.Include(slRowSelected);
    if (FDataLink->Active() && MultiSelected() && IsCellMultiSelected(DataCol))
        result.Include(slMultiSelected);
    if ((FDrawingOptions & gdoStripedRows) || FStripeColor != clNone) {
        // By the record's number where the dataset has one, so that a stripe
        // stays with its record while the rows scroll.
        int number = Record;
        if (TDataSet* dataSet = DataSet(); dataSet && dataSet->IsSequenced() && dataSet->State() == dsBrowse) {
            const int recNo = dataSet->RecNo();
            if (recNo > 0)
                number = recNo - 1;
        }
        if (number % 2 == 1)
            result.Include(slRowStriped);
    }
    return result;
}

void TZCustomDBGrid::DataCellColors(TZColumn* Column, TSelections Selections, bool Focused, QColor& Back,
                                    QColor& Text, TColor& BackValue,
                                    std::optional<TZQGradientCell>& GradientCell) const
{
    const QPalette pal = palette();
    BackValue = GetTrueColor(Column->GetColor(), FColorValue, FColorValue);
    GradientCell.reset();
    bool highlight = true;
    if (Selections.Contains(slCellSelected) && FSelectCellColor != clNone) {
        BackValue = GetTrueColor(FSelectCellColor, DefaultSelectCellColor(), clDefault);
        GradientCell = gcSelectedCell;
    } else if (Selections.Contains(slRowSelected) && FSelectRowColor != clNone &&
               GetSelectRowActiveStyle() != 2) {
        BackValue = GetTrueColor(FSelectRowColor, DefaultSelectRowColor(), clDefault);
        GradientCell = gcSelectedRow;
        if (GetSelectRowActiveStyle() == 1) {
            // Tinted: half way between the row's colour and the cell's own.
            const QColor row = ToQColor(BackValue);
            const QColor own = ToQColor(GetTrueColor(Column->GetColor(), FColorValue, FColorValue));
            BackValue = QColorToColor(MixColors(row, own, 50));
        }
    } else if (Selections.Contains(slMultiSelected) && FSelectionColor != clNone) {
        BackValue = GetTrueColor(FSelectionColor, DefaultSelectionColor(), clDefault);
        GradientCell = gcMultiSelected;
    } else if (Selections.Contains(slRowStriped)) {
        BackValue = GetTrueColor(FStripeColor, DefaultStripeColor(), clDefault);
        GradientCell = gcStripedRows;
        highlight = false;
    } else {
        highlight = false;
    }
    // The current cell of a grid without focus in the palette's inactive highlight.
    if (GradientCell == gcSelectedCell && !Focused && BackValue == clHighlight)
        Back = pal.color(QPalette::Inactive, QPalette::Highlight);
    else
        Back = ToQColor(BackValue);
    const bool gradient = GradientCell && FGradient && FGradient->IsActive(true) &&
                          FGradient->GetCells().Contains(*GradientCell);
    if (!gradient)
        GradientCell.reset();
    const QColor normal = pal.color(QPalette::Text);
    const QColor preferred = highlight ? ToQColor(GetTrueColor(FHighlightText, DefaultHighlightText(), clDefault))
                                       : normal;
    auto ends = [&](QColor& Top, QColor& Bottom) {
        Top = Back;
        Bottom = QColor();
        if (gradient)
            FGradient->CellGradientColors(Back, Top, Bottom);
    };
    QColor top, bottom;
    ends(top, bottom);
    if (highlight && IsDarkPalette(pal)) {
        // A dark palette keeps its highlighted text: the selection colour is
        // toned until that text reads on both ends of the cell.
        auto worst = [&] {
            const double a = ContrastRatio(top, preferred);
            return bottom.isValid() ? std::min(a, ContrastRatio(bottom, preferred)) : a;
        };
        const int step = preferred.lightness() > Back.lightness() ? -3 : 3;
        for (int i = 0; i < 60 && worst() < 4.6; ++i) {
            const QColor next = ShadowColor(Back, step);
            if (next == Back)
                break;
            Back = next;
            ends(top, bottom);
        }
        BackValue = QColorToColor(Back);
    }
    // The text contrasts with both ends of a gradient.
    Text = ReadableColor(top, preferred, normal, bottom);
}

void TZCustomDBGrid::DrawRecordCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState)
{
    QPainter& c = *Canvas();
    TZColumn* column = ColumnOfRaw(ACol);
    if (!column)
        return;
    const int dataCol = RawToDataColumn(ACol);
    const int record = ARow - FTitleRowCount;
    const bool hasRecord = FDataLink->Active() && record >= 0 && record < FDataLink->RecordCount();
    std::optional<TZActiveRecordGuard> guard;
    if (hasRecord)
        guard.emplace(FDataLink.get(), record);

    FCellSelections = hasRecord ? DataCellSelections(dataCol, record, AState)
                                : ((AState & gdSelected) ? TSelections{slCellSelected} : TSelections{});
    QColor back, text;
    TColor backValue = clNone;
    std::optional<TZQGradientCell> gradientCell;
    DataCellColors(column, FCellSelections, IsActiveControl(), back, text, backValue, gradientCell);
    FCellHighlight = CellHighlighted(dataCol, AState);
    if (gradientCell)
        FGradient->FillCell(c, ARect, QColorToColor(back));
    else
        c.fillRect(ARect, back);
    if (FCellSelections.Contains(slRowSelected) && !FCellSelections.Contains(slCellSelected) &&
        FSelectRowColor != clNone && GetSelectRowActiveStyle() == 2) {
        // Framed: a line in the row's colour along its top and bottom.
        const QColor row = ToQColor(GetTrueColor(FSelectRowColor, DefaultSelectRowColor(), clDefault));
        c.fillRect(QRect(ARect.left(), ARect.top(), ARect.width(), 1), row);
        c.fillRect(QRect(ARect.left(), ARect.bottom(), ARect.width(), 1), row);
    }
    c.setPen(text);
    c.setBrush(back);
    c.setFont(column->GetFont());
    if (!hasRecord)
        return;
    PaintColumnCell(ARect, dataCol, column, AState);
    if (GetDefaultDrawing())
        DefaultDrawColumnCell(ARect, dataCol, column, AState);
    if (FColumns->State() == csDefault)
        DrawDataCell(ARect, column->GetField(), AState);
    DrawColumnCell(ARect, dataCol, column, AState);
}

QPixmap TZCustomDBGrid::CellImage(TZColumn* Column, int& Level)
{
    Level = 0;
    if (auto* images = qobject_cast<TZQImageList*>(Column->GetImages())) {
        // The field's value where it is a number, then the event's choice.
        int index = -1;
        if (TField* field = Column->GetField(); field && !field->IsNull()) {
            bool number = false;
            const int value = field->AsString().toInt(&number);
            if (number)
                index = value;
        }
        CalcImageIndex(Column, index);
        const QIcon icon = images->Image(index);
        if (!icon.isNull()) {
            const int side = ScaleValue(images->GetSize());
            return icon.pixmap(QSize(side, side), FGlyphRatio);
        }
    }
    if (Column->GetCheckBox() && !FCheckBoxes.isNull()) {
        // Checked, unchecked, or grayed for a value that is neither.
        const int state = Column->IsCheckBoxValue(true) ? 1 : Column->IsCheckBoxValue(false) ? 0 : 2;
        if (Column->GetCheckBoxStyle() == cbDefault)
            return PackageBitmapImage(FCheckBoxes,
                                      PackageImages::CheckBoxIndex(int(Column->GetCheckBoxKind()), state));
        return CheckBoxImage(Column, state, qRound(FCheckBoxes.height() / FCheckBoxes.devicePixelRatio()));
    }
    return {};
}

void TZCustomDBGrid::DefaultDrawColumnCell(const QRect& ARect, int DataCol, TZColumn* Column,
                                           TGridDrawState /*AState*/)
{
    QPainter* c = Canvas();
    if (!c || !Column)
        return;
    TCanvasState clip(*c);
    c->setClipRect(ARect, Qt::IntersectClip);
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    QRect textRect = ARect;

    // A tree column: the indentation and the expand box, the text beside them.
    QRect treeBox;
    if (FTreeView && FTreeView->IsTreeColumn(Column)) {
        textRect = FTreeView->TreeCellLayout(Column, ARect, treeBox);
        if (!treeBox.isEmpty() && !FExpandBoxes.isNull()) {
            DrawStripImage(*c, treeBox, FExpandBoxes,
                           PackageImages::ExpandBoxIndex(int(Column->GetExpandBoxSize()), FTreeView->GetRowExpanded()));
            // The glyph may be wider than the box it is centred on: the text keeps clear of it.
            const int side = int(FExpandBoxes.height() / FExpandBoxes.devicePixelRatio());
            const int glyphLeft = treeBox.left() + (treeBox.width() - side) / 2;
            if (rightToLeft)
                textRect.setRight(std::max(std::min(textRect.right(), glyphLeft - 2), ARect.left()));
            else
                textRect.setLeft(std::min(std::max(textRect.left(), glyphLeft + side + 2), ARect.right()));
        }
    } else {
        int level = 0;
        QPixmap image = CellImage(Column, level);
        bool expandBox = false;
        if (image.isNull() && Column->GetExpandBox() && !FExpandBoxes.isNull())
            expandBox = true;
        const int margin = Column->GetImageMargin();
        if (!image.isNull() || expandBox || margin >= 1) {
            // The image box: ImageMargin wide, after the indentation of its level.
            QRect box = ARect;
            if (margin >= 1) {
                const int start = level * margin;
                box = rightToLeft ? QRect(ARect.right() + 1 - start - margin, ARect.top(), margin, ARect.height())
                                  : QRect(ARect.left() + start, ARect.top(), margin, ARect.height());
            }
            if (expandBox) {
                DrawStripImage(*c, box, FExpandBoxes,
                               PackageImages::ExpandBoxIndex(int(Column->GetExpandBoxSize()), Column->GetExpanded()));
            } else if (!image.isNull()) {
                const QSize size = image.deviceIndependentSize().toSize();
                // The image follows the text's alignment, mirrored right to left as the text is.
                TAlignment alignment = Column->GetAlignment();
                if (rightToLeft && alignment != taCenter)
                    alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
                int x = box.left() + (box.width() - size.width()) / 2;
                if (margin < 1 && alignment == taLeftJustify)
                    x = box.left() + 2;
                else if (margin < 1 && alignment == taRightJustify)
                    x = box.left() + box.width() - size.width() - 2;
                int y = box.top() + (box.height() - size.height()) / 2;
                if (Column->GetVAlignment() == tvTopJustify)
                    y = box.top() + 2;
                else if (Column->GetVAlignment() == tvBottomJustify)
                    y = box.top() + box.height() - size.height() - 2;
                c->drawPixmap(QPoint(x + Column->GetImageOffsetX(), y + Column->GetImageOffsetY()), image);
            }
            // An image without margin takes the cell (a wallpaper has the text over it).
            const bool hasImage = !image.isNull() || expandBox;
            if (hasImage && margin < 1 && !Column->GetWallpaper())
                return;
            if (margin >= 1) {
                const int indent = margin * (level + 1) + 1;
                if (rightToLeft)
                    textRect.setRight(ARect.right() - indent);
                else
                    textRect.setLeft(ARect.left() + indent);
            }
        }
    }
    if (DrawColumnPicture(*c, textRect, Column))
        return;
    WriteText(*c, textRect, 2, Column->GetDisplayText(), Column->GetAlignment(), Column->GetVAlignment(),
              Column->GetWordWrap() && FLinesCount > 1, Column->GetEllipsis());
    PaintSearchHit(*c, DataCol);
}

void TZCustomDBGrid::PaintColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState)
{
    if (OnPaintColumnCell)
        OnPaintColumnCell(this, ARect, DataCol, Column, AState);
}

void TZCustomDBGrid::DrawDataCell(const QRect& ARect, TField* Field, TGridDrawState AState)
{
    if (OnDrawDataCell)
        OnDrawDataCell(this, ARect, Field, AState);
}

void TZCustomDBGrid::DrawColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState)
{
    if (OnDrawColumnCell)
        OnDrawColumnCell(this, ARect, DataCol, Column, AState);
}

// ---- Bottom block ---------------------------------------------------------------------

bool TZCustomDBGrid::TotalBoxed(TZColumnTotal* Total, int Index) const
{
    if (Total->GetTotalBox() != tbAuto)
        return Total->GetTotalBox() == tbTrue;
    // The box option of the row's kind: header, values, fields, footer.
    TZDBGridOptionEx option = dgTotalFooterBox;
    if (Index < FTotalHeaderRowCount)
        option = dgTotalHeaderBox;
    else if (Index < FTotalHeaderRowCount + FTotalValuesRowCount)
        option = dgTotalValuesBox;
    else if (Index < FTotalHeaderRowCount + FTotalValuesRowCount + TotalFieldsRowCount())
        option = dgTotalFieldsBox;
    if (!(FOptionsEx & option))
        return false;
    // A total that shows nothing has no box; with dgTotalDataBoxOnly captions neither.
    const TTotalResult result = Total->GetTotalResult();
    return result != trNone && (!(FOptionsEx & dgTotalDataBoxOnly) || result != trCaption);
}

void TZCustomDBGrid::DrawBottomCell(int ACol, int ARow, const QRect& ARect, TGridDrawState /*AState*/)
{
    QPainter& c = *Canvas();
    TZColumn* column = ACol >= FIndicatorOffset ? ColumnOfRaw(ACol) : nullptr;
    const bool blank = (FOptionsEx & dgBlankRow) && ARow == GetRowCount() - FBottomRowCount;
    const int index = ARow - (GetRowCount() - FBottomRowCount) - ((FOptionsEx & dgBlankRow) ? 1 : 0);
    TZColumnTotal* total = column && index >= 0 ? column->GetTotalRows(index) : nullptr;
    if (!total) {
        // The blank row between the records and the totals is the filler.
        c.fillRect(ARect, ToQColor(blank ? FFillerColor : FFixedColorValue));
    } else {
        QColor back = ToQColor(total->GetColor());
        c.fillRect(ARect, back);
        QRect text = ARect.adjusted(0, 0, -ColLineWidth(), -RowLineWidth());
        const QString value = GetTotalText(column, index, tkDisplay);
        int margin = FGridStyle->TotalColMargin() + 2;
        if (!value.isEmpty() && TotalBoxed(total, index) && text.width() > 6 && text.height() > 6) {
            // A box in the totals' BoxStyle around the value.
            text = DrawBoxFrame(c, text.adjusted(2, 2, -2, -2), FTotals->GetBoxStyle(), back);
            margin = 1; // the box is the margin
        }
        c.setFont(total->GetFont());
        c.setPen(ReadableColor(back, palette().color(QPalette::ButtonText), palette().color(QPalette::Text)));
        WriteText(c, text, margin, value, total->GetAlignment(), total->GetVAlignment(), total->GetWordWrap(), total->GetEllipsis());
    }
    FillLineStrips(c, ARect, ColLineWidth(), RowLineWidth(), true, true, palette().color(QPalette::Mid));
}

} // namespace zdb

// TCustomGrid: cell model, geometry, current cell and selection, scrolling,
// scale and component life. Painting, input and the in-place editor live in
// GridsPaint.cpp, GridsInput.cpp and GridsEditor.cpp.

#include "Grids.h"

#include "AppExceptions.h"
#include "Classes.h"

#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace zdb {

namespace {

// Pixels from the start of cell i to the start of cell i + 1 (never negative,
// so hidden cells with a negative extent do not move the following ones back).
int Advance(const TGridAxisDrawInfo& Axis, int i)
{
    return std::max(0, Axis.Extent(i) + Axis.EffectiveLineWidth);
}

// Keeps a cell index after moving the cell at From to To.
void MoveAdjust(int& CellPos, int FromIndex, int ToIndex)
{
    if (CellPos == FromIndex)
        CellPos = ToIndex;
    else if (CellPos > FromIndex && CellPos <= ToIndex)
        --CellPos;
    else if (CellPos < FromIndex && CellPos >= ToIndex)
        ++CellPos;
}

template <typename T>
void MoveExtent(std::vector<T>& Extents, int FromIndex, int ToIndex)
{
    if (Extents.empty())
        return;
    const T value = Extents[FromIndex];
    Extents.erase(Extents.begin() + FromIndex);
    Extents.insert(Extents.begin() + ToIndex, value);
}

} // namespace

TGridRect TGridRect::FromCorners(const TGridCoord& A, const TGridCoord& B)
{
    return {std::min(A.X, B.X), std::min(A.Y, B.Y), std::max(A.X, B.X), std::max(A.Y, B.Y)};
}

TShiftState ShiftStateFrom(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons, bool DoubleClick)
{
    TShiftState s;
    if (Modifiers & Qt::ShiftModifier)
        s |= ssShift;
    if (Modifiers & Qt::AltModifier)
        s |= ssAlt;
    if (Modifiers & Qt::ControlModifier)
        s |= ssCtrl;
    if (Modifiers & Qt::MetaModifier)
        s |= ssMeta;
    if (Buttons & Qt::LeftButton)
        s |= ssLeft;
    if (Buttons & Qt::RightButton)
        s |= ssRight;
    if (Buttons & Qt::MiddleButton)
        s |= ssMiddle;
    if (DoubleClick)
        s |= ssDouble;
    return s;
}

// ---- Construction ---------------------------------------------------------

TCustomGrid::TCustomGrid(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    FOptions = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    FColor = palette().color(QPalette::Base);
    FFixedColor = palette().color(QPalette::Button);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setFocusProxy(this);

    FScrollTimer = new QTimer(this);
    FScrollTimer->setInterval(60);
    connect(FScrollTimer, &QTimer::timeout, this, [this] { GuardEvent(this, [this] { ScrollTimerTick(); }); });

    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    connect(h, &QAbstractSlider::actionTriggered, this,
            [this](int action) { GuardEvent(this, [&] { ScrollBarAction(Qt::Horizontal, action); }); });
    connect(v, &QAbstractSlider::actionTriggered, this,
            [this](int action) { GuardEvent(this, [&] { ScrollBarAction(Qt::Vertical, action); }); });
    connect(h, &QAbstractSlider::sliderReleased, this,
            [this] { GuardEvent(this, [this] { ScrollBarReleased(Qt::Horizontal); }); });
    connect(v, &QAbstractSlider::sliderReleased, this,
            [this] { GuardEvent(this, [this] { ScrollBarReleased(Qt::Vertical); }); });

    FFocusConnection = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (FComponentState & csDestroying)
            return;
        const bool wasIn = old && (old == this || isAncestorOf(old));
        const bool isIn = now && (now == this || isAncestorOf(now));
        GuardEvent(this, [&] {
            if (wasIn && !isIn)
                DoExit();
            else if (!wasIn && isIn)
                DoEnter();
        });
    });

    Initialize();
    FCurrentPPI = ScreenPPI();
    SetScrollBars(ssBoth);
    UpdateScrollRange();
}

TCustomGrid::~TCustomGrid()
{
    FComponentState |= csDestroying;
    disconnect(FFocusConnection);
    disconnect(FScreenConnection);
    for (const auto& c : std::as_const(FFreeNotifies))
        disconnect(c);
}

// ---- Cell model -----------------------------------------------------------

void TCustomGrid::SetColCount(int Value)
{
    Value = std::max(Value, 1);
    if (Value == FColCount)
        return;
    if (Value <= FFixedCols)
        SetFixedCols(Value - 1);
    ChangeSize(Value, FRowCount);
}

void TCustomGrid::SetRowCount(int Value)
{
    Value = std::max(Value, 1);
    if (Value == FRowCount)
        return;
    if (Value <= FFixedRows)
        SetFixedRows(Value - 1);
    ChangeSize(FColCount, Value);
}

void TCustomGrid::SetFixedCols(int Value)
{
    if (Value == FFixedCols)
        return;
    if (Value < 0)
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    if (Value >= FColCount)
        throw EInvalidGridOperation(QStringLiteral("Fixed column count must be less than column count"));
    FFixedCols = Value;
    Initialize();
    UpdateScrollRange();
    InvalidateGrid();
    InvalidateEditor();
}

void TCustomGrid::SetFixedRows(int Value)
{
    if (Value == FFixedRows)
        return;
    if (Value < 0)
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    if (Value >= FRowCount)
        throw EInvalidGridOperation(QStringLiteral("Fixed row count must be less than row count"));
    FFixedRows = Value;
    Initialize();
    UpdateScrollRange();
    InvalidateGrid();
    InvalidateEditor();
}

void TCustomGrid::Initialize()
{
    FTopLeft = {FFixedCols, FFixedRows};
    FCurrent = FTopLeft;
    FAnchor = FCurrent;
    if (FOptions & goRowSelect)
        FAnchor.X = FColCount - 1;
}

void TCustomGrid::ChangeSize(int NewColCount, int NewRowCount)
{
    const int oldCols = FColCount;
    const int oldRows = FRowCount;
    if (!FColWidths.empty())
        FColWidths.resize(NewColCount, FDefaultColWidth);
    if (!FTabStops.empty())
        FTabStops.resize(NewColCount, 1);
    if (!FRowHeights.empty())
        FRowHeights.resize(NewRowCount, FDefaultRowHeight);
    FColCount = NewColCount;
    FRowCount = NewRowCount;

    const TGridCoord oldCurrent = FCurrent;
    auto clampCell = [this](TGridCoord& c) {
        c.X = std::clamp(c.X, FFixedCols, FColCount - 1);
        c.Y = std::clamp(c.Y, FFixedRows, FRowCount - 1);
    };
    clampCell(FCurrent);
    clampCell(FAnchor);
    clampCell(FTopLeft);
    if (FOptions & goRowSelect)
        FAnchor.X = FColCount - 1;
    const bool editorLost = FInplaceCol >= FColCount || FInplaceRow >= FRowCount;

    SizeChanged(oldCols, oldRows);
    UpdateScrollRange();
    InvalidateGrid();
    if (editorLost || !(oldCurrent == FCurrent))
        InvalidateEditor();
    else
        UpdateEditor();
}

int TCustomGrid::GetColWidths(int Index) const
{
    if (Index >= 0 && Index < int(FColWidths.size()))
        return FColWidths[Index];
    return FDefaultColWidth;
}

void TCustomGrid::SetColWidths(int Index, int Value)
{
    if (Index < 0 || Index >= FColCount)
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    Value = std::max(Value, -FGridLineWidth);
    if (FColWidths.empty()) {
        if (Value == FDefaultColWidth)
            return;
        FColWidths.assign(FColCount, FDefaultColWidth);
    }
    if (FColWidths[Index] == Value)
        return;
    FColWidths[Index] = Value;
    InvalidateGrid();
    ColWidthsChanged();
}

int TCustomGrid::GetRowHeights(int Index) const
{
    if (Index >= 0 && Index < int(FRowHeights.size()))
        return FRowHeights[Index];
    return FDefaultRowHeight;
}

void TCustomGrid::SetRowHeights(int Index, int Value)
{
    if (Index < 0 || Index >= FRowCount)
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    Value = std::max(Value, -FGridLineWidth);
    if (FRowHeights.empty()) {
        if (Value == FDefaultRowHeight)
            return;
        FRowHeights.assign(FRowCount, FDefaultRowHeight);
    }
    if (FRowHeights[Index] == Value)
        return;
    FRowHeights[Index] = Value;
    InvalidateGrid();
    RowHeightsChanged();
}

void TCustomGrid::SetDefaultColWidth(int Value)
{
    FColWidths.clear();
    FDefaultColWidth = std::max(Value, 0);
    InvalidateGrid();
    ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int Value)
{
    FRowHeights.clear();
    FDefaultRowHeight = std::max(Value, 0);
    InvalidateGrid();
    RowHeightsChanged();
}

void TCustomGrid::SetGridLineWidth(int Value)
{
    Value = std::max(Value, 0);
    if (Value == FGridLineWidth)
        return;
    FGridLineWidth = Value;
    UpdateScrollRange();
    InvalidateGrid();
    UpdateEditor();
}

bool TCustomGrid::GetTabStops(int Index) const
{
    if (Index >= 0 && Index < int(FTabStops.size()))
        return FTabStops[Index] != 0;
    return true;
}

void TCustomGrid::SetTabStops(int Index, bool Value)
{
    if (Index < 0 || Index >= FColCount)
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    if (FTabStops.empty()) {
        if (Value)
            return;
        FTabStops.assign(FColCount, 1);
    }
    FTabStops[Index] = Value ? 1 : 0;
}

void TCustomGrid::SetCol(int Value)
{
    if (Value != FCurrent.X)
        FocusCell(Value, FCurrent.Y, true);
}

void TCustomGrid::SetRow(int Value)
{
    if (Value != FCurrent.Y)
        FocusCell(FCurrent.X, Value, true);
}

void TCustomGrid::SetLeftCol(int Value)
{
    Value = std::clamp(Value, FFixedCols, FColCount - 1);
    if (Value != FTopLeft.X)
        MoveTopLeft(Value, FTopLeft.Y);
}

void TCustomGrid::SetTopRow(int Value)
{
    Value = std::clamp(Value, FFixedRows, FRowCount - 1);
    if (Value != FTopLeft.Y)
        MoveTopLeft(FTopLeft.X, Value);
}

int TCustomGrid::GetVisibleColCount() const
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return di.Horz.LastFullVisibleCell - FTopLeft.X + 1;
}

int TCustomGrid::GetVisibleRowCount() const
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return di.Vert.LastFullVisibleCell - FTopLeft.Y + 1;
}

int TCustomGrid::GetGridWidth() const
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return di.Horz.GridBoundary;
}

int TCustomGrid::GetGridHeight() const
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return di.Vert.GridBoundary;
}

int TCustomGrid::GetClientWidth() const
{
    return viewport()->width();
}

int TCustomGrid::GetClientHeight() const
{
    return viewport()->height();
}

void TCustomGrid::SetOptions(TGridOptions Value)
{
    if (Value & goRowSelect)
        Value &= ~TGridOptions(goAlwaysShowEditor);
    if (Value == FOptions)
        return;
    FOptions = Value;
    if (!FEditorMode) {
        if (Value & goAlwaysShowEditor)
            ShowEditor();
        else
            HideEditor();
    } else if (!(Value & goEditing) || (Value & goRowSelect)) {
        HideEditor();
    }
    if (Value & goRowSelect)
        MoveCurrent(FCurrent.X, FCurrent.Y, true, false);
    InvalidateGrid();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value)
{
    FScrollBars = Value;
    const bool h = Value == ssHorizontal || Value == ssBoth;
    const bool v = Value == ssVertical || Value == ssBoth;
    setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    UpdateScrollRange();
}

void TCustomGrid::SetBorderStyle(TBorderStyle Value)
{
    if (Value == GetBorderStyle())
        return;
    setFrameShape(Value == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
    UpdateScrollRange();
}

TBiDiMode TCustomGrid::GetBiDiMode() const
{
    return layoutDirection() == Qt::RightToLeft ? FBiDiMode : bdLeftToRight;
}

void TCustomGrid::SetBiDiMode(TBiDiMode Value)
{
    if (Value != bdLeftToRight)
        FBiDiMode = Value;
    setLayoutDirection(Value == bdLeftToRight ? Qt::LeftToRight : Qt::RightToLeft);
}

TGridRect TCustomGrid::GetSelection() const
{
    return TGridRect::FromCorners(FCurrent, FAnchor);
}

void TCustomGrid::SetSelection(const TGridRect& Value)
{
    const TGridRect oldSel = GetSelection();
    FAnchor = Value.TopLeft();
    FCurrent = Value.BottomRight();
    SelectionMoved(oldSel);
}

void TCustomGrid::SetColor(const QColor& Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    InvalidateGrid();
}

void TCustomGrid::SetFixedColor(const QColor& Value)
{
    if (Value == FFixedColor)
        return;
    FFixedColor = Value;
    InvalidateGrid();
}

void TCustomGrid::SetDefaultDrawing(bool Value)
{
    if (Value == FDefaultDrawing)
        return;
    FDefaultDrawing = Value;
    InvalidateGrid();
}

// ---- Geometry -------------------------------------------------------------

void TCustomGrid::CalcFixedInfo(TGridDrawInfo& DrawInfo) const
{
    auto fixedAxis = [this](TGridAxisDrawInfo& Axis, TGridOptions LineOptions, int FixedCount, int FirstCell,
                            int CellCount, std::function<int(int)> Extent) {
        Axis.EffectiveLineWidth = (FOptions & LineOptions) ? FGridLineWidth : 0;
        Axis.GetExtent = std::move(Extent);
        Axis.FixedBoundary = 0;
        for (int i = 0; i < FixedCount; ++i)
            Axis.FixedBoundary += Advance(Axis, i);
        Axis.FixedCellCount = FixedCount;
        Axis.FirstGridCell = FirstCell;
        Axis.GridCellCount = CellCount;
    };
    fixedAxis(DrawInfo.Horz, goFixedVertLine | goVertLine, FFixedCols, FTopLeft.X, FColCount,
              [this](int i) { return GetColWidths(i); });
    fixedAxis(DrawInfo.Vert, goFixedHorzLine | goHorzLine, FFixedRows, FTopLeft.Y, FRowCount,
              [this](int i) { return GetRowHeights(i); });
}

void TCustomGrid::CalcDrawInfoXY(TGridDrawInfo& DrawInfo, int UseWidth, int UseHeight) const
{
    auto calcAxis = [](TGridAxisDrawInfo& Axis, int UseExtent) {
        Axis.GridExtent = UseExtent;
        Axis.GridBoundary = Axis.FixedBoundary;
        Axis.FullVisBoundary = Axis.FixedBoundary;
        Axis.LastFullVisibleCell = Axis.FirstGridCell;
        for (int i = Axis.FirstGridCell; i < Axis.GridCellCount; ++i) {
            Axis.GridBoundary += Advance(Axis, i);
            if (Axis.GridBoundary > Axis.GridExtent + Axis.EffectiveLineWidth) {
                Axis.GridBoundary = Axis.GridExtent;
                break;
            }
            Axis.LastFullVisibleCell = i;
            Axis.FullVisBoundary = Axis.GridBoundary;
        }
    };
    CalcFixedInfo(DrawInfo);
    calcAxis(DrawInfo.Horz, UseWidth);
    calcAxis(DrawInfo.Vert, UseHeight);
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo& DrawInfo) const
{
    CalcDrawInfoXY(DrawInfo, GetClientWidth(), GetClientHeight());
}

int TCustomGrid::LinePos(const TGridAxisDrawInfo& AxisInfo, int Line)
{
    int pos = 0;
    int start = 0;
    if (Line >= AxisInfo.FixedCellCount) {
        if (Line < AxisInfo.FirstGridCell)
            return -1;
        pos = AxisInfo.FixedBoundary;
        start = AxisInfo.FirstGridCell;
    }
    for (int i = start; i < Line; ++i) {
        pos += Advance(AxisInfo, i);
        if (pos >= AxisInfo.GridExtent)
            return -1;
    }
    return pos < AxisInfo.GridExtent ? pos : -1;
}

QRect TCustomGrid::GridRectToScreenRect(const TGridRect& GridRect, bool IncludeLine) const
{
    TGridDrawInfo di;
    CalcDrawInfo(di);

    // Start and (exclusive) end of the visible part of cells Lo..Hi on one axis.
    auto span = [IncludeLine](const TGridAxisDrawInfo& A, int Lo, int Hi, int& Start, int& End) -> bool {
        if (Lo < 0)
            Lo = 0;
        if (Hi >= A.GridCellCount)
            Hi = A.GridCellCount - 1;
        if (Hi < Lo)
            return false;
        if (Lo >= A.FixedCellCount && Lo < A.FirstGridCell) {
            if (Hi < A.FirstGridCell)
                return false;
            Lo = A.FirstGridCell;
        }
        Start = LinePos(A, Lo);
        if (Start < 0)
            return false;
        int pos = Start;
        End = Start;
        for (int i = Lo; i <= Hi;) {
            End = pos + std::max(0, A.Extent(i));
            if (IncludeLine)
                End += A.EffectiveLineWidth;
            pos += Advance(A, i);
            if (End >= A.GridExtent) {
                End = A.GridExtent;
                break;
            }
            ++i;
            if (i == A.FixedCellCount && i < A.FirstGridCell)
                i = A.FirstGridCell;
        }
        return End > Start;
    };

    int left = 0, right = 0, top = 0, bottom = 0;
    if (!span(di.Horz, GridRect.Left, GridRect.Right, left, right))
        return {};
    if (!span(di.Vert, GridRect.Top, GridRect.Bottom, top, bottom))
        return {};
    return QRect(left, top, right - left, bottom - top);
}

QRect TCustomGrid::BoxRect(int ALeft, int ATop, int ARight, int ABottom) const
{
    return GridRectToScreenRect(TGridRect::FromCorners({ALeft, ATop}, {ARight, ABottom}));
}

QRect TCustomGrid::CellRect(int ACol, int ARow) const
{
    return BoxRect(ACol, ARow, ACol, ARow);
}

TGridCoord TCustomGrid::CalcCoordFromPoint(int X, int Y, const TGridDrawInfo& DrawInfo) const
{
    auto calc = [](const TGridAxisDrawInfo& A, int N) -> int {
        if (N < 0)
            return -1;
        int start, stop, line;
        if (N < A.FixedBoundary) {
            start = 0;
            stop = A.FixedCellCount - 1;
            line = 0;
        } else {
            start = A.FirstGridCell;
            stop = A.GridCellCount - 1;
            line = A.FixedBoundary;
        }
        for (int i = start; i <= stop; ++i) {
            line += Advance(A, i);
            if (N < line)
                return i;
        }
        return -1;
    };
    return {calc(DrawInfo.Horz, X), calc(DrawInfo.Vert, Y)};
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) const
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord c = CalcCoordFromPoint(X, Y, di);
    if (c.X < 0 || X >= di.Horz.GridExtent)
        c = {-1, -1};
    else if (c.Y < 0 || Y >= di.Vert.GridExtent)
        c = {-1, -1};
    return c;
}

TGridCoord TCustomGrid::CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfo& DrawInfo) const
{
    auto calcMaxCell = [](const TGridAxisDrawInfo& A, int Start) -> int {
        int result = Start;
        int line = A.GridExtent + A.EffectiveLineWidth;
        for (int i = Start; i >= A.FixedCellCount; --i) {
            const int extent = A.Extent(i);
            if (extent > 0) {
                line -= extent + A.EffectiveLineWidth;
                if (line < A.FixedBoundary) {
                    if (result == Start && A.Extent(Start) <= 0)
                        result = i;
                    break;
                }
                result = i;
            }
        }
        return std::max(result, A.FixedCellCount);
    };
    return {calcMaxCell(DrawInfo.Horz, Coord.X), calcMaxCell(DrawInfo.Vert, Coord.Y)};
}

void TCustomGrid::CalcPageExtents(const TGridDrawInfo& DrawInfo, int& PageWidth, int& PageHeight) const
{
    PageWidth = std::max(1, DrawInfo.Horz.LastFullVisibleCell - FTopLeft.X);
    PageHeight = std::max(1, DrawInfo.Vert.LastFullVisibleCell - FTopLeft.Y);
}

// ---- Current cell, selection and scrolling ---------------------------------

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount)
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    if (!SelectCell(ACol, ARow))
        return;
    const TGridRect oldSel = GetSelection();
    const TGridCoord oldCurrent = FCurrent;
    FCurrent = {ACol, ARow};
    if (!(FOptions & goAlwaysShowEditor))
        HideEditor();
    if (MoveAnchor || !(FOptions & goRangeSelect)) {
        FAnchor = FCurrent;
        if (FOptions & goRowSelect)
            FAnchor.X = FColCount - 1;
    }
    if (FOptions & goRowSelect)
        FCurrent.X = FFixedCols;
    if (Show)
        ClampInView(FCurrent);
    SelectionMoved(oldSel);
    InvalidateCell(oldCurrent.X, oldCurrent.Y);
    InvalidateCell(ACol, ARow);
}

void TCustomGrid::MoveAnchor(const TGridCoord& NewAnchor)
{
    if (FOptions & goRangeSelect) {
        const TGridRect oldSel = GetSelection();
        FAnchor = NewAnchor;
        if (FOptions & goRowSelect)
            FAnchor.X = FColCount - 1;
        ClampInView(NewAnchor);
        SelectionMoved(oldSel);
    } else {
        MoveCurrent(NewAnchor.X, NewAnchor.Y, true, true);
    }
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor)
{
    MoveCurrent(ACol, ARow, MoveAnchor, true);
    UpdateEditor();
    Click();
}

void TCustomGrid::MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    MoveCurrent(ACol, ARow, MoveAnchor, Show);
    UpdateEditor();
    Click();
}

void TCustomGrid::ClampInView(const TGridCoord& Coord)
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const bool scrollCol = Coord.X >= FFixedCols;
    const bool scrollRow = Coord.Y >= FFixedRows;
    const bool colOut = scrollCol && (Coord.X > di.Horz.LastFullVisibleCell || Coord.X < FTopLeft.X);
    const bool rowOut = scrollRow && (Coord.Y > di.Vert.LastFullVisibleCell || Coord.Y < FTopLeft.Y);
    if (!colOut && !rowOut)
        return;
    const TGridCoord maxTopLeft = CalcMaxTopLeft(Coord, di);
    const TGridCoord oldTopLeft = FTopLeft;
    if (colOut) {
        if (Coord.X < FTopLeft.X)
            FTopLeft.X = Coord.X;
        else
            FTopLeft.X = maxTopLeft.X;
    }
    if (rowOut) {
        if (Coord.Y < FTopLeft.Y)
            FTopLeft.Y = Coord.Y;
        else
            FTopLeft.Y = maxTopLeft.Y;
    }
    if (!(oldTopLeft == FTopLeft))
        TopLeftMoved(oldTopLeft);
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop)
{
    if (ALeft == FTopLeft.X && ATop == FTopLeft.Y)
        return;
    const TGridCoord oldTopLeft = FTopLeft;
    FTopLeft = {ALeft, ATop};
    TopLeftMoved(oldTopLeft);
}

void TCustomGrid::TopLeftMoved(const TGridCoord& /*OldTopLeft*/)
{
    UpdateScrollPos();
    InvalidateGrid();
    TopLeftChanged();
}

void TCustomGrid::SelectionMoved(const TGridRect& OldSel)
{
    const TGridRect newSel = GetSelection();
    if (OldSel == newSel)
        return;
    InvalidateRect(OldSel);
    InvalidateRect(newSel);
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex)
        return;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FColCount || ToIndex >= FColCount)
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    MoveExtent(FColWidths, FromIndex, ToIndex);
    MoveExtent(FTabStops, FromIndex, ToIndex);
    MoveAdjust(FCurrent.X, FromIndex, ToIndex);
    MoveAdjust(FAnchor.X, FromIndex, ToIndex);
    if (FInplaceCol >= 0)
        MoveAdjust(FInplaceCol, FromIndex, ToIndex);
    if (FOptions & goRowSelect) {
        FCurrent.X = FFixedCols;
        FAnchor.X = FColCount - 1;
    }
    InvalidateGrid();
    ColumnMoved(FromIndex, ToIndex);
    if (!FColWidths.empty())
        ColWidthsChanged();
    UpdateEditor();
}

void TCustomGrid::MoveRow(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex)
        return;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FRowCount || ToIndex >= FRowCount)
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    MoveExtent(FRowHeights, FromIndex, ToIndex);
    MoveAdjust(FCurrent.Y, FromIndex, ToIndex);
    MoveAdjust(FAnchor.Y, FromIndex, ToIndex);
    if (FInplaceRow >= 0)
        MoveAdjust(FInplaceRow, FromIndex, ToIndex);
    InvalidateGrid();
    RowMoved(FromIndex, ToIndex);
    if (!FRowHeights.empty())
        RowHeightsChanged();
    UpdateEditor();
}

void TCustomGrid::UpdateScrollRange()
{
    if (FScrollBarLock > 0) {
        FScrollRangeAgain = true;
        return;
    }
    TCountGuard lock(FScrollBarLock);
    const bool horz = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    const bool vert = FScrollBars == ssVertical || FScrollBars == ssBoth;
    // Showing or hiding a bar resizes the viewport, which asks again: repeat
    // until the layout is stable.
    for (int pass = 0; pass < 4; ++pass) {
        FScrollRangeAgain = false;
        TGridDrawInfo di;
        CalcDrawInfo(di);
        const TGridCoord maxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, di);
        TGridCoord newTopLeft = FTopLeft;
        if (horz && newTopLeft.X > maxTopLeft.X)
            newTopLeft.X = maxTopLeft.X;
        if (vert && newTopLeft.Y > maxTopLeft.Y)
            newTopLeft.Y = maxTopLeft.Y;
        if (!(newTopLeft == FTopLeft)) {
            MoveTopLeft(newTopLeft.X, newTopLeft.Y);
            CalcDrawInfo(di);
        }
        QScrollBar* h = horizontalScrollBar();
        QScrollBar* v = verticalScrollBar();
        if (horz) {
            h->setRange(FFixedCols, std::max(FFixedCols, maxTopLeft.X));
            h->setPageStep(std::max(1, di.Horz.LastFullVisibleCell - FTopLeft.X + 1));
            h->setSingleStep(1);
            h->setValue(FTopLeft.X);
        } else {
            h->setRange(0, 0);
        }
        if (vert) {
            v->setRange(FFixedRows, std::max(FFixedRows, maxTopLeft.Y));
            v->setPageStep(std::max(1, di.Vert.LastFullVisibleCell - FTopLeft.Y + 1));
            v->setSingleStep(1);
            v->setValue(FTopLeft.Y);
        } else {
            v->setRange(0, 0);
        }
        if (!FScrollRangeAgain)
            break;
    }
}

void TCustomGrid::UpdateScrollPos()
{
    TCountGuard lock(FScrollBarLock);
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
        horizontalScrollBar()->setValue(FTopLeft.X);
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        verticalScrollBar()->setValue(FTopLeft.Y);
}

void TCustomGrid::ScrollBarAction(Qt::Orientation Orientation, int Action)
{
    QScrollBar* bar = Orientation == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
    TScrollCode code;
    switch (Action) {
    case QAbstractSlider::SliderSingleStepAdd: code = scLineDown; break;
    case QAbstractSlider::SliderSingleStepSub: code = scLineUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = scPageDown; break;
    case QAbstractSlider::SliderPageStepSub: code = scPageUp; break;
    case QAbstractSlider::SliderToMinimum: code = scTop; break;
    case QAbstractSlider::SliderToMaximum: code = scBottom; break;
    case QAbstractSlider::SliderMove: code = bar->isSliderDown() ? scThumbTrack : scThumbPosition; break;
    default: return;
    }
    const int pos = bar->sliderPosition();
    if (Orientation == Qt::Vertical)
        WMVScroll(code, pos);
    else
        WMHScroll(code, pos);
    // While the thumb is dragged without thumb tracking it stays where the user
    // holds it; otherwise the bar shows the model again.
    if (code != scThumbTrack || (FOptions & goThumbTracking))
        UpdateScrollPos();
}

void TCustomGrid::ScrollBarReleased(Qt::Orientation Orientation)
{
    QScrollBar* bar = Orientation == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
    const int pos = bar->sliderPosition();
    if (Orientation == Qt::Vertical)
        WMVScroll(scThumbPosition, pos);
    else
        WMHScroll(scThumbPosition, pos);
    UpdateScrollPos();
}

void TCustomGrid::WMVScroll(TScrollCode Code, int Pos)
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const int maxTop = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, di).Y;
    int pageWidth, pageHeight;
    CalcPageExtents(di, pageWidth, pageHeight);
    int top = FTopLeft.Y;
    switch (Code) {
    case scLineUp: --top; break;
    case scLineDown: ++top; break;
    case scPageUp: top -= pageHeight; break;
    case scPageDown: top += pageHeight; break;
    case scThumbTrack:
        if (!(FOptions & goThumbTracking))
            return;
        top = Pos;
        break;
    case scThumbPosition: top = Pos; break;
    case scTop: top = FFixedRows; break;
    case scBottom: top = maxTop; break;
    case scEndScroll: return;
    }
    top = std::clamp(top, FFixedRows, std::max(FFixedRows, maxTop));
    if (top != FTopLeft.Y)
        MoveTopLeft(FTopLeft.X, top);
}

void TCustomGrid::WMHScroll(TScrollCode Code, int Pos)
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const int maxLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, di).X;
    int pageWidth, pageHeight;
    CalcPageExtents(di, pageWidth, pageHeight);
    int left = FTopLeft.X;
    switch (Code) {
    case scLineUp: --left; break;
    case scLineDown: ++left; break;
    case scPageUp: left -= pageWidth; break;
    case scPageDown: left += pageWidth; break;
    case scThumbTrack:
        if (!(FOptions & goThumbTracking))
            return;
        left = Pos;
        break;
    case scThumbPosition: left = Pos; break;
    case scTop: left = FFixedCols; break;
    case scBottom: left = maxLeft; break;
    case scEndScroll: return;
    }
    left = std::clamp(left, FFixedCols, std::max(FFixedCols, maxLeft));
    if (left != FTopLeft.X)
        MoveTopLeft(left, FTopLeft.Y);
}

// ---- Default hooks ----------------------------------------------------------

void TCustomGrid::ColWidthsChanged()
{
    UpdateScrollRange();
    UpdateEditor();
}

void TCustomGrid::RowHeightsChanged()
{
    UpdateScrollRange();
    UpdateEditor();
}

void TCustomGrid::TopLeftChanged()
{
    if (FEditorMode && FInplaceEdit)
        FInplaceEdit->UpdateLoc(CellRect(FCurrent.X, FCurrent.Y));
}

void TCustomGrid::SizeChanged(int /*OldColCount*/, int /*OldRowCount*/) {}

bool TCustomGrid::SelectCell(int /*ACol*/, int /*ARow*/)
{
    return true;
}

void TCustomGrid::ColumnMoved(int /*FromIndex*/, int /*ToIndex*/) {}

void TCustomGrid::RowMoved(int /*FromIndex*/, int /*ToIndex*/) {}

bool TCustomGrid::BeginColumnDrag(int& /*Origin*/, int& /*Destination*/, const QPoint& /*MousePt*/)
{
    return true;
}

bool TCustomGrid::CheckColumnDrag(int& /*Origin*/, int& /*Destination*/, const QPoint& /*MousePt*/)
{
    return true;
}

bool TCustomGrid::EndColumnDrag(int& /*Origin*/, int& /*Destination*/, const QPoint& /*MousePt*/)
{
    return true;
}

bool TCustomGrid::BeginRowDrag(int& /*Origin*/, int& /*Destination*/, const QPoint& /*MousePt*/)
{
    return true;
}

bool TCustomGrid::CheckRowDrag(int& /*Origin*/, int& /*Destination*/, const QPoint& /*MousePt*/)
{
    return true;
}

bool TCustomGrid::EndRowDrag(int& /*Origin*/, int& /*Destination*/, const QPoint& /*MousePt*/)
{
    return true;
}

void TCustomGrid::Click()
{
    if (OnClick)
        OnClick();
}

void TCustomGrid::DblClick()
{
    if (OnDblClick)
        OnDblClick();
}

void TCustomGrid::DoEnter()
{
    if (OnEnter)
        OnEnter();
}

void TCustomGrid::DoExit()
{
    if (OnExit)
        OnExit();
}

// ---- Scale ------------------------------------------------------------------

int TCustomGrid::ScreenPPI() const
{
    const QScreen* s = screen();
    return s ? qRound(s->logicalDotsPerInch()) : 96;
}

int TCustomGrid::ImagePPI() const
{
    return qRound(FCurrentPPI * devicePixelRatioF());
}

void TCustomGrid::ChangeScale(int M, int D, bool IsDpiChange)
{
    if (M == D || D == 0)
        return;
    if (IsDpiChange)
        FCurrentPPI = MulDiv(FCurrentPPI, M, D);
    std::vector<int> widths = std::move(FColWidths);
    std::vector<int> heights = std::move(FRowHeights);
    FColWidths.clear();
    FRowHeights.clear();
    FDefaultColWidth = MulDiv(FDefaultColWidth, M, D);
    FDefaultRowHeight = MulDiv(FDefaultRowHeight, M, D);
    for (int& w : widths)
        w = MulDiv(w, M, D);
    for (int& h : heights)
        h = MulDiv(h, M, D);
    FColWidths = std::move(widths);
    FRowHeights = std::move(heights);
    InvalidateGrid();
    ColWidthsChanged();
    RowHeightsChanged();
}

void TCustomGrid::CheckPPI()
{
    const int ppi = ScreenPPI();
    if (ppi != FCurrentPPI && ppi > 0)
        ChangeScale(ppi, FCurrentPPI, true);
}

// ---- Component life ---------------------------------------------------------

void TCustomGrid::Loaded()
{
    FComponentState &= ~TComponentState(csLoading);
    UpdateScrollRange();
    UpdateEditor();
}

void TCustomGrid::Notification(QObject* /*AComponent*/, TOperation /*Operation*/) {}

void TCustomGrid::FreeNotification(QObject* AComponent)
{
    if (!AComponent || AComponent == this || FFreeNotifies.contains(AComponent))
        return;
    FFreeNotifies.insert(AComponent, connect(AComponent, &QObject::destroyed, this, [this](QObject* obj) {
                             FFreeNotifies.remove(obj);
                             GuardEvent(this, [&] { Notification(obj, opRemove); });
                         }));
}

void TCustomGrid::RemoveFreeNotification(QObject* AComponent)
{
    const auto it = FFreeNotifies.find(AComponent);
    if (it == FFreeNotifies.end())
        return;
    disconnect(it.value());
    FFreeNotifies.erase(it);
}

void TCustomGrid::CreateWnd()
{
    UpdateScrollRange();
    UpdateEditor();
}

void TCustomGrid::HandleNeeded()
{
    if (FHandleAllocated)
        return;
    FHandleAllocated = true;
    CreateWnd();
}

bool TCustomGrid::PostDeferred(std::function<void()> Proc, int Id)
{
    if (FDeferred.count(Id))
        return false;
    const quint64 serial = ++FDeferredSerial;
    FDeferred[Id] = {std::move(Proc), serial};
    QMetaObject::invokeMethod(
        this,
        [this, Id, serial] {
            const auto it = FDeferred.find(Id);
            if (it == FDeferred.end() || it->second.Serial != serial)
                return;
            std::function<void()> proc = std::move(it->second.Proc);
            FDeferred.erase(it);
            if (proc && !(FComponentState & csDestroying))
                GuardEvent(this, proc);
        },
        Qt::QueuedConnection);
    return true;
}

void TCustomGrid::CancelDeferred(int Id)
{
    FDeferred.erase(Id);
}

void TCustomGrid::StartScrollTimer()
{
    FScrollTimer->start();
}

void TCustomGrid::StopScrollTimer()
{
    FScrollTimer->stop();
}

} // namespace zdb

#pragma once
// The generic cell grid: TCustomGrid, a scroll area that shows a matrix of cells
// with fixed (non-scrolling) leading rows and columns, per-column widths and
// per-row heights, a current cell, a range selection, a top-left scroll position
// and an in-place editor (TInplaceEdit). It holds no data: descendants paint the
// cells (DrawCell), supply and take the editor's text (GetEditText/SetEditText)
// and refine the behaviour through the virtual hooks below.
//
// Geometry is in viewport (client) pixels. A cell rectangle is a QRect whose
// width() and height() are the cell's extent; its exclusive right edge is
// left() + width() (QRect::right() is the last pixel inside). The grid line of a
// cell lies just right of and below that rectangle.
//
// Rows and columns scroll by whole cells: LeftCol and TopRow are the first
// scrolled column and row shown after the fixed ones, and the scroll bars count
// cells, not pixels, so a grid of millions of rows scrolls and paints in time
// proportional to what is visible.
//
// Every hook X that has an event OnX fires the event and then does the grid's own
// work through the protected, non-virtual GridX, so that a descendant which fires
// the event itself (or wants only the standard behaviour) can call GridX directly.

#include <QAbstractScrollArea>
#include <QColor>
#include <QHash>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

class QPainter;
class QTimer;

namespace zdb {

class TCustomGrid;

// Number * Numerator / Denominator rounded to the nearest integer (halves away
// from zero), computed in 64 bits; -1 when Denominator is 0.
inline int MulDiv(int Number, int Numerator, int Denominator)
{
    if (Denominator == 0)
        return -1;
    const std::int64_t product = std::int64_t(Number) * Numerator;
    std::int64_t half = Denominator / 2;
    if (half < 0)
        half = -half;
    const bool negative = (product < 0) != (Denominator < 0);
    std::int64_t magnitude = (product < 0 ? -product : product) + half;
    magnitude /= (Denominator < 0 ? -std::int64_t(Denominator) : Denominator);
    return int(negative ? -magnitude : magnitude);
}

// Raised for invalid cell indices and fixed counts.
class EInvalidGridOperation : public std::runtime_error
{
public:
    explicit EInvalidGridOperation(const QString& message)
        : std::runtime_error(message.toStdString()) {}
};

struct TGridCoord
{
    int X = 0;
    int Y = 0;
    friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// An inclusive range of cells: columns Left..Right, rows Top..Bottom.
struct TGridRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    TGridCoord TopLeft() const { return {Left, Top}; }
    TGridCoord BottomRight() const { return {Right, Bottom}; }
    bool Contains(int ACol, int ARow) const
    {
        return ACol >= Left && ACol <= Right && ARow >= Top && ARow <= Bottom;
    }
    // The rectangle spanned by two corners in any order.
    static TGridRect FromCorners(const TGridCoord& A, const TGridCoord& B);
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

// The base grid's published enumerations, registered with the meta-object
// system (zdb::GridBase::staticMetaObject) so that properties read and write
// them by key names; the inline namespace keeps their names in zdb.
inline namespace GridBase {
Q_NAMESPACE

enum TGridOption : unsigned {
    goFixedVertLine = 0x0001,
    goFixedHorzLine = 0x0002,
    goVertLine = 0x0004,
    goHorzLine = 0x0008,
    goRangeSelect = 0x0010,
    goDrawFocusSelected = 0x0020,
    goRowSizing = 0x0040,
    goColSizing = 0x0080,
    goRowMoving = 0x0100,
    goColMoving = 0x0200,
    goEditing = 0x0400,
    goTabs = 0x0800,
    goRowSelect = 0x1000,
    goAlwaysShowEditor = 0x2000,
    goThumbTracking = 0x4000,
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_FLAG_NS(TGridOptions)

enum TGridDrawStateFlag : unsigned {
    gdSelected = 0x01,
    gdFocused = 0x02,
    gdFixed = 0x04,
    gdRowSelected = 0x08,
    gdHotTrack = 0x10,
    gdPressed = 0x20,
};
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateFlag)

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
Q_ENUM_NS(TScrollStyle)

// The control's border: none, or the style's frame.
enum TBorderStyle { bsNone, bsSingle };
Q_ENUM_NS(TBorderStyle)

// Reading order: the right-to-left modes lay the control out mirrored.
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
Q_ENUM_NS(TBiDiMode)

} // namespace GridBase

enum TGridScrollDirectionFlag : unsigned { sdLeft = 0x1, sdRight = 0x2, sdUp = 0x4, sdDown = 0x8 };
Q_DECLARE_FLAGS(TGridScrollDirection, TGridScrollDirectionFlag)

// Keyboard modifiers, pressed mouse buttons and the double-click mark of an
// input event.
enum TShiftStateFlag : unsigned {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
    ssMeta = 0x80,
};
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)

TShiftState ShiftStateFrom(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons = Qt::NoButton,
                           bool DoubleClick = false);

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned { csLoading = 0x1, csDestroying = 0x2, csDesigning = 0x4 };
Q_DECLARE_FLAGS(TComponentState, TComponentStateFlag)

// Scroll-bar requests, as reported to WMVScroll/WMHScroll.
enum TScrollCode {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scThumbPosition, // the thumb was released (or the bar scrolled by its wheel) at Pos
    scThumbTrack,    // the thumb is being dragged, now at Pos
    scTop,
    scBottom,
    scEndScroll,
};

// One axis of the visible layout (columns: Horz, rows: Vert). Boundaries are
// pixel positions from the client origin.
struct TGridAxisDrawInfo
{
    int EffectiveLineWidth = 0;  // grid line width on this axis, 0 without lines
    int FixedBoundary = 0;       // end of the fixed cells, their lines included
    int GridBoundary = 0;        // end of the last (possibly partly) visible cell
    int GridExtent = 0;          // client extent
    int LastFullVisibleCell = 0; // last cell shown in full
    int FullVisBoundary = 0;     // end of LastFullVisibleCell, its line included
    int FixedCellCount = 0;
    int FirstGridCell = 0;       // LeftCol or TopRow
    int GridCellCount = 0;       // ColCount or RowCount
    std::function<int(int)> GetExtent; // width or height of cell i
    int Extent(int i) const { return GetExtent(i); }
};

struct TGridDrawInfo
{
    TGridAxisDrawInfo Horz;
    TGridAxisDrawInfo Vert;
};

// Saves a painter's state for the guard's lifetime: the state is restored on
// every way out (or earlier by Restore), so that a drawing routine that fails
// leaves the painter as it found it.
class TCanvasState
{
public:
    explicit TCanvasState(QPainter& Canvas);
    ~TCanvasState() { Restore(); }
    TCanvasState(const TCanvasState&) = delete;
    TCanvasState& operator=(const TCanvasState&) = delete;
    void Restore();

private:
    QPainter* FCanvas;
};

// The in-place editor: a frameless line edit, child of the grid's viewport,
// placed over the current cell.
class TInplaceEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TInplaceEdit(TCustomGrid* AGrid);
    // An editor on AParent; without a grid (AGrid nullptr) it edits on its own.
    TInplaceEdit(QWidget* AParent, TCustomGrid* AGrid);

    TCustomGrid* Grid() const { return FGrid; }

    // Caret at the end, nothing selected.
    void Deselect();
    void Hide();
    // Shows the editor over Loc (hides it when Loc is empty) and takes the focus
    // when the grid is the active control.
    void Move(const QRect& Loc);
    // Moves the editor without changing the focus.
    void UpdateLoc(const QRect& Loc);
    void SetFocus();
    void Invalidate();
    // Reloads mask, text and length limit from the grid's current cell.
    virtual void UpdateContents();
    // Feeds a character as if typed (used when typing on the grid starts editing).
    virtual void TypeChar(QChar Ch);

    bool GetVisible() const { return isVisible(); }
    QString GetText() const { return text(); }
    void SetText(const QString& Value) { setText(Value); }
    int GetSelStart() const;
    int GetSelLength() const;
    void SetSelStart(int Value);
    void SetSelLength(int Value);
    // The text of the cell when editing started there (Escape goes back to it).
    QString GetOriginalText() const { return FOriginalText; }

protected:
    virtual void KeyDown(int& Key, TShiftState Shift);
    virtual void KeyPress(QChar& Key);
    virtual void KeyUp(int& Key, TShiftState Shift);
    virtual void BoundsChanged();

    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;

    TCustomGrid* FGrid;
    QString FOriginalText;

private:
    void InternalMove(const QRect& Loc, bool TakeFocus);
    void HandleKeyPress(QKeyEvent* Event);
    // Applies the editor's character filter; false when the key is refused.
    bool FilterChar(QChar& Key, bool AskGrid);
};

class TCustomGrid : public QAbstractScrollArea
{
    Q_OBJECT
    Q_PROPERTY(int ColCount READ GetColCount WRITE SetColCount)
    Q_PROPERTY(int RowCount READ GetRowCount WRITE SetRowCount)
    Q_PROPERTY(int FixedCols READ GetFixedCols WRITE SetFixedCols)
    Q_PROPERTY(int FixedRows READ GetFixedRows WRITE SetFixedRows)
    Q_PROPERTY(int DefaultColWidth READ GetDefaultColWidth WRITE SetDefaultColWidth)
    Q_PROPERTY(int DefaultRowHeight READ GetDefaultRowHeight WRITE SetDefaultRowHeight)
    Q_PROPERTY(int GridLineWidth READ GetGridLineWidth WRITE SetGridLineWidth)
    Q_PROPERTY(int Col READ GetCol WRITE SetCol)
    Q_PROPERTY(int Row READ GetRow WRITE SetRow)
    Q_PROPERTY(int LeftCol READ GetLeftCol WRITE SetLeftCol)
    Q_PROPERTY(int TopRow READ GetTopRow WRITE SetTopRow)
    Q_PROPERTY(int VisibleRowCount READ GetVisibleRowCount)
    Q_PROPERTY(zdb::GridBase::TGridOptions Options READ GetOptions WRITE SetOptions)
    Q_PROPERTY(zdb::GridBase::TScrollStyle ScrollBars READ GetScrollBars WRITE SetScrollBars)
    Q_PROPERTY(bool DefaultDrawing READ GetDefaultDrawing WRITE SetDefaultDrawing)
    Q_PROPERTY(zdb::GridBase::TBorderStyle BorderStyle READ GetBorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(zdb::GridBase::TBiDiMode BiDiMode READ GetBiDiMode WRITE SetBiDiMode)
    Q_PROPERTY(bool DoubleBuffered READ GetDoubleBuffered)
    Q_PROPERTY(QMenu* PopupMenu READ GetPopupMenu WRITE SetPopupMenu)
    friend class TInplaceEdit;

public:
    explicit TCustomGrid(QWidget* parent = nullptr);
    ~TCustomGrid() override;

    // ---- Cell model --------------------------------------------------------
    int GetColCount() const { return FColCount; }
    void SetColCount(int Value);
    int GetRowCount() const { return FRowCount; }
    void SetRowCount(int Value);
    int GetFixedCols() const { return FFixedCols; }
    void SetFixedCols(int Value);
    int GetFixedRows() const { return FFixedRows; }
    void SetFixedRows(int Value);
    int GetColWidths(int Index) const;
    void SetColWidths(int Index, int Value);
    // Negative heights (down to minus the line width) hide a row with its line.
    int GetRowHeights(int Index) const;
    void SetRowHeights(int Index, int Value);
    int GetDefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(int Value); // resets every column to the new width
    int GetDefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int Value); // resets every row to the new height
    int GetGridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value);
    bool GetTabStops(int Index) const;
    void SetTabStops(int Index, bool Value);

    int GetCol() const { return FCurrent.X; }
    void SetCol(int Value);
    int GetRow() const { return FCurrent.Y; }
    void SetRow(int Value);
    int GetLeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int Value);
    int GetTopRow() const { return FTopLeft.Y; }
    void SetTopRow(int Value);
    int GetVisibleColCount() const;
    int GetVisibleRowCount() const;
    int GetGridWidth() const;  // end of the last visible column
    int GetGridHeight() const; // end of the last visible row
    int GetClientWidth() const;
    int GetClientHeight() const;

    TGridOptions GetOptions() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    TScrollStyle GetScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    TGridRect GetSelection() const;
    void SetSelection(const TGridRect& Value);

    QColor GetColor() const { return FColor; }
    void SetColor(const QColor& Value);
    QColor GetFixedColor() const { return FFixedColor; }
    void SetFixedColor(const QColor& Value);
    bool GetDefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value);

    TGridState GetGridState() const { return FGridState; }

    // ---- Control -----------------------------------------------------------
    // bsSingle: the style's frame around the cells; bsNone: no frame.
    TBorderStyle GetBorderStyle() const { return frameShape() == QFrame::NoFrame ? bsNone : bsSingle; }
    void SetBorderStyle(TBorderStyle Value);
    // The layout direction, remembering which right-to-left mode was asked for.
    TBiDiMode GetBiDiMode() const;
    void SetBiDiMode(TBiDiMode Value);
    // Widgets paint through the platform's back buffer: always true.
    bool GetDoubleBuffered() const { return true; }
    // The menu a context-menu request (right click, menu key) pops up.
    QMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* Value) { FPopupMenu = Value; }
    // The column or row being sized (gsColSizing, gsRowSizing).
    int SizingIndex() const { return FSizingIndex; }

    // ---- Geometry ----------------------------------------------------------
    // The cell's rectangle, clipped to the client area; an empty QRect when the
    // cell is scrolled out of view.
    QRect CellRect(int ACol, int ARow) const;
    QRect BoxRect(int ALeft, int ATop, int ARight, int ABottom) const;
    QRect GridRectToScreenRect(const TGridRect& GridRect, bool IncludeLine = false) const;
    // The cell under a client point; (-1, -1) outside all cells.
    TGridCoord MouseCoord(int X, int Y) const;
    void CalcDrawInfo(TGridDrawInfo& DrawInfo) const;
    void CalcDrawInfoXY(TGridDrawInfo& DrawInfo, int UseWidth, int UseHeight) const;
    void CalcFixedInfo(TGridDrawInfo& DrawInfo) const;
    TGridCoord CalcCoordFromPoint(int X, int Y, const TGridDrawInfo& DrawInfo) const;
    // The least top-left that still shows Coord in full.
    TGridCoord CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfo& DrawInfo) const;

    // ---- Editor ------------------------------------------------------------
    bool GetEditorMode() const { return FEditorMode; }
    void SetEditorMode(bool Value);
    void ShowEditor();
    void HideEditor();
    // Forgets the editor's cell so that the next UpdateEditor reloads it.
    void InvalidateEditor();
    // Shows, loads and places the editor for the current cell as the mode allows.
    void UpdateEditor();
    TInplaceEdit* GetInplaceEditor() const { return FInplaceEdit; }

    // ---- Repaint -----------------------------------------------------------
    void InvalidateCell(int ACol, int ARow);
    void InvalidateCol(int ACol);
    void InvalidateRow(int ARow);
    void InvalidateRect(const TGridRect& ARect);
    void InvalidateGrid();
    void Invalidate() { InvalidateGrid(); }

    // ---- Moving ------------------------------------------------------------
    // Makes (ACol, ARow) current (when SelectCell agrees); MoveAnchor collapses
    // the selection to it, Show scrolls it into view.
    void MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show);
    void MoveColumn(int FromIndex, int ToIndex);
    void MoveRow(int FromIndex, int ToIndex);

    // ---- Scale and resources -----------------------------------------------
    // The pixels per inch the grid's sizes are scaled for: the screen's logical
    // DPI (QScreen::logicalDotsPerInch), 96 at 100 %. It does not include the
    // device pixel ratio, because Qt already maps logical to device pixels; a
    // change of the logical DPI calls ChangeScale(new, old, true).
    int CurrentPPI() const { return FCurrentPPI; }
    // Pixels per inch in device pixels (CurrentPPI × devicePixelRatio): the
    // density bitmaps are picked for (LoadPackageBitmap).
    int ImagePPI() const;
    // Value (given for 96 PPI) scaled to CurrentPPI.
    int ScaleValue(int Value) const { return MulDiv(Value, FCurrentPPI, 96); }
    // Reads the screen's logical DPI now.
    int ScreenPPI() const;

    // ---- Component life ----------------------------------------------------
    TComponentState ComponentState() const { return FComponentState; }
    // Marks the grid as being loaded (no layout work) until Loaded.
    void Loading() { FComponentState |= csLoading; }
    // Ends loading: clears csLoading and brings scroll bars and editor up to date.
    virtual void Loaded();
    // Marks the grid as being destroyed (descendants call it first in their
    // destructor so that hooks stop working).
    void Destroying() { FComponentState |= csDestroying; }
    // Calls Notification(AComponent, opRemove) when AComponent is destroyed.
    void FreeNotification(QObject* AComponent);
    void RemoveFreeNotification(QObject* AComponent);
    bool HandleAllocated() const { return FHandleAllocated; }
    // Runs CreateWnd once, if it has not run yet (it also runs before the first show).
    void HandleNeeded();

    // ---- Deferred calls ----------------------------------------------------
    // Queues Proc to run once from the event loop. While a call with the same Id
    // is pending, further posts are dropped (returns false): bursts coalesce
    // into one run.
    bool PostDeferred(std::function<void()> Proc, int Id = 0);
    void CancelDeferred(int Id = 0);
    bool DeferredPending(int Id = 0) const { return FDeferred.count(Id) != 0; }

    // The painter of the paint in progress; nullptr outside painting.
    QPainter* Canvas() const { return FCanvas; }

    // ---- Events ------------------------------------------------------------
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void()> OnEnter;
    std::function<void()> OnExit;
    std::function<void(int& Key, TShiftState Shift)> OnKeyDown;
    std::function<void(QChar& Key)> OnKeyPress;
    std::function<void(int& Key, TShiftState Shift)> OnKeyUp;
    std::function<void(Qt::MouseButton Button, TShiftState Shift, int X, int Y)> OnMouseDown;
    std::function<void(TShiftState Shift, int X, int Y)> OnMouseMove;
    std::function<void(Qt::MouseButton Button, TShiftState Shift, int X, int Y)> OnMouseUp;
    // The pointer entered / left the control.
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;
    // MousePos is in client coordinates.
    std::function<void(TShiftState Shift, int WheelDelta, const QPoint& MousePos, bool& Handled)> OnMouseWheel;
    std::function<void(TShiftState Shift, const QPoint& MousePos, bool& Handled)> OnMouseWheelDown;
    std::function<void(TShiftState Shift, const QPoint& MousePos, bool& Handled)> OnMouseWheelUp;

protected:
    // ---- Hooks -------------------------------------------------------------
    // Paints one visible cell on Canvas(); ARect is clipped to the client area.
    // The base draws nothing (with DefaultDrawing the background is filled first).
    virtual void DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState);
    // Paints the visible cells, grid lines and the area beyond the cells.
    virtual void Paint();
    // The colour of the grid lines between data cells (silver at first).
    virtual QColor DataLineColor() const { return QColor(0xC0, 0xC0, 0xC0); }
    // The focus frame of the current cell (or row) on Canvas(), over Background;
    // the base draws the style's focus frame.
    virtual void DrawFocusRect(const QRect& ARect, const QColor& Background);
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    // After LeftCol or TopRow changed; the base moves the editor along.
    virtual void TopLeftChanged();
    virtual void SizeChanged(int OldColCount, int OldRowCount);
    // Extends the selection toward Direction while drag-selecting beyond an edge.
    virtual void TimedScroll(TGridScrollDirection Direction);
    // Whether the cell may become current.
    virtual bool SelectCell(int ACol, int ARow);
    // Whether a press at (X, Y) starts sizing a column or row: the state
    // (gsColSizing, gsRowSizing or gsNormal), the index of the cell whose far
    // edge is sized, the edge's position and the pointer's offset from it.
    // Columns are sized from the fixed rows, rows from the fixed columns.
    virtual void CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos,
                                 int& SizingOfs, TGridDrawInfo& FixedInfo);
    virtual bool BeginColumnDrag(int& Origin, int& Destination, const QPoint& MousePt);
    virtual bool CheckColumnDrag(int& Origin, int& Destination, const QPoint& MousePt);
    virtual bool EndColumnDrag(int& Origin, int& Destination, const QPoint& MousePt);
    virtual bool BeginRowDrag(int& Origin, int& Destination, const QPoint& MousePt);
    virtual bool CheckRowDrag(int& Origin, int& Destination, const QPoint& MousePt);
    virtual bool EndRowDrag(int& Origin, int& Destination, const QPoint& MousePt);
    virtual void ColumnMoved(int FromIndex, int ToIndex);
    virtual void RowMoved(int FromIndex, int ToIndex);
    virtual void SelectionMoved(const TGridRect& OldSel);

    virtual TInplaceEdit* CreateEditor();
    // The editor's text for a cell when editing starts there.
    virtual QString GetEditText(int ACol, int ARow);
    // Takes the editor's text: after every change the user makes in the editor
    // and again when the editor is hidden.
    virtual void SetEditText(int ACol, int ARow, const QString& Value);
    // A Qt input mask (QLineEdit::inputMask syntax); empty for none.
    virtual QString GetEditMask(int ACol, int ARow);
    // Maximum text length: 0 for none, -1 for a read-only editor.
    virtual int GetEditLimit();
    virtual bool CanEditShow();
    virtual bool CanEditModify();
    virtual bool CanEditAcceptKey(QChar Key);
    virtual bool CanGridAcceptKey(int Key, TShiftState Shift);

    // Key codes are Qt::Key values; a hook consumes a key by setting it to 0
    // (a character to QChar()).
    virtual void KeyDown(int& Key, TShiftState Shift);
    virtual void KeyPress(QChar& Key);
    virtual void KeyUp(int& Key, TShiftState Shift);
    virtual void MouseDown(Qt::MouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(Qt::MouseButton Button, TShiftState Shift, int X, int Y);
    // A context-menu request at X, Y (viewport), asked before PopupMenu
    // shows: true when a descendant showed a menu of its own there.
    virtual bool ContextPopup(int /*X*/, int /*Y*/) { return false; }
    // Fires OnMouseWheel; unhandled, turns each 120 units into DoMouseWheelDown/Up.
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, const QPoint& MousePos);
    // Fire their events; unhandled, the current row moves by one. Return handled.
    virtual bool DoMouseWheelDown(TShiftState Shift, const QPoint& MousePos);
    virtual bool DoMouseWheelUp(TShiftState Shift, const QPoint& MousePos);
    // Vertical and horizontal scroll-bar requests; the base moves TopRow or
    // LeftCol. The bar is set from the model (UpdateScrollPos) afterwards.
    virtual void WMVScroll(TScrollCode Code, int Pos);
    virtual void WMHScroll(TScrollCode Code, int Pos);
    // Scales the default sizes, column widths and row heights by M / D.
    virtual void ChangeScale(int M, int D, bool IsDpiChange = false);
    virtual void Notification(QObject* AComponent, TOperation Operation);
    // Runs once before the grid is first shown (or on HandleNeeded).
    virtual void CreateWnd();
    virtual void Click();
    virtual void DblClick();
    // Focus entered or left the grid together with its editor.
    virtual void DoEnter();
    virtual void DoExit();
    // Sets the scroll bars' ranges (and positions) from the model.
    virtual void UpdateScrollRange();
    // Sets the scroll bars' positions from LeftCol and TopRow.
    virtual void UpdateScrollPos();
    // Runs every 60 ms while drag-selecting or moving a column or row.
    virtual void ScrollTimerTick();
    // The sizing state a press at (X, Y) would start (CalcSizingState).
    TGridState CheckSizingState(int X, int Y);
    // The fixed cell under the pointer (hot), pressed or not; (-1, -1) for none.
    void SetHotTrackCell(const TGridCoord& Cell, bool Pressed);

    // ---- Standard behaviour behind the hooks ------------------------------
    void GridKeyDown(int& Key, TShiftState Shift);
    void GridKeyPress(QChar& Key);
    void GridMouseDown(Qt::MouseButton Button, TShiftState Shift, int X, int Y);
    void GridMouseMove(TShiftState Shift, int X, int Y);
    void GridMouseUp(Qt::MouseButton Button, TShiftState Shift, int X, int Y);
    // Starts dragging the column whose fixed (title) cell lies under (X, Y),
    // whichever button is pressed: true when BeginColumnDrag consented. The
    // release of any button ends the drag.
    bool StartColumnMove(int X, int Y);

    // ---- Helpers for descendants ------------------------------------------
    void MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show);
    void MoveAnchor(const TGridCoord& NewAnchor);
    void FocusCell(int ACol, int ARow, bool MoveAnchor);
    void ClampInView(const TGridCoord& Coord);
    void MoveTopLeft(int ALeft, int ATop);
    void TopLeftMoved(const TGridCoord& OldTopLeft);
    void ChangeSize(int NewColCount, int NewRowCount);
    // Current cell and top-left back to the first scrollable cell.
    void Initialize();
    // Hides the editor, writing its text back (SetEditText) first.
    void HideEdit();
    // Writes the editor's text to its cell through SetEditText.
    void UpdateText();
    // Shows the editor and gives it Ch as typed input.
    void ShowEditorChar(QChar Ch);
    // True while the grid or its editor holds the focus of its window.
    bool IsActiveControl() const;
    // Pixel start of cell Line on an axis; -1 when the cell is not visible.
    static int LinePos(const TGridAxisDrawInfo& AxisInfo, int Line);
    // Cell count of a page: the fully visible scrolled cells, at least 1.
    void CalcPageExtents(const TGridDrawInfo& DrawInfo, int& PageWidth, int& PageHeight) const;
    void StartScrollTimer();
    void StopScrollTimer();
    // Paints the cells of one area (helper of Paint).
    void DrawCells(const TGridDrawInfo& DrawInfo, int ACol, int ARow, int StartX, int StartY, int StopX,
                   int StopY, const QColor& AColor, TGridDrawState IncludeDrawState);
    void DrawLines(const TGridDrawInfo& DrawInfo, bool DoHorz, bool DoVert, int StartCol, int StartRow,
                   const QRect& Area, const QColor& LineColor);

    // ---- Qt event translation ---------------------------------------------
    bool event(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void enterEvent(QEnterEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    bool focusNextPrevChild(bool Next) override;
    bool viewportEvent(QEvent* Event) override;
    void scrollContentsBy(int, int) override {}

    // ---- State -------------------------------------------------------------
    int FColCount = 5;
    int FRowCount = 5;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    int FGridLineWidth = 1;
    std::vector<int> FColWidths;  // empty while every column has the default width
    std::vector<int> FRowHeights; // empty while every row has the default height
    std::vector<char> FTabStops;  // empty while every column is a tab stop
    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    TGridCoord FTopLeft{1, 1};
    TGridOptions FOptions;
    TBiDiMode FBiDiMode = bdRightToLeft; // the right-to-left mode last set
    QPointer<QMenu> FPopupMenu;
    TScrollStyle FScrollBars = ssBoth;
    QColor FColor;
    QColor FFixedColor;
    bool FDefaultDrawing = true;

    TGridState FGridState = gsNormal;
    int FSizingIndex = -1;
    int FSizingPos = 0;
    int FSizingOfs = 0;
    int FMoveIndex = -1;
    int FMovePos = -1;
    QPoint FLastMousePos;
    TGridCoord FHotTrackCell{-1, -1};
    bool FHotTrackPressed = false;
    int FWheelAccumulator = 0;

    bool FEditorMode = false;
    QPointer<TInplaceEdit> FInplaceEdit;
    int FInplaceCol = -1;
    int FInplaceRow = -1;
    bool FCanEditModify = true;
    bool FInEditorKeyPress = false; // the editor is passing a character to KeyPress

    QPainter* FCanvas = nullptr;
    QRegion FUpdateRegion; // what the paint in progress asks for
    std::exception_ptr FPaintError; // the first failure of a cell in the paint in progress
    bool FPaintFailing = false;     // the last paint failed (and was reported)
    QTimer* FScrollTimer = nullptr;
    TComponentState FComponentState;
    bool FHandleAllocated = false;
    int FCurrentPPI = 96;
    int FScrollBarLock = 0;
    bool FScrollRangeAgain = false;

private:
    struct TDeferredCall
    {
        std::function<void()> Proc;
        quint64 Serial = 0;
    };
    std::map<int, TDeferredCall> FDeferred;
    quint64 FDeferredSerial = 0;
    QHash<QObject*, QMetaObject::Connection> FFreeNotifies;
    QMetaObject::Connection FFocusConnection;
    QMetaObject::Connection FScreenConnection;

    void LoadEditor();
    void CheckPPI();
    void ScrollBarAction(Qt::Orientation Orientation, int Action);
    void ScrollBarReleased(Qt::Orientation Orientation);
    void MoveAndScroll(int Mouse, int CellHit, TGridDrawInfo& DrawInfo, bool Horizontal, const QPoint& MousePt);
    int ResizeLine(const TGridAxisDrawInfo& AxisInfo) const;
    void UpdateSizingCursor(int X, int Y);
    void PaintOverlays(const TGridDrawInfo& DrawInfo);
};

// ---- Package bitmaps ------------------------------------------------------
// Strips of equal square images kept as resources, each in five scales:
// "ZDBINDICATORS", "ZDBCHECKBOXES", "ZDBEXPANDBOXES", "ZDBMARKERS" at 100 %
// (16 × 16 images) and with the suffixes "_125", "_150", "_175", "_200".
// "ZDBCALENDAR" and "ZDBCALCULATOR" (one image each) are drawn as vectors at
// the density asked for.
namespace PackageImages {
// ZDBINDICATORS
constexpr int IndicatorCurrent = 0;         // arrow: the current row
constexpr int IndicatorEdit = 1;            // text cursor: the current row is being edited
constexpr int IndicatorInsert = 2;          // asterisk: the current row is being inserted
constexpr int IndicatorMultiSelected = 3;   // dot: a selected row
constexpr int IndicatorCurrentSelected = 4; // arrow and dot: the current row, selected
constexpr int IndicatorCount = 5;
// ZDBCHECKBOXES: CheckBoxIndex(kind, state); kinds: 0 check mark, 1 cross,
// 2 filled box; states: 0 unchecked, 1 checked, 2 grayed (undetermined).
constexpr int CheckBoxCount = 9;
constexpr int CheckBoxIndex(int Kind, int State) { return Kind * 3 + State; }
// ZDBEXPANDBOXES: ExpandBoxIndex(size, expanded); sizes: 0 small, 1 medium,
// 2 large; collapsed boxes show "+", expanded ones "-".
constexpr int ExpandBoxCount = 6;
constexpr int ExpandBoxIndex(int Size, bool Expanded) { return Size * 2 + (Expanded ? 1 : 0); }
// ZDBMARKERS: sort markers, index 2 × position + (1 when descending); position 0
// is the plain marker, 1..9 carry that number. Ascending points up.
constexpr int MarkerCount = 20;
} // namespace PackageImages

// The resource path of a package bitmap (name with its scale suffix, if any).
QString PackageBitmapPath(const QString& Name);
// The strip Name at the scale that best fits PPI (the nearest of 100 .. 200 %,
// ties toward the larger). Its device pixel ratio is set so that it paints at
// the size of the 100 % strip scaled by PPI / 96 (pass CurrentPPI for PPI and
// the widget's devicePixelRatioF for DevicePixelRatio). A null pixmap for an
// unknown name.
QPixmap LoadPackageBitmap(const QString& Name, int PPI, qreal DevicePixelRatio = 1.0);
// Number of square images in a strip, and image Index of it.
int PackageBitmapCount(const QPixmap& Strip);
QPixmap PackageBitmapImage(const QPixmap& Strip, int Index);

} // namespace zdb

Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TGridOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TGridDrawState)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TGridScrollDirection)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TShiftState)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TComponentState)

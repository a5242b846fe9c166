// Rows dragged away from the grid, and the dock widget moved by the grid's
// fixed corner.
//
// A row drag carries the selected rows (or the current one) twice: as the
// tab-separated text a copy puts on the clipboard, and as RowsMimeType(), a
// stream of the rows' bookmarks and, with KeyFields, their key values, which
// a drop target reads with DecodeDraggedRows. The grid itself changes nothing
// when the rows are dropped; a move is the drop target's to carry out.
//
// With DragKind dkDock the grid's fixed corner is a handle of the QDockWidget
// the grid sits in: dragging it floats the dock widget and moves it with the
// pointer (a double click on its title docks it again, as Qt's own title bar
// does). A grid in no dock widget has no handle: the corner stays a corner.

#include "ZDBGrids.h"

#include <QApplication>
#include <QDataStream>
#include <QDockWidget>
#include <QDrag>
#include <QIODevice>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <iterator>

namespace zdb {

namespace {

constexpr quint32 RowsStreamVersion = 1;

// The dock widget the grid is the content of (or lies inside the content of).
QDockWidget* EnclosingDockWidget(QWidget* Widget)
{
    for (QWidget* w = Widget->parentWidget(); w; w = w->parentWidget()) {
        if (auto* dock = qobject_cast<QDockWidget*>(w))
            return dock;
        if (w->isWindow())
            break;
    }
    return nullptr;
}

// The drag cursor: one sheet for a single row, a stack of three for several.
QPixmap RowDragCursor(bool Multi, const QPalette& Palette, qreal Ratio)
{
    const int size = 32;
    QPixmap pixmap(QSize(size, size) * Ratio);
    pixmap.setDevicePixelRatio(Ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Palette.color(QPalette::WindowText));
    painter.setBrush(Palette.color(QPalette::Base));
    const int sheets = Multi ? 3 : 1;
    for (int i = sheets - 1; i >= 0; --i) {
        const QRect sheet(14 + 4 * i, 12 + 4 * i, 10, 12);
        painter.drawRect(sheet);
        painter.drawLine(sheet.left() + 2, sheet.top() + 4, sheet.right() - 2, sheet.top() + 4);
        painter.drawLine(sheet.left() + 2, sheet.top() + 7, sheet.right() - 2, sheet.top() + 7);
    }
    // The arrow of the pointer at the hot spot.
    const QPoint arrow[] = {{0, 0}, {0, 14}, {4, 10}, {7, 16}, {9, 15}, {6, 9}, {11, 9}};
    painter.setBrush(Palette.color(QPalette::WindowText));
    painter.setPen(Palette.color(QPalette::Base));
    painter.drawPolygon(arrow, int(std::size(arrow)));
    return pixmap;
}

} // namespace

// ---- Rows as mime data ---------------------------------------------------------------

std::unique_ptr<QMimeData> TZCustomDBGrid::RowsMimeData()
{
    if (!FDataLink || !FDataLink->Active())
        return nullptr;
    TDataSet* dataSet = DataSet();
    TZDraggedRows rows;
    rows.KeyFields = FKeyFields;
    ForEachDataRow(reSelectedRowsOrCurrent, [&] {
        rows.Bookmarks << dataSet->Bookmark();
        if (!rows.KeyFields.isEmpty())
            rows.Keys << dataSet->FieldValues(rows.KeyFields);
    });
    QByteArray encoded;
    {
        QDataStream out(&encoded, QIODevice::WriteOnly);
        out << RowsStreamVersion << rows.KeyFields << rows.Bookmarks << rows.Keys;
    }
    auto data = std::make_unique<QMimeData>();
    data->setText(RowsText(reSelectedRowsOrCurrent, false));
    data->setData(RowsMimeType(), encoded);
    return data;
}

bool TZCustomDBGrid::DecodeDraggedRows(const QMimeData* Data, TZDraggedRows& Rows)
{
    if (!Data || !Data->hasFormat(RowsMimeType()))
        return false;
    QDataStream in(Data->data(RowsMimeType()));
    quint32 version = 0;
    TZDraggedRows rows;
    in >> version;
    if (version != RowsStreamVersion)
        return false;
    in >> rows.KeyFields >> rows.Bookmarks >> rows.Keys;
    if (in.status() != QDataStream::Ok || (!rows.KeyFields.isEmpty() && rows.Keys.size() != rows.Bookmarks.size()))
        return false;
    Rows = std::move(rows);
    return true;
}

// ---- Row drag ----------------------------------------------------------------------

void TZCustomDBGrid::StartRowDrag()
{
    std::unique_ptr<QMimeData> data = RowsMimeData();
    if (!data)
        return;
    HideEditor();
    const bool multi = FSelectedRows && FSelectedRows->Count() > 1;
    // Qt deletes a drag that ran (QDrag::exec); one a descendant does not run
    // goes with the grid.
    auto* drag = new QDrag(this);
    drag->setMimeData(data.release());
    const QPixmap cursor = RowDragCursor(multi, palette(), devicePixelRatioF());
    drag->setDragCursor(cursor, Qt::CopyAction);
    drag->setDragCursor(cursor, Qt::MoveAction);
    // The pressed row as the picture under the pointer.
    const QRect cell = CellRect(GetCol(), GetRow());
    const QRect row = QRect(0, cell.top(), viewport()->width(), cell.height()).intersected(viewport()->rect());
    if (!row.isEmpty()) {
        drag->setPixmap(viewport()->grab(row));
        drag->setHotSpot(FDragStart - row.topLeft());
    }
    FireEvent(OnStartDrag, this, drag);
    const Qt::DropAction action = ExecRowDrag(drag);
    FireEvent(OnEndDrag, this, action);
}

Qt::DropAction TZCustomDBGrid::ExecRowDrag(QDrag* Drag)
{
    return Drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

// ---- Docking -----------------------------------------------------------------------

bool TZCustomDBGrid::StartDocking(int X, int Y)
{
    QDockWidget* dock = EnclosingDockWidget(this);
    if (!dock || !(dock->features() & QDockWidget::DockWidgetFloatable))
        return false;
    const QPoint global = viewport()->mapToGlobal(QPoint(X, Y));
    FDockDrag = dock;
    FDragStart = global;
    FDockOffset = global - dock->mapToGlobal(QPoint(0, 0));
    return true;
}

void TZCustomDBGrid::DragMouseMove(TShiftState Shift, int X, int Y)
{
    if (!(Shift & ssLeft)) {
        EndDragging();
        return;
    }
    if (QDockWidget* dock = FDockDrag) {
        const QPoint global = viewport()->mapToGlobal(QPoint(X, Y));
        if (!dock->isFloating()) {
            if ((global - FDragStart).manhattanLength() < QApplication::startDragDistance())
                return;
            dock->setFloating(true);
        }
        // The dock widget keeps the pointer where it took it (a window moves by its frame).
        dock->move(global - FDockOffset - (dock->mapToGlobal(QPoint(0, 0)) - dock->pos()));
        return;
    }
    if (FRowDragPending && (QPoint(X, Y) - FDragStart).manhattanLength() >= QApplication::startDragDistance()) {
        FRowDragPending = false;
        StartRowDrag();
    }
}

void TZCustomDBGrid::EndDragging()
{
    FRowDragPending = false;
    FDockDrag = nullptr;
}

void TZCustomDBGrid::FreeDockedGrids()
{
    // A docked grid floating in a window of its own goes with that window.
    std::vector<QPointer<QWidget>> doomed;
    for (TZCustomDBGrid* grid : findChildren<TZCustomDBGrid*>()) {
        if (grid->GetDragKind() != dkDock)
            continue;
        QWidget* window = grid->window();
        doomed.emplace_back(window != this->window() ? window : grid);
    }
    for (const QPointer<QWidget>& widget : doomed)
        delete widget.data();
}

} // namespace zdb

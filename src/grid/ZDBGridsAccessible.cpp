// The grid for assistive technology: a table of the data rows on screen (one
// accessible row per shown record) and the showing columns, with the column
// titles as header cells, the cells' texts as the grid shows them, the current
// cell as the focused one and the selected cells (current cell, multi-selected
// rows, columns and cells). Focus and selection events follow the current cell.

#include "ZDBGrids.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace zdb {

namespace {

class TZDBGridAccessible;

// One cell: row -1 is the column's title.
class TZDBGridAccessibleCell : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    TZDBGridAccessibleCell(TZCustomDBGrid* Grid, int Row, int Column) : FGrid(Grid), FRow(Row), FColumn(Column) {}

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return FGrid ? FGrid->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(FGrid.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text Kind) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return FRow < 0 ? QAccessible::ColumnHeader : QAccessible::Cell; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType Type) override
    {
        return Type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
    }

    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return FColumn; }
    int rowIndex() const override { return FRow; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    TZColumn* Column() const;
    QPointer<TZCustomDBGrid> FGrid;
    int FRow;
    int FColumn;
};

class TZDBGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit TZDBGridAccessible(TZCustomDBGrid* Grid) : QAccessibleWidget(Grid, QAccessible::Table) {}
    ~TZDBGridAccessible() override
    {
        for (QAccessible::Id id : std::as_const(FCells))
            QAccessible::deleteAccessibleInterface(id);
    }

    TZCustomDBGrid* Grid() const { return static_cast<TZCustomDBGrid*>(widget()); }

    // QAccessibleInterface: the header cells, then the data cells row by row.
    int childCount() const override { return (rowCount() + 1) * columnCount(); }
    QAccessibleInterface* child(int Index) const override
    {
        const int columns = columnCount();
        if (Index < 0 || columns == 0 || Index >= childCount())
            return nullptr;
        return Cell(Index / columns - 1, Index % columns);
    }
    int indexOfChild(const QAccessibleInterface* Child) const override
    {
        auto* cell = dynamic_cast<const TZDBGridAccessibleCell*>(Child);
        if (!cell || cell->parent() != this)
            return -1;
        return (cell->rowIndex() + 1) * columnCount() + cell->columnIndex();
    }
    QAccessibleInterface* childAt(int X, int Y) const override
    {
        const QPoint point = Grid()->viewport()->mapFromGlobal(QPoint(X, Y));
        const TGridCoord coord = Grid()->MouseCoord(point.x(), point.y());
        const int column = Grid()->RawToDataColumn(coord.X);
        const int row = coord.Y - Grid()->FirstDataRow();
        if (column < 0 || column >= columnCount())
            return nullptr;
        if (coord.Y >= 0 && coord.Y < Grid()->TitleRowCount())
            return Cell(-1, column);
        return row >= 0 && row < rowCount() ? Cell(row, column) : nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        const int row = CurrentRow();
        const int column = Grid()->GetSelectedIndex();
        return row >= 0 && column >= 0 && column < columnCount() ? Cell(row, column) : nullptr;
    }
    void* interface_cast(QAccessible::InterfaceType Type) override
    {
        if (Type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(Type);
    }

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int Row, int Column) const override
    {
        return Row >= 0 && Row < rowCount() && Column >= 0 && Column < columnCount() ? Cell(Row, Column) : nullptr;
    }
    int selectedCellCount() const override { return int(selectedCells().size()); }
    QList<QAccessibleInterface*> selectedCells() const override
    {
        QList<QAccessibleInterface*> cells;
        for (int row = 0; row < rowCount(); ++row)
            for (int column = 0; column < columnCount(); ++column)
                if (IsCellSelected(row, column))
                    cells << Cell(row, column);
        return cells;
    }
    QString columnDescription(int Column) const override
    {
        TZColumn* column = ColumnAt(Column);
        return column ? column->Title()->GetCaption() : QString();
    }
    QString rowDescription(int Row) const override
    {
        // The record number where the dataset has one.
        TDataSet* dataSet = Grid()->DataSet();
        if (Row < 0 || Row >= rowCount() || !dataSet || !dataSet->IsSequenced())
            return QString();
        TZActiveRecordGuard active(Grid()->DataLink(), Row);
        const int number = dataSet->RecNo();
        return number > 0 ? QString::number(number) : QString();
    }
    int selectedColumnCount() const override { return int(selectedColumns().size()); }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    int columnCount() const override { return int(Grid()->ShowingColumns().size()); }
    int rowCount() const override
    {
        TZGridDataLink* link = Grid()->DataLink();
        return link && link->Active() ? link->RecordCount() : 0;
    }
    QList<int> selectedColumns() const override
    {
        QList<int> columns;
        for (int column = 0; column < columnCount(); ++column)
            if (isColumnSelected(column))
                columns << column;
        return columns;
    }
    QList<int> selectedRows() const override
    {
        QList<int> rows;
        for (int row = 0; row < rowCount(); ++row)
            if (isRowSelected(row))
                rows << row;
        return rows;
    }
    bool isColumnSelected(int Column) const override
    {
        return Column >= 0 && Column < columnCount() && Grid()->IsColMultiSelected(Column);
    }
    bool isRowSelected(int Row) const override
    {
        if (Row < 0 || Row >= rowCount())
            return false;
        if (Row == CurrentRow() && (Grid()->GetOptions() & dgRowSelect))
            return true;
        TZActiveRecordGuard active(Grid()->DataLink(), Row);
        return Grid()->RowsSelected() && Grid()->IsRowSelected();
    }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

    // The cell of a shown record's row and a showing column (row -1: its title).
    QAccessibleInterface* Cell(int Row, int Column) const
    {
        const qint64 key = (qint64(Row + 1) << 32) | quint32(Column);
        if (auto it = FCells.constFind(key); it != FCells.constEnd())
            return QAccessible::accessibleInterface(*it);
        auto* cell = new TZDBGridAccessibleCell(Grid(), Row, Column);
        FCells.insert(key, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }
    TZColumn* ColumnAt(int Column) const
    {
        const auto& columns = Grid()->ShowingColumns();
        return Column >= 0 && Column < int(columns.size()) ? columns[size_t(Column)] : nullptr;
    }
    // The row of the current record; -1 without one.
    int CurrentRow() const
    {
        const int row = Grid()->GetRow() - Grid()->FirstDataRow();
        return row >= 0 && row < rowCount() ? row : -1;
    }
    bool IsCellSelected(int Row, int Column) const
    {
        if (Row == CurrentRow() && Column == Grid()->GetSelectedIndex())
            return true;
        if (isRowSelected(Row))
            return true;
        TZActiveRecordGuard active(Grid()->DataLink(), Row);
        return Grid()->MultiSelected() && Grid()->IsCellMultiSelected(Column);
    }

private:
    mutable QHash<qint64, QAccessible::Id> FCells;
};

TZDBGridAccessible* TableOf(TZCustomDBGrid* Grid)
{
    return Grid ? dynamic_cast<TZDBGridAccessible*>(QAccessible::queryAccessibleInterface(Grid)) : nullptr;
}

bool TZDBGridAccessibleCell::isValid() const
{
    TZDBGridAccessible* table = TableOf(FGrid);
    return table && FColumn < table->columnCount() && FRow < table->rowCount();
}

TZColumn* TZDBGridAccessibleCell::Column() const
{
    TZDBGridAccessible* table = TableOf(FGrid);
    return table ? table->ColumnAt(FColumn) : nullptr;
}

QString TZDBGridAccessibleCell::text(QAccessible::Text Kind) const
{
    if (Kind != QAccessible::Name && Kind != QAccessible::Value)
        return QString();
    TZColumn* column = Column();
    if (!column)
        return QString();
    if (FRow < 0)
        return Kind == QAccessible::Name ? column->Title()->GetCaption() : QString();
    TZGridDataLink* link = FGrid->DataLink();
    if (!link || !link->Active() || FRow >= link->RecordCount())
        return QString();
    TZActiveRecordGuard active(link, FRow);
    return column->GetDisplayText();
}

QRect TZDBGridAccessibleCell::rect() const
{
    if (!isValid())
        return QRect();
    const int rawRow = FRow < 0 ? 0 : FGrid->FirstDataRow() + FRow;
    const QRect cell = FGrid->CellRect(FGrid->DataToRawColumn(FColumn), rawRow);
    if (cell.isEmpty())
        return QRect();
    return QRect(FGrid->viewport()->mapToGlobal(cell.topLeft()), cell.size());
}

QAccessible::State TZDBGridAccessibleCell::state() const
{
    QAccessible::State result;
    TZDBGridAccessible* table = TableOf(FGrid);
    if (!table || !isValid())
        return result;
    if (rect().isEmpty())
        result.invisible = true;
    if (FRow < 0)
        return result;
    result.selectable = true;
    result.focusable = true;
    result.selected = table->IsCellSelected(FRow, FColumn);
    result.focused = FGrid->hasFocus() && FRow == table->CurrentRow() && FColumn == FGrid->GetSelectedIndex();
    TZColumn* column = Column();
    result.readOnly = !column || column->GetReadOnly() || !(FGrid->GetOptions() & dgEditing);
    return result;
}

bool TZDBGridAccessibleCell::isSelected() const
{
    TZDBGridAccessible* table = TableOf(FGrid);
    return table && FRow >= 0 && isValid() && table->IsCellSelected(FRow, FColumn);
}

QList<QAccessibleInterface*> TZDBGridAccessibleCell::columnHeaderCells() const
{
    TZDBGridAccessible* table = TableOf(FGrid);
    if (!table || FRow < 0 || !isValid())
        return {};
    return {table->Cell(-1, FColumn)};
}

QAccessibleInterface* GridAccessibleFactory(const QString& /*ClassName*/, QObject* Object)
{
    auto* grid = qobject_cast<TZCustomDBGrid*>(Object);
    return grid && grid->isWidgetType() ? new TZDBGridAccessible(grid) : nullptr;
}

} // namespace

void InstallGridAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(GridAccessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void GridAccessibleCurrentChanged(TZCustomDBGrid* Grid)
{
    // As QTableView: nothing without assistive technology (Qt drops the events then).
    if (!QAccessible::isActive() || !Grid || Grid->IsDestroying() || !Grid->isVisible() || !Grid->DataLink() || !Grid->DataLink()->Active())
        return;
    const int columns = int(Grid->ShowingColumns().size());
    const int row = Grid->GetRow() - Grid->FirstDataRow();
    const int column = Grid->GetSelectedIndex();
    if (row < 0 || row >= Grid->DataLink()->RecordCount() || column < 0 || column >= columns)
        return;
    const int child = (row + 1) * columns + column;
    QAccessibleEvent selection(Grid, QAccessible::SelectionAdd);
    selection.setChild(child);
    QAccessible::updateAccessibility(&selection);
    if (Grid->hasFocus()) {
        QAccessibleEvent focus(Grid, QAccessible::Focus);
        focus.setChild(child);
        QAccessible::updateAccessibility(&focus);
    }
}

} // namespace zdb

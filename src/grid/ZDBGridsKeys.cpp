// The grid's keyboard: KeyDown runs the key table over the data link (record
// and column moves, the row selection swept with Shift, tabs, Insert, Ctrl+Delete,
// Escape, F2, the search and filter keys), KeyPress toggles check boxes, writes
// the pending edit on Enter and edits the incremental search text before the
// base grid starts the editor with a typed character. MoveBy moves the record
// in the scroll modes.
//
// A key on an inactive grid only reaches OnKeyDown and the base grid.

#include "ZDBGrids.h"
#include "ZDBFilter.h"
#include "ZDBTranslate.h"
#include "ZDBToolMenu.h"

#include "AppExceptions.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>

namespace zdb {

namespace {

bool IsVerticalKey(int Key)
{
    switch (Key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End: return true;
    default: return false;
    }
}

// What the keyboard's column menu can do with the current column; an empty
// command is offered disabled.
struct TColumnKeyCommands {
    std::function<void()> Sort, AddToSort, MoveLeft, MoveRight, Wider, Narrower, OptimalWidth, DefaultWidth;
    std::function<void()> FilterList, FilterForm; // what the title's filter button offers
    QMenu* CellMenu = nullptr; // the menu a right click on the current cell opens
    bool ToolMenu = false;     // CellMenu is the grid's tool menu
};

QString ColumnMenuText(const char* Text)
{
    return QCoreApplication::translate("zdb", Text);
}

// The commands for Column of Grid, each allowed as the mouse would be;
// TitleClick reports a title click.
TColumnKeyCommands ColumnKeyCommands(TZCustomDBGrid& Grid, TZColumn* Column,
                                     const std::function<void(TZColumn*)>& TitleClick)
{
    TColumnKeyCommands commands;
    TZDBGridColumns* columns = Grid.Columns();
    const int index = Column->Index();
    // The column again when the command runs (nullptr when it went meanwhile).
    auto column = [&Grid, index]() -> TZColumn* {
        TZDBGridColumns* all = Grid.Columns();
        return all && index < all->Count() ? (*all)[index] : nullptr;
    };

    // Sorting: a click on the title, with Ctrl to add the column to the sort.
    const bool autoToggle = (Grid.GetOptions() & dgMarkerAutoToggle) && Column->Title()->GetAutoToggle();
    const bool sortable = autoToggle && !Column->GetFieldName().isEmpty();
    auto click = [column, autoToggle, TitleClick](bool Replace) {
        if (TZColumn* c = column()) {
            if (autoToggle)
                c->Title()->ToggleMarker(Replace);
            TitleClick(c);
        }
    };
    if (sortable || Grid.OnTitleClick)
        commands.Sort = [click] { click(true); };
    if (sortable)
        commands.AddToSort = [click] { click(false); };

    // Moving: past the next showing column of the same depth under the same
    // parent (a group as a whole), as a drag of the title keeps it in its group.
    const TZResizeOptions resize = Grid.GetResizeOptions();
    if ((resize & roColumnMoving) && (columns->State() == csCustomized || Column->GetField())) {
        auto target = [&](int Step) {
            for (int i = index + Step; i >= 0 && i < columns->Count(); i += Step) {
                TZColumn* peer = TZCustomDBGrid::ColumnAtDepth((*columns)[i], Column->Depth());
                if (!peer || peer->ParentColumn() != Column->ParentColumn())
                    return -1;
                if (peer != Column && peer->Showing())
                    return Step > 0 ? std::max(peer->Index(), peer->ExpandIndex()) : peer->Index();
            }
            return -1;
        };
        for (int step : {-1, 1}) {
            const int to = target(step);
            if (to < 0)
                continue;
            (step < 0 ? commands.MoveLeft : commands.MoveRight) = [&Grid, index, to] {
                if (TZDBGridColumns* all = Grid.Columns(); all && index < all->Count() && to < all->Count())
                    Grid.MoveColumn(Grid.DataToRawColumn(index), Grid.DataToRawColumn(to));
            };
        }
    }

    // Sizing: the raw column's width, as a drag of its divider sets it, by
    // about two characters; the optimal and the default width.
    const int raw = Grid.DataToRawColumn(index);
    const int step = 2 * std::max(1, QFontMetrics(Column->GetFont()).averageCharWidth());
    if ((resize & roColumnResize) && raw < Grid.GetColCount()) {
        commands.Wider = [&Grid, raw, step] { Grid.SetColWidths(raw, Grid.GetColWidths(raw) + step); };
        if (Grid.GetColWidths(raw) > step)
            commands.Narrower = [&Grid, raw, step] { Grid.SetColWidths(raw, Grid.GetColWidths(raw) - step); };
    }
    if (resize & roOptimalWidth)
        commands.OptimalWidth = [column] {
            if (TZColumn* c = column())
                c->SetWidthBase(c->OptimalWidth());
        };
    if (resize & roDefaultWidth)
        commands.DefaultWidth = [column] {
            if (TZColumn* c = column())
                c->SetWidthBase(c->DefaultWidth());
        };

    // The filter list and form the title's filter button would open.
    if (Column->HasAutoFilterButton()) {
        const TFilterStyles styles = Grid.FilterGrid()->GetAutoFilters() & Column->Title()->GetAutoFilters();
        if (styles.Contains(fsFilterList))
            commands.FilterList = [&Grid, column] {
                if (TZColumn* c = column())
                    Grid.DropDownList(c, true);
            };
        if (styles.Contains(fsFilterForm))
            commands.FilterForm = [&Grid, column] {
                if (TZColumn* c = column())
                    Grid.DropDownForm(c, true);
            };
    }

    // What a right click on the cell would open.
    if (Column->GetPopupMenu())
        commands.CellMenu = Column->GetPopupMenu();
    else if (Grid.GetPopupMenu())
        commands.CellMenu = Grid.GetPopupMenu();
    else if (Grid.GetPopupToolMenu()) {
        commands.CellMenu = Grid.GetToolMenu();
        commands.ToolMenu = true;
    }
    return commands;
}

// Builds the column menu, shows it under the current cell and deletes it once it closes.
void PopupColumnKeyMenu(TZCustomDBGrid& Grid, const TColumnKeyCommands& Commands)
{
    auto* menu = new QMenu(&Grid);
    menu->setObjectName(QStringLiteral("ColumnKeyMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto add = [&](const char* Text, const std::function<void()>& Command) {
        QAction* action = menu->addAction(ColumnMenuText(Text));
        action->setEnabled(bool(Command));
        if (Command)
            // Run once the menu has closed and gone: a command that opens a
            // popup or a dialog must not run inside the menu's own event.
            QObject::connect(action, &QAction::triggered, &Grid, [grid = &Grid, Command] {
                QTimer::singleShot(0, grid, [grid, Command] { GuardEvent(grid, Command); });
            });
    };
    add(QT_TRANSLATE_NOOP("zdb", "&Sort by Column"), Commands.Sort);
    add(QT_TRANSLATE_NOOP("zdb", "&Add to Sort"), Commands.AddToSort);
    menu->addSeparator();
    add(QT_TRANSLATE_NOOP("zdb", "Move &Left"), Commands.MoveLeft);
    add(QT_TRANSLATE_NOOP("zdb", "Move &Right"), Commands.MoveRight);
    menu->addSeparator();
    add(QT_TRANSLATE_NOOP("zdb", "&Wider"), Commands.Wider);
    add(QT_TRANSLATE_NOOP("zdb", "&Narrower"), Commands.Narrower);
    add(QT_TRANSLATE_NOOP("zdb", "&Optimal Width"), Commands.OptimalWidth);
    add(QT_TRANSLATE_NOOP("zdb", "&Default Width"), Commands.DefaultWidth);
    if (Commands.FilterList || Commands.FilterForm) {
        menu->addSeparator();
        add(QT_TRANSLATE_NOOP("zdb", "F&ilter List"), Commands.FilterList);
        add(QT_TRANSLATE_NOOP("zdb", "&Filter Form"), Commands.FilterForm);
    }
    if (Commands.CellMenu) {
        menu->addSeparator();
        QString text = Commands.CellMenu->title();
        if (text.isEmpty())
            text = Commands.ToolMenu ? ColumnMenuText(QT_TRANSLATE_NOOP("zdb", "&Tool Menu"))
                                     : ColumnMenuText(QT_TRANSLATE_NOOP("zdb", "&More"));
        // An item of its own, so that the menu keeps its title.
        menu->addAction(text)->setMenu(Commands.CellMenu);
    }
    QRect cell = Grid.CellRect(Grid.GetCol(), Grid.GetRow());
    if (cell.isEmpty())
        cell = QRect(QPoint(0, 0), QSize(1, 1));
    menu->popup(Grid.viewport()->mapToGlobal(cell.bottomLeft()));
}

} // namespace

// ---- Key table ---------------------------------------------------------------------

void TZCustomDBGrid::keyPressEvent(QKeyEvent* Event)
{
    const bool tab = Event->key() == Qt::Key_Tab || Event->key() == Qt::Key_Backtab;
    if (tab && (Event->modifiers() & Qt::ControlModifier) && !(Event->modifiers() & Qt::AltModifier)) {
        Event->ignore();
        return;
    }
    TCustomGrid::keyPressEvent(Event);
}

void TZCustomDBGrid::KeyDown(int& Key, TShiftState Shift)
{
    FKeyShift = Shift;
    // A key on the grid itself lets the next cell's editor drop its list down
    // again, unless the automatic drop-down is suspended.
    if (!GetEditorMode() && FLastCol != -2)
        AutoDropDownState(-1);
    if (OnKeyDown) {
        OnKeyDown(Key, Shift);
        if (Key == 0)
            return;
    }
    if (!FDataLink || !FDataLink->Active() || !DataSet()) {
        GridKeyDown(Key, Shift);
        return;
    }
    if (!CanGridAcceptKey(Key, Shift)) {
        Key = 0;
        return;
    }
    if (isRightToLeft()) {
        if (Key == Qt::Key_Left)
            Key = Qt::Key_Right;
        else if (Key == Qt::Key_Right)
            Key = Qt::Key_Left;
    }
    if (EditorListKeys(Key, Shift)) {
        Key = 0;
        return;
    }
    // Escape goes on to KeyPress, where it empties the incremental search text.
    if (DataKeyDown(Key, Shift)) {
        if (Key != Qt::Key_Escape)
            Key = 0;
    }
    else
        GridKeyDown(Key, Shift);
}

bool TZCustomDBGrid::DataKeyDown(int Key, TShiftState Shift)
{
    TDataSet* dataSet = DataSet();
    const bool ctrl = Shift & ssCtrl;
    const bool shift = Shift & ssShift;
    const bool alt = Shift & ssAlt;
    const bool ext = ExtendedSelect();
    const int firstCol = TCustomGrid::GetFixedCols();
    const int lastCol = GetColCount() - 1;

    // Sweeps of the extended row selection.
    if (ext && RowsSelection() && shift && !ctrl && (Key == Qt::Key_PageUp || Key == Qt::Key_PageDown)) {
        StepRecord(Key == Qt::Key_PageUp ? -VisibleRowCount() : VisibleRowCount(), true);
        return true;
    }
    if (ext && RowsSelection() && shift && ctrl &&
        (Key == Qt::Key_Home || Key == Qt::Key_End || Key == Qt::Key_Up || Key == Qt::Key_Down)) {
        const int step = Key == Qt::Key_Home || Key == Qt::Key_Up ? -1 : 1;
        if (Key == Qt::Key_Up || Key == Qt::Key_Down)
            StepRecord(step, true);
        else
            while (StepRecord(step, true) != 0) {
            }
        return true;
    }

    if (Key == Qt::Key_Menu || (Key == Qt::Key_F10 && shift && !ctrl && !alt)) {
        if (TZColumn* column = SelectedColumn(); column && !IsDesigning())
            PopupColumnKeyMenu(*this, ColumnKeyCommands(*this, column, [this](TZColumn* C) { TitleClick(C); }));
        return true;
    }

    switch (Key) {
    case Qt::Key_Escape:
        if (FSearch && FSearch->GetPanelVisible() && !FSearch->GetPermanent() && !FDataLink->Editing() &&
            !GetEditorMode() && !MultiSelected())
            CloseSearchPanel();
        // The first Escape takes back the pending text (and the edit state of a
        // record nothing was written to); the next cancels the record's changes.
        FDataLink->Reset();
        if (IsEditMode(dataSet->State()) && !dataSet->Modified() && !FDataLink->GetModified())
            FDataLink->Cancel();
        ResetSelection();
        if (!(FOptions & dgAlwaysShowEditor))
            HideEditor();
        return true;
    case Qt::Key_F2:
        if (TZColumn* column = SelectedColumn(); column && column->CanEditShow())
            SetEditorMode(true);
        return true;
    case Qt::Key_F3:
        // Ctrl+F3 searches from the first record, F3 in the direction of the shift state.
        if (FSearch && FSearch->GetActive()) {
            if (!FSearch->GetText().isEmpty())
                SearchAgain(ctrl);
            else
                ShowSearchPanel();
        }
        return true;
    default: break;
    }

    if (ctrl) {
        if ((RowsSelection() && IsVerticalKey(Key)) ||
            (ColsSelection() && (Key == Qt::Key_Left || Key == Qt::Key_Right)))
            ResetSelection();
        if (ScrollGridMode() && (Key == Qt::Key_Home || Key == Qt::Key_End || Key == Qt::Key_Up || Key == Qt::Key_Down)) {
            if (Key == Qt::Key_Home)
                dataSet->First();
            else if (Key == Qt::Key_End)
                dataSet->Last();
            else
                FDataLink->MoveBy(Key == Qt::Key_Up ? -1 : 1);
            return true;
        }
        const bool ctrlOnly = !shift && !alt;
        switch (Key) {
        case Qt::Key_Left:
            if (RowScroll())
                ScrollHorz(scPageUp);
            else
                KeyMoveCol(firstCol, 1);
            return true;
        case Qt::Key_Right:
            if (RowScroll())
                ScrollHorz(scPageDown);
            else
                KeyMoveCol(lastCol, -1);
            return true;
        case Qt::Key_Up:
        case Qt::Key_PageUp: FDataLink->MoveBy(-FDataLink->ActiveRecord()); return true;
        case Qt::Key_Down:
        case Qt::Key_PageDown: FDataLink->MoveBy(FDataLink->RecordCount() - 1 - FDataLink->ActiveRecord()); return true;
        case Qt::Key_Home: dataSet->First(); return true;
        case Qt::Key_End: dataSet->Last(); return true;
        case Qt::Key_F:
            if (!ctrlOnly)
                return false;
            if (FSearch && FSearch->GetActive())
                ShowSearchPanel();
            return true;
        case Qt::Key_Z:
            if (!ctrlOnly || !ext)
                return false;
            ResetSelection(true);
            return true;
        case Qt::Key_C:
        case Qt::Key_Insert:
            if (alt || !ext)
                return false;
            CopyToClipboard(shift);
            return true;
        case Qt::Key_A:
            if (!ctrlOnly || !ext)
                return false;
            SelectAll();
            return true;
        case Qt::Key_Delete: DeleteRecords(); return true;
        default: return false;
        }
    }

    if (ScrollGridMode() && IsVerticalKey(Key)) {
        const int page = VisibleRowCount();
        switch (Key) {
        // Inside the page the cursor moves; at its edge the records scroll under it.
        case Qt::Key_Up:
            if (FDataLink->ActiveRecord() == 0 || StepRecord(-1, true) == 0)
                MoveBy(-1);
            break;
        case Qt::Key_Down:
            if (FDataLink->ActiveRecord() >= FDataLink->RecordCount() - 1 || StepRecord(1, true) == 0)
                MoveBy(1);
            break;
        case Qt::Key_Home: dataSet->First(); break;
        case Qt::Key_End: dataSet->Last(); break;
        case Qt::Key_PageUp:
            if (MoveBy(-page) == 0)
                FDataLink->MoveBy(-page);
            break;
        case Qt::Key_PageDown:
            if (MoveBy(page) == 0)
                FDataLink->MoveBy(page);
            break;
        default: break;
        }
        return true;
    }

    switch (Key) {
    case Qt::Key_Up: PriorRow(true); return true;
    case Qt::Key_Down: NextRow(true, true); return true;
    case Qt::Key_Left:
        if (RowScroll())
            ScrollHorz(scLineUp);
        else if (FOptions & dgRowSelect)
            PriorRow(false);
        else
            KeyMoveCol(GetCol() - 1, -1);
        return true;
    case Qt::Key_Right:
        if (RowScroll())
            ScrollHorz(scLineDown);
        else if (FOptions & dgRowSelect)
            NextRow(false, true);
        else
            KeyMoveCol(GetCol() + 1, 1);
        return true;
    case Qt::Key_Home:
    case Qt::Key_End: {
        const bool home = Key == Qt::Key_Home;
        if (RowScroll())
            ScrollHorz(home ? scTop : scBottom);
        else if (GetColCount() - FIndicatorOffset > 1 && !(FOptions & dgRowSelect))
            KeyMoveCol(home ? firstCol : lastCol, home ? 1 : -1);
        else {
            ResetSelection();
            if (home)
                dataSet->First();
            else
                dataSet->Last();
        }
        return true;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (RowsSelection())
            ResetSelection();
        MoveBy(Key == Qt::Key_PageUp ? -VisibleRowCount() : VisibleRowCount(), false);
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (alt || !(FOptions & dgTabs))
            return false;
        if (ColsSelection())
            ResetSelection();
        TabStep(shift || Key == Qt::Key_Backtab);
        return true;
    case Qt::Key_Insert:
        if (shift || alt)
            return false;
        if (CanInsertRecord()) {
            ResetSelection();
            PerformDelayed();
            dataSet->Insert();
        }
        return true;
    case Qt::Key_F4: {
        if (alt)
            return false;
        TZColumn* column = SelectedColumn();
        // Only while the grid's filter is installed (a column filters, or the
        // search's row filter or the tree view is on).
        if (!isVisible() || !FFilter || !FFilter->GetActive() || !column || !column->GetField() ||
            BinaryFieldType(column->GetField()->DataType()))
            return true;
        const TFilterStyles styles = FFilter->GetAutoFilters() & column->Title()->GetAutoFilters();
        const TFieldKind kind = column->GetField()->GetFieldKind();
        if (!shift && styles.Contains(fsFilterList))
            DropDownAutoFilter(column, fsFilterList);
        else if (styles.Contains(fsFilterForm) && (kind == fkData || kind == fkLookup || kind == fkInternalCalc))
            DropDownAutoFilter(column, fsFilterForm);
        return true;
    }
    default: return false;
    }
}

// ---- Steps ---------------------------------------------------------------------------

bool TZCustomDBGrid::UntouchedInsertion() const
{
    TDataSet* dataSet = DataSet();
    return dataSet && dataSet->State() == dsInsert && !dataSet->Modified() && !FDataLink->GetModified();
}

bool TZCustomDBGrid::CanInsertRecord() const
{
    TDataSet* dataSet = DataSet();
    return !(FOptions & dgAllowInsertOff) && (FOptions & dgEditing) && !FReadOnly && dataSet && dataSet->CanModify() &&
           !FDataLink->GetReadOnly();
}

void TZCustomDBGrid::NextRow(bool Select, bool Append)
{
    TDataSet* dataSet = DataSet();
    if (UntouchedInsertion()) {
        // The new record is taken back rather than left; past the end there is nothing to go to.
        if (!dataSet->Eof())
            FDataLink->Cancel();
        return;
    }
    if (StepRecord(1, Select) == 0 && Append && dataSet->Eof() && CanInsertRecord()) {
        PerformDelayed();
        dataSet->Append();
    }
}

void TZCustomDBGrid::PriorRow(bool Select)
{
    if (UntouchedInsertion() && DataSet()->Eof()) {
        FDataLink->Cancel();
        return;
    }
    StepRecord(-1, Select);
}

int TZCustomDBGrid::StepRecord(int Distance, bool Select)
{
    if (!(FOptions & dgMultiSelect))
        return FDataLink->MoveBy(Distance);
    if (!Select || !(FKeyShift & ssShift) || !RowsSelection()) {
        if (!(FOptions & dgAutoUnselectOff) && FMultiSelect != msCols)
            ClearSelection();
        SetSelectionAnchor(TBookmark());
        FSweeping = false;
        return FDataLink->MoveBy(Distance);
    }
    TDataSet* dataSet = DataSet();
    TZSelectGuard select(this);
    if (!FSweeping || FSelectionAnchor.isEmpty() || dataSet->GetBookmark() != FSweepBookmark) {
        // The sweep starts here: the anchor, and whether it selects or unselects.
        SetSelectionAnchor(dataSet->GetBookmark());
        FSweeping = true;
        FSweepOffset = 0;
        FSweepUnselect = (FOptions & dgAutoUnselectOff) && IsRowSelected();
    }
    const bool state = !FSweepUnselect;
    const int step = Distance < 0 ? -1 : 1;
    int moved = 0;
    for (int i = 0; i != Distance; i += step) {
        // The record left behind keeps the sweep's state going away from the
        // anchor and loses it coming back; the record reached takes it.
        const bool away = FSweepOffset == 0 || (FSweepOffset > 0) == (step > 0);
        SelectedRows()->SetCurrentRowSelected(away ? state : !state);
        if (FDataLink->MoveBy(step) == 0)
            break;
        moved += step;
        FSweepOffset += step;
        SelectedRows()->SetCurrentRowSelected(state);
    }
    FSweepBookmark = dataSet->GetBookmark();
    return moved;
}

void TZCustomDBGrid::ResetSelection(bool Force)
{
    if ((FOptions & dgMultiSelect) && (Force || !(FOptions & dgAutoUnselectOff)))
        ClearSelection();
    SetSelectionAnchor(TBookmark());
    FSweeping = false;
}

void TZCustomDBGrid::KeyMoveCol(int RawCol, int Direction)
{
    const int oldCol = GetCol();
    MoveCol(RawCol, Direction);
    // In browse state Shift extends the range of a column or cell selection.
    if (GetCol() == oldCol || IsEditMode(DataSet()->State()) || !(FOptions & dgMultiSelect) || !ColsSelection() ||
        !(FKeyShift & ssShift))
        return;
    TZSelectGuard select(this);
    if (FSelectionBegCol < 0)
        SetSelectionBegCol(RawToDataColumn(oldCol));
    SetSelectionEndCol(RawToDataColumn(GetCol()));
}

void TZCustomDBGrid::TabStep(bool Back)
{
    TZUpdateGuard update(this);
    const int first = FIndicatorOffset + FFixedCols;
    const int last = GetColCount() - 1;
    const int start = GetCol();
    if (last < first)
        return;
    int col = start;
    for (;;) {
        col += Back ? -1 : 1;
        if (col > last) {
            NextRow(false, true);
            col = first;
        } else if (col < first) {
            PriorRow(false);
            col = last;
        }
        if (col == start)
            return;
        if (GetTabStops(col)) {
            MoveCol(col, 0);
            return;
        }
    }
}

void TZCustomDBGrid::ScrollHorz(TScrollCode Code)
{
    WMHScroll(Code, 0);
    WMHScroll(scEndScroll, 0);
}

// ---- Deleting ---------------------------------------------------------------------------

void TZCustomDBGrid::DeleteRecords()
{
    TDataSet* dataSet = DataSet();
    if ((FOptions & dgAllowDeleteOff) || ColsSelected() || FReadOnly || dataSet->IsEmpty() || !dataSet->CanModify() ||
        FDataLink->GetReadOnly())
        return;
    const int selected = FSelectedRows->Count();
    if ((FOptions & dgConfirmDelete) &&
        !ConfirmDelete(Tr(selected < 2 ? SDeleteRecordQuestion : SDeleteMultipleRecordsQuestion)))
        return;
    if (selected == 0)
        dataSet->Delete();
    else
        FSelectedRows->Delete();
}

bool TZCustomDBGrid::ConfirmDelete(const QString& Question)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), Question,
                    QMessageBox::Ok | QMessageBox::Cancel, window());
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

// ---- Character input ------------------------------------------------------------------

void TZCustomDBGrid::KeyPress(QChar& Key)
{
    if (OnKeyPress)
        OnKeyPress(Key);
    if (Key.isNull())
        return;
    const bool enterOrSpace = Key == QLatin1Char('\r') || Key == QLatin1Char(' ');
    TZColumn* column = SelectedColumn();
    if (enterOrSpace && column && column->GetCheckBox() && column->GetCheckBoxToggle() != ctCustomToggle &&
        (!column->GetField() || (FOptions & dgEditing)) && column->GetShowEdit()) {
        column->ToggleCheckBoxValue();
        Key = QChar();
        return;
    }
    // Expand-box columns take their Enter and Space here, before Enter writes the pending edit.
    if (enterOrSpace && FTreeView && FTreeView->KeyPress(Key)) {
        Key = QChar();
        return;
    }
    if (Key == QLatin1Char('\r') && !(FOptions & dgAlwaysShowEditor) && PostCellEdit()) {
        Key = QChar();
        return;
    }
    // Escape, Backspace and characters from the blank up edit the text; other
    // control characters go on to the grid.
    if (FDataLink && FDataLink->Active() && FSearch && FSearch->GetIncremental() &&
        (FSearch->GetOptions() & soFilterRows) &&
        (!(FOptions & dgEditing) || ((FOptionsEx & dgShowEditorByCharOff) && !GetEditorMode())) &&
        (Key == QChar(27) || Key == QLatin1Char('\b') || Key.unicode() >= 32)) {
        const QString old = FSearch->GetText();
        QString text = old;
        if (Key == QChar(27))
            text.clear();
        else if (Key == QLatin1Char('\b'))
            text.chop(1);
        else
            text += Key;
        if (text != old) {
            ApplySearchText(text);
            // A text that leaves no record is refused.
            if (FDataLink->Bof() && FDataLink->Eof())
                ApplySearchText(old);
        }
        Key = QChar();
        return;
    }
    GridKeyPress(Key);
}

void TZCustomDBGrid::ApplySearchText(const QString& Text)
{
    // The search filters the rows again itself.
    FSearch->SetText(Text);
}

} // namespace zdb

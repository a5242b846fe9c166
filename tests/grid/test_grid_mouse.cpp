// The pointer and the wheel on a shown grid, driven by real events on its
// viewport: wheel steps by the modifiers and the system setting, rows scrolling
// under a fixed cursor, selection by plain, Ctrl, Shift and Alt presses and by
// dragging, divider double clicks, title buttons, column drags kept inside
// their group, and faults of handlers and of grids without data.

#include "test_grid_helpers.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace zdb;
using namespace zdb::test;

namespace {

// Sends one wheel notch (120 units; negative: down) to the grid's viewport.
void Wheel(TZCustomDBGrid& Grid, int Delta, Qt::KeyboardModifiers Modifiers = {})
{
    const QPointF pos = Grid.viewport()->rect().center();
    QWheelEvent event(pos, Grid.viewport()->mapToGlobal(pos), QPoint(), QPoint(0, Delta), Qt::NoButton, Modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(Grid.viewport(), &event);
}

int IdOf(TDataSet* DataSet)
{
    return DataSet->FieldByName(QStringLiteral("Id"))->GetValue().toInt();
}

std::vector<int> SelectedIds(TZCustomDBGrid& Grid)
{
    std::vector<int> ids;
    Grid.ForEachDataRow(reSelectedRows, [&] { ids.push_back(IdOf(Grid.DataSet())); });
    return ids;
}

struct GridMouse : ShownOrders<60> {
    void SetUp() override
    {
        Grid->SetOptionsEx(Grid->GetOptionsEx() & ~TZDBGridOptionsEx(dgDelaySelectedRows));
        ShownOrders<60>::SetUp();
    }
    // The data cell of buffer record Record in column Field.
    QPoint Cell(const char* Field, int Record) const { return Center(Raw(Field), Grid->FirstDataRow() + Record); }
    // The divider right of Field's title.
    QPoint Divider(const char* Field) const
    {
        const QRect title = Grid->CellRect(Raw(Field), 0);
        return QPoint(title.left() + title.width(), title.center().y());
    }
    // Brackets a handler may leave open: none.
    void ExpectNoBracketOpen() const
    {
        EXPECT_EQ(Grid->SelectCount(), 0);
        EXPECT_EQ(Grid->UpdateLock(), 0);
        EXPECT_FALSE(Grid->PositionDisabled());
        EXPECT_EQ(Grid->CancelCount(), 0);
        EXPECT_FALSE(Table->ControlsDisabled());
    }
};

} // namespace

TEST_F(GridMouse, WheelStepsFollowModifiersAndTheSystemSetting)
{
    const int lines = QApplication::wheelScrollLines();
    QApplication::setWheelScrollLines(2);
    Wheel(*Grid, -120);
    EXPECT_EQ(CurrentId(), 3); // WheelScrollRows 0: the system's two lines
    Wheel(*Grid, -120, Qt::ControlModifier);
    EXPECT_EQ(CurrentId(), 4);
    Wheel(*Grid, -120, Qt::ShiftModifier);
    EXPECT_EQ(CurrentId(), 4 + Grid->VisibleRowCount());
    Wheel(*Grid, 120, Qt::ShiftModifier);
    Wheel(*Grid, 120, Qt::ControlModifier);
    EXPECT_EQ(CurrentId(), 3);
    Grid->SetWheelScrollRows(-1);
    Wheel(*Grid, 120);
    EXPECT_EQ(CurrentId(), 1); // a page back, stopped at the first record
    QApplication::setWheelScrollLines(lines);

    // An untouched insertion is cancelled instead of moving.
    Table->MoveBy(4);
    Table->Insert();
    Wheel(*Grid, -120, Qt::ControlModifier);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Table->RecordCount(), 60);
    EXPECT_EQ(CurrentId(), 5);
}

TEST_F(GridMouse, RowsModeScrollsTheRecordsUnderAFixedCursor)
{
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Amount", 3));
    ASSERT_EQ(CurrentId(), 4);
    const int row = Grid->GetRow();
    EXPECT_EQ(Grid->MoveBy(10, true), 10);
    EXPECT_EQ(CurrentId(), 14);
    EXPECT_EQ(Grid->GetRow(), row);
    EXPECT_EQ(Grid->CellText(Raw("Id"), Grid->FirstDataRow()), "11");
    ExpectNoBracketOpen();
}

TEST_F(GridMouse, PlainCtrlShiftAndAltPressesSelectRows)
{
    Grid->SetOptions(Grid->GetOptions() | dgMultiSelect);
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Customer", 1));
    EXPECT_EQ(SelectedIds(*Grid), std::vector<int>{2});
    QTest::mouseClick(View(), Qt::LeftButton, Qt::ControlModifier, Cell("Customer", 3));
    EXPECT_EQ(SelectedIds(*Grid), (std::vector<int>{2, 4}));
    // Shift: the rows from the anchor (the last Ctrl-press) to the pressed one.
    QTest::mouseClick(View(), Qt::LeftButton, Qt::ShiftModifier, Cell("Customer", 6));
    EXPECT_EQ(SelectedIds(*Grid), (std::vector<int>{4, 5, 6, 7}));
    EXPECT_EQ(CurrentId(), 7);
    // Ctrl on a selected row unselects it.
    QTest::mouseClick(View(), Qt::LeftButton, Qt::ControlModifier, Cell("Customer", 4));
    EXPECT_EQ(SelectedIds(*Grid), (std::vector<int>{4, 6, 7}));
    // A plain press starts over with the pressed row alone.
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Amount", 2));
    EXPECT_EQ(SelectedIds(*Grid), std::vector<int>{3});
    // Shift+Alt selects all, Ctrl+Alt inverts, Alt unselects all.
    QTest::mouseClick(View(), Qt::LeftButton, Qt::ShiftModifier | Qt::AltModifier, Cell("Amount", 2));
    EXPECT_EQ(Grid->SelectedRows()->Count(), 60);
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Amount", 0));
    QTest::mouseClick(View(), Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier, Cell("Amount", 0));
    EXPECT_EQ(Grid->SelectedRows()->Count(), 59);
    QTest::mouseClick(View(), Qt::LeftButton, Qt::AltModifier, Cell("Amount", 0));
    EXPECT_TRUE(Grid->SelectedRows()->IsEmpty());
    ExpectNoBracketOpen();
}

TEST_F(GridMouse, DraggingOverRowsSelectsAndUnselectsThem)
{
    Grid->SetOptions(Grid->GetOptions() | dgMultiSelect);
    QTest::mousePress(View(), Qt::LeftButton, {}, Cell("Customer", 1));
    QTest::mouseMove(View(), Cell("Customer", 4));
    EXPECT_EQ(SelectedIds(*Grid), (std::vector<int>{2, 3, 4, 5}));
    // Back toward the anchor the rows left behind lose their mark.
    QTest::mouseMove(View(), Cell("Customer", 2));
    QTest::mouseRelease(View(), Qt::LeftButton, {}, Cell("Customer", 2));
    EXPECT_EQ(SelectedIds(*Grid), (std::vector<int>{2, 3}));
    EXPECT_EQ(CurrentId(), 3);
    EXPECT_FALSE(Grid->ScrollTracking());
    ExpectNoBracketOpen();
}

TEST_F(GridMouse, TitlePressesSelectColumnsAndTrackingFollowsThePointer)
{
    Grid->SetOptions((Grid->GetOptions() | dgMultiSelect) & ~TZDBGridOptions(dgTitleButtons));
    Grid->SetMultiSelectOptions(TMultiSelectOptions{msRows, msCols});
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(Raw("Customer"), 0));
    EXPECT_EQ(Grid->GetMultiSelect(), msCols);
    QTest::mouseClick(View(), Qt::LeftButton, Qt::ShiftModifier, Center(Raw("Amount"), 0));
    EXPECT_FALSE(Grid->IsColMultiSelected(Grid->FindColumn("Id")->Index()));
    EXPECT_TRUE(Grid->IsColMultiSelected(Grid->FindColumn("Customer")->Index()));
    EXPECT_TRUE(Grid->IsColMultiSelected(Grid->FindColumn("Amount")->Index()));
    EXPECT_TRUE(Grid->ColsSelected());
    // A plain press on a data row ends the column selection.
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Id", 2));
    EXPECT_FALSE(Grid->ColsSelected());

    // Mouse tracking: the record under the pointer becomes current.
    Grid->SetOptionsExt(Grid->GetOptionsExt() | dgMouseTracking);
    QTest::mouseMove(View(), Cell("Amount", 5));
    EXPECT_EQ(CurrentId(), 6);
    EXPECT_EQ(Grid->SelectedColumn(), Grid->FindColumn("Amount"));
    ExpectNoBracketOpen();
}

TEST_F(GridMouse, DividerDoubleClickAndMiddleButtonSizeTheColumn)
{
    TZColumn* customer = Grid->FindColumn("Customer");
    ASSERT_NE(customer->OptimalWidth(), 120);
    int titleClicks = 0, doubleClicks = 0;
    Grid->OnTitleClick = [&](TZCustomDBGrid*, TZColumn*) { ++titleClicks; };
    Grid->OnDblClick = [&] { ++doubleClicks; };

    QTest::mouseDClick(View(), Qt::LeftButton, {}, Divider("Customer"));
    EXPECT_EQ(customer->GetWidth(), customer->OptimalWidth());
    EXPECT_EQ(titleClicks, 0);
    EXPECT_EQ(doubleClicks, 0);

    customer->SetWidth(120);
    QTest::mouseClick(View(), Qt::MiddleButton, {}, Divider("Customer"));
    EXPECT_EQ(customer->GetWidth(), customer->DefaultWidth());

    // Without the options the divider is the control's double click.
    customer->SetWidth(120);
    Grid->SetResizeOptions(Grid->GetResizeOptions() & ~TZResizeOptions(roOptimalWidth | roDefaultWidth));
    QTest::mouseDClick(View(), Qt::LeftButton, {}, Divider("Customer"));
    QTest::mouseClick(View(), Qt::MiddleButton, {}, Divider("Customer"));
    EXPECT_EQ(customer->GetWidth(), 120);
    EXPECT_EQ(doubleClicks, 1);
}

TEST_F(GridMouse, TitleButtonsClickOnlyWhenReleasedOnThePressedTitle)
{
    std::vector<std::string> log;
    Grid->OnTitleClick = [&](TZCustomDBGrid*, TZColumn* Column) {
        log.push_back(Column->GetFieldName().toStdString());
    };
    Grid->OnFillerClick = [&](TZCustomDBGrid*) { log.push_back("corner"); };
    Grid->SetFillerIndex(0);
    const QPoint amount = Center(Raw("Amount"), 0);

    // Left and brought back: a click.
    QTest::mousePress(View(), Qt::LeftButton, {}, amount);
    QTest::mouseMove(View(), Cell("Amount", 3));
    QTest::mouseMove(View(), amount + QPoint(2, 0));
    QTest::mouseRelease(View(), Qt::LeftButton, {}, amount + QPoint(2, 0));
    // Released elsewhere: none.
    QTest::mousePress(View(), Qt::LeftButton, {}, amount);
    QTest::mouseRelease(View(), Qt::LeftButton, {}, Cell("Amount", 3));
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(0, 0));
    EXPECT_EQ(log, (std::vector<std::string>{"Amount", "corner"}));

    // A title that is no button and a corner without its button click nothing.
    log.clear();
    Grid->FindColumn("Amount")->Title()->SetButton(false);
    Grid->SetFillerButton(false);
    QTest::mouseClick(View(), Qt::LeftButton, {}, amount);
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(0, 0));
    EXPECT_TRUE(log.empty());

    // The corner of FillerIndex -22 switches the auto-filter when no handler takes it.
    Grid->OnFillerClick = nullptr;
    Grid->SetFillerIndex(-22);
    Grid->SetFillerButton(true);
    const bool autoFilter = Grid->FilterGrid()->GetAutoFilter();
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(0, 0));
    EXPECT_NE(Grid->FilterGrid()->GetAutoFilter(), autoFilter);
}

TEST_F(GridMouse, ADraggedColumnStaysInsideItsGroup)
{
    {
        TZLayoutGuard layout(Grid.get());
        TZDBGridColumns* columns = Grid->Columns();
        columns->Clear();
        columns->Add()->SetFieldName("Id");
        TZColumn* group = columns->Add();
        group->Title()->SetCaption("Group");
        group->SetExpandCols(2);
        columns->Add()->SetFieldName("Customer");
        columns->Add()->SetFieldName("Amount");
        columns->Add()->Title()->SetCaption("Extra");
    }
    TZDBGridColumns* columns = Grid->Columns();
    columns->Items(1)->SetExpanded(true);
    Grid->resize(600, 300);
    QApplication::processEvents();
    ASSERT_EQ(Grid->TitleRowCount(), 2);
    ASSERT_EQ(columns->Items(2)->ParentColumn(), columns->Items(1));
    auto order = [&] {
        std::string names;
        for (TZColumn* column : *columns)
            names += (column->GetFieldName().isEmpty() ? column->Title()->GetCaption() : column->GetFieldName())
                         .toStdString() +
                     " ";
        return names;
    };
    auto drag = [&](int FromData, int ToData, Qt::MouseButton Button = Qt::LeftButton) {
        const QPoint from = Center(Grid->DataToRawColumn(FromData), 1);
        const QPoint to = Center(Grid->DataToRawColumn(ToData), 1);
        QTest::mousePress(View(), Button, {}, from);
        QTest::mouseMove(View(), to);
        QTest::mouseRelease(View(), Button, {}, to);
    };
    std::vector<std::string> moved;
    Grid->OnColumnMoved = [&](TZCustomDBGrid*, int From, int To) {
        moved.push_back(std::to_string(From) + ">" + std::to_string(To));
    };

    // A child dragged right past its group stops at the group's end.
    drag(2, 4);
    EXPECT_EQ(order(), "Id Group Amount Customer Extra ");
    // Dragged left past its group: the group's first place.
    drag(3, 0);
    EXPECT_EQ(order(), "Id Group Customer Amount Extra ");
    EXPECT_EQ(moved, (std::vector<std::string>{"2>3", "3>2"}));
    EXPECT_EQ(columns->Items(2)->ParentColumn(), columns->Items(1));
    EXPECT_EQ(columns->Items(3)->ParentColumn(), columns->Items(1));

    // With dgRightMoving the right button drags the same way, and opens no
    // popup menu on the title it starts from; the left button leaves a plain
    // title where it is.
    QMenu menu;
    menu.addAction("Item");
    Grid->SetPopupMenu(&menu);
    Grid->SetOptions(Grid->GetOptions() | dgRightMoving | dgTitleButtons);
    moved.clear();
    drag(2, 4);
    EXPECT_EQ(order(), "Id Group Customer Amount Extra ");
    {
        // The platform's menu request that follows a right press.
        const QPoint from = Center(Grid->DataToRawColumn(2), 1);
        const QPoint to = Center(Grid->DataToRawColumn(4), 1);
        QTest::mousePress(View(), Qt::RightButton, {}, from);
        QContextMenuEvent request(QContextMenuEvent::Mouse, from, View()->mapToGlobal(from));
        QApplication::sendEvent(View(), &request);
        EXPECT_FALSE(menu.isVisible());
        QTest::mouseMove(View(), to);
        QTest::mouseRelease(View(), Qt::RightButton, {}, to);
    }
    EXPECT_EQ(order(), "Id Group Amount Customer Extra ");
    // Refused by the handler: put back.
    Grid->OnColumnMoving = [](TZCustomDBGrid*, int, int, bool& Allowed) { Allowed = false; };
    drag(3, 2, Qt::RightButton);
    EXPECT_EQ(order(), "Id Group Amount Customer Extra ");
    EXPECT_EQ(moved, std::vector<std::string>{"2>3"});
    EXPECT_EQ(Grid->GetGridState(), gsNormal);
}

TEST_F(GridMouse, ThrowingHandlersAndGridsWithoutDataChangeNothing)
{
    TCaughtErrors errors;
    Grid->SetOptions(Grid->GetOptions() | dgMultiSelect);
    Grid->OnRowSelect = [](TZCustomDBGrid*, TSelectAction) { throw std::runtime_error("row select refused"); };
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Customer", 2));
    Grid->OnRowSelect = nullptr;
    Grid->OnTitleClick = [](TZCustomDBGrid*, TZColumn*) { throw std::runtime_error("title refused"); };
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(Raw("Amount"), 0));
    Grid->OnMouseWheelUp = [](TShiftState, const QPoint&, bool&) { throw std::runtime_error("wheel refused"); };
    Wheel(*Grid, 120);
    EXPECT_EQ(errors.Messages, (QStringList{"row select refused", "title refused", "wheel refused"}));
    ExpectNoBracketOpen();
    EXPECT_EQ(CurrentId(), 3);
    Grid->OnTitleClick = nullptr;
    Grid->OnMouseWheelUp = nullptr;

    // An empty dataset and an inactive link: presses, drags and the wheel do nothing.
    Table->EmptyDataSet();
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Customer", 0));
    QTest::mouseClick(View(), Qt::LeftButton, Qt::ShiftModifier, Cell("Customer", 3));
    Wheel(*Grid, -120);
    EXPECT_TRUE(Table->IsEmpty());
    EXPECT_TRUE(Grid->SelectedRows()->IsEmpty());
    Table->Close();
    QTest::mouseClick(View(), Qt::LeftButton, {}, Center(Grid->GetColCount() - 1, 1));
    Wheel(*Grid, -120, Qt::ShiftModifier);
    EXPECT_EQ(Grid->MoveBy(5, true), 0);
    EXPECT_EQ(errors.Messages.size(), 3);
    ExpectNoBracketOpen();
}

// ---- SQLite ------------------------------------------------------------------------------

namespace {

struct SqlGridMouse : SqliteOrders {
    std::unique_ptr<TZDBGrid> Grid;
    void TearDown() override
    {
        Grid.reset();
        SqliteOrders::TearDown();
    }
};

} // namespace

TEST_F(SqlGridMouse, ShiftClickAndWheelOnAQuery)
{
    CreateOrders(200);
    Grid = std::make_unique<TZDBGrid>();
    Grid->SetOptions(Grid->GetOptions() | dgMultiSelect);
    Grid->SetOptionsEx(Grid->GetOptionsEx() & ~TZDBGridOptionsEx(dgDelaySelectedRows));
    Grid->SetDataSource(&Source);
    ShowGrid(*Grid, 400, 300);
    auto cell = [&](int Record) {
        return Grid->CellRect(Grid->DataToRawColumn(1), Grid->FirstDataRow() + Record).center();
    };
    auto id = [&] { return Query->FieldByName("id")->AsInteger(); };

    Wheel(*Grid, -120, Qt::ShiftModifier);
    EXPECT_EQ(id(), 1 + Grid->VisibleRowCount());
    const int top = id() - Grid->DataLink()->ActiveRecord(); // the first record shown
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, cell(1));
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, cell(4));
    std::vector<int> ids;
    Grid->ForEachDataRow(reSelectedRows, [&] { ids.push_back(id()); });
    EXPECT_EQ(ids, (std::vector<int>{top + 1, top + 2, top + 3, top + 4}));
    Wheel(*Grid, 120, Qt::ControlModifier);
    EXPECT_EQ(id(), top + 3);
    EXPECT_EQ(Grid->SelectedRows()->Count(), 4);
}

TEST_F(GridMouse, ClicksToggleCheckBoxesAsTheColumnSays)
{
    Grid->Columns()->SetState(csCustomized);
    TZColumn* customer = Grid->ColumnByName("Customer");
    ASSERT_TRUE(customer);
    customer->SetCheckBox(true);
    customer->SetCheckBoxValues("Yes;No");
    TField* field = Table->FieldByName("Customer");
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Customer", 2));
    EXPECT_EQ(CurrentId(), 3);
    EXPECT_EQ(field->AsString(), "Yes");
    Table->Post();
    // Select-click toggles only a cell that was current before the click.
    customer->SetCheckBoxToggle(ctSelectClick);
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Customer", 4));
    EXPECT_EQ(CurrentId(), 5);
    const QString before = field->AsString();
    EXPECT_NE(before, "Yes");
    QTest::mouseClick(View(), Qt::LeftButton, {}, Cell("Customer", 4));
    EXPECT_EQ(field->AsString(), "Yes");
    Table->Cancel();
    EXPECT_EQ(field->AsString(), before);
}

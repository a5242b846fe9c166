// The keyboard of a shown grid, driven by real key events: appending past the
// end and taking an untouched new record back, Shift sweeps of the row
// selection, tabs across records, Ctrl+Delete with its question answered,
// the extended-selection keys, check boxes and the incremental search text,
// and keys that meet a failing dataset or handler.

#include "DBError.h"
#include "test_grid_helpers.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QMessageBox>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <set>

using namespace zdb;
using namespace zdb::test;

namespace {

void Key(QWidget& W, Qt::Key K, Qt::KeyboardModifiers M = Qt::NoModifier)
{
    QTest::keyClick(&W, K, M);
}

// Answers the message box that opens next with Button and keeps its text in
// Asked (which stays empty when no box opened before the next event loop).
void AnswerNextBox(QMessageBox::StandardButton Button, QString& Asked)
{
    Asked.clear();
    QTimer::singleShot(0, [Button, &Asked] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            Asked = box->text();
            box->button(Button)->click();
        }
    });
}

// The Id values of the selected records (the current record stays).
std::set<int> SelectedIds(TZCustomDBGrid& Grid)
{
    TDataSet* dataSet = Grid.DataSet();
    const TBookmark current = dataSet->GetBookmark();
    std::set<int> ids;
    for (const TBookmark& b : *Grid.SelectedRows()) {
        dataSet->GotoBookmark(b);
        ids.insert(dataSet->Fields()[0]->AsInteger());
    }
    dataSet->GotoBookmark(current);
    return ids;
}

struct KeyGrid : OrdersGrid<10> {
    TCaughtErrors Caught;
    void SetUp() override { ShowOrders(true); }
    int CurrentId() { return Table->FieldByName("Id")->AsInteger(); }
    void GoToId(int Id)
    {
        Key(Grid, Qt::Key_Home, Qt::ControlModifier);
        for (int i = 1; i < Id; ++i)
            Key(Grid, Qt::Key_Down);
        ASSERT_EQ(CurrentId(), Id);
    }
    void MultiSelect() { Grid.SetOptions(Grid.GetOptions() | dgMultiSelect); }
};

} // namespace

TEST_F(KeyGrid, DownPastTheEndAppendsAndUpTakesTheUntouchedRecordBack)
{
    Key(Grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(CurrentId(), 10);
    Key(Grid, Qt::Key_Down);
    EXPECT_EQ(Table->State(), dsInsert);
    Key(Grid, Qt::Key_Down); // no second record while this one is untouched
    EXPECT_EQ(Table->State(), dsInsert);
    Key(Grid, Qt::Key_Up);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Table->RecordCount(), 10);
    EXPECT_EQ(CurrentId(), 10);

    // Neither appends nor inserts with dgAllowInsertOff.
    Grid.SetOptions(Grid.GetOptions() | dgAllowInsertOff);
    Key(Grid, Qt::Key_Down);
    Key(Grid, Qt::Key_Insert);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

TEST_F(KeyGrid, ShiftSweepsSelectAndUnselectAndAPlainMoveClears)
{
    MultiSelect();
    GoToId(5);
    for (int i = 0; i < 3; ++i)
        Key(Grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(SelectedIds(Grid), (std::set<int>{5, 6, 7, 8}));
    Key(Grid, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(SelectedIds(Grid), (std::set<int>{5, 6, 7}));
    // Back over the anchor the sweep goes on the other way.
    for (int i = 0; i < 3; ++i)
        Key(Grid, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(CurrentId(), 4);
    EXPECT_EQ(SelectedIds(Grid), (std::set<int>{4, 5}));
    Key(Grid, Qt::Key_Down);
    EXPECT_TRUE(Grid.SelectedRows()->IsEmpty());
    EXPECT_TRUE(Grid.GetSelectionAnchor().isEmpty());

    // Shift+Ctrl+End sweeps to the last record, Shift+Page Up a page back.
    Key(Grid, Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(CurrentId(), 10);
    EXPECT_EQ(SelectedIds(Grid), (std::set<int>{5, 6, 7, 8, 9, 10}));
    ASSERT_GE(Grid.VisibleRowCount(), 10);
    Key(Grid, Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(CurrentId(), 1);
    EXPECT_EQ(SelectedIds(Grid), (std::set<int>{1, 2, 3, 4, 5}));

    // With dgAutoUnselectOff a sweep from a selected record unselects, and a
    // plain move keeps the selection.
    Grid.SetOptions(Grid.GetOptions() | dgAutoUnselectOff);
    GoToId(3);
    EXPECT_EQ(SelectedIds(Grid), (std::set<int>{1, 2, 3, 4, 5}));
    Key(Grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(SelectedIds(Grid), (std::set<int>{1, 2, 5}));
}

TEST_F(KeyGrid, ExtendedSelectionKeys)
{
    MultiSelect();
    Key(Grid, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Grid.SelectedRows()->Count(), 10);
    Grid.SetCol(2);
    Key(Grid, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("1\tCustomer 1\t"))) << lines[0].toStdString();
    // Ctrl+Home resets the selection; dgAutoUnselectOff keeps it, Ctrl+Z clears it anyway.
    Grid.SetOptions(Grid.GetOptions() | dgAutoUnselectOff);
    Key(Grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Grid.SelectedRows()->Count(), 10);
    Key(Grid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Grid.SelectedRows()->IsEmpty());
}

TEST_F(KeyGrid, TabsWrapAcrossRecordsAndColumnKeysFollowTheLayout)
{
    const int last = Grid.GetColCount() - 1;
    Grid.SetCol(last);
    Key(Grid, Qt::Key_Tab);
    EXPECT_EQ(CurrentId(), 2);
    EXPECT_EQ(Grid.GetCol(), 1);
    Key(Grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(CurrentId(), 1);
    EXPECT_EQ(Grid.GetCol(), last);
    // A column made read-only at run time is passed over at once, and one
    // made editable again is a stop again.
    ASSERT_GE(last, 2);
    Grid.ColumnOfRaw(last)->SetReadOnly(true);
    Grid.SetCol(last - 1);
    Key(Grid, Qt::Key_Tab);
    EXPECT_EQ(CurrentId(), 2);
    EXPECT_EQ(Grid.GetCol(), 1);
    Grid.ColumnOfRaw(last)->SetReadOnly(false);
    Key(Grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(CurrentId(), 1);
    EXPECT_EQ(Grid.GetCol(), last);
    // Ctrl+Left / Ctrl+Right: the first and last column; right to left the
    // arrows change sides.
    Key(Grid, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Grid.GetCol(), 1);
    Key(Grid, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Grid.GetCol(), last);
    Grid.setLayoutDirection(Qt::RightToLeft);
    Key(Grid, Qt::Key_Right);
    EXPECT_EQ(Grid.GetCol(), last - 1);
    Grid.setLayoutDirection(Qt::LeftToRight);

    // RowScroll: Left and Right scroll the view and keep the column.
    Grid.SetOptions(Grid.GetOptions() | dgRowSelect | dgRowScroll);
    Grid.resize(120, 300);
    QApplication::processEvents();
    const int col = Grid.GetCol();
    const int left = Grid.GetLeftCol();
    Key(Grid, Qt::Key_Right);
    EXPECT_EQ(Grid.GetLeftCol(), left + 1);
    EXPECT_EQ(Grid.GetCol(), col);
    Key(Grid, Qt::Key_Left);
    EXPECT_EQ(Grid.GetLeftCol(), left);
    EXPECT_EQ(CurrentId(), 1);
}

TEST_F(KeyGrid, CtrlDeleteAsksAndARefusalChangesNothing)
{
    MultiSelect();
    GoToId(3);
    Key(Grid, Qt::Key_Down, Qt::ShiftModifier);
    Key(Grid, Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(SelectedIds(Grid), (std::set<int>{3, 4, 5}));
    QString asked;
    AnswerNextBox(QMessageBox::Cancel, asked);
    Key(Grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(asked, SDeleteMultipleRecordsQuestion);
    EXPECT_EQ(Table->RecordCount(), 10);
    EXPECT_EQ(SelectedIds(Grid), (std::set<int>{3, 4, 5}));
    EXPECT_EQ(CurrentId(), 5);

    AnswerNextBox(QMessageBox::Ok, asked);
    Key(Grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Table->RecordCount(), 7);
    EXPECT_TRUE(Grid.SelectedRows()->IsEmpty());

    // Without a selection the current record goes, after the one-record question.
    Key(Grid, Qt::Key_Home, Qt::ControlModifier);
    AnswerNextBox(QMessageBox::Ok, asked);
    Key(Grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(asked, SDeleteRecordQuestion);
    EXPECT_EQ(Table->RecordCount(), 6);
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

TEST_F(KeyGrid, SpaceAndEnterToggleACheckBoxColumn)
{
    Grid.Columns()->SetState(csCustomized);
    TZColumn* customer = (*Grid.Columns())[1];
    customer->SetCheckBox(true);
    customer->SetCheckBoxValues("Yes;No");
    Grid.SetCol(2);
    Key(Grid, Qt::Key_Space);
    EXPECT_EQ(Table->FieldByName("Customer")->AsString(), "Yes");
    Key(Grid, Qt::Key_Return);
    EXPECT_EQ(Table->FieldByName("Customer")->AsString(), "No");
    // A custom toggle leaves Space to the editor.
    customer->SetCheckBoxToggle(ctCustomToggle);
    Key(Grid, Qt::Key_Space);
    EXPECT_EQ(Table->FieldByName("Customer")->AsString(), "No");
    ASSERT_TRUE(Grid.GetInplaceEditor() && Grid.GetInplaceEditor()->isVisible());
    EXPECT_EQ(Grid.GetInplaceEditor()->text(), " ");
}

namespace {

// A grid whose search filters the rows by the customer's name.
class TSearchGrid : public TZDBGrid
{
public:
    bool SearchFilterActive() const override { return true; }
    bool SearchRecordRejected(TDataSet* DataSet) const override
    {
        return !DataSet->FieldByName("Customer")->AsString().contains(Search()->GetText());
    }
};

struct SearchKeys : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(12);
    TDataSource Source;
    TSearchGrid Grid;
    void SetUp() override
    {
        Source.SetDataSet(Table.get());
        Grid.SetOptions(Grid.GetOptions() & ~TZDBGridOptions(dgEditing));
        Grid.Search()->SetIncremental(true);
        Grid.Search()->SetOptions(soFilterRows);
        Grid.SetDataSource(&Source);
        ShowGrid(Grid);
        Grid.setFocus();
    }
    int Shown()
    {
        int n = 0;
        for (Table->First(); !Table->Eof(); Table->Next())
            ++n;
        return n;
    }
};

} // namespace

TEST_F(SearchKeys, TypedTextFiltersTheRowsAndATextWithoutRecordsIsRefused)
{
    QTest::keyClicks(&Grid, "r 1");
    EXPECT_EQ(Grid.Search()->GetText(), "r 1");
    EXPECT_EQ(Shown(), 4); // 1, 10, 11, 12
    QTest::keyClicks(&Grid, "x");
    EXPECT_EQ(Grid.Search()->GetText(), "r 1");
    EXPECT_EQ(Shown(), 4);
    Key(Grid, Qt::Key_Backspace);
    EXPECT_EQ(Grid.Search()->GetText(), "r ");
    EXPECT_EQ(Shown(), 12);
    Key(Grid, Qt::Key_Escape);
    EXPECT_TRUE(Grid.Search()->GetText().isEmpty());
    EXPECT_EQ(Shown(), 12);
}

TEST_F(KeyGrid, FailuresReachTheApplicationAndLeaveNoBracketOpen)
{
    // A handler that throws during a sweep.
    MultiSelect();
    Grid.OnRowSelect = [](TZCustomDBGrid*, TSelectAction) { throw std::runtime_error("row select failed"); };
    Key(Grid, Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(Caught.Messages.size(), 1);
    EXPECT_EQ(Caught.Messages[0], "row select failed");
    EXPECT_EQ(Grid.SelectCount(), 0);
    EXPECT_EQ(Grid.UpdateLock(), 0);
    Grid.OnRowSelect = nullptr;

    // A dataset that refuses to post: the edit stays, the record stays.
    Key(Grid, Qt::Key_Home, Qt::ControlModifier);
    Table->BeforePost = [](TDataSet*) { DatabaseError("not now"); };
    Grid.SetCol(2);
    QTest::keyClicks(&Grid, "Z");
    Key(*Grid.GetInplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(Caught.Messages.size(), 2);
    EXPECT_EQ(Table->State(), dsEdit);
    EXPECT_EQ(CurrentId(), 1);
    Table->BeforePost = nullptr;
    Key(*Grid.GetInplaceEditor(), Qt::Key_Escape);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Table->FieldByName("Customer")->AsString(), "Customer 1");

    // An inactive grid and an empty one take keys without harm; nothing is
    // asked before deleting from an empty dataset.
    auto empty = MakeOrders(0);
    Source.SetDataSet(empty.get());
    QString asked;
    for (bool active : {true, false}) {
        empty->SetActive(active);
        AnswerNextBox(QMessageBox::Ok, asked);
        Key(Grid, Qt::Key_Delete, Qt::ControlModifier);
        QApplication::processEvents();
        EXPECT_TRUE(asked.isEmpty());
        for (Qt::Key k : {Qt::Key_Up, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Tab, Qt::Key_Escape})
            Key(Grid, k);
        if (active) {
            EXPECT_EQ(empty->RecordCount(), 0);
        }
    }
    EXPECT_EQ(Caught.Messages.size(), 2);
    EXPECT_EQ(Grid.UpdateLock(), 0);
    EXPECT_EQ(Grid.SelectCount(), 0);
    Source.SetDataSet(Table.get());
}

namespace {

struct SqlKeys : SqliteOrdersGrid<6> {
    int Stored()
    {
        QSqlQuery q(Db());
        q.exec("SELECT COUNT(*) FROM orders");
        return q.next() ? q.value(0).toInt() : -1;
    }
};

} // namespace

TEST_F(SqlKeys, SweepDeleteAndAppendOnAQuery)
{
    Grid->SetOptions(Grid->GetOptions() | dgMultiSelect);
    Key(*Grid, Qt::Key_Down);
    Key(*Grid, Qt::Key_Down, Qt::ShiftModifier);
    QString asked;
    AnswerNextBox(QMessageBox::Ok, asked);
    Key(*Grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(asked, SDeleteMultipleRecordsQuestion);
    EXPECT_EQ(Stored(), 4);
    EXPECT_TRUE(Grid->SelectedRows()->IsEmpty());

    Key(*Grid, Qt::Key_End, Qt::ControlModifier);
    Key(*Grid, Qt::Key_Down);
    EXPECT_EQ(Query->State(), dsInsert);
    Key(*Grid, Qt::Key_Up);
    EXPECT_EQ(Query->State(), dsBrowse);
    EXPECT_EQ(Query->FieldByName("id")->AsInteger(), 6);
    EXPECT_EQ(Stored(), 4);
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

namespace {

struct ScrollGridKeys : OrdersGrid<50> {
    void SetUp() override
    {
        Grid.SetOptions(Grid.GetOptions() | dgForceSequence);
        Grid.SetOptionsExt(Grid.GetOptionsExt() | dgScrollGridMode);
        ShowOrders(true); // the grid counts the records itself
    }
    int CurrentId() { return Table->FieldByName("Id")->AsInteger(); }
};

} // namespace

TEST_F(ScrollGridKeys, PagesScrollTheRecordsUnderTheCursor)
{
    const int page = Grid.VisibleRowCount();
    ASSERT_TRUE(Grid.ScrollGridMode());
    ASSERT_LT(page, 25);
    Key(Grid, Qt::Key_Down);
    Key(Grid, Qt::Key_Down);
    const int row = Grid.GetRow();
    Key(Grid, Qt::Key_PageDown);
    EXPECT_EQ(CurrentId(), 3 + page);
    EXPECT_EQ(Grid.GetRecNumber(), 3 + page);
    EXPECT_EQ(Grid.GetRow(), row);
    Key(Grid, Qt::Key_PageUp);
    EXPECT_EQ(CurrentId(), 3);
    EXPECT_EQ(Grid.GetRow(), row);
}

TEST(GridTabPages, CtrlTabTurnsThePageOfTheTabWidgetTheGridSitsIn)
{
    auto table = MakeOrders(5);
    TDataSource source;
    source.SetDataSet(table.get());
    QTabWidget tabs;
    auto* grid = new TZDBGrid;
    grid->SetDataSource(&source);
    tabs.addTab(grid, "Orders");
    tabs.addTab(new QWidget, "Other");
    ShowGrid(tabs);
    tabs.activateWindow();
    grid->setFocus();
    const int col = grid->GetCol();
    QTest::keyClick(grid, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs.currentIndex(), 1);
    EXPECT_EQ(grid->GetCol(), col);
    tabs.setCurrentIndex(0);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(tabs.currentIndex(), 0);
    EXPECT_EQ(grid->GetCol(), col + 1);
    tabs.clear();
    delete grid;
}

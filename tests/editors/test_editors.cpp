// The editors driven by real key and mouse events: the grid's in-place editor
// completes, steps through and clears list values per column kind, its button
// opens what its style says, stand-alone editors and the grid edit the same
// field in step, refused values stay in the editor, and editors and lists
// torn down while open leave nothing behind.

#include "../grid/test_grid_helpers.h"
#include "ZDBEditor.h"

#include <QMenu>
#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

const QStringList PickValues{"A1", "B2", "C3"};
const QStringList PickTexts{"Alpha", "Beta", "Gamma"};

TZDBGridEditor* EditorOf(TZCustomDBGrid& Grid)
{
    auto* editor = qobject_cast<TZDBGridEditor*>(Grid.GetInplaceEditor());
    return editor && editor->isVisible() ? editor : nullptr;
}

QWidget* KeyTarget(TZCustomDBGrid& Grid)
{
    TZDBGridEditor* editor = EditorOf(Grid);
    return editor ? static_cast<QWidget*>(editor) : &Grid;
}

void Type(TZCustomDBGrid& Grid, const QString& Text)
{
    for (QChar ch : Text)
        QTest::keyClick(KeyTarget(Grid), ch.toLatin1());
}

void Press(TZCustomDBGrid& Grid, Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
{
    QTest::keyClick(KeyTarget(Grid), Key, Modifiers);
}

void ClickButton(TZDBInplaceEditor* Editor)
{
    ASSERT_TRUE(Editor->ButtonVisible());
    QTest::mouseClick(Editor, Qt::LeftButton, Qt::NoModifier, Editor->ButtonRect().center());
}

// Orders with Customer holding the pick values A1, B2, C3 shown as Alpha, Beta, Gamma.
struct PickGrid : OrdersGrid<4> {
    TCaughtErrors Caught;
    TZColumn* Customer = nullptr;

    void SetUp() override
    {
        const QStringList stored{"B2", "A1", "C3", "B2"};
        for (int i = 0; i < 4; ++i) {
            Table->Edit();
            Table->FieldByName("Customer")->SetAsString(stored[i]);
            Table->Post();
            Table->Next();
        }
        Table->First();
        ShowOrders(true);
        Customer = Grid.FindColumn("Customer");
        Customer->SetPickList(PickValues);
        Customer->SetPickText(PickTexts);
        Grid.SetSelectedIndex(Customer->Index());
    }
    QString Stored() { return Table->FieldByName("Customer")->AsString(); }
};

} // namespace

TEST_F(PickGrid, TypingCompletesPickItemsAndAPauseStartsANewPrefix)
{
    Type(Grid, "b");
    TZDBGridEditor* editor = EditorOf(Grid);
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), "Beta");
    EXPECT_EQ(editor->selectedText(), "eta");
    Type(Grid, "e");
    EXPECT_EQ(editor->selectedText(), "ta");
    // Backspace shortens the prefix; the completion stays selected.
    Press(Grid, Qt::Key_Backspace);
    EXPECT_EQ(editor->text(), "Beta");
    EXPECT_EQ(editor->selectedText(), "eta");
    Press(Grid, Qt::Key_Return);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Stored(), "B2");

    Table->Next();
    Type(Grid, "g");
    editor = EditorOf(Grid);
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), "Gamma");
    QTest::qWait(AutoCompleteDelay + 100);
    Type(Grid, "a");
    EXPECT_EQ(editor->text(), "Alpha");
    EXPECT_EQ(editor->selectedText(), "lpha");
    // A prefix no item has is typed as it is.
    Type(Grid, "z");
    EXPECT_EQ(editor->text(), "Az");
    Press(Grid, Qt::Key_Escape);
    EXPECT_EQ(Stored(), "A1");
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

TEST_F(PickGrid, NumpadPlusAndMinusStepThroughPickItemsWithoutTypingTheSign)
{
    Press(Grid, Qt::Key_F2);
    TZDBGridEditor* editor = EditorOf(Grid);
    ASSERT_TRUE(editor);
    ASSERT_EQ(editor->text(), "Beta");
    Press(Grid, Qt::Key_Plus, Qt::KeypadModifier);
    editor = EditorOf(Grid);
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), "Gamma");
    EXPECT_EQ(Stored(), "C3");
    // A page step stops at the last item; a single step wraps to the first.
    Press(Grid, Qt::Key_Plus, Qt::KeypadModifier | Qt::ShiftModifier);
    EXPECT_EQ(EditorOf(Grid)->text(), "Gamma");
    Press(Grid, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(EditorOf(Grid)->text(), "Alpha");
    Press(Grid, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(EditorOf(Grid)->text(), "Gamma");
    EXPECT_EQ(EditorOf(Grid)->selectedText(), "Gamma");
    // The wheel steps too.
    QWheelEvent wheel(QPointF(5, 5), EditorOf(Grid)->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(EditorOf(Grid), &wheel);
    EXPECT_EQ(EditorOf(Grid)->text(), "Beta");
    Press(Grid, Qt::Key_Return);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Stored(), "B2");

    // Without loSelectNextValue the plus sign is typed.
    Customer->SetListOptions(Customer->GetListOptions() - TZListOptions{loSelectNextValue});
    Press(Grid, Qt::Key_F2);
    EditorOf(Grid)->end(false);
    Press(Grid, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(EditorOf(Grid)->text(), "Beta+");
    Press(Grid, Qt::Key_Escape);
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

TEST_F(PickGrid, DeleteClearsAWholeDropDownListValueOnly)
{
    Customer->SetPickOptions(Customer->GetPickOptions() | TZPickOptions{poDropDownList});
    Press(Grid, Qt::Key_F2);
    TZDBGridEditor* editor = EditorOf(Grid);
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->isReadOnly()); // chosen, not typed
    editor->setSelection(1, 2);
    Press(Grid, Qt::Key_Delete);
    EXPECT_EQ(Stored(), "B2");
    EXPECT_EQ(EditorOf(Grid)->text(), "Beta");
    EditorOf(Grid)->selectAll();
    Press(Grid, Qt::Key_Delete);
    EXPECT_TRUE(Table->FieldByName("Customer")->AsString().isEmpty());
    Press(Grid, Qt::Key_Return);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_TRUE(Table->FieldByName("Customer")->AsString().isEmpty());
}

TEST_F(PickGrid, LookupKeyColumnCompletesAndStepsThroughTheLookupRecords)
{
    TZMemDataSet codes;
    codes.FieldDefs().Add("Code", ftWideString, 10);
    codes.CreateDataSet();
    for (const char* code : {"A1", "B2", "C3", "D4"}) {
        codes.Append();
        codes.FieldByName("Code")->SetAsString(code);
        codes.Post();
    }
    Customer->SetPickList({});
    Customer->SetPickText({});
    Customer->SetLookupDataSet(&codes);
    Customer->SetKeyField("Customer");
    Customer->SetLookupKeyField("Code");
    Customer->SetLookupResultField("Code");
    ASSERT_EQ(Customer->LookupColumn(), lcLookupKeyField);
    Press(Grid, Qt::Key_F2);
    ASSERT_TRUE(EditorOf(Grid));
    EXPECT_EQ(EditorOf(Grid)->text(), "B2");
    Press(Grid, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Stored(), "C3");
    Press(Grid, Qt::Key_Plus, Qt::KeypadModifier);
    Press(Grid, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Stored(), "A1"); // past the last record to the first
    Press(Grid, Qt::Key_Escape);
    Press(Grid, Qt::Key_Escape);
    EXPECT_EQ(Stored(), "B2");

    Type(Grid, "d");
    ASSERT_TRUE(EditorOf(Grid));
    EXPECT_EQ(EditorOf(Grid)->text(), "D4");
    EXPECT_EQ(EditorOf(Grid)->selectedText(), "4");
    Press(Grid, Qt::Key_Return);
    EXPECT_EQ(Stored(), "D4");
    Grid.SetDataSource(nullptr); // before the lookup dataset goes
}

TEST_F(PickGrid, EveryButtonStyleOpensWhatItShould)
{
    Press(Grid, Qt::Key_F2);
    TZDBGridEditor* editor = EditorOf(Grid);
    ASSERT_TRUE(editor);
    ASSERT_EQ(editor->EditorStyle(), edsDropDownList);

    // Pressed while over the button, released elsewhere: nothing opens.
    const QPoint button = editor->ButtonRect().center();
    QTest::mousePress(editor, Qt::LeftButton, Qt::NoModifier, button);
    EXPECT_TRUE(editor->ButtonPressed());
    QMouseEvent away(QEvent::MouseMove, QPointF(2, 2), editor->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor, &away);
    EXPECT_FALSE(editor->ButtonPressed());
    QTest::mouseRelease(editor, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_FALSE(editor->ListVisible());

    // The drop-down button opens the column's list; Enter accepts and ends the cell edit.
    ClickButton(editor);
    ASSERT_TRUE(editor->ListVisible());
    EXPECT_EQ(Grid.EditorList(), editor->ActiveList());
    Press(Grid, Qt::Key_Down);
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(Stored(), "C3");
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_FALSE(EditorOf(Grid));
    // Alt+Down opens it from the editor, Escape closes it writing nothing.
    Press(Grid, Qt::Key_F2);
    Press(Grid, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(EditorOf(Grid)->ListVisible());
    Press(Grid, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(EditorOf(Grid)->ListVisible());
    EXPECT_EQ(Stored(), "C3");
    Press(Grid, Qt::Key_Escape);

    int clicks = 0;
    Grid.OnEditButtonClick = [&](TZCustomDBGrid*) { ++clicks; };
    for (TZColumnButtonStyle style : {cbsEllipsis, cbsDropDown}) {
        Customer->SetButtonStyle(style);
        Press(Grid, Qt::Key_F2);
        ClickButton(EditorOf(Grid));
        Press(Grid, Qt::Key_Escape);
    }
    EXPECT_EQ(clicks, 2);

    QMenu menu;
    menu.addAction("Item");
    Customer->SetButtonStyle(cbsDropDownMenu);
    Customer->SetDropDownMenu(&menu);
    Press(Grid, Qt::Key_F2);
    ClickButton(EditorOf(Grid));
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(clicks, 2);
    menu.hide();

    // With loAutoDropDown the list opens as the editor enters the cell, and
    // again on the same cell once a key on the grid re-armed it.
    Customer->SetButtonStyle(cbsAuto);
    Customer->SetListOptions(Customer->GetListOptions() | TZListOptions{loAutoDropDown});
    Press(Grid, Qt::Key_Escape);
    Press(Grid, Qt::Key_F2);
    QApplication::processEvents();
    ASSERT_TRUE(EditorOf(Grid));
    EXPECT_TRUE(EditorOf(Grid)->ListVisible());
    Press(Grid, Qt::Key_Escape); // closes the list
    QApplication::processEvents();
    Press(Grid, Qt::Key_Escape); // and the editor
    Press(Grid, Qt::Key_F2);
    QApplication::processEvents();
    ASSERT_TRUE(EditorOf(Grid));
    EXPECT_TRUE(EditorOf(Grid)->ListVisible());
    Press(Grid, Qt::Key_Escape);
    QApplication::processEvents();
    Customer->SetListOptions(Customer->GetListOptions() - TZListOptions{loAutoDropDown});

    // A column without a list class shows no button.
    Customer->SetButtonStyle(cbsNone);
    Press(Grid, Qt::Key_Escape);
    Press(Grid, Qt::Key_F2);
    EXPECT_FALSE(EditorOf(Grid)->ButtonVisible());
}

TEST_F(PickGrid, StandAloneEditorsAndTheGridEditTheSameFieldInStep)
{
    QWidget form;
    TZDBColumn column(&form);
    column.SetDBGrid(&Grid);
    column.SetDataColumn("customer");
    EXPECT_EQ(column.GetDataColumn(), "Customer");
    EXPECT_EQ(column.GetDataField(), "Customer");
    TZDBEditor own(&form);
    own.SetDataSource(&Source);
    own.SetDataField("Customer");
    own.SetPickList(PickValues);
    own.SetPickText({"Eins", "Zwei", "Drei"});
    own.move(0, 40);
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(column.text(), "Beta");
    EXPECT_EQ(own.text(), "Zwei");
    EXPECT_TRUE(column.ButtonVisible());

    // Typed into the grid column's editor: the grid's text rules store it.
    column.setFocus();
    column.selectAll();
    QTest::keyClicks(&column, "Gam");
    EXPECT_EQ(column.text(), "Gamma");
    QTest::keyClick(&column, Qt::Key_Return);
    EXPECT_EQ(Stored(), "C3");
    EXPECT_EQ(Grid.CellText(Grid.GetCol(), Grid.GetRow()), "Gamma");
    EXPECT_EQ(own.text(), "Drei");

    // The editor with its own pick list: its list, its texts.
    own.setFocus();
    ClickButton(&own);
    ASSERT_TRUE(own.ListVisible());
    QTest::keyClick(&own, Qt::Key_Up);
    QTest::keyClick(&own, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(Stored(), "B2");
    EXPECT_EQ(own.text(), "Zwei");
    EXPECT_EQ(column.text(), "Beta");

    // The grid's editor writes; both follow.
    Grid.setFocus();
    Type(Grid, "alpha");
    Press(Grid, Qt::Key_Return);
    EXPECT_EQ(Stored(), "A1");
    EXPECT_EQ(column.text(), "Alpha");
    EXPECT_EQ(own.text(), "Eins");
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();

    // A style without a list shows no button.
    own.SetButtonStyle(ebsNone);
    EXPECT_EQ(own.EditorStyle(), edsSimple);
    EXPECT_FALSE(own.ButtonVisible());
}

TEST_F(PickGrid, ARefusedValueStaysInAStandAloneEditorAndEscapeGivesTheOldOneBack)
{
    QWidget form;
    TZDBLabeledEditor editor(&form);
    editor.SetDataSource(&Source);
    editor.SetDataField("Id");
    editor.EditorLabel()->SetCaption("Order");
    editor.SetLabelVisible(true);
    editor.move(10, 40);
    form.show();
    QApplication::processEvents();
    EXPECT_TRUE(editor.EditorLabel()->isVisible());
    EXPECT_LT(editor.EditorLabel()->geometry().bottom(), editor.geometry().top());
    editor.SetLabelPosition(lpLeft);
    EXPECT_LT(editor.EditorLabel()->geometry().right(), editor.geometry().left());

    editor.setFocus();
    editor.selectAll();
    QTest::keyClicks(&editor, "1x-2"); // the x is no digit: refused
    EXPECT_EQ(editor.text(), "1-2");
    QTest::keyClick(&editor, Qt::Key_Return);
    ASSERT_EQ(Caught.Messages.size(), 1);
    EXPECT_EQ(editor.text(), "1-2");
    EXPECT_EQ(Table->FieldByName("Id")->AsInteger(), 1);
    QTest::keyClick(&editor, Qt::Key_Escape);
    EXPECT_EQ(editor.text(), "1");
    EXPECT_EQ(editor.selectedText(), "1");
}

namespace {

// The server refuses the note "bad" (a trigger standing for a constraint).
struct SqliteRefusal : SqliteOrdersGrid<3> {
    void SetUp() override
    {
        SqliteOrdersGrid<3>::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(ExecSql(Db(), "CREATE TRIGGER no_bad BEFORE UPDATE ON orders WHEN NEW.note = 'bad'"
                                  " BEGIN SELECT RAISE(ABORT, 'bad note'); END"));
    }
};

} // namespace

TEST_F(SqliteRefusal, AServerRefusalKeepsTheTextAndEscapeRevertsCellThenRecord)
{
    Grid->SetSelectedIndex(Grid->FindColumn("note")->Index());
    Type(*Grid, "bad");
    Press(*Grid, Qt::Key_Return);
    ASSERT_EQ(Caught.Messages.size(), 1);
    ASSERT_TRUE(EditorOf(*Grid));
    EXPECT_EQ(EditorOf(*Grid)->text(), "bad");
    Press(*Grid, Qt::Key_Escape);
    Press(*Grid, Qt::Key_Escape);
    EXPECT_EQ(Query->State(), dsBrowse);
    EXPECT_EQ(Query->FieldByName("note")->AsString(), "note 1");
    QSqlQuery check(Db());
    ASSERT_TRUE(check.exec("SELECT note FROM orders WHERE id = 1") && check.next());
    EXPECT_EQ(check.value(0).toString(), "note 1");
}

TEST_F(PickGrid, ListsOpenWhenTheGridTheDataOrTheEditorGoAway)
{
    // The column is removed under an open list: closing it writes nothing.
    Grid.Columns()->RebuildColumns();
    Customer = Grid.FindColumn("Customer");
    Customer->SetPickList(PickValues);
    Grid.SetSelectedIndex(Customer->Index());
    Press(Grid, Qt::Key_F2);
    ClickButton(EditorOf(Grid));
    const QPointer<TZDBGridDropDownList> list = Grid.EditorList();
    ASSERT_TRUE(list && list->ListVisible());
    Grid.Columns()->Delete(Customer->Index());
    QApplication::processEvents();
    if (list)
        list->CloseUp(true);
    QApplication::processEvents();
    EXPECT_EQ(Stored(), "B2");

    // A stand-alone editor destroyed with its list open takes the list along.
    QWidget form;
    QPointer<TZDBDropDownList> ownList;
    {
        TZDBEditor own(&form);
        own.SetDataSource(&Source);
        own.SetDataField("Customer");
        own.SetPickList(PickValues);
        form.show();
        QApplication::processEvents();
        ClickButton(&own);
        ownList = own.ActiveList();
        ASSERT_TRUE(ownList && ownList->ListVisible());
    }
    QApplication::processEvents();
    EXPECT_FALSE(ownList);
    EXPECT_EQ(Stored(), "B2");

    // The dataset closes under an open list.
    TZColumn* amount = Grid.FindColumn("Amount");
    amount->SetPickList({"10", "20"});
    Grid.SetSelectedIndex(amount->Index());
    Grid.activateWindow();
    Grid.setFocus();
    Grid.SetEditorMode(true);
    ClickButton(EditorOf(Grid));
    ASSERT_TRUE(Grid.EditorList() && Grid.EditorList()->ListVisible());
    Table->Close();
    QApplication::processEvents();
    EXPECT_FALSE(EditorOf(Grid));
}

TEST(GridEditorLifetime, AGridDestroyedWithItsListOpenLeavesNoWindow)
{
    auto table = MakeOrders(3);
    TDataSource source;
    source.SetDataSet(table.get());
    auto grid = std::make_unique<TZDBGrid>();
    grid->SetDataSource(&source);
    ShowGrid(*grid);
    grid->activateWindow();
    grid->setFocus();
    grid->FindColumn("Customer")->SetPickList(PickValues);
    grid->SetSelectedIndex(grid->FindColumn("Customer")->Index());
    QTest::keyClick(grid.get(), Qt::Key_F2);
    ClickButton(EditorOf(*grid));
    const QPointer<TZDBGridDropDownList> list = grid->EditorList();
    const QPointer<TZDBPopupList> popup = list ? list->PopupList() : nullptr;
    ASSERT_TRUE(list && popup && popup->isVisible());
    grid.reset();
    QApplication::processEvents();
    EXPECT_FALSE(list);
    EXPECT_FALSE(popup);
    EXPECT_EQ(table->State(), dsBrowse);
}

// A grid-column editor made before its grid has data follows the grid once
// the grid gets its data source, once its dataset opens, and on every move.
TEST(GridColumnEditor, FollowsAGridThatGetsItsDataLater)
{
    const auto table = MakeOrders(3);
    TDataSource source;
    QWidget form;
    auto* grid = new TZDBGrid(&form);
    grid->setGeometry(0, 40, 400, 200);
    auto* byName = new TZDBColumn(&form);
    byName->SetDBGrid(grid);
    byName->SetDataColumn("Customer");
    auto* byField = new TZDBColumn(&form);
    byField->SetDBGrid(grid);
    byField->SetDataField("Amount");
    byField->move(0, 250);
    form.resize(400, 300);
    form.show();
    QApplication::processEvents();
    EXPECT_TRUE(byName->text().isEmpty());

    // The grid gets a data source without a dataset, then the dataset comes.
    grid->SetDataSource(&source);
    EXPECT_EQ(byName->GetDataSource(), &source);
    EXPECT_TRUE(byName->text().isEmpty());
    source.SetDataSet(table.get());
    EXPECT_EQ(byName->GetDataField(), "Customer");
    EXPECT_EQ(byName->text(), "Customer 1");
    EXPECT_EQ(byField->text(), "10");
    ASSERT_NE(byName->Column(), nullptr);
    EXPECT_EQ(byName->Column()->GetFieldName(), "Customer");

    // Moving in the grid moves both.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(byName->text(), "Customer 3");
    EXPECT_EQ(byField->text(), "30");

    // Another data source of the grid is followed; one given to the editor stays.
    TDataSource other;
    other.SetDataSet(table.get());
    TDataSource own;
    own.SetDataSet(table.get());
    byField->SetDataSource(&own);
    grid->SetDataSource(&other);
    EXPECT_EQ(byName->GetDataSource(), &other);
    EXPECT_EQ(byField->GetDataSource(), &own);
    EXPECT_EQ(byName->text(), "Customer 3");

    // Without its dataset and with it again, the editor shows the record again.
    other.SetDataSet(nullptr);
    EXPECT_TRUE(byName->text().isEmpty());
    table->First();
    other.SetDataSet(table.get());
    EXPECT_EQ(byName->text(), "Customer 1");
}

// The lists of stand-alone editors driven by real key and mouse events: each
// kind (lookup, pick, check, calendar, calculator) writes the chosen value
// through the editor, bound to an in-memory table or an SQLite query, and
// unbound as a plain value editor; the editors' properties read and write by name.

#include "../grid/test_grid_helpers.h"
#include "DateUtils.h"
#include "ZDBEditor.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

void ClickButton(TZDBInplaceEditor* Editor)
{
    ASSERT_TRUE(Editor->ButtonVisible());
    QTest::mouseClick(Editor, Qt::LeftButton, Qt::NoModifier, Editor->ButtonRect().center());
    QApplication::processEvents();
}

void Keys(QWidget* Target, std::initializer_list<Qt::Key> List, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
{
    for (Qt::Key key : List)
        QTest::keyClick(Target, key, Modifiers);
    QApplication::processEvents();
}

// Orders (Id, CustId, Day, Amount, Codes) and customers (Id, Name) in memory,
// with a form of editors on the current order.
struct EditorForm : ::testing::Test {
    TZMemDataSet Orders;
    TZMemDataSet Customers;
    TDataSource Source;
    QWidget Form;
    TCaughtErrors Caught;

    void SetUp() override
    {
        Customers.FieldDefs().Add("Id", ftInteger);
        Customers.FieldDefs().Add("Name", ftWideString, 20);
        Customers.CreateDataSet();
        for (int i = 0; i < 3; ++i) {
            Customers.Append();
            Customers.FieldByName("Id")->SetValue(i + 1);
            Customers.FieldByName("Name")->SetValue(QStringList{"Alpha", "Beta", "Gamma"}[i]);
            Customers.Post();
        }
        Orders.FieldDefs().Add("Id", ftInteger);
        Orders.FieldDefs().Add("CustId", ftInteger);
        Orders.FieldDefs().Add("Day", ftDate);
        Orders.FieldDefs().Add("Amount", ftFloat);
        Orders.FieldDefs().Add("Codes", ftWideString, 7);
        Orders.CreateDataSet();
        Orders.Append();
        Orders.FieldByName("Id")->SetValue(1);
        Orders.FieldByName("CustId")->SetValue(2);
        Orders.FieldByName("Day")->SetValue(QDate(2026, 3, 14));
        Orders.FieldByName("Amount")->SetValue(12.0);
        Orders.FieldByName("Codes")->SetValue("A1,C3");
        Orders.Post();
        Source.SetDataSet(&Orders);
        Form.resize(400, 300);
        Form.show();
        QApplication::processEvents();
    }
    void TearDown() override { EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString(); }

    // A shown, focused editor of the form on Field ("" for an unbound one).
    std::unique_ptr<TZDBEditor> Editor(const QString& Field)
    {
        auto editor = std::make_unique<TZDBEditor>(&Form);
        if (!Field.isEmpty()) {
            editor->SetDataSource(&Source);
            editor->SetDataField(Field);
        }
        editor->setGeometry(10, 10, 200, editor->height());
        editor->show();
        editor->activateWindow();
        editor->setFocus();
        QApplication::processEvents();
        return editor;
    }
    void LookupCustomers(TZDBEditor& Editor)
    {
        Editor.SetLookupDataSet(&Customers);
        Editor.SetKeyField("CustId");
        Editor.SetLookupKeyField("Id");
        Editor.SetLookupResultField("Name");
    }
    QVariant Value(const char* Field) { return Orders.FieldByName(Field)->GetValue(); }
};

} // namespace

TEST_F(EditorForm, LookupListWritesTheKeyAndStepsAndClearsThroughTheLookupRecords)
{
    auto editor = Editor("CustId");
    LookupCustomers(*editor);
    ASSERT_EQ(editor->GetLookupColumn(), lcLookupValueField);
    EXPECT_EQ(editor->EditorStyle(), edsDropDownList);
    EXPECT_EQ(editor->text(), "Beta");

    ClickButton(editor.get());
    ASSERT_TRUE(editor->ListVisible());
    ASSERT_TRUE(qobject_cast<TZDBEditorDataList*>(editor->ActiveList()));
    Keys(editor.get(), {Qt::Key_Down, Qt::Key_Return});
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(Value("CustId").toInt(), 3);
    EXPECT_EQ(editor->text(), "Gamma");

    // Past the last record to the first, and back.
    Keys(editor.get(), {Qt::Key_Plus}, Qt::KeypadModifier);
    EXPECT_EQ(Value("CustId").toInt(), 1);
    EXPECT_EQ(editor->text(), "Alpha");
    Keys(editor.get(), {Qt::Key_Minus}, Qt::KeypadModifier);
    EXPECT_EQ(Value("CustId").toInt(), 3);

    // Typing completes from the results; the key follows.
    editor->selectAll();
    QTest::keyClicks(editor.get(), "be");
    EXPECT_EQ(editor->text(), "Beta");
    EXPECT_EQ(Value("CustId").toInt(), 2);

    // Delete clears only the whole text.
    editor->setSelection(0, 2);
    Keys(editor.get(), {Qt::Key_Delete});
    EXPECT_EQ(Value("CustId").toInt(), 2);
    editor->selectAll();
    Keys(editor.get(), {Qt::Key_Delete});
    EXPECT_TRUE(Value("CustId").isNull());
    EXPECT_TRUE(editor->text().isEmpty());
    Orders.Post();
    EXPECT_TRUE(Value("CustId").isNull());
}

TEST_F(EditorForm, CalendarWritesTheChosenDayIntoTheFieldAndAGridShowsIt)
{
    TZDBGrid grid;
    grid.SetDataSource(&Source);
    auto editor = Editor("Day");
    ASSERT_EQ(editor->GetEditorListClass(), &TZDBEditorCalendar::Create);
    ClickButton(editor.get());
    auto* list = qobject_cast<TZDBEditorCalendar*>(editor->ActiveList());
    ASSERT_TRUE(list && list->ListVisible());
    TZDBPopupCalendar* calendar = list->Calendar();
    EXPECT_EQ(DateTimeDate(calendar->GetDate()), QDate(2026, 3, 14));
    // A click on the day before (a Saturday is never a week's first day here).
    QTest::mouseClick(calendar->viewport(), Qt::LeftButton, {},
                      calendar->CellRect(calendar->GetCol() - 1, calendar->GetRow()).center());
    QApplication::processEvents();
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(Value("Day").toDate(), QDate(2026, 3, 13));

    // Alt+Down opens it again; keys move the day.
    Keys(editor.get(), {Qt::Key_Down}, Qt::AltModifier);
    ASSERT_TRUE(editor->ListVisible());
    Keys(editor.get(), {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Return});
    EXPECT_EQ(Value("Day").toDate(), QDate(2026, 3, 22));
    EXPECT_EQ(grid.FindColumn("Day")->GetEditText(), Orders.FieldByName("Day")->GetEditText());

    // Escape closes it writing nothing.
    ClickButton(editor.get());
    ASSERT_TRUE(editor->ListVisible());
    Keys(editor.get(), {Qt::Key_Right, Qt::Key_Escape});
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(Value("Day").toDate(), QDate(2026, 3, 22));

    // A text the field refuses opens the calendar on today and keeps the field.
    editor->selectAll();
    QTest::keyClicks(editor.get(), "99");
    ClickButton(editor.get());
    list = qobject_cast<TZDBEditorCalendar*>(editor->ActiveList());
    ASSERT_TRUE(list);
    EXPECT_EQ(DateTimeDate(list->Calendar()->GetDate()), QDate::currentDate());
    Keys(editor.get(), {Qt::Key_Escape});
    EXPECT_EQ(editor->text(), "99");
    EXPECT_EQ(Value("Day").toDate(), QDate(2026, 3, 22));
    Keys(editor.get(), {Qt::Key_Escape});
    EXPECT_EQ(Value("Day").toDate(), QDate(2026, 3, 22));

    // The table closes under an open calendar: accepting writes nothing.
    ClickButton(editor.get());
    ASSERT_TRUE(editor->ListVisible());
    grid.SetDataSource(nullptr);
    Orders.Close();
    Keys(editor.get(), {Qt::Key_Right, Qt::Key_Return});
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_TRUE(editor->text().isEmpty());
}

TEST_F(EditorForm, CalculatorWritesItsResultAndNothingAfterAnError)
{
    auto editor = Editor("Amount");
    editor->SetButtonStyle(ebsCalculator);
    ClickButton(editor.get());
    ASSERT_TRUE(qobject_cast<TZDBEditorCalculator*>(editor->ActiveList()));
    QTest::keyClicks(editor.get(), "*3=");
    Keys(editor.get(), {Qt::Key_Return});
    EXPECT_DOUBLE_EQ(Value("Amount").toDouble(), 36.0);

    ClickButton(editor.get());
    QTest::keyClicks(editor.get(), "/0=");
    Keys(editor.get(), {Qt::Key_Return});
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_DOUBLE_EQ(Value("Amount").toDouble(), 36.0);

    // OnListCloseUp sees the value and may change it or refuse it.
    QVariant seen;
    editor->OnListCloseUp = [&](QObject*, TZDBDropDownList*, QVariant& Value, bool& Accept) {
        seen = Value;
        if (Value.toString() == "37")
            Accept = false;
        else
            Value = "50";
    };
    ClickButton(editor.get());
    QTest::keyClicks(editor.get(), "+1=");
    Keys(editor.get(), {Qt::Key_Return});
    EXPECT_EQ(seen.toString(), "37");
    EXPECT_DOUBLE_EQ(Value("Amount").toDouble(), 36.0);
    ClickButton(editor.get());
    QTest::keyClicks(editor.get(), "+2=");
    Keys(editor.get(), {Qt::Key_Return});
    EXPECT_DOUBLE_EQ(Value("Amount").toDouble(), 50.0);
}

TEST_F(EditorForm, UnboundEditorsTakeListValuesAsTheirText)
{
    auto number = Editor("");
    number->SetButtonStyle(ebsCalculator);
    number->setText("12");
    ClickButton(number.get());
    QTest::keyClicks(number.get(), "+30=");
    Keys(number.get(), {Qt::Key_Return});
    EXPECT_EQ(number->text(), "42");

    auto day = Editor("");
    day->SetButtonStyle(ebsCalendar);
    EXPECT_TRUE(day->ButtonVisible());
    ClickButton(day.get());
    Keys(day.get(), {Qt::Key_Return});
    // An empty editor opens on today.
    TZDBPopupCalendar probe;
    probe.SetResult(day->text());
    EXPECT_EQ(DateTimeDate(probe.GetDate()), QDate::currentDate());

    // A pick list of values shown by texts: the shown text, stepped with the numpad too.
    auto pick = Editor("");
    pick->SetPickList({"A1", "B2", "C3"});
    pick->SetPickText({"Alpha", "Beta", "Gamma"});
    pick->setText("Beta");
    ClickButton(pick.get());
    ASSERT_TRUE(qobject_cast<TZDBEditorPickList*>(pick->ActiveList()));
    Keys(pick.get(), {Qt::Key_Down, Qt::Key_Return});
    EXPECT_EQ(pick->text(), "Gamma");
    Keys(pick.get(), {Qt::Key_Plus}, Qt::KeypadModifier);
    EXPECT_EQ(pick->text(), "Alpha");
    EXPECT_EQ(pick->selectedText(), "Alpha");

    // A read-only unbound editor takes nothing.
    pick->SetReadOnly(true);
    Keys(pick.get(), {Qt::Key_Plus}, Qt::KeypadModifier);
    EXPECT_EQ(pick->text(), "Alpha");
}

// Without a data source a lookup editor holds the chosen key and shows the
// lookup record's result; its lists draw as the editor says.
TEST_F(EditorForm, UnboundLookupEditorHoldsTheChosenKeyAndShowsItsResult)
{
    auto editor = Editor("");
    editor->SetLookupDataSet(&Customers);
    editor->SetLookupKeyField("Id");
    editor->SetLookupResultField("Name");
    editor->SetLookupListFields("Name");
    editor->SetDrawingStyle(gdsGradient);
    ASSERT_EQ(editor->GetLookupColumn(), lcLookupValueField);
    EXPECT_EQ(editor->EditorStyle(), edsDropDownList);
    EXPECT_TRUE(editor->GetKeyValue().isNull());
    EXPECT_TRUE(editor->setProperty("KeyValue", 2));
    EXPECT_EQ(editor->text(), "Beta");

    ClickButton(editor.get());
    ASSERT_TRUE(editor->ListVisible());
    ASSERT_TRUE(qobject_cast<TZDBEditorDataList*>(editor->ActiveList()));
    EXPECT_EQ(editor->ActiveList()->PopupList()->GetDrawingStyle(), gdsGradient);
    Keys(editor.get(), {Qt::Key_Down, Qt::Key_Return});
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(editor->GetKeyValue().toInt(), 3);
    EXPECT_EQ(editor->text(), "Gamma");

    // Stepping wraps over the lookup records; typing completes a result or is refused.
    Keys(editor.get(), {Qt::Key_Plus}, Qt::KeypadModifier);
    EXPECT_EQ(editor->GetKeyValue().toInt(), 1);
    EXPECT_EQ(editor->text(), "Alpha");
    editor->selectAll();
    QTest::keyClicks(editor.get(), "be");
    EXPECT_EQ(editor->text(), "Beta");
    EXPECT_EQ(editor->GetKeyValue().toInt(), 2);
    editor->selectAll();
    QTest::keyClicks(editor.get(), "x");
    EXPECT_EQ(editor->text(), "Beta");
    EXPECT_EQ(editor->GetKeyValue().toInt(), 2);

    // Delete with the whole text selected clears the key.
    editor->selectAll();
    Keys(editor.get(), {Qt::Key_Delete});
    EXPECT_TRUE(editor->GetKeyValue().isNull());
    EXPECT_TRUE(editor->text().isEmpty());

    // A key no record has shows nothing; the list opens on the key set.
    editor->SetKeyValue(99);
    EXPECT_TRUE(editor->text().isEmpty());
    editor->SetKeyValue(1);
    ClickButton(editor.get());
    ASSERT_TRUE(editor->ListVisible());
    Keys(editor.get(), {Qt::Key_Down, Qt::Key_Return});
    EXPECT_EQ(editor->GetKeyValue().toInt(), 2);

    // A lookup that shows its keys takes a typed key too.
    editor->SetLookupResultField("");
    ASSERT_EQ(editor->GetLookupColumn(), lcLookupKeyField);
    EXPECT_EQ(editor->text(), "2");
    editor->selectAll();
    QTest::keyClicks(editor.get(), "3");
    EXPECT_EQ(editor->GetKeyValue().toString(), "3");
}

TEST_F(EditorForm, CheckListStoresTheCheckedKeysAndShowsThemShortened)
{
    auto editor = Editor("Codes");
    editor->SetPickList({"A1", "B2", "C3"});
    editor->SetPickText({"Alpha", "Beta", "Gamma"});
    editor->SetListOptions(editor->GetListOptions() | TZListOptions{loMultiSelectList});
    ASSERT_TRUE(editor->GetMultiSelectList());
    EXPECT_EQ(editor->text(), "Alpha,Gamma");
    auto other = Editor("Codes");
    other->SetPickList(editor->GetPickList());
    other->SetPickText(editor->GetPickText());
    other->SetListOptions(editor->GetListOptions());
    EXPECT_EQ(other->text(), "Alpha,Gamma"); // focused
    editor->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(other->text(), "Alpha ...");

    // Alpha unchecked, Beta checked: B2 and C3 in the list's order.
    ClickButton(editor.get());
    ASSERT_TRUE(editor->ListVisible());
    Keys(editor.get(), {Qt::Key_Space, Qt::Key_Down, Qt::Key_Space});
    Keys(editor.get(), {Qt::Key_Return});
    EXPECT_EQ(Value("Codes").toString(), "B2,C3");
    EXPECT_EQ(editor->text(), "Beta,Gamma");

    // Too long for the field (7 characters): cut after the last whole item.
    ClickButton(editor.get());
    Keys(editor.get(), {Qt::Key_Up, Qt::Key_Space});
    Keys(editor.get(), {Qt::Key_Return});
    EXPECT_EQ(Value("Codes").toString(), "A1,B2");
    other->SetMultiSelectText(mstDefault);
    EXPECT_EQ(other->text(), "Alpha,Beta");
}

TEST(EditorProperties, PublishedPropertiesReadTheirDefaultsAndWriteByName)
{
    TZDBEditor editor;
    const std::pair<const char*, QVariant> defaults[] = {
        {"AutoSelect", true},   {"AutoSize", true},      {"DropDownOnly", false}, {"DropDownRows", 0},
        {"DropDownWidth", 0},   {"ImageMargin", 0},      {"LabelSpacing", 3},     {"LabelVisible", false},
        {"ReadOnly", false},    {"SuppressRTL", false},  {"DelimiterLine", false}, {"DelimiterText", QString()},
        {"DelimiterChar", QChar(',')}, {"Text", QString()}, {"MultiSelectList", false},
    };
    for (const auto& [name, value] : defaults)
        EXPECT_EQ(editor.property(name), value) << name;
    const auto key = [&](const char* Name) {
        const QMetaProperty p = editor.metaObject()->property(editor.metaObject()->indexOfProperty(Name));
        return QString::fromLatin1(p.enumerator().valueToKey(editor.property(Name).toInt()));
    };
    EXPECT_EQ(key("ButtonStyle"), "ebsAuto");
    EXPECT_EQ(key("CalendarDepth"), "cdDecade");
    EXPECT_EQ(key("LabelPosition"), "lpAbove");
    EXPECT_EQ(key("MultiSelectText"), "mstEllipsis");
    EXPECT_EQ(key("BorderStyle"), "bsSingle");
    EXPECT_EQ(key("DrawingStyle"), "gdsClassic");
    EXPECT_EQ(editor.property("ListOptions").toStringList(),
              (QStringList{"loAutoComplete", "loSelectNextValue", "loAllowClearValue", "loAllowChangeOrder",
                           "loAllowColumnResize", "loShowToday"}));
    EXPECT_EQ(editor.property("PickOptions").toStringList(), (QStringList{"poSelectPickText", "poAcceptPickList"}));
    EXPECT_FALSE(editor.metaObject()->property(editor.metaObject()->indexOfProperty("PickIndex")).isStored());

    EXPECT_TRUE(editor.setProperty("ButtonStyle", "ebsCalculator"));
    EXPECT_EQ(editor.GetButtonStyle(), ebsCalculator);
    EXPECT_TRUE(editor.ButtonVisible());
    EXPECT_TRUE(editor.setProperty("PickList", QStringList{"x", "y"}));
    EXPECT_TRUE(editor.GetPickListActive());
    EXPECT_TRUE(editor.setProperty("PasswordChar", QChar('*')));
    EXPECT_EQ(editor.echoMode(), QLineEdit::Password);
    EXPECT_TRUE(editor.setProperty("LabelPosition", "lpLeft"));
    EXPECT_EQ(editor.GetLabelPosition(), lpLeft);
    auto* label = editor.property("EditorLabel").value<TZDBEditorLabel*>();
    ASSERT_EQ(label, editor.EditorLabel());
    EXPECT_TRUE(label->setProperty("Caption", "Amount"));
    EXPECT_EQ(label->text(), "Amount");

    TZDBColumn column;
    EXPECT_GE(column.metaObject()->indexOfProperty("DBGrid"), 0);
    EXPECT_TRUE(column.setProperty("DataColumn", "Customer"));
    EXPECT_EQ(column.GetDataColumn(), "Customer");
    EXPECT_LT(column.metaObject()->indexOfProperty("PickList"), 0);
}

namespace {

// An SQLite order whose customer is chosen from an SQLite customers query.
struct SqliteLookup : SqliteTest {
    std::unique_ptr<TZSQLQuery> Orders;
    std::unique_ptr<TZSQLQuery> Customers;
    TDataSource Source;
    TCaughtErrors Caught;

    void SetUp() override
    {
        SqliteTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT)"));
        ASSERT_TRUE(ExecSql(Db(), "INSERT INTO customers VALUES (1, 'Alpha'), (2, 'Beta'), (3, 'Gamma')"));
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE orders (id INTEGER PRIMARY KEY, cust INTEGER)"));
        ASSERT_TRUE(ExecSql(Db(), "INSERT INTO orders VALUES (1, 1)"));
        Customers = std::make_unique<TZSQLQuery>();
        Customers->SetConnection(Db());
        Customers->SetFieldType("name", ftWideString, 20);
        Customers->SetSQLText("SELECT id, name FROM customers ORDER BY id");
        Orders = std::make_unique<TZSQLQuery>();
        Orders->SetConnection(Db());
        Orders->SetSQLText("SELECT id, cust FROM orders ORDER BY id");
        Orders->Open();
        Source.SetDataSet(Orders.get());
    }
    void TearDown() override
    {
        Source.SetDataSet(nullptr);
        Orders.reset();
        Customers.reset();
    }
};

} // namespace

TEST_F(SqliteLookup, ALookupChosenFromAQueryIsPostedToTheServer)
{
    QWidget form;
    TZDBEditor editor(&form);
    editor.SetDataSource(&Source);
    editor.SetDataField("cust");
    editor.SetLookupDataSet(Customers.get());
    editor.SetKeyField("cust");
    editor.SetLookupKeyField("id");
    editor.SetLookupResultField("name");
    form.show();
    editor.activateWindow();
    editor.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(editor.text(), "Alpha");
    ClickButton(&editor);
    ASSERT_TRUE(editor.ListVisible());
    Keys(&editor, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return});
    EXPECT_EQ(editor.text(), "Gamma");
    Orders->Post();
    QSqlQuery check(Db());
    ASSERT_TRUE(check.exec("SELECT cust FROM orders WHERE id = 1") && check.next());
    EXPECT_EQ(check.value(0).toInt(), 3);
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

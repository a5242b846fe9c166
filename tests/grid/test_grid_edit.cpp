// Editing cells of a shown grid with real key events: the editor starts with
// the field's text (or the typed character), Enter and moving to another record
// post the text through the field's conversion, Escape takes it back, a text
// the field refuses raises its error and stays in the editor, and read-only
// grids, columns, fields and datasets show no editor.

#include "DBError.h"
#include "test_grid_helpers.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

// Keys go where the user's keys go: to the editor while it is shown.
void Type(TZCustomDBGrid& Grid, const QString& Text)
{
    for (QChar ch : Text) {
        TInplaceEdit* editor = Grid.GetInplaceEditor();
        QWidget* target = editor && editor->isVisible() ? static_cast<QWidget*>(editor) : &Grid;
        QTest::keyClick(target, ch.toLatin1());
    }
}

void Press(TZCustomDBGrid& Grid, Qt::Key Key)
{
    TInplaceEdit* editor = Grid.GetInplaceEditor();
    QTest::keyClick(editor && editor->isVisible() ? static_cast<QWidget*>(editor) : &Grid, Key);
}

bool EditorShown(const TZCustomDBGrid& Grid)
{
    return Grid.GetInplaceEditor() && Grid.GetInplaceEditor()->isVisible();
}

struct MemEdit : OrdersGrid<5> {
    TCaughtErrors Caught;

    void SetUp() override { ShowOrders(true); }
    TField* Field(const char* Name) { return Table->FieldByName(QString::fromLatin1(Name)); }
};

} // namespace

TEST_F(MemEdit, TypingEditsEnterPostsEscapeRevertsMovingPosts)
{
    Grid.SetCol(2); // Customer
    Type(Grid, "Zed");
    ASSERT_TRUE(EditorShown(Grid));
    EXPECT_EQ(Grid.GetInplaceEditor()->text(), "Zed"); // the typed text, from the first character on
    EXPECT_EQ(Table->State(), dsEdit);
    Press(Grid, Qt::Key_Return);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Field("Customer")->AsString(), "Zed");
    EXPECT_FALSE(EditorShown(Grid));
    EXPECT_EQ(Grid.CellText(2, Grid.GetRow()), "Zed");

    // F2 opens the editor with the field's text; Escape takes the change back.
    Press(Grid, Qt::Key_F2);
    ASSERT_TRUE(EditorShown(Grid));
    EXPECT_EQ(Grid.GetInplaceEditor()->text(), "Zed");
    Type(Grid, "Quux");
    Press(Grid, Qt::Key_Escape);
    EXPECT_FALSE(EditorShown(Grid));
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Field("Customer")->AsString(), "Zed");

    // Leaving the record for the next one posts the edit.
    Type(Grid, "Moved");
    Press(Grid, Qt::Key_Down);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Field("Id")->AsInteger(), 2);
    Table->First();
    EXPECT_EQ(Field("Customer")->AsString(), "Moved");
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

TEST_F(MemEdit, ARefusedTextRaisesTheFieldErrorAndStaysInTheEditor)
{
    Grid.SetCol(1); // Id, an integer
    Type(Grid, "1-2");
    Press(Grid, Qt::Key_Return);
    ASSERT_EQ(Caught.Messages.size(), 1);
    EXPECT_TRUE(Caught.Messages[0].contains("1-2")) << Caught.Messages[0].toStdString();
    ASSERT_TRUE(EditorShown(Grid));
    EXPECT_EQ(Grid.GetInplaceEditor()->text(), "1-2");
    EXPECT_EQ(Field("Id")->AsInteger(), 1);

    // Moving to another column or record is refused the same way.
    Press(Grid, Qt::Key_Down);
    EXPECT_EQ(Caught.Messages.size(), 2);
    EXPECT_EQ(Grid.GetInplaceEditor()->text(), "1-2");
    EXPECT_EQ(Field("Id")->AsInteger(), 1);

    // Corrected, it posts.
    Grid.GetInplaceEditor()->selectAll();
    Type(Grid, "42");
    Press(Grid, Qt::Key_Return);
    EXPECT_EQ(Caught.Messages.size(), 2);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Field("Id")->AsInteger(), 42);
}

TEST_F(MemEdit, ReadOnlyGridColumnFieldAndColumnWithoutFieldShowNoEditor)
{
    auto refused = [this](int Col) {
        Grid.SetCol(Col);
        Type(Grid, "Q");
        Press(Grid, Qt::Key_F2);
        const bool shown = EditorShown(Grid);
        Press(Grid, Qt::Key_Escape);
        return !shown && Table->State() == dsBrowse && Field("Customer")->AsString() == "Customer 1";
    };
    Grid.SetReadOnly(true);
    EXPECT_TRUE(refused(2));
    Grid.SetReadOnly(false);

    Field("Customer")->SetReadOnly(true);
    EXPECT_TRUE(refused(2));
    Field("Customer")->SetReadOnly(false);

    Grid.Columns()->SetState(csCustomized);
    Grid.Columns()->Items(1)->SetReadOnly(true);
    EXPECT_TRUE(refused(2));
    Grid.Columns()->Items(1)->SetReadOnly(false);

    // A value-lookup column shows the looked-up text, not the key it stores.
    TZMemDataSet names;
    names.FieldDefs().Add("Key", ftWideString, 20);
    names.FieldDefs().Add("Name", ftWideString, 20);
    names.CreateDataSet();
    TZColumn* lookup = Grid.Columns()->Items(1);
    lookup->SetLookupDataSet(&names);
    lookup->SetLookupKeyField("Key");
    lookup->SetLookupResultField("Name");
    ASSERT_EQ(lookup->LookupColumn(), lcLookupValueField);
    EXPECT_TRUE(refused(2));
    lookup->SetLookupDataSet(nullptr);

    TZColumn* missing = Grid.Columns()->Add();
    missing->SetFieldName("Nowhere");
    Grid.LayoutChanged();
    EXPECT_TRUE(refused(missing->Index() + Grid.IndicatorOffset()));
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();

    // The column that may be edited still edits.
    Grid.SetCol(2);
    Type(Grid, "W");
    Press(Grid, Qt::Key_Return);
    EXPECT_EQ(Field("Customer")->AsString(), "W");
}

namespace {

struct SqlEdit : SqliteOrdersGrid<5> {
    QString StoredNote(int Id)
    {
        QSqlQuery q(Db());
        q.exec(QStringLiteral("SELECT note FROM orders WHERE id = %1").arg(Id));
        return q.next() ? q.value(0).toString() : QStringLiteral("<none>");
    }
};

} // namespace

TEST_F(SqlEdit, EnterWritesTheDatabaseEscapeLeavesIt)
{
    ASSERT_TRUE(Query->CanModify());
    Grid->SetCol(2); // note
    Type(*Grid, "edited");
    Press(*Grid, Qt::Key_Return);
    EXPECT_EQ(Query->State(), dsBrowse);
    EXPECT_EQ(Query->FieldByName("note")->AsString(), "edited");
    EXPECT_EQ(StoredNote(1), "edited");

    Press(*Grid, Qt::Key_Down);
    Type(*Grid, "dropped");
    Press(*Grid, Qt::Key_Escape);
    EXPECT_EQ(Query->State(), dsBrowse);
    EXPECT_EQ(StoredNote(2), "note 2");

    // A bad id (its characters pass, the number does not): the field's error,
    // nothing written, the text kept.
    Grid->SetCol(1);
    Type(*Grid, "7-");
    Press(*Grid, Qt::Key_Return);
    EXPECT_EQ(Caught.Messages.size(), 1);
    EXPECT_EQ(Grid->GetInplaceEditor()->text(), "7-");
    EXPECT_EQ(StoredNote(2), "note 2");
    Press(*Grid, Qt::Key_Escape);
    EXPECT_EQ(Query->State(), dsBrowse);
}

TEST_F(SqlEdit, AQueryThatCannotBeModifiedShowsNoEditor)
{
    Query->Close();
    Query->SetReadOnly(true);
    Query->Open();
    QApplication::processEvents();
    Grid->SetCol(2);
    Type(*Grid, "x");
    Press(*Grid, Qt::Key_F2);
    EXPECT_FALSE(EditorShown(*Grid));
    EXPECT_EQ(Query->State(), dsBrowse);
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
    EXPECT_EQ(StoredNote(1), "note 1");
}

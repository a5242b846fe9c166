// What a column stores and what its cells show: pick lists under each option
// that changes the translation, multi-select lists, check-box values, value
// lookups, the text hooks and the editor style; and the round trip through a
// real field and through the in-place editor of a shown grid typed into with
// real keys.

#include "test_grid_helpers.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

// Id, Status (fixed string of 3: "A1" / "B2" codes), Tags (a list of codes),
// Paid ("Y" / "N"), Level (integer key of the lookup table): two records.
std::unique_ptr<TZMemDataSet> MakeItems()
{
    auto table = std::make_unique<TZMemDataSet>();
    table->FieldDefs().Add("Id", ftInteger);
    table->FieldDefs().Add("Status", ftString, 3);
    table->FieldDefs().Add("Tags", ftWideString, 40);
    table->FieldDefs().Add("Paid", ftString, 1);
    table->FieldDefs().Add("Level", ftInteger);
    table->CreateDataSet();
    const QVariantList rows[] = {{1, "B2", "A1,B2", "y", 2}, {2, "ZZ", "", "N", 7}};
    for (const QVariantList& row : rows) {
        table->Append();
        for (int i = 0; i < row.size(); ++i)
            table->Fields()[i]->SetValue(row[i]);
        table->Post();
    }
    table->First();
    return table;
}

struct CellText : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeItems();
    TDataSource Source;
    TZDBGrid Grid;
    TCaughtErrors Caught;

    void SetUp() override
    {
        Source.SetDataSet(Table.get());
        Grid.SetDataSource(&Source);
        Grid.Columns()->SetState(csCustomized);
        Status()->SetPickList({"A1", "B2"});
        Status()->SetPickText({"Alpha", "Beta"});
    }
    TZColumn* Column(const char* Name) { return Grid.FindColumn(Name); }
    TZColumn* Status() { return Column("Status"); }
    TField* Field(const char* Name) { return Table->FieldByName(Name); }
    QString Show(TZColumn* C, const QString& Value) { return Grid.ColGetText(C, Value, tkDisplay); }
    QString Store(TZColumn* C, const QString& Text) { return Grid.ColSetText(C, Text); }
};

} // namespace

TEST_F(CellText, PickListTranslatesBothWaysUnderItsOptions)
{
    TZColumn* c = Status();
    // Default options (poSelectPickText, poAcceptPickList): items match
    // without regard to case; a text that matches nothing passes unchanged.
    EXPECT_EQ(Show(c, "b2"), "Beta");
    EXPECT_EQ(Show(c, "ZZ"), "ZZ");
    EXPECT_EQ(Store(c, "alpha"), "A1");
    EXPECT_EQ(Store(c, "0"), "0");

    // poListItemsOnly: what matches no item is empty both ways; a stored value
    // is no display text without poAcceptPickList, an index none without poAcceptItemIndex.
    c->SetPickOptions({poSelectPickText, poListItemsOnly});
    EXPECT_EQ(Show(c, "ZZ"), "");
    EXPECT_EQ(Store(c, "A1"), "");
    EXPECT_EQ(Store(c, "0"), "");
    c->SetPickOptions({poSelectPickText, poListItemsOnly, poAcceptItemIndex});
    EXPECT_EQ(Store(c, " 1 "), "B2");
    EXPECT_EQ(Store(c, "2"), ""); // past the end
    EXPECT_EQ(Store(c, "-1"), "");

    // poStoreItemIndex: the index, right-aligned to the fixed string's size.
    c->SetPickOptions({poSelectPickText, poStoreItemIndex});
    EXPECT_EQ(Store(c, "Beta"), "  1");
    EXPECT_EQ(Show(c, "  1"), "Beta");
    EXPECT_EQ(Show(c, "007"), "7"); // names no item: the number, unchanged otherwise

    // poFormatPickText: the cell and the matching use the formatted texts;
    // with poFormatListOnly only the list does.
    c->SetPickOptions({poSelectPickText, poFormatPickText});
    EXPECT_EQ(Show(c, "B2"), "B2 - Beta");
    EXPECT_EQ(Store(c, "B2 - Beta"), "B2");
    c->SetPickTextFormat("%2:d=%0:s");
    EXPECT_EQ(c->PickData(), QStringList({"0=Alpha", "1=Beta"}));
    c->SetPickOptions({poSelectPickText, poFormatPickText, poFormatListOnly});
    EXPECT_EQ(Show(c, "B2"), "Beta");
    EXPECT_EQ(c->PickData(), QStringList({"Alpha", "Beta"}));
    EXPECT_EQ(c->PickDataList(), QStringList({"0=Alpha", "1=Beta"}));
    EXPECT_EQ(Store(c, "1=Beta"), "B2");

    // Without poSelectPickText the values themselves are the items.
    c->SetPickOptions({poStoreItemIndex, poAcceptItemIndex, poListItemsOnly});
    EXPECT_EQ(Show(c, "1"), "B2");
    EXPECT_EQ(Show(c, "5"), "");
    EXPECT_EQ(Store(c, "b2"), "  1");
    EXPECT_EQ(Store(c, "5"), ""); // an index past the end is not stored
}

TEST_F(CellText, HooksSeeEveryTextAndNumbersLeaveReports)
{
    TZColumn* c = Status();
    // The shown text after the translation, the entered one before it.
    Grid.OnColGetText = [](TZCustomDBGrid*, TZColumn*, QString& Text, TTextKind Kind) {
        if (Kind == tkDisplay)
            Text = "<" + Text + ">";
    };
    Grid.OnColSetText = [](TZCustomDBGrid*, TZColumn*, QString& Text) { Text = Text.mid(1); };
    EXPECT_EQ(c->GetDisplayText(), "<Beta>");
    EXPECT_EQ(c->GetEditText(), "Beta");
    EXPECT_EQ(Store(c, "xAlpha"), "A1");

    TZColumn* number = Grid.Columns()->Add();
    number->SetAutoNumber(true);
    Grid.OnColGetText = nullptr;
    EXPECT_EQ(number->GetDisplayText(), AutoNumberStr(1));
    EXPECT_EQ(Grid.ColGetText(number, "x", tkReport), "x");
}

TEST_F(CellText, MultiSelectListItemByItem)
{
    TZColumn* c = Column("Tags");
    c->SetPickList({"A1", "B2", "C3"});
    c->SetPickText({"Alpha", "Beta", "Gamma"});
    c->SetListOptions(c->GetListOptions() | TZListOptions{loMultiSelectList});
    ASSERT_TRUE(c->MultiSelectList());
    EXPECT_EQ(c->GetEditText(), "Alpha,Beta");
    EXPECT_EQ(c->GetDisplayText(), "Alpha ...");
    c->SetMultiSelectText(mstDefault);
    EXPECT_EQ(c->GetDisplayText(), "Alpha,Beta");
    c->SetMultiSelectText(mstEllipsis);

    // Items that match nothing drop out under poListItemsOnly, empty items always.
    c->SetPickOptions({poSelectPickText, poListItemsOnly});
    EXPECT_EQ(Show(c, ",B2,,Q9,C3"), "Beta ...");
    EXPECT_EQ(Store(c, "Gamma,,Delta,alpha"), "C3,A1");
    Table->Edit();
    c->SetEditText("Beta,Gamma");
    EXPECT_EQ(Field("Tags")->AsString(), "B2,C3");
    Table->Post();

    c->SetDelimiterText("; ");
    EXPECT_EQ(Store(c, "Beta; Alpha"), "B2; A1");

    Table->Next(); // an empty value
    EXPECT_EQ(c->GetDisplayText(), "...");
}

TEST_F(CellText, CheckBoxValuesAndToggling)
{
    TZColumn* c = Column("Paid");
    c->SetCheckBox(true);
    c->SetCheckBoxValues("Y;N");
    EXPECT_TRUE(c->IsCheckBoxValue(true)); // "y": case does not matter
    c->ToggleCheckBoxValue();
    EXPECT_EQ(Field("Paid")->AsString(), "N");
    EXPECT_TRUE(c->IsCheckBoxValue(false));
    c->ToggleCheckBoxValue();
    EXPECT_EQ(Field("Paid")->AsString(), "Y");

    // Without its separator the whole text is the checked value, the unchecked one empty.
    c->SetCheckBoxValues("Y");
    c->ToggleCheckBoxValue();
    EXPECT_TRUE(Field("Paid")->AsString().isEmpty());
    EXPECT_TRUE(c->IsCheckBoxValue(false));
    EXPECT_FALSE(c->IsCheckBoxValue(true));

    // The values are shown texts: a pick list stores what stands behind them.
    c->SetCheckBoxValues("Yes;No");
    c->SetPickList({"1", "0"});
    c->SetPickText({"Yes", "No"});
    Field("Paid")->SetAsString("0");
    EXPECT_TRUE(c->IsCheckBoxValue(false));
    c->ToggleCheckBoxValue();
    EXPECT_EQ(Field("Paid")->AsString(), "1");
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

TEST_F(CellText, ValueLookupShowsTheResultOfItsKey)
{
    TZMemDataSet levels;
    levels.FieldDefs().Add("Id", ftInteger);
    levels.FieldDefs().Add("Name", ftWideString, 20);
    levels.FieldDefs().Add("Since", ftDate);
    levels.CreateDataSet();
    for (int i = 1; i <= 3; ++i) {
        levels.Append();
        levels.FieldByName("Id")->SetValue(i);
        levels.FieldByName("Name")->SetValue(QStringLiteral("Level %1").arg(i));
        levels.FieldByName("Since")->SetValue(QDate(2024, 1, i));
        levels.Post();
    }

    TZColumn* c = Column("Level");
    c->SetLookupDataSet(&levels);
    c->SetLookupKeyField("Id");
    c->SetLookupResultField("Name");
    ASSERT_EQ(c->LookupColumn(), lcLookupValueField);
    EXPECT_EQ(c->GetDisplayText(), "Level 2");
    EXPECT_EQ(Show(c, "3"), "Level 3");
    EXPECT_EQ(Show(c, "x"), ""); // no key of the key field's type
    Table->Next();
    EXPECT_EQ(c->GetDisplayText(), ""); // key 7 is not in the lookup table

    // The texts are read without moving the lookup table's cursor (a list may be showing it),
    // formatted by the result field, or by its own text handler on the record itself.
    levels.First();
    EXPECT_EQ(Show(c, "3"), "Level 3");
    EXPECT_EQ(levels.FieldByName("Id")->AsInteger(), 1);
    c->SetLookupResultField("Since");
    static_cast<TDateTimeField*>(levels.FieldByName("Since"))->SetDisplayFormat("yyyy/MM/dd");
    EXPECT_EQ(Show(c, "2"), "2024/01/02");
    EXPECT_EQ(levels.FieldByName("Id")->AsInteger(), 1);
    c->SetLookupResultField("Name");
    levels.FieldByName("Name")->OnGetText = [](TField* sender, QString& text, bool) {
        text = QStringLiteral("#") + sender->AsString();
    };
    EXPECT_EQ(Show(c, "2"), "#Level 2");
    levels.FieldByName("Name")->OnGetText = nullptr;

    c->SetLookupResultField("Nowhere"); // misnamed: nothing, no error
    EXPECT_EQ(c->GetDisplayText(), "");

    // A lookup drops down only where its key can be written; a pick list
    // unless the column itself is read-only.
    c->SetLookupResultField("Name");
    EXPECT_EQ(Grid.GetEditorStyle(c), edsDropDownList);
    Grid.SetReadOnly(true);
    EXPECT_EQ(Grid.GetEditorStyle(c), edsSimple);
    EXPECT_EQ(Grid.GetEditorStyle(Status()), edsDropDownList);
    Status()->SetReadOnly(true);
    EXPECT_EQ(Grid.GetEditorStyle(Status()), edsSimple);
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

TEST_F(CellText, TypingADisplayTextInTheEditorStoresItsValue)
{
    ShowGrid(Grid, 500, 200);
    Grid.activateWindow();
    Grid.setFocus();
    QApplication::processEvents();
    auto type = [&](const QString& Text) {
        for (QChar ch : Text) {
            TInplaceEdit* editor = Grid.GetInplaceEditor();
            QTest::keyClick(editor && editor->isVisible() ? static_cast<QWidget*>(editor) : &Grid, ch.toLatin1());
        }
    };
    auto press = [&](Qt::Key Key) {
        TInplaceEdit* editor = Grid.GetInplaceEditor();
        QTest::keyClick(editor && editor->isVisible() ? static_cast<QWidget*>(editor) : &Grid, Key);
    };
    const int raw = Grid.DataToRawColumn(Status()->Index());
    Grid.SetCol(raw);
    EXPECT_EQ(Grid.CellText(raw, Grid.GetRow()), "Beta");

    // F2 shows the display text; the longer display text is not cut to the
    // field's size of 3, nor held to the field's mask.
    Field("Status")->SetEditMask(">LL");
    press(Qt::Key_F2);
    ASSERT_TRUE(Grid.GetInplaceEditor() && Grid.GetInplaceEditor()->isVisible());
    EXPECT_EQ(Grid.GetInplaceEditor()->text(), "Beta");
    EXPECT_TRUE(Grid.GetInplaceEditor()->inputMask().isEmpty());
    Grid.GetInplaceEditor()->selectAll();
    type("Alpha");
    EXPECT_EQ(Grid.GetInplaceEditor()->text(), "Alpha");
    press(Qt::Key_Return);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Field("Status")->AsString(), "A1");
    EXPECT_EQ(Grid.CellText(raw, Grid.GetRow()), "Alpha");
    // Where the stored value itself is typed, the mask applies.
    Status()->SetPickOptions({});
    press(Qt::Key_F2);
    EXPECT_TRUE(Grid.GetInplaceEditor()->inputMask().startsWith(">LL"));
    press(Qt::Key_Escape);
    Status()->SetPickOptions({poSelectPickText});

    // A pick list over an integer field takes letters; the plain integer does not.
    TZColumn* level = Column("Level");
    level->SetPickList({"2", "7"});
    level->SetPickText({"Low", "High"});
    Grid.SetCol(Grid.DataToRawColumn(level->Index()));
    type("High");
    press(Qt::Key_Return);
    EXPECT_EQ(Field("Level")->AsInteger(), 7);
    Grid.SetCol(Grid.DataToRawColumn(Column("Id")->Index()));
    type("x5");
    EXPECT_EQ(Grid.GetInplaceEditor()->text(), "5");
    press(Qt::Key_Escape);

    // Space toggles a check-box column through its values.
    TZColumn* paid = Column("Paid");
    paid->SetCheckBox(true);
    paid->SetCheckBoxValues("Y;N");
    Grid.SetCol(Grid.DataToRawColumn(paid->Index()));
    press(Qt::Key_Space);
    EXPECT_EQ(Field("Paid")->AsString(), "N");

    // Copying takes the edit texts.
    Table->Post();
    Grid.SetOptions(Grid.GetOptions() | dgMultiSelect);
    Grid.SelectedRows()->SetCurrentRowSelected(true);
    Grid.CopyToClipboard(false);
    const QStringList copied = QGuiApplication::clipboard()->text().split('\t');
    EXPECT_EQ(copied.value(1), "Alpha");
    EXPECT_EQ(copied.value(4), "High");
    EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString();
}

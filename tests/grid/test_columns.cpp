// Columns on their own (no grid): assigned values and defaults, titles and
// header bands, automatic columns, collection state, record numbers.

#include "ZDBGridColumns.h"

#include <gtest/gtest.h>

using namespace zdb;

namespace {

// A collection without grid: defaults come from the column itself.
struct ColumnsNoGrid : ::testing::Test {
    TZDBGridColumns Columns{nullptr};
};

} // namespace

TEST(AutoNumber, FormatsNumbersFromOne)
{
    EXPECT_EQ(AutoNumberStr(0), "");
    EXPECT_EQ(AutoNumberStr(-3), "");
    EXPECT_EQ(AutoNumberStr(1), "1.");
    EXPECT_EQ(AutoNumberStr(12), "12.");
    const QString saved = DefAutoNumberFormat;
    DefAutoNumberFormat = "#%d";
    EXPECT_EQ(AutoNumberStr(7), "#7");
    DefAutoNumberFormat = saved;
}

TEST_F(ColumnsNoGrid, AssignedValuesAreKeptAndRestored)
{
    TZColumn* c = Columns.Add();
    c->SetFieldName("Amount");
    c->SetColor(clRed);
    c->SetAlignment(taRightJustify);
    c->SetReadOnly(true);
    QFont big = c->GetFont();
    big.setPointSize(big.pointSize() + 6);
    c->SetFont(big);
    c->Title()->SetCaption("Total amount");
    c->Title()->SetColor(clYellow);
    c->SetButtonStyle(cbsEllipsis);
    c->SetWidthMin(30);
    c->SetVisible(false);

    EXPECT_EQ(c->GetColor(), clRed);
    EXPECT_EQ(c->GetAlignment(), taRightJustify);
    EXPECT_TRUE(c->GetReadOnly());
    EXPECT_EQ(c->GetFont(), big);
    EXPECT_EQ(c->Title()->GetCaption(), "Total amount");
    for (TZColumnValue v : {cvColor, cvAlignment, cvReadOnly, cvFont, cvTitleCaption, cvTitleColor})
        EXPECT_TRUE(c->IsAssigned(v)) << int(v);

    c->RestoreDefaults();
    EXPECT_TRUE(c->AssignedValues().IsEmpty());
    EXPECT_EQ(c->GetColor(), clWindow);
    EXPECT_EQ(c->GetAlignment(), taLeftJustify);
    EXPECT_FALSE(c->GetReadOnly());
    EXPECT_EQ(c->Title()->GetCaption(), "Amount");
    EXPECT_EQ(c->Title()->GetColor(), clBtnFace);
    EXPECT_EQ(c->GetButtonStyle(), cbsAuto);
    EXPECT_EQ(c->GetWidthMin(), -1);
    // FieldName and Visible survive.
    EXPECT_EQ(c->GetFieldName(), "Amount");
    EXPECT_FALSE(c->GetVisible());
}

TEST_F(ColumnsNoGrid, CaptionEqualToDefaultIsNotStored)
{
    TZColumn* c = Columns.Add();
    c->SetFieldName("City");
    c->Title()->SetCaption("City");
    EXPECT_TRUE(c->IsAssigned(cvTitleCaption));
    EXPECT_FALSE(c->Title()->IsCaptionStored());
    c->Title()->SetCaption("Town");
    EXPECT_TRUE(c->Title()->IsCaptionStored());
}

TEST_F(ColumnsNoGrid, HeaderBands)
{
    TZColumnTitle* t = Columns.Add()->Title();
    EXPECT_EQ(t->HeaderCount(), 0);
    EXPECT_EQ(t->HeaderBand(0), "");
    t->SetHeader("Address");
    EXPECT_EQ(t->HeaderCount(), 1);
    EXPECT_EQ(t->HeaderBand(0), "Address");
    t->SetHeader("Customer|Address|");
    EXPECT_EQ(t->HeaderCount(), 3);
    EXPECT_EQ(t->HeaderBand(0), "Customer");
    EXPECT_EQ(t->HeaderBand(1), "Address");
    EXPECT_EQ(t->HeaderBand(2), "");
    EXPECT_EQ(t->HeaderBand(3), "");
    t->SetHeaderHint("Who|Where");
    EXPECT_EQ(t->HeaderHintBand(1), "Where");
    EXPECT_EQ(t->HeaderHintBand(2), "");
}

TEST_F(ColumnsNoGrid, MarkerIndexCarriesDirectionInBitZero)
{
    TZColumnTitle* t = Columns.Add()->Title();
    EXPECT_EQ(t->GetOrderIndex(), -1);
    t->SetMarkerIndex(5);
    EXPECT_EQ(t->GetMarker(), tmDescend);
    EXPECT_EQ(t->GetOrderIndex(), 2);
    t->SetMarker(tmAscend);
    EXPECT_EQ(t->GetMarkerIndex(), 4);
    t->SetMarker(tmNone);
    EXPECT_EQ(t->GetMarkerIndex(), -1);
    EXPECT_EQ(t->GetOrderIndex(), -1);
}

TEST_F(ColumnsNoGrid, StateFollowsTheLastColumn)
{
    EXPECT_EQ(Columns.State(), csDefault);
    Columns.InternalAdd();
    EXPECT_EQ(Columns.State(), csDefault);
    Columns.Add();
    EXPECT_EQ(Columns.State(), csCustomized);
    Columns.InternalAdd();
    EXPECT_EQ(Columns.State(), csDefault);
    Columns.SetState(csCustomized); // keeps the columns, now stored
    EXPECT_EQ(Columns.Count(), 3);
    for (TZColumn* c : Columns)
        EXPECT_TRUE(c->IsStored());
    Columns.SetState(csDefault);
    EXPECT_EQ(Columns.Count(), 0);
}

TEST_F(ColumnsNoGrid, AutomaticColumnsGoFirst)
{
    Columns.InternalAdd()->SetFieldName("Name");
    Columns.AddAutoExpand();
    Columns.AddAutoSelect();
    Columns.AddAutoNumber();
    ASSERT_EQ(Columns.Count(), 4);
    TZColumn* number = Columns[0];
    TZColumn* select = Columns[1];
    TZColumn* expand = Columns[2];
    EXPECT_EQ(Columns[3]->GetFieldName(), "Name");

    EXPECT_TRUE(number->GetAutoNumber());
    EXPECT_EQ(number->GetAlignment(), taRightJustify);
    EXPECT_TRUE(number->GetSuppressRTL());
    EXPECT_EQ(number->Title()->GetAlignment(), taRightJustify);
    EXPECT_EQ(number->Title()->GetCaption(), DefAutoNumberTitle);
    EXPECT_FALSE(number->IsStored());
    EXPECT_FALSE(number->IsAssigned(cvWidth)); // no active link: the default width

    EXPECT_TRUE(select->GetCheckBox());
    EXPECT_EQ(select->GetAlignment(), taCenter);
    EXPECT_EQ(select->Title()->GetCaption(), "Select");

    EXPECT_TRUE(expand->GetExpandBox());
    EXPECT_EQ(expand->GetExpandBoxSize(), ebLarge);
    EXPECT_TRUE(expand->GetTransparent());
    EXPECT_EQ(expand->Title()->GetAlignment(), taCenter);
    EXPECT_EQ(expand->Title()->GetCaption(), "Expand");
}

TEST_F(ColumnsNoGrid, FindColumnIgnoresCaseAndStartsAtIndex)
{
    Columns.Add()->SetFieldName("Name");
    Columns.Add()->SetFieldName("City");
    Columns.Add()->SetFieldName("NAME");
    EXPECT_EQ(Columns.FindColumn("name"), Columns[0]);
    EXPECT_EQ(Columns.FindColumn("name", 1), Columns[2]);
    EXPECT_EQ(Columns.FindColumn("Zip"), nullptr);
    EXPECT_EQ(Columns.ColumnByName("city"), Columns[1]);
    try {
        Columns.ColumnByName("Zip");
        FAIL() << "no error for a missing column";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'Zip' not found");
    }
}

TEST_F(ColumnsNoGrid, AssignCopiesValuesAndSubObjects)
{
    TZColumn* a = Columns.Add();
    a->SetFieldName("Qty");
    a->SetColor(clAqua);
    a->SetWidth(90);
    a->SetWidthMax(120);
    a->SetCheckBox(true);
    a->SetPickList({"1", "2"});
    a->Title()->SetHeader("Stock|Units");
    a->Title()->SetCaption("Quantity");
    a->Report()->SetVisible(false);
    a->Report()->SetTotalType(ttSum);
    a->TotalValues()->SetCount(2);

    TZDBGridColumns other(nullptr);
    other.Assign(Columns);
    ASSERT_EQ(other.Count(), 1);
    TZColumn* b = other[0];
    EXPECT_TRUE(b->IsStored());
    EXPECT_EQ(b->GetFieldName(), "Qty");
    EXPECT_EQ(b->GetColor(), clAqua);
    EXPECT_EQ(b->GetWidth(), 90);
    EXPECT_EQ(b->GetWidthMax(), 120);
    EXPECT_TRUE(b->GetCheckBox());
    EXPECT_EQ(b->GetPickList(), QStringList({"1", "2"}));
    EXPECT_EQ(b->Title()->HeaderCount(), 2);
    EXPECT_EQ(b->Title()->GetCaption(), "Quantity");
    EXPECT_FALSE(b->Report()->GetVisible());
    EXPECT_EQ(b->Report()->GetTotalType(), ttSum);
    EXPECT_EQ(b->TotalValuesCount(), 2);
    EXPECT_FALSE(b->IsAssigned(cvAlignment));
}

TEST_F(ColumnsNoGrid, ReportPrintsOnlyVisibleColumns)
{
    TZColumn* c = Columns.Add();
    EXPECT_TRUE(c->Report()->IsPrinted());
    c->SetVisible(false);
    EXPECT_FALSE(c->Report()->IsPrinted());
    c->SetVisible(true);
    c->Report()->SetVisible(false);
    EXPECT_FALSE(c->Report()->IsPrinted());
    c->Report()->RestoreDefaults();
    EXPECT_TRUE(c->Report()->IsPrinted());
}

TEST_F(ColumnsNoGrid, DelimiterPrecedence)
{
    TZColumn* c = Columns.Add();
    EXPECT_EQ(c->Delimiter(), ",");
    c->SetDelimiterText(" / ");
    EXPECT_EQ(c->Delimiter(), " / ");
    c->SetDelimiterLine(true);
    EXPECT_EQ(c->Delimiter(), "\r\n");
}

TEST_F(ColumnsNoGrid, DeletedParentIsForgottenByItsChildren)
{
    TZColumn* parent = Columns.Add();
    TZColumn* child = Columns.Add();
    child->SetParentColumn(parent);
    EXPECT_EQ(child->Depth(), 1);
    Columns.Delete(0);
    EXPECT_EQ(child->ParentColumn(), nullptr);
    EXPECT_EQ(child->Depth(), 0);
}

TEST_F(ColumnsNoGrid, EnumeratorWalksAndRestarts)
{
    Columns.Add()->SetFieldName("A");
    Columns.Add()->SetFieldName("B");
    TZDBGridColumnsEnumerator e = Columns.GetEnumerator();
    QStringList seen;
    while (e.MoveNext())
        seen << e.Current()->GetFieldName();
    EXPECT_EQ(seen, QStringList({"A", "B"}));
    EXPECT_FALSE(e.MoveNext());
    e.Restart();
    ASSERT_TRUE(e.MoveNext());
    EXPECT_EQ(e.Current(), Columns[0]);
}

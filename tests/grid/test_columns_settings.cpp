// The columns' settings text and their stream, without grid.

#include "ZDBGridColumns.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zdb;

namespace {

struct SettingsNoGrid : ::testing::Test {
    TZDBGridColumns Columns{nullptr};

    void SetUp() override
    {
        Columns.Add()->SetFieldName("ID");
        TZColumn* name = Columns.Add();
        name->SetFieldName("NAME");
        name->SetWidth(120);
    }
    QStringList Names() const
    {
        QStringList result;
        for (TZColumn* c : Columns)
            result << c->GetFieldName();
        return result;
    }
};

} // namespace

TEST_F(SettingsNoGrid, TextLinesAsSpecified)
{
    Columns[0]->Report()->SetVisible(false);
    const QStringList lines = Columns.GetSettings();
    EXPECT_EQ(lines, QStringList({"Columns=2", "Column1=ID,64,1,1,0", "Column2=NAME,120,1,1,1", "CurrentPPI=96"}));
    EXPECT_EQ(Columns.SettingsList(), lines);
}

TEST_F(SettingsNoGrid, ApplyingReordersAndSetsValues)
{
    Columns.Add()->SetFieldName("CITY");
    Columns.SetSettings(QStringList{"Columns=2", "Column1=NAME,150,0,1,0", "Column2=ID,70,1,0,1", "CurrentPPI=96"});
    // Named columns first, in the order given; the others keep their place after them.
    EXPECT_EQ(Names(), QStringList({"NAME", "ID", "CITY"}));
    EXPECT_EQ(Columns[0]->GetWidth(), -1); // hidden: collapses
    EXPECT_EQ(Columns[0]->TrueWidth(), 150);
    EXPECT_FALSE(Columns[0]->Visibility());
    EXPECT_FALSE(Columns[0]->Report()->GetVisible());
    EXPECT_EQ(Columns[1]->GetWidth(), 70);
    EXPECT_FALSE(Columns[1]->ExpandedFlag());
    EXPECT_TRUE(Columns[1]->Report()->GetVisible());
}

TEST_F(SettingsNoGrid, RoundTripRestoresTheLayout)
{
    Columns[1]->SetVisible(false);
    const QStringList saved = Columns.GetSettings();
    TZDBGridColumns other(nullptr);
    other.Add()->SetFieldName("NAME");
    other.Add()->SetFieldName("ID");
    other.SetSettings(saved);
    EXPECT_EQ(other[0]->GetFieldName(), "ID");
    EXPECT_EQ(other[1]->GetFieldName(), "NAME");
    EXPECT_EQ(other[1]->TrueWidth(), 120);
    EXPECT_FALSE(other[1]->Visibility());
    EXPECT_EQ(other.GetSettings(), saved);
}

TEST_F(SettingsNoGrid, PixelsPerInchRescaleWidths)
{
    // Written at 48 PPI, applied at 96: widths double.
    Columns.SetSettings(QStringList{"Columns=1", "Column1=NAME,100,1,1,1", "CurrentPPI=48"});
    EXPECT_EQ(Columns.FindColumn("NAME")->GetWidth(), 200);
    // No CurrentPPI line: no rescaling.
    Columns.SetSettings(QStringList{"Columns=1", "Column1=NAME,100,1,1,1"});
    EXPECT_EQ(Columns.FindColumn("NAME")->GetWidth(), 100);
}

TEST_F(SettingsNoGrid, MalformedPartsAndUnknownNamesKeepValues)
{
    Columns[1]->SetVisible(false);
    Columns.SetSettings(QStringList{"columns=3", "Column1=NAME,wide,,1", "Column2=ZIP,10,0,0,0",
                                    "Column3=ID", "CurrentPPI=x"});
    EXPECT_EQ(Names(), QStringList({"NAME", "ID"}));
    TZColumn* name = Columns[0];
    EXPECT_EQ(name->TrueWidth(), 120);   // "wide" is no number
    EXPECT_FALSE(name->Visibility());    // empty part
    EXPECT_TRUE(name->ExpandedFlag());   // "1"
    EXPECT_TRUE(name->Report()->GetVisible()); // missing part
    EXPECT_EQ(Columns[1]->TrueWidth(), 64);
}

TEST_F(SettingsNoGrid, MissingCountAppliesNothing)
{
    Columns.SetSettings(QStringList{"Column1=NAME,10,0,0,0"});
    EXPECT_EQ(Names(), QStringList({"ID", "NAME"}));
    EXPECT_TRUE(Columns[1]->Visibility());
}

TEST_F(SettingsNoGrid, OtherDelimiter)
{
    const QString saved = DefaultDelimiter;
    DefaultDelimiter = ";";
    EXPECT_EQ(Columns.GetSettings().at(2), "Column2=NAME;120;1;1;1");
    Columns.SetSettings(QStringList{"Columns=1", "Column1=NAME;90;1;1;1"});
    DefaultDelimiter = saved;
    EXPECT_EQ(Columns[0]->GetFieldName(), "NAME");
    EXPECT_EQ(Columns[0]->GetWidth(), 90);
}

// ---- Stream ----------------------------------------------------------------------

TEST_F(SettingsNoGrid, StreamRoundTripOfStoredProperties)
{
    TZColumn* c = Columns[1];
    c->SetColor(clMoneyGreen);
    c->SetAlignment(taCenter);
    QFont font = c->GetFont();
    font.setBold(true);
    c->SetFont(font);
    c->SetReadOnly(true);
    c->SetButtonStyle(cbsDropDown);
    c->SetPickList({"a", "b"});
    c->SetPickText({"Alpha", "Beta"});
    c->SetPickOptions(TZPickOptions{poStoreItemIndex});
    c->SetListOptions(TZListOptions{loMultiSelectList, loShowToday});
    c->SetDelimiterChar(QLatin1Char(';'));
    c->SetCheckBox(true);
    c->SetCheckBoxValues("Y;N");
    c->SetExpandCols(1);
    c->SetExpanded(false);
    c->SetWidthMin(40);
    c->SetWidthMax(300);
    c->SetLookupListWidths("50;60");
    c->SetKeyField("NAME_ID");
    c->Title()->SetCaption("Customer");
    c->Title()->SetHeader("Who|Name");
    c->Title()->SetMarkerIndex(3);
    c->Title()->SetAutoFilters(TFilterStyles{fsFilterForm});
    c->Report()->SetTotalType(ttCount);
    c->Report()->SetTotalText("n");
    c->TotalValues()->SetCount(2);
    QFont totalFont = font;
    totalFont.setItalic(true);
    c->TotalValues()->Items(1)->SetFont(totalFont);
    c->TotalFooter()->SetFont(totalFont);

    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    Columns.SaveToStream(buffer);
    buffer.seek(0);

    TZDBGridColumns other(nullptr);
    other.InternalAdd()->SetFieldName("junk");
    other.LoadFromStream(buffer);
    ASSERT_EQ(other.Count(), 2);
    EXPECT_EQ(other.State(), csCustomized);
    TZColumn* d = other[1];
    EXPECT_EQ(d->GetFieldName(), "NAME");
    EXPECT_EQ(d->TrueWidth(), 120);
    EXPECT_EQ(d->GetColor(), clMoneyGreen);
    EXPECT_EQ(d->GetAlignment(), taCenter);
    EXPECT_EQ(d->GetFont(), font);
    EXPECT_TRUE(d->GetReadOnly());
    EXPECT_EQ(d->GetButtonStyle(), cbsDropDown);
    EXPECT_EQ(d->GetPickList(), QStringList({"a", "b"}));
    EXPECT_EQ(d->GetPickText(), QStringList({"Alpha", "Beta"}));
    EXPECT_EQ(d->GetPickOptions(), TZPickOptions{poStoreItemIndex});
    EXPECT_EQ(d->GetListOptions(), (TZListOptions{loMultiSelectList, loShowToday}));
    EXPECT_EQ(d->GetDelimiterChar(), QLatin1Char(';'));
    EXPECT_TRUE(d->GetCheckBox());
    EXPECT_EQ(d->GetCheckBoxValues(), "Y;N");
    EXPECT_EQ(d->GetExpandCols(), 1);
    EXPECT_FALSE(d->ExpandedFlag());
    EXPECT_EQ(d->GetWidthMin(), 40);
    EXPECT_EQ(d->GetWidthMax(), 300);
    EXPECT_EQ(d->GetLookupListWidths(), "50;60");
    EXPECT_EQ(d->GetKeyField(), "NAME_ID");
    EXPECT_EQ(d->Title()->GetCaption(), "Customer");
    EXPECT_EQ(d->Title()->HeaderCount(), 2);
    EXPECT_EQ(d->Title()->GetMarkerIndex(), 3);
    EXPECT_EQ(d->Title()->GetMarker(), tmDescend);
    EXPECT_EQ(d->Title()->GetAutoFilters(), TFilterStyles{fsFilterForm});
    EXPECT_EQ(d->Report()->GetTotalType(), ttCount);
    EXPECT_EQ(d->Report()->GetTotalText(), "n");
    ASSERT_EQ(d->TotalValuesCount(), 2);
    EXPECT_FALSE(d->TotalValues()->Items(0)->IsFontAssigned());
    EXPECT_EQ(d->TotalValues()->Items(1)->GetFont(), totalFont);
    EXPECT_EQ(d->TotalFooter()->GetFont(), totalFont);
    EXPECT_FALSE(d->TotalHeader()->IsFontAssigned());
    // The untouched column stays at its defaults.
    EXPECT_TRUE(other[0]->AssignedValues().IsEmpty());
    EXPECT_EQ(other[0]->GetFieldName(), "ID");
}

TEST_F(SettingsNoGrid, StreamHoldsOnlyValuesThatDifferFromDefaults)
{
    Columns[1]->SetWidth(Columns[1]->DefaultWidth()); // assigned, equal to the default
    Columns[1]->Title()->SetCaption("NAME");           // assigned, equal to the default
    QJsonObject object;
    Columns.WriteEntries(object, true);
    const QJsonArray columns = object.value("Columns").toArray();
    ASSERT_EQ(columns.size(), 2);
    EXPECT_EQ(columns.at(0).toObject(), QJsonObject({{"FieldName", "ID"}}));
    EXPECT_EQ(columns.at(1).toObject(), QJsonObject({{"FieldName", "NAME"}}));
    EXPECT_FALSE(object.contains("OrderFields"));
}

TEST_F(SettingsNoGrid, DefaultColumnsAreWrittenOnlyWhenForced)
{
    TZDBGridColumns defaults(nullptr);
    defaults.InternalAdd()->SetFieldName("ID");
    QJsonObject object;
    defaults.WriteEntries(object);
    EXPECT_FALSE(object.contains("Columns"));
    defaults.WriteEntries(object, true);
    EXPECT_TRUE(object.contains("Columns"));
}

TEST_F(SettingsNoGrid, FileRoundTripAndBadInput)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("columns.clm");
    Columns.SaveToFile(path);
    TZDBGridColumns other(nullptr);
    other.LoadFromFile(path);
    EXPECT_EQ(other.GetSettings(), Columns.GetSettings());

    // Garbage leaves the columns as they were.
    QBuffer garbage;
    garbage.setData("{ not json");
    garbage.open(QIODevice::ReadOnly);
    EXPECT_THROW(other.LoadFromStream(garbage), EDatabaseError);
    EXPECT_EQ(other.Count(), 2);
    EXPECT_THROW(other.LoadFromFile(dir.filePath("missing.clm")), EDatabaseError);
}

TEST_F(SettingsNoGrid, WrongTypedEntriesAreSkipped)
{
    QBuffer buffer;
    buffer.setData(R"({"Columns":[{"FieldName":"X","Width":"wide","Visible":1,"Color":255,
                     "Title":{"Caption":7,"Header":"A|B"}}],"OrderFields":"X DESC"})");
    buffer.open(QIODevice::ReadOnly);
    Columns.LoadFromStream(buffer);
    ASSERT_EQ(Columns.Count(), 1);
    TZColumn* c = Columns[0];
    EXPECT_EQ(c->GetFieldName(), "X");
    EXPECT_FALSE(c->IsAssigned(cvWidth));
    EXPECT_TRUE(c->Visibility());
    EXPECT_EQ(c->GetColor(), clRed);
    EXPECT_FALSE(c->IsAssigned(cvTitleCaption));
    EXPECT_EQ(c->Title()->HeaderCount(), 2);
}

TEST_F(SettingsNoGrid, OutOfRangeEnumerationsAndSetsAreSkipped)
{
    QBuffer buffer;
    buffer.setData(R"({"Columns":[{"FieldName":"Id","CharCase":100,"ButtonStyle":-1,"Alignment":3,"ImageDraw":2.5,
                     "CheckBoxStyle":10,"PickOptions":1048576,"ListOptions":-1,"DropDownRows":1e30,
                     "DialogOptions":4,"Title":{"Marker":3,"AutoFilters":4,"Alignment":2},
                     "Report":{"TotalType":9,"DialogOptions":1}}]})");
    buffer.open(QIODevice::ReadOnly);
    Columns.LoadFromStream(buffer);
    ASSERT_EQ(Columns.Count(), 1);
    const TZColumn* c = Columns[0];
    EXPECT_EQ(c->GetCharCase(), ecNormal);
    EXPECT_EQ(c->GetButtonStyle(), cbsAuto);
    EXPECT_FALSE(c->IsAssigned(cvAlignment));
    EXPECT_EQ(c->GetImageDraw(), idCenter);
    EXPECT_EQ(c->GetPickOptions(), (TZPickOptions{poSelectPickText, poAcceptPickList}));
    EXPECT_TRUE(c->GetListOptions().Contains(loAutoComplete));
    EXPECT_EQ(c->GetDropDownRows(), 0);
    EXPECT_EQ(c->GetDialogOptions(), (TDialogOptions{doShowColumn, doItemEnabled}));
    EXPECT_EQ(c->Title()->GetMarker(), tmNone);
    EXPECT_EQ(c->Title()->GetAutoFilters(), (TFilterStyles{fsFilterList, fsFilterForm}));
    EXPECT_EQ(c->Report()->GetTotalType(), ttNone);
    // Values within range are taken.
    EXPECT_EQ(c->GetCheckBoxStyle(), cbMild);
    EXPECT_EQ(c->Title()->GetAlignment(), taCenter);
    EXPECT_EQ(c->Report()->GetDialogOptions(), (TDialogOptions{doShowColumn}));
}

TEST_F(SettingsNoGrid, ColumnCountIsBoundedByTheLinesPresent)
{
    // Each count would otherwise be walked to the end (the first never ends).
    Columns.SetSettings(QStringList{"Columns=2147483647", "Column1=NAME,150,1,1,1", "Column2=ID,70,0,1,1"});
    EXPECT_EQ(Names(), QStringList({"NAME", "ID"}));
    EXPECT_EQ(Columns[0]->TrueWidth(), 150);
    EXPECT_FALSE(Columns[1]->Visibility());
    QStringList many{"Columns=100000000"};
    for (int i = 1; i <= 1000; ++i)
        many << QStringLiteral("Column%1=ID,%2,1,1,1").arg(i).arg(i);
    Columns.SetSettings(many);
    EXPECT_EQ(Names(), QStringList({"ID", "NAME"}));
    EXPECT_EQ(Columns[0]->TrueWidth(), 1);
}

TEST_F(SettingsNoGrid, ColumnLinesAreFoundByTheirNumberAsNamed)
{
    Columns.Add()->SetFieldName("CITY");
    // "Column02" is a name of its own; "column3" is "Column3"; of two lines of
    // one name the first counts; blanks around a name do not.
    Columns.SetSettings(QStringList{"Columns=3", "COLUMN1=CITY,77,1,1,1", "Column1=NAME,99,1,1,1",
                                    " column3 =NAME,33,1,1,1", "Column02=ID,11,1,1,1", "Column3=ID,1,1,1,1"});
    EXPECT_EQ(Names(), QStringList({"CITY", "ID", "NAME"}));
    EXPECT_EQ(Columns[0]->TrueWidth(), 77);
    EXPECT_EQ(Columns[1]->TrueWidth(), 64);
    EXPECT_EQ(Columns[2]->TrueWidth(), 33);

    // The count is bounded by the different names present, other lines included.
    const QStringList third{"Columns=3", "Column3=NAME,44,1,1,1"};
    Columns.SetSettings(third);
    EXPECT_EQ(Columns[2]->TrueWidth(), 33);
    Columns.SetSettings(third + QStringList{"Other=1"});
    EXPECT_EQ(Columns[2]->TrueWidth(), 44);
}

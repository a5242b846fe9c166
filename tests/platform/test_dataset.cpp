// The dataset base: buffer ring, navigation, bookmarks, editing, notification, fields.

#include "ArrayDataSet.h"

#include <gtest/gtest.h>

using namespace zdb;
using zdb::test::TArrayDataSet;
using zdb::test::TRecordingLink;

namespace {

std::unique_ptr<TArrayDataSet> MakeNumbers(int count)
{
    auto ds = std::make_unique<TArrayDataSet>();
    ds->setObjectName(QStringLiteral("Numbers"));
    ds->AddFieldDef(QStringLiteral("Id"), ftInteger);
    ds->AddFieldDef(QStringLiteral("Name"), ftString, 20);
    ds->AddFieldDef(QStringLiteral("Amount"), ftFloat);
    for (int i = 1; i <= count; ++i)
        ds->AddRow({i, QStringLiteral("Name %1").arg(i), i * 1.5});
    return ds;
}

int CurrentId(const TDataSet& ds) { return ds.FieldByName(QStringLiteral("Id"))->AsInteger(); }

// The ids shown in the link's window, read as a grid reads them.
std::vector<int> WindowIds(TDataLink& link)
{
    std::vector<int> ids;
    const int saved = link.ActiveRecord();
    for (int i = 0; i < link.RecordCount(); ++i) {
        link.SetActiveRecord(i);
        ids.push_back(CurrentId(*link.DataSet()));
    }
    link.SetActiveRecord(saved);
    return ids;
}

struct Linked {
    std::unique_ptr<TArrayDataSet> ds;
    TDataSource source;
    TRecordingLink link;
    explicit Linked(int rows, int bufferCount = 10) : ds(MakeNumbers(rows))
    {
        source.SetDataSet(ds.get());
        link.SetBufferCount(bufferCount);
        link.SetDataSource(&source);
        ds->Open();
    }
};

} // namespace

TEST(DataSetRing, WalkingForwardAndBackKeepsTheWindowConsecutive)
{
    Linked t(100);
    ASSERT_EQ(t.link.RecordCount(), 10);
    EXPECT_EQ(t.ds->AllocatedBufferCount(), 11);
    for (int expected = 1; expected <= 100; ++expected) {
        ASSERT_EQ(CurrentId(*t.ds), expected);
        const std::vector<int> ids = WindowIds(t.link);
        ASSERT_GE(t.link.ActiveRecord(), 0);
        ASSERT_LT(t.link.ActiveRecord(), 10);
        EXPECT_EQ(ids[size_t(t.link.ActiveRecord())], expected);
        for (size_t i = 1; i < ids.size(); ++i)
            ASSERT_EQ(ids[i], ids[i - 1] + 1) << "window broken at record " << expected;
        t.ds->Next();
    }
    EXPECT_TRUE(t.ds->Eof());
    EXPECT_EQ(CurrentId(*t.ds), 100);
    EXPECT_EQ(t.link.ActiveRecord(), 9);

    for (int expected = 100; expected >= 1; --expected) {
        ASSERT_EQ(CurrentId(*t.ds), expected);
        t.ds->Prior();
    }
    EXPECT_TRUE(t.ds->Bof());
    EXPECT_EQ(t.link.ActiveRecord(), 0);
}

TEST(DataSetRing, MoveByReturnsTheDistanceMovedAndReportsScrolls)
{
    Linked t(50);
    EXPECT_EQ(t.ds->MoveBy(35), 35);
    EXPECT_EQ(CurrentId(*t.ds), 36);
    EXPECT_EQ(t.ds->MoveBy(100), 14);
    EXPECT_TRUE(t.ds->Eof());
    EXPECT_EQ(t.ds->MoveBy(-60), -49);
    EXPECT_TRUE(t.ds->Bof());
    EXPECT_EQ(t.ds->MoveBy(-1), 0);

    // One step below the window scrolls the link's window by one row.
    t.ds->MoveBy(9);
    t.link.Events.clear();
    t.ds->Next();
    ASSERT_FALSE(t.link.Events.isEmpty());
    EXPECT_EQ(t.link.Events.last(), QStringLiteral("scrolled:1"));
    EXPECT_EQ(WindowIds(t.link).front(), 2);
}

TEST(DataSetRing, LastAndFirstFillTheWindowFromTheirEnd)
{
    Linked t(25);
    t.ds->Last();
    EXPECT_EQ(CurrentId(*t.ds), 25);
    EXPECT_TRUE(t.ds->Eof());
    EXPECT_EQ(WindowIds(t.link), (std::vector<int>{16, 17, 18, 19, 20, 21, 22, 23, 24, 25}));
    t.ds->First();
    EXPECT_TRUE(t.ds->Bof());
    EXPECT_EQ(WindowIds(t.link).front(), 1);
}

TEST(DataSetRing, ChangingTheBufferCountKeepsTheCurrentRecord)
{
    Linked t(100);
    t.ds->MoveBy(40);
    const int current = CurrentId(*t.ds);
    t.link.SetBufferCount(3);
    EXPECT_EQ(CurrentId(*t.ds), current);
    EXPECT_EQ(t.link.RecordCount(), 3);
    const auto small = WindowIds(t.link);
    EXPECT_EQ(small[size_t(t.link.ActiveRecord())], current);
    t.link.SetBufferCount(20);
    EXPECT_EQ(CurrentId(*t.ds), current);
    EXPECT_EQ(t.link.RecordCount(), 20);
    const auto large = WindowIds(t.link);
    EXPECT_EQ(large[size_t(t.link.ActiveRecord())], current);
    for (size_t i = 1; i < large.size(); ++i)
        EXPECT_EQ(large[i], large[i - 1] + 1);
}

TEST(DataSetRing, ReopeningWithControlsDisabledRealignsTheLinkWindow)
{
    Linked t(100);
    t.ds->MoveBy(50);
    ASSERT_GT(t.link.FirstRecord(), -1);
    {
        TDataSetControlsGuard guard(t.ds.get());
        t.ds->Close();
        t.ds->Open();
        t.ds->MoveBy(3);
    }
    EXPECT_EQ(CurrentId(*t.ds), 4);
    EXPECT_GE(t.link.FirstRecord(), 0);
    const std::vector<int> ids = WindowIds(t.link);
    ASSERT_EQ(ids.size(), 10u);
    for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(ids[i], int(i) + 1);
    EXPECT_EQ(ids[size_t(t.link.ActiveRecord())], 4);
}

TEST(DataSetRing, EmptyDataSetIsBofAndEof)
{
    Linked t(0);
    EXPECT_TRUE(t.ds->IsEmpty());
    EXPECT_TRUE(t.ds->Bof());
    EXPECT_TRUE(t.ds->Eof());
    EXPECT_EQ(t.link.RecordCount(), 0);
    EXPECT_TRUE(t.ds->FieldByName(QStringLiteral("Id"))->IsNull());
    EXPECT_TRUE(t.ds->GetBookmark().isEmpty());
    EXPECT_THROW(t.ds->Delete(), EDatabaseError);
}

TEST(DataSetBookmarks, GotoBookmarkAcrossTheRingAndCompare)
{
    Linked t(200);
    t.ds->MoveBy(56);
    const TBookmark at57 = t.ds->GetBookmark();
    t.ds->MoveBy(100);
    const TBookmark at157 = t.ds->GetBookmark();
    t.ds->First();
    t.ds->GotoBookmark(at57);
    EXPECT_EQ(CurrentId(*t.ds), 57);
    EXPECT_EQ(WindowIds(t.link)[size_t(t.link.ActiveRecord())], 57);
    EXPECT_LT(t.ds->CompareBookmarks(at57, at157), 0);
    EXPECT_GT(t.ds->CompareBookmarks(at157, at57), 0);
    EXPECT_EQ(t.ds->CompareBookmarks(at57, at57), 0);
    EXPECT_EQ(t.ds->CompareBookmarks(TBookmark(), TBookmark()), 0);
    EXPECT_EQ(t.ds->CompareBookmarks(TBookmark(), at57), 1);
    EXPECT_EQ(t.ds->CompareBookmarks(at57, TBookmark()), -1);
    EXPECT_TRUE(t.ds->BookmarkValid(at157));
}

TEST(DataSetBookmarks, BookmarkOfAnotherDataSetIsRejectedWithoutMoving)
{
    Linked a(30);
    Linked b(30);
    b.ds->MoveBy(12);
    const TBookmark foreign = b.ds->GetBookmark();
    a.ds->MoveBy(5);
    EXPECT_FALSE(a.ds->BookmarkValid(foreign));
    try {
        a.ds->GotoBookmark(foreign);
        FAIL() << "a foreign bookmark was accepted";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("Bookmark"))) << e.what();
    }
    EXPECT_EQ(CurrentId(*a.ds), 6);
    EXPECT_EQ(a.ds->State(), dsBrowse);
}

TEST(DataSetEditing, InsertAppendPostCancelDelete)
{
    Linked t(20);
    t.ds->MoveBy(4); // on 5
    t.ds->Insert();
    EXPECT_EQ(t.ds->State(), dsInsert);
    EXPECT_TRUE(t.ds->FieldByName(QStringLiteral("Id"))->IsNull());
    t.ds->FieldByName(QStringLiteral("Id"))->SetValue(1000);
    t.ds->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("Inserted"));
    t.ds->Post();
    EXPECT_EQ(t.ds->State(), dsBrowse);
    EXPECT_EQ(CurrentId(*t.ds), 1000);
    EXPECT_EQ(t.ds->Rows()[4].values[0].toInt(), 1000);
    EXPECT_EQ(t.ds->Rows()[5].values[0].toInt(), 5);
    const auto window = WindowIds(t.link);
    EXPECT_EQ(window[size_t(t.link.ActiveRecord())], 1000);

    t.ds->Append();
    t.ds->FieldByName(QStringLiteral("Id"))->SetValue(2000);
    t.ds->Post();
    EXPECT_EQ(t.ds->Rows().back().values[0].toInt(), 2000);
    EXPECT_EQ(CurrentId(*t.ds), 2000);

    t.ds->First();
    t.ds->Insert();
    t.ds->Cancel();
    EXPECT_EQ(CurrentId(*t.ds), 1);
    EXPECT_EQ(t.ds->RecordCount(), 22);

    t.ds->MoveBy(2);
    t.ds->Edit();
    t.ds->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("changed"));
    t.ds->Cancel();
    EXPECT_EQ(t.ds->FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("Name 3"));

    t.ds->Delete();
    EXPECT_EQ(CurrentId(*t.ds), 4);
    EXPECT_EQ(t.ds->RecordCount(), 21);
    t.ds->Last();
    t.ds->Delete();
    EXPECT_EQ(CurrentId(*t.ds), 20);
}

TEST(DataSetEditing, RejectedValuesAndPostsKeepThePendingEdit)
{
    Linked t(10);
    t.ds->MoveBy(3);
    t.ds->Edit();
    TField* id = t.ds->FieldByName(QStringLiteral("Id"));
    TField* name = t.ds->FieldByName(QStringLiteral("Name"));
    name->SetAsString(QStringLiteral("pending"));
    EXPECT_THROW(id->SetAsString(QStringLiteral("abc")), EDatabaseError);
    EXPECT_THROW(id->SetValue(QStringLiteral("1.5")), EDatabaseError);
    EXPECT_THROW(id->SetValue(QDate(2024, 1, 1)), EDatabaseError);
    EXPECT_EQ(id->AsInteger(), 4);
    EXPECT_EQ(t.ds->State(), dsEdit);

    t.ds->FailNextPost = true;
    EXPECT_THROW(t.ds->Post(), EDatabaseError);
    EXPECT_EQ(t.ds->State(), dsEdit);
    EXPECT_EQ(name->AsString(), QStringLiteral("pending"));
    t.ds->Post();
    EXPECT_EQ(t.ds->Rows()[3].values[1].toString(), QStringLiteral("pending"));

    t.ds->Edit();
    EXPECT_THROW(t.ds->FieldByName(QStringLiteral("NoSuchField")), EDatabaseError);
    EXPECT_EQ(t.ds->State(), dsEdit);
    t.ds->Cancel();
    EXPECT_THROW(name->SetAsString(QStringLiteral("x")), EDatabaseError); // not editing
}

TEST(DataSetEditing, StringFieldsCutToSizeAndTypedValuesConvert)
{
    Linked t(3);
    t.ds->Edit();
    TField* name = t.ds->FieldByName(QStringLiteral("Name"));
    name->SetAsString(QString(30, QLatin1Char('x')));
    EXPECT_EQ(name->AsString().size(), 20);
    TField* amount = t.ds->FieldByName(QStringLiteral("Amount"));
    amount->SetAsString(QStringLiteral("12.25"));
    EXPECT_DOUBLE_EQ(amount->AsFloat(), 12.25);
    amount->SetValue(7);
    EXPECT_DOUBLE_EQ(amount->AsFloat(), 7.0);
    EXPECT_THROW(amount->SetAsString(QStringLiteral("twelve")), EDatabaseError);
    t.ds->Post();
}

TEST(DataSetNotification, LinksFollowStateEditsAndDisabledControls)
{
    Linked t(30);
    EXPECT_TRUE(t.link.Active());
    t.link.Events.clear();
    t.ds->Edit();
    EXPECT_TRUE(t.link.Editing());
    EXPECT_TRUE(t.link.Events.contains(QStringLiteral("editing:1")));
    t.link.Events.clear();
    t.ds->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("x"));
    EXPECT_EQ(t.link.Events, QStringList{QStringLiteral("record:Name")});
    t.ds->Post();
    t.link.Events.clear();
    t.ds->FieldByName(QStringLiteral("Amount"))->FocusControl();
    EXPECT_EQ(t.link.Events, QStringList{QStringLiteral("focus:Amount")});
    EXPECT_FALSE(t.link.Editing());

    t.link.Events.clear();
    t.ds->DisableControls();
    t.ds->DisableControls();
    t.ds->Next();
    t.ds->Last();
    t.ds->EnableControls();
    EXPECT_TRUE(t.link.Events.isEmpty());
    EXPECT_TRUE(t.ds->ControlsDisabled());
    t.ds->EnableControls();
    EXPECT_FALSE(t.ds->ControlsDisabled());
    EXPECT_EQ(t.link.Events, QStringList{QStringLiteral("changed")});
    EXPECT_EQ(WindowIds(t.link).back(), 30);

    // Closing while disabled tells the links on re-enabling.
    t.link.Events.clear();
    {
        TDataSetControlsGuard guard(t.ds.get());
        t.ds->Close();
    }
    EXPECT_FALSE(t.link.Active());
    EXPECT_TRUE(t.link.Events.contains(QStringLiteral("active:0")));

    // A dataset destroyed while still open and linked lets its sources and links go.
    {
        auto doomed = MakeNumbers(5);
        TDataSource source;
        TRecordingLink link;
        source.SetDataSet(doomed.get());
        link.SetDataSource(&source);
        doomed->Open();
        ASSERT_TRUE(link.Active());
        doomed.reset();
        EXPECT_EQ(source.DataSet(), nullptr);
        EXPECT_FALSE(link.Active());
    }

    // A link leaves cleanly when the source is destroyed.
    auto source = std::make_unique<TDataSource>();
    TRecordingLink other;
    other.SetDataSource(source.get());
    source.reset();
    EXPECT_EQ(other.DataSource(), nullptr);
}

TEST(DataSetFields, LookupCalculatedAndMultiFieldValues)
{
    TArrayDataSet customers;
    customers.AddFieldDef(QStringLiteral("CustId"), ftInteger);
    customers.AddFieldDef(QStringLiteral("CustName"), ftString, 30);
    customers.AddRow({10, QStringLiteral("Alpha")});
    customers.AddRow({20, QStringLiteral("Beta")});
    customers.Open();

    TArrayDataSet orders;
    orders.AddFieldDef(QStringLiteral("OrderId"), ftInteger);
    orders.AddFieldDef(QStringLiteral("CustId"), ftInteger);
    orders.AddFieldDef(QStringLiteral("Qty"), ftInteger);
    orders.AddRow({1, 20, 3});
    orders.AddRow({2, 10, 5});
    orders.AddRow({3, QVariant(), 1});
    auto lookup = std::make_unique<TStringField>();
    lookup->SetFieldName(QStringLiteral("Customer"));
    lookup->SetFieldKind(fkLookup);
    lookup->SetLookupDataSet(&customers);
    lookup->SetKeyFields(QStringLiteral("CustId"));
    lookup->SetLookupKeyFields(QStringLiteral("CustId"));
    lookup->SetLookupResultField(QStringLiteral("CustName"));
    orders.AddField(std::move(lookup));
    auto calc = std::make_unique<TIntegerField>();
    calc->SetFieldName(QStringLiteral("Double"));
    calc->SetFieldKind(fkCalculated);
    orders.AddField(std::move(calc));
    orders.OnCalcFields = [](TDataSet* ds) {
        if (!ds->FieldByName(QStringLiteral("Qty"))->IsNull())
            ds->FieldByName(QStringLiteral("Double"))->SetValue(ds->FieldByName(QStringLiteral("Qty"))->AsInteger() * 2);
    };
    orders.Open();
    EXPECT_FALSE(orders.DefaultFields());
    EXPECT_TRUE(customers.DefaultFields());
    EXPECT_EQ(orders.FieldByName(QStringLiteral("Customer"))->AsString(), QStringLiteral("Beta"));
    EXPECT_EQ(orders.FieldByName(QStringLiteral("Double"))->AsInteger(), 6);
    orders.Next();
    EXPECT_EQ(orders.FieldByName(QStringLiteral("Customer"))->AsString(), QStringLiteral("Alpha"));
    orders.Next();
    EXPECT_TRUE(orders.FieldByName(QStringLiteral("Customer"))->IsNull());

    // Recalculated as the key changes during an edit; writing the lookup sets the key.
    orders.Edit();
    orders.FieldByName(QStringLiteral("Customer"))->SetValue(QStringLiteral("Beta"));
    EXPECT_EQ(orders.FieldByName(QStringLiteral("CustId"))->AsInteger(), 20);
    EXPECT_EQ(orders.FieldByName(QStringLiteral("Customer"))->AsString(), QStringLiteral("Beta"));
    orders.Post();

    const QVariant pair = orders.GetFieldValue(QStringLiteral("OrderId;Qty"));
    ASSERT_EQ(pair.typeId(), QMetaType::QVariantList);
    EXPECT_EQ(pair.toList(), (QVariantList{3, 1}));
    EXPECT_EQ(customers.Lookup(QStringLiteral("CustId"), 20, QStringLiteral("CustName")).toString(),
              QStringLiteral("Beta"));
    EXPECT_FALSE(customers.Lookup(QStringLiteral("CustId"), 99, QStringLiteral("CustName")).isValid());
    EXPECT_THROW(customers.Lookup(QStringLiteral("Missing"), 1, QStringLiteral("CustName")), EDatabaseError);
}

TEST(DataSetSearch, ScansComputeCalculatedFieldsOnlyWhenCompared)
{
    // A lookup that counts the scans it causes, and a counting OnCalcFields.
    TArrayDataSet names;
    names.AddFieldDef(QStringLiteral("Code"), ftInteger);
    names.AddFieldDef(QStringLiteral("Text"), ftString, 20);
    for (int i = 0; i < 10; ++i)
        names.AddRow({i, QStringLiteral("Text %1").arg(i)});
    names.Open();
    TArrayDataSet rows;
    rows.AddFieldDef(QStringLiteral("Id"), ftInteger);
    rows.AddFieldDef(QStringLiteral("Code"), ftInteger);
    for (int i = 1; i <= 500; ++i)
        rows.AddRow({i, i % 10});
    auto lookup = std::make_unique<TStringField>();
    lookup->SetFieldName(QStringLiteral("CodeText"));
    lookup->SetFieldKind(fkLookup);
    lookup->SetLookupDataSet(&names);
    lookup->SetKeyFields(QStringLiteral("Code"));
    lookup->SetLookupKeyFields(QStringLiteral("Code"));
    lookup->SetLookupResultField(QStringLiteral("Text"));
    rows.AddField(std::move(lookup));
    auto calc = std::make_unique<TIntegerField>();
    calc->SetFieldName(QStringLiteral("Twice"));
    calc->SetFieldKind(fkCalculated);
    rows.AddField(std::move(calc));
    int calcCount = 0;
    rows.OnCalcFields = [&calcCount](TDataSet* ds) {
        ++calcCount;
        ds->FieldByName(QStringLiteral("Twice"))->SetValue(ds->FieldByName(QStringLiteral("Id"))->AsInteger() * 2);
    };
    rows.Open();
    const int namesReads = names.GetRecordCallCount;

    // A data field: the scan reads only Id; the records the ring shows afterwards are computed.
    calcCount = 0;
    ASSERT_TRUE(rows.Locate(QStringLiteral("Id"), 450));
    EXPECT_LE(calcCount, 2);
    EXPECT_EQ(rows.FieldByName(QStringLiteral("Twice"))->AsInteger(), 900);
    EXPECT_EQ(rows.FieldByName(QStringLiteral("CodeText"))->AsString(), QStringLiteral("Text 0"));
    EXPECT_LE(names.GetRecordCallCount - namesReads, 2 * 11) << "the lookup ran for the scanned records";
    calcCount = 0;
    EXPECT_EQ(rows.Lookup(QStringLiteral("Id"), 321, QStringLiteral("Code")).toInt(), 1);
    EXPECT_EQ(calcCount, 0);
    EXPECT_EQ(rows.Lookup(QStringLiteral("Id"), 321, QStringLiteral("Twice;CodeText")).toList(),
              (QVariantList{642, QStringLiteral("Text 1")}));
    EXPECT_EQ(calcCount, 1);

    // Calculated and lookup keys are computed for the records compared, also behind a filter on one.
    EXPECT_TRUE(rows.Locate(QStringLiteral("Twice"), 84));
    EXPECT_EQ(rows.FieldByName(QStringLiteral("Id"))->AsInteger(), 42);
    EXPECT_TRUE(rows.Locate(QStringLiteral("CodeText;Id"), QVariantList{QStringLiteral("Text 7"), 17}));
    EXPECT_EQ(rows.FieldByName(QStringLiteral("Id"))->AsInteger(), 17);
    rows.SetFilter(QStringLiteral("Twice > 600"));
    rows.SetFiltered(true);
    EXPECT_TRUE(rows.Locate(QStringLiteral("Code"), 3));
    EXPECT_EQ(rows.FieldByName(QStringLiteral("Id"))->AsInteger(), 303);
}

TEST(DataSetSearch, LocateWithOptionsAndFindNext)
{
    Linked t(40);
    EXPECT_TRUE(t.ds->Locate(QStringLiteral("Name"), QStringLiteral("name 33"), loCaseInsensitive));
    EXPECT_EQ(CurrentId(*t.ds), 33);
    EXPECT_FALSE(t.ds->Locate(QStringLiteral("Name"), QStringLiteral("name 33"), {}));
    EXPECT_EQ(CurrentId(*t.ds), 33);
    EXPECT_TRUE(t.ds->Locate(QStringLiteral("Name"), QStringLiteral("Name 2"), loPartialKey));
    EXPECT_EQ(CurrentId(*t.ds), 2);
    EXPECT_TRUE(t.ds->Locate(QStringLiteral("Id;Name"), QVariantList{12, QStringLiteral("NAME 1")},
                             TLocateOptions(loPartialKey) | loCaseInsensitive));
    EXPECT_EQ(CurrentId(*t.ds), 12);
    EXPECT_FALSE(t.ds->Locate(QStringLiteral("Id;Name"), QVariantList{13, QStringLiteral("Name 1")}, {}));
    EXPECT_THROW(t.ds->Locate(QStringLiteral("Nope"), 1, {}), EDatabaseError);
    EXPECT_EQ(CurrentId(*t.ds), 12);
    // Key texts for number fields are read as the field reads a typed text.
    EXPECT_TRUE(t.ds->Locate(QStringLiteral("Amount"), QStringLiteral("30"), {}));
    EXPECT_EQ(CurrentId(*t.ds), 20);
    EXPECT_EQ(t.ds->Lookup(QStringLiteral("Id;Name"), QVariantList{QStringLiteral(" 7"), QStringLiteral("Name 7")},
                           QStringLiteral("Amount")).toDouble(), 10.5);
    EXPECT_FALSE(t.ds->Locate(QStringLiteral("Id"), QStringLiteral("seven"), {}));
    EXPECT_TRUE(t.ds->Lookup(QStringLiteral("Id"), QStringLiteral("seven"), QStringLiteral("Name")).isNull());
    EXPECT_TRUE(t.ds->Locate(QStringLiteral("Id"), QStringLiteral("12"), {}));
    EXPECT_TRUE(t.ds->FindNext());
    EXPECT_EQ(CurrentId(*t.ds), 13);
    EXPECT_TRUE(t.ds->FindLast());
    EXPECT_FALSE(t.ds->FindNext());
    EXPECT_FALSE(t.ds->Found());
}

TEST(DataSetFilter, ExpressionFilterAndHandler)
{
    Linked t(100);
    t.ds->SetFilter(QStringLiteral("Id > 90 OR Name LIKE 'Name 1_'"));
    t.ds->SetFiltered(true);
    std::vector<int> seen;
    for (t.ds->First(); !t.ds->Eof(); t.ds->Next())
        seen.push_back(CurrentId(*t.ds));
    std::vector<int> expected = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    for (int i = 91; i <= 100; ++i)
        expected.push_back(i);
    EXPECT_EQ(seen, expected);

    // Bad filters raise and leave the working one in place.
    EXPECT_THROW(t.ds->SetFilter(QStringLiteral("Id > (3")), EDatabaseError);
    EXPECT_THROW(t.ds->SetFilter(QStringLiteral("Missing = 3")), EDatabaseError);
    EXPECT_THROW(t.ds->SetFilter(QStringLiteral("Id = 'abc'")), EDatabaseError);
    EXPECT_THROW(t.ds->SetFilter(QStringLiteral("NOT ").repeated(10000) + QStringLiteral("Id = 1")), EDatabaseError);
    EXPECT_EQ(t.ds->GetFilter(), QStringLiteral("Id > 90 OR Name LIKE 'Name 1_'"));
    t.ds->First();
    EXPECT_EQ(CurrentId(*t.ds), 10);

    t.ds->SetOnFilterRecord([](TDataSet* ds, bool& accept) {
        accept = ds->FieldByName(QStringLiteral("Id"))->AsInteger() % 2 == 0;
    });
    seen.clear();
    for (t.ds->First(); !t.ds->Eof(); t.ds->Next())
        seen.push_back(CurrentId(*t.ds));
    EXPECT_EQ(seen, (std::vector<int>{10, 12, 14, 16, 18, 92, 94, 96, 98, 100}));
    t.ds->SetFiltered(false);
    t.ds->Last();
    EXPECT_EQ(CurrentId(*t.ds), 100);
    t.ds->Prior();
    EXPECT_EQ(CurrentId(*t.ds), 99);
}

TEST(DataSetFields, DateTextsKeepTheirCenturyBothWays)
{
    TArrayDataSet ds;
    ds.SetLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    ds.AddFieldDef(QStringLiteral("Born"), ftDate);
    ds.AddFieldDef(QStringLiteral("Stamp"), ftDateTime);
    ds.AddRow({QDate(1924, 2, 29), QDateTime(QDate(2024, 3, 1), QTime(14, 5))});
    ds.Open();
    TField* born = ds.FieldByName(QStringLiteral("Born"));
    TField* stamp = ds.FieldByName(QStringLiteral("Stamp"));
    // Shown with four-digit years, so a text written back names the same date.
    EXPECT_EQ(born->DisplayText(), QStringLiteral("2/29/1924"));
    EXPECT_TRUE(stamp->DisplayText().startsWith(QStringLiteral("3/1/2024")));
    ds.Edit();
    born->SetAsString(born->DisplayText());
    stamp->SetAsString(stamp->DisplayText());
    EXPECT_EQ(born->GetValue().toDate(), QDate(1924, 2, 29));
    EXPECT_EQ(stamp->GetValue().toDateTime(), QDateTime(QDate(2024, 3, 1), QTime(14, 5)));
    // A two-digit year typed by hand lands within fifty years of today.
    born->SetAsString(QStringLiteral("7/4/%1").arg((QDate::currentDate().year() + 1) % 100, 2, 10, QLatin1Char('0')));
    EXPECT_EQ(born->GetValue().toDate().year(), QDate::currentDate().year() + 1);
    born->SetAsString(QStringLiteral("7/4/%1").arg((QDate::currentDate().year() - 49) % 100, 2, 10, QLatin1Char('0')));
    EXPECT_EQ(born->GetValue().toDate().year(), QDate::currentDate().year() - 49);
    ds.Cancel();
}

TEST(DataSetFields, TimeEditTextsKeepTheSecondsTheShortFormDrops)
{
    TArrayDataSet ds;
    ds.SetLocale(QLocale(QLocale::English, QLocale::UnitedStates)); // short times without seconds
    ds.AddFieldDef(QStringLiteral("At"), ftTime);
    ds.AddFieldDef(QStringLiteral("Stamp"), ftDateTime);
    const QTime time(14, 5, 30, 250);
    const QDateTime stamp(QDate(2024, 3, 1), QTime(9, 15, 42));
    ds.AddRow({time, stamp});
    ds.AddRow({QTime(14, 5), QDateTime(QDate(2024, 3, 1), QTime(9, 15))});
    ds.Open();
    TField* at = ds.FieldByName(QStringLiteral("At"));
    TField* st = ds.FieldByName(QStringLiteral("Stamp"));
    EXPECT_EQ(at->DisplayText(), QStringLiteral("2:05 PM"));
    // Editing and posting the edit text unchanged keeps the value whole.
    ds.Edit();
    at->SetEditText(at->GetEditText());
    st->SetEditText(st->GetEditText());
    EXPECT_EQ(at->GetValue().toTime(), time);
    EXPECT_EQ(st->GetValue().toDateTime(), stamp);
    ds.Cancel();
    // Values the short form holds keep the short form.
    ds.Next();
    EXPECT_EQ(at->GetEditText(), at->DisplayText());
    EXPECT_EQ(st->GetEditText(), st->DisplayText());
}

TEST(DataSetFields, FindFieldFollowsAddedRemovedAndRenamedFields)
{
    TArrayDataSet data;
    data.AddFieldDef(QStringLiteral("Name"), ftString, 20);
    data.AddFieldDef(QStringLiteral("Qty"), ftInteger);
    auto extra = std::make_unique<TIntegerField>();
    extra->SetFieldName(QStringLiteral("Double"));
    extra->SetFieldKind(fkCalculated);
    TField* added = data.AddField(std::move(extra));
    // Looked up (and indexed) before the field is renamed, then under both names.
    EXPECT_EQ(data.FindField(QStringLiteral("DOUBLE")), added);
    added->SetFieldName(QStringLiteral("Twice"));
    EXPECT_EQ(data.FindField(QStringLiteral("double")), nullptr);
    EXPECT_EQ(data.FindField(QStringLiteral("twice")), added);

    data.AddRow({QStringLiteral("a"), 1});
    data.Open();
    TField* qty = data.FindField(QStringLiteral("qTY"));
    ASSERT_NE(qty, nullptr);
    EXPECT_EQ(qty->GetFieldName(), QStringLiteral("Qty"));
    EXPECT_EQ(data.FindField(QStringLiteral("twice")), added);
    data.Close();
    // Closing drops the automatic fields: their names go with them.
    EXPECT_EQ(data.FindField(QStringLiteral("Qty")), nullptr);
    EXPECT_EQ(data.FindField(QStringLiteral("Twice")), added);
}

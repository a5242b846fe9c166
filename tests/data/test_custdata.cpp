// TZDBCustomData: hook calls, value caching, posting protocol, locate rules, bookmarks.

#include "ZDBCustData.h"

#include <gtest/gtest.h>

using namespace zdb;

namespace {

// A hook-driven dataset over a vector of rows that logs every hook call.
class TRowsData : public TZDBCustomData {
public:
    std::vector<std::vector<QVariant>> Rows;
    QStringList Log;
    int GetCalls = 0;
    bool LogReads = true;

    explicit TRowsData(QObject* parent = nullptr) : TZDBCustomData(parent) { setObjectName(QStringLiteral("Rows")); }
    ~TRowsData() override { Close(); }

    void AddRow(std::vector<QVariant> values) { Rows.push_back(std::move(values)); }

protected:
    void DoOnCountRecords(int& count) override { count = int(Rows.size()); }
    void DoOnGetFieldData(int index, TField* field, QVariant& value) override
    {
        ++GetCalls;
        if (LogReads)
            Log << QStringLiteral("get:%1:%2").arg(index).arg(field->GetFieldName());
        const auto& row = Rows[size_t(index)];
        const size_t column = size_t(field->FieldNo() - 1);
        if (column < row.size())
            value = row[column];
    }
    void DoOnInsertRecord(int index) override
    {
        Log << QStringLiteral("insert:%1").arg(index);
        Rows.insert(Rows.begin() + index, std::vector<QVariant>(size_t(FieldDefs().Count())));
    }
    void DoOnSetFieldData(int index, TField* field, const QVariant& value) override
    {
        Log << QStringLiteral("set:%1:%2=%3").arg(index).arg(field->GetFieldName(), value.toString());
        Rows[size_t(index)][size_t(field->FieldNo() - 1)] = value;
    }
    void DoOnDeleteRecord(int index) override
    {
        Log << QStringLiteral("delete:%1").arg(index);
        Rows.erase(Rows.begin() + index);
    }
};

// Name (wide string 10), Code (string 10), Qty (integer); rows "Alpha".."Echo".
std::unique_ptr<TRowsData> MakeRows()
{
    auto ds = std::make_unique<TRowsData>();
    ds->FieldDefs().Add(QStringLiteral("Name"), ftWideString, 10);
    ds->FieldDefs().Add(QStringLiteral("Code"), ftString, 10);
    ds->FieldDefs().Add(QStringLiteral("Qty"), ftInteger);
    ds->AddRow({QStringLiteral("Alpha"), QStringLiteral("AB-1"), 10});
    ds->AddRow({QStringLiteral("Bravo"), QStringLiteral("AB-2"), 20});
    ds->AddRow({QStringLiteral("Charlie"), QStringLiteral("CD-1"), 30});
    ds->AddRow({QStringLiteral("Delta"), QStringLiteral("CD-2"), 40});
    ds->AddRow({QStringLiteral("Echo"), QVariant(), 50});
    return ds;
}

QString Name(TDataSet& ds) { return ds.FieldByName(QStringLiteral("Name"))->AsString(); }

QString ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return QString();
}

} // namespace

// --- Fetching and caching -------------------------------------------------------------

TEST(CustomDataFetch, EmptyDataSetIsBofAndEofAndLocatesNothingWithoutAskingTheHook)
{
    TRowsData ds;
    ds.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 10);
    ds.Open();
    ds.First();
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), -1);
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_FALSE(ds.Locate(QStringLiteral("Name"), QStringLiteral("x")));
    EXPECT_EQ(ds.GetCalls, 0);
}

TEST(CustomDataFetch, EachFieldIsFetchedOncePerRecordFetch)
{
    auto ds = MakeRows();
    ds->Open();
    ds->Log.clear();
    EXPECT_EQ(Name(*ds), QStringLiteral("Alpha"));
    EXPECT_EQ(Name(*ds), QStringLiteral("Alpha"));
    EXPECT_EQ(ds->FieldByName(QStringLiteral("Qty"))->AsInteger(), 10);
    EXPECT_EQ(ds->Log, QStringList({QStringLiteral("get:0:Name"), QStringLiteral("get:0:Qty")}));

    // Scrolling away and back fetches the record again, and with it its values.
    ds->Next();
    ds->Prior();
    ds->Log.clear();
    EXPECT_EQ(Name(*ds), QStringLiteral("Alpha"));
    EXPECT_EQ(ds->Log, QStringList({QStringLiteral("get:0:Name")}));

    // Refresh re-reads the rows: values changed behind the dataset's back show up.
    ds->Rows[0][0] = QStringLiteral("Alef");
    EXPECT_EQ(Name(*ds), QStringLiteral("Alpha"));
    ds->Refresh();
    EXPECT_EQ(Name(*ds), QStringLiteral("Alef"));
}

TEST(CustomDataFetch, NullFromTheHookIsCachedAsNullNotRefetched)
{
    auto ds = MakeRows();
    ds->Open();
    ds->Last();
    ds->Log.clear();
    TField* code = ds->FieldByName(QStringLiteral("Code"));
    EXPECT_TRUE(code->IsNull());
    EXPECT_FALSE(code->GetValue().isValid());
    EXPECT_TRUE(code->IsNull());
    EXPECT_EQ(ds->Log, QStringList({QStringLiteral("get:4:Code")}));
}

TEST(CustomDataFetch, NewRecordStartsNullAndNeverAsksTheHook)
{
    auto ds = MakeRows();
    ds->Open();
    ds->Append();
    ds->Log.clear();
    EXPECT_TRUE(ds->FieldByName(QStringLiteral("Name"))->IsNull());
    EXPECT_TRUE(ds->FieldByName(QStringLiteral("Qty"))->IsNull());
    EXPECT_TRUE(ds->Log.isEmpty());
    ds->Cancel();
}

TEST(CustomDataFetch, CalculatedFieldsAreNotAskedOfTheHook)
{
    auto ds = MakeRows();
    auto calc = CreateFieldForType(ftInteger);
    calc->SetFieldName(QStringLiteral("Double"));
    calc->SetFieldKind(fkCalculated);
    ds->AddField(std::move(calc));
    ds->OnCalcFields = [](TDataSet* d) {
        d->FieldByName(QStringLiteral("Double"))->SetValue(d->FieldByName(QStringLiteral("Qty"))->AsInteger() * 2);
    };
    ds->Open();
    ds->Next();
    EXPECT_EQ(ds->FieldByName(QStringLiteral("Double"))->AsInteger(), 40);
    for (const QString& entry : ds->Log)
        EXPECT_FALSE(entry.endsWith(QStringLiteral(":Double"))) << entry.toStdString();
}

TEST(CustomDataFetch, StringsAreCutToSizeAndIntegersComeOutAs32Bit)
{
    TRowsData ds;
    ds.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 4);
    ds.FieldDefs().Add(QStringLiteral("Qty"), ftInteger);
    ds.AddRow({QStringLiteral("abcdefghij"), QStringLiteral("42")});
    ds.Open();
    EXPECT_EQ(Name(ds), QStringLiteral("abcd"));
    const QVariant qty = ds.FieldByName(QStringLiteral("Qty"))->GetValue();
    EXPECT_EQ(qty.typeId(), QMetaType::Int);
    EXPECT_EQ(qty.toInt(), 42);
}

TEST(CustomDataFetch, OtherFieldTypesAreRejectedByName)
{
    TRowsData ds;
    ds.FieldDefs().Add(QStringLiteral("Price"), ftFloat);
    ds.AddRow({1.5});
    ds.Open();
    const QString readError = ErrorOf([&] { ds.FieldByName(QStringLiteral("Price"))->GetValue(); });
    EXPECT_TRUE(readError.endsWith(QStringLiteral("Unsupported field type (Float) in field Price")))
        << readError.toStdString();
    EXPECT_TRUE(readError.startsWith(QStringLiteral("Rows"))) << readError.toStdString();
    ds.Edit();
    const QString writeError = ErrorOf([&] { ds.FieldByName(QStringLiteral("Price"))->SetValue(2.5); });
    EXPECT_EQ(writeError, QStringLiteral("Unsupported field type (Float) in field Price"));
    ds.Cancel();

    // The message is the library's assignable text.
    const QString saved = SUnsupportedFieldType;
    SUnsupportedFieldType = QStringLiteral("Type %s of %s not handled");
    const QString translated = ErrorOf([&] { ds.FieldByName(QStringLiteral("Price"))->GetValue(); });
    SUnsupportedFieldType = saved;
    EXPECT_TRUE(translated.endsWith(QStringLiteral("Type Float of Price not handled"))) << translated.toStdString();
}

// --- Posting --------------------------------------------------------------------------------

TEST(CustomDataPost, AppendHandsOverAssignedFieldsInFirstWriteOrder)
{
    auto ds = MakeRows();
    ds->Open();
    ds->Append();
    ds->Log.clear();
    ds->FieldByName(QStringLiteral("Qty"))->SetValue(7);
    ds->FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("Foxtrot"));
    ds->FieldByName(QStringLiteral("Qty"))->SetValue(8);
    ds->Post();
    EXPECT_EQ(ds->Log.mid(0, 3), QStringList({QStringLiteral("insert:5"), QStringLiteral("set:5:Qty=8"),
                                               QStringLiteral("set:5:Name=Foxtrot")}));
    EXPECT_EQ(ds->RecordCount(), 6);
    EXPECT_EQ(ds->RecNo(), 6);
    EXPECT_EQ(Name(*ds), QStringLiteral("Foxtrot"));
    EXPECT_TRUE(ds->Rows[5][1].isNull()); // Code was never assigned
}

TEST(CustomDataPost, InsertPassesTheIndexOfTheRowItWasInsertedBefore)
{
    auto ds = MakeRows();
    ds->Open();
    ds->SetRecNo(3);
    ds->Insert();
    ds->FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("Bravissimo"));
    ds->Log.clear();
    ds->Post();
    EXPECT_EQ(ds->Log.value(0), QStringLiteral("insert:2"));
    EXPECT_EQ(ds->Log.value(1), QStringLiteral("set:2:Name=Bravissimo"));
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_EQ(Name(*ds), QStringLiteral("Bravissimo"));
    ds->Next();
    EXPECT_EQ(Name(*ds), QStringLiteral("Charlie"));
}

TEST(CustomDataPost, InsertIntoAnEmptyDataSetPassesIndexZero)
{
    TRowsData ds;
    ds.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 10);
    ds.Open();
    ds.Insert();
    ds.FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("First"));
    ds.Post();
    EXPECT_EQ(ds.Log, QStringList({QStringLiteral("insert:0"), QStringLiteral("set:0:Name=First")}));
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(Name(ds), QStringLiteral("First"));
}

TEST(CustomDataPost, EditHandsOverOnlyTheModifiedFields)
{
    auto ds = MakeRows();
    ds->Open();
    ds->SetRecNo(4);
    ds->Edit();
    ds->FieldByName(QStringLiteral("Name"))->GetValue(); // read, not written
    ds->FieldByName(QStringLiteral("Code"))->SetValue(QStringLiteral("ZZ"));
    ds->Log.clear();
    ds->Post();
    EXPECT_EQ(ds->Log.value(0), QStringLiteral("set:3:Code=ZZ"));
    EXPECT_FALSE(ds->Log.join(QLatin1Char(' ')).contains(QStringLiteral("set:3:Name")));
    EXPECT_EQ(ds->RecordCount(), 5);
    EXPECT_EQ(ds->Rows[3][1].toString(), QStringLiteral("ZZ"));

    // A second edit starts with an empty list of modified fields; a cancelled edit refetches.
    ds->Edit();
    ds->FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("Changed"));
    ds->Cancel();
    EXPECT_EQ(Name(*ds), QStringLiteral("Delta"));
    ds->Edit();
    ds->Log.clear();
    ds->Post();
    EXPECT_FALSE(ds->Log.join(QLatin1Char(' ')).contains(QStringLiteral("set:")));
    EXPECT_THROW(ds->SetRecordCount(3), EDatabaseError); // fixed while open
}

TEST(CustomDataPost, DeleteForwardsTheIndexAndMovesToTheNextRecord)
{
    auto ds = MakeRows();
    ds->Open();
    ds->SetRecNo(2);
    ds->Log.clear();
    ds->Delete();
    EXPECT_EQ(ds->Log.value(0), QStringLiteral("delete:1"));
    EXPECT_EQ(ds->RecordCount(), 4);
    EXPECT_EQ(Name(*ds), QStringLiteral("Charlie"));
    ds->Last();
    ds->Delete();
    EXPECT_EQ(Name(*ds), QStringLiteral("Delta"));
    EXPECT_EQ(ds->RecordCount(), 3);
}

TEST(CustomDataPost, ReadOnlyDataSetAndFieldsRefuseWrites)
{
    auto ds = MakeRows();
    ds->SetReadOnly(true);
    ds->Open();
    EXPECT_FALSE(ds->CanModify());
    EXPECT_THROW(ds->Edit(), EDatabaseError);
    EXPECT_EQ(ds->State(), dsBrowse);
    ds->Close();
    ds->SetReadOnly(false);
    ds->Open();
    ds->FieldByName(QStringLiteral("Name"))->SetReadOnly(true);
    ds->Edit();
    EXPECT_THROW(ds->FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("x")), EDatabaseError);
    ds->FieldByName(QStringLiteral("Qty"))->SetValue(11);
    ds->Log.clear();
    ds->Post();
    EXPECT_EQ(ds->Log.value(0), QStringLiteral("set:0:Qty=11"));
    EXPECT_EQ(ds->Rows[0][0].toString(), QStringLiteral("Alpha"));
}

// --- Locate and Lookup ------------------------------------------------------------------------

TEST(CustomDataLocate, PartialKeyAppliesToTheLastKeyValueOnly)
{
    auto ds = MakeRows();
    ds->Open();
    const QString keys = QStringLiteral("Code;Name");
    // First key exact, second a prefix: found.
    EXPECT_TRUE(ds->Locate(keys, QVariantList{QStringLiteral("CD-2"), QStringLiteral("Del")}, loPartialKey));
    EXPECT_EQ(Name(*ds), QStringLiteral("Delta"));
    // First key only a prefix: not found, and the current record stays.
    EXPECT_FALSE(ds->Locate(keys, QVariantList{QStringLiteral("CD"), QStringLiteral("Charlie")}, loPartialKey));
    EXPECT_EQ(Name(*ds), QStringLiteral("Delta"));
    // Without loPartialKey a prefix is no match.
    EXPECT_FALSE(ds->Locate(QStringLiteral("Name"), QStringLiteral("Cha")));
    EXPECT_TRUE(ds->Locate(QStringLiteral("Name"), QStringLiteral("Cha"), loPartialKey));
    EXPECT_EQ(Name(*ds), QStringLiteral("Charlie"));
}

TEST(CustomDataLocate, CaseInsensitiveAppliesToStringsOnly)
{
    auto ds = MakeRows();
    ds->Open();
    EXPECT_FALSE(ds->Locate(QStringLiteral("Name"), QStringLiteral("bravo")));
    EXPECT_TRUE(ds->Locate(QStringLiteral("Name"), QStringLiteral("bravo"), loCaseInsensitive));
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_TRUE(ds->Locate(QStringLiteral("Qty"), 40, loCaseInsensitive));
    EXPECT_EQ(Name(*ds), QStringLiteral("Delta"));
    EXPECT_TRUE(ds->Locate(QStringLiteral("Qty"), 30.0, loCaseInsensitive));
    EXPECT_EQ(Name(*ds), QStringLiteral("Charlie"));
    EXPECT_FALSE(ds->Locate(QStringLiteral("Qty"), 31, loCaseInsensitive));
    EXPECT_TRUE(ds->Locate(QStringLiteral("Code;Name"), QVariantList{QVariant(), QStringLiteral("e")},
                           TLocateOptions(loCaseInsensitive) | loPartialKey));
    EXPECT_EQ(Name(*ds), QStringLiteral("Echo"));
}

TEST(CustomDataLocate, LocateRespectsTheRecordFilter)
{
    auto ds = MakeRows();
    ds->Open();
    ds->SetOnFilterRecord([](TDataSet* d, bool& accept) {
        accept = d->FieldByName(QStringLiteral("Qty"))->AsInteger() != 20;
    });
    ds->SetFiltered(true);
    EXPECT_FALSE(ds->Locate(QStringLiteral("Name"), QStringLiteral("Bravo")));
    EXPECT_TRUE(ds->Locate(QStringLiteral("Name"), QStringLiteral("Charlie")));
    ds->First();
    QStringList names;
    for (; !ds->Eof(); ds->Next())
        names << Name(*ds);
    EXPECT_EQ(names, QStringList({"Alpha", "Charlie", "Delta", "Echo"}));

    ds->SetFilter(QStringLiteral("Qty >= 40"));
    ds->First();
    EXPECT_EQ(Name(*ds), QStringLiteral("Delta"));
}

TEST(CustomDataLocate, LookupLeavesTheCurrentRecord)
{
    auto ds = MakeRows();
    ds->Open();
    ds->SetRecNo(2);
    EXPECT_EQ(ds->Lookup(QStringLiteral("Code"), QStringLiteral("CD-2"), QStringLiteral("Name")).toString(),
              QStringLiteral("Delta"));
    const QVariant both = ds->Lookup(QStringLiteral("Qty"), 30, QStringLiteral("Name;Code"));
    EXPECT_EQ(both.toList(), QVariantList({QStringLiteral("Charlie"), QStringLiteral("CD-1")}));
    EXPECT_FALSE(ds->Lookup(QStringLiteral("Qty"), 99, QStringLiteral("Name")).isValid());
    EXPECT_EQ(Name(*ds), QStringLiteral("Bravo"));
    ds->Next();
    EXPECT_EQ(Name(*ds), QStringLiteral("Charlie"));
}

// --- Bookmarks and record numbers -------------------------------------------------------------

TEST(CustomDataBookmarks, ComparisonRules)
{
    auto ds = MakeRows();
    ds->Open();
    const TBookmark first = ds->GetBookmark();
    ds->SetRecNo(4);
    const TBookmark fourth = ds->GetBookmark();
    EXPECT_EQ(ds->CompareBookmarks(TBookmark(), TBookmark()), 0);
    EXPECT_EQ(ds->CompareBookmarks(TBookmark(), fourth), 1);
    EXPECT_EQ(ds->CompareBookmarks(fourth, TBookmark()), -1);
    EXPECT_LT(ds->CompareBookmarks(first, fourth), 0);
    EXPECT_GT(ds->CompareBookmarks(fourth, first), 0);
    EXPECT_EQ(ds->CompareBookmarks(fourth, ds->GetBookmark()), 0);

    ds->GotoBookmark(first);
    EXPECT_EQ(Name(*ds), QStringLiteral("Alpha"));
    ds->GotoBookmark(fourth);
    EXPECT_EQ(Name(*ds), QStringLiteral("Delta"));
}

TEST(CustomDataBookmarks, ABookmarkIsTheRecordIndex)
{
    auto ds = MakeRows();
    ds->Open();
    ds->Last();
    const TBookmark last = ds->GetBookmark();
    EXPECT_TRUE(ds->BookmarkValid(last));
    ds->Delete();
    // Index 4 no longer exists.
    EXPECT_FALSE(ds->BookmarkValid(last));
    EXPECT_THROW(ds->GotoBookmark(last), EDatabaseError);
    EXPECT_EQ(Name(*ds), QStringLiteral("Delta"));
}

TEST(CustomDataBookmarks, RecNoFollowsTheCursorAndSetRecNoMoves)
{
    auto ds = MakeRows();
    ds->Open();
    EXPECT_EQ(ds->RecNo(), 1);
    ds->MoveBy(3);
    EXPECT_EQ(ds->RecNo(), 4);
    int scrolls = 0;
    ds->AfterScroll = [&scrolls](TDataSet*) { ++scrolls; };
    ds->SetRecNo(4);
    EXPECT_EQ(scrolls, 0);
    ds->SetRecNo(2);
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(Name(*ds), QStringLiteral("Bravo"));
    ds->Append();
    EXPECT_EQ(ds->RecNo(), -1);
    ds->Cancel();
}

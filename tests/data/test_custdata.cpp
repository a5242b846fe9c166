// TZDBCustomData: hook calls, value caching, posting protocol, locate rules, bookmarks.

#include "ZDBCustData.h"

#include <QRegularExpression>

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
    QVariant RejectValue; // DoOnSetFieldData raises for this value
    int FailReads = 0;    // DoOnGetFieldData raises this many times

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
        if (FailReads > 0) {
            --FailReads;
            value = QStringLiteral("half-read");
            DatabaseError(QStringLiteral("Value not available"));
        }
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
        if (!RejectValue.isNull() && value == RejectValue)
            DatabaseError(QStringLiteral("Value refused"));
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

    // A read the hook fails caches nothing: the next read asks again.
    ds->Next();
    ds->FailReads = 1;
    ds->Log.clear();
    EXPECT_THROW(Name(*ds), EDatabaseError);
    EXPECT_EQ(Name(*ds), QStringLiteral("Bravo"));
    EXPECT_EQ(ds->Log, QStringList({QStringLiteral("get:1:Name"), QStringLiteral("get:1:Name")}));
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

TEST(CustomDataFetch, UnknownTypesRaiseThePlatformsErrorAndNullsOfAnyTypeReadAsNull)
{
    TRowsData ds;
    ds.FieldDefs().Add(QStringLiteral("Thing"), ftUnknown);
    ds.FieldDefs().Add(QStringLiteral("Price"), ftFloat);
    ds.FieldDefs().Add(QStringLiteral("Code"), ftFixedChar, 3);
    ds.AddRow({QStringLiteral("x"), 1.5, QStringLiteral("ABCDE")});
    ds.AddRow({QVariant(), QVariant(), QVariant()});
    ds.Open();
    const QString error = ErrorOf([&] { ds.FieldByName(QStringLiteral("Thing"))->GetValue(); });
    EXPECT_TRUE(error.endsWith(QStringLiteral("Field 'Thing' is of an unknown type"))) << error.toStdString();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Code"))->AsString(), QStringLiteral("ABC"));
    // Outside an edit nothing is written, whatever the type.
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName(QStringLiteral("Code"))->SetValue(QStringLiteral("Z")); }).right(SNotEditing.size()),
              SNotEditing);

    // A null value is no value to convert: it reads as null in every type.
    ds.Next();
    for (const char* name : {"Thing", "Price", "Code"})
        EXPECT_TRUE(ds.FieldByName(QLatin1String(name))->IsNull()) << name;
    ds.Edit();
    ds.FieldByName(QStringLiteral("Price"))->Clear();
    ds.Log.clear();
    ds.Post();
    EXPECT_EQ(ds.Log.filter(QStringLiteral("set:")), QStringList({"set:1:Price="}));
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

    // After an insert before it, a bookmark names the record that moved to its index.
    ds->SetRecNo(3);
    const TBookmark third = ds->GetBookmark();
    ds->First();
    ds->Insert();
    ds->FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("New"));
    ds->Post();
    ds->GotoBookmark(third);
    EXPECT_EQ(Name(*ds), QStringLiteral("Bravo"));
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

// --- The hook protocol over a window of records and at scale ----------------------------------

namespace {

// The "get:" entries of a log.
QStringList Gets(const QStringList& log)
{
    return log.filter(QRegularExpression(QStringLiteral("^get:")));
}

// Reads every field of every record in a link's window.
void ReadWindow(TDataLink& link, TDataSet& ds)
{
    const int saved = link.ActiveRecord();
    for (int row = 0; row < link.RecordCount(); ++row) {
        link.SetActiveRecord(row);
        for (const auto& field : ds.Fields())
            field->GetValue();
    }
    link.SetActiveRecord(saved);
}

// Records 0 .. Count-1 whose Id is index + 1 and whose Name is "N<index>", counting the hook's calls.
class TCountingData : public TZDBCustomData {
public:
    int Count = 0;
    qint64 GetCalls = 0;
    int HighestIndex = -1;

    explicit TCountingData(int count) : Count(count)
    {
        FieldDefs().Add(QStringLiteral("Id"), ftInteger);
        FieldDefs().Add(QStringLiteral("Name"), ftWideString, 12);
    }
    ~TCountingData() override { Close(); }

protected:
    void DoOnCountRecords(int& count) override { count = Count; }
    void DoOnGetFieldData(int index, TField* field, QVariant& value) override
    {
        ++GetCalls;
        HighestIndex = std::max(HighestIndex, index);
        if (field->FieldNo() == 1)
            value = index + 1;
        else
            value = QStringLiteral("N%1").arg(index);
    }
};

} // namespace

TEST(CustomDataProtocol, AWindowOfRecordsFetchesEachFieldOnceAndScrollingFetchesOnlyTheNewRecord)
{
    auto ds = MakeRows();
    TDataSource source;
    source.SetDataSet(ds.get());
    TDataLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(3);
    ds->Open();
    EXPECT_TRUE(Gets(ds->Log).isEmpty()); // nothing is read before a field is
    ReadWindow(link, *ds);
    ReadWindow(link, *ds);
    QStringList expected;
    for (int index = 0; index < 3; ++index)
        for (const char* name : {"Name", "Code", "Qty"})
            expected << QStringLiteral("get:%1:%2").arg(index).arg(QLatin1String(name));
    EXPECT_EQ(Gets(ds->Log), expected);

    // Moving inside the window fetches nothing; moving past its end fetches only the record it brings in.
    ds->Log.clear();
    ds->Next();
    ds->Next();
    ReadWindow(link, *ds);
    EXPECT_TRUE(Gets(ds->Log).isEmpty()) << ds->Log.join(QLatin1Char(' ')).toStdString();
    ds->Next();
    ReadWindow(link, *ds);
    EXPECT_EQ(Gets(ds->Log), QStringList({"get:3:Name", "get:3:Code", "get:3:Qty"}));
    EXPECT_EQ(Name(*ds), QStringLiteral("Delta"));
}

TEST(CustomDataProtocol, LocateAndLookupAskOnlyForTheKeyFieldsUpToTheRecordFound)
{
    auto ds = MakeRows();
    ds->Open();
    ds->Last();
    ds->Log.clear();
    ASSERT_TRUE(ds->Locate(QStringLiteral("Code"), QStringLiteral("cd"), TLocateOptions(loCaseInsensitive) | loPartialKey));
    EXPECT_EQ(Gets(ds->Log), QStringList({"get:0:Code", "get:1:Code", "get:2:Code"}));
    EXPECT_EQ(ds->RecNo(), 3);

    ds->Log.clear();
    EXPECT_EQ(ds->Lookup(QStringLiteral("Qty"), 20, QStringLiteral("Name")).toString(), QStringLiteral("Bravo"));
    EXPECT_EQ(Gets(ds->Log), QStringList({"get:0:Qty", "get:1:Qty", "get:1:Name"}));
    EXPECT_EQ(ds->RecNo(), 3);
}

TEST(CustomDataProtocol, TenMillionRecordsOpenGoLastAndLocateReadingOnlyWhatIsShownOrScanned)
{
    TCountingData ds(10'000'000);
    TDataSource source;
    source.SetDataSet(&ds);
    TDataLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(30);
    ds.Open();
    ReadWindow(link, ds);
    EXPECT_EQ(ds.GetCalls, 60);
    ds.Last();
    ReadWindow(link, ds);
    EXPECT_EQ(ds.RecNo(), 10'000'000);
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Id"))->AsInteger(), 10'000'000);
    EXPECT_EQ(ds.GetCalls, 120);
    const TBookmark last = ds.GetBookmark();

    ds.GetCalls = 0;
    ds.HighestIndex = -1;
    ASSERT_TRUE(ds.Locate(QStringLiteral("Name"), QStringLiteral("n1000"), loCaseInsensitive));
    EXPECT_EQ(ds.RecNo(), 1001);
    EXPECT_EQ(ds.GetCalls, 1001); // the key field of records 0 .. 1000
    EXPECT_EQ(ds.HighestIndex, 1000);

    ds.GotoBookmark(last);
    EXPECT_EQ(ds.RecNo(), 10'000'000);
    ds.SetRecNo(5'000'000);
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("N4999999"));
}

TEST(CustomDataProtocol, AWriteRefusedAtPostKeepsTheEditPendingAndTheRecordsInStep)
{
    auto ds = MakeRows();
    ds->RejectValue = QStringLiteral("Bad");
    ds->Open();
    ds->SetRecNo(3);
    ds->Insert();
    ds->FieldByName(QStringLiteral("Qty"))->SetValue(33);
    ds->FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("Bad"));
    ds->Log.clear();
    EXPECT_THROW(ds->Post(), EDatabaseError);
    EXPECT_EQ(ds->Log, QStringList({"insert:2", "set:2:Qty=33", "set:2:Name=Bad", "delete:2"}));
    EXPECT_EQ(ds->State(), dsInsert);
    EXPECT_EQ(ds->Rows.size(), 5u);
    EXPECT_EQ(ds->RecordCount(), 5);
    EXPECT_EQ(ds->FieldByName(QStringLiteral("Qty"))->AsInteger(), 33);

    // Posting again with an accepted value inserts one record, with both values.
    ds->FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("Good"));
    ds->Post();
    EXPECT_EQ(ds->Rows.size(), 6u);
    EXPECT_EQ(ds->RecordCount(), 6);
    EXPECT_EQ(Name(*ds), QStringLiteral("Good"));
    EXPECT_EQ(ds->FieldByName(QStringLiteral("Qty"))->AsInteger(), 33);
    ds->Next();
    EXPECT_EQ(Name(*ds), QStringLiteral("Charlie"));
    ds->Last();
    EXPECT_EQ(Name(*ds), QStringLiteral("Echo"));

    // A refused edit stays pending too; posting again hands over every modified field.
    ds->Edit();
    ds->FieldByName(QStringLiteral("Code"))->SetValue(QStringLiteral("E-5"));
    ds->FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("Bad"));
    EXPECT_THROW(ds->Post(), EDatabaseError);
    EXPECT_EQ(ds->State(), dsEdit);
    ds->FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("Echoed"));
    ds->Log.clear();
    ds->Post();
    EXPECT_EQ(ds->Log.filter(QRegularExpression(QStringLiteral("^set:"))),
              QStringList({"set:5:Code=E-5", "set:5:Name=Echoed"}));
}

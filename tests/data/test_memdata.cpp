// TZMemDataSet: navigation through a data link's window, ordering by indexes while
// editing, filters, bookmarks, files and a million rows.

#include "ZDBMemData.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>

using namespace zdb;

namespace {

// Id (creation sequence), Name, Amount.
struct TRowModel {
    int Id;
    QString Name;
    double Amount;
};

class TTable {
public:
    TZMemDataSet Data;
    TDataSource Source;
    TDataLink Link;
    int NextId = 1;

    explicit TTable(int bufferCount = 10)
    {
        Data.setObjectName(QStringLiteral("Table"));
        Data.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
        Data.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 30);
        Data.FieldDefs().Add(QStringLiteral("Amount"), ftFloat);
        Data.CreateDataSet();
        Source.SetDataSet(&Data);
        Link.SetBufferCount(bufferCount);
        Link.SetDataSource(&Source);
    }

    void Append(const QString& name, double amount)
    {
        Data.Append();
        Data.FieldByName(QStringLiteral("Id"))->SetValue(NextId++);
        Data.FieldByName(QStringLiteral("Name"))->SetValue(name);
        Data.FieldByName(QStringLiteral("Amount"))->SetValue(amount);
        Data.Post();
    }

    int Id() const { return Data.FieldByName(QStringLiteral("Id"))->AsInteger(); }

    // Ids of all records in view order; the current record is kept.
    std::vector<int> Ids()
    {
        std::vector<int> ids;
        const TBookmark current = Data.GetBookmark();
        TDataSetControlsGuard guard(&Data);
        for (Data.First(); !Data.Eof(); Data.Next())
            ids.push_back(Id());
        if (!current.isEmpty())
            Data.GotoBookmark(current);
        return ids;
    }

    // Ids in the link's window, read as a grid reads them.
    std::vector<int> WindowIds()
    {
        std::vector<int> ids;
        const int saved = Link.ActiveRecord();
        for (int i = 0; i < Link.RecordCount(); ++i) {
            Link.SetActiveRecord(i);
            ids.push_back(Id());
        }
        Link.SetActiveRecord(saved);
        return ids;
    }
};

QString ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return QString();
}

// The expected order of rows under sort parts (field index, descending, case-insensitive),
// ties in creation order.
struct TSortPart {
    int Field; // 0 Id, 1 Name, 2 Amount
    bool Desc = false;
    bool CaseIns = false;
};

std::vector<int> ExpectedOrder(std::vector<TRowModel> rows, const std::vector<TSortPart>& parts)
{
    std::stable_sort(rows.begin(), rows.end(), [&](const TRowModel& a, const TRowModel& b) {
        for (const TSortPart& part : parts) {
            int c = 0;
            if (part.Field == 0)
                c = a.Id < b.Id ? -1 : (a.Id > b.Id ? 1 : 0);
            else if (part.Field == 1)
                c = QString::compare(a.Name, b.Name, part.CaseIns ? Qt::CaseInsensitive : Qt::CaseSensitive);
            else
                c = a.Amount < b.Amount ? -1 : (a.Amount > b.Amount ? 1 : 0);
            if (c != 0)
                return part.Desc ? c > 0 : c < 0;
        }
        return a.Id < b.Id;
    });
    std::vector<int> ids;
    for (const TRowModel& row : rows)
        ids.push_back(row.Id);
    return ids;
}

// A window must show consecutive records of the view around the current record.
void ExpectWindowConsistent(TTable& t, const std::vector<int>& order, int currentId)
{
    const std::vector<int> window = t.WindowIds();
    ASSERT_FALSE(window.empty());
    ASSERT_GE(t.Link.ActiveRecord(), 0);
    ASSERT_LT(t.Link.ActiveRecord(), int(window.size()));
    EXPECT_EQ(window[size_t(t.Link.ActiveRecord())], currentId);
    const auto start = std::find(order.begin(), order.end(), window.front());
    ASSERT_NE(start, order.end());
    ASSERT_LE(size_t(order.end() - start), order.size());
    ASSERT_GE(size_t(order.end() - start), window.size());
    EXPECT_TRUE(std::equal(window.begin(), window.end(), start)) << "window is not a run of the view";
    EXPECT_EQ(int(window.size()), std::min(10, int(order.size())));
}

} // namespace

// --- Navigation through the buffer ring -----------------------------------------------------

TEST(MemDataRing, WalkingAHundredRecordsThroughATenRowWindow)
{
    TTable t;
    for (int i = 1; i <= 100; ++i)
        t.Append(QStringLiteral("N%1").arg(i, 3, 10, QLatin1Char('0')), i);
    t.Data.First();
    ASSERT_EQ(t.Link.RecordCount(), 10);
    EXPECT_EQ(t.Data.RecordCount(), 100);
    for (int expected = 1; expected <= 100; ++expected) {
        ASSERT_EQ(t.Id(), expected);
        EXPECT_EQ(t.Data.RecNo(), expected);
        EXPECT_EQ(t.Link.ActiveRecord(), std::min(expected - 1, 9));
        const std::vector<int> window = t.WindowIds();
        for (size_t i = 1; i < window.size(); ++i)
            ASSERT_EQ(window[i], window[i - 1] + 1);
        t.Data.Next();
    }
    EXPECT_TRUE(t.Data.Eof());
    EXPECT_EQ(t.Link.ActiveRecord(), 9);

    for (int expected = 100; expected >= 1; --expected) {
        ASSERT_EQ(t.Id(), expected);
        t.Data.Prior();
    }
    EXPECT_TRUE(t.Data.Bof());
    EXPECT_EQ(t.Link.ActiveRecord(), 0);

    EXPECT_EQ(t.Data.MoveBy(25), 25);
    EXPECT_EQ(t.Id(), 26);
    EXPECT_EQ(t.Link.ActiveRecord(), 9);
    EXPECT_EQ(t.Data.MoveBy(-7), -7);
    EXPECT_EQ(t.Id(), 19);
    EXPECT_EQ(t.Link.ActiveRecord(), 2);
    EXPECT_EQ(t.Data.MoveBy(1000), 81);
    EXPECT_TRUE(t.Data.Eof());
    t.Data.Last();
    EXPECT_EQ(t.Id(), 100);
    EXPECT_EQ(t.Data.RecNo(), 100);
    EXPECT_EQ(t.Link.ActiveRecord(), 9);
    EXPECT_EQ(t.WindowIds().front(), 91);
    t.Data.First();
    EXPECT_EQ(t.Id(), 1);
    EXPECT_EQ(t.Link.ActiveRecord(), 0);
    EXPECT_EQ(t.WindowIds().back(), 10);

    t.Data.SetRecNo(50);
    EXPECT_EQ(t.Id(), 50);
    ExpectWindowConsistent(t, t.Ids(), 50);
}

TEST(MemDataRing, BookmarksAcrossTheWindowAndAcrossChanges)
{
    TTable t;
    for (int i = 1; i <= 100; ++i)
        t.Append(QStringLiteral("N%1").arg(i), 100 - i);
    t.Data.SetRecNo(5);
    const TBookmark five = t.Data.GetBookmark();
    t.Data.SetRecNo(80);
    const TBookmark eighty = t.Data.GetBookmark();
    EXPECT_LT(t.Data.CompareBookmarks(five, eighty), 0);

    t.Data.GotoBookmark(five);
    EXPECT_EQ(t.Id(), 5);
    ExpectWindowConsistent(t, t.Ids(), 5);

    // Deleting and inserting rows before the bookmarked ones does not disturb them.
    t.Data.First();
    t.Data.Delete();
    t.Data.Insert();
    t.Data.FieldByName(QStringLiteral("Id"))->SetValue(1000);
    t.Data.Post();
    EXPECT_TRUE(t.Data.BookmarkValid(eighty));
    t.Data.GotoBookmark(eighty);
    EXPECT_EQ(t.Id(), 80);
    EXPECT_EQ(t.Data.RecNo(), 80);

    // Re-sorting reverses the rows, not the order of their bookmarks (the rows' identity);
    // the bookmarks still find their rows.
    t.Data.SetIndexFieldNames(QStringLiteral("Amount"));
    EXPECT_LT(t.Data.CompareBookmarks(five, eighty), 0);
    t.Data.GotoBookmark(five);
    EXPECT_EQ(t.Id(), 5);
    ExpectWindowConsistent(t, t.Ids(), 5);

    // A deleted row's bookmark is no longer valid.
    t.Data.Delete();
    EXPECT_FALSE(t.Data.BookmarkValid(five));
    EXPECT_THROW(t.Data.GotoBookmark(five), EDatabaseError);
}

// --- Ordering under edits ------------------------------------------------------------------------

class MemDataOrder : public ::testing::Test {
protected:
    TTable t;
    std::vector<TRowModel> model;

    void SetUp() override
    {
        const QStringList names = {"delta", "Alpha", "charlie", "Bravo", "alpha", "Echo", "bravo", "Delta",
                                   "alpha", "Charlie", "echo", "Bravo"};
        QRandomGenerator random(42);
        for (int i = 0; i < 36; ++i) {
            const QString name = names[i % names.size()];
            const double amount = double(random.bounded(5)) * 10;
            model.push_back({t.NextId, name, amount});
            t.Append(name, amount);
        }
    }

    TRowModel* Find(int id)
    {
        for (TRowModel& row : model)
            if (row.Id == id)
                return &row;
        return nullptr;
    }

    // Runs edits under an order and checks the view and the cursor after each.
    void Exercise(const QString& indexFieldNames, const std::vector<TSortPart>& parts)
    {
        if (!indexFieldNames.isEmpty())
            t.Data.SetIndexFieldNames(indexFieldNames);
        ASSERT_EQ(t.Ids(), ExpectedOrder(model, parts));

        // Edit the record at position 7 so that it moves.
        t.Data.SetRecNo(7);
        int id = t.Id();
        t.Data.Edit();
        t.Data.FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("Bz"));
        t.Data.FieldByName(QStringLiteral("Amount"))->SetValue(25.0);
        t.Data.Post();
        Find(id)->Name = QStringLiteral("Bz");
        Find(id)->Amount = 25.0;
        std::vector<int> expected = ExpectedOrder(model, parts);
        ASSERT_EQ(t.Ids(), expected);
        EXPECT_EQ(t.Id(), id) << "the cursor follows the posted record";
        EXPECT_EQ(t.Data.RecNo(), int(std::find(expected.begin(), expected.end(), id) - expected.begin()) + 1);
        ExpectWindowConsistent(t, expected, id);

        // Insert in the middle, append at the end: both go to their sorted places.
        t.Data.SetRecNo(3);
        t.Data.Insert();
        id = t.NextId++;
        t.Data.FieldByName(QStringLiteral("Id"))->SetValue(id);
        t.Data.FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("CHARLIE"));
        t.Data.FieldByName(QStringLiteral("Amount"))->SetValue(0.0);
        t.Data.Post();
        model.push_back({id, QStringLiteral("CHARLIE"), 0.0});
        expected = ExpectedOrder(model, parts);
        if (!indexFieldNames.isEmpty()) {
            ASSERT_EQ(t.Ids(), expected);
        }
        EXPECT_EQ(t.Id(), id);
        t.Append(QStringLiteral("able"), 45.0);
        model.push_back({t.NextId - 1, QStringLiteral("able"), 45.0});
        EXPECT_EQ(t.Id(), t.NextId - 1);

        // Cancel leaves everything as it was.
        const std::vector<int> before = t.Ids();
        t.Data.SetRecNo(10);
        id = t.Id();
        t.Data.Edit();
        t.Data.FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("zzz"));
        t.Data.Cancel();
        EXPECT_EQ(t.Ids(), before);
        EXPECT_EQ(t.Id(), id);
        EXPECT_EQ(t.Data.RecNo(), 10);

        // Delete moves to the record that followed.
        const std::vector<int> order = t.Ids();
        t.Data.SetRecNo(12);
        id = t.Id();
        t.Data.Delete();
        model.erase(std::remove_if(model.begin(), model.end(), [id](const TRowModel& r) { return r.Id == id; }),
                    model.end());
        EXPECT_EQ(t.Id(), order[12]);
        EXPECT_EQ(t.Data.RecNo(), 12);
        if (!indexFieldNames.isEmpty()) {
            EXPECT_EQ(t.Ids(), ExpectedOrder(model, parts));
        }
        EXPECT_EQ(t.Data.RecordCount(), int(model.size()));
    }
};

TEST_F(MemDataOrder, Ascending)
{
    Exercise(QStringLiteral("Name"), {{1}});
}

TEST_F(MemDataOrder, Descending)
{
    Exercise(QStringLiteral("Name DESC"), {{1, true}});
}

TEST_F(MemDataOrder, MultiFieldMixedDirections)
{
    Exercise(QStringLiteral("Amount DESC;Name"), {{2, true}, {1}});
}

TEST_F(MemDataOrder, CaseInsensitiveIndexDefinition)
{
    t.Data.AddIndex(QStringLiteral("ByName"), QStringLiteral("Name;Amount"), ixCaseInsensitive,
                    QStringLiteral("Amount"));
    t.Data.SetIndexName(QStringLiteral("ByName"));
    Exercise(QString(), {{1, false, true}, {2, true}});
}

TEST_F(MemDataOrder, PlacementOrderWithoutIndex)
{
    // Without an index, Insert places the row before the current one.
    t.Data.SetRecNo(4);
    const int before = t.Id();
    t.Data.Insert();
    t.Data.FieldByName(QStringLiteral("Id"))->SetValue(999);
    t.Data.Post();
    std::vector<int> ids = t.Ids();
    EXPECT_EQ(ids[3], 999);
    EXPECT_EQ(ids[4], before);
    EXPECT_EQ(t.Data.RecNo(), 4);

    // Sorting and clearing the sort brings the placement order back.
    t.Data.SetIndexFieldNames(QStringLiteral("Amount"));
    EXPECT_NE(t.Ids(), ids);
    t.Data.SetIndexFieldNames(QString());
    EXPECT_EQ(t.Ids(), ids);
}

TEST_F(MemDataOrder, SwitchingTheIndexKeepsTheCurrentRecord)
{
    t.Data.AddIndex(QStringLiteral("ByAmount"), QStringLiteral("Amount;Name"), ixDescending);
    t.Data.SetRecNo(17);
    const int id = t.Id();
    t.Data.SetIndexFieldNames(QStringLiteral("Name"));
    EXPECT_EQ(t.Id(), id);
    ExpectWindowConsistent(t, t.Ids(), id);
    t.Data.SetIndexName(QStringLiteral("ByAmount"));
    EXPECT_EQ(t.Id(), id);
    EXPECT_TRUE(t.Data.GetIndexFieldNames().isEmpty());
    EXPECT_EQ(t.Ids(), ExpectedOrder(model, {{2, true}, {1, true}}));
    t.Data.SetIndexFieldNames(QStringLiteral("Id DESC"));
    EXPECT_TRUE(t.Data.GetIndexName().isEmpty());
    EXPECT_EQ(t.Id(), id);
    EXPECT_EQ(t.Ids().front(), 36);

    // The grid sets the order by property name; a bad field leaves the old order.
    EXPECT_TRUE(t.Data.setProperty("IndexFieldNames", QStringLiteral("Name;Amount DESC")));
    EXPECT_EQ(t.Data.property("IndexFieldNames").toString(), QStringLiteral("Name;Amount DESC"));
    EXPECT_EQ(t.Ids(), ExpectedOrder(model, {{1}, {2, true}}));
    EXPECT_THROW(t.Data.SetIndexFieldNames(QStringLiteral("Nope")), EDatabaseError);
    EXPECT_EQ(t.Data.GetIndexFieldNames(), QStringLiteral("Name;Amount DESC"));
    EXPECT_EQ(t.Ids(), ExpectedOrder(model, {{1}, {2, true}}));
    EXPECT_THROW(t.Data.SetIndexName(QStringLiteral("Missing")), EDatabaseError);
    EXPECT_EQ(t.Data.GetIndexFieldNames(), QStringLiteral("Name;Amount DESC"));

    // Deleting the active index returns to placement order.
    t.Data.SetIndexName(QStringLiteral("ByAmount"));
    t.Data.DeleteIndex(QStringLiteral("ByAmount"));
    EXPECT_TRUE(t.Data.GetIndexName().isEmpty());
    EXPECT_EQ(t.Ids(), ExpectedOrder(model, {}));
    EXPECT_EQ(t.Id(), id);
}

TEST_F(MemDataOrder, UniqueIndexRejectsDuplicatesAndKeepsThePendingEdit)
{
    EXPECT_THROW(t.Data.AddIndex(QStringLiteral("UName"), QStringLiteral("Name"), ixUnique), EDatabaseError);
    EXPECT_EQ(t.Data.IndexDefs().Count(), 0);
    t.Data.AddIndex(QStringLiteral("UId"), QStringLiteral("Id"), ixUnique);
    const std::vector<int> before = t.Ids();

    t.Data.Append();
    t.Data.FieldByName(QStringLiteral("Id"))->SetValue(3);
    const QString error = ErrorOf([&] { t.Data.Post(); });
    EXPECT_TRUE(error.contains(QStringLiteral("Key violation"))) << error.toStdString();
    EXPECT_EQ(t.Data.State(), dsInsert);
    EXPECT_EQ(t.Data.FieldByName(QStringLiteral("Id"))->AsInteger(), 3);
    t.Data.FieldByName(QStringLiteral("Id"))->SetValue(500);
    t.Data.Post();
    EXPECT_EQ(t.Data.RecordCount(), 37);

    t.Data.SetRecNo(2);
    t.Data.Edit();
    t.Data.FieldByName(QStringLiteral("Id"))->SetValue(500);
    EXPECT_THROW(t.Data.Post(), EDatabaseError);
    EXPECT_EQ(t.Data.State(), dsEdit);
    t.Data.Cancel();
    EXPECT_EQ(t.Id(), 2);
    // Posting a record with its own unchanged key is no violation.
    t.Data.Edit();
    t.Data.FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("renamed"));
    t.Data.Post();
    EXPECT_EQ(t.Id(), 2);
}

// Sorting a whole view (index switch, filter) against a reference ordering: nulls first,
// strings by UTF-16 code units (short ones, long shared prefixes, surrogates, mixed case),
// ties in creation order although the placement order differs from it.
TEST(MemDataSort, SortedViewMatchesAReferenceOrdering)
{
    TZMemDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 30);
    ds.FieldDefs().Add(QStringLiteral("Amount"), ftFloat);
    ds.FieldDefs().Add(QStringLiteral("Day"), ftDate);
    ds.FieldDefs().Add(QStringLiteral("Stamp"), ftDateTime);
    ds.CreateDataSet();
    const QStringList names = {QStringLiteral("abc"), QStringLiteral("ABC"), QStringLiteral("abcd"),
                               QStringLiteral("abcdX"), QStringLiteral("abcdx"), QStringLiteral("ABCDx"),
                               QStringLiteral("a"), QStringLiteral(""), QStringLiteral("b"),
                               QString::fromUtf16(u"ab\uFFFF"), QString::fromUtf16(u"ab\U0001F600"),
                               QString::fromUtf16(u"\u00e9t\u00e9"), QString::fromUtf16(u"\u00c9T\u00c9")};
    QRandomGenerator random(2024);
    auto maybe = [&](const QVariant& value) { return random.bounded(6) == 0 ? QVariant() : value; };
    std::vector<QVariantList> rows; // by Id - 1: Id, Name, Amount, Day, Stamp
    for (int id = 1; id <= 500; ++id) {
        const QVariantList row = {id, maybe(names[random.bounded(int(names.size()))]), maybe(random.bounded(4) * 2.5),
                                  maybe(QDate(2020, 1, 1).addDays(random.bounded(5))),
                                  maybe(QDateTime(QDate(2021, 1, 1), QTime(random.bounded(3), 0)))};
        if (id % 3 == 0)
            ds.Insert(); // before the current record: placement order is not creation order
        else
            ds.Append();
        for (int f = 0; f < row.size(); ++f)
            ds.Fields()[f]->SetValue(row[f]);
        ds.Post();
        rows.push_back(row);
    }
    ds.AddIndex(QStringLiteral("CI"), QStringLiteral("Name;Day"), {}, QStringLiteral("Name"), QStringLiteral("Name"));
    ds.AddIndex(QStringLiteral("AllCI"), QStringLiteral("Name;Id"), TIndexOptions(ixCaseInsensitive) | ixDescending);

    struct TPart { int Field; bool Desc; bool CaseIns; };
    auto expected = [&](const std::vector<TPart>& parts, const std::function<bool(const QVariantList&)>& keep) {
        std::vector<QVariantList> sorted;
        std::copy_if(rows.begin(), rows.end(), std::back_inserter(sorted), keep);
        std::stable_sort(sorted.begin(), sorted.end(), [&](const QVariantList& a, const QVariantList& b) {
            for (const TPart& part : parts) {
                const QVariant& x = a[part.Field];
                const QVariant& y = b[part.Field];
                int c = 0;
                if (x.isNull() || y.isNull())
                    c = int(!x.isNull()) - int(!y.isNull());
                else if (x.typeId() == QMetaType::QString)
                    c = QString::compare(x.toString(), y.toString(), part.CaseIns ? Qt::CaseInsensitive : Qt::CaseSensitive);
                else
                    c = QVariant::compare(x, y) == QPartialOrdering::Less ? -1 : QVariant::compare(x, y) == QPartialOrdering::Greater ? 1 : 0;
                if (c != 0)
                    return part.Desc ? c > 0 : c < 0;
            }
            return false;
        });
        std::vector<int> ids;
        for (const QVariantList& row : sorted)
            ids.push_back(row[0].toInt());
        return ids;
    };
    auto actual = [&] {
        std::vector<int> ids;
        for (ds.First(); !ds.Eof(); ds.Next())
            ids.push_back(ds.Fields()[0]->AsInteger());
        return ids;
    };
    struct TCase { QString order; std::vector<TPart> parts; };
    const std::vector<TCase> cases = {
        {QStringLiteral("Name"), {{1, false, false}}},
        {QStringLiteral("Name DESC"), {{1, true, false}}},
        {QStringLiteral("Name;Amount DESC;Day"), {{1, false, false}, {2, true, false}, {3, false, false}}},
        {QStringLiteral("Amount DESC;Name"), {{2, true, false}, {1, false, false}}},
        {QStringLiteral("Day;Name DESC"), {{3, false, false}, {1, true, false}}},
        {QStringLiteral("Stamp DESC"), {{4, true, false}}},
        {QStringLiteral("Id DESC"), {{0, true, false}}},
        {QStringLiteral("@CI"), {{1, true, true}, {3, false, false}}},
        {QStringLiteral("@AllCI"), {{1, true, true}, {0, true, false}}},
    };
    const auto all = [](const QVariantList&) { return true; };
    for (const TCase& c : cases) {
        if (c.order.startsWith(QLatin1Char('@')))
            ds.SetIndexName(c.order.mid(1));
        else
            ds.SetIndexFieldNames(c.order);
        EXPECT_EQ(actual(), expected(c.parts, all)) << c.order.toStdString();
    }
    // A filter rebuilds and sorts the view under the active index.
    ds.SetIndexFieldNames(QStringLiteral("Name DESC;Amount"));
    ds.SetFilter(QStringLiteral("Amount >= 5"));
    ds.SetFiltered(true);
    EXPECT_EQ(actual(), expected({{1, true, false}, {2, false, false}}, [](const QVariantList& row) {
                  return !row[2].isNull() && row[2].toDouble() >= 5;
              }));
}

// --- Filters -------------------------------------------------------------------------------

TEST(MemDataFilter, ExpressionFilterIsEvaluatedIntoTheView)
{
    TTable t;
    for (int i = 1; i <= 60; ++i)
        t.Append(QStringLiteral("N%1").arg(i), i % 7);
    t.Data.SetFilter(QStringLiteral("Amount >= 5"));
    t.Data.SetFiltered(true);
    EXPECT_EQ(t.Data.RecordCount(), 16); // 5 and 6 of every 7
    std::vector<int> expected;
    for (int i = 1; i <= 60; ++i)
        if (i % 7 >= 5)
            expected.push_back(i);
    EXPECT_EQ(t.Ids(), expected);
    t.Data.Last();
    EXPECT_EQ(t.Data.RecNo(), 16);
    EXPECT_EQ(t.Id(), 55);
    t.Data.SetRecNo(3);
    EXPECT_EQ(t.Id(), 12);
    EXPECT_FALSE(t.Data.Locate(QStringLiteral("Id"), 2));
    EXPECT_TRUE(t.Data.Locate(QStringLiteral("Id"), 19));
    EXPECT_EQ(t.Data.RecNo(), 5);

    // A posted record that fails the filter leaves the view; one that passes joins it.
    t.Data.Edit();
    t.Data.FieldByName(QStringLiteral("Amount"))->SetValue(1.0);
    t.Data.Post();
    EXPECT_EQ(t.Data.RecordCount(), 15);
    EXPECT_EQ(t.Id(), 20);
    t.Append(QStringLiteral("new"), 6);
    EXPECT_EQ(t.Data.RecordCount(), 16);
    EXPECT_EQ(t.Id(), 61);
    t.Append(QStringLiteral("hidden"), 0);
    EXPECT_EQ(t.Data.RecordCount(), 16);

    // Combined with an index and with OnFilterRecord.
    t.Data.SetIndexFieldNames(QStringLiteral("Id DESC"));
    EXPECT_EQ(t.Ids().front(), 61);
    t.Data.SetOnFilterRecord([](TDataSet* ds, bool& accept) {
        accept = ds->FieldByName(QStringLiteral("Id"))->AsInteger() % 2 == 0;
    });
    for (int id : t.Ids())
        EXPECT_EQ(id % 2, 0);
    t.Data.SetFiltered(false);
    EXPECT_EQ(t.Data.RecordCount(), 62);
    EXPECT_EQ(t.Ids().front(), 62);
}

TEST(MemDataFilter, RefreshFiltersAgainAndKeepsTheCurrentRecord)
{
    TTable t;
    for (int i = 1; i <= 30; ++i)
        t.Append(QStringLiteral("N%1").arg(i), i);
    int limit = 10;
    t.Data.SetOnFilterRecord([&limit](TDataSet* ds, bool& accept) {
        accept = ds->FieldByName(QStringLiteral("Id"))->AsInteger() <= limit;
    });
    t.Data.SetFiltered(true);
    EXPECT_EQ(t.Data.RecordCount(), 10);
    t.Data.SetRecNo(7);
    limit = 20;
    t.Data.Refresh();
    EXPECT_EQ(t.Data.RecordCount(), 20);
    EXPECT_EQ(t.Id(), 7);
    limit = 5;
    t.Data.Refresh();
    EXPECT_EQ(t.Data.RecordCount(), 5);
    EXPECT_EQ(t.Id(), 5);
    EXPECT_EQ(t.WindowIds(), std::vector<int>({1, 2, 3, 4, 5}));
}

TEST(MemDataEmpty, EmptyDataSetDropsTheRowsAndKeepsDefinitionsAndOrder)
{
    TTable t;
    for (int i = 1; i <= 20; ++i)
        t.Append(QStringLiteral("N%1").arg(i), i);
    t.Data.SetIndexFieldNames(QStringLiteral("Name DESC"));
    t.Data.SetRecNo(5);
    const TBookmark mark = t.Data.GetBookmark();
    t.Data.Edit();
    t.Data.FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("pending"));
    t.Data.EmptyDataSet();
    EXPECT_EQ(t.Data.State(), dsBrowse);
    EXPECT_EQ(t.Data.RecordCount(), 0);
    EXPECT_TRUE(t.Data.Bof());
    EXPECT_TRUE(t.Data.Eof());
    EXPECT_EQ(t.Link.RecordCount(), 0);
    EXPECT_FALSE(t.Data.BookmarkValid(mark));
    for (int i = 0; i < 20; ++i)
        t.Append(QStringLiteral("x%1").arg(i, 2, 10, QLatin1Char('0')), i);
    EXPECT_EQ(t.Data.RecordCount(), 20);
    EXPECT_EQ(t.Ids().front(), 40);
    EXPECT_EQ(t.Link.RecordCount(), 10);
    // The old bookmark names no new row either.
    EXPECT_FALSE(t.Data.BookmarkValid(mark));
    EXPECT_THROW(t.Data.GotoBookmark(mark), EDatabaseError);
}

// --- Locate ------------------------------------------------------------------------------------

namespace {

bool SameLocateValue(const QVariant& value, const QVariant& key, bool partial, bool caseInsensitive)
{
    if (!value.isValid() || !key.isValid())
        return !value.isValid() && !key.isValid();
    if (value.typeId() == QMetaType::QString && key.typeId() == QMetaType::QString) {
        QString text = value.toString();
        if (partial)
            text.truncate(key.toString().size());
        return QString::compare(text, key.toString(), caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
    }
    if (value.typeId() == QMetaType::QString || key.typeId() == QMetaType::QString)
        return false;
    return value.toDouble() == key.toDouble();
}

} // namespace

TEST(MemDataLocate, SearchOnTheIndexFindsWhatAScanOfTheViewFinds)
{
    TTable t;
    const QVariantList names = {QStringLiteral("alpha"), QStringLiteral("Alpha"), QStringLiteral("ALPHABET"),
                                QStringLiteral("beta"), QStringLiteral("Beta"), QStringLiteral("al"), QVariant()};
    const QVariantList amounts = {0.0, 10.0, 20.0, QVariant()};
    QRandomGenerator random(7);
    for (int i = 0; i < 300; ++i) {
        t.Data.Append();
        t.Data.FieldByName(QStringLiteral("Id"))->SetValue(t.NextId++);
        t.Data.FieldByName(QStringLiteral("Name"))->SetValue(names[random.bounded(int(names.size()))]);
        t.Data.FieldByName(QStringLiteral("Amount"))->SetValue(amounts[random.bounded(int(amounts.size()))]);
        t.Data.Post();
    }
    t.Data.AddIndex(QStringLiteral("CI"), QStringLiteral("Name;Amount"), ixCaseInsensitive, QStringLiteral("Amount"));

    const QVariantList nameKeys = {QStringLiteral("alpha"), QStringLiteral("ALPHA"), QStringLiteral("al"),
                                   QStringLiteral("Al"), QStringLiteral("zz"), QVariant()};
    const QVariantList amountKeys = {10, 10.0, 15, QVariant()};
    const std::vector<TLocateOptions> optionSets = {{}, loCaseInsensitive, loPartialKey,
                                                    TLocateOptions(loCaseInsensitive) | loPartialKey};
    for (const QString& order : {QStringLiteral("Name"), QStringLiteral("Name DESC"), QStringLiteral("Name;Amount"),
                                 QStringLiteral("Amount DESC;Name"), QStringLiteral("@CI")}) {
        if (order.startsWith(QLatin1Char('@')))
            t.Data.SetIndexName(order.mid(1));
        else
            t.Data.SetIndexFieldNames(order);
        std::vector<std::pair<int, QVariantList>> rows; // id, {Name, Amount}
        for (t.Data.First(); !t.Data.Eof(); t.Data.Next())
            rows.push_back({t.Id(), {t.Data.FieldByName(QStringLiteral("Name"))->GetValue(),
                                     t.Data.FieldByName(QStringLiteral("Amount"))->GetValue()}});
        for (const TLocateOptions options : optionSets) {
            const bool ci = options.testFlag(loCaseInsensitive);
            const bool partial = options.testFlag(loPartialKey);
            for (const QVariant& name : nameKeys) {
                for (const QVariant& amount : amountKeys) {
                    // Single key, and both orders of two keys (partial applies to the last one).
                    struct TCase { QString fields; QVariant keys; std::function<bool(const QVariantList&)> match; };
                    const std::vector<TCase> cases = {
                        {QStringLiteral("Name"), name,
                         [&](const QVariantList& r) { return SameLocateValue(r[0], name, partial, ci); }},
                        {QStringLiteral("Name;Amount"), QVariantList{name, amount},
                         [&](const QVariantList& r) {
                             return SameLocateValue(r[0], name, false, ci) && SameLocateValue(r[1], amount, partial, ci);
                         }},
                        {QStringLiteral("Amount;Name"), QVariantList{amount, name},
                         [&](const QVariantList& r) {
                             return SameLocateValue(r[1], amount, false, ci) && SameLocateValue(r[0], name, partial, ci);
                         }},
                    };
                    for (const TCase& c : cases) {
                        int expected = -1;
                        for (const auto& row : rows)
                            if (c.match(row.second)) {
                                expected = row.first;
                                break;
                            }
                        const bool found = t.Data.Locate(c.fields, c.keys, options);
                        ASSERT_EQ(found, expected >= 0)
                            << order.toStdString() << " " << c.fields.toStdString() << " " << name.toString().toStdString()
                            << "/" << amount.toString().toStdString() << " options " << options.toInt();
                        if (found) {
                            ASSERT_EQ(t.Id(), expected) << order.toStdString() << " " << c.fields.toStdString() << " "
                                                        << name.toString().toStdString() << " options " << options.toInt();
                        }
                    }
                }
            }
        }
    }
}

// --- Field types and files ---------------------------------------------------------------------

namespace {

void DefineAllTypes(TZMemDataSet& ds)
{
    ds.FieldDefs().Add(QStringLiteral("Int"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("Big"), ftLargeint);
    ds.FieldDefs().Add(QStringLiteral("Small"), ftSmallint);
    ds.FieldDefs().Add(QStringLiteral("Flag"), ftBoolean);
    ds.FieldDefs().Add(QStringLiteral("Price"), ftFloat);
    ds.FieldDefs().Add(QStringLiteral("Money"), ftCurrency);
    ds.FieldDefs().Add(QStringLiteral("Day"), ftDate);
    ds.FieldDefs().Add(QStringLiteral("Clock"), ftTime);
    ds.FieldDefs().Add(QStringLiteral("Stamp"), ftDateTime);
    ds.FieldDefs().Add(QStringLiteral("Text"), ftString, 12);
    ds.FieldDefs().Add(QStringLiteral("Wide"), ftWideString, 12);
    ds.FieldDefs().Add(QStringLiteral("Note"), ftWideMemo);
    ds.FieldDefs().Add(QStringLiteral("Data"), ftBlob);
    ds.FieldDefs().Add(QStringLiteral("Any"), ftVariant);
    ds.FieldDefs().Add(QStringLiteral("Seq"), ftAutoInc);
}

QVariantList SampleValues(int i)
{
    return {i * 1000, qlonglong(i) << 40, i - 3, i % 2 == 0, i * 0.25, i * 1.5,
            QDate(2020, 1, 1).addDays(i), QTime(8, 0).addSecs(i * 61),
            QDateTime(QDate(2021, 6, 1), QTime(12, 30, 15, 250)).addDays(i),
            QStringLiteral("t%1").arg(i), QStringLiteral("wïde %1").arg(i), QStringLiteral("line\nnote %1").arg(i),
            QByteArray("\x00\x01\xff", 3) + QByteArray::number(i), QVariant(i * 3), QVariant()};
}

void Fill(TZMemDataSet& ds, int rows)
{
    for (int i = 0; i < rows; ++i) {
        ds.Append();
        const QVariantList values = SampleValues(i);
        for (int f = 0; f < values.size() - 1; ++f)
            if ((i + f) % 5 != 0) // leave some nulls
                ds.FieldByName(ds.FieldDefs()[f].Name)->SetValue(values[f]);
        ds.Post();
    }
}

std::vector<QVariantList> Contents(TZMemDataSet& ds)
{
    std::vector<QVariantList> rows;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        QVariantList row;
        for (const auto& field : ds.Fields())
            row << field->GetValue();
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(MemDataMasterDetail, TheDetailShowsTheLinesOfTheMasterRecord)
{
    TTable orders; // Id 1..4
    for (int i = 1; i <= 4; ++i)
        orders.Append(QStringLiteral("Order %1").arg(i), i);
    orders.Data.First();
    TZMemDataSet lines;
    lines.FieldDefs().Add(QStringLiteral("LineId"), ftInteger);
    lines.FieldDefs().Add(QStringLiteral("OrderId"), ftInteger);
    lines.FieldDefs().Add(QStringLiteral("Qty"), ftInteger);
    lines.SetIndexFieldNames(QStringLiteral("OrderId;LineId"));
    lines.setProperty("MasterSource", QVariant::fromValue<QObject*>(&orders.Source));
    EXPECT_TRUE(lines.setProperty("MasterFields", QStringLiteral("Id")));
    lines.CreateDataSet();
    EXPECT_TRUE(lines.IsEmpty());
    // Lines 1..9: order (line % 3) + 1, quantity 10 * line; appended under each master record.
    for (int line = 1; line <= 9; ++line) {
        orders.Data.Locate(QStringLiteral("Id"), line % 3 + 1);
        lines.Append();
        EXPECT_EQ(lines.FieldByName(QStringLiteral("OrderId"))->AsInteger(), line % 3 + 1);
        lines.FieldByName(QStringLiteral("LineId"))->SetValue(line);
        lines.FieldByName(QStringLiteral("Qty"))->SetValue(10 * line);
        lines.Post();
    }
    auto lineIds = [&lines] {
        std::vector<int> ids;
        for (lines.First(); !lines.Eof(); lines.Next())
            ids.push_back(lines.FieldByName(QStringLiteral("LineId"))->AsInteger());
        return ids;
    };
    orders.Data.First();
    EXPECT_EQ(lineIds(), (std::vector<int>{3, 6, 9}));
    orders.Data.Next();
    EXPECT_EQ(lineIds(), (std::vector<int>{1, 4, 7}));
    EXPECT_EQ(orders.Id(), 2) << "the detail never moves its master";
    orders.Data.Last();
    EXPECT_TRUE(lines.IsEmpty());

    // Another index whose leading field is the link; the detail follows an edit of the link field.
    lines.SetIndexFieldNames(QStringLiteral("OrderId;Qty DESC"));
    orders.Data.Edit();
    orders.Data.FieldByName(QStringLiteral("Id"))->SetValue(3);
    EXPECT_EQ(lineIds(), (std::vector<int>{8, 5, 2}));
    orders.Data.Cancel();
    EXPECT_TRUE(lines.IsEmpty());

    // A pending detail edit is posted before the master leaves its record.
    orders.Data.First();
    lines.First();
    lines.Edit();
    lines.FieldByName(QStringLiteral("Qty"))->SetValue(1000);
    orders.Data.Next();
    EXPECT_EQ(lines.State(), dsBrowse);
    orders.Data.First();
    EXPECT_EQ(lines.FieldByName(QStringLiteral("Qty"))->AsInteger(), 1000);

    // A closed master empties the detail; opening it again shows the lines of its first record.
    orders.Data.Close();
    EXPECT_TRUE(lines.IsEmpty());
    EXPECT_TRUE(lines.Active());
    orders.Data.Open();
    EXPECT_TRUE(lines.IsEmpty()) << "the master's rows went with its closing";

    // Reachable by name; a master leading back to the detail is refused.
    EXPECT_EQ(lines.property("MasterSource").value<QObject*>(), &orders.Source);
    EXPECT_EQ(lines.property("MasterFields").toString(), QStringLiteral("Id"));
    TDataSource linesSource;
    linesSource.SetDataSet(&lines);
    EXPECT_THROW(orders.Data.SetMasterSource(&linesSource), EDatabaseError);
    EXPECT_THROW(orders.Source.SetDataSet(&lines), EDatabaseError) << "a source of its own detail";
    lines.AddIndex(QStringLiteral("ByQty"), QStringLiteral("Qty"));
    const QVariantList defs = lines.property("IndexDefs").toList();
    ASSERT_EQ(defs.size(), 1);
    EXPECT_EQ(defs.front().toMap().value(QStringLiteral("Fields")).toString(), QStringLiteral("Qty"));
    lines.SetMasterSource(nullptr);
    EXPECT_EQ(lineIds().size(), 9u);
}

TEST(MemDataTypes, EveryFieldTypeKeepsItsValuesAndNulls)
{
    TZMemDataSet ds;
    DefineAllTypes(ds);
    ds.CreateDataSet();
    Fill(ds, 10);
    ds.SetRecNo(8); // i = 7
    const QVariantList values = SampleValues(7);
    for (int f = 0; f < values.size() - 1; ++f) {
        const QVariant v = ds.Fields()[f]->GetValue();
        if ((7 + f) % 5 == 0) {
            EXPECT_FALSE(v.isValid()) << f;
        } else {
            EXPECT_EQ(v, values[f]) << ds.Fields()[f]->GetFieldName().toStdString();
        }
    }
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Big"))->GetValue().typeId(), QMetaType::LongLong);
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Small"))->GetValue().typeId(), QMetaType::Int);
    // Auto-increment fields number the appended rows.
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Seq"))->AsInteger(), 8);

    // Every type can be sorted on; nulls come first ascending, last descending.
    ds.SetIndexFieldNames(QStringLiteral("Day DESC"));
    ds.First();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Day"))->GetValue().toDate(), QDate(2020, 1, 1).addDays(8));
    ds.Last();
    EXPECT_TRUE(ds.FieldByName(QStringLiteral("Day"))->IsNull());
    ds.SetIndexFieldNames(QStringLiteral("Day"));
    ds.First();
    EXPECT_TRUE(ds.FieldByName(QStringLiteral("Day"))->IsNull());
    ds.Next();
    ds.Next();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Day"))->GetValue().toDate(), QDate(2020, 1, 1).addDays(0));
    ds.SetIndexFieldNames(QStringLiteral("Data;Any;Flag;Clock;Stamp;Note;Money"));
    EXPECT_EQ(ds.RecordCount(), 10);
}

namespace {

// A number or a text read straight from the columns must be what the field's QVariant
// value converts to, for every field of the current record.
void ExpectTypedReadsMatchValues(TDataSet& ds, const std::string& where)
{
    for (const auto& field : ds.Fields()) {
        SCOPED_TRACE(where + ", " + field->GetFieldName().toStdString());
        const QVariant value = field->GetValue();
        const TFieldType type = field->DataType();
        if (IsIntegerFieldType(type)) {
            EXPECT_EQ(field->AsLargeInt(), value.toLongLong());
        }
        if (IsIntegerFieldType(type) || IsFloatFieldType(type)) {
            EXPECT_EQ(field->AsFloat(), value.toDouble());
        }
        if (IsStringFieldType(type)) {
            EXPECT_EQ(field->AsString(), value.toString());
        }
    }
}

} // namespace

TEST(MemDataTypes, TypedReadsAreTheValuesInEveryState)
{
    TZMemDataSet ds;
    DefineAllTypes(ds);
    auto twice = std::make_unique<TLargeintField>();
    twice->SetFieldName(QStringLiteral("Twice"));
    twice->SetFieldKind(fkCalculated);
    ds.AddField(std::move(twice));
    // The calculation reads the record being calculated, not the current one.
    ds.OnCalcFields = [](TDataSet* d) {
        if (TField* number = d->FieldByName(QStringLiteral("Int")); !number->IsNull())
            d->FieldByName(QStringLiteral("Twice"))->SetValue(number->AsLargeInt() * 2);
    };
    ds.CreateDataSet();
    Fill(ds, 10);
    TField* number = ds.FieldByName(QStringLiteral("Int"));
    TField* wide = ds.FieldByName(QStringLiteral("Wide"));
    std::vector<qlonglong> twices;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        ExpectTypedReadsMatchValues(ds, "record " + std::to_string(ds.RecNo()));
        twices.push_back(ds.FieldByName(QStringLiteral("Twice"))->AsLargeInt());
        // The values read straight from the columns are the ones stored, of the field's type.
        const int i = ds.RecNo() - 1;
        const QVariantList stored = SampleValues(i);
        for (int f = 0; f + 1 < stored.size(); ++f) {
            SCOPED_TRACE("record " + std::to_string(i) + ", field " + std::to_string(f));
            TField* field = ds.Fields()[f];
            const QVariant expected = (i + f) % 5 != 0 ? stored[f] : QVariant();
            EXPECT_EQ(field->GetValue(), expected);
            EXPECT_EQ(field->GetValue().typeId(), expected.typeId());
            EXPECT_EQ(field->IsNull(), expected.isNull());
        }
    }
    EXPECT_EQ(twices, (std::vector<qlonglong>{0, 2000, 4000, 6000, 8000, 0, 12000, 14000, 16000, 18000}));

    ds.SetRecNo(8); // i = 7
    wide->SetSize(3); // made smaller after the values were stored: the text is cut
    EXPECT_EQ(wide->AsString(), QStringLiteral("wïd"));
    EXPECT_EQ(wide->GetValue(), QVariant(QStringLiteral("wïd")));
    wide->SetSize(12);

    // Editing and inserting read the written values, the others as stored (or null).
    ds.Edit();
    number->SetValue(-5);
    wide->SetValue(QStringLiteral("edited"));
    ds.FieldByName(QStringLiteral("Price"))->SetValue(QVariant());
    ds.FieldByName(QStringLiteral("Day"))->SetValue(QDate(1999, 12, 31));
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Day"))->GetValue(), QVariant(QDate(1999, 12, 31)));
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Clock"))->GetValue(), QVariant(QTime(8, 0).addSecs(7 * 61)));
    EXPECT_TRUE(ds.FieldByName(QStringLiteral("Price"))->GetValue().isNull());
    EXPECT_EQ(number->AsLargeInt(), -5);
    EXPECT_EQ(wide->AsString(), QStringLiteral("edited"));
    ExpectTypedReadsMatchValues(ds, "editing");
    ds.Cancel();
    EXPECT_EQ(number->AsLargeInt(), 7000);
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Day"))->GetValue(), QVariant(QDate(2020, 1, 1).addDays(7)));
    ds.Insert();
    number->SetValue(123);
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Big"))->AsLargeInt(), 0);
    EXPECT_TRUE(ds.FieldByName(QStringLiteral("Day"))->GetValue().isNull());
    ExpectTypedReadsMatchValues(ds, "inserting");
    ds.Post();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Twice"))->AsLargeInt(), 246);

    // A filter reads the record it tests.
    ds.OnFilterRecord = [](TDataSet* d, bool& accept) {
        accept = d->FieldByName(QStringLiteral("Int"))->AsInteger() % 2000 == 0
                 && !d->FieldByName(QStringLiteral("Day"))->GetValue().isNull();
    };
    ds.SetFiltered(true);
    std::vector<qlonglong> shown;
    for (ds.First(); !ds.Eof(); ds.Next())
        shown.push_back(number->AsLargeInt());
    EXPECT_EQ(shown, (std::vector<qlonglong>{0, 2000, 0, 6000, 8000}));
}

class MemDataFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.filePath(name); }
};

TEST_F(MemDataFile, SaveAndLoadRoundTrip)
{
    TZMemDataSet source;
    DefineAllTypes(source);
    source.CreateDataSet();
    Fill(source, 25);
    source.AddIndex(QStringLiteral("ByWide"), QStringLiteral("Wide;Int"), ixCaseInsensitive, QStringLiteral("Int"),
                    QStringLiteral("Wide"));
    source.AddIndex(QStringLiteral("UInt"), QStringLiteral("Big"), ixUnique);
    source.SetIndexName(QStringLiteral("ByWide"));
    const std::vector<QVariantList> expected = Contents(source);
    source.SaveToFile(Path(QStringLiteral("t.zmd")));

    TZMemDataSet target;
    target.FieldDefs().Add(QStringLiteral("Other"), ftInteger);
    target.LoadFromFile(Path(QStringLiteral("t.zmd")));
    ASSERT_TRUE(target.Active());
    ASSERT_EQ(target.FieldDefs().Count(), 15);
    EXPECT_EQ(target.FieldDefs()[10].Size, 12);
    EXPECT_EQ(target.FieldDefs()[12].DataType, ftBlob);
    EXPECT_EQ(target.GetIndexName(), QStringLiteral("ByWide"));
    ASSERT_EQ(target.IndexDefs().Count(), 2);
    EXPECT_EQ(target.IndexDefs()[0].DescFields, QStringLiteral("Int"));
    EXPECT_EQ(target.IndexDefs()[0].CaseInsFields, QStringLiteral("Wide"));
    EXPECT_TRUE(target.IndexDefs()[1].Options.testFlag(ixUnique));
    EXPECT_EQ(Contents(target), expected);

    // The loaded unique index is enforced.
    target.Append();
    target.FieldByName(QStringLiteral("Big"))->SetValue(qlonglong(3) << 40);
    EXPECT_THROW(target.Post(), EDatabaseError);
    target.Cancel();
}

TEST_F(MemDataFile, DamagedOrForeignFilesLeaveTheDataSetAsItWas)
{
    TZMemDataSet source;
    DefineAllTypes(source);
    source.CreateDataSet();
    Fill(source, 5);
    source.SaveToFile(Path(QStringLiteral("good.zmd")));
    QFile good(Path(QStringLiteral("good.zmd")));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    const QByteArray bytes = good.readAll();
    good.close();

    auto write = [&](const QString& name, const QByteArray& data) {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return Path(name);
    };
    QByteArray flipped = bytes;
    flipped[flipped.size() - 3] = char(flipped[flipped.size() - 3] ^ 0x5a);
    const QStringList bad = {
        write(QStringLiteral("flipped.zmd"), flipped),
        write(QStringLiteral("short.zmd"), bytes.left(bytes.size() - 10)),
        write(QStringLiteral("foreign.zmd"), QByteArray("Name,Amount\nSmith,12\n")),
        write(QStringLiteral("empty.zmd"), QByteArray()),
        Path(QStringLiteral("missing.zmd")),
    };

    TTable t;
    t.Append(QStringLiteral("kept"), 1);
    t.Append(QStringLiteral("also kept"), 2);
    t.Data.SetIndexFieldNames(QStringLiteral("Name"));
    for (const QString& path : bad) {
        EXPECT_THROW(t.Data.LoadFromFile(path), EDatabaseError) << path.toStdString();
        ASSERT_TRUE(t.Data.Active());
        EXPECT_EQ(t.Data.FieldCount(), 3);
        EXPECT_EQ(t.Ids(), std::vector<int>({2, 1}));
        EXPECT_EQ(t.Data.GetIndexFieldNames(), QStringLiteral("Name"));
    }
}

// A file whose payload was replaced: the header's length and checksum are made to fit it, so
// that what is read is the payload itself.
QByteArray Resealed(const QByteArray& file, const QByteArray& payload)
{
    constexpr int headerSize = 4 + 2 + 8 + 32;
    QByteArray header = file.left(headerSize - 32 - 8);
    {
        QDataStream out(&header, QIODevice::Append);
        out << quint64(payload.size());
    }
    return header + QCryptographicHash::hash(payload, QCryptographicHash::Sha256) + payload;
}

QByteArray Serialized(const QString& a, const QString& b, const QString& c, const QString& d, qint32 options)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << a << b << c << d << options;
    return bytes;
}

// The state a failed load must leave: open, its fields, records, indexes and position.
void ExpectUnchanged(TTable& t)
{
    ASSERT_TRUE(t.Data.Active());
    EXPECT_EQ(t.Data.FieldCount(), 3);
    EXPECT_EQ(t.Data.FieldDefs().Count(), 3);
    EXPECT_EQ(t.Data.IndexDefs().Count(), 1);
    EXPECT_EQ(t.Data.GetIndexFieldNames(), QStringLiteral("Name"));
    EXPECT_EQ(t.Id(), 1);
    EXPECT_EQ(t.Ids(), std::vector<int>({2, 3, 1}));
}

class MemDataFileRefused : public MemDataFile {
protected:
    std::unique_ptr<TTable> Table;
    void SetUp() override { Reset(); }
    void Reset()
    {
        Table = std::make_unique<TTable>();
        Table->Append(QStringLiteral("kept"), 1);
        Table->Append(QStringLiteral("also kept"), 2);
        Table->Append(QStringLiteral("b"), 3);
        Table->Data.AddIndex(QStringLiteral("ById"), QStringLiteral("Id"), ixUnique);
        Table->Data.SetIndexFieldNames(QStringLiteral("Name"));
        Table->Data.Locate(QStringLiteral("Id"), 1, {});
    }
    QByteArray Bytes(const QString& path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString Write(const QString& name, const QByteArray& data) const
    {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return Path(name);
    }
};

TEST_F(MemDataFileRefused, AFieldWithoutType)
{
    TZMemDataSet source;
    source.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    source.FieldDefs().Add(QStringLiteral("Odd"), ftUnknown);
    source.CreateDataSet();
    source.Append();
    source.FieldByName(QStringLiteral("Id"))->SetValue(7);
    source.Post();
    source.SaveToFile(Path(QStringLiteral("unknown.zmd")));
    const QString error = ErrorOf([&] { Table->Data.LoadFromFile(Path(QStringLiteral("unknown.zmd"))); });
    EXPECT_TRUE(error.endsWith(QStringLiteral("Unsupported field type (Unknown) in field Odd"))) << error.toStdString();
    ExpectUnchanged(*Table);
}

TEST_F(MemDataFileRefused, RowsThatBreakTheFilesUniqueIndexActiveOrNot)
{
    for (const bool active : {false, true}) {
        SCOPED_TRACE(active ? "active" : "inactive");
        // Two rows with the same name under an index that the file is then made to call unique.
        TZMemDataSet source;
        source.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 10);
        source.CreateDataSet();
        for (int i = 0; i < 2; ++i) {
            source.Append();
            source.FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("twin"));
            source.Post();
        }
        source.AddIndex(QStringLiteral("ByName"), QStringLiteral("Name"), ixCaseInsensitive);
        if (active)
            source.SetIndexName(QStringLiteral("ByName"));
        source.SaveToFile(Path(QStringLiteral("twins.zmd")));
        const QByteArray file = Bytes(Path(QStringLiteral("twins.zmd")));
        const TIndexDef& def = source.IndexDefs()[0];
        QByteArray payload = file.mid(46);
        const QByteArray plain = Serialized(def.Name, def.Fields, def.DescFields, def.CaseInsFields, ixCaseInsensitive);
        ASSERT_TRUE(payload.contains(plain));
        payload.replace(plain, Serialized(def.Name, def.Fields, def.DescFields, def.CaseInsFields,
                                          ixCaseInsensitive | ixUnique));
        const QString path = Write(QStringLiteral("twins-unique.zmd"), Resealed(file, payload));

        const QString error = ErrorOf([&] { Table->Data.LoadFromFile(path); });
        EXPECT_TRUE(error.endsWith(QStringLiteral("Key violation in index 'ByName'"))) << error.toStdString();
        ExpectUnchanged(*Table);
    }
}

TEST_F(MemDataFileRefused, AFileWithoutTheFieldsOfTheFilter)
{
    TZMemDataSet source;
    source.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    source.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 30);
    source.CreateDataSet();
    source.SaveToFile(Path(QStringLiteral("no-amount.zmd")));
    Table->Data.SetFilter(QStringLiteral("Amount > 0"));
    Table->Data.SetFiltered(true);
    Table->Data.Locate(QStringLiteral("Id"), 1, {});
    const QString error = ErrorOf([&] { Table->Data.LoadFromFile(Path(QStringLiteral("no-amount.zmd"))); });
    EXPECT_TRUE(error.contains(QStringLiteral("Field 'Amount' not found in filter"))) << error.toStdString();
    ExpectUnchanged(*Table);
}

TEST_F(MemDataFileRefused, VariantListsNestedBeyondAnyRealValue)
{
    const QVariant nested = QVariantList{QVariantMap{{QStringLiteral("a"), QVariantList{1, QStringLiteral("b")}}},
                                         QVariantHash{{QStringLiteral("c"), 2.5}}};
    TZMemDataSet source;
    source.FieldDefs().Add(QStringLiteral("Any"), ftVariant);
    source.CreateDataSet();
    source.Append();
    source.FieldByName(QStringLiteral("Any"))->SetValue(nested);
    source.Post();
    source.SaveToFile(Path(QStringLiteral("nested.zmd")));
    TZMemDataSet copy;
    copy.LoadFromFile(Path(QStringLiteral("nested.zmd")));
    EXPECT_EQ(copy.FieldByName(QStringLiteral("Any"))->GetValue(), nested);

    // The same value nested a hundred thousand lists deep.
    QByteArray value;
    QByteArray deep;
    {
        QDataStream out(&value, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_4);
        out << nested;
        QDataStream deepOut(&deep, QIODevice::WriteOnly);
        deepOut.setVersion(QDataStream::Qt_6_4);
        for (int i = 0; i < 100000; ++i)
            deepOut << quint32(QMetaType::QVariantList) << qint8(0) << quint32(1);
        deepOut << nested;
    }
    const QByteArray file = Bytes(Path(QStringLiteral("nested.zmd")));
    QByteArray payload = file.mid(46);
    ASSERT_TRUE(payload.contains(value));
    payload.replace(value, deep);
    const QString path = Write(QStringLiteral("deep.zmd"), Resealed(file, payload));
    const QString error = ErrorOf([&] { Table->Data.LoadFromFile(path); });
    EXPECT_TRUE(error.contains(QStringLiteral("the contents are damaged"))) << error.toStdString();
    ExpectUnchanged(*Table);
}

TEST_F(MemDataFileRefused, AFileWithoutAFieldTheApplicationAdded)
{
    TZMemDataSet source;
    source.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    source.CreateDataSet();
    source.SaveToFile(Path(QStringLiteral("id-only.zmd")));

    TZMemDataSet target;
    auto name = std::make_unique<TWideStringField>();
    name->SetFieldName(QStringLiteral("Name"));
    target.AddField(std::move(name));
    target.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 20);
    target.CreateDataSet();
    target.Append();
    target.FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("kept"));
    target.Post();
    EXPECT_TRUE(ErrorOf([&] { target.LoadFromFile(Path(QStringLiteral("id-only.zmd"))); })
                    .endsWith(QStringLiteral("Field 'Name' not found")));
    ASSERT_TRUE(target.Active());
    EXPECT_EQ(target.FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("kept"));
}

TEST_F(MemDataFileRefused, TruncatedOrDamagedFilesAnyWhere)
{
    TZMemDataSet source;
    DefineAllTypes(source);
    source.CreateDataSet();
    Fill(source, 4);
    source.AddIndex(QStringLiteral("ByWide"), QStringLiteral("Wide;Int"), ixUnique, QStringLiteral("Int"));
    source.SetIndexName(QStringLiteral("ByWide"));
    source.SaveToFile(Path(QStringLiteral("good.zmd")));
    const QByteArray file = Bytes(Path(QStringLiteral("good.zmd")));
    const QByteArray payload = file.mid(46);
    ASSERT_GT(payload.size(), 100);

    // (what, bytes, always refused)
    std::vector<std::tuple<QString, QByteArray, bool>> damaged;
    for (const qsizetype cut : {qsizetype(0), qsizetype(3), payload.size() / 3, payload.size() / 2, payload.size() - 1}) {
        damaged.emplace_back(QStringLiteral("cut at %1").arg(cut), Resealed(file, payload.left(cut)), true);
        damaged.emplace_back(QStringLiteral("file cut at %1").arg(cut), file.left(46 + cut), true);
    }
    for (qsizetype at = 0; at < payload.size(); at += 5) {
        for (const char mask : {char(0x01), char(0x80), char(0xff)}) {
            QByteArray flipped = payload;
            flipped[at] = char(flipped[at] ^ mask);
            damaged.emplace_back(QStringLiteral("byte %1 ^ %2").arg(at).arg(int(quint8(mask))),
                                 Resealed(file, flipped), false);
        }
    }
    int refused = 0;
    for (const auto& [what, bytes, alwaysRefused] : damaged) {
        SCOPED_TRACE(what.toStdString());
        const QString path = Write(QStringLiteral("damaged.zmd"), bytes);
        try {
            Table->Data.LoadFromFile(path);
            // Some changes leave a valid file (another value in a row): it loads.
            EXPECT_FALSE(alwaysRefused);
            Reset();
        } catch (const EDatabaseError&) {
            ++refused;
            ExpectUnchanged(*Table);
        }
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(refused, 100);
}

// --- A million rows ----------------------------------------------------------------------------

TEST(MemDataLarge, LocateOnTheIndexKeyInAMillionRows)
{
    constexpr int count = 1000000;
    TZMemDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("Key"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("Code"), ftWideString, 12);
    ds.FieldDefs().Add(QStringLiteral("Value"), ftFloat);
    ds.CreateDataSet();
    {
        TDataSetControlsGuard guard(&ds);
        TField* key = ds.FieldByName(QStringLiteral("Key"));
        TField* code = ds.FieldByName(QStringLiteral("Code"));
        TField* value = ds.FieldByName(QStringLiteral("Value"));
        for (int i = 0; i < count; ++i) {
            // Keys are a permutation of 0..count-1 so that sorting has work to do.
            const int k = int((qint64(i) * 7919) % count);
            ds.Append();
            key->SetValue(k);
            code->SetValue(QStringLiteral("C%1").arg(k, 7, 10, QLatin1Char('0')));
            value->SetValue(k * 0.5);
            ds.Post();
        }
    }
    ASSERT_EQ(ds.RecordCount(), count);

    ds.SetIndexFieldNames(QStringLiteral("Key"));
    ds.First();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Key"))->AsInteger(), 0);
    for (int k : {0, 1, 4242, 500000, 999998, 999999}) {
        ASSERT_TRUE(ds.Locate(QStringLiteral("Key"), k)) << k;
        EXPECT_EQ(ds.FieldByName(QStringLiteral("Key"))->AsInteger(), k);
        EXPECT_DOUBLE_EQ(ds.FieldByName(QStringLiteral("Value"))->AsFloat(), k * 0.5);
        EXPECT_EQ(ds.RecNo(), k + 1);
    }
    EXPECT_FALSE(ds.Locate(QStringLiteral("Key"), count));
    EXPECT_FALSE(ds.Locate(QStringLiteral("Key"), 12.5));
    EXPECT_EQ(ds.Lookup(QStringLiteral("Key"), 77, QStringLiteral("Code")).toString(), QStringLiteral("C0000077"));

    ds.SetIndexFieldNames(QStringLiteral("Code DESC"));
    ASSERT_TRUE(ds.Locate(QStringLiteral("Code"), QStringLiteral("C00123"), loPartialKey));
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Code"))->AsString(), QStringLiteral("C0012399"));
    EXPECT_EQ(ds.RecNo(), count - 12399);

    // Bookmarks keep working at this size.
    const TBookmark mark = ds.GetBookmark();
    ds.First();
    ds.GotoBookmark(mark);
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Code"))->AsString(), QStringLiteral("C0012399"));
}

// A walk's text reads fetch the texts of records ahead into the cache: reads stay right
// walking either way, next to the view's ends, while rows go and after the columns change.
TEST(MemDataTypes, TextReadsWalkingEitherWayAcrossChanges)
{
    TTable t;
    std::vector<QString> expected; // view order of the names, sorted descending; nulls last
    for (int i = 0; i < 40; ++i) {
        t.Append(QStringLiteral("name %1").arg(i, 2, 10, QLatin1Char('0')), i);
        if (i % 7 == 3) {
            t.Data.Edit();
            t.Data.FieldByName(QStringLiteral("Name"))->SetValue(QVariant());
            t.Data.Post();
        }
    }
    t.Data.SetIndexFieldNames(QStringLiteral("Name DESC"));
    TField* name = t.Data.FieldByName(QStringLiteral("Name"));
    auto walk = [&](bool forward) {
        std::vector<QString> read;
        TDataSetControlsGuard guard(&t.Data);
        for (forward ? t.Data.First() : t.Data.Last(); !(forward ? t.Data.Eof() : t.Data.Bof());
             forward ? t.Data.Next() : t.Data.Prior()) {
            EXPECT_EQ(name->GetValue().toString(), name->AsString());
            read.push_back(name->IsNull() ? QStringLiteral("<null>") : name->AsString());
        }
        if (!forward)
            std::reverse(read.begin(), read.end());
        return read;
    };
    const std::vector<QString> ahead = walk(true);
    ASSERT_EQ(ahead.size(), 40u);
    EXPECT_EQ(ahead.front(), QStringLiteral("name 39"));
    EXPECT_EQ(ahead[33], QStringLiteral("name 00"));
    EXPECT_EQ(ahead.back(), QStringLiteral("<null>"));
    EXPECT_EQ(walk(false), ahead);

    // Every third record deleted while walking forward and reading.
    std::vector<QString> kept;
    t.Data.First();
    for (size_t i = 0; i < ahead.size(); ++i) {
        ASSERT_EQ(name->IsNull() ? QStringLiteral("<null>") : name->AsString(), ahead[i]);
        if (i % 3 == 0) {
            t.Data.Delete();
        } else {
            kept.push_back(ahead[i]);
            t.Data.Next();
        }
    }
    EXPECT_EQ(walk(true), kept);
    EXPECT_EQ(walk(false), kept);

    // Reopened with the text column where a number was, and fewer columns.
    t.Data.Close();
    t.Data.SetIndexFieldNames(QString());
    t.Data.FieldDefs().Clear();
    t.Data.FieldDefs().Add(QStringLiteral("Name"), ftInteger);
    t.Data.FieldDefs().Add(QStringLiteral("Id"), ftWideString, 10);
    t.Data.CreateDataSet();
    for (int i = 0; i < 20; ++i) {
        t.Data.Append();
        t.Data.Fields()[0]->SetValue(i);
        t.Data.Fields()[1]->SetValue(QString::number(i * 3));
        t.Data.Post();
    }
    int count = 0;
    for (t.Data.First(); !t.Data.Eof(); t.Data.Next(), ++count) {
        EXPECT_EQ(t.Data.Fields()[0]->AsInteger(), count);
        EXPECT_EQ(t.Data.Fields()[1]->AsString(), QString::number(count * 3));
    }
    EXPECT_EQ(count, 20);
}

// The client-dataset and ADO-query sort adapters on stand-ins of those classes
// (in-memory datasets that carry the class names and the properties and
// invokable methods the adapters use), bound to a real grid.

#include "DB.h"
#include "ZDBGridOrder.h"
#include "ZDBGrids.h"
#include "ZDBGridsADO.h"
#include "ZDBGridsCDS.h"
#include "ZDBMemData.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

// Stand-ins live in their own C++ namespace: the registry matches class names without it.
namespace standin {

class TCustomClientDataSet : public zdb::TZMemDataSet {
    Q_OBJECT
public:
    using zdb::TZMemDataSet::TZMemDataSet;
};

class TClientDataSet : public TCustomClientDataSet {
    Q_OBJECT
public:
    using TCustomClientDataSet::TCustomClientDataSet;
};

// An ADO query whose client cursor sorts by Sort (kept in IndexFieldNames).
class TADOQuery : public zdb::TZMemDataSet {
    Q_OBJECT
    Q_PROPERTY(QString Sort READ GetSort WRITE SetSort)
    Q_PROPERTY(QStringList SQL READ GetSQL WRITE SetSQL)
    Q_PROPERTY(TCursorLocation CursorLocation READ GetCursorLocation WRITE SetCursorLocation)

public:
    enum TCursorLocation { clUseServer, clUseClient };
    Q_ENUM(TCursorLocation)

    using zdb::TZMemDataSet::TZMemDataSet;
    QString GetSort() const { return FSort; }
    void SetSort(const QString& value)
    {
        SetIndexFieldNames(zdb::CommaToSemicolon(value)); // raises on unknown fields
        FSort = value;
    }
    QStringList GetSQL() const { return FSQL; }
    void SetSQL(const QStringList& value) { FSQL = value; }
    TCursorLocation GetCursorLocation() const { return FCursorLocation; }
    void SetCursorLocation(TCursorLocation value) { FCursorLocation = value; }

private:
    QString FSort;
    QStringList FSQL;
    TCursorLocation FCursorLocation = clUseClient;
};

} // namespace standin

using namespace zdb;

namespace {

// Fills an in-memory stand-in with Id, Name, City; two people share a name.
template <typename TData>
std::unique_ptr<TData> MakePeople()
{
    auto data = std::make_unique<TData>();
    data->FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    data->FieldDefs().Add(QStringLiteral("Name"), ftWideString, 20);
    data->FieldDefs().Add(QStringLiteral("City"), ftWideString, 20);
    data->CreateDataSet();
    const struct {
        int Id;
        const char* Name;
        const char* City;
    } rows[] = {{1, "Cole", "Oslo"}, {2, "Abel", "Rome"}, {3, "Baker", "Oslo"}, {4, "Abel", "Bern"}};
    for (const auto& row : rows) {
        data->Append();
        data->FieldByName(QStringLiteral("Id"))->SetValue(row.Id);
        data->FieldByName(QStringLiteral("Name"))->SetValue(QString::fromLatin1(row.Name));
        data->FieldByName(QStringLiteral("City"))->SetValue(QString::fromLatin1(row.City));
        data->Post();
    }
    data->First();
    return data;
}

std::vector<int> Ids(TDataSet& data)
{
    std::vector<int> ids;
    const TBookmark current = data.GetBookmark();
    for (data.First(); !data.Eof(); data.Next())
        ids.push_back(data.FieldByName(QStringLiteral("Id"))->AsInteger());
    data.GotoBookmark(current);
    return ids;
}

// A grid that applies every marker change to its dataset, keeping the record by Id.
struct TSortingGrid {
    TDataSource Source;
    std::unique_ptr<TZDBGrid> Grid = std::make_unique<TZDBGrid>();

    explicit TSortingGrid(TDataSet* data)
    {
        Source.SetDataSet(data);
        Grid->SetOptionsEx(Grid->GetOptionsEx() | dgAutoUpdateOrder);
        Grid->SetKeyFields(QStringLiteral("Id"));
        Grid->SetDataSource(&Source);
        Grid->resize(400, 200);
        Grid->show();
        QApplication::processEvents();
    }
    ~TSortingGrid()
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
    }
    bool AscendOnly() const { return Grid->GetOptions().testFlag(dgMarkerAscendOnly); }
};

// Takes the client-dataset adapter out for one test.
struct TWithoutCDSAdapter {
    TWithoutCDSAdapter() { UnRegisterCDSIndexFieldsChangeOrder(); }
    ~TWithoutCDSAdapter() { RegisterCDSIndexFieldsChangeOrder(); }
};

int EntriesNamed(const QString& className)
{
    int count = 0;
    for (int i = 0; i < ChangeOrderList().Count(); ++i)
        count += ChangeOrderList()[i].DSClassName == className ? 1 : 0;
    return count;
}

} // namespace

TEST(ClientDataSetAdapter, RegisteredOnceByIncludingTheHeaderAndRemovedAgain)
{
    // The built-in IndexFieldNames and CommandText entries plus the adapter's one.
    EXPECT_EQ(EntriesNamed(QStringLiteral("TClientDataSet")), 3);
    EXPECT_EQ(EntriesNamed(QStringLiteral("TpFIBClientDataSet")), 1);
    auto data = MakePeople<standin::TClientDataSet>();
    const TChangeOrderItem* found = ChangeOrderList().Find(data.get(), true);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->ChangeOrder, coCustomChangeOrder);
    EXPECT_FALSE(found->AscendOnly);
    {
        TWithoutCDSAdapter without;
        EXPECT_EQ(EntriesNamed(QStringLiteral("TpFIBClientDataSet")), 0);
        found = ChangeOrderList().Find(data.get(), true);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->ChangeOrder, coChangeIndexFields);
        EXPECT_TRUE(found->AscendOnly);
    }
    EXPECT_EQ(EntriesNamed(QStringLiteral("TClientDataSet")), 3);
}

TEST(ClientDataSetAdapter, WithoutItAClientDataSetSortsAscendingOnlyByIndexFieldNames)
{
    TWithoutCDSAdapter without;
    auto data = MakePeople<standin::TClientDataSet>();
    TSortingGrid grid(data.get());
    // Activation under dgAutoUpdateOrder already applied the (empty) order through the entry.
    EXPECT_TRUE(grid.AscendOnly()) << "dgAutoAscendOrder takes the entry's AscendOnly";
    grid.Grid->SetOrderFields(QStringLiteral("Name DESC,Id"));
    EXPECT_TRUE(grid.AscendOnly());
    EXPECT_EQ(data->GetIndexFieldNames(), "Name;Id");
    EXPECT_EQ(data->GetIndexName(), "");
    EXPECT_EQ(Ids(*data), (std::vector<int>{2, 4, 3, 1}));
    EXPECT_EQ(grid.Grid->GetOrderFields(), "Name,Id");
}

TEST(ClientDataSetAdapter, SortsDescendingThroughTheGridIndexAndReadsItBack)
{
    auto data = MakePeople<standin::TClientDataSet>();
    data->AddIndex(QStringLiteral("ByCity"), QStringLiteral("City;Name"), ixDescending);
    TSortingGrid grid(data.get());
    ASSERT_TRUE(data->Locate(QStringLiteral("Id"), 3));

    grid.Grid->SetOrderFields(QStringLiteral("Name DESC,Id"));
    EXPECT_FALSE(grid.AscendOnly());
    EXPECT_EQ(data->GetIndexName(), CDSGridIndexName);
    EXPECT_EQ(data->GetIndexFieldNames(), "");
    EXPECT_EQ(Ids(*data), (std::vector<int>{1, 3, 2, 4}));
    EXPECT_EQ(data->FieldByName(QStringLiteral("Id"))->AsInteger(), 3) << "the record stays current";
    EXPECT_EQ(grid.Grid->CurrentDataSetOrder(), "Name DESC,Id");

    // A new order replaces the index rather than adding another; the application's index stays.
    grid.Grid->SetOrderFields(QStringLiteral("City,Name DESC"));
    EXPECT_EQ(Ids(*data), (std::vector<int>{4, 1, 3, 2}));
    EXPECT_EQ(data->IndexDefs().Count(), 2);
    EXPECT_NE(data->IndexDefs().Find(QStringLiteral("ByCity")), nullptr);
    const QVariantMap def = data->FindIndexDef(CDSGridIndexName);
    EXPECT_EQ(def.value("Fields").toString(), "City;Name");
    EXPECT_EQ(def.value("DescFields").toString(), "Name");

    // The order of an index the application selected, all fields descending by its options.
    data->SetIndexName(QStringLiteral("ByCity"));
    EXPECT_EQ(grid.Grid->CurrentDataSetOrder(), "City DESC,Name DESC");
    grid.Grid->SetupCurrentOrder();
    EXPECT_EQ(grid.Grid->GetOrderFields(), "City DESC,Name DESC");
    // Clearing the markers leaves no grid index behind, and the next order makes it anew.
    grid.Grid->SetOrderFields(QString());
    EXPECT_EQ(data->GetIndexName(), "");
    EXPECT_EQ(data->IndexDefs().Count(), 1);
    grid.Grid->SetOrderFields(QStringLiteral("Id DESC"));
    EXPECT_EQ(data->GetIndexName(), CDSGridIndexName);
    EXPECT_EQ(Ids(*data), (std::vector<int>{4, 3, 2, 1}));
}

TEST(ClientDataSetAdapter, ARejectedOrderBringsTheOldIndexBack)
{
    auto data = MakePeople<standin::TClientDataSet>();
    TSortingGrid grid(data.get());
    grid.Grid->SetOrderFields(QStringLiteral("City DESC,Id"));
    ASSERT_EQ(Ids(*data), (std::vector<int>{2, 1, 3, 4}));
    ASSERT_TRUE(data->Locate(QStringLiteral("Id"), 3));

    // A field the dataset does not have: AddIndex raises after the old index was deleted.
    EXPECT_NO_THROW(ChangeCDSIndexFields(grid.Grid.get(), QStringLiteral("Nobody DESC")));
    EXPECT_EQ(data->GetIndexName(), CDSGridIndexName);
    EXPECT_EQ(CurrentCDSIndexFields(grid.Grid.get()), "City DESC,Id");
    EXPECT_EQ(Ids(*data), (std::vector<int>{2, 1, 3, 4}));
    EXPECT_EQ(grid.Grid->GetOrderFields(), "City DESC,Id") << "the markers show the order in force";
    EXPECT_EQ(data->FieldByName(QStringLiteral("Id"))->AsInteger(), 3);
}

TEST(ClientDataSetAdapter, OtherDatasetsAreLeftAlone)
{
    // A TZMemDataSet is no TCustomClientDataSet: the adapter's functions do nothing.
    auto data = MakePeople<TZMemDataSet>();
    TSortingGrid grid(data.get());
    data->SetIndexFieldNames(QStringLiteral("City"));
    ChangeCDSIndexFields(grid.Grid.get(), QStringLiteral("Name DESC"));
    EXPECT_EQ(data->GetIndexFieldNames(), "City");
    EXPECT_EQ(data->GetIndexName(), "");
    EXPECT_EQ(CurrentCDSIndexFields(grid.Grid.get()), "");
}

TEST(ADOQueryAdapter, AppliesOnlyToAnOpenQueryWithAClientCursor)
{
    auto query = MakePeople<standin::TADOQuery>();
    auto kindFound = [&] {
        const TChangeOrderItem* found = ChangeOrderList().Find(query.get(), true);
        return found ? found->ChangeOrder : TChangeOrder(-1);
    };
    EXPECT_EQ(kindFound(), coCustomChangeOrder);
    query->SetCursorLocation(standin::TADOQuery::clUseServer);
    EXPECT_EQ(kindFound(), coChangeSQLOrderFields);
    query->SetCursorLocation(standin::TADOQuery::clUseClient);
    query->Close();
    EXPECT_EQ(kindFound(), coChangeSQLOrderFields);
}

TEST(ADOQueryAdapter, ClientCursorSortsBySortAndReadsItBack)
{
    auto query = MakePeople<standin::TADOQuery>();
    query->SetSQL({QStringLiteral("SELECT * FROM people"), QStringLiteral("ORDER BY City DESC")});
    TSortingGrid grid(query.get());
    // No Sort yet: the order comes from the SQL text.
    EXPECT_EQ(grid.Grid->CurrentDataSetOrder(), "City DESC");

    ASSERT_TRUE(query->Locate(QStringLiteral("Id"), 2));
    grid.Grid->SetOrderFields(QStringLiteral("Name DESC,Id"));
    EXPECT_FALSE(grid.AscendOnly());
    EXPECT_EQ(query->GetSort(), "Name DESC,Id");
    EXPECT_EQ(Ids(*query), (std::vector<int>{1, 3, 2, 4}));
    EXPECT_EQ(query->FieldByName(QStringLiteral("Id"))->AsInteger(), 2);
    EXPECT_EQ(query->GetSQL().last(), "ORDER BY City DESC") << "the SQL is not touched";
    EXPECT_EQ(grid.Grid->CurrentDataSetOrder(), "Name DESC,Id");

    // A Sort the query rejects: the old Sort stays in force and in the markers.
    EXPECT_NO_THROW(grid.Grid->ChangeDataSetOrder(QStringLiteral("Nobody")));
    EXPECT_EQ(query->GetSort(), "Name DESC,Id");
    EXPECT_EQ(Ids(*query), (std::vector<int>{1, 3, 2, 4}));
    EXPECT_EQ(grid.Grid->GetOrderFields(), "Name DESC,Id");
    EXPECT_EQ(query->FieldByName(QStringLiteral("Id"))->AsInteger(), 2);
}

TEST(ADOQueryAdapter, ServerCursorRewritesTheSQLInstead)
{
    auto query = MakePeople<standin::TADOQuery>();
    query->SetSQL({QStringLiteral("SELECT * FROM people")});
    query->SetCursorLocation(standin::TADOQuery::clUseServer);
    TSortingGrid grid(query.get());
    EXPECT_TRUE(grid.Grid->ChangeDataSetOrder(QStringLiteral("Name DESC")));
    EXPECT_EQ(query->GetSQL(), (QStringList{"SELECT * FROM people", "ORDER BY Name DESC"}));
    EXPECT_EQ(query->GetSort(), "");
}

#include "test_order_adapters.moc"

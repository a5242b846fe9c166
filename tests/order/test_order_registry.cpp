// The change-order registry: which entry a dataset finds (exact class names,
// "*" ancestry with the order property present, later entries first, the
// validity tests of the client-dataset and ADO kinds) and how it sorts through
// it, the cache of the last match, custom entries, registration on the global
// list, and the meta-object helpers that read properties by name.
//
// Datasets of other libraries are stood in for by small classes with the same
// class names and published properties, kept in their own C++ namespace (class
// names are matched without it).

#include "DBError.h"
#include "ZDBCustData.h"
#include "ZDBGridOrder.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

#include <gtest/gtest.h>

#include <functional>

namespace thirdparty {
Q_NAMESPACE

enum TSQLCommandType { ctQuery, ctTable, ctStoredProc };
Q_ENUM_NS(TSQLCommandType)

class TClientDataSet : public zdb::TZMemDataSet {
    Q_OBJECT
    Q_PROPERTY(QString CommandText MEMBER CommandText)
    Q_PROPERTY(QString FileName MEMBER FileName)
public:
    using TZMemDataSet::TZMemDataSet;
    QString CommandText;
    QString FileName;
};

class TMyClientDataSet : public TClientDataSet {
    Q_OBJECT
public:
    using TClientDataSet::TClientDataSet;
};

class TSQLClientDataSet : public zdb::TZMemDataSet {
    Q_OBJECT
    Q_PROPERTY(thirdparty::TSQLCommandType CommandType MEMBER CommandType)
    Q_PROPERTY(QString FileName MEMBER FileName)
public:
    using TZMemDataSet::TZMemDataSet;
    TSQLCommandType CommandType = ctQuery;
    QString FileName;
};

// The query object a TSimpleDataSet reaches through its DataSet property.
class TInternalSQLDataSet : public QObject {
    Q_OBJECT
    Q_PROPERTY(thirdparty::TSQLCommandType CommandType MEMBER CommandType)
    Q_PROPERTY(QString CommandText MEMBER CommandText)
public:
    using QObject::QObject;
    TSQLCommandType CommandType = ctQuery;
    QString CommandText;
};

class TSimpleDataSet : public zdb::TZMemDataSet {
    Q_OBJECT
    Q_PROPERTY(thirdparty::TInternalSQLDataSet* DataSet READ GetDataSet)
    Q_PROPERTY(QString FileName MEMBER FileName)
public:
    explicit TSimpleDataSet(QObject* parent = nullptr)
        : TZMemDataSet(parent), FDataSet(new TInternalSQLDataSet(this))
    {
    }
    TInternalSQLDataSet* GetDataSet() const { return FDataSet; }
    // Drops the query object (owned by this dataset as its Qt child).
    void DetachDataSet() { FDataSet = nullptr; }
    QString FileName;

private:
    TInternalSQLDataSet* FDataSet; // a Qt child
};

// No index-field property: only the ADO entries can apply to it.
class TADODataSet : public zdb::TZDBCustomData {
    Q_OBJECT
    Q_PROPERTY(TCursorLocation CursorLocation MEMBER CursorLocation)
    Q_PROPERTY(TCommandType CommandType MEMBER CommandType)
    Q_PROPERTY(QString CommandText MEMBER CommandText)
public:
    enum TCursorLocation { clUseServer, clUseClient };
    Q_ENUM(TCursorLocation)
    enum TCommandType { cmdUnknown, cmdText, cmdTable, cmdStoredProc, cmdFile, cmdTableDirect };
    Q_ENUM(TCommandType)
    using TZDBCustomData::TZDBCustomData;
    TCursorLocation CursorLocation = clUseClient;
    TCommandType CommandType = cmdText;
    QString CommandText;
};

class TIBDataSet : public zdb::TZDBCustomData {
    Q_OBJECT
    Q_PROPERTY(QStringList SelectSQL MEMBER SelectSQL)
public:
    using TZDBCustomData::TZDBCustomData;
    QStringList SelectSQL;
};

// Our own kinds, one level down.
class TPlainCustomData : public zdb::TZDBCustomData {
    Q_OBJECT
public:
    using TZDBCustomData::TZDBCustomData;
};

class TZSQLQueryChild : public zdb::TZSQLQuery {
    Q_OBJECT
public:
    using TZSQLQuery::TZSQLQuery;
};

} // namespace thirdparty

using namespace zdb;
using namespace thirdparty;

namespace {

std::string Text(const QString& S) { return S.toStdString(); }

// Short description of a found entry, for readable expectations.
std::string Describe(const TChangeOrderItem* Item)
{
    if (!Item)
        return "none";
    static const char* const kinds[] = {"index", "order", "sql", "custom"};
    std::string text = Text(Item->DSClassName) + " " + kinds[Item->ChangeOrder];
    if (Item->AscendOnly)
        text += " asc-only";
    if (!Item->PropName.isEmpty())
        text += " " + Text(Item->PropName);
    return text;
}

std::unique_ptr<TChangeOrderItem> Entry(const QString& ClassName, TChangeOrder ChangeOrder,
                                        TValidChangeOrder IsValid = {}, const QString& PropName = {})
{
    auto item = std::make_unique<TChangeOrderItem>();
    item->DSClassName = ClassName;
    item->ChangeOrder = ChangeOrder;
    item->IsValid = std::move(IsValid);
    item->PropName = PropName;
    return item;
}

// Lists with the built-in entries, unaffected by what others register on the
// global list. FindFor searches a fresh one each time, so that the entry found
// depends on the dataset alone and not on the cache of an earlier search.
class ChangeOrderBuiltIns : public ::testing::Test {
protected:
    void SetUp() override { AddBuiltInChangeOrders(List); }
    static std::string FindFor(TDataSet* DataSet, bool ForChange = true)
    {
        TChangeOrderList fresh;
        AddBuiltInChangeOrders(fresh);
        return Describe(fresh.Find(DataSet, ForChange));
    }
    TChangeOrderList List;
};

// Applies an order the way an index-field entry does and reads the names back in
// record order.
QStringList SortedThrough(TZMemDataSet& DataSet, const TChangeOrderItem& Item, const QString& OrderFields)
{
    const QString prop = Item.PropName.isEmpty() ? DefaultOrderProperty(Item.ChangeOrder) : Item.PropName;
    EXPECT_TRUE(SetPropertyValue(&DataSet, prop, OrderFieldsToIndexFields(OrderFields, Item.Suffix)));
    EXPECT_TRUE(CompareOrderFields(
        IndexFieldsToOrderFields(GetPropertyValue(&DataSet, prop).toString(), Item.Suffix), OrderFields));
    QStringList names;
    for (DataSet.First(); !DataSet.Eof(); DataSet.Next())
        names << DataSet.FieldByName(QStringLiteral("Name"))->AsString();
    return names;
}

TEST_F(ChangeOrderBuiltIns, RepresentativeDataSetsSortThroughTheEntryFound)
{
    auto fill = [](TZMemDataSet& DataSet) {
        DataSet.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 10);
        DataSet.CreateDataSet();
        for (const char* name : {"b", "c", "a"}) {
            DataSet.Append();
            DataSet.FieldByName(QStringLiteral("Name"))->SetValue(QString::fromLatin1(name));
            DataSet.Post();
        }
    };
    TZMemDataSet memData;
    fill(memData);
    const TChangeOrderItem* entry = List.Find(&memData, true);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->ChangeOrder, coChangeIndexFields);
    EXPECT_FALSE(entry->AscendOnly);
    EXPECT_EQ(SortedThrough(memData, *entry, QStringLiteral("Name DESC")), QStringList({"c", "b", "a"}));

    // A client dataset without a query sorts through its index fields, ascending only.
    TClientDataSet cds;
    fill(cds);
    entry = List.Find(&cds, true);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->ChangeOrder, coChangeIndexFields);
    EXPECT_TRUE(entry->AscendOnly);
    EXPECT_EQ(SortedThrough(cds, *entry, QStringLiteral("Name")), QStringList({"a", "b", "c"}));

    // The query finds the entry that rewrites the ORDER BY of its SQL.
    TZSQLQuery query;
    entry = List.Find(&query, true);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->ChangeOrder, coChangeSQLOrderFields);
    EXPECT_TRUE(HasProperty(&query, DefaultOrderProperty(entry->ChangeOrder)));
}

TEST_F(ChangeOrderBuiltIns, OurDataSetsFindTheirEntriesThroughAncestry)
{
    TZSQLQuery query;
    TZSQLQueryChild queryChild;
    TZMemDataSet memData;
    TPlainCustomData plain; // no IndexFieldNames: "*TZDBCustomData" needs it
    EXPECT_EQ(FindFor(&query), "*TZSQLQuery sql SQL");
    EXPECT_EQ(FindFor(&queryChild), "*TZSQLQuery sql SQL");
    EXPECT_EQ(FindFor(&memData), "*TZDBCustomData index");
    EXPECT_EQ(FindFor(&memData, false), "*TZDBCustomData index");
    EXPECT_EQ(FindFor(&plain), "none");
    EXPECT_EQ(FindFor(nullptr), "none");

    // The global list serves them the same way.
    EXPECT_EQ(Describe(ChangeOrderList().Find(&query, true)), "*TZSQLQuery sql SQL");
    EXPECT_EQ(Describe(ChangeOrderList().Find(&memData, true)), "*TZDBCustomData index");
}

TEST(ChangeOrderProperties, OurDataSetsPublishTheirOrderAndLinkPropertiesByName)
{
    TZMemDataSet master;
    TDataSource source;
    source.SetDataSet(&master);
    TZMemDataSet table;
    TZSQLQuery query;
    for (const char* name : {"IndexFieldNames", "IndexName", "IndexDefs", "MasterSource", "MasterFields",
                             "MasterSource.DataSet"})
        EXPECT_TRUE(HasProperty(&table, QLatin1String(name))) << name;
    for (const char* name : {"SQL", "DataSource", "DataSource.DataSet"})
        EXPECT_TRUE(HasProperty(&query, QLatin1String(name))) << name;
    for (const char* name : {"CommandText", "MasterSource", "IndexFieldNames"})
        EXPECT_FALSE(HasProperty(&query, QLatin1String(name))) << name;

    EXPECT_TRUE(SetPropertyValue(&table, "MasterSource", QVariant::fromValue<QObject*>(&source)));
    EXPECT_TRUE(SetPropertyValue(&table, "MasterFields", "Id"));
    EXPECT_TRUE(SetPropertyValue(&query, "DataSource", QVariant::fromValue<QObject*>(&source)));
    EXPECT_EQ(GetPropertyValue(&table, "MasterSource.DataSet").value<QObject*>(), &master);
    EXPECT_EQ(GetPropertyValue(&query, "DataSource.DataSet").value<QObject*>(), &master);
    EXPECT_EQ(GetPropertyValue(&table, "MasterFields").toString(), "Id");
    table.AddIndex("ByName", "Name;Id", ixCaseInsensitive, "Id");
    const QVariantList defs = GetPropertyValue(&table, "IndexDefs").toList();
    ASSERT_EQ(defs.size(), 1);
    EXPECT_EQ(defs.front().toMap().value("DescFields").toString(), "Id");
    EXPECT_TRUE(SetPropertyValue(&table, "IndexName", "ByName"));
    EXPECT_EQ(table.GetIndexName(), "ByName");
}

TEST_F(ChangeOrderBuiltIns, ClientDataSetRewritesItsQueryOnlyWhenItHasOne)
{
    TClientDataSet cds;
    EXPECT_EQ(FindFor(&cds), "TClientDataSet index asc-only");
    cds.CommandText = QStringLiteral("select Name\nfrom Customer");
    EXPECT_EQ(FindFor(&cds), "TClientDataSet order");
    cds.FileName = QStringLiteral("customer.cds");
    EXPECT_EQ(FindFor(&cds), "TClientDataSet index asc-only");
    cds.FileName.clear();
    cds.CommandText = QStringLiteral("SELECT"); // "SELECT " with its blank is required
    EXPECT_EQ(FindFor(&cds), "TClientDataSet index asc-only");

    // One list searched again and again follows the dataset's state both ways:
    // its remembered entry never hides one that applies now.
    cds.CommandText.clear();
    EXPECT_EQ(Describe(List.Find(&cds, true)), "TClientDataSet index asc-only");
    cds.CommandText = QStringLiteral("SELECT * FROM T");
    EXPECT_EQ(Describe(List.Find(&cds, true)), "TClientDataSet order");
    cds.FileName = QStringLiteral("customer.cds");
    EXPECT_EQ(Describe(List.Find(&cds, true)), "TClientDataSet index asc-only");
    cds.FileName.clear();
    EXPECT_EQ(Describe(List.Find(&cds, true)), "TClientDataSet order");
    // The wildcard entry of our base class, found for a plain in-memory table,
    // does not capture the client dataset that derives from it.
    TZMemDataSet memData;
    EXPECT_EQ(Describe(List.Find(&memData, true)), "*TZDBCustomData index");
    EXPECT_EQ(Describe(List.Find(&cds, true)), "TClientDataSet order");

    // Exact names do not reach descendants; the "*" entry of our base class does.
    TMyClientDataSet mine;
    mine.CommandText = QStringLiteral("SELECT * FROM T");
    EXPECT_EQ(FindFor(&mine), "*TZDBCustomData index");
}

// One change to a dataset, then the entry a fresh search finds for it.
struct TStep {
    std::function<void()> Change;
    const char* Expected;
};

void ExpectSteps(TDataSet* DataSet, std::initializer_list<TStep> Steps)
{
    int step = 0;
    for (const TStep& s : Steps) {
        SCOPED_TRACE(step++);
        if (s.Change)
            s.Change();
        TChangeOrderList fresh;
        AddBuiltInChangeOrders(fresh);
        EXPECT_EQ(Describe(fresh.Find(DataSet, true)), s.Expected);
    }
}

TEST(ChangeOrderValidity, SqlClientDataSetNeedsAQueryCommandAndNoFile)
{
    TSQLClientDataSet d;
    ExpectSteps(&d, {
                        {{}, "TSQLClientDataSet order"},
                        {[&] { d.CommandType = ctTable; }, "TSQLClientDataSet index asc-only"},
                        {[&] { d.CommandType = ctQuery; }, "TSQLClientDataSet order"},
                        {[&] { d.FileName = QStringLiteral("a.xml"); }, "TSQLClientDataSet index asc-only"},
                    });
}

TEST(ChangeOrderValidity, SimpleDataSetReadsTheCommandTypeOfItsQueryObject)
{
    TSimpleDataSet d;
    TInternalSQLDataSet* q = d.GetDataSet();
    ExpectSteps(&d, {
                        {{}, "TSimpleDataSet order DataSet.CommandText"},
                        {[&] { d.SetIndexFieldNames(QStringLiteral("Name")); }, "TSimpleDataSet index asc-only"},
                        {[&] { d.SetIndexFieldNames(QString()); }, "TSimpleDataSet order DataSet.CommandText"},
                        {[&] { q->CommandType = ctStoredProc; }, "TSimpleDataSet index asc-only"},
                        {[&] { q->CommandType = ctQuery; }, "TSimpleDataSet order DataSet.CommandText"},
                        {[&] { d.FileName = QStringLiteral("a.xml"); }, "TSimpleDataSet index asc-only"},
                        {[&] { d.FileName.clear(), d.DetachDataSet(); }, "TSimpleDataSet index asc-only"},
                    });
}

TEST(ChangeOrderValidity, AdoDataSetChoosesByCursorLocationAndCommand)
{
    TADODataSet d;
    ExpectSteps(&d, {
                        {{}, "TADODataSet index"},
                        {[&] { d.CursorLocation = TADODataSet::clUseServer; }, "TADODataSet order"},
                        {[&] { d.CommandType = TADODataSet::cmdTable; }, "none"},
                        {[&] { d.CommandType = TADODataSet::cmdUnknown; }, "none"},
                        {[&] { d.CommandText = QStringLiteral("Select * from Orders"); }, "TADODataSet order"},
                        {[&] { d.CursorLocation = TADODataSet::clUseClient; }, "TADODataSet index"},
                    });
}

TEST_F(ChangeOrderBuiltIns, SqlPropertyOfAnInterBaseDataSetIsSelectSQL)
{
    TIBDataSet ib;
    EXPECT_EQ(FindFor(&ib), "TIBDataSet sql SelectSQL");
}

// ---------------------------------------------------------------------------
// Search order, cache, removal

TEST(ChangeOrderListSearch, StarEntriesNeedTheOrderProperty)
{
    TChangeOrderList list;
    list.Add(Entry(QStringLiteral("*TDataSet"), coChangeSQLOrderFields));                    // "SQL"
    list.Add(Entry(QStringLiteral("*TDataSet"), coChangeOrderFields, {}, QStringLiteral("IndexName")));
    TZMemDataSet memData;
    TZSQLQuery query;
    TPlainCustomData plain;
    EXPECT_EQ(list.Find(&memData, true), &list[1]);
    EXPECT_EQ(list.Find(&query, true), &list[0]);
    EXPECT_EQ(list.Find(&plain, true), nullptr);
    // An exact name needs no property at all, but must be the dataset's own class.
    list.Add(Entry(QStringLiteral("TPlainCustomData"), coChangeIndexFields));
    list.Add(Entry(QStringLiteral("TZDBCustomData"), coChangeIndexFields));
    EXPECT_EQ(list.Find(&plain, true), &list[2]);
}

TEST(ChangeOrderListSearch, TheCacheNeverChangesWhatIsFound)
{
    TChangeOrderList list;
    bool allowLater = false;
    int laterTests = 0;
    list.Add(Entry(QStringLiteral("TZMemDataSet"), coChangeIndexFields));
    list.Add(Entry(QStringLiteral("TZMemDataSet"), coChangeIndexFields, [&](TDataSet*, TChangeOrder kind) {
        EXPECT_EQ(kind, coChangeIndexFields);
        ++laterTests;
        return allowLater;
    }));
    TZMemDataSet memData;

    // The later entry is asked first and refuses; the earlier one is found and cached.
    EXPECT_EQ(list.Find(&memData, true), &list[0]);
    EXPECT_EQ(laterTests, 1);
    EXPECT_EQ(list.CacheIndex(), 0);

    // Now the later entry applies: it wins over the cached one and is cached.
    allowLater = true;
    EXPECT_EQ(list.Find(&memData, true), &list[1]);
    EXPECT_EQ(laterTests, 2);
    EXPECT_EQ(list.CacheIndex(), 1);
    // The cached entry at the end answers at once.
    EXPECT_EQ(list.Find(&memData, true), &list[1]);
    EXPECT_EQ(laterTests, 3);

    // Adding resets the cache: the search runs from the end again.
    list.Add(Entry(QStringLiteral("TZSQLQuery"), coChangeSQLOrderFields));
    EXPECT_EQ(list.CacheIndex(), -1);
    EXPECT_EQ(list.Find(&memData, true), &list[1]);
    EXPECT_EQ(list.CacheIndex(), 1);

    // A cached entry that does not match another dataset is passed over.
    TZSQLQuery query;
    EXPECT_EQ(list.Find(&query, true), &list[2]);
    EXPECT_EQ(list.CacheIndex(), 2);

    // Remove compares the class name exactly, frees every entry of that kind and resets the cache.
    list.Remove(QStringLiteral("tzmemdataset"), coChangeIndexFields);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.CacheIndex(), -1);
    EXPECT_EQ(list.Find(&query, true), &list[2]);
    list.Remove(QStringLiteral("TZMemDataSet"), coChangeOrderFields);
    EXPECT_EQ(list.Count(), 3);
    list.Remove(QStringLiteral("TZMemDataSet"), coChangeIndexFields);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.CacheIndex(), -1);
    EXPECT_EQ(list.Find(&memData, true), nullptr);
    EXPECT_EQ(list.Find(&query, true), &list[0]);
}

TEST(ChangeOrderListSearch, CustomEntriesNeedTheCallbackOfTheirDirection)
{
    TChangeOrderList list;
    list.Add(Entry(QStringLiteral("*TZDBCustomData"), coChangeIndexFields));
    auto custom = Entry(QStringLiteral("*TZDBCustomData"), coCustomChangeOrder, [](TDataSet* ds, TChangeOrder kind) {
        return kind == coCustomChangeOrder && ds->objectName() != QLatin1String("refused");
    });
    custom->CustomCurrentOrder = [](TZCustomDBGrid*) { return QStringLiteral("A"); };
    list.Add(std::move(custom));

    // No property is needed for a custom entry.
    TPlainCustomData plain;
    EXPECT_EQ(list.Find(&plain, false), &list[1]);
    EXPECT_EQ(list.Find(&plain, true), nullptr);

    TZMemDataSet memData;
    EXPECT_EQ(list.Find(&memData, false), &list[1]);
    EXPECT_EQ(list.Find(&memData, true), &list[0]);
    memData.setObjectName(QStringLiteral("refused"));
    EXPECT_EQ(list.Find(&memData, false), &list[0]);
}

// ---------------------------------------------------------------------------
// Registration on the global list

// Removes what a test registered on the global list, however the test ends.
struct TUnregister {
    QString ClassName;
    TChangeOrder ChangeOrder;
    ~TUnregister() { UnRegisterChangeOrder(ClassName, ChangeOrder); }
};

TEST(ChangeOrderRegistration, LaterRegistrationsWinUntilUnregistered)
{
    TChangeOrderList& list = ChangeOrderList();
    const int count = list.Count();
    TZMemDataSet memData;
    EXPECT_EQ(Describe(list.Find(&memData, true)), "*TZDBCustomData index");

    RegisterChangeOrder(QStringLiteral("TZMemDataSet"), coCustomChangeOrder);
    EXPECT_EQ(list.Count(), count); // custom entries come through RegisterCustomChangeOrder only
    {
        TUnregister guard{QStringLiteral("TZMemDataSet"), coChangeOrderFields};
        RegisterChangeOrder(QStringLiteral("TZMemDataSet"), coChangeOrderFields, true, {}, QStringLiteral("Filter"),
                            QStringLiteral(":A;:D"));
        ASSERT_EQ(list.Count(), count + 1);
        EXPECT_EQ(list.CacheIndex(), -1);
        const TChangeOrderItem* item = list.Find(&memData, true);
        EXPECT_EQ(Describe(item), "TZMemDataSet order asc-only Filter");
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(Text(item->Suffix), ":A;:D");
    }
    EXPECT_EQ(list.Count(), count);
    EXPECT_EQ(list.CacheIndex(), -1);
    EXPECT_EQ(Describe(list.Find(&memData, true)), "*TZDBCustomData index");
}

TEST(ChangeOrderRegistration, CustomRegistrationKeepsItsCallbacks)
{
    TChangeOrderList& list = ChangeOrderList();
    const int count = list.Count();
    QString applied;
    TDataSet* tested = nullptr;
    TUnregister guard{QStringLiteral("TPlainCustomData"), coCustomChangeOrder};
    RegisterCustomChangeOrder(
        QStringLiteral("TPlainCustomData"), [&](TZCustomDBGrid*, const QString& order) { applied = order; },
        [](TZCustomDBGrid*) { return QStringLiteral("Name DESC"); }, true,
        [&](TDataSet* ds, TChangeOrder) {
            tested = ds;
            return true;
        });
    ASSERT_EQ(list.Count(), count + 1);
    const TChangeOrderItem& added = list[count];
    EXPECT_EQ(added.ChangeOrder, coCustomChangeOrder);
    EXPECT_TRUE(added.AscendOnly);
    EXPECT_TRUE(added.PropName.isEmpty());
    EXPECT_TRUE(added.Suffix.isEmpty());

    TPlainCustomData plain;
    const TChangeOrderItem* found = list.Find(&plain, true);
    ASSERT_EQ(found, &added);
    EXPECT_EQ(tested, &plain);
    found->CustomChangeOrder(nullptr, QStringLiteral("City"));
    EXPECT_EQ(Text(applied), "City");
    EXPECT_EQ(Text(found->CustomCurrentOrder(nullptr)), "Name DESC");
}

// ---------------------------------------------------------------------------
// Meta-object helpers

TEST(ChangeOrderProperties, ClassNamesLeaveOutTheNamespace)
{
    EXPECT_EQ(Text(PlainClassName(&TClientDataSet::staticMetaObject)), "TClientDataSet");
    EXPECT_EQ(Text(PlainClassName(&TZSQLQuery::staticMetaObject)), "TZSQLQuery");
    EXPECT_EQ(Text(PlainClassName(nullptr)), "");

    TMyClientDataSet mine;
    for (const char* name : {"TMyClientDataSet", "TClientDataSet", "TZMemDataSet", "TDataSet", "QObject"})
        EXPECT_TRUE(InheritsClass(&mine, QString::fromLatin1(name))) << name;
    EXPECT_FALSE(InheritsClass(&mine, QStringLiteral("TSQLClientDataSet")));
    EXPECT_FALSE(InheritsClass(&mine, QStringLiteral("tclientdataset")));
    EXPECT_FALSE(InheritsClass(nullptr, QStringLiteral("QObject")));
}

TEST(ChangeOrderProperties, DottedPathsFollowObjectProperties)
{
    TSimpleDataSet simple;
    EXPECT_TRUE(HasProperty(&simple, QStringLiteral("IndexFieldNames")));
    EXPECT_TRUE(HasProperty(&simple, QStringLiteral("DataSet.CommandText")));
    EXPECT_FALSE(HasProperty(&simple, QStringLiteral("DataSet.Missing")));
    EXPECT_FALSE(HasProperty(&simple, QStringLiteral("FileName.Length"))); // not an object
    EXPECT_FALSE(HasProperty(&simple, QStringLiteral("Missing.CommandText")));
    EXPECT_FALSE(HasProperty(&simple, QString()));

    EXPECT_TRUE(SetPropertyValue(&simple, QStringLiteral("DataSet.CommandText"), QStringLiteral("SELECT 1")));
    EXPECT_EQ(Text(simple.GetDataSet()->CommandText), "SELECT 1");
    EXPECT_EQ(Text(GetPropertyValue(&simple, QStringLiteral("DataSet.CommandText")).toString()), "SELECT 1");
    EXPECT_FALSE(SetPropertyValue(&simple, QStringLiteral("DataSet.Missing"), 1));
    EXPECT_FALSE(SetPropertyValue(&simple, QStringLiteral("DataSet"), QVariant())); // read-only

    // With the object unset the property is still declared, but there is nothing to read or write.
    simple.DetachDataSet();
    EXPECT_TRUE(HasProperty(&simple, QStringLiteral("DataSet.CommandText")));
    EXPECT_FALSE(GetPropertyValue(&simple, QStringLiteral("DataSet.CommandText")).isValid());
    EXPECT_FALSE(SetPropertyValue(&simple, QStringLiteral("DataSet.CommandText"), QStringLiteral("x")));
}

TEST(ChangeOrderProperties, EnumerationsTravelByKeyName)
{
    TADODataSet ado;
    const QVariant location = GetPropertyValue(&ado, QStringLiteral("CursorLocation"));
    EXPECT_EQ(location.metaType(), QMetaType::fromType<QString>());
    EXPECT_EQ(Text(location.toString()), "clUseClient");
    EXPECT_TRUE(SetPropertyValue(&ado, QStringLiteral("CommandType"), QStringLiteral("cmdStoredProc")));
    EXPECT_EQ(ado.CommandType, TADODataSet::cmdStoredProc);
    EXPECT_TRUE(SetPropertyValue(&ado, QStringLiteral("CursorLocation"), int(TADODataSet::clUseServer)));
    EXPECT_EQ(Text(GetPropertyValue(&ado, QStringLiteral("CursorLocation")).toString()), "clUseServer");
    EXPECT_FALSE(GetPropertyValue(&ado, QStringLiteral("Sort")).isValid());
}

TEST(ChangeOrderProperties, SetterExceptionsPassThrough)
{
    TZMemDataSet memData;
    memData.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 20);
    memData.CreateDataSet();
    EXPECT_TRUE(SetPropertyValue(&memData, QStringLiteral("IndexFieldNames"), QStringLiteral("Name DESC")));
    EXPECT_EQ(Text(memData.GetIndexFieldNames()), "Name DESC");
    EXPECT_THROW(SetPropertyValue(&memData, QStringLiteral("IndexFieldNames"), QStringLiteral("Missing")),
                 EDatabaseError);
    EXPECT_EQ(Text(GetPropertyValue(&memData, QStringLiteral("IndexFieldNames")).toString()), "Name DESC");
}

} // namespace

#include "test_order_registry.moc"

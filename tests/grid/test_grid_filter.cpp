// The grid's auto-filter on a real grid over an in-memory table and an SQLite
// query: column expressions and value lists reach the dataset, the dataset's
// own filter is kept meanwhile and given back exactly, the current record and
// the selection survive a filter change, the filter settings text survives a
// round trip and hostile texts, and the title's button shows the state.

#include "test_grid_helpers.h"

#include "ZDBFilter.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>


using namespace zdb;
using namespace zdb::test;

namespace {

enum class TSource { Memory, Sqlite };

// A dataset handler that can be recognised after a round trip through the grid.
struct TTaggedHandler {
    int Tag = 0;
    int* Calls = nullptr;
    void operator()(TDataSet* DataSet, bool& Accept) const
    {
        ++*Calls;
        Accept = DataSet->FieldByName("Id")->AsInteger() != 4;
    }
};

class TFilterGrid : public TZDBGrid
{
public:
    using TZCustomDBGrid::AutoFilterButtonRect;
    using TZCustomDBGrid::CalcTitleRect;
    using TZCustomDBGrid::TitleCaptionRect;
};

// Records (Id, Name, A, B): 1 Ann 1 2, 2 Bob 1 1, 3 (null) 2 2, 4 Cid 1 2, 5 Dan 2 1.
class GridFilter : public ::testing::TestWithParam<TSource> {
protected:
    void SetUp() override
    {
        if (GetParam() == TSource::Memory) {
            auto table = std::make_unique<TZMemDataSet>();
            table->FieldDefs().Add("Id", ftInteger);
            table->FieldDefs().Add("Name", ftWideString, 20);
            table->FieldDefs().Add("A", ftInteger);
            table->FieldDefs().Add("B", ftInteger);
            table->CreateDataSet();
            for (const auto& [id, name, a, b] : Rows) {
                table->Append();
                table->FieldByName("Id")->SetValue(id);
                if (name)
                    table->FieldByName("Name")->SetValue(QString::fromLatin1(name));
                table->FieldByName("A")->SetValue(a);
                table->FieldByName("B")->SetValue(b);
                table->Post();
            }
            table->First();
            Data = std::move(table);
        } else {
            Db = std::make_unique<SqliteTestDb>();
            ASSERT_TRUE(ExecSql(Db->Database(), "CREATE TABLE t (Id INTEGER PRIMARY KEY, Name TEXT, A INTEGER, B INTEGER)"));
            for (const auto& [id, name, a, b] : Rows)
                ASSERT_TRUE(ExecSql(Db->Database(), QStringLiteral("INSERT INTO t VALUES (%1, %2, %3, %4)")
                                                        .arg(id)
                                                        .arg(name ? QStringLiteral("'%1'").arg(QLatin1String(name))
                                                                  : QStringLiteral("NULL"))
                                                        .arg(a)
                                                        .arg(b)));
            auto query = std::make_unique<TZSQLQuery>();
            query->SetConnection(Db->Database());
            query->SetFieldType("Name", ftWideString, 20);
            query->SetSQLText("SELECT Id, Name, A, B FROM t ORDER BY Id");
            query->Open();
            Data = std::move(query);
        }
        Source.SetDataSet(Data.get());
        Grid = std::make_unique<TFilterGrid>();
        Grid->SetKeyFields("Id");
        Grid->SetDataSource(&Source);
        ShowGrid(*Grid, 500, 300);
    }
    void TearDown() override
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
        Data.reset();
    }
    TZColumn* Column(const char* Name) const { return Grid->FindColumn(Name); }
    // The ids the dataset shows, in order.
    std::vector<int> Ids() const
    {
        std::vector<int> ids;
        const TBookmark at = Data->GetBookmark();
        for (Data->First(); !Data->Eof(); Data->Next())
            ids.push_back(Data->FieldByName("Id")->AsInteger());
        if (Data->BookmarkValid(at))
            Data->GotoBookmark(at);
        return ids;
    }
    int CurrentId() const { return Data->FieldByName("Id")->AsInteger(); }
    // Adds records (Id, Name) with A = B = 0: appended to the table, or
    // inserted into the SQLite table with bound values and the query reopened.
    void AddNames(const std::vector<std::pair<int, QString>>& Names)
    {
        if (GetParam() == TSource::Memory) {
            for (const auto& [id, name] : Names) {
                Data->Append();
                Data->FieldByName("Id")->SetValue(id);
                Data->FieldByName("Name")->SetValue(name);
                Data->FieldByName("A")->SetValue(0);
                Data->FieldByName("B")->SetValue(0);
                Data->Post();
            }
            return;
        }
        QSqlQuery insert(Db->Database());
        ASSERT_TRUE(insert.prepare("INSERT INTO t VALUES (?, ?, 0, 0)"));
        for (const auto& [id, name] : Names) {
            insert.addBindValue(id);
            insert.addBindValue(name);
            ASSERT_TRUE(insert.exec()) << insert.lastError().text().toStdString();
        }
        Data->Close();
        Data->Open();
    }
    bool GridHandlerInstalled() const { return Grid->IsFilterRecordHandler(Data->OnFilterRecord); }
    // The ticked values are tested: by the grid's handler, or by the query's server.
    bool ValueListsApplied() const
    {
        const auto* query = dynamic_cast<const TZSQLQuery*>(Data.get());
        return GridHandlerInstalled() || (query && query->ServerFilterActive() && !query->FilterValueLists().isEmpty());
    }

    struct TRow {
        int Id;
        const char* Name;
        int A, B;
    };
    static constexpr TRow Rows[] = {{1, "Ann", 1, 2}, {2, "Bob", 1, 1}, {3, nullptr, 2, 2}, {4, "Cid", 1, 2}, {5, "Dan", 2, 1}};
    std::unique_ptr<SqliteTestDb> Db;
    std::unique_ptr<TDataSet> Data;
    TDataSource Source;
    std::unique_ptr<TFilterGrid> Grid;
};

} // namespace

TEST_P(GridFilter, ColumnExpressionsJoinTheDataSetFilterAndGiveItBackExactly)
{
    // Without an own filter: the column's expression alone, in parentheses.
    Column("A")->SetFilterText("A = 1");
    EXPECT_EQ(Data->GetFilter(), "(A = 1)");
    EXPECT_TRUE(Data->GetFiltered());
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 4}));
    // Columns join in collection order, whichever was set first.
    Column("B")->SetFilterText("B = 2");
    Column("A")->SetFilterText("A >= 1");
    EXPECT_EQ(Data->GetFilter(), "(A >= 1) AND (B = 2)");
    Grid->FilterGrid()->ClearAutoFilter(TFilterStyles{fsFilterForm});
    EXPECT_EQ(Data->GetFilter(), "");
    EXPECT_FALSE(Data->GetFiltered());
    EXPECT_FALSE(Grid->FilterGrid()->GetActive());

    // With an own filter and handler: kept by the grid, joined, given back.
    int calls = 0;
    Data->SetFilter("B = 2");
    Data->SetOnFilterRecord(TTaggedHandler{7, &calls});
    Data->SetFiltered(true);
    Column("A")->SetFilterText("A = 1");
    EXPECT_EQ(Data->GetFilter(), "(B = 2) AND (A = 1)");
    EXPECT_TRUE(GridHandlerInstalled());
    EXPECT_EQ(Grid->GetFilter(), "B = 2");
    EXPECT_TRUE(Grid->GetFiltered());
    EXPECT_EQ(Ids(), (std::vector<int>{1})) << "the own handler still rejects record 4";
    EXPECT_GT(calls, 0);

    // The grid's Filter changes only the kept text; the dataset gets the new join.
    Grid->SetFilter("B = 1");
    EXPECT_EQ(Data->GetFilter(), "(B = 1) AND (A = 1)");
    EXPECT_EQ(Ids(), (std::vector<int>{2}));
    Grid->SetFilter("B = 2");

    Column("A")->SetFilterText("");
    EXPECT_FALSE(GridHandlerInstalled());
    EXPECT_EQ(Data->GetFilter(), "B = 2");
    EXPECT_TRUE(Data->GetFiltered());
    ASSERT_TRUE(Data->OnFilterRecord.target<TTaggedHandler>());
    EXPECT_EQ(Data->OnFilterRecord.target<TTaggedHandler>()->Tag, 7);

    // An own filter that is switched off stays off: neither its text nor its
    // handler take part, and both come back as they were.
    Data->SetFiltered(false);
    calls = 0;
    Column("A")->SetFilterText("A = 1");
    EXPECT_EQ(Data->GetFilter(), "(A = 1)");
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(calls, 0);
    // The grid going away gives the dataset back its own filter too.
    Grid.reset();
    EXPECT_EQ(Data->GetFilter(), "B = 2");
    EXPECT_FALSE(Data->GetFiltered());
    ASSERT_TRUE(Data->OnFilterRecord.target<TTaggedHandler>());
    EXPECT_EQ(Data->OnFilterRecord.target<TTaggedHandler>()->Tag, 7);
}

TEST_P(GridFilter, FiltersReadWithTheGridTakeEffectWhenItIsLoaded)
{
    TZDBGrid loaded;
    loaded.Loading();
    TZColumn* a = loaded.Columns()->Add();
    a->SetFieldName("A");
    a->SetFilterText("A = 1");
    loaded.SetFilter("B = 2");
    loaded.SetFiltered(true);
    loaded.SetDataSource(&Source);
    EXPECT_EQ(Data->GetFilter(), "") << "nothing is applied while loading";
    loaded.Loaded();
    EXPECT_EQ(Data->GetFilter(), "(B = 2) AND (A = 1)");
    EXPECT_EQ(Ids(), (std::vector<int>{1, 4}));
    // Closed, the dataset has its own filter; reopened, the grid's again (an
    // in-memory table keeps no records once closed).
    if (GetParam() == TSource::Sqlite) {
        Data->Close();
        EXPECT_EQ(Data->GetFilter(), "B = 2");
        EXPECT_FALSE(Grid->IsFilterRecordHandler(Data->OnFilterRecord) || loaded.IsFilterRecordHandler(Data->OnFilterRecord));
        Data->Open();
        EXPECT_EQ(Data->GetFilter(), "(B = 2) AND (A = 1)");
        EXPECT_EQ(Ids(), (std::vector<int>{1, 4}));
    }
}

TEST_P(GridFilter, ValueListsFilterRecordByRecordOnTheKeyFieldsEditText)
{
    // Case-insensitive, without duplicates; the empty item admits the empty name.
    Column("Name")->SetFilterList({"cid", "ANN", "Ann", ""});
    EXPECT_EQ(Column("Name")->GetFilterList(), (QStringList{"", "ANN", "cid"}));
    EXPECT_EQ(Data->GetFilter(), "") << "a value list adds nothing to the expression";
    EXPECT_TRUE(ValueListsApplied());
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 4}));
    // Together with an expression of another column.
    Column("A")->SetFilterText("A = 1");
    EXPECT_EQ(Ids(), (std::vector<int>{1, 4}));
    Column("Name")->FilterList()->Clear();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 4}));
    // Filtered off: column filters take no part, and come back with it.
    Grid->FilterGrid()->SetFiltered(false);
    EXPECT_FALSE(Data->GetFiltered());
    EXPECT_EQ(Ids().size(), 5u);
    Grid->FilterGrid()->SetFiltered(true);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 4}));
}

TEST_P(GridFilter, ValueListItemsMatchTheirLiteralText)
{
    // Each hostile value beside texts it would match were it read as a
    // pattern, a quoted name or a list of several values.
    AddNames({{6, "O'Neil"}, {7, "O''Neil"}, {8, "[x]"}, {9, "x"}, {10, "50%"}, {11, "50 and more"},
              {12, "a_b"}, {13, "axb"}, {14, "Smith, Jr"}, {15, "Smith"}, {16, "Jr"}, {17, "'Ann'"}});
    const std::vector<std::pair<QString, int>> literals{
        {"o'neil", 6}, {"O''Neil", 7}, {"[x]", 8}, {"50%", 10}, {"a_b", 12}, {"Smith, Jr", 14}, {"'Ann'", 17}};
    for (const auto& [value, id] : literals) {
        Column("Name")->SetFilterList({value});
        EXPECT_EQ(Ids(), (std::vector<int>{id})) << value.toStdString();
    }
    Column("Name")->SetFilterList({"a_b", "50%", "[x]", "O'Neil", "Smith, Jr"});
    const std::vector<int> ticked{6, 8, 10, 12, 14};
    EXPECT_EQ(Ids(), ticked);
    // The same filter back from its settings text.
    const QStringList saved = Grid->FilterGrid()->GetSettings();
    Grid->FilterGrid()->ClearAutoFilter(TFilterStyles{fsFilterList});
    EXPECT_EQ(Ids().size(), 17u);
    Grid->FilterGrid()->SetSettings(saved);
    EXPECT_EQ(Ids(), ticked);
    // A refused expression, from the filter form on the same column or set on
    // another, leaves the ticked values filtering.
    TZFilterFormState form;
    form.ClauseList1Text = QString::number(fcIsEqual);
    form.ValuesList1Text = "O'Neil";
    EXPECT_THROW(SaveFilterForm(Column("Name"), form), EDatabaseError);
    EXPECT_EQ(Column("Name")->GetFilterList().size(), 5);
    EXPECT_EQ(Ids(), ticked);
    const QString combined = Grid->FilterGrid()->GetFilterText();
    EXPECT_THROW(Column("A")->SetFilterText("A = = 0"), EDatabaseError);
    EXPECT_EQ(Column("A")->GetFilterText(), QString());
    EXPECT_EQ(Grid->FilterGrid()->GetFilterText(), combined);
    EXPECT_TRUE(ValueListsApplied());
    EXPECT_EQ(Ids(), ticked);
}

TEST_P(GridFilter, WithoutAutoUpdateChangesAreOnlyAnnounced)
{
    int announced = 0, updated = 0;
    Grid->OnFilterChanged = [&](TZCustomDBGrid*) { ++announced; };
    Grid->OnFilterUpdated = [&](TZCustomDBGrid*) { ++updated; };
    Grid->FilterGrid()->SetAutoUpdate(false);
    {
        // A bracket announces a batch once.
        TZFilterChangeGuard change(Grid->FilterGrid());
        Column("A")->SetFilterText("A = 2");
        Column("Name")->SetFilterList({"Dan", "Bob"});
    }
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(updated, 0);
    EXPECT_EQ(Data->GetFilter(), "");
    EXPECT_EQ(Ids().size(), 5u);
    Grid->FilterGrid()->SetAutoUpdate(true);
    EXPECT_EQ(Ids(), (std::vector<int>{5}));
    EXPECT_EQ(updated, 1);
    EXPECT_EQ(announced, 1);
}

TEST_P(GridFilter, ARefusedExpressionLeavesTheDataSetFilteredAsItWas)
{
    Column("B")->SetFilterText("B = 2");
    EXPECT_THROW(Column("A")->SetFilterText("A = = 1"), EDatabaseError);
    EXPECT_EQ(Data->GetFilter(), "(B = 2)");
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 4}));
    // Not installed before: the dataset stays without the grid's filter.
    Column("A")->SetFilterText("");
    Column("B")->SetFilterText("");
    Data->SetFilter("A = 2");
    Data->SetFiltered(true);
    EXPECT_THROW(Column("B")->SetFilterText("Nope = 1"), EDatabaseError);
    EXPECT_FALSE(Grid->FilterGrid()->GetActive());
    EXPECT_EQ(Data->GetFilter(), "A = 2");
    EXPECT_FALSE(GridHandlerInstalled());
    EXPECT_EQ(Ids(), (std::vector<int>{3, 5}));
}

TEST_P(GridFilter, TheCurrentRecordAndTheSelectionAreKeptByKey)
{
    Grid->SetOptions(Grid->GetOptions() | dgMultiSelect);
    Grid->SetOptionsEx(Grid->GetOptionsEx() | dgAutoKeepSelection);
    for (int id : {2, 4, 5}) {
        ASSERT_TRUE(Data->Locate("Id", id));
        Grid->SelectedRows()->SetCurrentRowSelected(true);
    }
    ASSERT_TRUE(Data->Locate("Id", 4));
    Column("A")->SetFilterText("A = 1");
    EXPECT_EQ(CurrentId(), 4);
    std::vector<int> selected;
    Grid->ForEachDataRow(reSelectedRows, [&] { selected.push_back(CurrentId()); });
    EXPECT_EQ(selected, (std::vector<int>{2, 4}));
    EXPECT_FALSE(Data->ControlsDisabled());
    EXPECT_FALSE(Grid->PositionDisabled());
}

TEST_P(GridFilter, SettingsTextRoundTripAndHostileTexts)
{
    // Only announced at first: the dataset would refuse the text of B.
    int changes = 0;
    Grid->OnFilterChanged = [&](TZCustomDBGrid*) { ++changes; };
    Grid->FilterGrid()->SetAutoUpdate(false);
    Column("Name")->SetFilterList({"", "O\"Neil", "Smith, Jr"});
    Column("A")->SetFilterText("A IN (1, 2)");
    Column("B")->SetFilterText("\"quoted\" start");
    const QStringList saved = Grid->FilterGrid()->GetSettings();
    EXPECT_EQ(saved.value(0), "Filters=3");
    Grid->FilterGrid()->ClearAutoFilter(TFilterStyles{fsFilterList, fsFilterForm});
    changes = 0;
    Grid->FilterGrid()->SetSettings(saved);
    EXPECT_EQ(changes, 1) << "all columns are applied at once";
    EXPECT_EQ(Column("Name")->GetFilterList(), (QStringList{"", "O\"Neil", "Smith, Jr"}));
    EXPECT_EQ(Column("A")->GetFilterText(), "A IN (1, 2)");
    EXPECT_EQ(Column("B")->GetFilterText(), "\"quoted\" start");
    Grid->FilterGrid()->ClearAutoFilter(TFilterStyles{fsFilterList, fsFilterForm});
    Grid->FilterGrid()->SetAutoUpdate(true);

    // Hostile texts load what is valid and raise nothing.
    const auto load = [&](const QStringList& Text) {
        EXPECT_NO_THROW(Grid->FilterGrid()->SetSettings(Text)) << Text.join('|').left(80).toStdString();
    };
    load({"Filters=x", "Filter1=A,A = 2,"});
    EXPECT_FALSE(Column("A")->GetFiltered());
    load({"Filters=3", "Filter1=Nope,X = 1,", "filter2=\"A,A = 1", "Filter3=\"Name\",,\"unclosed,Bob"});
    EXPECT_EQ(Column("A")->GetFilterText(), "");
    EXPECT_EQ(Column("Name")->GetFilterList(), (QStringList{"unclosed,Bob"}));
    load({"Filters=2", "Filter2=B,B = 1,", "Filter02=A,A = 1,", "Filter1=B,B = 2", "Filter1=A,A = 2"});
    EXPECT_EQ(Column("B")->GetFilterText(), "B = 1") << "entries apply in their order; the first of a name counts";
    EXPECT_FALSE(Column("A")->GetFiltered());
    EXPECT_EQ(Ids(), (std::vector<int>{2, 5}));
    load({"Filters=2147483647", "Filter1=\"\"\"", "Filter2=A,\"A = 2"});
    EXPECT_EQ(Column("A")->GetFilterText(), "A = 2");

    QStringList big{"Filters=100000"};
    for (int n = 1; n <= 100000; ++n)
        big << QStringLiteral("Filter%1=%2,,Dan,Ann%3").arg(n).arg(n % 2 ? "Name" : "Unknown").arg(n);
    QElapsedTimer timer;
    timer.start();
    load(big);
    // Linear work takes about a second in a debug build; quadratic work, minutes.
    EXPECT_LT(timer.elapsed(), 30000);
    EXPECT_EQ(Column("Name")->GetFilterList(), (QStringList{"Ann99999", "Dan"}));
    EXPECT_EQ(Ids(), (std::vector<int>{5}));
}

TEST_P(GridFilter, TheTitleButtonShowsTheStateAndSortsNothing)
{
    TZColumn* name = Column("Name");
    TZColumn* master = nullptr;
    const int raw = Grid->DataToRawColumn(name->Index());
    const auto buttonRect = [&] {
        const QRect title = Grid->CalcTitleRect(name, 0, master);
        return Grid->AutoFilterButtonRect(name, Grid->TitleCaptionRect(name, 0, title));
    };
    EXPECT_TRUE(buttonRect().isEmpty()) << "no button until the grid's AutoFilter is on";
    Grid->FilterGrid()->SetAutoFilter(true);
    const QRect button = buttonRect();
    ASSERT_FALSE(button.isEmpty());
    EXPECT_TRUE(Grid->CellRect(raw, 0).contains(button));

    const auto grabButton = [&] {
        QApplication::processEvents();
        return Grid->viewport()->grab().toImage().copy(button);
    };
    const QImage plain = grabButton();
    name->SetFilterList({"Ann"});
    const QImage filtered = grabButton();
    EXPECT_NE(plain, filtered);
    name->SetFilterList({});
    EXPECT_EQ(grabButton(), plain);

    // A click on the button sorts nothing; one on the caption does.
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, button.center());
    EXPECT_EQ(name->Title()->GetMarker(), tmNone);
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, QPoint(button.left() - 10, button.center().y()));
    EXPECT_NE(name->Title()->GetMarker(), tmNone);

    // No button for a title that refuses it, nor while filtering is off.
    name->Title()->SetAutoFilter(false);
    EXPECT_TRUE(buttonRect().isEmpty());
    name->Title()->SetAutoFilter(true);
    Grid->FilterGrid()->SetFiltered(false);
    EXPECT_TRUE(buttonRect().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Sources, GridFilter, ::testing::Values(TSource::Memory, TSource::Sqlite),
                         [](const auto& Info) { return Info.param == TSource::Memory ? "Memory" : "Sqlite"; });

TEST(GridFilterSettings, SettersNormaliseAndTheFilterIsPublishedByPath)
{
    TZDBGrid grid;
    TZDBGridFilter* filter = grid.FilterGrid();
    filter->SetDropDownRows(-5);
    EXPECT_EQ(filter->GetDropDownRows(), 0);
    filter->SetClauses({});
    EXPECT_EQ(filter->GetClauses(), TZDBGridFilterClauses{fcNoFilter});
    filter->SwitchPeriods(TZDBGridFilter::DefaultPeriods(), false);
    EXPECT_EQ(filter->GetPeriods(), TZDBGridFilterPeriods{fpNoPeriod});

    // The grid's FilterGrid property reaches the filter's published properties.
    const QVariant sub = grid.property("FilterGrid");
    ASSERT_TRUE(sub.metaType().flags() & QMetaType::PointerToGadget);
    void* gadget = *static_cast<void* const*>(sub.constData());
    const QMetaObject& meta = *sub.metaType().metaObject();
    const QMetaProperty autoFilters = meta.property(meta.indexOfProperty("AutoFilters"));
    EXPECT_TRUE(autoFilters.writeOnGadget(gadget, QStringList{"fsFilterForm"}));
    EXPECT_EQ(filter->GetAutoFilters(), TFilterStyles{fsFilterForm});
    EXPECT_TRUE(autoFilters.writeOnGadget(gadget, QStringList{"fsNoSuchStyle"}));
    EXPECT_EQ(filter->GetAutoFilters(), TFilterStyles{fsFilterForm}) << "a non-member changes nothing";
}

// The column filter's expression rules: dataset kinds, value normalisation and
// the expression the filter form builds, on real grids over in-memory tables
// (some carrying the class names of other products' datasets).

#include "DBError.h"
#include "ZDBFilter.h"
#include "ZDBGrids.h"
#include "ZDBMemData.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable failure messages for texts.
void PrintTo(const QString& Text, std::ostream* Out)
{
    *Out << '"' << Text.toStdString() << '"';
}

// Stand-ins live in their own C++ namespace: kinds are found by the class name without it.
namespace standin {
using zdb::TZMemDataSet;
class TADOQuery : public TZMemDataSet {
    Q_OBJECT using TZMemDataSet::TZMemDataSet;
};
class TMyADOQuery : public TADOQuery {
    Q_OBJECT using TADOQuery::TADOQuery;
};
class TQuery : public TZMemDataSet {
    Q_OBJECT using TZMemDataSet::TZMemDataSet;
};
// Named like the tail of a listed class ("TADOQuery."), but not listed itself.
class ADOQuery : public TZMemDataSet {
    Q_OBJECT using TZMemDataSet::TZMemDataSet;
};
} // namespace standin

using namespace zdb;

namespace {

// A grid over an open table of the class TData: Name, Last Name, X (float), N (integer),
// D (date), with the rows given as (Name, X) and numbered in N.
template <typename TData = TZMemDataSet>
struct TFilterGrid {
    std::unique_ptr<TData> Table = std::make_unique<TData>();
    TDataSource Source;
    TZDBGrid Grid;

    explicit TFilterGrid(const QLocale& Locale = QLocale::c(),
                         const std::vector<std::pair<QString, double>>& Rows = {})
    {
        Table->SetLocale(Locale);
        Table->FieldDefs().Add("Name", ftWideString, 30);
        Table->FieldDefs().Add("Last Name", ftString, 30);
        Table->FieldDefs().Add("X", ftFloat);
        Table->FieldDefs().Add("N", ftInteger);
        Table->FieldDefs().Add("D", ftDate);
        Table->FieldDefs().Add("M", ftWideMemo);
        Table->CreateDataSet();
        for (const auto& [name, x] : Rows) {
            Table->Append();
            Table->FieldByName("Name")->SetValue(name);
            Table->FieldByName("X")->SetValue(x);
            Table->FieldByName("N")->SetValue(Table->RecordCount() + 1);
            Table->Post();
        }
        Source.SetDataSet(Table.get());
        Grid.SetDataSource(&Source);
    }
    TZColumn* Column(const QString& Name) const { return Grid.Columns()->FindColumn(Name); }

    // Confirms the filter form on the column; returns the column's new FilterText.
    QString Save(const QString& Name, TZDBGridFilterClause Clause1, const QString& Value1,
                 TZDBGridFilterClause Clause2 = fcNoFilter, const QString& Value2 = {}, bool And = true,
                 bool Not = false)
    {
        TZFilterFormState state{QString::number(Clause1), QString::number(Clause2), Value1, Value2, {}, And, !And, Not};
        LastData = SaveFilterForm(Column(Name), state);
        return Column(Name)->GetFilterText();
    }

    // The names of the records Expression lets through on the table.
    QStringList Passing(const QString& Expression)
    {
        Table->SetFilter(Expression);
        Table->SetFiltered(true);
        QStringList names;
        for (Table->First(); !Table->Eof(); Table->Next())
            names << Table->FieldByName("Name")->AsString();
        Table->SetFiltered(false);
        return names;
    }

    QStringList LastData;
};

const QLocale DecimalComma(QLocale::German, QLocale::Germany);

} // namespace

TEST(FilterKinds, ExactClassNameDecidesKindClausesAndDecimalSeparator)
{
    standin::TADOQuery ado;
    standin::TMyADOQuery myAdo;
    standin::ADOQuery tail;
    standin::TQuery bde;
    TZMemDataSet mem;

    EXPECT_TRUE(IsADODataSet(&ado) && IsBDEDataSet(&bde));
    for (const TDataSet* none : std::initializer_list<const TDataSet*>{&myAdo, &tail, &mem, nullptr})
        EXPECT_FALSE(IsADODataSet(none) || IsBDEDataSet(none) || IsCDSDataSet(none) || IsFDXDataSet(none))
            << (none ? none->metaObject()->className() : "none");

    const auto all = TZDBGridFilterClauses::FromBits((1u << FilterClauseCount) - 1);
    const TZDBGridFilterClauses lists{fcIsOnTheList, fcIsNotOnTheList};
    const TZDBGridFilterClauses trailingLike{fcDoesNotContain, fcDoesNotStartFrom, fcEndsWith, fcDoesNotEndWith};
    const TZDBGridFilterClauses leadingLike{fcContains, fcStartsFrom};
    EXPECT_EQ(GetFilterClauses(all, &myAdo), all);
    EXPECT_EQ(GetFilterClauses(all, &ado), all - lists - trailingLike);
    EXPECT_EQ(GetFilterClauses(all, &bde), all - lists - trailingLike - leadingLike);
    const TZDBGridFilterClauses offered{fcNoFilter, fcContains, fcIsEqual};
    EXPECT_EQ(GetFilterClauses(offered, &bde), offered - leadingLike);

    for (bool useLocale : {false, true}) {
        EXPECT_EQ(GetDecimalSeparator(&bde, useLocale, ","), ",");
        EXPECT_EQ(GetDecimalSeparator(&ado, useLocale, ","), ".");
        EXPECT_EQ(GetDecimalSeparator(&mem, useLocale, ","), useLocale ? "," : ".");
    }
}

TEST(FilterForm, StringClausesBuildWhatTheDatasetFiltersBy)
{
    TFilterGrid<> g(QLocale::c(), {{"ab%", 1}, {"xab%y", 2}, {"abc", 3}, {"O'Brien", 4}, {"a", 5}, {"b,c", 6}});

    g.Column("Name")->SetFilterList({"abc"});
    EXPECT_EQ(g.Save("Name", fcContains, " ab% "), "Name LIKE '%ab%%'");
    EXPECT_TRUE(g.Column("Name")->GetFilterList().isEmpty()); // the form replaces the value list
    EXPECT_EQ(g.Passing(g.Column("Name")->GetFilterText()), QStringList({"ab%", "xab%y", "abc"}));

    EXPECT_EQ(g.Save("Last Name", fcIsEqual, "Smith"), "[Last Name] = 'Smith'");
    EXPECT_EQ(g.Save("Name", fcIsOnTheList, "a, b ,c"), "Name IN ('a','b','c')");
    EXPECT_EQ(g.Passing(g.Column("Name")->GetFilterText()), QStringList({"a"}));
    // The column's delimiter separates the items; other characters belong to them.
    g.Column("Name")->SetDelimiterChar(QLatin1Char(';'));
    EXPECT_EQ(g.Passing(g.Save("Name", fcIsOnTheList, "a; b,c")), QStringList({"a", "b,c"}));

    // A value that would end its quotes, or be more than a number, is refused and the
    // column keeps the filter it had.
    const QString before = g.Column("Name")->GetFilterText();
    for (const char* value : {"O'Brien", "x' OR Name <> 'x"})
        EXPECT_THROW(g.Save("Name", fcIsEqual, value), EDatabaseError) << value;
    EXPECT_THROW(g.Save("Name", fcStartsFrom, "x' OR Name LIKE '"), EDatabaseError);
    EXPECT_EQ(g.Column("Name")->GetFilterText(), before);
    EXPECT_THROW(g.Save("N", fcIsEqual, "1 OR 1=1"), EDatabaseError);
    EXPECT_THROW(g.Save("N", fcIsOnTheList, "1, 2) OR (1=1"), EDatabaseError);
    EXPECT_EQ(g.Passing(g.Save("N", fcIsOnTheList, "4, 6")), QStringList({"O'Brien", "b,c"}));
    EXPECT_EQ(g.Passing(g.Save("N", fcIsGreaterThen, "-1")).size(), 6);
}

TEST(FilterForm, DecimalCommaListsFollowTheDatasetKind)
{
    const std::vector<std::pair<QString, double>> rows{{"one", 1.5}, {"two", 2.5}, {"three", 5}};
    TFilterGrid<standin::TQuery> bde(DecimalComma, rows);
    TFilterGrid<standin::TADOQuery> ado(DecimalComma, rows);
    TFilterGrid<> mem(DecimalComma, rows);

    EXPECT_EQ(bde.Save("X", fcIsOnTheList, "1,5  2,5"), "X IN (1,5, 2,5)");
    EXPECT_EQ(ado.Save("X", fcIsOnTheList, "1,5  2,5"), "X IN (1.5,2.5)");
    // Our datasets read numbers with a decimal point, whatever the locale ...
    EXPECT_EQ(mem.Passing(mem.Save("X", fcIsOnTheList, "1,5  2,5")), QStringList({"one", "two"}));
    EXPECT_EQ(mem.Passing(mem.Save("X", fcIsGreaterThenOrEqual, "2,5")), QStringList({"two", "three"}));
    // ... unless the grid filter asks for the locale's separator.
    mem.Grid.FilterGrid()->SetDecimalSeparator(true);
    EXPECT_EQ(mem.Save("X", fcIsOnTheList, "1,5  2,5"), "X IN (1,5, 2,5)");
}

TEST(FilterForm, ClausesCombineNegateAndDropOut)
{
    TFilterGrid<> g;
    TFilterGrid<standin::TADOQuery> ado;

    // Emptiness takes no value: the typed one is ignored and cleared.
    TZFilterFormState state;
    state.ClauseList1Text = QString::number(fcIsEmpty);
    state.ValuesList1Text = "ignored";
    EXPECT_EQ(BuildFilterExpression(state, FilterRules(g.Column("X"))), "X IS NULL");
    EXPECT_TRUE(state.ValuesList1Text.isEmpty());
    EXPECT_EQ(ado.Save("X", fcIsEmpty, "1"), "X = NULL");

    EXPECT_EQ(g.Save("N", fcIsNotOnTheList, "1 , 2,  3"), "NOT N IN (1,2,3)");
    EXPECT_EQ(g.Save("D", fcIsLessThen, "2024-02-01"), "D < '2024-02-01'");
    // A column filters by its key field, with that field's rules.
    g.Column("Name")->SetKeyField("N");
    EXPECT_EQ(g.Save("Name", fcIsOnTheList, "1, 2"), "N IN (1,2)");
    EXPECT_EQ(g.Save("N", fcNoFilter, "", fcIsGreaterThen, "5"), "N > 5");
    EXPECT_EQ(g.Save("N", fcIsEqual, "  ", fcIsLessThen, "5"), "N < 5"); // a clause without value drops out
    EXPECT_EQ(g.Save("N", fcIsGreaterThen, "1", fcIsLessThen, "5", false), "N > 1 OR N < 5");
    EXPECT_EQ(g.Save("N", fcIsGreaterThen, "1", fcIsLessThen, "5", true, true), "NOT (N > 1 AND N < 5)");
    EXPECT_EQ(g.LastData, QStringList({"ClauseList1Text=9", "ClauseList2Text=11", "ValuesList1Text=1",
                                       "ValuesList2Text=5", "PeriodListText=", "RadioButton1Checked=1",
                                       "RadioButton2Checked=0", "NOTCheckBoxChecked=1"}));
    // Nothing left: no filter, no form state.
    EXPECT_EQ(g.Save("N", fcIsEqual, "", fcNoFilter, "", true, true), "");
    EXPECT_TRUE(g.LastData.isEmpty());
    // A clause text naming no clause counts as none.
    state = {};
    state.ClauseList1Text = "17";
    state.ValuesList1Text = "1";
    EXPECT_EQ(BuildFilterExpression(state, FilterRules(g.Column("N"))), "");
}

TEST(FilterForm, ReplacedCaptionsAndFormatsTakeEffect)
{
    struct TRestore {
        QString Caption = SFilterCaption7, Format = SFilterFormat7, Wildcard = SWildcardCharacter2;
        ~TRestore() { SFilterCaption7 = Caption, SFilterFormat7 = Format, SWildcardCharacter2 = Wildcard; }
    } restore;
    SFilterCaption7 = "ist gleich";
    SFilterFormat7 = "%1:s = %0:s";
    SWildcardCharacter2 = "*";

    EXPECT_EQ(FilterCaption(fcIsEqual), "ist gleich");
    TFilterGrid<> g;
    EXPECT_EQ(g.Save("N", fcIsEqual, "3"), "3 = N");
    EXPECT_EQ(g.Save("Name", fcEndsWith, "z"), "Name LIKE '*z'");
}

TEST(FilterForm, RejectedExpressionKeepsThePreviousFilter)
{
    TFilterGrid<> g(QLocale::c(), {{"a", 1}, {"b", 2}});
    ASSERT_EQ(g.Save("N", fcIsEqual, "1"), "N = 1");
    ASSERT_TRUE(g.Table->GetFilter().contains("N = 1"));

    // The builder refuses a value that is no number; the dataset refuses a memo value
    // written bare (a name of no field).
    auto refusal = [&](const QString& field, TZDBGridFilterClause clause2, const QString& value2) {
        try {
            g.Save(field, fcIsEqual, field == "N" ? "1" : "abc", clause2, value2);
        } catch (const EDatabaseError& e) {
            return e.Message();
        }
        return QString("no error");
    };
    EXPECT_EQ(refusal("N", fcIsLessThen, "2)"), "Invalid filter expression: N = 1 AND N < 2)");
    EXPECT_EQ(refusal("M", fcNoFilter, ""), "Invalid filter expression: M = abc");
    EXPECT_TRUE(g.Column("M")->GetFilterText().isEmpty());
    EXPECT_EQ(g.Column("N")->GetFilterText(), "N = 1");
    EXPECT_EQ(g.Table->RecordCount(), 1);
}

#include "test_filter_expr.moc"

// The order-field algebra: token scanning, ";"/"," lists, the ORDER BY clause
// of query texts, order fields <-> index fields with and without direction
// suffixes, field names checked against a real in-memory dataset, and the
// order comparison.

#include "ZDBGridOrder.h"
#include "ZDBGridTypes.h"
#include "ZDBMemData.h"

#include <gtest/gtest.h>

using namespace zdb;

namespace {

std::string Text(const QString& S) { return S.toStdString(); }
std::string Text(const QStringList& L) { return ("[" + L.join(QStringLiteral("|")) + "]").toStdString(); }

// ---------------------------------------------------------------------------
// Tokens and lists

TEST(OrderAlgebraTokens, ScanStrTakesTokensUntilTheTextIsUsedUp)
{
    QString s = QStringLiteral("a,,b c,");
    EXPECT_EQ(Text(ScanStr(s)), "a");
    EXPECT_EQ(Text(s), ",b c,");
    EXPECT_EQ(Text(ScanStr(s)), "");
    EXPECT_EQ(Text(ScanStr(s)), "b c");
    EXPECT_EQ(Text(s), "");
    EXPECT_EQ(Text(ScanStr(s)), "");

    QString t = QStringLiteral("x::y::z");
    EXPECT_EQ(Text(ScanStr(t, QStringLiteral("::"))), "x");
    EXPECT_EQ(Text(t), "y::z");
    QString u = QStringLiteral("no separator");
    EXPECT_EQ(Text(ScanStr(u, QStringLiteral(";"))), "no separator");
    EXPECT_TRUE(u.isEmpty());
}

TEST(OrderAlgebraTokens, ScanStrFollowsTheAssignableDefaultDelimiter)
{
    struct TRestore {
        QString Saved = DefaultDelimiter;
        ~TRestore() { DefaultDelimiter = Saved; }
    } restore;
    DefaultDelimiter = QStringLiteral("|");
    QString s = QStringLiteral("a,b|c");
    EXPECT_EQ(Text(ScanStr(s)), "a,b");
    EXPECT_EQ(Text(s), "c");
}

TEST(OrderAlgebraTokens, ScanIntFallsBackToTheDefaultOnlyForNonNumbers)
{
    QString s = QStringLiteral("12,x,-3, 7 ,");
    EXPECT_EQ(ScanInt(s, 99), 12);
    EXPECT_EQ(ScanInt(s, 99), 99);
    EXPECT_EQ(ScanInt(s, 99), -3);
    EXPECT_EQ(ScanInt(s, 99), 7);
    EXPECT_EQ(ScanInt(s, 99), 99); // nothing left
    QString t = QStringLiteral("5;6");
    EXPECT_EQ(ScanInt(t, 0, QStringLiteral(";")), 5);
    EXPECT_EQ(Text(t), "6");
}

TEST(OrderAlgebraTokens, SeparatorConversionChangesNothingElse)
{
    EXPECT_EQ(Text(CommaToSemicolon(QStringLiteral(" A, B;C DESC,"))), " A; B;C DESC;");
    EXPECT_EQ(Text(SemicolonToComma(QStringLiteral(" A; B,C DESC;"))), " A, B,C DESC,");
}

TEST(OrderAlgebraTokens, ExtractFieldNameTrimsItemsAndAdvancesTheOneBasedPosition)
{
    const QString fields = QStringLiteral("A; B ;;C");
    int pos = 1;
    EXPECT_EQ(Text(ExtractFieldName(fields, pos)), "A");
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(Text(ExtractFieldName(fields, pos)), "B");
    EXPECT_EQ(pos, 7);
    EXPECT_EQ(Text(ExtractFieldName(fields, pos)), "");
    EXPECT_EQ(pos, 8);
    EXPECT_EQ(Text(ExtractFieldName(fields, pos)), "C");
    EXPECT_EQ(pos, 9); // past the end: length + 1

    int empty = 1;
    EXPECT_EQ(Text(ExtractFieldName(QString(), empty)), "");
    EXPECT_EQ(empty, 1);
}

// ---------------------------------------------------------------------------
// ORDER BY clause of a query text

struct TExtractCase {
    const char* Name;
    QStringList SQL;
    const char* Expected;
};

TEST(OrderAlgebraSql, ExtractOrderFieldsReadsTheLastOrderByLine)
{
    const TExtractCase cases[] = {
        {"two lines, semicolon", {"SELECT * FROM T", "ORDER BY Name, City DESC;"}, "Name, City DESC"},
        {"same line, any case", {"select * from t order by  name ; "}, "name"},
        {"no clause", {"SELECT * FROM T", "WHERE A = 1"}, ""},
        {"no lines", {}, ""},
        {"keyword at line end", {"SELECT * FROM T ORDER BY", "Name"}, ""},
        {"one blank between the words", {"SELECT * FROM T ORDER  BY Name"}, ""},
        {"sub-query before the outer clause",
         {"SELECT * FROM (SELECT A FROM T ORDER BY A) X", "ORDER BY B DESC"}, "B DESC"},
        {"sub-query on the last clause line", {"SELECT * FROM (SELECT A FROM T ORDER BY A) X"}, "A) X"},
        {"later lines are not read", {"SELECT * FROM T ORDER BY A", "LIMIT 5;"}, "A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(Text(ExtractOrderFields(c.SQL)), c.Expected);
    }
}

struct TModifyCase {
    const char* Name;
    QStringList SQL;
    const char* OrderFields;
    QStringList Expected;
};

TEST(OrderAlgebraSql, ModifyOrderFieldsRewritesRemovesOrAppendsTheClause)
{
    const TModifyCase cases[] = {
        {"rewrite keeps the semicolon", {"SELECT * FROM T", "ORDER BY Name;"}, "City DESC",
         {"SELECT * FROM T", "ORDER BY City DESC;"}},
        {"append after trailing empty lines", {"SELECT * FROM T WHERE A=1", "  "}, "Name",
         {"SELECT * FROM T WHERE A=1", "ORDER BY Name"}},
        {"append moves the semicolon", {"SELECT * FROM T;"}, "Name", {"SELECT * FROM T", "ORDER BY Name;"}},
        {"append moves a semicolon before blanks", {"SELECT 1 ;  "}, "Name", {"SELECT 1 ", "ORDER BY Name;"}},
        {"remove on the same line", {"SELECT * FROM T ORDER BY Name"}, "", {"SELECT * FROM T "}},
        {"remove leaves the semicolon", {"SELECT * FROM T", "ORDER BY Name;"}, "", {"SELECT * FROM T", ";"}},
        {"DESC alone counts as empty", {"SELECT * FROM T ORDER BY Name"}, " desc ", {"SELECT * FROM T "}},
        {"DESC alone without a clause", {"SELECT * FROM T"}, "DESC", {"SELECT * FROM T"}},
        {"empty order without a clause", {"SELECT * FROM T", " "}, "", {"SELECT * FROM T", " "}},
        {"order fields are trimmed", {"SELECT * FROM T"}, "  Name  ", {"SELECT * FROM T", "ORDER BY Name"}},
        {"keyword keeps its own case", {"select * from t order by a"}, "B", {"select * from t order by B"}},
        {"trailing blanks after the semicolon", {"  ORDER BY Name ;  "}, "X", {"  ORDER BY X;"}},
        {"keyword at line end is not a clause", {"SELECT * FROM T ORDER BY"}, "Name",
         {"SELECT * FROM T ORDER BY", "ORDER BY Name"}},
        {"only the last clause line changes",
         {"SELECT * FROM (SELECT A FROM T ORDER BY A) X", "ORDER BY B"}, "C",
         {"SELECT * FROM (SELECT A FROM T ORDER BY A) X", "ORDER BY C"}},
        {"a sub-query clause on the last clause line is the one rewritten",
         {"SELECT * FROM (SELECT A FROM T ORDER BY A) X", "WHERE 1=1"}, "C",
         {"SELECT * FROM (SELECT A FROM T ORDER BY C", "WHERE 1=1"}},
        {"only blank lines: nothing to append to", {"", "   "}, "Name", {}},
        {"no lines", {}, "Name", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        QStringList sql = c.SQL;
        ModifyOrderFields(sql, QString::fromLatin1(c.OrderFields));
        EXPECT_EQ(Text(sql), Text(c.Expected));
    }
}

TEST(OrderAlgebraSql, ModifiedClauseReadsBackAsTheGivenOrder)
{
    QStringList sql{"SELECT Name, City", "FROM Customer;", ""};
    for (const QString& order : {QStringLiteral("Name"), QStringLiteral("City DESC,Name"), QString(),
                                QStringLiteral("Name DESC")}) {
        SCOPED_TRACE(Text(order));
        ModifyOrderFields(sql, order);
        EXPECT_EQ(Text(ExtractOrderFields(sql)), Text(order));
    }
    // The statement's semicolon moved to the appended clause; removing the
    // clause left ";" alone, which moved again to the next appended clause.
    EXPECT_EQ(Text(sql), "[SELECT Name, City|FROM Customer||ORDER BY Name DESC;]");
}

// ---------------------------------------------------------------------------
// Split / unify and index fields

TEST(OrderAlgebraFields, SplitOrderFieldsSeparatesDescendingNamesByExactSuffix)
{
    struct {
        const char* OrderFields;
        const char* Fields;
        const char* DescFields;
    } const cases[] = {
        {"Name,City DESC", "Name;City", "City"},
        {" A DESC ; B ,C  DESC", "A;B;C", "A;C"},
        {"A desc,B Desc", "A desc;B Desc", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.OrderFields);
        QString fields = QStringLiteral("stale");
        QString desc = QStringLiteral("stale");
        SplitOrderFields(QString::fromLatin1(c.OrderFields), fields, desc);
        EXPECT_EQ(Text(fields), c.Fields);
        EXPECT_EQ(Text(desc), c.DescFields);
    }
}

TEST(OrderAlgebraFields, UnifyOrderFieldsMarksWholeExactNamesOnly)
{
    EXPECT_EQ(Text(UnifyOrderFields("Name;City", "City", false)), "Name,City DESC");
    EXPECT_EQ(Text(UnifyOrderFields("Name;City", "", true)), "Name DESC,City DESC");
    EXPECT_EQ(Text(UnifyOrderFields("Name;City", "", false)), "Name,City");
    EXPECT_EQ(Text(UnifyOrderFields("Name;City", "Name", true)), "Name DESC,City"); // DescFields win
    EXPECT_EQ(Text(UnifyOrderFields("Name;City", "city", false)), "Name,City");    // exact case
    EXPECT_EQ(Text(UnifyOrderFields("AB;B;A", "B", false)), "AB,B DESC,A");         // no partial names
    EXPECT_EQ(Text(UnifyOrderFields(" A ; B ", " B ", false)), "A,B DESC");
    // A blank item is no name: it is never descending.
    EXPECT_EQ(Text(UnifyOrderFields(";N", "", false)), ",N");
    EXPECT_EQ(Text(UnifyOrderFields(";N", "", true)), ",N DESC");
    EXPECT_EQ(Text(UnifyOrderFields("A;;B", "B;;", false)), "A,,B DESC");
}

TEST(OrderAlgebraFields, SplitAndUnifyRoundTrip)
{
    for (const char* order : {"Name", "Name DESC", "Name,City DESC", "A DESC,B,C DESC", "Zip Code,City", ",N"}) {
        SCOPED_TRACE(order);
        QString fields;
        QString desc;
        SplitOrderFields(QString::fromLatin1(order), fields, desc);
        EXPECT_EQ(Text(UnifyOrderFields(fields, desc, false)), order);
    }
}

TEST(OrderAlgebraFields, OrderFieldsToIndexFieldsWritesTheDescendingSuffix)
{
    const QString fireDAC = QStringLiteral(":A;:D;:N");
    EXPECT_EQ(Text(OrderFieldsToIndexFields("Name,City DESC", QString())), "Name;City DESC");
    EXPECT_EQ(Text(OrderFieldsToIndexFields("Name, City DESC", QString())), "Name; City DESC");
    EXPECT_EQ(Text(OrderFieldsToIndexFields("Name,City DESC", fireDAC)), "Name;City:D");
    EXPECT_EQ(Text(OrderFieldsToIndexFields(" Name , City  DESC ", fireDAC)), "Name;City:D");
    EXPECT_EQ(Text(OrderFieldsToIndexFields("Name,City desc", fireDAC)), "Name;City desc"); // exact " DESC"
    EXPECT_EQ(Text(OrderFieldsToIndexFields("A DESC", QStringLiteral("+; -"))), "A -");
}

TEST(OrderAlgebraFields, IndexFieldsToOrderFieldsStripsSuffixesInAnyCase)
{
    const QString fireDAC = QStringLiteral(":A;:D;:N");
    EXPECT_EQ(Text(IndexFieldsToOrderFields("Name;City", QString())), "Name,City");
    EXPECT_EQ(Text(IndexFieldsToOrderFields("Name;City DESC", QString())), "Name,City DESC");
    EXPECT_EQ(Text(IndexFieldsToOrderFields("Name:A;City:D;Code:N", fireDAC)), "Name,City DESC,Code");
    EXPECT_EQ(Text(IndexFieldsToOrderFields("name:a; city :d ;Plain", fireDAC)), "name,city DESC,Plain");
    // The third part is everything after the second ";"; empty parts never match.
    EXPECT_EQ(Text(IndexFieldsToOrderFields("X:A;Y:N;Z:D", QStringLiteral(";:D;"))), "X:A,Y:N,Z DESC");
    EXPECT_EQ(Text(IndexFieldsToOrderFields("X/n;Y/d", QStringLiteral("/a;/d;/n"))), "X,Y DESC");
}

TEST(OrderAlgebraFields, OrderAndIndexFieldsRoundTrip)
{
    for (const QString& suffix : {QString(), QStringLiteral(":A;:D;:N")}) {
        for (const char* order : {"Name", "Name DESC", "Name,City DESC", "A DESC,B,C DESC"}) {
            SCOPED_TRACE(Text(suffix) + " / " + order);
            const QString index = OrderFieldsToIndexFields(QString::fromLatin1(order), suffix);
            EXPECT_EQ(Text(IndexFieldsToOrderFields(index, suffix)), order);
        }
    }
    // Ascending and "other" suffixes are read but never written back.
    const QString fireDAC = QStringLiteral(":A;:D;:N");
    EXPECT_EQ(Text(OrderFieldsToIndexFields(IndexFieldsToOrderFields("A:A;B:D;C:N", fireDAC), fireDAC)), "A;B:D;C");
}

// ---------------------------------------------------------------------------
// Field names of a dataset

class OrderAlgebraDataSet : public ::testing::Test {
protected:
    void SetUp() override
    {
        FData.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 20);
        FData.FieldDefs().Add(QStringLiteral("City"), ftWideString, 20);
        FData.FieldDefs().Add(QStringLiteral("Zip Code"), ftWideString, 10);
        FData.CreateDataSet();
    }
    TZMemDataSet FData;
};

TEST_F(OrderAlgebraDataSet, ValidFieldNamesSpellsKnownFieldsAsTheDataSetDoes)
{
    EXPECT_EQ(Text(ValidFieldNames(&FData, " name;CITY ;;Unknown; zip code", false)), "Name;City;Unknown;Zip Code");
    EXPECT_EQ(Text(ValidFieldNames(&FData, "city;name", true)), "City");
    EXPECT_EQ(Text(ValidFieldNames(&FData, ";;name;city", true)), "Name");
    EXPECT_EQ(Text(ValidFieldNames(&FData, "", false)), "");
    // A comma list is one name as far as the dataset is concerned.
    EXPECT_EQ(Text(ValidFieldNames(&FData, "name,city", false)), "name,city");
    // Without a dataset the text comes back unchanged.
    EXPECT_EQ(Text(ValidFieldNames(nullptr, " name;;x ", false)), " name;;x ");
}

// ---------------------------------------------------------------------------
// Comparison

TEST(OrderAlgebraCompare, CompareOrderFieldsIgnoresCaseAndBlanksAroundItems)
{
    struct {
        const char* A;
        const char* B;
        bool Equal;
    } const cases[] = {
        {"Name, City DESC", "name,CITY desc", true},
        {"A,B", "A,B,C", false},
        {"A,B,C", "A,B", false},
        {"", "", true},
        {"  ", "", true},
        {" A ,  B ", "a,b", true},
        {"A,B", "B,A", false},
        {"City DESC", "City  DESC", false}, // blanks inside an item count
        {"City DESC", "City", false},
        {"A,", "A", true}, // an empty last item is no item
        {"A", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.A) + " ~ " + c.B);
        EXPECT_EQ(CompareOrderFields(c.A, c.B), c.Equal);
        EXPECT_EQ(CompareOrderFields(c.B, c.A), c.Equal);
    }
}

} // namespace

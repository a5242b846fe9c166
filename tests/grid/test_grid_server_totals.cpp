// Totals of an SQL query computed by the server in one aggregate SELECT: the same
// texts as walking the rows, under every null rule, with and without a server
// filter; and the walk whenever the server's rows or aggregates are not what the
// walk would see. PostgreSQL tests skip (with the reason) when no server runs.

#include "test_grid_helpers.h"

#include <QSqlQuery>

#include <limits>

using namespace zdb;
using namespace zdb::test;

namespace {

constexpr int Rows = 1000;

class ServerTotals : public BackendTest {
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const QString real = Sqlite() ? QStringLiteral("REAL") : QStringLiteral("DOUBLE PRECISION");
        ASSERT_TRUE(ExecSql(Db(), QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, qty INTEGER, big BIGINT,"
                                                 " price %1, amount NUMERIC(12,2))").arg(real)));
        QSqlDatabase db = Db();
        db.transaction();
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?, ?, ?, ?)"));
        auto orNull = [](bool null, const QVariant& value) { return null ? QVariant(value.metaType()) : value; };
        for (int i = 1; i <= Rows; ++i) {
            insert.addBindValue(i);
            insert.addBindValue(orNull(i % 7 == 0, (i * 37) % 101 - 50));
            insert.addBindValue(orNull(i % 5 == 0, qlonglong(i) * 1000000007LL));
            insert.addBindValue(orNull(i % 11 == 0, i * 0.25 - 100));
            insert.addBindValue(orNull(i % 13 == 0, QString::number((i * 7 % 1000 + 1) / 100.0, 'f', 2)));
            ASSERT_TRUE(insert.exec());
        }
        db.commit();
        Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalValues);
        for (const char* name : {"qty", "big", "price", "amount"}) {
            TZColumn* column = Grid.Columns()->Add();
            column->SetFieldName(QString::fromLatin1(name));
            for (TNullValue nulls : {nvExclude, nvAsZero, nvInclude})
                for (TCalcValue calc : {cvSum, cvAvg, cvCount, cvMax, cvMin}) {
                    if (nulls == nvInclude && (calc == cvMax || calc == cvMin))
                        continue; // a null on the first record decides these: always walked
                    TZColumnTotalValue* total = column->TotalValues()->Add();
                    total->SetCalcValue(calc);
                    total->SetNullValue(nulls);
                    total->SetTotalResult(trCalcValue);
                }
        }
        Open();
    }
    void TearDown() override
    {
        Grid.SetDataSource(nullptr);
        Source.SetDataSet(nullptr);
        Query.reset();
    }
    void Open(const QString& Sql = QStringLiteral("SELECT id, qty, big, price, amount FROM t ORDER BY id"))
    {
        Source.SetDataSet(nullptr);
        Query = std::make_unique<TZSQLQuery>();
        Query->SetConnection(Db());
        Query->SetSQLText(Sql);
        Source.SetDataSet(Query.get());
        Grid.SetDataSource(&Source);
        Query->Open();
    }
    // Every total's text after a calculation, and whether it left rows unread.
    QStringList Texts(bool& Unread)
    {
        Grid.UpdateCalcValues(false);
        Unread = !Query->AllRecordsFetched();
        QStringList texts;
        for (int c = 0; c < Grid.Columns()->Count(); ++c) {
            TZColumn* column = Grid.Columns()->Items(c);
            for (int v = 0; v < column->TotalValuesCount(); ++v)
                texts << column->GetFieldName() + QLatin1Char(' ') + column->TotalValues()->Items(v)->GetDisplayText();
        }
        return texts;
    }
    // The server's totals, then the walk's of the same rows: they must agree.
    void ExpectServerEqualsWalk(const char* What)
    {
        SCOPED_TRACE(What);
        bool unread = false;
        Query->SetServerAggregates(true);
        const QStringList server = Texts(unread);
        EXPECT_TRUE(unread) << "the server was not asked";
        Query->SetServerAggregates(false);
        const QStringList walked = Texts(unread);
        EXPECT_FALSE(unread);
        EXPECT_EQ(server.join(QLatin1Char('\n')).toStdString(), walked.join(QLatin1Char('\n')).toStdString());
        Query->SetServerAggregates(true);
    }
    TZColumnTotalValue* Total(int Column, int Index) { return Grid.Columns()->Items(Column)->TotalValues()->Items(Index); }

    std::unique_ptr<TZSQLQuery> Query;
    TDataSource Source;
    TZDBGrid Grid;
};

TEST_P(ServerTotals, EqualTheWalkUnderEveryNullRuleAndServerFilter)
{
    ExpectServerEqualsWalk("whole table");
    EXPECT_EQ(Total(0, 2)->GetValue().toLongLong(), Rows - Rows / 7); // count of qty without nulls
    EXPECT_EQ(Total(0, 7)->GetValue().toLongLong(), Rows);            // with nulls as zero

    Query->SetFilter(QStringLiteral("qty > 20"));
    Query->SetFiltered(true);
    ASSERT_TRUE(Query->ServerFilterActive());
    ExpectServerEqualsWalk("filtered on the server");

    // Only rows whose qty is null: its sums, extremes and counts of values are null.
    Query->SetFilter(QStringLiteral("qty IS NULL"));
    ExpectServerEqualsWalk("a column of nulls");
    EXPECT_EQ(Total(0, 0)->GetDisplayText(), "");  // sum
    EXPECT_EQ(Total(0, 5)->GetDisplayText(), "0"); // sum with nulls as zero
    EXPECT_EQ(Total(0, 12)->GetDisplayText(), QString::number(Rows / 7)); // count with nulls
}

TEST_P(ServerTotals, RowsTheServerDoesNotShowAreWalked)
{
    TZColumnTotalValue* count = Total(0, 12); // qty, every record
    TZColumnTotalValue* sum = Total(0, 0);
    bool unread = false;
    Texts(unread);
    const qlonglong sumBefore = sum->GetValue().toLongLong();

    // A record filter the client evaluates.
    Query->SetOnFilterRecord([](TDataSet* DataSet, bool& Accept) {
        Accept = DataSet->FieldByName(QStringLiteral("id"))->AsInteger() <= 300;
    });
    Query->SetFiltered(true);
    Texts(unread);
    EXPECT_EQ(count->GetValue().toLongLong(), 300);
    Query->SetFiltered(false);
    Query->SetOnFilterRecord(nullptr);

    // A row the query changed (PostgreSQL's snapshot still holds the old one).
    Query->First();
    const int qty = Query->FieldByName(QStringLiteral("qty"))->AsInteger();
    Query->Edit();
    Query->FieldByName(QStringLiteral("qty"))->SetValue(qty + 1000);
    Query->Post();
    Texts(unread);
    EXPECT_EQ(sum->GetValue().toLongLong(), sumBefore + 1000);

    // A handler that sees the records.
    Open();
    int records = 0;
    Grid.OnTotalCalcValue = [&](TZColumnTotalValue*, TCalcPass Pass, QVariant&) { records += Pass == cpCalcRec; };
    Texts(unread);
    Grid.OnTotalCalcValue = nullptr; // it counts into this test's frame
    EXPECT_FALSE(unread);
    EXPECT_GT(records, 0);
}

TEST_P(ServerTotals, AggregatesThatDoNotTellTheWalksResultAreWalked)
{
    auto expectWalked = [&](const char* What) {
        SCOPED_TRACE(What);
        Open();
        bool unread = false;
        const QStringList server = Texts(unread);
        EXPECT_FALSE(unread);
        Open();
        Query->SetServerAggregates(false);
        EXPECT_EQ(server.join(QLatin1Char('\n')).toStdString(), Texts(unread).join(QLatin1Char('\n')).toStdString());
    };
    // A zero amount ties with the nulls read as zero: the walk keeps whichever comes first.
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("UPDATE t SET amount = 0 WHERE id = 3")));
    expectWalked("a zero tying with the nulls");
    EXPECT_EQ(Total(3, 9)->GetDisplayText(), "0.00");

    // Two values near the largest integer: the walk's sum restarts after the overflow.
    const qlonglong max = std::numeric_limits<qlonglong>::max();
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("UPDATE t SET big = %1 WHERE id IN (1, 2)").arg(max - 10)));
    expectWalked("an integer sum beyond 64 bits");
    EXPECT_EQ(Total(1, 3)->GetValue().toLongLong(), max - 10);
}

TEST_P(ServerTotals, CountsAndExtremesOfTextAndDatesAreTheServersWhenTheyEqualTheWalk)
{
    // Text whose order depends on case and collation (NOCASE on SQLite, the database's
    // locale on PostgreSQL), and dates.
    ASSERT_TRUE(ExecSql(Db(), Sqlite() ? QStringLiteral("CREATE TABLE w (id INTEGER PRIMARY KEY, code TEXT COLLATE NOCASE,"
                                                        " day DATE)")
                                       : QStringLiteral("CREATE TABLE w (id INTEGER PRIMARY KEY, code VARCHAR(20),"
                                                        " day DATE)")));
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("INSERT INTO w VALUES (1, 'apple', '2024-03-01'), (2, 'B', NULL),"
                                             " (3, NULL, '2023-12-31'), (4, 'Zed', '2024-01-15'), (5, 'b', '2022-06-30'),"
                                             " (6, 'a', NULL)")));
    // More rows than one packet, so that a walk would read rows the grid does not show.
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("INSERT INTO w SELECT id + 100, 'M' || id, %1 FROM t WHERE id <= 200")
                                  .arg(Sqlite() ? "'2023-01-01'" : "DATE '2023-01-01'")));
    Grid.Columns()->Clear();
    auto addTotals = [&](const char* Name, std::initializer_list<std::pair<TCalcValue, TNullValue>> Totals) {
        TZColumn* column = Grid.Columns()->Add();
        column->SetFieldName(QString::fromLatin1(Name));
        for (const auto& [calc, nulls] : Totals) {
            TZColumnTotalValue* total = column->TotalValues()->Add();
            total->SetCalcValue(calc);
            total->SetNullValue(nulls);
            total->SetTotalResult(trCalcValue);
        }
    };
    addTotals("code", {{cvCount, nvExclude}, {cvCount, nvInclude}, {cvMin, nvExclude}, {cvMax, nvExclude}});
    const QString sql = QStringLiteral("SELECT id, code, day FROM w ORDER BY id");
    const auto open = [&] {
        Open(sql);
        Query->Close();
        Query->SetFieldType(QStringLiteral("code"), ftWideString, 20);
        Query->SetFieldType(QStringLiteral("day"), ftDate);
        Query->Open();
    };
    open();
    ExpectServerEqualsWalk("text");
    EXPECT_EQ(Total(0, 0)->GetValue().toLongLong(), 205);
    EXPECT_EQ(Total(0, 2)->GetValue().toString(), "B");
    EXPECT_EQ(Total(0, 3)->GetValue().toString(), "b");

    // Dates: PostgreSQL orders its dates; SQLite holds text of any form and is walked.
    addTotals("day", {{cvCount, nvExclude}, {cvMax, nvExclude}, {cvMin, nvExclude}});
    open(); // the walk read every row: PostgreSQL's snapshot is gone
    bool unread = false;
    Texts(unread);
    EXPECT_EQ(unread, !Sqlite());
    EXPECT_EQ(Total(1, 0)->GetValue().toLongLong(), 204);
    EXPECT_EQ(Total(1, 1)->GetValue().toDate(), QDate(2024, 3, 1));
    EXPECT_EQ(Total(1, 2)->GetValue().toDate(), QDate(2022, 6, 30));
    if (!Sqlite()) {
        open();
        ExpectServerEqualsWalk("text and dates");
    }
    Grid.Columns()->Items(1)->TotalValues()->Clear();

    // Where code points and UTF-16 order part, and against the nulls' zero: walked.
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("UPDATE w SET code = '%1' WHERE id = 6").arg(QString::fromUtf8("\uFF21"))));
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("UPDATE w SET code = '%1' WHERE id = 2").arg(QString::fromUtf8("\U0001F600"))));
    open();
    Texts(unread);
    EXPECT_FALSE(unread);
    EXPECT_EQ(Total(0, 3)->GetValue().toString(), QString::fromUtf8("\uFF21"));
    TZColumnTotalValue* zeroMin = Grid.Columns()->Items(0)->TotalValues()->Add();
    zeroMin->SetCalcValue(cvMin);
    zeroMin->SetNullValue(nvAsZero);
    zeroMin->SetTotalResult(trCalcValue);
    ASSERT_TRUE(ExecSql(Db(), QStringLiteral("UPDATE w SET code = 'x' WHERE id IN (2, 6)")));
    open();
    Texts(unread);
    EXPECT_FALSE(unread);
}

INSTANTIATE_TEST_SUITE_P(Backends, ServerTotals, AllBackends(), BackendName);

} // namespace

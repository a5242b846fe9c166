// Column totals: calculated values against SQL aggregates of the same rows,
// null rules, formatting, the delay timer and the walk's brackets.

#include "test_grid_helpers.h"

#include <QSqlQuery>

#include <limits>

using namespace zdb;
using namespace zdb::test;

namespace {

constexpr int BigRows = 10000;

// qty: null on every 7th row, else (i * 37) % 101; price: i * 0.25 + (i % 13).
QVariant Qty(int I)
{
    return I % 7 == 0 ? QVariant() : QVariant((I * 37) % 101);
}
double Price(int I)
{
    return I * 0.25 + (I % 13);
}

std::unique_ptr<TZMemDataSet> MakeTable(const QList<QVariant>& Values, TFieldType Type = ftInteger)
{
    auto table = std::make_unique<TZMemDataSet>();
    table->FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    table->FieldDefs().Add(QStringLiteral("V"), Type);
    table->CreateDataSet();
    for (int i = 0; i < Values.size(); ++i) {
        table->Append();
        table->FieldByName(QStringLiteral("Id"))->SetValue(i + 1);
        if (Values[i].isValid())
            table->FieldByName(QStringLiteral("V"))->SetValue(Values[i]);
        table->Post();
    }
    table->First();
    return table;
}

// A footer total of column FieldName calculating Calc.
TZColumnTotalValue* Footer(TZDBGrid& Grid, const QString& FieldName, TCalcValue Calc)
{
    TZColumn* column = Grid.Columns()->Add();
    column->SetFieldName(FieldName);
    TZColumnTotalValue* total = column->TotalFooter();
    total->SetCalcValue(Calc);
    total->SetTotalResult(trCalcValue);
    return total;
}

// The five aggregates of the big table, one footer each.
struct TAggregates {
    TZColumnTotalValue* Sum;
    TZColumnTotalValue* Avg;
    TZColumnTotalValue* Count;
    TZColumnTotalValue* Min;
    TZColumnTotalValue* Max;
};

TAggregates AddAggregates(TZDBGrid& Grid)
{
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalFooter);
    TAggregates a;
    a.Sum = Footer(Grid, QStringLiteral("qty"), cvSum);
    a.Avg = Footer(Grid, QStringLiteral("qty"), cvAvg);
    a.Count = Footer(Grid, QStringLiteral("qty"), cvCount);
    a.Min = Footer(Grid, QStringLiteral("price"), cvMin);
    a.Max = Footer(Grid, QStringLiteral("price"), cvMax);
    return a;
}

class TotalsBig : public SqliteTest, public ::testing::WithParamInterface<bool>
{
protected:
    void SetUp() override
    {
        SqliteTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE t (id INTEGER PRIMARY KEY, qty INTEGER, price REAL)"));
        QSqlDatabase db = Db();
        db.transaction();
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?, ?)"));
        for (int i = 1; i <= BigRows; ++i) {
            insert.addBindValue(i);
            insert.addBindValue(Qty(i).isValid() ? Qty(i) : QVariant(QMetaType::fromType<int>()));
            insert.addBindValue(Price(i));
            ASSERT_TRUE(insert.exec());
        }
        db.commit();
        if (GetParam()) {
            Query = std::make_unique<TZSQLQuery>();
            Query->SetConnection(Db());
            Query->SetSQLText("SELECT id, qty, price FROM t ORDER BY id");
            Query->Open();
            Data = Query.get();
        } else {
            Mem = std::make_unique<TZMemDataSet>();
            Mem->FieldDefs().Add(QStringLiteral("id"), ftInteger);
            Mem->FieldDefs().Add(QStringLiteral("qty"), ftInteger);
            Mem->FieldDefs().Add(QStringLiteral("price"), ftFloat);
            Mem->CreateDataSet();
            for (int i = 1; i <= BigRows; ++i) {
                Mem->Append();
                Mem->FieldByName(QStringLiteral("id"))->SetValue(i);
                if (Qty(i).isValid())
                    Mem->FieldByName(QStringLiteral("qty"))->SetValue(Qty(i));
                Mem->FieldByName(QStringLiteral("price"))->SetValue(Price(i));
                Mem->Post();
            }
            Mem->First();
            Data = Mem.get();
        }
        Source.SetDataSet(Data);
    }
    void TearDown() override
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
        Query.reset();
        Mem.reset();
    }
    // Checks the totals against SQLite's aggregates over the rows of Where.
    void ExpectAggregates(const TAggregates& A, const QString& Where)
    {
        QSqlQuery q(Db());
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT SUM(qty), AVG(qty), COUNT(qty), MIN(price), MAX(price) FROM t WHERE ") +
                           Where));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(A.Sum->GetValue().toLongLong(), q.value(0).toLongLong()) << Where.toStdString();
        EXPECT_NEAR(A.Avg->GetValue().toDouble(), q.value(1).toDouble(), 1e-9) << Where.toStdString();
        EXPECT_EQ(A.Count->GetValue().toLongLong(), q.value(2).toLongLong()) << Where.toStdString();
        EXPECT_DOUBLE_EQ(A.Min->GetValue().toDouble(), q.value(3).toDouble()) << Where.toStdString();
        EXPECT_DOUBLE_EQ(A.Max->GetValue().toDouble(), q.value(4).toDouble()) << Where.toStdString();
    }
    std::unique_ptr<TZSQLQuery> Query;
    std::unique_ptr<TZMemDataSet> Mem;
    TDataSet* Data = nullptr;
    TDataSource Source;
    std::unique_ptr<TZDBGrid> Grid = std::make_unique<TZDBGrid>();
};

TEST_P(TotalsBig, EqualSqlAggregatesWholeFilteredAndSelected)
{
    const TAggregates a = AddAggregates(*Grid);
    Grid->SetDataSource(&Source);
    Grid->UpdateCalcValues(false);
    ExpectAggregates(a, QStringLiteral("1 = 1"));

    Data->SetFilter(QStringLiteral("qty > 50"));
    Data->SetFiltered(true);
    Grid->UpdateCalcValues(false);
    ExpectAggregates(a, QStringLiteral("qty > 50"));
    Data->SetFiltered(false);

    // Every tenth row selected: the totals cover only those.
    for (Data->First(); !Data->Eof(); Data->Next())
        if (Data->FieldByName(QStringLiteral("id"))->GetValue().toInt() % 10 == 3)
            Grid->SelectedRows()->SetCurrentRowSelected(true);
    Grid->PerformDelayed();
    ASSERT_TRUE(Grid->Totals()->Selected());
    Grid->UpdateCalcValues(false);
    ExpectAggregates(a, QStringLiteral("id % 10 = 3"));

    Grid->SelectedRows()->Clear();
    Grid->PerformDelayed();
    Grid->UpdateCalcValues(false);
    ExpectAggregates(a, QStringLiteral("1 = 1"));
}

INSTANTIATE_TEST_SUITE_P(Datasets, TotalsBig, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "SQLite" : "Memory");
                         });

struct Totals : ::testing::Test {
    void Bind(std::unique_ptr<TZMemDataSet> T)
    {
        Table = std::move(T);
        Source.SetDataSet(Table.get());
        Grid.SetDataSource(&Source);
    }
    QString Calc(TZColumnTotalValue* Total, TCalcValue Calc, TNullValue Nulls)
    {
        Total->SetCalcValue(Calc);
        Total->SetNullValue(Nulls);
        Grid.UpdateCalcValues(false);
        return Total->GetDisplayText();
    }
    void TearDown() override { NullValueString.clear(); }
    std::unique_ptr<TZMemDataSet> Table;
    TDataSource Source;
    TZDBGrid Grid;
};

TEST_F(Totals, NullRulesAndUniqueValues)
{
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalFooter);
    TZColumnTotalValue* t = Footer(Grid, QStringLiteral("V"), cvSum);
    Bind(MakeTable({5, QVariant(), 7}));
    NullValueString = QStringLiteral("<null>");

    EXPECT_EQ(Calc(t, cvCount, nvExclude), "2");
    EXPECT_EQ(Calc(t, cvAvg, nvExclude), "6");
    EXPECT_EQ(Calc(t, cvCount, nvInclude), "3");
    EXPECT_EQ(Calc(t, cvAvg, nvInclude), "4"); // the null divides, adds nothing
    EXPECT_EQ(Calc(t, cvSum, nvInclude), "12");
    EXPECT_EQ(Calc(t, cvAvg, nvAsZero), "4");
    EXPECT_EQ(Calc(t, cvMin, nvAsZero), "0");
    EXPECT_EQ(Calc(t, cvMin, nvExclude), "5");
    EXPECT_EQ(Calc(t, cvFirst, nvInclude), "5");
    EXPECT_EQ(Calc(t, cvLast, nvInclude), "7");
    EXPECT_EQ(Calc(t, cvLast, nvExclude), "7");
    EXPECT_EQ(Calc(t, cvUnique, nvInclude), "<null>");

    Bind(MakeTable({5, 5, 5}));
    EXPECT_EQ(Calc(t, cvUnique, nvExclude), "5");
    Bind(MakeTable({5, 6, 5}));
    EXPECT_EQ(Calc(t, cvUnique, nvExclude), "<null>");
    Bind(MakeTable({QVariant(), QVariant()}));
    EXPECT_EQ(Calc(t, cvAvg, nvExclude), "");
    EXPECT_FALSE(t->GetValue().isValid());
}

TEST_F(Totals, TypedWalkEqualsTheWalkAHandlerSees)
{
    // Without a handler numeric values are taken in typed; a handler that changes
    // nothing sees them as QVariants. Both must give the same totals.
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalValues);
    const qlonglong max = std::numeric_limits<qlonglong>::max();
    const QList<QList<QVariant>> columns = {
        {QVariant(), 5, 7, 5, QVariant(), -3},
        {2.5, QVariant(), -1.25, 2.5, 0.0, 4.0},
        {QVariant(), max - 1, qlonglong(1), qlonglong(1), qlonglong(5), QVariant()},
        // Numbers to the end, and a null only at the end.
        {4, 9, -4, 9, 4, 1},
        {1.5, 2.0, -3.0, 4.0, 5.5, QVariant()}};
    const TFieldType types[] = {ftInteger, ftFloat, ftLargeint, ftInteger, ftFloat};
    const int count = int(std::size(types));
    auto table = std::make_unique<TZMemDataSet>();
    for (int c = 0; c < count; ++c) {
        table->FieldDefs().Add(QStringLiteral("V%1").arg(c), types[c]);
        TZColumn* column = Grid.Columns()->Add();
        column->SetFieldName(QStringLiteral("V%1").arg(c));
        for (TNullValue nulls : {nvExclude, nvInclude, nvAsZero})
            for (TCalcValue calc : {cvSum, cvAvg, cvCount, cvMax, cvMin, cvFirst, cvLast, cvUnique}) {
                TZColumnTotalValue* total = column->TotalValues()->Add();
                total->SetCalcValue(calc);
                total->SetNullValue(nulls);
                total->SetTotalResult(trCalcValue);
            }
    }
    table->CreateDataSet();
    for (int r = 0; r < 6; ++r) {
        table->Append();
        for (int c = 0; c < count; ++c)
            if (!columns[c][r].isNull())
                table->Fields()[c]->SetValue(columns[c][r]);
        table->Post();
    }
    Bind(std::move(table));
    auto texts = [&] {
        Grid.UpdateCalcValues(false);
        QStringList result;
        for (int c = 0; c < count; ++c)
            for (int v = 0; v < Grid.Columns()->Items(c)->TotalValuesCount(); ++v)
                result << Grid.Columns()->Items(c)->TotalValues()->Items(v)->GetDisplayText();
        return result.join(QLatin1Char('|')).toStdString();
    };
    NullValueString = QStringLiteral("<null>");
    const std::string typed = texts();
    Grid.OnTotalCalcValue = [](TZColumnTotalValue*, TCalcPass, QVariant&) {};
    EXPECT_EQ(typed, texts());
    EXPECT_EQ(Grid.Columns()->Items(2)->TotalValues()->Items(0)->GetDisplayText(), "5"); // the sum restarted
}

TEST_F(Totals, TotalPropertiesAreReachedByName)
{
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalFooter);
    TZColumnTotalValue* t = Footer(Grid, QStringLiteral("V"), cvSum);
    Bind(MakeTable({5, QVariant(), 7}));
    TZColumn* column = Grid.Columns()->Items(0);
    EXPECT_TRUE(SetColumnProperty(column, "TotalFooter.CalcValue", "cvAvg"));
    EXPECT_TRUE(SetColumnProperty(column, "TotalFooter.NullValue", "nvAsZero"));
    EXPECT_TRUE(SetColumnProperty(column, "TotalFooter.Format", "Avg %.1f"));
    Grid.UpdateCalcValues(false);
    EXPECT_EQ(t->GetDisplayText(), "Avg 4.0");
    EXPECT_EQ(ColumnProperty(column, "TotalFooter.Format").toString(), "Avg %.1f");
    EXPECT_EQ(ColumnProperty(column, "TotalFooter.Value").toDouble(), 4.0);

    EXPECT_FALSE(SetColumnProperty(column, "TotalFooter.CalcValue", "cvNothing"));
    EXPECT_EQ(t->GetCalcValue(), cvAvg);
    EXPECT_TRUE(SetColumnProperty(column, "TotalFields.FieldName", "Id"));
    EXPECT_EQ(column->TotalFields()->GetFieldName(), "Id");
    EXPECT_TRUE(SetColumnProperty(column, "TotalHeader.TotalBox", "tbTrue"));
    EXPECT_EQ(column->TotalHeader()->GetTotalBox(), tbTrue);
}

TEST_F(Totals, ValuesThatCannotBeCombinedRestartTheAccumulator)
{
    TCaughtErrors errors;
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalFooter);
    TZColumnTotalValue* t = Footer(Grid, QStringLiteral("V"), cvSum);
    const qlonglong max = std::numeric_limits<qlonglong>::max();
    Bind(MakeTable({max - 1, qlonglong(1), qlonglong(1), qlonglong(5)}, ftLargeint));
    // The overflow on the third record drops the sum; the fourth starts again.
    EXPECT_EQ(Calc(t, cvSum, nvExclude), "5");
    EXPECT_EQ(Calc(t, cvMax, nvExclude), QString::number(max - 1));

    // A handler that hands in a text for record 2: the maximum restarts there.
    Grid.OnTotalCalcValue = [](TZColumnTotalValue*, TCalcPass Pass, QVariant& Value) {
        if (Pass == cpCalcRec && Value.toLongLong() == 1)
            Value = QStringLiteral("one");
    };
    Bind(MakeTable({qlonglong(9), qlonglong(1), qlonglong(3), qlonglong(2)}, ftLargeint));
    EXPECT_EQ(Calc(t, cvMax, nvExclude), "3");
    EXPECT_TRUE(errors.Messages.isEmpty());
}

TEST_F(Totals, FormatsFollowTheSelectionAndTheValueType)
{
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalFooter);
    TZColumnTotalValue* t = Footer(Grid, QStringLiteral("V"), cvSum);
    t->SetFormat(QStringLiteral("Sum: %.2f|Selected: %.2f"));
    Bind(MakeTable({1.5, 2.25, 4.0}, ftFloat));
    Grid.UpdateCalcValues(false);
    EXPECT_EQ(t->GetDisplayText(), "Sum: 7.75");

    // A change of the selection recalculates by itself.
    Table->First();
    Grid.SelectedRows()->SetCurrentRowSelected(true);
    Grid.PerformDelayed();
    EXPECT_EQ(t->GetDisplayText(), "Selected: 1.50");
    Grid.SelectedRows()->Clear();
    Grid.PerformDelayed();
    EXPECT_EQ(t->GetDisplayText(), "Sum: 7.75");

    // Dates, Booleans and a format that does not fit fall back to plain text.
    t->SetFormat(QStringLiteral("Last: %dd.mm.yyyy%"));
    EXPECT_EQ(t->FormatValue(QDate(2024, 3, 9)), "Last: 09.03.2024");
    t->SetFormat(QStringLiteral("Last: %dd.mm.yyyy"));
    EXPECT_EQ(t->FormatValue(QDate(2024, 3, 9)), QDate(2024, 3, 9).toString(Qt::ISODate));
    t->SetFormat(QStringLiteral("[%yes;no%]"));
    EXPECT_EQ(t->FormatValue(true), "[yes]");
    EXPECT_EQ(t->FormatValue(false), "[no]");
    t->SetFormatAsFloat(true);
    t->SetFormat(QStringLiteral("%.1f"));
    EXPECT_EQ(t->FormatValue(3), "3.0");
}

TEST_F(Totals, NoWalkWhileEditingAndOneWalkForABurstOfEdits)
{
    int walks = 0;
    Grid.OnTotalsUpdated = [&](TZCustomDBGrid*) { ++walks; };
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalFooter);
    TZColumnTotalValue* t = Footer(Grid, QStringLiteral("Amount"), cvSum);
    Bind(MakeOrders(1000));
    ShowGrid(Grid);
    QTest::qWait(2 * DelayInterval);
    EXPECT_EQ(t->GetValue().toDouble(), 5005000.0);
    walks = 0;

    Table->Edit();
    Table->FieldByName(QStringLiteral("Amount"))->SetValue(0.0);
    Grid.UpdateCalcValues(false);
    EXPECT_EQ(walks, 0);
    Table->Cancel();

    for (Table->First(); !Table->Eof(); Table->Next()) {
        Table->Edit();
        Table->FieldByName(QStringLiteral("Amount"))->SetValue(1.0);
        Table->Post();
    }
    EXPECT_EQ(walks, 0);
    QTRY_COMPARE(walks, 1);
    QTest::qWait(2 * DelayInterval);
    EXPECT_EQ(walks, 1);
    EXPECT_EQ(t->GetValue().toDouble(), 1000.0);
}

TEST_F(Totals, WalkKeepsTheScreenRowAndClosesItsBracketsOnAnError)
{
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalFooter);
    TZColumnTotalValue* t = Footer(Grid, QStringLiteral("Amount"), cvSum);
    Bind(MakeOrders(200));
    ShowGrid(Grid);
    Table->MoveBy(120);
    Table->MoveBy(-3);
    const int recNo = Table->RecNo();
    const int row = Grid.GetRow();
    Grid.UpdateCalcValues(false);
    EXPECT_EQ(Table->RecNo(), recNo);
    EXPECT_EQ(Grid.GetRow(), row);

    Grid.OnTotalCalcValue = [](TZColumnTotalValue*, TCalcPass Pass, QVariant& Value) {
        if (Pass == cpCalcRec && Value.toDouble() == 500.0)
            throw EDatabaseError("handler failed");
    };
    EXPECT_THROW(Grid.UpdateCalcValues(false), EDatabaseError);
    EXPECT_FALSE(Table->ControlsDisabled());
    EXPECT_FALSE(Grid.UpdateInProgress());
    EXPECT_EQ(Table->RecNo(), recNo);
    EXPECT_EQ(Grid.GetRow(), row);
    Grid.OnTotalCalcValue = nullptr;
    Grid.UpdateCalcValues(false);
    EXPECT_EQ(t->GetValue().toDouble(), 201000.0);
}

TEST_F(Totals, FooterShowsItsTextAndTheTotalsDatasetFillsItsRows)
{
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalFooter | dgTotalFields);
    TZColumnTotalValue* t = Footer(Grid, QStringLiteral("Amount"), cvCount);
    t->SetFormat(QStringLiteral("%d orders"));
    TZColumn* column = Grid.Columns()->Items(0);
    column->TotalFields()->SetFieldName(QStringLiteral("Customer"));
    Bind(MakeOrders(3));

    auto sideTable = MakeOrders(12);
    TDataSource side;
    side.SetDataSet(sideTable.get());
    Grid.Totals()->SetDataMaxRow(5);
    Grid.Totals()->SetDataSource(&side);
    ShowGrid(Grid);
    EXPECT_EQ(Grid.TotalFieldsRowCount(), 5);
    EXPECT_EQ(Grid.GetTotalText(column, 0, tkDisplay), "Customer 1");
    EXPECT_EQ(Grid.GetTotalText(column, 4, tkDisplay), "Customer 5");
    QTRY_COMPARE(Grid.GetTotalText(column, 5, tkDisplay), QStringLiteral("3 orders"));

    Grid.OnTotalGetText = [](TZCustomDBGrid*, TZColumn*, int, QString& Text, TTextKind) { Text += "!"; };
    EXPECT_EQ(Grid.GetTotalText(column, 5, tkDisplay), "3 orders!");
    Grid.Totals()->SetDataSource(nullptr);
}

} // namespace

namespace {

// The horizontal extent of the pixels of Rect that differ from its corner's colour.
std::pair<int, int> InkExtent(const QImage& Image, const QRect& Rect)
{
    const QColor background = Image.pixelColor(Rect.left() + 1, Rect.top() + 1);
    int left = Rect.right(), right = Rect.left() - 1;
    for (int y = Rect.top() + 1; y < Rect.bottom() - 1; ++y)
        for (int x = Rect.left() + 1; x < Rect.right() - 1; ++x)
            if (Image.pixelColor(x, y) != background) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

} // namespace

TEST_F(Totals, TotalRowsArePaintedBelowTheDataAlignedLikeTheirColumns)
{
    // Unboxed, so that the ink is the text alone.
    Grid.SetOptionsEx((Grid.GetOptionsEx() & ~TZDBGridOptionsEx(dgTotalFooterBox)) | dgTotalFooter);
    TZColumn* customer = Grid.Columns()->Add();
    customer->SetFieldName(QStringLiteral("Customer"));
    customer->TotalFooter()->SetCaption(QStringLiteral("Total"));
    TZColumnTotalValue* sum = Footer(Grid, QStringLiteral("Amount"), cvSum);
    Grid.Columns()->Items(1)->SetAlignment(taRightJustify);
    Bind(MakeOrders(5));
    ShowGrid(Grid, 900, 300);
    QTRY_COMPARE(sum->GetValue().toDouble(), 150.0);
    QApplication::processEvents();

    const int footer = Grid.GetRowCount() - 1;
    const QRect lastData = Grid.CellRect(Grid.IndicatorOffset(), Grid.TitleRowCount() + 4);
    const QRect left = Grid.CellRect(Grid.IndicatorOffset(), footer);
    const QRect right = Grid.CellRect(Grid.IndicatorOffset() + 1, footer);
    EXPECT_GT(left.top(), lastData.bottom());
    const QImage image = Grid.viewport()->grab().toImage();
    const auto [captionFrom, captionTo] = InkExtent(image, left);
    const auto [sumFrom, sumTo] = InkExtent(image, right);
    ASSERT_LE(captionFrom, captionTo); // something is drawn in both
    ASSERT_LE(sumFrom, sumTo);
    EXPECT_LT(captionTo, left.center().x());
    EXPECT_GT(sumFrom, right.center().x());
}

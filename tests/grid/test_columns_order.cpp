// Sort markers carried by copying a grid's columns into another grid: the copy
// keeps the keys in the order of their marker numbers, not in column order, and
// the copied order reaches the other grid's dataset.

#include "test_grid_helpers.h"

#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

struct CopiedOrder : ::testing::Test {
    std::unique_ptr<TZMemDataSet> TableA = MakeOrders(6);
    std::unique_ptr<TZMemDataSet> TableB = MakeOrders(6);
    TDataSource SourceA;
    TDataSource SourceB;
    std::unique_ptr<TZDBGrid> A = std::make_unique<TZDBGrid>();
    std::unique_ptr<TZDBGrid> B = std::make_unique<TZDBGrid>();

    void SetUp() override
    {
        SourceA.SetDataSet(TableA.get());
        SourceB.SetDataSet(TableB.get());
        A->SetDataSource(&SourceA);
        B->SetDataSource(&SourceB);
        B->SetOptionsEx(B->GetOptionsEx() | dgAutoUpdateOrder);
        ShowGrid(*A);
        ShowGrid(*B);
    }
    void TearDown() override
    {
        A.reset();
        B.reset();
    }
    // The order list as "Field:MarkerIndex" items.
    static std::string Markers(TZDBGrid& Grid)
    {
        QStringList items;
        for (TZColumn* column : Grid.Columns()->OrderList())
            items << QStringLiteral("%1:%2").arg(column->GetFieldName()).arg(column->Title()->GetMarkerIndex());
        return items.join(',').toStdString();
    }
};

} // namespace

TEST_F(CopiedOrder, TwoKeysKeepTheirOrderAndDirection)
{
    A->SetOrderFields(QStringLiteral("Customer DESC,Id"));
    ASSERT_EQ(A->GetOrderFields().toStdString(), "Customer DESC,Id");

    B->Columns()->Assign(*A->Columns());
    EXPECT_EQ(B->GetOrderFields().toStdString(), "Customer DESC,Id");
    EXPECT_EQ(Markers(*B), Markers(*A));
    EXPECT_EQ(Markers(*B), "Customer:3,Id:4");
}

TEST_F(CopiedOrder, ThreeKeysAgainstColumnOrderReachTheOtherTable)
{
    // Column order is Id, Customer, Amount; the keys run the other way round.
    A->SetOrderFields(QStringLiteral("Amount DESC,Customer,Id"));
    ASSERT_EQ(Markers(*A), "Amount:3,Customer:4,Id:6");

    B->Columns()->Assign(*A->Columns());
    EXPECT_EQ(B->GetOrderFields().toStdString(), "Amount DESC,Customer,Id");
    EXPECT_EQ(Markers(*B), "Amount:3,Customer:4,Id:6");
    for (TZColumn* column : *B->Columns())
        EXPECT_EQ(column->Title()->GetMarker() != tmNone, B->Columns()->OrderListIndex(column) >= 0);

    // The copied order sorts B's table: the largest amount comes first.
    TableB->First();
    EXPECT_EQ(TableB->FieldByName(QStringLiteral("Id"))->AsInteger(), 6);
    // A's table is left as it was sorted.
    EXPECT_EQ(A->GetOrderFields().toStdString(), "Amount DESC,Customer,Id");
}

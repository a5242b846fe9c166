// TZMemDataSet as a detail: the link keeps its fields whatever order the detail is
// sorted in, survives a refused file and a refused index change.

#include "ZDBMemData.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace zdb;

namespace {

// Orders ID 1, 2 and their lines: order 1 has lines 1..3 (Amount 30, 10, 20), order 2
// lines 4, 5 (Amount 1, 2: equal to the orders' IDs, so that a link on Amount shows).
class MemDataDetail : public ::testing::Test {
protected:
    TZMemDataSet Orders;
    TDataSource OrdersSource;
    TZMemDataSet Lines;
    QTemporaryDir Dir;

    void SetUp() override
    {
        Orders.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
        Orders.CreateDataSet();
        for (int id = 1; id <= 2; ++id) {
            Orders.Append();
            Orders.FieldByName(QStringLiteral("ID"))->SetValue(id);
            Orders.Post();
        }
        OrdersSource.SetDataSet(&Orders);
        Lines.FieldDefs().Add(QStringLiteral("LineID"), ftInteger);
        Lines.FieldDefs().Add(QStringLiteral("OrderID"), ftInteger);
        Lines.FieldDefs().Add(QStringLiteral("Amount"), ftInteger);
        Lines.SetIndexFieldNames(QStringLiteral("OrderID"));
        Lines.SetMasterSource(&OrdersSource);
        Lines.SetMasterFields(QStringLiteral("ID"));
        Lines.CreateDataSet();
        const int amounts[] = {30, 10, 20, 1, 2};
        for (int line = 1; line <= 5; ++line) {
            Orders.Locate(QStringLiteral("ID"), line <= 3 ? 1 : 2);
            AddLine(line, amounts[line - 1]);
        }
        Orders.First();
    }

    void AddLine(int lineId, int amount)
    {
        Lines.Append();
        Lines.FieldByName(QStringLiteral("LineID"))->SetValue(lineId);
        Lines.FieldByName(QStringLiteral("Amount"))->SetValue(amount);
        Lines.Post();
    }

    std::vector<int> LineIds()
    {
        std::vector<int> ids;
        for (Lines.First(); !Lines.Eof(); Lines.Next())
            ids.push_back(Lines.FieldByName(QStringLiteral("LineID"))->AsInteger());
        return ids;
    }
};

} // namespace

TEST_F(MemDataDetail, SortingTheDetailKeepsTheLinkOnItsFields)
{
    EXPECT_EQ(LineIds(), (std::vector<int>{1, 2, 3}));
    Lines.SetIndexFieldNames(QStringLiteral("Amount"));
    EXPECT_EQ(LineIds(), (std::vector<int>{2, 3, 1})) << "the master's lines, by amount";

    // A new line gets the master's ID as its OrderID, never as its Amount.
    Lines.Append();
    EXPECT_EQ(Lines.FieldByName(QStringLiteral("OrderID"))->GetValue(), QVariant(1));
    EXPECT_TRUE(Lines.FieldByName(QStringLiteral("Amount"))->IsNull());
    Lines.FieldByName(QStringLiteral("LineID"))->SetValue(6);
    Lines.FieldByName(QStringLiteral("Amount"))->SetValue(15);
    Lines.Post();
    EXPECT_EQ(LineIds(), (std::vector<int>{2, 6, 3, 1}));

    TDataSource self; // a refused master leaves the link on its fields
    self.SetDataSet(&Lines);
    EXPECT_THROW(Lines.SetMasterSource(&self), EDatabaseError);
    Orders.Next();
    EXPECT_EQ(LineIds(), (std::vector<int>{4, 5}));
    Lines.SetIndexFieldNames(QStringLiteral("Amount DESC;LineID"));
    EXPECT_EQ(LineIds(), (std::vector<int>{5, 4}));
    Lines.SetIndexFieldNames(QString()); // no order at all: the order of placement
    EXPECT_EQ(LineIds(), (std::vector<int>{4, 5}));
    Orders.First();
    EXPECT_EQ(LineIds(), (std::vector<int>{1, 2, 3, 6}));

    // Linking again takes the index in force then.
    Lines.SetMasterFields(QString());
    Lines.SetIndexFieldNames(QStringLiteral("Amount"));
    Lines.SetMasterFields(QStringLiteral("ID"));
    EXPECT_EQ(LineIds(), (std::vector<int>{4}));
}

TEST_F(MemDataDetail, AFileTheLinkCannotUseIsRefusedBeforeClosing)
{
    TZMemDataSet noLink;
    noLink.FieldDefs().Add(QStringLiteral("LineID"), ftInteger);
    noLink.FieldDefs().Add(QStringLiteral("Amount"), ftInteger);
    noLink.CreateDataSet();
    const QString path = Dir.filePath(QStringLiteral("nolink.zmd"));
    noLink.SaveToFile(path);
    EXPECT_THROW(Lines.LoadFromFile(path), EDatabaseError);
    ASSERT_TRUE(Lines.Active());
    EXPECT_EQ(Lines.FieldDefs().Count(), 3);
    EXPECT_EQ(LineIds(), (std::vector<int>{1, 2, 3}));

    // A file saved sorted by Amount loads with the link still on OrderID.
    Lines.SetIndexFieldNames(QStringLiteral("Amount"));
    const QString sorted = Dir.filePath(QStringLiteral("sorted.zmd"));
    Lines.SaveToFile(sorted);
    Lines.LoadFromFile(sorted);
    EXPECT_EQ(Lines.GetIndexFieldNames(), QStringLiteral("Amount"));
    EXPECT_EQ(LineIds(), (std::vector<int>{2, 3, 1}));
}

TEST_F(MemDataDetail, AFailedIndexChangeLeavesTheDetailAsItWas)
{
    bool fail = false;
    Lines.SetOnFilterRecord([&fail](TDataSet*, bool& accept) {
        if (fail)
            throw std::runtime_error("filter failed");
        accept = true;
    });
    Lines.SetFiltered(true);
    EXPECT_EQ(LineIds(), (std::vector<int>{1, 2, 3}));
    fail = true;
    EXPECT_THROW(Lines.SetIndexFieldNames(QStringLiteral("Amount")), std::runtime_error);
    EXPECT_THROW(Lines.SetIndexName(QStringLiteral("ByAmount")), EDatabaseError) << "no such index";
    Lines.AddIndex(QStringLiteral("ByAmount"), QStringLiteral("Amount"));
    EXPECT_THROW(Lines.SetIndexName(QStringLiteral("ByAmount")), std::runtime_error);
    fail = false;
    EXPECT_EQ(Lines.GetIndexFieldNames(), QStringLiteral("OrderID"));
    EXPECT_TRUE(Lines.GetIndexName().isEmpty());
    EXPECT_EQ(LineIds(), (std::vector<int>{1, 2, 3}));
    Lines.Refresh();
    EXPECT_EQ(LineIds(), (std::vector<int>{1, 2, 3})) << "only the master's lines";
    Orders.Next();
    EXPECT_EQ(LineIds(), (std::vector<int>{4, 5}));
}

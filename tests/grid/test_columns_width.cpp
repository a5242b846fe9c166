// Column widths without grid: limits, unassigned defaults, and the stretch
// algorithm that shares a width among the showing columns.

#include "ZDBGridColumns.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zdb;

namespace {

struct WidthNoGrid : ::testing::Test {
    TZDBGridColumns Columns{nullptr};

    // Columns with these base widths.
    void MakeBases(std::initializer_list<int> Bases)
    {
        for (int base : Bases)
            Columns.Add()->SetStretchBase(base);
    }
    std::vector<int> Widths() const
    {
        std::vector<int> result;
        for (TZColumn* c : Columns)
            result.push_back(c->GetWidth());
        return result;
    }
};

} // namespace

TEST_F(WidthNoGrid, WidthEqualToDefaultStaysUnassigned)
{
    TZColumn* c = Columns.Add();
    c->SetWidth(c->DefaultWidth());
    EXPECT_FALSE(c->IsAssigned(cvWidth));
    c->SetWidth(80);
    EXPECT_TRUE(c->IsAssigned(cvWidth));
    EXPECT_EQ(c->GetWidth(), 80);
    EXPECT_EQ(c->TrueWidth(), 80);
    // Once assigned, the default value is kept as an own value.
    c->SetWidth(c->DefaultWidth());
    EXPECT_TRUE(c->IsAssigned(cvWidth));
    EXPECT_FALSE(c->IsWidthStored());
}

TEST_F(WidthNoGrid, NegativeWidthIsNotStored)
{
    TZColumn* c = Columns.Add();
    c->SetWidth(70);
    c->SetWidth(-1);
    EXPECT_EQ(c->GetWidth(), 70);
}

TEST_F(WidthNoGrid, MinimumAndMaximum)
{
    TZColumn* c = Columns.Add();
    c->SetWidth(30);
    c->SetWidthMin(50);
    EXPECT_EQ(c->GetWidthMin(), 50);
    EXPECT_EQ(c->GetWidth(), 50);
    // A maximum below the minimum is raised to it.
    c->SetWidthMax(20);
    EXPECT_EQ(c->GetWidthMax(), 50);
    EXPECT_EQ(c->GetWidth(), 50);
    // Values below -1 are ignored.
    c->SetWidthMin(-5);
    EXPECT_EQ(c->GetWidthMin(), 50);
    // Widths are clamped into the limits.
    c->SetWidthMax(100);
    c->SetWidth(500);
    EXPECT_EQ(c->GetWidth(), 100);
    c->SetWidth(10);
    EXPECT_EQ(c->GetWidth(), 50);
    // A minimum above the maximum is lowered to it.
    c->SetWidthMin(200);
    EXPECT_EQ(c->GetWidthMin(), 100);
    c->SetWidthMin(-1);
    c->SetWidth(10);
    EXPECT_EQ(c->GetWidth(), 10);
}

TEST_F(WidthNoGrid, DesignedWidthFallsBackToDefault)
{
    TZColumn* c = Columns.Add();
    EXPECT_EQ(c->DesignedWidth(), c->DefaultWidth());
    c->SetWidth(99); // not loading: no designed width
    EXPECT_EQ(c->DesignedWidth(), c->DefaultWidth());
}

TEST_F(WidthNoGrid, StretchGivesTheRemainderToTheLastColumn)
{
    MakeBases({100, 100, 100});
    Columns.Stretch(301);
    EXPECT_EQ(Widths(), (std::vector<int>{100, 100, 101}));
    Columns.Stretch(150);
    EXPECT_EQ(Widths(), (std::vector<int>{50, 50, 50}));
}

TEST_F(WidthNoGrid, StretchFollowsTheBases)
{
    MakeBases({100, 300});
    Columns.Stretch(200);
    EXPECT_EQ(Widths(), (std::vector<int>{50, 150}));
}

TEST_F(WidthNoGrid, StretchSkipsColumnsThatDoNotShow)
{
    MakeBases({100, 100, 100});
    Columns[1]->SetVisible(false);
    Columns.Stretch(300);
    EXPECT_EQ(Columns[0]->GetWidth(), 150);
    EXPECT_EQ(Columns[2]->GetWidth(), 150);
    EXPECT_EQ(Columns[1]->StretchState(), swFree);
}

TEST_F(WidthNoGrid, ColumnHeldAtMinimumLeavesItsShareToOthers)
{
    MakeBases({100, 100, 100});
    Columns[0]->SetWidthMin(200);
    Columns.Stretch(400);
    EXPECT_EQ(Columns[0]->StretchState(), swHeldMin);
    EXPECT_EQ(Widths(), (std::vector<int>{200, 100, 100}));
}

TEST_F(WidthNoGrid, ColumnHeldAtMaximum)
{
    MakeBases({100, 100});
    Columns[1]->SetWidthMax(60);
    Columns.Stretch(300);
    EXPECT_EQ(Columns[1]->StretchState(), swHeldMax);
    EXPECT_EQ(Widths(), (std::vector<int>{240, 60}));
}

TEST_F(WidthNoGrid, MinimaAreReleasedWhenWidthRemains)
{
    // Pass 1 holds the first column at its minimum and the second at its
    // maximum; width remains, so the minimum is released and takes the rest.
    MakeBases({100, 100});
    Columns[0]->SetWidthMin(200);
    Columns[1]->SetWidthMax(50);
    Columns.Stretch(301);
    EXPECT_EQ(Columns[0]->StretchState(), swFree);
    EXPECT_EQ(Columns[1]->StretchState(), swHeldMax);
    EXPECT_EQ(Widths(), (std::vector<int>{251, 50}));
}

TEST_F(WidthNoGrid, MinimaHoldWhenTheWidthIsTooSmall)
{
    MakeBases({100, 100, 100});
    for (TZColumn* c : Columns)
        c->SetWidthMin(120);
    Columns.Stretch(300);
    EXPECT_EQ(Widths(), (std::vector<int>{120, 120, 120}));
}

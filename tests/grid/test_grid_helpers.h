#pragma once
// Helpers of the grid tests: a grid that counts its layouts and exposes a few
// protected members, and a small in-memory orders table.

#include "ZDBGrids.h"
#include "ZDBMemData.h"

#include <QApplication>
#include <QTest>

#include <memory>

namespace zdb::test {

class TCountingGrid : public TZDBGrid
{
public:
    explicit TCountingGrid(QWidget* parent = nullptr) : TZDBGrid(parent) {}
    int Layouts = 0;
    using TZCustomDBGrid::CalcTitleRect;
    using TZCustomDBGrid::HeaderRect;

protected:
    void InternalLayout() override
    {
        ++Layouts;
        TZDBGrid::InternalLayout();
    }
};

// An open in-memory table: Id (integer), Customer (string), Amount (float),
// with Rows records "Customer 1", "Customer 2", ... and amounts 10, 20, ...
inline std::unique_ptr<TZMemDataSet> MakeOrders(int Rows)
{
    auto table = std::make_unique<TZMemDataSet>();
    table->FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    table->FieldDefs().Add(QStringLiteral("Customer"), ftWideString, 40);
    table->FieldDefs().Add(QStringLiteral("Amount"), ftFloat);
    table->CreateDataSet();
    for (int i = 1; i <= Rows; ++i) {
        table->Append();
        table->FieldByName(QStringLiteral("Id"))->SetValue(i);
        table->FieldByName(QStringLiteral("Customer"))->SetValue(QStringLiteral("Customer %1").arg(i));
        table->FieldByName(QStringLiteral("Amount"))->SetValue(i * 10.0);
        table->Post();
    }
    table->First();
    return table;
}

// Shows the grid offscreen at a fixed size and lets pending events run.
inline void ShowGrid(QWidget& Grid, int Width = 400, int Height = 300)
{
    Grid.resize(Width, Height);
    Grid.show();
    QApplication::processEvents();
}

} // namespace zdb::test

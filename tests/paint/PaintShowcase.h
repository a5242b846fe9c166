#pragma once
// A grid that shows every painted part at once: a two-level header band over
// three columns, three numbered sort markers, a check-box column, a tree column
// with expand boxes, striped rows with a multi-selection, a total header, two
// total value rows and a footer, and a search hit.

#include "ZDBGrids.h"
#include "ZDBMemData.h"
#include "TestPaint.h"

#include <QApplication>
#include <QPalette>

#include <functional>
#include <memory>

namespace zdb::test {

struct TShowcase {
    std::unique_ptr<TZMemDataSet> Table = std::make_unique<TZMemDataSet>();
    TDataSource Source;
    std::unique_ptr<TZDBGrid> Grid;

    explicit TShowcase(const QPalette& Palette = QApplication::palette(),
                       const std::function<std::unique_ptr<TZDBGrid>()>& MakeGrid = {})
    {
        struct TRow {
            int Id, Parent;
            const char* Name;
            const char* City;
            int Qty;
            double Price;
            bool Paid;
        };
        static const TRow rows[] = {
            {1, -1, "Hardware", "Berlin", 12, 1250.0, true},
            {2, 1, "Keyboards", "Hamburg", 40, 39.9, true},
            {3, 1, "Monitors with a rather long description", "München", 8, 219.0, false},
            {4, 1, "Mice", "Köln", 65, 19.5, true},
            {5, -1, "Software", "Frankfurt am Main", 3, 499.0, false},
            {6, 5, "Office suites", "Stuttgart", 14, 129.0, true},
            {7, 5, "Compilers", "Düsseldorf", 2, 899.0, false},
            {8, -1, "Services", "Leipzig", 25, 75.0, true},
            {9, 8, "Installation", "Dresden", 9, 60.0, false},
            {10, 8, "Training", "Hannover", 4, 350.0, true},
            {11, -1, "Consumables", "Nürnberg", 120, 4.5, true},
            {12, 11, "Cables", "Bremen", 300, 2.25, false},
        };
        Table->FieldDefs().Add(QStringLiteral("id"), ftInteger);
        Table->FieldDefs().Add(QStringLiteral("parent_id"), ftInteger);
        Table->FieldDefs().Add(QStringLiteral("name"), ftWideString, 60);
        Table->FieldDefs().Add(QStringLiteral("city"), ftWideString, 40);
        Table->FieldDefs().Add(QStringLiteral("qty"), ftInteger);
        Table->FieldDefs().Add(QStringLiteral("price"), ftFloat);
        Table->FieldDefs().Add(QStringLiteral("amount"), ftFloat);
        Table->FieldDefs().Add(QStringLiteral("paid"), ftBoolean);
        Table->FieldDefs().Add(QStringLiteral("RowLevel"), ftInteger);
        Table->FieldDefs().Add(QStringLiteral("RowOrder"), ftString, 80);
        Table->FieldDefs().Add(QStringLiteral("RowState"), ftInteger);
        Table->CreateDataSet();
        for (const TRow& r : rows) {
            Table->Append();
            Table->FieldByName(QStringLiteral("id"))->SetValue(r.Id);
            if (r.Parent > 0)
                Table->FieldByName(QStringLiteral("parent_id"))->SetValue(r.Parent);
            Table->FieldByName(QStringLiteral("name"))->SetValue(QString::fromUtf8(r.Name));
            Table->FieldByName(QStringLiteral("city"))->SetValue(QString::fromUtf8(r.City));
            Table->FieldByName(QStringLiteral("qty"))->SetValue(r.Qty);
            Table->FieldByName(QStringLiteral("price"))->SetValue(r.Price);
            Table->FieldByName(QStringLiteral("amount"))->SetValue(r.Qty * r.Price);
            Table->FieldByName(QStringLiteral("paid"))->SetValue(r.Paid);
            Table->Post();
        }
        Table->First();

        Grid = MakeGrid ? MakeGrid() : std::make_unique<TZDBGrid>();
        TZDBGrid& g = *Grid;
        g.setPalette(Palette);
        g.SetOptions(g.GetOptions() | dgTitleHeaders | dgMultiSelect);
        // Totals over all records (not the selection); markers that leave the order alone.
        g.SetOptionsEx((g.GetOptionsEx() & ~TZDBGridOptionsEx(dgAutoUpdateOrder | dgLoadCurrentOrder |
                                                              dgCalcSelectedRows)) |
                       dgBlankRow | dgTotalHeader | dgTotalValues | dgTotalFooter);
        g.SetDrawingOptions(g.GetDrawingOptions() | gdoStripedRows);
        g.SetKeyFields(QStringLiteral("id"));
        g.TreeView()->SetParentFields(QStringLiteral("parent_id"));
        g.TreeView()->SetColumnNames(QStringLiteral("name"));
        auto add = [&](const char* Field, const char* Caption, const char* Header, int Width) {
            TZColumn* c = g.Columns()->Add();
            c->SetFieldName(QString::fromLatin1(Field));
            c->Title()->SetCaption(QString::fromUtf8(Caption));
            if (Header)
                c->Title()->SetHeader(QString::fromUtf8(Header));
            c->SetWidth(Width);
            return c;
        };
        TZColumn* name = add("name", "Product", nullptr, 190);
        TZColumn* city = add("city", "City", nullptr, 120);
        TZColumn* qty = add("qty", "Qty", "Sales|Volume", 60);
        TZColumn* price = add("price", "Price", "Sales|Money", 80);
        TZColumn* amount = add("amount", "Amount", "Sales|Money", 90);
        TZColumn* paid = add("paid", "Paid", nullptr, 50);
        paid->SetCheckBox(true);
        paid->SetAlignment(taCenter);
        auto caption = [](TZColumnTotalValue* Total, const char* Text) {
            Total->SetTotalResult(trCaption);
            Total->SetCaption(QString::fromLatin1(Text));
        };
        caption(name->TotalHeader(), "Totals");
        caption(name->TotalValues()->Add(), "Sum");
        caption(name->TotalValues()->Add(), "Average");
        caption(name->TotalFooter(), "12 products");
        for (TZColumn* c : {qty, amount}) {
            TZColumnTotalValue* sum = c->TotalValues()->Add();
            sum->SetCalcValue(cvSum);
            sum->SetTotalResult(trCalcValue);
            TZColumnTotalValue* avg = c->TotalValues()->Add();
            avg->SetCalcValue(cvAvg);
            avg->SetTotalResult(trCalcValue);
            avg->SetFormat(QStringLiteral("%.1f"));
            if (c == amount) {
                sum->SetFormat(QStringLiteral("%.2n"));
                avg->SetFormat(QStringLiteral("%.2n"));
            }
        }
        amount->TotalFooter()->SetCalcValue(cvMax);
        amount->TotalFooter()->SetTotalResult(trCalcValue);
        amount->TotalFooter()->SetFormat(QStringLiteral("%.2n"));
        Source.SetDataSet(Table.get());
        g.SetDataSource(&Source);
        // Three numbered sort markers: City, Qty descending, Price.
        city->Title()->SetMarkerIndex(2);
        qty->Title()->SetMarkerIndex(5);
        price->Title()->SetMarkerIndex(6);
        // A search hit in the city of "Office suites".
        g.Search()->SetText(QStringLiteral("Stutt"));
    }
    ~TShowcase()
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
    }
    TShowcase(const TShowcase&) = delete;
    TShowcase& operator=(const TShowcase&) = delete;

    // Shown at Width x Height with records 3 and 5 selected and the current
    // record on the third row.
    void Show(int Width = 640, int Height = 436)
    {
        Grid->resize(Width, Height);
        Grid->show();
        QApplication::processEvents();
        Grid->TreeView()->FullExpand();
        Table->First();
        Table->MoveBy(2);
        Grid->SelectRow();
        Table->MoveBy(2);
        Grid->SelectRow();
        Table->First();
        Table->MoveBy(1);
        Grid->UpdateCalcValues(false);
        QApplication::processEvents();
    }
};

} // namespace zdb::test

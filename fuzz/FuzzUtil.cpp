#include "FuzzUtil.h"

#include "ZDBMemData.h"

#include <QApplication>
#include <QDate>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

void EnsureApplication()
{
    if (QApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}

void Fail(const char* property, const QString& detail)
{
    std::fprintf(stderr, "property broken: %s\n%s\n", property, qPrintable(detail));
    std::fflush(stderr);
    std::abort();
}

std::unique_ptr<zdb::TZMemDataSet> MakeTable()
{
    using namespace zdb;
    auto table = std::make_unique<TZMemDataSet>();
    table->FieldDefs().Add("Id", ftInteger);
    table->FieldDefs().Add("Name", ftWideString, 20);
    table->FieldDefs().Add("Price", ftFloat);
    table->FieldDefs().Add("Born", ftDate);
    table->FieldDefs().Add("Paid", ftBoolean);
    table->FieldDefs().Add("Full Name", ftString, 30);
    table->CreateDataSet();
    const QVariantList rows[] = {
        {1, "Ann", 9.5, QDate(1990, 5, 17), true, "Ann Lee"},
        {2, "bob", -3.25, QDate(2001, 12, 31), false, "Bob O'Neil"},
        {3, QVariant(), QVariant(), QVariant(), QVariant(), ""},
    };
    for (const QVariantList& row : rows) {
        table->Append();
        for (int i = 0; i < row.size(); ++i)
            if (!row[i].isNull())
                table->Fields()[i]->SetValue(row[i]);
        table->Post();
    }
    table->First();
    return table;
}

TTableGrid::TTableGrid() : Table((EnsureApplication(), MakeTable()))
{
    Source.SetDataSet(Table.get());
    Grid.SetDataSource(&Source);
}

} // namespace fuzz

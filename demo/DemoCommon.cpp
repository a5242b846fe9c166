#include "DemoCommon.h"

#include "ZDBFields.h"

#include <QLabel>
#include <QVBoxLayout>

namespace zdb::demo {

TDemoData::TDemoData(const QSqlDatabase& db) : Db(db)
{
    Customers = OpenTable(db, QStringLiteral("SELECT id, name, city FROM customers ORDER BY name"));
    Customers->SetFieldType(QStringLiteral("name"), ftWideString, 60);
    Customers->SetFieldType(QStringLiteral("city"), ftWideString, 40);
    Products = OpenTable(db, QStringLiteral("SELECT id, name, picture FROM products"));
    Products->SetFieldType(QStringLiteral("name"), ftWideString, 60);
    Products->SetFieldType(QStringLiteral("picture"), ftGraphic);
    States = OpenTable(db, QStringLiteral("SELECT id, name FROM order_states"));
    States->SetFieldType(QStringLiteral("name"), ftWideString, 20);
    Customers->Open();
    Products->Open();
    States->Open();
    for (States->First(); !States->Eof(); States->Next()) {
        StateIds << States->FieldByName(QStringLiteral("id"))->AsString();
        StateNames << States->FieldByName(QStringLiteral("name"))->AsString();
    }

    Orders = std::make_unique<TZSQLQuery>();
    Orders->SetConnection(db);
    Orders->SetSQLText(QStringLiteral(
        "SELECT id, order_no, order_date, customer_id, product_id, quantity, discount_pct, amount, state_id,"
        "  paid, shipping, note FROM orders ORDER BY order_date DESC, order_no DESC"));
    Orders->SetFieldType(QStringLiteral("paid"), ftString, 1);
    Orders->SetFieldType(QStringLiteral("shipping"), ftString, 1);
    Orders->SetFieldType(QStringLiteral("note"), ftWideString, 200);
    Orders->SetFieldType(QStringLiteral("order_no"), ftWideString, 12);
    Orders->SetFieldType(QStringLiteral("order_date"), ftDate);
    Orders->SetFieldType(QStringLiteral("amount"), ftCurrency);
    AddLookup(*Orders, QStringLiteral("Customer"), QStringLiteral("customer_id"), Customers.get(),
              QStringLiteral("name"), 60);
    AddLookup(*Orders, QStringLiteral("City"), QStringLiteral("customer_id"), Customers.get(),
              QStringLiteral("city"), 40);
    AddLookup(*Orders, QStringLiteral("Product"), QStringLiteral("product_id"), Products.get(),
              QStringLiteral("name"), 60);
    // The product's picture (a PNG in the products table), drawn in its cell.
    AddLookup(*Orders, QStringLiteral("Picture"), QStringLiteral("product_id"), Products.get(),
              QStringLiteral("picture"), 0, std::make_unique<TZGraphicField>());
    // Tags of an order, kept by the query in memory: several ticked in one list.
    Orders->AddClientField(QStringLiteral("Tags"), ftWideString, 60);
    Orders->Open();
    OrdersSource = std::make_unique<TDataSource>();
    OrdersSource->SetDataSet(Orders.get());
}

TDemoData::~TDemoData()
{
    OrdersSource->SetDataSet(nullptr);
    Orders.reset();
    States.reset();
    Products.reset();
    Customers.reset();
}

QLocale DisplayLocale()
{
    const QLocale system;
    return system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : system;
}

std::unique_ptr<TZSQLQuery> OpenTable(const QSqlDatabase& db, const QString& sql)
{
    auto query = std::make_unique<TZSQLQuery>();
    query->SetConnection(db);
    query->SetReadOnly(true);
    query->SetPacketRecords(-1);
    query->SetSQLText(sql);
    return query;
}

void AddLookup(TDataSet& dataSet, const QString& name, const QString& keyField, TDataSet* lookupSet,
               const QString& result, int size, std::unique_ptr<TField> field)
{
    if (!field)
        field = std::make_unique<TStringField>(nullptr, ftWideString);
    field->SetFieldName(name);
    field->SetFieldKind(fkLookup);
    field->SetSize(size);
    field->SetKeyFields(keyField);
    field->SetLookupDataSet(lookupSet);
    field->SetLookupKeyFields(QStringLiteral("id"));
    field->SetLookupResultField(result);
    dataSet.AddField(std::move(field));
}

void AddColumns(TZDBGrid* grid, TDataSet& dataSet, std::initializer_list<TColumnLook> looks)
{
    for (const TColumnLook& look : looks) {
        TZColumn* column = grid->Columns()->Add();
        column->SetFieldName(QString::fromLatin1(look.Field));
        column->Title()->SetCaption(QString::fromLatin1(look.Caption));
        column->Title()->SetHeader(QString::fromLatin1(look.Header));
        column->Title()->SetAlignment(look.Alignment == taRightJustify ? taRightJustify : taLeftJustify);
        column->SetAlignment(look.Alignment);
        column->SetWidth(look.Width);
        // Lookup and calculated values are not columns of the query: their titles do not sort.
        if (TField* field = dataSet.FindField(column->GetFieldName()); field && field->Calculated())
            column->Title()->SetAutoToggle(false);
    }
}

void SetFooter(TZDBGrid* grid, const QString& field, TCalcValue calc, const QString& format)
{
    TZColumn* column = grid->Columns()->FindColumn(field);
    if (!column)
        return;
    TZColumnTotalValue* footer = column->TotalFooter();
    footer->SetCalcValue(calc);
    footer->SetFormat(format);
    footer->SetTotalResult(trCalcValue);
}

QWidget* TabPage(const QString& hint, QWidget* content)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* label = new QLabel(hint, page);
    label->setObjectName(QStringLiteral("hint"));
    label->setWordWrap(true);
    label->setTextFormat(Qt::RichText);
    label->setMargin(6);
    label->setAutoFillBackground(true);
    label->setBackgroundRole(QPalette::ToolTipBase);
    label->setForegroundRole(QPalette::ToolTipText);
    label->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(label);
    content->setParent(page);
    layout->addWidget(content, 1);
    return page;
}

} // namespace zdb::demo

// The form tab: stand-alone data-aware controls on the current order (the same
// dataset as the orders tab): labeled editors for text, a pick list, a lookup,
// a date and a number, a check box, a radio group, labels and the navigator,
// among the styled controls, which follow a light or a dark palette.

#include "DemoCommon.h"
#include "AppExceptions.h"
#include "DemoTabs.h"
#include "ZDBCtrls.h"
#include "ZDBEditor.h"
#include "ZQSCtrls.h"
#include "ZQSGraph.h"

#include <QApplication>
#include <QStyle>
#include <QVBoxLayout>

namespace zdb::demo {

namespace {

// A dark palette for the whole application, and the style's own light one.
void SetDarkPalette(bool dark)
{
    if (!dark) {
        QApplication::setPalette(QApplication::style()->standardPalette());
        return;
    }
    QPalette palette;
    const QColor window(45, 45, 48), base(30, 30, 32), text(220, 220, 220);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(60, 60, 64));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(38, 110, 180));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Light, QColor(80, 80, 84));
    palette.setColor(QPalette::Midlight, QColor(70, 70, 74));
    palette.setColor(QPalette::Mid, QColor(50, 50, 54));
    palette.setColor(QPalette::Dark, QColor(25, 25, 27));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::PlaceholderText, QColor(140, 140, 140));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    QApplication::setPalette(palette);
}

class TFormTab : public QWidget
{
public:
    explicit TFormTab(TDemoData& data) : FData(data)
    {
        TDataSource* source = data.OrdersSource.get();
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* navigator = new TZDBNavigator(this);
        navigator->SetDataSource(source);
        layout->addWidget(navigator);

        auto* form = new TZQPanel(this);
        form->setFixedHeight(330);
        layout->addWidget(form);
        // The orders below the form, to see it follow the current one.
        auto* grid = new TZDBGrid(this);
        AddColumns(grid, *data.Orders,
                   {
                       {"order_no", "No.", "", taLeftJustify, 90},
                       {"order_date", "Date", "", taLeftJustify, 90},
                       {"Customer", "Customer", "", taLeftJustify, 180},
                       {"note", "Note", "", taLeftJustify, 220},
                       {"amount", "Amount", "", taRightJustify, 110},
                       {"paid", "Paid", "", taCenter, 50},
                       {"shipping", "Shipping", "", taLeftJustify, 80},
                   });
        TZColumn* paidColumn = grid->Columns()->FindColumn(QStringLiteral("paid"));
        paidColumn->SetCheckBox(true);
        paidColumn->SetCheckBoxValues(QStringLiteral("Y;N"));
        TZColumn* shippingColumn = grid->Columns()->FindColumn(QStringLiteral("shipping"));
        shippingColumn->SetPickList({QStringLiteral("S"), QStringLiteral("E"), QStringLiteral("P")});
        shippingColumn->SetPickText({QStringLiteral("Standard"), QStringLiteral("Express"), QStringLiteral("Pick-up")});
        grid->SetOptions(grid->GetOptions() & ~TZDBGridOptions(dgEditing));
        grid->SetDataSource(source);
        layout->addWidget(grid, 1);

        // Labeled editors in two columns, each label above its box.
        int x = 16, top = 30;
        auto place = [&](TZDBLabeledEditor* editor, const QString& caption, const QString& field) {
            editor->SetDataSource(source);
            editor->SetDataField(field);
            editor->EditorLabel()->SetCaption(caption);
            editor->SetLabelVisible(true);
            editor->setGeometry(x, top, 220, editor->sizeHint().height());
            top += editor->height() + 28;
        };
        auto* number = new TZDBEditor(form);
        number->SetReadOnly(true);
        place(number, QStringLiteral("Order (read-only text)"), QStringLiteral("order_no"));
        auto* note = new TZDBEditor(form);
        place(note, QStringLiteral("&Note (text)"), QStringLiteral("note"));
        // The state: stored as its number, shown and picked as its name.
        auto* state = new TZDBEditor(form);
        state->SetPickList(data.StateIds);
        state->SetPickText(data.StateNames);
        state->SetPickOptions(state->GetPickOptions() | TZPickOptions{poListItemsOnly});
        place(state, QStringLiteral("&State (pick list)"), QStringLiteral("state_id"));
        // The customer: its id stored, chosen by name from the customers.
        auto* customer = new TZDBEditor(form);
        customer->SetLookupDataSet(data.Customers.get());
        customer->SetKeyField(QStringLiteral("customer_id"));
        customer->SetLookupKeyField(QStringLiteral("id"));
        customer->SetLookupResultField(QStringLiteral("name"));
        place(customer, QStringLiteral("C&ustomer (lookup list)"), QStringLiteral("customer_id"));

        x = 268;
        top = 30;
        auto* date = new TZDBEditor(form);
        date->SetButtonStyle(ebsCalendar);
        place(date, QStringLiteral("&Date (calendar)"), QStringLiteral("order_date"));
        auto* amount = new TZDBEditor(form);
        amount->SetButtonStyle(ebsCalculator);
        place(amount, QStringLiteral("&Amount (calculator)"), QStringLiteral("amount"));
        auto* paid = new TZDBCheckBox(form);
        paid->setText(QStringLiteral("&Paid"));
        paid->SetValueChecked(QStringLiteral("Y"));
        paid->SetValueUnchecked(QStringLiteral("N"));
        paid->SetDataField(QStringLiteral("paid"));
        paid->SetDataSource(source);
        paid->setGeometry(x, top - 8, 220, paid->sizeHint().height());
        auto* shipping = new TZDBRadioGroup(form);
        shipping->setTitle(QStringLiteral("S&hipping"));
        shipping->SetItems({QStringLiteral("Standard"), QStringLiteral("Express"), QStringLiteral("Pick-up")});
        shipping->SetValues({QStringLiteral("S"), QStringLiteral("E"), QStringLiteral("P")});
        shipping->SetDataField(QStringLiteral("shipping"));
        shipping->SetDataSource(source);
        shipping->setGeometry(x, top + 22, 220, 110);

        // The customer's name and city, as labels.
        auto* customerBox = new TZQGroupBox(QStringLiteral("Customer"), form);
        customerBox->setGeometry(520, 22, 240, 96);
        auto* customerLayout = new QVBoxLayout(customerBox);
        for (const char* field : {"Customer", "City"}) {
            auto* text = new TZDBText(customerBox);
            text->SetDataField(QString::fromLatin1(field));
            text->SetDataSource(source);
            customerLayout->addWidget(text);
        }

        // The styled controls on their own: buttons, radio buttons, a progress bar.
        auto* styled = new TZQGroupBox(QStringLiteral("Styled controls"), form);
        styled->setGeometry(780, 22, 240, 290);
        auto* styledLayout = new QVBoxLayout(styled);
        auto* markPaid = new TZQButton(QStringLiteral("&Mark as paid"), styled);
        QObject::connect(markPaid, &QPushButton::clicked, this, [this] { GuardEvent(this, [this] { MarkPaid(); }); });
        styledLayout->addWidget(markPaid);
        auto* light = new TZQRadioButton(QStringLiteral("&Light palette"), styled);
        auto* dark = new TZQRadioButton(QStringLiteral("Dar&k palette"), styled);
        light->setChecked(!IsDarkPalette(QApplication::palette()));
        dark->setChecked(IsDarkPalette(QApplication::palette()));
        QObject::connect(dark, &QRadioButton::toggled, this, [](bool on) { SetDarkPalette(on); });
        styledLayout->addWidget(light);
        styledLayout->addWidget(dark);
        auto* check = new TZQCheckBox(QStringLiteral("A styled check box"), styled);
        check->setChecked(true);
        styledLayout->addWidget(check);
        styledLayout->addStretch(1);
        auto* caption = new TZQPanel(styled);
        caption->SetCaption(QStringLiteral("Position among the orders"));
        caption->setMinimumHeight(28);
        styledLayout->addWidget(caption);
        FPosition = new TZQProgressBar(styled);
        FPosition->setFormat(QStringLiteral("%v of %m"));
        styledLayout->addWidget(FPosition);
        FPositionLink = std::make_unique<TZFieldDataLink>(FPosition);
        FPositionLink->OnDataChange = [this] { ShowPosition(); };
        FPositionLink->SetFieldName(QStringLiteral("id"));
        FPositionLink->SetDataSource(source);
        ShowPosition();
    }

private:
    void MarkPaid()
    {
        TDataSet& orders = *FData.Orders;
        TField* paid = orders.FieldByName(QStringLiteral("paid"));
        if (paid->AsString() == QLatin1String("Y"))
            return;
        if (orders.State() == dsBrowse)
            orders.Edit();
        paid->SetAsString(QStringLiteral("Y"));
        orders.Post();
    }

    void ShowPosition()
    {
        const TDataSet& orders = *FData.Orders;
        if (!orders.Active())
            return;
        FPosition->setRange(0, std::max(orders.RecordCount(), 1));
        FPosition->setValue(std::max(orders.RecNo(), 0));
    }

    TDemoData& FData;
    TZQProgressBar* FPosition = nullptr;
    std::unique_ptr<TZFieldDataLink> FPositionLink;
};

} // namespace

QWidget* CreateFormTab(TDemoData& data)
{
    return TabPage(QStringLiteral(
                       "<b>Try:</b> these controls edit the current order of the orders tab: move with the"
                       " navigator, type a note, drop the state's list or the customers (F4 or Alt+Down),"
                       " the calendar on the date, the calculator on the amount; tick Paid, choose a"
                       " shipping; post or cancel with the navigator. The dark palette restyles every"
                       " control and grid."),
                   new TFormTab(data));
}

} // namespace zdb::demo

// The editing tab: the orders once more (the same dataset as the orders tab),
// each column edited in place through another kind of list: a pick list, a
// lookup list, a check list of several values, a calendar, a calculator, a
// check box, and an ellipsis button that opens a dialog.

#include "DemoCommon.h"
#include "AppExceptions.h"
#include "DemoTabs.h"

#include <QInputDialog>

namespace zdb::demo {

namespace {

// The ellipsis button of the note column: the note in a dialog of its own,
// written to the order when the dialog is confirmed.
void EditNote(TZCustomDBGrid* grid)
{
    TField* note = grid->SelectedField();
    if (!note || note->GetFieldName() != QLatin1String("note"))
        return;
    bool ok = false;
    const QString text = QInputDialog::getMultiLineText(
        grid, QStringLiteral("Note"),
        QStringLiteral("Note on order %1:").arg(note->DataSet()->FieldByName(QStringLiteral("order_no"))->AsString()),
        note->AsString(), &ok);
    if (!ok || text == note->AsString())
        return;
    TDataSet* orders = note->DataSet();
    if (orders->State() == dsBrowse)
        orders->Edit();
    note->SetAsString(text.left(note->GetSize()));
}

} // namespace

QWidget* CreateEditingTab(TDemoData& data)
{
    auto* grid = new TZDBGrid;
    grid->setObjectName(QStringLiteral("editingGrid"));
    AddColumns(grid, *data.Orders,
               {
                   {"order_no", "No.", "", taLeftJustify, 80},
                   {"state_id", "State (pick list)", "", taLeftJustify, 120},
                   {"Customer", "Customer (lookup list)", "", taLeftJustify, 170},
                   {"Tags", "Tags (check list)", "", taLeftJustify, 150},
                   {"order_date", "Date (calendar)", "", taLeftJustify, 120},
                   {"amount", "Amount (calculator)", "", taRightJustify, 140},
                   {"paid", "Paid", "", taCenter, 50},
                   {"note", "Note (button)", "", taLeftJustify, 200},
               });
    grid->Columns()->FindColumn(QStringLiteral("order_no"))->SetReadOnly(true);
    // The state is stored as its number and shown, typed and picked as its name.
    TZColumn* state = grid->Columns()->FindColumn(QStringLiteral("state_id"));
    state->SetPickList(data.StateIds);
    state->SetPickText(data.StateNames);
    state->SetPickOptions(state->GetPickOptions() | TZPickOptions{poListItemsOnly});
    // The customer is a lookup field: its list shows the customers by name and
    // writes the chosen one's id.
    TZColumn* customer = grid->Columns()->FindColumn(QStringLiteral("Customer"));
    customer->SetLookupListFields(QStringLiteral("name;city"));
    // Several tags ticked in one list, kept as one text.
    TZColumn* tags = grid->Columns()->FindColumn(QStringLiteral("Tags"));
    tags->SetPickList({QStringLiteral("urgent"), QStringLiteral("gift"), QStringLiteral("fragile"),
                       QStringLiteral("export"), QStringLiteral("repeat")});
    tags->SetListOptions(tags->GetListOptions().Include(loMultiSelectList));
    tags->SetMultiSelectText(mstDefault);
    // A date field drops a calendar by itself; the amount asks for the calculator.
    grid->Columns()->FindColumn(QStringLiteral("amount"))->SetButtonStyle(cbsCalculator);
    // The paid flag, stored as Y or N, toggled by a click or Space.
    TZColumn* paid = grid->Columns()->FindColumn(QStringLiteral("paid"));
    paid->SetCheckBox(true);
    paid->SetCheckBoxValues(QStringLiteral("Y;N"));
    grid->Columns()->FindColumn(QStringLiteral("note"))->SetButtonStyle(cbsEllipsis);
    grid->OnEditButtonClick = [](TZCustomDBGrid* sender) { GuardEvent(sender, [sender] { EditNote(sender); }); };
    grid->SetKeyFields(QStringLiteral("id"));
    grid->SetOptions(grid->GetOptions() | dgEditing);
    grid->SetDataSource(data.OrdersSource.get());
    return TabPage(QStringLiteral(
                       "<b>Try:</b> every column edits through another list: F4 or Alt+Down (or the cell's"
                       " button) drops the state's pick list, the customers to look up, the tags to tick"
                       " (several at once), a calendar on the date, a calculator on the amount; a click or"
                       " Space toggles Paid; the note's button opens a dialog. Enter or moving to another"
                       " order saves, Escape takes the change back. The orders are the orders tab's."),
                   grid);
}

} // namespace zdb::demo

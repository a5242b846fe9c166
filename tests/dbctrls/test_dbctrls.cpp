// The data-aware controls driven by real clicks and keys over an in-memory table: the radio
// group and check box writing their field, the label following the record, and the
// navigator's buttons following and changing the dataset's state.

#include "ZDBCtrls.h"
#include "ZDBMemData.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace zdb;

namespace {

// Name, State (text) and Paid (boolean); a null state and paid where the text is empty.
std::unique_ptr<TZMemDataSet> MakeTable(const QStringList& states)
{
    auto table = std::make_unique<TZMemDataSet>();
    table->FieldDefs().Add("Name", ftWideString, 20);
    table->FieldDefs().Add("State", ftWideString, 10);
    table->FieldDefs().Add("Paid", ftBoolean);
    table->CreateDataSet();
    for (int i = 0; i < states.size(); ++i) {
        table->Append();
        table->FieldByName("Name")->SetValue(QStringLiteral("Name %1").arg(i + 1));
        if (!states[i].isEmpty()) {
            table->FieldByName("State")->SetValue(states[i]);
            table->FieldByName("Paid")->SetValue(i % 2 == 0);
        }
        table->Post();
    }
    table->First();
    return table;
}

// A click on a button's indicator (the middle of a wide button may lie beyond its text).
void Press(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

struct Controls : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeTable({"O", "Held", "X", ""});
    TDataSource Source;
    QWidget Form;

    void SetUp() override { Source.SetDataSet(Table.get()); }
    void Show()
    {
        Form.resize(400, 300);
        Form.show();
        QApplication::processEvents();
    }
    QString State() const { return Table->FieldByName("State")->AsString(); }
};

} // namespace

TEST_F(Controls, TheRadioGroupSelectsByTheFieldAndWritesTheChosenValue)
{
    auto* group = new TZDBRadioGroup(&Form);
    group->SetItems({"Open", "Closed", "Held"});
    group->SetValues({"O", "C"}); // "Held" stores its caption
    int changes = 0;
    group->OnChange = [&](TZDBRadioGroup*) { ++changes; };
    group->SetDataSource(&Source);
    group->SetDataField("State");
    group->adjustSize();
    Show();
    EXPECT_EQ(group->GetItemIndex(), 0);
    EXPECT_EQ(group->GetButtonValue(2), "Held");
    EXPECT_EQ(group->GetButtonValue(3), "");
    Table->Next();
    EXPECT_EQ(group->GetItemIndex(), 2);

    // A value of no button, and null: none selected, nothing written.
    Table->Next();
    EXPECT_EQ(group->GetItemIndex(), -1);
    EXPECT_EQ(group->GetValue(), "X");
    group->DataLink()->UpdateRecord();
    Table->Next();
    EXPECT_EQ(group->GetItemIndex(), -1);
    EXPECT_EQ(Table->State(), dsBrowse);
    Table->Prior();
    EXPECT_EQ(State(), "X");
    const int before = changes;
    group->SetValue("X");
    EXPECT_EQ(changes, before);

    // A click edits the record; the post writes the button's value.
    Press(group->Button(1));
    EXPECT_EQ(Table->State(), dsEdit);
    EXPECT_EQ(group->GetValue(), "C");
    EXPECT_EQ(changes, before + 1);
    Table->Post();
    EXPECT_EQ(State(), "C");
    EXPECT_EQ(group->GetItemIndex(), 1);

    // Escape drops the choice.
    Press(group->Button(2));
    QTest::keyClick(group->Button(2), Qt::Key_Escape);
    EXPECT_EQ(group->GetItemIndex(), 1);
    Table->Post();
    EXPECT_EQ(State(), "C");

    // Read-only: a click changes nothing.
    group->SetReadOnly(true);
    Press(group->Button(0));
    EXPECT_EQ(group->GetItemIndex(), 1);
    EXPECT_EQ(Table->State(), dsBrowse);
    group->SetReadOnly(false);
    Table->SetReadOnly(true);
    Press(group->Button(0));
    EXPECT_EQ(group->GetItemIndex(), 1);
    Table->SetReadOnly(false);

    // Leaving the group writes the chosen value.
    auto* other = new QToolButton(&Form);
    other->setFocusPolicy(Qt::StrongFocus);
    other->move(300, 250);
    other->show();
    Form.activateWindow();
    group->Button(1)->setFocus();
    QTest::keyClick(group->Button(1), Qt::Key_Down); // moves to "Held" and checks it
    ASSERT_EQ(group->GetItemIndex(), 2);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(State(), "Held");
    Table->Cancel();
}

TEST_F(Controls, TheCheckBoxReadsAndWritesBooleanAndTextValues)
{
    auto* paid = new TZDBCheckBox(&Form);
    paid->SetDataSource(&Source);
    paid->SetDataField("Paid");
    auto* state = new TZDBCheckBox(&Form);
    state->move(0, 40);
    state->setTristate(true);
    state->SetValueChecked("o;open");
    state->SetValueUnchecked("Held");
    state->SetDataSource(&Source);
    state->SetDataField("State");
    paid->adjustSize();
    state->adjustSize();
    Show();
    EXPECT_EQ(paid->checkState(), Qt::Checked);
    EXPECT_EQ(state->checkState(), Qt::Checked); // "O" matches "o" ignoring case
    Table->Next();
    EXPECT_EQ(paid->checkState(), Qt::Unchecked);
    EXPECT_EQ(state->checkState(), Qt::Unchecked);
    Table->Next();
    EXPECT_EQ(state->checkState(), Qt::PartiallyChecked); // "X": neither

    Press(paid);
    Press(state); // partly to checked
    EXPECT_EQ(Table->State(), dsEdit);
    Table->Post();
    EXPECT_TRUE(Table->FieldByName("Paid")->AsBoolean() == false); // record 3 was paid
    EXPECT_EQ(State(), "o");
    Press(state);
    Table->Post();
    EXPECT_EQ(State(), "Held");

    state->SetReadOnly(true);
    Press(state);
    EXPECT_EQ(state->checkState(), Qt::Unchecked);
    EXPECT_EQ(Table->State(), dsBrowse);
}

TEST_F(Controls, TheLabelShowsTheFieldOfTheCurrentRecord)
{
    TZDBText label;
    label.SetDataField("Name");
    EXPECT_EQ(label.text(), "");
    label.SetDataSource(&Source);
    EXPECT_EQ(label.text(), "Name 1");
    Table->Last();
    EXPECT_EQ(label.text(), "Name 4");
    Table->Edit();
    Table->FieldByName("Name")->SetValue("Renamed");
    EXPECT_EQ(label.text(), "Renamed");
    Table->Cancel();
    Table->Close();
    EXPECT_EQ(label.text(), "");
    // A data source that goes away leaves the label unbound.
    {
        TDataSource other;
        label.SetDataSource(&other);
    }
    EXPECT_EQ(label.GetDataSource(), nullptr);
}

namespace {

struct Navigator : Controls {
    TZDBNavigator* Nav = nullptr;
    void SetUp() override
    {
        Controls::SetUp();
        Nav = new TZDBNavigator(&Form);
        Nav->SetConfirmDelete(false);
        Show();
    }
    // The enabled buttons, as a string of their first letters ("FPNLIDERC" and "r" for
    // refresh).
    std::string Enabled() const
    {
        static const char letters[] = "FPNLIDEoCr";
        std::string result;
        for (int i = 0; i < NavigateBtnCount; ++i)
            if (Nav->Button(TNavigateBtn(i))->isEnabled())
                result += letters[i];
        return result;
    }
    void Click(TNavigateBtn button) { QTest::mouseClick(Nav->Button(button), Qt::LeftButton); }
};

} // namespace

TEST_F(Navigator, ButtonsFollowTheDatasetAndRunTheirActions)
{
    EXPECT_EQ(Enabled(), "");
    Nav->SetDataSource(&Source);
    EXPECT_EQ(Enabled(), "NLIDEr"); // at the first record
    Click(nbNext);
    EXPECT_EQ(Table->RecNo(), 2);
    EXPECT_EQ(Enabled(), "FPNLIDEr");
    Click(nbLast);
    EXPECT_EQ(Table->RecNo(), 4);
    EXPECT_EQ(Enabled(), "FPIDEr");
    Click(nbPrior);
    EXPECT_EQ(Table->RecNo(), 3);
    Click(nbFirst);
    EXPECT_EQ(Table->RecNo(), 1);

    // Editing: post and cancel only while editing, no refresh.
    Click(nbEdit);
    EXPECT_EQ(Table->State(), dsEdit);
    EXPECT_EQ(Enabled(), "NLIDoC");
    Table->FieldByName("Name")->SetValue("Edited");
    Click(nbPost);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Table->FieldByName("Name")->AsString(), "Edited");
    Click(nbInsert);
    EXPECT_EQ(Table->State(), dsInsert);
    EXPECT_TRUE(Nav->Button(nbCancel)->isEnabled());
    Click(nbCancel);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Table->RecordCount(), 4);

    // Deleting, down to an empty table.
    bool allow = false;
    Nav->BeforeAction = [&allow](TZDBNavigator*, TNavigateBtn, bool& Allow) { Allow = allow; };
    Click(nbDelete);
    EXPECT_EQ(Table->RecordCount(), 4);
    allow = true;
    for (int i = 0; i < 4; ++i)
        Click(nbDelete);
    EXPECT_EQ(Table->RecordCount(), 0);
    EXPECT_EQ(Enabled(), "IEr");

    // A read-only dataset offers only moving and refreshing; a closed one nothing.
    Table->SetReadOnly(true);
    Table->Close();
    Table->Open();
    EXPECT_EQ(Enabled(), "r");
    Table->Close();
    EXPECT_EQ(Enabled(), "");
}

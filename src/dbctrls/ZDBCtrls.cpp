// The field data link and the data-aware radio group, check box and label.

#include "ZDBCtrls.h"

#include "AppExceptions.h"

#include <QApplication>
#include <QAbstractButton>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace zdb {

namespace {

// Whether the focus that left widget went somewhere outside it (not to another window
// or a popup, which come back).
bool FocusLeft(const QWidget* widget, const QFocusEvent* event)
{
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return false;
    const QWidget* next = QApplication::focusWidget();
    return next != widget && !widget->isAncestorOf(next);
}

// Whether text is one of the ";"-separated entries of values, ignoring case.
bool ValueMatches(const QString& values, const QString& text)
{
    const QStringList entries = values.split(QLatin1Char(';'));
    return std::any_of(entries.begin(), entries.end(), [&text](const QString& entry) {
        return entry.trimmed().compare(text, Qt::CaseInsensitive) == 0;
    });
}

QString FirstValue(const QString& values)
{
    return values.section(QLatin1Char(';'), 0, 0).trimmed();
}

} // namespace

// --- TZFieldDataLink ------------------------------------------------------------------

void TZFieldDataLink::SetFieldName(const QString& value)
{
    if (value == FFieldName)
        return;
    FFieldName = value;
    UpdateField();
}

bool TZFieldDataLink::CanModify() const
{
    return !GetReadOnly() && FField && FField->CanModify();
}

bool TZFieldDataLink::Edit()
{
    if (CanModify())
        TDataLink::Edit();
    return FEditing;
}

void TZFieldDataLink::UpdateField()
{
    TDataSet* dataSet = Active() ? DataSet() : nullptr;
    TField* field = dataSet && !FFieldName.isEmpty() ? dataSet->FindField(FFieldName) : nullptr;
    if (field == FField && field)
        return;
    FField = field;
    UpdateEditing();
    RecordChanged(nullptr);
}

void TZFieldDataLink::UpdateEditing()
{
    const bool editing = TDataLink::Editing() && CanModify();
    if (editing == FEditing)
        return;
    FEditing = editing;
    FModified = false;
    if (OnEditingChange)
        OnEditingChange();
}

void TZFieldDataLink::ActiveChanged()
{
    UpdateField();
    if (OnActiveChange)
        OnActiveChange();
}

void TZFieldDataLink::EditingChanged()
{
    UpdateEditing();
}

void TZFieldDataLink::LayoutChanged()
{
    UpdateField();
}

void TZFieldDataLink::RecordChanged(TField* field)
{
    if (field && field != FField)
        return;
    if (OnDataChange)
        OnDataChange();
    FModified = false;
}

void TZFieldDataLink::UpdateData()
{
    if (!FModified)
        return;
    // A value the field refuses raises here and stays pending in the control.
    if (FField && OnUpdateData)
        OnUpdateData();
    FModified = false;
}

void TZFieldDataLink::FocusControl(TField* field)
{
    if (field && field == FField && FControl && FControl->isEnabled())
        FControl->setFocus();
}

// --- TZRadioGroup ---------------------------------------------------------------------

class TZRadioGroup::TGroupButton : public TZQRadioButton {
public:
    TGroupButton(const QString& caption, TZRadioGroup* group) : TZQRadioButton(caption, group), FGroup(group) {}

protected:
    // A press checks the button only when the group may change.
    void nextCheckState() override
    {
        bool allowed = false;
        GuardEvent(this, [this, &allowed] { allowed = FGroup->CanModify(); });
        if (allowed)
            TZQRadioButton::nextCheckState();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        TZQRadioButton::keyPressEvent(event);
        GuardEvent(this, [this, key = event->key()] { FGroup->ButtonKeyPress(key); });
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        if (FocusLeft(FGroup, event))
            GuardEvent(this, [this] { FGroup->GroupExit(); });
        TZQRadioButton::focusOutEvent(event);
    }

private:
    TZRadioGroup* FGroup;
};

TZRadioGroup::TZRadioGroup(QWidget* parent) : TZQGroupBox(parent), FButtons(new QButtonGroup(this))
{
    new QVBoxLayout(this);
    connect(FButtons, &QButtonGroup::buttonClicked, this, [this] { GuardEvent(this, [this] { Click(); }); });
}

TZRadioGroup::~TZRadioGroup()
{
    // The buttons call back into the group (a focus leaving them): they go while it is whole.
    const auto buttons = FButtons->buttons();
    qDeleteAll(buttons);
}

void TZRadioGroup::SetItems(const QStringList& value)
{
    if (value == FItems)
        return;
    const int index = GetItemIndex();
    const auto old = FButtons->buttons();
    for (QAbstractButton* button : old) {
        FButtons->removeButton(button);
        delete button;
    }
    FItems = value;
    for (int i = 0; i < FItems.size(); ++i) {
        auto* button = new TGroupButton(FItems[i], this);
        FButtons->addButton(button, i);
        layout()->addWidget(button);
    }
    SetItemIndex(index < FItems.size() ? index : -1);
}

int TZRadioGroup::GetItemIndex() const
{
    return FButtons->checkedId();
}

void TZRadioGroup::SetItemIndex(int value)
{
    if (value == GetItemIndex())
        return;
    if (QAbstractButton* button = FButtons->button(value)) {
        button->setChecked(true);
        return;
    }
    // None checked: an exclusive group keeps one button on, so it lets go for a moment.
    if (QAbstractButton* checked = FButtons->checkedButton()) {
        FButtons->setExclusive(false);
        checked->setChecked(false);
        FButtons->setExclusive(true);
    }
}

QAbstractButton* TZRadioGroup::Button(int index) const
{
    return FButtons->button(index);
}

int TZRadioGroup::ButtonCount() const
{
    return int(FButtons->buttons().size());
}

void TZRadioGroup::Click()
{
    if (OnClick)
        OnClick(this);
}

// --- TZDBRadioGroup -------------------------------------------------------------------

TZDBRadioGroup::TZDBRadioGroup(QWidget* parent) : TZRadioGroup(parent), TZFieldBinding(this)
{
    FDataLink->OnDataChange = [this] { DataChange(); };
    FDataLink->OnUpdateData = [this] { UpdateData(); };
}

TZDBRadioGroup::~TZDBRadioGroup() = default;

void TZDBRadioGroup::SetItems(const QStringList& value)
{
    TZRadioGroup::SetItems(value);
    SelectValue(FValue);
    DataChange();
}

void TZDBRadioGroup::SetValues(const QStringList& value)
{
    FValues = value;
    SelectValue(FValue);
    DataChange();
}

QString TZDBRadioGroup::GetButtonValue(int index) const
{
    if (index >= 0 && index < FValues.size() && !FValues[index].isEmpty())
        return FValues[index];
    if (index >= 0 && index < GetItems().size())
        return GetItems()[index];
    return {};
}

void TZDBRadioGroup::SelectValue(const QString& value)
{
    FInSetValue = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FInSetValue};
    QAbstractButton* checked = Button(GetItemIndex());
    const bool focused = checked && checked->hasFocus();
    int index = -1;
    for (int i = 0; i < ButtonCount(); ++i)
        if (GetButtonValue(i) == value) {
            index = i;
            break;
        }
    SetItemIndex(index);
    if (focused && Button(index))
        Button(index)->setFocus();
}

void TZDBRadioGroup::SetValue(const QString& value)
{
    if (value == FValue)
        return;
    SelectValue(value);
    FValue = value;
    Change();
}

void TZDBRadioGroup::Change()
{
    if (OnChange)
        OnChange(this);
}

void TZDBRadioGroup::DataChange()
{
    SetValue(Field() ? Field()->GetEditText() : QString());
}

void TZDBRadioGroup::UpdateData()
{
    if (Field())
        Field()->SetEditText(FValue);
}

void TZDBRadioGroup::Click()
{
    if (FInSetValue)
        return;
    TZRadioGroup::Click();
    if (GetItemIndex() >= 0)
        SetValue(GetButtonValue(GetItemIndex()));
    if (FDataLink->Editing())
        FDataLink->Modified();
}

void TZDBRadioGroup::ButtonKeyPress(int key)
{
    if (key == Qt::Key_Backspace || key == Qt::Key_Space)
        FDataLink->Edit();
    else if (key == Qt::Key_Escape)
        FDataLink->Reset();
}

void TZDBRadioGroup::GroupExit()
{
    FDataLink->UpdateRecord();
}

// --- TZDBCheckBox ---------------------------------------------------------------------

TZDBCheckBox::TZDBCheckBox(QWidget* parent) : TZQCheckBox(parent), TZFieldBinding(this)
{
    FDataLink->OnDataChange = [this] { DataChange(); };
    FDataLink->OnUpdateData = [this] { UpdateData(); };
}

TZDBCheckBox::~TZDBCheckBox() = default;

void TZDBCheckBox::SetValueChecked(const QString& value)
{
    if (value == FValueChecked)
        return;
    FValueChecked = value;
    DataChange();
}

void TZDBCheckBox::SetValueUnchecked(const QString& value)
{
    if (value == FValueUnchecked)
        return;
    FValueUnchecked = value;
    DataChange();
}

Qt::CheckState TZDBCheckBox::FieldState() const
{
    const Qt::CheckState other = isTristate() ? Qt::PartiallyChecked : Qt::Unchecked;
    const TField* field = Field();
    if (!field || field->IsNull())
        return other;
    if (field->DataType() == ftBoolean)
        return field->AsBoolean() ? Qt::Checked : Qt::Unchecked;
    const QString text = field->GetEditText();
    if (ValueMatches(FValueChecked, text))
        return Qt::Checked;
    if (ValueMatches(FValueUnchecked, text))
        return Qt::Unchecked;
    return other;
}

void TZDBCheckBox::DataChange()
{
    setCheckState(FieldState());
}

void TZDBCheckBox::UpdateData()
{
    TField* field = Field();
    const Qt::CheckState state = checkState();
    if (state == Qt::PartiallyChecked)
        field->Clear();
    else if (field->DataType() == ftBoolean)
        field->SetValue(state == Qt::Checked);
    else
        field->SetEditText(FirstValue(state == Qt::Checked ? FValueChecked : FValueUnchecked));
}

void TZDBCheckBox::nextCheckState()
{
    GuardEvent(this, [this] {
        if (!FDataLink->Edit())
            return;
        TZQCheckBox::nextCheckState();
        FDataLink->Modified();
    });
}

void TZDBCheckBox::focusOutEvent(QFocusEvent* event)
{
    if (FocusLeft(this, event))
        GuardEvent(this, [this] { FDataLink->UpdateRecord(); });
    TZQCheckBox::focusOutEvent(event);
}

void TZDBCheckBox::keyPressEvent(QKeyEvent* event)
{
    TZQCheckBox::keyPressEvent(event);
    if (event->key() == Qt::Key_Escape)
        GuardEvent(this, [this] { FDataLink->Reset(); });
}

// --- TZDBText -------------------------------------------------------------------------

TZDBText::TZDBText(QWidget* parent) : QLabel(parent), TZFieldBinding(this)
{
    FDataLink->OnDataChange = [this] { DataChange(); };
}

TZDBText::~TZDBText() = default;

void TZDBText::DataChange()
{
    setText(Field() ? Field()->DisplayText() : QString());
}

} // namespace zdb

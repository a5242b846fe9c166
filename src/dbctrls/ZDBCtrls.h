#pragma once
// Data-aware standard controls: a radio group, a check box and a label bound to one field of
// a data source's current record, and a navigator that moves and edits that record.
//
// The field controls follow their field through a TZFieldDataLink: a change of the record or
// the field shows the new value; a value the user chose is kept as modified and written into
// the field when the dataset asks its controls for their data (before a post), when the
// control loses the focus, or when the user leaves the control. A user's change first puts
// the dataset into edit state; a read-only control, field or dataset takes none.

#include "DB.h"
#include "ZDBGridTypes.h"
#include "ZQSCtrls.h"

#include <QLabel>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QAbstractButton;
class QButtonGroup;

namespace zdb {

// The link of a control to one field of its data source.
class TZFieldDataLink : public TDataLink {
public:
    explicit TZFieldDataLink(QWidget* control = nullptr) : FControl(control) {}

    QWidget* Control() const { return FControl; }
    QString GetFieldName() const { return FFieldName; }
    void SetFieldName(const QString& value);
    // The field of that name in the open dataset, else none.
    TField* Field() const { return FField; }
    // Whether the field can take a value now: a field, not read-only, in a dataset that
    // can be modified.
    bool CanModify() const;
    // Whether the dataset edits and the field can take the value (hides TDataLink::Editing).
    bool Editing() const { return FEditing; }
    // Puts the dataset into edit state when the field can be modified; whether it edits.
    bool Edit();
    // The control holds a value to be written (UpdateData).
    void Modified() { FModified = true; }
    bool IsModified() const { return FModified; }
    // Drops the control's pending value and shows the field's again.
    void Reset() { RecordChanged(nullptr); }

    std::function<void()> OnDataChange;    // the record or the field changed
    std::function<void()> OnEditingChange; // Editing changed
    std::function<void()> OnUpdateData;    // write the control's value into the field
    std::function<void()> OnActiveChange;  // the dataset opened or closed

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;
    void FocusControl(TField* field) override;

private:
    void UpdateField();
    void UpdateEditing();

    QWidget* FControl;
    QString FFieldName;
    TField* FField = nullptr;
    bool FEditing = false;
    bool FModified = false;
};

// The binding of a field control: its link, and the control's properties that reach it.
class TZFieldBinding {
public:
    TDataSource* GetDataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* value) { FDataLink->SetDataSource(value); }
    QString GetDataField() const { return FDataLink->GetFieldName(); }
    void SetDataField(const QString& value) { FDataLink->SetFieldName(value); }
    bool GetReadOnly() const { return FDataLink->GetReadOnly(); }
    void SetReadOnly(bool value) { FDataLink->SetReadOnly(value); }
    TField* Field() const { return FDataLink->Field(); }
    TZFieldDataLink* DataLink() const { return FDataLink.get(); }

protected:
    explicit TZFieldBinding(QWidget* control) : FDataLink(std::make_unique<TZFieldDataLink>(control)) {}
    ~TZFieldBinding() = default;
    TZFieldBinding(const TZFieldBinding&) = delete;
    TZFieldBinding& operator=(const TZFieldBinding&) = delete;

    std::unique_ptr<TZFieldDataLink> FDataLink;
};

// ---------------------------------------------------------------------------
// Radio group

// A styled group box with one styled radio button per item, at most one of them checked.
class TZRadioGroup : public TZQGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ GetItems WRITE SetItems)
    Q_PROPERTY(int ItemIndex READ GetItemIndex WRITE SetItemIndex)
public:
    explicit TZRadioGroup(QWidget* parent = nullptr);
    ~TZRadioGroup() override;

    QStringList GetItems() const { return FItems; }
    // New buttons for the captions; the checked index stays when there still is such a button.
    virtual void SetItems(const QStringList& value);
    // The checked button's index; -1 for none.
    int GetItemIndex() const;
    void SetItemIndex(int value);
    QAbstractButton* Button(int index) const;
    int ButtonCount() const;

    std::function<void(TZRadioGroup* sender)> OnClick;

protected:
    // Whether the user may change the checked button now; a press on a button asks first.
    virtual bool CanModify() { return true; }
    // The user chose a button (it is checked now).
    virtual void Click();
    // A key pressed on one of the buttons, after the button handled it.
    virtual void ButtonKeyPress(int /*key*/) {}
    // The focus left the group.
    virtual void GroupExit() {}

private:
    class TGroupButton;

    QStringList FItems;
    QButtonGroup* FButtons; // a child
};

// A radio group bound to a field: the field's text selects the button whose value it is,
// choosing a button writes that button's value.
class TZDBRadioGroup : public TZRadioGroup, public TZFieldBinding {
    Q_OBJECT
    Q_PROPERTY(zdb::TDataSource* DataSource READ GetDataSource WRITE SetDataSource)
    Q_PROPERTY(QString DataField READ GetDataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ GetReadOnly WRITE SetReadOnly)
    Q_PROPERTY(QStringList Values READ GetValues WRITE SetValues)
    // Follows the field; not kept in a form.
    Q_PROPERTY(QString Value READ GetValue WRITE SetValue STORED false DESIGNABLE false)
public:
    explicit TZDBRadioGroup(QWidget* parent = nullptr);
    ~TZDBRadioGroup() override;

    void SetItems(const QStringList& value) override;
    // The values stored for the buttons, by index; an empty or missing one stores the caption.
    QStringList GetValues() const { return FValues; }
    void SetValues(const QStringList& value);
    // The value of button index: its entry of Values, else its caption, else empty.
    QString GetButtonValue(int index) const;
    QString GetValue() const { return FValue; }
    // Checks the first button whose value is the text (none when no button's is), then
    // fires OnChange; nothing happens when the text is the current value.
    void SetValue(const QString& value);

    std::function<void(TZDBRadioGroup* sender)> OnChange;

protected:
    bool CanModify() override { return FDataLink->Edit(); }
    void Click() override;
    void ButtonKeyPress(int key) override;
    void GroupExit() override;
    virtual void Change();

private:
    void DataChange();
    void UpdateData();
    void SelectValue(const QString& value);

    QStringList FValues;
    QString FValue;
    bool FInSetValue = false;
};

// ---------------------------------------------------------------------------
// Check box

// A styled check box bound to a field. A boolean field is checked for true; any other field for a
// text among ValueChecked (";"-separated, compared ignoring case), unchecked for one among
// ValueUnchecked; a null value or any other text shows partly checked with Qt's tristate
// on, unchecked without it. Checking writes true or the first text of ValueChecked,
// unchecking false or the first of ValueUnchecked, partly checking null.
class TZDBCheckBox : public TZQCheckBox, public TZFieldBinding {
    Q_OBJECT
    Q_PROPERTY(zdb::TDataSource* DataSource READ GetDataSource WRITE SetDataSource)
    Q_PROPERTY(QString DataField READ GetDataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ GetReadOnly WRITE SetReadOnly)
    Q_PROPERTY(QString ValueChecked READ GetValueChecked WRITE SetValueChecked)
    Q_PROPERTY(QString ValueUnchecked READ GetValueUnchecked WRITE SetValueUnchecked)
public:
    explicit TZDBCheckBox(QWidget* parent = nullptr);
    ~TZDBCheckBox() override;

    QString GetValueChecked() const { return FValueChecked; }
    void SetValueChecked(const QString& value);
    QString GetValueUnchecked() const { return FValueUnchecked; }
    void SetValueUnchecked(const QString& value);

protected:
    void nextCheckState() override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Qt::CheckState FieldState() const;
    void DataChange();
    void UpdateData();

    QString FValueChecked = QStringLiteral("True");
    QString FValueUnchecked = QStringLiteral("False");
};

// ---------------------------------------------------------------------------
// Label

// A label showing a field's display text.
class TZDBText : public QLabel, public TZFieldBinding {
    Q_OBJECT
    Q_PROPERTY(zdb::TDataSource* DataSource READ GetDataSource WRITE SetDataSource)
    Q_PROPERTY(QString DataField READ GetDataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ GetReadOnly WRITE SetReadOnly)
public:
    explicit TZDBText(QWidget* parent = nullptr);
    ~TZDBText() override;

private:
    void DataChange();
};

// ---------------------------------------------------------------------------
// Navigator

// Registered with the meta-object system (the navigator's VisibleButtons by key names).
inline namespace NavigatorTypes {
Q_NAMESPACE
enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };
Q_ENUM_NS(TNavigateBtn)
} // namespace NavigatorTypes
constexpr int NavigateBtnCount = nbRefresh + 1;
using TNavButtonSet = TEnumSet<TNavigateBtn>;

// The navigator's button captions, also their tool tips.
extern QString SNavFirst;
extern QString SNavPrior;
extern QString SNavNext;
extern QString SNavLast;
extern QString SNavInsert;
extern QString SNavDelete;
extern QString SNavEdit;
extern QString SNavPost;
extern QString SNavCancel;
extern QString SNavRefresh;
// The captions by button, read when the buttons are made.
extern const std::array<QString*, NavigateBtnCount> NavigatorCaptions;

// A row of styled buttons, each with its caption and glyph, that move through a data source's dataset and edit its records. A button
// is enabled while its action can run: moving back while not at the first record, forward
// while not at the last, inserting while the dataset can be modified, deleting a record
// that is there, editing while not editing, posting and cancelling while editing,
// refreshing while browsing.
class TZDBNavigator : public QWidget {
    Q_OBJECT
    Q_PROPERTY(zdb::TDataSource* DataSource READ GetDataSource WRITE SetDataSource)
    // The buttons shown, by their key names ("nbFirst", "nbPrior", ...); a list naming
    // anything else changes nothing.
    Q_PROPERTY(QStringList VisibleButtons READ GetVisibleButtonNames WRITE SetVisibleButtonNames)
    Q_PROPERTY(bool ConfirmDelete READ GetConfirmDelete WRITE SetConfirmDelete)
public:
    explicit TZDBNavigator(QWidget* parent = nullptr);
    ~TZDBNavigator() override;

    TDataSource* GetDataSource() const;
    void SetDataSource(TDataSource* value);
    // Which buttons show; all by default.
    TNavButtonSet GetVisibleButtons() const { return FVisibleButtons; }
    void SetVisibleButtons(TNavButtonSet value);
    QStringList GetVisibleButtonNames() const { return EnumSetNames(FVisibleButtons); }
    void SetVisibleButtonNames(const QStringList& value)
    {
        SetEnumSetByNames<TNavigateBtn>(value, [this](TNavButtonSet buttons) { SetVisibleButtons(buttons); });
    }
    // Deleting asks first (SDeleteRecordQuestion); on by default.
    bool GetConfirmDelete() const { return FConfirmDelete; }
    void SetConfirmDelete(bool value) { FConfirmDelete = value; }
    TZQButton* Button(TNavigateBtn button) const { return FButtons[size_t(button)]; }

    // Runs the button's action on the dataset, as a click on it does.
    void BtnClick(TNavigateBtn button);

    // Before the action of a clicked button; setting the flag false skips it.
    std::function<void(TZDBNavigator* sender, TNavigateBtn button, bool& allow)> BeforeAction;
    // After a clicked button's action.
    std::function<void(TZDBNavigator* sender, TNavigateBtn button)> OnClick;

protected:
    // Asks whether to delete the current record; true to delete.
    virtual bool ConfirmDeletion();
    // Enables each button by the dataset's state.
    void UpdateButtons();

private:
    class TNavDataLink;
    std::unique_ptr<TNavDataLink> FDataLink;
    std::array<TZQButton*, NavigateBtnCount> FButtons{};
    TNavButtonSet FVisibleButtons = TNavButtonSet::FromBits((1u << NavigateBtnCount) - 1);
    bool FConfirmDelete = true;
};

} // namespace zdb

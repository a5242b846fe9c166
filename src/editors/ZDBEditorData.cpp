// TZDBDataEditor: the editor on a form, bound to a field through a data link.
// It shows the field's display text, and its edit text while it has the
// focus; a change the user makes puts the record into edit state and is
// written when the record is posted or left, on Enter and when the editor
// loses the focus. A text the field refuses raises its error (to the
// application's handler from an event) and stays in the editor; Escape gives
// the field's value back.

#include "ZDBEditor.h"

#include "AppExceptions.h"

#include <QApplication>
#include <QFocusEvent>
#include <QScopeGuard>

namespace zdb {

TZDBDataEditor::TZDBDataEditor(QWidget* AParent) : TZDBGridEditor(AParent), TZFieldBinding(this)
{
    TZFieldDataLink* link = DataLink();
    link->OnDataChange = [this] { DataChange(); };
    link->OnEditingChange = [this] { EditingChange(); };
    link->OnActiveChange = [this] { ActiveChange(); };
    link->OnUpdateData = [this] { WriteText(); };
    ApplyAutoSize();
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (FShowing || FChanging)
            return;
        GuardEvent(this, [this] {
            FChanging = true;
            const auto done = qScopeGuard([this] { FChanging = false; });
            if (!Field())
                return;
            if (DataLink()->Edit())
                DataLink()->Modified();
            else
                DataChange();
        });
    });
    DataChange();
}

TZDBDataEditor::~TZDBDataEditor()
{
    TZFieldDataLink* link = DataLink();
    link->OnDataChange = nullptr;
    link->OnEditingChange = nullptr;
    link->OnActiveChange = nullptr;
    link->OnUpdateData = nullptr;
    link->SetDataSource(nullptr);
}

void TZDBDataEditor::SetDataSource(TDataSource* Value)
{
    if (GetDataSource() == Value)
        return;
    TZFieldBinding::SetDataSource(Value);
    // Unbound, the editor holds a value of its own: none at first.
    if (!Value)
        clear();
    ActiveChange();
}

void TZDBDataEditor::SetDataField(const QString& Value)
{
    if (GetDataField() == Value)
        return;
    TZFieldBinding::SetDataField(Value);
    ActiveChange();
}

void TZDBDataEditor::SetDataColumn(const QString& Value)
{
    FDataColumn = Value;
}

TField* TZDBDataEditor::Field() const
{
    return TZFieldBinding::Field();
}

void TZDBDataEditor::SetReadOnly(bool Value)
{
    TZFieldBinding::SetReadOnly(Value);
    ActiveChange();
}

void TZDBDataEditor::SetDropDownOnly(bool Value)
{
    TZDBGridEditor::SetDropDownOnly(Value);
    ApplyReadOnly();
}

void TZDBDataEditor::SetPasswordChar(QChar Value)
{
    FPasswordChar = Value;
    setEchoMode(Value.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

void TZDBDataEditor::SetAutoSize(bool Value)
{
    if (FAutoSize == Value)
        return;
    FAutoSize = Value;
    ApplyAutoSize();
}

void TZDBDataEditor::ApplyAutoSize()
{
    // In a layout the height follows the size hint; placed by hand, it is set.
    QSizePolicy policy = sizePolicy();
    policy.setVerticalPolicy(FAutoSize ? QSizePolicy::Fixed : QSizePolicy::Preferred);
    setSizePolicy(policy);
    if (FAutoSize)
        resize(width(), sizeHint().height());
}

bool TZDBDataEditor::event(QEvent* Event)
{
    const bool result = TZDBGridEditor::event(Event);
    if (FAutoSize && (Event->type() == QEvent::FontChange || Event->type() == QEvent::StyleChange))
        ApplyAutoSize();
    return result;
}

void TZDBDataEditor::SetEditorText(const QString& Value)
{
    if (Value == text())
        return;
    setText(Value);
    // A bound editor takes it as a change of the user's.
    emit textEdited(text());
}

void TZDBDataEditor::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    ApplyAlignment();
}

void TZDBDataEditor::SetSuppressRTL(bool Value)
{
    if (FSuppressRTL == Value)
        return;
    FSuppressRTL = Value;
    ApplyAlignment();
}

void TZDBDataEditor::ApplyReadOnly()
{
    // A list that only chooses takes no typing unless asked to.
    if (GetEditorStyle() == edsDropDownList && HasList())
        setReadOnly(FDropDownOnly);
    else
        setReadOnly(TZFieldBinding::GetReadOnly() || FDropDownOnly || (Field() && !DataLink()->CanModify()));
}

void TZDBDataEditor::ApplyAlignment()
{
    if (FAligning)
        return;
    FAligning = true;
    const auto done = qScopeGuard([this] { FAligning = false; });
    // A grid column's alignment, or unfocused the field's own (unless a pick
    // item shows instead of the value), focused the editor's.
    TZColumn* settings = ListColumn();
    if (TZColumn* column = GetColumn())
        setAlignment(AlignmentFlags(column->GetAlignment()));
    else if (Field() && !FFocused && !(settings && settings->PickDataActive()))
        setAlignment(Field()->GetAlignment() | Qt::AlignVCenter);
    else
        setAlignment(AlignmentFlags(FAlignment));
    if (FSuppressRTL)
        setLayoutDirection(Qt::LeftToRight);
    else
        unsetLayoutDirection();
}

// ---- Text from and to the field -------------------------------------------------------------

QString TZDBDataEditor::ReadFieldText(bool Display) const
{
    TField* field = Field();
    if (!field)
        return QString();
    return Display ? field->DisplayText() : field->GetEditText();
}

void TZDBDataEditor::WriteFieldText(const QString& Text)
{
    if (TField* field = Field())
        field->SetEditText(Text);
}

QString TZDBDataEditor::DoGetText(const QString& Text, bool DisplayText) const
{
    QString result = Text;
    if (OnGetText)
        OnGetText(const_cast<TZDBDataEditor*>(this), result, DisplayText);
    return result;
}

QString TZDBDataEditor::DoSetText(const QString& Text) const
{
    QString result = Text;
    if (OnSetText)
        OnSetText(const_cast<TZDBDataEditor*>(this), result);
    return result;
}

QString TZDBDataEditor::GetText(bool Display) const
{
    return DoGetText(ReadFieldText(Display), Display);
}

void TZDBDataEditor::SetText(const QString& Text)
{
    if (!Field() || !DataLink()->Edit())
        return;
    FChanging = true;
    const auto done = qScopeGuard([this] { FChanging = false; });
    WriteFieldText(DoSetText(Text));
}

void TZDBDataEditor::WriteText()
{
    FChanging = true;
    const auto done = qScopeGuard([this] { FChanging = false; });
    WriteFieldText(DoSetText(text()));
}

void TZDBDataEditor::UpdateData()
{
    DataLink()->UpdateRecord();
}

void TZDBDataEditor::Reset()
{
    DataLink()->Reset();
    DataChange();
    selectAll();
}

void TZDBDataEditor::DataChange()
{
    if (FChanging)
        return;
    // Unbound, the text is the editor's own.
    if (!GetDataSource()) {
        ApplyAlignment();
        return;
    }
    FShowing = true;
    const auto done = qScopeGuard([this] { FShowing = false; });
    const QString shown = Field() ? GetText(!FFocused) : QString();
    // The same text again keeps the caret and the selection.
    if (shown != text())
        setText(shown);
    ApplyAlignment();
}

void TZDBDataEditor::ActiveChange()
{
    ApplyReadOnly();
    UpdateContents();
    DataChange();
}

void TZDBDataEditor::EditingChange()
{
    ApplyReadOnly();
}

// ---- Lists -----------------------------------------------------------------------------------

bool TZDBDataEditor::CanModifyValue()
{
    if (!GetDataSource())
        return isEnabled() && !TZFieldBinding::GetReadOnly();
    return Field() && DataLink()->Edit();
}

void TZDBDataEditor::ValueWritten()
{
    DataChange();
    selectAll();
}

void TZDBDataEditor::SetupListValue(const QVariant& Value, bool Flag)
{
    TZColumn* settings = ListColumn();
    if (settings && StoresLookupKey(ListLookupKind())) {
        TDataSet* dataSet = DataLink()->DataSet();
        TZDBGridDropDownList::WriteLookupKey(dataSet ? dataSet->FindField(settings->GetKeyField()) : nullptr,
                                             DataLink(), Value);
        return;
    }
    // A grid column's value takes the grid's way, with the column's text rules.
    if (TZColumn* column = GetColumn(); column && FDBGrid) {
        TZDBGridDropDownList::WriteListValue(column, Value);
        return;
    }
    if (!CanModifyValue())
        return;
    setText(Value.toString());
    if (!GetDataSource()) {
        if (Flag)
            setModified(true);
        return;
    }
    DataLink()->Modified();
    // A value chosen in a list is written at once; a typed completion waits for the record.
    if (!Flag)
        UpdateData();
    else
        emit textEdited(text());
}

void TZDBDataEditor::ListCloseUp(TZDBDropDownList* Sender, bool& Accept)
{
    if (OnListCloseUp && Sender)
        OnListCloseUp(this, Sender, Sender->ListValue, Accept);
    TZDBGridEditor::ListCloseUp(Sender, Accept);
}

void TZDBDataEditor::ListDropDown(TZDBDropDownList* Sender)
{
    TZDBGridEditor::ListDropDown(Sender);
    if (OnListDropDown)
        OnListDropDown(this, Sender);
}

// ---- Keys and focus --------------------------------------------------------------------------

void TZDBDataEditor::KeyPress(QChar& Key)
{
    const bool bound = GetDataSource() != nullptr;
    switch (Key.unicode()) {
    case 27:
        if (bound)
            Reset();
        else
            selectAll();
        Key = QChar();
        return;
    case 1: // Ctrl+A
        selectAll();
        Key = QChar();
        return;
    case 10:
    case 13:
        if (bound) {
            UpdateData();
            selectAll();
        }
        Key = QChar();
        return;
    default: break;
    }
    // Unbound, a looked-up result is only chosen: typed, it completes from the list.
    if (!bound && Key.unicode() >= 32 && !isReadOnly() && ListLookupKind() == lcLookupValueField) {
        TZDBGridEditor::KeyPress(Key);
        if (!Key.isNull()) {
            QApplication::beep();
            Key = QChar();
        }
        return;
    }
    // The text of a lookup is its result: typing it completes from the list.
    TZColumn* list = ListColumn();
    const bool typesKey = !list || !StoresLookupKey(ListLookupKind());
    if (bound && Key.unicode() >= 32 && !isReadOnly()) {
        TField* field = Field();
        if (!field || (typesKey && !field->IsValidChar(Key)) || !CanModifyValue()) {
            QApplication::beep();
            Key = QChar();
            return;
        }
    }
    TZDBGridEditor::KeyPress(Key);
}

void TZDBDataEditor::focusInEvent(QFocusEvent* Event)
{
    FFocused = true;
    GuardEvent(this, [this] {
        if (!DataLink()->IsModified())
            DataChange();
    });
    TZDBGridEditor::focusInEvent(Event);
}

void TZDBDataEditor::focusOutEvent(QFocusEvent* Event)
{
    FFocused = false;
    // A list of this editor takes the focus for a moment: nothing is written then.
    if (Event->reason() != Qt::PopupFocusReason)
        GuardEvent(this, [this] {
            UpdateData();
            DataChange();
        });
    TZDBGridEditor::focusOutEvent(Event);
}

} // namespace zdb

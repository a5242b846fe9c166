// TZCustomDBGrid cell editing: the in-place editor's text comes from the
// selected column (its field's text as ColGetText shows it) and goes back
// through ColSetText into the field's own conversion; Enter and moving to
// another record post, Escape reverts.

#include "ZDBGrids.h"

#include "ZDBEditor.h"

namespace zdb {

namespace {

// Whether a field type's values are typed in the cell as text.
bool IsTextEditableType(TFieldType Type)
{
    switch (Type) {
    case ftBytes: case ftVarBytes: case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo:
    case ftParadoxOle: case ftDBaseOle: case ftTypedBinary: case ftCursor: case ftADT: case ftArray:
    case ftReference: case ftDataSet: case ftWideMemo:
        return false;
    default:
        return true;
    }
}

} // namespace

QString TZCustomDBGrid::GetEditText(int ACol, int /*ARow*/)
{
    FEditText.clear();
    if (FDataLink && FDataLink->Active())
        if (TZColumn* column = ColumnOfRaw(ACol))
            FEditText = column->GetEditText();
    return FEditText;
}

void TZCustomDBGrid::SetEditText(int /*ACol*/, int /*ARow*/, const QString& Value)
{
    const bool changed = Value != FEditText;
    FEditText = Value;
    // A change the user made while the record is being edited is a pending
    // cell edit: the link writes it before the record is posted or left.
    if (changed && FDataLink && FDataLink->Editing())
        FDataLink->Modified();
}

int TZCustomDBGrid::GetEditLimit()
{
    TZColumn* column = SelectedColumn();
    TField* field = column ? column->GetField() : nullptr;
    if (!field || column->PickTextActive())
        return 0;
    return field->DataType() == ftString || field->DataType() == ftWideString ? std::max(field->GetSize(), 0) : 0;
}

TInplaceEdit* TZCustomDBGrid::CreateEditor()
{
    return new TZDBGridEditor(this);
}

bool TZCustomDBGrid::CanEditShow()
{
    if (auto* editor = qobject_cast<TZDBGridEditor*>(GetInplaceEditor()))
        editor->UpdateEditorColor();
    if (FLayoutLock > 0 || !TCustomGrid::CanEditShow())
        return false;
    TZColumn* column = SelectedColumn();
    return column && !FReadOnly && column->CanEditShow();
}

bool TZCustomDBGrid::CanEditModify()
{
    if (FReadOnly || !FDataLink || !FDataLink->Active() || FDataLink->GetReadOnly())
        return false;
    TZColumn* column = SelectedColumn();
    TField* field = column ? column->GetField() : nullptr;
    if (!field || !column->CanEditShow())
        return false;
    // Binary, blob and structured values are not edited as text, except memos
    // with EditMemo and fields that convert the text themselves.
    if (!IsTextEditableType(field->DataType()) && !field->OnSetText &&
        !(column->GetEditMemo() && IsMemoFieldType(field->DataType())))
        return false;
    // Entering the edit state reloads the editor with the same text: the caret
    // and the selection stay where the user has them.
    const QPointer<TInplaceEdit> editor = GetInplaceEditor();
    const bool keep = editor && editor->isVisible() && !FDataLink->Editing();
    const QString text = keep ? editor->text() : QString();
    const int start = keep ? editor->GetSelStart() : 0;
    const int length = keep ? editor->GetSelLength() : 0;
    const int caret = keep ? editor->cursorPosition() : 0;
    FDataLink->Edit();
    if (!FDataLink->Editing())
        return false;
    if (keep && editor && editor->text() == text) {
        if (length > 0)
            editor->setSelection(caret == start ? start + length : start, caret == start ? -length : length);
        else
            editor->setCursorPosition(caret);
    }
    FDataLink->Modified();
    return true;
}

void TZCustomDBGrid::UpdateData()
{
    if (TZColumn* column = SelectedColumn(); column && column->GetField())
        column->SetEditText(FEditText);
}

bool TZCustomDBGrid::PostCellEdit()
{
    TDataSet* dataSet = DataSet();
    if (!GetEditorMode() || !FDataLink || !FDataLink->Active() || !dataSet)
        return false;
    // A text the field refuses raises its error here: the editor stays open
    // with the user's text and the edit stays pending.
    FDataLink->UpdateData();
    if (IsEditMode(dataSet->State()))
        dataSet->Post();
    if (!(FOptions & dgAlwaysShowEditor))
        HideEditor();
    return true;
}

bool TZCustomDBGrid::CancelCellEdit()
{
    TDataSet* dataSet = DataSet();
    if (!FDataLink || !FDataLink->Active() || !dataSet || (!GetEditorMode() && !IsEditMode(dataSet->State())))
        return false;
    // The first Escape takes back the pending text (and the record's edit
    // state when nothing was written to it); a record already changed by
    // written cells is cancelled by the next one.
    FDataLink->Reset();
    if (IsEditMode(dataSet->State()) && !dataSet->Modified())
        FDataLink->Cancel();
    if (!(FOptions & dgAlwaysShowEditor))
        HideEditor();
    return true;
}

} // namespace zdb

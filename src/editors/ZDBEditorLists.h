#pragma once
// The lists of a stand-alone editor (TZDBCustomEditor): the same pick,
// lookup, check, calendar and calculator lists a grid column drops down, set
// up from the editor's own settings instead of a grid column's, opened on the
// editor's value and writing the chosen value through the editor's
// SetupListValue and text rules, bound to a field or not.
//
// Each class has a Create(AParent, Column) of the grid's list-class shape;
// AParent is the editor, Column is unused.

#include "ZDBEditor.h"

namespace zdb {

// What the lists of a stand-alone editor share: the editor, which takes the
// chosen value through its own SetupListValue and text rules.
template <class TList>
class TZDBEditorListOf : public TList
{
public:
    explicit TZDBEditorListOf(TZDBCustomEditor* Editor) : TList(Editor, nullptr), FEditor(Editor) {}
    TZDBCustomEditor* Editor() const { return FEditor; }
    // The value written, the editor's text shows selected.
    void SetupListValue(const QVariant& Value) override
    {
        if (!FEditor)
            return;
        FEditor->SetupListValue(Value, false);
        FEditor->selectAll();
    }

protected:
    QPointer<TZDBCustomEditor> FEditor;
};

// The lookup list over the editor's LookupDataSet keyed by LookupKeyField;
// the chosen key goes into the editor's KeyField. In multi-select mode a
// check list of keys stored in the editor's string field.
class TZDBEditorDataList : public TZDBEditorListOf<TZDBGridDataList>
{
    Q_OBJECT

public:
    using TZDBEditorListOf::TZDBEditorListOf;
    static TZDBGridDropDownList* Create(QWidget* AParent, TZColumn* Column);

    TZColumn* ListColumn() const override;
    TDataSet* KeyDataSet() const override;
    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;

private:
    // Without a data source: the lookup dataset opened on the editor's
    // KeyValue; the chosen key becomes the editor's KeyValue.
    void UpdateKeyList(bool Refresh);
};

// The pick list of the editor: its pick values shown by their pick texts; a
// check list in multi-select mode.
class TZDBEditorPickList : public TZDBEditorListOf<TZDBGridPickList>
{
    Q_OBJECT

public:
    using TZDBEditorListOf::TZDBEditorListOf;
    static TZDBGridDropDownList* Create(QWidget* AParent, TZColumn* Column);

    TZColumn* PickColumn() const override;
    TZColumn* ListColumn() const override;
    TDataSet* KeyDataSet() const override;
    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;
    // The list holds stored values; the editor takes shown texts.
    void SetupListValue(const QVariant& Value) override;
};

// The calendar of the editor: opens on the editor's date, writes the chosen
// date-time as the editor's text.
class TZDBEditorCalendar : public TZDBEditorListOf<TZDBGridCalendar>
{
    Q_OBJECT

public:
    using TZDBEditorListOf::TZDBEditorListOf;
    static TZDBGridDropDownList* Create(QWidget* AParent, TZColumn* Column);

    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;
};

// The calculator of the editor: opens on the editor's number, writes the
// display as the editor's text.
class TZDBEditorCalculator : public TZDBEditorListOf<TZDBGridCalculator>
{
    Q_OBJECT

public:
    using TZDBEditorListOf::TZDBEditorListOf;
    static TZDBGridDropDownList* Create(QWidget* AParent, TZColumn* Column);

    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;
};

} // namespace zdb

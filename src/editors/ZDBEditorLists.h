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

// The lookup list over the editor's LookupDataSet keyed by LookupKeyField;
// the chosen key goes into the editor's KeyField. In multi-select mode a
// check list of keys stored in the editor's string field.
class TZDBEditorDataList : public TZDBGridDataList
{
    Q_OBJECT

public:
    explicit TZDBEditorDataList(TZDBCustomEditor* Editor);
    static TZDBGridDropDownList* Create(QWidget* AParent, TZColumn* Column);
    TZDBCustomEditor* Editor() const { return FEditor; }

    QString GetFieldText() override;
    void InitCheckList() override;
    void SetupCheckList() override;
    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;
    void SetupListValue(const QVariant& Value) override;

private:
    QPointer<TZDBCustomEditor> FEditor;
};

// The pick list of the editor: its pick values shown by their pick texts; a
// check list in multi-select mode.
class TZDBEditorPickList : public TZDBGridPickList
{
    Q_OBJECT

public:
    explicit TZDBEditorPickList(TZDBCustomEditor* Editor);
    static TZDBGridDropDownList* Create(QWidget* AParent, TZColumn* Column);
    TZDBCustomEditor* Editor() const { return FEditor; }

    TZColumn* PickColumn() const override;
    QString GetFieldText() override;
    void InitCheckList() override;
    void SetupCheckList() override;
    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;
    void SetupListValue(const QVariant& Value) override;

private:
    QPointer<TZDBCustomEditor> FEditor;
};

// The calendar of the editor: opens on the editor's date, writes the chosen
// date-time as the editor's text.
class TZDBEditorCalendar : public TZDBGridCalendar
{
    Q_OBJECT

public:
    explicit TZDBEditorCalendar(TZDBCustomEditor* Editor);
    static TZDBGridDropDownList* Create(QWidget* AParent, TZColumn* Column);
    TZDBCustomEditor* Editor() const { return FEditor; }

    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;
    void SetupListValue(const QVariant& Value) override;

private:
    QPointer<TZDBCustomEditor> FEditor;
};

// The calculator of the editor: opens on the editor's number, writes the
// display as the editor's text.
class TZDBEditorCalculator : public TZDBGridCalculator
{
    Q_OBJECT

public:
    explicit TZDBEditorCalculator(TZDBCustomEditor* Editor);
    static TZDBGridDropDownList* Create(QWidget* AParent, TZColumn* Column);
    TZDBCustomEditor* Editor() const { return FEditor; }

    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;
    void SetupListValue(const QVariant& Value) override;

private:
    QPointer<TZDBCustomEditor> FEditor;
};

} // namespace zdb

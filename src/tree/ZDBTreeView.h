#pragma once
// The tree unit's small in-memory tree dataset: a list of items (ID, ParentID,
// ItemName and the three tree fields) shown as a dataset, for a grid whose
// tree view (TZDBGridTreeView, ZDBGrids.h) shows them as a tree:
//
//   TZDBTreeViewList list;
//   list.AddItem(1, 0, "Root");
//   list.AddItem(2, 1, "Child");
//   TZDBTreeViewData data;
//   data.SetListInstance(&list);
//   data.Open();
//   grid.SetKeyFields("ID");
//   grid.TreeView()->SetParentFields("ParentID");
//
// Field number 1..6 reads and writes the item member of the same order; an
// inserted record is a new item at its index, a deleted one leaves the list.
// IndexFieldNames (";"-separated names, each optionally followed by " DESC")
// sorts the list itself, stably, which is how the grid sorts the dataset.
#include "ZDBCustData.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace zdb {

struct TZDBTreeViewItem
{
    qint32 ID = 0;
    qint32 ParentID = 0;
    QString ItemName;
    qint32 RowLevel = 0;
    QString RowOrder;
    qint32 RowState = 0;
};

// An owning list of tree items.
class TZDBTreeViewList
{
public:
    int Count() const { return int(FItems.size()); }
    TZDBTreeViewItem* Items(int Index) const { return FItems.at(size_t(Index)).get(); }
    TZDBTreeViewItem* operator[](int Index) const { return Items(Index); }
    // Appends an item; the tree members start at zero or empty.
    TZDBTreeViewItem* AddItem(qint32 ID, qint32 ParentID, const QString& ItemName);
    TZDBTreeViewItem* Insert(int Index);
    void Delete(int Index);
    void Clear() { FItems.clear(); }
    // Reorders the items stably by Less (nothing to do for items already in order).
    template <class TLess>
    void Sort(TLess Less)
    {
        auto less = [&Less](const auto& A, const auto& B) { return Less(*A, *B); };
        if (!std::is_sorted(FItems.begin(), FItems.end(), less))
            std::stable_sort(FItems.begin(), FItems.end(), less);
    }

private:
    std::vector<std::unique_ptr<TZDBTreeViewItem>> FItems;
};

class TZDBTreeViewData : public TZDBCustomData
{
    Q_OBJECT
    Q_PROPERTY(QString IndexFieldNames READ GetIndexFieldNames WRITE SetIndexFieldNames)

public:
    explicit TZDBTreeViewData(QObject* Parent = nullptr);

    // The list shown (not owned); none = no records. Reopens an open dataset.
    void SetListInstance(TZDBTreeViewList* List);
    TZDBTreeViewList* ListInstance() const { return FList; }

    QString GetIDFieldName() const { return FNames[0]; }
    void SetIDFieldName(const QString& Value) { SetName(0, Value); }
    QString GetParentIDFieldName() const { return FNames[1]; }
    void SetParentIDFieldName(const QString& Value) { SetName(1, Value); }
    QString GetItemNameFieldName() const { return FNames[2]; }
    void SetItemNameFieldName(const QString& Value) { SetName(2, Value); }
    int GetItemNameFieldSize() const { return FItemNameFieldSize; }
    void SetItemNameFieldSize(int Value) { SetSize(FItemNameFieldSize, Value); }
    QString GetRowLevelFieldName() const { return FNames[3]; }
    void SetRowLevelFieldName(const QString& Value) { SetName(3, Value); }
    QString GetRowOrderFieldName() const { return FNames[4]; }
    void SetRowOrderFieldName(const QString& Value) { SetName(4, Value); }
    int GetRowOrderFieldSize() const { return FRowOrderFieldSize; }
    void SetRowOrderFieldSize(int Value) { SetSize(FRowOrderFieldSize, Value); }
    QString GetRowStateFieldName() const { return FNames[5]; }
    void SetRowStateFieldName(const QString& Value) { SetName(5, Value); }

    QString GetIndexFieldNames() const { return FIndexFieldNames; }
    void SetIndexFieldNames(const QString& Value);

protected:
    void InternalInitFieldDefs() override;
    void DoOnCountRecords(int& Count) override;
    void DoOnGetFieldData(int Index, TField* Field, QVariant& Value) override;
    void DoOnSetFieldData(int Index, TField* Field, const QVariant& Value) override;
    void DoOnInsertRecord(int Index) override;
    void DoOnDeleteRecord(int Index) override;

private:
    void SetName(int Member, const QString& Value);
    void SetSize(int& Member, int Value);
    void DefinitionChanged();

    TZDBTreeViewList* FList = nullptr;
    QString FNames[6];
    int FItemNameFieldSize = 80;
    int FRowOrderFieldSize = 80;
    QString FIndexFieldNames;
    bool FOwnDefs = false; // the field definitions were made from the names above
};

} // namespace zdb

#pragma once
// The data grid's multi-selection: the selected records (TZBookmarkList, kept
// as dataset bookmarks in the dataset's bookmark order), the selected columns
// (TZColumnList, kept in collection order), and the row and column views the
// grid's bulk operations walk over.

#include "DB.h"
#include "ZDBGridTypes.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

namespace zdb {

class TZCustomDBGrid;
class TZColumn;

// What happened to the selection (SelectionChanged, OnRowSelect).
enum TSelectAction { saUnselect, saSelect, saClear, saDelete, saRefresh };

// State of a cell while it is painted.
enum TSelection { slCellSelected, slRowSelected, slMultiSelected, slCellFixed, slRowStriped };
using TSelections = TEnumSet<TSelection>;

// What ForEachDataCell visits.
enum TForEachCellScope { fsAutoSelect, fsWholeDataSet, fsSelectedOnly };

// Where the visited cell lies in the iteration.
enum TForEachCellFlag { feFirstCol, feLastCol, feFirstRow, feLastRow };
using TForEachCellFlags = TEnumSet<TForEachCellFlag>;

enum TDataColEnum { ceAllCols, ceSelectedCols, ceSelectedColsOrAllCols, ceSelectedColsOrCurrent, ceCurrentCol };
enum TDataRowEnum { reAllRows, reSelectedRows, reSelectedRowsOrAllRows, reSelectedRowsOrCurrent, reCurrentRow };

// Message of a list index out of range ("%1" is the index).
extern QString SListIndexError;
// Raised by saving or restoring the selection without key fields.
extern QString SKeyFieldsBlank;

using TForEachCellProc = std::function<void(TZColumn* Column, TForEachCellFlags Flags)>;
using TDataColProc = std::function<void(TZColumn* Column)>;
using TDataRowProc = std::function<void()>;

// ---------------------------------------------------------------------------
// Row views: iterating moves the grid's dataset onto each visited record and
// yields its bookmark. The caller restores the position.

class TZDataRowRange
{
public:
    TZDataRowRange(TZCustomDBGrid* Grid, TDataRowEnum Kind) : FGrid(Grid), FKind(Kind) {}

    class iterator
    {
    public:
        using value_type = TBookmark;
        using difference_type = std::ptrdiff_t;
        iterator() = default;
        TBookmark operator*() const;
        iterator& operator++();
        void operator++(int) { ++*this; }
        bool operator==(const iterator& Other) const { return FDone == Other.FDone; }
        // Whether the record yielded is the last one the view visits.
        bool IsLast() const;

    private:
        friend class TZDataRowRange;
        enum TWalk { wList, wAll, wCurrent };
        // To the next valid bookmark of the list from FIndex on. Step: the walk is on the
        // previous item, so a bookmark of the next record is reached by Next().
        void SeekList(bool Step);
        TZCustomDBGrid* FGrid = nullptr;
        TWalk FWalk = wAll;
        int FIndex = 0;
        bool FDone = true;
    };

    iterator begin() const;
    iterator end() const { return iterator(); }
    TDataRowEnum Kind() const { return FKind; }

private:
    TZCustomDBGrid* FGrid;
    TDataRowEnum FKind;
};

// Column views: the columns are taken when the view is made.
class TZDataColRange
{
public:
    explicit TZDataColRange(std::vector<TZColumn*> Columns) : FColumns(std::move(Columns)) {}
    auto begin() const { return FColumns.begin(); }
    auto end() const { return FColumns.end(); }
    int Count() const { return int(FColumns.size()); }
    bool IsEmpty() const { return FColumns.empty(); }

private:
    std::vector<TZColumn*> FColumns;
};

using TZBookmarkListOrAllRows = TZDataRowRange;
using TZBookmarkListOrCurrent = TZDataRowRange;
using TZColumnListOrAllCols = TZDataColRange;
using TZColumnListOrCurrent = TZDataColRange;

// ---------------------------------------------------------------------------
// The bracket of a walk through the grid's dataset: the dataset's controls are
// disabled and the grid's position is disabled (DisablePosition) for the
// guard's lifetime; on leaving, also while an exception unwinds, the grid goes
// back to its record on the same screen row (EnablePosition; with KeepCurrent
// the record current at the end stays current) and the controls are enabled.

class TZWalkGuard
{
public:
    explicit TZWalkGuard(TZCustomDBGrid* Grid, bool KeepCurrent = false);
    ~TZWalkGuard();
    TZWalkGuard(const TZWalkGuard&) = delete;
    TZWalkGuard& operator=(const TZWalkGuard&) = delete;
    void SetKeepCurrent(bool Value) { FKeepCurrent = Value; }

private:
    // Declared first: enables the controls after the position is back.
    TDataSetControlsGuard FControls;
    TZCustomDBGrid* FGrid;
    bool FKeepCurrent;
};

// ---------------------------------------------------------------------------
// Selected records

class TZBookmarkList
{
public:
    explicit TZBookmarkList(TZCustomDBGrid* AGrid) : FGrid(AGrid) {}
    virtual ~TZBookmarkList() = default;
    TZBookmarkList(const TZBookmarkList&) = delete;
    TZBookmarkList& operator=(const TZBookmarkList&) = delete;

    TZCustomDBGrid* Grid() const { return FGrid; }
    int Count() const { return int(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }
    const TBookmark& Items(int I) const { return FItems.at(size_t(I)); }
    const TBookmark& operator[](int I) const { return Items(I); }
    int IndexOf(const TBookmark& Bookmark) const;
    // Whether Bookmark is listed; Index is its position or the insertion point.
    bool Find(const TBookmark& Bookmark, int& Index) const;
    // The dataset's bookmark order.
    int Compare(const TBookmark& A, const TBookmark& B) const;

    // The current record's bookmark; setting it moves the dataset there.
    TBookmark CurrentRow() const;
    void SetCurrentRow(const TBookmark& Value);
    // Whether the current record is selected; setting it selects or unselects it.
    virtual bool CurrentRowSelected() const;
    void SetCurrentRowSelected(bool Value);

    virtual void Clear();
    // Deletes the selected records from the dataset; on a TZSQLQuery in one transaction
    // (all or none). A failure is raised once, after the records that were deleted are
    // reported (saDelete) and dropped from the list; the others stay selected.
    void Delete();
    // Drops the bookmarks the dataset no longer accepts; true when any was dropped.
    bool Refresh();
    // Remembers the key values of the selected records (KeyFields empty: the
    // grid's KeyFields) and selects the records with those values again.
    void Save(const QString& KeyFields = QString());
    void Restore(const QString& KeyFields = QString());
    const std::vector<QVariant>& SavedKeys() const { return FSaved; }
    void InsertItem(int Index, const TBookmark& Bookmark);
    void DeleteItem(int Index);
    // Adds Bookmark at its place (appended without search when it sorts after
    // the last one); false when it was listed already.
    bool Add(const TBookmark& Bookmark);
    // Removes Bookmark; false when it was not listed.
    bool Remove(const TBookmark& Bookmark);
    // Takes Items (bookmarks of distinct records, in any order) as the new list.
    void ReplaceItems(std::vector<TBookmark> Items);
    // Adds the bookmarks of Items that are not listed and removes those that are, in
    // one merge (Items: bookmarks of distinct records, in any order).
    void Toggle(std::vector<TBookmark> Items);
    // Puts Items into bookmark order (a list already in order is only checked).
    void SortItems(std::vector<TBookmark>& Items) const;

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }
    TZBookmarkListOrAllRows OrAllRows() const;
    TZBookmarkListOrCurrent OrCurrent() const;

    // The link became active or inactive (the list is emptied).
    void LinkActive(bool Value);
    bool IsLinkActive() const { return FLinkActive; }

protected:
    void CheckLinkActive() const;
    QString CheckKeyFields(const QString& KeyFields) const;
    void ResetCache() { FCacheIndex = -1; }
    // Find at the cached place and its two neighbours; false when Bookmark is elsewhere.
    bool NearSearch(const TBookmark& Bookmark, int& Index, bool& Found) const;

    TZCustomDBGrid* FGrid;
    std::vector<TBookmark> FItems;
    std::vector<QVariant> FSaved;
    bool FLinkActive = false;
    mutable TBookmark FCacheItem;
    mutable int FCacheIndex = -1;
    mutable bool FCacheFound = false;
};

// ---------------------------------------------------------------------------
// Selected columns

class TZColumnList
{
public:
    explicit TZColumnList(TZCustomDBGrid* AGrid) : FGrid(AGrid) {}
    virtual ~TZColumnList() = default;
    TZColumnList(const TZColumnList&) = delete;
    TZColumnList& operator=(const TZColumnList&) = delete;

    TZCustomDBGrid* Grid() const { return FGrid; }
    int Count();
    TZColumn* Items(int I);
    int IndexOf(const TZColumn* Column);
    bool Find(const TZColumn* Column, int& Index);
    bool Contains(const TZColumn* Column) { return IndexOf(Column) >= 0; }
    // Data column DataCol in the list.
    bool GetColumns(int DataCol);
    void SetColumns(int DataCol, bool Value);
    bool CurrentColSelected();
    void SetCurrentColSelected(bool Value);
    // Adds / removes one column (the list is then edited column by column).
    bool Add(TZColumn* Column);
    void Remove(const TZColumn* Column);

    virtual void Clear();
    void Save();
    void Restore();
    const std::vector<int>& SavedIDs() const { return FSaved; }

    std::vector<TZColumn*>::const_iterator begin();
    std::vector<TZColumn*>::const_iterator end() { return FItems.cend(); }
    TZColumnListOrAllCols OrAllCols();
    TZColumnListOrCurrent OrCurrent();

    // Drops the list so that it is derived from the grid's column range again.
    void NeedRefresh();
    // Derives the list from the range when it needs it.
    void RefreshList();
    // True while the list is absent or derived from the range.
    bool AutoRefresh() const { return FNeedRefresh || FDerived; }
    bool IsDerived() const { return FDerived; }

protected:
    // The list edited column by column from now on (taking the derived one).
    void BeginEdit();

    TZCustomDBGrid* FGrid;
    std::vector<TZColumn*> FItems;
    std::vector<int> FSaved;
    bool FNeedRefresh = true;
    bool FDerived = false;
    const TZColumn* FCacheItem = nullptr;
    int FCacheIndex = -1;
    bool FCacheFound = false;
};

} // namespace zdb

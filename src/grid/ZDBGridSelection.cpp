// The selected-records and selected-columns lists and the row views.

#include "ZDBGridSelection.h"

#include "DBError.h"
#include "ZDBGrids.h"
#include "ZDBSQLQuery.h"
#include "ZDBTranslate.h"

#include <QDateTime>
#include <QHash>
#include <QSqlDriver>

#include <algorithm>
#include <exception>
#include <iterator>
#include <stdexcept>
#include <unordered_map>

namespace zdb {

QString SListIndexError = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "List index out of bounds (%1)"));
QString SKeyFieldsBlank = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "KeyFields property cannot be blank"));

namespace {

[[noreturn]] void ListIndexError(int Index)
{
    throw std::out_of_range(Tr(SListIndexError).arg(Index).toStdString());
}

// Halving search over a sorted vector with a comparison; for equal items the
// lowest index. Returns whether Item was found; Index is its place.
template <typename V, typename T, typename C>
bool HalvingSearch(const V& List, const T& Item, C Compare, int& Index)
{
    bool found = false;
    int l = 0;
    int h = int(List.size()) - 1;
    while (l <= h) {
        const int i = (l + h) / 2;
        const int c = Compare(List[size_t(i)], Item);
        if (c < 0)
            l = i + 1;
        else {
            h = i - 1;
            if (c == 0) {
                found = true;
                l = i;
            }
        }
    }
    Index = l;
    return found;
}

} // namespace

// ---------------------------------------------------------------------------
// TZWalkGuard

namespace {

TDataSet* ActiveDataSet(TZCustomDBGrid* Grid)
{
    return Grid && Grid->DataLink()->Active() ? Grid->DataSet() : nullptr;
}

} // namespace

TZWalkGuard::TZWalkGuard(TZCustomDBGrid* Grid, bool KeepCurrent)
    : FControls(ActiveDataSet(Grid)), FGrid(Grid), FKeepCurrent(KeepCurrent)
{
    FGrid->DisablePosition();
}

TZWalkGuard::~TZWalkGuard()
{
    try {
        FGrid->EnablePosition(FKeepCurrent);
    } catch (...) {
        // The record the walk stopped on stays current; the bracket is closed.
    }
}

// ---------------------------------------------------------------------------
// TZDataRowRange

TZDataRowRange::iterator TZDataRowRange::begin() const
{
    iterator it;
    it.FGrid = FGrid;
    if (!FGrid || !FGrid->DataLink()->Active())
        return it;
    TDataSet* ds = FGrid->DataSet();
    const bool listed = !FGrid->SelectedRows()->IsEmpty();
    switch (FKind) {
    case reAllRows: it.FWalk = iterator::wAll; break;
    case reSelectedRows: it.FWalk = iterator::wList; break;
    case reSelectedRowsOrAllRows: it.FWalk = listed ? iterator::wList : iterator::wAll; break;
    case reSelectedRowsOrCurrent:
        if (!listed && ds->IsEmpty())
            return it;
        it.FWalk = listed ? iterator::wList : iterator::wCurrent;
        break;
    case reCurrentRow:
        if (ds->IsEmpty())
            return it;
        it.FWalk = iterator::wCurrent;
        break;
    }
    switch (it.FWalk) {
    case iterator::wAll:
        ds->First();
        it.FDone = ds->Eof();
        break;
    case iterator::wList:
        it.FIndex = 0;
        it.FDone = false;
        it.SeekList(false);
        break;
    case iterator::wCurrent:
        it.FDone = false;
        break;
    }
    return it;
}

void TZDataRowRange::iterator::SeekList(bool Step)
{
    TDataSet* ds = FGrid->DataSet();
    const TZBookmarkList* list = FGrid->SelectedRows();
    // Rows selected one after another (the list is in dataset order) are a step
    // each: GotoBookmark would read the whole buffer window again for every row.
    if (Step && FIndex < list->Count() && !ds->Eof()) {
        ds->Next();
        if (!ds->Eof() && ds->CompareBookmarks(ds->Bookmark(), list->Items(FIndex)) == 0)
            return;
    }
    while (FIndex < list->Count() && !ds->BookmarkValid(list->Items(FIndex)))
        ++FIndex;
    if (FIndex < list->Count())
        ds->GotoBookmark(list->Items(FIndex));
    else
        FDone = true;
}

TBookmark TZDataRowRange::iterator::operator*() const
{
    return FGrid->DataSet()->Bookmark();
}

TZDataRowRange::iterator& TZDataRowRange::iterator::operator++()
{
    if (FDone)
        return *this;
    switch (FWalk) {
    case wAll:
        FGrid->DataSet()->Next();
        FDone = FGrid->DataSet()->Eof();
        break;
    case wList:
        ++FIndex;
        SeekList(true);
        break;
    case wCurrent:
        FDone = true;
        break;
    }
    return *this;
}

bool TZDataRowRange::iterator::IsLast() const
{
    switch (FWalk) {
    case wAll: {
        TDataSet* ds = FGrid->DataSet();
        ds->Next();
        if (ds->Eof())
            return true;
        ds->Prior();
        return false;
    }
    case wList: {
        TDataSet* ds = FGrid->DataSet();
        const TZBookmarkList* list = FGrid->SelectedRows();
        for (int i = FIndex + 1; i < list->Count(); ++i)
            if (ds->BookmarkValid(list->Items(i)))
                return false;
        return true;
    }
    case wCurrent:
        return true;
    }
    return true;
}

// ---------------------------------------------------------------------------
// TZBookmarkList

int TZBookmarkList::Compare(const TBookmark& A, const TBookmark& B) const
{
    TDataSet* ds = FGrid->DataSet();
    return ds ? ds->CompareBookmarks(A, B) : 0;
}

bool TZBookmarkList::Find(const TBookmark& Bookmark, int& Index) const
{
    if (FCacheIndex >= 0 && Bookmark.constData() == FCacheItem.constData()
        && Bookmark.size() == FCacheItem.size()) {
        Index = FCacheIndex;
        return FCacheFound;
    }
    // A walk asks for neighbours of the last answer: try the places next to it first.
    bool found = false;
    if (!NearSearch(Bookmark, Index, found))
        found = HalvingSearch(
            FItems, Bookmark, [this](const TBookmark& A, const TBookmark& B) { return Compare(A, B); }, Index);
    FCacheItem = Bookmark;
    FCacheIndex = Index;
    FCacheFound = found;
    return found;
}

bool TZBookmarkList::NearSearch(const TBookmark& Bookmark, int& Index, bool& Found) const
{
    if (FCacheIndex < 0)
        return false;
    const int count = Count();
    for (int place : {FCacheIndex, FCacheIndex + 1, FCacheIndex - 1}) {
        if (place < 0 || place > count)
            continue;
        // Bookmark's place is the first item not below it.
        if (place > 0 && Compare(FItems[size_t(place - 1)], Bookmark) >= 0)
            continue;
        const int c = place < count ? Compare(FItems[size_t(place)], Bookmark) : 1;
        if (c < 0)
            continue;
        Index = place;
        Found = c == 0;
        return true;
    }
    return false;
}

int TZBookmarkList::IndexOf(const TBookmark& Bookmark) const
{
    int i = -1;
    return Find(Bookmark, i) ? i : -1;
}

void TZBookmarkList::CheckLinkActive() const
{
    if (!FGrid->DataLink()->Active())
        DatabaseError(SDataSetClosed, FGrid->DataSet());
}

QString TZBookmarkList::CheckKeyFields(const QString& KeyFields) const
{
    const QString keys = KeyFields.isEmpty() ? FGrid->GetKeyFields() : KeyFields;
    if (keys.isEmpty())
        DatabaseError(SKeyFieldsBlank, FGrid);
    return keys;
}

TBookmark TZBookmarkList::CurrentRow() const
{
    CheckLinkActive();
    return FGrid->DataSet()->Bookmark();
}

void TZBookmarkList::SetCurrentRow(const TBookmark& Value)
{
    CheckLinkActive();
    FGrid->DataSet()->GotoBookmark(Value);
}

bool TZBookmarkList::CurrentRowSelected() const
{
    if (FItems.empty() || !FGrid->DataLink()->Active())
        return false;
    const TBookmark bm = FGrid->DataSet()->Bookmark();
    if (bm.isEmpty())
        return false;
    int i = -1;
    return Find(bm, i);
}

void TZBookmarkList::SetCurrentRowSelected(bool Value)
{
    if (!FGrid->DataLink()->Active())
        return;
    const TBookmark bm = FGrid->DataSet()->Bookmark();
    if (bm.isEmpty())
        return;
    int i = -1;
    if (Find(bm, i) == Value)
        return;
    TZSelectGuard bracket(FGrid);
    if (Value)
        InsertItem(i, bm);
    else
        DeleteItem(i);
    FGrid->InvalidateRow(FGrid->GetRow());
    FGrid->SelectionChanged(Value ? saSelect : saUnselect);
}

bool TZBookmarkList::Add(const TBookmark& Bookmark)
{
    if (FItems.empty() || Compare(FItems.back(), Bookmark) < 0) {
        FItems.push_back(Bookmark);
        ResetCache();
        return true;
    }
    int i = -1;
    if (Find(Bookmark, i))
        return false;
    InsertItem(i, Bookmark);
    return true;
}

bool TZBookmarkList::Remove(const TBookmark& Bookmark)
{
    int i = -1;
    if (!Find(Bookmark, i))
        return false;
    DeleteItem(i);
    return true;
}

void TZBookmarkList::InsertItem(int Index, const TBookmark& Bookmark)
{
    if (Index < 0 || Index > Count())
        ListIndexError(Index);
    FItems.insert(FItems.begin() + Index, Bookmark);
    ResetCache();
}

void TZBookmarkList::DeleteItem(int Index)
{
    if (Index < 0 || Index >= Count())
        ListIndexError(Index);
    FItems.erase(FItems.begin() + Index);
    ResetCache();
}

void TZBookmarkList::SortItems(std::vector<TBookmark>& Items) const
{
    const auto less = [this](const TBookmark& A, const TBookmark& B) { return Compare(A, B) < 0; };
    // A walk in the dataset's order usually comes in bookmark order already, or in its
    // reverse when it went backwards.
    if (std::is_sorted(Items.begin(), Items.end(), less))
        return;
    if (std::is_sorted(Items.rbegin(), Items.rend(), less))
        std::reverse(Items.begin(), Items.end());
    else
        std::sort(Items.begin(), Items.end(), less);
}

void TZBookmarkList::ReplaceItems(std::vector<TBookmark> Items)
{
    SortItems(Items);
    FItems = std::move(Items);
    ResetCache();
}

void TZBookmarkList::Toggle(std::vector<TBookmark> Items)
{
    if (Items.empty())
        return;
    SortItems(Items);
    std::vector<TBookmark> merged;
    merged.reserve(FItems.size() + Items.size());
    std::set_symmetric_difference(FItems.begin(), FItems.end(), Items.begin(), Items.end(),
                                  std::back_inserter(merged),
                                  [this](const TBookmark& A, const TBookmark& B) { return Compare(A, B) < 0; });
    FItems = std::move(merged);
    ResetCache();
}

void TZBookmarkList::Clear()
{
    if (FItems.empty())
        return;
    FItems.clear();
    ResetCache();
    if (FGrid->IsDestroying())
        return;
    TZSelectGuard bracket(FGrid);
    FGrid->Invalidate();
    FGrid->SelectionChanged(saClear);
}

void TZBookmarkList::LinkActive(bool Value)
{
    FLinkActive = Value;
    FItems.clear();
    ResetCache();
}

void TZBookmarkList::Delete()
{
    CheckLinkActive();
    TDataSet* ds = FGrid->DataSet();
    // An SQL query deletes in one transaction of its own, all records or none. Inside a
    // transaction the application runs (through the query or on the connection) the
    // deletes belong to that transaction, whose commit or rollback decides. Elsewhere a
    // failure leaves the records deleted before it deleted and the others selected.
    auto* query = qobject_cast<TZSQLQuery*>(ds);
    bool atomic = query && !query->InTransaction() && query->Connection().driver()
                  && query->Connection().driver()->hasFeature(QSqlDriver::Transactions);
    int deleted = 0;
    size_t kept = FItems.size(); // the first `kept` bookmarks stay listed
    std::exception_ptr error;
    {
        TZSelectGuard bracket(FGrid);
        {
            TDataSetControlsGuard controls(ds);
            const TBookmark current = ds->Bookmark();
            try {
                if (atomic)
                    atomic = query->StartTransactionIfNone();
                for (size_t i = FItems.size(); i-- > 0;) {
                    if (ds->BookmarkValid(FItems[i])) {
                        ds->GotoBookmark(FItems[i]);
                        ds->Delete();
                        ++deleted;
                    }
                    if (!atomic)
                        kept = i;
                }
                if (atomic) {
                    query->Commit();
                    kept = 0;
                }
            } catch (...) {
                error = std::current_exception();
                if (atomic && query->InTransaction()) {
                    deleted = 0;
                    try {
                        query->Rollback();
                        if (ds->BookmarkValid(current))
                            ds->GotoBookmark(current);
                    } catch (...) {
                        // The first error is the one reported.
                    }
                }
            }
            FItems.resize(kept);
            ResetCache();
        }
        if (deleted > 0)
            FGrid->SelectionChanged(saDelete);
    }
    if (deleted > 0) {
        FGrid->UpdateListItems(false);
        FGrid->UpdateSequence(false);
        FGrid->UpdateTotals(false);
    }
    if (error)
        std::rethrow_exception(error);
}

bool TZBookmarkList::Refresh()
{
    if (!FGrid->DataLink()->Active())
        return false;
    TDataSet* ds = FGrid->DataSet();
    TZSelectGuard bracket(FGrid);
    ds->CheckBrowseMode();
    const auto kept = std::remove_if(FItems.begin(), FItems.end(),
                                     [ds](const TBookmark& Bookmark) { return !ds->BookmarkValid(Bookmark); });
    const bool dropped = kept != FItems.end();
    FItems.erase(kept, FItems.end());
    ResetCache();
    ds->UpdateCursorPos();
    if (dropped) {
        FGrid->Invalidate();
        FGrid->SelectionChanged(saRefresh);
    }
    return dropped;
}

namespace {

// The current record's value of the key fields, as FieldValues gives it (a list for
// several fields), without looking the fields up by name for every record.
QVariant KeyValue(const std::vector<TField*>& Fields)
{
    if (Fields.size() == 1)
        return Fields.front()->GetValue();
    QVariantList values;
    for (const TField* field : Fields)
        values.append(field->GetValue());
    return values;
}

} // namespace

void TZBookmarkList::Save(const QString& KeyFields)
{
    CheckLinkActive();
    const QString keys = CheckKeyFields(KeyFields);
    TDataSet* ds = FGrid->DataSet();
    ds->CheckBrowseMode();
    const std::vector<TField*> fields = ds->GetFieldList(keys);
    std::vector<QVariant> saved;
    saved.reserve(FItems.size());
    {
        TZWalkGuard walk(FGrid);
        for (const TBookmark& bm : FItems)
            if (ds->BookmarkValid(bm)) {
                ds->GotoBookmark(bm);
                saved.push_back(KeyValue(fields));
            }
    }
    FSaved = std::move(saved);
}

namespace {

// A hash that agrees with the key comparison of Locate: values that compare equal
// (numbers of different types among them) hash alike.
size_t KeyHash(const QVariant& Value)
{
    if (Value.isNull())
        return 0;
    switch (Value.typeId()) {
    case QMetaType::QVariantList: {
        size_t h = 1;
        for (const QVariant& item : Value.toList())
            h = h * 31 + KeyHash(item);
        return h;
    }
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double: return qHash(Value.toDouble());
    case QMetaType::QDateTime: return qHash(Value.toDateTime().toMSecsSinceEpoch());
    default: return qHash(Value.toString());
    }
}

} // namespace

void TZBookmarkList::Restore(const QString& KeyFields)
{
    CheckLinkActive();
    const QString keys = CheckKeyFields(KeyFields);
    TDataSet* ds = FGrid->DataSet();
    ds->CheckBrowseMode();
    TZSelectGuard bracket(FGrid);
    TZWalkGuard walk(FGrid);
    Clear();
    // One walk over the records: each saved key selects the first record that has it
    // (as a Locate of the key would); the walk ends when every key is found.
    std::unordered_multimap<size_t, size_t> pending;
    pending.reserve(FSaved.size());
    for (size_t i = 0; i < FSaved.size(); ++i)
        pending.emplace(KeyHash(FSaved[i]), i);
    const std::vector<TField*> fields = ds->GetFieldList(keys);
    std::vector<TBookmark> found;
    for (ds->First(); !ds->Eof() && !pending.empty(); ds->Next()) {
        const QVariant value = KeyValue(fields);
        auto [it, end] = pending.equal_range(KeyHash(value));
        bool matched = false;
        while (it != end) {
            if (TDataSet::LocateValuesMatch(value, FSaved[it->second], {})) {
                it = pending.erase(it);
                matched = true;
            } else
                ++it;
        }
        if (matched) {
            found.push_back(ds->Bookmark());
            FGrid->SelectionChanged(saSelect);
        }
    }
    ReplaceItems(std::move(found));
    FGrid->Invalidate();
}

TZBookmarkListOrAllRows TZBookmarkList::OrAllRows() const
{
    return TZDataRowRange(FGrid, reSelectedRowsOrAllRows);
}

TZBookmarkListOrCurrent TZBookmarkList::OrCurrent() const
{
    return TZDataRowRange(FGrid, reSelectedRowsOrCurrent);
}

// ---------------------------------------------------------------------------
// TZColumnList

void TZColumnList::NeedRefresh()
{
    FNeedRefresh = true;
    FDerived = false;
    FItems.clear();
    FCacheIndex = -1;
}

void TZColumnList::RefreshList()
{
    if (!FNeedRefresh)
        return;
    FNeedRefresh = false;
    FDerived = true;
    FItems.clear();
    FCacheIndex = -1;
    TZDBGridColumns* columns = FGrid->Columns();
    const int lo = FGrid->SelectionMin();
    const int hi = FGrid->SelectionMax();
    if (!columns || lo < 0 || hi < 0)
        return;
    for (int i = lo; i <= hi && i < columns->Count(); ++i)
        FItems.push_back(columns->Items(i));
}

void TZColumnList::BeginEdit()
{
    RefreshList();
    FDerived = false;
}

int TZColumnList::Count()
{
    RefreshList();
    return int(FItems.size());
}

TZColumn* TZColumnList::Items(int I)
{
    RefreshList();
    if (I < 0 || I >= int(FItems.size()))
        ListIndexError(I);
    return FItems[size_t(I)];
}

bool TZColumnList::Find(const TZColumn* Column, int& Index)
{
    RefreshList();
    if (FCacheIndex >= 0 && Column == FCacheItem) {
        Index = FCacheIndex;
        return FCacheFound;
    }
    const bool found = HalvingSearch(
        FItems, Column,
        [](const TZColumn* A, const TZColumn* B) {
            const int d = A->Index() - B->Index();
            return (d > 0) - (d < 0);
        },
        Index);
    // A column of another collection position may compare equal by index only.
    const bool same = found && FItems[size_t(Index)] == Column;
    FCacheItem = Column;
    FCacheIndex = Index;
    FCacheFound = same;
    return same;
}

int TZColumnList::IndexOf(const TZColumn* Column)
{
    int i = -1;
    return Column && Find(Column, i) ? i : -1;
}

bool TZColumnList::Add(TZColumn* Column)
{
    if (!Column)
        return false;
    BeginEdit();
    int i = -1;
    if (Find(Column, i))
        return false;
    FItems.insert(FItems.begin() + i, Column);
    FCacheIndex = -1;
    return true;
}

void TZColumnList::Remove(const TZColumn* Column)
{
    // Also called while the column leaves the collection: search by identity.
    const auto it = std::find(FItems.begin(), FItems.end(), Column);
    if (it == FItems.end())
        return;
    FDerived = false;
    FItems.erase(it);
    FCacheIndex = -1;
}

bool TZColumnList::GetColumns(int DataCol)
{
    TZDBGridColumns* columns = FGrid->Columns();
    if (!columns || DataCol < 0 || DataCol >= columns->Count())
        return false;
    return IndexOf(columns->Items(DataCol)) >= 0;
}

void TZColumnList::SetColumns(int DataCol, bool Value)
{
    TZDBGridColumns* columns = FGrid->Columns();
    if (!columns || DataCol < 0 || DataCol >= columns->Count() || GetColumns(DataCol) == Value)
        return;
    TZColumn* column = columns->Items(DataCol);
    if (Value)
        Add(column);
    else {
        BeginEdit();
        Remove(column);
    }
    FGrid->SetColsChanged();
}

bool TZColumnList::CurrentColSelected()
{
    return GetColumns(FGrid->SelectedIndex());
}

void TZColumnList::SetCurrentColSelected(bool Value)
{
    SetColumns(FGrid->SelectedIndex(), Value);
}

void TZColumnList::Clear()
{
    FItems.clear();
    FNeedRefresh = true;
    FDerived = false;
    FCacheIndex = -1;
}

void TZColumnList::Save()
{
    FSaved.clear();
    RefreshList();
    for (const TZColumn* column : FItems)
        FSaved.push_back(column->ID());
}

void TZColumnList::Restore()
{
    TZDBGridColumns* columns = FGrid->Columns();
    if (!columns)
        return;
    TZSelectGuard bracket(FGrid);
    BeginEdit();
    FItems.clear();
    FCacheIndex = -1;
    for (int id : FSaved)
        if (auto* column = dynamic_cast<TZColumn*>(columns->FindItemID(id)))
            Add(column);
    FGrid->SetColsChanged();
}

std::vector<TZColumn*>::const_iterator TZColumnList::begin()
{
    RefreshList();
    return FItems.cbegin();
}

TZColumnListOrAllCols TZColumnList::OrAllCols()
{
    return FGrid->GetDataColEnum(ceSelectedColsOrAllCols);
}

TZColumnListOrCurrent TZColumnList::OrCurrent()
{
    return FGrid->GetDataColEnum(ceSelectedColsOrCurrent);
}

} // namespace zdb

#pragma once
// Owned collections of items that know their collection and their index.
//
// A TCollection owns its TCollectionItems and keeps them in order. An item
// reaches its collection (Collection()) and its position (Index()); SetIndex
// moves it. Every structural change reports through the collection's virtual
// Update(Item) — with the item for a change of one item, with nullptr for a
// change of all — unless an update bracket (BeginUpdate/EndUpdate) is open,
// in which case the outermost EndUpdate reports one Update(nullptr).
// Notify(Item, Action) tells descendants when an item was added, is being
// deleted or is leaving the collection.
//
// Descendants make their items in CreateItem (the item class of the
// collection); Add and Insert place a new one.

#include <QString>

#include <exception>
#include <memory>
#include <vector>

namespace zdb {

class TCollection;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem {
public:
    // The item is not yet in the collection: TCollection::InsertItem places it.
    explicit TCollectionItem(TCollection* Collection) : FCollection(Collection) {}
    virtual ~TCollectionItem() = default;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const { return FCollection; }
    // Position in the collection; -1 while not inside one.
    int Index() const;
    virtual void SetIndex(int Value);
    // A number unique within the collection, given when the item was inserted.
    int ID() const { return FID; }
    virtual QString GetDisplayName() const;

protected:
    friend class TCollection;
    // Reports a change of this item (AllItems: of the whole collection) to the
    // collection, unless its update bracket is open.
    virtual void Changed(bool AllItems);

    TCollection* FCollection;
    int FID = -1;
    bool FInCollection = false;
};

class TCollection {
public:
    TCollection() = default;
    virtual ~TCollection();
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    int Count() const { return int(FItems.size()); }
    TCollectionItem* GetItem(int Index) const { return FItems.at(size_t(Index)).get(); }
    // Adds a new item at the end (CreateItem) and reports it.
    TCollectionItem* Add();
    TCollectionItem* Insert(int Index);
    void Delete(int Index);
    void Clear();
    // Takes the item out of the collection and hands it to the caller.
    std::unique_ptr<TCollectionItem> Extract(TCollectionItem* Item);
    int IndexOf(const TCollectionItem* Item) const;
    TCollectionItem* FindItemID(int ID) const;

    virtual void BeginUpdate();
    virtual void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    // Moves an item from one position to another, reporting a change of all items.
    void Move(int CurIndex, int NewIndex);

protected:
    friend class TCollectionItem;
    virtual std::unique_ptr<TCollectionItem> CreateItem() = 0;
    // Places Item at Index (at the end when Index is -1 or beyond) and reports it.
    TCollectionItem* InsertItem(std::unique_ptr<TCollectionItem> Item, int Index = -1);
    // A change of Item, or of all items when Item is nullptr.
    virtual void Update(TCollectionItem* Item);
    virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
    // Reports a change of all items unless an update bracket is open.
    void Changed();

private:
    std::unique_ptr<TCollectionItem> RemoveItem(TCollectionItem* Item);

    std::vector<std::unique_ptr<TCollectionItem>> FItems;
    int FUpdateCount = 0;
    int FNextID = 0;
};

// The closing half of a bracket guard, made when the guard is. The closing
// call may do work that raises; it propagates, except while another exception
// is already unwinding the stack (then the bracket is closed and its error
// dropped, so that the first error is the one that arrives).
class TBracketEnd {
public:
    // Whether an exception is unwinding through the guard's scope now.
    bool Unwinding() const { return std::uncaught_exceptions() > FUncaught; }
    template <class F>
    void operator()(F&& End) const
    {
        if (!Unwinding()) {
            End();
            return;
        }
        try {
            End();
        } catch (...) {
        }
    }

private:
    int FUncaught = std::uncaught_exceptions();
};

// Raises a re-entrance counter for the lifetime of the guard.
class TCountGuard {
public:
    explicit TCountGuard(int& Count) : FCount(Count) { ++FCount; }
    ~TCountGuard() { --FCount; }
    TCountGuard(const TCountGuard&) = delete;
    TCountGuard& operator=(const TCountGuard&) = delete;

private:
    int& FCount;
};

// RAII: BeginUpdate for the lifetime of the guard, EndUpdate as TBracketEnd closes.
class TCollectionUpdateGuard {
public:
    explicit TCollectionUpdateGuard(TCollection* Collection) : FCollection(Collection)
    {
        if (FCollection)
            FCollection->BeginUpdate();
    }
    ~TCollectionUpdateGuard() noexcept(false)
    {
        if (FCollection)
            FEnd([this] { FCollection->EndUpdate(); });
    }
    TCollectionUpdateGuard(const TCollectionUpdateGuard&) = delete;
    TCollectionUpdateGuard& operator=(const TCollectionUpdateGuard&) = delete;

private:
    TCollection* FCollection;
    TBracketEnd FEnd;
};

} // namespace zdb

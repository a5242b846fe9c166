#include "Classes.h"

#include <algorithm>

namespace zdb {

// ---------------------------------------------------------------------------
// TCollectionItem

int TCollectionItem::Index() const
{
    return FCollection && FInCollection ? FCollection->IndexOf(this) : -1;
}

void TCollectionItem::SetIndex(int Value)
{
    const int curIndex = Index();
    if (curIndex < 0 || curIndex == Value)
        return;
    FCollection->Move(curIndex, Value);
}

QString TCollectionItem::GetDisplayName() const
{
    return QString();
}

void TCollectionItem::Changed(bool AllItems)
{
    if (FCollection && FInCollection && FCollection->FUpdateCount == 0)
        FCollection->Update(AllItems ? nullptr : this);
}

// ---------------------------------------------------------------------------
// TCollection

TCollection::~TCollection()
{
    // Descendants are gone by now: no reports while the items go.
    FUpdateCount = 1;
    while (!FItems.empty()) {
        FItems.back()->FInCollection = false;
        FItems.pop_back();
    }
}

TCollectionItem* TCollection::Add()
{
    return InsertItem(CreateItem(), -1);
}

TCollectionItem* TCollection::Insert(int Index)
{
    return InsertItem(CreateItem(), Index);
}

TCollectionItem* TCollection::InsertItem(std::unique_ptr<TCollectionItem> Item, int Index)
{
    TCollectionItem* item = Item.get();
    item->FCollection = this;
    item->FID = FNextID++;
    item->FInCollection = true;
    if (Index < 0 || Index >= Count())
        FItems.push_back(std::move(Item));
    else
        FItems.insert(FItems.begin() + Index, std::move(Item));
    Notify(item, cnAdded);
    Changed();
    return item;
}

std::unique_ptr<TCollectionItem> TCollection::RemoveItem(TCollectionItem* Item)
{
    Notify(Item, cnExtracting);
    // Notify may have changed the collection: look the item up afterwards.
    const auto it = std::find_if(FItems.begin(), FItems.end(),
                                 [Item](const auto& p) { return p.get() == Item; });
    if (it == FItems.end())
        return nullptr;
    std::unique_ptr<TCollectionItem> result = std::move(*it);
    FItems.erase(it);
    result->FInCollection = false;
    Changed();
    return result;
}

void TCollection::Delete(int Index)
{
    TCollectionItem* item = GetItem(Index);
    Notify(item, cnDeleting);
    RemoveItem(item); // destroyed here
}

void TCollection::Clear()
{
    if (FItems.empty())
        return;
    TCollectionUpdateGuard guard(this);
    while (!FItems.empty())
        RemoveItem(FItems.back().get());
}

std::unique_ptr<TCollectionItem> TCollection::Extract(TCollectionItem* Item)
{
    if (!Item || IndexOf(Item) < 0)
        return nullptr;
    return RemoveItem(Item);
}

int TCollection::IndexOf(const TCollectionItem* Item) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == Item)
            return int(i);
    return -1;
}

TCollectionItem* TCollection::FindItemID(int ID) const
{
    for (const auto& item : FItems)
        if (item->FID == ID)
            return item.get();
    return nullptr;
}

void TCollection::BeginUpdate()
{
    ++FUpdateCount;
}

void TCollection::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    Changed();
}

void TCollection::Move(int CurIndex, int NewIndex)
{
    const int count = Count();
    if (CurIndex < 0 || CurIndex >= count)
        return;
    NewIndex = std::clamp(NewIndex, 0, count - 1);
    if (NewIndex == CurIndex)
        return;
    auto item = std::move(FItems[size_t(CurIndex)]);
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, std::move(item));
    FItems[size_t(NewIndex)]->Changed(true);
}

void TCollection::Update(TCollectionItem* /*Item*/)
{
}

void TCollection::Notify(TCollectionItem* /*Item*/, TCollectionNotification /*Action*/)
{
}

void TCollection::Changed()
{
    if (FUpdateCount == 0)
        Update(nullptr);
}

} // namespace zdb

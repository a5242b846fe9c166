// The owned collection: items know their collection and index, moves, update
// brackets and notifications.

#include "Classes.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace zdb;

namespace {

class TNamedItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    QString Name;
    void Touch(bool All) { Changed(All); }
};

// Records what the collection reports.
class TRecordingCollection : public TCollection {
public:
    std::vector<TCollectionItem*> Updates; // nullptr = all items
    std::vector<std::pair<TCollectionItem*, TCollectionNotification>> Notes;
    bool ThrowOnUpdate = false;

    TNamedItem* AddNamed(const QString& Name)
    {
        auto* item = static_cast<TNamedItem*>(Add());
        item->Name = Name;
        return item;
    }
    TNamedItem* Named(int I) const { return static_cast<TNamedItem*>(GetItem(I)); }
    QString Names() const
    {
        QString result;
        for (int i = 0; i < Count(); ++i)
            result += Named(i)->Name;
        return result;
    }

protected:
    std::unique_ptr<TCollectionItem> CreateItem() override { return std::make_unique<TNamedItem>(this); }
    void Update(TCollectionItem* Item) override
    {
        Updates.push_back(Item);
        if (ThrowOnUpdate)
            throw std::runtime_error("update failed");
    }
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override { Notes.emplace_back(Item, Action); }
};

} // namespace

TEST(Collection, ItemsKnowCollectionIndexAndUniqueIds)
{
    TRecordingCollection c;
    TNamedItem* a = c.AddNamed("a");
    TNamedItem* b = c.AddNamed("b");
    auto* x = static_cast<TNamedItem*>(c.Insert(1));
    x->Name = "x";
    EXPECT_EQ(c.Names(), "axb");
    EXPECT_EQ(a->Collection(), &c);
    EXPECT_EQ(a->Index(), 0);
    EXPECT_EQ(x->Index(), 1);
    EXPECT_EQ(b->Index(), 2);
    EXPECT_NE(a->ID(), b->ID());
    EXPECT_NE(x->ID(), b->ID());
    EXPECT_EQ(c.FindItemID(x->ID()), x);
    EXPECT_EQ(c.FindItemID(12345), nullptr);
}

TEST(Collection, SetIndexMovesAndReportsAllItems)
{
    TRecordingCollection c;
    c.AddNamed("a");
    c.AddNamed("b");
    TNamedItem* d = c.AddNamed("d");
    c.Updates.clear();
    d->SetIndex(0);
    EXPECT_EQ(c.Names(), "dab");
    ASSERT_EQ(c.Updates.size(), 1u);
    EXPECT_EQ(c.Updates[0], nullptr);
    // Beyond the end clamps to the last place; the same index reports nothing.
    d->SetIndex(10);
    EXPECT_EQ(c.Names(), "abd");
    c.Updates.clear();
    d->SetIndex(2);
    EXPECT_TRUE(c.Updates.empty());
}

TEST(Collection, UpdateBracketReportsOnceAtTheOutermostEnd)
{
    TRecordingCollection c;
    c.BeginUpdate();
    c.BeginUpdate();
    c.AddNamed("a");
    c.AddNamed("b")->Touch(false);
    c.Named(0)->SetIndex(1);
    c.EndUpdate();
    EXPECT_TRUE(c.Updates.empty());
    c.EndUpdate();
    ASSERT_EQ(c.Updates.size(), 1u);
    EXPECT_EQ(c.Updates[0], nullptr);
    // An unmatched EndUpdate does not go below zero.
    c.EndUpdate();
    EXPECT_EQ(c.UpdateCount(), 0);
}

TEST(Collection, ItemChangeReportsTheItem)
{
    TRecordingCollection c;
    TNamedItem* a = c.AddNamed("a");
    c.Updates.clear();
    a->Touch(false);
    a->Touch(true);
    ASSERT_EQ(c.Updates.size(), 2u);
    EXPECT_EQ(c.Updates[0], a);
    EXPECT_EQ(c.Updates[1], nullptr);
}

TEST(Collection, DeleteAndExtractNotify)
{
    TRecordingCollection c;
    TNamedItem* a = c.AddNamed("a");
    TNamedItem* b = c.AddNamed("b");
    ASSERT_EQ(c.Notes.size(), 2u);
    EXPECT_EQ(c.Notes[0].second, cnAdded);
    c.Notes.clear();

    std::unique_ptr<TCollectionItem> taken = c.Extract(a);
    ASSERT_EQ(taken.get(), a);
    EXPECT_EQ(a->Index(), -1);
    EXPECT_EQ(c.Names(), "b");
    ASSERT_EQ(c.Notes.size(), 1u);
    EXPECT_EQ(c.Notes[0], std::make_pair(static_cast<TCollectionItem*>(a), cnExtracting));
    // An item that is not (or no longer) in the collection is refused.
    EXPECT_EQ(c.Extract(a), nullptr);

    c.Notes.clear();
    c.Delete(0);
    ASSERT_EQ(c.Notes.size(), 2u);
    EXPECT_EQ(c.Notes[0], std::make_pair(static_cast<TCollectionItem*>(b), cnDeleting));
    EXPECT_EQ(c.Notes[1].second, cnExtracting);
    EXPECT_EQ(c.Count(), 0);
}

TEST(Collection, ClearIsOneUpdate)
{
    TRecordingCollection c;
    for (const char* n : {"a", "b", "c"})
        c.AddNamed(n);
    c.Updates.clear();
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    ASSERT_EQ(c.Updates.size(), 1u);
    EXPECT_EQ(c.Updates[0], nullptr);
}

TEST(Collection, GuardClosesTheBracketWhenTheBodyThrows)
{
    TRecordingCollection c;
    c.AddNamed("a");
    c.ThrowOnUpdate = true;
    // The closing update raises: with no other exception in flight it propagates.
    EXPECT_THROW({ TCollectionUpdateGuard guard(&c); }, std::runtime_error);
    EXPECT_EQ(c.UpdateCount(), 0);
    // While another exception unwinds, the bracket closes and its own error is dropped.
    EXPECT_THROW(
        {
            TCollectionUpdateGuard guard(&c);
            throw std::logic_error("body failed");
        },
        std::logic_error);
    EXPECT_EQ(c.UpdateCount(), 0);
}

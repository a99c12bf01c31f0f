#include "platform/rtl/Collection.h"

#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"

namespace {

int gLiveItems = 0;

class TTestItem : public TCollectionItem {
public:
    explicit TTestItem(TCollection* collection) : TCollectionItem(collection) { ++gLiveItems; }
    ~TTestItem() override { --gLiveItems; }
    void Touch(bool allItems) { Changed(allItems); }
    AnsiString Caption;
};

// Records every Update call: nullptr for "the whole list".
class TTestCollection : public TCollection {
public:
    TTestCollection() : TCollection(CollectionItemClass<TTestItem>()) {}
    std::vector<TCollectionItem*> Updates;

protected:
    void Update(TCollectionItem* item) override { Updates.push_back(item); }
};

TTestItem* ItemAt(TCollection& collection, int index) { return static_cast<TTestItem*>(collection.Items(index)); }

}  // namespace

TEST(TCollectionTest, AddCreatesItemsOfTheItemClass) {
    gLiveItems = 0;
    {
        TObject owner;
        TCollection collection(CollectionItemClass<TTestItem>(), &owner);
        EXPECT_EQ(collection.Owner(), &owner);
        TCollectionItem* first = collection.Add();
        TCollectionItem* second = collection.Add();
        ASSERT_NE(dynamic_cast<TTestItem*>(first), nullptr);
        EXPECT_EQ(first->ClassName(), "TTestItem");
        EXPECT_EQ(collection.Count(), 2);
        EXPECT_EQ(collection.Items(1), second);
        EXPECT_EQ(second->Collection(), &collection);
        EXPECT_EQ(first->Index(), 0);
        EXPECT_EQ(second->Index(), 1);
        EXPECT_EQ(gLiveItems, 2);
    }
    EXPECT_EQ(gLiveItems, 0);  // the collection frees its items
}

TEST(TCollectionTest, DeleteClearAndFreeingAnItemKeepTheListConsistent) {
    gLiveItems = 0;
    TCollection collection(CollectionItemClass<TTestItem>());
    for (int i = 0; i < 4; ++i) ItemAt(collection, collection.Add()->Index())->Caption = std::to_string(i);
    collection.Delete(1);
    EXPECT_EQ(collection.Count(), 3);
    EXPECT_EQ(ItemAt(collection, 1)->Caption, "2");
    delete collection.Items(0);  // an item leaves its collection when freed
    EXPECT_EQ(collection.Count(), 2);
    EXPECT_EQ(ItemAt(collection, 0)->Caption, "2");
    EXPECT_EQ(gLiveItems, 2);
    collection.Clear();
    EXPECT_EQ(collection.Count(), 0);
    EXPECT_EQ(gLiveItems, 0);
    try {
        collection.Items(0);
        FAIL() << "an index out of bounds must raise";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (0)");
    }
    EXPECT_THROW(collection.Delete(-1), EListError);
}

TEST(TCollectionTest, IdsAreUniqueAndNeverReused) {
    TCollection collection(CollectionItemClass<TTestItem>());
    int first = collection.Add()->ID();
    int second = collection.Add()->ID();
    EXPECT_NE(first, second);
    collection.Delete(1);
    int third = collection.Add()->ID();
    EXPECT_NE(third, second);
    EXPECT_EQ(collection.FindItemID(third), collection.Items(1));
    EXPECT_EQ(collection.FindItemID(second), nullptr);
}

TEST(TCollectionTest, IndexAndInsertMoveItems) {
    TCollection collection(CollectionItemClass<TTestItem>());
    TCollectionItem* a = collection.Add();
    TCollectionItem* b = collection.Add();
    TCollectionItem* c = collection.Add();
    c->SetIndex(0);
    EXPECT_EQ(collection.Items(0), c);
    EXPECT_EQ(collection.Items(1), a);
    a->SetIndex(99);  // clamped to the end
    EXPECT_EQ(collection.Items(2), a);
    EXPECT_EQ(b->Index(), 1);
    TCollectionItem* inserted = collection.Insert(1);
    EXPECT_EQ(inserted->Index(), 1);
    EXPECT_EQ(collection.Count(), 4);
}

TEST(TCollectionTest, ItemsMoveBetweenCollections) {
    gLiveItems = 0;
    TCollection one(CollectionItemClass<TTestItem>());
    TCollection two(CollectionItemClass<TTestItem>());
    TCollectionItem* item = one.Add();
    item->SetCollection(&two);
    EXPECT_EQ(one.Count(), 0);
    EXPECT_EQ(two.Count(), 1);
    EXPECT_EQ(item->Collection(), &two);
    item->SetCollection(nullptr);
    EXPECT_EQ(item->Index(), -1);
    EXPECT_EQ(two.Count(), 0);
    delete item;  // no longer owned by either
    EXPECT_EQ(gLiveItems, 0);
}

TEST(TCollectionTest, UpdateRunsPerChangeOrOnceAfterTheOutermostEndUpdate) {
    TTestCollection collection;
    auto* item = static_cast<TTestItem*>(collection.Add());
    EXPECT_EQ(collection.Updates, (std::vector<TCollectionItem*>{nullptr}));
    collection.Updates.clear();
    item->Touch(false);
    item->Touch(true);
    EXPECT_EQ(collection.Updates, (std::vector<TCollectionItem*>{item, nullptr}));

    collection.Updates.clear();
    collection.BeginUpdate();
    collection.Add();
    collection.BeginUpdate();
    item->Touch(false);
    collection.Delete(1);
    collection.EndUpdate();
    EXPECT_TRUE(collection.Updates.empty());
    collection.EndUpdate();
    EXPECT_EQ(collection.Updates, (std::vector<TCollectionItem*>{nullptr}));
    collection.EndUpdate();  // unpaired: nothing happens
    EXPECT_EQ(collection.Updates.size(), 1u);
    EXPECT_EQ(collection.UpdateCount(), 0);
}

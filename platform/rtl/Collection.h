#pragma once
// An owned, ordered list of items of one class. The collection creates its
// items through a factory (the item class) and frees them; an item knows its
// collection and its index, and leaves the collection when it is freed.

#include <functional>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/System.h"

class TCollection;

class TCollectionItem : public TObject {
public:
    // Joins `collection` (at its end) unless it is null.
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const { return FCollection; }
    // Leaves the current collection and joins the new one at its end.
    void SetCollection(TCollection* collection);
    // -1 while in no collection.
    int Index() const;
    // Moves the item within its collection (the index is clamped).
    void SetIndex(int index);
    // Unique within the collection for its lifetime; never reused.
    int ID() const { return FID; }
    virtual AnsiString DisplayName() const { return ClassName(); }

protected:
    // Reports a change of this item (or of all items) to the collection.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int FID = 0;
};

using TCollectionItemFactory = std::function<TCollectionItem*(TCollection* collection)>;

// The factory for an item class: CollectionItemClass<TMyItem>().
template <class T>
TCollectionItemFactory CollectionItemClass() {
    return [](TCollection* collection) -> TCollectionItem* { return new T(collection); };
}

class TCollection : public TObject {
public:
    explicit TCollection(TCollectionItemFactory itemClass, TObject* owner = nullptr);
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    // A new item of the item class at the end.
    TCollectionItem* Add();
    // A new item at `index` (clamped to 0..Count).
    TCollectionItem* Insert(int index);
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError "List index out of bounds (%d)".
    TCollectionItem* Items(int index) const;
    void Delete(int index);
    void Clear();
    TCollectionItem* FindItemID(int id) const;
    TObject* Owner() const { return FOwner; }

    // Update(nullptr) runs once when the outermost EndUpdate finishes.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

protected:
    // Called after a change: `item` changed, or (nullptr) the list or every
    // item changed. Not called while updating.
    virtual void Update(TCollectionItem* item);
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    void MoveItem(int curIndex, int newIndex);

    TCollectionItemFactory FItemClass;
    TObject* FOwner;
    std::vector<TCollectionItem*> FItems;
    int FNextID = 0;
    int FUpdateCount = 0;
};

#include "platform/rtl/Collection.h"

#include <algorithm>
#include <utility>

#include "platform/rtl/Exceptions.h"

// -------------------------------------------------------- TCollectionItem

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* collection) {
    if (collection == FCollection) return;
    if (FCollection != nullptr) FCollection->RemoveItem(this);
    if (collection != nullptr) collection->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (FCollection == nullptr) return -1;
    const auto& items = FCollection->FItems;
    auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int index) {
    int current = Index();
    if (current < 0 || current == index) return;
    FCollection->MoveItem(current, index);
    Changed(true);
}

void TCollectionItem::Changed(bool allItems) {
    if (FCollection != nullptr && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
}

// ------------------------------------------------------------ TCollection

TCollection::TCollection(TCollectionItemFactory itemClass, TObject* owner)
    : FItemClass(std::move(itemClass)), FOwner(owner) {}

TCollection::~TCollection() {
    // No Update while going away: a derived class's override is gone already.
    FUpdateCount = 1;
    Clear();
}

TCollectionItem* TCollection::Add() {
    if (!FItemClass) throw EListError("The collection has no item class");
    TCollectionItem* item = FItemClass(this);
    // A factory that ignored its argument still gets its item adopted.
    if (item != nullptr && item->Collection() != this) item->SetCollection(this);
    return item;
}

TCollectionItem* TCollection::Insert(int index) {
    TCollectionItem* item = Add();
    if (item != nullptr) item->SetIndex(std::clamp(index, 0, Count() - 1));
    return item;
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FItems[static_cast<std::size_t>(index)];
}

void TCollection::Delete(int index) { delete Items(index); }

void TCollection::Clear() {
    if (FItems.empty()) return;
    BeginUpdate();
    while (!FItems.empty()) delete FItems.back();
    EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int id) const {
    for (TCollectionItem* item : FItems) {
        if (item->FID == id) return item;
    }
    return nullptr;
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
    if (FUpdateCount == 0) return;
    --FUpdateCount;
    Changed();
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed() {
    if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
    item->FID = FNextID++;
    item->FCollection = this;
    FItems.push_back(item);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it != FItems.end()) FItems.erase(it);
    item->FCollection = nullptr;
    Changed();
}

void TCollection::MoveItem(int curIndex, int newIndex) {
    newIndex = std::clamp(newIndex, 0, Count() - 1);
    if (curIndex == newIndex) return;
    TCollectionItem* item = FItems[static_cast<std::size_t>(curIndex)];
    FItems.erase(FItems.begin() + curIndex);
    FItems.insert(FItems.begin() + newIndex, item);
}

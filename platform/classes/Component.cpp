#include "platform/classes/Component.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/classes/TypInfo.h"
#include "platform/rtl/Exceptions.h"

namespace {

bool SameIdentifier(const AnsiString& a, const AnsiString& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsValidIdent(const AnsiString& name) {
    if (name.empty()) return false;
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!letter(name[0])) return false;
    return std::all_of(name.begin() + 1, name.end(), [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

void EraseOne(std::vector<TComponent*>& list, TComponent* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}

void EraseAll(std::vector<TComponent*>& list, TComponent* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

// --- TPersistent ----------------------------------------------------------------

VEMLOR_PUBLISHED(TPersistent, TObject) {}

void TPersistent::Assign(TPersistent* source) {
    if (source)
        source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) {
    dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const {
    AnsiString sourceName = source ? source->ClassName() : AnsiString("nil");
    throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

AnsiString TPersistent::GetNamePath() const {
    AnsiString result = ClassName();
    if (TPersistent* owner = GetOwner()) {
        AnsiString ownerPath = owner->GetNamePath();
        if (!ownerPath.empty()) result = ownerPath + "." + result;
    }
    return result;
}

// --- TComponent -------------------------------------------------------------------

VEMLOR_PUBLISHED(TComponent, TPersistent) {
    // A form file names a component in its object line.
    Prop("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
    Prop("Tag", &TComponent::Tag, &TComponent::SetTag);
}

namespace {

// Watches a list of components during a load cycle and forgets each one that
// is freed, so that a Loaded handler freeing a sibling cannot leave a dangling
// pointer in the list.
class TLoadWatcher : public TComponent {
public:
    explicit TLoadWatcher(std::vector<TComponent*>& watched) : TComponent(nullptr), FWatched(watched) {
        for (TComponent* component : FWatched) FreeNotification(component);
    }

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove) std::replace(FWatched.begin(), FWatched.end(), component, static_cast<TComponent*>(nullptr));
    }

private:
    std::vector<TComponent*>& FWatched;
};

}  // namespace

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Everyone holding a pointer to this component lets go of it first. The
    // list is re-read every time: a handler may free other components, which
    // then unlink themselves from it.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        EraseAll(FFreeNotifies, other);
        EraseAll(other->FFreeNotifies, this);
        // The owner hears of it once, through RemoveComponent below.
        if (other != FOwner) other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
    if (FComponentState.Contains(csDestroying)) return;
    FComponentState.Include(csDestroying);
    for (TComponent* component : FComponents) component->Destroying();
}

void TComponent::DestroyComponents() {
    // Last created first; each one is taken out of the list before it is freed,
    // so anything freed meanwhile by a handler is simply gone from the list.
    while (!FComponents.empty()) {
        TComponent* component = FComponents.back();
        RemoveComponent(component);
        delete component;
    }
}

void TComponent::SetName(const AnsiString& value) {
    if (value == FName) return;
    if (!value.empty()) ValidateName(value);
    if (FOwner) FOwner->ValidateRename(this, value);
    FName = value;
}

void TComponent::ValidateName(const AnsiString& name) const {
    if (!IsValidIdent(name)) throw EComponentError("'" + name + "' is not a valid component name");
}

void TComponent::ValidateRename(TComponent* component, const AnsiString& newName) const {
    if (newName.empty()) return;
    for (TComponent* other : FComponents)
        if (other != component && SameIdentifier(other->FName, newName))
            throw EComponentError("A component named " + newName + " already exists");
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FComponents[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
    if (!FOwner) return -1;
    auto& list = FOwner->FComponents;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TComponent::SetComponentIndex(int value) {
    if (!FOwner) return;
    auto& list = FOwner->FComponents;
    int current = ComponentIndex();
    value = std::clamp(value, 0, static_cast<int>(list.size()) - 1);
    if (value == current) return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + value, this);
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component || component->FOwner == this) return;
    // An ownership cycle would make the owners free each other endlessly.
    for (const TComponent* owner = this; owner; owner = owner->FOwner)
        if (owner == component)
            throw EComponentError("A component cannot own itself or one of its owners");
    ValidateRename(component, component->FName);
    if (component->FOwner) component->FOwner->RemoveComponent(component);
    FComponents.push_back(component);
    component->FOwner = this;
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->FOwner != this) return;
    Notification(component, opRemove);
    EraseOne(FComponents, component);
    component->FOwner = nullptr;
}

TComponent* TComponent::FindComponent(const AnsiString& name) const {
    if (name.empty()) return nullptr;
    for (TComponent* component : FComponents)
        if (SameIdentifier(component->FName, name)) return component;
    return nullptr;
}

// Links are counted: two pieces of code may each hold a pointer between the
// same two components (a popup's PopupComponent and a tool button's drop-down
// menu), and one of them letting go must not cut the other's notification.
void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    FFreeNotifies.push_back(other);
    other->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other) return;
    EraseOne(FFreeNotifies, other);
    EraseOne(other->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component) RemoveFreeNotification(component);
}

void TComponent::Loaded() {
    FComponentState.Exclude(csLoading);
}

void TComponent::CollectTree(std::vector<TComponent*>& into) {
    into.push_back(this);
    for (TComponent* component : FComponents) component->CollectTree(into);
}

void TComponent::BeginLoading() {
    std::vector<TComponent*> tree;
    CollectTree(tree);
    for (TComponent* component : tree) component->FComponentState.Include(csLoading).Include(csReading);
}

void TComponent::EndLoading() {
    std::vector<TComponent*> tree;
    CollectTree(tree);
    for (TComponent* component : tree) component->FComponentState.Exclude(csReading);
    TLoadWatcher watcher(tree);
    for (size_t i = 0; i < tree.size(); ++i)
        if (TComponent* component = tree[i]) component->Loaded();
}

void TComponent::SetDesigning(bool value, bool setChildren) {
    if (value)
        FComponentState.Include(csDesigning);
    else
        FComponentState.Exclude(csDesigning);
    if (setChildren)
        for (TComponent* component : FComponents) component->SetDesigning(value, true);
}

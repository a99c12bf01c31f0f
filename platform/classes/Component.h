#pragma once
// TPersistent (assignment between objects) and TComponent (the owned, named
// component tree with free notifications and life-cycle state).
//
// Ownership: a component created with an owner (new TButton(form)) belongs to
// it and is freed by the owner's destructor, last created first. A component
// deleted on its own first leaves its owner. Raw pointers between components
// are kept valid with FreeNotification: whoever holds a pointer to another
// component asks to be told (Notification(other, opRemove)) before it dies.

#include <vector>

#include "platform/classes/Set.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/System.h"

class TClassInfo;
class TFiler;
class TReader;
class TWriter;

class TPersistent : public TObject {
public:
    TPersistent() = default;
    ~TPersistent() override = default;

    // Copies the state of source into this object. The default hands the
    // work to source->AssignTo(this); a class that can take values from other
    // classes overrides Assign, one that can give its values overrides AssignTo.
    // Raises EConvertError "Cannot assign a <source> to a <this>" otherwise.
    virtual void Assign(TPersistent* source);

    // Dotted path naming this object for messages: the owner's path, ".",
    // then the class name (a component answers with its Name).
    virtual AnsiString GetNamePath() const;

    // The published-property description of the object's dynamic class (see
    // TypInfo.h). Every class that publishes properties overrides this.
    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }

    // Data of the object's own in form files beside its published
    // properties: an override calls Filer->DefineProperty or
    // DefineBinaryProperty for each (see Filer.h).
    virtual void DefineProperties(TFiler* Filer) { (void)Filer; }

protected:
    virtual void AssignTo(TPersistent* dest);
    // The object this one belongs to, for GetNamePath.
    virtual TPersistent* GetOwner() const { return nullptr; }

private:
    [[noreturn]] void AssignError(const TPersistent* source) const;
};

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag { csLoading, csReading, csWriting, csDestroying, csDesigning, csUpdating };
using TComponentState = TSet<TComponentStateFlag>;

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Name: empty or an identifier (letter or "_", then letters, digits, "_").
    // Raises EComponentError for an invalid identifier and for a name another
    // component of the same owner already has (ignoring case).
    const AnsiString& Name() const { return FName; }
    virtual void SetName(const AnsiString& value);

    Integer Tag() const { return FTag; }
    void SetTag(Integer value) { FTag = value; }

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    // Raises EListError when index is out of range.
    TComponent* Components(int index) const;
    // Position in the owner's list, -1 without owner.
    int ComponentIndex() const;
    void SetComponentIndex(int value);

    // Takes component over from its current owner (if any). Raises
    // EComponentError when its name clashes with one of this owner's
    // components; the component then stays where it was.
    void InsertComponent(TComponent* component);
    // Releases component without freeing it; its Owner becomes nullptr.
    void RemoveComponent(TComponent* component);
    // Frees every owned component, last first.
    void DestroyComponents();
    // An owned component by name, ignoring case; nullptr when none or empty.
    TComponent* FindComponent(const AnsiString& name) const;

    // After this call other->Notification(this, opRemove) runs before this
    // component is freed, and this->Notification(other, opRemove) before
    // other is freed. Either side may cancel with RemoveFreeNotification; each
    // call cancels one earlier FreeNotification, and the link stays while any
    // is left. Either side is told once, however many links there were.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    TComponentState ComponentState() const { return FComponentState; }

    // The load cycle of a component tree built in code: BeginLoading sets
    // csLoading and csReading on this component and everything it owns,
    // directly or indirectly; EndLoading clears csReading and calls Loaded on
    // each of them, this one first, then the owned ones in creation order.
    // A component freed by an earlier Loaded is skipped.
    void BeginLoading();
    void EndLoading();

    // Sets or clears csDesigning on this component and everything it owns.
    void SetDesigning(bool value, bool setChildren = true);

    // The component a form file nests this one in, when that is not simply
    // its owner: a control's parent, a menu item's menu or parent item, an
    // action's list. Form files write a component inside its parent
    // component and, when reading, hand it the enclosing component.
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* Value) { (void)Value; }

    // Reads or writes this component's properties and own data from or to
    // a form file; an override may prepare or finish around the inherited
    // call (see Filer.h).
    virtual void ReadState(TReader* Reader);
    virtual void WriteState(TWriter* Writer);

    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    static const TClassInfo& StaticClassInfo();

    AnsiString GetNamePath() const override { return FName; }

    // Marks this component and all it owns as being destroyed (csDestroying).
    // The destructor calls it; an owner calls it early when it must stop
    // reacting to changes before its own destructor body runs.
    void Destroying();

protected:
    friend class TReader;
    friend class TReaderImpl;
    // Called on the owner when a component is inserted into or removed from
    // it, and on every component that asked with FreeNotification when the
    // other one is freed. Overrides must call the inherited version, which
    // drops the free-notification link of a removed component. During that
    // call the removed component is still a valid object but may already
    // carry csDestroying; handlers must not free it. The opInsert of a
    // component created with an owner arrives from TComponent's constructor,
    // before the component's own constructor has run: record the pointer,
    // don't cast it or read its properties there.
    virtual void Notification(TComponent* component, TOperation operation);
    // Runs at the end of a load cycle; the default clears csLoading.
    virtual void Loaded();
    void Updating() { FComponentState.Include(csUpdating); }
    void Updated() { FComponentState.Exclude(csUpdating); }
    void SetComponentState(TComponentState value) { FComponentState = value; }
    TPersistent* GetOwner() const override { return FOwner; }

private:
    void ValidateName(const AnsiString& name) const;
    void ValidateRename(TComponent* component, const AnsiString& newName) const;
    void CollectTree(std::vector<TComponent*>& into);

    TComponent* FOwner = nullptr;
    AnsiString FName;
    Integer FTag = 0;
    TComponentState FComponentState;
    std::vector<TComponent*> FComponents;
    // Components linked both ways by FreeNotification.
    std::vector<TComponent*> FFreeNotifies;
};

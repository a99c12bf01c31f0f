#include "platform/classes/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/Events.h"
#include "platform/rtl/Exceptions.h"

namespace {

// Records what happens to it in a shared log.
class TProbe : public TComponent {
public:
    TProbe(TComponent* owner, const AnsiString& name, std::vector<std::string>* log = nullptr)
        : TComponent(owner), FLog(log) {
        SetName(name);
    }
    ~TProbe() override {
        if (FLog) FLog->push_back("free " + Name());
    }

    // Frees this component when the watched one is removed.
    TComponent* FreeOnRemovalOf = nullptr;
    TComponent* VictimOnRemoval = nullptr;
    // What a notification saw of the removed component's state.
    bool SawDestroying = false;
    std::vector<std::string> Heard;
    std::function<void(TProbe*)> OnLoaded;

    using TComponent::Notification;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        Heard.push_back((operation == opInsert ? "insert " : "remove ") + component->Name());
        if (operation == opRemove) {
            SawDestroying = component->ComponentState().Contains(csDestroying);
            if (component == FreeOnRemovalOf && VictimOnRemoval) {
                TComponent* victim = VictimOnRemoval;
                VictimOnRemoval = nullptr;
                delete victim;
            }
        }
    }
    void Loaded() override {
        TComponent::Loaded();
        if (FLog) FLog->push_back("loaded " + Name());
        FireEvent(OnLoaded, this);
    }

private:
    std::vector<std::string>* FLog;
};

TEST(TComponentTest, OwnerFreesItsComponentsLastCreatedFirst) {
    std::vector<std::string> log;
    auto* form = new TProbe(nullptr, "Form", &log);
    auto* a = new TProbe(form, "A", &log);
    new TProbe(a, "Inner", &log);
    new TProbe(form, "B", &log);
    EXPECT_EQ(form->ComponentCount(), 2);
    EXPECT_EQ(a->Owner(), form);
    delete form;
    // Each destructor body logs before the component model frees what it owns.
    EXPECT_EQ(log, (std::vector<std::string>{"free Form", "free B", "free A", "free Inner"}));
}

TEST(TComponentTest, ComponentFreedOnItsOwnLeavesItsOwnerAndTellsIt) {
    TProbe form(nullptr, "Form");
    auto* a = new TProbe(&form, "A");
    auto* b = new TProbe(&form, "B");
    delete a;
    EXPECT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(form.Components(0), b);
    EXPECT_EQ(b->ComponentIndex(), 0);
    EXPECT_EQ(form.Heard.back(), "remove A");
    EXPECT_THROW(form.Components(1), EListError);
}

TEST(TComponentTest, FreeNotificationReachesTheHolderOnceInEitherDirection) {
    TProbe form(nullptr, "Form");
    auto* holder = new TProbe(nullptr, "Holder");
    auto* held = new TProbe(&form, "Held");
    held->FreeNotification(holder);
    held->FreeNotification(holder);  // asked twice, told once
    delete held;
    EXPECT_EQ(holder->Heard, (std::vector<std::string>{"remove Held"}));
    EXPECT_TRUE(holder->SawDestroying);

    // The holder dies first: the other side must not call it later.
    auto* second = new TProbe(&form, "Second");
    second->FreeNotification(holder);
    delete holder;
    EXPECT_EQ(second->Heard, (std::vector<std::string>{"remove Holder"}));
    delete second;  // must not touch the freed holder (ASan checks)
}

TEST(TComponentTest, RemoveFreeNotificationStopsTheNotice) {
    TProbe holder(nullptr, "Holder");
    auto* held = new TProbe(nullptr, "Held");
    held->FreeNotification(&holder);
    held->RemoveFreeNotification(&holder);
    delete held;
    EXPECT_TRUE(holder.Heard.empty());
}

TEST(TComponentTest, EachRemoveFreeNotificationCancelsOnlyOneLink) {
    // Two references between the same pair: dropping one keeps the other's notice.
    TProbe holder(nullptr, "Holder");
    auto* held = new TProbe(nullptr, "Held");
    held->FreeNotification(&holder);
    holder.FreeNotification(held);
    held->RemoveFreeNotification(&holder);
    delete held;
    EXPECT_EQ(holder.Heard, (std::vector<std::string>{"remove Held"}));
}

TEST(TComponentTest, OwnerIsToldOnceWhenItAlsoAskedForNotification) {
    TProbe form(nullptr, "Form");
    auto* child = new TProbe(&form, "Child");
    child->FreeNotification(&form);
    delete child;
    EXPECT_EQ(form.Heard, (std::vector<std::string>{"insert ", "remove Child"}));
}

TEST(TComponentTest, HandlerFreeingAnotherComponentDuringNotificationIsSafe) {
    std::vector<std::string> log;
    auto* watcher = new TProbe(nullptr, "Watcher", &log);
    auto* doomed = new TProbe(nullptr, "Doomed", &log);
    auto* victim = new TProbe(nullptr, "Victim", &log);
    // Linked so that the victim is still on the doomed one's list when the
    // watcher's handler frees it.
    victim->FreeNotification(doomed);
    victim->FreeNotification(watcher);
    doomed->FreeNotification(watcher);
    watcher->FreeOnRemovalOf = doomed;
    watcher->VictimOnRemoval = victim;
    delete doomed;  // watcher's handler frees victim, which is linked to both
    EXPECT_EQ(log, (std::vector<std::string>{"free Doomed", "free Victim"}));
    EXPECT_EQ(watcher->Heard, (std::vector<std::string>{"remove Doomed", "remove Victim"}));
    delete watcher;
}

TEST(TComponentTest, SiblingFreedByANotificationWhileTheOwnerIsDestroyedIsSafe) {
    std::vector<std::string> log;
    auto* form = new TProbe(nullptr, "Form", &log);
    auto* first = new TProbe(form, "First", &log);
    auto* middle = new TProbe(form, "Middle", &log);
    auto* last = new TProbe(form, "Last", &log);
    last->FreeNotification(first);
    first->FreeOnRemovalOf = last;
    first->VictimOnRemoval = middle;
    delete form;
    EXPECT_EQ(log, (std::vector<std::string>{"free Form", "free Last", "free Middle", "free First"}));
}

TEST(TComponentTest, FindComponentIgnoresCase) {
    TProbe form(nullptr, "Form");
    auto* edit = new TProbe(&form, "NickEdit");
    new TProbe(&form, "Edit2");
    EXPECT_EQ(form.FindComponent("nickedit"), edit);
    EXPECT_EQ(form.FindComponent("NICKEDIT"), edit);
    EXPECT_EQ(form.FindComponent("Edit3"), nullptr);
    EXPECT_EQ(form.FindComponent(""), nullptr);
}

TEST(TComponentTest, DuplicateNameAmongOwnersComponentsIsRefused) {
    TProbe form(nullptr, "Form");
    new TProbe(&form, "Button1");
    auto* other = new TProbe(&form, "Button2");
    try {
        other->SetName("BUTTON1");
        FAIL() << "no error";
    } catch (const EComponentError& e) {
        EXPECT_STREQ(e.what(), "A component named BUTTON1 already exists");
    }
    EXPECT_EQ(other->Name(), "Button2");
    other->SetName("button2");  // its own name in another case is no clash
    EXPECT_EQ(other->Name(), "button2");
    TProbe alone(nullptr, "Button1");  // no owner, nothing to clash with
    EXPECT_EQ(alone.Name(), "Button1");
}

TEST(TComponentTest, InvalidNamesAreRefused) {
    TProbe form(nullptr, "Form");
    for (const char* bad : {"1abc", "a b", "a.b", "Čudlík"}) {
        EXPECT_THROW(form.SetName(bad), EComponentError) << bad;
        EXPECT_EQ(form.Name(), "Form");
    }
    form.SetName("_x9");
    form.SetName("");
    EXPECT_EQ(form.Name(), "");
}

TEST(TComponentTest, InsertingAClashingComponentLeavesItWithItsOwner) {
    TProbe first(nullptr, "First");
    TProbe second(nullptr, "Second");
    new TProbe(&first, "Label1");
    auto* moving = new TProbe(&second, "label1");
    EXPECT_THROW(first.InsertComponent(moving), EComponentError);
    EXPECT_EQ(moving->Owner(), &second);
    moving->SetName("Label2");
    first.InsertComponent(moving);
    EXPECT_EQ(moving->Owner(), &first);
    EXPECT_EQ(second.ComponentCount(), 0);
    EXPECT_EQ(first.ComponentCount(), 2);
}

TEST(TComponentTest, OwnershipCycleIsRefused) {
    TProbe root(nullptr, "Root");
    auto* child = new TProbe(&root, "Child");
    EXPECT_THROW(child->InsertComponent(&root), EComponentError);
    EXPECT_THROW(child->InsertComponent(child), EComponentError);
    EXPECT_EQ(root.Owner(), nullptr);
}

TEST(TComponentTest, RemoveComponentReleasesWithoutFreeing) {
    TProbe form(nullptr, "Form");
    auto* child = new TProbe(&form, "Child");
    form.RemoveComponent(child);
    EXPECT_EQ(child->Owner(), nullptr);
    EXPECT_EQ(form.ComponentCount(), 0);
    delete child;
}

TEST(TComponentTest, SetComponentIndexMovesWithinTheOwner) {
    TProbe form(nullptr, "Form");
    auto* a = new TProbe(&form, "A");
    auto* b = new TProbe(&form, "B");
    b->SetComponentIndex(-5);
    EXPECT_EQ(form.Components(0), b);
    EXPECT_EQ(a->ComponentIndex(), 1);
}

TEST(TComponentTest, LoadCycleSetsLoadingOnTheTreeAndCallsLoadedRootFirst) {
    std::vector<std::string> log;
    TProbe form(nullptr, "Form", &log);
    auto* panel = new TProbe(&form, "Panel", &log);
    auto* inner = new TProbe(panel, "Inner", &log);
    new TProbe(&form, "Last", &log);
    form.BeginLoading();
    EXPECT_TRUE(inner->ComponentState().Contains(csLoading));
    EXPECT_TRUE(inner->ComponentState().Contains(csReading));
    bool innerStillLoading = false;
    form.OnLoaded = [&](TProbe*) { innerStillLoading = inner->ComponentState().Contains(csLoading); };
    form.EndLoading();
    EXPECT_EQ(log, (std::vector<std::string>{"loaded Form", "loaded Panel", "loaded Inner", "loaded Last"}));
    EXPECT_TRUE(innerStillLoading);
    EXPECT_FALSE(inner->ComponentState().Contains(csLoading));
    EXPECT_FALSE(form.ComponentState().Contains(csReading));
}

TEST(TComponentTest, LoadedFreeingALaterComponentSkipsIt) {
    std::vector<std::string> log;
    TProbe form(nullptr, "Form", &log);
    auto* first = new TProbe(&form, "First", &log);
    auto* second = new TProbe(&form, "Second", &log);
    first->OnLoaded = [&](TProbe*) { delete second; };
    form.BeginLoading();
    form.EndLoading();
    EXPECT_EQ(log, (std::vector<std::string>{"loaded Form", "loaded First", "free Second"}));
}

TEST(TComponentTest, DesigningCoversOwnedComponents) {
    TProbe form(nullptr, "Form");
    auto* child = new TProbe(&form, "Child");
    form.SetDesigning(true);
    EXPECT_TRUE(child->ComponentState().Contains(csDesigning));
    form.SetDesigning(false, false);
    EXPECT_FALSE(form.ComponentState().Contains(csDesigning));
    EXPECT_TRUE(child->ComponentState().Contains(csDesigning));
}

class TPoint2 : public TPersistent {
public:
    int X = 0;
    void Assign(TPersistent* source) override {
        if (auto* other = dynamic_cast<TPoint2*>(source)) {
            X = other->X;
            return;
        }
        TPersistent::Assign(source);
    }
};

class TOther : public TPersistent {};

TEST(TPersistentTest, AssignCopiesKnownClassesAndNamesBothClassesOtherwise) {
    TPoint2 a, b;
    b.X = 7;
    a.Assign(&b);
    EXPECT_EQ(a.X, 7);
    TOther other;
    try {
        a.Assign(&other);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TOther to a TPoint2");
    }
    try {
        a.Assign(nullptr);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a nil to a TPoint2");
    }
}

TEST(TPersistentTest, NamePathOfAComponentIsItsName) {
    TProbe form(nullptr, "fMain");
    EXPECT_EQ(form.GetNamePath(), "fMain");
    TPoint2 point;
    EXPECT_EQ(point.GetNamePath(), "TPoint2");
}

struct TEventHolder {
    TNotifyEvent OnChange;
    int Calls = 0;
};

TEST(EventsTest, HandlerMayReplaceTheEventItIsRunningFrom) {
    TEventHolder holder;
    std::string captured = "a long enough text to live on the heap, not inside the closure";
    holder.OnChange = [&holder, captured](TObject*) {
        holder.OnChange = nullptr;  // destroys the stored closure
        holder.Calls += static_cast<int>(captured.size() > 0);
    };
    FireEvent(holder.OnChange, nullptr);
    FireEvent(holder.OnChange, nullptr);  // now unassigned: nothing happens
    EXPECT_EQ(holder.Calls, 1);
}

}  // namespace

#pragma once
// Pieces the form-file reader and writer share; not for other code.

#include <algorithm>
#include <vector>

#include "platform/classes/Component.h"

namespace filer_detail {

// Keeps a list of components and forgets each one that is freed, so that a
// handler or a parent freeing a component cannot leave a dangling pointer.
class TWatchList : public TComponent {
public:
    TWatchList() : TComponent(nullptr) {}
    ~TWatchList() override = default;

    void Add(TComponent* Component) {
        FItems.push_back(Component);
        FreeNotification(Component);
    }
    bool Alive(const TComponent* Component) const {
        return Component && std::find(FItems.begin(), FItems.end(), Component) != FItems.end();
    }
    // Entries freed meanwhile are nullptr.
    const std::vector<TComponent*>& Items() const { return FItems; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove) std::replace(FItems.begin(), FItems.end(), AComponent, static_cast<TComponent*>(nullptr));
    }

private:
    std::vector<TComponent*> FItems;
};

}  // namespace filer_detail

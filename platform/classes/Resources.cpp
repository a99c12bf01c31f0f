#include "platform/classes/Resources.h"

#include <memory>
#include <mutex>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace {

struct TResources {
    std::mutex Lock;
    std::vector<std::unique_ptr<TNamedResource>> Items;
};

TResources& Resources() {
    static TResources resources;
    return resources;
}

}  // namespace

TResourceRegistrar::TResourceRegistrar(const char* Name, const char* Type, const unsigned char* Data,
                                       std::size_t Size) {
    TResources& resources = Resources();
    std::lock_guard<std::mutex> lock(resources.Lock);
    TNamedResource item{Name, Type, Data, Size};
    for (auto& existing : resources.Items)
        if (SameText(existing->Name, item.Name) && SameText(existing->Type, item.Type)) {
            *existing = item;
            return;
        }
    resources.Items.push_back(std::make_unique<TNamedResource>(item));
}

const TNamedResource* FindNamedResource(const AnsiString& Name, const AnsiString& Type) {
    TResources& resources = Resources();
    std::lock_guard<std::mutex> lock(resources.Lock);
    for (auto& existing : resources.Items)
        if (SameText(existing->Name, Name) && SameText(existing->Type, Type)) return existing.get();
    return nullptr;
}

#include "platform/rtl/Object.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

AnsiString TObject::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    AnsiString name = (status == 0 && demangled) ? demangled.get() : mangled;
    // Classes inside a namespace (GIFImage::TGIFImage) answer with the bare name.
    auto colon = name.rfind("::");
    if (colon != AnsiString::npos) name.erase(0, colon + 2);
    return name;
}

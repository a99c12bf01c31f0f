// Any input either loads as a stored icon list or raises a stream or
// graphic error; what loads is written and reads back with as many entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "media/IcoList.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream s;
    if (size) s.WriteBuffer(data, LongInt(size));
    s.SetPosition(0);
    TIconList list;
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    try {
        list.LoadFromStream(&s);
    } catch (const EStreamError&) {
        return 0;
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    if (changes != 1) std::abort();
    TMemoryStream out;
    list.SaveToStream(&out);
    out.SetPosition(0);
    TIconList again;
    again.LoadFromStream(&out);
    if (again.Count() != list.Count()) std::abort();
    return 0;
}

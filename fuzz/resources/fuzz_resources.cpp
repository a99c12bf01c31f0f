// Any input either loads as a .res file or raises EResourceError; every
// resource that loads shows itself, exports itself or raises a resource,
// graphic or stream error; the module saves and reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "media/ResourceDialogs.h"
#include "media/ResourceFile.h"
#include "media/ResourceGraphics.h"
#include "media/ResourceMessages.h"
#include "platform/gfx/Graphic.h"

namespace {

template <class F>
void Quietly(F f) {
    try {
        f();
    } catch (const EResourceError&) {
    } catch (const EInvalidGraphic&) {
    } catch (const EInvalidGraphicOperation&) {
    } catch (const EStreamError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream s;
    if (size) s.WriteBuffer(data, LongInt(size));
    s.SetPosition(0);
    TResFileModule module;
    try {
        module.LoadFromStream(&s);
    } catch (const EResourceError&) {
        return 0;
    }
    const int count = module.ResourceCount();
    for (int i = 0; i < count; ++i) {
        TResource* r = module.ResourceDetails(i);
        r->DisplayName();
        r->TypeName();
        if (auto* t = dynamic_cast<TTextResource*>(r)) Quietly([&] { t->GetLines(); });
        if (auto* d = dynamic_cast<TDialogResource*>(r)) Quietly([&] { d->Template(); });
        if (auto* g = dynamic_cast<TGroupResource*>(r)) Quietly([&] { g->Entries(); });
        if (auto* g = dynamic_cast<TIconCursorResource*>(r))
            Quietly([&] { g->Width(), g->Height(), g->PixelFormat(); });
        if (auto* g = dynamic_cast<TGraphicsResource*>(r))
            Quietly([&] {
                TPicture p;
                g->GetImage(&p);
            });
        if (auto* w = dynamic_cast<TWriteableResource*>(r)) {
            Quietly([&] {
                TMemoryStream out;
                w->ExportToStream(&out);
            });
            Quietly([&] { w->ExportSnippet(); });
        }
    }
    if (module.ResourceCount() != count) std::abort();
    TMemoryStream out;
    module.SaveToStream(&out);
    out.SetPosition(0);
    TResFileModule again;
    again.LoadFromStream(&out);
    if (again.ResourceCount() != count) std::abort();
    for (int i = 0; i < count; ++i)
        if (again.ResourceDetails(i)->Data() != module.ResourceDetails(i)->Data()) std::abort();
    return 0;
}

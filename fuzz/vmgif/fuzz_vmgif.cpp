// Any input either loads or raises EInvalidGraphicOperation; what loads is
// written and read back, and every frame decodes to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "media/VmGIF.h"
#include "platform/rtl/Exceptions.h"

namespace {

std::vector<Cardinal> Pixels(VmGIF::TGIFImage& gif) {
    std::vector<Cardinal> out;
    for (int i = 0; i < gif.FrameCount(); ++i) {
        TBitmap* b = gif.Frames(i)->Bitmap();
        if (!b) continue;
        for (int y = 0; y < b->Height(); ++y)
            for (int x = 0; x < b->Width(); ++x) out.push_back(Cardinal(b->GetPixel(x, y)));
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VmGIF::TGIFImage::MaxFramePixels = 1 << 18;
    TMemoryStream s;
    if (size) s.WriteBuffer(data, LongInt(size));
    s.SetPosition(0);
    VmGIF::TGIFImage gif;
    try {
        gif.LoadFromStream(&s);
    } catch (const EInvalidGraphicOperation&) {
        return 0;
    }
    try {
        for (int i = 0; i < gif.FrameCount(); ++i) gif.Frames(i)->Bitmap();
    } catch (const EInvalidGraphicOperation&) {
        return 0;  // a later frame too big or of a bad depth
    }
    const std::vector<Cardinal> before = Pixels(gif);
    // Written as read: the coded data is copied; re-encoded: through the bitmaps.
    for (bool reencode : {false, true}) {
        if (reencode)
            for (int i = 0; i < gif.FrameCount(); ++i) {
                VmGIF::TGIFFrame* f = gif.Frames(i);
                if (!f->Bitmap()) continue;
                TBitmap copy;
                copy.Assign(*f->Bitmap());
                f->Assign(&copy);
            }
        TMemoryStream out;
        try {
            gif.SaveToStream(&out);
        } catch (const EInvalidGraphicOperation&) {
            if (!reencode) return 0;  // frames without data cannot be written as read
            std::abort();
        }
        out.SetPosition(0);
        VmGIF::TGIFImage again;
        again.LoadFromStream(&out);
        if (reencode && Pixels(again) != before) std::abort();
    }
    return 0;
}

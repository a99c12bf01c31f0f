// Any input either loads or raises one of the library's exceptions.
#include <cstddef>
#include <cstdint>

#include "media/GIFImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Small limits keep each run fast; the checks are the same as at full size.
    GIFImage::TGIFImage::MaxFramePixels = 1 << 20;
    GIFImage::TGIFImage::MaxTotalPixels = 1 << 22;
    TMemoryStream s;
    if (size) s.WriteBuffer(data, LongInt(size));
    s.SetPosition(0);
    GIFImage::TGIFImage gif;
    gif.OnWarning = [](TObject*, GIFImage::TGIFSeverity, const AnsiString&) {};
    try {
        gif.LoadFromStream(&s);
    } catch (const Exception&) {
    }
    return 0;
}

// Any input either loads or raises EInvalidGraphic; what loads is written and
// read back with the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/gfx/Bitmap.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TBitmap b;
    try {
        b.LoadFromBytes(data, size);
    } catch (const EInvalidGraphic&) {
        return 0;
    } catch (const EInvalidGraphicOperation&) {
        return 0;
    }
    if (Int64(b.Width()) * b.Height() > (1 << 22)) return 0;
    const std::vector<Byte> bytes = b.SaveToBytes();
    TBitmap back;
    back.LoadFromBytes(bytes.data(), bytes.size());
    if (back.Width() != b.Width() || back.Height() != b.Height() || back.PixelFormat() != b.PixelFormat())
        std::abort();
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (back.PixelValue(x, y) != b.PixelValue(x, y)) std::abort();
    return 0;
}

// Feeds arbitrary bytes to the JPEG reader. A damaged picture raises
// EInvalidGraphic; a picture that loads must have the size it reports. A
// crash, a hang, another exception or an allocation beyond the reader's
// bounds (run with -rss_limit_mb) is a finding.

#include <cstdint>
#include <cstdlib>

#include "platform/gfx/Jpeg.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TJPEGImage jpeg;
    try {
        jpeg.LoadFromBytes(data, size);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    if (jpeg.Width() <= 0 || jpeg.Height() <= 0 || jpeg.Bitmap().Width() != jpeg.Width()) std::abort();
    return 0;
}

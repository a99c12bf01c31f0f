// Feeds arbitrary bytes to the metafile reader, which walks the records and
// hands what passes to the Windows or the enhanced metafile translator. A
// damaged file raises EInvalidGraphic; a file that loads has a size within
// the reader's bounds and is drawn. A crash, a hang, another exception or
// an allocation beyond the budget (run with -rss_limit_mb) is a finding.

#include <cstdint>
#include <cstdlib>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Metafile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The toolkit goes before the statics at exit, as at the end of the
    // program: registered once a text has been measured, it runs before the
    // font caches made by then are destroyed, which would lose them.
    static const bool started = [] {
        GetApplication();
        MeasureText(TFont(), "Logo");
        return std::atexit(FinalizeApplication) == 0;
    }();
    (void)started;
    TMemoryStream stream;
    if (size) stream.WriteBuffer(data, LongInt(size));
    stream.SetPosition(0);
    TMetafile picture;
    try {
        picture.LoadFromStream(&stream);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    const Integer w = picture.Width(), h = picture.Height();
    if (w < 1 || w > TMetafile::MaxSide || h < 1 || h > TMetafile::MaxSide) std::abort();
    // Drawn small: the translation must render, its size does not matter.
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(16, 16);
    b.Canvas()->StretchDraw(Rect(0, 0, 16, 16), &picture);
    return 0;
}

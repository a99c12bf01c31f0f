// Any input either loads as an animated cursor or raises EReadError; what
// loads gives its frames to an icon list, a frame strip and a GIF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "media/AniFile.h"
#include "media/IcoList.h"
#include "media/VmGIF.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream s;
    if (size) s.WriteBuffer(data, LongInt(size));
    s.SetPosition(0);
    TAnimatedCursorImage ani;
    try {
        ani.LoadFromStream(&s);
    } catch (const EReadError&) {
        if (ani.Count() != 0) std::abort();
        return 0;
    }
    if (size == 0) return 0;  // nothing read, nothing changed
    if (ani.Count() == 0 || ani.Header().Steps != Cardinal(ani.Count())) std::abort();
    TIconList list;
    list.Assign(&ani);
    if (list.Count() != ani.Count()) std::abort();
    // Strips and GIFs of huge frames are slow, not wrong: keep runs quick.
    Int64 pixels = 0;
    for (int i = 0; i < ani.Count(); ++i) pixels += Int64(ani.IconAt(i)->Width()) * ani.IconAt(i)->Height();
    if (pixels > (1 << 16)) return 0;
    TBitmap strip;
    ani.ComposeFrameStrip(&strip, clWhite, false, true);
    VmGIF::TGIFImage gif;
    gif.Assign(&ani);
    TMemoryStream out;
    gif.SaveToStream(&out);
    return 0;
}

// The same bytes as an icon file, a resource icon image and a resource
// cursor image: each either loads or raises EInvalidGraphic; what loads is
// drawn and written, and what is written loads again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "media/unitEXGraphics.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Icon.h"
#include "platform/rtl/Exceptions.h"

namespace {

void Stream(TMemoryStream& s, const std::uint8_t* data, std::size_t size) {
    if (size) s.WriteBuffer(data, LongInt(size));
    s.SetPosition(0);
}

void DrawAndRewrite(TGraphic& g) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(std::min(g.Width(), 64), std::min(g.Height(), 64));
    b.Canvas()->StretchDraw(Rect(0, 0, b.Width(), b.Height()), &g);
    TMemoryStream out;
    g.SaveToStream(&out);
    out.SetPosition(0);
    std::unique_ptr<TGraphic> again = g.NewInstance();
    again->LoadFromStream(&out);
    if (again->Width() != g.Width() || again->Height() != g.Height()) std::abort();
}

template <class T>
void Try(const std::uint8_t* data, std::size_t size) {
    TMemoryStream s;
    Stream(s, data, size);
    T graphic;
    try {
        graphic.LoadFromStream(&s);
    } catch (const EInvalidGraphic&) {
        return;
    }
    DrawAndRewrite(graphic);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Try<TIcon>(data, size);
    Try<TExIcon>(data, size);
    Try<TExCursor>(data, size);
    return 0;
}

// Decode, encode with both coders, decode again: the frames' pixels must
// survive unchanged. Pixels outside their colour table cannot be written, so
// they are first folded into it; then every save must succeed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "media/GIFImage.h"

using namespace GIFImage;

namespace {
struct Frame {
    int w, h;
    std::vector<Byte> data;
    bool operator==(const Frame&) const = default;
};

std::vector<Frame> Frames(TGIFImage& gif) {
    std::vector<Frame> out;
    for (const auto& f : gif.Images())
        if (!f->Empty()) out.push_back(Frame{f->Width(), f->Height(), f->Data()});
    return out;
}

bool Load(TGIFImage& gif, const void* data, std::size_t size) {
    TMemoryStream s;
    if (size) s.WriteBuffer(data, LongInt(size));
    s.SetPosition(0);
    gif.OnWarning = [](TObject*, TGIFSeverity, const AnsiString&) {};
    try {
        gif.LoadFromStream(&s);
    } catch (const Exception&) {
        return false;
    }
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TGIFImage::MaxFramePixels = 1 << 18;
    TGIFImage::MaxTotalPixels = 1 << 20;
    TGIFImage gif;
    if (!Load(gif, data, size) || gif.Empty()) return 0;
    for (const auto& f : gif.Images()) {
        const int colors = f->ColorMap().Count() > 0 ? f->ColorMap().Count() : 1 << gif.BitsPerPixel();
        for (Byte& p : f->Data()) p = Byte(p % colors);
    }
    const std::vector<Frame> before = Frames(gif);
    for (TGIFCompression c : {gcLZW, gcRLE}) {
        gif.SetCompression(c);
        TMemoryStream out;
        gif.SaveToStream(&out);
        TGIFImage again;
        if (!Load(again, out.Memory(), std::size_t(out.Size()))) std::abort();
        if (Frames(again) != before) std::abort();
    }
    return 0;
}

#include "media/ClipIcon.h"

#include <vector>

#include "platform/rtl/ByteFields.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

using byte_fields::U16;
using byte_fields::U32;

namespace {

// How many colours an entry shows: its colour count, or for a count of 0
// (256 and more) 2^bits up to 8 bits, and above every palette screen beyond.
Cardinal Rank(const Byte* Entry) {
    const Cardinal count = U16(Entry + 2), bits = U16(Entry + 6);
    if (count != 0) return count;
    return bits >= 1 && bits <= 8 ? 1u << bits : 0x10000;
}

}  // namespace

TPoint IconPixelSize(HICON Icon) {
    TIconInfo info;
    if (GetIconInfo(Icon, info)) {
        if (info.Color) return Point(info.Color->Width(), info.Color->Height());
        if (info.Mask) return Point(info.Mask->Width(), info.Mask->Height() / 2);
    }
    return Point(SystemIconSize, SystemIconSize);
}

HICON CreateDisplayIcon(TIcon* Icon, int ScreenBits) {
    if (Icon == nullptr || Icon->Empty()) return CreateDefaultApplicationIcon();
    TMemoryStream stream;
    Icon->SaveToStream(&stream);
    const Byte* data = static_cast<const Byte*>(stream.Memory());
    const std::size_t size = std::size_t(stream.Size());
    if (size < 6 || U16(data + 2) != 1) return CopyIcon(Icon->Handle());
    // Only entries inside the data count.
    const Cardinal count = std::min<Cardinal>(U16(data + 4), Cardinal((size - 6) / 16));
    const Cardinal screen = ScreenBits == 24 ? 0 : Cardinal(1u << std::min(ScreenBits, 16)) & 0xFFFF;
    int chosen = -1, candidate = -1;
    const Cardinal screenRank = screen == 0 ? 0x10000 : screen;
    for (Cardinal i = 0; i < count && chosen < 0; ++i) {
        const Byte* entry = data + 6 + 16 * i;
        if (U16(entry + 2) == screen) chosen = int(i);
        else if (Rank(entry) <= screenRank && (candidate < 0 || Rank(entry) > Rank(data + 6 + 16 * candidate)))
            candidate = int(i);
    }
    if (chosen < 0) chosen = candidate >= 0 ? candidate : 0;
    if (count == 0) throw EInvalidGraphic("Icon file: the directory holds no image");
    const Byte* entry = data + 6 + 16 * chosen;
    const Int64 imageSize = U32(entry + 8), offset = U32(entry + 12);
    if (offset + imageSize > Int64(size))
        throw EInvalidGraphic("Icon file: image " + std::to_string(chosen) + " ends at byte " +
                              std::to_string(offset + imageSize) + ", the file has " + std::to_string(size));
    return CreateIconFromResource(data + offset, std::size_t(imageSize), true);
}

void RegisterIconClipboardFormat() {
    TPicture::RegisterClipboardFormat(IconClipboardFormat, "TIcon", [] { return std::unique_ptr<TGraphic>(new TIcon); });
}

// Cursor resources: cursor files compiled into the program.
//
// Cursor file, little-endian:
//   OFFSET SIZE DESCRIPTION
//   0      2    reserved, 0
//   2      2    resource type, 2 for a cursor
//   4      2    image count n (the first image is used)
//   6      16n  directory entries: +0 width, +1 height, +2 colour count,
//               +3 reserved, +4 hot spot x u16, +6 hot spot y u16, +8 image
//               size u32, +12 image offset from the file start u32
//   ...         the images (resource images, see platform/gfx/Icon.h)

#include <vector>

#include "platform/classes/Resources.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Icon.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

namespace {

Cardinal Le(const Byte* p, int n) {
    Cardinal v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

}  // namespace

HCURSOR LoadCursor(const AnsiString& Name) {
    const TNamedResource* resource = FindNamedResource(Name, "CURSOR");
    if (resource == nullptr) return nullptr;
    const Byte* data = resource->Data;
    const std::size_t size = resource->Size;
    auto bad = [&](const AnsiString& what) {
        return EInvalidGraphic("Cursor resource " + Name + ": " + what);
    };
    if (size < 22) throw bad("the file is " + IntToStr(Integer(size)) + " bytes, a header and an entry take 22");
    if (Le(data + 2, 2) != 2) throw bad("resource type " + IntToStr(Integer(Le(data + 2, 2))) + ", not 2");
    const Cardinal count = Le(data + 4, 2);
    if (count == 0) throw bad("no image");
    const Byte* entry = data + 6;
    const Cardinal imageSize = Le(entry + 8, 4), offset = Le(entry + 12, 4);
    if (offset > size || imageSize > size - offset)
        throw bad("image of " + IntToStr(Integer(imageSize)) + " bytes at offset " + IntToStr(Integer(offset)) +
                  " lies past the end (" + IntToStr(Integer(size)) + " bytes)");
    const int hotX = int(Le(entry + 4, 2)), hotY = int(Le(entry + 6, 2));
    // A cursor resource image starts with its hot spot.
    std::vector<Byte> image{Byte(hotX), Byte(hotX >> 8), Byte(hotY), Byte(hotY >> 8)};
    image.insert(image.end(), data + offset, data + offset + imageSize);
    TIconOwner icon(CreateIconFromResource(image.data(), image.size(), false));
    const TPoint extent = IconSize(icon.get());
    // Drawn over a colour no cursor image uses, which then becomes see-through.
    const TColor key = TColor(0xFF00FF);
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(extent.x, extent.y);
    picture.Canvas()->Brush()->SetColor(key);
    picture.Canvas()->FillRect(Rect(0, 0, extent.x, extent.y));
    DrawIcon(*picture.Canvas(), Rect(0, 0, extent.x, extent.y), icon.get());
    return CreateCursorFromBitmap(picture, key, hotX, hotY);
}

// Feeds arbitrary bytes as what another program left on the clipboard, read
// the way the program pastes it. The first byte chooses the format:
//   0  "Vemlor Icon", the icon-file bytes the icon lists copy;
//   1  "GIF Image" as the second GIF codec keeps it, a length before the file;
//   2  "GIF Image" as the picture codec pastes it, the bare file;
//   3  a picture another program copied, the rest being an image file the
//      toolkit decodes, pasted by the picture codec.
// Whatever the bytes, the paste gives a picture or raises the graphics'
// own error; a picture it gives copies to the clipboard (or is refused with
// the codec's error) and pastes again at its size. A crash, a hang, another
// exception or another size is a finding.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "media/ClipIcon.h"
#include "media/GIFPicture.h"
#include "media/PictureFormats.h"
#include "media/VmGIF.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/TestSupport.h"

namespace {

void SameSize(const TGraphic& A, const TGraphic& B) {
    if (A.Width() != B.Width() || A.Height() != B.Height()) std::abort();
}

void PasteIcon(const std::vector<Byte>& Bytes) {
    TPicture picture;
    try {
        picture.LoadFromClipboardFormat(IconClipboardFormat, Bytes);
    } catch (const Exception&) {
        return;
    }
    if (!picture.Graphic() || picture.Width() < 0 || picture.Height() < 0) std::abort();
    AnsiString format;
    std::vector<Byte> copied;
    try {
        picture.Graphic()->SaveToClipboardFormat(format, copied);
    } catch (const EInvalidGraphicOperation&) {
        // An icon without an image has nothing to copy.
        if (!picture.Graphic()->Empty()) std::abort();
        return;
    }
    TPicture again;
    again.LoadFromClipboardFormat(IconClipboardFormat, copied);
    SameSize(*picture.Graphic(), *again.Graphic());
}

void PasteLengthPrefixedGif(const std::vector<Byte>& Bytes) {
    VmGIF::TGIFImage gif;
    try {
        gif.LoadFromClipboardFormat(VmGIF::ClipboardFormatName, Bytes);
    } catch (const Exception&) {
        return;
    }
    AnsiString format;
    std::vector<Byte> copied;
    try {
        gif.SaveToClipboardFormat(format, copied);
    } catch (const Exception&) {
        return;  // a picture the codec cannot write again is refused with its error
    }
    VmGIF::TGIFImage again;
    again.LoadFromClipboardFormat(format, copied);
    SameSize(gif, again);
}

void PasteGif(bool AsImageFile, const std::vector<Byte>& Bytes) {
    if (AsImageFile) {
        if (!PutImageFileOnClipboard(Bytes)) return;
    } else {
        Clipboard()->SetFormatData(GIFImage::GIFClipboardFormat, Bytes);
    }
    TBitmap offered;
    const bool image = AsImageFile && Clipboard()->GetAsBitmap(offered);
    GIFImage::TGIFImage gif;
    try {
        gif.LoadFromClipboard();
    } catch (const Exception&) {
        if (image) std::abort();  // any image makes a picture
        return;
    }
    if (image && (gif.Width() != offered.Width() || gif.Height() != offered.Height())) std::abort();
    if (gif.Empty()) return;
    try {
        gif.SaveToClipboard();
    } catch (const Exception&) {
        // Colours the codec cannot write again are refused with its error.
        return;
    }
    GIFImage::TGIFImage again;
    again.LoadFromClipboard();
    SameSize(gif, again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        RegisterPictureFormats();
        return true;
    }();
    (void)registered;
    if (size == 0) return 0;
    const std::vector<Byte> bytes(data + 1, data + size);
    switch (data[0] % 4) {
        case 0: PasteIcon(bytes); break;
        case 1: PasteLengthPrefixedGif(bytes); break;
        case 2: PasteGif(false, bytes); break;
        default: PasteGif(true, bytes); break;
    }
    return 0;
}

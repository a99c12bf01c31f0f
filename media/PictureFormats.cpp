#include "media/PictureFormats.h"

#include "media/ClipIcon.h"
#include "media/GIFPicture.h"
#include "media/VmGIF.h"
#include "platform/gfx/Icon.h"
#include "platform/gfx/Metafile.h"

void RegisterPictureFormats() {
    VmGIF::RegisterGIFImage();
    GIFImage::RegisterGIFImage();
    TPicture::UnregisterGraphicClass("TIcon");
    TPicture::RegisterFileFormat("ico", "Icon", "TIcon", [] { return std::unique_ptr<TGraphic>(new TIcon); });
    RegisterIconClipboardFormat();
    TPicture::UnregisterGraphicClass("TMetafile");
    const auto metafile = [] { return std::unique_ptr<TGraphic>(new TMetafile); };
    TPicture::RegisterFileFormat("emf", "Enhanced Metafile", "TMetafile", metafile);
    TPicture::RegisterFileFormat("wmf", "Metafile", "TMetafile", metafile);
}

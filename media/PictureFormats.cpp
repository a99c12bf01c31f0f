#include "media/PictureFormats.h"

#include "media/ClipIcon.h"
#include "media/GIFPicture.h"
#include "media/VmGIF.h"

void RegisterPictureFormats() {
    VmGIF::RegisterGIFImage();
    GIFImage::RegisterGIFImage();
    RegisterIconClipboardFormat();
}

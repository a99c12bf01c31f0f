#include "media/GIFItem.h"

#include "media/GIFPicture.h"

namespace GIFImage {

void TGIFItem::ReportWarning(TGIFSeverity Severity, const AnsiString& Message) {
    if (FImage) FImage->Warning(this, Severity, Message);
}

void TGIFItem::SaveFile(const AnsiString& FileName) {
    TMemoryStream m;
    SaveToStream(&m);
    m.SaveToFile(FileName);
}

void TGIFItem::LoadFile(const AnsiString& FileName) {
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&f);
}

}  // namespace GIFImage

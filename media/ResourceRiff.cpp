#include "media/ResourceRiff.h"

#include "platform/rtl/ByteFields.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

using byte_fields::Put32;

const TResourceClass& TRiffResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TRiffResource>("TRiffResource", 1012, false);
    return c;
}

const TResourceClass& TWAVEResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TWAVEResource>("TWAVEResource", 1013, false);
    return c;
}

const TResourceClass& TRMIDResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TRMIDResource>("TRMIDResource", 1014, false);
    return c;
}

void TRMIDResource::DoImport(const AnsiString& FileName, const std::vector<Byte>& Bytes) {
    if (!SameText(ExtractFileExt(FileName), ".mid")) {
        TRiffResource::DoImport(FileName, Bytes);
        return;
    }
    std::vector<Byte> riff{'R', 'I', 'F', 'F'};
    const Cardinal pad = Bytes.size() & 1;
    Put32(riff, Cardinal(4 + 8 + Bytes.size() + pad));
    riff.insert(riff.end(), {'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'});
    Put32(riff, Cardinal(Bytes.size()));
    riff.insert(riff.end(), Bytes.begin(), Bytes.end());
    if (pad) riff.push_back(0);
    TRiffResource::DoImport(FileName, riff);
}

// Any input either reads or raises ERtfError; whatever reads, the writer's
// RTF of it reads again to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/ui/RtfReader.h"
#include "platform/ui/RtfWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TRichText text;
    try {
        text = ReadRtf(reinterpret_cast<const char*>(data), size);
    } catch (const ERtfError&) {
        return 0;
    }
    const AnsiString rtf = WriteRtf(text);
    const TRichText again = ReadRtf(rtf.data(), rtf.size());
    if (again.PlainText() != text.PlainText()) std::abort();
    return 0;
}

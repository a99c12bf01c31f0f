// Reading and writing whole GIF files: the signature, the logical screen,
// the frames in file order and the trailer.

#include "media/GIFImage.h"

#include <algorithm>
#include <cctype>

#include "media/GIFPainter.h"
#include "media/GIFStreamIO.h"
#include "platform/rtl/ScopeGuard.h"

namespace GIFImage {

using namespace io;

namespace {

// Tells the progress handler that a stage ended in failure. The failure
// that is unwinding is the one the caller hears of: a handler failing on
// top of it is dropped, as clean-up must not throw.
void ReportFailure(TGIFImage* Image, const AnsiString& Message) noexcept {
    try {
        Image->ReportProgress(Image, psEnding, 0, Message);
    } catch (...) {
    }
}

}  // namespace

Int64 TGIFImage::MaxFramePixels = Int64(1) << 26;
Int64 TGIFImage::MaxTotalPixels = Int64(1) << 28;

TGIFImage::TGIFImage() : FHeader(std::make_unique<TGIFHeader>(this)) {}
TGIFImage::~TGIFImage() {
    StopDraw();
    FOwnPainters.clear();
    FImages.Clear();
}

std::unique_ptr<TGraphic> TGIFImage::NewInstance() const { return std::make_unique<TGIFImage>(); }

void TGIFImage::Clear() {
    StopDraw();
    FreeCaches();
    FImages.Clear();
    FHeader->Clear();
    DecodedPixels = 0;
}

void TGIFImage::Warning(TObject* Sender, TGIFSeverity Severity, const AnsiString& Message) {
    FireEvent(OnWarning, Sender, Severity, Message);
}

void TGIFImage::SetWidth(Integer Value) {
    for (const auto& f : FImages)
        if (f->Left() + f->Width() > Value) throw GIFException("Image width too small for contained frames");
    FHeader->SetWidth(Value);
    Changed(this);
}

void TGIFImage::SetHeight(Integer Value) {
    for (const auto& f : FImages)
        if (f->Top() + f->Height() > Value) throw GIFException("Image height too small for contained frames");
    FHeader->SetHeight(Value);
    Changed(this);
}

int TGIFImage::BitsPerPixel() {
    int bits = FHeader->ColorMap().Count() > 0 ? FHeader->ColorMap().BitsPerPixel() : 1;
    for (const auto& f : FImages) bits = std::max(bits, f->ActiveColorMap().BitsPerPixel());
    return bits;
}

TGIFVersion TGIFImage::Version() const {
    TGIFVersion v = gvUnknown;
    for (const auto& f : FImages) {
        v = std::max(v, f->FormatVersion());
        if (v == gv89a) break;
    }
    return v;
}

void TGIFImage::LoadFromStream(TStream* Stream) {
    Progress(this, psStarting, 0, false, TRect{}, "Loading...");
    Clear();
    const Int64 start = Stream->Position();
    auto failed = ScopeFail([&] {
        Stream->SetPosition(start);
        ReportFailure(this, "Loading...");
    });
    auto isGif = [](const Byte* s, LongInt n) {
        return n == 6 && std::toupper(s[0]) == 'G' && std::toupper(s[1]) == 'I' && std::toupper(s[2]) == 'F';
    };
    Byte sig[6];
    if (!isGif(sig, Stream->Read(sig, 6))) {
        // Form resources carry a 32-bit length in front of the GIF data.
        Stream->SetPosition(start + 4);
        if (!isGif(sig, Stream->Read(sig, 6))) throw GIFException("Invalid GIF signature");
    }
    FHeader->LoadFromStream(Stream);
    const Int64 size = std::max<Int64>(1, Stream->Size());
    int b;
    for (;;) {
        bool eof = false;
        do {
            if (!ReadByte(Stream, b)) eof = true;
        } while (!eof && b == 0);
        if (eof) break;
        PutBack(Stream);
        if (b == 0x3B) break;
        if (b != 0x21 && b != 0x2C) {
            Warning(this, gsWarning, "Unknown GIF block type");
            break;
        }
        auto frame = std::make_unique<TGIFSubImage>(this);
        frame->LoadFromStream(Stream);
        FImages.Add(std::move(frame));
        Progress(this, psRunning, Byte(std::clamp<Int64>(Stream->Position() * 100 / size, 0, 100)), false,
                 TRect{}, "Loading...");
    }
    TGIFTrailer trailer(this);
    trailer.LoadFromStream(Stream);
    failed.Release();
    Progress(this, psEnding, 100, false, TRect{}, "Loading...");
    Changed(this);
}

void TGIFImage::SaveToStream(TStream* Stream) {
    Progress(this, psStarting, 0, false, TRect{}, "Saving...");
    // The file is built in memory: a frame that fails half-way leaves the
    // target untouched instead of holding a partial frame.
    TMemoryStream memory;
    auto failed = ScopeFail([this] { ReportFailure(this, "Saving..."); });
    FHeader->SaveToStream(&memory);
    const int count = FImages.Count();
    for (int i = 0; i < count; ++i) {
        FImages.Items(i)->SaveToStream(&memory);
        Progress(this, psRunning, Byte((i + 1) * 100 / count), false, TRect{}, "Saving...");
    }
    TGIFTrailer trailer(this);
    trailer.SaveToStream(&memory);
    Stream->WriteBuffer(memory.Memory(), LongInt(memory.Size()));
    failed.Release();
    Progress(this, psEnding, 100, false, TRect{}, "Saving...");
}

}  // namespace GIFImage

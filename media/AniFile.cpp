#include "media/AniFile.h"

#include <algorithm>
#include <cstring>

#include "components/VCLUtils.h"
#include "platform/rtl/ByteFields.h"
#include "media/IcoList.h"
#include "media/VmGraph.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"

using byte_fields::U16;
using byte_fields::U32;

namespace {

[[noreturn]] void ReadError() { throw EReadError("Stream read error"); }

int ColorsOfBits(Cardinal Bits) { return Bits == 1 ? 2 : Bits == 4 ? 16 : Bits == 8 ? 256 : 0; }

}  // namespace

// ---------------------------------------------------------------------------
// TIconFrame

TIconFrame::TIconFrame(Integer ASequence, Cardinal ARate)
    : Rate(ARate), Sequence(ASequence), FIcon(std::make_unique<TIcon>()) {}

TIconFrame::~TIconFrame() = default;

void TIconFrame::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TIconFrame*>(Source)) {
        FIcon->Assign(f->FIcon.get());
        IsIcon = f->IsIcon;
        Tag = f->Tag;
        HotSpot = f->HotSpot;
        Rate = f->Rate;
        Sequence = f->Sequence;
        return;
    }
    TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------
// Parsing. Sizes still to walk are kept signed and 64 bits wide, so that no
// chunk size from the file can wrap them; every count is capped by the
// bytes there are.

class TAniParser {
public:
    TAniParser(TAnimatedCursorImage& Image, const std::vector<Byte>& Data) : FImage(Image), FData(Data) {}

    void Parse() {
        TAniTag riff;
        if (!ReadTag(riff) || !Is(riff, "RIFF") || Left() < 4 || std::memcmp(FData.data() + FPos, "ACON", 4) != 0)
            ReadError();
        FPos += 4;
        FImage.Clear();
        auto cleared = ScopeFail([this] { FImage.Clear(); });
        TAniTag tag;
        while (Left() >= 8 && ReadTag(tag)) {
            if (Is(tag, "anih")) ReadHeader(tag);
            else if (Is(tag, "rate")) ReadStepValue(tag, FRateIndex, true);
            else if (Is(tag, "seq ")) ReadStepValue(tag, FSequenceIndex, false);
            else if (Is(tag, "LIST")) {
                if (!ReadList(tag)) break;
            } else Skip(Padded(tag.Size));
        }
        auto& frames = FImage.FFrames;
        frames.erase(std::remove_if(frames.begin(), frames.end(), [](const auto& f) { return f->Icon()->Empty(); }),
                     frames.end());
        FImage.FHeader.Steps = Cardinal(frames.size());
        if (frames.empty()) ReadError();
    }

private:
    Int64 Left() const { return Int64(FData.size()) - FPos; }
    static Int64 Padded(Cardinal Size) { return Int64(Size) + (Size & 1); }
    static bool Is(const TAniTag& Tag, const char* Id) { return std::memcmp(Tag.Id.data(), Id, 4) == 0; }
    void Skip(Int64 Count) { FPos += std::clamp<Int64>(Count, 0, Left()); }

    bool ReadTag(TAniTag& Tag) {
        if (Left() < 8) return false;
        std::memcpy(Tag.Id.data(), FData.data() + FPos, 4);
        Tag.Size = U32(FData.data() + FPos + 4);
        FPos += 8;
        return true;
    }

    void ReadHeader(const TAniTag& Tag) {
        // A header shorter than its nine fields would leave them to chance.
        if (Tag.Size < 36 || Left() < 36) ReadError();
        TAniHeader& h = FImage.FHeader;
        Cardinal* fields[] = {&h.HeaderSize, &h.Frames, &h.Steps, &h.Width, &h.Height,
                              &h.BitCount,   &h.Planes, &h.Rate,  &h.Flags};
        for (int i = 0; i < 9; ++i) *fields[i] = U32(FData.data() + FPos + 4 * i);
        Skip(Padded(Tag.Size));
        if (!(h.Flags & 1) || h.Steps == 0) ReadError();
        // A frame takes at least an 8-byte "icon" chunk.
        const Int64 frames = std::min<Int64>(h.Frames, Left() / 8);
        for (Int64 i = 0; i < frames; ++i)
            FImage.FFrames.push_back(std::make_unique<TIconFrame>(Integer(i), h.Rate));
    }

    // Only the first value of each chunk counts, for the next frame in order.
    void ReadStepValue(const TAniTag& Tag, std::size_t& Index, bool Rate) {
        if (Tag.Size >= 4 && Left() >= 4 && Index < FImage.FFrames.size()) {
            const Cardinal value = U32(FData.data() + FPos);
            TIconFrame& frame = *FImage.FFrames[Index];
            if (Rate) frame.Rate = value;
            else frame.Sequence = Integer(value);
        }
        ++Index;
        Skip(Padded(Tag.Size));
    }

    // False when the whole parse stops.
    bool ReadList(const TAniTag& Tag) {
        Int64 remaining = Padded(Tag.Size);
        if (Left() < 4) return false;
        const Int64 end = FPos + std::min(remaining, Left());
        char type[4];
        std::memcpy(type, FData.data() + FPos, 4);
        FPos += 4;
        remaining -= 4;
        if (std::memcmp(type, "fram", 4) == 0) ReadFrames(remaining);
        else if (std::memcmp(type, "INFO", 4) == 0) ReadInfo(remaining);
        FPos = std::max(FPos, end);
        return true;
    }

    void ReadFrames(Int64 Remaining) {
        TAniTag sub;
        while (Remaining > 7) {
            if (!ReadTag(sub)) return;
            Remaining -= 8;
            if (Is(sub, "icon")) {
                if (!LoadIcon(sub)) return;
            } else {
                Skip(Padded(sub.Size));
            }
            Remaining -= Padded(sub.Size);
        }
    }

    void ReadInfo(Int64 Remaining) {
        TAniTag sub;
        while (Remaining > 7) {
            if (!ReadTag(sub)) return;
            Remaining -= 8;
            const bool title = Is(sub, "INAM"), author = Is(sub, "IART");
            if (title || author) {
                const Int64 n = std::min<Int64>({sub.Size, 255, Left()});
                AnsiString text(reinterpret_cast<const char*>(FData.data() + FPos), std::size_t(n));
                text = text.substr(0, text.find('\0'));
                (title ? FImage.FTitle : FImage.FAuthor) = text;
                if (Remaining < Int64(sub.Size)) return;
            }
            Skip(Padded(sub.Size));
            Remaining -= Padded(sub.Size);
        }
    }

    // False when the sub-chunk gives no icon.
    bool LoadIcon(const TAniTag& Tag) {
        const Int64 n = std::min<Int64>(Tag.Size, Left());
        std::vector<Byte> copy(FData.begin() + std::ptrdiff_t(FPos), FData.begin() + std::ptrdiff_t(FPos + n));
        Skip(Padded(Tag.Size));
        if (copy.size() < 6) return false;
        const Cardinal type = U16(copy.data() + 2);
        if (type != 1 && type != 2) return false;
        // The icon loader reads icon files only; a cursor's images are the same.
        copy[2] = 1;
        copy[3] = 0;
        TPoint hotSpot;
        const Cardinal count = U16(copy.data() + 4);
        for (Cardinal i = 0; i < count && 6 + 16 * Int64(i + 1) <= Int64(copy.size()); ++i) {
            const Byte* entry = copy.data() + 6 + 16 * i;
            const Int64 offset = U32(entry + 12), size = U32(entry + 8);
            if (size >= 16 && offset + 16 <= Int64(copy.size()))
                FImage.FSourceColorCount =
                    std::max(FImage.FSourceColorCount, ColorsOfBits(U16(copy.data() + offset + 14)));
            hotSpot = Point(Integer(U16(entry + 4)), Integer(U16(entry + 6)));
        }
        TIcon icon;
        try {
            TMemoryStream stream;
            stream.WriteBuffer(copy.data(), LongInt(copy.size()));
            stream.SetPosition(0);
            icon.LoadFromStream(&stream);
        } catch (const Exception&) {
            return false;
        }
        if (type == 1) hotSpot = Point(icon.Width() / 2, icon.Height() / 2);
        const auto takes = [this](const auto& f) { return f->Sequence == FIconsLoaded; };
        const Int64 takers = std::max<Int64>(std::count_if(FImage.FFrames.begin(), FImage.FFrames.end(), takes), 1);
        CheckDecodedSize(FFramesWithIcon + takers, std::max(FLargest.x, icon.Width()),
                         std::max(FLargest.y, icon.Height()));
        FFramesWithIcon += takers;
        FLargest = Point(std::max(FLargest.x, icon.Width()), std::max(FLargest.y, icon.Height()));
        bool matched = false;
        for (auto& frame : FImage.FFrames) {
            if (frame->Sequence != FIconsLoaded) continue;
            Apply(*frame, icon, Tag, hotSpot, type == 1);
            matched = true;
        }
        if (!matched) {
            FImage.FFrames.push_back(std::make_unique<TIconFrame>(-1, FImage.FHeader.Rate));
            Apply(*FImage.FFrames.back(), icon, Tag, hotSpot, type == 1);
        }
        ++FIconsLoaded;
        return true;
    }

    // Every frame is drawn at its own place in a frame strip, and becomes a
    // bitmap of its own in a GIF: refused before either is made.
    static void CheckDecodedSize(Int64 Frames, Integer Width, Integer Height) {
        const Int64 limit = TAnimatedCursorImage::MaxTotalPixels;
        if (Frames * Width * Height <= limit) return;
        throw EReadError("Animated cursor of " + std::to_string(Frames) + " frames of up to " + std::to_string(Width) +
                         " x " + std::to_string(Height) + " pixels exceeds the limit of " + std::to_string(limit) +
                         " pixels in all");
    }

    static void Apply(TIconFrame& Frame, TIcon& Icon, const TAniTag& Tag, TPoint HotSpot, bool IsIcon) {
        Frame.Icon()->Assign(&Icon);
        Frame.Tag = Tag;
        Frame.HotSpot = HotSpot;
        Frame.IsIcon = IsIcon;
    }

    TAnimatedCursorImage& FImage;
    const std::vector<Byte>& FData;
    Int64 FPos = 0;
    std::size_t FRateIndex = 0;
    std::size_t FSequenceIndex = 0;
    Integer FIconsLoaded = 0;
    Int64 FFramesWithIcon = 0;
    TPoint FLargest;
};

// ---------------------------------------------------------------------------
// TAnimatedCursorImage

TAnimatedCursorImage::TAnimatedCursorImage() = default;
TAnimatedCursorImage::~TAnimatedCursorImage() = default;

void TAnimatedCursorImage::Clear() {
    FFrames.clear();
    FHeader = TAniHeader{};
    FTitle.clear();
    FAuthor.clear();
    FSourceColorCount = 0;
}

TIconFrame* TAnimatedCursorImage::FrameAt(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return FFrames[std::size_t(Index)].get();
}

void TAnimatedCursorImage::LoadFromStream(TStream* Stream) {
    const std::vector<Byte> data = byte_fields::RestOfStream(Stream);
    if (data.empty()) return;
    TAniParser(*this, data).Parse();
}

void TAnimatedCursorImage::LoadFromFile(const AnsiString& FileName) {
    auto cleared = ScopeFail([this] { Clear(); });
    TFileStream stream(FileName, fmOpenRead | fmShareDenyNone);
    LoadFromStream(&stream);
}

void TAnimatedCursorImage::SaveToStream(TStream*) { ShowNotImplemented(); }

void TAnimatedCursorImage::Assign(TPersistent* Source) {
    if (Source == this) return;
    if (Source == nullptr) {
        Clear();
        return;
    }
    if (auto* other = dynamic_cast<TAnimatedCursorImage*>(Source)) {
        Clear();
        auto cleared = ScopeFail([this] { Clear(); });
        FHeader = other->FHeader;
        FTitle = other->FTitle;
        FAuthor = other->FAuthor;
        FSourceColorCount = other->FSourceColorCount;
        for (const auto& f : other->FFrames) {
            auto frame = std::make_unique<TIconFrame>(f->Sequence, f->Rate);
            frame->Assign(f.get());
            FFrames.push_back(std::move(frame));
        }
        return;
    }
    TPersistent::Assign(Source);
}

void TAnimatedCursorImage::AssignTo(TPersistent* Dest) {
    if (auto* icon = dynamic_cast<TIcon*>(Dest)) {
        icon->Assign(FFrames.empty() ? nullptr : FFrames.front()->Icon());
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(Dest)) {
        ComposeFrameStrip(bitmap, bitmap->Canvas()->Brush()->Color(), false, true);
        return;
    }
    if (auto* list = dynamic_cast<TIconList*>(Dest)) {
        list->BeginUpdate();
        auto end = ScopeExit([list] { list->EndUpdate(); });
        list->Clear();
        for (const auto& f : FFrames) list->Add(f->Icon());
        return;
    }
    TPersistent::AssignTo(Dest);
}

void TAnimatedCursorImage::ComposeFrameStrip(TBitmap* Bitmap, TColor Background, bool Vertical, bool ReduceColors) {
    if (FFrames.empty()) {
        Bitmap->Assign(TBitmap());
        return;
    }
    const Integer width = IconAt(0)->Width(), height = IconAt(0)->Height(), n = Count();
    TBitmap strip;
    strip.SetPixelFormat(pf24bit);
    strip.SetSize(Vertical ? width : width * n, Vertical ? height * n : height);
    TCanvas* canvas = strip.Canvas();
    canvas->Brush()->SetColor(Background);
    canvas->FillRect(Rect(0, 0, strip.Width(), strip.Height()));
    for (Integer i = 0; i < n; ++i) {
        TIcon* icon = IconAt(i);
        if (Vertical) canvas->Draw(0, i * icon->Height(), icon);
        else canvas->Draw(i * icon->Width(), 0, icon);
    }
    if (ReduceColors) {
        auto reduced = ReduceColorsToStream(&strip, std::max(FSourceColorCount, 16));
        strip.LoadFromStream(reduced.get());
    }
    Bitmap->Assign(strip);
}

// Reading and writing GIF files for the second codec (layout in VmGIF.h).
// Every part read from the file is checked against the bytes left; a short
// fixed part raises "Stream read error", a short frame data sub-block marks
// the frame corrupted.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/rtl/ByteFields.h"
#include "media/VmGIF.h"
#include "platform/rtl/Exceptions.h"

using byte_fields::Put16;

namespace VmGIF {

namespace {

[[noreturn]] void Fail(const AnsiString& Message) { throw EInvalidGraphicOperation(Message); }

Word Get16(const Byte* p) { return Word(byte_fields::U16(p)); }

TColor EntryColor(const TRGBQuad& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }

// The smallest b with 2^b >= Count (1 at least).
int TableBits(std::size_t Count) {
    int bits = 1;
    while ((std::size_t(1) << bits) < Count) ++bits;
    return bits;
}

void PutTable(std::vector<Byte>& Out, const TGIFColorTable& Table, int Bits) {
    for (std::size_t i = 0; i < (std::size_t(1) << Bits); ++i) {
        const TRGBQuad q = i < Table.Entries.size() ? Table.Entries[i] : TRGBQuad{};
        Out.push_back(q.rgbRed);
        Out.push_back(q.rgbGreen);
        Out.push_back(q.rgbBlue);
    }
}

int IndexOf(const TGIFColorTable& Table, TColor Color) {
    if (Color == clNone) return -1;
    for (std::size_t i = 0; i < Table.Entries.size(); ++i)
        if (EntryColor(Table.Entries[i]) == (ColorToRGB(Color) & 0xFFFFFF)) return int(i);
    return -1;
}

bool IsLoopIdentifier(const std::vector<Byte>& Fixed) {
    return Fixed.size() == 12 && (std::memcmp(Fixed.data() + 1, "NETSCAPE2.0", 11) == 0 ||
                                  std::memcmp(Fixed.data() + 1, "ANIMEXTS1.0", 11) == 0);
}

}  // namespace

class TGIFReader {
public:
    TGIFReader(TGIFImage& Image, const std::vector<Byte>& Data) : FImage(Image), FData(Data) {}

    void Read() {
        if (FData.size() < 6 || std::toupper(FData[0]) != 'G' || std::toupper(FData[1]) != 'I' ||
            std::toupper(FData[2]) != 'F')
            Fail("Unknown GIF version");
        AnsiString version(reinterpret_cast<const char*>(FData.data()) + 3, 3);
        for (char& c : version) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (version != "87a" && version != "89a") Fail("Unknown GIF version");
        FImage.Version = version == "87a" ? 1 : 2;
        FPos = 6;
        const Byte* screen = Need(7);
        TGIFData& data = *FImage.FData;
        FImage.FScreenWidth = Get16(screen);
        FImage.FScreenHeight = Get16(screen + 2);
        data.BitsPerPixel = (screen[4] & 7) + 1;
        data.ColorResBits = ((screen[4] >> 4) & 7) + 1;
        data.AspectRatio = screen[6];
        if (screen[4] & 0x80) {
            data.ColorTable = ReadTable(std::size_t(1) << data.BitsPerPixel);
            if (screen[5] < data.ColorTable.Entries.size())
                FImage.BackgroundColor = EntryColor(data.ColorTable.Entries[screen[5]]);
        }
        std::vector<std::unique_ptr<TExtension>> collected;
        int introducer = NextIntroducer();
        while (introducer != 0 && introducer != ';') {
            while (introducer == '!') {
                ReadExtension(collected);
                introducer = NextIntroducer();
            }
            if (introducer == ',') {
                auto frame = std::make_unique<TGIFFrame>(&FImage);
                frame->FExtensions = std::move(collected);
                collected.clear();
                ReadFrame(*frame);
                FImage.FFrames.push_back(std::move(frame));
                introducer = NextIntroducer();
                if (introducer != '!' && introducer != ',' && introducer != ';') break;
                continue;
            }
            // Extensions behind the last frame: their comments are the image's.
            if (data.Comment.empty() && !collected.empty()) {
                bool firstComment = true;
                for (const auto& e : collected) {
                    if (e->Kind() != ekComment) continue;
                    if (!firstComment) data.Comment.push_back("\r\n\r\n");
                    firstComment = false;
                    data.Comment.insert(data.Comment.end(), e->SubBlocks.begin(), e->SubBlocks.end());
                }
                collected.clear();
            } else if (introducer != 0 && introducer != ';') {
                Fail("Stream read error");
            }
        }
        FImage.FCurrent = FImage.FFrames.empty() ? -1 : 0;
    }

private:
    const Byte* Need(std::size_t Count) {
        if (Count > FData.size() - FPos) Fail("Stream read error");
        const Byte* p = FData.data() + FPos;
        FPos += Count;
        return p;
    }

    // Skips zero bytes; the end of the data counts as the trailer.
    int NextIntroducer() {
        while (FPos < FData.size() && FData[FPos] == 0) ++FPos;
        if (FPos >= FData.size()) return ';';
        return FData[FPos++];
    }

    TGIFColorTable ReadTable(std::size_t Count) {
        const Byte* p = Need(3 * Count);
        TGIFColorTable table;
        table.Entries.resize(Count);
        for (std::size_t i = 0; i < Count; ++i) table.Entries[i] = TRGBQuad{p[3 * i + 2], p[3 * i + 1], p[3 * i], 0};
        return table;
    }

    void ReadSubBlocks(std::vector<AnsiString>& Blocks) {
        for (;;) {
            const Byte size = *Need(1);
            if (size == 0) return;
            const Byte* p = Need(size);
            Blocks.emplace_back(reinterpret_cast<const char*>(p), size);
        }
    }

    void ReadExtension(std::vector<std::unique_ptr<TExtension>>& Collected) {
        const Byte label = *Need(1);
        std::unique_ptr<TExtension> e;
        std::size_t fixed = 0;
        switch (label) {
        case 0xF9: e = std::make_unique<TExtension>(ekGraphicControl), fixed = 6; break;
        case 0xFE: e = std::make_unique<TExtension>(ekComment); break;
        case 0x01: e = std::make_unique<TExtension>(ekPlainText), fixed = 13; break;
        case 0xFF: e = std::make_unique<TExtension>(ekApplication), fixed = 12; break;
        default: {
            char text[8];
            std::snprintf(text, sizeof text, "%.2x", label);
            Fail(AnsiString("Unrecognized extension block: ") + text);
        }
        }
        const Byte* p = Need(fixed);
        e->Fixed.assign(p, p + fixed);
        if (label != 0xF9) ReadSubBlocks(e->SubBlocks);
        switch (label) {
        case 0x01: Collected.clear(); return;
        case 0xFF:
            if (IsLoopIdentifier(e->Fixed) && !e->SubBlocks.empty() && e->SubBlocks[0].size() >= 3 &&
                e->SubBlocks[0][0] == 1) {
                const auto* b = reinterpret_cast<const Byte*>(e->SubBlocks[0].data());
                FImage.Looping = true;
                FImage.RepeatCount = std::min<Integer>(Get16(b + 1), 30000);
            }
            return;
        default: Collected.push_back(std::move(e));
        }
    }

    void ReadFrame(TGIFFrame& Frame) {
        const Byte* d = Need(9);
        auto item = std::make_shared<TGIFItem>();
        Frame.Left = Get16(d);
        Frame.Top = Get16(d + 2);
        item->Width = Get16(d + 4);
        item->Height = Get16(d + 6);
        Frame.Interlaced = (d[8] & 0x40) != 0;
        const TGIFData& data = *FImage.FData;
        if (d[8] & 0x80) {
            item->BitsPerPixel = (d[8] & 7) + 1;
            item->ColorTable = ReadTable(std::size_t(1) << item->BitsPerPixel);
            Frame.OwnColorTable = true;
        } else {
            item->BitsPerPixel = data.ColorTable.Entries.empty() ? data.BitsPerPixel
                                                                 : TableBits(data.ColorTable.Entries.size());
            item->ColorTable = data.ColorTable;
        }
        if (item->Width == 0) item->Width = FImage.FScreenWidth;
        if (item->Height == 0) item->Height = FImage.FScreenHeight;
        // Still without a size, the frame has no pixels: no bitmap shows it
        // and no frame of that size could be written back (a size of 0
        // reads as the screen's again).
        if (item->Width == 0 || item->Height == 0)
            Fail("GIF frame of " + std::to_string(item->Width) + " x " + std::to_string(item->Height) +
                 " pixels is empty");
        // The minimum code size and the sub-blocks are kept as they are.
        item->Encoded.push_back(*Need(1));
        for (;;) {
            if (FPos >= FData.size()) {
                Frame.Corrupted = true;
                break;
            }
            const Byte size = FData[FPos++];
            if (size == 0) break;
            if (size > FData.size() - FPos) {
                Frame.Corrupted = true;
                break;
            }
            item->Encoded.push_back(size);
            item->Encoded.insert(item->Encoded.end(), FData.begin() + std::ptrdiff_t(FPos),
                                 FData.begin() + std::ptrdiff_t(FPos + size));
            FPos += size;
        }
        item->Encoded.push_back(0);
        if (Frame.Corrupted && !TolerateCorruptData) Fail("Stream read error");
        for (const auto& e : Frame.FExtensions) {
            if (e->Kind() != ekGraphicControl) continue;
            const Byte flags = e->Fixed[1];
            const Byte index = e->Fixed[4];
            if (flags & 1)
                Frame.TransparentColor = index < item->ColorTable.Entries.size()
                                             ? EntryColor(item->ColorTable.Entries[index])
                                             : clNone;
            else
                Frame.TransparentColor = clNone;
            Frame.Delay = std::max<Integer>(Get16(e->Fixed.data() + 2) * 10, Frame.Delay);
            Frame.Disposal = (flags >> 2) & 7;
        }
        Frame.FItem = std::move(item);
    }

    TGIFImage& FImage;
    const std::vector<Byte>& FData;
    std::size_t FPos = 0;
};

class TGIFWriter {
public:
    explicit TGIFWriter(TGIFImage& Image) : FImage(Image) {}

    std::vector<Byte> Write() {
        if (FImage.FFrames.empty()) Fail("No GIF Data to write");
        for (auto& f : FImage.FFrames)
            if (!f->FItem || f->FItem->Encoded.empty()) f->Encode();
        bool extensions = false;
        for (auto& f : FImage.FFrames) {
            UpdateGraphicControl(*f);
            auto& list = f->FExtensions;
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [](const auto& e) { return e->Kind() == ekComment && e->SubBlocks.empty(); }),
                       list.end());
            extensions |= !list.empty();
        }
        const TGIFData& data = *FImage.FData;
        FImage.Version = extensions || !data.Comment.empty() || FImage.FFrames.size() > 1 ? 2 : 1;
        std::vector<Byte> out{'G', 'I', 'F', '8', Byte(FImage.Version == 2 ? '9' : '7'), 'a'};
        Cardinal width = 0, height = 0;
        for (const auto& f : FImage.FFrames) {
            width = std::max<Cardinal>(width, Cardinal(f->Left + f->Width()));
            height = std::max<Cardinal>(height, Cardinal(f->Top + f->Height()));
        }
        Put16(out, std::min<Cardinal>(width, 0xFFFF));
        Put16(out, std::min<Cardinal>(height, 0xFFFF));
        const bool global = !data.ColorTable.Entries.empty();
        const int bits = global ? TableBits(data.ColorTable.Entries.size()) : 0;
        out.push_back(global ? Byte(0x80 + (bits - 1) * 16 + (bits - 1)) : 0);
        const int background = IndexOf(data.ColorTable, FImage.BackgroundColor);
        out.push_back(background > 0 ? Byte(background) : 0);
        out.push_back(data.AspectRatio);
        if (global) PutTable(out, data.ColorTable, bits);
        if (FImage.Looping && FImage.FFrames.size() > 1) {
            const Byte loop[] = {'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1};
            out.insert(out.end(), std::begin(loop), std::end(loop));
            Put16(out, Cardinal(std::clamp<Integer>(FImage.RepeatCount, 0, 0xFFFF)));
            out.push_back(0);
        }
        for (const auto& f : FImage.FFrames) WriteFrame(out, *f);
        if (!data.Comment.empty()) {
            out.push_back('!');
            out.push_back(0xFE);
            for (const AnsiString& line : data.Comment) {
                if (line.empty()) continue;
                const std::size_t n = std::min<std::size_t>(line.size(), 255);
                out.push_back(Byte(n));
                out.insert(out.end(), line.begin(), line.begin() + std::ptrdiff_t(n));
            }
            out.push_back(0);
        }
        out.push_back(';');
        return out;
    }

private:
    // One graphic control block says what the frame's delay, transparent
    // colour and disposal are now; a block read with the frame is replaced,
    // not joined by a second one.
    void UpdateGraphicControl(TGIFFrame& Frame) {
        auto& list = Frame.FExtensions;
        auto at = list.end();
        Byte userInput = 0;
        for (auto it = list.begin(); it != list.end();) {
            if ((*it)->Kind() != ekGraphicControl) {
                ++it;
                continue;
            }
            if (at == list.end()) userInput = (*it)->Fixed[1] & 2;
            it = list.erase(it);
            at = it;
        }
        if (Frame.Delay == 0 && Frame.TransparentColor == clNone && Frame.Disposal == 0 && userInput == 0) return;
        auto e = std::make_unique<TExtension>(ekGraphicControl);
        const int index = Frame.TransparentColor == clNone ? -1 : IndexOf(Frame.FItem->ColorTable, Frame.TransparentColor);
        const Cardinal delay = Cardinal(std::clamp<Integer>(Frame.Delay / 10, 0, 0xFFFF));
        e->Fixed = {4, Byte((index >= 0 ? 1 : 0) | userInput | ((Frame.Disposal & 7) << 2)), Byte(delay),
                    Byte(delay >> 8), Byte(index >= 0 ? index : 0), 0};
        list.insert(at == list.end() ? list.begin() : at, std::move(e));
    }

    void WriteFrame(std::vector<Byte>& Out, const TGIFFrame& Frame) {
        for (const auto& e : Frame.FExtensions) {
            Out.push_back('!');
            Out.push_back(e->Label());
            Out.insert(Out.end(), e->Fixed.begin(), e->Fixed.end());
            if (e->Kind() == ekGraphicControl) continue;
            for (const AnsiString& block : e->SubBlocks) {
                const std::size_t n = std::min<std::size_t>(block.size(), 255);
                if (n == 0) continue;
                Out.push_back(Byte(n));
                Out.insert(Out.end(), block.begin(), block.begin() + std::ptrdiff_t(n));
            }
            Out.push_back(0);
        }
        const TGIFItem& item = *Frame.FItem;
        Out.push_back(',');
        Put16(Out, Cardinal(Frame.Left));
        Put16(Out, Cardinal(Frame.Top));
        Put16(Out, Cardinal(item.Width));
        Put16(Out, Cardinal(item.Height));
        Byte flags = Frame.Interlaced ? 0x40 : 0;
        if (Frame.OwnColorTable) flags |= Byte(0x80 + (item.BitsPerPixel - 1));
        Out.push_back(flags);
        if (Frame.OwnColorTable) PutTable(Out, item.ColorTable, item.BitsPerPixel);
        Out.insert(Out.end(), item.Encoded.begin(), item.Encoded.end());
    }

    TGIFImage& FImage;
};

void ReadGIF(TGIFImage& Image, const std::vector<Byte>& Data) { TGIFReader(Image, Data).Read(); }
std::vector<Byte> WriteGIF(TGIFImage& Image) { return TGIFWriter(Image).Write(); }

}  // namespace VmGIF

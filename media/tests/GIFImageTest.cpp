#include "media/GIFImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"

using namespace GIFImage;

namespace {

const std::string DataDir = std::string(VEMLOR_TEST_DATA) + "/gif/";
const std::string PixelTable = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::vector<Byte> ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<Byte>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void LoadBytes(TGIFImage& gif, const std::vector<Byte>& bytes) {
    TMemoryStream s;
    if (!bytes.empty()) s.WriteBuffer(bytes.data(), LongInt(bytes.size()));
    s.SetPosition(0);
    gif.LoadFromStream(&s);
}

std::vector<Byte> SaveBytes(TGIFImage& gif) {
    TMemoryStream s;
    gif.SaveToStream(&s);
    const Byte* p = static_cast<const Byte*>(s.Memory());
    return std::vector<Byte>(p, p + s.Size());
}

// What giflib's decoder reported for a file (see data/gif/README.md).
struct DumpFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<TGIFColor> map;  // local table, empty when none
    int transparent = -1;
    std::vector<Byte> pixels;
};
struct Dump {
    int width = 0, height = 0;
    std::vector<TGIFColor> screenMap;
    int loops = -1;
    std::string comment;
    std::vector<DumpFrame> frames;
};

Dump ReadDump(const std::string& path) {
    std::ifstream f(path);
    Dump d;
    std::string line;
    int pendingTransparent = -1;
    std::vector<TGIFColor>* map = nullptr;
    while (std::getline(f, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        std::string a, b;
        in >> a;
        if (a == "rgb" && map) {
            int r, g, bl;
            in >> r >> g >> bl;
            map->push_back(TGIFColor{Byte(r), Byte(g), Byte(bl)});
            continue;
        }
        if (a == "end") {
            map = nullptr;
            continue;
        }
        in >> b;
        if (a == "screen" && b == "width") in >> d.width;
        else if (a == "screen" && b == "height") in >> d.height;
        else if (a == "screen" && b == "map") map = &d.screenMap;
        else if (a == "netscape" && b == "loop") in >> d.loops;
        else if (a == "comment") {
            std::getline(f, line);
            d.comment = line;
        } else if (a == "transparent" && b == "index") in >> pendingTransparent;
        else if (a == "image" && b == "#") {
            d.frames.emplace_back();
            d.frames.back().transparent = pendingTransparent;
            pendingTransparent = -1;
        } else if (a == "image" && b == "left") in >> d.frames.back().left;
        else if (a == "image" && b == "top") in >> d.frames.back().top;
        else if (a == "image" && b == "interlaced") d.frames.back().interlaced = true;
        else if (a == "image" && b == "map") map = &d.frames.back().map;
        else if (a == "image" && b == "bits") {
            DumpFrame& fr = d.frames.back();
            std::string by;
            in >> fr.width >> by >> fr.height;
            for (int y = 0; y < fr.height; ++y) {
                std::getline(f, line);
                for (int x = 0; x < fr.width; ++x) fr.pixels.push_back(Byte(PixelTable.find(line.at(std::size_t(x)))));
            }
        }
    }
    return d;
}

template <class T>
T* FindExtension(TGIFSubImage* frame) {
    for (const auto& e : frame->Extensions())
        if (auto* t = dynamic_cast<T*>(e.get())) return t;
    return nullptr;
}

void ExpectMatchesDump(TGIFImage& gif, const Dump& d, const std::string& name) {
    SCOPED_TRACE(name);
    EXPECT_EQ(gif.Width(), d.width);
    EXPECT_EQ(gif.Height(), d.height);
    ASSERT_EQ(gif.Images().Count(), int(d.frames.size()));
    for (std::size_t i = 0; i < d.frames.size(); ++i) {
        TGIFSubImage* fr = gif.Images()[int(i)];
        const DumpFrame& want = d.frames[i];
        EXPECT_EQ(fr->Left(), want.left);
        EXPECT_EQ(fr->Top(), want.top);
        EXPECT_EQ(fr->Width(), want.width);
        EXPECT_EQ(fr->Height(), want.height);
        EXPECT_EQ(fr->Interlaced(), want.interlaced);
        EXPECT_EQ(fr->Data(), want.pixels) << "frame " << i;
        const std::vector<TGIFColor>& map = want.map.empty() ? d.screenMap : want.map;
        TGIFColorMap& active = fr->ActiveColorMap();
        ASSERT_EQ(active.Count(), int(map.size()));
        for (int c = 0; c < active.Count(); ++c) EXPECT_EQ(active.Entry(c), map[std::size_t(c)]);
        EXPECT_EQ(fr->Transparent(), want.transparent >= 0);
        if (want.transparent >= 0) {
            ASSERT_NE(fr->GraphicControlExtension(), nullptr);
            EXPECT_EQ(fr->GraphicControlExtension()->TransparentColorIndex(), want.transparent);
        }
    }
    if (d.loops >= 0) {
        auto* loop = FindExtension<TGIFAppExtNSLoop>(gif.Images()[0]);
        ASSERT_NE(loop, nullptr);
        EXPECT_EQ(loop->Loops(), d.loops);
    }
    if (!d.comment.empty()) {
        auto* c = FindExtension<TGIFCommentExtension>(gif.Images()[0]);
        ASSERT_NE(c, nullptr);
        std::string all;
        for (const auto& s : c->Comment()) all += s;
        EXPECT_EQ(all, d.comment);
    }
}

// Packs (code, size) pairs least significant bit first into sub-blocks.
std::vector<Byte> PackCodes(int minCodeSize, const std::vector<std::pair<int, int>>& codes) {
    std::vector<Byte> data;
    unsigned bucket = 0;
    int bits = 0;
    for (auto [code, size] : codes) {
        bucket |= unsigned(code) << bits;
        bits += size;
        while (bits >= 8) {
            data.push_back(Byte(bucket));
            bucket >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) data.push_back(Byte(bucket));
    std::vector<Byte> out{Byte(minCodeSize)};
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        out.push_back(Byte(n));
        out.insert(out.end(), data.begin() + std::ptrdiff_t(i), data.begin() + std::ptrdiff_t(i + n));
    }
    out.push_back(0);
    return out;
}

// A GIF with a 2-entry global table and one frame of w x h whose coded
// data is `lzw` (minimum code size byte, sub-blocks, terminator).
std::vector<Byte> OneFrameGif(int w, int h, const std::vector<Byte>& lzw, bool interlaced = false,
                              bool trailer = true) {
    std::vector<Byte> g{'G', 'I', 'F', '8', '9', 'a',
                        Byte(w), Byte(w >> 8), Byte(h), Byte(h >> 8),  // logical screen
                        0x80,                                          // global table of 2 << 0 entries
                        0, 0,                                          // background, aspect
                        0, 0, 0, 255, 255, 255,                        // black, white
                        0x2C, 0, 0, 0, 0,                              // image separator, left, top
                        Byte(w), Byte(w >> 8), Byte(h), Byte(h >> 8),  // width, height
                        Byte(interlaced ? 0x40 : 0)};                  // no local table
    g.insert(g.end(), lzw.begin(), lzw.end());
    if (trailer) g.push_back(0x3B);
    return g;
}

struct Warnings {
    std::vector<std::string> texts;
    TGIFWarning Handler() {
        return [this](TObject*, TGIFSeverity, const AnsiString& m) { texts.push_back(m); };
    }
    bool Has(const std::string& t) const { return std::find(texts.begin(), texts.end(), t) != texts.end(); }
};

std::string ErrorOf(const std::vector<Byte>& bytes) {
    TGIFImage gif;
    try {
        LoadBytes(gif, bytes);
    } catch (const GIFException& e) {
        return e.what();
    }
    return "";
}

}  // namespace

// ---------------------------------------------------------------------------
// Decoder

TEST(TGIFImageTest, ReadsToolFilesLikeGiflib) {
    for (const char* name : {"gifbuild_cs2", "gifbuild_frames", "gifsicle_anim", "gifsicle_interlaced"}) {
        TGIFImage gif;
        Warnings w;
        gif.OnWarning = w.Handler();
        LoadBytes(gif, ReadAll(DataDir + name + ".gif"));
        ExpectMatchesDump(gif, ReadDump(DataDir + name + ".dump"), name);
        EXPECT_TRUE(w.texts.empty()) << name << ": " << (w.texts.empty() ? "" : w.texts[0]);
    }
}

TEST(TGIFImageTest, ReadsEveryCodeSizeWithImageMagicksColours) {
    for (int bits = 3; bits <= 8; ++bits) {
        const std::string name = "magick_cs" + std::to_string(bits);
        TGIFImage gif;
        LoadBytes(gif, ReadAll(DataDir + name + ".gif"));
        const std::vector<Byte> rgb = ReadAll(DataDir + name + ".rgb");
        ASSERT_EQ(gif.Images().Count(), 1) << name;
        TGIFSubImage* fr = gif.Images()[0];
        ASSERT_EQ(std::size_t(fr->Width() * fr->Height() * 3), rgb.size()) << name;
        TGIFColorMap& map = fr->ActiveColorMap();
        for (std::size_t i = 0; i < fr->Data().size(); ++i) {
            const TGIFColor& c = map.Entry(fr->Data()[i]);
            ASSERT_EQ(c, (TGIFColor{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]})) << name << " pixel " << i;
        }
    }
}

TEST(TGIFImageTest, HandBuiltMinimalFile) {
    // 2 x 2 pixels, code size 2: clear(4) 1 0 1 at 3 bits; the third code
    // fills entry 7, so 0 and end(5) follow at 4 bits.
    const auto lzw = PackCodes(2, {{4, 3}, {1, 3}, {0, 3}, {1, 3}, {0, 4}, {5, 4}});
    TGIFImage gif;
    int progressEnd = -1;
    gif.OnProgress = [&](TObject*, TProgressStage stage, Byte pct, bool, const TRect&, const AnsiString& msg) {
        EXPECT_EQ(msg, "Loading...");
        if (stage == psEnding) progressEnd = pct;
    };
    LoadBytes(gif, OneFrameGif(2, 2, lzw));
    ASSERT_EQ(gif.Images().Count(), 1);
    EXPECT_EQ(gif.Images()[0]->Data(), (std::vector<Byte>{1, 0, 1, 0}));
    EXPECT_EQ(gif.Images()[0]->ActiveColorMap().Colors(1), clWhite);
    EXPECT_EQ(progressEnd, 100);
}

TEST(TGIFImageTest, AcceptsLengthPrefixLowerCaseSignatureZerosAndNoTrailer) {
    const auto lzw = PackCodes(2, {{4, 3}, {1, 3}, {5, 3}});
    auto plain = OneFrameGif(1, 1, lzw);
    auto prefixed = plain;
    prefixed.insert(prefixed.begin(), {Byte(plain.size()), 0, 0, 0});
    auto lower = plain;
    lower[0] = 'g', lower[1] = 'i', lower[2] = 'f', lower[3] = 'x';
    auto zeros = plain;
    zeros.insert(zeros.end() - 1, {0, 0, 0});
    for (const auto& bytes : {prefixed, lower, zeros, OneFrameGif(1, 1, lzw, false, false)}) {
        TGIFImage gif;
        Warnings w;
        gif.OnWarning = w.Handler();
        LoadBytes(gif, bytes);
        ASSERT_EQ(gif.Images().Count(), 1);
        EXPECT_EQ(gif.Images()[0]->Data()[0], 1);
        EXPECT_TRUE(w.texts.empty());
    }
    EXPECT_EQ(ErrorOf({'P', 'N', 'G', 1, 2, 3, 4, 5, 6, 7}), "Invalid GIF signature");
}

TEST(TGIFImageTest, ShortDataOrClearThenEndKeepsTheFillValue) {
    {
        const auto lzw = PackCodes(2, {{4, 3}, {1, 3}});  // one pixel, then the data ends
        TGIFImage gif;
        Warnings w;
        gif.OnWarning = w.Handler();
        LoadBytes(gif, OneFrameGif(3, 1, lzw));
        EXPECT_EQ(gif.Images()[0]->Data(), (std::vector<Byte>{1, 0, 0}));
    }
    {
        // Clear, then end at once: the frame ends with no pixel decoded, so
        // it keeps the fill value and can be saved and read back.
        const auto lzw = PackCodes(2, {{4, 3}, {5, 3}});
        TGIFImage gif;
        LoadBytes(gif, OneFrameGif(2, 1, lzw));
        EXPECT_EQ(gif.Images()[0]->Data(), (std::vector<Byte>{0, 0}));
        TGIFImage again;
        LoadBytes(again, SaveBytes(gif));
        EXPECT_EQ(again.Images()[0]->Data(), (std::vector<Byte>{0, 0}));
    }
}

TEST(TGIFImageTest, InterlacedRowsArriveInPassOrder) {
    // 1 x 3 interlaced: stored rows are 0, 2, 1.
    const auto lzw = PackCodes(2, {{4, 3}, {0, 3}, {1, 3}, {1, 3}, {5, 4}});
    TGIFImage gif;
    LoadBytes(gif, OneFrameGif(1, 3, lzw, true));
    EXPECT_EQ(gif.Images()[0]->Data(), (std::vector<Byte>{0, 1, 1}));
    const auto lzw2 = PackCodes(2, {{4, 3}, {1, 3}, {0, 3}, {0, 3}, {5, 4}});
    TGIFImage gif2;
    LoadBytes(gif2, OneFrameGif(1, 3, lzw2, true));
    EXPECT_EQ(gif2.Images()[0]->Data(), (std::vector<Byte>{1, 0, 0}));
}

TEST(TGIFImageTest, TableEntriesPointingAtEachOtherAreRejected) {
    // Entries 10 and 11 end up naming each other as prefix; asking for 10
    // must stop with an error instead of running past the decode stack.
    const auto lzw = PackCodes(2, {{4, 3}, {0, 3}, {0, 3}, {0, 3}, {0, 4}, {11, 4}, {10, 4}, {0, 4}, {10, 4}, {5, 4}});
    EXPECT_EQ(ErrorOf(OneFrameGif(40, 1, lzw)), "Circular decoder table entry");
    // A self-loop: entry 7 names itself.
    const auto self = PackCodes(2, {{4, 3}, {0, 3}, {7, 3}, {6, 3}, {7, 4}, {5, 4}});
    EXPECT_EQ(ErrorOf(OneFrameGif(40, 1, self)), "Circular decoder table entry");
}

TEST(TGIFImageTest, RejectsCodeSizeAboveElevenAndHugeFrames) {
    std::vector<Byte> lzw{12, 1, 0, 0};
    EXPECT_NE(ErrorOf(OneFrameGif(1, 1, lzw)).find("Invalid LZW code size 12"), std::string::npos);
    const auto ok = PackCodes(2, {{4, 3}, {5, 3}});
    EXPECT_NE(ErrorOf(OneFrameGif(65535, 65535, ok)).find("exceeds the limit"), std::string::npos);
    // Many frames that are each allowed still hit the total.
    const Int64 saved = TGIFImage::MaxTotalPixels;
    TGIFImage::MaxTotalPixels = 100;
    auto two = OneFrameGif(8, 8, ok, false, false);
    const std::vector<Byte> second(two.begin() + 19, two.end());
    two.insert(two.end(), second.begin(), second.end());
    EXPECT_NE(ErrorOf(two).find("in total"), std::string::npos);
    TGIFImage::MaxTotalPixels = saved;
}

TEST(TGIFImageTest, ErrorRewindsTheStreamAndKeepsEarlierFrames) {
    const auto ok = PackCodes(2, {{4, 3}, {1, 3}, {5, 3}});
    auto bytes = OneFrameGif(1, 1, ok, false, false);
    bytes.insert(bytes.end(), {0x21, 0x77, 0});  // unknown extension label
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), LongInt(bytes.size()));
    s.SetPosition(0);
    TGIFImage gif;
    EXPECT_THROW(gif.LoadFromStream(&s), GIFException);
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(gif.Images().Count(), 1);
}

TEST(TGIFImageTest, ExtensionsAndTheirEdgeCases) {
    const auto ok = PackCodes(2, {{4, 3}, {1, 3}, {5, 3}});
    auto frame = OneFrameGif(1, 1, ok);
    const std::vector<Byte> head(frame.begin(), frame.begin() + 19);
    const std::vector<Byte> image(frame.begin() + 19, frame.end());
    auto build = [&](const std::vector<Byte>& ext, bool withImage = true) {
        auto g = head;
        g.insert(g.end(), ext.begin(), ext.end());
        if (withImage) g.insert(g.end(), image.begin(), image.end());
        return g;
    };
    {
        // Loop extension with a buffer-size sub-block; an unknown application kept verbatim.
        TGIFImage gif;
        LoadBytes(gif, build({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
                              3, 1, 5, 0, 5, 2, 0x10, 0, 0, 0, 0,
                              0x21, 0xFF, 11, 'X', 'Y', 'Z', 'A', 'P', 'P', 'I', 'D', '1', '.', '0', 2, 7, 8, 0,
                              0x21, 0x01, 12, 1, 0, 2, 0, 3, 0, 4, 0, 5, 6, 7, 8, 2, 'h', 'i', 0}));
        TGIFSubImage* f = gif.Images()[0];
        ASSERT_EQ(f->Extensions().Count(), 3);
        auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(f->Extensions()[0]);
        ASSERT_NE(loop, nullptr);
        EXPECT_EQ(loop->Loops(), 5);
        EXPECT_EQ(loop->BufferSize(), 16u);
        auto* unknown = dynamic_cast<TGIFUnknownAppExtension*>(f->Extensions()[1]);
        ASSERT_NE(unknown, nullptr);
        EXPECT_EQ(unknown->Blocks(), (std::vector<std::vector<Byte>>{{7, 8}}));
        auto* text = dynamic_cast<TGIFTextExtension*>(f->Extensions()[2]);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->Block().CellWidth, 5);
        EXPECT_EQ(text->Text(), (std::vector<AnsiString>{"hi"}));
        // Written back and read again, the extensions are unchanged.
        TGIFImage again;
        LoadBytes(again, SaveBytes(gif));
        auto* loop2 = dynamic_cast<TGIFAppExtNSLoop*>(again.Images()[0]->Extensions()[0]);
        ASSERT_NE(loop2, nullptr);
        EXPECT_EQ(loop2->BufferSize(), 16u);
        EXPECT_EQ(dynamic_cast<TGIFUnknownAppExtension*>(again.Images()[0]->Extensions()[1])->Blocks(),
                  unknown->Blocks());
    }
    {
        // The stream ends inside the loop extension's sub-blocks: that is its end.
        TGIFImage gif;
        Warnings w;
        gif.OnWarning = w.Handler();
        LoadBytes(gif, build({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3}, false));
        ASSERT_EQ(gif.Images().Count(), 1);
        EXPECT_EQ(gif.Images()[0]->Extensions().Count(), 1);
    }
    EXPECT_EQ(ErrorOf(build({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 2, 1, 0, 0})),
              "Invalid GIF data");
    EXPECT_EQ(ErrorOf(build({0x21, 0xFF, 5, 1, 2, 3, 4, 5, 0})), "Unsupported Application Extension block size");
    EXPECT_EQ(ErrorOf(build({0x21, 0x01, 12, 1, 2})), "Premature end of data");
    {
        // A short graphic control block warns; a stray byte ends the extension list.
        TGIFImage gif;
        Warnings w;
        gif.OnWarning = w.Handler();
        LoadBytes(gif, build({0x21, 0xF9, 4, 1, 0}, false));
        EXPECT_TRUE(w.Has("Premature end of data"));
    }
}

TEST(TGIFImageTest, WarningsForZeroSizedFramesAndBadTrailer) {
    const auto ok = PackCodes(2, {{4, 3}, {1, 3}, {1, 3}, {5, 3}});
    auto bytes = OneFrameGif(2, 1, ok, false, false);
    bytes[23] = 0, bytes[24] = 0;  // frame width 0: takes the screen's
    bytes.push_back('x');
    TGIFImage gif;
    Warnings w;
    gif.OnWarning = w.Handler();
    LoadBytes(gif, bytes);
    EXPECT_TRUE(w.Has("Image exceeds Logical Screen size"));
    EXPECT_TRUE(w.Has("Unknown GIF block type"));
    EXPECT_TRUE(w.Has("Invalid Image trailer"));
    EXPECT_EQ(gif.Images()[0]->Width(), 2);
    EXPECT_EQ(gif.Images()[0]->Data(), (std::vector<Byte>{1, 1}));
}

// ---------------------------------------------------------------------------
// Colour tables

TEST(TGIFColorMapTest, FindAddAndSortByUse) {
    TGIFImage gif;
    TGIFColorMap& map = gif.GlobalColorMap();
    EXPECT_EQ(map.Add(clRed), 0);
    EXPECT_EQ(map.Add(clLime), 1);
    EXPECT_EQ(map.Add(clRed), 2);
    EXPECT_EQ(map.IndexOf(clRed), 2);  // unsorted: the last match
    EXPECT_EQ(map.AddUnique(clBlue), 3);
    EXPECT_EQ(map.Capacity(), 16);
    EXPECT_EQ(map.BitsPerPixel(), 2);
    EXPECT_THROW(map.Delete(9), GIFException);
    auto frame = std::make_unique<TGIFSubImage>(&gif);
    frame->SetSize(4, 1);
    frame->Data() = {3, 3, 1, 3};
    gif.Images().Add(std::move(frame));
    EXPECT_TRUE(map.SortByUse());
    EXPECT_EQ(map.Count(), 2);  // unused entries are dropped
    EXPECT_EQ(map.Colors(0), clBlue);
    EXPECT_EQ(gif.Images()[0]->Data(), (std::vector<Byte>{0, 0, 1, 0}));
    EXPECT_TRUE(map.Optimized());
    EXPECT_EQ(map.Colors(7), clBlue);  // out of range: warning and entry 0
    map.Clear();
    EXPECT_THROW(map.Colors(0), GIFException);
    for (int i = 0; i < 256; ++i) map.Add(RGB(i, 0, 0));
    EXPECT_EQ(map.Capacity(), 256);
    EXPECT_THROW(map.Add(clWhite), GIFException);
    TPaletteOwner p(map.ExportPalette());
    EXPECT_EQ(PaletteEntryCount(p.get()), 256);
    EXPECT_EQ(p->Entries[5].peFlags, PC_NOCOLLAPSE);
}

// ---------------------------------------------------------------------------
// Encoder

namespace {

std::vector<Byte> Encode(TGIFCompression c, int bits, int colors, const std::vector<Byte>& px, bool interlaced, int h,
                         int w) {
    TMemoryStream s;
    EncodeFrame(&s, c, bits, colors, px.data(), interlaced, h, w);
    const Byte* p = static_cast<const Byte*>(s.Memory());
    return std::vector<Byte>(p, p + s.Size());
}

std::vector<Byte> Decode(const std::vector<Byte>& lzw, int w, int h, bool interlaced = false) {
    TMemoryStream s;
    s.WriteBuffer(lzw.data(), LongInt(lzw.size()));
    s.SetPosition(0);
    std::vector<Byte> px(std::size_t(w) * std::size_t(h), 0xEE);
    TGIFImage owner;
    TGIFHeader item(&owner);
    DecodeLZW(&s, &item, px, w, h, interlaced);
    EXPECT_EQ(s.Position(), s.Size());
    return px;
}

// A picture with runs and noise, so both coders meet every situation.
std::vector<Byte> Picture(int w, int h, int colors, unsigned salt) {
    std::mt19937 rng(salt);
    std::vector<Byte> px(std::size_t(w) * std::size_t(h));
    for (std::size_t i = 0; i < px.size(); ++i) {
        const int kind = int(rng() % 4);
        px[i] = kind == 0 ? Byte(rng() % unsigned(colors)) : i ? px[i - 1] : 0;
    }
    return px;
}

}  // namespace

TEST(TGIFEncoderTest, OnePixelFrameHasTheKnownBytes) {
    EXPECT_EQ(Encode(gcLZW, 2, 4, {0}, false, 1, 1), (std::vector<Byte>{0x02, 0x02, 0x44, 0x01, 0x00}));
    // 1 or 2 colours still write minimum code size 2.
    EXPECT_EQ(Encode(gcLZW, 1, 2, {1}, false, 1, 1)[0], 2);
    EXPECT_EQ(Encode(gcRLE, 1, 2, {1}, false, 1, 1)[0], 2);
}

TEST(TGIFEncoderTest, InterlacedFrameIsWrittenInPassOrder) {
    const std::vector<Byte> px{0, 1, 2};  // 1 x 3
    const auto coded = Encode(gcLZW, 2, 4, px, true, 3, 1);
    EXPECT_EQ(Decode(coded, 1, 3, false), (std::vector<Byte>{0, 2, 1}));
    EXPECT_EQ(Decode(coded, 1, 3, true), px);
}

TEST(TGIFEncoderTest, BothCodersRoundTripThroughTheDecoder) {
    for (TGIFCompression c : {gcLZW, gcRLE})
        for (int colors : {2, 3, 16, 200, 256})
            for (bool interlaced : {false, true}) {
                int bits = 1;
                while ((1 << bits) < colors) ++bits;
                const int w = 97, h = 61;
                const auto px = Picture(w, h, colors, unsigned(colors * 7 + int(c)));
                const auto coded = Encode(c, bits, colors, px, interlaced, h, w);
                EXPECT_EQ(Decode(coded, w, h, interlaced), px) << c << " " << colors << " " << interlaced;
            }
}

TEST(TGIFEncoderTest, LongRunsAndNoiseKeepCodingCorrectly) {
    // A single colour over 300000 pixels drives the run-length coder through
    // its table limits; 256-colour noise fills the LZW hash table.
    const std::vector<Byte> flat(300000, 3);
    for (TGIFCompression c : {gcLZW, gcRLE}) EXPECT_EQ(Decode(Encode(c, 2, 4, flat, false, 600, 500), 500, 600), flat);
    std::mt19937 rng(5);
    std::vector<Byte> noise(400 * 400);
    for (Byte& b : noise) b = Byte(rng());
    for (TGIFCompression c : {gcLZW, gcRLE}) EXPECT_EQ(Decode(Encode(c, 8, 256, noise, false, 400, 400), 400, 400), noise);
}

TEST(TGIFEncoderTest, ColourOutsideTheTableFailsAndLeavesTheTargetEmpty) {
    TGIFImage gif;
    gif.Header().SetWidth(2);
    gif.Header().SetHeight(1);
    auto frame = std::make_unique<TGIFSubImage>(&gif);
    frame->SetSize(2, 1);
    frame->ColorMap().Add(clBlack);
    frame->ColorMap().Add(clWhite);
    frame->ColorMap().Add(clRed);
    frame->Data() = {2, 3};
    gif.Images().Add(std::move(frame));
    TMemoryStream s;
    try {
        gif.SaveToStream(&s);
        ADD_FAILURE();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Color not in color table");
    }
    EXPECT_EQ(s.Size(), 0);
    TGIFImage none;
    EXPECT_THROW(SaveBytes(none), GIFException);
}

TEST(TGIFEncoderTest, LocalTableAndCommentLayout) {
    TGIFImage gif;
    gif.Header().SetWidth(1);
    gif.Header().SetHeight(1);
    auto frame = std::make_unique<TGIFSubImage>(&gif);
    frame->SetSize(1, 1);
    frame->ColorMap().Add(clBlack);
    frame->ColorMap().Add(clWhite);
    frame->ColorMap().Add(clRed);
    auto comment = std::make_unique<TGIFCommentExtension>(frame.get());
    comment->Comment().push_back(AnsiString(300, 'c'));
    frame->Extensions().Add(std::move(comment));
    gif.Images().Add(std::move(frame));
    const auto bytes = SaveBytes(gif);
    ASSERT_GT(bytes.size(), 340u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    EXPECT_EQ(bytes[10] & 0x80, 0);  // no global table
    // comment: "!", 0xFE, 255 bytes, 45 bytes, 0
    EXPECT_EQ(bytes[13], 0x21);
    EXPECT_EQ(bytes[14], 0xFE);
    EXPECT_EQ(bytes[15], 255);
    EXPECT_EQ(bytes[15 + 256], 45);
    EXPECT_EQ(bytes[15 + 256 + 46], 0);
    const std::size_t desc = 15 + 256 + 47;
    EXPECT_EQ(bytes[desc], 0x2C);
    EXPECT_EQ(bytes[desc + 9], 0x81);  // local table, size bits 1
    EXPECT_EQ(std::vector<Byte>(bytes.begin() + std::ptrdiff_t(desc + 10), bytes.begin() + std::ptrdiff_t(desc + 22)),
              (std::vector<Byte>{0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0, 0}));
    TGIFImage back;
    LoadBytes(back, bytes);
    EXPECT_EQ(back.Images()[0]->ColorMap().Count(), 4);
}

TEST(TGIFEncoderTest, GiflibReadsWhatWeWrite) {
    if (!std::filesystem::exists("/usr/bin/gifbuild")) GTEST_SKIP() << "giflib-tools not installed";
    std::filesystem::create_directories(VEMLOR_TEST_OUTPUT);
    for (TGIFCompression c : {gcLZW, gcRLE})
        for (bool interlaced : {false, true}) {
            TGIFImage gif;
            gif.SetCompression(c);
            gif.Header().SetWidth(37);
            gif.Header().SetHeight(23);
            for (int i = 0; i < 50; ++i) gif.GlobalColorMap().Add(RGB(i * 5, 255 - i * 3, i * 2));
            auto frame = std::make_unique<TGIFSubImage>(&gif);
            frame->SetSize(37, 23);
            frame->SetInterlaced(interlaced);
            frame->Data() = Picture(37, 23, 50, 11);
            gif.Images().Add(std::move(frame));
            const std::string path = std::string(VEMLOR_TEST_OUTPUT) + "/gif_encoder_" + std::to_string(int(c)) +
                                     (interlaced ? "i" : "") + ".gif";
            const auto bytes = SaveBytes(gif);
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            const std::string dump = path + ".dump";
            const std::string cmd = "/usr/bin/gifbuild -d -t " + PixelTable + " " + path + " > " + dump + " 2>&1";
            ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
            const Dump d = ReadDump(dump);
            ASSERT_EQ(d.frames.size(), 1u);
            EXPECT_EQ(d.frames[0].pixels, gif.Images()[0]->Data()) << c << interlaced;
            TGIFImage back;
            LoadBytes(back, bytes);
            EXPECT_EQ(back.Images()[0]->Data(), gif.Images()[0]->Data());
        }
}

TEST(TGIFImageTest, DrawsAndAssignsFrameZeroToBitmaps) {
    TGIFImage gif;
    LoadBytes(gif, ReadAll(DataDir + "gifsicle_anim.gif"));
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(gif.Width(), gif.Height());
    target.Canvas()->Draw(0, 0, &gif);
    TGIFSubImage* f0 = gif.Images()[0];
    const TGIFColor c = f0->ActiveColorMap().Entry(f0->Pixel(3, 2));
    EXPECT_EQ(target.GetPixel(3, 2), RGB(c.Red, c.Green, c.Blue));
    TBitmap assigned;
    assigned.Assign(&gif);
    EXPECT_EQ(assigned.PixelFormat(), pf8bit);
    EXPECT_EQ(assigned.Width(), gif.Width());
    EXPECT_EQ(assigned.GetPixel(3, 2), target.GetPixel(3, 2));
}

TEST(TGIFImageTest, EveryKeptFileLoadsAndReadsBackAfterWriting) {
    // data/gif holds the samples (the fuzzers' starting inputs) and every input that
    // ever crashed a GIF fuzz target ("fuzz_*"). Each loads or is refused
    // with the codec's error, and what loads is written with both coders
    // and reads back the same.
    int finds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(DataDir)) {
        if (entry.path().extension() != ".gif") continue;
        const std::string name = entry.path().filename().string();
        finds += name.rfind("fuzz_", 0) == 0;
        TGIFImage gif;
        gif.OnWarning = [](TObject*, TGIFSeverity, const AnsiString&) {};
        try {
            LoadBytes(gif, ReadAll(entry.path().string()));
        } catch (const EInvalidGraphic&) {
            continue;
        }
        for (TGIFCompression c : {gcLZW, gcRLE}) {
            gif.SetCompression(c);
            TGIFImage again;
            again.OnWarning = gif.OnWarning;
            EXPECT_NO_THROW(LoadBytes(again, SaveBytes(gif))) << name;
            ASSERT_EQ(again.Images().Count(), gif.Images().Count()) << name;
            for (int i = 0; i < gif.Images().Count(); ++i)
                EXPECT_EQ(again.Images()[i]->Data(), gif.Images()[i]->Data()) << name << " frame " << i;
        }
    }
    EXPECT_GE(finds, 1);
}

TEST(TGIFHashTableTest, AFullProbePathEndsTheSearch) {
    // Fill every cell on the probe path of cell 1 with keys homed there;
    // lookups and inserts of further keys on that path must still return.
    std::vector<bool> onPath(TGIFHashTable::Size, false);
    int pathLength = 0;
    for (int h = 1; !onPath[std::size_t(h)]; h = TGIFHashTable::Next(h)) {
        onPath[std::size_t(h)] = true;
        ++pathLength;
    }
    EXPECT_LT(pathLength, TGIFHashTable::Size - 1);
    TGIFHashTable table;
    int stored = 0;
    Cardinal key = 0;
    Cardinal refused = 0;
    for (; key < (1u << 20); ++key) {
        if (!onPath[std::size_t(TGIFHashTable::Home(key))]) continue;
        if (!table.Insert(key, stored & 0xFFF)) {
            refused = key;
            break;
        }
        ++stored;
    }
    EXPECT_EQ(stored, pathLength);
    EXPECT_NE(refused, 0u);
    EXPECT_EQ(table.Lookup(refused), -1);
    EXPECT_EQ(table.Lookup(0), -1);  // cell 0 is not on the path and stays empty
}

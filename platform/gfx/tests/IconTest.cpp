#include "platform/gfx/Icon.h"

#include <gtest/gtest.h>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/tests/IconFiles.h"
#include "platform/rtl/Exceptions.h"

using namespace icon_files;

namespace {

constexpr TColor Background = RGB(1, 2, 3);

std::unique_ptr<TBitmap> DrawnOnBackground(TGraphic& Graphic, int Width, int Height) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(Width, Height);
    b->Canvas()->Brush()->SetColor(Background);
    b->Canvas()->FillRect(Rect(0, 0, Width, Height));
    b->Canvas()->Draw(0, 0, &Graphic);
    return b;
}

void LoadBytes(TIcon& Icon, const std::vector<Byte>& Bytes) {
    TMemoryStream s;
    if (!Bytes.empty()) s.WriteBuffer(Bytes.data(), LongInt(Bytes.size()));
    s.SetPosition(0);
    Icon.LoadFromStream(&s);
}

}  // namespace

TEST(TIconTest, DrawsWhatIcotoolMakesAtEveryDepth) {
    if (!HaveTools()) GTEST_SKIP() << "icoutils or imagemagick not installed";
    const struct {
        int Bits, Colors;
    } cases[] = {{1, 1}, {4, 15}, {8, 200}, {24, 1000}, {32, 1000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Bits);
        const TRgbaPicture picture = Pattern(21, 13, c.Colors);
        const std::vector<Byte> file = MakeIconFile({picture}, c.Bits, "gfx_icon_" + std::to_string(c.Bits) + ".ico");
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(file[12], c.Bits) << "the depth asked for";
        TIcon icon;
        LoadBytes(icon, file);
        ASSERT_EQ(icon.Width(), 21);
        ASSERT_EQ(icon.Height(), 13);
        const auto drawn = DrawnOnBackground(icon, 21, 13);
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 21; ++x)
                ASSERT_EQ(drawn->GetPixel(x, y), picture.Opaque(x, y) ? picture.Color(x, y) : Background) << x << "," << y;
    }
}

TEST(TIconTest, IcotoolReadsWhatWeWrite) {
    if (!HaveTools()) GTEST_SKIP() << "icoutils or imagemagick not installed";
    const TRgbaPicture picture = Pattern(19, 7, 1000);
    TIconInfo info;
    info.Color = std::make_unique<TBitmap>();
    info.Color->SetPixelFormat(pf24bit);
    info.Color->SetSize(19, 7);
    info.Mask = std::make_unique<TBitmap>();
    info.Mask->SetPixelFormat(pf1bit);
    info.Mask->SetSize(19, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 19; ++x) {
            info.Color->SetPixel(x, y, picture.Opaque(x, y) ? picture.Color(x, y) : clBlack);
            info.Mask->SetPixelValue(x, y, picture.Opaque(x, y) ? 0 : 1);
        }
    TIcon icon;
    icon.SetHandle(CreateIconIndirect(info));
    const std::string path = OutPath("gfx_written.ico");
    icon.SaveToFile(path);
    EXPECT_EQ(ListIconFile(path), "--icon --index=1 --width=19 --height=7 --bit-depth=24 --palette-size=0\n");
    ASSERT_EQ(RunTool("icotool -x -o " + path + ".png " + path), 0);
    const TRgbaPicture back = ReadPng(path + ".png", 19, 7);
    ASSERT_EQ(back.Rgba.size(), picture.Rgba.size());
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 19; ++x) {
            ASSERT_EQ(back.Opaque(x, y), picture.Opaque(x, y)) << x << "," << y;
            if (picture.Opaque(x, y)) {
                ASSERT_EQ(back.Color(x, y), picture.Color(x, y)) << x << "," << y;
            }
        }
    TIcon reread;
    reread.LoadFromFile(path);
    EXPECT_EQ(DrawnOnBackground(reread, 19, 7)->SaveToBytes(), DrawnOnBackground(icon, 19, 7)->SaveToBytes());
}

TEST(TIconTest, TakesTheImageNearestTheSystemSize) {
    if (!HaveTools()) GTEST_SKIP() << "icoutils or imagemagick not installed";
    const auto file = MakeIconFile({Pattern(16, 16, 4), Pattern(48, 48, 4), Pattern(30, 30, 4), Pattern(34, 34, 4)},
                                   8, "gfx_sizes.ico");
    ASSERT_FALSE(file.empty());
    TIcon icon;
    LoadBytes(icon, file);
    EXPECT_EQ(icon.Width(), 30);  // 30 and 34 are as near; the first wins
    TMemoryStream out;
    icon.SaveToStream(&out);
    EXPECT_EQ(out.Size(), Int64(file.size())) << "a loaded file is written back whole";
}

TEST(TIconTest, DamagedFilesRaiseAndLeaveTheIconAsItWas) {
    // One 2 x 2 image of 1 bit per pixel, built by hand.
    std::vector<Byte> file = {
        0, 0, 1, 0, 1, 0,                   // reserved, type 1, one image
        2, 2, 2, 0, 1, 0, 1, 0,             // 2 x 2, 2 colours, planes 1, 1 bit
        64, 0, 0, 0, 22, 0, 0, 0,           // 64 bytes at offset 22
        40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0,  // header size, width 2, height 2 x 2
        1, 0, 1, 0, 0, 0, 0, 0,             // planes, 1 bit, no compression
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 255, 0, 0, 0, 0, 0,           // red, black
        0x40, 0, 0, 0, 0x40, 0, 0, 0,       // colour rows (bottom-up): red black, red black
        0x40, 0, 0, 0, 0, 0, 0, 0};         // mask rows: bottom row's right pixel see-through
    ASSERT_EQ(file.size(), 86u);
    TIcon icon;
    LoadBytes(icon, file);
    const auto good = DrawnOnBackground(icon, 2, 2);
    EXPECT_EQ(good->GetPixel(0, 0), clRed);
    EXPECT_EQ(good->GetPixel(1, 0), clBlack);
    EXPECT_EQ(good->GetPixel(0, 1), clRed);
    EXPECT_EQ(good->GetPixel(1, 1), Background);
    for (std::size_t n = 0; n < file.size(); ++n) {
        EXPECT_THROW(LoadBytes(icon, std::vector<Byte>(file.begin(), file.begin() + std::ptrdiff_t(n))), EInvalidGraphic)
            << n;
    }
    const auto damaged = [&](std::size_t at, Byte value) {
        std::vector<Byte> d = file;
        d[at] = value;
        return d;
    };
    EXPECT_THROW(LoadBytes(icon, damaged(2, 2)), EInvalidGraphic);     // a cursor file
    EXPECT_THROW(LoadBytes(icon, damaged(18, 4)), EInvalidGraphic);    // image inside the directory
    EXPECT_THROW(LoadBytes(icon, damaged(14, 65)), EInvalidGraphic);   // image beyond the end
    EXPECT_THROW(LoadBytes(icon, damaged(30, 3)), EInvalidGraphic);    // odd header height
    EXPECT_THROW(LoadBytes(icon, damaged(36, 2)), EInvalidGraphic);    // 2 bits per pixel
    EXPECT_THROW(LoadBytes(icon, damaged(54, 3)), EInvalidGraphic);    // 3 colours used at 1 bit
    EXPECT_THROW(LoadBytes(icon, damaged(30, 6)), EInvalidGraphic);    // three rows do not fit
    EXPECT_EQ(DrawnOnBackground(icon, 2, 2)->SaveToBytes(), good->SaveToBytes());
}

namespace {

void Big32(std::vector<Byte>& Out, Cardinal Value) {
    for (int shift = 24; shift >= 0; shift -= 8) Out.push_back(Byte(Value >> shift));
}

// A PNG chunk: data length (or the length it claims), type, data, and the
// CRC-32 of type and data.
std::vector<Byte> PngChunk(const char* Type, const std::vector<Byte>& Data, std::int64_t Claimed = -1) {
    std::vector<Byte> out;
    Big32(out, Cardinal(Claimed < 0 ? std::int64_t(Data.size()) : Claimed));
    out.insert(out.end(), Type, Type + 4);
    out.insert(out.end(), Data.begin(), Data.end());
    static const std::vector<Cardinal> table = [] {
        std::vector<Cardinal> t(256);
        for (Cardinal n = 0; n < 256; ++n) {
            Cardinal c = n;
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320 & (0 - (c & 1)));
            t[n] = c;
        }
        return t;
    }();
    Cardinal crc = 0xFFFFFFFF;
    for (std::size_t i = 4; i < out.size(); ++i) crc = table[(crc ^ out[i]) & 0xFF] ^ (crc >> 8);
    Big32(out, ~crc);
    return out;
}

// A 1 x 1 PNG of one RGBA pixel, with Extra chunks between its image data
// and its end (which is left out without End).
std::vector<Byte> OnePixelPng(const std::vector<std::vector<Byte>>& Extra, bool End = true) {
    std::vector<Byte> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const auto add = [&](const std::vector<Byte>& c) { png.insert(png.end(), c.begin(), c.end()); };
    add(PngChunk("IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0}));  // 1 x 1, 8 bits, RGBA
    // zlib, one stored block of 5 bytes (filter none, red, green, blue,
    // alpha), its Adler-32.
    add(PngChunk("IDAT", {0x78, 0x01, 0x01, 0x05, 0x00, 0xFA, 0xFF, 0, 0x10, 0x20, 0x30, 0xFF, 0x02, 0x04, 0x01,
                          0x60}));
    for (const auto& c : Extra) add(c);
    if (End) add(PngChunk("IEND", {}));
    return png;
}

// An icon file of one image stored as PNG.
std::vector<Byte> PngIcon(const std::vector<Byte>& Png) {
    std::vector<Byte> file = {0, 0, 1, 0, 1, 0, 1, 1, 0, 0, 1, 0, 32, 0};  // one 1 x 1 icon, 32 bits
    for (int i = 0; i < 4; ++i) file.push_back(Byte(Png.size() >> (8 * i)));
    file.insert(file.end(), {22, 0, 0, 0});
    file.insert(file.end(), Png.begin(), Png.end());
    return file;
}

}  // namespace

TEST(TIconTest, PngImagesWhoseChunksClaimTooMuchAreRefusedBeforeDecoding) {
    const std::vector<Byte> text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'};
    TIcon icon;
    // Text chunks are passed over: a picture with one loads.
    LoadBytes(icon, PngIcon(OnePixelPng({PngChunk("tEXt", text)})));
    EXPECT_EQ(DrawnOnBackground(icon, 1, 1)->GetPixel(0, 0), RGB(0x10, 0x20, 0x30));

    // 2.3 KB whose last chunk claims 1.8 GB: the decoder set it all aside
    // before finding the data short.
    std::vector<Byte> huge = PngChunk("tEXt", std::vector<Byte>(2200, 'x'), 1800000000);
    huge.resize(huge.size() - 4);  // no CRC: the data ends inside the chunk
    const std::vector<Byte> big(4 * 1024 * 1024 + 1, 0);
    const struct {
        const char* What;
        std::vector<Byte> Png;
        std::vector<const char*> Says;
    } cases[] = {
        {"a chunk past the data", OnePixelPng({huge}, false), {"tEXt", "1800000000", "2196"}},
        {"a compressed text larger than any picture's", OnePixelPng({PngChunk("zTXt", big)}), {"zTXt", "4194304"}},
        {"no end", OnePixelPng({}, false), {"IEND"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const AnsiString message = MessageOf([&] { LoadBytes(icon, PngIcon(c.Png)); });
        for (const char* s : c.Says) EXPECT_NE(message.find(s), AnsiString::npos) << message;
    }
    EXPECT_EQ(icon.Width(), 1) << "the icon is as it was";
}

TEST(IconHandleTest, MonochromeImagesKeepOrInvertTheBackground) {
    // 1 bit, black and white: AND 1 + XOR 0 keeps, AND 1 + XOR 1 inverts,
    // AND 0 paints the XOR colour.
    const std::vector<Byte> image = {
        40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 1, 0,  // 4 x 1, 1 bit
        0, 0, 0, 0, 8, 0, 0, 0,                            // no compression, 8 bytes of bits
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 0, 255, 255, 255, 0,                      // black, white
        0x50, 0, 0, 0,                                     // XOR 0 1 0 1
        0x30, 0, 0, 0};                                    // AND 0 0 1 1
    const TIconOwner icon(CreateIconFromResource(image.data(), image.size(), true));
    TIconInfo info;
    ASSERT_TRUE(GetIconInfo(icon.get(), info));
    EXPECT_EQ(info.Color, nullptr);
    EXPECT_EQ(info.Mask->Height(), 2);
    EXPECT_EQ(IconSize(icon.get()), Point(4, 1));
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(4, 1);
    b.Canvas()->Brush()->SetColor(RGB(0x10, 0x80, 0xF0));
    b.Canvas()->FillRect(Rect(0, 0, 4, 1));
    DrawIcon(*b.Canvas(), Rect(0, 0, 4, 1), icon.get());
    EXPECT_EQ(b.GetPixel(0, 0), clBlack);
    EXPECT_EQ(b.GetPixel(1, 0), clWhite);
    EXPECT_EQ(b.GetPixel(2, 0), RGB(0x10, 0x80, 0xF0));
    EXPECT_EQ(b.GetPixel(3, 0), RGB(0xEF, 0x7F, 0x0F));
    EXPECT_EQ(IconResourceImage(icon.get()), image) << "written back the way it came";
    EXPECT_THROW(CreateIconFromResource(image.data(), image.size(), true, 0x20000), EInvalidGraphic);
}

TEST(TIconTest, ClipboardFormatsGoThroughThePictureRegistry) {
    TIcon icon;
    icon.SetHandle(CreateDefaultApplicationIcon());
    AnsiString format = "Icon";
    std::vector<Byte> data;
    icon.SaveToClipboardFormat(format, data);
    TPicture picture;
    EXPECT_THROW(picture.LoadFromClipboardFormat("Test Icon", data), EInvalidGraphic);
    TPicture::RegisterClipboardFormat("Test Icon", "TIcon", [] { return std::unique_ptr<TGraphic>(new TIcon); });
    EXPECT_TRUE(TPicture::SupportsClipboardFormat("Test Icon"));
    picture.LoadFromClipboardFormat("Test Icon", data);
    ASSERT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
    EXPECT_EQ(DrawnOnBackground(*picture.Graphic(), 32, 32)->SaveToBytes(), DrawnOnBackground(icon, 32, 32)->SaveToBytes());
    TPicture::UnregisterGraphicClass("TIcon");
    EXPECT_FALSE(TPicture::SupportsClipboardFormat("Test Icon"));
    TBitmap bitmap;
    EXPECT_THROW(bitmap.SaveToClipboardFormat(format, data), EInvalidGraphic);
}

#include "platform/gfx/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/gfx/Canvas.h"
#include "platform/rtl/Exceptions.h"

namespace {

// Fills a bitmap with a pattern every format can hold exactly.
void FillPattern(TBitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const Cardinal m = b.PixelValueMask();
            b.SetPixelValue(x, y, Cardinal(x * 37 + y * 101 + x * y * 13) & m);
        }
}

void ExpectSamePixels(const TBitmap& a, const TBitmap& b) {
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) ASSERT_EQ(a.PixelValue(x, y), b.PixelValue(x, y)) << x << "," << y;
}

void Put16(std::vector<Byte>& v, unsigned x) {
    v.push_back(Byte(x));
    v.push_back(Byte(x >> 8));
}
void Put32(std::vector<Byte>& v, unsigned x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

// A BMP with the given info header size, built by hand.
std::vector<Byte> HandBmp(unsigned headerSize, int width, int height, int bpp, unsigned compression,
                          const std::vector<Byte>& tableAndMasks, const std::vector<Byte>& pixels,
                          unsigned clrUsed = 0) {
    std::vector<Byte> v{'B', 'M'};
    const unsigned offset = 14 + headerSize + unsigned(tableAndMasks.size());
    Put32(v, offset + unsigned(pixels.size()));
    Put32(v, 0);
    Put32(v, offset);
    Put32(v, headerSize);
    if (headerSize == 12) {
        Put16(v, unsigned(width));
        Put16(v, unsigned(height));
        Put16(v, 1);
        Put16(v, unsigned(bpp));
    } else {
        Put32(v, unsigned(width));
        Put32(v, unsigned(height));
        Put16(v, 1);
        Put16(v, unsigned(bpp));
        Put32(v, compression);
        Put32(v, unsigned(pixels.size()));
        Put32(v, 0);
        Put32(v, 0);
        Put32(v, clrUsed);
        Put32(v, 0);
        while (v.size() < 14 + headerSize) v.push_back(0);
    }
    v.insert(v.end(), tableAndMasks.begin(), tableAndMasks.end());
    v.insert(v.end(), pixels.begin(), pixels.end());
    return v;
}

}  // namespace

TEST(TBitmapTest, NewBitmapIsEmptyDeviceFormat) {
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.PixelFormat(), pfDevice);
    EXPECT_EQ(b.BitsPerPixel(), 32);
    EXPECT_THROW(b.ScanLine(0), EInvalidGraphicOperation);
}

TEST(TBitmapTest, ScanLineRowsArePaddedAndCountedFromTheTop) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(5, 3);
    EXPECT_EQ(b.BytesPerScanLine(), 16);
    b.ScanLine(0)[0] = 0x11;  // blue of the top-left pixel
    EXPECT_EQ(b.GetPixel(0, 0), RGB(255, 255, 0x11));
    EXPECT_THROW(b.ScanLine(3), EInvalidGraphicOperation);
    EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
    try {
        b.ScanLine(3);
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(), "Scan line index out of range");
    }
}

TEST(TBitmapTest, PackedFormatsPutTheLeftmostPixelInTheHighBits) {
    TBitmap one;
    one.SetPixelFormat(pf1bit);
    one.SetSize(9, 1);
    one.Canvas()->Brush()->SetColor(clBlack);
    one.Canvas()->FillRect(Rect(0, 0, 9, 1));
    one.SetPixel(0, 0, clWhite);
    one.SetPixel(8, 0, clWhite);
    EXPECT_EQ(one.ScanLine(0)[0], 0x80);
    EXPECT_EQ(one.ScanLine(0)[1], 0x80);
    EXPECT_TRUE(one.Monochrome());

    TBitmap four;
    four.SetPixelFormat(pf4bit);
    four.SetSize(2, 1);
    four.SetPixelValue(0, 0, 0xA);
    four.SetPixelValue(1, 0, 0x3);
    EXPECT_EQ(four.ScanLine(0)[0], 0xA3);
    EXPECT_EQ(four.GetPixel(0, 0), clLime);  // VGA entry 10
}

TEST(TBitmapTest, SetSizeKeepsTopLeftAndFillsWhite) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(2, 2);
    b.SetPixel(1, 1, clRed);
    b.SetSize(4, 3);
    EXPECT_EQ(b.GetPixel(1, 1), clRed);
    EXPECT_EQ(b.GetPixel(3, 2), clWhite);
    b.SetSize(1, 1);
    EXPECT_EQ(b.Width(), 1);
    EXPECT_THROW(b.SetSize(-1, 5), EInvalidGraphicOperation);
    EXPECT_THROW(b.SetSize(1 << 20, 1 << 20), EInvalidGraphicOperation);
}

TEST(TBitmapTest, WidthAndHeightSetOneAfterTheOtherBothHold) {
    // Code sets Width, then Height: the zero height in between must not
    // drop the width.
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetWidth(10);
    EXPECT_EQ(b.Width(), 10);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_TRUE(b.Empty());
    b.SetHeight(5);
    EXPECT_EQ(b.Width(), 10);
    EXPECT_EQ(b.Height(), 5);
    EXPECT_FALSE(b.Empty());
    EXPECT_EQ(b.GetPixel(9, 4), clWhite);
    b.SetHeight(0);
    EXPECT_EQ(b.Width(), 10);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.GetPixel(0, 0), -1);
    EXPECT_THROW(b.ScanLine(0), EInvalidGraphicOperation);
    // An empty bitmap of some width is written and read back as such.
    TBitmap back;
    const std::vector<Byte> bytes = b.SaveToBytes();
    back.LoadFromBytes(bytes.data(), bytes.size());
    EXPECT_EQ(back.Width(), 10);
    EXPECT_TRUE(back.Empty());
    // Zero width with rows: no bytes to point at, and a file of it loads.
    TBitmap thin;
    thin.SetPixelFormat(pf8bit);
    thin.SetSize(0, 5);
    EXPECT_EQ(thin.Height(), 5);
    EXPECT_THROW(thin.ScanLine(0), EInvalidGraphicOperation);
    thin.SetPixelFormat(pf24bit);
    const std::vector<Byte> thinBytes = thin.SaveToBytes();
    back.LoadFromBytes(thinBytes.data(), thinBytes.size());
    EXPECT_EQ(back.Height(), 5);
    EXPECT_TRUE(back.Empty());
}

TEST(TBitmapTest, WideningIsExactAndNarrowingPicksNearest) {
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetSize(3, 1);
    b.SetColorTable({TRGBQuad{10, 20, 30, 0}, TRGBQuad{200, 100, 50, 0}, TRGBQuad{0, 0, 0, 0}});
    b.SetPixelValue(0, 0, 0);
    b.SetPixelValue(1, 0, 1);
    b.SetPixelValue(2, 0, 2);
    b.SetPixelFormat(pf24bit);
    EXPECT_EQ(b.GetPixel(0, 0), RGB(30, 20, 10));
    EXPECT_EQ(b.GetPixel(1, 0), RGB(50, 100, 200));
    // Back to 8 bits: the bitmap's own palette is kept and matched exactly.
    b.SetPixelFormat(pf8bit);
    EXPECT_EQ(b.PixelValue(1, 0), 1u);
    // 4 bits: the VGA colours; 1 bit: black and white.
    b.SetPixel(0, 0, RGB(250, 5, 5));
    b.SetPixelFormat(pf4bit);
    EXPECT_EQ(b.GetPixel(2, 0), clBlack);
    b.SetPixelFormat(pf1bit);
    EXPECT_EQ(b.ColorTable().size(), 2u);
    EXPECT_EQ(b.GetPixel(2, 0), clBlack);

    TBitmap w;
    w.SetPixelFormat(pf24bit);
    w.SetSize(1, 1);
    w.SetPixel(0, 0, RGB(0xF8, 0xFC, 0xF8));
    w.SetPixelFormat(pf16bit);
    EXPECT_EQ(w.GetPixel(0, 0), RGB(0xFF, 0xFF, 0xFF));
    w.SetPixelFormat(pf32bit);
    EXPECT_EQ(w.GetPixel(0, 0), RGB(0xFF, 0xFF, 0xFF));
}

TEST(TBitmapTest, PaletteWriteReplacesTableWithoutRemapping) {
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetSize(1, 1);
    b.SetPixelValue(0, 0, 1);
    const TPaletteEntry e[2] = {{1, 2, 3, 0}, {9, 8, 7, 0}};
    TPaletteOwner p(CreatePalette(e, 2));
    b.SetPalette(p.get());
    EXPECT_EQ(b.PixelValue(0, 0), 1u);
    EXPECT_EQ(b.GetPixel(0, 0), RGB(9, 8, 7));
    HPALETTE back = b.Palette();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(PaletteEntryCount(back), 2);
    EXPECT_EQ(back->Entries[1], (TPaletteEntry{9, 8, 7, 0}));
}

TEST(TBitmapTest, TransparentColorIsBottomLeftUntilFixed) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(2, 2);
    b.SetPixel(0, 1, clGreen);
    EXPECT_EQ(b.TransparentColor(), clGreen);
    b.SetTransparentColor(clRed);
    EXPECT_EQ(b.TransparentMode(), tmFixed);
    EXPECT_EQ(b.TransparentColor(), clRed);
}

TEST(TBitmapTest, BmpRoundTripKeepsEveryPixelFormat) {
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice}) {
        TBitmap a;
        a.SetPixelFormat(f);
        a.SetSize(13, 7);
        FillPattern(a);
        TMemoryStream s;
        a.SaveToStream(&s);
        s.SetPosition(0);
        TBitmap b;
        b.LoadFromStream(&s);
        EXPECT_EQ(b.BitsPerPixel(), a.BitsPerPixel()) << int(f);
        EXPECT_EQ(b.ColorTable(), a.ColorTable()) << int(f);
        ExpectSamePixels(a, b);
        EXPECT_EQ(s.Position(), s.Size());
    }
}

TEST(TBitmapTest, BmpReaderStopsAtTheEndOfTheBitmap) {
    TBitmap a;
    a.SetPixelFormat(pf24bit);
    a.SetSize(3, 2);
    TMemoryStream s;
    a.SaveToStream(&s);
    const Int64 end = s.Size();
    s.WriteBuffer("tail", 4);
    s.SetPosition(0);
    TBitmap b;
    b.LoadFromStream(&s);
    EXPECT_EQ(s.Position(), end);
}

TEST(TBitmapTest, BmpReaderTakesCoreV4V5TopDownAndBitFields) {
    // Core header, 1 bit, 2 triples, one row of 2 pixels (0b01 -> black, white).
    {
        const auto bmp = HandBmp(12, 2, 1, 1, 0, {0, 0, 0, 255, 255, 255}, {0x40, 0, 0, 0});
        TBitmap b;
        b.LoadFromBytes(bmp.data(), bmp.size());
        EXPECT_EQ(b.GetPixel(0, 0), clBlack);
        EXPECT_EQ(b.GetPixel(1, 0), clWhite);
    }
    // 124-byte header, 24 bits, top-down: the first stored row is the top.
    for (unsigned hdr : {40u, 108u, 124u}) {
        const auto bmp = HandBmp(hdr, 1, -2, 24, 0, {}, {0, 0, 255, 0, 255, 0, 0, 0});
        TBitmap b;
        b.LoadFromBytes(bmp.data(), bmp.size());
        EXPECT_EQ(b.GetPixel(0, 0), clRed) << hdr;
        EXPECT_EQ(b.GetPixel(0, 1), clBlue) << hdr;
    }
    // 40-byte header with 565 masks after it.
    {
        std::vector<Byte> masks;
        Put32(masks, 0xF800);
        Put32(masks, 0x07E0);
        Put32(masks, 0x001F);
        const auto bmp = HandBmp(40, 1, 1, 16, 3, masks, {0x00, 0xF8, 0, 0});
        TBitmap b;
        b.LoadFromBytes(bmp.data(), bmp.size());
        EXPECT_EQ(b.PixelFormat(), pf16bit);
        EXPECT_EQ(b.GetPixel(0, 0), clRed);
    }
    // 32 bits with unusual masks are converted channel by channel.
    {
        std::vector<Byte> masks;
        Put32(masks, 0x000000FF);
        Put32(masks, 0x0000FF00);
        Put32(masks, 0x00FF0000);
        const auto bmp = HandBmp(40, 1, 1, 32, 3, masks, {0x11, 0x22, 0x33, 0});
        TBitmap b;
        b.LoadFromBytes(bmp.data(), bmp.size());
        EXPECT_EQ(b.GetPixel(0, 0), RGB(0x11, 0x22, 0x33));
    }
}

TEST(TBitmapTest, BmpReaderRejectsBadSizesAndKeepsTheOldPicture) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(2, 2);
    b.SetPixel(0, 0, clRed);
    const auto good = HandBmp(40, 4, 4, 24, 0, {}, std::vector<Byte>(48));
    auto expectError = [&](std::vector<Byte> bmp, const char* fragment) {
        try {
            b.LoadFromBytes(bmp.data(), bmp.size());
            ADD_FAILURE() << "no error for " << fragment;
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
        }
        EXPECT_EQ(b.GetPixel(0, 0), clRed);
    };
    expectError(std::vector<Byte>(good.begin(), good.end() - 1), "pixel data needs");
    expectError(std::vector<Byte>(good.begin(), good.begin() + 20), "info header needs");
    auto sig = good;
    sig[0] = 'X';
    expectError(sig, "signature");
    expectError(HandBmp(64, 1, 1, 24, 0, {}, std::vector<Byte>(4)), "info header size 64");
    expectError(HandBmp(40, 1, 1, 8, 0, {}, std::vector<Byte>(4), 300), "colours used 300");
    expectError(HandBmp(40, 1, 1, 8, 0, std::vector<Byte>(4 * 255), {}), "colour table needs");
    expectError(HandBmp(40, 1, 1, 8, 1, {}, std::vector<Byte>(4)), "compression 1");
    expectError(HandBmp(40, 1, 1, 7, 0, {}, std::vector<Byte>(4)), "bits per pixel 7");
    expectError(HandBmp(40, -1, 1, 24, 0, {}, std::vector<Byte>(4)), "width -1");
    expectError(HandBmp(40, 0x7FFFFFFF, 0x7FFFFFFF, 24, 0, {}, std::vector<Byte>(4)), "exceeds");
    auto offset = good;
    offset[10] = 0xFF, offset[11] = 0xFF, offset[12] = 0xFF, offset[13] = 0x7F;
    expectError(offset, "pixel data needs");
}

TEST(TBitmapTest, StreamReaderChecksLengthAgainstTheBytesLeft) {
    const auto bmp = HandBmp(40, 100, 100, 24, 0, {}, std::vector<Byte>(16));
    TMemoryStream s;
    s.WriteBuffer(bmp.data(), LongInt(bmp.size()));
    s.SetPosition(0);
    TBitmap b;
    EXPECT_THROW(b.LoadFromStream(&s), EInvalidGraphic);
}

TEST(TBitmapTest, EveryKeptReaderInputLoadsOrFailsCleanly) {
    // tests/data/bmp holds the BMP fuzzer's starting inputs and every input that ever
    // crashed the reader ("fuzz_*"). Each loads, or is refused with the
    // graphics error; what loads is written and read back unchanged.
    int loaded = 0, finds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VEMLOR_TEST_DATA) + "/bmp")) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<Byte> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string name = entry.path().filename().string();
        finds += name.rfind("fuzz_", 0) == 0;
        TBitmap b;
        try {
            b.LoadFromBytes(bytes.data(), bytes.size());
        } catch (const EInvalidGraphic&) {
            continue;
        } catch (const EInvalidGraphicOperation&) {
            continue;
        }
        ++loaded;
        const std::vector<Byte> again = b.SaveToBytes();
        TBitmap back;
        back.LoadFromBytes(again.data(), again.size());
        EXPECT_EQ(back.PixelFormat(), b.PixelFormat()) << name;
        ExpectSamePixels(back, b);
        if (b.Width() == 0) {
            // A zero width with rows: the rows are kept, no pixel is.
            EXPECT_EQ(b.Height(), 5) << name;
            EXPECT_TRUE(b.Empty()) << name;
        }
    }
    EXPECT_GE(finds, 2);
    EXPECT_GE(loaded, 7);
}

TEST(TPaletteTest, FixedTablesAndHandles) {
    EXPECT_EQ(DefaultSystemPaletteEntries()[19], (TPaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(VGAPaletteEntries()[7], (TPaletteEntry{192, 192, 192, 0}));
    const auto& h = HalftonePaletteEntries();
    EXPECT_EQ(h[0], DefaultSystemPaletteEntries()[0]);
    EXPECT_EQ(h[255], DefaultSystemPaletteEntries()[19]);
    TPaletteOwner p(CreateHalftonePalette());
    EXPECT_EQ(GetPaletteEntries(p.get(), 0, 0, nullptr), 256);
    TPaletteEntry out[4];
    EXPECT_EQ(GetPaletteEntries(p.get(), 254, 4, out), 2);
    TPaletteOwner copy(CopyPalette(p.get()));
    EXPECT_EQ(copy->Entries, p->Entries);
    EXPECT_EQ(CopyPalette(nullptr), nullptr);
    std::vector<TPaletteEntry> tooMany(257);
    EXPECT_THROW(CreatePalette(tooMany), EInvalidGraphic);
    EXPECT_EQ(ColorToRGB(clBtnFace), clSilver);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(GetBValue(RGB(1, 2, 3)), 3);
}

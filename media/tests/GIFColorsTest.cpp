#include "media/GIFColors.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace GIFImage;

namespace {

// Bitmaps are not copyable (their canvas points back at them).
using Bmp = std::unique_ptr<TBitmap>;

// Test pictures live until the end of the test program.
const TBitmap& Filled(int w, int h, TColor c) {
    static std::vector<Bmp> pool;
    Bmp keep = std::make_unique<TBitmap>();
    keep->SetPixelFormat(pf24bit);
    keep->SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) keep->SetPixel(x, y, c);
    pool.push_back(std::move(keep));
    return *pool.back();
}

const TBitmap& Noise(int w, int h, unsigned salt) {
    static std::vector<Bmp> pool;
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    std::mt19937 rng(salt);
    for (int y = 0; y < h; ++y) {
        Byte* row = b->ScanLine(y);
        for (int x = 0; x < 3 * w; ++x) row[x] = Byte(rng());
    }
    pool.push_back(std::move(b));
    return *pool.back();
}

std::set<int> Indices(const TBitmap& b) {
    std::set<int> s;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) s.insert(b.ScanLine(y)[x]);
    return s;
}

}  // namespace

TEST(ReduceBitmapColorsTest, MonochromeWorkedValues) {
    for (Byte dither = dmNearest; dither <= dmBurkes; ++dither) {
        auto white = ReduceBitmapColors(Filled(5, 3, clWhite), rmMonochrome, dither, 8, nullptr);
        EXPECT_EQ(Indices(*white), std::set<int>{1}) << int(dither);
        auto black = ReduceBitmapColors(Filled(5, 3, clBlack), rmMonochrome, dither, 8, nullptr);
        EXPECT_EQ(Indices(*black), std::set<int>{0}) << int(dither);
    }
    auto gray = ReduceBitmapColors(Filled(1, 1, RGB(127, 127, 127)), rmMonochrome, dmNearest, 8, nullptr);
    EXPECT_EQ(gray->ScanLine(0)[0], 0);  // s = 32512 is not above the threshold
    EXPECT_EQ(gray->PixelFormat(), pf8bit);
    ASSERT_EQ(gray->ColorTable().size(), 256u);
    EXPECT_EQ(gray->ColorTable()[0], (TRGBQuad{0, 0, 0, 0}));
    EXPECT_EQ(gray->ColorTable()[1], (TRGBQuad{255, 255, 255, 0}));
    EXPECT_EQ(gray->ColorTable()[2], (TRGBQuad{0, 0, 0, 0}));
}

TEST(ReduceBitmapColorsTest, ErrorCarriesAlongTheRowWithEachKernelsWeights) {
    // Gray 100 is black on its own (s = 25600); the error carried from the
    // left tips a later pixel over the threshold. Floyd-Steinberg: the second
    // pixel sees 100 + (700 + 8) / 16 = 144. Stucki: the second sees
    // 100 + (800 + 21) / 42 = 119 (black), the third 100 + (1352 + 21) / 42 = 132.
    // Sierra: 100 + (500 + 16) / 32 = 116, then 100 + (880 + 16) / 32 = 128.
    auto row = [](Byte dither) {
        auto r = ReduceBitmapColors(Filled(3, 1, RGB(100, 100, 100)), rmMonochrome, dither, 8, nullptr);
        return std::vector<int>(r->ScanLine(0), r->ScanLine(0) + 3);
    };
    EXPECT_EQ(row(dmNearest), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(row(dmFloydSteinberg), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(row(dmStucki), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(row(dmSierra), (std::vector<int>{0, 0, 1}));
}

TEST(ReduceBitmapColorsTest, EveryEngineGivesOnlyBlackAndWhiteIndices) {
    const TBitmap& noise = Noise(41, 29, 3);
    for (Byte dither = dmNearest; dither <= dmBurkes; ++dither) {
        auto r = ReduceBitmapColors(noise, rmMonochrome, dither, 8, nullptr);
        const auto s = Indices(*r);
        EXPECT_EQ(s, (std::set<int>{0, 1})) << int(dither);
    }
    // Error diffusion of a mid gray gives a mix, not a single colour.
    auto fs = ReduceBitmapColors(Filled(16, 16, RGB(128, 128, 128)), rmMonochrome, dmFloydSteinberg, 8, nullptr);
    EXPECT_EQ(Indices(*fs), (std::set<int>{0, 1}));
}

TEST(ReduceBitmapColorsTest, EveryModeStaysInsideItsPalette) {
    const TBitmap& noise = Noise(23, 17, 9);
    TPaletteOwner custom(CreateFourGrayPalette());
    const int sizes[10] = {0, 20, 256, 4, 2, 256, 216, 16, 256, 4};
    for (Byte mode = rmWindows20; mode <= rmPalette; ++mode)
        for (Byte dither = dmNearest; dither <= dmBurkes; ++dither) {
            auto r = ReduceBitmapColors(noise, mode, dither, 4, custom.get());
            ASSERT_EQ(r->Width(), 23);
            ASSERT_EQ(r->PixelFormat(), pf8bit);
            for (int i : Indices(*r)) EXPECT_LT(i, sizes[mode]) << int(mode) << "/" << int(dither);
        }
}

TEST(ReduceBitmapColorsTest, WebCubeWorkedValues) {
    TNetscapeColorLookup cube;
    int r, g, b;
    EXPECT_EQ(cube.MatchColour(48, 48, 48, r, g, b), 43);
    EXPECT_EQ(r, 51);
    EXPECT_EQ(cube.MatchColour(47, 47, 47, r, g, b), 0);
    TGrayScaleLookup grays;
    EXPECT_EQ(grays.MatchColour(255, 255, 255, r, g, b), 255);
}

TEST(ReduceBitmapColorsTest, RowsAreScannedSerpentine) {
    TMonochromeLookup mono;
    TFloydSteinbergDitherer fs(2, &mono);
    int r, g, b;
    EXPECT_EQ(fs.Column(), 0);
    fs.ProcessPixel(0, 0, 0, r, g, b);
    fs.ProcessPixel(0, 0, 0, r, g, b);
    fs.EndRow();
    EXPECT_EQ(fs.Direction(), -1);
    EXPECT_EQ(fs.Column(), 1);  // the second row starts with the rightmost pixel
}

TEST(ReduceBitmapColorsTest, InvalidModesGiveEmptyBitmapAndLeaveTheSourceAlone) {
    TBitmap src;
    src.Assign(Filled(4, 4, clRed));
    src.SetPixelFormat(pf32bit);
    EXPECT_TRUE(ReduceBitmapColors(src, rmMonochrome, 7, 8, nullptr)->Empty());
    EXPECT_TRUE(ReduceBitmapColors(src, 10, dmNearest, 8, nullptr)->Empty());
    EXPECT_TRUE(ReduceBitmapColors(src, rmPalette, dmNearest, 8, nullptr)->Empty());
    // The caller's bitmap keeps its format (the reduction works on a copy).
    EXPECT_EQ(src.PixelFormat(), pf32bit);
    auto copy = ReduceBitmapColors(src, rmNone, dmNearest, 8, nullptr);
    EXPECT_EQ(copy->PixelFormat(), pf24bit);
    EXPECT_EQ(copy->GetPixel(3, 3), clRed);
    TBitmap empty;
    EXPECT_THROW(ReduceBitmapColors(empty, rmMonochrome, dmNearest, 8, nullptr), GIFException);
}

TEST(ReduceBitmapColorsTest, LargeSourceStillGivesFullResult) {
    auto r = ReduceBitmapColors(Filled(1000, 501, clWhite), rmMonochrome, dmNearest, 8, nullptr);
    EXPECT_EQ(r->Width(), 1000);
    EXPECT_EQ(r->Height(), 501);
    EXPECT_EQ(r->PixelFormat(), pf8bit);
}

TEST(ReduceBitmapColorsTest, ReductionBitsAreClamped) {
    const TBitmap& noise = Noise(30, 30, 1);
    for (Integer bits : {0, 1, 9, 31, -5}) {
        auto r = ReduceBitmapColors(noise, rmQuantize, dmNearest, bits, nullptr);
        const int colors = 1 << std::clamp<Integer>(bits, 1, 8);
        for (int i : Indices(*r)) EXPECT_LT(i, colors) << bits;
    }
}

TEST(TFastColorLookupTest, NearestByChannelSumLowestIndexWinsTies) {
    const TPaletteEntry e[3] = {{10, 0, 0, 0}, {0, 10, 0, 0}, {10, 0, 0, 0}};
    TPaletteOwner p(CreatePalette(e, 3));
    TFastColorLookup lookup(p.get());
    int r, g, b;
    EXPECT_EQ(lookup.MatchColour(5, 5, 0, r, g, b), 0);
    EXPECT_EQ(lookup.MatchColour(10, 0, 0, r, g, b), 0);  // the first entry of a key
    EXPECT_EQ(lookup.MatchColour(0, 200, 0, r, g, b), 1);
    EXPECT_EQ(g, 10);
    TFastColorLookup none(nullptr);
    EXPECT_EQ(none.Colors(), 0);
}

TEST(TColorQuantizerTest, PalettesFromPictures) {
    {
        TPaletteOwner p(CreateQuantizedPaletteForBitmap(Filled(3, 3, RGB(10, 20, 30)), 16, 8, false));
        ASSERT_EQ(PaletteEntryCount(p.get()), 16);
        EXPECT_EQ(p->Entries[0], (TPaletteEntry{10, 20, 30, 0}));
        EXPECT_EQ(p->Entries[1], (TPaletteEntry{0, 0, 0, 0}));  // unused entries are black
    }
    {
        TBitmap rb;
        rb.Assign(Filled(2, 1, clRed));
        rb.SetPixel(1, 0, clBlue);
        TPaletteOwner p(CreateQuantizedPaletteForBitmap(rb, 2, 8, false));
        EXPECT_EQ(p->Entries[0], (TPaletteEntry{0, 0, 255, 0}));
        EXPECT_EQ(p->Entries[1], (TPaletteEntry{255, 0, 0, 0}));
    }
    {
        TPaletteOwner p(CreateQuantizedPaletteForBitmap(Noise(20, 20, 4), 256, 8, true));
        ASSERT_EQ(PaletteEntryCount(p.get()), 256);
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(p->Entries[std::size_t(i)], DefaultSystemPaletteEntries()[std::size_t(i)]);
            EXPECT_EQ(p->Entries[std::size_t(246 + i)], DefaultSystemPaletteEntries()[std::size_t(10 + i)]);
        }
    }
    for (int n : {2, 7, 16, 64}) {
        TDIBReader reader(Noise(50, 50, unsigned(n)), pf24bit);
        TColorQuantizer q(n, 8);
        q.AddPicture(reader);
        std::vector<TPaletteEntry> table;
        q.ReadColourTable(table);
        EXPECT_LE(int(table.size()), n);
        EXPECT_GE(int(table.size()), 1);
    }
}

TEST(TColorQuantizerTest, SumsDoNotOverflowOnLargePictures) {
    // 8.6 million white pixels: 255 times that passes 2^31.
    TBitmap big;
    big.SetPixelFormat(pf24bit);
    big.SetSize(4300, 2000);
    TPaletteOwner p(CreateQuantizedPaletteForBitmap(big, 2, 8, false));
    EXPECT_EQ(p->Entries[0], (TPaletteEntry{255, 255, 255, 0}));
}

TEST(TDIBWriterTest, ChecksFormatSizeAndRows) {
    TBitmap target;
    EXPECT_THROW(TDIBWriter(&target, nullptr, 2, 2, pf4bit), GIFException);
    EXPECT_THROW(TDIBWriter(&target, nullptr, 0, 2, pf8bit), GIFException);
    TDIBWriter w(&target, nullptr, 2, 3, pf24bit);
    EXPECT_THROW(w.RowAddress(2), EInvalidGraphicOperation);
    w.RowAddress(1)[2] = 0xFF;  // red of the bottom-left pixel
    w.Install();
    EXPECT_EQ(target.PixelFormat(), pf24bit);
    EXPECT_EQ(target.GetPixel(0, 1), clRed);
}

TEST(GIFPalettesTest, FixedPalettesHoldTheirColoursInOrder) {
    TPaletteOwner cube(CreateWebCubePalette());
    ASSERT_EQ(PaletteEntryCount(cube.get()), 216);
    // Blue counts fastest, then green, then red; steps of 51.
    EXPECT_EQ(cube->Entries[0], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(cube->Entries[1], (TPaletteEntry{0, 0, 51, 0}));
    EXPECT_EQ(cube->Entries[6], (TPaletteEntry{0, 51, 0, 0}));
    EXPECT_EQ(cube->Entries[36], (TPaletteEntry{51, 0, 0, 0}));
    EXPECT_EQ(cube->Entries[43], (TPaletteEntry{51, 51, 51, 0}));
    EXPECT_EQ(cube->Entries[59], (TPaletteEntry{51, 153, 255, 0}));  // 59 = 1 * 36 + 3 * 6 + 5
    EXPECT_EQ(cube->Entries[215], (TPaletteEntry{255, 255, 255, 0}));

    TPaletteOwner four(CreateFourGrayPalette());
    ASSERT_EQ(PaletteEntryCount(four.get()), 4);
    EXPECT_EQ(four->Entries[0], (TPaletteEntry{0, 0, 0, PC_NOCOLLAPSE}));
    EXPECT_EQ(four->Entries[1], (TPaletteEntry{128, 128, 128, PC_NOCOLLAPSE}));
    EXPECT_EQ(four->Entries[2], (TPaletteEntry{192, 192, 192, PC_NOCOLLAPSE}));
    EXPECT_EQ(four->Entries[3], (TPaletteEntry{255, 255, 255, PC_NOCOLLAPSE}));

    TPaletteOwner bw(CreateBlackWhitePalette());
    ASSERT_EQ(PaletteEntryCount(bw.get()), 2);
    EXPECT_EQ(bw->Entries[0], (TPaletteEntry{0, 0, 0, PC_NOCOLLAPSE}));
    EXPECT_EQ(bw->Entries[1], (TPaletteEntry{255, 255, 255, PC_NOCOLLAPSE}));

    TPaletteOwner ramp(CreateGrayRampPalette());
    ASSERT_EQ(PaletteEntryCount(ramp.get()), 256);
    EXPECT_EQ(ramp->Entries[0], (TPaletteEntry{0, 0, 0, PC_NOCOLLAPSE}));
    EXPECT_EQ(ramp->Entries[77], (TPaletteEntry{77, 77, 77, PC_NOCOLLAPSE}));
    EXPECT_EQ(ramp->Entries[255], (TPaletteEntry{255, 255, 255, PC_NOCOLLAPSE}));
}

namespace {

// Black for a red of 128 or more, the colour itself below, and the red as
// the index: only the marked pixels make an error, and what a kernel adds to
// every other pixel shows as that pixel's index.
class TMarkLookup : public TColorLookup {
public:
    TMarkLookup() : TColorLookup(256) {}
    int MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) override {
        if (Red >= 128)
            R = G = B = 0;
        else
            R = Red, G = Green, B = Blue;
        return Red;
    }
};

using TGrid = std::vector<std::vector<int>>;

// Runs the engine over a gray picture in its own scan order and returns the
// index of every pixel.
TGrid Diffuse(TDitherEngine& Engine, const TGrid& Picture) {
    TGrid seen(Picture.size(), std::vector<int>(Picture[0].size(), -1));
    const int width = int(Picture[0].size());
    int r, g, b;
    for (std::size_t y = 0; y < Picture.size(); ++y) {
        for (int x = Engine.Column(); x >= 0 && x < width; x = Engine.Column()) {
            const int v = Picture[y][std::size_t(x)];
            seen[y][std::size_t(x)] = Engine.ProcessPixel(v, v, v, r, g, b);
        }
        Engine.EndRow();
    }
    return seen;
}

}  // namespace

// One marked pixel on black: its whole value is the error, and each pixel
// it reaches gets value x weight / divisor, rounded half up. The second
// picture marks a pixel of a row scanned right to left, where the kernel
// is mirrored.
TEST(DitherKernelTest, JaJuNiSpreadsOverThreeRowsInFortyEighths) {
    // 200 x 7 -> (1400 + 24) / 48 = 29; x 5 -> 21; x 3 -> 13; x 1 -> 4.
    TMarkLookup lookup;
    TJaJuNiDitherer a(5, &lookup);
    EXPECT_EQ(Diffuse(a, {{0, 200, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}),
              (TGrid{{0, 200, 29, 21, 0}, {21, 29, 21, 13, 0}, {13, 21, 13, 4, 0}}));
    TJaJuNiDitherer b(5, &lookup);
    EXPECT_EQ(Diffuse(b, {{0, 0, 0, 0, 0}, {0, 0, 0, 200, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}),
              (TGrid{{0, 0, 0, 0, 0}, {0, 21, 29, 200, 0}, {0, 13, 21, 29, 21}, {0, 4, 13, 21, 13}}));
}

TEST(DitherKernelTest, BurkesSpreadsOverTwoRowsInThirtySeconds) {
    // 200 x 8 -> (1600 + 16) / 32 = 50; x 4 -> 25; x 2 -> 13.
    TMarkLookup lookup;
    TBurkesDitherer a(5, &lookup);
    EXPECT_EQ(Diffuse(a, {{0, 200, 0, 0, 0}, {0, 0, 0, 0, 0}}), (TGrid{{0, 200, 50, 25, 0}, {25, 50, 25, 13, 0}}));
    TBurkesDitherer b(5, &lookup);
    EXPECT_EQ(Diffuse(b, {{0, 0, 0, 0, 0}, {0, 0, 0, 200, 0}, {0, 0, 0, 0, 0}}),
              (TGrid{{0, 0, 0, 0, 0}, {0, 25, 50, 200, 0}, {0, 13, 25, 50, 25}}));
}

TEST(DitherKernelTest, SteveArcheSpreadsOverFourRowsInTwoHundredths) {
    // 150 x 32 -> (4800 + 100) / 200 = 24; x 30 -> 23; x 26 -> 20;
    // x 16 -> 12; x 12 -> 9; x 5 -> 4. Every other pixel is skipped.
    TMarkLookup lookup;
    TSteveArcheDitherer a(7, &lookup);
    const std::vector<int> black(7, 0);
    EXPECT_EQ(Diffuse(a, {{0, 0, 150, 0, 0, 0, 0}, black, black, black}),
              (TGrid{{0, 0, 150, 0, 24, 0, 0},
                     {0, 20, 0, 23, 0, 12, 0},
                     {9, 0, 20, 0, 9, 0, 0},
                     {0, 9, 0, 9, 0, 4, 0}}));
    TSteveArcheDitherer b(7, &lookup);
    EXPECT_EQ(Diffuse(b, {black, {0, 0, 0, 0, 150, 0, 0}, black, black, black}),
              (TGrid{{0, 0, 0, 0, 0, 0, 0},
                     {0, 0, 24, 0, 150, 0, 0},
                     {0, 12, 0, 23, 0, 20, 0},
                     {0, 0, 9, 0, 20, 0, 9},
                     {0, 4, 0, 9, 0, 9, 0}}));
}

TEST(ReduceBitmapColorsTest, TheSecondRowOfAWholePictureIsScannedRightToLeft) {
    // Row 0 is black and leaves no error. Row 1 (100, 100, 255) from the
    // right: 255 is white without error; 100 is black and carries
    // 7 x 100; the first pixel then sees 100 + 708 / 16 = 144: white.
    // From the left it would be black, white, white. Row 2 goes left to
    // right again with what row 1 left below: 100 (black, carries 700),
    // then 100 + (700 - 455 + 8) / 16 = 115 (black), then white.
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(3, 3);
    const TColor gray = RGB(100, 100, 100);
    const TColor rows[3][3] = {{clBlack, clBlack, clBlack}, {gray, gray, clWhite}, {gray, gray, clWhite}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) picture.SetPixel(x, y, rows[y][x]);
    auto result = ReduceBitmapColors(picture, rmMonochrome, dmFloydSteinberg, 8, nullptr);
    auto row = [&](int y) { return std::vector<int>(result->ScanLine(y), result->ScanLine(y) + 3); };
    EXPECT_EQ(row(0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(row(1), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(row(2), (std::vector<int>{0, 0, 1}));
}

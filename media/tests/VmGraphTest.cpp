#include "media/VmGraph.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/rtl/Exceptions.h"

namespace {

std::unique_ptr<TBitmap> TrueColour(int Width, int Height, TColor (*Color)(int x, int y)) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(Width, Height);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) b->SetPixel(x, y, Color(x, y));
    return b;
}

TColor Entry(const TMappedImage& m, int Index) {
    const TRGBQuad& q = m.Palette[std::size_t(Index)];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

TColor MappedAt(const TMappedImage& m, int x, int y) { return Entry(m, m.Indices[std::size_t(y * m.Width + x)]); }

std::unique_ptr<TBitmap> Loaded(TMemoryStream& Stream) {
    auto b = std::make_unique<TBitmap>();
    Stream.SetPosition(0);
    b->LoadFromStream(&Stream);
    return b;
}

}  // namespace

TEST(VmGraphTest, HistogramKeepsTheMostFrequentColoursFirst) {
    // 3 colours: red on 6 pixels, green on 3, blue on 1 (counted first).
    const auto b = TrueColour(10, 1, [](int x, int) { return x == 0 ? clBlue : x < 4 ? clLime : clRed; });
    const TMappedImage m = MapColors(*b, ReduceByHistogram);
    EXPECT_EQ(Entry(m, 0), clRed);
    EXPECT_EQ(Entry(m, 1), clLime);
    EXPECT_EQ(Entry(m, 2), clBlue);
    EXPECT_EQ(Entry(m, 3), RGB(128, 128, 128)) << "entries beyond the colours are grey";
    for (int x = 0; x < 10; ++x) EXPECT_EQ(MappedAt(m, x, 0), b->GetPixel(x, 0));
}

TEST(VmGraphTest, HistogramCoarsensBlueFirstPastTwoThousandFortyNineColours) {
    // 2100 colours: 1050 reds and greens, each with an even and an odd blue.
    // One bit less of blue leaves 1050: no other channel is touched.
    const auto b = TrueColour(100, 21, [](int x, int y) {
        const int i = y * 50 + x / 2;
        return RGB(i % 256, i / 256 * 17, 100 + (x & 1));
    });
    const TMappedImage m = MapColors(*b, ReduceByHistogram);
    std::set<int> reds;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(m.Palette[std::size_t(i)].rgbBlue % 2, 0) << i;
        reds.insert(m.Palette[std::size_t(i)].rgbRed);
    }
    EXPECT_GT(reds.size(), 200u) << "red keeps all its bits";
}

TEST(VmGraphTest, FixedPalettesTakeTheNearestLevels) {
    const auto b = TrueColour(3, 1, [](int x, int) { return x == 0 ? RGB(200, 100, 30) : x == 1 ? RGB(26, 77, 230) : RGB(0, 0, 0); });
    const TMappedImage m784 = MapColors(*b, ReduceToFixed784);
    EXPECT_EQ(m784.Indices[0], 5 * 32 + 3 * 4 + 0);
    EXPECT_EQ(MappedAt(m784, 0, 0), RGB(213, 109, 0));
    EXPECT_EQ(MappedAt(m784, 1, 0), RGB(43, 73, 255));
    EXPECT_EQ(Entry(m784, 224), RGB(128, 128, 128));
    const TMappedImage m666 = MapColors(*b, ReduceToFixed666);
    EXPECT_EQ(m666.Indices[0], 4 * 36 + 2 * 6 + 1);
    EXPECT_EQ(MappedAt(m666, 1, 0), RGB(51, 102, 255));
    const TMappedImage grey = MapColors(*b, ReduceToGrey);
    EXPECT_EQ(grey.Indices[0], (77 * 200 + 150 * 100 + 29 * 30) / 256);
    EXPECT_EQ(MappedAt(grey, 2, 0), clBlack);
    // Ramps by diagonal: (0,0) red, (1,0) green, (2,0) blue.
    const TMappedImage ramps = MapColors(*b, ReduceToChannelRamps);
    EXPECT_EQ(MappedAt(ramps, 0, 0), RGB(200, 0, 0));
    EXPECT_EQ(MappedAt(ramps, 1, 0), RGB(0, 76, 0));
    EXPECT_EQ(MappedAt(ramps, 2, 0), RGB(0, 0, 0));
    EXPECT_EQ(Entry(ramps, 200), clBlack);
}

TEST(VmGraphTest, MedianCutSplitsUntilEveryColourHasItsBox) {
    const auto b = TrueColour(4, 4, [](int x, int y) {
        static const TColor colors[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(10, 5, 12)};
        return colors[(x + y) % 4];
    });
    const TMappedImage m = MapColors(*b, ReduceByMedianCut);
    EXPECT_EQ(MappedAt(m, 0, 0), RGB(255, 15, 15));
    EXPECT_EQ(MappedAt(m, 1, 0), RGB(15, 255, 15));
    EXPECT_EQ(MappedAt(m, 2, 0), RGB(15, 15, 255));
    EXPECT_EQ(MappedAt(m, 3, 0), clBlack) << "all channels of 16 or less";
    EXPECT_EQ(Entry(m, 4), clBlack) << "entries beyond the boxes are black";
}

TEST(VmGraphTest, TargetFormats) {
    const auto b = TrueColour(9, 5, [](int x, int y) { return RGB(x * 28, y * 50, 77); });
    b->SetPixelFormat(pf8bit);  // now indexed, through the 256-colour table
    // A 24-bit target is a true-colour image of the same colours.
    auto s24 = BitmapToStreamInFormat(b.get(), pf24bit, ReduceByHistogram);
    const auto t24 = Loaded(*s24);
    EXPECT_EQ(t24->PixelFormat(), pf24bit);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) ASSERT_EQ(t24->GetPixel(x, y), b->GetPixel(x, y));
    // Already 8 bits: unchanged; to grey: mapped all the same.
    auto same = BitmapToStreamInFormat(b.get(), pf8bit, ReduceByHistogram);
    EXPECT_EQ(same->Size(), Int64(b->SaveToBytes().size()));
    auto grey = Loaded(*BitmapToStreamInFormat(b.get(), pf8bit, ReduceToGrey));
    EXPECT_EQ(GetRValue(grey->GetPixel(3, 3)), GetGValue(grey->GetPixel(3, 3)));
    auto mono = Loaded(*ReduceColorsToStream(t24.get(), 2));
    EXPECT_EQ(mono->PixelFormat(), pf1bit);
    auto sixteen = Loaded(*ReduceColorsToStream(t24.get(), 9));
    EXPECT_EQ(sixteen->PixelFormat(), pf4bit);
    TBitmap empty;
    EXPECT_THROW(BitmapToStreamInFormat(&empty, pf8bit, ReduceByHistogram), EInvalidGraphic);
    EXPECT_EQ(PixelFormatColors(pf4bit), 16);
    EXPECT_EQ(PixelFormatColors(pf24bit), 0);
    EXPECT_EQ(ScanLineBytes(10, 4, 32), 8);
    EXPECT_EQ(ScanLineBytes(10, 1, 16), 2);
}

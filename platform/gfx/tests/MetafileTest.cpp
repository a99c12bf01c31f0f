// Metafiles as pictures: their own size, drawn over what lies beneath, only
// the part a canvas shows rendered, and refusals that say why.

#include "platform/gfx/Metafile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/tests/MetafileSamples.h"
#include "platform/rtl/Exceptions.h"

namespace {

using namespace MetafileSamples;

const std::string DataDir = std::string(VEMLOR_TEST_DATA) + "/metafile/";

void Load(TMetafile& Picture, const AnsiString& Bytes) {
    TStringStream stream(Bytes);
    Picture.LoadFromStream(&stream);
}

void Blue(TBitmap& b, Integer W, Integer H) {
    b.SetPixelFormat(pf24bit);
    b.SetSize(W, H);
    b.Canvas()->Brush()->SetColor(clBlue);
    b.Canvas()->FillRect(Rect(0, 0, W, H));
}

TEST(TMetafileTest, BothKindsAreDrawnAtTheirSizeOverWhatLiesBeneath) {
    TMetafile wmf, emf;
    Load(wmf, MetafileSamples::WindowsMetafile());
    Load(emf, MetafileSamples::EnhancedMetafile());
    EXPECT_FALSE(wmf.Enhanced());
    EXPECT_TRUE(emf.Enhanced());
    EXPECT_EQ(wmf.Width(), 100);
    EXPECT_EQ(wmf.Height(), 50);
    EXPECT_EQ(emf.Width(), 100);
    EXPECT_EQ(emf.Height(), 50);

    TBitmap b;
    Blue(b, 100, 50);
    b.Canvas()->Draw(0, 0, &emf);
    EXPECT_EQ(b.GetPixel(50, 25) & 0xFFFFFF, TColor(0x00FF00));
    EXPECT_EQ(b.GetPixel(5, 5) & 0xFFFFFF, clBlue) << "nothing drawn there";
    Blue(b, 100, 50);
    b.Canvas()->Draw(0, 0, &wmf);
    EXPECT_EQ(b.GetPixel(50, 25) & 0xFFFFFF, clRed);
    EXPECT_EQ(b.GetPixel(1, 1) & 0xFFFFFF, clBlue);

    // A thousand times enlarged: what the small canvas shows is the middle
    // of the rectangle, rendered without a picture of the whole size.
    Blue(b, 40, 30);
    b.Canvas()->StretchDraw(Rect(-50000, -25000, 50000, 25000), &emf);
    EXPECT_EQ(b.GetPixel(0, 0) & 0xFFFFFF, TColor(0x00FF00));
    EXPECT_EQ(b.GetPixel(39, 29) & 0xFFFFFF, TColor(0x00FF00));

    // The file is written back as it was read.
    TStringStream out("");
    emf.SaveToStream(&out);
    EXPECT_EQ(out.DataString(), MetafileSamples::EnhancedMetafile());
}

TEST(TMetafileTest, DataThatIsNoMetafileOrClaimsAHugePictureIsRefusedAndChangesNothing) {
    TMetafile picture;
    Load(picture, MetafileSamples::EnhancedMetafile());
    const struct {
        AnsiString Bytes;
        const char* Says;
    } cases[] = {{"GIF89a not a metafile at all, long enough to be read", "neither"},
                 {MetafileSamples::WindowsMetafile(30000, 50), "30000"}};
    for (const auto& c : cases) {
        try {
            Load(picture, c.Bytes);
            ADD_FAILURE() << c.Says;
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(e.Message().find(c.Says), AnsiString::npos) << e.Message();
        }
        EXPECT_TRUE(picture.Enhanced());
        EXPECT_EQ(picture.Width(), 100);
    }
}

// Each case is refused, and the message holds every one of its texts.
struct TRefusal {
    const char* What;
    AnsiString Bytes;
    std::vector<const char*> Says;
};

void ExpectRefused(const std::vector<TRefusal>& Cases) {
    for (const auto& c : Cases) {
        SCOPED_TRACE(c.What);
        TMetafile picture;
        try {
            Load(picture, c.Bytes);
            ADD_FAILURE() << "loaded";
        } catch (const EInvalidGraphic& e) {
            for (const char* text : c.Says) EXPECT_NE(e.Message().find(text), AnsiString::npos) << e.Message();
        }
        EXPECT_TRUE(picture.Empty());
    }
}

TEST(TMetafileTest, StartFilesOfEveryRecordKindLoadAndDraw) {
    // Written by tests/data/metafile/make.py: every record kind the
    // translators handle, text and bitmaps of every depth and coding among
    // them.
    for (const char* name : {"shapes.wmf", "bitmaps.wmf", "shapes.emf", "bitmaps.emf", "emfplus.emf"}) {
        SCOPED_TRACE(name);
        TMetafile picture;
        ASSERT_NO_THROW(picture.LoadFromFile(DataDir + name));
        EXPECT_EQ(picture.Width(), 100 + 20 * (std::string(name) == "shapes.wmf"));
        // Text among the records: drawn in a process with no application
        // of the toolkit yet (each case runs alone under ctest).
        TBitmap b;
        Blue(b, 30, 30);
        b.Canvas()->StretchDraw(Rect(0, 0, 30, 30), &picture);
    }
    // The bitmaps are drawn, not dropped: the 24-bit one of 4 x 3 pixels,
    // stretched over (0, 0, 40, 40) of bitmaps.emf, has red 200 and green
    // 40 per row from its bottom row up, blue 40 per column.
    TMetafile emf;
    emf.LoadFromFile(DataDir + "bitmaps.emf");
    TBitmap b;
    Blue(b, 100, 100);
    b.Canvas()->Draw(0, 0, &emf);
    EXPECT_EQ(b.GetPixel(1, 1) & 0xFFFFFF, RGB(200, 80, 0));
    EXPECT_EQ(b.GetPixel(38, 38) & 0xFFFFFF, RGB(200, 0, 120));
}

TEST(TMetafileTest, KeptFilesThatBrokeATranslatorAreRefusedNamingFileRecordAndLimit) {
    const struct {
        const char* Name;
        std::vector<const char*> Says;
    } cases[] = {
        // A 198-byte file whose bitmap the translator decoded whole: 4.4 GB.
        {"huge_rle_bitmap.wmf", {"StretchDIB", "20000 x 20000", "16777216"}},
        // Claims 276 bytes in 89: the translator read past its buffer.
        {"header_past_end.emf", {"276", "89"}},
        // A comment claiming 200 bytes in 44, copied from past the buffer.
        {"damaged_emfplus.emf", {"comment", "200", "44"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TMetafile picture;
        try {
            picture.LoadFromFile(DataDir + c.Name);
            ADD_FAILURE() << "loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(e.Message().find(c.Name), AnsiString::npos) << e.Message();
            for (const char* text : c.Says) EXPECT_NE(e.Message().find(text), AnsiString::npos) << e.Message();
        }
    }
    // Every input the fuzz target ever found is refused cleanly too.
    for (const auto& entry : std::filesystem::directory_iterator(DataDir)) {
        if (entry.path().filename().string().rfind("fuzz_", 0) != 0) continue;
        SCOPED_TRACE(entry.path().string());
        TMetafile picture;
        EXPECT_THROW(picture.LoadFromFile(entry.path().string()), EInvalidGraphic);
    }
}

TEST(TMetafileTest, BitmapsBeyondThePixelBudgetAreRefusedWhateverTheirRecordOrCoding) {
    const AnsiString noRows;
    ExpectRefused({
        {"one past the budget, run-length coded",
         Wmf({WmfStretchDib(Dib(4097, 4096, 8, 1, EndOfBitmap(), 2))}), {"StretchDIB", "4097 x 4096", "16777216"}},
        {"top-down", Wmf({WmfStretchDib(Dib(20000, -20000, 24, 0, noRows))}), {"20000 x -20000", "16777216"}},
        {"no rows", Wmf({WmfStretchDib(Dib(5, 0, 24, 0, noRows))}), {"5 x 0"}},
        {"the old kind in BitBlt",
         Wmf({WmfRecord(0x0922, Le({{0x00CC0020, 4}, {0, 2}, {0, 2}, {1, 2}, {1, 2}, {0, 2}, {0, 2}, {0, 2},
                                    {5000, 2}, {5000, 2}, {625, 2}, {1, 1}, {1, 1}}))}),
         {"BitBlt", "5000 x 5000", "16777216"}},
        {"enhanced, run-length coded", Emf({EmfStretchDiBits(Dib(20000, 20000, 8, 1, EndOfBitmap(), 2), 48)}),
         {"StretchDIBits", "20000 x 20000", "16777216"}},
        // Two within the budget each, beyond it together.
        {"two bitmaps", Emf({EmfStretchDiBits(Dib(3000, 3000, 8, 1, EndOfBitmap(), 2), 48),
                             EmfStretchDiBits(Dib(3000, 3000, 8, 1, EndOfBitmap(), 2), 48)}),
         {"record 3", "18000000", "16777216"}},
    });
}

TEST(TMetafileTest, RecordsAndCountsThatLeaveTheirBoundsAreRefused) {
    const AnsiString triangle = Le({{3, 2}, {0, 2}, {0, 2}, {9, 2}, {0, 2}, {0, 2}, {9, 2}});
    const AnsiString wmfRecordPastEnd = Wmf({WmfRecord(0x0324, triangle)}).substr(0, 30);
    AnsiString emfNotFour = Emf({EmfRecord(43, Le({{1, 4}, {1, 4}, {5, 4}, {5, 4}}))});
    emfNotFour[88 + 4] = 23;
    // ExtTextOutW: bounds, mode, scales; reference, 50 characters at byte 76,
    // options, rectangle, no advances; the record holds 4 characters.
    const AnsiString text = Le({{0, 16}, {1, 4}, {0, 4}, {0, 4}, {0, 8}, {50, 4}, {76, 4}, {0, 4}, {0, 16}, {0, 4},
                                {0x41, 8}});
    ExpectRefused({
        {"a record past the end", wmfRecordPastEnd, {"record 1", "Polygon"}},
        {"no end record", Wmf({WmfRecord(0x0324, triangle)}, false), {"end record"}},
        {"more points than the record holds",
         Wmf({WmfRecord(0x0324, Le({{1000, 2}}) + triangle.substr(2))}), {"Polygon", "points"}},
        {"a text longer than its record", Wmf({WmfRecord(0x0521, Le({{200, 2}}) + "ab" + Le({{0, 4}}))}),
         {"TextOut", "text"}},
        {"run-length code without its end",
         Wmf({WmfStretchDib(Dib(4, 4, 8, 1, Le({{4, 1}, {1, 1}, {0, 1}, {0, 1}}), 2))}), {"no end"}},
        {"run-length code drawing past the row",
         Wmf({WmfStretchDib(Dib(4, 4, 8, 1, Le({{9, 1}, {1, 1}}) + EndOfBitmap(), 2))}),
         {"column 9"}},
        {"a record size not a multiple of 4", emfNotFour, {"23"}},
        {"more records claimed than there are", Emf({}, 3), {"3"}},
        {"the end record not last", Emf({EmfRecord(14, Le({{0, 4}, {16, 4}, {20, 4}}))}), {"followed"}},
        {"a text past its record", Emf({EmfRecord(84, text)}), {"ExtTextOutW", "text"}},
        {"figures whose points are not the total",
         Emf({EmfRecord(91, Le({{0, 16}, {2, 4}, {6, 4}, {3, 4}, {4, 4}, {0, 28}}))}), {"7 points"}},
        {"a second-kind record past its comment",
         Emf({EmfRecord(70, Le({{16, 4}, {0x2B464D45, 4}, {0x4002, 2}, {0, 2}, {40, 4}, {0, 4}}))}), {"40"}},
    });
}

}  // namespace

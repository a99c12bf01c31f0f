#include "media/unitEXGraphics.h"

#include <gtest/gtest.h>

#include "media/cmpBitmapEditorModel.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/tests/IconFiles.h"
#include "platform/rtl/Exceptions.h"

using namespace icon_files;

namespace {

Cardinal U32(const std::vector<Byte>& d, std::size_t at) {
    return Cardinal(d[at]) | (Cardinal(d[at + 1]) << 8) | (Cardinal(d[at + 2]) << 16) | (Cardinal(d[at + 3]) << 24);
}

// The first image of an icon or cursor file, as a resource holds it.
std::vector<Byte> FirstImage(const std::vector<Byte>& File) {
    const std::size_t size = U32(File, 14), offset = U32(File, 18);
    return std::vector<Byte>(File.begin() + std::ptrdiff_t(offset), File.begin() + std::ptrdiff_t(offset + size));
}

void LoadBytes(TGraphic& Graphic, const std::vector<Byte>& Bytes) {
    TMemoryStream s;
    if (!Bytes.empty()) s.WriteBuffer(Bytes.data(), LongInt(Bytes.size()));
    s.SetPosition(0);
    Graphic.LoadFromStream(&s);
}

std::vector<Byte> SaveBytes(TGraphic& Graphic) {
    TMemoryStream s;
    Graphic.SaveToStream(&s);
    const Byte* p = static_cast<const Byte*>(s.Memory());
    return std::vector<Byte>(p, p + s.Size());
}

void ExpectShows(TIconCursor& Image, const TRgbaPicture& Picture, TColor Background) {
    TBitmap b;
    DrawIconOnBitmap(&b, &Image, Background);
    ASSERT_EQ(b.Width(), Picture.Width);
    ASSERT_EQ(b.Height(), Picture.Height);
    for (int y = 0; y < Picture.Height; ++y)
        for (int x = 0; x < Picture.Width; ++x)
            ASSERT_EQ(b.GetPixel(x, y), Picture.Opaque(x, y) ? Picture.Color(x, y) : Background) << x << "," << y;
}

}  // namespace

TEST(TIconCursorTest, ReadsSizeFormatAndHotSpotOfIcotoolImages) {
    if (!HaveTools()) GTEST_SKIP() << "icoutils or imagemagick not installed";
    const TRgbaPicture square = Pattern(32, 32, 15);
    TExIcon icon;
    const std::vector<Byte> iconImage = FirstImage(MakeIconFile({square}, 4, "exicon_4.ico"));
    ASSERT_EQ(U32(iconImage, 8), 64u) << "the header covers colour part and mask";
    LoadBytes(icon, iconImage);
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);
    EXPECT_EQ(icon.PixelFormat(), pf4bit);
    EXPECT_EQ(PaletteEntryCount(icon.Palette()), 16);
    ExpectShows(icon, square, clTeal);

    // A cursor resource is the file's image behind the hot spot of its entry.
    const TRgbaPicture wide = Pattern(23, 9, 1000);
    const std::vector<Byte> file = MakeIconFile({wide}, 24, "excursor_24.cur", "--cursor -X 5 -Y 7");
    ASSERT_FALSE(file.empty());
    std::vector<Byte> cursorImage = {file[10], file[11], file[12], file[13]};
    const std::vector<Byte> image = FirstImage(file);
    cursorImage.insert(cursorImage.end(), image.begin(), image.end());
    TExCursor cursor;
    LoadBytes(cursor, cursorImage);
    EXPECT_EQ(cursor.HotSpot(), 5u | (7u << 16));
    EXPECT_EQ(cursor.Width(), 23);
    EXPECT_EQ(cursor.PixelFormat(), pf24bit);
    EXPECT_EQ(cursor.Palette(), nullptr);
    EXPECT_EQ(cursor.Handle()->HotX, 5);
    ExpectShows(cursor, wide, clWhite);
    EXPECT_EQ(SaveBytes(cursor), cursorImage);

    // Shared between copies; a cursor given to an icon loses its hot spot.
    TExIcon fromCursor;
    fromCursor.Assign(&cursor);
    EXPECT_EQ(fromCursor.HotSpot(), 0u);
    EXPECT_EQ(SaveBytes(fromCursor), image);
    ExpectShows(fromCursor, wide, clWhite);
    TExCursor back;
    back.Assign(&fromCursor);
    EXPECT_EQ(SaveBytes(back).size(), cursorImage.size());
}

TEST(TIconCursorTest, DamagedImagesRaiseInvalidIconOrCursorAndKeepTheImage) {
    // 1 x 1, 1 bit: header, two colours, one colour row, one mask row.
    std::vector<Byte> image(40 + 8 + 4 + 4, 0);
    image[0] = 40;
    image[4] = 1;   // width
    image[8] = 2;   // height: colour part and mask
    image[12] = 1;  // planes
    image[14] = 1;  // bits per pixel
    image[40 + 6] = 255;  // second colour red
    TExIcon icon;
    LoadBytes(icon, image);
    for (std::size_t n = 0; n < image.size(); ++n)
        EXPECT_EQ(MessageOf([&] { LoadBytes(icon, std::vector<Byte>(image.begin(), image.begin() + std::ptrdiff_t(n))); }),
                  "Invalid Icon or Cursor")
            << n;
    const auto with = [&](std::size_t at, Byte value) {
        std::vector<Byte> d = image;
        d[at] = value;
        return d;
    };
    EXPECT_EQ(MessageOf([&] { LoadBytes(icon, with(14, 2)); }), "Pixel Format Not Valid for Icons or Cursors");
    EXPECT_EQ(MessageOf([&] { LoadBytes(icon, with(8, 4)); }), "Invalid Icon or Cursor");   // two rows
    EXPECT_EQ(MessageOf([&] { LoadBytes(icon, with(32, 3)); }), "Invalid Icon or Cursor");  // 3 colours used
    EXPECT_EQ(MessageOf([&] { LoadBytes(icon, with(0, 41)); }), "Invalid Icon or Cursor");  // header size
    EXPECT_EQ(MessageOf([&] { LoadBytes(icon, with(4, 0)); }), "Invalid Icon or Cursor");   // no width
    EXPECT_EQ(SaveBytes(icon), image);

    EXPECT_EQ(MessageOf([&] { icon.SetWidth(2); }), "Can't resize Icons or Cursors");
    EXPECT_EQ(icon.Width(), 1);
    AnsiString format;
    std::vector<Byte> data;
    EXPECT_EQ(MessageOf([&] { icon.SaveToClipboardFormat(format, data); }), "Clipboard not supported for Icons or Cursors");
    TExCursor empty;
    empty.SetWidth(48);
    EXPECT_EQ(empty.Width(), 48);
    EXPECT_EQ(MessageOf([&] { SaveBytes(empty); }), "Invalid Icon or Cursor");
}

TEST(TIconCursorTest, ImageMadeFromAHandleSavesAndReadsBack) {
    TExCursor cursor;
    HICON h = CreateDefaultApplicationIcon();
    h->Icon = false;
    h->HotX = 3;
    h->HotY = 9;
    cursor.SetHandle(h);
    EXPECT_EQ(cursor.PixelFormat(), pf4bit);
    const std::vector<Byte> bytes = SaveBytes(cursor);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 3);
    EXPECT_EQ(bytes[2], 9);
    TExCursor again;
    LoadBytes(again, bytes);
    EXPECT_EQ(again.HotSpot(), 3u | (9u << 16));
    TBitmap a, b;
    DrawIconOnBitmap(&a, &cursor, clYellow);
    DrawIconOnBitmap(&b, &again, clYellow);
    EXPECT_EQ(a.SaveToBytes(), b.SaveToBytes());
    EXPECT_EQ(a.GetPixel(0, 0), clYellow);
    EXPECT_EQ(a.GetPixel(10, 20), clWhite);
}

TEST(TIconCursorTest, BitmapEditorDrawsAnIconOnItsTransparentColour) {
    TExIcon icon;
    icon.SetHandle(CreateDefaultApplicationIcon());
    TPicture picture;
    picture.SetGraphic(&icon);
    TBitmapEditorModel editor;
    editor.SetMagnification(2);
    editor.SetTransparentColor(clLime);
    editor.SetPicture(&picture);
    TBitmap* work = editor.WorkBitmap();
    ASSERT_EQ(work->Width(), 32);
    EXPECT_EQ(work->GetPixel(0, 0), clLime);
    EXPECT_EQ(work->GetPixel(2, 4), clBlack);
    EXPECT_EQ(work->GetPixel(10, 20), clWhite);
    EXPECT_EQ(editor.ClientWidth(), 64);
}

TEST(TIconCursorTest, FuzzFindsLoadOrFailCleanlyAndDrawOnceLoaded) {
    // Each kept input is tried as every icon and cursor class; whatever
    // loads must draw and save without raising.
    for (const char* name : {"fuzz_cursor_planes.cur"}) {
        const std::vector<Byte> bytes = ReadFile(std::string(VEMLOR_TEST_DATA) + "/icons/" + name);
        ASSERT_FALSE(bytes.empty()) << name;
        TExIcon icon;
        TExCursor cursor;
        TIcon file;
        for (TGraphic* g : std::initializer_list<TGraphic*>{&icon, &cursor, &file}) {
            try {
                LoadBytes(*g, bytes);
            } catch (const EInvalidGraphic&) {
                continue;
            }
            TBitmap b;
            b.SetSize(g->Width(), g->Height());
            EXPECT_NO_THROW(b.Canvas()->Draw(0, 0, g)) << name;
            EXPECT_NO_THROW(SaveBytes(*g)) << name;
        }
    }
}

#include "media/ResourceGraphics.h"

#include <gtest/gtest.h>

#include "media/IcoList.h"
#include "media/ResourceDialogs.h"
#include "media/ResourceFile.h"
#include "media/ResourceMessages.h"
#include "media/unitEXGraphics.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/tests/IconFiles.h"

using namespace icon_files;

namespace {

std::vector<Byte> Exported(TWriteableResource* Resource) {
    TMemoryStream s;
    Resource->ExportToStream(&s);
    const Byte* p = static_cast<const Byte*>(s.Memory());
    return std::vector<Byte>(p, p + s.Size());
}

template <class T>
T* New(TResourceModule& Module, Word Name) {
    return static_cast<T*>(T::StaticClass().CreateNew(&Module, 0, TResourceId::Of(Name)));
}

bool HaveWindres() { return std::filesystem::exists("/usr/bin/x86_64-w64-mingw32-windres"); }

}  // namespace

TEST(TGroupResourceTest, IconAndCursorFilesGoInAndComeOutAsIcotoolMadeThem) {
    if (!HaveTools()) GTEST_SKIP() << "icoutils or imagemagick not installed";
    const std::vector<Byte> ico = MakeIconFile({Pattern(16, 16, 15), Pattern(32, 32, 15)}, 4, "res_group.ico");
    const std::vector<Byte> cur = MakeIconFile({Pattern(24, 24, 200)}, 8, "res_group.cur", "--cursor -X 3 -Y 9");
    ASSERT_FALSE(ico.empty());
    ASSERT_FALSE(cur.empty());
    TMemoryResourceModule module;
    TIconGroupResource* icons = New<TIconGroupResource>(module, 1);
    ASSERT_EQ(module.ResourceCount(), 2) << "a new group brings its image";
    icons->ImportFromFile(OutPath("res_group.ico"));
    ASSERT_EQ(module.ResourceCount(), 4);
    const std::vector<TGroupEntry> entries = icons->Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Id, 1) << "image 0 belongs to the first, empty image";
    EXPECT_EQ(entries[1].Id, 2);
    EXPECT_EQ(Exported(icons), ico);
    auto* second = static_cast<TIconResource*>(module.ResourceDetails(3));
    EXPECT_EQ(second->Width(), 32);
    EXPECT_EQ(second->PixelFormat(), pf4bit);
    second->Rename("40");
    EXPECT_EQ(icons->Entries()[1].Id, 40) << "the group follows the renamed image";
    EXPECT_EQ(Exported(icons), ico);
    // One image alone as an icon file that icotool reads.
    const std::string single = OutPath("res_single.ico");
    second->ExportToFile(single);
    EXPECT_EQ(ListIconFile(single), "--icon --index=1 --width=32 --height=32 --bit-depth=4 --palette-size=16\n");

    TCursorGroupResource* cursors = New<TCursorGroupResource>(module, 2);
    cursors->ImportFromFile(OutPath("res_group.cur"));
    ASSERT_EQ(cursors->Entries().size(), 1u);
    auto* cursor = static_cast<TCursorResource*>(
        module.FindResource(TCursorResource::StaticClass(), std::to_string(cursors->Entries()[0].Id)));
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->HotSpot(), Point(3, 9));
    EXPECT_EQ(cursors->Entries()[0].Height, 24);
    EXPECT_EQ(Exported(cursors), cur);
    TPicture picture;
    cursor->GetImage(&picture);
    auto* image = dynamic_cast<TExCursor*>(picture.Graphic());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->HotSpot(), 3u | (9u << 16));

    // The icon list takes an icon group by name.
    TIconList list;
    icons->Rename("MAIN");
    list.AddResource(&module, "main");
    EXPECT_EQ(list.Icons(0)->Width(), 32);
    EXPECT_THROW(list.AddResource(&module, "other"), EResourceError);
}

TEST(TIconCursorResourceTest, NewImagesAndFixedSizes) {
    TMemoryResourceModule module;
    TIconResource blank(&module, TResourceId::Of(Word(3)), {}, TResourceId::Of(Word(5)));
    blank.SetWidth(20);
    blank.SetHeight(12);
    blank.SetPixelFormat(pf15bit);
    blank.InitNew();
    EXPECT_EQ(blank.Width(), 20);
    EXPECT_EQ(blank.Height(), 12);
    EXPECT_EQ(blank.PixelFormat(), pf15bit);
    EXPECT_THROW(blank.SetWidth(3), EResourceError);
    EXPECT_THROW(blank.SetPixelFormat(pf8bit), EResourceError);
    EXPECT_THROW(blank.Rename("X"), EResourceError);
    TPicture picture;
    blank.GetImage(&picture);
    TBitmap drawn;
    drawn.SetSize(20, 12);
    drawn.Canvas()->Brush()->SetColor(clAqua);
    drawn.Canvas()->FillRect(Rect(0, 0, 20, 12));
    drawn.Canvas()->Draw(0, 0, picture.Graphic());
    EXPECT_EQ(drawn.GetPixel(7, 7), clAqua) << "a new image is all see-through";
    TExIcon other;
    other.SetHandle(CreateDefaultApplicationIcon());
    TPicture replacement;
    replacement.SetGraphic(&other);
    blank.SetImage(&replacement);
    EXPECT_EQ(blank.UndoDescription(), "icon changed");
    EXPECT_EQ(blank.Width(), 32);
    EXPECT_EQ(ResourcePixelFormat(15), pf15bit);
    EXPECT_THROW(ResourcePixelFormat(2), EResourceError);
}

TEST(TBitmapResourceTest, ExportPutsTheFileHeaderBackWithTheRightOffset) {
    TMemoryResourceModule module;
    for (TPixelFormat format : {pf1bit, pf8bit, pf16bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(PixelFormatBits(format));
        TBitmap source;
        source.SetPixelFormat(format);
        source.SetSize(5, 3);
        source.Canvas()->Brush()->SetColor(clRed);
        source.Canvas()->FillRect(Rect(0, 0, 3, 3));
        TPicture picture;
        picture.SetGraphic(&source);
        TBitmapResource* resource = New<TBitmapResource>(module, 1);
        resource->SetImage(&picture);
        const std::vector<Byte> file = Exported(resource);
        EXPECT_EQ(file, source.SaveToBytes()) << "the offset of the bits is where the writer put them";
        TBitmap back;
        back.LoadFromBytes(file.data(), file.size());
        EXPECT_EQ(back.GetPixel(1, 1), source.GetPixel(1, 1));
    }
    TBitmapResource* resource = New<TBitmapResource>(module, 9);
    TPicture fresh;
    resource->GetImage(&fresh);
    EXPECT_EQ(fresh.Width(), 16);
    EXPECT_EQ(fresh.Bitmap()->PixelFormat(), pf8bit);
    EXPECT_EQ(fresh.Bitmap()->GetPixel(15, 15), clWhite);
    const std::string notBitmap = OutPath("res_not_a_bitmap.bmp");
    WriteFile(notBitmap, {'X', 'M', 0, 0});
    EXPECT_THROW(resource->ImportFromFile(notBitmap), EResourceError);
    EXPECT_EQ(resource->Data().size(), 40u + 1024 + 16 * 16) << "unchanged";
}

TEST(TResFileModuleTest, ReadsWhatWindresCompilesAndWindresReadsWhatWeWrite) {
    if (!HaveWindres() || !HaveTools()) GTEST_SKIP() << "windres or icoutils not installed";
    MakeIconFile({Pattern(16, 16, 15)}, 4, "res_app.ico");
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(7, 5);
    bitmap.Canvas()->Brush()->SetColor(clBlue);
    bitmap.Canvas()->FillRect(Rect(0, 0, 7, 5));
    bitmap.SaveToFile(OutPath("res_logo.bmp"));
    const std::string rc = OutPath("res_test.rc"), res = OutPath("res_test.res");
    // Windows-1250 text, as the program writes it.
    WriteFile(rc, [&] {
        const AnsiString text = "STRINGTABLE LANGUAGE 5, 1\n{\n  17, \"Ahoj světe\"\n  31, \"Konec\"\n}\n"
                                "SETTINGS DIALOG 10, 20, 150, 100\nSTYLE 0x50C800C4\nCAPTION \"Nastavení\"\n"
                                "FONT 8, \"MS Sans Serif\"\n{\n  PUSHBUTTON \"OK\", 1, 5, 6, 50, 14\n}\n"
                                "APP ICON \"" + OutPath("res_app.ico") + "\"\n"
                                "LOGO BITMAP \"" + OutPath("res_logo.bmp") + "\"\n";
        return std::vector<Byte>(text.begin(), text.end());
    }());
    ASSERT_EQ(RunTool("x86_64-w64-mingw32-windres --preprocessor=cpp -c 1250 -i " + rc + " -O res -o " + res), 0);
    TResFileModule module;
    module.LoadFromFile(res);
    auto* strings = dynamic_cast<TStringsResource*>(module.FindResource(TStringsResource::StaticClass(), "1"));
    ASSERT_NE(strings, nullptr);
    EXPECT_EQ(strings->GetLines(), (std::vector<TResourceLine>{{17, "Ahoj světe"}, {31, "Konec"}}));
    EXPECT_EQ(strings->Language(), 0x0405);
    auto* dialog = dynamic_cast<TDialogResource*>(module.FindResource(TDialogResource::StaticClass(), "settings"));
    ASSERT_NE(dialog, nullptr);
    const TDialogTemplate t = dialog->Template();
    EXPECT_EQ(t.Caption, TResourceId::Of("Nastavení"));
    ASSERT_EQ(t.Controls.size(), 1u);
    EXPECT_EQ(t.Controls[0].Caption, TResourceId::Of("OK"));
    EXPECT_EQ(t.Controls[0].ClassId, TResourceId::Of(Word(0x80)));
    auto* icon = dynamic_cast<TIconGroupResource*>(module.FindResource(TIconGroupResource::StaticClass(), "APP"));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(Exported(icon), ReadFile(OutPath("res_app.ico")));
    auto* logo = dynamic_cast<TBitmapResource*>(module.FindResource(TBitmapResource::StaticClass(), "LOGO"));
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(Exported(logo), ReadFile(OutPath("res_logo.bmp")));

    // Edited and saved here, read back by windres.
    strings->SetLines({{17, "Nazdar"}, {18, "Čau"}});
    const std::string saved = OutPath("res_saved.res");
    module.SaveToFile(saved);
    ASSERT_EQ(RunTool("x86_64-w64-mingw32-windres -c 1250 -J res -O rc -i " + saved + " -o " + saved + ".rc"), 0);
    const std::vector<Byte> script = ReadFile(saved + ".rc");
    const AnsiString text(script.begin(), script.end());
    EXPECT_NE(text.find("Nazdar"), AnsiString::npos);
    EXPECT_NE(text.find("\"LOGO\" 2 /* RT_BITMAP */"), AnsiString::npos);
    TResFileModule again;
    again.LoadFromFile(saved);
    ASSERT_EQ(again.ResourceCount(), module.ResourceCount());
    for (int i = 0; i < module.ResourceCount(); ++i) {
        EXPECT_EQ(again.ResourceDetails(i)->Data(), module.ResourceDetails(i)->Data());
        EXPECT_EQ(again.ResourceDetails(i)->Name(), module.ResourceDetails(i)->Name());
        EXPECT_EQ(&again.ResourceDetails(i)->Class(), &module.ResourceDetails(i)->Class());
    }
}

TEST(TResFileModuleTest, DamagedFilesRaiseAndLeaveTheModuleAsItWas) {
    TResFileModule module;
    TDialogResource::StaticClass().CreateNew(&module, 0, TResourceId::Of("ONE"));
    TMemoryStream good;
    module.SaveToStream(&good);
    const Byte* p = static_cast<const Byte*>(good.Memory());
    const std::vector<Byte> bytes(p, p + good.Size());
    // Cut anywhere before the end of the dialog's data (not in its padding).
    const std::size_t end = 32 + (bytes[36] | bytes[37] << 8) + (bytes[32] | bytes[33] << 8);
    for (std::size_t n = 1; n < end; ++n) {
        if (n == 32) continue;  // just the marker: an empty module
        TResFileModule other;
        TMemoryStream cut;
        cut.WriteBuffer(bytes.data(), LongInt(n));
        cut.SetPosition(0);
        EXPECT_THROW(other.LoadFromStream(&cut), EResourceError) << n;
    }
    std::vector<Byte> wrong = bytes;
    wrong[32 + 4] = 0xFF;  // the header size of the dialog's entry
    TMemoryStream damaged;
    damaged.WriteBuffer(wrong.data(), LongInt(wrong.size()));
    damaged.SetPosition(0);
    EXPECT_THROW(module.LoadFromStream(&damaged), EResourceError);
    EXPECT_EQ(module.ResourceCount(), 1);
}

TEST(TResFileModuleTest, FuzzFindsLoadSaveAndLoadTheSame) {
    // Each kept input loads (or fails cleanly), and what it saves loads again.
    for (const char* name : {"fuzz_empty_names.res"}) {
        SCOPED_TRACE(name);
        TResFileModule module;
        try {
            module.LoadFromFile(std::string(VEMLOR_TEST_DATA) + "/resources/" + name);
        } catch (const EResourceError&) {
            continue;
        }
        TMemoryStream out;
        module.SaveToStream(&out);
        out.SetPosition(0);
        TResFileModule again;
        ASSERT_NO_THROW(again.LoadFromStream(&out));
        ASSERT_EQ(again.ResourceCount(), module.ResourceCount());
        for (int i = 0; i < module.ResourceCount(); ++i)
            EXPECT_EQ(again.ResourceDetails(i)->Name(), module.ResourceDetails(i)->Name());
    }
}

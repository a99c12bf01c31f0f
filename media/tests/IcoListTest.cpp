#include "media/IcoList.h"

#include <gtest/gtest.h>

#include "media/ClipIcon.h"
#include "media/VmGIF.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/classes/Filer.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/tests/IconFiles.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Clipbrd.h"

using namespace icon_files;

namespace {

TColor PixelOf(HICON Icon, int x, int y) {
    const TPoint size = IconSize(Icon);
    TBitmap b;
    b.SetSize(size.x, size.y);
    DrawIcon(*b.Canvas(), Rect(0, 0, size.x, size.y), Icon);
    return b.GetPixel(x, y);
}

std::vector<Byte> Bytes(TMemoryStream& s) {
    const Byte* p = static_cast<const Byte*>(s.Memory());
    return std::vector<Byte>(p, p + s.Size());
}

void LoadList(TIconList& List, const std::vector<Byte>& Data) {
    TMemoryStream s;
    if (!Data.empty()) s.WriteBuffer(Data.data(), LongInt(Data.size()));
    s.SetPosition(0);
    List.LoadFromStream(&s);
}

// A component that keeps an icon list and a GIF picture in form files.
class TIconHolder : public TComponent {
public:
    explicit TIconHolder(TComponent* AOwner) : TComponent(AOwner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TIconList* Icons() { return &FIcons; }
    void SetIcons(TIconList* Value) { FIcons.Assign(Value); }
    VmGIF::TGIFImage* Animation() { return &FAnimation; }
    void SetAnimation(VmGIF::TGIFImage* Value) { FAnimation.Assign(Value); }

private:
    TIconList FIcons;
    VmGIF::TGIFImage FAnimation;
};

}  // namespace

VEMLOR_PUBLISHED(TIconHolder, TComponent) {
    Prop("Icons", &TIconHolder::Icons, &TIconHolder::SetIcons);
    Prop("Animation", &TIconHolder::Animation, &TIconHolder::SetAnimation);
}
VEMLOR_REGISTER_CLASS(TIconHolder);

TEST(TIconListTest, FormFilesKeepTheListAndTheAnimationAsBinaryData) {
    TIconHolder holder(nullptr);
    holder.SetName("Holder");
    const AnsiString empty = WriteComponent(&holder);
    EXPECT_EQ(empty.find("Icons"), AnsiString::npos) << "an empty list is not written";
    holder.Icons()->Add(SolidIcon(8, clRed).get());
    holder.Icons()->Add(SolidIcon(16, clBlue).get());
    TBitmap frame;
    frame.SetPixelFormat(pf4bit);
    frame.SetSize(6, 4);
    holder.Animation()->AddBitmap(&frame);
    const AnsiString text = WriteComponent(&holder);
    EXPECT_NE(text.find("Icons.Icons = {"), AnsiString::npos) << text;
    EXPECT_NE(text.find("Animation.Data = {"), AnsiString::npos) << text;
    std::unique_ptr<TComponent> back(ReadComponent(text, nullptr, "holder.form"));
    auto* read = dynamic_cast<TIconHolder*>(back.get());
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->Icons()->Count(), 2);
    EXPECT_EQ(read->Icons()->Icons(1)->Width(), 16);
    EXPECT_EQ(PixelOf(read->Icons()->Icons(1)->Handle(), 3, 3), clBlue);
    ASSERT_EQ(read->Animation()->FrameCount(), 1);
    EXPECT_EQ(read->Animation()->Width(), 6);
}

TEST(TIconListTest, StoredFormKeepsEmptyEntriesAndReadsBack) {
    TIconList list;
    list.Add(SolidIcon(16, clRed).get());
    TIcon empty;
    list.SetIcons(1, &empty);
    list.Add(SolidIcon(8, clBlue).get());
    TMemoryStream out;
    list.SaveToStream(&out);
    const std::vector<Byte> stored = Bytes(out);
    ASSERT_GE(stored.size(), 8u);
    EXPECT_EQ(stored[0], 3);  // count
    TIconList back;
    LoadList(back, stored);
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(back.Icons(1), nullptr) << "an empty icon is stored as a count of 0";
    EXPECT_EQ(PixelOf(back.Icons(0)->Handle(), 5, 5), clRed);
    EXPECT_EQ(back.Icons(2)->Width(), 8);
    TMemoryStream again;
    back.SaveToStream(&again);
    EXPECT_EQ(Bytes(again), stored);
    EXPECT_THROW(back.Icons(3), EListError);
}

TEST(TIconListTest, ChangesAreReportedOncePerUpdateAndFromTheIconsThemselves) {
    TIconList list;
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add(SolidIcon(8, clRed).get());
    list.Add(SolidIcon(8, clLime).get());
    list.EndUpdate();
    EXPECT_EQ(changes, 0);
    list.EndUpdate();
    EXPECT_EQ(changes, 1);
    list.Icons(0)->SetHandle(CreateDefaultApplicationIcon());
    EXPECT_EQ(changes, 2) << "an icon's own change";
    list.Move(0, 1);
    EXPECT_EQ(PixelOf(list.Icons(0)->Handle(), 1, 1), clLime);
    list.Exchange(0, 1);
    EXPECT_EQ(changes, 4);
    TIcon* kept = list.Icons(1);
    EXPECT_EQ(list.IndexOf(kept), 1);
    list.Delete(0);
    EXPECT_EQ(list.IndexOf(kept), 0);
    const int before = changes;
    list.Clear();
    EXPECT_EQ(changes, before + 1);
}

TEST(TIconListTest, StoredOnlyWhenItDiffersFromItsAncestor) {
    TIconList ancestor, list, empty;
    EXPECT_FALSE(empty.ShouldStoreIcons(nullptr));
    ancestor.Add(SolidIcon(8, clRed).get());
    list.Assign(&ancestor);
    EXPECT_TRUE(list.ShouldStoreIcons(nullptr));
    EXPECT_TRUE(list.ShouldStoreIcons(&ancestor)) << "copies are other icon objects";
    EXPECT_FALSE(ancestor.ShouldStoreIcons(&ancestor));
    EXPECT_TRUE(empty.ShouldStoreIcons(&ancestor));
}

TEST(TIconListTest, DamagedStoredFormsRaise) {
    TIconList list;
    const auto fails = [&](std::vector<Byte> data) {
        try {
            LoadList(list, data);
        } catch (const EReadError&) {
            return true;
        } catch (const EInvalidGraphic&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(fails({0xFF, 0xFF, 0xFF, 0x7F}));                 // two thousand million icons
    EXPECT_TRUE(fails({1, 0, 0, 0, 0xFF, 0xFF, 0, 0, 1, 2, 3}));  // 65535 bytes announced, 3 there
    EXPECT_TRUE(fails({1, 0, 0, 0, 3, 0, 0, 0, 1, 2, 3}));        // 3 bytes that are no icon
    EXPECT_FALSE(fails({2, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(list.Count(), 2);
}

TEST(ClipIconTest, PixelSizeOfColourAndMonochromeIcons) {
    const auto colour = SolidIcon(20, clRed);
    EXPECT_EQ(IconPixelSize(colour->Handle()), Point(20, 20));
    TIconInfo info;
    info.Mask = std::make_unique<TBitmap>();
    info.Mask->SetPixelFormat(pf1bit);
    info.Mask->SetSize(12, 40);
    const TIconOwner mono(CreateIconIndirect(info));
    EXPECT_EQ(IconPixelSize(mono.get()), Point(12, 20));
    EXPECT_EQ(IconPixelSize(nullptr), Point(SystemIconSize, SystemIconSize));
}

TEST(ClipIconTest, DisplayIconTakesTheImageThatSuitsTheScreen) {
    if (!HaveTools()) GTEST_SKIP() << "icoutils or imagemagick not installed";
    // icotool makes one depth per file; the images are put into one file here.
    std::vector<std::vector<Byte>> files;
    for (int bits : {1, 4, 8, 24}) {
        files.push_back(MakeIconFile({Pattern(16 + bits, 16 + bits, bits == 1 ? 1 : 15)}, bits,
                                     "clipicon_" + std::to_string(bits) + ".ico"));
        ASSERT_FALSE(files.back().empty());
    }
    std::vector<Byte> file = {0, 0, 1, 0, 4, 0};
    std::vector<Byte> images;
    for (const auto& f : files) {
        std::vector<Byte> entry(f.begin() + 6, f.begin() + 22);
        const Cardinal size = Cardinal(f.size() - 22), offset = Cardinal(6 + 16 * 4 + images.size());
        for (int i = 0; i < 4; ++i) entry[std::size_t(12 + i)] = Byte(offset >> (8 * i));
        file.insert(file.end(), entry.begin(), entry.end());
        images.insert(images.end(), f.begin() + 22, f.begin() + 22 + size);
    }
    file.insert(file.end(), images.begin(), images.end());
    TIcon icon;
    TMemoryStream s;
    s.WriteBuffer(file.data(), LongInt(file.size()));
    s.SetPosition(0);
    icon.LoadFromStream(&s);
    // A true-colour screen takes the first image whose colour count says
    // "256 or more": here the 8-bit one.
    const struct {
        int Screen, Width;
    } cases[] = {{1, 17}, {4, 20}, {8, 24}, {16, 24}, {24, 24}, {32, 24}};
    for (const auto& c : cases) {
        const TIconOwner shown(CreateDisplayIcon(&icon, c.Screen));
        EXPECT_EQ(IconSize(shown.get()).x, c.Width) << c.Screen << " bits";
    }
    TIcon empty;
    const TIconOwner application(CreateDisplayIcon(&empty));
    EXPECT_EQ(IconSize(application.get()), Point(32, 32));
}

TEST(ClipIconTest, DisplayIconReadsAsManyColoursAsTheImageUses) {
    // 2 x 1 pixels at 4 bits with only 3 colours in its table: the pixels
    // follow the third entry, not the sixteenth.
    std::vector<Byte> file = {0, 0, 1, 0, 1, 0,                          // one image
                              2, 1, 3, 0, 1, 0, 4, 0, 64, 0, 0, 0, 22, 0, 0, 0,  // 2 x 1, 3 colours
                              40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 4, 0,  // 4 bits
                              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                              3, 0, 0, 0, 0, 0, 0, 0,                    // 3 colours used
                              0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0,  // red, green, blue
                              0x21, 0, 0, 0,                             // pixels 2, 1
                              0, 0, 0, 0};                               // mask: all shown
    file.resize(22 + 64, 0);
    TIcon icon;
    TMemoryStream s;
    s.WriteBuffer(file.data(), LongInt(file.size()));
    s.SetPosition(0);
    icon.LoadFromStream(&s);
    const TIconOwner shown(CreateDisplayIcon(&icon, 32));
    EXPECT_EQ(PixelOf(shown.get(), 0, 0), clBlue);
    EXPECT_EQ(PixelOf(shown.get(), 1, 0), clLime);
}

TEST(ClipIconTest, ImagesStoredAsPngAreShownAndDamagedOnesRefused) {
    // A 256 x 256 PNG image (red, lime and blue quarters, the fourth one
    // see-through) in front of a classic 32 x 32 image.
    const std::vector<Byte> file = ReadFile(std::string(VEMLOR_TEST_DATA) + "/icons/png256_bmp32.ico");
    ASSERT_GT(file.size(), 1000u);
    const auto load = [](TIcon& Icon, const std::vector<Byte>& Bytes) {
        TMemoryStream s;
        s.WriteBuffer(Bytes.data(), LongInt(Bytes.size()));
        s.SetPosition(0);
        Icon.LoadFromStream(&s);
    };
    const auto expectQuarters = [](HICON Icon) {
        ASSERT_EQ(IconSize(Icon), Point(256, 256));
        EXPECT_EQ(PixelOf(Icon, 10, 10), clRed);
        EXPECT_EQ(PixelOf(Icon, 200, 10), clLime);
        EXPECT_EQ(PixelOf(Icon, 10, 200), clBlue);
        EXPECT_EQ(PixelOf(Icon, 200, 200), clWhite);  // the background shows
    };
    TIcon icon;
    load(icon, file);
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(PixelOf(icon.Handle(), 4, 4), clYellow);
    // A true-colour screen is shown the first image of 256 colours or more.
    const TIconOwner shown(CreateDisplayIcon(&icon, 32));
    expectQuarters(shown.get());

    // The PNG image alone is the icon.
    std::vector<Byte> png = file;
    png[4] = 1;
    TIcon big;
    load(big, png);
    expectQuarters(big.Handle());
    TMemoryStream saved;
    big.SaveToStream(&saved);
    saved.SetPosition(0);
    TIcon again;
    again.LoadFromStream(&saved);
    EXPECT_EQ(again.Width(), 256);

    // Its size is checked before decoding, its length against the data.
    const Cardinal offset = Cardinal(png[18] | png[19] << 8);
    const auto damaged = [&](const std::function<void(std::vector<Byte>&)>& Change) {
        std::vector<Byte> bytes = png;
        Change(bytes);
        TIcon i;
        return MessageOf([&] { load(i, bytes); });
    };
    EXPECT_EQ(damaged([&](auto& b) { b[offset + 18] = 0x13, b[offset + 19] = 0x88; }),
              "PNG image: width 5000 is outside 1..4096");
    EXPECT_EQ(damaged([&](auto& b) { b[14] = 20, b[15] = 0; }), "Icon file: no image holds a bitmap or a PNG picture");
    const auto startsWith = [](const AnsiString& Text, const AnsiString& Start) { return Text.rfind(Start, 0) == 0; };
    EXPECT_TRUE(startsWith(damaged([&](auto& b) { b[14] = 200, b[15] = 0; }),
                           "PNG image: 256 x 256 pixels in 200 bytes: "));
    EXPECT_TRUE(startsWith(damaged([&](auto& b) { b[offset + 22] = 0, b[offset + 23] = 9; }),
                           "PNG image: 256 x 9 pixels in "));  // the header's checksum no longer fits
}

TEST(ClipIconTest, IconsTravelThroughTheirClipboardFormat) {
    RegisterIconClipboardFormat();
    const auto icon = SolidIcon(10, clYellow);
    AnsiString format;
    std::vector<Byte> data;
    icon->SaveToClipboardFormat(format, data);
    Clipboard()->SetFormatData(IconClipboardFormat, data);
    ASSERT_TRUE(Clipboard()->HasFormatData(IconClipboardFormat));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
    TPicture picture;
    picture.LoadFromClipboardFormat(IconClipboardFormat, Clipboard()->FormatData(IconClipboardFormat));
    auto* pasted = dynamic_cast<TIcon*>(picture.Graphic());
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(PixelOf(pasted->Handle(), 4, 4), clYellow);
    Clipboard()->SetAsText("text");
    EXPECT_FALSE(Clipboard()->HasFormatData(IconClipboardFormat));
    EXPECT_TRUE(Clipboard()->FormatData(IconClipboardFormat).empty());
}

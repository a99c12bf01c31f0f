// A picture's data in a form file, with every picture class the program
// registers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <typeinfo>

#include "media/GIFImage.h"
#include "media/PictureFormats.h"
#include "media/VmGIF.h"
#include "platform/classes/Filer.h"
#include "platform/gfx/Graphic.h"
#include "platform/rtl/Exceptions.h"

namespace {

class TPictureHolder : public TComponent {
public:
    explicit TPictureHolder(TComponent* AOwner) : TComponent(AOwner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* Value) { FPicture->Assign(Value); }

private:
    std::unique_ptr<TPicture> FPicture = std::make_unique<TPicture>();
};

AnsiString FormWithData(const std::string& Data) {
    static const char digits[] = "0123456789ABCDEF";
    AnsiString text = "object Holder: TPictureHolder\n  Picture.Data = {";
    for (unsigned char c : Data) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text + "}\nend\n";
}

}  // namespace

VEMLOR_PUBLISHED(TPictureHolder, TComponent) {
    Prop("Picture", &TPictureHolder::Picture, &TPictureHolder::SetPicture);
}
VEMLOR_REGISTER_CLASS(TPictureHolder);

TEST(PictureDataTest, GifPicturesOfEitherCodecReadBackFromTheFormTheyWereWrittenTo) {
    // Both codecs' classes are called TGIFImage.
    RegisterPictureFormats();
    std::ifstream in(std::string(VEMLOR_TEST_DATA) + "/gif/gifbuild_cs2.gif", std::ios::binary);
    const std::string gif((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TMemoryStream file;
    file.WriteBuffer(gif.data(), LongInt(gif.size()));

    for (int codec = 0; codec < 2; ++codec) {
        SCOPED_TRACE(codec);
        std::unique_ptr<TGraphic> graphic;
        if (codec == 0) graphic = std::make_unique<VmGIF::TGIFImage>();
        else graphic = std::make_unique<GIFImage::TGIFImage>();
        file.SetPosition(0);
        graphic->LoadFromStream(&file);
        TPictureHolder holder(nullptr);
        holder.Picture()->SetGraphic(graphic.get());
        const AnsiString text = WriteComponent(&holder);

        TPictureHolder again(nullptr);
        ReadComponent(text, &again, "obrazek.form");
        TGraphic* read = again.Picture()->Graphic();
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(typeid(*read), typeid(*graphic));
        EXPECT_EQ(read->Width(), graphic->Width());
        EXPECT_EQ(read->Height(), graphic->Height());
    }
}

TEST(PictureDataTest, ABareGifClassNameReadsWithTheCodecRegisteredLast) {
    RegisterPictureFormats();
    std::ifstream in(std::string(VEMLOR_TEST_DATA) + "/gif/gifbuild_cs2.gif", std::ios::binary);
    const std::string gif((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TPictureHolder holder(nullptr);
    ReadComponent(FormWithData("\x09TGIFImage" + gif), &holder, "obrazek.form");
    EXPECT_NE(dynamic_cast<GIFImage::TGIFImage*>(holder.Picture()->Graphic()), nullptr);
    EXPECT_GT(holder.Picture()->Width(), 0);
}

TEST(PictureDataTest, EveryKeptInputReadsOrIsRefusedWithTheReadersError) {
    // tests/data/picture holds the picture-data fuzzer's starting inputs and
    // every input that ever crashed it ("fuzz_*"). What reads writes and
    // reads again as the same class at the same size.
    RegisterPictureFormats();
    int read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VEMLOR_TEST_DATA) + "/picture")) {
        if (entry.path().extension() != ".dat") continue;
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        TPictureHolder holder(nullptr);
        try {
            ReadComponent(FormWithData(data), &holder, "obrazek.form");
        } catch (const EReadError&) {
            continue;
        }
        TGraphic* graphic = holder.Picture()->Graphic();
        if (!graphic || graphic->Empty()) continue;
        ++read;
        TPictureHolder again(nullptr);
        ReadComponent(WriteComponent(&holder), &again, "znovu.form");
        ASSERT_NE(again.Picture()->Graphic(), nullptr);
        EXPECT_EQ(again.Picture()->Graphic()->ClassName(), graphic->ClassName());
        EXPECT_EQ(again.Picture()->Width(), graphic->Width());
        EXPECT_EQ(again.Picture()->Height(), graphic->Height());
    }
    EXPECT_GE(read, 4);
}

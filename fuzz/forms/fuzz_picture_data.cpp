// Feeds arbitrary bytes as the "Picture.Data" of a picture in a form file:
// a length byte, the graphic class's name, then the graphic as that class
// stores it. The form reader takes it with every picture class the program
// registers. Damaged data must raise the reader's error (an Exception); a
// picture that reads writes out (or is refused with its codec's error) and
// reads again as the same class at the same size. A crash, a hang or another answer is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "media/PictureFormats.h"
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

AnsiString FormText(const std::uint8_t* data, std::size_t size) {
    static const char digits[] = "0123456789ABCDEF";
    AnsiString text = "object Holder: TPictureHolder\n  Picture.Data = {";
    for (std::size_t i = 0; i < size; ++i) {
        if (i % 32 == 0) text += "\n    ";
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text + "}\nend\n";
}

}  // namespace

VEMLOR_PUBLISHED(TPictureHolder, TComponent) {
    Prop("Picture", &TPictureHolder::Picture, &TPictureHolder::SetPicture);
}
VEMLOR_REGISTER_CLASS(TPictureHolder);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        RegisterPictureFormats();
        return true;
    }();
    (void)registered;
    TPictureHolder holder(nullptr);
    try {
        ReadComponent(FormText(data, size), &holder, "fuzz.form");
    } catch (const Exception&) {
        return 0;
    }
    TGraphic* graphic = holder.Picture()->Graphic();
    if (!graphic) return 0;
    if (graphic->Width() < 0 || graphic->Height() < 0) std::abort();
    AnsiString text;
    try {
        text = WriteComponent(&holder);
    } catch (const Exception&) {
        // A graphic its codec cannot write again is refused with its error.
        return 0;
    }
    TPictureHolder again(nullptr);
    ReadComponent(text, &again, "again.form");
    TGraphic* read = again.Picture()->Graphic();
    // An empty graphic writes no data and reads as no picture.
    if (graphic->Empty()) return 0;
    if (!read || read->ClassName() != graphic->ClassName() || read->Width() != graphic->Width() ||
        read->Height() != graphic->Height())
        std::abort();
    return 0;
}

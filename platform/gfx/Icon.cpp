#include "platform/gfx/Icon.h"

#include "platform/rtl/Exceptions.h"

std::unique_ptr<TGraphic> TIcon::NewInstance() const { return std::make_unique<TIcon>(); }

void TIcon::Assign(TPersistent* Source) {
    if (auto* i = dynamic_cast<TIcon*>(Source)) {
        FWidth = i->FWidth;
        FHeight = i->FHeight;
        Changed(this);
        return;
    }
    TGraphic::Assign(Source);
}

void TIcon::LoadFromStream(TStream*) { throw EInvalidGraphic("Icon images cannot be read yet"); }
void TIcon::SaveToStream(TStream*) { throw EInvalidGraphicOperation("Cannot save an empty icon"); }
void TIcon::Draw(TCanvas&, const TRect&) {}

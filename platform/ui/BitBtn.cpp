#include "platform/ui/BitBtn.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPushButton>

#include "platform/classes/ClassRegistry.h"
#include "platform/gfx/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiBridge.h"

using namespace ui_detail;

namespace {

struct TKindInfo {
    const char* Caption;
    TModalResult Result;
};

// The class library's own (English) captions; the program sets its own
// captions where it shows these buttons.
const TKindInfo& KindInfo(TBitBtnKind kind) {
    static const TKindInfo table[] = {
        {"", mrNone},         {"OK", mrOk},         {"Cancel", mrCancel}, {"&Help", mrNone},
        {"&Yes", mrYes},      {"&No", mrNo},        {"&Close", mrNone},   {"Abort", mrAbort},
        {"&Retry", mrRetry},  {"&Ignore", mrIgnore}, {"&All", mrAll},
    };
    return table[kind];
}

}  // namespace

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner), FGlyph(std::make_unique<TBitmap>()) {
    FGlyph->OnChange = [this](TObject*) { GlyphChanged(); };
}

TBitBtn::~TBitBtn() { FGlyph->OnChange = nullptr; }

void TBitBtn::SetKind(TBitBtnKind Value) {
    if (FKind == Value) return;
    FKind = Value;
    if (Value == bkCustom) return;
    const TKindInfo& info = KindInfo(Value);
    SetCaption(info.Caption);
    SetModalResult(info.Result);
    if (Value == bkOK || Value == bkYes) SetDefault(true);
    if (Value == bkCancel || Value == bkNo) SetCancel(true);
}

void TBitBtn::SetGlyph(TBitmap* Value) {
    if (Value)
        FGlyph->Assign(Value);
    else
        FGlyph->SetSize(0, 0);
    GlyphChanged();
}

void TBitBtn::SetNumGlyphs(Integer Value) {
    Value = std::clamp<Integer>(Value, 1, 4);
    if (FNumGlyphs == Value) return;
    FNumGlyphs = Value;
    GlyphChanged();
}

void TBitBtn::GlyphChanged() {
    auto* b = static_cast<QPushButton*>(WidgetOf(this));
    if (!b) return;
    if (FGlyph->Empty()) {
        b->setIcon(QIcon());
        return;
    }
    QImage image = BitmapToImage(*FGlyph, true, FGlyph->TransparentColor());
    const int cell = image.width() / FNumGlyphs;
    if (FNumGlyphs > 1 && cell > 0) image = image.copy(0, 0, cell, image.height());
    b->setIcon(QIcon(QPixmap::fromImage(image)));
    b->setIconSize(image.size());
}

void TBitBtn::Click() {
    std::weak_ptr<void> alive = AliveToken();
    TButton::Click();
    if (FKind == bkClose && !alive.expired())
        if (TForm* form = GetParentForm(this)) form->Close();
}

const TEnumType& EnumTypeInfo(TBitBtnKind) {
    static const TEnumType t{"TBitBtnKind", {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose",
                                              "bkAbort", "bkRetry", "bkIgnore", "bkAll"}};
    return t;
}

VEMLOR_PUBLISHED(TBitBtn, TButton) {
    Prop("Kind", &TBitBtn::Kind, &TBitBtn::SetKind);
    Prop("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph);
    Prop("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs);
}
VEMLOR_REGISTER_CLASS(TBitBtn);

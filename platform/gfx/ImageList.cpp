#include "platform/gfx/ImageList.h"

#include <algorithm>
#include <string>

#include "platform/classes/ClassRegistry.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/Exceptions.h"

TChangeLink::~TChangeLink() {
    if (FSender) FSender->UnRegisterChanges(this);
}

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}

TImageList::TImageList(TComponent* AOwner, Integer AWidth, Integer AHeight) : TComponent(AOwner) {
    SetSize(AWidth, AHeight);
}

TImageList::~TImageList() {
    for (TChangeLink* link : FLinks) link->FSender = nullptr;
}

void TImageList::SetSize(Integer AWidth, Integer AHeight) {
    for (Integer value : {AWidth, AHeight})
        if (value < 1 || value > MaxImageSize)
            throw EInvalidOperation("Invalid image size " + std::to_string(value) + " (allowed 1.." +
                                    std::to_string(MaxImageSize) + ")");
    if (AWidth == FWidth && AHeight == FHeight) return;
    FWidth = AWidth;
    FHeight = AHeight;
    FImages.clear();
    Change();
}

void TImageList::SetWidth(Integer Value) { SetSize(Value, FHeight); }
void TImageList::SetHeight(Integer Value) { SetSize(FWidth, Value); }

void TImageList::SetMasked(bool Value) {
    if (Value == FMasked) return;
    FMasked = Value;
    Change();
}

void TImageList::SetBkColor(TColor Value) {
    if (Value == FBkColor) return;
    FBkColor = Value;
    Change();
}

void TImageList::SetBlendColor(TColor Value) {
    if (Value == FBlendColor) return;
    FBlendColor = Value;
    Change();
}

void TImageList::SetDrawingStyle(TDrawingStyle Value) {
    if (Value == FDrawingStyle) return;
    FDrawingStyle = Value;
    Change();
}

std::vector<TImageList::Image> TImageList::Split(TBitmap* Source, TBitmap* Mask, TColor MaskColor,
                                                 bool byColor) const {
    std::vector<Image> result;
    if (Source == nullptr || Source->Width() < FWidth) return result;
    const bool keyed = byColor && MaskColor != clNone;
    const TColor key =
        keyed ? (ColorToRGB(MaskColor == clDefault ? Source->TransparentColor() : MaskColor) & 0xFFFFFF) : clNone;
    const Integer count = Source->Width() / FWidth;
    const Integer rows = std::min(FHeight, Source->Height());
    result.reserve(static_cast<std::size_t>(count));
    for (Integer i = 0; i < count; ++i) {
        Image image;
        const std::size_t size = std::size_t(FWidth) * std::size_t(FHeight);
        image.Pixels.assign(size, clBlack);
        image.Transparent.assign(size, true);  // rows the bitmap lacks show nothing
        for (Integer y = 0; y < rows; ++y)
            for (Integer x = 0; x < FWidth; ++x) {
                const Integer sx = i * FWidth + x;
                const TColor color = Source->GetPixel(sx, y) & 0xFFFFFF;
                const std::size_t at = std::size_t(y) * std::size_t(FWidth) + std::size_t(x);
                image.Pixels[at] = color;
                bool transparent = false;
                if (keyed) transparent = color == key;
                // Pixels outside a smaller mask show.
                else if (Mask && sx < Mask->Width() && y < Mask->Height())
                    transparent = (Mask->GetPixel(sx, y) & 0xFFFFFF) == clWhite;
                image.Transparent[at] = transparent;
            }
        result.push_back(std::move(image));
    }
    return result;
}

void TImageList::InsertImages(Integer Index, std::vector<Image> images) {
    FImages.insert(FImages.begin() + Index, std::make_move_iterator(images.begin()),
                   std::make_move_iterator(images.end()));
    Change();
}

Integer TImageList::Add(TBitmap* Image, TBitmap* Mask) {
    auto images = Split(Image, Mask, clNone, false);
    if (images.empty()) return -1;
    const Integer index = Count();
    InsertImages(index, std::move(images));
    return index;
}

Integer TImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
    auto images = Split(Image, nullptr, MaskColor, true);
    if (images.empty()) return -1;
    const Integer index = Count();
    InsertImages(index, std::move(images));
    return index;
}

void TImageList::CheckIndex(Integer Index, const char* what) const {
    if (Index < 0 || Index >= Count())
        throw EInvalidOperation(std::string(what) + ": image index " + std::to_string(Index) + " out of range 0.." +
                                std::to_string(Count() - 1));
}

void TImageList::Insert(Integer Index, TBitmap* Image, TBitmap* Mask) {
    if (Index < 0 || Index > Count())
        throw EInvalidOperation("Insert: image index " + std::to_string(Index) + " out of range 0.." +
                                std::to_string(Count()));
    auto images = Split(Image, Mask, clNone, false);
    if (!images.empty()) InsertImages(Index, std::move(images));
}

void TImageList::InsertMasked(Integer Index, TBitmap* Image, TColor MaskColor) {
    if (Index < 0 || Index > Count())
        throw EInvalidOperation("Insert: image index " + std::to_string(Index) + " out of range 0.." +
                                std::to_string(Count()));
    auto images = Split(Image, nullptr, MaskColor, true);
    if (!images.empty()) InsertImages(Index, std::move(images));
}

void TImageList::Replace(Integer Index, TBitmap* Image, TBitmap* Mask) {
    CheckIndex(Index, "Replace");
    auto images = Split(Image, Mask, clNone, false);
    if (images.empty())
        throw EInvalidOperation("Replace: the bitmap is narrower than the image width " + std::to_string(FWidth));
    FImages[static_cast<std::size_t>(Index)] = std::move(images.front());
    Change();
}

void TImageList::ReplaceMasked(Integer Index, TBitmap* NewImage, TColor MaskColor) {
    CheckIndex(Index, "Replace");
    auto images = Split(NewImage, nullptr, MaskColor, true);
    if (images.empty())
        throw EInvalidOperation("Replace: the bitmap is narrower than the image width " + std::to_string(FWidth));
    FImages[static_cast<std::size_t>(Index)] = std::move(images.front());
    Change();
}

void TImageList::Delete(Integer Index) {
    CheckIndex(Index, "Delete");
    FImages.erase(FImages.begin() + Index);
    Change();
}

void TImageList::Clear() {
    if (FImages.empty()) return;
    FImages.clear();
    Change();
}

bool TImageList::GetBitmap(Integer Index, TBitmap* Image) const {
    if (Image == nullptr) return false;
    Image->SetSize(FWidth, FHeight);
    if (Index < 0 || Index >= Count()) return false;
    Draw(Image->Canvas(), 0, 0, Index);
    return true;
}

namespace {

TColor Blend(TColor color, TColor toward, int weight) {  // weight of toward in quarters
    auto mix = [&](int shift) {
        const int a = (color >> shift) & 0xFF, b = (toward >> shift) & 0xFF;
        return ((a * (4 - weight) + b * weight) / 4) << shift;
    };
    return mix(0) | mix(8) | mix(16);
}

}  // namespace

void TImageList::Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled) const {
    if (Canvas == nullptr || Index < 0 || Index >= Count()) return;
    const Image& image = FImages[static_cast<std::size_t>(Index)];
    auto at = [&](Integer x, Integer y) { return std::size_t(y) * std::size_t(FWidth) + std::size_t(x); };
    auto shows = [&](Integer x, Integer y) { return !FMasked || !image.Transparent[at(x, y)]; };

    // The picture goes through a bitmap and a mask (white keeps the
    // canvas), so the canvas clips and converts as for any other copy.
    TBitmap picture, mask;
    picture.SetPixelFormat(pf24bit);
    mask.SetPixelFormat(pf24bit);
    if (!Enabled) {
        const Integer w = FWidth + 1, h = FHeight + 1;
        picture.SetSize(w, h);
        mask.SetSize(w, h);  // white: keep the canvas
        const TColor highlight = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow);
        for (int pass = 0; pass < 2; ++pass) {
            const Integer d = pass == 0 ? 1 : 0;
            for (Integer y = 0; y < FHeight; ++y)
                for (Integer x = 0; x < FWidth; ++x) {
                    if (!shows(x, y) || image.Pixels[at(x, y)] == clWhite) continue;
                    picture.SetPixel(x + d, y + d, pass == 0 ? highlight : shadow);
                    mask.SetPixel(x + d, y + d, clBlack);
                }
        }
        Canvas->CopyMasked(Bounds(X, Y, w, h), picture, Rect(0, 0, w, h), mask);
        return;
    }

    picture.SetSize(FWidth, FHeight);
    mask.SetSize(FWidth, FHeight);
    const TColor bk = FDrawingStyle == dsTransparent || FBkColor == clNone ? clNone : ColorToRGB(FBkColor);
    const int weight = FDrawingStyle == dsFocus ? 1 : FDrawingStyle == dsSelected ? 2 : 0;
    const TColor toward =
        ColorToRGB(FBlendColor == clNone || FBlendColor == clDefault ? clHighlight : FBlendColor) & 0xFFFFFF;
    for (Integer y = 0; y < FHeight; ++y)
        for (Integer x = 0; x < FWidth; ++x) {
            if (shows(x, y)) {
                const TColor color = image.Pixels[at(x, y)];
                picture.SetPixel(x, y, weight ? Blend(color, toward, weight) : color);
                mask.SetPixel(x, y, clBlack);
            } else if (bk != clNone) {
                picture.SetPixel(x, y, bk);
                mask.SetPixel(x, y, clBlack);
            }
        }
    Canvas->CopyMasked(Bounds(X, Y, FWidth, FHeight), picture, Rect(0, 0, FWidth, FHeight), mask);
}

void TImageList::RegisterChanges(TChangeLink* Link) {
    if (Link == nullptr || Link->FSender == this) return;
    if (Link->FSender) Link->FSender->UnRegisterChanges(Link);
    Link->FSender = this;
    FLinks.push_back(Link);
}

void TImageList::UnRegisterChanges(TChangeLink* Link) {
    auto it = std::find(FLinks.begin(), FLinks.end(), Link);
    if (it == FLinks.end()) return;
    FLinks.erase(it);
    Link->FSender = nullptr;
}

void TImageList::Change() {
    if (ComponentState().Contains(csDestroying)) return;
    // A handler may unregister links or free them; walk a copy and skip
    // the ones that left meanwhile.
    const std::vector<TChangeLink*> links = FLinks;
    for (TChangeLink* link : links) {
        if (std::find(FLinks.begin(), FLinks.end(), link) == FLinks.end()) continue;
        TNotifyEvent handler = link->OnChange;
        if (handler) handler(this);
    }
    TNotifyEvent handler = OnChange;
    if (handler) handler(this);
}

const TEnumType& EnumTypeInfo(TDrawingStyle) {
    static const TEnumType type{"TDrawingStyle", {"dsFocus", "dsSelected", "dsNormal", "dsTransparent"}};
    return type;
}

// Published in the order stored windows list them.
VEMLOR_PUBLISHED(TImageList, TComponent) {
    Prop("BlendColor", &TImageList::BlendColor, &TImageList::SetBlendColor).Idents(ColorIdents());
    Prop("BkColor", &TImageList::BkColor, &TImageList::SetBkColor).Idents(ColorIdents());
    Prop("DrawingStyle", &TImageList::DrawingStyle, &TImageList::SetDrawingStyle);
    Prop("Height", &TImageList::Height, &TImageList::SetHeight);
    Prop("Masked", &TImageList::Masked, &TImageList::SetMasked);
    Prop("Width", &TImageList::Width, &TImageList::SetWidth);
    EventProp("OnChange", &TImageList::OnChange);
}
VEMLOR_REGISTER_CLASS(TImageList);

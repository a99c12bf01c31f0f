#pragma once
// TImageList: a list of equally sized small pictures (tool-button images,
// note symbols, status-bar signs) with a mask each, drawn by index.
//
// A bitmap added to the list is cut from the left into Width-wide images;
// columns left over at the right are ignored, rows below Height are cut off
// and rows the bitmap lacks count as transparent. A mask pixel that is white
// marks a transparent pixel, as in the monochrome masks of the class
// library; AddMasked makes the mask from the pixels of one colour.
//
// Every image keeps its mask whatever Masked says; Masked only decides
// whether drawing uses it, so switching it loses nothing.

#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/TypInfo.h"
#include "platform/gfx/Color.h"

class TBitmap;
class TCanvas;
class TImageList;

// dsFocus and dsSelected blend the image 25 % and 50 % toward BlendColor;
// dsTransparent draws transparently even with a BkColor.
enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
const TEnumType& EnumTypeInfo(TDrawingStyle);

// What a control holds to hear about changes of an image list it shows.
class TChangeLink {
public:
    TChangeLink() = default;
    ~TChangeLink();
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    TImageList* Sender() const { return FSender; }
    TNotifyEvent OnChange;

private:
    friend class TImageList;
    TImageList* FSender = nullptr;
};

class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* AOwner);
    TImageList(TComponent* AOwner, Integer AWidth, Integer AHeight);
    ~TImageList() override;

    static constexpr Integer MaxImageSize = 4096;

    // Changing the size empties the list. Raises EInvalidOperation for a
    // size outside 1..MaxImageSize.
    Integer Width() const { return FWidth; }
    void SetWidth(Integer Value);
    Integer Height() const { return FHeight; }
    void SetHeight(Integer Value);
    Integer Count() const { return static_cast<Integer>(FImages.size()); }

    bool Masked() const { return FMasked; }
    void SetMasked(bool Value);
    // clNone draws the transparent pixels as they were; a colour fills them.
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value);
    // clNone and clDefault blend toward the highlight colour.
    TColor BlendColor() const { return FBlendColor; }
    void SetBlendColor(TColor Value);
    TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TDrawingStyle Value);

    // Adds the images of the strip and returns the index of the first one;
    // -1 (nothing added) for a missing bitmap or one narrower than Width.
    // Mask may be nullptr (every pixel shows).
    Integer Add(TBitmap* Image, TBitmap* Mask);
    // The pixels of MaskColor are transparent; clDefault takes the image's
    // transparent colour (its bottom-left pixel unless fixed), clNone none.
    Integer AddMasked(TBitmap* Image, TColor MaskColor);
    // Insert the strip's images before Index (0..Count); EInvalidOperation otherwise.
    void Insert(Integer Index, TBitmap* Image, TBitmap* Mask);
    void InsertMasked(Integer Index, TBitmap* Image, TColor MaskColor);
    // Replace one image by the first image of the bitmap; EInvalidOperation
    // for an index outside 0..Count-1 or a bitmap narrower than Width.
    void Replace(Integer Index, TBitmap* Image, TBitmap* Mask);
    void ReplaceMasked(Integer Index, TBitmap* NewImage, TColor MaskColor);
    // EInvalidOperation for an index outside 0..Count-1.
    void Delete(Integer Index);
    void Clear();

    // Sizes Image to Width x Height and draws the image on it (transparent
    // pixels keep what the bitmap had). False, with nothing drawn, for an
    // index out of range.
    bool GetBitmap(Integer Index, TBitmap* Image) const;
    // Draws nothing for an index out of range, as controls ask for images
    // that a list may not have. Disabled images are drawn embossed: every
    // shown pixel that is not white in the button highlight colour one pixel
    // right and down, then in the button shadow colour in place.
    void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled = true) const;

    // A control registers a link to be told of every change; a link freed
    // first leaves the list, a list freed first leaves the link without sender.
    void RegisterChanges(TChangeLink* Link);
    void UnRegisterChanges(TChangeLink* Link);

    TNotifyEvent OnChange;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    virtual void Change();

private:
    // Colours as RGB, row by row; Transparent marks the masked pixels.
    struct Image {
        std::vector<TColor> Pixels;
        std::vector<bool> Transparent;
    };
    std::vector<Image> Split(TBitmap* Image, TBitmap* Mask, TColor MaskColor, bool byColor) const;
    void InsertImages(Integer Index, std::vector<Image> images);
    void SetSize(Integer AWidth, Integer AHeight);
    void CheckIndex(Integer Index, const char* what) const;

    Integer FWidth = 16;
    Integer FHeight = 16;
    bool FMasked = true;
    TColor FBkColor = clNone;
    TColor FBlendColor = clNone;
    TDrawingStyle FDrawingStyle = dsNormal;
    std::vector<Image> FImages;
    std::vector<TChangeLink*> FLinks;
};

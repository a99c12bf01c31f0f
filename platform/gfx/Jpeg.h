#pragma once
// TJPEGImage: JPEG pictures through libjpeg's 6b interface. Decoding gives a
// 24-bit bitmap; encoding writes the bitmap at CompressionQuality.

#include <memory>

#include "platform/gfx/Bitmap.h"

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    std::unique_ptr<TGraphic> NewInstance() const override;
    void Assign(TPersistent* Source) override;

    // Raises EInvalidGraphic with libjpeg's reason for data it cannot read.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromBytes(const Byte* Data, std::size_t Size);

    void Draw(TCanvas& ACanvas, const TRect& Rect) override;
    Integer Width() const override { return FBitmap.Width(); }
    Integer Height() const override { return FBitmap.Height(); }
    void SetWidth(Integer) override;
    void SetHeight(Integer) override;
    bool Empty() const override { return FBitmap.Empty(); }

    // 1..100; 90 by default.
    Integer CompressionQuality() const { return FQuality; }
    void SetCompressionQuality(Integer Value);
    bool Grayscale() const { return FGrayscale; }
    void SetGrayscale(bool Value) { FGrayscale = Value; }

    // The decoded picture (24 bits per pixel).
    const TBitmap& Bitmap() const { return FBitmap; }

protected:
    void AssignTo(TPersistent* Dest) override;

private:
    TBitmap FBitmap;
    Integer FQuality = 90;
    bool FGrayscale = false;
};

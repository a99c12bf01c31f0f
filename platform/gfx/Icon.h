#pragma once
// TIcon: stands in for icon pictures until icon files are read. It is an
// empty graphic of a fixed size; loading raises EInvalidGraphic.

#include "platform/gfx/Graphic.h"

class TIcon : public TGraphic {
public:
    std::unique_ptr<TGraphic> NewInstance() const override;
    void Assign(TPersistent* Source) override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void Draw(TCanvas& ACanvas, const TRect& Rect) override;
    Integer Width() const override { return FWidth; }
    Integer Height() const override { return FHeight; }
    void SetWidth(Integer Value) override { FWidth = Value; }
    void SetHeight(Integer Value) override { FHeight = Value; }
    bool Empty() const override { return true; }

private:
    Integer FWidth = 32;
    Integer FHeight = 32;
};

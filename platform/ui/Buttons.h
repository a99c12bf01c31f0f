#pragma once
// TSpeedButton: a button without focus that paints itself, with a picture
// (Glyph), an optional flat look and group behaviour: buttons of one parent
// sharing a nonzero GroupIndex stay down one at a time.

#include <memory>

#include "platform/gfx/Bitmap.h"
#include "platform/ui/Controls.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
const TEnumType& EnumTypeInfo(TButtonLayout);

enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;

    // Down needs a GroupIndex (a button in no group never stays down).
    // Setting it in code fires no OnClick. A down button of a group that
    // does not AllowAllUp stays down until another button of the group goes
    // down.
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    Integer GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Integer Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    // Flat: no frame until the mouse is over the button.
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    // The picture: NumGlyphs images side by side (up, disabled, clicked,
    // down); the colour of its bottom-left pixel is transparent.
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* Value);
    Integer NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(Integer Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    // -1 centres glyph and caption; otherwise the distance from the edge.
    Integer Margin() const { return FMargin; }
    void SetMargin(Integer Value);
    Integer Spacing() const { return FSpacing; }
    void SetSpacing(Integer Value);
    // The state shown now (pressed while the mouse button is held).
    TButtonState State() const { return FState; }
    bool MouseInControl() const { return FMouseInControl; }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Paint() override;
    void TextChanged() override { Invalidate(); }
    bool ClicksOnMouseUp() const override { return false; }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WndProc(TMessage& Message) override;

private:
    void UpdateExclusive();
    void DrawGlyph(TCanvas* Canvas, Integer X, Integer Y);

    std::unique_ptr<TBitmap> FGlyph;
    bool FDown = false;
    Integer FGroupIndex = 0;
    bool FAllowAllUp = false;
    bool FFlat = false;
    Integer FNumGlyphs = 1;
    TButtonLayout FLayout = blGlyphLeft;
    Integer FMargin = -1;
    Integer FSpacing = 4;
    TButtonState FState = bsUp;
    bool FPressed = false;
    bool FMouseInControl = false;
};

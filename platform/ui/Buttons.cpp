#include "platform/ui/Buttons.h"

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/UiBridge.h"

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
    FGlyph->OnChange = [this](TObject*) { Invalidate(); };
    SetColor(clBtnFace);
    SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() { FGlyph->OnChange = nullptr; }

void TSpeedButton::SetDown(bool Value) {
    if (FGroupIndex == 0) Value = false;
    if (FDown == Value) return;
    if (FDown && !FAllowAllUp) return;
    FDown = Value;
    FState = Value ? bsExclusive : bsUp;
    Invalidate();
    if (Value) UpdateExclusive();
}

void TSpeedButton::UpdateExclusive() {
    if (FGroupIndex == 0 || !Parent()) return;
    TWinControl* parent = Parent();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        auto* other = dynamic_cast<TSpeedButton*>(parent->Controls(i));
        if (!other || other == this || other->FGroupIndex != FGroupIndex) continue;
        if (FDown && other->FDown) {
            other->FDown = false;
            other->FState = bsUp;
            other->Invalidate();
        }
        other->FAllowAllUp = FAllowAllUp;
    }
}

void TSpeedButton::SetGroupIndex(Integer Value) {
    if (FGroupIndex == Value) return;
    FGroupIndex = Value;
    if (Value == 0 && FDown) {
        FDown = false;
        FState = bsUp;
        Invalidate();
    }
    UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool Value) {
    if (FAllowAllUp == Value) return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

void TSpeedButton::SetFlat(bool Value) {
    if (FFlat == Value) return;
    FFlat = Value;
    Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* Value) {
    if (Value)
        FGlyph->Assign(Value);
    else
        FGlyph->Assign(TBitmap());
    // A picture of square images side by side tells how many it holds.
    if (FGlyph->Height() > 0 && FGlyph->Width() % FGlyph->Height() == 0) {
        const Integer n = FGlyph->Width() / FGlyph->Height();
        if (n >= 1 && n <= 4) FNumGlyphs = n;
    }
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(Integer Value) {
    Value = std::clamp<Integer>(Value, 1, 4);
    if (FNumGlyphs == Value) return;
    FNumGlyphs = Value;
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value) {
    if (FLayout == Value) return;
    FLayout = Value;
    Invalidate();
}

void TSpeedButton::SetMargin(Integer Value) {
    if (Value < -1) Value = -1;
    if (FMargin == Value) return;
    FMargin = Value;
    Invalidate();
}

void TSpeedButton::SetSpacing(Integer Value) {
    if (FSpacing == Value) return;
    FSpacing = Value;
    Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && Enabled()) {
        FPressed = true;
        FState = bsDown;
        Invalidate();
    }
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (alive.expired() || Button != mbLeft || !FPressed) return;
    FPressed = false;
    const bool inside = X >= 0 && Y >= 0 && X < Width() && Y < Height();
    if (inside && FGroupIndex != 0) {
        if (!FDown)
            SetDown(true);
        else if (FAllowAllUp)
            SetDown(false);
    }
    FState = FDown ? bsExclusive : bsUp;
    Invalidate();
    if (inside) Click();
}

void TSpeedButton::WndProc(TMessage& Message) {
    if (Message.Msg == CM_MOUSEENTER || Message.Msg == CM_MOUSELEAVE) {
        FMouseInControl = Message.Msg == CM_MOUSEENTER;
        if (FFlat) Invalidate();
    }
    TGraphicControl::WndProc(Message);
}

void TSpeedButton::DrawGlyph(TCanvas* Canvas, Integer X, Integer Y) {
    const Integer w = FGlyph->Width() / FNumGlyphs, h = FGlyph->Height();
    const TColor transparent = FGlyph->GetPixel(0, h - 1) & 0xFFFFFF;
    Integer index = 0;
    if (!Enabled())
        index = 1;
    else if (FState == bsDown)
        index = 2;
    else if (FState == bsExclusive)
        index = 3;
    if (index >= FNumGlyphs) index = 0;
    if (!Enabled() && FNumGlyphs < 2) {
        // No disabled image: the picture's shape embossed in the 3-D colours.
        const TColor light = ColorToRGB(clBtnHighlight), dark = ColorToRGB(clBtnShadow);
        for (int pass = 0; pass < 2; ++pass)
            for (Integer y = 0; y < h; ++y)
                for (Integer x = 0; x < w; ++x)
                    if ((FGlyph->GetPixel(x, y) & 0xFFFFFF) != transparent)
                        Canvas->SetPixel(X + x + (pass == 0 ? 1 : 0), Y + y + (pass == 0 ? 1 : 0),
                                         pass == 0 ? light : dark);
        return;
    }
    Canvas->CopyTransparent(Bounds(X, Y, w, h), *FGlyph, Bounds(index * w, 0, w, h), transparent);
}

void TSpeedButton::Paint() {
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    const bool pushed = FState == bsDown || FState == bsExclusive || FDown;
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(ColorToRGB(Color()));
    canvas->FillRect(r);
    const TColor light = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow);
    if (!FFlat) {
        if (pushed) {
            Frame3D(canvas, r, shadow, light, 1);
            if (FDown && FState != bsDown) {
                // A button that stays down shows a checked face.
                for (Integer y = r.Top; y < r.Bottom; ++y)
                    for (Integer x = r.Left + ((y + r.Left) & 1); x < r.Right; x += 2) canvas->SetPixel(x, y, light);
            }
        } else {
            Frame3D(canvas, r, light, ColorToRGB(clWindowFrame), 1);
            Frame3D(canvas, r, ColorToRGB(Color()), shadow, 1);
        }
    } else if (pushed || (FMouseInControl && Enabled())) {
        Frame3D(canvas, r, pushed ? shadow : light, pushed ? light : shadow, 1);
    }

    // Glyph and caption as one block, laid out by Layout, Margin and Spacing.
    const AnsiString caption = Caption();
    const Integer gw = FGlyph->Empty() ? 0 : FGlyph->Width() / FNumGlyphs;
    const Integer gh = FGlyph->Empty() ? 0 : FGlyph->Height();
    TRect textRect = Rect(0, 0, 0, 0);
    if (!caption.empty()) DrawText(canvas, caption, textRect, DT_SINGLELINE | DT_CALCRECT);
    const Integer tw = textRect.Width(), th = textRect.Height();
    const bool horizontal = FLayout == blGlyphLeft || FLayout == blGlyphRight;
    const Integer spacing = (gw > 0 && tw > 0) ? FSpacing : 0;
    const Integer total = horizontal ? gw + spacing + tw : gh + spacing + th;
    const Integer extent = horizontal ? Width() : Height();
    Integer start = FMargin >= 0 ? FMargin : (extent - total) / 2;
    if (FLayout == blGlyphRight || FLayout == blGlyphBottom) start = FMargin >= 0 ? extent - FMargin - total : start;
    Integer gx, gy, tx, ty;
    if (horizontal) {
        gy = (Height() - gh) / 2;
        ty = (Height() - th) / 2;
        if (FLayout == blGlyphLeft) {
            gx = start;
            tx = start + gw + spacing;
        } else {
            tx = start;
            gx = start + tw + spacing;
        }
    } else {
        gx = (Width() - gw) / 2;
        tx = (Width() - tw) / 2;
        if (FLayout == blGlyphTop) {
            gy = start;
            ty = start + gh + spacing;
        } else {
            ty = start;
            gy = start + th + spacing;
        }
    }
    const Integer shift = (FState == bsDown || (FDown && !FFlat)) ? 1 : 0;
    if (gw > 0) DrawGlyph(canvas, gx + shift, gy + shift);
    if (!caption.empty()) {
        canvas->Brush()->SetStyle(bsClear);
        TRect tr = Bounds(tx + shift, ty + shift, tw, th);
        if (!Enabled()) {
            TRect lightRect = Bounds(tr.Left + 1, tr.Top + 1, tw, th);
            canvas->Font()->SetColor(light);
            DrawText(canvas, caption, lightRect, DT_SINGLELINE);
            canvas->Font()->SetColor(shadow);
        }
        DrawText(canvas, caption, tr, DT_SINGLELINE);
    }
}

const TEnumType& EnumTypeInfo(TButtonLayout) {
    static const TEnumType t{"TButtonLayout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"}};
    return t;
}

VEMLOR_PUBLISHED(TSpeedButton, TGraphicControl) {
    Prop("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp);
    Prop("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex);
    Prop("Down", &TSpeedButton::Down, &TSpeedButton::SetDown);
    Prop("Caption", &TSpeedButton::Caption, &TSpeedButton::SetCaption);
    Prop("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat);
    Prop("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph);
    Prop("Layout", &TSpeedButton::Layout, &TSpeedButton::SetLayout);
    Prop("Margin", &TSpeedButton::Margin, &TSpeedButton::SetMargin);
    Prop("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs);
    Prop("Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing);
}
VEMLOR_REGISTER_CLASS(TSpeedButton);

#include "platform/gfx/GraphicsObjects.h"

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/SysUtils.h"

void TPen::Changed() { FireEvent(OnChange, this); }
void TPen::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    Changed();
}
void TPen::SetWidth(Integer Value) {
    Value = std::max(Value, 1);
    if (Value == FWidth) return;
    FWidth = Value;
    Changed();
}
void TPen::SetStyle(TPenStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}
void TPen::SetMode(TPenMode Value) {
    if (Value == FMode) return;
    FMode = Value;
    Changed();
}
void TPen::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TPen*>(Source)) {
        FColor = p->FColor, FWidth = p->FWidth, FStyle = p->FStyle, FMode = p->FMode;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TBrush::Changed() { FireEvent(OnChange, this); }
void TBrush::SetColor(TColor Value) {
    if (Value == FColor && FStyle != bsClear) return;
    FColor = Value;
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}
void TBrush::SetStyle(TBrushStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}
void TBrush::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBrush*>(Source)) {
        FColor = b->FColor, FStyle = b->FStyle;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TFont::Changed() { FireEvent(OnChange, this); }
void TFont::SetName(const AnsiString& Value) {
    if (Value == FName) return;
    FName = Value;
    Changed();
}
Integer TFont::Size() const {
    // Height in pixels back to points, rounded as MulDiv rounds.
    const Integer h = FHeight < 0 ? -FHeight : FHeight;
    return Integer((Int64(h) * 72 + ScreenPixelsPerInch / 2) / ScreenPixelsPerInch);
}
void TFont::SetSize(Integer Value) {
    SetHeight(-Integer((Int64(Value < 0 ? -Value : Value) * ScreenPixelsPerInch + 36) / 72));
}
void TFont::SetHeight(Integer Value) {
    if (Value == FHeight) return;
    FHeight = Value;
    Changed();
}
void TFont::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    Changed();
}
void TFont::SetStyle(TFontStyles Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}
void TFont::SetCharset(TFontCharset Value) {
    if (Value == FCharset) return;
    FCharset = Value;
    Changed();
}
void TFont::SetPitch(TFontPitch Value) {
    if (Value == FPitch) return;
    FPitch = Value;
    Changed();
}
void TFont::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TFont*>(Source)) {
        FName = f->FName, FHeight = f->FHeight, FColor = f->FColor, FStyle = f->FStyle;
        FCharset = f->FCharset, FPitch = f->FPitch;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------
// Published properties, in the order stored windows list them.

const TEnumType& EnumTypeInfo(TPenStyle) {
    static const TEnumType type{"TPenStyle", {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear",
                                              "psInsideFrame"}};
    return type;
}
const TEnumType& EnumTypeInfo(TPenMode) {
    static const TEnumType type{"TPenMode",
                                {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot",
                                 "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask",
                                 "pmNotMask", "pmXor", "pmNotXor"}};
    return type;
}
const TEnumType& EnumTypeInfo(TBrushStyle) {
    static const TEnumType type{"TBrushStyle", {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                                                "bsBDiagonal", "bsCross", "bsDiagCross"}};
    return type;
}
const TEnumType& EnumTypeInfo(TFontStyle) {
    static const TEnumType type{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
    return type;
}
const TEnumType& EnumTypeInfo(TFontPitch) {
    static const TEnumType type{"TFontPitch", {"fpDefault", "fpVariable", "fpFixed"}};
    return type;
}

VEMLOR_PUBLISHED(TPen, TPersistent) {
    Prop("Color", &TPen::Color, &TPen::SetColor).Idents(ColorIdents());
    Prop("Mode", &TPen::Mode, &TPen::SetMode);
    Prop("Style", &TPen::Style, &TPen::SetStyle);
    Prop("Width", &TPen::Width, &TPen::SetWidth);
}

VEMLOR_PUBLISHED(TBrush, TPersistent) {
    Prop("Color", &TBrush::Color, &TBrush::SetColor).Idents(ColorIdents());
    Prop("Style", &TBrush::Style, &TBrush::SetStyle);
}

VEMLOR_PUBLISHED(TFont, TPersistent) {
    Prop("Charset", &TFont::Charset, &TFont::SetCharset);
    Prop("Color", &TFont::Color, &TFont::SetColor).Idents(ColorIdents());
    // Form files keep the size in points; the height follows from it.
    Prop("Height", &TFont::Height, &TFont::SetHeight).Stored(false);
    Prop("Name", &TFont::Name, &TFont::SetName);
    Prop("Pitch", &TFont::Pitch, &TFont::SetPitch);
    Prop("Size", &TFont::Size, &TFont::SetSize);
    Prop("Style", &TFont::Style, &TFont::SetStyle);
}

VEMLOR_REGISTER_CLASS(TPen);
VEMLOR_REGISTER_CLASS(TBrush);
VEMLOR_REGISTER_CLASS(TFont);

AnsiString ScreenFontFamily(const AnsiString& name) {
    const AnsiString n = LowerCase(name);
    if (n == "ms sans serif" || n == "arial" || n == "tahoma" || n == "verdana" || n == "ms shell dlg" ||
        n == "ms shell dlg 2" || n == "small fonts" || n.empty())
        return "DejaVu Sans";
    if (n == "courier" || n == "courier new" || n == "fixedsys" || n == "terminal") return "DejaVu Sans Mono";
    if (n == "times new roman" || n == "ms serif" || n == "times") return "DejaVu Serif";
    return name;
}

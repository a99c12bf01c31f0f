#pragma once
// Pens, brushes and fonts: the drawing attributes a canvas uses and controls
// carry. Their published properties let stored windows set them by path
// ("Label1.Font.Size", "Shape1.Brush.Color").

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Set.h"
#include "platform/classes/TypInfo.h"
#include "platform/gfx/Color.h"

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
// A character set number as stored windows give it (238 is Central European).
using TFontCharset = Byte;
constexpr TFontCharset DEFAULT_CHARSET = 1;

const TEnumType& EnumTypeInfo(TPenStyle);
const TEnumType& EnumTypeInfo(TPenMode);
const TEnumType& EnumTypeInfo(TBrushStyle);
const TEnumType& EnumTypeInfo(TFontStyle);
const TEnumType& EnumTypeInfo(TFontPitch);

// Screen resolution the point sizes of fonts are converted with.
constexpr int ScreenPixelsPerInch = 96;

class TPen : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    Integer Width() const { return FWidth; }
    void SetWidth(Integer Value);  // values below 1 become 1
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);
    void Assign(TPersistent* Source) override;
    TNotifyEvent OnChange;

private:
    void Changed();
    TColor FColor = clBlack;
    Integer FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

class TBrush : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TColor Color() const { return FColor; }
    // Setting a colour makes a clear brush solid, as the class library does.
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    void Assign(TPersistent* Source) override;
    TNotifyEvent OnChange;

private:
    void Changed();
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

// The installed family that stands in for a classic Windows family name
// that windows and settings files carry ("MS Sans Serif" -> "DejaVu Sans",
// at the same size); other names pass unchanged. Text is measured and drawn
// with this family wherever it is shown.
AnsiString ScreenFontFamily(const AnsiString& name);

class TFont : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    const AnsiString& Name() const { return FName; }
    void SetName(const AnsiString& Value);
    // Points; Height is the negative pixel height at 96 pixels per inch.
    Integer Size() const;
    void SetSize(Integer Value);
    Integer Height() const { return FHeight; }
    void SetHeight(Integer Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    // Kept for stored windows; text is drawn from Windows-1250 strings whatever it says.
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    void Assign(TPersistent* Source) override;
    TNotifyEvent OnChange;

private:
    void Changed();
    AnsiString FName = "MS Sans Serif";
    Integer FHeight = -11;  // 8 points
    TColor FColor = clWindowText;
    TFontStyles FStyle;
    TFontCharset FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
};

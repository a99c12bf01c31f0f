#pragma once
// TBitBtn: a push button with a kind (OK, Cancel, Yes, ...) that brings its
// caption, modal result and default/cancel role, and an optional glyph.

#include <memory>

#include "platform/ui/StdCtrls.h"

class TBitmap;

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
const TEnumType& EnumTypeInfo(TBitBtnKind);

class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* AOwner);
    ~TBitBtn() override;

    // Setting a kind other than bkCustom sets the caption, the modal result
    // and (OK, Yes: Default; Cancel, No: Cancel) as the class library does.
    TBitBtnKind Kind() const { return FKind; }
    void SetKind(TBitBtnKind Value);
    // The picture beside the caption; its bottom-left pixel's colour is
    // transparent. With NumGlyphs > 1 the bitmap holds that many images side
    // by side (up, disabled, down, held) and the first is shown.
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* Value);
    Integer NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(Integer Value);

    // bkClose closes the parent form after OnClick.
    void Click() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    void GlyphChanged();

    TBitBtnKind FKind = bkCustom;
    std::unique_ptr<TBitmap> FGlyph;
    Integer FNumGlyphs = 1;
};

#pragma once
// TCustomComboEdit: a one-line edit with a small button at its right edge.
// The button fires OnButtonClick or, in a descendant that supplies a popup
// control, drops a popup down under (or over) the edit and closes it again,
// the value picked in it becoming the edit's text. This class keeps the
// whole protocol (placement on the screen, focus, closing on outside clicks,
// accepting or discarding the value); descendants give the popup its
// content through the virtual operations below. TComboEdit publishes it.
//
// The popup's life, with the method behind each step:
//   hidden -> shown   [PopupDropDown: SetPopupValue, ShowPopup]
//   shown  -> hidden  [PopupCloseUp: GetPopupValue, HidePopup, then with
//                      accept AcceptPopup and AcceptValue]
// Enter closes accepting, Escape, a click elsewhere on the form and the loss
// of the focus close discarding.

#include <memory>

#include "components/VmCtrls.h"
#include "platform/rtl/Variant.h"
#include "platform/ui/Menus.h"
#include "platform/ui/TextCtrls.h"

class TCustomComboEdit;

enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };
const TEnumType& EnumTypeInfo(TGlyphKind);
enum TPopupAlign { epaRight, epaLeft };
const TEnumType& EnumTypeInfo(TPopupAlign);

// The edit's button: a speed button that can swallow the click following a
// press that closed the popup.
class TEditButton : public TVmSpeedButton {
public:
    explicit TEditButton(TComponent* AOwner);
    ~TEditButton() override;

    void Click() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    friend class TCustomComboEdit;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    TCustomComboEdit* FEdit = nullptr;
    bool FNoAction = false;
};

class TCustomComboEdit : public TMaskEdit {
public:
    explicit TCustomComboEdit(TComponent* AOwner);
    ~TCustomComboEdit() override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    const AnsiString& ButtonHint() const { return FButton->Hint(); }
    void SetButtonHint(const AnsiString& Value) { FButton->SetHint(Value); }
    // 0 or 1 hides the button; a width not below the client width is ignored.
    Integer ButtonWidth() const { return FButton->Width(); }
    void SetButtonWidth(Integer Value);
    // The key that clicks the button (Alt+Down at first); it needs a button
    // at least one pixel wide.
    TShortCut ClickKey() const { return FClickKey; }
    void SetClickKey(TShortCut Value) { FClickKey = Value; }
    // Without it typing, paste and cut do nothing; the button still works.
    bool DirectInput() const { return FDirectInput; }
    void SetDirectInput(bool Value);
    // Writing a picture makes the kind gkCustom.
    TBitmap* Glyph() const { return FButton->Glyph(); }
    void SetGlyph(TBitmap* Value);
    TGlyphKind GlyphKind() const { return FGlyphKind; }
    void SetGlyphKind(TGlyphKind Value);
    // 1..4.
    Integer NumGlyphs() const { return FButton->NumGlyphs(); }
    void SetNumGlyphs(Integer Value);
    TPopupAlign PopupAlign() const { return FPopupAlign; }
    void SetPopupAlign(TPopupAlign Value) { FPopupAlign = Value; }
    // The edit's own read-only flag: the button, the click key, typing,
    // paste and cut are refused.
    virtual bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool PopupVisible() const { return FPopupVisible; }
    TEditButton* Button() const { return FButton; }
    TWinControl* Popup() const { return FPopup; }
    // The width ButtonWidth is not stored at (what the glyph kind implies).
    Integer DefaultButtonWidth() const;
    bool IsButtonWidthStored() const { return ButtonWidth() != DefaultButtonWidth(); }
    // Only a picture of the user's own is stored.
    bool IsGlyphStored() const { return FGlyphKind == gkCustom; }

    void SetEnabled(bool Value) override;
    // The button's click and the click key: ButtonClick unless read-only.
    void EditButtonClick();
    // Closes the popup; with Accept its value may become the text.
    void PopupCloseUp(TObject* Sender, bool Accept);

    TNotifyEvent OnButtonClick;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    friend class TEditButton;

    virtual bool EditCanModify();
    // The picture of gkDefault; DestroyNeeded tells the caller to free it.
    virtual TBitmap* GetDefaultBitmap(bool& DestroyNeeded);
    virtual void PopupDropDown(bool DisableEdit);
    virtual void ShowPopup(const TPoint& Origin);
    virtual void HidePopup();
    virtual bool AcceptPopup(const Variant& Value);
    virtual void AcceptValue(const Variant& Value);
    virtual void SetPopupValue(const Variant& Value);
    virtual Variant GetPopupValue();
    // Called instead of OnChange while the popup is shown.
    virtual void PopupChange() {}
    virtual void ButtonClick();

    void Change() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    bool WantsKey(Word Key) const override;
    void DoEnter() override;
    void WndProc(TMessage& Message) override;
    void Resize() override;
    void FontChanged() override;

    // Descendants with a popup set it (and own it).
    void SetPopupControl(TWinControl* Value) { FPopup = Value; }
    // Sets the text as the edit itself, without OnChange.
    void SetTextQuietly(const AnsiString& Value);

private:
    void UpdateButtonBounds();
    void UpdateEditRect();
    void RecreateGlyph();
    void ApplyCaret();
    void ButtonMouseDown();
    Integer MinHeight();

    TCustomControl* FBtnControl = nullptr;
    TEditButton* FButton = nullptr;
    TWinControl* FPopup = nullptr;
    bool FReadOnly = false;
    bool FDirectInput = true;
    bool FPopupVisible = false;
    bool FFocused = false;
    bool FQuiet = false;
    bool FButtonFixedWidth = false;
    TAlignment FAlignment = taLeftJustify;
    TGlyphKind FGlyphKind = gkCustom;
    Integer FDefNumGlyphs = 1;
    TShortCut FClickKey = 0;
    TPopupAlign FPopupAlign = epaRight;
};

class TComboEdit : public TCustomComboEdit {
public:
    explicit TComboEdit(TComponent* AOwner);
    ~TComboEdit() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

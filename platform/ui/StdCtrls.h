#pragma once
// The standard controls of the first set: TLabel, TButton, TEdit.

#include <memory>

#include "platform/ui/Controls.h"

enum TTextLayoutKind { tlTop, tlCenter, tlBottom };
const TEnumType& EnumTypeInfo(TTextLayoutKind);

// Draws its caption itself with DrawText, so the size it measures for
// AutoSize is exactly what it shows. "&x" underlines nothing but hides the
// "&" ("&&" shows one) unless ShowAccelChar is off.
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);
    ~TLabel() override;

    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TTextLayoutKind Layout() const { return FLayout; }
    void SetLayout(TTextLayoutKind Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* Value);

    // With AutoSize: the size of the text (the width kept and the height
    // fitted when WordWrap is on); the right edge stays for right-aligned text.
    void AdjustBounds();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    // A label read from a form file takes the size of its caption once the
    // caption and font are known.
    void Loaded() override;
    void Paint() override;
    bool PaintsTransparent() const override { return FTransparent; }
    void TextChanged() override;
    void FontChanged() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    Cardinal DrawFlags() const;

private:
    bool FAutoSize = true;
    bool FWordWrap = false;
    TAlignment FAlignment = taLeftJustify;
    TTextLayoutKind FLayout = tlTop;
    bool FTransparent = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};

struct TButtonImpl;

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);
    ~TButton() override;

    // Return on the form clicks the default button, Escape the cancel one.
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    // Clicking sets the parent form's ModalResult to this value first.
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }

    void Click() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void TextChanged() override;
    bool ClicksOnMouseUp() const override { return false; }

private:
    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// A one-line text editor. Setting Text fires OnChange (when the text really
// changes), just like typing.
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* AOwner);
    ~TEdit() override;

    AnsiString Text() const override;
    void SetText(const AnsiString& Value) override;
    // 0 = no limit. Typing stops at the limit; a longer text set in code is
    // cut to it.
    Integer MaxLength() const { return FMaxLength; }
    void SetMaxLength(Integer Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    // #0 shows the text; any other character hides it.
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char Value);
    bool Modified() const;
    void SetModified(bool Value);
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }

    Integer SelStart() const;
    void SetSelStart(Integer Value);
    Integer SelLength() const;
    void SetSelLength(Integer Value);
    AnsiString SelText() const;
    // Replaces the selection (fires OnChange).
    void SetSelText(const AnsiString& Value);
    void SelectAll();
    void ClearSelection();
    void Clear() { SetText(""); }

    TNotifyEvent OnChange;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    virtual void Change();
    void DoEnter() override;
    // The text area: room left free at the edges (for a button inside the
    // edit), the text's alignment in it, and the caret's width in pixels.
    void SetTextMargins(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom);
    void SetTextAlignment(TAlignment Value);
    void SetCaretWidth(Integer Value);
    Integer CaretWidth() const;

private:
    Integer FMaxLength = 0;
    bool FReadOnly = false;
    char FPasswordChar = 0;
    bool FAutoSelect = true;
};

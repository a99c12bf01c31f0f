#pragma once
// Text editors beyond the one-line edit: TMemo (several lines) and
// TMaskEdit (an edit with an input mask).
//
// As with TEdit, setting the text in code fires OnChange when the text
// really changes, and so does every change made through Lines.

#include <memory>

#include "platform/rtl/StringList.h"
#include "platform/ui/StdCtrls.h"

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
const TEnumType& EnumTypeInfo(TScrollStyle);

class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* AOwner);
    ~TMemo() override;

    // The lines end with CR LF between them, as in the class library's memo.
    AnsiString Text() const override;
    void SetText(const AnsiString& Value) override;
    // The text by lines; a final line break does not start another line.
    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* Value);

    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    // 0 = no limit; typing stops there, text set in code is cut to it.
    Integer MaxLength() const { return FMaxLength; }
    void SetMaxLength(Integer Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    // Without WantReturns, Return goes to the form's default button.
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value);
    bool Modified() const;
    void SetModified(bool Value);

    // Character positions count a line break as two characters (CR LF).
    Integer SelStart() const;
    void SetSelStart(Integer Value);
    Integer SelLength() const;
    void SetSelLength(Integer Value);
    AnsiString SelText() const;
    void SetSelText(const AnsiString& Value);
    void SelectAll();
    void Clear() { SetText(""); }
    void ClearSelection() { SetSelText(""); }
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();

    TNotifyEvent OnChange;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    virtual void Change();
    bool WantsKey(Word Key) const override;

private:
    friend struct TMemoAccess;
    void ApplyWrap();
    // Puts text (with \n line ends) into the editor without signals.
    void PutText(const AnsiString& Value);

    std::unique_ptr<TStrings> FLines;
    bool FWordWrap = true;
    TScrollStyle FScrollBars = ssNone;
    bool FReadOnly = false;
    Integer FMaxLength = 0;
    TAlignment FAlignment = taLeftJustify;
    bool FWantReturns = true;
    bool FWantTabs = false;
    bool FInMaxLength = false;
};

// An edit with an input mask in the class library's notation
// ("!99/99/0000;1;_": the mask, whether literals are kept in Text, the blank
// character). Mask characters: 0 digit, 9 digit or blank, # digit, sign or
// blank, L letter, l letter or blank, A letter or digit, a the same or blank,
// C any character, c any or blank, > upper case, < lower case, <> no case
// change, \ the next character as literal; anything else is a literal. An
// empty mask makes a plain edit.
class TMaskEdit : public TEdit {
public:
    explicit TMaskEdit(TComponent* AOwner);
    ~TMaskEdit() override;

    const AnsiString& EditMask() const { return FEditMask; }
    void SetEditMask(const AnsiString& Value);
    bool IsMasked() const { return !FEditMask.empty(); }
    // The text as shown, literals and blanks included.
    AnsiString EditText() const;
    // With a mask whose second field is 0, Text leaves the literals out.
    AnsiString Text() const override;
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    AnsiString FEditMask;
    TEditCharCase FCharCase = ecNormal;
    bool FSaveLiterals = true;
};

// Turns the class library's mask into Qt's input-mask notation; the bytes
// of the result are Windows-1250 like the input. Exposed for tests.
AnsiString ConvertEditMask(const AnsiString& Mask, bool& SaveLiterals, char& Blank);

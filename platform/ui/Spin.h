#pragma once
// TSpinEdit: a number edit with up and down arrows. Like the edit it is,
// it fires OnChange whenever its text changes, Value set in code included.

#include "platform/ui/Controls.h"

class TSpinEdit : public TWinControl {
public:
    explicit TSpinEdit(TComponent* AOwner);
    ~TSpinEdit() override;

    // Kept within MinValue..MaxValue unless both are equal (no limits).
    Integer Value() const;
    void SetValue(Integer Value);
    Integer MinValue() const { return FMinValue; }
    void SetMinValue(Integer Value);
    Integer MaxValue() const { return FMaxValue; }
    void SetMaxValue(Integer Value);
    Integer Increment() const { return FIncrement; }
    void SetIncrement(Integer Value);
    // Without it the number changes only by the arrows.
    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool Value);
    AnsiString Text() const override;
    void SetText(const AnsiString& Value) override;

    TNotifyEvent OnChange;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    virtual void Change();

private:
    Integer Clamp(Integer Value) const;
    void ApplyRange();

    Integer FMinValue = 0;
    Integer FMaxValue = 0;
    Integer FIncrement = 1;
    bool FEditorEnabled = true;
    bool FApplying = false;
};

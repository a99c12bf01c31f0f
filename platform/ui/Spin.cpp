#include "platform/ui/Spin.h"

#include <QLineEdit>
#include <QSpinBox>

#include <algorithm>
#include <climits>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ControlKit.h"

using namespace ui_detail;

TSpinEdit::TSpinEdit(TComponent* AOwner) : TWinControl(AOwner) {
    auto* spin = new QSpinBox();
    spin->setRange(INT_MIN, INT_MAX);
    spin->setAccelerated(true);
    AttachWidget(this, spin);
    QObject::connect(spin, &QSpinBox::textChanged, spin, [this] {
        if (!FApplying) SafeCall(this, [this] { Change(); });
    });
    if (auto* edit = spin->findChild<QLineEdit*>()) RouteChildInput(this, edit, true, false);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 22);
}

TSpinEdit::~TSpinEdit() = default;

Integer TSpinEdit::Clamp(Integer Value) const {
    if (FMaxValue == FMinValue) return Value;
    return std::clamp(Value, std::min(FMinValue, FMaxValue), std::max(FMinValue, FMaxValue));
}

Integer TSpinEdit::Value() const {
    auto* spin = QtWidget<QSpinBox>(this);
    return spin ? spin->value() : FMinValue;
}

void TSpinEdit::SetValue(Integer Value) {
    auto* spin = QtWidget<QSpinBox>(this);
    if (!spin) return;
    const AnsiString before = Text();
    FApplying = true;
    spin->setValue(Clamp(Value));
    FApplying = false;
    if (Text() != before) Change();
}

AnsiString TSpinEdit::Text() const {
    auto* spin = QtWidget<QSpinBox>(this);
    return spin ? FromQ(spin->text()) : AnsiString();
}

void TSpinEdit::SetText(const AnsiString& Value) { SetValue(StrToIntDef(Trim(Value), FMinValue)); }

void TSpinEdit::ApplyRange() {
    auto* spin = QtWidget<QSpinBox>(this);
    if (!spin) return;
    const AnsiString before = Text();
    FApplying = true;
    if (FMaxValue == FMinValue)
        spin->setRange(INT_MIN, INT_MAX);
    else
        spin->setRange(std::min(FMinValue, FMaxValue), std::max(FMinValue, FMaxValue));
    FApplying = false;
    if (Text() != before) Change();
}

void TSpinEdit::SetMinValue(Integer Value) {
    if (FMinValue == Value) return;
    FMinValue = Value;
    ApplyRange();
}

void TSpinEdit::SetMaxValue(Integer Value) {
    if (FMaxValue == Value) return;
    FMaxValue = Value;
    ApplyRange();
}

void TSpinEdit::SetIncrement(Integer Value) {
    if (Value < 1) Value = 1;
    if (FIncrement == Value) return;
    FIncrement = Value;
    if (auto* spin = QtWidget<QSpinBox>(this)) spin->setSingleStep(Value);
}

void TSpinEdit::SetEditorEnabled(bool Value) {
    if (FEditorEnabled == Value) return;
    FEditorEnabled = Value;
    if (auto* spin = QtWidget<QSpinBox>(this))
        if (auto* edit = spin->findChild<QLineEdit*>()) edit->setReadOnly(!Value);
}

void TSpinEdit::Change() { FireEvent(OnChange, this); }

VEMLOR_PUBLISHED(TSpinEdit, TWinControl) {
    Prop("EditorEnabled", &TSpinEdit::EditorEnabled, &TSpinEdit::SetEditorEnabled);
    Prop("Increment", &TSpinEdit::Increment, &TSpinEdit::SetIncrement);
    Prop("MaxValue", &TSpinEdit::MaxValue, &TSpinEdit::SetMaxValue);
    Prop("MinValue", &TSpinEdit::MinValue, &TSpinEdit::SetMinValue);
    Prop("Value", &TSpinEdit::Value, &TSpinEdit::SetValue);
    EventProp("OnChange", &TSpinEdit::OnChange);
}
VEMLOR_REGISTER_CLASS(TSpinEdit);

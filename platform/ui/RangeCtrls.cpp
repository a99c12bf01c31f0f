#include "platform/ui/RangeCtrls.h"

#include <QProgressBar>
#include <QScrollBar>
#include <QSlider>

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/ControlKit.h"

using namespace ui_detail;

// ---------------------------------------------------------------------------
// TScrollBar

struct TScrollBarAccess {
    static void UserAction(TScrollBar* s, int action) {
        auto* bar = QtWidget<QScrollBar>(s);
        if (!bar) return;
        TScrollCode code = scPosition;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: code = scLineDown; break;
        case QAbstractSlider::SliderSingleStepSub: code = scLineUp; break;
        case QAbstractSlider::SliderPageStepAdd: code = scPageDown; break;
        case QAbstractSlider::SliderPageStepSub: code = scPageUp; break;
        case QAbstractSlider::SliderToMinimum: code = scTop; break;
        case QAbstractSlider::SliderToMaximum: code = scBottom; break;
        case QAbstractSlider::SliderMove: code = scTrack; break;
        default: break;
        }
        Integer pos = bar->sliderPosition();
        std::weak_ptr<void> alive = s->AliveToken();
        s->Scroll(code, pos);
        if (alive.expired()) return;
        if (pos != bar->sliderPosition()) bar->setSliderPosition(pos);
    }
    static void Moved(TScrollBar* s, int value) {
        if (s->FApplying || value == s->FPosition) return;
        s->FPosition = value;
        s->Change();
    }
};

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
    auto* bar = new QScrollBar(Qt::Horizontal);
    AttachWidget(this, bar);
    QObject::connect(bar, &QScrollBar::actionTriggered, bar, [this](int action) {
        SafeCall(this, [this, action] { TScrollBarAccess::UserAction(this, action); });
    });
    QObject::connect(bar, &QScrollBar::valueChanged, bar, [this](int value) {
        SafeCall(this, [this, value] { TScrollBarAccess::Moved(this, value); });
    });
    SetTabStop(true);
    SetBounds(0, 0, 121, 16);
    Apply();
}

TScrollBar::~TScrollBar() = default;

void TScrollBar::Apply() {
    auto* bar = QtWidget<QScrollBar>(this);
    if (!bar) return;
    FApplying = true;
    bar->setOrientation(FKind == sbHorizontal ? Qt::Horizontal : Qt::Vertical);
    // The class library's range includes the last page; Qt's stops before it.
    bar->setRange(FMin, std::max(FMin, FMax - std::max<Integer>(FPageSize - 1, 0)));
    bar->setPageStep(std::max<Integer>(FPageSize > 0 ? FPageSize : FLargeChange, 1));
    bar->setSingleStep(FSmallChange);
    bar->setValue(FPosition);
    FApplying = false;
}

void TScrollBar::SetKind(TScrollBarKind Value) {
    if (FKind == Value) return;
    FKind = Value;
    SetBounds(Left(), Top(), Height(), Width());
    Apply();
}

void TScrollBar::SetParams(Integer APosition, Integer AMin, Integer AMax) {
    if (AMax < AMin) throw EInvalidOperation("Scroll bar property out of range");
    APosition = std::clamp(APosition, AMin, std::max(AMin, AMax - std::max<Integer>(FPageSize - 1, 0)));
    if (APosition == FPosition && AMin == FMin && AMax == FMax) return;
    const bool moved = APosition != FPosition;
    FMin = AMin;
    FMax = AMax;
    FPosition = APosition;
    Apply();
    if (moved) Change();
}

void TScrollBar::SetSmallChange(Integer Value) {
    if (FSmallChange == Value) return;
    FSmallChange = Value;
    Apply();
}

void TScrollBar::SetLargeChange(Integer Value) {
    if (FLargeChange == Value) return;
    FLargeChange = Value;
    Apply();
}

void TScrollBar::SetPageSize(Integer Value) {
    Value = std::clamp<Integer>(Value, 0, std::max<Integer>(FMax - FMin + 1, 0));
    if (FPageSize == Value) return;
    FPageSize = Value;
    Apply();
}

void TScrollBar::Change() { FireEvent(OnChange, this); }

void TScrollBar::Scroll(TScrollCode ScrollCode, Integer& ScrollPos) {
    if (OnScroll) {
        TScrollEvent handler = OnScroll;
        handler(this, ScrollCode, ScrollPos);
    }
}

// ---------------------------------------------------------------------------
// TTrackBar

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
    auto* slider = new QSlider(Qt::Horizontal);
    AttachWidget(this, slider);
    QObject::connect(slider, &QSlider::valueChanged, slider, [this](int value) {
        if (FApplying || value == FPosition) return;
        SafeCall(this, [this, value] {
            FPosition = value;
            Changed();
        });
    });
    SetTabStop(true);
    SetBounds(0, 0, 150, 45);
    Apply();
}

TTrackBar::~TTrackBar() = default;

void TTrackBar::Apply() {
    auto* slider = QtWidget<QSlider>(this);
    if (!slider) return;
    FApplying = true;
    const bool vertical = FOrientation == trVertical;
    slider->setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
    slider->setInvertedAppearance(vertical);
    slider->setInvertedControls(vertical);
    slider->setRange(FMin, FMax);
    slider->setValue(FPosition);
    slider->setSingleStep(FLineSize);
    slider->setPageStep(FPageSize);
    slider->setTickInterval(FFrequency);
    QSlider::TickPosition ticks = QSlider::NoTicks;
    if (FTickStyle != tsNone) {
        if (FTickMarks == tmBoth)
            ticks = QSlider::TicksBothSides;
        else if (FTickMarks == tmTopLeft)
            ticks = QSlider::TicksAbove;
        else
            ticks = QSlider::TicksBelow;
    }
    slider->setTickPosition(ticks);
    FApplying = false;
}

void TTrackBar::SetOrientation(TTrackBarOrientation Value) {
    if (FOrientation == Value) return;
    FOrientation = Value;
    // Turning the bar turns its size; a form file already holds the size of
    // the turned bar.
    if (!ComponentState().Contains(csLoading)) SetBounds(Left(), Top(), Height(), Width());
    Apply();
}

void TTrackBar::SetMin(Integer Value) {
    if (FMin == Value) return;
    FMin = Value;
    if (FMax < FMin) FMax = FMin;
    const Integer old = FPosition;
    FPosition = std::clamp(FPosition, FMin, FMax);
    Apply();
    if (old != FPosition) Changed();
}

void TTrackBar::SetMax(Integer Value) {
    if (FMax == Value) return;
    FMax = Value;
    if (FMin > FMax) FMin = FMax;
    const Integer old = FPosition;
    FPosition = std::clamp(FPosition, FMin, FMax);
    Apply();
    if (old != FPosition) Changed();
}

void TTrackBar::SetPosition(Integer Value) {
    Value = std::clamp(Value, FMin, FMax);
    if (FPosition == Value) return;
    FPosition = Value;
    Apply();
    Changed();
}

void TTrackBar::SetFrequency(Integer Value) {
    if (FFrequency == Value) return;
    FFrequency = Value;
    Apply();
}

void TTrackBar::SetLineSize(Integer Value) {
    if (FLineSize == Value) return;
    FLineSize = Value;
    Apply();
}

void TTrackBar::SetPageSize(Integer Value) {
    if (FPageSize == Value) return;
    FPageSize = Value;
    Apply();
}

void TTrackBar::SetTickMarks(TTickMark Value) {
    if (FTickMarks == Value) return;
    FTickMarks = Value;
    Apply();
}

void TTrackBar::SetTickStyle(TTickStyle Value) {
    if (FTickStyle == Value) return;
    FTickStyle = Value;
    Apply();
}

void TTrackBar::Changed() { FireEvent(OnChange, this); }

// ---------------------------------------------------------------------------
// TProgressBar

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
    auto* bar = new QProgressBar();
    bar->setTextVisible(false);
    AttachWidget(this, bar);
    SetBounds(0, 0, 150, 16);
    Apply();
}

TProgressBar::~TProgressBar() = default;

void TProgressBar::Apply() {
    auto* bar = QtWidget<QProgressBar>(this);
    if (!bar) return;
    bar->setOrientation(FOrientation == pbHorizontal ? Qt::Horizontal : Qt::Vertical);
    bar->setRange(FMin, FMax);
    bar->setValue(FPosition);
}

void TProgressBar::SetMin(Integer Value) {
    if (FMin == Value) return;
    FMin = Value;
    if (FMax < FMin) FMax = FMin;
    FPosition = std::clamp(FPosition, FMin, FMax);
    Apply();
}

void TProgressBar::SetMax(Integer Value) {
    if (FMax == Value) return;
    FMax = Value;
    if (FMin > FMax) FMin = FMax;
    FPosition = std::clamp(FPosition, FMin, FMax);
    Apply();
}

void TProgressBar::SetPosition(Integer Value) {
    Value = std::clamp(Value, FMin, FMax);
    if (FPosition == Value) return;
    FPosition = Value;
    Apply();
}

void TProgressBar::StepBy(Integer Delta) {
    Integer next = FPosition + Delta;
    if (next > FMax) next = FMin + (next - FMax - 1) % std::max<Integer>(FMax - FMin + 1, 1);
    SetPosition(next);
}

void TProgressBar::StepIt() { StepBy(FStep); }

void TProgressBar::SetOrientation(TProgressBarOrientation Value) {
    if (FOrientation == Value) return;
    FOrientation = Value;
    Apply();
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TScrollBarKind) {
    static const TEnumType t{"TScrollBarKind", {"sbHorizontal", "sbVertical"}};
    return t;
}
const TEnumType& EnumTypeInfo(TTrackBarOrientation) {
    static const TEnumType t{"TTrackBarOrientation", {"trHorizontal", "trVertical"}};
    return t;
}
const TEnumType& EnumTypeInfo(TTickMark) {
    static const TEnumType t{"TTickMark", {"tmBottomRight", "tmTopLeft", "tmBoth"}};
    return t;
}
const TEnumType& EnumTypeInfo(TTickStyle) {
    static const TEnumType t{"TTickStyle", {"tsNone", "tsAuto", "tsManual"}};
    return t;
}
const TEnumType& EnumTypeInfo(TProgressBarOrientation) {
    static const TEnumType t{"TProgressBarOrientation", {"pbHorizontal", "pbVertical"}};
    return t;
}

VEMLOR_PUBLISHED(TScrollBar, TWinControl) {
    Prop("Kind", &TScrollBar::Kind, &TScrollBar::SetKind);
    Prop("LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange);
    Prop("Max", &TScrollBar::Max, &TScrollBar::SetMax);
    Prop("Min", &TScrollBar::Min, &TScrollBar::SetMin);
    Prop("PageSize", &TScrollBar::PageSize, &TScrollBar::SetPageSize);
    Prop("Position", &TScrollBar::Position, &TScrollBar::SetPosition);
    Prop("SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange);
    EventProp("OnChange", &TScrollBar::OnChange);
    EventProp("OnScroll", &TScrollBar::OnScroll);
}
VEMLOR_REGISTER_CLASS(TScrollBar);

VEMLOR_PUBLISHED(TTrackBar, TWinControl) {
    Prop("Orientation", &TTrackBar::Orientation, &TTrackBar::SetOrientation);
    Prop("Frequency", &TTrackBar::Frequency, &TTrackBar::SetFrequency);
    Prop("LineSize", &TTrackBar::LineSize, &TTrackBar::SetLineSize);
    Prop("Max", &TTrackBar::Max, &TTrackBar::SetMax);
    Prop("Min", &TTrackBar::Min, &TTrackBar::SetMin);
    Prop("PageSize", &TTrackBar::PageSize, &TTrackBar::SetPageSize);
    Prop("Position", &TTrackBar::Position, &TTrackBar::SetPosition);
    Prop("TickMarks", &TTrackBar::TickMarks, &TTrackBar::SetTickMarks);
    Prop("TickStyle", &TTrackBar::TickStyle, &TTrackBar::SetTickStyle);
    EventProp("OnChange", &TTrackBar::OnChange);
}
VEMLOR_REGISTER_CLASS(TTrackBar);

VEMLOR_PUBLISHED(TProgressBar, TWinControl) {
    Prop("Max", &TProgressBar::Max, &TProgressBar::SetMax);
    Prop("Min", &TProgressBar::Min, &TProgressBar::SetMin);
    Prop("Orientation", &TProgressBar::Orientation, &TProgressBar::SetOrientation);
    Prop("Position", &TProgressBar::Position, &TProgressBar::SetPosition);
    Prop("Smooth", &TProgressBar::Smooth, &TProgressBar::SetSmooth);
    Prop("Step", &TProgressBar::Step, &TProgressBar::SetStep);
}
VEMLOR_REGISTER_CLASS(TProgressBar);

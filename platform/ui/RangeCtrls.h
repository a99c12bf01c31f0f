#pragma once
// Controls over a range of numbers: TScrollBar, TTrackBar (a slider) and
// TProgressBar. Scroll bar and track bar fire OnChange whenever Position
// changes, set in code or moved by the user; the progress bar has no events.

#include <functional>

#include "platform/ui/Controls.h"

enum TScrollBarKind { sbHorizontal, sbVertical };
const TEnumType& EnumTypeInfo(TScrollBarKind);

enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = std::function<void(TObject* Sender, TScrollCode ScrollCode, Integer& ScrollPos)>;

class TScrollBar : public TWinControl {
public:
    explicit TScrollBar(TComponent* AOwner);
    ~TScrollBar() override;

    TScrollBarKind Kind() const { return FKind; }
    void SetKind(TScrollBarKind Value);
    Integer Min() const { return FMin; }
    void SetMin(Integer Value) { SetParams(FPosition, Value, FMax); }
    Integer Max() const { return FMax; }
    void SetMax(Integer Value) { SetParams(FPosition, FMin, Value); }
    Integer Position() const { return FPosition; }
    void SetPosition(Integer Value) { SetParams(Value, FMin, FMax); }
    // Raises EInvalidOperation when Max < Min; the position is kept inside.
    void SetParams(Integer APosition, Integer AMin, Integer AMax);
    Integer SmallChange() const { return FSmallChange; }
    void SetSmallChange(Integer Value);
    Integer LargeChange() const { return FLargeChange; }
    void SetLargeChange(Integer Value);
    Integer PageSize() const { return FPageSize; }
    void SetPageSize(Integer Value);

    TNotifyEvent OnChange;
    // The user's scrolling, before the position moves; the handler may
    // change the position it goes to.
    TScrollEvent OnScroll;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    virtual void Change();
    virtual void Scroll(TScrollCode ScrollCode, Integer& ScrollPos);

private:
    friend struct TScrollBarAccess;
    void Apply();

    TScrollBarKind FKind = sbHorizontal;
    Integer FMin = 0, FMax = 100, FPosition = 0;
    Integer FSmallChange = 1, FLargeChange = 1, FPageSize = 0;
    bool FApplying = false;
};

enum TTrackBarOrientation { trHorizontal, trVertical };
const TEnumType& EnumTypeInfo(TTrackBarOrientation);
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
const TEnumType& EnumTypeInfo(TTickMark);
enum TTickStyle { tsNone, tsAuto, tsManual };
const TEnumType& EnumTypeInfo(TTickStyle);

class TTrackBar : public TWinControl {
public:
    explicit TTrackBar(TComponent* AOwner);
    ~TTrackBar() override;

    // A vertical track bar has Min at the top, as the class library's.
    TTrackBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TTrackBarOrientation Value);
    Integer Min() const { return FMin; }
    void SetMin(Integer Value);
    Integer Max() const { return FMax; }
    void SetMax(Integer Value);
    // Kept within Min..Max.
    Integer Position() const { return FPosition; }
    void SetPosition(Integer Value);
    Integer Frequency() const { return FFrequency; }
    void SetFrequency(Integer Value);
    Integer LineSize() const { return FLineSize; }
    void SetLineSize(Integer Value);
    Integer PageSize() const { return FPageSize; }
    void SetPageSize(Integer Value);
    TTickMark TickMarks() const { return FTickMarks; }
    void SetTickMarks(TTickMark Value);
    TTickStyle TickStyle() const { return FTickStyle; }
    void SetTickStyle(TTickStyle Value);

    TNotifyEvent OnChange;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    virtual void Changed();

private:
    void Apply();

    TTrackBarOrientation FOrientation = trHorizontal;
    Integer FMin = 0, FMax = 10, FPosition = 0;
    Integer FFrequency = 1, FLineSize = 1, FPageSize = 2;
    TTickMark FTickMarks = tmBottomRight;
    TTickStyle FTickStyle = tsAuto;
    bool FApplying = false;
};

enum TProgressBarOrientation { pbHorizontal, pbVertical };
const TEnumType& EnumTypeInfo(TProgressBarOrientation);

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* AOwner);
    ~TProgressBar() override;

    Integer Min() const { return FMin; }
    void SetMin(Integer Value);
    Integer Max() const { return FMax; }
    void SetMax(Integer Value);
    // Kept within Min..Max.
    Integer Position() const { return FPosition; }
    void SetPosition(Integer Value);
    Integer Step() const { return FStep; }
    void SetStep(Integer Value) { FStep = Value; }
    // Advances by Step (by Delta); at Max the bar starts again at Min, as
    // the class library's does.
    void StepIt();
    void StepBy(Integer Delta);
    TProgressBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TProgressBarOrientation Value);
    bool Smooth() const { return FSmooth; }
    void SetSmooth(bool Value) { FSmooth = Value; }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    void Apply();

    Integer FMin = 0, FMax = 100, FPosition = 0, FStep = 10;
    TProgressBarOrientation FOrientation = pbHorizontal;
    bool FSmooth = false;
};

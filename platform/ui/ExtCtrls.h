#pragma once
// TPanel, TImage and TTimer.

#include <atomic>
#include <memory>

#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

class TPicture;

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
const TEnumType& EnumTypeInfo(TBevelCut);

// A container with an outer and an inner bevel and a centred caption.
// Children are aligned inside the border and the bevels.
class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* AOwner);
    ~TPanel() override;

    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    Integer BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(Integer Value);
    Integer BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(Integer Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Paint() override;
    void TextChanged() override { Invalidate(); }
    TRect AlignRect() const override;

private:
    void BordersChanged();

    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    Integer FBevelWidth = 1;
    Integer FBorderWidth = 0;
    TBorderStyle FBorderStyle = bsNone;
    TAlignment FAlignment = taCenter;
};

// Draws a 3-D frame inside Rect and narrows Rect by Width, as the class
// library's Frame3D does.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, Integer Width);

// Shows a picture. Canvas draws on the picture's bitmap (a picture that
// holds another graphic is replaced by a bitmap of its size first).
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* Value);
    TCanvas* Canvas();
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Paint() override;
    bool PaintsTransparent() const override { return FTransparent; }
    // A stretched picture may be enlarged far past the screen.
    bool PaintsVisiblePartOnly() const override { return true; }

private:
    void PictureChanged();

    std::unique_ptr<TPicture> FPicture;
    bool FAutoSize = false;
    bool FStretch = false;
    bool FCenter = false;
    bool FTransparent = false;
    bool FDrawing = false;
};

struct TTimerImpl;

// Calls OnTimer every Interval milliseconds while Enabled. Interval 0 runs
// the timer as fast as allowed (every 10 ms), it does not stop it. Enabled
// may be set from any thread; the change reaches the timer on the
// user-interface thread.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled.load(); }
    void SetEnabled(bool Value);
    Cardinal Interval() const { return FInterval; }
    void SetInterval(Cardinal Value);

    TNotifyEvent OnTimer;

    // The period actually used: Interval, or the fastest rate for 0.
    Cardinal EffectiveInterval() const { return FInterval == 0 ? 10 : FInterval; }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    friend struct TTimerAccess;
    void UpdateTimer();
    void Fire();

    std::shared_ptr<TTimerImpl> FImpl;
    std::atomic<bool> FEnabled{true};
    Cardinal FInterval = 1000;
};

namespace ui_detail {
// Where timers get their ticks: Qt's timers, or a test's fake clock.
class TTimerSource {
public:
    virtual ~TTimerSource() = default;
    virtual void Start(TTimer* Timer, Cardinal Interval) = 0;
    virtual void Stop(TTimer* Timer) = 0;
};
void SetTimerSource(TTimerSource* Source);  // nullptr: Qt's timers
void FireTimer(TTimer* Timer);
}  // namespace ui_detail

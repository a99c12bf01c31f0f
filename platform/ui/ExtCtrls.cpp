#include "platform/ui/ExtCtrls.h"

#include <QTimer>

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/UiBridge.h"

using namespace ui_detail;

// ---------------------------------------------------------------------------
// TPanel

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, Integer Width) {
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetMode(pmCopy);
    // The last pixel row and column belong to the bottom-right edge.
    Rect.Right -= 1;
    Rect.Bottom -= 1;
    for (Integer i = 0; i < Width; ++i) {
        Canvas->Pen()->SetColor(TopColor);
        Canvas->MoveTo(Rect.Left, Rect.Bottom);
        Canvas->LineTo(Rect.Left, Rect.Top);
        Canvas->LineTo(Rect.Right, Rect.Top);
        Canvas->Pen()->SetColor(BottomColor);
        Canvas->LineTo(Rect.Right, Rect.Bottom);
        Canvas->LineTo(Rect.Left - 1, Rect.Bottom);
        Rect.Left += 1;
        Rect.Top += 1;
        Rect.Right -= 1;
        Rect.Bottom -= 1;
    }
    Rect.Right += 1;
    Rect.Bottom += 1;
}

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 41);
}

TPanel::~TPanel() = default;

TRect TPanel::AlignRect() const {
    TRect r = ClientRect();
    Integer inset = FBorderWidth;
    if (FBevelOuter != bvNone) inset += FBevelWidth;
    if (FBevelInner != bvNone) inset += FBevelWidth;
    if (FBorderStyle == bsSingle) inset += 1;
    r.Left += inset;
    r.Top += inset;
    r.Right -= inset;
    r.Bottom -= inset;
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    return r;
}

void TPanel::Paint() {
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    if (FBorderStyle == bsSingle) Frame3D(canvas, r, clWindowFrame, clWindowFrame, 1);
    auto colors = [](TBevelCut cut, TColor& top, TColor& bottom) {
        top = cut == bvLowered ? ColorToRGB(clBtnShadow) : ColorToRGB(clBtnHighlight);
        bottom = cut == bvLowered ? ColorToRGB(clBtnHighlight) : ColorToRGB(clBtnShadow);
    };
    TColor top = clNone, bottom = clNone;
    if (FBevelOuter != bvNone) {
        colors(FBevelOuter, top, bottom);
        if (FBevelOuter == bvSpace) top = bottom = ColorToRGB(Color());
        Frame3D(canvas, r, top, bottom, FBevelWidth);
    }
    if (FBorderWidth > 0) Frame3D(canvas, r, ColorToRGB(Color()), ColorToRGB(Color()), FBorderWidth);
    if (FBevelInner != bvNone) {
        colors(FBevelInner, top, bottom);
        if (FBevelInner == bvSpace) top = bottom = ColorToRGB(Color());
        Frame3D(canvas, r, top, bottom, FBevelWidth);
    }
    if (!Caption().empty()) {
        canvas->Brush()->SetStyle(bsClear);
        Cardinal flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
        if (FAlignment == taCenter) flags |= DT_CENTER;
        if (FAlignment == taRightJustify) flags |= DT_RIGHT;
        DrawText(canvas, Caption(), r, flags);
    }
}

void TPanel::BordersChanged() {
    Realign();
    Invalidate();
}

void TPanel::SetBevelInner(TBevelCut Value) {
    if (FBevelInner == Value) return;
    FBevelInner = Value;
    BordersChanged();
}

void TPanel::SetBevelOuter(TBevelCut Value) {
    if (FBevelOuter == Value) return;
    FBevelOuter = Value;
    BordersChanged();
}

void TPanel::SetBevelWidth(Integer Value) {
    Value = std::max<Integer>(Value, 1);
    if (FBevelWidth == Value) return;
    FBevelWidth = Value;
    BordersChanged();
}

void TPanel::SetBorderWidth(Integer Value) {
    Value = std::max<Integer>(Value, 0);
    if (FBorderWidth == Value) return;
    FBorderWidth = Value;
    BordersChanged();
}

void TPanel::SetBorderStyle(TBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    BordersChanged();
}

void TPanel::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    Invalidate();
}

// ---------------------------------------------------------------------------
// TImage

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
    FPicture->OnChange = [this](TObject*) { PictureChanged(); };
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

void TImage::SetPicture(TPicture* Value) { FPicture->Assign(Value); }

TCanvas* TImage::Canvas() {
    TGraphic* graphic = FPicture->Graphic();
    if (graphic && !dynamic_cast<TBitmap*>(graphic)) {
        // Drawing needs a bitmap: the picture becomes one showing the old graphic.
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetPixelFormat(pf24bit);
        bitmap->SetSize(graphic->Width(), graphic->Height());
        bitmap->Canvas()->Draw(0, 0, graphic);
        FPicture->SetGraphic(bitmap.get());
    }
    TBitmap* bitmap = FPicture->Bitmap();
    if (bitmap->Empty()) {
        bitmap->SetPixelFormat(pf24bit);
        bitmap->SetSize(std::max<Integer>(Width(), 1), std::max<Integer>(Height(), 1));
    }
    TCanvas* canvas = bitmap->Canvas();
    canvas->OnChange = [this](TObject*) { Invalidate(); };
    return canvas;
}

void TImage::PictureChanged() {
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
    if (TGraphic* g = FPicture->Graphic()) g->SetTransparent(FTransparent);
    Invalidate();
}

void TImage::SetAutoSize(bool Value) {
    if (FAutoSize == Value) return;
    FAutoSize = Value;
    PictureChanged();
}

void TImage::SetStretch(bool Value) {
    if (FStretch == Value) return;
    FStretch = Value;
    Invalidate();
}

void TImage::SetCenter(bool Value) {
    if (FCenter == Value) return;
    FCenter = Value;
    Invalidate();
}

void TImage::SetTransparent(bool Value) {
    if (FTransparent == Value) return;
    FTransparent = Value;
    PictureChanged();
}

void TImage::Paint() {
    TGraphic* graphic = FPicture->Graphic();
    TCanvas* canvas = TGraphicControl::Canvas();
    if (!graphic || graphic->Empty() || FDrawing) return;
    TRect r;
    if (FStretch) {
        r = ClientRect();
    } else if (FCenter) {
        r = Bounds((Width() - graphic->Width()) / 2, (Height() - graphic->Height()) / 2, graphic->Width(),
                   graphic->Height());
    } else {
        r = Bounds(0, 0, graphic->Width(), graphic->Height());
    }
    const TPoint origin = PaintOrigin();
    r = Rect(r.Left - origin.x, r.Top - origin.y, r.Right - origin.x, r.Bottom - origin.y);
    FDrawing = true;
    auto drawn = ScopeExit([this] { FDrawing = false; });
    canvas->StretchDraw(r, graphic);
}

// ---------------------------------------------------------------------------
// TTimer

struct TTimerImpl {
    QTimer* Timer = nullptr;
    ~TTimerImpl() {
        if (!Timer) return;
        Timer->stop();
        QObject::disconnect(Timer, nullptr, nullptr, nullptr);
        // Freed from its own OnTimer: the QTimer is still delivering.
        if (InDispatch())
            Timer->deleteLater();
        else
            delete Timer;
    }
};

namespace {
TTimerSource* gTimerSource = nullptr;
}

void ui_detail::SetTimerSource(TTimerSource* Source) { gTimerSource = Source; }

struct TTimerAccess {
    static void Fire(TTimer* t) { t->Fire(); }
};

void ui_detail::FireTimer(TTimer* Timer) {
    if (Timer) TTimerAccess::Fire(Timer);
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FImpl(std::make_shared<TTimerImpl>()) {
    UpdateTimer();
}

TTimer::~TTimer() {
    if (gTimerSource) gTimerSource->Stop(this);
    FImpl.reset();
}

void TTimer::SetEnabled(bool Value) {
    if (FEnabled.exchange(Value) == Value) return;
    if (GetApplication()->IsMainThread()) {
        UpdateTimer();
        return;
    }
    GetApplication()->Post([weak = std::weak_ptr<TTimerImpl>(FImpl), this] {
        if (!weak.expired()) UpdateTimer();
    });
}

void TTimer::SetInterval(Cardinal Value) {
    if (FInterval == Value) return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (ComponentState().Contains(csDestroying)) return;
    const bool run = FEnabled.load() && !ComponentState().Contains(csDesigning);
    if (gTimerSource) {
        if (FImpl->Timer) FImpl->Timer->stop();
        if (run)
            gTimerSource->Start(this, EffectiveInterval());
        else
            gTimerSource->Stop(this);
        return;
    }
    if (!run) {
        if (FImpl->Timer) FImpl->Timer->stop();
        return;
    }
    if (!FImpl->Timer) {
        FImpl->Timer = new QTimer();
        QObject::connect(FImpl->Timer, &QTimer::timeout, FImpl->Timer, [this] { Fire(); });
    }
    FImpl->Timer->start(static_cast<int>(std::min<Cardinal>(EffectiveInterval(), 0x7FFFFFFF)));
}

void TTimer::Fire() {
    if (!FEnabled.load()) return;
    SafeCall(this, [this] { FireEvent(OnTimer, this); });
}

const TEnumType& EnumTypeInfo(TBevelCut) {
    static const TEnumType t{"TBevelCut", {"bvNone", "bvLowered", "bvRaised", "bvSpace"}};
    return t;
}

VEMLOR_PUBLISHED(TPanel, TCustomControl) {
    Prop("Caption", &TPanel::Caption, &TPanel::SetCaption);
    Prop("Alignment", &TPanel::Alignment, &TPanel::SetAlignment);
    Prop("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner);
    Prop("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter);
    Prop("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth);
    Prop("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth);
    Prop("BorderStyle", &TPanel::BorderStyle, &TPanel::SetBorderStyle);
}
VEMLOR_REGISTER_CLASS(TPanel);

VEMLOR_PUBLISHED(TImage, TGraphicControl) {
    Prop("Picture", &TImage::Picture, &TImage::SetPicture);
    Prop("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize);
    Prop("Stretch", &TImage::Stretch, &TImage::SetStretch);
    Prop("Center", &TImage::Center, &TImage::SetCenter);
    Prop("Transparent", &TImage::Transparent, &TImage::SetTransparent);
}
VEMLOR_REGISTER_CLASS(TImage);

VEMLOR_PUBLISHED(TTimer, TComponent) {
    Prop("Enabled", &TTimer::Enabled, &TTimer::SetEnabled);
    Prop("Interval", &TTimer::Interval, &TTimer::SetInterval);
    EventProp("OnTimer", &TTimer::OnTimer);
}
VEMLOR_REGISTER_CLASS(TTimer);

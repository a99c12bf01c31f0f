#include "platform/ui/Containers.h"

#include <QApplication>
#include <QChildEvent>
#include <QEvent>
#include <QGroupBox>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/ui/ControlKit.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/ExtCtrls.h"

using namespace ui_detail;

// ---------------------------------------------------------------------------
// TGroupBox

TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner) {
    AttachWidget(this, new QGroupBox());
    SetParentColor(true);
    SetBounds(0, 0, 185, 105);
}

TGroupBox::~TGroupBox() = default;

void TGroupBox::TextChanged() {
    if (auto* g = QtWidget<QGroupBox>(this)) g->setTitle(ToQMnemonic(Caption()));
}

TRect TGroupBox::AlignRect() const {
    TRect r = ClientRect();
    r.Top += LayoutText(*Font(), "0", 0, 0).LineHeight;
    r.Left += 2;
    r.Top += 2;
    r.Right -= 2;
    r.Bottom -= 2;
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    return r;
}

// ---------------------------------------------------------------------------
// TScrollBox

struct TScrollBoxImpl {
    QPointer<QScrollBar> Horz;
    QPointer<QScrollBar> Vert;
    bool HorzShown = false;
    bool VertShown = false;
    QPointer<QObject> Watcher;
};

struct TScrollBoxAccess {
    static TScrollBoxImpl& Impl(TScrollBox* b) { return *b->FBoxImpl; }
    static bool Updating(TScrollBox* b) { return b->FUpdating; }
};

namespace {

int ScrollBarExtent() { return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent); }

// Keeps the scroll ranges current while children come, go, move and resize.
class TScrollBoxWatcher : public QObject {
public:
    TScrollBoxWatcher(QObject* parent, TScrollBox* box) : QObject(parent), FBox(box), FAlive(box->AliveToken()) {}
    // The box is going: its children's last events are none of our business.
    void Detach() { FDetached = true; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (FDetached || FAlive.expired() || TScrollBoxAccess::Updating(FBox)) return false;
        TScrollBoxImpl& impl = TScrollBoxAccess::Impl(FBox);
        switch (event->type()) {
        case QEvent::ChildAdded: {
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (child->isWidgetType() && child != impl.Horz && child != impl.Vert) child->installEventFilter(this);
            Later();
            return false;
        }
        case QEvent::ChildRemoved: Later(); return false;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            if (watched != WidgetOf(FBox)) FBox->UpdateScrollBars();
            return false;
        default: return false;
        }
    }

private:
    void Later() {
        std::weak_ptr<void> alive = FAlive;
        TScrollBox* box = FBox;
        QMetaObject::invokeMethod(
            this,
            [alive, box] {
                if (!alive.expired()) box->UpdateScrollBars();
            },
            Qt::QueuedConnection);
    }

    TScrollBox* FBox;
    std::weak_ptr<void> FAlive;
    bool FDetached = false;
};

}  // namespace

void TControlScrollBar::SetPosition(Integer Value) {
    const Integer visible = FHorizontal ? FOwner->ClientWidth() : FOwner->ClientHeight();
    Value = std::clamp<Integer>(Value, 0, std::max<Integer>(FRange - visible, 0));
    if (Value == FPosition) return;
    const Integer delta = Value - FPosition;
    FPosition = Value;
    if (FHorizontal)
        FOwner->ScrollBy(-delta, 0);
    else
        FOwner->ScrollBy(0, -delta);
}

void TControlScrollBar::SetRange(Integer Value) {
    Value = std::max<Integer>(Value, 0);
    if (FRange == Value) return;
    FRange = Value;
    FOwner->UpdateScrollBars();
}

void TControlScrollBar::SetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    FOwner->UpdateScrollBars();
}

bool TControlScrollBar::IsScrollBarVisible() const {
    TScrollBoxImpl& impl = TScrollBoxAccess::Impl(FOwner);
    return FHorizontal ? impl.HorzShown : impl.VertShown;
}

TScrollBox::TScrollBox(TComponent* AOwner) : TWinControl(AOwner), FBoxImpl(std::make_unique<TScrollBoxImpl>()) {
    QWidget* w = NewPaintWidget(nullptr, [this](QPainter& p) {
        const int W = Width(), H = Height();
        p.fillRect(0, 0, W, H, ToQColor(Color()));
        if (FBorderStyle != bsSingle || W < 4 || H < 4) return;
        // The sunken double frame of the classic look.
        p.setPen(ToQColor(clBtnShadow));
        p.drawLine(0, 0, W - 2, 0);
        p.drawLine(0, 0, 0, H - 2);
        p.setPen(ToQColor(clBtnHighlight));
        p.drawLine(W - 1, 0, W - 1, H - 1);
        p.drawLine(0, H - 1, W - 1, H - 1);
        p.setPen(ToQColor(cl3DDkShadow));
        p.drawLine(1, 1, W - 3, 1);
        p.drawLine(1, 1, 1, H - 3);
        p.setPen(ToQColor(cl3DLight));
        p.drawLine(W - 2, 1, W - 2, H - 2);
        p.drawLine(1, H - 2, W - 2, H - 2);
    });
    FBoxImpl->Horz = new QScrollBar(Qt::Horizontal, w);
    FBoxImpl->Vert = new QScrollBar(Qt::Vertical, w);
    FBoxImpl->Horz->hide();
    FBoxImpl->Vert->hide();
    QObject::connect(FBoxImpl->Horz, &QScrollBar::valueChanged, w, [this](int v) {
        if (!FUpdating) SafeCall(this, [this, v] { FHorz.SetPosition(v); });
    });
    QObject::connect(FBoxImpl->Vert, &QScrollBar::valueChanged, w, [this](int v) {
        if (!FUpdating) SafeCall(this, [this, v] { FVert.SetPosition(v); });
    });
    FBoxImpl->Watcher = new TScrollBoxWatcher(w, this);
    w->installEventFilter(FBoxImpl->Watcher);
    AttachWidget(this, w);
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 41);
}

TScrollBox::~TScrollBox() {
    if (!FBoxImpl->Watcher) return;
    static_cast<TScrollBoxWatcher*>(FBoxImpl->Watcher.data())->Detach();
    if (QWidget* w = WidgetOf(this)) w->removeEventFilter(FBoxImpl->Watcher);
}

Integer TScrollBox::ClientWidth() const {
    return std::max<Integer>(Width() - 2 * Border() - (FBoxImpl->VertShown ? ScrollBarExtent() : 0), 0);
}

Integer TScrollBox::ClientHeight() const {
    return std::max<Integer>(Height() - 2 * Border() - (FBoxImpl->HorzShown ? ScrollBarExtent() : 0), 0);
}

TRect TScrollBox::AlignRect() const {
    return Rect(Border(), Border(), Border() + ClientWidth(), Border() + ClientHeight());
}

void TScrollBox::SetAutoScroll(bool Value) {
    if (FAutoScroll == Value) return;
    FAutoScroll = Value;
    UpdateScrollBars();
}

void TScrollBox::SetBorderStyle(TBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    Invalidate();
    UpdateScrollBars();
}

void TScrollBox::Resize() {
    UpdateScrollBars();
    TWinControl::Resize();
}

void TScrollBox::ScrollBy(Integer DeltaX, Integer DeltaY) {
    if (DeltaX == 0 && DeltaY == 0) return;
    const bool was = FUpdating;
    FUpdating = true;
    DisableAlign();
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        c->SetBounds(c->Left() + DeltaX, c->Top() + DeltaY, c->Width(), c->Height());
    }
    FUpdating = was;
    EnableAlign();
    UpdateScrollBars();
}

void TScrollBox::ScrollInView(TControl* Control) {
    if (!Control || Control->Parent() != this) return;
    if (Control->Left() < 0)
        FHorz.SetPosition(FHorz.Position() + Control->Left());
    else if (Control->Left() + Control->Width() > ClientWidth())
        FHorz.SetPosition(FHorz.Position() + Control->Left() + Control->Width() - ClientWidth());
    if (Control->Top() < 0)
        FVert.SetPosition(FVert.Position() + Control->Top());
    else if (Control->Top() + Control->Height() > ClientHeight())
        FVert.SetPosition(FVert.Position() + Control->Top() + Control->Height() - ClientHeight());
}

void TScrollBox::UpdateScrollBars() {
    if (FUpdating || ComponentState().Contains(csDestroying)) return;
    FUpdating = true;
    if (FAutoScroll) {
        Integer right = 0, bottom = 0;
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* c = Controls(i);
            if (!c->Visible()) continue;
            right = std::max(right, c->Left() + c->Width() + FHorz.FPosition);
            bottom = std::max(bottom, c->Top() + c->Height() + FVert.FPosition);
        }
        FHorz.FRange = right;
        FVert.FRange = bottom;
    }
    const int sb = ScrollBarExtent();
    const Integer w0 = Width() - 2 * Border(), h0 = Height() - 2 * Border();
    bool vert = FVert.FVisible && FVert.FRange > h0;
    const bool horz = FHorz.FVisible && FHorz.FRange > w0 - (vert ? sb : 0);
    if (!vert && horz) vert = FVert.FVisible && FVert.FRange > h0 - sb;
    FBoxImpl->HorzShown = horz;
    FBoxImpl->VertShown = vert;
    FUpdating = false;
    // Positions past the new end come back (moving the children).
    FHorz.SetPosition(horz ? FHorz.FPosition : 0);
    FVert.SetPosition(vert ? FVert.FPosition : 0);
    FUpdating = true;
    const Integer cw = ClientWidth(), ch = ClientHeight();
    if (QScrollBar* h = FBoxImpl->Horz) {
        h->setRange(0, std::max<Integer>(FHorz.FRange - cw, 0));
        h->setPageStep(std::max<Integer>(cw, 1));
        h->setSingleStep(FHorz.FIncrement);
        h->setValue(FHorz.FPosition);
        h->setGeometry(Border(), Border() + ch, cw, sb);
        h->setVisible(horz);
        h->raise();
    }
    if (QScrollBar* v = FBoxImpl->Vert) {
        v->setRange(0, std::max<Integer>(FVert.FRange - ch, 0));
        v->setPageStep(std::max<Integer>(ch, 1));
        v->setSingleStep(FVert.FIncrement);
        v->setValue(FVert.FPosition);
        v->setGeometry(Border() + cw, Border(), sb, ch);
        v->setVisible(vert);
        v->raise();
    }
    FUpdating = false;
}

// ---------------------------------------------------------------------------
// TSplitter

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetAlign(alLeft);
    SetBounds(0, 0, 3, 100);
    SetCursor(crHSplit);
    SetParentColor(true);
}

TSplitter::~TSplitter() = default;

void TSplitter::SetBeveled(bool Value) {
    if (FBeveled == Value) return;
    FBeveled = Value;
    Invalidate();
}

void TSplitter::ApplyCursor() { SetCursor(Align() == alTop || Align() == alBottom ? crVSplit : crHSplit); }

TControl* TSplitter::FindControl() const {
    TWinControl* parent = Parent();
    if (!parent) return nullptr;
    TPoint p = Point(Left(), Top());
    switch (Align()) {
    case alLeft: p.x -= 1; break;
    case alRight: p.x += Width(); break;
    case alTop: p.y -= 1; break;
    case alBottom: p.y += Height(); break;
    default: return nullptr;
    }
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c == this || !c->Visible() || !c->Enabled()) continue;
        TRect r = c->BoundsRect();
        if (r.Width() == 0) {
            if (Align() == alTop || Align() == alLeft)
                r.Left -= 1;
            else
                r.Right += 1;
        }
        if (r.Height() == 0) {
            if (Align() == alTop || Align() == alLeft)
                r.Top -= 1;
            else
                r.Bottom += 1;
        }
        if (p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom) return c;
    }
    return nullptr;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        FControl = FindControl();
        if (FControl) {
            FDownPos = ClientToScreen(Point(X, Y));
            const bool horizontal = Align() == alLeft || Align() == alRight;
            FStartSize = horizontal ? FControl->Width() : FControl->Height();
            FDragging = true;
        }
    }
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TSplitter::MoveTo(const TPoint& Screen) {
    if (!FControl || !Parent()) return;
    const bool horizontal = Align() == alLeft || Align() == alRight;
    const Integer delta = horizontal ? Screen.x - FDownPos.x : Screen.y - FDownPos.y;
    Integer size = (Align() == alLeft || Align() == alTop) ? FStartSize + delta : FStartSize - delta;
    // What the other controls leave: the client-aligned one can shrink to MinSize.
    Integer room = (horizontal ? Parent()->ClientWidth() : Parent()->ClientHeight()) - MinSize();
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (c == FControl || !c->Visible()) continue;
        const TAlign a = c->Align();
        if (horizontal && (a == alLeft || a == alRight)) room -= c->Width();
        if (!horizontal && (a == alTop || a == alBottom)) room -= c->Height();
    }
    size = std::min(size, room);
    size = std::max(size, MinSize());
    const Integer current = horizontal ? FControl->Width() : FControl->Height();
    if (size == current) return;
    bool accept = true;
    if (OnCanResize) {
        TCanResizeEvent handler = OnCanResize;
        handler(this, size, accept);
    }
    if (!accept || !FControl) return;
    if (horizontal)
        FControl->SetWidth(size);
    else
        FControl->SetHeight(size);
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y) {
    if (!FDragging) ApplyCursor();
    if (FDragging && FResizeStyle == rsUpdate) MoveTo(ClientToScreen(Point(X, Y)));
    TGraphicControl::MouseMove(Shift, X, Y);
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && FDragging) {
        FDragging = false;
        std::weak_ptr<void> alive = AliveToken();
        MoveTo(ClientToScreen(Point(X, Y)));
        FControl = nullptr;
        if (alive.expired()) return;
        FireEvent(OnMoved, this);
        if (alive.expired()) return;
    }
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSplitter::Paint() {
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    canvas->Brush()->SetColor(ColorToRGB(Color()));
    canvas->FillRect(r);
    if (!FBeveled) return;
    if (Align() == alLeft || Align() == alRight) {
        r.Left += 1;
        r.Right = r.Left + std::max<Integer>(Width() - 2, 1);
    } else {
        r.Top += 1;
        r.Bottom = r.Top + std::max<Integer>(Height() - 2, 1);
    }
    Frame3D(canvas, r, ColorToRGB(clBtnHighlight), ColorToRGB(clBtnShadow), 1);
}

// ---------------------------------------------------------------------------
// TShape

TShape::TShape(TComponent* AOwner)
    : TGraphicControl(AOwner), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
    FPen->OnChange = [this](TObject*) { Invalidate(); };
    FBrush->OnChange = [this](TObject*) { Invalidate(); };
    SetBounds(0, 0, 65, 65);
}

TShape::~TShape() {
    FPen->OnChange = nullptr;
    FBrush->OnChange = nullptr;
}

void TShape::SetShape(TShapeType Value) {
    if (FShape == Value) return;
    FShape = Value;
    Invalidate();
}

void TShape::SetPen(TPen* Value) {
    if (Value) FPen->Assign(Value);
}

void TShape::SetBrush(TBrush* Value) {
    if (Value) FBrush->Assign(Value);
}

void TShape::Paint() {
    TCanvas* canvas = Canvas();
    if (Parent()) {
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(ColorToRGB(Parent()->Color()));
        canvas->FillRect(ClientRect());
    }
    canvas->Pen()->Assign(FPen.get());
    canvas->Pen()->SetColor(ColorToRGB(FPen->Color()));
    canvas->Brush()->Assign(FBrush.get());
    if (FBrush->Style() != bsClear) canvas->Brush()->SetColor(ColorToRGB(FBrush->Color()));
    const Integer pw = FPen->Style() == psClear ? 0 : FPen->Width();
    Integer x = pw / 2, y = x;
    Integer w = Width() - pw + 1, h = Height() - pw + 1;
    if (pw == 0) {
        --w;
        --h;
    }
    const Integer s = std::min(w, h);
    if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
        x += (w - s) / 2;
        y += (h - s) / 2;
        w = h = s;
    }
    switch (FShape) {
    case stRectangle:
    case stSquare: canvas->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect:
    case stRoundSquare: canvas->RoundRect(x, y, x + w, y + h, s / 4, s / 4); break;
    case stEllipse:
    case stCircle: canvas->Ellipse(x, y, x + w, y + h); break;
    }
}

// ---------------------------------------------------------------------------
// TBevel

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetParentColor(true);
    SetBounds(0, 0, 50, 50);
}

TBevel::~TBevel() = default;

void TBevel::SetShape(TBevelShape Value) {
    if (FShape == Value) return;
    FShape = Value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* canvas = Canvas();
    const TColor light = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow);
    const TColor first = FStyle == bsLowered ? shadow : light;
    const TColor second = FStyle == bsLowered ? light : shadow;
    const Integer w = Width(), h = Height();
    auto line = [canvas](TColor c, Integer x1, Integer y1, Integer x2, Integer y2) {
        canvas->Pen()->SetColor(c);
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetStyle(psSolid);
    switch (FShape) {
    case bsBox: {
        TRect r = ClientRect();
        Frame3D(canvas, r, first, second, 1);
        break;
    }
    case bsFrame: {
        TRect outer = Rect(0, 0, w - 1, h - 1);
        TRect inner = Rect(1, 1, w, h);
        Frame3D(canvas, outer, first, first, 1);
        Frame3D(canvas, inner, second, second, 1);
        break;
    }
    case bsTopLine:
        line(first, 0, 0, w, 0);
        line(second, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(first, 0, h - 2, w, h - 2);
        line(second, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(first, 0, 0, 0, h);
        line(second, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(first, w - 2, 0, w - 2, h);
        line(second, w - 1, 0, w - 1, h);
        break;
    case bsSpacer: break;
    }
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TResizeStyle) {
    static const TEnumType t{"TResizeStyle", {"rsNone", "rsLine", "rsUpdate", "rsPattern"}};
    return t;
}
const TEnumType& EnumTypeInfo(TShapeType) {
    static const TEnumType t{"TShapeType",
                             {"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle"}};
    return t;
}
const TEnumType& EnumTypeInfo(TBevelShape) {
    static const TEnumType t{"TBevelShape",
                             {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"}};
    return t;
}
const TEnumType& EnumTypeInfo(TBevelStyle) {
    static const TEnumType t{"TBevelStyle", {"bsLowered", "bsRaised"}};
    return t;
}

VEMLOR_PUBLISHED(TGroupBox, TWinControl) { Prop("Caption", &TGroupBox::Caption, &TGroupBox::SetCaption); }
VEMLOR_REGISTER_CLASS(TGroupBox);

VEMLOR_PUBLISHED(TScrollBox, TWinControl) {
    Prop("AutoScroll", &TScrollBox::AutoScroll, &TScrollBox::SetAutoScroll);
    Prop("BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle);
}
VEMLOR_REGISTER_CLASS(TScrollBox);

VEMLOR_PUBLISHED(TSplitter, TGraphicControl) {
    Prop("Beveled", &TSplitter::Beveled, &TSplitter::SetBeveled);
    Prop("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize);
    Prop("ResizeStyle", &TSplitter::ResizeStyle, &TSplitter::SetResizeStyle);
    EventProp("OnCanResize", &TSplitter::OnCanResize);
    EventProp("OnMoved", &TSplitter::OnMoved);
}
VEMLOR_REGISTER_CLASS(TSplitter);

VEMLOR_PUBLISHED(TShape, TGraphicControl) {
    Prop("Brush", &TShape::Brush, &TShape::SetBrush);
    Prop("Pen", &TShape::Pen, &TShape::SetPen);
    Prop("Shape", &TShape::Shape, &TShape::SetShape);
}
VEMLOR_REGISTER_CLASS(TShape);

VEMLOR_PUBLISHED(TBevel, TGraphicControl) {
    Prop("Shape", &TBevel::Shape, &TBevel::SetShape);
    Prop("Style", &TBevel::Style, &TBevel::SetStyle);
}
VEMLOR_REGISTER_CLASS(TBevel);

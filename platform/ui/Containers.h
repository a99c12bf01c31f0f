#pragma once
// Containers and decorations: TGroupBox, TScrollBox, TSplitter, TShape and
// TBevel.

#include <functional>
#include <memory>

#include "platform/gfx/Canvas.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

// A framed group with a caption; children are placed in its whole area,
// aligned ones below the caption.
class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* AOwner);
    ~TGroupBox() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void TextChanged() override;
    TRect AlignRect() const override;
};

class TScrollBox;

// One scroll bar of a scroll box. Range is the extent of the children
// (computed while the box scrolls automatically); Position is how far they
// are scrolled.
class TControlScrollBar {
public:
    TControlScrollBar(TScrollBox* Owner, bool Horizontal) : FOwner(Owner), FHorizontal(Horizontal) {}

    Integer Position() const { return FPosition; }
    // Kept within 0..Range minus the visible part; the children move.
    void SetPosition(Integer Value);
    Integer Range() const { return FRange; }
    void SetRange(Integer Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    Integer Increment() const { return FIncrement; }
    void SetIncrement(Integer Value) { FIncrement = Value > 0 ? Value : 1; }
    // Shown now (visible and the range exceeds the client size).
    bool IsScrollBarVisible() const;

private:
    friend class TScrollBox;
    TScrollBox* FOwner;
    bool FHorizontal;
    Integer FPosition = 0;
    Integer FRange = 0;
    bool FVisible = true;
    Integer FIncrement = 8;
};

struct TScrollBoxImpl;

// Scrolling moves the children (their Left and Top change), as in the
// class library.
class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* AOwner);
    ~TScrollBox() override;

    TControlScrollBar* HorzScrollBar() { return &FHorz; }
    TControlScrollBar* VertScrollBar() { return &FVert; }
    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);

    Integer ClientWidth() const override;
    Integer ClientHeight() const override;
    // Moves every child by the amounts given (negative: towards the top left).
    void ScrollBy(Integer DeltaX, Integer DeltaY);
    // Scrolls so that the control is wholly visible.
    void ScrollInView(TControl* Control);
    // Recomputes the ranges from the children and shows the scroll bars.
    void UpdateScrollBars();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Resize() override;
    TRect AlignRect() const override;

private:
    friend class TControlScrollBar;
    friend struct TScrollBoxAccess;
    Integer Border() const { return FBorderStyle == bsSingle ? 2 : 0; }

    std::unique_ptr<TScrollBoxImpl> FBoxImpl;
    TControlScrollBar FHorz{this, true};
    TControlScrollBar FVert{this, false};
    bool FAutoScroll = true;
    TBorderStyle FBorderStyle = bsSingle;
    bool FUpdating = false;
};

enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
const TEnumType& EnumTypeInfo(TResizeStyle);
using TCanResizeEvent = std::function<void(TObject* Sender, Integer& NewSize, bool& Accept)>;

// Dragging it resizes the aligned control it touches (on its left for an
// alLeft splitter, and so on).
class TSplitter : public TGraphicControl {
public:
    explicit TSplitter(TComponent* AOwner);
    ~TSplitter() override;

    bool Beveled() const { return FBeveled; }
    void SetBeveled(bool Value);
    // The smallest size the resized control and the space left may get.
    Integer MinSize() const { return FMinSize; }
    void SetMinSize(Integer Value) { FMinSize = Value > 0 ? Value : 1; }
    TResizeStyle ResizeStyle() const { return FResizeStyle; }
    void SetResizeStyle(TResizeStyle Value) { FResizeStyle = Value; }
    // The control the splitter resizes now (nullptr when none touches it).
    TControl* FindControl() const;

    TCanResizeEvent OnCanResize;
    TNotifyEvent OnMoved;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void ApplyCursor();
    void MoveTo(const TPoint& Screen);

    bool FBeveled = false;
    Integer FMinSize = 30;
    TResizeStyle FResizeStyle = rsPattern;
    TControl* FControl = nullptr;
    TPoint FDownPos{0, 0};
    Integer FStartSize = 0;
    bool FDragging = false;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
const TEnumType& EnumTypeInfo(TShapeType);

class TShape : public TGraphicControl {
public:
    explicit TShape(TComponent* AOwner);
    ~TShape() override;

    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType Value);
    TPen* Pen() const { return FPen.get(); }
    void SetPen(TPen* Value);
    TBrush* Brush() const { return FBrush.get(); }
    void SetBrush(TBrush* Value);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Paint() override;

private:
    TShapeType FShape = stRectangle;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
const TEnumType& EnumTypeInfo(TBevelShape);
enum TBevelStyle { bsLowered, bsRaised };
const TEnumType& EnumTypeInfo(TBevelStyle);

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* AOwner);
    ~TBevel() override;

    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape Value);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle Value);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

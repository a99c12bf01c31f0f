#pragma once
// TURLLabel: a label that opens a web address when it is clicked. It shows
// the address's state in its font colour: ColorNormal at rest, ColorMoveOver
// under the mouse, ColorClick while pressed. A press released outside the
// label opens nothing.

#include <functional>

#include "platform/ui/StdCtrls.h"

class TURLLabel : public TLabel {
public:
    explicit TURLLabel(TComponent* AOwner);
    ~TURLLabel() override;

    TColor ColorNormal() const { return FColorNormal; }
    void SetColorNormal(TColor Value) { FColorNormal = Value; }
    TColor ColorMoveOver() const { return FColorMoveOver; }
    void SetColorMoveOver(TColor Value) { FColorMoveOver = Value; }
    TColor ColorClick() const { return FColorClick; }
    void SetColorClick(TColor Value) { FColorClick = Value; }
    // The address opened; the caption when empty.
    const AnsiString& URL() const { return FURL; }
    void SetURL(const AnsiString& Value) { FURL = Value; }

    // How every link label opens its address (the desktop's opener through
    // the file launcher); tests put a recorder in its place. An empty one
    // puts the launcher back. False: nothing could open it, which the label
    // tells the user.
    using TOpener = std::function<bool(const AnsiString& Address)>;
    static void SetOpener(TOpener Opener);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WndProc(TMessage& Message) override;

private:
    TColor FColorNormal = clBlue;
    TColor FColorMoveOver = clBlue;
    TColor FColorClick = clRed;
    AnsiString FURL;
    bool FPressed = false;
};

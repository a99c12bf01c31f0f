#pragma once
// The picker of the part of a picture that becomes a logo: the picture is
// shown scaled by the slider, and a dotted frame of the logo's size follows
// the mouse over it; a click (or double click) takes the part under the
// frame, "Zavřít" takes the last one.
//
// The caller puts the picture into Image1, sets the part's size in screen
// pixels (SelWidth, SelHeight), shows the window modally and reads the part
// in picture pixels (Selection) when it answers OK.
//
// Scale: picture pixels per screen pixel, (100 - slider position) / 50, so
// the slider's middle (50) shows the picture at its natural size, the top
// (1) at about half and the bottom (99) at fifty times.

#include <memory>

#include "platform/gfx/Bitmap.h"
#include "platform/ui/Containers.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/RangeCtrls.h"

class TFormStorage;

class Tfvyber : public TForm {
public:
    explicit Tfvyber(TComponent* AOwner);
    ~Tfvyber() override;

    TImage* Image1 = nullptr;
    TTrackBar* TrackBar1 = nullptr;
    TScrollBox* ScrollBox1 = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    Integer SelWidth = 0;
    Integer SelHeight = 0;
    // Left, top, right, bottom in picture pixels.
    const TRect& Selection() const { return FSelection; }
    double Scale() const { return FScale; }

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void TrackBar1Change(TObject* Sender);
    void Image1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void Image1DblClick(TObject* Sender);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    void DrawFrame();

    double FScale = 1.0;
    TRect FSelection;
    // The picture's area under the frame drawn last (empty: none drawn).
    TRect FDrawn;
    Integer FNaturalWidth = 0;
    Integer FNaturalHeight = 0;
    bool FFollowing = true;
    // The picture as it was, to take the frame away again.
    std::unique_ptr<TBitmap> FCopy;
};

#include "client/URLLabel.h"

#include "client/FmxUtils.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/os/Shell.h"

namespace {

TURLLabel::TOpener& OpenerSlot() {
    static TURLLabel::TOpener opener;
    return opener;
}

void Open(const AnsiString& Address) {
    TURLLabel::TOpener opener = OpenerSlot();
    // Addresses of any length go whole to the launcher.
    const bool opened = opener ? opener(Address) : ShellRunFile(Address, "", "", SW_SHOWNORMAL);
    // A desktop without an opener would leave the click without an answer.
    if (!opened)
        LocalMessageDlg(LangFormat("URLOpenFailed", "Adresu %s se nepodařilo otevřít.", Address), mtError,
                        TMsgDlgButtons{mbOK}, 0);
}

}  // namespace

VEMLOR_PUBLISHED(TURLLabel, TLabel) {
    Prop("ColorNormal", &TURLLabel::ColorNormal, &TURLLabel::SetColorNormal).Idents(ColorIdents());
    Prop("ColorMoveOver", &TURLLabel::ColorMoveOver, &TURLLabel::SetColorMoveOver).Idents(ColorIdents());
    Prop("ColorClick", &TURLLabel::ColorClick, &TURLLabel::SetColorClick).Idents(ColorIdents());
    Prop("URL", &TURLLabel::URL, &TURLLabel::SetURL);
}
VEMLOR_REGISTER_CLASS(TURLLabel);

TURLLabel::TURLLabel(TComponent* AOwner) : TLabel(AOwner), FURL("http://www.vemlor.example/") {
    Font()->SetStyle(TFontStyles{fsUnderline});
    Font()->SetColor(clBlue);
    SetCaption("Click me!");
    SetCursor(crHandPoint);
}

TURLLabel::~TURLLabel() = default;

void TURLLabel::SetOpener(TOpener Opener) { OpenerSlot() = std::move(Opener); }

void TURLLabel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FPressed = true;
    Font()->SetColor(FColorClick);
    TLabel::MouseDown(Button, Shift, X, Y);
}

void TURLLabel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const bool pressed = FPressed;
    FPressed = false;
    if (X < 0 || Y < 0 || X > Width() || Y > Height()) {
        Font()->SetColor(FColorNormal);
    } else {
        if (pressed) Open(FURL.empty() ? Caption() : FURL);
        Font()->SetColor(FColorMoveOver);
    }
    TLabel::MouseUp(Button, Shift, X, Y);
}

void TURLLabel::WndProc(TMessage& Message) {
    if (Message.Msg == CM_MOUSEENTER) Font()->SetColor(FPressed ? FColorClick : FColorMoveOver);
    if (Message.Msg == CM_MOUSELEAVE) Font()->SetColor(FColorNormal);
    TLabel::WndProc(Message);
}

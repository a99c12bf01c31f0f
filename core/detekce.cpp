#include "core/detekce.h"

#include <memory>

#include "core/CallerLib.h"
#include "core/Language.h"
#include "platform/classes/FormFiles.h"
#include "platform/rtl/FileUtils.h"

namespace {

constexpr Integer kFirstPort = 1;
constexpr Integer kLastPort = 8;
// The library may fill this much of the answer buffer.
constexpr Integer kAnswerLength = 100;
constexpr Integer kAnswerTimeOutMs = 2000;

}  // namespace

VEMLOR_PUBLISHED(TfDetekce, TForm) {
    Field("Label1", &TfDetekce::Label1);
    Field("Timer1", &TfDetekce::Timer1);
    Method("FormCreate", &TfDetekce::FormCreate);
    Method("FormShow", &TfDetekce::FormShow);
    Method("Timer1Timer", &TfDetekce::Timer1Timer);
}

TfDetekce::TfDetekce(TComponent* AOwner) : TForm(AOwner) {
    InitInheritedComponent(this);
}

void TfDetekce::FormCreate(TObject*) {
    if (TLang* lang = Lang()) lang->TranslateForm(this);
}

void TfDetekce::FormShow(TObject*) {
    FResultPort = -1;
    Timer1->SetEnabled(true);
}

void TfDetekce::Timer1Timer(TObject*) {
    // Stopped first: the probe repaints, and a tick meanwhile must not start
    // a second one.
    Timer1->SetEnabled(false);
    DetectModemPort();
}

void TfDetekce::ShowProgress(const AnsiString& Text) {
    Label1->SetCaption(Text);
    Label1->Repaint();
}

void TfDetekce::DetectModemPort() {
    SetCurrentDir(ProgramFolder());
    for (Integer port = kFirstPort; port <= kLastPort; ++port) {
        Integer handle = 0;
        if (Caller_PortOpen(handle, port) != 0) {
            ShowProgress(LangFormat("PortNotOpend", "Port COM%d se nepodařilo otevřít.", port));
            continue;
        }
        AnsiString answer;
        const Integer silent = Caller_WriteReadPort(handle, "AT\n\r", answer, kAnswerLength, kAnswerTimeOutMs);
        Caller_PortClose(handle, 0);
        if (silent != 0) continue;
        ShowProgress(LangFormat("ModemDetected", "Na portu COM%d byl detekován modem.", port));
        FResultPort = port;
        Close();
        return;
    }
    // No port answered, the last one opened or not: the window closes with
    // no port found rather than waiting for the user.
    Close();
}

Integer RunModemDetection(TComponent* AOwner) {
    auto form = std::make_unique<TfDetekce>(AOwner);
    form->ShowModal();
    return form->ResultPort();
}

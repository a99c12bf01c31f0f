#pragma once
// The window that finds the serial port with a modem: it sends "AT" to COM1
// to COM8 in turn through the link library and closes at the first port
// that answers, or after the last one. The settings window's "Detekovat"
// button opens it modally and reads ResultPort afterwards.

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

class TfDetekce : public TForm {
public:
    explicit TfDetekce(TComponent* AOwner);

    TLabel* Label1 = nullptr;
    TTimer* Timer1 = nullptr;

    // -1 until a modem answers, then its port, 1 to 8.
    Integer ResultPort() const { return FResultPort; }

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    void DetectModemPort();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    void ShowProgress(const AnsiString& Text);

    Integer FResultPort = -1;
};

// Shows the window modally and returns the port found, or -1.
Integer RunModemDetection(TComponent* AOwner);

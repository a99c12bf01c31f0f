#pragma once
// The demonstration window of the standard controls: its layout is the form
// file DemoForm.form; this unit keeps what is logic (the drawn parts and the
// rows of the event log). The first example of a form to copy.

#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

class TfDemo : public TForm {
public:
    explicit TfDemo(TComponent* AOwner);

    TStatusBar* StatusBar1 = nullptr;
    TListView* ListLog = nullptr;
    TImage* ImageLogo = nullptr;

    void FormCreate(TObject* Sender);
    void StatusBar1DrawPanel(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

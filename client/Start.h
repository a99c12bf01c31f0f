#pragma once
// The splash window: the program's picture, borderless and on top in the
// middle of the screen, from the start of the client until its main window
// is ready.

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

class TfStart : public TForm {
public:
    explicit TfStart(TComponent* AOwner);

    TImage* Image1 = nullptr;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

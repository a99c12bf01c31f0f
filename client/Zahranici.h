#pragma once
// The question before a message goes abroad: delivery through foreign
// networks is not guaranteed, send it anyway? Yes (BitBtn1) or No (BitBtn2).
// "Již více nezobrazovat" with Yes switches the question off for good: the
// main window's storage gets AbroadWarning = 0, and the composer asks only
// while that value is not 0.

#include "platform/ui/BitBtn.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

class TFormPlacement;

class TfZahranici : public TForm {
public:
    // The number asked about is the current contact's (DM).
    explicit TfZahranici(TComponent* AOwner);

    TImage* Image1 = nullptr;
    TLabel* Label1 = nullptr;
    TCheckBox* CheckBox1 = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TBitBtn* BitBtn2 = nullptr;

    // Where AbroadWarning is kept: the main window's storage, set by the
    // caller before the window is shown.
    TFormPlacement* WarningStorage = nullptr;

    void FormCreate(TObject* Sender);
    void BitBtn1Click(TObject* Sender);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

#pragma once
// The updater's connection settings: permanent or dial-up connection and the
// proxy for the web, kept by its storage in "update.ini" [TfSetUpdate] (the
// proxy password too, as plain text).

#include "components/Placemnt.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/Containers.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "updater/Updater.h"

class TBitBtn;

class TfSetUpdate : public TForm {
public:
    explicit TfSetUpdate(TComponent* AOwner);
    ~TfSetUpdate() override;

    TGroupBox* GroupBox1 = nullptr;
    TRadioButton* RadioButton2 = nullptr;
    TRadioButton* RadioButton1 = nullptr;
    TGroupBox* GroupBox2 = nullptr;
    TCheckBox* Proxyb = nullptr;
    TEdit* Edit7 = nullptr;
    TEdit* Edit14 = nullptr;
    TEdit* Edit8 = nullptr;
    TEdit* Edit9 = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    void FormCreate(TObject* Sender);

    // Reads the stored settings now, without showing the window; when neither
    // kind of connection is chosen yet, takes the one the machine is online by.
    void RestoreConnection();
    TConnectionSettings Settings() const;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

extern TfSetUpdate* fSetUpdate;

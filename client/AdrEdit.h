#pragma once
// The contact editor: name, mobile number, salutation, signature and group
// membership of the current record of Adresa. The caller puts the table
// into insert or edit state, shows the window modally and posts or cancels
// by its result; the window only edits the record and checks the number.

#include "client/DatMod.h"
#include "client/PhoneServices.h"
#include "components/VmCtrls.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/BitBtn.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/DBCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

// What the editor needs of the main window and the settings window.
class TContactEditorServices : public TPhoneNumberServices {
public:
    // The settings' salutation and signature, given to contacts without one.
    virtual AnsiString SalutationText() = 0;
    virtual AnsiString SignatureText() = 0;
    // Opens a topic of the help file ("<file>::/newnumber.html").
    virtual bool ShowHelp(const AnsiString& TopicPath) = 0;
};

class TfAdrEdit : public TForm {
public:
    TfAdrEdit(TComponent* AOwner, TContactEditorServices* Services);

    TDBEdit* DBEdit1 = nullptr;
    TDBEdit* DBEdit2 = nullptr;
    TDBEdit* DBEdit3 = nullptr;
    TDBEdit* DBEdit4 = nullptr;
    TVmCheckListBox* CheckLB1 = nullptr;
    TVmCheckListBox* CheckLB2 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TBitBtn* BitBtn2 = nullptr;
    TActionList* ActionList1 = nullptr;
    TAction* AHelp = nullptr;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void BitBtn1Click(TObject* Sender);
    void BitBtn2Click(TObject* Sender);
    void DBEdit2Enter(TObject* Sender);
    void DBEdit2MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void DBEdit2Change(TObject* Sender);
    void DBEdit3Enter(TObject* Sender);
    void DBEdit4Enter(TObject* Sender);
    void SpeedButton1Click(TObject* Sender);
    void SpeedButton2Click(TObject* Sender);
    void AHelpExecute(TObject* Sender);

    bool Confirmed() const { return FConfirmed; }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    // Fills an empty field when its edit is entered.
    void FillDefault(TField* Field, const AnsiString& Text);

    TContactEditorServices* FServices;
    bool FConfirmed = false;
    bool FNumberWasEmpty = false;
    TBookmark FGroupMark;
};

// Edits the current contact of DM->Adresa modally; mrOk when the user
// confirmed a valid number, mrCancel otherwise.
TModalResult EditContact(TComponent* AOwner, TContactEditorServices* Services);

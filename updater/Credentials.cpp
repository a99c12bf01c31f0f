#include "updater/Credentials.h"

#include <memory>

#include "core/Language.h"
#include "platform/classes/FormFiles.h"

VEMLOR_PUBLISHED(TfCredentials, TForm) {
    Field("LabelServer", &TfCredentials::LabelServer);
    Field("LabelProxy", &TfCredentials::LabelProxy);
    Field("LabelAddress", &TfCredentials::LabelAddress);
    Field("EditUser", &TfCredentials::EditUser);
    Field("EditPassword", &TfCredentials::EditPassword);
    Method("FormCreate", &TfCredentials::FormCreate);
}

TfCredentials::TfCredentials(TComponent* AOwner) : TForm(AOwner) { InitInheritedComponent(this); }

void TfCredentials::FormCreate(TObject*) {
    if (Lang()) Lang()->TranslateForm(this);
}

bool AskHttpCredentials(const AnsiString& Address, bool Proxy, AnsiString& UserName, AnsiString& Password) {
    std::unique_ptr<TfCredentials> dialog(new TfCredentials(nullptr));
    dialog->AfterConstruction();
    dialog->LabelServer->SetVisible(!Proxy);
    dialog->LabelProxy->SetVisible(Proxy);
    dialog->LabelAddress->SetCaption(Address);
    dialog->EditUser->SetText(UserName);
    dialog->EditPassword->SetText(Password);
    dialog->SetActiveControl(dialog->EditUser);
    if (dialog->ShowModal() != mrOk) return false;
    UserName = dialog->EditUser->Text();
    Password = dialog->EditPassword->Text();
    return true;
}

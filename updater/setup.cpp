#include "updater/setup.h"

#include "core/Language.h"
#include "platform/classes/FormFiles.h"
#include "platform/os/Dialup.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/BitBtn.h"
#include "updater/RASUnit.h"

TfSetUpdate* fSetUpdate = nullptr;

VEMLOR_PUBLISHED(TfSetUpdate, TForm) {
    Field("GroupBox1", &TfSetUpdate::GroupBox1);
    Field("RadioButton2", &TfSetUpdate::RadioButton2);
    Field("RadioButton1", &TfSetUpdate::RadioButton1);
    Field("GroupBox2", &TfSetUpdate::GroupBox2);
    Field("Proxyb", &TfSetUpdate::Proxyb);
    Field("Edit7", &TfSetUpdate::Edit7);
    Field("Edit14", &TfSetUpdate::Edit14);
    Field("Edit8", &TfSetUpdate::Edit8);
    Field("Edit9", &TfSetUpdate::Edit9);
    Field("BitBtn1", &TfSetUpdate::BitBtn1);
    Field("FormStorage1", &TfSetUpdate::FormStorage1);
    Method("FormCreate", &TfSetUpdate::FormCreate);
}

TfSetUpdate::TfSetUpdate(TComponent* AOwner) : TForm(AOwner) { InitInheritedComponent(this); }

TfSetUpdate::~TfSetUpdate() {
    if (fSetUpdate == this) fSetUpdate = nullptr;
}

void TfSetUpdate::FormCreate(TObject*) {
    if (Lang()) Lang()->TranslateForm(this);
    // Before anything can read or save the settings, so that nothing goes to
    // a settings file named after the program.
    FormStorage1->SetIniFileName(IncludeTrailingPathDelimiter(ProgramFolder()) + "update.ini");
}

void TfSetUpdate::RestoreConnection() {
    FormStorage1->RestoreSettings();
    if (RadioButton1->Checked() || RadioButton2->Checked()) return;
    if (GetConnectedState() & (ncLan | ncProxy))
        RadioButton2->SetChecked(true);
    else
        RadioButton1->SetChecked(true);
}

TConnectionSettings TfSetUpdate::Settings() const {
    TConnectionSettings s;
    s.Permanent = RadioButton2->Checked();
    s.UseProxy = Proxyb->Checked();
    s.ProxyHost = Edit7->Text();
    s.ProxyPort = Edit14->Text();
    s.ProxyUser = Edit8->Text();
    s.ProxyPassword = Edit9->Text();
    return s;
}

#include "updater/main.h"

#include "core/Language.h"
#include "core/Msgdlg.h"
#include "platform/classes/FormFiles.h"
#include "platform/rtl/FileUtils.h"
#include "updater/DownLoad.h"
#include "updater/RASUnit.h"
#include "updater/setup.h"

TfUpdate* fUpdate = nullptr;

VEMLOR_PUBLISHED(TfUpdate, TForm) {
    Field("Memo1", &TfUpdate::Memo1);
    Field("StatusBar1", &TfUpdate::StatusBar1);
    Field("SpeedButton1", &TfUpdate::SpeedButton1);
    Field("ZjistitNovouverzi1", &TfUpdate::ZjistitNovouverzi1);
    Field("Provstupdate1", &TfUpdate::Provstupdate1);
    Field("Konec1", &TfUpdate::Konec1);
    Field("Pipojit1", &TfUpdate::Pipojit1);
    Field("Odpojit1", &TfUpdate::Odpojit1);
    Field("Nastaven1", &TfUpdate::Nastaven1);
    Field("Timer1", &TfUpdate::Timer1);
    Field("FormStorage1", &TfUpdate::FormStorage1);
    Field("AdvHttp1", &TfUpdate::AdvHttp1);
    Method("FormCreate", &TfUpdate::FormCreate);
    Method("FormShow", &TfUpdate::FormShow);
    Method("FormClose", &TfUpdate::FormClose);
    Method("Timer1Timer", &TfUpdate::Timer1Timer);
    Method("Button2Click", &TfUpdate::Button2Click);
    Method("ZjistitNovouverzi1Click", &TfUpdate::ZjistitNovouverzi1Click);
    Method("Provstupdate1Click", &TfUpdate::Provstupdate1Click);
    Method("Konec1Click", &TfUpdate::Konec1Click);
    Method("Pipojit1Click", &TfUpdate::Pipojit1Click);
    Method("Odpojit1Click", &TfUpdate::Odpojit1Click);
    Method("Nastaven1Click", &TfUpdate::Nastaven1Click);
}

TfUpdate::TfUpdate(TComponent* AOwner) : TForm(AOwner) { InitInheritedComponent(this); }

TfUpdate::~TfUpdate() {
    // The progress window may outlive this one; it must not call back.
    if (fDownLoad) {
        fDownLoad->OnStop = nullptr;
        fDownLoad->OnClosed = nullptr;
    }
    // The run holds the HTTP component's handlers; it goes before the component.
    if (AdvHttp1) AdvHttp1->Abort();
    FUpdater.reset();
    if (fUpdate == this) fUpdate = nullptr;
}

void TfUpdate::FormCreate(TObject*) {
    const AnsiString folder = IncludeTrailingPathDelimiter(ProgramFolder());
    SetLang(std::make_unique<TLang>(UpdaterLanguageFile(folder)));
    Lang()->TranslateForm(this);
    FormStorage1->SetIniFileName(folder + "update.ini");

    FUpdater = std::make_unique<TUpdater>(AdvHttp1, static_cast<TUpdaterView*>(this), folder);
    FUpdater->Settings = [] { return fSetUpdate ? fSetUpdate->Settings() : TConnectionSettings(); };
    FUpdater->ReadUpdateURL = [this](const AnsiString& Default) {
        return FormStorage1->ReadStringValue("UpdateURL", Default);
    };
    FUpdater->WriteUpdateURL = [this](const AnsiString& Value) { FormStorage1->WriteStringValue("UpdateURL", Value); };
}

void TfUpdate::FormShow(TObject*) {
    FUpdater->CloseMainProgram();
    if (fSetUpdate) fSetUpdate->RestoreConnection();
    const bool online = FUpdater->PrepareConnection();
    Timer1->SetEnabled(true);
    if (online) Timer1Timer(Timer1);
}

void TfUpdate::FormClose(TObject*, TCloseAction&) { FUpdater->Cleanup(); }

void TfUpdate::Timer1Timer(TObject*) {
    if (!FUpdater->IsOnline()) return;
    // Off before the request: an address that cannot be used raises, and
    // must not raise again every second.
    Timer1->SetEnabled(false);
    FUpdater->RequestUpdateInfo();
}

void TfUpdate::Button2Click(TObject*) { FUpdater->StartUpdate(); }

void TfUpdate::ZjistitNovouverzi1Click(TObject*) { FUpdater->RequestUpdateInfo(); }

void TfUpdate::Provstupdate1Click(TObject* Sender) { Button2Click(Sender); }

void TfUpdate::Konec1Click(TObject*) { Close(); }

void TfUpdate::Pipojit1Click(TObject*) { DialInternet(); }

void TfUpdate::Odpojit1Click(TObject*) { HangUp(); }

void TfUpdate::Nastaven1Click(TObject*) {
    if (fSetUpdate) fSetUpdate->ShowModal();
}

void TfUpdate::SetStatus(const AnsiString& Text) { StatusBar1->SetSimpleText(Text); }

void TfUpdate::SetLines(const std::vector<AnsiString>& Lines) {
    TStrings* lines = Memo1->Lines();
    lines->BeginUpdate();
    lines->Clear();
    for (const AnsiString& line : Lines) lines->Add(line);
    lines->EndUpdate();
}

void TfUpdate::ShowInfo(const AnsiString& Text) { LocalMessageDlg(Text, mtInformation, {mbOK}, 0); }

void TfUpdate::ShowError(const AnsiString& Text) { LocalMessageDlg(Text, mtError, {mbOK}, 0); }

bool TfUpdate::Confirm(const AnsiString& Text) {
    return LocalMessageDlg(Text, mtConfirmation, {mbYes, mbNo}, 0) == mrYes;
}

void TfUpdate::ShowProgress(const AnsiString& FileName) {
    if (!fDownLoad) return;
    fDownLoad->OnStop = [this](TObject*) { FUpdater->Stop(); };
    fDownLoad->OnClosed = [this](TObject*) { FUpdater->ProgressClosed(); };
    fDownLoad->Start(FileName);
}

void TfUpdate::Progress(const AnsiString& Text, Integer Position, Integer Max) {
    if (fDownLoad) fDownLoad->SetProgress(Text, Position, Max);
}

void TfUpdate::HideProgress() {
    if (fDownLoad && fDownLoad->Visible()) fDownLoad->Close();
}

void TfUpdate::CloseMain() { Close(); }

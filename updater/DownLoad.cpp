#include "updater/DownLoad.h"

#include "core/Language.h"
#include "platform/classes/FormFiles.h"

TfDownLoad* fDownLoad = nullptr;

VEMLOR_PUBLISHED(TfDownLoad, TForm) {
    Field("Label2", &TfDownLoad::Label2);
    Field("Label1", &TfDownLoad::Label1);
    Field("ProgressBar1", &TfDownLoad::ProgressBar1);
    Field("Button1", &TfDownLoad::Button1);
    Method("FormCreate", &TfDownLoad::FormCreate);
    Method("FormClose", &TfDownLoad::FormClose);
    Method("Button1Click", &TfDownLoad::Button1Click);
}

TfDownLoad::TfDownLoad(TComponent* AOwner) : TForm(AOwner) { InitInheritedComponent(this); }

TfDownLoad::~TfDownLoad() {
    if (fDownLoad == this) fDownLoad = nullptr;
}

void TfDownLoad::FormCreate(TObject*) {
    if (Lang()) Lang()->TranslateForm(this);
}

void TfDownLoad::Start(const AnsiString& FileName) {
    Label2->SetCaption(FileName);
    Label1->SetCaption("");
    ProgressBar1->SetMin(0);
    ProgressBar1->SetMax(100);
    ProgressBar1->SetPosition(0);
    Show();
}

void TfDownLoad::SetProgress(const AnsiString& Text, Integer Position, Integer Max) {
    Label1->SetCaption(Text);
    ProgressBar1->SetMax(Max);
    ProgressBar1->SetPosition(Position);
}

void TfDownLoad::Button1Click(TObject*) {
    if (TNotifyEvent handler = OnStop) handler(this);
    if (Visible()) Close();
}

void TfDownLoad::FormClose(TObject*, TCloseAction&) {
    if (TNotifyEvent handler = OnClosed) handler(this);
}

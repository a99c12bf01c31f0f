#include "client/About.h"

#include "client/ProgramPicture.h"
#include "core/Language.h"
#include "platform/classes/FormFiles.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"

const char* const kProductSite = "http://sms.vemlor.example/";

VEMLOR_PUBLISHED(TfAbout, TForm) {
    Field("Image1", &TfAbout::Image1);
    Field("URLLabel1", &TfAbout::URLLabel1);
    Field("URLLabel2", &TfAbout::URLLabel2);
    Field("URLLabel3", &TfAbout::URLLabel3);
    Method("FormCreate", &TfAbout::FormCreate);
    Method("FormShow", &TfAbout::FormShow);
}

TfAbout::TfAbout(TComponent* AOwner) : TForm(AOwner) { InitInheritedComponent(this); }

void TfAbout::FormCreate(TObject*) {
    if (TLang* lang = Lang()) lang->TranslateForm(this);
    TBitmap* picture = Image1->Picture()->Bitmap();
    picture->SetSize(Image1->Width(), Image1->Height());
    PaintProgramPicture(*picture);
}

void TfAbout::FormShow(TObject*) {
    URLLabel3->SetCaption(kProductSite);
    URLLabel3->SetURL(kProductSite);
    URLLabel3->Show();
}

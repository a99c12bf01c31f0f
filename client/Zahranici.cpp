#include "client/Zahranici.h"

#include <algorithm>

#include "client/DatMod.h"
#include "client/Languages.h"
#include "components/Placemnt.h"
#include "core/Msgdlg.h"
#include "platform/classes/FormFiles.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"
#include "platform/ui/DrawText.h"

VEMLOR_PUBLISHED(TfZahranici, TForm) {
    Field("Image1", &TfZahranici::Image1);
    Field("Label1", &TfZahranici::Label1);
    Field("CheckBox1", &TfZahranici::CheckBox1);
    Field("BitBtn1", &TfZahranici::BitBtn1);
    Field("BitBtn2", &TfZahranici::BitBtn2);
    Method("FormCreate", &TfZahranici::FormCreate);
    Method("BitBtn1Click", &TfZahranici::BitBtn1Click);
}

TfZahranici::TfZahranici(TComponent* AOwner) : TForm(AOwner) { InitInheritedComponent(this); }

void TfZahranici::FormCreate(TObject*) {
    if (TLang* lang = Lang()) lang->TranslateForm(this);
    TBitmap* icon = Image1->Picture()->Bitmap();
    icon->SetSize(Image1->Width(), Image1->Height());
    icon->Canvas()->Brush()->SetColor(Color());
    icon->Canvas()->FillRect(Rect(0, 0, icon->Width(), icon->Height()));
    DrawDialogIcon(*icon->Canvas(), mtConfirmation);

    SetCaption(LangText("DlgConfirm", "Potvrzení"));
    BitBtn1->SetCaption(LangText("DlgYes", "&Ano"));
    BitBtn2->SetCaption(LangText("DlgNo", "&Ne"));
    CheckBox1->SetCaption(LangText("DontDisplay", "Již více nezobrazovat"));
    const AnsiString number = DM ? DM->AdresaCislo->AsString() : AnsiString();
    Label1->SetCaption(LangFormat("StrangeNum",
                                  "Doručení vaší zprávy do zahraničí v rámci mezinárodního provozu není ze strany "
                                  "GSM operátorů zaručeno.\r\n\r\nOpravdu chcete odeslat zprávu na číslo %s?",
                                  number));
    // A translation may be longer: the text takes the lines it needs and
    // what follows it moves down.
    TRect text = Rect(0, 0, Label1->Width(), 0);
    DrawText(*Label1->Font(), Label1->Caption(), text, DT_WORDBREAK | DT_EXPANDTABS);
    Label1->SetHeight(text.Bottom);
    const Integer below = std::max(Label1->Top() + Label1->Height(), Image1->Top() + Image1->Height()) + 12;
    CheckBox1->SetTop(below);
    BitBtn1->SetTop(below + CheckBox1->Height() + 12);
    BitBtn2->SetTop(BitBtn1->Top());
    SetClientHeight(BitBtn1->Top() + BitBtn1->Height() + 10);
}

void TfZahranici::BitBtn1Click(TObject*) {
    if (CheckBox1->Checked() && WarningStorage) WarningStorage->WriteIntegerValue("AbroadWarning", 0);
}

#include "client/nastaveni.h"

#include <utility>

#include "client/Contacts.h"
#include "client/DatMod.h"
#include "client/Languages.h"
#include "client/PhoneNumbers.h"
#include "components/Placemnt.h"
#include "core/Msgdlg.h"
#include "core/detekce.h"
#include "platform/classes/FormFiles.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"

Tfnastaveni* fnastaveni = nullptr;

VEMLOR_PUBLISHED(Tfnastaveni, TForm) {
    Field("PageControl1", &Tfnastaveni::PageControl1);
    Field("BitBtn1", &Tfnastaveni::BitBtn1);
    Field("BitBtn2", &Tfnastaveni::BitBtn2);
    Field("Edit2", &Tfnastaveni::Edit2);
    Field("Edit4", &Tfnastaveni::Edit4);
    Field("Edit3", &Tfnastaveni::Edit3);
    Field("Edit5", &Tfnastaveni::Edit5);
    Field("Edit1", &Tfnastaveni::Edit1);
    Field("chbNickName", &Tfnastaveni::chbNickName);
    Field("NickEdit", &Tfnastaveni::NickEdit);
    Field("ComboBox1", &Tfnastaveni::ComboBox1);
    Field("Button1", &Tfnastaveni::Button1);
    Field("RadioPuls", &Tfnastaveni::RadioPuls);
    Field("RadioTon", &Tfnastaveni::RadioTon);
    Field("chOutLine", &Tfnastaveni::chOutLine);
    Field("Edit6", &Tfnastaveni::Edit6);
    Field("SpinEdit1", &Tfnastaveni::SpinEdit1);
    Field("DBGrid1", &Tfnastaveni::DBGrid1);
    Field("Panel1", &Tfnastaveni::Panel1);
    Field("Panel2", &Tfnastaveni::Panel2);
    Field("chbAddSign", &Tfnastaveni::chbAddSign);
    Field("SignEdit", &Tfnastaveni::SignEdit);
    Field("chbAddHeader", &Tfnastaveni::chbAddHeader);
    Field("HeaderEdit", &Tfnastaveni::HeaderEdit);
    Field("chbWholeWord", &Tfnastaveni::chbWholeWord);
    Field("LookupStaty", &Tfnastaveni::LookupStaty);
    Field("ComboBox2", &Tfnastaveni::ComboBox2);
    Field("chbskupina", &Tfnastaveni::chbskupina);
    Field("chbTempItem", &Tfnastaveni::chbTempItem);
    Field("FormStorage1", &Tfnastaveni::FormStorage1);
    Field("ColorDialog1", &Tfnastaveni::ColorDialog1);
    Field("FontDialog1", &Tfnastaveni::FontDialog1);
    Method("FormCreate", &Tfnastaveni::FormCreate);
    Method("FormShow", &Tfnastaveni::FormShow);
    Method("FormCloseQuery", &Tfnastaveni::FormCloseQuery);
    Method("FormClose", &Tfnastaveni::FormClose);
    Method("BitBtn1Click", &Tfnastaveni::BitBtn1Click);
    Method("BitBtn2Click", &Tfnastaveni::BitBtn2Click);
    Method("Button1Click", &Tfnastaveni::Button1Click);
    Method("Button2Click", &Tfnastaveni::Button2Click);
    Method("Button3Click", &Tfnastaveni::Button3Click);
    Method("SpeedButton1Click", &Tfnastaveni::SpeedButton1Click);
    Method("SpeedButton2Click", &Tfnastaveni::SpeedButton2Click);
    Method("SpeedButton26Click", &Tfnastaveni::SpeedButton26Click);
    Method("ComboBox2Change", &Tfnastaveni::ComboBox2Change);
    Method("Edit3Enter", &Tfnastaveni::Edit3Enter);
    Method("Edit3Change", &Tfnastaveni::Edit3Change);
    Method("Edit3MouseDown", &Tfnastaveni::Edit3MouseDown);
    Method("chbskupinaClick", &Tfnastaveni::chbskupinaClick);
}

Tfnastaveni::Tfnastaveni(TComponent* AOwner) : TForm(AOwner) {
    InitInheritedComponent(this);
    SetSenderSettings(this);
    DetectModemPort = [this] { return RunModemDetection(this); };
}

Tfnastaveni::~Tfnastaveni() {
    if (SenderSettings() == this) SetSenderSettings(nullptr);
    if (fnastaveni == this) fnastaveni = nullptr;
}

// ---------------------------------------------------------------------------
// Showing and closing

void Tfnastaveni::FormCreate(TObject*) {
    FormStorage1->SetIniFileName(ProgramFolder() + "Vemlor.ini");
    ListLanguageFiles(ComboBox2->Items());
}

void Tfnastaveni::FormShow(TObject*) {
    FConfirmed = false;
    // A colour chosen in a showing that was cancelled is no choice.
    FChosenColor = 0;
    FLanguageChanged = false;
    FNumberWasEmpty = false;
    const AnsiString language = FormStorage1->ReadStringValue("Jazyk", "");
    if (!language.empty()) SelectLanguage(language);
    FShownLanguage = ComboBox2->ItemIndex();
    FormStorage1->SetActive(false);
}

void Tfnastaveni::FormCloseQuery(TObject*, bool& CanClose) {
    if (ModalResult() != mrOk) return;
    TEdit* wrong = nullptr;
    const AnsiString email = Edit5->Text();
    if (!email.empty() && email.find('@') == AnsiString::npos) {
        LocalMessageDlg(LangText("WrongEmail", "Špatně zadaný email."), mtError, TMsgDlgButtons{mbOK}, 0);
        wrong = Edit5;
    } else if (!CheckOwnNumber()) {
        wrong = Edit3;
    }
    if (!wrong) return;
    if (wrong->CanFocus()) wrong->SetFocus();
    CanClose = false;
    // The window stays open; leaving it by the title bar now is no OK.
    FConfirmed = false;
}

bool Tfnastaveni::CheckOwnNumber() {
    if (!DM) return true;
    AnsiString number = NormalisePhoneNumber(Edit3->Text());
    // Entering the empty edit filled in the country code: no number yet.
    if (number == NormalisePhoneNumber(InternationalPrefixText(*DM, HomeCountry()))) number.clear();
    if (!number.empty()) {
        // The check readies the current contact to take a repaired number;
        // the number is this window's, not the contact's.
        TMemData* contacts = DM->Adresa;
        const bool browsing = contacts->State() == dsBrowse;
        const bool valid = ValidatePhoneNumber(*DM, HomeCountry(), number, true);
        if (browsing && contacts->State() == dsEdit) contacts->Cancel();
        if (!valid) {
            // Without a home country the check refuses a number it cannot
            // place without a word; here that would be an OK that does
            // nothing.
            if (IsAllDigits(number) && !LocateHomeCountry(*DM, HomeCountry()))
                LocalMessageDlg(LangFormat("InvalidNum", "%s není platné telefonní číslo.", number), mtError,
                                TMsgDlgButtons{mbOK}, 0);
            return false;
        }
    }
    Edit3->SetText(number);
    return true;
}

void Tfnastaveni::FormClose(TObject*, TCloseAction&) {
    FormStorage1->SetActive(true);
    if (!FConfirmed) {
        FormStorage1->RestoreSettings();
        if (FLanguageChanged) {
            // The language was applied as it was picked; it goes back too.
            ComboBox2->SetItemIndex(FShownLanguage);
            FLanguageChanged = false;
            LoadSelectedLanguage();
            if (FMainWindow) FMainWindow->LanguageChanged();
        }
        return;
    }
    try {
        FormStorage1->WriteStringValue("Jazyk", ComboBox2->Text());
        FormStorage1->SaveSettings();
    } catch (const Exception& E) {
        LocalMessageDlg(E.Message(), mtError, TMsgDlgButtons{mbOK}, 0);
    }
    if (FMainWindow) FMainWindow->SettingsConfirmed(FChosenColor, Panel1->Font());
}

void Tfnastaveni::BitBtn1Click(TObject*) { FConfirmed = true; }

void Tfnastaveni::BitBtn2Click(TObject*) { FormStorage1->RestoreSettings(); }

// ---------------------------------------------------------------------------
// Modem

void Tfnastaveni::Button1Click(TObject*) {
    const Integer port = DetectModemPort ? DetectModemPort() : -1;
    if (port < 1 || port > 8) {
        LocalMessageDlg(LangText("NoModemDetected", "Modem nebyl detekován."), mtError, TMsgDlgButtons{mbOK}, 0);
        return;
    }
    ComboBox1->SetItemIndex(port - 1);
}

// ---------------------------------------------------------------------------
// Personal data and the sender

void Tfnastaveni::Edit3Enter(TObject*) {
    if (Edit3->Text().empty()) FNumberWasEmpty = true;
    if (DM) PrefillInternationalPrefix(*DM, HomeCountry(), Edit3);
}

void Tfnastaveni::Edit3MouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    if (!std::exchange(FNumberWasEmpty, false)) return;
    CaretToEndAfterClick(Edit3);
}

void Tfnastaveni::Edit3Change(TObject*) {
    FilterPhoneNumberText(Edit3, DM ? InternationalPrefixText(*DM, HomeCountry()) : AnsiString());
}

AnsiString Tfnastaveni::NickName() const { return chbNickName->Checked() ? NickEdit->Text() : AnsiString(); }

AnsiString Tfnastaveni::SenderName() const { return Edit2->Text(); }

AnsiString Tfnastaveni::SenderNumber() const { return Edit3->Text(); }

AnsiString Tfnastaveni::HomeCountry() const { return LookupStaty->Text(); }

void Tfnastaveni::chbskupinaClick(TObject*) {
    if (FMainWindow) FMainWindow->SeveralRecipientsChanged(chbskupina->Checked());
}

// ---------------------------------------------------------------------------
// Composer colours and fonts

void Tfnastaveni::SpeedButton26Click(TObject*) {
    ColorDialog1->SetColor(FMainWindow ? FMainWindow->ComposerColor() : clWindow);
    if (ColorDialog1->Execute()) FChosenColor = ColorDialog1->Color();
}

void Tfnastaveni::SpeedButton2Click(TObject*) {
    FontDialog1->SetFont(Panel1->Font());
    if (FontDialog1->Execute()) Panel1->SetFont(FontDialog1->Font());
}

void Tfnastaveni::SpeedButton1Click(TObject*) {
    FontDialog1->SetFont(Panel2->Font());
    if (FontDialog1->Execute()) Panel2->SetFont(FontDialog1->Font());
}

// ---------------------------------------------------------------------------
// Language

void Tfnastaveni::SelectLanguage(const AnsiString& FileName) {
    TStrings* items = ComboBox2->Items();
    for (int i = 0; i < items->Count(); ++i) {
        if (items->Strings(i) == FileName) {
            ComboBox2->SetItemIndex(i);
            return;
        }
    }
    ComboBox2->SetItemIndex(-1);
}

void Tfnastaveni::ComboBox2Change(TObject*) {
    FLanguageChanged = true;
    LoadSelectedLanguage();
    if (FMainWindow) FMainWindow->LanguageChanged();
}

void Tfnastaveni::LoadSelectedLanguage() {
    const Integer index = ComboBox2->ItemIndex();
    LoadLanguage(index >= 0 ? ComboBox2->Items()->Strings(index) : AnsiString());
    ApplyLanguage();
}

void Tfnastaveni::ApplyLanguage() {
    if (TLang* lang = Lang()) lang->TranslateForm(this);
    SetColumnTitle(DBGrid1, "Tarif", LangText("TitleTariff", "Tarif"));
    SetColumnTitle(DBGrid1, "Cislo", LangText("TitlePhone", "Tel. číslo"));
    SetColumnTitle(DBGrid1, "smsmax", LangText("TitleMaxSMS", "Max. SMS"));
    SetColumnTitle(DBGrid1, "pmsmax", LangText("TitleMaxPMS", "Max. PMS"));
    SetColumnTitle(DBGrid1, "interval", LangText("TitleInterval", "Interval"));
    SetColumnTitle(DBGrid1, "cena", LangText("TitleTax", "Cena/min"));
}

// ---------------------------------------------------------------------------
// Signatures and salutations for every contact

void Tfnastaveni::Button3Click(TObject*) { FillContacts(DM->AdresaPodpis, SignEdit, "Sign", "podpis"); }

void Tfnastaveni::Button2Click(TObject*) { FillContacts(DM->AdresaOsloveni, HeaderEdit, "Header", "oslovení"); }

void Tfnastaveni::FillContacts(TStringField* Field, const TEdit* Source, const AnsiString& WordKey,
                               const AnsiString& WordDefault) {
    if (!DM || !DM->Adresa->Active()) return;
    const AnsiString word = LangText(WordKey, WordDefault);
    const AnsiString text = Source->Text();
    const AnsiString question =
        LangFormat("SignAsk", "Chcete nastavit %s \"%s\" ke všem kontaktům v adresáři?", word, text) + "\r\n" +
        LangFormat("SignInfo", "Pokud vyberete Ne, budou nastaveny pouze položky, u nichž není %s nastaven.", word);
    const Integer answer = LocalMessageDlg(question, mtConfirmation, TMsgDlgButtons{mbYes, mbNo, mbCancel}, 0);
    if (answer != mrYes && answer != mrNo) return;

    TMemData* adresa = DM->Adresa;
    Integer changed = 0, total = 0;
    {
        DM->BeginBulkUpdate(false);
        auto endBulk = ScopeExit([] { DM->EndBulkUpdate(false); });
        auto cancelEdit = ScopeFail([adresa] {
            if (adresa->State() == dsEdit) adresa->Cancel();
        });
        {
            // The question names every contact, so the walk reaches those
            // of the groups the main window does not show as well.
            TEveryContactShown every(*DM);
            for (adresa->First(); !adresa->Eof(); adresa->Next()) {
                adresa->Edit();
                if (answer == mrYes || Field->AsString().empty()) {
                    Field->SetAsString(text);
                    ++changed;
                }
                adresa->Post();
                ++total;
            }
        }
        // With one recipient every post ticks the contact posted; the contact
        // the user stood on is the recipient again.
        const bool several = DM->MainWindow() && DM->MainWindow()->SendsToSeveral();
        if (!several && !adresa->IsEmpty()) {
            adresa->Edit();
            DM->AdresaVybrany->SetAsBoolean(true);
            adresa->Post();
        }
    }
    LocalMessageDlg(LangFormat("SignDoneInfo", "Bylo změněno %d položek, z celkových %d.", changed, total),
                    mtInformation, TMsgDlgButtons{mbOK}, 0);
}

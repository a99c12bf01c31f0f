// The main window in the chosen language: its captions from the language
// file, the grid titles and dialog filters it sets in code, and the texts it
// keeps for later use.

#include "client/Languages.h"
#include "client/Main.h"
#include "core/Language.h"

void TfMain::LoadLanguage() {
    // A language that cannot be read leaves every text at its Czech default.
    try {
        // The new language is read in full before it replaces the old one.
        fnastaveni->LoadSelectedLanguage();
        ApplyLanguage();
    } catch (const Exception&) {
    }
}

void TfMain::ApplyLanguage() {
    if (TLang* lang = Lang()) lang->TranslateForm(this);
    if (fnastaveni) fnastaveni->ApplyLanguage();

    TListColumns* log = ListView1->Columns();
    if (log->Count() > 1) {
        log->Items(0)->SetCaption(LangText("lvTime", "Čas"));
        log->Items(1)->SetCaption(LangText("lvInfo", "Informace"));
    }
    FCharsCaption = LangText("Chars", "Znaků");
    FRemainCaption = LangText("Remain", "Zbývá");
    FMsgsCaption = LangText("Msgs", "Zpráv");
    FTempNum = LangText("TempNum", "Dočasné");
    FGrpAll = LangText("GrpAll", "Všichni");
    if (DM) DM->HistorieStav->SetDisplayValues(LangText("SentOK", "Odesláno") + ";" + LangText("SentError", "Chyba"));

    SetColumnTitle(FrontaGrid, "Jmeno", LangText("TitleTo", "Komu"));
    SetColumnTitle(FrontaGrid, "Poslat", LangText("TitleSend", "Odeslat"));
    SetColumnTitle(FrontaGrid, "Napsano", LangText("TitleWritten", "Napsáno"));
    SetColumnTitle(FrontaGrid, "Pocet", LangText("TitleNum", "#"));
    SetColumnTitle(FrontaGrid, "Nahled", LangText("TitlePreview", "Náhled"));
    SetColumnTitle(FrontaGrid, "Cislo", LangText("TitlePhone", "Tel. číslo"));
    SetColumnTitle(FrontaObjGrid, "Jmeno", LangText("TitleTo", "Komu"));
    SetColumnTitle(FrontaObjGrid, "Poslat", LangText("TitleSend", "Odeslat"));
    SetColumnTitle(FrontaObjGrid, "Napsano", LangText("TitleWritten", "Napsáno"));
    SetColumnTitle(FrontaObjGrid, "Nazev", LangText("TitleMsgName", "Název"));
    SetColumnTitle(FrontaObjGrid, "Typ", LangText("TitleType", "Typ"));
    SetColumnTitle(FrontaObjGrid, "Cislo", LangText("TitlePhone", "Tel. číslo"));
    SetColumnTitle(HistorieGrid, "Jmeno", LangText("TitleTo", "Komu"));
    SetColumnTitle(HistorieGrid, "Poslano", LangText("TitleSent", "Odesláno"));
    SetColumnTitle(HistorieGrid, "Napsano", LangText("TitleWritten", "Napsáno"));
    SetColumnTitle(HistorieGrid, "Nazev", LangText("TitleMsgName", "Název"));
    SetColumnTitle(HistorieGrid, "Typ", LangText("TitleType", "Typ"));
    SetColumnTitle(HistorieGrid, "Stav", LangText("TitleState", "Stav"));
    SetColumnTitle(HistorieGrid, "Cislo", LangText("TitlePhone", "Tel. číslo"));
    SetColumnTitle(AdrGrid, "Jmeno", LangText("TitleName", "Jméno"));
    SetColumnTitle(AdrGrid, "Cislo", LangText("TitlePhone", "Tel. číslo"));
    StatusBar2->Panels()->Items(0)->SetText(LangText("CheckedAdr", "Recipients"));

    OpenPictureDialog1->SetFilter(LangText(
        "PicFilter1",
        "Rastrové soubory (*.bmp)|*.bmp|Formát GIF (*.gif)|*.gif|Formát JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg"));
    OpenPictureDialog2->SetFilter(LangText(
        "PicFilter2",
        "Všechny typy (*.gif;*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.gif;*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;"
        "*.wmf|Formát GIF (*.gif)|*.gif|Formát JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|Rastrové soubory (*.bmp)|*.bmp|Ikony "
        "(*.ico)|*.ico|Formát EMF (*.emf)|*.emf|Formát WMF (*.wmf)|*.wmf"));
    const AnsiString textFilter = LangText("OpenFilter1", "Textové soubory (*.txt)|*.txt");
    OpenDialog1->SetFilter(textFilter);
    SaveDialog1->SetFilter(textFilter);
    RTTTLDlg->SetFilter(LangText(
        "OpenFilter2", "RTTTL soubory (*.rtl)|*.rtl|Textové soubory (*.txt)|*.txt|MIDI (*.mid)|*.mid|Všechny (*.*)|*.*"));
    RTTTLSaveDlg->SetFilter(LangText("SaveFilter2", "Textový soubor (*.txt)|*.txt|Midi soubor (*.mid)|*.mid"));
    SavePictureDialog1->SetFilter(LangText("SavePicFilter1", "Rastrové soubory (*.bmp)|*.bmp"));
    UpdateComposerCounters();
}

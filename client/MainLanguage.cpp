// The main window in the chosen language: its captions from the language
// file, the grid titles and dialog filters it sets in code, and the texts it
// keeps for later use.

#include "client/Main.h"
#include "core/Language.h"

namespace {

struct TTitle {
    const char* Key;
    const char* Default;
};

void SetTitles(TDBGrid* Grid, Integer First, std::initializer_list<TTitle> Titles) {
    TDBGridColumns* columns = Grid->Columns();
    Integer index = First;
    for (const TTitle& title : Titles) {
        if (index >= columns->Count()) break;
        columns->Items(index++)->Title()->SetCaption(LangText(title.Key, title.Default));
    }
}

}  // namespace

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

    SetTitles(FrontaGrid, 1,
              {{"TitleTo", "Komu"}, {"TitleSend", "Odeslat"}, {"TitleWritten", "Napsáno"}, {"TitleNum", "#"},
               {"TitlePreview", "Náhled"}, {"TitlePhone", "Tel. číslo"}});
    SetTitles(FrontaObjGrid, 1,
              {{"TitleTo", "Komu"}, {"TitleSend", "Odeslat"}, {"TitleWritten", "Napsáno"}, {"TitleMsgName", "Název"},
               {"TitleType", "Typ"}, {"TitlePhone", "Tel. číslo"}});
    SetTitles(HistorieGrid, 0,
              {{"TitleTo", "Komu"}, {"TitleSent", "Odesláno"}, {"TitleWritten", "Napsáno"}, {"TitleMsgName", "Název"},
               {"TitleType", "Typ"}, {"TitleState", "Stav"}, {"TitlePhone", "Tel. číslo"}});
    SetTitles(AdrGrid, 0, {{"TitleName", "Jméno"}, {"TitlePhone", "Tel. číslo"}});
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

// Every window of both programs that has a form file, switched at run time
// through the languages of the program folder, Czech first and last: each
// language is rendered to PNG (test-output/lang/<window>/), every text must
// fit its control, and back in Czech the window shows what it showed when
// it was made.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <unistd.h>

#include "CaptionFit.h"
#include "LangFiles.h"
#include "client/About.h"
#include "client/AdrEdit.h"
#include "client/DatMod.h"
#include "client/Databaze.h"
#include "client/Main.h"
#include "client/Zahranici.h"
#include "client/nastaveni.h"
#include "client/vyber.h"
#include "core/Language.h"
#include "core/detekce.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/Tabs.h"
#include "platform/ui/TestSupport.h"
#include "updater/Credentials.h"
#include "updater/DownLoad.h"
#include "updater/main.h"
#include "updater/setup.h"

namespace {

// The order a user might take: away from the built-in Czech and back.
const char* const kLanguages[] = {"czech.lng", "english.lng", "slovak.lng", "polish.lng", "german.lng", "czech.lng"};

// A control's text shown in another form: set after the language changed.
struct TShownText {
    TControl* Control;
    AnsiString Text;
};

struct TWindowCase {
    AnsiString Name;
    std::function<TForm*()> Create;
    // Applies the language the way the program does for this window; the
    // default loads it and translates the window (what windows made for one
    // use get when they are created). Returns texts that code puts into
    // the window later on.
    std::function<std::vector<TShownText>(TForm*, const AnsiString&)> Switch;
};

// The text properties of every component of the window, by "Name.Prop".
std::map<AnsiString, AnsiString> Texts(TForm* Form) {
    std::map<AnsiString, AnsiString> texts;
    auto add = [&texts](TComponent* Component) {
        for (const char* name : {"Caption", "Hint"})
            if (const TPropInfo* prop = GetPropInfo(Component, name); prop && prop->Kind == tkLString)
                texts[Component->Name() + "." + name] = prop->GetStr(Component);
    };
    add(Form);
    for (int i = 0; i < Form->ComponentCount(); ++i) add(Form->Components(i));
    return texts;
}

class TWindowLanguagesTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        Folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/lang/program/" + GetParam() + "/";
        std::filesystem::remove_all(Folder);
        ForceDirectories(Folder + "Lang");
        for (const AnsiString& name : LanguageNames())
            WriteFileAtomic(Folder + "Lang/" + name, ReadFileBytes(LanguageFolder() + name));
        // The updater starts in the client's language.
        TIniFile(Folder + "vemlor.ini").WriteString("Tfnastaveni", "ComboBox2_Text", "czech.lng");
        SetProgramFolder(Folder);
        ResetApplicationForTests();
        SetLang(nullptr);
        Dm = std::make_unique<TDM>(nullptr);
        DM = Dm.get();
        for (TMemData* table : {Dm->Adresa, Dm->Staty, Dm->Tarify, Dm->Skupiny, Dm->Zprava, Dm->Melody, Dm->Notif})
            table->Open();
        Dm->Tarify->Append();
        Dm->TarifyTarif->SetAsInteger(1);
        Dm->TarifyCislo->SetAsString("0900123456");
        Dm->Tarify->Post();
        Dm->Adresa->Append();
        Dm->AdresaCislo->SetAsString("004915123456789");
        Dm->Adresa->Post();
    }

    void TearDown() override {
        SetLang(nullptr);
        Dm.reset();
        DM = nullptr;
        PumpUntilIdle();
        SetProgramFolder("");
    }

    void Load(const AnsiString& Language) { SetLang(std::make_unique<TLang>(Folder + "Lang/" + Language)); }

    std::vector<TShownText> Translate(TForm* Form, const AnsiString& Language) {
        Load(Language);
        Lang()->TranslateForm(Form);
        return {};
    }

    TWindowCase Case(const AnsiString& Name) {
        auto translate = [this](TForm* Form, const AnsiString& Language) { return Translate(Form, Language); };
        if (Name == "fnastaveni")
            return {Name, [] { return Made(new Tfnastaveni(Application)); },
                    [](TForm* Form, const AnsiString& Language) {
                        // Chosen in its own language list, as the user does.
                        auto* settings = static_cast<Tfnastaveni*>(Form);
                        settings->SelectLanguage(Language);
                        settings->ComboBox2Change(settings->ComboBox2);
                        return std::vector<TShownText>{};
                    }};
        if (Name == "fAbout") return {Name, [] { return Made(new TfAbout(Application)); }, translate};
        if (Name == "fvyber") return {Name, [] { return Made(new Tfvyber(Application)); }, translate};
        if (Name == "fZahranici")
            return {Name, [] { return Made(new TfZahranici(Application)); },
                    [this](TForm* Form, const AnsiString& Language) {
                        Load(Language);
                        static_cast<TfZahranici*>(Form)->FormCreate(Form);
                        return std::vector<TShownText>{};
                    }};
        if (Name == "fDetekce")
            return {Name, [] { return Made(new TfDetekce(Application)); },
                    [translate](TForm* Form, const AnsiString& Language) {
                        translate(Form, Language);
                        TLabel* label = static_cast<TfDetekce*>(Form)->Label1;
                        return std::vector<TShownText>{
                            {label, LangFormat("PortNotOpend", "Port COM%d se nepodařilo otevřít.", 8)},
                            {label, LangFormat("ModemDetected", "Na portu COM%d byl detekován modem.", 8)}};
                    }};
        if (Name == "fMain")
            return {Name,
                    [] {
                        auto* main = new TfMain(Application);
                        // Its own instance, so that a running client or a parallel test does not answer.
                        main->InstanceName = "Vemlor language test " + std::to_string(getpid());
                        return Made(main);
                    },
                    [this](TForm* Form, const AnsiString& Language) {
                        // What choosing a language in the settings does to the main window.
                        Load(Language);
                        static_cast<TfMain*>(Form)->ApplyLanguage();
                        return std::vector<TShownText>{};
                    }};
        if (Name == "fDatabaze")
            return {Name, [] { return Made(new TfDatabaze(Application, nullptr)); },
                    [this](TForm* Form, const AnsiString& Language) {
                        // Made anew each time it opens: its creation translates it, grid titles included.
                        Load(Language);
                        static_cast<TfDatabaze*>(Form)->FormCreate(Form);
                        return std::vector<TShownText>{};
                    }};
        if (Name == "fAdrEdit") return {Name, [] { return Made(new TfAdrEdit(Application, nullptr)); }, translate};
        if (Name == "fUpdate") return {Name, [] { return Made(new TfUpdate(Application)); }, translate};
        if (Name == "fSetUpdate") return {Name, [] { return Made(new TfSetUpdate(Application)); }, translate};
        if (Name == "fDownLoad")
            return {Name, [] { return Made(new TfDownLoad(Application)); },
                    [translate](TForm* Form, const AnsiString& Language) {
                        translate(Form, Language);
                        auto* download = static_cast<TfDownLoad*>(Form);
                        return std::vector<TShownText>{
                            {download->Label1, LangFormat("Download", "Staženo %d KB z %d KB", 99999, 99999)},
                            {download->Label2, "vemlor-client-1.05-full-setup.exe"}};
                    }};
        // Made for one question and owned by nobody, as the program does.
        return {Name, [] { return Made(new TfCredentials(nullptr)); }, translate};
    }

    static TForm* Made(TForm* Form) {
        Form->AfterConstruction();
        return Form;
    }

    // Renders the window, every page of its page controls in turn.
    void Render(TForm* Form, const AnsiString& Name, int Step, const AnsiString& Language) {
        const AnsiString base = AnsiString(VEMLOR_TEST_OUTPUT) + "/lang/" + Name + "/" + std::to_string(Step) + "-" +
                                Language.substr(0, Language.find('.'));
        std::vector<TPageControl*> pageControls;
        for (int i = 0; i < Form->ComponentCount(); ++i)
            if (auto* pages = dynamic_cast<TPageControl*>(Form->Components(i))) pageControls.push_back(pages);
        if (pageControls.empty()) {
            EXPECT_TRUE(SaveControlToPng(Form, base + ".png"));
            return;
        }
        for (TPageControl* pages : pageControls) {
            TTabSheet* shown = pages->ActivePage();
            for (Integer i = 0; i < pages->PageCount(); ++i) {
                pages->SetActivePageIndex(i);
                EXPECT_TRUE(SaveControlToPng(Form, base + "-" + pages->Pages(i)->Name() + ".png"));
            }
            pages->SetActivePage(shown);
        }
    }

    AnsiString Folder;
    std::unique_ptr<TDM> Dm;
};

TEST_P(TWindowLanguagesTest, EveryLanguageFitsAndCzechComesBack) {
    const TWindowCase window = Case(GetParam());
    TForm* form = window.Create();
    std::unique_ptr<TForm, void (*)(TForm*)> owned(form, [](TForm* Form) { Form->Free(); });
    const std::map<AnsiString, AnsiString> made = Texts(form);

    int step = 0;
    for (const char* language : kLanguages) {
        SCOPED_TRACE(language);
        const std::vector<TShownText> shown = window.Switch(form, language);
        PumpUntilIdle();
        Render(form, window.Name, ++step, language);
        for (const AnsiString& problem : CaptionsThatDoNotFit(form)) ADD_FAILURE() << AnsiToUtf8(problem);
        for (const TShownText& text : shown) {
            const AnsiString before = text.Control->Caption();
            text.Control->SetCaption(text.Text);
            for (const AnsiString& problem : CaptionThatDoesNotFit(text.Control)) ADD_FAILURE() << AnsiToUtf8(problem);
            text.Control->SetCaption(before);
        }
    }
    const std::map<AnsiString, AnsiString> back = Texts(form);
    for (const auto& [key, text] : made) EXPECT_EQ(AnsiToUtf8(back.at(key)), AnsiToUtf8(text)) << key;
}

INSTANTIATE_TEST_SUITE_P(Windows, TWindowLanguagesTest,
                         ::testing::Values("fnastaveni", "fAbout", "fvyber", "fZahranici", "fDetekce", "fMain",
                                           "fDatabaze", "fAdrEdit", "fUpdate", "fSetUpdate", "fDownLoad",
                                           "fCredentials"));

// Every window section of the language files belongs to a window above, so
// a new window's lines cannot go untried.
TEST(WindowLanguagesCoverage, EveryTranslatedWindowIsSwitchedAboveAndHasAFormFile) {
    const std::set<AnsiString> switched{"fnastaveni", "fabout",    "fvyber",   "fzahranici",  "fdetekce",
                                        "fmain",      "fdatabaze", "fadredit", "fupdate",     "fsetupdate",
                                        "fdownload",  "fcredentials"};
    const std::map<AnsiString, TFormFileEntry> forms = FormFilesByWindow();
    for (const TLangSection& section : ReadLangFile(LanguageFolder() + "english.lng").Sections) {
        if (SameText(section.Name, "Strings")) continue;
        EXPECT_TRUE(switched.count(LowerCase(section.Name))) << "[" << section.Name << "] is never switched at run time";
    }
    for (const AnsiString& window : switched) EXPECT_TRUE(forms.count(window)) << window;
}

}  // namespace

#pragma once
// The settings window: personal data, modem port and dialling, the tariffs,
// the composer's colours and fonts, and the preferences. The program block
// creates it at start-up and it lives for the whole run: the other windows
// read its controls by name as the current settings (the sender, the port,
// dialling, redial count, outside-line prefix, home country, language,
// fonts and check boxes), so the controls keep their names.
//
// Layout, captions and event bindings are the form file nastaveni.form; this
// unit holds the logic. The values live in section [Tfnastaveni] of
// Vemlor.ini through FormStorage1 (one key per stored property, such as
// ComboBox1_Text, plus "Jazyk", the language file chosen). One showing:
//   FormShow      the storage has restored the values; "Jazyk" selects the
//                 language; the storage is switched off while the window is
//                 open, so nothing is saved behind the user's back
//   OK            (BitBtn1) the e-mail and the own mobile number are
//                 checked, the values and "Jazyk" are saved, and the main
//                 window takes the composer's colour and font
//   Storno, title bar
//                 the stored values come back, and so does the language
//                 that was in use when the window opened

#include <functional>

#include "components/VmDBCtrl.h"
#include "components/VmLookup.h"
#include "core/Zprava.h"
#include "platform/ui/BitBtn.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/Containers.h"
#include "platform/ui/DBGrids.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Tabs.h"

class TFormStorage;
class TStringField;

// What the settings window asks of the main window, which installs itself
// with SetMainWindow once it exists and uninstalls itself before it goes.
// Until then the window works alone: the colour dialog starts at the window
// colour and nothing beyond this window follows the user's changes.
class TSettingsMainWindow {
public:
    virtual ~TSettingsMainWindow() = default;
    // The language chosen in ComboBox2 is loaded and applied to the settings
    // window; the main window applies it to itself and renames its groups.
    virtual void LanguageChanged() = 0;
    // chbskupina changed: messages go to several recipients, or to one.
    virtual void SeveralRecipientsChanged(bool Several) = 0;
    // The composer's background, where the colour dialog starts.
    virtual TColor ComposerColor() const = 0;
    // OK was pressed and this window's values are saved: the composer takes
    // the background chosen (0 when none was) and the font of the odd parts,
    // and the main window saves its own settings.
    virtual void SettingsConfirmed(TColor Background, TFont* OddPartsFont) = 0;
};

class Tfnastaveni : public TForm, public TSenderSettings {
public:
    explicit Tfnastaveni(TComponent* AOwner);
    ~Tfnastaveni() override;

    TPageControl* PageControl1 = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TBitBtn* BitBtn2 = nullptr;
    // "Uživatel": personal data, typed by the user.
    TEdit* Edit2 = nullptr;  // name
    TEdit* Edit4 = nullptr;  // landline number
    // Own mobile number, international form: the sender of every message.
    TEdit* Edit3 = nullptr;
    TEdit* Edit5 = nullptr;  // e-mail, also the delivery-report address
    TEdit* Edit1 = nullptr;  // modem
    TCheckBox* chbNickName = nullptr;
    TEdit* NickEdit = nullptr;
    // "Modem".
    TComboBox* ComboBox1 = nullptr;  // COM1..COM8
    TButton* Button1 = nullptr;      // Detekovat
    TRadioButton* RadioPuls = nullptr;
    TRadioButton* RadioTon = nullptr;
    TCheckBox* chOutLine = nullptr;
    TEdit* Edit6 = nullptr;          // outside-line prefix
    TSpinEdit* SpinEdit1 = nullptr;  // redials when busy
    // "Tarify".
    TVmDBGrid* DBGrid1 = nullptr;
    // "Vzhled": the hidden panels carry the fonts of odd (Panel1) and even
    // (Panel2) message parts.
    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    // "Preference".
    TCheckBox* chbAddSign = nullptr;
    TEdit* SignEdit = nullptr;
    TCheckBox* chbAddHeader = nullptr;
    TEdit* HeaderEdit = nullptr;
    TCheckBox* chbWholeWord = nullptr;
    // The home country, by its name (Jmeno) in Staty.
    TVmLookupEdit* LookupStaty = nullptr;
    TComboBox* ComboBox2 = nullptr;  // language files
    TCheckBox* chbskupina = nullptr;
    TCheckBox* chbTempItem = nullptr;

    TFormStorage* FormStorage1 = nullptr;
    TColorDialog* ColorDialog1 = nullptr;
    TFontDialog* FontDialog1 = nullptr;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void BitBtn1Click(TObject* Sender);
    void BitBtn2Click(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    void SpeedButton1Click(TObject* Sender);
    void SpeedButton2Click(TObject* Sender);
    void SpeedButton26Click(TObject* Sender);
    void ComboBox2Change(TObject* Sender);
    void Edit3Enter(TObject* Sender);
    void Edit3Change(TObject* Sender);
    void Edit3MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void chbskupinaClick(TObject* Sender);

    // The message model's view of the sender: the nickname while
    // chbNickName is ticked, the name (Edit2) and the own number (Edit3).
    AnsiString NickName() const override;
    AnsiString SenderName() const override;
    AnsiString SenderNumber() const override;

    // The home country's name, as the phone checks take it.
    AnsiString HomeCountry() const;

    void SetMainWindow(TSettingsMainWindow* Value) { FMainWindow = Value; }
    // Runs the modem detection window; the port it found (1 to 8) or -1.
    // Tests put a fake in its place.
    std::function<Integer()> DetectModemPort;

    // Selects the language list's item equal to the name (letter case
    // counts); none when there is no such item.
    void SelectLanguage(const AnsiString& FileName);
    // Loads the language selected in ComboBox2 (Lang\<item>) and applies it
    // to this window: its captions, and its tariff-grid titles.
    void LoadSelectedLanguage();
    void ApplyLanguage();

    // OK pressed during the current (or last) showing.
    bool Confirmed() const { return FConfirmed; }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    // The own mobile number checked like any number typed; false, after
    // telling the user, when it is none. Stores the number's normalised
    // form.
    bool CheckOwnNumber();
    // Sets one field of every contact to the text of an edit, after asking
    // whether filled fields are overwritten too.
    void FillContacts(TStringField* Field, const TEdit* Source, const AnsiString& WordKey,
                      const AnsiString& WordDefault);

    TSettingsMainWindow* FMainWindow = nullptr;
    bool FConfirmed = false;
    // The background chosen in this showing; 0 when none was.
    TColor FChosenColor = 0;
    Integer FShownLanguage = -1;
    bool FLanguageChanged = false;
    // The own number was empty when its edit was entered.
    bool FNumberWasEmpty = false;
};

// The program-wide instance, set by the program block; cleared when it goes.
extern Tfnastaveni* fnastaveni;

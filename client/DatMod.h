#pragma once
// The data module: every table of the client for the whole run, each with
// its data source and persistent fields, the contact-table events, the
// helpers that hand out the next free ID or order number, and the
// bulk-update marker. The program block creates it right after the main
// window; every window uses the one instance DM.
//
// The tables are created closed and empty. The main window fills and opens
// them at start-up and saves them when it closes; FileTables() names the ones
// that live in a file "<Name>.dat" of the program folder (Melody, Tarify and
// TmpTab are rebuilt at every start and never saved).

#include <vector>

#include "platform/db/DB.h"
#include "platform/ui/Forms.h"
#include "tables/memdset.h"

// What the contact events need from the main window. The main window
// registers itself with SetMainWindow once it exists and unregisters before
// it goes; until then the data module behaves as in single-recipient mode and
// has nothing to show.
class TMainWindowServices {
public:
    virtual ~TMainWindowServices() = default;
    // True while messages go to several recipients (the settings window's
    // choice, copied by the main window at start-up).
    virtual bool SendsToSeveral() const = 0;
    // Shows the current contact of Adresa.
    virtual void ShowCurrentContact() = 0;
    // Refreshes the summary of ticked recipients.
    virtual void ShowRecipientSummary() = 0;
};

class TDM : public TDataModule {
public:
    explicit TDM(TComponent* AOwner);
    ~TDM() override;

    // Contacts, sorted by Jmeno.
    TMemData* Adresa;
    TDataSource* DSAdresa;
    TIntegerField* AdresaID;
    TStringField* AdresaJmeno;
    TStringField* AdresaCislo;
    TStringField* AdresaIDSkup;  // group IDs, each followed by ";"
    TStringField* AdresaOsloveni;
    TStringField* AdresaPodpis;
    TBooleanField* AdresaVybrany;

    // Queue of text messages, sorted by Napsano.
    TMemData* Fronta;
    TDataSource* DSFronta;
    TStringField* FrontaJmeno;
    TStringField* FrontaCislo;
    TMemoField* FrontaZprava;
    TDateTimeField* FrontaNapsano;
    TDateTimeField* FrontaPoslat;
    TBooleanField* FrontaVybrany;
    TStringField* FrontaPotvrdit;
    TMemoField* FrontaMelodie;
    TGraphicField* FrontaLogo;
    TStringField* FrontaTyp;
    TStringField* FrontaNazev;
    TIntegerField* FrontaPocet;
    TStringField* FrontaNahled;  // calculated: the first 20 characters of Zprava

    // Queue of ring tones, logos and picture messages, sorted by Napsano.
    TMemData* FrontObj;
    TDataSource* DSFrontObj;
    TStringField* FrontObjJmeno;
    TStringField* FrontaObjCislo;
    TMemoField* FrontObjZprava;
    TDateTimeField* FrontObjNapsano;
    TDateTimeField* FrontObjPoslat;
    TBooleanField* FrontObjVybrany;
    TStringField* FrontObjPotvrdit;
    TMemoField* FrontObjMelodie;
    TGraphicField* FrontObjLogo;
    TStringField* FrontObjTyp;
    TStringField* FrontObjNazev;
    TIntegerField* FrontObjPocet;

    // Sent and failed messages, sorted by Napsano.
    TMemData* Historie;
    TDataSource* DSHistorie;
    TStringField* HistorieJmeno;
    TStringField* HistorieCislo;
    TMemoField* HistorieZprava;
    TDateTimeField* HistorieNapsano;
    TDateTimeField* HistoriePoslano;
    TBooleanField* HistorieStav;
    TStringField* HistoriePotvrdit;
    TMemoField* HistorieMelodie;
    TGraphicField* HistorieLogo;  // Tag 1: left out of the text export
    TStringField* HistorieTyp;
    TStringField* HistorieNazev;

    // Message templates, sorted by Nazev.
    TMemData* Zprava;
    TDataSource* DSZprava;
    TStringField* ZpravaNazev;
    TMemoField* Zpravazprava;
    TStringField* ZpravaShortCut;

    // Names of the melody files that parse, sorted by Jmeno.
    TMemData* Melody;
    TDataSource* DSMelody;
    TStringField* MelodyJmeno;

    // Groups, sorted by Poradi; group 0 holds every contact.
    TMemData* Skupiny;
    TDataSource* DSSkupiny;
    TIntegerField* SkupinyID;
    TStringField* SkupinyJmeno;
    TIntegerField* SkupinyPoradi;

    // Countries, sorted by Jmeno.
    TMemData* Staty;
    TDataSource* DSStaty;
    TStringField* StatyJmeno;
    TStringField* StatyPredcisli;
    TStringField* StatyFiltr;
    TStringField* StatyHacky;
    TStringField* StatyBezHacku;

    // Notifications from the service, sorted by Datum.
    TMemData* Notif;
    TDataSource* DSNotif;
    TStringField* NotifJmeno;
    TMemoField* NotifText;
    TDateTimeField* NotifDatum;
    TDateTimeField* NotifVyprsi;

    // Tariffs, sorted by Tarif.
    TMemData* Tarify;
    TDataSource* DSTarify;
    TIntegerField* TarifyTarif;
    TStringField* TarifyCislo;
    TIntegerField* Tarifysmsmax;
    TIntegerField* Tarifypmsmax;
    TIntegerField* Tarifyinterval;
    TCurrencyField* Tarifycena;

    // Scratch, unsorted: at most one row, the group chosen in the main window.
    TMemData* TmpTab;
    TDataSource* DSTmpTab;
    TIntegerField* TmpTabID;

    // The tables kept in "<Name>.dat": Adresa, Fronta, FrontObj, Historie,
    // Zprava, Skupiny, Staty, Notif.
    const std::vector<TMemData*>& FileTables() const { return FFileTables; }

    TMainWindowServices* MainWindow() const { return FMainWindow; }
    void SetMainWindow(TMainWindowServices* value) { FMainWindow = value; }

    // While set, AdresaFilterRecord filters by the current group of Skupiny;
    // while clear it accepts every contact.
    bool GroupFilter() const { return FGroupFilter; }
    void SetGroupFilter(bool value) { FGroupFilter = value; }
    // While set, AdresaAfterScroll does nothing.
    bool BulkMarker() const { return FBulkMarker; }
    void SetBulkMarker(bool value) { FBulkMarker = value; }

    // The largest Adresa.ID + 1 (1 for an empty table), or -1 when the table
    // cannot be read or no larger ID exists.
    Integer NextContactID();
    // The largest Skupiny.ID + 1, or -1.
    Integer NextGroupID();
    // The largest Skupiny.Poradi + 1, or -1.
    Integer NextGroupOrder();
    // Poradi := 0, 1, 2, ... in the current order of Skupiny.
    void RenumberGroups();
    // The largest value of an integer field over the stored records (null
    // counts as 0; a filter hides none) + 1; 1 for no records; -1 for a
    // closed table or when the largest value has no successor.
    static Integer NextValue(TMemData* Table, TField* Field);

    // Disables the controls of Adresa (and sets the marker when asked),
    // unless they are disabled already. EndBulkUpdate enables them when
    // disabled (and clears the marker when asked), whoever disabled them.
    void BeginBulkUpdate(bool SetMarker);
    void EndBulkUpdate(bool ClearMarker);

    // Vybrany := false in every stored contact, directly in storage: no
    // cursor move, no events. The window shows it at its next resync.
    void ClearContactTicks();

    // Events of Adresa and Fronta.
    void AdresaBeforeScroll(TDataSet* DataSet);
    void AdresaAfterScroll(TDataSet* DataSet);
    void AdresaBeforePost(TDataSet* DataSet);
    void AdresaAfterPost(TDataSet* DataSet);
    void AdresaAfterDelete(TDataSet* DataSet);
    void AdresaFilterRecord(TDataSet* DataSet, bool& Accept);
    void FrontaCalcFields(TDataSet* DataSet);
    void FrontaBeforePost(TDataSet* DataSet);

private:
    bool SendsToSeveral() const { return FMainWindow && FMainWindow->SendsToSeveral(); }
    std::vector<TMemData*> FFileTables;
    TMainWindowServices* FMainWindow = nullptr;
    bool FGroupFilter = false;
    bool FBulkMarker = false;
};

// The program-wide instance, set by the program block; cleared when it goes.
extern TDM* DM;

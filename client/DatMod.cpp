#include "client/DatMod.h"

#include <climits>
#include <cstring>
#include <exception>

#include "core/midi.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"

TDM* DM = nullptr;

namespace {

TMemData* NewTable(TDM* AOwner, const char* Name, const char* SortedField) {
    auto* table = new TMemData(AOwner);
    table->SetName(Name);
    table->SetSortedField(SortedField);
    return table;
}

TDataSource* NewSource(TDM* AOwner, const char* Name, TMemData* Table) {
    auto* source = new TDataSource(AOwner);
    source->SetName(Name);
    source->SetDataSet(Table);
    return source;
}

template <class F>
F* NewField(TDM* AOwner, TMemData* Table, const char* Component, const char* FieldName, int Size = 0) {
    auto* field = new F(AOwner);
    if (Size > 0) field->SetSize(Size);
    field->SetName(Component);
    field->SetFieldName(FieldName);
    field->SetDataSet(Table);
    return field;
}

// The fields Fronta and FrontObj share, in their order.
struct TQueueFields {
    TStringField* Jmeno;
    TStringField* Cislo;
    TMemoField* Zprava;
    TDateTimeField* Napsano;
    TDateTimeField* Poslat;
    TBooleanField* Vybrany;
    TStringField* Potvrdit;
    TMemoField* Melodie;
    TGraphicField* Logo;
    TStringField* Typ;
    TStringField* Nazev;
    TIntegerField* Pocet;
};

TQueueFields NewQueueFields(TDM* AOwner, TMemData* Table, const AnsiString& Prefix, const AnsiString& CisloName) {
    auto name = [&](const char* field) { return Prefix + field; };
    TQueueFields f;
    f.Jmeno = NewField<TStringField>(AOwner, Table, name("Jmeno").c_str(), "Jmeno", 50);
    f.Cislo = NewField<TStringField>(AOwner, Table, CisloName.c_str(), "Cislo", 20);
    f.Zprava = NewField<TMemoField>(AOwner, Table, name("Zprava").c_str(), "Zprava");
    f.Napsano = NewField<TDateTimeField>(AOwner, Table, name("Napsano").c_str(), "Napsano");
    f.Poslat = NewField<TDateTimeField>(AOwner, Table, name("Poslat").c_str(), "Poslat");
    f.Vybrany = NewField<TBooleanField>(AOwner, Table, name("Vybrany").c_str(), "Vybrany");
    f.Potvrdit = NewField<TStringField>(AOwner, Table, name("Potvrdit").c_str(), "Potvrdit", 50);
    f.Melodie = NewField<TMemoField>(AOwner, Table, name("Melodie").c_str(), "Melodie");
    f.Logo = NewField<TGraphicField>(AOwner, Table, name("Logo").c_str(), "Logo");
    f.Typ = NewField<TStringField>(AOwner, Table, name("Typ").c_str(), "Typ", 20);
    f.Nazev = NewField<TStringField>(AOwner, Table, name("Nazev").c_str(), "Nazev", 20);
    f.Pocet = NewField<TIntegerField>(AOwner, Table, name("Pocet").c_str(), "Pocet");
    return f;
}

}  // namespace

TDM::TDM(TComponent* AOwner) : TDataModule(AOwner) {
    SetName("DM");

    Adresa = NewTable(this, "Adresa", "Jmeno");
    DSAdresa = NewSource(this, "DSAdresa", Adresa);
    AdresaID = NewField<TIntegerField>(this, Adresa, "AdresaID", "ID");
    AdresaJmeno = NewField<TStringField>(this, Adresa, "AdresaJmeno", "Jmeno", 50);
    AdresaCislo = NewField<TStringField>(this, Adresa, "AdresaCislo", "Cislo", 20);
    AdresaIDSkup = NewField<TStringField>(this, Adresa, "AdresaIDSkup", "IDSkup", 255);
    AdresaOsloveni = NewField<TStringField>(this, Adresa, "AdresaOsloveni", "Osloveni", 20);
    AdresaPodpis = NewField<TStringField>(this, Adresa, "AdresaPodpis", "Podpis", 20);
    AdresaVybrany = NewField<TBooleanField>(this, Adresa, "AdresaVybrany", "Vybrany");
    Adresa->BeforeScroll = [this](TDataSet* d) { AdresaBeforeScroll(d); };
    Adresa->AfterScroll = [this](TDataSet* d) { AdresaAfterScroll(d); };
    Adresa->BeforePost = [this](TDataSet* d) { AdresaBeforePost(d); };
    Adresa->AfterPost = [this](TDataSet* d) { AdresaAfterPost(d); };
    Adresa->AfterDelete = [this](TDataSet* d) { AdresaAfterDelete(d); };
    Adresa->SetOnFilterRecord([this](TDataSet* d, bool& accept) { AdresaFilterRecord(d, accept); });

    Fronta = NewTable(this, "Fronta", "Napsano");
    DSFronta = NewSource(this, "DSFronta", Fronta);
    TQueueFields q = NewQueueFields(this, Fronta, "Fronta", "FrontaCislo");
    FrontaJmeno = q.Jmeno;
    FrontaCislo = q.Cislo;
    FrontaZprava = q.Zprava;
    FrontaNapsano = q.Napsano;
    FrontaPoslat = q.Poslat;
    FrontaVybrany = q.Vybrany;
    FrontaPotvrdit = q.Potvrdit;
    FrontaMelodie = q.Melodie;
    FrontaLogo = q.Logo;
    FrontaTyp = q.Typ;
    FrontaNazev = q.Nazev;
    FrontaPocet = q.Pocet;
    FrontaNahled = new TStringField(this);
    FrontaNahled->SetSize(20);
    FrontaNahled->SetName("FrontaNahled");
    FrontaNahled->SetFieldName("Nahled");
    FrontaNahled->SetFieldKind(fkCalculated);
    FrontaNahled->SetDataSet(Fronta);
    Fronta->OnCalcFields = [this](TDataSet* d) { FrontaCalcFields(d); };
    Fronta->BeforePost = [this](TDataSet* d) { FrontaBeforePost(d); };

    FrontObj = NewTable(this, "FrontObj", "Napsano");
    DSFrontObj = NewSource(this, "DSFrontObj", FrontObj);
    q = NewQueueFields(this, FrontObj, "FrontObj", "FrontaObjCislo");
    FrontObjJmeno = q.Jmeno;
    FrontaObjCislo = q.Cislo;
    FrontObjZprava = q.Zprava;
    FrontObjNapsano = q.Napsano;
    FrontObjPoslat = q.Poslat;
    FrontObjVybrany = q.Vybrany;
    FrontObjPotvrdit = q.Potvrdit;
    FrontObjMelodie = q.Melodie;
    FrontObjLogo = q.Logo;
    FrontObjTyp = q.Typ;
    FrontObjNazev = q.Nazev;
    FrontObjPocet = q.Pocet;

    Historie = NewTable(this, "Historie", "Napsano");
    DSHistorie = NewSource(this, "DSHistorie", Historie);
    HistorieJmeno = NewField<TStringField>(this, Historie, "HistorieJmeno", "Jmeno", 50);
    HistorieCislo = NewField<TStringField>(this, Historie, "HistorieCislo", "Cislo", 20);
    HistorieZprava = NewField<TMemoField>(this, Historie, "HistorieZprava", "Zprava");
    HistorieNapsano = NewField<TDateTimeField>(this, Historie, "HistorieNapsano", "Napsano");
    HistoriePoslano = NewField<TDateTimeField>(this, Historie, "HistoriePoslano", "Poslano");
    HistorieStav = NewField<TBooleanField>(this, Historie, "HistorieStav", "Stav");
    HistorieStav->SetDisplayValues("Odesláno;Chyba");
    HistoriePotvrdit = NewField<TStringField>(this, Historie, "HistoriePotvrdit", "Potvrdit", 50);
    HistorieMelodie = NewField<TMemoField>(this, Historie, "HistorieMelodie", "Melodie");
    HistorieLogo = NewField<TGraphicField>(this, Historie, "HistorieLogo", "Logo");
    HistorieLogo->SetTag(1);
    HistorieTyp = NewField<TStringField>(this, Historie, "HistorieTyp", "Typ", 20);
    HistorieNazev = NewField<TStringField>(this, Historie, "HistorieNazev", "Nazev", 20);

    Zprava = NewTable(this, "Zprava", "Nazev");
    DSZprava = NewSource(this, "DSZprava", Zprava);
    ZpravaNazev = NewField<TStringField>(this, Zprava, "ZpravaNazev", "Nazev", 25);
    Zpravazprava = NewField<TMemoField>(this, Zprava, "Zpravazprava", "Zprava");
    ZpravaShortCut = NewField<TStringField>(this, Zprava, "ZpravaShortCut", "ShortCut", 15);

    Melody = NewTable(this, "Melody", "Jmeno");
    DSMelody = NewSource(this, "DSMelody", Melody);
    MelodyJmeno = NewField<TStringField>(this, Melody, "MelodyJmeno", "Jmeno", 50);

    Skupiny = NewTable(this, "Skupiny", "Poradi");
    DSSkupiny = NewSource(this, "DSSkupiny", Skupiny);
    SkupinyID = NewField<TIntegerField>(this, Skupiny, "SkupinyID", "ID");
    SkupinyJmeno = NewField<TStringField>(this, Skupiny, "SkupinyJmeno", "Jmeno", 20);
    SkupinyPoradi = NewField<TIntegerField>(this, Skupiny, "SkupinyPoradi", "Poradi");

    Staty = NewTable(this, "Staty", "Jmeno");
    DSStaty = NewSource(this, "DSStaty", Staty);
    StatyJmeno = NewField<TStringField>(this, Staty, "StatyJmeno", "Jmeno", 20);
    StatyJmeno->SetDisplayLabel("Název státu");
    StatyPredcisli = NewField<TStringField>(this, Staty, "StatyPredcisli", "Predcisli", 20);
    StatyPredcisli->SetDisplayLabel("Předčíslí");
    StatyPredcisli->SetAlignment(taRightJustify);
    StatyFiltr = NewField<TStringField>(this, Staty, "StatyFiltr", "Filtr", 200);
    StatyHacky = NewField<TStringField>(this, Staty, "StatyHacky", "SHacky", 50);
    StatyBezHacku = NewField<TStringField>(this, Staty, "StatyBezHacku", "BezHacku", 50);

    Notif = NewTable(this, "Notif", "Datum");
    DSNotif = NewSource(this, "DSNotif", Notif);
    NotifJmeno = NewField<TStringField>(this, Notif, "NotifJmeno", "Jmeno", 20);
    NotifText = NewField<TMemoField>(this, Notif, "NotifText", "Text");
    NotifDatum = NewField<TDateTimeField>(this, Notif, "NotifDatum", "Datum");
    NotifVyprsi = NewField<TDateTimeField>(this, Notif, "NotifVyprsi", "Vyprsi");

    Tarify = NewTable(this, "Tarify", "Tarif");
    DSTarify = NewSource(this, "DSTarify", Tarify);
    TarifyTarif = NewField<TIntegerField>(this, Tarify, "TarifyTarif", "Tarif");
    TarifyCislo = NewField<TStringField>(this, Tarify, "TarifyCislo", "Cislo", 20);
    Tarifysmsmax = NewField<TIntegerField>(this, Tarify, "Tarifysmsmax", "smsmax");
    Tarifypmsmax = NewField<TIntegerField>(this, Tarify, "Tarifypmsmax", "pmsmax");
    Tarifyinterval = NewField<TIntegerField>(this, Tarify, "Tarifyinterval", "interval");
    Tarifycena = NewField<TCurrencyField>(this, Tarify, "Tarifycena", "cena");

    TmpTab = NewTable(this, "TmpTab", "");
    DSTmpTab = NewSource(this, "DSTmpTab", TmpTab);
    TmpTabID = NewField<TIntegerField>(this, TmpTab, "TmpTabID", "ID");

    FFileTables = {Adresa, Fronta, FrontObj, Historie, Zprava, Skupiny, Staty, Notif};
}

TDM::~TDM() {
    if (DM == this) DM = nullptr;
    // The owned components go in the base's destructor; the events must not
    // reach this half-destroyed module meanwhile.
    Adresa->BeforeScroll = nullptr;
    Adresa->AfterScroll = nullptr;
    Adresa->BeforePost = nullptr;
    Adresa->AfterPost = nullptr;
    Adresa->AfterDelete = nullptr;
    Adresa->SetOnFilterRecord(nullptr);
    Fronta->OnCalcFields = nullptr;
    Fronta->BeforePost = nullptr;
}

// ---------------------------------------------------------------------------
// ID helpers
//
// The next ID is the largest stored value + 1, read straight from storage.
// Reading it from the last record of a re-sort on the key would take the
// smallest value when the user has sorted the table descending (the address
// grid's title click toggles that), would post a record still being inserted
// (moving the cursor leaves insert mode) and would leave the cursor on some
// other contact; a scan has none of these effects and needs no bulk update.

Integer TDM::NextValue(TMemData* Table, TField* Field) {
    if (!Table->Active()) return -1;
    TMemFields* storage = Table->MemFields();
    const TMemField* desc = storage->FindDescriptor(Field);
    if (!desc || desc->DataType() != ftInteger) return -1;
    int count = storage->StoredRecordCount();
    if (count == 0) return 1;
    // A null value is stored as zero bytes and so orders as 0.
    Integer largest = INT_MIN;
    for (int pos = 0; pos < count; ++pos) {
        Integer value;
        std::memcpy(&value, desc->ValuePtr(pos), sizeof value);
        if (value > largest) largest = value;
    }
    // A file may hold the largest integer; its successor does not exist.
    if (largest == INT_MAX) return -1;
    return largest + 1;
}

Integer TDM::NextContactID() { return NextValue(Adresa, AdresaID); }

Integer TDM::NextGroupID() { return NextValue(Skupiny, SkupinyID); }

Integer TDM::NextGroupOrder() { return NextValue(Skupiny, SkupinyPoradi); }

void TDM::RenumberGroups() {
    Skupiny->DisableControls();
    // Never leave the groups half edited, unsorted or without controls.
    auto restore = ScopeExit([this] {
        Skupiny->SetSortedField("Poradi");
        Skupiny->EnableControls();
    });
    auto cancel = ScopeFail([this] {
        if (Skupiny->State() == dsEdit || Skupiny->State() == dsInsert) Skupiny->Cancel();
    });
    // Unsorted while numbering, so that no posted row moves.
    Skupiny->SetSortedField("");
    Integer order = 0;
    Skupiny->First();
    while (!Skupiny->Eof()) {
        Skupiny->Edit();
        SkupinyPoradi->SetAsInteger(order++);
        Skupiny->Post();
        Skupiny->Next();
    }
}

// ---------------------------------------------------------------------------
// Bulk update of the contacts

void TDM::BeginBulkUpdate(bool SetMarker) {
    if (Adresa->ControlsDisabled()) return;
    Adresa->DisableControls();
    if (SetMarker) FBulkMarker = true;
}

void TDM::EndBulkUpdate(bool ClearMarker) {
    if (!Adresa->ControlsDisabled()) return;
    Adresa->EnableControls();
    if (ClearMarker) FBulkMarker = false;
}

void TDM::ClearContactTicks() {
    TMemFields* storage = Adresa->MemFields();
    const TMemField* desc = storage->FindDescriptor(AdresaVybrany);
    if (!desc) return;
    // The stored image belongs to the table but is not const memory; the
    // storage API hands it out read-only, so the write goes through a cast.
    // A null value stays null (it reads false); a value becomes false.
    for (int pos = 0, n = storage->StoredRecordCount(); pos < n; ++pos)
        std::memset(const_cast<Byte*>(desc->ValuePtr(pos)), 0, static_cast<std::size_t>(desc->DataSize()));
}

// ---------------------------------------------------------------------------
// Contact events

void TDM::AdresaBeforeScroll(TDataSet*) {}

void TDM::AdresaAfterScroll(TDataSet*) {
    if (FBulkMarker || Adresa->ControlsDisabled() || AdresaJmeno->IsNull()) return;
    try {
        if (FMainWindow) FMainWindow->ShowCurrentContact();
        // In single-recipient mode the contact scrolled to is the recipient.
        if (!SendsToSeveral() && !AdresaVybrany->AsBoolean()) {
            Adresa->Edit();
            AdresaVybrany->SetAsBoolean(true);
            Adresa->Post();
        }
    } catch (const std::exception&) {
        // Errors are ignored, but the contact must not stay half edited.
        try {
            if (Adresa->State() == dsEdit) Adresa->Cancel();
        } catch (const std::exception&) {
        }
    }
}

void TDM::AdresaBeforePost(TDataSet*) {
    if (SendsToSeveral()) return;
    ClearContactTicks();
    AdresaVybrany->SetAsBoolean(true);
}

void TDM::AdresaAfterPost(TDataSet*) {
    if (SendsToSeveral()) FMainWindow->ShowRecipientSummary();
}

void TDM::AdresaAfterDelete(TDataSet*) {
    if (SendsToSeveral()) FMainWindow->ShowRecipientSummary();
}

void TDM::AdresaFilterRecord(TDataSet*, bool& Accept) {
    if (!FGroupFilter) {
        Accept = true;
        return;
    }
    try {
        Integer group = SkupinyID->AsInteger();
        if (group == 0) {
            Accept = true;
            return;
        }
        TStringList pieces;
        SplitString(';', AdresaIDSkup->AsString(), &pieces);
        AnsiString id = IntToStr(group);
        Accept = false;
        for (int i = 0; i < pieces.Count(); ++i)
            if (pieces[i] == id) Accept = true;
    } catch (const std::exception&) {
        Accept = false;
    }
}

// ---------------------------------------------------------------------------
// Queue events

void TDM::FrontaCalcFields(TDataSet*) { FrontaNahled->SetAsString(Copy(FrontaZprava->AsString(), 1, 20)); }

// The table keeps calculated values in its records and ignores what the
// calculation pass writes, so a preview computed only there would stay empty
// until the next Refresh. The row being posted gets its preview here.
void TDM::FrontaBeforePost(TDataSet* DataSet) { FrontaCalcFields(DataSet); }

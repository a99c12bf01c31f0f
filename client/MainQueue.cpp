// The main window's queue and history pages: ticking within the per-call
// maxima, deleting, taking a row back into the composer, printing,
// searching and sorting, and the event log.

#include <algorithm>
#include <memory>

#include "client/GridSearch.h"
#include "client/Main.h"
#include "client/QueueTicks.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "core/Zprava.h"
#include "media/GIFColors.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Printers.h"

namespace {

bool Ask(const AnsiString& Question) {
    return LocalMessageDlg(Question, mtConfirmation, TMsgDlgButtons{mbYes, mbNo}, 0) == mrYes;
}

void ShowInformation(const AnsiString& Text) { LocalMessageDlg(Text, mtInformation, TMsgDlgButtons{mbOK}, 0); }

constexpr Integer kTickColumn = 0;
constexpr Integer kFirstTextColumn = 1;

// How wide the object queue's preview shows a picture at most.
constexpr Integer kPreviewWidth = 144;

bool IsPictureType(const AnsiString& Type) { return Type == "logo" || Type == "group" || Type == "picture"; }

// A queued picture (a bitmap file, black on white) as the logo page edits
// it: black on the background colour. False when the bytes hold no picture.
bool ReadQueuedPicture(const AnsiString& Bytes, TBitmap& Picture) {
    TBitmap loaded;
    try {
        TStringStream stream(Bytes);
        loaded.LoadFromStream(&stream);
    } catch (const Exception&) {
        return false;
    }
    if (loaded.Empty()) return false;
    loaded.SetPixelFormat(pf8bit);
    std::unique_ptr<TBitmap> reduced =
        GIFImage::ReduceBitmapColors(loaded, GIFImage::rmMonochrome, GIFImage::dmNearest, 8, nullptr);
    if (!reduced || reduced->Empty()) return false;
    Picture.Assign(*reduced);
    Picture.SetPixelFormat(pf24bit);
    ReplaceBackground(Picture, LogoBackground);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// The object queue's preview

void TfMain::ShowQueuedPicture() {
    // The data module goes first at the program's end and tells its links.
    if (!DM) return;
    TMemData* queue = DM->FrontObj;
    TBitmap picture;
    if (queue->Active() && !queue->IsEmpty() && IsPictureType(DM->FrontObjTyp->AsString())) {
        try {
            TStringStream stream(DM->FrontObjLogo->AsString());
            picture.LoadFromStream(&stream);
        } catch (const Exception&) {
            // A row that cannot be shown shows nothing; taking it back says why.
            picture.SetSize(0, 0);
        }
    }
    if (picture.Empty()) {
        ImageNahledObj->Picture()->Assign(nullptr);
        return;
    }
    // Enlarged by whole pixels to the preview's width, never distorted.
    const Integer scale = std::max<Integer>(1, kPreviewWidth / picture.Width());
    ImageNahledObj->SetBounds(ImageNahledObj->Left(), ImageNahledObj->Top(), picture.Width() * scale,
                              picture.Height() * scale);
    ImageNahledObj->Picture()->Assign(&picture);
}

// ---------------------------------------------------------------------------
// Ticking

void TfMain::FrontaGridCellClick(TColumn* Column) {
    TickedCellClick(Column, DM->Fronta, FCallLimits.TextParts, false);
    // The next click on the tick column is a click from another column,
    // which the grid takes as a toggle.
    if (Column && Column->Index() != kFirstTextColumn) FrontaGrid->SetSelectedIndex(kFirstTextColumn);
}

void TfMain::FrontaObjGridCellClick(TColumn* Column) {
    TickedCellClick(Column, DM->FrontObj, FCallLimits.Objects, true);
    FrontaObjGrid->Invalidate();
}

void TfMain::TickedCellClick(TColumn* Column, TDataSet* Queue, Integer Limit, bool Objects) {
    if (!Column || Column->Index() != kTickColumn || !Queue->Active() || Queue->IsEmpty()) return;
    TField* ticked = Queue->FieldByName("Vybrany");
    if (CallerBusy()) {
        // The grid has toggled the tick already; a call is taking from this
        // queue, so it goes back.
        Queue->Edit();
        auto cancel = ScopeFail([Queue] { Queue->Cancel(); });
        ticked->SetAsBoolean(!ticked->AsBoolean());
        Queue->Post();
        CheckBusy();
        return;
    }
    const AnsiString refused = KeepTickWithinLimit(Queue, Limit, Objects);
    if (!refused.empty()) ShowInformation(refused);
}

void TfMain::TickAllWithinLimit(TDataSet* Queue) {
    if (CheckBusy()) return;
    const Integer limit = Queue == DM->Fronta ? FCallLimits.TextParts : FCallLimits.Objects;
    ::TickAllWithinLimit(Queue, limit, Ask);
}

void TfMain::UntickAll(TDataSet* Queue) {
    if (CheckBusy()) return;
    ::UntickAll(Queue);
}

void TfMain::SpeedButton4Click(TObject*) { TickAllWithinLimit(DM->Fronta); }
void TfMain::SpeedButton5Click(TObject*) { UntickAll(DM->Fronta); }
void TfMain::SpeedButton9Click(TObject*) { TickAllWithinLimit(DM->FrontObj); }
void TfMain::SpeedButton11Click(TObject*) { UntickAll(DM->FrontObj); }

// ---------------------------------------------------------------------------
// Deleting and taking back

void TfMain::DeleteTickedRows(TDataSet* Queue) {
    if (CheckBusy()) return;
    if (!Ask(LangText("DelFront", "Opravdu chcete odstranit zatržené zprávy z fronty?"))) return;
    TField* ticked = Queue->FieldByName("Vybrany");
    {
        TTableWalk walk(Queue);
        Queue->First();
        while (!Queue->Eof()) {
            if (ticked->AsBoolean())
                Queue->Delete();
            else
                Queue->Next();
        }
    }
    if (auto* table = dynamic_cast<TMemData*>(Queue)) SaveTable(table);
}

void TfMain::SpeedButton6Click(TObject*) { DeleteTickedRows(DM->Fronta); }
void TfMain::SpeedButton12Click(TObject*) { DeleteTickedRows(DM->FrontObj); }

void TfMain::TakeBackFromQueue(TDataSet* Queue) {
    if (CheckBusy() || Queue->IsEmpty()) return;
    if (!OpenRowInComposer(Queue)) return;
    Queue->Delete();
    if (auto* table = dynamic_cast<TMemData*>(Queue)) SaveTable(table);
}

void TfMain::SpeedButton2Click(TObject*) { TakeBackFromQueue(DM->Fronta); }
void TfMain::SpeedButton10Click(TObject*) { TakeBackFromQueue(DM->FrontObj); }

void TfMain::SpeedButton16Click(TObject*) {
    if (!DM->Historie->IsEmpty()) OpenRowInComposer(DM->Historie);
}

bool TfMain::OpenRowInComposer(TDataSet* Table) {
    const AnsiString number = Table->FieldByName("Cislo")->AsString();
    if (number.empty()) return false;
    const AnsiString type = Table->FieldByName("Typ")->AsString();
    // A row of a type no composer knows would be deleted from the queue
    // with nothing to show for it; it stays where it is.
    if (type != "text" && type != "ringtone" && !IsPictureType(type)) return false;
    // The picture is read before anything changes: a row whose picture is
    // unreadable stays queued and the composer keeps what it holds.
    TBitmap picture;
    if (IsPictureType(type) && !ReadQueuedPicture(Table->FieldByName("Logo")->AsString(), picture)) {
        LocalMessageDlg(LangText("BMPOpenFailed", "Obrázek se nepodařilo otevřít."), mtError, TMsgDlgButtons{mbOK}, 0);
        return false;
    }
    TMemData* adresa = DM->Adresa;
    if (!adresa->Locate("Cislo", Variant(number), TLocateOptions{})) {
        SetRecipientText(number);
        if (AddTypedNumber(true) == mrCancel) return false;
        adresa->Locate("Cislo", Variant(number), TLocateOptions{});
    }
    DM->ClearContactTicks();
    adresa->Refresh();
    SetCurrentTick(true);
    ShowRecipientSummary();
    const AnsiString name = Table->FieldByName("Nazev")->AsString();
    if (type == "text") {
        PageControl1->SetActivePage(TabText);
        REdit1->SetText(Table->FieldByName("Zprava")->AsString());
    } else if (type == "ringtone") {
        LoadRingTone(Table->FieldByName("Melodie")->AsString());
        RTTTLNameEdit->SetText(name);
        PageControl1->SetActivePage(TabMelody);
    } else {
        LogoNameEdit->SetText(name);
        PageControl1->SetActivePage(TabLogo);
        FLogo->Image().Assign(picture);
        ShowLogo();
        FLogo->Content = true;
        // The kind buttons' own actions fit the page to the picture's kind:
        // the memo shows only for a picture message.
        if (type == "picture") {
            Memo1->SetText(Table->FieldByName("Zprava")->AsString());
            LogoPicButton->Click();
        } else {
            (type == "group" ? LogoGroupButton : LogoOpButton)->Click();
        }
    }
    return true;
}

void TfMain::SpeedButton17Click(TObject*) {
    if (CheckBusy() || DM->Historie->IsEmpty()) return;
    if (!Ask(LangText("DelHistory", "Opravdu chcete odstranit zprávu z historie?"))) return;
    try {
        DM->Historie->Delete();
    } catch (const Exception&) {
    }
}

void TfMain::SpeedButton37Click(TObject*) {
    if (CheckBusy()) return;
    if (!Ask(LangText("EmptyHistory", "Opravdu chcete odstranit všechny zpávy z historie?"))) return;
    DM->Historie->Close();
    DM->Historie->Open();
}

// ---------------------------------------------------------------------------
// Printing

void TfMain::PrintMessage(const AnsiString& Text, const AnsiString& Recipient, TDateTime Time) {
    try {
        auto edit = std::make_unique<TVmRichEdit>(nullptr);
        edit->SetVisible(false);
        edit->SetParent(this);
        edit->Font()->SetSize(12);
        TPrinter* printer = Printer();
        const Integer dpiX = printer->PixelsPerInchX();
        const Integer dpiY = printer->PixelsPerInchY();
        edit->SetPrintPageRect(Rect(dpiX, dpiY * 3 / 2, printer->PageWidth() - dpiX * 3 / 4,
                                    printer->PageHeight() - dpiY));
        AnsiString lines = LangText("Print_To", "Komu: ") + Recipient + "\r\n";
        if (Time != 0) lines += LangText("Print_TimeSend", "Odesláno: ") + DateTimeToStr(Time) + "\r\n";
        edit->SetText(lines + " \r\n" + Text);
        auto dialog = std::make_unique<TPrintDialog>(nullptr);
        if (dialog->Execute()) edit->PrintContents("SMS");
    } catch (const Exception&) {
        LocalMessageDlg(LangText("Print_Error",
                                 "Nepodařilo se vytisknout zprávu. Máte správně nainstalovanou tiskárnu?"),
                        mtError, TMsgDlgButtons{mbOK}, 0);
    }
}

void TfMain::PrintCurrentQueueText() {
    TMemData* queue = DM->Fronta;
    if (queue->IsEmpty() || DM->FrontaTyp->AsString() != "text") return;
    PrintMessage(DM->FrontaZprava->AsString(), DM->FrontaJmeno->AsString() + " (" + DM->FrontaCislo->AsString() + ")",
                 DM->FrontaPoslat->AsDateTime());
}

void TfMain::PrintCurrentHistoryText() {
    if (DM->Historie->IsEmpty()) return;
    const AnsiString type = DM->HistorieTyp->AsString();
    if (type != "text" && type != "picture") return;
    PrintMessage(DM->HistorieZprava->AsString(), DM->HistorieJmeno->AsString(), DM->HistoriePoslano->AsDateTime());
}

void TfMain::SpeedButton7Click(TObject*) { PrintCurrentQueueText(); }
void TfMain::SpeedButton18Click(TObject*) { PrintCurrentHistoryText(); }

void TfMain::TiskZprvy1Click(TObject*) {
    TTabSheet* page = PageControl1->ActivePage();
    if (page == TabText && !REdit1->Text().empty())
        PrintMessage(REdit1->Text(), DM->AdresaJmeno->AsString() + " (" + DM->AdresaCislo->AsString() + ")", 0);
    else if (page == TabFronta)
        PrintCurrentQueueText();
    else if (page == TabHistorie)
        PrintCurrentHistoryText();
}

// ---------------------------------------------------------------------------
// Searching and sorting

bool TfMain::FindInGrid(TDBGrid* Grid, TEdit* Edit) {
    TDataSet* table = Grid->DataSource() ? Grid->DataSource()->DataSet() : nullptr;
    if (!table) return false;
    if (FindNextRow(table, Edit->Text())) {
        if (Grid->CanFocus()) Grid->SetFocus();
        return true;
    }
    Edit->SelectAll();
    ShowInformation(LangText("TextNotFound", "Zadaný text nebyl nalezen."));
    return false;
}

void TfMain::SpeedButton8Click(TObject*) { FindInGrid(FrontaGrid, FindFrontaEdit); }
void TfMain::SpeedButton13Click(TObject*) { FindInGrid(FrontaObjGrid, FindFrontaObjEdit); }
void TfMain::SpeedButton32Click(TObject*) { FindInGrid(HistorieGrid, FindHistorieEdit); }
void TfMain::SpeedButton39Click(TObject*) { FindInGrid(AdrGrid, FindAdrEdit); }

void TfMain::FindEditKeyPress(TObject* Sender, char& Key) {
    if (Key != '\r') return;
    Key = 0;
    if (Sender == FindFrontaEdit)
        FindInGrid(FrontaGrid, FindFrontaEdit);
    else if (Sender == FindFrontaObjEdit)
        FindInGrid(FrontaObjGrid, FindFrontaObjEdit);
    else if (Sender == FindHistorieEdit)
        FindInGrid(HistorieGrid, FindHistorieEdit);
    else if (Sender == FindAdrEdit)
        FindInGrid(AdrGrid, FindAdrEdit);
}

TMemData* TfMain::GridTable(TObject* Grid) const {
    auto* grid = dynamic_cast<TDBGrid*>(Grid);
    if (!grid || !grid->DataSource()) return nullptr;
    return dynamic_cast<TMemData*>(grid->DataSource()->DataSet());
}

void TfMain::AdrGridTitleBtnClick(TObject* Sender, Integer ACol, TField* Field) {
    SortByTitle(GridTable(Sender), dynamic_cast<TComponent*>(Sender), ACol, Field);
}

void TfMain::AdrGridGetBtnParams(TObject* Sender, TField* Field, TFont*, TColor&, TSortMarker& SortMarker, bool) {
    SortMarker = TitleSortMarker(GridTable(Sender), Field);
}

// ---------------------------------------------------------------------------
// The event log and the queue's own send job

void TfMain::ClearEventLog(bool All) {
    TListItems* items = ListView1->Items();
    for (Integer i = items->Count() - 1; i >= 0; --i)
        if (All || items->Item(i)->ImageIndex() != 0) items->Delete(i);
}

void TfMain::VymazatVse1Click(TObject*) { ClearEventLog(true); }
void TfMain::VymazatKromeChyb1Click(TObject*) { ClearEventLog(false); }

void TfMain::Odesli1Click(TObject*) {
    if (DM->Fronta->IsEmpty()) return;
    auto recipient = std::make_unique<TAdresat>(DM->FrontaJmeno->AsString(), "", "", DM->FrontaCislo->AsString());
    auto message = std::make_unique<TZprava>(DM->Fronta->RecIdField()->AsInteger(), Now(),
                                             DM->FrontaZprava->AsString(), std::move(recipient));
    FSendJob = std::make_unique<TPosli>(std::move(message));
    FSendJob->ShowDialing();
}

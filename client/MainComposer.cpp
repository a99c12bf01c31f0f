// The text composer: its live splitting into SMS parts with the counters and
// the parts coloured in turn, the templates menu, the automatic salutation,
// the editing commands, and queueing the message for every ticked recipient.

#include <algorithm>
#include <cmath>
#include <utility>

#include "client/ComposerParts.h"
#include "client/Contacts.h"
#include "client/Main.h"
#include "client/PhoneNumbers.h"
#include "client/Queueing.h"
#include "client/Zahranici.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/Clipbrd.h"

namespace {

bool WholeWords() { return fnastaveni && fnastaveni->chbWholeWord->Checked(); }

// Times compared to the millisecond, as the pickers keep them.
Int64 Milliseconds(TDateTime Time) { return std::llround(static_cast<double>(Time) * 86400000.0); }

}  // namespace

// ---------------------------------------------------------------------------
// The counters and the coloured parts

void TfMain::REdit2Change(TObject*) { UpdateComposerCounters(true); }

void TfMain::UpdateComposerCounters(bool Edited) {
    if (FUpdatingCounters || !REdit1) return;
    FUpdatingCounters = true;
    auto done = ScopeExit([this] { FUpdatingCounters = false; });

    // Measured as the rows will carry it: converted as queueing stores it,
    // framed by each ticked contact's salutation and signature.
    const TQueueOptions options = QueueOptions(false, 0);
    TPlainConversion plain = [](const AnsiString& Text) { return Text; };
    // Finding the home country moves Staty, which must not post a row being
    // edited elsewhere.
    if (DM && DM->Staty->State() == dsBrowse) plain = TPlainText(*DM, options.HomeCountry);
    TComposedMessage message;
    message.Type = "text";
    std::vector<TTextFrame> frames;
    for (const TContactEnding& ending : FEndings) {
        const TTextFrame frame = RecipientFrame(plain, message, options, ending.Salutation, ending.Signature);
        if (std::find(frames.begin(), frames.end(), frame) == frames.end()) frames.push_back(frame);
    }

    AnsiString text = REdit1->Text();
    TComposerFit fit = FitComposedText(text, frames, plain, options.WholeWords);
    // Only what the user has just written is taken back; text that stopped
    // fitting because the recipients or the settings changed stays for the
    // user to shorten, and queueing refuses it meanwhile.
    if (!fit.Fits && Edited && static_cast<Integer>(text.size()) >= FComposerLength) {
        text = CutToLimit(text, fit.Fitting);
        REdit1->SetText(text);
        REdit1->SetSelStart(REdit1->GetTextLengthEx(GTL_DEFAULT));
        fit = FitComposedText(text, frames, plain, options.WholeWords);
    }
    REdit1->SetMaxLength(fit.Limit);
    FComposerLength = static_cast<Integer>(text.size());

    const TTextFrame& fullest = fit.Frame;
    const Trozdel split(fullest.Lead + plain(text) + fullest.Tail, options.WholeWords);
    AnsiString lead = fullest.Lead;
    Trozdel::StripLineBreaks(lead);
    ColourParts(PartRanges(text, split.BareParts(), static_cast<Integer>(lead.size()), [&plain](char C) {
        AnsiString kept = plain(AnsiString(1, C));
        Trozdel::StripLineBreaks(kept);
        return static_cast<Integer>(kept.size());
    }));
    const Integer last = static_cast<Integer>(split.FullParts()[split.PartCount() - 1].size());
    const Integer characters = split.TextLength();
    // Characters no part would hold show as a negative remainder.
    const Integer remaining = split.DroppedLength() > 0 ? -split.DroppedLength() : Trozdel::MaxPartLength - last;

    ProgressBar1->SetMax(Trozdel::MaxPartLength);
    ProgressBar1->SetPosition(last);
    ProgressBar2->SetMax(fit.Limit);
    ProgressBar2->SetPosition(std::min(fit.Limit, static_cast<Integer>(text.size()) - CountLineBreaks(text)));
    TStatusPanels* panels = StatusBar1->Panels();
    panels->Items(1)->SetText(FCharsCaption + ": " + IntToStr(characters));
    panels->Items(2)->SetText(FRemainCaption + ": " + IntToStr(remaining));
    panels->Items(3)->SetText(FMsgsCaption + ": " + IntToStr(split.PartCount()));
}

void TfMain::ColourParts(const std::vector<TPartRange>& Ranges) {
    TVmRichEdit* edit = REdit1;
    TFont* odd = fnastaveni ? fnastaveni->Panel1->Font() : edit->Font();
    TFont* even = fnastaveni ? fnastaveni->Panel2->Font() : edit->Font();
    if (edit->Text().empty()) {
        edit->SetSelStart(FSavedCaret);
        edit->SetSelLength(0);
        edit->SelectedTextAttributes()->Assign(odd);
        return;
    }
    // Selecting a part to colour it must not reach the change handler, and
    // the user's caret and selection come back afterwards.
    TNotifyEvent change = std::exchange(edit->OnChange, nullptr);
    const TCharRange selection = edit->ExGetSel();
    FSavedCaret = selection.Max;
    auto restore = ScopeExit([edit, &change, selection] {
        edit->ExSetSel(selection);
        edit->OnChange = std::move(change);
    });
    for (std::size_t i = 0; i < Ranges.size(); ++i) {
        edit->ExSetSel(TCharRange{Ranges[i].Start, Ranges[i].Start + Ranges[i].Length});
        edit->SelectedTextAttributes()->Assign(i % 2 == 0 ? odd : even);
    }
}

// ---------------------------------------------------------------------------
// Queueing

bool TfMain::ComposedContent(TComposedMessage& Message) {
    if (PageControl1->ActivePage() == TabText) {
        Message.Type = "text";
        Message.Text = REdit1->Text();
        return !Message.Text.empty();
    }
    if (PageControl1->ActivePage() == TabLogo) return ComposedPicture(Message);
    if (PageControl1->ActivePage() == TabMelody) return ComposedMelody(Message);
    return false;
}

void TfMain::ADoFrontyExecute(TObject*) {
    ResolveRecipient(false);
    // Hidden, the pickers hold whatever they were last set to: a row with no
    // chosen time records when it was queued.
    const TDateTime sendTime = TimePanel->Visible() ? DateTimePicker2->Date() + DateTimePicker1->Time() : Now();
    const TDateTime earliest = Now() + EncodeTime(0, 5, 0, 0);
    if (TimePanel->Visible() && Milliseconds(sendTime) < Milliseconds(earliest)) {
        LocalMessageDlg(LangFormat("WrongDate", "Minimální přípustná doba odeslání je %s", DateTimeToStr(earliest)),
                        mtError, TMsgDlgButtons{mbOK}, 0);
        if (DateTimePicker2->CanFocus()) DateTimePicker2->SetFocus();
        return;
    }
    TComposedMessage message;
    if (!ComposedContent(message)) {
        LocalMessageDlg(LangText("NoMsgBody", "Nejprve je nutné vytvořit zprávu."), mtError, TMsgDlgButtons{mbOK}, 0);
        return;
    }
    bool exceeded = false;
    if (!EnqueueMessage(false, exceeded, sendTime)) return;
    ClearComposerPage(true);
    if (ComboEdit1->CanFocus()) ComboEdit1->SetFocus();
}

bool TfMain::EnqueueMessage(bool Tick, bool& LimitExceeded, TDateTime SendTime) {
    LimitExceeded = false;
    if (CountTickedRecipients() == 0) {
        LocalMessageDlg(LangText("NoAddress", "Musíte vybrat alespoň jednoho odresáta."), mtError,
                        TMsgDlgButtons{mbOK}, 0);
        return false;
    }
    TComposedMessage message;
    if (!ComposedContent(message)) return false;
    const TQueueOptions options = QueueOptions(Tick, SendTime);
    // Nothing is queued for anybody while one row would lose text: the
    // message stays in the composer to be shortened.
    const AnsiString tooLong = RecipientTooLong(*DM, message, options);
    if (!tooLong.empty()) {
        LocalMessageDlg(LangFormat("MsgTooLong", "Zpráva pro adresáta \"%s\" se nevejde do pěti SMS. Zkraťte text.",
                                   tooLong),
                        mtError, TMsgDlgButtons{mbOK}, 0);
        return false;
    }
    const Integer appended = EnqueueForTickedContacts(*DM, message, options);
    SaveTable(QueueTableFor(*DM, message.Type));
    return appended > 0;
}

TQueueOptions TfMain::QueueOptions(bool Tick, TDateTime SendTime) {
    TQueueOptions options;
    options.WholeWords = WholeWords();
    options.SeveralRecipients = FSeveral;
    options.AddSalutation = fnastaveni && fnastaveni->chbAddHeader->Checked();
    options.AddSignature = fnastaveni && fnastaveni->chbAddSign->Checked();
    options.HomeCountry = fnastaveni ? fnastaveni->HomeCountry() : AnsiString();
    options.DeliveryAddress = DorucPanel->Visible() ? DorucEdit->Text() : AnsiString();
    options.SendTime = SendTime;
    options.Tick = Tick;
    options.Group = CurrentGroupID();
    options.ConfirmForeign = [this] { return ConfirmForeignNumber(); };
    return options;
}

bool TfMain::ConfirmForeignNumber() {
    if (FormStorage->ReadIntegerValue("AbroadWarning", 1) == 0) return true;
    auto* window = new TfZahranici(this);
    auto release = ScopeExit([window] { window->Free(); });
    window->WarningStorage = FormStorage;
    return window->ShowModal() == mrYes;
}

void TfMain::ClearComposerPage(bool ClearRecipient, TTabSheet* Page) {
    TTabSheet* page = Page ? Page : PageControl1->ActivePage();
    if (page == TabText) REdit1->Clear();
    if (page == TabLogo) ClearLogoPage();
    if (page == TabMelody) ClearComposer(true);
    for (Integer i = 0; i < 4; ++i) StatusBar1->Panels()->Items(i)->SetText("");
    ProgressBar1->SetPosition(0);
    ProgressBar2->SetPosition(0);
    if (!ClearRecipient) return;
    SetRecipientText("");
    DM->ClearContactTicks();
    DM->Adresa->Refresh();
    if (!FSeveral) ToggleCurrentTick();
    ShowRecipientSummary();
}

void TfMain::ANovaZpravaExecute(TObject*) {
    TTabSheet* page = PageControl1->ActivePage();
    const bool written = (page == TabText && !REdit1->Text().empty()) || (page == TabMelody && MelodyIsReady()) ||
                         (page == TabLogo && LogoChanged());
    if (written && LocalMessageDlg(LangText("CreateNewMsg", "Zpráva nebyla odeslána. Nová zpráva vymaže napsanou "
                                                            "zprávu. Smazat zprávu a otevřít novou?"),
                                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}, 0) != mrYes)
        return;
    ClearComposerPage(true);
    if (ComboEdit1->CanFocus()) ComboEdit1->SetFocus();
}

// ---------------------------------------------------------------------------
// Templates

void TfMain::BuildTemplatesMenu() {
    ZpravyMenu->Items()->Clear();
    TMemData* templates = DM->Zprava;
    if (!templates->Active() || templates->IsEmpty()) return;
    const TBookmark place = templates->GetBookmark();
    templates->DisableControls();
    auto restore = ScopeExit([templates, &place] {
        if (!place.empty() && templates->BookmarkValid(place)) templates->GotoBookmark(place);
        templates->EnableControls();
    });
    for (templates->First(); !templates->Eof(); templates->Next()) {
        auto* item = new TMenuItem(this);
        item->SetCaption(DM->ZpravaNazev->AsString());
        item->SetTag(templates->RecIdField()->AsInteger());
        item->SetShortCut(TextToShortCut(DM->ZpravaShortCut->AsString()));
        item->OnClick = [this](TObject* Sender) { InsertTemplate(Sender); };
        ZpravyMenu->Items()->Add(item);
    }
}

void TfMain::InsertTemplate(TObject* Sender) {
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (!item || !DM->Zprava->Locate("RecId", Variant(item->Tag()), TLocateOptions{})) return;
    REdit1->SetSelText(DM->Zpravazprava->AsString());
    const TCharRange inserted = REdit1->ExGetSel();
    REdit1->ExSetSel(TCharRange{inserted.Max, inserted.Max});
}

// ---------------------------------------------------------------------------
// The editor

void TfMain::InsertSalutation() {
    if (!REdit1->Text().empty() || !DM->Adresa->Active() || DM->Adresa->IsEmpty() || FSeveral) return;
    AnsiString text;
    Integer caret = 0;
    if (fnastaveni->chbAddHeader->Checked()) {
        if (!DM->AdresaVybrany->AsBoolean()) DM->Adresa->Locate("Vybrany", Variant(true), TLocateOptions{});
        const AnsiString salutation = DM->AdresaOsloveni->AsString();
        if (!salutation.empty()) {
            text = salutation + " ";
            caret = static_cast<Integer>(text.size());
        }
    }
    const AnsiString signature = DM->AdresaPodpis->AsString();
    if (fnastaveni->chbAddSign->Checked() && !signature.empty()) text += "\r\n" + signature;
    if (text.empty()) return;
    {
        TNotifyEvent change = std::exchange(REdit1->OnChange, nullptr);
        auto restore = ScopeExit([this, &change] { REdit1->OnChange = std::move(change); });
        REdit1->SetText(text);
        REdit1->SetSelStart(caret);
        REdit1->SetSelLength(0);
    }
    FSavedCaret = caret;
    UpdateComposerCounters();
}

void TfMain::REdit1Enter(TObject*) {
    FEditorEntered = true;
    if (FRecipientEditLeft && !ComboEdit1->Text().empty()) {
        ResolveRecipient(true);
        FRecipientEditLeft = false;
    }
    InsertSalutation();
}

void TfMain::REdit1MouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    if (FEditorEntered && fnastaveni->chbAddHeader->Checked()) {
        const Integer lines = REdit1->GetLineCount();
        if (lines == 1 || lines == 2) {
            REdit1->SetSelStart(REdit1->LineLength(0));
            REdit1->SetSelLength(0);
            FEditorEntered = false;
        }
    }
    if (Button == mbRight) {
        const TPoint at = REdit1->ClientToScreen(TPoint{X, Y});
        PopupMenu2->Popup(at.x, at.y);
    }
}

void TfMain::AUndoExecute(TObject*) { REdit1->Undo(); }

void TfMain::ARedoExecute(TObject*) { REdit1->RedoEdit(); }

void TfMain::Zkopruj1Click(TObject*) { REdit1->CopyToClipboard(); }

void TfMain::Vyjmi1Click(TObject*) { REdit1->CutToClipboard(); }

void TfMain::Vybratve1Click(TObject*) { REdit1->SelectAll(); }

void TfMain::Vlo1Click(TObject*) {
    // On the picture page the clipboard's picture becomes the logo.
    if (PageControl1->ActivePage() == TabLogo) {
        PastePicture();
        return;
    }
    if (Clipboard()->HasFormat(CF_TEXT)) REdit1->SetSelText(Clipboard()->AsText());
}

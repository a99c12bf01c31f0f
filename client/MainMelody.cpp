// The "Melodie" page: a ring tone written note by note on the staff, with its
// name and tempo; opened from ring-tone and MIDI files, saved as ring-tone
// text or MIDI, played, and handed to the queue.
//
// The notes, the current note and the staff's layout are TMelodyModel; this
// unit shows them: one picture control per visible note on the staff panel,
// the scroll bars and the position text. The name edit and the tempo box are
// the melody's name and tempo; the model takes them before it builds text.

#include <algorithm>
#include <memory>
#include <utility>

#include "client/FmxUtils.h"
#include "client/Main.h"
#include "client/MelodyModel.h"
#include "client/MidiImport.h"
#include "client/Queueing.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "core/midi.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"

namespace {

// Pitch lines of the staff's five lines (F6, D6, H5, G5, E5) and where a
// glyph's note head lies below its top.
constexpr Integer StaffLines[] = {10, 12, 14, 16, 18};
constexpr Integer NoteHeadCentre = 24;
// The clef's curl sits on the G line, this far below the picture's top.
constexpr Integer ClefGLine = 58;
constexpr Integer GLine = 16;

AnsiString ReadText(const AnsiString& FileName) {
    TStringList lines;
    lines.LoadFromFile(FileName);
    AnsiString text;
    for (int i = 0; i < lines.Count(); ++i) text += lines[i];
    return text;
}

}  // namespace

void TfMain::InitComposer() {
    FMelodyPictures = std::make_unique<TMelodyPictures>();
    FMelody = std::make_unique<TMelodyModel>();
    FMelodyPlayer = std::make_unique<TMelodyPlayer>(MediaPlayer1);
    TNoteStaff& staff = FMelody->Staff();
    staff.StaffLeft = Osnova->Left();
    staff.StaffTop = Osnova->Top();
    staff.StaffWidth = Osnova->Width();
    staff.Images = &FMelodyPictures->Glyphs();

    TBitmap paper;
    paper.SetPixelFormat(pf24bit);
    paper.SetSize(Osnova->Width(), Osnova->Height());
    TCanvas* canvas = paper.Canvas();
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(Rect(0, 0, paper.Width(), paper.Height()));
    canvas->Pen()->SetColor(clBlack);
    for (Integer line : StaffLines) {
        const Integer y = staff.LineSpacing * line + NoteHeadCentre;
        canvas->MoveTo(4, y);
        canvas->LineTo(paper.Width() - 4, y);
    }
    Osnova->Picture()->Assign(&paper);

    TBitmap clef;
    clef.Assign(FMelodyPictures->Clef());
    clef.SetTransparentColor(clWhite);
    clef.SetTransparent(true);
    Image2->Picture()->Assign(&clef);
    Image2->SetBounds(Image2->Left(), staff.StaffTop + staff.LineSpacing * GLine + NoteHeadCentre - ClefGLine,
                      clef.Width(), clef.Height());

    FMelody->OnChange = [this](TObject*) { ShowStaff(); };
    ShowMelodyFields();
    ShowStaff();
}

TMelodyModel& TfMain::Melody() {
    TakeMelodyFields();
    return *FMelody;
}

void TfMain::TakeMelodyFields() {
    FMelody->Name = RTTTLNameEdit->Text();
    FMelody->Tempo = TempoBox->ItemIndex() >= 0 ? TempoBox->Text() : FMelody->Tempos()[0];
}

void TfMain::ShowMelodyFields() {
    RTTTLNameEdit->SetText(FMelody->Name);
    TempoBox->SetItemIndex(std::max(0, FMelody->Tempos().IndexOf(FMelody->Tempo)));
}

void TfMain::ShowStaff() {
    std::size_t used = 0;
    for (int i = 0; i < FMelody->NoteCount(); ++i) {
        TNota* note = FMelody->Note(i);
        if (!note->Shown || !note->HasGlyph()) continue;
        if (used == FNoteGlyphs.size()) {
            auto* image = new TImage(this);
            image->SetParent(OsnovaPanel);
            image->SetAutoSize(true);
            image->SetTransparent(true);
            FNoteGlyphs.push_back(image);
        }
        TImage* image = FNoteGlyphs[used++];
        TBitmap glyph;
        glyph.Assign(note->Glyph());
        glyph.SetTransparentColor(clWhite);
        glyph.SetTransparent(true);
        image->Picture()->Assign(&glyph);
        image->SetBounds(note->GlyphLeft(), note->GlyphTop(), glyph.Width(), glyph.Height());
        image->OnClick = [this, i](TObject*) { NoteGlyphClick(i); };
        image->SetVisible(true);
    }
    for (std::size_t k = used; k < FNoteGlyphs.size(); ++k) FNoteGlyphs[k]->SetVisible(false);

    // The composer moves the first visible note by itself (a note added past
    // the staff's end); that is no scrolling by the user.
    const bool showing = std::exchange(FShowingStaff, true);
    auto done = ScopeExit([this, showing] { FShowingStaff = showing; });
    ScrollBar1->SetParams(FMelody->FirstVisible, 0, std::max(0, FMelody->NoteCount() - 1));
    Label3->SetCaption(Format("%d/%d", FMelody->CurrentIndex() + 1, FMelody->NoteCount()));
}

void TfMain::NoteGlyphClick(int Index) {
    FMelody->SelectNote(Index);
    if (TNota* note = FMelody->Current()) ScrollBar2->SetPosition(note->Line());
}

// ---------------------------------------------------------------------------
// Writing notes

void TfMain::AddNote(Integer Type) {
    const AnsiString refused = Melody().AddNote(Type);
    if (!refused.empty()) {
        LocalMessageDlg(refused, mtInformation, TMsgDlgButtons{mbOK}, 0);
        return;
    }
    if (TNota* note = FMelody->Current()) ScrollBar2->SetPosition(note->Line());
}

void TfMain::AddNoteButtonClick(TObject*) { AddNote(FMelody->DefaultType); }

void TfMain::NoteButtonClick(TObject* Sender) {
    auto* button = dynamic_cast<TControl*>(Sender);
    if (button) FMelody->ChangeNoteType(button->Tag());
}

void TfMain::DotButtonClick(TObject*) { FMelody->ToggleDot(); }

void TfMain::SharpButtonClick(TObject*) { FMelody->ToggleSharp(); }

void TfMain::DeleteNoteButtonClick(TObject*) { FMelody->DeleteNote(); }


void TfMain::ScrollBar1Change(TObject*) {
    // The form sets the bars before the composer exists.
    if (FShowingStaff || !FMelody) return;
    FMelody->SetFirstVisible(ScrollBar1->Position());
}

void TfMain::ScrollBar2Change(TObject*) {
    if (FMelody) FMelody->SetPitchLine(ScrollBar2->Position());
}

void TfMain::RTTTLNameEditChange(TObject*) {
    // Typed, pasted or set from a file or a queued row alike: a character
    // the name cannot hold does not appear, and the caret stays after what
    // was typed.
    const AnsiString text = RTTTLNameEdit->Text();
    const AnsiString fit = RingToneName(text);
    if (fit == text) return;
    const Integer caret = std::clamp<Integer>(RTTTLNameEdit->SelStart(), 0, Integer(text.size()));
    RTTTLNameEdit->SetText(fit);
    RTTTLNameEdit->SetSelStart(Integer(RingToneName(text.substr(0, std::size_t(caret))).size()));
}

AnsiString TfMain::BuildRingTone() { return Melody().BuildRingTone(); }

bool TfMain::MelodyIsReady() { return Melody().MelodyIsReady(); }

Integer TfMain::MelodySeconds() { return Melody().MelodySeconds(); }

void TfMain::ClearComposer(bool ResetChoice) {
    FMelody->Clear();
    ShowMelodyFields();
    if (ResetChoice) MelodyCombo->SetKeyValue(Variant());
}

void TfMain::LoadRingTone(const AnsiString& Text) {
    const AnsiString cut = FMelody->LoadRingTone(Text);
    ShowMelodyFields();
    if (!cut.empty()) LocalMessageDlg(cut, mtInformation, TMsgDlgButtons{mbOK}, 0);
}

// ---------------------------------------------------------------------------
// Files, the melody list and playing

void TfMain::MelodyComboCloseUp(TObject*) {
    const AnsiString name = VarToStr(MelodyCombo->KeyValue());
    if (name.empty()) return;
    const AnsiString file = FProgramFolder + "Melody/" + name + ".rtl";
    AnsiString text;
    try {
        text = ReadText(file);
    } catch (const Exception&) {
        return;
    }
    LoadRingTone(text);
}

void TfMain::OpenMelodyButtonClick(TObject*) {
    RTTTLDlg->SetInitialDir(FProgramFolder + "Melody");
    if (!RTTTLDlg->Execute()) return;
    const AnsiString file = RTTTLDlg->FileName();
    const AnsiString ext = AnsiLowerCase(ExtractFileExt(file));
    AnsiString text;
    if (ext == ".mid" || ext == ".midi") {
        text = ImportMidi(file);
    } else {
        try {
            text = ReadText(file);
        } catch (const Exception&) {
        }
    }
    LoadRingTone(text);
}

void TfMain::SaveMelodyButtonClick(TObject*) {
    // A melody of no notes is no ring tone: the melody list would never show
    // it, and playing or queueing it is refused.
    if (!MelodyIsReady() &&
        LocalMessageDlg(LangText("SaveEmptyMelody", "Melodie neobsahuje žádnou notu. Přesto ji uložit?"),
                        mtConfirmation, TMsgDlgButtons{mbYes, mbNo}, 0) != mrYes)
        return;
    RTTTLSaveDlg->SetInitialDir(FProgramFolder + "Melody");
    if (!RTTTLSaveDlg->Execute()) return;
    AnsiString file = RTTTLSaveDlg->FileName();
    if (RTTTLSaveDlg->FilterIndex() != 1) {
        // The dialog gives a bare name the ring tone's extension whatever
        // the chosen type.
        if (SameText(ExtractFileExt(file), "." + RTTTLSaveDlg->DefaultExt())) file = ChangeFileExt(file, ".mid");
        if (!RingToneToMidiFile(BuildRingTone(), file, 0, false))
            LocalMessageDlg(LangFormat("MidiSaveFailed", "Melodii se nepodařilo uložit jako MIDI do souboru %s.", file),
                            mtError, TMsgDlgButtons{mbOK}, 0);
        return;
    }
    try {
        Melody().SaveRingTone(file);
    } catch (const Exception& E) {
        LocalMessageDlg(E.Message(), mtError, TMsgDlgButtons{mbOK}, 0);
        return;
    }
    DM->Melody->Close();
    DM->Melody->Open();
    ScanMelodyFolder();
}

AnsiString TfMain::ImportMidi(const AnsiString& FileName) { return ::ImportMidi(*MidiFile1, FileName); }

void TfMain::PlayRingTone(const AnsiString& TextOrFile, Integer Instrument) {
    try {
        FMelodyPlayer->PlayRingTone(TextOrFile, Instrument);
    } catch (const Exception& E) {
        LocalMessageDlg(E.Message(), mtError, TMsgDlgButtons{mbOK}, 0);
    }
}

void TfMain::PlayRingToneExternally(const AnsiString& TextOrFile, Integer Instrument) {
    const AnsiString file = FMelodyPlayer->PrepareExternalPlay(TextOrFile, Instrument);
    if (!file.empty()) ShellRunFile(file, "", "", SW_SHOWNORMAL);
}

void TfMain::StopPlaying() { FMelodyPlayer->StopPlaying(); }

void TfMain::PlayButtonClick(TObject*) { PlayRingTone(BuildRingTone(), 0); }

void TfMain::StopButtonClick(TObject*) { StopPlaying(); }

bool TfMain::ComposedMelody(TComposedMessage& Message) {
    if (!MelodyIsReady()) return false;
    Message.Type = "ringtone";
    Message.Name = RTTTLNameEdit->Text();
    Message.Melody = BuildRingTone();
    return true;
}

#include "client/MelodyModel.h"

#include <algorithm>
#include <cmath>

#include "core/Language.h"
#include "core/midi.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

namespace {

const char* const TempoChoices[] = {"63",  "70",  "80",  "90",  "100", "112", "125", "140",
                                    "160", "180", "200", "225", "250", "285", "320", "355",
                                    "400", "450", "500", "565", "635", "715", "800", "900"};
const char* const DurationTexts[] = {"1", "2", "4", "8", "16"};

// Glyphs stand this far apart, the first this far from the staff's edge.
constexpr Integer GlyphStep = 40;
constexpr Integer GlyphIndent = 60;

}  // namespace

TMelodyPictures::TMelodyPictures() {
    for (int i = 0; i < 10; ++i) {
        FTypes[i].LoadFromResourceName("NOTE_" + IntToStr(i));
        FGlyphs.Types[i] = &FTypes[i];
    }
    FBase.LoadFromResourceName("NOTE_15");
    FSharp.LoadFromResourceName("KRIZEK");
    FDot.LoadFromResourceName("TECKA");
    FClef.LoadFromResourceName("HOUSL_KLIC");
    FGlyphs.SharpBase = &FBase;
    FGlyphs.Sharp = &FSharp;
    FGlyphs.Dot = &FDot;
}

TMelodyModel::TMelodyModel() {
    for (const char* t : TempoChoices) FTempos.Add(t);
    Tempo = FTempos[0];
}

TMelodyModel::~TMelodyModel() = default;

AnsiString TMelodyModel::NearestTempo(Integer BeatsPerMinute) const {
    // Nearness is by ratio, as the choices are spaced (and heard): 150 is
    // closer to 160 than to 140. An equal ratio goes to the faster choice.
    int best = 0;
    if (BeatsPerMinute > 0) {
        double bestDistance = -1;
        for (int i = 0; i < FTempos.Count(); ++i) {
            const double distance = std::fabs(std::log(StrToInt(FTempos[i]) / double(BeatsPerMinute)));
            if (bestDistance < 0 || distance <= bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
    }
    return FTempos[best];
}

AnsiString TMelodyModel::BuildRingTone() const {
    AnsiString notes;
    for (std::size_t i = 0; i < FNotes.size(); ++i) {
        if (i > 0) notes += ",";
        notes += FNotes[i]->RingToneToken();
    }
    return RingToneName(Name) + ":d=4,o=5," + "b=" + Tempo + ":" + notes;
}

bool TMelodyModel::MelodyIsReady() const {
    TRingTone tone;
    return ParseRingTone(BuildRingTone(), tone);
}

Integer TMelodyModel::MelodySeconds() const {
    double beats = 0;
    for (const auto& n : FNotes) beats += n->NoteLength();
    Integer tempo = StrToIntDef(Tempo, 63);
    if (tempo <= 0) tempo = 63;
    // The default rounding mode rounds halves to the even neighbour.
    return Integer(std::nearbyint(beats / tempo * 60));
}

void TMelodyModel::Changed() {
    const TNotifyEvent handler = OnChange;
    if (handler) handler(nullptr);
}

AnsiString TMelodyModel::AddNote(Integer Type) {
    if (MelodySeconds() > MelodyLimitSeconds)
        return "Nemůžete přidat další notu, protože délka záznamu přesahuje povolený limit " +
               IntToStr(MelodyLimitSeconds) + " sekund.";
    const int at = FCurrent + 1;
    TNota* current = Current();
    if (current) current->DeselectNote();
    auto note = std::make_unique<TNota>(&FStaff);
    if (current && current->IsBeyondStaff()) ++FirstVisible;
    note->SetNoteType(Type);
    FNotes.insert(FNotes.begin() + at, std::move(note));
    FCurrent = at;
    RedrawStaff(at);
    return "";
}

void TMelodyModel::ChangeNoteType(Integer Type) {
    TNota* current = Current();
    if (!current || !current->HasGlyph()) return;
    current->SetNoteType(Type);
    current->RedrawNote();
    DefaultType = Type;
    Changed();
}

void TMelodyModel::ToggleDot() {
    TNota* current = Current();
    if (!current) return;
    if (current->Dotted()) current->ClearDot();
    else current->SetDot();
    Changed();
}

void TMelodyModel::ToggleSharp() {
    TNota* current = Current();
    if (!current) return;
    if (current->Sharp()) current->ClearSharp();
    else current->SetSharp();
    Changed();
}

void TMelodyModel::DeleteNote() {
    if (FCurrent < 0) return;
    const int at = FCurrent;
    FNotes.erase(FNotes.begin() + at);
    FCurrent = FNotes.empty() ? -1 : std::min(at, NoteCount() - 1);
    if (FirstVisible > std::max(NoteCount() - 1, 0)) FirstVisible = std::max(NoteCount() - 1, 0);
    RedrawStaff(FCurrent);
}

void TMelodyModel::SelectNote(int Index) {
    if (Index < 0 || Index >= NoteCount()) return;
    if (TNota* current = Current()) current->DeselectNote();
    FCurrent = Index;
    Current()->SelectNote();
    Changed();
}

void TMelodyModel::SetPitchLine(Integer Line) {
    TNota* current = Current();
    if (!current || current->IsRest()) return;
    current->SetLine(Line);
    FStaff.DefaultLine = Line;
    const AnsiString pitch = NotePitchName(Line);
    if (current->Sharp() && pitch.find_first_of("EH") != AnsiString::npos) current->ClearSharp();
    Changed();
}

void TMelodyModel::SetFirstVisible(Integer Position) {
    FirstVisible = FNotes.empty() ? 0 : std::clamp<Integer>(Position, 0, NoteCount() - 1);
    if (!FNotes.empty()) RedrawStaff(-1);
}

void TMelodyModel::Clear() {
    FNotes.clear();
    FCurrent = -1;
    FirstVisible = 0;
    Name.clear();
    Tempo = FTempos[0];
    Changed();
}

void TMelodyModel::RedrawStaff(int Index) {
    if (TNota* current = Current()) current->DeselectNote();
    if (FNotes.empty()) {
        FCurrent = -1;
        Changed();
        return;
    }
    FirstVisible = std::clamp<Integer>(FirstVisible, 0, NoteCount() - 1);
    for (auto& n : FNotes) {
        n->SetGlyphLeft(-1);
        n->Shown = false;
    }
    const Integer first = FirstVisible;
    const Integer last = std::min<Integer>(NoteCount() - 1, (FStaff.StaffWidth - GlyphIndent) / GlyphStep + first - 1);
    Integer x = FStaff.StaffLeft + GlyphIndent;
    for (Integer i = first; i <= last; ++i) {
        TNota* n = Note(i);
        n->RedrawNote();
        n->SetGlyphLeft(x);
        n->Shown = true;
        x += GlyphStep;
    }
    if (FCurrent < 0) FCurrent = 0;
    if (Index == -1) {
        if (!Current()->Shown) FCurrent = first;
    } else if (Index >= 0 && Index < NoteCount()) {
        FCurrent = Index;
    }
    Current()->SelectNote();
    Changed();
}

AnsiString TMelodyModel::LoadRingTone(const AnsiString& Text) {
    Clear();
    AnsiString text = Text;
    // Melodies queued while names could hold ":" have more than three
    // pieces; the last two are still the defaults and the notes.
    TStringList pieces;
    SplitString(':', text, &pieces);
    if (pieces.Count() > 3) {
        AnsiString name = pieces[0];
        for (int i = 1; i < pieces.Count() - 2; ++i) name += ":" + pieces[i];
        text = RingToneName(name) + ":" + pieces[pieces.Count() - 2] + ":" + pieces[pieces.Count() - 1];
    }
    const std::size_t colon = text.find(':');
    Name = RingToneName(text.substr(0, colon));
    Tempo = FTempos[0];
    // The tempo is read from the defaults: a name may hold "b=" too.
    if (const std::size_t b = text.find("b=", colon == AnsiString::npos ? 0 : colon); b != AnsiString::npos) {
        std::size_t end = b + 2;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        AnsiString digits = text.substr(b + 2, end - b - 2);
        if (!digits.empty()) {
            digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
            // More digits than any tempo has are simply very fast.
            Tempo = NearestTempo(digits.size() > 6 ? 999999 : StrToIntDef(digits, 0));
        }
    }
    AnsiString message;
    TRingTone tone;
    if (ParseRingTone(text, tone)) {
        for (std::size_t i = 0; i < tone.Notes.size(); ++i) {
            const TRingToneNote& parsed = tone.Notes[i];
            AnsiString name = AnsiLowerCase(parsed.Name);
            const bool rest = name.find('p') != AnsiString::npos;
            const Integer base = rest ? 5 : 0;
            // A duration the staff has no glyph for: shorter than a
            // sixteenth is a sixteenth; anything else a whole of its kind,
            // so that a rest stays a rest.
            Integer type = base;
            if (parsed.Duration > 16) type = base + 4;
            for (Integer k = 0; k < 5; ++k)
                if (IntToStr(parsed.Duration) == DurationTexts[k]) type = base + k;
            auto note = std::make_unique<TNota>(&FStaff);
            note->SetNoteType(type);
            const bool sharp = name.find('#') != AnsiString::npos;
            if (sharp) name.erase(name.find('#'), 1);
            if (!rest) {
                const AnsiString pitch = AnsiUpperCase(name) + IntToStr(parsed.Octave);
                for (Integer line = 0; line < NoteLineCount; ++line)
                    if (NotePitchName(line) == pitch) {
                        note->SetLine(line);
                        break;
                    }
            }
            if (parsed.Dotted) note->SetDot();
            if (sharp) note->SetSharp();
            FNotes.push_back(std::move(note));
            if (MelodySeconds() >= MelodyLimitSeconds && i + 1 < tone.Notes.size()) {
                message = LangFormat("MelodyCut", "Melodie byla zkrácena na %d s.", MelodyLimitSeconds);
                break;
            }
        }
    }
    RedrawStaff(-1);
    return message;
}

void TMelodyModel::SaveRingTone(const AnsiString& FileName) const { WriteFileAtomic(FileName, BuildRingTone()); }

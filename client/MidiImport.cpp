#include "client/MidiImport.h"

#include <algorithm>
#include <vector>

#include "core/Language.h"
#include "core/midi.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Ring tones count 384 ticks to the quarter note.
constexpr Int64 RingToneDivision = 384;

const char* const NoteNames[] = {"c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "b"};

// A note-on of velocity 0 ends a note like a note-off.
bool IsNoteOn(const TMidiEvent& e) { return e.Status == 0x90 && e.Data2 > 0; }

}  // namespace

TImportedDuration DurationForTicks(Int64 t) {
    struct Step {
        Int64 From;
        const char* Text;
        bool Dotted;
    };
    static const Step steps[] = {{2304, "1", true}, {1536, "1", false}, {1152, "2", true}, {768, "2", false},
                                 {576, "4", true},  {384, "4", false},  {288, "8", true},  {192, "8", false},
                                 {144, "16", true}, {96, "16", false},  {72, "32", true},  {48, "32", false},
                                 {36, "64", true},  {24, "64", false}};
    for (const Step& s : steps)
        if (t >= s.From) return TImportedDuration{s.Text, s.Dotted};
    return TImportedDuration{};
}

AnsiString ImportMidi(TMidiFile& Reader, const AnsiString& FileName) {
    Reader.SetFilename(FileName);
    Integer tracks = 0;
    try {
        tracks = Reader.LoadTracks();
    } catch (const Exception&) {
        return "";
    }
    if (tracks <= 0) return "";
    Integer best = 0, bestCount = -1;
    for (Integer i = 0; i < tracks; ++i) {
        TMidiTrack* track = Reader.TrackAt(i);
        Integer count = 0;
        for (Integer k = 0; k < track->EventCount(); ++k)
            if (IsNoteOn(*track->EventAt(k))) ++count;
        if (count > bestCount) {
            best = i;
            bestCount = count;
        }
    }
    TMidiTrack* track = Reader.TrackAt(best);
    // Lengths in the file's own division, counted as ring tones count them.
    const Int64 division = Reader.TicksPerQuarter() > 0 ? Reader.TicksPerQuarter() : RingToneDivision;
    auto duration = [&](Int64 ticks) { return DurationForTicks(ticks * RingToneDivision / division); };
    std::vector<AnsiString> tokens;
    AnsiString previous;  // a length too short for a duration repeats the last one
    auto durationText = [&](Int64 ticks, bool& dotted) {
        const TImportedDuration d = duration(ticks);
        dotted = d.Dotted;
        if (d.Text.empty()) return previous;
        previous = d.Text;
        return d.Text;
    };
    // Lengths are the reader's: from a note-on to its own note-off. The
    // deltas between events do not tell them, since a file's other channels
    // put their events in between. A rest is the time from the end of the
    // previous note to the next one's start.
    Int64 lastEnd = 0;
    for (Integer k = 0; k < track->EventCount(); ++k) {
        const TMidiEvent& e = *track->EventAt(k);
        // A note that never ends has nothing to measure it by.
        if (!IsNoteOn(e) || e.Length <= 0) continue;
        if (e.Time > lastEnd) {
            bool dotted = false;
            tokens.push_back(durationText(e.Time - lastEnd, dotted) + "p");
        }
        const int key = e.Data1;
        bool dotted = false;
        AnsiString token = durationText(e.Length, dotted) + NoteNames[key % 12];
        if (dotted) token += ".";
        if (key / 12 >= 1) token += IntToStr(key / 12);
        tokens.push_back(token);
        lastEnd = std::max(lastEnd, e.Time + e.Length);
    }
    AnsiString result = RingToneName(track->TitleText()) + ":d=4,o=4,b=" + IntToStr(Reader.Bpm()) + ":";
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (i > 0) result += ",";
        result += tokens[i];
    }
    return result;
}

AnsiString TMelodyPlayer::TemporaryFile() { return ProgramFolder() + "$tmp.mid"; }

AnsiString TMelodyPlayer::WriteTemporary(const AnsiString& TextOrFile, Integer Instrument) {
    AnsiString text = TextOrFile;
    if (FileExists(TextOrFile)) {
        try {
            text = ReadFileBytes(TextOrFile);
        } catch (const Exception&) {
            return "";
        }
    }
    if (!RingToneToMidiFile(text, TemporaryFile(), Instrument, false)) return "";
    return TemporaryFile();
}

bool TMelodyPlayer::PlayRingTone(const AnsiString& TextOrFile, Integer Instrument) {
    StopPlaying();
    const AnsiString file = WriteTemporary(TextOrFile, Instrument);
    if (file.empty()) return false;
    try {
        FPlayer->SetFileName(file);
        FPlayer->Open();
        FPlayer->Play();
    } catch (const Exception&) {
        throw EMelodyPlayFailed(
            LangText("MidiPlayFailed", "Nepodařilo se přehrát melodii, zkuste externí přehrávání."));
    }
    return true;
}

AnsiString TMelodyPlayer::PrepareExternalPlay(const AnsiString& TextOrFile, Integer Instrument) {
    StopPlaying();
    return WriteTemporary(TextOrFile, Instrument);
}

void TMelodyPlayer::StopPlaying() { FPlayer->Stop(); }

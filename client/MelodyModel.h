#pragma once
// The melody composer of the "Melodie" page, without its window: the notes
// on the staff, the current note, the name and tempo, the ring-tone text
// they make, the 30-second limit, and the staff's layout (which notes show
// and where). The page binds its buttons and scroll bars to it, places each
// note's glyph where the note says and shows the texts it returns.
//
// Layout: glyphs stand 40 pixels apart from 60 pixels right of the staff's
// left edge; FirstVisible (the horizontal scroll bar) is the first one shown.

#include <memory>
#include <vector>

#include "core/Nota.h"
#include "platform/rtl/StringList.h"

constexpr Integer MelodyLimitSeconds = 30;

// The composer's pictures, compiled into the program: the note images by
// type ("NOTE_0" ... "NOTE_9"), the base of a sharp note ("NOTE_15"), the
// sharp sign ("KRIZEK"), the dot ("TECKA") and the treble clef
// ("HOUSL_KLIC").
class TMelodyPictures {
public:
    TMelodyPictures();
    const TNoteGlyphImages& Glyphs() const { return FGlyphs; }
    const TBitmap& Clef() const { return FClef; }

private:
    TBitmap FTypes[10], FBase, FSharp, FDot, FClef;
    TNoteGlyphImages FGlyphs;
};

class TMelodyModel {
public:
    TMelodyModel();
    ~TMelodyModel();

    TNoteStaff& Staff() { return FStaff; }
    int NoteCount() const { return int(FNotes.size()); }
    TNota* Note(int Index) const { return FNotes.at(std::size_t(Index)).get(); }
    // -1 without a current note.
    int CurrentIndex() const { return FCurrent; }
    TNota* Current() const { return FCurrent >= 0 ? Note(FCurrent) : nullptr; }

    AnsiString Name;
    // The tempo choices ("63" ... "900") and the chosen one's text.
    const TStringList& Tempos() const { return FTempos; }
    AnsiString Tempo;
    // The choice nearest a tempo in beats per minute (the slowest for none
    // at all), so that a melody of any tempo plays at about its speed.
    AnsiString NearestTempo(Integer BeatsPerMinute) const;
    Integer DefaultType = 3;
    // The first note on the staff (the horizontal scroll bar); its maximum
    // is NoteCount() - 1.
    Integer FirstVisible = 0;

    // name + ":d=4,o=5,b=" + tempo + ":" + the notes' tokens; the name
    // without what would break the text (RingToneName).
    AnsiString BuildRingTone() const;
    // The ring-tone text parses, so it has notes (what the queue asks of a
    // melody, and what playing and saving as MIDI need).
    bool MelodyIsReady() const;
    // Beats over the tempo (63 when unreadable) in seconds, rounded to the
    // nearest, halves to even.
    Integer MelodySeconds() const;

    // Adds a note of Type after the current one. Past the limit nothing is
    // added and the text to show comes back ("" when the note was added).
    AnsiString AddNote(Integer Type);
    void ChangeNoteType(Integer Type);
    void ToggleDot();
    void ToggleSharp();
    void DeleteNote();
    // A click on a note's glyph.
    void SelectNote(int Index);
    // The pitch scroll bar: the current note (not a rest) goes to the line,
    // which becomes the default; a sharp it cannot keep is dropped.
    void SetPitchLine(Integer Line);
    // The horizontal scroll bar.
    void SetFirstVisible(Integer Position);
    void Clear();

    // Replaces the melody by a ring-tone text (a text that does not parse
    // keeps only name and tempo; a name holding ":" is read as the pieces
    // before the last two). Returns the text to show when the melody was
    // cut at the limit ("" otherwise).
    AnsiString LoadRingTone(const AnsiString& Text);
    // Writes BuildRingTone as a ".rtl" text file (replacing it as a whole).
    void SaveRingTone(const AnsiString& FileName) const;

    // Lays the visible notes out: each gets its glyph's left edge, the
    // others none; then picks and selects the current note (Index: the
    // note to make current, -1 to keep a visible current one).
    void RedrawStaff(int Index);
    // The staff changed (notes shown, moved or redrawn).
    TNotifyEvent OnChange;

private:
    void Changed();
    TNoteStaff FStaff;
    TNoteGlyphImages FImages;
    std::vector<std::unique_ptr<TNota>> FNotes;
    int FCurrent = -1;
    TStringList FTempos;
};

#pragma once
// TNota: one note or rest of the melody composer, with its place on the
// staff, its flags and the small picture (glyph) that shows it. It knows no
// window: the composer page puts the glyph where the note says and redraws
// it when OnChange fires.
//
// Types 0-4 are notes of 1, 2, 4, 8 and 16 beats' division (whole to
// sixteenth), 5-9 rests of the same lengths. Pitch lines run 0-27 from the
// top: H7 A7 G7 F7 E7 D7 C7, then the same letters one octave lower every
// seven lines (H stands for B).

#include "platform/classes/Events.h"
#include "platform/gfx/Bitmap.h"
#include "platform/rtl/Object.h"

// The pictures a glyph is made of, owned by the composer page: the note
// images by type, the blank base of a sharp note (50 x 30), the sharp sign
// and the dot. White is see-through in all of them.
struct TNoteGlyphImages {
    const TBitmap* Types[10] = {};
    const TBitmap* SharpBase = nullptr;
    const TBitmap* Sharp = nullptr;
    const TBitmap* Dot = nullptr;
};

// What every note of a composer reads: the staff's place and the default
// pitch line (the last one chosen).
struct TNoteStaff {
    Integer StaffLeft = 0;
    Integer StaffTop = 0;
    Integer StaffWidth = 0;
    Integer LineSpacing = 5;
    Integer DefaultLine = 13;
    const TNoteGlyphImages* Images = nullptr;
};

constexpr Integer NoteLineCount = 28;

// The pitch name of a line ("C6"); "" outside 0..27.
AnsiString NotePitchName(Integer Line);

// Every pixel of one colour becomes another (the composer's selection
// colour, the logo page's background).
void ReplaceColour(TBitmap& Bitmap, TColor OldColor, TColor NewColor);

class TNota : public TObject {
public:
    explicit TNota(TNoteStaff* Staff);

    Integer NoteType() const { return FType; }
    // Rests move to their line (13 for whole and half rests, 15 for the
    // others) and lose dot and sharp.
    void SetNoteType(Integer Value);
    bool IsRest() const { return FType >= 5 && FType <= 9; }
    Integer Line() const { return FLine; }
    // The glyph moves with it.
    void SetLine(Integer Value);
    bool Dotted() const { return FDotted; }
    bool Sharp() const { return FSharp; }
    bool Selected() const { return FSelected; }
    // The page shows the glyph now.
    bool Shown = false;

    // "4C6", "8C#6.", "16P": duration, pitch ("P" for a rest), sharp, dot.
    AnsiString RingToneToken() const;
    // Beats: 4, 2, 1, 0.5, 0.25 by type.
    double NoteLength() const;
    Integer GlyphTop() const;

    // Where the page placed the glyph's left edge; -1 while there is none.
    Integer GlyphLeft() const { return FGlyphLeft; }
    void SetGlyphLeft(Integer Value) { FGlyphLeft = Value; }
    bool HasGlyph() const { return FGlyphLeft >= 0; }
    // The glyph lies right of the staff's last 80 pixels.
    bool IsBeyondStaff() const;

    // Refused (false) for rests and for E and H lines, which have no sharp.
    bool SetSharp();
    void ClearSharp();
    // Refused (false) for rests.
    bool SetDot();
    void ClearDot();
    void SelectNote();
    void DeselectNote();

    // Builds the glyph from the staff's images; black turns red (255) on a
    // selected note.
    void RedrawNote();
    const TBitmap& Glyph() const { return FGlyph; }

    // The glyph changed or moved.
    TNotifyEvent OnChange;

private:
    void Changed();
    TNoteStaff* FStaff;
    Integer FType = 0;
    Integer FLine;
    bool FDotted = false;
    bool FSharp = false;
    bool FSelected = false;
    Integer FGlyphLeft = -1;
    TBitmap FGlyph;
};

#pragma once
// Ring-tone texts ("name:d=4,o=5,b=63:8e5,4p,...") and the standard MIDI
// files made from them, which the melody composer saves and plays and the
// melody folder scan uses to accept a file.

#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/rtl/System.h"

// Clears `list` and adds each piece of `text` between `separator`s in order.
// Inner empty pieces are kept; the empty piece after a trailing separator is
// not (so "a,,b," gives "a", "", "b").
void SplitString(char separator, const AnsiString& text, TStrings* list);

// One token of the notes piece: name is "p" for a rest, else a letter with an
// optional "#" ("b" already read as "h"); duration and octave have the
// defaults filled in.
struct TRingToneNote {
    AnsiString Name;
    Byte Duration = 0;
    Byte Octave = 0;
    bool Dotted = false;
};

// What a ring-tone text says. Every parse starts from a fresh value, so one
// melody's defaults never leak into the next.
struct TRingTone {
    AnsiString Name;
    Byte DefaultDuration = 0;
    Byte DefaultOctave = 0;
    Integer Tempo = 0;   // beats per minute, > 0 once parsed
    std::vector<TRingToneNote> Notes;
};

// Fills `ringTone` from `text`; false (never an exception) when the text is not
// a ring tone: not three ":" pieces, defaults not three key=value entries
// naming o, d and b, a value that is no number or out of range, a tempo of 0
// or less, a note above MIDI key 127, or no note at all.
bool ParseRingTone(const AnsiString& text, TRingTone& ringTone);

// Parses `text` and, unless `checkOnly`, writes it as a format-0 MIDI file
// played by `instrument` (General MIDI program, masked to 0..127). False when
// the text does not parse or the file cannot be written; a check never writes.
bool RingToneToMidiFile(const AnsiString& text, const AnsiString& fileName,
                        Integer instrument, bool checkOnly);

// The bytes of that MIDI file for an already parsed ring tone.
AnsiString RingToneToMidi(const TRingTone& ringTone, Integer instrument);

// `name` made fit to lead a ring-tone text: ":" would end the name early and
// "," is the text's other separator, which players elsewhere may split at
// before the ":"s, so both are left out; so are control characters (a line
// break would split the melody's file). Everything else stays as it is.
AnsiString RingToneName(const AnsiString& name);

// MIDI key of a parsed note (name index + 12 x octave), -1 for a rest.
Integer RingToneNoteKey(const TRingToneNote& note);
// Ticks at 384 per quarter note; 0 for an unknown duration.
Integer RingToneNoteTicks(const TRingToneNote& note);

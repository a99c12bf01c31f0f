#pragma once
// MIDI melodies for the melody composer: a standard MIDI file turned into
// ring-tone text, and ring tones played through the media player from the
// temporary file "$tmp.mid" in the program folder.

#include "media/MidiFile.h"
#include "platform/os/MediaPlayer.h"
#include "platform/rtl/Exceptions.h"

// Raised when a ring tone cannot be played; the message is the one the
// user sees ("MidiPlayFailed").
VEMLOR_DECLARE_EXCEPTION(EMelodyPlayFailed, Exception);

// The ring-tone text of the file: the track with the most note-ons on the
// first channel, its notes and rests with lengths measured in the file's
// own division, its name and the file's tempo (120 without one). "" when
// the file cannot be read.
AnsiString ImportMidi(TMidiFile& Reader, const AnsiString& FileName);

// Duration text and dot for a length in ticks at 384 per quarter note; ""
// below a sixty-fourth.
struct TImportedDuration {
    AnsiString Text;
    bool Dotted = false;
};
TImportedDuration DurationForTicks(Int64 Ticks);

class TMelodyPlayer {
public:
    explicit TMelodyPlayer(TMediaPlayer* Player) : FPlayer(Player) {}

    // The file "$tmp.mid" in the program folder.
    static AnsiString TemporaryFile();

    // Stops, then plays TextOrFile: a file of that name holds the ring
    // tone, otherwise the text is one. False when it is no ring tone (then
    // nothing happens); EMelodyPlayFailed when it cannot be played.
    bool PlayRingTone(const AnsiString& TextOrFile, Integer Instrument);
    // The same without the player: writes the temporary file and returns
    // its name for the shell to open ("" when no ring tone).
    AnsiString PrepareExternalPlay(const AnsiString& TextOrFile, Integer Instrument);
    void StopPlaying();

private:
    AnsiString WriteTemporary(const AnsiString& TextOrFile, Integer Instrument);
    TMediaPlayer* FPlayer;
};

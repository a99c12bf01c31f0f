// Feeds arbitrary text to the ring-tone parser and, for a text it accepts,
// writes the MIDI file. A text the parser accepts must give notes within
// MIDI's range and a file that starts as a MIDI file and holds its one track
// whole; a crash, a hang or an exception is a finding.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/midi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const AnsiString text(reinterpret_cast<const char*>(data), size);
    TRingTone tone;
    if (!ParseRingTone(text, tone)) return 0;
    if (tone.Tempo <= 0 || tone.Notes.empty()) std::abort();
    for (const TRingToneNote& note : tone.Notes) {
        const Integer key = RingToneNoteKey(note);
        if (key > 127 || key < -1) std::abort();
    }
    const AnsiString midi = RingToneToMidi(tone, 1000);
    // "MThd", 6, format 0, one track, division; then "MTrk" and its length.
    if (midi.size() < 22 || std::memcmp(midi.data(), "MThd", 4) != 0 || std::memcmp(midi.data() + 14, "MTrk", 4) != 0)
        std::abort();
    const auto* b = reinterpret_cast<const unsigned char*>(midi.data()) + 18;
    const std::size_t length = (std::size_t{b[0]} << 24) | (std::size_t{b[1]} << 16) | (std::size_t{b[2]} << 8) | b[3];
    if (length != midi.size() - 22) std::abort();
    return 0;
}

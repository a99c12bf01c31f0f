// Feeds arbitrary bytes as a MIDI file to the melody import and loads what
// it makes into the composer. Whatever the file holds, the import gives a
// text (empty when the file cannot be read) and the composer takes it within
// its limit; a crash, a hang or a melody past the limit is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "client/MelodyModel.h"
#include "client/MidiImport.h"
#include "fuzz/ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = WriteFuzzInput(data, size, ".mid");
    TMidiFile reader(nullptr);
    const AnsiString text = ImportMidi(reader, path);
    TMelodyModel melody;
    melody.Staff().StaffWidth = 460;
    melody.LoadRingTone(text);
    if (melody.MelodySeconds() > MelodyLimitSeconds + 4 * 60 / 63 + 1) std::abort();
    return 0;
}

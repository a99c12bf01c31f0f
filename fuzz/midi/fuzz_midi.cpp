// Feeds arbitrary bytes to TMidiFile::LoadTracks. The reader takes a file name,
// so each input goes through one scratch file. A damaged file may raise
// EInOutError; anything else, a crash or a hang is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "media/MidiFile.h"
#include "platform/rtl/Exceptions.h"

namespace {

const std::string& ScratchFile() {
    static const std::string path = [] {
        char name[] = "/tmp/fuzz_midi_XXXXXX";
        int fd = mkstemp(name);
        if (fd < 0)
            std::abort();
        close(fd);
        std::atexit([] { std::remove(ScratchFile().c_str()); });
        return std::string(name);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = ScratchFile();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);

    TMidiFile midi(nullptr);
    midi.SetFilename(path);
    try {
        midi.LoadTracks();
    } catch (const EInOutError&) {
    }
    for (Integer t = 0; t < midi.NumberOfTracks(); ++t) {
        TMidiTrack* track = midi.TrackAt(t);
        for (Integer i = 0; i < track->EventCount(); ++i)
            if (track->EventAt(i) == nullptr)
                std::abort();
    }
    return 0;
}

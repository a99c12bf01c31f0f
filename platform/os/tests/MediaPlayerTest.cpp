#include "platform/os/MediaPlayer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/rtl/ScopeGuard.h"

namespace {

const std::string OutDir = std::string(VEMLOR_TEST_OUTPUT) + "/media-player";

// A format-0 file, 96 ticks per quarter note, tempo 600000 us per quarter:
// one note of 4 quarters = 2.4 s, written byte by byte.
std::vector<unsigned char> FourBeatNote() {
    return {
        'M', 'T', 'h', 'd', 0, 0, 0, 6,  // header chunk, 6 bytes
        0, 0,                            // format 0
        0, 1,                            // one track
        0, 96,                           // 96 ticks per quarter note
        'M', 'T', 'r', 'k', 0, 0, 0, 20, // track chunk, 20 bytes
        0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0,  // tempo 600000
        0x00, 0x90, 60, 100,                       // note-on, key 60
        0x83, 0x00, 0x80, 60, 0,                   // after 384 ticks: note-off
        0x00, 0xFF, 0x2F, 0x00,                    // end of track
    };
}

std::string WriteFile(const std::string& name, const std::vector<unsigned char>& bytes) {
    std::filesystem::create_directories(OutDir);
    const std::string path = OutDir + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// The length in seconds as sox measures it; -1 when it cannot.
double SoxSeconds(const std::string& wav) {
    FILE* p = popen(("soxi -D '" + wav + "' 2>/dev/null").c_str(), "r");
    if (!p) return -1;
    double seconds = -1;
    if (std::fscanf(p, "%lf", &seconds) != 1) seconds = -1;
    pclose(p);
    return seconds;
}

std::string FailureOf(TMediaPlayer& Player) {
    try {
        Player.Play();
    } catch (const EMCIDeviceError& e) {
        return e.Message();
    }
    return "";
}

}  // namespace

TEST(TMediaPlayerTest, RendersTheWholePieceForAsLongAsItLasts) {
    const std::string wav = OutDir + "/four-beats.wav";
    std::filesystem::create_directories(OutDir);
    std::filesystem::remove(wav);
    TMediaPlayer::SetRenderFile(wav);
    auto restore = ScopeExit([] { TMediaPlayer::SetRenderFile(""); });
    TMediaPlayer player(nullptr);
    player.SetFileName(WriteFile("four-beats.mid", FourBeatNote()));
    player.Open();
    player.Play();
    EXPECT_FALSE(player.Playing());
    EXPECT_NEAR(SoxSeconds(wav), 2.4, 0.05);
}

TEST(TMediaPlayerTest, RaisesAndStaysClosedWhenItCannotPlay) {
    TMediaPlayer player(nullptr);
    player.SetFileName(OutDir + "/no-such-file.mid");
    EXPECT_NE(FailureOf(player), "");
    EXPECT_FALSE(player.IsOpen());

    player.SetFileName(WriteFile("not-midi.mid", {'R', 'I', 'F', 'F', 0, 0, 0, 0}));
    EXPECT_NE(FailureOf(player), "");
    EXPECT_FALSE(player.IsOpen());

    // No sound card: the driver the synthesiser would need is not there.
    TMediaPlayer::SetAudioDriver("no-such-driver");
    auto restore = ScopeExit([] { TMediaPlayer::SetAudioDriver(""); });
    player.SetFileName(WriteFile("four-beats.mid", FourBeatNote()));
    player.Open();
    EXPECT_TRUE(player.IsOpen());
    EXPECT_NE(FailureOf(player).find("No audio device"), std::string::npos);
    EXPECT_FALSE(player.IsOpen());
    player.Stop();  // nothing to stop: no failure

    TMediaPlayer::SetSoundFont(OutDir + "/missing.sf2");
    auto restoreFont = ScopeExit([] { TMediaPlayer::SetSoundFont(""); });
    EXPECT_THROW(player.Open(), EMCIDeviceError);
}

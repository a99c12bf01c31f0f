#include "client/MidiImport.h"

#include <filesystem>
#include <fstream>
#include <initializer_list>

#include <gtest/gtest.h>

#include "core/midi.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

using Bytes = std::vector<Byte>;

std::string OutPath(const std::string& name) {
    const std::string dir = std::string(VEMLOR_TEST_OUTPUT) + "/midi-import";
    std::filesystem::create_directories(dir);
    return dir + "/" + name;
}

Bytes Chunk(const char* kind, std::initializer_list<int> data) {
    Bytes out(kind, kind + 4);
    const std::size_t n = data.size();
    for (int shift : {24, 16, 8, 0}) out.push_back(Byte(n >> shift));
    for (int b : data) out.push_back(Byte(b));
    return out;
}

// A format-0 file of the given division with one track.
AnsiString Import(const std::string& name, int division, std::initializer_list<int> track) {
    Bytes file = Chunk("MThd", {0, 0, 0, 1, division >> 8, division & 0xFF});
    const Bytes t = Chunk("MTrk", track);
    file.insert(file.end(), t.begin(), t.end());
    std::ofstream(OutPath(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    TMidiFile reader(nullptr);
    return ImportMidi(reader, OutPath(name));
}

}  // namespace

TEST(ImportMidiTest, NotesRestsAndLengthsAsRingToneTokens) {
    // Quarter (384) and dotted quarter (576) on key 60, a pause of 192
    // before the second; a key below 12 gets no octave. No tempo: 120.
    EXPECT_EQ(Import("notes.mid", 384,
                     {0x00, 0xFF, 0x03, 0x02, 'N', 'm',         // track name
                      0x00, 0x90, 60, 100, 0x83, 0x00, 0x80, 60, 0,
                      0x81, 0x40, 0x90, 61, 100, 0x84, 0x40, 0x80, 61, 0,
                      0x00, 0x90, 5, 100, 0x81, 0x40, 0x80, 5, 0}),
              "Nm:d=4,o=4,b=120:4c5,8p,4c#.5,8f");
}

TEST(ImportMidiTest, VelocityZeroEndsNotesAndLengthsFollowTheDivision) {
    // 96 ticks a quarter: 96 is a quarter, 48 an eighth. A note-on of
    // velocity 0 ends the note; an end before any note is skipped.
    EXPECT_EQ(Import("division.mid", 96,
                     {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // 500000 us: 120
                      0x00, 0x80, 50, 0,                          // nothing to end
                      0x00, 0x90, 60, 100, 0x60, 0x90, 60, 0,     // quarter
                      0x00, 0x90, 62, 100, 0x30, 0x90, 62, 0}),   // eighth
              ":d=4,o=4,b=120:4c5,8d5");
}

TEST(ImportMidiTest, NotesKeepTheirLengthsWhileOtherChannelsPlayInBetween) {
    // Format 0, as most files are: channel 2 plays along, so its events
    // fall between channel 1's note-ons and note-offs.
    EXPECT_EQ(Import("format0.mid", 384,
                     {0x00, 0x90, 60, 100,         // 0: ch 1 C5 on
                      0x00, 0x91, 48, 100,         // 0: ch 2 C4 on
                      0x81, 0x40, 0x81, 48, 0,     // 192: ch 2 C4 off
                      0x00, 0x91, 50, 100,         // 192: ch 2 D4 on
                      0x81, 0x40, 0x80, 60, 0,     // 384: ch 1 C5 off
                      0x00, 0x81, 50, 0,           // 384: ch 2 D4 off
                      0x81, 0x40, 0xB1, 7, 90,     // 576: ch 2 volume
                      0x81, 0x40, 0x90, 62, 100,   // 768: ch 1 D5 on
                      0x81, 0x40, 0x91, 52, 100,   // 960: ch 2 E4 on
                      0x83, 0x00, 0x80, 62, 0,     // 1344: ch 1 D5 off
                      0x00, 0x81, 52, 0}),         // 1344: ch 2 E4 off
              // A quarter, a quarter's pause, a dotted quarter.
              ":d=4,o=4,b=120:4c5,4p,4d.5");
}

TEST(ImportMidiTest, TrackNameNeverBreaksTheRingTone) {
    const AnsiString text = Import("named.mid", 384,
                                   {0x00, 0xFF, 0x03, 0x06, 'A', ':', 'B', ',', 'C', '\n',  // track name
                                    0x00, 0x90, 60, 100, 0x83, 0x00, 0x80, 60, 0});
    EXPECT_EQ(text, "ABC:d=4,o=4,b=120:4c5");
    TRingTone tone;
    EXPECT_TRUE(ParseRingTone(text, tone));
}

TEST(ImportMidiTest, OtherChannelsGiveNoNotesAndUnreadableFilesNothing) {
    EXPECT_EQ(Import("channel2.mid", 384, {0x00, 0x91, 60, 100, 0x83, 0x00, 0x81, 60, 0}), ":d=4,o=4,b=120:");
    TMidiFile reader(nullptr);
    EXPECT_EQ(ImportMidi(reader, OutPath("missing.mid")), "");
    EXPECT_EQ(DurationForTicks(2304).Text, "1");
    EXPECT_TRUE(DurationForTicks(2304).Dotted);
    EXPECT_EQ(DurationForTicks(23).Text, "");
}

TEST(TMelodyPlayerTest, PlayerThatCannotPlayGivesTheUsersMessage) {
    SetProgramFolder(OutPath(""));
    TMediaPlayer::SetAudioDriver("no-such-driver");
    auto restore = ScopeExit([] {
        TMediaPlayer::SetAudioDriver("");
        SetProgramFolder("");
    });
    TMediaPlayer player(nullptr);
    TMelodyPlayer melody(&player);
    try {
        melody.PlayRingTone("Test:d=4,o=5,b=120:c", 0);
        FAIL() << "played without an audio device";
    } catch (const EMelodyPlayFailed& e) {
        EXPECT_EQ(e.Message(), "Nepodařilo se přehrát melodii, zkuste externí přehrávání.");
    }
    // External playing only writes the file, from a file name as well.
    WriteFileAtomic(OutPath("tune.rtl"), "Tune:d=4,o=5,b=120:c,d");
    EXPECT_EQ(melody.PrepareExternalPlay(OutPath("tune.rtl"), 0), OutPath("$tmp.mid"));
    TMidiFile reader(nullptr);
    EXPECT_EQ(ImportMidi(reader, OutPath("$tmp.mid")), "Tune:d=4,o=4,b=120:4c5,4d5");
}

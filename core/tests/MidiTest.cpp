#include "core/midi.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "platform/rtl/StringList.h"

namespace {

std::vector<int> Bytes(const AnsiString& s) {
    std::vector<int> out;
    for (char c : s)
        out.push_back(static_cast<unsigned char>(c));
    return out;
}

// The track events after the fixed lead-in (name, volume, tempo, program),
// without the end-of-track event.
std::vector<int> NoteBytes(const AnsiString& text) {
    TRingTone tone;
    EXPECT_TRUE(ParseRingTone(text, tone)) << text;
    std::vector<int> all = Bytes(RingToneToMidi(tone, 0));
    std::size_t start = 22 + 4 + tone.Name.size() + 4 + 7 + 3;
    return std::vector<int>(all.begin() + static_cast<std::ptrdiff_t>(start), all.end() - 4);
}

TRingToneNote ParseOne(const AnsiString& token) {
    TRingTone tone;
    EXPECT_TRUE(ParseRingTone("t:d=4,o=5,b=120:" + token, tone)) << token;
    return tone.Notes.empty() ? TRingToneNote() : tone.Notes[0];
}

std::string OutputPath(const std::string& name) {
    std::filesystem::create_directories(VEMLOR_TEST_OUTPUT);
    return std::string(VEMLOR_TEST_OUTPUT) + "/" + name;
}

}  // namespace

TEST(SplitStringTest, KeepsInnerEmptyPiecesAndDropsTrailingOne) {
    TStringList list;
    list.Add("stale");
    SplitString(',', "a,,b,", &list);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[0], "a");
    EXPECT_EQ(list[1], "");
    EXPECT_EQ(list[2], "b");

    SplitString(',', ",x", &list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0], "");
    EXPECT_EQ(list[1], "x");

    SplitString(',', "", &list);
    EXPECT_EQ(list.Count(), 0);
}

TEST(RingToneToMidiTest, SingleQuarterNoteGivesTheGoldenFile) {
    TRingTone tone;
    ASSERT_TRUE(ParseRingTone("x:d=4,o=5,b=120:c", tone));
    std::vector<int> expected = {
        'M', 'T', 'h', 'd', 0x00, 0x00, 0x00, 0x06,  // header, 6 bytes
        0x00, 0x00, 0x00, 0x01, 0x01, 0x80,          // format 0, 1 track, 384 ticks
        'M', 'T', 'r', 'k', 0x00, 0x00, 0x00, 0x20,  // track, 32 bytes
        0x00, 0xFF, 0x03, 0x01, 'x',                 // track name "x"
        0x00, 0xB0, 0x07, 0x7F,                      // volume 127
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,    // 500000 us per quarter
        0x00, 0xC0, 0x00,                            // instrument 0
        0x00, 0x90, 0x3C, 0x64,                      // c5 = key 60 on, velocity 100
        0x83, 0x00, 0x80, 0x3C, 0x00,                // off after 384 ticks
        0x00, 0xFF, 0x2F, 0x00,                      // end of track
    };
    EXPECT_EQ(Bytes(RingToneToMidi(tone, 0)), expected);
}

TEST(RingToneToMidiTest, NoteLengthsFollowDurationAndDot) {
    // 8a#.6: dotted eighth = 288 ticks (0x82 0x20), key 10 + 72 = 82.
    EXPECT_EQ(NoteBytes("t:d=4,o=5,b=120:8a#.6"),
              (std::vector<int>{0x00, 0x90, 82, 0x64, 0x82, 0x20, 0x80, 82, 0x00}));
    // The dot may also follow the octave.
    EXPECT_EQ(NoteBytes("t:d=4,o=5,b=120:8a#6."), NoteBytes("t:d=4,o=5,b=120:8a#.6"));
    // Whole, half, sixteenth, 64th: 1536, 768, 96, 24 ticks.
    EXPECT_EQ(NoteBytes("t:d=4,o=5,b=120:1c,2c,16c,64c"),
              (std::vector<int>{0x00, 0x90, 60, 0x64, 0x8C, 0x00, 0x80, 60, 0x00,
                                0x00, 0x90, 60, 0x64, 0x86, 0x00, 0x80, 60, 0x00,
                                0x00, 0x90, 60, 0x64, 0x60, 0x80, 60, 0x00,
                                0x00, 0x90, 60, 0x64, 0x18, 0x80, 60, 0x00}));
}

TEST(RingToneToMidiTest, ParsesNamesDurationsAndOctaves) {
    TRingToneNote n = ParseOne("8A#.6");
    EXPECT_EQ(n.Name, "a#");
    EXPECT_EQ(n.Duration, 8);
    EXPECT_EQ(n.Octave, 6);
    EXPECT_TRUE(n.Dotted);
    EXPECT_EQ(RingToneNoteTicks(n), 288);
    EXPECT_EQ(RingToneNoteKey(n), 82);

    // A "32" is read as a sixteenth.
    EXPECT_EQ(ParseOne("32c").Duration, 16);
    EXPECT_EQ(RingToneNoteTicks(ParseOne("32c")), 96);
    // b and h are the same note.
    EXPECT_EQ(RingToneNoteKey(ParseOne("4b5")), 71);
    EXPECT_EQ(RingToneNoteKey(ParseOne("4h5")), 71);
    // Sharps one above their letter; defaults fill missing duration and octave.
    EXPECT_EQ(RingToneNoteKey(ParseOne("c#")), 61);
    EXPECT_EQ(RingToneNoteKey(ParseOne("f#4")), 54);
    EXPECT_EQ(RingToneNoteKey(ParseOne("g#7")), 92);
    EXPECT_EQ(ParseOne("e").Duration, 4);
    EXPECT_EQ(ParseOne("e").Octave, 5);
    EXPECT_EQ(RingToneNoteKey(ParseOne("p")), -1);
    // Blanks between tokens do not matter.
    TRingTone tone;
    ASSERT_TRUE(ParseRingTone("t:d=8,o=6,b=90: 4e , d# ,\r\n2p", tone));
    ASSERT_EQ(tone.Notes.size(), 3u);
    EXPECT_EQ(tone.Notes[1].Name, "d#");
    EXPECT_EQ(tone.Notes[1].Duration, 8);
    EXPECT_EQ(tone.Notes[2].Name, "p");
}

TEST(RingToneToMidiTest, ConsecutiveRestsAddUp) {
    // 4p + 8p = 576 ticks (0x84 0x40) before the note; a trailing rest adds nothing.
    EXPECT_EQ(NoteBytes("t:d=4,o=5,b=120:4p,8p,c,1p"),
              (std::vector<int>{0x84, 0x40, 0x90, 60, 0x64, 0x83, 0x00, 0x80, 60, 0x00}));
    // A rest between notes delays only the next note.
    EXPECT_EQ(NoteBytes("t:d=4,o=5,b=120:16c,8p,16d"),
              (std::vector<int>{0x00, 0x90, 60, 0x64, 0x60, 0x80, 60, 0x00,
                                0x81, 0x40, 0x90, 62, 0x64, 0x60, 0x80, 62, 0x00}));
}

TEST(RingToneToMidiTest, RejectsTextsThatAreNoRingTone) {
    TRingTone tone;
    EXPECT_FALSE(ParseRingTone("x:d=4,o=5,b=120", tone));         // two pieces
    EXPECT_FALSE(ParseRingTone("x:d=4,o=5,b=120:c:d", tone));     // four pieces
    EXPECT_FALSE(ParseRingTone("x:d=4,o=5:c", tone));             // two defaults
    EXPECT_FALSE(ParseRingTone("x:d=4,o=5,b=120,d=4:c", tone));   // four defaults
    EXPECT_FALSE(ParseRingTone("x:d=4,o=5,bx:c", tone));          // no "="
    EXPECT_FALSE(ParseRingTone("x:d=4,o=5,b=fast:c", tone));      // not a number
    EXPECT_FALSE(ParseRingTone("x:d=4,o=5,b=:c", tone));          // no value
    EXPECT_FALSE(ParseRingTone("x:d=4,o=300,b=120:c", tone));     // octave beyond a byte
    EXPECT_FALSE(ParseRingTone("x:d=4,o=5,b=0:c", tone));         // would divide by zero
    EXPECT_FALSE(ParseRingTone("x:d=4,o=5,b=-60:c", tone));
    EXPECT_FALSE(ParseRingTone("x:d=4,o=5,xb=120:c", tone));      // no tempo entry at all
    EXPECT_FALSE(ParseRingTone("x:d=4,o=5,b=120:", tone));        // no notes
    EXPECT_FALSE(ParseRingTone("x:d=4,o=5,b=120:c11", tone));     // key 132
    EXPECT_TRUE(ParseRingTone("x:d=4,o=5,b=120:g10", tone));      // key 127 is the last
    EXPECT_FALSE(RingToneToMidiFile("x:d=4,o=5,b=fast:c", OutputPath("never.mid"), 0, false));
}

TEST(RingToneToMidiTest, EachParseStartsFromScratch) {
    TRingTone tone;
    ASSERT_TRUE(ParseRingTone("first:d=8,o=6,b=200:c,d,e", tone));
    EXPECT_FALSE(ParseRingTone("second:d=4,o=5,xb=1:c", tone));
    EXPECT_EQ(tone.Tempo, 0);
    ASSERT_TRUE(ParseRingTone("third:d=4,o=5,b=63:g", tone));
    EXPECT_EQ(tone.Name, "third");
    EXPECT_EQ(tone.Tempo, 63);
    ASSERT_EQ(tone.Notes.size(), 1u);
    EXPECT_EQ(tone.Notes[0].Duration, 4);
}

TEST(RingToneToMidiTest, TempoIsClampedToThreeBytes) {
    auto tempoBytes = [](const AnsiString& b) {
        TRingTone tone;
        EXPECT_TRUE(ParseRingTone("x:d=4,o=5,b=" + b + ":c", tone));
        std::vector<int> all = Bytes(RingToneToMidi(tone, 0));
        return std::vector<int>(all.begin() + 35, all.begin() + 38);
    };
    EXPECT_EQ(tempoBytes("120"), (std::vector<int>{0x07, 0xA1, 0x20}));
    EXPECT_EQ(tempoBytes("63"), (std::vector<int>{0x0E, 0x88, 0x3C}));   // 952380
    EXPECT_EQ(tempoBytes("3"), (std::vector<int>{0xFF, 0xFF, 0xFF}));    // 20000000 clamped
    EXPECT_EQ(tempoBytes("100000000"), (std::vector<int>{0x00, 0x00, 0x01}));
}

TEST(RingToneToMidiTest, LongNameLengthIsAVariableLengthQuantity) {
    TRingTone tone;
    AnsiString name(200, 'n');
    ASSERT_TRUE(ParseRingTone(name + ":d=4,o=5,b=120:c", tone));
    std::vector<int> all = Bytes(RingToneToMidi(tone, 0));
    EXPECT_EQ((std::vector<int>(all.begin() + 22, all.begin() + 27)),
              (std::vector<int>{0x00, 0xFF, 0x03, 0x81, 0x48}));
    EXPECT_EQ(all[27], 'n');
    EXPECT_EQ(all[27 + 200], 0x00);   // the volume event follows the name
    EXPECT_EQ(all[27 + 201], 0xB0);
}

TEST(RingToneToMidiTest, InstrumentIsMaskedToSevenBits) {
    TRingTone tone;
    ASSERT_TRUE(ParseRingTone("x:d=4,o=5,b=120:c", tone));
    EXPECT_EQ(Bytes(RingToneToMidi(tone, 19))[40], 19);
    EXPECT_EQ(Bytes(RingToneToMidi(tone, 200))[40], 200 & 0x7F);
}

TEST(RingToneToMidiTest, WritesExactlyTheBytesOfTheTune) {
    std::string path = OutputPath("midi_long.mid");
    std::filesystem::remove(path);
    AnsiString notes;
    for (int i = 0; i < 5000; ++i)
        notes += i ? ",16c" : "16c";
    AnsiString text = "long:d=4,o=5,b=160:" + notes;
    // Far beyond the old fixed 30000-byte buffer: 8 bytes a note.
    ASSERT_TRUE(RingToneToMidiFile(text, path, 0, false));
    std::ifstream in(path, std::ios::binary);
    AnsiString written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TRingTone tone;
    ASSERT_TRUE(ParseRingTone(text, tone));
    EXPECT_EQ(written, RingToneToMidi(tone, 0));
    EXPECT_EQ(written.size(), 22u + 4 + 4 + 4 + 7 + 3 + 5000u * 8 + 4);
}

TEST(RingToneToMidiTest, CheckOnlyWritesNothing) {
    std::string path = OutputPath("midi_check.mid");
    std::filesystem::remove(path);
    EXPECT_TRUE(RingToneToMidiFile("x:d=4,o=5,b=120:c", path, 0, true));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(RingToneToMidiFile("not a ring tone", path, 0, true));
}

TEST(RingToneToMidiTest, UnwritableFileGivesFalse) {
    EXPECT_FALSE(RingToneToMidiFile("x:d=4,o=5,b=120:c",
                                    OutputPath("no such folder/x.mid"), 0, false));
}

TEST(RingToneToMidiTest, IndependentReaderSeesTheSameTune) {
    // midicsv is a reader of its own; the check is skipped where it is not installed.
    if (!std::filesystem::exists("/usr/bin/midicsv"))
        GTEST_SKIP() << "midicsv not installed";
    std::string path = OutputPath("midi_midicsv.mid");
    ASSERT_TRUE(RingToneToMidiFile("Tune:d=8,o=5,b=100:4p,8p,c,4d#.6,2p,16h4", path, 5, false));
    std::string csv;
    if (std::FILE* p = popen(("/usr/bin/midicsv '" + path + "'").c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p))
            csv += buffer;
        EXPECT_EQ(pclose(p), 0);
    }
    EXPECT_EQ(csv,
              "0, 0, Header, 0, 1, 384\n"
              "1, 0, Start_track\n"
              "1, 0, Title_t, \"Tune\"\n"
              "1, 0, Control_c, 0, 7, 127\n"
              "1, 0, Tempo, 600000\n"
              "1, 0, Program_c, 0, 5\n"
              "1, 576, Note_on_c, 0, 60, 100\n"
              "1, 768, Note_off_c, 0, 60, 0\n"
              "1, 768, Note_on_c, 0, 75, 100\n"
              "1, 1344, Note_off_c, 0, 75, 0\n"
              "1, 2112, Note_on_c, 0, 59, 100\n"
              "1, 2208, Note_off_c, 0, 59, 0\n"
              "1, 2208, End_track\n"
              "0, 0, End_of_file\n");
}

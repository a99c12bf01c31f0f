#include "media/MidiFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/classes/TypInfo.h"
#include "platform/rtl/Exceptions.h"

// The round trip reads back what the core's writer produced.
#include "core/midi.h"

namespace {

using Bytes = std::vector<Byte>;

std::string DataPath(const std::string& name) { return std::string(VEMLOR_TEST_DATA) + "/" + name; }

std::string OutputPath(const std::string& name) {
    std::filesystem::create_directories(VEMLOR_TEST_OUTPUT);
    return std::string(VEMLOR_TEST_OUTPUT) + "/" + name;
}

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string WriteFile(const std::string& name, const Bytes& bytes) {
    std::string path = OutputPath(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

void Append(Bytes& out, std::initializer_list<int> bytes) {
    for (int b : bytes)
        out.push_back(static_cast<Byte>(b));
}

Bytes Chunk(const char* kind, const Bytes& data) {
    Bytes out(kind, kind + 4);
    const std::size_t n = data.size();
    Append(out, {int(n >> 24) & 0xFF, int(n >> 16) & 0xFF, int(n >> 8) & 0xFF, int(n) & 0xFF});
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// A format-0 file, 96 ticks per quarter, with the given track data.
Bytes SingleTrack(const Bytes& track) {
    Bytes out = Chunk("MThd", {0x00, 0x00, 0x00, 0x01, 0x00, 0x60});
    Bytes trk = Chunk("MTrk", track);
    out.insert(out.end(), trk.begin(), trk.end());
    return out;
}

// Loads the bytes; an EInOutError is the only failure a damaged file may give.
void LoadBytes(TMidiFile& midi, const std::string& name, const Bytes& bytes) {
    midi.SetFilename(WriteFile(name, bytes));
    try {
        midi.LoadTracks();
    } catch (const EInOutError&) {
    }
}

}  // namespace

TEST(TMidiFileTest, ReadsFormatZeroFileWithRunningStatusAndSysEx) {
    // Made by csvmidi from format0.csv: running status, a 0xF7 packet, note-offs
    // as note-ons with velocity 0.
    TMidiFile midi(nullptr);
    midi.SetFilename(DataPath("format0.mid"));
    ASSERT_EQ(midi.LoadTracks(), 1);
    EXPECT_EQ(midi.NumberOfTracks(), 1);
    EXPECT_EQ(midi.FileFormat(), TFileFormat::single);
    EXPECT_EQ(midi.TicksPerQuarter(), 96);
    EXPECT_EQ(midi.Bpm(), 120);

    TMidiTrack* track = midi.TrackAt(0);
    EXPECT_EQ(track->TitleText(), "Tune");
    ASSERT_EQ(track->EventCount(), 10);
    struct Expect { int status, data1, data2; Int64 time, length; };
    const Expect expected[] = {
        {0xFF, 0x03, 0, 0, 0},    {0xFF, 0x51, 0, 0, 0},    {0x90, 72, 100, 0, 96},
        {0x90, 72, 0, 96, -1},    {0x90, 74, 100, 96, 48},  {0x90, 74, 0, 144, -1},
        {0xF7, 0, 0, 192, 0},     {0x90, 76, 100, 240, 192}, {0x90, 76, 0, 432, -1},
        {0xFF, 0x2F, 0, 432, 0},
    };
    for (int i = 0; i < 10; ++i) {
        PMidiEvent e = track->EventAt(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(e->Status, expected[i].status);
        EXPECT_EQ(e->Data1, expected[i].data1);
        EXPECT_EQ(e->Data2, expected[i].data2);
        EXPECT_EQ(e->Time, expected[i].time);
        EXPECT_EQ(e->Length, expected[i].length);
    }
    EXPECT_EQ(track->EventAt(7)->Delta, 48);
    EXPECT_EQ(track->EventAt(10), nullptr);
    EXPECT_EQ(track->EventAt(-1), nullptr);
}

TEST(TMidiFileTest, ReadsFormatOneFileWithTwoTracks) {
    TMidiFile midi(nullptr);
    midi.SetFilename(DataPath("format1.mid"));
    ASSERT_EQ(midi.LoadTracks(), 2);
    EXPECT_EQ(midi.FileFormat(), TFileFormat::multi_synch);
    EXPECT_EQ(midi.TicksPerQuarter(), 480);
    EXPECT_EQ(midi.Bpm(), 150);   // tempo 400000 in the first track
    EXPECT_EQ(midi.TrackAt(0)->TitleText(), "Conductor");

    TMidiTrack* t = midi.TrackAt(1);
    EXPECT_EQ(t->TitleText(), "Melody");
    EXPECT_EQ(t->InstrumentText(), "Flute");
    ASSERT_EQ(t->EventCount(), 16);
    EXPECT_EQ(t->EventAt(2)->Status, 0xC0);
    EXPECT_EQ(t->EventAt(2)->Data1, 73);
    EXPECT_EQ(t->EventAt(3)->Length, 480);   // ended by a note-on of velocity 0
    EXPECT_EQ(t->EventAt(5)->Length, 240);   // ended by a note-off
    EXPECT_EQ(t->EventAt(6)->Status, 0x80);
    EXPECT_EQ(t->EventAt(6)->Length, -1);
    EXPECT_EQ(t->EventAt(7)->Status, 0xF0);  // system exclusive in the middle...
    EXPECT_EQ(t->EventAt(8)->Status, 0x90);  // ...leaves the next events intact
    EXPECT_EQ(t->EventAt(8)->Data1, 64);
    EXPECT_EQ(t->EventAt(8)->Length, 480);
    EXPECT_EQ(t->EventAt(9)->Status, 0xE0);
    EXPECT_EQ(t->EventAt(11)->Status, 0xB0);
    EXPECT_EQ(t->EventAt(12)->Status, 0x91);  // channel 2 matched on channel 2
    EXPECT_EQ(t->EventAt(12)->Length, 480);
    EXPECT_EQ(t->EventAt(13)->Status, 0x81);
    EXPECT_EQ(t->EventAt(13)->Length, -1);
    EXPECT_EQ(t->EventAt(14)->Text.size(), 134u);   // a two-byte meta length
    EXPECT_EQ(t->EventAt(14)->Time, 100000);        // a three-byte delta
    EXPECT_EQ(t->EventAt(15)->Data1, 0x2F);
    EXPECT_THROW(midi.TrackAt(2), EListError);
    EXPECT_THROW(midi.TrackAt(-1), EListError);
}

TEST(TMidiFileTest, VariableLengthDeltas) {
    TMidiFile midi(nullptr);
    LoadBytes(midi, "vlq.mid",
              SingleTrack({0x00, 0xC0, 0x01,           // delta 0
                           0x7F, 0xC0, 0x02,           // 127
                           0x81, 0x00, 0xC0, 0x03,     // 128
                           0xFF, 0x7F, 0xC0, 0x04,     // 16383
                           0x00, 0xFF, 0x2F, 0x00}));
    ASSERT_EQ(midi.NumberOfTracks(), 1);
    TMidiTrack* t = midi.TrackAt(0);
    ASSERT_EQ(t->EventCount(), 5);
    EXPECT_EQ(t->EventAt(0)->Delta, 0);
    EXPECT_EQ(t->EventAt(1)->Delta, 127);
    EXPECT_EQ(t->EventAt(2)->Delta, 128);
    EXPECT_EQ(t->EventAt(3)->Delta, 16383);
    EXPECT_EQ(t->EventAt(3)->Time, 0 + 127 + 128 + 16383);
}

TEST(TMidiFileTest, RunningStatusSurvivesMetaEvents) {
    TMidiFile midi(nullptr);
    LoadBytes(midi, "running.mid",
              SingleTrack({0x00, 0x90, 0x3C, 0x40,     // note-on
                           0x10, 0x3E, 0x40,           // running status: note-on
                           0x00, 0xFF, 0x01, 0x01, 'x',  // a text event
                           0x10, 0x40, 0x40}));        // still the note-on status
    TMidiTrack* t = midi.TrackAt(0);
    ASSERT_EQ(t->EventCount(), 4);
    EXPECT_EQ(t->EventAt(1)->Status, 0x90);
    EXPECT_EQ(t->EventAt(1)->Data1, 0x3E);
    EXPECT_EQ(t->EventAt(2)->Text, "x");
    EXPECT_EQ(t->EventAt(3)->Status, 0x90);
    EXPECT_EQ(t->EventAt(3)->Data1, 0x40);
    EXPECT_EQ(t->EventAt(3)->Time, 0x20);
}

TEST(TMidiFileTest, SecondNoteOffRemeasuresLatestNoteOn) {
    TMidiFile midi(nullptr);
    LoadBytes(midi, "twooffs.mid",
              SingleTrack({0x00, 0x90, 60, 0x40, 0x60, 0x80, 60, 0x00, 0x60, 0x80, 60, 0x00}));
    TMidiTrack* t = midi.TrackAt(0);
    ASSERT_EQ(t->EventCount(), 3);
    EXPECT_EQ(t->EventAt(0)->Length, 192);
    EXPECT_EQ(t->EventAt(1)->Length, -1);
    EXPECT_EQ(t->EventAt(2)->Length, -1);
}

TEST(TMidiFileTest, TempoEventsAndBpm) {
    TMidiFile midi(nullptr);
    EXPECT_EQ(midi.Bpm(), 0);
    // Tempo 0 and a two-byte tempo are ignored; 120 stays.
    LoadBytes(midi, "tempo0.mid",
              SingleTrack({0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00,
                           0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1}));
    EXPECT_EQ(midi.Bpm(), 120);
    LoadBytes(midi, "tempo150.mid", SingleTrack({0x00, 0xFF, 0x51, 0x03, 0x06, 0x1A, 0x80}));
    EXPECT_EQ(midi.Bpm(), 150);
    // A file without tempo does not inherit the previous file's.
    LoadBytes(midi, "notempo.mid", SingleTrack({0x00, 0xC0, 0x01}));
    EXPECT_EQ(midi.Bpm(), 120);

    midi.SetBpm(0);
    midi.SetBpm(-5);
    midi.SetBpm(100000000);
    EXPECT_EQ(midi.Bpm(), 120);
    midi.SetBpm(23456789);   // 2 microseconds per quarter
    EXPECT_EQ(midi.Bpm(), 30000000);
    midi.SetBpm(63);
    EXPECT_EQ(midi.Bpm(), 63);
}

TEST(TMidiFileTest, HeaderFieldsAndOtherChunks) {
    TMidiFile midi(nullptr);
    Bytes file = Chunk("MThd", {0x00, 0x02, 0x00, 0x07, 0x00, 0x00});   // division 0
    Bytes other = Chunk("XFIH", {1, 2, 3});
    Bytes trk = Chunk("MTrk", {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    file.insert(file.end(), other.begin(), other.end());
    file.insert(file.end(), trk.begin(), trk.end());
    LoadBytes(midi, "header.mid", file);
    EXPECT_EQ(midi.NumberOfTracks(), 1);   // the chunks read, not the header's 7
    EXPECT_EQ(midi.FileFormat(), TFileFormat::multi_asynch);
    EXPECT_EQ(midi.TicksPerQuarter(), 0);
    EXPECT_EQ(midi.Bpm(), 120);

    // A short header sets only what it holds; an unknown format changes nothing.
    LoadBytes(midi, "shortheader.mid", Chunk("MThd", {0x00, 0x07, 0x00}));
    EXPECT_EQ(midi.FileFormat(), TFileFormat::multi_asynch);
    EXPECT_EQ(midi.NumberOfTracks(), 0);
}

TEST(TMidiFileTest, FileErrorsRaiseInOutError) {
    TMidiFile midi(nullptr);
    midi.SetFilename(OutputPath("does-not-exist.mid"));
    EXPECT_THROW(midi.LoadTracks(), EInOutError);

    // A chunk declaring more bytes than the file has; the track before it stays.
    Bytes file = SingleTrack({0x00, 0xC0, 0x01});
    Append(file, {'M', 'T', 'r', 'k', 0x7F, 0xFF, 0xFF, 0xFF, 0x00, 0xC0});
    midi.SetFilename(WriteFile("toolong.mid", file));
    try {
        midi.LoadTracks();
        FAIL() << "no error for an oversized chunk";
    } catch (const EInOutError& e) {
        EXPECT_NE(e.Message().find("2147483647"), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("toolong.mid"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(midi.NumberOfTracks(), 1);
    EXPECT_EQ(midi.TrackAt(0)->EventCount(), 1);

    // A chunk header cut off after 5 bytes.
    file = SingleTrack({0x00, 0xC0, 0x01});
    Append(file, {'M', 'T', 'r', 'k', 0x00});
    midi.SetFilename(WriteFile("cutheader.mid", file));
    EXPECT_THROW(midi.LoadTracks(), EInOutError);
}

TEST(TMidiFileTest, OverrunsEndTheTrackQuietly) {
    TMidiFile midi(nullptr);
    const Bytes tracks[] = {
        {0x00, 0xC0, 0x01, 0x00, 0xFF, 0x01, 0x10, 'a', 'b'},   // meta longer than the chunk
        {0x00, 0xC0, 0x01, 0x00, 0xF0, 0x81, 0x00, 0x01},       // sysex longer than the chunk
        {0x00, 0xC0, 0x01, 0x81, 0x81, 0x81, 0x81, 0x00, 0xC0}, // five-byte delta
        {0x00, 0xC0, 0x01, 0x00, 0xFF, 0x03, 0x8F, 0x8F, 0x8F, 0x8F, 0x01}, // five-byte length
        {0x00, 0xC0, 0x01, 0x00, 0x90, 0x3C},                   // note-on missing its velocity
        {0x00, 0xC0, 0x01, 0x00, 0xFF},                         // meta without its type
    };
    for (const Bytes& track : tracks) {
        LoadBytes(midi, "overrun.mid", SingleTrack(track));
        ASSERT_EQ(midi.NumberOfTracks(), 1);
        EXPECT_EQ(midi.TrackAt(0)->EventCount(), 1);
    }
}

TEST(TMidiFileTest, TruncatedAndCorruptedFilesNeverCrash) {
    for (const char* name : {"format0.mid", "format1.mid"}) {
        const Bytes good = ReadAll(DataPath(name));
        ASSERT_FALSE(good.empty());
        TMidiFile midi(nullptr);
        for (std::size_t n = 0; n < good.size(); ++n)
            LoadBytes(midi, "truncated.mid", Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
        for (std::size_t i = 0; i < good.size(); ++i) {
            for (Byte value : {Byte(0x00), Byte(0x7F), Byte(0x80), Byte(0xFF)}) {
                Bytes bad = good;
                bad[i] = value;
                LoadBytes(midi, "corrupt.mid", bad);
                EXPECT_LE(midi.NumberOfTracks(), 2);
            }
        }
    }
}

TEST(TMidiFileTest, ReadsBackEveryRingToneTheWriterMakes) {
    AnsiString longTune = "long:d=16,o=6,b=180:";
    for (int i = 0; i < 3000; ++i)
        longTune += (i ? "," : "") + AnsiString(i % 3 ? "c#" : "8p");
    const AnsiString tunes[] = {
        "x:d=4,o=5,b=120:c",
        "Pink:d=16,o=5,b=160:8d#,e,2p,f#,g,8p,c6,8.b,g,b,2a#,32a,g,e,d,2e",
        "Rests:d=4,o=5,b=63:4p,8p,c,1p,2p,8a#.6,4b5,4h5,p",
        "Range:d=8,o=4,b=300:1c0,2h9,g10,4c#.,16g#7,32f,64e",
        AnsiString(300, 'N') + ":d=4,o=5,b=3:c,d",
        longTune,
    };
    int index = 0;
    for (const AnsiString& text : tunes) {
        SCOPED_TRACE(text.substr(0, 40));
        TRingTone tone;
        ASSERT_TRUE(ParseRingTone(text, tone));
        std::string path = OutputPath("roundtrip" + std::to_string(index++) + ".mid");
        ASSERT_TRUE(RingToneToMidiFile(text, path, 42, false));

        TMidiFile midi(nullptr);
        midi.SetFilename(path);
        ASSERT_EQ(midi.LoadTracks(), 1);
        EXPECT_EQ(midi.FileFormat(), TFileFormat::single);
        EXPECT_EQ(midi.TicksPerQuarter(), 384);
        const Integer tempo = std::min(60000000 / tone.Tempo, 0xFFFFFF);
        EXPECT_EQ(midi.Bpm(), 60000000 / tempo);
        if (tone.Tempo >= 4) {
            EXPECT_EQ(midi.Bpm(), tone.Tempo);
        }

        TMidiTrack* track = midi.TrackAt(0);
        EXPECT_EQ(track->TitleText(), tone.Name);
        // The note-ons, in order, with their keys, start times and lengths.
        Int64 time = 0;
        std::size_t next = 0;
        for (Integer i = 0; i < track->EventCount(); ++i) {
            PMidiEvent e = track->EventAt(i);
            if (e->Status == 0xC0) {
                EXPECT_EQ(e->Data1, 42);
            }
            if (e->Status != 0x90)
                continue;
            while (next < tone.Notes.size() && RingToneNoteKey(tone.Notes[next]) < 0)
                time += RingToneNoteTicks(tone.Notes[next++]);
            ASSERT_LT(next, tone.Notes.size());
            const TRingToneNote& note = tone.Notes[next++];
            EXPECT_EQ(e->Data1, RingToneNoteKey(note));
            EXPECT_EQ(e->Data2, 100);
            EXPECT_EQ(e->Time, time);
            EXPECT_EQ(e->Length, RingToneNoteTicks(note));
            time += RingToneNoteTicks(note);
        }
        while (next < tone.Notes.size() && RingToneNoteKey(tone.Notes[next]) < 0)
            ++next;
        EXPECT_EQ(next, tone.Notes.size());
        PMidiEvent last = track->EventAt(track->EventCount() - 1);
        EXPECT_EQ(last->Status, 0xFF);
        EXPECT_EQ(last->Data1, 0x2F);
    }
}

TEST(TMidiFileTest, EveryKeptFileLoadsOrFailsWithAnInputError) {
    // The MIDI fuzzer's starting inputs are the sample files of tests/data; an input
    // that ever crashes the reader joins them as "fuzz_*.mid".
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VEMLOR_TEST_DATA)) {
        if (entry.path().extension() != ".mid") continue;
        ++files;
        TMidiFile midi(nullptr);
        midi.SetFilename(entry.path().string());
        try {
            midi.LoadTracks();
        } catch (const EInOutError&) {
        }
        for (Integer t = 0; t < midi.NumberOfTracks(); ++t) {
            TMidiTrack* track = midi.TrackAt(t);
            for (Integer i = 0; i < track->EventCount(); ++i) EXPECT_NE(track->EventAt(i), nullptr);
        }
    }
    EXPECT_GE(files, 2);
}

namespace {

// Two tracks at 96 ticks per quarter and 500000 us per quarter: a tick is
// 5208.33 us. Track 0: tempo, then notes at ticks 0 and 192; track 1: one
// event at tick 96.
Bytes TwoTrackTune() {
    Bytes out = Chunk("MThd", {0x00, 0x01, 0x00, 0x02, 0x00, 0x60});
    Bytes t0 = Chunk("MTrk", {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo 500000
                              0x00, 0x90, 60, 100,                        // tick 0
                              0x81, 0x40, 0x80, 60, 0,                    // tick 192
                              0x00, 0xFF, 0x2F, 0x00});
    Bytes t1 = Chunk("MTrk", {0x60, 0x91, 64, 100,                        // tick 96
                              0x00, 0xFF, 0x2F, 0x00});
    out.insert(out.end(), t0.begin(), t0.end());
    out.insert(out.end(), t1.begin(), t1.end());
    return out;
}

}  // namespace

TEST(TMidiFileTest, PlaybackHandsOutEventsWhenTheirTimeComesByTheClock) {
    TMidiFile midi(nullptr);
    midi.SetFilename(WriteFile("two-tracks.mid", TwoTrackTune()));
    ASSERT_EQ(midi.LoadTracks(), 2);
    EXPECT_NEAR(midi.TimePerTick(), 500000.0 / 96, 1e-9);
    Cardinal now = 0xFFFFFF00u;  // near the wrap of the millisecond count
    midi.Clock = [&] { return now; };
    std::vector<std::pair<int, Int64>> heard;  // status, time
    midi.SetOnMidiEvent([&](PMidiEvent e) { heard.emplace_back(e->Status, e->Time); });
    int updates = 0;
    midi.OnUpdateEvent = [&](TObject*) { ++updates; };
    midi.StartPlaying();
    EXPECT_TRUE(midi.Playing());

    midi.TimerStep();  // no time passed: nothing is below position 0
    EXPECT_TRUE(heard.empty());
    EXPECT_EQ(updates, 1);
    now += 1;  // 0.19 ticks: rounds to 0, still nothing
    midi.TimerStep();
    EXPECT_TRUE(heard.empty());
    now += 4;  // 5 ms = 0.96 ticks: rounds to 1, the events at tick 0 are due
    midi.TimerStep();
    EXPECT_EQ(heard, (std::vector<std::pair<int, Int64>>{{0xFF, 0}, {0x90, 0}}));
    EXPECT_EQ(midi.TrackAt(0)->NextEvent(), 2);
    now += 500;  // past tick 96 (500 ms) but not 192 (1000 ms)
    midi.TimerStep();
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(heard[2], std::make_pair(0x91, Int64(96)));
    EXPECT_TRUE(midi.TrackAt(1)->Finished());
    EXPECT_FALSE(midi.TrackAt(0)->Finished());
    now += 600;  // 1105 ms: everything is out
    midi.TimerStep();
    EXPECT_EQ(heard.size(), 6u);
    EXPECT_TRUE(midi.TrackAt(0)->Finished());
    EXPECT_TRUE(midi.TrackAt(1)->Finished());
    EXPECT_NEAR(midi.Position(), 1105 * 1000 / (500000.0 / 96), 1e-6);

    // Stopped, steps do nothing; a new start begins from the first events.
    midi.StopPlaying();
    now += 1000;
    midi.TimerStep();
    EXPECT_EQ(updates, 5);
    midi.StartPlaying();
    EXPECT_EQ(midi.TrackAt(0)->NextEvent(), 0);
    EXPECT_FALSE(midi.TrackAt(0)->Finished());
}

TEST(TMidiFileTest, BpmSetsTheTimePerTickAndIsPublished) {
    TMidiFile midi(nullptr);
    midi.SetFilename(WriteFile("two-tracks.mid", TwoTrackTune()));
    midi.LoadTracks();
    midi.SetBpm(150);  // 400000 us per quarter
    EXPECT_NEAR(midi.TimePerTick(), 400000.0 / 96, 1e-9);
    midi.SetBpm(7);    // 8571428 us: 60000000 div it is 7 again
    EXPECT_EQ(midi.Bpm(), 7);
    EXPECT_NEAR(midi.TimePerTick(), 8571428.0 / 96, 1e-9);
    // A handler set after the load reaches every track; one set before
    // reaches the tracks of the next load.
    int calls = 0;
    midi.SetOnMidiEvent([&](PMidiEvent) { ++calls; });
    midi.TrackAt(1)->PlayUntil(1000);
    EXPECT_EQ(calls, 2);
    midi.LoadTracks();
    midi.TrackAt(0)->PlayUntil(1);
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(GetOrdProp(&midi, "NumberOfTracks"), 2);
    EXPECT_EQ(GetOrdProp(&midi, "TicksPerQuarter"), 96);
    EXPECT_EQ(GetEnumName(*GetPropInfo(&midi, "FileFormat")->EnumType, int(GetOrdProp(&midi, "FileFormat"))),
              "multi_synch");
    SetOrdProp(&midi, "Bpm", 90);
    EXPECT_EQ(midi.Bpm(), 90);
    EXPECT_TRUE(IsPublishedProp(&midi, "OnMidiEvent"));
    EXPECT_TRUE(IsPublishedProp(&midi, "OnUpdateEvent"));
}

#include "client/MelodyModel.h"

#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "client/MidiImport.h"
#include "core/midi.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

std::string OutPath(const std::string& name) {
    const std::string dir = std::string(VEMLOR_TEST_OUTPUT) + "/melody";
    std::filesystem::create_directories(dir);
    return dir + "/" + name;
}

double SoxSeconds(const std::string& wav) {
    FILE* p = popen(("soxi -D '" + wav + "' 2>/dev/null").c_str(), "r");
    if (!p) return -1;
    double seconds = -1;
    if (std::fscanf(p, "%lf", &seconds) != 1) seconds = -1;
    pclose(p);
    return seconds;
}

std::vector<AnsiString> Tokens(const TMelodyModel& m) {
    std::vector<AnsiString> out;
    for (int i = 0; i < m.NoteCount(); ++i) out.push_back(m.Note(i)->RingToneToken());
    return out;
}

TMelodyModel& Staffed(TMelodyModel& m) {
    m.Staff().StaffLeft = 0;
    m.Staff().StaffWidth = 460;  // (460 - 60) / 40 = 10 glyphs
    return m;
}

}  // namespace

TEST(TMelodyModelTest, ComposedMelodyIsSavedPlayedAndImportedBackWithTheSameNotes) {
    TMelodyModel m;
    Staffed(m);
    m.Name = "Skladba";
    m.Tempo = "125";
    // Note by note: types, a sharp, a dot, pitch lines, a rest.
    m.AddNote(2);                      // 4C6
    m.SetPitchLine(15);                // 4A5, and the default line
    m.AddNote(3);
    m.ToggleSharp();                   // 8A#5
    m.AddNote(7);                      // 4P
    m.AddNote(1);
    m.ToggleDot();                     // 2A5.
    m.AddNote(4);
    m.SetPitchLine(10);                // 16F6
    EXPECT_EQ(m.BuildRingTone(), "Skladba:d=4,o=5,b=125:4A5,8A#5,4P,2A5.,16F6");
    EXPECT_TRUE(m.MelodyIsReady());
    // The limit counts 1 + 0.5 + 1 + 2 + 0.25 = 4.75 beats (dots aside) at
    // 125: 2.28 s.
    EXPECT_EQ(m.MelodySeconds(), 2);

    m.SaveRingTone(OutPath("Skladba.rtl"));
    TMelodyModel reloaded;
    Staffed(reloaded);
    EXPECT_EQ(reloaded.LoadRingTone(ReadFileBytes(OutPath("Skladba.rtl"))), "");
    EXPECT_EQ(reloaded.BuildRingTone(), m.BuildRingTone());

    // Played: the sound lasts as long as the notes, the rest and the dot
    // included: 5.75 beats.
    const std::string wav = OutPath("Skladba.wav");
    std::filesystem::remove(wav);
    SetProgramFolder(OutPath(""));
    TMediaPlayer::SetRenderFile(wav);
    auto restore = ScopeExit([] {
        TMediaPlayer::SetRenderFile("");
        SetProgramFolder("");
    });
    TMediaPlayer player(nullptr);
    TMelodyPlayer melody(&player);
    ASSERT_TRUE(melody.PlayRingTone(m.BuildRingTone(), 0));
    EXPECT_NEAR(SoxSeconds(wav), 5.75 * 60 / 125, 0.05);
    EXPECT_TRUE(FileExists(OutPath("$tmp.mid")));

    // Imported from the MIDI file: the same notes.
    TMidiFile reader(nullptr);
    const AnsiString imported = ImportMidi(reader, OutPath("$tmp.mid"));
    EXPECT_EQ(imported, "Skladba:d=4,o=4,b=125:4a5,8a#5,4p,2a.5,16f6");
    TMelodyModel again;
    Staffed(again);
    again.LoadRingTone(imported);
    EXPECT_EQ(Tokens(again), Tokens(m));
    EXPECT_EQ(again.Tempo, "125");

    // Not a ring tone: nothing plays.
    EXPECT_FALSE(melody.PlayRingTone("no melody", 0));
}

TEST(TMelodyModelTest, ThirtySecondLimitOnAddingAndLoading) {
    TMelodyModel m;
    Staffed(m);
    for (int i = 0; i < 8; ++i) m.AddNote(2);
    EXPECT_EQ(m.MelodySeconds(), 8);  // 8 / 63 x 60 = 7.6
    // Whole notes: 4 beats = 3.8 s each; past 30 s no note is added.
    while (m.MelodySeconds() <= 30) ASSERT_EQ(m.AddNote(0), "");
    const int count = m.NoteCount();
    EXPECT_EQ(m.AddNote(0),
              "Nemůžete přidat další notu, protože délka záznamu přesahuje povolený limit 30 sekund.");
    EXPECT_EQ(m.NoteCount(), count);

    // Loading: cut after the note that reaches 30 s (eight whole notes at 63
    // make 30.5 s), with one message.
    AnsiString text = "Dlouha:d=4,o=5,b=63:";
    for (int i = 0; i < 12; ++i) text += i ? ",1c" : "1c";
    EXPECT_EQ(m.LoadRingTone(text), "Melodie byla zkrácena na 30 s.");
    EXPECT_EQ(m.NoteCount(), 8);
    EXPECT_EQ(m.Name, "Dlouha");
}

TEST(TMelodyModelTest, LoadingKeepsRestsLinesAndCurrentNote) {
    TMelodyModel m;
    Staffed(m);
    // An unknown rest duration stays a rest; a sixty-fourth is a sixteenth;
    // a note of octave 8 has no line and stays on the default one.
    m.LoadRingTone("Test:d=4,o=5,b=999:3p,64p,64c,4c8,8h5");
    ASSERT_EQ(m.NoteCount(), 5);
    EXPECT_EQ(Tokens(m), (std::vector<AnsiString>{"1P", "16P", "16C5", "4C6", "8H5"}));
    EXPECT_EQ(m.Tempo, "900");  // 999 is no choice; 900 is the nearest
    EXPECT_EQ(m.CurrentIndex(), 0);
    EXPECT_TRUE(m.Note(0)->Selected());

    // Layout: 10 glyphs from x = 60, 40 apart.
    EXPECT_EQ(m.Note(1)->GlyphLeft(), 100);

    // Deleting the last note makes the new last one current; deleting the
    // only one leaves none.
    m.SelectNote(4);
    m.DeleteNote();
    EXPECT_EQ(m.CurrentIndex(), 3);
    TMelodyModel one;
    Staffed(one);
    one.AddNote(3);
    one.DeleteNote();
    EXPECT_EQ(one.CurrentIndex(), -1);

    // A text that does not parse leaves only name and tempo.
    m.LoadRingTone("Jen:d=4,b=70");
    EXPECT_EQ(m.NoteCount(), 0);
    EXPECT_EQ(m.Name, "Jen");
    EXPECT_EQ(m.Tempo, "70");
}

TEST(TMelodyModelTest, ATempoOutsideTheChoicesTakesTheNearestOne) {
    TMelodyModel m;
    Staffed(m);
    struct Case {
        const char* Text;
        const char* Tempo;
    };
    for (const Case& c : {
             Case{"T:d=4,o=5,b=150:4c", "160"},   // 150/140 is more than 160/150
             Case{"T:d=4,o=5,b=130:4c", "125"},
             Case{"T:d=4,o=5,b=120:4c", "125"},
             Case{"T:d=4,o=5,b=40:4c", "63"},     // below the slowest
             Case{"T:d=4,o=5,b=0:4c", "63"},
             Case{"T:d=4,o=5,b=5000:4c", "900"},  // past the fastest
             Case{"T:d=4,o=5,b=123456789012:4c", "900"},
             Case{"T:d=4,o=5,b=000000000090:4c", "90"},
             Case{"T:d=4,o=5,b=225:4c", "225"},   // a choice stays as it is
             Case{"T:d=4,o=5,b=63:4c", "63"},
             Case{"T:d=4,o=5:4c", "63"},          // none given
         }) {
        m.LoadRingTone(c.Text);
        EXPECT_EQ(m.Tempo, c.Tempo) << c.Text;
    }

    // A MIDI file at 150 beats per minute plays and is sent at about that
    // speed: eight quarters last 3.2 s, not the 7.6 s they would at 63.
    AnsiString tune = "Rychla:d=4,o=5,b=150:";
    for (int i = 0; i < 8; ++i) tune += i ? ",4c" : "4c";
    ASSERT_TRUE(RingToneToMidiFile(tune, OutPath("rychla.mid"), 0, false));
    TMidiFile reader(nullptr);
    const AnsiString imported = ImportMidi(reader, OutPath("rychla.mid"));
    ASSERT_NE(imported.find("b=150:"), AnsiString::npos) << imported;
    m.LoadRingTone(imported);
    EXPECT_EQ(m.Tempo, "160");
    EXPECT_EQ(m.MelodySeconds(), 3);
    EXPECT_NE(m.BuildRingTone().find("b=160:"), AnsiString::npos);
}

TEST(TMelodyModelTest, NoNameBreaksTheRingToneText) {
    TMelodyModel m;
    Staffed(m);
    m.Name = "Song: one, two";
    m.Tempo = "80";
    // Without notes nothing is ready to queue, play or save, whatever the
    // name holds.
    EXPECT_FALSE(m.MelodyIsReady());
    m.AddNote(2);
    EXPECT_TRUE(m.MelodyIsReady());
    const AnsiString text = m.BuildRingTone();
    EXPECT_EQ(text, "Song one two:d=4,o=5,b=80:4C6");
    // Taken back from the queue: the same notes and tempo.
    TMelodyModel back;
    Staffed(back);
    back.LoadRingTone(text);
    EXPECT_EQ(back.BuildRingTone(), text);
    // A name holding "b=" gives no tempo.
    m.Name = "Ab=125";
    back.LoadRingTone(m.BuildRingTone());
    EXPECT_EQ(back.Tempo, "80");
    // A melody queued while names could hold ":" keeps its notes.
    back.LoadRingTone("Song: one:d=4,o=5,b=80:4C6,8D6");
    EXPECT_EQ(back.Name, "Song one");
    EXPECT_EQ(back.Tempo, "80");
    EXPECT_EQ(Tokens(back), (std::vector<AnsiString>{"4C6", "8D6"}));
}

TEST(TMelodyModelTest, ThePagesPicturesAreCompiledIn) {
    TMelodyPictures pictures;
    EXPECT_EQ(pictures.Clef().Height(), 90);
    EXPECT_EQ(pictures.Glyphs().SharpBase->Width(), 50);
    TMelodyModel m;
    Staffed(m).Staff().Images = &pictures.Glyphs();
    m.AddNote(2);
    m.ToggleSharp();
    EXPECT_EQ(m.Current()->Glyph().Width(), 50);
    TBitmap missing;
    EXPECT_THROW(missing.LoadFromResourceName("NO_SUCH_PICTURE"), EResNotFound);
}

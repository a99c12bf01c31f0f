#pragma once
// Reads a Standard MIDI File into memory: one TMidiTrack per track chunk, each
// holding its events with absolute times and note lengths, plus the file's
// format, time division and tempo. The client imports MIDI melodies through it.
//
// It also carries a timed playback engine, which hands every event to
// OnMidiEvent when its time has come (the client never starts it):
//   stopped --StartPlaying--> playing (every track from its first event)
//   playing --TimerStep (a timer, every 10 ms)--> events due are handed out,
//                              OnUpdateEvent; tracks whose events are all
//                              out are marked finished
//   playing --StopPlaying--> stopped

#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/System.h"

enum class TFileFormat { single = 0, multi_synch = 1, multi_asynch = 2 };

struct TMidiEvent {
    Byte Status = 0;   // 0xFF for a meta event
    Byte Data1 = 0;    // note key for note events; the type of a meta event
    Byte Data2 = 0;    // velocity for note events
    AnsiString Text;   // a meta event's data up to its first zero byte
    Integer Delta = 0; // ticks since the track's previous event
    Int64 Time = 0;    // ticks since the track's start
    // A note-on: ticks until its note-off (0 while none was found); a matched
    // note-off: -1; anything else 0.
    Int64 Length = 0;
};
using PMidiEvent = TMidiEvent*;
using TOnMidiEvent = std::function<void(PMidiEvent Event)>;

class TTimer;

class TMidiTrack : public TObject {
public:
    TMidiTrack() = default;
    ~TMidiTrack() override = default;

    // Appends `event` at the track's running time + its delta. A note-off (or a
    // note-on of velocity 0) measures the nearest earlier note-on of the same
    // channel and key; a meta event of type 3 or 4 names the track or instrument.
    void AddEvent(const TMidiEvent& Event);

    Integer EventCount() const { return static_cast<Integer>(FEvents.size()); }
    // nullptr when `index` is out of range.
    PMidiEvent EventAt(Integer Index);
    const AnsiString& TitleText() const { return FTrackName; }
    const AnsiString& InstrumentText() const { return FInstrumentName; }

    // Playback: the handler that receives this track's events.
    void SetOnMidiEvent(const TOnMidiEvent& Value) { FOnMidiEvent = Value; }
    // Back to the first event, not finished.
    void Rewind();
    // Hands every event from the next one on whose time lies below
    // Position to the handler; finished once all are out.
    void PlayUntil(Int64 Position);
    Integer NextEvent() const { return FNextEvent; }
    bool Finished() const { return FFinished; }

private:
    std::deque<TMidiEvent> FEvents;   // a deque keeps handed-out pointers valid
    AnsiString FTrackName;
    AnsiString FInstrumentName;
    Int64 FTime = 0;
    // Index of the latest note-on per (channel << 7 | key), so a note-off finds
    // it without scanning the whole track.
    std::unordered_map<Integer, Integer> FLastNoteOn;
    Integer FNextEvent = 0;
    bool FFinished = false;
    TOnMidiEvent FOnMidiEvent;
};

class TMidiFile : public TComponent {
public:
    explicit TMidiFile(TComponent* AOwner);
    ~TMidiFile() override;

    const AnsiString& Filename() const { return FFilename; }
    // Only stores the name; LoadTracks reads it.
    void SetFilename(const AnsiString& Value) { FFilename = Value; }
    Integer NumberOfTracks() const { return FNumberOfTracks; }
    Integer TicksPerQuarter() const { return FTicksPerQuarter; }
    TFileFormat FileFormat() const { return FFileFormat; }
    // Beats per minute: the file's last tempo event, 120 when it has none.
    Integer Bpm() const { return FBpm; }
    // Rounds to a whole number of microseconds per quarter note; 0, negative
    // and values too large for a tempo are ignored.
    void SetBpm(Integer Value);

    // Reads the file named by Filename and returns the number of track chunks.
    // Raises EInOutError when the file cannot be opened or read, or a chunk is
    // cut off; the tracks read before the error stay. Damaged event data ends
    // its track quietly.
    Integer LoadTracks();
    // Raises EListError for an index out of range.
    TMidiTrack* TrackAt(Integer Index);

    // Microseconds per tick: the tempo over the time division (0 while the
    // division is unknown, and then playback does not advance).
    double TimePerTick() const { return FTimePerTick; }

    // Playback, timed by a clock in milliseconds (tests give their own).
    void StartPlaying();
    void StopPlaying();
    bool Playing() const { return FPlaying; }
    // The position in ticks.
    double Position() const { return FPosition; }
    // One step of the timer: advances the position by the time passed since
    // the last step and hands out what fell due; then OnUpdateEvent.
    void TimerStep();
    std::function<Cardinal()> Clock;

    const TOnMidiEvent& OnMidiEvent() const { return FOnMidiEvent; }
    // Also hands the handler to every loaded track.
    void SetOnMidiEvent(const TOnMidiEvent& Value);
    TNotifyEvent OnUpdateEvent;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    void ReadHeader(const std::vector<Byte>& Data);
    void ReadTrack(const std::vector<Byte>& Data);
    void SetTempo(Cardinal MicrosecondsPerQuarter);
    void UpdateTimePerTick();

    AnsiString FFilename;
    std::vector<std::unique_ptr<TMidiTrack>> FTracks;
    Integer FNumberOfTracks = 0;
    Integer FTicksPerQuarter = 0;
    TFileFormat FFileFormat = TFileFormat::single;
    Integer FBpm = 0;
    Cardinal FTempo = 0;  // microseconds per quarter note
    double FTimePerTick = 0;
    TOnMidiEvent FOnMidiEvent;
    TTimer* FTimer = nullptr;
    bool FPlaying = false;
    Cardinal FStartTick = 0;
    Cardinal FLastTick = 0;
    double FPosition = 0;
};

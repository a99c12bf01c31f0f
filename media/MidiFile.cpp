#include "media/MidiFile.h"

// Standard MIDI File (numbers big-endian):
//
//  OFFSET  SIZE    DESCRIPTION
//  0       4       chunk kind: "MThd" header, "MTrk" track, anything else skipped
//  4       4       chunk data length
//  8       length  chunk data; the next chunk follows
//
//  Header data:
//  0       2       format: 0 single track, 1 synchronous tracks, 2 asynchronous
//  2       2       track count (the chunks actually read count instead)
//  4       2       ticks per quarter note
//
//  Track data, repeated:
//  var     1-4     delta ticks: 7 bits a byte, high group first, bit 7 set on
//                  every byte but the last
//  var     1       status byte (bit 7 set); absent when a data byte follows,
//                  and then the last channel status applies (running status)
//  var     ...     0x80-0xBF, 0xE0-0xEF: 2 data bytes; 0xC0-0xDF: 1 byte;
//                  0xFF meta: type, length (var), data;
//                  0xF0 / 0xF7 system exclusive: length (var), data;
//                  other 0xF1-0xFE: none
//
// Every length read from the file is checked against the bytes left: a chunk
// longer than the file raises EInOutError, and anything that runs past the end
// of its track chunk ends that track.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <exception>

#include "platform/classes/ClassRegistry.h"
#include "platform/classes/TypInfo.h"
#include "platform/ui/ExtCtrls.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr Integer MicrosecondsPerMinute = 60000000;
constexpr Cardinal DefaultTempo = 500000;   // 120 beats per minute when a file says nothing

Cardinal BigEndian(const Byte* Bytes, int Count) {
    Cardinal value = 0;
    for (int i = 0; i < Count; ++i)
        value = (value << 8) | Bytes[i];
    return value;
}

// A variable-length number of at most four bytes (the format's own limit);
// false when it runs past the data or goes on longer.
bool ReadVarLen(const std::vector<Byte>& Data, std::size_t& Pos, Cardinal& Value) {
    Value = 0;
    for (int i = 0; i < 4; ++i) {
        if (Pos >= Data.size())
            return false;
        Byte b = Data[Pos++];
        Value = (Value << 7) | (b & 0x7F);
        if ((b & 0x80) == 0)
            return true;
    }
    return false;
}

int DataByteCount(Byte Status) {
    if (Status >= 0x80 && Status <= 0xBF)
        return 2;
    if (Status >= 0xC0 && Status <= 0xDF)
        return 1;
    if (Status >= 0xE0 && Status <= 0xEF)
        return 2;
    return 0;
}

AnsiString TextUpToZero(const Byte* Text, std::size_t Length) {
    const Byte* end = std::find(Text, Text + Length, Byte(0));
    return AnsiString(reinterpret_cast<const char*>(Text), static_cast<std::size_t>(end - Text));
}

}  // namespace

// ---------------------------------------------------------------------------
// TMidiTrack

void TMidiTrack::AddEvent(const TMidiEvent& Event) {
    TMidiEvent& added = FEvents.emplace_back(Event);
    if (added.Status == 0xFF && added.Data1 == 3)
        FTrackName = added.Text;
    else if (added.Status == 0xFF && added.Data1 == 4)
        FInstrumentName = added.Text;
    FTime += added.Delta;
    added.Time = FTime;
    added.Length = 0;

    const Integer index = static_cast<Integer>(FEvents.size()) - 1;
    const Byte kind = added.Status & 0xF0;
    const Integer slot = ((added.Status & 0x0F) << 7) | (added.Data1 & 0x7F);
    if (kind == 0x80 || (kind == 0x90 && added.Data2 == 0)) {
        // The latest note-on of the key, whether or not an earlier note-off
        // already measured it: a second note-off re-measures it.
        auto found = FLastNoteOn.find(slot);
        if (found != FLastNoteOn.end()) {
            TMidiEvent& noteOn = FEvents[static_cast<std::size_t>(found->second)];
            noteOn.Length = added.Time - noteOn.Time;
            added.Length = -1;
        }
    }
    // Any 0x9n event counts as a note-on for the later ones, velocity 0 too.
    if (kind == 0x90)
        FLastNoteOn[slot] = index;
}

void TMidiTrack::Rewind() {
    FNextEvent = 0;
    FFinished = FEvents.empty();
}

void TMidiTrack::PlayUntil(Int64 Position) {
    while (FNextEvent < EventCount() && FEvents[static_cast<std::size_t>(FNextEvent)].Time < Position) {
        PMidiEvent event = &FEvents[static_cast<std::size_t>(FNextEvent)];
        ++FNextEvent;
        // A copy: the handler may set another one.
        const TOnMidiEvent handler = FOnMidiEvent;
        if (handler) handler(event);
    }
    if (FNextEvent >= EventCount()) FFinished = true;
}

PMidiEvent TMidiTrack::EventAt(Integer Index) {
    if (Index < 0 || Index >= EventCount())
        return nullptr;
    return &FEvents[static_cast<std::size_t>(Index)];
}

// ---------------------------------------------------------------------------
// TMidiFile

TMidiFile::TMidiFile(TComponent* AOwner) : TComponent(AOwner) {
    // The engine's timer: the playing mark decides whether a step does
    // anything, the timer runs only while playing.
    FTimer = new TTimer(this);
    FTimer->SetEnabled(false);
    FTimer->SetInterval(10);
    FTimer->OnTimer = [this](TObject*) { TimerStep(); };
}

TMidiFile::~TMidiFile() = default;

void TMidiFile::SetBpm(Integer Value) {
    // 0 or less would divide by zero; above 60000000 the tempo rounds to 0.
    if (Value <= 0 || Value > MicrosecondsPerMinute || Value == FBpm)
        return;
    FTempo = static_cast<Cardinal>(MicrosecondsPerMinute / Value);
    FBpm = MicrosecondsPerMinute / static_cast<Integer>(FTempo);
    UpdateTimePerTick();
}

void TMidiFile::UpdateTimePerTick() {
    FTimePerTick = FTicksPerQuarter > 0 ? double(FTempo) / FTicksPerQuarter : 0;
}

void TMidiFile::SetTempo(Cardinal MicrosecondsPerQuarter) {
    if (MicrosecondsPerQuarter == 0)
        return;
    FBpm = static_cast<Integer>(MicrosecondsPerMinute / MicrosecondsPerQuarter);
    FTempo = MicrosecondsPerQuarter;
    UpdateTimePerTick();
}

void TMidiFile::SetOnMidiEvent(const TOnMidiEvent& Value) {
    FOnMidiEvent = Value;
    for (auto& track : FTracks) track->SetOnMidiEvent(Value);
}

void TMidiFile::StartPlaying() {
    for (auto& track : FTracks) track->Rewind();
    FPosition = 0;
    FStartTick = Clock ? Clock() : Cardinal(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 std::chrono::steady_clock::now().time_since_epoch())
                                                 .count());
    FLastTick = 0;
    FPlaying = true;
    FTimer->SetEnabled(true);
}

void TMidiFile::StopPlaying() {
    FPlaying = false;
    FTimer->SetEnabled(false);
}

void TMidiFile::TimerStep() {
    if (!FPlaying)
        return;
    const Cardinal now = Clock ? Clock() : Cardinal(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                        std::chrono::steady_clock::now().time_since_epoch())
                                                        .count());
    // Unsigned: the difference stays right when the millisecond count wraps.
    const Cardinal elapsed = now - FStartTick;
    if (FTimePerTick > 0)
        FPosition += double(elapsed - FLastTick) * 1000.0 / FTimePerTick;
    const Int64 position = std::llround(FPosition);
    for (auto& track : FTracks) {
        track->PlayUntil(position);
    }
    FLastTick = elapsed;
    const TNotifyEvent handler = OnUpdateEvent;
    if (handler)
        handler(this);
}

TMidiTrack* TMidiFile::TrackAt(Integer Index) {
    if (Index < 0 || Index >= static_cast<Integer>(FTracks.size()))
        throw EListError(Format("List index out of bounds (%d)", Index));
    return FTracks[static_cast<std::size_t>(Index)].get();
}

Integer TMidiFile::LoadTracks() {
    FTracks.clear();
    FNumberOfTracks = 0;
    // Each file is read on its own: one without a tempo event plays at the
    // format's default, not at the previous file's tempo.
    SetTempo(DefaultTempo);

    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(FFilename, fmOpenRead);
    } catch (const EStreamError& e) {
        throw EInOutError(e.Message());
    }

    // The count is the tracks actually read, also when a damaged chunk
    // stops the reading.
    auto countRead = [this] { FNumberOfTracks = static_cast<Integer>(FTracks.size()); };
    auto countOnFailure = ScopeFail(countRead);
    const Int64 size = file->Size();
    Int64 offset = 0;
    while (offset < size) {
        Byte head[8];
        LongInt got = file->Read(head, sizeof head);
        if (got != static_cast<LongInt>(sizeof head))
            throw EInOutError(Format("MIDI file \"%s\": chunk header at offset %d is cut off "
                                     "(%d of 8 bytes)",
                                     FFilename, offset, got));
        offset += 8;
        const Cardinal length = BigEndian(head + 4, 4);
        const AnsiString kind(reinterpret_cast<const char*>(head), 4);
        if (static_cast<Int64>(length) > size - offset)
            throw EInOutError(Format("MIDI file \"%s\": chunk \"%s\" at offset %d declares %u "
                                     "bytes, only %d left",
                                     FFilename, kind, offset - 8, length, size - offset));
        if (kind != "MThd" && kind != "MTrk") {
            file->Seek(length, soFromCurrent);
            offset += length;
            continue;
        }
        std::vector<Byte> data(length);
        got = length > 0 ? file->Read(data.data(), static_cast<LongInt>(length)) : 0;
        if (got != static_cast<LongInt>(length))
            throw EInOutError(Format("MIDI file \"%s\": chunk \"%s\" at offset %d could not "
                                     "be read (%d of %u bytes)",
                                     FFilename, kind, offset - 8, got, length));
        offset += length;
        if (kind == "MThd")
            ReadHeader(data);
        else
            ReadTrack(data);
    }
    countRead();
    return FNumberOfTracks;
}

void TMidiFile::ReadHeader(const std::vector<Byte>& Data) {
    // A short header sets only the fields it holds.
    if (Data.size() >= 2 && Data[0] == 0 && Data[1] <= 2)
        FFileFormat = static_cast<TFileFormat>(Data[1]);
    if (Data.size() >= 4)
        FNumberOfTracks = static_cast<Integer>(BigEndian(&Data[2], 2));
    if (Data.size() >= 6)
        FTicksPerQuarter = static_cast<Integer>(BigEndian(&Data[4], 2));
    UpdateTimePerTick();
}

void TMidiFile::ReadTrack(const std::vector<Byte>& Data) {
    TMidiTrack* track = FTracks.emplace_back(std::make_unique<TMidiTrack>()).get();
    track->SetOnMidiEvent(FOnMidiEvent);
    const std::size_t end = Data.size();
    std::size_t pos = 0;
    Byte runningStatus = 0;
    while (end - pos >= 2) {
        TMidiEvent event;
        Cardinal delta = 0;
        if (!ReadVarLen(Data, pos, delta) || pos >= end)
            return;
        event.Delta = static_cast<Integer>(delta);
        event.Status = runningStatus;
        if (Data[pos] & 0x80) {
            event.Status = Data[pos++];
            // Meta and system-exclusive events do not take over the running
            // status: channel data after them still belongs to the channel.
            if (event.Status < 0xF0)
                runningStatus = event.Status;
        }

        if (event.Status == 0xFF || event.Status == 0xF0 || event.Status == 0xF7) {
            if (event.Status == 0xFF) {
                if (pos >= end)
                    return;
                event.Data1 = Data[pos++];
            }
            Cardinal length = 0;
            if (!ReadVarLen(Data, pos, length) || length > end - pos)
                return;
            if (event.Status == 0xFF) {
                event.Text = TextUpToZero(Data.data() + pos, length);
                if (event.Data1 == 0x51 && length >= 3)
                    SetTempo(BigEndian(Data.data() + pos, 3));
            }
            pos += length;
        } else {
            const int count = DataByteCount(event.Status);
            if (end - pos < static_cast<std::size_t>(count))
                return;
            if (count >= 1)
                event.Data1 = Data[pos++];
            if (count >= 2)
                event.Data2 = Data[pos++];
        }
        track->AddEvent(event);
    }
}

VEMLOR_PUBLISHED(TMidiFile, TComponent) {
    Prop("Filename", &TMidiFile::Filename, &TMidiFile::SetFilename);
    Prop("NumberOfTracks", &TMidiFile::NumberOfTracks);
    Prop("TicksPerQuarter", &TMidiFile::TicksPerQuarter);
    EnumProp("FileFormat", &TMidiFile::FileFormat, nullptr, {"single", "multi_synch", "multi_asynch"}, "TFileFormat");
    Prop("Bpm", &TMidiFile::Bpm, &TMidiFile::SetBpm);
    EventProp("OnMidiEvent", &TMidiFile::OnMidiEvent, &TMidiFile::SetOnMidiEvent);
    EventProp("OnUpdateEvent", &TMidiFile::OnUpdateEvent);
}
VEMLOR_REGISTER_CLASS(TMidiFile);

#include "core/midi.h"

// The MIDI file written for a ring tone (numbers big-endian, deltas as
// variable-length quantities: 7 bits a byte, high group first, bit 7 set on
// every byte but the last):
//
//  OFFSET  SIZE  DESCRIPTION
//  0       4     "MThd"
//  4       4     header length 6
//  8       2     format 0
//  10      2     one track
//  12      2     division: 384 ticks per quarter note
//  14      4     "MTrk"
//  18      4     length of the rest of the file
//  22      ...   00 FF 03 len name            track name (len as a VLQ)
//                00 B0 07 7F                  channel volume 127, channel 1
//                00 FF 51 03 tt tt tt         microseconds per quarter note
//                00 C0 ii                     program change to the instrument
//                per note: dd 90 kk 64        note-on after the pending rests
//                          dd 80 kk 00        note-off after the note's ticks
//                00 FF 2F 00                  end of track

#include <algorithm>
#include <cstddef>
#include <exception>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr Integer TicksPerQuarter = 384;
constexpr Integer MaxTempo = 0xFFFFFF;       // three bytes in the tempo event
constexpr Integer MaxDelta = 0x0FFFFFFF;     // the largest four-byte quantity
constexpr Byte NoteVelocity = 100;

std::vector<AnsiString> SplitPieces(char separator, const AnsiString& text) {
    std::vector<AnsiString> pieces;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == AnsiString::npos) {
            pieces.push_back(text.substr(start));
            break;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits of a note token; a number that does not fit a byte is unreadable and
// counts as 0, like an empty one, so the default applies.
Byte DigitsToByte(const AnsiString& digits) {
    Integer value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > 255)
            return 0;
    }
    return static_cast<Byte>(value);
}

bool ParseRingToneNote(AnsiString token, const TRingTone& ringTone, TRingToneNote& note) {
    for (char& c : token)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    // The dot may stand anywhere ("8a#.6", "4c5."); only the first counts.
    std::size_t dot = token.find('.');
    note.Dotted = dot != AnsiString::npos;
    if (note.Dotted)
        token.erase(dot, 1);

    std::size_t pos = 0;
    std::size_t start = pos;
    while (pos < token.size() && IsDigit(token[pos]))
        ++pos;
    AnsiString duration = token.substr(start, pos - start);
    // Stored melodies have always played a "32" as a sixteenth; keep it so.
    if (duration == "32")
        duration = "16";

    start = pos;
    while (pos < token.size() &&
           (token[pos] == '#' || token[pos] == 'p' || (token[pos] >= 'a' && token[pos] <= 'h')))
        ++pos;
    note.Name = token.substr(start, pos - start);
    std::size_t b = note.Name.find('b');
    if (b != AnsiString::npos)
        note.Name[b] = 'h';

    start = pos;
    while (pos < token.size() && IsDigit(token[pos]))
        ++pos;
    note.Octave = DigitsToByte(token.substr(start, pos - start));
    note.Duration = DigitsToByte(duration);
    if (note.Duration == 0)
        note.Duration = ringTone.DefaultDuration;
    if (note.Octave == 0)
        note.Octave = ringTone.DefaultOctave;
    // A key above 127 would be read as a status byte by every player.
    return RingToneNoteKey(note) <= 127;
}

bool IsRest(const TRingToneNote& note) { return note.Name.find('p') != AnsiString::npos; }

// A defaults value: an integer that must fit `low`..`high`.
bool ParseDefault(const AnsiString& value, Integer low, Integer high, Integer& result) {
    return TryStrToInt(value, result) && result >= low && result <= high;
}

void PutVarLen(AnsiString& out, Cardinal value) {
    Byte groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<Byte>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(static_cast<char>(groups[--count] | 0x80));
    out.push_back(static_cast<char>(groups[0]));
}

void PutBytes(AnsiString& out, std::initializer_list<Byte> bytes) {
    for (Byte b : bytes)
        out.push_back(static_cast<char>(b));
}

void PutBigEndian(AnsiString& out, Cardinal value, int size) {
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void WriteNotes(AnsiString& out, const std::vector<TRingToneNote>& notes) {
    Integer pendingDelta = 0;
    for (const TRingToneNote& note : notes) {
        Integer ticks = RingToneNoteTicks(note);
        if (IsRest(note)) {
            // Consecutive rests add up; a long pause must not shrink to its last rest.
            pendingDelta = std::min(MaxDelta, pendingDelta + ticks);
            continue;
        }
        Byte key = static_cast<Byte>(RingToneNoteKey(note));
        PutVarLen(out, static_cast<Cardinal>(pendingDelta));
        PutBytes(out, {0x90, key, NoteVelocity});
        PutVarLen(out, static_cast<Cardinal>(ticks));
        PutBytes(out, {0x80, key, 0});
        pendingDelta = 0;
    }
}

}  // namespace

void SplitString(char separator, const AnsiString& text, TStrings* list) {
    list->Clear();
    for (const AnsiString& piece : SplitPieces(separator, text))
        list->Add(piece);
}

AnsiString RingToneName(const AnsiString& name) {
    AnsiString fit;
    for (char c : name)
        if (c != ':' && c != ',' && static_cast<Byte>(c) >= 0x20 && c != 0x7F)
            fit.push_back(c);
    return fit;
}

Integer RingToneNoteKey(const TRingToneNote& note) {
    if (IsRest(note))
        return -1;
    static const char* const names[] = {"c", "c#", "d", "d#", "e", "f",
                                        "f#", "g", "g#", "a", "a#", "h"};
    Integer index = 0;
    for (Integer i = 0; i < 12; ++i)
        if (note.Name == names[i])
            index = i;
    return index + 12 * note.Octave;
}

Integer RingToneNoteTicks(const TRingToneNote& note) {
    Integer ticks = 0;
    switch (note.Duration) {
    case 1: ticks = 4 * TicksPerQuarter; break;
    case 2: ticks = 2 * TicksPerQuarter; break;
    case 4: ticks = TicksPerQuarter; break;
    case 8: ticks = TicksPerQuarter / 2; break;
    case 16: ticks = TicksPerQuarter / 4; break;
    case 32: ticks = TicksPerQuarter / 8; break;
    case 64: ticks = TicksPerQuarter / 16; break;
    default: break;
    }
    if (note.Dotted)
        ticks += ticks / 2;
    return ticks;
}

bool ParseRingTone(const AnsiString& text, TRingTone& ringTone) {
    ringTone = TRingTone();
    std::vector<AnsiString> pieces = SplitPieces(':', text);
    if (pieces.size() != 3)
        return false;
    ringTone.Name = pieces[0];

    const AnsiString& defaults = pieces[1];
    std::vector<AnsiString> entries = SplitPieces(',', defaults);
    if (entries.size() != 3 || defaults.find('o') == AnsiString::npos ||
        defaults.find('d') == AnsiString::npos || defaults.find('b') == AnsiString::npos)
        return false;
    for (const AnsiString& entry : entries) {
        std::vector<AnsiString> keyValue = SplitPieces('=', entry);
        if (keyValue.size() < 2)
            return false;
        const AnsiString& key = keyValue[0];
        Integer value = 0;
        if (key == "o") {
            if (!ParseDefault(keyValue[1], 0, 255, value))
                return false;
            ringTone.DefaultOctave = static_cast<Byte>(value);
        } else if (key == "d") {
            if (!ParseDefault(keyValue[1], 0, 255, value))
                return false;
            ringTone.DefaultDuration = static_cast<Byte>(value);
        } else if (key == "b") {
            if (!ParseDefault(keyValue[1], 1, 0x7FFFFFFF, value))
                return false;
            ringTone.Tempo = value;
        }
    }
    // No "b=" entry leaves the tempo at 0: there is nothing to play it at.
    if (ringTone.Tempo <= 0)
        return false;

    AnsiString notes;
    for (char c : pieces[2])
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            notes.push_back(c);
    for (const AnsiString& token : SplitPieces(',', notes)) {
        TRingToneNote note;
        if (!ParseRingToneNote(token, ringTone, note))
            return false;
        ringTone.Notes.push_back(note);
    }
    return !ringTone.Notes.empty();
}

AnsiString RingToneToMidi(const TRingTone& ringTone, Integer instrument) {
    AnsiString out;
    out.reserve(64 + ringTone.Name.size() + 8 * ringTone.Notes.size());
    out += "MThd";
    PutBigEndian(out, 6, 4);
    PutBigEndian(out, 0, 2);
    PutBigEndian(out, 1, 2);
    PutBigEndian(out, TicksPerQuarter, 2);
    out += "MTrk";
    const std::size_t lengthAt = out.size();
    PutBigEndian(out, 0, 4);

    PutBytes(out, {0x00, 0xFF, 0x03});
    PutVarLen(out, static_cast<Cardinal>(ringTone.Name.size()));
    out += ringTone.Name;
    PutBytes(out, {0x00, 0xB0, 0x07, 0x7F});

    Integer tempo = ringTone.Tempo > 0 ? 60000000 / ringTone.Tempo : MaxTempo;
    tempo = std::clamp(tempo, 1, MaxTempo);
    PutBytes(out, {0x00, 0xFF, 0x51, 0x03});
    PutBigEndian(out, static_cast<Cardinal>(tempo), 3);
    PutBytes(out, {0x00, 0xC0, static_cast<Byte>(instrument & 0x7F)});

    WriteNotes(out, ringTone.Notes);
    PutBytes(out, {0x00, 0xFF, 0x2F, 0x00});

    AnsiString length;
    PutBigEndian(length, static_cast<Cardinal>(out.size() - lengthAt - 4), 4);
    out.replace(lengthAt, 4, length);
    return out;
}

bool RingToneToMidiFile(const AnsiString& text, const AnsiString& fileName,
                        Integer instrument, bool checkOnly) {
    TRingTone ringTone;
    if (!ParseRingTone(text, ringTone))
        return false;
    if (checkOnly)
        return true;
    try {
        WriteFileAtomic(fileName, RingToneToMidi(ringTone, instrument));
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

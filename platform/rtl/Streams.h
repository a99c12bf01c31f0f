#pragma once
// Byte streams with the class library's contract: Read/Write move at most
// `count` bytes and say how many they moved, ReadBuffer/WriteBuffer insist on
// all of them, Seek takes one of three origins. Position and size are 64-bit.

#include <cstddef>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/System.h"

// Seek origins. Both spellings of the class library are accepted; they share
// the values, so either may be passed wherever a Word origin is expected.
enum TSeekOrigin : Word { soBeginning = 0, soCurrent = 1, soEnd = 2 };
constexpr Word soFromBeginning = 0;
constexpr Word soFromCurrent = 1;
constexpr Word soFromEnd = 2;

// TFileStream modes. The share flags are accepted and ignored: Linux has no
// mandatory share locks, and nothing in the program relies on being refused.
constexpr Word fmCreate = 0xFFFF;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

class TStream : public TObject {
public:
    ~TStream() override = default;

    // Move up to `count` bytes; return how many were moved (0 at the end, on
    // a negative count and on failure; never more than `count`).
    virtual LongInt Read(void* buffer, LongInt count) = 0;
    virtual LongInt Write(const void* buffer, LongInt count) = 0;
    // Return the new position, or -1 when the stream cannot move there.
    virtual Int64 Seek(Int64 offset, Word origin) = 0;

    Int64 Position();
    void SetPosition(Int64 position);
    virtual Int64 Size();
    virtual void SetSize(Int64 newSize) = 0;

    // Raise EReadError "Stream read error" / EWriteError "Stream write error"
    // unless exactly `count` bytes were moved.
    void ReadBuffer(void* buffer, LongInt count);
    void WriteBuffer(const void* buffer, LongInt count);

    // Copy `count` bytes from the source's current position; count 0 copies
    // the whole source from its start. Returns the bytes copied; a short
    // source raises EReadError.
    Int64 CopyFrom(TStream* source, Int64 count);
};

// A growable block of memory. The position may lie beyond the size: reading
// there gives 0 bytes, writing there fills the gap with zeros. A negative
// position is kept as set and neither reads nor writes.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    ~TMemoryStream() override = default;

    LongInt Read(void* buffer, LongInt count) override;
    LongInt Write(const void* buffer, LongInt count) override;
    Int64 Seek(Int64 offset, Word origin) override;
    Int64 Size() override { return static_cast<Int64>(FData.size()); }
    // Keeps the content up to the new size; new bytes are zero. The position
    // moves back to the new end when it lay beyond it.
    void SetSize(Int64 newSize) override;

    // The content; valid until the next write or resize.
    void* Memory() { return FData.data(); }
    const void* Memory() const { return FData.data(); }

    void Clear();
    // Replace the content with the whole of `stream` (from its start).
    void LoadFromStream(TStream* stream);
    void LoadFromFile(const AnsiString& fileName);
    // Write the whole content (not only from the position) to `stream`.
    void SaveToStream(TStream* stream);
    void SaveToFile(const AnsiString& fileName);

private:
    std::vector<Byte> FData;
    Int64 FPosition = 0;
};

// A file opened through the operating system. The name is Windows-1250 with
// either separator; it is converted to UTF-8 only for the OS call, and error
// messages quote it as given.
class TFileStream : public TStream {
public:
    // Raises EFCreateError "Cannot create file \"%s\". %s" or EFOpenError
    // "Cannot open file \"%s\". %s" with the OS reason.
    TFileStream(const AnsiString& fileName, Word mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    LongInt Read(void* buffer, LongInt count) override;
    LongInt Write(const void* buffer, LongInt count) override;
    // A target before the start gives -1 and leaves the position alone.
    Int64 Seek(Int64 offset, Word origin) override;
    Int64 Size() override;
    // Truncates or extends the file; raises EStreamError on failure.
    void SetSize(Int64 newSize) override;

    const AnsiString& FileName() const { return FFileName; }
    int Handle() const { return FHandle; }

private:
    AnsiString FFileName;
    int FHandle = -1;
};

// A stream over an AnsiString. Seeks clamp to 0..Size. Writing overwrites in
// place and extends the string when it runs past the end; bytes after the
// written range are kept.
class TStringStream : public TStream {
public:
    explicit TStringStream(AnsiString data = AnsiString());
    ~TStringStream() override = default;

    LongInt Read(void* buffer, LongInt count) override;
    LongInt Write(const void* buffer, LongInt count) override;
    Int64 Seek(Int64 offset, Word origin) override;
    Int64 Size() override { return static_cast<Int64>(FDataString.size()); }
    void SetSize(Int64 newSize) override;

    const AnsiString& DataString() const { return FDataString; }
    // Up to `count` bytes from the position (fewer at the end).
    AnsiString ReadString(LongInt count);
    void WriteString(const AnsiString& s);

private:
    AnsiString FDataString;
    Int64 FPosition = 0;
};

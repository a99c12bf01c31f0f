#include "platform/rtl/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

namespace {

constexpr LongInt kCopyChunk = 64 * 1024;

// A new position for Seek, or false when the arithmetic would overflow.
bool SeekTarget(Int64 position, Int64 size, Int64 offset, Word origin, Int64& target) {
    switch (origin) {
    case soFromBeginning: target = offset; return true;
    case soFromCurrent: return !__builtin_add_overflow(position, offset, &target);
    case soFromEnd: return !__builtin_add_overflow(size, offset, &target);
    default: return false;
    }
}

}  // namespace

// ---------------------------------------------------------------- TStream

Int64 TStream::Position() { return Seek(0, soFromCurrent); }

void TStream::SetPosition(Int64 position) { Seek(position, soFromBeginning); }

Int64 TStream::Size() {
    Int64 position = Seek(0, soFromCurrent);
    Int64 size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, LongInt count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, LongInt count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

Int64 TStream::CopyFrom(TStream* source, Int64 count) {
    if (source == nullptr) throw EReadError("Stream read error");
    if (count == 0) {
        source->SetPosition(0);
        count = source->Size();
    }
    if (count < 0) throw EReadError("Stream read error");
    std::vector<Byte> buffer(static_cast<std::size_t>(std::min<Int64>(count, kCopyChunk)));
    Int64 left = count;
    while (left > 0) {
        LongInt n = static_cast<LongInt>(std::min<Int64>(left, kCopyChunk));
        source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

// ---------------------------------------------------------- TMemoryStream

LongInt TMemoryStream::Read(void* buffer, LongInt count) {
    Int64 size = Size();
    if (FPosition < 0 || count <= 0 || FPosition >= size) return 0;
    LongInt n = static_cast<LongInt>(std::min<Int64>(count, size - FPosition));
    std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

LongInt TMemoryStream::Write(const void* buffer, LongInt count) {
    Int64 end = 0;
    if (FPosition < 0 || count <= 0 || __builtin_add_overflow(FPosition, count, &end)) return 0;
    if (end > Size()) SetSize(end);
    std::memcpy(FData.data() + FPosition, buffer, static_cast<std::size_t>(count));
    FPosition = end;
    return count;
}

Int64 TMemoryStream::Seek(Int64 offset, Word origin) {
    Int64 target = 0;
    if (SeekTarget(FPosition, Size(), offset, origin, target)) FPosition = target;
    return FPosition;
}

void TMemoryStream::SetSize(Int64 newSize) {
    if (newSize < 0) throw EStreamError("Invalid stream size (" + std::to_string(newSize) + ")");
    try {
        FData.resize(static_cast<std::size_t>(newSize));
    } catch (const std::bad_alloc&) {
        throw EStreamError("Out of memory while expanding memory stream");
    } catch (const std::length_error&) {
        throw EStreamError("Out of memory while expanding memory stream");
    }
    if (FPosition > newSize) FPosition = newSize;
}

void TMemoryStream::Clear() {
    std::vector<Byte>().swap(FData);
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
    stream->SetPosition(0);
    Int64 count = stream->Size();
    SetSize(count);
    Int64 done = 0;
    while (done < count) {
        LongInt n = static_cast<LongInt>(std::min<Int64>(count - done, kCopyChunk));
        stream->ReadBuffer(FData.data() + done, n);
        done += n;
    }
}

void TMemoryStream::LoadFromFile(const AnsiString& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

void TMemoryStream::SaveToStream(TStream* stream) {
    Int64 count = Size();
    Int64 done = 0;
    while (done < count) {
        LongInt n = static_cast<LongInt>(std::min<Int64>(count - done, kCopyChunk));
        stream->WriteBuffer(FData.data() + done, n);
        done += n;
    }
}

void TMemoryStream::SaveToFile(const AnsiString& fileName) {
    // Through a temporary file, so a failed save keeps the old file whole.
    TAtomicFileWriter writer(fileName);
    writer.Write(FData.data(), FData.size());
    writer.Commit();
}

// ------------------------------------------------------------ TFileStream

TFileStream::TFileStream(const AnsiString& fileName, Word mode) : FFileName(fileName) {
    std::string sysName = SysFileName(fileName);
    if (mode == fmCreate) {
        FHandle = ::open(sysName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0) {
            int error = errno;
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + SysErrorMessage(error));
        }
        return;
    }
    int flags = O_CLOEXEC;
    switch (mode & 0x0003) {
    case fmOpenRead: flags |= O_RDONLY; break;
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    default:
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + SysErrorMessage(EINVAL));
    }
    FHandle = ::open(sysName.c_str(), flags);
    int error = FHandle < 0 ? errno : 0;
    if (FHandle >= 0) {
        // Linux opens a folder for reading; the file functions must not.
        struct stat info;
        if (::fstat(FHandle, &info) == 0 && S_ISDIR(info.st_mode)) {
            ::close(FHandle);
            FHandle = -1;
            error = EISDIR;
        }
    }
    if (FHandle < 0) throw EFOpenError("Cannot open file \"" + fileName + "\". " + SysErrorMessage(error));
}

TFileStream::~TFileStream() {
    if (FHandle >= 0) ::close(FHandle);
}

LongInt TFileStream::Read(void* buffer, LongInt count) {
    if (count <= 0) return 0;
    LongInt done = 0;
    while (done < count) {
        ssize_t n = ::read(FHandle, static_cast<char*>(buffer) + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<LongInt>(n);
    }
    return done;
}

LongInt TFileStream::Write(const void* buffer, LongInt count) {
    if (count <= 0) return 0;
    LongInt done = 0;
    while (done < count) {
        ssize_t n = ::write(FHandle, static_cast<const char*>(buffer) + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<LongInt>(n);
    }
    return done;
}

Int64 TFileStream::Seek(Int64 offset, Word origin) {
    int whence;
    switch (origin) {
    case soFromBeginning: whence = SEEK_SET; break;
    case soFromCurrent: whence = SEEK_CUR; break;
    case soFromEnd: whence = SEEK_END; break;
    default: return -1;
    }
    off_t result = ::lseek(FHandle, static_cast<off_t>(offset), whence);
    return result < 0 ? -1 : static_cast<Int64>(result);
}

Int64 TFileStream::Size() {
    struct stat info;
    if (::fstat(FHandle, &info) != 0) return -1;
    return static_cast<Int64>(info.st_size);
}

void TFileStream::SetSize(Int64 newSize) {
    // As the class library does, the position moves to the new end.
    if (newSize < 0 || ::ftruncate(FHandle, static_cast<off_t>(newSize)) != 0) {
        int error = newSize < 0 ? EINVAL : errno;
        throw EStreamError("Cannot set the size of file \"" + FFileName + "\". " + SysErrorMessage(error));
    }
    Seek(newSize, soFromBeginning);
}

// ---------------------------------------------------------- TStringStream

TStringStream::TStringStream(AnsiString data) : FDataString(std::move(data)) {}

LongInt TStringStream::Read(void* buffer, LongInt count) {
    Int64 size = Size();
    if (count <= 0 || FPosition >= size) return 0;
    LongInt n = static_cast<LongInt>(std::min<Int64>(count, size - FPosition));
    std::memcpy(buffer, FDataString.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

LongInt TStringStream::Write(const void* buffer, LongInt count) {
    if (count <= 0) return 0;
    // The class library cut the string off after the written bytes; a write
    // in the middle would lose the rest, so it is kept here.
    std::size_t end = static_cast<std::size_t>(FPosition) + static_cast<std::size_t>(count);
    if (end > FDataString.size()) FDataString.resize(end);
    std::memcpy(FDataString.data() + FPosition, buffer, static_cast<std::size_t>(count));
    FPosition = static_cast<Int64>(end);
    return count;
}

Int64 TStringStream::Seek(Int64 offset, Word origin) {
    Int64 target = 0;
    if (SeekTarget(FPosition, Size(), offset, origin, target))
        FPosition = std::clamp<Int64>(target, 0, Size());
    return FPosition;
}

void TStringStream::SetSize(Int64 newSize) {
    if (newSize < 0) throw EStreamError("Invalid stream size (" + std::to_string(newSize) + ")");
    FDataString.resize(static_cast<std::size_t>(newSize));
    if (FPosition > newSize) FPosition = newSize;
}

AnsiString TStringStream::ReadString(LongInt count) {
    Int64 size = Size();
    if (count <= 0 || FPosition >= size) return AnsiString();
    std::size_t n = static_cast<std::size_t>(std::min<Int64>(count, size - FPosition));
    AnsiString result = FDataString.substr(static_cast<std::size_t>(FPosition), n);
    FPosition += static_cast<Int64>(n);
    return result;
}

void TStringStream::WriteString(const AnsiString& s) {
    // Longer than a LongInt can say: write in pieces.
    std::size_t done = 0;
    while (done < s.size()) {
        LongInt n = static_cast<LongInt>(std::min<std::size_t>(s.size() - done, kCopyChunk));
        WriteBuffer(s.data() + done, n);
        done += static_cast<std::size_t>(n);
    }
}

#pragma once
// Reading a whole file into memory fast, for readers that parse a large
// file at once (the table files): one buffer of the size the file reports,
// in huge pages once it is large, filled by reading straight into it.
// Growing a string piece by piece would copy and fault it in again and
// again, and filling and parsing a large file through small pages cost a
// quarter of a table's restore.

#include <cstddef>

#include "platform/rtl/System.h"

// One transparent huge page.
inline constexpr std::size_t HugePageSize = std::size_t{1} << 21;

// `size` (a multiple of HugePageSize) zeroed bytes on a huge-page boundary,
// asking the system for huge pages; nullptr when it gives no such mapping.
// Filling such memory costs a page fault per 2 MB instead of per 4 KB.
void* AllocHugePages(std::size_t size);
void FreeHugePages(void* memory, std::size_t size);

class TFileBuffer {
public:
    TFileBuffer() = default;
    ~TFileBuffer() { Release(); }
    TFileBuffer(const TFileBuffer&) = delete;
    TFileBuffer& operator=(const TFileBuffer&) = delete;

    char* Data() const { return FData; }
    std::size_t Capacity() const { return FCapacity; }
    // Room for at least `capacity` bytes, of which the first `keep` stay;
    // raises std::bad_alloc when there is no memory.
    void Reserve(std::size_t capacity, std::size_t keep);
    // A reader that is done with the bytes before `end` gives their memory
    // back while it goes on, so that a large file and what is made of it
    // are not held whole at once. Only whole huge pages of a buffer in huge
    // pages go; they read as zero bytes afterwards.
    void Discard(std::size_t end);

private:
    void Release();

    char* FData = nullptr;
    std::size_t FCapacity = 0;
    bool FMapped = false;
};

// The whole file into `buffer`, its length into `size`. A file that grows
// meanwhile, or reports no size, is still read whole. Raises EFOpenError
// "Cannot open file "%s". <reason>" or EReadError "Cannot read file "%s".
// <reason>" naming the file.
void ReadWholeFile(const AnsiString& fileName, TFileBuffer& buffer, std::size_t& size);

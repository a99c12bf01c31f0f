#include "platform/rtl/FileBuffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"

void* AllocHugePages(std::size_t size) {
    // Mapped one huge page larger, then trimmed to the aligned part.
    void* raw = ::mmap(nullptr, size + HugePageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + HugePageSize - 1) & ~std::uintptr_t{HugePageSize - 1};
    if (aligned > start) ::munmap(raw, aligned - start);
    if (const std::uintptr_t end = start + size + HugePageSize; end > aligned + size)
        ::munmap(reinterpret_cast<void*>(aligned + size), end - aligned - size);
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);  // only a wish: may be refused
    return reinterpret_cast<void*>(aligned);
}

void FreeHugePages(void* memory, std::size_t size) { ::munmap(memory, size); }

void TFileBuffer::Reserve(std::size_t capacity, std::size_t keep) {
    char* data = nullptr;
    bool mapped = false;
    if (capacity >= HugePageSize) {
        capacity = (capacity + HugePageSize - 1) & ~(HugePageSize - 1);
        data = static_cast<char*>(AllocHugePages(capacity));
        mapped = data != nullptr;
    }
    if (!data) data = static_cast<char*>(std::malloc(std::max<std::size_t>(capacity, 1)));
    if (!data) throw std::bad_alloc();
    if (keep > 0) std::memcpy(data, FData, keep);
    Release();
    FData = data;
    FCapacity = capacity;
    FMapped = mapped;
}

void TFileBuffer::Discard(std::size_t end) {
    if (!FMapped) return;
    end = std::min(end, FCapacity) & ~(HugePageSize - 1);
    if (end > 0) ::madvise(FData, end, MADV_DONTNEED);
}

void TFileBuffer::Release() {
    if (FMapped)
        FreeHugePages(FData, FCapacity);
    else
        std::free(FData);
    FData = nullptr;
    FCapacity = 0;
    FMapped = false;
}

void ReadWholeFile(const AnsiString& fileName, TFileBuffer& buffer, std::size_t& size) {
    size = 0;
    const int fd = ::open(SysFileName(fileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw EFOpenError("Cannot open file \"" + fileName + "\". " + SysErrorMessage(errno));
    auto close = ScopeExit([fd] { ::close(fd); });
    struct stat st;
    if (::fstat(fd, &st) != 0) throw EReadError("Cannot read file \"" + fileName + "\". " + SysErrorMessage(errno));
    if (S_ISDIR(st.st_mode)) throw EFOpenError("Cannot open file \"" + fileName + "\". " + SysErrorMessage(EISDIR));
    // One byte more than reported, so that the end is seen without growing.
    buffer.Reserve(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 1, 0);
    for (;;) {
        if (size == buffer.Capacity()) buffer.Reserve(2 * size, size);
        const ssize_t got = ::read(fd, buffer.Data() + size, buffer.Capacity() - size);
        if (got == 0) return;
        if (got < 0) {
            if (errno == EINTR) continue;
            throw EReadError("Cannot read file \"" + fileName + "\". " + SysErrorMessage(errno));
        }
        size += static_cast<std::size_t>(got);
    }
}

#include "components/MaxMin.h"

#include <cstdlib>
#include <cstring>

#include "platform/rtl/Exceptions.h"

Integer MaxInteger(Integer A, Integer B)
{
    return A > B ? A : B;
}

Integer MinInteger(Integer A, Integer B)
{
    return A < B ? A : B;
}

void* AllocZeroedBlock(Integer N)
{
    if (N <= 0)
        return nullptr;
    void* Block = std::calloc(static_cast<std::size_t>(N), 1);
    if (!Block)
        throw EOutOfMemory("Out of memory");
    return Block;
}

void FreeBlock(void*& P)
{
    std::free(P);
    P = nullptr;
}

bool MemoryEqual(const void* A, const void* B, Integer N)
{
    if (N <= 0)
        return true;
    return std::memcmp(A, B, static_cast<std::size_t>(N)) == 0;
}

void* OffsetPointer(void* P, Integer N)
{
    return static_cast<char*>(P) + N;
}

const void* OffsetPointer(const void* P, Integer N)
{
    return static_cast<const char*>(P) + N;
}

void CopyBytes(void* Destination, const void* Source, Integer N)
{
    if (N <= 0)
        return;
    // Callers shift data inside one buffer, so the ranges may overlap.
    std::memmove(Destination, Source, static_cast<std::size_t>(N));
}

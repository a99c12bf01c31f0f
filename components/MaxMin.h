#pragma once
// Integer minimum and maximum and raw memory blocks, for components that keep
// untyped buffers (grid layouts, stored property values).

#include "platform/rtl/System.h"

Integer MaxInteger(Integer A, Integer B);
Integer MinInteger(Integer A, Integer B);

// A zero-filled block of N bytes, or nullptr when N <= 0. Release it with
// FreeBlock, never with delete. Raises EOutOfMemory when the heap is exhausted,
// so a nullptr always means "nothing asked for".
void* AllocZeroedBlock(Integer N);
// Frees a block from AllocZeroedBlock and clears the pointer; nullptr is a no-op.
void FreeBlock(void*& P);

// True when the N bytes at A and B are equal; N <= 0 compares nothing and is true.
bool MemoryEqual(const void* A, const void* B, Integer N);
void* OffsetPointer(void* P, Integer N);
const void* OffsetPointer(const void* P, Integer N);
// Copies N bytes; the ranges may overlap. N <= 0 copies nothing.
void CopyBytes(void* Destination, const void* Source, Integer N);

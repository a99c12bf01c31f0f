#pragma once
// Conversion of 8-bit text between the program's Windows-1250 and the
// ISO 8859-2 that the message centre uses, through a fixed letter table.

#include "platform/rtl/System.h"

// Each byte found in the source table is replaced by the byte at the same
// position of the other table; every other byte passes unchanged. The length
// never changes.
AnsiString WinToIso(const AnsiString& Text);
AnsiString IsoToWin(const AnsiString& Text);

// The two tables, aligned by position (index 0 holds position 1), for tests
// and for anyone who needs to reason about a single letter.
constexpr int PrevodTableSize = 127;
extern const Byte WinTable[PrevodTableSize];
extern const Byte IsoTable[PrevodTableSize];

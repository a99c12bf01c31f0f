#pragma once
// The basic types the program is written with. Text is 8-bit Windows-1250,
// held byte for byte in a std::string: table, language and message files
// store those bytes, so nothing converts them on the way in or out.

#include <cstdint>
#include <string>

using AnsiString = std::string;

using Byte = std::uint8_t;
using ShortInt = std::int8_t;
using Word = std::uint16_t;
using SmallInt = std::int16_t;
using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using LongWord = std::uint32_t;
using LongInt = std::int32_t;
using Int64 = std::int64_t;

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

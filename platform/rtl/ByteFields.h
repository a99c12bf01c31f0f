#pragma once
// Little-endian fields of the binary formats the programs read and write
// (bitmaps, icons, cursors, animated cursors, resources, GIF). Callers check
// the bytes are there before they read a field.

#include <vector>

#include "platform/rtl/Streams.h"
#include "platform/rtl/System.h"

namespace byte_fields {

inline Cardinal U16(const Byte* p) { return Cardinal(p[0]) | (Cardinal(p[1]) << 8); }
inline Cardinal U32(const Byte* p) { return U16(p) | (U16(p + 2) << 16); }

inline void Put16(std::vector<Byte>& Out, Cardinal Value) {
    Out.push_back(Byte(Value));
    Out.push_back(Byte(Value >> 8));
}
inline void Put32(std::vector<Byte>& Out, Cardinal Value) {
    Put16(Out, Value & 0xFFFF);
    Put16(Out, Value >> 16);
}

// Everything from the stream's position to its end.
inline std::vector<Byte> RestOfStream(TStream* Stream) {
    const Int64 left = Stream->Size() - Stream->Position();
    std::vector<Byte> data(left > 0 ? static_cast<std::size_t>(left) : 0);
    if (!data.empty()) Stream->ReadBuffer(data.data(), LongInt(data.size()));
    return data;
}

}  // namespace byte_fields

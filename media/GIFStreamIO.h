#pragma once
// Byte-level reading and writing shared by the GIF reader and writer. Every
// read is checked against what the stream holds; a fixed-size part that is
// short raises GIFException "Premature end of data".

#include <algorithm>
#include <string>

#include "media/GIFItem.h"

namespace GIFImage::io {

inline AnsiString Num(Int64 v) { return std::to_string(v); }

// False at the end of the stream.
inline bool ReadByte(TStream* s, int& b) {
    Byte c;
    if (s->Read(&c, 1) != 1) return false;
    b = c;
    return true;
}

inline void ReadExact(TStream* s, void* buffer, LongInt count) {
    if (count > 0 && s->Read(buffer, count) != count) throw GIFException("Premature end of data");
}

inline void WriteByte(TStream* s, Byte b) { s->WriteBuffer(&b, 1); }
inline void WriteWord(TStream* s, Word w) {
    const Byte b[2] = {Byte(w), Byte(w >> 8)};
    s->WriteBuffer(b, 2);
}
inline Word GetWord(const Byte* p) { return Word(p[0] | (p[1] << 8)); }

inline void PutBack(TStream* s) { s->Seek(-1, soFromCurrent); }

inline Int64 BytesLeft(TStream* s) { return std::max<Int64>(0, s->Size() - s->Position()); }

// Seeks forward at most to the end of the stream.
inline void Skip(TStream* s, Int64 n) {
    if (n > 0) s->Seek(std::min(n, BytesLeft(s)), soFromCurrent);
}

}  // namespace GIFImage::io

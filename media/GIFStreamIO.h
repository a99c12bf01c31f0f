#pragma once
// Byte-level reading and writing shared by the GIF reader and writer. Every
// read is checked against what the stream holds; a fixed-size part that is
// short raises GIFException "Premature end of data".

#include <algorithm>
#include <string>

#include "media/GIFItem.h"

namespace GIFImage::io {

inline AnsiString Num(Int64 Value) { return std::to_string(Value); }

// False at the end of the stream.
inline bool ReadByte(TStream* Stream, int& Value) {
    Byte c;
    if (Stream->Read(&c, 1) != 1) return false;
    Value = c;
    return true;
}

inline void ReadExact(TStream* Stream, void* Buffer, LongInt Count) {
    if (Count > 0 && Stream->Read(Buffer, Count) != Count) throw GIFException("Premature end of data");
}

inline void WriteByte(TStream* Stream, Byte Value) { Stream->WriteBuffer(&Value, 1); }
inline void WriteWord(TStream* Stream, Word Value) {
    const Byte b[2] = {Byte(Value), Byte(Value >> 8)};
    Stream->WriteBuffer(b, 2);
}
inline Word GetWord(const Byte* Bytes) { return Word(Bytes[0] | (Bytes[1] << 8)); }

inline void PutBack(TStream* Stream) { Stream->Seek(-1, soFromCurrent); }

inline Int64 BytesLeft(TStream* Stream) { return std::max<Int64>(0, Stream->Size() - Stream->Position()); }

// Seeks forward at most to the end of the stream.
inline void Skip(TStream* Stream, Int64 Count) {
    if (Count > 0) Stream->Seek(std::min(Count, BytesLeft(Stream)), soFromCurrent);
}

}  // namespace GIFImage::io

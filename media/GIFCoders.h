#pragma once
// The pixel coders of a GIF frame. On disk a frame's pixels are its LZW
// minimum code size byte followed by data sub-blocks (size 1-255, then the
// bytes; size 0 ends them) that carry variable-length codes packed least
// significant bit first. Decoding follows the codes through a 4096-entry
// string table (GIFDecoder.cpp); encoding is either true LZW with a hash
// table or run-length coding that any LZW decoder reads (GIFEncoder.cpp).
// Both walk the rows of an interlaced frame in its four passes.

#include <vector>

#include "media/GIFItem.h"
#include "platform/rtl/Streams.h"

namespace GIFImage {

// The LZW coder's dictionary: 8009 cells of key << 12 | code (a key is the
// prefix code << 8 | pixel); a cell whose upper 20 bits are all set is empty.
class TGIFHashTable {
public:
    static constexpr int Size = 8009;
    TGIFHashTable();
    void Clear();
    // The code stored for the key, or -1.
    int Lookup(Cardinal Key) const;
    // False when the key's probe path holds no empty cell.
    bool Insert(Cardinal Key, int Code);
    static int Home(Cardinal Key);
    // The probe path goes from cell h to 2h - 8009 (plus 8009 when negative;
    // from cell 0 to cell 8008). It runs through about half of the cells
    // only, so one half can fill up while the other is empty: searches are
    // bounded, and the coder clears the table when an insert finds no room.
    static int Next(int Cell);

private:
    static constexpr Cardinal Empty = 0xFFFFFFFFu;
    static constexpr int MaxProbes = Size;
    Cardinal FCells[Size];
};

// The coders' way to the target stream. Its own reading, writing and seeking
// raise Exception "Invalid stream operation": only the writer below moves
// bytes, and only forward, so nothing can slip past the sub-block buffer.
class TGIFStream : public TStream {
public:
    explicit TGIFStream(TStream* Stream) : FStream(Stream) {}
    LongInt Read(void* Buffer, LongInt Count) override;
    LongInt Write(const void* Buffer, LongInt Count) override;
    Int64 Seek(Int64 Offset, Word Origin) override;
    void SetSize(Int64 NewSize) override;

protected:
    TStream* FStream;
    // Byte 0 is the size of the sub-block being collected.
    Byte FBuffer[256] = {};
    int FBufferCount = 1;
};

// Collects what is written into data sub-blocks: each 255 bytes go to the
// target as one sub-block (size byte and data) in one write. Flush writes
// what is pending; a destructor could not report a failed write, so the
// coder flushes before freeing the writer.
class TGIFWriter : public TGIFStream {
public:
    using TGIFStream::TGIFStream;
    LongInt Write(const void* Buffer, LongInt Count) override;
    void WriteByte(Byte Value) {
        FBuffer[FBufferCount++] = Value;
        if (FBufferCount == 256) Flush();
    }
    void Flush();
};

// Decodes one frame's LZW data (minimum code size byte and sub-blocks) into
// Pixels (Width x Height, already filled with the fill value).
void DecodeLZW(TStream* Stream, TGIFItem* Owner, std::vector<Byte>& Pixels, Integer Width, Integer Height,
               bool Interlaced);
// Writes the minimum code size byte, the coded sub-blocks and the terminator.
void EncodeFrame(TStream* Stream, TGIFCompression Compression, int BitsPerPixel, int ColorCount,
                 const Byte* Pixels, bool Interlaced, Integer Height, Integer Width,
                 const TGIFWarning& OnWarning = nullptr);

}  // namespace GIFImage

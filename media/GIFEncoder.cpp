// The two pixel coders of a GIF frame: true LZW with a hash table, and
// run-length coding that any LZW decoder reads.

#include "media/GIFCoders.h"

#include <algorithm>
#include <cstring>

#include "media/GIFStreamIO.h"

namespace GIFImage {

using namespace io;

// ---------------------------------------------------------------------------
// Sub-block output

namespace {
[[noreturn]] void InvalidStreamOperation() { throw Exception("Invalid stream operation"); }
}  // namespace

LongInt TGIFStream::Read(void*, LongInt) { InvalidStreamOperation(); }
LongInt TGIFStream::Write(const void*, LongInt) { InvalidStreamOperation(); }
Int64 TGIFStream::Seek(Int64, Word) { InvalidStreamOperation(); }
void TGIFStream::SetSize(Int64) { InvalidStreamOperation(); }

LongInt TGIFWriter::Write(const void* Buffer, LongInt Count) {
    const Byte* bytes = static_cast<const Byte*>(Buffer);
    for (LongInt i = 0; i < Count; ++i) WriteByte(bytes[i]);
    return std::max<LongInt>(Count, 0);
}

void TGIFWriter::Flush() {
    if (FBufferCount <= 1) return;
    FBuffer[0] = Byte(FBufferCount - 1);
    FStream->WriteBuffer(FBuffer, FBufferCount);
    FBufferCount = 1;
}

// ---------------------------------------------------------------------------
// The coders

namespace {

class TGIFEncoder {
public:
    virtual ~TGIFEncoder() = default;

    void Compress(TStream* Stream, int BitsPerPixel, int ColorCount, const Byte* Pixels, bool Interlaced,
                  Integer Height, Integer Width) {
        if (BitsPerPixel < 2) BitsPerPixel = 2;
        WriteByte(Stream, Byte(BitsPerPixel));
        FInitialCodeSize = BitsPerPixel + 1;
        FCodeSize = FInitialCodeSize;
        FMaxCode = (1 << FCodeSize) - 1;
        FClearCode = 1 << BitsPerPixel;
        FEndCode = FClearCode + 1;
        FFirstFree = FClearCode + 2;
        FBucket = 0;
        FBitCount = 0;
        FColorCount = ColorCount;
        FWidth = Width;
        FHeight = Height;
        FInterlaced = Interlaced;
        FPixels = Pixels;
        FRemaining = Interlaced ? Int64(Width) : Int64(Width) * Height;
        FRow = 0;
        FPass = 0;
        FCursor = Pixels;
        TGIFWriter writer(Stream);
        FWriter = &writer;
        if (Pixels != nullptr && Width > 0 && Height > 0) CompressPixels();
        EmitCode(FEndCode);
        writer.Flush();
        FWriter = nullptr;
        WriteByte(Stream, 0);
    }

protected:
    virtual void EmitCode(int Code) {
        FBucket = (FBucket & ((Cardinal(1) << FBitCount) - 1)) | (Cardinal(Code) << FBitCount);
        FBitCount += FCodeSize;
        while (FBitCount >= 8) {
            FWriter->WriteByte(Byte(FBucket));
            FBucket >>= 8;
            FBitCount -= 8;
        }
        if (Code == FEndCode) {
            while (FBitCount > 0) {
                FWriter->WriteByte(Byte(FBucket));
                FBucket >>= 8;
                FBitCount = std::max(0, FBitCount - 8);
            }
        }
    }
    virtual void EmitClear() {
        FClearFlag = true;
        EmitCode(FClearCode);
    }
    virtual void CompressPixels() = 0;

    // The next pixel in walk order, or -1 after the last; raises for a
    // pixel outside the colour table.
    int NextPixel() {
        if (FRemaining <= 0 && !Advance()) return -1;
        const int p = *FCursor++;
        --FRemaining;
        if (p >= FColorCount) throw GIFException("Color not in color table");
        return p;
    }

    int FInitialCodeSize = 0, FCodeSize = 0, FMaxCode = 0, FClearCode = 0, FEndCode = 0, FFirstFree = 0;
    bool FClearFlag = false;

private:
    // Moves to the next row of an interlaced walk; false when done.
    bool Advance() {
        if (!FInterlaced) return false;
        static const int step[4] = {8, 8, 4, 2}, start[4] = {0, 4, 2, 1};
        FRow += step[FPass];
        while (FRow >= FHeight) {
            if (++FPass > 3) return false;
            FRow = start[FPass];
        }
        FRemaining = FWidth;
        FCursor = FPixels + std::size_t(FRow) * std::size_t(FWidth);
        return true;
    }

    Cardinal FBucket = 0;
    int FBitCount = 0;
    int FColorCount = 0;
    Integer FWidth = 0, FHeight = 0;
    bool FInterlaced = false;
    const Byte* FPixels = nullptr;
    const Byte* FCursor = nullptr;
    Int64 FRemaining = 0;
    Integer FRow = 0;
    int FPass = 0;
    TGIFWriter* FWriter = nullptr;
};

class TLZWEncoder : public TGIFEncoder {
protected:
    void EmitCode(int Code) override {
        TGIFEncoder::EmitCode(Code);
        if (FNextFree > FMaxCode || FClearFlag) {
            if (FClearFlag) {
                FCodeSize = FInitialCodeSize;
                FMaxCode = (1 << FCodeSize) - 1;
                FClearFlag = false;
            } else {
                ++FCodeSize;
                FMaxCode = FCodeSize == 12 ? 4096 : (1 << FCodeSize) - 1;
            }
        }
    }
    void EmitClear() override {
        TGIFEncoder::EmitClear();
        FTable.Clear();
        FNextFree = FClearCode + 2;
    }
    void CompressPixels() override {
        EmitClear();
        int prefix = NextPixel();
        for (int p = NextPixel(); p >= 0; p = NextPixel()) {
            const Cardinal key = (Cardinal(prefix) << 8) | Cardinal(p);
            const int found = FTable.Lookup(key);
            if (found >= 0) {
                prefix = found;
                continue;
            }
            EmitCode(prefix);
            prefix = p;
            if (FNextFree > 4094 || !FTable.Insert(key, FNextFree)) EmitClear();
            else ++FNextFree;
        }
        EmitCode(prefix);
    }

private:
    int FNextFree = 0;
    TGIFHashTable FTable;
};

class TRLEEncoder : public TGIFEncoder {
protected:
    void CompressPixels() override {
        FBumpInit = FClearCode - 1;
        FClearInit = FInitialCodeSize - 1 > 3 ? FClearCode - 2 : 9;
        FRunCodeLimit = 4095 - FFirstFree;
        Clear();
        FRunColor = -1;
        FRunLength = 0;
        for (int p = NextPixel(); p >= 0; p = NextPixel()) {
            if (FRunLength > 0 && p != FRunColor) FlushRun();
            if (p == FRunColor) ++FRunLength;
            else {
                FRunColor = p;
                FRunLength = 1;
            }
        }
        if (FRunLength > 0) FlushRun();
    }

private:
    void Clear() {
        TGIFEncoder::EmitClear();
        FCodeSize = FInitialCodeSize;
        FOutCount = 0;
        FBump = FBumpInit;
        FClearLimit = FClearInit;
        FTableMax = 0;
    }
    void Plain(int code) {
        FClearFlag = false;
        EmitCode(code);
        ++FOutCount;
        if (FOutCount >= FBump) {
            ++FCodeSize;
            FBump += 1 << (FCodeSize - 1);
        }
        if (FOutCount >= FClearLimit) Clear();
    }
    static Int64 ISqrt(Int64 n) {
        if (n <= 1) return n;
        Int64 x = 1;
        while (x * x < n) x <<= 1;
        for (;;) {
            const Int64 y = (x + n / x) / 2;
            if (y == x || y == x + 1) return x;
            x = y;
        }
    }
    // Codes needed for a run of n pixels growing the run table from scratch.
    Int64 TriangleCost(Int64 n) const {
        const Int64 r = FRunCodeLimit;
        const Int64 block = r * (r + 1) / 2;
        Int64 cost = 0;
        if (block > 0) {
            cost = r * (n / block);
            n %= block;
        }
        if (n > 0) {
            Int64 k = ISqrt(n);
            while (k * (k + 1) >= 2 * n) --k;
            while (k * (k + 1) < 2 * n) ++k;
            cost += k;
        }
        return cost;
    }
    void ResetClearLimit() {
        FClearLimit = FClearInit;
        if (FOutCount >= FClearLimit) Clear();
    }
    void FromClear(Int64 n) {
        FClearLimit = FRunCodeLimit;
        FTableColor = FRunColor;
        Int64 a = 1;
        while (n > 0) {
            if (a == 1) {
                FTableMax = 1;
                Plain(FRunColor);
                --n;
            } else if (n >= a) {
                FTableMax = int(a);
                Plain(int(a) + FFirstFree - 2);
                n -= a;
            } else {
                ++FTableMax;
                Plain(n == 1 ? FRunColor : int(n) + FFirstFree - 2);
                n = 0;
            }
            a = FOutCount == 0 ? 1 : a + 1;
        }
        ResetClearLimit();
    }
    void ClearOrRepeat(Int64 n) {
        if (TriangleCost(n) + 1 < n) {
            Clear();
            FromClear(n);
        } else {
            for (; n > 0; --n) Plain(FRunColor);
        }
    }
    void WithTable(Int64 n) {
        const Int64 L = FTableMax;
        Int64 q = n / L, rest = n % L, extra = rest > 0 ? 1 : 0;
        if (FOutCount + q + extra > FRunCodeLimit) {
            q = FRunCodeLimit - FOutCount;
            rest = n - L * q;
            extra = TriangleCost(rest) + 1;
        }
        if (TriangleCost(n) + 1 < q + extra) {
            Clear();
            FromClear(n);
            return;
        }
        FClearLimit = FRunCodeLimit;
        for (; q > 0; --q) Plain(FFirstFree + int(L) - 2);
        if (rest > 0) {
            if (FClearFlag) FromClear(rest);
            else Plain(rest == 1 ? FRunColor : int(rest) + FFirstFree - 2);
        }
        ResetClearLimit();
    }
    void FlushRun() {
        const Int64 n = FRunLength;
        FRunLength = 0;
        if (n == 1) Plain(FRunColor);
        else if (FClearFlag) FromClear(n);
        else if (FTableMax > 1 && FTableColor == FRunColor) WithTable(n);
        else ClearOrRepeat(n);
    }

    int FRunColor = -1;
    Int64 FRunLength = 0;
    int FOutCount = 0, FBump = 0, FBumpInit = 0, FClearLimit = 0, FClearInit = 0, FRunCodeLimit = 0;
    int FTableMax = 0, FTableColor = -1;
};

}  // namespace

void EncodeFrame(TStream* Stream, TGIFCompression Compression, int BitsPerPixel, int ColorCount, const Byte* Pixels,
                 bool Interlaced, Integer Height, Integer Width, const TGIFWarning&) {
    if (Compression == gcRLE) {
        TRLEEncoder e;
        e.Compress(Stream, BitsPerPixel, ColorCount, Pixels, Interlaced, Height, Width);
    } else {
        auto e = std::make_unique<TLZWEncoder>();
        e->Compress(Stream, BitsPerPixel, ColorCount, Pixels, Interlaced, Height, Width);
    }
}

// ---------------------------------------------------------------------------
// The LZW coder's dictionary

TGIFHashTable::TGIFHashTable() { Clear(); }

void TGIFHashTable::Clear() { std::fill(std::begin(FCells), std::end(FCells), Empty); }

int TGIFHashTable::Home(Cardinal Key) { return int((Key ^ (Key >> 4)) % Size); }

int TGIFHashTable::Next(int Cell) {
    if (Cell == 0) return Size - 1;
    int n = 2 * Cell - Size;
    if (n < 0) n += Size;
    return n;
}

int TGIFHashTable::Lookup(Cardinal Key) const {
    int h = Home(Key);
    for (int probe = 0; probe < MaxProbes; ++probe) {
        const Cardinal c = FCells[h];
        if ((c & 0xFFFFF000u) == 0xFFFFF000u) return -1;
        if ((c >> 12) == Key) return int(c & 0xFFF);
        h = Next(h);
    }
    return -1;
}

bool TGIFHashTable::Insert(Cardinal Key, int Code) {
    int h = Home(Key);
    for (int probe = 0; probe < MaxProbes; ++probe) {
        if ((FCells[h] & 0xFFFFF000u) == 0xFFFFF000u) {
            FCells[h] = (Key << 12) | Cardinal(Code);
            return true;
        }
        h = Next(h);
    }
    return false;
}

}  // namespace GIFImage

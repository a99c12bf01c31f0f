// LZW decoding of one frame's pixel data: codes packed least significant
// bit first into data sub-blocks, a 4096-entry string table and a stack of
// pending output bytes.

#include "media/GIFCoders.h"

#include <memory>

#include "media/GIFStreamIO.h"

namespace GIFImage {

using namespace io;

namespace {

class LzwDecoder {
public:
    LzwDecoder(TStream* Stream, TGIFItem* Owner, int MinCodeSize) : FStream(Stream), FOwner(Owner), FMin(MinCodeSize) {
        FClear = 1 << MinCodeSize;
        FEnd = FClear + 1;
        FCodeSize = MinCodeSize + 1;
        FLimit = 2 * FClear;
        FNext = FClear + 2;
        ResetTable();
    }

    // A pixel value, or -1 at the end of the data, -2 after the end code.
    int NextPixel() {
        if (FSp > 0) return FStack[--FSp];
        return Decode();
    }

    bool TerminatorSeen() const { return FDone; }

    void SkipRest() {
        int size;
        while (!FDone) {
            if (!ReadByte(FStream, size) || size == 0) {
                FDone = true;
                break;
            }
            Skip(FStream, size);
        }
    }

private:
    void ResetTable() {
        for (int i = 0; i < FClear; ++i) {
            FPrefix[i] = 0;
            FSuffix[i] = Byte(i);
        }
        for (int i = FClear; i < 4096; ++i) {
            FPrefix[i] = 0;
            FSuffix[i] = 0;
        }
    }

    int ReadCode() {
        if (FFirst) {
            FFirst = false;
            return FClear;
        }
        while (FCurBit + FCodeSize >= FLastBit) {
            if (FDone) {
                // Codes that still fit in the kept bits are read; only a
                // request beyond them has run out.
                if (FCurBit + FCodeSize <= FLastBit) break;
                if (FCurBit >= FLastBit) FOwner->ReportWarning(gsWarning, "Decoder bit buffer under-run");
                return -1;
            }
            const int lastByte = FLastBit / 8;
            FBuf[0] = lastByte >= 2 ? FBuf[lastByte - 2] : 0;
            FBuf[1] = lastByte >= 1 ? FBuf[lastByte - 1] : 0;
            int size;
            if (!ReadByte(FStream, size)) return -1;
            if (size == 0) FDone = true;
            const Int64 left = BytesLeft(FStream);
            if (size > left) {
                size = int(left);
                FOwner->ReportWarning(gsWarning, "Premature end of data");
            }
            if (size > 0) size = FStream->Read(FBuf + 2, size);
            FCurBit = FCurBit - FLastBit + 16;
            FLastBit = (size + 2) * 8;
            if (FCurBit < 0) FCurBit = 0;
        }
        const int i = FCurBit >> 3;
        const Cardinal v = Cardinal(FBuf[i]) | (Cardinal(FBuf[i + 1]) << 8) | (Cardinal(FBuf[i + 2]) << 16);
        const int code = int((v >> (FCurBit & 7)) & ((1u << FCodeSize) - 1));
        FCurBit += FCodeSize;
        return code;
    }

    void Push(Byte b) {
        // Sound tables never nest deeper than the table size; a longer chain
        // can only come from entries that refer to each other.
        if (FSp >= int(sizeof FStack)) throw GIFException("Circular decoder table entry");
        FStack[FSp++] = b;
    }

    int Decode() {
        int code = ReadCode();
        if (code < 0) return -1;
        if (code == FClear) {
            ResetTable();
            FCodeSize = FMin + 1;
            FLimit = 2 * FClear;
            FNext = FClear + 2;
            FSp = 0;
            do {
                code = ReadCode();
            } while (code == FClear);
            if (code < 0) return -1;
            // An end code straight after the clear is no pixel: its low byte
            // would lie outside the colour table and the frame could not be
            // written again.
            if (code == FEnd) {
                SkipRest();
                return -2;
            }
            FFirstByte = code;
            FOld = code;
            return code;
        }
        if (code == FEnd) {
            SkipRest();
            return -2;
        }
        const int incode = code;
        if (code >= FNext) {
            Push(Byte(FFirstByte));
            code = FOld;
        }
        while (code >= FClear) {
            Push(FSuffix[code]);
            if (FPrefix[code] == code) throw GIFException("Circular decoder table entry");
            code = FPrefix[code];
        }
        FFirstByte = FSuffix[code];
        Push(Byte(FFirstByte));
        if (FNext <= 4095) {
            FPrefix[FNext] = Word(FOld);
            FSuffix[FNext] = Byte(FFirstByte);
            ++FNext;
            if (FNext >= FLimit && FLimit <= 4095) {
                FLimit *= 2;
                ++FCodeSize;
            }
        }
        FOld = incode;
        return FStack[--FSp];
    }

    TStream* FStream;
    TGIFItem* FOwner;
    int FMin, FClear, FEnd, FCodeSize, FLimit, FNext;
    int FFirstByte = 0, FOld = 0;
    bool FFirst = true, FDone = false;
    int FCurBit = 0, FLastBit = 0;
    Byte FBuf[2 + 255 + 4] = {};
    Word FPrefix[4096];
    Byte FSuffix[4096];
    Byte FStack[8192];
    int FSp = 0;
};

}  // namespace

void DecodeLZW(TStream* Stream, TGIFItem* Owner, std::vector<Byte>& Pixels, Integer Width, Integer Height,
               bool Interlaced) {
    int m;
    if (!ReadByte(Stream, m)) return;
    if (m > 11) throw GIFException("Invalid LZW code size " + Num(m) + " (at most 11)");
    auto decoder = std::make_unique<LzwDecoder>(Stream, Owner, m);
    bool stopped = false;
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    const int passes = Interlaced ? 4 : 1;
    for (int pass = 0; pass < passes && !stopped; ++pass) {
        const int rowStep = Interlaced ? step[pass] : 1;
        for (Integer y = Interlaced ? start[pass] : 0; y < Height && !stopped; y += rowStep) {
            Byte* row = Pixels.data() + std::size_t(y) * std::size_t(Width);
            for (Integer x = 0; x < Width; ++x) {
                const int v = decoder->NextPixel();
                if (v < 0) {
                    stopped = true;
                    break;
                }
                row[x] = Byte(v);
            }
        }
    }
    if (!stopped) decoder->NextPixel();  // an end code right after the last pixel
    // Whatever codes remain are not pixels of this frame; their sub-blocks
    // are passed over so that the next block is read where it starts.
    decoder->SkipRest();
}

}  // namespace GIFImage

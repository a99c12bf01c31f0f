// LZW coding of GIF frame data for the second codec.
//
// Codes are packed least significant bit first into data sub-blocks of
// 1-255 bytes. After a clear code the code width is the minimum code size
// + 1; it grows by one when the next free table code reaches 2^width, up
// to 12 bits, on the encoder's side at the code that fills that slot and on
// the decoder's side one code later (the decoder learns each string one
// code after the encoder) - the timing every standard decoder expects.
#include <array>

#include "media/VmGIF.h"
#include "platform/rtl/Exceptions.h"

namespace VmGIF {

namespace {

constexpr int MaxCodes = 4096;

// Rows in the order they are stored: top-down, or the four interlace passes.
std::vector<Integer> RowOrder(Integer Height, bool Interlaced) {
    std::vector<Integer> rows;
    rows.reserve(std::size_t(Height));
    if (!Interlaced) {
        for (Integer y = 0; y < Height; ++y) rows.push_back(y);
        return rows;
    }
    const Integer start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (Integer y = start[pass]; y < Height; y += step[pass]) rows.push_back(y);
    return rows;
}

class TCodeWriter {
public:
    explicit TCodeWriter(std::vector<Byte>& Out) : FOut(Out) {}
    void Write(int Code, int Width) {
        FBits |= Cardinal(Code) << FCount;
        FCount += Width;
        while (FCount >= 8) {
            Put(Byte(FBits));
            FBits >>= 8;
            FCount -= 8;
        }
    }
    void Finish() {
        if (FCount > 0) Put(Byte(FBits));
        if (!FBlock.empty()) Flush();
        FOut.push_back(0);
    }

private:
    void Put(Byte b) {
        FBlock.push_back(b);
        if (FBlock.size() == 255) Flush();
    }
    void Flush() {
        FOut.push_back(Byte(FBlock.size()));
        FOut.insert(FOut.end(), FBlock.begin(), FBlock.end());
        FBlock.clear();
    }
    std::vector<Byte>& FOut;
    std::vector<Byte> FBlock;
    Cardinal FBits = 0;
    int FCount = 0;
};

// Strings of the encoder, keyed by (prefix code, pixel), in an
// open-addressing table probed to the next slot.
class TStringTable {
public:
    static constexpr int Slots = 17777;
    void Clear() { FKeys.fill(Empty); }
    int Find(Cardinal Key) const {
        for (int h = Home(Key);; h = (h + 1) % Slots) {
            if (FKeys[std::size_t(h)] == Empty) return -1;
            if (FKeys[std::size_t(h)] == Key) return FCodes[std::size_t(h)];
        }
    }
    void Insert(Cardinal Key, int Code) {
        int h = Home(Key);
        while (FKeys[std::size_t(h)] != Empty) h = (h + 1) % Slots;
        FKeys[std::size_t(h)] = Key;
        FCodes[std::size_t(h)] = Code;
    }

private:
    static constexpr Cardinal Empty = 0xFFFFFFFFu;
    static int Home(Cardinal Key) { return int(Key % Slots); }
    std::array<Cardinal, Slots> FKeys{};
    std::array<int, Slots> FCodes{};
};

class TCodeReader {
public:
    explicit TCodeReader(const std::vector<Byte>& Data) : FData(Data) {}
    // -1 when the data ends.
    int Read(int Width) {
        while (FCount < Width) {
            if (FBlockLeft == 0) {
                if (FEnded || FPos >= FData.size()) return End();
                FBlockLeft = FData[FPos++];
                if (FBlockLeft == 0) return End();
            }
            if (FPos >= FData.size()) return End();
            FBits |= Cardinal(FData[FPos++]) << FCount;
            FCount += 8;
            --FBlockLeft;
        }
        const int code = int(FBits & ((1u << Width) - 1));
        FBits >>= Width;
        FCount -= Width;
        return code;
    }

private:
    int End() {
        FEnded = true;
        return -1;
    }
    const std::vector<Byte>& FData;
    std::size_t FPos = 1;  // past the minimum code size
    int FBlockLeft = 0;
    bool FEnded = false;
    Cardinal FBits = 0;
    int FCount = 0;
};

[[noreturn]] void Corrupt() { throw EInvalidGraphicOperation("GIF encoded data is corrupt"); }

}  // namespace

std::vector<Byte> EncodeLZW(const std::vector<Byte>& Pixels, Integer Width, Integer Height, int Bits, bool Interlaced,
                            const std::function<void(Integer Rows)>& RowDone) {
    const int minSize = Bits < 2 ? 2 : Bits;
    const int clear = 1 << minSize, end = clear + 1;
    std::vector<Byte> out{Byte(minSize)};
    TCodeWriter writer(out);
    auto table = std::make_unique<TStringTable>();
    table->Clear();
    int width = minSize + 1, next = clear + 2;
    const auto emit = [&](int code) {
        writer.Write(code, width);
        if (next >= (1 << width) && width < 12) ++width;
    };
    emit(clear);
    int prefix = -1;
    Integer rows = 0;
    for (Integer row : RowOrder(Height, Interlaced)) {
        if (RowDone && rows > 0) RowDone(rows);
        ++rows;
        const Byte* p = Pixels.data() + std::size_t(row) * std::size_t(Width);
        for (Integer x = 0; x < Width; ++x) {
            const int pixel = p[x];
            if (prefix < 0) {
                prefix = pixel;
                continue;
            }
            const Cardinal key = (Cardinal(prefix) << 8) | Cardinal(pixel);
            const int found = table->Find(key);
            if (found >= 0) {
                prefix = found;
                continue;
            }
            emit(prefix);
            if (next >= MaxCodes - 1) {
                emit(clear);
                table->Clear();
                next = clear + 2;
                width = minSize + 1;
            } else {
                table->Insert(key, next++);
            }
            prefix = pixel;
        }
    }
    if (prefix >= 0) emit(prefix);
    emit(end);
    writer.Finish();
    if (RowDone && rows > 0) RowDone(rows);
    return out;
}

bool DecodeLZW(const std::vector<Byte>& Encoded, std::vector<Byte>& Pixels, Integer Width, Integer Height, int Bits,
               bool Interlaced) {
    bool damaged = false;
    const auto fault = [&] {
        if (!TolerateCorruptData) Corrupt();
        damaged = true;
    };
    if (Encoded.empty()) {
        fault();
        return false;
    }
    int minSize = Encoded[0];
    if (minSize < 2 || minSize > 9) {
        if (!TolerateCorruptData) throw EInvalidGraphicOperation("GIF code size not in range 2 to 9");
        minSize = minSize < 2 ? 2 : 9;
        damaged = true;
    }
    const int maxPixel = (1 << Bits) - 1;
    const int clear = 1 << minSize, end = clear + 1;
    // Every code below the clear code is a root; entries never set stay zero.
    std::array<Word, MaxCodes> prefix{};
    std::array<Byte, MaxCodes> suffix{};
    std::array<Byte, MaxCodes> stack{};
    int width = minSize + 1, next = clear + 2, previous = -1;
    Byte first = 0;
    TCodeReader reader(Encoded);
    const std::vector<Integer> rows = RowOrder(Height, Interlaced);
    const Int64 total = Int64(Width) * Height;
    Int64 done = 0;
    const auto put = [&](Byte pixel) {
        if (done >= total) return;
        Pixels[std::size_t(rows[std::size_t(done / Width)]) * std::size_t(Width) + std::size_t(done % Width)] = pixel;
        ++done;
    };
    while (done < total) {
        const int code = reader.Read(width);
        if (code < 0) {
            fault();
            break;
        }
        if (code == clear) {
            width = minSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end) break;
        if (previous < 0) {
            if (code > end) {
                fault();
                break;
            }
            first = Byte(code & maxPixel);
            put(first);
            previous = code;
            continue;
        }
        int sp = 0, current = code;
        if (code >= next) {
            stack[std::size_t(sp++)] = first;
            current = previous;
        }
        while (current >= clear && sp < MaxCodes) {
            stack[std::size_t(sp++)] = suffix[std::size_t(current)];
            current = prefix[std::size_t(current)];
        }
        if (sp >= MaxCodes) {
            fault();
            break;
        }
        first = Byte(current & maxPixel);
        stack[std::size_t(sp++)] = first;
        if (next < MaxCodes) {
            prefix[std::size_t(next)] = Word(previous);
            suffix[std::size_t(next)] = first;
            ++next;
            if (next == (1 << width) && width < 12) ++width;
        }
        previous = code;
        while (sp > 0) put(stack[std::size_t(--sp)]);
    }
    return !damaged;
}

}  // namespace VmGIF

#include "media/VmGraph.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "components/VCLUtils.h"
#include "platform/rtl/Exceptions.h"

namespace {

struct TRgb {
    Byte r = 0, g = 0, b = 0;
};

TRgb PixelAt(const TBitmap& Bitmap, Integer x, Integer y) {
    const TColor c = Bitmap.GetPixel(x, y);
    return TRgb{GetRValue(c), GetGValue(c), GetBValue(c)};
}

const TRGBQuad Grey128{128, 128, 128, 0};

int SquaredDistance(const TRgb& a, const TRGBQuad& b) {
    const int dr = a.r - b.rgbRed, dg = a.g - b.rgbGreen, db = a.b - b.rgbBlue;
    return dr * dr + dg * dg + db * db;
}

// The nearest level of every byte value, for a table of levels; a value
// halfway between two levels takes the lower one.
template <std::size_t N>
std::array<Byte, 256> NearestLevels(const std::array<int, N>& levels) {
    std::array<Byte, 256> nearest{};
    for (int v = 0; v < 256; ++v) {
        std::size_t best = 0;
        for (std::size_t i = 1; i < N; ++i)
            if (std::abs(levels[i] - v) < std::abs(levels[best] - v)) best = i;
        nearest[std::size_t(v)] = Byte(best);
    }
    return nearest;
}

constexpr std::array<int, 4> Levels4 = {0, 85, 170, 255};
constexpr std::array<int, 6> Levels6 = {0, 51, 102, 153, 204, 255};
constexpr std::array<int, 7> Levels7 = {0, 43, 85, 128, 170, 213, 255};
constexpr std::array<int, 8> Levels8 = {0, 36, 73, 109, 146, 182, 219, 255};

// Distinct colours are counted in an open-addressing table; past 2049 of
// them one channel loses a low bit (blue, red, green in turn) and the
// count starts again.
void MapByHistogram(const TBitmap& Bitmap, TMappedImage& Out) {
    constexpr int Slots = 5191;
    constexpr int MostColors = 2049;
    struct Slot {
        bool Used = false;
        TRgb Color;
        Int64 Count = 0;
        int Order = 0;
        int Index = 0;
    };
    std::vector<Slot> table(Slots);
    int masks[3] = {255, 255, 255};  // red, green, blue
    const auto masked = [&](TRgb c) {
        return TRgb{Byte(c.r & masks[0]), Byte(c.g & masks[1]), Byte(c.b & masks[2])};
    };
    const auto find = [&](TRgb c) {
        int h = ((c.r + c.g) * (c.b + c.g) * (c.r + c.b)) % Slots;
        while (table[std::size_t(h)].Used &&
               !(table[std::size_t(h)].Color.r == c.r && table[std::size_t(h)].Color.g == c.g &&
                 table[std::size_t(h)].Color.b == c.b))
            h = (h + 1) % Slots;
        return h;
    };
    int distinct = 0;
    for (;;) {
        std::fill(table.begin(), table.end(), Slot{});
        distinct = 0;
        bool tooMany = false;
        for (Integer y = 0; y < Bitmap.Height() && !tooMany; ++y)
            for (Integer x = 0; x < Bitmap.Width(); ++x) {
                const TRgb c = masked(PixelAt(Bitmap, x, y));
                Slot& s = table[std::size_t(find(c))];
                if (!s.Used) {
                    if (distinct == MostColors) {
                        tooMany = true;
                        break;
                    }
                    s.Used = true;
                    s.Color = c;
                    s.Order = distinct++;
                }
                ++s.Count;
            }
        if (!tooMany) break;
        if (masks[0] < masks[1]) masks[1] = (masks[1] << 1) & 0xFF;
        else if (masks[2] < masks[0]) masks[0] = (masks[0] << 1) & 0xFF;
        else masks[2] = (masks[2] << 1) & 0xFF;
    }
    std::vector<Slot*> used;
    for (Slot& s : table)
        if (s.Used) used.push_back(&s);
    std::sort(used.begin(), used.end(), [](const Slot* a, const Slot* b) {
        return a->Count != b->Count ? a->Count > b->Count : a->Order < b->Order;
    });
    const std::size_t filled = std::min<std::size_t>(used.size(), 256);
    for (std::size_t i = 0; i < filled; ++i)
        Out.Palette[i] = TRGBQuad{used[i]->Color.b, used[i]->Color.g, used[i]->Color.r, 0};
    for (Slot* s : used) {
        int best = 0;
        for (std::size_t i = 1; i < filled; ++i)
            if (SquaredDistance(s->Color, Out.Palette[i]) < SquaredDistance(s->Color, Out.Palette[std::size_t(best)]))
                best = int(i);
        s->Index = best;
    }
    for (Integer y = 0; y < Bitmap.Height(); ++y)
        for (Integer x = 0; x < Bitmap.Width(); ++x)
            Out.Indices[std::size_t(y) * Out.Width + x] = Byte(table[std::size_t(find(masked(PixelAt(Bitmap, x, y))))].Index);
}

// Boxes of histogram cells (4 bits per channel) are cut along their widest
// channel where half of their pixels lie, until there are 256.
void MapByMedianCut(const TBitmap& Bitmap, TMappedImage& Out) {
    const auto cellOf = [](TRgb c) { return (c.r >> 4) * 256 + (c.g >> 4) * 16 + (c.b >> 4); };
    const auto channel = [](int cell, int ch) { return ch == 0 ? cell >> 8 : ch == 1 ? (cell >> 4) & 15 : cell & 15; };
    std::vector<Int64> counts(4096, 0);
    for (Integer y = 0; y < Bitmap.Height(); ++y)
        for (Integer x = 0; x < Bitmap.Width(); ++x) ++counts[std::size_t(cellOf(PixelAt(Bitmap, x, y)))];
    std::vector<std::vector<int>> boxes(1);
    for (int cell = 0; cell < 4096; ++cell)
        if (counts[std::size_t(cell)] > 0) boxes[0].push_back(cell);
    while (boxes.size() < 256) {
        int bestBox = -1, bestChannel = 0, bestExtent = -1;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].size() < 2) continue;
            for (int ch = 0; ch < 3; ++ch) {
                int lo = 15, hi = 0;
                for (int cell : boxes[i]) {
                    lo = std::min(lo, channel(cell, ch));
                    hi = std::max(hi, channel(cell, ch));
                }
                if (hi - lo > bestExtent) {
                    bestExtent = hi - lo;
                    bestBox = int(i);
                    bestChannel = ch;
                }
            }
        }
        if (bestBox < 0) break;
        std::vector<int>& box = boxes[std::size_t(bestBox)];
        std::stable_sort(box.begin(), box.end(),
                         [&](int a, int b) { return channel(a, bestChannel) < channel(b, bestChannel); });
        Int64 total = 0;
        for (int cell : box) total += counts[std::size_t(cell)];
        Int64 running = 0;
        std::size_t cut = 0;
        while (cut + 1 < box.size()) {
            running += counts[std::size_t(box[cut])];
            ++cut;
            if (2 * running >= total) break;
        }
        std::vector<int> upper(box.begin() + std::ptrdiff_t(cut), box.end());
        box.resize(cut);
        boxes.push_back(std::move(upper));
    }
    std::vector<Byte> boxOfCell(4096, 0);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        int sum[3] = {0, 0, 0};
        for (int cell : boxes[i]) {
            boxOfCell[std::size_t(cell)] = Byte(i);
            for (int ch = 0; ch < 3; ++ch) sum[ch] += channel(cell, ch);
        }
        const int n = std::max<int>(1, int(boxes[i].size()));
        int v[3];
        for (int ch = 0; ch < 3; ++ch) v[ch] = (sum[ch] * 16 + 15) / n;
        if (v[0] <= 16 && v[1] <= 16 && v[2] <= 16) v[0] = v[1] = v[2] = 0;
        Out.Palette[i] = TRGBQuad{Byte(v[2]), Byte(v[1]), Byte(v[0]), 0};
    }
    for (std::size_t i = boxes.size(); i < 256; ++i) Out.Palette[i] = TRGBQuad{};
    for (Integer y = 0; y < Bitmap.Height(); ++y)
        for (Integer x = 0; x < Bitmap.Width(); ++x)
            Out.Indices[std::size_t(y) * Out.Width + x] = boxOfCell[std::size_t(cellOf(PixelAt(Bitmap, x, y)))];
}

template <class IndexOf>
void MapPixels(const TBitmap& Bitmap, TMappedImage& Out, IndexOf indexOf) {
    for (Integer y = 0; y < Bitmap.Height(); ++y)
        for (Integer x = 0; x < Bitmap.Width(); ++x)
            Out.Indices[std::size_t(y) * Out.Width + x] = Byte(indexOf(PixelAt(Bitmap, x, y), x, y));
}

std::unique_ptr<TMemoryStream> SaveBitmap(const TBitmap& Bitmap) {
    auto stream = std::make_unique<TMemoryStream>();
    const std::vector<Byte> bytes = Bitmap.SaveToBytes();
    stream->WriteBuffer(bytes.data(), LongInt(bytes.size()));
    stream->SetPosition(0);
    return stream;
}

}  // namespace

TMappedImage MapColors(const TBitmap& Bitmap, TMappingMethod Method) {
    TMappedImage out;
    out.Width = Bitmap.Width();
    out.Height = Bitmap.Height();
    out.Palette.assign(256, Grey128);
    out.Indices.assign(std::size_t(out.Width) * std::size_t(out.Height), 0);
    switch (Method) {
    case ReduceByHistogram: MapByHistogram(Bitmap, out); break;
    case ReduceByMedianCut: MapByMedianCut(Bitmap, out); break;
    case ReduceToFixed784: {
        static const auto red = NearestLevels(Levels7), green = NearestLevels(Levels8), blue = NearestLevels(Levels4);
        for (int r = 0; r < 7; ++r)
            for (int g = 0; g < 8; ++g)
                for (int b = 0; b < 4; ++b)
                    out.Palette[std::size_t(r * 32 + g * 4 + b)] =
                        TRGBQuad{Byte(Levels4[std::size_t(b)]), Byte(Levels8[std::size_t(g)]), Byte(Levels7[std::size_t(r)]), 0};
        MapPixels(Bitmap, out, [&](TRgb c, Integer, Integer) { return red[c.r] * 32 + green[c.g] * 4 + blue[c.b]; });
        break;
    }
    case ReduceToFixed666: {
        static const auto level = NearestLevels(Levels6);
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    out.Palette[std::size_t(r * 36 + g * 6 + b)] =
                        TRGBQuad{Byte(Levels6[std::size_t(b)]), Byte(Levels6[std::size_t(g)]), Byte(Levels6[std::size_t(r)]), 0};
        MapPixels(Bitmap, out, [&](TRgb c, Integer, Integer) { return level[c.r] * 36 + level[c.g] * 6 + level[c.b]; });
        break;
    }
    case ReduceToChannelRamps:
        for (int i = 0; i < 64; ++i) {
            out.Palette[std::size_t(i)] = TRGBQuad{0, 0, Byte(4 * i), 0};
            out.Palette[std::size_t(64 + i)] = TRGBQuad{0, Byte(4 * i), 0, 0};
            out.Palette[std::size_t(128 + i)] = TRGBQuad{Byte(4 * i), 0, 0, 0};
        }
        for (int i = 192; i < 256; ++i) out.Palette[std::size_t(i)] = TRGBQuad{};
        MapPixels(Bitmap, out, [](TRgb c, Integer x, Integer y) {
            switch ((x + y) % 3) {
            case 0: return c.r / 4;
            case 1: return 64 + c.g / 4;
            default: return 128 + c.b / 4;
            }
        });
        break;
    case ReduceToGrey:
        for (int i = 0; i < 256; ++i) out.Palette[std::size_t(i)] = TRGBQuad{Byte(i), Byte(i), Byte(i), 0};
        MapPixels(Bitmap, out, [](TRgb c, Integer, Integer) { return (77 * c.r + 150 * c.g + 29 * c.b) / 256; });
        break;
    }
    return out;
}

std::unique_ptr<TMemoryStream> BitmapToStreamInFormat(TBitmap* Bitmap, TPixelFormat PixelFormat,
                                                      TMappingMethod Method) {
    if (Bitmap == nullptr || Bitmap->Empty()) throw EInvalidGraphic("Bitmap image is not valid");
    if (Bitmap->PixelFormat() == PixelFormat && Method != ReduceToGrey) return SaveBitmap(*Bitmap);
    TBitmap copy;
    copy.Assign(*Bitmap);
    switch (PixelFormat) {
    case pf1bit:
    case pf4bit:
    case pf24bit:
        copy.SetPixelFormat(PixelFormat);
        return SaveBitmap(copy);
    case pf8bit: {
        const TMappedImage mapped = MapColors(copy, Method);
        TBitmap result;
        result.SetPixelFormat(pf8bit);
        result.SetSize(mapped.Width, mapped.Height);
        result.SetColorTable(mapped.Palette);
        for (Integer y = 0; y < mapped.Height; ++y)
            std::memcpy(result.ScanLine(y), mapped.Indices.data() + std::size_t(y) * mapped.Width, std::size_t(mapped.Width));
        return SaveBitmap(result);
    }
    default: ShowNotImplemented();
    }
}

std::unique_ptr<TMemoryStream> ReduceColorsToStream(TBitmap* Bitmap, int Colors) {
    const TPixelFormat format = Colors <= 2 ? pf1bit : Colors <= 16 ? pf4bit : Colors <= 256 ? pf8bit : pf24bit;
    return BitmapToStreamInFormat(Bitmap, format, ColorMappingMethod);
}

int PixelFormatColors(TPixelFormat PixelFormat) {
    switch (PixelFormat) {
    case pf1bit: return 2;
    case pf4bit: return 16;
    case pf8bit: return 256;
    default: return 0;
    }
}

Int64 ScanLineBytes(Int64 Width, int Bits, int Alignment) {
    const Int64 bits = Width * Bits;
    return ((bits + Alignment - 1) / Alignment * Alignment) / 8;
}

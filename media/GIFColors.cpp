#include "media/GIFColors.h"

#include <algorithm>
#include <cstring>
#include <cstdlib>

namespace GIFImage {

// ---------------------------------------------------------------------------
// Rows

TDIBReader::TDIBReader(const TBitmap& Bitmap, TPixelFormat Format) {
    FPixelFormat = Format;
    FCopy.Assign(Bitmap);
    FCopy.SetPixelFormat(Format);
}

TDIBWriter::TDIBWriter(TBitmap* Target, HPALETTE Palette, Integer Height, Integer Width, TPixelFormat Format)
    : FTarget(Target), FHeight(Height), FWidth(Width) {
    if (Format != pf8bit && Format != pf24bit) throw GIFException("Unsupported PixelFormat");
    if (Width <= 0 || Height <= 0) throw GIFException("Invalid image dimensions");
    FPixelFormat = Format;
    if (Palette) FPalette = Palette->Entries;
}

Byte* TDIBWriter::RowAddress(Integer Row) {
    if (FBits.empty()) {
        const int bits = FPixelFormat == pf8bit ? 8 : 24;
        FStride = Integer(((Int64(FWidth) * bits + 31) / 32) * 4);
        try {
            FBits.assign(std::size_t(FStride) * std::size_t(FHeight), 0);
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory("Failed to allocate memory for GIF DIB");
        }
    }
    if (Row < 0 || Row >= FHeight) throw EInvalidGraphicOperation("Scan line index out of range");
    return FBits.data() + std::size_t(Row) * std::size_t(FStride);
}

void TDIBWriter::Install() {
    if (FBits.empty()) return;
    TBitmap b;
    b.SetPixelFormat(FPixelFormat);
    if (FPixelFormat == pf8bit) {
        std::vector<TRGBQuad> table(256);
        for (std::size_t i = 0; i < FPalette.size() && i < 256; ++i)
            table[i] = TRGBQuad{FPalette[i].peBlue, FPalette[i].peGreen, FPalette[i].peRed, 0};
        b.SetColorTable(table);
    }
    b.SetSize(FWidth, FHeight);
    const std::size_t rowBytes = std::size_t(FWidth) * (FPixelFormat == pf8bit ? 1 : 3);
    for (Integer y = 0; y < FHeight; ++y)
        std::memcpy(b.ScanLine(y), FBits.data() + std::size_t(y) * std::size_t(FStride), rowBytes);
    FTarget->Assign(b);
}

// ---------------------------------------------------------------------------
// Lookups

namespace {
int Key15(int r, int g, int b) { return ((b >> 3) << 10) | ((g >> 3) << 5) | (r >> 3); }
}  // namespace

TFastColorLookup::TFastColorLookup(HPALETTE Palette)
    : TColorLookup(std::min(PaletteEntryCount(Palette), 256)), FInverse(32768, -1) {
    for (int i = 0; i < FColors; ++i) {
        FEntries[std::size_t(i)] = Palette->Entries[std::size_t(i)];
        auto& cell = FInverse[std::size_t(Key15(FEntries[std::size_t(i)].peRed, FEntries[std::size_t(i)].peGreen,
                                                FEntries[std::size_t(i)].peBlue))];
        if (cell == -1) cell = std::int16_t(i);
    }
}

int TFastColorLookup::MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) {
    auto& cell = FInverse[std::size_t(Key15(Red, Green, Blue))];
    if (cell < 0) {
        int best = 0, bestDistance = 0x30000;
        for (int i = 0; i < FColors; ++i) {
            const TPaletteEntry& e = FEntries[std::size_t(i)];
            const int d = std::abs(Red - e.peRed) + std::abs(Green - e.peGreen) + std::abs(Blue - e.peBlue);
            if (d < bestDistance) {
                best = i;
                bestDistance = d;
            }
        }
        cell = std::int16_t(best);
    }
    const TPaletteEntry& e = FEntries[std::size_t(cell)];
    R = e.peRed, G = e.peGreen, B = e.peBlue;
    return cell;
}

int TNetscapeColorLookup::MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) {
    const int qr = (Red + 3) / 51, qg = (Green + 3) / 51, qb = (Blue + 3) / 51;
    R = 51 * qr, G = 51 * qg, B = 51 * qb;
    return 36 * qr + 6 * qg + qb;
}

int TGrayScaleLookup::MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) {
    const int y = (77 * Red + 150 * Green + 29 * Blue) >> 8;
    R = G = B = y;
    return y;
}

int TMonochromeLookup::MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) {
    if (77 * Red + 150 * Green + 29 * Blue > 0x7F00) {
        R = G = B = 255;
        return 1;
    }
    R = G = B = 0;
    return 0;
}

// ---------------------------------------------------------------------------
// Engines

int TDitherEngine::ProcessPixel(int Red, int Green, int Blue, int& R, int& G, int& B) {
    const int index = FLookup->MatchColour(Red, Green, Blue, R, G, B);
    FColumn += FDirection;
    return index;
}

void TDitherEngine::EndRow() {
    FDirection = -FDirection;
    FColumn = FDirection == 1 ? 0 : FWidth - 1;
}

namespace {
int Clamp255(Integer v) { return v < 0 ? 0 : v > 255 ? 255 : int(v); }
}  // namespace

TFloydSteinbergDitherer::TFloydSteinbergDitherer(Integer Width, TColorLookup* Lookup) : TDitherEngine(Width, Lookup) {
    for (auto& e : FErrors) e.assign(std::size_t(Width) + 2, 0);
}

int TFloydSteinbergDitherer::ProcessPixel(int Red, int Green, int Blue, int& R, int& G, int& B) {
    const int in[3] = {Red, Green, Blue};
    int t[3];
    for (int c = 0; c < 3; ++c) t[c] = Clamp255(in[c] + (FErrors[c][std::size_t(FPos)] + FCarry[c] + 8) / 16);
    const int index = TDitherEngine::ProcessPixel(t[0], t[1], t[2], R, G, B);
    const int chosen[3] = {R, G, B};
    for (int c = 0; c < 3; ++c) {
        const Integer e = t[c] - chosen[c];
        if (e != 0) {
            FErrors[c][std::size_t(FPos)] = FBelowPrev[c] + 3 * e;
            FBelowPrev[c] = FBelow[c] + 5 * e;
            FBelow[c] = e;
            FCarry[c] = 7 * e;
        } else {
            FCarry[c] = 0;
        }
    }
    FPos += FDirection;
    return index;
}

void TFloydSteinbergDitherer::EndRow() {
    for (int c = 0; c < 3; ++c) {
        FErrors[c][std::size_t(FPos)] = FBelowPrev[c];
        FCarry[c] = FBelow[c] = FBelowPrev[c] = 0;
    }
    TDitherEngine::EndRow();
    FPos = FDirection == 1 ? 0 : FWidth + 1;
}

TRowDitherer::TRowDitherer(Integer Width, TColorLookup* Lookup, int Rows, int Margin, int Divisor)
    : TDitherEngine(Width, Lookup), FRows(std::size_t(Rows)), FPos(Margin), FMargin(Margin), FDivisor(Divisor) {
    for (auto& row : FRows)
        for (auto& channel : row) channel.assign(std::size_t(Width) + 2 * std::size_t(Margin), 0);
}

int TRowDitherer::ProcessPixel(int Red, int Green, int Blue, int& R, int& G, int& B) {
    const int in[3] = {Red, Green, Blue};
    int t[3];
    for (int c = 0; c < 3; ++c)
        t[c] = Clamp255(in[c] + (FRows[0][std::size_t(c)][std::size_t(FPos)] + FDivisor / 2) / FDivisor);
    const int index = TDitherEngine::ProcessPixel(t[0], t[1], t[2], R, G, B);
    const int chosen[3] = {R, G, B};
    for (int c = 0; c < 3; ++c) {
        const Integer e = t[c] - chosen[c];
        if (e != 0) SpreadError(c, e);
    }
    FPos += FDirection;
    return index;
}

void TRowDitherer::EndRow() {
    for (auto& channel : FRows[0]) std::fill(channel.begin(), channel.end(), 0);
    std::rotate(FRows.begin(), FRows.begin() + 1, FRows.end());
    TDitherEngine::EndRow();
    FPos = FDirection == 1 ? FMargin : FWidth + FMargin - 1;
}

// Weights of the five-by-three kernels: row 0 at +1, +2; rows 1 and 2 at -2..+2.
#define VEMLOR_SPREAD_5BY3(Class, a1, a2, b0, b1, b2, b3, b4, c0, c1, c2, c3, c4)                  \
    void Class::SpreadError(int ch, Integer e) {                                                 \
        Add(ch, 0, 1, e, a1), Add(ch, 0, 2, e, a2);                                              \
        Add(ch, 1, -2, e, b0), Add(ch, 1, -1, e, b1), Add(ch, 1, 0, e, b2), Add(ch, 1, 1, e, b3), \
            Add(ch, 1, 2, e, b4);                                                                \
        Add(ch, 2, -2, e, c0), Add(ch, 2, -1, e, c1), Add(ch, 2, 0, e, c2), Add(ch, 2, 1, e, c3), \
            Add(ch, 2, 2, e, c4);                                                                \
    }
VEMLOR_SPREAD_5BY3(TStuckiDitherer, 8, 4, 2, 4, 8, 4, 2, 1, 2, 4, 2, 1)
VEMLOR_SPREAD_5BY3(TSierraDitherer, 5, 3, 2, 4, 5, 4, 2, 0, 2, 3, 2, 0)
VEMLOR_SPREAD_5BY3(TJaJuNiDitherer, 7, 5, 3, 5, 7, 5, 3, 1, 3, 5, 3, 1)
#undef VEMLOR_SPREAD_5BY3

void TBurkesDitherer::SpreadError(int ch, Integer e) {
    Add(ch, 0, 1, e, 8), Add(ch, 0, 2, e, 4);
    Add(ch, 1, -2, e, 2), Add(ch, 1, -1, e, 4), Add(ch, 1, 0, e, 8), Add(ch, 1, 1, e, 4), Add(ch, 1, 2, e, 2);
}

void TSteveArcheDitherer::SpreadError(int ch, Integer e) {
    Add(ch, 0, 2, e, 32);
    Add(ch, 1, -3, e, 12), Add(ch, 1, -1, e, 26), Add(ch, 1, 1, e, 30), Add(ch, 1, 3, e, 16);
    Add(ch, 2, -2, e, 12), Add(ch, 2, 0, e, 26), Add(ch, 2, 2, e, 12);
    Add(ch, 3, -3, e, 5), Add(ch, 3, -1, e, 12), Add(ch, 3, 1, e, 12), Add(ch, 3, 3, e, 5);
}

// ---------------------------------------------------------------------------
// Palettes

namespace {
HPALETTE Build(int n, Byte flag, TPaletteEntry (*entry)(int)) {
    std::vector<TPaletteEntry> e(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        e[std::size_t(i)] = entry(i);
        e[std::size_t(i)].peFlags = flag;
    }
    return CreatePalette(e);
}
TPaletteEntry Gray(int v) { return TPaletteEntry{Byte(v), Byte(v), Byte(v), 0}; }
}  // namespace

HPALETTE CreateWebCubePalette() {
    return Build(216, 0, [](int i) {
        return TPaletteEntry{Byte(51 * (i / 36)), Byte(51 * (i / 6 % 6)), Byte(51 * (i % 6)), 0};
    });
}
HPALETTE CreateGrayRampPalette() { return Build(256, PC_NOCOLLAPSE, [](int i) { return Gray(i); }); }
HPALETTE CreateBlackWhitePalette() { return Build(2, PC_NOCOLLAPSE, [](int i) { return Gray(i ? 255 : 0); }); }
HPALETTE CreateFourGrayPalette() {
    return Build(4, PC_NOCOLLAPSE, [](int i) {
        static const int v[4] = {0, 128, 192, 255};
        return Gray(v[i]);
    });
}
HPALETTE CreateHalftoneScreenPalette() { return CreateHalftonePalette(); }
HPALETTE CreateSystemDefaultPalette() { return CreateSystemPalette(); }

TColorQuantizer::TColorQuantizer(int MaxColors, int ColorBits)
    : FMaxColors(std::max(1, MaxColors)), FColorBits(std::clamp(ColorBits, 1, 8)) {}

TColorQuantizer::~TColorQuantizer() = default;

void TColorQuantizer::Insert(std::unique_ptr<TOctreeNode>& node, int r, int g, int b, int level) {
    if (!node) {
        node = std::make_unique<TOctreeNode>();
        node->Leaf = level == FColorBits;
        if (node->Leaf) ++FLeafCount;
        else {
            node->NextReducible = FReducible[level];
            FReducible[level] = node.get();
        }
    }
    if (node->Leaf) {
        ++node->PixelCount;
        node->RedSum += r;
        node->GreenSum += g;
        node->BlueSum += b;
        return;
    }
    const int mask = 0x80 >> level;
    const int index = ((r & mask) ? 4 : 0) | ((g & mask) ? 2 : 0) | ((b & mask) ? 1 : 0);
    Insert(node->Child[index], r, g, b, level + 1);
}

void TColorQuantizer::Merge() {
    int level = FColorBits - 1;
    while (level > 0 && FReducible[level] == nullptr) --level;
    TOctreeNode* node = FReducible[level];
    if (node == nullptr) return;
    FReducible[level] = node->NextReducible;
    int children = 0;
    Int64 r = 0, g = 0, b = 0, n = 0;
    for (auto& child : node->Child) {
        if (!child) continue;
        ++children;
        n += child->PixelCount;
        r += child->RedSum;
        g += child->GreenSum;
        b += child->BlueSum;
        child.reset();
    }
    node->PixelCount += n;
    node->RedSum = r;
    node->GreenSum = g;
    node->BlueSum = b;
    node->Leaf = true;
    FLeafCount -= children - 1;
}

void TColorQuantizer::AddPicture(TDIBReader& Reader) {
    for (Integer y = 0; y < Reader.Height(); ++y) {
        const Byte* p = Reader.RowAddress(y);
        for (Integer x = 0; x < Reader.Width(); ++x, p += 3) {
            Insert(FRoot, p[2], p[1], p[0], 0);
            while (FLeafCount > FMaxColors) Merge();
        }
    }
}

void TColorQuantizer::ReadColourTable(std::vector<TPaletteEntry>& Table) const {
    Table.clear();
    struct Walk {
        static void Go(const TOctreeNode* n, std::vector<TPaletteEntry>& t) {
            if (!n) return;
            if (n->Leaf) {
                if (n->PixelCount == 0) t.push_back(TPaletteEntry{});
                else
                    t.push_back(TPaletteEntry{Byte(n->RedSum / n->PixelCount), Byte(n->GreenSum / n->PixelCount),
                                              Byte(n->BlueSum / n->PixelCount), 0});
                return;
            }
            for (const auto& c : n->Child) Go(c.get(), t);
        }
    };
    Walk::Go(FRoot.get(), Table);
}

HPALETTE CreateQuantizedPalette(TDIBReader& Reader, int Colors, int ColorBits, bool ReserveSystemColors) {
    Colors = std::clamp(Colors, 1, 256);
    std::vector<TPaletteEntry> entries;
    int first = 0;
    if (ReserveSystemColors) {
        const auto& sys = DefaultSystemPaletteEntries();
        entries.assign(256, TPaletteEntry{});
        for (int i = 0; i < 10; ++i) {
            entries[std::size_t(i)] = sys[std::size_t(i)];
            entries[std::size_t(246 + i)] = sys[std::size_t(10 + i)];
        }
        Colors = 236;
        first = 10;
    } else {
        entries.assign(std::size_t(Colors), TPaletteEntry{});
    }
    TColorQuantizer q(Colors, ColorBits);
    q.AddPicture(Reader);
    std::vector<TPaletteEntry> table;
    q.ReadColourTable(table);
    // Entries past the colours the picture yields stay black.
    for (int i = 0; i < Colors && i < int(table.size()); ++i) {
        entries[std::size_t(first + i)] = table[std::size_t(i)];
        entries[std::size_t(first + i)].peFlags = 0;
    }
    return CreatePalette(entries);
}

HPALETTE CreateQuantizedPaletteForBitmap(const TBitmap& Bitmap, int Colors, int ColorBits, bool ReserveSystemColors) {
    TDIBReader reader(Bitmap, pf24bit);
    return CreateQuantizedPalette(reader, Colors, ColorBits, ReserveSystemColors);
}

// ---------------------------------------------------------------------------

std::unique_ptr<TBitmap> ReduceBitmapColors(const TBitmap& Bitmap, Byte ColorReduction, Byte DitherMode,
                                            Integer ReductionBits, HPALETTE CustomPalette) {
    auto result = std::make_unique<TBitmap>();
    if (ColorReduction == rmNone) {
        result->Assign(Bitmap);
        result->SetPixelFormat(pf24bit);
        return result;
    }
    if (Int64(Bitmap.Width()) * Bitmap.Height() > 500000) result->SetPixelFormat(pf1bit);
    // The reader works on a 24-bit copy so that the caller's picture keeps
    // its format.
    TDIBReader reader(Bitmap, pf24bit);
    if (ColorReduction > rmPalette) return result;

    TPaletteOwner palette;
    switch (ColorReduction) {
    case rmWindows20: palette.reset(CreateSystemDefaultPalette()); break;
    case rmWindows256: palette.reset(CreateHalftoneScreenPalette()); break;
    case rmWindowsGray: palette.reset(CreateFourGrayPalette()); break;
    case rmMonochrome: palette.reset(CreateBlackWhitePalette()); break;
    case rmGrayScale: palette.reset(CreateGrayRampPalette()); break;
    case rmNetscape: palette.reset(CreateWebCubePalette()); break;
    case rmQuantize: {
        // More than 8 bits would ask for palettes beyond 256 entries.
        const int bits = std::clamp<Integer>(ReductionBits, 1, 8);
        palette.reset(CreateQuantizedPalette(reader, 1 << bits, 8, false));
        break;
    }
    case rmQuantizeWindows: palette.reset(CreateQuantizedPalette(reader, 256, 8, true)); break;
    default: palette.reset(CopyPalette(CustomPalette)); break;
    }

    std::unique_ptr<TColorLookup> lookup;
    switch (ColorReduction) {
    case rmMonochrome: lookup = std::make_unique<TMonochromeLookup>(); break;
    case rmGrayScale: lookup = std::make_unique<TGrayScaleLookup>(); break;
    case rmNetscape: lookup = std::make_unique<TNetscapeColorLookup>(); break;
    default: lookup = std::make_unique<TFastColorLookup>(palette.get()); break;
    }
    if (lookup->Colors() == 0) return result;

    const Integer width = reader.Width(), height = reader.Height();
    std::unique_ptr<TDitherEngine> engine;
    switch (DitherMode) {
    case dmNearest: engine = std::make_unique<TDitherEngine>(width, lookup.get()); break;
    case dmFloydSteinberg: engine = std::make_unique<TFloydSteinbergDitherer>(width, lookup.get()); break;
    case dmStucki: engine = std::make_unique<TStuckiDitherer>(width, lookup.get()); break;
    case dmSierra: engine = std::make_unique<TSierraDitherer>(width, lookup.get()); break;
    case dmJaJuNI: engine = std::make_unique<TJaJuNiDitherer>(width, lookup.get()); break;
    case dmSteveArche: engine = std::make_unique<TSteveArcheDitherer>(width, lookup.get()); break;
    case dmBurkes: engine = std::make_unique<TBurkesDitherer>(width, lookup.get()); break;
    default: return result;
    }

    TDIBWriter writer(result.get(), palette.get(), height, width, pf8bit);
    int r, g, b;
    for (Integer y = 0; y < height; ++y) {
        const Byte* src = reader.RowAddress(y);
        Byte* dst = writer.RowAddress(y);
        for (Integer x = engine->Column(); x >= 0 && x < width; x = engine->Column())
            dst[x] = Byte(engine->ProcessPixel(src[3 * x + 2], src[3 * x + 1], src[3 * x], r, g, b));
        engine->EndRow();
    }
    writer.Install();
    return result;
}

}  // namespace GIFImage

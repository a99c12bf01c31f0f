#include "media/GIFQuantizer.h"

#include <algorithm>

namespace GIFImage {

namespace {
HPALETTE Build(int Count, Byte Flag, TPaletteEntry (*Entry)(int)) {
    std::vector<TPaletteEntry> e(static_cast<std::size_t>(Count));
    for (int i = 0; i < Count; ++i) {
        e[std::size_t(i)] = Entry(i);
        e[std::size_t(i)].peFlags = Flag;
    }
    return CreatePalette(e);
}
TPaletteEntry Gray(int Value) { return TPaletteEntry{Byte(Value), Byte(Value), Byte(Value), 0}; }
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

void TColorQuantizer::Insert(std::unique_ptr<TOctreeNode>& Node, int Red, int Green, int Blue, int Level) {
    if (!Node) {
        Node = std::make_unique<TOctreeNode>();
        Node->Leaf = Level == FColorBits;
        if (Node->Leaf) ++FLeafCount;
        else {
            Node->NextReducible = FReducible[Level];
            FReducible[Level] = Node.get();
        }
    }
    if (Node->Leaf) {
        ++Node->PixelCount;
        Node->RedSum += Red;
        Node->GreenSum += Green;
        Node->BlueSum += Blue;
        return;
    }
    const int mask = 0x80 >> Level;
    const int index = ((Red & mask) ? 4 : 0) | ((Green & mask) ? 2 : 0) | ((Blue & mask) ? 1 : 0);
    Insert(Node->Child[index], Red, Green, Blue, Level + 1);
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

}  // namespace GIFImage

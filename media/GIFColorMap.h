#pragma once
// Colour tables of a GIF file: the global one of the logical screen and the
// local one a frame may carry. A table holds up to 256 RGB triples, red
// first, as they stand in the file; on disk it is followed by zero triples up
// to the next power of two, which is what the 3-bit size field can express.
//
// A table can be ordered by decreasing use (SortByUse): the frames that use
// it are rewritten through the new order and unused entries are dropped.
// Changing a table tells its owner, whose cached bitmaps and palettes then
// go stale.

#include <array>
#include <vector>

#include "media/GIFItem.h"
#include "platform/gfx/Color.h"

namespace GIFImage {

struct TGIFColor {
    Byte Red = 0;
    Byte Green = 0;
    Byte Blue = 0;
    friend bool operator==(const TGIFColor&, const TGIFColor&) = default;
};

class TGIFColorMap : public TPersistent {
public:
    TGIFColorMap() = default;
    ~TGIFColorMap() override = default;

    virtual void ReportWarning(TGIFSeverity Severity, const AnsiString& Message);
    // Uses of each index by the pixels of the frames that use this table.
    virtual std::vector<Int64> BuildUseHistogram() const;
    // Rewrites those frames' pixels and transparent index through Map.
    virtual void RemapIndices(const std::vector<int>& Map);
    // Orders the table by decreasing use and drops unused entries; false
    // (and no change) for tables of fewer than 2 entries.
    virtual bool SortByUse();
    virtual void NotifyChanged() {}

    int Count() const { return FCount; }
    int Capacity() const { return FCapacity; }
    bool Optimized() const { return FOptimized; }
    void SetOptimized(bool Value) { FOptimized = Value; }
    // 1 for up to 2 colours, else the smallest b with 2^b >= Count.
    int BitsPerPixel() const;

    // Out of range: warning "Invalid color index", then entry 0, or the
    // error "Color table is empty" when there is none.
    TColor Colors(int Index);
    const TGIFColor& Entry(int Index) const { return FEntries[std::size_t(Index)]; }
    void SetColors(int Index, TColor Value);
    // Sorted table: first match from the start; otherwise the last match; -1 when absent.
    int IndexOf(TColor Color) const;
    // "Color table overflow" at 256 entries; clears the sorted flag.
    int Add(TColor Color);
    int AddUnique(TColor Color);
    void Delete(int Index);
    void Clear();

    void ImportPalette(HPALETTE Palette);
    // 256 entries of blue, green, red, 0.
    void ImportColorTable(const TRGBQuad* Table, int ACount);
    // A new palette with flag PC_NOCOLLAPSE; nullptr when empty. Caller owns it.
    HPALETTE ExportPalette() const;

    // Reads Count entries ("Premature end of data" when short).
    void LoadFromStream(TStream* Stream, int ACount);
    // Count triples, then zero triples up to 2^BitsPerPixel.
    void SaveToStream(TStream* Stream) const;
    void Assign(TPersistent* Source) override;

protected:
    // Frames whose active table this is.
    virtual std::vector<TGIFSubImage*> UsingFrames() const { return {}; }

private:
    void Grow(int ACount);
    std::array<TGIFColor, 256> FEntries{};
    int FCount = 0;
    int FCapacity = 0;
    bool FOptimized = false;
};

// The logical screen's table, used by every frame without a table of its own.
class TGIFGlobalColorMap : public TGIFColorMap {
public:
    explicit TGIFGlobalColorMap(TGIFHeader* Header) : FHeader(Header) {}
    void ReportWarning(TGIFSeverity Severity, const AnsiString& Message) override;
    void NotifyChanged() override;

protected:
    std::vector<TGIFSubImage*> UsingFrames() const override;

private:
    TGIFHeader* FHeader;
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
    explicit TGIFLocalColorMap(TGIFSubImage* SubImage) : FSubImage(SubImage) {}
    void ReportWarning(TGIFSeverity Severity, const AnsiString& Message) override;
    void NotifyChanged() override;

protected:
    std::vector<TGIFSubImage*> UsingFrames() const override;

private:
    TGIFSubImage* FSubImage;
};

}  // namespace GIFImage

#pragma once
// GIF pictures: the object model of a GIF file (header with the logical
// screen and global colour table, frames with their extensions, local colour
// tables and pixel indices), its reader and its writer (LZW or run-length
// coded pixel data).
//
// File layout (little-endian):
//   OFFSET SIZE DESCRIPTION
//   0      6    "GIF87a" / "GIF89a" (some form resources put a 32-bit length first)
//   6      7    logical screen: width u16, height u16, flags (bit 7 global table,
//               bits 4-6 colour resolution - 1, bit 3 sorted, bits 0-2 table
//               size: 2 << n entries), background index, aspect ratio
//   13     3n   global colour table, R,G,B per entry
//   then blocks:
//     0x21 label ...        extension: label byte, data sub-blocks (size 1-255
//                           and data), a 0 size ends them
//     0x2C + 9 bytes        image descriptor: left, top, width, height u16,
//                           flags (bit 7 local table, bit 6 interlaced, bit 5
//                           sorted, bits 0-2 table size), local table, the LZW
//                           minimum code size byte and the coded data sub-blocks
//     0x3B                  trailer

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace GIFImage {

VEMLOR_DECLARE_EXCEPTION(GIFException, EInvalidGraphic);

enum TGIFSeverity { gsInfo, gsWarning, gsError };
using TGIFWarning = std::function<void(TObject* Sender, TGIFSeverity Severity, const AnsiString& Message)>;

enum TGIFVersion { gvUnknown = 0, gv87a = 1, gv89a = 2 };
enum TGIFCompression { gcLZW = 0, gcRLE = 1 };

class TGIFImage;
class TGIFSubImage;
class TGIFHeader;

// ---------------------------------------------------------------------------
// Base of the items of a GIF file.
class TGIFItem : public TPersistent {
public:
    explicit TGIFItem(TGIFImage* AImage) : FImage(AImage) {}
    ~TGIFItem() override = default;

    virtual TGIFVersion FormatVersion() const { return gv87a; }
    virtual void ReportWarning(TGIFSeverity Severity, const AnsiString& Message);
    virtual void SaveToStream(TStream* Stream) = 0;
    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveFile(const AnsiString& FileName);
    virtual void LoadFile(const AnsiString& FileName);

    TGIFImage* Image() const { return FImage; }

protected:
    TGIFImage* FImage;
};

// ---------------------------------------------------------------------------
// Colour tables.
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
    void ImportColorTable(const TRGBQuad* Table, int Count);
    // A new palette with flag PC_NOCOLLAPSE; nullptr when empty. Caller owns it.
    HPALETTE ExportPalette() const;

    // Reads Count entries ("Premature end of data" when short).
    void LoadFromStream(TStream* Stream, int Count);
    // Count triples, then zero triples up to 2^BitsPerPixel.
    void SaveToStream(TStream* Stream) const;
    void Assign(TPersistent* Source) override;

protected:
    // Frames whose active table this is.
    virtual std::vector<TGIFSubImage*> UsingFrames() const { return {}; }

private:
    void Grow(int count);
    std::array<TGIFColor, 256> FEntries{};
    int FCount = 0;
    int FCapacity = 0;
    bool FOptimized = false;
};

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

// ---------------------------------------------------------------------------
// Owning lists.
template <class T>
class TGIFList {
public:
    int Count() const { return int(FItems.size()); }
    T* Items(int Index) const { return FItems.at(std::size_t(Index)).get(); }
    T* operator[](int Index) const { return Items(Index); }
    T* Add(std::unique_ptr<T> Item) {
        FItems.push_back(std::move(Item));
        return FItems.back().get();
    }
    void Insert(int Index, std::unique_ptr<T> Item) { FItems.insert(FItems.begin() + Index, std::move(Item)); }
    int IndexOf(const T* Item) const {
        for (std::size_t i = 0; i < FItems.size(); ++i)
            if (FItems[i].get() == Item) return int(i);
        return -1;
    }
    // Frees the item.
    void Remove(const T* Item) {
        const int i = IndexOf(Item);
        if (i >= 0) Delete(i);
    }
    void Delete(int Index) {
        std::unique_ptr<T> gone = std::move(FItems.at(std::size_t(Index)));
        FItems.erase(FItems.begin() + Index);
    }
    void Clear() {
        while (!FItems.empty()) Delete(Count() - 1);
    }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<std::unique_ptr<T>> FItems;
};

class TGIFExtension;
using TGIFImageList = TGIFList<TGIFSubImage>;
using TGIFExtensionList = TGIFList<TGIFExtension>;

// ---------------------------------------------------------------------------
#pragma pack(push, 1)
struct TLogicalScreenDescriptor {
    Word ScreenWidth = 0;
    Word ScreenHeight = 0;
    Byte PackedFields = 0;
    Byte BackgroundColorIndex = 0;
    Byte AspectRatio = 0;
};
struct TImageDescriptor {
    Byte Separator = 0x2C;
    Word Left = 0;
    Word Top = 0;
    Word Width = 0;
    Word Height = 0;
    Byte PackedFields = 0;
};
struct TGraphicControlBlock {
    Byte BlockSize = 4;
    Byte PackedFields = 0;
    Word DelayTime = 0;
    Byte TransparentColorIndex = 0;
    Byte Terminator = 0;
};
struct TPlainTextBlock {
    Byte BlockSize = 12;
    Word Left = 0;
    Word Top = 0;
    Word Width = 0;
    Word Height = 0;
    Byte CellWidth = 0;
    Byte CellHeight = 0;
    Byte TextFGColorIndex = 0;
    Byte TextBGColorIndex = 0;
};
#pragma pack(pop)
static_assert(sizeof(TLogicalScreenDescriptor) == 7 && sizeof(TImageDescriptor) == 10 &&
              sizeof(TGraphicControlBlock) == 6 && sizeof(TPlainTextBlock) == 13);

class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage* AImage);
    ~TGIFHeader() override;

    void LoadFromStream(TStream* Stream) override;  // the 7-byte descriptor and the global table
    void SaveToStream(TStream* Stream) override;    // signature, descriptor and table
    void Clear();
    void Assign(TPersistent* Source) override;

    const TLogicalScreenDescriptor& Descriptor() const { return FDescriptor; }
    Integer Width() const { return FDescriptor.ScreenWidth; }
    Integer Height() const { return FDescriptor.ScreenHeight; }
    void SetWidth(Integer Value) { FDescriptor.ScreenWidth = Word(Value); }
    void SetHeight(Integer Value) { FDescriptor.ScreenHeight = Word(Value); }
    Byte BackgroundColorIndex() const { return FDescriptor.BackgroundColorIndex; }
    void SetBackgroundColorIndex(Byte Value) { FDescriptor.BackgroundColorIndex = Value; }
    Byte AspectRatio() const { return FDescriptor.AspectRatio; }
    void SetAspectRatio(Byte Value) { FDescriptor.AspectRatio = Value; }
    // Bits 4-6 of the flags plus one.
    int ColorResolution() const { return ((FDescriptor.PackedFields >> 4) & 7) + 1; }
    TGIFColorMap& ColorMap() { return *FColorMap; }

private:
    TLogicalScreenDescriptor FDescriptor;
    std::unique_ptr<TGIFGlobalColorMap> FColorMap;
};

// ---------------------------------------------------------------------------
// Extensions.
class TGIFExtension;
struct TGIFExtensionClass {
    const char* Name;
    Byte Label;
    // Called with the stream just after the label; returns the class that
    // should read the extension (itself when it should read it).
    const TGIFExtensionClass* (*PickSubclass)(TStream* Stream);
    std::unique_ptr<TGIFExtension> (*Create)(TGIFSubImage* SubImage);
};

class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage* ASubImage);
    ~TGIFExtension() override;

    virtual const TGIFExtensionClass& ExtensionClass() const = 0;
    Byte ExtensionLabel() const { return ExtensionClass().Label; }
    TGIFVersion FormatVersion() const override { return gv89a; }
    TGIFSubImage* SubImage() const { return FSubImage; }

    // Reads "!" and the label and checks them; the subclass reads the rest.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;

protected:
    virtual void LoadData(TStream* Stream) = 0;
    virtual void SaveData(TStream* Stream) = 0;
    TGIFSubImage* FSubImage;
};

class TGIFGraphicControlExtension : public TGIFExtension {
public:
    explicit TGIFGraphicControlExtension(TGIFSubImage* ASubImage);
    ~TGIFGraphicControlExtension() override;
    static const TGIFExtensionClass& StaticClass();
    const TGIFExtensionClass& ExtensionClass() const override { return StaticClass(); }
    void Assign(TPersistent* Source) override;

    const TGraphicControlBlock& Block() const { return FBlock; }
    bool Transparent() const { return FBlock.PackedFields & 1; }
    void SetTransparent(bool Value);
    Byte TransparentColorIndex() const { return FBlock.TransparentColorIndex; }
    void SetTransparentColorIndex(Byte Value) { FBlock.TransparentColorIndex = Value; }
    bool UserInput() const { return FBlock.PackedFields & 2; }
    void SetUserInput(bool Value);
    int Disposal() const { return (FBlock.PackedFields >> 2) & 7; }
    void SetDisposal(int Value);
    Word Delay() const { return FBlock.DelayTime; }
    void SetDelay(Word Value) { FBlock.DelayTime = Value; }

protected:
    void LoadData(TStream* Stream) override;
    void SaveData(TStream* Stream) override;

private:
    TGraphicControlBlock FBlock;
};

class TGIFTextExtension : public TGIFExtension {
public:
    using TGIFExtension::TGIFExtension;
    static const TGIFExtensionClass& StaticClass();
    const TGIFExtensionClass& ExtensionClass() const override { return StaticClass(); }
    void Assign(TPersistent* Source) override;
    TPlainTextBlock& Block() { return FBlock; }
    std::vector<AnsiString>& Text() { return FText; }

protected:
    void LoadData(TStream* Stream) override;
    void SaveData(TStream* Stream) override;

private:
    TPlainTextBlock FBlock;
    std::vector<AnsiString> FText;
};

class TGIFCommentExtension : public TGIFExtension {
public:
    using TGIFExtension::TGIFExtension;
    static const TGIFExtensionClass& StaticClass();
    const TGIFExtensionClass& ExtensionClass() const override { return StaticClass(); }
    void Assign(TPersistent* Source) override;
    std::vector<AnsiString>& Comment() { return FComment; }

protected:
    void LoadData(TStream* Stream) override;
    void SaveData(TStream* Stream) override;

private:
    std::vector<AnsiString> FComment;
};

using TGIFApplicationRec = std::array<Byte, 11>;  // 8 bytes name, 3 bytes authentication code

class TGIFApplicationExtension : public TGIFExtension {
public:
    using TGIFExtension::TGIFExtension;
    static const TGIFExtensionClass& StaticClass();
    const TGIFExtensionClass& ExtensionClass() const override { return StaticClass(); }
    void Assign(TPersistent* Source) override;
    const TGIFApplicationRec& Identifier() const { return FIdent; }
    void SetIdentifier(const AnsiString& Ident);  // padded with zeros to 11 bytes

    virtual void WriteSubBlocks(TStream* Stream);
    // The base class skips the sub-blocks of an application it does not know.
    virtual void ReadSubBlocks(TStream* Stream);

protected:
    void LoadData(TStream* Stream) override;
    void SaveData(TStream* Stream) override;
    TGIFApplicationRec FIdent{};
    // Identifier blocks of other sizes than 11 are written back as read, so
    // that a file read again picks the same reader.
    int FIdentBlockSize = 11;
    std::vector<Byte> FIdentExtra;
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    using TGIFApplicationExtension::TGIFApplicationExtension;
    static const TGIFExtensionClass& StaticClass();
    const TGIFExtensionClass& ExtensionClass() const override { return StaticClass(); }
    void Assign(TPersistent* Source) override;
    // Each a data sub-block of 1 to 255 bytes, kept verbatim.
    std::vector<std::vector<Byte>>& Blocks() { return FBlocks; }
    void WriteSubBlocks(TStream* Stream) override;
    void ReadSubBlocks(TStream* Stream) override;

private:
    std::vector<std::vector<Byte>> FBlocks;
};

class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    explicit TGIFAppExtNSLoop(TGIFSubImage* ASubImage);
    static const TGIFExtensionClass& StaticClass();
    const TGIFExtensionClass& ExtensionClass() const override { return StaticClass(); }
    void Assign(TPersistent* Source) override;
    Word Loops() const { return FLoops; }  // 0: forever
    void SetLoops(Word Value) { FLoops = Value; }
    Cardinal BufferSize() const { return FBufferSize; }
    void SetBufferSize(Cardinal Value) { FBufferSize = Value; }
    void WriteSubBlocks(TStream* Stream) override;
    void ReadSubBlocks(TStream* Stream) override;

private:
    Word FLoops = 0;
    Cardinal FBufferSize = 0;
};

// Registries; a later registration of the same key wins.
void RegisterExtension(const TGIFExtensionClass& Class);
void RegisterAppExtension(const AnsiString& Identifier, const TGIFExtensionClass& Class);
const TGIFExtensionClass* FindExtension(Byte Label);
const TGIFExtensionClass* FindAppExtension(const TGIFApplicationRec& Identifier);

// ---------------------------------------------------------------------------
class TGIFSubImage : public TGIFItem {
public:
    explicit TGIFSubImage(TGIFImage* AImage);
    ~TGIFSubImage() override;

    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    TGIFVersion FormatVersion() const override;
    void Assign(TPersistent* Source) override;
    void Clear();

    const TImageDescriptor& Descriptor() const { return FDescriptor; }
    Integer Left() const { return FDescriptor.Left; }
    Integer Top() const { return FDescriptor.Top; }
    Integer Width() const { return FDescriptor.Width; }
    Integer Height() const { return FDescriptor.Height; }
    void SetLeft(Integer Value) { FDescriptor.Left = Word(Value); }
    void SetTop(Integer Value) { FDescriptor.Top = Word(Value); }
    // Resizes the pixel data (new pixels 0; content is not kept).
    void SetSize(Integer AWidth, Integer AHeight);
    TRect BoundsRect() const { return Bounds(Left(), Top(), Width(), Height()); }
    bool Interlaced() const { return FDescriptor.PackedFields & 0x40; }
    void SetInterlaced(bool Value);
    // No pixel data or a zero width or height.
    bool Empty() const;

    TGIFColorMap& ColorMap() { return *FLocalPalette; }
    // The local table when it has entries, else the global one when that
    // has entries, else the (empty) local table.
    TGIFColorMap& ActiveColorMap();
    TGIFExtensionList& Extensions() { return FExtensions; }
    // The first graphic control extension of the frame, if any.
    TGIFGraphicControlExtension* GraphicControlExtension() const { return FGCE; }
    void SetGraphicControlExtension(TGIFGraphicControlExtension* Value) { FGCE = Value; }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value) { FTransparent = Value; }

    std::vector<Byte>& Data() { return FData; }
    const std::vector<Byte>& Data() const { return FData; }
    Byte Pixel(Integer x, Integer y) const { return FData[std::size_t(y) * Width() + std::size_t(x)]; }
    Byte* ScanLine(Integer Row);

    // The frame drawn into a new 8-bit bitmap with the active table.
    std::unique_ptr<TBitmap> MakeBitmap();

    // The frame's cached bitmap (8 bits, its palette), built on first use;
    // nullptr when building it was aborted through the progress event.
    TBitmap* Bitmap();
    // The transparency mask built with the bitmap: 1 bit per pixel, set
    // where the pixel is the transparent index; nullptr when no pixel is.
    const TBitmap* Mask();
    // Its bitmap's palette, else its local table, else the picture's.
    HPALETTE Palette();
    // Drops the cached bitmap, mask and palette.
    void FreeBitmap();

    // Draws the frame at its place in Rect (see TGIFImage::Draw).
    void Draw(TCanvas& ACanvas, const TRect& Rect, bool DoTransparent, bool DoTile);
    // Takes size, colours and indices from the bitmap (reduced to 256
    // colours first when it has more than 8 bits per pixel).
    void AssignFromBitmap(const TBitmap& Source);
    // Marks the pixels where Mask(x, y) is true transparent with a new
    // graphic control extension.
    void TransparencyFromMask(const std::function<bool(Integer x, Integer y)>& Mask);

private:
    friend class TGIFImage;
    void Decompress(TStream* Stream);
    void Compress(TStream* Stream);
    void BuildBitmap();
    // Bitmaps, pictures and other graphics; false for anything else.
    bool AssignGraphic(TPersistent* Source);
    std::unique_ptr<TBitmap> FBitmap;
    std::unique_ptr<TBitmap> FMask;
    TPaletteOwner FPalette;
    TImageDescriptor FDescriptor;
    std::unique_ptr<TGIFLocalColorMap> FLocalPalette;
    TGIFExtensionList FExtensions;
    TGIFGraphicControlExtension* FGCE = nullptr;
    bool FTransparent = false;
    std::vector<Byte> FData;
};

class TGIFTrailer : public TGIFItem {
public:
    using TGIFItem::TGIFItem;
    void SaveToStream(TStream* Stream) override;
    // Warns "Invalid Image trailer" when the byte read is not ";".
    void LoadFromStream(TStream* Stream) override;
};

// ---------------------------------------------------------------------------
// Draw options (TGIFImage::DrawOptions).
using TGIFDrawOptions = Word;
constexpr TGIFDrawOptions PaintInThread = 0x0001;
constexpr TGIFDrawOptions DrawTransparent = 0x0002;
constexpr TGIFDrawOptions Animate = 0x0004;
constexpr TGIFDrawOptions RepeatAnimation = 0x0008;
constexpr TGIFDrawOptions LoopForever = 0x0010;
constexpr TGIFDrawOptions CheckCanvas = 0x0020;
constexpr TGIFDrawOptions DrawDirect = 0x0040;
constexpr TGIFDrawOptions ClearOnLoop = 0x0080;
constexpr TGIFDrawOptions Tile = 0x0100;
constexpr TGIFDrawOptions DitherFrames = 0x0200;
constexpr TGIFDrawOptions DitherOnPaletteScreens = 0x0400;
constexpr TGIFDrawOptions DefaultDrawOptions = 0x060F;

enum TGIFThreadPriority { gtpIdle, gtpLowest, gtpLower, gtpNormal, gtpHigher, gtpHighest, gtpTimeCritical };

// The picture: header and frames, read and written here (GIFImage.cpp,
// GIFDecoder.cpp, GIFEncoder.cpp) and drawn, converted and registered with
// TPicture in GIFPicture.cpp. Caches (frame bitmaps, masks, palettes, the
// composite bitmap) are rebuilt lazily after every change.

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;

    std::unique_ptr<TGraphic> NewInstance() const override;
    void Assign(TPersistent* Source) override;

    void LoadFromStream(TStream* Stream) override;
    // The whole file is built in memory first; the target sees one write.
    void SaveToStream(TStream* Stream) override;
    void Draw(TCanvas& ACanvas, const TRect& Rect) override;

    Integer Width() const override { return FHeader->Width(); }
    Integer Height() const override { return FHeader->Height(); }
    void SetWidth(Integer Value) override;
    void SetHeight(Integer Value) override;
    bool Empty() const override { return FImages.Count() == 0; }

    void Clear();
    TGIFHeader& Header() { return *FHeader; }
    TGIFImageList& Images() { return FImages; }
    TGIFColorMap& GlobalColorMap() { return FHeader->ColorMap(); }
    // Largest index bits of the global table and all frames' tables.
    int BitsPerPixel();
    TGIFVersion Version() const;

    TGIFCompression Compression() const { return FCompression; }
    void SetCompression(TGIFCompression Value) { FCompression = Value; }

    // Called by the items: reading and changes.
    void Warning(TObject* Sender, TGIFSeverity Severity, const AnsiString& Message);
    void ReportProgress(TObject* Sender, TProgressStage Stage, Byte PercentDone, const AnsiString& Message);
    // Drops the picture's and every frame's cached bitmaps and palettes.
    void PaletteModified();

    // A new frame assigned from a TGIFSubImage or any TGraphic; other
    // sources raise "Object type not supported for operation". Returns its index.
    int Add(TPersistent* Source);

    // The picture's palette (owned by the picture): the composite bitmap's,
    // else the global table's, else frame 0's; nullptr without colours.
    HPALETTE Palette() override;
    // A bitmap of the picture's size showing frame 0 at its place (owned by
    // the picture, rebuilt after changes); nullptr when empty.
    TBitmap* Bitmap();

    TGIFDrawOptions DrawOptions() const { return FDrawOptions; }
    // Drops the caches when the way frames are rendered changes.
    void SetDrawOptions(TGIFDrawOptions Value) {
        if (Value == FDrawOptions) return;
        FDrawOptions = Value;
        FreeCaches();
    }
    Byte ColorReduction() const { return FColorReduction; }
    void SetColorReduction(Byte Value) { FColorReduction = Value; }
    Integer ReductionBits() const { return FReductionBits; }
    void SetReductionBits(Integer Value) { FReductionBits = Value; }
    Byte DitherMode() const { return FDitherMode; }
    void SetDitherMode(Byte Value) { FDitherMode = Value; }
    TGIFThreadPriority ThreadPriority() const { return FThreadPriority; }
    void SetThreadPriority(TGIFThreadPriority Value) { FThreadPriority = Value; }
    Integer AnimationSpeed() const { return FAnimationSpeed; }
    void SetAnimationSpeed(Integer Value) { FAnimationSpeed = Value; }
    TColor DrawBackgroundColor() const { return FDrawBackgroundColor; }
    void SetDrawBackgroundColor(TColor Value) { FDrawBackgroundColor = Value; }

    // Frames are rendered dithered to the web cube: DitherFrames, and with
    // DitherOnPaletteScreens only on a screen of at most 8 bits per pixel.
    bool DitheringFrames() const;
    // Whether the screen is a palette screen; true-colour unless set.
    static bool PaletteScreen;

    TGIFWarning OnWarning;

protected:
    // To a TBitmap: a copy of the composite bitmap.
    void AssignTo(TPersistent* Dest) override;
    void Changed(TObject* Sender) override;

public:
    // Decoder limits against hostile descriptors: pixels of one frame and
    // of all frames together. GIFException beyond them.
    static Int64 MaxFramePixels;
    static Int64 MaxTotalPixels;
    Int64 DecodedPixels = 0;

private:
    void FreeCaches();
    void DrawTiled(TCanvas& ACanvas, const TRect& Rect, const TBitmap& Source);
    std::unique_ptr<TGIFHeader> FHeader;
    TGIFImageList FImages;
    TGIFCompression FCompression = gcLZW;
    std::unique_ptr<TBitmap> FBitmap;
    TPaletteOwner FGlobalPalette;
    TGIFDrawOptions FDrawOptions = DefaultDrawOptions;
    Byte FColorReduction = 6;  // the web cube
    Integer FReductionBits = 8;
    Byte FDitherMode = 0;
    TGIFThreadPriority FThreadPriority = gtpNormal;
    Integer FAnimationSpeed = 100;
    TColor FDrawBackgroundColor = clNone;
    bool FDrawing = false;
    bool FPaletteBusy = false;
};

// Registers TGIFImage with TPicture for the extension "gif" ("GIF Image").
// Called once at start-up after any other GIF class registered, so that this
// one wins; calling it again moves it back to the top.
void RegisterGIFImage();
void UnregisterGIFImage();

// ---------------------------------------------------------------------------
// The coders, exposed for tests and the bench.

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
    static int Next(int h);

private:
    static constexpr Cardinal Empty = 0xFFFFFFFFu;
    static constexpr int MaxProbes = Size;
    Cardinal FCells[Size];
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

#pragma once
// TGIFImage, the GIF picture: a graphic made of the logical screen (header
// with the global colour table) and a list of frames. It reads and writes
// whole files (GIFImage.cpp), and as a TGraphic it draws, converts to and
// from bitmaps and registers with TPicture for ".gif" (GIFPicture.cpp).
// Caches (frame bitmaps, masks, palettes, the composite bitmap) are rebuilt
// lazily after every change.

#include <memory>
#include <mutex>
#include <vector>

#include "media/GIFFrame.h"
#include "media/GIFHeader.h"
#include "media/GIFItem.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"

namespace GIFImage {

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

class TGIFPainter;

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

    // Painters (GIFPainter.h) drawing the picture now, and the one the last
    // Draw started (nullptr once it ended).
    int PainterCount() const;
    TGIFPainter* Painter() const;
    // Stops every painter and waits for the threaded ones to end, running
    // their calls to this thread meanwhile.
    void StopDraw();
    // Copied into every new painter; the painter is the sender.
    TNotifyEvent OnStartPaint;
    TNotifyEvent OnPaint;
    TNotifyEvent OnAfterPaint;
    TNotifyEvent OnLoop;
    TNotifyEvent OnEndPaint;

    // The clipboard: reading takes the "GIF Image" format, else an image
    // (raises "Unsupported clipboard format" when there is neither); writing
    // puts the composite bitmap as an image and the GIF file as "GIF Image".
    void LoadFromClipboard();
    void SaveToClipboard();
    // The "GIF Image" format's data is the GIF file.
    void LoadFromClipboardFormat(const AnsiString& Format, const std::vector<Byte>& Data) override;
    void SaveToClipboardFormat(AnsiString& Format, std::vector<Byte>& Data) override;

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
    friend class TGIFPainter;
    void AddPainter(TGIFPainter* Painter);
    void RemovePainter(TGIFPainter* Painter);
    // The end handler of a threaded painter (on the user-interface thread):
    // off the list, and what failed in its thread goes on to the caller.
    void PainterEnded(TGIFPainter* Painter);
    void DrawAnimated(TCanvas& ACanvas, const TRect& Rect);
    void FreeCaches();
    void DrawTiled(TCanvas& ACanvas, const TRect& Rect, const TBitmap& Source);
    std::unique_ptr<TGIFHeader> FHeader;
    TGIFImageList FImages;
    TGIFCompression FCompression = gcLZW;
    std::unique_ptr<TBitmap> FBitmap;
    // What a painter started by Draw paints on (without DrawDirect).
    std::unique_ptr<TBitmap> FAnimation;
    TPaletteOwner FGlobalPalette;
    TGIFDrawOptions FDrawOptions = DefaultDrawOptions;
    Byte FColorReduction = 6;  // the web cube
    Integer FReductionBits = 8;
    Byte FDitherMode = 0;
    Integer FAnimationSpeed = 100;
    TColor FDrawBackgroundColor = clNone;
    bool FDrawing = false;
    bool FPaletteBusy = false;
    mutable std::mutex FPainterLock;
    std::vector<TGIFPainter*> FPainters;
    TGIFPainter* FPainter = nullptr;
    // Unthreaded painters outlive the Draw that started them: they paint
    // from their timers until they end, and are freed after that.
    std::vector<std::unique_ptr<TGIFPainter>> FOwnPainters;
    void FreeEndedPainters();
};

// The name of the clipboard format that carries GIF files.
constexpr const char* GIFClipboardFormat = "GIF Image";

// Registers TGIFImage with TPicture for the extension "gif" ("GIF Image")
// and the clipboard format "GIF Image". Called once at start-up after any
// other GIF class registered, so that this one wins; calling it again moves
// it back to the top.
void RegisterGIFImage();
void UnregisterGIFImage();

}  // namespace GIFImage

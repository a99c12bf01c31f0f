#pragma once
// Vector pictures of the other desktop: Windows metafiles (.wmf, with or
// without the placeable header) and enhanced metafiles (.emf). The file is
// kept as read and translated once to SVG (libwmf for the first kind,
// libemf2svg for the second), which the toolkit's SVG renderer draws at any
// size.
//
// Placeable metafile header, little-endian (22 bytes, then the metafile):
//   OFFSET SIZE DESCRIPTION
//   0      4    key 9AC6CDD7
//   4      2    handle, 0
//   6      8    bounding box: left, top, right, bottom (i16, metafile units)
//   14     2    metafile units per inch
//   16     4    reserved, 0
//   20     2    checksum: XOR of the ten words before it
// Metafile header (18 bytes): type u16 (1 memory, 2 disk), header size u16
// in words (9), version u16, ...
//
// Enhanced metafile header, little-endian (the first record):
//   OFFSET SIZE DESCRIPTION
//   0      4    record type, 1
//   4      4    record size
//   8      16   bounds: left, top, right, bottom (i32, device pixels, inclusive)
//   24     16   frame (i32, hundredths of a millimetre)
//   40     4    signature " EMF" (20 45 4D 46)

#include <memory>

#include "platform/gfx/Graphic.h"

class TMetafile : public TGraphic {
public:
    TMetafile();
    ~TMetafile() override;
    TMetafile(const TMetafile&) = delete;
    TMetafile& operator=(const TMetafile&) = delete;

    std::unique_ptr<TGraphic> NewInstance() const override;
    void Assign(TPersistent* Source) override;

    // Reads either kind from the stream's position to its end. Raises
    // EInvalidGraphic naming what is wrong for data that is neither kind,
    // that the translator refuses, or whose size is out of reason; the
    // picture is then unchanged.
    void LoadFromStream(TStream* Stream) override;
    // The same, with the file's name before the reason.
    void LoadFromFile(const AnsiString& FileName) override;
    // The file as it was read. An empty metafile raises
    // EInvalidGraphicOperation.
    void SaveToStream(TStream* Stream) override;
    // Stretched to the rectangle over what lies beneath; only the part of
    // the rectangle inside the canvas's clip is rendered.
    void Draw(TCanvas& ACanvas, const TRect& Rect) override;
    // At the screen's 96 pixels per inch.
    Integer Width() const override;
    Integer Height() const override;
    // A metafile is drawn at whatever size it is asked; its own size stays.
    void SetWidth(Integer Value) override;
    void SetHeight(Integer Value) override;
    bool Empty() const override;
    bool Transparent() const override { return true; }

    // True for an enhanced metafile.
    bool Enhanced() const;

    // The sides a metafile may claim; more is refused when read.
    static constexpr Integer MaxSide = 4096;

    // The file and its translation, shared by assigned copies.
    struct TData;

private:
    std::shared_ptr<const TData> FData;
};

#pragma once
// PNG pictures, read through the toolkit's decoder: icon files keep their
// large images (256 x 256 and up) PNG-compressed.
//
// PNG file start, big-endian:
//   OFFSET SIZE DESCRIPTION
//   0      8    signature 89 50 4E 47 0D 0A 1A 0A
//   8      4    length of the first chunk (13)
//   12     4    "IHDR"
//   16     4    width
//   20     4    height
//   24     5    bit depth, colour type, compression, filter, interlace
//   29     4    CRC; further chunks follow

#include <cstddef>
#include <vector>

#include "platform/rtl/System.h"

// The data starts with the PNG signature.
bool IsPng(const Byte* Data, std::size_t Size);

struct TPngPixels {
    Integer Width = 0;
    Integer Height = 0;
    std::vector<Byte> Bgra;  // blue, green, red, alpha per pixel; rows top-down
};

// Width and height from the header chunk, without decoding anything;
// false when the data does not start with a PNG header.
bool PngSize(const Byte* Data, std::size_t Size, Integer& Width, Integer& Height);

// A side beyond MaxSide, a chunk reaching past the data or claiming more
// than a few megabytes (the image data aside), and data without the closing
// chunk are refused before anything is decoded; damaged data raises
// EInvalidGraphic with the decoder's reason. Text and colour-profile chunks
// are not read.
TPngPixels DecodePng(const Byte* Data, std::size_t Size, Integer MaxSide);

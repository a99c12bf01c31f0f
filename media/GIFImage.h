#pragma once
// The GIF codec: the object model of a GIF file, its reader and its writer,
// and the picture that draws it. Include this for all of it; each part has
// its own header:
//   GIFItem.h        exception, warnings, the item base and owning lists
//   GIFColorMap.h    global and local colour tables
//   GIFHeader.h      the logical screen
//   GIFExtensions.h  extension blocks and their registries
//   GIFFrame.h       frames (image descriptor, pixels) and the trailer
//   GIFCoders.h      LZW decoding, LZW and run-length encoding
//   GIFPicture.h     TGIFImage, the picture
//   GIFPainter.h     TGIFPainter, the animation of a picture
// Colour reduction (palettes, lookups, dithering) is GIFColors.h.
//
// File layout (little-endian):
//   OFFSET SIZE DESCRIPTION
//   0      6    "GIF87a" / "GIF89a" (some form resources put a 32-bit length first)
//   6      7    logical screen (GIFHeader.h)
//   13     3n   global colour table, R,G,B per entry
//   then blocks:
//     0x21 label ...        extension (GIFExtensions.h)
//     0x2C + 9 bytes        image descriptor, local table and the coded pixels
//                           (GIFFrame.h, GIFCoders.h)
//     0x3B                  trailer

#include "media/GIFCoders.h"
#include "media/GIFColorMap.h"
#include "media/GIFExtensions.h"
#include "media/GIFFrame.h"
#include "media/GIFHeader.h"
#include "media/GIFItem.h"
#include "media/GIFPainter.h"
#include "media/GIFPicture.h"

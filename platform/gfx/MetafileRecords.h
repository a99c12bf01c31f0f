#pragma once
// The record walk a metafile passes before a translator sees it. The
// translators trust every size, count and offset in the file, and decode an
// embedded bitmap whole whatever it claims; so each record must lie inside
// the file, each count inside its record, and each bitmap within the pixel
// budget of every other picture reader (MaxDecodedPixels).
//
// Windows metafile, little-endian, after the optional 22-byte placeable
// header; sizes are in 16-bit words:
//   OFFSET SIZE DESCRIPTION
//   0      2    type: 1 memory, 2 disk
//   2      2    header size in words, 9
//   4      2    version
//   6      4    metafile size in words
//   10     2    object count
//   12     4    largest record in words
//   16     2    0
//   18     ...  records: size u32 (words, with these 6 bytes), function u16,
//               parameters; the end record (size 3, function 0) is last
// A bitmap in a record is a device-independent bitmap: its header (12 bytes
// for the old kind: size, width u16, height u16, planes u16, bits u16; 40
// and more for the newer: size, width i32, height i32, planes u16, bits u16,
// compression u32, image size u32, resolutions, colours used u32, colours
// important u32), the colour masks (12 bytes, 40-byte header with bit fields
// only), the colour table, the pixel rows (each padded to 4 bytes) or their
// run-length code (compression 1 for 8 bits, 2 for 4 bits).
//
// Enhanced metafile, little-endian; every record is type u32, size u32
// (bytes, a multiple of 4), fields. The header record (type 1):
//   OFFSET SIZE DESCRIPTION
//   0      8    type 1, record size (88 and more)
//   8      32   bounds and frame
//   40     4    signature " EMF"
//   44     4    version
//   48     4    bytes in the file
//   52     4    records in the file
//   56     4    handles u16, reserved u16
//   60     4    description length in UTF-16 characters
//   64     4    description offset from the record's start
//   68     4    palette entries
//   72     16   device size in pixels and in millimetres
//   88     12   pixel format size and offset, OpenGL flag (record of 100+)
// The end record (type 14) is last. A comment record (type 70: data size
// u32, data) whose data starts with "EMF+" holds records of the second kind:
// type u16, flags u16, size u32 (a multiple of 4, 12 and more), data size
// u32, data.

#include <cstddef>

#include "platform/rtl/System.h"

// Raise EInvalidGraphic naming the record, its offset, the value and the
// limit for the first thing out of bounds.
void CheckWindowsMetafileRecords(const Byte* Data, std::size_t Size);
// Returns the bytes the header claims, the file proper; what follows them
// is not the metafile's.
std::size_t CheckEnhancedMetafileRecords(const Byte* Data, std::size_t Size);

#pragma once
// Small metafiles written byte by byte, so that the tests depend on no
// drawing program.

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/rtl/System.h"

namespace MetafileSamples {

// Little-endian fields: value and size in bytes (past 8 bytes, zeros).
inline AnsiString Le(std::initializer_list<std::pair<Int64, int>> Fields) {
    AnsiString out;
    for (const auto& [value, size] : Fields)
        for (int i = 0; i < size; ++i) out += char(i < 8 ? (value >> (8 * i)) & 0xFF : 0);
    return out;
}

// A placeable Windows metafile of Width x Height pixels (96 units per inch):
// a red ellipse with a black outline, which the translator fits to the
// picture.
inline AnsiString WindowsMetafile(Int64 Width = 100, Int64 Height = 50) {
    AnsiString placeable = Le({{0x9AC6CDD7, 4}, {0, 2}, {0, 2}, {0, 2}, {Width, 2}, {Height, 2}, {96, 2}, {0, 4}});
    Cardinal sum = 0;
    for (int i = 0; i < 20; i += 2) sum ^= Byte(placeable[i]) | (Byte(placeable[i + 1]) << 8);
    placeable += Le({{sum, 2}});
    const AnsiString records = Le({{5, 4}, {0x020B, 2}, {0, 2}, {0, 2}}) +                // window origin
                               Le({{5, 4}, {0x020C, 2}, {Height, 2}, {Width, 2}}) +       // window extent
                               Le({{7, 4}, {0x02FC, 2}, {0, 2}, {0xFF, 4}, {0, 2}}) +     // red brush
                               Le({{4, 4}, {0x012D, 2}, {0, 2}}) +                        // select it
                               Le({{7, 4}, {0x0418, 2}, {40, 2}, {90, 2}, {10, 2}, {10, 2}}) +  // ellipse
                               Le({{3, 4}, {0, 2}});
    return placeable +
           Le({{1, 2}, {9, 2}, {0x300, 2}, {(18 + Int64(records.size())) / 2, 4}, {1, 2}, {7, 4}, {0, 2}}) + records;
}

// An enhanced metafile framed at 100 x 50 pixels: a green rectangle from
// (10, 10) to (90, 40), nothing around it.
inline AnsiString EnhancedMetafile() {
    const AnsiString records = Le({{39, 4}, {24, 4}, {1, 4}, {0, 4}, {0x00FF00, 4}, {0, 4}}) +  // brush
                               Le({{37, 4}, {12, 4}, {1, 4}}) +                                 // select it
                               Le({{43, 4}, {24, 4}, {10, 4}, {10, 4}, {90, 4}, {40, 4}}) +     // rectangle
                               Le({{14, 4}, {20, 4}, {0, 4}, {16, 4}, {20, 4}});
    const Int64 size = 88 + Int64(records.size());
    return Le({{1, 4}, {88, 4}, {0, 4}, {0, 4}, {99, 4}, {49, 4}, {0, 4}, {0, 4}, {2646, 4}, {1323, 4},
               {0x464D4520, 4}, {0x10000, 4}, {size, 4}, {5, 4}, {2, 2}, {0, 2}, {0, 4}, {0, 4}, {0, 4},
               {1024, 4}, {768, 4}, {271, 4}, {203, 4}}) +
           records;
}

// A device-independent bitmap: the 40-byte header (planes 1, no
// resolution, `Used` colours), a colour table of `Used` entries, then Rows:
// the pixel rows, or their run-length code for compression 1 (8 bits) and
// 2 (4 bits).
inline AnsiString Dib(Int64 Width, Int64 Height, Int64 Bits, Int64 Compression, const AnsiString& Rows,
                      Int64 Used = 0) {
    AnsiString table;
    for (Int64 i = 0; i < Used; ++i) table += Le({{i * 0x203040, 4}});
    return Le({{40, 4}, {Width, 4}, {Height, 4}, {1, 2}, {Bits, 2}, {Compression, 4}, {Int64(Rows.size()), 4},
               {0, 4}, {0, 4}, {Used, 4}, {0, 4}}) +
           table + Rows;
}

// Run-length code of the end-of-bitmap code alone: every pixel background.
inline AnsiString EndOfBitmap() { return Le({{0, 1}, {1, 1}}); }

inline AnsiString WmfRecord(Int64 Function, const AnsiString& Params) {
    return Le({{3 + Int64(Params.size() + 1) / 2, 4}, {Function, 2}}) + Params + AnsiString(Params.size() % 2, '\0');
}

// A Windows metafile without the placeable header: its header (disk, 9
// words, version 3.0, size, 4 objects, the largest record), the records and,
// unless left out, the end record.
inline AnsiString Wmf(const std::vector<AnsiString>& Records, bool End = true) {
    AnsiString body;
    Int64 largest = 3;
    for (const auto& r : Records) {
        body += r;
        largest = std::max<Int64>(largest, Int64(Byte(r[0]) | (Byte(r[1]) << 8) | (Byte(r[2]) << 16)));
    }
    if (End) body += WmfRecord(0, "");
    return Le({{2, 2}, {9, 2}, {0x300, 2}, {(18 + Int64(body.size())) / 2, 4}, {4, 2}, {largest, 4}, {0, 2}}) + body;
}

// StretchDIB copying the whole bitmap to (0, 0, 100, 100).
inline AnsiString WmfStretchDib(const AnsiString& Bitmap) {
    return WmfRecord(0x0F43, Le({{0x00CC0020, 4}, {0, 2}, {1, 2}, {1, 2}, {0, 2}, {0, 2}, {100, 2}, {100, 2}, {0, 2},
                                 {0, 2}}) +
                                 Bitmap);
}

inline AnsiString EmfRecord(Int64 Type, const AnsiString& Fields) {
    const AnsiString padded = Fields + AnsiString((4 - Fields.size() % 4) % 4, '\0');
    return Le({{Type, 4}, {8 + Int64(padded.size()), 4}}) + padded;
}

// An enhanced metafile of 100 x 100 pixels: the 88-byte header, the records
// and the end record. The header claims `Count` records when it is given,
// else as many as there are.
inline AnsiString Emf(const std::vector<AnsiString>& Records, Int64 Count = 0) {
    AnsiString body;
    for (const auto& r : Records) body += r;
    body += EmfRecord(14, Le({{0, 4}, {16, 4}, {20, 4}}));
    return Le({{1, 4}, {88, 4}, {0, 4}, {0, 4}, {99, 4}, {99, 4}, {0, 4}, {0, 4}, {2646, 4}, {2646, 4},
               {0x464D4520, 4}, {0x10000, 4}, {88 + Int64(body.size()), 4},
               {Count ? Count : Int64(Records.size()) + 2, 4},
               {1, 2}, {0, 2}, {0, 4}, {0, 4}, {0, 4}, {1024, 4}, {768, 4}, {271, 4}, {203, 4}}) +
           body;
}

// StretchDIBits of the whole bitmap to (0, 0, 100, 100): bounds, destination,
// source, the bitmap's header and pixels (offsets and sizes), colour usage,
// operation, destination size; the bitmap.
inline AnsiString EmfStretchDiBits(const AnsiString& Bitmap, Int64 HeaderSize) {
    const Int64 at = 80;
    return EmfRecord(81, Le({{0, 4}, {0, 4}, {99, 4}, {99, 4}, {0, 4}, {0, 4}, {0, 4}, {0, 4}, {1, 4}, {1, 4},
                             {at, 4}, {HeaderSize, 4}, {at + HeaderSize, 4}, {Int64(Bitmap.size()) - HeaderSize, 4},
                             {0, 4}, {0x00CC0020, 4}, {100, 4}, {100, 4}}) +
                             Bitmap);
}

}  // namespace MetafileSamples

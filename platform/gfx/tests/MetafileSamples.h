#pragma once
// Small metafiles written byte by byte, so that the tests depend on no
// drawing program.

#include <initializer_list>
#include <utility>

#include "platform/rtl/System.h"

namespace MetafileSamples {

// Little-endian fields: value and size in bytes.
inline AnsiString Le(std::initializer_list<std::pair<Int64, int>> Fields) {
    AnsiString out;
    for (const auto& [value, size] : Fields)
        for (int i = 0; i < size; ++i) out += char((value >> (8 * i)) & 0xFF);
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

}  // namespace MetafileSamples

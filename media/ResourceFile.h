#pragma once
// A resource module over a 32-bit resource file (.res), so that resources
// can be loaded, edited and saved on a system that cannot write them into
// program files.
//
// File layout, little-endian; every entry starts on a 4-byte boundary:
//   OFFSET SIZE DESCRIPTION
//   0      4    data size d
//   4      4    header size h (from the entry's start to its data)
//   8      ...  type, then name: 0xFFFF and a u16 number, or a
//               zero-terminated UTF-16 string; then padding to 4 bytes
//   h-16   4    data version
//   h-12   2    memory flags
//   h-10   2    language
//   h-8    4    version
//   h-4    4    characteristics
//   h      d    the data, then padding to 4 bytes
// The first entry is empty (data size 0, header size 32, type and name
// number 0): it marks the file as 32-bit.

#include "media/ResourceModule.h"

class TResFileModule : public TMemoryResourceModule {
public:
    // Replaces the resources with the file's. Damaged files raise
    // EResourceError naming the entry and leave the module as it was.
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const AnsiString& FileName);
    void SaveToStream(TStream* Stream);
    // Through a temporary file: a failed save leaves the old file intact.
    void SaveToFile(const AnsiString& FileName);
};

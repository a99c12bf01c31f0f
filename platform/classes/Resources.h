#pragma once
// Named resources compiled into the program: the pictures and cursors that
// program code loads by name ("HOUSL_KLIC", "CR_PENCIL").
//
// A folder's library takes the files of its res/ folder (cmake/Vemlor.cmake,
// vemlor_resources): each becomes bytes of a generated source that registers
// it here before main, under its file name without the extension, in upper
// case, and a type by its extension:
//   .bmp   "BITMAP"   a BMP file (TBitmap::LoadFromResourceName)
//   .cur   "CURSOR"   a cursor file (LoadCursor in platform/ui)
// Names are looked up ignoring case, as resource names always were.

#include <cstddef>

#include "platform/rtl/System.h"

struct TNamedResource {
    AnsiString Name;  // "HOUSL_KLIC"
    AnsiString Type;  // "BITMAP", "CURSOR"
    const unsigned char* Data = nullptr;
    std::size_t Size = 0;
};

// Registered by the generated sources; a later registration of a name and
// type replaces the earlier one.
class TResourceRegistrar {
public:
    TResourceRegistrar(const char* Name, const char* Type, const unsigned char* Data, std::size_t Size);
};

// nullptr when no resource of that name and type is compiled in.
const TNamedResource* FindNamedResource(const AnsiString& Name, const AnsiString& Type);

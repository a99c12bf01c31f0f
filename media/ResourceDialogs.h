#pragma once
// Dialog resources (type 5): a standard dialog template read into fields
// and controls, and written back.
//
//   OFFSET SIZE DESCRIPTION
//   0      4    style (bit 0x40: a font follows the caption)
//   4      4    extended style
//   8      2    item count
//   10     8    x, y, width, height (16 bits each)
//   18     ...  menu, class, caption: each 0x0000 for none, 0xFFFF and a
//               16-bit number, or a zero-terminated UTF-16 string
//   ...         with style 0x40: point size u16 and the font name (UTF-16, zero-terminated)
//   then per item, aligned to 4 bytes from the template's start:
//          4    style           4  extended style
//          8    x, y, width, height     2  id
//          ...  class, caption (as above)
//          2    size n of creation data, then n bytes
// An extended template starts with the version 1 and the signature 0xFFFF.

#include <vector>

#include "media/ResourceModule.h"

class TDialogResourceControl {
public:
    Cardinal Style = 0;
    Cardinal ExStyle = 0;
    SmallInt X = 0, Y = 0, Width = 0, Height = 0;
    Word Id = 0;
    TResourceId ClassId = TResourceId::Of(AnsiString());
    TResourceId Caption = TResourceId::Of(AnsiString());
    std::vector<Byte> ExtraData;
    friend bool operator==(const TDialogResourceControl&, const TDialogResourceControl&) = default;
};

// The fields of a template; an empty text stands for "none".
struct TDialogTemplate {
    Cardinal Style = 0;
    Cardinal ExStyle = 0;
    SmallInt X = 0, Y = 0, Width = 0, Height = 0;
    TResourceId Menu = TResourceId::Of(AnsiString());
    TResourceId ClassId = TResourceId::Of(AnsiString());
    TResourceId Caption = TResourceId::Of(AnsiString());
    Word PointSize = 0;
    AnsiString FontName;
    std::vector<TDialogResourceControl> Controls;
    friend bool operator==(const TDialogTemplate&, const TDialogTemplate&) = default;
};

class TDialogResource : public TWriteableResource {
public:
    using TWriteableResource::TWriteableResource;
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }
    AnsiString TypeName() const override { return "Dialog"; }
    // Style 0x50C800C4 at (0, 0), 150 x 100, "MS Sans Serif" 8, no caption.
    void InitNew() override;

    // The template read from the data. "ExDlgTemplate not supported yet"
    // for an extended one; damaged data raises EResourceError.
    TDialogTemplate Template() const;
    // Writes the template back ("change dialog").
    void SetTemplate(const TDialogTemplate& Value);

    static std::vector<Byte> WriteTemplate(const TDialogTemplate& Value);
};

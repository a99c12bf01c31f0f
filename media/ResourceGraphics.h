#pragma once
// Picture resources: single icon and cursor images (types 3 and 1, the
// image form of unitEXGraphics.h), their groups (types 14 and 12) and
// bitmaps (type 2, a bitmap file without its 14-byte file header).
//
// Group data:
//   OFFSET SIZE DESCRIPTION
//   0      2    reserved, 0
//   2      2    kind: 1 icons, 2 cursors
//   4      2    image count n
//   6      14n  entries - icons: width, height, colour count, reserved (bytes);
//               cursors: width, twice the height (u16); then planes u16,
//               bits per pixel u16, image data size u32, image resource number u16

#include <vector>

#include "media/ResourceModule.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"
#include "platform/gfx/Icon.h"

class TGraphicsResource : public TWriteableResource {
public:
    using TWriteableResource::TWriteableResource;
    // The resource as a picture (an icon, a cursor or a bitmap).
    virtual void GetImage(TPicture* Picture) = 0;
    // Replaces the data with the picture's; Description names the undo
    // step (the class's own when empty).
    virtual void SetImage(TPicture* Picture, const AnsiString& Description = AnsiString()) = 0;
};

class TIconCursorResource : public TGraphicsResource {
public:
    TIconCursorResource(TResourceModule* AModule, const TResourceId& AType, const std::vector<Byte>& AData,
                        const TResourceId& AName, Integer ADefaultSize, TPixelFormat ADefaultFormat);
    virtual bool IsIcon() const = 0;
    int Capabilities() const override { return CanExport; }

    // From the data when there is some, else the values a new image gets.
    Integer Width() const;
    Integer Height() const;
    TPixelFormat PixelFormat() const;
    // Only before there is an image ("Can't change icon/cursor width", ...).
    void SetWidth(Integer Value);
    void SetHeight(Integer Value);
    void SetPixelFormat(TPixelFormat Value);
    // A cursor's hot spot (0, 0 for icons).
    TPoint HotSpot() const;

    // A black image, every pixel see-through, of the stored size and format.
    void InitNew() override;
    void GetImage(TPicture* Picture) override;
    // The picture must hold an icon or cursor image.
    void SetImage(TPicture* Picture, const AnsiString& Description = AnsiString()) override;
    // Numbers only; the groups that refer to the old number follow.
    void Rename(const AnsiString& NewName) override;

protected:
    // A one-image icon or cursor file.
    void DoExport(TStream* Stream) override;
    int HeaderOffset() const { return IsIcon() ? 0 : 4; }

private:
    const Byte* Header() const;
    Integer FWidth;
    Integer FHeight;
    TPixelFormat FPixelFormat;
};

class TIconResource : public TIconCursorResource {
public:
    TIconResource(TResourceModule* AModule, const TResourceId& AType, const std::vector<Byte>& AData,
                  const TResourceId& AName);
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }
    AnsiString TypeName() const override { return "Icon"; }
    bool IsIcon() const override { return true; }
};

class TCursorResource : public TIconCursorResource {
public:
    TCursorResource(TResourceModule* AModule, const TResourceId& AType, const std::vector<Byte>& AData,
                    const TResourceId& AName);
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }
    AnsiString TypeName() const override { return "Cursor"; }
    bool IsIcon() const override { return false; }
};

class TBitmapResource : public TGraphicsResource {
public:
    using TGraphicsResource::TGraphicsResource;
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }
    AnsiString TypeName() const override { return "Bitmap"; }
    int Capabilities() const override { return CanExport; }
    AnsiString FileFilter() const override { return "Bitmap Files (*.bmp)|*.bmp|JPEG Files (*.jpg)|*.jpg"; }
    // 16 x 16, 8 bits per pixel, white, with the 256-colour table.
    void InitNew() override;
    void GetImage(TPicture* Picture) override;
    void SetImage(TPicture* Picture, const AnsiString& Description = AnsiString()) override;

protected:
    // The bitmap file: the file header put back in front.
    void DoExport(TStream* Stream) override;
    // A bitmap file ("BM" checked) or a JPEG picture.
    void DoImport(const AnsiString& FileName, const std::vector<Byte>& Bytes) override;
};

struct TGroupEntry {
    Word Width = 0;
    Word Height = 0;  // of the image (cursor groups store twice this)
    Byte Colors = 0;
    Byte Reserved = 0;
    Word Planes = 0;
    Word BitCount = 0;
    Cardinal Size = 0;
    Word Id = 0;
    friend bool operator==(const TGroupEntry&, const TGroupEntry&) = default;
};

class TGroupResource : public TWriteableResource {
public:
    using TWriteableResource::TWriteableResource;
    virtual bool IsIconGroup() const = 0;
    // The class of the group's images.
    const TResourceClass& ImageClass() const;
    int Capabilities() const override { return CanExport; }

    // Damaged data raises EResourceError.
    std::vector<TGroupEntry> Entries() const;
    void SetEntries(const std::vector<TGroupEntry>& Entries, const AnsiString& Description);
    // Entries that name image Old name New afterwards.
    void ReplaceImageNumber(Word Old, Word New);
    // One image of the default size and format.
    void InitNew() override;

protected:
    // An icon or cursor file of the group's images.
    void DoExport(TStream* Stream) override;
    // An icon or cursor file: one new image resource per image.
    void DoImport(const AnsiString& FileName, const std::vector<Byte>& Bytes) override;
};

class TIconGroupResource : public TGroupResource {
public:
    using TGroupResource::TGroupResource;
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }
    AnsiString TypeName() const override { return "Icons"; }
    AnsiString FileFilter() const override { return "Icon Files (*.ico)|*.ico"; }
    bool IsIconGroup() const override { return true; }
};

class TCursorGroupResource : public TGroupResource {
public:
    using TGroupResource::TGroupResource;
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }
    AnsiString TypeName() const override { return "Cursors"; }
    AnsiString FileFilter() const override { return "Cursor Files (*.cur)|*.cur"; }
    bool IsIconGroup() const override { return false; }
};

// The icon group resource of that name, as an icon file, into Icon. Raises
// EResourceError when the module has no such group.
void LoadIconGroupResource(TResourceModule* Module, const AnsiString& ResourceName, TIcon* Icon);

// The pixel format of a bit count a resource may have (1, 4, 8, 15, 16, 24,
// 32); "Invalid pixel format in TIconResource" otherwise.
TPixelFormat ResourcePixelFormat(int BitsPerPixel);

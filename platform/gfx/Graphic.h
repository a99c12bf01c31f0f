#pragma once
// The abstract picture (TGraphic) and the picture holder (TPicture) that picks
// a graphic class by file extension.

#include <functional>
#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/GraphTypes.h"
#include "platform/rtl/Streams.h"

class TCanvas;

// The most pixels a picture read from outside may decode to, all its images
// together: a few bytes of header can otherwise claim gigabytes.
constexpr Int64 MaxDecodedPixels = Int64(1) << 24;

enum TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent = std::function<void(TObject* Sender, TProgressStage Stage, Byte PercentDone, bool RedrawNow,
                                          const TRect& R, const AnsiString& Msg)>;

class TGraphic : public TPersistent {
public:
    TGraphic() = default;
    ~TGraphic() override = default;

    // A new, empty graphic of the same class (the picture holder copies a
    // graphic by creating one of these and assigning to it).
    virtual std::unique_ptr<TGraphic> NewInstance() const = 0;

    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveToStream(TStream* Stream) = 0;
    virtual void LoadFromFile(const AnsiString& FileName);
    virtual void SaveToFile(const AnsiString& FileName);

    // Draws the picture into the rectangle, stretched to it.
    virtual void Draw(TCanvas& ACanvas, const TRect& Rect) = 0;

    virtual Integer Width() const = 0;
    virtual Integer Height() const = 0;
    virtual void SetWidth(Integer Value) = 0;
    virtual void SetHeight(Integer Value) = 0;
    virtual bool Empty() const = 0;

    // The palette belongs to the graphic; callers copy it to keep it.
    virtual HPALETTE Palette() { return nullptr; }
    virtual void SetPalette(HPALETTE) {}

    virtual bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);

    bool Modified() const { return FModified; }
    void SetModified(bool Value);

    // The graphic as the data of a clipboard format named by the program,
    // and back. Classes that support none raise EInvalidGraphic
    // "Unsupported clipboard format".
    virtual void LoadFromClipboardFormat(const AnsiString& Format, const std::vector<Byte>& Data);
    virtual void SaveToClipboardFormat(AnsiString& Format, std::vector<Byte>& Data);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

protected:
    // Marks the graphic modified and fires OnChange.
    virtual void Changed(TObject* Sender);
    void Progress(TObject* Sender, TProgressStage Stage, Byte PercentDone, bool RedrawNow, const TRect& R,
                  const AnsiString& Msg);

private:
    bool FTransparent = false;
    bool FModified = false;
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

class TBitmap;

class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    TGraphic* Graphic() const { return FGraphic.get(); }
    // Holds a copy of the graphic (nullptr clears the picture).
    void SetGraphic(TGraphic* Value);
    // The held graphic when it is a bitmap; otherwise the picture is replaced
    // by a new empty bitmap, which is returned.
    TBitmap* Bitmap();

    Integer Width() const;
    Integer Height() const;

    // Picks the class by the file's extension, case-insensitively; raises
    // EInvalidGraphic "Unknown picture file extension (.xyz)" when none fits.
    void LoadFromFile(const AnsiString& FileName);
    void SaveToFile(const AnsiString& FileName);

    void Assign(TPersistent* Source) override;
    // Form files keep the graphic as binary "Data" (see Graphic.cpp).
    void DefineProperties(TFiler* Filer) override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Extension without the dot. A later registration of an extension wins.
    static void RegisterFileFormat(const AnsiString& Extension, const AnsiString& Description,
                                   const AnsiString& ClassName, TGraphicFactory Factory);
    // Removes every extension and clipboard format registered for the class.
    static void UnregisterGraphicClass(const AnsiString& ClassName);
    // The class name registered for an extension, or "" when none.
    static AnsiString GraphicClassForExtension(const AnsiString& Extension);

    // Binds a clipboard format name to a graphic class; a later
    // registration of the name wins.
    static void RegisterClipboardFormat(const AnsiString& Format, const AnsiString& ClassName,
                                        TGraphicFactory Factory);
    static bool SupportsClipboardFormat(const AnsiString& Format);
    // A new graphic of the class bound to the format reads the data; raises
    // EInvalidGraphic "Unsupported clipboard format" for an unbound name.
    void LoadFromClipboardFormat(const AnsiString& Format, const std::vector<Byte>& Data);

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

private:
    void Changed(TObject* Sender);
    void Attach(std::unique_ptr<TGraphic> graphic);
    void ReadData(TStream& Stream);
    void WriteData(TStream& Stream);
    std::unique_ptr<TGraphic> FGraphic;
};

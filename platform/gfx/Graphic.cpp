#include "platform/gfx/Graphic.h"

#include <algorithm>
#include <typeinfo>

#include "platform/classes/Filer.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Jpeg.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

TRect IntersectRect(const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
    if (r.Right <= r.Left || r.Bottom <= r.Top) return TRect{};
    return r;
}

// ---------------------------------------------------------------------------
// TGraphic

void TGraphic::LoadFromFile(const AnsiString& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const AnsiString& FileName) {
    // Build the whole file in memory first so that a failing encoder leaves
    // no half-written file behind.
    TMemoryStream memory;
    SaveToStream(&memory);
    WriteFileAtomic(FileName, AnsiString(static_cast<const char*>(memory.Memory()), std::size_t(memory.Size())));
}

void TGraphic::SetTransparent(bool Value) {
    if (Value == FTransparent) return;
    FTransparent = Value;
    Changed(this);
}

void TGraphic::SetModified(bool Value) {
    if (Value) Changed(this);
    else FModified = false;
}

void TGraphic::LoadFromClipboardFormat(const AnsiString&, const std::vector<Byte>&) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SaveToClipboardFormat(AnsiString&, std::vector<Byte>&) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::Changed(TObject*) {
    FModified = true;
    FireEvent(OnChange, this);
}

void TGraphic::Progress(TObject* Sender, TProgressStage Stage, Byte PercentDone, bool RedrawNow, const TRect& R,
                        const AnsiString& Msg) {
    FireEvent(OnProgress, Sender, Stage, PercentDone, RedrawNow, R, Msg);
}

// ---------------------------------------------------------------------------
// Registry of graphic classes by extension, built on first use.

namespace {

struct FormatEntry {
    AnsiString Extension;  // lower case, no dot
    AnsiString Description;
    AnsiString ClassName;
    TGraphicFactory Factory;
};

std::vector<FormatEntry>& Formats() {
    static std::vector<FormatEntry> formats = [] {
        std::vector<FormatEntry> f;
        f.push_back({"bmp", "Bitmaps", "TBitmap", [] { return std::unique_ptr<TGraphic>(new TBitmap); }});
        f.push_back({"jpg", "JPEG Image File", "TJPEGImage", [] { return std::unique_ptr<TGraphic>(new TJPEGImage); }});
        f.push_back({"jpeg", "JPEG Image File", "TJPEGImage", [] { return std::unique_ptr<TGraphic>(new TJPEGImage); }});
        return f;
    }();
    return formats;
}

// A class registered under a qualified name ("VmGIF::TGIFImage") answers
// to that name and to its own class name, which form files written
// elsewhere hold.
bool NamesClass(const AnsiString& Registered, const AnsiString& Name) {
    const std::size_t colons = Registered.rfind("::");
    return SameText(Registered, Name) ||
           (colons != AnsiString::npos && SameText(Registered.substr(colons + 2), Name));
}

AnsiString NormalExtension(AnsiString ext) {
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    return AnsiLowerCase(ext);
}

// Clipboard format names bound to graphic classes (names compare exactly).
std::vector<FormatEntry>& ClipboardFormats() {
    static std::vector<FormatEntry> formats;
    return formats;
}

const FormatEntry* FindClipboardFormat(const AnsiString& format) {
    auto& formats = ClipboardFormats();
    for (auto it = formats.rbegin(); it != formats.rend(); ++it)
        if (it->Extension == format) return &*it;
    return nullptr;
}

const FormatEntry* FindFormat(const AnsiString& extension) {
    const AnsiString ext = NormalExtension(extension);
    auto& formats = Formats();
    for (auto it = formats.rbegin(); it != formats.rend(); ++it)
        if (it->Extension == ext) return &*it;
    return nullptr;
}

}  // namespace

void TPicture::RegisterFileFormat(const AnsiString& Extension, const AnsiString& Description,
                                  const AnsiString& ClassName, TGraphicFactory Factory) {
    Formats().push_back({NormalExtension(Extension), Description, ClassName, std::move(Factory)});
}

void TPicture::UnregisterGraphicClass(const AnsiString& ClassName) {
    for (auto* formats : {&Formats(), &ClipboardFormats()})
        formats->erase(std::remove_if(formats->begin(), formats->end(),
                                      [&](const FormatEntry& e) { return e.ClassName == ClassName; }),
                       formats->end());
}

AnsiString TPicture::GraphicClassForExtension(const AnsiString& Extension) {
    const FormatEntry* e = FindFormat(Extension);
    return e ? e->ClassName : AnsiString();
}

void TPicture::RegisterClipboardFormat(const AnsiString& Format, const AnsiString& ClassName,
                                       TGraphicFactory Factory) {
    ClipboardFormats().push_back({Format, AnsiString(), ClassName, std::move(Factory)});
}

bool TPicture::SupportsClipboardFormat(const AnsiString& Format) { return FindClipboardFormat(Format) != nullptr; }

// ---------------------------------------------------------------------------
// TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed(TObject*) { FireEvent(OnChange, this); }

void TPicture::Attach(std::unique_ptr<TGraphic> graphic) {
    FGraphic = std::move(graphic);
    if (FGraphic) {
        FGraphic->OnChange = [this](TObject* sender) { Changed(sender); };
        FGraphic->OnProgress = [this](TObject* sender, TProgressStage stage, Byte percent, bool redraw,
                                      const TRect& r, const AnsiString& msg) {
            FireEvent(OnProgress, sender, stage, percent, redraw, r, msg);
        };
    }
}

void TPicture::SetGraphic(TGraphic* Value) {
    if (Value == FGraphic.get()) return;
    std::unique_ptr<TGraphic> copy;
    if (Value) {
        copy = Value->NewInstance();
        copy->Assign(Value);
    }
    Attach(std::move(copy));
    Changed(this);
}

TBitmap* TPicture::Bitmap() {
    if (auto* b = dynamic_cast<TBitmap*>(FGraphic.get())) return b;
    Attach(std::make_unique<TBitmap>());
    Changed(this);
    return static_cast<TBitmap*>(FGraphic.get());
}

Integer TPicture::Width() const { return FGraphic ? FGraphic->Width() : 0; }
Integer TPicture::Height() const { return FGraphic ? FGraphic->Height() : 0; }

void TPicture::LoadFromFile(const AnsiString& FileName) {
    const AnsiString ext = ExtractFileExt(FileName);
    const FormatEntry* format = FindFormat(ext);
    if (format == nullptr) throw EInvalidGraphic("Unknown picture file extension (" + ext + ")");
    std::unique_ptr<TGraphic> graphic = format->Factory();
    graphic->OnProgress = OnProgress;
    graphic->LoadFromFile(FileName);
    Attach(std::move(graphic));
    Changed(this);
}

void TPicture::LoadFromClipboardFormat(const AnsiString& Format, const std::vector<Byte>& Data) {
    const FormatEntry* format = FindClipboardFormat(Format);
    if (format == nullptr) throw EInvalidGraphic("Unsupported clipboard format");
    std::unique_ptr<TGraphic> graphic = format->Factory();
    graphic->LoadFromClipboardFormat(Format, Data);
    Attach(std::move(graphic));
    Changed(this);
}

void TPicture::SaveToFile(const AnsiString& FileName) {
    if (FGraphic) FGraphic->SaveToFile(FileName);
}

// Picture data in a form file ("Picture.Data = {...}"):
//   OFFSET  SIZE  DESCRIPTION
//   0       1     n, the length of the graphic's class name (0: no picture)
//   1       n     the class name as registered with RegisterFileFormat
//                 ("TBitmap", "TJPEGImage", "VmGIF::TGIFImage"); a bare
//                 class name ("TGIFImage") reads with the latest class
//                 registered under it
//   1+n     ...   the graphic in its own stream format (its LoadFromStream)
void TPicture::DefineProperties(TFiler* Filer) {
    Filer->DefineBinaryProperty(
        "Data", [this](TStream& Stream) { ReadData(Stream); }, [this](TStream& Stream) { WriteData(Stream); },
        FGraphic && !FGraphic->Empty());
}

void TPicture::ReadData(TStream& Stream) {
    Byte length = 0;
    if (Stream.Read(&length, 1) != 1) throw EReadError("Picture data is empty");
    if (length == 0) {
        SetGraphic(nullptr);
        return;
    }
    AnsiString className(length, '\0');
    if (Stream.Read(className.data(), length) != length)
        throw EReadError("Picture data ends inside its class name (" + std::to_string(length) + " bytes announced)");
    const FormatEntry* format = nullptr;
    for (auto it = Formats().rbegin(); it != Formats().rend() && !format; ++it)
        if (NamesClass(it->ClassName, className)) format = &*it;
    if (!format) throw EReadError("Picture data of an unknown graphic class " + className);
    std::unique_ptr<TGraphic> graphic = format->Factory();
    graphic->LoadFromStream(&Stream);
    Attach(std::move(graphic));
    Changed(this);
}

void TPicture::WriteData(TStream& Stream) {
    AnsiString className = FGraphic ? FGraphic->ClassName() : AnsiString();
    // Two codecs may share a class name; the registered name tells which
    // one wrote the data.
    if (FGraphic)
        for (auto it = Formats().rbegin(); it != Formats().rend(); ++it)
            if (NamesClass(it->ClassName, className)) {
                const std::unique_ptr<TGraphic> made = it->Factory();
                const TGraphic& sample = *made;
                const TGraphic& graphic = *FGraphic;
                if (typeid(sample) != typeid(graphic)) continue;
                className = it->ClassName;
                break;
            }
    if (className.size() > 255) throw EWriteError("Graphic class name " + className + " is too long for picture data");
    auto length = static_cast<Byte>(className.size());
    Stream.WriteBuffer(&length, 1);
    Stream.WriteBuffer(className.data(), length);
    if (FGraphic) FGraphic->SaveToStream(&Stream);
}

VEMLOR_PUBLISHED(TGraphic, TPersistent) {}
VEMLOR_PUBLISHED(TPicture, TPersistent) {}
VEMLOR_REGISTER_CLASS(TPicture);

void TPicture::Assign(TPersistent* Source) {
    if (Source == nullptr) {
        SetGraphic(nullptr);
    } else if (auto* p = dynamic_cast<TPicture*>(Source)) {
        SetGraphic(p->Graphic());
    } else if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(g);
    } else {
        TPersistent::Assign(Source);
    }
}

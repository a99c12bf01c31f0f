// The extension blocks of a GIF file (graphic control, plain text, comment,
// application) and the registries that map a label or an application
// identifier to the class that reads it.

#include "media/GIFExtensions.h"

#include <algorithm>
#include <cstring>

#include "media/GIFFrame.h"
#include "media/GIFStreamIO.h"

namespace GIFImage {

using namespace io;

namespace {

// Data sub-blocks as strings: one string per sub-block.
void ReadStrings(TStream* Stream, std::vector<AnsiString>& Strings) {
    Strings.clear();
    int size;
    while (ReadByte(Stream, size) && size != 0) {
        AnsiString block(static_cast<std::size_t>(size), 0);
        ReadExact(Stream, block.data(), size);
        Strings.push_back(std::move(block));
    }
}

void WriteStrings(TStream* Stream, const std::vector<AnsiString>& Strings) {
    for (const AnsiString& str : Strings) {
        std::size_t pos = 0;
        while (pos < str.size()) {
            const std::size_t n = std::min<std::size_t>(255, str.size() - pos);
            WriteByte(Stream, Byte(n));
            Stream->WriteBuffer(str.data() + pos, LongInt(n));
            pos += n;
        }
    }
    WriteByte(Stream, 0);
}

}  // namespace

// ---------------------------------------------------------------------------
// Extensions

namespace {

struct AppEntry {
    TGIFApplicationRec Ident;
    const TGIFExtensionClass* Class;
};

const TGIFExtensionClass* PickSelfText(TStream*) { return &TGIFTextExtension::StaticClass(); }
const TGIFExtensionClass* PickSelfGCE(TStream*) { return &TGIFGraphicControlExtension::StaticClass(); }
const TGIFExtensionClass* PickSelfComment(TStream*) { return &TGIFCommentExtension::StaticClass(); }
const TGIFExtensionClass* PickSelfUnknown(TStream*) { return &TGIFUnknownAppExtension::StaticClass(); }
const TGIFExtensionClass* PickSelfLoop(TStream*) { return &TGIFAppExtNSLoop::StaticClass(); }

// The application class looks at the identifier block to find its reader.
const TGIFExtensionClass* PickApplication(TStream* Stream) {
    const TGIFExtensionClass* self = &TGIFApplicationExtension::StaticClass();
    int size;
    if (!ReadByte(Stream, size)) return self;
    if (size == 10) return BytesLeft(Stream) >= 10 ? &TGIFUnknownAppExtension::StaticClass() : self;
    TGIFApplicationRec ident{};
    if (size < 11 || BytesLeft(Stream) < 11) return self;
    ReadExact(Stream, ident.data(), 11);
    // Identifier blocks longer than 11 bytes have no reader of their own:
    // they are kept verbatim as unknown application data.
    if (size > 11) return &TGIFUnknownAppExtension::StaticClass();
    const TGIFExtensionClass* found = FindAppExtension(ident);
    return found ? found : &TGIFUnknownAppExtension::StaticClass();
}

template <class T>
std::unique_ptr<TGIFExtension> Make(TGIFSubImage* Frame) {
    return std::make_unique<T>(Frame);
}

std::vector<const TGIFExtensionClass*>& ExtensionRegistry() {
    static std::vector<const TGIFExtensionClass*> list{
        &TGIFTextExtension::StaticClass(), &TGIFGraphicControlExtension::StaticClass(),
        &TGIFCommentExtension::StaticClass(), &TGIFApplicationExtension::StaticClass()};
    return list;
}

TGIFApplicationRec MakeIdent(const AnsiString& Name) {
    TGIFApplicationRec r{};
    std::memcpy(r.data(), Name.data(), std::min<std::size_t>(11, Name.size()));
    return r;
}

std::vector<AppEntry>& AppRegistry() {
    static std::vector<AppEntry> list{{MakeIdent("NETSCAPE2.0"), &TGIFAppExtNSLoop::StaticClass()},
                                      {MakeIdent("ANIMEXTS1.0"), &TGIFAppExtNSLoop::StaticClass()}};
    return list;
}

}  // namespace

void RegisterExtension(const TGIFExtensionClass& Class) { ExtensionRegistry().push_back(&Class); }
void RegisterAppExtension(const AnsiString& Identifier, const TGIFExtensionClass& Class) {
    AppRegistry().push_back({MakeIdent(Identifier), &Class});
}
const TGIFExtensionClass* FindExtension(Byte Label) {
    auto& list = ExtensionRegistry();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if ((*it)->Label == Label) return *it;
    return nullptr;
}
const TGIFExtensionClass* FindAppExtension(const TGIFApplicationRec& Identifier) {
    auto& list = AppRegistry();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (it->Ident == Identifier) return it->Class;
    return nullptr;
}

TGIFExtension::TGIFExtension(TGIFSubImage* ASubImage)
    : TGIFItem(ASubImage ? ASubImage->Image() : nullptr), FSubImage(ASubImage) {}
TGIFExtension::~TGIFExtension() = default;

void TGIFExtension::LoadFromStream(TStream* Stream) {
    Byte intro[2];
    ReadExact(Stream, intro, 2);
    if (intro[0] != 0x21) throw GIFException("Invalid extension introducer");
    if (intro[1] != ExtensionLabel())
        throw GIFException("Internal error: Extension Instance does not match Extension Label");
    LoadData(Stream);
}

void TGIFExtension::SaveToStream(TStream* Stream) {
    WriteByte(Stream, 0x21);
    WriteByte(Stream, ExtensionLabel());
    SaveData(Stream);
}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* ASubImage) : TGIFExtension(ASubImage) {
    if (FSubImage && FSubImage->GraphicControlExtension() == nullptr) FSubImage->SetGraphicControlExtension(this);
}
TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
    if (FSubImage && FSubImage->GraphicControlExtension() == this) FSubImage->SetGraphicControlExtension(nullptr);
}
const TGIFExtensionClass& TGIFGraphicControlExtension::StaticClass() {
    static const TGIFExtensionClass c{"TGIFGraphicControlExtension", 0xF9, PickSelfGCE,
                                      Make<TGIFGraphicControlExtension>};
    return c;
}
void TGIFGraphicControlExtension::Assign(TPersistent* Source) {
    if (auto* g = dynamic_cast<TGIFGraphicControlExtension*>(Source)) {
        FBlock = g->FBlock;
        return;
    }
    TGIFExtension::Assign(Source);
}
void TGIFGraphicControlExtension::SetTransparent(bool Value) {
    FBlock.PackedFields = Byte(Value ? FBlock.PackedFields | 1 : FBlock.PackedFields & ~1);
}
void TGIFGraphicControlExtension::SetUserInput(bool Value) {
    FBlock.PackedFields = Byte(Value ? FBlock.PackedFields | 2 : FBlock.PackedFields & ~2);
}
void TGIFGraphicControlExtension::SetDisposal(int Value) {
    FBlock.PackedFields = Byte((FBlock.PackedFields & ~0x1C) | ((Value & 7) << 2));
}
void TGIFGraphicControlExtension::LoadData(TStream* Stream) {
    Byte raw[6] = {4, 0, 0, 0, 0, 0};
    const LongInt n = Stream->Read(raw, 6);
    if (n < 6) ReportWarning(gsWarning, "Premature end of data");
    FBlock.BlockSize = raw[0];
    FBlock.PackedFields = raw[1];
    FBlock.DelayTime = GetWord(raw + 2);
    FBlock.TransparentColorIndex = raw[4];
    FBlock.Terminator = raw[5];
    if (FBlock.PackedFields & 1 && FSubImage) FSubImage->SetTransparent(true);
}
void TGIFGraphicControlExtension::SaveData(TStream* Stream) {
    WriteByte(Stream, FBlock.BlockSize);
    WriteByte(Stream, FBlock.PackedFields);
    WriteWord(Stream, FBlock.DelayTime);
    WriteByte(Stream, FBlock.TransparentColorIndex);
    WriteByte(Stream, FBlock.Terminator);
}

const TGIFExtensionClass& TGIFTextExtension::StaticClass() {
    static const TGIFExtensionClass c{"TGIFTextExtension", 0x01, PickSelfText, Make<TGIFTextExtension>};
    return c;
}
void TGIFTextExtension::Assign(TPersistent* Source) {
    if (auto* t = dynamic_cast<TGIFTextExtension*>(Source)) {
        FBlock = t->FBlock;
        FText = t->FText;
        return;
    }
    TGIFExtension::Assign(Source);
}
void TGIFTextExtension::LoadData(TStream* Stream) {
    Byte raw[13];
    ReadExact(Stream, raw, 13);
    FBlock.BlockSize = raw[0];
    FBlock.Left = GetWord(raw + 1);
    FBlock.Top = GetWord(raw + 3);
    FBlock.Width = GetWord(raw + 5);
    FBlock.Height = GetWord(raw + 7);
    FBlock.CellWidth = raw[9];
    FBlock.CellHeight = raw[10];
    FBlock.TextFGColorIndex = raw[11];
    FBlock.TextBGColorIndex = raw[12];
    ReadStrings(Stream, FText);
}
void TGIFTextExtension::SaveData(TStream* Stream) {
    WriteByte(Stream, FBlock.BlockSize);
    WriteWord(Stream, FBlock.Left);
    WriteWord(Stream, FBlock.Top);
    WriteWord(Stream, FBlock.Width);
    WriteWord(Stream, FBlock.Height);
    WriteByte(Stream, FBlock.CellWidth);
    WriteByte(Stream, FBlock.CellHeight);
    WriteByte(Stream, FBlock.TextFGColorIndex);
    WriteByte(Stream, FBlock.TextBGColorIndex);
    WriteStrings(Stream, FText);
}

const TGIFExtensionClass& TGIFCommentExtension::StaticClass() {
    static const TGIFExtensionClass c{"TGIFCommentExtension", 0xFE, PickSelfComment, Make<TGIFCommentExtension>};
    return c;
}
void TGIFCommentExtension::Assign(TPersistent* Source) {
    if (auto* t = dynamic_cast<TGIFCommentExtension*>(Source)) {
        FComment = t->FComment;
        return;
    }
    TGIFExtension::Assign(Source);
}
void TGIFCommentExtension::LoadData(TStream* Stream) { ReadStrings(Stream, FComment); }
void TGIFCommentExtension::SaveData(TStream* Stream) { WriteStrings(Stream, FComment); }

const TGIFExtensionClass& TGIFApplicationExtension::StaticClass() {
    static const TGIFExtensionClass c{"TGIFApplicationExtension", 0xFF, PickApplication,
                                      Make<TGIFApplicationExtension>};
    return c;
}
void TGIFApplicationExtension::Assign(TPersistent* Source) {
    if (auto* a = dynamic_cast<TGIFApplicationExtension*>(Source)) {
        FIdent = a->FIdent;
        FIdentBlockSize = a->FIdentBlockSize;
        FIdentExtra = a->FIdentExtra;
        return;
    }
    TGIFExtension::Assign(Source);
}
void TGIFApplicationExtension::SetIdentifier(const AnsiString& Ident) {
    FIdent = MakeIdent(Ident);
    FIdentBlockSize = 11;
    FIdentExtra.clear();
}
void TGIFApplicationExtension::LoadData(TStream* Stream) {
    int size;
    if (!ReadByte(Stream, size)) throw GIFException("Premature end of data");
    FIdentExtra.clear();
    FIdentBlockSize = size;
    if (size == 10) {
        // A 10-byte identifier: the field's last byte is the byte after it.
        ReadExact(Stream, FIdent.data(), 11);
        PutBack(Stream);
    } else if (size < 11) {
        throw GIFException("Unsupported Application Extension block size");
    } else {
        ReadExact(Stream, FIdent.data(), 11);
        FIdentExtra.resize(std::size_t(size - 11));
        ReadExact(Stream, FIdentExtra.data(), size - 11);
    }
    ReadSubBlocks(Stream);
}
void TGIFApplicationExtension::SaveData(TStream* Stream) {
    if (FIdentBlockSize == 10) {
        WriteByte(Stream, 10);
        Stream->WriteBuffer(FIdent.data(), 10);
    } else {
        WriteByte(Stream, Byte(11 + FIdentExtra.size()));
        Stream->WriteBuffer(FIdent.data(), 11);
        if (!FIdentExtra.empty()) Stream->WriteBuffer(FIdentExtra.data(), LongInt(FIdentExtra.size()));
    }
    WriteSubBlocks(Stream);
}
void TGIFApplicationExtension::WriteSubBlocks(TStream* Stream) { WriteByte(Stream, 0); }
void TGIFApplicationExtension::ReadSubBlocks(TStream* Stream) {
    int size;
    while (ReadByte(Stream, size) && size != 0) Skip(Stream, size);
}

const TGIFExtensionClass& TGIFUnknownAppExtension::StaticClass() {
    static const TGIFExtensionClass c{"TGIFUnknownAppExtension", 0xFF, PickSelfUnknown,
                                      Make<TGIFUnknownAppExtension>};
    return c;
}
void TGIFUnknownAppExtension::Assign(TPersistent* Source) {
    if (auto* a = dynamic_cast<TGIFUnknownAppExtension*>(Source)) FBlocks = a->FBlocks;
    TGIFApplicationExtension::Assign(Source);
}
void TGIFUnknownAppExtension::ReadSubBlocks(TStream* Stream) {
    FBlocks.clear();
    int size;
    while (ReadByte(Stream, size) && size != 0) {
        std::vector<Byte> block(static_cast<std::size_t>(size));
        ReadExact(Stream, block.data(), size);
        FBlocks.push_back(std::move(block));
    }
}
void TGIFUnknownAppExtension::WriteSubBlocks(TStream* Stream) {
    for (const auto& b : FBlocks) {
        if (b.empty()) continue;
        const std::size_t n = std::min<std::size_t>(b.size(), 255);
        WriteByte(Stream, Byte(n));
        Stream->WriteBuffer(b.data(), LongInt(n));
    }
    WriteByte(Stream, 0);
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* ASubImage) : TGIFApplicationExtension(ASubImage) {
    FIdent = MakeIdent("NETSCAPE2.0");
}
const TGIFExtensionClass& TGIFAppExtNSLoop::StaticClass() {
    static const TGIFExtensionClass c{"TGIFAppExtNSLoop", 0xFF, PickSelfLoop, Make<TGIFAppExtNSLoop>};
    return c;
}
void TGIFAppExtNSLoop::Assign(TPersistent* Source) {
    if (auto* a = dynamic_cast<TGIFAppExtNSLoop*>(Source)) {
        FLoops = a->FLoops;
        FBufferSize = a->FBufferSize;
    }
    TGIFApplicationExtension::Assign(Source);
}
void TGIFAppExtNSLoop::ReadSubBlocks(TStream* Stream) {
    // The end of the stream ends the sub-blocks like a 0 size does.
    int size, id;
    while (ReadByte(Stream, size) && size != 0) {
        if (!ReadByte(Stream, id)) break;
        if ((id & 7) == 1) {
            if (size < 3) throw GIFException("Invalid GIF data");
            Byte raw[2];
            ReadExact(Stream, raw, 2);
            FLoops = GetWord(raw);
            Skip(Stream, size - 3);
        } else if ((id & 7) == 2) {
            if (size < 5) throw GIFException("Invalid GIF data");
            Byte raw[4];
            ReadExact(Stream, raw, 4);
            FBufferSize = Cardinal(raw[0]) | (Cardinal(raw[1]) << 8) | (Cardinal(raw[2]) << 16) | (Cardinal(raw[3]) << 24);
            Skip(Stream, size - 5);
        } else {
            Skip(Stream, size - 1);
        }
    }
}
void TGIFAppExtNSLoop::WriteSubBlocks(TStream* Stream) {
    WriteByte(Stream, 3);
    WriteByte(Stream, 1);
    WriteWord(Stream, FLoops);
    if (FBufferSize != 0) {
        WriteByte(Stream, 5);
        WriteByte(Stream, 2);
        WriteWord(Stream, Word(FBufferSize));
        WriteWord(Stream, Word(FBufferSize >> 16));
    }
    WriteByte(Stream, 0);
}

}  // namespace GIFImage

#pragma once
// The extension blocks of a GIF file and the registries that pick the class
// reading each one. Every extension starts with "!" (0x21) and its label and
// belongs to the frame it precedes in the file.
//
//   label  block after the label
//   0xF9   graphic control: size 4, flags (bit 0 transparent, bit 1 user
//          input, bits 2-4 disposal), delay u16 in 1/100 s, transparent
//          index, terminator 0
//   0x01   plain text: size 12, grid left, top, width, height u16, cell
//          width, cell height, foreground and background index; then the
//          text as data sub-blocks
//   0xFE   comment: data sub-blocks
//   0xFF   application: size 11, 8-byte name and 3-byte authentication code,
//          then the application's data sub-blocks ("NETSCAPE2.0" and
//          "ANIMEXTS1.0": sub-block 1 holds the loop count u16, sub-block 2
//          the buffer size u32)
// Data sub-blocks are a size byte (1-255) and that many bytes; size 0 ends them.

#include <array>
#include <memory>
#include <vector>

#include "media/GIFItem.h"

namespace GIFImage {

#pragma pack(push, 1)
struct TGraphicControlBlock {
    Byte BlockSize = 4;
    Byte PackedFields = 0;
    Word DelayTime = 0;
    Byte TransparentColorIndex = 0;
    Byte Terminator = 0;
};
struct TPlainTextBlock {
    Byte BlockSize = 12;
    Word Left = 0;
    Word Top = 0;
    Word Width = 0;
    Word Height = 0;
    Byte CellWidth = 0;
    Byte CellHeight = 0;
    Byte TextFGColorIndex = 0;
    Byte TextBGColorIndex = 0;
};
#pragma pack(pop)
static_assert(sizeof(TGraphicControlBlock) == 6 && sizeof(TPlainTextBlock) == 13);

struct TGIFExtensionClass {
    const char* Name;
    Byte Label;
    // Called with the stream just after the label; returns the class that
    // should read the extension (itself when it should read it).
    const TGIFExtensionClass* (*PickSubclass)(TStream* Stream);
    std::unique_ptr<TGIFExtension> (*Create)(TGIFSubImage* SubImage);
};

class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage* ASubImage);
    ~TGIFExtension() override;

    virtual const TGIFExtensionClass& ExtensionClass() const = 0;
    Byte ExtensionLabel() const { return ExtensionClass().Label; }
    TGIFVersion FormatVersion() const override { return gv89a; }
    TGIFSubImage* SubImage() const { return FSubImage; }

    // Reads "!" and the label and checks them; the subclass reads the rest.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;

protected:
    virtual void LoadData(TStream* Stream) = 0;
    virtual void SaveData(TStream* Stream) = 0;
    TGIFSubImage* FSubImage;
};

class TGIFGraphicControlExtension : public TGIFExtension {
public:
    // The first one made for a frame becomes the frame's graphic control.
    explicit TGIFGraphicControlExtension(TGIFSubImage* ASubImage);
    ~TGIFGraphicControlExtension() override;
    static const TGIFExtensionClass& StaticClass();
    const TGIFExtensionClass& ExtensionClass() const override { return StaticClass(); }
    void Assign(TPersistent* Source) override;

    const TGraphicControlBlock& Block() const { return FBlock; }
    bool Transparent() const { return FBlock.PackedFields & 1; }
    void SetTransparent(bool Value);
    Byte TransparentColorIndex() const { return FBlock.TransparentColorIndex; }
    void SetTransparentColorIndex(Byte Value) { FBlock.TransparentColorIndex = Value; }
    bool UserInput() const { return FBlock.PackedFields & 2; }
    void SetUserInput(bool Value);
    int Disposal() const { return (FBlock.PackedFields >> 2) & 7; }
    void SetDisposal(int Value);
    Word Delay() const { return FBlock.DelayTime; }
    void SetDelay(Word Value) { FBlock.DelayTime = Value; }

protected:
    void LoadData(TStream* Stream) override;
    void SaveData(TStream* Stream) override;

private:
    TGraphicControlBlock FBlock;
};

class TGIFTextExtension : public TGIFExtension {
public:
    using TGIFExtension::TGIFExtension;
    static const TGIFExtensionClass& StaticClass();
    const TGIFExtensionClass& ExtensionClass() const override { return StaticClass(); }
    void Assign(TPersistent* Source) override;
    TPlainTextBlock& Block() { return FBlock; }
    std::vector<AnsiString>& Text() { return FText; }

protected:
    void LoadData(TStream* Stream) override;
    void SaveData(TStream* Stream) override;

private:
    TPlainTextBlock FBlock;
    std::vector<AnsiString> FText;
};

class TGIFCommentExtension : public TGIFExtension {
public:
    using TGIFExtension::TGIFExtension;
    static const TGIFExtensionClass& StaticClass();
    const TGIFExtensionClass& ExtensionClass() const override { return StaticClass(); }
    void Assign(TPersistent* Source) override;
    std::vector<AnsiString>& Comment() { return FComment; }

protected:
    void LoadData(TStream* Stream) override;
    void SaveData(TStream* Stream) override;

private:
    std::vector<AnsiString> FComment;
};

using TGIFApplicationRec = std::array<Byte, 11>;  // 8 bytes name, 3 bytes authentication code

class TGIFApplicationExtension : public TGIFExtension {
public:
    using TGIFExtension::TGIFExtension;
    static const TGIFExtensionClass& StaticClass();
    const TGIFExtensionClass& ExtensionClass() const override { return StaticClass(); }
    void Assign(TPersistent* Source) override;
    const TGIFApplicationRec& Identifier() const { return FIdent; }
    void SetIdentifier(const AnsiString& Ident);  // padded with zeros to 11 bytes

    virtual void WriteSubBlocks(TStream* Stream);
    // The base class skips the sub-blocks of an application it does not know.
    virtual void ReadSubBlocks(TStream* Stream);

protected:
    void LoadData(TStream* Stream) override;
    void SaveData(TStream* Stream) override;
    TGIFApplicationRec FIdent{};
    // Identifier blocks of other sizes than 11 are written back as read, so
    // that a file read again picks the same reader.
    int FIdentBlockSize = 11;
    std::vector<Byte> FIdentExtra;
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    using TGIFApplicationExtension::TGIFApplicationExtension;
    static const TGIFExtensionClass& StaticClass();
    const TGIFExtensionClass& ExtensionClass() const override { return StaticClass(); }
    void Assign(TPersistent* Source) override;
    // Each a data sub-block of 1 to 255 bytes, kept verbatim.
    std::vector<std::vector<Byte>>& Blocks() { return FBlocks; }
    void WriteSubBlocks(TStream* Stream) override;
    void ReadSubBlocks(TStream* Stream) override;

private:
    std::vector<std::vector<Byte>> FBlocks;
};

class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    explicit TGIFAppExtNSLoop(TGIFSubImage* ASubImage);
    static const TGIFExtensionClass& StaticClass();
    const TGIFExtensionClass& ExtensionClass() const override { return StaticClass(); }
    void Assign(TPersistent* Source) override;
    Word Loops() const { return FLoops; }  // 0: forever
    void SetLoops(Word Value) { FLoops = Value; }
    Cardinal BufferSize() const { return FBufferSize; }
    void SetBufferSize(Cardinal Value) { FBufferSize = Value; }
    void WriteSubBlocks(TStream* Stream) override;
    void ReadSubBlocks(TStream* Stream) override;

private:
    Word FLoops = 0;
    Cardinal FBufferSize = 0;
};

// Registries; a later registration of the same key wins.
void RegisterExtension(const TGIFExtensionClass& Class);
void RegisterAppExtension(const AnsiString& Identifier, const TGIFExtensionClass& Class);
const TGIFExtensionClass* FindExtension(Byte Label);
const TGIFExtensionClass* FindAppExtension(const TGIFApplicationRec& Identifier);

}  // namespace GIFImage

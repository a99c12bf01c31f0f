#include "media/ResourceFile.h"

#include "platform/rtl/ByteFields.h"
#include "platform/rtl/FileUtils.h"

using byte_fields::U16;
using byte_fields::U32;
using byte_fields::Put16;
using byte_fields::Put32;

namespace {

void Align(std::vector<Byte>& Out) {
    while (Out.size() % 4) Out.push_back(0);
}
AnsiString Num(Int64 Value) { return std::to_string(Value); }

void PutId(std::vector<Byte>& Out, const TResourceId& Id) {
    if (Id.IsNumber) {
        Put16(Out, 0xFFFF);
        Put16(Out, Id.Number);
        return;
    }
    for (char16_t c : AnsiToWideText(Id.Text)) Put16(Out, c);
    Put16(Out, 0);
}

// A type or name inside [pos, end) of the header.
TResourceId ReadId(const std::vector<Byte>& Data, std::size_t& Pos, std::size_t End, const AnsiString& Where) {
    const auto need = [&](std::size_t n) {
        if (Pos + n > End) throw EResourceError(Where + ": a type or name runs past the end of the entry header");
    };
    need(2);
    if (U16(Data.data() + Pos) == 0xFFFF) {
        need(4);
        const Word number = Word(U16(Data.data() + Pos + 2));
        Pos += 4;
        return TResourceId::Of(number);
    }
    std::u16string text;
    for (;;) {
        need(2);
        const char16_t c = char16_t(U16(Data.data() + Pos));
        Pos += 2;
        if (c == 0) break;
        text += c;
    }
    return TResourceId::Of(WideToAnsiText(text));
}

}  // namespace

void TResFileModule::LoadFromStream(TStream* Stream) {
    const std::vector<Byte> data = byte_fields::RestOfStream(Stream);
    std::vector<std::unique_ptr<TResource>> loaded;
    std::size_t pos = 0;
    for (int index = 0; pos < data.size(); ++index) {
        const AnsiString where = "Resource file: entry " + Num(index) + " at byte " + Num(Int64(pos));
        if (data.size() - pos < 8) throw EResourceError(where + ": the entry's sizes are cut off");
        const Int64 dataSize = U32(data.data() + pos), headerSize = U32(data.data() + pos + 4);
        // The smallest header holds two empty texts: 8 + 4 + 16 bytes.
        if (headerSize < 28 || headerSize % 4 != 0)
            throw EResourceError(where + ": header size " + Num(headerSize) + " is not a multiple of 4 from 28 on");
        if (Int64(pos) + headerSize + dataSize > Int64(data.size()))
            throw EResourceError(where + ": " + Num(headerSize) + " header and " + Num(dataSize) +
                                 " data bytes run past the end of the " + Num(Int64(data.size())) + "-byte file");
        const std::size_t fixed = pos + std::size_t(headerSize) - 16;
        std::size_t at = pos + 8;
        const TResourceId type = ReadId(data, at, fixed, where);
        const TResourceId name = ReadId(data, at, fixed, where);
        const Word flags = Word(U16(data.data() + fixed + 4));
        const Word language = Word(U16(data.data() + fixed + 6));
        const auto begin = data.begin() + std::ptrdiff_t(pos + headerSize);
        const std::vector<Byte> bytes(begin, begin + std::ptrdiff_t(dataSize));
        pos = std::size_t((Int64(pos) + headerSize + dataSize + 3) / 4 * 4);
        if (dataSize == 0 && type.IsNumber && type.Number == 0) continue;  // the 32-bit marker
        std::unique_ptr<TResource> resource;
        if (const TResourceClass* c = type.IsNumber ? ResourceClassForType(type.Number) : nullptr) {
            // A resource its class refuses (a string table with a text
            // name, say) is still kept, as plain data.
            try {
                resource = c->Create(this, type, bytes, name);
            } catch (const EResourceError&) {
            }
        }
        if (!resource) resource = std::make_unique<TResource>(this, type, bytes, name);
        resource->SetLanguage(language);
        resource->MemoryFlags = flags;
        loaded.push_back(std::move(resource));
    }
    FResources = std::move(loaded);
    SetDirty(false);
}

void TResFileModule::LoadFromFile(const AnsiString& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TResFileModule::SaveToStream(TStream* Stream) {
    std::vector<Byte> out;
    Put32(out, 0);
    Put32(out, 32);
    PutId(out, TResourceId::Of(Word(0)));
    PutId(out, TResourceId::Of(Word(0)));
    out.resize(32, 0);
    for (const auto& r : FResources) {
        std::vector<Byte> header;
        PutId(header, r->Type());
        PutId(header, r->Name());
        Align(header);
        Put32(header, 0);
        Put16(header, r->MemoryFlags);
        Put16(header, r->Language());
        Put32(header, 0);
        Put32(header, 0);
        Put32(out, Cardinal(r->Data().size()));
        Put32(out, Cardinal(8 + header.size()));
        out.insert(out.end(), header.begin(), header.end());
        out.insert(out.end(), r->Data().begin(), r->Data().end());
        Align(out);
    }
    Stream->WriteBuffer(out.data(), LongInt(out.size()));
}

void TResFileModule::SaveToFile(const AnsiString& FileName) {
    TMemoryStream memory;
    SaveToStream(&memory);
    WriteFileAtomic(FileName, AnsiString(static_cast<const char*>(memory.Memory()), std::size_t(memory.Size())));
    SetDirty(false);
}

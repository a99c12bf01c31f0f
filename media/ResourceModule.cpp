#include "media/ResourceModule.h"

#include <algorithm>
#include <cstdio>

#include "media/ResourceDialogs.h"
#include "media/ResourceGraphics.h"
#include "media/ResourceMenus.h"
#include "media/ResourceMessages.h"
#include "media/ResourceRiff.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

AnsiString WideToAnsiText(const std::u16string& Text) {
    std::string utf8;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        char32_t c = Text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 && Text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (Text[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = '?';
        if (c < 0x80) {
            utf8 += char(c);
        } else if (c < 0x800) {
            utf8 += char(0xC0 | (c >> 6));
            utf8 += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += char(0xE0 | (c >> 12));
            utf8 += char(0x80 | ((c >> 6) & 0x3F));
            utf8 += char(0x80 | (c & 0x3F));
        } else {
            utf8 += char(0xF0 | (c >> 18));
            utf8 += char(0x80 | ((c >> 12) & 0x3F));
            utf8 += char(0x80 | ((c >> 6) & 0x3F));
            utf8 += char(0x80 | (c & 0x3F));
        }
    }
    return Utf8ToAnsi(utf8);
}

std::u16string AnsiToWideText(const AnsiString& Text) {
    std::u16string wide;
    wide.reserve(Text.size());
    for (char c : Text) wide += char16_t(AnsiCharToUnicode(c));
    return wide;
}

// ---------------------------------------------------------------------------
// Class registry: the classes a user can create, built on first use.

const std::vector<const TResourceClass*>& ResourceClasses() {
    static const std::vector<const TResourceClass*> classes = {
        &TStringsResource::StaticClass(),     &TMessagesResource::StaticClass(),
        &TWAVEResource::StaticClass(),        &TRMIDResource::StaticClass(),
        &TDialogResource::StaticClass(),      &TCursorGroupResource::StaticClass(),
        &TIconGroupResource::StaticClass(),   &TBitmapResource::StaticClass(),
        &TMenuResource::StaticClass()};
    return classes;
}

const TResourceClass* ResourceClassForType(Word TypeId) {
    for (const TResourceClass* c : ResourceClasses())
        if (c->TypeId == TypeId) return c;
    // Single images and plain multimedia data are made by their groups and
    // imports, not offered for creation, but are read all the same.
    for (const TResourceClass* c : {&TIconResource::StaticClass(), &TCursorResource::StaticClass(),
                                    &TRiffResource::StaticClass()})
        if (c->TypeId == TypeId) return c;
    return nullptr;
}

bool ResourceUpdateFunctionsPresent() { return false; }

// ---------------------------------------------------------------------------
// TResource

TResource::TResource(TResourceModule* AModule, const TResourceId& AType, const std::vector<Byte>& AData,
                     const TResourceId& AName)
    : FModule(AModule), FType(AType), FName(AName), FData(AData) {}

TResource::~TResource() = default;

const TResourceClass& TResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TResource>("TResource", 0, false, true);
    return c;
}

AnsiString TResource::TypeName() const {
    char text[48];
    std::snprintf(text, sizeof text, "Unknown resource type - %8.8x", unsigned(TypeId()));
    return text;
}

AnsiString TResource::DisplayName() const {
    if (!FName.IsNumber) return FName.Text;
    char text[16];
    std::snprintf(text, sizeof text, "%.3d", int(FName.Number));
    return text;
}

Word TResource::TypeId() const { return FType.IsNumber ? FType.Number : 0; }

TResourceId TResource::NameFromText(const AnsiString& Text) const {
    const bool digits = !Text.empty() && Text.size() <= 5 &&
                        std::all_of(Text.begin(), Text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits && std::stol(Text) < 65536) return TResourceId::Of(Word(std::stol(Text)));
    if (RequiresNumericName()) throw EResourceError("String, Icon && Cursor resources must have numeric IDs");
    return TResourceId::Of(Text);
}

void TResource::Rename(const AnsiString& NewName) {
    const TResourceId name = NameFromText(NewName);
    if (name == FName) return;
    PushUndo("change resource name");
    SetName(name);
    Changed();
}

void TResource::SetLanguage(TResourceLanguage Value) { FLanguage = Value; }

void TResource::Changed() {
    if (FModule) FModule->ResourceChanged(this);
}

void TResource::PushUndo(const AnsiString& Description) {
    FUndo.push_back(TUndoEntry{Description, FData, FLanguage, FName});
    FRedo.clear();
}

void TResource::ChangeData(const AnsiString& Description, std::vector<Byte> NewData) {
    PushUndo(Description);
    FData = std::move(NewData);
    DataChanged();
    Changed();
}

void TResource::Restore(std::vector<TUndoEntry>& From, std::vector<TUndoEntry>& To) {
    if (From.empty()) return;
    TUndoEntry entry = std::move(From.back());
    From.pop_back();
    To.push_back(TUndoEntry{entry.Description, FData, FLanguage, FName});
    FData = std::move(entry.Data);
    FLanguage = entry.Language;
    if (!(entry.Name == FName)) SetName(entry.Name);
    DataChanged();
    Changed();
}

void TResource::Undo() { Restore(FUndo, FRedo); }
void TResource::Redo() { Restore(FRedo, FUndo); }

// ---------------------------------------------------------------------------
// TWriteableResource

const TResourceClass& TWriteableResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TWriteableResource>("TWriteableResource", 0, false, true);
    return c;
}

void TWriteableResource::ExportToStream(TStream* Stream) {
    if (!(Capabilities() & CanExport)) throw EResourceError("The resource cannot be exported");
    DoExport(Stream);
}

void TWriteableResource::ExportToFile(const AnsiString& FileName) {
    TMemoryStream memory;
    ExportToStream(&memory);
    WriteFileAtomic(FileName, AnsiString(static_cast<const char*>(memory.Memory()), std::size_t(memory.Size())));
}

AnsiString TWriteableResource::ExportSnippet() {
    if (!(Capabilities() & CanExportSnippet)) throw EResourceError("The resource cannot be exported to a resource snippet");
    return DoExportSnippet();
}

void TWriteableResource::DoExport(TStream* Stream) {
    if (!Data().empty()) Stream->WriteBuffer(Data().data(), LongInt(Data().size()));
}

void TWriteableResource::ImportFromFile(const AnsiString& FileName) {
    TMemoryStream file;
    file.LoadFromFile(FileName);
    const Byte* p = static_cast<const Byte*>(file.Memory());
    DoImport(FileName, std::vector<Byte>(p, p + file.Size()));
    Changed();
}

void TWriteableResource::DoImport(const AnsiString&, const std::vector<Byte>& Bytes) {
    PushUndo("import");
    SetDataQuietly(Bytes);
    DataChanged();
}

// ---------------------------------------------------------------------------
// Modules

TResourceModule::~TResourceModule() = default;

TResource* TResourceModule::FindResource(const TResourceClass& Class, const AnsiString& Name) const {
    const bool strings = &Class == &TStringsResource::StaticClass();
    for (int i = 0; i < ResourceCount(); ++i) {
        TResource* r = ResourceDetails(i);
        if (&r->Class() != &Class) continue;
        const TResourceId& id = r->Name();
        if (id.IsNumber) {
            const long number = strings ? long(id.Number) - 1 : long(id.Number);
            const bool digits = !Name.empty() && Name.size() <= 6 &&
                                std::all_of(Name.begin(), Name.end(), [](char c) { return c >= '0' && c <= '9'; });
            if (digits && std::stol(Name) == number) return r;
        } else if (SameText(id.Text, Name)) {
            return r;
        }
    }
    return nullptr;
}

Word TResourceModule::GetUniqueResourceName(const TResourceClass& Class) const {
    for (Cardinal n = 0; n < 65535; ++n)
        if (FindResource(Class, IntToStr(n)) == nullptr) return Word(n);
    throw EResourceError("No free resource number is left for " + Class.Name);
}

TMemoryResourceModule::TMemoryResourceModule() = default;

TMemoryResourceModule::~TMemoryResourceModule() {
    FDestroying = true;
    FResources.clear();
}

TResource* TMemoryResourceModule::ResourceDetails(int Index) const {
    if (Index < 0 || Index >= ResourceCount())
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return FResources[std::size_t(Index)].get();
}

TResource* TMemoryResourceModule::AddResource(std::unique_ptr<TResource> Resource) {
    TResource* r = Resource.get();
    FResources.push_back(std::move(Resource));
    ResourceAdded(r);
    return r;
}

void TMemoryResourceModule::DeleteResource(TResource* Resource) {
    auto it = std::find_if(FResources.begin(), FResources.end(), [&](const auto& r) { return r.get() == Resource; });
    if (it == FResources.end()) return;
    std::unique_ptr<TResource> gone = std::move(*it);
    FResources.erase(it);
    ResourceDeleted(gone.get());
}

void TMemoryResourceModule::Clear() {
    while (!FResources.empty()) DeleteResource(FResources.back().get());
}

void TMemoryResourceModule::ResourceAdded(TResource* Resource) {
    if (FDestroying) return;
    SetDirty(true);
    FireEvent(OnResourceAdded, Resource);
}

void TMemoryResourceModule::ResourceChanged(TResource* Resource) {
    if (FDestroying) return;
    SetDirty(true);
    FireEvent(OnResourceChanged, Resource);
}

void TMemoryResourceModule::ResourceDeleted(TResource* Resource) {
    if (FDestroying) return;
    SetDirty(true);
    FireEvent(OnResourceDeleted, Resource);
}

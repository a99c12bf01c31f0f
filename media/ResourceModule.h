#pragma once
// The resources of a program file as editable objects. Each resource keeps
// its data, name and language, can undo and redo its own changes and, by
// kind, shows itself as text, exports itself to a file or to a
// resource-script snippet and imports itself from a file. A module holds
// the resources and hears about their changes; TMemoryResourceModule keeps
// them in memory, TResFileModule (ResourceFile.h) reads and writes them as
// a 32-bit .res file.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Events.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Streams.h"

VEMLOR_DECLARE_EXCEPTION(EResourceError, Exception);

// Primary language in the low 10 bits, sublanguage above.
using TResourceLanguage = Word;
constexpr Word PrimaryLanguage(TResourceLanguage Language) { return Word(Language & 0x3FF); }
constexpr Word SubLanguage(TResourceLanguage Language) { return Word(Language >> 10); }

// A resource type or name: a number below 65536 or a text (Windows-1250
// here, UTF-16 in files).
struct TResourceId {
    bool IsNumber = true;
    Word Number = 0;
    AnsiString Text;
    static TResourceId Of(Word Value) { return TResourceId{true, Value, {}}; }
    static TResourceId Of(const AnsiString& Value) { return TResourceId{false, 0, Value}; }
    friend bool operator==(const TResourceId&, const TResourceId&) = default;
};

// UTF-16 text of resource files to and from the program's text; characters
// Windows-1250 lacks become '?'.
AnsiString WideToAnsiText(const std::u16string& Text);
std::u16string AnsiToWideText(const AnsiString& Text);

class TResource;
class TWriteableResource;
class TResourceModule;

// A resource class as the registry and the module see it before there is
// an object of it.
struct TResourceClass {
    AnsiString Name;
    Word TypeId = 0;
    bool NumericNames = false;
    // Wraps data read from a module.
    std::function<std::unique_ptr<TResource>(TResourceModule* Module, const TResourceId& Type,
                                             const std::vector<Byte>& Data, const TResourceId& Name)>
        Create;
    // A new, empty resource added to the module (nullptr for abstract classes).
    std::function<TWriteableResource*(TResourceModule* Module, TResourceLanguage Language, const TResourceId& Name)>
        CreateNew;
};

// The classes the user can create resources of, in registration order.
const std::vector<const TResourceClass*>& ResourceClasses();
// The class for a numeric resource type; nullptr when the type has none.
const TResourceClass* ResourceClassForType(Word TypeId);
// Whether the platform's functions that write resources into program
// files are there. They are not on this system: resources are read and
// written through .res files instead.
bool ResourceUpdateFunctionsPresent();

struct TUndoEntry {
    AnsiString Description;
    std::vector<Byte> Data;
    TResourceLanguage Language = 0;
    TResourceId Name;
};

class TResource : public TObject {
public:
    TResource(TResourceModule* AModule, const TResourceId& AType, const std::vector<Byte>& AData,
              const TResourceId& AName);
    ~TResource() override;
    TResource(const TResource&) = delete;
    TResource& operator=(const TResource&) = delete;

    static const TResourceClass& StaticClass();
    virtual const TResourceClass& Class() const { return StaticClass(); }

    // "Unknown resource type - %8.8x" with the type id.
    virtual AnsiString TypeName() const;
    // A number as "%03.3d", a text as it is.
    virtual AnsiString DisplayName() const;
    // All digits and below 65536: a number; otherwise a text, refused for
    // classes that need numbers. A different name pushes an undo entry.
    virtual void Rename(const AnsiString& NewName);
    // After the data changed (loading, undo, redo, an edit).
    virtual void DataChanged() {}
    virtual Word TypeId() const;
    virtual bool RequiresNumericName() const { return Class().NumericNames; }
    // Tells the module that this resource changed.
    virtual void Changed();
    virtual void Undo();
    virtual void Redo();

    TResourceModule* Module() const { return FModule; }
    const TResourceId& Type() const { return FType; }
    const TResourceId& Name() const { return FName; }
    TResourceLanguage Language() const { return FLanguage; }
    void SetLanguage(TResourceLanguage Value);
    const std::vector<Byte>& Data() const { return FData; }
    // Memory flags as .res files keep them.
    Word MemoryFlags = 0x1030;

    // Pushes an undo entry, takes the data, tells DataChanged and the module.
    void ChangeData(const AnsiString& Description, std::vector<Byte> NewData);
    bool CanUndo() const { return !FUndo.empty(); }
    bool CanRedo() const { return !FRedo.empty(); }
    AnsiString UndoDescription() const { return FUndo.empty() ? AnsiString() : FUndo.back().Description; }
    AnsiString RedoDescription() const { return FRedo.empty() ? AnsiString() : FRedo.back().Description; }

protected:
    // Before every change: the state now, and an empty redo stack.
    void PushUndo(const AnsiString& Description);
    // The name a rename text gives (strings count in blocks of 16).
    virtual TResourceId NameFromText(const AnsiString& Text) const;
    // Sets the name without an undo entry.
    virtual void SetName(const TResourceId& Value) { FName = Value; }
    void SetDataQuietly(std::vector<Byte> Value) { FData = std::move(Value); }

private:
    void Restore(std::vector<TUndoEntry>& From, std::vector<TUndoEntry>& To);

    TResourceModule* FModule;
    TResourceId FType;
    TResourceId FName;
    std::vector<Byte> FData;
    TResourceLanguage FLanguage = 0;
    std::vector<TUndoEntry> FUndo;
    std::vector<TUndoEntry> FRedo;
};

constexpr int CanExport = 1;
constexpr int CanExportSnippet = 2;

class TWriteableResource : public TResource {
public:
    using TResource::TResource;
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }

    // Raises "The resource cannot be exported" without that capability.
    void ExportToStream(TStream* Stream);
    // Through a temporary file, so a failed export leaves no half file.
    void ExportToFile(const AnsiString& FileName);
    // Raises "The resource cannot be exported to a resource snippet"
    // without that capability.
    AnsiString ExportSnippet();
    // CanExport, CanExportSnippet.
    virtual int Capabilities() const { return 0; }
    // "Description|*.ext" pairs for file dialogs; empty when none.
    virtual AnsiString FileFilter() const { return AnsiString(); }
    // Makes this an empty resource of its kind; the caller adds it to the module.
    virtual void InitNew() {}
    // Takes the file in and tells the module.
    void ImportFromFile(const AnsiString& FileName);

protected:
    virtual void DoExport(TStream* Stream);
    virtual AnsiString DoExportSnippet() { return AnsiString(); }
    virtual void DoImport(const AnsiString& FileName, const std::vector<Byte>& Bytes);
};

// What a resource expects of the module that holds it.
class TResourceModule {
public:
    virtual ~TResourceModule();
    virtual int ResourceCount() const = 0;
    virtual TResource* ResourceDetails(int Index) const = 0;
    // Takes the resource over and tells ResourceAdded.
    virtual TResource* AddResource(std::unique_ptr<TResource> Resource) = 0;
    virtual void DeleteResource(TResource* Resource) = 0;
    virtual void ResourceAdded(TResource* Resource) = 0;
    virtual void ResourceChanged(TResource* Resource) = 0;
    virtual void ResourceDeleted(TResource* Resource) = 0;
    bool Dirty() const { return FDirty; }
    void SetDirty(bool Value) { FDirty = Value; }

    // A resource of the class by name: texts compare without case, numbers
    // as numbers; a string table compares its block number - 1.
    TResource* FindResource(const TResourceClass& Class, const AnsiString& Name) const;
    // The first number from 0 upward no resource of the class has.
    Word GetUniqueResourceName(const TResourceClass& Class) const;

private:
    bool FDirty = false;
};

// Resources in memory; changes are reported through the events and mark
// the module dirty (except while it is being destroyed).
class TMemoryResourceModule : public TResourceModule {
public:
    TMemoryResourceModule();
    ~TMemoryResourceModule() override;
    int ResourceCount() const override { return int(FResources.size()); }
    TResource* ResourceDetails(int Index) const override;
    TResource* AddResource(std::unique_ptr<TResource> Resource) override;
    void DeleteResource(TResource* Resource) override;
    void ResourceAdded(TResource* Resource) override;
    void ResourceChanged(TResource* Resource) override;
    void ResourceDeleted(TResource* Resource) override;
    void Clear();

    std::function<void(TResource*)> OnResourceAdded;
    std::function<void(TResource*)> OnResourceChanged;
    std::function<void(TResource*)> OnResourceDeleted;

protected:
    std::vector<std::unique_ptr<TResource>> FResources;
    bool FDestroying = false;
};

// Builds a class record with the usual constructors of resource class T.
template <class T>
TResourceClass MakeResourceClass(const AnsiString& Name, Word TypeId, bool NumericNames, bool Abstract = false) {
    TResourceClass c;
    c.Name = Name;
    c.TypeId = TypeId;
    c.NumericNames = NumericNames;
    c.Create = [](TResourceModule* Module, const TResourceId& Type, const std::vector<Byte>& Data,
                  const TResourceId& ResName) -> std::unique_ptr<TResource> {
        return std::make_unique<T>(Module, Type, Data, ResName);
    };
    if constexpr (std::is_base_of_v<TWriteableResource, T>) {
        if (!Abstract)
            c.CreateNew = [TypeId](TResourceModule* Module, TResourceLanguage Language,
                                   const TResourceId& ResName) -> TWriteableResource* {
                auto resource = std::make_unique<T>(Module, TResourceId::Of(TypeId), std::vector<Byte>{}, ResName);
                resource->SetLanguage(Language);
                resource->InitNew();
                return static_cast<TWriteableResource*>(Module->AddResource(std::move(resource)));
            };
    }
    return c;
}

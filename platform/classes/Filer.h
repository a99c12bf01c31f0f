#pragma once
// Form files: a component tree as text (FormText.h for the syntax), read
// into components and written back through the published-property registry.
//
// Reading (TReader, ReadComponent):
//   - the root object's properties go to the given root (a form, a data
//     module); each nested object is created by class name from the class
//     registry (ClassRegistry.h), owned by the root, named, and handed the
//     enclosing component as its parent component (a control's parent is
//     the enclosing control, a menu item joins the enclosing menu);
//   - properties are set by name through their setters, dotted names reach
//     nested objects (Font.Style), a TStrings takes "Strings = (...)", a
//     collection "<item ... end>", binary values and names no property has
//     go to the object's DefineProperties;
//   - "OnClick = Button1Click" binds the handler the root's class publishes
//     under that name (Method in TypInfo.h), type-checked against the event;
//   - component references ("PopupMenu = PopupMenu1", "DataSource =
//     DM.AdresaDS") are resolved once the whole text is read; a reference to
//     a form or data module that does not exist yet waits until one of that
//     name has been read (GlobalFixupReferences);
//   - the root's published fields (Field in TypInfo.h) are set to the
//     components of their names;
//   - csLoading (and csReading) are set on every component read, from its
//     creation until Loaded(), which runs on each in creation order, root
//     first, once everything above is done.
// Any fault raises EReadError (or EClassNotFound) naming the file, the line,
// the component and the property; the components created so far are freed,
// so a form never half-builds silently.
//
// Writing (TWriter, WriteComponent): the same tree back as text, each value
// only where it differs from a freshly created component of the same class
// (the property's Stored predicate can hold a value back further), so that
// the text of a form read from a file comes back as it was written.
//
// Form files compiled into the program are registered by form class name
// (FormFiles.h); InitInheritedComponent reads the one of a form's class.

#include <functional>
#include <memory>
#include <vector>

#include "platform/classes/ClassRegistry.h"
#include "platform/classes/Component.h"
#include "platform/classes/FormText.h"
#include "platform/rtl/Streams.h"

class TFiler;
class TReader;
class TWriter;

using TReaderProc = std::function<void(TReader& Reader)>;
using TWriterProc = std::function<void(TWriter& Writer)>;
using TStreamProc = std::function<void(TStream& Stream)>;

// What DefineProperties talks to, reading or writing.
class TFiler {
public:
    virtual ~TFiler() = default;
    // A property of the object's own: ReadData reads its value when a form
    // file has it; WriteData writes one value when HasData.
    virtual void DefineProperty(const AnsiString& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                                bool HasData) = 0;
    // The same for binary data, read from and written to a stream.
    virtual void DefineBinaryProperty(const AnsiString& Name, const TStreamProc& ReadData,
                                      const TStreamProc& WriteData, bool HasData) = 0;
    // The component the form file is about (the form).
    TComponent* Root() const { return FRoot; }

protected:
    TComponent* FRoot = nullptr;
};

class TReader : public TFiler {
public:
    // Parses the text at once: a syntax fault raises EReadError here.
    TReader(const AnsiString& Text, const AnsiString& FileName);
    ~TReader() override;

    // Reads the text into Root, or, when Root is nullptr, into a new
    // component of the text's root class (with no owner), which is returned.
    // Root's name comes from the text when it has none (made unique among
    // its owner's components: fMain, fMain_1, ...).
    TComponent* ReadRootComponent(TComponent* Root);

    const AnsiString& FileName() const { return FFileName; }

    // Reading a value inside a DefineProperty callback. Each raises
    // EReadError naming the file and line when the value is of another kind.
    TValueType NextValue() const;
    Int64 ReadInteger();
    bool ReadBoolean();
    long double ReadFloat();
    AnsiString ReadString();
    AnsiString ReadIdent();
    void ReadListBegin();
    bool EndOfList() const;
    void ReadListEnd();

    // The properties of the object being read go to Instance (what
    // TComponent::ReadState does).
    void ReadProperties(TComponent* Instance);

    void DefineProperty(const AnsiString& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const AnsiString& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                              bool HasData) override;

    struct TState;

private:
    friend class TReaderImpl;
    std::unique_ptr<TState> FState;
    AnsiString FFileName;
    TFormObject FTree;
};

class TWriter : public TFiler {
public:
    TWriter();
    ~TWriter() override;

    // The text of Root and every component it owns.
    AnsiString WriteRootComponent(TComponent* Root);

    // Writing values inside a DefineProperty callback.
    void WriteInteger(Int64 Value);
    void WriteBoolean(bool Value);
    void WriteFloat(long double Value);
    void WriteString(const AnsiString& Value);
    void WriteIdent(const AnsiString& Value);
    void WriteListBegin();
    void WriteListEnd();

    // The properties and own data of Instance go to the object being
    // written (what TComponent::WriteState does).
    void WriteProperties(TComponent* Instance);

    void DefineProperty(const AnsiString& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const AnsiString& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                              bool HasData) override;

    struct TState;

private:
    friend class TWriterImpl;
    std::unique_ptr<TState> FState;
};

// Reads form text into Instance (or a new component of the text's class when
// Instance is nullptr) and returns it.
TComponent* ReadComponent(const AnsiString& Text, TComponent* Instance, const AnsiString& FileName = "form");
// The form text of Root and the components it owns.
AnsiString WriteComponent(TComponent* Root);

// Finds a form or data module by name for references across forms ("DM" of
// "DM.AdresaDS"); the user-interface layer installs one that looks through
// the screen's forms and data modules.
using TFindGlobalComponent = std::function<TComponent*(const AnsiString& Name)>;
void SetFindGlobalComponent(TFindGlobalComponent Finder);
TComponent* FindGlobalComponent(const AnsiString& Name);

// Resolves the references that waited for a form or data module that has now
// been read. Reading a root calls it at the end; call it after renaming one.
void GlobalFixupReferences();
// References still waiting (for tests and diagnostics).
int PendingFixupCount();

#include "platform/classes/Filer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/Events.h"
#include "platform/classes/FormFiles.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/StringList.h"

// Components with one property of every kind a form file can hold, and a
// root class that publishes its handlers and a field, as a form does.

enum TGizmoShape { gsSquare, gsCircle, gsStar };
const TEnumType& EnumTypeInfo(TGizmoShape) {
    static const TEnumType type{"TGizmoShape", {"gsSquare", "gsCircle", "gsStar"}};
    return type;
}
enum TGizmoMark { gmTick, gmCross, gmDot };
using TGizmoMarks = TSet<TGizmoMark>;
const TEnumType& EnumTypeInfo(TGizmoMark) {
    static const TEnumType type{"TGizmoMark", {"gmTick", "gmCross", "gmDot"}};
    return type;
}

const TIntegerIdents& GizmoColourIdents() {
    static const TIntegerIdents idents{"TGizmoColour", {{0x0000FF, "gcRed"}, {0x00FF00, "gcGreen"}}, {}, {}};
    return idents;
}
// Texts beyond a list of names, written quoted, like shortcuts.
const TIntegerIdents& GizmoKeyIdents() {
    static const TIntegerIdents idents{
        "TGizmoKey",
        {},
        [](const AnsiString& Text, Int64& Value) {
            if (Text.rfind("Key+", 0) != 0) return false;
            Value = std::stoll(Text.substr(4));
            return true;
        },
        [](Int64 Value) { return AnsiString("Key+") + std::to_string(Value); }};
    return idents;
}

using TCountEvent = std::function<void(TObject* Sender, int& Count)>;

std::vector<std::string> LoadedLog;

class TGizmoLook : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    int Size() const { return FSize; }
    void SetSize(int Value) { FSize = Value; }
    TGizmoMarks Marks() const { return FMarks; }
    void SetMarks(TGizmoMarks Value) { FMarks = Value; }

private:
    int FSize = 8;
    TGizmoMarks FMarks;
};

VEMLOR_PUBLISHED(TGizmoLook, TPersistent) {
    Prop("Size", &TGizmoLook::Size, &TGizmoLook::SetSize);
    Prop("Marks", &TGizmoLook::Marks, &TGizmoLook::SetMarks);
}

class TGizmoColumn : public TCollectionItem {
public:
    explicit TGizmoColumn(TCollection* Collection) : TCollectionItem(Collection) { RegisterClass<TGizmoColumn>(); }
    static const TClassInfo& StaticClassInfo();
    const AnsiString& Title() const { return FTitle; }
    void SetTitle(const AnsiString& Value) { FTitle = Value; }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }

private:
    AnsiString FTitle;
    int FWidth = 64;
};

VEMLOR_PUBLISHED(TGizmoColumn, TObject) {
    Prop("Title", &TGizmoColumn::Title, &TGizmoColumn::SetTitle);
    Prop("Width", &TGizmoColumn::Width, &TGizmoColumn::SetWidth);
}

// An entry of the gizmo's own data, kept through DefineProperties like a
// check list box's items: text, state and enabled flag.
struct TGizmoEntry {
    AnsiString Text;
    int State = 0;
    bool Enabled = true;
};

class TGizmo : public TComponent {
public:
    explicit TGizmo(TComponent* AOwner) : TComponent(AOwner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    int Number() const { return FNumber; }
    void SetNumber(int Value) {
        FNumber = Value;
        NumberSetWhileLoading = ComponentState().Contains(csLoading);
    }
    Int64 Big() const { return FBig; }
    void SetBig(Int64 Value) { FBig = Value; }
    double Ratio() const { return FRatio; }
    void SetRatio(double Value) { FRatio = Value; }
    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& Value) { FCaption = Value; }
    char Letter() const { return FLetter; }
    void SetLetter(char Value) { FLetter = Value; }
    bool Flag() const { return FFlag; }
    void SetFlag(bool Value) {
        FFlag = Value;
        FireEvent(OnPing, this);
    }
    TGizmoShape Shape() const { return FShape; }
    void SetShape(TGizmoShape Value) { FShape = Value; }
    TGizmoMarks Marks() const { return FMarks; }
    void SetMarks(TGizmoMarks Value) { FMarks = Value; }
    int Colour() const { return FColour; }
    void SetColour(int Value) { FColour = Value; }
    int Key() const { return FKey; }
    void SetKey(int Value) { FKey = Value; }
    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* Value) { FLines->Assign(Value); }
    TCollection* Columns() const { return FColumns.get(); }
    void SetColumns(TCollection*) {}
    TGizmoLook* Look() const { return FLook.get(); }
    void SetLook(TGizmoLook*) {}
    TGizmo* Buddy() const { return FBuddy; }
    void SetBuddy(TGizmo* Value) {
        if (FBuddy) RemoveFreeNotification(FBuddy);
        FBuddy = Value;
        if (FBuddy) FreeNotification(FBuddy);
    }

    TNotifyEvent OnPing;
    TCountEvent OnCount;

    std::vector<TGizmoEntry> Entries;
    int Version = 0;  // of the entries read
    AnsiString Blob;
    bool NumberSetWhileLoading = false;

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override { return FHolder; }
    void SetParentComponent(TComponent* Value) override { FHolder = dynamic_cast<TGizmo*>(Value); }

    void DefineProperties(TFiler* Filer) override {
        Filer->DefineProperty(
            "Version", [this](TReader& Reader) { Version = static_cast<int>(Reader.ReadInteger()); },
            [](TWriter& Writer) { Writer.WriteInteger(2); }, !Entries.empty());
        Filer->DefineProperty(
            "Entries", [this](TReader& Reader) { ReadEntries(Reader); }, [this](TWriter& Writer) { WriteEntries(Writer); },
            !Entries.empty());
        Filer->DefineBinaryProperty(
            "Blob", [this](TStream& Stream) { Blob = static_cast<TStringStream&>(Stream).DataString(); },
            [this](TStream& Stream) { Stream.WriteBuffer(Blob.data(), static_cast<LongInt>(Blob.size())); },
            !Blob.empty());
    }

protected:
    void Loaded() override {
        TComponent::Loaded();
        LoadedLog.push_back(Name());
    }
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FBuddy) FBuddy = nullptr;
    }

private:
    // Version 2: text, state, enabled flag; before: text and a checked flag.
    void ReadEntries(TReader& Reader) {
        Entries.clear();
        Reader.ReadListBegin();
        while (!Reader.EndOfList()) {
            TGizmoEntry entry;
            entry.Text = Reader.ReadString();
            if (Version >= 2) {
                entry.State = static_cast<int>(Reader.ReadInteger());
                entry.Enabled = Reader.ReadBoolean();
            } else {
                entry.State = Reader.ReadBoolean() ? 1 : 0;
            }
            Entries.push_back(entry);
        }
        Reader.ReadListEnd();
    }
    void WriteEntries(TWriter& Writer) {
        Writer.WriteListBegin();
        for (const TGizmoEntry& entry : Entries) {
            Writer.WriteString(entry.Text);
            Writer.WriteInteger(entry.State);
            Writer.WriteBoolean(entry.Enabled);
        }
        Writer.WriteListEnd();
    }

    int FNumber = 0;
    Int64 FBig = 0;
    double FRatio = 0;
    AnsiString FCaption;
    char FLetter = 'a';
    bool FFlag = false;
    TGizmoShape FShape = gsSquare;
    TGizmoMarks FMarks;
    int FColour = 0;
    int FKey = 0;
    std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
    std::unique_ptr<TCollection> FColumns = std::make_unique<TCollection>(CollectionItemClass<TGizmoColumn>());
    std::unique_ptr<TGizmoLook> FLook = std::make_unique<TGizmoLook>();
    TGizmo* FBuddy = nullptr;
    TGizmo* FHolder = nullptr;
};

VEMLOR_PUBLISHED(TGizmo, TComponent) {
    Prop("Number", &TGizmo::Number, &TGizmo::SetNumber);
    Prop("Big", &TGizmo::Big, &TGizmo::SetBig);
    Prop("Ratio", &TGizmo::Ratio, &TGizmo::SetRatio);
    Prop("Caption", &TGizmo::Caption, &TGizmo::SetCaption);
    Prop("Letter", &TGizmo::Letter, &TGizmo::SetLetter);
    Prop("Flag", &TGizmo::Flag, &TGizmo::SetFlag);
    Prop("Shape", &TGizmo::Shape, &TGizmo::SetShape);
    Prop("Marks", &TGizmo::Marks, &TGizmo::SetMarks);
    Prop("Colour", &TGizmo::Colour, &TGizmo::SetColour).Idents(GizmoColourIdents());
    Prop("Key", &TGizmo::Key, &TGizmo::SetKey).Idents(GizmoKeyIdents());
    Prop("Lines", &TGizmo::Lines, &TGizmo::SetLines);
    Prop("Columns", &TGizmo::Columns, &TGizmo::SetColumns);
    Prop("Look", &TGizmo::Look, &TGizmo::SetLook);
    Prop("Buddy", &TGizmo::Buddy, &TGizmo::SetBuddy);
    EventProp("OnPing", &TGizmo::OnPing);
    EventProp("OnCount", &TGizmo::OnCount);
}
VEMLOR_REGISTER_CLASS(TGizmo);

class TGizmoForm : public TComponent {
public:
    explicit TGizmoForm(TComponent* AOwner) : TComponent(AOwner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    void GizmoPing(TObject* Sender) {
        ++Pings;
        LastSender = Sender;
    }
    void GizmoCount(TObject*, int& Count) { Count += 10; }

    int Pings = 0;
    TObject* LastSender = nullptr;

protected:
    void Loaded() override {
        TComponent::Loaded();
        LoadedLog.push_back(Name());
    }
};

VEMLOR_PUBLISHED(TGizmoForm, TComponent) {
    Method("GizmoPing", &TGizmoForm::GizmoPing);
    Method("GizmoCount", &TGizmoForm::GizmoCount);
}
VEMLOR_REGISTER_CLASS(TGizmoForm);

// A form whose code holds a pointer to one of its components.
class TGizmoFieldForm : public TGizmoForm {
public:
    explicit TGizmoFieldForm(TComponent* AOwner) : TGizmoForm(AOwner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TGizmo* Gizmo1 = nullptr;
};

VEMLOR_PUBLISHED(TGizmoFieldForm, TGizmoForm) {
    Field("Gizmo1", &TGizmoFieldForm::Gizmo1);
}

namespace {

// Every kind of value, as the writer lays it out: the round trip must give
// these bytes back.
const char* const EveryKind =
    "object Form1: TGizmoForm\n"
    "  Tag = 7\n"
    "  object Gizmo1: TGizmo\n"
    "    Number = -12\n"
    "    Big = 9000000000\n"
    "    Ratio = 0.25\n"
    "    Caption = 'It''s '#13#10'Příliš žluťoučký'\n"
    "    Letter = 'x'\n"
    "    Flag = True\n"
    "    Shape = gsStar\n"
    "    Marks = [gmTick, gmDot]\n"
    "    Colour = gcGreen\n"
    "    Key = 'Key+5'\n"
    "    Lines.Strings = (\n"
    "      'první'\n"
    "      '')\n"
    "    Columns = <\n"
    "      item\n"
    "        Title = 'Jméno'\n"
    "        Width = 80\n"
    "      end\n"
    "      item\n"
    "      end>\n"
    "    Look.Size = 10\n"
    "    Look.Marks = [gmCross]\n"
    "    Buddy = Gizmo2\n"
    "    OnPing = GizmoPing\n"
    "    OnCount = GizmoCount\n"
    "    Version = 2\n"
    "    Entries = (\n"
    "      'a'\n"
    "      2\n"
    "      True\n"
    "      'b'\n"
    "      0\n"
    "      False)\n"
    "    Blob = {\n"
    "      00FF10}\n"
    "    object Gizmo3: TGizmo\n"
    "      Colour = 16711680\n"
    "    end\n"
    "  end\n"
    "  object Gizmo2: TGizmo\n"
    "    Ratio = -1.5E-7\n"
    "  end\n"
    "end\n";

template <class T = TGizmo>
T* Find(TComponent* Root, const char* Name) {
    return dynamic_cast<T*>(Root->FindComponent(Name));
}

std::string ReadError(const AnsiString& Text, TComponent* Root) {
    try {
        ReadComponent(Text, Root, "gizmo.form");
    } catch (const EFilerError& e) {
        return e.what();
    }
    return "(no error)";
}

// Roots that "exist" for references across forms, as the screen lists them.
class TGlobalRoots {
public:
    TGlobalRoots() {
        SetFindGlobalComponent([this](const AnsiString& Name) -> TComponent* {
            for (TComponent* root : Roots)
                if (root->Name() == Name) return root;
            return nullptr;
        });
    }
    ~TGlobalRoots() { SetFindGlobalComponent(nullptr); }
    std::vector<TComponent*> Roots;
};

TEST(FilerTest, EveryKindOfValueReadsIntoTheComponentsAndWritesBackAsItWas) {
    std::unique_ptr<TComponent> form(ReadComponent(EveryKind, nullptr, "gizmo.form"));
    ASSERT_NE(form, nullptr);
    TGizmo* g = Find(form.get(), "Gizmo1");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(form->Tag(), 7);
    EXPECT_EQ(g->Number(), -12);
    EXPECT_EQ(g->Big(), 9000000000LL);
    EXPECT_EQ(g->Ratio(), 0.25);
    EXPECT_EQ(g->Caption(), "It's \r\nPříliš žluťoučký");
    EXPECT_EQ(g->Letter(), 'x');
    EXPECT_TRUE(g->Flag());
    EXPECT_EQ(g->Shape(), gsStar);
    EXPECT_EQ(g->Marks(), (TGizmoMarks{gmTick, gmDot}));
    EXPECT_EQ(g->Colour(), 0x00FF00);
    EXPECT_EQ(g->Key(), 5);
    ASSERT_EQ(g->Lines()->Count(), 2);
    EXPECT_EQ(g->Lines()->Strings(0), "první");
    ASSERT_EQ(g->Columns()->Count(), 2);
    EXPECT_EQ(static_cast<TGizmoColumn*>(g->Columns()->Items(0))->Title(), "Jméno");
    EXPECT_EQ(static_cast<TGizmoColumn*>(g->Columns()->Items(1))->Width(), 64);
    EXPECT_EQ(g->Look()->Size(), 10);
    EXPECT_EQ(g->Buddy(), Find(form.get(), "Gizmo2"));
    ASSERT_EQ(g->Entries.size(), 2u);
    EXPECT_EQ(g->Entries[0].State, 2);
    EXPECT_FALSE(g->Entries[1].Enabled);
    EXPECT_EQ(g->Blob, AnsiString("\x00\xFF\x10", 3));
    TGizmo* inner = Find(form.get(), "Gizmo3");
    EXPECT_EQ(inner->GetParentComponent(), g);
    EXPECT_EQ(inner->Colour(), 0xFF0000);
    EXPECT_EQ(Find(form.get(), "Gizmo2")->Ratio(), -1.5E-7);

    EXPECT_EQ(WriteComponent(form.get()), EveryKind);
}

TEST(FilerTest, OtherSpellingsOfValuesReadTheSame) {
    TGizmoForm form(nullptr);
    ReadComponent("object F: TGizmoForm\r\n"
                  "  object G: TGizmo\r\n"
                  "    Number = $1F\r\n"
                  "    Caption = 'a'#233 +\r\n"
                  "      'b'#39\r\n"
                  "    Ratio = 3\r\n"
                  "    Colour = GCRED\r\n"
                  "    Key = 300\r\n"
                  "    Marks = []\r\n"
                  "  end\r\n"
                  "end",
                  &form);
    TGizmo* g = Find(&form, "G");
    EXPECT_EQ(g->Number(), 31);
    EXPECT_EQ(g->Caption(), "a\xE9" "b'");
    EXPECT_EQ(g->Ratio(), 3.0);
    EXPECT_EQ(g->Colour(), 0x0000FF);
    EXPECT_EQ(g->Key(), 300);
    EXPECT_EQ(form.Name(), "F");
}

TEST(FilerTest, HandlersBindToTheFormAndOnlyAfterTheOtherValues) {
    TGizmoForm form(nullptr);
    ReadComponent("object F: TGizmoForm\n"
                  "  object G: TGizmo\n"
                  "    OnPing = GizmoPing\n"
                  "    OnCount = GIZMOCOUNT\n"
                  "    Flag = True\n"
                  "  end\n"
                  "end",
                  &form);
    TGizmo* g = Find(&form, "G");
    // Setting Flag while reading fired nothing: the handler came later.
    EXPECT_EQ(form.Pings, 0);
    FireEvent(g->OnPing, g);
    EXPECT_EQ(form.Pings, 1);
    EXPECT_EQ(form.LastSender, g);
    int count = 1;
    g->OnCount(g, count);
    EXPECT_EQ(count, 11);
}

TEST(FilerTest, LoadedRunsOnceOnEachInCreationOrderAfterEverythingIsSet) {
    LoadedLog.clear();
    std::unique_ptr<TComponent> form(ReadComponent(EveryKind, nullptr, "gizmo.form"));
    EXPECT_EQ(LoadedLog, (std::vector<std::string>{"Form1", "Gizmo1", "Gizmo3", "Gizmo2"}));
    TGizmo* g = Find(form.get(), "Gizmo1");
    EXPECT_TRUE(g->NumberSetWhileLoading);
    for (TComponent* c : {form.get(), static_cast<TComponent*>(g)}) {
        EXPECT_FALSE(c->ComponentState().Contains(csLoading));
        EXPECT_FALSE(c->ComponentState().Contains(csReading));
    }
}

TEST(FilerTest, OwnDataOfTheOlderLayoutReadsItsCheckedFlags) {
    TGizmoForm form(nullptr);
    ReadComponent("object F: TGizmoForm\n"
                  "  object G: TGizmo\n"
                  "    Version = 1\n"
                  "    Entries = ('a' True 'b' False)\n"
                  "  end\n"
                  "end",
                  &form);
    TGizmo* g = Find(&form, "G");
    ASSERT_EQ(g->Entries.size(), 2u);
    EXPECT_EQ(g->Entries[0].State, 1);
    EXPECT_EQ(g->Entries[1].State, 0);
    EXPECT_TRUE(g->Entries[1].Enabled);
    // Written back in the current layout.
    EXPECT_NE(WriteComponent(&form).find("Version = 2"), AnsiString::npos);
}

TEST(FilerTest, FieldsOfTheFormPointAtTheirComponents) {
    TGizmoFieldForm form(nullptr);
    ReadComponent("object F: TGizmoFieldForm\n  object Gizmo1: TGizmo\n  end\nend", &form);
    EXPECT_EQ(form.Gizmo1, Find(&form, "Gizmo1"));

    TGizmoFieldForm missing(nullptr);
    EXPECT_EQ(ReadError("object F: TGizmoFieldForm\n  object Other: TGizmo\n  end\nend", &missing),
              "gizmo.form(1): TGizmoFieldForm::Gizmo1 has no component of that name in the form file");
    EXPECT_EQ(missing.ComponentCount(), 0);
}

TEST(FilerTest, ReferencesAcrossFormsWaitForTheFormTheyName) {
    TGlobalRoots roots;
    auto form = std::make_unique<TGizmoForm>(nullptr);
    ReadComponent("object FormA: TGizmoForm\n  object G: TGizmo\n    Buddy = DM.Target\n  end\nend", form.get());
    TGizmo* g = Find(form.get(), "G");
    EXPECT_EQ(g->Buddy(), nullptr);
    EXPECT_EQ(PendingFixupCount(), 1);

    // A second waiting reference whose form goes away before the module comes.
    auto doomed = std::make_unique<TGizmoForm>(nullptr);
    ReadComponent("object FormB: TGizmoForm\n  object G: TGizmo\n    Buddy = DM.Target\n  end\nend", doomed.get());
    EXPECT_EQ(PendingFixupCount(), 2);
    doomed.reset();
    EXPECT_EQ(PendingFixupCount(), 1);

    TGizmoForm dm(nullptr);
    roots.Roots.push_back(&dm);
    ReadComponent("object DM: TGizmoForm\n  object Target: TGizmo\n  end\nend", &dm);
    EXPECT_EQ(g->Buddy(), Find(&dm, "Target"));
    EXPECT_EQ(PendingFixupCount(), 0);

    // The module exists now: a later form's reference is set at once.
    TGizmoForm later(nullptr);
    ReadComponent("object FormC: TGizmoForm\n  object G: TGizmo\n    Buddy = DM.Target\n  end\nend", &later);
    EXPECT_EQ(Find(&later, "G")->Buddy(), Find(&dm, "Target"));

    TGizmoForm wrong(nullptr);
    EXPECT_EQ(ReadError("object FormD: TGizmoForm\n  object G: TGizmo\n    Buddy = DM.Nobody\n  end\nend", &wrong),
              "gizmo.form(3): Error reading G.Buddy: DM has no component named Nobody");
}

TEST(FilerTest, EveryDamagedTextGivesAClearErrorAndBuildsNothing) {
    const std::string deep = [] {
        std::string text;
        for (int i = 0; i < 70; ++i) text += "object G" + std::to_string(i) + ": TGizmo\n";
        return text;
    }();
    const std::string longString = "object F: TGizmoForm\n  object G: TGizmo\n    Caption = '" +
                                   std::string(MaxFormStringSize + 1, 'x') + "'\n  end\nend";
    struct TCase {
        std::string Text;
        std::string Error;
    };
    const TCase cases[] = {
        {"object F: TGizmoForm\n  object G: TNoSuch\n  end\nend", "gizmo.form(2): Class TNoSuch not found"},
        {"object F: TGizmoForm\n  object G: TGizmo\n    Nothing = 1\n  end\nend",
         "gizmo.form(3): Error reading G.Nothing: property Nothing does not exist"},
        {"object F: TGizmoForm\n  object G: TGizmo\n    Number = 'abc'\n  end\nend",
         "gizmo.form(3): Error reading G.Number: 'abc' is not a valid value for Number (Integer)"},
        {"object F: TGizmoForm\n  object G: TGizmo\n    Number = 99999999999\n  end\nend",
         "gizmo.form(3): Error reading G.Number: Value 99999999999 is out of range for the property Number of TGizmo "
         "(Integer: -2147483648..2147483647)"},
        {"object F: TGizmoForm\n  object G: TGizmo\n    Shape = gsHexagon\n  end\nend",
         "gizmo.form(3): Error reading G.Shape: gsHexagon is not a valid value for Shape (TGizmoShape)"},
        {"object F: TGizmoForm\n  object G: TGizmo\n    Marks = [gmTick, gmNope]\n  end\nend",
         "gizmo.form(3): Error reading G.Marks: gmNope is not a member of set of TGizmoMark"},
        {"object F: TGizmoForm\n  object G: TGizmo\n    Look.Nope = 1\n  end\nend",
         "gizmo.form(3): Error reading G.Look.Nope: property Nope does not exist"},
        {"object F: TGizmoForm\n  object G: TGizmo\n    OnPing = NoSuchHandler\n  end\nend",
         "gizmo.form(3): Error reading G.OnPing: TGizmoForm has no handler named NoSuchHandler"},
        {"object F: TGizmoForm\n  object G: TGizmo\n    OnPing = GizmoCount\n  end\nend",
         "gizmo.form(3): Error reading G.OnPing: handler GizmoCount (void (TObject*, int&)) does not fit the event "
         "OnPing"},
        {"object F: TGizmoForm\n  object G: TGizmo\n    Buddy = Missing\n  end\nend",
         "gizmo.form(3): Error reading G.Buddy: there is no component named Missing"},
        {"object F: TGizmoForm\n  object G: TGizmo\n  end\n  object G: TGizmo\n  end\nend",
         "gizmo.form(4): Error creating G: A component named G already exists"},
        {"object F: TGizmoForm\n  object G: TGizmo\n    Entries = ('a' 'b')\n  end\nend",
         "gizmo.form(3): Error reading Entries: True or False expected"},
        {"object F: TGizmoForm\n  object G: TGizmo\n    Version = 1 2\n  end\nend",
         "gizmo.form(3): a property name, \"object\" or \"end\" expected, found '2'"},
        {"object F: TGizmoForm\n  object G: TGizmo\n    Blob = 12\n  end\nend",
         "gizmo.form(3): Error reading Blob: binary data expected"},
        {"object F: TGizmoForm\n  object G: TGizmo\n", "gizmo.form(2): \"end\" of object G missing"},
        {"object F: TGizmoForm\n  Caption = 'open\nend", "gizmo.form(2): unterminated string"},
        {"object F: TGizmoForm\n  Tag = #300\nend", "gizmo.form(2): a byte code 0..255 expected after '#'"},
        {"object F: TGizmoForm\n  Tag = 12px\nend", "gizmo.form(2): invalid number '12p'"},
        {"object F: TGizmoForm\n  Tag = {ABC}\nend", "gizmo.form(2): binary data with an odd number of hexadecimal digits"},
        {"object F: TGizmoForm\n  Tag = [a b]\nend", "gizmo.form(2): ',' expected between set members, found 'b'"},
        {"object F: TGizmoForm\nend\nend", "gizmo.form(3): text after the last \"end\""},
        {"thing F: TGizmoForm\nend", "gizmo.form(1): \"object\" expected, found 'thing'"},
        {"object F: TGizmo\nend", "gizmo.form(1): the form file describes a TGizmo, not a TGizmoForm"},
        {"object F: TGizmoForm\n" + deep, "nesting deeper than the limit of 64"},
        {longString, "gizmo.form(3): string longer than the limit of 1048576 bytes"},
    };
    for (const TCase& c : cases) {
        TGizmoForm form(nullptr);
        std::string error = ReadError(c.Text, &form);
        EXPECT_NE(error.find(c.Error), std::string::npos) << "text: " << c.Text.substr(0, 200) << "\nerror: " << error;
        EXPECT_EQ(form.ComponentCount(), 0) << c.Text.substr(0, 200);
        EXPECT_FALSE(form.ComponentState().Contains(csLoading));
    }
}

TEST(FilerTest, FormFilesAreFoundByTheirFormClass) {
    RegisterFormFile(TFormFile{"fieldform.form", "TGizmoFieldForm",
                               "object FieldForm: TGizmoFieldForm\n  object Gizmo1: TGizmo\n    Number = 4\n  end\nend"});
    TGizmoFieldForm form(nullptr);
    EXPECT_TRUE(InitInheritedComponent(&form));
    ASSERT_NE(form.Gizmo1, nullptr);
    EXPECT_EQ(form.Gizmo1->Number(), 4);
    TGizmoForm plain(nullptr);
    EXPECT_FALSE(InitInheritedComponent(&plain));
    EXPECT_EQ(plain.ComponentCount(), 0);
}

}  // namespace

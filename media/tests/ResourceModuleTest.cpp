#include "media/ResourceModule.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "media/ResourceDialogs.h"
#include "media/ResourceMenus.h"
#include "media/ResourceMessages.h"
#include "media/ResourceRiff.h"
#include "platform/gfx/tests/IconFiles.h"

using icon_files::MessageOf;

namespace {

template <class T>
T* New(TResourceModule& Module, Word Name, TResourceLanguage Language = 0) {
    return static_cast<T*>(T::StaticClass().CreateNew(&Module, Language, TResourceId::Of(Name)));
}

std::string TempFile(const std::string& Name, const std::string& Text) {
    std::filesystem::create_directories(VEMLOR_TEST_OUTPUT);
    const std::string path = std::string(VEMLOR_TEST_OUTPUT) + "/" + Name;
    std::ofstream(path, std::ios::binary) << Text;
    return path;
}

}  // namespace

TEST(TStringsResourceTest, BlocksOfSixteenNumberTheirStrings) {
    TMemoryResourceModule module;
    TStringsResource* strings = New<TStringsResource>(module, 1);
    strings->Rename("17");
    EXPECT_EQ(strings->Name(), TResourceId::Of(Word(2)));
    EXPECT_EQ(strings->DisplayName(), "16");
    strings->SetLines({{16, "první"}, {20, "pátý"}, {31, "poslední"}, {32, "jinde"}});
    const std::vector<TResourceLine> lines = strings->GetLines();
    EXPECT_EQ(lines, (std::vector<TResourceLine>{{16, "první"}, {20, "pátý"}, {31, "poslední"}}));
    EXPECT_EQ(strings->Data().size(), 32u + 2 * (5 + 4 + 8)) << "UTF-16, one unit a letter";
    EXPECT_EQ(module.FindResource(TStringsResource::StaticClass(), "1"), strings) << "block 2 answers to 1";
    EXPECT_EQ(MessageOf([&] { strings->Rename("abc"); }), "String, Icon && Cursor resources must have numeric IDs");
    strings->SetLanguage(0x0405);
    EXPECT_EQ(strings->ExportSnippet(),
              "STRINGTABLE LANGUAGE 5,1\r\n{\r\n    16\t\"první\"\r\n    20\t\"pátý\"\r\n    31\t\"poslední\"\r\n}\r\n");
    TMemoryStream text;
    strings->ExportToStream(&text);
    EXPECT_EQ(AnsiString(static_cast<const char*>(text.Memory()), std::size_t(text.Size())),
              "první\r\npátý\r\nposlední\r\n");
    EXPECT_EQ(MessageOf([&] { TStringsResource(&module, TResourceId::Of(Word(6)), {}, TResourceId::Of("A")); }),
              "String resources must have numeric IDs");
}

TEST(TStringsResourceTest, ImportSpreadsSixteenLinesABlockOverNewResources) {
    TMemoryResourceModule module;
    TStringsResource* first = New<TStringsResource>(module, 1);
    std::string text;
    for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + "\r\n";
    first->ImportFromFile(TempFile("strings40.txt", text));
    ASSERT_EQ(module.ResourceCount(), 3);
    EXPECT_EQ(first->GetLines().size(), 16u);
    auto* second = static_cast<TStringsResource*>(module.ResourceDetails(1));
    auto* third = static_cast<TStringsResource*>(module.ResourceDetails(2));
    EXPECT_EQ(second->GetLines().size(), 16u);
    EXPECT_EQ(third->GetLines().size(), 8u);
    EXPECT_EQ(second->Name(), TResourceId::Of(Word(2))) << "the next free number is 1: block 2";
    EXPECT_EQ(third->Name(), TResourceId::Of(Word(3)));
    EXPECT_EQ(third->GetLines().back(), (TResourceLine{32 + 7, "line 39"}));
}

TEST(TStringsResourceTest, DamagedBlocksRaiseInsteadOfReadingOn) {
    TMemoryResourceModule module;
    // String 0 says 5 characters, 2 follow.
    TStringsResource damaged(&module, TResourceId::Of(Word(6)), {5, 0, 'a', 0, 'b', 0}, TResourceId::Of(Word(1)));
    EXPECT_THROW(damaged.GetLines(), EResourceError);
    TStringsResource odd(&module, TResourceId::Of(Word(6)), {1, 0, 'a'}, TResourceId::Of(Word(1)));
    EXPECT_THROW(odd.GetLines(), EResourceError);
}

TEST(TResourceTest, UndoAndRedoRestoreDataLanguageAndName) {
    TMemoryResourceModule module;
    int changes = 0;
    module.OnResourceChanged = [&](TResource*) { ++changes; };
    TDialogResource* dialog = New<TDialogResource>(module, 1);
    EXPECT_EQ(dialog->DisplayName(), "001");
    const std::vector<Byte> original = dialog->Data();
    TDialogTemplate t = dialog->Template();
    t.Caption = TResourceId::Of("Nastavení");
    dialog->SetTemplate(t);
    dialog->Rename("SETTINGS");
    EXPECT_EQ(dialog->DisplayName(), "SETTINGS");
    EXPECT_EQ(dialog->UndoDescription(), "change resource name");
    dialog->Undo();
    EXPECT_EQ(dialog->Name(), TResourceId::Of(Word(1)));
    EXPECT_EQ(dialog->Template().Caption, TResourceId::Of("Nastavení"));
    dialog->Undo();
    EXPECT_EQ(dialog->Data(), original);
    EXPECT_FALSE(dialog->CanUndo());
    dialog->Redo();
    EXPECT_EQ(dialog->RedoDescription(), "change resource name");
    dialog->Redo();
    EXPECT_EQ(dialog->DisplayName(), "SETTINGS");
    EXPECT_EQ(changes, 6);
    EXPECT_TRUE(module.Dirty());
    EXPECT_EQ(module.FindResource(TDialogResource::StaticClass(), "settings"), dialog);
    EXPECT_EQ(module.GetUniqueResourceName(TDialogResource::StaticClass()), 0);
}

TEST(TDialogResourceTest, TemplatesRoundTripAndDamagedOnesRaise) {
    TMemoryResourceModule module;
    TDialogResource* dialog = New<TDialogResource>(module, 1);
    TDialogTemplate t = dialog->Template();
    EXPECT_EQ(t.Style, 0x50C800C4u);
    EXPECT_EQ(t.Width, 150);
    EXPECT_EQ(t.Height, 100);
    EXPECT_EQ(t.FontName, "MS Sans Serif");
    EXPECT_EQ(t.PointSize, 8);
    TDialogResourceControl button;
    button.Style = 0x50010000;
    button.Width = 50;
    button.Id = 1;
    button.ClassId = TResourceId::Of(Word(0x80));
    button.Caption = TResourceId::Of("Zrušit");
    button.ExtraData = {1, 2, 3};
    TDialogResourceControl label = button;
    label.ClassId = TResourceId::Of("Static");
    label.ExtraData.clear();
    t.Controls = {button, label};
    t.Menu = TResourceId::Of(Word(7));
    dialog->SetTemplate(t);
    EXPECT_EQ(dialog->Template(), t);
    const std::vector<Byte> data = dialog->Data();
    for (std::size_t n = 0; n < data.size(); ++n) {
        TDialogResource cut(&module, TResourceId::Of(Word(5)), std::vector<Byte>(data.begin(), data.begin() + std::ptrdiff_t(n)),
                            TResourceId::Of(Word(2)));
        EXPECT_THROW(cut.Template(), EResourceError) << n;
    }
    TDialogResource extended(&module, TResourceId::Of(Word(5)), {1, 0, 0xFF, 0xFF, 0, 0}, TResourceId::Of(Word(3)));
    EXPECT_EQ(MessageOf([&] { extended.Template(); }), "ExDlgTemplate not supported yet");
    EXPECT_EQ(MessageOf([&] { dialog->ExportSnippet(); }), "The resource cannot be exported to a resource snippet");
    TMemoryStream out;
    EXPECT_EQ(MessageOf([&] { dialog->ExportToStream(&out); }), "The resource cannot be exported");
}

TEST(TMessagesResourceTest, RunsOfIdsBecomeBlocksAndReadBack) {
    TMemoryResourceModule module;
    TMessagesResource* messages = New<TMessagesResource>(module, 1);
    const std::vector<TResourceLine> lines = {{10, "deset"}, {1, "jedna"}, {2, "dvě\r\n"}, {11, "jedenáct"}, {3, ""}};
    messages->SetLines(lines);
    EXPECT_EQ(messages->BlockCount(), 2);
    EXPECT_EQ(messages->Block(1).LowId, 10u);
    EXPECT_EQ(messages->Block(1).HighId, 11u);
    EXPECT_EQ(MessageOf([&] { messages->Block(2); }), "Invalid block no");
    EXPECT_EQ(messages->GetLines(),
              (std::vector<TResourceLine>{{1, "jedna"}, {2, "dvě\r\n"}, {3, ""}, {10, "deset"}, {11, "jedenáct"}}));
    EXPECT_EQ(messages->Data().size() % 4, 0u);
    // One UTF-16 entry, built by hand.
    const std::vector<Byte> wide = {1, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0, 16, 0, 0, 0,  // one block: id 5 at 16
                                    12, 0, 1, 0, 'O', 0, 'K', 0, 0, 0, 0, 0};
    TMessagesResource unicode(&module, TResourceId::Of(Word(11)), wide, TResourceId::Of(Word(2)));
    EXPECT_EQ(unicode.GetLines(), (std::vector<TResourceLine>{{5, "OK"}}));
    for (std::size_t n = 4; n < wide.size() - 4; ++n) {
        TMessagesResource cut(&module, TResourceId::Of(Word(11)), std::vector<Byte>(wide.begin(), wide.begin() + std::ptrdiff_t(n)),
                              TResourceId::Of(Word(3)));
        EXPECT_THROW(cut.GetLines(), EResourceError) << n;
    }
    std::vector<Byte> huge = wide;
    huge[8] = 0xFF, huge[9] = 0xFF, huge[10] = 0xFF;  // ids 5 to 16 million: entries run out first
    TMessagesResource many(&module, TResourceId::Of(Word(11)), huge, TResourceId::Of(Word(4)));
    EXPECT_THROW(many.GetLines(), EResourceError);
}

TEST(TRMIDResourceTest, MidiFilesAreWrappedOtherFilesTakenAsTheyAre) {
    TMemoryResourceModule module;
    TRMIDResource* midi = New<TRMIDResource>(module, 1);
    midi->ImportFromFile(TempFile("song.mid", "MThd123"));
    const std::vector<Byte> expected = {'R', 'I', 'F', 'F', 20, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a',
                                        7, 0, 0, 0, 'M', 'T', 'h', 'd', '1', '2', '3', 0};
    EXPECT_EQ(midi->Data(), expected);
    midi->ImportFromFile(TempFile("song.rmi", "RIFFxyz"));
    EXPECT_EQ(midi->Data(), (std::vector<Byte>{'R', 'I', 'F', 'F', 'x', 'y', 'z'}));
    TMenuResource* menu = New<TMenuResource>(module, 1);
    TMemoryStream out;
    EXPECT_EQ(MessageOf([&] { menu->ExportToStream(&out); }), "Not yet implemented");
    EXPECT_EQ(menu->TypeName(), "Menu");
    TResource unknown(&module, TResourceId::Of(Word(0x1234)), {}, TResourceId::Of(Word(1)));
    EXPECT_EQ(unknown.TypeName(), "Unknown resource type - 00001234");
    EXPECT_FALSE(ResourceUpdateFunctionsPresent());
    EXPECT_EQ(ResourceClasses().size(), 9u);
}

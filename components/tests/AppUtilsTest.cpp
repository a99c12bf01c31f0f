#include "components/AppUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "components/Placemnt.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

namespace {

class TfNames : public TForm {
public:
    TfNames() : TForm(nullptr) {
        Panel = new TWinControl(this);
        Panel->SetName("Panel1");
        Panel->SetParent(this);
        Edit = new TEdit(this);
        Edit->SetName("Edit1");
        Edit->SetParent(Panel);
        Storage = new TFormStorage(this);
        Storage->SetName("FormStorage1");
    }
    TWinControl* Panel;
    TEdit* Edit;
    TFormStorage* Storage;
};

AnsiString TempIni(const char* name) {
    const AnsiString folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/apputils/";
    std::filesystem::create_directories(folder);
    const AnsiString path = folder + name;
    DeleteFile(path);
    return path;
}

}  // namespace

TEST(AppUtilsTest, DefaultSectionNamesFollowTheOwnerForm) {
    auto* form = new TfNames;
    EXPECT_EQ(DefaultSectionName(form), "TfNames");
    EXPECT_EQ(DefaultSectionName(form->Edit), "TfNamesEdit1");
    EXPECT_EQ(DefaultSectionName(form->Storage), "TfNames.FormStorage1");
    EXPECT_EQ(form->Storage->IniSection(), "TfNames");
    form->Storage->SetIniSection("Own");
    EXPECT_EQ(form->Storage->IniSection(), "Own");

    TWinControl loosePanel(nullptr);
    loosePanel.SetName("Box");
    TEdit looseEdit(nullptr);
    looseEdit.SetName("Field");
    looseEdit.SetParent(&loosePanel);
    EXPECT_EQ(DefaultSectionName(&looseEdit), "BoxField");
    looseEdit.SetParent(nullptr);
    TComponent loose(nullptr);
    loose.SetName("Loose");
    EXPECT_EQ(DefaultSectionName(&loose), "Loose");
    form->Free();
}

TEST(AppUtilsTest, DefaultNamesComeFromTheProgramFile) {
    const AnsiString base = ChangeFileExt(ExtractFileName(Application->ExeName()), "");
    EXPECT_EQ(DefaultIniFileName(), base + ".INI");
    EXPECT_EQ(DefaultRegistryKey(), "Software\\" + base);
    TFormPlacement placement(nullptr);
    EXPECT_EQ(placement.IniFileName(), base + ".INI");
    EXPECT_TRUE(placement.Options().Empty());
    EXPECT_EQ(SettingsFilePath("Vemlor.ini"), ProgramFolder() + "Vemlor.ini");
    EXPECT_EQ(SettingsFilePath("/tmp/x/update.ini"), "/tmp/x/update.ini");
}

TEST(AppUtilsTest, ScreenSizeSuffixNamesTheScreen) {
    OverrideScreenSize(1280, 1024);
    EXPECT_EQ(ScreenSizeSuffix(), "(1280x1024)");
    OverrideScreenSize(0, 0);
}

TEST(AppUtilsTest, QuotedValuesGetOneMorePairSoTheyReadBackUnchanged) {
    TIniFile ini(TempIni("quotes.ini"));
    SettingsWriteString(&ini, "S", "D", "\"text\"");
    SettingsWriteString(&ini, "S", "Q", "'text'");
    SettingsWriteString(&ini, "S", "Half", "\"text");
    EXPECT_EQ(ini.ReadString("S", "D", ""), "\"text\"");
    EXPECT_EQ(ini.ReadString("S", "Q", ""), "'text'");
    EXPECT_EQ(ini.ReadString("S", "Half", ""), "\"text");
    EXPECT_EQ(SettingsReadString(&ini, "S", "D", ""), "\"text\"");
    EXPECT_EQ(SettingsReadString(nullptr, "S", "D", "def"), "def");
    SettingsWriteString(nullptr, "S", "X", "nothing happens");
    SettingsWriteInteger(&ini, "S", "N", -42);
    EXPECT_EQ(SettingsReadInteger(&ini, "S", "N", 0), -42);
    EXPECT_EQ(SettingsReadInteger(nullptr, "S", "N", 5), 5);
    SettingsWriteString(&ini, "S", "Big", "0xFFFFFFFF");
    SettingsWriteString(&ini, "S", "TooBig", "0x100000000");
    SettingsWriteString(&ini, "S", "Overflow", "99999999999");
    EXPECT_EQ(SettingsReadInteger(&ini, "S", "Big", 0), -1);
    EXPECT_EQ(SettingsReadInteger(&ini, "S", "TooBig", 3), 3);
    EXPECT_EQ(SettingsReadInteger(&ini, "S", "Overflow", 3), 3);
    SettingsEraseSection(&ini, "S");
    EXPECT_FALSE(ini.SectionExists("S"));
}

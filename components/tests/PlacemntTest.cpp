#include "components/Placemnt.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>

#include "components/AppUtils.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

namespace {

class TfPlaceTest : public TForm {
public:
    explicit TfPlaceTest(const AnsiString& IniName, TFormBorderStyle Style = bsSizeable) : TForm(nullptr) {
        BeginLoading();
        SetBorderStyle(Style);
        SetBounds(30, 40, 300, 200);
        Edit1 = new TEdit(this);
        Edit1->SetName("Edit1");
        Edit1->SetParent(this);
        Edit2 = new TEdit(this);
        Edit2->SetName("Edit2");
        Edit2->SetParent(this);
        Edit2->SetTop(40);
        Storage = new TFormStorage(this);
        Storage->SetName("FormStorage1");
        Storage->SetIniFileName(IniName);
        OnShow = [this](TObject*) { ++Shows; };
        OnCloseQuery = [this](TObject*, bool& CanClose) { CanClose = AllowClose; };
        OnDestroy = [this](TObject*) { ++Destroys; };
        EndLoading();
    }
    TFormStorage* Storage;
    TEdit* Edit1;
    TEdit* Edit2;
    int Shows = 0;
    int Destroys = 0;
    bool AllowClose = true;
};

class TFormPlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetApplicationForTests();
        OverrideScreenSize(1024, 768);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/placement/" + info->name() + "/";
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        Ini = Folder + "Vemlor.ini";
        Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.Message()); };
    }
    void TearDown() override {
        Application->OnException = nullptr;
        OverrideScreenSize(0, 0);
        PumpUntilIdle();
        ResetApplicationForTests();
    }
    AnsiString Read(const AnsiString& Key, const AnsiString& Section = "TfPlaceTest") const {
        return TIniFile(Ini).ReadString(Section, Key, "<none>");
    }
    void Write(const AnsiString& Key, const AnsiString& Value, const AnsiString& Section = "TfPlaceTest") {
        TIniFile(Ini).WriteString(Section, Key, Value);
    }

    // Frees the form without the save its destruction would make.
    static void Discard(TfPlaceTest* form) {
        form->Storage->SetActive(false);
        form->Free();
    }

    AnsiString Folder;
    AnsiString Ini;
    std::vector<AnsiString> Errors;
};

}  // namespace

TEST_F(TFormPlacementTest, FirstRunRestoresNothingAndTheFirstCloseWritesTheWholeSection) {
    auto* form = new TfPlaceTest(Ini);
    form->Show();
    PumpUntilIdle();
    EXPECT_EQ(form->BoundsRect(), Rect(30, 40, 330, 240));
    EXPECT_EQ(form->Shows, 1);  // the form's own OnShow still runs
    form->Close();
    std::vector<AnsiString> keys = TIniFile(Ini).ReadSection("TfPlaceTest");
    EXPECT_EQ(keys, (std::vector<AnsiString>{"FormVersion", "Flags", "ShowCmd", "PixelsPerInch",
                                              "MinMaxPos(1024x768)", "MinMaxPos", "NormPos(1024x768)", "NormPos",
                                              "Visible"}));
    EXPECT_EQ(Read("FormVersion"), "0");
    EXPECT_EQ(Read("ShowCmd"), "1");
    EXPECT_EQ(Read("PixelsPerInch"), "96");
    EXPECT_EQ(Read("NormPos(1024x768)"), "30,40,330,240");
    EXPECT_EQ(Read("NormPos"), "30,40,330,240");
    EXPECT_EQ(Read("Visible"), "0");
    form->Free();
    EXPECT_TRUE(Errors.empty());
}

TEST_F(TFormPlacementTest, NormalPositionIsRestoredOnEveryShow) {
    Write("NormPos", "50,60,450,360");
    Write("ShowCmd", "1");
    auto* form = new TfPlaceTest(Ini);
    form->Show();
    PumpUntilIdle();
    EXPECT_EQ(form->BoundsRect(), Rect(50, 60, 450, 360));
    EXPECT_EQ(form->WindowState(), wsNormal);
    form->Hide();
    form->SetBounds(0, 0, 100, 100);
    form->Show();
    EXPECT_EQ(form->BoundsRect(), Rect(50, 60, 450, 360));
    form->Free();
}

TEST_F(TFormPlacementTest, MaximizedStateRoundTripsWithTheNormalRectangle) {
    {
        auto* form = new TfPlaceTest(Ini);
        form->Show();
        PumpUntilIdle();
        form->SetBounds(20, 25, 320, 220);
        form->SetWindowState(wsMaximized);
        PumpUntilIdle();
        form->Close();
        form->Free();
    }
    EXPECT_EQ(Read("ShowCmd"), "3");
    EXPECT_EQ(Read("NormPos"), "20,25,340,245");
    auto* form = new TfPlaceTest(Ini);
    form->Show();
    PumpUntilIdle();
    EXPECT_EQ(form->WindowState(), wsMaximized);
    form->SetWindowState(wsNormal);
    PumpUntilIdle();
    EXPECT_EQ(form->BoundsRect(), Rect(20, 25, 340, 245));
    form->Free();
}

TEST_F(TFormPlacementTest, MinimizedStateOfAWindowAndOfTheMainWindow) {
    TForm* main = nullptr;
    Application->CreateForm(main);
    Write("ShowCmd", "2");
    Write("NormPos", "50,60,450,360");
    auto* form = new TfPlaceTest(Ini);
    form->Show();
    PumpUntilIdle();
    EXPECT_EQ(form->WindowState(), wsMinimized);
    form->Free();
    main->Free();
    ResetApplicationForTests();

    // The main window itself stays normal; the application goes down instead.
    auto* mainForm = new TfPlaceTest(Ini);
    mainForm->Show();
    EXPECT_EQ(mainForm->WindowState(), wsNormal);
    PumpUntilIdle();
    EXPECT_TRUE(Application->Minimized());
    Application->Restore();
    mainForm->Free();
}

TEST_F(TFormPlacementTest, AWindowNeverShownDoesNotWrite) {
    auto* form = new TfPlaceTest(Ini);
    form->Close();
    form->Free();
    EXPECT_FALSE(FileExists(Ini));
}

TEST_F(TFormPlacementTest, CloseThenDestroyWritesOnceAndVisibleMarksAWriteOnDestruction) {
    auto* form = new TfPlaceTest(Ini);
    form->Show();
    form->Close();
    EXPECT_EQ(Read("Visible"), "0");
    DeleteFile(Ini);
    form->Free();
    EXPECT_FALSE(FileExists(Ini));

    form = new TfPlaceTest(Ini);
    form->Show();
    form->Free();
    EXPECT_EQ(Read("Visible"), "1");
}

TEST_F(TFormPlacementTest, ARefusedCloseDoesNotWrite) {
    auto* form = new TfPlaceTest(Ini);
    form->Show();
    form->AllowClose = false;
    form->Close();
    EXPECT_FALSE(FileExists(Ini));
    form->AllowClose = true;
    form->Free();
    EXPECT_EQ(Read("Visible"), "1");
}

TEST_F(TFormPlacementTest, PositionKeyOfTheScreenSizeIsPreferred) {
    Write("NormPos(1280x1024)", "100,110,500,410");
    Write("NormPos", "10,20,210,220");
    OverrideScreenSize(1280, 1024);
    auto* form = new TfPlaceTest(Ini);
    form->Show();
    EXPECT_EQ(form->BoundsRect(), Rect(100, 110, 500, 410));
    Discard(form);

    OverrideScreenSize(800, 600);
    form = new TfPlaceTest(Ini);
    form->Show();
    EXPECT_EQ(form->BoundsRect(), Rect(10, 20, 210, 220));
    Discard(form);
}

TEST_F(TFormPlacementTest, AFixedSizeWindowTakesOnlyTheStoredCorner) {
    Write("NormPos", "70,80,900,900");
    auto* form = new TfPlaceTest(Ini, bsSingle);
    form->Show();
    EXPECT_EQ(form->BoundsRect(), Rect(70, 80, 370, 280));
    Discard(form);
}

TEST_F(TFormPlacementTest, DamagedOrForeignPositionsAreIgnored) {
    Write("NormPos", "50,60,450,360");
    Write("PixelsPerInch", "120");
    auto* form = new TfPlaceTest(Ini);
    form->Show();
    EXPECT_EQ(form->BoundsRect(), Rect(30, 40, 330, 240));
    Discard(form);

    Write("PixelsPerInch", "96");
    for (const char* damaged : {"400,60,50,360", "abc", "50,360,450,60"}) {
        Write("NormPos", damaged);
        form = new TfPlaceTest(Ini);
        form->Show();
        EXPECT_EQ(form->BoundsRect(), Rect(30, 40, 330, 240)) << damaged;
        Discard(form);
    }
    // Missing words take the form's own values.
    Write("NormPos", "5,6");
    Write("ShowCmd", "x");
    form = new TfPlaceTest(Ini);
    form->Show();
    EXPECT_EQ(form->BoundsRect(), Rect(5, 6, 330, 240));
    EXPECT_EQ(form->WindowState(), wsNormal);
    Discard(form);
}

TEST_F(TFormPlacementTest, AnOlderFormVersionSkipsTheRestoreButLaterSavesOverwrite) {
    Write("FormVersion", "1");
    Write("NormPos", "50,60,450,360");
    auto* form = new TfPlaceTest(Ini);
    form->Storage->SetVersion(2);
    bool restoredEvent = false;
    form->Storage->OnRestorePlacement = [&](TObject*) { restoredEvent = true; };
    form->Show();
    EXPECT_EQ(form->BoundsRect(), Rect(30, 40, 330, 240));
    EXPECT_FALSE(restoredEvent);
    form->Close();
    EXPECT_EQ(Read("FormVersion"), "2");
    EXPECT_EQ(Read("NormPos"), "30,40,330,240");
    form->Free();
}

TEST_F(TFormPlacementTest, ActiveControlIsStoredByName) {
    auto* form = new TfPlaceTest(Ini);
    form->Storage->SetOptions(TPlacementOptions{fpState, fpPosition, fpActiveControl});
    form->Show();
    PumpUntilIdle();
    form->SetActiveControl(form->Edit2);
    form->Close();
    form->Free();
    EXPECT_EQ(Read("ActiveControl"), "Edit2");

    form = new TfPlaceTest(Ini);
    form->Storage->SetOptions(TPlacementOptions{fpState, fpPosition, fpActiveControl});
    form->Show();
    EXPECT_EQ(form->ActiveControl(), form->Edit2);
    form->Free();
}

TEST_F(TFormPlacementTest, SingleValuesAndQuotedTextRoundTrip) {
    auto* form = new TfPlaceTest(Ini);
    TFormPlacement* s = form->Storage;
    const std::vector<AnsiString> values{"\"quoted\"", "'single'", "\"", " blanks ", "plain",
                                         AnsiString(3000, 'x')};
    for (std::size_t i = 0; i < values.size(); ++i) s->WriteStringValue("V" + std::to_string(i), values[i]);
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(s->ReadStringValue("V" + std::to_string(i), "?"), values[i]) << i;
    s->WriteIntegerValue("AbroadWarning", 1);
    EXPECT_EQ(s->ReadIntegerValue("AbroadWarning", 0), 1);
    Write("Hex", "0x1F");
    Write("HexUpper", "0X10");
    Write("Bad", "12abc");
    Write("Short", "0x");
    EXPECT_EQ(s->ReadIntegerValue("Hex", 0), 31);
    EXPECT_EQ(s->ReadIntegerValue("HexUpper", 0), 16);
    EXPECT_EQ(s->ReadIntegerValue("Bad", 7), 7);
    EXPECT_EQ(s->ReadIntegerValue("Short", 7), 7);
    EXPECT_EQ(s->ReadIntegerValue("Missing", -3), -3);
    form->Free();
}

TEST_F(TFormPlacementTest, ValuesAreReachableFromTheSaveEventThroughTheOpenFile) {
    auto* form = new TfPlaceTest(Ini);
    TFormPlacement* s = form->Storage;
    TIniFile* seen = nullptr;
    s->OnSavePlacement = [&](TObject*) {
        seen = s->IniFileObject();
        s->WriteStringValue("Jazyk", "czech.lng");
    };
    form->Show();
    form->Close();
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(s->IniFileObject(), nullptr);
    EXPECT_EQ(Read("Jazyk"), "czech.lng");
    form->Free();
}

TEST_F(TFormPlacementTest, LinksSaveAndLoadInOrderWithTheSectionPrefix) {
    auto* form = new TfPlaceTest(Ini);
    std::vector<AnsiString> calls;
    TIniLink first, second;
    first.SetIniObject(form->Storage);
    second.SetIniObject(form->Storage);
    EXPECT_EQ(first.SectionPrefix(), "");
    first.OnSave = [&](TObject*) {
        calls.push_back("save1");
        EXPECT_NE(first.SettingsObject(), nullptr);
    };
    second.OnSave = [&](TObject*) { calls.push_back("save2"); };
    first.OnLoad = [&](TObject*) { calls.push_back("load1"); };
    second.OnLoad = [&](TObject*) { calls.push_back("load2"); };
    form->Show();
    form->Close();
    EXPECT_EQ(calls, (std::vector<AnsiString>{"load1", "load2", "save1", "save2"}));
    EXPECT_EQ(first.SettingsObject(), nullptr);
    form->Storage->SetIniSection("Grids");
    EXPECT_EQ(first.SectionPrefix(), "Grids\\");
    form->Free();
    // The storage let go of its links when it was freed.
    EXPECT_EQ(first.IniObject(), nullptr);
}

TEST_F(TFormPlacementTest, ALinkFreedByAnotherLinksHandlerIsSkipped) {
    auto* form = new TfPlaceTest(Ini);
    auto* first = new TIniLink;
    auto* second = new TIniLink;
    first->SetIniObject(form->Storage);
    second->SetIniObject(form->Storage);
    int secondLoads = 0;
    first->OnLoad = [&](TObject*) {
        delete second;
        second = nullptr;
    };
    if (second) second->OnLoad = [&](TObject*) { ++secondLoads; };
    form->Show();
    EXPECT_EQ(secondLoads, 0);
    delete first;
    Discard(form);
}

TEST_F(TFormPlacementTest, AFailedWriteGoesToTheApplicationAndTheWindowStillCloses) {
    auto* form = new TfPlaceTest(Folder + "missing/folder/Vemlor.ini");
    form->Show();
    form->Close();
    EXPECT_FALSE(form->Visible());
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_NE(Errors[0].find("Unable to write to"), AnsiString::npos);
    // Why, too: the folder is missing, not the disk full nor the file locked.
    EXPECT_NE(Errors[0].find("Vemlor.ini. No such file or directory"), AnsiString::npos) << Errors[0];
    form->Free();
}

TEST_F(TFormPlacementTest, ASaveKilledAtAnyMomentLeavesTheOldSettingsOrTheNewNeverAMix) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Shows the window, gives it the texts and bounds and closes it (which saves).
    auto save = [this](const AnsiString& Text, int Left) {
        auto* form = new TfPlaceTest(Ini);
        form->Storage->StoredProps()->Add("Edit1.Text");
        form->Storage->StoredProps()->Add("Edit2.Text");
        form->Storage->ResolveStoredProps();
        form->Show();
        form->Edit1->SetText(Text + "1");
        form->Edit2->SetText(Text + "2");
        form->SetBounds(Left, 40, 300, 200);
        form->Close();
        form->Free();
    };
    auto keys = [this] {
        return Read("NormPos(1024x768)") + "|" + Read("NormPos") + "|" + Read("Edit1_Text") + "|" +
               Read("Edit2_Text");
    };
    save("new", 70);
    const AnsiString newKeys = keys();
    save("old", 30);
    const AnsiString oldKeys = keys();
    const AnsiString oldBytes = ReadFileBytes(Ini);
    ASSERT_NE(oldKeys, newKeys);
    // Killed as the save replaces the file for the first, second, ... time.
    for (int killAt = 1; killAt <= 3; ++killAt) {
        WriteFileAtomic(Ini, oldBytes);
        EXPECT_EXIT(
            {
                int replaces = 0;
                SetAtomicWriterTestHook([&](const AnsiString&) {
                    if (++replaces == killAt) _exit(9);
                });
                save("new", 70);
                _exit(0);
            },
            [](int Status) { return WIFEXITED(Status); }, "");
        const AnsiString found = keys();
        EXPECT_TRUE(found == oldKeys || found == newKeys) << "killed at replace " << killAt << ": " << found;
    }
}

TEST_F(TFormPlacementTest, RegistryModeReportsThatItIsUnavailableAndTheWindowStillOpens) {
    auto* form = new TfPlaceTest(Ini);
    form->Storage->SetUseRegistry(true);
    form->Show();
    EXPECT_TRUE(form->Visible());
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_NE(Errors[0].find("registry"), AnsiString::npos);
    Discard(form);
    EXPECT_FALSE(FileExists(Ini));
}

TEST_F(TFormPlacementTest, FreeingTheStorageGivesTheFormItsHandlersBack) {
    auto* form = new TfPlaceTest(Ini);
    delete form->Storage;
    form->Show();
    EXPECT_EQ(form->Shows, 1);
    form->Close();
    form->Free();
    EXPECT_FALSE(FileExists(Ini));
}

TEST_F(TFormPlacementTest, SizeLimitsComeFromMinMaxInfoOrPreventResize) {
    auto* form = new TfPlaceTest(Ini);
    TMinMaxInfo info;
    form->Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<std::intptr_t>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 0);
    form->Storage->MinMaxInfo()->SetMinTrackWidth(250);
    form->Storage->MinMaxInfo()->SetMaxTrackHeight(500);
    info = TMinMaxInfo{};
    form->Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<std::intptr_t>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 250);
    EXPECT_EQ(info.ptMaxTrackSize.y, 500);

    EXPECT_TRUE(form->BorderIcons().Contains(biMaximize));
    form->Storage->SetPreventResize(true);
    EXPECT_FALSE(form->BorderIcons().Contains(biMaximize));
    form->Show();
    info = TMinMaxInfo{};
    form->Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<std::intptr_t>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, form->Width());
    EXPECT_EQ(info.ptMaxTrackSize.y, form->Height());
    form->Storage->SetPreventResize(false);
    EXPECT_TRUE(form->BorderIcons().Contains(biMaximize));
    form->Free();
}

TEST_F(TFormPlacementTest, PreventResizeKeepsTheUserFromSizingTheWindowByItsFrame) {
    auto* form = new TfPlaceTest(Ini);
    form->Storage->SetPreventResize(true);
    form->Show();
    PumpUntilIdle();
    ResizeByUser(form, 500, 400);
    EXPECT_EQ(form->Width(), 300);
    EXPECT_EQ(form->Height(), 200);
    // The program still sizes it; the user still cannot.
    form->SetBounds(30, 40, 350, 250);
    PumpUntilIdle();
    EXPECT_EQ(form->Width(), 350);
    ResizeByUser(form, 500, 400);
    EXPECT_EQ(form->Width(), 350);
    EXPECT_EQ(form->Height(), 250);
    form->Storage->SetPreventResize(false);
    ResizeByUser(form, 500, 400);
    EXPECT_EQ(form->Width(), 500);
    EXPECT_EQ(form->Height(), 400);
    Discard(form);
}

TEST_F(TFormPlacementTest, MaximizedPositionPutsTheFrameOffTheScreenAndIsSaved) {
    Write("MinMaxPos", "5,6,7,8");
    {
        auto* form = new TfPlaceTest(Ini);
        form->Show();
        PumpUntilIdle();
        // The minimized position comes back as stored; the maximized one is
        // the sizing frame (4 pixels) just off the screen.
        EXPECT_EQ(form->GetWindowPlacement().ptMinPosition, Point(5, 6));
        EXPECT_EQ(form->GetWindowPlacement().ptMaxPosition, Point(-4, -4));
        form->Close();
        form->Free();
    }
    EXPECT_EQ(Read("MinMaxPos"), "5,6,-4,-4");
    {
        auto* dialog = new TfPlaceTest(Ini, bsDialog);
        dialog->Show();
        EXPECT_EQ(dialog->GetWindowPlacement().ptMaxPosition, Point(-3, -3));
        // Size limits of its own or a fixed size leave the position alone.
        dialog->Storage->MinMaxInfo()->SetMaxPosLeft(20);
        dialog->Storage->SetPreventResize(true);
        dialog->SetWindowPlacement(TWindowPlacement{});
        dialog->Storage->RestoreSettings();
        EXPECT_EQ(dialog->GetWindowPlacement().ptMaxPosition, Point(-4, -4));  // as stored
        Discard(dialog);
    }
}

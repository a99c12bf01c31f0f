#include <gtest/gtest.h>

#include <QWidget>
#include <QWindow>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/ui/Bars.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"
#include "platform/ui/UiBridge.h"

// The toolkit's entry for input as the window system delivers it (what its
// own test library uses): the event goes through the window-system layer,
// double-click detection included.
void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global, Qt::MouseButtons state,
                         Qt::MouseButton button, QEvent::Type type, Qt::KeyboardModifiers mods, int timestamp);

namespace {

// A small dialog built in code the way program windows are.
class TTestDialog : public TForm {
public:
    explicit TTestDialog(TComponent* owner, std::vector<std::string>* log = nullptr) : TForm(owner), FLog(log) {
        SetName("TestDialog");
        SetCaption("Zkušební okno");
        SetClientWidth(300);
        SetClientHeight(120);
        Label = new TLabel(this);
        Label->SetName("Label1");
        Label->SetParent(this);
        Label->SetBounds(8, 8, 200, 13);
        Label->SetCaption("&Jméno:");
        Edit = new TEdit(this);
        Edit->SetName("Edit1");
        Edit->SetParent(this);
        Edit->SetBounds(8, 26, 280, 21);
        Ok = new TButton(this);
        Ok->SetName("OKButton");
        Ok->SetParent(this);
        Ok->SetCaption("&OK");
        Ok->SetModalResult(mrOk);
        Ok->SetDefault(true);
        Ok->SetBounds(130, 80, 75, 25);
        Cancel = new TButton(this);
        Cancel->SetName("CancelButton");
        Cancel->SetParent(this);
        Cancel->SetCaption("&Storno");
        Cancel->SetModalResult(mrCancel);
        Cancel->SetCancel(true);
        Cancel->SetBounds(213, 80, 75, 25);
        if (FLog) {
            OnCreate = [this](TObject*) { Log("OnCreate"); };
            OnShow = [this](TObject*) { Log("OnShow"); };
            OnActivate = [this](TObject*) { Log("OnActivate"); };
            OnHide = [this](TObject*) { Log("OnHide"); };
            OnCloseQuery = [this](TObject*, bool& canClose) {
                Log("OnCloseQuery");
                canClose = ++FCloseQueries > RefuseCloses;
            };
            OnClose = [this](TObject*, TCloseAction& action) {
                Log("OnClose");
                action = CloseAction;
            };
            OnDestroy = [this](TObject*) { Log("OnDestroy"); };
            Edit->OnChange = [this](TObject*) { Log("OnChange " + Edit->Text()); };
        }
    }

    void Log(const std::string& s) { FLog->push_back(s); }

    TLabel* Label;
    TEdit* Edit;
    TButton* Ok;
    TButton* Cancel;
    int RefuseCloses = 0;
    TCloseAction CloseAction = caHide;

private:
    std::vector<std::string>* FLog;
    int FCloseQueries = 0;
};

std::vector<std::string> Without(std::vector<std::string> log, const std::string& what) {
    log.erase(std::remove(log.begin(), log.end(), what), log.end());
    return log;
}

}  // namespace

TEST(TFormTest, ModalFormFiresEventsInClassLibraryOrder) {
    std::vector<std::string> log;
    TModalAnswerer answerer;
    auto* form = new TTestDialog(nullptr, &log);
    form->RefuseCloses = 1;
    form->AfterConstruction();
    answerer.Act([&](TForm* f) {
        EXPECT_EQ(f, form);
        EXPECT_TRUE(f->Visible());
        TypeText(form->Edit, "ok");
    });
    answerer.ClickButton("OK");  // refused by OnCloseQuery
    answerer.ClickButton("OKButton");
    EXPECT_EQ(mrOk, form->ShowModal());
    EXPECT_FALSE(form->Visible());
    form->Free();
    const std::vector<std::string> expected{"OnCreate",     "OnShow",   "OnChange o", "OnChange ok", "OnCloseQuery",
                                            "OnCloseQuery", "OnClose",  "OnHide",     "OnDestroy"};
    EXPECT_EQ(expected, Without(log, "OnActivate"));
    EXPECT_EQ(0, answerer.Pending());
    EXPECT_TRUE(answerer.Unexpected().empty());
}

TEST(TFormTest, CloseActionNoneKeepsModalFormWaiting) {
    TModalAnswerer answerer;
    TTestDialog form(nullptr, nullptr);
    int closes = 0;
    form.OnClose = [&](TObject*, TCloseAction& action) { action = ++closes == 1 ? caNone : caHide; };
    answerer.Answer(mrCancel);
    answerer.Answer(mrYes, [](TForm* f) { EXPECT_EQ(mrNone, f->ModalResult()); });
    EXPECT_EQ(mrYes, form.ShowModal());
    EXPECT_EQ(2, closes);
}

TEST(TFormTest, ReturnClicksDefaultButtonAndEscapeCancelButton) {
    TModalAnswerer answerer;
    TTestDialog form(nullptr);
    int okClicks = 0;
    form.Ok->OnClick = [&](TObject*) {
        ++okClicks;
        EXPECT_EQ(mrOk, form.ModalResult());  // set before OnClick
    };
    answerer.Act([&](TForm*) { SendKey(form.Edit, VK_RETURN); });
    EXPECT_EQ(mrOk, form.ShowModal());
    EXPECT_EQ(1, okClicks);
    answerer.Act([&](TForm*) { SendKey(form.Edit, VK_ESCAPE); });
    EXPECT_EQ(mrCancel, form.ShowModal());
    EXPECT_EQ(1, okClicks);
}

TEST(TFormTest, ModalWindowWithoutScriptedAnswerIsCancelledAndReported) {
    TModalAnswerer answerer;
    TTestDialog form(nullptr);
    EXPECT_EQ(mrCancel, form.ShowModal());
    ASSERT_EQ(1u, answerer.Unexpected().size());
    EXPECT_EQ(AnsiString("Zkušební okno"), answerer.Unexpected()[0]);
}

TEST(TFormTest, ShowModalOfVisibleFormRaises) {
    TTestDialog form(nullptr);
    form.Show();
    EXPECT_THROW(form.ShowModal(), EInvalidOperation);
    form.Hide();
}

TEST(TFormTest, CloseOfNonModalFormHidesUnlessRefused) {
    std::vector<std::string> log;
    TTestDialog form(nullptr, &log);
    form.RefuseCloses = 1;
    form.Show();
    EXPECT_TRUE(form.Visible());
    form.Close();
    EXPECT_TRUE(form.Visible());
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ((std::vector<std::string>{"OnCreate", "OnShow", "OnCloseQuery", "OnCloseQuery", "OnClose", "OnHide"}),
              Without(log, "OnActivate"));
}

TEST(TFormTest, CloseActionFreeReleasesFormAfterTheHandler) {
    std::vector<std::string> log;
    auto* form = new TTestDialog(nullptr, &log);
    form->CloseAction = caFree;
    form->Show();
    const int before = Screen->FormCount();
    form->Close();
    EXPECT_EQ(before, Screen->FormCount());  // still there until the event loop runs
    PumpUntilIdle();
    EXPECT_EQ(before - 1, Screen->FormCount());
    EXPECT_EQ("OnDestroy", log.back());
}

TEST(TFormTest, ClosingMainFormTerminatesApplication) {
    TTestDialog* main = nullptr;
    Application->CreateForm(main);
    EXPECT_EQ(main, Application->MainForm());
    EXPECT_EQ(main, Application->FindComponent("TestDialog"));
    Application->Post([&] { main->Close(); });
    Application->Run();  // returns once the main form closed
    EXPECT_TRUE(Application->Terminated());
    main->Free();
    EXPECT_EQ(nullptr, Application->MainForm());
    ResetApplicationForTests();
}

TEST(TFormTest, OwnerFreesOwnedFormsAfterTheirOnDestroy) {
    std::vector<std::string> log;
    auto* owner = new TTestDialog(nullptr);
    auto* child = new TTestDialog(owner, &log);
    child->SetName("Child");
    child->AfterConstruction();
    owner->Free();
    EXPECT_EQ((std::vector<std::string>{"OnCreate", "OnDestroy"}), log);
}

TEST(TFormTest, ScreenCentredPositionIsAppliedOnFirstShow) {
    OverrideScreenSize(1024, 768);
    TTestDialog form(nullptr);
    form.SetPosition(poScreenCenter);
    form.Show();
    EXPECT_EQ((1024 - form.Width()) / 2, form.Left());
    EXPECT_EQ((768 - form.Height()) / 2, form.Top());
    EXPECT_EQ(poDesigned, form.Position());
    form.Hide();
    OverrideScreenSize(0, 0);
}

TEST(TFormTest, KeyPreviewLetsTheFormEatKeysFirst) {
    TTestDialog form(nullptr);
    std::vector<Word> formKeys, editKeys;
    form.SetKeyPreview(true);
    form.OnKeyDown = [&](TObject*, Word& key, TShiftState) {
        formKeys.push_back(key);
        if (key == VK_F2) key = 0;
    };
    form.Edit->OnKeyDown = [&](TObject*, Word& key, TShiftState) { editKeys.push_back(key); };
    form.Show();
    SendKey(form.Edit, VK_F2);
    SendKey(form.Edit, VK_F3);
    form.Hide();
    EXPECT_EQ((std::vector<Word>{VK_F2, VK_F3}), formKeys);
    EXPECT_EQ((std::vector<Word>{VK_F3}), editKeys);
}

TEST(TFormTest, KeyPressCanReplaceOrEatTheCharacter) {
    TTestDialog form(nullptr);
    form.Edit->OnKeyPress = [](TObject*, char& key) {
        if (key == 'a') key = 'b';
        if (key == 'x') key = 0;
    };
    form.Show();
    TypeText(form.Edit, "axaš");
    EXPECT_EQ(AnsiString("bbš"), form.Edit->Text());
    form.Hide();
}

TEST(TFormTest, ControlTakesFocusInOnShowBeforeTheWindowAppears) {
    TTestDialog form(nullptr);
    form.OnShow = [&](TObject*) { form.Cancel->SetFocus(); };
    form.Show();
    PumpUntilIdle();
    EXPECT_EQ(form.Cancel, form.ActiveControl());
    EXPECT_TRUE(form.Cancel->Focused());
    form.Hide();
    form.Cancel->SetVisible(false);
    EXPECT_THROW(form.Cancel->SetFocus(), EInvalidOperation);
}

TEST(TFormTest, TerminateEndsModalLoopsWithCancel) {
    TModalAnswerer answerer;
    TTestDialog form(nullptr);
    answerer.Act([](TForm*) { Application->Terminate(); });
    EXPECT_EQ(mrCancel, form.ShowModal());
    EXPECT_FALSE(form.Visible());
    ResetApplicationForTests();
}

TEST(TFormTest, PlacementRoundTrips) {
    TTestDialog form(nullptr);
    TWindowPlacement p = form.GetWindowPlacement();
    EXPECT_EQ(SW_SHOWNORMAL, p.showCmd);
    p.rcNormalPosition = Rect(10, 20, 410, 320);
    form.SetWindowPlacement(p);
    EXPECT_EQ(Rect(10, 20, 410, 320), form.BoundsRect());
    EXPECT_EQ(Rect(10, 20, 410, 320), form.GetWindowPlacement().rcNormalPosition);
}

TEST(TFormTest, PublishedPropertiesReachTheSetters) {
    TTestDialog form(nullptr);
    int changes = 0;
    form.Edit->OnChange = [&](TObject*) { ++changes; };
    SetStrProp(form.Edit, "Text", "ahoj");
    EXPECT_EQ(1, changes);
    SetStrProp(form.Label, "Caption", "Nový");
    EXPECT_EQ(AnsiString("Nový"), form.Label->Caption());
    EXPECT_EQ(tkLString, PropType(&form, "Caption"));
    EXPECT_EQ(tkInteger, PropType(form.Ok, "ModalResult"));
    EXPECT_EQ(tkClass, PropType(form.Label, "Font"));
    EXPECT_EQ(AnsiString("bsSizeable"), GetPropValue(&form, "BorderStyle"));
    SetPropValue(&form, "BorderIcons", "[biSystemMenu]");
    EXPECT_EQ(TBorderIcons{biSystemMenu}, form.BorderIcons());
    EXPECT_EQ(form.Label->Font(), GetObjectProp(form.Label, "Font"));
}

// What a window asks of the window manager: one of fixed size offers no
// maximise button, whatever its icons say, since maximising could not change
// its size.
TEST(TFormTest, OnlySizeableWindowsAskForAMaximiseButton) {
    for (TFormBorderStyle style : {bsSingle, bsDialog, bsToolWindow, bsSizeable}) {
        TTestDialog form(nullptr);
        form.SetBorderStyle(style);
        form.SetBorderIcons(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
        const QWidget* w = ui_detail::WidgetOf(&form);
        EXPECT_EQ(w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint), style == bsSizeable) << style;
        EXPECT_EQ(w->minimumSize() == w->maximumSize(), style != bsSizeable) << style;
    }
}

TEST(TApplicationTest, ExceptionsEscapingHandlersGoToOnException) {
    TTestDialog form(nullptr);
    std::vector<AnsiString> messages;
    Application->OnException = [&](TObject* sender, Exception& e) {
        EXPECT_EQ(form.Ok, sender);
        messages.push_back(e.Message());
    };
    form.Ok->OnClick = [](TObject*) { throw EConvertError("špatné číslo"); };
    form.Show();
    SendClick(form.Ok, 5, 5);
    form.Ok->OnClick = [](TObject*) { throw EAbort("tiše"); };
    SendClick(form.Ok, 5, 5);
    form.Hide();
    Application->OnException = nullptr;
    EXPECT_EQ(std::vector<AnsiString>{"špatné číslo"}, messages);
}

TEST(TApplicationTest, PostedCallsAndRunOnMainThreadComeFromWorkers) {
    std::atomic<int> stage{0};
    std::vector<int> order;
    std::thread worker([&] {
        Application->Post([&] { order.push_back(1); });
        Application->RunOnMainThread([&] { order.push_back(2); });
        EXPECT_THROW(Application->RunOnMainThread([] { throw EInvalidOperation("x"); }), EInvalidOperation);
        stage = 1;
    });
    while (stage.load() == 0) Application->ProcessMessages();
    worker.join();
    EXPECT_EQ((std::vector<int>{1, 2}), order);
    bool inline_ran = false;
    Application->RunOnMainThread([&] { inline_ran = true; });
    EXPECT_TRUE(inline_ran);
}

TEST(TApplicationTest, ToolkitLeavesNumberFormattingWithDecimalPoint) {
    EXPECT_STREQ("C", std::setlocale(LC_NUMERIC, nullptr));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", 1.25);
    EXPECT_STREQ("1.25", buffer);
    EXPECT_EQ(AnsiString("1.5"), FloatToStr(1.5));
    EXPECT_DOUBLE_EQ(2.75, StrToFloat("2.75"));
}

TEST(TScreenTest, ListsFormsAndDataModulesWhileTheyLive) {
    const int forms = Screen->FormCount();
    const int modules = Screen->DataModuleCount();
    auto* form = new TTestDialog(nullptr);
    auto* module = new TDataModule(nullptr);
    EXPECT_EQ(forms + 1, Screen->FormCount());
    EXPECT_EQ(form, Screen->Forms(Screen->FormCount() - 1));
    EXPECT_EQ(module, Screen->DataModules(modules));
    EXPECT_THROW(Screen->Forms(-1), EListError);
    form->Free();
    module->Free();
    EXPECT_EQ(forms, Screen->FormCount());
    EXPECT_EQ(modules, Screen->DataModuleCount());
    EXPECT_GT(Screen->Width(), 0);
    EXPECT_EQ(96, Screen->PixelsPerInch());
}

namespace {
// Handlers that touch members of the derived window, which are gone once its
// destructor body has run.
class TFocusForm : public TForm {
public:
    explicit TFocusForm(TComponent* owner) : TForm(owner), Log(std::make_unique<std::vector<std::string>>()) {
        First = new TEdit(this);
        First->SetParent(this);
        Second = new TEdit(this);
        Second->SetParent(this);
        Second->SetTop(30);
        Second->OnEnter = [this](TObject*) { Log->push_back("enter"); };
        First->OnExit = [this](TObject*) { Log->push_back("exit"); };
        OnPaint = [this](TObject*) { Log->push_back("paint"); };
    }
    std::unique_ptr<std::vector<std::string>> Log;
    TEdit* First;
    TEdit* Second;
};
}  // namespace

TEST(TFormTest, NoHandlerRunsWhileTheWindowIsDestroyed) {
    auto* form = new TFocusForm(nullptr);
    form->Show();
    PumpUntilIdle();
    form->First->SetFocus();
    PumpUntilIdle();
    EXPECT_TRUE(form->First->Focused());
    form->Free();  // the focused edit goes first; Qt moves the focus on
    PumpUntilIdle();
}

TEST(TFormTest, ModalFormOpensAnotherModalFormInANestedLoop) {
    TModalAnswerer answerer;
    TTestDialog outer(nullptr);
    TTestDialog inner(nullptr);
    inner.SetCaption("Vnořené okno");
    TModalResult innerResult = mrNone;
    int levelInside = 0;
    answerer.Act([&](TForm*) {
        innerResult = inner.ShowModal();
        // Back in the outer loop: the outer window still waits.
        EXPECT_TRUE(outer.Visible());
        EXPECT_EQ(mrNone, outer.ModalResult());
    });
    answerer.Answer(mrNo, [&](TForm* f) {
        EXPECT_EQ(&inner, f);
        levelInside = Application->ModalLevel();
    });
    answerer.ClickButton("OKButton");
    EXPECT_EQ(mrOk, outer.ShowModal());
    EXPECT_EQ(mrNo, innerResult);
    EXPECT_EQ(2, levelInside);
    EXPECT_EQ(0, Application->ModalLevel());
    EXPECT_EQ((std::vector<AnsiString>{"Zkušební okno", "Vnořené okno", "Zkušební okno"}), answerer.Seen());
    EXPECT_TRUE(answerer.Unexpected().empty());
}

TEST(TFormTest, MaximizedPlacementKeepsTheNormalRectangle) {
    TTestDialog form(nullptr);
    TWindowPlacement p;
    p.showCmd = SW_SHOWMAXIMIZED;
    p.rcNormalPosition = Rect(30, 40, 330, 240);
    form.SetWindowPlacement(p);
    EXPECT_EQ(wsMaximized, form.WindowState());
    const TWindowPlacement back = form.GetWindowPlacement();
    EXPECT_EQ(SW_SHOWMAXIMIZED, back.showCmd);
    EXPECT_EQ(Rect(30, 40, 330, 240), back.rcNormalPosition);
    // SW_HIDE carries the rectangle only; showing stays the program's choice.
    p.showCmd = SW_HIDE;
    p.rcNormalPosition = Rect(0, 0, 200, 100);
    form.SetWindowPlacement(p);
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(Rect(0, 0, 200, 100), form.BoundsRect());
}

TEST(TFormTest, ShownFormIsActivatedAfterOnShow) {
    std::vector<std::string> log;
    TTestDialog form(nullptr, &log);
    form.Show();
    PumpUntilIdle();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{"OnCreate", "OnShow", "OnActivate"}),
              std::vector<std::string>(log.begin(), log.begin() + 3));
    EXPECT_TRUE(form.Active());
    EXPECT_EQ(&form, Screen->ActiveForm());
    form.Hide();
}

TEST(TScreenTest, CursorTableKeepsBuiltInAndProgramCursors) {
    const HCURSOR hourglass = Screen->Cursors(crHourGlass);
    ASSERT_NE(nullptr, hourglass);
    EXPECT_EQ(hourglass, Screen->Cursors(crHourGlass));
    // An unknown program number shows the default cursor.
    EXPECT_EQ(Screen->Cursors(crDefault), Screen->Cursors(7));
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(16, 16);
    const HCURSOR own = CreateCursorFromBitmap(picture, clWhite, 0, 0);
    Screen->SetCursors(7, own);
    EXPECT_EQ(own, Screen->Cursors(7));
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(crHourGlass, Screen->Cursor());
    Screen->SetCursor(7);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(crDefault, Screen->Cursor());
    Screen->SetCursors(7, nullptr);
    EXPECT_EQ(Screen->Cursors(crDefault), Screen->Cursors(7));
}

TEST(TApplicationTest, MinimizeAndRestoreTakeTheShownWindowsAlong) {
    TTestDialog form(nullptr);
    form.Show();
    PumpUntilIdle();
    Application->Minimize();
    PumpUntilIdle();
    EXPECT_TRUE(Application->Minimized());
    EXPECT_EQ(wsMinimized, form.WindowState());
    Application->Restore();
    PumpUntilIdle();
    EXPECT_FALSE(Application->Minimized());
    EXPECT_EQ(wsNormal, form.WindowState());
    form.Hide();
}

namespace {

// A left button press or release at a screen point, into the window there.
void WindowSystemClick(TForm* Window, TPoint At, QEvent::Type Type, int Timestamp) {
    QWidget* w = ui_detail::WidgetOf(Window);
    const QPointF global(At.x, At.y);
    const QPointF local = global - QPointF(w->mapToGlobal(QPoint(0, 0)));
    const bool press = Type == QEvent::MouseButtonPress;
    qt_handleMouseEvent(w->windowHandle(), local, global, press ? Qt::LeftButton : Qt::NoButton, Qt::LeftButton, Type,
                        Qt::NoModifier, Timestamp);
}

}  // namespace

// The window closes on the first click of the user's double click; the
// second press comes to the window now under the pointer, which the toolkit
// pairs with the first into a double click. It must not press the tool
// button there.
TEST(TFormTest, TheDoubleClickWhoseFirstClickClosesAModalWindowPressesNothingBeneath) {
    TForm main(nullptr);
    main.SetBounds(40, 40, 360, 200);
    auto* bar = new TToolBar(&main);
    bar->SetParent(&main);
    bar->SetAlign(alTop);
    bar->SetShowCaptions(true);
    auto* ellipse = new TToolButton(&main);
    ellipse->SetParent(bar);
    ellipse->SetStyle(tbsCheck);
    ellipse->SetGrouped(true);
    ellipse->SetCaption("Elipsa");
    int downs = 0, clicks = 0;
    ellipse->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    ellipse->OnClick = [&](TObject*) { ++clicks; };
    main.Show();
    PumpUntilIdle();
    const TPoint at = ellipse->ClientToScreen(Point(ellipse->Width() / 2, ellipse->Height() / 2));

    TForm picker(nullptr);
    const TPoint corner = main.ClientToScreen(Point(0, 0));
    picker.SetBounds(corner.x, corner.y, 300, 120);
    auto* picture = new TPanel(&picker);
    picture->SetParent(&picker);
    picture->SetAlign(alClient);
    picture->OnClick = [&](TObject*) { picker.SetModalResult(mrOk); };
    bool clicked = false;
    ui_detail::SetModalHook([&](TForm*) {
        if (clicked) return;
        clicked = true;
        WindowSystemClick(&picker, at, QEvent::MouseButtonPress, 1000);
        WindowSystemClick(&picker, at, QEvent::MouseButtonRelease, 1010);
    });
    EXPECT_EQ(picker.ShowModal(), mrOk);
    ui_detail::SetModalHook({});
    WindowSystemClick(&main, at, QEvent::MouseButtonPress, 1100);
    WindowSystemClick(&main, at, QEvent::MouseButtonRelease, 1110);
    PumpUntilIdle();
    EXPECT_EQ(downs, 0);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(ellipse->Down());

    // A click of its own, later, is the button's.
    WindowSystemClick(&main, at, QEvent::MouseButtonPress, 3000);
    WindowSystemClick(&main, at, QEvent::MouseButtonRelease, 3010);
    PumpUntilIdle();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(ellipse->Down());
}

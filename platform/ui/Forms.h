#pragma once
// Windows (TForm), non-visual owners (TDataModule), the screen (TScreen) and
// the application object (TApplication) with its event loop.
//
// Life cycle of a form:
//   new TfX(owner)            constructor builds the children: a form with a
//                             form file reads it (InitInheritedComponent, see
//                             platform/classes/FormFiles.h), one without builds
//                             them in code
//   AfterConstruction()       OnCreate (Application->CreateForm calls it)
//   Show() / ShowModal()      OnShow, then the window appears, OnActivate
//   Close()                   OnCloseQuery (may refuse), OnClose (close action)
//   Free()                    OnDestroy, then the object is deleted
// An owner (the application or another form) that frees its forms runs
// their OnDestroy first, while they are still whole objects.

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Set.h"
#include "platform/os/Shell.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Controls.h"

class TIcon;
class TDataModule;
class TMainMenu;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;  // controls use bsNone and bsSingle
const TEnumType& EnumTypeInfo(TFormBorderStyle);

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
const TEnumType& EnumTypeInfo(TBorderIcon);

enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter
};
const TEnumType& EnumTypeInfo(TPosition);

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
const TEnumType& EnumTypeInfo(TFormStyle);

enum TWindowState { wsNormal, wsMinimized, wsMaximized };
const TEnumType& EnumTypeInfo(TWindowState);

enum TCloseAction { caNone, caHide, caFree, caMinimize };

enum TFormStateFlag { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TSet<TFormStateFlag>;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// Window placement as the settings storage saves it (SW_HIDE, SW_SHOWNORMAL
// and SW_SHOW come with the shell's show modes).
constexpr Cardinal SW_SHOWMINIMIZED = 2;
constexpr Cardinal SW_SHOWMAXIMIZED = 3;
constexpr Cardinal SW_MINIMIZE = 6;
constexpr Cardinal SW_SHOWMINNOACTIVE = 7;
constexpr Cardinal SW_RESTORE = 9;
constexpr Cardinal WPF_SETMINPOSITION = 1;

struct TWindowPlacement {
    Cardinal flags = 0;
    Cardinal showCmd = SW_SHOWNORMAL;
    TPoint ptMinPosition{-1, -1};
    TPoint ptMaxPosition{-1, -1};
    TRect rcNormalPosition;
};

struct TFormImpl;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    // Fires OnCreate once. Application->CreateForm calls it; code that
    // creates a form with new calls it after the constructor (Show and
    // ShowModal call it when that was forgotten). A form file registered for
    // the form's class that the constructor did not read is read first.
    virtual void AfterConstruction();
    // Fires OnDestroy once; Free and the owners call it before deleting.
    virtual void BeforeDestruction();
    // OnDestroy, then delete this.
    void Free();

    void Show();
    void Hide();
    void SetVisible(bool Value) override;
    // Shows the form modally and runs a nested event loop until ModalResult
    // is set (a button with a ModalResult, Close, or code) and the close is
    // allowed; returns the result. Raises EInvalidOperation for a visible
    // or disabled form.
    TModalResult ShowModal();
    // Modal: sets ModalResult to mrCancel. Otherwise: OnCloseQuery, then
    // OnClose with caHide; the main form's close ends the application.
    void Close();
    // Asks OnCloseQuery; true when the form may close.
    virtual bool CloseQuery();
    // Frees the form once the events being handled now are finished.
    void Release();

    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value);
    TFormState FormState() const { return FFormState; }

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value);
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    TWinControl* ActiveControl() const { return FActiveControl; }
    // Raises EInvalidOperation when the control is not on this form.
    void SetActiveControl(TWinControl* Value);
    TIcon* Icon() const { return FIcon.get(); }
    void SetIcon(TIcon* Value);
    THelpContext HelpContext() const { return FHelpContext; }
    void SetHelpContext(THelpContext Value) { FHelpContext = Value; }
    bool Active() const;

    // A canvas with the form's font, for measuring text (DrawText with
    // DT_CALCRECT, TextWidth). What is drawn on it is not shown.
    TCanvas* Canvas();

    TWindowPlacement GetWindowPlacement() const;
    void SetWindowPlacement(const TWindowPlacement& Placement);

    // Return and Escape that no control took: the focused button, else the
    // default button (Return) or the cancel button (Escape) is clicked.
    // True when a button took the key.
    bool DialogKey(Word Key);
    // Alt and a letter: a label whose caption marks that letter with "&"
    // focuses its FocusControl. True when one did.
    bool DialogChar(char Key);
    // Asks WM_GETMINMAXINFO again (a window hook changed the size limits).
    void RefreshSizeLimits() { ApplyMinMax(); }

    void SetFocus() override;
    bool CanFocus() const override;
    void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;

    // The main menu whose bar lies above the client area (nullptr for none).
    // The bar is not one of the form's controls; Height counts it,
    // ClientHeight does not.
    TMainMenu* Menu() const { return FMenu; }
    Integer ClientHeight() const override { return std::max<Integer>(Height() - FMenuBarHeight, 0); }
    TPoint ClientOffset() const override { return TPoint{0, FMenuBarHeight}; }

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnPaint;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    friend struct TFormAccess;
    friend class TWinControl;
    void DoShow();
    void DoHide();
    virtual void DoClose(TCloseAction& Action);
    void TextChanged() override;
    void WndProc(TMessage& Message) override;
    void ApplyVisible() override;
    bool IsTopLevel() const override { return true; }
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;

private:
    friend class TMainMenu;
    // The main menu's bar comes or goes; the client area keeps its size.
    void SetMenuBar(TMainMenu* Menu, Integer BarHeight);
    void ApplyWindowFlags();
    void PlaceOnShow();
    void ApplyMinMax();
    void Activated(bool Active);
    void FocusChanged(TWinControl* Control);
    // Runs OnDestroy of owned forms and data modules while they are whole.
    void ReleaseOwnedModules();

    std::unique_ptr<TFormImpl> FFormImpl;
    TModalResult FModalResult = mrNone;
    TFormState FFormState;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
    TPosition FPosition = poDesigned;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    bool FKeyPreview = false;
    TWinControl* FActiveControl = nullptr;
    std::unique_ptr<TIcon> FIcon;
    std::unique_ptr<TBitmap> FCanvasBitmap;
    THelpContext FHelpContext = 0;
    bool FCreated = false;
    bool FDestroyed = false;
    bool FShown = false;
    bool FFormFileRead = false;
    TMainMenu* FMenu = nullptr;
    Integer FMenuBarHeight = 0;
};

// A non-visual owner of components (tables, data sources, timers) that the
// application and the screen list.
class TDataModule : public TComponent {
public:
    explicit TDataModule(TComponent* AOwner);
    ~TDataModule() override;

    virtual void AfterConstruction();
    virtual void BeforeDestruction();
    void Free();

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Loaded() override;

private:
    bool FCreated = false;
    bool FDestroyed = false;
    bool FFormFileRead = false;
};

// An opaque cursor shape for Screen->Cursors.
struct TCursorData;
using HCURSOR = const TCursorData*;
// A cursor from a picture: pixels of the transparent colour are see-through.
HCURSOR CreateCursorFromBitmap(TBitmap& Image, TColor TransparentColor, int HotX, int HotY);
// A cursor resource compiled into the program (platform/classes/Resources.h),
// the first image of its cursor file with its hot spot; nullptr when there is
// no such resource. Raises EInvalidGraphic for a damaged one.
HCURSOR LoadCursor(const AnsiString& Name);

class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* AOwner);
    ~TScreen() override;

    Integer Width() const;
    Integer Height() const;
    Integer PixelsPerInch() const { return ScreenPixelsPerInch; }

    int FormCount() const { return static_cast<int>(FForms.size()); }
    TForm* Forms(int Index) const;
    int DataModuleCount() const { return static_cast<int>(FDataModules.size()); }
    TDataModule* DataModules(int Index) const;
    TForm* ActiveForm() const;
    TWinControl* ActiveControl() const;

    // The cursor shown over every window of the application (crDefault lets
    // each control show its own).
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    // The cursor table: built-in shapes for the cr* constants; the program
    // adds its own under positive numbers.
    HCURSOR Cursors(TCursor Index) const;
    void SetCursors(TCursor Index, HCURSOR Value);

    TNotifyEvent OnActiveFormChange;

private:
    friend class TForm;
    friend class TDataModule;
    void AddForm(TForm* Form);
    void RemoveForm(TForm* Form);
    void AddDataModule(TDataModule* Module);
    void RemoveDataModule(TDataModule* Module);
    void FireActiveFormChange();

    std::vector<TForm*> FForms;
    std::vector<TDataModule*> FDataModules;
    TCursor FCursor = crDefault;
    std::map<TCursor, HCURSOR> FCursors;
};

struct TApplicationImpl;
namespace ui_detail {
// Test support: forgets a Terminate and the main form between tests.
void ResetApplicationState();
}  // namespace ui_detail
using TExceptionEvent = std::function<void(TObject* Sender, Exception& E)>;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // What the process needs before the program's first window (the
    // constructor set up the toolkit): a write past the file-size limit
    // fails with an error the program reports, instead of ending the process
    // mid-save.
    void Initialize();
    // Creates a form or data module owned by the application, stores it in
    // Reference, runs its OnCreate; the first form becomes MainForm.
    template <class T>
    void CreateForm(T*& Reference) {
        Reference = new T(this);
        Reference->AfterConstruction();
        if constexpr (std::is_base_of_v<TForm, T>)
            if (!FMainForm) FMainForm = Reference;
    }
    TForm* MainForm() const { return FMainForm; }

    // Shows the main form (unless ShowMainForm is false) and runs the event
    // loop until Terminate.
    void Run();
    // Handles every pending event and posted call, then returns.
    void ProcessMessages();
    // Ends Run and every modal loop (their forms answer mrCancel).
    void Terminate();
    bool Terminated() const { return FTerminated; }

    const AnsiString& Title() const { return FTitle; }
    void SetTitle(const AnsiString& Value);
    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool Value) { FShowMainForm = Value; }
    // The full path of the running program.
    AnsiString ExeName() const;

    void Minimize();
    void Restore();
    bool Minimized() const { return FMinimized; }

    // Call inside a catch block: the current exception goes to OnException,
    // or (unassigned) to ShowException. EAbort is dropped silently.
    void HandleException(TObject* Sender);
    void ShowException(const Exception& E);
    TExceptionEvent OnException;

    // Queues a call for the event loop of the user-interface thread; safe
    // from any thread. Exceptions go to HandleException.
    void Post(std::function<void()> Call);
    // Runs the call on the user-interface thread and waits for it; inline
    // when already there. An exception is raised again in the caller.
    void RunOnMainThread(const std::function<void()>& Call);
    bool IsMainThread() const;

    // Modal loops running now, innermost last (the answerer looks here).
    int ModalLevel() const;

    // The toolkit's own texts (the file dialogs' columns, places and file
    // types, the edit boxes' context menus) in the language of a code such as
    // "cs" or "sk", from the translations installed with the toolkit. An
    // empty code, or one with nothing installed, leaves them in English.
    // Returns whether a translation is in use; ToolkitLanguage is the code
    // asked for ("" before any).
    bool SetToolkitLanguage(const AnsiString& Code);
    const AnsiString& ToolkitLanguage() const;

private:
    friend class TForm;
    friend void ui_detail::ResetApplicationState();
    void EnterModal(TForm* Form);
    void LeaveModal(TForm* Form);
    void Notification(TComponent* AComponent, TOperation Operation) override;

    std::unique_ptr<TApplicationImpl> FImpl;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FShowMainForm = true;
    bool FMinimized = false;
    AnsiString FTitle;
};

// The application object and the screen, created on first use (the
// application before the screen). Program blocks write Application->Run().
TApplication* GetApplication();
TScreen* GetScreen();
// Frees the forms, data modules and the toolkit in order; the end of main
// calls it so that nothing is left for static destruction.
void FinalizeApplication();

struct TApplicationRef {
    TApplication* operator->() const { return GetApplication(); }
    operator TApplication*() const { return GetApplication(); }
};
struct TScreenRef {
    TScreen* operator->() const { return GetScreen(); }
    operator TScreen*() const { return GetScreen(); }
};
inline constexpr TApplicationRef Application{};
inline constexpr TScreenRef Screen{};

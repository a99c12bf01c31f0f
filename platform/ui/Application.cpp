// TApplication and TScreen: the toolkit's application object, the event
// loop, the main-thread queue and the screen.

#include <QApplication>
#include <QBitmap>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QStyleFactory>
#include <QThread>
#include <QTranslator>
#include <QWidget>

#include <signal.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>

#include "platform/classes/Filer.h"
#include "platform/gfx/Bitmap.h"
#include "platform/os/Thread.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ModalBegin.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiBridge.h"

using namespace ui_detail;

namespace ui_detail {
void QuitModalLoop(TForm* form);
}

struct TCursorData {
    QCursor Cursor;
};

namespace {

QApplication* gQtApp = nullptr;
TApplication* gApp = nullptr;
TScreen* gScreen = nullptr;
bool gFinalized = false;
// Event dispatch running outside an event loop of its own (ProcessMessages).
int gPumping = 0;
std::vector<std::unique_ptr<TCursorData>>* gCursors = nullptr;

std::vector<std::unique_ptr<TCursorData>>& CursorStore() {
    if (!gCursors) gCursors = new std::vector<std::unique_ptr<TCursorData>>();
    return *gCursors;
}

// The classic system colours as the widgets' palette, so that native
// controls and our own painting agree.
void ApplyClassicPalette() {
    QPalette pal = QApplication::palette();
    pal.setColor(QPalette::Window, ToQColor(clBtnFace));
    pal.setColor(QPalette::WindowText, ToQColor(clWindowText));
    pal.setColor(QPalette::Base, ToQColor(clWindow));
    pal.setColor(QPalette::Text, ToQColor(clWindowText));
    pal.setColor(QPalette::Button, ToQColor(clBtnFace));
    pal.setColor(QPalette::ButtonText, ToQColor(clBtnText));
    pal.setColor(QPalette::Highlight, ToQColor(clHighlight));
    pal.setColor(QPalette::HighlightedText, ToQColor(clHighlightText));
    pal.setColor(QPalette::ToolTipBase, ToQColor(clInfoBk));
    pal.setColor(QPalette::ToolTipText, ToQColor(clInfoText));
    QApplication::setPalette(pal);
}

void EnsureQtApplication() {
    if (gQtApp) return;
    QCoreApplication* existing = QCoreApplication::instance();
    if (existing) {
        gQtApp = qobject_cast<QApplication*>(existing);
        if (!gQtApp)
            throw EInvalidOperation(
                "The user interface needs the application object to be created before any text is measured");
        return;
    }
    static int argc = 1;
    static char name[] = "vemlor";
    static char* argv[] = {name, nullptr};
    gQtApp = new QApplication(argc, argv);
    // Qt adopts the environment's locale for LC_NUMERIC; our number
    // formatting is locale-free, but C library code below us must keep
    // reading and writing "." as the decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(style);
    ApplyClassicPalette();
}

// The exit handler. A program that ends through main frees everything there;
// one that the toolkit ends with exit() from inside its event dispatch (it
// does so when the display connection is lost) is torn down by the system
// instead: the frames that were dispatching never return, and function-local
// statics made after the application already went, so freeing the forms
// would run their destructors against freed memory. Files are not at risk:
// every save replaces its file atomically.
void FinalizeAtExit() {
    if (gFinalized) return;
    const bool dispatching = gPumping > 0 || (gQtApp && QThread::currentThread()->loopLevel() > 0);
    const bool mainThread = !gApp || gApp->IsMainThread();
    if (dispatching || !mainThread) {
        gFinalized = true;
        return;
    }
    FinalizeApplication();
}

}  // namespace

struct TApplicationImpl {
    QEventLoop* RunLoop = nullptr;
    std::vector<TForm*> Modal;
    Qt::HANDLE MainThread = nullptr;
    std::unique_ptr<QTranslator> Translator;
    AnsiString ToolkitLanguage;
};

TApplication* GetApplication() {
    if (!gApp && !gFinalized) {
        EnsureQtApplication();
        gApp = new TApplication();
        static std::once_flag once;
        std::call_once(once, [] { std::atexit(FinalizeAtExit); });
    }
    return gApp;
}

TScreen* GetScreen() {
    if (!gScreen && !gFinalized) {
        GetApplication();
        gScreen = new TScreen(nullptr);
    }
    return gScreen;
}

void FinalizeApplication() {
    if (gFinalized) return;
    gFinalized = true;
    delete gApp;
    gApp = nullptr;
    if (gQtApp) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete gScreen;
    gScreen = nullptr;
    delete gCursors;
    gCursors = nullptr;
    if (gQtApp) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete gQtApp;
        gQtApp = nullptr;
    }
}

// ---------------------------------------------------------------------------
// TApplication

TApplication::TApplication() : TComponent(nullptr), FImpl(std::make_unique<TApplicationImpl>()) {
    FImpl->MainThread = QThread::currentThreadId();
    FTitle = ChangeFileExt(ExtractFileName(ExeName()), "");
    // Worker threads reach this thread through the event loop.
    TMainThreadDispatcher dispatcher;
    dispatcher.Post = [this](std::function<void()> Call) { Post(std::move(Call)); };
    dispatcher.IsMainThread = [this] { return IsMainThread(); };
    dispatcher.HandleException = [this](std::exception_ptr Error) {
        try {
            std::rethrow_exception(Error);
        } catch (...) {
            HandleException(nullptr);
        }
    };
    SetMainThreadDispatcher(std::move(dispatcher));
}

TApplication::~TApplication() {
    SetMainThreadDispatcher({});
    if (FImpl->Translator) QCoreApplication::removeTranslator(FImpl->Translator.get());
    Destroying();
    for (int i = 0; i < ComponentCount(); ++i) {
        if (auto* f = dynamic_cast<TForm*>(Components(i)))
            f->BeforeDestruction();
        else if (auto* d = dynamic_cast<TDataModule*>(Components(i)))
            d->BeforeDestruction();
    }
    DestroyComponents();
}

namespace {
void IgnoreSignal(int) {}
}  // namespace

void TApplication::Initialize() {
    // Caught rather than ignored, so that the programs this one starts get
    // the default back at exec; the write itself then fails with EFBIG.
    struct sigaction action {};
    action.sa_handler = IgnoreSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGXFSZ, &action, nullptr);
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FMainForm) FMainForm = nullptr;
}

AnsiString TApplication::ExeName() const {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "vemlor";
    return Utf8ToAnsi(std::string_view(buffer, static_cast<std::size_t>(n)));
}

void TApplication::SetTitle(const AnsiString& Value) { FTitle = Value; }

void TApplication::Run() {
    if (FMainForm && FShowMainForm) FMainForm->Show();
    while (!FTerminated) {
        QEventLoop loop;
        FImpl->RunLoop = &loop;
        loop.exec();
        FImpl->RunLoop = nullptr;
    }
}

void TApplication::ProcessMessages() {
    ++gPumping;
    auto done = ScopeExit([] { --gPumping; });
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::Terminate() {
    FTerminated = true;
    if (FImpl->RunLoop) FImpl->RunLoop->quit();
    for (TForm* f : FImpl->Modal) QuitModalLoop(f);
}

namespace {

TModalBeginEvent& ModalBeginHandler() {
    static TModalBeginEvent handler;
    return handler;
}

}  // namespace

void SetModalBeginHandler(TModalBeginEvent Handler) { ModalBeginHandler() = std::move(Handler); }

void TApplication::EnterModal(TForm* Form) {
    FImpl->Modal.push_back(Form);
    // A copy: the handler may replace itself.
    if (TModalBeginEvent handler = ModalBeginHandler()) handler(Form);
}

void TApplication::LeaveModal(TForm* Form) {
    auto& m = FImpl->Modal;
    m.erase(std::remove(m.begin(), m.end(), Form), m.end());
}

int TApplication::ModalLevel() const { return static_cast<int>(FImpl->Modal.size()); }

bool TApplication::SetToolkitLanguage(const AnsiString& Code) {
    FImpl->ToolkitLanguage = Code;
    if (FImpl->Translator) {
        QCoreApplication::removeTranslator(FImpl->Translator.get());
        FImpl->Translator.reset();
    }
    // The code becomes part of a file name: letters and "_" only.
    if (Code.empty() || Code.size() > 16) return false;
    for (char c : Code)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_')) return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + QString::fromLatin1(Code.data(), qsizetype(Code.size())),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    // Installing sends every widget a change event: open windows take the
    // new texts too.
    if (!QCoreApplication::installTranslator(translator.get())) return false;
    FImpl->Translator = std::move(translator);
    return true;
}

const AnsiString& TApplication::ToolkitLanguage() const { return FImpl->ToolkitLanguage; }

void TApplication::Minimize() {
    FMinimized = true;
    TScreen* screen = GetScreen();
    for (int i = 0; i < screen->FormCount(); ++i)
        if (QWidget* w = WidgetOf(screen->Forms(i)); w && w->isVisible()) w->showMinimized();
}

void TApplication::Restore() {
    FMinimized = false;
    TScreen* screen = GetScreen();
    for (int i = 0; i < screen->FormCount(); ++i) {
        TForm* f = screen->Forms(i);
        QWidget* w = WidgetOf(f);
        if (!w || !f->Visible()) continue;
        if (f->WindowState() == wsMaximized)
            w->showMaximized();
        else
            w->showNormal();
    }
}

void TApplication::HandleException(TObject* Sender) {
    std::exception_ptr current = std::current_exception();
    if (!current) return;
    auto report = [&](Exception& e) {
        if (!OnException) {
            ShowException(e);
            return;
        }
        TExceptionEvent handler = OnException;
        try {
            handler(Sender, e);
        } catch (...) {
            std::fputs("exception in the application's exception handler\n", stderr);
        }
    };
    try {
        std::rethrow_exception(current);
    } catch (EAbort&) {
        return;
    } catch (Exception& e) {
        report(e);
    } catch (std::exception& e) {
        Exception wrapped(e.what());
        report(wrapped);
    } catch (...) {
        Exception wrapped("Unknown exception");
        report(wrapped);
    }
}

void TApplication::ShowException(const Exception& E) {
    AnsiString text = E.Message();
    if (!text.empty() && text.back() > '.') text += '.';
    std::fprintf(stderr, "%s\n", AnsiToUtf8(text).c_str());
    // A small modal window of our own, so that the test answerer can close it.
    TForm* box = new TForm(nullptr);
    auto freeBox = ScopeExit([box] { box->Free(); });
    {
        box->SetCaption(FTitle);
        box->SetBorderStyle(bsDialog);
        box->SetPosition(poScreenCenter);
        auto* label = new TLabel(box);
        label->SetName("Message");
        label->SetParent(box);
        label->SetCaption(text);
        label->SetLeft(16);
        label->SetTop(16);
        auto* ok = new TButton(box);
        ok->SetName("OK");
        ok->SetParent(box);
        ok->SetCaption("OK");
        ok->SetModalResult(mrOk);
        ok->SetDefault(true);
        ok->SetCancel(true);
        const Integer width = std::max<Integer>(label->Width() + 32, 200);
        box->SetClientWidth(width);
        box->SetClientHeight(label->Height() + 72);
        ok->SetBounds((width - 75) / 2, label->Height() + 32, 75, 25);
        box->ShowModal();
    }
}

bool TApplication::IsMainThread() const { return QThread::currentThreadId() == FImpl->MainThread; }

void TApplication::Post(std::function<void()> Call) {
    if (!gQtApp || !Call) return;
    QMetaObject::invokeMethod(
        gQtApp, [call = std::move(Call)] { SafeCall(nullptr, call); }, Qt::QueuedConnection);
}

void TApplication::RunOnMainThread(const std::function<void()>& Call) {
    if (!Call) return;
    if (IsMainThread() || !gQtApp) {
        Call();
        return;
    }
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        gQtApp,
        [&] {
            TDispatchGuard guard;
            try {
                Call();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure) std::rethrow_exception(failure);
}

void ui_detail::ResetApplicationState() {
    if (!gApp) return;
    gApp->FTerminated = false;
    gApp->FMainForm = nullptr;
    gApp->SetToolkitLanguage("");
}

// ---------------------------------------------------------------------------
// TScreen

// References across forms in form files ("DM.AdresaDS") name a form or
// data module that exists, as the screen lists them.
TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
    SetFindGlobalComponent([this](const AnsiString& Name) -> TComponent* {
        for (TForm* form : FForms)
            if (SameText(form->Name(), Name)) return form;
        for (TDataModule* module : FDataModules)
            if (SameText(module->Name(), Name)) return module;
        return nullptr;
    });
}

TScreen::~TScreen() {
    SetFindGlobalComponent(nullptr);
    if (FCursor != crDefault)
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

Integer TScreen::Width() const {
    int w = 0, h = 0;
    if (ScreenSizeOverride(w, h)) return w;
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 1024;
}

Integer TScreen::Height() const {
    int w = 0, h = 0;
    if (ScreenSizeOverride(w, h)) return h;
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 768;
}

TForm* TScreen::Forms(int Index) const {
    if (Index < 0 || Index >= FormCount()) throw EListError("Form index out of bounds (" + std::to_string(Index) + ")");
    return FForms[static_cast<std::size_t>(Index)];
}

TDataModule* TScreen::DataModules(int Index) const {
    if (Index < 0 || Index >= DataModuleCount())
        throw EListError("Data module index out of bounds (" + std::to_string(Index) + ")");
    return FDataModules[static_cast<std::size_t>(Index)];
}

TForm* TScreen::ActiveForm() const {
    QWidget* w = QApplication::activeWindow();
    TForm* form = dynamic_cast<TForm*>(ControlOf(w));
    if (form && std::find(FForms.begin(), FForms.end(), form) != FForms.end()) return form;
    return nullptr;
}

TWinControl* TScreen::ActiveControl() const {
    TForm* form = ActiveForm();
    return form ? form->ActiveControl() : nullptr;
}

void TScreen::AddForm(TForm* Form) { FForms.push_back(Form); }
void TScreen::RemoveForm(TForm* Form) { FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end()); }
void TScreen::AddDataModule(TDataModule* Module) { FDataModules.push_back(Module); }
void TScreen::RemoveDataModule(TDataModule* Module) {
    FDataModules.erase(std::remove(FDataModules.begin(), FDataModules.end(), Module), FDataModules.end());
}
void TScreen::FireActiveFormChange() { FireEvent(OnActiveFormChange, this); }

HCURSOR TScreen::Cursors(TCursor Index) const {
    auto it = FCursors.find(Index);
    if (it != FCursors.end()) return it->second;
    if (Index > 0) return Cursors(crDefault);
    auto data = std::make_unique<TCursorData>();
    data->Cursor = QCursor(Qt::CursorShape(QtCursorShape(Index)));
    HCURSOR handle = data.get();
    CursorStore().push_back(std::move(data));
    const_cast<TScreen*>(this)->FCursors[Index] = handle;
    return handle;
}

void TScreen::SetCursors(TCursor Index, HCURSOR Value) {
    if (Value)
        FCursors[Index] = Value;
    else
        FCursors.erase(Index);
}

void TScreen::SetCursor(TCursor Value) {
    if (FCursor == Value) return;
    const bool wasOverridden = FCursor != crDefault;
    FCursor = Value;
    if (wasOverridden) QApplication::restoreOverrideCursor();
    if (Value != crDefault) QApplication::setOverrideCursor(Cursors(Value)->Cursor);
}

void ui_detail::SetWidgetCursor(QWidget* widget, SmallInt cursor) {
    if (cursor == crDefault) widget->unsetCursor();
    else widget->setCursor(Screen->Cursors(cursor)->Cursor);
}

HCURSOR CreateCursorFromBitmap(TBitmap& Image, TColor TransparentColor, int HotX, int HotY) {
    EnsureQtApplication();
    auto data = std::make_unique<TCursorData>();
    const QPixmap pixmap = QPixmap::fromImage(BitmapToImage(Image, true, TransparentColor));
    data->Cursor = QCursor(pixmap, HotX, HotY);
    HCURSOR handle = data.get();
    CursorStore().push_back(std::move(data));
    return handle;
}

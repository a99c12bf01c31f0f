#include "platform/ui/TestSupport.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiBridge.h"

using namespace ui_detail;

void PumpUntilIdle() {
    GetApplication();
    for (int pass = 0; pass < 20; ++pass) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!QCoreApplication::instance()->eventDispatcher()->processEvents(QEventLoop::AllEvents)) break;
    }
}

void WaitForEvents() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

// ---------------------------------------------------------------------------
// TModalAnswerer

namespace {

void FindButtons(TWinControl* root, std::vector<TButton*>& out) {
    for (int i = 0; i < root->ControlCount(); ++i) {
        if (auto* b = dynamic_cast<TButton*>(root->Controls(i))) out.push_back(b);
        if (auto* w = dynamic_cast<TWinControl*>(root->Controls(i))) FindButtons(w, out);
    }
}

}  // namespace

TModalAnswerer::TModalAnswerer() {
    SetModalHook([this](TForm* form) { Handle(form); });
}

TModalAnswerer::~TModalAnswerer() { SetModalHook(nullptr); }

void TModalAnswerer::Answer(TModalResult Result, TInspect Inspect) {
    FQueue.push_back({std::move(Inspect), [Result](TForm* f) { f->SetModalResult(Result); }});
}

void TModalAnswerer::ClickButton(const AnsiString& NameOrCaption, TInspect Inspect) {
    FQueue.push_back({std::move(Inspect), [this, NameOrCaption](TForm* f) {
                          std::vector<TButton*> buttons;
                          FindButtons(f, buttons);
                          for (TButton* b : buttons) {
                              if (SameText(b->Name(), NameOrCaption) ||
                                  SameText(StripMnemonics(b->Caption()), NameOrCaption)) {
                                  b->Click();
                                  return;
                              }
                          }
                          FUnexpected.push_back("no button " + NameOrCaption + " on " + f->Caption());
                          f->SetModalResult(mrCancel);
                      }});
}

void TModalAnswerer::Act(TInspect Action) { FQueue.push_back({{}, std::move(Action)}); }

void TModalAnswerer::Handle(TForm* Form) {
    if (!Form->FormState().Contains(fsModal) || Form->ModalResult() != mrNone) return;
    if (FQueue.empty()) {
        FUnexpected.push_back(Form->Caption());
        Form->SetModalResult(mrCancel);
        return;
    }
    TStep step = std::move(FQueue.front());
    FQueue.pop_front();
    FSeen.push_back(Form->Caption());
    std::weak_ptr<void> alive = Form->AliveToken();
    SafeCall(Form, [&] {
        if (step.Inspect) step.Inspect(Form);
        if (!alive.expired() && step.Action) step.Action(Form);
    });
    if (alive.expired()) return;
    // Still waiting: the next scripted step gets its turn.
    if (Form->FormState().Contains(fsModal) && Form->ModalResult() == mrNone && Form->Visible())
        QTimer::singleShot(0, QCoreApplication::instance(), [this, alive, Form] {
            if (!alive.expired()) Handle(Form);
        });
}

// ---------------------------------------------------------------------------
// TFakeTimerClock

TFakeTimerClock::TFakeTimerClock() { SetTimerSource(this); }

TFakeTimerClock::~TFakeTimerClock() { SetTimerSource(nullptr); }

void TFakeTimerClock::Start(TTimer* Timer, Cardinal Interval) {
    TEntry& e = FTimers[Timer];
    e.Interval = Interval == 0 ? 1 : Interval;
    e.Due = FNow + e.Interval;
}

void TFakeTimerClock::Stop(TTimer* Timer) { FTimers.erase(Timer); }

void TFakeTimerClock::Advance(Cardinal Milliseconds) {
    const Int64 target = FNow + Milliseconds;
    while (true) {
        TTimer* next = nullptr;
        Int64 due = 0;
        for (auto& [timer, entry] : FTimers)
            if (entry.Due <= target && (!next || entry.Due < due)) {
                next = timer;
                due = entry.Due;
            }
        if (!next) break;
        FNow = due;
        TEntry& entry = FTimers[next];
        entry.Due += entry.Interval;
        FireTimer(next);  // may stop, restart or free the timer
    }
    FNow = target;
}

// ---------------------------------------------------------------------------
// Input

namespace {

Qt::KeyboardModifiers ModifiersOf(TShiftState shift) {
    Qt::KeyboardModifiers m;
    if (shift.Contains(ssShift)) m |= Qt::ShiftModifier;
    if (shift.Contains(ssCtrl)) m |= Qt::ControlModifier;
    if (shift.Contains(ssAlt)) m |= Qt::AltModifier;
    return m;
}

QString KeyText(Word key, TShiftState shift) {
    if (shift.Contains(ssCtrl) || shift.Contains(ssAlt)) return {};
    if (key >= 'A' && key <= 'Z') return QString(QChar(shift.Contains(ssShift) ? key : key + 32));
    if (key >= '0' && key <= '9') return QString(QChar(key));
    switch (key) {
    case VK_RETURN: return QStringLiteral("\r");
    case VK_ESCAPE: return QString(QChar(27));
    case VK_BACK: return QString(QChar(8));
    case VK_SPACE: return QStringLiteral(" ");
    case VK_TAB: return QStringLiteral("\t");
    default: return {};
    }
}

}  // namespace

void SendKey(TWinControl* Control, Word Key, TShiftState Shift) {
    QWidget* w = WidgetOf(Control);
    if (!w) return;
    std::weak_ptr<void> alive = Control->AliveToken();
    const int qtKey = QtKeyFromVirtualKey(Key);
    const QString text = KeyText(Key, Shift);
    QKeyEvent press(QEvent::KeyPress, qtKey, ModifiersOf(Shift), text);
    QCoreApplication::sendEvent(w, &press);
    if (alive.expired()) return;
    if (QWidget* again = WidgetOf(Control)) {
        QKeyEvent release(QEvent::KeyRelease, qtKey, ModifiersOf(Shift), text);
        QCoreApplication::sendEvent(again, &release);
    }
}

void TypeText(TWinControl* Control, const AnsiString& Text) {
    for (char c : Text) {
        QWidget* w = WidgetOf(Control);
        if (!w) return;
        const unsigned char u = static_cast<unsigned char>(c);
        int qtKey = 0;
        if (u >= 'a' && u <= 'z')
            qtKey = u - 32;
        else if ((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == ' ')
            qtKey = u;
        QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier, ToQ(AnsiString(1, c)));
        QCoreApplication::sendEvent(w, &press);
    }
}

void SendClick(TControl* Control, int X, int Y, TMouseButton Button) {
    QWidget* w = WidgetOf(Control);
    if (!w) return;
    const Qt::MouseButton b = Button == mbRight ? Qt::RightButton : Button == mbMiddle ? Qt::MiddleButton : Qt::LeftButton;
    const TPoint origin = Control->ClientOffset();
    const QPointF local(X + origin.x, Y + origin.y);
    const QPointF global = w->mapToGlobal(local);
    std::weak_ptr<void> alive = Control->AliveToken();
    QMouseEvent press(QEvent::MouseButtonPress, local, global, b, b, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    if (alive.expired()) return;
    if (QWidget* again = WidgetOf(Control)) {
        QMouseEvent release(QEvent::MouseButtonRelease, local, global, b, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(again, &release);
    }
}

void SendWheel(TControl* Control, int X, int Y, int Notches) {
    QWidget* w = WidgetOf(Control);
    if (!w) return;
    const TPoint origin = Control->ClientOffset();
    const QPointF local(X + origin.x, Y + origin.y);
    QWheelEvent wheel(local, w->mapToGlobal(local), QPoint(), QPoint(0, 120 * Notches), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &wheel);
}

bool SaveControlToPng(TControl* Control, const AnsiString& FileName) {
    QWidget* w = WidgetOf(Control);
    if (!w) return false;
    // Tests write into the build's output folder, which may not exist yet.
    const AnsiString folder = ExtractFilePath(FileName);
    if (!folder.empty() && !ForceDirectories(folder)) return false;
    QCoreApplication::sendPostedEvents();
    const QPixmap pixmap = w->grab();
    return pixmap.save(ToQ(FileName), "PNG");
}

bool GrabControl(TControl* Control, TBitmap& Image) {
    QWidget* w = WidgetOf(Control);
    if (!w) return false;
    QCoreApplication::sendPostedEvents();
    const QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    Image.SetPixelFormat(pf24bit);
    Image.SetSize(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        Byte* out = Image.ScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            out[3 * x] = static_cast<Byte>(qBlue(in[x]));
            out[3 * x + 1] = static_cast<Byte>(qGreen(in[x]));
            out[3 * x + 2] = static_cast<Byte>(qRed(in[x]));
        }
    }
    return true;
}

void ResizeByUser(TForm* Form, int Width, int Height) {
    if (QWidget* w = WidgetOf(Form)) w->resize(Width, Height);
    PumpUntilIdle();
}

void OverrideScreenSize(int Width, int Height) { SetScreenSizeOverride(Width, Height); }

void ResetApplicationForTests() { ui_detail::ResetApplicationState(); }

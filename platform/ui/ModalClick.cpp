// The click that closes a modal window ends with it.
//
// A modal window that takes a click as its answer closes while the user's
// gesture is still going on: the window closes on a press and the release is
// still to come, or it closes on the release of the first click of a double
// click and the second press is still to come. The window system hands those
// to the window now under the pointer, and the toolkit, which detects double
// clicks across windows, even makes the second press a double click there: a
// tool button beneath gets pressed by a click that was never meant for it.
// A click acts on the window it began in, or on none.
//
// States of the watcher (method or event that performs each):
//   idle    -> armed   [ModalWindowClosed, the last input was a mouse button
//                       on that window; "held" when a button is still down]
//   armed   -> armed   [release while held: swallowed, held ends with the
//                       last button]
//   armed   -> double  [the press the toolkit pairs with the closing click
//                       into a double click: swallowed, as is its double click]
//   double  -> idle    [its release: swallowed]
//   armed   -> idle    [a press of a new gesture: passes]
// Only events from the window system are watched; events that tests or the
// program send themselves pass untouched.

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include "platform/ui/UiBridge.h"

namespace {

class TGestureWatcher : public QObject {
public:
    // The window the last user input (a key or a mouse button) went to, and
    // whether it was a mouse button.
    QPointer<QWindow> LastWindow;
    bool LastWasMouse = false;

    void Arm(bool held) {
        FArmed = true;
        FHeld = held;
        FDouble = false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        const bool button = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                            type == QEvent::MouseButtonDblClick;
        if (!event->spontaneous() || !watched->isWindowType()) return false;
        if (type == QEvent::KeyPress) {
            LastWindow = static_cast<QWindow*>(watched);
            LastWasMouse = false;
            return false;
        }
        if (!button) return false;
        LastWindow = static_cast<QWindow*>(watched);
        LastWasMouse = true;
        return FArmed && Swallow(type, static_cast<QMouseEvent*>(event));
    }

private:
    bool Swallow(QEvent::Type type, const QMouseEvent* e) {
        switch (type) {
        case QEvent::MouseButtonPress:
            if (FHeld) return true;
            if (e->flags().testFlag(Qt::MouseEventCreatedDoubleClick)) {
                FDouble = true;
                return true;
            }
            FArmed = false;
            return false;
        case QEvent::MouseButtonDblClick:
            FDouble = true;
            return true;
        case QEvent::MouseButtonRelease:
            if (!FHeld && !FDouble) return false;
            if (e->buttons() == Qt::NoButton) {
                FHeld = false;
                if (FDouble) FArmed = false;
                FDouble = false;
            }
            return true;
        default: return false;
        }
    }

    bool FArmed = false;
    bool FHeld = false;
    bool FDouble = false;
};

TGestureWatcher* Watcher() {
    static QPointer<TGestureWatcher> watcher;
    if (!watcher && qApp) {
        watcher = new TGestureWatcher;
        watcher->setParent(qApp);
        qApp->installEventFilter(watcher);
    }
    return watcher;
}

}  // namespace

void ui_detail::WatchModalInput() { Watcher(); }

void ui_detail::ModalWindowClosed(QWidget* window) {
    TGestureWatcher* watcher = Watcher();
    if (!watcher || !window) return;
    QWindow* handle = window->windowHandle();
    if (!handle || !watcher->LastWasMouse || watcher->LastWindow != handle) return;
    watcher->Arm(QGuiApplication::mouseButtons() != Qt::NoButton);
}

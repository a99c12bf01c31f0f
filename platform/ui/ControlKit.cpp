#include "platform/ui/ControlKit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

namespace ui_detail {

namespace {

int gRouting = 0;

class TChildInputRouter : public QObject {
public:
    TChildInputRouter(QObject* parent, TControl* control, bool keys, bool mouse)
        : QObject(parent), FAlive(control->AliveToken()), FControl(control), FKeys(keys), FMouse(mouse) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (FAlive.expired() || FBusy) return false;
        QWidget* target = WidgetOf(FControl);
        auto* child = qobject_cast<QWidget*>(watched);
        if (!target || !child || child == target) return false;
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            if (!FKeys) return false;
            auto* e = static_cast<QKeyEvent*>(event);
            QKeyEvent copy(e->type(), e->key(), e->modifiers(), e->text(), e->isAutoRepeat(), e->count());
            // The control's widget passes keys it does not use on to the
            // child itself (without filters), so nothing is handled twice.
            FBusy = true;
            QPointer<QObject> guard(this);
            QCoreApplication::sendEvent(target, &copy);
            if (guard) FBusy = false;
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            if (!FMouse) return false;
            auto* e = static_cast<QMouseEvent*>(event);
            const QPointF local = target->mapFromGlobal(e->globalPosition());
            QMouseEvent copy(e->type(), local, local, e->globalPosition(), e->button(), e->buttons(), e->modifiers(),
                             e->pointingDevice());
            // The toolkit keeps a press's time as the device's last press:
            // a copy without the time would make every real press a first
            // one, and no double click could ever follow.
            copy.setTimestamp(e->timestamp());
            FBusy = true;
            QPointer<QObject> guard(this);
            const bool alive = !FAlive.expired();
            ++gRouting;
            if (alive) QCoreApplication::sendEvent(target, &copy);
            --gRouting;
            if (guard) FBusy = false;
            // The control's own handling (a hook that swallowed the message,
            // or a freed control) cannot be told apart from the widget's
            // ignoring the copy, so the child always gets the original.
            return FAlive.expired();
        }
        default: return false;
        }
    }

private:
    std::weak_ptr<void> FAlive;
    TControl* FControl;
    bool FKeys;
    bool FMouse;
    bool FBusy = false;
};

}  // namespace

bool RoutingChildInput() { return gRouting > 0; }

void RouteChildInput(TControl* control, QWidget* child, bool keys, bool mouse) {
    if (!control || !child) return;
    child->installEventFilter(new TChildInputRouter(child, control, keys, mouse));
    if (mouse) child->setMouseTracking(true);
}

}  // namespace ui_detail

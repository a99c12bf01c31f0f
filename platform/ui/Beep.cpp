#include "platform/ui/Beep.h"

#include <QApplication>

namespace {
std::function<void()>& HookSlot() {
    static std::function<void()> hook;
    return hook;
}
}  // namespace

void MessageBeep() {
    if (std::function<void()> hook = HookSlot()) {
        hook();
        return;
    }
    QApplication::beep();
}

void SetBeepHook(std::function<void()> Hook) { HookSlot() = std::move(Hook); }

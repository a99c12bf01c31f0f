#pragma once
// The system's default beep, for input the program refuses.

#include <functional>

void MessageBeep();

// Test support: while set, the beep calls this instead of sounding.
void SetBeepHook(std::function<void()> Hook);

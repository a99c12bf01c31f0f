#pragma once
// A program may learn that a window is about to be shown modally, before it
// appears: a window kept on top of the others (a splash) can step aside so
// that the question does not open under it.

#include <functional>

class TForm;

using TModalBeginEvent = std::function<void(TForm* Form)>;

// One handler for the whole program; an empty one removes it.
void SetModalBeginHandler(TModalBeginEvent Handler);

// Linked into every fuzz target: the toolkit, whichever reader first creates
// it, starts offscreen, so that a target runs the same with or without a
// display and never aborts on a machine that has none.
#include <cstdlib>

__attribute__((constructor(101))) static void StartOffscreen() { setenv("QT_QPA_PLATFORM", "offscreen", 1); }

#pragma once
// The tests of this folder run against a real X server, the way a user's
// desktop delivers input: events come from the server with its own time
// stamps and go through the toolkit's window system layer, which the
// offscreen tests never reach. The server is a private Xvfb started for the
// run; the input is sent with xdotool.

#include <functional>
#include <string>
#include <vector>

// Starts Xvfb on a free display and points DISPLAY at it; false with the
// reason when it cannot start. The server goes with the process.
bool StartXDisplay(std::string& Error);
void StopXDisplay();
// Empty while the display runs; otherwise why the tests are skipped.
const std::string& XDisplayProblem();

// Runs xdotool with the arguments and waits for it (at most a few seconds);
// false with the reason when it is missing, hangs or fails.
bool RunXdotool(const std::vector<std::string>& Arguments, std::string& Error);

// Handles the toolkit's events until the condition holds, waiting for events
// rather than polling, for at most BoundMs milliseconds.
bool WaitUntil(const std::function<bool()>& Condition, int BoundMs = 10000);

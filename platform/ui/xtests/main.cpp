// The tests under a real X server: one private Xvfb for the whole run, the
// application connected to it. Without a server the tests skip and say why.

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "XDisplay.h"
#include "platform/ui/Forms.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as the build does to register them) needs no server.
    const bool listing = ::testing::GTEST_FLAG(list_tests);
    bool connected = false;
    std::string error;
    if (!listing) {
        if (StartXDisplay(error)) {
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            // The tests need their private display only. A session bus the
            // toolkit would join keeps a buffer of its library to the end,
            // which sanitizer builds report as a leak.
            setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
            Application->Initialize();
            connected = true;
        } else {
            std::fprintf(stderr, "No X server for these tests: %s\n", error.c_str());
        }
    }
    const int result = RUN_ALL_TESTS();
    if (connected) FinalizeApplication();
    StopXDisplay();
    return result;
}

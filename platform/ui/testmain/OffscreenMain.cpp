// The main of every test binary whose code opens windows, measures text or
// asks through dialogs: the application object exists, offscreen, before any
// test runs, and is torn down before the toolkit's own statics go at exit.
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/ui/Forms.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    Application->Initialize();
    const int result = RUN_ALL_TESTS();
    FinalizeApplication();
    return result;
}

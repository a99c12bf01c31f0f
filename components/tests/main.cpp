// The settings storage works on real windows, so this test binary creates
// the application offscreen before any test runs. Tests that do not touch
// windows run unchanged.
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/ui/Forms.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    Application->Initialize();
    int result = RUN_ALL_TESTS();
    FinalizeApplication();
    return result;
}

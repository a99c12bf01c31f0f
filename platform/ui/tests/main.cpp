// The UI tests run offscreen with one application object for the whole run.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/ui/Forms.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // A locale with a decimal comma, if the system has one, so that the
    // number-formatting test sees what Qt would otherwise leave behind.
    setenv("LC_ALL", "cs_CZ.UTF-8", 0);
    ::testing::InitGoogleTest(&argc, argv);
    Application->Initialize();
    const int result = RUN_ALL_TESTS();
    FinalizeApplication();
    return result;
}

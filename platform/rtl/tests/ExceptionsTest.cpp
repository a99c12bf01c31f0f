#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

TEST(ExceptionTest, DerivedClassesKeepMessageAndName) {
    try {
        throw EStringListError("List index out of bounds (3)");
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (3)");
        EXPECT_STREQ(e.what(), "List index out of bounds (3)");
        EXPECT_STREQ(e.ClassName(), "EStringListError");
    }
}

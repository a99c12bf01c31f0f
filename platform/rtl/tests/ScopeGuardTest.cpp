#include "platform/rtl/ScopeGuard.h"

#include <stdexcept>

#include <gtest/gtest.h>

TEST(ScopeGuardTest, ExitRunsOnBothRoadsAndFailOnlyWhenUnwinding)
{
    int exits = 0, fails = 0;
    {
        auto e = ScopeExit([&] { ++exits; });
        auto f = ScopeFail([&] { ++fails; });
    }
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(fails, 0);
    EXPECT_THROW(
        {
            auto e = ScopeExit([&] { ++exits; });
            auto f = ScopeFail([&] { ++fails; });
            throw std::runtime_error("x");
        },
        std::runtime_error);
    EXPECT_EQ(exits, 2);
    EXPECT_EQ(fails, 1);
}

TEST(ScopeGuardTest, ReleasedGuardDoesNothing)
{
    int runs = 0;
    EXPECT_THROW(
        {
            auto f = ScopeFail([&] { ++runs; });
            f.Release();
            throw std::runtime_error("x");
        },
        std::runtime_error);
    EXPECT_EQ(runs, 0);
}

namespace {
// A destructor that runs while an exception unwinds, and whose own work succeeds.
struct TCleansUpOnDestruction {
    int& Fails;
    ~TCleansUpOnDestruction()
    {
        auto f = ScopeFail([this] { ++Fails; });
    }
};
}  // namespace

TEST(ScopeGuardTest, FailGuardInsideUnwindingDestructorSeesOnlyItsOwnScope)
{
    int fails = 0;
    EXPECT_THROW(
        {
            TCleansUpOnDestruction c{fails};
            throw std::runtime_error("x");
        },
        std::runtime_error);
    EXPECT_EQ(fails, 0);
}

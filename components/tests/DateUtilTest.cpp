#include "components/DateUtil.h"

#include <gtest/gtest.h>

#include "platform/rtl/DateUtils.h"

TEST(DateUtilTest, AddTimeSpanAddsWholeDaysAndTheRestAsFraction)
{
    const TDateTime D = 38000.5;
    EXPECT_DOUBLE_EQ(AddTimeSpan(25, 0, 0, 0, D), D + 1 + 1.0 / 24);
    EXPECT_DOUBLE_EQ(AddTimeSpan(0, 90, 30, 500, D), D + (5400000.0 + 30500) / 86400000);
    EXPECT_DOUBLE_EQ(AddTimeSpan(-25, 0, 0, 0, D), D - 1 - 1.0 / 24);
    EXPECT_DOUBLE_EQ(AddTimeSpan(0, 0, 0, 0, D), D);
}

TEST(DateUtilTest, NegativeResultGetsOneDayAdded)
{
    EXPECT_DOUBLE_EQ(AddTimeSpan(0, -10, 0, 0, 0), 1 - 10.0 / 1440);
    EXPECT_DOUBLE_EQ(AddMinutes(-10, 0), 1 - 10.0 / 1440);
}

TEST(DateUtilTest, LargeSpansDoNotOverflow)
{
    // 40,000 minutes is 2,400,000,000 ms, past the 32-bit range.
    EXPECT_NEAR(AddMinutes(40000, 0), 40000.0 / 1440, 1e-9);
    EXPECT_NEAR(AddMinutes(-40000, 50), 50 - 40000.0 / 1440, 1e-9);
    // Extreme arguments stay finite and in the right order of magnitude.
    EXPECT_NEAR(AddTimeSpan(0, 2147483647, 2147483647, 2147483647, 0),
                (2147483647.0 * 60000 + 2147483647.0 * 1000 + 2147483647.0) / 86400000, 1e-3);
    // Hours div 24 and mod 24 truncate toward zero, as integer division does.
    EXPECT_DOUBLE_EQ(AddTimeSpan(-2147483647 - 1, 0, 0, 0, 0), -89478485 - 8.0 / 24 + 1);
}

TEST(DateUtilTest, AddMinutesAndMilliseconds)
{
    const TDateTime D = EncodeDate(2004, 2, 29) + EncodeTime(23, 58, 0, 0);
    Word H, M, S, Ms, Y, Mo, Dd;
    DecodeDateTime(AddMinutes(5, D), Y, Mo, Dd, H, M, S, Ms);
    EXPECT_EQ(Mo, 3);
    EXPECT_EQ(Dd, 1);
    EXPECT_EQ(H, 0);
    EXPECT_EQ(M, 3);
    // A millisecond is about 1.2e-8 days; doubles near day 38,000 resolve 7e-12.
    EXPECT_NEAR(AddMilliseconds(1, D) - D, 1.0 / 86400000, 1e-10);
}

TEST(DateUtilTest, FourDigitYearFollowsTheShortDateFormat)
{
    // The program's default short date format writes "yyyy".
    EXPECT_TRUE(FourDigitYear());
}

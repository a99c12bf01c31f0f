#include "components/MaxMin.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(MaxMinTest, MaxAndMinInteger)
{
    EXPECT_EQ(MaxInteger(3, -4), 3);
    EXPECT_EQ(MinInteger(3, -4), -4);
    EXPECT_EQ(MaxInteger(-2147483647 - 1, 2147483647), 2147483647);
    EXPECT_EQ(MinInteger(7, 7), 7);
}

TEST(MaxMinTest, ZeroedBlockIsZeroAndFreedToNull)
{
    void* P = AllocZeroedBlock(37);
    ASSERT_NE(P, nullptr);
    const unsigned char Zero[37] = {};
    EXPECT_TRUE(MemoryEqual(P, Zero, 37));
    FreeBlock(P);
    EXPECT_EQ(P, nullptr);
    FreeBlock(P);  // freeing nil is allowed

    EXPECT_EQ(AllocZeroedBlock(0), nullptr);
    EXPECT_EQ(AllocZeroedBlock(-5), nullptr);
}

TEST(MaxMinTest, MemoryEqualComparesEveryByteLikeMemcmp)
{
    const char A[] = "abcdefghij";
    char B[sizeof A];
    std::memcpy(B, A, sizeof A);
    for (Integer N = 0; N <= 10; ++N)
        EXPECT_TRUE(MemoryEqual(A, B, N)) << N;
    // A difference in any position, including the 1-3 bytes after the last
    // four-byte group, is found.
    for (Integer At = 0; At < 10; ++At) {
        B[At] ^= 0x40;
        EXPECT_FALSE(MemoryEqual(A, B, 10)) << At;
        EXPECT_TRUE(MemoryEqual(A, B, At)) << At;
        B[At] ^= 0x40;
    }
    EXPECT_TRUE(MemoryEqual(nullptr, nullptr, 0));
    EXPECT_TRUE(MemoryEqual(A, B, -1));
    // Unaligned starts.
    EXPECT_TRUE(MemoryEqual(A + 1, B + 1, 7));
}

TEST(MaxMinTest, CopyBytesHandlesOverlapBothWays)
{
    char Buf[] = "0123456789";
    CopyBytes(Buf + 2, Buf, 6);
    EXPECT_STREQ(Buf, "0101234589");
    char Buf2[] = "0123456789";
    CopyBytes(Buf2, Buf2 + 3, 7);
    EXPECT_STREQ(Buf2, "3456789789");
    CopyBytes(Buf2, "xx", 0);
    CopyBytes(Buf2, "xx", -3);
    EXPECT_STREQ(Buf2, "3456789789");
}

TEST(MaxMinTest, OffsetPointerMovesByBytes)
{
    int Values[4] = {};
    EXPECT_EQ(OffsetPointer(static_cast<void*>(Values), 8), static_cast<void*>(&Values[2]));
    const void* C = Values + 3;
    EXPECT_EQ(OffsetPointer(C, -12), static_cast<const void*>(Values));
}

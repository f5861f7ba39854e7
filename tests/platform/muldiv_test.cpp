#include "platform/muldiv.h"

#include <gtest/gtest.h>

TEST(MulDiv, RoundsToNearestWithA64BitProduct) {
    EXPECT_EQ(MulDiv(465, 10000, 930), 5000);
    EXPECT_EQ(MulDiv(1, 1, 2), 1); // half rounds away from zero
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
    EXPECT_EQ(MulDiv(2, 1, 3), 1);
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(930, 2000000000, 930), 2000000000) << "no 32-bit overflow";
    EXPECT_EQ(MulDiv(5, 7, 0), -1) << "no division by zero";
}

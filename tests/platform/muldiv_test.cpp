#include "platform/muldiv.h"

#include <gtest/gtest.h>

TEST(mulDiv, RoundsToNearestWithA64BitProduct) {
    EXPECT_EQ(mulDiv(465, 10000, 930), 5000);
    EXPECT_EQ(mulDiv(1, 1, 2), 1); // half rounds away from zero
    EXPECT_EQ(mulDiv(1, 1, 3), 0);
    EXPECT_EQ(mulDiv(2, 1, 3), 1);
    EXPECT_EQ(mulDiv(-1, 1, 2), -1);
    EXPECT_EQ(mulDiv(930, 2000000000, 930), 2000000000) << "no 32-bit overflow";
    EXPECT_EQ(mulDiv(5, 7, 0), -1) << "no division by zero";
}

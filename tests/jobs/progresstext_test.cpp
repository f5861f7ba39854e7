#include "jobs/progresstext.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressText, HundredthsShowAsFourDigitsWithAPoint) {
    EXPECT_EQ(HundredthsProgressText(734), "07.34%");
    EXPECT_EQ(HundredthsProgressText(3407), "34.07%");
    EXPECT_EQ(HundredthsProgressText(9999), "99.99%");
    EXPECT_EQ(HundredthsProgressText(0), "00.00%");
    EXPECT_EQ(HundredthsProgressText(5), "00.05%");
    EXPECT_EQ(HundredthsProgressText(10000), "99.99%");
    EXPECT_EQ(HundredthsProgressText(-3), "00.00%");
}

TEST(ProgressText, RatioIsRoundedCappedAndSafeWithoutALength) {
    EXPECT_EQ(ProgressHundredths(1, 3), 3333);
    EXPECT_EQ(ProgressHundredths(2, 3), 6667);
    EXPECT_EQ(ProgressHundredths(44100, 44100), 9999);
    EXPECT_EQ(ProgressHundredths(50000, 44100), 9999);
    EXPECT_EQ(ProgressHundredths(0, 44100), 0);
    // A reader that knows no length: "00.00%" until the row ends.
    EXPECT_EQ(ProgressHundredths(44100, 0), 0);
    EXPECT_EQ(ProgressHundredths(44100, -1), 0);
    EXPECT_EQ(ProgressHundredths(qint64(1) << 40, (qint64(1) << 41) + 1), 5000); // no overflow
}

TEST(ProgressText, GrabberPercentKeepsItsShape) {
    EXPECT_EQ(RipProgressText(7.5), "07.5%");
    EXPECT_EQ(RipProgressText(37.2547), "37.25%");
    EXPECT_EQ(RipProgressText(99.999), "99.99%");
    // Whole numbers get a fraction digit.
    EXPECT_EQ(RipProgressText(37.0), "37.0%");
    EXPECT_EQ(RipProgressText(5.0), "05.0%");
    EXPECT_EQ(RipProgressText(0.0), "00.0%");
    // Binary fractions and tiny values never show as exponents or long tails.
    EXPECT_EQ(RipProgressText(0.1 + 0.2), "00.3%");
    EXPECT_EQ(RipProgressText(5e-5), "00.00%");
    EXPECT_EQ(RipProgressText(12.25), "12.25%");
}

} // namespace

#include "jobs/progresstext.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressText, HundredthsShowAsFourDigitsWithAPoint) {
    EXPECT_EQ(hundredthsProgressText(734), "07.34%");
    EXPECT_EQ(hundredthsProgressText(3407), "34.07%");
    EXPECT_EQ(hundredthsProgressText(9999), "99.99%");
    EXPECT_EQ(hundredthsProgressText(0), "00.00%");
    EXPECT_EQ(hundredthsProgressText(5), "00.05%");
    EXPECT_EQ(hundredthsProgressText(10000), "99.99%");
    EXPECT_EQ(hundredthsProgressText(-3), "00.00%");
}

TEST(ProgressText, EncodingIsMarkedShortAndSaidAtLength) {
    EXPECT_EQ(encodingProgressText(8000), QStringLiteral("\u00bb 80.00%"));
    EXPECT_EQ(encodingProgressText(10000), QStringLiteral("\u00bb 99.99%"));
    EXPECT_EQ(encodingProgressDetail(734), QStringLiteral("Encoding 07.34%"));
}

TEST(ProgressText, RatioIsRoundedCappedAndSafeWithoutALength) {
    EXPECT_EQ(progressHundredths(1, 3), 3333);
    EXPECT_EQ(progressHundredths(2, 3), 6667);
    EXPECT_EQ(progressHundredths(44100, 44100), 9999);
    EXPECT_EQ(progressHundredths(50000, 44100), 9999);
    EXPECT_EQ(progressHundredths(0, 44100), 0);
    // A reader that knows no length: "00.00%" until the row ends.
    EXPECT_EQ(progressHundredths(44100, 0), 0);
    EXPECT_EQ(progressHundredths(44100, -1), 0);
    EXPECT_EQ(progressHundredths(qint64(1) << 40, (qint64(1) << 41) + 1), 5000); // no overflow
}

TEST(ProgressText, GrabberPercentKeepsItsShape) {
    EXPECT_EQ(ripProgressText(7.5), "07.5%");
    EXPECT_EQ(ripProgressText(37.2547), "37.25%");
    EXPECT_EQ(ripProgressText(99.999), "99.99%");
    // Whole numbers get a fraction digit.
    EXPECT_EQ(ripProgressText(37.0), "37.0%");
    EXPECT_EQ(ripProgressText(5.0), "05.0%");
    EXPECT_EQ(ripProgressText(0.0), "00.0%");
    // Binary fractions and tiny values never show as exponents or long tails.
    EXPECT_EQ(ripProgressText(0.1 + 0.2), "00.3%");
    EXPECT_EQ(ripProgressText(5e-5), "00.00%");
    EXPECT_EQ(ripProgressText(12.25), "12.25%");
}

} // namespace

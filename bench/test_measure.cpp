// The benchmark's statistics, test texts and figure formatting.
#include <gtest/gtest.h>

#include <algorithm>

#include "measure.h"
#include "sim/pronto.h"

using namespace bench;

namespace {

Samples of(std::initializer_list<double> values)
{
    Samples s;
    for (double v : values)
        s.add(v);
    return s;
}

}  // namespace

TEST(Samples, MedianOfOddAndEvenCountsInAnyOrder)
{
    EXPECT_DOUBLE_EQ(of({5, 1, 3}).median(), 3);
    EXPECT_DOUBLE_EQ(of({4, 1, 3, 2}).median(), 2.5);
    EXPECT_DOUBLE_EQ(of({7}).median(), 7);
    EXPECT_DOUBLE_EQ(Samples().median(), 0) << "an empty set reads as zero, not as garbage";
}

TEST(Samples, PercentileIsNearestRank)
{
    Samples hundred;
    for (int i = 100; i >= 1; --i)
        hundred.add(i);
    EXPECT_DOUBLE_EQ(hundred.percentile(99), 99);
    EXPECT_DOUBLE_EQ(hundred.percentile(50), 50);
    EXPECT_DOUBLE_EQ(hundred.percentile(100), 100);
    EXPECT_DOUBLE_EQ(hundred.percentile(0.1), 1);

    // Ten slow outliers among a thousand: p99 still sees them, the median not.
    Samples thousand;
    for (int i = 0; i < 990; ++i)
        thousand.add(0.2);
    for (int i = 0; i < 10; ++i)
        thousand.add(30);
    EXPECT_DOUBLE_EQ(thousand.median(), 0.2);
    EXPECT_DOUBLE_EQ(thousand.percentile(99), 0.2);
    EXPECT_DOUBLE_EQ(thousand.percentile(99.1), 30);
    EXPECT_DOUBLE_EQ(thousand.max(), 30);
    EXPECT_EQ(thousand.above(0.2), 10u);
    EXPECT_EQ(thousand.above(30), 0u);
}

TEST(ProntoText, ExactLengthsThatTheDriverAccepts)
{
    for (size_t length : {size_t(29), size_t(2048), size_t(100000), size_t(1) << 20}) {
        SCOPED_TRACE(length);
        std::string text = prontoText(length);
        ASSERT_EQ(text.size(), length);
        pronto::Code code;
        ASSERT_TRUE(pronto::parse(text.data(), text.size(), &code));
        EXPECT_GT(pronto::carrierHz(code), 30000);
        // Nearly all of the text is code, not padding: the check reads it all.
        EXPECT_GE(5 * (code.once.size() + code.repeat.size() + 4), length - 10);
    }
}

TEST(ProntoText, LinesOfAtMostTheGivenWordsKeepTheLengthAndTheCode)
{
    for (size_t length : {size_t(2048), size_t(100000), size_t(1) << 20}) {
        SCOPED_TRACE(length);
        std::string text = prontoText(length, 0, 16);
        ASSERT_EQ(text.size(), length);
        EXPECT_TRUE(pronto::parse(text.data(), text.size(), nullptr));
        size_t lineStart = 0, longest = 0;
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
            longest = std::max(longest, at - lineStart);
            lineStart = at + 2;
        }
        EXPECT_GT(lineStart, 0u) << "no line breaks";
        EXPECT_LE(longest, 16u * 5) << "16 words of 4 digits and their separators";
        EXPECT_EQ(text.find('\n', 0), text.find("\r\n", 0) + 1) << "every break is CR LF";
    }
    EXPECT_EQ(prontoText(2048).find('\n'), std::string::npos) << "one line by default";
}

TEST(ProntoText, SaltGivesADifferentValidTextOfTheSameLength)
{
    std::string a = prontoText(1 << 20, 0), b = prontoText(1 << 20, 1);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_NE(a, b);
    EXPECT_TRUE(pronto::parse(b.data(), b.size(), nullptr));
}

TEST(ProntoText, LengthsOutsideWhatACodeCanHoldGiveNothing)
{
    EXPECT_EQ(prontoText(28), "");
    EXPECT_EQ(prontoText(0), "");
    EXPECT_EQ(prontoText(2000000), "") << "pair counts are at most 0xFFFF each";
}

TEST(FloodNumber, ReadsTheDriversFloodCodes)
{
    EXPECT_EQ(floodNumber("F1000000C350"), 50000u);
    EXPECT_EQ(floodNumber("F10000000001"), 1u);
    EXPECT_EQ(floodNumber("F1FFFFFFFFFF"), 0xFFFFFFFFFFull);
    for (const char* other : {"", "F1", "F1000000C35", "F1000000C3500", "F2000000C350",
                              "F1000000C35G", "RL0000000001"})
        EXPECT_EQ(floodNumber(other), 0u) << other;
}

TEST(Formatting, KilobytesAreRoundedAndGrouped)
{
    EXPECT_EQ(kilobytes(0), "0 KB");
    EXPECT_EQ(kilobytes(1536), "2 KB");
    EXPECT_EQ(kilobytes(1234567.0 * 1024), "1,234,567 KB");
    EXPECT_EQ(kilobytes(-1000.0 * 1024), "-1,000 KB");
    EXPECT_EQ(kilobytes(-512.0 * 1024), "-512 KB");
}

TEST(Formatting, MillisecondsKeepThreeSignificantPlacesWhereSmall)
{
    EXPECT_EQ(millis(0.0421), "0.042 ms");
    EXPECT_EQ(millis(12.345), "12.35 ms");
    EXPECT_EQ(millis(1234.5), "1234.5 ms");
    EXPECT_EQ(millis(-0.5), "-0.500 ms");
    EXPECT_EQ(signedCount(3), "+3");
    EXPECT_EQ(signedCount(-2), "-2");
    EXPECT_EQ(signedCount(0), "0");
}

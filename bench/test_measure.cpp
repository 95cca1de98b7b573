// The benchmark's statistics, test texts and figure formatting.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "measure.h"
#include "sim/pronto.h"

using namespace bench;

TEST(Samples, MedianAndNearestRankPercentiles)
{
    struct { std::vector<double> values; double median; } medians[] = {
        {{5, 1, 3}, 3}, {{4, 1, 3, 2}, 2.5}, {{7}, 7}, {{}, 0},  // empty reads as zero
    };
    for (auto& m : medians) {
        Samples s;
        for (double v : m.values)
            s.add(v);
        EXPECT_DOUBLE_EQ(s.median(), m.median) << m.values.size() << " values";
    }

    // Ten slow outliers among a thousand: p99 still sees them, the median not.
    Samples thousand;
    for (int i = 0; i < 1000; ++i)
        thousand.add(i % 100 == 0 ? 30 : 0.2);
    EXPECT_EQ(std::vector<double>({thousand.median(), thousand.percentile(99), thousand.percentile(99.1),
                                   thousand.percentile(0.1), thousand.max()}),
              std::vector<double>({0.2, 0.2, 30, 0.2, 30}))
        << "median, p99, p99.1, p0.1, max";
    EXPECT_TRUE(thousand.above(0.2) == 10 && thousand.above(30) == 0) << "values above 0.2, above 30";
}

// Valid codes of exactly the asked length that the check must read whole,
// one line or in CR LF lines of at most the given words; nothing where no
// code fits.
TEST(ProntoText, ExactLengthsThatTheDriverAccepts)
{
    for (size_t length : {size_t(29), size_t(2048), size_t(100000), size_t(1) << 20}) {
        for (int lineWords : {0, 16}) {
            SCOPED_TRACE(std::to_string(length) + " characters, lines of " + std::to_string(lineWords));
            std::string text = prontoText(length, 0, lineWords);
            pronto::Code code;
            ASSERT_TRUE(text.size() == length && pronto::parse(text.data(), text.size(), &code)) << text.size();
            EXPECT_GT(pronto::carrierHz(code), 30000);
            size_t words = code.once.size() + code.repeat.size() + 4;
            size_t breaks = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
            EXPECT_EQ(breaks, lineWords ? (words - 1) / lineWords : 0);
            EXPECT_EQ(static_cast<size_t>(std::count(text.begin(), text.end(), '\r')), breaks);
            EXPECT_GE(5 * words + breaks + 12, length) << "mostly padding, not code";
        }
    }
    std::string salted = prontoText(1 << 20, 1);
    EXPECT_TRUE(salted != prontoText(1 << 20, 0) && pronto::parse(salted.data(), salted.size(), nullptr));
    for (size_t length : {size_t(0), size_t(28), size_t(2000000)})
        EXPECT_EQ(prontoText(length), "") << length << " characters";
}

TEST(FloodNumber, ReadsTheDriversFloodCodes)
{
    EXPECT_EQ(floodNumber("F1000000C350"), 50000u);
    EXPECT_EQ(floodNumber("F1FFFFFFFFFF"), 0xFFFFFFFFFFull);
    for (const char* other : {"", "F1", "F1000000C35", "F1000000C3500", "F2000000C350",
                              "F1000000C35G", "RL0000000001"})
        EXPECT_EQ(floodNumber(other), 0u) << other;
}

TEST(Formatting, FiguresAsTheTablePrintsThem)
{
    EXPECT_EQ(kilobytes(1536) + " " + kilobytes(1234567.0 * 1024) + " " + kilobytes(-1000.0 * 1024),
              "2 KB 1,234,567 KB -1,000 KB");
    EXPECT_EQ(millis(0.0421) + " " + millis(12.345) + " " + millis(1234.5), "0.042 ms 12.35 ms 1234.5 ms");
    EXPECT_EQ(signedCount(3) + " " + signedCount(0), "+3 0");
}

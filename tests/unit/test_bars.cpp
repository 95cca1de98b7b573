// Bar geometry and the rounding it depends on.
#include <gtest/gtest.h>

#include "ui/bars.h"

TEST(Nearest, HalvesGoToEven)
{
    struct { double x; int16_t want; } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {0.49, 0}, {0.51, 1},
        {-0.51, -1}, {3.0, 3}, {32.667, 33}, {-0.333, 0},
    };
    for (auto& c : cases)
        EXPECT_EQ(bars::nearest(c.x), c.want) << "x = " << c.x;
}

TEST(Nearest, PinsValuesBeyondSixteenBits)
{
    EXPECT_EQ(bars::nearest(1e9), 32767);
    EXPECT_EQ(bars::nearest(-1e9), -32768);
    EXPECT_EQ(bars::nearest(32767.4), 32767);
}

TEST(Bars, GeometryAt96Dpi)
{
    bars::ProgressGeometry p = bars::progressGeometry(4935, 15.0);
    EXPECT_EQ(p.width, 323);
    EXPECT_EQ(p.slot, 10);
    bars::QualityGeometry q = bars::qualityGeometry(1575, 15.0);
    EXPECT_EQ(q.height, 99);
    EXPECT_EQ(q.slot, 10);
}

TEST(Bars, GeometryFollowsTheScreen)
{
    // 120 dots per inch: 12 twips per pixel.
    bars::ProgressGeometry p = bars::progressGeometry(4935, 12.0);
    EXPECT_EQ(p.width, bars::nearest(4935 / 12.0 - 6));
    EXPECT_EQ(p.slot, bars::nearest(p.width / 33.0));
}

TEST(Bars, ProgressSegmentsLit)
{
    struct { int progress, lit; } cases[] = {
        {0, 0}, {1, 1}, {3, 1}, {4, 2}, {100, 34}, {-1, 0}, {-7, 0}, {244, 82},
    };
    for (auto& c : cases)
        EXPECT_EQ(bars::progressSegmentCount(c.progress), c.lit) << "progress " << c.progress;
}

TEST(Bars, QualitySegmentsLit)
{
    struct { int quality, lit; } cases[] = {
        {0, 1}, {10, 1}, {11, 2}, {20, 3}, {30, 3}, {31, 4}, {100, 11}, {-7, 0}, {-16, 0},
    };
    for (auto& c : cases)
        EXPECT_EQ(bars::qualitySegmentCount(c.quality), c.lit) << "quality " << c.quality;
}

TEST(Bars, SegmentPositions)
{
    bars::ProgressGeometry p = bars::progressGeometry(4935, 15.0);
    std::vector<bars::Segment> lit = bars::progressSegments(4, p, 64);
    ASSERT_EQ(lit.size(), 2u);
    EXPECT_DOUBLE_EQ(lit[0].left, 2.0);
    EXPECT_DOUBLE_EQ(lit[0].right, 2.0 + 323 / 40.0);
    EXPECT_DOUBLE_EQ(lit[1].left, 12.0);

    bars::QualityGeometry q = bars::qualityGeometry(1575, 15.0);
    std::vector<bars::Segment> up = bars::qualitySegments(100, q, 64);
    ASSERT_EQ(up.size(), 11u);
    EXPECT_DOUBLE_EQ(up[0].bottom, 99.0);
    EXPECT_DOUBLE_EQ(up[0].top, 99.0 - 99 / 14.0);
    EXPECT_LT(up[10].bottom, 0.0) << "the eleventh segment lies above the box";
}

TEST(Bars, HostileValuesStayBounded)
{
    bars::ProgressGeometry p = bars::progressGeometry(4935, 15.0);
    EXPECT_EQ(bars::progressSegments(2147483647, p, 40).size(), 40u);
    EXPECT_TRUE(bars::progressSegments(-2147483647 - 1, p, 40).empty());
    bars::QualityGeometry q = bars::qualityGeometry(1575, 15.0);
    EXPECT_EQ(bars::qualitySegments(32767, q, 12).size(), 12u);
}

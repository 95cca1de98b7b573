// Bar geometry and the rounding it depends on.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ui/bars.h"

TEST(Nearest, HalvesGoToEvenAndBigValuesArePinned)
{
    struct { double x; int16_t want; } cases[] = {
        {0.5, 0},     {1.5, 2},           {2.5, 2},       {-0.5, 0},       {-1.5, -2},
        {0.49, 0},    {0.51, 1},          {-0.51, -1},    {32.667, 33},    {-0.333, 0},
        {1e9, 32767}, {32767.4, 32767},   {-1e9, -32768},
    };
    for (auto& c : cases)
        EXPECT_EQ(bars::nearest(c.x), c.want) << "x = " << c.x;
}

TEST(Bars, GeometryFollowsTheScreen)
{
    struct { double twipsPerPixel; int width, slot, height, heightSlot; } cases[] = {
        {15.0, 323, 10, 99, 10},   // 96 dots per inch
        {12.0, 405, 12, 125, 12},  // 120: a slot of 12.5 rounds to even
    };
    for (auto& c : cases) {
        bars::ProgressGeometry p = bars::progressGeometry(4935, c.twipsPerPixel);
        bars::QualityGeometry q = bars::qualityGeometry(1575, c.twipsPerPixel);
        EXPECT_EQ(std::vector<int>({p.width, p.slot, q.height, q.slot}),
                  std::vector<int>({c.width, c.slot, c.height, c.heightSlot}))
            << c.twipsPerPixel << " twips per pixel";
    }
}

TEST(Bars, SegmentsLit)
{
    struct { int value, progressLit, qualityLit; } cases[] = {
        {0, 0, 1},   {1, 1, 1},   {3, 1, 1},     {4, 2, 1},     {10, 4, 1},  {11, 4, 2},
        {20, 7, 3},  {30, 10, 3}, {31, 11, 4},   {100, 34, 11}, {244, 82, 25}, {-1, 0, 0},
        {-7, 0, 0},  {-16, 0, 0},
    };
    for (auto& c : cases) {
        EXPECT_EQ(std::make_pair(bars::progressSegmentCount(c.value), bars::qualitySegmentCount(c.value)),
                  std::make_pair(c.progressLit, c.qualityLit)) << "progress and quality " << c.value;
    }
}

// Where the lit segments lie, and how many at most, whatever the value.
TEST(Bars, SegmentPositionsAndBounds)
{
    bars::ProgressGeometry p = bars::progressGeometry(4935, 15.0);
    std::vector<bars::Segment> lit = bars::progressSegments(4, p, 64);
    ASSERT_EQ(lit.size(), 2u);
    EXPECT_DOUBLE_EQ(lit[0].left, 2.0);
    EXPECT_DOUBLE_EQ(lit[0].right, 2.0 + 323 / 40.0);
    EXPECT_DOUBLE_EQ(lit[1].left, 12.0);
    EXPECT_EQ(bars::progressSegments(2147483647, p, 40).size(), 40u);
    EXPECT_TRUE(bars::progressSegments(-2147483647 - 1, p, 40).empty());

    bars::QualityGeometry q = bars::qualityGeometry(1575, 15.0);
    std::vector<bars::Segment> up = bars::qualitySegments(100, q, 64);
    ASSERT_EQ(up.size(), 11u);
    EXPECT_DOUBLE_EQ(up[0].bottom, 99.0);
    EXPECT_DOUBLE_EQ(up[0].top, 99.0 - 99 / 14.0);
    EXPECT_LT(up[10].bottom, 0.0) << "the eleventh segment lies above the box";
    EXPECT_EQ(bars::qualitySegments(32767, q, 12).size(), 12u);
    EXPECT_TRUE(bars::qualitySegments(-2147483647 - 1, q, 12).empty());
}

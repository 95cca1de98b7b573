// Received-code copying, progress packing and the carrier caption.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/relay_text.h"

TEST(ReceivedText, CopiesUpToNulAndAtMostSixteenBytes)
{
    char out[17];
    relay::copyReceivedText("A1B2C3D4E5F6", out);
    EXPECT_STREQ(out, "A1B2C3D4E5F6");

    relay::copyReceivedText("0123456789ABCDEF", out);  // exactly 16
    EXPECT_STREQ(out, "0123456789ABCDEF");

    relay::copyReceivedText("", out);
    EXPECT_STREQ(out, "");

    relay::copyReceivedText(nullptr, out);
    EXPECT_STREQ(out, "");
}

TEST(ReceivedText, NeverReadsPastSixteenBytes)
{
    // 16 bytes with no NUL, at the very end of a heap block: a read of a
    // 17th byte is caught by AddressSanitizer.
    std::vector<char> text(16, 'X');
    char out[17];
    std::memset(out, 'Z', sizeof out);
    relay::copyReceivedText(text.data(), out);
    EXPECT_EQ(std::string(out), std::string(16, 'X'));
    EXPECT_EQ(out[16], '\0');
}

TEST(ReceivedText, ClearsWhatAShorterCodeLeavesBehind)
{
    char out[17];
    relay::copyReceivedText("0123456789ABCDEF", out);
    relay::copyReceivedText("AB", out);
    for (int i = 2; i < 17; ++i)
        EXPECT_EQ(out[i], '\0') << "byte " << i;
}

TEST(Progress, PackAndUnpack)
{
    struct { int32_t progress, quality; int16_t wantProgress, wantQuality; } cases[] = {
        {0, 0, 0, 0},      {50, 7, 50, 7},       {100, 10, 100, 10},
        {-1, 3, 255, 3},   {-100, 0, 255, 0},    {500, 0, 244, 1},
    };
    for (auto& c : cases) {
        relay::ProgressReport r = relay::unpackProgress(relay::packProgress(c.progress, c.quality));
        EXPECT_EQ(r.progress, c.wantProgress) << c.progress << "," << c.quality;
        EXPECT_EQ(r.quality, c.wantQuality) << c.progress << "," << c.quality;
    }
}

TEST(Progress, NegativeQualityKeepsTheSignOfTheMessage)
{
    // quality -7, progress 50: wParam -1742; remainder -206, quotient -6.
    int32_t packed = relay::packProgress(50, -7);
    EXPECT_EQ(packed, -1742);
    relay::ProgressReport r = relay::unpackProgress(packed);
    EXPECT_EQ(r.progress, -206);
    EXPECT_EQ(r.quality, -6);
}

TEST(Progress, HugeQualityWrapsInsteadOfOverflowing)
{
    int32_t packed = relay::packProgress(10, 2147483647);
    relay::ProgressReport r = relay::unpackProgress(packed);
    EXPECT_EQ(r.progress, (packed % 256));
    EXPECT_LE(r.quality, 32767);
}

TEST(Carrier, Captions)
{
    struct { int32_t hz; const char* want; } cases[] = {
        {38000, "38.0KHz"}, {36789, "36.7KHz"}, {40950, "40.9KHz"}, {0, "0.0KHz"},
        {-1, "0.0KHz"},     {999, "0.9KHz"},    {2147483647, "2147483.6KHz"},
        {-2147483647 - 1, "-2147483.-6KHz"},
    };
    for (auto& c : cases)
        EXPECT_EQ(relay::carrierCaption(c.hz), c.want) << c.hz;
}

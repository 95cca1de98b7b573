// Received-code copying, progress packing and the carrier caption.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "app/relay_text.h"

// Each text is a heap block of exactly its bytes: AddressSanitizer catches a
// read past them. Every byte of the copy after the text is 0, whatever the
// copy held before.
TEST(ReceivedText, CopiesUpToNulAndAtMostSixteenBytes)
{
    struct { std::string bytes; const char* want; } cases[] = {
        {std::string("A1B2C3D4E5F6\0", 13), "A1B2C3D4E5F6"},
        {std::string("0123456789ABCDEF\0", 17), "0123456789ABCDEF"},
        {std::string(16, 'X'), "XXXXXXXXXXXXXXXX"},  // no NUL within reach
        {"0123456789ABCDEFGHIJ", "0123456789ABCDEF"},
        {std::string("AB\0CDEF", 7), "AB"},
        {std::string("\0", 1), ""},
    };
    for (auto& c : cases) {
        std::vector<char> text(c.bytes.begin(), c.bytes.end());
        char out[17];
        std::memset(out, 'Z', sizeof out);
        relay::copyReceivedText(text.data(), out);
        std::string want(c.want);
        want.resize(sizeof out, '\0');
        EXPECT_EQ(std::string(out, sizeof out), want) << "text " << c.want;
    }
    char out[17];
    relay::copyReceivedText(nullptr, out);
    EXPECT_STREQ(out, "");
    // A short text without its NUL, at the end of what can be read.
    std::vector<char> edge(10, 'E');
    relay::copyReceivedText(edge.data(), out, edge.size());
    EXPECT_STREQ(out, "EEEEEEEEEE");
}

// quality * 256 + progress in 32 bits, 255 for a negative progress; the low
// byte 255 ends the learn whatever the quality.
TEST(Progress, PackUnpackAndEnd)
{
    struct { int32_t progress, quality; int16_t wantProgress, wantQuality; bool end; } cases[] = {
        {0, 0, 0, 0, false},         {50, 7, 50, 7, false},      {100, 10, 100, 10, false},
        {-1, 3, 255, 3, true},       {-100, 0, 255, 0, true},    {500, 0, 244, 1, false},
        // -7 * 256 + 50 = -1742: remainder -206, quotient -6.
        {50, -7, -206, -6, false},   {-1, -7, -1, -6, true},     {-1, -1, -1, 0, true},
        {10, 2147483647, -246, 0, false},  {50, -2147483647 - 1, 50, 0, false},
        {10, 200000, 10, 32767, false},     {10, -200000, -246, -32768, false},  // pinned to 16 bits
    };
    for (auto& c : cases) {
        int32_t packed = relay::packProgress(c.progress, c.quality);
        relay::ProgressReport r = relay::unpackProgress(packed);
        EXPECT_EQ(std::make_tuple(r.progress, r.quality, relay::isEndReport(packed)),
                  std::make_tuple(c.wantProgress, c.wantQuality, c.end)) << c.progress << "," << c.quality;
    }
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

// Pronto hex parsing, checking and formatting used by the simulated device.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "sim/pronto.h"
#include "tests/codes.h"

namespace {

const std::string NEC1 = codes::NEC1, RC5 = codes::RC5;
const std::string SMALL = "0000 006D 0001 0000 0010 0020";

bool valid(const std::string& text)
{
    return pronto::parse(text.data(), text.size(), nullptr);
}

pronto::Code parsed(const std::string& text)
{
    pronto::Code code;
    EXPECT_TRUE(pronto::parse(text.data(), text.size(), &code)) << "text: " << text;
    return code;
}

TEST(Pronto, PublishedCodesParseWithTheirCounts)
{
    // The text, its frequency word, once and repeat words, carrier.
    struct { const std::string* text; uint16_t freqCode; size_t onceWords, repeatWords; double carrierHz; } cases[] = {
        {&NEC1, 0x6C, 68, 4, 38381},
        {&RC5, 0x73, 0, 22, 36045},
    };
    for (auto& c : cases) {
        pronto::Code code = parsed(*c.text);
        EXPECT_EQ(std::make_tuple(code.freqCode, code.once.size(), code.repeat.size()),
                  std::make_tuple(c.freqCode, c.onceWords, c.repeatWords)) << *c.text;
        EXPECT_NEAR(pronto::carrierHz(code), c.carrierHz, 1.0);
        EXPECT_EQ(pronto::format(code), *c.text) << "canonical text differs from the published one";
    }
    EXPECT_EQ(pronto::carrierHz(pronto::Code()), 0.0);
}

// What the check accepts formats back to its canonical text.
TEST(Pronto, WhatIsAcceptedAndItsCanonicalText)
{
    struct { std::string text; const char* canonical; } cases[] = {
        {"  0000 006D 0001 0000 0010 0020  ", "0000 006D 0001 0000 0010 0020"},
        {"0000\t006D\t0001\t0000\t0010\t0020", "0000 006D 0001 0000 0010 0020"},
        {"\n\n0000   006D\n0001 0000 \r 0010\t \t0020\r\n", "0000 006D 0001 0000 0010 0020"},
        {"0000 006D 0001 0000 0010 0020\v\f", "0000 006D 0001 0000 0010 0020"},
        {"0000 006c 0001 0001 00ab 0cde 015b 0e6c", "0000 006C 0001 0001 00AB 0CDE 015B 0E6C"},
        {"0000 006D 0000 0001 0010 0020", "0000 006D 0000 0001 0010 0020"},  // repeat only
        {"0000 FFFF 0001 0000 FFFF FFFF", "0000 FFFF 0001 0000 FFFF FFFF"},  // largest words
    };
    for (auto& c : cases)
        EXPECT_EQ(pronto::format(parsed(c.text)), c.canonical) << ::testing::PrintToString(c.text);
}

// More refusals, with the IR core's parser, in IrParse.InvalidTextsAreRefusedWithAReason.
TEST(Pronto, WhatIsRejected)
{
    const std::string texts[] = {
        "   \r\n\t ",
        "000 006D 0001 0000 0010 0020",     // three digits
        "0000 006D 0001 0000 0010 0020,",   // punctuation
        "0000 006D 0001 0000 0010 00 20",
        "0000 006D 0001 0000 0010 \xEF\xBC\x90" "020",  // non-ASCII digit
        "0000 006D 0001",
        "0000 006D 0001 0000 0010 0020 0030 0040",  // a pair too many
        "0000 006D 0002 0000 0010 0020",            // a pair missing
        "0000 006D 0001 0001 0010 0020 0030",       // half a repeat pair
        SMALL + std::string("\0", 1),               // NUL is not whitespace
    };
    for (const std::string& text : texts)
        EXPECT_FALSE(valid(text)) << ::testing::PrintToString(text);
}

TEST(Pronto, OnlyTheGivenLengthIsRead)
{
    std::string text = SMALL + " garbage";
    EXPECT_TRUE(pronto::parse(text.data(), SMALL.size(), nullptr));
    EXPECT_FALSE(pronto::parse(text.data(), SMALL.size() - 1, nullptr)) << "last word cut";
    EXPECT_FALSE(pronto::parse(text.data(), text.size(), nullptr));
    EXPECT_FALSE(pronto::parse(nullptr, 10, nullptr));
}

TEST(Pronto, DurationIsOncePlusOneRepeat)
{
    // 0x10 + 0x20 + 0x30 + 0x40 = 160 periods of 0x6D x 0.241246 us.
    EXPECT_NEAR(pronto::durationMicros(parsed("0000 006D 0001 0001 0010 0020 0030 0040")),
                160 * 0x6D * 0.241246, 0.01);
    // The published NEC1 code: 108 ms frame plus a 108 ms repeat frame.
    EXPECT_NEAR(pronto::durationMicros(parsed(NEC1)), 216000, 2000);
}

TEST(Pronto, BurstKeepsTheOncePartOnly)
{
    std::string text = pronto::format(pronto::burst(parsed(NEC1)));
    EXPECT_EQ(text, "0000 006C 0022 0000 " + NEC1.substr(20, 68 * 5 - 1));
    EXPECT_TRUE(valid(text)) << "the burst of a code must itself be a valid code";
    EXPECT_EQ(pronto::format(pronto::burst(parsed(RC5))), RC5) << "no once part: the whole code";
}

TEST(Pronto, LargeInputsStayLinearAndSafe)
{
    // The longest code the format can describe: 65535 + 65535 pairs.
    std::string longest = "0000 006D FFFF FFFF";
    for (int i = 0; i < 4 * 65535; ++i)
        longest += " 0001";
    pronto::Code code = parsed(longest);
    EXPECT_TRUE(code.once.size() == 2u * 65535 && code.repeat.size() == 2u * 65535);
    EXPECT_FALSE(valid(longest + " 0001"));

    // A megabyte of whitespace around a valid code.
    std::string padded(1u << 20, ' ');
    padded.replace(padded.size() / 2, SMALL.size(), SMALL);
    EXPECT_TRUE(valid(padded));
}

}  // namespace

// Pronto hex parsing, checking and formatting used by the simulated device.
#include <gtest/gtest.h>

#include <string>

#include "sim/pronto.h"

namespace {

const std::string NEC1 =
    "0000 006C 0022 0002 015B 00AD 0016 0016 0016 0016 0016 0041 0016 0041 0016 0016 "
    "0016 0016 0016 0016 0016 0016 0016 0016 0016 0041 0016 0016 0016 0016 0016 0016 "
    "0016 0041 0016 0016 0016 0016 0016 0016 0016 0016 0016 0016 0016 0041 0016 0041 "
    "0016 0041 0016 0016 0016 0016 0016 0041 0016 0041 0016 0041 0016 0016 0016 0016 "
    "0016 0016 0016 0041 0016 0041 0016 06A4 015B 0057 0016 0E6C";
const std::string RC5 =
    "0000 0073 0000 000B 0020 0020 0040 0020 0020 0040 0020 0020 0040 0020 0020 0040 "
    "0020 0020 0020 0020 0040 0020 0020 0020 0020 0CC8";
const std::string RC6 =
    "0000 0073 0000 0014 0060 0020 0010 0020 0010 0010 0010 0010 0010 0020 0020 0010 "
    "0010 0010 0010 0010 0010 0010 0010 0010 0010 0010 0010 0010 0020 0020 0010 0010 "
    "0010 0010 0010 0010 0010 0010 0010 0010 0020 0010 0010 0BDD";

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

std::string replaceWord(std::string text, size_t wordIndex, const std::string& word)
{
    text.replace(wordIndex * 5, 4, word);
    return text;
}

TEST(Pronto, PublishedCodesParseWithTheirCounts)
{
    struct Case {
        const char* name;
        const std::string* text;
        uint16_t freqCode;
        size_t onceWords, repeatWords;
    } cases[] = {
        {"NEC1", &NEC1, 0x6C, 68, 4},
        {"RC5", &RC5, 0x73, 0, 22},
        {"RC6", &RC6, 0x73, 0, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pronto::Code code = parsed(*c.text);
        EXPECT_EQ(0, code.type);
        EXPECT_EQ(c.freqCode, code.freqCode);
        EXPECT_EQ(c.onceWords, code.once.size());
        EXPECT_EQ(c.repeatWords, code.repeat.size());
        EXPECT_EQ(*c.text, pronto::format(code)) << "canonical text differs from the published one";
    }
    pronto::Code nec = parsed(NEC1);
    EXPECT_EQ(0x015B, nec.once.front());
    EXPECT_EQ(0x06A4, nec.once.back());
    EXPECT_EQ(0x015B, nec.repeat.front());
    EXPECT_EQ(0x0E6C, nec.repeat.back());
}

TEST(Pronto, PublishedInvalidExamplesAreRejected)
{
    EXPECT_FALSE(valid("0000 006C 0022 0002 015B")) << "odd length, counts disagree";
    EXPECT_FALSE(valid(replaceWord(NEC1, 2, "0020"))) << "claims 32 once pairs, holds 34 + 2";
    EXPECT_FALSE(valid(replaceWord(NEC1, 4, "015G"))) << "not a hex digit";
}

TEST(Pronto, WhitespaceFormsAreAccepted)
{
    const char* forms[] = {
        "0000 006D 0001 0000 0010 0020",
        "  0000 006D 0001 0000 0010 0020  ",
        "0000\t006D\t0001\t0000\t0010\t0020",
        "0000 006D 0001 0000\r\n0010 0020\r\n",
        "\n\n0000   006D\n0001 0000 \r 0010\t \t0020",
        "0000 006D 0001 0000 0010 0020\v\f",
    };
    for (const char* text : forms) {
        SCOPED_TRACE(::testing::PrintToString(std::string(text)));
        pronto::Code code = parsed(text);
        EXPECT_EQ("0000 006D 0001 0000 0010 0020", pronto::format(code));
    }
}

TEST(Pronto, LowercaseDigitsAreAcceptedAndFormattedUppercase)
{
    std::string lower = "0000 006c 0001 0001 00ab 0cde 015b 0e6c";
    EXPECT_EQ("0000 006C 0001 0001 00AB 0CDE 015B 0E6C", pronto::format(parsed(lower)));
}

TEST(Pronto, MalformedWordsAreRejected)
{
    const char* texts[] = {
        "",
        "   \r\n\t ",
        "0x00 006D 0001 0000 0010 0020",    // 0x prefix
        "+000 006D 0001 0000 0010 0020",    // sign
        "-000 006D 0001 0000 0010 0020",
        "00000 006D 0001 0000 0010 0020",   // five digits
        "000 006D 0001 0000 0010 0020",     // three digits
        "0000 006D 0001 0000 0010 002",     // short last word
        "0000 006D 0001 0000 0010 0020,",   // punctuation after the last word
        "0000,006D,0001,0000,0010,0020",
        "0000 006D 0001 0000 0010 00 20",
        "0000 006D 0001 0000 0010 ０020",  // non-ASCII digits
    };
    for (const char* text : texts) {
        SCOPED_TRACE(::testing::PrintToString(std::string(text)));
        EXPECT_FALSE(valid(text));
    }
}

TEST(Pronto, HeaderRulesAreEnforced)
{
    EXPECT_FALSE(valid("0000 0000 0001 0000 0010 0020")) << "zero frequency code";
    EXPECT_FALSE(valid("0100 006D 0001 0000 0010 0020")) << "type other than 0000";
    EXPECT_FALSE(valid("5000 006D 0001 0000 0010 0020")) << "type other than 0000";
    EXPECT_FALSE(valid("0000 006D 0000 0000 0010 0020")) << "no pairs at all";
    EXPECT_FALSE(valid("0000 006D 0000 0000")) << "four words";
    EXPECT_FALSE(valid("0000 006D 0001")) << "three words";
    EXPECT_TRUE(valid("0000 006D 0000 0001 0010 0020")) << "repeat burst only";
    EXPECT_TRUE(valid("0000 FFFF 0001 0000 FFFF FFFF")) << "largest words";
}

TEST(Pronto, WordCountMustMatchThePairCounts)
{
    EXPECT_FALSE(valid("0000 006D 0001 0000 0010 0020 0030 0040")) << "one pair too many";
    EXPECT_FALSE(valid("0000 006D 0002 0000 0010 0020")) << "one pair missing";
    EXPECT_FALSE(valid("0000 006D 0001 0000 0010 0020 0030")) << "odd word count";
    EXPECT_FALSE(valid("0000 006D 0001 0001 0010 0020 0030")) << "half a repeat pair";
    EXPECT_FALSE(valid(NEC1 + " 0016")) << "published code with an extra word";
    EXPECT_FALSE(valid(NEC1.substr(0, NEC1.size() - 5))) << "published code one word short";
}

TEST(Pronto, OnlyTheGivenLengthIsRead)
{
    std::string text = "0000 006D 0001 0000 0010 0020 garbage";
    EXPECT_TRUE(pronto::parse(text.data(), 29, nullptr));
    EXPECT_FALSE(pronto::parse(text.data(), 28, nullptr)) << "last word cut to three digits";
    EXPECT_FALSE(pronto::parse(text.data(), text.size(), nullptr));
    EXPECT_FALSE(pronto::parse(nullptr, 10, nullptr));

    std::string withNul("0000 006D 0001 0000 0010 0020\0", 30);
    EXPECT_FALSE(pronto::parse(withNul.data(), withNul.size(), nullptr)) << "NUL is not whitespace";
}

TEST(Pronto, CarrierFrequencyFollowsTheFrequencyCode)
{
    struct Case {
        uint16_t freqCode;
        double hz;
    } cases[] = {{0x6D, 38029}, {0x73, 36045}, {0x67, 40244}, {0x4A, 56015}, {0x6C, 38381}};
    for (const Case& c : cases) {
        pronto::Code code;
        code.freqCode = c.freqCode;
        EXPECT_NEAR(c.hz, pronto::carrierHz(code), 1.0) << "frequency code " << c.freqCode;
    }
    EXPECT_EQ(0.0, pronto::carrierHz(pronto::Code()));
}

TEST(Pronto, DurationIsOncePlusOneRepeat)
{
    // 0x10 + 0x20 + 0x30 + 0x40 = 160 periods of 0x6D x 0.241246 us.
    pronto::Code code = parsed("0000 006D 0001 0001 0010 0020 0030 0040");
    EXPECT_NEAR(160 * 0x6D * 0.241246, pronto::durationMicros(code), 0.01);

    // NEC1's lead-in mark: 0x15B periods of 0x6C, about 9041 us.
    pronto::Code lead = parsed("0000 006C 0001 0000 015B 0000");
    EXPECT_NEAR(9041, pronto::durationMicros(lead), 1.0);

    // The published NEC1 code: 108 ms frame plus a 108 ms repeat frame.
    EXPECT_NEAR(216000, pronto::durationMicros(parsed(NEC1)), 2000);
}

TEST(Pronto, BurstKeepsTheOncePartOnly)
{
    pronto::Code nec = parsed(NEC1);
    pronto::Code b = pronto::burst(nec);
    EXPECT_EQ(nec.once, b.once);
    EXPECT_TRUE(b.repeat.empty());
    std::string text = pronto::format(b);
    EXPECT_EQ("0000 006C 0022 0000 " + NEC1.substr(20, 68 * 5 - 1), text);
    EXPECT_TRUE(valid(text)) << "the burst of a code must itself be a valid code";

    pronto::Code rc5 = parsed(RC5);
    EXPECT_EQ(RC5, pronto::format(pronto::burst(rc5))) << "no once part: the whole code";
}

TEST(Pronto, LargeInputsStayLinearAndSafe)
{
    // The longest code the format can describe: 65535 + 65535 pairs.
    std::string longest = "0000 006D FFFF FFFF";
    longest.reserve(4 * 65535 * 5 + 32);
    for (int i = 0; i < 4 * 65535; ++i)
        longest += " 0001";
    pronto::Code code = parsed(longest);
    EXPECT_EQ(2u * 65535, code.once.size());
    EXPECT_EQ(2u * 65535, code.repeat.size());
    EXPECT_FALSE(valid(longest + " 0001"));

    // A megabyte of words after a header that claims a single pair.
    std::string flood = "0000 006D 0001 0000";
    while (flood.size() < (1u << 20))
        flood += " 0001";
    EXPECT_FALSE(valid(flood));

    // A megabyte of whitespace around a valid code.
    std::string padded(1u << 20, ' ');
    padded.replace(padded.size() / 2, 29, "0000 006D 0001 0000 0010 0020");
    EXPECT_TRUE(valid(padded));
}

}  // namespace

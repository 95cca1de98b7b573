// The IR code core: render then decode over every protocol's parameter
// ranges (exact and jittered), the published codes, invalid texts, render
// refusals, the decode rules for NEC variants, JVC and Denon, and the facts.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <random>
#include <regex>
#include <string>

#include "ir/ir.h"
#include "sim/pronto.h"
#include "tests/codes.h"

namespace {

const std::string NEC1 = codes::NEC1, RC5 = codes::RC5;
const std::string RC6 =
    "0000 0073 0000 0014 0060 0020 0010 0020 0010 0010 0010 0010 0010 0020 0020 0010 "
    "0010 0010 0010 0010 0010 0010 0010 0010 0010 0010 0010 0010 0020 0020 0010 0010 "
    "0010 0010 0010 0010 0010 0010 0010 0010 0020 0010 0010 0BDD";

ir::Signal parsed(const std::string& text)
{
    ir::Signal s;
    std::string error;
    EXPECT_TRUE(ir::parsePronto(text, &s, &error)) << error << "\ntext: " << text;
    return s;
}

std::string rendered(const std::string& protocol, const ir::Params& p)
{
    std::string text, error;
    EXPECT_TRUE(ir::render(protocol, p, &text, &error)) << protocol << ": " << error;
    return text;
}

// Every duration of the once part (the part that is decoded) of `s` within
// the tolerance of the same duration of `code`; the lead-out may be longer.
bool fits(const ir::Signal& s, const ir::Signal& code)
{
    if (s.once.size() != code.once.size())
        return false;
    for (size_t i = 0; i < 2 * s.once.size(); ++i) {
        double v = i % 2 ? s.once[i / 2].spaceUs : s.once[i / 2].markUs;
        double n = i % 2 ? code.once[i / 2].spaceUs : code.once[i / 2].markUs;
        double tol = std::fmax(0.25 * n, 100.0);
        if (v < n - tol || (v > n + tol && i + 1 < 2 * s.once.size()))
            return false;
    }
    return true;
}

// Each duration times a factor from scale().
template <typename Scale>
ir::Signal changed(ir::Signal s, Scale scale)
{
    size_t i = 0;
    for (ir::Pair& p : s.once) {
        p.markUs = scale(p.markUs, i++);
        p.spaceUs = scale(p.spaceUs, i++);
    }
    return s;
}

// Parameters of a protocol: `sweep` runs through its whole range, the others
// are random; a parameter with a default is left out now and then, and the
// expected decode then holds the default.
struct Case { ir::Params given, expected; };
Case makeCase(const ir::ProtocolInfo& info, std::mt19937& random, const std::string& sweep, long long sweepValue)
{
    Case c;
    for (const ir::ParamSpec& p : info.params) {
        long long v = p.name == sweep ? sweepValue : std::uniform_int_distribution<long long>(p.min, p.max)(random);
        if (p.hasDefault && p.name != sweep && random() % 4 == 0) {
            const std::string& d = p.defaultText;
            v = d == "255-D" ? 255 - c.expected.get("D") : d == "D" ? c.expected.get("D") : 0;
        } else {
            c.given.set(p.name, v);
        }
        c.expected.set(p.name, v);
    }
    return c;
}

}  // namespace

TEST(IrRoundTrip, EveryProtocolOverItsRangesExactJitteredAndSpoilt)
{
    std::mt19937 random(20261206);
    for (const ir::ProtocolInfo& info : ir::protocols()) {
        // At 20 % and more an RC6 run of 3 units and one of 2 overlap, and
        // such a signal fits two codes.
        double jitter = std::string(info.name) == "RC6" ? 0.19 : 0.22;
        for (const ir::ParamSpec& sweep : info.params)
            for (long long v = sweep.min; v <= sweep.max; ++v) {
                Case c = makeCase(info, random, sweep.name, v);
                std::string text = rendered(info.name, c.given), line = ir::decodeLine({info.name, c.expected});
                SCOPED_TRACE(line + "\n" + text);
                ASSERT_TRUE(pronto::parse(text.data(), text.size(), nullptr)) << "the driver refuses it";
                ir::Signal code = parsed(text);
                ASSERT_EQ(line, ir::decodeLine(ir::decode(code)));

                ir::Signal jittered = changed(code, [&](double us, size_t) {
                    double most = std::fmax(jitter * us, 90.0);
                    return us + std::uniform_real_distribution<double>(-most, most)(random);
                });
                ASSERT_EQ(line, ir::decodeLine(ir::decode(jittered))) << "jittered";

                // One duration (not the lead-out) beyond the tolerance: unknown,
                // or another code that the signal fits (Sony's long mark
                // halved is a short one).
                size_t spoilt = random() % (2 * code.once.size() - 1);
                ir::Signal bad = changed(code, [&](double us, size_t i) {
                    return i != spoilt ? us : spoilt % 2 ? us * 1.5 + 60 : us * 0.5 - 60;
                });
                ir::Decoded d = ir::decode(bad);
                if (d.known()) {
                    ASSERT_NE(line, ir::decodeLine(d)) << "spoilt at " << spoilt;
                    ASSERT_TRUE(fits(bad, parsed(rendered(d.protocol, d.params))))
                        << "spoilt at " << spoilt << " decodes as " << ir::decodeLine(d) << ", which it does not fit";
                }
            }
    }
}

TEST(IrRoundTrip, PublishedCodes)
{
    struct { const std::string& text; std::vector<std::string> words; } cases[] = {
                 {NEC1, {"NEC1", "D=12", "S=34", "F=56"}},
                 {RC5, {"RC5", "D=12", "F=56", "T=0"}},
                 {RC6, {"RC6", "D=1", "F=3", "T=0"}}};
    for (const auto& c : cases) {
        std::string line = c.words[0] + " " + c.words[1] + " " + c.words[2] + " " + c.words[3];
        SCOPED_TRACE(line);
        EXPECT_EQ(line, ir::decodeLine(ir::decode(parsed(c.text))));
        // Rendering gives the published text back. RC5 and RC6 publish only
        // the repeat part; our codes send the same frame once first.
        std::string text, error;
        ASSERT_TRUE(ir::renderWords(c.words, &text, &error)) << error;
        std::string pairs = c.text.substr(15, 4), body = c.text.substr(20);
        EXPECT_EQ(&c.text == &NEC1 ? NEC1 : c.text.substr(0, 10) + pairs + " " + pairs + " " + body + " " + body,
                  text);
    }
}

TEST(IrParse, InvalidTextsAreRefusedWithAReason)
{
    struct { std::string text; const char* reason; } cases[] = {
        {"", "no words"},
        {"0000 006C 0022 0002 015B", "only 5 words"},
        {"0000 006C 0001 0000 0010 0020 0030", "odd number"},
        {std::string(NEC1).replace(10, 4, "0020"), "announce 32 once and 2 repeat pairs"},
        {std::string(NEC1).replace(20, 4, "015G"), "word 5 is \"015G\""},
        {"0000 006C 0001 0000 0010 +020", "word 6 is \"+020\""},
        {"0000 006C 0001 0000 0010 0x20", "word 6 is \"0x20\""},
        {"0000 006C 0001 0000 0010 00020", "word 6 is \"00020\""},
        {"0000 0000 0001 0000 0010 0020", "frequency code, is 0000"},
        {"0000 006C 0000 0000 0010 0020", "no pairs"},
        {"0100 006C 0001 0000 0010 0020", "word 1 is 0100"},
        {std::string("0000 006C 0001 0000 0010 00\0 20", 32), "word 6 is \"00\\x00\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("text: " + c.text);
        std::string error;
        EXPECT_FALSE(ir::parsePronto(c.text, nullptr, &error));
        EXPECT_NE(std::string::npos, error.find(c.reason)) << "reason: " << error;
        EXPECT_FALSE(pronto::parse(c.text.data(), c.text.size(), nullptr)) << "the driver's check disagrees";
    }
    // Any whitespace between words, and lower case, read the same.
    std::string loose =
        "\t" + NEC1.substr(0, 19) + "\r\n" + NEC1.substr(20, 100) + "  \n  " + NEC1.substr(120) + "\r\n";
    for (char& ch : loose)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    ir::Signal a = parsed(loose), b = parsed(NEC1);
    EXPECT_TRUE(a.once.size() == 34 && a.repeat.size() == 2);
    EXPECT_NEAR(9041.0, b.once[0].markUs, 0.5);
    EXPECT_NEAR(38381.0, b.carrierHz, 0.5);
    EXPECT_EQ(ir::decodeLine(ir::decode(a)), ir::decodeLine(ir::decode(b)));
}

TEST(IrRender, RefusalsNameTheFieldAndItsRange)
{
    struct { std::vector<std::string> words; const char* reason; } cases[] = {
        {{"NEC1", "D=256"}, "D must be 0 to 255"},        {{"NEC1", "D=-1", "F=1"}, "D must be 0 to 255"},
        {{"RC5", "D=1", "F=128"}, "F must be 0 to 127"},  {{"Sony12", "D=32", "F=1"}, "D must be 0 to 31"},
        {{"RC6", "D=1", "F=1", "T=2"}, "T must be 0 to 1"}, {{"NEC1", "D=99999999999", "F=1"}, "D must be 0 to 255"},
        {{"Sony12", "F=1"}, "D is missing: Sony12 needs D from 0 to 31"},
        {{"Sony20", "D=1", "F=1"}, "S is missing"},       {{"NEC1", "D=1", "F=1", "T=0"}, "NEC1 has no T"},
        {{"NEC1", "D=1", "D=2", "F=1"}, "D is given twice"},
        {{"NEC1", "D=x", "F=1"}, "\"D=x\" is not NAME=number"}, {{"NEC1", "X=1"}, "NEC1 has no X; it takes D, S, F"},
        {{"NEC1", "D="}, "is not NAME=number"},
        {{"NEC3", "D=1"}, "unknown protocol \"NEC3\"; known: NEC1, NEC2, Pioneer"},
        {{}, "no protocol given"},
    };
    for (const auto& c : cases) {
        std::string text = "unchanged", error;
        EXPECT_TRUE(!ir::renderWords(c.words, &text, &error) && text == "unchanged") << c.reason;
        EXPECT_NE(std::string::npos, error.find(c.reason)) << "expected \"" << c.reason << "\", got " << error;
    }
    std::string lower, upper;
    ASSERT_TRUE(ir::renderWords({"nec1", "d=4", "f=8"}, &lower, nullptr));
    ASSERT_TRUE(ir::renderWords({"NEC1", "D=4", "S=251", "F=8"}, &upper, nullptr));
    EXPECT_EQ(upper, lower) << "names in any case, S defaulting to 255-D";
}

// What follows the first frame, the carrier and each half of a two-part frame
// (the JSON form of a decode: the command-line tool's tests).
TEST(IrDecode, RulesWhereFramesAreAlike)
{
    auto code = [](const char* protocol, long d, long f) {
        return parsed(rendered(protocol, {{"D", d}, {"F", f}}));
    };
    ir::Signal nec1 = code("NEC1", 1, 2), nec2 = code("NEC2", 1, 2), other = code("NEC2", 1, 3);
    ir::Signal jvc = code("JVC", 5, 6), denon = code("Denon", 5, 6), denonOther = code("Denon", 5, 7);
    auto with = [](ir::Signal s, std::vector<ir::Pair> once, std::vector<ir::Pair> repeat) {
        s.once = std::move(once);
        s.repeat = std::move(repeat);
        return s;
    };
    auto join = [](std::vector<ir::Pair> a, const std::vector<ir::Pair>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    ir::Signal at40k = nec1;
    at40k.carrierHz = 39900;
    ir::Signal lateLeadOut = nec1, earlyLeadOut = nec1;
    lateLeadOut.once.back().spaceUs *= 3;
    earlyLeadOut.once.back().spaceUs *= 0.7;
    std::vector<ir::Pair> halfAndHalf(denon.once.begin(), denon.once.begin() + 16);
    halfAndHalf.insert(halfAndHalf.end(), denonOther.once.begin() + 16, denonOther.once.end());

    struct { const char* what; ir::Signal signal; const char* decoded; } cases[] = {
        {"NEC frame and short repeat", nec1, "NEC1 D=1 S=254 F=2"},
        {"NEC frame alone", with(nec1, nec1.once, {}), "NEC1 D=1 S=254 F=2"},
        {"NEC frame, short repeats in the once part too", with(nec1, join(nec1.once, nec1.repeat), nec1.repeat),
         "NEC1 D=1 S=254 F=2"},
        {"NEC frame repeated whole", nec2, "NEC2 D=1 S=254 F=2"},
        {"NEC frame twice, no repeat part", with(nec2, join(nec2.once, nec2.once), {}), "NEC2 D=1 S=254 F=2"},
        {"NEC frame in the repeat part only", with(nec2, {}, nec2.once), "NEC2 D=1 S=254 F=2"},
        {"carrier near 40 kHz, with a short repeat", at40k, "Pioneer D=1 S=254 F=2"},
        {"repeat part with another F", with(nec2, nec2.once, other.once), "unknown"},
        {"repeat part with whole and short frames", with(nec2, nec2.once, join(nec2.once, nec1.repeat)), "unknown"},
        {"once part with another frame after", with(nec2, join(nec2.once, other.once), {}), "unknown"},
        {"a stray pair after the frame", with(nec2, join(nec2.once, {{560, 20000}}), {}), "unknown"},
        {"lead-out three times as long", lateLeadOut, "NEC1 D=1 S=254 F=2"},
        {"lead-out 30 % short", earlyLeadOut, "unknown"},
        {"JVC with its lead-in", jvc, "JVC D=5 F=6"},
        {"JVC without its lead-in", with(jvc, jvc.repeat, {}), "JVC D=5 F=6"},
        {"JVC frames without lead-in", with(jvc, join(jvc.repeat, jvc.repeat), {}), "JVC D=5 F=6"},
        {"Denon", denon, "Denon D=5 F=6"},
        {"Denon halves that disagree", with(denon, halfAndHalf, {}), "unknown"},
        {"Sharp", code("Sharp", 5, 6), "Sharp D=5 F=6"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.decoded, ir::decodeLine(ir::decode(c.signal))) << c.what;
}

// Facts (their JSON form is the command-line tool's), the waveform and the plot.
TEST(IrFacts, PublishedNec1)
{
    ir::Signal s = parsed(NEC1);
    ir::Facts f = ir::facts(s);
    std::string text = ir::factsText(f);
    for (const char* line : {"carrier: 38.381 kHz\n", "pairs: 34 once, 2 repeat\n",
                             "length: once 108.5 ms, repeat 108.1 ms\n",
                             "marks: 573 to 9041 us: 573 us x 34, 9041 us x 2\n",
                             "spaces: 573 to 96193 us: 573 us x 20, 1694 us x 12, 2267 us x 1, 4507 us x 1, "
                             "44293 us x 1, 96193 us x 1\n"})
        EXPECT_NE(std::string::npos, text.find(line)) << "missing: " << line << "in:\n" << text;

    ir::Waveform w = ir::waveform(s);
    ASSERT_EQ(36u, w.marks.size());
    EXPECT_NEAR(f.onceMs * 1000, w.repeatStartUs, 0.01);
    EXPECT_NEAR((f.onceMs + f.repeatMs) * 1000, w.totalUs, 0.01);
    for (size_t i = 0; i < w.marks.size(); ++i) {
        EXPECT_EQ(i >= 34, w.marks[i].repeat);
        EXPECT_LT(w.marks[i].startUs, w.marks[i].endUs);
        EXPECT_TRUE(i == 0 || w.marks[i - 1].endUs < w.marks[i].startUs) << "mark " << i;
    }
    std::string svg = ir::plotSvg(s);
    EXPECT_NE(std::string::npos, svg.find("<title>38.4 kHz, NEC1 D=12 S=34 F=56</title>"));
    std::regex bar("<rect x=");
    EXPECT_EQ(36, std::distance(std::sregex_iterator(svg.begin(), svg.end(), bar), std::sregex_iterator()));
}

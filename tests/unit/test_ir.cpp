// The IR code core: every protocol renders and decodes back over its ranges,
// as sent and as a learner records it; the published codes; the decode
// rules of real learns, each with the capture it is for; the order of
// preference; invalid texts, render refusals and the facts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <random>
#include <regex>
#include <string>

#include "ir/ir.h"
#include "ir/irp.h"
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

ir::Signal code(const std::string& protocol, const ir::Params& p)
{
    return parsed(rendered(protocol, p));
}

std::string line(const ir::Signal& s)
{
    return ir::decodeLine(ir::decode(s));
}

std::vector<std::string> allLines(const ir::Signal& s)
{
    std::vector<std::string> out;
    for (const ir::Decoded& d : ir::decodeAll(s))
        out.push_back(ir::decodeLine(d));
    return out;
}

// How far a duration of this protocol may be off.
double tolerance(const std::string& protocol, double us)
{
    const ir::irp::Protocol* p = ir::irp::findRow(protocol);
    return std::max(p->relativeTolerance * us, p->absoluteToleranceUs);
}

// What a learner does to a code.
struct Learner {
    double bias = 0;      // marks this much longer, spaces this much shorter
    double jitter = 0;    // then every duration off by up to this part of its tolerance, each on its own
    double leadOut = -1;  // each part's last space this long (us); below 0: as sent
    int held = 0;         // repeat frames added to the once part
    bool noOnce = false;  // the first frame missed: only the repeat part kept
    double carrier = 1;   // the carrier times this
};

ir::Signal learnt(ir::Signal s, const std::string& protocol, const Learner& l, std::mt19937& random)
{
    for (int i = 0; i < l.held; ++i)
        s.once.insert(s.once.end(), s.repeat.begin(), s.repeat.end());
    if (l.noOnce)
        s.once.clear();
    auto spoil = [&](double us, double sign) {
        double most = l.jitter * tolerance(protocol, us);
        return us + sign * l.bias + std::uniform_real_distribution<double>(-most, most)(random);
    };
    for (std::vector<ir::Pair>* part : {&s.once, &s.repeat}) {
        for (ir::Pair& p : *part) {
            p.markUs = spoil(p.markUs, 1);
            p.spaceUs = spoil(p.spaceUs, -1);
        }
        if (!part->empty() && l.leadOut >= 0)
            part->back().spaceUs = l.leadOut;
    }
    s.carrierHz *= l.carrier;
    return s;
}

// Where a code of the first protocol also fits the second, which is named
// first: the order of preference, which the README lists.
const std::pair<const char*, const char*> OVERLAPS[] = {
    {"NEC1-rnc", "NEC1"},        // F with its two halves equal
    {"NEC1-f16", "NEC1"},        // F's high byte the low byte's complement
    {"NEC1-f16", "NEC1-rnc"}, {"NEC1-f16", "Apple"}, {"NEC2-f16", "NEC2"},
    {"Thomson", "Thomson7"},     // the same twelve bits
    {"Kaseikyo", "Denon-K"}, {"Kaseikyo", "SharpDVD"}, {"Kaseikyo", "Panasonic"}, {"Kaseikyo", "JVC-48"},
    {"Kaseikyo", "Mitsubishi-K"}, {"Kaseikyo", "Teac-K"}, {"Kaseikyo", "Fujitsu"},
    {"RC6-M-32", "MCE"},         // mode 6 with OEM1 128
};

// The signal is named as `expected` (protocol and line), or by a protocol
// that a code of it may also fit and that goes before it; either way the
// list of every fit holds it.
void expectNamed(const ir::Signal& s, const std::string& protocol, const std::string& expected, const char* what)
{
    std::vector<std::string> all = allLines(s);
    ASSERT_NE(std::find(all.begin(), all.end(), expected), all.end()) << what << ": not among the fits";
    std::string first = all.front().substr(0, all.front().find(' '));
    bool overlap = false;
    for (const auto& o : OVERLAPS)
        overlap = overlap || (protocol == o.first && first == o.second);
    ASSERT_TRUE(all.front() == expected || overlap) << what << ": named " << all.front();
}

// Parameters of a protocol: `sweep` takes the value given, the others are
// random; a parameter with a default is left out now and then, and the
// expected decode then holds the default.
struct Case { ir::Params given, expected; };
Case makeCase(const ir::ProtocolInfo& info, std::mt19937& random, const std::string& sweep, long long sweepValue)
{
    Case c;
    const ir::irp::Protocol& row = *ir::irp::findRow(info.name);
    long long values[ir::irp::MAX_NAMES] = {};
    unsigned long long known[ir::irp::MAX_NAMES] = {};
    for (size_t i = 0; i < info.params.size(); ++i) {
        const ir::ParamSpec& p = info.params[i];
        long long v = p.name == sweep ? sweepValue : std::uniform_int_distribution<long long>(p.min, p.max)(random);
        if (p.hasDefault && p.name != sweep && random() % 4 == 0)
            EXPECT_TRUE(ir::irp::evaluate(row, row.names[i].defaultExpr, values, known, &v)) << p.defaultText;
        else
            c.given.set(p.name, v);
        c.expected.set(p.name, v);
        values[i] = v;
        known[i] = ~0ULL;
    }
    return c;
}

// Every duration (but each part's last) within the tolerance of the code's,
// with one bias for all as the decoder allows: the signal fits the code.
bool fits(const ir::Signal& s, const ir::Signal& code, const std::string& protocol)
{
    if (s.once.size() != code.once.size() || s.repeat.size() != code.repeat.size())
        return false;
    double lo = -200, hi = 200;
    for (int part = 0; part < 2; ++part) {
        const std::vector<ir::Pair>& a = part ? s.repeat : s.once;
        const std::vector<ir::Pair>& b = part ? code.repeat : code.once;
        for (size_t i = 0; i + 1 < 2 * a.size(); ++i) {
            double v = i % 2 ? a[i / 2].spaceUs : a[i / 2].markUs, n = i % 2 ? b[i / 2].spaceUs : b[i / 2].markUs;
            double off = (v - n) * (i % 2 ? -1 : 1), tol = tolerance(protocol, n);
            lo = std::max(lo, off - tol);
            hi = std::min(hi, off + tol);
        }
    }
    return lo <= hi;
}

}  // namespace

TEST(IrRoundTrip, EveryProtocolOverItsRangesAsSentAndAsLearnt)
{
    std::mt19937 random(20261207);
    for (const ir::ProtocolInfo& info : ir::protocols()) {
        for (const ir::ParamSpec& sweep : info.params) {
            // The whole range, or both ends and values between.
            std::vector<long long> values = {sweep.min, sweep.max};
            for (long long v = sweep.min + 1; v < sweep.max && values.size() < 40; ++v)
                values.push_back(sweep.max - sweep.min < 40 ? v
                                 : std::uniform_int_distribution<long long>(sweep.min, sweep.max)(random));
            for (long long v : values) {
                Case c = makeCase(info, random, sweep.name, v);
                std::string text = rendered(info.name, c.given), expected = ir::decodeLine({info.name, c.expected});
                SCOPED_TRACE(expected + "\n" + text);
                ASSERT_TRUE(pronto::parse(text.data(), text.size(), nullptr)) << "the driver refuses it";
                ir::Signal sent = parsed(text);
                expectNamed(sent, info.name, expected, "as sent");

                // A receiver's bias and jitter, the lead-out cut to a bit
                // space, a button held, a carrier 1.5 % off (NEC2's and
                // Pioneer's are 4 % apart).
                Learner l;
                l.bias = random() % 2 ? 150 : -150;
                l.jitter = 0.5;
                l.leadOut = random() % 2 ? 600 : -1;
                l.held = static_cast<int>(random() % 3);
                l.carrier = random() % 2 ? 0.985 : 1.015;
                expectNamed(learnt(sent, info.name, l, random), info.name, expected, "as learnt");

                // One duration (not a part's last) far beyond every tolerance:
                // unknown, or a code that the signal fits.
                ir::Signal bad = sent;
                size_t at = random() % (2 * bad.once.size() - 1);
                double& us = at % 2 ? bad.once[at / 2].spaceUs : bad.once[at / 2].markUs;
                us = us * 1.6 + tolerance(info.name, us) + 500;
                ir::Decoded d = ir::decode(bad);
                bool named = d.known();
                ASSERT_TRUE(!named || (ir::decodeLine(d) != expected && fits(bad, code(d.protocol, d.params), d.protocol)))
                    << "spoilt at " << at << ", decodes as " << ir::decodeLine(d);
            }
        }
    }
}

// The published codes, as published and as a learner records them.
TEST(IrRoundTrip, PublishedCodes)
{
    struct { const std::string& text; std::vector<std::string> words; } cases[] = {
                 {NEC1, {"NEC1", "D=12", "S=34", "F=56"}},
                 {RC5, {"RC5", "D=12", "F=56", "T=0"}},
                 {RC6, {"RC6", "D=1", "F=3", "T=0"}}};
    std::mt19937 random(7);
    for (const auto& c : cases) {
        std::string expected = c.words[0] + " " + c.words[1] + " " + c.words[2] + " " + c.words[3];
        SCOPED_TRACE(expected);
        ir::Signal published = parsed(c.text);
        EXPECT_EQ(expected, line(published));
        for (double bias : {-150.0, 150.0}) {
            Learner l;
            l.bias = bias;
            l.jitter = 0.5;
            l.leadOut = 700;
            EXPECT_EQ(expected, line(learnt(published, c.words[0], l, random))) << "bias " << bias;
        }
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

// What a learner does to a code, rule by rule; each case fails without its rule.
TEST(IrDecode, RealLearns)
{
    std::mt19937 random(11);
    ir::Signal nec1 = code("NEC1", {{"D", 1}, {"F", 2}}), nec2 = code("NEC2", {{"D", 1}, {"F", 2}});
    ir::Signal jvc = code("JVC", {{"D", 5}, {"F", 6}});
    ir::Signal pioneer = code("Pioneer", {{"D", 1}, {"F", 2}});
    auto as = [&](const ir::Signal& s, const char* protocol, Learner l) { return learnt(s, protocol, l, random); };
    auto with = [](ir::Signal s, std::vector<ir::Pair> once, std::vector<ir::Pair> repeat, double carrier = -1) {
        s.once = std::move(once);
        s.repeat = std::move(repeat);
        if (carrier >= 0)
            s.carrierHz = carrier;
        return s;
    };
    auto join = [](std::vector<ir::Pair> a, const std::vector<ir::Pair>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    Learner cut15ms, cutToBit, stretched, shortened, overStretched, held, noFirst, jittered;
    cut15ms.leadOut = 15000;
    cutToBit.leadOut = 560;
    stretched.bias = 150;
    shortened.bias = -150;
    overStretched.bias = 300;
    held.held = 3;
    noFirst.noOnce = true;
    jittered.bias = 140;
    jittered.jitter = 0.6;
    std::vector<ir::Pair> firstGapCut = nec2.once;
    firstGapCut.back().spaceUs = 15000;

    struct { const char* what; ir::Signal signal; const char* decoded; } cases[] = {
        {"last lead-out 15 ms, not 40", as(nec1, "NEC1", cut15ms), "NEC1 D=1 S=254 F=2"},
        {"last lead-out cut to a bit space", as(nec1, "NEC1", cutToBit), "NEC1 D=1 S=254 F=2"},
        {"a lead-out before the last one cut", with(nec2, join(firstGapCut, nec2.once), {}), "unknown"},
        {"marks 150 us longer, spaces as much shorter", as(nec1, "NEC1", stretched), "NEC1 D=1 S=254 F=2"},
        {"marks 150 us shorter, spaces as much longer", as(jvc, "JVC", shortened), "JVC D=5 F=6"},
        {"marks 300 us longer", as(nec1, "NEC1", overStretched), "unknown"},
        {"stretched, each duration jittered on its own", as(nec1, "NEC1", jittered), "NEC1 D=1 S=254 F=2"},
        {"a held button: frame and dittos in the once part", as(nec1, "NEC1", held), "NEC1 D=1 S=254 F=2"},
        {"a held button: whole frames in the once part", as(nec2, "NEC2", held), "NEC2 D=1 S=254 F=2"},
        {"JVC's frames without the lead-in", as(jvc, "JVC", noFirst), "JVC D=5 F=6"},
        {"NEC1's dittos alone: nothing to name", as(nec1, "NEC1", noFirst), "unknown"},
        {"a stray pair after the frame", with(nec2, join(nec2.once, {{560, 20000}}), {}), "unknown"},
        {"repeat part with another F", with(nec2, nec2.once, code("NEC2", {{"D", 1}, {"F", 3}}).once), "unknown"},
        {"carrier 3.6 % low", with(nec1, nec1.once, {}, 37000), "NEC1 D=1 S=254 F=2"},
        {"Pioneer's carrier 2.5 % high", with(pioneer, pioneer.once, {}, 41000), "Pioneer D=1 S=254 F=2"},
        {"a carrier no protocol of that timing has", with(nec1, nec1.once, {}, 56000), "unknown"},
        {"carrier not measured: timing alone", with(pioneer, pioneer.once, pioneer.repeat, 0), "NEC2 D=1 S=254 F=2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.decoded, line(c.signal)) << c.what;
}

// Where more than one protocol fits, the order of preference; every fit in
// that order.
TEST(IrDecode, OrderOfPreference)
{
    ir::Signal nec1 = code("NEC1", {{"D", 1}, {"F", 2}}), f16 = code("NEC1-f16", {{"D", 1}, {"F", 0x1234}});
    ir::Signal nec1At40k = nec1, pioneer = code("Pioneer", {{"D", 1}, {"F", 2}});
    nec1At40k.carrierHz = 40000;
    ir::Signal frameOnly = nec1, necx = code("NECx1", {{"D", 1}, {"F", 2}});
    frameOnly.repeat.clear();
    necx.repeat.clear();
    ir::Signal rokuRepeats = code("Roku", {{"D", 7}, {"F", 8}});
    rokuRepeats.once.clear();
    ir::Signal pioneerAt0 = pioneer;
    pioneerAt0.carrierHz = 0;
    struct { const char* what; ir::Signal signal; std::vector<std::string> all; } cases[] = {
        {"one NEC frame: NEC1, then what a single frame of the others is",
         frameOnly, {"NEC1 D=1 S=254 F=2", "NEC2 D=1 S=254 F=2", "Roku D=1 S=254 F=2", "NEC1-f16 D=1 S=254 F=64770",
                     "NEC2-f16 D=1 S=254 F=64770", "Pioneer D=1 S=254 F=2"}},
        {"F's complement test fails: NEC1-f16", f16, {"NEC1-f16 D=1 S=254 F=4660"}},
        {"a ditto at 40 kHz: NEC1, Pioneer has none", nec1At40k, {"NEC1 D=1 S=254 F=2", "NEC1-f16 D=1 S=254 F=64770"}},
        {"40 kHz whole frames: Pioneer", pioneer,
         {"Pioneer D=1 S=254 F=2", "NEC2 D=1 S=254 F=2", "NEC2-f16 D=1 S=254 F=64770"}},
        {"no carrier: timing alone", pioneerAt0,
         {"NEC2 D=1 S=254 F=2", "Pioneer D=1 S=254 F=2", "NEC2-f16 D=1 S=254 F=64770"}},
        {"Apple before NEC1-f16", code("Apple", {{"F", 5}, {"PairID", 9}}),
         {"Apple D=238 F=5 PairID=9", "NEC1-f16 D=238 S=135 F=2315"}},
        {"one NECx frame: NECx1 before NECx2", necx, {"NECx1 D=1 S=254 F=2", "NECx2 D=1 S=254 F=2"}},
        {"Denon-K before Kaseikyo", code("Denon-K", {{"D", 5}, {"S", 5}, {"F", 1365}}),
         {"Denon-K D=5 S=5 F=1365", "Kaseikyo D=5 S=85 F=85 E=0 M=84 N=50"}},
        {"MCE before RC6-M-32", code("MCE", {{"D", 4}, {"S", 5}, {"F", 6}}),
         {"MCE D=4 S=5 F=6 T=0", "RC6-M-32 OEM1=128 OEM2=5 D=4 F=6 M=6 T=0"}},
        {"Roku's repeat frames alone are NEC frames with F+128", rokuRepeats,
         {"NEC2 D=7 S=248 F=136", "Roku D=7 S=248 F=8", "NEC2-f16 D=7 S=248 F=30600", "Pioneer D=7 S=248 F=136"}},
        {"Thomson7 before Thomson", code("Thomson", {{"D", 17}, {"F", 3}}),
         {"Thomson7 D=1 F=7 T=0", "Thomson D=17 F=3 T=0"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.all, allLines(c.signal)) << c.what;
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

// Durations of zero, which no protocol sends: the facts name their pairs, the plot draws no bar for a mark of
// zero and says so when every duration is zero. The parts keep the colours the inspector draws them in.
TEST(IrFacts, ZeroDurationsAndColours)
{
    std::string tenZeroMarks = "0000 006C 000A 0000";
    for (int i = 0; i < 10; ++i)
        tenZeroMarks += " 0000 0010";
    struct { const char* context; std::string code; const char* zeroLines; int bars; } cases[] = {
        {"every duration zero", "0000 006C 0002 0000 0000 0000 0000 0000",
         "zero-length marks: 2 (pairs: once 1, 2)\nzero-length spaces: 2 (pairs: once 1, 2)\n", 0},
        {"in both parts", "0000 006C 0002 0002 0010 0000 0000 0020 0000 0030 0010 0030",
         "zero-length marks: 2 (pairs: once 2; repeat 1)\nzero-length spaces: 1 (pairs: once 1)\n", 2},
        {"a long list is cut", tenZeroMarks, "zero-length marks: 10 (pairs: once 1, 2, 3, 4, 5, 6, 7, 8, ...)\n", 0},
        {"none", NEC1, "", 36},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        ir::Signal s = parsed(c.code);
        std::string text = ir::factsText(ir::facts(s));
        size_t zero = text.find("zero-length");
        EXPECT_EQ(c.zeroLines, zero == std::string::npos ? "" : text.substr(zero)) << text;
        std::string svg = ir::plotSvg(s);
        std::regex bar("<rect x=");
        EXPECT_EQ(c.bars, std::distance(std::sregex_iterator(svg.begin(), svg.end(), bar), std::sregex_iterator()));
        EXPECT_EQ(ir::waveform(s).totalUs == 0, svg.find("Every duration of this code is zero.") != std::string::npos);
        EXPECT_NE(std::string::npos, svg.find("<g fill=\"#1f5fbf\">")) << "the once part's colour";
        EXPECT_NE(std::string::npos, svg.find("<g fill=\"#2e8540\">")) << "the repeat part's colour";
    }
}

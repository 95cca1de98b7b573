// The IRP notation: the table's lines all parse; each feature the rows
// use sends what the notation says; lines the engine cannot send are refused
// with the reason and its place; expressions evaluate as written.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "ir/ir.h"
#include "ir/irp.h"

namespace {

using ir::irp::Protocol;

std::string text(const std::vector<ir::irp::Run>& runs)
{
    std::string out;
    for (const ir::irp::Run& r : runs)
        out += (out.empty() ? "" : " ") + std::string(r.mark ? "+" : "-") + std::to_string(std::lround(r.us));
    return out;
}

// What a line sends with these parameter values (in the specification's
// order): the intro, " | ", one pass of the repeat.
std::string sends(const std::string& line, std::vector<long long> values)
{
    Protocol p;
    std::string error;
    if (!ir::irp::compile("test", line, &p, &error))
        return "refused: " + error;
    values.resize(ir::irp::MAX_NAMES);
    std::vector<ir::irp::Run> intro, repeat;
    if (!ir::irp::runs(p, values.data(), &intro, &repeat, &error))
        return "cannot send: " + error;
    return text(intro) + " | " + text(repeat);
}

}  // namespace

TEST(IrpTable, EveryLineParsesAndGenerateCanShowItsParameters)
{
    EXPECT_EQ(std::vector<std::string>(), ir::irp::tableErrors());
    std::set<std::string> names;
    for (const ir::ProtocolInfo& p : ir::protocols()) {
        EXPECT_TRUE(names.insert(p.name).second) << p.name << " twice";
        EXPECT_LE(p.params.size(), 6u) << p.name << ": the Generate dialog has six rows";
    }
    EXPECT_GE(names.size(), 40u);
    // JVC's extents count from the frame's own start: the first frame lasts
    // 59.08 ms without the lead-in, as every repeat does.
    const Protocol* jvc = ir::irp::findRow("JVC");
    std::vector<ir::irp::Run> intro, repeat;
    long long values[ir::irp::MAX_NAMES] = {5, 6};
    std::string error;
    ASSERT_TRUE(jvc && ir::irp::runs(*jvc, values, &intro, &repeat, &error)) << error;
    double once = 0, again = 0;
    for (const ir::irp::Run& r : intro)
        once += r.us;
    for (const ir::irp::Run& r : repeat)
        again += r.us;
    EXPECT_NEAR(24 * 525 + 59080, once, 0.01);
    EXPECT_NEAR(59080, again, 0.01);
}

TEST(IrpNotation, SendsWhatTheLineSays)
{
    struct { const char* what; const char* line; std::vector<long long> values; const char* sent; } cases[] = {
        {"bits least significant first, an extent, a repeat", "{38k,100}<1,-1|1,-3>(5,-5,F:3,1,^3m)* [F:0..7]", {6},
         "+500 -500 +100 -100 +100 -300 +100 -300 +100 -900 | +500 -500 +100 -100 +100 -300 +100 -300 +100 -900"},
        {"most significant first; complement, shift, constant", "{38k,100,msb}<1,-1|1,-3>(~F:2:1,2:2,1,-9) [F:0..7]",
         {6}, "+100 -100 +100 -100 +100 -300 +100 -100 +100 -900 | "},
        {"the extent of the innermost group; its repeat alone",
         "{38k,100}<1,-1|1,-2>(5,-5,(F:2,^3m)*) [F:0..3]", {1},
         "+500 -500 +100 -200 +100 -2600 | +100 -200 +100 -2600"},
        {"a field sent in reverse order", "{38k,100}<1,-1|1,-3>(F:-3,1,-9) [F:0..7]", {1},
         "+100 -100 +100 -100 +100 -300 +100 -900 | "},
        {"four symbols of two bits across two fields", "{38k,100,msb}<1,-1|1,-2|1,-3|1,-4>(T:1,F:3,1,-20) [F:0..7,T:0..1]",
         {6, 1}, "+100 -400 +100 -300 +100 -2000 | "},
        {"a checksum as a definition", "{38k,100}<1,-1|1,-3>(F:2,C:2,1,-9){C=F^3} [F:0..3]", {1},
         "+100 -300 +100 -100 +100 -100 +100 -300 +100 -900 | "},
        {"first pass and repeats differ", "{38k,100}<1,-1|1,-3>([5][2],-1,F:1,1,-9) [F:0..1]", {1},
         "+500 -100 +100 -300 +100 -900 | +200 -100 +100 -300 +100 -900"},
        {"a counted group; a default from another parameter", "{38k,100}<1,-1|1,-3>((D:1,S:1,-2)2,1,-9) [D:0..1,S:0..1=1-D]",
         {1, 0}, "+100 -300 +100 -300 +100 -300 +100 -300 +100 -900 | "},
        {"microseconds, milliseconds, carrier periods", "{40k,10}<1,-1|1,-3>(100u,-2m,4p,-1,F:1,-1) [F:0..1]", {0},
         "+100 -2000 +100 -10 +10 -20 | "},
        {"a variable assigned in the stream", "{38k,100}<1,-1|1,-3>(T=2,T:2,F:1,1,-9) [F:0..1]", {1},
         "+100 -100 +100 -300 +100 -300 +100 -900 | "},
        {"a frame that starts with a space (the first half of a bit)", "{36k,msb,889}<1,-1|-1,1>((F:2,1,^20m)*) [F:0..3]",
         {2}, "-889 +1778 -889 +889 -15555 | -889 +1778 -889 +889 -15555"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.sent, sends(c.line, c.values)) << c.what << "\n" << c.line;
}

TEST(IrpNotation, LinesItCannotSendAreRefusedWithTheReasonAndPlace)
{
    struct { const char* line; const char* reason; } cases[] = {
        {"{38k,100}<1,-1|1,-3>(F:8,1,-9)", "at 31: the line needs its parameter specification"},
        {"{38k,100}<1,-1|1,-3>(G:8,1,-9)[F:0..255]", "at 22: unknown name G"},
        {"{38k,100}<1,-1|1,-3>(F:8,1,-9[F:0..255]", "at 30: expected \")\""},
        {"{0k,100}<1,-1|1,-3>(F:8,1,-9)[F:0..255]", "a carrier of 0"},
        {"{38k,100}<1,-1|1,-2|1,-3>(F:8)[F:0..255]", "bit symbols come as 2, 4, 8 or 16, not 3"},
        {"{38k,100}<1,-1|1,-2|1,-3|1,-4>(F:3,1,-9)[F:0..7]", "fields of 3 bits do not fill whole symbols of 2 bits"},
        {"{38k,100}<1,-1|1,-3>((F:8)*,(F:8)*)[F:0..255]", "more than one repeated group"},
        {"{38k,100}<1,-1|1,-3>((F:8)*,1,-9)[F:0..255]", "durations after the repeated group"},
        {"{38k,100}<1,-1|1,-3>(F:D,1,-9)[F:0..255,D:0..8]", "width and shift must be constant"},
        {"{38k,100}<1,-1|1,-3>(F=1,F:8)[F:0..255]", "the parameter F is assigned"},
        {"{38k,100}<1,-1|1,-3>(C:8){C=C+1}[F:0..255]", "depends on itself"},
        {"{38k,100}<1,-1|1,-3>(F:65)[F:0..255]", "must fit in 64 bits"},
        {"{38k,100}<1,-1|1,-3>(F:8)[F:9..2]", "must run from 0 or more upwards"},
        {"{38k,100}<1,-1|1,-3>(F:8)[F:0..255] extra", "unexpected \"e\" after the line"},
        {"{38k,100}<1,-1|1,-3>(F:8)2000[F:0..255]", "1 to 64 times"},
    };
    for (const auto& c : cases) {
        ir::irp::Protocol p;
        std::string error;
        EXPECT_FALSE(ir::irp::compile("test", c.line, &p, &error)) << c.line;
        EXPECT_NE(std::string::npos, error.find(c.reason)) << c.line << "\ngave: " << error;
    }
}

TEST(IrpNotation, ExpressionsEvaluateAsWritten)
{
    // D = 0x5A, F = 0x0F
    struct { const char* expr; long long value; } cases[] = {
        {"D+F*2-1", 0x5A + 29}, {"(D+F)*2", 2 * (0x5A + 0x0F)}, {"2**10", 1024}, {"2**3**2", 512},
        {"D^F", 0x55}, {"D&F|1", 0x0B}, {"D<<4>>2", 0x5A << 2}, {"-D:4:4", -5}, {"~D:8", 0xA5},
        {"~F", ~0x0FLL}, {"D::4", 5}, {"#D", 4}, {"!D", 0}, {"D%7", 0x5A % 7}, {"-7/2", -3},
        {"D>F&&F>=15", 1}, {"D==F||D!=F", 1}, {"D:2:1", 1}, {"D:-4", 5}, {"0x10+0b11", 19},
        {"-(D+F+255):8", -104},
    };
    for (const auto& c : cases) {
        ir::irp::Protocol p;
        std::string error, line = std::string("{38k,1}<1,-1|1,-3>(1,-1){X=") + c.expr + "}[D:0..255,F:0..255]";
        ASSERT_TRUE(ir::irp::compile("test", line, &p, &error)) << c.expr << ": " << error;
        long long values[ir::irp::MAX_NAMES] = {0x5A, 0x0F}, v = 0;
        unsigned long long known[ir::irp::MAX_NAMES] = {~0ULL, ~0ULL};
        EXPECT_TRUE(ir::irp::evaluate(p, p.names[2].expr, values, known, &v)) << c.expr;
        EXPECT_EQ(c.value, v) << c.expr;
    }
    // A division by zero, or a name not known yet, has no value.
    ir::irp::Protocol p;
    ASSERT_TRUE(ir::irp::compile("test", "{38k,1}<1,-1|1,-3>(1,-1){X=F/(D-D)}[D:0..255,F:0..255]", &p, nullptr));
    long long values[ir::irp::MAX_NAMES] = {1, 2}, v = 0;
    unsigned long long known[ir::irp::MAX_NAMES] = {~0ULL, 0};
    EXPECT_FALSE(ir::irp::evaluate(p, p.names[2].expr, values, known, &v));
    known[1] = ~0ULL;
    EXPECT_FALSE(ir::irp::evaluate(p, p.names[2].expr, values, known, &v));
}

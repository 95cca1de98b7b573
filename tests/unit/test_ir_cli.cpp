// pellwick-ir through the function its main() calls: output, standard error
// and exit code of each command, codes as arguments and on standard input.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include <nlohmann/json.hpp>

#include "ir/cli/cli.h"
#include "ir/ir.h"
#include "tests/codes.h"

namespace {

using codes::NEC1;

struct Result { int exit; std::string out, err; };

Result run(const std::string& arguments, const std::string& input = "")
{
    std::istringstream words(arguments), in(input);
    std::vector<std::string> args{std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
    std::ostringstream out, err;
    int exit = pellwickir::run(args, in, out, err);
    return {exit, out.str(), err.str()};
}

}  // namespace

TEST(IrTool, ExitCodesAndOutput)
{
    // The same code as CR LF lines on standard input, with a tab and blanks.
    std::string lines = std::string(NEC1).replace(99, 1, "\r\n").replace(200, 1, "\t  ") + "\r\n";
    // The whole of standard output, a part of standard error.
    struct { std::string arguments, input; int exit; std::string out; const char* err; } cases[] = {
        {std::string("decode ") + NEC1, "", 0, "NEC1 D=12 S=34 F=56\n", ""},
        {"decode", lines, 0, "NEC1 D=12 S=34 F=56\n", ""},
        {"decode --json", lines, 0, "{\"protocol\":\"NEC1\",\"D\":12,\"S\":34,\"F\":56}\n", ""},
        {"decode --all", lines, 0, "NEC1 D=12 S=34 F=56\nNEC1-f16 D=12 S=34 F=51000\n", ""},
        {"decode --all --json", lines, 0,
         "[{\"protocol\":\"NEC1\",\"D\":12,\"S\":34,\"F\":56},{\"protocol\":\"NEC1-f16\",\"D\":12,\"S\":34,\"F\":51000}]\n",
         ""},
        {"decode --all 0000 006C 0001 0000 0016 0E6C", "", 1, "unknown\n", ""},
        {"decode 0000 006C 0001 0000 0016 0E6C", "", 1, "unknown\n", ""},
        {"decode --json 0000 006C 0001 0000 0016 0E6C", "", 1, "{\"protocol\":\"unknown\"}\n", ""},
        {"decode 0000 006C 0001 0000 0016", "", 2, "", "only 5 words"},
        {"decode", "", 2, "", "no words"},
        {"render rc5 d=12 f=56 t=1", "", 0,
         "0000 0073 000B 000B 0020 0020 0020 0020 0040 0040 0020 0020 0040 0020 0020 0040 0020 0020 0020 0020 "
         "0040 0020 0020 0020 0020 0CC8 0020 0020 0020 0020 0040 0040 0020 0020 0040 0020 0020 0040 0020 0020 "
         "0020 0020 0040 0020 0020 0020 0020 0CC8\n",
         ""},
        {"render NEC1 D=256 F=1", "", 2, "", "D must be 0 to 255"},  // every refusal: IrRender
        {"render", "", 2, "", "render needs a protocol"},
        {"info 0000 006C 0001 0000 0016 0E6C", "", 0,
         "carrier: 38.381 kHz\npairs: 1 once, 0 repeat\nlength: once 96.8 ms, repeat 0.0 ms\n"
         "marks: 573 to 573 us: 573 us x 1\nspaces: 96193 to 96193 us: 96193 us x 1\n",
         ""},
        {"info --json 0000 006C 0001 0000 0016 0E6C", "", 0,
         "{\"carrierKHz\":38.381,\"oncePairs\":1,\"repeatPairs\":0,\"onceMs\":96.767,\"repeatMs\":0.000,"
         "\"shortestMarkUs\":573,\"longestMarkUs\":573,\"shortestSpaceUs\":96193,\"longestSpaceUs\":96193,"
         "\"marks\":[{\"us\":573,\"count\":1}],\"spaces\":[{\"us\":96193,\"count\":1}],"
         "\"zeroMarks\":0,\"zeroSpaces\":0}\n",
         ""},
        {"info 0000 006C", "", 2, "", "only 2 words"},
        {"plot 0000 006C 0001 0000 0016 0E6C", "", 2, "", "plot needs -o FILE.svg"},
        {"plot -o", "", 2, "", "-o needs a file name"},
        {"decode --verbose", "", 2, "", "unknown option --verbose"},
        {"info --all", "", 2, "", "unknown option --all"},
        {"protocols NEC1", "", 2, "", "protocols takes no NEC1"},
        {"transmit", "", 2, "", "unknown command transmit"},
        {"", "", 2, "", "no command"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("pellwick-ir " + c.arguments);
        Result r = run(c.arguments, c.input);
        EXPECT_EQ(c.exit, r.exit);
        EXPECT_EQ(c.out, r.out);
        EXPECT_TRUE(r.err.find(c.err) != std::string::npos && (c.err[0] == 0) == r.err.empty()) << r.err;
    }
}

TEST(IrTool, HelpPlotAndRenderedCodesDecode)
{
    for (const char* command : {"--help", "decode --help", "render --help", "info -h", "plot --help", "protocols -h"}) {
        Result r = run(command);
        EXPECT_TRUE(r.exit == 0 && r.out.find("usage: pellwick-ir") == 0) << command;
    }
    EXPECT_NE(std::string::npos, run("render --help").out.find("  NEC1         D=0..255 S=0..255 [255-D] F=0..255\n"));

    Result rendered = run("render Sony20 D=3 S=200 F=100");
    ASSERT_EQ(0, rendered.exit) << rendered.err;
    EXPECT_EQ("Sony20 D=3 S=200 F=100\n", run("decode", rendered.out).out);

    std::string path = testing::TempDir() + "pellwick-ir-plot.svg";
    Result plot = run("plot -o " + path, rendered.out);
    EXPECT_EQ(0, plot.exit) << plot.err;
    std::stringstream svg;
    svg << std::ifstream(path).rdbuf();
    EXPECT_TRUE(svg.str().find("<svg ") == 0 && svg.str().find("Sony20 D=3 S=200 F=100</title>") != std::string::npos)
        << svg.str().substr(0, 200);
    EXPECT_EQ(svg.str(), run("plot -o -", rendered.out).out) << "-o - writes the same to standard output";
    EXPECT_EQ(1, run("plot -o /nonexistent-folder/x.svg", rendered.out).exit);
}

// Standard input as Windows editors and PowerShell save it, read as on every system: with a UTF-8 mark, as UTF-16
// after its mark, and with a Ctrl-Z byte, which ends nothing (the Windows tool reads bytes, tests/e2e checks it).
TEST(IrTool, InputEncodings)
{
    auto utf16 = [](const std::u16string& text, bool little) {
        std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t c : text) {
            char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
            bytes += little ? std::string{lo, hi} : std::string{hi, lo};
        }
        return bytes;
    };
    std::u16string wide(NEC1, NEC1 + std::string(NEC1).size());
    const std::string decoded = "NEC1 D=12 S=34 F=56\n";
    // The whole of standard output, a part of standard error.
    struct { const char* context; std::string input; int exit; std::string out; const char* err; } cases[] = {
        {"UTF-8 mark", "\xEF\xBB\xBF" + std::string(NEC1) + "\r\n", 0, decoded, ""},
        {"UTF-16 LE, as PowerShell's > writes it", utf16(wide + u"\r\n", true), 0, decoded, ""},
        {"UTF-16 BE", utf16(wide, false), 0, decoded, ""},
        {"UTF-16 cut short", utf16(wide, true).substr(0, 101), 2, "", "UTF-16 with an odd number of bytes (101)"},
        {"UTF-16 beyond ASCII, shown as its UTF-8", utf16(u"0000 006C 0001 0000 \u00e9\U0001F600", true), 2, "",
         "\\xC3\\xA9\\xF0\\x9F\\x98\\x80"},
        {"half a surrogate pair", utf16(u"0000 \xD800", false), 2, "", "\\xEF\\xBF\\xBD"},
        {"a mark and nothing else", "\xFF\xFE", 2, "", "no words"},
        {"a mark not at the start", std::string(NEC1) + "\xEF\xBB\xBF", 2, "", "\\xEF\\xBB\\xBF"},
        {"Ctrl-Z after the code", std::string(NEC1) + "\r\n\x1A", 2, "", "\\x1A"},
        {"Ctrl-Z halfway", std::string(NEC1).insert(100, "\x1A"), 2, "", "\\x1A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        Result r = run("decode", c.input);
        EXPECT_EQ(c.exit, r.exit);
        EXPECT_EQ(c.out, r.out);
        EXPECT_TRUE(r.err.find(c.err) != std::string::npos && (c.err[0] == 0) == r.err.empty()) << r.err;
    }
}

// Every protocol, one per line (name, IRP line, parameters), and the same as JSON.
TEST(IrTool, ProtocolsListsEveryProtocol)
{
    Result text = run("protocols"), json = run("protocols --json");
    ASSERT_EQ(0, text.exit + json.exit) << text.err << json.err;
    std::istringstream lines(text.out);
    nlohmann::ordered_json list = nlohmann::ordered_json::parse(json.out);
    ASSERT_EQ(ir::protocols().size(), list.size());
    for (const ir::ProtocolInfo& p : ir::protocols()) {
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(p.name + "\t" + p.irp + "\t", line.substr(0, p.name.size() + p.irp.size() + 2));
    }
    EXPECT_EQ("\tD=0..255 S=0..255 [255-D] F=0..255", text.out.substr(text.out.find('\t', 5), 35));
    EXPECT_EQ(R"({"name":"S","min":0,"max":255,"default":"255-D"})", list[0]["parameters"][1].dump());
    EXPECT_EQ(40000, list[2]["carrierHz"]) << "Pioneer";
}

// The parameter rows of Generate and the virtual remote: their labels and access keys, the check of each field
// by the one number rule that pellwick-ir render keeps too, and what a new protocol's rows start with.
#include <gtest/gtest.h>

#include <sstream>

#include "ir/cli/cli.h"
#include "ui/paramform.h"

namespace {

std::vector<paramform::Row> rowsOf(const char* protocol, const std::string& skip = "", bool defaults = true)
{
    return paramform::rows(*ir::findProtocol(protocol), skip, "P", defaults);
}

int renderExit(const std::string& dText)
{
    std::istringstream in;
    std::ostringstream out, err;
    return pellwickir::run({"render", "NEC1", "D=" + dText, "F=1"}, in, out, err);
}

}  // namespace

TEST(NumberRule, GenerateTheRemoteAndTheToolTakeTheSameNumbers)
{
    // A text for NEC1's D (0 to 255): whether the rule reads a number, and whether the form and the tool take it.
    struct { const char* text; bool number; long long value; bool taken; } cases[] = {
        {"4", true, 4, true},
        {"007", true, 7, true},
        {"255", true, 255, true},
        {"+4", false, 0, false},  // Generate took it once, the tool never did
        {"-1", true, -1, false},   // the remote's field once made it 1
        {"-0", true, 0, true},
        {"256", true, 256, false},
        {"0x10", false, 0, false},
        {"4.0", false, 0, false},
        {"1e2", false, 0, false},
        {"-", false, 0, false},
        {"99999999999999999999999", true, 1000000000000000000LL, false},
    };
    const std::vector<paramform::Row> rows = rowsOf("NEC1");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("D=") + c.text);
        long long value = 0;
        EXPECT_EQ(c.number, ir::parseNumber(c.text, &value));
        if (c.number) {
            EXPECT_EQ(c.value, value);
        }
        EXPECT_EQ(c.taken, paramform::check(rows, {c.text, "", "1"}).ok()) << "in the form";
        EXPECT_EQ(c.taken ? 0 : 2, renderExit(c.text)) << "by pellwick-ir render";
    }
    // A field may have blanks around its number; nothing else may.
    long long value = 0;
    EXPECT_TRUE(ir::parseNumber(" \t42 ", &value) && value == 42);
    EXPECT_FALSE(ir::parseNumber("4 2", &value) || ir::parseNumber("", &value) || ir::parseNumber("  ", &value));
}

TEST(ParamForm, OneRowPerParameterWithItsRangeDefaultAndAccessKey)
{
    auto labels = [](const std::vector<paramform::Row>& rows) {
        std::string text;
        for (const paramform::Row& r : rows)
            text += r.label + " ";
        return text;
    };
    EXPECT_EQ("&D (0 to 255): &S (0 to 255; blank: 255-D): &F (0 to 255): ", labels(rowsOf("NEC1")));
    EXPECT_EQ("&D (0 to 31): &F (0 to 127): &T (0 to 1; blank: 0): ", labels(rowsOf("RC5")))
        << "no S row, and no blank row for it";
    EXPECT_EQ("&OEM1 (0 to 255): O&EM2 (0 to 255): &D (0 to 255): &F (0 to 255): &M (0 to 7): "
              "&T (0 to 1; blank: 0): ",
              labels(rowsOf("RC6-M-32")))
        << "one access key each";
    EXPECT_EQ("&D (0 to 255; blank: 238): &F (0 to 127): P&airID (0 to 255): ", labels(rowsOf("Apple")))
        << "P is the protocol list's";
    EXPECT_EQ("&D (0 to 15): &S (0 to 255): &E (0 to 15): &M (0 to 255): &N (0 to 255): ",
              labels(rowsOf("Kaseikyo", "F", false)))
        << "the remote's: F from the keys, no defaults named";
}

TEST(ParamForm, EachFieldCheckedAndOnlyFittingValuesCarriedOver)
{
    const std::vector<paramform::Row> nec1 = rowsOf("NEC1"), rc5 = rowsOf("RC5");
    // The texts of NEC1's D, S and F; the first refusal, or the values given.
    struct { std::vector<std::string> texts; const char* result; } cases[] = {
        {{"4", "", "8"}, "D=4 F=8"},
        {{" 4", "3 ", "8"}, "D=4 S=3 F=8"},
        {{"256", "x", "8"}, "row 0: D must be a number from 0 to 255."},
        {{"4", "x", ""}, "row 1: S must be a number from 0 to 255."},
        {{"4", "", ""}, "row 2: F is missing: enter a number from 0 to 255."},
        {{"", ""}, "row 0: D is missing: enter a number from 0 to 255."},
    };
    for (const auto& c : cases) {
        paramform::Checked checked = paramform::check(nec1, c.texts);
        std::string result;
        for (const ir::Param& p : checked.params.list())
            result += (result.empty() ? "" : " ") + p.name + "=" + std::to_string(p.value);
        EXPECT_EQ(c.result, checked.ok() ? result : "row " + std::to_string(checked.badRow) + ": " + checked.why);
    }

    // D=200 typed for NEC1 does not fit RC5's D; F=8 does, and comes along. Back at NEC1, D is what was typed
    // for RC5 last.
    paramform::Typed typed;
    typed.remember(nec1, {"200", "", "8"});
    EXPECT_EQ((std::vector<std::string>{"", "8", ""}), typed.textsFor(rc5));
    typed.remember(rc5, {"5", "8", "1"});
    EXPECT_EQ((std::vector<std::string>{"5", "", "8"}), typed.textsFor(nec1));
}

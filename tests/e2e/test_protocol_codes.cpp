// The Windows pellwick-ir.exe decodes a code given line by line (CR LF) on
// its standard input. (A learn of a code pointed at the device by protocol
// and parameters is in the Code menu's tests.)
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

TEST(ProtocolCodes, ConsoleToolDecodesCrLfLinesFromStandardInput)
{
    std::string lines = NEC1_CODE;
    for (size_t at : {299, 199, 99})
        lines.replace(at, 1, "\r\n");
    SecondApp decode("decode", Env(), "pellwick-ir.exe", lines + "\r\n");
    EXPECT_EQ(decode.collect(), "NEC1 D=12 S=34 F=56\n");
    EXPECT_EQ(decode.exitCode(), 0u);

    SecondApp refused("decode", Env(), "pellwick-ir.exe", "0000 006C 0022\r\n");
    EXPECT_NE(refused.collect().find("only 3 words"), std::string::npos);
    EXPECT_EQ(refused.exitCode(), 2u);
}

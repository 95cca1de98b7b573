// Device information line, learn buffer text and registry value formatting.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/deviceinfo_text.h"
#include "learn/lrntext.h"
#include "ui/regvalue.h"

static TavrixDeviceInfo info(int32_t fw, int32_t proto, uint8_t b8, uint8_t b9, uint8_t b10)
{
    TavrixDeviceInfo i = {};
    i.firmwareVersion = fw;
    i.protocolVersion = proto;
    i.date[0] = b8;
    i.date[1] = b9;
    i.date[2] = b10;
    return i;
}

TEST(DeviceInfo, Lines)
{
    EXPECT_EQ(deviceinfo::formatLine(info(256, 0, 21, 6, 4)),
              "FirmwareVer=1.0 ProtVer=0.0 FirmwareDate=6/21/2004");
    EXPECT_EQ(deviceinfo::formatLine(info(263, 256, 15, 11, 26)),
              "FirmwareVer=1.7 ProtVer=1.0 FirmwareDate=11/15/2026");
    EXPECT_EQ(deviceinfo::formatLine(info(-257, -1, 0, 0, 255)),
              "FirmwareVer=-1.-1 ProtVer=0.-1 FirmwareDate=0/0/2255");
    EXPECT_EQ(deviceinfo::formatLine(info(2147483647, -2147483647 - 1, 255, 255, 0)),
              "FirmwareVer=8388607.255 ProtVer=-8388608.0 FirmwareDate=255/255/2000");
}

TEST(LearnBuffer, CutsAtFirstNul)
{
    char buffer[2049] = {};
    std::memcpy(buffer, "ABC", 3);
    std::memcpy(buffer + 4, "JUNK", 4);
    EXPECT_EQ(lrntext::bufferToText(buffer, sizeof buffer), "ABC");
    buffer[0] = '\0';
    EXPECT_EQ(lrntext::bufferToText(buffer, sizeof buffer), "");
}

TEST(LearnBuffer, NoNulGivesAllBytes)
{
    std::vector<char> full(2049, 'F');  // exact size: ASan catches a read beyond
    EXPECT_EQ(lrntext::bufferToText(full.data(), full.size()), std::string(2049, 'F'));
}

TEST(LearnBuffer, CutAtNul)
{
    EXPECT_EQ(lrntext::cutAtNul(std::string("AB\0CD", 5)), "AB");
    EXPECT_EQ(lrntext::cutAtNul(std::string("\0", 1)), "");
    EXPECT_EQ(lrntext::cutAtNul("plain"), "plain");
}

TEST(LearnBuffer, CommandWordLeavesRestIntact)
{
    std::vector<char> buffer(2049, '#');
    lrntext::writeCommandWord(buffer.data(), buffer.size(), "HOOKLEARN");
    EXPECT_EQ(std::string(buffer.data(), 10), std::string("HOOKLEARN\0", 10));
    EXPECT_EQ(buffer[10], '#');
}

TEST(Injection, ExactlyFillsTheBuffer)
{
    std::vector<char> buffer(2049, '#');
    std::string code(2048, 'C');
    ASSERT_TRUE(lrntext::writeInjection(buffer.data(), buffer.size(), code));
    EXPECT_EQ(std::string(buffer.data(), 2048), code);
    EXPECT_EQ(buffer[2048], '\0');
}

TEST(Injection, RefusesWhatDoesNotFit)
{
    std::vector<char> buffer(2049, '#');
    EXPECT_FALSE(lrntext::writeInjection(buffer.data(), buffer.size(), std::string(2049, 'C')));
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(2049, '#'))
        << "a refused code must leave the buffer untouched";
}

TEST(Injection, LineBreaksAndEmptyText)
{
    std::vector<char> buffer(2049, '#');
    ASSERT_TRUE(lrntext::writeInjection(buffer.data(), buffer.size(), "0000\r\n006C"));
    EXPECT_EQ(std::string(buffer.data()), "0000\r\n006C");
    ASSERT_TRUE(lrntext::writeInjection(buffer.data(), buffer.size(), ""));
    EXPECT_EQ(buffer[0], '\0');
}

TEST(RegistryValue, TextAndNumbers)
{
    unsigned char buffer[1024] = {};
    std::memcpy(buffer, "C:\\Tools\\msinfo32.exe", 21);
    std::string value = "previous";
    ASSERT_EQ(regvalue::format(1, buffer, sizeof buffer, 22, value), regvalue::Result::Ok);
    EXPECT_EQ(value, "C:\\Tools\\msinfo32.exe");

    unsigned char number[1024] = {0x2A, 0x01, 0x00, 0x00};
    ASSERT_EQ(regvalue::format(4, number, sizeof number, 4, value), regvalue::Result::Ok);
    EXPECT_EQ(value, "&h0000012A");

    value = "kept";
    ASSERT_EQ(regvalue::format(3, buffer, sizeof buffer, 22, value), regvalue::Result::Ok);
    EXPECT_EQ(value, "kept") << "other types leave the text as it came";
}

TEST(RegistryValue, FullBufferWithoutNulCannotBeCut)
{
    std::vector<unsigned char> full(1024, 'x');
    std::string value;
    EXPECT_EQ(regvalue::format(1, full.data(), full.size(), 1024, value),
              regvalue::Result::NoTerminator);
}

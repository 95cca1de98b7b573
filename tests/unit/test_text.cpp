// Device information line, learn buffer text, injection and registry value
// formatting. Buffers are heap blocks of exactly their size: AddressSanitizer
// catches a byte read or written beyond them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/deviceinfo_text.h"
#include "learn/lrntext.h"
#include "ui/regvalue.h"

TEST(DeviceInfo, Lines)
{
    struct { TavrixDeviceInfo info; const char* want; } cases[] = {
        {{256, 0, {21, 6, 4}, 0}, "FirmwareVer=1.0 ProtVer=0.0 FirmwareDate=6/21/2004"},
        {{-257, -1, {0, 0, 255}, 0}, "FirmwareVer=-1.-1 ProtVer=0.-1 FirmwareDate=0/0/2255"},
        {{2147483647, -2147483647 - 1, {255, 255, 0}, 0},
         "FirmwareVer=8388607.255 ProtVer=-8388608.0 FirmwareDate=255/255/2000"},
    };
    for (auto& c : cases)
        EXPECT_EQ(deviceinfo::formatLine(c.info), c.want);
}

TEST(LearnBuffer, TextUpToTheFirstNulOrEveryByte)
{
    struct { std::string bytes; std::string want; } cases[] = {
        {std::string("ABC\0JUNK", 8), "ABC"},
        {std::string("\0ABC", 4), ""},
        {std::string(2049, 'F'), std::string(2049, 'F')},
    };
    for (auto& c : cases) {
        std::vector<char> buffer(c.bytes.begin(), c.bytes.end());
        EXPECT_EQ(lrntext::bufferToText(buffer.data(), buffer.size()), c.want);
        EXPECT_EQ(lrntext::cutAtNul(c.bytes), c.want);
    }
}

// An injected code and its NUL must fit the 2049-byte learn buffer; a code
// that does not fit leaves the buffer untouched.
TEST(Injection, FitsTheLearnBufferWithItsNul)
{
    for (const std::string& code : {std::string(2048, 'C'), std::string("0000\r\n006C"),
                                    std::string(), std::string(2049, 'C')}) {
        std::vector<char> buffer(2049, '#');
        bool fits = code.size() <= 2048;
        EXPECT_EQ(lrntext::writeInjection(buffer.data(), buffer.size(), code), fits) << code.size() << " characters";
        std::string want = fits ? code + '\0' + std::string(2048 - code.size(), '#') : std::string(2049, '#');
        EXPECT_EQ(std::string(buffer.begin(), buffer.end()), want) << code.size() << " characters";
    }
}

TEST(RegistryValue, TextNumbersAndOtherTypes)
{
    // The value's type, its bytes (the rest of the 1024-byte buffer is 0) and size, the text it gives.
    struct { uint32_t type; std::string bytes; size_t valueSize; const char* want; } cases[] = {
        {1, "C:\\Tools\\msinfo32.exe", 22, "C:\\Tools\\msinfo32.exe"},
        {4, std::string("\x2A\x01\0\0", 4), 4, "&h0000012A"},
        {3, "C:\\Tools\\msinfo32.exe", 22, "kept"},  // other types: the text as it came
    };
    for (auto& c : cases) {
        std::vector<unsigned char> buffer(1024, 0);
        std::memcpy(buffer.data(), c.bytes.data(), c.bytes.size());
        std::string value = "kept";
        ASSERT_EQ(regvalue::format(c.type, buffer.data(), buffer.size(), c.valueSize, value), regvalue::Result::Ok);
        EXPECT_EQ(value, c.want) << "type " << c.type;
    }
    std::vector<unsigned char> full(1024, 'x');
    std::string value;
    EXPECT_EQ(regvalue::format(1, full.data(), full.size(), 1024, value), regvalue::Result::NoTerminator)
        << "a value filling the buffer without NUL cannot be cut";
}

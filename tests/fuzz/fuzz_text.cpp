// Learn buffer to text, injection into the buffer, the device information
// line and registry value formatting, with arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/deviceinfo_text.h"
#include "learn/lrntext.h"
#include "ui/regvalue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A learn buffer exactly 2049 bytes long, filled from the input.
    std::vector<char> buffer(2049, 'x');
    memcpy(buffer.data(), data, size < buffer.size() ? size : buffer.size());
    std::string text = lrntext::bufferToText(buffer.data(), buffer.size());
    if (text.size() > buffer.size() || text.find('\0') != std::string::npos)
        abort();

    std::string code(reinterpret_cast<const char*>(data), size);
    std::vector<char> target(2049, '#');
    bool written = lrntext::writeInjection(target.data(), target.size(), code);
    if (written != (code.size() <= 2048) ||
        (written && (memcmp(target.data(), code.data(), code.size()) != 0 || target[code.size()] != 0)))
        abort();

    if (size >= sizeof(TavrixDeviceInfo)) {
        TavrixDeviceInfo info;
        memcpy(&info, data, sizeof info);
        if (deviceinfo::formatLine(info).compare(0, 12, "FirmwareVer=") != 0)
            abort();
    }

    std::vector<unsigned char> value(1024, 0);
    memcpy(value.data(), data, size < value.size() ? size : value.size());
    uint32_t type = size > 0 ? data[0] % 6 : 1;
    std::string keyValue = "start";
    regvalue::format(type, value.data(), value.size(), size, keyValue);
    return 0;
}

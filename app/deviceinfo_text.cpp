#include "deviceinfo_text.h"

namespace deviceinfo {

const char* const NO_DEVICE_TEXT = "---";
const char* const READ_ERROR_TEXT = "*** ERROR Retrieving Tavrix Information! ***";

std::string versionText(int32_t value)
{
    return std::to_string(value / 256) + "." + std::to_string(value % 256);
}

std::string formatLine(const TavrixDeviceInfo& info)
{
    // The byte at offset 9 comes first in the date, then offset 8.
    return "FirmwareVer=" + versionText(info.firmwareVersion) +
           " ProtVer=" + versionText(info.protocolVersion) +
           " FirmwareDate=" + std::to_string(info.date[1]) + "/" + std::to_string(info.date[0]) +
           "/" + std::to_string(2000 + info.date[2]);
}

}  // namespace deviceinfo

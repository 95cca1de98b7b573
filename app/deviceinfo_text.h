// The device information line: firmware version, protocol version and
// firmware date, as the driver's information record gives them.
#pragma once

#include <string>

#include "tavrix_abi.h"

namespace deviceinfo {

extern const char* const NO_DEVICE_TEXT;   // "---"
extern const char* const READ_ERROR_TEXT;  // shown when the record cannot be read

// "FirmwareVer=1.7 ProtVer=1.0 FirmwareDate=11/15/2026"
std::string formatLine(const TavrixDeviceInfo& info);

// "major.minor" of a signed version number: quotient and remainder by 256,
// both truncated toward zero (so -257 gives -1.-1).
std::string versionText(int32_t value);

}  // namespace deviceinfo

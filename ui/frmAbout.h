// The About box and its system-information launcher.
#pragma once

#include <windows.h>

#include <string>

namespace frmAbout {

// Creates the About box, shows it modally over owner and returns when it is
// closed.
void showModal(HWND owner);

// Reads value subKeyRef of key keyName under keyRoot into keyValue. False
// (and an empty keyValue) when the key or value cannot be read. Throws
// std::runtime_error for a text that fills the whole buffer unterminated.
bool GetKeyValue(HKEY keyRoot, const std::string& keyName, const std::string& subKeyRef,
                 std::string& keyValue);

// Starts the system-information viewer, or tells the user that it cannot.
void StartSysInfo(HWND owner);

}  // namespace frmAbout

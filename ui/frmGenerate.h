// Code, Generate: a modal dialog that makes an IR code from a protocol and
// its parameters.
#pragma once

#include <windows.h>

#include <string>

namespace frmGenerate {

// Shows the dialog over owner. True, with the rendered Pronto text in
// *pronto, when the user pressed OK with valid values; false for Cancel.
bool showModal(HWND owner, std::string* pronto);

}  // namespace frmGenerate

// The transmit window: on screen while a transmission runs.
#pragma once

#include <windows.h>

namespace frmTX {

// Creates the window on first use, centres it over owner, shows it without
// making it modal and paints it at once, before the program blocks in the
// driver's transmit call.
void show(HWND owner);
void hide();

}  // namespace frmTX

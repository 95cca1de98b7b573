// The IR Code Library: a modeless Unicode window, owned by the main window,
// that keeps learnt codes as named lists, a remote at a time, in the
// library folder (%APPDATA%\Pellwick\Library; library/library.h). Nothing
// of the library is read before it opens.
#pragma once

#include <windows.h>

#include <string>

namespace frmLibrary {

// Opens the window beside owner, or brings the open one forward.
void open(HWND owner);

// Keyboard handling of the window (Tab, access keys, Enter, Escape, F2,
// Del, Ctrl+Z, Alt+Up and Alt+Down) for the message loop: true when msg
// was for the library window and has been handled.
bool isDialogMessage(MSG* msg);

// Every learn's end, from the main window: the code it put in the box, or
// empty when it ended without one (cancelled, failed, another
// application's). Only a learn the library started adds an entry.
void learnEnded(const std::string& code);

}  // namespace frmLibrary

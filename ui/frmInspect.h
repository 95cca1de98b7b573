// The IR Code Inspector: a modeless window, owned by the main window, that
// says what the code in the code box is (its decode), gives its facts and
// draws its waveform, and follows every change of the box.
#pragma once

#include <windows.h>

#include <string>

namespace frmInspect {

// Opens the inspector over owner showing text, or brings the open one
// forward.
void open(HWND owner, const std::string& text);

// The code box changed: an open inspector shows the new text a moment later
// (at most once a frame, when the program is idle). Does nothing when the
// inspector is closed.
void follow(const std::string& text);

// Keyboard handling of the inspector (Tab, Escape) for the message loop:
// true when msg was for the inspector and has been handled.
bool isDialogMessage(MSG* msg);

}  // namespace frmInspect

// The program's loaded windows, in the order they were loaded, main window
// first. Shutdown unloads the others last-loaded first.
#pragma once

#include <windows.h>

#include <vector>

namespace forms {

void loaded(HWND window);
void unloaded(HWND window);
std::vector<HWND> list();

// Program-wide busy pointer: the hourglass while set, over every window.
void setBusyPointer(bool busy);
// For WM_SETCURSOR: shows the hourglass and returns true while it is set.
bool showBusyPointer();

// Registers a window class of the program's with the button-face
// background; true when it exists afterwards.
bool registerClass(const char* name, WNDPROC procedure);

// Top-left corner that centres a window of this size over owner (over the
// screen without one).
POINT centredOver(HWND owner, int width, int height);

}  // namespace forms

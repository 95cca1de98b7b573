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
bool busyPointer();

}  // namespace forms

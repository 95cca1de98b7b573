// The inspector's waveform: a control that draws a code's marks as bars
// over a time axis in ms, the once and the repeat part in their colours,
// and zooms and scrolls. The mouse wheel and the + and - keys zoom about
// the pointer or the middle; the scroll bar, the arrow keys, Page Up, Page
// Down, Home and End scroll. Its window text says what shows ("10.00 to
// 30.00 ms of 108.52 ms"), for screen readers and the tests.
#pragma once

#include <windows.h>

#include <string>

namespace ir {
struct Waveform;
}

namespace waveview {

extern const char CLASS_NAME[];
bool registerClass();

// Shows this geometry; with no length, the note in its place. Keeps the
// zoom and the times shown as far as the new code reaches. The font comes
// by WM_SETFONT.
void show(HWND wave, const ir::Waveform& waveform, const std::string& note);

}  // namespace waveview

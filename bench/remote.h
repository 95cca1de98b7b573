// Another program's windows, driven and read from outside: what every row
// of the benchmark uses, and the ways it types into an edit box.
#pragma once

#include <windows.h>

#include <string>

#include "measure.h"

namespace bench {

// Window text read through WM_GETTEXT, with a timeout so that a hung
// program cannot hang the benchmark; empty on timeout.
std::string textOf(HWND window, DWORD timeoutMs = 2000);
// A round trip through the window's thread; false on timeout.
bool roundTrip(HWND window, DWORD timeoutMs = 2000);
bool shown(HWND control);  // WS_VISIBLE set on the control itself

// A visible top-level window of process pid with exactly this title (read
// without sending the process a message), or null.
HWND visibleWindow(DWORD pid, const std::string& title);

// Polls condition every millisecond or so until it holds or timeoutMs passes.
template <typename Condition>
bool poll(Condition condition, double timeoutMs)
{
    double start = nowMs();
    for (;;) {
        if (condition())
            return true;
        if (nowMs() - start > timeoutMs)
            return false;
        Sleep(1);
    }
}

// Typing into an edit box of another thread or process as a user does, each
// way ending with a WM_GETTEXTLENGTH round trip; each returns its time in
// milliseconds. A box that does not answer one message in time (a minute
// unless told otherwise) makes the typist stop: every later message is skipped, since the figures
// would only measure the box's backlog.
class Typist {
public:
    explicit Typist(DWORD timeoutMs = 60000) : timeoutMs_(timeoutMs) {}

    // Characters from..to-1 selected and `text` typed in their place; done
    // when the box answers the next WM_GETTEXTLENGTH.
    double typeOver(HWND box, LRESULT from, LRESULT to, const char* text);
    // A blank typed after the last of `length` characters, and deleted again.
    double typeBlank(HWND box, LRESULT length) { return typeOver(box, length, length, " "); }
    double deleteBlank(HWND box, LRESULT length) { return typeOver(box, length, length + 1, ""); }
    // The same messages with nothing selected and nothing typed: no change.
    double noChange(HWND box, LRESULT length) { return typeOver(box, length, length, ""); }
    // Select all, then the text in its place (EM_REPLACESEL).
    double paste(HWND box, const std::string& text);
    // WM_SETTEXT: a multi-line box changes without telling its parent.
    double setText(HWND box, const std::string& text);
    LRESULT length(HWND box);

    bool stuck() const { return stuck_; }
    const std::string& why() const { return why_; }

private:
    LRESULT send(HWND box, UINT msg, WPARAM wParam, LPARAM lParam);
    DWORD timeoutMs_;
    bool stuck_ = false;
    std::string why_;
};

}  // namespace bench

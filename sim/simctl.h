// Control of the simulated Tavrix device: everything `tavrixctl` does, as
// C++ functions for the end-to-end tests and for the driver's own scripts
// (TAVRIXSIM_SCRIPT).
//
// The functions act on the device's shared state directly, without loading
// tavrixdrv.dll; the processes that have the driver open see the effect at
// once.  Each returns false (or an empty result) on failure and leaves the
// reason in lastError().  They may be called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace simctl {

// Why the last call on this thread failed.
std::string lastError();

// Back to the default settings: learns take 2000 ms in auto mode from the
// built-in remote, transmissions succeed, learn calls leave each process's
// own last error.  The hook and the processes that
// have the device open are kept.
bool reset();

// A button press on a remote: every process with a receive callback gets
// `code` as NUL-terminated text.  Returns the number of processes reached,
// or -1 when the device cannot be reached.
int press(const std::string& code);
// The same with exactly `length` raw bytes and no NUL after them: the driver
// puts them at the very end of readable memory, so a reader that looks for a
// NUL faults.  At most 2064 bytes.
int pressRaw(const void* bytes, size_t length);

// The code that later learns see: "nec1", "rc5", "rc6" (any case), a
// protocol with its parameters as ir::renderWords takes them ("NEC1 D=4 F=8",
// rendered by the IR core), a Pronto text, or "remote" for the built-in
// remote again.  False for anything else, and for a protocol whose
// parameters the IR core refuses (the reason in lastError()).
bool point(const std::string& nameOrPronto);

// How long an automatic learn takes, 1 ms to 1 hour.
bool setLearnDuration(int ms);

// manual: learns report only what progress() sends and end only by their
// flags or finish().
bool setLearnMode(bool manual);

// Ends every running learn (own or hooked) with the code it is learning.
// Returns the number of learns told, or -1 when the device cannot be reached.
int finish();

// One progress report to a process's current learn callback: pid 0 means
// the hook holder, or failing that a process whose learn is running.
bool progress(int32_t progress, int32_t quality, int32_t carrierHz, uint32_t pid = 0);

// Points the learns that run now (own, hooked, or waiting for the hook
// holder) at a code given as point() takes it (not "remote"), as a button
// held before the device would: each learn's code becomes this one, and an
// automatic learn completes within 300 ms of it (sooner if it was due
// sooner).  A manual learn still ends only by its flags or finish().  Later
// learns learn what point() says.  Returns the number of processes told,
// 0 with lastError() when no learn runs, -1 for a code point() refuses or
// when the device cannot be reached.
int aim(const std::string& nameOrPronto);

// Later transmissions fail (TavrixTransmitIR returns 0).
bool setTransmitFail(bool fail);

// The last error that every process's learn call leaves when it starts a
// learn, in place of its own TAVRIXSIM_LEARN_ERROR; 0 gives each process
// its own again (997 unless set).
bool setLearnError(uint32_t error);

// The menus of process pid's windows, read by that process's driver thread:
//   window "<title>"
//   top <i> "<caption>" <enabled|disabled>
//   item <i> <j> "<caption>" <enabled|disabled> id=<command id>
// One line each, LF-terminated.  Empty with lastError() set when the process
// has no driver thread or does not answer within timeoutMs.
std::string menus(uint32_t pid, int timeoutMs = 5000);

// Every window of process pid, visible or not, and every window below each,
// read by that process's driver thread:
//   dpi <x> <y>
//   window <handle> class="<class>" visible=<0|1> rect=<l>,<t>,<r>,<b> client=<w>,<h> text="<title>"
//   control <handle> parent=<handle> id=<n> class="<class>" module="<file>" style=<0x...> visible=<0|1>
//       rect=<l>,<t>,<r>,<b> client=<w>,<h> text="<text>"
//       [font="<face>" fontheight=<px> extent=<w>,<h> wrapped=<w>,<h> [ink=<l>,<t>,<r>,<b>]]
// A window's rect is on the screen, a control's in its parent's client area;
// visible is the window's own WS_VISIBLE; module the file whose code is the
// class's window procedure (user32.dll or, for Common Controls 6,
// comctl32.dll).  Controls that show text (static text, buttons, edit and
// combo boxes) add their font and the room their text needs in it, drawn as
// the control draws it (& marks an access key where it does): extent on one
// line, wrapped broken into lines at the control's width (static text that
// wraps; one line otherwise).  Static text adds ink: the box of the pixels
// its text sets when drawn in the control's client area, so that a cut-off
// line tells from a blank descent.  Handles are 0x%08X.
std::string layout(uint32_t pid, int timeoutMs = 5000);
// The mouse pointer that the screen shows, read by process pid's driver
// thread (pointer handles cannot be compared across processes under Wine):
// "<shape> <front|behind>", the shape wait, arrow, other or none, front when
// a window of process pid is in front, so that the pointer is its thread's.
// Empty with lastError() set when the process does not answer.
std::string pointer(uint32_t pid, int timeoutMs = 5000);

// The pixels of a control in process pid's windows: the first window, at any
// depth below one of its top-level windows, whose control id is controlId,
// as it shows on screen, read by that process's driver thread (another
// process cannot read them under Wine).  width 0 on failure.
struct Capture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // COLORREF values (0x00BBGGRR), rows from the top
    // The pixel at (x, y) of the client area; 0xFFFFFFFF outside it.
    uint32_t at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return 0xFFFFFFFFu;
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};
Capture capture(uint32_t pid, int controlId, int timeoutMs = 5000);

// The device state as readable lines (settings, hook, processes, counters).
std::string status();

// Received codes generated by the driver threads of every process with a
// receive callback, codesPerSecond for `seconds` seconds.  Waits for the end
// and returns the last code sent, empty on failure.
std::string flood(int codesPerSecond, int seconds);

// The device's last event: a press, a learn beginning, aimed or ending, a
// transmission, the hook taken.  Every process that uses the device
// records its own.
struct Event {
    uint32_t serial = 0;     // counts up with every event; 0: none yet
    uint32_t pid = 0;        // the process that recorded it
    uint32_t secondOfDay = 0;  // local time
    std::string text;        // "pellwick.exe's learn ended (complete): NEC1 D=4 S=251 F=16"
};

// What the tests need to know without parsing status().
struct ProcessInfo {
    uint32_t pid;
    bool receiving;   // has a receive callback
    uint32_t learn;   // 0 none, 1 own learn, 2 hooked learn (as holder), 3 waiting for the holder
    uint32_t waiting; // messages not yet served
    uint32_t dropped; // messages lost to a full inbox
};
struct Snapshot {
    bool reachable = false;
    uint32_t hookPid = 0;       // 0: no live hook holder
    int learnDurationMs = 0;
    bool manualLearn = false;
    bool transmitFails = false;
    uint32_t learnError = 0;    // 0: each process's own
    std::string pointed;        // "remote", "nec1", "rc5", "rc6", "protocol" or "pronto"
    std::string pointedCode;    // the Pronto text of a pointed code
    uint32_t learnsStarted = 0, hookedLearns = 0, codesPressed = 0, transmissions = 0;
    std::vector<ProcessInfo> processes;
    Event event;
};
Snapshot snapshot();

// Polls snapshot() until the hook holder is pid (0: any live holder) or the
// timeout passes.  Returns the holder's pid, 0 on timeout.
uint32_t waitForHook(uint32_t pid, int timeoutMs);

// Runs one control command given as words, as tavrixctl and scripts do
// ("press", "ABC"), ("progress", "50", "40", "38000").  Output of status,
// menus and layout goes to *output.  `learn` is not a control command (it
// needs the driver library): see learnclient.h.
bool runCommand(const std::vector<std::string>& words, std::string* output);

}  // namespace simctl

// The driver library as an application uses it: what learnapp.exe and the
// control tool's `learn` and `driver` commands do through tavrixdrv.dll.
#pragma once

#include <string>
#include <vector>

namespace simclient {

// The folder of the running program, with its trailing backslash.
std::string programFolder();

struct LearnOptions {
    std::string library;      // tavrixdrv.dll path; empty: beside the program
    int timeoutMs = 30000;    // give up when the learn has not ended by then
    int abortAfterMs = -1;    // set the abort flag to -1 after this long (-1: never)
    bool showProgress = false;
};

struct LearnOutcome {
    bool ok = false;
    std::string code;   // the learn buffer's text up to its NUL (at most 2049 bytes)
    std::string error;  // why not ok
};

// Opens the device, asks for a learn as a second application would (format
// 16, a 2049-byte buffer, a progress callback, an abort flag, 0, -1, 0) and
// waits for its end, a negative progress.  With showProgress every report
// is printed as "PROGRESS <p> <q> <hz>" while the learn runs.
LearnOutcome learn(const LearnOptions& options);

// Loads the library and calls what a program calls at start: the versions,
// open, the device information and close.  One line per call.
std::string probeDriver(const std::string& library, bool* ok);

}  // namespace simclient

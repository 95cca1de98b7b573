#include "sim/client.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/tavrix_abi.h"
#include "sim/simtext.h"

namespace simclient {

namespace {

#define TAVRIXSIM_POINTER_TYPE(result, name, parameters) typedef result(TAVRIX_API* name##Function) parameters;
TAVRIX_FUNCTIONS(TAVRIXSIM_POINTER_TYPE)
#undef TAVRIXSIM_POINTER_TYPE

// The learn's shared state: the driver calls back on its own thread, and
// the callback's user data is a 32-bit number, so one learn per process.
struct LearnState {
    CRITICAL_SECTION lock;
    HANDLE ended;
    std::vector<std::string> reports;
    bool showProgress;
};
LearnState* state = nullptr;

void TAVRIX_API progressCallback(int32_t progress, int32_t quality, int32_t carrierHz, int32_t)
{
    if (state->showProgress) {
        char line[96];
        std::snprintf(line, sizeof line, "PROGRESS %ld %ld %ld", static_cast<long>(progress),
                      static_cast<long>(quality), static_cast<long>(carrierHz));
        EnterCriticalSection(&state->lock);
        state->reports.push_back(line);
        LeaveCriticalSection(&state->lock);
    }
    if (progress < 0)
        SetEvent(state->ended);
}

void printReports()
{
    std::vector<std::string> reports;
    EnterCriticalSection(&state->lock);
    reports.swap(state->reports);
    LeaveCriticalSection(&state->lock);
    for (const std::string& r : reports)
        std::printf("%s\n", r.c_str());
    std::fflush(stdout);
}

HMODULE loadLibrary(const std::string& library, std::string* error)
{
    std::string path = library.empty() ? programFolder() + "tavrixdrv.dll" : library;
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        *error = "cannot load " + path + ", error " + std::to_string(GetLastError());
    return module;
}

template <typename Function>
Function bind(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::string programFolder()
{
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    size_t slash = p.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

LearnOutcome learn(const LearnOptions& options)
{
    LearnOutcome outcome;
    HMODULE module = loadLibrary(options.library, &outcome.error);
    if (!module)
        return outcome;
    TavrixOpenFunction open = bind<TavrixOpenFunction>(module, "TavrixOpen");
    TavrixCloseFunction close = bind<TavrixCloseFunction>(module, "TavrixClose");
    TavrixLearnIRFunction learnIR = bind<TavrixLearnIRFunction>(module, "TavrixLearnIR");
    if (!open || !close || !learnIR) {
        outcome.error = "the library lacks TavrixOpen, TavrixClose or TavrixLearnIR";
        return outcome;
    }
    static LearnState learnState;
    if (!state) {
        state = &learnState;
        InitializeCriticalSection(&state->lock);
        state->ended = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ResetEvent(state->ended);
    state->showProgress = options.showProgress;

    TavrixHandle h = open();
    if (h == -1) {
        outcome.error = "TavrixOpen failed, last error " + std::to_string(GetLastError());
        return outcome;
    }
    static char buffer[TAVRIX_BUFFER_SIZE];
    static volatile int32_t abortFlag;
    std::memset(buffer, 0, sizeof buffer);
    abortFlag = 0;
    int32_t result = learnIR(h, 16, buffer, progressCallback, 0, &abortFlag, 0, -1, 0);
    DWORD error = GetLastError();
    if (result == 0 && error != ERROR_IO_PENDING) {
        outcome.error = "the learn did not start: result 0, last error " + std::to_string(error);
        close(h);
        return outcome;
    }
    if (result == 0) {
        DWORD start = GetTickCount();
        bool aborted = false;
        for (;;) {
            DWORD elapsed = GetTickCount() - start;
            if (options.abortAfterMs >= 0 && !aborted && elapsed >= static_cast<DWORD>(options.abortAfterMs)) {
                abortFlag = -1;
                aborted = true;
            }
            if (elapsed >= static_cast<DWORD>(options.timeoutMs))
                break;
            if (WaitForSingleObject(state->ended, 20) == WAIT_OBJECT_0)
                break;
            printReports();
        }
        printReports();
        if (WaitForSingleObject(state->ended, 0) != WAIT_OBJECT_0) {
            outcome.error = "the learn did not end within " + std::to_string(options.timeoutMs) + " ms";
            close(h);
            return outcome;
        }
    }
    outcome.code.assign(buffer, simtext::boundedLength(buffer, TAVRIX_BUFFER_SIZE));
    outcome.ok = true;
    close(h);
    return outcome;
}

std::string probeDriver(const std::string& library, bool* ok)
{
    std::string error;
    *ok = false;
    HMODULE module = loadLibrary(library, &error);
    if (!module)
        return error + "\n";
    std::string out;
    auto line = [&](const std::string& text) { out += text + "\n"; };

    uint32_t number = 0;
    if (TavrixGetDrvInfoFunction f = bind<TavrixGetDrvInfoFunction>(module, "TavrixGetDrvInfo")) {
        int32_t r = f(&number);
        line("TavrixGetDrvInfo -> " + std::to_string(r) + (r ? " version=" + std::to_string(number) : ""));
    } else {
        line("TavrixGetDrvInfo missing");
    }
    if (TavrixGetDrvVersionFunction f = bind<TavrixGetDrvVersionFunction>(module, "TavrixGetDrvVersion")) {
        int32_t r = f(&number);
        line("TavrixGetDrvVersion -> " + std::to_string(r) + (r ? " version=" + std::to_string(number) : ""));
    } else {
        line("TavrixGetDrvVersion missing");
    }
    TavrixOpenFunction open = bind<TavrixOpenFunction>(module, "TavrixOpen");
    if (!open) {
        line("TavrixOpen missing");
        return out;
    }
    TavrixHandle h = open();
    DWORD openError = GetLastError();
    if (h == -1) {
        line("TavrixOpen -> -1 lastError=" + std::to_string(openError));
        *ok = true;
        return out;
    }
    line("TavrixOpen -> " + std::to_string(h));
    if (TavrixGetTavrixInfoFunction f = bind<TavrixGetTavrixInfoFunction>(module, "TavrixGetTavrixInfo")) {
        TavrixDeviceInfo info = {};
        int32_t r = f(h, &info);
        DWORD infoError = GetLastError();
        if (r)
            line("TavrixGetTavrixInfo -> " + std::to_string(r) + " info=" + std::to_string(info.firmwareVersion) +
                 "," + std::to_string(info.protocolVersion) + "," + std::to_string(info.date[0]) + "," +
                 std::to_string(info.date[1]) + "," + std::to_string(info.date[2]));
        else
            line("TavrixGetTavrixInfo -> 0 lastError=" + std::to_string(infoError));
    }
    if (TavrixCloseFunction f = bind<TavrixCloseFunction>(module, "TavrixClose"))
        line("TavrixClose -> " + std::to_string(f(h)));
    *ok = true;
    return out;
}

}  // namespace simclient

// The times of the driver's calls, for the benchmark's start-up row: how
// much of a program's start the driver itself takes.
#include "sim/driver.h"

#include <cstdio>

namespace drv {

double nowMs()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

namespace {
// Taken while the process loads the library, before any call.
const double loadedMs = nowMs();
}  // namespace

double libraryLoadedMs()
{
    return loadedMs;
}

CallTimes::CallTimes()
{
    InitializeCriticalSection(&lock_);
    calls_.reserve(64);
}

void CallTimes::note(const char* function, double beginMs, double endMs)
{
    // A start-up's calls are a few dozen; a program that runs on keeps
    // only its first ones.
    const size_t MAX_CALLS = 4096;
    EnterCriticalSection(&lock_);
    if (calls_.size() < MAX_CALLS)
        calls_.push_back(Call{function, beginMs, endMs});
    LeaveCriticalSection(&lock_);
}

void CallTimes::write(const std::string& path)
{
    EnterCriticalSection(&lock_);
    std::vector<Call> calls;
    calls.swap(calls_);
    LeaveCriticalSection(&lock_);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char line[160];
    std::string text;
    std::snprintf(line, sizeof line, "load %.4f\n", loadedMs);
    text += line;
    for (const Call& c : calls) {
        std::snprintf(line, sizeof line, "%s %.4f %.4f\n", c.function, c.beginMs, c.endMs);
        text += line;
    }
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

CallTimes& callTimes()
{
    // Never destroyed: a call may still end on a driver thread at exit.
    static CallTimes* times = new CallTimes();
    return *times;
}

}  // namespace drv

#include "sim/driver.h"

namespace drv {

namespace {

struct ThreadStart {
    void (*body)(void*);
    void* argument;
    HMODULE module;
};

DWORD WINAPI threadMain(void* parameter)
{
    ThreadStart start = *static_cast<ThreadStart*>(parameter);
    delete static_cast<ThreadStart*>(parameter);
    start.body(start.argument);
    // Drops the reference taken in startThread and ends the thread without
    // returning into code that may no longer be mapped.
    if (start.module)
        FreeLibraryAndExitThread(start.module, 0);
    return 0;
}

}  // namespace

HANDLE startThread(void (*body)(void*), void* argument)
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&threadMain), &module);
    ThreadStart* start = new ThreadStart{body, argument, module};
    HANDLE thread = CreateThread(nullptr, 0, threadMain, start, 0, nullptr);
    if (!thread) {
        delete start;
        if (module)
            FreeLibrary(module);
    }
    return thread;
}

bool joinThread(HANDLE* thread, DWORD timeoutMs)
{
    if (!*thread)
        return true;
    if (GetThreadId(*thread) == GetCurrentThreadId())
        return false;
    if (WaitForSingleObject(*thread, timeoutMs) != WAIT_OBJECT_0)
        return false;
    CloseHandle(*thread);
    *thread = nullptr;
    return true;
}

bool sleepUnlessSignalled(HANDLE stop, DWORD ms)
{
    return WaitForSingleObject(stop, ms) == WAIT_OBJECT_0;
}

}  // namespace drv

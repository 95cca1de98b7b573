#include "ui/sysdll.h"

#include <cwchar>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace sysdll {

HMODULE load(const wchar_t* dll)
{
    if (HMODULE module = GetModuleHandleW(dll))
        return module;
    // By its name, so that the manifest's redirection (comctl32 version 6)
    // still applies, searched for in the system folder only.
    if (HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return module;
    if (GetLastError() != ERROR_INVALID_PARAMETER)
        return nullptr;
    // A Windows without the search flags: the full path in the system folder.
    wchar_t path[MAX_PATH];
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    size_t len = std::wcslen(dll);
    if (n == 0 || n + 1 + len >= MAX_PATH)
        return nullptr;
    path[n] = L'\\';
    std::wmemcpy(path + n + 1, dll, len + 1);
    return LoadLibraryW(path);
}

}  // namespace sysdll

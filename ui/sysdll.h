// Functions of Windows' own DLLs that only some windows use (the common
// dialogs, the shell, COM), loaded when first needed: a DLL linked to the
// program is loaded before WinMain, and under Wine each of these costs
// start-up several milliseconds.
#pragma once

#include <windows.h>

namespace sysdll {

// The DLL as it is loaded already (comctl32 in the version the manifest
// asks for), else loaded by its full path in the system folder, never
// through the search path, which starts at the program's own folder.
HMODULE load(const wchar_t* dll);

template <typename Function>
Function function(const wchar_t* dll, const char* name)
{
    HMODULE module = load(dll);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace sysdll

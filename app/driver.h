// Run-time binding to the driver library tavrixdrv.dll.
//
// The library is loaded at the first call, from the program's own folder or
// else from the system folder, never from the current directory (a library
// planted there must not be picked up). Each function is looked up by its
// undecorated name; one that the library lacks stays null, and calling it
// through call() fails like a driver call that returned its failure value.
#pragma once

#include <windows.h>

#include "tavrix_abi.h"

namespace driver {

#define TAVRIX_DECLARE_POINTER(result, name, params) result(TAVRIX_API* name) params;
struct Table {
    TAVRIX_FUNCTIONS(TAVRIX_DECLARE_POINTER)
};
#undef TAVRIX_DECLARE_POINTER

// The bound functions. The first use loads the library; a library that cannot
// be loaded at all ends the program with a fatal message.
const Table& table();

// Calls fn with args, or, when the library lacks the function, leaves
// ERROR_PROC_NOT_FOUND as the last error and returns failedResult.
template <typename R, typename... Params, typename... Args>
R call(R(TAVRIX_API* fn)(Params...), R failedResult, Args... args)
{
    if (!fn) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return failedResult;
    }
    return fn(args...);
}

}  // namespace driver

// Hostile mode no-relay-window: the program's hidden relay window (class
// STATIC, window name "CallbackHiddenWindow") cannot be created.  A hook on
// the thread that opens the device refuses that one creation and removes
// itself; every other window of the thread is created as usual.
#include <cstring>

#include "sim/driver.h"

namespace drv {

namespace {

const char RELAY_WINDOW_NAME[] = "CallbackHiddenWindow";
const char RELAY_WINDOW_CLASS[] = "STATIC";

// The armed hook; null before it is armed and after it has acted or been
// dropped.  Swapped atomically, so exactly one of the refusal and the drop
// removes it.
HHOOK volatile armedHook = nullptr;
volatile LONG armedOnce = 0;

HHOOK takeHook()
{
    return static_cast<HHOOK>(InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&armedHook), nullptr));
}

// A name or class given as a string (not an atom or resource number).
bool textEquals(LPCSTR text, const char* expected, bool ignoreCase)
{
    if (!text || IS_INTRESOURCE(text))
        return false;
    return (ignoreCase ? lstrcmpiA(text, expected) : lstrcmpA(text, expected)) == 0;
}

LRESULT CALLBACK refuseRelayCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const CBT_CREATEWNDA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        const CREATESTRUCTA* cs = create ? create->lpcs : nullptr;
        // The class may come as an atom; the window name decides then. A
        // program with Common Controls 6 creates the versioned class, named
        // "<version>!STATIC".
        LPCSTR cls = cs ? cs->lpszClass : nullptr;
        const char* version = cls && !IS_INTRESOURCE(cls) ? strrchr(cls, '!') : nullptr;
        if (version)
            cls = version + 1;
        bool classMatches = cs && (IS_INTRESOURCE(cls) || textEquals(cls, RELAY_WINDOW_CLASS, true));
        if (cs && classMatches && textEquals(cs->lpszName, RELAY_WINDOW_NAME, false)) {
            HHOOK hook = takeHook();
            if (hook)
                UnhookWindowsHookEx(hook);
            Driver::get().log.write(std::string("event no-relay-window refused name=") +
                                    simtext::quoted(RELAY_WINDOW_NAME));
            return 1;  // non-zero: the window is not created
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void refuseRelayWindow()
{
    if (InterlockedExchange(&armedOnce, 1) != 0)
        return;
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&refuseRelayCreation), &module);
    HHOOK hook = SetWindowsHookExA(WH_CBT, refuseRelayCreation, module, GetCurrentThreadId());
    CallLog& log = Driver::get().log;
    if (!hook) {
        log.write("event no-relay-window not-armed lastError=" + std::to_string(GetLastError()));
        return;
    }
    InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&armedHook), hook);
    log.write("event no-relay-window armed thread=" + std::to_string(GetCurrentThreadId()));
}

void dropRelayRefusal()
{
    HHOOK hook = takeHook();
    if (!hook)
        return;
    UnhookWindowsHookEx(hook);
    Driver::get().log.write("event no-relay-window dropped");
}

}  // namespace drv

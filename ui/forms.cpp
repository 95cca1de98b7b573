#include "forms.h"

#include <algorithm>

namespace forms {

static std::vector<HWND>& loadedForms()
{
    static std::vector<HWND> windows;
    return windows;
}

static bool busy = false;

void loaded(HWND window)
{
    loadedForms().push_back(window);
}

void unloaded(HWND window)
{
    auto& windows = loadedForms();
    windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

std::vector<HWND> list()
{
    return loadedForms();
}

void setBusyPointer(bool on)
{
    busy = on;
    SetCursor(LoadCursor(nullptr, on ? IDC_WAIT : IDC_ARROW));
}

bool showBusyPointer()
{
    if (!busy)
        return false;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    return true;
}

bool registerClass(const char* name, WNDPROC procedure)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

POINT centredOver(HWND owner, int width, int height)
{
    RECT over;
    if (!owner || !GetWindowRect(owner, &over))
        SetRect(&over, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    POINT corner = {over.left + ((over.right - over.left) - width) / 2,
                    over.top + ((over.bottom - over.top) - height) / 2};
    return corner;
}

}  // namespace forms

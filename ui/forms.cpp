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

bool busyPointer()
{
    return busy;
}

}  // namespace forms

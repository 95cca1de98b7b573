// What the driver reads of its own process's windows: the titles and the
// cursor shown while a transmission blocks, and the menu dump asked for by
// `tavrixctl menus` (menus cannot be read from another process under Wine,
// so the process's own driver thread reads them).
#include <cstdio>

#include "sim/driver.h"

namespace drv {

namespace {

struct WindowList {
    DWORD pid;
    bool visibleOnly;
    std::vector<HWND> windows;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM parameter)
{
    WindowList* list = reinterpret_cast<WindowList*>(parameter);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == list->pid && (!list->visibleOnly || IsWindowVisible(window)))
        list->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> ownTopLevelWindows(bool visibleOnly)
{
    WindowList list;
    list.pid = GetCurrentProcessId();
    list.visibleOnly = visibleOnly;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&list));
    return list.windows;
}

// The title without sending WM_GETTEXT: the window's own thread may be the
// one blocked in the driver, and the driver thread must never wait for it.
std::string windowTitle(HWND window)
{
    wchar_t wide[512];
    int n = InternalGetWindowText(window, wide, 512);
    if (n <= 0)
        return std::string();
    char ansi[1024];
    int m = WideCharToMultiByte(CP_ACP, 0, wide, n, ansi, sizeof ansi, nullptr, nullptr);
    return std::string(ansi, m > 0 ? static_cast<size_t>(m) : 0);
}

bool itemInfo(HMENU menu, UINT position, std::string* caption, bool* enabled, UINT* id, HMENU* submenu)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
    if (!GetMenuItemInfoA(menu, position, TRUE, &info))
        return false;
    std::string text;
    if (!(info.fType & MFT_SEPARATOR) && info.cch > 0) {
        std::vector<char> buffer(info.cch + 1);
        info.dwTypeData = buffer.data();
        info.cch = static_cast<UINT>(buffer.size());
        if (GetMenuItemInfoA(menu, position, TRUE, &info))
            text.assign(buffer.data());
    }
    *caption = text;
    // A separator can never be chosen: shown as disabled whatever its state.
    *enabled = (info.fState & (MFS_GRAYED | MFS_DISABLED)) == 0 && !(info.fType & MFT_SEPARATOR);
    *id = info.wID;
    *submenu = info.hSubMenu;
    return true;
}

}  // namespace

std::string visibleWindowTitles()
{
    std::string titles;
    for (HWND window : ownTopLevelWindows(true)) {
        if (!titles.empty())
            titles += '|';
        titles += windowTitle(window);
    }
    return titles;
}

const char* cursorShape()
{
    HCURSOR cursor = GetCursor();
    if (cursor && cursor == LoadCursor(nullptr, IDC_WAIT))
        return "wait";
    if (cursor && cursor == LoadCursor(nullptr, IDC_ARROW))
        return "arrow";
    return "other";
}

std::string menuDump()
{
    std::string out;
    for (HWND window : ownTopLevelWindows(false)) {
        HMENU bar = GetMenu(window);
        if (!bar || !IsMenu(bar))
            continue;
        out += "window " + simtext::quoted(windowTitle(window)) + "\n";
        int tops = GetMenuItemCount(bar);
        for (int i = 0; i < tops; ++i) {
            std::string caption;
            bool enabled = false;
            UINT id = 0;
            HMENU submenu = nullptr;
            if (!itemInfo(bar, static_cast<UINT>(i), &caption, &enabled, &id, &submenu))
                continue;
            out += "top " + std::to_string(i) + " " + simtext::quoted(caption) + (enabled ? " enabled" : " disabled") +
                   "\n";
            if (!submenu)
                continue;
            int items = GetMenuItemCount(submenu);
            for (int j = 0; j < items; ++j) {
                HMENU inner = nullptr;
                if (!itemInfo(submenu, static_cast<UINT>(j), &caption, &enabled, &id, &inner))
                    continue;
                out += "item " + std::to_string(i) + " " + std::to_string(j) + " " + simtext::quoted(caption) +
                       (enabled ? " enabled" : " disabled") + " id=" + std::to_string(id) + "\n";
            }
        }
    }
    return out;
}

}  // namespace drv

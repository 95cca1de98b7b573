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

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK matchControl(HWND window, LPARAM parameter)
{
    ControlSearch* search = reinterpret_cast<ControlSearch*>(parameter);
    if (GetDlgCtrlID(window) == search->id) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

void putNumber(std::string* out, uint32_t value)
{
    out->append(reinterpret_cast<const char*>(&value), sizeof value);
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

namespace drv {

std::string captureControl(int controlId)
{
    ControlSearch search = {controlId, nullptr};
    for (HWND top : ownTopLevelWindows(false)) {
        EnumChildWindows(top, matchControl, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            break;
    }
    RECT client;
    if (!search.found || !GetClientRect(search.found, &client) || client.right <= 0 || client.bottom <= 0)
        return std::string();
    int width = client.right, height = client.bottom;
    if (static_cast<size_t>(width) * height * 4 + 12 > sim::REPLY_CAPACITY - 1)
        return std::string();

    // What the window shows, read back from its own device context: the
    // program's thread is never asked to paint for the driver.
    HDC window = GetDC(search.found);
    HDC memory = CreateCompatibleDC(window);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::string out;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
        GdiFlush();
        out = "CAPT";
        putNumber(&out, static_cast<uint32_t>(width));
        putNumber(&out, static_cast<uint32_t>(height));
        const uint32_t* pixel = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            uint32_t bgr = pixel[i] & 0xFFFFFF;  // 0x00RRGGBB in a DIB
            putNumber(&out, RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF));
        }
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(search.found, window);
    return out;
}

}  // namespace drv

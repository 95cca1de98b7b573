// What the driver reads of its own process's windows: the titles and the
// cursor shown while a transmission blocks, the pointer on screen asked for
// by `tavrixctl pointer`, the menu dump asked for by
// `tavrixctl menus` (menus cannot be read from another process under Wine,
// so the process's own driver thread reads them), control pixels and the
// layout dump of `tavrixctl layout`.
#include <cstdio>

#include "sim/driver.h"

namespace drv {

namespace {

std::string ansi(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
    return out;
}

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
    return ansi(std::wstring(wide, n > 0 ? static_cast<size_t>(n) : 0));
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

namespace {

// Pointer handles are the process's own (under Wine another process's
// handle for the same shape differs): compared here, in the process.
const char* shapeOf(HCURSOR cursor)
{
    if (cursor && cursor == LoadCursor(nullptr, IDC_WAIT))
        return "wait";
    if (cursor && cursor == LoadCursor(nullptr, IDC_ARROW))
        return "arrow";
    return "other";
}

}  // namespace

const char* cursorShape()
{
    return shapeOf(GetCursor());
}

std::string screenPointer()
{
    CURSORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetCursorInfo(&info))
        return std::string();
    DWORD front = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &front);
    return std::string(info.hCursor ? shapeOf(info.hCursor) : "none") +
           (front == GetCurrentProcessId() ? " front" : " behind");
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

// ---- layout dump ------------------------------------------------------------
//
// For the layout checks at other screen resolutions: where every window and
// control of the process is, what it says and how much room its text needs in
// its own font. Text extents depend on the fonts and the DPI of this process,
// so they can only be measured here.

namespace drv {

namespace {

std::string handleText(HWND window)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(window)));
    return text;
}

// The file name of the module whose code is the window's class procedure:
// user32.dll for the system's own controls, comctl32.dll for those of Common
// Controls 6.
std::string classModule(HWND window)
{
    char path[MAX_PATH] = {};
    HMODULE module = nullptr;
    ULONG_PTR procedure = IsWindowUnicode(window) ? GetClassLongPtrW(window, GCLP_WNDPROC)
                                                  : GetClassLongPtrA(window, GCLP_WNDPROC);
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(procedure), &module) ||
        !GetModuleFileNameA(module, path, MAX_PATH))
        return std::string();
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    return name;
}

std::string numbers(long a, long b)
{
    return std::to_string(a) + "," + std::to_string(b);
}

// Texts and fonts are asked of the window's own thread, but only for a
// moment: a program blocked in the driver (a transmission) costs the dump
// its fonts, never a hang.
const UINT ASK_MS = 500;

bool threadAnswers(HWND window)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, ASK_MS, &ignored) != 0;
}

std::wstring textOf(HWND window, bool ask)
{
    DWORD_PTR length = 0;
    if (ask && SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_BLOCK, ASK_MS, &length)) {
        std::wstring text(length + 1, L'\0');
        DWORD_PTR got = 0;
        if (SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_BLOCK,
                                ASK_MS, &got)) {
            text.resize(got < text.size() ? got : text.size() - 1);
            return text;
        }
    }
    // An edit control's or combo box's text is not the window text: this is
    // only the fallback.
    wchar_t buffer[2048];
    int n = InternalGetWindowText(window, buffer, 2048);
    return std::wstring(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

// How a control draws its text: DrawText flags (alignment, access keys,
// word wrapping) and whether it is static text.  False for controls that
// show no text of their own.
bool textFlags(const std::string& cls, LONG style, UINT* flags, bool* isStatic)
{
    *isStatic = false;
    if (lstrcmpiA(cls.c_str(), "Static") == 0) {
        LONG type = style & SS_TYPEMASK;
        UINT align = type == SS_CENTER ? DT_CENTER : type == SS_RIGHT ? DT_RIGHT : DT_LEFT;
        if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT)
            *flags = align | DT_WORDBREAK;
        else if (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE)
            *flags = DT_SINGLELINE;
        else
            return false;
        *flags |= DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
        *isStatic = true;
        return true;
    }
    if (lstrcmpiA(cls.c_str(), "Button") == 0) {
        *flags = DT_SINGLELINE;  // & marks the access key
        return true;
    }
    if (lstrcmpiA(cls.c_str(), "Edit") == 0 || lstrcmpiA(cls.c_str(), "ComboBox") == 0) {
        *flags = DT_SINGLELINE | DT_NOPREFIX;
        return true;
    }
    return false;
}

// The box around the pixels that static text sets when drawn as the control
// draws it, in its client coordinates: a line cut off at the bottom shows as
// a box taller than the control, while blank rows below the last line (the
// font's descent) do not count.  Drawn with room on every side, so that text
// running out of the control is seen too.
RECT inkBox(HDC dc, const std::wstring& text, UINT flags, int width, SIZE extent)
{
    RECT ink = {0, 0, 0, 0};
    int pad = extent.cx + 8;
    int w = width + 2 * pad, h = extent.cy + 2 * pad;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap)
            DeleteObject(bitmap);
        return ink;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, w, h};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    RECT area = {pad, pad, pad + width, h};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, flags);
    GdiFlush();
    const uint32_t* pixel = static_cast<const uint32_t*>(bits);
    bool any = false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((pixel[static_cast<size_t>(y) * w + x] & 0xFFFFFF) != 0xFFFFFF) {
                if (!any)
                    ink = {x, y, x + 1, y + 1};
                ink.left = x < ink.left ? x : ink.left;
                ink.right = x + 1 > ink.right ? x + 1 : ink.right;
                ink.bottom = y + 1;
                any = true;
            }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    if (any)
        OffsetRect(&ink, -pad, -pad);
    return ink;
}

std::string controlLine(HWND control, bool ask)
{
    char clsName[64] = {};
    GetClassNameA(control, clsName, sizeof clsName);
    std::string cls = clsName;
    LONG style = GetWindowLongA(control, GWL_STYLE);
    char styleText[16];
    std::snprintf(styleText, sizeof styleText, "0x%08X", static_cast<unsigned>(style));
    HWND parent = GetParent(control);
    RECT r = {}, client = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    GetClientRect(control, &client);
    std::wstring text = textOf(control, ask);

    std::string line = "control " + handleText(control) + " parent=" + handleText(parent) +
                       " id=" + std::to_string(GetDlgCtrlID(control)) + " class=" + simtext::quoted(cls) +
                       " module=" + simtext::quoted(classModule(control)) + " style=" + styleText +
                       " visible=" + ((style & WS_VISIBLE) ? "1" : "0") + " rect=" + numbers(r.left, r.top) +
                       "," + numbers(r.right, r.bottom) + " client=" + numbers(client.right, client.bottom) +
                       " text=" + simtext::quoted(ansi(text));

    UINT flags = 0;
    bool isStatic = false;
    DWORD_PTR font = 0;
    if (!ask || !textFlags(cls, style, &flags, &isStatic) ||
        !SendMessageTimeoutW(control, WM_GETFONT, 0, 0, SMTO_BLOCK, ASK_MS, &font))
        return line + "\n";
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font ? reinterpret_cast<HFONT>(font) : GetStockObject(SYSTEM_FONT));
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    UINT oneLine = (flags & ~(DT_WORDBREAK | DT_CENTER | DT_RIGHT)) | DT_SINGLELINE;
    RECT one = {0, 0, 0, 0}, wrapped = {0, 0, 0, 0}, ink = {0, 0, 0, 0};
    if (!text.empty()) {
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &one, oneLine | DT_CALCRECT);
        // At the control's own width, so that the height is that of the
        // lines it shows; a word too long for a line makes it wider.
        wrapped = {0, 0, client.right, 0};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &wrapped, flags | DT_CALCRECT);
        if (isStatic)
            ink = inkBox(dc, text, flags, client.right, {wrapped.right, wrapped.bottom});
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    line += " font=" + simtext::quoted(ansi(face)) + " fontheight=" + std::to_string(metrics.tmHeight) +
            " extent=" + numbers(one.right, one.bottom) + " wrapped=" + numbers(wrapped.right, wrapped.bottom);
    if (isStatic)
        line += " ink=" + numbers(ink.left, ink.top) + "," + numbers(ink.right, ink.bottom);
    return line + "\n";
}

BOOL CALLBACK collectChild(HWND window, LPARAM parameter)
{
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
}

}  // namespace

std::string layoutDump()
{
    HDC screen = GetDC(nullptr);
    std::string out = "dpi " + std::to_string(GetDeviceCaps(screen, LOGPIXELSX)) + " " +
                      std::to_string(GetDeviceCaps(screen, LOGPIXELSY)) + "\n";
    ReleaseDC(nullptr, screen);
    for (HWND top : ownTopLevelWindows(false)) {
        char cls[64] = {};
        GetClassNameA(top, cls, sizeof cls);
        RECT r = {}, client = {};
        GetWindowRect(top, &r);
        GetClientRect(top, &client);
        out += "window " + handleText(top) + " class=" + simtext::quoted(cls) +
               " visible=" + (IsWindowVisible(top) ? "1" : "0") + " rect=" + numbers(r.left, r.top) + "," +
               numbers(r.right, r.bottom) + " client=" + numbers(client.right, client.bottom) +
               " text=" + simtext::quoted(windowTitle(top)) + "\n";
        std::vector<HWND> children;
        EnumChildWindows(top, collectChild, reinterpret_cast<LPARAM>(&children));
        bool ask = !children.empty() && threadAnswers(top);
        for (HWND child : children)
            out += controlLine(child, ask);
    }
    return out;
}

}  // namespace drv

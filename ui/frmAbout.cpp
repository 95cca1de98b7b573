#include "frmAbout.h"

#include <stdexcept>

#include "app/appinfo.h"
#include "ui/forms.h"
#include "ui/ids.h"
#include "ui/regvalue.h"
#include "ui/twips.h"

namespace frmAbout {

namespace {

const char CLASS_NAME[] = "PellwickAbout";
const char DESCRIPTION[] =
    "This simple applet can be used to aid in the learn process and allows you to interject "
    "pre-learned codes for any third-party application which is asking the Tavrix to learn an "
    "IR code. It may also be used as a simple receive/transmit test application.";
const char DISCLAIMER[] =
    "Pellwick is a test utility for the Tavrix. It is provided as is, without warranty of any "
    "kind.";
const char UNAVAILABLE[] = "System Information Is Unavailable At This Time";

// Registry access when opening a key: query and set value, create and
// enumerate subkeys, notify, create link, read control.
const REGSAM OPEN_ACCESS = 0x2003F;

struct AboutState {
    HFONT font = nullptr;
    HICON icon = nullptr;
};

struct Item {
    int id;
    const char* cls;
    DWORD style;
    int left, top, width, height;
};

// In tab order.
const Item ITEMS[] = {
    {IDC_CMDOK, "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, 4245, 2625, 1467, 345},
    {IDC_CMDSYSINFO, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 4260, 3075, 1452, 345},
    {IDC_PICICON, "STATIC", SS_ICON, 240, 240, 540, 540},
    {IDC_LBLDISCLAIMER, "STATIC", SS_LEFT | SS_NOPREFIX, 255, 2625, 3870, 825},
    {IDC_LBLVERSION, "STATIC", SS_LEFT | SS_NOPREFIX, 1050, 780, 4092, 225},
    {IDC_LBLTITLE, "STATIC", SS_LEFT | SS_NOPREFIX, 1050, 240, 4092, 480},
    {IDC_LBLDESCRIPTION, "STATIC", SS_LEFT | SS_NOPREFIX, 1050, 1125, 4092, 1170},
};

void Form_Load(HWND about)
{
    std::string version = "Version " + std::to_string(APP_VERSION_MAJOR) + "." +
                          std::to_string(APP_VERSION_MINOR) + "." +
                          std::to_string(APP_VERSION_REVISION);
    SetDlgItemTextA(about, IDC_LBLVERSION, version.c_str());
    SetDlgItemTextA(about, IDC_LBLTITLE, APP_TITLE);
}

void createControls(HWND about, AboutState* state)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    state->font = twips::font("MS Sans Serif", 8, false);
    // The About icon is 32 by 32 pixels at every DPI, at the top-left corner
    // of its box; the control takes the icon's size.
    state->icon = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_PELLWICK), IMAGE_ICON, 32, 32, 0));
    for (const Item& item : ITEMS) {
        const char* caption = "";
        if (item.id == IDC_CMDOK)
            caption = "OK";
        else if (item.id == IDC_CMDSYSINFO)
            caption = "&System Info...";
        else if (item.id == IDC_LBLDESCRIPTION)
            caption = DESCRIPTION;
        else if (item.id == IDC_LBLDISCLAIMER)
            caption = DISCLAIMER;
        int left = twips::toPixelsX(item.left), top = twips::toPixelsY(item.top);
        HWND child = CreateWindowExA(
            0, item.cls, caption, WS_CHILD | WS_VISIBLE | item.style, left, top,
            twips::toPixelsX(item.left + item.width) - left,
            twips::toPixelsY(item.top + item.height) - top, about,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance, nullptr);
        if (item.id == IDC_PICICON)
            SendMessageA(child, STM_SETICON, reinterpret_cast<WPARAM>(state->icon), 0);
        else
            SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
    }
}

// The etched separator between the upper and the lower part.
void paintSeparator(HWND about, HDC dc)
{
    (void)about;
    HPEN grey = CreatePen(PS_INSIDEFRAME, 1, RGB(128, 128, 128));
    HPEN white = CreatePen(PS_SOLID, twips::toPixelsY(30), RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, grey);
    MoveToEx(dc, twips::toPixelsX(225), twips::toPixelsY(2430), nullptr);
    LineTo(dc, twips::toPixelsX(5657), twips::toPixelsY(2430));
    SelectObject(dc, white);
    MoveToEx(dc, twips::toPixelsX(240), twips::toPixelsY(2445), nullptr);
    LineTo(dc, twips::toPixelsX(5657), twips::toPixelsY(2445));
    SelectObject(dc, old);
    DeleteObject(grey);
    DeleteObject(white);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<AboutState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_CREATE: {
        state = new AboutState;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        createControls(hwnd, state);
        Form_Load(hwnd);
        forms::loaded(hwnd);
        return 0;
    }
    case DM_GETDEFID:
        return MAKELONG(IDC_CMDOK, DC_HASDEFID);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:      // cmdOK, Enter
        case IDCANCEL:  // Escape
            DestroyWindow(hwnd);
            return 0;
        case IDC_CMDSYSINFO:
            if (HIWORD(wParam) == BN_CLICKED)
                StartSysInfo(hwnd);
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        paintSeparator(hwnd, dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        forms::unloaded(hwnd);
        return 0;
    case WM_NCDESTROY:
        if (state) {
            DeleteObject(state->font);
            DestroyIcon(state->icon);
            delete state;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        }
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool startProgram(const std::string& path)
{
    // The path goes in as the program name and, quoted, as the command line:
    // a path with blanks must never start some other program.
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool fileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool GetKeyValue(HKEY keyRoot, const std::string& keyName, const std::string& subKeyRef,
                 std::string& keyValue)
{
    HKEY key = nullptr;
    LONG opened = RegOpenKeyExA(keyRoot, keyName.c_str(), 0, OPEN_ACCESS, &key);
    if (opened == ERROR_ACCESS_DENIED)
        // Without the right to write below HKEY_LOCAL_MACHINE, reading is
        // still all we need.
        opened = RegOpenKeyExA(keyRoot, keyName.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (opened != ERROR_SUCCESS) {
        keyValue.clear();
        return false;
    }
    unsigned char buffer[regvalue::BUFFER_SIZE] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    LONG queried = RegQueryValueExA(key, subKeyRef.c_str(), nullptr, &type, buffer, &size);
    if (queried != ERROR_SUCCESS) {
        keyValue.clear();
        RegCloseKey(key);
        return false;
    }
    regvalue::Result result = regvalue::format(type, buffer, sizeof buffer, size, keyValue);
    RegCloseKey(key);
    if (result == regvalue::Result::NoTerminator)
        throw std::runtime_error("registry value without a terminator");
    return true;
}

void StartSysInfo(HWND owner)
{
    bool started = false;
    try {
        std::string path;
        if (GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH",
                        path)) {
            started = startProgram(path);
        } else if (GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools Location",
                               "MSINFO", path)) {
            path += "\\MSINFO32.EXE";
            started = fileExists(path) && startProgram(path);
        }
    } catch (const std::exception&) {
        started = false;
    }
    if (!started)
        MessageBoxA(owner, UNAVAILABLE, APP_TITLE, MB_OK);
}

void showModal(HWND owner)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!forms::registerClass(CLASS_NAME, WndProc))
        return;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_DLGMODALFRAME;
    RECT frame = {0, 0, twips::toPixelsX(5865), twips::toPixelsY(3615)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    POINT at = forms::centredOver(owner, width, height);

    HWND about = CreateWindowExA(exStyle, CLASS_NAME, "About Pellwick", style, at.x, at.y, width,
                                 height,
                                 owner, nullptr, instance, nullptr);
    if (!about)
        return;

    // Modal: the main window takes no input until the About box is gone.
    EnableWindow(owner, FALSE);
    ShowWindow(about, SW_SHOWNORMAL);
    SetFocus(GetDlgItem(about, IDC_CMDOK));
    MSG msg;
    while (IsWindow(about)) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1)
            break;
        if (IsDialogMessageA(about, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (IsWindow(owner)) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    if (IsWindow(about))
        DestroyWindow(about);
}

}  // namespace frmAbout

// tavrixsim.exe, the virtual remote: a window with a remote's keypad on the
// simulated device, for whoever has no Tavrix and no remote at hand.
//
// A click on a key presses it: every program with a receive callback gets
// the key's event code, and the learns that run at that moment are aimed at
// the key's code, so that they end with it. Two switches make
// transmissions and learn calls fail; a line shows the device's last event.
//
// Everything goes through simctl. The first simctl call maps the device's
// shared memory, and simctl keeps it mapped until the process ends: while
// this window is open the device lives, whether or not any other program has
// it open.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ir/ir.h"
#include "sim/keypad.h"
#include "sim/simctl.h"
#include "ui/twips.h"

namespace {

using namespace keypad;

const char CLASS_NAME[] = "TavrixSimulator";
const char TITLE[] = "Tavrix Simulator";
const char DEFAULT_PROTOCOL[] = "NEC1";
const char DEFAULT_DEVICE[] = "4";
const int ICON_ID = 1;
const UINT_PTR IDT_POLL = 1;
const UINT POLL_MS = 100;
// What the "Learn error" switch makes every learn call leave: the failure
// that txfail gives transmissions too.
const uint32_t LEARN_ERROR = ERROR_GEN_FAILURE;

// Client area and controls in twips, in tab order; the keys go between the
// two lists.
const int CLIENT_WIDTH = 3960, CLIENT_HEIGHT = 8100;
const int KEY_LEFT = 300, KEY_COLUMN_STEP = 1140, KEY_WIDTH = 1020;
const int KEY_TOP = 1230, KEY_ROW_STEP = 465, KEY_HEIGHT = 375;

struct Item {
    int id;
    const char* cls;
    DWORD style;
    DWORD exStyle;
    const char* caption;
    int left, top, width, height;
};
const Item BEFORE_KEYS[] = {
    {IDC_SIM_LBLPROTOCOL, "STATIC", SS_LEFT, 0, "&Protocol:", 120, 165, 1500, 255},
    // The height includes the drop-down list.
    {IDC_SIM_PROTOCOL, "COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 0, "", 1680, 120,
     2160, 2400},
    {IDC_SIM_LBLDEVICE, "STATIC", SS_LEFT | WS_GROUP, 0, "&Device:", 120, 585, 1500, 255},
    {IDC_SIM_DEVICE, "EDIT", ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE,
     DEFAULT_DEVICE, 1680, 540, 2160, 315},
    {IDC_SIM_KEYPAD, "BUTTON", BS_GROUPBOX | WS_GROUP, 0, "Keypad", 120, 960, 3720, 4950},
};
const Item AFTER_KEYS[] = {
    {IDC_SIM_FAILURES, "BUTTON", BS_GROUPBOX | WS_GROUP, 0, "Failures", 120, 6030, 3720, 900},
    {IDC_SIM_TXFAIL, "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 0, "&Transmissions fail", 300, 6285,
     3360, 255},
    {IDC_SIM_LEARNERROR, "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, "&Learn error (last error 31)", 300, 6585,
     3360, 255},
    {IDC_SIM_LBLEVENT, "STATIC", SS_LEFT | SS_NOPREFIX | WS_GROUP, 0, "Last event:", 120, 7050, 3720, 255},
    {IDC_SIM_EVENT, "STATIC", SS_LEFT | SS_NOPREFIX | SS_SUNKEN, 0, "None yet", 120, 7320, 3720, 660},
};

struct State {
    HFONT font = nullptr;
    HWND lastFocus = nullptr;
    uint32_t shownEvent = 0;  // serial of the event the line shows
};

State* stateOf(HWND hwnd)
{
    return reinterpret_cast<State*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

HWND createItem(HWND hwnd, const Item& item, HFONT font)
{
    int x = twips::toPixelsX(item.left), y = twips::toPixelsY(item.top);
    HWND child = CreateWindowExA(item.exStyle, item.cls, item.caption, WS_CHILD | WS_VISIBLE | item.style, x, y,
                                 twips::toPixelsX(item.left + item.width) - x,
                                 twips::toPixelsY(item.top + item.height) - y, hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)),
                                 GetModuleHandleA(nullptr), nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

const ir::ProtocolInfo* chosenProtocol(HWND hwnd, int* number)
{
    LRESULT index = SendDlgItemMessageA(hwnd, IDC_SIM_PROTOCOL, CB_GETCURSEL, 0, 0);
    const auto& all = ir::protocols();
    if (index < 0 || static_cast<size_t>(index) >= all.size())
        return nullptr;
    *number = static_cast<int>(index) + 1;
    return &all[static_cast<size_t>(index)];
}

// The device field's number, or a box naming the range and the focus on
// the field. A protocol without a device (Sony8) takes none.
bool readDevice(HWND hwnd, const ir::ProtocolInfo& protocol, long* device)
{
    const ir::ParamSpec* param = protocol.param("D");
    if (!param) {
        *device = 0;
        return true;
    }
    char text[32] = {};
    GetDlgItemTextA(hwnd, IDC_SIM_DEVICE, text, sizeof text);
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (param && text[0] && *end == '\0' && errno == 0 && value >= param->min && value <= param->max) {
        *device = value;
        return true;
    }
    MessageBoxA(hwnd, ("Device must be a number from " + ir::rangeText(*param) + ".").c_str(), TITLE, MB_OK);
    HWND field = GetDlgItem(hwnd, IDC_SIM_DEVICE);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
    return false;
}

// ---------------------------------------------------------------------------
// Handlers.

void Timer_Poll(HWND hwnd)
{
    State* state = stateOf(hwnd);
    simctl::Snapshot device = simctl::snapshot();
    if (!state || !device.reachable)
        return;
    // Another tool may flip the switches too: they show the device's state.
    auto showCheck = [&](int id, bool on) {
        if ((IsDlgButtonChecked(hwnd, id) == BST_CHECKED) != on)
            CheckDlgButton(hwnd, id, on ? BST_CHECKED : BST_UNCHECKED);
    };
    showCheck(IDC_SIM_TXFAIL, device.transmitFails);
    showCheck(IDC_SIM_LEARNERROR, device.learnError != 0);
    if (device.event.serial != 0 && device.event.serial != state->shownEvent) {
        state->shownEvent = device.event.serial;
        uint32_t s = device.event.secondOfDay;
        char time[16];
        std::snprintf(time, sizeof time, "%02u:%02u:%02u  ", static_cast<unsigned>(s / 3600 % 24),
                      static_cast<unsigned>(s / 60 % 60), static_cast<unsigned>(s % 60));
        SetDlgItemTextA(hwnd, IDC_SIM_EVENT, (time + device.event.text).c_str());
    }
}

void cmbProtocol_Change(HWND hwnd)
{
    int number = 0;
    const ir::ProtocolInfo* protocol = chosenProtocol(hwnd, &number);
    const ir::ParamSpec* param = protocol ? protocol->param("D") : nullptr;
    std::string caption = "&Device" + (param ? " (" + ir::rangeText(*param) + ")" : std::string(" (none)")) + ":";
    SetDlgItemTextA(hwnd, IDC_SIM_LBLDEVICE, caption.c_str());
    EnableWindow(GetDlgItem(hwnd, IDC_SIM_DEVICE), param != nullptr);
}

void key_Click(HWND hwnd, size_t index)
{
    int number = 0;
    const ir::ProtocolInfo* protocol = chosenProtocol(hwnd, &number);
    long device = 0;
    if (!protocol || index >= buttons().size() || !readDevice(hwnd, *protocol, &device))
        return;
    const Button& key = buttons()[index];
    std::string pronto, error;
    if (!keypad::render(*protocol, device, key.function, &pronto, &error)) {
        MessageBoxA(hwnd, error.c_str(), TITLE, MB_OK);
        return;
    }
    if (simctl::press(eventCode(number, device, key.function)) < 0) {
        MessageBoxA(hwnd, simctl::lastError().c_str(), TITLE, MB_OK);
        return;
    }
    // Learns that run now learn this key; with none running there is
    // nothing to aim.
    simctl::aim(pronto);
    Timer_Poll(hwnd);
}

void chkTxFail_Click(HWND hwnd)
{
    simctl::setTransmitFail(IsDlgButtonChecked(hwnd, IDC_SIM_TXFAIL) == BST_CHECKED);
}

void chkLearnError_Click(HWND hwnd)
{
    simctl::setLearnError(IsDlgButtonChecked(hwnd, IDC_SIM_LEARNERROR) == BST_CHECKED ? LEARN_ERROR : 0);
}

void Form_Load(HWND hwnd)
{
    State* state = new State;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    state->font = twips::font("MS Sans Serif", 8, false);
    for (const Item& item : BEFORE_KEYS)
        createItem(hwnd, item, state->font);
    const auto& keys = buttons();
    for (size_t i = 0; i < keys.size(); ++i) {
        // One group: the arrow keys move between the keys as in a dialog.
        Item item = {IDC_SIM_FIRST_KEY + static_cast<int>(i), "BUTTON",
                     static_cast<DWORD>(BS_PUSHBUTTON | WS_TABSTOP | (i == 0 ? WS_GROUP : 0)), 0, keys[i].caption,
                     KEY_LEFT + keys[i].column * KEY_COLUMN_STEP, KEY_TOP + keys[i].row * KEY_ROW_STEP, KEY_WIDTH,
                     KEY_HEIGHT};
        createItem(hwnd, item, state->font);
    }
    for (const Item& item : AFTER_KEYS)
        createItem(hwnd, item, state->font);

    HWND list = GetDlgItem(hwnd, IDC_SIM_PROTOCOL);
    for (const ir::ProtocolInfo& p : ir::protocols()) {
        LRESULT at = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p.name.c_str()));
        if (p.name == DEFAULT_PROTOCOL)
            SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    }
    SendDlgItemMessageA(hwnd, IDC_SIM_DEVICE, EM_LIMITTEXT, 5, 0);
    cmbProtocol_Change(hwnd);
    Timer_Poll(hwnd);
    SetTimer(hwnd, IDT_POLL, POLL_MS, nullptr);
}

void Form_Unload(HWND hwnd)
{
    KillTimer(hwnd, IDT_POLL);
    PostQuitMessage(0);
}

void onCommand(HWND hwnd, int id, int code)
{
    if (id >= IDC_SIM_FIRST_KEY && id < IDC_SIM_FIRST_KEY + static_cast<int>(buttons().size())) {
        if (code == BN_CLICKED)
            key_Click(hwnd, static_cast<size_t>(id - IDC_SIM_FIRST_KEY));
        return;
    }
    switch (id) {
    case IDOK: {
        // Enter, when the dialog keys found no default button: it presses
        // the key that has the focus, and nothing else.
        HWND focus = GetFocus();
        int focusId = focus && GetParent(focus) == hwnd ? GetDlgCtrlID(focus) : 0;
        if (focusId >= IDC_SIM_FIRST_KEY && focusId < IDC_SIM_FIRST_KEY + static_cast<int>(buttons().size()))
            key_Click(hwnd, static_cast<size_t>(focusId - IDC_SIM_FIRST_KEY));
        return;
    }
    case IDCANCEL:
        return;  // Escape: nothing to cancel, and never a way to close the window
    case IDC_SIM_PROTOCOL:
        if (code == CBN_SELCHANGE)
            cmbProtocol_Change(hwnd);
        return;
    case IDC_SIM_TXFAIL:
        if (code == BN_CLICKED)
            chkTxFail_Click(hwnd);
        return;
    case IDC_SIM_LEARNERROR:
        if (code == BN_CLICKED)
            chkLearnError_Click(hwnd);
        return;
    }
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    State* state = stateOf(hwnd);
    switch (msg) {
    case WM_CREATE:
        Form_Load(hwnd);
        return 0;
    case WM_COMMAND:
        onCommand(hwnd, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == IDT_POLL)
            Timer_Poll(hwnd);
        return 0;
    case DM_GETDEFID:
        return 0;  // no default button: Enter goes to the focused key
    case WM_NEXTDLGCTL: {
        // The dialog keys ask for the next control this way when an arrow
        // key moves within the keypad; a window that is not a dialog moves
        // the focus itself.
        HWND to = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                 : GetNextDlgTabItem(hwnd, GetFocus(), wParam != 0);
        if (to)
            SetFocus(to);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE && state) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd, focus))
                state->lastFocus = focus;
        }
        break;
    case WM_SETFOCUS:
        if (state)
            SetFocus(state->lastFocus && IsWindow(state->lastFocus) ? state->lastFocus
                                                                    : GetDlgItem(hwnd, IDC_SIM_PROTOCOL));
        return 0;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DESTROY:
        Form_Unload(hwnd);
        return 0;
    case WM_NCDESTROY:
        if (state) {
            DeleteObject(state->font);
            delete state;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        }
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    // Maps the device for the life of the process (see the top of the file).
    if (!simctl::snapshot().reachable) {
        MessageBoxA(nullptr, simctl::lastError().c_str(), TITLE, MB_OK);
        return 1;
    }
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(ICON_ID));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(ICON_ID), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_SHARED));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = CLASS_NAME;
    if (!RegisterClassExA(&wc))
        return 1;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame = {0, 0, twips::toPixelsX(CLIENT_WIDTH), twips::toPixelsY(CLIENT_HEIGHT)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND window = CreateWindowExA(0, CLASS_NAME, TITLE, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                  nullptr);
    if (!window)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1)
            break;
        if (IsDialogMessageA(window, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

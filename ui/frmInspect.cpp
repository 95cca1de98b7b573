#include "frmInspect.h"

#include <commdlg.h>

#include <cstring>

#include "app/appinfo.h"
#include "ir/ir.h"
#include "ui/forms.h"
#include "ui/geometry.h"
#include "ui/ids.h"
#include "ui/savefile.h"
#include "ui/sysdll.h"
#include "ui/twips.h"
#include "ui/waveview.h"

namespace frmInspect {

namespace {

const char CLASS_NAME[] = "PellwickInspector";
const char TITLE[] = "IR Code Inspector";

// Client area when first opened, and the smallest it may become, in twips.
const int CLIENT_WIDTH = 7170, CLIENT_HEIGHT = 5400;
const int MIN_WIDTH = 4500, MIN_HEIGHT = 4200;

// The inspector follows the code box a moment after it changes, at most
// once a frame.
const UINT_PTR FOLLOW_TIMER = 1;
const UINT FOLLOW_MS = 16;

// Controls, in tab order, by their edges in twips: a negative edge counts
// from the client area's right or bottom edge, so that the control moves or
// stretches as the window is resized.
struct Item {
    int id;
    const char* cls;
    DWORD style;
    DWORD exStyle;
    const char* caption;
    int left, top, right, bottom;
};
const Item ITEMS[] = {
    {IDC_INSPECT_LBLDECODE, "STATIC", SS_LEFT, 0, "&Decode:", 120, 150, 1020, 405},
    {IDC_INSPECT_DECODE, "EDIT", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, "", 1080, 105, -120,
     420},
    {IDC_INSPECT_LBLFACTS, "STATIC", SS_LEFT, 0, "&Facts:", 120, 540, 1020, 795},
    {IDC_INSPECT_FACTS, "EDIT", ES_READONLY | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
     WS_EX_CLIENTEDGE, "", 1080, 510, -120, 1965},
    {IDC_INSPECT_LBLWAVEFORM, "STATIC", SS_LEFT, 0, "&Waveform (zoom: wheel, + and -):", 120, 2085, 4320, 2340},
    {IDC_INSPECT_WAVEFORM, waveview::CLASS_NAME, WS_TABSTOP | WS_HSCROLL, WS_EX_CLIENTEDGE, "", 120, 2385, -120,
     -585},
    {IDC_INSPECT_COPY, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, "&Copy", -2910, -465, -1695, -120},
    {IDC_INSPECT_SAVESVG, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, "Save as S&VG...", -1575, -465, -120, -120},
};

const char NO_CODE[] = "No waveform: the code box holds no valid Pronto code.";
const char ALL_ZERO[] = "No waveform: every duration of this code is zero.";

struct State {
    HFONT font = nullptr;
    std::string text;       // the code shown
    bool parsed = false;    // whether a code has been shown yet
    bool valid = false;     // it is Pronto that parsed: signal, else error
    ir::Signal signal;
    std::string error;
    std::string pending;    // the code box's newest text, shown when the timer fires
    bool following = false; // the timer runs
    HWND lastFocus = nullptr;
};

HWND inspector = nullptr;
// Where the user left it, for the next opening in this session.
bool placeKept = false;
WINDOWPLACEMENT keptPlace;

State* stateOf(HWND hwnd)
{
    return reinterpret_cast<State*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// CR LF line ends, as an edit control shows them and the clipboard takes them.
std::string editLines(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string controlText(HWND hwnd, int id)
{
    HWND control = GetDlgItem(hwnd, id);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(control, &text[0], static_cast<int>(text.size()))));
    return text;
}

void layout(HWND hwnd)
{
    RECT client;
    GetClientRect(hwnd, &client);
    auto x = [&](int edge) { return edge < 0 ? client.right - twips::toPixelsX(-edge) : twips::toPixelsX(edge); };
    auto y = [&](int edge) { return edge < 0 ? client.bottom - twips::toPixelsY(-edge) : twips::toPixelsY(edge); };
    for (const Item& item : ITEMS) {
        int left = x(item.left), top = y(item.top), right = x(item.right), bottom = y(item.bottom);
        // Painted anew where they land: bits copied from where they were
        // may show a neighbour that moved there first.
        SetWindowPos(GetDlgItem(hwnd, item.id), nullptr, left, top, right > left ? right - left : 0,
                     bottom > top ? bottom - top : 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    }
}

void show(HWND hwnd, const std::string& text)
{
    State* state = stateOf(hwnd);
    state->text = text;
    ir::Signal signal;
    std::string error;
    bool valid = ir::parsePronto(text, &signal, &error);
    // Most edits of a code (a blank, a line break) leave it the same code:
    // then the decode, the facts and the waveform stay as they are, and
    // nothing is set or redrawn.
    if (state->parsed && valid == state->valid && (valid ? signal == state->signal : error == state->error))
        return;
    state->parsed = true;
    state->valid = valid;
    state->signal = signal;
    state->error = error;
    HWND wave = GetDlgItem(hwnd, IDC_INSPECT_WAVEFORM);
    if (valid) {
        ir::Decoded decoded = ir::decode(signal);
        ir::Waveform waveform = ir::waveform(signal);
        bool allZero = waveform.totalUs <= 0;
        std::string line = ir::decodeLine(decoded);
        if (!decoded.known() && allZero)
            line += ": every duration is zero";
        SetDlgItemTextA(hwnd, IDC_INSPECT_DECODE, line.c_str());
        SetDlgItemTextA(hwnd, IDC_INSPECT_FACTS, editLines(ir::factsText(ir::facts(signal))).c_str());
        waveview::show(wave, waveform, ALL_ZERO);
    } else {
        SetDlgItemTextA(hwnd, IDC_INSPECT_DECODE, error.c_str());
        SetDlgItemTextA(hwnd, IDC_INSPECT_FACTS, "");
        waveview::show(wave, ir::Waveform(), NO_CODE);
    }
}

// ---------------------------------------------------------------------------
// Taking away what it shows.

// The decode line and the facts, as the boxes show them.
void cmdCopy_Click(HWND hwnd)
{
    std::string text = controlText(hwnd, IDC_INSPECT_DECODE) + "\r\n" + controlText(hwnd, IDC_INSPECT_FACTS);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    char* bytes = memory ? static_cast<char*>(GlobalLock(memory)) : nullptr;
    if (bytes) {
        memcpy(bytes, text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
    }
    if (bytes && OpenClipboard(hwnd)) {
        bool set = EmptyClipboard() && SetClipboardData(CF_TEXT, memory);
        CloseClipboard();
        if (set)
            return;  // the clipboard owns the memory now
    }
    if (memory)
        GlobalFree(memory);
    MessageBoxA(hwnd, "The inspector could not copy: another program holds the clipboard. Try again.", APP_TITLE,
                MB_OK | MB_ICONEXCLAMATION);
}

// A file name from the decode: "NEC1 D=4 S=251 F=8.svg", "code.svg".
std::string suggestedName(const State* state)
{
    ir::Decoded decoded = ir::decode(state->signal);
    std::string name = decoded.known() ? ir::decodeLine(decoded) : "code";
    for (char& c : name)
        if (std::string("\\/:*?\"<>|").find(c) != std::string::npos)
            c = '_';
    return name + ".svg";
}

// The same picture as pellwick-ir plot, written whole or not at all.
void cmdSaveSvg_Click(HWND hwnd)
{
    State* state = stateOf(hwnd);
    if (!state->valid) {
        MessageBoxA(hwnd, "Nothing to save: the code box holds no valid Pronto code.", APP_TITLE, MB_OK);
        return;
    }
    ir::Signal signal = state->signal;  // the code as it was when Save was chosen
    char path[MAX_PATH] = {};
    std::string suggested = suggestedName(state);
    lstrcpynA(path, suggested.c_str(), MAX_PATH);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd;
    ofn.lpstrFilter = "SVG pictures (*.svg)\0*.svg\0All files (*.*)\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = "Save Waveform as SVG";
    ofn.lpstrDefExt = "svg";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    typedef BOOL(WINAPI * Save)(OPENFILENAMEA*);
    Save save = sysdll::function<Save>(L"comdlg32.dll", "GetSaveFileNameA");
    if (!save || !save(&ofn))
        return;
    std::string error;
    if (!savefile::writeAtomically(path, ir::plotSvg(signal), &error))
        MessageBoxA(hwnd, (std::string("Could not save ") + path + ": " + error + ".").c_str(), APP_TITLE,
                    MB_OK | MB_ICONEXCLAMATION);
}

// ---------------------------------------------------------------------------

void createControls(HWND hwnd, State* state)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    state->font = twips::font("MS Sans Serif", 8, false);
    for (const Item& item : ITEMS) {
        HWND child = CreateWindowExA(item.exStyle, item.cls, item.caption, WS_CHILD | WS_VISIBLE | item.style, 0, 0,
                                     0, 0, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance,
                                     nullptr);
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
    }
    layout(hwnd);
}

void onCommand(HWND hwnd, int id)
{
    switch (id) {
    case IDOK: {
        // Enter: a focused button does its job; elsewhere Enter does nothing.
        HWND focus = GetFocus();
        int focusId = focus && GetParent(focus) == hwnd ? GetDlgCtrlID(focus) : 0;
        if (focusId == IDC_INSPECT_COPY || focusId == IDC_INSPECT_SAVESVG)
            onCommand(hwnd, focusId);
        break;
    }
    case IDCANCEL:  // Escape
        DestroyWindow(hwnd);
        break;
    case IDC_INSPECT_COPY:
        cmdCopy_Click(hwnd);
        break;
    case IDC_INSPECT_SAVESVG:
        cmdSaveSvg_Click(hwnd);
        break;
    }
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    State* state = stateOf(hwnd);
    switch (msg) {
    case WM_CREATE:
        state = new State;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        createControls(hwnd, state);
        forms::loaded(hwnd);
        return 0;
    case WM_SIZE:
        layout(hwnd);
        return 0;
    case WM_TIMER:
        if (wParam != FOLLOW_TIMER || !state)
            break;
        KillTimer(hwnd, FOLLOW_TIMER);
        state->following = false;
        if (state->pending != state->text)
            show(hwnd, state->pending);
        return 0;
    case WM_GETMINMAXINFO: {
        RECT frame = {0, 0, twips::toPixelsX(MIN_WIDTH), twips::toPixelsY(MIN_HEIGHT)};
        AdjustWindowRectEx(&frame, GetWindowLongA(hwnd, GWL_STYLE), FALSE, GetWindowLongA(hwnd, GWL_EXSTYLE));
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = frame.right - frame.left;
        info->ptMinTrackSize.y = frame.bottom - frame.top;
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
        if (state) {
            HWND to = state->lastFocus && IsWindow(state->lastFocus) ? state->lastFocus
                                                                       : GetDlgItem(hwnd, IDC_INSPECT_DECODE);
            SetFocus(to);
        }
        return 0;
    case WM_NEXTDLGCTL: {
        // The multi-line facts box asks its parent for the next control this
        // way when it gets Tab or Shift+Tab; a window that is not a dialog
        // moves the focus itself.
        HWND to = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(hwnd, GetFocus(), wParam != 0);
        if (to) {
            SetFocus(to);
            if (SendMessageA(to, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
                SendMessageA(to, EM_SETSEL, 0, -1);
        }
        return 0;
    }
    case DM_GETDEFID:
        return 0;  // no default button: Enter goes to the focused button
    case WM_COMMAND:
        onCommand(hwnd, LOWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC: {
        // The read-only boxes keep the window colour, so that they read as
        // text to select and copy rather than as labels.
        HWND ctl = reinterpret_cast<HWND>(lParam);
        int id = GetDlgCtrlID(ctl);
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (id == IDC_INSPECT_DECODE || id == IDC_INSPECT_FACTS) {
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        keptPlace.length = sizeof keptPlace;
        placeKept = GetWindowPlacement(hwnd, &keptPlace) != FALSE;
        forms::unloaded(hwnd);
        if (inspector == hwnd)
            inspector = nullptr;
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

// Beside the main window, on its monitor, clear of the code box and its
// buttons (their group), so that the code it follows stays in sight.
RECT firstPlace(HWND owner, DWORD style)
{
    RECT frame = {0, 0, twips::toPixelsX(CLIENT_WIDTH), twips::toPixelsY(CLIENT_HEIGHT)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    RECT least = {0, 0, twips::toPixelsX(MIN_WIDTH), twips::toPixelsY(MIN_HEIGHT)};
    AdjustWindowRectEx(&least, style, FALSE, 0);
    RECT main = {}, codeBox = {};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetWindowRect(owner, &main) ||
        !GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        POINT at = forms::centredOver(owner, frame.right - frame.left, frame.bottom - frame.top);
        return {at.x, at.y, at.x + frame.right - frame.left, at.y + frame.bottom - frame.top};
    }
    HWND group = GetDlgItem(owner, IDC_FRAME2);
    if (!group || !GetWindowRect(group, &codeBox))
        codeBox = main;
    geometry::Box b = geometry::beside(geometry::boxOf(monitor.rcWork), geometry::boxOf(main),
                                       geometry::boxOf(codeBox), frame.right - frame.left, frame.bottom - frame.top,
                                       least.right - least.left, least.bottom - least.top, false);
    return {b.left, b.top, b.right, b.bottom};
}

}  // namespace

void open(HWND owner, const std::string& text)
{
    if (inspector) {
        if (IsIconic(inspector))
            ShowWindow(inspector, SW_RESTORE);
        SetForegroundWindow(inspector);
        follow(text);
        return;
    }
    if (!forms::registerClass(CLASS_NAME, WndProc) || !waveview::registerClass())
        return;
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT at = firstPlace(owner, style);
    inspector = CreateWindowExA(0, CLASS_NAME, TITLE, style, at.left, at.top, at.right - at.left,
                                at.bottom - at.top, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!inspector)
        return;
    show(inspector, text);
    if (placeKept) {
        // Where and as large as it was when closed, shown normally.
        keptPlace.flags = 0;
        keptPlace.showCmd = SW_SHOWNORMAL;
        SetWindowPlacement(inspector, &keptPlace);
    }
    ShowWindow(inspector, SW_SHOWNORMAL);
}

void follow(const std::string& text)
{
    State* state = inspector ? stateOf(inspector) : nullptr;
    if (!state)
        return;
    state->pending = text;
    if (state->following)
        return;
    // The box answers the keystroke first: the inspector catches up when
    // the timer fires, whose message comes after every other, so a burst of
    // typing or a held key costs one update a frame, not one a character.
    // Setting the facts box's text is slow where its scroll bar is costly
    // to update (about 13 ms under Wine), too slow for every keystroke.
    if (SetTimer(inspector, FOLLOW_TIMER, FOLLOW_MS, nullptr))
        state->following = true;
    else if (state->text != text)
        show(inspector, text);  // no timer to be had: at once
}

bool isDialogMessage(MSG* msg)
{
    if (!inspector)
        return false;
    // The wheel over the waveform zooms it, whichever window has the focus.
    if (msg->message == WM_MOUSEWHEEL) {
        POINT at = {static_cast<short>(LOWORD(msg->lParam)), static_cast<short>(HIWORD(msg->lParam))};
        HWND wave = GetDlgItem(inspector, IDC_INSPECT_WAVEFORM);
        if (WindowFromPoint(at) == wave) {
            SendMessageA(wave, WM_MOUSEWHEEL, msg->wParam, msg->lParam);
            return true;
        }
    }
    return (msg->hwnd == inspector || IsChild(inspector, msg->hwnd)) && IsDialogMessageA(inspector, msg);
}

}  // namespace frmInspect

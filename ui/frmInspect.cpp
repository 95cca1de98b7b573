#include "frmInspect.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "ir/ir.h"
#include "ui/forms.h"
#include "ui/ids.h"
#include "ui/twips.h"

namespace frmInspect {

namespace {

const char CLASS_NAME[] = "PellwickInspector";
const char WAVE_CLASS[] = "PellwickWaveform";
const char TITLE[] = "IR Code Inspector";

// Client area when opened, and the smallest it may become, in twips.
const int CLIENT_WIDTH = 7170, CLIENT_HEIGHT = 4800;
const int MIN_WIDTH = 4500, MIN_HEIGHT = 3300;
const int MARGIN = 120;

// The inspector follows the code box a moment after it changes, at most
// once a frame.
const UINT_PTR FOLLOW_TIMER = 1;
const UINT FOLLOW_MS = 16;

// Controls, in tab order. A width or height of 0 stretches to the client
// area's right or bottom edge, less the margin, as the window is resized.
struct Item {
    int id;
    const char* cls;
    DWORD style;
    DWORD exStyle;
    const char* caption;
    int left, top, width, height;
};
const Item ITEMS[] = {
    {IDC_INSPECT_LBLDECODE, "STATIC", SS_LEFT | SS_NOPREFIX, 0, "Decode:", 120, 150, 900, 255},
    {IDC_INSPECT_DECODE, "EDIT", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, "",
     1080, 105, 0, 315},
    {IDC_INSPECT_LBLFACTS, "STATIC", SS_LEFT | SS_NOPREFIX, 0, "Facts:", 120, 540, 900, 255},
    {IDC_INSPECT_FACTS, "EDIT",
     ES_READONLY | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, "",
     1080, 510, 0, 1455},
    {IDC_INSPECT_WAVEFORM, WAVE_CLASS, 0, WS_EX_CLIENTEDGE, "", 120, 2085, 0, 0},
};

struct State {
    HFONT font = nullptr;
    std::string text;       // the code shown
    bool parsed = false;    // whether a code has been shown yet
    bool valid = false;     // it is Pronto that parsed: signal, else error
    ir::Signal signal;
    std::string error;
    ir::Waveform waveform;  // what the waveform control draws
    std::string pending;    // the code box's newest text, shown when the timer fires
    bool following = false; // the timer runs
    HWND lastFocus = nullptr;
};

HWND inspector = nullptr;

State* stateOf(HWND hwnd)
{
    return reinterpret_cast<State*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// CR LF line ends, as an edit control shows them.
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

void layout(HWND hwnd)
{
    RECT client;
    GetClientRect(hwnd, &client);
    for (const Item& item : ITEMS) {
        int left = twips::toPixelsX(item.left), top = twips::toPixelsY(item.top);
        int right = item.width ? twips::toPixelsX(item.left + item.width)
                               : client.right - twips::toPixelsX(MARGIN);
        int bottom = item.height ? twips::toPixelsY(item.top + item.height)
                                 : client.bottom - twips::toPixelsY(MARGIN);
        MoveWindow(GetDlgItem(hwnd, item.id), left, top, right > left ? right - left : 0,
                   bottom > top ? bottom - top : 0, TRUE);
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
    if (valid) {
        SetDlgItemTextA(hwnd, IDC_INSPECT_DECODE, ir::decodeLine(ir::decode(signal)).c_str());
        SetDlgItemTextA(hwnd, IDC_INSPECT_FACTS,
                        editLines(ir::factsText(ir::facts(signal))).c_str());
        state->waveform = ir::waveform(signal);
    } else {
        SetDlgItemTextA(hwnd, IDC_INSPECT_DECODE, error.c_str());
        SetDlgItemTextA(hwnd, IDC_INSPECT_FACTS, "");
        state->waveform = ir::Waveform();
    }
    InvalidateRect(GetDlgItem(hwnd, IDC_INSPECT_WAVEFORM), nullptr, FALSE);
}

// ---------------------------------------------------------------------------
// The waveform: marks as bars over a time axis in ms, the once part in the
// highlight colour and the repeat part in green, a dotted line where the
// repeat part begins. Painted from the stored geometry, to the control's
// width, whenever it shows.

// A step of 1, 2 or 5 times a power of ten that gives at most maxTicks ticks.
double tickStepMs(double totalMs, int maxTicks)
{
    if (totalMs <= 0 || maxTicks < 1)
        return 1;
    double raw = totalMs / maxTicks;
    double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
            return m * power;
    return 10 * power;
}

void paintWaveform(HWND wave, HDC dc)
{
    RECT client;
    GetClientRect(wave, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    HWND owner = GetParent(wave);
    State* state = owner ? stateOf(owner) : nullptr;
    if (!state)
        return;
    HGDIOBJ oldFont = SelectObject(dc, state->font);
    SetBkMode(dc, TRANSPARENT);
    const ir::Waveform& w = state->waveform;
    if (w.totalUs <= 0) {
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextA(dc, "No waveform: the code box holds no valid Pronto code.", -1, &client,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, oldFont);
        return;
    }

    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    int pad = twips::toPixelsX(90);
    int left = client.left + pad, right = client.right - pad;
    int top = client.top + pad + tm.tmHeight;  // room for the legend
    int axis = client.bottom - pad - tm.tmHeight - twips::toPixelsY(60);
    if (right <= left || axis <= top) {
        SelectObject(dc, oldFont);
        return;
    }
    double scale = (right - left) / w.totalUs;

    // Legend.
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    TextOutA(dc, left, client.top + pad / 2, "once", 4);
    SIZE once;
    GetTextExtentPoint32A(dc, "once  ", 6, &once);
    SetTextColor(dc, RGB(0, 128, 0));
    TextOutA(dc, left + once.cx, client.top + pad / 2, "repeat", 6);

    HBRUSH onceBrush = GetSysColorBrush(COLOR_HIGHLIGHT);
    HBRUSH repeatBrush = CreateSolidBrush(RGB(0, 128, 0));
    for (const ir::MarkBar& m : w.marks) {
        RECT bar;
        bar.left = left + static_cast<LONG>(std::floor(m.startUs * scale));
        bar.right = left + static_cast<LONG>(std::ceil(m.endUs * scale));
        if (bar.right <= bar.left)
            bar.right = bar.left + 1;  // every mark shows, however short
        bar.top = top;
        bar.bottom = axis;
        FillRect(dc, &bar, m.repeat ? repeatBrush : onceBrush);
    }
    DeleteObject(repeatBrush);

    HPEN axisPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ oldPen = SelectObject(dc, axisPen);
    MoveToEx(dc, left, axis, nullptr);
    LineTo(dc, right, axis);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    double totalMs = w.totalUs / 1000;
    SIZE label;
    GetTextExtentPoint32A(dc, "000.0 ms", 8, &label);
    int maxTicks = (right - left) / (label.cx + pad);
    double step = tickStepMs(totalMs, maxTicks > 1 ? maxTicks : 1);
    for (int i = 0; i * step <= totalMs + 1e-9; ++i) {
        double ms = i * step;
        int x = left + static_cast<int>(std::lround(ms * 1000 * scale));
        MoveToEx(dc, x, axis, nullptr);
        LineTo(dc, x, axis + twips::toPixelsY(60));
        char text[32];
        std::snprintf(text, sizeof text, step < 1 ? "%.1f ms" : "%.0f ms", ms);
        TextOutA(dc, x, axis + twips::toPixelsY(60), text, static_cast<int>(strlen(text)));
    }
    SelectObject(dc, oldPen);
    DeleteObject(axisPen);

    if (w.repeatStartUs > 0 && w.repeatStartUs < w.totalUs) {
        HPEN dotted = CreatePen(PS_DOT, 1, GetSysColor(COLOR_WINDOWTEXT));
        oldPen = SelectObject(dc, dotted);
        int x = left + static_cast<int>(std::lround(w.repeatStartUs * scale));
        MoveToEx(dc, x, top, nullptr);
        LineTo(dc, x, axis);
        SelectObject(dc, oldPen);
        DeleteObject(dotted);
    }
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK WaveProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_PAINT: {
        // Drawn into a bitmap, then copied to the screen in one go: no
        // flicker, and a long code's many bars cost one transfer, not one
        // each.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr;
        if (bitmap) {
            HGDIOBJ old = SelectObject(memory, bitmap);
            paintWaveform(hwnd, memory);
            BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteObject(bitmap);
        } else {
            paintWaveform(hwnd, dc);
        }
        if (memory)
            DeleteDC(memory);
        EndPaint(hwnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------------------

void createControls(HWND hwnd, State* state)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    state->font = twips::font("MS Sans Serif", 8, false);
    for (const Item& item : ITEMS) {
        HWND child = CreateWindowExA(item.exStyle, item.cls, item.caption,
                                     WS_CHILD | WS_VISIBLE | item.style, 0, 0, 0, 0, hwnd,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)),
                                     instance, nullptr);
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
    }
    layout(hwnd);
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
        AdjustWindowRectEx(&frame, GetWindowLongA(hwnd, GWL_STYLE), FALSE,
                           GetWindowLongA(hwnd, GWL_EXSTYLE));
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
            HWND to = state->lastFocus && IsWindow(state->lastFocus)
                          ? state->lastFocus
                          : GetDlgItem(hwnd, IDC_INSPECT_DECODE);
            SetFocus(to);
        }
        return 0;
    case DM_GETDEFID:
        return 0;  // no default button: Enter does nothing here
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)  // Escape
            DestroyWindow(hwnd);
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
    if (!forms::registerClass(CLASS_NAME, WndProc) || !forms::registerClass(WAVE_CLASS, WaveProc))
        return;
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT frame = {0, 0, twips::toPixelsX(CLIENT_WIDTH), twips::toPixelsY(CLIENT_HEIGHT)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    POINT at = forms::centredOver(owner, width, height);
    inspector = CreateWindowExA(0, CLASS_NAME, TITLE, style, at.x, at.y, width, height, owner,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!inspector)
        return;
    show(inspector, text);
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
    return inspector && (msg->hwnd == inspector || IsChild(inspector, msg->hwnd)) &&
           IsDialogMessageA(inspector, msg);
}

}  // namespace frmInspect

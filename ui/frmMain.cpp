// The main window's layout, window procedure and display helpers.
#include "frmMain.h"

#include <vector>

#include "app/Module1.h"
#include "ui/bars.h"
#include "ui/forms.h"
#include "ui/frmAbout.h"
#include "ui/ids.h"
#include "ui/twips.h"

namespace {

const char MAIN_CLASS[] = "PellwickMain";
const char BAR_CLASS[] = "PellwickBar";
const char MAIN_TITLE[] = "Tavrix Pellwick Utility";

// Client area of the main window, in twips.
const int CLIENT_WIDTH = 7170;
const int CLIENT_HEIGHT = 6390;

// Outer sizes of the two bars, in twips: their geometry is computed from these.
const int PROGRESS_BOX_WIDTH = 4935;
const int QUALITY_BOX_HEIGHT = 1575;

enum Kind { GROUP, LABEL, CENTRED_LABEL, BUTTON, CODE_BOX, PROGRESS_BAR, QUALITY_BAR };

struct Group {
    int id, left, top;
};
const Group FRAME1 = {IDC_FRAME1, 4320, 120};
const Group FRAME2 = {IDC_FRAME2, 120, 1080};
const Group FRAME3 = {IDC_FRAME3, 120, 120};
const Group FRAME4 = {IDC_FRAME4, 120, 3720};
const Group CLIENT = {0, 0, 0};

struct Placement {
    int id;
    Kind kind;
    const char* caption;
    const Group* group;  // positions are relative to this group
    int left, top, width, height;
    bool visible;
};

// In tab order: Tab moves the focus through the controls in this order.
const Placement LAYOUT[] = {
    {IDC_FRAME1, GROUP, "Received Tavro Event Code:", &CLIENT, 4320, 120, 2775, 855, true},
    {IDC_LBLTAVROCODE, CENTRED_LABEL, "------------", &FRAME1, 120, 240, 2535, 495, true},
    {IDC_FRAME2, GROUP, "IR Code (Pronto Format):", &CLIENT, 120, 1080, 6975, 2535, true},
    {IDC_TBCURCODE, CODE_BOX, "", &FRAME2, 120, 360, 6735, 1575, true},
    {IDC_CBTRANSMITIRCODE, BUTTON, "Test Transmit IR Code", &FRAME2, 2040, 2040, 1815, 375, true},
    {IDC_FRAME3, GROUP, "Tavrix Info:", &CLIENT, 120, 120, 4095, 855, true},
    {IDC_LBLINFO, LABEL, "", &FRAME3, 120, 240, 3855, 375, true},
    {IDC_CBLEARNIRCODE, BUTTON, "Learn an IR Code", &FRAME2, 120, 2040, 1815, 375, true},
    {IDC_FRAME4, GROUP, "Learn Status:", &CLIENT, 120, 3720, 6975, 2535, true},
    {IDC_CBINJECTIR, BUTTON, "Inject IR Code Above", &FRAME4, 240, 2040, 1815, 375, false},
    {IDC_LBLCARRIER, LABEL, "Carrier Frequency:", &FRAME4, 2760, 1440, 1335, 255, false},
    {IDC_LBLLRNPROGRESS, LABEL, "Learn Progress:", &FRAME4, 240, 1440, 1575, 255, false},
    {IDC_CBLEARNASBURST, BUTTON, "Accept Burst", &FRAME4, 2280, 2040, 1335, 375, false},
    {IDC_CBLEARNCANCEL, BUTTON, "Cancel", &FRAME4, 3840, 2040, 1335, 375, false},
    {IDC_PBSIGQUALITY, QUALITY_BAR, "", &FRAME4, 5400, 840, 375, QUALITY_BOX_HEIGHT, false},
    {IDC_LBLSIGQUALITY, CENTRED_LABEL, "Signal Quality:", &FRAME4, 5160, 240, 735, 495, false},
    {IDC_LBLCARRIERFREQ, LABEL, "---", &FRAME4, 4440, 1440, 615, 255, false},
    {IDC_LBLINSTRUCT1, LABEL,
     "1. Aim Remote directly at Tavrix approximately 6 inches from Tavrix face.", &FRAME4, 360,
     360, 3255, 735, false},
    {IDC_LBLINSTRUCT2, LABEL,
     "2. PRESS and HOLD the desired button on your Remote until Learning is Complete...",
     &FRAME4, 360, 840, 3255, 495, false},
    {IDC_LBLLRNSTATUS, LABEL, "", &FRAME4, 240, 480, 1335, 375, true},
    {IDC_PBLEARNPROGRESS3, PROGRESS_BAR, "", &FRAME4, 240, 1680, PROGRESS_BOX_WIDTH, 255, false},
};

// ---------------------------------------------------------------------------
// The segmented bars paint from the last reported value, so a covered or
// minimised window shows them again as they were.

struct BarState {
    bool vertical;
    bool hasValue;
    int value;
};

BarState* barState(HWND bar)
{
    return reinterpret_cast<BarState*>(GetWindowLongPtrA(bar, GWLP_USERDATA));
}

// Fractional segment edges are taken to whole pixels, both ends included.
RECT segmentRect(const bars::Segment& s)
{
    RECT r;
    r.left = static_cast<LONG>(bars::nearest(s.left));
    r.top = static_cast<LONG>(bars::nearest(s.top));
    r.right = static_cast<LONG>(bars::nearest(s.right)) + 1;
    r.bottom = static_cast<LONG>(bars::nearest(s.bottom)) + 1;
    return r;
}

void paintBar(HWND bar, HDC dc)
{
    RECT client;
    GetClientRect(bar, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    BarState* state = barState(bar);
    if (!state || !state->hasValue)
        return;
    // Enough segments to cover the box; the rest would be clipped anyway.
    const int MAX_SEGMENTS = 64;
    std::vector<bars::Segment> lit;
    if (state->vertical)
        lit = bars::qualitySegments(
            state->value, bars::qualityGeometry(QUALITY_BOX_HEIGHT, twips::perPixelY()),
            MAX_SEGMENTS);
    else
        lit = bars::progressSegments(
            state->value, bars::progressGeometry(PROGRESS_BOX_WIDTH, twips::perPixelX()),
            MAX_SEGMENTS);
    HBRUSH highlight = GetSysColorBrush(COLOR_HIGHLIGHT);
    for (const bars::Segment& s : lit) {
        RECT r = segmentRect(s);
        FillRect(dc, &r, highlight);
    }
}

LRESULT CALLBACK BarWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCCREATE: {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* state = new BarState{create->lpCreateParams != nullptr, false, 0};
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        break;
    }
    case WM_NCDESTROY:
        delete barState(hwnd);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        break;
    case WM_SHOWWINDOW:
        // A box that comes back into view starts blank until the next report.
        if (wParam && barState(hwnd))
            barState(hwnd)->hasValue = false;
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        paintBar(hwnd, dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void drawBar(HWND bar, int value)
{
    BarState* state = barState(bar);
    if (!state)
        return;
    state->hasValue = true;
    state->value = value;
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

bool registerClasses(HINSTANCE instance)
{
    WNDCLASSEXA main = {};
    main.cbSize = sizeof main;
    main.lpfnWndProc = FrmMain::WndProc;
    main.hInstance = instance;
    main.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PELLWICK));
    main.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_PELLWICK),
                                                 IMAGE_ICON, 16, 16, 0));
    main.hCursor = LoadCursor(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    main.lpszClassName = MAIN_CLASS;
    if (!RegisterClassExA(&main) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;

    WNDCLASSEXA bar = {};
    bar.cbSize = sizeof bar;
    bar.lpfnWndProc = BarWndProc;
    bar.hInstance = instance;
    bar.hCursor = LoadCursor(nullptr, IDC_ARROW);
    bar.lpszClassName = BAR_CLASS;
    if (!RegisterClassExA(&bar) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    return true;
}

HMENU createMenuBar()
{
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, IDM_FILEEXIT, "E&xit");
    HMENU transmit = CreatePopupMenu();
    AppendMenuA(transmit, MF_STRING, IDM_TRANSMITTXBLOCK, "&IR Code in Window");
    HMENU learn = CreatePopupMenu();
    AppendMenuA(learn, MF_STRING, IDM_LEARNIRLEARNPRONTO, "in &Pronto Format");
    AppendMenuA(learn, MF_STRING | MF_GRAYED, IDM_LRNINJECT, "&Inject IR Code from Window");
    HMENU code = CreatePopupMenu();
    AppendMenuA(code, MF_STRING, IDM_CODEINSPECT, "&Inspect...");
    AppendMenuA(code, MF_STRING, IDM_CODEGENERATE, "&Generate...");
    AppendMenuA(code, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(code, MF_STRING, IDM_CODELIBRARY, "&Library...");
    HMENU help = CreatePopupMenu();
    AppendMenuA(help, MF_STRING, IDM_HELPABOUT, "&About ");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(transmit), "&Transmit");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(learn), "&Learn");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(code), "&Code");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    return bar;
}

const int TRANSMIT_MENU_POSITION = 1;

}  // namespace

// ---------------------------------------------------------------------------

HWND FrmMain::create(HINSTANCE instance)
{
    if (!registerClasses(instance))
        return nullptr;

    const DWORD style = WS_OVERLAPPEDWINDOW;
    HMENU menu = createMenuBar();
    RECT frame = {0, 0, twips::toPixelsX(CLIENT_WIDTH), twips::toPixelsY(CLIENT_HEIGHT)};
    AdjustWindowRectEx(&frame, style, TRUE, 0);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

    hwnd_ = CreateWindowExA(0, MAIN_CLASS, MAIN_TITLE, style, x, y, width, height, nullptr, menu,
                            instance, this);
    if (!hwnd_) {
        DestroyMenu(menu);
        return nullptr;
    }
    forms::loaded(hwnd_);
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconA(instance, MAKEINTRESOURCEA(IDI_PELLWICK))));

    // The menu bar may wrap on a narrow screen: size the client area again.
    RECT client;
    GetClientRect(hwnd_, &client);
    int missing = twips::toPixelsY(CLIENT_HEIGHT) - (client.bottom - client.top);
    if (missing != 0)
        SetWindowPos(hwnd_, nullptr, 0, 0, width, height + missing,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    createControls();
    SetTimer(hwnd_, IDT_TIMER1, 100, nullptr);
    return hwnd_;
}

void FrmMain::createControls()
{
    dialogFont_ = twips::font("MS Sans Serif", 8, false);
    tavroCodeFont_ = twips::font("MS Sans Serif", 18, false);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd_, GWLP_HINSTANCE));

    for (const Placement& p : LAYOUT) {
        const char* cls = "STATIC";
        DWORD style = WS_CHILD | (p.visible ? WS_VISIBLE : 0);
        DWORD exStyle = 0;
        void* param = nullptr;
        switch (p.kind) {
        case GROUP:
            cls = "BUTTON";
            style |= BS_GROUPBOX;
            break;
        case LABEL:
            style |= SS_LEFT | SS_NOPREFIX;
            break;
        case CENTRED_LABEL:
            style |= SS_CENTER | SS_NOPREFIX;
            break;
        case BUTTON:
            cls = "BUTTON";
            style |= BS_PUSHBUTTON | WS_TABSTOP;
            break;
        case CODE_BOX:
            cls = "EDIT";
            style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case PROGRESS_BAR:
        case QUALITY_BAR:
            cls = BAR_CLASS;
            exStyle = WS_EX_CLIENTEDGE;
            param = p.kind == QUALITY_BAR ? this : nullptr;  // non-null marks the vertical bar
            break;
        }
        int left = twips::toPixelsX(p.group->left + p.left);
        int top = twips::toPixelsY(p.group->top + p.top);
        int right = twips::toPixelsX(p.group->left + p.left + p.width);
        int bottom = twips::toPixelsY(p.group->top + p.top + p.height);
        HWND child = CreateWindowExA(exStyle, cls, p.caption, style, left, top, right - left,
                                     bottom - top, hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.id)),
                                     instance, param);
        if (!child)
            continue;
        HFONT font = p.id == IDC_LBLTAVROCODE ? tavroCodeFont_ : dialogFont_;
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    // Groups go to the bottom of the z-order so that they never paint over
    // the controls they hold.
    for (int group : {IDC_FRAME1, IDC_FRAME2, IDC_FRAME3, IDC_FRAME4})
        SetWindowPos(control(group), HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // The code box takes any length of text; the default limit would cut a
    // long paste short without telling anyone.
    SendMessageA(control(IDC_TBCURCODE), EM_SETLIMITTEXT, 0, 0);
}

LRESULT CALLBACK FrmMain::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    FrmMain* self = reinterpret_cast<FrmMain*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<FrmMain*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return self->handleMessage(msg, wParam, lParam);
}

LRESULT FrmMain::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == IDT_TIMER1)
            Timer1_Timer();
        return 0;
    case WM_CTLCOLORSTATIC:
        return onCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
        if (forms::showBusyPointer())
            return TRUE;
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd_, focus))
                lastFocus_ = focus;
        }
        break;
    case WM_SETFOCUS: {
        // Like a dialog, the window hands the focus on to a control: the
        // one that had it last, or the first in tab order.
        HWND to = lastFocus_;
        if (!to || !IsChild(hwnd_, to) || !isVisible(GetDlgCtrlID(to)) || !IsWindowEnabled(to))
            to = nextTabStop(nullptr, false);
        if (to)
            SetFocus(to);
        return 0;
    }
    case WM_CLOSE:
        unload();
        DestroyWindow(hwnd_);
        return 0;
    case WM_ENDSESSION:
        if (wParam)
            unload();
        return 0;
    case WM_DESTROY:
        unload();
        KillTimer(hwnd_, IDT_TIMER1);
        forms::unloaded(hwnd_);
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        DeleteObject(dialogFont_);
        DeleteObject(tavroCodeFont_);
        dialogFont_ = tavroCodeFont_ = nullptr;
        break;
    }
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

void FrmMain::onCommand(int id, int code)
{
    switch (id) {
    case IDC_TBCURCODE:
        // The program's own text changes run the check themselves (a
        // multi-line box does not report them), exactly once.
        if (code == EN_CHANGE && !settingCodeText_)
            tbCurCode_Change();
        return;
    case IDC_CBLEARNIRCODE: if (code == BN_CLICKED) cbLearnIRCode_Click(); return;
    case IDC_CBTRANSMITIRCODE: if (code == BN_CLICKED) cbTransmitIRCode_Click(); return;
    case IDC_CBINJECTIR: if (code == BN_CLICKED) cbInjectIR_Click(); return;
    case IDC_CBLEARNASBURST: if (code == BN_CLICKED) cbLearnAsBurst_Click(); return;
    case IDC_CBLEARNCANCEL: if (code == BN_CLICKED) cbLearnCancel_Click(); return;
    case IDM_FILEEXIT: mnuFileExit_Click(); return;
    case IDM_TRANSMITTXBLOCK: mnuTransmitTXBlock_Click(); return;
    case IDM_LEARNIRLEARNPRONTO: mnuLearnIRLearnPronto_Click(); return;
    case IDM_LRNINJECT: mnuLrnInject_Click(); return;
    case IDM_HELPABOUT: mnuHelpAbout_Click(); return;
    case IDM_CODEINSPECT: mnuCodeInspect_Click(); return;
    case IDM_CODEGENERATE: mnuCodeGenerate_Click(); return;
    case IDM_CODELIBRARY: mnuCodeLibrary_Click(); return;
    }
}

LRESULT FrmMain::onCtlColorStatic(HDC dc, HWND ctl)
{
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, ctl == control(IDC_LBLTAVROCODE) ? tavroCodeColor_
                                                       : GetSysColor(COLOR_BTNTEXT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void FrmMain::unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    Form_Unload();
}

// ---------------------------------------------------------------------------
// Keyboard.
//
// The main window is not a dialog: it has no default or cancel button, and
// its multi-line code box takes Enter for line breaks. So the dialog manager
// is not used here (it would make the box close the window on Escape and
// keep Tab inside it); the window handles the few keys a form needs itself.

bool FrmMain::translateKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || !hwnd_ || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)))
        return false;
    bool alt = GetKeyState(VK_MENU) < 0;
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (msg.wParam) {
    case VK_TAB: {
        // Ctrl+Tab is left to the code box, which types a tab with it.
        if (alt || ctrl)
            return false;
        HWND to = nextTabStop(GetFocus(), GetKeyState(VK_SHIFT) < 0);
        if (to)
            SetFocus(to);
        return true;
    }
    case VK_ESCAPE:
        // Nothing to cancel in the main window; never a way to close it.
        return true;
    case VK_RETURN: {
        HWND focus = GetFocus();
        if (!focus || GetParent(focus) != hwnd_ || alt || ctrl)
            return false;
        char cls[16] = {};
        GetClassNameA(focus, cls, sizeof cls);
        LONG type = GetWindowLongA(focus, GWL_STYLE) & BS_TYPEMASK;
        if (lstrcmpiA(cls, "Button") != 0 || (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON))
            return false;  // the code box takes Enter as a line break
        // A held key presses the button once, not once per repeat.
        if (!(msg.lParam & (1L << 30)))
            SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                         reinterpret_cast<LPARAM>(focus));
        return true;
    }
    }
    return false;
}

HWND FrmMain::nextTabStop(HWND from, bool backward) const
{
    const int count = static_cast<int>(sizeof LAYOUT / sizeof LAYOUT[0]);
    int start = backward ? 0 : count - 1;  // so that the first step lands on an end
    for (int i = 0; i < count; ++i)
        if (from && control(LAYOUT[i].id) == from)
            start = i;
    for (int step = 1; step <= count; ++step) {
        int i = ((start + (backward ? -step : step)) % count + count) % count;
        HWND candidate = control(LAYOUT[i].id);
        if (!candidate || candidate == from)
            continue;
        LONG style = GetWindowLongA(candidate, GWL_STYLE);
        if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED))
            return candidate;
    }
    return nullptr;
}

void FrmMain::moveFocusFrom(HWND ctl)
{
    if (!ctl || GetFocus() != ctl)
        return;
    if (HWND to = nextTabStop(ctl, false))
        SetFocus(to);
}

// ---------------------------------------------------------------------------
// Display helpers used by the relay window and the handlers.

void FrmMain::showReceivedCode(const std::string& code)
{
    setCaption(IDC_LBLTAVROCODE, code);
    tavroCodeColor_ = RGB(255, 0, 0);
    InvalidateRect(control(IDC_LBLTAVROCODE), nullptr, TRUE);
    SetTimer(hwnd_, IDT_TIMER1, 100, nullptr);  // restarts a running timer too
}

void FrmMain::Timer1_Timer()
{
    tavroCodeColor_ = RGB(0, 0, 0);
    InvalidateRect(control(IDC_LBLTAVROCODE), nullptr, TRUE);
    KillTimer(hwnd_, IDT_TIMER1);
}

void FrmMain::DrawLearnProgress(int progress)
{
    drawBar(control(IDC_PBLEARNPROGRESS3), progress);
}

void FrmMain::DrawSignalQuality(int quality)
{
    drawBar(control(IDC_PBSIGQUALITY), quality);
}

void FrmMain::showCarrierFrequency(const std::string& caption)
{
    setCaption(IDC_LBLCARRIERFREQ, caption);
}

void FrmMain::enableAcceptBurst(bool enabled)
{
    setEnabled(IDC_CBLEARNASBURST, enabled);
}

void FrmMain::setVisible(int id, bool visible)
{
    if (!visible)
        moveFocusFrom(control(id));
    ShowWindow(control(id), visible ? SW_SHOWNA : SW_HIDE);
}

void FrmMain::setEnabled(int id, bool enabled)
{
    if (!enabled)
        moveFocusFrom(control(id));
    EnableWindow(control(id), enabled ? TRUE : FALSE);
}

bool FrmMain::isVisible(int id) const
{
    return (GetWindowLongA(control(id), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool FrmMain::isEnabled(int id) const
{
    return IsWindowEnabled(control(id)) != FALSE;
}

void FrmMain::setCaption(int id, const std::string& text)
{
    SetWindowTextA(control(id), text.c_str());
}

void FrmMain::enableTransmitMenu(bool enabled)
{
    HMENU bar = GetMenu(hwnd_);
    DWORD previous = EnableMenuItem(bar, TRANSMIT_MENU_POSITION,
                                    MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    // Redrawing the menu bar costs milliseconds and the check runs on every
    // keystroke: redraw only when the menu really changed.
    bool wasEnabled = previous != static_cast<DWORD>(-1) && !(previous & (MF_GRAYED | MF_DISABLED));
    if (previous == static_cast<DWORD>(-1) || wasEnabled != enabled)
        DrawMenuBar(hwnd_);
}

void FrmMain::enableMenuItem(UINT id, bool enabled)
{
    EnableMenuItem(GetMenu(hwnd_), id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

std::string FrmMain::codeBoxText() const
{
    HWND box = control(IDC_TBCURCODE);
    int length = GetWindowTextLengthW(box);
    if (length <= 0)
        return std::string();
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(box, &wide[0], length + 1);
    if (got <= 0)
        return std::string();
    // Characters without a single-byte form become the code page's default
    // character, as the driver expects ANSI text.
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), got, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string text(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), got, &text[0], bytes, nullptr, nullptr);
    return text;
}

void FrmMain::setCodeBoxText(const std::string& text)
{
    if (codeBoxText() == text)
        return;  // no change, so no check
    settingCodeText_ = true;
    SetWindowTextA(control(IDC_TBCURCODE), text.c_str());
    settingCodeText_ = false;
    tbCurCode_Change();
}

void FrmMain::mnuHelpAbout_Click()
{
    frmAbout::showModal(hwnd_);
}

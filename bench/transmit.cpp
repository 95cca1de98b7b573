// Row 5: what a transmission costs beyond the driver's own time: the busy
// pointer, showing and hiding the transmit window, and getting the click to
// the program and the program back to its message loop.
#include "bench.h"
#include "sim/simctl.h"
#include "ui/ids.h"

namespace bench {

namespace {

// Posts the message that starts a transmission and waits until the program
// is back from it; the time from the post, or -1 on timeout.
double timedTransmit(HWND main, HWND target, UINT msg, WPARAM wParam)
{
    uint32_t before = simctl::snapshot().transmissions;
    double start = nowMs();
    PostMessageA(target, msg, wParam, 0);
    // The driver counts the transmission as it begins; from then on the
    // program's thread is inside the click, so a message sent now is
    // answered only when the click is over.
    while (simctl::snapshot().transmissions == before) {
        if (nowMs() - start > 5000)
            return -1;
        SwitchToThread();
    }
    if (!roundTrip(main, 10000))
        return -1;
    return nowMs() - start;
}

}  // namespace

double clickTransmit(HWND main, HWND button)
{
    return timedTransmit(main, button, BM_CLICK, 0);
}

double menuTransmit(HWND main)
{
    return timedTransmit(main, main, WM_COMMAND, MAKEWPARAM(IDM_TRANSMITTXBLOCK, 0));
}

namespace {

// The transmit window's part, played by this process with windows like the
// program's: an active main window with Pellwick's menu bar and size, and a
// window like the transmit window (style, size, bold label) shown, painted
// and hidden again around nothing, with the busy pointer. showCommand is
// how the transmit window is shown: SW_SHOWNORMAL (as the program does)
// takes the activation from the main window and gives it back when hidden.
struct LookAlike {
    HWND main = nullptr, transmit = nullptr;
    HFONT font = nullptr;

    LookAlike()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "PellwickBenchLookAlike";
        RegisterClassA(&wc);
        HMENU bar = CreateMenu();
        for (const char* caption : {"&File", "&Transmit", "&Learn", "&Help"}) {
            HMENU popup = CreatePopupMenu();
            AppendMenuA(popup, MF_STRING, 1, "item");
            AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), caption);
        }
        RECT frame = {0, 0, 478, 426};
        AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, TRUE, 0);
        main = CreateWindowExA(0, wc.lpszClassName, "main window", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               100, 100, frame.right - frame.left, frame.bottom - frame.top,
                               nullptr, bar, wc.hInstance, nullptr);
        const DWORD style = WS_OVERLAPPED | WS_CAPTION;
        frame = {0, 0, 320, 56};
        AdjustWindowRectEx(&frame, style, FALSE, WS_EX_APPWINDOW);
        transmit = CreateWindowExA(WS_EX_APPWINDOW, wc.lpszClassName, "TRANSMITTING IR CODE...",
                                   style, 180, 300, frame.right - frame.left,
                                   frame.bottom - frame.top, nullptr, nullptr, wc.hInstance,
                                   nullptr);
        HDC screen = GetDC(nullptr);
        int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        font = CreateFontA(-MulDiv(12, dpi, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
        HWND label = CreateWindowExA(0, "STATIC", "Transmission in Progress . . .",
                                     WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 48, 16, 257,
                                     25, transmit, nullptr, wc.hInstance, nullptr);
        SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        e2e::settle(200);
    }
    ~LookAlike()
    {
        DestroyWindow(transmit);
        DestroyWindow(main);
        DeleteObject(font);
    }

    double showHideMs(int showCommand, int rounds)
    {
        Samples s;
        for (int i = 0; i < rounds; ++i) {
            SetActiveWindow(main);
            e2e::settle(5);
            double start = nowMs();
            SetCursor(LoadCursor(nullptr, IDC_WAIT));
            ShowWindow(transmit, showCommand);
            RedrawWindow(transmit, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            ShowWindow(transmit, SW_HIDE);
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            s.add(nowMs() - start);
        }
        return s.median();
    }
};

HWND transmitWindow(e2e::App& app)
{
    for (HWND w : app.topWindows(nullptr, false)) {
        char title[64] = {};
        GetWindowTextA(w, title, sizeof title);
        if (std::string(title) == "TRANSMITTING IR CODE...")
            return w;
    }
    return nullptr;
}

}  // namespace

void transmitRow(Table& table, const Options& options)
{
    progress("transmit overhead");
    table.section("5. Transmit overhead: click or menu command -> program back from the "
                  "transmission, beside the driver's own TavrixTransmitIR time");
    simctl::reset();
    e2e::App app(quietEnv());
    OrderlyExit exit(app);
    HWND main = app.mainWindow();
    if (!main) {
        table.note("Pellwick showed no main window");
        return;
    }
    HWND button = app.control(IDC_CBTRANSMITIRCODE);

    Samples trip;
    for (int i = 0; i < 200; ++i) {
        double start = nowMs();
        roundTrip(main);
        trip.add(nowMs() - start);
    }

    struct Code {
        const char* name;
        std::string text;
        int rounds;
    } codes[] = {
        {"short code", SHORT_CODE, options.quick ? 20 : 50},
        {"NEC1 code", e2e::NEC1_CODE, options.quick ? 3 : 8},
    };
    bool first = true;
    int failures = 0;
    for (const Code& code : codes) {
        app.typeCode(code.text);
        if (!poll([&] { return IsWindowEnabled(button) != FALSE; }, 3000)) {
            table.note(std::string("the transmit button stayed disabled for the ") + code.name);
            return;
        }
        if (first) {
            // The first transmission also creates the transmit window.
            double ms = clickTransmit(main, button);
            table.row("first transmission (creates the window)", millis(ms),
                      std::string(code.name) + ", air time " + millis(airTimeMs(code.text)));
            first = false;
        }
        // Click, menu command and the driver's own call take turns.
        Samples clicks, commands, own;
        Driver& drv = driver();
        TavrixHandle handle = drv.TavrixOpen();
        for (int i = 0; i < code.rounds; ++i) {
            for (Samples* samples : {&clicks, &commands}) {
                Sleep(5);
                double ms = samples == &clicks ? clickTransmit(main, button) : menuTransmit(main);
                if (ms < 0)
                    ++failures;
                else
                    samples->add(ms);
            }
            Sleep(5);
            double start = nowMs();
            drv.TavrixTransmitIR(handle, code.text.c_str(), 16, 3, 0, 0, 0, 0);
            own.add(nowMs() - start);
        }
        drv.TavrixClose(handle);
        std::string name = code.name;
        double beyond = commands.median() - own.median();
        table.row(name + ": button click -> back", "median " + millis(clicks.median()),
                  "p99 " + millis(clicks.percentile(99)) + " (" + std::to_string(clicks.size()) +
                      " transmissions; air time " + millis(airTimeMs(code.text)) + ")");
        table.row(name + ": menu command -> back", "median " + millis(commands.median()),
                  "p99 " + millis(commands.percentile(99)) + " (" +
                      std::to_string(commands.size()) + " transmissions)");
        table.row(name + ": driver alone (direct call)", "median " + millis(own.median()));
        table.row(name + ": program overhead (menu - driver)", millis(beyond),
                  std::string("target < 5 ms   ") + verdict(beyond < 5.0 && failures == 0));
    }
    table.row("WM_NULL round trip (inside each figure)", "median " + millis(trip.median()),
              "p99 " + millis(trip.percentile(99)));
    LookAlike lookAlike;
    table.row("same windows in the benchmark: shown normally", millis(lookAlike.showHideMs(SW_SHOWNORMAL, 20)),
              "(a look-alike main and transmit window shown, painted and hidden as the program does)");
    table.row("same windows: shown without activation", millis(lookAlike.showHideMs(SW_SHOWNOACTIVATE, 20)),
              "(SW_SHOWNOACTIVATE: the main window keeps the activation)");
    HWND tx = transmitWindow(app);
    table.row("transmit window afterwards", tx ? (IsWindowVisible(tx) ? "VISIBLE" : "hidden") : "none");
    if (failures)
        table.note("transmissions that did not come back within 10 s: " + std::to_string(failures));
    std::vector<e2e::MessageBoxInfo> boxes = app.messageBoxes();
    if (!boxes.empty())
        table.note("message box on screen: \"" + boxes.front().text + "\"");
}

}  // namespace bench

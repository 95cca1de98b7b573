// Row 4: the code box check on every change. A change is typed as a user
// types (EM_REPLACESEL at the caret) into a box that already holds a long
// code, and counts as done when the box answers the next WM_GETTEXTLENGTH:
// the check runs inside the EN_CHANGE notification, before that.
#include <atomic>
#include <thread>
#include <vector>

#include "bench.h"
#include "sim/simctl.h"
#include "ui/ids.h"

namespace bench {

namespace {

Typist typist;

// An edit box like Pellwick's code box (styles, size, font), owned by a
// thread of the benchmark and checked by nobody: the same keystroke there
// is what the edit control itself costs.
class ReferenceBox {
public:
    ReferenceBox(int width, int height) : thread_([=] { run(width, height); })
    {
        while (!ready_.load())
            Sleep(1);
    }
    ~ReferenceBox()
    {
        PostMessageA(frame_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    HWND box() const { return box_; }

private:
    static LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_DESTROY) {
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    void run(int width, int height)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = frameProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "PellwickBenchReference";
        RegisterClassA(&wc);
        frame_ = CreateWindowExA(0, wc.lpszClassName, "reference", WS_OVERLAPPED | WS_VISIBLE, 0,
                                 0, width + 40, height + 60, nullptr, nullptr, wc.hInstance,
                                 nullptr);
        box_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                               WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL |
                                   ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP,
                               10, 10, width, height, frame_, nullptr, wc.hInstance, nullptr);
        HDC screen = GetDC(nullptr);
        int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        font_ = CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
        SendMessageA(box_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        SendMessageA(box_, EM_SETLIMITTEXT, 0, 0);
        ready_.store(true);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DeleteObject(font_);
    }

    HWND frame_ = nullptr;
    HWND box_ = nullptr;
    HFONT font_ = nullptr;
    std::atomic<bool> ready_{false};
    std::thread thread_;
};

// Keystrokes into boxes holding text: a blank typed at the end and deleted
// again (both changes keep the code valid, so the check reads all of it),
// each beside the same round trips without a change. The boxes take turns,
// so that a busy moment of the host falls on all of them alike.
struct Keystrokes {
    Samples change, unchanged;
};

std::vector<Keystrokes> keystrokes(const std::vector<HWND>& boxes, const std::string& text,
                                   int changes)
{
    std::vector<Keystrokes> k(boxes.size());
    std::vector<LRESULT> length(boxes.size());
    for (size_t b = 0; b < boxes.size(); ++b) {
        typist.paste(boxes[b], text);
        length[b] = typist.length(boxes[b]);
    }
    for (int i = 0; i < changes && !typist.stuck(); ++i) {
        for (size_t b = 0; b < boxes.size(); ++b) {
            // Painting after a change is left to finish outside the timings.
            Sleep(3);
            k[b].unchanged.add(typist.noChange(boxes[b], length[b]));
            Sleep(3);
            k[b].change.add(i % 2 == 0 ? typist.typeBlank(boxes[b], length[b])
                                       : typist.deleteBlank(boxes[b], length[b]));
        }
    }
    if (changes % 2)
        for (size_t b = 0; b < boxes.size(); ++b)
            typist.deleteBlank(boxes[b], length[b]);
    return k;
}

double driverCheckMs(const std::string& text, int rounds)
{
    static char output[TAVRIX_BUFFER_SIZE];
    int32_t value = 0;
    Samples s;
    for (int i = 0; i < rounds; ++i) {
        double start = nowMs();
        driver().TavrixConvertProntoCode(text.c_str(), output, &value, 0, 0);
        s.add(nowMs() - start);
    }
    return s.median();
}

// With the call log on: one check per change, none for the round trips
// that the figures subtract. Returns what was found, empty when as expected.
std::string checkCounting(const std::string& text)
{
    e2e::App app;
    OrderlyExit exit(app);
    if (!app.mainWindow())
        return "Pellwick showed no main window";
    HWND box = app.control(IDC_TBCURCODE);
    auto checks = [&] { return app.logOf("TavrixConvertProntoCode").size(); };
    typist.paste(box, text);
    e2e::settle(200);
    size_t start = checks();
    LRESULT length = typist.length(box);
    for (int i = 0; i < 3; ++i)
        typist.noChange(box, length);
    typist.setText(box, text);
    e2e::settle(200);
    size_t withoutChange = checks() - start;
    typist.typeBlank(box, length);
    typist.deleteBlank(box, length);
    e2e::settle(200);
    size_t withChange = checks() - start - withoutChange;
    std::string found;
    if (withoutChange != 0)
        found += std::to_string(withoutChange) + " checks for 3 unchanged round trips and a "
                 "WM_SETTEXT (expected 0); ";
    if (withChange != 2)
        found += std::to_string(withChange) + " checks for 2 changes (expected 2)";
    return found;
}

// What redrawing a menu bar costs here: a window with Pellwick's four
// menus, owned by this thread.
double drawMenuBarMs()
{
    HMENU bar = CreateMenu();
    for (const char* caption : {"&File", "&Transmit", "&Learn", "&Help"}) {
        HMENU popup = CreatePopupMenu();
        AppendMenuA(popup, MF_STRING, 1, "item");
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), caption);
    }
    HWND window = CreateWindowExA(0, "STATIC", "menu bar", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600,
                                  0, 480, 200, nullptr, bar, nullptr, nullptr);
    e2e::settle(200);
    Samples s;
    for (int i = 0; i < 50; ++i) {
        EnableMenuItem(bar, 1, MF_BYPOSITION | (i % 2 ? MF_GRAYED : MF_ENABLED));
        double start = nowMs();
        DrawMenuBar(window);
        s.add(nowMs() - start);
        e2e::settle(5);
    }
    DestroyWindow(window);
    return s.median();
}

}  // namespace

void typingRow(Table& table, const Options& options)
{
    progress("validation per keystroke");
    table.section("4. Code box check per change (box 120; a blank typed at the end, then deleted; "
                  "done = next WM_GETTEXTLENGTH answered)");
    simctl::reset();
    // A learnt code is one line; long codes come from files, in lines.
    const int LINE_WORDS = 16;
    const std::string small = prontoText(2048);
    const std::string large = prontoText(100000, 0, LINE_WORDS);
    // Wine carries at most 1 MiB of message data between processes, NUL
    // included: a megabyte here is a million characters.
    const size_t MEGABYTE = 1000000;
    const std::string megabyte[2] = {prontoText(MEGABYTE, 0, LINE_WORDS),
                                     prontoText(MEGABYTE, 1, LINE_WORDS)};

    std::string counting = checkCounting(small);
    table.note(counting.empty()
                   ? "Call log check: one driver check per change; none for the unchanged round "
                     "trips or WM_SETTEXT."
                   : "Call log check FAILED: " + counting);

    e2e::App app(quietEnv());
    OrderlyExit exit(app);
    if (!app.mainWindow()) {
        table.note("Pellwick showed no main window");
        return;
    }
    HWND box = app.control(IDC_TBCURCODE);
    RECT r = {};
    GetWindowRect(box, &r);
    ReferenceBox reference(r.right - r.left, r.bottom - r.top);

    struct Size {
        const std::string* text;
        const char* name;
        int changes;
        bool target;
    } sizes[] = {
        {&small, "2,048 chars", options.quick ? 60 : 200, true},
        {&large, "100,000 chars", options.quick ? 20 : 60, false},
    };
    table.note("Texts: 2,048 characters on one line (as a learnt code); 100,000 and 1,000,000 "
               "(\"1 MB\") in lines of " + std::to_string(LINE_WORDS) + " words (as from a file).");
    for (const Size& size : sizes) {
        std::vector<Keystrokes> both = keystrokes({box, reference.box()}, *size.text, size.changes);
        const Keystrokes& ours = both[0];
        const Keystrokes& plain = both[1];
        double beyond = ours.change.median() - ours.unchanged.median();
        double plainBeyond = plain.change.median() - plain.unchanged.median();
        std::string name = size.name;
        table.row(name + ": change", "median " + millis(ours.change.median()),
                  "p99 " + millis(ours.change.percentile(99)) + " (" +
                      std::to_string(ours.change.size()) + " changes)");
        table.row(name + ": same round trips, no change", "median " + millis(ours.unchanged.median()),
                  "p99 " + millis(ours.unchanged.percentile(99)));
        table.row(name + ": change - no change", millis(beyond), "(the edit control's own work included)");
        table.row(name + ": same in an unchecked EDIT box", millis(plainBeyond),
                  "(change - no change there)");
        table.row(name + ": the check's own share", millis(beyond - plainBeyond),
                  size.target ? std::string("target < 1 ms   ") + verdict(beyond - plainBeyond < 1.0)
                              : std::string("(no target)"));
        table.row(name + ": driver's TavrixConvertProntoCode",
                  millis(driverCheckMs(*size.text, 20)), "(called directly, same text)");
    }

    // The inspector follows every change of the box. A second Pellwick with
    // it open takes turns with this one, which has it closed, at a typist's
    // pace (the inspector catches up between keystrokes): each keystroke until
    // the box answers, and until the inspector's facts show the new code. A
    // blank leaves the code the same code; the last word typed over makes
    // another, which the inspector decodes and draws anew.
    {
        e2e::App inspected(quietEnv());
        OrderlyExit exitInspected(inspected);
        HWND inspector = nullptr;
        if (inspected.mainWindow()) {
            inspected.menu(IDM_CODEINSPECT);
            inspector = inspected.findTopWindow("IR Code Inspector", 5000);
        }
        if (!inspector) {
            table.note("The inspector did not open: no inspector row.");
        } else {
            const HWND boxes[2] = {box, inspected.control(IDC_TBCURCODE)};
            const HWND facts = GetDlgItem(inspector, IDC_INSPECT_FACTS);
            const std::string last = small.substr(small.size() - 4), other = last == "0020" ? "0030" : "0020";
            LRESULT length[2];
            for (int b = 0; b < 2; ++b) {
                typist.paste(boxes[b], small);
                length[b] = typist.length(boxes[b]);
            }
            Samples blank[2], word[2], shown;
            const int TURNS = options.quick ? 30 : 100;  // even: every change is undone
            for (int i = 0; i < TURNS && !typist.stuck(); ++i) {
                for (int b = 0; b < 2; ++b) {
                    e2e::settle(40);
                    blank[b].add(i % 2 == 0 ? typist.typeBlank(boxes[b], length[b])
                                            : typist.deleteBlank(boxes[b], length[b]));
                    e2e::settle(40);
                    const std::string before = e2e::windowText(facts);
                    double start = nowMs();
                    const std::string& typed = i % 2 == 0 ? other : last;
                    word[b].add(typist.typeOver(boxes[b], length[b] - 4, length[b], typed.c_str()));
                    if (b == 1) {
                        while (e2e::windowText(facts) == before && nowMs() - start < 2000)
                            Sleep(1);
                        shown.add(nowMs() - start);
                    }
                }
            }
            const std::pair<const char*, Samples*> edits[] = {{"a blank", blank}, {"the last word", word}};
            for (const auto& edit : edits) {
                std::string name = std::string("2,048 chars, ") + edit.first;
                double closed = edit.second[0].median(), open = edit.second[1].median();
                table.row(name + ": keystroke, inspector open", "median " + millis(open),
                          "closed: " + millis(closed) + " (same run, taking turns)");
                table.row(name + ": what the open inspector adds", millis(open - closed),
                          std::string("target < 1 ms   ") + verdict(open - closed < 1.0));
            }
            table.row("2,048 chars, the last word: until the inspector shows it", "median " + millis(shown.median()),
                      "p99 " + millis(shown.percentile(99)) + " (it follows once the keystroke is answered)");
        }
    }

    // Pastes: each replaces one megabyte code by the other.
    Samples pastes, sets, plainPastes;
    const int PASTES = options.quick ? 3 : 6;
    for (int i = 0; i < PASTES && !typist.stuck(); ++i) {
        sets.add(typist.setText(box, megabyte[0]));
        Sleep(50);
        pastes.add(typist.paste(box, megabyte[1]));
        Sleep(50);
        plainPastes.add(typist.paste(reference.box(), megabyte[i % 2]));
        Sleep(50);
    }
    auto spread = [](const Samples& s) {
        return "min " + millis(s.min()) + ", max " + millis(s.max()) + " (" +
               std::to_string(s.size()) + ")";
    };
    table.row("1 MB paste: change", "median " + millis(pastes.median()), spread(pastes));
    table.row("1 MB by WM_SETTEXT (same box, no check)", "median " + millis(sets.median()),
              spread(sets));
    table.row("1 MB paste into an unchecked EDIT box", "median " + millis(plainPastes.median()),
              spread(plainPastes));
    table.row("1 MB: driver's TavrixConvertProntoCode", millis(driverCheckMs(megabyte[1], 5)),
              "(called directly, same text)");
    table.row("DrawMenuBar, a menu bar like Pellwick's", millis(drawMenuBarMs()),
              "(in the benchmark's own window; the check redraws the menu bar on every change)");
    if (typist.stuck())
        table.note("STOPPED: a box did not answer a message within 60 s (" + typist.why() + ").");
}

}  // namespace bench

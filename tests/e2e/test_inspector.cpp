// The inspector as a new user tries it: Tab round every control, the waveform's zoom and scroll by keys and
// wheel, Copy, Save as SVG; where it opens (beside the main window, clear of the code box) and that it keeps
// its place; what it says of a code whose durations are all zero. And pellwick-ir.exe reads the bytes it is
// given, as on every system.
#include <gtest/gtest.h>

#include <sstream>

#include "fixtures.h"
#include "ir/cli/cli.h"
#include "ir/ir.h"

using namespace e2e;

namespace {

const char TITLE[] = "IR Code Inspector";

std::string clipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// EnumChildWindows: the first edit box that shows, into *(HWND*)found.
BOOL CALLBACK findVisibleEdit(HWND child, LPARAM found)
{
    char cls[16] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") || !IsWindowVisible(child))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

std::string rectText(const RECT& r)
{
    std::ostringstream s;
    s << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
    return s.str();
}

}  // namespace

class Inspector : public PellwickTest<false> {
protected:
    HWND open(const char* code = NEC1_CODE, const char* decoded = "NEC1 D=12 S=34 F=56")
    {
        app.typeCode(code);
        app.toForeground();
        app.menu(IDM_CODEINSPECT);
        HWND inspector = app.findTopWindow(TITLE, 5000);
        EXPECT_TRUE(inspector && waitFor([&] { return text(inspector, IDC_INSPECT_DECODE) == decoded; }))
            << (inspector ? text(inspector, IDC_INSPECT_DECODE) : "no inspector");
        EXPECT_TRUE(inspector && waitFor([&] { return GetForegroundWindow() == inspector; }));
        return inspector;
    }
    static std::string text(HWND window, int id) { return windowText(GetDlgItem(window, id)); }
    // The inspector's control with the keyboard focus; 0 for none.
    int focused(HWND inspector)
    {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(inspector, nullptr), &info);
        return info.hwndFocus && GetParent(info.hwndFocus) == inspector ? GetDlgCtrlID(info.hwndFocus) : 0;
    }
    // The wheel turned over the waveform by notches (positive: away from the user).
    void wheel(HWND wave, int notches)
    {
        RECT r;
        GetWindowRect(wave, &r);
        INPUT in[2] = {};
        for (INPUT& i : in) {
            i.type = INPUT_MOUSE;
            i.mi.dx = MulDiv(r.left + (r.right - r.left) / 4, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
            i.mi.dy = MulDiv((r.top + r.bottom) / 2, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
            i.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
        }
        in[1].mi.dwFlags = MOUSEEVENTF_WHEEL;
        in[1].mi.mouseData = static_cast<DWORD>(notches * WHEEL_DELTA);
        SendInput(2, in, sizeof(INPUT));
    }
};

TEST_F(Inspector, TabGoesRoundEveryControlAndTheWaveformZoomsAndScrolls)
{
    HWND inspector = open();
    ASSERT_NE(inspector, nullptr);
    // Tab, then Shift+Tab, round every control, through the multi-line facts box.
    const int order[] = {IDC_INSPECT_DECODE, IDC_INSPECT_FACTS, IDC_INSPECT_WAVEFORM, IDC_INSPECT_COPY,
                         IDC_INSPECT_SAVESVG};
    const int n = sizeof order / sizeof order[0];
    ASSERT_EQ(focused(inspector), IDC_INSPECT_DECODE);
    for (int i = 1; i <= n; ++i) {
        app.keys({VK_TAB});
        EXPECT_TRUE(waitFor([&] { return focused(inspector) == order[i % n]; }, 2000)) << "Tab " << i;
    }
    for (int i = n - 1; i >= 0; --i) {
        app.keys({VK_SHIFT, VK_TAB});
        EXPECT_TRUE(waitFor([&] { return focused(inspector) == order[i]; }, 2000)) << "Shift+Tab to " << order[i];
    }

    // The waveform by keys: + zooms about the middle, End and Home scroll to the ends, Left by an eighth, - zooms
    // out again. Its text says what shows.
    ir::Signal signal;
    ASSERT_TRUE(ir::parsePronto(NEC1_CODE, &signal, nullptr));
    const double ms = ir::waveform(signal).totalUs / 1000;
    auto shows = [ms](double from, double to) {
        char text[96];
        std::snprintf(text, sizeof text, "%.2f to %.2f ms of %.2f ms", from * ms, to * ms, ms);
        return std::string(text);
    };
    HWND wave = GetDlgItem(inspector, IDC_INSPECT_WAVEFORM);
    app.keys({VK_MENU, 'W'});
    ASSERT_TRUE(waitFor([&] { return focused(inspector) == IDC_INSPECT_WAVEFORM; }, 2000)) << "Alt+W";
    EXPECT_EQ(windowText(wave), shows(0, 1));
    const std::pair<WORD, std::string> steps[] = {
        {VK_ADD, shows(0.25, 0.75)},           {VK_END, shows(0.5, 1)}, {VK_LEFT, shows(0.5 - 1.0 / 16, 1 - 1.0 / 16)},
        {VK_HOME, shows(0, 0.5)},              {VK_SUBTRACT, shows(0, 1)},
    };
    for (const auto& s : steps) {
        app.keys({s.first});
        EXPECT_TRUE(waitFor([&] { return windowText(wave) == s.second; }, 2000)) << "key " << s.first << ": "
                                                                                  << windowText(wave);
    }
    // The wheel a quarter of the way in: twice as close per notch, the time under the pointer kept in place.
    wheel(wave, 2);
    EXPECT_TRUE(waitFor([&] { return windowText(wave) != shows(0, 1); }, 2000));
    double from = 0, to = 0;
    ASSERT_EQ(std::sscanf(windowText(wave).c_str(), "%lf to %lf", &from, &to), 2) << windowText(wave);
    EXPECT_NEAR(to - from, ms / 4, 0.02) << windowText(wave);
    wheel(wave, -4);
    EXPECT_TRUE(waitFor([&] { return windowText(wave) == shows(0, 1); }, 2000)) << windowText(wave);

    // Copy: the decode line and the facts, as text. Escape closes the inspector, from any control.
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    app.keys({VK_MENU, 'C'});
    EXPECT_TRUE(waitFor([&] { return !clipboardText().empty(); }, 3000));
    EXPECT_EQ(clipboardText(), "NEC1 D=12 S=34 F=56\r\n" + text(inspector, IDC_INSPECT_FACTS));
    EXPECT_NE(clipboardText().find("\r\nmarks: 573 to 9041 us"), std::string::npos);
    app.keys({VK_ESCAPE});
    EXPECT_TRUE(waitFor([&] { return !IsWindow(inspector); }, 3000));
}

TEST_F(Inspector, OpensBesideTheMainWindowAndKeepsItsPlace)
{
    HWND inspector = open();
    ASSERT_NE(inspector, nullptr);
    RECT work, main, codeBox, at;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(app.mainWindow(), &main);
    GetWindowRect(app.control(IDC_FRAME2), &codeBox);  // the code box and its buttons
    GetWindowRect(inspector, &at);
    RECT overlap;
    EXPECT_TRUE(at.left >= work.left && at.top >= work.top && at.right <= work.right && at.bottom <= work.bottom)
        << rectText(at) << " outside the work area " << rectText(work);
    EXPECT_FALSE(IntersectRect(&overlap, &at, &codeBox)) << rectText(at) << " covers " << rectText(codeBox);
    EXPECT_TRUE(at.left >= main.right || at.right <= main.left) << rectText(at) << " not beside " << rectText(main);
    EXPECT_EQ(at.top, main.top) << "level with the main window";

    // Moved and resized by the user, closed: it opens there again, that large.
    SetWindowPos(inspector, nullptr, 40, 50, 560, 470, SWP_NOZORDER);
    ASSERT_TRUE(waitFor([&] { RECT r; return GetWindowRect(inspector, &r) && r.left == 40 && r.bottom == 520; }));
    GetWindowRect(inspector, &at);
    PostMessageA(inspector, WM_CLOSE, 0, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(inspector); }, 3000));
    inspector = open();
    ASSERT_NE(inspector, nullptr);
    RECT again;
    GetWindowRect(inspector, &again);
    EXPECT_EQ(rectText(again), rectText(at));
}

TEST_F(Inspector, SaysWhatIsTrueOfZeroDurationsAndSavesTheSvgOfPellwickIrPlot)
{
    HWND inspector = open("0000 006C 0002 0000 0000 0000 0000 0000", "unknown: every duration is zero");
    ASSERT_NE(inspector, nullptr);
    EXPECT_NE(text(inspector, IDC_INSPECT_FACTS).find("zero-length marks: 2 (pairs: once 1, 2)\r\n"),
              std::string::npos) << text(inspector, IDC_INSPECT_FACTS);
    EXPECT_EQ(text(inspector, IDC_INSPECT_WAVEFORM), "No waveform: every duration of this code is zero.");
    app.typeCode("0000 006C 0002");
    EXPECT_TRUE(waitFor([&] {
        return text(inspector, IDC_INSPECT_WAVEFORM) == "No waveform: the code box holds no valid Pronto code.";
    }));

    // Save as SVG through the save dialog, into an empty folder: the file and nothing else, the same bytes
    // as the tool's plot.
    app.typeCode(RC5_CODE);
    ASSERT_TRUE(waitFor([&] { return text(inspector, IDC_INSPECT_DECODE) == "RC5 D=12 F=56 T=0"; }));
    std::string folder = makeTempDir("svg"), path = folder + "rc5.svg";
    app.keys({VK_MENU, 'V'});
    HWND dialog = app.findTopWindow("Save Waveform as SVG", 5000);
    ASSERT_NE(dialog, nullptr) << "no save dialog";
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), inspector);
    // The file name's field: the one edit box that shows, wherever the dialog keeps it.
    HWND name = nullptr;
    ASSERT_TRUE(waitFor([&] {
        EnumChildWindows(dialog, findVisibleEdit, reinterpret_cast<LPARAM>(&name));
        return name != nullptr;
    })) << "no file name field";
    EXPECT_TRUE(waitFor([&] { return windowText(name).find("RC5 D=12 F=56 T=0") == 0; }, 2000))
        << windowText(name) << ": the decode, suggested as the name";
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 5000));
    ir::Signal signal;
    ASSERT_TRUE(ir::parsePronto(RC5_CODE, &signal, nullptr));
    EXPECT_TRUE(waitFor([&] { return readFile(path) == ir::plotSvg(signal); }, 3000)) << readFile(path).substr(0, 200);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    std::string files;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        if (found.cFileName[0] != '.')
            files += std::string(found.cFileName) + " ";
    FindClose(search);
    EXPECT_EQ(files, "rc5.svg ") << "a temporary file left behind";
}

// The same bytes give the same answer as the tool's own code gives on every system: a Ctrl-Z byte ends
// nothing, text with a UTF-8 mark or in UTF-16 (as PowerShell's > writes it) reads as the code it holds.
TEST(ProtocolCodes, ConsoleToolReadsTheBytesItIsGiven)
{
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string(NEC1_CODE) + "\r\n")
        utf16 += std::string{c, '\0'};
    const std::string inputs[] = {
        std::string(NEC1_CODE) + "\r\n\x1A",
        std::string(NEC1_CODE).insert(100, "\x1A"),
        "\xEF\xBB\xBF" + std::string(NEC1_CODE),
        utf16,
    };
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input.substr(0, 110));
        std::istringstream in(input);
        std::ostringstream out, err;
        int exit = pellwickir::run({"decode"}, in, out, err);
        SecondApp tool("decode", Env(), "pellwick-ir.exe", input);
        EXPECT_EQ(tool.collect(), out.str() + err.str());
        EXPECT_EQ(tool.exitCode(), static_cast<DWORD>(exit));
    }
}

// Driving Pellwick from outside, as a user would: start the real program on
// the simulated device, find its windows and controls, read what they show,
// click and type, answer message boxes, and read what the driver was asked.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "sim/simctl.h"  // the simulated device, which every test sets up
#include "sim/simtext.h"
#include "tests/codes.h"  // the Pronto codes for the tests
#include "ui/ids.h"      // the program's control and command ids

namespace e2e {

// Folder of the test program, where pellwick.exe and the simulated
// tavrixdrv.dll are built.
std::string binDir();
// A fresh empty folder under the temporary folder, with its last backslash.
std::string makeTempDir(const std::string& tag);
inline bool copyFile(const std::string& from, const std::string& to)
{
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}
inline bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
std::string readFile(const std::string& path);  // empty when it cannot be read

// Lets Wine and the program catch up: pumps this thread's messages for ms.
void settle(DWORD ms = 50);

// Polls condition every few milliseconds until it holds or timeoutMs passes.
template <typename Condition>
bool waitFor(Condition condition, DWORD timeoutMs = 5000)
{
    for (DWORD start = GetTickCount(); !condition(); settle(10))
        if (GetTickCount() - start > timeoutMs)
            return false;
    return true;
}

std::string windowText(HWND window);

// A message box: its caption, its text (static control 0xFFFF) and buttons.
struct MessageBoxInfo {
    HWND window = nullptr;
    std::string caption, text;
    bool hasIcon = false;
    int buttons = 0;
};

// A window or control of the program as the simulated device's layout dump
// shows it (simctl::layout), measured inside the program's process.
struct Placed {
    HWND hwnd = nullptr, parent = nullptr;  // parent null for a top-level window
    int id = 0;
    std::string cls, text;
    std::string module;  // whose code draws it: user32.dll, comctl32.dll, ...
    DWORD style = 0;
    RECT rect = {};  // top-level: on the screen; control: in its parent's client area
    SIZE client = {};
    // Controls that show text: their font and the room the text needs in it.
    bool measured = false;
    int fontHeight = 0;
    SIZE extent = {};  // on one line
    RECT ink = {};     // static text: the pixels it sets, in its client area
};

struct Layout {
    int dpi = 0;  // 0 when the dump could not be read
    std::vector<Placed> windows, controls;
    const Placed* window(HWND hwnd) const;
    const Placed* control(HWND parent, int id) const;
    std::vector<const Placed*> controlsOf(HWND parent) const;
};

// Saves what the screen shows of a window, its frame included, as
// build/screenshots/<name>.png; false when it could not.
bool saveScreenshot(HWND window, const std::string& name);
// How many pixels of this colour the screen shows where the window is.
int countScreenColour(HWND window, COLORREF colour);

using Env = std::map<std::string, std::string>;

class App {
public:
    // Starts exe (default: pellwick.exe beside the test program) with the
    // given extra environment, in folder dir (default: this program's). The
    // call log goes to a fresh file. The main window is titled mainTitle.
    explicit App(Env env = Env(), std::string exe = "", const std::string& dir = "",
                 std::string mainTitle = "Tavrix Pellwick Utility");
    ~App()
    {
        kill();
        if (process_)
            CloseHandle(process_);
    }
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    DWORD pid() const { return pid_; }
    bool running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    // Waits for the process to end; returns its exit code, or STILL_ACTIVE.
    DWORD waitExit(DWORD timeoutMs = 10000)
    {
        DWORD code = STILL_ACTIVE;
        return process_ && waitFor([this] { return !running(); }, timeoutMs) && GetExitCodeProcess(process_, &code)
                   ? code
                   : STILL_ACTIVE;
    }
    void kill()
    {
        if (running() && TerminateProcess(process_, 99))
            WaitForSingleObject(process_, 5000);
    }

    // The visible main window, waited for.
    HWND mainWindow(DWORD timeoutMs = 10000)
    {
        return main_ && IsWindow(main_) ? main_ : (main_ = findTopWindow(mainTitle_, timeoutMs));
    }
    // Every (visible) top-level window of the process with this class.
    std::vector<HWND> topWindows(const char* cls = nullptr, bool visibleOnly = true) const;
    HWND findTopWindow(const std::string& title, DWORD timeoutMs = 5000, bool visibleOnly = true) const;
    std::vector<MessageBoxInfo> messageBoxes() const;
    static void pressOk(HWND box) { PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }

    HWND control(int id) { return GetDlgItem(mainWindow(), id); }
    std::string text(int id) { return windowText(control(id)); }
    bool visible(int id) { return (GetWindowLongA(control(id), GWL_STYLE) & WS_VISIBLE) != 0; }
    bool enabled(int id) { return IsWindowEnabled(control(id)) != FALSE; }
    // A click (BM_CLICK, as a mouse click sends), a menu item chosen.
    void click(int id) { PostMessageA(control(id), BM_CLICK, 0, 0); }
    void menu(int commandId) { PostMessageA(mainWindow(), WM_COMMAND, MAKEWPARAM(commandId, 0), 0); }
    // Replaces the code box text as a user would: select all, then type.
    void typeCode(const std::string& text)
    {
        SendMessageA(control(IDC_TBCURCODE), EM_SETSEL, 0, -1);
        SendMessageA(control(IDC_TBCURCODE), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    std::string codeText() { return text(IDC_TBCURCODE); }

    // Real input through the system's input queue, to the program's window
    // in front (the main window, brought there, unless a box of the
    // program's is): keys() holds every key of the chord but the last,
    // presses the last, and lets go in reverse.
    bool toForeground();
    void keys(std::initializer_list<WORD> chord);
    void type(const std::string& text);  // one burst of characters, as typed
    void mouseClick(int id);  // at the control's centre
    // The control of the main window that has the keyboard focus; 0 for none.
    int focusedId();

    // The learn display is up (its inject button shows), or the idle one.
    bool learnShowing() { return visible(IDC_CBINJECTIR); }
    bool idle() { return visible(IDC_LBLLRNSTATUS) && !learnShowing(); }
    // The main window is up and this process holds the learn hook, waited for.
    bool holdsHook() { return mainWindow() && simctl::waitForHook(pid_, 5000) == pid_; }
    // Clicks Learn; true once the own learn's whole display, with Cancel, is up.
    bool startOwnLearn();
    // Still running, and the main window answers within two seconds.
    bool responsive()
    {
        DWORD_PTR result = 0;
        return running() && mainWindow(2000) &&
               SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
    }

    // The message boxes showing once one has appeared and the program has had
    // a moment to show more: "<caption>: <text>" each, one a line, with
    // " [icon]" or " [<n> buttons]" where a box is not a plain OK box. Empty
    // when none shows within timeoutMs.
    std::string waitBoxes(DWORD timeoutMs = 5000);
    // Presses OK on every box showing; true once they are gone.
    bool dismissBoxes()
    {
        for (const MessageBoxInfo& box : messageBoxes())
            pressOk(box.window);
        return waitFor([this] { return messageBoxes().empty(); }, 3000);
    }

    // Menus and windows of the program, read inside its process by the
    // simulated device (simctl::menus, simctl::layout).
    std::string menus() { return simctl::menus(pid_); }
    Layout layout();
    // Whether the top-level menu (by caption) or menu item (by command id) is
    // enabled: top-level lines end in their state, item lines in their id.
    bool menuEnabled(const std::string& topCaption)
    {
        return menus().find("\"" + topCaption + "\" enabled\n") != std::string::npos;
    }
    bool menuItemEnabled(int id)
    {
        return menus().find(" enabled id=" + std::to_string(id) + "\n") != std::string::npos;
    }

    // Call log lines of this process (the "pid=N " prefix removed).
    std::vector<std::string> log() const;
    std::vector<std::string> logOf(const std::string& function) const;
    std::string logText() const;  // all of them, a line each
    bool logHas(const std::string& part) const { return logText().find(part) != std::string::npos; }
    // The last n driver calls (all with n 0), one word each, blank-separated:
    // the function's name, or the command word of a hook command.
    std::string calls(size_t n = 0) const;

    // Runs of the highlight colour along the middle row (horizontal bar) or
    // column (vertical bar) of a control, read inside the program's process.
    int litSegments(int id, bool vertical);
    int countColour(int id, COLORREF colour);

private:
    void sendKeys(std::vector<INPUT>& inputs);
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
    std::string mainTitle_, logPath_;
};

// Runs a console program (default: the simulated device's second
// application, learnapp.exe, which asks the driver to learn as another
// program would) from the test program's folder, or from exe's own full
// path, with `input` on its standard input. Without env it inherits this
// program's environment. collect() waits for it and returns its output and
// errors, in LF lines.
class SecondApp {
public:
    explicit SecondApp(const std::string& args = "--timeout 60000", const Env& env = Env(),
                       const std::string& exe = "learnapp.exe", const std::string& input = "");
    ~SecondApp()
    {
        if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_, 99);
        if (process_)
            CloseHandle(process_);
    }
    std::string collect(DWORD timeoutMs = 30000);
    DWORD exitCode() const { return exitCode_; }

private:
    std::string output_;
    HANDLE process_ = nullptr;
    DWORD exitCode_ = STILL_ACTIVE;
};

constexpr const char* NEC1_CODE = codes::NEC1;
constexpr const char* RC5_CODE = codes::RC5;

// A Pronto code's burst: its once part without the repeat pairs.
std::string burstOf(const std::string& code);
// What the second application prints for the code it has learnt.
inline std::string learntLine(const std::string& code) { return "CODE \"" + simtext::escape(code) + "\"\n"; }

}  // namespace e2e

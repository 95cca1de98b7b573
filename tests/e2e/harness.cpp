#include "harness.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <utility>

#include "sim/pronto.h"

namespace e2e {

std::string burstOf(const std::string& code)
{
    pronto::Code parsed;
    return pronto::parse(code.data(), code.size(), &parsed) ? pronto::format(pronto::burst(parsed)) : std::string();
}

std::string binDir()
{
    char path[MAX_PATH + 1] = {};
    std::string p(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return p.substr(0, p.find_last_of("\\/") + 1);
}

std::string makeTempDir(const std::string& tag)
{
    static int counter = 0;
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    // Process ids come round again under Wine: the time makes the folder new.
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    std::string dir = std::string(temp) + "pellwick-e2e-" + std::to_string(GetCurrentProcessId()) +
                      "-" + std::to_string(now.QuadPart) + "-" + tag + "-" + std::to_string(++counter);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\";
}

std::string readFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

void settle(DWORD ms)
{
    MSG msg;
    for (DWORD start = GetTickCount(), elapsed = 0;;
         MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT)) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        if ((elapsed = GetTickCount() - start) >= ms)
            return;
    }
}

std::string windowText(HWND window)
{
    // WM_GETTEXT works across processes where GetWindowText reads only captions.
    LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

// ---------------------------------------------------------------------------

// This program's environment without the simulated device's settings (each
// test says what it wants), with `extra` added.
static std::string environmentBlock(const Env& extra)
{
    Env vars;
    char* block = GetEnvironmentStringsA();
    for (const char* p = block; p && *p; p += strlen(p) + 1) {
        std::string entry(p);
        size_t eq = entry.find('=', 1);
        if (eq != std::string::npos && entry.compare(0, 10, "TAVRIXSIM_") != 0)
            vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsA(block);
    for (const auto& kv : extra)
        vars[kv.first] = kv.second;
    std::string out;
    for (const auto& kv : vars)
        out += kv.first + "=" + kv.second + '\0';
    return out + '\0';
}

App::App(Env env, std::string exe, const std::string& dir, std::string mainTitle)
    : mainTitle_(std::move(mainTitle))
{
    if (exe.empty())
        exe = binDir() + "pellwick.exe";
    if (env.find("TAVRIXSIM_LOG") == env.end())
        env["TAVRIXSIM_LOG"] = makeTempDir("log") + "calls.log";
    logPath_ = env["TAVRIXSIM_LOG"];
    std::string block = environmentBlock(env), commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, &block[0],
                       dir.empty() ? nullptr : dir.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        pid_ = info.dwProcessId;
    }
}

std::vector<HWND> App::topWindows(const char* cls, bool visibleOnly) const
{
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, cls, nullptr)) != nullptr;) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == pid_ && (!visibleOnly || IsWindowVisible(w)))
            found.push_back(w);
    }
    return found;
}

HWND App::findTopWindow(const std::string& title, DWORD timeoutMs, bool visibleOnly) const
{
    HWND found = nullptr;
    waitFor([&] {
        for (HWND w : topWindows(nullptr, visibleOnly))
            if (windowText(w) == title)
                found = w;
        return found != nullptr;
    }, timeoutMs);
    return found;
}

std::vector<MessageBoxInfo> App::messageBoxes() const
{
    std::vector<MessageBoxInfo> boxes;
    for (HWND box : topWindows("#32770")) {
        MessageBoxInfo info{box, windowText(box), windowText(GetDlgItem(box, 0xFFFF))};
        // The icon of a message box is a static control with id 0x14.
        info.hasIcon = IsWindowVisible(GetDlgItem(box, 0x14)) != FALSE;
        for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO})
            info.buttons += IsWindowVisible(GetDlgItem(box, id)) ? 1 : 0;
        boxes.push_back(info);
    }
    return boxes;
}

bool App::toForeground()
{
    HWND main = mainWindow();
    if (main && GetForegroundWindow() != main)
        SetForegroundWindow(main);
    return main && waitFor([&] { return GetForegroundWindow() == main; }, 3000);
}

// Input is queued behind whatever the program is doing: keys(), type() and
// mouseClick() give it a moment. Tests wait for what the input changes, or
// type a marker after it.
void App::sendKeys(std::vector<INPUT>& inputs)
{
    // A window of the program's in front already (a modal box) keeps the keyboard.
    DWORD owner = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &owner);
    if (owner != pid_)
        toForeground();
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    settle(50);
}

void App::keys(std::initializer_list<WORD> chord)
{
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, DWORD flags) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = flags;
        inputs.push_back(in);
    };
    for (WORD vk : chord)
        add(vk, 0);
    for (auto it = chord.end(); it != chord.begin();)
        add(*--it, KEYEVENTF_KEYUP);
    sendKeys(inputs);
}

void App::type(const std::string& text)
{
    std::vector<INPUT> inputs;
    for (char c : text)
        for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT in = {};
            in.type = INPUT_KEYBOARD;
            in.ki.wScan = static_cast<unsigned char>(c);
            in.ki.dwFlags = KEYEVENTF_UNICODE | up;
            inputs.push_back(in);
        }
    sendKeys(inputs);
}

void App::mouseClick(int id)
{
    // Two clicks in quick succession would make a double click, which does
    // not move the focus: wait out the double-click time.
    static DWORD lastClick = 0;
    DWORD since = GetTickCount() - lastClick;
    if (lastClick && since <= GetDoubleClickTime())
        settle(GetDoubleClickTime() - since + 20);
    toForeground();
    RECT r = {};
    GetWindowRect(control(id), &r);
    INPUT in[3] = {};
    for (INPUT& i : in) {
        i.type = INPUT_MOUSE;
        i.mi.dx = MulDiv((r.left + r.right) / 2, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        i.mi.dy = MulDiv((r.top + r.bottom) / 2, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
        i.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    in[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(3, in, sizeof(INPUT));
    lastClick = GetTickCount();
    settle(50);
}

int App::focusedId()
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(mainWindow(), nullptr);
    if (!GetGUIThreadInfo(thread, &info) || !info.hwndFocus || GetParent(info.hwndFocus) != mainWindow())
        return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

bool App::startOwnLearn()
{
    click(IDC_CBLEARNIRCODE);
    // The display changes one control at a time: it is all up once the
    // program answers again.
    return waitFor([this] { return visible(IDC_CBLEARNCANCEL); }, 3000) && responsive();
}

std::string App::waitBoxes(DWORD timeoutMs)
{
    if (!waitFor([this] { return !messageBoxes().empty(); }, timeoutMs))
        return std::string();
    settle(200);
    std::string shown;
    for (const MessageBoxInfo& box : messageBoxes()) {
        shown += (shown.empty() ? "" : "\n") + box.caption + ": " + box.text + (box.hasIcon ? " [icon]" : "") +
                 (box.buttons != 1 ? " [" + std::to_string(box.buttons) + " buttons]" : "");
    }
    return shown;
}

// Handles are 32-bit values, sign-extended in 64-bit code.
static HWND handleOf(const std::string& text)
{
    auto value = static_cast<int32_t>(std::strtoul(text.c_str(), nullptr, 16));
    return reinterpret_cast<HWND>(static_cast<intptr_t>(value));
}

// The layout dump: "dpi", "window" and "control" lines, each a handle and
// name=value fields, texts quoted with C escapes.
Layout App::layout()
{
    static const std::regex field(R"re((\w+)=("(?:[^"\\]|\\.)*"|\S*))re");
    Layout layout;
    std::istringstream in(simctl::layout(pid_));
    for (std::string line; std::getline(in, line);) {
        bool isWindow = line.compare(0, 7, "window ") == 0;
        if (line.compare(0, 4, "dpi ") == 0)
            layout.dpi = std::atoi(line.c_str() + 4);
        if (!isWindow && line.compare(0, 8, "control ") != 0)
            continue;
        std::map<std::string, std::string> f;
        for (std::sregex_iterator it(line.begin(), line.end(), field), end; it != end; ++it) {
            std::string value = (*it)[2];
            if (!value.empty() && value[0] == '"' && !simtext::unescape(value.substr(1, value.size() - 2), &value))
                return Layout();
            f[(*it)[1]] = value;
        }
        Placed p;
        if (std::sscanf(f["rect"].c_str(), "%ld,%ld,%ld,%ld", &p.rect.left, &p.rect.top, &p.rect.right,
                        &p.rect.bottom) != 4 ||
            std::sscanf(f["client"].c_str(), "%ld,%ld", &p.client.cx, &p.client.cy) != 2)
            return Layout();
        p.hwnd = handleOf(line.substr(line.find(' ') + 1));
        p.parent = isWindow ? nullptr : handleOf(f["parent"]);
        p.id = std::atoi(f["id"].c_str());
        p.cls = f["class"];
        p.text = f["text"];
        p.module = f["module"];
        p.style = static_cast<DWORD>(std::strtoul(f["style"].c_str(), nullptr, 16));
        if ((p.measured = f.count("font") != 0)) {
            p.fontHeight = std::atoi(f["fontheight"].c_str());
            std::sscanf(f["extent"].c_str(), "%ld,%ld", &p.extent.cx, &p.extent.cy);
            std::sscanf(f["ink"].c_str(), "%ld,%ld,%ld,%ld", &p.ink.left, &p.ink.top, &p.ink.right,
                        &p.ink.bottom);
        }
        (isWindow ? layout.windows : layout.controls).push_back(p);
    }
    return layout;
}

const Placed* Layout::window(HWND hwnd) const
{
    for (const Placed& p : windows)
        if (p.hwnd == hwnd)
            return &p;
    return nullptr;
}

const Placed* Layout::control(HWND parent, int id) const
{
    for (const Placed* p : controlsOf(parent))
        if (p->id == id)
            return p;
    return nullptr;
}

std::vector<const Placed*> Layout::controlsOf(HWND parent) const
{
    std::vector<const Placed*> found;
    for (const Placed& p : controls)
        if (p.parent == parent)
            found.push_back(&p);
    return found;
}

// ---------------------------------------------------------------------------

std::vector<std::string> App::log() const
{
    std::ifstream file(logPath_.c_str(), std::ios::binary);
    std::string prefix = "pid=" + std::to_string(pid_) + " ";
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line.substr(prefix.size()));
    return lines;
}

std::vector<std::string> App::logOf(const std::string& function) const
{
    std::vector<std::string> matching;
    for (const std::string& line : log())
        if (line.compare(0, function.size() + 1, function + " ") == 0 || line == function)
            matching.push_back(line);
    return matching;
}

std::string App::logText() const
{
    std::string text;
    for (const std::string& line : log())
        text += line + "\n";
    return text;
}

std::string App::calls(size_t n) const
{
    std::vector<std::string> words;
    for (const std::string& line : log()) {
        size_t command = line.find(" buf=\"");
        if (line.compare(0, 14, "TavrixLearnIR ") == 0 && command != std::string::npos &&
            line.compare(command + 15, 1, "\"") == 0)
            words.push_back(line.substr(command + 6, 9));
        else if (line.compare(0, 6, "Tavrix") == 0)
            words.push_back(line.substr(0, line.find(' ')));
    }
    std::string text;
    for (size_t i = n && n < words.size() ? words.size() - n : 0; i < words.size(); ++i)
        text += (text.empty() ? "" : " ") + words[i];
    return text;
}

int App::litSegments(int id, bool vertical)
{
    simctl::Capture shot = simctl::capture(pid_, id);
    if (shot.width == 0)
        return -1;
    int runs = 0;
    for (int i = 0, before = 0; i < (vertical ? shot.height : shot.width); ++i) {
        int lit = (vertical ? shot.at(shot.width / 2, i) : shot.at(i, shot.height / 2)) == GetSysColor(COLOR_HIGHLIGHT);
        runs += lit && !before;
        before = lit;
    }
    return runs;
}

int App::countColour(int id, COLORREF colour)
{
    int n = 0;
    for (uint32_t c : simctl::capture(pid_, id).pixels)
        n += c == colour;
    return n;
}

// ---------------------------------------------------------------------------

SecondApp::SecondApp(const std::string& args, const Env& env, const std::string& exe, const std::string& input)
    : output_(makeTempDir("console") + "output.txt")
{
    // Standard input and output are files: a pipe's buffer could not take a
    // long input before the program reads it, nor a long output before collect().
    std::ofstream(output_ + ".in", std::ios::binary) << input;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    auto open = [&](const std::string& path, DWORD access, DWORD how) {
        return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, how, 0, nullptr);
    };
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput =
        input.empty() ? GetStdHandle(STD_INPUT_HANDLE) : open(output_ + ".in", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = startup.hStdError = open(output_, GENERIC_WRITE, CREATE_ALWAYS);
    std::string path = exe.find(':') == std::string::npos ? binDir() + exe : exe;
    std::string commandLine = "\"" + path + "\" " + args, block = env.empty() ? "" : environmentBlock(env);
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                       block.empty() ? nullptr : &block[0], nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
    }
    CloseHandle(startup.hStdOutput);
    if (!input.empty())
        CloseHandle(startup.hStdInput);
}

std::string SecondApp::collect(DWORD timeoutMs)
{
    if (process_ && waitFor([this] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, timeoutMs))
        GetExitCodeProcess(process_, &exitCode_);
    // A console program's line ends are CR LF; compare in plain LF.
    std::string plain = readFile(output_);
    for (size_t at; (at = plain.find("\r\n")) != std::string::npos;)
        plain.erase(at, 1);
    return plain;
}

}  // namespace e2e

// The IR Code Library window under test: Pellwick started with a library
// folder of its own, the window opened from the Code menu, its lists read
// from outside, names typed in any script.
#pragma once

#include "fixtures.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

inline std::string utf8(const std::wstring& w)
{
    std::string s(w.size() * 3 + 1, '\0');
    s.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], static_cast<int>(s.size()),
                                                     nullptr, nullptr)) - 1);
    return s;
}

// The rows of a list view of Pellwick's, "name | decode | length" each, read
// through a buffer in Pellwick's own memory.
inline std::vector<std::string> rows(DWORD pid, HWND list, int columns)
{
    std::vector<std::string> found;
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, 8192, MEM_COMMIT, PAGE_READWRITE));
    for (int row = 0, n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); remote && row < n; ++row) {
        std::string line;
        for (int column = 0; column < columns; ++column) {
            LVITEMW item = {};
            item.iSubItem = column;
            item.pszText = reinterpret_cast<wchar_t*>(remote + 1024);
            item.cchTextMax = 1000;
            wchar_t text[1000] = {};
            WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
            SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote));
            ReadProcessMemory(process, remote + 1024, text, sizeof text - sizeof(wchar_t), nullptr);
            line += (column ? " | " : "") + utf8(text);
        }
        found.push_back(line);
    }
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return found;
}

// Characters of any script, typed as a keyboard in that script types them.
inline void typeWide(const std::wstring& text)
{
    std::vector<INPUT> inputs;
    for (wchar_t c : text)
        for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT in = {};
            in.type = INPUT_KEYBOARD;
            in.ki.wScan = c;
            in.ki.dwFlags = KEYEVENTF_UNICODE | up;
            inputs.push_back(in);
        }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    settle(50);
}

inline std::string remoteFile(const std::string& name, const std::vector<std::pair<std::string, std::string>>& codes)
{
    std::string text = "{\"format\": \"pellwick-remote\", \"version\": \"1.0\", \"name\": \"" + name + "\", \"codes\": [";
    for (size_t i = 0; i < codes.size(); ++i)
        text += (i ? ",\n" : "\n") + std::string("{\"name\": \"") + codes[i].first + "\", \"pronto\": \"" + codes[i].second + "\"}";
    return text + "]}\n";
}

inline void writeFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

class LibraryWindow : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        simctl::setLearnMode(true);  // a learn ends when the test says
        CreateDirectoryA((appData + "Pellwick").c_str(), nullptr);
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    void start()
    {
        app.reset(new App(Env{{"APPDATA", appData.substr(0, appData.size() - 1)}}));
        ASSERT_TRUE(app->holdsHook());
        app->menu(IDM_CODELIBRARY);
        window = app->findTopWindow("IR Code Library");
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(waitFor([&] { return GetForegroundWindow() == window; }, 3000));
    }
    HWND item(int id) { return GetDlgItem(window, id); }
    std::vector<std::string> codes() { return rows(app->pid(), item(IDC_LIB_CODES), 3); }
    std::vector<std::string> remotes() { return rows(app->pid(), item(IDC_LIB_REMOTES), 1); }
    std::string status() { return windowText(item(IDC_LIB_STATUS)); }
    bool editing(HWND list) { return SendMessageW(list, LVM_GETEDITCONTROL, 0, 0) != 0; }
    // Ends the learn under way with this code, as a button held before the
    // Tavrix, and waits for the new entry's name to open.
    void learn(const char* code)
    {
        ASSERT_TRUE(waitFor([&] { return app->visible(IDC_CBLEARNCANCEL); }, 5000)) << "no learn started";
        ASSERT_GE(simctl::aim(code), 1) << simctl::lastError();
        ASSERT_GE(simctl::finish(), 1);
        ASSERT_TRUE(waitFor([&] { return editing(item(IDC_LIB_CODES)); }, 5000)) << status();
    }

    std::string appData = makeTempDir("appdata");
    std::string folder = appData + "Pellwick\\Library\\";
    std::unique_ptr<App> app;
    HWND window = nullptr;
};

}  // namespace e2e
